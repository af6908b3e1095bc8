// A dialog seam for tests: it answers every message box, modal form, open dialog, popup menu and
// program exit in place of the user, from answers queued beforehand, and records what was asked.
// It installs itself when constructed and puts the previous seam back when destroyed.
#pragma once

#include "platform/ui/Controls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Graphics.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class TSeamRecorder : public TUiSeam {
public:
    enum TKind { kMessageBox, kShowModal, kOpenDialog, kPopupMenu, kExit, kBeep, kFontDialog };
    struct TEntry {
        TKind Kind = kMessageBox;
        // Message boxes: the request; modal forms: the form's caption and name; font dialogs: the
        // name and size of the font the dialog opened with.
        TMessageBoxRequest Box;
        std::string Caption;
        int FontSize = 0;
        std::string FormName;
        int Result = 0;
        int ExitCode = 0;
        UINT BeepType = 0;
    };

    TSeamRecorder();
    ~TSeamRecorder() override;
    TSeamRecorder(const TSeamRecorder&) = delete;
    TSeamRecorder& operator=(const TSeamRecorder&) = delete;

    // The next message box is answered with this button; without a queued answer a box gets its
    // default button.
    void AnswerBox(TMsgDlgBtn button) { boxAnswers_.push_back(button); }
    // The next modal form runs live and the user "presses" a button with this modal result. Without
    // a queued answer or handler, the form is shown and closed again (mrCancel).
    void AnswerModal(int modalResult) { modalAnswers_.push_back(modalResult); }
    // Runs in place of the user while the next modal forms are up (the form is shown and active);
    // clicking its buttons or setting ModalResult ends it.
    std::function<void(TCustomForm*)> OnShowModal;
    // The next open dialog returns this file; an empty name cancels. Without an answer: cancel.
    void AnswerOpen(const std::string& fileName) { openAnswers_.push_back(fileName); }
    // A font the user picks in a font dialog; unset fields keep the dialog's value.
    struct TFontChoice {
        std::string Name;
        int Size = 0;
        std::optional<TFontStyles> Style;
        std::optional<TColor> Color;
    };
    // The next font dialog takes this choice; CancelFont cancels it. Without an answer: cancel.
    void AnswerFont(const TFontChoice& choice) { fontAnswers_.emplace_back(choice); }
    void CancelFont() { fontAnswers_.emplace_back(std::nullopt); }
    // The next popup menu chooses the item with this caption ("&" ignored, "Sub|Item" for a
    // sub-menu); an empty caption chooses nothing.
    void AnswerPopup(const std::string& caption) { popupAnswers_.push_back(caption); }

    // Presses and releases a key (VK_RETURN, VK_ESCAPE, VK_SPACE, VK_INSERT or a letter) as the
    // keyboard does, with Shift, Ctrl and Alt held as shift says: the key events go to the control
    // that has the focus in the form's window, or to the form.
    static void PressKey(TCustomForm* form, WORD key, TShiftState shift = {});

    std::vector<TEntry> Entries;
    // The entries of one kind.
    std::vector<TEntry> Of(TKind kind) const;
    // The message box texts in order.
    std::vector<std::string> BoxTexts() const;
    void Clear() { Entries.clear(); }

    int MessageBox(const TMessageBoxRequest& request) override;
    int ShowModal(TCustomForm* form) override;
    bool ExecuteOpenDialog(TOpenDialog* dialog) override;
    bool ExecuteFontDialog(TFontDialog* dialog) override;
    TMenuItem* TrackPopupMenu(TPopupMenu* menu, int x, int y) override;
    // Records the exit and terminates the application instead of ending the process.
    void ExitProgram(int exitCode) override;
    void MessageBeep(UINT type) override;

private:
    TUiSeam* previous_;
    std::deque<TMsgDlgBtn> boxAnswers_;
    std::deque<int> modalAnswers_;
    std::deque<std::string> openAnswers_;
    std::deque<std::string> popupAnswers_;
    std::deque<std::optional<TFontChoice>> fontAnswers_;
};
