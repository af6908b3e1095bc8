#include "platform/gdi/Region_p.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace gdi {

namespace {

// Coordinates beyond this are clamped before shape arithmetic so that products stay in 64 bits.
constexpr int kCoordLimit = 1 << 24;

int ClampCoord(long long v) {
    return static_cast<int>(std::clamp<long long>(v, -kCoordLimit, kCoordLimit));
}

bool Apply(Region::Op op, bool a, bool b) {
    switch (op) {
    case Region::Op::And:
        return a && b;
    case Region::Op::Or:
        return a || b;
    case Region::Op::Xor:
        return a != b;
    case Region::Op::Diff:
        return a && !b;
    }
    return false;
}

// Span lists are sorted boundaries: a point is inside when an odd number of boundaries lie at or
// before it.
void CombineSpans(const std::vector<int>& a, const std::vector<int>& b, Region::Op op,
                  std::vector<int>& out) {
    out.clear();
    std::vector<int> xs;
    xs.reserve(a.size() + b.size());
    std::merge(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(xs));
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    std::size_t ia = 0, ib = 0;
    for (std::size_t k = 0; k + 1 < xs.size(); ++k) {
        const int x = xs[k], next = xs[k + 1];
        while (ia < a.size() && a[ia] <= x) ++ia;
        while (ib < b.size() && b[ib] <= x) ++ib;
        if (!Apply(op, ia & 1, ib & 1)) continue;
        if (!out.empty() && out.back() == x)
            out.back() = next;
        else {
            out.push_back(x);
            out.push_back(next);
        }
    }
}

long long FloorDiv(long long a, long long b) {
    long long q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

long long CeilDiv(long long a, long long b) {
    return -FloorDiv(-a, b);
}

// Half-width of row `row` (0 = top) of the ellipse inscribed in a w x h box, as the span
// [x0, x1) relative to the box's left edge; false when the row holds no pixel centre.
bool EllipseRow(long long w, long long h, long long row, long long& x0, long long& x1) {
    // Doubled coordinates: pixel centres are odd, the box centre is w (horizontally).
    const long long dy = 2 * row + 1 - h;
    const __int128 rhs = static_cast<__int128>(w) * w * (h * h - dy * dy);
    const __int128 h2 = static_cast<__int128>(h) * h;
    long long v = static_cast<long long>(
        std::floor(static_cast<long double>(w) * std::sqrt(static_cast<long double>(h * h - dy * dy)) /
                   static_cast<long double>(h)));
    while (v > 0 && static_cast<__int128>(v) * v * h2 > rhs) --v;
    while (static_cast<__int128>(v + 1) * (v + 1) * h2 <= rhs) ++v;
    // Centres sit at odd doubled positions 2x + 1, so v must have the parity of w + 1.
    if (((v - (w + 1)) & 1) != 0) --v;
    if (v < 0) return false;
    x0 = (w - v - 1) / 2;
    x1 = (w + v - 1) / 2 + 1;
    return true;
}

} // namespace

Region Region::FromRect(int left, int top, int right, int bottom) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    Region r;
    if (left < right && top < bottom) r.bands_.push_back(Band{top, bottom, {left, right}});
    return r;
}

void Region::AppendBand(int top, int bottom, const std::vector<int>& xs) {
    if (xs.empty() || top >= bottom) return;
    if (!bands_.empty() && bands_.back().bottom == top && bands_.back().xs == xs) {
        bands_.back().bottom = bottom;
        return;
    }
    bands_.push_back(Band{top, bottom, xs});
}

Region Region::FromRows(int firstRow, const std::vector<std::vector<int>>& rows) {
    Region r;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int y = firstRow + static_cast<int>(i);
        r.AppendBand(y, y + 1, rows[i]);
    }
    return r;
}

Region Region::Ellipse(int left, int top, int right, int bottom, int rowFrom, int rowTo) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    left = ClampCoord(left);
    right = ClampCoord(right);
    top = ClampCoord(top);
    bottom = ClampCoord(bottom);
    const long long w = right - left, h = bottom - top;
    Region r;
    if (w <= 0 || h <= 0) return r;
    const int y0 = std::max(top, rowFrom), y1 = std::min(bottom, rowTo);
    for (int y = y0; y < y1; ++y) {
        long long x0 = 0, x1 = 0;
        if (EllipseRow(w, h, y - top, x0, x1))
            r.AppendBand(y, y + 1, {static_cast<int>(left + x0), static_cast<int>(left + x1)});
    }
    return r;
}

Region Region::RoundRect(int left, int top, int right, int bottom, int width, int height, int rowFrom,
                         int rowTo) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    left = ClampCoord(left);
    right = ClampCoord(right);
    top = ClampCoord(top);
    bottom = ClampCoord(bottom);
    const long long w = right - left, h = bottom - top;
    Region r;
    if (w <= 0 || h <= 0) return r;
    const long long ew = std::clamp<long long>(std::abs(static_cast<long long>(width)), 0, w);
    const long long eh = std::clamp<long long>(std::abs(static_cast<long long>(height)), 0, h);
    const int y0 = std::max(top, rowFrom), y1 = std::min(bottom, rowTo);
    for (int y = y0; y < y1; ++y) {
        long long inset = 0;
        if (ew > 1 && eh > 1) {
            const long long fromTop = y - top, fromBottom = bottom - 1 - y;
            const long long k = std::min(fromTop, fromBottom);
            if (k < eh / 2) {
                long long x0 = 0, x1 = 0;
                inset = EllipseRow(ew, eh, k, x0, x1) ? x0 : ew / 2;
            }
        }
        if (2 * inset < w)
            r.AppendBand(y, y + 1, {static_cast<int>(left + inset), static_cast<int>(right - inset)});
    }
    return r;
}

Region Region::Polygon(const POINT* points, const int* counts, int polygons, int fillMode, int rowFrom,
                       int rowTo) {
    struct Edge {
        long long x0, y0, x1, y1;
        int dir;
    };
    std::vector<Edge> edges;
    long long minY = LLONG_MAX, maxY = LLONG_MIN;
    const POINT* p = points;
    for (int k = 0; k < polygons; ++k) {
        const int n = counts[k];
        for (int i = 0; i < n; ++i) {
            const POINT a = p[i], b = p[(i + 1) % n];
            Edge e{ClampCoord(a.x), ClampCoord(a.y), ClampCoord(b.x), ClampCoord(b.y), 1};
            minY = std::min({minY, e.y0, e.y1});
            maxY = std::max({maxY, e.y0, e.y1});
            if (e.y0 == e.y1) continue;
            if (e.y0 > e.y1) {
                std::swap(e.x0, e.x1);
                std::swap(e.y0, e.y1);
                e.dir = -1;
            }
            edges.push_back(e);
        }
        p += n;
    }
    Region r;
    if (edges.empty()) return r;
    const long long y0 = std::max<long long>(minY, rowFrom), y1 = std::min<long long>(maxY, rowTo);
    std::vector<std::pair<long long, int>> crossings;
    std::vector<int> spans;
    for (long long y = y0; y < y1; ++y) {
        crossings.clear();
        for (const Edge& e : edges) {
            // The edge covers the row when the row's centre line y + 0.5 lies in [y0, y1).
            if (y < e.y0 || y >= e.y1) continue;
            const long long q = 2 * (e.y1 - e.y0);
            const long long num = 2 * e.x0 * (e.y1 - e.y0) + (2 * y + 1 - 2 * e.y0) * (e.x1 - e.x0);
            // First pixel whose centre x + 0.5 is at or right of the crossing num / q.
            crossings.emplace_back(CeilDiv(2 * num - q, 2 * q), e.dir);
        }
        std::sort(crossings.begin(), crossings.end());
        spans.clear();
        auto addSpan = [&spans](long long a, long long b) {
            if (a >= b) return;
            if (!spans.empty() && spans.back() >= a)
                spans.back() = std::max<int>(spans.back(), static_cast<int>(b));
            else {
                spans.push_back(static_cast<int>(a));
                spans.push_back(static_cast<int>(b));
            }
        };
        if (fillMode == 2) {
            int winding = 0;
            long long start = 0;
            for (const auto& [x, dir] : crossings) {
                const int before = winding;
                winding += dir;
                if (before == 0 && winding != 0)
                    start = x;
                else if (before != 0 && winding == 0)
                    addSpan(start, x);
            }
        } else {
            for (std::size_t i = 0; i + 1 < crossings.size(); i += 2)
                addSpan(crossings[i].first, crossings[i + 1].first);
        }
        r.AppendBand(static_cast<int>(y), static_cast<int>(y + 1), spans);
    }
    return r;
}

Region Region::Combine(const Region& a, const Region& b, Op op) {
    std::vector<int> ys;
    for (const Band& band : a.bands_) {
        ys.push_back(band.top);
        ys.push_back(band.bottom);
    }
    for (const Band& band : b.bands_) {
        ys.push_back(band.top);
        ys.push_back(band.bottom);
    }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    Region r;
    static const std::vector<int> none;
    std::vector<int> xs;
    std::size_t ia = 0, ib = 0;
    for (std::size_t k = 0; k + 1 < ys.size(); ++k) {
        const int y = ys[k];
        while (ia < a.bands_.size() && a.bands_[ia].bottom <= y) ++ia;
        while (ib < b.bands_.size() && b.bands_[ib].bottom <= y) ++ib;
        const std::vector<int>& sa = (ia < a.bands_.size() && a.bands_[ia].top <= y) ? a.bands_[ia].xs : none;
        const std::vector<int>& sb = (ib < b.bands_.size() && b.bands_[ib].top <= y) ? b.bands_[ib].xs : none;
        CombineSpans(sa, sb, op, xs);
        r.AppendBand(y, ys[k + 1], xs);
    }
    return r;
}

int Region::Complexity() const {
    if (bands_.empty()) return 1;
    return (bands_.size() == 1 && bands_[0].xs.size() == 2) ? 2 : 3;
}

RECT Region::Box() const {
    RECT box{};
    if (bands_.empty()) return box;
    box.top = bands_.front().top;
    box.bottom = bands_.back().bottom;
    box.left = INT_MAX;
    box.right = INT_MIN;
    for (const Band& b : bands_) {
        box.left = std::min(box.left, b.xs.front());
        box.right = std::max(box.right, b.xs.back());
    }
    return box;
}

std::size_t Region::RectCount() const {
    std::size_t n = 0;
    for (const Band& b : bands_) n += b.xs.size() / 2;
    return n;
}

std::vector<RECT> Region::Rects() const {
    std::vector<RECT> out;
    out.reserve(RectCount());
    for (const Band& b : bands_)
        for (std::size_t i = 0; i < b.xs.size(); i += 2)
            out.push_back(RECT{b.xs[i], b.top, b.xs[i + 1], b.bottom});
    return out;
}

void Region::Offset(int dx, int dy) {
    for (Band& b : bands_) {
        b.top += dy;
        b.bottom += dy;
        for (int& x : b.xs) x += dx;
    }
}

bool Region::Contains(int x, int y) const {
    auto it =
        std::upper_bound(bands_.begin(), bands_.end(), y, [](int v, const Band& b) { return v < b.bottom; });
    if (it == bands_.end() || it->top > y) return false;
    const auto pos = std::upper_bound(it->xs.begin(), it->xs.end(), x);
    return ((pos - it->xs.begin()) & 1) != 0;
}

bool Region::Intersects(const RECT& rc) const {
    RECT r = rc;
    if (r.left > r.right) std::swap(r.left, r.right);
    if (r.top > r.bottom) std::swap(r.top, r.bottom);
    if (r.left >= r.right || r.top >= r.bottom) return false;
    for (const Band& b : bands_) {
        if (b.bottom <= r.top) continue;
        if (b.top >= r.bottom) break;
        for (std::size_t i = 0; i < b.xs.size(); i += 2)
            if (b.xs[i] < r.right && b.xs[i + 1] > r.left) return true;
    }
    return false;
}

Region Region::Boundary() const {
    Region inner = *this;
    const int shifts[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (const auto& s : shifts) {
        Region moved = *this;
        moved.Offset(s[0], s[1]);
        inner = Combine(inner, moved, Op::And);
    }
    return Combine(*this, inner, Op::Diff);
}

} // namespace gdi
