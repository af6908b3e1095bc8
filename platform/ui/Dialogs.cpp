#include "platform/ui/Dialogs.h"

#include "platform/ui/Forms.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Menus.h"
#include "platform/ui/Widgets_p.h"
#include "platform/ui/Win1252.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QFontDialog>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

constexpr TMsgDlgBtn kButtonOrder[] = {mbYes,    mbNo,  mbOK,      mbCancel,   mbAbort, mbRetry,
                                       mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp};

// Line breaks as the system writes them ("\r", "\r\n") become "\n" for Qt.
QString BoxText(const std::string& text) {
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

QMessageBox::StandardButton StandardButtonOf(TMsgDlgBtn b) {
    switch (b) {
    case mbYes:
        return QMessageBox::Yes;
    case mbNo:
        return QMessageBox::No;
    case mbOK:
        return QMessageBox::Ok;
    case mbCancel:
        return QMessageBox::Cancel;
    case mbAbort:
        return QMessageBox::Abort;
    case mbRetry:
        return QMessageBox::Retry;
    case mbIgnore:
        return QMessageBox::Ignore;
    case mbAll:
        return QMessageBox::YesAll;
    case mbNoToAll:
        return QMessageBox::NoToAll;
    case mbYesToAll:
        return QMessageBox::YesToAll;
    case mbHelp:
        return QMessageBox::Help;
    }
    return QMessageBox::Ok;
}

// Qt's filter text for "Description|*.a;*.b|..." and the index of each entry.
QStringList QtFilters(const std::string& filter) {
    QStringList parts = Win1252ToQString(filter).split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns) {
            p = p.trimmed();
            if (p == QLatin1String("*.*")) p = QStringLiteral("*");
        }
        const int paren = description.lastIndexOf(QLatin1Char('('));
        if (paren > 0 && description.endsWith(QLatin1Char(')')))
            description = description.left(paren).trimmed();
        out << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QStringLiteral(")");
    }
    return out;
}

class TQtSeam : public TUiSeam {
public:
    int MessageBox(const TMessageBoxRequest& request) override {
        EnsureQtApplication();
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(Win1252ToQString(request.Caption));
        box.setTextFormat(Qt::PlainText);
        box.setText(BoxText(request.Text));
        switch (request.DlgType) {
        case mtWarning:
            box.setIcon(QMessageBox::Warning);
            break;
        case mtError:
            box.setIcon(QMessageBox::Critical);
            break;
        case mtInformation:
            box.setIcon(QMessageBox::Information);
            break;
        case mtConfirmation:
            box.setIcon(QMessageBox::Question);
            break;
        case mtCustom:
            box.setIcon(QMessageBox::NoIcon);
            break;
        }
        std::vector<std::pair<QAbstractButton*, TMsgDlgBtn>> buttons;
        for (TMsgDlgBtn b : request.Buttons) {
            QAbstractButton* button = box.addButton(StandardButtonOf(b));
            buttons.emplace_back(button, b);
            if (b == request.DefaultButton) box.setDefaultButton(static_cast<QPushButton*>(button));
            if (b == request.CancelButton) box.setEscapeButton(button);
        }
        box.exec();
        for (const auto& [button, b] : buttons)
            if (box.clickedButton() == button) return ModalResultOf(b);
        return ModalResultOf(request.CancelButton);
    }

    int ShowModal(TCustomForm* form) override { return form->ExecuteModal(); }

    bool ExecuteOpenDialog(TOpenDialog* dialog) override {
        EnsureQtApplication();
        const QStringList filters = QtFilters(dialog->Filter);
        QString selected;
        if (dialog->FilterIndex >= 1 && dialog->FilterIndex <= filters.size())
            selected = filters[dialog->FilterIndex - 1];
        // File names are bytes of the file system, not text: they travel in its own encoding.
        QString dir = QFile::decodeName(QByteArray::fromStdString(dialog->InitialDir));
        if (!dialog->FileName.empty()) dir = QFile::decodeName(QByteArray::fromStdString(dialog->FileName));
        const QString title =
            dialog->Title.empty() ? QStringLiteral("Open") : Win1252ToQString(dialog->Title);
        const QString chosen = QFileDialog::getOpenFileName(QApplication::activeWindow(), title, dir,
                                                            filters.join(QStringLiteral(";;")), &selected);
        if (chosen.isEmpty()) return false;
        dialog->FileName = QFile::encodeName(chosen).toStdString();
        dialog->Files = {dialog->FileName};
        const int index = static_cast<int>(filters.indexOf(selected));
        if (index >= 0) dialog->FilterIndex = index + 1;
        return true;
    }

    bool ExecuteFontDialog(TFontDialog* dialog) override {
        EnsureQtApplication();
        TFont* font = dialog->Font();
        QFont initial(Win1252ToQString(font->Name()));
        initial.setPointSize(std::max(1, font->Size()));
        const TFontStyles style = font->Style();
        initial.setBold(style.Contains(fsBold));
        initial.setItalic(style.Contains(fsItalic));
        initial.setUnderline(style.Contains(fsUnderline));
        initial.setStrikeOut(style.Contains(fsStrikeOut));
        QFontDialog::FontDialogOptions options;
        if (dialog->Options.Contains(fdFixedPitchOnly)) options |= QFontDialog::MonospacedFonts;
        if (dialog->Options.Contains(fdScalableOnly)) options |= QFontDialog::ScalableFonts;
        bool ok = false;
        const QFont chosen =
            QFontDialog::getFont(&ok, initial, QApplication::activeWindow(), QStringLiteral("Font"), options);
        if (!ok) return false;
        int size = chosen.pointSize() > 0 ? chosen.pointSize() : font->Size();
        if (dialog->Options.Contains(fdLimitSize)) {
            if (dialog->MinFontSize > 0) size = std::max(size, dialog->MinFontSize);
            if (dialog->MaxFontSize > 0) size = std::min(size, dialog->MaxFontSize);
        }
        TFontStyles chosenStyle;
        if (chosen.bold()) chosenStyle.Include(fsBold);
        if (chosen.italic()) chosenStyle.Include(fsItalic);
        if (dialog->Options.Contains(fdEffects)) {
            if (chosen.underline()) chosenStyle.Include(fsUnderline);
            if (chosen.strikeOut()) chosenStyle.Include(fsStrikeOut);
        } else {
            if (style.Contains(fsUnderline)) chosenStyle.Include(fsUnderline);
            if (style.Contains(fsStrikeOut)) chosenStyle.Include(fsStrikeOut);
        }
        font->SetName(QStringToWin1252(chosen.family()));
        font->SetSize(size);
        font->SetStyle(chosenStyle);
        return true;
    }

    TMenuItem* TrackPopupMenu(TPopupMenu* menu, int x, int y) override { return ExecPopupMenu(menu, x, y); }

    void ExitProgram(int exitCode) override {
        std::fflush(nullptr);
        std::_Exit(exitCode);
    }
};

TQtSeam& DefaultSeam() {
    static TQtSeam seam;
    return seam;
}

TUiSeam* currentSeam = nullptr;

TMsgDlgBtn DefaultOf(const std::vector<TMsgDlgBtn>& buttons) {
    for (TMsgDlgBtn b : {mbOK, mbYes})
        if (std::find(buttons.begin(), buttons.end(), b) != buttons.end()) return b;
    return buttons.empty() ? mbOK : buttons.front();
}

TMsgDlgBtn CancelOf(const std::vector<TMsgDlgBtn>& buttons) {
    for (TMsgDlgBtn b : {mbCancel, mbNo, mbOK})
        if (std::find(buttons.begin(), buttons.end(), b) != buttons.end()) return b;
    return buttons.empty() ? mbOK : buttons.back();
}

std::string DlgCaption(TMsgDlgType type) {
    switch (type) {
    case mtWarning:
        return "Warning";
    case mtError:
        return "Error";
    case mtInformation:
        return "Information";
    case mtConfirmation:
        return "Confirmation";
    case mtCustom:
        break;
    }
    return Application->Title();
}

} // namespace

int ModalResultOf(TMsgDlgBtn button) {
    switch (button) {
    case mbYes:
        return mrYes;
    case mbNo:
        return mrNo;
    case mbOK:
        return mrOk;
    case mbCancel:
        return mrCancel;
    case mbAbort:
        return mrAbort;
    case mbRetry:
        return mrRetry;
    case mbIgnore:
        return mrIgnore;
    case mbAll:
        return mrAll;
    case mbNoToAll:
        return mrNoToAll;
    case mbYesToAll:
        return mrYesToAll;
    case mbHelp:
        return mrNone;
    }
    return mrNone;
}

TUiSeam& UiSeam() {
    return currentSeam ? *currentSeam : DefaultSeam();
}

TUiSeam* SetUiSeam(TUiSeam* seam) {
    return std::exchange(currentSeam, seam);
}

void ShowMessage(const std::string& Msg) {
    TMessageBoxRequest request;
    request.Kind = TMessageBoxRequest::ShowMessage;
    request.Caption = Application->Title();
    request.Text = Msg;
    request.Buttons = {mbOK};
    UiSeam().MessageBox(request);
}

int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int) {
    TMessageBoxRequest request;
    request.Kind = TMessageBoxRequest::MessageDlg;
    request.Caption = DlgCaption(DlgType);
    request.Text = Msg;
    request.DlgType = DlgType;
    for (TMsgDlgBtn b : kButtonOrder)
        if (Buttons.Contains(b)) request.Buttons.push_back(b);
    request.DefaultButton = DefaultOf(request.Buttons);
    request.CancelButton = CancelOf(request.Buttons);
    return UiSeam().MessageBox(request);
}

int MessageBox(HWND, const char* Text, const char* Caption, UINT Type) {
    TMessageBoxRequest request;
    request.Kind = TMessageBoxRequest::MessageBox;
    request.Caption = Caption ? Caption : "Error";
    request.Text = Text ? Text : "";
    switch (Type & 0xF) {
    case MB_OKCANCEL:
        request.Buttons = {mbOK, mbCancel};
        break;
    case MB_ABORTRETRYIGNORE:
        request.Buttons = {mbAbort, mbRetry, mbIgnore};
        break;
    case MB_YESNOCANCEL:
        request.Buttons = {mbYes, mbNo, mbCancel};
        break;
    case MB_YESNO:
        request.Buttons = {mbYes, mbNo};
        break;
    case MB_RETRYCANCEL:
        request.Buttons = {mbRetry, mbCancel};
        break;
    default:
        request.Buttons = {mbOK};
        break;
    }
    switch (Type & 0xF0) {
    case MB_ICONHAND:
        request.DlgType = mtError;
        break;
    case MB_ICONQUESTION:
        request.DlgType = mtConfirmation;
        break;
    case MB_ICONEXCLAMATION:
        request.DlgType = mtWarning;
        break;
    case MB_ICONASTERISK:
        request.DlgType = mtInformation;
        break;
    default:
        request.DlgType = mtCustom;
        break;
    }
    const std::size_t index = (Type & 0xF00) >> 8;
    request.DefaultButton = index < request.Buttons.size() ? request.Buttons[index] : request.Buttons.front();
    const bool hasCancel =
        std::find(request.Buttons.begin(), request.Buttons.end(), mbCancel) != request.Buttons.end();
    request.CancelButton = hasCancel ? mbCancel : request.Buttons.size() == 1 ? mbOK : request.Buttons.back();
    return UiSeam().MessageBox(request);
}

void Halt(int ExitCode) {
    UiSeam().ExitProgram(ExitCode);
    Application->Terminate();
}

void ExitProcess(UINT ExitCode) {
    UiSeam().ExitProgram(static_cast<int>(ExitCode));
    Application->Terminate();
}

TFontDialog::TFontDialog(TComponent* AOwner) : TComponent(AOwner), font_(new TFont) {}

TFontDialog::~TFontDialog() {
    delete font_;
}

void TFontDialog::SetFont(const TFont* value) {
    font_->Assign(value);
}

bool TFontDialog::Execute() {
    if (OnShow) OnShow(this);
    const bool chosen = UiSeam().ExecuteFontDialog(this);
    if (OnClose) OnClose(this);
    return chosen;
}

bool TOpenDialog::Execute() {
    if (OnShow) OnShow(this);
    const bool chosen = UiSeam().ExecuteOpenDialog(this);
    if (OnClose) OnClose(this);
    return chosen;
}

void TUiSeam::MessageBeep(UINT) {
    EnsureQtApplication();
    QApplication::beep();
}

BOOL MessageBeep(UINT type) {
    UiSeam().MessageBeep(type);
    return TRUE;
}
