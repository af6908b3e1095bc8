#include "platform/win/Process.h"

#include "platform/rtl/TextFile.h"
#include "platform/win/Sync.h"
#include "platform/win/WinCore.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

std::vector<std::string> CommandLineToArgv(const std::string& parameters) {
    std::vector<std::string> args;
    std::string arg;
    bool inArg = false;
    bool quoted = false;
    const std::size_t n = parameters.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = parameters[i];
        if (c == '\\') {
            std::size_t slashes = 0;
            while (i + slashes < n && parameters[i + slashes] == '\\') ++slashes;
            inArg = true;
            if (i + slashes < n && parameters[i + slashes] == '"') {
                arg.append(slashes / 2, '\\');
                if (slashes % 2 != 0) {
                    arg += '"';
                    i += slashes; // past the escaped quote
                } else {
                    i += slashes - 1; // the quote is handled next
                }
            } else {
                arg.append(slashes, '\\');
                i += slashes - 1;
            }
        } else if (c == '"') {
            inArg = true;
            if (quoted && i + 1 < n && parameters[i + 1] == '"') {
                arg += '"';
                ++i;
            } else {
                quoted = !quoted;
            }
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inArg) args.push_back(std::move(arg));
            arg.clear();
            inArg = false;
        } else {
            arg += c;
            inArg = true;
        }
    }
    if (inArg) args.push_back(std::move(arg));
    return args;
}

namespace {

// posix_spawnp with the child's signals reset: no blocked signals and SIGPIPE at its default,
// whatever this process set. The C library reports a failed exec as the spawn's own error (an
// errno value), never as a child's exit code.
int Spawn(pid_t* pid, const std::string& file, char* const argv[], char* const envp[], const char* directory) {
    posix_spawnattr_t attr;
    if (posix_spawnattr_init(&attr) != 0) return ENOMEM;
    sigset_t none, pipeOnly;
    sigemptyset(&none);
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &pipeOnly);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (directory && *directory) posix_spawn_file_actions_addchdir_np(&actions, directory);
    const int rc = posix_spawnp(pid, file.c_str(), &actions, &attr, argv, envp ? envp : environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    return rc;
}

// A wait status as an exit code: the code, or 128 + the signal that ended the child.
int ExitCode(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

} // namespace

int RunProcessAndWait(const std::string& file, const std::vector<std::string>& arguments) {
    if (file.empty()) return -1;
    std::vector<std::string> args = arguments;
    args.insert(args.begin(), file);
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    if (Spawn(&pid, file, argv.data(), nullptr, nullptr) != 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return ExitCode(status);
}

DWORD WinErrorFromErrno(int err) {
    switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOEXEC: return ERROR_BAD_EXE_FORMAT;
    case E2BIG: return ERROR_NOT_ENOUGH_MEMORY;
    default: return static_cast<DWORD>(IOErrorFromErrno(err));
    }
}

namespace {

struct ProcessRecord {
    pid_t pid = 0;
    bool ended = false;
    DWORD exitCode = STILL_ACTIVE;
};

struct ProcessTable {
    std::mutex lock;
    std::map<HANDLE, std::shared_ptr<ProcessRecord>> byHandle;
};

ProcessTable& Processes() {
    // Never destroyed: reapers of children still running may finish after main returns.
    static auto* table = new ProcessTable;
    return *table;
}

// The child's exit, read by a thread of its own that then signals both handles.
void Reap(std::shared_ptr<ProcessRecord> record, HANDLE process, HANDLE thread) {
    int status = 0;
    pid_t got;
    while ((got = waitpid(record->pid, &status, 0)) < 0 && errno == EINTR) {
    }
    const int exit = got == record->pid ? ExitCode(status) : -1;
    const DWORD code = exit < 0 ? 1 : static_cast<DWORD>(exit);
    {
        ProcessTable& t = Processes();
        std::lock_guard<std::mutex> lk(t.lock);
        record->exitCode = code;
        record->ended = true;
    }
    // The thread's handle first: whoever sees the process ended finds its thread ended too.
    wincore::SignalThreadObject(thread);
    wincore::SignalThreadObject(process);
}

BOOL Fail(int err) {
    SetLastError(WinErrorFromErrno(err));
    return FALSE;
}

} // namespace

BOOL CreateProcessA(const char* applicationName, char* commandLine, void*, void*, BOOL, DWORD, void* environment,
                    const char* currentDirectory, STARTUPINFOA*, PROCESS_INFORMATION* info) {
    if (!info) return Fail(EINVAL);
    std::vector<std::string> args = CommandLineToArgv(commandLine ? commandLine : "");
    std::string file = applicationName ? applicationName : (args.empty() ? std::string() : args.front());
    if (file.empty()) return Fail(ENOENT);
    if (args.empty()) args.push_back(file);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<char*> envp;
    if (environment) {
        for (char* p = static_cast<char*>(environment); *p; p += std::strlen(p) + 1) envp.push_back(p);
        envp.push_back(nullptr);
    }

    pid_t pid = 0;
    const int rc = Spawn(&pid, file, argv.data(), environment ? envp.data() : nullptr, currentDirectory);
    if (rc != 0) return Fail(rc);

    auto record = std::make_shared<ProcessRecord>();
    record->pid = pid;
    const HANDLE process = wincore::CreateThreadObject();
    const HANDLE thread = wincore::CreateThreadObject();
    {
        ProcessTable& t = Processes();
        std::lock_guard<std::mutex> lk(t.lock);
        t.byHandle[process] = record;
    }
    std::thread(Reap, record, process, thread).detach();
    info->hProcess = process;
    info->hThread = thread;
    info->dwProcessId = static_cast<DWORD>(pid);
    info->dwThreadId = static_cast<DWORD>(pid);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode) {
    ProcessTable& t = Processes();
    std::lock_guard<std::mutex> lk(t.lock);
    auto it = t.byHandle.find(process);
    if (it == t.byHandle.end() || !exitCode) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *exitCode = it->second->exitCode;
    return TRUE;
}

void GetStartupInfoA(STARTUPINFOA* info) {
    if (!info) return;
    *info = STARTUPINFOA{};
    info->dwFlags = STARTF_USESHOWWINDOW;
    info->wShowWindow = SW_SHOWNORMAL;
}
