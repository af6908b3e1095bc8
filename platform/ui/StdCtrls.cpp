#include "platform/ui/StdCtrls.h"

#include "platform/gdi/Text.h"
#include "platform/rtl/Strings.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Widgets_p.h"
#include "platform/ui/Win1252.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include <cctype>

namespace {

bool IsLoading(const TComponent* c) {
    return c->ComponentState().Contains(TComponentStateItem::csLoading);
}

constexpr UINT kAlignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};

// "\r\n" and "\r" from the system's strings become "\n" for Qt, and back.
QString ToQtLines(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out.push_back('\n');
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return Win1252ToQString(out);
}

std::string FromQtLines(const QString& text) {
    const std::string in = QStringToWin1252(text);
    std::string out;
    for (char c : in) {
        if (c == '\n')
            out += "\r\n";
        else
            out.push_back(c);
    }
    return out;
}

} // namespace

// --- TCustomLabel ---------------------------------------------------------------------------------

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    ControlStyle = ControlStyle + TControlStyle{csOpaque, csReplicatable};
    SetBounds(0, 0, 65, 17);
}

void TCustomLabel::SetAlignment(TAlignment value) {
    if (value == alignment_) return;
    alignment_ = value;
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout value) {
    if (value == layout_) return;
    layout_ = value;
    Invalidate();
}

void TCustomLabel::SetWordWrap(bool value) {
    if (value == wordWrap_) return;
    wordWrap_ = value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool value) {
    if (value == autoSize_) return;
    autoSize_ = value;
    AdjustBounds();
}

void TCustomLabel::SetTransparent(bool value) {
    if (value == Transparent()) return;
    if (value)
        ControlStyle.Exclude(csOpaque);
    else
        ControlStyle.Include(csOpaque);
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool value) {
    if (value == showAccelChar_) return;
    showAccelChar_ = value;
    Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* value) {
    if (focusControl_) focusControl_->RemoveFreeNotification(this);
    focusControl_ = value;
    if (value) value->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == focusControl_) focusControl_ = nullptr;
}

void TCustomLabel::DoDrawText(TRect& rect, UINT flags) {
    std::string text = GetLabelText();
    if ((flags & DT_CALCRECT) && (text.empty() || (showAccelChar_ && text == "&"))) text += ' ';
    if (!showAccelChar_) flags |= DT_NOPREFIX;
    TCanvas* canvas = Canvas();
    canvas->SetFont(Font());
    RECT r = rect;
    if (!Enabled()) {
        OffsetRect(&r, 1, 1);
        canvas->Font()->SetColor(clBtnHighlight);
        DrawText(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &r, flags);
        OffsetRect(&r, -1, -1);
        canvas->Font()->SetColor(clBtnShadow);
    }
    DrawText(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &r, flags);
    rect = r;
}

void TCustomLabel::Paint() {
    TCanvas* canvas = Canvas();
    if (!Transparent()) {
        canvas->Brush()->SetColor(Color());
        canvas->Brush()->SetStyle(bsSolid);
        canvas->FillRect(ClientRect());
    }
    canvas->Brush()->SetStyle(bsClear);
    TRect rect = ClientRect();
    const UINT flags = DT_EXPANDTABS | (wordWrap_ ? DT_WORDBREAK : 0) | kAlignments[alignment_];
    if (layout_ != tlTop) {
        TRect calc = rect;
        DoDrawText(calc, flags | DT_CALCRECT);
        const int dy = layout_ == tlBottom ? Height() - calc.Bottom : (Height() - calc.Bottom) / 2;
        rect = TRect(rect.Left, rect.Top + dy, rect.Right, rect.Bottom + dy);
    }
    DoDrawText(rect, flags);
}

void TCustomLabel::AdjustBounds() {
    if (IsLoading(this) || !autoSize_) return;
    TRect rect = ClientRect();
    HDC dc = GetDC(0);
    if (!dc) return;
    auto* canvas = static_cast<TControlCanvas*>(Canvas());
    canvas->FreeHandle();
    canvas->SetHandle(dc);
    DoDrawText(rect, DT_EXPANDTABS | DT_CALCRECT | (MeasuresWrapped() ? DT_WORDBREAK : 0));
    canvas->SetHandle(nullptr);
    ReleaseDC(0, dc);
    int x = Left();
    if (alignment_ == taRightJustify) x += Width() - rect.Right;
    SetBounds(x, Top(), rect.Right, rect.Bottom);
}

void TCustomLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TCustomLabel::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_TEXTCHANGED:
        Invalidate();
        AdjustBounds();
        return;
    case CM_FONTCHANGED:
        TGraphicControl::Dispatch(Message);
        AdjustBounds();
        return;
    case CM_DIALOGCHAR:
        if (focusControl_ && Enabled() && showAccelChar_ &&
            IsAccel(static_cast<unsigned char>(Message.WParam), Caption()) && focusControl_->CanFocus()) {
            focusControl_->SetFocus();
            Message.Result = 1;
        }
        return;
    default:
        TGraphicControl::Dispatch(Message);
        return;
    }
}

// --- TCustomEdit ----------------------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
    ControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks, csFixedHeight};
    SetBounds(0, 0, 121, 21);
    SetTabStop(true);
    SetColor(clWindow);
}

QLineEdit* TCustomEdit::Edit() const {
    return static_cast<QLineEdit*>(widget_);
}

QWidget* TCustomEdit::CreateWidget(QWidget* parentWidget) {
    auto* edit = new QLineEdit(parentWidget);
    AttachBridge(this, edit);
    QObject::connect(edit, &QLineEdit::textChanged, edit, [this](const QString&) {
        if (pushing_) return;
        CallGuarded(this, [this] { Change(); });
    });
    QObject::connect(edit, &QLineEdit::textEdited, edit, [this, edit](const QString& text) {
        if (charCase_ == ecNormal) return;
        const QString cased = charCase_ == ecUpperCase ? text.toUpper() : text.toLower();
        if (cased == text) return;
        const int cursor = edit->cursorPosition();
        edit->setText(cased);
        edit->setCursorPosition(cursor);
    });
    return edit;
}

void TCustomEdit::InitWidget() {
    QLineEdit* edit = Edit();
    pushing_ = true;
    edit->setText(Win1252ToQString(TControl::RealGetText()));
    pushing_ = false;
    ApplyMaxLength();
    edit->setReadOnly(readOnly_);
    edit->setEchoMode(passwordChar_ ? QLineEdit::Password : QLineEdit::Normal);
    edit->setFrame(borderStyle_ != bsNone);
}

void TCustomEdit::ApplyMaxLength() {
    if (QLineEdit* edit = Edit()) {
        const int length = edit->text().size();
        edit->setMaxLength(maxLength_ > 0 ? std::max(maxLength_, length) : 32767);
    }
}

std::string TCustomEdit::RealGetText() const {
    if (QLineEdit* edit = Edit()) return QStringToWin1252(edit->text());
    return TControl::RealGetText();
}

void TCustomEdit::TextChanged() {
    QLineEdit* edit = Edit();
    const std::string text = TControl::RealGetText();
    if (maxLength_ > 0 && static_cast<int>(text.size()) > maxLength_)
        edit->setMaxLength(static_cast<int>(text.size()));
    edit->setText(Win1252ToQString(text));
    ApplyMaxLength();
}

void TCustomEdit::DestroyHandle() {
    if (QLineEdit* edit = Edit()) TControl::RealSetText(QStringToWin1252(edit->text()));
    TWinControl::DestroyHandle();
}

void TCustomEdit::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_TEXTCHANGED) {
        // With a window the widget reports the change itself.
        if (!Edit()) Change();
        return;
    }
    TWinControl::Dispatch(Message);
}

void TCustomEdit::Change() {
    if (OnChange) OnChange(this);
}

void TCustomEdit::DoEnter() {
    if (AutoSelect && Edit()) Edit()->selectAll();
    TWinControl::DoEnter();
}

void TCustomEdit::SetMaxLength(int value) {
    maxLength_ = std::max(value, 0);
    ApplyMaxLength();
}

void TCustomEdit::SetReadOnly(bool value) {
    readOnly_ = value;
    if (Edit()) Edit()->setReadOnly(value);
}

void TCustomEdit::SetPasswordChar(char value) {
    passwordChar_ = value;
    if (Edit()) Edit()->setEchoMode(value ? QLineEdit::Password : QLineEdit::Normal);
}

void TCustomEdit::SetCharCase(TEditCharCase value) {
    charCase_ = value;
    if (value == ecNormal) return;
    const std::string text = Text();
    SetText(value == ecUpperCase ? UpperCase(text) : LowerCase(text));
}

void TCustomEdit::SetBorderStyle(TBorderStyle value) {
    borderStyle_ = value;
    if (Edit()) Edit()->setFrame(value != bsNone);
}

int TCustomEdit::SelStart() const {
    return Edit() ? Edit()->cursorPosition() : 0;
}

void TCustomEdit::SetSelStart(int value) {
    if (QLineEdit* edit = const_cast<TCustomEdit*>(this)->Edit()) {
        edit->deselect();
        edit->setCursorPosition(value);
    }
}

int TCustomEdit::SelLength() const {
    return Edit() && Edit()->hasSelectedText() ? Edit()->selectionLength() : 0;
}

void TCustomEdit::SetSelLength(int value) {
    if (QLineEdit* edit = Edit()) {
        const int start = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
        edit->setSelection(start, value);
    }
}

std::string TCustomEdit::SelText() const {
    return Edit() ? QStringToWin1252(Edit()->selectedText()) : std::string();
}

void TCustomEdit::SetSelText(const std::string& value) {
    if (QLineEdit* edit = Edit()) edit->insert(Win1252ToQString(value));
}

void TCustomEdit::SelectAll() {
    if (QLineEdit* edit = Edit()) edit->selectAll();
}

// --- TButton --------------------------------------------------------------------------------------

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
    ControlStyle = {csSetCaption, csDoubleClicks};
    SetBounds(0, 0, 75, 25);
    SetTabStop(true);
}

QWidget* TButton::CreateWidget(QWidget* parentWidget) {
    auto* button = new QPushButton(parentWidget);
    button->setAutoDefault(false);
    AttachBridge(this, button);
    QObject::connect(button, &QPushButton::clicked, button,
                     [this] { CallGuarded(this, [this] { Click(); }); });
    return button;
}

void TButton::InitWidget() {
    TextChanged();
}

void TButton::TextChanged() {
    static_cast<QPushButton*>(widget_)->setText(Win1252ToQString(Caption()));
}

void TButton::Click() {
    if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(modalResult_);
    TWinControl::Click();
}

void TButton::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_DIALOGKEY) {
        // Enter goes to the focused push button; to the default button while no button has the
        // focus.
        TCustomForm* form = GetParentForm(this);
        TWinControl* focused = form ? form->ActiveControl() : nullptr;
        const bool active = focused == this || (default_ && !dynamic_cast<TButton*>(focused));
        const bool hit = (Message.WParam == VK_RETURN && active) || (Message.WParam == VK_ESCAPE && cancel_);
        if (hit && CanFocus()) {
            Click();
            Message.Result = 1;
        }
        return;
    }
    if (Message.Msg == CM_DIALOGCHAR) {
        if (IsAccel(static_cast<unsigned char>(Message.WParam), Caption()) && CanFocus()) {
            Click();
            Message.Result = 1;
        }
        return;
    }
    TWinControl::Dispatch(Message);
}

// --- TCheckBox ------------------------------------------------------------------------------------

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
    ControlStyle = {csSetCaption, csDoubleClicks};
    SetBounds(0, 0, 97, 17);
    SetTabStop(true);
}

QWidget* TCheckBox::CreateWidget(QWidget* parentWidget) {
    auto* box = new QCheckBox(parentWidget);
    AttachBridge(this, box);
    QObject::connect(box, &QCheckBox::clicked, box, [this, box] {
        const Qt::CheckState s = box->checkState();
        state_ = s == Qt::Checked ? cbChecked : s == Qt::PartiallyChecked ? cbGrayed : cbUnchecked;
        CallGuarded(this, [this] { Click(); });
    });
    return box;
}

void TCheckBox::InitWidget() {
    TextChanged();
    ApplyState();
    auto* box = static_cast<QCheckBox*>(widget_);
    box->setTristate(allowGrayed_);
    box->setLayoutDirection(alignment_ == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
}

void TCheckBox::TextChanged() {
    static_cast<QCheckBox*>(widget_)->setText(Win1252ToQString(Caption()));
}

void TCheckBox::ApplyState() {
    auto* box = static_cast<QCheckBox*>(widget_);
    if (!box) return;
    const QSignalBlocker block(box);
    box->setCheckState(state_ == cbChecked  ? Qt::Checked
                       : state_ == cbGrayed ? Qt::PartiallyChecked
                                            : Qt::Unchecked);
}

void TCheckBox::SetState(TCheckBoxState value) {
    if (value == state_) return;
    state_ = value;
    ApplyState();
    if (!IsLoading(this)) Click();
}

void TCheckBox::SetAllowGrayed(bool value) {
    allowGrayed_ = value;
    if (widget_) static_cast<QCheckBox*>(widget_)->setTristate(value);
}

void TCheckBox::SetAlignment(TAlignment value) {
    alignment_ = value;
    if (widget_) widget_->setLayoutDirection(value == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
}

// --- TMemo ----------------------------------------------------------------------------------------

TMemo::TMemo(TComponent* AOwner) : TWinControl(AOwner), lines_(new TStringList) {
    ControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    SetBounds(0, 0, 185, 89);
    SetTabStop(true);
    SetColor(clWindow);
    lines_->OnChange = [this](TStringList*) { LinesChanged(); };
}

TMemo::~TMemo() {
    lines_->OnChange = nullptr;
    DestroyHandle();
    delete lines_;
}

QPlainTextEdit* TMemo::Editor() const {
    return static_cast<QPlainTextEdit*>(widget_);
}

QWidget* TMemo::CreateWidget(QWidget* parentWidget) {
    auto* editor = new QPlainTextEdit(parentWidget);
    AttachBridge(this, editor);
    QObject::connect(editor, &QPlainTextEdit::textChanged, editor, [this, editor] {
        if (syncing_) return;
        syncing_ = true;
        lines_->SetText(FromQtLines(editor->toPlainText()));
        syncing_ = false;
        CallGuarded(this, [this] { Change(); });
    });
    return editor;
}

void TMemo::InitWidget() {
    syncing_ = true;
    Editor()->setPlainText(ToQtLines(RealGetText()));
    syncing_ = false;
    ApplyOptions();
}

void TMemo::ApplyOptions() {
    QPlainTextEdit* editor = Editor();
    if (!editor) return;
    editor->setReadOnly(readOnly_);
    editor->setLineWrapMode(wordWrap_ && scrollBars_ != ssHorizontal && scrollBars_ != ssBoth
                                ? QPlainTextEdit::WidgetWidth
                                : QPlainTextEdit::NoWrap);
    const bool v = scrollBars_ == ssVertical || scrollBars_ == ssBoth;
    const bool h = scrollBars_ == ssHorizontal || scrollBars_ == ssBoth;
    editor->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    editor->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TMemo::LinesChanged() {
    if (syncing_) return;
    if (QPlainTextEdit* editor = Editor()) {
        // The widget reports the change.
        editor->setPlainText(ToQtLines(RealGetText()));
        return;
    }
    Change();
}

std::string TMemo::RealGetText() const {
    std::string text;
    for (int i = 0; i < lines_->Count(); ++i) {
        if (i > 0) text += "\r\n";
        text += lines_->Strings(i);
    }
    return text;
}

void TMemo::RealSetText(const std::string& value) {
    lines_->SetText(value);
}

void TMemo::Dispatch(TMessage& Message) {
    if (Message.Msg == WM_GETDLGCODE) {
        Message.Result = DLGC_WANTCHARS | DLGC_WANTARROWS | (WantReturns ? DLGC_WANTALLKEYS : 0) |
                         (WantTabs ? DLGC_WANTTAB : 0);
        return;
    }
    TWinControl::Dispatch(Message);
}

void TMemo::Change() {
    if (OnChange) OnChange(this);
}

void TMemo::SetReadOnly(bool value) {
    readOnly_ = value;
    ApplyOptions();
}

void TMemo::SetScrollBars(TScrollStyle value) {
    scrollBars_ = value;
    ApplyOptions();
}

void TMemo::SetWordWrap(bool value) {
    wordWrap_ = value;
    ApplyOptions();
}

// --- TComboBox ------------------------------------------------------------------------------------

TComboBox::TComboBox(TComponent* AOwner) : TWinControl(AOwner), items_(new TStringList) {
    ControlStyle = {csCaptureMouse, csSetCaption, csDoubleClicks, csFixedHeight};
    SetBounds(0, 0, 145, 21);
    SetTabStop(true);
    SetColor(clWindow);
    items_->OnChange = [this](TStringList*) { ItemsChanged(); };
}

TComboBox::~TComboBox() {
    items_->OnChange = nullptr;
    DestroyHandle();
    delete items_;
}

QComboBox* TComboBox::Combo() const {
    return static_cast<QComboBox*>(widget_);
}

QWidget* TComboBox::CreateWidget(QWidget* parentWidget) {
    auto* combo = new QComboBox(parentWidget);
    AttachBridge(this, combo);
    QObject::connect(combo, QOverload<int>::of(&QComboBox::activated), combo, [this](int index) {
        if (syncing_) return;
        itemIndex_ = index;
        TControl::RealSetText(index >= 0 && index < items_->Count() ? items_->Strings(index) : std::string());
        CallGuarded(this, [this] {
            Click();
            Change();
        });
    });
    return combo;
}

void TComboBox::InitWidget() {
    QComboBox* combo = Combo();
    syncing_ = true;
    combo->setEditable(style_ == csDropDown || style_ == csSimple);
    combo->setMaxVisibleItems(DropDownCount);
    ItemsChanged();
    if (combo->lineEdit()) {
        combo->lineEdit()->setText(Win1252ToQString(TControl::RealGetText()));
        QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, combo, [this](const QString& text) {
            TControl::RealSetText(QStringToWin1252(text));
            itemIndex_ = items_->IndexOf(TControl::RealGetText());
            CallGuarded(this, [this] { Change(); });
        });
    }
    syncing_ = false;
}

void TComboBox::ItemsChanged() {
    QComboBox* combo = Combo();
    if (itemIndex_ >= items_->Count()) itemIndex_ = -1;
    if (!combo) return;
    const bool wasSyncing = syncing_;
    syncing_ = true;
    const QSignalBlocker block(combo);
    combo->clear();
    for (int i = 0; i < items_->Count(); ++i) combo->addItem(Win1252ToQString(items_->Strings(i)));
    combo->setCurrentIndex(itemIndex_);
    if (combo->lineEdit()) combo->lineEdit()->setText(Win1252ToQString(TControl::RealGetText()));
    syncing_ = wasSyncing;
}

int TComboBox::ItemIndex() const {
    return itemIndex_;
}

void TComboBox::SetItemIndex(int value) {
    if (value < -1 || value >= items_->Count()) value = -1;
    itemIndex_ = value;
    TControl::RealSetText(value >= 0 ? items_->Strings(value) : std::string());
    if (QComboBox* combo = Combo()) {
        const QSignalBlocker block(combo);
        combo->setCurrentIndex(value);
        if (combo->lineEdit()) combo->lineEdit()->setText(Win1252ToQString(TControl::RealGetText()));
    }
}

void TComboBox::SetStyle(TComboBoxStyle value) {
    if (value == style_) return;
    style_ = value;
    RecreateWnd();
}

std::string TComboBox::RealGetText() const {
    if (style_ == csDropDownList) return itemIndex_ >= 0 ? items_->Strings(itemIndex_) : std::string();
    return TControl::RealGetText();
}

void TComboBox::TextChanged() {
    QComboBox* combo = Combo();
    const std::string text = TControl::RealGetText();
    const int index = items_->IndexOf(text);
    if (style_ == csDropDownList) {
        SetItemIndex(index);
        return;
    }
    itemIndex_ = index;
    const QSignalBlocker block(combo);
    combo->setCurrentIndex(index);
    if (combo->lineEdit()) combo->lineEdit()->setText(Win1252ToQString(text));
}

void TComboBox::Change() {
    if (OnChange) OnChange(this);
}

// --- TGroupBox ------------------------------------------------------------------------------------

TGroupBox::TGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
    ControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents,
                    csSetCaption,      csDoubleClicks, csReplicatable};
    SetBounds(0, 0, 185, 105);
}

void TGroupBox::Paint() {
    TCanvas* canvas = Canvas();
    canvas->SetFont(Font());
    const int h = canvas->TextHeight("0");
    TRect r(0, h / 2 - 1, Width(), Height());
    if (Ctl3D) {
        r.Left += 1;
        r.Top += 1;
        canvas->Brush()->SetColor(clBtnHighlight);
        canvas->FrameRect(r);
        r = TRect(r.Left - 1, r.Top - 1, r.Right - 1, r.Bottom - 1);
        canvas->Brush()->SetColor(clBtnShadow);
    } else {
        canvas->Brush()->SetColor(clWindowFrame);
    }
    canvas->FrameRect(r);
    const std::string text = Caption();
    if (text.empty()) return;
    RECT tr{8, 0, 0, h};
    DrawText(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &tr,
             DT_LEFT | DT_SINGLELINE | DT_CALCRECT);
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(tr);
    canvas->Brush()->SetStyle(bsClear);
    DrawText(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &tr, DT_LEFT | DT_SINGLELINE);
}

void TGroupBox::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_TEXTCHANGED) {
        Invalidate();
        return;
    }
    TCustomControl::Dispatch(Message);
}
