#include "visual_controls/Luxcont.h"

#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "platform/ui/Filer.h"
#include "platform/ui/ResourceBitmaps.h"
#include "platform/ui/TypInfo.h"
#include "platform/winsock/Library.h"
#include "visual_controls/Luxbmpdraw.h"
#include "visual_controls/Luxclass.h"
#include "visual_controls/Luxstreamutils.h"
#include "visual_controls/Luxwave.h"
#include "visual_controls/luxsysin.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kMaxStripWidth = 32768;
constexpr TColor kWhite = static_cast<TColor>(0xFFFFFF);

bool Loading(const TComponent* c) {
    return c->ComponentState().Contains(TComponentStateItem::csLoading);
}

bool Designing(const TComponent* c) {
    return c->ComponentState().Contains(TComponentStateItem::csDesigning);
}

std::int64_t BytesLeft(TStream* stream) {
    return std::max<std::int64_t>(stream->Size() - stream->Position(), 0);
}

[[noreturn]] void ListIndexError(int index) {
    throw EListError(Format("List index out of bounds (%d)", {index}));
}

// The text keeps its own "%s": it is the format's first argument, not the format.
[[noreturn]] void CannotOpenFile(const std::string& what) {
    throw Exception(Format("%s: %s", {std::string("Cannot open file %s"), what}));
}

[[noreturn]] void InvalidImageSize() {
    throw EInvalidGraphicOperation("Invalid image size");
}

[[noreturn]] void TooManyImages() {
    throw EInvalidGraphicOperation("Too many images");
}

// The 9 signature bytes of a list type.
std::string Signature(TLuxListItemClassType type) {
    if (type >= icInvalid) return {};
    return std::string(1, '\x08') + LuxICSIGNATURE[type];
}

void WriteSignature(TStream* stream, TLuxListItemClassType type) {
    const std::string s = Signature(type);
    stream->WriteBuffer(s.data(), static_cast<std::int32_t>(s.size()));
}

// The type whose signature the stream starts with, or icInvalid (also for fewer than 9 bytes).
TLuxListItemClassType ReadSignature(TStream* stream) {
    char bytes[9];
    if (stream->Read(bytes, 9) != 9) return icInvalid;
    for (int t = icImageList; t < icInvalid; ++t) {
        const std::string s = Signature(static_cast<TLuxListItemClassType>(t));
        if (std::memcmp(bytes, s.data(), 9) == 0) return static_cast<TLuxListItemClassType>(t);
    }
    return icInvalid;
}

std::uint8_t PixelFormatBits(TLuxSavePixelFormat format) {
    switch (format) {
    case spfMono:
        return 0x10;
    case spf4bit:
        return 0x20;
    case spf8bit:
        return 0x40;
    default:
        return 0;
    }
}

// Copies the rectangle src of from into to at (x, y).
void CopyPixels(TBitmap* to, int x, int y, TBitmap* from, const TRect& src) {
    if (src.Width() <= 0 || src.Height() <= 0) return;
    BitBlt(to->Canvas()->Handle(), x, y, src.Width(), src.Height(), from->Canvas()->Handle(), src.Left,
           src.Top, SRCCOPY);
}

void FillBlack(TBitmap* bitmap, const TRect& r) {
    PatBlt(bitmap->Canvas()->Handle(), r.Left, r.Top, r.Width(), r.Height(), BLACKNESS);
}

// Picture and wave data that cannot be read is bad data of the record like any other.
template <class Read> void ReadRecordData(Read read) {
    try {
        read();
    } catch (const EInvalidGraphic& e) {
        throw EReadError(e.Message);
    } catch (const EErrorCheckingWave& e) {
        throw EReadError(e.Message);
    }
}

void ReadBitmapRecord(TStream* stream, TBitmap& bitmap, bool compressed) {
    ReadRecordData([&] { stReadBitmap(*stream, bitmap, compressed); });
}

template <class C> void RegisterItemClass() {
    static const bool once = [] {
        RegisterClass<C>();
        return true;
    }();
    (void)once;
}

} // namespace

std::string LuxICGetSuffix(TLuxListItemClassType Type, bool WithDot) {
    const std::string s = LuxICEXTENSION[Type];
    return WithDot && !s.empty() ? "." + s : s;
}

std::string LuxICGetItemSuffix(TLuxListItemClassType Type, bool WithDot) {
    const std::string s = LuxICITEMEXTENSION[Type];
    return WithDot && !s.empty() ? "." + s : s;
}

// --- Change links ---------------------------------------------------------------------------------

TLuxChangeLink::~TLuxChangeLink() {
    if (Sender) Sender->UnRegisterChanges(this);
}

void TLuxChangeLink::Change() {
    if (OnChange) OnChange(Sender);
}

TLuxBaseContainer::~TLuxBaseContainer() {
    while (!links_.empty()) {
        links_.back()->Sender = nullptr;
        links_.pop_back();
    }
}

void TLuxBaseContainer::Change() {
    // By index: a link may leave while it is told.
    for (std::size_t i = 0; i < links_.size(); ++i) links_[i]->Change();
    TLuxCustomComponent::Change();
}

void TLuxBaseContainer::RegisterChanges(TLuxChangeLink* Link) {
    if (!Link) return;
    Link->Sender = this;
    links_.push_back(Link);
}

void TLuxBaseContainer::UnRegisterChanges(TLuxChangeLink* Link) {
    auto it = std::find(links_.begin(), links_.end(), Link);
    if (it == links_.end()) return;
    links_.erase(it);
    Link->Sender = nullptr;
}

// --- List items -----------------------------------------------------------------------------------

TLuxSavePixelFormat TLuxItemHeader::PixelFormat() const {
    if (Flag & 0x10) return spfMono;
    if (Flag & 0x20) return spf4bit;
    if (Flag & 0x40) return spf8bit;
    return spfDefault;
}

TLuxListItem::~TLuxListItem() {
    if (container_) container_->Unlist(this);
}

void TLuxListItem::SetDescription(const std::string& Value) {
    if (Value == description_) return;
    description_ = Value;
    Change();
}

void TLuxListItem::SetIdent(std::uint16_t Value) {
    if (Value == ident_) return;
    ident_ = Value;
    Change();
}

void TLuxListItem::SetCompressed(bool Value) {
    if (Value == compressed_) return;
    compressed_ = Value;
    Change();
}

std::uint8_t TLuxListItem::WriteFlag() {
    std::uint8_t flag = 0;
    if (compressed_) flag |= LuxFlagCompressed;
    if (!description_.empty()) flag |= LuxFlagDescription;
    if (ident_ != 0) flag |= LuxFlagIdent;
    if (!GetEmpty()) flag |= LuxFlagData;
    return flag;
}

TLuxItemHeader TLuxListItem::ReadStd(TStream* Stream) {
    TLuxItemHeader h;
    h.Flag = stReadByte(*Stream);
    if (h.Flag & LuxFlagDescription) h.Description = stReadString(*Stream);
    if (h.Flag & LuxFlagIdent) h.Ident = static_cast<std::uint16_t>(stReadInteger(*Stream));
    return h;
}

void TLuxListItem::WriteStd(TStream* Stream) {
    const std::uint8_t flag = WriteFlag();
    stWriteByte(*Stream, flag);
    if (flag & LuxFlagDescription) stWriteString(*Stream, description_);
    if (flag & LuxFlagIdent) stWriteInteger(*Stream, ident_);
}

void TLuxListItem::TakeStd(const TLuxItemHeader& Header) {
    compressed_ = Header.Compressed();
    description_ = Header.Description;
    ident_ = Header.Ident;
}

void TLuxListItem::ReadData(TStream* Stream) {
    TakeStd(ReadStd(Stream));
    Change();
}

void TLuxListItem::WriteData(TStream* Stream) {
    WriteStd(Stream);
}

void TLuxListItem::Change() {
    TLuxCustomComponent::Change();
    if (container_) container_->Update(this);
}

void TLuxListItem::ReadState(TReader* Reader) {
    TLuxCustomComponent::ReadState(Reader);
    if (auto* container = dynamic_cast<TLuxCustomContainer*>(Reader->Parent()))
        if (container_ != container) container->Add(this);
}

void TLuxListItem::DefineProperties(TFiler* Filer) {
    TLuxCustomComponent::DefineProperties(Filer);
    Filer->DefineBinaryProperty(
        IDS_INTERNAL, [this](TStream* s) { ReadData(s); }, [this](TStream* s) { WriteData(s); }, true);
}

int TLuxListItem::GetIndex() const {
    return container_ ? container_->IndexOf(this) : -1;
}

void TLuxListItem::AssignStd(const TLuxListItem* Source) {
    compressed_ = Source->compressed_;
    description_ = Source->description_;
    ident_ = Source->ident_;
}

// --- Bitmap items ---------------------------------------------------------------------------------

TLuxBitmapListItem::TLuxBitmapListItem(TComponent* AOwner)
    : TLuxListItem(AOwner), bitmap_(std::make_unique<TBitmap>()) {}

TLuxBitmapListItem::~TLuxBitmapListItem() = default;

TBitmap* TLuxBitmapListItem::Bitmap() {
    TLuxCustomContainer* c = Container();
    if (bitmap_->Empty() && c && !fetching_ && !Designing(c) && !Loading(c) && !Loading(this)) {
        fetching_ = true;
        BeginUpdate();
        try {
            Fetch();
        } catch (...) {
            EndUpdate(false);
            fetching_ = false;
            throw;
        }
        EndUpdate(false);
        fetching_ = false;
    }
    return bitmap_.get();
}

namespace {

// The numbered bitmap file of sdPath (and the library of sdLibResource): directory, the first three
// characters of the file name part of the container's file name, Ident, ".bmp".
std::string NumberedFileName(const TLuxCustomContainer* c, int ident) {
    const std::string& name = c->FileName();
    std::string dir;
    if (c->Prefix() == ppFixed) {
        const std::size_t cut = name.find_last_of("\\/");
        if (cut != std::string::npos) dir = name.substr(0, cut + 1);
    } else {
        dir = LuxCreatePathPrefix(c->Prefix(), true);
    }
    return dir + ExtractFileName(name).substr(0, 3) + std::to_string(ident) + ".bmp";
}

} // namespace

void TLuxBitmapListItem::Fetch() {
    TLuxCustomContainer* c = Container();
    switch (c->Source()) {
    case sdComponent:
        break;
    case sdFile:
        LuxBMLGetItem(LuxCreatePathPrefix(c->Prefix(), true) + c->FileName(), ident_, bitmap_.get());
        break;
    case sdAppResource:
        LoadBitmapResource(bitmap_.get(), ident_);
        break;
    case sdLibResource: {
        const bool named = c->Prefix() == ppWindows || c->Prefix() == ppSystem;
        LuxBmpLoadFromFile(named ? c->FileName() : NumberedFileName(c, ident_), ident_, bitmap_.get());
        break;
    }
    case sdPath:
        bitmap_->LoadFromFile(NumberedFileName(c, ident_));
        break;
    }
}

void TLuxBitmapListItem::SetBitmap(TBitmap* Value) {
    bitmap_->Assign(Value);
    Change();
}

void TLuxBitmapListItem::SetPixelFormat(TLuxSavePixelFormat Value) {
    if (Value == pixelFormat_) return;
    pixelFormat_ = Value;
    Change();
}

void TLuxBitmapListItem::FreeData() {
    bitmap_->Assign(nullptr);
}

std::uint8_t TLuxBitmapListItem::WriteFlag() {
    return TLuxListItem::WriteFlag() | PixelFormatBits(pixelFormat_);
}

void TLuxBitmapListItem::ReadData(TStream* Stream) {
    const TLuxItemHeader h = ReadStd(Stream);
    TBitmap fresh;
    if (h.HasData()) ReadBitmapRecord(Stream, fresh, h.Compressed());
    TakeStd(h);
    pixelFormat_ = h.PixelFormat();
    bitmap_->Assign(&fresh);
    Change();
}

void TLuxBitmapListItem::WriteData(TStream* Stream) {
    WriteStd(Stream);
    if (!bitmap_->Empty()) stWriteBitmap(*Stream, *bitmap_, compressed_, LuxPixelFormatColors[pixelFormat_]);
}

void TLuxBitmapListItem::Assign(const TPersistent* Source) {
    if (auto* src = dynamic_cast<const TLuxBitmapListItem*>(Source)) {
        AssignStd(src);
        bitmap_->Assign(src->bitmap_.get());
        pixelFormat_ = src->pixelFormat_;
        Change();
        return;
    }
    TLuxListItem::Assign(Source);
}

// --- Image items ----------------------------------------------------------------------------------

TLuxImageListItem::TLuxImageListItem(TComponent* AOwner)
    : TLuxListItem(AOwner), image_(std::make_unique<TBitmap>()), mask_(std::make_unique<TBitmap>()) {}

TLuxImageListItem::~TLuxImageListItem() = default;

std::unique_ptr<TLuxImageListItem> TLuxImageListItem::CreateSize(int AWidth, int AHeight) {
    if (AWidth < 1 || AHeight < 1) InvalidImageSize();
    auto item = std::make_unique<TLuxImageListItem>(nullptr);
    item->width_ = AWidth;
    item->height_ = AHeight;
    return item;
}

void TLuxImageListItem::SetWidth(int Value) {
    if (Value < 1 || Value == width_) return;
    width_ = Value;
    Clear();
    Change();
}

void TLuxImageListItem::SetHeight(int Value) {
    if (Value < 1 || Value == height_) return;
    height_ = Value;
    Clear();
    Change();
}

void TLuxImageListItem::SetMasked(bool Value) {
    if (Value == masked_) return;
    masked_ = Value;
    if (Value) {
        mask_->SetPixelFormat(pf1bit);
        mask_->SetSize(image_->Width(), image_->Height());
        if (!mask_->Empty()) FillBlack(mask_.get(), TRect(0, 0, mask_->Width(), mask_->Height()));
    } else {
        mask_->Assign(nullptr);
    }
    Renumber();
    Change();
}

void TLuxImageListItem::Renumber() {
    for (std::size_t i = 0; i < info_.size(); ++i)
        info_[i] = (static_cast<std::uint32_t>(i * static_cast<std::size_t>(width_)) & 0xFFFF) |
                   (masked_ ? 1u << 16 : 0u);
}

bool TLuxImageListItem::CheckImage(TBitmap* Bitmap) const {
    if (!Bitmap) return false;
    if (Bitmap->Height() != height_ || Bitmap->Width() % width_ != 0 || Bitmap->Width() == 0)
        InvalidImageSize();
    return true;
}

void TLuxImageListItem::GrowStrips(int NewWidth) {
    image_->SetSize(NewWidth, height_);
    if (masked_) {
        mask_->SetPixelFormat(pf1bit);
        mask_->SetSize(NewWidth, height_);
    }
}

void TLuxImageListItem::MakeRoom() {
    const std::int64_t used = std::int64_t(usedWidth_) + width_;
    if (image_->Width() < used) {
        const std::int64_t grown =
            std::int64_t(image_->Width()) + std::int64_t(std::max(allocBy_, 1)) * width_;
        if (grown > kMaxStripWidth || used > kMaxStripWidth) TooManyImages();
        GrowStrips(static_cast<int>(grown));
    }
    usedWidth_ = static_cast<int>(used);
}

TRect TLuxImageListItem::GetImageRect(int Index) const {
    const int x = Index >= 0 && Index < GetCount()
                      ? static_cast<int>(info_[static_cast<std::size_t>(Index)] & 0xFFFF)
                      : Index * width_;
    return TRect(x, 0, x + width_, height_);
}

void TLuxImageListItem::PutSlot(int Index, TBitmap* Image, TBitmap* Mask) {
    const TRect slot = GetImageRect(Index);
    CopyPixels(image_.get(), slot.Left, 0, Image, TRect(0, 0, width_, height_));
    if (!masked_) return;
    if (Mask) {
        TBitmap mono;
        mono.Assign(Mask);
        mono.SetPixelFormat(pf1bit);
        CopyPixels(mask_.get(), slot.Left, 0, &mono, TRect(0, 0, width_, height_));
    } else {
        FillBlack(mask_.get(), slot);
    }
}

int TLuxImageListItem::Add(TBitmap* Image, TBitmap* Mask) {
    CheckImage(Image);
    if (masked_) CheckImage(Mask);
    // Without an image the new slot is only made room for (Replace takes no mask without one).
    MakeRoom();
    info_.push_back(0);
    Renumber();
    const int index = GetCount() - 1;
    if (Image)
        Replace(index, Image, Mask);
    else
        Change();
    return index;
}

int TLuxImageListItem::AddMasked(TBitmap* Image, TColor TransparentColor) {
    if (!masked_ || !Image) return Add(Image, nullptr);
    TBitmap image, mask;
    LuxBmpCreateMasks(Image, &mask, &image, TransparentColor);
    return Add(&image, &mask);
}

void TLuxImageListItem::Insert(int Index, TBitmap* Image, TBitmap* Mask) {
    if (Index >= GetCount()) {
        Add(Image, Mask);
        return;
    }
    if (Index < 0) ListIndexError(Index);
    if (Image) {
        CheckImage(Image);
        if (masked_ && Mask) CheckImage(Mask);
    }
    MakeRoom();
    // Everything from the slot on moves one slot right.
    const int x = Index * width_;
    const TRect tail(x, 0, usedWidth_ - width_, height_);
    auto shift = [&](TBitmap* strip) {
        TBitmap copy;
        copy.Assign(strip);
        CopyPixels(strip, x + width_, 0, &copy, tail);
    };
    shift(image_.get());
    if (masked_) shift(mask_.get());
    info_.insert(info_.begin() + Index, 0);
    Renumber();
    if (Image)
        Replace(Index, Image, Mask);
    else
        Change();
}

void TLuxImageListItem::InsertMasked(int Index, TBitmap* Image, TColor TransparentColor) {
    if (!masked_ || !Image) {
        Insert(Index, Image, nullptr);
        return;
    }
    TBitmap image, mask;
    LuxBmpCreateMasks(Image, &mask, &image, TransparentColor);
    Insert(Index, &image, &mask);
}

void TLuxImageListItem::Replace(int Index, TBitmap* Image, TBitmap* Mask) {
    if (Index < 0 || Index >= GetCount()) ListIndexError(Index);
    if (!CheckImage(Image)) return;
    if (masked_ && Mask) CheckImage(Mask);
    PutSlot(Index, Image, Mask);
    Change();
}

void TLuxImageListItem::ReplaceMasked(int Index, TBitmap* Image, TColor TransparentColor) {
    if (!masked_ || !Image) {
        Replace(Index, Image, nullptr);
        return;
    }
    TBitmap image, mask;
    LuxBmpCreateMasks(Image, &mask, &image, TransparentColor);
    Replace(Index, &image, &mask);
}

void TLuxImageListItem::Delete(int Index) {
    if (Index < 0 || Index >= GetCount()) return;
    if (image_->Width() == usedWidth_) {
        const std::int64_t grown = std::int64_t(usedWidth_) + std::int64_t(std::max(allocBy_, 1)) * width_;
        if (grown <= kMaxStripWidth) GrowStrips(static_cast<int>(grown));
    }
    const int x = Index * width_;
    const TRect tail(x + width_, 0, usedWidth_, height_);
    auto shift = [&](TBitmap* strip) {
        TBitmap copy;
        copy.Assign(strip);
        CopyPixels(strip, x, 0, &copy, tail);
    };
    shift(image_.get());
    if (masked_) shift(mask_.get());
    usedWidth_ -= width_;
    info_.erase(info_.begin() + Index);
    Renumber();
    Change();
}

void TLuxImageListItem::Move(int CurIndex, int NewIndex) {
    if (CurIndex < 0 || CurIndex >= GetCount()) ListIndexError(CurIndex);
    TBitmap image, mask;
    GetBitmap(CurIndex, &image);
    if (masked_) GetMaskBitmap(CurIndex, &mask);
    BeginUpdate();
    try {
        Delete(CurIndex);
        Insert(NewIndex, &image, masked_ ? &mask : nullptr);
    } catch (...) {
        EndUpdate(true);
        throw;
    }
    EndUpdate(true);
}

void TLuxImageListItem::Clear() {
    image_->SetSize(0, height_);
    if (masked_) {
        mask_->SetPixelFormat(pf1bit);
        mask_->SetSize(0, height_);
    } else {
        mask_->Assign(nullptr);
    }
    usedWidth_ = 0;
    info_.clear();
}

void TLuxImageListItem::AddImages(TLuxImageListItem* Other) {
    if (!Other) return;
    if (Other->width_ != width_ || Other->height_ != height_) InvalidImageSize();
    if (Other->GetCount() == 0) return;
    const std::int64_t total = std::int64_t(usedWidth_) + Other->usedWidth_;
    if (total > kMaxStripWidth) TooManyImages();
    if (image_->Width() < total) GrowStrips(static_cast<int>(total));
    const TRect block(0, 0, Other->usedWidth_, height_);
    CopyPixels(image_.get(), usedWidth_, 0, Other->image_.get(), block);
    if (masked_) {
        if (Other->masked_)
            CopyPixels(mask_.get(), usedWidth_, 0, Other->mask_.get(), block);
        else
            FillBlack(mask_.get(), TRect(usedWidth_, 0, static_cast<int>(total), height_));
    }
    usedWidth_ = static_cast<int>(total);
    info_.resize(info_.size() + Other->info_.size());
    Renumber();
    Change();
}

void TLuxImageListItem::InsertImages(int Index, TLuxImageListItem* Other) {
    if (!Other) return;
    if (Other->width_ != width_ || Other->height_ != height_) InvalidImageSize();
    for (int i = Other->GetCount() - 1; i >= 0; --i) {
        TBitmap image, mask;
        Other->GetBitmap(i, &image);
        if (masked_ && Other->masked_) {
            Other->GetMaskBitmap(i, &mask);
            Insert(Index, &image, &mask);
        } else if (masked_) {
            InsertMasked(Index, &image, image.TransparentColor());
        } else {
            Insert(Index, &image, nullptr);
        }
    }
}

void TLuxImageListItem::GetBitmap(int Index, TBitmap* Bitmap) {
    if (!Bitmap) return;
    if (Index < 0 || Index >= GetCount()) ListIndexError(Index);
    Bitmap->SetSize(width_, height_);
    CopyPixels(Bitmap, 0, 0, image_.get(), GetImageRect(Index));
}

void TLuxImageListItem::GetMaskBitmap(int Index, TBitmap* Bitmap) {
    if (!Bitmap) return;
    if (Index < 0 || Index >= GetCount()) ListIndexError(Index);
    Bitmap->SetPixelFormat(pf1bit);
    Bitmap->SetSize(width_, height_);
    if (masked_)
        CopyPixels(Bitmap, 0, 0, mask_.get(), GetImageRect(Index));
    else
        FillBlack(Bitmap, TRect(0, 0, width_, height_));
}

TColor TLuxImageListItem::TransparentColor(int Index) {
    if (image_->Empty()) return kWhite;
    return image_->Canvas()->Pixels(GetImageRect(Index).Left, height_ - 1);
}

TColor TLuxImageListItem::GetColorAtPoint(const TPoint& P, int Index) {
    if (image_->Empty()) return kWhite;
    return image_->Canvas()->Pixels(GetImageRect(Index).Left + P.X, P.Y);
}

void TLuxImageListItem::MaskedCopy(TCanvas* Canvas, int X, int Y, int Index) {
    const TRect slot = GetImageRect(Index);
    const TRect dest = Bounds(X, Y, width_, height_);
    const TCopyMode saved = Canvas->CopyMode;
    Canvas->CopyMode = cmSrcAnd;
    Canvas->CopyRect(dest, mask_->Canvas(), slot);
    Canvas->CopyMode = cmSrcPaint;
    Canvas->CopyRect(dest, image_->Canvas(), slot);
    Canvas->CopyMode = saved;
}

void TLuxImageListItem::Draw(TCanvas* Canvas, int X, int Y, int Index) {
    if (!Canvas || Index < 0 || Index >= GetCount()) return;
    const TRect slot = GetImageRect(Index);
    if (!masked_ || ImageType == itMask) {
        TBitmap* from = masked_ && ImageType == itMask ? mask_.get() : image_.get();
        const TCopyMode saved = Canvas->CopyMode;
        Canvas->CopyMode = cmSrcCopy;
        Canvas->CopyRect(Bounds(X, Y, width_, height_), from->Canvas(), slot);
        Canvas->CopyMode = saved;
        return;
    }
    if (DrawingStyle == dsTransparent || (DrawingStyle == dsNormal && BkColor == clNone)) {
        MaskedCopy(Canvas, X, Y, Index);
        return;
    }
    TBitmap off;
    off.SetSize(width_, height_);
    off.Canvas()->Brush()->SetColor(BkColor == clNone ? kWhite : BkColor);
    off.Canvas()->FillRect(TRect(0, 0, width_, height_));
    MaskedCopy(off.Canvas(), 0, 0, Index);
    if (DrawingStyle == dsFocus || DrawingStyle == dsSelected)
        CreatePattern(&off, DrawingStyle == dsSelected);
    const TCopyMode saved = Canvas->CopyMode;
    Canvas->CopyMode = cmSrcCopy;
    Canvas->Draw(X, Y, &off);
    Canvas->CopyMode = saved;
}

TRect TLuxImageListItem::DrawExt(TCanvas* Canvas, const TRect& Rect, WORD Flags, int Index) {
    if (!Canvas || Index < 0 || Index >= GetCount()) return TRect();
    const TRect slot = GetImageRect(Index);
    if (masked_)
        return LuxBmpDrawExt(Canvas, Rect, image_->Canvas(), slot, Flags | LuxBmpMasked, 0, nullptr,
                             mask_->Canvas());
    const TColor bottomLeft = image_->Canvas()->Pixels(slot.Left, height_ - 1);
    return LuxBmpDrawExt(Canvas, Rect, image_->Canvas(), slot, Flags,
                         static_cast<TColor>(static_cast<std::uint32_t>(bottomLeft) | 0x2000000u), nullptr,
                         nullptr);
}

void TLuxImageListItem::ClipDraw(TCanvas* Canvas, const TRect& Rect, WORD Flags, int Offset, TColor Color,
                                 int Index) {
    if (!Canvas || Index < 0 || Index >= GetCount()) return;
    const TRect slot = GetImageRect(Index);
    if (masked_)
        LuxBmpClipDrawExt(Canvas, Rect, image_->Canvas(), slot, Flags | LuxBmpMasked, Offset, 0,
                          mask_->Canvas());
    else
        LuxBmpClipDrawExt(Canvas, Rect, image_->Canvas(), slot, Flags, Offset, Color, nullptr);
}

void TLuxImageListItem::CreatePattern(TBitmap* Bitmap, bool Checkered) {
    if (!Bitmap || Bitmap->Empty() || BlendColor == clNone) return;
    TCanvas* c = Bitmap->Canvas();
    for (int y = 0; y < Bitmap->Height(); ++y)
        for (int x = 0; x < Bitmap->Width(); ++x) {
            const bool on = Checkered ? (x % 2) != (y % 2) : (x % 2 == 0 || y % 2 == 0);
            if (on) c->SetPixels(x, y, BlendColor);
        }
}

void TLuxImageListItem::ConvertBmpToIML(TBitmap* Bitmap, int Count, bool Masked) {
    if (!Bitmap || Count < 1 || Bitmap->Width() / Count < 1 || Bitmap->Height() < 1 ||
        Bitmap->Width() > kMaxStripWidth)
        InvalidImageSize();
    Clear();
    height_ = Bitmap->Height();
    width_ = Bitmap->Width() / Count;
    masked_ = Masked;
    if (Masked) {
        mask_->Assign(nullptr);
        LuxBmpCreateMasks(Bitmap, mask_.get(), image_.get(), Bitmap->TransparentColor());
        mask_->SetPixelFormat(pf1bit);
    } else {
        image_->Assign(Bitmap);
    }
    usedWidth_ = Count * width_;
    info_.assign(static_cast<std::size_t>(Count), 0);
    Renumber();
    Change();
}

bool TLuxImageListItem::LoadFromBitmap(const std::string& FileName, int Count, bool Masked) {
    TBitmap bitmap;
    bitmap.LoadFromFile(FileName);
    if (bitmap.Empty() || Count < 1 || bitmap.Width() % Count != 0) CannotOpenFile(FileName);
    ConvertBmpToIML(&bitmap, Count, Masked);
    description_ = ExtractFileName(FileName);
    return true;
}

void TLuxImageListItem::SaveToFile(const std::string& FileName) {
    TFileStream file(FileName, fmCreate);
    WriteSignature(&file, icImageList);
    stWriteInteger(file, 1);
    stWriteInteger(file, 17);
    WriteData(&file);
}

void TLuxImageListItem::LoadFromFile(const std::string& FileName) {
    TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
    if (ReadSignature(&file) != icImageList) CannotOpenFile(ClassName());
    stReadInteger(file); // the count, 1
    stReadInteger(file); // the offset of the one record
    ReadData(&file);
}

std::uint8_t TLuxImageListItem::WriteFlag() {
    return static_cast<std::uint8_t>((TLuxListItem::WriteFlag() & ~LuxFlagData) |
                                     PixelFormatBits(pixelFormat_));
}

struct TLuxImageListItem::Strips {
    int count = 0;
    std::unique_ptr<TBitmap> image = std::make_unique<TBitmap>();
    std::unique_ptr<TBitmap> mask = std::make_unique<TBitmap>();
};

void TLuxImageListItem::ReadImages(TStream* Stream, bool Compressed, int NewHeight, int NewWidth,
                                   bool NewMasked) {
    if (NewWidth < 1 || NewHeight < 1) throw EReadError("Invalid image size");
    const std::int32_t count = stReadInteger(*Stream);
    if (count < 0 || std::int64_t(count) * NewWidth > kMaxStripWidth) throw EReadError("Invalid image count");
    Strips s;
    s.count = count;
    const std::int64_t used = std::int64_t(count) * NewWidth;
    if (count > 0) {
        ReadBitmapRecord(Stream, *s.image, Compressed);
        if (s.image->Width() < used || s.image->Height() < NewHeight) throw EReadError("Invalid image size");
        if (NewMasked) {
            ReadBitmapRecord(Stream, *s.mask, Compressed);
            if (s.mask->Width() < used || s.mask->Height() < NewHeight)
                throw EReadError("Invalid image size");
            s.mask->SetPixelFormat(pf1bit);
        }
    } else if (NewMasked) {
        s.mask->SetPixelFormat(pf1bit);
    }
    height_ = NewHeight;
    width_ = NewWidth;
    masked_ = NewMasked;
    // Into the item's own bitmaps: canvases handed out before stay valid.
    image_->Assign(s.image.get());
    mask_->Assign(s.mask.get());
    usedWidth_ = static_cast<int>(used);
    info_.assign(static_cast<std::size_t>(count), 0);
    Renumber();
}

void TLuxImageListItem::WriteImages(TStream* Stream) {
    stWriteInteger(*Stream, GetCount());
    if (GetCount() == 0) return;
    auto cut = [this](TBitmap* strip) {
        auto copy = std::make_unique<TBitmap>();
        copy->Assign(strip);
        copy->SetSize(usedWidth_, height_);
        return copy;
    };
    stWriteBitmap(*Stream, *cut(image_.get()), compressed_, LuxPixelFormatColors[pixelFormat_]);
    if (masked_) stWriteBitmap(*Stream, *cut(mask_.get()), compressed_, 2);
}

void TLuxImageListItem::ReadData(TStream* Stream) {
    const TLuxItemHeader h = ReadStd(Stream);
    const std::int32_t height = stReadInteger(*Stream);
    const std::int32_t width = stReadInteger(*Stream);
    const std::int32_t allocBy = stReadInteger(*Stream);
    const bool masked = stReadByte(*Stream) != 0;
    ReadImages(Stream, h.Compressed(), height, width, masked);
    TakeStd(h);
    pixelFormat_ = h.PixelFormat();
    allocBy_ = allocBy;
    Change();
}

void TLuxImageListItem::WriteData(TStream* Stream) {
    WriteStd(Stream);
    stWriteInteger(*Stream, height_);
    stWriteInteger(*Stream, width_);
    stWriteInteger(*Stream, allocBy_);
    stWriteByte(*Stream, masked_ ? 1 : 0);
    WriteImages(Stream);
}

void TLuxImageListItem::DefineProperties(TFiler* Filer) {
    TLuxListItem::DefineProperties(Filer);
    // Older form data: the images alone, in the item's current size.
    Filer->DefineBinaryProperty(
        "Bitmap",
        [this](TStream* s) {
            ReadImages(s, compressed_, height_, width_, masked_);
            Change();
        },
        nullptr, false);
}

void TLuxImageListItem::Assign(const TPersistent* Source) {
    auto* src = dynamic_cast<const TLuxImageListItem*>(Source);
    if (!src) {
        TLuxListItem::Assign(Source);
        return;
    }
    if (src == this) return;
    AssignStd(src);
    pixelFormat_ = src->pixelFormat_;
    allocBy_ = src->allocBy_;
    BkColor = src->BkColor;
    BlendColor = src->BlendColor;
    DrawingStyle = src->DrawingStyle;
    height_ = src->height_;
    ImageType = src->ImageType;
    masked_ = src->masked_;
    ShareImages = src->ShareImages;
    width_ = src->width_;
    Clear();
    AddImages(const_cast<TLuxImageListItem*>(src));
    Change();
}

// --- String, generic and wave items ---------------------------------------------------------------

TLuxStringListItem::TLuxStringListItem(TComponent* AOwner)
    : TLuxListItem(AOwner), items_(std::make_unique<TStringList>()) {}

TLuxStringListItem::~TLuxStringListItem() = default;

void TLuxStringListItem::SetItems(const TStringList* Value) {
    if (Value)
        items_->Assign(*Value);
    else
        items_->Clear();
    Change();
}

void TLuxStringListItem::FreeData() {
    items_->Clear();
}

void TLuxStringListItem::ReadData(TStream* Stream) {
    const TLuxItemHeader h = ReadStd(Stream);
    TStringList fresh;
    if (h.HasData()) stReadStringList(*Stream, fresh, h.Compressed());
    TakeStd(h);
    items_->Assign(fresh);
    Change();
}

void TLuxStringListItem::WriteData(TStream* Stream) {
    WriteStd(Stream);
    if (!GetEmpty()) stWriteStringList(*Stream, *items_, compressed_);
}

void TLuxStringListItem::Assign(const TPersistent* Source) {
    if (auto* src = dynamic_cast<const TLuxStringListItem*>(Source)) {
        AssignStd(src);
        items_->Assign(*src->items_);
        Change();
        return;
    }
    TLuxListItem::Assign(Source);
}

TLuxGenericListItem::TLuxGenericListItem(TComponent* AOwner)
    : TLuxListItem(AOwner), data_(std::make_unique<TMemoryStream>()) {}

TLuxGenericListItem::~TLuxGenericListItem() = default;

void TLuxGenericListItem::FreeData() {
    data_->Clear();
    fileName_.clear();
}

void TLuxGenericListItem::LoadFromFile(const std::string& FileName) {
    if (FileName.empty() || !FileExists(FileName)) {
        FreeData();
        Change();
        return;
    }
    TMemoryStream fresh;
    fresh.LoadFromFile(FileName);
    data_->Clear();
    data_->CopyFrom(fresh, 0);
    fileName_ = ExtractFileName(FileName);
    Change();
}

void TLuxGenericListItem::SaveToFile(const std::string& FileName) {
    data_->SaveToFile(FileName);
}

void TLuxGenericListItem::LoadFromStream(TStream* Stream) {
    TMemoryStream fresh;
    fresh.CopyFrom(*Stream, 0);
    data_->Clear();
    data_->CopyFrom(fresh, 0);
    Change();
}

void TLuxGenericListItem::SaveToStream(TStream* Stream) {
    data_->SetPosition(0);
    Stream->CopyFrom(*data_, 0);
}

void TLuxGenericListItem::SaveToTempFile(std::string& FileName) {
    FileName = LuxSITempFile();
    if (!FileName.empty() && !GetEmpty()) SaveToFile(FileName);
}

void TLuxGenericListItem::ReadData(TStream* Stream) {
    const TLuxItemHeader h = ReadStd(Stream);
    TMemoryStream fresh;
    if (h.HasData()) {
        if (h.Compressed()) {
            LoadCompressedStream(*Stream, fresh);
        } else {
            const std::int32_t length = stReadInteger(*Stream);
            if (length < 0 || length > BytesLeft(Stream)) throw EReadError();
            fresh.CopyFrom(*Stream, length);
        }
    }
    const std::string fileName = stReadString(*Stream);
    TakeStd(h);
    fresh.SetPosition(0);
    data_->Clear();
    data_->CopyFrom(fresh, 0);
    fileName_ = fileName;
    Change();
}

void TLuxGenericListItem::WriteData(TStream* Stream) {
    WriteStd(Stream);
    if (!GetEmpty()) {
        data_->SetPosition(0);
        if (compressed_) {
            SaveCompressedStream(*data_, *Stream, data_->Size());
        } else {
            stWriteInteger(*Stream, static_cast<std::int32_t>(data_->Size()));
            Stream->CopyFrom(*data_, 0);
        }
    }
    stWriteString(*Stream, fileName_);
}

void TLuxGenericListItem::Assign(const TPersistent* Source) {
    if (auto* src = dynamic_cast<const TLuxGenericListItem*>(Source)) {
        AssignStd(src);
        fileName_ = src->fileName_;
        data_->Clear();
        src->data_->SetPosition(0);
        data_->CopyFrom(*src->data_, 0);
        Change();
        return;
    }
    TLuxListItem::Assign(Source);
}

TLuxWaveListItem::TLuxWaveListItem(TComponent* AOwner)
    : TLuxListItem(AOwner), wave_(std::make_unique<TLuxWave>()) {}

TLuxWaveListItem::~TLuxWaveListItem() = default;

void TLuxWaveListItem::SetWave(const TLuxWave* Value) {
    wave_->Assign(Value);
    Change();
}

void TLuxWaveListItem::FreeData() {
    wave_->FreeWave();
}

bool TLuxWaveListItem::GetEmpty() {
    return wave_->Empty();
}

void TLuxWaveListItem::ReadData(TStream* Stream) {
    const TLuxItemHeader h = ReadStd(Stream);
    TLuxWave fresh;
    if (h.HasData()) ReadRecordData([&] { stReadWave(*Stream, fresh, h.Compressed()); });
    TakeStd(h);
    if (fresh.Empty())
        wave_->FreeWave();
    else
        wave_->Assign(&fresh);
    Change();
}

void TLuxWaveListItem::WriteData(TStream* Stream) {
    WriteStd(Stream);
    if (!GetEmpty()) stWriteWave(*Stream, *wave_, compressed_);
}

void TLuxWaveListItem::Assign(const TPersistent* Source) {
    if (auto* src = dynamic_cast<const TLuxWaveListItem*>(Source)) {
        ident_ = src->ident_;
        description_ = src->description_;
        compressed_ = src->compressed_;
        wave_->Assign(src->wave_.get());
        Change();
        return;
    }
    TLuxListItem::Assign(Source);
}

// --- Containers -----------------------------------------------------------------------------------

TLuxCustomContainer::TLuxCustomContainer(TComponent* AOwner, TLuxListItemClass ItemClass,
                                         TLuxListItemClassType ListType)
    : TLuxBaseContainer(AOwner), itemClass_(std::move(ItemClass)), listType_(ListType) {}

TLuxCustomContainer::~TLuxCustomContainer() {
    Destroying();
    auto items = std::move(items_);
    for (TLuxListItem* item : items) item->container_ = nullptr;
    for (auto it = items.rbegin(); it != items.rend(); ++it) delete *it;
}

TLuxListItem* TLuxCustomContainer::GetItem(int Index) const {
    if (Index < 0 || Index >= static_cast<int>(items_.size())) ListIndexError(Index);
    return items_[static_cast<std::size_t>(Index)];
}

void TLuxCustomContainer::Unlist(TLuxListItem* Item) {
    auto it = std::find(items_.begin(), items_.end(), Item);
    if (it != items_.end()) items_.erase(it);
    Item->container_ = nullptr;
}

int TLuxCustomContainer::Add(TLuxListItem* Item) {
    Insert(GetCount(), Item);
    return GetCount() - 1;
}

void TLuxCustomContainer::Insert(int Index, TLuxListItem* Item) {
    if (Index < 0 || Index > GetCount()) ListIndexError(Index);
    if (!Item)
        Item = itemClass_(this);
    else if (Item->Owner() != this)
        InsertComponent(Item);
    if (Item->container_) Item->container_->Unlist(Item);
    items_.insert(items_.begin() + Index, Item);
    Item->container_ = this;
    Change();
}

void TLuxCustomContainer::Delete(int Index) {
    TLuxListItem* item = GetItem(Index);
    Unlist(item);
    delete item;
    Change();
}

void TLuxCustomContainer::Clear() {
    auto items = std::move(items_);
    items_.clear();
    for (TLuxListItem* item : items) item->container_ = nullptr;
    for (auto it = items.rbegin(); it != items.rend(); ++it) delete *it;
    Change();
}

void TLuxCustomContainer::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex) return;
    TLuxListItem* item = GetItem(CurIndex);
    if (NewIndex < 0 || NewIndex >= GetCount()) ListIndexError(NewIndex);
    items_.erase(items_.begin() + CurIndex);
    items_.insert(items_.begin() + NewIndex, item);
    Change();
}

int TLuxCustomContainer::IndexOf(const TLuxListItem* Item) const {
    auto it = std::find(items_.begin(), items_.end(), Item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TLuxCustomContainer::AddList(TLuxCustomContainer* Other) {
    if (!Other || Other == this) return;
    for (int i = 0; i < Other->GetCount(); ++i) {
        TLuxListItem* item = itemClass_(this);
        try {
            item->Assign(Other->GetItem(i));
        } catch (...) {
            delete item;
            throw;
        }
        items_.push_back(item);
        item->container_ = this;
    }
    Change();
}

TLuxListItem* TLuxCustomContainer::GetItemByName(const std::string& Name) const {
    for (int i = 0; i < GetCount(); ++i)
        if (GetItem(i)->Description() == Name) return GetItem(i);
    return nullptr;
}

void TLuxCustomContainer::Assign(const TPersistent* Source) {
    auto* src = dynamic_cast<const TLuxCustomContainer*>(Source);
    if (!src || typeid(*src) != typeid(*this)) {
        TLuxBaseContainer::Assign(Source);
        return;
    }
    if (src == this) return;
    BeginUpdate();
    try {
        Clear();
        defaultCompressed_ = src->defaultCompressed_;
        AddList(const_cast<TLuxCustomContainer*>(src));
    } catch (...) {
        EndUpdate(true);
        throw;
    }
    EndUpdate(true);
}

void TLuxCustomContainer::GetChildren(TGetChildProc Proc, TComponent*) {
    for (TLuxListItem* item : items_) Proc(item);
}

void TLuxCustomContainer::ReadData(TStream* Stream, bool WithOffsets) {
    const std::int32_t count = stReadInteger(*Stream);
    if (count < 0) throw EReadError("Invalid item count");
    if (WithOffsets) {
        if (std::int64_t(count) * 4 > BytesLeft(Stream)) throw EReadError("Invalid item count");
        Stream->Seek(std::int64_t(count) * 4, TSeekOrigin::soCurrent);
    }
    // Every record holds at least its flag byte.
    if (count > BytesLeft(Stream)) throw EReadError("Invalid item count");
    // Everything is read before the list changes.
    std::vector<std::unique_ptr<TLuxListItem>> fresh;
    fresh.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        fresh.emplace_back(itemClass_(nullptr));
        fresh.back()->ReadData(Stream);
    }
    BeginUpdate();
    try {
        Clear();
        for (auto& item : fresh) Add(item.release());
    } catch (...) {
        EndUpdate(true);
        throw;
    }
    EndUpdate(true);
}

void TLuxCustomContainer::WriteData(TStream* Stream, bool WithOffsets) {
    const int count = GetCount();
    stWriteInteger(*Stream, count);
    if (!WithOffsets || count == 0) {
        for (int i = 0; i < count; ++i) GetItem(i)->WriteData(Stream);
        return;
    }
    const std::int64_t table = Stream->Position();
    for (int i = 0; i < count; ++i) stWriteInteger(*Stream, 0);
    std::vector<std::int32_t> offsets;
    for (int i = 0; i < count; ++i) {
        offsets.push_back(static_cast<std::int32_t>(Stream->Position()));
        GetItem(i)->WriteData(Stream);
    }
    const std::int64_t end = Stream->Position();
    Stream->SetPosition(table);
    for (std::int32_t offset : offsets) stWriteInteger(*Stream, offset);
    Stream->SetPosition(end);
}

void TLuxCustomContainer::SaveToFile(const std::string& FileName) {
    TFileStream file(FileName, fmCreate);
    WriteSignature(&file, listType_);
    WriteData(&file, true);
}

void TLuxCustomContainer::LoadFromFile(const std::string& FileName) {
    // Other readers are not shut out: this system has no sharing modes.
    TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
    if (listType_ == icInvalid || ReadSignature(&file) != listType_) CannotOpenFile(ClassName());
    ReadData(&file, true);
}

void TLuxCustomContainer::Update(TLuxListItem* Item) {
    if (OnChange) OnChange(Item);
}

void TLuxCustomContainer::SetSource(TLuxContainerSource Value) {
    if (Value == source_) return;
    if (!Loading(this))
        for (TLuxListItem* item : items_) item->FreeData();
    source_ = Value;
    Change();
}

void TLuxCustomContainer::SetPrefix(TLuxPathPrefix Value) {
    if (Value == prefix_) return;
    prefix_ = Value;
    Change();
}

// --- Image lists ----------------------------------------------------------------------------------

void TLuxCustomImageList::SetIndex(int Value) {
    if (Value == index_) return;
    if (Value >= GetCount()) throw EInvalidGraphicOperation(Format("List index out of bounds (%d)", {Value}));
    index_ = Value;
}

void TLuxCustomImageList::Assign(const TPersistent* Source) {
    TLuxCustomContainer::Assign(Source);
    auto* src = dynamic_cast<const TLuxCustomImageList*>(Source);
    if (src && typeid(*src) == typeid(*this)) defaultPixelFormat_ = src->defaultPixelFormat_;
}

TCanvas* TLuxCustomImageList::BmpCanvas(int) {
    throw EAbstractError();
}
TRect TLuxCustomImageList::ItemRect(int, int) {
    throw EAbstractError();
}
int TLuxCustomImageList::Dimensions(int, BYTE) {
    throw EAbstractError();
}
int TLuxCustomImageList::ItemCount(int) {
    throw EAbstractError();
}
bool TLuxCustomImageList::IsValidItem(int, int) {
    throw EAbstractError();
}
void TLuxCustomImageList::GetBitmapItem(int, int, TBitmap*) {
    throw EAbstractError();
}
bool TLuxCustomImageList::Masked(int) {
    throw EAbstractError();
}
HPALETTE TLuxCustomImageList::Palette(int) {
    throw EAbstractError();
}
TColor TLuxCustomImageList::TransparentColor(int, int) {
    throw EAbstractError();
}
TColor TLuxCustomImageList::GetColorAtPoint(const TPoint&, int, int) {
    throw EAbstractError();
}
void TLuxCustomImageList::Draw(TCanvas*, int, int, int, int) {
    throw EAbstractError();
}
TRect TLuxCustomImageList::DrawExt(TCanvas*, const TRect&, WORD, int, int) {
    throw EAbstractError();
}
void TLuxCustomImageList::ClipDraw(TCanvas*, const TRect&, WORD, int, TColor, int, int) {
    throw EAbstractError();
}

// Bitmap list.

TLuxBitmapList::TLuxBitmapList(TComponent* AOwner)
    : TLuxCustomImageList(
          AOwner, [](TComponent* owner) -> TLuxListItem* { return new TLuxBitmapListItem(owner); },
          icBitmap) {
    RegisterItemClass<TLuxBitmapListItem>();
}

TLuxBitmapListItem* TLuxBitmapList::At(int ListIndex) const {
    return ListIndex >= 0 && ListIndex < GetCount() ? Items(ListIndex) : nullptr;
}

TCanvas* TLuxBitmapList::BmpCanvas(int ListIndex) {
    TLuxBitmapListItem* item = At(ListIndex);
    return item ? item->Bitmap()->Canvas() : nullptr;
}

TRect TLuxBitmapList::ItemRect(int ListIndex, int) {
    TLuxBitmapListItem* item = At(ListIndex);
    return item ? TRect(0, 0, item->Bitmap()->Width(), item->Bitmap()->Height()) : TRect();
}

int TLuxBitmapList::Dimensions(int ListIndex, BYTE Which) {
    TLuxBitmapListItem* item = At(ListIndex);
    if (!item || Which > 1) return 0;
    return Which == 0 ? item->Bitmap()->Width() : item->Bitmap()->Height();
}

int TLuxBitmapList::ItemCount(int ListIndex) {
    TLuxBitmapListItem* item = At(ListIndex);
    return item && !item->GetEmpty() ? 1 : 0;
}

bool TLuxBitmapList::IsValidItem(int ListIndex, int) {
    TLuxBitmapListItem* item = At(ListIndex);
    return item && !item->GetEmpty();
}

void TLuxBitmapList::GetBitmapItem(int ListIndex, int, TBitmap* Bitmap) {
    TLuxBitmapListItem* item = At(ListIndex);
    if (item && Bitmap) Bitmap->Assign(item->Bitmap());
}

bool TLuxBitmapList::Masked(int) {
    return false;
}

HPALETTE TLuxBitmapList::Palette(int) {
    // Bitmaps here are 32-bit and carry no palette.
    return nullptr;
}

TColor TLuxBitmapList::TransparentColor(int ListIndex, int) {
    TLuxBitmapListItem* item = At(ListIndex);
    return item ? item->Bitmap()->TransparentColor() : kWhite;
}

TColor TLuxBitmapList::GetColorAtPoint(const TPoint& P, int ListIndex, int) {
    TLuxBitmapListItem* item = At(ListIndex);
    return item ? item->Bitmap()->Canvas()->Pixels(P.X, P.Y) : kWhite;
}

void TLuxBitmapList::Draw(TCanvas* Canvas, int X, int Y, int ListIndex, int) {
    TLuxBitmapListItem* item = At(ListIndex);
    if (!item) return;
    TBitmap* b = item->Bitmap();
    LuxBmpDraw(Canvas, Bounds(X, Y, b->Width(), b->Height()), b, 0, b->TransparentColor());
}

TRect TLuxBitmapList::DrawExt(TCanvas* Canvas, const TRect& Rect, WORD Flags, int ListIndex, int) {
    TLuxBitmapListItem* item = At(ListIndex);
    if (!item) return TRect();
    TBitmap* b = item->Bitmap();
    return LuxBmpDraw(Canvas, Rect, b, Flags, b->TransparentColor());
}

void TLuxBitmapList::ClipDraw(TCanvas* Canvas, const TRect& Rect, WORD Flags, int Offset, TColor Color,
                              int ListIndex, int) {
    TLuxBitmapListItem* item = At(ListIndex);
    if (item) LuxBmpClipDraw(Canvas, Rect, item->Bitmap(), Flags, Offset, Color);
}

// Image list.

TLuxImageList::TLuxImageList(TComponent* AOwner)
    : TLuxCustomImageList(
          AOwner, [](TComponent* owner) -> TLuxListItem* { return new TLuxImageListItem(owner); },
          icImageList) {
    RegisterItemClass<TLuxImageListItem>();
}

void TLuxImageList::Assign(const TPersistent* Source) {
    TLuxCustomImageList::Assign(Source);
    if (dynamic_cast<const TLuxImageList*>(Source)) index_ = 0;
}

TLuxImageListItem* TLuxImageList::At(int ListIndex) const {
    return ListIndex >= 0 && ListIndex < GetCount() ? Items(ListIndex) : nullptr;
}

TCanvas* TLuxImageList::BmpCanvas(int ListIndex) {
    TLuxImageListItem* item = At(ListIndex);
    return item ? item->GetImageBitmap()->Canvas() : nullptr;
}

TRect TLuxImageList::ItemRect(int ListIndex, int ImageIndex) {
    TLuxImageListItem* item = At(ListIndex);
    return item ? item->GetImageRect(ImageIndex) : TRect();
}

int TLuxImageList::Dimensions(int ListIndex, BYTE Which) {
    TLuxImageListItem* item = At(ListIndex);
    if (!item || Which > 1) return 0;
    return Which == 0 ? item->Width() : item->Height();
}

int TLuxImageList::ItemCount(int ListIndex) {
    TLuxImageListItem* item = At(ListIndex);
    return item ? item->GetCount() : -1;
}

bool TLuxImageList::IsValidItem(int ListIndex, int ImageIndex) {
    TLuxImageListItem* item = At(ListIndex);
    return item && ImageIndex >= 0 && ImageIndex < item->GetCount();
}

void TLuxImageList::GetBitmapItem(int ListIndex, int ImageIndex, TBitmap* Bitmap) {
    if (IsValidItem(ListIndex, ImageIndex)) At(ListIndex)->GetBitmap(ImageIndex, Bitmap);
}

bool TLuxImageList::Masked(int ListIndex) {
    TLuxImageListItem* item = At(ListIndex);
    return item && item->Masked();
}

HPALETTE TLuxImageList::Palette(int) {
    return nullptr;
}

TColor TLuxImageList::TransparentColor(int ListIndex, int ImageIndex) {
    TLuxImageListItem* item = At(ListIndex);
    return item ? item->TransparentColor(ImageIndex) : kWhite;
}

TColor TLuxImageList::GetColorAtPoint(const TPoint& P, int ListIndex, int ImageIndex) {
    TLuxImageListItem* item = At(ListIndex);
    return item ? item->GetColorAtPoint(P, ImageIndex) : kWhite;
}

void TLuxImageList::Draw(TCanvas* Canvas, int X, int Y, int ListIndex, int ImageIndex) {
    if (TLuxImageListItem* item = At(ListIndex)) item->Draw(Canvas, X, Y, ImageIndex);
}

TRect TLuxImageList::DrawExt(TCanvas* Canvas, const TRect& Rect, WORD Flags, int ListIndex, int ImageIndex) {
    TLuxImageListItem* item = At(ListIndex);
    return item ? item->DrawExt(Canvas, Rect, Flags, ImageIndex) : TRect();
}

void TLuxImageList::ClipDraw(TCanvas* Canvas, const TRect& Rect, WORD Flags, int Offset, TColor Color,
                             int ListIndex, int ImageIndex) {
    if (TLuxImageListItem* item = At(ListIndex))
        item->ClipDraw(Canvas, Rect, Flags, Offset, Color, ImageIndex);
}

TLuxStringList::TLuxStringList(TComponent* AOwner)
    : TLuxCustomContainer(
          AOwner, [](TComponent* owner) -> TLuxListItem* { return new TLuxStringListItem(owner); },
          icStringList) {
    RegisterItemClass<TLuxStringListItem>();
}

TLuxGenericList::TLuxGenericList(TComponent* AOwner)
    : TLuxCustomContainer(
          AOwner, [](TComponent* owner) -> TLuxListItem* { return new TLuxGenericListItem(owner); },
          icGeneric) {
    RegisterItemClass<TLuxGenericListItem>();
}

TLuxWaveList::TLuxWaveList(TComponent* AOwner)
    : TLuxCustomContainer(
          AOwner, [](TComponent* owner) -> TLuxListItem* { return new TLuxWaveListItem(owner); }, icWave) {
    RegisterItemClass<TLuxWaveListItem>();
}

// --- Connector ------------------------------------------------------------------------------------

namespace {

TLuxListItemClass PlainItems() {
    return [](TComponent* owner) -> TLuxListItem* { return new TLuxListItem(owner); };
}

// Draws like the bitmap list.
TRect DrawCopy(TCanvas* Canvas, const TRect& Rect, TBitmap& copy, WORD Flags) {
    return LuxBmpDraw(Canvas, Rect, &copy, Flags, copy.TransparentColor());
}

} // namespace

TLuxBorImageListItem::TLuxBorImageListItem(TCollection* Collection)
    : TCollectionItem(Collection), link_(std::make_unique<TChangeLink>()) {
    link_->OnChange = TNotifyEvent::Bind<&TLuxBorImageListItem::ListChanged>(this);
}

TLuxBorImageListItem::~TLuxBorImageListItem() {
    link_->OnChange = nullptr;
}

TLuxImageListConnector* TLuxBorImageListItem::Connector() const {
    return Collection() ? dynamic_cast<TLuxImageListConnector*>(Collection()->Owner()) : nullptr;
}

void TLuxBorImageListItem::ListChanged(TObject*) {
    if (TLuxImageListConnector* c = Connector()) c->Change();
}

void TLuxBorImageListItem::SetImageList(TCustomImageList* Value) {
    // Through the link: a list being freed has already let its links go.
    if (link_->Sender) link_->Sender->UnRegisterChanges(link_.get());
    imageList_ = Value;
    TLuxImageListConnector* c = Connector();
    if (Value) {
        Value->RegisterChanges(link_.get());
        if (c) Value->FreeNotification(c);
    }
    if (c) c->Change();
}

void TLuxBorImageListItem::SetName(const std::string& Value) {
    if (Value == name_) return;
    name_ = Value;
    SetDisplayName(GetDisplayName());
}

std::string TLuxBorImageListItem::GetDisplayName() const {
    if (!name_.empty()) return name_;
    if (imageList_ && !imageList_->Name().empty()) return imageList_->Name();
    return TCollectionItem::GetDisplayName();
}

void TLuxBorImageListItem::Assign(const TPersistent* Source) {
    TCollectionItem::Assign(Source);
}

TLuxBorImageListItems::TLuxBorImageListItems(TLuxImageListConnector* Owner)
    : TCollection(ItemClassOf<TLuxBorImageListItem>(), Owner) {}

TLuxImageListConnector::TLuxImageListConnector(TComponent* AOwner)
    : TLuxCustomImageList(AOwner, PlainItems(), icInvalid),
      imageLists_(std::make_unique<TLuxBorImageListItems>(this)),
      shared_(std::make_unique<TLuxListItem>(nullptr)) {}

TLuxImageListConnector::~TLuxImageListConnector() {
    Destroying();
    imageLists_->Clear();
}

TLuxListItem* TLuxImageListConnector::GetItem(int Index) const {
    shared_->SetDescription(imageLists_->Items(Index)->Name());
    return shared_.get();
}

void TLuxImageListConnector::Notification(TComponent* AComponent, TOperation Operation) {
    TLuxCustomImageList::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove || !imageLists_) return;
    for (int i = 0; i < imageLists_->Count(); ++i) {
        TLuxBorImageListItem* entry = imageLists_->Items(i);
        if (entry->ImageList() && static_cast<TComponent*>(entry->ImageList()) == AComponent)
            entry->SetImageList(nullptr);
    }
}

TCustomImageList* TLuxImageListConnector::ListAt(int ListIndex) const {
    return ListIndex >= 0 && ListIndex < imageLists_->Count() ? imageLists_->Items(ListIndex)->ImageList()
                                                              : nullptr;
}

bool TLuxImageListConnector::Copy(int ListIndex, int ImageIndex, TBitmap& Bitmap) {
    if (!IsValidItem(ListIndex, ImageIndex)) return false;
    ListAt(ListIndex)->GetBitmap(ImageIndex, &Bitmap);
    return true;
}

TCanvas* TLuxImageListConnector::BmpCanvas(int) {
    return nullptr;
}

TRect TLuxImageListConnector::ItemRect(int ListIndex, int) {
    TCustomImageList* list = ListAt(ListIndex);
    return list ? TRect(0, 0, list->Width(), list->Height()) : TRect();
}

int TLuxImageListConnector::Dimensions(int ListIndex, BYTE Which) {
    TCustomImageList* list = ListAt(ListIndex);
    if (!list || Which > 1) return 0;
    return Which == 0 ? list->Width() : list->Height();
}

int TLuxImageListConnector::ItemCount(int ListIndex) {
    TCustomImageList* list = ListAt(ListIndex);
    return list ? list->Count() : -1;
}

bool TLuxImageListConnector::IsValidItem(int ListIndex, int ImageIndex) {
    TCustomImageList* list = ListAt(ListIndex);
    return list && ImageIndex >= 0 && ImageIndex < list->Count();
}

void TLuxImageListConnector::GetBitmapItem(int ListIndex, int ImageIndex, TBitmap* Bitmap) {
    if (Bitmap && IsValidItem(ListIndex, ImageIndex)) ListAt(ListIndex)->GetBitmap(ImageIndex, Bitmap);
}

bool TLuxImageListConnector::Masked(int ListIndex) {
    TCustomImageList* list = ListAt(ListIndex);
    return list && list->Masked();
}

HPALETTE TLuxImageListConnector::Palette(int) {
    return nullptr;
}

TColor TLuxImageListConnector::TransparentColor(int ListIndex, int ImageIndex) {
    TBitmap copy;
    return Copy(ListIndex, ImageIndex, copy) ? copy.TransparentColor() : kWhite;
}

TColor TLuxImageListConnector::GetColorAtPoint(const TPoint&, int, int) {
    return kWhite;
}

void TLuxImageListConnector::Draw(TCanvas* Canvas, int X, int Y, int ListIndex, int ImageIndex) {
    if (TCustomImageList* list = ListAt(ListIndex)) list->Draw(Canvas, X, Y, ImageIndex, true);
}

TRect TLuxImageListConnector::DrawExt(TCanvas* Canvas, const TRect& Rect, WORD Flags, int ListIndex,
                                      int ImageIndex) {
    TBitmap copy;
    return Copy(ListIndex, ImageIndex, copy) ? DrawCopy(Canvas, Rect, copy, Flags) : TRect();
}

void TLuxImageListConnector::ClipDraw(TCanvas* Canvas, const TRect& Rect, WORD Flags, int Offset,
                                      TColor Color, int ListIndex, int ImageIndex) {
    TBitmap copy;
    if (Copy(ListIndex, ImageIndex, copy)) LuxBmpClipDraw(Canvas, Rect, &copy, Flags, Offset, Color);
}

// --- Graphic list ---------------------------------------------------------------------------------

TLuxGraphicListItem::TLuxGraphicListItem(TCollection* Collection)
    : TCollectionItem(Collection), picture_(std::make_unique<TPicture>()) {
    picture_->OnChange = TNotifyEvent::Bind<&TLuxGraphicListItem::PictureChanged>(this);
}

TLuxGraphicListItem::~TLuxGraphicListItem() {
    picture_->OnChange = nullptr;
}

void TLuxGraphicListItem::PictureChanged(TObject*) {
    Changed(false);
}

void TLuxGraphicListItem::SetName(const std::string& Value) {
    if (Value == name_) return;
    name_ = Value;
    Changed(false);
}

std::string TLuxGraphicListItem::GetDisplayName() const {
    return name_.empty() ? TCollectionItem::GetDisplayName() : name_;
}

void TLuxGraphicListItem::Assign(const TPersistent* Source) {
    if (auto* src = dynamic_cast<const TLuxGraphicListItem*>(Source)) {
        picture_->Assign(src->picture_.get());
        name_ = src->name_;
        Changed(false);
        return;
    }
    TCollectionItem::Assign(Source);
}

TLuxGraphicListItems::TLuxGraphicListItems(TLuxGraphicList* Owner)
    : TCollection(ItemClassOf<TLuxGraphicListItem>(), Owner) {}

void TLuxGraphicListItems::Update(TCollectionItem*) {
    if (auto* list = dynamic_cast<TLuxGraphicList*>(Owner()))
        if (!list->ComponentState().Contains(TComponentStateItem::csDestroying)) list->Change();
}

TLuxGraphicList::TLuxGraphicList(TComponent* AOwner)
    : TLuxCustomImageList(AOwner, PlainItems(), icInvalid),
      graphics_(std::make_unique<TLuxGraphicListItems>(this)),
      shared_(std::make_unique<TLuxListItem>(nullptr)) {}

TLuxGraphicList::~TLuxGraphicList() {
    Destroying();
    graphics_->Clear();
}

TLuxListItem* TLuxGraphicList::GetItem(int Index) const {
    shared_->SetDescription(graphics_->Items(Index)->Name());
    return shared_.get();
}

TGraphic* TLuxGraphicList::GraphicAt(int ListIndex) const {
    if (ListIndex < 0 || ListIndex >= graphics_->Count()) return nullptr;
    return graphics_->Items(ListIndex)->Picture()->Graphic();
}

bool TLuxGraphicList::Copy(int ListIndex, TBitmap& Bitmap) {
    if (!IsValidItem(ListIndex, 0)) return false;
    GetBitmapItem(ListIndex, 0, &Bitmap);
    return true;
}

TCanvas* TLuxGraphicList::BmpCanvas(int) {
    return nullptr;
}

TRect TLuxGraphicList::ItemRect(int ListIndex, int) {
    TGraphic* g = GraphicAt(ListIndex);
    return g ? TRect(0, 0, g->Width(), g->Height()) : TRect();
}

int TLuxGraphicList::Dimensions(int ListIndex, BYTE Which) {
    TGraphic* g = GraphicAt(ListIndex);
    if (!g || Which > 1) return 0;
    return Which == 0 ? g->Width() : g->Height();
}

int TLuxGraphicList::ItemCount(int ListIndex) {
    return GraphicAt(ListIndex) ? 1 : 0;
}

bool TLuxGraphicList::IsValidItem(int ListIndex, int) {
    return GraphicAt(ListIndex) != nullptr;
}

void TLuxGraphicList::GetBitmapItem(int ListIndex, int, TBitmap* Bitmap) {
    TGraphic* g = GraphicAt(ListIndex);
    if (!g || !Bitmap) return;
    if (auto* b = dynamic_cast<TBitmap*>(g)) {
        Bitmap->Assign(b);
        return;
    }
    Bitmap->SetSize(g->Width(), g->Height());
    Bitmap->Canvas()->Brush()->SetColor(kWhite);
    Bitmap->Canvas()->FillRect(TRect(0, 0, g->Width(), g->Height()));
    Bitmap->Canvas()->Draw(0, 0, g);
}

bool TLuxGraphicList::Masked(int) {
    return false;
}

HPALETTE TLuxGraphicList::Palette(int) {
    return nullptr;
}

TColor TLuxGraphicList::TransparentColor(int ListIndex, int) {
    TGraphic* g = GraphicAt(ListIndex);
    if (!g) return clNone;
    if (auto* b = dynamic_cast<TBitmap*>(g)) return b->TransparentColor();
    TBitmap copy;
    Copy(ListIndex, copy);
    return copy.TransparentColor();
}

TColor TLuxGraphicList::GetColorAtPoint(const TPoint&, int, int) {
    return kWhite;
}

void TLuxGraphicList::Draw(TCanvas* Canvas, int X, int Y, int ListIndex, int) {
    if (TGraphic* g = GraphicAt(ListIndex)) Canvas->Draw(X, Y, g);
}

TRect TLuxGraphicList::DrawExt(TCanvas* Canvas, const TRect& Rect, WORD Flags, int ListIndex, int) {
    TBitmap copy;
    return Copy(ListIndex, copy) ? DrawCopy(Canvas, Rect, copy, Flags) : TRect();
}

void TLuxGraphicList::ClipDraw(TCanvas* Canvas, const TRect& Rect, WORD Flags, int Offset, TColor Color,
                               int ListIndex, int) {
    TBitmap copy;
    if (Copy(ListIndex, copy)) LuxBmpClipDraw(Canvas, Rect, &copy, Flags, Offset, Color);
}

// --- The container --------------------------------------------------------------------------------

TLuxContainer* LuxContainer = nullptr;

TLuxContainer::TLuxContainer(TComponent* AOwner)
    : TLuxBaseContainer(AOwner), bitmapList_(new TLuxBitmapList(this)), imageList_(new TLuxImageList(this)),
      waveList_(new TLuxWaveList(this)), stringList_(new TLuxStringList(this)) {
    for (TLuxCustomContainer* list :
         std::initializer_list<TLuxCustomContainer*>{bitmapList_, imageList_, waveList_, stringList_})
        list->OnChange = TNotifyEvent::Bind<&TLuxContainer::GetChange>(this);
}

TLuxContainer::~TLuxContainer() {
    Destroying();
    for (TLuxCustomContainer* list :
         std::initializer_list<TLuxCustomContainer*>{stringList_, waveList_, imageList_, bitmapList_}) {
        list->OnChange = nullptr;
        delete list;
    }
}

void TLuxContainer::GetChange(TObject* Sender) {
    if (Designing(this) && this != LuxContainer && LuxContainer) {
        if (Sender == bitmapList_) LuxContainer->bitmapList_->Assign(bitmapList_);
        if (Sender == imageList_) LuxContainer->imageList_->Assign(imageList_);
        if (Sender == waveList_) LuxContainer->waveList_->Assign(waveList_);
        if (Sender == stringList_) LuxContainer->stringList_->Assign(stringList_);
    }
    TLuxBaseContainer::GetChange(Sender);
}

namespace {

bool DesignTime(const TComponent* c) {
    return Designing(c) || (c->Owner() && Designing(c->Owner()));
}

} // namespace

TLuxContainerCtrl::TLuxContainerCtrl(TComponent* AOwner) : TLuxCustomComponent(AOwner) {
    if (DesignTime(this)) {
        if (LuxCheckForSameClass(AOwner, LuxClassOf<TLuxContainerCtrl>(), false)) {
            selector_ = 255;
            throw LuxEOneInstError(ClassName(), 0);
        }
        // Owned, so that it is designing too and copies its changed lists into LuxContainer.
        container_ = new TLuxContainer(this);
        own_ = true;
    } else {
        container_ = LuxContainer;
    }
}

TLuxContainerCtrl::~TLuxContainerCtrl() {
    if (own_) {
        delete container_;
        if (selector_ != 255 && LuxContainer)
            for (TLuxCustomContainer* list : std::initializer_list<TLuxCustomContainer*>{
                     LuxContainer->BitmapList(), LuxContainer->ImageList(), LuxContainer->WaveList(),
                     LuxContainer->StringList()})
                list->Clear();
    }
}

TLuxCustomContainer* TLuxContainerCtrl::Selected() const {
    if (!container_) return nullptr;
    switch (selector_) {
    case 1:
        return container_->BitmapList();
    case 2:
        return container_->ImageList();
    case 3:
        return container_->WaveList();
    case 4:
        return container_->StringList();
    default:
        return nullptr;
    }
}

void TLuxContainerCtrl::DefineProperties(TFiler* Filer) {
    TLuxCustomComponent::DefineProperties(Filer);
    static const char* const kNames[4] = {"BitmapList", "ImageList", "WaveList", "StringList"};
    for (BYTE k = 1; k <= 4; ++k) {
        selector_ = k;
        TLuxCustomContainer* list = Selected();
        Filer->DefineBinaryProperty(
            kNames[k - 1],
            [list](TStream* s) {
                if (list) list->ReadData(s, false);
            },
            [list](TStream* s) { list->WriteData(s, false); }, list && !list->GetEmpty());
    }
    selector_ = 0;
}

void TLuxContainerCtrl::Notification(TComponent* AComponent, TOperation Operation) {
    TLuxCustomComponent::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == this && own_ && selector_ != 255 && LuxContainer)
        for (TLuxCustomContainer* list : std::initializer_list<TLuxCustomContainer*>{
                 LuxContainer->BitmapList(), LuxContainer->ImageList(), LuxContainer->WaveList(),
                 LuxContainer->StringList()})
            list->Clear();
}

namespace {
int luxcontInits = 0;
} // namespace

void InitLuxcont() {
    if (luxcontInits++ == 0) LuxContainer = new TLuxContainer(nullptr);
}

void DoneLuxcont() {
    if (luxcontInits == 0 || --luxcontInits > 0) return;
    delete LuxContainer;
    LuxContainer = nullptr;
}

// --- Unit routines --------------------------------------------------------------------------------

TLuxListItemClassType LuxListGetFileType(const std::string& FileName, int& Count,
                                         std::vector<std::int32_t>* List) {
    Count = -1;
    TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
    const TLuxListItemClassType type = ReadSignature(&file);
    if (type == icInvalid) return type;
    const std::int32_t count = stReadInteger(file);
    if (count < 0 || std::int64_t(count) * 4 > BytesLeft(&file)) throw EReadError("Invalid item count");
    Count = count;
    if (!List) return type;
    std::vector<std::int32_t> offsets;
    offsets.reserve(static_cast<std::size_t>(count));
    const std::int64_t first = 13 + std::int64_t(count) * 4;
    const std::int64_t size = file.Size();
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int32_t offset = stReadInteger(file);
        if (offset < first || offset >= size) throw EReadError("Invalid item offset");
        offsets.push_back(offset);
    }
    *List = std::move(offsets);
    return type;
}

bool LuxListGetItemFromStream(TStream* Stream, const std::vector<std::int32_t>* List, int Index,
                              TLuxListItem* Item) {
    if (!List) return false;
    if (Index < 0 || Index >= static_cast<int>(List->size())) ListIndexError(Index);
    const std::int32_t offset = (*List)[static_cast<std::size_t>(Index)];
    if (offset < 0 || offset >= Stream->Size()) throw EReadError("Invalid item offset");
    Stream->SetPosition(offset);
    Item->LoadFromStream(Stream);
    return true;
}

bool LuxListGetItemFromFile(const std::string& FileName, TLuxListItemClassType Type,
                            const std::vector<std::int32_t>* List, TLuxListItem* Item, int Index) {
    std::vector<std::int32_t> own;
    int count = -1;
    // The type is checked also when the caller brings the offsets.
    if (LuxListGetFileType(FileName, count, List ? nullptr : &own) != Type) CannotOpenFile(FileName);
    TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
    return LuxListGetItemFromStream(&file, List ? List : &own, Index, Item);
}

void LuxBMLGetItem(const std::string& FileName, int Index, TBitmap* Bitmap) {
    TLuxBitmapListItem item(nullptr);
    LuxListGetItemFromFile(FileName, icBitmap, nullptr, &item, Index);
    if (Bitmap) Bitmap->Assign(item.PeekBitmap());
}

void LuxIMLGetItem(const std::string& FileName, int Index, TLuxImageListItem* Item) {
    if (Item) LuxListGetItemFromFile(FileName, icImageList, nullptr, Item, Index);
}

void LuxWVLGetItem(const std::string& FileName, int Index, TLuxWave* Wave) {
    TLuxWaveListItem item(nullptr);
    LuxListGetItemFromFile(FileName, icWave, nullptr, &item, Index);
    if (Wave) Wave->Assign(item.Wave());
}

bool LuxBmpLoadFromFile(const std::string& FileName, int Ident, TBitmap* Bitmap) {
    HMODULE module = LoadLibrary(FileName.c_str());
    if (!module) return false;
    const bool loaded = LuxBmpLoad(module, Ident, Bitmap);
    FreeLibrary(module);
    return loaded;
}

bool LuxBmpLoad(HMODULE, int, TBitmap*) {
    // No resource module can be loaded here, so there is nothing to take a bitmap from.
    return false;
}

bool LuxIsSingleItemImageList(const TLuxCustomImageList* List) {
    return dynamic_cast<const TLuxBitmapList*>(List) || dynamic_cast<const TLuxGraphicList*>(List);
}

bool LuxIsCollectionImageList(const TLuxCustomImageList* List) {
    return dynamic_cast<const TLuxImageListConnector*>(List) != nullptr;
}

std::string LuxWriteGlobalIdent(const TLuxCustomImageList* List) {
    if (!LuxContainer || !List) return {};
    if (List == LuxContainer->BitmapList()) return LuxICSIGNATURE[icBitmap];
    if (List == LuxContainer->ImageList()) return LuxICSIGNATURE[icImageList];
    return {};
}

TLuxCustomImageList* LuxReadGlobalIdent(const std::string& Ident) {
    if (!LuxContainer) return nullptr;
    if (Ident == LuxICSIGNATURE[icBitmap]) return LuxContainer->BitmapList();
    if (Ident == LuxICSIGNATURE[icImageList]) return LuxContainer->ImageList();
    return nullptr;
}

bool LuxIsGlobalIdent(const TLuxCustomImageList* List) {
    return !LuxWriteGlobalIdent(List).empty();
}

// --- Published properties -------------------------------------------------------------------------

namespace {

TPropInfo NotStored(TPropInfo p) {
    p.Stored = [](const TObject*) { return false; };
    return p;
}

const bool kPublished = [] {
    using namespace published;
    auto description = [](const TLuxListItem& i) { return i.Description(); };
    auto setDescription = [](TLuxListItem& i, const std::string& v) { i.SetDescription(v); };
    auto ident = [](const TLuxListItem& i) { return static_cast<int>(i.Ident()); };
    auto setIdent = [](TLuxListItem& i, int v) { i.SetIdent(static_cast<std::uint16_t>(v)); };
    PublishProperties<TLuxBitmapListItem, TLuxCustomComponent>({
        NotStored(Property<TLuxBitmapListItem>(
            "Bitmap", [](const TLuxBitmapListItem& i) { return i.PeekBitmap(); },
            [](TLuxBitmapListItem& i, TBitmap* v) { i.SetBitmap(v); })),
        NotStored(Property<TLuxBitmapListItem>("Ident", ident, setIdent)),
        NotStored(Property<TLuxBitmapListItem>("Description", description, setDescription)),
    });
    PublishProperties<TLuxImageListItem, TLuxCustomComponent>({
        Property<TLuxImageListItem>(
            "AllocBy", [](const TLuxImageListItem& i) { return i.AllocBy(); },
            [](TLuxImageListItem& i, int v) { i.SetAllocBy(v); }, 4),
        Property<TLuxImageListItem>("Description", description, setDescription),
        Property<TLuxImageListItem>(
            "Masked", [](const TLuxImageListItem& i) { return i.Masked(); },
            [](TLuxImageListItem& i, bool v) { i.SetMasked(v); }, 0),
        Property<TLuxImageListItem>(
            "Height", [](const TLuxImageListItem& i) { return i.Height(); },
            [](TLuxImageListItem& i, int v) { i.SetHeight(v); }, 16),
        Property<TLuxImageListItem>(
            "Width", [](const TLuxImageListItem& i) { return i.Width(); },
            [](TLuxImageListItem& i, int v) { i.SetWidth(v); }, 16),
    });
    // The lines are stored in "Internal".
    PublishProperties<TLuxStringListItem, TLuxCustomComponent>({
        NotStored(Property<TLuxStringListItem>(
            "Items",
            [](const TLuxStringListItem& i) { return const_cast<TLuxStringListItem&>(i).PublishedItems(); },
            [](TLuxStringListItem& i, TPersistentStrings* v) { i.PublishedItems()->Assign(v); })),
        Property<TLuxStringListItem>("Description", description, setDescription),
        Property<TLuxStringListItem>("Ident", ident, setIdent),
    });
    PublishProperties<TLuxWaveListItem, TLuxCustomComponent>({
        NotStored(Property<TLuxWaveListItem>(
            "Wave", [](const TLuxWaveListItem& i) { return i.Wave(); }, nullptr)),
        Property<TLuxWaveListItem>("Description", description, setDescription),
        Property<TLuxWaveListItem>("Ident", ident, setIdent),
    });
    auto compressed = [](const TLuxCustomContainer& c) { return c.DefaultCompressed(); };
    auto setCompressed = [](TLuxCustomContainer& c, bool v) { c.SetDefaultCompressed(v); };
    auto pixelFormat = [](const TLuxCustomImageList& c) { return c.DefaultPixelFormat(); };
    auto setPixelFormat = [](TLuxCustomImageList& c, TLuxSavePixelFormat v) { c.SetDefaultPixelFormat(v); };
    PublishProperties<TLuxCustomContainer, TLuxCustomComponent>({LuxAboutProperty<TLuxCustomContainer>()});
    PublishProperties<TLuxBitmapList, TLuxCustomContainer>({
        Property<TLuxBitmapList>("DefaultCompressed", compressed, setCompressed, 0),
        Property<TLuxBitmapList>("DefaultPixelFormat", pixelFormat, setPixelFormat, spfDefault),
    });
    PublishProperties<TLuxImageList, TLuxCustomContainer>({
        Property<TLuxImageList>("DefaultCompressed", compressed, setCompressed, 0),
        Property<TLuxImageList>("DefaultPixelFormat", pixelFormat, setPixelFormat, spfDefault),
    });
    PublishProperties<TLuxStringList, TLuxCustomContainer>(
        {Property<TLuxStringList>("DefaultCompressed", compressed, setCompressed, 0)});
    PublishProperties<TLuxGenericList, TLuxCustomContainer>(
        {Property<TLuxGenericList>("DefaultCompressed", compressed, setCompressed, 0)});
    PublishProperties<TLuxWaveList, TLuxCustomContainer>(
        {Property<TLuxWaveList>("DefaultCompressed", compressed, setCompressed, 0)});
    PublishProperties<TLuxImageListConnector, TLuxCustomContainer>({Property<TLuxImageListConnector>(
        "ImageLists", [](const TLuxImageListConnector& c) { return c.ImageLists(); }, nullptr)});
    PublishProperties<TLuxGraphicList, TLuxCustomContainer>({Property<TLuxGraphicList>(
        "Graphics", [](const TLuxGraphicList& c) { return c.Graphics(); }, nullptr)});
    PublishProperties<TLuxBorImageListItem>({
        Property<TLuxBorImageListItem>(
            "Name", [](const TLuxBorImageListItem& i) { return i.Name(); },
            [](TLuxBorImageListItem& i, const std::string& v) { i.SetName(v); }),
        Property<TLuxBorImageListItem>(
            "ImageList", [](const TLuxBorImageListItem& i) { return i.ImageList(); },
            [](TLuxBorImageListItem& i, TCustomImageList* v) { i.SetImageList(v); }),
        Property<TLuxBorImageListItem>(
            "Index", [](const TLuxBorImageListItem& i) { return i.Index(); },
            [](TLuxBorImageListItem& i, int v) { i.SetIndex(v); }),
    });
    PublishProperties<TLuxGraphicListItem>({
        Property<TLuxGraphicListItem>(
            "Name", [](const TLuxGraphicListItem& i) { return i.Name(); },
            [](TLuxGraphicListItem& i, const std::string& v) { i.SetName(v); }),
        Property<TLuxGraphicListItem>(
            "Picture", [](const TLuxGraphicListItem& i) { return i.Picture(); }, nullptr),
        Property<TLuxGraphicListItem>(
            "Index", [](const TLuxGraphicListItem& i) { return i.Index(); },
            [](TLuxGraphicListItem& i, int v) { i.SetIndex(v); }),
    });
    PublishProperties<TLuxContainerCtrl, TLuxCustomComponent>({LuxAboutProperty<TLuxContainerCtrl>()});
    RegisterClass<TLuxContainer>();
    RegisterClass<TLuxBitmapList>();
    RegisterClass<TLuxImageList>();
    RegisterClass<TLuxStringList>();
    RegisterClass<TLuxGenericList>();
    RegisterClass<TLuxWaveList>();
    RegisterClass<TLuxImageListConnector>();
    RegisterClass<TLuxGraphicList>();
    RegisterClass<TLuxContainerCtrl>();
    return true;
}();

} // namespace
