// Unit DorvexMainUnit: the front panel's main window. It connects (through the IP-address dialog),
// identifies the switcher and checks its software, mirrors the switcher's keys from a one-second
// poll, sends the key commands, syncs the layers on the first tick, shows the switcher's unasked
// messages, and keeps the connection and label settings files.
#pragma once

#include "communications/VxStatLt.h"
#include "front_panel/SwitcherLink.h"
#include "indicator_controls/Vled.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "visual_controls/Luxlabel.h"

#include <array>
#include <memory>
#include <string>

class TDorvexMainForm : public TForm {
public:
    explicit TDorvexMainForm(TComponent* AOwner);
    ~TDorvexMainForm() override;

    // --- Visible components ---
    TImage* SourceSelectionImage;
    TLuxLabel* IP_AddressLbl;
    TvLed* UpdateLED;
    TImage* SourceBtnImage1;
    TImage* SourceBtnImage2;
    TImage* SourceBtnImage3;
    TImage* SourceBtnImage4;
    TImage* SourceBtnImage5;
    TImage* SourceBtnImage6;
    TImage* SourceBtnImage7;
    TImage* SourceBtnImage8;
    TImage* SourceBtnImage9;
    TImage* SourceBtnImage10;
    TLabel* Source1Label;
    TLabel* Source2Label;
    TLabel* Source3Label;
    TLabel* Source4Label;
    TLabel* Source5Label;
    TLabel* Source6Label;
    TLabel* Source7Label;
    TLabel* Source8Label;
    TLabel* SourceSDI1Label;
    TLabel* SourceSDI2Label;
    TImage* LogoBtnImage;
    TLuxLabel* LogoLabel;
    TImage* FreezeBtnImage;
    TLuxLabel* FreezeLabel;
    // Red lamps over the keys; hidden once the switcher is identified, they keep key state in Tag.
    TvLed* vLed1;
    TvLed* vLed2;
    TvLed* vLed3;
    TvLed* vLed4;
    TvLed* vLed5;
    TvLed* vLed6;
    TvLed* vLed7;
    TvLed* vLed8;
    TvLed* vLed9;
    TvLed* vLed10;
    TvLed* vLed11;

    // --- Below the client area, never seen ---
    TImage* Yellow_Off_Key_Image;
    TImage* Yellow_On_Key_Image;
    TImage* Green_Off_Key_Image;
    TImage* Green_On_Key_Image;
    TImage* White_Off_Key_Image;
    TVexStatusLight* LED2;
    TMemo* Memo1;
    TTrackBar* TrackBar1;
    TImage* NobodyLight;
    TvLed* NobodyLED;
    TImage* ProgramImage;

    // --- Non-visual ---
    TTimer* Timer1;
    TPopupMenu* SourcePopupMenu;
    TMenuItem* EnableToggle;
    TMenuItem* Rename;
    TMenuItem* New;
    TMenuItem* Default;
    // The TCP port and its packets; null once Cancel in the IP-address dialog has freed the port.
    std::unique_ptr<TSwitcherLink> Link;

    // --- State ---
    bool PollBusy = false;
    bool PollInterrupted = false;
    bool KeyBusy = false;
    bool LogoOn = false;
    bool FreezeOn = false;
    int GraceCount = 0;
    // 0 not identified, 1 Corvane II, 2 Halverin II.
    int DeviceModel = 0;
    // 0 picture-in-picture, 1 key (Halverin II).
    int LayerMode = 0;
    std::string StatusText;
    std::string ResponseText;
    std::string TransitionWord;
    std::string SdiWord;
    std::string LastSourceCmd;
    // Slots 0-7 sources 1-8, 8 SDI1, 9 SDI2, 10 Logo, 11 Freeze.
    std::array<TvLed*, 11> LedSlots{};
    std::array<int, 12> PendingSlots{};
    std::array<TLabel*, 12> LabelSlots{};
    std::array<TImage*, 12> ImageSlots{};
    std::array<int, 12> EnabledSlots{};
    TBitmap* YellowOffBitmap = nullptr;
    TBitmap* YellowOnBitmap = nullptr;
    TBitmap* GreenOffBitmap = nullptr;
    TBitmap* GreenOnBitmap = nullptr;
    TBitmap* WhiteOffBitmap = nullptr;
    int PortNumber = 3000;
    bool FreezeLatched = false;
    int CurrentIdx = -1;
    int FrozenIdx = -1;

    // --- Event handlers ---
    void FormActivate(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void SourceBtnImage1Click(TObject* Sender);
    void SourceBtnImage2Click(TObject* Sender);
    void SourceBtnImage3Click(TObject* Sender);
    void SourceBtnImage4Click(TObject* Sender);
    void SourceBtnImage5Click(TObject* Sender);
    void SourceBtnImage6Click(TObject* Sender);
    void SourceBtnImage7Click(TObject* Sender);
    void SourceBtnImage8Click(TObject* Sender);
    void SourceBtnImage9Click(TObject* Sender);
    void SourceBtnImage10Click(TObject* Sender);
    void Source1LabelClick(TObject* Sender);
    void Source2LabelClick(TObject* Sender);
    void Source3LabelClick(TObject* Sender);
    void Source4LabelClick(TObject* Sender);
    void Source5LabelClick(TObject* Sender);
    void Source6LabelClick(TObject* Sender);
    void Source7LabelClick(TObject* Sender);
    void Source8LabelClick(TObject* Sender);
    void SourceSDI1LabelClick(TObject* Sender);
    void SourceSDI2LabelClick(TObject* Sender);
    void LogoBtnImageClick(TObject* Sender);
    void LogoLabelClick(TObject* Sender);
    void FreezeBtnImageClick(TObject* Sender);
    void FreezeLabelClick(TObject* Sender);
    void Timer1Timer(TObject* Sender);
    void TrackBar1Change(TObject* Sender);
    void VexWinsockPort1WsConnect(TObject* Sender);
    void VexWinsockPort1WsError(TObject* Sender, int ErrCode);
    void ResponseDPktPacket(TObject* Sender, void* Data, int Size);
    void PopUpPcktStringPacket(TObject* Sender, const std::string& Data);
    void ErrorDPcktStringPacket(TObject* Sender, const std::string& Data);
    void QueueOverflowPktStringPacket(TObject* Sender, const std::string& Data);
    void SourcePopupMenuPopup(TObject* Sender);
    void EnableToggleClick(TObject* Sender);
    void RenameClick(TObject* Sender);
    void DefaultClick(TObject* Sender);

    // --- Start-up, settings and closing ---
    void ReadConnectionSettings();
    void LoadSourceLabels();
    void SaveSettings();
    // False when it ended the program (unknown device, unsupported software).
    bool IdentifyDevice();
    void ShutDownPanel();
    int GetPortNumber() const { return PortNumber; }
    const std::string& GetIPText() const { return IPText; }
    // Keeps at most the 19 characters the address field holds.
    void SetIPText(const std::string& Text);
    // The model's labels file, "Corvane.ini" or "Tibbet.ini".
    std::string LabelsFileName() const;

    // --- Wire ---
    void SendCommand(const std::string& Command);
    std::string SendAndWait(const std::string& Query);

    // --- Keys and poll ---
    bool BeginKeyAction();
    void CompleteKeyAction(bool Release);
    void RecordSourceIndex(int Slot);
    void PollKeyStatus();
    void ParseSection(const std::string& Name, TvLed* Led, TImage* Image);
    void UpdateKeyImages();
    void PaintFromProgram(int Slot, TImage* LitPicture, TImage* UnlitPicture);
    void PaintFromPreview(int Slot, TImage* UnlitPicture, TImage* LitPicture);
    void Unfreeze();
    // The command of source slot 0 to 9.
    std::string SlotCommand(int Slot) const;

    // --- Layers ---
    void DetectLayerMode();
    void SyncLayers();
    void SendLayerSetup();
    void RestoreLayerAfterLogo();

    // The hidden memo keeps this many of its newest lines.
    static constexpr int MemoLineLimit = 200;

private:
    void BuildComponents();
    TImage* NewImage(const char* Name, int Left, int Top, int Width, int Height);
    TLabel* NewKeyLabel(const char* Name, TImage* Key, const std::string& Caption);
    TLuxLabel* NewLuxKeyLabel(const char* Name, TImage* Key, const std::string& Caption);
    TvLed* NewLed(const char* Name, int Left, int Top, LedColorType Color);
    void SourceKeyClick(int Slot);
    void ShowPicture(TImage* Key, TImage* Template);
    void FreeBitmaps();
    void AddMemoLine(const std::string& Line);
    // The source slot (0 to 9) whose key or label showed the popup menu, or -1.
    int PopupSlot() const;
    // The caption a disabled key shows.
    static std::string DisabledCaption(int Slot);

    std::string IPText;
    bool StartedUp = false;
};

extern TDorvexMainForm* DorvexMainForm;

// The program's version, shown in the main window's caption.
extern const char* const DorvexVersion;
// The source labels, current and factory: " 1 " to " 8 " (at most 3 characters), then
// "SDI\n  1" and "SDI\n  2" (at most 7). The main form's constructor sets the current ones to the
// factory ones.
extern std::array<std::string, 10> SourceLabels;
extern const std::array<std::string, 10> DefaultSourceLabels;
// Set by the first timer tick once the layers are synced.
extern bool FirstTickDone;
// Counts down the polls that may still take the switcher's state as the panel's start state.
extern int InitialSync;
