// How the library's controls fill an area: not at all, with a brush pattern bitmap, a brush, a
// bitmap, a bitmap taken from an image list, or a gradient.
#pragma once

#include "platform/ui/Graphics.h"
#include "visual_controls/LuxGradient.h"
#include "visual_controls/Luxbase.h"

#include <cstdint>
#include <string>

enum TLuxFillStyle : std::uint8_t { sfNone, sfBrushBitmap, sfBrush, sfBitmap, sfBitmapList, sfGradient };
enum TLuxTileMode : std::uint8_t { tmNone, tmCenter, tmStretch, tmTile };

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
