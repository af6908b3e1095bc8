// The program as the README runs it: options, the "listening on" line, standard input as the
// control channel, the log file and the exit status.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

struct Child {
    pid_t Pid = -1;
    int In = -1;  // its standard input
    int Out = -1; // its standard output
    int Err = -1;
};

Child Spawn(const std::vector<std::string>& args) {
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
        std::string program = SWITCHER_SIM_PATH;
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

std::string ReadLine(int fd) {
    std::string line;
    char ch;
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, 5000) > 0 && ::read(fd, &ch, 1) == 1 && ch != '\n') line += ch;
    return line;
}

std::string ReadAll(int fd) {
    std::string all;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) all.append(buf, static_cast<size_t>(n));
    return all;
}

int Wait(Child& c) {
    for (int fd : {c.In, c.Out, c.Err})
        if (fd >= 0) ::close(fd);
    int status = 0;
    ::waitpid(c.Pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Ask(int fd, const std::string& query) {
    ::send(fd, query.data(), query.size(), MSG_NOSIGNAL);
    std::string got;
    char ch;
    pollfd p{fd, POLLIN, 0};
    while (got.empty() || got.back() != '#') {
        if (::poll(&p, 1, 5000) <= 0 || ::recv(fd, &ch, 1, 0) != 1) return got + "<no reply>";
        got += ch;
    }
    return got;
}

} // namespace

TEST(SwitcherSimProgram, RunsAsTheReadmeSays) {
    char logPath[] = "/tmp/switcher-sim-log-XXXXXX";
    const int logFd = ::mkstemp(logPath);
    ASSERT_GE(logFd, 0);
    ::close(logFd);
    Child c = Spawn({"--model", "halverin", "--port", "0", "--version", "1.21.B", "--log", logPath});
    ASSERT_GT(c.Pid, 0);
    const std::string line = ReadLine(c.Out);
    ASSERT_EQ(line.rfind("listening on 127.0.0.1:", 0), 0u) << line;
    const int port = std::stoi(line.substr(23));

    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_port = htons(static_cast<uint16_t>(port));
    sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&sin), sizeof sin), 0);
    EXPECT_EQ(Ask(fd, "WhoAreYou?\r\n"), "WhoAreYou?\r\n\r\nHalverin II Application\r\n#");
    EXPECT_EQ(Ask(fd, "Rev\r\n"), "Rev\r\n\r\nSoftware : 1.21.B\r\n#");
    ::close(fd);

    ASSERT_EQ(::write(c.In, "bogus\nquit\n", 11), 11);
    EXPECT_EQ(Wait(c), 0);
    std::ifstream log(logPath);
    std::stringstream text;
    text << log.rdbuf();
    ::unlink(logPath);
    EXPECT_NE(text.str().find(" < WhoAreYou?\\r\\n\n"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find(" < Rev\\r\\n\n"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("control * refused: unknown control command\n"), std::string::npos)
        << text.str();
}

TEST(SwitcherSimProgram, BadOptionsEndWithUsage) {
    Child c = Spawn({"--model", "tibbet"});
    ASSERT_GT(c.Pid, 0);
    ::close(c.In);
    c.In = -1;
    const std::string err = ReadAll(c.Err);
    EXPECT_NE(err.find("--model is corvane or halverin, not tibbet"), std::string::npos) << err;
    EXPECT_NE(err.find("usage: switcher-sim"), std::string::npos) << err;
    EXPECT_EQ(Wait(c), 2);
}
