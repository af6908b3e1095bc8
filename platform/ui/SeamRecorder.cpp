#include "platform/ui/SeamRecorder.h"

#include "platform/ui/ControlMessages.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

TSeamRecorder::TSeamRecorder() : previous_(SetUiSeam(this)) {}

TSeamRecorder::~TSeamRecorder() {
    SetUiSeam(previous_);
}

std::vector<TSeamRecorder::TEntry> TSeamRecorder::Of(TKind kind) const {
    std::vector<TEntry> out;
    for (const TEntry& e : Entries)
        if (e.Kind == kind) out.push_back(e);
    return out;
}

std::vector<std::string> TSeamRecorder::BoxTexts() const {
    std::vector<std::string> out;
    for (const TEntry& e : Entries)
        if (e.Kind == kMessageBox) out.push_back(e.Box.Text);
    return out;
}

int TSeamRecorder::MessageBox(const TMessageBoxRequest& request) {
    TEntry entry;
    entry.Kind = kMessageBox;
    entry.Box = request;
    entry.Caption = request.Caption;
    TMsgDlgBtn answer = request.DefaultButton;
    if (!boxAnswers_.empty()) {
        answer = boxAnswers_.front();
        boxAnswers_.pop_front();
    }
    entry.Result = ModalResultOf(answer);
    Entries.push_back(entry);
    return entry.Result;
}

int TSeamRecorder::ShowModal(TCustomForm* form) {
    TEntry entry;
    entry.Kind = kShowModal;
    entry.Caption = form->Caption();
    entry.FormName = form->Name();
    const std::size_t index = Entries.size();
    Entries.push_back(entry);
    int result;
    if (!modalAnswers_.empty()) {
        const int answer = modalAnswers_.front();
        modalAnswers_.pop_front();
        result = form->ExecuteModal([answer](TCustomForm* f) { f->SetModalResult(answer); });
    } else if (OnShowModal) {
        auto handler = OnShowModal;
        result = form->ExecuteModal([handler](TCustomForm* f) { handler(f); });
    } else {
        result = form->ExecuteModal([](TCustomForm*) {});
    }
    if (index < Entries.size()) Entries[index].Result = result;
    return result;
}

bool TSeamRecorder::ExecuteOpenDialog(TOpenDialog* dialog) {
    TEntry entry;
    entry.Kind = kOpenDialog;
    entry.Caption = dialog->Title;
    std::string answer;
    if (!openAnswers_.empty()) {
        answer = openAnswers_.front();
        openAnswers_.pop_front();
    }
    entry.Result = answer.empty() ? 0 : 1;
    Entries.push_back(entry);
    if (answer.empty()) return false;
    dialog->FileName = answer;
    dialog->Files = {answer};
    return true;
}

bool TSeamRecorder::ExecuteFontDialog(TFontDialog* dialog) {
    TFont* font = dialog->Font();
    TEntry entry;
    entry.Kind = kFontDialog;
    entry.Caption = font->Name();
    entry.FontSize = font->Size();
    std::optional<TFontChoice> answer;
    if (!fontAnswers_.empty()) {
        answer = fontAnswers_.front();
        fontAnswers_.pop_front();
    }
    entry.Result = answer ? 1 : 0;
    Entries.push_back(entry);
    if (!answer) return false;
    if (!answer->Name.empty()) font->SetName(answer->Name);
    if (answer->Size > 0) font->SetSize(answer->Size);
    if (answer->Style) font->SetStyle(*answer->Style);
    if (answer->Color) font->SetColor(*answer->Color);
    return true;
}

TMenuItem* TSeamRecorder::TrackPopupMenu(TPopupMenu* menu, int, int) {
    TEntry entry;
    entry.Kind = kPopupMenu;
    entry.FormName = menu->Name();
    std::string answer;
    if (!popupAnswers_.empty()) {
        answer = popupAnswers_.front();
        popupAnswers_.pop_front();
    }
    entry.Caption = answer;
    TMenuItem* item = answer.empty() ? nullptr : menu->Items();
    std::string rest = answer;
    while (item && !rest.empty()) {
        const std::size_t bar = rest.find('|');
        item = item->Find(rest.substr(0, bar));
        rest = bar == std::string::npos ? std::string() : rest.substr(bar + 1);
    }
    if (item && (!item->Enabled() || !item->Visible())) item = nullptr;
    entry.Result = item ? 1 : 0;
    Entries.push_back(entry);
    return item;
}

void TSeamRecorder::MessageBeep(UINT type) {
    TEntry entry;
    entry.Kind = kBeep;
    entry.BeepType = type;
    Entries.push_back(entry);
}

void TSeamRecorder::ExitProgram(int exitCode) {
    TEntry entry;
    entry.Kind = kExit;
    entry.ExitCode = exitCode;
    Entries.push_back(entry);
    Application->Terminate();
}

void TSeamRecorder::PressKey(TCustomForm* form, WORD key, TShiftState shift) {
    QWidget* window = form->Widget() ? form->Widget()->window() : nullptr;
    if (!window) return;
    QWidget* target = window->focusWidget() ? window->focusWidget() : form->Widget();
    int qtKey = 0;
    QString text;
    switch (key) {
    case VK_RETURN:
        qtKey = Qt::Key_Return;
        text = "\r";
        break;
    case VK_ESCAPE:
        qtKey = Qt::Key_Escape;
        text = "\x1b";
        break;
    case VK_SPACE:
        qtKey = Qt::Key_Space;
        text = " ";
        break;
    case VK_INSERT:
        qtKey = Qt::Key_Insert;
        break;
    default:
        if (key < 'A' || key > 'Z') return;
        qtKey = Qt::Key_A + (key - 'A');
        // Ctrl with a letter types its control character.
        if (shift.Contains(ssCtrl))
            text = QChar(key - 'A' + 1);
        else
            text = QChar(shift.Contains(ssShift) ? key : key - 'A' + 'a');
        break;
    }
    Qt::KeyboardModifiers modifiers;
    if (shift.Contains(ssShift)) modifiers |= Qt::ShiftModifier;
    if (shift.Contains(ssCtrl)) modifiers |= Qt::ControlModifier;
    if (shift.Contains(ssAlt)) modifiers |= Qt::AltModifier;
    QKeyEvent press(QEvent::KeyPress, qtKey, modifiers, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, qtKey, modifiers, text);
    QApplication::sendEvent(target, &release);
}
