// The program as the README runs it: a pseudo-terminal and a TCP console, an upload whose image is
// kept, standard input as the control channel and the exit status.
#include "tools/loader_sim/LoaderCore.h"
#include "tools/testing/SimPeer.h"

#include <gtest/gtest.h>

#include <cstring>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>

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
