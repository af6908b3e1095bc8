#include "visual_controls/Luxbevel.h"

#include "platform/gdi/Draw.h"
#include "platform/ui/TypInfo.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

bool IsEmpty(const TRect& R) {
    return R.Right <= R.Left || R.Bottom <= R.Top;
}

void Shrink(TRect& R, int N) {
    R.Left += N;
    R.Top += N;
    R.Right -= N;
    R.Bottom -= N;
}

// One DrawEdge step on the canvas's DC; the rectangle shrinks when BF_ADJUST is in flags.
void Edge(TCanvas* Canvas, TRect& R, UINT Edge, UINT Flags) {
    RECT r{R.Left, R.Top, R.Right, R.Bottom};
    if (!IsEmpty(R)) {
        DrawEdge(Canvas->Handle(), &r, Edge, Flags);
    } else if (Flags & BF_ADJUST) {
        // Nothing to paint; the rectangle shrinks as the edge would have made it.
        const int w = ((Edge & BDR_OUTER) ? 1 : 0) + ((Edge & BDR_INNER) ? 1 : 0);
        if (Flags & BF_LEFT) r.left += w;
        if (Flags & BF_TOP) r.top += w;
        if (Flags & BF_RIGHT) r.right -= w;
        if (Flags & BF_BOTTOM) r.bottom -= w;
    }
    R = Rect(r.left, r.top, r.right, r.bottom);
}

int Clamped(int Value, int Max) {
    return std::clamp(Value, 0, Max);
}

} // namespace

// --- Frame painters --------------------------------------------------------------------------------

bool LuxDrawFrame3D(TCanvas* Canvas, TRect& R, TLuxBevelStyle Style, TColor LightColor, TColor ShadowColor,
                    int Width) {
    if (Width <= 0 || Style == bvNone || Style == bvShadow) return false;
    TColor top = LightColor, bottom = ShadowColor;
    if (Style == bvLowered || Style == bvFrameLowered) std::swap(top, bottom);
    if (Style == bvNormal) top = bottom = clBlack;
    const bool paint = Canvas && !IsEmpty(R);

    if (Style == bvFrameLowered || Style == bvFrameRaised) {
        if (paint) {
            for (int i = 0; i < Width; ++i) {
                Canvas->Brush()->SetStyle(bsSolid);
                Canvas->Brush()->SetColor(bottom);
                Canvas->FrameRect(Rect(R.Left + i + 1, R.Top + i + 1, R.Right, R.Bottom));
                Canvas->Brush()->SetColor(top);
                Canvas->FrameRect(Rect(R.Left, R.Top, R.Right - i - 1, R.Bottom - i - 1));
            }
        }
        Shrink(R, Width + 1);
        return true;
    }

    if (paint) {
        // Width nested one-pixel rings: each band is exactly Width wide, the corners step along
        // the diagonal without gaps, and nothing reaches the rectangle left inside.
        Canvas->Pen()->SetStyle(psSolid);
        Canvas->Pen()->SetWidth(1);
        for (int i = 0; i < Width; ++i) {
            const int l = R.Left + i, t = R.Top + i, r = R.Right - 1 - i, b = R.Bottom - 1 - i;
            if (r < l || b < t) break;
            Canvas->Pen()->SetColor(top);
            Canvas->Polyline({Point(l, b), Point(l, t), Point(r, t)});
            Canvas->Pen()->SetColor(bottom);
            Canvas->Polyline({Point(r, t), Point(r, b), Point(l, b)});
        }
    }
    Shrink(R, Width);
    return true;
}

bool LuxDrawFrameShadow(TCanvas* Canvas, TRect& R, TColor LightColor, TColor ShadowColor, TColor BorderColor,
                        unsigned char Depth, unsigned char Width, bool BorderTransparent, unsigned short) {
    const int d = Depth;
    const bool paint = Canvas && !IsEmpty(R);
    if (paint) {
        Canvas->Brush()->SetStyle(bsSolid);
        Canvas->Pen()->SetStyle(psClear);
        Canvas->Brush()->SetColor(ShadowColor);
        Canvas->FillRect(Rect(R.Right - d, R.Top + d, R.Right, R.Bottom));
        Canvas->FillRect(Rect(R.Left + d, R.Bottom - d, R.Right, R.Bottom));
        if (!BorderTransparent) {
            Canvas->Brush()->SetColor(BorderColor);
            Canvas->FillRect(Rect(R.Right - d, R.Top, R.Right, R.Top + d));
            Canvas->FillRect(Rect(R.Left, R.Bottom - d, R.Left + d, R.Bottom));
        }
        Canvas->Pen()->SetStyle(psSolid);
        Canvas->Pen()->SetWidth(1);
    }
    R = Rect(R.Left, R.Top, R.Right - d, R.Bottom - d);
    if (paint) Canvas->Brush()->SetColor(LightColor);
    for (int i = 0; i < Width; ++i) {
        if (paint && !IsEmpty(R)) Canvas->FrameRect(R);
        Shrink(R, 1);
    }
    return true;
}

bool LuxDrawStdFrame(TCanvas* Canvas, TRect& R, TLuxBorderStyle Style, unsigned short Flags) {
    const UINT f = Flags | BF_ADJUST;
    switch (Style) {
    case lsNone:
        break;
    case lsSingle:
        Edge(Canvas, R, BDR_SUNKENOUTER, f | BF_LEFT | BF_TOP | BF_SOFT);
        Edge(Canvas, R, BDR_RAISEDOUTER, BF_RIGHT | BF_BOTTOM);
        break;
    case lsLowered:
        Edge(Canvas, R, EDGE_SUNKEN, f | BF_RECT | BF_SOFT);
        break;
    case lsRaised:
        Edge(Canvas, R, EDGE_RAISED, f | BF_RECT | BF_SOFT);
        break;
    case lsRaisedspb:
    case lsRaisedExt:
        Edge(Canvas, R, BDR_RAISEDOUTER, f | BF_RECT | BF_SOFT);
        Edge(Canvas, R, BDR_RAISEDINNER, BF_RIGHT | BF_BOTTOM | BF_ADJUST);
        if (Style == lsRaisedExt) {
            ++R.Left;
            ++R.Top;
        }
        break;
    case lsLoweredspb:
        Edge(Canvas, R, BDR_SUNKENOUTER, f | BF_RECT);
        Edge(Canvas, R, BDR_SUNKENINNER, f | BF_LEFT | BF_TOP);
        break;
    case lsLoweredExt:
        Edge(Canvas, R, BDR_SUNKENOUTER, f | BF_RECT);
        Edge(Canvas, R, BDR_SUNKENINNER, BF_LEFT | BF_TOP | BF_ADJUST);
        --R.Right;
        --R.Bottom;
        break;
    case lsFrameInset:
        Edge(Canvas, R, EDGE_ETCHED, f | BF_RECT);
        break;
    case lsFrameOffset:
        Edge(Canvas, R, BDR_RAISEDINNER, f | BF_RECT);
        Edge(Canvas, R, BDR_SUNKENOUTER, f | BF_RECT);
        break;
    case lsWindowBorder:
        Edge(Canvas, R, BDR_RAISEDOUTER, f | BF_RIGHT | BF_BOTTOM);
        ++R.Left;
        ++R.Top;
        Edge(Canvas, R, BDR_RAISEDINNER, f | BF_RECT);
        break;
    case lsSingleRaised:
        Edge(Canvas, R, BDR_RAISEDINNER, f | BF_RECT);
        break;
    case lsSingleLowered:
        Edge(Canvas, R, BDR_SUNKENOUTER, f | BF_RECT);
        break;
    case lsDoubleRaised:
        Edge(Canvas, R, BDR_RAISEDINNER, f | BF_RECT);
        Edge(Canvas, R, BDR_RAISEDINNER, f | BF_RECT);
        break;
    case lsDoubleLowered:
        Edge(Canvas, R, BDR_SUNKENOUTER, f | BF_RECT);
        Edge(Canvas, R, BDR_SUNKENOUTER, f | BF_RECT);
        break;
    }
    return true;
}

int LuxDrawStdFrameExt(TLuxBorderStyle Style) {
    switch (Style) {
    case lsNone:
        return 0;
    case lsSingle:
    case lsSingleRaised:
    case lsSingleLowered:
        return 1;
    default:
        return 2;
    }
}

void LuxDrawBorder(TCanvas* Canvas, const TRect& R, TColor TopLeftColor, TColor BottomRightColor) {
    if (!Canvas) return;
    Canvas->Pen()->SetColor(TopLeftColor);
    Canvas->MoveTo(R.Left, R.Bottom - 1);
    Canvas->LineTo(R.Left, R.Top);
    Canvas->LineTo(R.Right - 1, R.Top);
    Canvas->Pen()->SetColor(BottomRightColor);
    Canvas->LineTo(R.Right - 1, R.Bottom - 1);
    Canvas->LineTo(R.Left, R.Bottom - 1);
}

int LuxGetCtrlBorderWidth(bool Ctl3D, TFormBorderStyle BorderStyle) {
    if (BorderStyle != bsSingle) return 0;
    return Ctl3D ? 2 : 1;
}

// --- TLuxBevel -------------------------------------------------------------------------------------

TLuxBevel::TLuxBevel() = default;

void TLuxBevel::SetBevelStyleInner(TLuxBevelStyle Value) {
    if (Value == styleInner_) return;
    if (styleInner_ == bvShadow) styleOuter_ = bvNone;
    styleInner_ = Value;
    if (Value == bvShadow) styleOuter_ = bvShadow;
    Change();
}

void TLuxBevel::SetBevelStyleOuter(TLuxBevelStyle Value) {
    if (Value == styleOuter_) return;
    if (styleOuter_ == bvShadow) styleInner_ = bvNone;
    styleOuter_ = Value;
    if (Value == bvShadow) styleInner_ = bvShadow;
    Change();
}

void TLuxBevel::SetWidthInner(int Value) {
    Value = Clamped(Value, LuxMaxBevelWidth);
    if (Value == widthInner_) return;
    widthInner_ = Value;
    Change();
}

void TLuxBevel::SetWidthOuter(int Value) {
    Value = Clamped(Value, LuxMaxBevelWidth);
    if (Value == widthOuter_) return;
    widthOuter_ = Value;
    Change();
}

void TLuxBevel::SetColor(int Index, TColor Value) {
    TColor* target = Index == 0   ? &borderColor_
                     : Index == 1 ? &lightColor_
                     : Index == 2 ? &shadowColor_
                                  : nullptr;
    if (target) {
        if (*target == Value) return;
        *target = Value;
    }
    Change();
}

void TLuxBevel::SetBorderSides(TLuxFrameSides Value) {
    if (Value == borderSides_) return;
    borderSides_ = Value;
    Change();
}

void TLuxBevel::SetBorderWidth(int Value) {
    Value = Clamped(Value, LuxMaxBorderWidth);
    if (Value == borderWidth_) return;
    borderWidth_ = Value;
    Change();
}

void TLuxBevel::SetBorderSpace(int Value) {
    Value = Clamped(Value, LuxMaxBorderWidth);
    if (Value == borderInnerWidth_) return;
    borderInnerWidth_ = Value;
    Change();
}

void TLuxBevel::SetEdgeStyle(TLuxEdgeStyle Value) {
    if (Value == edgeStyle_) return;
    edgeStyle_ = Value;
    Change();
}

void TLuxBevel::SetMode(TLuxBevelMode Value) {
    if (Value == mode_) return;
    if (windowsSupport_ && (mode_ == bmWindows || Value == bmWindows)) recreateNeeded_ = true;
    mode_ = Value;
    Change();
}

void TLuxBevel::SetStyle(TLuxBorderStyle Value) {
    if (Value == standardStyle_) return;
    standardStyle_ = Value;
    if (mode_ == bmStandard) Change();
}

void TLuxBevel::Change() {
    extent_ = GetBevelExtend();
    farExtent_ = FarExtend();
    TLuxObject::Change();
}

int TLuxBevel::GetBevelExtend() const {
    switch (mode_) {
    case bmCustom: {
        if (styleOuter_ == bvShadow) return widthInner_ + borderInnerWidth_;
        int e = borderWidth_ + borderInnerWidth_;
        for (auto [style, width] :
             {std::pair{styleOuter_, widthOuter_}, std::pair{styleInner_, widthInner_}}) {
            if (style == bvNone) continue;
            e += width;
            if (style == bvFrameLowered || style == bvFrameRaised) ++e;
        }
        return e;
    }
    case bmStandard:
        return LuxDrawStdFrameExt(standardStyle_) + borderInnerWidth_;
    case bmEdge:
        return (borderSides_.Empty() ? 0 : 2) + borderInnerWidth_;
    case bmWindows:
        return windowsSupport_ ? 0 : borderInnerWidth_ + 2;
    }
    return 0;
}

int TLuxBevel::FarExtend() const {
    if (mode_ == bmCustom && styleOuter_ == bvShadow) return widthInner_ + widthOuter_ + borderInnerWidth_;
    return GetBevelExtend();
}

bool TLuxBevel::GetRecreateWnd() {
    const bool result = recreateNeeded_ || (mode_ == bmWindows && windowsSupport_);
    recreateNeeded_ = false;
    return result;
}

TRect TLuxBevel::ClientRect(const TRect& R) const {
    if (mode_ == bmCustom && styleOuter_ == bvShadow) {
        const int near = widthInner_ + borderInnerWidth_;
        const int far = widthInner_ + widthOuter_ + borderInnerWidth_;
        return Rect(R.Left + near, R.Top + near, R.Right - far, R.Bottom - far);
    }
    TRect r = R;
    Shrink(r, extent_);
    return r;
}

void TLuxBevel::Ring(TCanvas* Canvas, TRect& R, int N, bool BorderTransparent) const {
    if (BorderTransparent || !Canvas) {
        Shrink(R, N);
        return;
    }
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(borderColor_);
    for (int i = 0; i < N; ++i) {
        if (!IsEmpty(R)) Canvas->FrameRect(R);
        Shrink(R, 1);
    }
}

TRect TLuxBevel::PaintBevel(TCanvas* Canvas, const TRect& R, bool BorderTransparent) {
    TRect r = R;
    if (extent_ == 0) return r;
    switch (mode_) {
    case bmCustom:
        if (styleOuter_ == bvShadow) {
            LuxDrawFrameShadow(Canvas, r, lightColor_, shadowColor_, borderColor_,
                               static_cast<unsigned char>(widthOuter_),
                               static_cast<unsigned char>(widthInner_), BorderTransparent, 0);
        } else {
            LuxDrawFrame3D(Canvas, r, styleOuter_, lightColor_, shadowColor_, widthOuter_);
            Ring(Canvas, r, borderWidth_, BorderTransparent);
            LuxDrawFrame3D(Canvas, r, styleInner_, lightColor_, shadowColor_, widthInner_);
        }
        break;
    case bmStandard:
        if (Canvas) LuxDrawStdFrame(Canvas, r, standardStyle_, 0);
        break;
    case bmEdge:
        if (!borderSides_.Empty()) {
            static constexpr UINT kEdges[] = {BDR_RAISEDINNER, BDR_RAISEDOUTER, BDR_SUNKENINNER,
                                              BDR_SUNKENOUTER, EDGE_BUMP,       EDGE_ETCHED,
                                              EDGE_RAISED,     EDGE_SUNKEN};
            UINT sides = 0;
            if (borderSides_.Contains(fsLeft)) sides |= BF_LEFT;
            if (borderSides_.Contains(fsTop)) sides |= BF_TOP;
            if (borderSides_.Contains(fsRight)) sides |= BF_RIGHT;
            if (borderSides_.Contains(fsBottom)) sides |= BF_BOTTOM;
            if (Canvas) Edge(Canvas, r, kEdges[edgeStyle_], sides);
            Shrink(r, 2);
        }
        break;
    case bmWindows:
        if (Canvas) LuxDrawStdFrame(Canvas, r, lsLoweredExt, 0);
        break;
    }
    Ring(Canvas, r, borderInnerWidth_, BorderTransparent);
    return r;
}

void TLuxBevel::Assign(const TPersistent* Source) {
    const auto* s = dynamic_cast<const TLuxBevel*>(Source);
    if (!s) {
        TLuxObject::Assign(Source);
        return;
    }
    styleInner_ = s->styleInner_;
    styleOuter_ = s->styleOuter_;
    widthInner_ = s->widthInner_;
    widthOuter_ = s->widthOuter_;
    borderColor_ = s->borderColor_;
    borderSides_ = s->borderSides_;
    borderWidth_ = s->borderWidth_;
    borderInnerWidth_ = s->borderInnerWidth_;
    edgeStyle_ = s->edgeStyle_;
    lightColor_ = s->lightColor_;
    mode_ = s->mode_;
    shadowColor_ = s->shadowColor_;
    standardStyle_ = s->standardStyle_;
    windowsSupport_ = s->windowsSupport_;
    Change();
}

std::string TLuxBevel::GetSetStr() {
    static const char* const kNames[] = {"{Custom style}", "{Standard style}", "{Etged style}",
                                         "{Windows style}"};
    return kNames[mode_];
}

// --- TLuxSimpleBevel -------------------------------------------------------------------------------

void TLuxSimpleBevel::SetColor(int Index, TColor Value) {
    TColor* target = Index == 0 ? &lightColor_ : Index == 1 ? &shadowColor_ : Index == 2 ? &color_ : nullptr;
    if (!target || *target == Value) return;
    *target = Value;
    Change();
}

void TLuxSimpleBevel::SetWidth(int Value) {
    Value = Clamped(Value, LuxMaxBevelWidth);
    if (Value == width_) return;
    width_ = Value;
    Change();
}

void TLuxSimpleBevel::SetStyle(TLuxSimpleBevelStyle Value) {
    if (Value == style_) return;
    style_ = Value;
    Change();
}

void TLuxSimpleBevel::Assign(const TPersistent* Source) {
    const auto* s = dynamic_cast<const TLuxSimpleBevel*>(Source);
    if (!s) {
        TLuxObject::Assign(Source);
        return;
    }
    color_ = s->color_;
    width_ = s->width_;
    style_ = s->style_;
    lightColor_ = s->lightColor_;
    shadowColor_ = s->shadowColor_;
    Change();
}

std::string TLuxSimpleBevel::GetSetStr() {
    static const char* const kNames[] = {"{Normal}", "{Inset}", "{Offset}"};
    return kNames[style_];
}

namespace {

const bool kPublished = [] {
    using published::Property;
    using B = TLuxBevel;
    const TLuxFrameSides all{fsBottom, fsLeft, fsRight, fsTop};
    PublishProperties<TLuxBevel>({
        Property<B>(
            "StyleInner", [](const B& b) { return b.StyleInner(); },
            [](B& b, TLuxBevelStyle v) { b.SetBevelStyleInner(v); }, bvNone),
        Property<B>(
            "StyleOuter", [](const B& b) { return b.StyleOuter(); },
            [](B& b, TLuxBevelStyle v) { b.SetBevelStyleOuter(v); }, bvNone),
        Property<B>(
            "WidthInner", [](const B& b) { return b.WidthInner(); }, [](B& b, int v) { b.SetWidthInner(v); },
            1),
        Property<B>(
            "WidthOuter", [](const B& b) { return b.WidthOuter(); }, [](B& b, int v) { b.SetWidthOuter(v); },
            1),
        Property<B>(
            "BorderColor", [](const B& b) { return b.BorderColor(); },
            [](B& b, TColor v) { b.SetColor(0, v); }, clBtnFace),
        Property<B>(
            "BorderSides", [](const B& b) { return b.BorderSides(); },
            [](B& b, TLuxFrameSides v) { b.SetBorderSides(v); }, static_cast<std::int64_t>(all.Bits())),
        Property<B>(
            "BorderWidth", [](const B& b) { return b.BorderWidth(); },
            [](B& b, int v) { b.SetBorderWidth(v); }, 0),
        Property<B>(
            "BorderInnerWidth", [](const B& b) { return b.BorderInnerWidth(); },
            [](B& b, int v) { b.SetBorderSpace(v); }, 0),
        Property<B>(
            "EdgeStyle", [](const B& b) { return b.EdgeStyle(); },
            [](B& b, TLuxEdgeStyle v) { b.SetEdgeStyle(v); }, etEtched),
        Property<B>(
            "LightColor", [](const B& b) { return b.LightColor(); }, [](B& b, TColor v) { b.SetColor(1, v); },
            clBtnHighlight),
        // No declared default: always stored.
        Property<B>(
            "Mode", [](const B& b) { return b.Mode(); }, [](B& b, TLuxBevelMode v) { b.SetMode(v); }),
        Property<B>(
            "ShadowColor", [](const B& b) { return b.ShadowColor(); },
            [](B& b, TColor v) { b.SetColor(2, v); }, clBtnShadow),
        Property<B>(
            "StandardStyle", [](const B& b) { return b.StandardStyle(); },
            [](B& b, TLuxBorderStyle v) { b.SetStyle(v); }, lsSingleLowered),
    });
    using S = TLuxSimpleBevel;
    PublishProperties<TLuxSimpleBevel>({
        Property<S>(
            "Color", [](const S& s) { return s.Color(); }, [](S& s, TColor v) { s.SetColor(2, v); }, clBlack),
        Property<S>(
            "Width", [](const S& s) { return s.Width(); }, [](S& s, int v) { s.SetWidth(v); }, 2),
        Property<S>(
            "Style", [](const S& s) { return s.Style(); },
            [](S& s, TLuxSimpleBevelStyle v) { s.SetStyle(v); }, sbNormal),
        Property<S>(
            "LightColor", [](const S& s) { return s.LightColor(); }, [](S& s, TColor v) { s.SetColor(0, v); },
            clBtnHighlight),
        Property<S>(
            "ShadowColor", [](const S& s) { return s.ShadowColor(); },
            [](S& s, TColor v) { s.SetColor(1, v); }, clBtnShadow),
    });
    return true;
}();

} // namespace
