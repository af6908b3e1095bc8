#include "visual_controls/LuxGradient.h"

#include "platform/gdi/Region.h"
#include "platform/ui/Filer.h"
#include "platform/ui/TypInfo.h"
#include "visual_controls/Luxclass.h"
#include "visual_controls/luxsysin.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

namespace {

inline constexpr COLORREF kPaletteRelative = 0x02000000;

BYTE Channel(TColor c, int shift) {
    return static_cast<BYTE>(static_cast<std::uint32_t>(c) >> shift);
}

} // namespace

TRect LuxOffsetRect(const TRect& Rect, int Offset) {
    const auto packed = static_cast<std::uint32_t>(Offset);
    const int dx = static_cast<int>(packed & 0xFFFF);
    const int dy = static_cast<int>(packed >> 16);
    return TRect(Rect.Left + dx, Rect.Top + dy, Rect.Right + dx, Rect.Bottom + dy);
}

TColor LuxGradientGetColor(TColor Color1, TColor Color2, int Index, int Count) {
    if (Count == 0) return static_cast<TColor>(RGB(Channel(Color1, 0), Channel(Color1, 8), Channel(Color1, 16)));
    auto step = [&](int shift) {
        const double c1 = Channel(Color1, shift);
        const double c2 = Channel(Color2, shift);
        return static_cast<BYTE>(static_cast<int>(std::trunc(c1 + (c2 - c1) * Index / Count)));
    };
    return static_cast<TColor>(RGB(step(0), step(8), step(16)));
}

void LuxGradientCreateColorList(TColor Color1, TColor Color2, BYTE Count, TList* List, bool Clear) {
    if (!List || Count == 0) return;
    if (Clear) List->Clear();
    const COLORREF c1 = ColorToRGB(Color1);
    const COLORREF c2 = ColorToRGB(Color2);
    const int r1 = GetRValue(c1), g1 = GetGValue(c1), b1 = GetBValue(c1);
    const int r2 = GetRValue(c2), g2 = GetGValue(c2), b2 = GetBValue(c2);
    // One colour is the first: there is no step to divide.
    auto step = [&](int i, int from, int to) {
        return static_cast<BYTE>(Count > 1 ? from + MulDiv(i, to - from, Count - 1) : from);
    };
    for (int i = Clear ? 0 : 1; i < Count; ++i)
        LuxListAddColor(*List, RGB(step(i, r1, r2), step(i, g1, g2), step(i, b1, b2)));
}

HPALETTE LuxGradientCreatePalette(const TList* List) {
    if (!List || List->Count() == 0) return nullptr;
    const int count = std::min(List->Count(), 0xFFFF);
    std::vector<std::uint32_t> block((sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * static_cast<std::size_t>(count)) /
                                         sizeof(std::uint32_t) +
                                     1);
    auto* palette = reinterpret_cast<LOGPALETTE*>(block.data());
    palette->palVersion = 0x300;
    palette->palNumEntries = static_cast<WORD>(count);
    for (int i = 0; i < count; ++i) {
        const COLORREF c = LuxListColor(*List, i);
        palette->palPalEntry[i] = PALETTEENTRY{GetRValue(c), GetGValue(c), GetBValue(c), 4};
    }
    return CreatePalette(palette);
}

void LuxGradientPaintExt(TCanvas* Canvas, const TRect& Rect, TLuxGradientStyle Style, const TList* List,
                         HPALETTE Palette, WORD Flags, int Offset) {
    if (!Canvas || !List || List->Count() == 0 || Rect.Right <= Rect.Left || Rect.Bottom <= Rect.Top) return;
    const int n = List->Count();
    const int W = Rect.Right - Rect.Left;
    const int H = Rect.Bottom - Rect.Top;
    bool usePalette = (Flags & LuxGradientPalette) != 0 && Palette;
    if (LuxApplication && LuxApplication->Options.Contains(aoAutoRealizePalette) && LuxSIColorDepth() <= 8)
        usePalette = false;

    TRect B;
    switch (Style) {
    case gstHorizontal:
    case gstVertical: B = TRect(0, 0, W, H); break;
    case gstSquare:
    case gstElliptic: B = TRect(W / 2, H / 2, W / 2, H / 2); break;
    case gstTopLeft:
    case gstTopLeftDiagonal: B = TRect(0, 0, 1, 1); break;
    case gstTopRight: B = TRect(W, 1, W + 1, 0); break;
    case gstBottomLeft: B = TRect(1, H, 0, H + 1); break;
    case gstBottomRight: B = TRect(W, H, W + 1, H + 1); break;
    case gstTopRightDiagonal: B = TRect(W, 0, W + 1, 0); break;
    }

    std::unique_ptr<TBitmap> offscreen;
    std::optional<ClipScope> clip;
    TCanvas* c = Canvas;
    if (Flags & LuxGradientBitmap) {
        offscreen = std::make_unique<TBitmap>();
        offscreen->SetSize(W, H);
        c = offscreen->Canvas();
    } else {
        if (Flags & LuxGradientClip) {
            clip.emplace(Canvas->Handle());
            clip->Intersect(Offset == 0 ? Rect : LuxOffsetRect(Rect, Offset));
        }
        B = TRect(B.Left + Rect.Left, B.Top + Rect.Top, B.Right + Rect.Left, B.Bottom + Rect.Top);
    }
    if (usePalette) {
        SelectPalette(c->Handle(), Palette, FALSE);
        RealizePalette(c->Handle());
    }
    c->Brush()->SetStyle(bsSolid);
    c->Pen()->SetStyle(psClear);
    auto color = [&](int i) {
        COLORREF rgb = LuxListColor(*List, i);
        if (usePalette) rgb |= kPaletteRelative;
        return static_cast<TColor>(rgb);
    };

    if (Style == gstHorizontal) {
        for (int i = 0; i < n; ++i) {
            c->Brush()->SetColor(color(i));
            c->FillRect(TRect(B.Left + MulDiv(i, W, n), B.Top, B.Left + MulDiv(i + 1, W, n), B.Bottom));
        }
    } else {
        for (int i = n - 1; i >= 0; --i) {
            const int k = i + 1;
            const int x = MulDiv(k, W, n);
            const int y = MulDiv(k, H, n);
            c->Brush()->SetColor(color(i));
            switch (Style) {
            case gstVertical:
                c->FillRect(TRect(B.Left, B.Top + MulDiv(i, H, n), B.Right, B.Top + MulDiv(k, H, n)));
                break;
            case gstSquare:
                c->Rectangle(B.Left - x / 2, B.Top - y / 2, B.Left + x / 2 + 2, B.Top + y / 2 + 2);
                break;
            case gstElliptic: {
                const int a = static_cast<int>(std::lround(x / 1.4));
                const int b = static_cast<int>(std::lround(y / 1.4));
                c->Ellipse(B.Left - a, B.Top - b, B.Left + a, B.Top + b);
                break;
            }
            case gstTopLeft: c->Rectangle(B.Left, B.Top, B.Right + x, B.Bottom + y); break;
            case gstTopRight: c->Rectangle(B.Left - x, B.Top + y, B.Right, B.Bottom); break;
            case gstBottomLeft: c->Rectangle(B.Left + x, B.Top - y, B.Right, B.Bottom); break;
            case gstBottomRight: c->Rectangle(B.Left - x, B.Top - y, B.Right, B.Bottom); break;
            case gstTopLeftDiagonal:
                c->Polygon({TPoint(B.Left, B.Top), TPoint(B.Left + 2 * x, B.Top), TPoint(B.Left, B.Bottom + 2 * y),
                            TPoint(B.Left - 2 * x, B.Bottom + 2 * y)});
                break;
            case gstTopRightDiagonal:
                c->Polygon({TPoint(B.Right, B.Top), TPoint(B.Right - 2 * x, B.Top), TPoint(B.Right, B.Bottom + 2 * y),
                            TPoint(B.Right + 2 * x, B.Bottom + 2 * y)});
                break;
            case gstHorizontal: break;
            }
        }
    }
    if (usePalette) {
        SelectPalette(Canvas->Handle(), Palette, FALSE);
        RealizePalette(Canvas->Handle());
    }
    if (offscreen) Canvas->Draw(Rect.Left, Rect.Top, offscreen.get());
}

void LuxGradientPaint(TCanvas* Canvas, const TRect& Rect, TColor Color1, TColor Color2, BYTE ColorCount,
                      TLuxGradientStyle Style, WORD Flags, int Offset) {
    TList list;
    LuxGradientCreateColorList(Color1, Color2, ColorCount, &list, true);
    HPALETTE palette = (Flags & LuxGradientPalette) ? LuxGradientCreatePalette(&list) : nullptr;
    try {
        LuxGradientPaintExt(Canvas, Rect, Style, &list, palette, Flags, Offset);
    } catch (...) {
        if (palette) DeleteObject(palette);
        throw;
    }
    if (palette) DeleteObject(palette);
}

void LuxSuperGradientPaint(TCanvas* Canvas, const TRect& Rect, const TColor* Colors, int ColorsCount,
                           BYTE ColorCount, TLuxGradientStyle Style, WORD Flags, int Offset) {
    const int h = ColorsCount - 1;
    if (!Colors || h < 1) return;
    TList list;
    for (int i = 0; i < h; ++i)
        LuxGradientCreateColorList(Colors[i], Colors[i + 1], static_cast<BYTE>(ColorCount / h), &list, false);
    LuxGradientPaintExt(Canvas, Rect, Style, &list, nullptr, Flags, Offset);
}

// --- TLuxGradient ------------------------------------------------------------------------------------

TLuxGradient::TLuxGradient() {
    InitPalette();
}

TLuxGradient::~TLuxGradient() {
    DestroyPalette();
}

void TLuxGradient::DestroyPalette() {
    if (palette_ && DeleteObject(palette_)) palette_ = nullptr;
    gradientColors_.Clear();
}

void TLuxGradient::InitPalette() {
    DestroyPalette();
    if (twoColors_) {
        LuxGradientCreateColorList(color_, endColor_, static_cast<BYTE>(colorCount_), &gradientColors_, true);
    } else if (colors_.Count() >= 2) {
        const int stops = colors_.Count();
        const auto n = static_cast<BYTE>(colorCount_ / stops);
        auto stop = [&](int i) { return static_cast<TColor>(LuxListColor(colors_, i)); };
        LuxGradientCreateColorList(stop(0), stop(1), n, &gradientColors_, true);
        for (int i = 1; i <= stops - 2; ++i) LuxGradientCreateColorList(stop(i), stop(i + 1), n, &gradientColors_, false);
    }
    if (paletteRealize_) {
        if (palette_) DeleteObject(palette_);
        palette_ = LuxGradientCreatePalette(&gradientColors_);
    }
}

void TLuxGradient::Change() {
    InitPalette();
    TLuxObject::Change();
}

void TLuxGradient::SetColor(TColor Value) {
    if (color_ == Value) return;
    color_ = Value;
    Change();
}

void TLuxGradient::SetEndColor(TColor Value) {
    if (endColor_ == Value) return;
    endColor_ = Value;
    Change();
}

void TLuxGradient::SetColorCount(int Value) {
    Value = std::clamp(Value, MinColorCount, MaxColorCount);
    if (colorCount_ == Value) return;
    colorCount_ = Value;
    Change();
}

void TLuxGradient::SetStyle(TLuxGradientStyle Value) {
    if (style_ == Value) return;
    style_ = Value;
    Change();
}

void TLuxGradient::SetPaletteRealize(bool Value) {
    if (paletteRealize_ == Value) return;
    paletteRealize_ = Value;
    Change();
}

void TLuxGradient::SetTwoColors(bool Value) {
    if (twoColors_ == Value) return;
    twoColors_ = Value;
    Change();
}

void TLuxGradient::SetColors(const TList* List) {
    if (!List) return;
    colors_.Clear();
    for (int i = 0; i < List->Count(); ++i) colors_.Add(List->Items(i));
}

void TLuxGradient::PaintGradient(TCanvas* Canvas, const TRect& Rect) {
    LuxGradientPaintExt(Canvas, Rect, style_, &gradientColors_, palette_, paletteRealize_ ? LuxGradientPalette : 0,
                        0);
}

void TLuxGradient::SetRealPalette(TCanvas* Canvas) {
    if (!paletteRealize_) return;
    SelectPalette(Canvas->Handle(), palette_, FALSE);
    RealizePalette(Canvas->Handle());
}

void TLuxGradient::Assign(const TPersistent* Source) {
    if (const auto* g = dynamic_cast<const TLuxGradient*>(Source)) {
        if (g == this) return;
        BeginUpdate();
        colorCount_ = g->colorCount_;
        color_ = g->color_;
        style_ = g->style_;
        endColor_ = g->endColor_;
        paletteRealize_ = g->paletteRealize_;
        twoColors_ = g->twoColors_;
        SetColors(&g->colors_);
        EndUpdate(true);
        return;
    }
    TLuxObject::Assign(Source);
}

void TLuxGradient::DefineProperties(TFiler* Filer) {
    Filer->DefineProperty(
        "ColorList",
        [this](TReader* r) {
            // The stops read are appended to those already there.
            BeginUpdate();
            try {
                r->ReadListBegin();
                while (!r->EndOfList())
                    colors_.Add(reinterpret_cast<void*>(static_cast<std::uintptr_t>(static_cast<std::uint32_t>(
                        r->ReadInteger()))));
                r->ReadListEnd();
            } catch (...) {
                update_ = false;
                throw;
            }
            EndUpdate(true);
        },
        [this](TWriter* w) {
            w->WriteListBegin();
            for (int i = 0; i < colors_.Count(); ++i) w->WriteInteger(static_cast<TColor>(LuxListColor(colors_, i)));
            w->WriteListEnd();
        },
        colors_.Count() > 0);
}

std::string TLuxGradient::GetSetStr() {
    static const char* const kStyles[] = {"horizontal", "vertical",     "square",       "elliptic",
                                          "top left",   "top right",    "bottom left",  "bottom right",
                                          "top left diag", "top right diag"};
    return std::string(kStyles[style_]) + ", Col: " + std::to_string(colorCount_) +
           (twoColors_ ? ", 2 col mode" : ", mult. col mode");
}

namespace {

const bool kPublished = [] {
    using namespace published;
    PublishProperties<TLuxGradient>({
        Property<TLuxGradient>(
            "Color", [](const TLuxGradient& g) { return g.Color(); }, [](TLuxGradient& g, TColor v) { g.SetColor(v); },
            0xFF0000),
        Property<TLuxGradient>(
            "ColorCount", [](const TLuxGradient& g) { return g.ColorCount(); },
            [](TLuxGradient& g, int v) { g.SetColorCount(v); }, 16),
        Property<TLuxGradient>(
            "Style", [](const TLuxGradient& g) { return g.Style(); },
            [](TLuxGradient& g, TLuxGradientStyle v) { g.SetStyle(v); }, gstVertical),
        Property<TLuxGradient>(
            "EndColor", [](const TLuxGradient& g) { return g.EndColor(); },
            [](TLuxGradient& g, TColor v) { g.SetEndColor(v); }, 0),
        Property<TLuxGradient>(
            "PaletteRealize", [](const TLuxGradient& g) { return g.PaletteRealize(); },
            [](TLuxGradient& g, bool v) { g.SetPaletteRealize(v); }, 0),
        Property<TLuxGradient>(
            "TwoColors", [](const TLuxGradient& g) { return g.TwoColors(); },
            [](TLuxGradient& g, bool v) { g.SetTwoColors(v); }, 1),
    });
    return true;
}();

} // namespace
