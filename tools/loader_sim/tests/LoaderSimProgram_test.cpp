// The program as the README runs it: a pseudo-terminal and a TCP console, an upload whose image is
// kept, standard input as the control channel and the exit status.
#include "tools/loader_sim/LoaderCore.h"
#include "tools/testing/SimPeer.h"

#include <gtest/gtest.h>

#include <cstring>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace simtest;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(LoaderSimProgram, ServesAPseudoTerminalAndTcpAndKeepsTheImage) {
    char dir[] = "/tmp/loader-sim-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string log = std::string(dir) + "/log";
    const std::string link = std::string(dir) + "/ttyUnit";
    Child c = Spawn(LOADER_SIM_PATH, {"--pty", link, "--port", "0", "--flash", "50", "--answer",
                                      "VER=Loader 3.10", "--images", dir, "--log", log});
    ASSERT_GT(c.Pid, 0);
    const std::string listening = ReadLine(c.Out);
    ASSERT_EQ(listening.rfind("listening on 127.0.0.1:", 0), 0u) << listening;
    const std::string pty = ReadLine(c.Out);
    ASSERT_EQ(pty.rfind("pty /dev/pts/", 0), 0u) << pty;

    // The serial side, through the link the simulator made.
    const int serial = ::open(link.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(serial, 0);
    EXPECT_EQ(Ask(serial, "\r", "#>"), "\r\n#");
    EXPECT_EQ(Ask(serial, "VER\r", "#>"), "VER\r\nLoader 3.10\r\n#");
    ::close(serial);

    // The network side: loader mode, then an upload.
    const int tcp = ConnectLoopback(std::stoi(listening.substr(23)));
    ASSERT_GE(tcp, 0);
    EXPECT_EQ(Ask(tcp, "LOADR\r\n", "#>"), "LOADR\r\nEntering loader mode\r\n>");
    std::string body;
    for (int i = 0; i < 4500; ++i) body += static_cast<char>(i % 251);
    char header[64];
    std::snprintf(header, sizeof header, "LF 10000 %zu %x 2.18\r", body.size(),
                  static_cast<unsigned>(loadersim::ByteSum(body)));
    EXPECT_EQ(Ask(tcp, std::string(header) + body, ">"),
              std::string(header, std::strlen(header) - 1) + "\r\nImage OK\r\n>");
    ::close(tcp);

    ASSERT_EQ(::write(c.In, "bogus\nquit\n", 11), 11);
    EXPECT_EQ(Wait(c), 0);
    EXPECT_EQ(ReadFile(std::string(dir) + "/image-1.bin"), body);
    const std::string text = ReadFile(log);
    EXPECT_NE(text.find("image accepted: 4500 bytes"), std::string::npos) << text;
    EXPECT_NE(text.find(" pty < VER\\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("control * refused: unknown control command\n"), std::string::npos) << text;
    std::filesystem::remove_all(dir);
}

TEST(LoaderSimProgram, BadOptionsEndWithUsage) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"--port", "70000"}, {"--pty", "--answer", "noequals"}}) {
        Child c = Spawn(LOADER_SIM_PATH, args);
        ASSERT_GT(c.Pid, 0);
        const std::string err = ReadAll(c.Err);
        EXPECT_NE(err.find("usage: loader-sim"), std::string::npos) << err;
        EXPECT_EQ(Wait(c), 2);
    }
}

TEST(LoaderSimProgram, APacedPseudoTerminalTakesNoMoreThanItsLineRate) {
    char dir[] = "/tmp/loader-sim-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    // 4,000,000 baud: 400,000 bytes a second.
    Child c = Spawn(LOADER_SIM_PATH, {"--pty", "--baud", "4000000", "--loader", "--flash", "0", "--images", dir,
                                      "--log", std::string(dir) + "/log"});
    ASSERT_GT(c.Pid, 0);
    const std::string pty = ReadLine(c.Out);
    ASSERT_EQ(pty.rfind("pty /dev/pts/", 0), 0u) << pty;
    const int serial = ::open(pty.substr(4).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(serial, 0);
    std::string body(200000, 'x');
    char header[64];
    std::snprintf(header, sizeof header, "LF 1 %zu %x 1\r", body.size(), static_cast<unsigned>(loadersim::ByteSum(body)));
    const std::string all = header + body;
    const auto start = std::chrono::steady_clock::now();
    // The line takes bytes at its rate: the terminal's buffer fills and a writer would block.
    size_t sent = 0;
    bool blocked = false;
    while (sent < all.size()) {
        const ssize_t n = ::write(serial, all.data() + sent, all.size() - sent);
        if (n > 0) {
            sent += static_cast<size_t>(n);
        } else {
            blocked = true;
            pollfd p{serial, POLLOUT, 0};
            ASSERT_GT(::poll(&p, 1, 5000), 0);
        }
    }
    EXPECT_TRUE(blocked);
    ::fcntl(serial, F_SETFL, 0);
    EXPECT_EQ(Ask(serial, "", ">"), std::string(header, std::strlen(header) - 1) + "\r\nImage OK\r\n>");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // 200 kB over a line of 400 kB a second, less the short burst a receiver may hold.
    EXPECT_GE(seconds, 0.47);
    ::close(serial);
    ASSERT_EQ(::write(c.In, "quit\n", 5), 5);
    EXPECT_EQ(Wait(c), 0);
    EXPECT_EQ(ReadFile(std::string(dir) + "/image-1.bin"), body);
    std::filesystem::remove_all(dir);
}

TEST(LoaderSimProgram, ADropHangsUpThePseudoTerminalAndOffersANewOne) {
    char dir[] = "/tmp/loader-sim-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string link = std::string(dir) + "/ttyUnit";
    Child c = Spawn(LOADER_SIM_PATH, {"--pty", link, "--log", std::string(dir) + "/log"});
    ASSERT_GT(c.Pid, 0);
    const std::string first = ReadLine(c.Out);
    ASSERT_EQ(first.rfind("pty /dev/pts/", 0), 0u) << first;
    const int serial = ::open(link.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(serial, 0);
    EXPECT_EQ(Ask(serial, "\r", "#>"), "\r\n#");

    ASSERT_EQ(::write(c.In, "drop\n", 5), 5);
    pollfd p{serial, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 5000), 1);
    EXPECT_TRUE(p.revents & POLLHUP) << p.revents;
    ::close(serial);

    // The line is back on a new pseudo-terminal (its number may be the old one again), which the
    // link follows.
    const std::string second = ReadLine(c.Out);
    ASSERT_EQ(second.rfind("pty /dev/pts/", 0), 0u) << second;
    const int again = ::open(link.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(again, 0);
    EXPECT_EQ(Ask(again, "\r", "#>"), "\r\n#");
    ::close(again);
    ASSERT_EQ(::write(c.In, "quit\n", 5), 5);
    EXPECT_EQ(Wait(c), 0);
    const std::string text = ReadFile(std::string(dir) + "/log");
    EXPECT_NE(text.find("pty * disconnected"), std::string::npos) << text;
    std::filesystem::remove_all(dir);
}
