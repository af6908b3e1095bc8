#include "tools/switcher_sim/SimServer.h"

#include "tools/testing/SimPeer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <sstream>
#include <thread>

using namespace switchersim;

namespace {

void SendAll(int fd, std::string_view bytes) {
    ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
}

// Reads until the text ends with `until` or the peer closes; gives up after a generous 5 s so a
// broken simulator fails the test instead of hanging it.
std::string ReadUntil(int fd, std::string_view until, bool* closed = nullptr) {
    std::string got;
    for (;;) {
        if (got.size() >= until.size() && got.compare(got.size() - until.size(), until.size(), until) == 0)
            return got;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 5000) <= 0) return got + "<timeout>";
        char buf[4096];
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) {
            if (closed) *closed = true;
            return got;
        }
        got.append(buf, static_cast<size_t>(n));
    }
}

// Every byte the log says was received from clients, in order.
std::string ReceivedFromLog(const std::string& log) {
    std::string all;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        const size_t p = line.find(" < ");
        if (p == std::string::npos) continue;
        const auto bytes = UnescapeBytes(line.substr(p + 3));
        EXPECT_TRUE(bytes) << line;
        if (bytes) all += *bytes;
    }
    return all;
}

class SimServerTest : public ::testing::Test {
protected:
    std::ostringstream LogText;
    ByteLog Log{LogText, std::chrono::system_clock::now()};
    SimCore Core{SwitcherModel(Model::CorvaneII), Log};
    int Pipe[2] = {-1, -1};
    std::unique_ptr<SimServer> Server;
    std::thread Thread;
    int Status = -1;

    void SetUp() override {
        ASSERT_EQ(::pipe(Pipe), 0);
        Server = std::make_unique<SimServer>(Core, Pipe[0], std::chrono::steady_clock::now());
        std::string error;
        ASSERT_TRUE(Server->Listen("127.0.0.1", 0, error)) << error;
    }
    void Start() {
        Thread = std::thread([this] { Status = Server->Run(); });
    }
    void Control(std::string_view line) {
        const std::string l = std::string(line) + "\n";
        ASSERT_EQ(::write(Pipe[1], l.data(), l.size()), static_cast<ssize_t>(l.size()));
    }
    // Control lines run in order, so once this marker reaches the client every line before it has run.
    void Sync(int fd) {
        Control("popup sync");
        ASSERT_EQ(ReadUntil(fd, "</POPUPMSG>\r\n"), "<POPUPMSG>sync</POPUPMSG>\r\n");
    }
    void Stop() {
        if (!Thread.joinable()) return;
        Control("quit");
        Thread.join();
    }
    void TearDown() override {
        Stop();
        ::close(Pipe[0]);
        ::close(Pipe[1]);
    }
};

} // namespace

TEST_F(SimServerTest, AnswersOverLoopbackAndLogsEveryByteReceived) {
    Start();
    const int fd = simtest::ConnectLoopback(Server->Port());
    ASSERT_GE(fd, 0);
    const std::string sent[] = {"Remote 0\n\r", "Lockout 2\n\r", "Who", "AreYou?\r\n",
                                "KP 3\rKP Mix\rKeyStatus\r"};
    for (int i = 0; i < 4; ++i) SendAll(fd, sent[i]);
    EXPECT_EQ(ReadUntil(fd, "#"), "Remote 0\r\nLockout 2\r\nWhoAreYou?\r\n\r\nCorvane II Application\r\n#");
    SendAll(fd, sent[4]);
    const std::string status = ReadUntil(fd, "#");
    EXPECT_EQ(status.substr(0, 27), "KP 3\r\nKP Mix\r\nKeyStatus\r\n\r\n");
    EXPECT_NE(status.find("<3><PVW>OFF</PVW><PGM>ON</PGM></3>"), std::string::npos);
    SendAll(fd, "Lockout 0\r\n");
    EXPECT_EQ(ReadUntil(fd, "\r\n"), "Lockout 0\r\n");
    ::close(fd);
    Stop();
    EXPECT_EQ(Status, 0);
    EXPECT_EQ(ReceivedFromLog(LogText.str()),
              sent[0] + sent[1] + sent[2] + sent[3] + sent[4] + "Lockout 0\r\n");
}

TEST_F(SimServerTest, DropClosesTheConnectionAndTheNextOneIsServed) {
    Start();
    const int fd = simtest::ConnectLoopback(Server->Port());
    ASSERT_GE(fd, 0);
    SendAll(fd, "KP 5\rKP CUT\r");
    EXPECT_EQ(ReadUntil(fd, "KP CUT\r\n"), "KP 5\r\nKP CUT\r\n");
    Control("drop");
    bool closed = false;
    EXPECT_EQ(ReadUntil(fd, "never", &closed), "");
    EXPECT_TRUE(closed);
    ::close(fd);

    const int again = simtest::ConnectLoopback(Server->Port());
    ASSERT_GE(again, 0);
    SendAll(again, "KeyStatus\r");
    EXPECT_NE(ReadUntil(again, "#").find("<5><PVW>OFF</PVW><PGM>ON</PGM></5>"), std::string::npos);
    ::close(again);
}

TEST_F(SimServerTest, ServesTwoClientsAtOnce) {
    Start();
    const int a = simtest::ConnectLoopback(Server->Port());
    const int b = simtest::ConnectLoopback(Server->Port());
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    SendAll(a, "KP 7\r");
    EXPECT_EQ(ReadUntil(a, "\r\n"), "KP 7\r\n");
    SendAll(b, "KP Mix\r");
    EXPECT_EQ(ReadUntil(b, "\r\n"), "KP Mix\r\n");
    Control("error BOTH");
    EXPECT_EQ(ReadUntil(a, "\r\n"), "!ERR_BOTH\r\n");
    EXPECT_EQ(ReadUntil(b, "\r\n"), "!ERR_BOTH\r\n");
    ::close(a);
    ::close(b);
}

TEST_F(SimServerTest, DelayedReplyComesNoSoonerThanAsked) {
    Start();
    const int fd = simtest::ConnectLoopback(Server->Port());
    ASSERT_GE(fd, 0);
    Sync(fd);
    Control("delay 150");
    Sync(fd);
    const auto t0 = std::chrono::steady_clock::now();
    SendAll(fd, "Rev\r\n");
    EXPECT_EQ(ReadUntil(fd, "#"), "Rev\r\n\r\nSoftware : 1.20.A\r\n#");
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(150));
    ::close(fd);
}

TEST_F(SimServerTest, ScriptStartsWithTheFirstConnection) {
    Server->SetScript({"# pop-up, then leave", "sleep 50", "popup scripted", "quit"});
    Start();
    const int fd = simtest::ConnectLoopback(Server->Port());
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ReadUntil(fd, "\r\n"), "<POPUPMSG>scripted</POPUPMSG>\r\n");
    Thread.join();
    EXPECT_EQ(Status, 0);
    ::close(fd);
}

TEST_F(SimServerTest, ListenRefusesWhatItCannotBind) {
    SimServer other(Core, -1, std::chrono::steady_clock::now());
    std::string error;
    EXPECT_FALSE(other.Listen("127.0.0.1", Server->Port(), error)) << "port in use";
    EXPECT_NE(error.find(std::to_string(Server->Port())), std::string::npos) << error;
    EXPECT_FALSE(other.Listen("localhost", 0, error));
    EXPECT_EQ(error, "not an IPv4 address: localhost");
    EXPECT_GT(Server->Port(), 0);
    EXPECT_EQ(Server->Address(), "127.0.0.1");
}
