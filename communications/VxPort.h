// The port component: holds a port's settings, opens and closes the port by creating and freeing a
// dispatcher for its device layer, turns the dispatcher's notifications into events on the thread
// that owns its hidden window, and offers the data, trigger, trace and wait operations with
// failures raised as exceptions.
//
// The events run on the thread that created the port (the main thread). A serial dispatcher's
// dispatch thread reaches them through SendMessageTimeout to the port's window; while one runs,
// that thread waits and the port-list lock is held.
#pragma once

#include "communications/VxMisc.h"
#include "communications/VxTrigger.h"
#include "communications/VxUser.h"
#include "platform/rtl/Method.h"
#include "platform/rtl/Set.h"
#include "platform/win/Types.h"

#include <memory>
#include <string>
#include <vector>

// To the windows of port users; wParam and lParam are 0. The port's own window gets
// PortClosingMsg too, with the dispatcher's handle in the high word, to finish a deferred close.
inline constexpr UINT PortOpenMsg = 0x7E08;
inline constexpr UINT PortCloseMsg = 0x7E09;
inline constexpr UINT PortClosingMsg = 0x7E0A;

enum TDeviceLayer { dlWin32, dlWinsock };
using TDeviceLayers = TSet<TDeviceLayer>;
enum TParity { pNone, pOdd, pEven, pMark, pSpace };
// A set of the dispatcher's hardware flow options: hwfUseDTR, hwfUseRTS, hwfRequireDSR, hwfRequireCTS.
using THWFlowOptionSet = DWORD;
enum TSWFlowOptions { swfNone, swfReceive, swfTransmit, swfBoth };
enum TTraceLogState { tlOff, tlOn, tlDump, tlAppend, tlClear, tlPause };
enum TTapiMode { tmNone, tmAuto, tmOn, tmOff };
enum TApThreadBoost { tbNone, tbPlusOne, tbPlusTwo };
enum TPortState { psClosed, psShuttingDown, psOpen };
enum TVexCallbackType { ctOpen, ctClosing, ctClosed };

inline constexpr DWORD MaxTraceSize = 4000000;
inline constexpr DWORD MaxLogSize = 16000000;

using TTriggerEvent = TMethod<void(TObject* CP, WORD Msg, WORD TriggerHandle, WORD Data)>;
using TTriggerAvailEvent = TMethod<void(TObject* CP, WORD Count)>;
using TTriggerDataEvent = TMethod<void(TObject* CP, WORD TriggerHandle)>;
using TTriggerStatusEvent = TMethod<void(TObject* CP, WORD TriggerHandle)>;
using TTriggerTimerEvent = TMethod<void(TObject* CP, WORD TriggerHandle)>;
using TTriggerLineErrorEvent = TMethod<void(TObject* CP, WORD Error, bool LineBreak)>;
using TWaitCharEvent = TMethod<void(TObject* CP, char C)>;
using TPortCallback = TMethod<void(TObject* CP, bool Opening)>;
using TPortCallbackEx = TMethod<void(TObject* CP, TVexCallbackType CallbackType)>;

class TVexCustomComPort : public TVexBaseComponent {
public:
    explicit TVexCustomComPort(TComponent* AOwner);
    // Closes an open port. A close that a notification in progress deferred is finished without
    // this port: its window goes at once and the dispatcher is freed once its workers have ended.
    ~TVexCustomComPort() override;

    // From another port: its users, triggers, settings (Open false), trigger length, events.
    void Assign(const TPersistent* Source) override;

    // --- Settings ---
    TDeviceLayer DeviceLayer() const { return FDeviceLayer; }
    void SetDeviceLayer(TDeviceLayer NewLayer);
    WORD ComNumber() const { return FComNumber; }
    void SetComNumber(WORD NewNumber);
    int Baud() const { return FBaud; }
    void SetBaud(int NewBaud);
    bool PromptForPort() const { return FPromptForPort; }
    void SetPromptForPort(bool NewPrompt) { FPromptForPort = NewPrompt; }
    TParity Parity() const { return FParity; }
    void SetParity(TParity NewParity);
    WORD DataBits() const { return FDataBits; }
    void SetDatabits(WORD NewBits);
    WORD StopBits() const { return FStopBits; }
    void SetStopbits(WORD NewBits);
    WORD InSize() const { return FInSize; }
    void SetInSize(WORD NewSize);
    WORD OutSize() const { return FOutSize; }
    void SetOutSize(WORD NewSize);
    bool AutoOpen() const { return FAutoOpen; }
    void SetAutoOpen(bool NewAuto) { FAutoOpen = NewAuto; }
    bool Open() const { return FOpen; }
    void SetOpen(bool Enable);
    bool DTR() const { return FDTR; }
    void SetDTR(bool NewDTR);
    bool RTS() const { return FRTS; }
    void SetRTS(bool NewRTS);
    THWFlowOptionSet HWFlowOptions() const { return FHWFlowOptions; }
    void SetHWFlowOptions(THWFlowOptionSet NewOpts);
    TSWFlowOptions SWFlowOptions() const { return FSWFlowOptions; }
    void SetSWFlowOptions(TSWFlowOptions NewOpts);
    char XOnChar() const { return FXOnChar; }
    void SetXonChar(char NewChar);
    char XOffChar() const { return FXOffChar; }
    void SetXoffChar(char NewChar);
    WORD BufferFull() const { return FBufferFull; }
    void SetBufferFull(WORD NewFull);
    WORD BufferResume() const { return FBufferResume; }
    void SetBufferResume(WORD NewResume);
    TTraceLogState Tracing() const { return FTracing; }
    void SetTracing(TTraceLogState NewState);
    DWORD TraceSize() const { return FTraceSize; }
    void SetTraceSize(DWORD NewSize);
    const std::string& TraceName() const { return FTraceName; }
    void SetTraceName(const std::string& NewName) { FTraceName = NewName; }
    bool TraceHex() const { return FTraceHex; }
    void SetTraceHex(bool NewHex) { FTraceHex = NewHex; }
    bool TraceAllHex() const { return FTraceAllHex; }
    void SetTraceAllHex(bool NewAllHex) { FTraceAllHex = NewAllHex; }
    TTraceLogState Logging() const { return FLogging; }
    void SetLogging(TTraceLogState NewState);
    DWORD LogSize() const { return FLogSize; }
    void SetLogSize(DWORD NewSize);
    const std::string& LogName() const { return FLogName; }
    void SetLogName(const std::string& NewName) { FLogName = NewName; }
    bool LogHex() const { return FLogHex; }
    void SetLogHex(bool NewHex) { FLogHex = NewHex; }
    bool LogAllHex() const { return FLogAllHex; }
    void SetLogAllHex(bool NewAllHex) { FLogAllHex = NewAllHex; }
    bool UseMSRShadow() const { return FUseMSRShadow; }
    virtual void SetUseMSRShadow(bool NewUse);
    bool UseEventWord() const { return FUseEventWord; }
    void SetUseEventWord(bool NewUse);
    WORD CommNotificationLevel() const { return FCommNotificationLevel; }
    void SetCommNotificationLevel(WORD NewLevel) { FCommNotificationLevel = NewLevel; }
    TTapiMode TapiMode() const { return FTapiMode; }
    void SetTapiMode(TTapiMode NewMode) { FTapiMode = NewMode; }
    // The comm handle a telephony component opened; used when TapiMode is tmOn.
    HANDLE TapiHandle() const { return FTapiHandle; }
    void SetTapiHandle(HANDLE NewHandle) { FTapiHandle = NewHandle; }
    bool RS485Mode() const { return FRS485Mode; }
    void SetRS485Mode(bool NewMode);
    // The avail notification threshold in bytes; 0 switches avail notifications off.
    WORD TriggerLength() const { return FTriggerLength; }
    void SetTriggerLength(WORD NewLength);
    TApThreadBoost ThreadBoost() const { return FThreadBoost; }
    void SetThreadBoost(TApThreadBoost NewBoost);
    void SetBaseAddress(WORD NewBaseAddress);
    // Set by a terminal control that attaches while the port has none; never read by the port.
    TComponent* Terminal() const { return FTerminal; }
    void SetTerminal(TComponent* NewTerminal) { FTerminal = NewTerminal; }

    TPortState PortState() const { return FPortState; }

    // --- Events ---
    TNotifyEvent OnPortOpen;
    TNotifyEvent OnPortClose;
    TWaitCharEvent OnWaitChar; // each byte a string wait consumes
    // Assigning any of these decides whether the port's window takes part in deliveries.
    TTriggerEvent OnTrigger() const { return FOnTrigger; }
    void SetOnTrigger(TTriggerEvent Value);
    TTriggerAvailEvent OnTriggerAvail() const { return FOnTriggerAvail; }
    void SetOnTriggerAvail(TTriggerAvailEvent Value);
    TTriggerDataEvent OnTriggerData() const { return FOnTriggerData; }
    void SetOnTriggerData(TTriggerDataEvent Value);
    TTriggerStatusEvent OnTriggerStatus() const { return FOnTriggerStatus; }
    void SetOnTriggerStatus(TTriggerStatusEvent Value);
    TTriggerTimerEvent OnTriggerTimer() const { return FOnTriggerTimer; }
    void SetOnTriggerTimer(TTriggerTimerEvent Value);
    TTriggerLineErrorEvent OnTriggerLineError() const { return FOnTriggerLineError; }
    void SetOnTriggerLineError(TTriggerLineErrorEvent Value);
    TNotifyEvent OnTriggerModemStatus() const { return FOnTriggerModemStatus; }
    void SetOnTriggerModemStatus(TNotifyEvent Value);
    TNotifyEvent OnTriggerOutbuffFree() const { return FOnTriggerOutbuffFree; }
    void SetOnTriggerOutbuffFree(TNotifyEvent Value);
    TNotifyEvent OnTriggerOutbuffUsed() const { return FOnTriggerOutbuffUsed; }
    void SetOnTriggerOutbuffUsed(TNotifyEvent Value);
    TNotifyEvent OnTriggerOutSent() const { return FOnTriggerOutSent; }
    void SetOnTriggerOutSent(TNotifyEvent Value);

    // --- Opening ---
    // Opens the port when the form has loaded (for components attaching while it loads).
    void ForcePortOpen();
    // The dispatcher, opening the port first when AutoOpen allows; may be nullptr.
    TVexBaseDispatcher* GetDispatcher();
    // The dispatcher, or raises ECommNotOpen (-2007).
    TVexBaseDispatcher* ValidDispatcher();

    // --- Users: told of opening, closing and (extended users) the start of a close ---
    int RegisterUser(HWND H);
    int RegisterUserEx(HWND H);
    int RegisterUserCallback(TPortCallback CallBack);
    int RegisterUserCallbackEx(TPortCallbackEx CallBackEx);
    void DeregisterUser(HWND H);
    void DeregisterUserCallback(TPortCallback CallBack);
    void DeregisterUserCallbackEx(TPortCallbackEx CallBackEx);

    // --- Status: neutral values while the port is not open, which they never open ---
    // Opens on demand like the data operations; 0 while shutting down.
    BYTE GetModemStatus();
    bool GetDSR();
    bool GetCTS();
    bool GetRI();
    bool GetDCD();
    bool GetDeltaDSR();
    bool GetDeltaCTS();
    bool GetDeltaRI();
    bool GetDeltaDCD();
    WORD GetLineError();
    bool GetLineBreak();
    DWORD GetInBuffUsed();
    DWORD GetInBuffFree();
    DWORD GetOutBuffUsed();
    DWORD GetOutBuffFree();
    TFlowControlState GetFlowState();
    WORD GetBaseAddress();

    // --- Data: nothing while shutting down; a closed port with AutoOpen opens first ---
    void PutChar(char C);
    // All bytes or none.
    void PutString(const std::string& S);
    int PutBlock(const void* Block, DWORD Len);
    // Raises EBufferIsEmpty when no byte is there.
    char GetChar();
    char PeekChar(DWORD Count);
    // Len bytes, or raises EBufferIsEmpty and takes nothing.
    DWORD GetBlock(void* Block, DWORD Len);
    DWORD PeekBlock(void* Block, DWORD Len);
    bool CharReady();
    void FlushInBuffer();
    void FlushOutBuffer();
    virtual int ProcessCommunications();

    // --- Triggers ---
    // Up to 21 characters (the string ends at a zero byte).
    WORD AddDataTrigger(const std::string& Data, bool IgnoreCase);
    WORD AddTimerTrigger();
    WORD AddStatusTrigger(WORD SType);
    void SetTimerTrigger(WORD Handle, int Ticks, bool Activate);
    void SetStatusTrigger(WORD Handle, WORD Value, bool Activate);
    // These two only while open.
    void RemoveTrigger(WORD Handle);
    void RemoveAllTriggers();

    void SendBreak(WORD Ticks, bool Yield);
    void SetBreak(bool BreakOn);

    // --- Trace and dispatch log; Tracing and Logging follow ---
    // Size 0 uses TraceSize; another size replaces it.
    void InitTracing(DWORD NumEntries);
    void DumpTrace(const std::string& FName, bool InHex);
    void AppendTrace(const std::string& FName, bool InHex);
    void ClearTracing();
    void AbortTracing();
    void StartTracing();
    void StopTracing();
    void AddTraceEntry(char CurEntry, char CurCh);
    void InitLogging(DWORD Size);
    void DumpLog(const std::string& FName, bool InHex);
    void AppendLog(const std::string& FName, bool InHex);
    void ClearLogging();
    void AbortLogging();
    void StartLogging();
    void StopLogging();
    void AddStringToLog(const std::string& S);

    // --- Waits on the caller's thread. No trigger fires meanwhile, and every byte read is
    // consumed, the ones before the match too. Timeouts are in ticks. ---
    // True when S arrived in time; an empty S, or a port shutting down, at once.
    bool WaitForString(const std::string& S, int Timeout, bool Yield, bool IgnoreCase);
    // The 1-based number of the first of S's SepChar-separated strings to arrive; 0 when none did.
    int WaitForMultiString(const std::string& S, int Timeout, bool Yield, bool IgnoreCase, char SepChar);
    // Holds the port for the next wait, so that a reply arriving before it is kept for it.
    void PrepareWait();
    // Feeds one byte to a match of S kept in Index (bytes matched so far); true when C completes S.
    bool CheckForString(WORD& Index, char C, const std::string& S, bool IgnoreCase);

protected:
    void Loaded() override;

    virtual TVexBaseDispatcher* ActivateDeviceLayer();
    virtual void DeviceLayerChanged();
    virtual int InitializePort();
    virtual void RegisterComPort(bool Enabling);
    virtual void ValidateComport();
    virtual void Trigger(WORD Msg, WORD TriggerHandle, WORD Data);
    virtual void TriggerAvail(WORD Count);
    virtual void TriggerData(WORD TriggerHandle);
    virtual void TriggerStatus(WORD TriggerHandle);
    virtual void TriggerTimer(WORD TriggerHandle);
    virtual void UpdateHandlerFlag();
    virtual void TriggerLineError(WORD Error, bool LineBreak);
    virtual void TriggerModemStatus();
    virtual void TriggerOutbuffFree();
    virtual void TriggerOutbuffUsed();
    virtual void TriggerOutSent();
    virtual void WaitChar(char C);
    virtual void DonePort();
    virtual void PortOpen();
    virtual void PortClose();
    virtual void PortClosing();
    virtual void InitPort();

    TDeviceLayers FDeviceLayers{dlWin32}; // the layers this class accepts

private:
    struct TPortUser {
        HWND Handle = 0;
        TPortCallback Callback;
        TPortCallbackEx CallbackEx;
        bool Extended = false;
    };
    enum TUserNote { unOpen, unClosing, unClosed };

    static LRESULT PortWindowProc(HWND Wnd, UINT Msg, WPARAM wParam, LPARAM lParam);
    void HandleTrigger(UINT Msg, WPARAM wParam, LPARAM lParam);
    void FinishDeferredClose(HWND Wnd, LPARAM lParam);

    bool Designing() const;
    bool DesigningOrLoading() const;
    bool IsOpen() const { return FPortState == psOpen; }
    bool ShuttingDown() const { return FPortState == psShuttingDown; }
    int Check(int Code); // raises for a negative code
    // False when a user freed the port meanwhile.
    bool NotifyUsers(TUserNote Note);
    void FreeDispatcher();
    void ReadTapiSettings();
    void ApplyLineSettings();
    void ReleaseWaitHold(TVexBaseDispatcher* Disp);

    bool FForceApply = false;
    TPortState FPortState = psClosed;
    bool FOpenRequested = false; // an open asked for while a close was finishing
    bool FOpenAtLoad = false;
    std::vector<TPortUser> FUsers;
    bool FTriggersSaved = false;
    TTriggerSave FSavedTriggers;
    bool FWaitPrepared = false; // PrepareWait holds the dispatcher
    HWND FWindow = 0;
    TVexBaseDispatcher* FDispatcher = nullptr;
    unsigned FDispatcherSerial = 0; // changes with every dispatcher made
    // Cleared by the destructor: code that called an event checks it before touching the port.
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
    HANDLE FTapiHandle = 0;
    TComponent* FTerminal = nullptr;

    TDeviceLayer FDeviceLayer = dlWin32;
    WORD FComNumber = 0;
    int FBaud = 19200;
    bool FPromptForPort = true;
    TParity FParity = pNone;
    WORD FDataBits = 8;
    WORD FStopBits = 1;
    WORD FInSize = 4096;
    WORD FOutSize = 4096;
    bool FAutoOpen = true;
    bool FOpen = false;
    bool FDTR = true;
    bool FRTS = true;
    THWFlowOptionSet FHWFlowOptions = 0;
    TSWFlowOptions FSWFlowOptions = swfNone;
    char FXOnChar = 17;
    char FXOffChar = 19;
    WORD FBufferFull = 0;
    WORD FBufferResume = 0;
    TTraceLogState FTracing = tlOff;
    DWORD FTraceSize = 10000;
    std::string FTraceName = "VEXO.TRC";
    bool FTraceHex = true;
    bool FTraceAllHex = false;
    TTraceLogState FLogging = tlOff;
    DWORD FLogSize = 10000;
    std::string FLogName = "VEXO.LOG";
    bool FLogHex = true;
    bool FLogAllHex = false;
    bool FUseMSRShadow = true;
    bool FUseEventWord = true;
    WORD FCommNotificationLevel = 10;
    TTapiMode FTapiMode = tmAuto;
    bool FRS485Mode = false;
    WORD FTriggerLength = 1;
    TApThreadBoost FThreadBoost = tbNone;
    WORD FBaseAddress = 0;

    TTriggerEvent FOnTrigger;
    TTriggerAvailEvent FOnTriggerAvail;
    TTriggerDataEvent FOnTriggerData;
    TTriggerStatusEvent FOnTriggerStatus;
    TTriggerTimerEvent FOnTriggerTimer;
    TTriggerLineErrorEvent FOnTriggerLineError;
    TNotifyEvent FOnTriggerModemStatus;
    TNotifyEvent FOnTriggerOutbuffFree;
    TNotifyEvent FOnTriggerOutbuffUsed;
    TNotifyEvent FOnTriggerOutSent;
};

// Publishes the settings and events: the serial port of the firmware loader.
class TVexComPort : public TVexCustomComPort {
public:
    using TVexCustomComPort::TVexCustomComPort;
};

struct TPropInfo;
// The port's published settings and events in their order; the TCP port publishes them too.
std::vector<TPropInfo> VexComPortProperties();

// "COM" and n in decimal.
std::string ComName(WORD ComNumber);
// The first port among Owner's components, searched depth first; nullptr when none.
TVexCustomComPort* SearchComPort(TComponent* Owner);
