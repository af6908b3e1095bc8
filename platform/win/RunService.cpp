#include "platform/win/RunService.h"

#include "platform/win/ConfigDir.h"
#include "platform/win/Messages.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Requests larger than this are no requests of ours.
constexpr std::uint32_t kMaxFrame = 1u << 20;
// How long a connection may take to say what it wants, and a finder or poster to be answered.
constexpr int kExchangeMs = 2000;

constexpr UINT kSendMsg = WM_APP + 0x3A0;
constexpr UINT kPostMsg = WM_APP + 0x3A1;

enum : char { kFind = 'F', kSend = 'S', kPost = 'P' };
enum : char { kRefused = 0, kDone = 1 };

void PutU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PutStr(std::string& out, const std::string& s) {
    PutU32(out, static_cast<std::uint32_t>(s.size()));
    out += s;
}

// Reads fields off a received frame; every length is checked against what is left.
struct Fields {
    const std::string& data;
    std::size_t pos = 0;
    bool ok = true;

    std::uint32_t U32() {
        if (data.size() - pos < 4) {
            ok = false;
            return 0;
        }
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= std::uint32_t(static_cast<unsigned char>(data[pos + i])) << (8 * i);
        pos += 4;
        return v;
    }
    char Byte() {
        if (pos >= data.size()) {
            ok = false;
            return 0;
        }
        return data[pos++];
    }
    std::string Str() {
        const std::uint32_t n = U32();
        if (!ok || data.size() - pos < n) {
            ok = false;
            return {};
        }
        std::string s = data.substr(pos, n);
        pos += n;
        return s;
    }
};

using Clock = std::chrono::steady_clock;

// Waits for the descriptor until the deadline; false on time-out or error.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        pollfd p{fd, events, 0};
        const int rc = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 60000)));
        if (rc > 0) return true;
        if (rc < 0 && errno != EINTR) return false;
    }
}

bool WriteAll(int fd, const std::string& data, Clock::time_point deadline) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(fd, POLLOUT, deadline)) continue;
        return false;
    }
    return true;
}

bool ReadAll(int fd, char* out, std::size_t size, Clock::time_point deadline) {
    std::size_t done = 0;
    while (done < size) {
        if (!WaitFor(fd, POLLIN, deadline)) return false;
        const ssize_t n = ::recv(fd, out + done, size - done, MSG_DONTWAIT);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
        return false; // closed or failed
    }
    return true;
}

bool WriteFrame(int fd, const std::string& payload, Clock::time_point deadline) {
    std::string frame;
    PutStr(frame, payload);
    return WriteAll(fd, frame, deadline);
}

bool ReadFrame(int fd, std::string* payload, Clock::time_point deadline) {
    char head[4];
    if (!ReadAll(fd, head, 4, deadline)) return false;
    const std::string h(head, 4);
    Fields f{h};
    const std::uint32_t n = f.U32();
    if (n > kMaxFrame) return false;
    payload->assign(n, '\0');
    return ReadAll(fd, payload->data(), n, deadline);
}

std::uint64_t Fnv1a(const std::string& s) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char c : s) {
        h ^= c;
        h *= 0x100000001b3ull;
    }
    return h;
}

bool MakeDirs(const std::string& path) {
    std::string sofar;
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t slash = path.find('/', start + 1);
        if (slash == std::string::npos) slash = path.size();
        sofar = path.substr(0, slash);
        if (::mkdir(sofar.c_str(), 0700) != 0 && errno != EEXIST) return false;
        start = slash;
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string RunDir() {
    const std::string config = VexoConfigDir();
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (runtime && runtime[0] == '/' && ::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) {
        char key[17];
        std::snprintf(key, sizeof key, "%016llx", static_cast<unsigned long long>(Fnv1a(config)));
        return std::string(runtime) + "/vexo/" + key;
    }
    if (config.empty()) return {};
    return config + "/runs";
}

bool SocketAddress(const std::string& path, sockaddr_un* addr) {
    std::memset(addr, 0, sizeof *addr);
    addr->sun_family = AF_UNIX;
    if (path.size() >= sizeof addr->sun_path) return false;
    std::memcpy(addr->sun_path, path.c_str(), path.size());
    return true;
}

struct Job {
    std::string name;
    std::string body;
    std::string answer;
    bool done = false;
};

struct Service {
    std::mutex lock;
    std::map<HWND, std::pair<std::string, std::string>> announced;
    std::map<std::string, TRunRequestHandler> handlers;
    std::deque<Job> posted;
    // Set while running.
    int listenFd = -1;
    int wake[2] = {-1, -1};
    std::string path;
    HWND window = 0;
    std::thread worker;
};

Service& TheService() {
    static auto* service = new Service; // lives as long as the process: runs end without tearing down
    return *service;
}

// The handler for a request, looked up on the serving thread.
TRunRequestHandler HandlerFor(const std::string& name) {
    Service& s = TheService();
    std::lock_guard<std::mutex> g(s.lock);
    auto it = s.handlers.find(name);
    return it == s.handlers.end() ? TRunRequestHandler() : it->second;
}

void RunJob(Job& job) {
    TRunRequestHandler handler = HandlerFor(job.name);
    if (!handler) return;
    try {
        job.answer = handler(job.body);
        job.done = true;
    } catch (...) {
        job.done = false; // a handler that throws refuses
    }
}

LRESULT ServiceProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kSendMsg) {
        RunJob(*reinterpret_cast<Job*>(lParam));
        return 1;
    }
    if (msg == kPostMsg) {
        Service& s = TheService();
        Job job;
        {
            std::lock_guard<std::mutex> g(s.lock);
            if (s.posted.empty()) return 0;
            job = std::move(s.posted.front());
            s.posted.pop_front();
        }
        RunJob(job);
        return 0;
    }
    return DefWindowProc(wnd, msg, wParam, lParam);
}

std::string Answer(char status, const std::string& payload = {}) {
    std::string out(1, status);
    out += payload;
    return out;
}

std::string Serve(const std::string& request) {
    Service& s = TheService();
    Fields f{request};
    const char kind = f.Byte();
    if (kind == kFind) {
        const char present = f.Byte();
        const std::string className = f.Str();
        const std::string title = f.Str();
        if (!f.ok) return Answer(kRefused);
        std::lock_guard<std::mutex> g(s.lock);
        for (const auto& [wnd, entry] : s.announced) {
            if ((present & 1) && entry.first != className) continue;
            if ((present & 2) && entry.second != title) continue;
            std::string hwnd;
            PutU32(hwnd, wnd);
            return Answer(kDone, hwnd);
        }
        return Answer(kRefused);
    }
    if (kind == kSend) {
        const std::uint32_t timeoutMs = f.U32();
        Job job;
        job.name = f.Str();
        job.body = f.Str();
        if (!f.ok) return Answer(kRefused);
        HWND window;
        {
            std::lock_guard<std::mutex> g(s.lock);
            window = s.window;
        }
        DWORD result = 0;
        if (!SendMessageTimeout(window, kSendMsg, 0, reinterpret_cast<LPARAM>(&job), SMTO_NORMAL, timeoutMs,
                                &result) ||
            !job.done)
            return Answer(kRefused);
        return Answer(kDone, job.answer);
    }
    if (kind == kPost) {
        Job job;
        job.name = f.Str();
        job.body = f.Str();
        if (!f.ok) return Answer(kRefused);
        std::lock_guard<std::mutex> g(s.lock);
        if (s.window == 0) return Answer(kRefused);
        s.posted.push_back(std::move(job));
        if (!PostMessage(s.window, kPostMsg, 0, 0)) {
            s.posted.pop_back();
            return Answer(kRefused);
        }
        return Answer(kDone);
    }
    return Answer(kRefused);
}

void WorkerLoop(int listenFd, int wakeFd) {
    for (;;) {
        pollfd p[2] = {{listenFd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        const int rc = ::poll(p, 2, -1);
        if (rc < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (p[1].revents) return;
        if (!(p[0].revents & POLLIN)) continue;
        const int c = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (c < 0) continue;
        std::string request;
        if (ReadFrame(c, &request, Clock::now() + std::chrono::milliseconds(kExchangeMs)))
            WriteFrame(c, Serve(request), Clock::now() + std::chrono::milliseconds(kExchangeMs));
        ::close(c);
    }
}

std::string SocketPath(const std::string& dir, DWORD pid) {
    return dir + "/" + std::to_string(pid);
}

void UnlinkAtExit() {
    Service& s = TheService();
    if (!s.path.empty()) ::unlink(s.path.c_str());
}

// One exchange with the run; false when it is not there (a dead socket is removed) or did not
// answer by the deadline.
bool Exchange(DWORD pid, const std::string& request, std::string* reply, Clock::time_point deadline) {
    if (pid == static_cast<DWORD>(::getpid())) return false;
    const std::string dir = RunDir();
    if (dir.empty()) return false;
    const std::string path = SocketPath(dir, pid);
    sockaddr_un addr;
    if (!SocketAddress(path, &addr)) return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    int rc;
    do rc = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    while (rc < 0 && errno == EINTR);
    if (rc < 0) {
        if (errno == ECONNREFUSED) ::unlink(path.c_str()); // its run is gone
        ::close(fd);
        return false;
    }
    const bool ok = WriteFrame(fd, request, deadline) && ReadFrame(fd, reply, deadline);
    ::close(fd);
    return ok && !reply->empty() && (*reply)[0] == kDone;
}

} // namespace

bool StartRunService() {
    Service& s = TheService();
    std::lock_guard<std::mutex> g(s.lock);
    if (s.listenFd >= 0) return true;
    const std::string dir = RunDir();
    if (dir.empty() || !MakeDirs(dir)) return false;
    const std::string path = SocketPath(dir, static_cast<DWORD>(::getpid()));
    // Bound under a temporary name and renamed once listening, so that no other run ever connects
    // to it too early and takes it for dead.
    const std::string temp = dir + "/." + std::to_string(::getpid());
    sockaddr_un addr;
    if (!SocketAddress(path, &addr) || !SocketAddress(temp, &addr)) return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    ::unlink(temp.c_str());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0 ||
        ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        ::close(fd);
        return false;
    }
    if (::pipe2(s.wake, O_CLOEXEC) != 0) {
        ::unlink(path.c_str());
        ::close(fd);
        return false;
    }
    s.window = CreateMessageWindow("TRunService", ServiceProc);
    s.listenFd = fd;
    s.path = path;
    s.worker = std::thread(WorkerLoop, fd, s.wake[0]);
    static std::once_flag once;
    std::call_once(once, [] { std::atexit(UnlinkAtExit); });
    return true;
}

void StopRunService() {
    Service& s = TheService();
    std::thread worker;
    HWND window;
    {
        std::lock_guard<std::mutex> g(s.lock);
        if (s.listenFd < 0) return;
        window = s.window;
        s.window = 0;
        worker = std::move(s.worker);
        ::unlink(s.path.c_str());
        s.path.clear();
    }
    // The window goes first: a request the worker is waiting on is then answered as refused.
    DestroyWindow(window);
    const char stop = 1;
    while (::write(s.wake[1], &stop, 1) < 0 && errno == EINTR) {
    }
    worker.join();
    std::lock_guard<std::mutex> g(s.lock);
    ::close(s.listenFd);
    ::close(s.wake[0]);
    ::close(s.wake[1]);
    s.listenFd = s.wake[0] = s.wake[1] = -1;
    s.posted.clear();
}

bool RunServiceStarted() {
    Service& s = TheService();
    std::lock_guard<std::mutex> g(s.lock);
    return s.listenFd >= 0;
}

void AnnounceRunWindow(HWND wnd, const std::string& className, const std::string& title) {
    StartRunService();
    Service& s = TheService();
    std::lock_guard<std::mutex> g(s.lock);
    s.announced[wnd] = {className, title};
}

void WithdrawRunWindow(HWND wnd) {
    Service& s = TheService();
    std::lock_guard<std::mutex> g(s.lock);
    s.announced.erase(wnd);
}

std::vector<DWORD> OtherRuns() {
    std::vector<DWORD> runs;
    const std::string dir = RunDir();
    if (dir.empty()) return runs;
    DIR* d = ::opendir(dir.c_str());
    if (!d) return runs;
    const unsigned long self = static_cast<unsigned long>(::getpid());
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.empty() || name.size() > 10 || name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const unsigned long pid = std::stoul(name);
        if (pid != self && pid <= 0xFFFFFFFFul) runs.push_back(static_cast<DWORD>(pid));
    }
    ::closedir(d);
    return runs;
}

bool FindRunWindow(const char* className, const char* title, TRunWindow* found) {
    std::string request(1, kFind);
    request += static_cast<char>((className ? 1 : 0) | (title ? 2 : 0));
    PutStr(request, className ? className : "");
    PutStr(request, title ? title : "");
    for (DWORD pid : OtherRuns()) {
        std::string reply;
        if (!Exchange(pid, request, &reply, Clock::now() + std::chrono::milliseconds(kExchangeMs))) continue;
        Fields f{reply};
        f.Byte();
        const HWND wnd = f.U32();
        if (!f.ok) continue;
        if (found) *found = TRunWindow{pid, wnd};
        return true;
    }
    return false;
}

void SetRunRequestHandler(const std::string& name, TRunRequestHandler handler) {
    Service& s = TheService();
    std::lock_guard<std::mutex> g(s.lock);
    if (handler)
        s.handlers[name] = std::move(handler);
    else
        s.handlers.erase(name);
}

bool SendRunRequest(DWORD processId, const std::string& name, const std::string& body, std::string* answer,
                    DWORD timeoutMs) {
    std::string request(1, kSend);
    PutU32(request, timeoutMs);
    PutStr(request, name);
    PutStr(request, body);
    std::string reply;
    // The run gives up on the handler by itself after timeoutMs; the margin covers the exchange.
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::uint64_t(timeoutMs) + kExchangeMs);
    if (!Exchange(processId, request, &reply, deadline)) return false;
    if (answer) *answer = reply.substr(1);
    return true;
}

bool PostRunRequest(DWORD processId, const std::string& name, const std::string& body) {
    std::string request(1, kPost);
    PutStr(request, name);
    PutStr(request, body);
    std::string reply;
    return Exchange(processId, request, &reply, Clock::now() + std::chrono::milliseconds(kExchangeMs));
}

int BroadcastRunRequest(const std::string& name, const std::string& body) {
    int taken = 0;
    for (DWORD pid : OtherRuns())
        if (PostRunRequest(pid, name, body)) ++taken;
    return taken;
}
