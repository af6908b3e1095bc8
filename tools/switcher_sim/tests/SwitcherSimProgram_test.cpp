// The program as the README runs it: options, the "listening on" line, standard input as the
// control channel, the log file and the exit status.
#include "tools/testing/SimPeer.h"

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

using namespace simtest;

TEST(SwitcherSimProgram, RunsAsTheReadmeSays) {
    char logPath[] = "/tmp/switcher-sim-log-XXXXXX";
    const int logFd = ::mkstemp(logPath);
    ASSERT_GE(logFd, 0);
    ::close(logFd);
    Child c = Spawn(SWITCHER_SIM_PATH,
                    {"--model", "halverin", "--port", "0", "--version", "1.21.B", "--log", logPath});
    ASSERT_GT(c.Pid, 0);
    const std::string line = ReadLine(c.Out);
    ASSERT_EQ(line.rfind("listening on 127.0.0.1:", 0), 0u) << line;
    const int port = std::stoi(line.substr(23));

    const int fd = ConnectLoopback(port);
    ASSERT_GE(fd, 0);
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
    Child c = Spawn(SWITCHER_SIM_PATH, {"--model", "tibbet"});
    ASSERT_GT(c.Pid, 0);
    ::close(c.In);
    c.In = -1;
    const std::string err = ReadAll(c.Err);
    EXPECT_NE(err.find("--model is corvane or halverin, not tibbet"), std::string::npos) << err;
    EXPECT_NE(err.find("usage: switcher-sim"), std::string::npos) << err;
    EXPECT_EQ(Wait(c), 2);
}
