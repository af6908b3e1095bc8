// The block phase of an upload by Quillon's own upload code, against what the link allows:
//
// - serial: a pseudo-terminal paced as a 115200-baud line (the loader-unit simulator with --baud),
//   mapped to a COM number; the loader hands it 2000-byte blocks, draining each. Its time against
//   the line's own time for the bytes (ten bits a byte) gives the share of the line rate the upload
//   keeps (goal: at least 0.95);
// - TCP: the loader over loopback against a plain socket writing the same bytes, both to a plain
//   receiver in this program that answers the loader's prompt probes and then only counts bytes
//   (the simulator logs every byte, which would measure the simulator instead).
//
// A phase runs from the call of the upload to the moment the receiver has the last byte, less the
// fixed 100 ms pause the upload takes before its first block (the pause after it is set to 0). On
// the serial line the simulator stamps that moment in its log, to the millisecond.
//
// Usage: bench_upload [--size BYTES] [--tcp-size BYTES] [--serial-only | --tcp-only]
// The default serial upload is 1 MB, about 91 s on the line; the TCP runs default to 64 MB. The last
// line printed gives the ratios, the serial one first.
#include "loader/tests/support/LoaderSim.h"

#include "loader/ClientSocketUnit.h"
#include "loader/InfoUnit.h"
#include "loader/MainUnit.h"
#include "loader/Progress.h"
#include "loader/SplashUnit.h"
#include "platform/win/Messages.h"
#include "tools/testing/TempHome.h"

#include <arpa/inet.h>
#include <poll.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int Baud = 115200;
constexpr int ComNumber = 4;
constexpr double PauseBeforeBlocks = 0.100;

using Clock = std::chrono::system_clock;

double WallSeconds(Clock::time_point t) {
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

void Pump(double seconds, const std::function<bool()>& done = {}) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end && !(done && done())) {
        Application->ProcessMessages();
        WaitMessageTimeout(5);
    }
}

// The wall time (seconds) of the simulator's n-th "image accepted" event, once it is logged.
std::optional<double> AcceptedAt(const TLoaderSim& sim, int n, double timeoutSeconds) {
    std::optional<double> at;
    const auto find = [&] {
        int seen = 0;
        for (const std::string& e : sim.Events()) {
            if (e.find("* image accepted") == std::string::npos || ++seen < n) continue;
            // elapsed, wall time, ...
            std::tm tm{};
            int ms = 0;
            const std::size_t space = e.find(' ');
            if (std::sscanf(e.c_str() + space + 1, "%d-%d-%dT%d:%d:%d.%dZ", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                            &tm.tm_hour, &tm.tm_min, &tm.tm_sec, &ms) != 7)
                return false;
            tm.tm_year -= 1900;
            tm.tm_mon -= 1;
            at = static_cast<double>(timegm(&tm)) + ms / 1000.0;
            return true;
        }
        return false;
    };
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    while (!find() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return at;
}

std::string Image(std::size_t size) {
    std::string bytes(size, '\0');
    std::mt19937 random(12);
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

// Sends the header for the file the loader has checked, and lets its echo come back.
void SendHeader(TQuillonForm* main) {
    char header[128];
    std::snprintf(header, sizeof header, "LF 10000 %lld %x BENCH\r", static_cast<long long>(main->FileSize),
                  static_cast<unsigned>(main->FileChecksum));
    main->CommandBuffer = header;
    main->SendCmdBuffer();
    Pump(0.5);
}

// Runs the loader's upload of its UploadFile; seconds of its block phase, or nothing.
std::optional<double> LoaderUpload(TQuillonForm* main, const TLoaderSim& sim, int image, double limitSeconds) {
    if (!main->get_file_checksum()) return std::nullopt;
    SendHeader(main);
    main->UploadByScript = false;
    UploadPause = 0;
    ProgressForm->AbortFlag = 0;
    const double start = WallSeconds(Clock::now());
    main->UploadButtonClick(nullptr);
    const double returned = WallSeconds(Clock::now());
    if (ProgressForm->AbortFlag != 0) return std::nullopt;
    const std::optional<double> accepted = AcceptedAt(sim, image, limitSeconds);
    if (!accepted) return std::nullopt;
    return std::max(*accepted, returned) - start - PauseBeforeBlocks;
}

// A loopback TCP receiver on its own thread: until armed it answers every line end with the
// loader prompt, so the loader's connection checks pass; armed, it counts the bytes that arrive
// and notes when the expected number has come.
class TSink {
public:
    TSink() {
        listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in sin{};
        sin.sin_family = AF_INET;
        sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof sin;
        if (listen_ < 0 || ::bind(listen_, reinterpret_cast<sockaddr*>(&sin), sizeof sin) != 0 ||
            ::listen(listen_, 4) != 0 || ::getsockname(listen_, reinterpret_cast<sockaddr*>(&sin), &len) != 0)
            return;
        port_ = ntohs(sin.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~TSink() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (listen_ >= 0) ::close(listen_);
    }
    int Port() const { return port_; }
    // From now on the next `bytes` bytes are counted.
    void Arm(std::size_t bytes) {
        doneAt_ = 0;
        left_ = bytes;
        armed_ = true;
    }
    // The wall time (seconds) the last of them came, once it has.
    std::optional<double> DoneAt(double timeoutSeconds) const {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
        while (doneAt_ == 0 && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return doneAt_ == 0 ? std::nullopt : std::optional<double>(doneAt_.load());
    }

private:
    void Serve() {
        std::vector<pollfd> fds{{listen_, POLLIN, 0}};
        std::vector<char> buffer(1 << 16);
        while (!stop_) {
            if (::poll(fds.data(), fds.size(), 20) <= 0) continue;
            for (std::size_t i = fds.size(); i-- > 0;) {
                if (fds[i].revents == 0) continue;
                if (i == 0) {
                    const int fd = ::accept(listen_, nullptr, nullptr);
                    if (fd >= 0) fds.push_back({fd, POLLIN, 0});
                    continue;
                }
                const ssize_t n = ::read(fds[i].fd, buffer.data(), buffer.size());
                if (n <= 0) {
                    ::close(fds[i].fd);
                    fds.erase(fds.begin() + static_cast<std::ptrdiff_t>(i));
                    continue;
                }
                if (!armed_) {
                    if (std::memchr(buffer.data(), '\n', static_cast<std::size_t>(n)) &&
                        ::send(fds[i].fd, "\r\n>", 3, MSG_NOSIGNAL) < 0) {
                    }
                    continue;
                }
                const std::size_t got = static_cast<std::size_t>(n);
                if (got < left_) {
                    left_ -= got;
                } else {
                    left_ = 0;
                    armed_ = false;
                    doneAt_ = WallSeconds(Clock::now());
                }
            }
        }
        for (std::size_t i = 1; i < fds.size(); ++i) ::close(fds[i].fd);
    }

    int listen_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> armed_{false};
    std::atomic<std::size_t> left_{0};
    std::atomic<double> doneAt_{0};
};

// A plain socket writes the body; seconds from its first write to the receiver's last byte.
std::optional<double> PlainUpload(TSink& sink, const std::string& body) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_port = htons(static_cast<uint16_t>(sink.Port()));
    sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&sin), sizeof sin) != 0) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    sink.Arm(body.size());
    const double start = WallSeconds(Clock::now());
    std::size_t sent = 0;
    while (sent < body.size()) {
        const ssize_t n = ::send(fd, body.data() + sent, body.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            ::close(fd);
            return std::nullopt;
        }
        sent += static_cast<std::size_t>(n);
    }
    const std::optional<double> done = sink.DoneAt(60);
    ::close(fd);
    if (!done) return std::nullopt;
    return *done - start;
}

void CreateForms() {
    Application->CreateForm(QuillonForm);
    Application->CreateForm(ProgressForm);
    Application->CreateForm(ClientSocketForm);
    Application->CreateForm(SplashForm);
    Application->CreateForm(InfoForm);
}

std::optional<double> SerialRatio(std::size_t size, const std::string& dir) {
    TLoaderSim sim({"--baud", std::to_string(Baud), "--loader", "--flash", "0"});
    if (!sim.Running()) return std::nullopt;
    sim.MapTo(ComNumber);
    CreateForms();
    TQuillonForm* main = QuillonForm;
    main->select_com(ComNumber);
    std::optional<double> ratio;
    if (main->PortOpen()) {
        main->UploadFile = dir + "/serial.bin";
        std::ofstream(main->UploadFile, std::ios::binary) << Image(size);
        const double line = static_cast<double>(size) * 10 / Baud;
        std::printf("serial: %zu bytes at %d baud; the line alone takes %.2f s\n", size, Baud, line);
        std::fflush(stdout);
        if (const auto phase = LoaderUpload(main, sim, 1, line * 3 + 30)) {
            ratio = line / *phase;
            std::printf("serial: the upload's block phase took %.2f s: %.3f of the line rate\n", *phase, *ratio);
        }
    }
    if (!ratio) std::printf("serial: the upload failed\n");
    Application->DestroyForms();
    Application->ProcessMessages();
    ClearComMappings();
    return ratio;
}

std::optional<double> TcpRatio(std::size_t size, const std::string& dir) {
    TSink sink;
    if (sink.Port() <= 0) return std::nullopt;
    CreateForms();
    TQuillonForm* main = QuillonForm;
    ClientSocketForm->IPEdit1->SetText("127");
    ClientSocketForm->IPEdit2->SetText("0");
    ClientSocketForm->IPEdit3->SetText("0");
    ClientSocketForm->IPEdit4->SetText("1");
    ClientSocketForm->PortNumberTxEdit->SetText(std::to_string(sink.Port()));
    main->EnetConnect1Click(nullptr);
    ClientSocketForm->ConnectButtonClick(nullptr);
    // No keep-alive line ends among the counted bytes.
    main->CCHECKTimer1->SetEnabled(false);
    KeepAliveEnabled = false;
    std::optional<double> ratio;
    if (main->SocketActive()) {
        const std::string body = Image(size);
        main->UploadFile = dir + "/tcp.bin";
        std::ofstream(main->UploadFile, std::ios::binary) << body;
        std::optional<double> loader;
        if (main->get_file_checksum()) {
            main->UploadByScript = false;
            UploadPause = 0;
            ProgressForm->AbortFlag = 0;
            Pump(0.5);
            sink.Arm(body.size());
            const double start = WallSeconds(Clock::now());
            main->UploadButtonClick(nullptr);
            const double returned = WallSeconds(Clock::now());
            const std::optional<double> done = sink.DoneAt(60);
            if (ProgressForm->AbortFlag == 0 && done) loader = std::max(*done, returned) - start - PauseBeforeBlocks;
        }
        main->EnetDisconnect1Click(nullptr);
        const auto plain = PlainUpload(sink, body);
        if (loader && plain) {
            ratio = *plain / *loader;
            std::printf("tcp: %zu bytes: the upload's block phase %.3f s (%.1f MB/s), a plain socket %.3f s "
                        "(%.1f MB/s): %.3f of the plain write's rate\n",
                        size, *loader, size / *loader / 1e6, *plain, size / *plain / 1e6, *ratio);
        }
    }
    if (!ratio) std::printf("tcp: the upload failed\n");
    Application->DestroyForms();
    Application->ProcessMessages();
    return ratio;
}

} // namespace

int main(int argc, char** argv) {
    std::size_t size = 1 << 20;
    std::size_t tcpSize = 64 << 20;
    bool serial = true, tcp = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "--size" || a == "--tcp-size") && i + 1 < argc) {
            const long long n = std::atoll(argv[++i]);
            if (n <= 0) {
                std::fprintf(stderr, "bench_upload: %s needs a positive number of bytes\n", a.c_str());
                return 2;
            }
            (a == "--size" ? size : tcpSize) = static_cast<std::size_t>(n);
        } else if (a == "--serial-only") {
            tcp = false;
        } else if (a == "--tcp-only") {
            serial = false;
        } else {
            std::fprintf(stderr, "usage: bench_upload [--size BYTES] [--tcp-size BYTES] [--serial-only | --tcp-only]\n");
            return 2;
        }
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TempHome home;
    // Only the port the benchmark maps exists: the machine's own serial ports stay out of it.
    std::filesystem::create_directories(home.Vexo());
    {
        std::ofstream map(home.Vexo() + "/comports");
        for (int n = 1; n <= 16; ++n) map << "COM" << n << "=/nonexistent/bench-upload-tty" << n << "\n";
    }
    const std::string dir = home.Path();
    Application->Initialize();
    TimeScale = 1.0;

    const std::optional<double> serialRatio = serial ? SerialRatio(size, dir) : std::nullopt;
    const std::optional<double> tcpRatio = tcp ? TcpRatio(tcpSize, dir) : std::nullopt;
    const auto text = [](bool ran, const std::optional<double>& r) {
        char out[32];
        std::snprintf(out, sizeof out, "%.3f", r.value_or(0.0));
        return !ran ? std::string("not run") : r ? std::string(out) : std::string("failed");
    };
    std::printf("ratio of the line rate (serial, %d baud): %s; ratio of a plain socket write (tcp): %s\n", Baud,
                text(serial, serialRatio).c_str(), text(tcp, tcpRatio).c_str());
    return (serial && !serialRatio) || (tcp && !tcpRatio) ? 1 : 0;
}
