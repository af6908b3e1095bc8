// Unit MAINUNIT: the firmware loader's main window. It finds the unit on a serial port (or reaches
// it over TCP), shows its console in a terminal, runs scripts that talk to the unit's loader
// console, and uploads files to it.
//
// The window's work is spread over four files: MainUnit.cpp (components, start-up, settings,
// menus, ending), MainLink.cpp (ports, sends, prompt waits, reply capture, time-outs, keep-alive,
// typed keys, TCP), MainScript.cpp (the script interpreter) and MainUpload.cpp (uploads).
#pragma once

#include "communications/VXTerm.h"
#include "communications/VxPort.h"
#include "communications/VxStatLt.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/ScktComp.h"
#include "platform/ui/StdCtrls.h"

#include "loader/LoaderSettings.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TQuillonForm : public TForm {
public:
    explicit TQuillonForm(TComponent* AOwner);
    ~TQuillonForm() override;

    // --- Components ---
    TLabel* Label1;
    TLabel* VersionLabel;
    TButton* PickButton;
    TButton* UploadButton;
    TStatusBar* InfoStatusBar;
    TGroupBox* RS232GroupBox;
    TVexStatusLight* VexStatusLight4; // TXD
    TVexStatusLight* VexStatusLight3; // RXD
    TVexStatusLight* VexStatusLight2; // DCD
    TVexStatusLight* VexStatusLight1; // CTS
    TLabel* ComNumberLabel;
    TLabel* ComBaudLabel;
    TCheckBox* ComCheckBox;
    TCheckBox* EthernetCheckBox;
    TVxTerminal* VxTerminal1;
    TVexComPort* VexComPort1;
    TVexSLController* VexSLController1;
    TClientSocket* ClientSocket1 = nullptr;
    TTimer* JustUploadTimer;
    TTimer* CommandTimer;
    TTimer* ConnectionTimer;
    TTimer* CCHECKTimer1;
    TOpenDialog* INIOpenDialog;
    TFontDialog* FontDialog1;
    TEdit* Edit1;
    TEdit* Edit2;
    TButton* Button1;
    TLabel* Label8;
    TLabel* Label9;
    TLabel* CODE_NUMLabel;

    TMainMenu* ControllerMainMenu;
    TMenuItem* Exit1;
    TMenuItem* Communication1;
    TMenuItem* ConfigMenu; // "RS232 Config"
    TMenuItem* ComPortMenu;
    TMenuItem* NoneMenu;
    std::vector<TMenuItem*> ComMenuItems; // COM1 to COM16
    TMenuItem* SearchAllMenu;
    TMenuItem* BaudMenu;
    std::vector<TMenuItem*> BaudMenuItems;
    TMenuItem* Ethernet1;
    TMenuItem* EnetDisconnect1;
    TMenuItem* EnetConnect1;
    TMenuItem* SendFile1;
    TMenuItem* Terminal1;
    TMenuItem* VisibleMenu;
    TMenuItem* BackgroundColor1;
    TMenuItem* TextColor1;
    TMenuItem* TerminalFonts1;
    TMenuItem* Clear1;

    // --- State ---
    int LastGoodComPort = 0;
    std::string CommandBuffer;
    std::string MessageBuffer;
    int BlockCount = 0;
    std::uint8_t DataChecksum = 0;
    // One slot per executed command line of the current run.
    std::vector<std::string> ScriptLines;
    std::string LastMessage;
    std::string ScriptPath;
    std::string UploadFile;
    std::string LoadAddress;
    std::string VersionText;
    int FileChecksum = 0;
    std::int64_t FileSize = 0;
    bool DisconnectRequested = false;
    int ConnectionMode = -1; // -1 none, 0 serial, 1 TCP
    bool UploadByScript = false;
    // Automatic mode: the port failed, so no script ran.
    bool AutomaticFailed = false;
    // The current run met a real failure (the script file, a command that stopped it with an
    // error, a file or a reply that did not come): automatic mode ends with a non-zero status.
    bool ScriptError = false;

    // --- Start-up, settings, ending (MainUnit.cpp) ---
    void FormShow(TObject* Sender);
    // The start-up, run once the window is on the screen (FormShow posts it).
    void StartUp();
    bool StartUpDone() const { return StartedUp; }
    void Dispatch(TMessage& Message) override;
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void ExitMenuClick(TObject* Sender);
    void read_loader_default();
    void disable_btns();
    void enable_btns();
    void SetStatusText(const std::string& Text);
    void JustUploadTimerTimer(TObject* Sender);
    void VisibleMenuClick(TObject* Sender);
    void SetTerminalBackground(TColor Color);
    void SetTerminalTextColor(TColor Color);
    void BackBlackMenuClick(TObject* Sender);
    void BackRedMenuClick(TObject* Sender);
    void BackGreenMenuClick(TObject* Sender);
    void BackBlueMenuClick(TObject* Sender);
    void BackWhiteMenuClick(TObject* Sender);
    void BackDefaultMenuClick(TObject* Sender);
    void TextBlackMenuClick(TObject* Sender);
    void TextRedMenuClick(TObject* Sender);
    void TextGreenMenuClick(TObject* Sender);
    void TextBlueMenuClick(TObject* Sender);
    void TextWhiteMenuClick(TObject* Sender);
    void TextDefaultMenuClick(TObject* Sender);
    void TerminalFonts1Click(TObject* Sender);
    void Clear1Click(TObject* Sender);
    void VxTerminal1DblClick(TObject* Sender);
    void VersionLabelClick(TObject* Sender);
    void SendFile1Click(TObject* Sender);
    void Button1Click(TObject* Sender);
    // A message box; in automatic mode the text goes to standard error too.
    void Tell(const std::string& Text);
    // Tell, for a failure of the current run.
    void Fail(const std::string& Text);
    // The exit status automatic mode ends with.
    int AutomaticExitCode() const;

    // --- Link layer (MainLink.cpp) ---
    void SetExpectedPrompt(char C);
    void WaitForPortSwitch();
    int check_com(int n);
    int process_com();
    void select_com(int n);
    void open_ini_port();
    void NoneMenuClick(TObject* Sender);
    void SearchAllMenuClick(TObject* Sender);
    void ComCheckBoxClick(TObject* Sender);
    // COM Port menu: each item checks its port.
    void COM1MenuClick(TObject* Sender);
    void COM2MenuClick(TObject* Sender);
    void COM31Click(TObject* Sender);
    void COM32Click(TObject* Sender);
    void COM33Click(TObject* Sender);
    void COM34Click(TObject* Sender);
    void COM35Click(TObject* Sender);
    void COM36Click(TObject* Sender);
    void COM91Click(TObject* Sender);
    void COM101Click(TObject* Sender);
    void COM111Click(TObject* Sender);
    void COM121Click(TObject* Sender);
    void COM131Click(TObject* Sender);
    void COM141Click(TObject* Sender);
    void COM151Click(TObject* Sender);
    void COM161Click(TObject* Sender);
    // Baud menu: each item sets its rate.
    void N12001Click(TObject* Sender);
    void N24001Click(TObject* Sender);
    void N96001Click(TObject* Sender);
    void N192001Click(TObject* Sender);
    void N384001Click(TObject* Sender);
    void N576001Click(TObject* Sender);
    void N1152001Click(TObject* Sender);
    void SetMenuBaud(int Rate);
    void SendString(const std::string& Text);
    void SendCmdBuffer();
    bool SendCOMCmd_GetPrompt(const std::string& Text);
    void SendCmd_CollectReply(int n);
    void VexComPort1TriggerAvail(TObject* CP, WORD Count);
    // Collects bytes of a reply while CaptureOn is set; prompts end it (either prompt, or only
    // the expected one).
    void CaptureBytes(const std::string& Bytes, bool OnlyExpected);
    // The serial capture while it holds the port: takes what has come, shows it on the terminal
    // (whose own binding is held off meanwhile) and collects it.
    void CaptureHeldBytes();
    // Gives back a hold PrepareWait took that no wait used (an empty wait ends at once with it).
    void ReleaseReplyHold();
    // Test seam: runs between a send and the start of the wait for its reply, where a busy
    // machine may deschedule the program.
    std::function<void()> BeforeReplyWait;
    void CommandTimerTimer(TObject* Sender);
    void CCHECKTimer1Timer(TObject* Sender);
    void ConnectionTimerTimer(TObject* Sender);
    void VxTerminal1CharTyped(TObject* Sender, char& Key);
    bool PortOpen() const;
    bool SocketActive() const;
    // One wait pass: messages, 1 ms, messages.
    void WaitPass();
    // Closes whichever link is in use.
    void CloseLink();

    // --- TCP (MainEthernet.cpp) ---
    void BuildSocket();
    void ApplyEthernetDefaults(const TLoaderDefaults& Defaults);
    void EnetConnect1Click(TObject* Sender);
    void EnetDisconnect1Click(TObject* Sender);
    void SendSocketText(const std::string& Text);
    // Every byte, or false (the link failed).
    bool SendSocketBlock(int Length, const char* Data);
    void SetTryEnetAgainFlag(int n);
    bool ClientSocketTryAgain(bool Reset);
    void ClientSocket1Read(TObject* Sender, TCustomWinSocket* Socket);
    void ClientSocket1Error(TObject* Sender, TCustomWinSocket* Socket, TErrorEvent ErrorEvent,
                            int& ErrorCode);
    void ClientSocket1Connect(TObject* Sender, TCustomWinSocket* Socket);

    // --- Script interpreter (MainScript.cpp) ---
    // The folder the script dialog opens at: the current directory.
    std::string get_cur_path() const;
    void PickButtonClick(TObject* Sender);
    void clear_script_lines();
    bool read_ini();
    bool exec_script_line();

    // --- Upload (MainUpload.cpp) ---
    bool get_file_checksum();
    bool get_date();
    void get_data_checksum(const char* Data, int Length);
    void UploadButtonClick(TObject* Sender);
    void SendByte(int Length, const char* Data);
    void send_file_raw();
    void WaitForPromptAfterUpload();

    // Waits as the program does (Sleep, tick and pass counts), scaled by TimeScale.
    static void Delay(DWORD Ms);
    // Count scaled, never below the smaller of Count and Floor.
    static int Scaled(int Count, int Floor = 0);
    static int ScaledTicks(int Ticks) { return Scaled(Ticks, 8); }
    // The time a count of wait passes (messages, Sleep(1), messages) stood for: 1 ms a pass, as
    // the Sleep asks for. Counted, such a wait ends early on a busy machine, since a pass returns
    // as soon as a message comes.
    static std::uint64_t PassTime(int Passes) {
        return static_cast<std::uint64_t>(std::max(0, Scaled(Passes, 400)));
    }

private:
    void BuildComponents();
    void BuildMenu();
    TMenuItem* NewItem(TMenuItem* Parent, const std::string& Caption, TNotifyEvent Click = {});
    bool RunCommand(const std::string& Line);
    bool RunRemainder(const std::string& Remainder, const char* EmptyMessage);
    void RunStartUp();
    bool StartPosted = false;
    bool StartUpRunning = false;
    bool StartedUp = false;
};

extern TQuillonForm* QuillonForm;

// Program-wide settings and flags (set by the settings file, the script and the link layer).
extern char NormalPrompt;
extern char LoaderPrompt;
extern char ExpectedPrompt;
extern std::string LoaderModeCmd;
extern std::string LoadCmd;
extern int UploadPause;
extern int PromptWait;
extern int TerminalDuringUpload;
extern bool NoUploadRunning;
extern bool KeepAliveEnabled;
extern bool StopFlag;
extern bool ReplyTimedOut;
extern bool QcAnswerOk;
extern bool QueryAsked;
extern bool QueryAnswer;
extern bool FileOk;
extern bool AddressOk;
extern bool VersionOk;
extern bool AutomaticMode;
extern bool ConfigLocked;
extern bool CheckingPort;
extern bool InErrorHandler;
extern bool CaptureOn;
extern int RetryCount;
extern int LineIndex;
extern int LineLength;
extern int CaptureLength;
extern int MinPromptIndex;
extern int SettingsComPort;
extern std::string AutomaticScript;
extern std::string QcAnswer;
extern std::string CaptureBuffer;

// Every pause, tick and pass count of the program is multiplied by this (1 in the program; tests
// shorten the waits with it).
extern double TimeScale;

// The program's version, shown as "Version : 2.18".
extern const char* const QuillonVersion;

// Puts every program-wide value back to its start value (a new main window does this).
void ResetLoaderGlobals();
