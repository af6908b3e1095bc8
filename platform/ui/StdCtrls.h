// The standard controls: TLabel (windowless, drawn with DrawText like the class library's label),
// and thin windowed controls over Qt's widgets: TEdit, TButton, TCheckBox, TMemo, TComboBox; and
// TGroupBox, which paints its own frame.
#pragma once

#include "platform/rtl/Lists.h"
#include "platform/ui/Controls.h"

#include <string>

class QLineEdit;
class QPushButton;
class QCheckBox;
class QPlainTextEdit;
class QComboBox;

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TCustomLabel : public TGraphicControl {
public:
    explicit TCustomLabel(TComponent* AOwner);

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    // The label takes the size of its text whenever text or font change.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool Transparent() const { return !ControlStyle.Contains(csOpaque); }
    void SetTransparent(bool value);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool value);
    TWinControl* FocusControl() const { return focusControl_; }
    void SetFocusControl(TWinControl* value);

    void Dispatch(TMessage& Message) override;

protected:
    virtual std::string GetLabelText() const { return Caption(); }
    // Draws (or with DT_CALCRECT measures) the caption in rect with the label's font.
    virtual void DoDrawText(TRect& rect, UINT flags);
    void Paint() override;
    virtual void AdjustBounds();
    // Whether AdjustBounds measures the text wrapped at word breaks.
    virtual bool MeasuresWrapped() const { return wordWrap_; }
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
    bool wordWrap_ = false;
    bool autoSize_ = true;
    bool showAccelChar_ = true;
    TWinControl* focusControl_ = nullptr;
};

class TLabel : public TCustomLabel {
public:
    using TCustomLabel::TCustomLabel;
};

class TCustomEdit : public TWinControl {
public:
    explicit TCustomEdit(TComponent* AOwner);

    // 0: no limit. Limits what the user types; text set by the program is kept whole.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    char PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(char value);
    TEditCharCase CharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase value);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);
    bool AutoSelect = true;

    int SelStart() const;
    void SetSelStart(int value);
    int SelLength() const;
    void SetSelLength(int value);
    std::string SelText() const;
    void SetSelText(const std::string& value);
    void SelectAll();
    void Clear() { SetText(""); }

    void Dispatch(TMessage& Message) override;

    TNotifyEvent OnChange;

protected:
    virtual void Change();
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void InitWidget() override;
    bool PaintsSelf() const override { return false; }
    std::string RealGetText() const override;
    void TextChanged() override;
    void DoEnter() override;
    // The text outlives the window.
    void DestroyHandle() override;

private:
    QLineEdit* Edit() const;
    void ApplyMaxLength();

    int maxLength_ = 0;
    bool readOnly_ = false;
    char passwordChar_ = 0;
    TEditCharCase charCase_ = ecNormal;
    TBorderStyle borderStyle_ = bsSingle;
    bool pushing_ = false;
};

class TEdit : public TCustomEdit {
public:
    using TCustomEdit::TCustomEdit;
};

// The base of buttons whose window is the system's button: a control subclasses "BUTTON" in its
// CreateParams (CreateSubClass) and gets BN_CLICKED and BN_DOUBLECLICKED as CN_COMMAND, and with
// BS_OWNERDRAW its drawing requests as CN_DRAWITEM.
class TButtonControl : public TWinControl {
public:
    using TWinControl::TWinControl;
};

class TButton : public TWinControl {
public:
    explicit TButton(TComponent* AOwner);

    // Enter on the form clicks the default button, Escape the cancel button.
    bool Default() const { return default_; }
    void SetDefault(bool value) { default_ = value; }
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }
    // Clicking sets the form's ModalResult to this.
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int value) { modalResult_ = value; }

    void Click() override;
    void Dispatch(TMessage& Message) override;

protected:
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void InitWidget() override;
    bool PaintsSelf() const override { return false; }
    void TextChanged() override;

private:
    bool default_ = false;
    bool cancel_ = false;
    int modalResult_ = 0;
};

class TCheckBox : public TWinControl {
public:
    explicit TCheckBox(TComponent* AOwner);

    bool Checked() const { return state_ == cbChecked; }
    void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
    // A change made by the program clicks too, as the class library does (not while loading).
    TCheckBoxState State() const { return state_; }
    void SetState(TCheckBoxState value);
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool value);
    // taRightJustify: box on the left, caption on its right.
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);

protected:
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void InitWidget() override;
    bool PaintsSelf() const override { return false; }
    void TextChanged() override;

private:
    void ApplyState();

    TCheckBoxState state_ = cbUnchecked;
    bool allowGrayed_ = false;
    TAlignment alignment_ = taRightJustify;
};

class TMemo : public TWinControl {
public:
    explicit TMemo(TComponent* AOwner);
    ~TMemo() override;

    TStringList* Lines() const { return lines_; }
    void SetLines(const TStringList* value) { lines_->Assign(*value); }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    int MaxLength = 0;
    bool WantReturns = true;
    bool WantTabs = false;
    void Clear() { lines_->Clear(); }
    void Dispatch(TMessage& Message) override;

    TNotifyEvent OnChange;

protected:
    virtual void Change();
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void InitWidget() override;
    bool PaintsSelf() const override { return false; }
    // The lines joined with CR LF.
    std::string RealGetText() const override;
    void RealSetText(const std::string& value) override;

private:
    QPlainTextEdit* Editor() const;
    void LinesChanged();
    void ApplyOptions();

    TStringList* lines_;
    bool readOnly_ = false;
    TScrollStyle scrollBars_ = ssNone;
    bool wordWrap_ = true;
    bool syncing_ = false;
};

class TComboBox : public TWinControl {
public:
    explicit TComboBox(TComponent* AOwner);
    ~TComboBox() override;

    TStringList* Items() const { return items_; }
    void SetItems(const TStringList* value) { items_->Assign(*value); }
    // -1: none selected. Setting it fires no event.
    int ItemIndex() const;
    void SetItemIndex(int value);
    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle value);
    bool Sorted() const { return items_->Sorted(); }
    void SetSorted(bool value) { items_->SetSorted(value); }
    int DropDownCount = 8;
    int MaxLength = 0;

    TNotifyEvent OnChange;

protected:
    virtual void Change();
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void InitWidget() override;
    bool PaintsSelf() const override { return false; }
    std::string RealGetText() const override;
    void TextChanged() override;

private:
    QComboBox* Combo() const;
    void ItemsChanged();

    TStringList* items_;
    int itemIndex_ = -1;
    TComboBoxStyle style_ = csDropDown;
    bool syncing_ = false;
};

class TGroupBox : public TCustomControl {
public:
    explicit TGroupBox(TComponent* AOwner);
    void Dispatch(TMessage& Message) override;

protected:
    void Paint() override;
};
