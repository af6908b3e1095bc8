#include "communications/VxPort.h"

#include "communications/VxErrors.h"
#include "communications/VxExcept.h"
#include "communications/VxSelCom.h"
#include "communications/VxWin32.h"
#include "platform/comm/Comm.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TypInfo.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"

#include <algorithm>
#include <exception>
#include <map>
#include <mutex>
#include <utility>

namespace {

struct TPortListHold {
    TPortListHold() { LockPortList(); }
    ~TPortListHold() { UnlockPortList(); }
    TPortListHold(const TPortListHold&) = delete;
    TPortListHold& operator=(const TPortListHold&) = delete;
};

// The port behind each port window, under the port-list lock. A notification names its dispatcher
// by PortList slot; the window tells whose port it was meant for, so a slot taken over by another
// port's dispatcher meanwhile is not mistaken for this one.
std::map<HWND, TVexCustomComPort*>& PortWindows() {
    static auto* windows = new std::map<HWND, TVexCustomComPort*>;
    return *windows;
}

// Dispatchers whose port was freed while a notification or its close was still under way. They
// are freed from a timer once their workers have ended: the port's destructor may run inside a
// handler that a worker is waiting for, so it cannot wait itself.
std::mutex& OrphanLock() {
    static auto* lock = new std::mutex;
    return *lock;
}
std::vector<TVexBaseDispatcher*>& Orphans() {
    static auto* orphans = new std::vector<TVexBaseDispatcher*>;
    return *orphans;
}
std::uintptr_t OrphanTimer = 0;
constexpr UINT OrphanPollMs = 10;
// The port window's timer that looks again at a close still waiting for its dispatcher.
constexpr std::uintptr_t DeferredCloseTimer = 1;
constexpr UINT DeferredCloseRetryMs = 10;

// Nothing runs on the dispatcher any more, and nobody holds it (a handler that closed its port from
// inside a notification still holds it until the handler returns).
bool Finished(const TVexBaseDispatcher* Disp) {
    return !Disp->DispatcherStarted() && Disp->RunningThreads() == 0 && !Disp->EventBusy();
}

void FreeFinishedOrphans(HWND, UINT, std::uintptr_t, DWORD) {
    std::vector<TVexBaseDispatcher*> done;
    {
        std::lock_guard<std::mutex> lock(OrphanLock());
        auto& orphans = Orphans();
        auto rest = std::stable_partition(orphans.begin(), orphans.end(),
                                          [](const TVexBaseDispatcher* d) { return !Finished(d); });
        done.assign(rest, orphans.end());
        orphans.erase(rest, orphans.end());
        if (orphans.empty() && OrphanTimer != 0) {
            KillTimer(0, OrphanTimer);
            OrphanTimer = 0;
        }
    }
    for (TVexBaseDispatcher* d : done) delete d;
}

void ReleaseLater(TVexBaseDispatcher* Disp) {
    if (Finished(Disp)) {
        delete Disp;
        return;
    }
    std::lock_guard<std::mutex> lock(OrphanLock());
    Orphans().push_back(Disp);
    if (OrphanTimer == 0) OrphanTimer = SetTimer(0, 0, OrphanPollMs, &FreeFinishedOrphans);
}

char UpCase(char C) {
    return C >= 'a' && C <= 'z' ? static_cast<char>(C - 'a' + 'A') : C;
}

// A string to look for in a stream of bytes, one byte at a time. A mismatch falls back to the
// longest start of the string that the bytes seen still end with, so a string whose start repeats
// is found however it is preceded ("aab" in "aaab").
class TStreamMatch {
public:
    TStreamMatch(const std::string& S, bool AnyCase) : Pattern(S), IgnoreCase(AnyCase) {
        if (IgnoreCase) std::transform(Pattern.begin(), Pattern.end(), Pattern.begin(), UpCase);
        Fallback.assign(Pattern.size(), 0);
        std::size_t k = 0;
        for (std::size_t i = 1; i < Pattern.size(); ++i) {
            while (k > 0 && Pattern[i] != Pattern[k]) k = Fallback[k - 1];
            if (Pattern[i] == Pattern[k]) ++k;
            Fallback[i] = k;
        }
    }

    // Matched: bytes of the string matched so far, below its length. True when C completes it;
    // Matched is then 0 again.
    bool Feed(std::size_t& Matched, char C) const {
        if (Pattern.empty()) return false;
        if (IgnoreCase) C = UpCase(C);
        if (Matched >= Pattern.size()) Matched = 0;
        while (Matched > 0 && Pattern[Matched] != C) Matched = Fallback[Matched - 1];
        if (Pattern[Matched] == C) ++Matched;
        if (Matched < Pattern.size()) return false;
        Matched = 0;
        return true;
    }

private:
    std::string Pattern;
    bool IgnoreCase;
    std::vector<std::size_t> Fallback;
};

constexpr std::size_t MaxWaitStrings = 126;

bool Terminating() {
    return Application != nullptr && Application->Terminated();
}

void YieldToMessages() {
    if (Application != nullptr)
        Application->ProcessMessages();
    else
        ProcessMessages();
}

// One pass of a string wait that found no byte: serve messages when asked to, and give the
// receiving side a moment.
void IdleWait(bool Yield) {
    if (Yield)
        WaitMessageTimeout(1);
    else
        Sleep(1);
}

} // namespace

std::string ComName(WORD ComNumber) {
    return "COM" + std::to_string(ComNumber);
}

TVexCustomComPort* SearchComPort(TComponent* Owner) {
    if (Owner == nullptr) return nullptr;
    for (int i = 0; i < Owner->ComponentCount(); ++i) {
        TComponent* c = Owner->Components(i);
        if (auto* port = dynamic_cast<TVexCustomComPort*>(c)) return port;
        if (TVexCustomComPort* port = SearchComPort(c)) return port;
    }
    return nullptr;
}

// --- Life cycle ---------------------------------------------------------------------------------

TVexCustomComPort::TVexCustomComPort(TComponent* AOwner) : TVexBaseComponent(AOwner) {}

TVexCustomComPort::~TVexCustomComPort() {
    Destroying();
    if (IsOpen()) {
        try {
            DonePort();
        } catch (...) {
            // A trace or log file that could not be written; the port closes all the same.
        }
    }
    if (FDispatcher != nullptr) {
        // A close still under way: the window goes now, and with it the posted close and any
        // notification still waiting to be sent to it. A close that a user cut short by freeing
        // the port is completed here.
        RegisterComPort(false);
        if (!FDispatcher->ClosePending()) FDispatcher->DonePort();
        FWaitPrepared = false;
        ReleaseLater(std::exchange(FDispatcher, nullptr));
    } else if (FWindow != 0) {
        RegisterComPort(false);
    }
    *FAlive = false;
}

bool TVexCustomComPort::Designing() const {
    return ComponentState().Contains(TComponentStateItem::csDesigning);
}

bool TVexCustomComPort::DesigningOrLoading() const {
    return Designing() || ComponentState().Contains(TComponentStateItem::csLoading);
}

int TVexCustomComPort::Check(int Code) {
    return CheckException(this, Code);
}

void TVexCustomComPort::Loaded() {
    TVexBaseComponent::Loaded();
    if (Designing()) return;
    if (FOpenAtLoad) FOpen = true;
    if (!FOpen) return;
    FOpenAtLoad = false;
    try {
        InitPort();
    } catch (...) {
        FOpen = false;
        if (Application != nullptr) Application->HandleException(this);
    }
}

void TVexCustomComPort::SetOpen(bool Enable) {
    // An open asked for while a close is finishing counts as a change: it runs once the close is
    // done.
    if (Enable == FOpen && !(Enable && ShuttingDown())) return;
    if (DesigningOrLoading()) {
        FOpen = Enable;
        if (Enable) FOpenAtLoad = true;
        return;
    }
    if (!Enable) {
        FOpenRequested = false;
        DonePort();
    } else if (FPortState != psClosed) {
        FOpenRequested = true;
    } else {
        InitPort();
    }
}

void TVexCustomComPort::ForcePortOpen() {
    if (FAutoOpen) FOpenAtLoad = true;
}

TVexBaseDispatcher* TVexCustomComPort::GetDispatcher() {
    if (FDispatcher == nullptr && !DesigningOrLoading() && FPortState != psOpen && FAutoOpen) SetOpen(true);
    return FDispatcher;
}

TVexBaseDispatcher* TVexCustomComPort::ValidDispatcher() {
    TVexBaseDispatcher* disp = GetDispatcher();
    if (disp == nullptr) throw ECommNotOpen(ecCommNotOpen);
    return disp;
}

TVexBaseDispatcher* TVexCustomComPort::ActivateDeviceLayer() {
    if (FDeviceLayer != dlWin32) throw ENullApi(ecNullApi);
    if (FTapiMode == tmOn) return new TVexTAPI32Dispatcher(this, FTapiHandle);
    return new TVexWin32Dispatcher(this);
}

void TVexCustomComPort::DeviceLayerChanged() {}

void TVexCustomComPort::ValidateComport() {
    if (FComNumber != 0) return;
    if (!FPromptForPort) throw ENoPortSelected(ecNoPortSelected);
    struct TFormFree {
        void operator()(TCustomForm* Form) const {
            Form->BeforeDestruction();
            delete Form;
        }
    };
    const std::unique_ptr<TComSelectForm, TFormFree> form(new TComSelectForm(nullptr));
    const WORD chosen = form->ShowModal() == mrOk ? form->SelectedComNum() : 0;
    if (chosen == 0) throw ENoPortSelected(ecNoPortSelected);
    FComNumber = chosen;
}

int TVexCustomComPort::InitializePort() {
    DWORD flags = 0;
    if (FDTR) flags |= InitAssertDtr;
    if (FRTS) flags |= InitAssertRts;
    if ((FHWFlowOptions & hwfUseDTR) != 0) flags |= InitAutoDtr;
    if ((FHWFlowOptions & hwfUseRTS) != 0) flags |= InitAutoRts;
    const std::string name = FTapiMode == tmOn ? std::string() : "\\\\.\\COM" + std::to_string(FComNumber);
    return FDispatcher->InitPort(FTapiMode == tmOn ? nullptr : name.c_str(), static_cast<DWORD>(FBaud), flags,
                                 FOutSize, FInSize, static_cast<BYTE>(FStopBits),
                                 static_cast<BYTE>(FDataBits), static_cast<BYTE>(FParity));
}

void TVexCustomComPort::ReadTapiSettings() {
    DCB dcb;
    if (!GetCommState(FTapiHandle, &dcb)) return;
    FBaud = static_cast<int>(dcb.BaudRate);
    FParity = static_cast<TParity>(std::min<BYTE>(dcb.Parity, pSpace));
    FDataBits = dcb.ByteSize;
    FStopBits = dcb.StopBits == ONESTOPBIT ? 1 : 2;
    THWFlowOptionSet hw = 0;
    if (dcb.fDtrControl == DTR_CONTROL_HANDSHAKE) hw |= hwfUseDTR;
    if (dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) hw |= hwfUseRTS;
    if (dcb.fOutxDsrFlow) hw |= hwfRequireDSR;
    if (dcb.fOutxCtsFlow) hw |= hwfRequireCTS;
    FHWFlowOptions = hw;
    FSWFlowOptions = dcb.fOutX && dcb.fInX ? swfBoth
                     : dcb.fOutX           ? swfTransmit
                     : dcb.fInX            ? swfReceive
                                           : swfNone;
    FXOnChar = dcb.XonChar;
    FXOffChar = dcb.XoffChar;
}

void TVexCustomComPort::InitPort() {
    if (FTapiMode != tmOn) ValidateComport();
    FDispatcher = ActivateDeviceLayer();
    ++FDispatcherSerial;
    FDispatcher->DeviceName = ComName(FComNumber);

    const auto alive = FAlive;
    auto closeAgain = [this] {
        FForceApply = false;
        FOpen = false;
        FPortState = psClosed;
        FreeDispatcher();
    };
    try {
        int code = ecOK;
        if (FTapiMode == tmOn) {
            if (FTapiHandle == 0 || FTapiHandle == INVALID_HANDLE_VALUE)
                code = ecNotOpenedByTapi;
            else
                ReadTapiSettings();
        }
        if (code == ecOK) code = InitializePort();
        // The device layer answers with the negated system error. A port the user may not open
        // (-5) keeps its own error, "File access denied".
        if (code == -static_cast<int>(ERROR_SHARING_VIOLATION))
            code = ecAlreadyOpen;
        else if (code == -static_cast<int>(ERROR_FILE_NOT_FOUND) || code == ecPathNotFound)
            code = ecBadId;
        if (code != ecOK) {
            closeAgain();
            Check(code);
            return; // while loading, a failure comes back as a code
        }

        FPortState = psOpen;
        UpdateHandlerFlag();
        FForceApply = true;
        SetTracing(FTracing);
        SetLogging(FLogging);
        SetHWFlowOptions(FHWFlowOptions);
        SetSWFlowOptions(FSWFlowOptions);
        SetXonChar(FXOnChar);
        SetXoffChar(FXOffChar);
        SetTriggerLength(FTriggerLength);
        SetDTR(FDTR);
        SetRTS(FRTS);
        SetUseEventWord(FUseEventWord);
        SetRS485Mode(FRS485Mode);
        SetThreadBoost(FThreadBoost);
        FForceApply = false;
        FOpen = true;
        RegisterComPort(true);
        if (FTriggersSaved) {
            FTriggersSaved = false;
            FDispatcher->RestoreTriggers(FSavedTriggers);
            FDispatcher->ClearSaveBuffers(FSavedTriggers);
        }
        PortOpen();
    } catch (...) {
        if (*alive) closeAgain();
        throw;
    }
}

void TVexCustomComPort::FreeDispatcher() {
    if (FWindow != 0) RegisterComPort(false);
    FWaitPrepared = false;
    delete std::exchange(FDispatcher, nullptr);
}

void TVexCustomComPort::DonePort() {
    if (!IsOpen()) return;
    // A trace or log file that cannot be written must not keep the port open: the close goes on
    // and the first such error is raised at its end.
    std::exception_ptr error;
    auto attempt = [&error](auto&& Step) {
        try {
            Step();
        } catch (...) {
            if (!error) error = std::current_exception();
        }
    };
    attempt([this] { SetTracing(tlDump); });
    attempt([this] { SetLogging(tlDump); });
    FPortState = psShuttingDown;
    auto alive = FAlive;
    attempt([this] { PortClosing(); });
    if (!*alive) return;
    FDispatcher->SaveTriggers(FSavedTriggers);
    FTriggersSaved = true;
    FDispatcher->DonePort();
    if (FDispatcher->EventBusy()) {
        // Closed from inside a notification: the workers end after it, and the window finishes
        // the close.
        PostMessage(FWindow, PortClosingMsg, 0, static_cast<LPARAM>(FDispatcher->Handle()) << 16);
        if (!ComponentState().Contains(TComponentStateItem::csDestroying)) {
            SafeYield();
            if (!*alive) return;
        }
    } else {
        FreeDispatcher();
        FPortState = psClosed;
        FOpen = false;
    }
    attempt([this] { PortClose(); });
    if (error) std::rethrow_exception(error);
}

void TVexCustomComPort::FinishDeferredClose(HWND Wnd, LPARAM) {
    if (!ShuttingDown() || FDispatcher == nullptr) return;
    if (!Finished(FDispatcher)) {
        // Looked at again a little later, not re-posted at once: a message that posts itself keeps
        // the queue from ever running empty, so the timers that let the dispatcher finish (and
        // every other timer) would never fire.
        SetTimer(Wnd, DeferredCloseTimer, DeferredCloseRetryMs, nullptr);
        return;
    }
    FreeDispatcher();
    FPortState = psClosed;
    FOpen = false;
    if (FOpenRequested) {
        FOpenRequested = false;
        InitPort();
    }
}

// --- Port window --------------------------------------------------------------------------------

void TVexCustomComPort::RegisterComPort(bool Enabling) {
    if (Enabling) {
        if (FWindow == 0) {
            const HWND wnd = CreateMessageWindow("vxComWindow", &PortWindowProc);
            if (wnd == 0) throw EInternal(ecInternal);
            TPortListHold hold;
            PortWindows()[wnd] = this;
            FWindow = wnd;
        }
        FDispatcher->RegisterWndTriggerHandler(FWindow);
        return;
    }
    if (FWindow == 0) return;
    if (FDispatcher != nullptr) FDispatcher->DeregisterWndTriggerHandler(FWindow);
    {
        TPortListHold hold;
        PortWindows().erase(FWindow);
    }
    DestroyWindow(std::exchange(FWindow, 0));
}

LRESULT TVexCustomComPort::PortWindowProc(HWND Wnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (Msg == WM_TIMER && wParam == DeferredCloseTimer) {
        KillTimer(Wnd, DeferredCloseTimer);
        TPortListHold hold;
        const auto found = PortWindows().find(Wnd);
        if (found != PortWindows().end() && found->second->FDispatcher != nullptr)
            PostMessage(Wnd, PortClosingMsg, 0, static_cast<LPARAM>(found->second->FDispatcher->Handle()) << 16);
        return 0;
    }
    if ((Msg < TriggerAvailMsg || Msg > TriggerStatusMsg) && Msg != PortClosingMsg)
        return DefWindowProc(Wnd, Msg, wParam, lParam);
    // Held while the events run, as the port list's users expect.
    TPortListHold hold;
    const auto slot = static_cast<std::size_t>((static_cast<std::uint64_t>(lParam) >> 16) & 0xFFFF);
    if (slot >= PortList.size() || PortList[slot] == nullptr || PortList[slot]->Owner() == nullptr) return 0;
    const auto found = PortWindows().find(Wnd);
    if (found == PortWindows().end() || PortList[slot]->Owner() != found->second) return 0;
    TVexCustomComPort* port = found->second;
    const auto alive = port->FAlive;
    try {
        if (Msg == PortClosingMsg)
            port->FinishDeferredClose(Wnd, lParam);
        else
            port->HandleTrigger(Msg, wParam, lParam);
    } catch (...) {
        if (GetCurrentThreadId() == MainThreadId() && Application != nullptr)
            Application->HandleException(*alive ? port : nullptr);
    }
    return 0;
}

void TVexCustomComPort::HandleTrigger(UINT Msg, WPARAM wParam, LPARAM lParam) {
    // A notification served while the port is being freed has nobody left to go to.
    if (ComponentState().Contains(TComponentStateItem::csDestroying)) return;
    const auto alive = FAlive;
    const auto handle = static_cast<WORD>(wParam);
    const auto data = Msg == TriggerAvailMsg ? handle : static_cast<WORD>(lParam & 0xFFFF);
    Trigger(static_cast<WORD>(Msg), handle, data);
    if (!*alive) return;
    switch (Msg) {
    case TriggerAvailMsg:
        TriggerAvail(handle);
        return;
    case TriggerDataMsg:
        TriggerData(handle);
        return;
    case TriggerTimerMsg:
        TriggerTimer(handle);
        return;
    default:
        break;
    }
    TriggerStatus(handle);
    if (!*alive) return;
    switch (TVexBaseDispatcher::ClassifyStatusTrigger(handle)) {
    case stModem:
        TriggerModemStatus();
        break;
    case stLine: {
        // The break first: reading the error code afterwards never reports the break.
        const bool lineBreak = GetLineBreak();
        TriggerLineError(GetLineError(), lineBreak);
        break;
    }
    case stOutBuffFree:
        TriggerOutbuffFree();
        break;
    case stOutBuffUsed:
        TriggerOutbuffUsed();
        break;
    case stOutSent:
        TriggerOutSent();
        break;
    default:
        break;
    }
}

void TVexCustomComPort::Trigger(WORD Msg, WORD TriggerHandle, WORD Data) {
    if (FOnTrigger) FOnTrigger(this, Msg, TriggerHandle, Data);
}

void TVexCustomComPort::TriggerAvail(WORD Count) {
    if (FOnTriggerAvail) FOnTriggerAvail(this, Count);
}

void TVexCustomComPort::TriggerData(WORD TriggerHandle) {
    if (FOnTriggerData) FOnTriggerData(this, TriggerHandle);
}

void TVexCustomComPort::TriggerStatus(WORD TriggerHandle) {
    if (FOnTriggerStatus) FOnTriggerStatus(this, TriggerHandle);
}

void TVexCustomComPort::TriggerTimer(WORD TriggerHandle) {
    if (FOnTriggerTimer) FOnTriggerTimer(this, TriggerHandle);
}

void TVexCustomComPort::TriggerLineError(WORD Error, bool LineBreak) {
    if (FOnTriggerLineError) FOnTriggerLineError(this, Error, LineBreak);
}

void TVexCustomComPort::TriggerModemStatus() {
    if (FOnTriggerModemStatus) FOnTriggerModemStatus(this);
}

void TVexCustomComPort::TriggerOutbuffFree() {
    if (FOnTriggerOutbuffFree) FOnTriggerOutbuffFree(this);
}

void TVexCustomComPort::TriggerOutbuffUsed() {
    if (FOnTriggerOutbuffUsed) FOnTriggerOutbuffUsed(this);
}

void TVexCustomComPort::TriggerOutSent() {
    if (FOnTriggerOutSent) FOnTriggerOutSent(this);
}

void TVexCustomComPort::WaitChar(char C) {
    if (OnWaitChar) OnWaitChar(this, C);
}

void TVexCustomComPort::UpdateHandlerFlag() {
    if (!IsOpen()) return;
    const bool any = FOnTrigger || FOnTriggerAvail || FOnTriggerData || FOnTriggerStatus || FOnTriggerTimer ||
                     FOnTriggerLineError || FOnTriggerModemStatus || FOnTriggerOutbuffFree ||
                     FOnTriggerOutbuffUsed || FOnTriggerOutSent;
    FDispatcher->UpdateHandlerFlags(any ? fuEnablePort : fuDisablePort);
}

void TVexCustomComPort::SetOnTrigger(TTriggerEvent Value) {
    FOnTrigger = Value;
    UpdateHandlerFlag();
}

void TVexCustomComPort::SetOnTriggerAvail(TTriggerAvailEvent Value) {
    FOnTriggerAvail = Value;
    UpdateHandlerFlag();
}

void TVexCustomComPort::SetOnTriggerData(TTriggerDataEvent Value) {
    FOnTriggerData = Value;
    UpdateHandlerFlag();
}

void TVexCustomComPort::SetOnTriggerStatus(TTriggerStatusEvent Value) {
    FOnTriggerStatus = Value;
    UpdateHandlerFlag();
}

void TVexCustomComPort::SetOnTriggerTimer(TTriggerTimerEvent Value) {
    FOnTriggerTimer = Value;
    UpdateHandlerFlag();
}

void TVexCustomComPort::SetOnTriggerLineError(TTriggerLineErrorEvent Value) {
    FOnTriggerLineError = Value;
    UpdateHandlerFlag();
}

void TVexCustomComPort::SetOnTriggerModemStatus(TNotifyEvent Value) {
    FOnTriggerModemStatus = Value;
    UpdateHandlerFlag();
}

void TVexCustomComPort::SetOnTriggerOutbuffFree(TNotifyEvent Value) {
    FOnTriggerOutbuffFree = Value;
    UpdateHandlerFlag();
}

void TVexCustomComPort::SetOnTriggerOutbuffUsed(TNotifyEvent Value) {
    FOnTriggerOutbuffUsed = Value;
    UpdateHandlerFlag();
}

void TVexCustomComPort::SetOnTriggerOutSent(TNotifyEvent Value) {
    FOnTriggerOutSent = Value;
    UpdateHandlerFlag();
}

// --- Users --------------------------------------------------------------------------------------

int TVexCustomComPort::RegisterUser(HWND H) {
    FUsers.push_back({H, {}, {}, false});
    return static_cast<int>(FUsers.size() - 1);
}

int TVexCustomComPort::RegisterUserEx(HWND H) {
    FUsers.push_back({H, {}, {}, true});
    return static_cast<int>(FUsers.size() - 1);
}

int TVexCustomComPort::RegisterUserCallback(TPortCallback CallBack) {
    FUsers.push_back({0, CallBack, {}, false});
    return static_cast<int>(FUsers.size() - 1);
}

int TVexCustomComPort::RegisterUserCallbackEx(TPortCallbackEx CallBackEx) {
    FUsers.push_back({0, {}, CallBackEx, true});
    return static_cast<int>(FUsers.size() - 1);
}

void TVexCustomComPort::DeregisterUser(HWND H) {
    if (ComponentState().Contains(TComponentStateItem::csDestroying)) return;
    std::erase_if(FUsers, [H](const TPortUser& u) { return u.Handle != 0 && u.Handle == H; });
}

void TVexCustomComPort::DeregisterUserCallback(TPortCallback CallBack) {
    if (ComponentState().Contains(TComponentStateItem::csDestroying)) return;
    // The object is compared too: two components of one class may both use the port, and one
    // leaving must not take the other's registration with it.
    std::erase_if(FUsers, [&](const TPortUser& u) { return u.Callback && u.Callback == CallBack; });
}

void TVexCustomComPort::DeregisterUserCallbackEx(TPortCallbackEx CallBackEx) {
    if (ComponentState().Contains(TComponentStateItem::csDestroying)) return;
    std::erase_if(FUsers, [&](const TPortUser& u) { return u.CallbackEx && u.CallbackEx == CallBackEx; });
}

bool TVexCustomComPort::NotifyUsers(TUserNote Note) {
    const auto alive = FAlive;
    // Last registered first; a user may deregister itself (or others) while being told.
    for (std::size_t i = FUsers.size(); i-- > 0;) {
        if (i >= FUsers.size()) continue;
        const TPortUser user = FUsers[i];
        switch (Note) {
        case unOpen:
            if (user.Handle != 0)
                SendMessage(user.Handle, PortOpenMsg, 0, 0);
            else if (user.CallbackEx)
                user.CallbackEx(this, ctOpen);
            else if (user.Callback)
                user.Callback(this, true);
            break;
        case unClosed:
            if (user.Handle != 0)
                SendMessage(user.Handle, PortCloseMsg, 0, 0);
            else if (user.CallbackEx)
                user.CallbackEx(this, ctClosed);
            else if (user.Callback)
                user.Callback(this, false);
            break;
        case unClosing:
            if (!user.Extended) break;
            if (user.Handle != 0)
                SendMessage(user.Handle, PortClosingMsg, 0, 0);
            else if (user.CallbackEx)
                user.CallbackEx(this, ctClosing);
            break;
        }
        if (!*alive) return false;
    }
    return true;
}

void TVexCustomComPort::PortOpen() {
    if (NotifyUsers(unOpen) && OnPortOpen) OnPortOpen(this);
}

void TVexCustomComPort::PortClose() {
    if (NotifyUsers(unClosed) && OnPortClose) OnPortClose(this);
}

void TVexCustomComPort::PortClosing() {
    NotifyUsers(unClosing);
}

// --- Settings -----------------------------------------------------------------------------------

void TVexCustomComPort::Assign(const TPersistent* Source) {
    const auto* src = dynamic_cast<const TVexCustomComPort*>(Source);
    if (src == nullptr) {
        TVexBaseComponent::Assign(Source);
        return;
    }
    SetOpen(false);
    FUsers = src->FUsers;
    FSavedTriggers = TTriggerSave{};
    FTriggersSaved = false;
    if (src->IsOpen()) {
        src->FDispatcher->SaveTriggers(FSavedTriggers);
        FTriggersSaved = true;
    } else if (src->FTriggersSaved) {
        FSavedTriggers = src->FSavedTriggers;
        FTriggersSaved = true;
    }
    FDeviceLayer = src->FDeviceLayer;
    FComNumber = src->FComNumber;
    FBaud = src->FBaud;
    FPromptForPort = src->FPromptForPort;
    FParity = src->FParity;
    FDataBits = src->FDataBits;
    FStopBits = src->FStopBits;
    FInSize = src->FInSize;
    FOutSize = src->FOutSize;
    FAutoOpen = src->FAutoOpen;
    FDTR = src->FDTR;
    FRTS = src->FRTS;
    FHWFlowOptions = src->FHWFlowOptions;
    FSWFlowOptions = src->FSWFlowOptions;
    FXOnChar = src->FXOnChar;
    FXOffChar = src->FXOffChar;
    FBufferFull = src->FBufferFull;
    FBufferResume = src->FBufferResume;
    FTracing = src->FTracing == tlOn ? tlOn : tlOff;
    FTraceSize = src->FTraceSize;
    FTraceName = src->FTraceName;
    FTraceHex = src->FTraceHex;
    FTraceAllHex = src->FTraceAllHex;
    FLogging = src->FLogging == tlOn ? tlOn : tlOff;
    FLogSize = src->FLogSize;
    FLogName = src->FLogName;
    FLogHex = src->FLogHex;
    FLogAllHex = src->FLogAllHex;
    FUseMSRShadow = src->FUseMSRShadow;
    FUseEventWord = src->FUseEventWord;
    FCommNotificationLevel = src->FCommNotificationLevel;
    FRS485Mode = src->FRS485Mode;
    FThreadBoost = src->FThreadBoost;
    FBaseAddress = src->FBaseAddress;
    FTriggerLength = src->FTriggerLength;
    FOnTrigger = src->FOnTrigger;
    FOnTriggerAvail = src->FOnTriggerAvail;
    FOnTriggerData = src->FOnTriggerData;
    FOnTriggerStatus = src->FOnTriggerStatus;
    FOnTriggerTimer = src->FOnTriggerTimer;
    OnPortOpen = src->OnPortOpen;
    OnPortClose = src->OnPortClose;
    FTapiMode = src->FTapiMode;
}

void TVexCustomComPort::SetDeviceLayer(TDeviceLayer NewLayer) {
    if (FPortState != psClosed || !FDeviceLayers.Contains(NewLayer)) return;
    FDeviceLayer = NewLayer;
    DeviceLayerChanged();
}

void TVexCustomComPort::SetComNumber(WORD NewNumber) {
    if (!IsOpen()) {
        FComNumber = NewNumber;
        return;
    }
    // Closing dumps and ends the trace and the log; the new port starts them again. The triggers
    // are carried over by the close and the open.
    const TTraceLogState tracing = FTracing;
    const TTraceLogState logging = FLogging;
    SetOpen(false);
    FComNumber = NewNumber;
    FTracing = tracing;
    FLogging = logging;
    SetOpen(true);
}

void TVexCustomComPort::ApplyLineSettings() {
    if (!IsOpen()) return;
    Check(FDispatcher->SetLine(static_cast<DWORD>(FBaud), static_cast<BYTE>(FParity),
                               static_cast<BYTE>(FStopBits), static_cast<BYTE>(FDataBits)));
}

void TVexCustomComPort::SetBaud(int NewBaud) {
    FBaud = NewBaud;
    ApplyLineSettings();
}

void TVexCustomComPort::SetParity(TParity NewParity) {
    FParity = NewParity;
    ApplyLineSettings();
}

void TVexCustomComPort::SetDatabits(WORD NewBits) {
    FDataBits = NewBits;
    ApplyLineSettings();
}

void TVexCustomComPort::SetStopbits(WORD NewBits) {
    FStopBits = NewBits;
    ApplyLineSettings();
}

void TVexCustomComPort::SetInSize(WORD NewSize) {
    FInSize = NewSize;
    if (IsOpen()) Check(FDispatcher->SetCommBuffers(FInSize, FOutSize));
}

void TVexCustomComPort::SetOutSize(WORD NewSize) {
    FOutSize = NewSize;
    if (IsOpen()) Check(FDispatcher->SetCommBuffers(FInSize, FOutSize));
}

void TVexCustomComPort::SetDTR(bool NewDTR) {
    if (!IsOpen()) {
        FDTR = NewDTR;
        return;
    }
    // 1: the line serves hardware flow control and was left alone.
    if (Check(FDispatcher->SetDtr(NewDTR)) == 0) FDTR = NewDTR;
}

void TVexCustomComPort::SetRTS(bool NewRTS) {
    if (!IsOpen()) {
        FRTS = NewRTS;
        return;
    }
    if (Check(FDispatcher->SetRts(NewRTS)) == 0) FRTS = NewRTS;
}

void TVexCustomComPort::SetHWFlowOptions(THWFlowOptionSet NewOpts) {
    if (NewOpts == FHWFlowOptions && !FForceApply) return;
    NewOpts &= hwfUseDTR | hwfUseRTS | hwfRequireDSR | hwfRequireCTS;
    const DWORD options = NewOpts;
    if (options != 0) {
        if (FBufferFull == 0 || FBufferFull > FInSize) FBufferFull = static_cast<WORD>(FInSize * 9 / 10);
        if (FBufferResume == 0 || FBufferResume > FBufferFull)
            FBufferResume = static_cast<WORD>(FInSize / 10);
    }
    if (IsOpen()) Check(FDispatcher->HWFlowOptions(FBufferFull, FBufferResume, options));
    FHWFlowOptions = NewOpts;
    if ((NewOpts & (hwfUseRTS | hwfRequireCTS)) != 0) SetRS485Mode(false);
}

void TVexCustomComPort::SetSWFlowOptions(TSWFlowOptions NewOpts) {
    if (NewOpts == FSWFlowOptions && !FForceApply) return;
    DWORD options = 0;
    switch (NewOpts) {
    case swfReceive:
        options = sfReceiveFlow;
        break;
    case swfTransmit:
        options = sfTransmitFlow;
        break;
    case swfBoth:
        options = sfReceiveFlow | sfTransmitFlow;
        break;
    case swfNone:
        break;
    }
    if (options != 0) {
        if (FBufferFull == 0 || FBufferFull > FInSize) FBufferFull = static_cast<WORD>(FInSize * 3 / 4);
        if (FBufferResume == 0 || FBufferResume > FBufferFull) FBufferResume = static_cast<WORD>(FInSize / 4);
    }
    if (IsOpen()) {
        if (options != 0)
            Check(FDispatcher->SWFlowEnable(FBufferFull, FBufferResume, options));
        else
            Check(FDispatcher->SWFlowDisable());
    }
    FSWFlowOptions = NewOpts;
}

void TVexCustomComPort::SetBufferFull(WORD NewFull) {
    if (NewFull > FInSize) NewFull = static_cast<WORD>(FInSize * 9 / 10);
    FBufferFull = NewFull;
    const bool force = std::exchange(FForceApply, true);
    try {
        SetHWFlowOptions(FHWFlowOptions);
        SetSWFlowOptions(FSWFlowOptions);
    } catch (...) {
        FForceApply = force;
        throw;
    }
    FForceApply = force;
}

void TVexCustomComPort::SetBufferResume(WORD NewResume) {
    if (NewResume > FBufferFull) NewResume = static_cast<WORD>(FBufferFull / 10);
    FBufferResume = NewResume;
    const bool force = std::exchange(FForceApply, true);
    try {
        SetHWFlowOptions(FHWFlowOptions);
        SetSWFlowOptions(FSWFlowOptions);
    } catch (...) {
        FForceApply = force;
        throw;
    }
    FForceApply = force;
}

void TVexCustomComPort::SetXonChar(char NewChar) {
    FXOnChar = NewChar;
    if (IsOpen()) Check(FDispatcher->SWFlowChars(FXOnChar, FXOffChar));
}

void TVexCustomComPort::SetXoffChar(char NewChar) {
    FXOffChar = NewChar;
    if (IsOpen()) Check(FDispatcher->SWFlowChars(FXOnChar, FXOffChar));
}

void TVexCustomComPort::SetRS485Mode(bool NewMode) {
    FRS485Mode = NewMode;
    if (IsOpen()) FDispatcher->SetRS485Mode(NewMode);
    if (!NewMode) return;
    // RTS gives the direction now: it cannot serve flow control too.
    SetHWFlowOptions(FHWFlowOptions & ~(hwfUseRTS | hwfRequireCTS));
    SetRTS(false);
}

void TVexCustomComPort::SetTriggerLength(WORD NewLength) {
    FTriggerLength = NewLength;
    if (IsOpen()) FDispatcher->ChangeLengthTrigger(NewLength);
}

void TVexCustomComPort::SetUseMSRShadow(bool NewUse) {
    FUseMSRShadow = NewUse;
}

void TVexCustomComPort::SetUseEventWord(bool NewUse) {
    FUseEventWord = NewUse;
    if (!IsOpen()) return;
    if (NewUse)
        FDispatcher->OptionsOn(OptionUseEventWord);
    else
        FDispatcher->OptionsOff(OptionUseEventWord);
}

void TVexCustomComPort::SetThreadBoost(TApThreadBoost NewBoost) {
    FThreadBoost = NewBoost;
    if (IsOpen()) FDispatcher->SetThreadBoost(static_cast<BYTE>(NewBoost));
}

void TVexCustomComPort::SetBaseAddress(WORD NewBaseAddress) {
    FBaseAddress = NewBaseAddress;
    if (IsOpen()) FDispatcher->SetBaseAddress(NewBaseAddress);
}

// --- Trace and dispatch log ---------------------------------------------------------------------

namespace {

// The trace and the dispatch log move between their states alike; Ops names one of them.
template <typename Ops> void ApplyTraceLogState(TTraceLogState& state, TTraceLogState NewState, Ops ops) {
    const bool on = state == tlOn;
    const bool paused = state == tlPause;
    switch (NewState) {
    case tlOff:
        if (on || paused) ops.Abort();
        break;
    case tlOn:
        if (paused)
            ops.Start();
        else
            ops.Init();
        break;
    case tlDump:
    case tlAppend:
        if (on || paused) {
            ops.Start();
            ops.Write(NewState == tlAppend);
        }
        state = tlOff;
        break;
    case tlClear:
        if (on || paused) ops.Clear();
        break;
    case tlPause:
        if (on) ops.Stop();
        break;
    }
}

} // namespace

void TVexCustomComPort::SetTracing(TTraceLogState NewState) {
    if (NewState == FTracing && !FForceApply) return;
    if (!IsOpen()) {
        FTracing = NewState == tlOn ? tlOn : tlOff;
        return;
    }
    struct Ops {
        TVexCustomComPort* P;
        void Abort() { P->AbortTracing(); }
        void Start() { P->StartTracing(); }
        void Init() { P->InitTracing(P->FTraceSize); }
        void Clear() { P->ClearTracing(); }
        void Stop() { P->StopTracing(); }
        void Write(bool append) {
            if (append)
                P->AppendTrace(P->FTraceName, P->FTraceHex);
            else
                P->DumpTrace(P->FTraceName, P->FTraceHex);
        }
    };
    ApplyTraceLogState(FTracing, NewState, Ops{this});
}

void TVexCustomComPort::SetTraceSize(DWORD NewSize) {
    FTraceSize = std::min(NewSize, MaxTraceSize);
    if (IsOpen() && (FTracing == tlOn || FTracing == tlPause)) {
        AbortTracing();
        InitTracing(FTraceSize);
    }
}

void TVexCustomComPort::SetLogging(TTraceLogState NewState) {
    if (NewState == FLogging && !FForceApply) return;
    if (!IsOpen()) {
        FLogging = NewState == tlOn ? tlOn : tlOff;
        return;
    }
    struct Ops {
        TVexCustomComPort* P;
        void Abort() { P->AbortLogging(); }
        void Start() { P->StartLogging(); }
        void Init() { P->InitLogging(P->FLogSize); }
        void Clear() { P->ClearLogging(); }
        void Stop() { P->StopLogging(); }
        void Write(bool append) {
            if (append)
                P->AppendLog(P->FLogName, P->FLogHex);
            else
                P->DumpLog(P->FLogName, P->FLogHex);
        }
    };
    ApplyTraceLogState(FLogging, NewState, Ops{this});
}

void TVexCustomComPort::SetLogSize(DWORD NewSize) {
    FLogSize = std::min(NewSize, MaxLogSize);
    if (IsOpen() && (FLogging == tlOn || FLogging == tlPause)) {
        AbortLogging();
        InitLogging(FLogSize);
    }
}

void TVexCustomComPort::InitTracing(DWORD NumEntries) {
    if (ShuttingDown()) return;
    const DWORD size = NumEntries != 0 ? NumEntries : FTraceSize;
    if (Check(ValidDispatcher()->InitTracing(size)) < 0) return;
    FTraceSize = size;
    FTracing = tlOn;
}

void TVexCustomComPort::DumpTrace(const std::string& FName, bool InHex) {
    if (ShuttingDown()) return;
    const int code = ValidDispatcher()->DumpTrace(FName, InHex, FTraceAllHex);
    FTracing = tlOff;
    Check(code);
}

void TVexCustomComPort::AppendTrace(const std::string& FName, bool InHex) {
    if (ShuttingDown()) return;
    const int code = ValidDispatcher()->AppendTrace(FName, InHex, FTraceAllHex);
    FTracing = tlOff;
    Check(code);
}

void TVexCustomComPort::ClearTracing() {
    if (ShuttingDown()) return;
    ValidDispatcher()->ClearTracing();
}

void TVexCustomComPort::AbortTracing() {
    if (ShuttingDown()) return;
    ValidDispatcher()->AbortTracing();
    FTracing = tlOff;
}

void TVexCustomComPort::StartTracing() {
    if (ShuttingDown()) return;
    ValidDispatcher()->StartTracing();
    FTracing = tlOn;
}

void TVexCustomComPort::StopTracing() {
    if (ShuttingDown()) return;
    ValidDispatcher()->StopTracing();
    FTracing = tlPause;
}

void TVexCustomComPort::AddTraceEntry(char CurEntry, char CurCh) {
    if (ShuttingDown()) return;
    ValidDispatcher()->AddTraceEntry(CurEntry, CurCh);
}

void TVexCustomComPort::InitLogging(DWORD Size) {
    if (ShuttingDown()) return;
    const DWORD size = Size != 0 ? Size : FLogSize;
    if (Check(ValidDispatcher()->InitDispatchLogging(size)) < 0) return;
    FLogSize = size;
    FLogging = tlOn;
}

void TVexCustomComPort::DumpLog(const std::string& FName, bool InHex) {
    if (ShuttingDown()) return;
    const int code = ValidDispatcher()->DumpDispatchLog(FName, InHex, FLogAllHex);
    FLogging = tlOff;
    Check(code);
}

void TVexCustomComPort::AppendLog(const std::string& FName, bool InHex) {
    if (ShuttingDown()) return;
    const int code = ValidDispatcher()->AppendDispatchLog(FName, InHex, FLogAllHex);
    FLogging = tlOff;
    Check(code);
}

void TVexCustomComPort::ClearLogging() {
    if (ShuttingDown()) return;
    ValidDispatcher()->ClearDispatchLogging();
}

void TVexCustomComPort::AbortLogging() {
    if (ShuttingDown()) return;
    ValidDispatcher()->AbortDispatchLogging();
    FLogging = tlOff;
}

void TVexCustomComPort::StartLogging() {
    if (ShuttingDown()) return;
    ValidDispatcher()->StartDispatchLogging();
    FLogging = tlOn;
}

void TVexCustomComPort::StopLogging() {
    if (ShuttingDown()) return;
    ValidDispatcher()->StopDispatchLogging();
    FLogging = tlPause;
}

void TVexCustomComPort::AddStringToLog(const std::string& S) {
    if (ShuttingDown()) return;
    ValidDispatcher()->AddStringToLog(S);
}

// --- Status -------------------------------------------------------------------------------------

BYTE TVexCustomComPort::GetModemStatus() {
    if (ShuttingDown()) return 0;
    return ValidDispatcher()->GetModemStatus();
}

bool TVexCustomComPort::GetDSR() {
    return IsOpen() && FDispatcher->CheckDSR();
}

bool TVexCustomComPort::GetCTS() {
    return IsOpen() && FDispatcher->CheckCTS();
}

bool TVexCustomComPort::GetRI() {
    return IsOpen() && FDispatcher->CheckRI();
}

bool TVexCustomComPort::GetDCD() {
    return IsOpen() && FDispatcher->CheckDCD();
}

bool TVexCustomComPort::GetDeltaDSR() {
    return IsOpen() && FDispatcher->CheckDeltaDSR();
}

bool TVexCustomComPort::GetDeltaCTS() {
    return IsOpen() && FDispatcher->CheckDeltaCTS();
}

bool TVexCustomComPort::GetDeltaRI() {
    return IsOpen() && FDispatcher->CheckDeltaRI();
}

bool TVexCustomComPort::GetDeltaDCD() {
    return IsOpen() && FDispatcher->CheckDeltaDCD();
}

WORD TVexCustomComPort::GetLineError() {
    return IsOpen() ? static_cast<WORD>(FDispatcher->GetLineError()) : 0;
}

bool TVexCustomComPort::GetLineBreak() {
    return IsOpen() && FDispatcher->CheckLineBreak();
}

DWORD TVexCustomComPort::GetInBuffUsed() {
    return IsOpen() ? FDispatcher->InBuffUsed() : 0;
}

DWORD TVexCustomComPort::GetInBuffFree() {
    return IsOpen() ? FDispatcher->InBuffFree() : ReceiveRingSize;
}

DWORD TVexCustomComPort::GetOutBuffUsed() {
    return IsOpen() ? FDispatcher->OutBuffUsed() : 0;
}

DWORD TVexCustomComPort::GetOutBuffFree() {
    return IsOpen() ? FDispatcher->OutBuffFree() : FOutSize;
}

TFlowControlState TVexCustomComPort::GetFlowState() {
    if (!IsOpen()) return fcOff;
    int state = FDispatcher->HWFlowState() - 1;
    if (state == fcOff) state = FDispatcher->SWFlowState() - 1;
    return static_cast<TFlowControlState>(
        std::clamp(state, static_cast<int>(fcOff), static_cast<int>(fcXBothHold)));
}

WORD TVexCustomComPort::GetBaseAddress() {
    return IsOpen() ? FDispatcher->GetBaseAddress() : 0;
}

// --- Data and triggers --------------------------------------------------------------------------

void TVexCustomComPort::PutChar(char C) {
    if (ShuttingDown()) return;
    Check(ValidDispatcher()->PutChar(C));
}

void TVexCustomComPort::PutString(const std::string& S) {
    if (ShuttingDown()) return;
    Check(ValidDispatcher()->PutString(S));
}

int TVexCustomComPort::PutBlock(const void* Block, DWORD Len) {
    if (ShuttingDown()) return 0;
    return Check(ValidDispatcher()->PutBlock(static_cast<const char*>(Block), Len));
}

char TVexCustomComPort::GetChar() {
    if (ShuttingDown()) return 0;
    char c = 0;
    Check(ValidDispatcher()->GetChar(c));
    return c;
}

char TVexCustomComPort::PeekChar(DWORD Count) {
    if (ShuttingDown()) return 0;
    char c = 0;
    Check(ValidDispatcher()->PeekChar(c, Count));
    return c;
}

DWORD TVexCustomComPort::GetBlock(void* Block, DWORD Len) {
    if (ShuttingDown()) return 0;
    const int got = Check(ValidDispatcher()->GetBlock(static_cast<char*>(Block), Len));
    return got > 0 ? static_cast<DWORD>(got) : 0;
}

DWORD TVexCustomComPort::PeekBlock(void* Block, DWORD Len) {
    if (ShuttingDown()) return 0;
    const int got = Check(ValidDispatcher()->PeekBlock(static_cast<char*>(Block), Len));
    return got > 0 ? static_cast<DWORD>(got) : 0;
}

bool TVexCustomComPort::CharReady() {
    if (ShuttingDown()) return false;
    return ValidDispatcher()->CharReady();
}

void TVexCustomComPort::FlushInBuffer() {
    if (ShuttingDown()) return;
    Check(ValidDispatcher()->FlushInBuffer());
}

void TVexCustomComPort::FlushOutBuffer() {
    if (ShuttingDown()) return;
    Check(ValidDispatcher()->FlushOutBuffer());
}

int TVexCustomComPort::ProcessCommunications() {
    if (ShuttingDown()) return 0;
    return Check(ValidDispatcher()->ProcessCommunications());
}

WORD TVexCustomComPort::AddDataTrigger(const std::string& Data, bool IgnoreCase) {
    if (ShuttingDown()) return 0;
    return static_cast<WORD>(Check(ValidDispatcher()->AddDataTrigger(Data.c_str(), IgnoreCase)));
}

WORD TVexCustomComPort::AddTimerTrigger() {
    if (ShuttingDown()) return 0;
    return static_cast<WORD>(Check(ValidDispatcher()->AddTimerTrigger()));
}

WORD TVexCustomComPort::AddStatusTrigger(WORD SType) {
    if (ShuttingDown()) return 0;
    return static_cast<WORD>(Check(ValidDispatcher()->AddStatusTrigger(SType)));
}

void TVexCustomComPort::SetTimerTrigger(WORD Handle, int Ticks, bool Activate) {
    if (ShuttingDown()) return;
    Check(ValidDispatcher()->SetTimerTrigger(Handle, Ticks, Activate));
}

void TVexCustomComPort::SetStatusTrigger(WORD Handle, WORD Value, bool Activate) {
    if (ShuttingDown()) return;
    Check(ValidDispatcher()->SetStatusTrigger(Handle, Value, Activate));
}

void TVexCustomComPort::RemoveTrigger(WORD Handle) {
    if (IsOpen()) Check(FDispatcher->RemoveTrigger(Handle));
}

void TVexCustomComPort::RemoveAllTriggers() {
    if (!IsOpen()) return;
    FDispatcher->RemoveAllTriggers();
    FTriggerLength = 0;
}

void TVexCustomComPort::SendBreak(WORD Ticks, bool Yield) {
    if (ShuttingDown()) return;
    ValidDispatcher()->SendBreak(Ticks, Yield);
}

void TVexCustomComPort::SetBreak(bool BreakOn) {
    if (ShuttingDown()) return;
    ValidDispatcher()->SetBreak(BreakOn);
}

// --- Waits --------------------------------------------------------------------------------------

void TVexCustomComPort::PrepareWait() {
    if (ShuttingDown() || FWaitPrepared) return;
    bool wasBusy = false;
    ValidDispatcher()->SetEventBusy(wasBusy, true);
    FWaitPrepared = true;
}

void TVexCustomComPort::ReleaseWaitHold(TVexBaseDispatcher* Disp) {
    bool wasBusy = false;
    Disp->SetEventBusy(wasBusy, false);
}

bool TVexCustomComPort::CheckForString(WORD& Index, char C, const std::string& S, bool IgnoreCase) {
    const TStreamMatch match(S, IgnoreCase);
    std::size_t matched = Index;
    const bool found = match.Feed(matched, C);
    Index = static_cast<WORD>(matched);
    return found;
}

namespace {

// The hold of one string wait on its dispatcher: taken (or taken over from PrepareWait) when the
// wait starts, released however it ends, unless the port or its dispatcher went meanwhile.
class TWaitHold {
public:
    TWaitHold(TVexBaseDispatcher* Held, bool Prepared, std::shared_ptr<bool> PortAliveFlag,
              TVexBaseDispatcher* const& PortDispatcher, const unsigned& PortSerial)
        : Disp(Held), Alive(std::move(PortAliveFlag)), Current(PortDispatcher), CurrentSerial(PortSerial),
          Serial(PortSerial) {
        if (!Prepared) {
            bool wasBusy = false;
            Disp->SetEventBusy(wasBusy, true);
        }
    }
    ~TWaitHold() {
        if (!Exists()) return;
        bool wasBusy = false;
        Disp->SetEventBusy(wasBusy, false);
    }
    TWaitHold(const TWaitHold&) = delete;
    TWaitHold& operator=(const TWaitHold&) = delete;

    bool PortAlive() const { return *Alive; }
    bool Exists() const { return *Alive && Current == Disp && CurrentSerial == Serial; }

private:
    TVexBaseDispatcher* Disp;
    std::shared_ptr<bool> Alive;
    TVexBaseDispatcher* const& Current;
    const unsigned& CurrentSerial;
    unsigned Serial;
};

} // namespace

bool TVexCustomComPort::WaitForString(const std::string& S, int Timeout, bool Yield, bool IgnoreCase) {
    if (S.empty() || ShuttingDown()) {
        if (FWaitPrepared && FDispatcher != nullptr) ReleaseWaitHold(FDispatcher);
        FWaitPrepared = false;
        return true;
    }
    TVexBaseDispatcher* disp = ValidDispatcher();
    const TWaitHold hold(disp, std::exchange(FWaitPrepared, false), FAlive, FDispatcher, FDispatcherSerial);
    const TStreamMatch match(S, IgnoreCase);
    std::size_t matched = 0;
    EventTimer timer;
    NewTimer(timer, Timeout);
    for (;;) {
        bool gotChar = false;
        char c = 0;
        if (disp->CharReady() && disp->GetChar(c) == ecOK) {
            gotChar = true;
            WaitChar(c);
            if (!hold.PortAlive()) return false;
            if (match.Feed(matched, c)) return true;
            if (!hold.Exists() || !IsOpen()) return false;
        }
        if (TimerExpired(timer) || Terminating()) return false;
        if (Yield) {
            YieldToMessages();
            if (!hold.Exists() || !IsOpen()) return false;
        }
        if (!gotChar) IdleWait(Yield);
    }
}

int TVexCustomComPort::WaitForMultiString(const std::string& S, int Timeout, bool Yield, bool IgnoreCase,
                                          char SepChar) {
    if (S.empty() || ShuttingDown()) {
        if (FWaitPrepared && FDispatcher != nullptr) ReleaseWaitHold(FDispatcher);
        FWaitPrepared = false;
        return 0;
    }
    std::vector<TStreamMatch> strings;
    std::size_t start = 0;
    while (start < S.size() && strings.size() < MaxWaitStrings) {
        std::size_t end = S.find(SepChar, start);
        if (end == std::string::npos) end = S.size();
        strings.emplace_back(S.substr(start, end - start), IgnoreCase);
        start = end + 1;
    }
    std::vector<std::size_t> matched(strings.size(), 0);

    TVexBaseDispatcher* disp = ValidDispatcher();
    const TWaitHold hold(disp, std::exchange(FWaitPrepared, false), FAlive, FDispatcher, FDispatcherSerial);
    EventTimer timer;
    NewTimer(timer, Timeout);
    for (;;) {
        bool gotChar = false;
        char c = 0;
        if (disp->CharReady() && disp->GetChar(c) == ecOK) {
            gotChar = true;
            WaitChar(c);
            if (!hold.PortAlive()) return 0;
            for (std::size_t i = 0; i < strings.size(); ++i)
                if (strings[i].Feed(matched[i], c)) return static_cast<int>(i + 1);
            if (!hold.Exists() || !IsOpen()) return 0;
        }
        if (TimerExpired(timer) || Terminating()) return 0;
        if (Yield) {
            YieldToMessages();
            if (!hold.Exists() || !IsOpen()) return 0;
        }
        if (!gotChar) IdleWait(Yield);
    }
}

// --- Published ----------------------------------------------------------------------------------

std::vector<TPropInfo> VexComPortProperties() {
    using namespace published;
    using C = TVexCustomComPort;
    TPropInfo hwFlow = Property<C>(
        "HWFlowOptions", [](const C& c) { return c.HWFlowOptions(); },
        [](C& c, THWFlowOptionSet v) { c.SetHWFlowOptions(v); }, 0);
    hwFlow.Kind = TTypeKind::tkSet; // hwfUseDTR, hwfUseRTS, hwfRequireDSR, hwfRequireCTS as bits 0 to 3
    return {
        Property<C>(
            "DeviceLayer", [](const C& c) { return c.DeviceLayer(); },
            [](C& c, TDeviceLayer v) { c.SetDeviceLayer(v); }, dlWin32),
        Property<C>(
            "ComNumber", [](const C& c) { return c.ComNumber(); }, [](C& c, WORD v) { c.SetComNumber(v); },
            0),
        Property<C>(
            "Baud", [](const C& c) { return c.Baud(); }, [](C& c, int v) { c.SetBaud(v); }, 19200),
        Property<C>(
            "PromptForPort", [](const C& c) { return c.PromptForPort(); },
            [](C& c, bool v) { c.SetPromptForPort(v); }, true),
        Property<C>(
            "Parity", [](const C& c) { return c.Parity(); }, [](C& c, TParity v) { c.SetParity(v); }, pNone),
        Property<C>(
            "DataBits", [](const C& c) { return c.DataBits(); }, [](C& c, WORD v) { c.SetDatabits(v); }, 8),
        Property<C>(
            "StopBits", [](const C& c) { return c.StopBits(); }, [](C& c, WORD v) { c.SetStopbits(v); }, 1),
        Property<C>(
            "InSize", [](const C& c) { return c.InSize(); }, [](C& c, WORD v) { c.SetInSize(v); }, 4096),
        Property<C>(
            "OutSize", [](const C& c) { return c.OutSize(); }, [](C& c, WORD v) { c.SetOutSize(v); }, 4096),
        Property<C>(
            "AutoOpen", [](const C& c) { return c.AutoOpen(); }, [](C& c, bool v) { c.SetAutoOpen(v); },
            true),
        Property<C>(
            "Open", [](const C& c) { return c.Open(); }, [](C& c, bool v) { c.SetOpen(v); }, false),
        Property<C>(
            "DTR", [](const C& c) { return c.DTR(); }, [](C& c, bool v) { c.SetDTR(v); }, true),
        Property<C>(
            "RTS", [](const C& c) { return c.RTS(); }, [](C& c, bool v) { c.SetRTS(v); }, true),
        hwFlow,
        Property<C>(
            "SWFlowOptions", [](const C& c) { return c.SWFlowOptions(); },
            [](C& c, TSWFlowOptions v) { c.SetSWFlowOptions(v); }, swfNone),
        Property<C>(
            "XOnChar", [](const C& c) { return c.XOnChar(); }, [](C& c, char v) { c.SetXonChar(v); }, 17),
        Property<C>(
            "XOffChar", [](const C& c) { return c.XOffChar(); }, [](C& c, char v) { c.SetXoffChar(v); }, 19),
        Property<C>(
            "BufferFull", [](const C& c) { return c.BufferFull(); }, [](C& c, WORD v) { c.SetBufferFull(v); },
            0),
        Property<C>(
            "BufferResume", [](const C& c) { return c.BufferResume(); },
            [](C& c, WORD v) { c.SetBufferResume(v); }, 0),
        Property<C>(
            "Tracing", [](const C& c) { return c.Tracing(); },
            [](C& c, TTraceLogState v) { c.SetTracing(v); }, tlOff),
        Property<C>(
            "TraceSize", [](const C& c) { return c.TraceSize(); }, [](C& c, DWORD v) { c.SetTraceSize(v); },
            10000),
        Property<C>(
            "TraceName", [](const C& c) { return c.TraceName(); },
            [](C& c, const std::string& v) { c.SetTraceName(v); }),
        Property<C>(
            "TraceHex", [](const C& c) { return c.TraceHex(); }, [](C& c, bool v) { c.SetTraceHex(v); },
            true),
        Property<C>(
            "TraceAllHex", [](const C& c) { return c.TraceAllHex(); },
            [](C& c, bool v) { c.SetTraceAllHex(v); }, false),
        Property<C>(
            "Logging", [](const C& c) { return c.Logging(); },
            [](C& c, TTraceLogState v) { c.SetLogging(v); }, tlOff),
        Property<C>(
            "LogSize", [](const C& c) { return c.LogSize(); }, [](C& c, DWORD v) { c.SetLogSize(v); }, 10000),
        Property<C>(
            "LogName", [](const C& c) { return c.LogName(); },
            [](C& c, const std::string& v) { c.SetLogName(v); }),
        Property<C>(
            "LogHex", [](const C& c) { return c.LogHex(); }, [](C& c, bool v) { c.SetLogHex(v); }, true),
        Property<C>(
            "LogAllHex", [](const C& c) { return c.LogAllHex(); }, [](C& c, bool v) { c.SetLogAllHex(v); },
            false),
        Property<C>(
            "UseMSRShadow", [](const C& c) { return c.UseMSRShadow(); },
            [](C& c, bool v) { c.SetUseMSRShadow(v); }, true),
        Property<C>(
            "UseEventWord", [](const C& c) { return c.UseEventWord(); },
            [](C& c, bool v) { c.SetUseEventWord(v); }, true),
        Property<C>(
            "CommNotificationLevel", [](const C& c) { return c.CommNotificationLevel(); },
            [](C& c, WORD v) { c.SetCommNotificationLevel(v); }, 10),
        Property<C>(
            "TapiMode", [](const C& c) { return c.TapiMode(); }, [](C& c, TTapiMode v) { c.SetTapiMode(v); },
            tmAuto),
        Property<C>(
            "RS485Mode", [](const C& c) { return c.RS485Mode(); }, [](C& c, bool v) { c.SetRS485Mode(v); },
            false),
        Field<C>("OnPortOpen", &C::OnPortOpen),
        Field<C>("OnPortClose", &C::OnPortClose),
        Property<C>(
            "OnTrigger", [](const C& c) { return c.OnTrigger(); },
            [](C& c, TTriggerEvent v) { c.SetOnTrigger(v); }),
        Property<C>(
            "OnTriggerAvail", [](const C& c) { return c.OnTriggerAvail(); },
            [](C& c, TTriggerAvailEvent v) { c.SetOnTriggerAvail(v); }),
        Property<C>(
            "OnTriggerData", [](const C& c) { return c.OnTriggerData(); },
            [](C& c, TTriggerDataEvent v) { c.SetOnTriggerData(v); }),
        Property<C>(
            "OnTriggerStatus", [](const C& c) { return c.OnTriggerStatus(); },
            [](C& c, TTriggerStatusEvent v) { c.SetOnTriggerStatus(v); }),
        Property<C>(
            "OnTriggerTimer", [](const C& c) { return c.OnTriggerTimer(); },
            [](C& c, TTriggerTimerEvent v) { c.SetOnTriggerTimer(v); }),
        Property<C>(
            "OnTriggerLineError", [](const C& c) { return c.OnTriggerLineError(); },
            [](C& c, TTriggerLineErrorEvent v) { c.SetOnTriggerLineError(v); }),
        Property<C>(
            "OnTriggerModemStatus", [](const C& c) { return c.OnTriggerModemStatus(); },
            [](C& c, TNotifyEvent v) { c.SetOnTriggerModemStatus(v); }),
        Property<C>(
            "OnTriggerOutbuffFree", [](const C& c) { return c.OnTriggerOutbuffFree(); },
            [](C& c, TNotifyEvent v) { c.SetOnTriggerOutbuffFree(v); }),
        Property<C>(
            "OnTriggerOutbuffUsed", [](const C& c) { return c.OnTriggerOutbuffUsed(); },
            [](C& c, TNotifyEvent v) { c.SetOnTriggerOutbuffUsed(v); }),
        Property<C>(
            "OnTriggerOutSent", [](const C& c) { return c.OnTriggerOutSent(); },
            [](C& c, TNotifyEvent v) { c.SetOnTriggerOutSent(v); }),
    };
}

namespace {

const bool kPublished = [] {
    PublishProperties<TVexComPort, TVexBaseComponent>(VexComPortProperties());
    RegisterClass<TVexComPort>();
    return true;
}();

} // namespace
