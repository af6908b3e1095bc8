#include "platform/win/Process.h"

#include <cerrno>

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

int RunProcessAndWait(const std::string& file, const std::vector<std::string>& arguments) {
    if (file.empty()) return -1;
    std::vector<std::string> args = arguments;
    args.insert(args.begin(), file);
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    // The child starts with no blocked signals and SIGPIPE at its default, whatever this process set.
    posix_spawnattr_t attr;
    if (posix_spawnattr_init(&attr) != 0) return -1;
    sigset_t none, pipeOnly;
    sigemptyset(&none);
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &pipeOnly);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    // The C library reports a failed exec as the spawn's own error, never as a child's exit code.
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, file.c_str(), nullptr, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) return -1;

    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}
