// Test helpers for the simulators' tests: a child process with its standard streams on pipes, a
// loopback TCP connection, and a query over a descriptor answered up to a prompt character.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <string_view>
#include <vector>

namespace simtest {

struct Child {
    pid_t Pid = -1;
    int In = -1;  // its standard input
    int Out = -1; // its standard output
    int Err = -1;
};

inline Child Spawn(std::string program, const std::vector<std::string>& args) {
    int in[2], out[2], err[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0 || ::pipe(err) != 0) return {};
    Child c;
    c.Pid = ::fork();
    if (c.Pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) ::close(fd);
        std::vector<char*> argv;
        argv.push_back(program.data());
        std::vector<std::string> copy = args;
        for (auto& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    c.In = in[1];
    c.Out = out[0];
    c.Err = err[0];
    return c;
}

// A connection to 127.0.0.1:port, or -1.
inline int ConnectLoopback(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_port = htons(static_cast<uint16_t>(port));
    sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&sin), sizeof sin) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// One line without its "\n"; what came when nothing more arrives within 5 s.
inline std::string ReadLine(int fd) {
    std::string line;
    char ch;
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, 5000) > 0 && ::read(fd, &ch, 1) == 1 && ch != '\n') line += ch;
    return line;
}

inline std::string ReadAll(int fd) {
    std::string all;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) all.append(buf, static_cast<size_t>(n));
    return all;
}

// Closes the child's streams and returns its exit status (-1 when a signal ended it).
inline int Wait(Child& c) {
    for (int fd : {c.In, c.Out, c.Err})
        if (fd >= 0) ::close(fd);
    int status = 0;
    ::waitpid(c.Pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Writes query and reads the answer up to one of the prompt characters; "<no reply>" is appended
// when nothing more arrives within 5 s.
inline std::string Ask(int fd, std::string_view query, std::string_view prompts = "#") {
    if (!query.empty() && ::write(fd, query.data(), query.size()) != static_cast<ssize_t>(query.size()))
        return "<not sent>";
    std::string got;
    char ch;
    pollfd p{fd, POLLIN, 0};
    while (got.empty() || prompts.find(got.back()) == std::string_view::npos) {
        if (::poll(&p, 1, 5000) <= 0 || ::read(fd, &ch, 1) != 1) return got + "<no reply>";
        got += ch;
    }
    return got;
}

} // namespace simtest
