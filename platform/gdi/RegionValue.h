// A region held by value: copying a RegionValue copies its pixels, and the handle goes with the
// value. Code that keeps a region it was handed, or hands one on, keeps a copy instead of sharing
// a handle with somebody who may delete it.
#pragma once

#include "platform/gdi/Region.h"

#include <vector>

class RegionValue {
public:
    // No region at all (not the same as an empty one).
    RegionValue() = default;
    // Takes the handle over; it is deleted with the value.
    explicit RegionValue(HRGN adopted) : rgn_(adopted) {}
    // A copy of a region that stays its owner's (none for a null handle).
    static RegionValue CopyOf(HRGN region);
    static RegionValue Rect(int left, int top, int right, int bottom);
    ~RegionValue();
    RegionValue(const RegionValue& other);
    RegionValue& operator=(const RegionValue& other);
    RegionValue(RegionValue&& other) noexcept : rgn_(other.rgn_) { other.rgn_ = nullptr; }
    RegionValue& operator=(RegionValue&& other) noexcept;

    bool HasRegion() const { return rgn_ != nullptr; }
    // Valid while the value lives; for reading only.
    HRGN Handle() const { return rgn_; }
    // A new handle with the same pixels, for a caller that takes ownership (a window, say).
    HRGN Duplicate() const;
    bool Contains(int x, int y) const { return rgn_ && PtInRegion(rgn_, x, y); }
    // The rectangles as GetRegionData gives them.
    std::vector<RECT> Rects() const;
    // Same pixels; two values without a region are equal too.
    bool operator==(const RegionValue& other) const;

private:
    HRGN rgn_ = nullptr;
};
