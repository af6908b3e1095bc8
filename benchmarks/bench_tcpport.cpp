// Loopback throughput of the TCP port, with the switcher's four packets armed and with none, beside
// Qt's own socket reading the same stream from the same server. The stream never matches a packet,
// so every run measures plain receiving; "ratio" is the port's rate over Qt's, and the last line
// printed gives both ratios. Port and Qt runs alternate, several of each, so that the load of a
// busy machine falls on both alike.
//
// With the packets armed, the reply packet (any data up to "#") collects the whole stream: 64 MiB.
// Memory the process has never touched costs a page fault per 4 KiB, which on some machines (virtual
// ones) costs more than receiving the bytes; a program that has run a while has such memory in its
// heap. So the heap keeps what is freed, and one untimed run before the measured ones leaves the
// capture's memory there.
//
// Each side also reports what the process spent per MiB, every thread counted (the server's too):
// CPU milliseconds, voluntary context switches and page faults. On a busy machine these say more
// than the clock.
#include "benchmarks/support/BenchUsage.h"
#include "communications/VxPacket.h"
#include "communications/VxWnPort.h"
#include "communications/VxWnsock.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <malloc.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr std::int64_t StreamBytes = 64LL * 1024 * 1024;
constexpr auto RunLimit = std::chrono::seconds(300);

using Clock = std::chrono::steady_clock;

// Printable text without '#', '<', '!' or '"': nothing a packet starts or ends on.
std::string StreamBlock() {
    static const std::string line = "abcdefghijklmnopqrstuvwxyz 0123456789 ABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n";
    std::string block;
    while (block.size() < 64 * 1024) block += line;
    return block;
}

// Serves each connection, one after another, the whole stream, then closes it. Runs on its own
// thread with Qt's blocking socket calls.
class TStreamServer {
public:
    TStreamServer() {
        std::promise<unsigned short> listening;
        std::future<unsigned short> port = listening.get_future();
        FThread = std::thread([this, &listening] { Run(listening); });
        FPort = port.get();
    }
    ~TStreamServer() {
        FStop = true;
        FThread.join();
    }
    TStreamServer(const TStreamServer&) = delete;
    TStreamServer& operator=(const TStreamServer&) = delete;

    unsigned short Port() const { return FPort; }

private:
    void Run(std::promise<unsigned short>& Listening) {
        QTcpServer server;
        if (!server.listen(QHostAddress::LocalHost, 0)) {
            Listening.set_value(0);
            return;
        }
        Listening.set_value(server.serverPort());
        const QByteArray block = QByteArray::fromStdString(StreamBlock());
        while (!FStop) {
            if (!server.waitForNewConnection(50)) continue;
            std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());
            std::int64_t left = StreamBytes;
            while (left > 0 && peer->state() == QAbstractSocket::ConnectedState) {
                const qint64 chunk = std::min<qint64>(left, block.size());
                const qint64 taken = peer->write(block.constData(), chunk);
                if (taken <= 0) break;
                left -= taken;
                while (peer->bytesToWrite() > 4 * block.size())
                    if (!peer->waitForBytesWritten(1000)) break;
            }
            while (peer->bytesToWrite() > 0 && peer->waitForBytesWritten(1000)) {
            }
            peer->disconnectFromHost();
            if (peer->state() != QAbstractSocket::UnconnectedState) peer->waitForDisconnected(1000);
        }
    }

    unsigned short FPort = 0;
    std::atomic<bool> FStop{false};
    std::thread FThread;
};

struct TPacketSetup {
    const char* Name;
    TPacketStartCond Start;
    const char* StartString;
    const char* EndString;
    bool IgnoreCase;
    bool Include;
    bool AutoEnable;
    bool Enabled;
    int TimeOut;
};

// The switcher's four packets, as its form sets them; the reply packet is armed as while querying.
const TPacketSetup SwitcherPackets[] = {
    {"QueueOverflowPkt", scString, "\"TaskEnet msq queue getting full\"", "\"to empty\"", false, true, true,
     true, 2184},
    {"ErrorDPckt", scString, "!ERR_", "\\r", true, true, true, true, 2184},
    {"ResponseDPkt", scAnyData, "", "#", true, true, false, true, 2184},
    {"PopUpPckt", scString, "<POPUPMSG>", "</POPUPMSG>", true, false, true, true, 100},
};

struct TReader {
    TVexCustomComPort* Port = nullptr;
    std::vector<char> Into = std::vector<char>(65536);
    std::int64_t Total = 0;
    int Packets = 0;
    void Avail(TObject*, WORD Count) {
        Port->GetBlock(Into.data(), Count);
        Total += Count;
    }
    void Packet(TObject*, const std::string&) { ++Packets; }
};

// Seconds for the whole stream through the port; negative when it did not all arrive.
double PortRun(unsigned short ServerPort, bool Armed, int& Packets) {
    TVexWinsockPort port(nullptr);
    port.SetDeviceLayer(dlWinsock);
    port.SetWsAddress("127.0.0.1");
    port.SetWsPort(std::to_string(ServerPort));
    port.SetWsTelnet(false);
    port.SetAutoOpen(false);
    TReader reader;
    reader.Port = &port;
    std::vector<std::unique_ptr<TVexDataPacket>> packets;
    for (const TPacketSetup& s : SwitcherPackets) {
        if (!Armed) break;
        auto p = std::make_unique<TVexDataPacket>(nullptr);
        p->SetName(s.Name);
        p->SetStartCond(s.Start);
        p->SetStartString(s.StartString);
        p->SetEndCond(TPacketEndSet{ecString});
        p->SetEndString(s.EndString);
        p->SetIgnoreCase(s.IgnoreCase);
        p->SetIncludeStrings(s.Include);
        p->SetAutoEnable(s.AutoEnable);
        p->SetTimeOut(s.TimeOut);
        p->OnStringPacket = TStringPacketNotifyEvent::Bind<&TReader::Packet>(&reader);
        p->SetComPort(&port);
        if (s.Enabled) p->SetEnabled(true);
        packets.push_back(std::move(p));
    }
    port.SetOnTriggerAvail(TTriggerAvailEvent::Bind<&TReader::Avail>(&reader));

    const auto start = Clock::now();
    port.SetOpen(true);
    while (reader.Total < StreamBytes && Clock::now() - start < RunLimit) {
        ProcessMessages();
        if (reader.Total < StreamBytes) WaitMessageTimeout(5);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

    port.SetOnTriggerAvail(nullptr);
    port.SetOpen(false);
    for (int i = 0; i < 1000 && port.PortState() != psClosed; ++i) {
        ProcessMessages();
        WaitMessageTimeout(5);
    }
    packets.clear();
    Packets = reader.Packets;
    return reader.Total == StreamBytes ? seconds : -1;
}

double QtRun(unsigned short ServerPort) {
    QTcpSocket socket;
    QEventLoop loop;
    std::vector<char> into(65536);
    std::int64_t total = 0;
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] {
        for (qint64 got; (got = socket.read(into.data(), static_cast<qint64>(into.size()))) > 0;)
            total += got;
        if (total >= StreamBytes) loop.quit();
    });
    QObject::connect(&socket, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
    QTimer::singleShot(std::chrono::duration_cast<std::chrono::milliseconds>(RunLimit), &loop,
                       &QEventLoop::quit);

    const auto start = Clock::now();
    socket.connectToHost(QHostAddress::LocalHost, ServerPort);
    loop.exec();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    socket.close();
    return total == StreamBytes ? seconds : -1;
}

// The ratio of each run, armed (1) and bare (0), for the last line.
double Ratios[2] = {0, 0};
// Per MiB, the port's (armed 1, bare 0) and Qt's, for the line before it.
TUsage PortPerMiB[2];
TUsage QtPerMiB;


void BM_TcpPortBesideQTcpSocket(benchmark::State& state) {
    const bool armed = state.range(0) != 0;
    TStreamServer server;
    if (server.Port() == 0) {
        state.SkipWithError("no loopback listener");
        return;
    }
    if (armed) {
        int packets = 0;
        PortRun(server.Port(), armed, packets);
    }
    double portSeconds = 0;
    double qtSeconds = 0;
    TUsage portSpent, qtSpent;
    for (auto _ : state) {
        int packets = 0;
        const TUsage beforePort = TUsage::Now();
        const double port = PortRun(server.Port(), armed, packets);
        const TUsage beforeQt = TUsage::Now();
        portSpent += beforeQt - beforePort;
        const double qt = QtRun(server.Port());
        qtSpent += TUsage::Now() - beforeQt;
        if (port < 0 || qt < 0) {
            state.SkipWithError(port < 0 ? "the port did not get the whole stream"
                                         : "Qt's socket did not get the whole stream");
            return;
        }
        if (packets != 0) {
            state.SkipWithError("a packet matched the stream");
            return;
        }
        portSeconds += port;
        qtSeconds += qt;
        state.SetIterationTime(port);
    }
    const double bytes = static_cast<double>(StreamBytes) * static_cast<double>(state.iterations());
    state.counters["port_Bps"] = bytes / portSeconds;
    state.counters["qt_Bps"] = bytes / qtSeconds;
    state.counters["ratio"] = qtSeconds / portSeconds;
    Ratios[armed ? 1 : 0] = qtSeconds / portSeconds;
    PortPerMiB[armed ? 1 : 0] = portSpent.PerMiB(bytes);
    QtPerMiB = qtSpent.PerMiB(bytes);
    state.counters["port_cpu_ms_MiB"] = PortPerMiB[armed ? 1 : 0].CpuMs;
    state.counters["qt_cpu_ms_MiB"] = QtPerMiB.CpuMs;
    state.counters["port_vcsw_MiB"] = PortPerMiB[armed ? 1 : 0].Voluntary;
    state.counters["qt_vcsw_MiB"] = QtPerMiB.Voluntary;
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_TcpPortBesideQTcpSocket)
    ->ArgName("packets")
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // Freed blocks stay in the heap, however large, for the next run to use. One arena for every
    // thread: the capture grows on whichever thread delivers, and a block freed in one thread's
    // arena is not found from another's.
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    MainThreadId();
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("per MiB, CPU ms, voluntary context switches and page faults: port armed %.2f, %.1f, %.0f; "
                "port bare %.2f, %.1f, %.0f; QTcpSocket %.2f, %.1f, %.0f\n",
                PortPerMiB[1].CpuMs, PortPerMiB[1].Voluntary, PortPerMiB[1].PageFaults, PortPerMiB[0].CpuMs,
                PortPerMiB[0].Voluntary, PortPerMiB[0].PageFaults, QtPerMiB.CpuMs, QtPerMiB.Voluntary,
                QtPerMiB.PageFaults);
    std::printf("ratio to QTcpSocket: %.2f with the four packets armed, %.2f with none\n", Ratios[1],
                Ratios[0]);
    return 0;
}
