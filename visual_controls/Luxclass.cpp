#include "visual_controls/Luxclass.h"

#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Filer.h"
#include "platform/ui/TypInfo.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"
#include "platform/win/Mutex.h"
#include "platform/win/Sync.h"
#include "platform/win/SysInfo.h"
#include "visual_controls/LuxHandCursor.h"
#include "visual_controls/LuxIniCtrl.h"
#include "visual_controls/Luxstrings.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <typeinfo>

TLuxApplication* LuxApplication = nullptr;

namespace {

constexpr WORD kFirstSlot = 0xFD00;
constexpr int kSlots = 250;
bool slotUsed[kSlots + 1] = {};

const char* const SIntervalNotCompatible = "Interval not compatible with MinInterval property!";

} // namespace

// --- TLuxTimerItem -----------------------------------------------------------------------------------

TLuxTimerItem::TLuxTimerItem(TLuxTimerPool* Pool, std::vector<TLuxTimerItem*>* List, WORD Ident)
    : pool_(Pool), list_(List), ident_(Ident) {
    if (!Pool || !List) throw EInvalidOperation(ClassName() + ": Invalid Owner or List");
    divisor_ = 1000 / Pool->MinInterval();
}

TLuxTimerItem::~TLuxTimerItem() {
    std::erase(*list_, this);
}

void TLuxTimerItem::SetCallCount(int Value) {
    if (Value == callCount_) return;
    if (Value < -1) Value = -1;
    callCount_ = Value;
    if (Value == 0) enabled_ = false;
}

void TLuxTimerItem::SetEnabled(bool Value) {
    if (Value == enabled_) return;
    if (!Value || callCount_ != 0) {
        enabled_ = Value;
        counter_ = 0;
    }
}

void TLuxTimerItem::SetInterval(WORD Value) {
    if (Value == interval_) return;
    const WORD min = pool_->MinInterval();
    if (Value % min != 0) return;
    if (Value == 0) Value = min;
    interval_ = Value;
    divisor_ = Value / min;
    counter_ = 0;
}

void TLuxTimerItem::Timer() {
    if (!enabled_) return;
    if (++counter_ < 0) counter_ = 0;
    if (counter_ == callCount_) enabled_ = false;
    if (OnTimer)
        OnTimer(pool_);
    else if (pool_->OnTimer)
        pool_->OnTimer(pool_, ident_, counter_);
}

// --- TLuxTimerPool -----------------------------------------------------------------------------------

TLuxTimerPool::TLuxTimerPool(TComponent* AOwner) : TLuxTimerPool(AOwner, 1000) {}

TLuxTimerPool::TLuxTimerPool(TComponent* AOwner, WORD AMinInterval)
    : TLuxCustomComponent(AOwner), minInterval_(AMinInterval ? AMinInterval : 1) {}

TLuxTimerPool::~TLuxTimerPool() {
    ClearTimers();
    if (wnd_) DestroyWindow(wnd_);
}

void TLuxTimerPool::SetInterval(WORD Value) {
    const TComponentState state = ComponentState();
    if (Value == 0 || Value == minInterval_) return;
    if (state.Contains(TComponentStateItem::csLoading) || state.Contains(TComponentStateItem::csDesigning))
        minInterval_ = Value;
}

bool TLuxTimerPool::SetMainTimer(UINT Interval) {
    return SetTimer(wnd_, 1, Interval, nullptr) != 0;
}

void TLuxTimerPool::UpdateMainTimer(bool Enable) {
    if (ComponentState().Contains(TComponentStateItem::csDesigning)) return;
    if (!wnd_)
        wnd_ = CreateMessageWindow("TLuxTimerPool",
                                   [this](HWND, UINT m, WPARAM w, LPARAM l) { return WndProc(m, w, l); });
    active_ = false;
    KillTimer(wnd_, 1);
    if (Enable && GetActiveTimers() > 0) {
        if (!SetMainTimer(minInterval_)) throw EOutOfResources("Not enough timers available");
        tick_ = 1;
        active_ = true;
    }
}

LRESULT TLuxTimerPool::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
    if (Msg != WM_TIMER) return DefWindowProc(wnd_, Msg, WParam, LParam);
    // A tick that arrives while the handlers of the last one pump messages is dropped.
    if (busy_) return 0;
    busy_ = true;
    try {
        HandleTimers();
    } catch (...) {
        busy_ = false;
        if (Application) Application->HandleException(this);
    }
    busy_ = false;
    return 0;
}

void TLuxTimerPool::HandleTimers() {
    if (updating_) return;
    // A handler may remove items: walk a copy, skipping what has gone.
    const std::vector<TLuxTimerItem*> items = items_;
    for (TLuxTimerItem* item : items) {
        if (std::find(items_.begin(), items_.end(), item) == items_.end()) continue;
        if (item->Enabled() && item->Divisor() > 0 && tick_ % item->Divisor() == 0) item->Timer();
    }
    if (++tick_ < 0) tick_ = 0;
}

int TLuxTimerPool::AddTimer(WORD Ident, WORD Interval, TNotifyEvent Proc) {
    if (!items_.empty() && IndexOf(Ident) >= 0) throw Exception("List index out of bounds (%d)");
    if (Interval % minInterval_ != 0 || Interval < minInterval_) throw Exception(SIntervalNotCompatible);
    auto* item = new TLuxTimerItem(this, &items_, Ident);
    items_.push_back(item);
    item->SetInterval(Interval);
    item->OnTimer = Proc;
    try {
        UpdateMainTimer(true);
    } catch (...) {
        // An item whose timer could not be set would never fire; take it out again.
        delete item;
        throw;
    }
    return IndexOf(Ident);
}

int TLuxTimerPool::AddTimerExt(WORD Ident, WORD Interval, int CallCount, bool Enabled, TNotifyEvent Proc) {
    const int index = AddTimer(Ident, Interval, Proc);
    TLuxTimerItem* item = items_[static_cast<std::size_t>(index)];
    item->SetCallCount(CallCount);
    item->SetEnabled(Enabled);
    return index;
}

void TLuxTimerPool::RemoveTimer(WORD Ident) {
    updating_ = true;
    if (TLuxTimerItem* item = GetTimer(Ident)) {
        item->SetEnabled(false);
        item->OnTimer = nullptr;
        delete item;
    }
    updating_ = false;
    if (items_.empty()) UpdateMainTimer(false);
}

void TLuxTimerPool::ClearTimers() {
    if (wnd_) UpdateMainTimer(false);
    while (!items_.empty()) delete items_.back();
}

TLuxTimerItem* TLuxTimerPool::GetTimer(WORD Ident) const {
    const int i = IndexOf(Ident);
    return i < 0 ? nullptr : items_[static_cast<std::size_t>(i)];
}

int TLuxTimerPool::IndexOf(WORD Ident) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i]->Ident() == Ident) return static_cast<int>(i);
    return -1;
}

int TLuxTimerPool::GetActiveTimers() const {
    int n = 0;
    for (const TLuxTimerItem* item : items_) n += item->Enabled() ? 1 : 0;
    return n;
}

// --- TLuxApplication ---------------------------------------------------------------------------------

namespace {

bool RegisteredHand(HCURSOR cursor) {
    return Screen->Cursors(crLuxHand) == cursor;
}

std::int64_t FileSizeOf(const std::string& name) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(PosixFileName(name), ec);
    return ec ? -1 : static_cast<std::int64_t>(size);
}

} // namespace

TLuxApplication::TLuxApplication(TComponent* AOwner) : TComponent(AOwner) {
    iniCtrl_ = new TLuxIniCtrl(nullptr);
    if (!ComponentState().Contains(TComponentStateItem::csDesigning) && Application) {
        mutex_ = CreateMutex(nullptr, FALSE, ExtractFileName(Application->ExeName()).c_str());
        if (mutex_ && GetLastError() == ERROR_ALREADY_EXISTS) prevInstance_ = true;
    }
    pool_ = new TLuxTimerPool(nullptr, 50);
    SetLogName("");
    QueryPerformanceFrequency(&frequency_);
    handCursor_ = LuxCreateHandCursor();
    if (Screen) Screen->SetCursors(crLuxHand, handCursor_);
}

TLuxApplication::~TLuxApplication() {
    delete iniCtrl_;
    delete bitmap_;
    delete brushBitmap_;
    delete pool_;
    if (mutex_) CloseHandle(mutex_);
    if (Screen && RegisteredHand(handCursor_)) Screen->SetCursors(crLuxHand, 0);
    DestroyCursor(handCursor_);
}

WORD TLuxApplication::GetTimerIdent() const {
    for (int n = 1; n <= kSlots; ++n)
        if (!slotUsed[n]) return static_cast<WORD>(n);
    return 0;
}

WORD TLuxApplication::AddTimer(WORD Interval, TNotifyEvent Proc) {
    return AddTimerExt(Interval, -1, true, Proc);
}

WORD TLuxApplication::AddTimerExt(WORD Interval, int CallCount, bool Enabled, TNotifyEvent Proc) {
    const WORD slot = GetTimerIdent();
    if (slot == 0) return 0;
    const WORD ident = static_cast<WORD>(kFirstSlot + slot);
    if (pool_->AddTimerExt(ident, Interval, CallCount, Enabled, Proc) == -1) return 0;
    slotUsed[slot] = true;
    return ident;
}

void TLuxApplication::RemoveTimer(WORD Ident) {
    if (Ident <= kFirstSlot || Ident > kFirstSlot + kSlots) return;
    pool_->RemoveTimer(Ident);
    slotUsed[Ident - kFirstSlot] = false;
}

TLuxTimerItem* TLuxApplication::GetTimer(WORD Ident) const {
    return pool_->GetTimer(Ident);
}

TBitmap* TLuxApplication::GetBrushBitmap(TColor Color) {
    // The first bitmap is made whatever the colour: clNone, the start value, must not find "nothing".
    if (brushBitmap_ && Color == brushColor_) return brushBitmap_;
    if (!brushBitmap_) {
        brushBitmap_ = new TBitmap;
        brushBitmap_->SetSize(8, 8);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) brushBitmap_->Canvas()->SetPixels(x, y, clWhite);
    }
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            if ((x % 2) != (y % 2)) brushBitmap_->Canvas()->SetPixels(x, y, Color);
    brushColor_ = Color;
    return brushBitmap_;
}

TBitmap* TLuxApplication::GetBitmap() {
    if (!bitmap_) {
        bitmap_ = new TBitmap;
        bitmap_->Assign(GetBrushBitmap(clBlack));
    }
    return bitmap_;
}

void TLuxApplication::STWStart() {
    if (stwRunning_) STWStop();
    stwStart_ = GetTickCount();
    stwRunning_ = true;
}

DWORD TLuxApplication::STWStop() {
    if (!stwRunning_) return 0;
    stwStop_ = GetTickCount();
    stwRunning_ = false;
    return stwStop_ - stwStart_;
}

void TLuxApplication::SetEditMode(TLuxEditModes Value) {
    if (Value == editMode_) return;
    editMode_ = Value;
    if (OnEditModeChange) OnEditModeChange(this);
}

void TLuxApplication::SetLogName(const std::string& Value) {
    std::string name = Value;
    if (name.empty())
        name = ChangeFileExt(Application ? Application->ExeName() : std::string(), ".LOG");
    else if (ExtractFileExt(name).empty())
        name += ".LOG";
    logName_ = logPrefix_ == ppFixed ? name : LuxCreatePathPrefix(logPrefix_, true) + ExtractFileName(name);
}

void TLuxApplication::SetLogPrefix(TLuxPathPrefix Value) {
    if (Value == logPrefix_) return;
    logPrefix_ = Value;
    SetLogName(logName_);
}

std::string TLuxApplication::Header() {
    const TDateTime now = LogClock();
    std::string h = "\r\n";
    h += "LogFile started: " + DateToStr(now) + " " + TimeToStr(now) + "\r\n";
    h += "Application    : " + (Application ? Application->Title() : std::string()) + "\r\n";
    h += "Path/ExeName   : " + (Application ? Application->ExeName() : std::string()) + "\r\n";
    if (!Version.empty()) h += "Version        : " + Version + "\r\n";
    if (OnLogHeader) OnLogHeader(this, h);
    h += std::string(80, '*') + "\r\n\r\n";
    h += "Entries:\r\n";
    return h;
}

void TLuxApplication::LogWrite(const std::string& Text) {
    bool recreate = false;
    bool limitHit = false;
    if (LogMaxSize >= 101 && FileSizeOf(logName_) > LogMaxSize) {
        bool cancel = false;
        if (OnLogFull) OnLogFull(this, logName_, cancel);
        if (cancel) return;
        if (LogAction == laClearLog) {
            recreate = limitHit = true;
        } else if (LogAction == laBackupLog) {
            for (int n = 0;; ++n) {
                const std::string backup = ChangeFileExt(logName_, ".l" + IntToStr(n));
                if (!FileExists(PosixFileName(backup))) {
                    std::rename(PosixFileName(logName_).c_str(), PosixFileName(backup).c_str());
                    break;
                }
            }
            if (Application) Application->ProcessMessages();
            recreate = limitHit = true;
        }
    }
    const bool exists = FileExists(PosixFileName(logName_));
    if (!exists || (Options.Contains(aoLogAlwaysClear) && !logOpened_)) recreate = true;
    std::FILE* f = std::fopen(PosixFileName(logName_).c_str(), recreate ? "wb" : "ab");
    if (!f) return; // an entry that cannot be written is dropped
    std::string out;
    if (limitHit || (!logOpened_ && Options.Contains(aoLogHeader))) out += Header();
    if (Text == "#CR") {
        out += "\r\n";
    } else if (Text == "#Header") {
        out += Header();
    } else if (Text == "#Line") {
        out += std::string(80, '*') + "\r\n";
    } else {
        ++entry_;
        const TDateTime now = LogClock();
        std::string line;
        for (char c : LogFormat) {
            switch (c) {
            case '#':
                if (Options.Contains(aoLogNr)) line += Format("%.5d", {entry_}) + ": ";
                break;
            case 't':
                if (Options.Contains(aoLogTime)) line += " [" + TimeToStr(now) + "]";
                break;
            case 'd':
                if (Options.Contains(aoLogDate)) line += " [" + DateToStr(now) + "]";
                break;
            case 'l':
                line += Text;
                break;
            default:
                break;
            }
        }
        out += line + "\r\n";
    }
    std::fwrite(out.data(), 1, out.size(), f);
    std::fclose(f);
    logOpened_ = true;
}

void TLuxApplication::LogException(TObject* Sender) {
    const std::exception_ptr current = std::current_exception();
    if (!current) return;
    std::string message;
    try {
        std::rethrow_exception(current);
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
    }
    // The run time reported where the exception was raised; there is no such address here.
    const std::string text = Format("%s, Address: %p", {message, nullptr});
    std::string line = text;
    if (Sender) {
        const auto* component = dynamic_cast<const TComponent*>(Sender);
        if (component && !component->Name().empty())
            line = Sender->ClassName() + " (Name: " + component->Name() + "): " + text;
        else
            line = Sender->ClassName() + ": " + text;
    }
    LogWrite(line);
}

void TLuxApplication::HandleException(TObject* Sender, Exception* E) {
    bool handled = false;
    if (OnException) OnException(Sender, E, handled);
    if (handled) return;
    if (Options.Contains(aoLogException)) LogException(Sender);
    if (Application) Application->ShowException(E);
}

std::string TLuxApplication::GetDefaultRegPath() {
    std::string path = "Software\\";
    if (!RegPrefix.empty()) path += LuxSlashAdd(RegPrefix);
    const std::string title = Application ? Application->Title() : std::string();
    path += LuxSlashAdd(title.empty() ? (Application ? Application->ExeName() : std::string()) : title);
    if (!Version.empty()) path += LuxSlashAdd(Version);
    return path;
}

bool TLuxApplication::QuitWindows(TLuxExitCode ExitCode) {
    UINT flags = 0;
    if (ExitCode != ecRestart) {
        HANDLE token = 0;
        // The privilege to shut down is not to be had here, so this stops with False.
        if (!OpenProcessToken(GetCurrentProcess(), 0x28, &token)) return false;
        CloseHandle(token);
        flags = (ExitCode == ecQuit ? EWX_SHUTDOWN : EWX_REBOOT) | EWX_FORCE;
    }
    if (!ExitWindowsEx(flags, 0)) return false;
    if (Application) Application->Terminate();
    return true;
}

bool LuxCheckForSameClass(TComponent* AComponent, TLuxClass AClass, bool AllowDataModule) {
    if (!dynamic_cast<TCustomForm*>(AComponent) &&
        !(AllowDataModule && dynamic_cast<TDataModule*>(AComponent)))
        return true;
    if (!AClass) return false;
    int count = 0;
    for (int i = 0; i < AComponent->ComponentCount(); ++i)
        if (AClass(AComponent->Components(i))) ++count;
    return count >= 2;
}

LuxEOneInstError::LuxEOneInstError(const std::string& ClassName, BYTE Kind)
    : Exception(ClassName + ":\r" +
                (Kind == 0 ? std::string("Invalid owner (<>TForm) or second instance on a form")
                           : "Already one " + ClassName + " control in this project!")) {}

namespace {
int luxclassInits = 0;
} // namespace

void InitLuxclass() {
    if (luxclassInits++ == 0) LuxApplication = new TLuxApplication(nullptr);
}

void DoneLuxclass() {
    if (luxclassInits == 0 || --luxclassInits > 0) return;
    delete LuxApplication;
    LuxApplication = nullptr;
}

namespace {

const bool kPublished = [] {
    PublishProperties<TLuxTimerPool, TLuxCustomComponent>({
        LuxAboutProperty<TLuxTimerPool>(),
        published::Property<TLuxTimerPool>(
            "MinInterval", [](const TLuxTimerPool& p) { return p.MinInterval(); },
            [](TLuxTimerPool& p, WORD v) { p.SetInterval(v); }, 1000),
        published::Field<TLuxTimerPool>("OnTimer", &TLuxTimerPool::OnTimer),
    });
    RegisterClass<TLuxTimerPool>();
    return true;
}();

} // namespace
