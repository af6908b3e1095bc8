#include "indicator_controls/BtnShapes.h"

#include "platform/gdi/DeviceContext.h"

#include <array>
#include <vector>

namespace {

// The measures the outlines are written in. The first group spans the region (W x H and its
// thirds a, b), the second the edge (X = Width - 1, Y = Height - 1 and its parts).
enum class V : std::uint8_t {
    Z,
    W,
    H,
    W2,
    H2,
    A,
    A2,
    A3,
    B,
    B2,
    B3,
    W3,
    WmW3,
    H3,
    HmH3,
    MTop,
    MBot,
    X,
    Y,
    HX,
    HY,
    TX,
    TY,
    FX,
    FY,
    UX,
    UY,
    VX,
    VY,
    CX,
    D,
    E,
    F,
    R,
    Q,
    XmFX,
    YmFY,
    Count
};

struct C {
    V v;
    int k = 0;
    constexpr C(V value) : v(value) {}
    constexpr C(V value, int offset) : v(value), k(offset) {}
    constexpr C(int constant) : v(V::Z), k(constant) {}
};
constexpr C operator+(V v, int k) {
    return {v, k};
}
constexpr C operator-(V v, int k) {
    return {v, -k};
}

struct P {
    C x, y;
};

enum class Ink : std::uint8_t { S, L, K };

// One polyline, or an arc given as its box, start and end point.
struct Stroke {
    Ink ink;
    bool arc;
    std::vector<P> points;
};
Stroke Line(Ink ink, std::vector<P> points) {
    return {ink, false, std::move(points)};
}
Stroke Arc(Ink ink, std::vector<P> points) {
    return {ink, true, std::move(points)};
}

enum class Kind : std::uint8_t { Rect, Polygons, Ellipse };

struct Outline {
    Kind kind;
    std::vector<std::vector<P>> polygons; // Rect: one of two corners
    std::vector<Stroke> edges;
    std::vector<Stroke> graphicEdges; // empty: as the windowed family
};

int Div(int n, int k) {
    return n / k;
}
int Ceil(int n, int k) {
    return n / k + (n % k != 0 ? 1 : 0);
}

struct Measures {
    std::array<int, static_cast<std::size_t>(V::Count)> v{};
    int operator()(C c) const { return v[static_cast<std::size_t>(c.v)] + c.k; }

    Measures(TShapeFamily family, int width, int height) {
        const bool win = family == TShapeFamily::Windowed;
        auto set = [this](V n, int value) { v[static_cast<std::size_t>(n)] = value; };
        const int w = win ? width : width - 1;
        const int h = win ? height : height - 1;
        const int a = win ? Ceil(w, 3) : Div(w, 3);
        const int b = win ? Ceil(h, 3) : Div(h, 3);
        set(V::W, w), set(V::H, h), set(V::W2, w / 2), set(V::H2, h / 2);
        set(V::A, a), set(V::A2, 2 * a), set(V::A3, 3 * a);
        set(V::B, b), set(V::B2, 2 * b), set(V::B3, 3 * b);
        set(V::W3, w / 3), set(V::WmW3, w - w / 3), set(V::H3, h / 3), set(V::HmH3, h - h / 3);
        set(V::MTop, b - b / 4), set(V::MBot, 2 * b + b / 4 - (win ? 1 : 0));

        const int x = width - 1;
        const int y = height - 1;
        const int tx = win ? Ceil(x, 3) : Div(x, 3);
        const int ty = win ? Ceil(y, 3) : Div(y, 3);
        const int ux = 2 * (x / 3);
        const int uy = 2 * (y / 3);
        const int d = win ? y - ty - 1 : uy;
        set(V::X, x), set(V::Y, y);
        set(V::HX, win ? Ceil(x, 2) : Div(x, 2)), set(V::HY, win ? Ceil(y, 2) : Div(y, 2));
        set(V::TX, tx), set(V::TY, ty), set(V::FX, x / 3), set(V::FY, y / 3);
        set(V::UX, ux), set(V::UY, uy), set(V::VX, 3 * (x / 3)), set(V::VY, 3 * (y / 3));
        set(V::CX, win ? x - tx - 1 : ux), set(V::D, d);
        set(V::E, win ? ty - ty / 4 - 1 : ty - ty / 4);
        set(V::F, win ? ty / 4 + d + 2 : ty / 4 + uy);
        set(V::R, (x / 2) / 2), set(V::Q, x / 2 + (x / 2) / 2);
        set(V::XmFX, x - x / 3), set(V::YmFY, y - y / 3);
    }
};

// Indexed by outline (the values up to sbDnLTriangle; the compass values map onto them).
const std::vector<Outline>& Outlines() {
    using enum V;
    using enum Ink;
    static const std::vector<Outline> table = {
        // sbRectangle
        {Kind::Rect,
         {{{Z, Z}, {W, H}}},
         {Line(S, {{0, Y}, {0, 0}, {X, 0}}), Line(S, {{X - 1, 1}, {X - 1, Y - 1}, {1, Y - 1}}),
          Line(L, {{1, Y - 1}, {1, 1}, {X - 1, 1}}), Line(K, {{X, 0}, {X, Y}, {0, Y}})},
         {}},
        // sbUpTriangle
        {Kind::Polygons,
         {{{W2, 0}, {0, H}, {W, H}}},
         {Line(S, {{HX, 0}, {0, Y}}), Line(S, {{HX, 2}, {X - 2, Y - 1}, {1, Y - 1}}),
          Line(L, {{HX, 2}, {2, Y - 1}}), Line(K, {{HX, 1}, {X, Y}, {0, Y}})},
         {}},
        // sbDnTriangle
        {Kind::Polygons,
         {{{0, 0}, {W2, H}, {W, 0}}},
         {Line(S, {{HX, Y}, {0, 0}, {X, 0}}), Line(S, {{X - 2, 1}, {HX - 1, Y - 1}}),
          Line(L, {{HX, Y - 2}, {2, 1}, {X - 2, 1}}), Line(K, {{X, 0}, {HX, Y}})},
         {}},
        // sbLTriangle
        {Kind::Polygons,
         {{{0, H2}, {W, 0}, {W, H}}},
         {Line(S, {{0, HY}, {X, 0}}), Line(S, {{X - 1, 1}, {X - 1, Y - 2}, {1, HY - 1}}),
          Line(L, {{2, HY}, {X - 1, 2}}), Line(K, {{X, 0}, {X, Y}, {0, HY}})},
         {}},
        // sbRTriangle
        {Kind::Polygons,
         {{{0, 0}, {W, H2}, {0, H}}},
         {Line(S, {{0, Y}, {0, 0}, {X, HY}}), Line(S, {{1, Y - 1}, {X - 1, HY}}),
          Line(L, {{1, Y - 1}, {1, 2}, {X - 2, HY}}), Line(K, {{0, Y}, {X, HY}})},
         {}},
        // sbTLTriangle
        {Kind::Polygons,
         {{{0, H}, {0, 0}, {W, 0}}},
         {Line(S, {{0, Y}, {0, 0}, {X, 0}}), Line(S, {{X - 3, 2}, {2, Y - 3}}),
          Line(L, {{1, Y - 2}, {1, 1}, {X - 2, 1}}), Line(K, {{X, 0}, {0, Y}})},
         {}},
        // sbTRTriangle
        {Kind::Polygons,
         {{{0, 0}, {W, 0}, {W, H}}},
         {Line(S, {{X, Y}, {0, 0}, {X, 0}}), Line(S, {{X - 1, 0}, {X - 1, Y}}),
          Line(L, {{X - 2, Y - 3}, {2, 1}, {X - 1, 1}}), Line(K, {{X, 0}, {X, Y}})},
         {}},
        // sbBLTriangle
        {Kind::Polygons,
         {{{0, 0}, {0, H}, {W, H}}},
         {Line(S, {{0, Y}, {0, 0}}), Line(S, {{2, 4}, {X - 3, Y - 1}, {1, Y - 1}}), Line(L, {{1, 2}, {1, Y}}),
          Line(K, {{2, 3}, {X - 1, Y}, {0, Y}})},
         {Line(S, {{0, Y}, {0, 0}}), Line(S, {{2, 3}, {X - 2, Y - 1}, {1, Y - 1}}), Line(L, {{1, 2}, {1, Y}}),
          Line(K, {{2, 2}, {X, Y}, {0, Y}})}},
        // sbBRTriangle
        {Kind::Polygons,
         {{{W, 0}, {W, H}, {0, H}}},
         {Line(S, {{X, 1}, {1, Y}}), Line(S, {{X - 1, 2}, {X - 1, Y - 1}, {1, Y - 1}}),
          Line(L, {{2, Y}, {X, 2}}), Line(K, {{1, Y}, {X, Y}, {X, 1}})},
         {Line(S, {{X, 0}, {0, Y}}), Line(S, {{X - 1, 2}, {X - 1, Y - 1}, {1, Y - 1}}),
          Line(L, {{1, Y}, {X - 1, 2}}), Line(K, {{1, Y}, {X, Y}, {X, 1}})}},
        // sbPlus
        {Kind::Polygons,
         {{{A, 0},
           {A2, 0},
           {A2, B},
           {A3, B},
           {A3, B2},
           {A2, B2},
           {A2, B3},
           {A, B3},
           {A, B2},
           {0, B2},
           {0, B},
           {A, B}}},
         {Line(S, {{TX, VY}, {TX, UY}}), Line(S, {{0, UY}, {0, TY}, {TX, TY}, {TX, 0}, {UX, 0}}),
          Line(S, {{UX, TY}, {VX, TY}}), Line(S, {{1, UY - 1}, {TX + 1, UY - 1}}),
          Line(S, {{UX - 1, 1}, {UX - 1, TY + 1}}),
          Line(S, {{VX - 1, TY + 1}, {VX - 1, UY - 1}, {UX - 1, UY - 1}, {UX - 1, VY - 1}, {TX + 1, VY - 1}}),
          Line(L, {{VX - 1, TY + 1}, {UX - 1, TY + 1}}),
          Line(L, {{UX - 1, 1}, {TX + 1, 1}, {TX + 1, TY + 1}, {1, TY + 1}, {1, UY - 1}}),
          Line(L, {{TX + 1, UY - 1}, {TX + 1, VY - 1}}), Line(K, {{UX, 0}, {UX, TY}}),
          Line(K, {{VX, TY}, {VX, UY}, {UX, UY}, {UX, VY}, {TX, VY}}), Line(K, {{0, UY}, {TX, UY}})},
         {}},
        // sbMinus
        {Kind::Polygons,
         {{{A, 0}, {A2, 0}, {A2, MTop}, {A, MTop}},
          {{A, B3}, {A2, B3}, {A2, MBot}, {A, MBot}},
          {{0, B}, {0, B2}, {W, B2}, {W, B}}},
         {Line(S, {{TX, E}, {TX, 0}, {CX, 0}}), Line(S, {{TX + 1, E - 1}, {CX - 1, E - 1}, {CX - 1, 0}}),
          Line(S, {{TX, Y}, {TX, F}, {CX, F}}), Line(S, {{TX + 1, Y - 1}, {CX - 1, Y - 1}, {CX - 1, F}}),
          Line(S, {{0, D}, {0, TY}, {X, TY}}), Line(S, {{1, D - 1}, {X - 1, D - 1}, {X - 1, TY}}),
          Line(L, {{TX + 1, E - 1}, {TX + 1, 1}, {CX - 1, 1}}),
          Line(L, {{TX + 1, Y - 1}, {TX + 1, F + 1}, {CX - 1, F + 1}}),
          Line(L, {{1, D - 1}, {1, TY + 1}, {X - 1, TY + 1}}), Line(K, {{CX, 0}, {CX, E}, {TX, E}}),
          Line(K, {{CX, F}, {CX, Y}, {TX, Y}}), Line(K, {{X, TY}, {X, D}, {0, D}})},
         {}},
        // sbCircle
        {Kind::Ellipse,
         {{{Z, Z}, {W, H}}},
         {Arc(S, {{0, 0}, {X, Y}, {Q, 0}, {R, Y}}),
          Arc(S, {{1, 1}, {X - 1, Y - 1}, {R - 2, Y - 2}, {Q - 2, 2}}),
          Arc(L, {{1, 1}, {X - 1, Y - 1}, {Q - 2, 2}, {R - 2, Y - 2}}),
          Arc(K, {{0, 0}, {X, Y}, {R, Y}, {Q, 0}})},
         {}},
        // sbUpTrapezoid
        {Kind::Polygons,
         {{{A, 0}, {A2, 0}, {W, H}, {0, H}}},
         {Line(L, {{2, Y - 1}, {TX + 1, 1}, {UX, 1}}), Line(K, {{0, Y}, {X, Y}, {UX, 1}}),
          Line(S, {{0, Y}, {TX, 0}, {UX, 0}}), Line(S, {{2, Y - 1}, {X - 2, Y - 1}, {UX - 1, 2}})},
         {}},
        // sbDnTrapezoid
        {Kind::Polygons,
         {{{0, 0}, {W, 0}, {A2, H}, {A, H}}},
         {Line(L, {{TX + 1, Y - 1}, {2, 1}, {X - 1, 1}}), Line(K, {{TX, Y}, {UX, Y}, {X, 1}}),
          Line(S, {{TX, Y}, {0, 0}, {X + 1, 0}}), Line(S, {{TX + 1, Y - 1}, {UX - 1, Y - 1}, {X - 1, 1}})},
         {}},
        // sbLTrapezoid
        {Kind::Polygons,
         {{{W, 0}, {W, H}, {0, B2}, {0, B}}},
         {Line(L, {{1, UY}, {1, TY + 1}, {X - 1, 1}}), Line(K, {{0, UY}, {X, Y}, {X, 0}}),
          Line(S, {{0, UY}, {0, TY}, {X, 0}}), Line(S, {{1, UY - 1}, {X - 1, Y - 2}, {X - 1, 2}})},
         {}},
        // sbRTrapezoid
        {Kind::Polygons,
         {{{0, 0}, {0, H}, {W, B2}, {W, B}}},
         {Line(L, {{X - 1, TY + 1}, {1, 1}, {1, Y - 1}}), Line(K, {{X, TY}, {X, UY}, {1, Y}}),
          Line(S, {{0, Y}, {0, 0}, {X, TY}}), Line(S, {{X - 1, TY}, {X - 1, UY - 1}, {1, Y - 1}})},
         {}},
        // sbOwnerDraw: the rectangle
        {Kind::Rect, {{{Z, Z}, {W, H}}}, {}, {}},
        // sbUpLTriangle
        {Kind::Polygons,
         {{{0, 0}, {W3, H}, {W, H3}}},
         {Line(S, {{0, 0}, {FX, Y}}), Line(S, {{0, 0}, {X, FY}}), Line(S, {{FX - 1, Y - 1}, {X - 1, FY - 1}}),
          Line(L, {{2, 2}, {FX + 1, Y - 1}}), Line(L, {{2, 2}, {X - 1, FY + 1}}),
          Line(K, {{X, FY}, {FX, Y}})},
         {}},
        // sbUpRTriangle
        {Kind::Polygons,
         {{{W, 0}, {WmW3, H}, {0, H3}}},
         {Line(S, {{X - 1, 0}, {XmFX - 1, Y}}), Line(S, {{XmFX, Y}, {0, FY}}), Line(S, {{0, FY}, {X, 0}}),
          Line(L, {{X - 2, 2}, {2, FY + 1}}), Line(L, {{2, FY + 1}, {XmFX - 1, Y - 2}}),
          Line(K, {{X, 0}, {XmFX, Y}})},
         {}},
        // sbDnRTriangle
        {Kind::Polygons,
         {{{W, H}, {0, HmH3}, {WmW3, 0}}},
         {Line(S, {{XmFX, 1}, {0, YmFY + 1}}), Line(S, {{XmFX - 1, 1}, {X - 2, Y - 2}}),
          Line(S, {{2, YmFY - 1}, {X - 1, Y - 2}}), Line(L, {{XmFX - 1, 4}, {1, YmFY + 2}}),
          Line(K, {{XmFX, 0}, {X, Y}}), Line(K, {{0, YmFY}, {X, Y}})},
         {Line(S, {{XmFX, 0}, {0, YmFY}}), Line(S, {{XmFX - 1, 1}, {X - 2, Y - 2}}),
          Line(S, {{2, YmFY - 1}, {X - 1, Y - 2}}), Line(L, {{XmFX, 2}, {2, YmFY}}),
          Line(K, {{XmFX, 0}, {X, Y}}), Line(K, {{0, YmFY}, {X, Y}})}},
        // sbDnLTriangle
        {Kind::Polygons,
         {{{0, H}, {W3, 0}, {W, HmH3}}},
         {Line(S, {{0, Y}, {FX, 0}}), Line(S, {{FX - 1, 0}, {X - 1, YmFY}}),
          Line(S, {{2, Y - 2}, {X - 1, YmFY - 1}}), Line(L, {{2, Y - 2}, {FX + 1, 2}}),
          Line(L, {{FX, 2}, {X - 2, YmFY}}), Line(K, {{0, Y}, {X, YmFY}})},
         {Line(S, {{0, Y}, {FX, 0}}), Line(S, {{FX, 0}, {X, YmFY}}), Line(S, {{2, Y - 2}, {X - 1, YmFY - 1}}),
          Line(L, {{2, Y - 2}, {FX + 1, 2}}), Line(L, {{FX + 1, 2}, {X - 1, YmFY}}),
          Line(K, {{0, Y}, {X, YmFY}})}},
    };
    return table;
}

} // namespace

sbType ShapeOutline(sbType Shape) {
    switch (Shape) {
    case sb000:
    case sb360:
        return sbUpTriangle;
    case sb045:
        return sbUpRTriangle;
    case sb090:
        return sbRTriangle;
    case sb135:
        return sbDnRTriangle;
    case sb180:
        return sbDnTriangle;
    case sb225:
        return sbDnLTriangle;
    case sb270:
        return sbLTriangle;
    case sb315:
        return sbUpLTriangle;
    default:
        return Shape < sbTypeCount ? Shape : sbRectangle;
    }
}

bool IsTriangleShape(sbType Shape) {
    const sbType o = ShapeOutline(Shape);
    return (o >= sbUpTriangle && o <= sbBRTriangle) || (o >= sbUpLTriangle && o <= sbDnLTriangle);
}

RegionValue ShapeRegion(sbType Shape, TShapeFamily Family, int Width, int Height) {
    const Outline& o = Outlines()[ShapeOutline(Shape)];
    const Measures m(Family, Width, Height);
    const std::vector<P>& box = o.polygons.front();
    switch (o.kind) {
    case Kind::Rect:
        return RegionValue::Rect(m(box[0].x), m(box[0].y), m(box[1].x), m(box[1].y));
    case Kind::Ellipse: {
        const int w = m(box[1].x);
        const int h = m(box[1].y);
        return RegionValue(CreateRoundRectRgn(0, 0, w, h, w, h));
    }
    case Kind::Polygons:
        break;
    }
    std::vector<POINT> points;
    std::vector<int> counts;
    for (const std::vector<P>& polygon : o.polygons) {
        for (const P& p : polygon) points.push_back(POINT{m(p.x), m(p.y)});
        counts.push_back(static_cast<int>(polygon.size()));
    }
    return RegionValue(
        CreatePolyPolygonRgn(points.data(), counts.data(), static_cast<int>(counts.size()), ALTERNATE));
}

RegionValue ButtonRegion(TObject* Sender, sbType Shape, TShapeFamily Family, TsbGetRegEvent OnGetRegion,
                         int Width, int Height) {
    if (Shape == sbOwnerDraw && OnGetRegion) {
        RegionValue region;
        OnGetRegion(Sender, region, Width, Height);
        if (region.HasRegion()) return region;
    }
    return ShapeRegion(Shape, Family, Width, Height);
}

void DrawShapeEdges(TCanvas* Canvas, sbType Shape, TShapeFamily Family, int Width, int Height, bool Down,
                    TColor Shadow, TColor Highlight) {
    sbType outline = ShapeOutline(Shape);
    if (outline == sbOwnerDraw) outline = sbRectangle;
    const Outline& o = Outlines()[outline];
    const Measures m(Family, Width, Height);
    const std::vector<Stroke>& edges =
        Family == TShapeFamily::Graphic && !o.graphicEdges.empty() ? o.graphicEdges : o.edges;
    TPen* pen = Canvas->Pen();
    pen->SetStyle(psSolid);
    pen->SetWidth(1);
    for (const Stroke& s : edges) {
        const TColor ink = s.ink == Ink::S   ? Shadow
                           : s.ink == Ink::L ? (Down ? clBlack : Highlight)
                                             : (Down ? Highlight : clBlack);
        pen->SetColor(ink);
        std::vector<TPoint> points;
        for (const P& p : s.points) points.emplace_back(m(p.x), m(p.y));
        if (s.arc)
            Canvas->Arc(points[0].X, points[0].Y, points[1].X, points[1].Y, points[2].X, points[2].Y,
                        points[3].X, points[3].Y);
        else
            Canvas->Polyline(points);
    }
}
