#include "platform/win/RunService.h"

#include "platform/win/Messages.h"
#include "platform/win/tests/support/RunPeer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// The other run of these tests (see support/RunPeer.h).
TEST(RunPeer, DISABLED_Serve) {
    ServeAsRunPeer();
}

TEST(RunService, AnotherRunIsFoundByClassAndTitleAndAnswersRequests) {
    for (bool runtimeDir : {false, true}) {
        SCOPED_TRACE(runtimeDir ? "in the runtime directory" : "in the settings directory");
        RunHome home(runtimeDir);
        auto peer = StartRunPeer("Peer one");
        ASSERT_EQ(OtherRuns(), std::vector<DWORD>{static_cast<DWORD>(peer->Pid())});

        struct Case {
            const char* className;
            const char* title;
            bool found;
        };
        const Case cases[] = {
            {"TPeer", "Peer one", true}, {"TPeer", nullptr, true},     {nullptr, "Peer one", true},
            {nullptr, nullptr, true},    {"TPeer", "Peer two", false}, {"TOther", "Peer one", false},
            {"TPeer", "", false},        {"tpeer", "Peer one", false},
        };
        for (const Case& c : cases) {
            TRunWindow w;
            SCOPED_TRACE(std::string(c.className ? c.className : "(any)") + " / " +
                         (c.title ? c.title : "(any)"));
            ASSERT_EQ(FindRunWindow(c.className, c.title, &w), c.found);
            if (c.found) {
                EXPECT_EQ(w.ProcessId, static_cast<DWORD>(peer->Pid()));
                EXPECT_EQ(w.Wnd, 7u);
            }
        }

        std::string answer;
        ASSERT_TRUE(SendRunRequest(peer->Pid(), "echo", std::string("a\0b", 3), &answer, 5000));
        EXPECT_EQ(answer, std::string("echo a\0b", 8));
        EXPECT_EQ(peer->NextReport(), std::string("echo a\0b", 8));
        EXPECT_FALSE(SendRunRequest(peer->Pid(), "unknown", "", &answer, 5000)) << "no handler";
        EXPECT_FALSE(SendRunRequest(peer->Pid(), "refuse", "", &answer, 5000)) << "the handler threw";
        EXPECT_FALSE(SendRunRequest(static_cast<DWORD>(::getpid()), "echo", "", &answer, 5000))
            << "not another run";

        // A new title: found by it, no longer by the old one.
        ASSERT_TRUE(SendRunRequest(peer->Pid(), "retitle", "", nullptr, 5000));
        EXPECT_FALSE(FindRunWindow("TPeer", "Peer one", nullptr));
        EXPECT_TRUE(FindRunWindow("TPeer", "", nullptr));

        ASSERT_TRUE(SendRunRequest(peer->Pid(), "quit", "", nullptr, 5000));
        EXPECT_EQ(peer->Wait(), 0);
        EXPECT_TRUE(OtherRuns().empty()) << "a run that ends takes its socket with it";
    }
}

TEST(RunService, PostsReachEveryOtherRun) {
    RunHome home(false);
    auto first = StartRunPeer("first");
    auto second = StartRunPeer("second");
    EXPECT_EQ(BroadcastRunRequest("note", "hello"), 2);
    EXPECT_EQ(first->NextReport(), "note hello");
    EXPECT_EQ(second->NextReport(), "note hello");
    EXPECT_TRUE(PostRunRequest(first->Pid(), "note", "just you"));
    EXPECT_EQ(first->NextReport(), "note just you");
    // Posts keep their order.
    for (const char* n : {"1", "2", "3"}) EXPECT_TRUE(PostRunRequest(second->Pid(), "note", n));
    for (const char* n : {"1", "2", "3"}) EXPECT_EQ(second->NextReport(), std::string("note ") + n);
}

TEST(RunService, ARunThatDiedIsForgottenAndGarbageDoesNotStopAService) {
    RunHome home(false);
    auto dead = StartRunPeer("dead");
    auto live = StartRunPeer("live");
    const std::string deadSocket = home.RunsDir() + "/" + std::to_string(dead->Pid());
    dead->Kill();
    ASSERT_EQ(::access(deadSocket.c_str(), F_OK), 0) << "a killed run leaves its socket behind";
    EXPECT_FALSE(FindRunWindow("TPeer", "dead", nullptr));
    EXPECT_NE(::access(deadSocket.c_str(), F_OK), 0) << "the first run to find it dead removes it";
    EXPECT_EQ(OtherRuns(), std::vector<DWORD>{static_cast<DWORD>(live->Pid())});
    EXPECT_FALSE(SendRunRequest(dead->Pid(), "echo", "", nullptr, 1000));

    // Frames the service does not take: a length beyond any request, a cut-off request, an unknown
    // kind, fields longer than their frame.
    const std::string liveSocket = home.RunsDir() + "/" + std::to_string(live->Pid());
    const std::string frames[] = {
        std::string("\xff\xff\xff\xff", 4),
        std::string("\x10\0\0\0S", 5),
        std::string("\x01\0\0\0X", 5),
        std::string("\x0a\0\0\0S\x10\0\0\0\xff\xff\xff\x7f\0", 14),
        std::string("\x06\0\0\0F\x03\x09\0\0\0", 10),
    };
    for (const std::string& frame : frames) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", liveSocket.c_str());
        ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        ASSERT_EQ(::send(fd, frame.data(), frame.size(), MSG_NOSIGNAL), static_cast<ssize_t>(frame.size()));
        ::shutdown(fd, SHUT_WR);
        char reply[16];
        const ssize_t n = ::recv(fd, reply, sizeof reply, 0);
        EXPECT_TRUE(n <= 0 || (n == 5 && reply[4] == 0)) << "closed, or refused";
        ::close(fd);
    }
    std::string answer;
    EXPECT_TRUE(SendRunRequest(live->Pid(), "echo", "still here", &answer, 5000));
    EXPECT_EQ(answer, "echo still here");
}

TEST(RunService, OwnServiceAnswersOtherRunsAndStopsCleanly) {
    RunHome home(false);
    EXPECT_FALSE(RunServiceStarted());
    AnnounceRunWindow(42, "TMine", "mine");
    ASSERT_TRUE(RunServiceStarted());
    const std::string socket = home.RunsDir() + "/" + std::to_string(::getpid());
    EXPECT_EQ(::access(socket.c_str(), F_OK), 0);
    EXPECT_TRUE(OtherRuns().empty()) << "a run is not another run to itself";
    EXPECT_FALSE(FindRunWindow("TMine", "mine", nullptr));
    WithdrawRunWindow(42);
    StopRunService();
    EXPECT_FALSE(RunServiceStarted());
    EXPECT_NE(::access(socket.c_str(), F_OK), 0);
    StopRunService();
}
