#include "indicator_controls/MystdLabels.h"

#include "indicator_controls/ControlProperties.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Text.h"
#include "platform/shell/Shell.h"
#include "platform/ui/ControlMessages.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TypInfo.h"
#include "platform/ui/WindowQueries.h"

#include <cmath>

namespace {

bool Designing(const TComponent* c) {
    return c->ComponentState().Contains(TComponentStateItem::csDesigning);
}

// The outline a windowless control shows in the designer.
void DrawDesignFrame(TCanvas* Canvas, int Width, int Height) {
    Canvas->Pen()->SetColor(clBlack);
    Canvas->Pen()->SetStyle(psDash);
    Canvas->Brush()->SetStyle(bsClear);
    Canvas->Rectangle(0, 0, Width, Height);
}

// The mouse enter and leave events after the inherited handling.
void NotifyEnterLeave(TObject* Sender, const TMessage& Message, const TNotifyEvent& Enter,
                      const TNotifyEvent& Leave) {
    if (Message.Msg == CM_MOUSEENTER && Enter) Enter(Sender);
    if (Message.Msg == CM_MOUSELEAVE && Leave) Leave(Sender);
}

} // namespace

// --- TvBigLabel ---------------------------------------------------------------------------------------

TvBigLabel::TvBigLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}

std::string TvBigLabel::TextToDraw(UINT& Flags) const {
    if (!ShowAccelChar()) Flags |= DT_NOPREFIX;
    std::string text = GetLabelText();
    if ((Flags & DT_CALCRECT) && (text.empty() || (ShowAccelChar() && text == "&")))
        return std::string(1, ' ');
    return text;
}

void TvBigLabel::DoDrawText(TRect& Rect, UINT Flags) {
    const std::string text = TextToDraw(Flags);
    TCanvas* canvas = Canvas();
    canvas->SetFont(Font());
    if (!Enabled()) canvas->Font()->SetColor(clGrayText);
    RECT r = Rect;
    DrawText(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &r, Flags);
    Rect = r;
}

bool TvBigLabel::MeasuresWrapped() const {
    return WordWrap() || GetLabelText().size() >= 256;
}

void TvBigLabel::Dispatch(TMessage& Message) {
    TCustomLabel::Dispatch(Message);
    NotifyEnterLeave(this, Message, OnMouseEnter, OnMouseLeave);
}

// --- Tv3DLabel ----------------------------------------------------------------------------------------

Tv3DLabel::Tv3DLabel(TComponent* AOwner) : Tv3DText<TvBigLabel>(AOwner) {}

void Tv3DLabel::DoDrawText(TRect& Rect, UINT Flags) {
    const std::string text = TextToDraw(Flags);
    TCanvas* canvas = Canvas();
    canvas->SetFont(Font());
    const int n = static_cast<int>(text.size());
    auto drawIn = [&](RECT r, TColor color) {
        canvas->Font()->SetColor(color);
        DrawText(canvas->Handle(), text.c_str(), n, &r, Flags);
    };
    if (Use3D() && !(Flags & DT_CALCRECT)) {
        RECT r2 = Rect;
        if (UseDropShadow()) {
            OffsetRect(&r2, DropShadowSize(), DropShadowSize());
            drawIn(r2, ShadowColor());
        } else {
            OffsetRect(&r2, -1, -1);
            drawIn(r2, UpperLeftColor());
            OffsetRect(&r2, 2, 2);
            drawIn(r2, LowerRightColor());
        }
    }
    canvas->Font()->SetColor(Enabled() ? Font()->Color() : clGrayText);
    RECT r = Rect;
    DrawText(canvas->Handle(), text.c_str(), n, &r, Flags);
    Rect = r;
}

// --- TvcURLLabel --------------------------------------------------------------------------------------

TvcURLLabel::TvcURLLabel(TComponent* AOwner) : Tv3DLabel(AOwner) {
    Font()->SetColor(0x008000);
    Font()->SetHeight(-16);
    Font()->SetName("Arial");
    Font()->SetStyle(TFontStyles{fsUnderline});
    SetCursor(crHandPoint);
    SetUse3D(false);
}

void TvcURLLabel::Click() {
    Tv3DLabel::Click();
    if (URL.empty()) return;
    const HINSTANCE result =
        ShellExecuteA(Application->Handle(), nullptr, URL.c_str(), nullptr, nullptr, SW_SHOW);
    lastClickOK_ = result > 32;
}

void TvcURLLabel::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_DIALOGCHAR && Enabled() &&
        IsAccel(static_cast<unsigned char>(Message.WParam), Caption())) {
        Click();
        Message.Result = 1;
    }
    Tv3DLabel::Dispatch(Message);
}

// --- TvAngleLabel --------------------------------------------------------------------------------------

TvAngleLabel::TvAngleLabel(TComponent* AOwner) : Tv3DText<TCustomLabel>(AOwner) {
    SetUse3D(false);
    SetTransparent(true);
    AdjustBounds();
}

void TvAngleLabel::SetAngle(TvAngle Value) {
    Value = static_cast<TvAngle>(Value % 360);
    if (Value == angle_) return;
    angle_ = Value;
    const double a = angle_ * 3.14159265358979323846 / 180.0;
    cos_ = std::cos(a);
    sin_ = std::sin(a);
    Square(Side());
    Invalidate();
}

int TvAngleLabel::Side() {
    const std::string text = Caption();
    SIZE size{};
    HDC dc = GetDC(0);
    if (dc) {
        HGDIOBJ old = SelectObject(dc, Font()->Handle());
        GetTextExtentPoint32(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, old);
        ReleaseDC(0, dc);
    }
    return size.cx + 16;
}

void TvAngleLabel::Square(int Side) {
    SetBounds(Left(), Top(), Side, Side);
}

void TvAngleLabel::AdjustBounds() {
    if (ComponentState().Contains(TComponentStateItem::csLoading)) return;
    Square(Side());
}

void TvAngleLabel::Paint() {
    TCanvas* canvas = Canvas();
    const std::string text = Caption();
    canvas->SetFont(Font());
    Square(canvas->TextWidth(text) + 16);
    const int cx = Width() / 2, cy = Height() / 2;

    LOGFONT lf;
    GetObject(canvas->Font()->Handle(), sizeof(lf), &lf);
    lf.lfEscapement = lf.lfOrientation = angle_ * 10;
    lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    canvas->Font()->SetHandle(CreateFontIndirect(&lf));

    // Half extents along and across the text, each turned and cut toward zero on its own.
    const auto t = [](double v) { return static_cast<int>(v); };
    int w = canvas->TextWidth(text), h = canvas->TextHeight(text);
    const int x0 = cx - t(w / 2.0 * cos_) - t(h / 2.0 * sin_);
    const int y0 = cy + t(w / 2.0 * sin_) - t(h / 2.0 * cos_);

    if (!Transparent()) {
        w += 7;
        h += 5;
        const int wc = t(w / 2.0 * cos_), ws = t(w / 2.0 * sin_);
        const int hc = t(h / 2.0 * cos_), hs = t(h / 2.0 * sin_);
        canvas->Brush()->SetColor(Color());
        canvas->Brush()->SetStyle(bsSolid);
        canvas->Pen()->SetColor(Color());
        canvas->Pen()->SetStyle(psSolid);
        canvas->Polygon({TPoint(cx - wc - hs, cy + ws - hc), TPoint(cx + wc - hs, cy - ws - hc),
                         TPoint(cx + wc + hs, cy + hc - ws), TPoint(cx + hs - wc, cy + ws + hc)});
    }

    canvas->Brush()->SetStyle(bsClear);
    if (Use3D()) {
        if (UseDropShadow()) {
            canvas->Font()->SetColor(ShadowColor());
            canvas->TextOut(x0 + DropShadowSize(), y0 + DropShadowSize(), text);
        } else {
            canvas->Font()->SetColor(UpperLeftColor());
            canvas->TextOut(x0 - 1, y0 - 1, text);
            canvas->Font()->SetColor(LowerRightColor());
            canvas->TextOut(x0 + 1, y0 + 1, text);
        }
    }
    canvas->Font()->SetColor(Enabled() ? Font()->Color() : clGrayText);
    canvas->TextOut(x0, y0, text);

    if (Designing(this)) DrawDesignFrame(canvas, Width(), Height());
    if (OnPaint) OnPaint(this);
}

// --- TvMouseSpot ---------------------------------------------------------------------------------------

TvMouseSpot::TvMouseSpot(TComponent* AOwner) : TCustomLabel(AOwner) {
    SetTransparent(true);
    SetAutoSize(false);
    SetBounds(Left(), Top(), 20, 20);
    SetCaption("");
}

void TvMouseSpot::Paint() {
    if (Designing(this)) DrawDesignFrame(Canvas(), Width(), Height());
    if (OnParentPaint) OnParentPaint(this);
}

void TvMouseSpot::Dispatch(TMessage& Message) {
    TCustomLabel::Dispatch(Message);
    NotifyEnterLeave(this, Message, OnMouseEnter, OnMouseLeave);
}

namespace {

using published::Property;

// The 3-D options as both 3-D labels publish them; Use3D's default is each one's own.
template <class C> std::vector<TPropInfo> ThreeDProperties(bool use3D) {
    return {
        Property<C>(
            "HighlightColor", [](const C& c) { return c.HighlightColor(); },
            [](C& c, TColor v) { c.SetHighlightColor(v); }, clBtnHighlight),
        Property<C>(
            "ShadowColor", [](const C& c) { return c.ShadowColor(); },
            [](C& c, TColor v) { c.SetShadowColor(v); }, clBtnShadow),
        Property<C>(
            "Raised", [](const C& c) { return c.Raised(); }, [](C& c, bool v) { c.SetRaised(v); }, true),
        Property<C>(
            "DropShadowSize", [](const C& c) { return c.DropShadowSize(); },
            [](C& c, int v) { c.SetDropShadowSize(v); }, 2),
        Property<C>(
            "UseDropShadow", [](const C& c) { return c.UseDropShadow(); },
            [](C& c, bool v) { c.SetUseDropShadow(v); }, false),
        Property<C>(
            "Use3D", [](const C& c) { return c.Use3D(); }, [](C& c, bool v) { c.SetUse3D(v); }, use3D),
    };
}

// The label properties as the class library's label publishes them; a label's own rows follow and
// take the place of the same name.
template <class C> std::vector<TPropInfo> LabelProperties() {
    using published::Standard;
    return Rows(StandardRows<C>("Left Top Width Height Align"),
                Property<C>(
                    "Alignment", [](const C& c) { return c.Alignment(); },
                    [](C& c, TAlignment v) { c.SetAlignment(v); }, taLeftJustify),
                Standard<C>("Anchors"), WithDefault(Standard<C>("AutoSize"), true),
                StandardRows<C>("BiDiMode Caption Color Constraints DragCursor DragKind DragMode Enabled"),
                Property<C>(
                    "FocusControl", [](const C& c) { return c.FocusControl(); },
                    [](C& c, TWinControl* v) { c.SetFocusControl(v); }),
                StandardRows<C>("Font Hint ParentBiDiMode ParentColor ParentFont ParentShowHint PopupMenu"),
                Property<C>(
                    "ShowAccelChar", [](const C& c) { return c.ShowAccelChar(); },
                    [](C& c, bool v) { c.SetShowAccelChar(v); }, true),
                Standard<C>("ShowHint"),
                Property<C>(
                    "Transparent", [](const C& c) { return c.Transparent(); },
                    [](C& c, bool v) { c.SetTransparent(v); }, false),
                Property<C>(
                    "Layout", [](const C& c) { return c.Layout(); },
                    [](C& c, TTextLayout v) { c.SetLayout(v); }, tlTop),
                Standard<C>("Visible"),
                Property<C>(
                    "WordWrap", [](const C& c) { return c.WordWrap(); },
                    [](C& c, bool v) { c.SetWordWrap(v); }, false),
                StandardRows<C>("OnClick OnContextPopup OnDblClick OnDragDrop OnDragOver OnEndDock OnEndDrag "
                                "OnMouseDown OnMouseMove OnMouseUp OnStartDock OnStartDrag"));
}

const bool kPublished = [] {
    using B = TvBigLabel;
    PublishProperties<B, TComponent>(Rows(LabelProperties<B>(),
                                          Property<B>(
                                              "AutoSize", [](const B& b) { return b.AutoSize(); },
                                              [](B& b, bool v) { b.SetAutoSize(v); }, true),
                                          Property<B>(
                                              "WordWrap", [](const B& b) { return b.WordWrap(); },
                                              [](B& b, bool v) { b.SetWordWrap(v); }, false),
                                          EventField<B>("OnMouseEnter", &B::OnMouseEnter),
                                          EventField<B>("OnMouseLeave", &B::OnMouseLeave)));
    PublishProperties<Tv3DLabel, TvBigLabel>(ThreeDProperties<Tv3DLabel>(true));
    using U = TvcURLLabel;
    PublishProperties<U, Tv3DLabel>({
        Property<U>(
            "Cursor", [](const U& u) { return u.Cursor(); }, [](U& u, TCursor v) { u.SetCursor(v); },
            crHandPoint),
        Property<U>(
            "Use3D", [](const U& u) { return u.Use3D(); }, [](U& u, bool v) { u.SetUse3D(v); }, false),
        // Read-only in effect: what the last click did.
        NotStored(Property<U>(
            "LastClickOK", [](const U& u) { return u.LastClickOK(); },
            [](U& u, bool v) { u.SetLastClickOK(v); }, true)),
        Property<U>(
            "URL", [](const U& u) { return u.URL; }, [](U& u, const std::string& v) { u.URL = v; }),
    });

    using A = TvAngleLabel;
    PublishProperties<A, TComponent>(Rows(LabelProperties<A>(), ThreeDProperties<A>(false),
                                          Property<A>(
                                              "Angle", [](const A& a) { return static_cast<int>(a.Angle()); },
                                              [](A& a, int v) { a.SetAngle(static_cast<TvAngle>(v)); }, 0),
                                          Property<A>(
                                              "Transparent", [](const A& a) { return a.Transparent(); },
                                              [](A& a, bool v) { a.SetTransparent(v); }, true),
                                          EventField<A>("OnPaint", &A::OnPaint)));
    using S = TvMouseSpot;
    PublishProperties<S, TComponent>(Rows(LabelProperties<S>(), WidthProperty<S>(20), HeightProperty<S>(20),
                                          EventField<S>("OnParentPaint", &S::OnParentPaint),
                                          EventField<S>("OnMouseEnter", &S::OnMouseEnter),
                                          EventField<S>("OnMouseLeave", &S::OnMouseLeave)));

    using H = TvHint;
    PublishProperties<H, TComponent>({
        Property<H>(
            "HintPosition", [](const H& h) { return h.HintPosition(); },
            [](H& h, TvHintPos v) { h.SetHintPosition(v); }, hpLeftAbove),
        Property<H>(
            "PartOfScreen", [](const H& h) { return static_cast<int>(h.PartOfScreen()); },
            [](H& h, int v) { h.SetPartOfScreen(static_cast<std::uint8_t>(v)); }, 2),
        Property<H>(
            "MoveBeforeOff", [](const H& h) { return static_cast<int>(h.MoveBeforeOff()); },
            [](H& h, int v) { h.SetMoveBeforeOff(static_cast<std::uint8_t>(v)); }, 5),
        Property<H>(
            "MultiLine", [](const H& h) { return h.MultiLine(); }, [](H& h, bool v) { h.SetMultiLine(v); },
            true),
        Property<H>(
            "Use3D", [](const H& h) { return h.Use3D(); }, [](H& h, bool v) { h.SetUse3D(v); }, true),
        Property<H>(
            "HighLightColor", [](const H& h) { return h.HighLightColor(); },
            [](H& h, TColor v) { h.SetHighLightColor(v); }, clBtnHighlight),
        Property<H>(
            "ShadowColor", [](const H& h) { return h.ShadowColor(); },
            [](H& h, TColor v) { h.SetShadowColor(v); }, clBtnShadow),
        Property<H>(
            "Font", [](const H& h) { return h.Font(); }, nullptr),
        Property<H>(
            "OnHintPaint", [](const H& h) { return h.OnHintPaint(); },
            [](H& h, TNotifyEvent v) { h.SetOnHintPaint(v); }),
        Property<H>(
            "OnHintShow", [](const H& h) { return h.OnHintShow(); },
            [](H& h, THintShowEvent v) { h.SetOnHintShow(v); }),
    });

    RegisterClass<TvBigLabel>();
    RegisterClass<Tv3DLabel>();
    RegisterClass<TvcURLLabel>();
    RegisterClass<TvAngleLabel>();
    RegisterClass<TvMouseSpot>();
    RegisterClass<TvHint>();
    return true;
}();

} // namespace

// --- Hint settings ------------------------------------------------------------------------------------

namespace {
void SetDefaults(TvHintSettings& s) {
    TFont* font = s.Font;
    s = TvHintSettings{};
    s.Font = font;
    font->SetName("MS Sans Serif");
    font->SetHeight(-11);
    font->SetColor(clWindowText);
    font->SetPitch(fpDefault);
    font->SetStyle(TFontStyles{});
}
} // namespace

TvHintSettings& HintSettings() {
    static TvHintSettings settings = [] {
        TvHintSettings s;
        s.Font = new TFont;
        SetDefaults(s);
        return s;
    }();
    return settings;
}

void ResetHintSettings() {
    SetDefaults(HintSettings());
}

TPoint TvHintOrigin(TvHintPos Position, const TRect& Rect, const TPoint& Cursor, int Width, int Height,
                    int ScreenWidth, int ScreenHeight) {
    int x = Position == hpNormal ? Rect.Left : Cursor.X;
    int y = Position == hpNormal ? Rect.Top : Cursor.Y;
    switch (Position) {
    case hpLeftAbove:
        x -= Width + 4;
        y -= Height + 4;
        break;
    case hpLeftUnder:
        x -= Width + 4;
        y += 24;
        break;
    case hpRightAbove:
        x += 4;
        y -= Height + 4;
        break;
    case hpRightUnder:
        x += 4;
        y += 24;
        break;
    case hpNormal:
        break;
    }
    if (y + Height + 8 > ScreenHeight) y = ScreenHeight - Height - 8;
    if (x + Width + 8 > ScreenWidth) x = ScreenWidth - Width - 8;
    if (x < 8) x = 8;
    if (y < 8) y = 8;
    return TPoint(x, y);
}

// --- TvHintWindow -------------------------------------------------------------------------------------

TvHintWindow::TvHintWindow(TComponent* AOwner) : THintWindow(AOwner) {}

void TvHintWindow::CreateParams(TCreateParams& Params) {
    THintWindow::CreateParams(Params);
    Params.Style = WS_POPUP | WS_DISABLED;
    Params.WindowClass.style |= CS_SAVEBITS;
}

int TvHintWindow::Margin() const {
    return HintSettings().Use3D ? 6 : 4;
}

UINT TvHintWindow::TextFlags() const {
    return DT_NOPREFIX | DT_EXPANDTABS | (HintSettings().MultiLine ? DT_WORDBREAK : 0);
}

void TvHintWindow::ActivateHint(const TRect& Rect, const std::string& AHint) {
    const TvHintSettings& s = HintSettings();
    bool showHint = true;
    if (s.OnHintShow) s.OnHintShow(this, showHint);
    if (!showHint) return;
    Canvas()->SetFont(s.Font);
    moveCount_ = 0;
    // The whole text is measured, however long.
    const int margin = Margin();
    const int part = s.PartOfScreen == 0 ? 1 : s.PartOfScreen;
    RECT r{margin, margin, Screen->Width() / part - margin, -margin};
    HDC dc = GetDC(0);
    if (dc) {
        HGDIOBJ old = SelectObject(dc, s.Font->Handle());
        DrawText(dc, AHint.c_str(), static_cast<int>(AHint.size()), &r, DT_CALCRECT | TextFlags());
        SelectObject(dc, old);
        ReleaseDC(0, dc);
    }
    SetCaption(AHint);
    InflateRect(&r, margin, margin);
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    POINT cursor{};
    if (s.HintPosition != hpNormal) GetCursorPos(&cursor);
    const TPoint at = TvHintOrigin(s.HintPosition, Rect, TPoint(cursor.x, cursor.y), w, h, Screen->Width(),
                                   Screen->Height());
    SetWindowPos(Handle(), HWND_TOPMOST, at.X, at.Y, w, h, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    Invalidate();
}

bool TvHintWindow::IsHintMsg(const MSG& Msg) {
    if (Msg.message == WM_MOUSEMOVE) ++moveCount_;
    if (moveCount_ <= HintSettings().MoveBeforeOff) return THintWindow::IsHintMsg(Msg);
    moveCount_ = 0;
    return true;
}

void TvHintWindow::Paint() {
    const TvHintSettings& s = HintSettings();
    TCanvas* canvas = Canvas();
    const TRect c = ClientRect();
    const int L = c.Left, T = c.Top, R = c.Right, B = c.Bottom;
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(c);
    canvas->SetFont(s.Font);
    canvas->Pen()->SetColor(clBlack);
    if (s.Use3D) {
        canvas->Polyline({TPoint(R - 1, T), TPoint(R - 1, B - 1), TPoint(L, B - 1)});
        canvas->Pen()->SetColor(s.ShadowColor);
        canvas->Polyline({TPoint(L, B - 1), TPoint(L, T), TPoint(R - 1, T)});
        canvas->Polyline({TPoint(R - 2, T + 1), TPoint(R - 2, B - 2), TPoint(L, B - 2)});
        canvas->Pen()->SetColor(s.HighLightColor);
        canvas->Polyline({TPoint(L + 1, B - 3), TPoint(L + 1, T + 1), TPoint(R - 2, T + 1)});
    } else {
        canvas->Brush()->SetStyle(bsClear);
        canvas->Rectangle(c);
    }
    canvas->Brush()->SetStyle(bsClear);
    RECT r = c;
    InflateRect(&r, -Margin(), -Margin());
    const std::string text = Caption();
    DrawText(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &r, TextFlags());
    if (s.OnHintPaint) s.OnHintPaint(this);
}

// --- TvHint -------------------------------------------------------------------------------------------

TvHint::TvHint(TComponent* AOwner) : TComponent(AOwner) {
    ResetHintSettings();
}

void TvHint::Loaded() {
    TComponent::Loaded();
    UpDate();
}

void TvHint::UpDate() {
    // A hint showing now goes, so the next one comes from the new class.
    if (Application && Application->ShowHint) Application->CancelHint();
    HintWindowClass = MakeHintWindow<TvHintWindow>;
}

namespace {
template <class T> void Change(T& field, T value, TvHint* hint) {
    if (field == value) return;
    field = value;
    hint->UpDate();
}
} // namespace

void TvHint::SetHintPosition(TvHintPos Value) {
    Change(HintSettings().HintPosition, Value, this);
}
void TvHint::SetPartOfScreen(std::uint8_t Value) {
    Change(HintSettings().PartOfScreen, Value, this);
}
void TvHint::SetMoveBeforeOff(std::uint8_t Value) {
    Change(HintSettings().MoveBeforeOff, Value, this);
}
void TvHint::SetMultiLine(bool Value) {
    Change(HintSettings().MultiLine, Value, this);
}
void TvHint::SetUse3D(bool Value) {
    Change(HintSettings().Use3D, Value, this);
}
void TvHint::SetHighLightColor(TColor Value) {
    Change(HintSettings().HighLightColor, Value, this);
}
void TvHint::SetShadowColor(TColor Value) {
    Change(HintSettings().ShadowColor, Value, this);
}

void TvHint::SetFont(TFont* Value) {
    TFont* own = HintSettings().Font;
    if (!Value || Value == own) return;
    own->SetName(Value->Name());
    own->SetColor(Value->Color());
    own->SetHeight(Value->Height());
    own->SetPitch(Value->Pitch());
    own->SetStyle(Value->Style());
    UpDate();
}

void TvHint::SetOnHintPaint(TNotifyEvent Value) {
    HintSettings().OnHintPaint = Value;
    UpDate();
}

void TvHint::SetOnHintShow(THintShowEvent Value) {
    HintSettings().OnHintShow = Value;
    UpDate();
}
