#include "platform/win/BroadcastMessages.h"

#include "platform/win/Clock.h"
#include "platform/win/Messages.h"
#include "tools/testing/RunHome.h"
#include "tools/testing/SelfPeer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* const kName = "/usr/bin/dorvex_Afslut";

void Report(const std::string& line) {
    std::printf("peer:%s\n", line.c_str());
    std::fflush(stdout);
}

struct Seen {
    std::vector<MSG> messages;
};

HWND Receiver(Seen& seen) {
    return CreateMessageWindow("TReceiver", [&seen](HWND wnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        seen.messages.push_back(MSG{wnd, msg, w, l, 0});
        return 0;
    });
}

void PumpFor(DWORD ms) {
    const std::uint64_t start = MonotonicMs();
    while (MonotonicMs() - start < ms) {
        WaitMessageTimeout(5);
        ProcessMessages();
    }
}

} // namespace

// Another run: registers names (in an order of its own, so that its numbers differ) and reports
// what its top-level window receives.
TEST(BroadcastPeer, DISABLED_Receive) {
    Seen seen;
    const HWND wnd = Receiver(seen);
    SetBroadcastReceiver(wnd, true);
    RegisterWindowMessageA("something else first");
    const UINT mine = RegisterWindowMessageA(kName);
    Report("ready");
    const std::uint64_t start = MonotonicMs();
    while (MonotonicMs() - start < 10000 && seen.messages.empty()) {
        WaitMessageTimeout(10);
        ProcessMessages();
    }
    for (const MSG& m : seen.messages)
        Report(std::string(m.message == mine ? "mine" : "other") + " " + std::to_string(m.wParam) + " " +
               std::to_string(m.lParam));
}

TEST(RegisterWindowMessage, OneNumberPerNameWhateverItsCase) {
    RunHome home(false); // the first registration starts this run's service
    const UINT a = RegisterWindowMessageA("Vexo test message");
    EXPECT_GE(a, 0xC000u);
    EXPECT_LE(a, 0xFFFFu);
    EXPECT_EQ(RegisterWindowMessageA("VEXO TEST MESSAGE"), a);
    EXPECT_EQ(RegisterWindowMessage("vexo test message"), a);
    const UINT b = RegisterWindowMessageA("Vexo test message 2");
    EXPECT_NE(b, a);
    EXPECT_GE(b, 0xC000u);
    EXPECT_EQ(RegisterWindowMessageA(""), 0u);
    EXPECT_EQ(RegisterWindowMessageA(nullptr), 0u);
}

TEST(HWND_BROADCAST, ReachesTheReceiversOfThisRunOnly) {
    Seen top, other;
    const HWND a = Receiver(top);
    const HWND b = Receiver(top);
    const HWND c = Receiver(other);
    SetBroadcastReceiver(a, true);
    SetBroadcastReceiver(b, true);
    const UINT msg = WM_USER + 5; // not registered: stays in this run
    EXPECT_TRUE(PostMessage(HWND_BROADCAST, msg, 1, 2));
    ProcessMessages();
    ASSERT_EQ(top.messages.size(), 2u);
    for (const MSG& m : top.messages) {
        EXPECT_EQ(m.message, msg);
        EXPECT_EQ(m.wParam, 1u);
        EXPECT_EQ(m.lParam, 2);
    }
    EXPECT_TRUE(other.messages.empty());

    // Taken off, or destroyed: no longer reached.
    SetBroadcastReceiver(a, false);
    DestroyWindow(b);
    top.messages.clear();
    EXPECT_FALSE(PostMessage(HWND_BROADCAST, msg, 0, 0));
    ProcessMessages();
    EXPECT_TRUE(top.messages.empty());
    DestroyWindow(a);
    DestroyWindow(c);
}

TEST(HWND_BROADCAST, ARegisteredMessageReachesOtherRunsByItsName) {
    RunHome home(false);
    SelfPeer peer("BroadcastPeer.DISABLED_Receive");
    ASSERT_EQ(peer.NextReport(), "ready");
    Seen seen;
    const HWND wnd = Receiver(seen);
    SetBroadcastReceiver(wnd, true);
    const UINT msg = RegisterWindowMessageA("/USR/BIN/DORVEX_AFSLUT");
    ASSERT_NE(msg, 0u);
    EXPECT_TRUE(PostMessage(HWND_BROADCAST, msg, 0, 0));
    EXPECT_EQ(peer.NextReport(), "mine 0 0") << "under the number the other run has for the name";
    EXPECT_EQ(peer.Wait(), 0);
    PumpFor(20);
    ASSERT_EQ(seen.messages.size(), 1u) << "and here";
    EXPECT_EQ(seen.messages[0].message, msg);
    SetBroadcastReceiver(wnd, false);
    DestroyWindow(wnd);
}
