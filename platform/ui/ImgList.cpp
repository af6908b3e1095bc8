#include "platform/ui/ImgList.h"

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Raster.h"

#include <algorithm>

namespace {

constexpr COLORREF kWhite = 0xFFFFFF;
// MaskBlt: where the mask is 1 the destination stays, elsewhere the source is copied.
constexpr DWORD kKeepWhereMasked = MAKEROP4(0x00AA0029, SRCCOPY);

COLORREF Mix(COLORREF a, COLORREF b, int parts) {
    auto channel = [&](int shift) {
        const int ca = static_cast<int>((a >> shift) & 0xFF), cb = static_cast<int>((b >> shift) & 0xFF);
        return static_cast<COLORREF>((ca * (4 - parts) + cb * parts) / 4) << shift;
    };
    return channel(0) | channel(8) | channel(16);
}

// Copies the pixels (rows top-down) to (x, y) of dc, leaving alone those whose transparent flag is
// set when flags are given.
void Blit(HDC dc, int x, int y, int w, int h, const std::vector<COLORREF>& pixels,
          const std::vector<std::uint8_t>* transparent) {
    BITMAPINFO info{};
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, 0, 0);
    if (!dib || !bits) return;
    auto* out = static_cast<std::uint32_t*>(bits);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const COLORREF c = pixels[i];
        out[i] = (c & 0xFF) << 16 | (c & 0xFF00) | ((c >> 16) & 0xFF);
    }
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(mem, dib);
    if (!transparent) {
        BitBlt(dc, x, y, w, h, mem, 0, 0, SRCCOPY);
    } else {
        const int stride = ((w + 15) / 16) * 2;
        std::vector<std::uint8_t> rows(static_cast<std::size_t>(stride) * static_cast<std::size_t>(h), 0);
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c)
                if ((*transparent)[static_cast<std::size_t>(r) * static_cast<std::size_t>(w) + static_cast<std::size_t>(c)])
                    rows[static_cast<std::size_t>(r) * static_cast<std::size_t>(stride) + static_cast<std::size_t>(c / 8)] |=
                        static_cast<std::uint8_t>(0x80 >> (c % 8));
        HBITMAP mask = CreateBitmap(w, h, 1, 1, rows.data());
        MaskBlt(dc, x, y, w, h, mem, 0, 0, mask, 0, 0, kKeepWhereMasked);
        DeleteObject(mask);
    }
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(dib);
}

} // namespace

TChangeLink::~TChangeLink() {
    if (Sender) Sender->UnRegisterChanges(this);
}

void TChangeLink::Change() {
    if (OnChange) OnChange(Sender);
}

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomImageList::TCustomImageList(TComponent* AOwner, int AWidth, int AHeight) : TComponent(AOwner) {
    if (AWidth < 1 || AHeight < 1) throw EInvalidOperation("Invalid image size");
    width_ = AWidth;
    height_ = AHeight;
}

TCustomImageList::~TCustomImageList() {
    for (TChangeLink* link : links_) link->Sender = nullptr;
}

void TCustomImageList::Assign(const TPersistent* Source) {
    const auto* source = dynamic_cast<const TCustomImageList*>(Source);
    if (!source) {
        TComponent::Assign(Source);
        return;
    }
    width_ = source->width_;
    height_ = source->height_;
    AllocBy = source->AllocBy;
    bkColor_ = source->bkColor_;
    BlendColor = source->BlendColor;
    drawingStyle_ = source->drawingStyle_;
    imageType_ = source->imageType_;
    masked_ = source->masked_;
    images_ = source->images_;
    Change();
}

void TCustomImageList::SetWidth(int Value) {
    if (Value == width_) return;
    if (Value < 1) throw EInvalidOperation("Invalid image size");
    width_ = Value;
    images_.clear();
    Change();
}

void TCustomImageList::SetHeight(int Value) {
    if (Value == height_) return;
    if (Value < 1) throw EInvalidOperation("Invalid image size");
    height_ = Value;
    images_.clear();
    Change();
}

void TCustomImageList::SetBkColor(TColor Value) {
    if (Value == bkColor_) return;
    bkColor_ = Value;
    Change();
}

void TCustomImageList::SetDrawingStyle(TDrawingStyle Value) {
    if (Value == drawingStyle_) return;
    drawingStyle_ = Value;
    Change();
}

void TCustomImageList::SetImageType(TImageType Value) {
    if (Value == imageType_) return;
    imageType_ = Value;
    Change();
}

void TCustomImageList::SetMasked(bool Value) {
    if (Value == masked_) return;
    masked_ = Value;
    Change();
}

void TCustomImageList::CheckSize(TBitmap* bitmap) const {
    if (bitmap && (bitmap->Width() < width_ || bitmap->Height() < height_))
        throw EInvalidOperation("Invalid image size");
}

TCustomImageList::Picture TCustomImageList::Slice(TBitmap* image, TBitmap* mask, int left, bool colorMask,
                                                COLORREF maskColor) const {
    Picture out;
    const std::size_t n = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
    out.pixels.resize(n);
    out.transparent.assign(n, 0);
    TCanvas* ic = image->Canvas();
    TCanvas* mc = mask ? mask->Canvas() : nullptr;
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x);
            COLORREF c = static_cast<COLORREF>(ic->Pixels(left + x, y));
            bool clear = false;
            if (masked_ && colorMask)
                clear = c == maskColor;
            else if (masked_ && mc)
                clear = static_cast<COLORREF>(mc->Pixels(left + x, y)) == kWhite;
            if (clear && colorMask) c = 0;
            out.pixels[i] = c;
            out.transparent[i] = clear ? 1 : 0;
        }
    return out;
}

int TCustomImageList::Add(TBitmap* Image, TBitmap* Mask) {
    if (!Image) return -1;
    CheckSize(Image);
    if (masked_) CheckSize(Mask);
    const int first = Count();
    const int slices = std::max(1, Image->Width() / width_);
    for (int s = 0; s < slices; ++s) images_.push_back(Slice(Image, Mask, s * width_, false, 0));
    Change();
    return first;
}

int TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
    if (!Image) return -1;
    if (!masked_ || MaskColor == clNone) return Add(Image, nullptr);
    CheckSize(Image);
    const int first = Count();
    const int slices = std::max(1, Image->Width() / width_);
    const COLORREF key = ColorToRGB(MaskColor);
    for (int s = 0; s < slices; ++s) images_.push_back(Slice(Image, nullptr, s * width_, true, key));
    Change();
    return first;
}

void TCustomImageList::Replace(int Index, TBitmap* Image, TBitmap* Mask) {
    if (Index < 0 || Index >= Count()) throw EInvalidOperation("Invalid ImageList Index");
    if (!Image) return;
    CheckSize(Image);
    if (masked_) CheckSize(Mask);
    images_[static_cast<std::size_t>(Index)] = Slice(Image, Mask, 0, false, 0);
    Change();
}

void TCustomImageList::Delete(int Index) {
    if (Index >= Count() || Index < -1) throw EInvalidOperation("Invalid ImageList Index");
    if (Index == -1)
        images_.clear();
    else
        images_.erase(images_.begin() + Index);
    Change();
}

void TCustomImageList::DrawImage(HDC dc, int x, int y, const Picture& image, bool enabled) {
    const bool masked = masked_;
    if (imageType_ == itMask) {
        // The mask itself: black where opaque, white where transparent.
        std::vector<COLORREF> px(image.pixels.size());
        for (std::size_t i = 0; i < px.size(); ++i) px[i] = masked && image.transparent[i] ? kWhite : 0;
        Blit(dc, x, y, width_, height_, px, nullptr);
        return;
    }
    if (!enabled) {
        std::vector<std::uint8_t> blank(image.pixels.size());
        for (std::size_t i = 0; i < blank.size(); ++i)
            blank[i] = (masked && image.transparent[i]) || image.pixels[i] == kWhite ? 1 : 0;
        Blit(dc, x + 1, y + 1, width_, height_,
             std::vector<COLORREF>(image.pixels.size(), ColorToRGB(clBtnHighlight)), &blank);
        Blit(dc, x, y, width_, height_, std::vector<COLORREF>(image.pixels.size(), ColorToRGB(clBtnShadow)),
             &blank);
        return;
    }
    std::vector<COLORREF> px = image.pixels;
    if (drawingStyle_ == dsFocus || drawingStyle_ == dsSelected) {
        const COLORREF blend = ColorToRGB(BlendColor == clNone ? clHighlight : BlendColor);
        const int parts = drawingStyle_ == dsFocus ? 1 : 2;
        for (std::size_t i = 0; i < px.size(); ++i)
            if (!masked || !image.transparent[i]) px[i] = Mix(px[i], blend, parts);
    }
    if (!masked) {
        Blit(dc, x, y, width_, height_, px, nullptr);
        return;
    }
    if (drawingStyle_ != dsTransparent && bkColor_ != clNone) {
        const COLORREF bk = ColorToRGB(bkColor_);
        for (std::size_t i = 0; i < px.size(); ++i)
            if (image.transparent[i]) px[i] = bk;
        Blit(dc, x, y, width_, height_, px, nullptr);
        return;
    }
    Blit(dc, x, y, width_, height_, px, &image.transparent);
}

void TCustomImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled) {
    if (!Canvas || Index < 0 || Index >= Count()) return;
    DrawImage(Canvas->Handle(), X, Y, images_[static_cast<std::size_t>(Index)], Enabled);
}

void TCustomImageList::GetBitmap(int Index, TBitmap* Image) {
    if (!Image) return;
    Image->SetSize(width_, height_);
    Draw(Image->Canvas(), 0, 0, Index);
}

void TCustomImageList::RegisterChanges(TChangeLink* Value) {
    if (!Value) return;
    if (Value->Sender && Value->Sender != this) Value->Sender->UnRegisterChanges(Value);
    Value->Sender = this;
    if (std::find(links_.begin(), links_.end(), Value) == links_.end()) links_.push_back(Value);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* Value) {
    const auto it = std::find(links_.begin(), links_.end(), Value);
    if (it == links_.end()) return;
    links_.erase(it);
    Value->Sender = nullptr;
}

void TCustomImageList::BeginUpdate() {
    ++updateCount_;
}

void TCustomImageList::EndUpdate() {
    if (updateCount_ > 0) --updateCount_;
    if (updateCount_ == 0 && changed_) Change();
}

void TCustomImageList::Change() {
    changed_ = true;
    if (updateCount_ > 0) return;
    changed_ = false;
    // A link may unregister itself from its handler.
    const std::vector<TChangeLink*> links = links_;
    for (TChangeLink* link : links)
        if (std::find(links_.begin(), links_.end(), link) != links_.end()) link->Change();
    if (OnChange) OnChange(this);
}
