#include "communications/VxPacket.h"

#include "communications/VxDispatchLog.h"
#include "communications/VxErrors.h"
#include "communications/VxExcept.h"
#include "communications/VxUser.h"
#include "platform/ui/Forms.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"
#include "platform/win/Thread.h"

#include <algorithm>
#include <exception>
#include <utility>

TVexDataPacketManagerList* PacketManagerList = nullptr;

namespace {

constexpr UINT WM_QUERYENDSESSION = 0x0011;
// How long a close waits for a delivery running on the dispatch thread.
constexpr DWORD HandlerWaitMs = 5000;

char UpCase(char C) {
    return C >= 'a' && C <= 'z' ? static_cast<char>(C - 'a' + 'A') : C;
}

// The pattern and its mask ('1' where any byte matches). A backslash makes the next character a
// literal and is dropped, also when nothing follows it; an unescaped '?' is the wildcard.
void PreparePattern(const std::string& Source, bool IgnoreCase, std::string& Pattern, std::string& Mask) {
    Pattern.clear();
    Mask.clear();
    for (std::size_t i = 0; i < Source.size(); ++i) {
        char c = Source[i];
        bool wild = false;
        if (c == '\\') {
            if (++i == Source.size()) break;
            c = Source[i];
        } else {
            wild = c == '?';
        }
        Pattern += IgnoreCase ? UpCase(c) : c;
        Mask += wild ? '1' : '0';
    }
}

bool OnMainThread() {
    return GetCurrentThreadId() == MainThreadId();
}

// Hands the exception being handled to the application, on the main thread.
void ReportException(TObject* Sender) {
    if (OnMainThread()) {
        Application->HandleException(Sender);
        return;
    }
    const std::exception_ptr error = std::current_exception();
    TThread::Synchronize(nullptr, [&] {
        try {
            std::rethrow_exception(error);
        } catch (...) {
            Application->HandleException(Sender);
        }
    });
}

[[noreturn]] void RaiseProperty(int Code) {
    throw EInvalidProperty(Code);
}

bool Finalized = false;

TVexDataPacketManagerList* List() {
    if (PacketManagerList == nullptr && !Finalized) PacketManagerList = new TVexDataPacketManagerList;
    return PacketManagerList;
}

struct TUnit {
    TUnit() { List(); }
    ~TUnit() {
        Finalized = true;
        delete std::exchange(PacketManagerList, nullptr);
    }
} Unit;

} // namespace

// Tells the collector when its port is gone: free notifications arrive once the port's own
// destructor has finished, so from then on the port calls nobody.
class TVexDataPacketManager::TPortWatch : public TComponent {
public:
    TPortWatch(TVexDataPacketManager* Manager, TComponent* Port) : TComponent(nullptr), FManager(Manager) {
        Port->FreeNotification(this);
    }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        if (Operation == TOperation::opRemove && AComponent == FManager->FPort) FManager->PortGone();
    }

private:
    TVexDataPacketManager* FManager;
};

// --- Collector list -----------------------------------------------------------------------------

TVexDataPacketManagerList::~TVexDataPacketManagerList() {
    const auto managers = std::move(FList);
    for (TVexDataPacketManager* m : managers) {
        m->FPort = nullptr;
        m->FDispatcher = nullptr;
        m->FHandlerRegistered = false;
        m->FHoldsUserCallback = false;
        m->FTimerHandle = 0;
        delete m;
    }
}

void TVexDataPacketManagerList::Insert(TVexDataPacketManager* Value) {
    FList.push_back(Value);
}

void TVexDataPacketManagerList::Remove(TVexDataPacketManager* Value) {
    std::erase(FList, Value);
}

TVexDataPacketManager* TVexDataPacketManagerList::GetPortManager(TVexCustomComPort* Port) const {
    for (TVexDataPacketManager* m : FList)
        if (m->FPort == Port) return m;
    return nullptr;
}

// --- Collector ----------------------------------------------------------------------------------

TVexDataPacketManager::TVexDataPacketManager(TVexCustomComPort* Port) : FPort(Port) {
    if (FPort != nullptr) {
        FPort->RegisterUserCallbackEx(TPortCallbackEx::Bind<&TVexDataPacketManager::PortOpenCloseEx>(this));
        FHoldsUserCallback = true;
        FWatch = std::make_unique<TPortWatch>(this, FPort);
    }
    if (TVexDataPacketManagerList* list = List()) list->Insert(this);
    if (FPort != nullptr && FPort->Open()) {
        const TComponentState state = FPort->ComponentState();
        const bool designing = state.Contains(TComponentStateItem::csDesigning);
        if (!designing && !state.Contains(TComponentStateItem::csLoading)) SetEnabled(true);
        if (!designing && !FEnabled) FEnablePending = true;
    }
    FWindow = CreateMessageWindow("TVexDataPacketManager",
                                  [this](HWND Wnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
                                      return WndProc(Wnd, Msg, wParam, lParam);
                                  });
}

TVexDataPacketManager::~TVexDataPacketManager() {
    FDestroying = true;
    if (PacketManagerList != nullptr) PacketManagerList->Remove(this);
    Unregister();
    RemoveTimer();
    FDispatcher = nullptr;
    if (FHoldsUserCallback && PortUsable())
        FPort->DeregisterUserCallbackEx(TPortCallbackEx::Bind<&TVexDataPacketManager::PortOpenCloseEx>(this));
    for (TVexDataPacket* p : FPackets) {
        p->FManager = nullptr;
        p->FHoldsCapture = false;
    }
    FWatch.reset();
    if (FWindow != 0) DestroyWindow(FWindow);
}

bool TVexDataPacketManager::PortUsable() const {
    // A port whose destruction has begun may already have lost its derived parts.
    return FPort != nullptr && !FPort->ComponentState().Contains(TComponentStateItem::csDestroying);
}

TVexBaseDispatcher* TVexDataPacketManager::Dispatcher() const {
    if (FDispatcher != nullptr) return FDispatcher;
    // The port's state belongs to the main thread.
    if (!OnMainThread() || !PortUsable() || FPort->PortState() == psClosed) return nullptr;
    return FPort->GetDispatcher();
}

void TVexDataPacketManager::Insert(TVexDataPacket* Value) {
    FPackets.push_back(Value);
    Value->FManager = this;
}

void TVexDataPacketManager::Remove(TVexDataPacket* Value) {
    const auto it = std::find(FPackets.begin(), FPackets.end(), Value);
    if (it == FPackets.end()) return;
    if (FCapture == Value) {
        DisarmTimer();
        FCapture = nullptr;
    }
    Value->FHoldsCapture = false;
    FPackets.erase(it);
    Value->FManager = nullptr;
    if (FPackets.empty() && !FDestroying) PostFree();
}

void TVexDataPacketManager::PostFree() {
    if (FInEvent || FCallDepth > 0) {
        FFreePending = true;
        return;
    }
    FFreePending = false;
    if (FWindow != 0) PostMessage(FWindow, PacketManagerFreeMsg, 0, 0);
}

LRESULT TVexDataPacketManager::WndProc(HWND Wnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (Msg == PacketManagerFreeMsg) {
        // A packet may have joined since the message was posted.
        if (!FPackets.empty() || FDestroying) return 0;
        if (FDeliveries > 0 && FDeliveryThread != GetCurrentThreadId() && FSyncedHandlers == 0) {
            // A delivery running on the dispatch thread ends shortly.
            PostMessage(FWindow, PacketManagerFreeMsg, 0, 0);
            return 0;
        }
        // Otherwise a delivery or call below us on this stack (or blocked on it) sees the mark.
        if (FInEvent || FCallDepth > 0 || FDeliveries > 0) {
            FFreePending = true;
            return 0;
        }
        // A port being destroyed may still call us; its watch posts again once it is gone.
        if (FPort != nullptr && !PortUsable()) return 0;
        delete this;
        return 0;
    }
    if (Msg == WM_QUERYENDSESSION) return 1;
    return DefWindowProc(Wnd, Msg, wParam, lParam);
}

void TVexDataPacketManager::PortGone() {
    FPort = nullptr;
    FHoldsUserCallback = false;
    FHandlerRegistered = false;
    FDispatcher = nullptr;
    FTimerHandle = 0;
    FEnabled = false;
    if (PacketManagerList != nullptr) PacketManagerList->Remove(this);
    if (FPackets.empty() && !FDestroying) PostFree();
}

void TVexDataPacketManager::SetEnabled(bool Value) {
    if (Value) {
        Enable();
        FEnabled = true;
    } else if (FEnabled || FHandlerRegistered) {
        Disable();
        FEnabled = false;
    }
}

void TVexDataPacketManager::Enable() {
    if (FHandlerRegistered) return;
    TVexBaseDispatcher* disp = Dispatcher();
    if (disp == nullptr) return;
    FDispatcher = disp;
    AddTimer();
    Register();
}

void TVexDataPacketManager::Register() {
    FDispatcher->RegisterEventTriggerHandler(
        TVexNotifyEvent::Bind<&TVexDataPacketManager::PacketTriggerHandler>(this));
    FHandlerRegistered = true;
}

void TVexDataPacketManager::Unregister() {
    if (FHandlerRegistered && FDispatcher != nullptr)
        FDispatcher->DeregisterEventTriggerHandler(
            TVexNotifyEvent::Bind<&TVexDataPacketManager::PacketTriggerHandler>(this));
    FHandlerRegistered = false;
}

void TVexDataPacketManager::AddTimer() {
    if (FTimerHandle != 0 || FDispatcher == nullptr) return;
    const int handle = FDispatcher->AddTimerTrigger();
    if (handle > 0) FTimerHandle = static_cast<DWORD>(handle);
}

void TVexDataPacketManager::RemoveTimer() {
    if (FTimerHandle != 0 && FDispatcher != nullptr) FDispatcher->RemoveTrigger(FTimerHandle);
    FTimerHandle = 0;
}

void TVexDataPacketManager::ArmTimer(int Ticks) {
    TVexBaseDispatcher* disp = Dispatcher();
    if (disp == nullptr) return;
    // The port's RemoveAllTriggers may have taken our timer; a new one keeps the time-outs going.
    if (FTimerHandle != 0 && disp->SetTimerTrigger(FTimerHandle, Ticks, true) == ecOK) return;
    FTimerHandle = 0;
    if (!FHandlerRegistered) return;
    const int handle = disp->AddTimerTrigger();
    if (handle <= 0) return;
    FTimerHandle = static_cast<DWORD>(handle);
    disp->SetTimerTrigger(FTimerHandle, Ticks, true);
}

void TVexDataPacketManager::DisarmTimer() {
    if (FTimerHandle == 0) return;
    TVexBaseDispatcher* disp = Dispatcher();
    if (disp != nullptr && disp->SetTimerTrigger(FTimerHandle, 0, false) != ecOK) FTimerHandle = 0;
}

void TVexDataPacketManager::Disable() {
    Unregister();
    RemoveTimer();
    FDispatcher = nullptr;
    FIntake.clear();
    FDataPending = false;
    DisposeBuffer();
}

void TVexDataPacketManager::EnableIfPending() {
    if (!FEnablePending) return;
    FEnablePending = false;
    SetEnabled(true);
}

void TVexDataPacketManager::EnablePackets() {
    for (std::size_t i = 0; i < FPackets.size(); ++i)
        if (FPackets[i]->FEnabled) FPackets[i]->Rearm();
    if (FCallDepth == 0) ReportArmingErrors();
}

void TVexDataPacketManager::ArmingFailed(TVexDataPacket* Packet) {
    FArmingErrors.push_back({Packet->FAlive, Packet, std::current_exception()});
}

void TVexDataPacketManager::ReportArmingErrors() {
    const std::vector<TArmingError> errors = std::move(FArmingErrors);
    FArmingErrors.clear();
    for (const TArmingError& e : errors) {
        try {
            std::rethrow_exception(e.Error);
        } catch (...) {
            ReportException(*e.Alive ? e.Packet : nullptr);
        }
    }
}

void TVexDataPacketManager::DisablePackets() {
    for (std::size_t i = 0; i < FPackets.size(); ++i) FPackets[i]->Disable();
}

void TVexDataPacketManager::WaitForHandler() {
    if (FDeliveries == 0 || FDeliveryThread == GetCurrentThreadId()) return;
    // A handler of ours running here for the dispatch thread: that thread waits for us.
    if (FSyncedHandlers > 0 && OnMainThread()) return;
    const std::uint64_t deadline = MonotonicMs() + HandlerWaitMs;
    while (FDeliveries > 0 && MonotonicMs() < deadline) CheckSynchronize(1);
}

void TVexDataPacketManager::PortOpenCloseEx(TObject*, TVexCallbackType CallbackType) {
    TCallScope scope(this);
    if (CallbackType == ctOpen) {
        if (FHandlerRegistered) return;
        TVexBaseDispatcher* disp = Dispatcher();
        if (disp == nullptr) return;
        // Armed before the handler is registered: a serial port's dispatch thread may deliver as
        // soon as it is.
        FDispatcher = disp;
        FEnabled = true;
        AddTimer();
        EnablePackets();
        Register();
        return;
    }
    // Deregistered first, and a delivery in progress on the dispatch thread waited out, so no
    // two threads work on the packets at once.
    Unregister();
    WaitForHandler();
    DisablePackets();
    SetEnabled(false);
}

TVexDataPacketManager::TCallScope::TCallScope(TVexDataPacketManager* Manager) : M(Manager) {
    ++M->FCallDepth;
}

TVexDataPacketManager::TCallScope::~TCallScope() {
    if (M->FCallDepth == 1 && !M->FArmingErrors.empty()) {
        try {
            M->ReportArmingErrors();
        } catch (...) {
            // The application's handler itself failed; nothing is left to tell.
        }
    }
    if (--M->FCallDepth == 0 && M->FFreePending && !M->FInEvent) M->PostFree();
}

void TVexDataPacketManager::Append(const char* Data, std::size_t Count) {
    // Grown geometrically by the vector: a packet waiting for its end may hold megabytes, and a
    // fixed step would copy them all every few kilobytes.
    FBuffer.insert(FBuffer.end(), Data, Data + Count);
}

void TVexDataPacketManager::PacketTriggerHandler(UINT Msg, UINT wParam, int) {
    if (FDeliveries++ == 0) FDeliveryThread = GetCurrentThreadId();
    struct TDeliveryEnd {
        TVexDataPacketManager* M;
        ~TDeliveryEnd() {
            if (M->FDeliveries == 1) M->FDeliveryThread = 0;
            --M->FDeliveries;
        }
    } deliveryEnd{this};
    // A close that has deregistered us waits only for deliveries it can see.
    if (!FHandlerRegistered) return;
    TCallScope scope(this);
    try {
        if (Msg == TriggerAvailMsg) {
            TVexBaseDispatcher* disp = FDispatcher;
            if (disp == nullptr || wParam == 0) return;
            // Never more than the ring holds for us, whatever the count says.
            const DWORD count = std::min<DWORD>(wParam, disp->InBuffUsed());
            if (count == 0) return;
            std::vector<char>& into = FInEvent ? FIntake : FBuffer;
            const std::size_t old = into.size();
            into.resize(old + count);
            if (disp->GetBlock(into.data() + old, count) != static_cast<int>(count)) {
                into.resize(old);
                return;
            }
            // Taken in when the event ends, and offered from there.
            if (FInEvent) return;
            NotifyData(static_cast<int>(old));
        } else if (Msg == TriggerTimerMsg && wParam == FTimerHandle && FTimerHandle != 0 &&
                   FCapture != nullptr && !FInEvent) {
            FCapture->TimedOut();
        }
    } catch (...) {
        ReportException(PortUsable() ? FPort : nullptr);
    }
}

void TVexDataPacketManager::NotifyData(int Start) {
    if (FInEvent) {
        if (!FDataPending || Start < FPendingStart) FPendingStart = Start;
        FDataPending = true;
        return;
    }
    if (FBuffer.empty()) return;
    const unsigned offer = ++FOfferCount;
    if (FCapture != nullptr) {
        FCapture->ProcessData(Start);
        return;
    }
    const std::uint64_t removedBefore = FRemovedTotal;
    for (std::size_t i = 0; i < FPackets.size();) {
        // A delivery in this pass moved the bytes forward.
        const std::uint64_t removed = FRemovedTotal - removedBefore;
        const int from =
            removed >= static_cast<std::uint64_t>(std::max(Start, 0)) ? 0 : Start - static_cast<int>(removed);
        TVexDataPacket* const p = FPackets[i];
        p->ProcessData(from);
        if (offer != FOfferCount) return; // a nested pass has offered the rest
        if (FCapture != nullptr) return;
        if (FBuffer.empty()) return;
        // A packet that left during its event has made room for the next one.
        if (i < FPackets.size() && FPackets[i] == p) ++i;
    }
    for (TVexDataPacket* p : FPackets)
        if (p->FEnabled && p->FMode != dpIdle && p->FStartIndex != -1) return;
    DisposeBuffer();
}

void TVexDataPacketManager::RemoveData(int Start, int Size) {
    long long end = static_cast<long long>(Start) + Size;
    end = std::min<long long>(end, static_cast<long long>(FBuffer.size()));
    if (end <= 0) return;
    FBuffer.erase(FBuffer.begin(), FBuffer.begin() + static_cast<std::ptrdiff_t>(end));
    FRemovedTotal += static_cast<std::uint64_t>(end);
    if (FDataPending) FPendingStart = std::max(0, FPendingStart - static_cast<int>(end));
    if (FBuffer.empty()) DisposeBuffer();
    for (std::size_t i = 0; i < FPackets.size(); ++i) FPackets[i]->NotifyRemove(static_cast<int>(end));
}

void TVexDataPacketManager::SetCapture(TVexDataPacket* Packet, int Ticks) {
    FCapture = Packet;
    if (Ticks != 0) ArmTimer(Ticks);
    Packet->FHoldsCapture = true;
    for (std::size_t i = 0; i < FPackets.size(); ++i)
        if (FPackets[i] != Packet) FPackets[i]->CancelMatch();
    if (FCallDepth == 0) ReportArmingErrors();
}

void TVexDataPacketManager::ReleaseCapture(TVexDataPacket* Packet) {
    DisarmTimer();
    FCapture = nullptr;
    Packet->FHoldsCapture = false;
    NotifyData(0);
}

void TVexDataPacketManager::SetInEvent(bool Value) {
    if (Value == FInEvent) return;
    FInEvent = Value;
    if (Value) {
        for (std::size_t i = 0; i < FPackets.size(); ++i)
            if (FPackets[i]->FEnabled) FPackets[i]->Disable();
        return;
    }
    if (FDisposePending && FHandlerDepth == 0) {
        FDisposePending = false;
        FIntake.clear();
        FDataPending = false;
        DisposeBuffer();
    }
    if (!FIntake.empty()) {
        const int old = static_cast<int>(FBuffer.size());
        Append(FIntake.data(), FIntake.size());
        std::vector<char>().swap(FIntake);
        if (!FDataPending || old < FPendingStart) FPendingStart = old;
        FDataPending = true;
    }
    // Settings changed during the event are checked now.
    EnablePackets();
    if (FDataPending) {
        FDataPending = false;
        if (!FBuffer.empty()) NotifyData(FPendingStart);
    }
    if (FFreePending && FCallDepth == 0) PostFree();
}

void TVexDataPacketManager::DisposeBuffer() {
    // The bytes of the packet being delivered stay where its handler sees them.
    if (FHandlerDepth > 0) {
        FDisposePending = true;
        return;
    }
    std::vector<char>().swap(FBuffer);
}

// --- Packet -------------------------------------------------------------------------------------

TVexDataPacket::TVexDataPacket(TComponent* AOwner) : TVexBaseComponent(AOwner) {
    if (Designing()) {
        FEnabled = true;
        if (AOwner != nullptr) SetComPort(SearchComPort(AOwner));
    }
}

TVexDataPacket::~TVexDataPacket() {
    SetComPort(nullptr);
    *FAlive = false;
}

bool TVexDataPacket::Designing() const {
    return ComponentState().Contains(TComponentStateItem::csDesigning);
}

bool TVexDataPacket::Loading() const {
    return ComponentState().Contains(TComponentStateItem::csLoading);
}

void TVexDataPacket::SetEnabled(bool Value) {
    if (Value == FEnabled) return;
    if (Value)
        Enable();
    else
        Disable();
    FEnabled = Value;
}

void TVexDataPacket::SetEndCond(TPacketEndSet Value) {
    const bool wasEnabled = FEnabled;
    Disable();
    FEndCond = Value;
    if (wasEnabled) Enable();
}

void TVexDataPacket::SetEndString(const std::string& Value) {
    const bool wasEnabled = FEnabled;
    Disable();
    FEndString = Value;
    if (wasEnabled) Enable();
}

void TVexDataPacket::SetComPort(TVexCustomComPort* Value) {
    if (Value == FComPort) return;
    if (FManager != nullptr) {
        // The old collector must not keep a capture for a packet it no longer offers bytes to.
        Disable();
        if (FManager != nullptr) FManager->Remove(this);
    }
    if (FComPort != nullptr) FComPort->RemoveFreeNotification(this);
    FComPort = Value;
    if (Value == nullptr) return;
    TVexDataPacketManagerList* list = List();
    if (list == nullptr) return;
    TVexDataPacketManager* manager = list->GetPortManager(Value);
    if (manager == nullptr) manager = new TVexDataPacketManager(Value);
    manager->Insert(this);
    Value->FreeNotification(this);
    // An enabled packet matches on its new port, as it did on the old one.
    if (FEnabled) Enable();
}

void TVexDataPacket::Loaded() {
    TVexBaseComponent::Loaded();
    if (FManager != nullptr) FManager->EnableIfPending();
    if (FEnablePending) {
        FEnablePending = false;
        Enable();
    }
}

void TVexDataPacket::Notification(TComponent* AComponent, TOperation Operation) {
    TVexBaseComponent::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove) {
        if (AComponent == FComPort) SetComPort(nullptr);
    } else if (FComPort == nullptr) {
        if (auto* port = dynamic_cast<TVexCustomComPort*>(AComponent)) SetComPort(port);
    }
}

void TVexDataPacket::Enable() {
    if (Designing()) return;
    if (Loading()) {
        FEnablePending = true;
        return;
    }
    if (FManager != nullptr && FManager->FEnabled) {
        if (FManager->FInEvent) {
            FEnablePending = true;
            return;
        }
        FEnablePending = false;
        LogPacketEvent(dstEnable, nullptr, 0);
        // Everything is checked and prepared before the mode changes: leaving dpCollecting offers
        // the buffer again, and this packet must not meet it half armed.
        std::string startPattern, startMask, endPattern, endMask;
        if (FStartCond == scString) {
            LogPacketEvent(dstStartStr, FStartString.data(), static_cast<int>(FStartString.size()));
            if (FStartString.empty()) RaiseProperty(ecStartStringEmpty);
            if (FEndCond.Contains(ecPacketSize) && static_cast<int>(FStartString.size()) > FPacketSize)
                RaiseProperty(ecPacketSmallerThanStart);
            PreparePattern(FStartString, FIgnoreCase, startPattern, startMask);
            // "\" alone prepares to nothing, which no byte could ever match.
            if (startPattern.empty()) RaiseProperty(ecStartStringEmpty);
        } else if (FEndCond.Empty()) {
            RaiseProperty(ecNoEndCondition);
        }
        if (FEndCond.Contains(ecString)) {
            if (FEndString.empty()) RaiseProperty(ecEndStringEmpty);
            LogPacketEvent(dstEndStr, FEndString.data(), static_cast<int>(FEndString.size()));
            PreparePattern(FEndString, FIgnoreCase, endPattern, endMask);
            if (endPattern.empty()) RaiseProperty(ecEndStringEmpty);
        }
        if (FEndCond.Contains(ecPacketSize) && FPacketSize <= 0) RaiseProperty(ecPacketSizeZero);

        FArmedIgnoreCase = FIgnoreCase;
        FStartPattern = std::move(startPattern);
        FStartMask = std::move(startMask);
        FEndPattern = std::move(endPattern);
        FEndMask = std::move(endMask);
        ResetMatch();
        if (FStartCond == scString) {
            SetMode(dpWaitStart);
        } else if (FManager != nullptr) {
            if (FManager->FCapture == nullptr || FManager->FCapture == this)
                SetMode(dpCollecting);
            else
                FStartPending = true;
        }
        return;
    }
    ResetMatch();
}

void TVexDataPacket::ResetMatch() {
    FEffectiveSize = FPacketSize;
    FStartMatchPos = 1;
    FStartIndex = -1;
    FEndMatchPos = 1;
    FEndMatchBase = -1;
}

void TVexDataPacket::Disable() {
    if (!FEnablePending && !FStartPending && FMode == dpIdle) return;
    FEnablePending = false;
    FStartPending = false;
    if (FManager != nullptr) {
        SetMode(dpIdle);
        LogPacketEvent(dstDisable, nullptr, 0);
    }
}

void TVexDataPacket::CancelMatch() {
    if (!FEnabled || FManager == nullptr) return;
    Disable();
    Rearm();
}

void TVexDataPacket::Rearm() {
    try {
        Enable();
    } catch (...) {
        Disable();
        FEnabled = false;
        if (FManager != nullptr) FManager->ArmingFailed(this);
    }
}

void TVexDataPacket::SetMode(TPacketMode Value) {
    if (Value == FMode) return;
    const TPacketMode old = FMode;
    // Stored first: releasing the capture offers the buffer again, this packet included.
    FMode = Value;
    if (Value == dpCollecting) {
        if (FManager != nullptr) FManager->SetCapture(this, FTimeOut);
    } else if (old == dpCollecting && FHoldsCapture && FManager != nullptr) {
        FManager->ReleaseCapture(this);
    }
    static constexpr TDispatchSubType names[] = {dstIdle, dstWaiting, dstCollecting};
    LogPacketEvent(names[FMode], nullptr, 0);
}

bool TVexDataPacket::Matches(char C, const std::string& Pattern, const std::string& Mask, int Pos) const {
    if (Pos < 1 || Pos > static_cast<int>(Pattern.size())) return false;
    const std::size_t i = static_cast<std::size_t>(Pos - 1);
    if (Mask[i] == '1') return true;
    return (FArmedIgnoreCase ? UpCase(C) : C) == Pattern[i];
}

bool TVexDataPacket::ProcessData(int Start) {
    if (!FEnabled || FManager == nullptr) return true;
    TVexDataPacketManager* const manager = FManager;
    const unsigned offer = manager->FOfferCount;
    const std::vector<char>& buffer = manager->FBuffer;
    int pos = std::max(Start, 0);
    while (FManager == manager && pos < static_cast<int>(buffer.size())) {
        const char c = buffer[static_cast<std::size_t>(pos)];
        switch (FMode) {
        case dpIdle:
            if (!FStartPending) return true;
            FStartPending = false;
            SetMode(dpCollecting);
            break;
        case dpWaitStart:
            if (Matches(c, FStartPattern, FStartMask, FStartMatchPos)) {
                if (FStartIndex == -1) FStartIndex = pos;
                if (FStartMatchPos >= static_cast<int>(FStartPattern.size())) {
                    const int length = static_cast<int>(FStartPattern.size());
                    // No end condition, or a size that the start string already fills: the
                    // packet ends here (not one byte later).
                    if (FEndCond.Empty() || (FEndCond.Contains(ecPacketSize) && length >= FEffectiveSize)) {
                        FCollectedSize = length;
                        if (!Packet(ecPacketSize)) return false;
                        // Matching resumes at the front, unless a nested pass has already
                        // offered what is left.
                        if (FManager != manager || manager->FOfferCount != offer) return true;
                        pos = 0;
                        break;
                    }
                    SetMode(dpCollecting);
                } else {
                    ++FStartMatchPos;
                }
                ++pos;
            } else if (FStartIndex != -1) {
                pos = FStartIndex + 1;
                FStartIndex = -1;
                FStartMatchPos = 1;
            } else {
                ++pos;
            }
            break;
        case dpCollecting:
            if (FStartIndex == -1) FStartIndex = pos;
            if (FEndCond.Contains(ecPacketSize) && pos - FStartIndex + 1 >= FEffectiveSize) {
                FCollectedSize = pos - FStartIndex + 1;
                return Packet(ecPacketSize);
            }
            if (!FEndCond.Contains(ecString)) {
                ++pos;
            } else if (Matches(c, FEndPattern, FEndMask, FEndMatchPos)) {
                if (FEndMatchBase == -1) FEndMatchBase = pos;
                if (FEndMatchPos >= static_cast<int>(FEndPattern.size())) {
                    FCollectedSize = pos - FStartIndex + 1;
                    return Packet(ecString);
                }
                ++FEndMatchPos;
                ++pos;
            } else if (FEndMatchBase != -1) {
                // The next alignment, over the bytes already compared.
                pos = FEndMatchBase + 1;
                FEndMatchBase = -1;
                FEndMatchPos = 1;
            } else {
                ++pos;
            }
            break;
        }
    }
    return true;
}

bool TVexDataPacket::Packet(TPacketEndCond EndBy) {
    TVexDataPacketManager* const manager = FManager;
    const std::shared_ptr<bool> alive = FAlive;
    manager->SetInEvent(true);
    SetEnabled(false);

    const std::vector<char>& buffer = manager->FBuffer;
    const int n = FCollectedSize;
    const int start = std::clamp(FStartIndex, 0, static_cast<int>(buffer.size()));
    int offset = start;
    int size = n;
    if (FStartCond == scString && !FIncludeStrings) {
        offset += static_cast<int>(FStartPattern.size());
        size -= static_cast<int>(FStartPattern.size());
    }
    if (!FIncludeStrings && EndBy == ecString) size -= static_cast<int>(FEndPattern.size());
    offset = std::min(offset, static_cast<int>(buffer.size()));
    size = std::clamp(size, 0, static_cast<int>(buffer.size()) - offset);
    const char* data = buffer.data() + offset;

    LogPacketEvent(dstStringPacket, nullptr, 0);
    LogPacketEvent(EndBy == ecString ? dstStringPacket : dstSizePacket, data, size);
    FDataPointer = data;
    FDataSize = size;
    if (FWaiting) FWaitCopy.assign(data, static_cast<std::size_t>(size));
    FDelivered = true;
    RunEvent(manager, &TVexDataPacket::DoPacket);

    const bool survived = *alive;
    manager->RemoveData(start, n);
    if (survived) {
        KeepWaitCopy();
        if (FAutoEnable) SetEnabled(true);
    }
    manager->SetInEvent(false);
    return survived;
}

void TVexDataPacket::TimedOut() {
    TVexDataPacketManager* const manager = FManager;
    const std::shared_ptr<bool> alive = FAlive;
    manager->SetInEvent(true);
    LogPacketEvent(dstPacketTimeout, nullptr, 0);
    SetEnabled(false);
    FTimedOut = true;

    // What came after the start string; nothing when not a byte has come.
    const std::vector<char>& buffer = manager->FBuffer;
    const int length = static_cast<int>(buffer.size());
    const int startLength = FStartCond == scString ? static_cast<int>(FStartPattern.size()) : 0;
    const int from = FStartIndex < 0 ? length : std::min(FStartIndex + startLength, length);
    FDataPointer = buffer.data() + from;
    FDataSize = length - from;
    if (FWaiting) FWaitCopy.assign(FDataPointer, static_cast<std::size_t>(FDataSize));
    bool flush = FFlushOnTimeout;
    RunEvent(manager, &TVexDataPacket::DoTimeout);

    const bool survived = *alive;
    if (survived) {
        flush = FFlushOnTimeout;
        KeepWaitCopy();
    }
    if (flush) manager->RemoveData(0, static_cast<int>(buffer.size()));
    manager->SetInEvent(false);
}

void TVexDataPacket::KeepWaitCopy() {
    // The delivered bytes leave the collector now; a waiter keeps its copy.
    FDataPointer = FWaiting ? FWaitCopy.data() : nullptr;
    FDataSize = FWaiting ? static_cast<int>(FWaitCopy.size()) : 0;
}

void TVexDataPacket::RunEvent(TVexDataPacketManager* Manager, void (TVexDataPacket::*Handler)()) {
    ++Manager->FHandlerDepth;
    auto run = [this, Handler] {
        const std::shared_ptr<bool> alive = FAlive;
        try {
            (this->*Handler)();
        } catch (...) {
            Application->HandleException(*alive ? this : nullptr);
        }
    };
    if (FSyncEvents && !OnMainThread()) {
        TThread::Synchronize(nullptr, [&] {
            ++Manager->FSyncedHandlers;
            run();
            --Manager->FSyncedHandlers;
        });
    } else {
        run();
    }
    --Manager->FHandlerDepth;
}

void TVexDataPacket::DoPacket() {
    const std::shared_ptr<bool> alive = FAlive;
    void* const data = const_cast<char*>(FDataPointer);
    const int size = FDataSize;
    if (OnPacket) OnPacket(this, data, size);
    if (!*alive || !OnStringPacket) return;
    OnStringPacket(this, std::string(static_cast<const char*>(data), static_cast<std::size_t>(size)));
}

void TVexDataPacket::DoTimeout() {
    if (OnTimeout) OnTimeout(this);
}

void TVexDataPacket::NotifyRemove(int Removed) {
    if (!FEnabled || FStartIndex == -1 || FMode == dpIdle) return;
    if (FStartIndex < Removed)
        Rearm();
    else
        Resync(Removed);
}

void TVexDataPacket::Resync(int Removed) {
    // The matched bytes are unchanged, only earlier by what was removed.
    FStartIndex -= Removed;
    if (FEndMatchBase != -1) FEndMatchBase -= Removed;
}

void TVexDataPacket::LogPacketEvent(BYTE SubType, const void* Data, int Size) {
    if (FManager == nullptr) return;
    TVexBaseDispatcher* disp = FManager->Dispatcher();
    if (disp == nullptr) return;
    const auto subType = static_cast<TDispatchSubType>(SubType);
    if (Data != nullptr) {
        disp->AddDispatchEntry(dtPacket, subType, static_cast<DWORD>(Size), Data, 0);
    } else {
        const std::string text = "Packet:" + Name();
        disp->AddDispatchEntry(dtPacket, subType, static_cast<DWORD>(text.size()), text.data(), 0);
    }
}

void TVexDataPacket::GetCollectedString(std::string& Data) const {
    if (FDataPointer == nullptr)
        Data.clear();
    else
        Data.assign(FDataPointer, static_cast<std::size_t>(FDataSize));
}

void TVexDataPacket::GetCollectedData(void*& Data, int& Size) const {
    Data = const_cast<char*>(FDataPointer);
    Size = FDataPointer == nullptr ? 0 : FDataSize;
}

int TVexDataPacket::Wait() {
    FAutoEnable = false;
    FDelivered = false;
    FTimedOut = false;
    FWaitCopy.clear();
    FWaiting = true;
    const std::shared_ptr<bool> alive = FAlive;
    try {
        SetEnabled(true);
    } catch (...) {
        FWaiting = false;
        throw;
    }
    while (!FDelivered && !FTimedOut) {
        const std::int32_t r = SafeYield();
        if (!*alive) return -1;
        if ((r & 0xFFFF) == static_cast<std::int32_t>(WM_QUIT)) break;
        if (r == 0) WaitMessageTimeout(1);
    }
    FWaiting = false;
    return FDelivered ? 1 : 0;
}

bool TVexDataPacket::WaitForString(std::string& Data) {
    if (Wait() != 1) return false;
    Data = FWaitCopy;
    return true;
}

bool TVexDataPacket::WaitForPacket(void*& Data, int& Size) {
    if (Wait() != 1) return false;
    Data = FWaitCopy.data();
    Size = static_cast<int>(FWaitCopy.size());
    return true;
}
