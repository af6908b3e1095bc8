// TLuxGradient, the settings object that keeps a computed colour list (and on request a palette)
// for the controls that paint gradients; the gradient routines it drives are Luxutils'.
#pragma once

#include "platform/gdi/Gdi.h"
#include "platform/rtl/Lists.h"
#include "platform/ui/Graphics.h"
#include "visual_controls/Luxbase.h"
#include "visual_controls/Luxutils.h"

#include <cstdint>

class TLuxGradient : public TLuxObject {
public:
    static constexpr int MinColorCount = 2;
    static constexpr int MaxColorCount = 236;

    TLuxGradient();
    ~TLuxGradient() override;
    TLuxGradient(const TLuxGradient&) = delete;
    TLuxGradient& operator=(const TLuxGradient&) = delete;

    // Rebuilds the colour list (and palette) on every change, also within an update; OnChange waits
    // for the update's end.
    void Change() override;
    std::string GetSetStr() override;
    void DefineProperties(TFiler* Filer) override;
    void Assign(const TPersistent* Source) override;

    TColor Color() const { return color_; }
    void SetColor(TColor Value);
    TColor EndColor() const { return endColor_; }
    void SetEndColor(TColor Value);
    int ColorCount() const { return colorCount_; }
    // Kept within 2..236.
    void SetColorCount(int Value);
    TLuxGradientStyle Style() const { return style_; }
    void SetStyle(TLuxGradientStyle Value);
    bool PaletteRealize() const { return paletteRealize_; }
    void SetPaletteRealize(bool Value);
    bool TwoColors() const { return twoColors_; }
    void SetTwoColors(bool Value);

    // The computed colours (RGB values).
    const TList& GradientColors() const { return gradientColors_; }
    // The stops of multi-colour mode.
    const TList& Colors() const { return colors_; }
    // Replaces the stops; the colour list follows them at the next change. A missing list changes
    // nothing.
    void SetColors(const TList* List);
    HPALETTE Palette() const { return palette_; }

    void InitPalette();
    void DestroyPalette();
    void PaintGradient(TCanvas* Canvas, const TRect& Rect);
    void SetRealPalette(TCanvas* Canvas);

private:
    int colorCount_ = 16;
    TColor color_ = 0xFF0000;
    TList gradientColors_;
    TColor endColor_ = 0;
    bool paletteRealize_ = false;
    HPALETTE palette_ = nullptr;
    TLuxGradientStyle style_ = gstVertical;
    TList colors_;
    bool twoColors_ = true;
};
