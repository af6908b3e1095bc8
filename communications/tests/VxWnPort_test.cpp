// The TCP port over loopback: against in-test peers, a scripted proxy, and the real SOCKS and
// telnet servers (dante, microsocks, socat, telnetd) when they are installed.
#include "communications/VxWnPort.h"

#include "communications/VxErrors.h"
#include "communications/VxExcept.h"
#include "communications/VxWnsock.h"
#include "communications/tests/support/SocketPeer.h"
#include "platform/ui/Forms.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>
#include "tools/testing/SourceTree.h"

using namespace std::string_literals;

namespace {

std::string AllByteValues() {
    std::string s(256, '\0');
    for (int i = 0; i < 256; ++i) s[static_cast<std::size_t>(i)] = static_cast<char>(i);
    return s;
}

std::string Bytes(std::initializer_list<int> Values) {
    std::string s;
    for (int v : Values) s += static_cast<char>(v);
    return s;
}

std::string PortBytes(unsigned short Port) {
    return Bytes({Port >> 8, Port & 0xFF});
}

const std::string Loopback = Bytes({127, 0, 0, 1});

// The port's events in the order they came.
struct TEventLog {
    std::vector<std::string> Seen;
    std::function<void(const std::string&)> Then;
    bool AcceptAnswer = true;
    DWORD AcceptedFrom = 0;

    void Note(const std::string& What) {
        Seen.push_back(What);
        if (Then) Then(What);
    }
    void PortOpen(TObject*) { Note("open"); }
    void PortClose(TObject*) { Note("close"); }
    void Connect(TObject*) { Note("connect"); }
    void Disconnect(TObject*) { Note("disconnect"); }
    void Error(TObject*, int Code) { Note("error " + std::to_string(Code)); }
    void Accept(TObject*, TInAddr Addr, bool& Accept) {
        AcceptedFrom = Addr.S_addr;
        Accept = AcceptAnswer;
        Note(AcceptAnswer ? "accept" : "refuse");
    }
    int Count(const std::string& What) const {
        return static_cast<int>(std::count(Seen.begin(), Seen.end(), What));
    }
    bool Got(const std::string& What) const { return Count(What) > 0; }

    void Watch(TVexCustomWinsockPort& P, bool WithErrors = true) {
        P.OnPortOpen = TNotifyEvent::Bind<&TEventLog::PortOpen>(this);
        P.OnPortClose = TNotifyEvent::Bind<&TEventLog::PortClose>(this);
        P.OnWsConnect = TNotifyEvent::Bind<&TEventLog::Connect>(this);
        P.OnWsDisconnect = TNotifyEvent::Bind<&TEventLog::Disconnect>(this);
        P.OnWsAccept = TWsAcceptEvent::Bind<&TEventLog::Accept>(this);
        if (WithErrors) P.OnWsError = TWsErrorEvent::Bind<&TEventLog::Error>(this);
    }
};

// Everything the port received, as its avail events announced it.
struct TReceived {
    std::string Data;
    TVexCustomComPort* Port = nullptr;
    void Avail(TObject*, WORD Count) {
        std::string s(Count, '\0');
        Port->GetBlock(s.data(), Count);
        Data += s;
    }
    void Watch(TVexCustomComPort& P) {
        Port = &P;
        P.SetOnTriggerAvail(TTriggerAvailEvent::Bind<&TReceived::Avail>(this));
    }
};

struct TExceptions {
    std::vector<std::string> Messages;
    void Handle(TObject*, Exception* E) { Messages.push_back(E->Message); }
};

// A program the test starts and stops: a proxy, an echo or a telnet server on loopback.
class TPeerProcess {
public:
    TPeerProcess() = default;
    ~TPeerProcess() { Stop(); }
    TPeerProcess(const TPeerProcess&) = delete;
    TPeerProcess& operator=(const TPeerProcess&) = delete;

    static bool Installed(const std::string& Path) { return ::access(Path.c_str(), X_OK) == 0; }

    // Starts Argv in its own process group and waits until it takes connections on Port.
    bool Start(const std::vector<std::string>& Argv, unsigned short Port) {
        std::vector<char*> args;
        for (const std::string& a : Argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        FPid = ::fork();
        if (FPid < 0) return false;
        if (FPid == 0) {
            ::setpgid(0, 0);
            if (std::FILE* f = std::freopen("/dev/null", "w", stderr)) (void)f;
            if (std::FILE* f = std::freopen("/dev/null", "w", stdout)) (void)f;
            ::execv(args[0], args.data());
            ::_exit(127);
        }
        ::setpgid(FPid, FPid);
        for (int i = 0; i < 100; ++i) {
            TSocketPeer probe;
            if (probe.Connect(Port, 100)) return true;
            int status = 0;
            if (::waitpid(FPid, &status, WNOHANG) == FPid) {
                FPid = -1;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    // The program first, then whatever of its group (forked workers) is left; reaped.
    void Stop() {
        if (FPid <= 0) return;
        ::kill(FPid, SIGTERM);
        int status = 0;
        ::waitpid(FPid, &status, 0);
        ::kill(-FPid, SIGKILL);
        FPid = -1;
    }

private:
    pid_t FPid = -1;
};

std::filesystem::path PeerConfigDir() {
    return SourceTree() / "tools" / "peers";
}

// A copy of a file from tools/peers with @PORT@ filled in, removed again with this object.
class TPeerFile {
public:
    TPeerFile(const std::string& Name, unsigned short Port) {
        std::ifstream in(PeerConfigDir() / Name);
        std::stringstream text;
        text << in.rdbuf();
        std::string conf = text.str();
        for (std::size_t at; (at = conf.find("@PORT@")) != std::string::npos;)
            conf.replace(at, 6, std::to_string(Port));
        FPath = "/tmp/vexo-" + std::to_string(::getpid()) + "-" + std::to_string(Port) + "-" + Name;
        std::ofstream(FPath) << conf;
    }
    ~TPeerFile() { std::remove(FPath.c_str()); }
    TPeerFile(const TPeerFile&) = delete;
    TPeerFile& operator=(const TPeerFile&) = delete;

    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
};

// A proxy played by a script on its own thread: each step reads exactly the request the port must
// send and answers with the reply; then it echoes, holds the connection open, or closes it.
class TScriptedProxy {
public:
    struct TStep {
        std::string Request;
        std::string Reply;
    };
    enum TAfter { Echo, Hold, Close };

    TScriptedProxy(std::vector<TStep> Steps, TAfter After) : FSteps(std::move(Steps)), FAfter(After) {
        FPort = FPeer.Listen();
        FThread = std::thread([this] { Run(); });
    }
    ~TScriptedProxy() {
        FStop = true;
        FThread.join();
    }
    TScriptedProxy(const TScriptedProxy&) = delete;
    TScriptedProxy& operator=(const TScriptedProxy&) = delete;

    unsigned short Port() const { return FPort; }
    // What the port sent for each step; complete once the script has ended.
    std::vector<std::string> Requests() {
        std::lock_guard<std::mutex> lock(FLock);
        return FRequests;
    }

private:
    void Run() {
        bool accepted = false;
        while (!FStop && !accepted) accepted = FPeer.Accept(50);
        if (!accepted) return;
        for (const TStep& step : FSteps) {
            std::string got;
            while (!FStop && got.size() < step.Request.size() && !FPeer.SawClose())
                got += FPeer.Receive(step.Request.size() - got.size(), 50);
            {
                std::lock_guard<std::mutex> lock(FLock);
                FRequests.push_back(got);
            }
            if (got != step.Request) return;
            if (!step.Reply.empty()) FPeer.Send(step.Reply);
        }
        if (FAfter == Close) {
            FPeer.CloseConnection();
            return;
        }
        while (!FStop && !FPeer.SawClose()) {
            const std::string got = FPeer.Receive(1, 20);
            if (FAfter == Echo && !got.empty()) FPeer.Send(got);
        }
    }

    TSocketPeer FPeer;
    std::vector<TStep> FSteps;
    TAfter FAfter;
    unsigned short FPort = 0;
    std::atomic<bool> FStop{false};
    std::mutex FLock;
    std::vector<std::string> FRequests;
    std::thread FThread;
};

class WinsockPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        MainThreadId();
        ASSERT_EQ(VexSocket->StartupError(), 0);
        Application->OnException = TExceptionEvent::Bind<&TExceptions::Handle>(&Errors);
    }
    void TearDown() override {
        // The handlers belong to the test body, which has ended.
        for (auto& p : Ports) {
            p->OnPortOpen = nullptr;
            p->OnPortClose = nullptr;
            p->OnWsAccept = nullptr;
            p->OnWsConnect = nullptr;
            p->OnWsDisconnect = nullptr;
            p->OnWsError = nullptr;
            p->SetOnTriggerAvail(nullptr);
            Close(*p);
        }
        Ports.clear();
        PumpFor(20);
        Application->OnException = nullptr;
    }

    TVexWinsockPort& MakePort(const std::string& Address = "127.0.0.1", const std::string& Service = "telnet",
                              bool Telnet = false) {
        Ports.push_back(std::make_unique<TVexWinsockPort>(nullptr));
        TVexWinsockPort& p = *Ports.back();
        p.SetDeviceLayer(dlWinsock);
        p.SetWsAddress(Address);
        p.SetWsPort(Service);
        p.SetWsTelnet(Telnet);
        p.SetAutoOpen(false);
        return p;
    }
    static void Close(TVexCustomComPort& P) {
        P.SetOpen(false);
        PumpUntil([&] { return P.PortState() == psClosed; });
    }
    static TVexWinsockDispatcher* Disp(TVexCustomComPort& P) {
        return dynamic_cast<TVexWinsockDispatcher*>(P.GetDispatcher());
    }
    // A client port connected to Peer.
    TVexWinsockPort& Connected(TSocketPeer& Peer, TEventLog& Log, bool Telnet = false) {
        const unsigned short port = Peer.Listen();
        TVexWinsockPort& p = MakePort("127.0.0.1", std::to_string(port), Telnet);
        Log.Watch(p);
        p.SetOpen(true);
        EXPECT_TRUE(Peer.Accept());
        EXPECT_TRUE(PumpUntil([&] { return Log.Got("connect"); }));
        return p;
    }

    std::vector<std::unique_ptr<TVexWinsockPort>> Ports;
    TExceptions Errors;
};

// --- Settings -----------------------------------------------------------------------------------

TEST_F(WinsockPortTest, DefaultsAndTheDeviceLayer) {
    TVexWinsockPort p(nullptr);
    EXPECT_EQ(p.DeviceLayer(), dlWin32);
    EXPECT_EQ(p.WsAddress(), "");
    EXPECT_EQ(p.WsPort(), "telnet");
    EXPECT_EQ(p.WsMode(), wsClient);
    EXPECT_TRUE(p.WsTelnet());
    EXPECT_EQ(p.WsLocalAddressIndex(), 0);
    EXPECT_EQ(p.WsSocksServerInfo()->SocksVersion(), svNone);
    EXPECT_EQ(p.WsSocksServerInfo()->Port(), 0);
    EXPECT_EQ(p.TapiMode(), tmAuto);
    EXPECT_TRUE(p.UseMSRShadow());

    p.SetDeviceLayer(dlWinsock);
    EXPECT_EQ(p.DeviceLayer(), dlWinsock);
    EXPECT_EQ(p.TapiMode(), tmOff);
    EXPECT_FALSE(p.UseMSRShadow());
    p.SetUseMSRShadow(true);
    EXPECT_FALSE(p.UseMSRShadow());

    p.SetDeviceLayer(dlWin32);
    EXPECT_EQ(p.TapiMode(), tmAuto);
    p.SetUseMSRShadow(true);
    EXPECT_TRUE(p.UseMSRShadow());
}

TEST_F(WinsockPortTest, LocalAddressesAreDottedQuads) {
    TVexWinsockPort p(nullptr);
    TStringList* list = p.WsLocalAddresses();
    for (int i = 0; i < list->Count(); ++i) {
        unsigned a, b, c, d;
        char rest;
        EXPECT_EQ(std::sscanf(list->Strings(i).c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &rest), 4)
            << list->Strings(i);
    }
    TStringList mine;
    mine.Add("10.1.2.3");
    p.SetWsLocalAddresses(&mine);
    p.SetWsLocalAddressIndex(3);
    EXPECT_EQ(p.WsLocalAddressIndex(), 3);
}

TEST_F(WinsockPortTest, ConnectionSettingsAreTrimmedAndFixedWhileOpen) {
    TSocketPeer peer;
    TEventLog log;
    TVexWinsockPort& p = MakePort(" \t127.0.0.1 \r\n", "  3000 ");
    EXPECT_EQ(p.WsAddress(), "127.0.0.1");
    EXPECT_EQ(p.WsPort(), "3000");

    TVexWinsockPort& open = Connected(peer, log);
    const std::string address = open.WsAddress();
    const std::string port = open.WsPort();
    for (const auto& change : std::vector<std::function<void()>>{
             [&] { open.SetWsAddress("10.0.0.1"); },
             [&] { open.SetWsPort("4000"); },
             [&] { open.SetWsMode(wsServer); },
         }) {
        try {
            change();
            ADD_FAILURE() << "changed while open";
        } catch (const EVexSocketException& e) {
            EXPECT_EQ(e.ErrorCode(), 9006);
            EXPECT_EQ(e.Message, "Cannot change parameter while socket is connected");
        }
    }
    EXPECT_EQ(open.WsAddress(), address);
    EXPECT_EQ(open.WsPort(), port);
    EXPECT_EQ(open.WsMode(), wsClient);
    open.SetWsAddress(address); // unchanged: no error
    open.SetWsTelnet(true);     // not a connection setting
}

// --- Opening ------------------------------------------------------------------------------------

TEST_F(WinsockPortTest, ServiceNamesAndNumbersGiveThePort) {
    struct TCase {
        const char* Service;
        WORD Port;
    };
    for (const TCase& c :
         {TCase{"3000", 3000}, TCase{"telnet", 23}, TCase{"00080", 80}, TCase{"65535", 65535}}) {
        SCOPED_TRACE(c.Service);
        TVexWinsockPort& p = MakePort("127.0.0.1", c.Service);
        p.SetOpen(true);
        ASSERT_EQ(p.PortState(), psOpen);
        EXPECT_EQ(Disp(p)->RemoteAddress().sin_port, VexSocket->htons(c.Port));
        EXPECT_EQ(Disp(p)->RemoteAddress().sin_addr.S_addr, VexSocket->htonl(INADDR_LOOPBACK));
        EXPECT_EQ(Disp(p)->DeviceName, "Winsock client, connect to 127.0.0.1 on port "s + c.Service);
        Close(p);
    }
}

TEST_F(WinsockPortTest, OpenFailuresRaiseAndLeaveThePortClosed) {
    struct TCase {
        const char* What;
        std::string Address;
        std::string Service;
        int Code;
        const char* Text;
    };
    const TCase cases[] = {
        {"port 0", "127.0.0.1", "0", 9005, "Specified port is not valid"},
        {"port beyond range", "127.0.0.1", "70000", 9005, "Specified port is not valid"},
        {"unknown service", "127.0.0.1", "no-such-service", 9005, "Specified port is not valid"},
        {"no address", "", "3000", 10039, "The destination address is required for this operation"},
        {"unresolvable", "a..b", "3000", 9007, "Cannot resolve destination address"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TEventLog log;
        TVexWinsockPort& p = MakePort(c.Address, c.Service);
        log.Watch(p, false);
        try {
            p.SetOpen(true);
            ADD_FAILURE() << "opened";
        } catch (const EVexSocketException& e) {
            EXPECT_EQ(e.ErrorCode(), c.Code);
            EXPECT_EQ(e.Message, c.Text);
        }
        EXPECT_EQ(p.PortState(), psClosed);
        EXPECT_FALSE(p.Open());
        EXPECT_TRUE(log.Seen.empty());
    }
}

TEST_F(WinsockPortTest, UnresolvableAddressGoesToOnWsErrorAndStillRaises) {
    TEventLog log;
    TVexWinsockPort& p = MakePort("a..b", "3000");
    log.Watch(p);
    try {
        p.SetOpen(true);
        ADD_FAILURE() << "opened";
    } catch (const EVEXException&) {
        // -9007, raised by the port as a code without a class of its own
    }
    EXPECT_EQ(log.Seen, std::vector<std::string>{"error 9007"});
    EXPECT_EQ(p.PortState(), psClosed);
}

// --- Client -------------------------------------------------------------------------------------

TEST_F(WinsockPortTest, EveryByteValueBothWays) {
    struct TCase {
        bool Telnet;
        std::string Wire; // what 0..255 looks like on the wire
    };
    std::string telnetWire;
    for (int i = 0; i < 256; ++i) {
        telnetWire += static_cast<char>(i);
        if (i == 13) telnetWire += '\0';
        if (i == 255) telnetWire += '\xFF';
    }
    for (const TCase& c : {TCase{false, AllByteValues()}, TCase{true, telnetWire}}) {
        SCOPED_TRACE(c.Telnet ? "telnet" : "plain");
        TSocketPeer peer;
        TEventLog log;
        TVexWinsockPort& p = Connected(peer, log, c.Telnet);
        TReceived in;
        in.Watch(p);

        EXPECT_EQ(p.PutBlock(AllByteValues().data(), 256), 0);
        EXPECT_EQ(peer.Receive(c.Wire.size()), c.Wire);
        ASSERT_TRUE(peer.Send(c.Wire));
        ASSERT_TRUE(PumpUntil([&] { return in.Data.size() >= 256; }));
        EXPECT_EQ(in.Data, AllByteValues());
        Close(p);
        EXPECT_EQ(log.Seen, (std::vector<std::string>{"open", "connect", "close", "disconnect"}));
    }
}

TEST_F(WinsockPortTest, RefusedConnectionReportsAndClosesWithoutDisconnect) {
    TEventLog log;
    TVexWinsockPort& p = MakePort("127.0.0.1", std::to_string(TSocketPeer::UnusedPort()));
    log.Watch(p);
    bool openAtError = false;
    log.Then = [&](const std::string& What) {
        if (What == "error 10061") openAtError = p.Open();
    };
    p.SetOpen(true);
    ASSERT_TRUE(PumpUntil([&] { return p.PortState() == psClosed; }));
    EXPECT_TRUE(openAtError); // the close comes after the error event
    EXPECT_EQ(log.Seen, (std::vector<std::string>{"open", "error 10061", "close"}));
    EXPECT_FALSE(p.Open());
}

TEST_F(WinsockPortTest, PeerCloseDeliversTheDataThenCloses) {
    TSocketPeer peer;
    TEventLog log;
    TVexWinsockPort& p = Connected(peer, log);
    TReceived in;
    in.Watch(p);
    std::string atClose;
    log.Then = [&](const std::string& What) {
        if (What == "close") atClose = in.Data;
    };
    ASSERT_TRUE(peer.Send("last words"));
    peer.CloseConnection();
    ASSERT_TRUE(PumpUntil([&] { return p.PortState() == psClosed; }));
    EXPECT_EQ(atClose, "last words");
    EXPECT_EQ(log.Seen, (std::vector<std::string>{"open", "connect", "close", "disconnect"}));
}

TEST_F(WinsockPortTest, PeerResetReportsTheErrorThenCloses) {
    TSocketPeer peer;
    TEventLog log;
    TVexWinsockPort& p = Connected(peer, log);
    peer.ResetConnection();
    ASSERT_TRUE(PumpUntil([&] { return p.PortState() == psClosed; }));
    EXPECT_EQ(log.Seen, (std::vector<std::string>{"open", "connect", "error 10054", "close", "disconnect"}));
}

TEST_F(WinsockPortTest, ACloseMeantForAnEarlierConnectionLeavesTheNextOneOpen) {
    TSocketPeer first;
    TEventLog log;
    TVexWinsockPort& p = Connected(first, log);
    first.CloseConnection();
    // The close event has arrived (and the port's own close is queued) once the line drops.
    ASSERT_TRUE(PumpUntil([&] { return !p.GetDCD(); }));
    p.SetOpen(false);
    TSocketPeer second;
    p.SetWsPort(std::to_string(second.Listen()));
    p.SetOpen(true);
    ASSERT_TRUE(second.Accept());
    ASSERT_TRUE(PumpUntil([&] { return log.Count("connect") == 2; }));
    PumpFor(100);
    EXPECT_TRUE(p.Open());
    p.PutString("still here");
    EXPECT_EQ(second.Receive(10), "still here");
}

TEST_F(WinsockPortTest, PortFreedInsideItsErrorHandler) {
    TEventLog log;
    auto* p = new TVexWinsockPort(nullptr);
    p->SetDeviceLayer(dlWinsock);
    p->SetWsAddress("127.0.0.1");
    p->SetWsPort(std::to_string(TSocketPeer::UnusedPort()));
    log.Watch(*p);
    log.Then = [&](const std::string& What) {
        if (What.rfind("error", 0) == 0) delete std::exchange(p, nullptr);
    };
    p->SetOpen(true);
    ASSERT_TRUE(PumpUntil([&] { return p == nullptr; }));
    PumpFor(150);
    EXPECT_EQ(log.Seen, (std::vector<std::string>{"open", "error 10061", "close"}));
    EXPECT_TRUE(Errors.Messages.empty());
}

TEST_F(WinsockPortTest, TwoPortsEachGetOnlyTheirOwnData) {
    TSocketPeer peerA, peerB;
    TEventLog logA, logB;
    TVexWinsockPort& a = Connected(peerA, logA);
    TVexWinsockPort& b = Connected(peerB, logB);
    TReceived inA, inB;
    inA.Watch(a);
    inB.Watch(b);
    ASSERT_TRUE(peerA.Send("for a"));
    ASSERT_TRUE(PumpUntil([&] { return inA.Data == "for a"; }));
    ASSERT_TRUE(peerB.Send("for b"));
    ASSERT_TRUE(PumpUntil([&] { return inB.Data == "for b"; }));
    PumpFor(120);
    EXPECT_EQ(inA.Data, "for a");
    EXPECT_EQ(inB.Data, "for b");
    a.PutString("from a");
    b.PutString("from b");
    EXPECT_EQ(peerA.Receive(6), "from a");
    EXPECT_EQ(peerB.Receive(6), "from b");
}

// --- Server -------------------------------------------------------------------------------------

TEST_F(WinsockPortTest, ServerAcceptsRefusesAndGoesOnListening) {
    const unsigned short port = TSocketPeer::UnusedPort();
    TEventLog log;
    TVexWinsockPort& p = MakePort("", std::to_string(port));
    p.SetWsMode(wsServer);
    log.Watch(p);
    TReceived in;
    in.Watch(p);
    p.SetOpen(true);
    ASSERT_EQ(p.PortState(), psOpen);
    EXPECT_EQ(Disp(p)->DeviceName, "Winsock server on port " + std::to_string(port));

    log.AcceptAnswer = false;
    TSocketPeer refused;
    ASSERT_TRUE(refused.Connect(port));
    ASSERT_TRUE(PumpUntil([&] { return refused.SawClose(); }));
    EXPECT_EQ(log.AcceptedFrom, VexSocket->htonl(INADDR_LOOPBACK));

    log.AcceptAnswer = true;
    TSocketPeer peer;
    ASSERT_TRUE(peer.Connect(port));
    ASSERT_TRUE(PumpUntil([&] { return log.Got("accept"); }));
    ASSERT_TRUE(peer.Send("hello server"));
    ASSERT_TRUE(PumpUntil([&] { return in.Data == "hello server"; }));
    p.PutString("hello peer");
    EXPECT_EQ(peer.Receive(10), "hello peer");

    TSocketPeer second; // one peer at a time
    ASSERT_TRUE(second.Connect(port));
    ASSERT_TRUE(PumpUntil([&] { return second.SawClose(); }));

    peer.CloseConnection();
    ASSERT_TRUE(PumpUntil([&] { return log.Got("disconnect"); }));
    EXPECT_TRUE(p.Open());

    TSocketPeer next;
    ASSERT_TRUE(next.Connect(port));
    ASSERT_TRUE(PumpUntil([&] { return log.Count("accept") == 2; }));
    Close(p);
    EXPECT_EQ(log.Seen, (std::vector<std::string>{"open", "refuse", "accept", "disconnect", "accept", "close",
                                                  "disconnect"}));
}

// --- Proxy, scripted ----------------------------------------------------------------------------

using TStep = TScriptedProxy::TStep;

struct TSocksCase {
    const char* What;
    TVexSocksVersion Version;
    std::vector<TStep> Steps;
    int Code;            // 0: connected
    bool Closes = false; // the proxy closes after its last reply
};

void PrintTo(const TSocksCase& c, std::ostream* os) {
    *os << c.What;
}

// The destination the scripted cases name; the script plays it too.
constexpr unsigned short Dest = 4000;
const std::string Socks4Request = Bytes({4, 1}) + PortBytes(Dest) + Loopback + "alice" + '\0';
const std::string Socks5Greeting = Bytes({5, 2, 0, 2});
const std::string Socks5Connect = Bytes({5, 1, 0, 1}) + Loopback + PortBytes(Dest);
const std::string Socks5Auth = Bytes({1, 5}) + "alice" + Bytes({6}) + "secret";

std::string Socks4Reply(int Code) {
    return Bytes({0, Code, 0, 0, 0, 0, 0, 0});
}
std::string Socks5Reply(int Status) {
    return Bytes({5, Status, 0, 1, 0, 0, 0, 0, 0, 0});
}

std::vector<TStep> Socks5Steps(const std::string& ConnectReply) {
    return {{Socks5Greeting, Bytes({5, 0})}, {Socks5Connect, ConnectReply}};
}

std::vector<TSocksCase> SocksGranted() {
    return {
        {"socks4", svSocks4, {{Socks4Request, Socks4Reply(90)}}, 0},
        {"socks4a",
         svSocks4a,
         {{Bytes({4, 1}) + PortBytes(Dest) + Bytes({0, 0, 0, 1}) + "alice" + '\0' + "localhost" + '\0',
           Socks4Reply(90)}},
         0},
        {"socks5 without authentication", svSocks5, Socks5Steps(Socks5Reply(0)), 0},
        {"socks5 with user and password",
         svSocks5,
         {{Socks5Greeting, Bytes({5, 2})}, {Socks5Auth, Bytes({1, 0})}, {Socks5Connect, Socks5Reply(0)}},
         0},
        {"socks5 IPv6 bound address", svSocks5,
         Socks5Steps(Bytes({5, 0, 0, 4}) + std::string(16, '\x20') + "pp"), 0},
        {"socks5 named bound address", svSocks5, Socks5Steps(Bytes({5, 0, 0, 3, 9}) + "localhost" + "pp"), 0},
    };
}

std::vector<TSocksCase> SocksRefused() {
    std::vector<TSocksCase> cases = {
        {"socks4 rejected", svSocks4, {{Socks4Request, Socks4Reply(91)}}, 9008},
        {"socks4 no identd", svSocks4, {{Socks4Request, Socks4Reply(92)}}, 9009},
        {"socks4 other user-id", svSocks4, {{Socks4Request, Socks4Reply(93)}}, 9010},
        {"socks4 unknown reply", svSocks4, {{Socks4Request, Socks4Reply(17)}}, 9011},
        {"socks5 password refused",
         svSocks5,
         {{Socks5Greeting, Bytes({5, 2})}, {Socks5Auth, Bytes({1, 1})}},
         9011},
        {"socks5 no acceptable method", svSocks5, {{Socks5Greeting, Bytes({5, 0xFF})}}, 9011},
        {"socks5 unknown status", svSocks5, Socks5Steps(Socks5Reply(9)), 9011},
        {"socks5 unknown address type", svSocks5, Socks5Steps(Bytes({5, 0, 0, 7, 0, 0})), 9021},
        {"socks5 truncated reply, then the proxy closes", svSocks5, Socks5Steps(Bytes({5, 0, 0})), 9011,
         true},
    };
    for (int status = 1; status <= 8; ++status)
        cases.push_back({"socks5 status", svSocks5, Socks5Steps(Socks5Reply(status)), 9011 + status});
    return cases;
}

class SocksTest : public WinsockPortTest, public ::testing::WithParamInterface<TSocksCase> {
protected:
    TVexWinsockPort& ProxiedPort(TVexSocksVersion Version, unsigned short ProxyPort) {
        TVexWinsockPort& p = MakePort(Version == svSocks4a ? "localhost" : "127.0.0.1", std::to_string(Dest));
        p.WsSocksServerInfo()->SetSocksVersion(Version);
        p.WsSocksServerInfo()->SetAddress("127.0.0.1");
        p.WsSocksServerInfo()->SetPort(ProxyPort);
        p.WsSocksServerInfo()->SetUserCode("alice");
        p.WsSocksServerInfo()->SetPassword("secret");
        return p;
    }
    static void ExpectRequests(TScriptedProxy& Proxy, const TSocksCase& C) {
        const std::vector<std::string> sent = Proxy.Requests();
        ASSERT_EQ(sent.size(), C.Steps.size());
        for (std::size_t i = 0; i < sent.size(); ++i)
            EXPECT_EQ(sent[i], C.Steps[i].Request) << "request " << i;
    }
};

using SocksGrantedTest = SocksTest;
using SocksRefusedTest = SocksTest;

TEST_P(SocksGrantedTest, ConnectsAndCarriesData) {
    const TSocksCase& c = GetParam();
    TScriptedProxy proxy(c.Steps, TScriptedProxy::Echo);
    TVexWinsockPort& p = ProxiedPort(c.Version, proxy.Port());
    TEventLog log;
    log.Watch(p);
    p.SetOpen(true);
    EXPECT_EQ(log.Seen, (std::vector<std::string>{"open", "connect"}));
    TReceived in;
    in.Watch(p);
    p.PutString("through");
    ASSERT_TRUE(PumpUntil([&] { return in.Data == "through"; }));
    ExpectRequests(proxy, c);
}

TEST_P(SocksRefusedTest, RaisedOrReportedAndClosed) {
    const TSocksCase& c = GetParam();
    const auto after = c.Closes ? TScriptedProxy::Close : TScriptedProxy::Hold;
    {
        SCOPED_TRACE("raised without OnWsError");
        TScriptedProxy proxy(c.Steps, after);
        TVexWinsockPort& p = ProxiedPort(c.Version, proxy.Port());
        TEventLog log;
        log.Watch(p, false);
        try {
            p.SetOpen(true);
            ADD_FAILURE() << "opened";
        } catch (const EVexSocketException& e) {
            EXPECT_EQ(e.ErrorCode(), c.Code);
            EXPECT_EQ(e.Message, SocksErrorText(c.Code));
        }
        EXPECT_EQ(p.PortState(), psClosed);
        EXPECT_TRUE(log.Seen.empty());
        ExpectRequests(proxy, c);
    }
    {
        SCOPED_TRACE("reported to OnWsError");
        TScriptedProxy proxy(c.Steps, after);
        TVexWinsockPort& p = ProxiedPort(c.Version, proxy.Port());
        TEventLog log;
        log.Watch(p);
        p.SetOpen(true);
        ASSERT_TRUE(PumpUntil([&] { return p.PortState() == psClosed; }));
        EXPECT_EQ(log.Seen, (std::vector<std::string>{"error " + std::to_string(c.Code), "open", "close"}));
    }
}

const auto CaseName = [](const ::testing::TestParamInfo<TSocksCase>& p) {
    return "Case" + std::to_string(p.index);
};
INSTANTIATE_TEST_SUITE_P(Replies, SocksGrantedTest, ::testing::ValuesIn(SocksGranted()), CaseName);
INSTANTIATE_TEST_SUITE_P(Replies, SocksRefusedTest, ::testing::ValuesIn(SocksRefused()), CaseName);

TEST_F(WinsockPortTest, BytesRightBehindTheProxyReplyAreKept) {
    TScriptedProxy proxy({{Socks4Request, Socks4Reply(90) + "banner\r\n"}}, TScriptedProxy::Hold);
    TVexWinsockPort& p = MakePort("127.0.0.1", std::to_string(Dest));
    p.WsSocksServerInfo()->SetSocksVersion(svSocks4);
    p.WsSocksServerInfo()->SetAddress("127.0.0.1");
    p.WsSocksServerInfo()->SetPort(proxy.Port());
    p.WsSocksServerInfo()->SetUserCode("alice");
    TReceived in;
    in.Watch(p);
    p.SetOpen(true);
    ASSERT_TRUE(PumpUntil([&] { return in.Data.size() >= 8; }));
    EXPECT_EQ(in.Data, "banner\r\n");
}

// With WsTelnet the proxy still gets its bytes raw: a 0xFF or CR in the destination port, the user
// name, the password or the proxy's replies is neither doubled nor padded. Telnet starts after.
TEST_F(WinsockPortTest, ProxyNegotiatesRawThenTelnetStarts) {
    const unsigned short dest = 0xFF0D; // port bytes 0xFF, CR
    const std::string user = "a\xFF\rb";
    const std::string password = "\r\xFF\xFF\r";
    const std::vector<TStep> steps = {
        {Socks5Greeting, Bytes({5, 2})},
        {Bytes({1, 4}) + user + Bytes({4}) + password, Bytes({1, 0})},
        {Bytes({5, 1, 0, 1}) + Loopback + PortBytes(dest), Bytes({5, 0, 0, 1, 255, 255, 13, 0, 255, 13})},
        // Telnet now: the port's IAC is doubled and its lone CR padded; the peer's IAC IAC is one byte.
        {Bytes({'x', 255, 255, 13, 0}), Bytes({'y', 255, 255, 13, 0, 'z'})},
    };
    TScriptedProxy proxy(steps, TScriptedProxy::Hold);
    TVexWinsockPort& p = MakePort("127.0.0.1", std::to_string(dest), true);
    p.WsSocksServerInfo()->SetSocksVersion(svSocks5);
    p.WsSocksServerInfo()->SetAddress("127.0.0.1");
    p.WsSocksServerInfo()->SetPort(proxy.Port());
    p.WsSocksServerInfo()->SetUserCode(user);
    p.WsSocksServerInfo()->SetPassword(password);
    TEventLog log;
    log.Watch(p);
    p.SetOpen(true);
    ASSERT_EQ(log.Seen, (std::vector<std::string>{"open", "connect"}));
    EXPECT_TRUE(Disp(p)->Telnet());
    TReceived in;
    in.Watch(p);
    p.PutString(Bytes({'x', 255, 13}));
    ASSERT_TRUE(PumpUntil([&] { return in.Data.size() >= 4; }));
    EXPECT_EQ(in.Data, Bytes({'y', 255, 13, 'z'}));
    const std::vector<std::string> sent = proxy.Requests();
    ASSERT_EQ(sent.size(), steps.size());
    for (std::size_t i = 0; i < sent.size(); ++i) EXPECT_EQ(sent[i], steps[i].Request) << "request " << i;
}

// The server may speak before the port has read the proxy's reply: what came with the reply was
// received raw, and is decoded once telnet starts (the option request answered too).
TEST_F(WinsockPortTest, TelnetDecodesWhatCameWithTheProxyReply) {
    const std::string afterReply =
        "ban" + Bytes({255, 255}) + "ner\r" + Bytes({0, 255, TelnetDO, TelnetOptTermType});
    TScriptedProxy proxy({{Socks4Request, Bytes({0, 90, 255, 13, 255, 255, 0, 13}) + afterReply},
                          {Bytes({255, TelnetWILL, TelnetOptTermType}), ""}},
                         TScriptedProxy::Hold);
    TVexWinsockPort& p = MakePort("127.0.0.1", std::to_string(Dest), true);
    p.WsSocksServerInfo()->SetSocksVersion(svSocks4);
    p.WsSocksServerInfo()->SetAddress("127.0.0.1");
    p.WsSocksServerInfo()->SetPort(proxy.Port());
    p.WsSocksServerInfo()->SetUserCode("alice");
    TReceived in;
    in.Watch(p);
    p.SetOpen(true);
    ASSERT_EQ(p.PortState(), psOpen);
    ASSERT_TRUE(PumpUntil([&] { return proxy.Requests().size() == 2 && in.Data.size() >= 8; }));
    EXPECT_EQ(in.Data, "ban\xFFner\r");
    EXPECT_EQ(proxy.Requests()[1], Bytes({255, TelnetWILL, TelnetOptTermType}));
}

TEST_F(WinsockPortTest, RefusingProxyEndsTheNegotiationWithItsError) {
    TVexWinsockPort& p = MakePort("127.0.0.1", "4000");
    p.WsSocksServerInfo()->SetSocksVersion(svSocks5);
    p.WsSocksServerInfo()->SetAddress("127.0.0.1");
    p.WsSocksServerInfo()->SetPort(TSocketPeer::UnusedPort());
    try {
        p.SetOpen(true);
        ADD_FAILURE() << "opened";
    } catch (const EVexSocketException& e) {
        EXPECT_EQ(e.ErrorCode(), 10061);
    }
    EXPECT_EQ(p.PortState(), psClosed);

    TEventLog log;
    log.Watch(p);
    p.SetOpen(true);
    ASSERT_TRUE(PumpUntil([&] { return p.PortState() == psClosed; }));
    EXPECT_EQ(log.Seen, (std::vector<std::string>{"error 10061", "open", "close"}));
}

TEST_F(WinsockPortTest, UnresolvableDestinationEndsTheNegotiation) {
    TScriptedProxy proxy({}, TScriptedProxy::Hold);
    TVexWinsockPort& p = MakePort("a..b", "4000");
    p.WsSocksServerInfo()->SetSocksVersion(svSocks4);
    p.WsSocksServerInfo()->SetAddress("127.0.0.1");
    p.WsSocksServerInfo()->SetPort(proxy.Port());
    try {
        p.SetOpen(true);
        ADD_FAILURE() << "opened";
    } catch (const EVexSocketException& e) {
        EXPECT_EQ(e.ErrorCode(), 9007);
    }
    EXPECT_EQ(p.PortState(), psClosed);
}

// --- Real peers ---------------------------------------------------------------------------------

class RealPeerTest : public WinsockPortTest {
protected:
    void StartEcho() {
        if (!TPeerProcess::Installed("/usr/bin/socat")) GTEST_SKIP() << "socat is not installed";
        EchoPort = TSocketPeer::UnusedPort();
        ASSERT_TRUE(Echo.Start({"/usr/bin/socat",
                                "TCP-LISTEN:" + std::to_string(EchoPort) + ",bind=127.0.0.1,reuseaddr,fork",
                                "EXEC:/bin/cat"},
                               EchoPort));
    }
    TVexWinsockPort& ThroughProxy(TVexSocksVersion Version, unsigned short ProxyPort) {
        TVexWinsockPort& p = MakePort("127.0.0.1", std::to_string(EchoPort));
        p.WsSocksServerInfo()->SetSocksVersion(Version);
        p.WsSocksServerInfo()->SetAddress("127.0.0.1");
        p.WsSocksServerInfo()->SetPort(ProxyPort);
        return p;
    }
    void ExpectEcho(TVexWinsockPort& P) {
        TReceived in;
        in.Watch(P);
        EXPECT_EQ(P.PutBlock(AllByteValues().data(), 256), 0);
        EXPECT_TRUE(PumpUntil([&] { return in.Data.size() >= 256; }));
        EXPECT_EQ(in.Data, AllByteValues());
        P.SetOnTriggerAvail(nullptr);
    }

    TPeerProcess Echo;
    unsigned short EchoPort = 0;
};

TEST_F(RealPeerTest, Socks4And5ThroughDante) {
    if (!TPeerProcess::Installed("/usr/sbin/danted"))
        GTEST_SKIP() << "danted is not installed (dante-server)";
    StartEcho();
    if (IsSkipped()) return;
    const unsigned short proxyPort = TSocketPeer::UnusedPort();
    const TPeerFile conf("danted.conf", proxyPort);
    TPeerProcess dante;
    ASSERT_TRUE(dante.Start({"/usr/sbin/danted", "-f", conf.Path()}, proxyPort));
    for (TVexSocksVersion version : {svSocks4, svSocks5}) {
        SCOPED_TRACE(version);
        TEventLog log;
        TVexWinsockPort& p = ThroughProxy(version, proxyPort);
        p.WsSocksServerInfo()->SetUserCode("alice");
        log.Watch(p);
        p.SetOpen(true);
        EXPECT_EQ(log.Seen, (std::vector<std::string>{"open", "connect"}));
        ExpectEcho(p);
        Close(p);
    }
}

TEST_F(RealPeerTest, Socks5WithUserAndPasswordThroughMicrosocks) {
    if (!TPeerProcess::Installed("/usr/bin/microsocks")) GTEST_SKIP() << "microsocks is not installed";
    StartEcho();
    if (IsSkipped()) return;
    const unsigned short proxyPort = TSocketPeer::UnusedPort();
    TPeerProcess microsocks;
    ASSERT_TRUE(microsocks.Start({"/usr/bin/microsocks", "-i", "127.0.0.1", "-p", std::to_string(proxyPort),
                                  "-u", "alice", "-P", "secret"},
                                 proxyPort));

    TVexWinsockPort& p = ThroughProxy(svSocks5, proxyPort);
    p.WsSocksServerInfo()->SetUserCode("alice");
    p.WsSocksServerInfo()->SetPassword("secret");
    p.SetOpen(true);
    ASSERT_EQ(p.PortState(), psOpen);
    ExpectEcho(p);
    Close(p);

    p.WsSocksServerInfo()->SetPassword("wrong");
    try {
        p.SetOpen(true);
        ADD_FAILURE() << "opened with a wrong password";
    } catch (const EVexSocketException& e) {
        EXPECT_EQ(e.ErrorCode(), 9011);
    }
}

TEST_F(RealPeerTest, Socks4aRefusedByDanteMapsTo9008) {
    if (!TPeerProcess::Installed("/usr/sbin/danted"))
        GTEST_SKIP() << "danted is not installed (dante-server)";
    const unsigned short proxyPort = TSocketPeer::UnusedPort();
    const TPeerFile conf("danted.conf", proxyPort);
    TPeerProcess dante;
    ASSERT_TRUE(dante.Start({"/usr/sbin/danted", "-f", conf.Path()}, proxyPort));
    TVexWinsockPort& p = MakePort("localhost", "4000");
    p.WsSocksServerInfo()->SetSocksVersion(svSocks4a);
    p.WsSocksServerInfo()->SetAddress("127.0.0.1");
    p.WsSocksServerInfo()->SetPort(proxyPort);
    try {
        p.SetOpen(true);
        ADD_FAILURE() << "opened";
    } catch (const EVexSocketException& e) {
        EXPECT_EQ(e.ErrorCode(), 9008);
    }
}

TEST_F(RealPeerTest, TelnetNegotiationWithTelnetd) {
    if (!TPeerProcess::Installed("/usr/sbin/telnetd"))
        GTEST_SKIP() << "telnetd is not installed (inetutils-telnetd)";
    if (!TPeerProcess::Installed("/usr/bin/socat")) GTEST_SKIP() << "socat is not installed";
    const unsigned short port = TSocketPeer::UnusedPort();
    // In place of a login the server runs a script that prints the terminal type it negotiated,
    // then copies its input.
    const TPeerFile script("telnet-term.sh", port);
    ASSERT_EQ(::chmod(script.Path().c_str(), 0755), 0);
    TPeerProcess telnetd;
    ASSERT_TRUE(telnetd.Start({"/usr/bin/socat",
                               "TCP-LISTEN:" + std::to_string(port) + ",bind=127.0.0.1,reuseaddr,fork",
                               "EXEC:/usr/sbin/telnetd -h -E " + script.Path() + ",nofork"},
                              port));
    TEventLog log;
    TVexWinsockPort& p = MakePort("127.0.0.1", std::to_string(port), true);
    log.Watch(p);
    TReceived in;
    in.Watch(p);
    p.SetOpen(true);
    ASSERT_TRUE(PumpUntil([&] { return in.Data.find('\n') != std::string::npos; }, 10000));
    EXPECT_EQ(in.Data, "TERM=vt100\r\n");
    in.Data.clear();
    p.PutString("ping\r");
    ASSERT_TRUE(PumpUntil([&] { return in.Data.find("ping\r\nping\r\n") != std::string::npos; }));
    Close(p);
    EXPECT_EQ(log.Seen, (std::vector<std::string>{"open", "connect", "close", "disconnect"}));
}

} // namespace
