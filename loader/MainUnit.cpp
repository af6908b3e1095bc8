#include "loader/MainUnit.h"

#include "loader/ClientSocketUnit.h"
#include "loader/InfoUnit.h"
#include "loader/LoaderSettings.h"
#include "loader/Progress.h"
#include "loader/SplashUnit.h"
#include "platform/rtl/Dates.h"
#include "platform/rtl/Strings.h"
#include "platform/win/Sync.h"

#include "platform/win/Messages.h"

#include "platform/ui/TypInfo.h"
#include <algorithm>
#include <cmath>
#include <iostream>

TQuillonForm* QuillonForm = nullptr;
const char* const QuillonVersion = "2.18";

char NormalPrompt;
char LoaderPrompt;
char ExpectedPrompt;
std::string LoaderModeCmd;
std::string LoadCmd;
int UploadPause;
int PromptWait;
int TerminalDuringUpload;
bool NoUploadRunning;
bool KeepAliveEnabled;
bool StopFlag;
bool ReplyTimedOut;
bool QcAnswerOk;
bool QueryAsked;
bool QueryAnswer;
bool FileOk;
bool AddressOk;
bool VersionOk;
bool AutomaticMode;
bool ConfigLocked;
bool CheckingPort;
bool InErrorHandler;
bool CaptureOn;
int RetryCount;
int LineIndex;
int LineLength;
int CaptureLength;
int MinPromptIndex;
int SettingsComPort;
std::string AutomaticScript;
std::string QcAnswer;
std::string CaptureBuffer;
double TimeScale = 1.0;

void ResetLoaderGlobals() {
    NormalPrompt = '#';
    LoaderPrompt = '>';
    ExpectedPrompt = '\0';
    LoaderModeCmd = "LOADR\r\n";
    LoadCmd = "LF";
    UploadPause = 4000;
    PromptWait = 400;
    TerminalDuringUpload = 1;
    NoUploadRunning = true;
    KeepAliveEnabled = true;
    StopFlag = ReplyTimedOut = QcAnswerOk = QueryAsked = QueryAnswer = false;
    FileOk = AddressOk = VersionOk = AutomaticMode = ConfigLocked = false;
    CheckingPort = InErrorHandler = CaptureOn = false;
    RetryCount = LineIndex = LineLength = CaptureLength = MinPromptIndex = SettingsComPort = 0;
    AutomaticScript.clear();
    QcAnswer.clear();
    CaptureBuffer.clear();
}

namespace {

constexpr int ClientHeightWithTerminal = 420;
constexpr int ClientHeightWithoutTerminal = 139;

// Terminal colours by the settings file's number and the menu items' order.
constexpr TColor TerminalColors[] = {clBlack, 0x000000, 0x0000FF, 0x008000, 0xFF0000, 0xFFFFFF};
constexpr TColor DefaultTextColor = 0xC0C0C0;

TLabel* NewLabel(TComponent* owner, TWinControl* parent, const char* name, const std::string& caption,
                 int left, int top) {
    auto* label = new TLabel(owner);
    label->SetName(name);
    label->SetCaption(caption);
    label->SetLeft(left);
    label->SetTop(top);
    label->SetParent(parent);
    return label;
}

TVexStatusLight* NewLight(TComponent* owner, TWinControl* parent, const char* name, int left) {
    auto* light = new TVexStatusLight(owner);
    light->SetName(name);
    light->SetBounds(left, 20, 13, 13);
    light->SetParent(parent);
    return light;
}

TTimer* NewTimer(TComponent* owner, const char* name, unsigned interval, bool enabled) {
    auto* timer = new TTimer(owner);
    timer->SetName(name);
    timer->SetEnabled(enabled);
    timer->SetInterval(interval);
    return timer;
}

} // namespace

// --- Construction -----------------------------------------------------------------------------

TQuillonForm::TQuillonForm(TComponent* AOwner) : TForm(AOwner) {
    ResetLoaderGlobals();
    BeginLoading();
    BuildComponents();
    EndLoading();
}

TQuillonForm::~TQuillonForm() {
    if (QuillonForm == this) QuillonForm = nullptr;
}

TMenuItem* TQuillonForm::NewItem(TMenuItem* Parent, const std::string& Caption, TNotifyEvent Click) {
    auto* item = new TMenuItem(this);
    item->SetCaption(Caption);
    item->OnClick = Click;
    Parent->Add(item);
    return item;
}

void TQuillonForm::BuildMenu() {
    ControllerMainMenu = new TMainMenu(this);
    ControllerMainMenu->SetName("ControllerMainMenu");
    TMenuItem* root = ControllerMainMenu->Items();
    Exit1 = NewItem(root, "Exit", TNotifyEvent::Bind<&TQuillonForm::ExitMenuClick>(this));
    Communication1 = NewItem(root, "Communication");
    ConfigMenu = NewItem(Communication1, "RS232 Config");
    ComPortMenu = NewItem(ConfigMenu, "COM Port");
    NoneMenu = NewItem(ComPortMenu, "None", TNotifyEvent::Bind<&TQuillonForm::NoneMenuClick>(this));
    const TNotifyEvent comClicks[] = {
        TNotifyEvent::Bind<&TQuillonForm::COM1MenuClick>(this),
        TNotifyEvent::Bind<&TQuillonForm::COM2MenuClick>(this),
        TNotifyEvent::Bind<&TQuillonForm::COM31Click>(this),
        TNotifyEvent::Bind<&TQuillonForm::COM32Click>(this),
        TNotifyEvent::Bind<&TQuillonForm::COM33Click>(this),
        TNotifyEvent::Bind<&TQuillonForm::COM34Click>(this),
        TNotifyEvent::Bind<&TQuillonForm::COM35Click>(this),
        TNotifyEvent::Bind<&TQuillonForm::COM36Click>(this),
        TNotifyEvent::Bind<&TQuillonForm::COM91Click>(this),
        TNotifyEvent::Bind<&TQuillonForm::COM101Click>(this),
        TNotifyEvent::Bind<&TQuillonForm::COM111Click>(this),
        TNotifyEvent::Bind<&TQuillonForm::COM121Click>(this),
        TNotifyEvent::Bind<&TQuillonForm::COM131Click>(this),
        TNotifyEvent::Bind<&TQuillonForm::COM141Click>(this),
        TNotifyEvent::Bind<&TQuillonForm::COM151Click>(this),
        TNotifyEvent::Bind<&TQuillonForm::COM161Click>(this),
    };
    for (int n = 1; n <= 16; ++n)
        ComMenuItems.push_back(NewItem(ComPortMenu, "COM" + std::to_string(n), comClicks[n - 1]));
    NewItem(ComPortMenu, "-");
    SearchAllMenu =
        NewItem(ComPortMenu, "Search", TNotifyEvent::Bind<&TQuillonForm::SearchAllMenuClick>(this));
    SearchAllMenu->SetHint("Look for prompt defined in INI file on COM 1 and COM 2");
    BaudMenu = NewItem(ConfigMenu, "Baud");
    const std::pair<const char*, TNotifyEvent> baudItems[] = {
        {"1200", TNotifyEvent::Bind<&TQuillonForm::N12001Click>(this)},
        {"2400", TNotifyEvent::Bind<&TQuillonForm::N24001Click>(this)},
        {"9600", TNotifyEvent::Bind<&TQuillonForm::N96001Click>(this)},
        {"19200", TNotifyEvent::Bind<&TQuillonForm::N192001Click>(this)},
        {"38400", TNotifyEvent::Bind<&TQuillonForm::N384001Click>(this)},
        {"57600", TNotifyEvent::Bind<&TQuillonForm::N576001Click>(this)},
        {"115200", TNotifyEvent::Bind<&TQuillonForm::N1152001Click>(this)},
    };
    for (const auto& [caption, click] : baudItems) BaudMenuItems.push_back(NewItem(BaudMenu, caption, click));
    Ethernet1 = NewItem(Communication1, "Ethernet");
    EnetDisconnect1 =
        NewItem(Ethernet1, "Disconnect", TNotifyEvent::Bind<&TQuillonForm::EnetDisconnect1Click>(this));
    EnetConnect1 = NewItem(Ethernet1, "Connect", TNotifyEvent::Bind<&TQuillonForm::EnetConnect1Click>(this));
    SendFile1 = NewItem(Communication1, "Send File", TNotifyEvent::Bind<&TQuillonForm::SendFile1Click>(this));
    SendFile1->SetVisible(false);

    Terminal1 = NewItem(root, "Terminal");
    VisibleMenu = NewItem(Terminal1, "Visible", TNotifyEvent::Bind<&TQuillonForm::VisibleMenuClick>(this));
    VisibleMenu->SetChecked(true);
    // Black to White, a separator, Default.
    const auto addColours = [this](TMenuItem* parent, const TNotifyEvent(&clicks)[6]) {
        const char* captions[] = {"Black", "Red", "Green", "Blue", "White", "Default"};
        for (int i = 0; i < 6; ++i) {
            if (i == 5) NewItem(parent, "-");
            NewItem(parent, captions[i], clicks[i]);
        }
    };
    BackgroundColor1 = NewItem(Terminal1, "Background Color");
    addColours(BackgroundColor1, {TNotifyEvent::Bind<&TQuillonForm::BackBlackMenuClick>(this),
                                  TNotifyEvent::Bind<&TQuillonForm::BackRedMenuClick>(this),
                                  TNotifyEvent::Bind<&TQuillonForm::BackGreenMenuClick>(this),
                                  TNotifyEvent::Bind<&TQuillonForm::BackBlueMenuClick>(this),
                                  TNotifyEvent::Bind<&TQuillonForm::BackWhiteMenuClick>(this),
                                  TNotifyEvent::Bind<&TQuillonForm::BackDefaultMenuClick>(this)});
    TextColor1 = NewItem(Terminal1, "Text Color");
    TextColor1->SetVisible(false);
    addColours(TextColor1, {TNotifyEvent::Bind<&TQuillonForm::TextBlackMenuClick>(this),
                            TNotifyEvent::Bind<&TQuillonForm::TextRedMenuClick>(this),
                            TNotifyEvent::Bind<&TQuillonForm::TextGreenMenuClick>(this),
                            TNotifyEvent::Bind<&TQuillonForm::TextBlueMenuClick>(this),
                            TNotifyEvent::Bind<&TQuillonForm::TextWhiteMenuClick>(this),
                            TNotifyEvent::Bind<&TQuillonForm::TextDefaultMenuClick>(this)});
    TerminalFonts1 =
        NewItem(Terminal1, "Terminal Fonts...", TNotifyEvent::Bind<&TQuillonForm::TerminalFonts1Click>(this));
    Clear1 = NewItem(Terminal1, "Clear", TNotifyEvent::Bind<&TQuillonForm::Clear1Click>(this));
    SetMenu(ControllerMainMenu);
}

void TQuillonForm::BuildComponents() {
    SetName("QuillonForm");
    SetCaption("Pellory Research Inc. :- Quillon");
    SetBorderStyle(bsSingle);
    SetBorderIcons({biSystemMenu, biMinimize});
    SetPosition(poScreenCenter);
    SetClientSize(526, 425);
    OnShow = TNotifyEvent::Bind<&TQuillonForm::FormShow>(this);
    OnCloseQuery = TCloseQueryEvent::Bind<&TQuillonForm::FormCloseQuery>(this);
    BuildMenu();

    Label1 = NewLabel(this, this, "Label1", "QUILLON", 8, 4);
    Label1->Font()->SetStyle({fsBold});
    Label1->Font()->SetHeight(-24);
    VersionLabel = NewLabel(this, this, "VersionLabel", "", 8, 36);
    VersionLabel->OnClick = TNotifyEvent::Bind<&TQuillonForm::VersionLabelClick>(this);

    PickButton = new TButton(this);
    PickButton->SetName("PickButton");
    PickButton->SetCaption("Open script file to read and upload");
    PickButton->SetBounds(8, 60, 230, 33);
    PickButton->OnClick = TNotifyEvent::Bind<&TQuillonForm::PickButtonClick>(this);
    PickButton->SetParent(this);
    UploadButton = new TButton(this);
    UploadButton->SetName("UploadButton");
    UploadButton->SetCaption("Upload");
    UploadButton->SetBounds(8, 96, 75, 25);
    UploadButton->SetVisible(false);
    UploadButton->OnClick = TNotifyEvent::Bind<&TQuillonForm::UploadButtonClick>(this);
    UploadButton->SetParent(this);

    RS232GroupBox = new TGroupBox(this);
    RS232GroupBox->SetName("RS232GroupBox");
    RS232GroupBox->SetCaption("RS-232");
    RS232GroupBox->SetBounds(260, 4, 258, 96);
    RS232GroupBox->SetParent(this);
    // TXD, RXD, DCD, CTS from the left.
    VexStatusLight4 = NewLight(this, RS232GroupBox, "VexStatusLight4", 16);
    VexStatusLight3 = NewLight(this, RS232GroupBox, "VexStatusLight3", 56);
    VexStatusLight2 = NewLight(this, RS232GroupBox, "VexStatusLight2", 96);
    VexStatusLight1 = NewLight(this, RS232GroupBox, "VexStatusLight1", 136);
    NewLabel(this, RS232GroupBox, "TXDLabel", "TXD", 12, 38);
    NewLabel(this, RS232GroupBox, "RXDLabel", "RXD", 52, 38);
    NewLabel(this, RS232GroupBox, "DCDLabel", "DCD", 92, 38);
    NewLabel(this, RS232GroupBox, "CTSLabel", "CTS", 132, 38);
    NewLabel(this, RS232GroupBox, "ComTitleLabel", "COM", 176, 20);
    ComNumberLabel = NewLabel(this, RS232GroupBox, "ComNumberLabel", "None", 210, 20);
    ComNumberLabel->SetAutoSize(false);
    ComNumberLabel->SetWidth(44);
    NewLabel(this, RS232GroupBox, "BaudTitleLabel", "Baud", 176, 38);
    ComBaudLabel = NewLabel(this, RS232GroupBox, "ComBaudLabel", "38400", 210, 38);
    ComBaudLabel->SetAutoSize(false);
    ComBaudLabel->SetWidth(44);
    ComCheckBox = new TCheckBox(this);
    ComCheckBox->SetName("ComCheckBox");
    ComCheckBox->SetCaption("Use COM");
    ComCheckBox->SetBounds(12, 62, 90, 17);
    ComCheckBox->SetVisible(false);
    ComCheckBox->OnClick = TNotifyEvent::Bind<&TQuillonForm::ComCheckBoxClick>(this);
    ComCheckBox->SetParent(RS232GroupBox);
    EthernetCheckBox = new TCheckBox(this);
    EthernetCheckBox->SetName("EthernetCheckBox");
    EthernetCheckBox->SetCaption("Ethernet");
    EthernetCheckBox->SetBounds(268, 104, 90, 17);
    EthernetCheckBox->SetEnabled(false);
    EthernetCheckBox->SetParent(this);

    VexComPort1 = new TVexComPort(this);
    VexComPort1->SetName("VexComPort1");
    VexComPort1->SetComNumber(1);
    VexComPort1->SetBaud(38400);
    VexComPort1->SetInSize(8192);
    VexComPort1->SetAutoOpen(false);
    VexComPort1->SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
    VexComPort1->SetBufferFull(7000);
    VexComPort1->SetBufferResume(400);
    VexComPort1->SetTracing(tlOff);
    VexComPort1->SetLogging(tlOff);
    VexComPort1->SetOnTriggerAvail(TTriggerAvailEvent::Bind<&TQuillonForm::VexComPort1TriggerAvail>(this));

    VxTerminal1 = new TVxTerminal(this);
    VxTerminal1->SetName("VxTerminal1");
    VxTerminal1->SetBounds(6, 128, 513, 281);
    VxTerminal1->tmSetRows(16);
    VxTerminal1->tmSetScrollbackRows(100);
    VxTerminal1->SetColor(clBlack);
    VxTerminal1->tmSetUseLazyDisplay(false);
    VxTerminal1->tmSetBlinkTime(250);
    VxTerminal1->tmSetComPort(VexComPort1);
    VxTerminal1->OnKeyPress = TKeyPressEvent::Bind<&TQuillonForm::VxTerminal1CharTyped>(this);
    VxTerminal1->OnDblClick = TNotifyEvent::Bind<&TQuillonForm::VxTerminal1DblClick>(this);
    VxTerminal1->SetParent(this);

    InfoStatusBar = new TStatusBar(this);
    InfoStatusBar->SetName("InfoStatusBar");
    InfoStatusBar->SetParent(this);

    VexSLController1 = new TVexSLController(this);
    VexSLController1->SetName("VexSLController1");
    VexSLController1->SetComPort(VexComPort1);
    VexSLController1->Lights()->SetCTSLight(VexStatusLight1);
    VexSLController1->Lights()->SetDCDLight(VexStatusLight2);
    VexSLController1->Lights()->SetRXDLight(VexStatusLight3);
    VexSLController1->Lights()->SetTXDLight(VexStatusLight4);

    BuildSocket();

    JustUploadTimer = NewTimer(this, "JustUploadTimer", 1, false);
    JustUploadTimer->OnTimer = TNotifyEvent::Bind<&TQuillonForm::JustUploadTimerTimer>(this);
    CommandTimer = NewTimer(this, "CommandTimer", static_cast<unsigned>(Scaled(38000, 2000)), false);
    CommandTimer->OnTimer = TNotifyEvent::Bind<&TQuillonForm::CommandTimerTimer>(this);
    ConnectionTimer = NewTimer(this, "ConnectionTimer", static_cast<unsigned>(Scaled(14000, 2000)), false);
    ConnectionTimer->OnTimer = TNotifyEvent::Bind<&TQuillonForm::ConnectionTimerTimer>(this);
    CCHECKTimer1 = NewTimer(this, "CCHECKTimer1", 6110, true);
    CCHECKTimer1->OnTimer = TNotifyEvent::Bind<&TQuillonForm::CCHECKTimer1Timer>(this);

    INIOpenDialog = new TOpenDialog(this);
    INIOpenDialog->SetName("INIOpenDialog");
    INIOpenDialog->Filter = "Script files (*.sld)|*.sld|All files (*.*)|*.*";
    INIOpenDialog->InitialDir = "..";
    FontDialog1 = new TFontDialog(this);
    FontDialog1->SetName("FontDialog1");

    // The timing test, outside the visible client area.
    Edit1 = new TEdit(this);
    Edit1->SetName("Edit1");
    Edit1->SetBounds(8, 460, 60, 21);
    Edit1->SetParent(this);
    Edit2 = new TEdit(this);
    Edit2->SetName("Edit2");
    Edit2->SetText("100");
    Edit2->SetBounds(72, 460, 60, 21);
    Edit2->SetParent(this);
    Button1 = new TButton(this);
    Button1->SetName("Button1");
    Button1->SetCaption("Button1");
    Button1->SetBounds(136, 460, 75, 25);
    Button1->OnClick = TNotifyEvent::Bind<&TQuillonForm::Button1Click>(this);
    Button1->SetParent(this);
    Label8 = NewLabel(this, this, "Label8", "Label8", 216, 460);
    Label9 = NewLabel(this, this, "Label9", "Label9", 280, 460);
    CODE_NUMLabel = NewLabel(this, this, "CODE_NUMLabel", "", 344, 460);
    CODE_NUMLabel->SetVisible(false);
}

// --- Waits ------------------------------------------------------------------------------------

int TQuillonForm::Scaled(int Count, int Floor) {
    if (TimeScale == 1.0 || Count <= 0) return Count;
    return std::max({std::min(Count, Floor), 1, static_cast<int>(std::lround(Count * TimeScale))});
}

void TQuillonForm::Delay(DWORD Ms) {
    Sleep(static_cast<DWORD>(Scaled(static_cast<int>(Ms))));
}

// --- Start-up ---------------------------------------------------------------------------------

namespace {
constexpr UINT StartUpMsg = WM_USER + 0x51;
} // namespace

void TQuillonForm::FormShow(TObject*) {
    if (StartPosted) return;
    StartPosted = true;
    // The window shows first, so that the port search and an automatic upload happen in view.
    PostMessage(Handle(), StartUpMsg, 0, 0);
}

void TQuillonForm::Dispatch(TMessage& Message) {
    if (Message.Msg == StartUpMsg) {
        StartUp();
        return;
    }
    TForm::Dispatch(Message);
}

void TQuillonForm::StartUp() {
    if (StartedUp || StartUpRunning) return;
    StartUpRunning = true;
    RunStartUp();
    StartedUp = true;
}

void TQuillonForm::RunStartUp() {
    VersionLabel->SetCaption(std::string("Version : ") + QuillonVersion);
    read_loader_default();
    ExpectedPrompt = LoaderPrompt;

    bool answered = false;
    if (ConfigLocked) {
        disable_btns();
    } else {
        answered = SettingsComPort != 0 && check_com(SettingsComPort) > 0;
        if (!answered) answered = process_com() > 0;
        if (answered || AutomaticMode) ComCheckBox->SetEnabled(false);
        if (!answered && !AutomaticMode) open_ini_port();
        VexSLController1->SetMonitoring(VexComPort1->Open() && ComNumberLabel->Caption() != "None");
    }
    Screen->SetCursor(crDefault);
    if (SplashForm) SplashForm->Hide();

    if (AutomaticMode) {
        // Only a port that answered carries the script.
        if (VexComPort1->Open() && answered) {
            SetStatusText("Uploading file(s). Please wait....");
            SetEnabled(false);
            ScriptPath = AutomaticScript;
            read_ini();
            SetEnabled(true);
            SetStatusText(" ");
        } else {
            AutomaticFailed = true;
            Tell("Error!! COM port communication failed. Please check RS232 connection/INI settings. Exiting "
                 "application");
        }
        JustUploadTimer->SetEnabled(true);
        return;
    }
    if (VxTerminal1->CanFocus()) VxTerminal1->SetFocus();
}

void TQuillonForm::read_loader_default() {
    const std::optional<std::string> bytes = ReadSettingsFile("LoaderDefault.ini");
    if (!bytes) return;
    const TLoaderDefaults d = ParseLoaderDefault(*bytes);
    if (d.ComPort) SettingsComPort = *d.ComPort;
    if (d.Baud) {
        VexComPort1->SetBaud(*d.Baud);
        ComBaudLabel->SetCaption(IntToStr(*d.Baud));
    } else if (d.BadBaud) {
        Tell("Error! Baud Rate set in LoaderDefault.ini file is invalid!");
    }
    if (d.DataBits) VexComPort1->SetDatabits(static_cast<WORD>(*d.DataBits));
    if (d.Parity) VexComPort1->SetParity(static_cast<TParity>(*d.Parity));
    if (d.StopBits) VexComPort1->SetStopbits(static_cast<WORD>(*d.StopBits));
    if (d.AutomaticScript) AutomaticScript = *d.AutomaticScript;
    if (d.ScriptFolder) INIOpenDialog->InitialDir = *d.ScriptFolder;
    if (d.Automatic) AutomaticMode = true;
    if (d.NormalPrompt) NormalPrompt = *d.NormalPrompt;
    if (d.LoaderPrompt) LoaderPrompt = *d.LoaderPrompt;
    if (d.LoaderModeCmd) LoaderModeCmd = *d.LoaderModeCmd;
    if (d.TerminalVisible) {
        VisibleMenu->SetChecked(*d.TerminalVisible == 1);
        SetClientHeight(*d.TerminalVisible == 1 ? ClientHeightWithTerminal : ClientHeightWithoutTerminal);
    }
    if (d.Background) SetTerminalBackground(TerminalColors[*d.Background]);
    if (d.TextColor)
        SetTerminalTextColor(*d.TextColor == 0 ? DefaultTextColor : TerminalColors[*d.TextColor]);
    if (d.LoadCmd) LoadCmd = *d.LoadCmd;
    if (d.Locked) ConfigLocked = true;
    ApplyEthernetDefaults(d);
}

void TQuillonForm::disable_btns() {
    UploadButton->SetEnabled(false);
    PickButton->SetEnabled(false);
}

void TQuillonForm::enable_btns() {
    UploadButton->SetEnabled(true);
    PickButton->SetEnabled(true);
    if (VxTerminal1->CanFocus()) VxTerminal1->SetFocus();
}

void TQuillonForm::SetStatusText(const std::string& Text) {
    InfoStatusBar->SetSimpleText(Text);
}

void TQuillonForm::Tell(const std::string& Text) {
    if (AutomaticMode) std::cerr << Text << std::endl;
    ShowMessage(Text);
}

void TQuillonForm::Fail(const std::string& Text) {
    ScriptError = true;
    Tell(Text);
}

// Only a real failure counts: a script that a command ended ("_ST", "_FI", "_FT") ran as written.
int TQuillonForm::AutomaticExitCode() const {
    const bool aborted = ProgressForm && ProgressForm->AbortFlag != 0;
    return AutomaticFailed || ScriptError || aborted ? 1 : 0;
}

// --- Ending -----------------------------------------------------------------------------------

void TQuillonForm::JustUploadTimerTimer(TObject*) {
    JustUploadTimer->SetEnabled(false);
    Hide();
    Halt(AutomaticExitCode());
}

void TQuillonForm::FormCloseQuery(TObject*, bool& CanClose) {
    if (!NoUploadRunning) {
        const HWND wnd = FindWindow("TQuillonForm", nullptr);
        if (MessageBoxA(wnd,
                        "File upload in progress.\rAre you sure you want to cancel upload and exit the "
                        "application?",
                        "Loader GUI : Confirm Exit", MB_YESNO) != IDYES) {
            CanClose = false;
            return;
        }
    }
    CaptureOn = false;
    CanClose = true;
    if (AutomaticMode)
        JustUploadTimer->SetEnabled(true);
    else
        Hide();
    Halt(AutomaticMode ? AutomaticExitCode() : 0);
}

void TQuillonForm::ExitMenuClick(TObject*) {
    Close();
}

// --- Terminal menu ----------------------------------------------------------------------------

void TQuillonForm::VisibleMenuClick(TObject*) {
    VisibleMenu->SetChecked(!VisibleMenu->Checked());
    SetClientHeight(VisibleMenu->Checked() ? ClientHeightWithTerminal : ClientHeightWithoutTerminal);
}

void TQuillonForm::SetTerminalBackground(TColor Color) {
    VxTerminal1->SetColor(Color);
}

void TQuillonForm::SetTerminalTextColor(TColor Color) {
    VxTerminal1->Font()->SetColor(Color);
}

void TQuillonForm::BackBlackMenuClick(TObject*) {
    SetTerminalBackground(TerminalColors[1]);
}
void TQuillonForm::BackRedMenuClick(TObject*) {
    SetTerminalBackground(TerminalColors[2]);
}
void TQuillonForm::BackGreenMenuClick(TObject*) {
    SetTerminalBackground(TerminalColors[3]);
}
void TQuillonForm::BackBlueMenuClick(TObject*) {
    SetTerminalBackground(TerminalColors[4]);
}
void TQuillonForm::BackWhiteMenuClick(TObject*) {
    SetTerminalBackground(TerminalColors[5]);
}
void TQuillonForm::BackDefaultMenuClick(TObject*) {
    SetTerminalBackground(TerminalColors[0]);
}

void TQuillonForm::TextBlackMenuClick(TObject*) {
    SetTerminalTextColor(TerminalColors[1]);
}
void TQuillonForm::TextRedMenuClick(TObject*) {
    SetTerminalTextColor(TerminalColors[2]);
}
void TQuillonForm::TextGreenMenuClick(TObject*) {
    SetTerminalTextColor(TerminalColors[3]);
}
void TQuillonForm::TextBlueMenuClick(TObject*) {
    SetTerminalTextColor(TerminalColors[4]);
}
void TQuillonForm::TextWhiteMenuClick(TObject*) {
    SetTerminalTextColor(TerminalColors[5]);
}
void TQuillonForm::TextDefaultMenuClick(TObject*) {
    SetTerminalTextColor(DefaultTextColor);
}

void TQuillonForm::TerminalFonts1Click(TObject*) {
    FontDialog1->SetFont(VxTerminal1->Font());
    if (FontDialog1->Execute()) VxTerminal1->Font()->Assign(FontDialog1->Font());
}

void TQuillonForm::Clear1Click(TObject*) {
    VxTerminal1->ClearAll();
}

void TQuillonForm::VxTerminal1DblClick(TObject*) {
    VxTerminal1->ClearAll();
}

// --- Hidden functions ---------------------------------------------------------------------------

void TQuillonForm::VersionLabelClick(TObject*) {
    SendFile1->SetVisible(!SendFile1->Visible());
}

void TQuillonForm::Button1Click(TObject*) {
    const int n = StrToIntDef(Edit2->Text(), 0);
    const TDateTime start = Now();
    for (int i = 0; i < n; ++i) SendCOMCmd_GetPrompt("OTPM? 1\r");
    const TDateTime end = Now();
    Label8->SetCaption(TimeToStr(start));
    Label9->SetCaption(TimeToStr(end));
}

// --- Published methods ----------------------------------------------------------------------------

namespace {

// The handlers by name, so that the form's components stream their events as their handlers' names.
const bool kMethodsPublished = [] {
    using namespace published;
    using F = TQuillonForm;
    PublishMethods<F, TForm>({
        Method<&F::FormShow>("FormShow"),
        Method<&F::FormCloseQuery>("FormCloseQuery"),
        Method<&F::ExitMenuClick>("ExitMenuClick"),
        Method<&F::JustUploadTimerTimer>("JustUploadTimerTimer"),
        Method<&F::VisibleMenuClick>("VisibleMenuClick"),
        Method<&F::BackBlackMenuClick>("BackBlackMenuClick"),
        Method<&F::BackRedMenuClick>("BackRedMenuClick"),
        Method<&F::BackGreenMenuClick>("BackGreenMenuClick"),
        Method<&F::BackBlueMenuClick>("BackBlueMenuClick"),
        Method<&F::BackWhiteMenuClick>("BackWhiteMenuClick"),
        Method<&F::BackDefaultMenuClick>("BackDefaultMenuClick"),
        Method<&F::TextBlackMenuClick>("TextBlackMenuClick"),
        Method<&F::TextRedMenuClick>("TextRedMenuClick"),
        Method<&F::TextGreenMenuClick>("TextGreenMenuClick"),
        Method<&F::TextBlueMenuClick>("TextBlueMenuClick"),
        Method<&F::TextWhiteMenuClick>("TextWhiteMenuClick"),
        Method<&F::TextDefaultMenuClick>("TextDefaultMenuClick"),
        Method<&F::TerminalFonts1Click>("TerminalFonts1Click"),
        Method<&F::Clear1Click>("Clear1Click"),
        Method<&F::VxTerminal1DblClick>("VxTerminal1DblClick"),
        Method<&F::VersionLabelClick>("VersionLabelClick"),
        Method<&F::SendFile1Click>("SendFile1Click"),
        Method<&F::Button1Click>("Button1Click"),
        Method<&F::NoneMenuClick>("NoneMenuClick"),
        Method<&F::SearchAllMenuClick>("SearchAllMenuClick"),
        Method<&F::ComCheckBoxClick>("ComCheckBoxClick"),
        Method<&F::COM1MenuClick>("COM1MenuClick"),
        Method<&F::COM2MenuClick>("COM2MenuClick"),
        Method<&F::COM31Click>("COM31Click"),
        Method<&F::COM32Click>("COM32Click"),
        Method<&F::COM33Click>("COM33Click"),
        Method<&F::COM34Click>("COM34Click"),
        Method<&F::COM35Click>("COM35Click"),
        Method<&F::COM36Click>("COM36Click"),
        Method<&F::COM91Click>("COM91Click"),
        Method<&F::COM101Click>("COM101Click"),
        Method<&F::COM111Click>("COM111Click"),
        Method<&F::COM121Click>("COM121Click"),
        Method<&F::COM131Click>("COM131Click"),
        Method<&F::COM141Click>("COM141Click"),
        Method<&F::COM151Click>("COM151Click"),
        Method<&F::COM161Click>("COM161Click"),
        Method<&F::N12001Click>("N12001Click"),
        Method<&F::N24001Click>("N24001Click"),
        Method<&F::N96001Click>("N96001Click"),
        Method<&F::N192001Click>("N192001Click"),
        Method<&F::N384001Click>("N384001Click"),
        Method<&F::N576001Click>("N576001Click"),
        Method<&F::N1152001Click>("N1152001Click"),
        Method<&F::VexComPort1TriggerAvail>("VexComPort1TriggerAvail"),
        Method<&F::CommandTimerTimer>("CommandTimerTimer"),
        Method<&F::CCHECKTimer1Timer>("CCHECKTimer1Timer"),
        Method<&F::ConnectionTimerTimer>("ConnectionTimerTimer"),
        Method<&F::VxTerminal1CharTyped>("VxTerminal1CharTyped"),
        Method<&F::EnetConnect1Click>("EnetConnect1Click"),
        Method<&F::EnetDisconnect1Click>("EnetDisconnect1Click"),
        Method<&F::ClientSocket1Read>("ClientSocket1Read"),
        Method<&F::ClientSocket1Error>("ClientSocket1Error"),
        Method<&F::ClientSocket1Connect>("ClientSocket1Connect"),
        Method<&F::PickButtonClick>("PickButtonClick"),
        Method<&F::UploadButtonClick>("UploadButtonClick"),
    });
    return true;
}();

} // namespace
