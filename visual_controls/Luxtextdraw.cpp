#include "visual_controls/Luxtextdraw.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Region.h"
#include "platform/gdi/Text.h"
#include "platform/ui/Controls.h"
#include "visual_controls/LuxGradient.h"
#include "visual_controls/Luxbmpdraw.h"
#include "visual_controls/Luxprocs.h"
#include "visual_controls/Luxutils.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <optional>

namespace {

TLuxFxCaption* AsFx(TLux3DCaption* Caption) {
    return dynamic_cast<TLuxFxCaption*>(Caption);
}

bool IsRotated(TLux3DCaption* Caption) {
    const TLuxFxCaption* fx = AsFx(Caption);
    return fx && fx->Angle() > 0;
}

// How far an effect reaches beyond the plain text, for measuring.
int EffectDepth(const TLux3DCaption& c) {
    switch (c.Style()) {
    case tdSunken:
    case tdRaised:
        return c.LightDepth();
    case tdSunkenShadow:
    case tdRaisedShadow:
    case tdPColorSunken:
    case tdPColorRaised:
        return c.LightDepth() + c.ShadowDepth();
    case tdShadow:
    case tdOutline:
    case tdExtrude:
    case tdExtrudeEnh:
        return c.ShadowDepth();
    default:
        return 0;
    }
}

// The same for the width and height helpers, which count no outline or extrusion.
int Depth3D(const TLux3DCaption& c) {
    switch (c.Style()) {
    case tdOutline:
    case tdExtrude:
    case tdExtrudeEnh:
        return 0;
    default:
        return EffectDepth(c);
    }
}

// Shift of a rotated text's origin that keeps a deep effect inside the measured box.
int RotatedDepthCorrection(const TLux3DCaption& c) {
    switch (c.Style()) {
    case tdSunken:
    case tdRaised:
        return c.LightDepth() / 2 - 1;
    case tdSunkenShadow:
    case tdRaisedShadow:
    case tdPColorSunken:
    case tdPColorRaised:
        return (c.LightDepth() + c.ShadowDepth()) / 2 - 1;
    case tdShadow:
    case tdExtrude:
    case tdExtrudeEnh:
        return c.ShadowDepth() / 2 - 1;
    default:
        return 0;
    }
}

// The character extra of a DC, put back on destruction.
class ExtraKeeper {
public:
    ExtraKeeper(HDC dc, int extra) : dc_(dc), old_(SetTextCharacterExtra(dc, extra)) {}
    ~ExtraKeeper() { SetTextCharacterExtra(dc_, old_); }
    ExtraKeeper(const ExtraKeeper&) = delete;
    ExtraKeeper& operator=(const ExtraKeeper&) = delete;

private:
    HDC dc_;
    int old_;
};

// A screen DC with a font selected, released on destruction.
class ScreenFontDC {
public:
    explicit ScreenFontDC(TFont* Font) : dc_(GetDC(0)) {
        if (dc_ && Font) old_ = SelectObject(dc_, Font->Handle());
    }
    ~ScreenFontDC() {
        if (!dc_) return;
        if (old_) SelectObject(dc_, old_);
        ReleaseDC(0, dc_);
    }
    ScreenFontDC(const ScreenFontDC&) = delete;
    ScreenFontDC& operator=(const ScreenFontDC&) = delete;
    HDC dc() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ old_ = nullptr;
};

// The canvas settings the drawing changes (font colour and rotation, pen, brush style), put back
// on destruction.
class CanvasKeeper {
public:
    explicit CanvasKeeper(TCanvas* Canvas) : canvas_(Canvas) {
        fontColor_ = Canvas->Font()->Color();
        pen_.Assign(Canvas->Pen());
        brushStyle_ = Canvas->Brush()->Style();
    }
    ~CanvasKeeper() {
        if (rotated_) {
            // Dropping the rotated handle: the font makes an upright one from its description.
            TFont upright;
            upright.Assign(canvas_->Font());
            canvas_->Font()->Assign(&upright);
        }
        canvas_->Font()->SetColor(fontColor_);
        canvas_->Pen()->Assign(&pen_);
        if (canvas_->Brush()->Style() != brushStyle_) canvas_->Brush()->SetStyle(brushStyle_);
    }
    CanvasKeeper(const CanvasKeeper&) = delete;
    CanvasKeeper& operator=(const CanvasKeeper&) = delete;
    void Rotated() { rotated_ = true; }

private:
    TCanvas* canvas_;
    TColor fontColor_;
    TPen pen_;
    TBrushStyle brushStyle_;
    bool rotated_ = false;
};

// Binds a canvas to a screen DC with Font for measuring; the canvas gets its DC and font back.
class MeasureBinding {
public:
    MeasureBinding(TCanvas* Canvas, TFont* Font) : canvas_(Canvas) {
        if (Canvas->HandleAllocated()) old_ = Canvas->Handle();
        font_.Assign(Canvas->Font());
        screen_ = GetDC(0);
        Canvas->SetHandle(screen_);
        if (Font) Canvas->Font()->Assign(Font);
    }
    ~MeasureBinding() {
        canvas_->SetHandle(old_);
        canvas_->Font()->Assign(&font_);
        if (screen_) ReleaseDC(0, screen_);
    }
    MeasureBinding(const MeasureBinding&) = delete;
    MeasureBinding& operator=(const MeasureBinding&) = delete;

private:
    TCanvas* canvas_;
    HDC old_ = nullptr;
    HDC screen_ = nullptr;
    TFont font_;
};

void DrawPass(TCanvas* Canvas, const std::string& Text, TRect& R, int dx, int dy, TColor Color, bool Rotated,
              int Flags) {
    Canvas->Font()->SetColor(Color);
    R = TRect(R.Left + dx, R.Top + dy, R.Right + dx, R.Bottom + dy);
    HDC dc = Canvas->Handle();
    if (Rotated) {
        ExtTextOut(dc, R.Left, R.Top, 0, nullptr, Text.data(), static_cast<UINT>(Text.size()), nullptr);
    } else {
        RECT r = R;
        DrawTextEx(dc, Text.data(), static_cast<int>(Text.size()), &r, static_cast<UINT>(Flags), nullptr);
    }
}

// An open path is dropped if drawing into it fails.
class PathGuard {
public:
    explicit PathGuard(HDC dc) : dc_(dc) { BeginPath(dc); }
    ~PathGuard() {
        if (open_) AbortPath(dc_);
    }
    PathGuard(const PathGuard&) = delete;
    PathGuard& operator=(const PathGuard&) = delete;
    void End() {
        EndPath(dc_);
        open_ = false;
    }

private:
    HDC dc_;
    bool open_ = true;
};

TRect Moved(const TRect& r, int dx, int dy) {
    return TRect(r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy);
}

TRect Inflated(const TRect& r, int d) {
    return TRect(r.Left - d, r.Top - d, r.Right + d, r.Bottom + d);
}

TRect Union(const TRect& a, const TRect& b) {
    RECT out{}, ra = a, rb = b;
    UnionRect(&out, &ra, &rb);
    return out;
}

bool Empty(const TRect& r) {
    return r.Right <= r.Left || r.Bottom <= r.Top;
}

} // namespace

void LuxDrawTextExt(TCanvas* Canvas, const std::string& Text, TLux3DCaption* Caption, const TRect& Rect,
                    int Flags, TLuxDrawTextStyles Styles, const TRect* ClipRect) {
    if (Text.empty() || Empty(Rect)) return;
    if (!Caption) {
        RECT r = Rect;
        DrawTextEx(Canvas->Handle(), Text.data(), static_cast<int>(Text.size()), &r, static_cast<UINT>(Flags),
                   nullptr);
        return;
    }
    TLuxFxCaption* fx = AsFx(Caption);
    const bool rotated = fx && fx->Angle() > 0;

    HDC dc = Canvas->Handle();
    CanvasKeeper keepCanvas(Canvas);
    ClipScope keepClip(dc);
    if (Styles.Contains(dtClip)) {
        // Device coordinates, so a region rather than ClipScope's logical rectangle.
        RECT clip = ClipRect ? *ClipRect : Rect;
        HRGN region = CreateRectRgnIndirect(&clip);
        ExtSelectClipRgn(dc, region, RGN_AND);
        DeleteObject(region);
    }

    TColor color;
    TLuxThreeDStyle style;
    if (Styles.Contains(dtEnabled) || Caption->DisabledStyle() == dsNone) {
        style = Caption->Style();
        color = style == tdPColorSunken || style == tdPColorRaised ? Canvas->Brush()->Color()
                                                                   : Canvas->Font()->Color();
    } else {
        color = clGrayText;
        style = Caption->Style();
        if (Caption->DisabledStyle() == ds3d ||
            (Caption->DisabledStyle() == dsAuto && Styles.Contains(dt3DDisabled)))
            style = tdSunken;
    }

    if (rotated) {
        LOGFONT lf;
        GetObject(Canvas->Font()->Handle(), sizeof(lf), &lf);
        lf.lfEscapement = fx->Angle() * 10;
        keepCanvas.Rotated();
        Canvas->Font()->SetHandle(CreateFontIndirect(&lf));
    }
    TRect r = fx ? TRect(Rect.Left + fx->PosX(), Rect.Top + fx->PosY(), Rect.Right, Rect.Bottom) : Rect;

    std::optional<ExtraKeeper> keepExtra;
    if (Caption->Tracing() != 0) keepExtra.emplace(dc, Caption->Tracing());

    Canvas->Brush()->SetStyle(bsClear);
    const int L = Caption->LightDepth();
    const int S = Caption->ShadowDepth();
    auto pass = [&](int dx, int dy, TColor c) { DrawPass(Canvas, Text, r, dx, dy, c, rotated, Flags); };
    switch (style) {
    case tdNone:
        pass(0, 0, color);
        break;
    case tdSunken:
        r.Right -= L;
        pass(L, L, Caption->LightColor());
        pass(-L, -L, color);
        break;
    case tdRaised:
        r.Right -= L;
        pass(0, 0, Caption->LightColor());
        pass(L, L, color);
        break;
    case tdSunkenShadow:
    case tdPColorSunken:
        r.Right -= L + S;
        pass(0, 0, Caption->ShadowColor());
        pass(L + S, L + S, Caption->LightColor());
        pass(-L, -L, color);
        break;
    case tdRaisedShadow:
    case tdPColorRaised:
        r.Right -= L + S;
        pass(L + S, L + S, Caption->ShadowColor());
        pass(-(L + S), -(L + S), Caption->LightColor());
        pass(L, L, color);
        break;
    case tdShadow:
        r.Right -= S;
        pass(S, S, Caption->ShadowColor());
        pass(-S, -S, color);
        break;
    case tdOutline: {
        Canvas->Pen()->SetStyle(psSolid);
        PathGuard path(Canvas->Handle());
        pass(S / 2, S / 2, color);
        path.End();
        Canvas->Pen()->SetColor(color);
        Canvas->Pen()->SetWidth(S);
        StrokePath(Canvas->Handle());
        break;
    }
    case tdExtrude:
    case tdExtrudeEnh: {
        const int d = S;
        int sx = 1, sy = 1;
        switch (Caption->Orientation()) {
        case toBottomLeft:
            r = Moved(r, 0, d + 1);
            sx = 1, sy = -1;
            break;
        case toBottomRight:
            r = Moved(r, d + 1, d + 1);
            sx = -1, sy = -1;
            break;
        case toTopLeft:
            break;
        case toTopRight:
            r = Moved(r, d + 1, 0);
            sx = -1, sy = 1;
            break;
        }
        for (int i = 0; i < d; ++i)
            pass(sx, sy,
                 style == tdExtrude
                     ? Caption->ShadowColor()
                     : LuxGradientGetColor(Caption->ShadowColor(), Caption->LightColor(), d - 1 - i, d));
        pass(0, 0, color);
        break;
    }
    }
}

void LuxDrawText(TCanvas* Canvas, const std::string& Text, TLux3DCaption* Caption, const TRect& Rect,
                 WORD Flags) {
    LuxDrawTextExt(Canvas, Text, Caption, Rect, Flags, {dtEnabled}, nullptr);
}

void LuxDrawTextCalcExt(TCanvas* Canvas, const std::string& Text, TLux3DCaption* Caption, TRect& Rect,
                        TFont* Font, bool MultiLine, bool ShowAccelChar, int Extend, int Flags) {
    MeasureBinding binding(Canvas, Font);
    TLuxFxCaption* fx = AsFx(Caption);
    if (IsRotated(Caption)) {
        HDC dc = Canvas->Handle();
        ExtraKeeper keepExtra(dc, fx->Tracing());
        const TSize size = Canvas->TextExtent(Text);
        const int w = size.cx, h = size.cy;
        const int depth = EffectDepth(*fx);
        Rect = TRect(0, 0, w + depth, h + depth);
        LuxCalcRotRect(Rect, fx->Angle());
        const double a = fx->Angle() * std::numbers::pi / 180;
        const int cx = Rect.Width() / 2, cy = Rect.Height() / 2;
        const int hw = w / 2, hh = h / 2;
        const int k = std::max(0, RotatedDepthCorrection(*fx));
        const auto nearest = [](double v) { return static_cast<int>(std::nearbyint(v)); };
        const int x = nearest(cx - std::cos(a) * hw - std::sin(a) * hh) - k;
        const int y = nearest(cy + std::sin(a) * hw - std::cos(a) * hh) - k;
        // The origin lies inside the box; a deep effect's correction stops at its edge.
        fx->SetPos(0, static_cast<WORD>(std::max(0, x)));
        fx->SetPos(1, static_cast<WORD>(std::max(0, y)));
    } else {
        if (fx) fx->SetPosXY(0, 0);
        UINT format = static_cast<UINT>(Flags) | DT_CALCRECT | DT_EXPANDTABS;
        if (MultiLine) format |= DT_WORDBREAK;
        const std::string text = Text.empty() || (Text == "&" && ShowAccelChar) ? std::string(" ") : Text;
        if (!ShowAccelChar) format |= DT_NOPREFIX;
        HDC dc = Canvas->Handle();
        std::optional<ExtraKeeper> keepExtra;
        if (Caption) keepExtra.emplace(dc, Caption->Tracing());
        RECT r = Rect;
        DrawTextEx(dc, text.data(), static_cast<int>(text.size()), &r, format, nullptr);
        Rect = r;
        if (Caption) {
            Rect.Right += EffectDepth(*Caption);
            Rect.Bottom += EffectDepth(*Caption);
        }
    }
    Rect.Right += (Extend + 1) * 2;
    Rect.Bottom += (Extend + 1) * 2;
}

void LuxDrawTextCalc(const std::string& Text, TLux3DCaption* Caption, TRect& Rect, TFont* Font,
                     bool MultiLine, bool ShowAccelChar, int Extend, int Flags) {
    TCanvas canvas;
    LuxDrawTextCalcExt(&canvas, Text, Caption, Rect, Font, MultiLine, ShowAccelChar, Extend, Flags);
}

TRect LuxAlignTextRect(TLuxAlignment Alignment, const std::string& Text, TLux3DCaption* Caption,
                       const TRect& Rect, TFont* Font, bool MultiLine, bool ShowAccelChar, int Flags) {
    TRect r = Rect;
    r.Right -= 1;
    LuxDrawTextCalc(Text, Caption, r, Font, MultiLine, ShowAccelChar, 0, Flags);
    return LuxAlignRect(Alignment, r, Rect);
}

TLuxTextGlyphRects LuxDrawTextAndGlyphExt(TCanvas* Canvas, const std::string& Text, TLux3DCaption* Caption,
                                          const TRect& Dest, TCanvas* GlyphCanvas, TRect& GlyphRect,
                                          TCanvas* MaskCanvas, TColor TransparentColor,
                                          TLuxGlyphTextLayout* Layout, bool MultiLine, bool ShowAccelChar,
                                          bool Transparent, TLuxDrawTextStyles Styles, int Flags) {
    TLuxGlyphTextLayout defaults;
    if (!Layout) Layout = &defaults;
    TLuxTextGlyphRects result;
    TRect focus;
    bool focusSet = false;
    const bool hasGlyph = GlyphCanvas && !Empty(GlyphRect);
    const bool hasText = !Text.empty();
    const int sp = (hasText && hasGlyph) || (!hasText && !hasGlyph) ? Layout->Spacing() : 0;

    TRect T, G;
    if (hasText) {
        T = TRect(0, 0, std::abs(Dest.Width()), 0);
        LuxDrawTextCalc(Text, Caption, T, Canvas->Font(), MultiLine, ShowAccelChar, 0, Flags);
    }
    if (hasGlyph) G = TRect(0, 0, GlyphRect.Width(), GlyphRect.Height());

    auto* button = dynamic_cast<TLuxButtonLayout*>(Layout);
    const bool arrow = button && button->Arrow();
    int a = 0;
    if (arrow) {
        a = button->ArrowSize() * 2 - 1;
        if (button->ArrowPosition() == apRightText || button->ArrowPosition() == apLeftText)
            T.Right += a + button->ArrowIndent();
        else
            G.Right += a + button->ArrowIndent();
    }

    const bool calculating = Styles.Contains(dtCalculate);
    if (calculating) Styles.Include(dtRectGlyphText);

    const int tw = T.Width(), th = T.Height(), gw = G.Width(), gh = G.Height();
    TRect block;
    switch (Layout->AlignText2Glyph()) {
    case taLeft:
    case taLeftTop:
    case taRight:
    case taRightTop: {
        const int m = std::max(th, gh);
        const int tOff = (m - th) / 2, gOff = (m - gh) / 2;
        block = TRect(0, 0, tw + sp + gw, m);
        const TLuxTextArrange at = Layout->AlignText2Glyph();
        const int gy = at == taLeftTop || at == taRightTop ? 0 : gOff;
        if (at == taLeft || at == taLeftTop) {
            G = Moved(G, tw + sp, gy);
            T = Moved(T, 0, tOff);
        } else {
            T = Moved(T, gw + sp, tOff);
            G = Moved(G, 0, gy);
        }
        break;
    }
    case taTop:
    case taTopLeft:
    case taBottom:
    case taBottomLeft: {
        const int m = std::max(tw, gw);
        const int tOff = (m - tw) / 2, gOff = (m - gw) / 2;
        block = TRect(0, 0, m, th + sp + gh);
        const TLuxTextArrange at = Layout->AlignText2Glyph();
        const int gx = at == taTopLeft || at == taBottomLeft ? 0 : gOff;
        if (at == taTop || at == taTopLeft) {
            G = Moved(G, gx, th + sp);
            T = Moved(T, tOff, 0);
        } else {
            T = Moved(T, tOff, gh + sp);
            G = Moved(G, gx, 0);
        }
        break;
    }
    }

    if (!Styles.Contains(dtAutoSize)) {
        const TRect p = LuxAlignRect(Layout->Alignment(), block, Dest);
        T = Moved(T, p.Left + 1, p.Top + 1);
        G = Moved(G, p.Left, p.Top);
    }
    if (arrow && button->ArrowPosition() == apLeftText) T = Moved(T, button->ArrowIndent() + a, 0);

    CanvasKeeper keepCanvas(Canvas);
    Canvas->Brush()->SetStyle(bsClear);
    int flags = Flags | static_cast<int>(DT_EXPANDTABS | DT_WORDBREAK);
    if (MultiLine) flags |= static_cast<int>(TLuxALIGNFLAGS[Layout->Alignment()]);
    T = Moved(T, Layout->OffsetX(), Layout->OffsetY());
    G = Moved(G, Layout->OffsetX(), Layout->OffsetY());

    if (!calculating) LuxDrawTextExt(Canvas, Text, Caption, T, flags, Styles, nullptr);
    result.Text = T;
    if (Styles.Contains(dtRectText)) {
        focus = Inflated(T, 1);
        focusSet = true;
    }

    const bool enabled = Styles.Contains(dtEnabled);
    auto drawArrow = [&](int x, const TRect& beside) {
        if (calculating) return;
        const int y = beside.Top + beside.Height() / 2 - button->ArrowSize() / 2;
        LuxDrawTriangle(Canvas, x, y, button->ArrowSize(), button->ArrowColor(), true, enabled);
    };
    if (arrow) {
        switch (button->ArrowPosition()) {
        case apRightText:
            drawArrow(MultiLine ? T.Right - (button->ArrowSize() + 1) : T.Right - 2 * button->ArrowSize(), T);
            break;
        case apLeftText:
            drawArrow(T.Left - button->ArrowIndent() - a, T);
            break;
        case apLeftGlyph:
            G = Moved(G, button->ArrowIndent() + a, 0);
            break;
        default:
            break;
        }
    }

    if (hasGlyph && !calculating) {
        unsigned short mode = 0;
        TPersistent* extra = nullptr;
        if (Transparent && !MaskCanvas) {
            mode = LuxBmpTransparent;
        } else if (Transparent) {
            mode = LuxBmpMasked;
            extra = MaskCanvas;
        }
        LuxBmpDrawExt(Canvas, G, GlyphCanvas, GlyphRect, mode, TransparentColor, nullptr, extra);
        if (Styles.Contains(dtRectGlyph)) {
            focus = G;
            focusSet = true;
        }
    }

    result.Glyph = G;
    if (Styles.Contains(dtRectGlyphText)) {
        focus = Inflated(Union(G, T), 1);
        focusSet = true;
    }
    result.All = Union(G, T);
    if (arrow && button->ArrowPosition() == apRightGlyph) drawArrow(G.Right - a, G);
    if (arrow && button->ArrowPosition() == apLeftGlyph) drawArrow(G.Left - button->ArrowIndent() - a, G);

    if (!focusSet) focus = Inflated(Dest, -1);
    if (calculating) focus = Inflated(focus, 1);
    GlyphRect = focus;
    return result;
}

TLuxTextGlyphRects LuxDrawTextAndGlyph(TCanvas* Canvas, const std::string& Text, TLux3DCaption* Caption,
                                       const TRect& Rect, TBitmap* Glyph, TBitmap* Mask,
                                       TLuxGlyphTextLayout* Layout, bool MultiLine, bool ShowAccelChar,
                                       bool Transparent, TLuxDrawTextStyles Styles, int Flags) {
    TCanvas* glyphCanvas = nullptr;
    TRect glyphRect;
    TColor transparentColor = clNone;
    if (Glyph && !Glyph->Empty()) {
        glyphCanvas = Glyph->Canvas();
        glyphRect = TRect(0, 0, Glyph->Width(), Glyph->Height());
        transparentColor = Glyph->TransparentColor();
    }
    TCanvas* maskCanvas = Mask ? Mask->Canvas() : nullptr;
    return LuxDrawTextAndGlyphExt(Canvas, Text, Caption, Rect, glyphCanvas, glyphRect, maskCanvas,
                                  transparentColor, Layout, MultiLine, ShowAccelChar, Transparent, Styles,
                                  Flags);
}

bool LuxIsTrueTypeFont(TFont* Font) {
    ScreenFontDC dc(Font);
    TEXTMETRIC tm;
    return dc.dc() && GetTextMetrics(dc.dc(), &tm) && (tm.tmPitchAndFamily & TMPF_TRUETYPE) != 0;
}

bool LuxIsTrueTypeFontCheck(TCanvas* Canvas) {
    TEXTMETRIC tm;
    return GetTextMetrics(Canvas->Handle(), &tm) && (tm.tmPitchAndFamily & TMPF_TRUETYPE) != 0;
}

int LuxGetFontHeight(TFont* Font) {
    ScreenFontDC dc(Font);
    SIZE size{};
    if (!dc.dc() || !GetTextExtentPoint32(dc.dc(), "W", 1, &size)) return 0;
    return size.cy;
}

int LuxGet3DTextWidth(const std::string& Text, TLux3DCaption* Caption, TFont* Font) {
    ScreenFontDC dc(Font);
    if (!dc.dc()) return 0;
    ExtraKeeper keepExtra(dc.dc(), Caption ? Caption->Tracing() : 0);
    SIZE size{};
    GetTextExtentPoint32(dc.dc(), Text.data(), static_cast<int>(Text.size()), &size);
    return size.cx + (Caption ? Depth3D(*Caption) : 0);
}

int LuxGet3DTextHeight(TLux3DCaption* Caption, TFont* Font) {
    return LuxGetFontHeight(Font) + (Caption ? Depth3D(*Caption) : 0);
}
