#include "visual_controls/Luxcaption.h"

#include "platform/ui/TypInfo.h"

#include <algorithm>

namespace {

template <class T> bool Store(T& field, T value) {
    if (field == value) return false;
    field = value;
    return true;
}

} // namespace

// --- TLux3DCaption ---------------------------------------------------------------------------------

void TLux3DCaption::SetDisabledStyle(TLuxDisabledStyle Value) {
    if (Store(disabledStyle_, Value)) Change();
}

void TLux3DCaption::SetDepth(int Index, BYTE Value) {
    BYTE* target = Index == 0 ? &lightDepth_ : Index == 1 ? &shadowDepth_ : nullptr;
    if (target && Store(*target, Value)) Change();
}

void TLux3DCaption::SetColor(int Index, TColor Value) {
    TColor* target = Index == 0 ? &lightColor_ : Index == 1 ? &shadowColor_ : nullptr;
    if (target && Store(*target, Value)) Change();
}

void TLux3DCaption::SetStyle(TLuxThreeDStyle Value) {
    if (Store(style_, Value)) Change();
}

void TLux3DCaption::SetOrientation(TLuxThreeDOrientation Value) {
    if (Store(orientation_, Value)) Change();
}

void TLux3DCaption::SetTracing(int Value) {
    if (Store(tracing_, Value)) Change();
}

void TLux3DCaption::CopyFrom(const TLux3DCaption& s) {
    disabledStyle_ = s.disabledStyle_;
    lightDepth_ = s.lightDepth_;
    shadowDepth_ = s.shadowDepth_;
    lightColor_ = s.lightColor_;
    shadowColor_ = s.shadowColor_;
    style_ = s.style_;
    orientation_ = s.orientation_;
    tracing_ = s.tracing_;
}

void TLux3DCaption::Assign(const TPersistent* Source) {
    const auto* s = dynamic_cast<const TLux3DCaption*>(Source);
    if (!s) {
        TLuxObject::Assign(Source);
        return;
    }
    CopyFrom(*s);
    Change();
}

std::string TLux3DCaption::GetSetStr() {
    static const char* const kWords[] = {"Disabled",      "sunken",        "raised",        "sunken shadow",
                                         "raised shadow", "PColor sunken", "PColor raised", "shadow",
                                         "outline",       "extrude",       "extrude enh"};
    return std::string("{") + kWords[style_] + "}";
}

// --- TLuxFxCaption ---------------------------------------------------------------------------------

void TLuxFxCaption::SetAngle(TLuxAngle Value) {
    if (Value == angle_) return;
    angle_ = Value == 360 ? 0 : std::clamp(Value, 0, 359);
    Change();
}

void TLuxFxCaption::SetPos(int Index, WORD Value) {
    WORD* target = Index == 0 ? &posX_ : Index == 1 ? &posY_ : nullptr;
    if (target && Store(*target, Value)) Change();
}

void TLuxFxCaption::SetPosXY(WORD X, WORD Y) {
    BeginUpdate();
    SetPos(0, X);
    SetPos(1, Y);
    EndUpdate(false);
}

void TLuxFxCaption::Assign(const TPersistent* Source) {
    const auto* s = dynamic_cast<const TLuxFxCaption*>(Source);
    if (!s) {
        TLux3DCaption::Assign(Source);
        return;
    }
    CopyFrom(*s);
    posX_ = s->posX_;
    posY_ = s->posY_;
    angle_ = s->angle_;
    Change();
}

std::string TLuxFxCaption::GetSetStr() {
    std::string text = TLux3DCaption::GetSetStr();
    if (angle_ == 0) return text;
    if (text == "{Disabled}")
        text = "{";
    else
        text.back() = ',';
    return text + " rot: " + std::to_string(angle_) + "\xB0}";
}

// --- TLuxGlyphTextLayout ---------------------------------------------------------------------------

void TLuxGlyphTextLayout::SetAlignText2Glyph(TLuxTextArrange Value) {
    if (Store(alignText2Glyph_, Value)) Change();
}

void TLuxGlyphTextLayout::SetOffset(int Index, int Value) {
    int* target = Index == 0 ? &offsetX_ : Index == 1 ? &offsetY_ : nullptr;
    if (target && Store(*target, Value)) Change();
}

void TLuxGlyphTextLayout::SetSpacing(int Value) {
    if (Store(spacing_, Value)) Change();
}

void TLuxGlyphTextLayout::SetAlignment(TLuxAlignment Value) {
    if (Store(alignment_, Value)) Change();
}

void TLuxGlyphTextLayout::Assign(const TPersistent* Source) {
    const auto* s = dynamic_cast<const TLuxGlyphTextLayout*>(Source);
    if (!s) {
        TLuxObject::Assign(Source);
        return;
    }
    alignText2Glyph_ = s->alignText2Glyph_;
    offsetX_ = s->offsetX_;
    offsetY_ = s->offsetY_;
    spacing_ = s->spacing_;
    alignment_ = s->alignment_;
    Change();
}

// --- TLuxButtonLayout ------------------------------------------------------------------------------

void TLuxButtonLayout::SetArrow(bool Value) {
    if (Store(arrow_, Value)) Change();
}

void TLuxButtonLayout::SetArrowColor(TColor Value) {
    if (Store(arrowColor_, Value)) Change();
}

void TLuxButtonLayout::SetInteger(int Index, int Value) {
    if (Index != 0) {
        Change();
        return;
    }
    if (Store(arrowIndent_, Value)) Change();
}

void TLuxButtonLayout::SetArrowPosition(TLuxArrowPosition Value) {
    if (Store(arrowPosition_, Value)) Change();
}

void TLuxButtonLayout::SetArrowSize(TLuxDDArrowSize Value) {
    if (Store(arrowSize_, std::clamp(Value, 2, 10))) Change();
}

void TLuxButtonLayout::Assign(const TPersistent* Source) {
    const auto* s = dynamic_cast<const TLuxButtonLayout*>(Source);
    if (!s) {
        TLuxGlyphTextLayout::Assign(Source);
        return;
    }
    SetAlignment(s->Alignment());
    SetAlignText2Glyph(s->AlignText2Glyph());
    SetOffset(0, s->OffsetX());
    SetOffset(1, s->OffsetY());
    SetSpacing(s->Spacing());
    BeginUpdate();
    arrow_ = s->arrow_;
    arrowColor_ = s->arrowColor_;
    arrowIndent_ = s->arrowIndent_;
    arrowPosition_ = s->arrowPosition_;
    arrowSize_ = s->arrowSize_;
    EndUpdate(true);
}

TLuxDrawTextStyles LuxConvertFocusStyle(TLuxGlyphTextFocusStyle Value) {
    switch (Value) {
    case fcText:
        return {dtRectText};
    case fcGlyph:
        return {dtRectGlyph};
    case fcGlyphText:
        return {dtRectGlyphText};
    default:
        return {};
    }
}

namespace {

const bool kPublished = [] {
    using published::Property;
    using C = TLux3DCaption;
    PublishProperties<TLux3DCaption>({
        Property<C>(
            "DisabledStyle", [](const C& c) { return c.DisabledStyle(); },
            [](C& c, TLuxDisabledStyle v) { c.SetDisabledStyle(v); }, dsAuto),
        Property<C>(
            "LightDepth", [](const C& c) { return c.LightDepth(); }, [](C& c, BYTE v) { c.SetDepth(0, v); },
            1),
        Property<C>(
            "ShadowDepth", [](const C& c) { return c.ShadowDepth(); }, [](C& c, BYTE v) { c.SetDepth(1, v); },
            1),
        Property<C>(
            "LightColor", [](const C& c) { return c.LightColor(); }, [](C& c, TColor v) { c.SetColor(0, v); },
            clBtnHighlight),
        Property<C>(
            "ShadowColor", [](const C& c) { return c.ShadowColor(); },
            [](C& c, TColor v) { c.SetColor(1, v); }, clBtnShadow),
        Property<C>(
            "Style", [](const C& c) { return c.Style(); }, [](C& c, TLuxThreeDStyle v) { c.SetStyle(v); },
            tdNone),
        Property<C>(
            "Orientation", [](const C& c) { return c.Orientation(); },
            [](C& c, TLuxThreeDOrientation v) { c.SetOrientation(v); }, toTopLeft),
        Property<C>(
            "Tracing", [](const C& c) { return c.Tracing(); }, [](C& c, int v) { c.SetTracing(v); }, 0),
    });
    using F = TLuxFxCaption;
    PublishProperties<TLuxFxCaption, TLux3DCaption>({
        Property<F>(
            "Angle", [](const F& f) { return f.Angle(); }, [](F& f, int v) { f.SetAngle(v); }, 0),
        Property<F>(
            "PosX", [](const F& f) { return f.PosX(); }, [](F& f, WORD v) { f.SetPos(0, v); }, 0),
        Property<F>(
            "PosY", [](const F& f) { return f.PosY(); }, [](F& f, WORD v) { f.SetPos(1, v); }, 0),
    });
    using G = TLuxGlyphTextLayout;
    PublishProperties<TLuxGlyphTextLayout>({
        Property<G>(
            "AlignText2Glyph", [](const G& g) { return g.AlignText2Glyph(); },
            [](G& g, TLuxTextArrange v) { g.SetAlignText2Glyph(v); }, taRight),
        Property<G>(
            "OffsetX", [](const G& g) { return g.OffsetX(); }, [](G& g, int v) { g.SetOffset(0, v); }, 0),
        Property<G>(
            "OffsetY", [](const G& g) { return g.OffsetY(); }, [](G& g, int v) { g.SetOffset(1, v); }, 0),
        Property<G>(
            "Spacing", [](const G& g) { return g.Spacing(); }, [](G& g, int v) { g.SetSpacing(v); }, 2),
        // No declared default: always stored.
        Property<G>(
            "Alignment", [](const G& g) { return g.Alignment(); },
            [](G& g, TLuxAlignment v) { g.SetAlignment(v); }),
    });
    using B = TLuxButtonLayout;
    PublishProperties<TLuxButtonLayout, TLuxGlyphTextLayout>({
        Property<B>(
            "Alignment", [](const B& b) { return b.Alignment(); },
            [](B& b, TLuxAlignment v) { b.SetAlignment(v); }, agCenter),
        Property<B>(
            "Arrow", [](const B& b) { return b.Arrow(); }, [](B& b, bool v) { b.SetArrow(v); }, 0),
        Property<B>(
            "ArrowColor", [](const B& b) { return b.ArrowColor(); },
            [](B& b, TColor v) { b.SetArrowColor(v); }, clBlack),
        Property<B>(
            "ArrowIndent", [](const B& b) { return b.ArrowIndent(); },
            [](B& b, int v) { b.SetInteger(0, v); }, 3),
        Property<B>(
            "ArrowPosition", [](const B& b) { return b.ArrowPosition(); },
            [](B& b, TLuxArrowPosition v) { b.SetArrowPosition(v); }, apRightText),
        Property<B>(
            "ArrowSize", [](const B& b) { return b.ArrowSize(); }, [](B& b, int v) { b.SetArrowSize(v); }, 3),
    });
    return true;
}();

} // namespace
