// The library's data containers: lists of bitmaps, image strips, wave sounds, string lists and
// binary data, each list a non-visual component whose items are components it owns. A list streams
// its items in form data (each under the binary property "Internal"), loads and saves a list file
// of its own, and can fetch bitmap items lazily from a list file, the program's bitmap resources or
// numbered bitmap files. Four lists are also image lists of the library (TLuxCustomImageList), from
// which controls draw glyphs by a list index and an image index.
//
// List file: a 9-byte signature (length byte 8 and "LUXBML30" ...), Int32 Count, Count Int32
// absolute offsets of the item records, then the records. Without offsets (streams, form data) the
// list is Int32 Count and the records. Item record: a flag byte (bit 0 compressed, bit 1
// Description, bit 2 Ident, bit 3 data, bits 4-6 pixel format mono, 4-bit, 8-bit), the short-string
// Description if bit 1, Int32 Ident if bit 2, then the item's data.
//
// Every reader checks what it reads before anything changes: bad data raises EReadError and leaves
// the list or item as it was.
#pragma once

#include "platform/gdi/Types.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Collection.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/PersistentStrings.h"
#include "platform/ui/TypInfo.h"
#include "visual_controls/Luxbase.h"
#include "visual_controls/Luxgraph.h"
#include "visual_controls/Luxprocs.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TLuxWave;
class TFiler;

enum TLuxListItemClassType { icImageList, icBitmap, icWave, icStringList, icGeneric, icRTF, icInvalid };
enum TLuxContainerSource { sdComponent, sdFile, sdAppResource, sdLibResource, sdPath };

// List file suffix, item file suffix and list file signature per type.
inline constexpr const char* LuxICEXTENSION[7] = {"iml", "bml", "wvl", "sll", "gll", "rtl", ""};
inline constexpr const char* LuxICITEMEXTENSION[7] = {"iml", "bmp", "wav", "txt", "*", "rtf", ""};
inline constexpr const char* LuxICSIGNATURE[6] = {"LUXIML30", "LUXBML30", "LUXWVL30",
                                                  "LUXSLL30", "LUXGLL50", "LUXRTL50"};

// The suffix, with a "." in front of a non-empty one when WithDot.
std::string LuxICGetSuffix(TLuxListItemClassType Type, bool WithDot);
std::string LuxICGetItemSuffix(TLuxListItemClassType Type, bool WithDot);

// The binary property every list item streams its record under.
inline constexpr const char* IDS_INTERNAL = "Internal";

class TLuxBaseContainer;
class TLuxCustomContainer;

// Tells its owner of every change of the container it is registered with.
class TLuxChangeLink : public TObject {
public:
    TLuxChangeLink() = default;
    // Unregisters itself from its Sender.
    ~TLuxChangeLink() override;
    TLuxChangeLink(const TLuxChangeLink&) = delete;
    TLuxChangeLink& operator=(const TLuxChangeLink&) = delete;

    virtual void Change();

    TLuxBaseContainer* Sender = nullptr; // set while registered
    TNotifyEvent OnChange;
};

class TLuxBaseContainer : public TLuxCustomComponent {
public:
    using TLuxCustomComponent::TLuxCustomComponent;
    // Unregisters every link, last first.
    ~TLuxBaseContainer() override;

    // Every registered link hears it, also inside an update bracket; then OnChange unless updating.
    void Change() override;
    void RegisterChanges(TLuxChangeLink* Link);
    void UnRegisterChanges(TLuxChangeLink* Link);

private:
    std::vector<TLuxChangeLink*> links_;
};

// --- List items ------------------------------------------------------------------------------------

inline constexpr std::uint8_t LuxFlagCompressed = 0x01;
inline constexpr std::uint8_t LuxFlagDescription = 0x02;
inline constexpr std::uint8_t LuxFlagIdent = 0x04;
inline constexpr std::uint8_t LuxFlagData = 0x08;

// The header of an item record as read, before an item takes it.
struct TLuxItemHeader {
    std::uint8_t Flag = 0;
    std::string Description;
    std::uint16_t Ident = 0;
    bool Compressed() const { return (Flag & LuxFlagCompressed) != 0; }
    bool HasData() const { return (Flag & LuxFlagData) != 0; }
    // The lowest of bits 4, 5, 6; spfDefault for none.
    TLuxSavePixelFormat PixelFormat() const;
};

class TLuxListItem : public TLuxCustomComponent {
public:
    explicit TLuxListItem(TComponent* AOwner) : TLuxCustomComponent(AOwner) {}
    // Leaves the container's list.
    ~TLuxListItem() override;

    const std::string& Description() const { return description_; }
    void SetDescription(const std::string& Value);
    std::uint16_t Ident() const { return ident_; }
    void SetIdent(std::uint16_t Value);
    bool Compressed() const { return compressed_; }
    void SetCompressed(bool Value);

    virtual void FreeData() {}
    virtual bool GetEmpty() { return false; }
    // The whole item record.
    virtual void ReadData(TStream* Stream);
    virtual void WriteData(TStream* Stream);
    // Compressed, Description, Ident and (unless empty) data bits.
    virtual std::uint8_t WriteFlag();

    void Change() override;
    void ReadState(TReader* Reader) override;
    void DefineProperties(TFiler* Filer) override;

    // The place in the container; -1 outside one.
    int GetIndex() const;
    // The container the item is listed in.
    TLuxCustomContainer* Container() const { return container_; }
    void AssignStd(const TLuxListItem* Source);
    static TLuxItemHeader ReadStd(TStream* Stream);
    void WriteStd(TStream* Stream);
    void LoadFromStream(TStream* Stream) { ReadData(Stream); }
    void SaveToStream(TStream* Stream) { WriteData(Stream); }

protected:
    // Takes a header read by ReadStd (no notification).
    void TakeStd(const TLuxItemHeader& Header);

    std::string description_;
    std::uint16_t ident_ = 0;
    bool compressed_ = false;

private:
    friend class TLuxCustomContainer;
    TLuxCustomContainer* container_ = nullptr;
};

class TLuxBitmapListItem : public TLuxListItem {
public:
    explicit TLuxBitmapListItem(TComponent* AOwner);
    ~TLuxBitmapListItem() override;

    // Fetches an empty bitmap of a container by its Source first (not while designing or loading).
    TBitmap* Bitmap();
    // The bitmap as it is, never fetched.
    TBitmap* PeekBitmap() const { return bitmap_.get(); }
    void SetBitmap(TBitmap* Value);
    TLuxSavePixelFormat PixelFormat() const { return pixelFormat_; }
    void SetPixelFormat(TLuxSavePixelFormat Value);

    void FreeData() override;
    bool GetEmpty() override { return bitmap_->Empty(); }
    void ReadData(TStream* Stream) override;
    void WriteData(TStream* Stream) override;
    std::uint8_t WriteFlag() override;
    void Assign(const TPersistent* Source) override;

private:
    void Fetch();
    std::unique_ptr<TBitmap> bitmap_;
    TLuxSavePixelFormat pixelFormat_ = spfDefault;
    bool fetching_ = false;
};

// A strip of images of one size side by side (image i at x = i * Width), with a monochrome mask
// strip while Masked; the strip grows by AllocBy images at a time and never beyond 32768 pixels.
class TLuxImageListItem : public TLuxListItem {
public:
    explicit TLuxImageListItem(TComponent* AOwner);
    // A detached item of that size; a width or height below 1 raises "Invalid image size".
    static std::unique_ptr<TLuxImageListItem> CreateSize(int AWidth, int AHeight);
    ~TLuxImageListItem() override;

    int AllocBy() const { return allocBy_; }
    void SetAllocBy(int Value) { allocBy_ = Value; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // A new positive size clears the images and notifies; other values are ignored.
    void SetWidth(int Value);
    void SetHeight(int Value);
    bool Masked() const { return masked_; }
    void SetMasked(bool Value);
    TLuxSavePixelFormat PixelFormat() const { return pixelFormat_; }
    void SetPixelFormat(TLuxSavePixelFormat Value) { pixelFormat_ = Value; }
    TColor BkColor = clNone;
    TColor BlendColor = clNone;
    TDrawingStyle DrawingStyle = dsNormal;
    TImageType ImageType = itImage;
    bool ShareImages = false;

    int GetCount() const { return static_cast<int>(info_.size()); }
    // The used width of the strip in pixels.
    int UsedWidth() const { return usedWidth_; }
    // The new image's index; without an image the slot is only made room for.
    int Add(TBitmap* Image, TBitmap* Mask);
    int AddMasked(TBitmap* Image, TColor TransparentColor);
    void Insert(int Index, TBitmap* Image, TBitmap* Mask);
    void InsertMasked(int Index, TBitmap* Image, TColor TransparentColor);
    void Replace(int Index, TBitmap* Image, TBitmap* Mask);
    void ReplaceMasked(int Index, TBitmap* Image, TColor TransparentColor);
    void Delete(int Index);
    void Move(int CurIndex, int NewIndex);
    // No images, strips 0 wide and Height high, without notification.
    void Clear();
    void AddImages(TLuxImageListItem* Other);
    void InsertImages(int Index, TLuxImageListItem* Other);
    // Image (or its mask) Index into Bitmap, Width x Height.
    void GetBitmap(int Index, TBitmap* Bitmap);
    void GetMaskBitmap(int Index, TBitmap* Bitmap);
    TRect GetImageRect(int Index) const;
    TBitmap* GetImageBitmap() const { return image_.get(); }
    TBitmap* GetImageMaskBitmap() const { return mask_.get(); }
    // The info entry of image Index: x offset in bits 0-15, masked flag in bits 16-23.
    std::uint32_t Info(int Index) const { return info_.at(static_cast<std::size_t>(Index)); }
    TColor TransparentColor(int Index);
    TColor GetColorAtPoint(const TPoint& P, int Index);
    void Draw(TCanvas* Canvas, int X, int Y, int Index);
    TRect DrawExt(TCanvas* Canvas, const TRect& Rect, WORD Flags, int Index);
    void ClipDraw(TCanvas* Canvas, const TRect& Rect, WORD Flags, int Offset, TColor Color, int Index);
    // The bitmap cut into Count images (masked by its transparent colour when Masked).
    void ConvertBmpToIML(TBitmap* Bitmap, int Count, bool Masked);
    bool LoadFromBitmap(const std::string& FileName, int Count, bool Masked);
    // A list file of one image item.
    void LoadFromFile(const std::string& FileName);
    void SaveToFile(const std::string& FileName);
    // The blend colour over every other pixel (Checkered) or over the pixels with an even x or y.
    void CreatePattern(TBitmap* Bitmap, bool Checkered);

    void FreeData() override { Clear(); }
    bool GetEmpty() override { return info_.empty(); }
    void ReadData(TStream* Stream) override;
    void WriteData(TStream* Stream) override;
    std::uint8_t WriteFlag() override;
    void Assign(const TPersistent* Source) override;
    void DefineProperties(TFiler* Filer) override;

private:
    struct Strips;
    bool CheckImage(TBitmap* Bitmap) const;
    void MakeRoom();
    void GrowStrips(int NewWidth);
    void Renumber();
    void PutSlot(int Index, TBitmap* Image, TBitmap* Mask);
    void MaskedCopy(TCanvas* Canvas, int X, int Y, int Index);
    // The image data from the Int32 image count on; the strips are checked before the item takes them.
    void ReadImages(TStream* Stream, bool Compressed, int NewHeight, int NewWidth, bool NewMasked);
    void WriteImages(TStream* Stream);

    int allocBy_ = 4;
    int height_ = 16;
    int usedWidth_ = 0;
    int width_ = 16;
    TLuxSavePixelFormat pixelFormat_ = spfDefault;
    std::unique_ptr<TBitmap> image_;
    std::unique_ptr<TBitmap> mask_;
    std::vector<std::uint32_t> info_;
    bool masked_ = false;
};

class TLuxStringListItem : public TLuxListItem {
public:
    explicit TLuxStringListItem(TComponent* AOwner);
    ~TLuxStringListItem() override;
    TStringList* Items() const { return items_.get(); }
    void SetItems(const TStringList* Value);
    // The lines as the published Items.
    TPersistentStrings* PublishedItems() { return &publishedItems_; }

    void FreeData() override;
    bool GetEmpty() override { return items_->Count() == 0; }
    void ReadData(TStream* Stream) override;
    void WriteData(TStream* Stream) override;
    void Assign(const TPersistent* Source) override;

private:
    std::unique_ptr<TStringList> items_;
    TPersistentStrings publishedItems_{items_.get()};
};

class TLuxGenericListItem : public TLuxListItem {
public:
    explicit TLuxGenericListItem(TComponent* AOwner);
    ~TLuxGenericListItem() override;
    TMemoryStream* Data() const { return data_.get(); }
    // The name, without directory, of the file the data came from.
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& Value) { fileName_ = Value; }

    // An existing file's bytes; a missing or empty name empties the item.
    void LoadFromFile(const std::string& FileName);
    void SaveToFile(const std::string& FileName);
    // The raw data (not the item record).
    void LoadFromStream(TStream* Stream);
    void SaveToStream(TStream* Stream);
    // Saves a non-empty item to a new temporary file and answers its name there.
    void SaveToTempFile(std::string& FileName);

    void FreeData() override;
    bool GetEmpty() override { return data_->Size() == 0; }
    void ReadData(TStream* Stream) override;
    void WriteData(TStream* Stream) override;
    void Assign(const TPersistent* Source) override;

private:
    std::unique_ptr<TMemoryStream> data_;
    std::string fileName_;
};

class TLuxWaveListItem : public TLuxListItem {
public:
    explicit TLuxWaveListItem(TComponent* AOwner);
    ~TLuxWaveListItem() override;
    TLuxWave* Wave() const { return wave_.get(); }
    void SetWave(const TLuxWave* Value);

    void FreeData() override;
    bool GetEmpty() override;
    void ReadData(TStream* Stream) override;
    void WriteData(TStream* Stream) override;
    void Assign(const TPersistent* Source) override;

private:
    std::unique_ptr<TLuxWave> wave_;
};

// --- Containers -----------------------------------------------------------------------------------

using TLuxListItemClass = std::function<TLuxListItem*(TComponent* Owner)>;

class TLuxCustomContainer : public TLuxBaseContainer {
public:
    TLuxCustomContainer(TComponent* AOwner, TLuxListItemClass ItemClass, TLuxListItemClassType ListType);
    // Frees the items.
    ~TLuxCustomContainer() override;

    virtual int GetCount() const { return static_cast<int>(items_.size()); }
    virtual bool GetEmpty() const { return items_.empty(); }
    // EListError "List index out of bounds (n)" for a bad index.
    virtual TLuxListItem* GetItem(int Index) const;
    virtual void ReadData(TStream* Stream, bool WithOffsets);
    virtual void WriteData(TStream* Stream, bool WithOffsets);

    void Assign(const TPersistent* Source) override;
    void GetChildren(TGetChildProc Proc, TComponent* Root) override;
    TComponent* GetChildOwner() override { return this; }

    // A nil Item makes a new item of the list's class; the item belongs to the container.
    int Add(TLuxListItem* Item);
    void Insert(int Index, TLuxListItem* Item);
    void Delete(int Index);
    void Clear();
    void Move(int CurIndex, int NewIndex);
    int IndexOf(const TLuxListItem* Item) const;
    // A copy of every item of Other, appended.
    void AddList(TLuxCustomContainer* Other);
    // The first item whose Description is Name (case-sensitive), or nil.
    TLuxListItem* GetItemByName(const std::string& Name) const;
    // Int32 Count and the records.
    void LoadFromStream(TStream* Stream) { ReadData(Stream, false); }
    void SaveToStream(TStream* Stream) { WriteData(Stream, false); }
    // The list file: signature, Count, offsets and records. A file of another type raises
    // Exception "Cannot open file %s: <class name>".
    void LoadFromFile(const std::string& FileName);
    void SaveToFile(const std::string& FileName);
    // OnChange with the item as Sender, past the update flag and the links.
    void Update(TLuxListItem* Item);
    // A new item of the list's class, owned by Owner.
    TLuxListItem* NewItem(TComponent* Owner) const { return itemClass_(Owner); }

    bool DefaultCompressed() const { return defaultCompressed_; }
    void SetDefaultCompressed(bool Value) { defaultCompressed_ = Value; }
    TLuxContainerSource Source() const { return source_; }
    // A new source frees every item's data (fetched again on demand), unless loading.
    void SetSource(TLuxContainerSource Value);
    TLuxPathPrefix Prefix() const { return prefix_; }
    void SetPrefix(TLuxPathPrefix Value);
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& Value) { fileName_ = Value; }
    TLuxListItemClassType ListType() const { return listType_; }

protected:
    bool defaultCompressed_ = false;

private:
    friend class TLuxListItem;
    void Unlist(TLuxListItem* Item);
    std::vector<TLuxListItem*> items_;
    TLuxPathPrefix prefix_ = ppProgram;
    TLuxContainerSource source_ = sdComponent;
    std::string fileName_;
    TLuxListItemClass itemClass_;
    TLuxListItemClassType listType_;
};

// The library's image list: glyphs by a list index L and an image index I. The operations raise
// EAbstractError here; the lists below give them their meaning.
class TLuxCustomImageList : public TLuxCustomContainer {
public:
    using TLuxCustomContainer::TLuxCustomContainer;

    int Index() const { return index_; }
    // The current item; a Value not below the count raises EInvalidGraphicOperation
    // "List index out of bounds (n)".
    void SetIndex(int Value);
    TLuxSavePixelFormat DefaultPixelFormat() const { return defaultPixelFormat_; }
    void SetDefaultPixelFormat(TLuxSavePixelFormat Value) { defaultPixelFormat_ = Value; }
    void Assign(const TPersistent* Source) override;

    virtual TCanvas* BmpCanvas(int ListIndex);
    virtual TRect ItemRect(int ListIndex, int ImageIndex);
    // Which 0 the width, 1 the height, other values 0.
    virtual int Dimensions(int ListIndex, BYTE Which);
    virtual int ItemCount(int ListIndex);
    virtual bool IsValidItem(int ListIndex, int ImageIndex);
    virtual void GetBitmapItem(int ListIndex, int ImageIndex, TBitmap* Bitmap);
    virtual bool Masked(int ListIndex);
    virtual HPALETTE Palette(int ListIndex);
    virtual TColor TransparentColor(int ListIndex, int ImageIndex);
    virtual TColor GetColorAtPoint(const TPoint& P, int ListIndex, int ImageIndex);
    virtual void Draw(TCanvas* Canvas, int X, int Y, int ListIndex, int ImageIndex);
    // Answers the rectangle drawn.
    virtual TRect DrawExt(TCanvas* Canvas, const TRect& Rect, WORD Flags, int ListIndex, int ImageIndex);
    virtual void ClipDraw(TCanvas* Canvas, const TRect& Rect, WORD Flags, int Offset, TColor Color,
                          int ListIndex, int ImageIndex);

protected:
    int index_ = 0;
    TLuxSavePixelFormat defaultPixelFormat_ = spfDefault;
};

// One bitmap per list index (the image index is ignored).
class TLuxBitmapList : public TLuxCustomImageList {
public:
    explicit TLuxBitmapList(TComponent* AOwner);
    TLuxBitmapListItem* Items(int Index) const { return static_cast<TLuxBitmapListItem*>(GetItem(Index)); }
    TLuxBitmapListItem* ItemByName(const std::string& Name) const {
        return static_cast<TLuxBitmapListItem*>(GetItemByName(Name));
    }
    // The bitmap of item Index.
    TBitmap* GetBitmap() const { return Items(index_)->Bitmap(); }

    TCanvas* BmpCanvas(int ListIndex) override;
    TRect ItemRect(int ListIndex, int ImageIndex) override;
    int Dimensions(int ListIndex, BYTE Which) override;
    int ItemCount(int ListIndex) override;
    bool IsValidItem(int ListIndex, int ImageIndex) override;
    void GetBitmapItem(int ListIndex, int ImageIndex, TBitmap* Bitmap) override;
    bool Masked(int ListIndex) override;
    HPALETTE Palette(int ListIndex) override;
    TColor TransparentColor(int ListIndex, int ImageIndex) override;
    TColor GetColorAtPoint(const TPoint& P, int ListIndex, int ImageIndex) override;
    void Draw(TCanvas* Canvas, int X, int Y, int ListIndex, int ImageIndex) override;
    TRect DrawExt(TCanvas* Canvas, const TRect& Rect, WORD Flags, int ListIndex, int ImageIndex) override;
    void ClipDraw(TCanvas* Canvas, const TRect& Rect, WORD Flags, int Offset, TColor Color, int ListIndex,
                  int ImageIndex) override;

private:
    // Item L, nil when out of range.
    TLuxBitmapListItem* At(int ListIndex) const;
};

// One image strip per list index.
class TLuxImageList : public TLuxCustomImageList {
public:
    explicit TLuxImageList(TComponent* AOwner);
    TLuxImageListItem* Items(int Index) const { return static_cast<TLuxImageListItem*>(GetItem(Index)); }
    TLuxImageListItem* ItemByName(const std::string& Name) const {
        return static_cast<TLuxImageListItem*>(GetItemByName(Name));
    }
    TLuxImageListItem* GetList() const { return Items(index_); }
    void Assign(const TPersistent* Source) override;

    TCanvas* BmpCanvas(int ListIndex) override;
    TRect ItemRect(int ListIndex, int ImageIndex) override;
    int Dimensions(int ListIndex, BYTE Which) override;
    int ItemCount(int ListIndex) override;
    bool IsValidItem(int ListIndex, int ImageIndex) override;
    void GetBitmapItem(int ListIndex, int ImageIndex, TBitmap* Bitmap) override;
    bool Masked(int ListIndex) override;
    HPALETTE Palette(int ListIndex) override;
    TColor TransparentColor(int ListIndex, int ImageIndex) override;
    TColor GetColorAtPoint(const TPoint& P, int ListIndex, int ImageIndex) override;
    void Draw(TCanvas* Canvas, int X, int Y, int ListIndex, int ImageIndex) override;
    TRect DrawExt(TCanvas* Canvas, const TRect& Rect, WORD Flags, int ListIndex, int ImageIndex) override;
    void ClipDraw(TCanvas* Canvas, const TRect& Rect, WORD Flags, int Offset, TColor Color, int ListIndex,
                  int ImageIndex) override;

private:
    TLuxImageListItem* At(int ListIndex) const;
};

class TLuxStringList : public TLuxCustomContainer {
public:
    explicit TLuxStringList(TComponent* AOwner);
    TLuxStringListItem* Items(int Index) const { return static_cast<TLuxStringListItem*>(GetItem(Index)); }
    TLuxStringListItem* ItemByName(const std::string& Name) const {
        return static_cast<TLuxStringListItem*>(GetItemByName(Name));
    }
};

class TLuxGenericList : public TLuxCustomContainer {
public:
    explicit TLuxGenericList(TComponent* AOwner);
    TLuxGenericListItem* Items(int Index) const { return static_cast<TLuxGenericListItem*>(GetItem(Index)); }
    TLuxGenericListItem* ItemByName(const std::string& Name) const {
        return static_cast<TLuxGenericListItem*>(GetItemByName(Name));
    }
};

class TLuxWaveList : public TLuxCustomContainer {
public:
    explicit TLuxWaveList(TComponent* AOwner);
    TLuxWaveListItem* Items(int Index) const { return static_cast<TLuxWaveListItem*>(GetItem(Index)); }
    TLuxWaveListItem* ItemByName(const std::string& Name) const {
        return static_cast<TLuxWaveListItem*>(GetItemByName(Name));
    }
};

// --- Image lists over the class library's lists and pictures -------------------------------------

class TLuxImageListConnector;

class TLuxBorImageListItem : public TCollectionItem {
public:
    explicit TLuxBorImageListItem(TCollection* Collection);
    ~TLuxBorImageListItem() override;
    TCustomImageList* ImageList() const { return imageList_; }
    void SetImageList(TCustomImageList* Value);
    const std::string& Name() const { return name_; }
    void SetName(const std::string& Value);
    void Assign(const TPersistent* Source) override;

protected:
    std::string GetDisplayName() const override;

private:
    void ListChanged(TObject* Sender);
    TLuxImageListConnector* Connector() const;
    TCustomImageList* imageList_ = nullptr;
    std::unique_ptr<TChangeLink> link_;
    std::string name_;
};

class TLuxBorImageListItems : public TCollection {
public:
    explicit TLuxBorImageListItems(TLuxImageListConnector* Owner);
    TLuxBorImageListItem* Items(int Index) const {
        return static_cast<TLuxBorImageListItem*>(TCollection::Items(Index));
    }
};

// List index L is entry L of ImageLists, image index I the image of its class-library list.
class TLuxImageListConnector : public TLuxCustomImageList {
public:
    explicit TLuxImageListConnector(TComponent* AOwner);
    ~TLuxImageListConnector() override;
    TLuxBorImageListItems* ImageLists() const { return imageLists_.get(); }
    void SetImageLists(const TLuxBorImageListItems* Value) { imageLists_->Assign(Value); }

    int GetCount() const override { return imageLists_->Count(); }
    bool GetEmpty() const override { return imageLists_->Count() == 0; }
    // The one shared item, its Description the entry's Name.
    TLuxListItem* GetItem(int Index) const override;

    TCanvas* BmpCanvas(int ListIndex) override;
    TRect ItemRect(int ListIndex, int ImageIndex) override;
    int Dimensions(int ListIndex, BYTE Which) override;
    int ItemCount(int ListIndex) override;
    bool IsValidItem(int ListIndex, int ImageIndex) override;
    void GetBitmapItem(int ListIndex, int ImageIndex, TBitmap* Bitmap) override;
    bool Masked(int ListIndex) override;
    HPALETTE Palette(int ListIndex) override;
    TColor TransparentColor(int ListIndex, int ImageIndex) override;
    TColor GetColorAtPoint(const TPoint& P, int ListIndex, int ImageIndex) override;
    void Draw(TCanvas* Canvas, int X, int Y, int ListIndex, int ImageIndex) override;
    TRect DrawExt(TCanvas* Canvas, const TRect& Rect, WORD Flags, int ListIndex, int ImageIndex) override;
    void ClipDraw(TCanvas* Canvas, const TRect& Rect, WORD Flags, int Offset, TColor Color, int ListIndex,
                  int ImageIndex) override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TCustomImageList* ListAt(int ListIndex) const;
    // Image I of list L on a bitmap of the list's size; false when there is none.
    bool Copy(int ListIndex, int ImageIndex, TBitmap& Bitmap);
    std::unique_ptr<TLuxBorImageListItems> imageLists_;
    std::unique_ptr<TLuxListItem> shared_;
};

class TLuxGraphicList;

class TLuxGraphicListItem : public TCollectionItem {
public:
    explicit TLuxGraphicListItem(TCollection* Collection);
    ~TLuxGraphicListItem() override;
    TPicture* Picture() const { return picture_.get(); }
    void SetPicture(const TPicture* Value) { picture_->Assign(Value); }
    const std::string& Name() const { return name_; }
    void SetName(const std::string& Value);
    void Assign(const TPersistent* Source) override;

protected:
    std::string GetDisplayName() const override;

private:
    void PictureChanged(TObject* Sender);
    std::unique_ptr<TPicture> picture_;
    std::string name_;
};

class TLuxGraphicListItems : public TCollection {
public:
    explicit TLuxGraphicListItems(TLuxGraphicList* Owner);
    TLuxGraphicListItem* Items(int Index) const {
        return static_cast<TLuxGraphicListItem*>(TCollection::Items(Index));
    }

protected:
    void Update(TCollectionItem* Item) override;
};

// One picture per list index (the image index is ignored).
class TLuxGraphicList : public TLuxCustomImageList {
public:
    explicit TLuxGraphicList(TComponent* AOwner);
    ~TLuxGraphicList() override;
    TLuxGraphicListItems* Graphics() const { return graphics_.get(); }
    void SetGraphics(const TLuxGraphicListItems* Value) { graphics_->Assign(Value); }

    int GetCount() const override { return graphics_->Count(); }
    bool GetEmpty() const override { return graphics_->Count() == 0; }
    TLuxListItem* GetItem(int Index) const override;

    TCanvas* BmpCanvas(int ListIndex) override;
    TRect ItemRect(int ListIndex, int ImageIndex) override;
    int Dimensions(int ListIndex, BYTE Which) override;
    int ItemCount(int ListIndex) override;
    bool IsValidItem(int ListIndex, int ImageIndex) override;
    void GetBitmapItem(int ListIndex, int ImageIndex, TBitmap* Bitmap) override;
    bool Masked(int ListIndex) override;
    HPALETTE Palette(int ListIndex) override;
    TColor TransparentColor(int ListIndex, int ImageIndex) override;
    TColor GetColorAtPoint(const TPoint& P, int ListIndex, int ImageIndex) override;
    void Draw(TCanvas* Canvas, int X, int Y, int ListIndex, int ImageIndex) override;
    TRect DrawExt(TCanvas* Canvas, const TRect& Rect, WORD Flags, int ListIndex, int ImageIndex) override;
    void ClipDraw(TCanvas* Canvas, const TRect& Rect, WORD Flags, int Offset, TColor Color, int ListIndex,
                  int ImageIndex) override;

private:
    // The graphic of entry L, nil when out of range or empty.
    TGraphic* GraphicAt(int ListIndex) const;
    bool Copy(int ListIndex, TBitmap& Bitmap);
    std::unique_ptr<TLuxGraphicListItems> graphics_;
    std::unique_ptr<TLuxListItem> shared_;
};

// --- The container --------------------------------------------------------------------------------

// A bitmap, an image, a wave and a string list under one component.
class TLuxContainer : public TLuxBaseContainer {
public:
    explicit TLuxContainer(TComponent* AOwner);
    ~TLuxContainer() override;
    TLuxBitmapList* BitmapList() const { return bitmapList_; }
    TLuxImageList* ImageList() const { return imageList_; }
    TLuxWaveList* WaveList() const { return waveList_; }
    TLuxStringList* StringList() const { return stringList_; }
    void SetBitmapList(const TLuxBitmapList* Value) { bitmapList_->Assign(Value); }
    void SetImageList(const TLuxImageList* Value) { imageList_->Assign(Value); }
    void SetWaveList(const TLuxWaveList* Value) { waveList_->Assign(Value); }
    void SetStringList(const TLuxStringList* Value) { stringList_->Assign(Value); }
    // A list changed: at design time, a container other than LuxContainer copies it there.
    void GetChange(TObject* Sender) override;

private:
    TLuxBitmapList* bitmapList_;
    TLuxImageList* imageList_;
    TLuxWaveList* waveList_;
    TLuxStringList* stringList_;
};

// Streams the global container's lists in form data ("BitmapList", "ImageList", "WaveList",
// "StringList"): at run time it fills LuxContainer, at design time a private container.
class TLuxContainerCtrl : public TLuxCustomComponent {
public:
    explicit TLuxContainerCtrl(TComponent* AOwner);
    ~TLuxContainerCtrl() override;
    TLuxContainer* Container() const { return container_; }
    void DefineProperties(TFiler* Filer) override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TLuxCustomContainer* Selected() const;
    TLuxContainer* container_ = nullptr;
    bool own_ = false;
    BYTE selector_ = 0; // 0 none, 1..4 the list being streamed, 255 a rejected duplicate
};

// The global container, created empty by InitLuxcont.
extern TLuxContainer* LuxContainer;
// The unit's start-up and close-down, counted: the first creates LuxContainer, the last frees it.
void InitLuxcont();
void DoneLuxcont();

// --- Unit routines --------------------------------------------------------------------------------

// The list type of the file by its signature (icInvalid for none) and its Count (-1 until read);
// for a known type and a given List, List becomes the item offsets. A Count or offset outside the
// file raises EReadError.
TLuxListItemClassType LuxListGetFileType(const std::string& FileName, int& Count,
                                         std::vector<std::int32_t>* List);
// False without a List; else Item reads the record at List[Index].
bool LuxListGetItemFromStream(TStream* Stream, const std::vector<std::int32_t>* List, int Index,
                              TLuxListItem* Item);
// Record Index of a list file of the type into Item; a file of another type raises Exception
// "Cannot open file %s: <file name>". With List given its offsets are used.
bool LuxListGetItemFromFile(const std::string& FileName, TLuxListItemClassType Type,
                            const std::vector<std::int32_t>* List, TLuxListItem* Item, int Index);
void LuxBMLGetItem(const std::string& FileName, int Index, TBitmap* Bitmap);
void LuxIMLGetItem(const std::string& FileName, int Index, TLuxImageListItem* Item);
void LuxWVLGetItem(const std::string& FileName, int Index, TLuxWave* Wave);
// Bitmap Ident of the library module FileName; False when it cannot be loaded.
bool LuxBmpLoadFromFile(const std::string& FileName, int Ident, TBitmap* Bitmap);
// Loads nothing and answers False.
bool LuxBmpLoad(HMODULE Module, int Ident, TBitmap* Bitmap);

// One image per list index: a bitmap list or a graphic list.
bool LuxIsSingleItemImageList(const TLuxCustomImageList* List);
bool LuxIsCollectionImageList(const TLuxCustomImageList* List);
// "LUXBML30" for LuxContainer's bitmap list, "LUXIML30" for its image list, "" otherwise.
std::string LuxWriteGlobalIdent(const TLuxCustomImageList* List);
// The global list an ident names; nil for any other string.
TLuxCustomImageList* LuxReadGlobalIdent(const std::string& Ident);
bool LuxIsGlobalIdent(const TLuxCustomImageList* List);

// The published glyph source of a control class C: ImageList (stored unless one of LuxContainer's
// lists, which goes as the ident "Internal"), ImageIndex and ListIndex.
template <class C> std::vector<TPropInfo> LuxImageListProperties() {
    using namespace published;
    TPropInfo list = Property<C>(
        "ImageList", [](const C& c) { return c.ImageList(); },
        [](C& c, TLuxCustomImageList* v) { c.SetImageList(v); });
    list.Stored = [](const TObject* o) { return static_cast<const C*>(o)->HasControl(); };
    return {
        list,
        Property<C>(
            "ImageIndex", [](const C& c) { return c.ImageIndex(); }, [](C& c, int v) { c.SetIndex(0, v); },
            0),
        Property<C>(
            "ListIndex", [](const C& c) { return c.ListIndex(); }, [](C& c, int v) { c.SetIndex(1, v); }, 0)};
}
