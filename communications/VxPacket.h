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
    int CollectedLength() const { return static_cast<int>(FBuffer.size()); }

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
    void Append(const char* Data, std::size_t Count);

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
    std::vector<char> FBuffer; // its size is the collected length
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
    std::vector<char> FIntake;
    bool FDisposePending = false;
    std::atomic<bool> FFreePending{false};
    bool FHoldsUserCallback = false;
    // Counts the offers of the buffer, so a pass learns that a nested one has offered the rest.
    unsigned FOfferCount = 0;
    // Bytes removed from the front so far, so a pass can follow the shift.
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
    bool ProcessData(int Start);
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
    bool Matches(char C, const std::string& Pattern, const std::string& Mask, int Pos) const;
    // 1 delivered, 0 timed out or quit, -1 the packet was freed meanwhile.
    int Wait();

    TVexDataPacketManager* FManager = nullptr;
    TPacketMode FMode = dpIdle;
    int FCollectedSize = 0;
    int FStartIndex = -1;
    const char* FDataPointer = nullptr;
    int FDataSize = 0;
    int FStartMatchPos = 1;
    int FEndMatchPos = 1;
    int FEndMatchBase = -1;
    int FEffectiveSize = 0;
    std::string FStartMask;
    std::string FEndMask;
    std::string FStartPattern;
    std::string FEndPattern;
    bool FArmedIgnoreCase = true;
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
