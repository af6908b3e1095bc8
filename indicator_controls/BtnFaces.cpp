#include "indicator_controls/BtnFaces.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Raster.h"
#include "platform/gdi/Text.h"
#include "platform/ui/Icons.h"

#include <algorithm>

UINT CaptionFlags(TAlignment Alignment, vbHorzAlign HorzAlign, bool MultipleLines, bool WordWrap) {
    UINT flags = HorzAlign == vbha_Top ? DT_TOP : HorzAlign == vbha_Bottom ? DT_BOTTOM : DT_VCENTER;
    if (!MultipleLines) flags |= DT_SINGLELINE;
    if (WordWrap) flags |= DT_WORDBREAK;
    flags |= Alignment == taLeftJustify ? DT_LEFT : Alignment == taRightJustify ? DT_RIGHT : DT_CENTER;
    return flags;
}

void DrawCaption(TCanvas* Canvas, const TRect& Rect, const std::string& Caption, UINT Flags, bool Enabled,
                 const std::function<void()>& Between) {
    auto draw = [&](const TRect& r) {
        Canvas->Brush()->SetStyle(bsClear);
        RECT box{r.Left, r.Top, r.Right, r.Bottom};
        DrawText(Canvas->Handle(), Caption.data(), static_cast<int>(Caption.size()), &box, Flags);
    };
    if (Enabled) {
        if (Between) Between();
        draw(Rect);
        return;
    }
    const TColor own = Canvas->Font()->Color();
    Canvas->Font()->SetColor(clWhite);
    draw(TRect(Rect.Left + 1, Rect.Top + 1, Rect.Right + 1, Rect.Bottom + 1));
    if (Between) Between();
    Canvas->Font()->SetColor(clGray);
    draw(Rect);
    Canvas->Font()->SetColor(own);
}

void DrawButtonEdge(TCanvas* Canvas, int Width, int Height, int Inset, bool Down, TColor HighLight,
                    TColor Shadow) {
    const int x = Width - 1, y = Height - 1, o = Inset;
    TPen* pen = Canvas->Pen();
    pen->SetWidth(1);
    pen->SetColor(Shadow);
    Canvas->Polyline({TPoint(o, y - o), TPoint(o, o), TPoint(x - o, o)});
    Canvas->Polyline({TPoint(x - o - 1, o + 1), TPoint(x - o - 1, y - o - 1), TPoint(o, y - o - 1)});
    pen->SetColor(Down ? clBlack : HighLight);
    Canvas->Polyline({TPoint(o + 1, y - o), TPoint(o + 1, o + 1), TPoint(x - o, o + 1)});
    pen->SetColor(Down ? HighLight : clBlack);
    Canvas->Polyline({TPoint(x - o, o), TPoint(x - o, y - o), TPoint(o, y - o)});
}

namespace {

// Step i of n from start by delta, per channel; no steps stay at the start.
COLORREF Step(COLORREF start, COLORREF end, int i, int n) {
    if (n == 0) return start;
    auto channel = [&](int shift) {
        const int s = static_cast<int>((start >> shift) & 0xFF);
        const int d = static_cast<int>((end >> shift) & 0xFF) - s;
        return static_cast<COLORREF>(std::clamp(s + MulDiv(i, d, n), 0, 255)) << shift;
    };
    return channel(0) | channel(8) | channel(16);
}

} // namespace

void PaintGradientFace(TCanvas* Canvas, int Width, int Height, bool Down, gradType FillType, TColor Color,
                       TColor EndColor, int Bands) {
    const COLORREF start = ColorToRGB(Color);
    const COLORREF end = ColorToRGB(EndColor);
    const int x = Width - 1;
    const int y = Height - 1;
    const int o = Down ? 1 : 0;
    TBrush* brush = Canvas->Brush();
    brush->SetStyle(bsSolid);
    auto fill = [&](COLORREF color, int left, int top, int right, int bottom) {
        if (right <= left || bottom <= top) return; // the rings can shrink past the centre
        brush->SetColor(static_cast<TColor>(color));
        Canvas->FillRect(TRect(left, top, right, bottom));
    };
    const bool gradient = FillType == gVert || FillType == gHorz || FillType == gCenter;
    if (start == end || !gradient) {
        fill(start, 0, 0, Width, Height);
        return;
    }
    if (FillType == gVert || FillType == gHorz) {
        for (int i = 0; i <= Bands; ++i) {
            const COLORREF c = Step(start, end, i, Bands);
            if (FillType == gVert) {
                const int from = MulDiv(i, y, Bands + 1);
                const int to = MulDiv(i + 1, y, Bands + 1);
                fill(c, o, o + from, o + x, o + to);
            } else {
                const int from = MulDiv(i, x, Bands + 1);
                const int to = MulDiv(i + 1, x, Bands + 1);
                fill(c, o + from, o, o + to, o + y);
            }
        }
        return;
    }
    TRect r(o + 1, o + 1, o + Width - 1, o + Height - 1);
    const int n = std::min({Bands, x / 2, y / 2});
    if (n <= 0) {
        fill(start, r.Left, r.Top, r.Right, r.Bottom);
        return;
    }
    const int dx = std::max(1, (x / 2) / n);
    const int dy = std::max(1, (y / 2) / n);
    for (int i = 0; i <= n; ++i) {
        const COLORREF c = Step(start, end, i, n);
        if (i < n) {
            fill(c, r.Left, r.Top, r.Right, r.Top + dy);
            fill(c, r.Left, r.Top, r.Left + dx, r.Bottom);
            fill(c, r.Left, r.Bottom - dy, r.Right, r.Bottom);
            fill(c, r.Right - dx, r.Top, r.Right, r.Bottom);
        } else {
            fill(c, r.Left, r.Top, r.Right, r.Bottom);
        }
        r = TRect(r.Left + dx, r.Top + dy, r.Right - dx, r.Bottom - dy);
    }
}

namespace {

// Slot (1-based) of the strip into image.
void CopySlot(TBitmap* glyph, int slot, int w, TBitmap* image) {
    image->SetPixelFormat(pf24bit);
    image->SetSize(w, glyph->Height());
    image->Canvas()->CopyRect(TRect(0, 0, w, glyph->Height()), glyph->Canvas(),
                              TRect((slot - 1) * w, 0, slot * w, glyph->Height()));
}

// The up image pressed into the face: a two-colour mask of it (white stays white, every other
// colour turns black) brushed where it is black, in highlight one pixel down and right, then in
// shadow in place.
void Emboss(TBitmap* up, TColor face, TBitmap* disabled) {
    const int w = up->Width();
    const int h = up->Height();
    disabled->SetPixelFormat(pf24bit);
    disabled->SetSize(w, h);
    TCanvas* canvas = disabled->Canvas();
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(face);
    canvas->FillRect(TRect(0, 0, w, h));

    HDC source = up->Canvas()->Handle();
    HDC maskDC = CreateCompatibleDC(nullptr);
    HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
    HGDIOBJ old = SelectObject(maskDC, mask);
    SetBkColor(source, 0xFFFFFF);
    BitBlt(maskDC, 0, 0, w, h, source, 0, 0, SRCCOPY);

    for (int pass = 0; pass < 2; ++pass) {
        canvas->Brush()->SetColor(pass == 0 ? clBtnHighlight : clBtnShadow);
        HDC dc = canvas->Handle();
        // Black mask bits meet the text colour: all ones lets the brush through.
        SetTextColor(dc, 0xFFFFFF);
        SetBkColor(dc, 0x000000);
        BitBlt(dc, 1 - pass, 1 - pass, w, h, maskDC, 0, 0, 0xE20746);
    }
    SelectObject(maskDC, old);
    DeleteObject(mask);
    DeleteDC(maskDC);
}

} // namespace

void SplitBitmap(TBitmap* Glyph, int NumGlyphs, TColor Face, const TGlyphImages& Images) {
    TBitmap* all[] = {Images.Up, Images.Down, Images.Disabled, Images.Hot};
    const int n = std::clamp(NumGlyphs, 1, 4);
    if (!Glyph || Glyph->Empty() || Glyph->Width() / n == 0) {
        for (TBitmap* b : all)
            if (b) b->SetSize(0, 0);
        return;
    }
    const int w = Glyph->Width() / n;
    CopySlot(Glyph, 1, w, Images.Up);
    CopySlot(Glyph, n >= 3 ? 3 : 1, w, Images.Down);
    if (n == 1)
        Emboss(Images.Up, Face, Images.Disabled);
    else
        CopySlot(Glyph, 2, w, Images.Disabled);
    if (Images.Hot) CopySlot(Glyph, n == 4 ? 4 : 1, w, Images.Hot);
}

void FillIcons(TIcon* Enabled, TIcon* Disabled, TIcon* Down) {
    auto fill = [](TIcon* target, TIcon* source) {
        if (target->Empty() && !source->Empty()) target->Assign(source);
    };
    fill(Disabled, Enabled);
    fill(Down, Enabled);
    fill(Enabled, Disabled);
    fill(Down, Disabled);
    fill(Disabled, Down);
    fill(Enabled, Down);
}
