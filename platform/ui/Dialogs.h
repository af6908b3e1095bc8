// Message boxes, modal forms, the open-file dialog, popup menus and program exit, all through one
// replaceable seam: the default shows Qt's dialogs and ends the process; a test installs a seam that
// answers in place of the user and records what was asked (see SeamRecorder.h).
#pragma once

#include "platform/rtl/Set.h"
#include "platform/ui/Classes.h"
#include "platform/win/Types.h"

#include <string>
#include <vector>

class TCustomForm;
class TPopupMenu;
class TMenuItem;
class TOpenDialog;
class TFontDialog;
class TFont;

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn {
    mbYes,
    mbNo,
    mbOK,
    mbCancel,
    mbAbort,
    mbRetry,
    mbIgnore,
    mbAll,
    mbNoToAll,
    mbYesToAll,
    mbHelp
};
using TMsgDlgButtons = TSet<TMsgDlgBtn>;
inline constexpr TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline constexpr TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline constexpr TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};

// MessageBox flags and answers.
inline constexpr UINT MB_OK = 0x00000000;
inline constexpr UINT MB_OKCANCEL = 0x00000001;
inline constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
inline constexpr UINT MB_YESNOCANCEL = 0x00000003;
inline constexpr UINT MB_YESNO = 0x00000004;
inline constexpr UINT MB_RETRYCANCEL = 0x00000005;
inline constexpr UINT MB_ICONHAND = 0x00000010;
inline constexpr UINT MB_ICONERROR = MB_ICONHAND;
inline constexpr UINT MB_ICONSTOP = MB_ICONHAND;
inline constexpr UINT MB_ICONQUESTION = 0x00000020;
inline constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
inline constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr UINT MB_ICONASTERISK = 0x00000040;
inline constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr UINT MB_DEFBUTTON1 = 0x00000000;
inline constexpr UINT MB_DEFBUTTON2 = 0x00000100;
inline constexpr UINT MB_DEFBUTTON3 = 0x00000200;
inline constexpr UINT MB_APPLMODAL = 0x00000000;
inline constexpr UINT MB_SYSTEMMODAL = 0x00001000;
inline constexpr UINT MB_TASKMODAL = 0x00002000;
inline constexpr UINT MB_SETFOREGROUND = 0x00010000;
inline constexpr UINT MB_TOPMOST = 0x00040000;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// One message box as asked. The answer is the modal result of the button chosen (mrOk = IDOK and so
// on: the two sets of numbers are the same).
struct TMessageBoxRequest {
    enum TKind { MessageBox, ShowMessage, MessageDlg, ErrorBox };
    TKind Kind = MessageBox;
    std::string Caption;
    std::string Text;
    TMsgDlgType DlgType = mtCustom;
    // In the order the box shows them.
    std::vector<TMsgDlgBtn> Buttons;
    TMsgDlgBtn DefaultButton = mbOK;
    // The answer when the box is closed without a button (Escape, the close box).
    TMsgDlgBtn CancelButton = mbOK;
};

// The answer of a button.
int ModalResultOf(TMsgDlgBtn button);

class TUiSeam {
public:
    virtual ~TUiSeam() = default;
    virtual int MessageBox(const TMessageBoxRequest& request) = 0;
    // Runs the form modally (normally form->ExecuteModal()) and returns its modal result.
    virtual int ShowModal(TCustomForm* form) = 0;
    // Lets the user choose a file for the dialog: sets its FileName and returns true, or false.
    virtual bool ExecuteOpenDialog(TOpenDialog* dialog) = 0;
    // Lets the user choose a font starting from the dialog's Font: changes it and returns true, or
    // leaves it and returns false.
    virtual bool ExecuteFontDialog(TFontDialog* dialog) = 0;
    // Shows the menu at the screen point and returns the item chosen, or nullptr.
    virtual TMenuItem* TrackPopupMenu(TPopupMenu* menu, int x, int y) = 0;
    // Ends the program. A seam that returns leaves the application terminated instead.
    virtual void ExitProgram(int exitCode) = 0;
    // Sounds the beep of the message-box kind (MB_ICONASTERISK ...); the default rings the bell.
    virtual void MessageBeep(UINT type);
};

// The seam in use; SetUiSeam(nullptr) puts the default back. Returns the previous one.
TUiSeam& UiSeam();
TUiSeam* SetUiSeam(TUiSeam* seam);

// A message box with the application's title and an OK button.
void ShowMessage(const std::string& Msg);
// Caption "Warning", "Error", "Information", "Confirmation" (the application's title for mtCustom);
// the default button is OK when present, else Yes.
int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);
// The Windows message box: IDOK, IDYES ...
int MessageBox(HWND Wnd, const char* Text, const char* Caption, UINT Type);
inline int MessageBoxA(HWND Wnd, const char* Text, const char* Caption, UINT Type) {
    return MessageBox(Wnd, Text, Caption, Type);
}

// Through the seam in use.
BOOL MessageBeep(UINT type);

// Program exit through the seam; returns only when the seam in use does not end the process (the
// application is then terminated).
void Halt(int ExitCode = 0);
void ExitProcess(UINT ExitCode);

enum TOpenOption {
    ofReadOnly,
    ofOverwritePrompt,
    ofHideReadOnly,
    ofNoChangeDir,
    ofShowHelp,
    ofNoValidate,
    ofAllowMultiSelect,
    ofExtensionDifferent,
    ofPathMustExist,
    ofFileMustExist,
    ofCreatePrompt,
    ofShareAware,
    ofNoReadOnlyReturn,
    ofNoTestFileCreate,
    ofNoNetworkButton,
    ofNoLongNames,
    ofOldStyleDialog,
    ofNoDereferenceLinks,
    ofEnableIncludeNotify,
    ofEnableSizing
};
using TOpenOptions = TSet<TOpenOption>;

class TOpenDialog : public TComponent {
public:
    explicit TOpenDialog(TComponent* AOwner) : TComponent(AOwner) {}
    // True when the user chose a file (FileName holds it).
    bool Execute();

    std::string FileName;
    // "Description|pattern;pattern|Description|pattern ..."
    std::string Filter;
    int FilterIndex = 1;
    std::string InitialDir;
    std::string Title;
    std::string DefaultExt;
    TOpenOptions Options{ofHideReadOnly, ofEnableSizing};
    std::vector<std::string> Files;
    TNotifyEvent OnShow;
    TNotifyEvent OnClose;
};

enum TFontDialogOption {
    fdAnsiOnly,
    fdTrueTypeOnly,
    fdEffects,
    fdFixedPitchOnly,
    fdForceFontExist,
    fdNoFaceSel,
    fdNoOEMFonts,
    fdNoSimulations,
    fdNoSizeSel,
    fdNoStyleSel,
    fdNoVectorFonts,
    fdShowHelp,
    fdWysiwyg,
    fdLimitSize,
    fdScalableOnly,
    fdApplyButton
};
using TFontDialogOptions = TSet<TFontDialogOption>;
enum TFontDialogDevice { fdScreen, fdPrinter, fdBoth };

// The font dialog: Execute shows it on a copy of Font; when the user accepts, Font holds the choice
// (face, size, styles; with fdEffects also underline, strike-out and colour).
class TFontDialog : public TComponent {
public:
    explicit TFontDialog(TComponent* AOwner);
    ~TFontDialog() override;
    TFontDialog(const TFontDialog&) = delete;
    TFontDialog& operator=(const TFontDialog&) = delete;

    // True when the user chose a font.
    bool Execute();

    TFont* Font() const { return font_; }
    // Copies the value's description.
    void SetFont(const TFont* value);
    TFontDialogOptions Options{fdEffects};
    TFontDialogDevice Device = fdScreen;
    // Sizes in points the dialog offers with fdLimitSize; 0: no limit.
    int MinFontSize = 0;
    int MaxFontSize = 0;
    TNotifyEvent OnShow;
    TNotifyEvent OnClose;

private:
    TFont* font_;
};
