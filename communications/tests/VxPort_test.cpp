#include "communications/VxPort.h"
#include "communications/tests/support/TestPty.h"

#include "communications/VxErrors.h"
#include "communications/VxExcept.h"
#include "communications/VxMisc.h"
#include "communications/tests/support/MemoryDispatcher.h"
#include "platform/comm/SimulatedComm.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/Forms.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
    const std::uint64_t deadline = MonotonicMs() + timeoutMs;
    while (!done()) {
        if (MonotonicMs() >= deadline) return done();
        if (SafeYield() == 0) WaitMessageTimeout(1);
    }
    return true;
}

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

std::size_t Entries(const char* dir) {
    const std::filesystem::directory_iterator it(dir);
    return static_cast<std::size_t>(std::distance(begin(it), end(it)));
}

bool SlotTaken(int handle) {
    LockPortList();
    const bool taken = handle >= 0 && static_cast<std::size_t>(handle) < PortList.size() &&
                       PortList[static_cast<std::size_t>(handle)] != nullptr;
    UnlockPortList();
    return taken;
}

// What a port's events and users were told, in order.
struct TRecorder {
    TVexCustomComPort* Port = nullptr;
    std::vector<std::string> Log;
    std::string Received; // what the avail handler read
    std::string Waited;   // what the string waits consumed
    bool ReadOnAvail = true;
    std::function<void()> OnAvail;

    void Trigger(TObject*, WORD Msg, WORD Handle, WORD Data) {
        Log.push_back("trigger " + std::to_string(Msg) + " " + std::to_string(Handle) + " " +
                      std::to_string(Data));
    }
    void Avail(TObject*, WORD Count) {
        Log.push_back("avail " + std::to_string(Count));
        if (ReadOnAvail) {
            std::string block(Count, '\0');
            if (Port->GetBlock(block.data(), Count) == Count) Received += block;
        }
        // A copy: the handler may replace itself.
        if (auto then = OnAvail) then();
    }
    void Data(TObject*, WORD Handle) { Log.push_back("data " + std::to_string(Handle)); }
    void Timer(TObject*, WORD Handle) { Log.push_back("timer " + std::to_string(Handle)); }
    void Status(TObject*, WORD Handle) { Log.push_back("status " + std::to_string(Handle)); }
    void LineError(TObject*, WORD Error, bool LineBreak) {
        Log.push_back("line " + std::to_string(Error) + (LineBreak ? " break" : ""));
    }
    void Modem(TObject*) { Log.push_back("modem"); }
    void Opened(TObject*) { Log.push_back("OnPortOpen"); }
    void Closed(TObject*) { Log.push_back("OnPortClose"); }
    void WaitChar(TObject*, char C) { Waited += C; }
    void User(TObject*, bool Opening) { Log.push_back(Opening ? "user open" : "user closed"); }
    void UserEx(TObject*, TVexCallbackType Type) {
        static const char* const names[] = {"open", "closing", "closed"};
        Log.push_back(std::string("userEx ") + names[Type]);
    }

    void Attach(TVexCustomComPort& P) {
        Port = &P;
        P.SetOnTrigger(TTriggerEvent::Bind<&TRecorder::Trigger>(this));
        P.SetOnTriggerAvail(TTriggerAvailEvent::Bind<&TRecorder::Avail>(this));
        P.SetOnTriggerData(TTriggerDataEvent::Bind<&TRecorder::Data>(this));
        P.SetOnTriggerTimer(TTriggerTimerEvent::Bind<&TRecorder::Timer>(this));
        P.SetOnTriggerStatus(TTriggerStatusEvent::Bind<&TRecorder::Status>(this));
        P.SetOnTriggerLineError(TTriggerLineErrorEvent::Bind<&TRecorder::LineError>(this));
        P.SetOnTriggerModemStatus(TNotifyEvent::Bind<&TRecorder::Modem>(this));
        P.OnPortOpen = TNotifyEvent::Bind<&TRecorder::Opened>(this);
        P.OnPortClose = TNotifyEvent::Bind<&TRecorder::Closed>(this);
        P.OnWaitChar = TWaitCharEvent::Bind<&TRecorder::WaitChar>(this);
    }
    bool Has(const std::string& entry) const {
        for (const auto& e : Log)
            if (e == entry) return true;
        return false;
    }
    std::vector<std::string> Without(const std::string& prefix) const {
        std::vector<std::string> kept;
        for (const auto& e : Log)
            if (e.rfind(prefix, 0) != 0) kept.push_back(e);
        return kept;
    }
};

void DetachTriggers(TVexCustomComPort& P) {
    P.SetOnTrigger(nullptr);
    P.SetOnTriggerAvail(nullptr);
    P.SetOnTriggerData(nullptr);
    P.SetOnTriggerTimer(nullptr);
    P.SetOnTriggerStatus(nullptr);
    P.SetOnTriggerLineError(nullptr);
    P.SetOnTriggerModemStatus(nullptr);
}

// Exceptions that reach the application from event handlers.
struct TExceptionSink {
    std::vector<std::string> Messages;
    void Handle(TObject*, Exception* E) { Messages.push_back(E != nullptr ? E->Message : std::string()); }
    TExceptionSink() { Application->OnException = TExceptionEvent::Bind<&TExceptionSink::Handle>(this); }
    ~TExceptionSink() { Application->OnException = nullptr; }
    TExceptionSink(const TExceptionSink&) = delete;
    TExceptionSink& operator=(const TExceptionSink&) = delete;
};

// --- Over the in-memory device: the dispatch pass runs when the test asks for it ---------------

class TMemoryPort : public TVexComPort {
public:
    using TVexComPort::TVexComPort;

    std::function<void(TMemoryDispatcher&)> Prepare;
    TMemoryDispatcher* Mem = nullptr; // the last one made; valid while the port is open

protected:
    TVexBaseDispatcher* ActivateDeviceLayer() override {
        Mem = new TMemoryDispatcher(TMemoryDispatcher::TMode::Manual, this);
        if (Prepare) Prepare(*Mem);
        return Mem;
    }
};

class VxPortMemory : public ::testing::Test {
protected:
    void SetUp() override {
        MainThreadId();
        Port.SetComNumber(1);
    }
    void Open() {
        Port.SetOpen(true);
        ASSERT_EQ(Port.PortState(), psOpen);
    }
    // Bytes reach the device and one dispatch pass runs.
    void Arrive(const std::string& bytes) {
        Port.Mem->Receive(bytes);
        Port.ProcessCommunications();
    }
    bool Busy() { return Port.Mem->EventBusy(); }

    TRecorder Rec; // outlives the port, which tells it of its close
    TMemoryPort Port{nullptr};
};

TEST_F(VxPortMemory, StartsWithItsPublishedDefaults) {
    TVexComPort p(nullptr);
    EXPECT_EQ(p.DeviceLayer(), dlWin32);
    EXPECT_EQ(p.ComNumber(), 0);
    EXPECT_EQ(p.Baud(), 19200);
    EXPECT_TRUE(p.PromptForPort());
    EXPECT_EQ(p.Parity(), pNone);
    EXPECT_EQ(p.DataBits(), 8);
    EXPECT_EQ(p.StopBits(), 1);
    EXPECT_EQ(p.InSize(), 4096);
    EXPECT_EQ(p.OutSize(), 4096);
    EXPECT_TRUE(p.AutoOpen());
    EXPECT_FALSE(p.Open());
    EXPECT_TRUE(p.DTR());
    EXPECT_TRUE(p.RTS());
    EXPECT_EQ(p.HWFlowOptions(), 0u);
    EXPECT_EQ(p.SWFlowOptions(), swfNone);
    EXPECT_EQ(p.XOnChar(), 17);
    EXPECT_EQ(p.XOffChar(), 19);
    EXPECT_EQ(p.BufferFull(), 0);
    EXPECT_EQ(p.BufferResume(), 0);
    EXPECT_EQ(p.Tracing(), tlOff);
    EXPECT_EQ(p.TraceSize(), 10000u);
    EXPECT_EQ(p.TraceName(), "VEXO.TRC");
    EXPECT_TRUE(p.TraceHex());
    EXPECT_FALSE(p.TraceAllHex());
    EXPECT_EQ(p.Logging(), tlOff);
    EXPECT_EQ(p.LogSize(), 10000u);
    EXPECT_EQ(p.LogName(), "VEXO.LOG");
    EXPECT_TRUE(p.LogHex());
    EXPECT_FALSE(p.LogAllHex());
    EXPECT_TRUE(p.UseMSRShadow());
    EXPECT_TRUE(p.UseEventWord());
    EXPECT_EQ(p.CommNotificationLevel(), 10);
    EXPECT_EQ(p.TapiMode(), tmAuto);
    EXPECT_FALSE(p.RS485Mode());
    EXPECT_EQ(p.TriggerLength(), 1);
    EXPECT_EQ(p.Tag, 0);
    EXPECT_EQ(p.Version(), "v4.06");
    EXPECT_EQ(p.PortState(), psClosed);
}

TEST_F(VxPortMemory, ClosedPortAnswersNeutralValuesWithoutOpening) {
    EXPECT_EQ(Port.GetInBuffFree(), ReceiveRingSize);
    EXPECT_EQ(Port.GetInBuffUsed(), 0u);
    EXPECT_EQ(Port.GetOutBuffFree(), Port.OutSize());
    EXPECT_EQ(Port.GetOutBuffUsed(), 0u);
    EXPECT_FALSE(Port.GetCTS());
    EXPECT_FALSE(Port.GetDeltaDCD());
    EXPECT_EQ(Port.GetLineError(), 0);
    EXPECT_FALSE(Port.GetLineBreak());
    EXPECT_EQ(Port.GetFlowState(), fcOff);
    EXPECT_EQ(Port.GetBaseAddress(), 0);
    EXPECT_EQ(Port.PortState(), psClosed);
    EXPECT_EQ(Port.Mem, nullptr);

    // A data operation opens it.
    Port.PutString("hi");
    EXPECT_EQ(Port.PortState(), psOpen);
    EXPECT_TRUE(Port.Open());
    EXPECT_EQ(Port.Mem->TakeSent(), "hi");
}

TEST_F(VxPortMemory, WithoutAutoOpenDataOperationsRaiseNotOpen) {
    Port.SetAutoOpen(false);
    EXPECT_EQ(Port.GetDispatcher(), nullptr);
    try {
        Port.PutString("x");
        FAIL() << "no exception";
    } catch (const ECommNotOpen& e) {
        EXPECT_EQ(e.ErrorCode(), ecCommNotOpen);
    }
    EXPECT_EQ(Port.PortState(), psClosed);
}

// Each way the device can refuse to open raises its own error and leaves no dispatcher behind.
TEST_F(VxPortMemory, OpenFailuresRaiseTheirOwnErrors) {
    struct TCase {
        DWORD SystemError;
        int Code;    // of the EVEXException raised, or 0
        int IoError; // of the EInOutError raised, or 0
    } cases[] = {
        {ERROR_FILE_NOT_FOUND, ecBadId, 0},
        {3, ecBadId, 0}, // path not found
        {ERROR_SHARING_VIOLATION, ecAlreadyOpen, 0},
        {ERROR_ACCESS_DENIED, 0, 5},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.SystemError);
        Port.Prepare = [&](TMemoryDispatcher& d) { d.FailOpen(-1, c.SystemError); };
        int code = 0, io = 0;
        std::string message;
        try {
            Port.SetOpen(true);
        } catch (const EVEXException& e) {
            code = e.ErrorCode();
            message = e.Message;
        } catch (const EInOutError& e) {
            io = e.ErrorCode;
            message = e.Message;
        }
        EXPECT_EQ(code, c.Code);
        EXPECT_EQ(io, c.IoError);
        EXPECT_FALSE(message.empty());
        EXPECT_FALSE(Port.Open());
        EXPECT_EQ(Port.PortState(), psClosed);
        Port.SetAutoOpen(false);
        EXPECT_EQ(Port.GetDispatcher(), nullptr);
        Port.SetAutoOpen(true);
    }
}

TEST_F(VxPortMemory, FailingOpenHandlerLeavesThePortClosed) {
    Port.OnPortOpen = TNotifyEvent(
        +[](void*, TObject*) { throw Exception("not now"); }, nullptr);
    EXPECT_THROW(Port.SetOpen(true), Exception);
    EXPECT_EQ(Port.PortState(), psClosed);
    EXPECT_FALSE(Port.Open());
    Port.OnPortOpen = nullptr;
    Open();
}

TEST_F(VxPortMemory, FailingCloseHandlerStillCloses) {
    Open();
    Port.RegisterUserCallbackEx(TPortCallbackEx(
        +[](void*, TObject*, TVexCallbackType) { throw Exception("busy"); }, nullptr));
    EXPECT_THROW(Port.SetOpen(false), Exception);
    EXPECT_EQ(Port.PortState(), psClosed);
    EXPECT_FALSE(Port.Open());
}

TEST_F(VxPortMemory, NoComNumberRaisesNoPortSelected) {
    Port.SetComNumber(0);
    Port.SetPromptForPort(false);
    try {
        Port.SetOpen(true);
        FAIL() << "no exception";
    } catch (const ENoPortSelected& e) {
        EXPECT_EQ(e.ErrorCode(), ecNoPortSelected);
    }
    EXPECT_FALSE(Port.Open());
    EXPECT_EQ(Port.PortState(), psClosed);
    EXPECT_EQ(Port.Mem, nullptr) << "no dispatcher was made";
}

TEST_F(VxPortMemory, OtherDeviceLayersAreRefused) {
    TVexComPort p(nullptr);
    p.SetDeviceLayer(dlWinsock);
    EXPECT_EQ(p.DeviceLayer(), dlWin32);
}

TEST_F(VxPortMemory, LineSettingsApplyAtOnceWhenOpen) {
    Port.SetBaud(4800);
    Port.SetParity(pEven);
    EXPECT_EQ(Port.Baud(), 4800);
    Open();
    DCB dcb = Port.Mem->DeviceDCB();
    EXPECT_EQ(dcb.BaudRate, 4800u);
    EXPECT_EQ(dcb.Parity, EVENPARITY);

    Port.SetBaud(57600);
    Port.SetDatabits(7);
    Port.SetStopbits(2);
    dcb = Port.Mem->DeviceDCB();
    EXPECT_EQ(dcb.BaudRate, 57600u);
    EXPECT_EQ(dcb.ByteSize, 7);
    EXPECT_EQ(dcb.StopBits, TWOSTOPBITS);
    EXPECT_EQ(dcb.Parity, EVENPARITY);
}

TEST_F(VxPortMemory, FlowMarksAreDerivedFromTheInputSize) {
    Port.SetBufferFull(5000);
    EXPECT_EQ(Port.BufferFull(), 3686) << "above InSize 4096";
    Port.SetBufferResume(4000);
    EXPECT_EQ(Port.BufferResume(), 368) << "above BufferFull";

    TVexComPort hw(nullptr);
    hw.SetInSize(8192);
    hw.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
    EXPECT_EQ(hw.BufferFull(), 7372);
    EXPECT_EQ(hw.BufferResume(), 819);

    TVexComPort sw(nullptr);
    sw.SetSWFlowOptions(swfBoth);
    EXPECT_EQ(sw.BufferFull(), 3072);
    EXPECT_EQ(sw.BufferResume(), 1024);

    // RS-485 takes RTS for the direction.
    hw.SetRS485Mode(true);
    EXPECT_EQ(hw.HWFlowOptions(), 0u);
    EXPECT_FALSE(hw.RTS());
    hw.SetHWFlowOptions(hwfRequireCTS);
    EXPECT_FALSE(hw.RS485Mode());
}

TEST_F(VxPortMemory, FlowControlReachesTheDevice) {
    Port.SetHWFlowOptions(hwfUseDTR | hwfRequireCTS);
    Open();
    DCB dcb = Port.Mem->DeviceDCB();
    EXPECT_EQ(dcb.fDtrControl, DTR_CONTROL_HANDSHAKE);
    EXPECT_TRUE(dcb.fOutxCtsFlow);
    EXPECT_EQ(dcb.XoffLim, 4096 - 3686);

    // DTR serves flow control: the line and the property stay.
    Port.SetDTR(false);
    EXPECT_TRUE(Port.DTR());
    Port.SetRTS(false);
    EXPECT_FALSE(Port.RTS());
    EXPECT_FALSE(Port.Mem->RtsOn());

    Port.SetSWFlowOptions(swfTransmit);
    Port.SetXonChar('Q');
    dcb = Port.Mem->DeviceDCB();
    EXPECT_TRUE(dcb.fOutX);
    EXPECT_EQ(dcb.XonChar, 'Q');
    Port.Mem->SetHoldFlags(0x01); // waiting for CTS
    EXPECT_EQ(Port.GetFlowState(), fcCtsHold);
}

TEST_F(VxPortMemory, NotificationsBecomeEvents) {
    Rec.Attach(Port);
    Open();
    Rec.Log.clear();
    const WORD ok = Port.AddDataTrigger("OK", false);
    Arrive("xyOK");
    EXPECT_EQ(Rec.Received, "xyOK");
    const std::vector<std::string> expected = {
        "trigger 32257 2 2",          "avail 2",           "trigger 32258 " + std::to_string(ok) + " 2",
        "data " + std::to_string(ok), "trigger 32257 2 2", "avail 2"};
    EXPECT_EQ(Rec.Log, expected);
    EXPECT_EQ(Port.GetInBuffUsed(), 0u);

    // A line-status trigger: the break is read before the error code.
    Rec.Log.clear();
    const WORD line = Port.AddStatusTrigger(stLine);
    EXPECT_EQ(line & 7, stLine);
    Port.SetStatusTrigger(line, 2 | 8, true); // parity, break
    Port.Mem->SetDeviceErrors(CE_RXPARITY | CE_BREAK);
    Port.ProcessCommunications();
    EXPECT_EQ(Rec.Without("trigger"),
              (std::vector<std::string>{"status " + std::to_string(line), "line 3 break"}));

    // No event assigned: the port's window is not served.
    Rec.Log.clear();
    DetachTriggers(Port);
    Arrive("quiet");
    EXPECT_TRUE(Rec.Log.empty());
    EXPECT_EQ(Port.GetInBuffUsed(), 5u);
}

TEST_F(VxPortMemory, HandlerExceptionsReachTheApplication) {
    TExceptionSink sink;
    Rec.Attach(Port);
    Rec.OnAvail = [] { throw Exception("handler failed"); };
    Open();
    Arrive("a");
    EXPECT_EQ(sink.Messages, std::vector<std::string>{"handler failed"});
    Rec.OnAvail = nullptr;
    Arrive("b");
    EXPECT_EQ(Rec.Received, "ab");
}

// A user that frees the port while being told of its close: the close is completed all the same.
TEST_F(VxPortMemory, FreedByAUserDuringTheClose) {
    struct TFreer {
        TMemoryPort* Port;
        void Told(TObject*, TVexCallbackType Type) {
            if (Type == ctClosing) delete std::exchange(Port, nullptr);
        }
    } freer{new TMemoryPort(nullptr)};
    freer.Port->SetComNumber(1);
    freer.Port->RegisterUserCallbackEx(TPortCallbackEx::Bind<&TFreer::Told>(&freer));
    freer.Port->SetOpen(true);
    const int handle = freer.Port->GetDispatcher()->Handle();
    freer.Port->SetOpen(false);
    EXPECT_EQ(freer.Port, nullptr);
    EXPECT_FALSE(SlotTaken(handle));
}

TEST_F(VxPortMemory, UsersAreToldLastRegisteredFirst) {
    std::vector<std::string> windowLog;
    auto windowOf = [&](const std::string& name) {
        return CreateMessageWindow("user", [&windowLog, name](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
            windowLog.push_back(name + " " + std::to_string(msg));
            return 0;
        });
    };
    const HWND plain = windowOf("plain");
    const HWND extended = windowOf("extended");
    Rec.Attach(Port);
    EXPECT_EQ(Port.RegisterUser(plain), 0);
    EXPECT_EQ(Port.RegisterUserEx(extended), 1);
    EXPECT_EQ(Port.RegisterUserCallback(TPortCallback::Bind<&TRecorder::User>(&Rec)), 2);
    EXPECT_EQ(Port.RegisterUserCallbackEx(TPortCallbackEx::Bind<&TRecorder::UserEx>(&Rec)), 3);

    Open();
    EXPECT_EQ(Rec.Log, (std::vector<std::string>{"userEx open", "user open", "OnPortOpen"}));
    EXPECT_EQ(windowLog, (std::vector<std::string>{"extended 32264", "plain 32264"}));

    Rec.Log.clear();
    windowLog.clear();
    Port.SetOpen(false);
    EXPECT_EQ(Rec.Log,
              (std::vector<std::string>{"userEx closing", "userEx closed", "user closed", "OnPortClose"}));
    EXPECT_EQ(windowLog, (std::vector<std::string>{"extended 32266", "extended 32265", "plain 32265"}));

    Port.DeregisterUser(plain);
    Port.DeregisterUserCallbackEx(TPortCallbackEx::Bind<&TRecorder::UserEx>(&Rec));
    Rec.Log.clear();
    windowLog.clear();
    Open();
    EXPECT_EQ(Rec.Log, (std::vector<std::string>{"user open", "OnPortOpen"}));
    EXPECT_EQ(windowLog, std::vector<std::string>{"extended 32264"});
    Port.SetOpen(false);
    DestroyWindow(plain);
    DestroyWindow(extended);
}

TEST_F(VxPortMemory, OneUserLeavingKeepsAnotherOfTheSameClass) {
    TRecorder first, second;
    Port.RegisterUserCallback(TPortCallback::Bind<&TRecorder::User>(&first));
    Port.RegisterUserCallback(TPortCallback::Bind<&TRecorder::User>(&second));
    Port.DeregisterUserCallback(TPortCallback::Bind<&TRecorder::User>(&first));
    Open();
    EXPECT_TRUE(first.Log.empty());
    EXPECT_EQ(second.Log, std::vector<std::string>{"user open"});
    Port.SetOpen(false);
}

TEST_F(VxPortMemory, TriggersSurviveCloseAndReopen) {
    Rec.Attach(Port);
    Open();
    const WORD ok = Port.AddDataTrigger("ok", true);
    Port.SetTriggerLength(0);
    Port.SetOpen(false);
    Open();
    Rec.Log.clear();
    Arrive("xxOK");
    EXPECT_EQ(Rec.Without("trigger"), std::vector<std::string>{"data " + std::to_string(ok)});

    Port.RemoveAllTriggers();
    EXPECT_EQ(Port.TriggerLength(), 0);
    EXPECT_THROW(Port.RemoveTrigger(ok), EVEXException);
}

TEST_F(VxPortMemory, ComNumberChangeReopensKeepingTriggersAndTrace) {
    Rec.Attach(Port);
    Port.SetTraceName((std::filesystem::temp_directory_path() / "VxPort_renumber.trc").string());
    Port.SetTracing(tlOn);
    Open();
    const WORD ok = Port.AddDataTrigger("OK", false);
    Port.SetComNumber(7);
    EXPECT_EQ(Port.ComNumber(), 7);
    EXPECT_EQ(Port.PortState(), psOpen);
    EXPECT_EQ(Rec.Without("trigger"), (std::vector<std::string>{"OnPortOpen", "OnPortClose", "OnPortOpen"}));
    EXPECT_EQ(Port.Mem->DeviceName, "COM7");
    EXPECT_EQ(Port.Tracing(), tlOn);
    Arrive("OK");
    EXPECT_TRUE(Rec.Has("data " + std::to_string(ok)));
    Port.SetTracing(tlOff);
    std::filesystem::remove(Port.TraceName());
}

TEST_F(VxPortMemory, TraceStatesFollowTheOperations) {
    const auto file = std::filesystem::temp_directory_path() / "VxPort_trace.trc";
    std::filesystem::remove(file);
    Port.SetTraceName(file.string());

    // Closed: only on and off are kept.
    for (TTraceLogState s : {tlDump, tlAppend, tlClear, tlPause}) {
        Port.SetTracing(s);
        EXPECT_EQ(Port.Tracing(), tlOff) << s;
    }
    Port.SetTracing(tlOn);
    Open();
    Port.PutString("AB");
    Port.SetTracing(tlPause);
    EXPECT_EQ(Port.Tracing(), tlPause);
    Port.PutString("C"); // not traced
    Port.SetTracing(tlOn);
    EXPECT_EQ(Port.Tracing(), tlOn);

    // Closing writes the trace.
    Port.SetOpen(false);
    EXPECT_EQ(Port.Tracing(), tlOff);
    ASSERT_TRUE(std::filesystem::exists(file));
    EXPECT_GT(std::filesystem::file_size(file), 0u);
    std::filesystem::remove(file);

    Port.SetTraceSize(5000000);
    EXPECT_EQ(Port.TraceSize(), MaxTraceSize);
    Port.SetLogSize(20000000);
    EXPECT_EQ(Port.LogSize(), MaxLogSize);
    Open();
    Port.InitLogging(0);
    EXPECT_EQ(Port.Logging(), tlOn);
    EXPECT_EQ(Port.LogSize(), MaxLogSize);
    Port.StopLogging();
    EXPECT_EQ(Port.Logging(), tlPause);
    Port.AbortLogging();
    EXPECT_EQ(Port.Logging(), tlOff);
}

// A trace file that cannot be written is reported, and the port closes all the same.
TEST_F(VxPortMemory, UnwritableTraceDoesNotKeepThePortOpen) {
    Port.SetTraceName("/nonexistent/dir/VEXO.TRC");
    Port.SetTracing(tlOn);
    Open();
    Port.PutString("x");
    Rec.Attach(Port);
    EXPECT_THROW(Port.SetOpen(false), Exception);
    EXPECT_EQ(Port.PortState(), psClosed);
    EXPECT_FALSE(Port.Open());
    EXPECT_TRUE(Rec.Has("OnPortClose"));
}

TEST_F(VxPortMemory, AssignCopiesSettingsTriggersAndEvents) {
    Rec.Attach(Port);
    Port.SetBaud(38400);
    Port.SetParity(pOdd);
    Port.SetSWFlowOptions(swfReceive);
    Port.SetTraceName("copy.trc");
    Open();
    const WORD ok = Port.AddDataTrigger("OK", false);

    TMemoryPort copy(nullptr);
    copy.Assign(&Port);
    EXPECT_EQ(copy.ComNumber(), 1);
    EXPECT_EQ(copy.Baud(), 38400);
    EXPECT_EQ(copy.Parity(), pOdd);
    EXPECT_EQ(copy.SWFlowOptions(), swfReceive);
    EXPECT_EQ(copy.TraceName(), "copy.trc");
    EXPECT_FALSE(copy.Open());
    EXPECT_TRUE(copy.OnTriggerData() == Port.OnTriggerData());
    Port.SetOpen(false);

    copy.SetOpen(true);
    Rec.Port = &copy;
    copy.Mem->Receive("OK");
    copy.ProcessCommunications();
    EXPECT_TRUE(Rec.Has("data " + std::to_string(ok)));

    TComponent other(nullptr);
    EXPECT_THROW(copy.Assign(&other), EConvertError);
}

TEST(VxPortUnit, ComNameAndSearchComPort) {
    EXPECT_EQ(ComName(1), "COM1");
    EXPECT_EQ(ComName(12), "COM12");

    TComponent form(nullptr);
    EXPECT_EQ(SearchComPort(&form), nullptr);
    auto* panel = new TComponent(&form);
    auto* inner = new TVexComPort(panel);
    EXPECT_EQ(SearchComPort(&form), inner) << "found inside a component";
    auto* later = new TVexComPort(&form);
    EXPECT_EQ(SearchComPort(&form), inner) << "depth first, in order";
    EXPECT_EQ(SearchComPort(later), nullptr);
}

TEST_F(VxPortMemory, LoadingOpensOnceTheFormHasLoaded) {
    TComponent form(nullptr);
    auto* port = new TMemoryPort(&form);
    form.BeginLoading();
    port->SetComNumber(2);
    port->SetOpen(true);
    EXPECT_EQ(port->PortState(), psClosed);
    form.EndLoading();
    EXPECT_EQ(port->PortState(), psOpen);

    // A failure while loading goes to the application; the form loads all the same.
    TExceptionSink sink;
    TComponent other(nullptr);
    auto* failing = new TMemoryPort(&other);
    other.BeginLoading();
    failing->SetComNumber(3);
    failing->Prepare = [](TMemoryDispatcher& d) { d.FailOpen(-1, ERROR_FILE_NOT_FOUND); };
    failing->ForcePortOpen();
    other.EndLoading();
    EXPECT_EQ(failing->PortState(), psClosed);
    EXPECT_FALSE(failing->Open());
    ASSERT_EQ(sink.Messages.size(), 1u);
    EXPECT_EQ(sink.Messages[0], VexoLoadStr(ecBadId));
}

// --- String waits -------------------------------------------------------------------------------

class VxPortWait : public VxPortMemory {
protected:
    void SetUp() override {
        VxPortMemory::SetUp();
        Rec.Attach(Port);
        Port.SetOnTriggerAvail(nullptr);
        Open();
    }
    // Bytes that are in the receive ring when the wait starts.
    void Ring(const std::string& bytes) { Arrive(bytes); }
};

TEST_F(VxPortWait, FindsStringsWhoseStartRepeats) {
    struct TCase {
        const char* Stream;
        const char* Wanted;
        bool IgnoreCase;
        bool Found;
        const char* Left; // what the wait leaves in the ring
    } cases[] = {
        {"OOK", "OK", false, true, ""},        {"aaab!", "aab", false, true, "!"},
        {"ABABAC-", "ABAC", false, true, "-"}, {"xxabcabcabd", "abcabd", false, true, ""},
        {"hello OK", "ok", true, true, ""},    {"hello OK", "ok", false, false, ""},
        {"ABAB", "ABAC", false, false, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Stream) + " / " + c.Wanted);
        Rec.Waited.clear();
        Ring(c.Stream);
        EXPECT_EQ(Port.WaitForString(c.Wanted, 1, false, c.IgnoreCase), c.Found);
        std::string left(Port.GetInBuffUsed(), '\0');
        if (!left.empty()) Port.GetBlock(left.data(), static_cast<DWORD>(left.size()));
        EXPECT_EQ(left, c.Left);
        EXPECT_EQ(Rec.Waited + left, c.Stream) << "bytes go to OnWaitChar as received";
    }
}

TEST_F(VxPortWait, AnEmptyStringIsFoundAtOnce) {
    Ring("data");
    EXPECT_TRUE(Port.WaitForString("", 100, false, false));
    EXPECT_EQ(Port.GetInBuffUsed(), 4u);
    EXPECT_EQ(Port.WaitForMultiString("", 100, false, false, '|'), 0);
}

// The timer may run out on the very pass that completes the match: it was found.
TEST_F(VxPortWait, MatchAtExpiryIsFound) {
    Ring("K");
    EXPECT_TRUE(Port.WaitForString("K", 0, false, false));
    Ring("K");
    EXPECT_EQ(Port.WaitForMultiString("X|K", 0, false, false, '|'), 2);
}

TEST_F(VxPortWait, TerminatingApplicationEndsTheWaitUnfound) {
    Application->Terminate();
    const std::uint64_t start = MonotonicMs();
    EXPECT_FALSE(Port.WaitForString("never", 1000, true, false));
    EXPECT_EQ(Port.WaitForMultiString("a|b", 1000, true, false, '|'), 0);
    EXPECT_LT(MonotonicMs() - start, 5000u);
    Application->ResetTerminated();
}

TEST_F(VxPortWait, MultiStringAnswersTheFirstToArrive) {
    struct TCase {
        const char* Stream;
        const char* Wanted;
        char Sep;
        int Number;
    } cases[] = {
        {"xxERROR", "OK|ERROR", '|', 2},
        {"OK", "OK|ERROR|", '|', 1},
        {"aaab", "zz;aab", ';', 2},
        {"xx", "OK|ERROR", '|', 0},
        {"E", "|E", '|', 2},       // an empty string never arrives, but keeps its
                                   // number
        {"abc", "bc|abc", '|', 1}, // both end on the same byte: the lower number
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Wanted);
        Ring(c.Stream);
        EXPECT_EQ(Port.WaitForMultiString(c.Wanted, 1, false, false, c.Sep), c.Number);
        Port.FlushInBuffer();
    }
}

TEST(VxPortUnit, CheckForStringKeepsItsPlace) {
    TVexComPort port(nullptr);
    auto feed = [&](const std::string& wanted, const std::string& stream, bool ignoreCase) {
        WORD index = 0;
        std::string hits;
        for (char c : stream) hits += port.CheckForString(index, c, wanted, ignoreCase) ? '1' : '0';
        return hits;
    };
    EXPECT_EQ(feed("OK", "OOK", false), "001");
    EXPECT_EQ(feed("aab", "aaab", false), "0001");
    EXPECT_EQ(feed("ABAC", "ABABAC", false), "000001");
    EXPECT_EQ(feed("ok", "xOkOK", true), "00101");
    EXPECT_EQ(feed("", "abc", false), "000");

    WORD wild = 999; // an index beyond the string starts afresh
    EXPECT_TRUE(port.CheckForString(wild, 'A', "A", false));
    EXPECT_EQ(wild, 0);
}

// Whatever way a wait ends, it gives back the hold that PrepareWait or the wait took, and only
// that one.
TEST_F(VxPortWait, EveryExitReleasesTheHold) {
    const std::vector<std::function<void()>> exits = {
        [&] {
            Ring("OK");
            EXPECT_TRUE(Port.WaitForString("OK", 1, false, false));
        },
        [&] { EXPECT_FALSE(Port.WaitForString("OK", 0, true, false)); },
        [&] { EXPECT_TRUE(Port.WaitForString("", 1, false, false)); },
        [&] {
            Ring("2");
            EXPECT_EQ(Port.WaitForMultiString("1|2", 1, false, false, '|'), 2);
        },
        [&] { EXPECT_EQ(Port.WaitForMultiString("1|2", 0, false, false, '|'), 0); },
        [&] {
            Ring("x");
            Port.OnWaitChar = TWaitCharEvent(
                +[](void*, TObject*, char) { throw Exception("wait handler failed"); }, nullptr);
            EXPECT_THROW(Port.WaitForString("y", 1, false, false), Exception);
            Port.OnWaitChar = TWaitCharEvent::Bind<&TRecorder::WaitChar>(&Rec);
        },
    };
    for (std::size_t i = 0; i < exits.size(); ++i) {
        SCOPED_TRACE(i);
        Port.PrepareWait();
        Port.PrepareWait(); // one hold, however often it is asked for
        EXPECT_TRUE(Busy());
        exits[i]();
        EXPECT_FALSE(Busy());

        exits[i]();
        EXPECT_FALSE(Busy()) << "without PrepareWait";

        // A hold of someone else's outlives the wait.
        bool wasBusy = false;
        Port.Mem->SetEventBusy(wasBusy, true);
        exits[i]();
        EXPECT_TRUE(Busy());
        Port.Mem->SetEventBusy(wasBusy, false);
        EXPECT_FALSE(Busy());
    }
}

TEST_F(VxPortWait, PreparedWaitKeepsAnEarlyReply) {
    Rec.Attach(Port); // OnTriggerAvail would take the reply
    Rec.Log.clear();
    Port.PrepareWait();
    Arrive("OK");
    EXPECT_TRUE(Rec.Log.empty());
    EXPECT_TRUE(Port.WaitForString("OK", 1, false, false));
    Arrive("more");
    EXPECT_EQ(Rec.Received, "more");
}

// --- Over a pseudo-terminal with the serial layer's worker threads ------------------------------

class VxPortPty : public ::testing::Test {
protected:
    static constexpr int Number = 61;
    void SetUp() override {
        MainThreadId();
        Port.SetComNumber(Number);
        Rec.Attach(Port);
    }
    void TearDown() override {
        if (Port.Open()) Port.SetOpen(false);
        PumpUntil([&] { return Port.PortState() == psClosed; });
    }

    TPty Pty{Number};
    TRecorder Rec;
    TVexComPort Port{nullptr};
};

TEST_F(VxPortPty, DataTravelsBothWays) {
    Port.SetOpen(true);
    ASSERT_EQ(Port.PortState(), psOpen);
    Port.PutString("hello\r");
    std::string out;
    EXPECT_TRUE(PumpUntil([&] {
        out += Pty.Drain();
        return out.size() >= 6;
    }));
    EXPECT_EQ(out, "hello\r");

    const WORD end = Port.AddDataTrigger("END", false);
    Pty.Send("some text END");
    EXPECT_TRUE(PumpUntil([&] { return Rec.Received.size() >= 13; }));
    EXPECT_EQ(Rec.Received, "some text END");
    EXPECT_TRUE(Rec.Has("data " + std::to_string(end)));
    EXPECT_TRUE(Rec.Has("trigger 32258 " + std::to_string(end) + " 3"));
}

TEST_F(VxPortPty, WaitForStringWithAndWithoutYielding) {
    DetachTriggers(Port);
    Port.SetOpen(true);
    for (bool yield : {false, true}) {
        SCOPED_TRACE(yield);
        Rec.Waited.clear();
        std::thread far([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            Pty.Send("login: ");
        });
        EXPECT_TRUE(Port.WaitForString("login:", 36, yield, false));
        far.join();
        EXPECT_EQ(Rec.Waited, "login:");
        EXPECT_FALSE(Port.WaitForString("never", 1, yield, false));
        EXPECT_EQ(Rec.Waited, "login: ");
    }
}

TEST_F(VxPortPty, OpenErrorsOfTheDevice) {
    Port.SetOpen(true);
    TVexComPort second(nullptr);
    second.SetComNumber(Number);
    try {
        second.SetOpen(true);
        ADD_FAILURE() << "opened twice";
    } catch (const EAlreadyOpen& e) {
        EXPECT_EQ(e.ErrorCode(), ecAlreadyOpen);
    }
    EXPECT_EQ(second.PortState(), psClosed);

    setenv("VEXO_COM62", "/nonexistent/tty", 1);
    TVexComPort missing(nullptr);
    missing.SetComNumber(62);
    try {
        missing.SetOpen(true);
        ADD_FAILURE() << "opened a missing port";
    } catch (const EBadId& e) {
        EXPECT_EQ(e.ErrorCode(), ecBadId);
    }
    unsetenv("VEXO_COM62");
    EXPECT_EQ(missing.PortState(), psClosed);
}

// Closed from its own avail handler, the port tells its users at once and finishes the close when
// the dispatch thread has ended.
TEST_F(VxPortPty, CloseFromInsideTheAvailHandler) {
    // Whatever the platform (or a sanitizer) starts with the first thread stays out of the count.
    Port.SetOpen(true);
    Port.SetOpen(false);
    PumpFor(50);
    const std::size_t threads = Entries("/proc/self/task");
    Rec.Log.clear();
    Port.RegisterUserCallbackEx(TPortCallbackEx::Bind<&TRecorder::UserEx>(&Rec));
    Port.SetOpen(true);
    const int handle = Port.GetDispatcher()->Handle();
    TPortState inHandler = psOpen;
    std::vector<std::string> toldInHandler;
    Rec.OnAvail = [&] {
        Rec.OnAvail = nullptr;
        Port.SetOpen(false);
        inHandler = Port.PortState();
        toldInHandler = Rec.Without("trigger");
    };
    Pty.Send("z");
    ASSERT_TRUE(PumpUntil([&] { return Port.PortState() == psClosed; }));
    EXPECT_EQ(inHandler, psShuttingDown);
    EXPECT_EQ(toldInHandler, (std::vector<std::string>{"userEx open", "OnPortOpen", "avail 1",
                                                       "userEx closing", "userEx closed", "OnPortClose"}));
    EXPECT_FALSE(Port.Open());
    EXPECT_FALSE(SlotTaken(handle));
    EXPECT_TRUE(PumpUntil([&] { return Entries("/proc/self/task") <= threads; }));

    // The port opens again on the same device.
    Port.SetOpen(true);
    EXPECT_EQ(Port.PortState(), psOpen);
}

TEST_F(VxPortPty, OpenAskedForDuringADeferredCloseFollowsIt) {
    Port.SetOpen(true);
    Rec.OnAvail = [&] {
        Rec.OnAvail = nullptr;
        Port.SetOpen(false);
        Port.SetOpen(true);
    };
    Pty.Send("x");
    auto opens = [&] { return std::count(Rec.Log.begin(), Rec.Log.end(), "OnPortOpen"); };
    ASSERT_TRUE(PumpUntil([&] { return opens() == 2; }));
    EXPECT_EQ(Port.PortState(), psOpen);
    EXPECT_TRUE(Port.Open());
    Pty.Send("again");
    EXPECT_TRUE(PumpUntil([&] { return Rec.Received == "xagain"; }));
}

// A port freed by its own handler: the dispatcher is let go once its workers have ended, and
// nothing reaches the freed port.
TEST_F(VxPortPty, FreedFromInsideTheAvailHandler) {
    auto* port = new TVexComPort(nullptr);
    port->SetComNumber(Number);
    TRecorder rec;
    rec.Attach(*port);
    port->SetOpen(true);
    const int handle = port->GetDispatcher()->Handle();
    rec.OnAvail = [&] {
        rec.OnAvail = nullptr;
        delete port;
        port = nullptr;
    };
    Pty.Send("first");
    ASSERT_TRUE(PumpUntil([&] { return port == nullptr; }));
    Pty.Send("second");
    EXPECT_TRUE(PumpUntil([&] { return !SlotTaken(handle); }));
    PumpFor(50);
    EXPECT_EQ(rec.Without("trigger"), (std::vector<std::string>{"OnPortOpen", "avail 5", "OnPortClose"}));

    // The device is free again.
    Port.SetOpen(true);
    EXPECT_EQ(Port.PortState(), psOpen);
}

// Freed while its dispatch thread waits to deliver a notification: the notification is dropped.
TEST_F(VxPortPty, FreedWhileANotificationWaits) {
    auto* port = new TVexComPort(nullptr);
    port->SetComNumber(Number);
    TRecorder rec;
    rec.Attach(*port);
    port->SetOpen(true);
    const int handle = port->GetDispatcher()->Handle();
    TVexBaseDispatcher* disp = port->GetDispatcher();
    Pty.Send("pending");
    // Not pumping: the dispatch thread's notification waits for this thread.
    const std::uint64_t deadline = MonotonicMs() + 3000;
    while (!disp->EventBusy() && MonotonicMs() < deadline) Sleep(1);
    ASSERT_TRUE(disp->EventBusy());
    delete port;
    EXPECT_TRUE(PumpUntil([&] { return !SlotTaken(handle); }));
    EXPECT_EQ(rec.Without("trigger"), (std::vector<std::string>{"OnPortOpen", "OnPortClose"}));
}

// --- The simulated line: modem lines, line errors, flow control ---------------------------------

class VxPortSimulated : public ::testing::Test {
protected:
    static constexpr int Number = 63;
    void SetUp() override {
        MainThreadId();
        Port.SetComNumber(Number);
        Rec.Attach(Port);
        Port.SetOpen(true);
        ASSERT_EQ(Port.PortState(), psOpen);
    }
    void TearDown() override { Port.SetOpen(false); }

    TSimulatedComm Sim{Number};
    TRecorder Rec;
    TVexComPort Port{nullptr};
};

TEST_F(VxPortSimulated, ModemStatusTriggersFireForMaskedLinesOnly) {
    const WORD modem = Port.AddStatusTrigger(stModem);
    Port.SetStatusTrigger(modem, ModemCts, true);
    Sim.SetDsr(false);
    Sim.SetDcd(false);
    PumpFor(200);
    EXPECT_FALSE(Rec.Has("modem"));
    EXPECT_FALSE(Port.GetDSR());

    Sim.SetCts(false);
    ASSERT_TRUE(PumpUntil([&] { return Rec.Has("modem"); }));
    EXPECT_EQ(Rec.Without("trigger"),
              (std::vector<std::string>{"OnPortOpen", "status " + std::to_string(modem), "modem"}));
    EXPECT_FALSE(Port.GetCTS());
}

TEST_F(VxPortSimulated, BreakAndParityErrorReachTheLineErrorState) {
    const WORD line = Port.AddStatusTrigger(stLine);
    Port.SetStatusTrigger(line, 2 | 8, true);
    Sim.InjectBreak();
    ASSERT_TRUE(PumpUntil([&] { return Rec.Has("line 0 break"); })) << ::testing::PrintToString(Rec.Log);

    Port.SetStatusTrigger(line, 2 | 8, true);
    Sim.InjectLineError(CE_RXPARITY);
    ASSERT_TRUE(PumpUntil([&] { return Rec.Has("line 3"); })) << ::testing::PrintToString(Rec.Log);
    EXPECT_EQ(Port.GetLineError(), 0) << "read by the event";
}

TEST_F(VxPortSimulated, HeldByCtsOutputWaitsAndResumes) {
    Port.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
    Sim.SetCts(false);
    ASSERT_TRUE(PumpUntil([&] { return !Port.GetCTS(); }));
    Port.PutString("held");
    EXPECT_TRUE(PumpUntil([&] { return Port.GetFlowState() == fcCtsHold; }));
    PumpFor(100);
    EXPECT_EQ(Sim.TakeTransmitted(), "");

    Sim.SetCts(true);
    std::string line;
    EXPECT_TRUE(PumpUntil([&] {
        line += Sim.TakeTransmitted();
        return line.size() >= 4;
    }));
    EXPECT_EQ(line, "held");
}

TEST_F(VxPortSimulated, FlushingHeldOutputDropsIt) {
    Port.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
    Sim.SetCts(false);
    ASSERT_TRUE(PumpUntil([&] { return !Port.GetCTS(); }));
    Port.PutString("dropped");
    EXPECT_TRUE(PumpUntil([&] { return Port.GetFlowState() == fcCtsHold; }));
    Port.FlushOutBuffer();
    EXPECT_EQ(Port.GetOutBuffUsed(), 0u);
    Sim.SetCts(true);
    PumpFor(100);
    EXPECT_EQ(Sim.TakeTransmitted(), "");
    Port.PutString("next");
    std::string line;
    EXPECT_TRUE(PumpUntil([&] {
        line += Sim.TakeTransmitted();
        return line.size() >= 4;
    }));
    EXPECT_EQ(line, "next");
}

} // namespace
