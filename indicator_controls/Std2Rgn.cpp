// Window regions kept as region data, and the small geometry records of the skinned buttons.
#include "indicator_controls/Std2.h"

#include "indicator_controls/Vanimate.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Region.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TypInfo.h"

#include <cstring>

namespace {

// The region data block of a region, as GetRegionData gives it.
std::vector<std::uint8_t> RegionBytes(HRGN rgn) {
    const DWORD size = GetRegionData(rgn, 0, nullptr);
    std::vector<std::uint8_t> bytes(size);
    if (size == 0 || GetRegionData(rgn, size, reinterpret_cast<RGNDATA*>(bytes.data())) != size) bytes.clear();
    return bytes;
}

// Shows the hourglass while it lives.
class HourGlass {
public:
    HourGlass() {
        if (Screen) Screen->SetCursor(crHourGlass);
    }
    ~HourGlass() {
        if (Screen) Screen->SetCursor(crDefault);
    }
    HourGlass(const HourGlass&) = delete;
    HourGlass& operator=(const HourGlass&) = delete;
};

} // namespace

// --- TvcRgn ----------------------------------------------------------------------------------------

void TvcRgn::LoadFromFile(const std::string& FileName) {
    TFileStream stream(FileName, fmOpenRead);
    LoadFromStream(&stream);
}

void TvcRgn::SaveToFile(const std::string& FileName) {
    TFileStream stream(FileName, fmCreate);
    SaveToStream(&stream);
}

void TvcRgn::LoadFromStream(TStream* Stream) {
    std::uint8_t head[4];
    Stream->ReadBuffer(head, 4);
    const std::uint32_t n = static_cast<std::uint32_t>(head[0]) | static_cast<std::uint32_t>(head[1]) << 8 |
                            static_cast<std::uint32_t>(head[2]) << 16 | static_cast<std::uint32_t>(head[3]) << 24;
    std::vector<std::uint8_t> bytes;
    if (n != 0) {
        // The count is checked against what the stream holds before anything is allocated, and the
        // bytes must be a block the platform takes as a region.
        if (n > Stream->Size() - Stream->Position()) throw EReadError();
        bytes.resize(n);
        Stream->ReadBuffer(bytes.data(), static_cast<std::int32_t>(n));
        if (RegionDataBytes(reinterpret_cast<const RGNDATA*>(bytes.data()), n) == 0) throw EReadError();
    }
    data_ = std::move(bytes);
    Changed();
}

void TvcRgn::SaveToStream(TStream* Stream) const {
    const std::uint32_t n = Size();
    const std::uint8_t head[4] = {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                                  static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 24)};
    Stream->WriteBuffer(head, 4);
    if (!data_.empty()) Stream->WriteBuffer(data_.data(), static_cast<std::int32_t>(data_.size()));
}

void TvcRgn::DefineProperties(TFiler* Filer) {
    Filer->DefineBinaryProperty(
        "Data", [this](TStream* s) { ReadData(s); }, [this](TStream* s) { WriteData(s); }, true);
}

void TvcRgn::Assign(const TPersistent* Source) {
    if (Source && !dynamic_cast<const TvcRgn*>(Source)) {
        TPersistent::Assign(Source);
        return;
    }
    const auto* from = static_cast<const TvcRgn*>(Source);
    if (from != this) {
        if (from && from->ExsistData())
            data_ = from->data_;
        else
            data_.clear();
    }
    Changed();
}

void TvcRgn::SetRgn(const void* Data, std::uint32_t Size) {
    if (!Data) {
        data_.clear();
        return;
    }
    const auto* p = static_cast<const std::uint8_t*>(Data);
    data_.assign(p, p + Size);
}

HRGN TvcRgn::Handle() const {
    if (data_.empty()) return nullptr;
    return ExtCreateRegion(nullptr, Size(), reinterpret_cast<const RGNDATA*>(data_.data()));
}

void TvcRgn::Changed() {
    modified_ = true;
    if (OnChange) OnChange(this);
}

void TvcRgn::SetModified(bool Value) {
    if (Value)
        Changed();
    else
        modified_ = false;
}

void TvcRgn::SerRgnFromBmp(TBitmap* Bitmap, TColor TransparentColor) {
    if (!Bitmap || Bitmap->Width() <= 0 || Bitmap->Height() <= 0) {
        Assign(nullptr);
        return;
    }
    HourGlass busy;
    const COLORREF t = ColorToRGB(TransparentColor);
    // The picture is read as if drawn onto a frame of transparent pixels two wider and two higher
    // than itself; a picture drawn transparently shows the frame through its own transparent colour.
    TvFastBmp fast(Bitmap);
    const int pw = fast.Width, ph = fast.Height;
    const std::uint8_t key[3] = {static_cast<std::uint8_t>(t >> 16), static_cast<std::uint8_t>(t >> 8),
                                 static_cast<std::uint8_t>(t)};
    const bool seeThrough = Bitmap->Transparent();
    const COLORREF o = seeThrough ? ColorToRGB(Bitmap->TransparentColor()) : t;
    const std::uint8_t own[3] = {static_cast<std::uint8_t>(o >> 16), static_cast<std::uint8_t>(o >> 8),
                                 static_cast<std::uint8_t>(o)};
    const auto clear = [&](const std::uint8_t* p) {
        return (p[0] == key[0] && p[1] == key[1] && p[2] == key[2]) ||
               (p[0] == own[0] && p[1] == own[1] && p[2] == own[2]);
    };

    // Each run of other pixels from column a to b - 1 gives the rectangle (a + 1, y, b, y + 1): the
    // run loses its leftmost pixel, as stored shapes were made that way. The frame ends every run
    // inside the picture's row; its two rows below the picture hold no run, and the row past them
    // would only add a strip outside the window.
    std::vector<RECT> rects;
    for (int y = 0; y < ph; ++y) {
        const std::uint8_t* row = fast.GetLine(y);
        int x = 0;
        while (x < pw) {
            while (x < pw && clear(row + 3 * x)) ++x;
            if (x >= pw) break;
            const int start = x;
            while (x < pw && !clear(row + 3 * x)) ++x;
            if (x - start >= 2) rects.push_back(RECT{start + 1, y, x, y + 1});
        }
    }
    HRGN rgn = CreateRectsRgn(rects.data(), rects.size());
    data_ = RegionBytes(rgn);
    DeleteObject(rgn);
    Changed();
}

// --- TvcBmpOffset, TvcTextSize ---------------------------------------------------------------------

void TvcBmpOffset::Notify() {
    if (OnChange) OnChange(this);
}
void TvcBmpOffset::SetLeft(int Value) {
    left_ = Value;
    Notify();
}
void TvcBmpOffset::SetTop(int Value) {
    top_ = Value;
    Notify();
}

void TvcTextSize::Notify() {
    if (OnChange) OnChange(this);
}
void TvcTextSize::SetLeft(int Value) {
    left_ = Value;
    Notify();
}
void TvcTextSize::SetTop(int Value) {
    top_ = Value;
    Notify();
}
void TvcTextSize::SetWidth(int Value) {
    width_ = Value;
    Notify();
}
void TvcTextSize::SetHeight(int Value) {
    height_ = Value;
    Notify();
}

namespace {

using published::Property;

const bool kPublished = [] {
    using O = TvcBmpOffset;
    PublishProperties<O, void>({
        Property<O>(
            "Left", [](const O& o) { return o.Left(); }, [](O& o, int v) { o.SetLeft(v); }),
        Property<O>(
            "Top", [](const O& o) { return o.Top(); }, [](O& o, int v) { o.SetTop(v); }),
    });
    using S = TvcTextSize;
    PublishProperties<S, void>({
        Property<S>(
            "Left", [](const S& s) { return s.Left(); }, [](S& s, int v) { s.SetLeft(v); }),
        Property<S>(
            "Top", [](const S& s) { return s.Top(); }, [](S& s, int v) { s.SetTop(v); }),
        Property<S>(
            "Width", [](const S& s) { return s.Width(); }, [](S& s, int v) { s.SetWidth(v); }),
        Property<S>(
            "Height", [](const S& s) { return s.Height(); }, [](S& s, int v) { s.SetHeight(v); }),
    });
    return true;
}();

} // namespace
