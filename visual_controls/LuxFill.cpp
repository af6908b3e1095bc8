#include "visual_controls/LuxFill.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Region.h"
#include "platform/ui/TypInfo.h"
#include "visual_controls/Luxbmpdraw.h"
#include "visual_controls/Luxutils.h"
#include "visual_controls/luxsysin.h"

#include <memory>
#include <optional>

TLuxShapeFill::TLuxShapeFill() : bitmap_(new TBitmap), gradient_(new TLuxGradient), listBitmap_(new TBitmap) {
    bitmap_->OnChange = TNotifyEvent::Bind<&TLuxShapeFill::GetChange>(this);
    gradient_->OnChange = TNotifyEvent::Bind<&TLuxShapeFill::GetChange>(this);
}

TLuxShapeFill::~TLuxShapeFill() {
    bitmap_->OnChange = nullptr;
    gradient_->OnChange = nullptr;
    delete listBitmap_;
    delete gradient_;
    delete bitmap_;
}

void TLuxShapeFill::Assign(const TPersistent* Source) {
    if (const auto* fill = dynamic_cast<const TLuxShapeFill*>(Source)) {
        if (fill == this) return;
        BeginUpdate();
        try {
            bitmap_->Assign(fill->bitmap_);
            listBitmap_->Assign(fill->listBitmap_);
            gradient_->Assign(fill->gradient_);
        } catch (...) {
            update_ = false;
            throw;
        }
        style_ = fill->style_;
        tileMode_ = fill->tileMode_;
        EndUpdate(true);
        return;
    }
    TLuxObject::Assign(Source);
}

std::string TLuxShapeFill::GetSetStr() {
    switch (style_) {
    case sfNone:
        return "{Disabled}";
    case sfBrush:
        return "{Brush}";
    case sfBitmap:
        return "{Bitmap}";
    case sfBitmapList:
        return "{BitmapList}";
    case sfGradient:
        return "{Gradient}";
    case sfBrushBitmap:
        break;
    }
    return "{}";
}

void TLuxShapeFill::SetFillStyle(TLuxFillStyle Value) {
    if (style_ == Value) return;
    style_ = Value;
    Change();
}

void TLuxShapeFill::SetTileMode(TLuxTileMode Value) {
    if (tileMode_ == Value) return;
    tileMode_ = Value;
    Change();
}

TBitmap* TLuxShapeFill::GetBitmap() const {
    if (style_ == sfBitmap) return bitmap_;
    if (style_ == sfBitmapList) return listBitmap_;
    return nullptr;
}

bool TLuxShapeFill::GetEmpty() const {
    switch (style_) {
    case sfNone:
        return true;
    case sfBitmap:
    case sfBitmapList:
        return GetBitmap()->Empty();
    default:
        return false;
    }
}

bool TLuxShapeFill::GetMustRedraw() const {
    switch (style_) {
    case sfBrushBitmap:
    case sfBrush:
        return false;
    case sfBitmap:
    case sfBitmapList:
        return tileMode_ != tmTile;
    default:
        return true;
    }
}

HPALETTE TLuxShapeFill::GetPalette() const {
    return style_ == sfGradient ? gradient_->Palette() : nullptr;
}

// --- TLuxFillObject --------------------------------------------------------------------------------

TLuxFillObject::TLuxFillObject() : brush_(new TBrush) {
    brush_->OnChange = TNotifyEvent::Bind<&TLuxFillObject::GetChange>(this);
    BeginUpdate();
    SetFillStyle(sfNone);
    EndUpdate(false);
}

TLuxFillObject::~TLuxFillObject() {
    brush_->OnChange = nullptr;
    delete brush_;
}

void TLuxFillObject::Assign(const TPersistent* Source) {
    const auto* fill = dynamic_cast<const TLuxFillObject*>(Source);
    if (!fill) {
        TLuxShapeFill::Assign(Source);
        return;
    }
    if (fill == this) return;
    BeginUpdate();
    try {
        brush_->Assign(fill->brush_);
        options_ = fill->options_;
        Bitmap()->Assign(fill->Bitmap());
        ListBitmap()->Assign(fill->ListBitmap());
        Gradient()->Assign(fill->Gradient());
        SetFillStyle(fill->Style());
        SetTileMode(fill->TileMode());
    } catch (...) {
        update_ = false;
        throw;
    }
    EndUpdate(true);
}

bool TLuxFillObject::PlacementShows() const {
    return (style_ == sfBitmap || style_ == sfBitmapList) && TileMode() == tmNone;
}

void TLuxFillObject::SetAlignment(TLuxAlignment Value) {
    if (alignment_ == Value) return;
    alignment_ = Value;
    if (PlacementShows()) Change();
}

void TLuxFillObject::SetInteger(int Index, int Value) {
    int& field = Index == 0 ? offsetX_ : offsetY_;
    if (field == Value) return;
    field = Value;
    if (PlacementShows()) Change();
}

void TLuxFillObject::SetOptions(TLuxFillOptions Value) {
    if (options_ == Value) return;
    options_ = Value;
    Change();
}

bool TLuxFillObject::GetTransparent() const {
    const bool inner = options_.Contains(foFillInner);
    switch (style_) {
    case sfNone:
        return true;
    case sfBrush:
        return brush_->Style() != bsSolid && !inner;
    case sfBitmap:
    case sfBitmapList:
        return (TileMode() == tmNone || TileMode() == tmCenter) && !inner;
    default:
        return false;
    }
}

void TLuxFillObject::FillBackground(TCanvas* Canvas, const TRect& Rect, TColor Color) const {
    if (!options_.Contains(foFillInner)) return;
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(Color);
    Canvas->FillRect(Rect);
}

bool TLuxFillObject::FillBitmap(TCanvas* Canvas, const TRect& Rect, TColor Color) {
    TBitmap* bitmap = GetBitmap();
    if (bitmap->Empty()) {
        FillBackground(Canvas, Rect, Color);
        return false;
    }
    unsigned short flags = options_.Contains(foQuickDraw) ? 0 : LuxBmpPalette;
    switch (TileMode()) {
    case tmNone: {
        FillBackground(Canvas, Rect, Color);
        TRect r = LuxAlignRect(alignment_, TRect(0, 0, bitmap->Width(), bitmap->Height()), Rect);
        r = TRect(r.Left + offsetX_, r.Top + offsetY_, r.Right + offsetX_, r.Bottom + offsetY_);
        LuxBmpDraw(Canvas, r, bitmap, flags, 0);
        break;
    }
    case tmCenter:
        FillBackground(Canvas, Rect, Color);
        LuxBmpDraw(Canvas, Rect, bitmap, flags | LuxBmpCenter, 0);
        break;
    case tmStretch:
        LuxBmpDraw(Canvas, Rect, bitmap, flags | LuxBmpStretch, 0);
        break;
    case tmTile:
        LuxBmpDraw(Canvas, Rect, bitmap, flags | LuxBmpTile, 0);
        break;
    }
    return true;
}

bool TLuxFillObject::FillCanvas(TCanvas* Canvas, const TRect& Rect, TColor Color) {
    switch (style_) {
    case sfBrushBitmap: {
        // Systems before the NT family take 8 x 8 pattern brushes only.
        std::unique_ptr<TBitmap> pattern;
        if (!Bitmap()->Empty()) {
            if (LuxSIWindowsNT) {
                Canvas->Brush()->SetBitmap(Bitmap());
            } else {
                pattern = std::make_unique<TBitmap>();
                pattern->SetSize(8, 8);
                pattern->Canvas()->CopyRect(TRect(0, 0, 8, 8), Bitmap()->Canvas(), TRect(0, 0, 8, 8));
                Canvas->Brush()->SetBitmap(pattern.get());
            }
        }
        try {
            Canvas->FillRect(Rect);
        } catch (...) {
            Canvas->Brush()->SetBitmap(nullptr);
            throw;
        }
        Canvas->Brush()->SetBitmap(nullptr);
        return true;
    }
    case sfBrush:
        Canvas->Brush()->Assign(brush_);
        Canvas->Pen()->SetColor(Color);
        if (brush_->Style() != bsSolid) SetBkColor(Canvas->Handle(), ColorToRGB(Color));
        Canvas->FillRect(Rect);
        return true;
    case sfBitmap:
    case sfBitmapList:
        return FillBitmap(Canvas, Rect, Color);
    case sfGradient: {
        WORD flags = options_.Contains(foGrUseBitmap) ? LuxGradientBitmap : 0;
        if (Gradient()->PaletteRealize()) flags |= LuxGradientPalette;
        LuxGradientPaintExt(Canvas, Rect, Gradient()->Style(), &Gradient()->GradientColors(),
                            Gradient()->Palette(), flags, 0);
        return true;
    }
    case sfNone:
        break;
    }
    return false;
}

bool TLuxFillObject::ClipFill(TCanvas* Canvas, const TRect& Rect, TColor Color, int Offset) {
    // A gradient painted off screen lands inside Rect by itself.
    if (style_ == sfGradient && options_.Contains(foGrUseBitmap)) return FillCanvas(Canvas, Rect, Color);
    // The canvas's own clip stays in force: the fill is clipped within it, and it comes back after.
    ClipScope clip(Canvas->Handle());
    clip.Intersect(Offset == 0 ? Rect : LuxOffsetRect(Rect, Offset));
    return FillCanvas(Canvas, Rect, Color);
}

namespace {

const bool kPublished = [] {
    using namespace published;
    PublishProperties<TLuxShapeFill>({
        Property<TLuxShapeFill>(
            "Bitmap", [](const TLuxShapeFill& f) { return f.Bitmap(); },
            [](TLuxShapeFill& f, TBitmap* v) { f.SetBitmap(v); }),
        Property<TLuxShapeFill>(
            "Style", [](const TLuxShapeFill& f) { return f.Style(); },
            [](TLuxShapeFill& f, TLuxFillStyle v) { f.SetFillStyle(v); }, sfBrush),
        Property<TLuxShapeFill>(
            "Gradient", [](const TLuxShapeFill& f) { return f.Gradient(); },
            [](TLuxShapeFill& f, TLuxGradient* v) { f.SetGradient(v); }),
        Property<TLuxShapeFill>(
            "TileMode", [](const TLuxShapeFill& f) { return f.TileMode(); },
            [](TLuxShapeFill& f, TLuxTileMode v) { f.SetTileMode(v); }, tmTile),
    });
    PublishProperties<TLuxFillObject, TLuxShapeFill>({
        // No declared default: always stored.
        Property<TLuxFillObject>(
            "Alignment", [](const TLuxFillObject& f) { return f.Alignment(); },
            [](TLuxFillObject& f, TLuxAlignment v) { f.SetAlignment(v); }),
        Property<TLuxFillObject>(
            "Brush", [](const TLuxFillObject& f) { return f.Brush(); },
            [](TLuxFillObject& f, TBrush* v) { f.SetBrush(v); }),
        Property<TLuxFillObject>(
            "OffsetX", [](const TLuxFillObject& f) { return f.OffsetX(); },
            [](TLuxFillObject& f, int v) { f.SetInteger(0, v); }, 0),
        Property<TLuxFillObject>(
            "OffsetY", [](const TLuxFillObject& f) { return f.OffsetY(); },
            [](TLuxFillObject& f, int v) { f.SetInteger(1, v); }, 0),
        Property<TLuxFillObject>(
            "Options", [](const TLuxFillObject& f) { return f.Options(); },
            [](TLuxFillObject& f, TLuxFillOptions v) { f.SetOptions(v); },
            static_cast<std::int64_t>(TLuxFillOptions{foFillInner, foGrUseBitmap}.Bits())),
        Property<TLuxFillObject>(
            "Style", [](const TLuxFillObject& f) { return f.Style(); },
            [](TLuxFillObject& f, TLuxFillStyle v) { f.SetFillStyle(v); }, sfNone),
    });
    return true;
}();

} // namespace
