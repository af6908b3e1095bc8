#include "indicator_controls/Std2.h"

#include "platform/rtl/Format.h"
#include "platform/ui/Forms.h"
#include "platform/win/MMTimer.h"
#include "platform/win/Process.h"
#include "platform/win/Sync.h"
#include "platform/win/Version.h"

#include <cstring>

TBitmap* TSteel = nullptr;
long double vcCalcOffSetTime = 0;

namespace {

int Std2Counter = 0;

void BuildSteel() {
    TSteel = new TBitmap;
    TSteel->SetSize(8, 8);
    TCanvas* canvas = TSteel->Canvas();
    canvas->Brush()->SetColor(clSilver);
    canvas->FillRect(Rect(0, 0, 8, 8));
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 8; ++y)
            if (x % 2 == 1 && y % 2 == 1) canvas->SetPixels(x, y, clWhite);
}

} // namespace

void InitializeStd2() {
    if (Std2Counter-- != 0) return;
    BuildSteel();
    vcCalcOffSetTime = 1.0L / 1440;
}

void FinalizeStd2() {
    if (Std2Counter++ != -1) return;
    delete TSteel;
    TSteel = nullptr;
}

// --- TvcTimer --------------------------------------------------------------------------------------

class TvcTimerThread : public TThread {
public:
    explicit TvcTimerThread(TvcTimer* timer) : timer_(timer) {}
    std::atomic<bool> stopping{false};

protected:
    void Execute() override {
        while (!Terminated()) {
            Priority = timer_->priority_;
            const DWORD wait = timer_->armed_ ? timer_->interval_.load() : INFINITE;
            // Woken early: the settings changed, or the timer is going.
            if (WaitForSingleObject(timer_->wake_, wait) != WAIT_TIMEOUT) continue;
            if (stopping || !timer_->armed_) continue;
            Synchronize([this] {
                if (stopping) return; // queued before the timer was freed
                try {
                    timer_->Timer();
                } catch (...) {
                    Application->HandleException(timer_);
                }
            });
        }
    }

private:
    TvcTimer* timer_;
};

TvcTimer::TvcTimer(TComponent* AOwner) : TComponent(AOwner) {
    wake_ = CreateEvent(nullptr, FALSE, FALSE, nullptr);
    worker_ = std::make_unique<TvcTimerThread>(this);
    worker_->Start();
}

TvcTimer::~TvcTimer() {
    worker_->stopping = true;
    worker_->Terminate();
    SetEvent(wake_);
    worker_->WaitFor();
    worker_.reset();
    CloseHandle(wake_);
}

void TvcTimer::SetEnabled(bool Value) {
    if (Value == enabled_) return;
    enabled_ = Value;
    UpdateTimer();
}

void TvcTimer::SetInterval(std::uint32_t Value) {
    if (Value == interval_) return;
    interval_ = Value;
    UpdateTimer();
}

void TvcTimer::SetPriority(TThreadPriority Value) {
    if (Value == priority_) return;
    priority_ = Value;
    UpdateTimer();
}

void TvcTimer::SetOnTimer(TNotifyEvent Value) {
    onTimer_ = Value;
    UpdateTimer();
}

void TvcTimer::UpdateTimer() {
    armed_ = interval_ != 0 && enabled_ && onTimer_.Assigned();
    SetEvent(wake_);
}

void TvcTimer::Timer() {
    if (onTimer_) onTimer_(this);
}

// --- TvcMMTimer ------------------------------------------------------------------------------------

TvcMMTimer::TvcMMTimer(TComponent* AOwner) : TComponent(AOwner) {
    StartTimer();
}

TvcMMTimer::~TvcMMTimer() {
    StopTimer();
}

void TvcMMTimer::StartTimer() {
    id_ = timeSetEvent(interval_, resolution_, &TvcMMTimer::Callback, reinterpret_cast<std::uintptr_t>(this),
                       TIME_PERIODIC);
    if (id_ == 0) throw ERangeError(Format("%d is not within the valid range", {resolution_}));
}

void TvcMMTimer::StopTimer() {
    if (id_ != 0) timeKillEvent(id_);
    id_ = 0;
}

void TvcMMTimer::SetInterval(std::uint32_t Value) {
    if (Value == interval_) return;
    StopTimer();
    interval_ = Value;
    StartTimer();
}

void TvcMMTimer::SetResolution(std::uint32_t Value) {
    if (Value == resolution_) return;
    StopTimer();
    resolution_ = Value;
    StartTimer();
}

TNotifyEvent TvcMMTimer::OnTimer() const {
    std::lock_guard<std::mutex> lk(eventLock_);
    return onTimer_;
}

void TvcMMTimer::SetOnTimer(TNotifyEvent Value) {
    std::lock_guard<std::mutex> lk(eventLock_);
    onTimer_ = Value;
}

void TvcMMTimer::Timer() {
    const TNotifyEvent handler = OnTimer();
    if (enabled_ && handler) handler(this);
}

void TvcMMTimer::Callback(UINT, UINT, std::uintptr_t user, std::uintptr_t, std::uintptr_t) {
    try {
        reinterpret_cast<TvcMMTimer*>(user)->Timer();
    } catch (...) {
    }
}

// --- TvcRunProg ------------------------------------------------------------------------------------

TvcRunError RunErrorFromSystemCode(std::uint32_t Code) {
    if (Code == 0) return vre_OK;
    if (Code <= 2) return vre_FileNotFound;
    if (Code == 3) return vre_PathNotFound;
    if (Code == 4) return vre_FileError;
    if (Code == 5) return vre_networkerror;
    if (Code <= 14) return vre_MemoryError;
    if (Code <= 31) return vre_FileError;
    if (Code <= 36) return vre_networkerror;
    if (Code == 37) return vre_UnknownError;
    if (Code <= 52) return vre_FileError;
    if (Code <= 55) return vre_networkerror;
    return vre_UnknownError;
}

void TvcRunProg::Run() {
    RunThis(CmdLine_);
}

void TvcRunProg::RunThis(const std::string& CmdLine) {
    ReturnCode_ = 0;
    STARTUPINFOA si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(Visiblility_);
    if (OnBeforeRun) OnBeforeRun(this);
    std::string line = CmdLine; // passed whole, however long
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS,
                        nullptr, nullptr, &si, &pi)) {
        savedError_ = GetLastError();
        LastResultCode_ = RunErrorFromSystemCode(savedError_);
        if (OnError) OnError(this, LastResultCode_, static_cast<int>(savedError_));
        return;
    }
    if (Wait_) {
        if (OnBeforeWait) OnBeforeWait(this);
        if (HardWait_) {
            WaitForSingleObject(pi.hProcess, INFINITE);
        } else {
            // Waits on the program itself, not on its exit code: a program may end with any code.
            while (!Application->Terminated()) {
                if (MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 50, 0) == WAIT_OBJECT_0) break;
                Application->ProcessMessages();
            }
        }
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(pi.hProcess, &code);
        ReturnCode_ = static_cast<std::int32_t>(code);
        if (OnFinish) OnFinish(this);
    }
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    LastResultCode_ = vre_OK;
    savedError_ = 0;
}

std::uint32_t TvcRunProg::SavedErrorCode() {
    return savedError_;
}

void Delay(std::uint16_t ms) {
    Sleep(ms);
}

// --- TvcVerInfo ------------------------------------------------------------------------------------

namespace {

// At least `digits` lower-case hexadecimal digits.
std::string LowerHex(std::uint32_t value, int digits) {
    static const char hex[] = "0123456789abcdef";
    std::string s;
    do {
        s.insert(s.begin(), hex[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    while (static_cast<int>(s.size()) < digits) s.insert(s.begin(), '0');
    return s;
}

} // namespace

TvcVerInfo::TvcVerInfo(TComponent* AOwner) : TComponent(AOwner) {
    DoTheFile();
}

void TvcVerInfo::Loaded() {
    TComponent::Loaded();
    DoTheFile();
}

void TvcVerInfo::SetVerFile(const std::string& Value) {
    verFile_ = Value;
    DoTheFile();
}

void TvcVerInfo::DoTheFile() {
    block_.clear();
    flags_ = 0;
    found_ = false;
    const std::string file = verFile_.empty() ? Application->ExeName() : verFile_;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSize(file.c_str(), &handle);
    if (size == 0) return;
    block_.resize(size);
    if (!GetFileVersionInfo(file.c_str(), handle, size, block_.data())) {
        block_.clear();
        return;
    }
    found_ = true;
    void* fixed = nullptr;
    UINT len = 0;
    if (VerQueryValue(block_.data(), "\\", &fixed, &len) && len >= sizeof(VS_FIXEDFILEINFO)) {
        VS_FIXEDFILEINFO info;
        std::memcpy(&info, fixed, sizeof info);
        flags_ = info.dwFileFlags;
    }
}

bool TvcVerInfo::Translation(std::uint32_t& entry) const {
    if (!found_) return false;
    void* value = nullptr;
    UINT len = 0;
    if (!VerQueryValue(block_.data(), "\\VarFileInfo\\Translation", &value, &len) || len < 4) return false;
    const auto* p = static_cast<const unsigned char*>(value);
    entry = p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
    return true;
}

std::string TvcVerInfo::GetString(const std::string& Name) const {
    std::uint32_t entry = 0;
    if (!Translation(entry)) return {};
    const std::uint32_t language = entry & 0xFFFF, codePage = entry >> 16;
    std::string key = "\\StringFileInfo\\" + LowerHex(language << 16 | codePage, 8) + "\\" + Name;
    if (key.size() > 255) key.resize(255);
    void* value = nullptr;
    UINT len = 0;
    if (!VerQueryValue(block_.data(), key.c_str(), &value, &len)) return {};
    return std::string(static_cast<const char*>(value));
}

std::string TvcVerInfo::LocaleID() const {
    std::uint32_t entry = 0;
    return Translation(entry) ? LowerHex(entry & 0xFFFF, 4) : std::string();
}

std::string TvcVerInfo::CodePage() const {
    std::uint32_t entry = 0;
    return Translation(entry) ? LowerHex(entry >> 16, 4) : std::string();
}

std::string TvcVerInfo::Language() const {
    std::uint32_t entry = 0;
    if (!Translation(entry)) return {};
    char name[255] = {};
    if (VerLanguageName(entry & 0xFFFF, name, sizeof name) == 0) return {};
    return name;
}
