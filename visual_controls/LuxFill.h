// How the library's controls fill an area: not at all, with a brush pattern bitmap, a brush, a
// bitmap, a bitmap taken from an image list, or a gradient.
#pragma once

#include "platform/ui/Graphics.h"
#include "visual_controls/LuxGradient.h"
#include "visual_controls/Luxbase.h"
#include "visual_controls/Luxgraph.h"

#include <cstdint>
#include <string>

enum TLuxFillStyle : std::uint8_t { sfNone, sfBrushBitmap, sfBrush, sfBitmap, sfBitmapList, sfGradient };
enum TLuxTileMode : std::uint8_t { tmNone, tmCenter, tmStretch, tmTile };
enum TLuxFillOption : std::uint8_t { foFillInner, foQuickDraw, foGrUseBitmap };
using TLuxFillOptions = TSet<TLuxFillOption>;

class TLuxShapeFill : public TLuxObject {
public:
    TLuxShapeFill();
    ~TLuxShapeFill() override;
    TLuxShapeFill(const TLuxShapeFill&) = delete;
    TLuxShapeFill& operator=(const TLuxShapeFill&) = delete;

    // Copies Bitmap, ListBitmap, Gradient, Style and TileMode and notifies once.
    void Assign(const TPersistent* Source) override;
    std::string GetSetStr() override;

    TBitmap* Bitmap() const { return bitmap_; }
    void SetBitmap(const TBitmap* Value) { bitmap_->Assign(Value); }
    // Filled from an image list by the owner; changes to it notify nobody.
    TBitmap* ListBitmap() const { return listBitmap_; }
    void SetListBitmap(const TBitmap* Value) { listBitmap_->Assign(Value); }
    TLuxGradient* Gradient() const { return gradient_; }
    void SetGradient(const TLuxGradient* Value) { gradient_->Assign(Value); }
    TLuxFillStyle Style() const { return style_; }
    void SetFillStyle(TLuxFillStyle Value);
    TLuxTileMode TileMode() const { return tileMode_; }
    void SetTileMode(TLuxTileMode Value);

    // The bitmap the style paints with (Bitmap or ListBitmap), else nullptr.
    TBitmap* GetBitmap() const;
    // Nothing would be painted: no style, or a bitmap style with an empty bitmap.
    bool GetEmpty() const;
    // The fill depends on the area's size, so a resized area must be painted again.
    bool GetMustRedraw() const;
    // The gradient's palette for a gradient fill; bitmaps here are true-colour and carry none.
    HPALETTE GetPalette() const;

protected:
    TLuxFillStyle style_ = sfBrush;

private:
    TBitmap* bitmap_;
    TLuxGradient* gradient_;
    TLuxTileMode tileMode_ = tmTile;
    TBitmap* listBitmap_;
};

// A shape fill that also carries a brush, the placement of an unscaled bitmap and options, and
// paints itself onto a canvas.
class TLuxFillObject : public TLuxShapeFill {
public:
    TLuxFillObject();
    ~TLuxFillObject() override;
    TLuxFillObject(const TLuxFillObject&) = delete;
    TLuxFillObject& operator=(const TLuxFillObject&) = delete;

    // From another fill object: brush, options, bitmaps, gradient, style and tile mode in one
    // notification (alignment and offsets stay).
    void Assign(const TPersistent* Source) override;

    TLuxAlignment Alignment() const { return alignment_; }
    void SetAlignment(TLuxAlignment Value);
    int OffsetX() const { return offsetX_; }
    int OffsetY() const { return offsetY_; }
    // Index 0 OffsetX, 1 OffsetY.
    void SetInteger(int Index, int Value);
    TBrush* Brush() const { return brush_; }
    void SetBrush(const TBrush* Value) { brush_->Assign(Value); }
    TLuxFillOptions Options() const { return options_; }
    void SetOptions(TLuxFillOptions Value);

    // The fill leaves parts of the area unpainted.
    bool GetTransparent() const;
    // Fills Rect on Canvas, Color being the background behind it; whether the area was filled.
    bool FillCanvas(TCanvas* Canvas, const TRect& Rect, TColor Color);
    // As FillCanvas, clipped (within the canvas's own clip) to Rect, or to Rect moved by a non-zero
    // Offset (x in the low word, y in the high word, both unsigned).
    bool ClipFill(TCanvas* Canvas, const TRect& Rect, TColor Color, int Offset);

private:
    // Offsets and alignment show only for an unscaled, untiled bitmap.
    bool PlacementShows() const;
    void FillBackground(TCanvas* Canvas, const TRect& Rect, TColor Color) const;
    bool FillBitmap(TCanvas* Canvas, const TRect& Rect, TColor Color);

    TLuxAlignment alignment_ = agTopLeft;
    int offsetX_ = 0;
    int offsetY_ = 0;
    TBrush* brush_;
    TLuxFillOptions options_{foFillInner, foGrUseBitmap};
};
