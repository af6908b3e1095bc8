// The library's global services object, LuxApplication: a pool of light-weight timers driven by
// one window timer, the single-instance mutex, the application log file, a settings store, a brush
// bitmap and a stopwatch.
#pragma once

#include "platform/rtl/Dates.h"
#include "platform/rtl/Set.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Graphics.h"
#include "platform/win/Types.h"
#include "visual_controls/Luxbase.h"
#include "visual_controls/Luxprocs.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TLuxIniCtrl;
class TLuxTimerPool;

using TLuxTimerPoolEvent = TMethod<void(TObject* Sender, WORD Ident, int Counter)>;

class TLuxTimerItem : public TObject {
public:
    // Raises EInvalidOperation without a pool or a list. The item does not add itself to the list.
    TLuxTimerItem(TLuxTimerPool* Pool, std::vector<TLuxTimerItem*>* List, WORD Ident);
    // Leaves its list.
    ~TLuxTimerItem() override;

    int CallCount() const { return callCount_; }
    // Below -1 becomes -1 (unlimited); 0 also disables the item.
    void SetCallCount(int Value);
    bool Enabled() const { return enabled_; }
    // An item whose CallCount is 0 cannot be enabled; a change resets the counter.
    void SetEnabled(bool Value);
    WORD Interval() const { return interval_; }
    // Ignored unless a multiple of the pool's MinInterval; 0 becomes MinInterval.
    void SetInterval(WORD Value);
    WORD Ident() const { return ident_; }
    int Counter() const { return counter_; }
    int Divisor() const { return divisor_; }
    // One call: counts, disables itself on reaching CallCount, then calls OnTimer or the pool's.
    void Timer();

    TNotifyEvent OnTimer;

private:
    TLuxTimerPool* pool_;
    std::vector<TLuxTimerItem*>* list_;
    int callCount_ = -1;
    int counter_ = 0;
    bool enabled_ = true;
    WORD ident_;
    WORD interval_ = 1000;
    int divisor_;
};

class TLuxTimerPool : public TLuxCustomComponent {
public:
    explicit TLuxTimerPool(TComponent* AOwner);
    TLuxTimerPool(TComponent* AOwner, WORD AMinInterval);
    ~TLuxTimerPool() override;

    WORD MinInterval() const { return minInterval_; }
    // Takes effect only while loading or designing.
    void SetInterval(WORD Value);

    // Raise Exception for an ident already present ("List index out of bounds (%d)", unfilled) or an
    // interval that is not a positive multiple of MinInterval; EOutOfResources when the window timer
    // cannot be set, and then the new item is gone again.
    int AddTimer(WORD Ident, WORD Interval, TNotifyEvent Proc);
    int AddTimerExt(WORD Ident, WORD Interval, int CallCount, bool Enabled, TNotifyEvent Proc);
    void RemoveTimer(WORD Ident);
    void ClearTimers();
    TLuxTimerItem* GetTimer(WORD Ident) const;
    int IndexOf(WORD Ident) const;
    int GetCount() const { return static_cast<int>(items_.size()); }
    int GetActiveTimers() const;
    bool HasTimerProc() const { return OnTimer.Assigned(); }
    void HandleTimers();
    void UpdateMainTimer(bool Enable);

    bool Active() const { return active_; }
    int TickCounter() const { return tick_; }
    // The hidden window that receives WM_TIMER; 0 before the first timer.
    HWND Handle() const { return wnd_; }

    TLuxTimerPoolEvent OnTimer;

protected:
    // Sets window timer 1; false when the system has no timer to give.
    virtual bool SetMainTimer(UINT Interval);

private:
    LRESULT WndProc(UINT Msg, WPARAM WParam, LPARAM LParam);

    WORD minInterval_ = 1000;
    HWND wnd_ = 0;
    bool active_ = false;
    bool busy_ = false;
    bool updating_ = false;
    int tick_ = 0;
    std::vector<TLuxTimerItem*> items_;
};

enum TLuxApplicationOption {
    aoAutoRealizePalette,
    aoMouseCtrlActive,
    aoLogAlwaysClear,
    aoLogException,
    aoLogHeader,
    aoLogNr,
    aoLogTime,
    aoLogDate
};
using TLuxApplicationOptions = TSet<TLuxApplicationOption>;
enum TLuxEditMode { emInsert, emShift, emCtrl, emAlt, emCaps, emNum, emScroll };
using TLuxEditModes = TSet<TLuxEditMode>;
enum TLuxLogAction { laNone, laClearLog, laBackupLog };
enum TLuxExitCode { ecQuit, ecRestart, ecReboot };

using TLuxLogFullEvent = TMethod<void(TObject* Sender, const std::string& FileName, bool& Cancel)>;
using TLuxLogHeaderEvent = TMethod<void(TObject* Sender, std::string& Lines)>;
using TLuxExceptionEvent = TMethod<void(TObject* Sender, Exception* E, bool& Handled)>;

class TLuxApplication : public TComponent {
public:
    explicit TLuxApplication(TComponent* AOwner);
    ~TLuxApplication() override;

    std::string LogFormat = "#tdl";
    std::string RegPrefix;
    std::string Version;
    TLuxApplicationOptions Options{aoMouseCtrlActive, aoLogAlwaysClear, aoLogHeader, aoLogNr};
    BYTE ExplodeDelay = 3;
    int LogMaxSize = -1;
    TLuxLogAction LogAction = laNone;
    TLuxLogFullEvent OnLogFull;
    // Extra header lines, each ended by CR LF.
    TLuxLogHeaderEvent OnLogHeader;
    TLuxExceptionEvent OnException;
    TNotifyEvent OnEditModeChange;
    // The clock of the log's dates and times.
    std::function<TDateTime()> LogClock = [] { return Now(); };

    TLuxTimerPool* TimerPool() const { return pool_; }
    // The application's settings store; it reads nothing until asked.
    TLuxIniCtrl* IniCtrl() const { return iniCtrl_; }
    bool PrevInstance() const { return prevInstance_; }
    HANDLE Mutex() const { return mutex_; }

    // Slot n (1..250) of the application's timers has ident 0xFD00 + n; 0 when none is free.
    WORD AddTimer(WORD Interval, TNotifyEvent Proc);
    WORD AddTimerExt(WORD Interval, int CallCount, bool Enabled, TNotifyEvent Proc);
    void RemoveTimer(WORD Ident);
    TLuxTimerItem* GetTimer(WORD Ident) const;
    WORD GetTimerIdent() const;
    double GetTimerFrequency() const { return static_cast<double>(frequency_); }

    // The 8x8 pattern bitmap in Color (pixels where exactly one of x and y is odd), white elsewhere.
    TBitmap* GetBrushBitmap(TColor Color);
    TBitmap* GetBitmap();

    void STWStart();
    DWORD STWStop();

    TLuxEditModes EditMode() const { return editMode_; }
    void SetEditMode(TLuxEditModes Value);

    const std::string& LogName() const { return logName_; }
    void SetLogName(const std::string& Value);
    TLuxPathPrefix LogPrefix() const { return logPrefix_; }
    void SetLogPrefix(TLuxPathPrefix Value);
    void LogWrite(const std::string& Text);
    void LogException(TObject* Sender);
    void HandleException(TObject* Sender, Exception* E);
    std::string GetDefaultRegPath();
    bool QuitWindows(TLuxExitCode ExitCode);

private:
    std::string Header();

    TLuxIniCtrl* iniCtrl_ = nullptr;
    TBitmap* bitmap_ = nullptr;
    TBitmap* brushBitmap_ = nullptr;
    TColor brushColor_ = clNone;
    TLuxTimerPool* pool_ = nullptr;
    TLuxPathPrefix logPrefix_ = ppProgram;
    std::string logName_;
    bool logOpened_ = false;
    int entry_ = 0;
    DWORD stwStart_ = 0;
    DWORD stwStop_ = 0;
    bool stwRunning_ = false;
    std::int64_t frequency_ = 0;
    HANDLE mutex_ = 0;
    bool prevInstance_ = false;
    HCURSOR handCursor_ = 0; // screen cursor -255
    TLuxEditModes editMode_{emInsert};
};

extern TLuxApplication* LuxApplication;
// The unit's start-up and close-down, counted: the first creates LuxApplication (and so the
// program's single-instance mutex), the last frees it. A program runs them around its forms.
void InitLuxclass();
void DoneLuxclass();

// True (not allowed) when AComponent is neither a form nor, with AllowDataModule, a data module, or
// when it owns two or more components that are an AClass; false for a nullptr AClass.
bool LuxCheckForSameClass(TComponent* AComponent, TLuxClass AClass, bool AllowDataModule);

class LuxEOneInstError : public Exception {
public:
    LuxEOneInstError(const std::string& ClassName, BYTE Kind);
};
