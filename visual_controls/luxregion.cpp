#include "visual_controls/luxregion.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/System.h"
#include "platform/ui/ControlMessages.h"
#include "platform/ui/Filer.h"
#include "platform/ui/TypInfo.h"
#include "platform/ui/WindowQueries.h"
#include "platform/ui/WindowShape.h"
#include "visual_controls/Luxclass.h"
#include "visual_controls/Luxcont.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <utility>

namespace {

// Rounding as the run time does it: halves go to the even neighbour.
int Rnd(double v) {
    return static_cast<int>(std::nearbyint(v));
}

HRGN Polygon(const std::vector<POINT>& p) {
    return CreatePolygonRgn(p.data(), static_cast<int>(p.size()), ALTERNATE);
}

// Joins (or cuts, with another mode) b into a and deletes b.
void Merge(HRGN a, HRGN b, int mode) {
    CombineRgn(a, a, b, mode);
    DeleteObject(b);
}

bool OnLeft(TLuxExtPos Pos) {
    return Pos == epLeftTop || Pos == epTopLeft || Pos == epBottomLeft || Pos == epLeftBottom;
}

bool OnTop(TLuxExtPos Pos) {
    return Pos == epLeftTop || Pos == epTopLeft || Pos == epTopRight || Pos == epRightTop;
}

// The nose's base lies on a vertical side.
bool SideFirst(TLuxExtPos Pos) {
    return Pos == epLeftTop || Pos == epRightTop || Pos == epRightBottom || Pos == epLeftBottom;
}

std::vector<POINT> StarPoints(const TRect& R) {
    const int L = R.Left, T = R.Top, W = R.Right - R.Left, H = R.Bottom - R.Top;
    auto x = [&](double f) { return L + Rnd(f * W); };
    auto y = [&](double f) { return T + Rnd(f * H); };
    return {{L + W / 2, T},      {x(0.65), y(0.38)},   {R.Right, y(0.38)},  {x(0.7), y(0.6)},
            {x(0.85), R.Bottom}, {L + W / 2, y(0.75)}, {x(0.15), R.Bottom}, {x(0.3), y(0.6)},
            {L, y(0.38)},        {x(0.35), y(0.38)}};
}

std::vector<POINT> OctagonPoints(const TRect& R) {
    const int L = R.Left, T = R.Top, W = R.Right - R.Left, H = R.Bottom - R.Top;
    return {{L + 2 * (W / 3), T},       {L + W / 3, T},        {L, T + H / 3},
            {L, T + 2 * (H / 3)},       {L + W / 3, R.Bottom}, {L + 2 * (W / 3), R.Bottom},
            {R.Right, T + 2 * (H / 3)}, {R.Right, T + H / 3}};
}

std::vector<POINT> CombPoints(const TRect& R) {
    const int L = R.Left, T = R.Top, W = R.Right - R.Left, H = R.Bottom - R.Top;
    return {{L + W / 2, T},
            {L, T + H / 4},
            {L, T + 3 * (H / 4)},
            {L + W / 2, R.Bottom},
            {R.Right, T + 3 * (H / 4)},
            {R.Right, T + H / 4}};
}

// The top scallops and the rectangle above the shields, cut from Rgn.
void CutShieldTop(HRGN Rgn, int W, int H) {
    Merge(Rgn, CreateEllipticRgn(-(W / 2), -(H / 5), W / 2, H / 5), RGN_DIFF);
    Merge(Rgn, CreateEllipticRgn(W / 2, -(H / 5), W / 2 + W, H / 5), RGN_DIFF);
    Merge(Rgn, CreateRectRgn(0, -40, W, 0), RGN_DIFF);
}

HRGN NoseRgn(HRGN Body, const TRect& BodyRect, int Size, int BaseOffset, TLuxExtPos Pos) {
    std::vector<POINT> tri;
    for (const TPoint& p : LuxNoseTriangle(BodyRect, Size, BaseOffset, Pos)) tri.push_back(p);
    Merge(Body, Polygon(tri), RGN_OR);
    return Body;
}

HRGN BubbleRgn(HRGN Body, const TRect& BodyRect, int Size, int Count, TLuxExtPos Pos) {
    for (const TRect& b : LuxThinkBubbles(BodyRect, Size, Count, Pos))
        Merge(Body, CreateEllipticRgn(b.Left, b.Top, b.Right, b.Bottom), RGN_OR);
    return Body;
}

// --- Border painting ---------------------------------------------------------------------------------

using Part = std::function<void(TCanvas*, const TRect&)>;

// One painter: the light and the dark part of the outline, the whole outline (both parts by
// default), the inner line of the psb styles, and how far the rectangle shrinks for the second
// outline.
struct Painter {
    Part light, dark, whole, inner;
    int shrinkSingle = 1;
    int shrinkPsb = 1;
};

void Pen(TCanvas* Canvas, TColor Color) {
    Canvas->Pen()->SetStyle(psSolid);
    Canvas->Pen()->SetColor(Color);
}

TRect Shrunk(const TRect& R, int n) {
    return TRect(R.Left + n, R.Top + n, R.Right - n, R.Bottom - n);
}

void Frame(TCanvas* Canvas, const TRect& R, TColor Light, TColor Shadow, TColor Single,
           TLuxRegionBorderStyle Style, const Painter& P) {
    if (!Canvas || Style == rbNone) return;
    if (Style == rbLowered || Style == rbSingleLowered || Style == rbLoweredpsb) std::swap(Light, Shadow);
    auto threeD = [&](const TRect& r, TColor light, TColor dark) {
        Pen(Canvas, light);
        P.light(Canvas, r);
        Pen(Canvas, dark);
        P.dark(Canvas, r);
    };
    auto whole = [&](const TRect& r, TColor c) {
        Pen(Canvas, c);
        if (P.whole) {
            P.whole(Canvas, r);
        } else {
            P.light(Canvas, r);
            P.dark(Canvas, r);
        }
    };
    switch (Style) {
    case rbRaised:
    case rbLowered:
        threeD(R, Light, Shadow);
        break;
    case rbSingle:
        whole(R, Single);
        break;
    case rbSingleRaised:
    case rbSingleLowered:
        whole(R, Single);
        threeD(Shrunk(R, P.shrinkSingle), Light, Shadow);
        break;
    case rbRaisedpsb:
    case rbLoweredpsb:
        // The dark part takes the single colour, the inner line the shadow colour.
        threeD(R, Light, Single);
        Pen(Canvas, Shadow);
        P.inner(Canvas, Shrunk(R, P.shrinkPsb));
        break;
    case rbNone:
        break;
    }
}

void Path(TCanvas* Canvas, const std::vector<POINT>& P, std::initializer_list<int> Indices) {
    bool first = true;
    for (int i : Indices) {
        const POINT& p = P[static_cast<std::size_t>(i)];
        if (first)
            Canvas->MoveTo(p.x, p.y);
        else
            Canvas->LineTo(p.x, p.y);
        first = false;
    }
}

// The vertices of a builder's polygon, numbered from 1 as its painter names them.
Part Edges(std::function<std::vector<POINT>(const TRect&)> Points, std::vector<std::vector<int>> Paths) {
    return [Points, Paths](TCanvas* c, const TRect& r) {
        const std::vector<POINT> p = Points(r);
        for (const auto& path : Paths) {
            bool first = true;
            for (int i : path) {
                const POINT& q = p[static_cast<std::size_t>(i - 1)];
                if (first)
                    c->MoveTo(q.x, q.y);
                else
                    c->LineTo(q.x, q.y);
                first = false;
            }
        }
    };
}

Painter RectPainter() {
    Painter p;
    p.light = [](TCanvas* c, const TRect& r) {
        Path(c, {{r.Right, r.Top}, {r.Left, r.Top}, {r.Left, r.Bottom}}, {0, 1, 2});
    };
    p.dark = [](TCanvas* c, const TRect& r) {
        Path(c, {{r.Left, r.Bottom}, {r.Right, r.Bottom}, {r.Right, r.Top}}, {0, 1, 2});
    };
    p.inner = p.dark;
    return p;
}

Painter EllipsePainter() {
    Painter p;
    p.light = [](TCanvas* c, const TRect& r) {
        c->Arc(r.Left, r.Top, r.Right, r.Bottom, r.Right, r.Top, r.Left, r.Bottom);
    };
    p.dark = [](TCanvas* c, const TRect& r) {
        c->Arc(r.Left, r.Top, r.Right, r.Bottom, r.Left, r.Bottom, r.Right, r.Top);
    };
    p.inner = p.dark;
    return p;
}

Painter HalfRoundPainter() {
    Painter p;
    p.light = [](TCanvas* c, const TRect& r) {
        c->Arc(r.Left, 2 * r.Top - r.Bottom, r.Right, r.Bottom, r.Right, r.Top, r.Left, r.Bottom);
    };
    p.dark = [](TCanvas* c, const TRect& r) {
        c->Arc(r.Left, 2 * r.Top - r.Bottom, r.Right, r.Bottom, r.Left, r.Bottom, r.Right, r.Top);
    };
    p.whole = [](TCanvas* c, const TRect& r) { c->Ellipse(r.Left, 2 * r.Top - r.Bottom, r.Right, r.Bottom); };
    p.inner = p.dark;
    return p;
}

Painter RoundRectPainter(int RX, int RY) {
    Painter p;
    p.light = [RX, RY](TCanvas* c, const TRect& r) {
        c->RoundRect(r.Left, r.Top, r.Right, r.Bottom, RX, RY);
    };
    p.whole = p.light;
    // The lower half of the bottom-left corner, the bottom edge, the bottom-right corner, the right
    // edge and the lower half of the top-right corner, 4 pixels wide.
    p.dark = [RX, RY](TCanvas* c, const TRect& r) {
        const int L = r.Left, T = r.Top, R = r.Right, B = r.Bottom, qx = RX / 2, qy = RY / 2;
        const int width = c->Pen()->Width();
        c->Pen()->SetWidth(4);
        c->Arc(L, B - RY, L + RX, B, L, B, L + qx, B);
        c->MoveTo(L + qx, B - 1);
        c->LineTo(R - qx, B - 1);
        c->Arc(R - RX, B - RY, R, B, R - qx, B, R, B - qy);
        c->MoveTo(R - 1, B - qy);
        c->LineTo(R - 1, T + qy);
        c->Arc(R - RX, T, R, T + RY, R, T + qy, R, T);
        c->Pen()->SetWidth(width);
    };
    p.inner = p.dark;
    return p;
}

struct Shield {
    int L, T, W, H, w2, h5, h87;
    explicit Shield(const TRect& r)
        : L(r.Left), T(r.Top), W(r.Right - r.Left), H(r.Bottom - r.Top), w2(W / 2), h5(H / 5),
          h87((8 * H) / 7) {}
    void SL(TCanvas* c) const { c->Arc(L - w2, T - h5, L + w2, T + h5, L, T + h5, L + w2, T); }
    void SR(TCanvas* c) const { c->Arc(L + w2, T - h5, L + W + w2, T + h5, L + w2, T, L + W, T + h5); }
};

Painter RoundShieldPainter() {
    Painter p;
    p.light = [](TCanvas* c, const TRect& r) {
        const Shield s(r);
        s.SL(c);
        s.SR(c);
    };
    auto arc1 = [](TCanvas* c, const Shield& s) {
        c->Arc(s.L, s.T + s.H, s.L + s.W, s.T - s.H + s.h5, s.L, s.T + s.h5, s.L + s.w2, s.T + s.H);
    };
    auto arc2 = [](TCanvas* c, const Shield& s) {
        c->Arc(s.L, s.T + s.H, s.L + s.W, s.T - s.H + s.h5, s.L + s.w2, s.T + s.H, s.L + s.W, s.T + s.h5);
    };
    p.dark = [arc1, arc2](TCanvas* c, const TRect& r) {
        const Shield s(r);
        arc1(c, s);
        arc2(c, s);
    };
    p.whole = [](TCanvas* c, const TRect& r) {
        const Shield s(r);
        s.SL(c);
        s.SR(c);
        c->Arc(s.L, s.T + s.H, s.L + s.W, s.T - s.H + s.h5, s.L, s.T + s.h5, s.L + s.W, s.T + s.h5);
    };
    p.inner = [arc2](TCanvas* c, const TRect& r) {
        const Shield s(r);
        s.SR(c);
        arc2(c, s);
    };
    return p;
}

Painter SharpShieldPainter() {
    Painter p;
    auto arc1 = [](TCanvas* c, const Shield& s) {
        c->Arc(s.L, s.T - s.h87, s.L + 2 * s.W, s.T + s.h87, s.L, s.T + s.h5, s.L + s.w2, s.T + s.H);
    };
    auto arc2 = [](TCanvas* c, const Shield& s) {
        c->Arc(s.L - s.W, s.T - s.h87, s.L + s.W, s.T + s.h87, s.L + s.w2, s.T + s.H, s.L, s.T + s.h5);
    };
    p.light = [](TCanvas* c, const TRect& r) {
        const Shield s(r);
        s.SL(c);
        s.SR(c);
    };
    p.dark = [arc1, arc2](TCanvas* c, const TRect& r) {
        const Shield s(r);
        arc1(c, s);
        arc2(c, s);
    };
    p.whole = [arc1, arc2](TCanvas* c, const TRect& r) {
        const Shield s(r);
        arc2(c, s);
        arc1(c, s);
        s.SL(c);
        s.SR(c);
    };
    p.inner = [arc2](TCanvas* c, const TRect& r) {
        const Shield s(r);
        arc2(c, s);
        s.SR(c);
    };
    return p;
}

// Frames each bubble as an ellipse and keeps it out of the clip region, then frames the body;
// the clip region is restored afterwards.
void FrameBubbles(TCanvas* Canvas, const TRect& R, int Size, TLuxExtPos Pos, int Count, TColor Light,
                  TColor Shadow, TColor Single, TLuxRegionBorderStyle Style,
                  const std::function<void(const TRect&)>& Body) {
    if (!Canvas) return;
    const TRect body = LuxNoseBody(R, Size, Pos);
    HDC dc = Canvas->Handle();
    HRGN saved = CreateRectRgn(0, 0, 0, 0);
    const int hadClip = GetClipRgn(dc, saved);
    try {
        for (const TRect& b : LuxThinkBubbles(body, Size, Count, Pos)) {
            LuxFrameEllipticRgn(Canvas, b, Light, Shadow, Single, Style);
            POINT corners[2] = {{b.Left, b.Top}, {b.Right, b.Bottom}};
            LPtoDP(Canvas->Handle(), corners, 2);
            HRGN bubble = CreateEllipticRgn(corners[0].x, corners[0].y, corners[1].x, corners[1].y);
            ExtSelectClipRgn(Canvas->Handle(), bubble, RGN_DIFF);
            DeleteObject(bubble);
        }
        Body(body);
    } catch (...) {
        SelectClipRgn(Canvas->Handle(), hadClip == 1 ? saved : nullptr);
        DeleteObject(saved);
        throw;
    }
    SelectClipRgn(Canvas->Handle(), hadClip == 1 ? saved : nullptr);
    DeleteObject(saved);
}

const Painter& Diamond() {
    static const Painter p = [] {
        Painter q;
        auto pts = [](const TRect& r) {
            const int Xm = r.Left + (r.Right - r.Left) / 2, Ym = r.Top + (r.Bottom - r.Top) / 2;
            return std::vector<POINT>{{r.Right, Ym}, {Xm, r.Top}, {r.Left, Ym}, {Xm, r.Bottom}};
        };
        q.light = Edges(pts, {{1, 2, 3}});
        q.dark = Edges(pts, {{3, 4, 1}});
        q.inner = Edges(pts, {{4, 1, 2}});
        return q;
    }();
    return p;
}

} // namespace

// --- Geometry ----------------------------------------------------------------------------------------

TRect LuxNoseBody(const TRect& R, int Size, TLuxExtPos Pos) {
    TRect b = R;
    if (OnTop(Pos))
        b.Top += Size;
    else
        b.Bottom -= Size;
    if (OnLeft(Pos))
        b.Left += Size;
    else
        b.Right -= Size;
    return b;
}

std::vector<TPoint> LuxNoseTriangle(const TRect& Body, int Size, int BaseOffset, TLuxExtPos Pos) {
    const int sx = OnLeft(Pos) ? -1 : 1, sy = OnTop(Pos) ? -1 : 1;
    const int cx = OnLeft(Pos) ? Body.Left : Body.Right, cy = OnTop(Pos) ? Body.Top : Body.Bottom;
    const int s = Rnd(Size * std::numbers::sqrt2);
    const int b = BaseOffset;
    std::vector<TPoint> tri{{cx + sx * Size, cy + sy * Size}};
    if (SideFirst(Pos)) {
        tri.emplace_back(cx, cy - sy * b);
        tri.emplace_back(cx, cy - sy * (b + s));
    } else {
        tri.emplace_back(cx - sx * b, cy);
        tri.emplace_back(cx - sx * (b + s), cy);
    }
    return tri;
}

std::vector<TRect> LuxThinkBubbles(const TRect& Body, int Size, int Count, TLuxExtPos Pos) {
    std::vector<TRect> bubbles;
    // The step divides by the count twice.
    if (Count < 1) return bubbles;
    const double S = Size;
    const double e = (S * 2 * std::numbers::pi / 4 / Count) / Count;
    const int L = Body.Left, T = Body.Top, R = Body.Right, B = Body.Bottom;
    for (int i = 0; i <= Count + 2; ++i) {
        const double g = i * 90.0 / (Count + 1) * std::numbers::pi / 180;
        const double h = 1.57 - g;
        double x = 0, y = 0;
        switch (Pos) {
        case epLeftTop:
            x = L - S * std::cos(g), y = T - S + S * std::sin(g);
            break;
        case epTopLeft:
            x = L - S + S * std::cos(h), y = T - S * std::sin(h);
            break;
        case epTopRight:
            x = R + S - S * std::cos(h), y = T - S * std::sin(g + 1.57);
            break;
        case epRightTop:
            x = R + S * std::cos(g), y = T - S + S * std::sin(g);
            break;
        case epRightBottom:
            x = R + S * std::cos(g), y = B + S - S * std::sin(g);
            break;
        case epBottomRight:
            x = R + S - S * std::cos(h), y = B + S * std::sin(h);
            break;
        case epBottomLeft:
            x = L - S + S * std::cos(h), y = B + S * std::sin(h);
            break;
        case epLeftBottom:
            x = L - S * std::cos(g), y = B + S - S * std::sin(g);
            break;
        }
        const int cx = Rnd(x), cy = Rnd(y), d = Rnd(i * e) / 2;
        bubbles.emplace_back(cx - d, cy - d, cx + d, cy + d);
    }
    return bubbles;
}

// --- Builders ----------------------------------------------------------------------------------------

HRGN LuxCreateDiamondRgn(const TRect& R) {
    const int Xm = R.Left + (R.Right - R.Left) / 2, Ym = R.Top + (R.Bottom - R.Top) / 2;
    return Polygon({{Xm, R.Top}, {R.Left, Ym}, {Xm, R.Bottom}, {R.Right, Ym}});
}

HRGN LuxCreateStarRgn(const TRect& R) {
    return Polygon(StarPoints(R));
}

HRGN LuxCreateOctagonRgn(const TRect& R) {
    return Polygon(OctagonPoints(R));
}

HRGN LuxCreateCombRgn(const TRect& R) {
    return Polygon(CombPoints(R));
}

HRGN LuxCreateRoundShieldRgn(const TRect& R) {
    const int W = R.Right - R.Left, H = R.Bottom - R.Top;
    HRGN rgn = CreateEllipticRgn(0, H, W, -(H - H / 5));
    CutShieldTop(rgn, W, H);
    return rgn;
}

HRGN LuxCreateSharpShieldRgn(const TRect& R) {
    const int W = R.Right - R.Left, H = R.Bottom - R.Top;
    HRGN rgn = CreateEllipticRgn(-W, -(8 * H) / 7, W, (8 * H) / 7);
    Merge(rgn, CreateEllipticRgn(0, -(8 * H) / 7, 2 * W, (8 * H) / 7), RGN_AND);
    CutShieldTop(rgn, W, H);
    return rgn;
}

HRGN LuxCreateNoseRectRgn(const TRect& R, int Size, TLuxExtPos Pos) {
    const TRect body = LuxNoseBody(R, Size, Pos);
    return NoseRgn(CreateRectRgn(body.Left, body.Top, body.Right, body.Bottom), body, Size, 5, Pos);
}

HRGN LuxCreateRoundNoseRectRgn(const TRect& R, int Size, int RoundX, int RoundY, TLuxExtPos Pos) {
    const TRect body = LuxNoseBody(R, Size, Pos);
    return NoseRgn(CreateRoundRectRgn(body.Left, body.Top, body.Right, body.Bottom, RoundX, RoundY), body,
                   Size, SideFirst(Pos) ? RoundY : RoundX, Pos);
}

HRGN LuxCreateThinkBubbleRgn(const TRect& R, int Size, int Count, TLuxExtPos Pos) {
    const TRect body = LuxNoseBody(R, Size, Pos);
    return BubbleRgn(CreateRectRgn(body.Left, body.Top, body.Right, body.Bottom), body, Size, Count, Pos);
}

HRGN LuxCreateRoundThinkBubbleRgn(const TRect& R, int Size, int Count, TLuxExtPos Pos, int RoundX,
                                  int RoundY) {
    const TRect body = LuxNoseBody(R, Size, Pos);
    return BubbleRgn(CreateRoundRectRgn(body.Left, body.Top, body.Right, body.Bottom, RoundX, RoundY), body,
                     Size, Count, Pos);
}

HRGN LuxCreateEllipticThinkBubbleRgn(const TRect& R, int Size, int Count, TLuxExtPos Pos) {
    const TRect body = LuxNoseBody(R, Size, Pos);
    return BubbleRgn(CreateEllipticRgn(body.Left, body.Top, body.Right, body.Bottom), body, Size, Count, Pos);
}

// --- Painters ----------------------------------------------------------------------------------------

void LuxFrameRectRgn(TCanvas* Canvas, const TRect& R, TColor LightColor, TColor ShadowColor,
                     TColor SingleColor, TLuxRegionBorderStyle Style) {
    static const Painter p = RectPainter();
    Frame(Canvas, R, LightColor, ShadowColor, SingleColor, Style, p);
}

void LuxFrameRoundRectRgn(TCanvas* Canvas, const TRect& R, int RoundX, int RoundY, TColor LightColor,
                          TColor ShadowColor, TColor SingleColor, TLuxRegionBorderStyle Style) {
    Frame(Canvas, R, LightColor, ShadowColor, SingleColor, Style, RoundRectPainter(RoundX, RoundY));
}

void LuxFrameEllipticRgn(TCanvas* Canvas, const TRect& R, TColor LightColor, TColor ShadowColor,
                         TColor SingleColor, TLuxRegionBorderStyle Style) {
    static const Painter p = EllipsePainter();
    Frame(Canvas, R, LightColor, ShadowColor, SingleColor, Style, p);
}

void LuxFrameHalfRoundRgn(TCanvas* Canvas, const TRect& R, TColor LightColor, TColor ShadowColor,
                          TColor SingleColor, TLuxRegionBorderStyle Style) {
    static const Painter p = HalfRoundPainter();
    Frame(Canvas, R, LightColor, ShadowColor, SingleColor, Style, p);
}

void LuxFrameDiamondRgn(TCanvas* Canvas, const TRect& R, TColor LightColor, TColor ShadowColor,
                        TColor SingleColor, TLuxRegionBorderStyle Style) {
    Frame(Canvas, R, LightColor, ShadowColor, SingleColor, Style, Diamond());
}

void LuxFrameStarRgn(TCanvas* Canvas, const TRect& R, TColor LightColor, TColor ShadowColor,
                     TColor SingleColor, TLuxRegionBorderStyle Style) {
    static const Painter p = [] {
        Painter q;
        q.light = Edges(StarPoints, {{2, 3}, {4, 5}, {7, 8}, {9, 10, 1}});
        q.dark = Edges(StarPoints, {{1, 2}, {3, 4}, {5, 6, 7}, {8, 9}});
        q.inner = q.dark;
        q.shrinkSingle = 2;
        q.shrinkPsb = 3;
        return q;
    }();
    Frame(Canvas, R, LightColor, ShadowColor, SingleColor, Style, p);
}

void LuxFrameOctagonRgn(TCanvas* Canvas, const TRect& R, TColor LightColor, TColor ShadowColor,
                        TColor SingleColor, TLuxRegionBorderStyle Style) {
    static const Painter p = [] {
        Painter q;
        q.light = Edges(OctagonPoints, {{8, 1, 2, 3, 4}});
        q.dark = Edges(OctagonPoints, {{4, 5, 6, 7, 8}});
        q.inner = q.dark;
        return q;
    }();
    Frame(Canvas, R, LightColor, ShadowColor, SingleColor, Style, p);
}

void LuxFrameCombRgn(TCanvas* Canvas, const TRect& R, TColor LightColor, TColor ShadowColor,
                     TColor SingleColor, TLuxRegionBorderStyle Style) {
    static const Painter p = [] {
        Painter q;
        q.light = Edges(CombPoints, {{6, 1, 2, 3}});
        q.dark = Edges(CombPoints, {{3, 4, 5, 6}});
        q.inner = Edges(CombPoints, {{2, 3, 4, 5}});
        return q;
    }();
    Frame(Canvas, R, LightColor, ShadowColor, SingleColor, Style, p);
}

void LuxFrameRoundShieldRgn(TCanvas* Canvas, const TRect& R, TColor LightColor, TColor ShadowColor,
                            TColor SingleColor, TLuxRegionBorderStyle Style) {
    static const Painter p = RoundShieldPainter();
    Frame(Canvas, R, LightColor, ShadowColor, SingleColor, Style, p);
}

void LuxFrameSharpShieldRgn(TCanvas* Canvas, const TRect& R, TColor LightColor, TColor ShadowColor,
                            TColor SingleColor, TLuxRegionBorderStyle Style) {
    static const Painter p = SharpShieldPainter();
    Frame(Canvas, R, LightColor, ShadowColor, SingleColor, Style, p);
}

void LuxFrameThinkBubbleRgn(TCanvas* Canvas, const TRect& R, int Size, TLuxExtPos Pos, int Count,
                            TColor LightColor, TColor ShadowColor, TColor SingleColor,
                            TLuxRegionBorderStyle Style) {
    FrameBubbles(Canvas, R, Size, Pos, Count, LightColor, ShadowColor, SingleColor, Style,
                 [&](const TRect& body) {
                     LuxFrameRectRgn(Canvas, body, LightColor, ShadowColor, SingleColor, Style);
                 });
}

void LuxFrameRoundThinkBubbleRgn(TCanvas* Canvas, const TRect& R, int Size, TLuxExtPos Pos, int Count,
                                 int RoundX, int RoundY, TColor LightColor, TColor ShadowColor,
                                 TColor SingleColor, TLuxRegionBorderStyle Style) {
    FrameBubbles(
        Canvas, R, Size, Pos, Count, LightColor, ShadowColor, SingleColor, Style, [&](const TRect& body) {
            LuxFrameRoundRectRgn(Canvas, body, RoundX, RoundY, LightColor, ShadowColor, SingleColor, Style);
        });
}

void LuxFrameEllipticThinkBubbleRgn(TCanvas* Canvas, const TRect& R, int Size, TLuxExtPos Pos, int Count,
                                    TColor LightColor, TColor ShadowColor, TColor SingleColor,
                                    TLuxRegionBorderStyle Style) {
    FrameBubbles(Canvas, R, Size, Pos, Count, LightColor, ShadowColor, SingleColor, Style,
                 [&](const TRect& body) {
                     LuxFrameEllipticRgn(Canvas, body, LightColor, ShadowColor, SingleColor, Style);
                 });
}

void LuxFramePointList(TCanvas* Canvas, const TLuxPointList* Points, TColor LightColor, TColor ShadowColor,
                       TColor SingleColor, TLuxRegionBorderStyle Style) {
    if (!Canvas || !Points || Points->Count() == 0 || Style == rbNone) return;
    if (Style == rbLowered || Style == rbSingleLowered || Style == rbLoweredpsb)
        std::swap(LightColor, ShadowColor);
    const int n = Points->Count();
    Canvas->Pen()->SetStyle(psSolid);
    for (int i = 0; i < n; ++i) {
        const TPoint a = Points->GetPoint(i), b = Points->GetPoint((i + 1) % n);
        TColor c = SingleColor;
        if (Style != rbSingle) {
            // Up or right is lit; the horizontal direction decides when both change.
            const bool lit = b.X != a.X ? b.X > a.X : b.Y < a.Y;
            c = lit ? LightColor : ShadowColor;
        }
        Canvas->Pen()->SetColor(c);
        Canvas->MoveTo(a.X, a.Y);
        Canvas->LineTo(b.X, b.Y);
    }
}

// --- TLuxRegionBorder ----------------------------------------------------------------------------------

void TLuxRegionBorder::SetBorderStyle(TLuxRegionBorderStyle Value) {
    if (Value == style_) return;
    style_ = Value;
    Change();
}

void TLuxRegionBorder::SetColor(int Index, TColor Value) {
    TColor* target = Index == 0   ? &lightColor_
                     : Index == 1 ? &shadowColor_
                     : Index == 2 ? &singleColor_
                                  : nullptr;
    if (!target || *target == Value) return;
    *target = Value;
    Change();
}

void TLuxRegionBorder::Assign(const TPersistent* Source) {
    const auto* s = dynamic_cast<const TLuxRegionBorder*>(Source);
    if (!s) {
        TLuxObject::Assign(Source);
        return;
    }
    style_ = s->style_;
    lightColor_ = s->lightColor_;
    shadowColor_ = s->shadowColor_;
    singleColor_ = s->singleColor_;
    Change();
}

// --- TLuxRegion ----------------------------------------------------------------------------------------

TLuxRegion::TLuxRegion(TWinControl* AOwner)
    : border_(new TLuxRegionBorder), mask_(new TLuxRegionMask), owner_(AOwner), shadow_(new TLuxRgnShadow),
      points_(new TLuxPointList) {
    border_->OnChange = TNotifyEvent::Bind<&TLuxRegion::GetChange>(this);
    mask_->OnChange = TNotifyEvent::Bind<&TLuxRegion::GetChange>(this);
    shadow_->OnChange = TNotifyEvent::Bind<&TLuxRegion::GetChange>(this);
    points_->OnChange = TNotifyEvent::Bind<&TLuxRegion::GetPointListChange>(this);
}

TLuxRegion::~TLuxRegion() {
    border_->OnChange = nullptr;
    mask_->OnChange = nullptr;
    shadow_->OnChange = nullptr;
    points_->OnChange = nullptr;
    owner_ = nullptr;
    DeleteHandle(region_);
    DeleteHandle(applied_);
    delete points_;
    delete shadow_;
    delete mask_;
    delete border_;
}

bool TLuxRegion::OwnerDestroying() const {
    return owner_ && owner_->ComponentState().Contains(TComponentStateItem::csDestroying);
}

bool TLuxRegion::OwnerDesigning() const {
    return owner_ && owner_->ComponentState().Contains(TComponentStateItem::csDesigning);
}

void TLuxRegion::DeleteHandle(HRGN& H) {
    if (H) DeleteObject(H);
    H = nullptr;
}

void TLuxRegion::SetRegionShape(TLuxRegionShape Value) {
    if (Value == shape_) return;
    shape_ = Value;
    if (shape_ == rsPointList) PolygonToUserRgn();
    Change();
}

void TLuxRegion::SetInteger(int Index, int Value) {
    int* target = Index == 0 ? &roundX_ : Index == 1 ? &roundY_ : nullptr;
    if (!target || *target == Value) return;
    *target = Value;
    if (shape_ == rsRoundRect || shape_ == rsRoundNoseRect || shape_ == rsRoundThinkBubble) Change();
}

void TLuxRegion::SetNosePos(TLuxExtPos Value) {
    if (Value == extPos_) return;
    extPos_ = Value;
    Change();
}

void TLuxRegion::PolygonToUserRgn() {
    // Without points there is no polygon: the user region is empty, not the one set before.
    if (points_->Count() == 0) {
        userData_.clear();
        return;
    }
    std::vector<POINT> p;
    for (int i = 0; i < points_->Count(); ++i) p.push_back(points_->GetPoint(i));
    HRGN rgn = CreatePolygonRgn(p.data(), static_cast<int>(p.size()), ALTERNATE);
    SetUserRgn(rgn);
    DeleteObject(rgn);
}

void TLuxRegion::GetPointListChange(TObject* /*Sender*/) {
    if (points_->Count() > 0 && shape_ == rsPointList) PolygonToUserRgn();
}

void TLuxRegion::SetUserRgn(HRGN Rgn) {
    userData_.clear();
    const DWORD size = ::GetRegionData(Rgn, 0, nullptr);
    if (size == 0) return;
    userData_.resize(size);
    if (::GetRegionData(Rgn, size, reinterpret_cast<RGNDATA*>(userData_.data())) == 0) userData_.clear();
}

void TLuxRegion::SetUserPolygonRgn(const std::vector<TPoint>& Points) {
    points_->BeginUpdate();
    points_->Clear();
    for (const TPoint& p : Points) points_->AddPoint(p);
    points_->EndUpdate(false);
    PolygonToUserRgn();
}

void TLuxRegion::CreateRegion(TRect R) {
    if (OwnerDestroying()) return;
    R.Left += offset_.X;
    R.Top += offset_.Y;
    DeleteHandle(region_);
    if (shadow_->Style() != hssNone) {
        R.Right -= shadow_->Depth();
        R.Bottom -= shadow_->Depth();
    }
    const int W = R.Right - R.Left;
    auto fromData = [](const std::vector<std::uint8_t>& data) -> HRGN {
        return data.empty() ? nullptr : LuxCreateRegionFromData(data.data(), data.size());
    };
    switch (shape_) {
    case rsRect:
        region_ = CreateRectRgn(R.Left, R.Top, R.Right, R.Bottom);
        break;
    case rsRoundRect:
        region_ = CreateRoundRectRgn(R.Left, R.Top, R.Right, R.Bottom, roundX_, roundY_);
        break;
    case rsBitmap:
        region_ = mask_->CreateRegion();
        break;
    case rsNoseRect:
        region_ = LuxCreateNoseRectRgn(R, W / 10, extPos_);
        break;
    case rsRoundNoseRect:
        region_ = LuxCreateRoundNoseRectRgn(R, W / 10, roundX_, roundY_, extPos_);
        break;
    case rsElliptic:
        region_ = CreateEllipticRgn(R.Left, R.Top, R.Right, R.Bottom);
        break;
    case rsStar:
        region_ = LuxCreateStarRgn(R);
        break;
    case rsRoundShield:
        region_ = LuxCreateRoundShieldRgn(R);
        break;
    case rsSharpShield:
        region_ = LuxCreateSharpShieldRgn(R);
        break;
    case rsDiamond:
        region_ = LuxCreateDiamondRgn(R);
        break;
    case rsOctagon:
        region_ = LuxCreateOctagonRgn(R);
        break;
    case rsComb:
        region_ = LuxCreateCombRgn(R);
        break;
    case rsHalfRound:
        region_ = CreateEllipticRgn(R.Left, 2 * R.Top - R.Bottom, R.Right, R.Bottom);
        break;
    case rsUserRegion:
        region_ = OwnerDesigning() ? CreateRectRgn(R.Left, R.Top, R.Right, R.Bottom) : fromData(userData_);
        break;
    case rsThinkBubble:
        region_ = LuxCreateThinkBubbleRgn(R, W / 6, bubbleCount_, extPos_);
        break;
    case rsRoundThinkBubble:
        region_ = LuxCreateRoundThinkBubbleRgn(R, W / 6, bubbleCount_, extPos_, roundX_, roundY_);
        break;
    case rsEllipticThinkBubble:
        region_ = LuxCreateEllipticThinkBubbleRgn(R, W / 6, bubbleCount_, extPos_);
        break;
    case rsPointList:
        region_ = fromData(userData_);
        break;
    }
}

void TLuxRegion::CreateSpecialRectRgn(const TRect& R) {
    if (OwnerDestroying()) return;
    DeleteHandle(region_);
    region_ = CreateRectRgn(R.Left, R.Top, R.Right, R.Bottom);
}

void TLuxRegion::SetRegion() {
    HRGN result = CreateRectRgn(0, 0, 0, 0);
    if (region_) CombineRgn(result, region_, nullptr, RGN_COPY);
    if (shadow_->Style() != hssNone && !shadowSuppressed_) {
        HRGN moved = CreateRectRgn(0, 0, 0, 0);
        CombineRgn(moved, result, nullptr, RGN_COPY);
        OffsetRgn(moved, shadow_->Depth(), shadow_->Depth());
        Merge(result, moved, RGN_OR);
    }
    if (!applied_) applied_ = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(applied_, result, nullptr, RGN_COPY);
    // The window keeps the region it is given.
    if (owner_ && owner_->HandleAllocated() && SetWindowRgn(owner_->Handle(), result, TRUE)) return;
    DeleteObject(result);
}

void TLuxRegion::FreeRegion() {
    if (!applied_) return;
    if (owner_ && owner_->HandleAllocated()) SetWindowRgn(owner_->Handle(), nullptr, FALSE);
    DeleteHandle(applied_);
}

void TLuxRegion::DrawShadow(TCanvas* Canvas, TRect& R) {
    if (shadow_->Style() == hssNone) return;
    const int depth = shadow_->Depth();
    R.Right -= depth;
    R.Bottom -= depth;
    if (shadowSuppressed_ || !Canvas) return;
    if (region_) {
        HRGN area = CreateRectRgn(0, 0, 0, 0);
        CombineRgn(area, region_, nullptr, RGN_COPY);
        OffsetRgn(area, depth, depth);
        CombineRgn(area, area, region_, RGN_DIFF);
        TBrush* brush = Canvas->Brush();
        Canvas->Pen()->SetStyle(psClear);
        if (shadow_->Style() == hssTracing && LuxApplication) {
            brush->SetBitmap(LuxApplication->GetBrushBitmap(shadow_->Color()));
            Canvas->Pen()->SetMode(pmMask);
        } else {
            brush->SetStyle(bsSolid);
            brush->SetColor(shadow_->Color());
        }
        PaintRgn(Canvas->Handle(), area);
        brush->SetBitmap(nullptr);
        DeleteObject(area);
    }
    Canvas->Brush()->SetStyle(bsClear);
    Canvas->Pen()->SetMode(pmCopy);
    Canvas->Pen()->SetStyle(psSolid);
}

void TLuxRegion::PaintRegionShape(TCanvas* Canvas, TRect R) {
    if (!Canvas) return;
    R = TRect(R.Left + offset_.X, R.Top + offset_.Y, R.Right + offset_.X, R.Bottom + offset_.Y);
    Canvas->Brush()->SetStyle(bsClear);
    Canvas->Pen()->SetWidth(2);
    DrawShadow(Canvas, R);
    const TColor l = border_->LightColor(), s = border_->ShadowColor(), c = border_->SingleColor();
    const TLuxRegionBorderStyle st = border_->Style();
    const int W = R.Right - R.Left;
    switch (shape_) {
    case rsRect:
        LuxFrameRectRgn(Canvas, R, l, s, c, st);
        break;
    case rsRoundRect:
        LuxFrameRoundRectRgn(Canvas, R, roundX_, roundY_, l, s, c, st);
        break;
    case rsNoseRect:
        LuxFrameRectRgn(Canvas, LuxNoseBody(R, W / 10, extPos_), l, s, c, st);
        break;
    case rsRoundNoseRect:
        LuxFrameRoundRectRgn(Canvas, LuxNoseBody(R, W / 10, extPos_), roundX_, roundY_, l, s, c, st);
        break;
    case rsElliptic:
        LuxFrameEllipticRgn(Canvas, R, l, s, c, st);
        break;
    case rsStar:
        LuxFrameStarRgn(Canvas, R, l, s, c, st);
        break;
    case rsRoundShield:
        LuxFrameRoundShieldRgn(Canvas, R, l, s, c, st);
        break;
    case rsSharpShield:
        LuxFrameSharpShieldRgn(Canvas, R, l, s, c, st);
        break;
    case rsDiamond:
        LuxFrameDiamondRgn(Canvas, R, l, s, c, st);
        break;
    case rsOctagon:
        LuxFrameOctagonRgn(Canvas, R, l, s, c, st);
        break;
    case rsComb:
        LuxFrameCombRgn(Canvas, R, l, s, c, st);
        break;
    case rsHalfRound:
        LuxFrameHalfRoundRgn(Canvas, R, l, s, c, st);
        break;
    case rsThinkBubble:
        LuxFrameThinkBubbleRgn(Canvas, R, W / 6, extPos_, bubbleCount_, l, s, c, st);
        break;
    case rsRoundThinkBubble:
        LuxFrameRoundThinkBubbleRgn(Canvas, R, W / 6, extPos_, bubbleCount_, roundX_, roundY_, l, s, c, st);
        break;
    case rsEllipticThinkBubble:
        LuxFrameEllipticThinkBubbleRgn(Canvas, R, W / 6, extPos_, bubbleCount_, l, s, c, st);
        break;
    case rsPointList:
        LuxFramePointList(Canvas, points_, l, s, c, st);
        break;
    case rsBitmap:
    case rsUserRegion:
        break;
    }
}

void TLuxRegion::Assign(const TPersistent* Source) {
    const auto* s = dynamic_cast<const TLuxRegion*>(Source);
    if (!s) {
        TLuxObject::Assign(Source);
        return;
    }
    shape_ = s->shape_;
    roundX_ = s->roundX_;
    roundY_ = s->roundY_;
    shadow_->Assign(s->shadow_);
    extPos_ = s->extPos_;
    border_->Assign(s->border_);
    mask_->Assign(s->mask_);
    Change();
}

void TLuxRegion::DefineProperties(TFiler* Filer) {
    Filer->DefineProperty(
        "PointList",
        [this](TReader* r) {
            r->ReadListBegin();
            while (!r->EndOfList()) {
                const auto x = static_cast<int>(r->ReadInteger());
                if (r->EndOfList()) throw EReadError("Invalid point list");
                const auto y = static_cast<int>(r->ReadInteger());
                points_->AddPoint(TPoint(x, y));
            }
            r->ReadListEnd();
        },
        [this](TWriter* w) {
            w->WriteListBegin();
            for (int i = 0; i < points_->Count(); ++i) {
                const TPoint p = points_->GetPoint(i);
                w->WriteInteger(p.X);
                w->WriteInteger(p.Y);
            }
            w->WriteListEnd();
        },
        points_->Count() > 0);
}

// --- TLuxFormShape --------------------------------------------------------------------------------

TLuxFormShape::TLuxFormShape(TComponent* AOwner)
    : TLuxWndProcComponent(AOwner), region_(new TLuxBorderRegion(dynamic_cast<TWinControl*>(AOwner))),
      fillObject_(new TLuxFillObject), backBitmap_(new TBitmap), changeLink_(new TLuxChangeLink) {
    region_->OnChange = TNotifyEvent::Bind<&TLuxFormShape::GetChange>(this);
    fillObject_->SetFillStyle(sfNone);
    fillObject_->OnChange = TNotifyEvent::Bind<&TLuxFormShape::GetChange>(this);
    changeLink_->OnChange = TNotifyEvent::Bind<&TLuxFormShape::GetIMLChange>(this);
    if (DesignTime() && LuxCheckForSameClass(AOwner, LuxClassOf<TLuxFormShape>(), false)) {
        const std::string name = ClassName();
        delete changeLink_;
        delete backBitmap_;
        delete fillObject_;
        region_->SetOwner(nullptr);
        delete region_;
        throw LuxEOneInstError(name, 0);
    }
}

TLuxFormShape::~TLuxFormShape() {
    if (changeLink_) {
        if (changeLink_->Sender) changeLink_->Sender->UnRegisterChanges(changeLink_);
        delete changeLink_;
        changeLink_ = nullptr;
    }
    delete backBitmap_;
    backBitmap_ = nullptr;
    if (fillObject_) fillObject_->OnChange = nullptr;
    delete fillObject_;
    fillObject_ = nullptr;
    if (region_) {
        region_->OnChange = nullptr;
        region_->SetOwner(nullptr);
    }
    delete region_;
    region_ = nullptr;
}

TCustomForm* TLuxFormShape::Form() const {
    return dynamic_cast<TCustomForm*>(Owner());
}

bool TLuxFormShape::DesignTime() const {
    const auto designing = [](const TComponent* c) {
        return c && c->ComponentState().Contains(TComponentStateItem::csDesigning);
    };
    return designing(this) || designing(Owner());
}

void TLuxFormShape::SetBoolean(int Index, bool Value) {
    switch (Index) {
    case 0:
        if (Value == showFormCaption_) return;
        showFormCaption_ = Value;
        ReRegion();
        break;
    case 1:
        formDragable_ = Value;
        break;
    case 2:
        if (Value == useRgnBitmap_) return;
        useRgnBitmap_ = Value;
        GetChange(this);
        break;
    default:
        break;
    }
}

void TLuxFormShape::SetInteger(int Index, int Value) {
    if (Index == 0) listIndex_ = Value;
    if (Index == 1) imageIndex_ = Value;
}

void TLuxFormShape::SetImageList(TLuxCustomImageList* List) {
    // Through the link: a list being freed has already let its links go.
    if (changeLink_->Sender) changeLink_->Sender->UnRegisterChanges(changeLink_);
    if (imageList_ && imageList_ != List) RemoveFreeNotification(imageList_);
    imageList_ = List;
    if (List) {
        List->RegisterChanges(changeLink_);
        List->FreeNotification(this);
    }
    GetIMLChange(nullptr);
}

bool TLuxFormShape::HasControl() const {
    return imageList_ && (!LuxContainer || imageList_->Owner() != LuxContainer);
}

bool TLuxFormShape::CheckCont() const {
    return LuxIsGlobalIdent(imageList_);
}

void TLuxFormShape::GetIMLChange(TObject*) {
    GetChange(this);
}

void TLuxFormShape::GetChange(TObject* Sender) {
    TLuxWndProcComponent::GetChange(Sender);
    ReRegion();
}

void TLuxFormShape::DefineProperties(TFiler* Filer) {
    TLuxWndProcComponent::DefineProperties(Filer);
    Filer->DefineProperty(
        IDS_INTERNAL, [this](TReader* r) { SetImageList(LuxReadGlobalIdent(r->ReadString())); },
        [this](TWriter* w) { w->WriteString(LuxWriteGlobalIdent(imageList_)); }, CheckCont());
}

void TLuxFormShape::Loaded() {
    TLuxWndProcComponent::Loaded();
    if (Enabled()) ReRegion();
}

void TLuxFormShape::Notification(TComponent* AComponent, TOperation Operation) {
    TLuxWndProcComponent::Notification(AComponent, Operation);
    // By address: the list is past its own destructors when it tells us.
    if (Operation == TOperation::opRemove && imageList_ && AComponent == static_cast<TComponent*>(imageList_))
        SetImageList(nullptr);
}

void TLuxFormShape::SetPolygonShape(const std::vector<TPoint>& Points) {
    region_->SetUserPolygonRgn(Points);
    ReRegion();
}

void TLuxFormShape::SetRegionShape(HRGN Rgn) {
    region_->SetUserRgn(Rgn);
    ReRegion();
}

void TLuxFormShape::ReRegion() {
    TCustomForm* form = Form();
    // The region handed to the form resizes it, and the resize asks for the region again: the
    // build under way stands for that one.
    if (!form || busy_ || ComponentState().Contains(TComponentStateItem::csLoading) ||
        form->ComponentState().Contains(TComponentStateItem::csDestroying))
        return;
    const bool designing = DesignTime();
    const bool minimized = form->HandleAllocated() &&
                           (static_cast<DWORD>(GetWindowLong(form->Handle(), GWL_STYLE)) & WS_MINIMIZE);
    busy_ = true;
    struct BusyScope {
        bool& flag;
        ~BusyScope() { flag = false; }
    } scope{busy_};

    int fx = GetSystemMetrics(SM_CXDLGFRAME);
    int fy = fx;
    int c = 0;
    switch (form->BorderStyle()) {
    case bsSizeable:
    case bsSizeToolWin:
        fx = GetSystemMetrics(SM_CXSIZEFRAME);
        fy = GetSystemMetrics(SM_CYSIZEFRAME);
        break;
    default:
        break;
    }
    switch (form->BorderStyle()) {
    case bsSingle:
    case bsSizeable:
    case bsDialog:
        c = GetSystemMetrics(SM_CYCAPTION);
        break;
    case bsToolWindow:
    case bsSizeToolWin:
        c = GetSystemMetrics(SM_CYSMCAPTION);
        break;
    case bsNone:
        if (!designing) fx = fy = 0;
        break;
    }
    const TLuxRgnShadow* shadow = region_->Shadow();
    // The shape gives up the shadow's depth only when it casts one.
    const int depth = shadow->Style() != hssNone ? shadow->Depth() : 0;
    if (!minimized && region_->Shape() == rsBitmap) {
        const TBitmap* border = region_->Mask()->BorderBmp();
        const int w = border ? border->Width() : 0;
        const int h = border ? border->Height() : 0;
        form->SetBounds(form->Left(), form->Top(), w + depth + 2 * fx, h + c + 2 * fy + depth);
    }
    const int width = form->Width();
    const int height = form->Height();
    const TRect R(-1, -1, width - 2 * fx + 1, height - 2 * fy - c + 1);

    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    if (minimized) {
        region_->CreateSpecialRectRgn(TRect(0, 0, width, c + fy));
        CombineRgn(rgn, region_->BuiltRegion(), nullptr, RGN_COPY);
    } else {
        clientRect_ = R;
        region_->CreateRegion(R);
        if (HRGN built = region_->BuiltRegion()) CombineRgn(rgn, built, nullptr, RGN_COPY);
        OffsetRgn(rgn, fx, c + fy);
        if (shadow->Style() != hssNone) {
            HRGN moved = CreateRectRgn(0, 0, 0, 0);
            CombineRgn(moved, rgn, nullptr, RGN_COPY);
            OffsetRgn(moved, shadow->Depth(), shadow->Depth());
            CombineRgn(rgn, rgn, moved, RGN_OR);
            DeleteObject(moved);
        }
        HRGN caption = CreateRectRgn(0, 0, width, c + fy);
        const bool join = (showFormCaption_ && form->BorderStyle() != bsNone) || designing;
        CombineRgn(rgn, rgn, caption, join ? RGN_OR : RGN_DIFF);
        DeleteObject(caption);
    }
    if (designing) {
        DeleteObject(rgn);
    } else {
        const HWND wnd = form->Handle();
        SetWindowRgn(wnd, nullptr, FALSE);
        if (!SetWindowRgn(wnd, rgn, TRUE)) DeleteObject(rgn);
    }
    captionHeight_ = c;
}

void TLuxFormShape::PaintBorder(HDC DC) {
    TCustomForm* form = Form();
    if (!form) return;
    if (!DC) DC = form->Canvas()->Handle();
    TCanvas canvas;
    canvas.SetHandle(DC);
    struct Detach {
        TCanvas& c;
        ~Detach() { c.SetHandle(nullptr); }
    } detach{canvas};
    const TRect R(0, 0, form->ClientWidth(), form->ClientHeight());
    const bool designing = DesignTime();
    if (RgnBitmapShown()) {
        if (designing) {
            if (HRGN mask = region_->Mask()->CreateRegion()) {
                OffsetRgn(mask, 0, -canvas.ClipRect().Top);
                FrameRgn(DC, mask, canvas.Brush()->Handle(), 1, 1);
                DeleteObject(mask);
            }
        } else if (TBitmap* border = region_->Mask()->BorderBmp(); border && !border->Empty()) {
            canvas.Draw(0, 0, border);
        }
    } else if (fillObject_->Style() != sfNone) {
        backBitmap_->SetSize(R.Width(), R.Height());
        if (fillObject_->Style() == sfBitmapList) {
            // Without the list's image the fill has no bitmap: what an earlier list gave is not
            // shown again.
            TBitmap* list = fillObject_->ListBitmap();
            if (imageList_ && imageList_->IsValidItem(listIndex_, imageIndex_))
                imageList_->GetBitmapItem(listIndex_, imageIndex_, list);
            else
                list->SetSize(0, 0);
        }
        fillObject_->FillCanvas(backBitmap_->Canvas(), R, static_cast<TColor>(0xFFFFFF));
        if (!designing) canvas.Draw(0, 0, backBitmap_);
    }
    region_->PaintRegionShape(&canvas, R);
}

TBitmap* TLuxFormShape::BackBitmap() const {
    if (RgnBitmapShown()) return region_->Mask()->BorderBmp();
    if (fillObject_->Style() != sfNone) return backBitmap_;
    return nullptr;
}

bool TLuxFormShape::BackBitmapCheck() const {
    return RgnBitmapShown() || (fillObject_->Style() != sfNone && !DesignTime());
}

bool TLuxFormShape::BackDrawArea(TCanvas* Canvas, const TRect& R, const TPoint& P, WORD) {
    if (!BackBitmapCheck()) return false;
    TBitmap* back = BackBitmap();
    if (!back || !Canvas) return false;
    BitBlt(Canvas->Handle(), P.X, P.Y, R.Width(), R.Height(), back->Canvas()->Handle(), R.Left, R.Top,
           SRCCOPY);
    return true;
}

void TLuxFormShape::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_SIZE:
        // The form still lays out its controls.
        TLuxWndProcComponent::WndProc(Message);
        ReRegion();
        if (TCustomForm* form = Form()) form->InvalidateRect(nullptr, true);
        return;
    case WM_ERASEBKGND:
        if (fillObject_->Style() == sfNone && region_->Shape() != rsBitmap)
            TLuxWndProcComponent::WndProc(Message);
        PaintBorder(reinterpret_cast<HDC>(Message.WParam));
        Message.Result = 1;
        return;
    case WM_NCHITTEST:
        TLuxWndProcComponent::WndProc(Message);
        if (formDragable_ && Message.Result == HTCLIENT && !rightButton_) {
            if (TCustomForm* form = Form()) {
                const TPoint p = form->ScreenToClient(TPoint(MouseX(Message.LParam), MouseY(Message.LParam)));
                if (!form->ControlAtPos(p, true, true)) Message.Result = HTCAPTION;
            }
        }
        return;
    case WM_NCRBUTTONDOWN:
        TLuxWndProcComponent::WndProc(Message);
        rightButton_ = true;
        return;
    case WM_NCRBUTTONUP:
    case WM_CAPTURECHANGED:
        TLuxWndProcComponent::WndProc(Message);
        rightButton_ = false;
        return;
    default:
        TLuxWndProcComponent::WndProc(Message);
        return;
    }
}

TLuxFormShape* LuxFormShapeOf(TComponent* Form) {
    const int index = LuxCheckForFormComponent(Form, LuxClassOf<TLuxFormShape>());
    return index < 0 ? nullptr : dynamic_cast<TLuxFormShape*>(Form->Components(index));
}

namespace {

const bool kPublished = [] {
    using published::Property;
    using B = TLuxRegionBorder;
    PublishProperties<TLuxRegionBorder>({
        Property<B>(
            "Style", [](const B& b) { return b.Style(); },
            [](B& b, TLuxRegionBorderStyle v) { b.SetBorderStyle(v); }, rbSingle),
        Property<B>(
            "LightColor", [](const B& b) { return b.LightColor(); }, [](B& b, TColor v) { b.SetColor(0, v); },
            clBtnHighlight),
        Property<B>(
            "ShadowColor", [](const B& b) { return b.ShadowColor(); },
            [](B& b, TColor v) { b.SetColor(1, v); }, clBtnShadow),
        Property<B>(
            "SingleColor", [](const B& b) { return b.SingleColor(); },
            [](B& b, TColor v) { b.SetColor(2, v); }, clBlack),
    });
    using R = TLuxRegion;
    PublishProperties<TLuxRegion>({
        // The points travel in "PointList".
        Property<R>(
            "Points", [](const R& r) -> TObject* { return r.Points(); }, nullptr),
        Property<R>(
            "Shape", [](const R& r) { return r.Shape(); },
            [](R& r, TLuxRegionShape v) { r.SetRegionShape(v); }, rsRoundRect),
        Property<R>(
            "ExtPos", [](const R& r) { return r.ExtPos(); }, [](R& r, TLuxExtPos v) { r.SetNosePos(v); },
            epLeftTop),
        Property<R>(
            "Mask", [](const R& r) { return r.Mask(); }, [](R& r, TLuxRegionMask* v) { r.SetMask(v); }),
        Property<R>(
            "RoundX", [](const R& r) { return r.RoundX(); }, [](R& r, int v) { r.SetInteger(0, v); }, 20),
        Property<R>(
            "RoundY", [](const R& r) { return r.RoundY(); }, [](R& r, int v) { r.SetInteger(1, v); }, 20),
        Property<R>(
            "Shadow", [](const R& r) { return static_cast<TLuxShadow*>(r.Shadow()); },
            [](R& r, TLuxShadow* v) { r.SetShadow(v); }),
    });
    using BR = TLuxBorderRegion;
    PublishProperties<TLuxBorderRegion, TLuxRegion>({
        Property<BR>(
            "Border", [](const BR& r) { return r.Border(); },
            [](BR& r, TLuxRegionBorder* v) { r.SetBorder(v); }),
    });
    using F = TLuxFormShape;
    TPropInfo list = Property<F>(
        "ImageList", [](const F& f) { return f.ImageList(); },
        [](F& f, TLuxCustomImageList* v) { f.SetImageList(v); });
    list.Stored = [](const TObject* o) { return static_cast<const F*>(o)->HasControl(); };
    PublishProperties<TLuxFormShape, TLuxWndProcComponent>({
        LuxAboutProperty<F>(),
        Property<F>(
            "Enabled", [](const F& f) { return f.Enabled(); }, [](F& f, bool v) { f.SetEnabled(v); }, true),
        Property<F>(
            "Region", [](const F& f) { return f.Region(); },
            [](F& f, TLuxBorderRegion* v) { f.SetRegion(v); }),
        Property<F>(
            "ShowFormCaption", [](const F& f) { return f.ShowFormCaption(); },
            [](F& f, bool v) { f.SetBoolean(0, v); }, true),
        Property<F>(
            "FormDragable", [](const F& f) { return f.FormDragable(); },
            [](F& f, bool v) { f.SetBoolean(1, v); }, true),
        Property<F>(
            "UseRgnBitmap", [](const F& f) { return f.UseRgnBitmap(); },
            [](F& f, bool v) { f.SetBoolean(2, v); }, true),
        Property<F>(
            "FillObject", [](const F& f) { return f.FillObject(); },
            [](F& f, TLuxFillObject* v) { f.SetFillObject(v); }),
        list,
        Property<F>(
            "ListIndex", [](const F& f) { return f.ListIndex(); }, [](F& f, int v) { f.SetInteger(0, v); },
            0),
        Property<F>(
            "ImageIndex", [](const F& f) { return f.ImageIndex(); }, [](F& f, int v) { f.SetInteger(1, v); },
            0),
    });
    RegisterClass<TLuxFormShape>();
    return true;
}();

} // namespace
