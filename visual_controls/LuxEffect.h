// What a control does to its picture before showing it: TLuxAlphaObject blends it with a fill (a
// brush, a bitmap, a bitmap from an image list or a gradient) at a given strength;
// TLuxBitmapEffectObject adds mirrors, grey scale, inversion and brightness, and can keep the result
// in a buffer until a setting changes.
#pragma once

#include "visual_controls/LuxFill.h"

#include <cstdint>
#include <string>

class TLuxChangeLink;
class TLuxCustomImageList;

class TLuxAlphaObject : public TLuxObject {
public:
    TLuxAlphaObject();
    ~TLuxAlphaObject() override;
    TLuxAlphaObject(const TLuxAlphaObject&) = delete;
    TLuxAlphaObject& operator=(const TLuxAlphaObject&) = delete;

    // From another alpha object: its fill, strength, indexes and image list (followed from then on).
    void Assign(const TPersistent* Source) override;
    // The image list of LuxContainer goes as the ident "Internal".
    void DefineProperties(TFiler* Filer) override;
    std::string GetSetStr() override;

    TLuxCustomImageList* ImageList() const { return imageList_; }
    // Follows the new list's changes instead of the old one's; the list bitmap is fetched again.
    void SetImageList(TLuxCustomImageList* List);
    int ImageIndex() const { return imageIndex_; }
    int ListIndex() const { return listIndex_; }
    // Index 0 ImageIndex, 1 ListIndex; the list bitmap is fetched again.
    void SetInteger(int Index, int Value);
    // The weight of the picture against the fill: 1 the picture alone, 0 the fill alone.
    float Strength() const { return strength_; }
    // Kept within 0..1: a weight outside it would carry the channels past 8 bits.
    void SetSingle(float Value);
    TLuxFillObject* FillObject() const { return fillObject_; }
    void SetFillObject(const TLuxFillObject* Value) { fillObject_->Assign(Value); }

    // No list, or the list has no image (ListIndex, ImageIndex).
    bool IMLEmpty() const;
    // The list or the indexes changed: the fill's list bitmap takes the image (or is emptied).
    void GetIMLChange(TObject* Sender);
    // Blending would change the picture.
    bool Enabled() const;
    HPALETTE GetPalette() const;
    // The stored rule of ImageList: a list that LuxContainer does not own.
    bool HasControl() const;
    // The list is one of LuxContainer's, streamed as "Internal".
    bool CheckCont() const;

    // Blends the whole bitmap with the fill at Strength, leaving it 24-bit; nothing while the fill
    // style is sfNone.
    void AlphaBlend(TBitmap* Bitmap);
    // AlphaBlend on a copy of SourceRect of Bitmap, whose CopyRect then goes to DestRect of Canvas.
    void ControlBlend(TBitmap* Bitmap, const TRect& SourceRect, const TRect& CopyRect, TCanvas* Canvas,
                      const TRect& DestRect);

private:
    // The list while it lives: a list being freed lets its change links go first.
    TLuxCustomImageList* LiveList() const;

    TLuxCustomImageList* imageList_ = nullptr;
    float strength_ = 0.6f;
    int imageIndex_ = 0;
    int listIndex_ = 0;
    TLuxFillObject* fillObject_;
    TLuxChangeLink* changeLink_;
};

using TLuxBrightness = std::int16_t; // -255..255

class TLuxBitmapEffectObject : public TLuxObject {
public:
    TLuxBitmapEffectObject();
    ~TLuxBitmapEffectObject() override;
    TLuxBitmapEffectObject(const TLuxBitmapEffectObject&) = delete;
    TLuxBitmapEffectObject& operator=(const TLuxBitmapEffectObject&) = delete;

    // From another effect object: all but MakeMonochrome.
    void Assign(const TPersistent* Source) override;
    // Tells the owner, then drops the buffered result.
    void GetChange(TObject* Sender) override;
    std::string GetSetStr() override;

    TLuxAlphaObject* AlphaBlend() const { return alphaBlend_; }
    void SetAlphaObject(const TLuxAlphaObject* Value) { alphaBlend_->Assign(Value); }
    bool FlipVertical() const { return flipVertical_; }
    bool FlipHorizontal() const { return flipHorizontal_; }
    bool GrayScale() const { return grayScale_; }
    bool Invert() const { return invert_; }
    bool Buffered() const { return buffered_; }
    bool MakeMonochrome() const { return makeMonochrome_; }
    // Index 0 FlipVertical, 1 FlipHorizontal, 2 GrayScale, 3 Invert, 4 Buffered (the buffer exists
    // exactly while it is on), 5 MakeMonochrome.
    void SetBoolean(int Index, bool Value);
    TLuxBrightness Brightness() const { return brightness_; }
    // Kept within -255..255.
    void SetBrightness(int Value);

    // Some effect changes the picture (MakeMonochrome and Buffered do not count).
    bool Enabled() const;
    // The buffered result no longer holds; the buffer bitmap stays.
    void DestroyBuffer() { bufferValid_ = false; }
    bool BufferValid() const { return bufferValid_; }
    // The drawing operations' last step: while Buffered and not yet valid, the buffer takes the
    // size and the pixels of Target and becomes valid.
    void StoreBuffer(TBitmap* Target);
    // Exists while Buffered.
    TBitmap* Buffer() const { return buffer_; }

    // The drawing operations. A valid buffer of the target's size is drawn instead of working the
    // effects out again (one of another size is dropped); afterwards the buffer keeps the target.
    // A target in another format is made 24-bit before the effects touch its pixels, and
    // MakeMonochrome (Draw only) comes last.
    //
    // All effects on Bitmap in place: the pixel effects, the alpha blend, then MakeMonochrome.
    void Draw(TBitmap* Bitmap);
    // Src's whole area copied into Dst's top-left corner, then Draw(Dst).
    void DrawCopy(TBitmap* Src, TBitmap* Dst);
    // R of Src copied into Dst's top-left corner, then Draw(Dst).
    void DrawCopyFromRect(TBitmap* Src, const TRect& R, TBitmap* Dst);
    // R of Src copied to P in Dst, and the pixel effects (no alpha blend, no monochrome) on that area.
    void DrawCopyRect(TBitmap* Src, const TRect& R, TBitmap* Dst, const TPoint& P);
    // Dst shows R of Src (stretched over Dst's clip rectangle), with the effects inside Cut only.
    void DrawCutRect(TBitmap* Src, const TRect& R, TBitmap* Dst, const TRect& Cut);
    // R of Src copied into Dst's top-left corner, and the effects (no monochrome) on Dst's area Cut;
    // the fill of the alpha blend is laid out over R's size.
    void DrawCutRect2(TBitmap* Src, const TRect& R, TBitmap* Dst, const TRect& Cut);

private:
    // The buffer shortcut: true when the buffer was drawn onto Target.
    bool DrawBuffer(TBitmap* Target);
    // Mirrors, grey scale, inversion and brightness in place on Area of Bitmap (made 24-bit for
    // them); with Monochrome the bitmap turns 1-bit before the brightness.
    void PixelEffects(TBitmap* Bitmap, const TRect& Area, bool Monochrome);

    TLuxAlphaObject* alphaBlend_;
    bool bufferValid_ = false;
    bool invert_ = false;
    bool buffered_ = false;
    bool grayScale_ = false;
    bool flipVertical_ = false;
    bool makeMonochrome_ = false;
    bool flipHorizontal_ = false;
    TBitmap* buffer_ = nullptr;
    TLuxBrightness brightness_ = 0;
};
