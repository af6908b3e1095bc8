#include "visual_controls/LuxEffect.h"

#include "platform/rtl/Format.h"
#include "platform/ui/Filer.h"
#include "platform/ui/TypInfo.h"
#include "visual_controls/Luxbmp.h"
#include "visual_controls/Luxcont.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>

namespace {

// Columns or rows from one edge to the other, none when they are the wrong way round.
int Extent(int from, int to) {
    return static_cast<int>(std::clamp<std::int64_t>(std::int64_t{to} - from, 0, INT_MAX));
}

std::unique_ptr<TBitmap> WorkBitmap(int width, int height) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(width, height);
    return b;
}

void Make24(TBitmap* b) {
    if (b->PixelFormat() != pf24bit) b->SetPixelFormat(pf24bit);
}

TRect Intersection(const TRect& a, const TRect& b) {
    return TRect(std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                 std::min(a.Bottom, b.Bottom));
}

} // namespace

// --- TLuxAlphaObject -------------------------------------------------------------------------------

TLuxAlphaObject::TLuxAlphaObject() : fillObject_(new TLuxFillObject), changeLink_(new TLuxChangeLink) {
    fillObject_->OnChange = TNotifyEvent::Bind<&TLuxAlphaObject::GetChange>(this);
    changeLink_->OnChange = TNotifyEvent::Bind<&TLuxAlphaObject::GetIMLChange>(this);
}

TLuxAlphaObject::~TLuxAlphaObject() {
    fillObject_->OnChange = nullptr;
    changeLink_->OnChange = nullptr;
    delete changeLink_; // leaves the list it is registered with
    delete fillObject_;
}

void TLuxAlphaObject::Assign(const TPersistent* Source) {
    const auto* alpha = dynamic_cast<const TLuxAlphaObject*>(Source);
    if (!alpha) {
        TLuxObject::Assign(Source);
        return;
    }
    if (alpha == this) return;
    fillObject_->Assign(alpha->fillObject_);
    strength_ = alpha->strength_;
    imageIndex_ = alpha->imageIndex_;
    listIndex_ = alpha->listIndex_;
    // Through the setter, so that the copy follows the list's changes as the original does.
    SetImageList(alpha->LiveList());
}

void TLuxAlphaObject::DefineProperties(TFiler* Filer) {
    TLuxObject::DefineProperties(Filer);
    Filer->DefineProperty(
        IDS_INTERNAL, [this](TReader* r) { SetImageList(LuxReadGlobalIdent(r->ReadString())); },
        [this](TWriter* w) { w->WriteString(LuxWriteGlobalIdent(LiveList())); }, CheckCont());
}

std::string TLuxAlphaObject::GetSetStr() {
    const char* kind = "";
    switch (fillObject_->Style()) {
    case sfNone:
        return "{Disabled}";
    case sfBrush:
        kind = "brush";
        break;
    case sfBitmap:
    case sfBitmapList:
        kind = "bmp";
        break;
    case sfGradient:
        kind = "grad";
        break;
    case sfBrushBitmap:
        break;
    }
    return std::string("{Enabled (") + kind + "), strength: " + FloatToStrF(strength_, ffFixed, 5, 3) + "}";
}

TLuxCustomImageList* TLuxAlphaObject::LiveList() const {
    return changeLink_->Sender ? imageList_ : nullptr;
}

void TLuxAlphaObject::SetImageList(TLuxCustomImageList* List) {
    if (changeLink_->Sender) changeLink_->Sender->UnRegisterChanges(changeLink_);
    imageList_ = List;
    if (imageList_) imageList_->RegisterChanges(changeLink_);
    GetIMLChange(this);
}

void TLuxAlphaObject::SetInteger(int Index, int Value) {
    (Index == 0 ? imageIndex_ : listIndex_) = Value;
    GetIMLChange(this);
}

void TLuxAlphaObject::SetSingle(float Value) {
    Value = Value >= 0 ? std::min(Value, 1.0f) : 0.0f; // NaN too
    if (strength_ == Value) return;
    strength_ = Value;
    GetChange(this);
}

bool TLuxAlphaObject::IMLEmpty() const {
    TLuxCustomImageList* list = LiveList();
    return !list || !list->IsValidItem(listIndex_, imageIndex_);
}

void TLuxAlphaObject::GetIMLChange(TObject*) {
    if (IMLEmpty())
        fillObject_->ListBitmap()->Assign(nullptr);
    else
        LiveList()->GetBitmapItem(listIndex_, imageIndex_, fillObject_->ListBitmap());
    GetChange(this);
}

bool TLuxAlphaObject::Enabled() const {
    return fillObject_->Style() != sfNone && strength_ != 1.0f;
}

HPALETTE TLuxAlphaObject::GetPalette() const {
    return fillObject_->Style() != sfNone ? fillObject_->GetPalette() : nullptr;
}

bool TLuxAlphaObject::HasControl() const {
    TLuxCustomImageList* list = LiveList();
    return list && (!LuxContainer || list->Owner() != LuxContainer);
}

bool TLuxAlphaObject::CheckCont() const {
    return LuxIsGlobalIdent(LiveList());
}

void TLuxAlphaObject::AlphaBlend(TBitmap* Bitmap) {
    if (!Bitmap || fillObject_->Style() == sfNone || Bitmap->Empty()) return;
    const TRect r(0, 0, Bitmap->Width(), Bitmap->Height());
    const auto fill = WorkBitmap(r.Right, r.Bottom);
    fillObject_->FillCanvas(fill->Canvas(), fill->Canvas()->ClipRect(), clWhite);
    Make24(Bitmap);
    LuxBMPAlphaBlend(Bitmap, fill.get(), r, TPoint(0, 0), Bitmap, strength_, r.TopLeft());
}

void TLuxAlphaObject::ControlBlend(TBitmap* Bitmap, const TRect& SourceRect, const TRect& CopyRect,
                                   TCanvas* Canvas, const TRect& DestRect) {
    const int w = Extent(SourceRect.Left, SourceRect.Right);
    const int h = Extent(SourceRect.Top, SourceRect.Bottom);
    const auto work = WorkBitmap(w, h);
    if (!work->Empty()) work->Canvas()->CopyRect(TRect(0, 0, w, h), Bitmap->Canvas(), SourceRect);
    AlphaBlend(work.get());
    if (!work->Empty()) Canvas->CopyRect(DestRect, work->Canvas(), CopyRect);
}

// --- TLuxBitmapEffectObject ------------------------------------------------------------------------

TLuxBitmapEffectObject::TLuxBitmapEffectObject() : alphaBlend_(new TLuxAlphaObject) {
    alphaBlend_->OnChange = TNotifyEvent::Bind<&TLuxBitmapEffectObject::GetChange>(this);
}

TLuxBitmapEffectObject::~TLuxBitmapEffectObject() {
    alphaBlend_->OnChange = nullptr;
    delete alphaBlend_;
    delete buffer_;
}

void TLuxBitmapEffectObject::Assign(const TPersistent* Source) {
    const auto* fx = dynamic_cast<const TLuxBitmapEffectObject*>(Source);
    if (!fx) {
        TLuxObject::Assign(Source);
        return;
    }
    if (fx == this) return;
    flipVertical_ = fx->flipVertical_;
    flipHorizontal_ = fx->flipHorizontal_;
    grayScale_ = fx->grayScale_;
    invert_ = fx->invert_;
    brightness_ = fx->brightness_;
    SetBoolean(4, fx->buffered_);
    alphaBlend_->Assign(fx->alphaBlend_);
}

void TLuxBitmapEffectObject::GetChange(TObject* Sender) {
    TLuxObject::GetChange(Sender);
    DestroyBuffer();
}

std::string TLuxBitmapEffectObject::GetSetStr() {
    std::string words;
    auto add = [&](bool on, const char* word) {
        if (!on) return;
        if (!words.empty()) words += ',';
        words += word;
    };
    add(alphaBlend_->FillObject()->Style() != sfNone, "alpha");
    add(flipVertical_, "FV");
    add(flipHorizontal_, "FH");
    add(grayScale_, "GS");
    add(invert_, "INV");
    add(brightness_ != 0, "B");
    return "{" + (words.empty() ? std::string("Disabled") : words) + "}";
}

void TLuxBitmapEffectObject::SetBoolean(int Index, bool Value) {
    bool* const fields[] = {&flipVertical_, &flipHorizontal_, &grayScale_,
                            &invert_,       &buffered_,       &makeMonochrome_};
    if (Index < 0 || Index > 5 || *fields[Index] == Value) return;
    *fields[Index] = Value;
    if (Index == 4) {
        bufferValid_ = false;
        if (Value) {
            buffer_ = new TBitmap;
        } else {
            delete buffer_;
            buffer_ = nullptr;
        }
    }
    GetChange(this);
}

void TLuxBitmapEffectObject::SetBrightness(int Value) {
    const auto value = static_cast<TLuxBrightness>(std::clamp(Value, -255, 255));
    if (brightness_ == value) return;
    brightness_ = value;
    GetChange(this);
}

void TLuxBitmapEffectObject::StoreBuffer(TBitmap* Target) {
    if (!buffered_ || bufferValid_ || !Target) return;
    buffer_->SetSize(Target->Width(), Target->Height());
    buffer_->Canvas()->Draw(0, 0, Target);
    bufferValid_ = true;
}

bool TLuxBitmapEffectObject::DrawBuffer(TBitmap* Target) {
    if (!buffered_ || !bufferValid_) return false;
    if (buffer_->Width() != Target->Width() || buffer_->Height() != Target->Height()) {
        // Kept for a target of another size: it would cover too little or too much.
        DestroyBuffer();
        return false;
    }
    Target->Canvas()->Draw(0, 0, buffer_);
    return true;
}

void TLuxBitmapEffectObject::PixelEffects(TBitmap* Bitmap, const TRect& Area, bool Monochrome) {
    const TPoint p = Area.TopLeft();
    if (flipVertical_ || flipHorizontal_ || grayScale_ || invert_) {
        Make24(Bitmap);
        if (flipVertical_) LuxBMPFlipVertical(Bitmap, Area, Bitmap, p);
        if (flipHorizontal_) LuxBMPFlipHorizonzal(Bitmap, Area, Bitmap, p);
        if (grayScale_) LuxBMPGrayScale(Bitmap, Area, Bitmap, p);
        if (invert_) LuxBMPInvert(Bitmap, Area, Bitmap, p);
    }
    if (Monochrome) Bitmap->SetPixelFormat(pf1bit);
    if (brightness_ != 0) {
        // A monochrome picture comes back to three bytes a pixel, black and white, for the sum.
        Make24(Bitmap);
        LuxBMPBrightness(Bitmap, Area, Bitmap, p, brightness_);
    }
}

void TLuxBitmapEffectObject::Draw(TBitmap* Bitmap) {
    if (!Bitmap || DrawBuffer(Bitmap)) return;
    PixelEffects(Bitmap, TRect(0, 0, Bitmap->Width(), Bitmap->Height()), makeMonochrome_);
    alphaBlend_->AlphaBlend(Bitmap);
    StoreBuffer(Bitmap);
}

void TLuxBitmapEffectObject::DrawCopy(TBitmap* Src, TBitmap* Dst) {
    const TRect all(0, 0, Src->Width(), Src->Height());
    if (!Src->Empty() && !Dst->Empty()) Dst->Canvas()->CopyRect(all, Src->Canvas(), all);
    Draw(Dst);
}

void TLuxBitmapEffectObject::DrawCopyFromRect(TBitmap* Src, const TRect& R, TBitmap* Dst) {
    const TRect to(0, 0, Extent(R.Left, R.Right), Extent(R.Top, R.Bottom));
    if (!Src->Empty() && !Dst->Empty()) Dst->Canvas()->CopyRect(to, Src->Canvas(), R);
    Draw(Dst);
}

void TLuxBitmapEffectObject::DrawCopyRect(TBitmap* Src, const TRect& R, TBitmap* Dst, const TPoint& P) {
    if (DrawBuffer(Dst)) return;
    const TRect to = Bounds(P.X, P.Y, Extent(R.Left, R.Right), Extent(R.Top, R.Bottom));
    if (!Src->Empty() && !Dst->Empty()) Dst->Canvas()->CopyRect(to, Src->Canvas(), R);
    PixelEffects(Dst, to, false);
    StoreBuffer(Dst);
}

void TLuxBitmapEffectObject::DrawCutRect(TBitmap* Src, const TRect& R, TBitmap* Dst, const TRect& Cut) {
    const int w = Extent(R.Left, R.Right);
    const int h = Extent(R.Top, R.Bottom);
    const auto work = WorkBitmap(w, h);
    if (!work->Empty() && !Src->Empty()) work->Canvas()->CopyRect(TRect(0, 0, w, h), Src->Canvas(), R);
    Draw(work.get());
    if (Dst->Empty()) return;
    if (!Src->Empty()) Dst->Canvas()->CopyRect(Dst->Canvas()->ClipRect(), Src->Canvas(), R);
    if (!work->Empty()) Dst->Canvas()->CopyRect(Cut, work->Canvas(), Cut);
}

void TLuxBitmapEffectObject::DrawCutRect2(TBitmap* Src, const TRect& R, TBitmap* Dst, const TRect& Cut) {
    if (DrawBuffer(Dst)) return;
    const int w = Extent(R.Left, R.Right);
    const int h = Extent(R.Top, R.Bottom);
    if (!Src->Empty() && !Dst->Empty()) Dst->Canvas()->CopyRect(TRect(0, 0, w, h), Src->Canvas(), R);
    // Only what Dst holds: a mirror of a Cut reaching past its edge would mirror the part inside.
    const TRect cut = Intersection(Cut, TRect(0, 0, Dst->Width(), Dst->Height()));
    if (cut.Left < cut.Right && cut.Top < cut.Bottom) {
        PixelEffects(Dst, cut, false);
        if (alphaBlend_->FillObject()->Style() != sfNone) {
            const auto fill = WorkBitmap(std::min(w, INT_MAX - 2) + 2, std::min(h, INT_MAX - 2) + 2);
            alphaBlend_->FillObject()->FillCanvas(fill->Canvas(), fill->Canvas()->ClipRect(), clWhite);
            Make24(Dst);
            LuxBMPAlphaBlend(Dst, fill.get(), cut, cut.TopLeft(), Dst, alphaBlend_->Strength(),
                             cut.TopLeft());
        }
    }
    StoreBuffer(Dst);
}

bool TLuxBitmapEffectObject::Enabled() const {
    return flipVertical_ || flipHorizontal_ || grayScale_ || invert_ || alphaBlend_->Enabled() ||
           brightness_ != 0;
}

namespace {

const bool kPublished = [] {
    using namespace published;
    TPropInfo list = Property<TLuxAlphaObject>(
        "ImageList", [](const TLuxAlphaObject& a) { return a.ImageList(); },
        [](TLuxAlphaObject& a, TLuxCustomImageList* v) { a.SetImageList(v); });
    list.Stored = [](const TObject* o) { return static_cast<const TLuxAlphaObject*>(o)->HasControl(); };
    PublishProperties<TLuxAlphaObject>({
        list,
        Property<TLuxAlphaObject>(
            "ImageIndex", [](const TLuxAlphaObject& a) { return a.ImageIndex(); },
            [](TLuxAlphaObject& a, int v) { a.SetInteger(0, v); }, 0),
        Property<TLuxAlphaObject>(
            "ListIndex", [](const TLuxAlphaObject& a) { return a.ListIndex(); },
            [](TLuxAlphaObject& a, int v) { a.SetInteger(1, v); }, 0),
        Property<TLuxAlphaObject>(
            "Strength", [](const TLuxAlphaObject& a) { return a.Strength(); },
            [](TLuxAlphaObject& a, float v) { a.SetSingle(v); }),
        Property<TLuxAlphaObject>(
            "FillObject", [](const TLuxAlphaObject& a) { return a.FillObject(); },
            [](TLuxAlphaObject& a, TLuxFillObject* v) { a.SetFillObject(v); }),
    });

    auto flag = [](const char* name, int index, bool (TLuxBitmapEffectObject::*get)() const) {
        return Property<TLuxBitmapEffectObject>(
            name, [get](const TLuxBitmapEffectObject& e) { return (e.*get)(); },
            [index](TLuxBitmapEffectObject& e, bool v) { e.SetBoolean(index, v); }, 0);
    };
    PublishProperties<TLuxBitmapEffectObject>({
        Property<TLuxBitmapEffectObject>(
            "AlphaBlend", [](const TLuxBitmapEffectObject& e) { return e.AlphaBlend(); },
            [](TLuxBitmapEffectObject& e, TLuxAlphaObject* v) { e.SetAlphaObject(v); }),
        flag("FlipVertical", 0, &TLuxBitmapEffectObject::FlipVertical),
        flag("FlipHorizontal", 1, &TLuxBitmapEffectObject::FlipHorizontal),
        flag("GrayScale", 2, &TLuxBitmapEffectObject::GrayScale),
        flag("Invert", 3, &TLuxBitmapEffectObject::Invert),
        flag("Buffered", 4, &TLuxBitmapEffectObject::Buffered),
        Property<TLuxBitmapEffectObject>(
            "Brightness", [](const TLuxBitmapEffectObject& e) { return static_cast<int>(e.Brightness()); },
            [](TLuxBitmapEffectObject& e, int v) { e.SetBrightness(v); }, 0),
    });
    return true;
}();

} // namespace
