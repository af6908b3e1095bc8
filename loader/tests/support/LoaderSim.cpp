#include "LoaderSim.h"

#include "tools/simlog/ByteLog.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string ReadLine(int fd, int timeoutMs) {
    std::string line;
    char ch;
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, timeoutMs) > 0 && ::read(fd, &ch, 1) == 1 && ch != '\n') line += ch;
    return line;
}

std::vector<int>& Mapped() {
    static std::vector<int> numbers;
    return numbers;
}

} // namespace

void ClearComMappings() {
    for (int n : Mapped()) ::unsetenv(("VEXO_COM" + std::to_string(n)).c_str());
    Mapped().clear();
}

TLoaderSim::TLoaderSim(const std::vector<std::string>& options) {
    // A simulator told to quit is no reason for the test to die on its next command.
    ::signal(SIGPIPE, SIG_IGN);
    char dir[] = "/tmp/quillon-sim-XXXXXX";
    if (!::mkdtemp(dir)) return;
    logPath_ = std::string(dir) + "/sim.log";
    imageDir_ = std::string(dir) + "/images";
    std::filesystem::create_directories(imageDir_);

    int in[2], out[2];
    if (::pipe(in) != 0) return;
    if (::pipe(out) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return;
    }
    std::vector<std::string> args = {LOADER_SIM, "--pty", "--log", logPath_, "--images", imageDir_};
    args.insert(args.end(), options.begin(), options.end());
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        for (int f : {in[0], in[1], out[0], out[1]}) ::close(f);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    in_ = in[1];
    bool wantPort = false;
    for (const std::string& o : options) wantPort = wantPort || o == "--port";
    for (int lines = wantPort ? 2 : 1; lines > 0; --lines) {
        const std::string line = ReadLine(out[0], 10000);
        if (line.rfind("pty ", 0) == 0) pty_ = line.substr(4);
        const std::size_t colon = line.rfind(':');
        if (line.rfind("listening on ", 0) == 0 && colon != std::string::npos)
            port_ = std::atoi(line.c_str() + colon + 1);
    }
    ::close(out[0]);
}

TLoaderSim::~TLoaderSim() {
    if (pid_ > 0) {
        if (in_ >= 0) {
            const std::string quit = "quit\n";
            if (::write(in_, quit.data(), quit.size()) < 0) {
            }
        }
        int status = 0;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > end) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    if (in_ >= 0) ::close(in_);
    if (!logPath_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(logPath_).parent_path(), ignored);
    }
}

void TLoaderSim::MapTo(int n) const {
    ::setenv(("VEXO_COM" + std::to_string(n)).c_str(), pty_.c_str(), 1);
    Mapped().push_back(n);
}

void TLoaderSim::Command(const std::string& line) {
    if (in_ < 0) return;
    const std::string text = line + "\n";
    if (::write(in_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) return;
    const std::string done = "control * " + line;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < end) {
        std::ifstream log(logPath_);
        std::stringstream all;
        all << log.rdbuf();
        if (all.str().find(done) != std::string::npos) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::vector<TLoaderSim::TChunk> TLoaderSim::Chunks() const {
    std::ifstream log(logPath_);
    return simlog::ReceivedChunks(log);
}

std::string TLoaderSim::Received() const {
    std::string all;
    for (const TChunk& c : Chunks()) all += c.Bytes;
    return all;
}

std::vector<std::string> TLoaderSim::Events() const {
    std::ifstream log(logPath_);
    return simlog::EventLines(log);
}

bool TLoaderSim::HasEvent(const std::string& text) const {
    for (const std::string& e : Events())
        if (e.find(text) != std::string::npos) return true;
    return false;
}

std::string TLoaderSim::Image(int n) const {
    std::ifstream in(imageDir_ + "/image-" + std::to_string(n) + ".bin", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
