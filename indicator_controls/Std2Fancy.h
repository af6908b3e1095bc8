// Unit Std2's skinned buttons: a check box, a radio button and a push button whose whole look comes
// from pictures. For each visual state the button keeps a glyph, the glyph's offset, the rectangle
// the caption is drawn in and a region that gives the window its outline; only the background
// colour and the caption are drawn. The outline and the size it gives the control are worked out
// when the state, the size or a property changes and handed to the window only when they differ;
// painting only draws.
#pragma once

#include "indicator_controls/BtnFaces.h"
#include "indicator_controls/PushBtn.h"
#include "indicator_controls/Std2.h"
#include "platform/ui/StdCtrls.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

// The resources of one visual state, owned by the button. Changing any of them repaints it; a
// changed glyph or region also gives the window its outline anew.
class TvcFancySet {
public:
    TvcFancySet(int TextLeft, int TextTop, int TextWidth, int TextHeight);
    TBitmap Glyph;
    TvcBmpOffset OffsetGlyph;
    TvcTextSize TextSize;
    TvcRgn BtnRgn;
};

// What the skinned buttons share besides the caption options: the transparent colour of the glyphs, the
// state sets, and choosing, shaping and painting the current state. Base is the windowed control
// the button is built on.
template <class Base> class TvFancyLook : public TvCaptionOptions<Base> {
public:
    template <class... Args> explicit TvFancyLook(Args&&... args);

    TColor TransparentColor() const { return transparentColor_; }
    void SetTransparentColor(TColor Value);
    // Loaded from a form (or told so): the look follows the state from then on.
    bool IsLoaded() const { return loaded_; }

    // The state set chosen now (also before loading, when it is the fixed pre-load state).
    int PaintState() const;
    // The glyph shown now: the state's own, else the normal one, else none (nullptr).
    TBitmap* ShownGlyph() const;
    // The resources of a state (by its number).
    TvcFancySet& StateSet(int State) const { return *sets_.at(static_cast<std::size_t>(State)); }

    TNotifyEvent OnPaint;

protected:
    // Adds a state set (in the order of the state numbers).
    void AddSet(int TextLeft, int TextTop, int TextWidth, int TextHeight);
    // Copies a glyph or region into a state set, or takes Left and Top (and Width and Height) of an
    // offset or text rectangle: the button keeps its own objects.
    void CopyGlyph(int State, TBitmap* Value);
    void CopyRegion(int State, const TvcRgn* Value);
    void CopyOffset(int State, const TvcBmpOffset* Value);
    void CopyTextSize(int State, const TvcTextSize* Value);

    // The state by the control's condition, once loaded; the state used before; the normal state
    // whose glyph and region stand in for missing ones.
    virtual int LoadedState() const = 0;
    virtual int PreloadState() const = 0;
    virtual int NormalState() const = 0;
    // The caption is bold in the dlfBold look.
    virtual bool BoldCaption() const { return this->Focused(); }
    // The region of the state now: its own, else the normal one; none for the client rectangle.
    RegionValue SkinRegion() const;
    // Takes the size of the region's box at the current position.
    void SizeToRegion(const RegionValue& Region);
    // The look (and so perhaps the outline) changed.
    virtual void LookChanged() = 0;
    void SetLoaded();
    // Draws the state onto Canvas: background, glyph, caption; then the design frame and OnPaint.
    void PaintSkin(TCanvas* Canvas);

private:
    void Changed(TObject*) { this->Invalidate(); }
    void RegionChanged(TObject*) { LookChanged(); }

    std::vector<std::unique_ptr<TvcFancySet>> sets_;
    TColor transparentColor_ = 0;
    bool loaded_ = false;
};

// --- Check box and radio button ---------------------------------------------------------------------

// The states of the skinned check box and radio button; the check box adds the grayed two.
enum TvcFancyState { fcNormal, fcChecked, fcFocused, fcFocusedChecked, fcDisabled, fcGrayed, fcFocusedGrayed };

// A windowed owner-drawn system button with five state sets: normal, Checked, Focused,
// FocusedChecked, Disabled.
class TvcFancyCustomBtn : public TvFancyLook<TButtonControl> {
public:
    explicit TvcFancyCustomBtn(TComponent* AOwner);
    ~TvcFancyCustomBtn() override;

#define VX_FANCY_SET(Suffix, State)                                                                          \
    TBitmap* Glyph##Suffix() const { return &StateSet(State).Glyph; }                                             \
    void SetGlyph##Suffix(TBitmap* Value) { CopyGlyph(State, Value); }                                       \
    TvcBmpOffset* OffsetGlyph##Suffix() const { return &StateSet(State).OffsetGlyph; }                            \
    void SetOffsetGlyph##Suffix(const TvcBmpOffset* Value) { CopyOffset(State, Value); }                     \
    TvcTextSize* TextSize##Suffix() const { return &StateSet(State).TextSize; }                                   \
    void SetTextSize##Suffix(const TvcTextSize* Value) { CopyTextSize(State, Value); }                       \
    TvcRgn* BtnRgn##Suffix() const { return &StateSet(State).BtnRgn; }                                            \
    void SetBtnRgn##Suffix(const TvcRgn* Value) { CopyRegion(State, Value); }
    VX_FANCY_SET(, fcNormal)
    VX_FANCY_SET(Checked, fcChecked)
    VX_FANCY_SET(Focused, fcFocused)
    VX_FANCY_SET(FocusedChecked, fcFocusedChecked)
    VX_FANCY_SET(Disabled, fcDisabled)

    // The region the window shows (none: the whole control).
    const RegionValue& ShownRegion() const { return shown_; }
    TCanvas* Canvas() const { return canvas_; }

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Dispatch(TMessage& Message) override;

protected:
    virtual void Paint() {}
    void PaintWindow(HDC DC) override;
    void CreateParams(TCreateParams& Params) override;
    void CreateHandle() override;
    void Loaded() override;
    void LookChanged() override;
    int PreloadState() const override { return fcNormal; }
    int NormalState() const override { return fcNormal; }
    // The check state the system button is told.
    virtual WPARAM CheckState() const = 0;

private:
    void ShowRegion();

    TControlCanvas* canvas_;
    RegionValue shown_;
};

class TvcCustomFancyCheckBox : public TvcFancyCustomBtn {
public:
    explicit TvcCustomFancyCheckBox(TComponent* AOwner);

    VX_FANCY_SET(FocusedGrayed, fcFocusedGrayed)
    VX_FANCY_SET(Grayed, fcGrayed)

    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool Value) { allowGrayed_ = Value; }
    TCheckBoxState State() const { return state_; }
    void SetState(TCheckBoxState Value);
    bool Checked() const { return state_ == cbChecked; }
    void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }

    virtual void Toggle();
    void Click() override;
    void Dispatch(TMessage& Message) override;

protected:
    void Paint() override { PaintSkin(Canvas()); }
    void CreateParams(TCreateParams& Params) override;
    int LoadedState() const override;
    WPARAM CheckState() const override;

private:
    bool allowGrayed_ = false;
    TCheckBoxState state_ = cbUnchecked;
};

class TvcFancyCheckBox : public TvcCustomFancyCheckBox {
public:
    using TvcCustomFancyCheckBox::TvcCustomFancyCheckBox;
};

class TvcCustomFancyRadioButton : public TvcFancyCustomBtn {
public:
    explicit TvcCustomFancyRadioButton(TComponent* AOwner);

    bool Checked() const { return checked_; }
    // Checking one unchecks the other radio buttons of the same group on the same parent.
    void SetChecked(bool Value);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int Value) { groupIndex_ = Value; }

    void Dispatch(TMessage& Message) override;

protected:
    void Paint() override { PaintSkin(Canvas()); }
    int LoadedState() const override;
    WPARAM CheckState() const override { return checked_ ? BST_CHECKED : BST_UNCHECKED; }

private:
    bool checked_ = false;
    int groupIndex_ = 0;
};

class TvcFancyRadioButton : public TvcCustomFancyRadioButton {
public:
    using TvcCustomFancyRadioButton::TvcCustomFancyRadioButton;
};

// --- Push button ------------------------------------------------------------------------------------

enum TvcFancyButtonState { fbUp, fbDown, fbFocused, fbDisabled };

// A skinned push button with four state sets (Up, Down, Focused, Disabled), on the push-button
// core: down while a press stays inside the window's region, default and cancel keys, a modal
// result, mouse enter and leave.
class TvcFancyButton : public TvFancyLook<TvcPushButton> {
public:
    explicit TvcFancyButton(TComponent* AOwner);

    VX_FANCY_SET(Up, fbUp)
    VX_FANCY_SET(Down, fbDown)
    VX_FANCY_SET(Focused, fbFocused)
    VX_FANCY_SET(Disabled, fbDisabled)

    void Dispatch(TMessage& Message) override;

protected:
    void Paint() override { PaintSkin(Canvas()); }
    void Loaded() override;
    RegionValue WantedRegion() override { return SkinRegion(); }
    void ShowRegion() override;
    bool IsKin(const TControl* Control) const override;
    bool BoldCaption() const override { return Focused() || Default(); }
    void LookChanged() override;
    int LoadedState() const override;
    int PreloadState() const override { return fbFocused; }
    int NormalState() const override { return fbUp; }
};

#undef VX_FANCY_SET

extern template class TvFancyLook<TButtonControl>;
extern template class TvFancyLook<TvcPushButton>;
