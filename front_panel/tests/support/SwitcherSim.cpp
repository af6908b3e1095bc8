#include "SwitcherSim.h"

#include "platform/ui/Forms.h"
#include "platform/win/Messages.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
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

} // namespace

TSwitcherSim::TSwitcherSim(const std::string& model, const std::vector<std::string>& options) {
    char path[] = "/tmp/dorvex-sim-log-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0) return;
    ::close(fd);
    logPath_ = path;

    int in[2], out[2];
    if (::pipe(in) != 0) return;
    if (::pipe(out) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return;
    }
    std::vector<std::string> args = {SWITCHER_SIM, "--model", model, "--port", "0", "--log", logPath_};
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
    const std::string line = ReadLine(out[0], 10000);
    ::close(out[0]);
    const std::string prefix = "listening on 127.0.0.1:";
    if (line.rfind(prefix, 0) == 0) port_ = std::atoi(line.c_str() + prefix.size());
}

TSwitcherSim::~TSwitcherSim() {
    if (pid_ > 0) {
        Command("quit");
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
    if (!logPath_.empty()) ::unlink(logPath_.c_str());
}

void TSwitcherSim::Command(const std::string& line) {
    if (in_ < 0) return;
    const std::string text = line + "\n";
    if (::write(in_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) return;
}

std::vector<TSwitcherSim::TChunk> TSwitcherSim::Chunks() const {
    std::ifstream log(logPath_);
    return simlog::ReceivedChunks(log);
}

std::string TSwitcherSim::Received() const {
    std::string all;
    for (const TChunk& c : Chunks()) all += c.Bytes;
    return all;
}

std::vector<std::string> TSwitcherSim::Events() const {
    std::ifstream log(logPath_);
    return simlog::EventLines(log);
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return done();
        Application->ProcessMessages();
        WaitMessageTimeout(5);
    }
    return true;
}
