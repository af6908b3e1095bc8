#include "front_panel/DorvexMainUnit.h"

#include "communications/VxMisc.h"
#include "front_panel/DorvexWire.h"
#include "front_panel/IPAddressUnit.h"
#include "front_panel/PopupUnit.h"
#include "front_panel/SourceLabelUnit.h"
#include "front_panel/WinsockSwitcherLink.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/Strings.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ResourceBitmaps.h"

#include "platform/ui/TypInfo.h"
#include <exception>

TDorvexMainForm* DorvexMainForm = nullptr;
const char* const DorvexVersion = "1.00";
std::array<std::string, 10> SourceLabels;
const std::array<std::string, 10> DefaultSourceLabels = {" 1 ", " 2 ", " 3 ", " 4 ",      " 5 ",
                                                         " 6 ", " 7 ", " 8 ", "SDI\n  1", "SDI\n  2"};
bool FirstTickDone = false;
int InitialSync = 2;

namespace {

// Used while the settings file is missing or broken, and shown in the dialog before it is read.
const char* const DefaultDeviceAddress = "192.168.1.100";
const char* const SdiPrefix = "SDI\n";
constexpr int KeySize = 58;
constexpr int KeyTop = 62;
constexpr int PanelColor = 3355443;

int SourceKeyLeft(int slot) {
    return 8 + 62 * slot;
}

// A label table entry holds at most what its buffer did: 3 characters for the sources, 7 for the
// SDI keys ("SDI\n" and 3).
std::string FitLabel(int slot, const std::string& text) {
    return text.substr(0, slot < 8 ? 3 : 7);
}

std::string SettingsPath(const std::string& name) {
    return GetCurrentDir() + "/" + name;
}

// The main window has closed and the program is ending: what a wait was waiting for no longer
// matters, and the panel sends and shows nothing more.
bool Ending() {
    return Application->Terminated();
}

// A plain message box, unless the program is ending.
void Tell(const std::string& text) {
    if (!Ending()) ShowMessage(text);
}

int StateOf(const std::string& value) {
    if (value == "OFF") return 0;
    if (value == "ON") return 1;
    return 2;
}

// Runs restore when the scope is left by an exception, so that a handler that fails (a write on a
// dropped connection) does not leave the panel's busy flags set or its poll stopped.
template <class F> class TRestoreOnThrow {
public:
    explicit TRestoreOnThrow(F f) : restore_(f) {}
    ~TRestoreOnThrow() {
        if (std::uncaught_exceptions() > exceptions_) restore_();
    }
    TRestoreOnThrow(const TRestoreOnThrow&) = delete;
    TRestoreOnThrow& operator=(const TRestoreOnThrow&) = delete;

private:
    F restore_;
    int exceptions_ = std::uncaught_exceptions();
};

} // namespace

// --- Construction -----------------------------------------------------------------------------

TDorvexMainForm::TDorvexMainForm(TComponent* AOwner) : TForm(AOwner) {
    // One main form per run: the program-wide values start afresh with it.
    SourceLabels = DefaultSourceLabels;
    FirstTickDone = false;
    InitialSync = 2;
    IPText = DefaultDeviceAddress;

    BeginLoading();
    BuildComponents();
    if (SwitcherLinkFactory()) Link = SwitcherLinkFactory()(this);
    if (Link) {
        Link->OnWsConnect = TNotifyEvent::Bind<&TDorvexMainForm::VexWinsockPort1WsConnect>(this);
        Link->OnWsError = TLinkErrorEvent::Bind<&TDorvexMainForm::VexWinsockPort1WsError>(this);
        Link->OnReply = TLinkPacketEvent::Bind<&TDorvexMainForm::ResponseDPktPacket>(this);
        Link->OnPopUp = TLinkStringEvent::Bind<&TDorvexMainForm::PopUpPcktStringPacket>(this);
        Link->OnErrorReport = TLinkStringEvent::Bind<&TDorvexMainForm::ErrorDPcktStringPacket>(this);
        Link->OnQueueOverflow = TLinkStringEvent::Bind<&TDorvexMainForm::QueueOverflowPktStringPacket>(this);
    }
    EndLoading();
    SetCaption(std::string(" Marveth Corvane II / Halverin II Virtual Front Panel    Rev ") + DorvexVersion);
}

TDorvexMainForm::~TDorvexMainForm() {
    Link.reset();
    FreeBitmaps();
    if (DorvexMainForm == this) DorvexMainForm = nullptr;
}

TImage* TDorvexMainForm::NewImage(const char* Name, int Left, int Top, int Width, int Height) {
    auto* image = new TImage(this);
    image->SetName(Name);
    image->SetBounds(Left, Top, Width, Height);
    image->SetParent(this);
    return image;
}

namespace {

// A bold black caption on the face of a key, inside its 6-pixel rim.
template <typename Label>
Label* PlaceOnKey(Label* label, const char* Name, TImage* Key, const std::string& Caption, TWinControl* Parent) {
    label->SetName(Name);
    label->SetAutoSize(false);
    label->SetBounds(Key->Left() + 6, Key->Top() + 6, KeySize - 12, KeySize - 12);
    label->Font()->SetName("MS Sans Serif");
    label->Font()->SetSize(10);
    label->Font()->SetStyle({fsBold});
    label->Font()->SetColor(clBlack);
    label->SetCaption(Caption);
    label->SetParent(Parent);
    return label;
}

} // namespace

TLabel* TDorvexMainForm::NewKeyLabel(const char* Name, TImage* Key, const std::string& Caption) {
    auto* label = new TLabel(this);
    label->SetTransparent(true);
    label->SetAlignment(taCenter);
    label->SetLayout(tlCenter);
    return PlaceOnKey(label, Name, Key, Caption, this);
}

TLuxLabel* TDorvexMainForm::NewLuxKeyLabel(const char* Name, TImage* Key, const std::string& Caption) {
    auto* label = new TLuxLabel(this);
    label->SetAlignment(agCenter);
    return PlaceOnKey(label, Name, Key, Caption, this);
}

TvLed* TDorvexMainForm::NewLed(const char* Name, int Left, int Top, LedColorType Color) {
    auto* led = new TvLed(this);
    led->SetName(Name);
    led->SetBounds(Left, Top, 17, 17);
    led->WriteLedColor(Color);
    led->SetParent(this);
    return led;
}

void TDorvexMainForm::BuildComponents() {
    SetName("DorvexMainForm");
    SetBorderStyle(bsSingle);
    SetBorderIcons({biSystemMenu});
    SetPosition(poScreenCenter);
    SetColor(PanelColor);
    SetClientSize(759, 150);
    OnActivate = TNotifyEvent::Bind<&TDorvexMainForm::FormActivate>(this);
    OnClose = TCloseEvent::Bind<&TDorvexMainForm::FormClose>(this);

    SourceSelectionImage = NewImage("SourceSelectionImage", 8, 6, 616, 28);
    LoadBitmapResource(SourceSelectionImage->Picture()->Bitmap(), "SOURCE_SELECTION");

    IP_AddressLbl = new TLuxLabel(this);
    IP_AddressLbl->SetName("IP_AddressLbl");
    IP_AddressLbl->SetAutoSize(false);
    IP_AddressLbl->SetAlignment(agCenter);
    IP_AddressLbl->Bevel()->SetBevelStyleInner(bvLowered);
    IP_AddressLbl->Bevel()->SetWidthInner(2);
    IP_AddressLbl->Bevel()->SetWidthOuter(0);
    IP_AddressLbl->SetBounds(636, 6, 96, 28);
    IP_AddressLbl->Font()->SetColor(clLime);
    IP_AddressLbl->SetHint("IP Address");
    IP_AddressLbl->SetShowHint(true);
    IP_AddressLbl->SetCaption("");
    IP_AddressLbl->SetParent(this);

    UpdateLED = NewLed("UpdateLED", 736, 12, lctGreen);

    TImage** keys[] = {&SourceBtnImage1, &SourceBtnImage2, &SourceBtnImage3, &SourceBtnImage4,
                       &SourceBtnImage5, &SourceBtnImage6, &SourceBtnImage7, &SourceBtnImage8,
                       &SourceBtnImage9, &SourceBtnImage10};
    const char* keyNames[] = {"SourceBtnImage1", "SourceBtnImage2", "SourceBtnImage3", "SourceBtnImage4",
                              "SourceBtnImage5", "SourceBtnImage6", "SourceBtnImage7", "SourceBtnImage8",
                              "SourceBtnImage9", "SourceBtnImage10"};
    TNotifyEvent keyClicks[] = {TNotifyEvent::Bind<&TDorvexMainForm::SourceBtnImage1Click>(this),
                                TNotifyEvent::Bind<&TDorvexMainForm::SourceBtnImage2Click>(this),
                                TNotifyEvent::Bind<&TDorvexMainForm::SourceBtnImage3Click>(this),
                                TNotifyEvent::Bind<&TDorvexMainForm::SourceBtnImage4Click>(this),
                                TNotifyEvent::Bind<&TDorvexMainForm::SourceBtnImage5Click>(this),
                                TNotifyEvent::Bind<&TDorvexMainForm::SourceBtnImage6Click>(this),
                                TNotifyEvent::Bind<&TDorvexMainForm::SourceBtnImage7Click>(this),
                                TNotifyEvent::Bind<&TDorvexMainForm::SourceBtnImage8Click>(this),
                                TNotifyEvent::Bind<&TDorvexMainForm::SourceBtnImage9Click>(this),
                                TNotifyEvent::Bind<&TDorvexMainForm::SourceBtnImage10Click>(this)};
    TLabel** labels[] = {&Source1Label, &Source2Label, &Source3Label, &Source4Label,    &Source5Label,
                         &Source6Label, &Source7Label, &Source8Label, &SourceSDI1Label, &SourceSDI2Label};
    const char* labelNames[] = {"Source1Label",    "Source2Label",   "Source3Label", "Source4Label",
                                "Source5Label",    "Source6Label",   "Source7Label", "Source8Label",
                                "SourceSDI1Label", "SourceSDI2Label"};
    TNotifyEvent labelClicks[] = {TNotifyEvent::Bind<&TDorvexMainForm::Source1LabelClick>(this),
                                  TNotifyEvent::Bind<&TDorvexMainForm::Source2LabelClick>(this),
                                  TNotifyEvent::Bind<&TDorvexMainForm::Source3LabelClick>(this),
                                  TNotifyEvent::Bind<&TDorvexMainForm::Source4LabelClick>(this),
                                  TNotifyEvent::Bind<&TDorvexMainForm::Source5LabelClick>(this),
                                  TNotifyEvent::Bind<&TDorvexMainForm::Source6LabelClick>(this),
                                  TNotifyEvent::Bind<&TDorvexMainForm::Source7LabelClick>(this),
                                  TNotifyEvent::Bind<&TDorvexMainForm::Source8LabelClick>(this),
                                  TNotifyEvent::Bind<&TDorvexMainForm::SourceSDI1LabelClick>(this),
                                  TNotifyEvent::Bind<&TDorvexMainForm::SourceSDI2LabelClick>(this)};
    TvLed** leds[] = {&vLed1, &vLed2, &vLed3, &vLed4,  &vLed5, &vLed6,
                      &vLed7, &vLed8, &vLed9, &vLed10, &vLed11};
    const char* ledNames[] = {"vLed1", "vLed2", "vLed3", "vLed4",  "vLed5", "vLed6",
                              "vLed7", "vLed8", "vLed9", "vLed10", "vLed11"};

    SourcePopupMenu = new TPopupMenu(this);
    SourcePopupMenu->SetName("SourcePopupMenu");
    SourcePopupMenu->OnPopup = TNotifyEvent::Bind<&TDorvexMainForm::SourcePopupMenuPopup>(this);
    EnableToggle = new TMenuItem(this);
    EnableToggle->SetName("EnableToggle");
    EnableToggle->SetCaption("Disable");
    EnableToggle->SetHint("Enable / Disable Source");
    EnableToggle->OnClick = TNotifyEvent::Bind<&TDorvexMainForm::EnableToggleClick>(this);
    SourcePopupMenu->Items()->Add(EnableToggle);
    Rename = new TMenuItem(this);
    Rename->SetName("Rename");
    Rename->SetCaption("Rename");
    SourcePopupMenu->Items()->Add(Rename);
    New = new TMenuItem(this);
    New->SetName("New");
    New->SetCaption("Edit");
    New->OnClick = TNotifyEvent::Bind<&TDorvexMainForm::RenameClick>(this);
    Rename->Add(New);
    Default = new TMenuItem(this);
    Default->SetName("Default");
    Default->SetCaption("Default");
    Default->OnClick = TNotifyEvent::Bind<&TDorvexMainForm::DefaultClick>(this);
    Rename->Add(Default);

    for (int i = 0; i < 10; ++i) {
        TImage* key = NewImage(keyNames[i], SourceKeyLeft(i), KeyTop, KeySize, KeySize);
        key->SetStretch(true);
        key->OnClick = keyClicks[i];
        key->SetPopupMenu(SourcePopupMenu);
        *keys[i] = key;
        *leds[i] = NewLed(ledNames[i], SourceKeyLeft(i) + 20, 40, lctRed);
    }
    LogoBtnImage = NewImage("LogoBtnImage", 636, KeyTop, KeySize, KeySize);
    LogoBtnImage->SetStretch(true);
    LogoBtnImage->OnClick = TNotifyEvent::Bind<&TDorvexMainForm::LogoBtnImageClick>(this);
    FreezeBtnImage = NewImage("FreezeBtnImage", 697, KeyTop, KeySize, KeySize);
    FreezeBtnImage->SetStretch(true);
    FreezeBtnImage->OnClick = TNotifyEvent::Bind<&TDorvexMainForm::FreezeBtnImageClick>(this);
    vLed11 = NewLed("vLed11", 656, 40, lctRed);

    // The captions lie on the keys, above them in z-order, so they forward their clicks.
    for (int i = 0; i < 10; ++i) {
        TLabel* label =
            NewKeyLabel(labelNames[i], *keys[i], DefaultSourceLabels[static_cast<std::size_t>(i)]);
        label->OnClick = labelClicks[i];
        label->SetPopupMenu(SourcePopupMenu);
        *labels[i] = label;
    }
    LogoLabel = NewLuxKeyLabel("LogoLabel", LogoBtnImage, "LOGO");
    LogoLabel->OnClick = TNotifyEvent::Bind<&TDorvexMainForm::LogoLabelClick>(this);
    FreezeLabel = NewLuxKeyLabel("FreezeLabel", FreezeBtnImage, "Freeze");
    FreezeLabel->OnClick = TNotifyEvent::Bind<&TDorvexMainForm::FreezeLabelClick>(this);

    Yellow_Off_Key_Image = NewImage("Yellow_Off_Key_Image", 8, 168, KeySize, KeySize);
    Yellow_On_Key_Image = NewImage("Yellow_On_Key_Image", 70, 168, KeySize, KeySize);
    Green_Off_Key_Image = NewImage("Green_Off_Key_Image", 132, 168, KeySize, KeySize);
    Green_On_Key_Image = NewImage("Green_On_Key_Image", 194, 168, KeySize, KeySize);
    White_Off_Key_Image = NewImage("White_Off_Key_Image", 256, 168, KeySize, KeySize);

    LED2 = new TVexStatusLight(this);
    LED2->SetName("LED2");
    LED2->SetBounds(330, 168, 13, 13);
    LED2->SetParent(this);

    Memo1 = new TMemo(this);
    Memo1->SetName("Memo1");
    Memo1->SetBounds(360, 168, 185, 89);
    Memo1->SetParent(this);

    TrackBar1 = new TTrackBar(this);
    TrackBar1->SetName("TrackBar1");
    TrackBar1->SetBounds(560, 168, 150, 45);
    TrackBar1->SetMax(2000);
    TrackBar1->SetMin(100);
    TrackBar1->SetPosition(1000);
    TrackBar1->OnChange = TNotifyEvent::Bind<&TDorvexMainForm::TrackBar1Change>(this);
    TrackBar1->SetParent(this);

    NobodyLight = NewImage("NobodyLight", 8, 232, 17, 17);
    NobodyLight->OnClick = TNotifyEvent::Bind<&TDorvexMainForm::SourceBtnImage1Click>(this);
    NobodyLED = NewLed("NobodyLED", 32, 232, lctGreen);
    ProgramImage = NewImage("ProgramImage", 56, 232, KeySize, KeySize);
    ProgramImage->SetVisible(false);

    Timer1 = new TTimer(this);
    Timer1->SetName("Timer1");
    Timer1->SetEnabled(false);
    Timer1->SetInterval(1000);
    Timer1->OnTimer = TNotifyEvent::Bind<&TDorvexMainForm::Timer1Timer>(this);
}

// --- Start-up ---------------------------------------------------------------------------------

void TDorvexMainForm::FormActivate(TObject*) {
    if (StartedUp) return;
    StartedUp = true;

    PollBusy = LogoOn = FreezeOn = KeyBusy = false;
    GraceCount = 0;
    ResponseText.clear();
    FreezeLatched = false;
    CurrentIdx = FrozenIdx = -1;

    LabelSlots = {Source1Label, Source2Label, Source3Label,    Source4Label,    Source5Label, Source6Label,
                  Source7Label, Source8Label, SourceSDI1Label, SourceSDI2Label, Source1Label, Source1Label};
    ImageSlots = {SourceBtnImage1, SourceBtnImage2,  SourceBtnImage3, SourceBtnImage4,
                  SourceBtnImage5, SourceBtnImage6,  SourceBtnImage7, SourceBtnImage8,
                  SourceBtnImage9, SourceBtnImage10, LogoBtnImage,    FreezeBtnImage};
    PendingSlots.fill(0);
    EnabledSlots.fill(1);
    LedSlots = {vLed1, vLed2, vLed3, vLed4, vLed5, vLed6, vLed7, vLed8, vLed9, vLed10, vLed11};

    ReadConnectionSettings();

    FreeBitmaps();
    const std::pair<TBitmap**, const char*> bitmaps[] = {{&YellowOffBitmap, "YELLOW_OFF"},
                                                         {&YellowOnBitmap, "YELLOW_ON"},
                                                         {&GreenOffBitmap, "GREEN_OFF"},
                                                         {&GreenOnBitmap, "GREEN_ON"},
                                                         {&WhiteOffBitmap, "WHITE_OFF"}};
    for (const auto& [bitmap, name] : bitmaps) {
        *bitmap = new TBitmap;
        LoadBitmapResource(*bitmap, name);
    }
    Yellow_Off_Key_Image->Picture()->Assign(YellowOffBitmap);
    Yellow_On_Key_Image->Picture()->Assign(YellowOnBitmap);
    Green_Off_Key_Image->Picture()->Assign(GreenOffBitmap);
    Green_On_Key_Image->Picture()->Assign(GreenOnBitmap);
    White_Off_Key_Image->Picture()->Assign(WhiteOffBitmap);

    if (IPAddressForm) IPAddressForm->ShowModal();
    if (!Link) return;
    if (!IdentifyDevice() || Ending()) return;
    LoadSourceLabels();

    SendCommand("ACQMODE 0");
    SendCommand("FREEZ 1 B 0");
    SendCommand("FREEZ 1 A 0");
    ShowPicture(FreezeBtnImage, Yellow_Off_Key_Image);
    ShowPicture(LogoBtnImage, Green_Off_Key_Image);
    SendCommand("OpMode 2");
}

void TDorvexMainForm::SetIPText(const std::string& Text) {
    IPText = Text.substr(0, 19);
}

std::string TDorvexMainForm::LabelsFileName() const {
    return DeviceModel == 1 ? "Corvane.ini" : "Tibbet.ini";
}

void TDorvexMainForm::ReadConnectionSettings() {
    try {
        TStringList list;
        list.LoadFromFile(SettingsPath("Dorvex.ini"));
        if (list.IndexOfName("IP") < 0) throw EConvertError("no IP");
        SetIPText(list.Values("IP"));
        PortNumber = StrToInt(list.Values("Port"));
    } catch (const Exception&) {
        SetIPText(DefaultDeviceAddress);
        PortNumber = 3000;
    }
}

bool TDorvexMainForm::IdentifyDevice() {
    DelayTicks(20, true);
    const std::string r = UpperCase(SendAndWait("WhoAreYou?\r\n"));
    if (Ending()) return false;
    if (r == "CORVANE II APPLICATION") {
        DeviceModel = 1;
        if (PopupForm) PopupForm->SetCaption("Message from the Corvane II");
        TransitionWord = "Mix";
        SdiWord = "SDI1";
    } else if (r == "HALVERIN II APPLICATION") {
        if (PopupForm) PopupForm->SetCaption("Message from the Halverin II");
        TransitionWord = "Trans";
        SdiWord = "SDI";
        DeviceModel = 2;
        SourceBtnImage10->Hide();
        SourceSDI2Label->Hide();
    } else {
        ShowMessage("Connected to an unrecognized device. Ensure the IP address is correct then run the "
                    "application again.");
        Application->Terminate();
        Application->ProcessMessages();
        return false;
    }
    for (TvLed* led : {vLed1, vLed2, vLed3, vLed4, vLed5, vLed6, vLed7, vLed8, vLed9, vLed10, vLed11})
        led->Hide();

    DelayTicks(20, true);
    const std::string version = RevisionVersion(SendAndWait("Rev\r\n"));
    if (Ending()) return false;
    if (!VersionSupported(version)) {
        ShowMessage("Software version " + version + " is not supported.\n" + "Please upgrade the " +
                    (DeviceModel == 1 ? "CorvaneII" : "HalverinII") + " to version " + MinimumVersion +
                    " or later.");
        Application->Terminate();
        Application->ProcessMessages();
        return false;
    }
    ControlStyle.Include(csOpaque);
    Timer1->SetEnabled(true);
    return true;
}

void TDorvexMainForm::LoadSourceLabels() {
    const bool corvane = DeviceModel == 1;
    const int keys = corvane ? 10 : 9;
    try {
        TStringList list;
        list.LoadFromFile(SettingsPath(LabelsFileName()));
        for (int n = 1; n <= 8; ++n)
            SourceLabels[static_cast<std::size_t>(n - 1)] =
                FitLabel(n - 1, list.Values(Format("Src%dLabel", {n})));
        SourceLabels[8] = FitLabel(8, SdiPrefix + list.Values("SrcSDI1Label"));
        if (corvane) SourceLabels[9] = FitLabel(9, SdiPrefix + list.Values("SrcSDI2Label"));

        for (int i = 0; i < keys; ++i) {
            const std::string key =
                i < 8 ? Format("Src%dEnable", {i + 1}) : Format("SrcSDI%dEnable", {i - 7});
            EnabledSlots[static_cast<std::size_t>(i)] = StrToInt(list.Values(key));
            LabelSlots[static_cast<std::size_t>(i)]->SetCaption(
                EnabledSlots[static_cast<std::size_t>(i)] != 0 ? SourceLabels[static_cast<std::size_t>(i)]
                                                               : DisabledCaption(i));
        }
    } catch (const Exception&) {
        // What was read so far stays; the rest keeps the form's values.
    }
}

void TDorvexMainForm::SaveSettings() {
    // A file that cannot be written does not keep the other from being saved; the first failure is
    // raised at the end.
    std::exception_ptr failure;
    auto save = [&failure](const TStringList& list, const std::string& name) {
        try {
            list.SaveToFile(SettingsPath(name));
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
    };
    TStringList list;
    list.Add("[Orvel IP Parameters]");
    list.Add(Format("IP=%s", {IPText}));
    list.Add(Format("Port=%d", {PortNumber}));
    list.Add("");
    save(list, "Dorvex.ini");

    list.Clear();
    const bool corvane = DeviceModel == 1;
    const std::string model = corvane ? "CorvaneII" : "HalverinII";
    list.Add("[" + model + " Source Labels]");
    for (int n = 1; n <= 8; ++n)
        list.Add(Format("Src%dLabel=%s", {n, SourceLabels[static_cast<std::size_t>(n - 1)]}));
    list.Add(Format("SrcSDI1Label=%s", {Copy(SourceLabels[8], 5, 3)}));
    if (corvane) list.Add(Format("SrcSDI2Label=%s", {Copy(SourceLabels[9], 5, 3)}));
    list.Add("");
    list.Add("[" + model + " Source Enables]");
    for (int n = 1; n <= 8; ++n)
        list.Add(Format("Src%dEnable=%d", {n, EnabledSlots[static_cast<std::size_t>(n - 1)]}));
    list.Add(Format("SrcSDI1Enable=%d", {EnabledSlots[8]}));
    if (corvane) list.Add(Format("SrcSDI2Enable=%d", {EnabledSlots[9]}));
    save(list, LabelsFileName());
    if (failure) std::rethrow_exception(failure);
}

void TDorvexMainForm::FormClose(TObject*, TCloseAction&) {
    Timer1->SetEnabled(false);
    // A failure here is shown once and the window closes all the same: kept open, it could never be
    // closed, and every try would send the lockout again.
    try {
        if (Link && Link->Open()) Link->PutString("Lockout 0\r\n");
        SaveSettings();
    } catch (const Exception& e) {
        Application->ShowException(&e);
    }
    FreeBitmaps();
}

void TDorvexMainForm::FreeBitmaps() {
    for (TBitmap** bitmap :
         {&YellowOffBitmap, &YellowOnBitmap, &GreenOffBitmap, &GreenOnBitmap, &WhiteOffBitmap}) {
        delete *bitmap;
        *bitmap = nullptr;
    }
}

void TDorvexMainForm::ShutDownPanel() {
    Timer1->SetEnabled(false);
    FreeBitmaps();
    Link.reset();
    Application->Terminate();
    Application->ProcessMessages();
}

void TDorvexMainForm::VexWinsockPort1WsConnect(TObject*) {
    if (Link) Link->PortTag = 0;
}

void TDorvexMainForm::VexWinsockPort1WsError(TObject*, int ErrCode) {
    if (Link && Link->PortTag != 0) ShowMessage(Format("Socket Error: %x", {ErrCode}));
}

// --- Wire -------------------------------------------------------------------------------------

void TDorvexMainForm::SendCommand(const std::string& Command) {
    if (Link && !Ending()) Link->PutString(Command + "\r");
}

std::string TDorvexMainForm::SendAndWait(const std::string& Query) {
    if (!Link || Ending()) return "0";
    Link->ReplyTag = 1;
    Link->ArmReply();
    Link->PutString(Query);
    for (int i = 0; i < 60 && Link && Link->ReplyTag == 1 && !Ending(); ++i) DelayTicks(1, true);
    if (!Link || Link->ReplyTag == 1) {
        if (Ending()) return "0";
        ShowMessage(DeviceModel == 1 ? "Timeout waiting for a response from the Corvane II"
                                     : "Timeout waiting for a response from the Halverin II");
        if (Link) Link->SetOpen(true);
        return "0";
    }
    Link->DisarmReply();
    ResponseText = ReplyBody(Trim(ResponseText));
    return Trim(ResponseText);
}

void TDorvexMainForm::ResponseDPktPacket(TObject*, void* Data, int Size) {
    // Cut off at its size limit, not ended by its "#": no reply, and the wait runs out.
    if (Size >= MaxReplySize && static_cast<const char*>(Data)[Size - 1] != '#') return;
    ResponseText.assign(static_cast<const char*>(Data), static_cast<std::size_t>(Size > 0 ? Size : 0));
    if (Link) Link->ReplyTag = 0;
}

// --- Keys -------------------------------------------------------------------------------------

void TDorvexMainForm::ShowPicture(TImage* Key, TImage* Template) {
    Key->Picture()->Assign(Template->Picture());
}

std::string TDorvexMainForm::SlotCommand(int Slot) const {
    if (Slot == 8) return "KP " + SdiWord;
    if (Slot == 9) return "KP SDI2";
    return "KP " + IntToStr(Slot + 1);
}

std::string TDorvexMainForm::DisabledCaption(int Slot) {
    return Slot < 8 ? "----" : "SDI\n ----";
}

bool TDorvexMainForm::BeginKeyAction() {
    if (PollBusy || KeyBusy) return true;
    KeyBusy = true;
    Timer1->SetEnabled(false);
    TRestoreOnThrow restore([this] {
        KeyBusy = false;
        Timer1->SetEnabled(true);
    });
    if (Link) Link->FlushOutBuffer();
    if (LogoOn) {
        LogoOn = false;
        ShowPicture(LogoBtnImage, Green_Off_Key_Image);
    }
    return false;
}

void TDorvexMainForm::CompleteKeyAction(bool Release) {
    Application->ProcessMessages();
    SendCommand(DeviceModel == 1 && FreezeOn ? "KP CUT" : "KP " + TransitionWord);
    DelayTicks(9, true);
    Timer1->SetEnabled(true);
    if (Release) KeyBusy = false;
    GraceCount = 3;
    if (FreezeOn) {
        FreezeOn = false;
        ShowPicture(FreezeBtnImage, Yellow_Off_Key_Image);
    }
}

void TDorvexMainForm::RecordSourceIndex(int Slot) {
    if (FreezeOn)
        FrozenIdx = Slot;
    else
        CurrentIdx = Slot;
}

void TDorvexMainForm::SourceKeyClick(int Slot) {
    const auto i = static_cast<std::size_t>(Slot);
    if (EnabledSlots[i] != 1) return;
    if (BeginKeyAction()) return;
    TRestoreOnThrow restore([this] {
        KeyBusy = false;
        Timer1->SetEnabled(true);
    });
    ShowPicture(ImageSlots[i], Yellow_On_Key_Image);
    LastSourceCmd = SlotCommand(Slot);
    SendCommand(LastSourceCmd);
    PendingSlots[i] = 1;
    RecordSourceIndex(Slot);
    CompleteKeyAction(true);
}

void TDorvexMainForm::SourceBtnImage1Click(TObject*) {
    SourceKeyClick(0);
}
void TDorvexMainForm::SourceBtnImage2Click(TObject*) {
    SourceKeyClick(1);
}
void TDorvexMainForm::SourceBtnImage3Click(TObject*) {
    SourceKeyClick(2);
}
void TDorvexMainForm::SourceBtnImage4Click(TObject*) {
    SourceKeyClick(3);
}
void TDorvexMainForm::SourceBtnImage5Click(TObject*) {
    SourceKeyClick(4);
}
void TDorvexMainForm::SourceBtnImage6Click(TObject*) {
    SourceKeyClick(5);
}
void TDorvexMainForm::SourceBtnImage7Click(TObject*) {
    SourceKeyClick(6);
}
void TDorvexMainForm::SourceBtnImage8Click(TObject*) {
    SourceKeyClick(7);
}
void TDorvexMainForm::SourceBtnImage9Click(TObject*) {
    SourceKeyClick(8);
}
void TDorvexMainForm::SourceBtnImage10Click(TObject*) {
    SourceKeyClick(9);
}
void TDorvexMainForm::Source1LabelClick(TObject* Sender) {
    SourceBtnImage1Click(Sender);
}
void TDorvexMainForm::Source2LabelClick(TObject* Sender) {
    SourceBtnImage2Click(Sender);
}
void TDorvexMainForm::Source3LabelClick(TObject* Sender) {
    SourceBtnImage3Click(Sender);
}
void TDorvexMainForm::Source4LabelClick(TObject* Sender) {
    SourceBtnImage4Click(Sender);
}
void TDorvexMainForm::Source5LabelClick(TObject* Sender) {
    SourceBtnImage5Click(Sender);
}
void TDorvexMainForm::Source6LabelClick(TObject* Sender) {
    SourceBtnImage6Click(Sender);
}
void TDorvexMainForm::Source7LabelClick(TObject* Sender) {
    SourceBtnImage7Click(Sender);
}
void TDorvexMainForm::Source8LabelClick(TObject* Sender) {
    SourceBtnImage8Click(Sender);
}
void TDorvexMainForm::SourceSDI1LabelClick(TObject* Sender) {
    SourceBtnImage9Click(Sender);
}
void TDorvexMainForm::SourceSDI2LabelClick(TObject* Sender) {
    SourceBtnImage10Click(Sender);
}

void TDorvexMainForm::LogoBtnImageClick(TObject*) {
    if (PollBusy || KeyBusy) return;
    KeyBusy = true;
    TRestoreOnThrow restore([this] {
        KeyBusy = false;
        Timer1->SetEnabled(true);
    });
    if (LogoOn) {
        ShowPicture(LogoBtnImage, Green_Off_Key_Image);
        SendCommand(LastSourceCmd);
    } else {
        ShowPicture(LogoBtnImage, Green_On_Key_Image);
        SendCommand(LastSourceCmd);
        SendCommand("KP LOGO");
        PendingSlots[10] = 1;
    }
    CompleteKeyAction(false);
    LogoOn = !LogoOn;
    if (DeviceModel == 2 && LogoOn) RestoreLayerAfterLogo();
    KeyBusy = false;
}

void TDorvexMainForm::LogoLabelClick(TObject* Sender) {
    LogoBtnImageClick(Sender);
}

void TDorvexMainForm::FreezeBtnImageClick(TObject*) {
    if (PollBusy || KeyBusy) return;
    KeyBusy = true;
    TRestoreOnThrow restore([this] { KeyBusy = false; });
    FreezeOn = !FreezeOn;
    LED2->SetLit(FreezeOn);
    if (FreezeOn) {
        ShowPicture(FreezeBtnImage, Yellow_On_Key_Image);
        SendCommand("FREEZ 1 B 1");
        SendCommand("FREEZ 1 A 1");
        FreezeLatched = true;
    } else {
        ShowPicture(FreezeBtnImage, Yellow_Off_Key_Image);
        SendCommand("FREEZ 1 B 0");
        SendCommand("FREEZ 1 A 0");
        FreezeLatched = false;
    }
    KeyBusy = false;
}

void TDorvexMainForm::FreezeLabelClick(TObject* Sender) {
    FreezeBtnImageClick(Sender);
}

void TDorvexMainForm::Unfreeze() {
    SendCommand("FREEZ 1 A 0");
    SendCommand("FREEZ 1 B 0");
    FreezeLatched = false;
    CurrentIdx = FrozenIdx;
}

// --- Poll -------------------------------------------------------------------------------------

void TDorvexMainForm::Timer1Timer(TObject*) {
    if (!FirstTickDone) {
        Timer1->SetEnabled(false);
        TRestoreOnThrow restore([this] { Timer1->SetEnabled(true); });
        if (DeviceModel == 1)
            SyncLayers();
        else
            DetectLayerMode();
        FirstTickDone = true;
        Timer1->SetEnabled(true);
    }
    if (PollBusy || KeyBusy) return;
    PollInterrupted = false;
    PollBusy = true;
    TRestoreOnThrow restore([this] { PollBusy = false; });
    PollKeyStatus();
    UpdateKeyImages();
    if (Link && Link->Open()) UpdateLED->writeLedOn(!UpdateLED->Enabled());
    PollBusy = false;
}

void TDorvexMainForm::TrackBar1Change(TObject*) {
    Timer1->SetInterval(static_cast<unsigned>(TrackBar1->Position()));
}

void TDorvexMainForm::AddMemoLine(const std::string& Line) {
    TStringList* lines = Memo1->Lines();
    lines->BeginUpdate();
    lines->Add(Line);
    while (lines->Count() > MemoLineLimit) lines->Delete(0);
    lines->EndUpdate();
}

void TDorvexMainForm::PollKeyStatus() {
    if (Link && Link->Open())
        StatusText = SendAndWait("KeyStatus\r");
    else
        AddMemoLine("Not connected to a Device");
    for (int i = 0; i < 8; ++i)
        ParseSection(IntToStr(i + 1), LedSlots[static_cast<std::size_t>(i)],
                     ImageSlots[static_cast<std::size_t>(i)]);
    if (DeviceModel == 1) {
        ParseSection("SDI1", LedSlots[8], ImageSlots[8]);
        ParseSection("SDI2", LedSlots[9], ImageSlots[9]);
    } else {
        ParseSection("SDI", LedSlots[8], ImageSlots[8]);
    }
    ParseSection("LOGO", LedSlots[10], ImageSlots[10]);
}

void TDorvexMainForm::ParseSection(const std::string& Name, TvLed* Led, TImage* Image) {
    if (PollInterrupted) return;
    const std::string section = ExtractTag(StatusText, Name);
    const std::string pvw = ExtractTag(section, "PVW");
    if (pvw == "0") return;
    Image->Tag = StateOf(pvw);
    const std::string pgm = ExtractTag(section, "PGM");
    if (pgm == "N/A" || pgm == "0") return;
    Led->Tag = StateOf(pgm);
}

void TDorvexMainForm::PaintFromProgram(int Slot, TImage* LitPicture, TImage* UnlitPicture) {
    const auto i = static_cast<std::size_t>(Slot);
    if (!PollInterrupted) ShowPicture(ImageSlots[i], LedSlots[i]->Tag == 1 ? LitPicture : UnlitPicture);
    if (FreezeLatched && LedSlots[i]->Tag == 0 && Slot == CurrentIdx) Unfreeze();
}

void TDorvexMainForm::PaintFromPreview(int Slot, TImage* UnlitPicture, TImage* LitPicture) {
    const auto i = static_cast<std::size_t>(Slot);
    if (!PollInterrupted) ShowPicture(ImageSlots[i], ImageSlots[i]->Tag == 1 ? LitPicture : UnlitPicture);
}

void TDorvexMainForm::UpdateKeyImages() {
    const bool corvane = DeviceModel == 1;
    // The Corvane II shows program state (the hidden LEDs' tags), the Halverin II preview state (the
    // key images' tags).
    auto state = [&](int slot) {
        const auto i = static_cast<std::size_t>(slot);
        return corvane ? LedSlots[i]->Tag : ImageSlots[i]->Tag;
    };
    if (InitialSync != 0 && state(10) == 1) {
        LogoOn = true;
        ShowPicture(LogoBtnImage, Green_On_Key_Image);
    }
    for (int slot = 0; slot <= 10; ++slot) {
        if (!corvane && slot == 9) continue;
        const auto i = static_cast<std::size_t>(slot);
        if (InitialSync != 0 && state(slot) == 1) {
            if (slot != 10) LastSourceCmd = SlotCommand(slot);
            if (corvane) CurrentIdx = FrozenIdx = slot;
            InitialSync = 0;
        }
        if (state(slot) == 1 && PendingSlots[i] == 1) PendingSlots[i] = 0;
        if (slot == 10) continue;
        if (GraceCount != 0 && state(slot) == 0 && PendingSlots[i] == 1) {
            --GraceCount;
        } else if (corvane) {
            PaintFromProgram(slot, Yellow_On_Key_Image, White_Off_Key_Image);
        } else {
            PaintFromPreview(slot, White_Off_Key_Image, Yellow_On_Key_Image);
        }
    }
    if (InitialSync != 0) --InitialSync;
}

// --- Layers -----------------------------------------------------------------------------------

void TDorvexMainForm::DetectLayerMode() {
    if (!Link || !Link->Open()) return;
    StatusText = SendAndWait("KeyStatus\r\n");
    const std::string p = ExtractTag(ExtractTag(StatusText, "PIP"), "PVW");
    if (p == "0") Tell("Cannot read PIP information");
    if (p == "BLINK") {
        LayerMode = 0;
        return;
    }
    const std::string k = ExtractTag(ExtractTag(StatusText, "KEY"), "PVW");
    if (k == "0") Tell("Cannot read KEY information");
    if (k == "BLINK") {
        LayerMode = 1;
    } else {
        SendCommand("PIP 1 1 a a 1 0 0");
        SendCommand("KP PIP");
        LayerMode = 0;
    }
}

void TDorvexMainForm::SendLayerSetup() {
    if (!Link || !Link->Open()) return;
    if (LayerMode == 0) {
        SendCommand("PIP 1 1 a a 1 0 0");
        SendCommand("KP PIP");
    } else if (LayerMode == 1) {
        SendCommand("KEY 1 1 a 1 1 1");
        SendCommand("KP KEY");
    }
}

void TDorvexMainForm::RestoreLayerAfterLogo() {
    if (!Link || !Link->Open()) return;
    StatusText = SendAndWait("KeyStatus\r\n");
    const std::string p = ExtractTag(ExtractTag(StatusText, "PIP"), "PVW");
    if (p == "0") {
        SendLayerSetup();
    } else if (p == "ON") {
        SendCommand("KP PIP");
    } else {
        const std::string k = ExtractTag(ExtractTag(StatusText, "KEY"), "PVW");
        if (k == "0")
            SendLayerSetup();
        else if (k == "ON")
            SendCommand("KP KEY");
    }
}

void TDorvexMainForm::SyncLayers() {
    if (!Link || !Link->Open()) return;
    StatusText = SendAndWait("KeyStatus\r\n");
    auto value = [this](const char* section, const char* part) {
        return ExtractTag(ExtractTag(StatusText, section), part);
    };
    const std::string s = value("SPLITLAYER", "PVW");
    if (s == "0") Tell("Cannot read SplitLayer information");
    if (s == "ON") {
        const std::string aV = value("LAYERA", "PVW"), aP = value("LAYERA", "PGM");
        const std::string bV = value("LAYERB", "PVW"), bP = value("LAYERB", "PGM");
        if (aP == "ON" && bP == "ON") {
            if (aV == "OFF" || bV == "OFF") {
                SendCommand("KP CUT");
                SendCommand("KP SPLITLAYER");
                if (aV == "OFF" && bV == "OFF") SendCommand("KP LAYERA");
            } else {
                if (aV == "ON")
                    SendCommand("KP LAYERA");
                else if (bV == "ON")
                    SendCommand("KP LAYERB");
                SendCommand("KP CLEARLAYER");
                SendCommand("KP CUT");
                SendCommand("KP SPLITLAYER");
            }
        } else {
            SendCommand("KP SPLITLAYER");
            if (aV == "OFF" && bV == "OFF" && aP == "OFF" && bP == "OFF") SendCommand("KP LAYERA");
        }
        return;
    }
    const std::string aV = value("LAYERA", "PVW"), aP = value("LAYERA", "PGM");
    if (aV == "0") Tell("Cannot read LayerA information");
    if (aV == "BLINK") return;
    const std::string bV = value("LAYERB", "PVW");
    if (bV == "0") Tell("Cannot read LayerB information");
    if (bV == "BLINK") return;
    SendCommand(aP != "ON" ? "KP LAYERA" : "KP LAYERB");
}

// --- Device messages --------------------------------------------------------------------------

void TDorvexMainForm::PopUpPcktStringPacket(TObject*, const std::string& Data) {
    if (Ending()) return;
    Timer1->SetEnabled(false);
    TRestoreOnThrow restore([this] { Timer1->SetEnabled(true); });
    PollInterrupted = true;
    PopupForm->PopUpMessageLbl->SetCaption(Data);
    if (DeviceModel == 2) SendLayerSetup();
    PopupForm->ShowModal();
    Timer1->SetEnabled(true);
}

void TDorvexMainForm::ErrorDPcktStringPacket(TObject*, const std::string& Data) {
    if (Ending()) return;
    Timer1->SetEnabled(false);
    TRestoreOnThrow restore([this] { Timer1->SetEnabled(true); });
    PollInterrupted = true;
    MessageDlg(Data, mtInformation, {mbOK}, 0);
    PopupForm->PopUpMessageLbl->SetCaption("ERROR: " + Data);
    PopupForm->ShowModal();
    Timer1->SetInterval(static_cast<unsigned>(TrackBar1->Position()));
    Timer1->SetEnabled(true);
}

void TDorvexMainForm::QueueOverflowPktStringPacket(TObject*, const std::string&) {
    if (Ending()) return;
    Timer1->SetEnabled(false);
    TRestoreOnThrow restore([this] { Timer1->SetEnabled(true); });
    PollInterrupted = true;
    PopupForm->PopUpMessageLbl->SetCaption("Waiting for message queue to drain");
    PopupForm->ShowModal();
    Timer1->SetEnabled(true);
}

// --- Popup menu -------------------------------------------------------------------------------

int TDorvexMainForm::PopupSlot() const {
    const TComponent* source = SourcePopupMenu->PopupComponent;
    if (!source) return -1;
    for (int i = 0; i < 10; ++i) {
        const auto s = static_cast<std::size_t>(i);
        if (source == ImageSlots[s] || source == LabelSlots[s]) return i;
    }
    return -1;
}

void TDorvexMainForm::SourcePopupMenuPopup(TObject*) {
    const int i = PopupSlot();
    if (i < 0) return;
    EnableToggle->SetCaption(EnabledSlots[static_cast<std::size_t>(i)] != 0 ? "Disable" : "Enable");
}

void TDorvexMainForm::EnableToggleClick(TObject*) {
    const int i = PopupSlot();
    if (i < 0) return;
    const auto s = static_cast<std::size_t>(i);
    if (EnabledSlots[s] != 0) {
        LabelSlots[s]->SetCaption(DisabledCaption(i));
        EnabledSlots[s] = 0;
    } else {
        LabelSlots[s]->SetCaption(SourceLabels[s]);
        EnabledSlots[s] = 1;
    }
}

void TDorvexMainForm::RenameClick(TObject*) {
    const int i = PopupSlot();
    if (i < 0 || !SourceLabelForm) return;
    const auto s = static_cast<std::size_t>(i);
    const bool sdi = i >= 8;
    SourceLabelForm->LabelEdit->SetText(sdi ? Copy(SourceLabels[s], 5, 3) : SourceLabels[s]);
    SourceLabelForm->SourceLabel->SetCaption(i == 8   ? std::string("Source SDI1")
                                             : i == 9 ? std::string("Source SDI2")
                                                      : Format("Source %d", {i + 1}));
    SourceLabelForm->ShowModal();
    const std::string text = SourceLabelForm->LabelEdit->Text().substr(0, 3);
    SourceLabels[s] = sdi ? SdiPrefix + text : text;
    if (EnabledSlots[s] != 0) LabelSlots[s]->SetCaption(SourceLabels[s]);
}

void TDorvexMainForm::DefaultClick(TObject*) {
    const int i = PopupSlot();
    if (i < 0) return;
    const auto s = static_cast<std::size_t>(i);
    SourceLabels[s] = DefaultSourceLabels[s];
    if (EnabledSlots[s] != 0) LabelSlots[s]->SetCaption(SourceLabels[s]);
}

// --- The link ---------------------------------------------------------------------------------

TSwitcherLinkFactory& SwitcherLinkFactory() {
    static TSwitcherLinkFactory factory = [](TDorvexMainForm* Form) -> std::unique_ptr<TSwitcherLink> {
        return std::make_unique<TWinsockSwitcherLink>(Form);
    };
    return factory;
}

// --- Published methods ----------------------------------------------------------------------------

namespace {

// The handlers by name, so that the form's components stream their events as their handlers' names.
const bool kMethodsPublished = [] {
    using namespace published;
    using F = TDorvexMainForm;
    PublishMethods<F, TForm>({
        Method<&F::FormActivate>("FormActivate"),
        Method<&F::FormClose>("FormClose"),
        Method<&F::SourceBtnImage1Click>("SourceBtnImage1Click"),
        Method<&F::SourceBtnImage2Click>("SourceBtnImage2Click"),
        Method<&F::SourceBtnImage3Click>("SourceBtnImage3Click"),
        Method<&F::SourceBtnImage4Click>("SourceBtnImage4Click"),
        Method<&F::SourceBtnImage5Click>("SourceBtnImage5Click"),
        Method<&F::SourceBtnImage6Click>("SourceBtnImage6Click"),
        Method<&F::SourceBtnImage7Click>("SourceBtnImage7Click"),
        Method<&F::SourceBtnImage8Click>("SourceBtnImage8Click"),
        Method<&F::SourceBtnImage9Click>("SourceBtnImage9Click"),
        Method<&F::SourceBtnImage10Click>("SourceBtnImage10Click"),
        Method<&F::Source1LabelClick>("Source1LabelClick"),
        Method<&F::Source2LabelClick>("Source2LabelClick"),
        Method<&F::Source3LabelClick>("Source3LabelClick"),
        Method<&F::Source4LabelClick>("Source4LabelClick"),
        Method<&F::Source5LabelClick>("Source5LabelClick"),
        Method<&F::Source6LabelClick>("Source6LabelClick"),
        Method<&F::Source7LabelClick>("Source7LabelClick"),
        Method<&F::Source8LabelClick>("Source8LabelClick"),
        Method<&F::SourceSDI1LabelClick>("SourceSDI1LabelClick"),
        Method<&F::SourceSDI2LabelClick>("SourceSDI2LabelClick"),
        Method<&F::LogoBtnImageClick>("LogoBtnImageClick"),
        Method<&F::LogoLabelClick>("LogoLabelClick"),
        Method<&F::FreezeBtnImageClick>("FreezeBtnImageClick"),
        Method<&F::FreezeLabelClick>("FreezeLabelClick"),
        Method<&F::Timer1Timer>("Timer1Timer"),
        Method<&F::TrackBar1Change>("TrackBar1Change"),
        Method<&F::VexWinsockPort1WsConnect>("VexWinsockPort1WsConnect"),
        Method<&F::VexWinsockPort1WsError>("VexWinsockPort1WsError"),
        Method<&F::ResponseDPktPacket>("ResponseDPktPacket"),
        Method<&F::PopUpPcktStringPacket>("PopUpPcktStringPacket"),
        Method<&F::ErrorDPcktStringPacket>("ErrorDPcktStringPacket"),
        Method<&F::QueueOverflowPktStringPacket>("QueueOverflowPktStringPacket"),
        Method<&F::SourcePopupMenuPopup>("SourcePopupMenuPopup"),
        Method<&F::EnableToggleClick>("EnableToggleClick"),
        Method<&F::RenameClick>("RenameClick"),
        Method<&F::DefaultClick>("DefaultClick"),
    });
    return true;
}();

} // namespace
