#include "visual_controls/LuxGradient.h"

#include "platform/ui/Filer.h"
#include "platform/ui/TypInfo.h"

#include <algorithm>
#include <cstdint>
#include <string>

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
