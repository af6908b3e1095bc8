// Data packets: components that cut packets out of a port's received stream by a start condition
// (a start string, or any data) and an end condition (an end string, a byte count, or both) and
// fire an event with each packet's bytes.
//
// All packets of one port share one collector, TVexDataPacketManager: it takes every received byte
// out of the port's dispatcher into a buffer of its own and offers it to its packets, in the order
// they joined. While one packet collects (it holds the capture) no other packet sees a byte.
//
// Threads: on a serial port the collector runs on the dispatch thread and the packet events reach
// the main thread synchronised; on a TCP port everything runs on the main thread. The unit takes no
// locks: arm, disarm and set properties from inside the packet events, from the main thread of a
// TCP port, or while the port is closed.
#pragma once

#include "communications/VxMisc.h"
#include "communications/VxPort.h"
#include "platform/rtl/Method.h"
#include "platform/rtl/Set.h"
#include "platform/win/Types.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

class TVexBaseDispatcher;
class TVexDataPacket;

enum TPacketStartCond { scString, scAnyData };
enum TPacketEndCond { ecString, ecPacketSize };
using TPacketEndSet = TSet<TPacketEndCond>;
enum TPacketMode { dpIdle, dpWaitStart, dpCollecting };

// Data addresses the collector's buffer and is valid only inside the handler.
using TPacketNotifyEvent = TMethod<void(TObject* Sender, void* Data, int Size)>;
using TStringPacketNotifyEvent = TMethod<void(TObject* Sender, const std::string& Data)>;

// The private message by which a collector without packets frees itself.
inline constexpr UINT PacketManagerFreeMsg = 0xB021;

// The collector's bytes: consumed at the front, appended at the back, and its room kept between
// packets so that a steady stream allocates nothing.
class TPacketBuffer {
public:
    TPacketBuffer() = default;
    ~TPacketBuffer();
    TPacketBuffer(const TPacketBuffer&) = delete;
    TPacketBuffer& operator=(const TPacketBuffer&) = delete;

    const char* Data() const { return FMem + FHead; }
    int Size() const { return static_cast<int>(FSize); }
    bool Empty() const { return FSize == 0; }
    std::size_t Capacity() const { return FCapacity; }
    // Room for Count more bytes at the back, counted in the size; the caller fills them.
    char* Extend(std::size_t Count);
    // Takes back the last Count bytes.
    void Truncate(std::size_t Count);
    void Append(const char* Bytes, std::size_t Count);
    // Drops the first Count bytes.
    void Consume(std::size_t Count);
    void Clear();
    // Clears and gives the memory back.
    void Release();

private:
    char* FMem = nullptr;
    std::size_t FHead = 0;
    std::size_t FSize = 0;
    std::size_t FCapacity = 0;
};

// A start or end pattern and the state of its search: every partial match is followed at once (a
// bit per pattern position), so no byte is compared twice, and where no partial match is pending
// the search skips to the next byte that can begin one.
class TPacketPattern {
public:
    // Pattern and Mask as PreparePattern makes them; with IgnoreCase the pattern is upper case.
    void Prepare(const std::string& Pattern, const std::string& Mask, bool IgnoreCase);
    int Length() const { return FLength; }
    void Reset();
    // Searches Data[From, To): the index of the byte that completes the pattern, or -1 when none
    // does (the partial matches carry over to the next call).
    int Find(const char* Data, int From, int To);
    // The longest partial match pending, 0 when none is.
    int PendingLength() const;

private:
    bool Pending() const;
    int Skip(const char* Data, int From, int To) const;

    int FLength = 0;
    std::size_t FWords = 0;
    std::vector<std::uint64_t> FTable; // per byte value, the pattern positions it matches
    std::vector<std::uint64_t> FState; // the partial matches pending, one bit per length
    // The bytes that can begin a match when there are at most two of them (FFirstCount 0: any).
    int FFirstCount = 0;
    unsigned char FFirst[2] = {0, 0};
};

class TVexDataPacketManager : public TObject {
public:
    explicit TVexDataPacketManager(TVexCustomComPort* Port);
    ~TVexDataPacketManager() override;
    TVexDataPacketManager(const TVexDataPacketManager&) = delete;
    TVexDataPacketManager& operator=(const TVexDataPacketManager&) = delete;

    TVexCustomComPort* Port() const { return FPort; }
    bool Enabled() const { return FEnabled; }
    int PacketCount() const { return static_cast<int>(FPackets.size()); }
    TVexDataPacket* Packets(int Index) const { return FPackets.at(static_cast<std::size_t>(Index)); }
    TVexDataPacket* Capture() const { return FCapture; }
    bool InEvent() const { return FInEvent; }
    // Bytes collected and not yet delivered or dropped.
    int CollectedLength() const { return FBuffer.Size(); }

    void Insert(TVexDataPacket* Value);
    void Remove(TVexDataPacket* Value);

    void SetEnabled(bool Value);
    void EnableIfPending();
    void EnablePackets();
    void DisablePackets();

    void PortOpenCloseEx(TObject* CP, TVexCallbackType CallbackType);
    void PacketTriggerHandler(UINT Msg, UINT wParam, int lParam);

private:
    friend class TVexDataPacket;
    friend class TVexDataPacketManagerList;
    class TPortWatch;
    // Marks a call from outside (a notification, a port callback) that may pump messages, so the
    // collector is not freed under it.
    struct TCallScope {
        explicit TCallScope(TVexDataPacketManager* Manager);
        ~TCallScope();
        TCallScope(const TCallScope&) = delete;
        TCallScope& operator=(const TCallScope&) = delete;
        TVexDataPacketManager* M;
    };

    LRESULT WndProc(HWND Wnd, UINT Msg, WPARAM wParam, LPARAM lParam);
    void Enable();
    void Disable();
    void Register();
    void Unregister();
    void AddTimer();
    void RemoveTimer();
    void ArmTimer(int Ticks);
    void DisarmTimer();
    void NotifyData(int Start);
    void RemoveData(int Start, int Size);
    void SetCapture(TVexDataPacket* Packet, int Ticks);
    void ReleaseCapture(TVexDataPacket* Packet);
    void SetInEvent(bool Value);
    void DisposeBuffer();
    // One step of an offer: the capture's next bytes, or the earliest event of the other packets;
    // false when nothing happened.
    bool OfferStep(int From);

    // The port's dispatcher; nullptr while the port is closed or being destroyed. Never opens it.
    TVexBaseDispatcher* Dispatcher() const;
    bool PortUsable() const;
    void PortGone();
    void PostFree();
    // Waits for a delivery running on another thread; see PortOpenCloseEx.
    void WaitForHandler();
    // A packet that cannot be armed again (its settings changed while it was armed) is disabled;
    // its error is shown once the collector's work is done.
    void ArmingFailed(TVexDataPacket* Packet);
    void ReportArmingErrors();

    std::vector<TVexDataPacket*> FPackets;
    TVexCustomComPort* FPort;
    // Cleared before a close waits for a running delivery; a delivery starting late sees it.
    std::atomic<bool> FHandlerRegistered{false};
    bool FEnabled = false;
    TPacketBuffer FBuffer; // its size is the collected length
    TVexDataPacket* FCapture = nullptr;
    DWORD FTimerHandle = 0;
    bool FInEvent = false;
    bool FDataPending = false;
    int FPendingStart = 0;
    bool FEnablePending = false;
    bool FDestroying = false;
    HWND FWindow = 0;

    // The dispatcher the handler is registered with (its thread reads it; the port's state is the
    // main thread's).
    TVexBaseDispatcher* FDispatcher = nullptr;
    // Bytes read while an event runs wait here, so the delivered bytes never move under a handler.
    TPacketBuffer FIntake;
    bool FDisposePending = false;
    std::atomic<bool> FFreePending{false};
    bool FHoldsUserCallback = false;
    // An offer is running: a nested one is folded into it, so the bytes are offered in stream
    // order and no delivery nests inside another's offer.
    bool FOffering = false;
    bool FReoffer = false;
    int FReofferStart = 0;
    // Disarming for a close offers nothing: the bytes are dropped with the collector.
    bool FClosing = false;
    // Bytes removed from the front so far: a byte's stream offset is this plus its index.
    std::uint64_t FRemovedTotal = 0;
    int FHandlerDepth = 0;                 // packet event handlers running
    std::atomic<int> FDeliveries{0};       // PacketTriggerHandler calls running
    std::atomic<DWORD> FDeliveryThread{0}; // the thread they run on
    std::atomic<int> FSyncedHandlers{0};   // handlers running on the main thread for another thread
    std::atomic<int> FCallDepth{0};
    struct TArmingError {
        std::shared_ptr<bool> Alive;
        TVexDataPacket* Packet;
        std::exception_ptr Error;
    };
    std::vector<TArmingError> FArmingErrors;
    std::unique_ptr<TPortWatch> FWatch;
};

class TVexDataPacketManagerList : public TObject {
public:
    TVexDataPacketManagerList() = default;
    // Frees every collector still listed, without touching their ports.
    ~TVexDataPacketManagerList() override;
    TVexDataPacketManagerList(const TVexDataPacketManagerList&) = delete;
    TVexDataPacketManagerList& operator=(const TVexDataPacketManagerList&) = delete;

    void Insert(TVexDataPacketManager* Value);
    void Remove(TVexDataPacketManager* Value);
    TVexDataPacketManager* GetPortManager(TVexCustomComPort* Port) const;
    int Count() const { return static_cast<int>(FList.size()); }

private:
    std::vector<TVexDataPacketManager*> FList;
};

// The unit's list of collectors, one per port with packets.
extern TVexDataPacketManagerList* PacketManagerList;

class TVexDataPacket : public TVexBaseComponent {
public:
    explicit TVexDataPacket(TComponent* AOwner);
    ~TVexDataPacket() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    bool AutoEnable() const { return FAutoEnable; }
    void SetAutoEnable(bool Value) { FAutoEnable = Value; }
    TPacketStartCond StartCond() const { return FStartCond; }
    void SetStartCond(TPacketStartCond Value) { FStartCond = Value; }
    TPacketEndSet EndCond() const { return FEndCond; }
    void SetEndCond(TPacketEndSet Value);
    const std::string& StartString() const { return FStartString; }
    void SetStartString(const std::string& Value) { FStartString = Value; }
    const std::string& EndString() const { return FEndString; }
    void SetEndString(const std::string& Value);
    bool IgnoreCase() const { return FIgnoreCase; }
    void SetIgnoreCase(bool Value) { FIgnoreCase = Value; }
    TVexCustomComPort* ComPort() const { return FComPort; }
    void SetComPort(TVexCustomComPort* Value);
    int PacketSize() const { return FPacketSize; }
    void SetPacketSize(int Value) { FPacketSize = Value; }
    bool IncludeStrings() const { return FIncludeStrings; }
    void SetIncludeStrings(bool Value) { FIncludeStrings = Value; }
    // Ticks; 0 never times out.
    int TimeOut() const { return FTimeOut; }
    void SetTimeOut(int Value) { FTimeOut = Value; }
    bool FlushOnTimeout() const { return FFlushOnTimeout; }
    void SetFlushOnTimeout(bool Value) { FFlushOnTimeout = Value; }

    TPacketNotifyEvent OnPacket;
    TStringPacketNotifyEvent OnStringPacket;
    TNotifyEvent OnTimeout;

    // The bytes of the packet being delivered (or timed out). Inside the events they address the
    // collector's buffer; after WaitForString or WaitForPacket, a copy the packet keeps; otherwise
    // nothing.
    void GetCollectedString(std::string& Data) const;
    void GetCollectedData(void*& Data, int& Size) const;
    // Arm once (AutoEnable becomes False) and wait, serving messages, for the packet; False on a
    // time-out or a quit.
    bool WaitForString(std::string& Data);
    bool WaitForPacket(void*& Data, int& Size);

    TPacketMode Mode() const { return FMode; }
    TVexDataPacketManager* Manager() const { return FManager; }

protected:
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TVexDataPacketManager;

    void Enable();
    void Disable();
    // Enable for a packet that was armed before; a failure disarms it and is reported later.
    void Rearm();
    void CancelMatch();
    void SetMode(TPacketMode Value);
    // False when the packet was freed by one of its events meanwhile.
    void ResetMatch();
    // The position before Limit at which this packet's next event happens (its start string
    // completes, or it takes the capture it was waiting for), or -1; changes only its match state.
    int NextEvent(int From, int Limit);
    // Acts on the event NextEvent found; false when the packet was freed by its event.
    bool TakeEvent(int At);
    // The capture's packet examines the bytes it has not seen; true when it was delivered.
    bool Collect(int From);
    void StartScan(int From);
    bool Packet(TPacketEndCond EndBy);
    void TimedOut();
    void KeepWaitCopy();
    void NotifyRemove(int Removed);
    void Resync(int Removed);
    void DoPacket();
    void DoTimeout();
    void RunEvent(TVexDataPacketManager* Manager, void (TVexDataPacket::*Handler)());
    void LogPacketEvent(BYTE SubType, const void* Data, int Size);
    bool Designing() const;
    bool Loading() const;
    // 1 delivered, 0 timed out or quit, -1 the packet was freed meanwhile.
    int Wait();

    TVexDataPacketManager* FManager = nullptr;
    TPacketMode FMode = dpIdle;
    int FCollectedSize = 0;
    int FStartIndex = -1;
    const char* FDataPointer = nullptr;
    int FDataSize = 0;
    int FEffectiveSize = 0;
    // The next byte to examine (-1: from where the next offer starts), and the completed start
    // match not yet acted on (-1: none).
    int FScanPos = -1;
    int FHitPos = -1;
    TPacketPattern FStartMatch;
    TPacketPattern FEndMatch;
    // The strings the patterns were made from: a re-arming with the same ones keeps their tables,
    // and the start search what it has learnt.
    std::string FStartKey;
    std::string FEndKey;
    bool FStartArmed = false; // armed with a start string
    std::string FLogText;
    // Stream offsets: no start match beginning at or after FSearchedFrom ends before FSearchedTo.
    // After a reset the search resumes near FSearchedTo instead of re-reading the bytes before it.
    std::uint64_t FSearchedFrom = 0;
    std::uint64_t FSearchedTo = 0;
    bool FStartPending = false;
    bool FEnablePending = false;
    bool FHoldsCapture = false;
    bool FSyncEvents = true;
    std::atomic<bool> FDelivered{false};
    std::atomic<bool> FTimedOut{false};
    std::atomic<bool> FWaiting{false};
    std::string FWaitCopy;
    // Cleared by the destructor, so code that ran an event can tell whether the packet survived it.
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);

    bool FEnabled = false;
    bool FAutoEnable = true;
    TPacketStartCond FStartCond = scString;
    TPacketEndSet FEndCond;
    std::string FStartString;
    std::string FEndString;
    bool FIgnoreCase = true;
    TVexCustomComPort* FComPort = nullptr;
    int FPacketSize = 0;
    bool FIncludeStrings = true;
    int FTimeOut = 2184;
    bool FFlushOnTimeout = true;
};
