// Colour gradients: colour lists between two colours, palettes of them, and the painting of bands,
// squares, ellipses, corners and diagonals in those colours; TLuxGradient, the settings object that
// keeps a computed colour list (and on request a palette) for the controls that paint with it.
#pragma once

#include "platform/gdi/Gdi.h"
#include "platform/rtl/Lists.h"
#include "platform/ui/Graphics.h"
#include "visual_controls/Luxbase.h"

#include <cstdint>

enum TLuxGradientStyle : std::uint8_t {
    gstHorizontal,
    gstVertical,
    gstSquare,
    gstElliptic,
    gstTopLeft,
    gstTopRight,
    gstBottomLeft,
    gstBottomRight,
    gstTopLeftDiagonal,
    gstTopRightDiagonal
};

// Flags of the painting routines.
inline constexpr WORD LuxGradientClip = 0x0001;    // clip to the rectangle (moved by Offset)
inline constexpr WORD LuxGradientBitmap = 0x0004;  // paint off screen, then draw the result
inline constexpr WORD LuxGradientPalette = 0x1000; // select and realize the palette

// The colour lists hold RGB values as list entries.
inline COLORREF LuxListColor(const TList& list, int index) {
    return static_cast<COLORREF>(reinterpret_cast<std::uintptr_t>(list.Items(index)));
}
inline void LuxListAddColor(TList& list, COLORREF color) {
    list.Add(reinterpret_cast<void*>(static_cast<std::uintptr_t>(color)));
}

// Per channel Color1 + (Color2 - Color1) * Index / Count, truncated; the colours are taken as they
// are (system colours are not resolved). Count 0 gives Color1.
TColor LuxGradientGetColor(TColor Color1, TColor Color2, int Index, int Count);
// Appends Count colours from Color1 to Color2 (emptying List first when Clear); an appended segment
// (Clear false) skips its first colour, which ends the segment before. One colour is Color1.
void LuxGradientCreateColorList(TColor Color1, TColor Color2, BYTE Count, TList* List, bool Clear);
// A palette of the list's colours; nullptr for a missing or empty list.
HPALETTE LuxGradientCreatePalette(const TList* List);
// Offset packs x (low word) and y (high word), both unsigned, by which a clip moves the rectangle.
void LuxGradientPaintExt(TCanvas* Canvas, const TRect& Rect, TLuxGradientStyle Style, const TList* List,
                         HPALETTE Palette, WORD Flags, int Offset);
void LuxGradientPaint(TCanvas* Canvas, const TRect& Rect, TColor Color1, TColor Color2, BYTE ColorCount,
                      TLuxGradientStyle Style, WORD Flags, int Offset);
// Segments of ColorCount div (stops - 1) colours between neighbouring stops, each skipping its first
// colour; fewer than two stops paint nothing.
void LuxSuperGradientPaint(TCanvas* Canvas, const TRect& Rect, const TColor* Colors, int ColorsCount,
                           BYTE ColorCount, TLuxGradientStyle Style, WORD Flags, int Offset);

// The rectangle moved by a packed offset (x in the low word, y in the high word, both unsigned).
TRect LuxOffsetRect(const TRect& Rect, int Offset);

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
