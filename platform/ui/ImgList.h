// The class library's image list: images of one size, each with its mask (which of its pixels are
// transparent), drawn onto a canvas by index; TChangeLink tells whoever registered one of every
// change to the list.
#pragma once

#include "platform/ui/Classes.h"
#include "platform/ui/Graphics.h"

#include <cstdint>
#include <vector>

class TCustomImageList;

class TChangeLink : public TObject {
public:
    TChangeLink() = default;
    // Unregisters itself from the list it is registered with.
    ~TChangeLink() override;
    TChangeLink(const TChangeLink&) = delete;
    TChangeLink& operator=(const TChangeLink&) = delete;

    // The list it is registered with (nullptr: none), set by RegisterChanges and UnRegisterChanges.
    TCustomImageList* Sender = nullptr;
    TNotifyEvent OnChange;
    // Calls OnChange with the list as sender.
    virtual void Change();
};

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
enum TImageType { itImage, itMask };

class TCustomImageList : public TComponent {
public:
    explicit TCustomImageList(TComponent* AOwner);
    TCustomImageList(TComponent* AOwner, int AWidth, int AHeight); // CreateSize
    // Registered links are left without a sender.
    ~TCustomImageList() override;

    void Assign(const TPersistent* Source) override;

    int Width() const { return width_; }
    int Height() const { return height_; }
    // A new size empties the list.
    void SetWidth(int Value);
    void SetHeight(int Value);
    int Count() const { return static_cast<int>(images_.size()); }
    int AllocBy = 4;
    // The colour behind transparent pixels in dsNormal drawing; clNone leaves the canvas showing.
    TColor BkColor() const { return bkColor_; }
    void SetBkColor(TColor Value);
    // The colour dsFocus and dsSelected mix in; clNone mixes the highlight colour.
    TColor BlendColor = clNone;
    TDrawingStyle DrawingStyle() const { return drawingStyle_; }
    void SetDrawingStyle(TDrawingStyle Value);
    TImageType ImageType() const { return imageType_; }
    void SetImageType(TImageType Value);
    // Without masks every image is drawn opaque.
    bool Masked() const { return masked_; }
    void SetMasked(bool Value);

    // Adds every Width-wide slice of Image (at least one) and answers the index of the first, -1
    // without an image. Mask (1 bits, or white, transparent) goes along in masked lists; none makes
    // every pixel opaque. An image or mask smaller than Width x Height raises EInvalidOperation
    // ("Invalid image size").
    int Add(TBitmap* Image, TBitmap* Mask);
    // The pixels of MaskColor become transparent (and black in the image).
    int AddMasked(TBitmap* Image, TColor MaskColor);
    // Image Index takes the first slice of Image.
    void Replace(int Index, TBitmap* Image, TBitmap* Mask);
    // -1 removes every image; an index beyond the last raises EInvalidOperation
    // ("Invalid ImageList Index").
    void Delete(int Index);
    void Clear() { Delete(-1); }

    // Image Index at (X, Y) in the list's drawing style; disabled images are embossed: their
    // opaque pixels that are not white in the highlight colour one pixel down and right, then in
    // the shadow colour. An index out of range draws nothing.
    void Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled = true);
    // Image Index drawn onto Image, sized Width x Height first.
    void GetBitmap(int Index, TBitmap* Image);

    void RegisterChanges(TChangeLink* Value);
    void UnRegisterChanges(TChangeLink* Value);
    // Changes inside the bracket are told once, at its end.
    void BeginUpdate();
    void EndUpdate();
    TNotifyEvent OnChange;

protected:
    // Tells every registered link, then OnChange.
    virtual void Change();

private:
    struct Picture {
        std::vector<COLORREF> pixels; // Width x Height, rows top-down
        std::vector<std::uint8_t> transparent; // 1 for a transparent pixel
    };
    Picture Slice(TBitmap* image, TBitmap* mask, int left, bool colorMask, COLORREF maskColor) const;
    void CheckSize(TBitmap* bitmap) const;
    void DrawImage(HDC dc, int x, int y, const Picture& image, bool enabled);

    int width_ = 16;
    int height_ = 16;
    TColor bkColor_ = clNone;
    TDrawingStyle drawingStyle_ = dsNormal;
    TImageType imageType_ = itImage;
    bool masked_ = true;
    std::vector<Picture> images_;
    std::vector<TChangeLink*> links_;
    int updateCount_ = 0;
    bool changed_ = false;
};

class TImageList : public TCustomImageList {
public:
    using TCustomImageList::TCustomImageList;
};
