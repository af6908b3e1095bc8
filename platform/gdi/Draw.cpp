#include "platform/gdi/Draw.h"

#include "platform/gdi/Raster_p.h"
#include "platform/gdi/System.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <numbers>

using namespace gdi;

namespace {

using Wide = __int128;

Wide CeilDiv(Wide a, Wide b) {
    if (b < 0) {
        a = -a;
        b = -b;
    }
    return a >= 0 ? (a + b - 1) / b : -((-a) / b);
}

// Nearest integer to num / den (den > 0); exact halves go to the smaller value.
long long RoundHalfDown(Wide num, Wide den) {
    return static_cast<long long>(CeilDiv(2 * num - den, 2 * den));
}

// The pixels of a one-pixel line from (x0, y0) towards (x1, y1), the end pixel left out. Each pixel
// is computed from its step number, so only the steps whose major coordinate lies in
// [lo, hi) are visited; visit receives the step number too.
template <class Visit>
void LinePixels(int x0, int y0, int x1, int y1, long long lo, long long hi, Visit visit) {
    const long long dx = static_cast<long long>(x1) - x0, dy = static_cast<long long>(y1) - y0;
    const long long adx = std::llabs(dx), ady = std::llabs(dy);
    const bool xMajor = adx >= ady;
    const long long steps = xMajor ? adx : ady;
    const long long start = xMajor ? x0 : y0;
    const long long dir = (xMajor ? dx : dy) >= 0 ? 1 : -1;
    // Steps k with start + k * dir in [lo, hi).
    long long kFrom = dir > 0 ? lo - start : start - hi + 1;
    long long kTo = dir > 0 ? hi - start : start - lo + 1;
    kFrom = std::max(kFrom, 0LL);
    kTo = std::min(kTo, steps);
    for (long long k = kFrom; k < kTo; ++k) {
        if (xMajor)
            visit(k, static_cast<int>(x0 + k * dir), static_cast<int>(y0 + RoundHalfDown(Wide{k} * dy, adx)));
        else
            visit(k, static_cast<int>(x0 + RoundHalfDown(Wide{k} * dx, ady)), static_cast<int>(y0 + k * dir));
    }
}

// Dash lengths of the styled cosmetic pens, on and off alternately.
const std::vector<int>& DashPattern(int style) {
    static const std::vector<int> none;
    static const std::vector<int> dash{18, 6}, dot{3, 3}, dashDot{9, 6, 3, 6}, dashDotDot{9, 3, 3, 3, 3, 3};
    switch (style) {
    case PS_DASH:
        return dash;
    case PS_DOT:
        return dot;
    case PS_DASHDOT:
        return dashDot;
    case PS_DASHDOTDOT:
        return dashDotDot;
    default:
        return none;
    }
}

class Painter {
public:
    explicit Painter(DeviceContext& dc)
        : dc_(dc), pen_(*dc.st.pen), rop_(Rop2Index(dc.st.rop2)),
          penFill_(SolidFill(dc.Target(), pen_.color)) {
        const RECT box = dc.Clip().Box();
        rowFrom_ = box.top;
        rowTo_ = box.bottom;
        colFrom_ = box.left;
        colTo_ = box.right;
    }

    bool PenVisible() const { return pen_.style != PS_NULL; }
    int PenWidth() const { return pen_.width; }
    bool InsideFrame() const { return pen_.style == PS_INSIDEFRAME; }
    bool Styled() const { return pen_.width == 1 && !DashPattern(pen_.style).empty(); }
    int RowFrom() const { return rowFrom_; }
    int RowTo() const { return rowTo_; }

    void FillWithBrush(const Region& r) { FillRegion(dc_, r, BrushFill(dc_, *dc_.st.brush), rop_); }
    void FillWithPen(const Region& r) { FillRegion(dc_, r, penFill_, rop_); }

    // A connected run of segments in device coordinates; styled pens keep their dash phase across
    // the segments.
    void Stroke(const std::vector<POINT>& pts) {
        if (!PenVisible() || pts.size() < 2) return;
        if (pen_.width > 1) {
            FillWithPen(WideStroke(pts));
            return;
        }
        const std::vector<int>& dashes = DashPattern(pen_.style);
        int period = 0;
        for (int d : dashes) period += d;
        const Fill gapFill = SolidFill(dc_.Target(), dc_.st.bkColor);
        const bool opaqueGaps = dc_.st.bkMode == OPAQUE;
        long long drawn = 0; // pixels of the earlier segments, for the dash phase
        for (std::size_t i = 0; i + 1 < pts.size(); ++i) {
            const bool xMajor = std::llabs(static_cast<long long>(pts[i + 1].x) - pts[i].x) >=
                                std::llabs(static_cast<long long>(pts[i + 1].y) - pts[i].y);
            const long long lo = xMajor ? colFrom_ : rowFrom_, hi = xMajor ? colTo_ : rowTo_;
            LinePixels(pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y, lo, hi,
                       [&](long long k, int x, int y) {
                           bool on = true;
                           if (period > 0) {
                               long long phase = (drawn + k) % period;
                               std::size_t dash = 0;
                               while (phase >= dashes[dash]) phase -= dashes[dash++];
                               on = dash % 2 == 0;
                           }
                           if (on)
                               PaintPixel(dc_, x, y, penFill_, rop_);
                           else if (opaqueGaps)
                               PaintPixel(dc_, x, y, gapFill, rop_);
                       });
            drawn += std::max(std::llabs(static_cast<long long>(pts[i + 1].x) - pts[i].x),
                              std::llabs(static_cast<long long>(pts[i + 1].y) - pts[i].y));
        }
    }

private:
    // Pixels whose centres lie within half the pen width of a segment: round ends and joins. Odd
    // widths centre the stroke on the pixel, even ones on the pixel corner, so a stroke is exactly
    // `width` pixels across.
    Region WideStroke(const std::vector<POINT>& pts) const {
        const double r = pen_.width / 2.0;
        const double off = (pen_.width % 2) ? 0.5 : 0.0;
        const int reach = pen_.width / 2 + 1;
        Region all;
        for (std::size_t i = 0; i + 1 < pts.size(); ++i) {
            const double ax = pts[i].x + off, ay = pts[i].y + off;
            const double bx = pts[i + 1].x + off, by = pts[i + 1].y + off;
            const double vx = bx - ax, vy = by - ay, len2 = vx * vx + vy * vy;
            // Only the pixels the clip can show are worked out.
            const int top = static_cast<int>(std::max<long long>(
                rowFrom_, static_cast<long long>(std::min(pts[i].y, pts[i + 1].y)) - reach));
            const int bottom = static_cast<int>(std::min<long long>(
                rowTo_, static_cast<long long>(std::max(pts[i].y, pts[i + 1].y)) + reach + 1));
            const int left = static_cast<int>(std::max<long long>(
                colFrom_, static_cast<long long>(std::min(pts[i].x, pts[i + 1].x)) - reach));
            const int right = static_cast<int>(std::min<long long>(
                colTo_, static_cast<long long>(std::max(pts[i].x, pts[i + 1].x)) + reach + 1));
            std::vector<std::vector<int>> rows;
            for (int y = top; y < bottom; ++y) {
                std::vector<int> span;
                const double cy = y + 0.5;
                int first = INT_MAX, last = INT_MIN;
                for (int x = left; x < right; ++x) {
                    const double cx = x + 0.5;
                    double t = len2 > 0 ? ((cx - ax) * vx + (cy - ay) * vy) / len2 : 0.0;
                    t = std::clamp(t, 0.0, 1.0);
                    const double ex = ax + t * vx - cx, ey = ay + t * vy - cy;
                    if (ex * ex + ey * ey <= r * r + 1e-9) {
                        first = std::min(first, x);
                        last = std::max(last, x);
                    }
                }
                if (first <= last) span = {first, last + 1};
                rows.push_back(std::move(span));
            }
            if (top < bottom) all = Region::Combine(all, Region::FromRows(top, rows), Region::Op::Or);
        }
        return all;
    }

    DeviceContext& dc_;
    const PenObject& pen_;
    std::uint8_t rop_;
    Fill penFill_;
    int rowFrom_ = 0;
    int rowTo_ = 0;
    int colFrom_ = 0;
    int colTo_ = 0;
};

// Shapes built from a box: rectangles, ellipses, rounded rectangles.
enum class Shape { Rect, Ellipse, RoundRect };

Region ShapeRegion(Shape shape, RECT b, int ew, int eh, int rowFrom, int rowTo) {
    if (b.left >= b.right || b.top >= b.bottom) return Region();
    switch (shape) {
    case Shape::Rect:
        return Region::Combine(Region::FromRect(b), Region::FromRect(b.left, rowFrom, b.right, rowTo),
                               Region::Op::And);
    case Shape::Ellipse:
        return Region::Ellipse(b.left, b.top, b.right, b.bottom, rowFrom, rowTo);
    case Shape::RoundRect:
        return Region::RoundRect(b.left, b.top, b.right, b.bottom, ew, eh, rowFrom, rowTo);
    }
    return Region();
}

RECT Deflate(RECT r, int d) {
    return RECT{r.left + d, r.top + d, r.right - d, r.bottom - d};
}

RECT NormalizedDevice(const DeviceContext& dc, int left, int top, int right, int bottom) {
    RECT r = dc.ToDevice(RECT{left, top, right, bottom});
    if (r.left > r.right) std::swap(r.left, r.right);
    if (r.top > r.bottom) std::swap(r.top, r.bottom);
    return r;
}

// Interior with the brush, then the outline with the pen. `angleTest`, when set, keeps only the
// outline pixels of an arc and skips the interior.
template <class AngleTest>
void DrawShape(DeviceContext& dc, Shape shape, RECT box, int ew, int eh, bool interior, AngleTest keep) {
    Painter p(dc);
    const int rowFrom = p.RowFrom() - p.PenWidth(), rowTo = p.RowTo() + p.PenWidth();
    if (!p.PenVisible()) {
        // Without a pen the shape loses its right column and bottom row.
        if (interior)
            p.FillWithBrush(ShapeRegion(shape, RECT{box.left, box.top, box.right - 1, box.bottom - 1}, ew, eh,
                                        rowFrom, rowTo));
        return;
    }
    const int w = p.PenWidth();
    RECT outer = box, inner = Deflate(box, 1);
    if (w > 1) {
        if (p.InsideFrame()) {
            inner = Deflate(box, w);
        } else {
            outer = Deflate(box, -(w / 2));
            inner = Deflate(box, w - w / 2);
        }
    }
    const int shrink = (inner.left - box.left) * 2;
    const Region innerRegion =
        ShapeRegion(shape, inner, std::max(ew - shrink, 0), std::max(eh - shrink, 0), rowFrom, rowTo);
    if (interior) p.FillWithBrush(innerRegion);
    Region ring;
    if (w == 1 && shape != Shape::Rect) {
        ring = ShapeRegion(shape, outer, ew, eh, rowFrom, rowTo).Boundary();
    } else {
        const int grow = (box.left - outer.left) * 2;
        ring = Region::Combine(ShapeRegion(shape, outer, ew + grow, eh + grow, rowFrom, rowTo), innerRegion,
                               Region::Op::Diff);
    }
    if (p.Styled() && shape == Shape::Rect && !keep.active) {
        p.Stroke({{box.left, box.top},
                  {box.right - 1, box.top},
                  {box.right - 1, box.bottom - 1},
                  {box.left, box.bottom - 1},
                  {box.left, box.top}});
        return;
    }
    if (keep.active) {
        std::vector<std::vector<int>> rows;
        Region kept;
        for (const Band& band : ring.Bands())
            for (int y = band.top; y < band.bottom; ++y) {
                std::vector<int> span;
                for (std::size_t i = 0; i < band.xs.size(); i += 2)
                    for (int x = band.xs[i]; x < band.xs[i + 1]; ++x)
                        if (keep(x, y)) {
                            if (!span.empty() && span.back() == x)
                                span.back() = x + 1;
                            else {
                                span.push_back(x);
                                span.push_back(x + 1);
                            }
                        }
                kept.AppendBand(y, y + 1, span);
            }
        ring = kept;
    }
    p.FillWithPen(ring);
}

struct NoAngle {
    bool active = false;
    bool operator()(int, int) const { return true; }
};

std::vector<POINT> ToDevicePoints(const DeviceContext& dc, const POINT* pts, int count) {
    std::vector<POINT> out;
    out.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) out.push_back(dc.ToDevice(pts[i].x, pts[i].y));
    return out;
}

BOOL DrawPolygons(HDC handle, const POINT* points, const int* counts, int polygons) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc || !points || !counts || polygons <= 0) return FALSE;
    int total = 0;
    for (int i = 0; i < polygons; ++i) {
        if (counts[i] < 2) return FALSE;
        total += counts[i];
    }
    const std::vector<POINT> pts = ToDevicePoints(*dc, points, total);
    Painter p(*dc);
    p.FillWithBrush(
        Region::Polygon(pts.data(), counts, polygons, dc->st.polyFillMode, p.RowFrom(), p.RowTo()));
    std::size_t at = 0;
    for (int i = 0; i < polygons; ++i) {
        std::vector<POINT> ring(pts.begin() + static_cast<long>(at),
                                pts.begin() + static_cast<long>(at) + counts[i]);
        ring.push_back(ring.front());
        p.Stroke(ring);
        at += static_cast<std::size_t>(counts[i]);
    }
    return TRUE;
}

void FlattenBezier(POINT p0, POINT p1, POINT p2, POINT p3, std::vector<POINT>& out) {
    const PointF p[4] = {{double(p0.x), double(p0.y)},
                         {double(p1.x), double(p1.y)},
                         {double(p2.x), double(p2.y)},
                         {double(p3.x), double(p3.y)}};
    gdi::FlattenBezier(p, out);
}

// 3-D edge colours by layer and kind.
struct EdgeColors {
    int topLeft;
    int bottomRight;
};

EdgeColors EdgeColorsFor(bool outer, bool raised, UINT flags) {
    if (flags & BF_MONO)
        return outer ? EdgeColors{COLOR_WINDOWFRAME, COLOR_WINDOWFRAME}
                     : EdgeColors{COLOR_WINDOW, COLOR_WINDOW};
    if (flags & BF_FLAT)
        return outer ? EdgeColors{COLOR_BTNSHADOW, COLOR_BTNSHADOW}
                     : EdgeColors{COLOR_BTNFACE, COLOR_BTNFACE};
    const bool soft = (flags & BF_SOFT) != 0;
    if (outer) {
        if (raised) return {soft ? COLOR_3DHILIGHT : COLOR_3DLIGHT, COLOR_3DDKSHADOW};
        return {soft ? COLOR_3DDKSHADOW : COLOR_3DSHADOW, COLOR_3DHILIGHT};
    }
    if (raised) return {soft ? COLOR_3DLIGHT : COLOR_3DHILIGHT, COLOR_3DSHADOW};
    return {soft ? COLOR_3DSHADOW : COLOR_3DDKSHADOW, COLOR_3DLIGHT};
}

} // namespace

void gdi::FlattenBezier(const PointF (&p)[4], std::vector<POINT>& out) {
    auto dist = [](PointF a, PointF b) { return std::hypot(b.x - a.x, b.y - a.y); };
    const double hull = dist(p[0], p[1]) + dist(p[1], p[2]) + dist(p[2], p[3]);
    const int pieces = std::clamp(static_cast<int>(std::ceil(std::sqrt(hull * 2))), 1, 4096);
    for (int i = 1; i <= pieces; ++i) {
        const double t = double(i) / pieces, u = 1 - t;
        const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        const POINT q{static_cast<LONG>(std::lround(a * p[0].x + b * p[1].x + c * p[2].x + d * p[3].x)),
                      static_cast<LONG>(std::lround(a * p[0].y + b * p[1].y + c * p[2].y + d * p[3].y))};
        if (i == pieces) {
            out.push_back(POINT{static_cast<LONG>(std::lround(p[3].x)), static_cast<LONG>(std::lround(p[3].y))});
        } else if (out.empty() || q.x != out.back().x || q.y != out.back().y) {
            out.push_back(q);
        }
    }
}

BOOL LineTo(HDC handle, int x, int y) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc) return FALSE;
    Painter p(*dc);
    p.Stroke({dc->ToDevice(dc->st.pos.x, dc->st.pos.y), dc->ToDevice(x, y)});
    dc->st.pos = POINT{x, y};
    return TRUE;
}

BOOL Polyline(HDC handle, const POINT* points, int count) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc || !points || count < 2) return FALSE;
    Painter p(*dc);
    p.Stroke(ToDevicePoints(*dc, points, count));
    return TRUE;
}

BOOL PolylineTo(HDC handle, const POINT* points, DWORD count) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc || !points || count == 0 || count > INT_MAX - 1) return FALSE;
    std::vector<POINT> pts{dc->ToDevice(dc->st.pos.x, dc->st.pos.y)};
    for (DWORD i = 0; i < count; ++i) pts.push_back(dc->ToDevice(points[i].x, points[i].y));
    Painter p(*dc);
    p.Stroke(pts);
    dc->st.pos = points[count - 1];
    return TRUE;
}

BOOL PolyBezier(HDC handle, const POINT* points, DWORD count) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc || !points || count < 4 || count % 3 != 1 || count > 3 * 65536 + 1) return FALSE;
    const std::vector<POINT> pts = ToDevicePoints(*dc, points, static_cast<int>(count));
    std::vector<POINT> line{pts[0]};
    for (std::size_t i = 0; i + 3 < pts.size(); i += 3) FlattenBezier(pts[i], pts[i + 1], pts[i + 2], pts[i + 3], line);
    if (dc->pathState == DeviceContext::PathState::Open) {
        dc->path.push_back(std::move(line));
        return TRUE;
    }
    Painter p(*dc);
    p.Stroke(line);
    return TRUE;
}

BOOL BeginPath(HDC handle) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc) return FALSE;
    dc->path.clear();
    dc->pathState = DeviceContext::PathState::Open;
    return TRUE;
}

BOOL EndPath(HDC handle) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc || dc->pathState != DeviceContext::PathState::Open) return FALSE;
    dc->pathState = DeviceContext::PathState::Closed;
    return TRUE;
}

BOOL AbortPath(HDC handle) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc) return FALSE;
    dc->path.clear();
    dc->pathState = DeviceContext::PathState::None;
    return TRUE;
}

BOOL StrokeAndFillPath(HDC handle) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc || dc->pathState != DeviceContext::PathState::Closed) return FALSE;
    std::vector<std::vector<POINT>> figures;
    figures.swap(dc->path);
    dc->pathState = DeviceContext::PathState::None;
    std::vector<POINT> all;
    std::vector<int> counts;
    for (const auto& f : figures) {
        if (f.size() < 2) continue;
        all.insert(all.end(), f.begin(), f.end());
        counts.push_back(static_cast<int>(f.size()));
    }
    if (counts.empty()) return TRUE;
    Painter p(*dc);
    p.FillWithBrush(Region::Polygon(all.data(), counts.data(), static_cast<int>(counts.size()),
                                    dc->st.polyFillMode, p.RowFrom(), p.RowTo()));
    for (auto& f : figures) {
        if (f.size() < 2) continue;
        if (f.front().x != f.back().x || f.front().y != f.back().y) f.push_back(f.front());
        p.Stroke(f);
    }
    return TRUE;
}

BOOL StrokePath(HDC handle) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc || dc->pathState != DeviceContext::PathState::Closed) return FALSE;
    std::vector<std::vector<POINT>> figures;
    figures.swap(dc->path);
    dc->pathState = DeviceContext::PathState::None;
    Painter p(*dc);
    for (const auto& f : figures) p.Stroke(f);
    return TRUE;
}

BOOL Polygon(HDC dc, const POINT* points, int count) {
    return DrawPolygons(dc, points, &count, 1);
}

BOOL PolyPolygon(HDC dc, const POINT* points, const int* counts, int polygons) {
    return DrawPolygons(dc, points, counts, polygons);
}

BOOL Rectangle(HDC handle, int left, int top, int right, int bottom) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc) return FALSE;
    DrawShape(*dc, Shape::Rect, NormalizedDevice(*dc, left, top, right, bottom), 0, 0, true, NoAngle{});
    return TRUE;
}

BOOL RoundRect(HDC handle, int left, int top, int right, int bottom, int width, int height) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc) return FALSE;
    DrawShape(*dc, Shape::RoundRect, NormalizedDevice(*dc, left, top, right, bottom), std::abs(width),
              std::abs(height), true, NoAngle{});
    return TRUE;
}

BOOL Ellipse(HDC handle, int left, int top, int right, int bottom) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc) return FALSE;
    DrawShape(*dc, Shape::Ellipse, NormalizedDevice(*dc, left, top, right, bottom), 0, 0, true, NoAngle{});
    return TRUE;
}

BOOL Arc(HDC handle, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc) return FALSE;
    const RECT box = NormalizedDevice(*dc, left, top, right, bottom);
    const POINT s = dc->ToDevice(xStart, yStart), e = dc->ToDevice(xEnd, yEnd);
    // Angles on the screen, counter-clockwise positive (y grows downwards).
    const double cx = (box.left + box.right) / 2.0, cy = (box.top + box.bottom) / 2.0;
    auto angle = [cx, cy](double x, double y) {
        const double a = std::atan2(cy - y, x - cx);
        return a < 0 ? a + 2 * std::numbers::pi : a;
    };
    const double a0 = angle(s.x, s.y), a1 = angle(e.x, e.y);
    const bool clockwise = dc->st.arcDirection == AD_CLOCKWISE;
    auto sweep = [](double from, double to) {
        double d = to - from;
        while (d < 0) d += 2 * std::numbers::pi;
        return d;
    };
    const double span = clockwise ? sweep(a1, a0) : sweep(a0, a1);
    struct Keep {
        bool active = true;
        std::function<bool(int, int)> test;
        bool operator()(int x, int y) const { return test(x, y); }
    } keep;
    keep.active = span > 1e-12;
    keep.test = [&](int x, int y) {
        const double a = angle(x + 0.5, y + 0.5);
        return clockwise ? sweep(a, a0) <= span : sweep(a0, a) <= span;
    };
    DrawShape(*dc, Shape::Ellipse, box, 0, 0, false, keep);
    return TRUE;
}

int FillRect(HDC handle, const RECT* rect, HBRUSH brush) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    std::shared_ptr<BrushObject> b = ResolveBrush(brush);
    if (!dc || !rect || !b) return 0;
    FillDeviceRect(*dc, dc->ToDevice(*rect), BrushFill(*dc, *b), 0xF0);
    return 1;
}

int FrameRect(HDC handle, const RECT* rect, HBRUSH brush) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    std::shared_ptr<BrushObject> b = ResolveBrush(brush);
    if (!dc || !rect || !b) return 0;
    const RECT r = dc->ToDevice(*rect);
    if (r.right <= r.left || r.bottom <= r.top) return 1;
    const Region frame =
        Region::Combine(Region::FromRect(r), Region::FromRect(Deflate(r, 1)), Region::Op::Diff);
    FillRegion(*dc, frame, BrushFill(*dc, *b), 0xF0);
    return 1;
}

BOOL InvertRect(HDC handle, const RECT* rect) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc || !rect) return FALSE;
    FillDeviceRect(*dc, dc->ToDevice(*rect), Fill{}, 0x55);
    return TRUE;
}

BOOL DrawFocusRect(HDC handle, const RECT* rect) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc || !rect) return FALSE;
    const RECT r = dc->ToDevice(*rect);
    if (r.right <= r.left || r.bottom <= r.top) return TRUE;
    const Region frame =
        Region::Combine(Region::FromRect(r), Region::FromRect(Deflate(r, 1)), Region::Op::Diff);
    // A checkerboard in device coordinates, inverted (PATINVERT with white on the dots).
    Fill dots;
    dots.patterned = true;
    dots.width = dots.height = 2;
    const std::uint32_t all = dc->Target().ValueMask();
    dots.values = {all, 0, 0, all};
    FillRegion(*dc, frame, dots, 0x5A);
    return TRUE;
}

BOOL DrawEdge(HDC handle, RECT* rect, UINT edge, UINT flags) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc || !rect) return FALSE;
    RECT r = *rect;
    auto fill = [&](int l, int t, int rr, int b, int color) {
        if (l < rr && t < b)
            FillDeviceRect(*dc, dc->ToDevice(RECT{l, t, rr, b}), SolidFill(dc->Target(), GetSysColor(color)),
                           0xF0);
    };
    // Top and left first, then bottom and right over them: the top-right and bottom-left corner
    // pixels take the bottom-right colour.
    auto layer = [&](EdgeColors c) {
        if (flags & BF_LEFT) fill(r.left, r.top, r.left + 1, r.bottom, c.topLeft);
        if (flags & BF_TOP) fill(r.left, r.top, r.right, r.top + 1, c.topLeft);
        if (flags & BF_RIGHT) fill(r.right - 1, r.top, r.right, r.bottom, c.bottomRight);
        if (flags & BF_BOTTOM) fill(r.left, r.bottom - 1, r.right, r.bottom, c.bottomRight);
        if (flags & BF_LEFT) ++r.left;
        if (flags & BF_TOP) ++r.top;
        if (flags & BF_RIGHT) --r.right;
        if (flags & BF_BOTTOM) --r.bottom;
    };
    if (edge & BDR_OUTER) layer(EdgeColorsFor(true, (edge & BDR_RAISEDOUTER) != 0, flags));
    if (edge & BDR_INNER) layer(EdgeColorsFor(false, (edge & BDR_RAISEDINNER) != 0, flags));
    if (flags & BF_MIDDLE)
        fill(r.left, r.top, r.right, r.bottom, (flags & (BF_MONO | BF_FLAT)) ? COLOR_WINDOW : COLOR_BTNFACE);
    if (flags & BF_ADJUST) *rect = r;
    return TRUE;
}

COLORREF SetPixel(HDC handle, int x, int y, COLORREF color) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc) return CLR_INVALID;
    const POINT p = dc->ToDevice(x, y);
    if (!dc->Clip().Contains(p.x, p.y)) return CLR_INVALID;
    Surface& s = dc->Target();
    const std::uint32_t v = s.ToDevice(color);
    s.Set(p.x, p.y, v);
    return s.ToColor(v);
}

BOOL SetPixelV(HDC dc, int x, int y, COLORREF color) {
    return SetPixel(dc, x, y, color) != CLR_INVALID;
}

COLORREF GetPixel(HDC handle, int x, int y) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc) return CLR_INVALID;
    const POINT p = dc->ToDevice(x, y);
    if (!dc->Clip().Contains(p.x, p.y)) return CLR_INVALID;
    const Surface& s = dc->Target();
    return s.ToColor(s.Get(p.x, p.y));
}
