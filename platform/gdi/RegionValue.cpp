#include "platform/gdi/RegionValue.h"

#include "platform/gdi/DeviceContext.h"

#include <cstring>
#include <utility>

RegionValue RegionValue::CopyOf(HRGN region) {
    if (!region) return {};
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    if (CombineRgn(copy, region, nullptr, RGN_COPY) == RGN_ERROR) {
        DeleteObject(copy);
        return {};
    }
    return RegionValue(copy);
}

RegionValue RegionValue::Rect(int left, int top, int right, int bottom) {
    return RegionValue(CreateRectRgn(left, top, right, bottom));
}

RegionValue::~RegionValue() {
    if (rgn_) DeleteObject(rgn_);
}

RegionValue::RegionValue(const RegionValue& other) : rgn_(other.Duplicate()) {}

RegionValue& RegionValue::operator=(const RegionValue& other) {
    if (this != &other) *this = RegionValue(other);
    return *this;
}

RegionValue& RegionValue::operator=(RegionValue&& other) noexcept {
    std::swap(rgn_, other.rgn_);
    return *this;
}

HRGN RegionValue::Duplicate() const {
    RegionValue copy = CopyOf(rgn_);
    HRGN h = copy.rgn_;
    copy.rgn_ = nullptr;
    return h;
}

std::vector<RECT> RegionValue::Rects() const {
    if (!rgn_) return {};
    const DWORD size = GetRegionData(rgn_, 0, nullptr);
    std::vector<DWORD> bytes((size + sizeof(DWORD) - 1) / sizeof(DWORD));
    auto* data = reinterpret_cast<RGNDATA*>(bytes.data());
    if (size == 0 || GetRegionData(rgn_, size, data) != size) return {};
    std::vector<RECT> rects(data->rdh.nCount);
    if (!rects.empty()) std::memcpy(rects.data(), data->Buffer, rects.size() * sizeof(RECT));
    return rects;
}

bool RegionValue::operator==(const RegionValue& other) const {
    if (!rgn_ || !other.rgn_) return rgn_ == other.rgn_;
    return EqualRgn(rgn_, other.rgn_) != 0;
}
