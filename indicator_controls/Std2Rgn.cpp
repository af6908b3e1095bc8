// Window regions kept as region data, and the small geometry records of the skinned buttons.
#include "indicator_controls/Std2.h"

#include "indicator_controls/ControlProperties.h"
#include "indicator_controls/Vanimate.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Region.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TypInfo.h"
#include "platform/ui/WindowShape.h"

#include <cstring>
#include <utility>
#include <vector>

namespace {

// The region data block of a region, as GetRegionData gives it.
std::vector<std::uint8_t> RegionBytes(HRGN rgn) {
    const DWORD size = GetRegionData(rgn, 0, nullptr);
    std::vector<std::uint8_t> bytes(size);
    if (size == 0 || GetRegionData(rgn, size, reinterpret_cast<RGNDATA*>(bytes.data())) != size)
        bytes.clear();
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
                            static_cast<std::uint32_t>(head[2]) << 16 |
                            static_cast<std::uint32_t>(head[3]) << 24;
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
    // Pixels compare as 0x00RRGGBB words of their three bytes (blue first in memory).
    const auto word = [](COLORREF c) {
        return static_cast<std::uint32_t>((c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF));
    };
    const std::uint32_t key = word(t);
    const bool seeThrough = Bitmap->Transparent();
    const std::uint32_t own = seeThrough ? word(ColorToRGB(Bitmap->TransparentColor())) : key;
    const auto pixel = [pw](const std::uint8_t* row, int x) {
        const std::uint8_t* p = row + 3 * x;
        // Four bytes at a time (little-endian) but at a row's last pixel, which may end the buffer.
        if (x + 1 < pw) {
            std::uint32_t v;
            std::memcpy(&v, p, 4);
            return v & 0xFFFFFF;
        }
        return static_cast<std::uint32_t>(p[0] | p[1] << 8 | p[2] << 16);
    };
    const auto clear = [&](const std::uint8_t* row, int x) {
        const std::uint32_t v = pixel(row, x);
        return v == key || v == own;
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
            while (x < pw && clear(row, x)) ++x;
            if (x >= pw) break;
            const int start = x;
            while (x < pw && !clear(row, x)) ++x;
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
    // The owner's change handler is no handler of a form, so it is never stored.
    using O = TvcBmpOffset;
    PublishProperties<O, void>(Rows(PlaceProperties<O>(), EventField<O>("OnChange", &O::OnChange)));
    using S = TvcTextSize;
    PublishProperties<S, void>(Rows(PlaceProperties<S>(), WidthProperty<S>(), HeightProperty<S>(),
                                    EventField<S>("OnChange", &S::OnChange)));
    using F = TvcFancyForm;
    PublishProperties<F, TComponent>({
        Property<F>(
            "Region", [](const F& f) { return f.Region(); }, nullptr),
    });
    using C = TvcFancyControl;
    PublishProperties<C, TComponent>({
        Property<C>(
            "Region", [](const C& c) { return c.Region(); }, nullptr),
        Property<C>(
            "ControlComponent", [](const C& c) { return c.ControlComponent(); },
            [](C& c, TWinControl* v) { c.SetControlComponent(v); }),
    });
    RegisterClass<TvcFancyForm>();
    RegisterClass<TvcFancyControl>();
    return true;
}();

} // namespace

// --- TvcFancyForm, TvcFancyControl -------------------------------------------------------------------

namespace {

bool Designing(const TComponent* c) {
    return c->ComponentState().Contains(TComponentStateItem::csDesigning);
}

// The stored region, or the rectangle (0, 0, width, height) while there is none; the caller owns it.
HRGN RegionOrRect(const TvcRgn& region, int width, int height) {
    HRGN rgn = region.Handle();
    return rgn ? rgn : CreateRectRgn(0, 0, width, height);
}

// Sizes the control to the region's box and hands the region to its window, which then owns it;
// without a window the region is dropped.
void Apply(TWinControl* control, HRGN rgn, bool needWindow) {
    RECT box{};
    GetRgnBox(rgn, &box);
    control->SetBounds(control->Left(), control->Top(), box.right - box.left, box.bottom - box.top);
    if (needWindow && !control->HandleAllocated()) {
        DeleteObject(rgn);
        return;
    }
    SetWindowRgn(control->Handle(), rgn, TRUE);
}

} // namespace

TvcFancyForm::TvcFancyForm(TComponent* AOwner) : TComponent(AOwner), region_(new TvcRgn) {}

TvcFancyForm::~TvcFancyForm() {
    delete region_;
}

void TvcFancyForm::SetRegion(const TvcRgn* Value) {
    region_->Assign(Value);
    DoUpdate();
}

void TvcFancyForm::SerRgnFromBmp(TBitmap* Bitmap, TColor TransparentColor) {
    region_->SerRgnFromBmp(Bitmap, TransparentColor);
    DoUpdate();
}

void TvcFancyForm::Clear() {
    region_->Assign(nullptr);
}

void TvcFancyForm::Loaded() {
    TComponent::Loaded();
    loaded_ = true;
    DoUpdate();
}

void TvcFancyForm::DoUpdate() {
    auto* form = dynamic_cast<TCustomForm*>(Owner());
    if (!form || Designing(this) || !loaded_) return;
    HRGN rgn = RegionOrRect(*region_, form->ClientWidth(), form->ClientHeight());
    form->SetBorderStyle(bsNone);
    Apply(form, rgn, false);
}

TvcFancyControl::TvcFancyControl(TComponent* AOwner) : TComponent(AOwner), region_(new TvcRgn) {}

TvcFancyControl::~TvcFancyControl() {
    if (control_) control_->RemoveFreeNotification(this);
    delete region_;
}

void TvcFancyControl::SetRegion(const TvcRgn* Value) {
    region_->Assign(Value);
    DoUpdate();
}

void TvcFancyControl::SetControlComponent(TWinControl* Value) {
    if (control_) control_->RemoveFreeNotification(this);
    control_ = Value;
    if (control_) control_->FreeNotification(this);
    DoUpdate();
}

void TvcFancyControl::SerRgnFromBmp(TBitmap* Bitmap, TColor TransparentColor) {
    region_->SerRgnFromBmp(Bitmap, TransparentColor);
    DoUpdate();
}

void TvcFancyControl::Clear() {
    region_->Assign(nullptr);
    DoUpdate();
}

void TvcFancyControl::Loaded() {
    TComponent::Loaded();
    loaded_ = true;
    DoUpdate();
}

void TvcFancyControl::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == control_) control_ = nullptr;
}

void TvcFancyControl::DoUpdate() {
    if (!control_) return;
    const bool designing = Designing(this);
    if (!designing && !loaded_) return;
    Apply(control_, RegionOrRect(*region_, control_->Width(), control_->Height()), designing);
}
