#include "communications/VxPacket.h"

#include "communications/VxDispatchLog.h"
#include "communications/VxErrors.h"
#include "communications/VxExcept.h"
#include "communications/VxUser.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TypInfo.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"
#include "platform/win/Thread.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <utility>

TVexDataPacketManagerList* PacketManagerList = nullptr;

namespace {

// How long a close waits for a delivery running on the dispatch thread.
constexpr DWORD HandlerWaitMs = 5000;
// The collector keeps this much room once emptied; a long packet's room goes back.
constexpr std::size_t KeptRoom = 1 << 20;
constexpr std::size_t FirstRoom = 16 * 1024;

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

// A prepared pattern remembers the string and case it came from.
std::string SourceKey(const std::string& Source, bool IgnoreCase) {
    return Source + (IgnoreCase ? '1' : '0');
}

bool SameSource(const std::string& Key, const std::string& Source, bool IgnoreCase) {
    return Key.size() == Source.size() + 1 && Key.back() == (IgnoreCase ? '1' : '0') &&
           Key.compare(0, Source.size(), Source) == 0;
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

// --- Buffer and pattern ----------------------------------------------------------------------------

TPacketBuffer::~TPacketBuffer() {
    std::free(FMem);
}

char* TPacketBuffer::Extend(std::size_t Count) {
    if (FHead + FSize + Count > FCapacity) {
        // Moving the bytes to the front costs no more than the consumed bytes cost to collect.
        if (FHead > 0 && (FHead >= FSize || FSize + Count > FCapacity)) {
            std::memmove(FMem, FMem + FHead, FSize);
            FHead = 0;
        }
        if (FSize + Count > FCapacity) {
            const std::size_t room = std::max({FCapacity * 2, FSize + Count, FirstRoom});
            char* mem = static_cast<char*>(std::realloc(FMem, room));
            if (mem == nullptr) throw std::bad_alloc();
            FMem = mem;
            FCapacity = room;
        }
    }
    char* const at = FMem + FHead + FSize;
    FSize += Count;
    return at;
}

void TPacketBuffer::Truncate(std::size_t Count) {
    FSize -= std::min(Count, FSize);
}

void TPacketBuffer::Append(const char* Bytes, std::size_t Count) {
    if (Count > 0) std::memcpy(Extend(Count), Bytes, Count);
}

void TPacketBuffer::Consume(std::size_t Count) {
    Count = std::min(Count, FSize);
    FHead += Count;
    FSize -= Count;
    if (FSize == 0) FHead = 0;
}

void TPacketBuffer::Clear() {
    FHead = 0;
    FSize = 0;
}

void TPacketBuffer::Release() {
    std::free(std::exchange(FMem, nullptr));
    FHead = 0;
    FSize = 0;
    FCapacity = 0;
}

void TPacketPattern::Prepare(const std::string& Pattern, const std::string& Mask, bool IgnoreCase) {
    FLength = static_cast<int>(Pattern.size());
    FWords = std::max<std::size_t>(1, (Pattern.size() + 63) / 64);
    FTable.assign(256 * FWords, 0);
    for (std::size_t j = 0; j < Pattern.size(); ++j) {
        const std::uint64_t bit = std::uint64_t{1} << (j % 64);
        const std::size_t word = j / 64;
        if (Mask[j] == '1') {
            for (std::size_t c = 0; c < 256; ++c) FTable[c * FWords + word] |= bit;
            continue;
        }
        const auto c = static_cast<unsigned char>(Pattern[j]);
        FTable[c * FWords + word] |= bit;
        // The pattern is upper case already; the bytes are compared upper-cased.
        if (IgnoreCase && c >= 'A' && c <= 'Z') FTable[(c - 'A' + 'a') * FWords + word] |= bit;
    }
    FFirstCount = 0;
    int firsts = 0;
    for (std::size_t c = 0; c < 256; ++c) {
        if ((FTable[c * FWords] & 1) == 0) continue;
        if (firsts < 2) FFirst[firsts] = static_cast<unsigned char>(c);
        ++firsts;
    }
    if (firsts <= 2) FFirstCount = firsts;
    FState.assign(FWords, 0);
}

void TPacketPattern::Reset() {
    std::fill(FState.begin(), FState.end(), 0);
}

bool TPacketPattern::Pending() const {
    for (const std::uint64_t w : FState)
        if (w != 0) return true;
    return false;
}

int TPacketPattern::PendingLength() const {
    for (std::size_t w = FState.size(); w-- > 0;)
        if (FState[w] != 0) return static_cast<int>(w * 64) + std::bit_width(FState[w]);
    return 0;
}

int TPacketPattern::Skip(const char* Data, int From, int To) const {
    const char* const from = Data + From;
    const auto n = static_cast<std::size_t>(To - From);
    const void* a = std::memchr(from, FFirst[0], n);
    if (FFirstCount == 2) {
        const std::size_t upTo = a != nullptr ? static_cast<std::size_t>(static_cast<const char*>(a) - from) : n;
        if (const void* b = std::memchr(from, FFirst[1], upTo)) a = b;
    }
    return a != nullptr ? static_cast<int>(static_cast<const char*>(a) - Data) : To;
}

int TPacketPattern::Find(const char* Data, int From, int To) {
    if (FLength == 0 || From >= To) return -1;
    const std::uint64_t* const table = FTable.data();
    const bool skips = FFirstCount != 0;
    int i = From;
    if (FWords == 1) {
        std::uint64_t state = FState[0];
        const std::uint64_t done = std::uint64_t{1} << (FLength - 1);
        while (i < To) {
            if (state == 0 && skips) {
                i = Skip(Data, i, To);
                if (i >= To) break;
            }
            state = ((state << 1) | 1) & table[static_cast<unsigned char>(Data[i])];
            if ((state & done) != 0) {
                FState[0] = state;
                return i;
            }
            ++i;
        }
        FState[0] = state;
        return -1;
    }
    const std::size_t last = static_cast<std::size_t>(FLength - 1) / 64;
    const std::uint64_t done = std::uint64_t{1} << ((FLength - 1) % 64);
    for (; i < To; ++i) {
        if (skips && !Pending()) {
            i = Skip(Data, i, To);
            if (i >= To) break;
        }
        const std::uint64_t* const row = table + static_cast<unsigned char>(Data[i]) * FWords;
        std::uint64_t carry = 1;
        for (std::size_t w = 0; w < FWords; ++w) {
            const std::uint64_t next = (FState[w] << 1) | carry;
            carry = FState[w] >> 63;
            FState[w] = next & row[w];
        }
        if ((FState[last] & done) != 0) return i;
    }
    return -1;
}

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
    FIntake.Release();
    FDataPending = false;
    DisposeBuffer();
    if (!FDisposePending) FBuffer.Release();
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
    FClosing = true;
    DisablePackets();
    FClosing = false;
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
            TPacketBuffer& into = FInEvent ? FIntake : FBuffer;
            const int old = into.Size();
            if (disp->GetBlock(into.Extend(count), count) != static_cast<int>(count)) {
                into.Truncate(count);
                return;
            }
            // Taken in when the event ends, and offered from there.
            if (FInEvent) return;
            NotifyData(old);
        } else if (Msg == TriggerTimerMsg && wParam == FTimerHandle && FTimerHandle != 0 &&
                   FCapture != nullptr && !FInEvent) {
            FCapture->TimedOut();
        }
    } catch (...) {
        ReportException(PortUsable() ? FPort : nullptr);
    }
}

void TVexDataPacketManager::NotifyData(int Start) {
    if (FClosing) return;
    if (FInEvent) {
        if (!FDataPending || Start < FPendingStart) FPendingStart = Start;
        FDataPending = true;
        return;
    }
    // Bytes are offered in stream order by the running offer, whoever asks.
    if (FOffering) {
        if (!FReoffer || Start < FReofferStart) FReofferStart = Start;
        FReoffer = true;
        return;
    }
    if (FBuffer.Empty()) return;
    struct TOffer {
        TVexDataPacketManager* M;
        explicit TOffer(TVexDataPacketManager* Manager) : M(Manager) { M->FOffering = true; }
        ~TOffer() { M->FOffering = false; }
        TOffer(const TOffer&) = delete;
        TOffer& operator=(const TOffer&) = delete;
    };
    {
        const TOffer offer(this);
        int from = std::max(Start, 0);
        for (;;) {
            FReoffer = false;
            // After an event every packet starts afresh on what is left, from its front.
            if (!FBuffer.Empty() && OfferStep(from)) {
                from = 0;
                continue;
            }
            if (!FReoffer) break;
            from = std::max(FReofferStart, 0);
        }
    }
    if (FCapture != nullptr || FBuffer.Empty()) return;
    for (TVexDataPacket* p : FPackets)
        if (p->FEnabled && p->FMode != dpIdle && p->FStartIndex != -1) return;
    DisposeBuffer();
}

bool TVexDataPacketManager::OfferStep(int From) {
    if (FCapture != nullptr) return FCapture->Collect(From);
    // The packet whose event comes first in the stream acts; at the same byte, the first listed.
    // Each later packet searches only up to the earliest event found so far.
    TVexDataPacket* first = nullptr;
    int at = FBuffer.Size();
    for (std::size_t i = 0; i < FPackets.size(); ++i) {
        const int event = FPackets[i]->NextEvent(From, at);
        if (event >= 0 && event < at) {
            first = FPackets[i];
            at = event;
        }
    }
    if (first == nullptr) return false;
    first->TakeEvent(at);
    return true;
}

void TVexDataPacketManager::RemoveData(int Start, int Size) {
    long long end = static_cast<long long>(Start) + Size;
    end = std::min<long long>(end, FBuffer.Size());
    if (end <= 0) return;
    FBuffer.Consume(static_cast<std::size_t>(end));
    FRemovedTotal += static_cast<std::uint64_t>(end);
    if (FDataPending) FPendingStart = std::max(0, FPendingStart - static_cast<int>(end));
    if (FReoffer) FReofferStart = std::max(0, FReofferStart - static_cast<int>(end));
    if (FBuffer.Empty()) DisposeBuffer();
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
        FIntake.Clear();
        FDataPending = false;
        DisposeBuffer();
    }
    if (!FIntake.Empty()) {
        const int old = FBuffer.Size();
        FBuffer.Append(FIntake.Data(), static_cast<std::size_t>(FIntake.Size()));
        FIntake.Clear();
        if (!FDataPending || old < FPendingStart) FPendingStart = old;
        FDataPending = true;
    }
    // Settings changed during the event are checked now.
    EnablePackets();
    if (FDataPending) {
        FDataPending = false;
        if (!FBuffer.Empty()) NotifyData(FPendingStart);
    }
    if (FFreePending && FCallDepth == 0) PostFree();
}

void TVexDataPacketManager::DisposeBuffer() {
    // The bytes of the packet being delivered stay where its handler sees them.
    if (FHandlerDepth > 0) {
        FDisposePending = true;
        return;
    }
    const int dropped = FBuffer.Size();
    FRemovedTotal += static_cast<std::uint64_t>(dropped);
    for (TVexDataPacket* p : FPackets)
        if (p->FScanPos >= 0) p->FScanPos = std::max(0, p->FScanPos - dropped);
    // A steady stream keeps its room; a long packet's goes back.
    if (FBuffer.Capacity() > KeptRoom)
        FBuffer.Release();
    else
        FBuffer.Clear();
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
        // A pattern armed before from the same string is prepared already (and was not empty).
        std::string startPattern, startMask, endPattern, endMask;
        const bool newStart = FStartCond == scString && !SameSource(FStartKey, FStartString, FIgnoreCase);
        const bool newEnd = FEndCond.Contains(ecString) && !SameSource(FEndKey, FEndString, FIgnoreCase);
        if (FStartCond == scString) {
            LogPacketEvent(dstStartStr, FStartString.data(), static_cast<int>(FStartString.size()));
            if (FStartString.empty()) RaiseProperty(ecStartStringEmpty);
            if (FEndCond.Contains(ecPacketSize) && static_cast<int>(FStartString.size()) > FPacketSize)
                RaiseProperty(ecPacketSmallerThanStart);
            if (newStart) PreparePattern(FStartString, FIgnoreCase, startPattern, startMask);
            // "\" alone prepares to nothing, which no byte could ever match.
            if (newStart && startPattern.empty()) RaiseProperty(ecStartStringEmpty);
        } else if (FEndCond.Empty()) {
            RaiseProperty(ecNoEndCondition);
        }
        if (FEndCond.Contains(ecString)) {
            if (FEndString.empty()) RaiseProperty(ecEndStringEmpty);
            LogPacketEvent(dstEndStr, FEndString.data(), static_cast<int>(FEndString.size()));
            if (newEnd) PreparePattern(FEndString, FIgnoreCase, endPattern, endMask);
            if (newEnd && endPattern.empty()) RaiseProperty(ecEndStringEmpty);
        }
        if (FEndCond.Contains(ecPacketSize) && FPacketSize <= 0) RaiseProperty(ecPacketSizeZero);

        if (newStart) {
            FStartMatch.Prepare(startPattern, startMask, FIgnoreCase);
            FStartKey = SourceKey(FStartString, FIgnoreCase);
            // What the start search has learnt holds only for the same pattern.
            FSearchedFrom = 0;
            FSearchedTo = 0;
        }
        if (newEnd) {
            FEndMatch.Prepare(endPattern, endMask, FIgnoreCase);
            FEndKey = SourceKey(FEndString, FIgnoreCase);
        }
        FStartArmed = FStartCond == scString;
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
    FStartIndex = -1;
    FScanPos = -1;
    FHitPos = -1;
    FStartMatch.Reset();
    FEndMatch.Reset();
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

void TVexDataPacket::StartScan(int From) {
    // A search that already went past From on an earlier arming resumes where a match could still
    // begin; no match begins before that and ends before where it got to.
    const std::uint64_t base = FManager->FRemovedTotal;
    const std::uint64_t origin = base + static_cast<std::uint64_t>(From);
    const auto reach = static_cast<std::uint64_t>(FStartMatch.Length() - 1);
    std::uint64_t at = origin;
    if (FSearchedFrom <= origin && FSearchedTo > origin) {
        if (FSearchedTo - origin > reach) at = FSearchedTo - reach;
    } else {
        FSearchedTo = origin;
    }
    FSearchedFrom = origin;
    FStartMatch.Reset();
    FStartIndex = -1;
    FScanPos = static_cast<int>(at - base);
}

int TVexDataPacket::NextEvent(int From, int Limit) {
    if (!FEnabled || FManager == nullptr) return -1;
    if (FMode == dpIdle) {
        // Waiting for the capture: its packet begins with the first byte it is offered.
        if (!FStartPending) return -1;
        const int at = FScanPos >= 0 ? FScanPos : From;
        return at < Limit ? at : -1;
    }
    if (FMode != dpWaitStart) return -1;
    if (FHitPos >= 0) return FHitPos < Limit ? FHitPos : -1;
    if (FScanPos < 0) StartScan(From);
    if (FScanPos >= Limit) return -1;
    const std::uint64_t base = FManager->FRemovedTotal;
    const int hit = FStartMatch.Find(FManager->FBuffer.Data(), FScanPos, Limit);
    if (hit >= 0) {
        FHitPos = hit;
        FScanPos = hit + 1;
        FStartIndex = hit - FStartMatch.Length() + 1;
        FSearchedTo = std::max(FSearchedTo, base + static_cast<std::uint64_t>(hit));
        return hit;
    }
    FScanPos = Limit;
    const int pending = FStartMatch.PendingLength();
    FStartIndex = pending > 0 ? Limit - pending : -1;
    FSearchedTo = std::max(FSearchedTo, base + static_cast<std::uint64_t>(Limit));
    return -1;
}

bool TVexDataPacket::TakeEvent(int At) {
    if (FMode == dpIdle) {
        FStartPending = false;
        FScanPos = At;
        SetMode(dpCollecting);
        return true;
    }
    FHitPos = -1;
    const int length = FStartMatch.Length();
    // No end condition, or a size that the start string already fills: the packet ends here.
    if (FEndCond.Empty() || (FEndCond.Contains(ecPacketSize) && length >= FEffectiveSize)) {
        FCollectedSize = length;
        return Packet(ecPacketSize);
    }
    FEndMatch.Reset();
    SetMode(dpCollecting);
    return true;
}

bool TVexDataPacket::Collect(int From) {
    if (!FEnabled || FManager == nullptr || FMode != dpCollecting) return false;
    const TPacketBuffer& buffer = FManager->FBuffer;
    const int length = buffer.Size();
    if (FScanPos < 0) FScanPos = From;
    if (FScanPos >= length) return false;
    if (FStartIndex == -1) FStartIndex = FScanPos;
    // The size is tested before the end string: the byte that fills it ends the packet.
    long long sizeAt = LLONG_MAX;
    if (FEndCond.Contains(ecPacketSize))
        sizeAt = std::max<long long>(static_cast<long long>(FStartIndex) + FEffectiveSize - 1, FScanPos);
    const int limit = static_cast<int>(std::min<long long>(length, sizeAt));
    if (FEndCond.Contains(ecString)) {
        const int hit = FEndMatch.Find(buffer.Data(), FScanPos, limit);
        if (hit >= 0) {
            FScanPos = hit + 1;
            FCollectedSize = hit - FStartIndex + 1;
            Packet(ecString);
            return true;
        }
    }
    FScanPos = limit;
    if (sizeAt >= length) return false;
    FScanPos = static_cast<int>(sizeAt) + 1;
    FCollectedSize = static_cast<int>(sizeAt) - FStartIndex + 1;
    Packet(ecPacketSize);
    return true;
}

bool TVexDataPacket::Packet(TPacketEndCond EndBy) {
    TVexDataPacketManager* const manager = FManager;
    const std::shared_ptr<bool> alive = FAlive;
    manager->SetInEvent(true);
    SetEnabled(false);

    const TPacketBuffer& buffer = manager->FBuffer;
    const int n = FCollectedSize;
    const int start = std::clamp(FStartIndex, 0, buffer.Size());
    int offset = start;
    int size = n;
    if (FStartCond == scString && FStartArmed && !FIncludeStrings) {
        offset += FStartMatch.Length();
        size -= FStartMatch.Length();
    }
    if (!FIncludeStrings && EndBy == ecString) size -= FEndMatch.Length();
    offset = std::min(offset, buffer.Size());
    size = std::clamp(size, 0, buffer.Size() - offset);
    const char* data = buffer.Data() + offset;

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
    const TPacketBuffer& buffer = manager->FBuffer;
    const int length = buffer.Size();
    const int startLength = FStartCond == scString && FStartArmed ? FStartMatch.Length() : 0;
    const int from = FStartIndex < 0 ? length : std::min(FStartIndex + startLength, length);
    FDataPointer = buffer.Data() + from;
    FDataSize = length - from;
    if (FWaiting) FWaitCopy.assign(FDataPointer, static_cast<std::size_t>(FDataSize));
    bool flush = FFlushOnTimeout;
    RunEvent(manager, &TVexDataPacket::DoTimeout);

    const bool survived = *alive;
    if (survived) {
        flush = FFlushOnTimeout;
        KeepWaitCopy();
    }
    if (flush) manager->RemoveData(0, buffer.Size());
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
    if (!FEnabled || FMode == dpIdle) return;
    if (FStartIndex != -1 && FStartIndex < Removed)
        Rearm();
    else
        Resync(Removed);
}

void TVexDataPacket::Resync(int Removed) {
    // The matched bytes are unchanged, only earlier by what was removed; the search state follows
    // them.
    if (FStartIndex != -1) FStartIndex -= Removed;
    if (FScanPos >= 0) FScanPos = std::max(0, FScanPos - Removed);
    if (FHitPos >= 0) FHitPos -= Removed;
}

void TVexDataPacket::LogPacketEvent(BYTE SubType, const void* Data, int Size) {
    if (FManager == nullptr) return;
    TVexBaseDispatcher* disp = FManager->Dispatcher();
    if (disp == nullptr) return;
    const auto subType = static_cast<TDispatchSubType>(SubType);
    if (Data != nullptr) {
        disp->AddDispatchEntry(dtPacket, subType, static_cast<DWORD>(Size), Data, 0);
        return;
    }
    // Made once per name: every arming logs it several times.
    const std::string& name = Name();
    if (FLogText.size() != name.size() + 7 || FLogText.compare(7, name.size(), name) != 0)
        FLogText = "Packet:" + name;
    disp->AddDispatchEntry(dtPacket, subType, static_cast<DWORD>(FLogText.size()), FLogText.data(), 0);
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

// --- Published ----------------------------------------------------------------------------------

namespace {

const bool kPublished = [] {
    using namespace published;
    using C = TVexDataPacket;
    PublishProperties<C, TVexBaseComponent>({
        // No default declared: always stored.
        Property<C>(
            "Enabled", [](const C& c) { return c.Enabled(); }, [](C& c, bool v) { c.SetEnabled(v); }),
        Property<C>(
            "AutoEnable", [](const C& c) { return c.AutoEnable(); }, [](C& c, bool v) { c.SetAutoEnable(v); },
            true),
        Property<C>(
            "StartCond", [](const C& c) { return c.StartCond(); },
            [](C& c, TPacketStartCond v) { c.SetStartCond(v); }, scString),
        Property<C>(
            "EndCond", [](const C& c) { return c.EndCond(); }, [](C& c, TPacketEndSet v) { c.SetEndCond(v); },
            0),
        Property<C>(
            "StartString", [](const C& c) { return c.StartString(); },
            [](C& c, const std::string& v) { c.SetStartString(v); }),
        Property<C>(
            "EndString", [](const C& c) { return c.EndString(); },
            [](C& c, const std::string& v) { c.SetEndString(v); }),
        Property<C>(
            "IgnoreCase", [](const C& c) { return c.IgnoreCase(); }, [](C& c, bool v) { c.SetIgnoreCase(v); },
            true),
        Property<C>(
            "ComPort", [](const C& c) { return c.ComPort(); },
            [](C& c, TVexCustomComPort* v) { c.SetComPort(v); }),
        Property<C>(
            "PacketSize", [](const C& c) { return c.PacketSize(); }, [](C& c, int v) { c.SetPacketSize(v); }),
        Property<C>(
            "IncludeStrings", [](const C& c) { return c.IncludeStrings(); },
            [](C& c, bool v) { c.SetIncludeStrings(v); }, true),
        Property<C>(
            "TimeOut", [](const C& c) { return c.TimeOut(); }, [](C& c, int v) { c.SetTimeOut(v); }, 2184),
        Field<C>("OnPacket", &C::OnPacket),
        Field<C>("OnStringPacket", &C::OnStringPacket),
        Field<C>("OnTimeout", &C::OnTimeout),
    });
    RegisterClass<TVexDataPacket>();
    return true;
}();

} // namespace
