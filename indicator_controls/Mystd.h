// Unit Mystd of the indicator library: small math routines, the processor probe, the unit
// functions, the line calculator TvCalc and the notification-area icon and meter.
#pragma once

#include "platform/rtl/Method.h"
#include "platform/shell/Shell.h"
#include "platform/ui/Classes.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/PersistentStrings.h"

#include <cstdint>
#include <string>

// --- Math routines ----------------------------------------------------------------------------------
// Outside their domains they raise the run time's floating-point errors (EInvalidOp, EZeroDivide,
// EOverflow).

// 0^0 is 0, x^0 is 1, 0^y is 0; otherwise e^(y ln |x|): a negative base counts by its absolute
// value, so (-2)^3 is 8.
long double Power(long double Base, long double Exponent);
long double Root(long double N, long double Value);
long double Log10(long double X);
// For -1 < x < 1.
long double ArcSin(long double X);
// The true arc cosine for -1 < x < 1: pi/2 at 0, between pi/2 and pi below 0.
long double ArcCos(long double X);
// True unless some i from 2 up to the integer part of sqrt(n) divides n (so 0 to 3 are prime);
// negative numbers have no divisor to test and are prime as well.
bool IsPrime(std::int32_t N);
// 1 below 2.
long double Factorial(std::int32_t N);

// --- Processor probe --------------------------------------------------------------------------------

// What the processor said about itself at start-up: leaf 1 of its identification instruction (-1
// each without one) and leaf 0's vendor characters.
struct TvProcessorRecord {
    bool CpuidPresent = false;
    std::int32_t Signature = -1;
    std::int32_t Ebx = -1;
    std::int32_t Ecx = -1;
    std::int32_t Edx = -1;
    char Vendor[12] = {};
};

// Reads a leaf into eax, ebx, ecx, edx; false without the instruction.
using TvCpuidReader = bool (*)(std::uint32_t leaf, std::uint32_t regs[4]);
TvProcessorRecord ProbeProcessor(TvCpuidReader cpuid);
const TvProcessorRecord& ProcessorRecord();
// Replaces the record (start-up sets it from the processor); the clock is measured anew.
void SetProcessorRecord(const TvProcessorRecord& record);

// The family: with the instruction the signature's bits 8..11, else the first digit of the
// system's processor type (486 gives 4), 0 when that is no number.
int CpuID();

// The clock in MHz: -1 below family 5 or when the measurement fails, 0 without the identification
// instruction. The unit's start-up measures it on a thread of its own, and the first call waits for
// what is left of that second; without the start-up the first call measures it (a busy second).
std::int32_t CPUClock();

// The measurement with its clock and counter passed in. From the tick edge after t0 it counts the
// time-stamp counter over the second that ends 1000 ticks after t0 (sleeping until 2 ms before,
// spinning the rest), as elapsed ticks so that the wrap of the 32-bit count does not matter; MHz =
// round(cycles / 1,000,000 + 0.66). -1 when the counter cannot be read.
struct TvClockSource {
    std::uint32_t (*Tick)(void* self);
    bool (*Counter)(void* self, std::uint64_t& value);
    // False when the measurement is abandoned.
    bool (*Sleep)(void* self, std::uint32_t ms);
    void* Self = nullptr;
};
std::int32_t MeasureCPUClock(const TvClockSource& source);

// The unit's counted start-up (the processor probe; the clock's measurement begins) and shut-down
// (a measurement still running is abandoned).
void InitializeMystd();
void FinalizeMystd();

// --- Unit functions -----------------------------------------------------------------------------------

class TForm;

// The first owner up the chain from component's owner that is a form; EComponentError "NoForm"
// when there is none.
TForm* FindForm(TComponent* Component);
// The same form, or nullptr for a component that has none (for the components that act on their
// form only when there is one).
TForm* OwnerForm(TComponent* Component);
// Always false.
bool IsPrevius(const std::string& Value);
// The host's name and its first address as "a.b.c.d"; both "-none-" when the name has no address or
// anything fails.
void GetHostInfo(std::string& Name, std::string& Address);

enum TvShortDateFormat : std::uint8_t { sdfDontTouch, sdf4DigitYear, sdf2DigitYear };
// A short date format with its year made four digits (the first run of "y" grows to four; a format
// without one gets "yyy" in front) or two (every run of three or more "y" shrinks to two).
// sdfDontTouch gives the format unchanged.
std::string ShortDateWithYear(const std::string& Format, TvShortDateFormat Kind);
// A directory name without its trailing separators, as long as more than three characters remain:
// "/tmp/" gives "/tmp", "C:\TEMP\" gives "C:\TEMP", "C:\" stays.
std::string WithoutTrailingSeparators(std::string Dir);

// Dialog units and pixels through the system's dialog base units (unsigned 16-bit in and out).
std::uint16_t DlgUnitsToPixelsX(std::uint16_t Units);
std::uint16_t DlgUnitsToPixelsY(std::uint16_t Units);
std::uint16_t PixelsToDlgUnitsX(std::uint16_t Pixels);
std::uint16_t PixelsToDlgUnitsY(std::uint16_t Pixels);

// The processor's name from its family, type and model (and vendor), as the unit's probe tells them
// apart; without the identification instruction, by family alone.
std::string CPUStringOf(const TvProcessorRecord& Record, int Family);

// --- TvShowApp ----------------------------------------------------------------------------------------

class TIcon;
class TStringList;

using TAskEndSession = TMethod<void(bool& DoEnd)>;
using TEndSession = TMethod<void()>;
using TOneInstance = TMethod<void(TObject* Sender, bool& BringFirstInstanceToFront)>;

// Dropped on a form once: publishes the application object's settings and events, keeps the program
// to one running instance, sets the main form's task-bar button and start-up state, and tells facts
// about the machine. The settings and events are the application's and the screen's own: reading
// and writing them here reads and writes those. Information properties ignore writes.
//
// One instance: the first run holds a named semaphore (the program's path) for its life and listens
// for the message registered under the path + "_Afslut"; a later run finds the semaphore taken,
// moves its form off the screen, asks OnSecondInstance, broadcasts the message (so that the first
// run's OnAnotherInstance fires and its main form comes forward) and terminates the application.
class TvShowApp : public TComponent {
public:
    explicit TvShowApp(TComponent* AOwner);
    ~TvShowApp() override;

    bool OnlyOneInstance() const { return onlyOneInstance_; }
    void SetOnlyOneInstance(bool Value) { onlyOneInstance_ = Value; }
    TvShortDateFormat ShortDate() const { return shortDate_; }
    // Rewrites the run time's short date format (sdfDontTouch: back to what it was at construction).
    void SetShortDate(TvShortDateFormat Value);
    bool UseCmdShow() const { return useCmdShow_; }
    void SetUseCmdShow(bool Value) { useCmdShow_ = Value; }
    bool ShowOnStatusBar() const { return showOnStatusBar_; }
    void SetShowOnStatusBar(bool Value) { showOnStatusBar_ = Value; }
    bool ShowNonOnStatusBar() const { return showNonOnStatusBar_; }
    void SetShowNonOnStatusBar(bool Value) { showNonOnStatusBar_ = Value; }
    bool EnabledHostInfo() const { return enabledHostInfo_; }
    void SetEnabledHostInfo(bool Value) { enabledHostInfo_ = Value; }

    // The application's; in the designer, the component's own.
    bool ShowMainForm() const;
    void SetShowMainForm(bool Value);
    std::string HelpFile() const;
    void SetHelpFile(const std::string& Value);
    std::string Hint() const;
    void SetHint(const std::string& Value);
    TColor HintColor() const;
    void SetHintColor(TColor Value);
    int HintPause() const;
    void SetHintPause(int Value);
    int HintHidePause() const;
    void SetHintHidePause(int Value);
    TIcon* Icon() const;
    void SetIcon(TIcon* Value);
    bool ShowHint() const;
    void SetShowHint(bool Value);
    std::string Title() const;
    void SetTitle(const std::string& Value);

    // The application's events (OnExecption is its exception event) and the screen's.
    TNotifyEvent OnActivate() const;
    void SetOnActivate(TNotifyEvent Value);
    TNotifyEvent OnDeActivate() const;
    void SetOnDeActivate(TNotifyEvent Value);
    TExceptionEvent OnExecption() const;
    void SetOnExecption(TExceptionEvent Value);
    THelpEvent OnHelp() const;
    void SetOnHelp(THelpEvent Value);
    TNotifyEvent OnHint() const;
    void SetOnHint(TNotifyEvent Value);
    TIdleEvent OnIdle() const;
    void SetOnIdle(TIdleEvent Value);
    TMessageEvent OnMessage() const;
    void SetOnMessage(TMessageEvent Value);
    TNotifyEvent OnMinimize() const;
    void SetOnMinimize(TNotifyEvent Value);
    TNotifyEvent OnRestore() const;
    void SetOnRestore(TNotifyEvent Value);
    TShowHintEvent OnShowHint() const;
    void SetOnShowHint(TShowHintEvent Value);
    TNotifyEvent OnActiveControlChange() const;
    void SetOnActiveControlChange(TNotifyEvent Value);
    TNotifyEvent OnActiveFormChange() const;
    void SetOnActiveFormChange(TNotifyEvent Value);

    TAskEndSession OnAskEndSession;
    TEndSession OnEndSession;
    TOneInstance OnSecondInstance;
    TNotifyEvent OnAnotherInstance;

    // Information.
    int BitsPerColor() const;
    long double NumberOfColors() const;
    std::string WinDir() const;
    std::string SystemDir() const;
    // The temporary directory without its trailing separators.
    std::string TempDir() const;
    TStringList* EnvironmentLines() const { return environmentLines_; }
    // The lines as the published EnvironmentLines.
    TPersistentStrings* PublishedEnvironmentLines() { return &publishedEnvironmentLines_; }
    int WindowKind() const;
    std::uint32_t WinVerMajor() const;
    std::uint32_t WinVerMinor() const;
    std::uint32_t WinVerBuild() const;
    std::string WindowsString() const;
    int CPUType() const { return cpuType_; }
    std::string CPUString() const;
    std::string CPUVendor() const;
    bool CPUMMX() const;
    int CPUStepping() const;
    int CPUModel() const;
    std::int32_t CPUSpeed() const;
    // The whole host name, however long.
    std::string ComputerName() const;
    std::string UserName() const;
    // "-Unknown-" unless EnabledHostInfo.
    std::string IPHostName() const;
    std::string IPHostAddress() const;

    std::string GetEnvironmentString(const std::string& Name) const;
    bool SetEnvironmentString(const std::string& Name, const std::string& Value);
    void UpdateEnvironment();

    // This run found an earlier one and is closing.
    bool SecondInstance() const { return secondInstance_; }
    // The registered instance message; 0 when none.
    UINT InstanceMessage() const { return instanceMessage_; }

protected:
    void Loaded() override;

private:
    bool Designing() const;
    bool HookProc(TMessage& Message);
    void TempRestore(TObject* Sender);
    bool IsMainForm() const;
    void BringFirstInstanceForward();

    bool onlyOneInstance_ = false;
    TvShortDateFormat shortDate_ = sdfDontTouch;
    bool enabledHostInfo_ = false;
    std::string savedShortDate_;
    bool useCmdShow_ = false;
    int cpuType_ = 0;
    TStringList* environmentLines_ = nullptr;
    TPersistentStrings publishedEnvironmentLines_{environmentLines_};
    UINT instanceMessage_ = 0;
    bool secondInstance_ = false;
    bool showOnStatusBar_ = true;
    TNotifyEvent savedOnRestore_;
    bool showNonOnStatusBar_ = false;
    // What the designer shows; at run time these are the application's.
    std::string designHelpFile_;
    std::string designHint_;
    std::string designTitle_;
    TColor designHintColor_ = static_cast<TColor>(0x80000018);
    TIcon* designIcon_ = nullptr;
    int designHintPause_ = 500;
    bool designShowHint_ = true;
    int designHintHidePause_ = 2500;
    bool designShowMainForm_ = true;
};

// --- TvCalc ------------------------------------------------------------------------------------------

enum TvCalcResult : std::uint8_t {
    TvcOK,
    TvcNumberMissing,
    TvcFunctionMissing,
    TvcLeftPar,
    TvcRightPar,
    TvcDivZero,
    TvcOverFlow,
    TvcFormatError
};

using TCalcErrorEvent = TMethod<void(TObject* Sender, const std::string& CalcLine, std::uint8_t Where)>;
using TFindUserFunc = TMethod<bool(TObject* Sender, const std::string& FuncName)>;
using TUserFunc = TMethod<long double(TObject* Sender, const std::string& FuncName, long double FuncValue)>;

// Evaluates one line at a time: numbers ("," or "." before decimals, no exponent), + - * / ^ (the
// last three share one level, grouping from the left), parentheses, a leading minus, the nine
// registers A B C D F G H I J, PI and E, seventeen functions of one parenthesised argument, and
// names the application accepts through OnFindUserFunc. Each result is pushed into the registers
// (A newest). Blanks are skipped wherever a character is read, inside numbers and names too. What
// follows the expression is not examined. Errors are a result code and the 1-based position where
// the scan stopped; the scan never moves past the line's end.
class TvCalc : public TComponent {
public:
    explicit TvCalc(TComponent* AOwner = nullptr);

    // Writing evaluates; reading gives the line without its ending.
    std::string CalcLine() const;
    void SetCalcLine(const std::string& Value);

    TvCalcResult CalcResult() const { return CalcResult_; }
    void SetCalcResult(TvCalcResult) {}
    std::uint8_t WhereIsLastError() const { return WhereIsLastError_; }
    void SetWhereIsLastError(std::uint8_t) {}
    bool PushResult() const { return PushResult_; }
    void SetPushResult(bool Value) { PushResult_ = Value; }
    const std::string& FormatLine() const { return FormatLine_; }
    void SetFormatLine(const std::string& Value) { FormatLine_ = Value; }

    // NumberNum rendered with FormatLine ("%e" when it is empty); a format the value does not fit
    // gives an empty string and reports TvcFormatError through OnError (line FormatLine, position 0),
    // leaving CalcResult as it was.
    std::string Number();
    long double NumberNum() const { return Number_; }
    void SetNumberNum(long double) {}

    // Registers 1..9 are A, B, C, D, F, G, H, I, J.
    std::string Register(int Index);
    long double RegisterNum(int Index) const { return Registers_[Index - 1]; }
    void SetRegisterNum(int Index, long double Value) { Registers_[Index - 1] = Value; }
    std::string RegisterA() { return Register(1); }
    std::string RegisterB() { return Register(2); }
    std::string RegisterC() { return Register(3); }
    std::string RegisterD() { return Register(4); }
    std::string RegisterF() { return Register(5); }
    std::string RegisterG() { return Register(6); }
    std::string RegisterH() { return Register(7); }
    std::string RegisterI() { return Register(8); }
    std::string RegisterJ() { return Register(9); }
    long double RegisterANum() const { return Registers_[0]; }
    long double RegisterBNum() const { return Registers_[1]; }
    long double RegisterCNum() const { return Registers_[2]; }
    long double RegisterDNum() const { return Registers_[3]; }
    long double RegisterFNum() const { return Registers_[4]; }
    long double RegisterGNum() const { return Registers_[5]; }
    long double RegisterHNum() const { return Registers_[6]; }
    long double RegisterINum() const { return Registers_[7]; }
    long double RegisterJNum() const { return Registers_[8]; }
    void SetRegisterANum(long double V) { Registers_[0] = V; }
    void SetRegisterBNum(long double V) { Registers_[1] = V; }
    void SetRegisterCNum(long double V) { Registers_[2] = V; }
    void SetRegisterDNum(long double V) { Registers_[3] = V; }
    void SetRegisterFNum(long double V) { Registers_[4] = V; }
    void SetRegisterGNum(long double V) { Registers_[5] = V; }
    void SetRegisterHNum(long double V) { Registers_[6] = V; }
    void SetRegisterINum(long double V) { Registers_[7] = V; }
    void SetRegisterJNum(long double V) { Registers_[8] = V; }

    TCalcErrorEvent OnError;
    TNotifyEvent OnOK;
    TFindUserFunc OnFindUserFunc;
    TUserFunc OnUserFunc;

private:
    char NaesteTegn();
    void Consume();
    long double Udtryk();
    long double Led();
    long double Faktor();
    long double Tal();
    long double Parantes();
    int FuncNr();
    long double Function(int Index, long double X);
    bool WholePart(long double X, long double& T);
    void Fail(TvCalcResult Code);
    std::string Render(long double Value);

    TvCalcResult CalcResult_ = TvcOK;
    bool PushResult_ = true;
    std::string line_ = "0\r";
    std::size_t pos_ = 1;
    std::uint8_t WhereIsLastError_ = 1;
    long double Number_ = 0;
    std::string FormatLine_;
    long double Registers_[9] = {};
    std::string name_;
};

// --- TvTrayIcon and TvcTrayMeter ------------------------------------------------------------------

class TPopupMenu;

using TvcDefaultMenuEvent = TMethod<void(TObject* Sender, bool& DoDefault)>;

// What the notification-area icon and the meter share: an icon with a tool tip in the desktop's
// notification area, shown through the shell (platform/shell) for a hidden message window of the
// component's own. The shell's mouse callbacks become the component's events; a left or right click
// pops up LeftPopupMenu or PopupMenu at the pointer, a double click can run PopupMenu's default
// item, and the component can hide its form and answer the end-of-session query.
class TvCustomTrayIcon : public TComponent {
public:
    ~TvCustomTrayIcon() override;

    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* Value);
    TPopupMenu* LeftPopupMenu() const { return leftPopupMenu_; }
    void SetLeftPopupMenu(TPopupMenu* Value);
    bool HideParentForm() const { return hideParentForm_; }
    // At run time the form is shown or hidden through a posted message (the main form never).
    void SetHideForm(bool Value);
    bool ShowDesigning() const { return showDesigning_; }
    void SetShowDesigning(bool Value);
    // The icon is in the notification area while Active at run time.
    bool Active() const { return active_; }
    void SetActive(bool Value);
    const std::string& ToolTip() const { return toolTip_; }
    // Keeps the first 62 characters.
    void SetToolTip(const std::string& Value);
    bool DoDefaultMenu = false;

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnRightClick;
    TMouseEvent OnRightDblClick;
    TMouseEvent OnMidClick;
    TMouseEvent OnMidDblClick;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnleftMenu;
    TNotifyEvent OnRightMenu;
    TvcDefaultMenuEvent OnDefaultMenu;
    TAskEndSession OnAskEndSession;

    // Shift, Alt and Ctrl as the keyboard holds them now.
    virtual TShiftState GetShift();
    // With DoDefaultMenu, at run time, while Active: PopupMenu's first item marked Default is
    // offered to OnDefaultMenu and clicked unless that says no. True when such an item exists
    // (clicked or not), so that the double click goes no further.
    virtual bool CheckMenu();

    // The shell's answers; each fills the record first except DeleteIcon, which takes the icon away
    // as it was last described.
    BOOL AddIcon();
    BOOL ModifyIcon();
    BOOL DeleteIcon();

    // The message window the shell's callbacks go to, and the record as last filled.
    HWND Handle() const { return handle_; }
    const NOTIFYICONDATAA& IconData() const { return iconData_; }

    // The message window's private messages: the icon is described to the shell again, the shell's
    // mouse callback (wParam the Tag, lParam the mouse message), the form is shown or hidden.
    static constexpr UINT WM_TRAYREFRESH = WM_USER + 1;
    static constexpr UINT WM_TRAYCALLBACK = WM_USER + 2;
    static constexpr UINT WM_TRAYHIDEFORM = WM_USER + 3;

protected:
    // Needs a form among its owners (FindForm).
    explicit TvCustomTrayIcon(TComponent* AOwner);
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // What the record's tool-tip field shows.
    virtual std::string TipText() const { return toolTip_; }
    // After ToolTip changed: the icon component tells the shell, the meter redraws.
    virtual void ToolTipChanged();
    // Takes a copy of the picture and tells the shell (now when Active, and again through the
    // refresh message).
    void AssignIcon(TIcon* Value);
    TIcon* IconImage() const { return icon_; }

private:
    LRESULT WndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
    bool SessionHook(TMessage& Message);
    void TrayCallback(LPARAM Message);
    void PopupMenuAt(bool Left, int X, int Y);
    void FillIconData();
    bool Designing() const;

    bool leftDown_ = false;
    bool rightDown_ = false;
    bool middleDown_ = false;
    NOTIFYICONDATAA iconData_;
    TIcon* icon_ = nullptr;
    std::string toolTip_;
    bool showDesigning_ = false;
    bool active_ = false;
    HWND handle_ = 0;
    bool hideParentForm_ = false;
    TPopupMenu* popupMenu_ = nullptr;
    TPopupMenu* leftPopupMenu_ = nullptr;
};

// An icon with a tool tip in the desktop's notification area.
class TvTrayIcon : public TvCustomTrayIcon {
public:
    explicit TvTrayIcon(TComponent* AOwner);

    TIcon* Icon() const { return IconImage(); }
    void SetIcon(TIcon* Value) { AssignIcon(Value); }
};

enum TvcTMDir : std::uint8_t { TvcTM_Up, TvcTM_Down, TvcTM_Left, TvcTM_Right };
// Which numbers fill the tool tip's format: the percent, the value, value and percent, percent and
// value.
enum TvcTrayHintStyle : std::uint8_t { thsPctBar, thsTotalBar, thsTotPct, thsPctTot };

// A notification-area icon that is a 16x16 level meter: a bar of BarFillColor on Color growing
// in Direction, optional stripes across it (UseLed), the percentage written over it (UsePctOnBar)
// and a frame. Its tool tip is ToolTip used as a format for the level (ToolTipStyle), through the
// run time's Format, so a tool tip that does not fit its numbers is not an error: the text stays as
// it was. Min < Max and Min <= Value <= Max always.
class TvcTrayMeter : public TvCustomTrayIcon {
public:
    explicit TvcTrayMeter(TComponent* AOwner);

    std::int32_t Min() const { return min_; }
    // Then Max is set again (at least Min + 1). At most INT32_MAX - 1, so that Max can lie above it.
    void SetMin(std::int32_t Value);
    std::int32_t Max() const { return max_; }
    // Above Min, else Min + 1; Value is brought inside.
    void SetMax(std::int32_t Value);
    std::int32_t Value() const { return value_; }
    // Brought inside Min..Max.
    void SetValue(std::int32_t Value);
    // (Value - Min) x 100 div (Max - Min), counted in 64 bits so that no range overflows it.
    std::uint8_t Percent() const;
    // Above 100 counts as 100.
    void SetPercent(std::uint8_t Value);

    bool UsePctOnBar() const { return usePctOnBar_; }
    void SetUsePctOnBar(bool Value);
    bool UseLed() const { return useLed_; }
    void SetUseLed(bool Value);
    TColor Color() const { return color_; }
    void SetColor(TColor Value);
    TColor BarFillColor() const { return barFillColor_; }
    void SetBarFillColor(TColor Value);
    TColor PctColor() const { return pctColor_; }
    void SetPctColor(TColor Value);
    TColor FrameColor() const { return frameColor_; }
    void SetFrameColor(TColor Value);
    TvcTMDir Direction() const { return direction_; }
    void SetDirection(TvcTMDir Value);
    TvcTrayHintStyle ToolTipStyle() const { return toolTipStyle_; }
    void SetToolTipStyle(TvcTrayHintStyle Value);

    // The formatted tool tip; the record's field gets its first 63 characters.
    const std::string& FormattedToolTip() const { return hintText_; }
    // The icon as last built.
    TIcon* MeterIcon() const { return IconImage(); }

protected:
    std::string TipText() const override;
    void ToolTipChanged() override { BuildIcon(); }

private:
    void BuildIcon();

    std::int32_t min_ = 0;
    std::int32_t max_ = 100;
    std::int32_t value_ = 0;
    bool usePctOnBar_ = true;
    bool useLed_ = false;
    TColor color_ = clBtnFace;
    TColor barFillColor_ = 0x00FF00;
    TColor pctColor_ = 0;
    TColor frameColor_ = 0;
    TvcTMDir direction_ = TvcTM_Up;
    TvcTrayHintStyle toolTipStyle_ = thsPctBar;
    std::string hintText_;
};
