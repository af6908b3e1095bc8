// Unit Mystd of the indicator library: labels whose text may be of any length, 3-D and link labels,
// and the application's hint window with its process-wide settings.
#pragma once

#include "platform/rtl/Method.h"
#include "platform/ui/Classes.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/HintWindow.h"
#include "platform/ui/StdCtrls.h"

#include <cstdint>
#include <string>

// --- Labels -------------------------------------------------------------------------------------------

// A label whose text is measured and drawn whole, however long; a caption of 256 characters or more
// is always measured wrapped at word breaks. Disabled it draws in the grey-text colour.
class TvBigLabel : public TCustomLabel {
public:
    explicit TvBigLabel(TComponent* AOwner);

    void Dispatch(TMessage& Message) override;

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    void DoDrawText(TRect& Rect, UINT Flags) override;
    bool MeasuresWrapped() const override;
    // The caption (with DT_CALCRECT a blank for an empty caption or a lone "&") and the flags it is
    // drawn with.
    std::string TextToDraw(UINT& Flags) const;
};

// The 3-D and drop-shadow options of the turned and the 3-D labels: raised or sunken copies in the
// highlight and shadow colours either side of the text, or a drop shadow DropShadowSize to the right
// and below; the copies are drawn only with Use3D. Every change repaints.
template <class Base> class Tv3DText : public Base {
public:
    using Base::Base;

    TColor HighlightColor() const { return highlightColor_; }
    void SetHighlightColor(TColor Value) { Store(highlightColor_, Value); }
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor Value) { Store(shadowColor_, Value); }
    bool Raised() const { return raised_; }
    void SetRaised(bool Value) { Store(raised_, Value); }
    int DropShadowSize() const { return dropShadowSize_; }
    void SetDropShadowSize(int Value) { Store(dropShadowSize_, Value); }
    bool UseDropShadow() const { return useDropShadow_; }
    void SetUseDropShadow(bool Value) { Store(useDropShadow_, Value); }
    bool Use3D() const { return use3D_; }
    void SetUse3D(bool Value) { Store(use3D_, Value); }

protected:
    // The colours of the copy up and left of the text and of the one down and right.
    TColor UpperLeftColor() const { return raised_ ? highlightColor_ : shadowColor_; }
    TColor LowerRightColor() const { return raised_ ? shadowColor_ : highlightColor_; }

private:
    template <class T> void Store(T& field, T Value) {
        field = Value;
        this->Invalidate();
    }

    bool raised_ = true;
    bool use3D_ = true;
    TColor highlightColor_ = clBtnHighlight;
    TColor shadowColor_ = clBtnShadow;
    bool useDropShadow_ = false;
    int dropShadowSize_ = 2;
};

// Raised or sunken 3-D text, or text with a drop shadow.
class Tv3DLabel : public Tv3DText<TvBigLabel> {
public:
    explicit Tv3DLabel(TComponent* AOwner);

protected:
    void DoDrawText(TRect& Rect, UINT Flags) override;
};

// An underlined link: a click opens URL with the desktop's choice of program (nothing when URL is
// empty) and LastClickOK tells whether that started.
class TvcURLLabel : public Tv3DLabel {
public:
    explicit TvcURLLabel(TComponent* AOwner);

    std::string URL;
    bool LastClickOK() const { return lastClickOK_; }
    void SetLastClickOK(bool) {}

    void Click() override;
    void Dispatch(TMessage& Message) override;

private:
    bool lastClickOK_ = true;
};

// The angle of a TvAngleLabel in degrees, 0..359.
using TvAngle = std::uint16_t;

// The caption turned Angle degrees counter-clockwise about the middle of a square control whose
// side is the caption's width plus 16, with the 3-D and drop-shadow copies of Tv3DLabel (off by
// default). Not transparent, the turned text's box is filled in Color. The label keeps itself
// square whatever AutoSize says.
class TvAngleLabel : public Tv3DText<TCustomLabel> {
public:
    explicit TvAngleLabel(TComponent* AOwner);

    TvAngle Angle() const { return angle_; }
    // A value beyond 359 is taken modulo 360.
    void SetAngle(TvAngle Value);

    // After the label has painted.
    TNotifyEvent OnPaint;

protected:
    void Paint() override;
    void AdjustBounds() override;

private:
    // The side of the square: the caption's width in the label's font plus 16.
    int Side();
    void Square(int Side);

    TvAngle angle_ = 0;
    double cos_ = 1.0;
    double sin_ = 0.0;
};

// An invisible 20 x 20 hot spot that reports the pointer coming and going. It draws nothing but a
// dashed outline in the designer; OnParentPaint lets the form draw something there.
class TvMouseSpot : public TCustomLabel {
public:
    explicit TvMouseSpot(TComponent* AOwner);

    void Dispatch(TMessage& Message) override;

    TNotifyEvent OnParentPaint;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    void Paint() override;
};

// --- Hint window and its settings ---------------------------------------------------------------------

enum TvHintPos : std::uint8_t { hpLeftAbove, hpLeftUnder, hpRightAbove, hpRightUnder, hpNormal };
using THintShowEvent = TMethod<void(TObject* Sender, bool& ShowHint)>;

// The settings every TvHintWindow follows, one record for the process: every TvHint edits it.
struct TvHintSettings {
    TvHintPos HintPosition = hpLeftAbove;
    // A hint is at most screen width / PartOfScreen wide (1..10).
    std::uint8_t PartOfScreen = 2;
    // Mouse moves tolerated before the hint closes (2..20).
    std::uint8_t MoveBeforeOff = 5;
    bool MultiLine = true;
    // A 3-D frame and a 6-pixel margin, else a plain frame and 4 pixels.
    bool Use3D = true;
    TNotifyEvent OnHintPaint;
    THintShowEvent OnHintShow;
    TColor ShadowColor = clBtnShadow;
    TColor HighLightColor = clBtnHighlight;
    TFont* Font = nullptr;
};
TvHintSettings& HintSettings();
// Gives the record its defaults again (the font too).
void ResetHintSettings();

// Where a hint Width x Height goes: beside the pointer at Cursor as Position says (hpNormal: at
// Rect's top-left), kept 8 pixels inside a screen of ScreenWidth x ScreenHeight.
TPoint TvHintOrigin(TvHintPos Position, const TRect& Rect, const TPoint& Cursor, int Width, int Height,
                    int ScreenWidth, int ScreenHeight);

class TvHintWindow : public THintWindow {
public:
    explicit TvHintWindow(TComponent* AOwner);

    void ActivateHint(const TRect& Rect, const std::string& AHint) override;
    // Every mouse move counts; beyond MoveBeforeOff of them the hint closes.
    bool IsHintMsg(const MSG& Msg) override;
    // Mouse moves seen since the hint was activated.
    int MoveCount() const { return moveCount_; }

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;

private:
    int Margin() const;
    UINT TextFlags() const;

    int moveCount_ = 0;
};

// Dropped on a form: publishes the hint settings and makes TvHintWindow the application's hint
// window (for good: removing the component leaves it). Construction gives the settings their
// defaults.
class TvHint : public TComponent {
public:
    explicit TvHint(TComponent* AOwner);

    TvHintPos HintPosition() const { return HintSettings().HintPosition; }
    void SetHintPosition(TvHintPos Value);
    std::uint8_t PartOfScreen() const { return HintSettings().PartOfScreen; }
    void SetPartOfScreen(std::uint8_t Value);
    std::uint8_t MoveBeforeOff() const { return HintSettings().MoveBeforeOff; }
    void SetMoveBeforeOff(std::uint8_t Value);
    bool MultiLine() const { return HintSettings().MultiLine; }
    void SetMultiLine(bool Value);
    bool Use3D() const { return HintSettings().Use3D; }
    void SetUse3D(bool Value);
    TColor HighLightColor() const { return HintSettings().HighLightColor; }
    void SetHighLightColor(TColor Value);
    TColor ShadowColor() const { return HintSettings().ShadowColor; }
    void SetShadowColor(TColor Value);
    TFont* Font() const { return HintSettings().Font; }
    // Copies name, colour, height, pitch and style.
    void SetFont(TFont* Value);
    TNotifyEvent OnHintPaint() const { return HintSettings().OnHintPaint; }
    void SetOnHintPaint(TNotifyEvent Value);
    THintShowEvent OnHintShow() const { return HintSettings().OnHintShow; }
    void SetOnHintShow(THintShowEvent Value);

    // Makes TvHintWindow the application's hint window, at once when hints are on.
    void UpDate();

protected:
    void Loaded() override;
};
