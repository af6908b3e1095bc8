#include "visual_controls/LuxFill.h"

#include "platform/ui/TypInfo.h"

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
    case sfNone: return "{Disabled}";
    case sfBrush: return "{Brush}";
    case sfBitmap: return "{Bitmap}";
    case sfBitmapList: return "{BitmapList}";
    case sfGradient: return "{Gradient}";
    case sfBrushBitmap: break;
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
    case sfNone: return true;
    case sfBitmap:
    case sfBitmapList: return GetBitmap()->Empty();
    default: return false;
    }
}

bool TLuxShapeFill::GetMustRedraw() const {
    switch (style_) {
    case sfBrushBitmap:
    case sfBrush: return false;
    case sfBitmap:
    case sfBitmapList: return tileMode_ != tmTile;
    default: return true;
    }
}

HPALETTE TLuxShapeFill::GetPalette() const {
    return style_ == sfGradient ? gradient_->Palette() : nullptr;
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
    return true;
}();

} // namespace
