#include "visual_controls/luxgrapA.h"

#include "platform/gdi/DeviceContext.h"
#include "visual_controls/Luxbmpdraw.h"
#include "visual_controls/Luxclass.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>
#include <vector>

namespace {

// Rounding as the run time does it: halves go to the even neighbour.
int Rnd(double v) {
    return static_cast<int>(std::nearbyint(v));
}

int ShadowDepth(const TLuxShadow* Shadow) {
    return Shadow && Shadow->Style() != hssNone ? Shadow->Depth() : 0;
}

int BevelWidth(const TLuxSimpleBevel* Bevel, const TLuxTeeth* Teeth) {
    return Teeth || !Bevel ? 1 : Bevel->Width();
}

int CornerSize(int RoundPercent, int W, int H, int d) {
    return RoundPercent * std::min(W - d, H - d) / 100;
}

// Teeth sizes are whatever the settings hold: the arithmetic is 64-bit, the points kept in range.
void Add(TLuxPointList* List, long long X, long long Y) {
    auto clamp = [](long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); };
    List->AddPoint(TPoint(clamp(X), clamp(Y)));
}

void CalcTeeth(const TRect& S, TLuxTeeth* Teeth, TLuxPointList* List) {
    const TLuxDirection dir = Teeth->Direction();
    const bool vertical = dir == tdRight || dir == tdLeft;
    const int side = vertical ? S.Bottom - S.Top : S.Right - S.Left;
    // Teeth edges; a count of 0 or a step of 0 leaves a straight side (no teeth, no division).
    int n = 0;
    if (Teeth->SetPerCount()) {
        n = 2 * Teeth->Count();
        if (n > 0) Teeth->SetInteger(vertical ? 1 : 0, Rnd(static_cast<double>(side) / n));
    } else {
        const int step = vertical ? Teeth->Height() : Teeth->Width();
        if (step != 0) n = 2 * Rnd(static_cast<double>(side) / step);
        if (n < 0) n = 0;
    }
    const long long tw = Teeth->Width(), th = Teeth->Height();
    const bool offset = Teeth->Offset();
    const long long k = offset ? 0 : (vertical ? tw : th);
    switch (dir) {
    case tdRight:
        Add(List, S.Right - k - 1, S.Bottom - 1);
        Add(List, S.Left, S.Bottom - 1);
        Add(List, S.Left, S.Top);
        Add(List, S.Right - k - 1, S.Top);
        break;
    case tdDown:
        Add(List, S.Right - 1, S.Bottom - k);
        Add(List, S.Right - 1, S.Top);
        Add(List, S.Left, S.Top);
        Add(List, S.Left, S.Bottom - k);
        break;
    case tdLeft:
        Add(List, S.Left + k, S.Bottom - 1);
        Add(List, S.Right - 1, S.Bottom - 1);
        Add(List, S.Right - 1, S.Top);
        Add(List, S.Left + k, S.Top);
        break;
    case tdUp:
        Add(List, S.Right - 1, S.Top + k);
        Add(List, S.Right - 1, S.Bottom - 1);
        Add(List, S.Left, S.Bottom - 1);
        Add(List, S.Left, S.Top + k);
        break;
    }
    auto c = [offset](int i) { return offset ? i % 2 : (i + 1) % 2; };
    for (int i = 0; i <= n; ++i) {
        const long long y = std::min<long long>(S.Top + i * th, S.Bottom);
        const long long x = std::min<long long>(S.Left + i * tw, S.Right);
        switch (dir) {
        case tdRight:
            Add(List, S.Right - 1 - c(i) * tw, y);
            break;
        case tdDown:
            Add(List, x, S.Bottom - c(i) * th);
            break;
        case tdLeft:
            Add(List, S.Left + c(i) * tw, y);
            break;
        case tdUp:
            Add(List, x, S.Top + c(i) * th);
            break;
        }
    }
    switch (dir) {
    case tdRight:
        Add(List, S.Right - c(n) * tw - 1, S.Bottom);
        break;
    case tdDown:
        Add(List, S.Right, S.Bottom - c(n) * th);
        break;
    case tdLeft:
        Add(List, S.Left + c(n) * tw, S.Bottom);
        break;
    case tdUp:
        Add(List, S.Right, S.Top + c(n) * th);
        break;
    }
}

void CalcShape(const TRect& S, TLuxShapeType Shape, int r, int d, int h1, int h2, TLuxPointList* List) {
    const int Xm = S.Left + (S.Right - S.Left) / 2;
    const int Ym = S.Top + (S.Bottom - S.Top) / 2;
    const int W = S.Right - S.Left, H = S.Bottom - S.Top;
    std::vector<TPoint> outer, inner;
    switch (Shape) {
    case stEllipse:
    case stRectangle:
        outer = {{S.Left, S.Top}, {S.Right, S.Bottom}};
        inner = {{S.Left + h1, S.Top + h1}, {S.Right - h2, S.Bottom - h2}};
        break;
    case stRoundRect:
        outer = {{S.Left, S.Top}, {S.Right, S.Bottom}, {r, r}};
        inner = {{S.Left + h1, S.Top + h1}, {S.Right, S.Bottom}, {r + d, r + d}};
        break;
    case stDirectUp:
        outer = {{Xm, S.Top}, {S.Right, S.Bottom}, {S.Left, S.Bottom}};
        inner = {{Xm, S.Top + h1}, {S.Right - h2, S.Bottom - h2}, {S.Left + 2 * h1, S.Bottom}};
        break;
    case stDirectRight:
        outer = {{S.Left, S.Top}, {S.Right, Ym}, {S.Left, S.Bottom}};
        inner = {{S.Left + h1, S.Top + h1}, {S.Right - h2, Ym}, {S.Left + h1, S.Bottom - h2}};
        break;
    case stDirectDown:
        outer = {{S.Left, S.Top}, {S.Right, S.Top}, {Xm, S.Bottom}};
        inner = {{S.Left + h1, S.Top + h1}, {S.Right - h2, S.Top + h1}, {Xm, S.Bottom}};
        break;
    case stDirectLeft:
        outer = {{S.Right, S.Top}, {S.Left, Ym}, {S.Right, S.Bottom}};
        inner = {{S.Right - h2, S.Top + h1}, {S.Left + h1, Ym}, {S.Right - h2, S.Bottom - h2}};
        break;
    case stDiamond:
        outer = {{Xm, S.Top}, {S.Right, Ym}, {Xm, S.Bottom}, {S.Left, Ym}};
        inner = {{Xm, S.Top + h1}, {S.Right - h2, Ym}, {Xm, S.Bottom - h2}, {S.Left + h1, Ym}};
        break;
    case stComb: {
        const int a = Rnd(H / 5.0);
        outer = {{Xm, S.Top},    {S.Right, S.Top + a},    {S.Right, S.Top + 4 * a},
                 {Xm, S.Bottom}, {S.Left, S.Top + 4 * a}, {S.Left, S.Top + a}};
        inner = {{Xm, S.Top + h1},    {S.Right - h2, S.Top + a + h1},    {S.Right - h2, S.Top + 4 * a + h1},
                 {Xm, S.Bottom - h2}, {S.Left + h1, S.Top + 4 * a + h1}, {S.Left + h1, S.Top + a + h1}};
        break;
    }
    case stOctagon: {
        const double f = 2 + std::sqrt(2.0);
        const int ax = Rnd(W / f), ay = Rnd(H / f);
        const int bx = Rnd(ax * std::sqrt(2.0)), by = Rnd(ay * std::sqrt(2.0));
        outer = {{S.Left + ax, S.Top},       {S.Left + ax + bx, S.Top},    {S.Right, S.Top + ay},
                 {S.Right, S.Top + ay + by}, {S.Left + ax + bx, S.Bottom}, {S.Left + ax, S.Bottom},
                 {S.Left, S.Top + ay + by},  {S.Left, S.Top + ay}};
        const TPoint moves[8] = {{h1, h1},  {h1, h1},  {-h2, h1}, {-h2, h1},
                                 {h1, -h2}, {h1, -h2}, {h1, h1},  {h1, h1}};
        for (int i = 0; i < 8; ++i) inner.push_back({outer[i].X + moves[i].X, outer[i].Y + moves[i].Y});
        break;
    }
    case stStar: {
        auto x = [&](double f) { return S.Left + Rnd(f * W); };
        auto y = [&](double f) { return S.Top + Rnd(f * H); };
        outer = {{Xm, S.Top},         {x(0.65), y(0.38)}, {S.Right, y(0.38)},  {x(0.7), y(0.6)},
                 {x(0.85), S.Bottom}, {Xm, y(0.75)},      {x(0.15), S.Bottom}, {x(0.3), y(0.6)},
                 {S.Left, y(0.38)},   {x(0.35), y(0.38)}};
        inner = outer;
        inner[0].Y += h1;
        inner[2].X -= h2;
        inner[4].Y -= h2;
        inner[6].Y -= h2;
        inner[8].X += h2;
        break;
    }
    }
    for (const TPoint& p : outer) List->AddPoint(p);
    for (const TPoint& p : inner) List->AddPoint(p);
}

std::vector<TPoint> Points(const TLuxPointList* List, int From, int Count) {
    std::vector<TPoint> v;
    for (int i = From; i < From + Count && i < List->Count(); ++i) v.push_back(List->GetPoint(i));
    return v;
}

// How many outer points a shape's outline has in the list.
int OuterCount(TLuxShapeType Shape) {
    switch (Shape) {
    case stEllipse:
    case stRectangle:
        return 2;
    case stRoundRect:
    case stDirectUp:
    case stDirectRight:
    case stDirectDown:
    case stDirectLeft:
        return 3;
    case stDiamond:
        return 4;
    case stComb:
        return 6;
    case stOctagon:
        return 8;
    case stStar:
        return 10;
    }
    return 0;
}

// The outline starting at index First of the list: the teeth polygon, or the shape. A rounded
// rectangle's corner size is its third point, which moved with the others by Origin.
void PaintOutline(TCanvas* Canvas, TLuxShapeType Shape, const std::vector<TPoint>& Teeth,
                  const TLuxPointList* List, int First, TPoint Origin) {
    if (!Teeth.empty()) {
        Canvas->Polygon(Teeth);
        return;
    }
    const TPoint a = List->GetPoint(First), b = List->GetPoint(First + 1);
    switch (Shape) {
    case stEllipse:
        Canvas->Ellipse(a.X, a.Y, b.X, b.Y);
        break;
    case stRectangle:
        Canvas->Rectangle(a.X, a.Y, b.X, b.Y);
        break;
    case stRoundRect: {
        const TPoint c = List->GetPoint(First + 2);
        Canvas->RoundRect(a.X, a.Y, b.X, b.Y, c.X - Origin.X, c.Y - Origin.Y);
        break;
    }
    default:
        Canvas->Polygon(Points(List, First, OuterCount(Shape)));
        break;
    }
}

void Line(TCanvas* Canvas, std::initializer_list<TPoint> Path) {
    bool first = true;
    for (const TPoint& p : Path) {
        if (first)
            Canvas->MoveTo(p.X, p.Y);
        else
            Canvas->LineTo(p.X, p.Y);
        first = false;
    }
}

// The two-colour bevel along the inner outline (points moved to their final place).
void PaintBevel(TCanvas* Canvas, TLuxShapeType Shape, const TLuxPointList* List, int w, int h1, int h2, int r,
                TColor First, TColor Second) {
    TPen* pen = Canvas->Pen();
    pen->SetMode(pmCopy);
    pen->SetStyle(psSolid);
    pen->SetWidth(w);
    const TPoint o0 = List->GetPoint(0), o1 = List->GetPoint(1);
    const int L = o0.X + h1, T = o0.Y + h1, R = o1.X - h2, B = o1.Y - h2;
    const int q = r / 2;
    const int n = OuterCount(Shape);
    auto p = [&](int i) { return List->GetPoint(n + i); };
    for (int part = 0; part < 2; ++part) {
        pen->SetColor(part == 0 ? First : Second);
        const bool one = part == 0;
        switch (Shape) {
        case stRectangle:
            if (one)
                Line(Canvas, {{L, B}, {L, T}, {R, T}});
            else
                Line(Canvas, {{R - 1, T}, {R - 1, B - 1}, {L, B - 1}});
            break;
        case stEllipse:
            if (one)
                Canvas->Arc(L, T, R, B, R, T, L, B);
            else
                Canvas->Arc(L, T, R, B, L, B, R, T);
            break;
        case stRoundRect:
            if (one) {
                Canvas->Arc(L, T, L + r, T + r, L + q, T, L, T + q);
                Canvas->Arc(R - r, T, R, T + r, R, T, R - q, T);
                Canvas->Arc(L, B - r, L + r, B, L, B - q, L, B);
                Line(Canvas, {{L, T + q}, {L, B - q}});
                Line(Canvas, {{L + q, T}, {R - q, T}});
            } else {
                Canvas->Arc(R - r, T, R, T + r, R, T + q, R, T);
                Canvas->Arc(R - r, B - r, R, B, R - q, B, R, B - q);
                Canvas->Arc(L, B - r, L + r, B, L, B, L + q, B);
                Line(Canvas, {{R - 1, T + q}, {R - 1, B - q}});
                Line(Canvas, {{L + q, B - 1}, {R - q, B - 1}});
            }
            break;
        case stDirectUp:
            if (one)
                Line(Canvas, {p(2), p(0), p(1)});
            else
                Line(Canvas, {p(1), p(2)});
            break;
        case stDirectRight:
            if (one)
                Line(Canvas, {p(0), p(2)});
            else
                Line(Canvas, {p(0), p(1), p(2)});
            break;
        case stDirectDown:
            if (one)
                Line(Canvas, {p(0), p(1)});
            else
                Line(Canvas, {p(0), p(2), p(1)});
            break;
        case stDirectLeft:
            if (one)
                Line(Canvas, {p(0), p(1), p(2)});
            else
                Line(Canvas, {p(0), p(2)});
            break;
        case stDiamond:
            if (one)
                Line(Canvas, {p(3), p(0), p(1)});
            else
                Line(Canvas, {p(1), p(2), p(3)});
            break;
        case stComb:
            if (one)
                Line(Canvas, {p(4), p(5), p(0), p(1)});
            else
                Line(Canvas, {p(1), p(2), p(3), p(4)});
            break;
        case stOctagon:
            if (one)
                Line(Canvas, {p(6), p(7), p(0), p(1), p(2)});
            else
                Line(Canvas, {p(2), p(3), p(4), p(5), p(6)});
            break;
        case stStar:
            if (one) {
                Line(Canvas, {p(1), p(2)});
                Line(Canvas, {p(3), p(4)});
                Line(Canvas, {p(6), p(7)});
                Line(Canvas, {p(8), p(9), p(0)});
            } else {
                Line(Canvas, {p(0), p(1)});
                Line(Canvas, {p(2), p(3)});
                Line(Canvas, {p(7), p(8)});
                Line(Canvas, {p(4), p(5), p(6)});
            }
            break;
        }
    }
}

} // namespace

void LuxShapeCalc(const TRect& R, TLuxShapeType Shape, TLuxTeeth* Teeth, bool Square, TBrush* /*Brush*/,
                  int RoundPercent, TLuxSimpleBevel* Bevel, TLuxShadow* Shadow, TLuxPointList* List) {
    if (!List) return;
    List->Clear();
    const int d = ShadowDepth(Shadow);
    const int W = R.Right - R.Left, H = R.Bottom - R.Top;
    TRect S(d, d, W, H);
    if (Square) {
        const int dx = W > H ? (W - H) / 2 : 0;
        const int dy = W > H ? 0 : (H - W) / 2;
        S = TRect(dx + d, dy + d, W - dx, H - dy);
    }
    const int r = CornerSize(RoundPercent, W, H, d);
    if (Teeth) {
        Teeth->BeginUpdate();
        try {
            CalcTeeth(S, Teeth, List);
        } catch (...) {
            Teeth->EndUpdate(false);
            throw;
        }
        Teeth->EndUpdate(false);
        return;
    }
    const int w = BevelWidth(Bevel, Teeth);
    CalcShape(S, Shape, r, d, w / 2, (w - 1) / 2, List);
}

void LuxShapeDraw(const TRect& R, TCanvas* Canvas, TLuxShapeType Shape, TLuxTeeth* Teeth, TLuxPointList* List,
                  bool Square, TBrush* Brush, int RoundPercent, TLuxSimpleBevel* Bevel, TLuxShadow* Shadow,
                  TBitmap* Bitmap, TColor TransparentColor, TColor BackColor, unsigned short /*Flags*/) {
    if (!Canvas || !Bevel) return;
    const COLORREF transparent = ColorToRGB(TransparentColor);
    auto work = std::make_unique<TBitmap>();
    const int w = BevelWidth(Bevel, Teeth), h1 = w / 2, h2 = (w - 1) / 2;
    const int d = ShadowDepth(Shadow);
    const int W = R.Right - R.Left, H = R.Bottom - R.Top;

    std::unique_ptr<TLuxPointList> own;
    TLuxPointList* list = List;
    if (!list) {
        own = std::make_unique<TLuxPointList>();
        list = own.get();
        LuxShapeCalc(R, Shape, Teeth, Square, Brush, RoundPercent, Bevel, Shadow, list);
    }
    // A given list goes back where it was, however painting ends.
    struct Restore {
        TLuxPointList* list;
        int dx = 0, dy = 0;
        void Move(int x, int y) {
            LuxOffsetPointList(list, x, y);
            dx -= x;
            dy -= y;
        }
        ~Restore() {
            if (dx || dy) LuxOffsetPointList(list, dx, dy);
        }
    } moved{list};
    moved.Move(R.Left, R.Top);

    std::vector<TPoint> teeth;
    if (Teeth) teeth = Points(list, 0, list->Count());
    const int r = CornerSize(RoundPercent, W, H, d);

    TPen* pen = Canvas->Pen();
    TBrush* brush = Canvas->Brush();
    if (d > 0 && Shadow && Shadow->Style() != hssNone) {
        pen->SetStyle(psClear);
        if (Shadow->Style() == hssTracing && LuxApplication) {
            brush->SetBitmap(LuxApplication->GetBrushBitmap(Shadow->Color()));
            pen->SetMode(pmMask);
        } else {
            brush->SetStyle(bsSolid);
            brush->SetColor(Shadow->Color());
        }
        PaintOutline(Canvas, Shape, teeth, list, 0, R.TopLeft());
        brush->SetBitmap(nullptr);
        pen->SetMode(pmCopy);
    }
    moved.Move(-d, -d);
    LuxOffsetPointArray(teeth.data(), static_cast<int>(teeth.size()), -d, -d);

    // Where the inner outline starts in the list.
    const int inner = Teeth ? 0 : OuterCount(Shape);
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1 || (w > 0 && Bevel->Style() == sbNormal && !Bitmap)) {
            pen->SetMode(pmCopy);
            pen->SetStyle(Bevel->Width() == 0 ? psClear : psSolid);
            pen->SetWidth(w);
            pen->SetColor(Bevel->Color());
        }
        TCanvas* target = Canvas;
        if (pass == 0 && Bitmap) {
            work->SetSize(W, H);
            target = work->Canvas();
            TPen* wp = target->Pen();
            wp->SetMode(pmCopy);
            wp->SetStyle(Bevel->Width() == 0 ? psClear : psSolid);
            wp->SetWidth(w);
            wp->SetColor(clWhite);
            target->Brush()->SetStyle(bsSolid);
            target->Brush()->SetColor(static_cast<TColor>(transparent));
            target->FillRect(TRect(0, 0, W, H));
            target->Brush()->SetColor(clWhite);
        } else {
            pen->SetMode(pmCopy);
            if (Bevel->Width() == 0)
                pen->SetStyle(psClear);
            else
                pen->SetWidth(w);
            // The outline is left to the bevel step: drawn in the fill's own colour.
            if (Bevel->Style() != sbNormal) pen->SetColor(brush->Color());
            if (!Bitmap) {
                if (Brush) brush->Assign(Brush);
            } else {
                brush->SetStyle(bsClear);
            }
            if (pass == 1 && brush->Style() != bsSolid) {
                SetBkColor(Canvas->Handle(), ColorToRGB(BackColor));
                SetBkMode(Canvas->Handle(), OPAQUE);
            }
        }
        PaintOutline(target, Shape, teeth, list, inner, R.TopLeft());
        if (pass == 0 && Bitmap) {
            auto copy = std::make_unique<TBitmap>();
            copy->Assign(Bitmap);
            LuxMaskBmpDraw(Canvas, TRect(0, 0, W, H), work.get(), copy.get(), clWhite,
                           static_cast<TColor>(transparent));
        }
    }

    // No bevel over teeth: its lines follow the shape's table, which a teeth outline does not hold.
    if (w > 0 && !Teeth && (Bevel->Style() == sbInset || Bevel->Style() == sbOffset)) {
        const bool inset = Bevel->Style() == sbInset;
        PaintBevel(Canvas, Shape, list, w, h1, h2, r, inset ? Bevel->ShadowColor() : Bevel->LightColor(),
                   inset ? Bevel->LightColor() : Bevel->ShadowColor());
    }
}

void LuxOffsetPointArray(TPoint* Points, int Count, int DX, int DY) {
    if (!Points) return;
    for (int i = 0; i < Count; ++i) {
        Points[i].X += DX;
        Points[i].Y += DY;
    }
}

void LuxOffsetPointList(TLuxPointList* List, int DX, int DY) {
    if (!List) return;
    List->BeginUpdate();
    for (int i = 0; i < List->Count(); ++i) {
        const TPoint p = List->GetPoint(i);
        List->PutPoint(i, TPoint(p.X + DX, p.Y + DY));
    }
    List->EndUpdate(false);
}

void LuxGetLightColors(TLuxLightColor Color, TColor& Light, TColor& Dark) {
    static const TColor kColors[][2] = {{clBtnFace, clBtnFace}, {0xFF0000, 0x800000}, {0xFF, 0x80},
                                        {0xFF00, 0x8000},       {0xFFFF, 0x8080},     {0xFFFF00, 0x808000},
                                        {0xFF00FF, 0x800080}};
    const int v = static_cast<int>(Color) % 128;
    if (v < 0 || v > lcPurple) return;
    Light = kColors[v][0];
    Dark = kColors[v][1];
}
