#include "platform/gdi/Region.h"

#include "platform/gdi/Raster_p.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

using namespace gdi;

namespace {

// The combination a RGN_ mode asks for; false for RGN_COPY and unknown modes.
bool CombineOp(int mode, Region::Op& op) {
    switch (mode) {
    case RGN_AND:
        op = Region::Op::And;
        return true;
    case RGN_OR:
        op = Region::Op::Or;
        return true;
    case RGN_XOR:
        op = Region::Op::Xor;
        return true;
    case RGN_DIFF:
        op = Region::Op::Diff;
        return true;
    default:
        return false;
    }
}

HRGN NewRegion(Region r) {
    auto object = std::make_shared<RegionObject>();
    object->region = std::move(r);
    return static_cast<HRGN>(Register(object));
}

std::shared_ptr<RegionObject> FindRegion(HRGN handle) {
    return LookupAs<RegionObject>(handle, OBJ_REGION);
}

constexpr int kAllRows = INT_MAX / 4;

void PutLe32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

std::uint32_t GetLe32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// The union of arbitrary rectangles, band by band.
Region UnionOfRects(std::vector<RECT> rects) {
    std::erase_if(rects, [](const RECT& r) { return r.left >= r.right || r.top >= r.bottom; });
    std::vector<int> ys;
    ys.reserve(rects.size() * 2);
    for (const RECT& r : rects) {
        ys.push_back(r.top);
        ys.push_back(r.bottom);
    }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    std::sort(rects.begin(), rects.end(), [](const RECT& a, const RECT& b) { return a.top < b.top; });
    Region result;
    std::vector<const RECT*> active;
    std::size_t next = 0;
    std::vector<std::pair<int, int>> spans;
    std::vector<int> xs;
    for (std::size_t k = 0; k + 1 < ys.size(); ++k) {
        const int y = ys[k];
        while (next < rects.size() && rects[next].top <= y) active.push_back(&rects[next++]);
        std::erase_if(active, [y](const RECT* r) { return r->bottom <= y; });
        spans.clear();
        for (const RECT* r : active) spans.emplace_back(r->left, r->right);
        std::sort(spans.begin(), spans.end());
        xs.clear();
        for (const auto& [a, b] : spans) {
            if (!xs.empty() && a <= xs.back())
                xs.back() = std::max(xs.back(), b);
            else {
                xs.push_back(a);
                xs.push_back(b);
            }
        }
        result.AppendBand(y, ys[k + 1], xs);
    }
    return result;
}

// Pixels of r with no outside pixel within w columns or h rows.
Region Erode(const Region& r, int w, int h) {
    // Spans of a band are apart, so each narrows on its own.
    Region narrowed;
    std::vector<int> xs;
    for (const Band& band : r.Bands()) {
        xs.clear();
        for (std::size_t i = 0; i < band.xs.size(); i += 2) {
            const long long a = static_cast<long long>(band.xs[i]) + w,
                            b = static_cast<long long>(band.xs[i + 1]) - w;
            if (a < b) {
                xs.push_back(static_cast<int>(a));
                xs.push_back(static_cast<int>(b));
            }
        }
        narrowed.AppendBand(band.top, band.bottom, xs);
    }
    const RECT box = r.Box();
    if (h >= box.bottom - box.top) return Region();
    Region out = narrowed;
    for (int d = 1; d <= h; ++d)
        for (int sign : {-1, 1}) {
            Region moved = narrowed;
            moved.Offset(0, sign * d);
            out = Region::Combine(out, moved, Region::Op::And);
        }
    return out;
}

Region ToDevice(const DeviceContext& dc, Region r) {
    r.Offset(dc.OffsetX(), dc.OffsetY());
    return r;
}

int ClipKind(const DeviceContext& dc) {
    return dc.st.clip ? dc.st.clip->Complexity() : SIMPLEREGION;
}

// The current clip, or the whole surface when there is none.
Region CurrentClip(const DeviceContext& dc) {
    if (dc.st.clip) return *dc.st.clip;
    const Surface& s = dc.Target();
    return Region::FromRect(0, 0, s.Width(), s.Height());
}

int SetClip(DeviceContext& dc, std::optional<Region> clip) {
    dc.st.clip = std::move(clip);
    dc.ClipChanged();
    return ClipKind(dc);
}

template <class F>
auto WithDcRegion(HDC handle, HRGN rgn, F f)
    -> decltype(f(std::declval<DeviceContext&>(), std::declval<Region&>())) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    std::shared_ptr<RegionObject> r = FindRegion(rgn);
    if (!dc || !r) return {};
    return f(*dc, r->region);
}

} // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    return NewRegion(Region::FromRect(left, top, right, bottom));
}

HRGN CreateRectRgnIndirect(const RECT* r) {
    return r ? CreateRectRgn(r->left, r->top, r->right, r->bottom) : nullptr;
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
    return NewRegion(Region::Ellipse(left, top, right, bottom, -kAllRows, kAllRows));
}

HRGN CreateEllipticRgnIndirect(const RECT* r) {
    return r ? CreateEllipticRgn(r->left, r->top, r->right, r->bottom) : nullptr;
}

HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode) {
    return CreatePolyPolygonRgn(points, &count, 1, fillMode);
}

HRGN CreatePolyPolygonRgn(const POINT* points, const int* counts, int polygons, int fillMode) {
    if (!points || !counts || polygons <= 0) return nullptr;
    if (fillMode != ALTERNATE && fillMode != WINDING) return nullptr;
    for (int i = 0; i < polygons; ++i)
        if (counts[i] < 2) return nullptr;
    return NewRegion(Region::Polygon(points, counts, polygons, fillMode, -kAllRows, kAllRows));
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height) {
    return NewRegion(Region::RoundRect(left, top, right, bottom, width, height, -kAllRows, kAllRows));
}

BOOL SetRectRgn(HRGN rgn, int left, int top, int right, int bottom) {
    std::shared_ptr<RegionObject> r = FindRegion(rgn);
    if (!r) return FALSE;
    r->region = Region::FromRect(left, top, right, bottom);
    return TRUE;
}

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
    std::shared_ptr<RegionObject> d = FindRegion(dest), a = FindRegion(src1);
    if (!d || !a) return RGN_ERROR;
    if (mode == RGN_COPY) {
        d->region = a->region;
        return d->region.Complexity();
    }
    std::shared_ptr<RegionObject> b = FindRegion(src2);
    if (!b) return RGN_ERROR;
    Region::Op op;
    if (!CombineOp(mode, op)) return RGN_ERROR;
    d->region = Region::Combine(a->region, b->region, op);
    return d->region.Complexity();
}

int OffsetRgn(HRGN rgn, int dx, int dy) {
    std::shared_ptr<RegionObject> r = FindRegion(rgn);
    if (!r) return RGN_ERROR;
    r->region.Offset(dx, dy);
    return r->region.Complexity();
}

BOOL PtInRegion(HRGN rgn, int x, int y) {
    std::shared_ptr<RegionObject> r = FindRegion(rgn);
    return r && r->region.Contains(x, y);
}

BOOL RectInRegion(HRGN rgn, const RECT* rect) {
    std::shared_ptr<RegionObject> r = FindRegion(rgn);
    return r && rect && r->region.Intersects(*rect);
}

int GetRgnBox(HRGN rgn, RECT* box) {
    std::shared_ptr<RegionObject> r = FindRegion(rgn);
    if (!r || !box) return RGN_ERROR;
    *box = r->region.Box();
    return r->region.Complexity();
}

BOOL EqualRgn(HRGN a, HRGN b) {
    std::shared_ptr<RegionObject> ra = FindRegion(a), rb = FindRegion(b);
    return ra && rb && ra->region == rb->region;
}

DWORD GetRegionData(HRGN rgn, DWORD size, RGNDATA* data) {
    std::shared_ptr<RegionObject> r = FindRegion(rgn);
    if (!r) return 0;
    const std::vector<RECT> rects = r->region.Rects();
    const std::size_t needed = sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT);
    if (needed > 0xFFFFFFFFu) return 0;
    if (!data) return static_cast<DWORD>(needed);
    if (size < needed) return 0;
    auto* out = reinterpret_cast<std::uint8_t*>(data);
    const RECT box = r->region.Box();
    PutLe32(out + 0, sizeof(RGNDATAHEADER));
    PutLe32(out + 4, RDH_RECTANGLES);
    PutLe32(out + 8, static_cast<std::uint32_t>(rects.size()));
    PutLe32(out + 12, static_cast<std::uint32_t>(rects.size() * sizeof(RECT)));
    const LONG boxFields[4] = {box.left, box.top, box.right, box.bottom};
    for (int i = 0; i < 4; ++i) PutLe32(out + 16 + 4 * i, static_cast<std::uint32_t>(boxFields[i]));
    std::uint8_t* p = out + sizeof(RGNDATAHEADER);
    for (const RECT& rc : rects) {
        const LONG fields[4] = {rc.left, rc.top, rc.right, rc.bottom};
        for (int i = 0; i < 4; ++i, p += 4) PutLe32(p, static_cast<std::uint32_t>(fields[i]));
    }
    return size;
}

DWORD RegionDataBytes(const RGNDATA* data, DWORD size) {
    if (!data || size < sizeof(RGNDATAHEADER)) return 0;
    const auto* in = reinterpret_cast<const std::uint8_t*>(data);
    if (GetLe32(in) != sizeof(RGNDATAHEADER) || GetLe32(in + 4) != RDH_RECTANGLES) return 0;
    const std::uint32_t count = GetLe32(in + 8);
    if (count > (size - sizeof(RGNDATAHEADER)) / sizeof(RECT)) return 0;
    const std::uint8_t* p = in + sizeof(RGNDATAHEADER);
    for (std::uint32_t i = 0; i < count; ++i, p += sizeof(RECT)) {
        const auto l = static_cast<std::int32_t>(GetLe32(p)), t = static_cast<std::int32_t>(GetLe32(p + 4));
        const auto r = static_cast<std::int32_t>(GetLe32(p + 8)),
                   b = static_cast<std::int32_t>(GetLe32(p + 12));
        if (r < l || b < t) return 0;
    }
    return static_cast<DWORD>(sizeof(RGNDATAHEADER) + count * sizeof(RECT));
}

HRGN ExtCreateRegion(const XFORM* xform, DWORD size, const RGNDATA* data) {
    long long dx = 0, dy = 0;
    if (xform) {
        if (xform->eM11 != 1.0f || xform->eM22 != 1.0f || xform->eM12 != 0.0f || xform->eM21 != 0.0f)
            return nullptr;
        if (!std::isfinite(xform->eDx) || !std::isfinite(xform->eDy)) return nullptr;
        if (std::fabs(xform->eDx) > 1e9f || std::fabs(xform->eDy) > 1e9f) return nullptr;
        dx = std::llround(xform->eDx);
        dy = std::llround(xform->eDy);
    }
    if (RegionDataBytes(data, size) == 0) return nullptr;
    const auto* in = reinterpret_cast<const std::uint8_t*>(data);
    const std::uint32_t count = GetLe32(in + 8);
    std::vector<RECT> rects;
    rects.reserve(count);
    const std::uint8_t* p = in + sizeof(RGNDATAHEADER);
    for (std::uint32_t i = 0; i < count; ++i, p += sizeof(RECT)) {
        const long long l = static_cast<std::int32_t>(GetLe32(p)) + dx,
                        t = static_cast<std::int32_t>(GetLe32(p + 4)) + dy;
        const long long r = static_cast<std::int32_t>(GetLe32(p + 8)) + dx,
                        b = static_cast<std::int32_t>(GetLe32(p + 12)) + dy;
        if (std::min({l, t}) < INT_MIN || std::max({r, b}) > INT_MAX) return nullptr;
        rects.push_back(
            RECT{static_cast<LONG>(l), static_cast<LONG>(t), static_cast<LONG>(r), static_cast<LONG>(b)});
    }
    return NewRegion(UnionOfRects(std::move(rects)));
}

HRGN CreateRectsRgn(const RECT* rects, std::size_t count) {
    std::vector<RECT> all;
    if (rects && count > 0) all.assign(rects, rects + count);
    return NewRegion(UnionOfRects(std::move(all)));
}

BOOL FillRgn(HDC handle, HRGN rgn, HBRUSH brush) {
    std::shared_ptr<BrushObject> b = ResolveBrush(brush);
    if (!b) return FALSE;
    return WithDcRegion(handle, rgn, [&](DeviceContext& dc, Region& r) -> BOOL {
        FillRegion(dc, ToDevice(dc, r), BrushFill(dc, *b), 0xF0);
        return TRUE;
    });
}

BOOL PaintRgn(HDC handle, HRGN rgn) {
    return WithDcRegion(handle, rgn, [&](DeviceContext& dc, Region& r) -> BOOL {
        FillRegion(dc, ToDevice(dc, r), BrushFill(dc, *dc.st.brush), Rop2Index(dc.st.rop2));
        return TRUE;
    });
}

BOOL FrameRgn(HDC handle, HRGN rgn, HBRUSH brush, int width, int height) {
    std::shared_ptr<BrushObject> b = ResolveBrush(brush);
    if (!b || width < 1 || height < 1) return FALSE;
    return WithDcRegion(handle, rgn, [&](DeviceContext& dc, Region& r) -> BOOL {
        const Region frame = Region::Combine(r, Erode(r, width, height), Region::Op::Diff);
        FillRegion(dc, ToDevice(dc, frame), BrushFill(dc, *b), 0xF0);
        return TRUE;
    });
}

BOOL InvertRgn(HDC handle, HRGN rgn) {
    return WithDcRegion(handle, rgn, [&](DeviceContext& dc, Region& r) -> BOOL {
        FillRegion(dc, ToDevice(dc, r), Fill{}, 0x55);
        return TRUE;
    });
}

int SelectClipRgn(HDC handle, HRGN rgn) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc) return RGN_ERROR;
    if (!rgn) return SetClip(*dc, std::nullopt);
    std::shared_ptr<RegionObject> r = FindRegion(rgn);
    if (!r) return RGN_ERROR;
    return SetClip(*dc, r->region);
}

int ExtSelectClipRgn(HDC handle, HRGN rgn, int mode) {
    if (mode == RGN_COPY) return SelectClipRgn(handle, rgn);
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    std::shared_ptr<RegionObject> r = FindRegion(rgn);
    if (!dc || !r) return RGN_ERROR;
    Region::Op op;
    if (!CombineOp(mode, op)) return RGN_ERROR;
    return SetClip(*dc, Region::Combine(CurrentClip(*dc), r->region, op));
}

int IntersectClipRect(HDC handle, int left, int top, int right, int bottom) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc) return RGN_ERROR;
    const Region rect = Region::FromRect(dc->ToDevice(RECT{left, top, right, bottom}));
    return SetClip(*dc, Region::Combine(CurrentClip(*dc), rect, Region::Op::And));
}

int ExcludeClipRect(HDC handle, int left, int top, int right, int bottom) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc) return RGN_ERROR;
    const Region rect = Region::FromRect(dc->ToDevice(RECT{left, top, right, bottom}));
    return SetClip(*dc, Region::Combine(CurrentClip(*dc), rect, Region::Op::Diff));
}

int OffsetClipRgn(HDC handle, int dx, int dy) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc) return RGN_ERROR;
    if (!dc->st.clip) return SIMPLEREGION;
    dc->st.clip->Offset(dx, dy);
    dc->ClipChanged();
    return ClipKind(*dc);
}

int GetClipBox(HDC handle, RECT* rect) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc || !rect) return RGN_ERROR;
    const Region& clip = dc->Clip();
    RECT box = clip.Box();
    OffsetRect(&box, -dc->OffsetX(), -dc->OffsetY());
    *rect = clip.Empty() ? RECT{} : box;
    return clip.Complexity();
}

int GetClipRgn(HDC handle, HRGN rgn) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    std::shared_ptr<RegionObject> r = FindRegion(rgn);
    if (!dc || !r) return -1;
    if (!dc->st.clip) return 0;
    r->region = *dc->st.clip;
    return 1;
}

BOOL PtVisible(HDC handle, int x, int y) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc) return FALSE;
    const POINT p = dc->ToDevice(x, y);
    return dc->Clip().Contains(p.x, p.y);
}

BOOL RectVisible(HDC handle, const RECT* rect) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc || !rect) return FALSE;
    return dc->Clip().Intersects(dc->ToDevice(*rect));
}

ClipScope::ClipScope(HDC dc) : dc_(dc), saved_(CreateRectRgn(0, 0, 0, 0)) {
    hadClip_ = GetClipRgn(dc_, saved_) == 1;
}

ClipScope::~ClipScope() {
    SelectClipRgn(dc_, hadClip_ ? saved_ : nullptr);
    DeleteObject(saved_);
}

void ClipScope::Intersect(const RECT& rect) {
    IntersectClipRect(dc_, rect.left, rect.top, rect.right, rect.bottom);
}
