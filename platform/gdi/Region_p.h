// Regions as y-x bands: horizontal bands sorted top to bottom, each holding sorted, disjoint,
// non-touching spans [x0, x1). Two bands never touch with equal spans (they are merged), so two
// regions covering the same pixels compare equal and give the same rectangle list.
#pragma once

#include "platform/gdi/Types.h"

#include <vector>

namespace gdi {

struct Band {
    int top = 0;
    int bottom = 0;
    std::vector<int> xs; // x0, x1, x0, x1 ...
    bool operator==(const Band&) const = default;
};

class Region {
public:
    enum class Op { And, Or, Xor, Diff };

    Region() = default;
    static Region FromRect(int left, int top, int right, int bottom);
    static Region FromRect(const RECT& r) { return FromRect(r.left, r.top, r.right, r.bottom); }
    // Rows from firstRow on, one span list (x0, x1 pairs, sorted, disjoint) per row.
    static Region FromRows(int firstRow, const std::vector<std::vector<int>>& rows);
    // Built only for rows in [rowFrom, rowTo): drawing asks for the rows it can reach, so a huge
    // shape costs no more than the surface.
    static Region Ellipse(int left, int top, int right, int bottom, int rowFrom, int rowTo);
    static Region RoundRect(int left, int top, int right, int bottom, int width, int height, int rowFrom,
                            int rowTo);
    // Pixels whose centres lie inside; fillMode 1 alternate, 2 winding.
    static Region Polygon(const POINT* points, const int* counts, int polygons, int fillMode, int rowFrom,
                          int rowTo);
    static Region Combine(const Region& a, const Region& b, Op op);

    bool Empty() const { return bands_.empty(); }
    // 1 null, 2 one rectangle, 3 more.
    int Complexity() const;
    RECT Box() const;
    std::vector<RECT> Rects() const;
    std::size_t RectCount() const;
    void Offset(int dx, int dy);
    bool Contains(int x, int y) const;
    bool Intersects(const RECT& r) const;
    // The pixels that have a left, right, upper or lower neighbour outside the region.
    Region Boundary() const;
    const std::vector<Band>& Bands() const { return bands_; }
    bool operator==(const Region&) const = default;

    // Appends a band below the existing ones, merging it when it continues the last one.
    void AppendBand(int top, int bottom, const std::vector<int>& xs);

private:
    std::vector<Band> bands_;
};

} // namespace gdi
