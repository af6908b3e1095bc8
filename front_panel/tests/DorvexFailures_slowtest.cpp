// Dorvex against a switcher that fails, over real loopback sockets and in real time: a refused
// connection and a retry, OK pressed twice, an address that never answers, a switcher that streams
// without end, and the window closed while a poll waits. Each case checks what reached the
// switcher, the boxes shown and the state the program is left in.
#include "tools/testing/LoopbackPeers.h"
#include "support/ProcessUse.h"
#include "support/SimPanelTest.h"

#include "platform/rtl/Strings.h"
#include "platform/win/Messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>

namespace {

// A user who reads each message box for a while before pressing OK: meanwhile the box's own loop
// serves messages, as a real one does.
class TReadingUser : public TSeamRecorder {
public:
    int MessageBox(const TMessageBoxRequest& request) override {
        PumpUntil([] { return false; }, 300);
        return TSeamRecorder::MessageBox(request);
    }
};

class PanelFailures : public SimPanelTest {
protected:
    // Ticks in real time: the packets' own time-outs must not come early.
    PanelFailures() { MsPerStep = 0; }

    void SetUp() override {
        SimPanelTest::SetUp();
        auto onShowModal = Seam->OnShowModal;
        Seam.reset();
        Seam = std::make_unique<TReadingUser>();
        Seam->OnShowModal = onShowModal;
    }

    // Runs action once the messages already queued have been served.
    void Later(std::function<void()> action) {
        later_ = std::move(action);
        if (!window_)
            window_ = CreateMessageWindow("Later", [this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
                if (msg != WM_USER) return DefWindowProc(wnd, msg, wParam, lParam);
                if (auto run = std::exchange(later_, nullptr)) run();
                return LRESULT{0};
            });
        PostMessage(window_, WM_USER, 0, 0);
    }
    void TearDown() override {
        SimPanelTest::TearDown();
        if (window_) DestroyWindow(std::exchange(window_, 0));
    }

    void WriteSettingsFor(int port) {
        WriteFile("Dorvex.ini",
                  "[Orvel IP Parameters]\r\nIP=127.0.0.1\r\nPort=" + std::to_string(port) + "\r\n\r\n");
    }

    int Connections() const {
        const auto events = Sim->Events();
        return static_cast<int>(std::count_if(events.begin(), events.end(), [](const std::string& e) {
            return e.size() >= 11 && e.compare(e.size() - 11, 11, "* connected") == 0;
        }));
    }

private:
    HWND window_ = 0;
    std::function<void()> later_;
};

const std::string NotFound =
    " Device not found at IP Address \"127.0.0.1.\" Run program again with the correct address.";

TEST_F(PanelFailures, EndToEnd) {
    struct TCase {
        const char* What;
        std::function<void()> Act;
        // Every byte the switcher received, the boxes in order, and whether the program ended.
        std::string Wire;
        std::vector<std::string> Boxes;
        bool Ends;
    };
    const std::string started = std::string(ConnectAndIdentify) + FirstCommands;
    const TCase cases[] = {
        {"refused, then the switcher starts and OK connects",
         [this] {
             const unsigned short port = RefusingPort();
             ASSERT_NE(port, 0);
             WriteSettingsFor(port);
             // The wait's full length is the unanswered case's.
             IPAddressForm->ConnectTimeoutMs = 1500;
             OnAddressDialog = [this, port](TIPAddressForm* dialog) {
                 dialog->IP_OkayBtn->Click();
                 EXPECT_TRUE(dialog->Visible());
                 // The refused port is closed and left alone: the program idles.
                 const double cpu = CpuSeconds();
                 PumpUntil([] { return false; }, 1000);
                 EXPECT_LT(CpuSeconds() - cpu, 0.5);
                 Sim = std::make_unique<TSwitcherSim>(
                     "corvane", std::vector<std::string>{"--port", std::to_string(port)});
                 ASSERT_TRUE(Sim->Running());
                 dialog->IP_OkayBtn->Click();
             };
             EXPECT_TRUE(Start(1));
             EXPECT_EQ(Connections(), 1);
         },
         started,
         {"Socket Error: 274D", NotFound},
         false},
        {"OK pressed twice connects once",
         [this] {
             Sim = std::make_unique<TSwitcherSim>("corvane");
             ASSERT_TRUE(Sim->Running());
             WriteSettingsFor(Sim->Port());
             OnAddressDialog = [this](TIPAddressForm* dialog) {
                 // Enter in the address comes while the first attempt waits.
                 Later([dialog] {
                     EXPECT_FALSE(dialog->IP_OkayBtn->Enabled());
                     EXPECT_EQ(Screen->Cursor(), crHourGlass);
                     dialog->IPAddrEdit->MainWndProc(WM_KEYUP, 13, 0);
                 });
                 dialog->IP_OkayBtn->Click();
             };
             EXPECT_TRUE(Start(1));
             EXPECT_EQ(Connections(), 1);
             EXPECT_TRUE(IPAddressForm->IP_OkayBtn->Enabled());
             EXPECT_EQ(Screen->Cursor(), crDefault);
         },
         started,
         {},
         false},
        {"an address that never answers",
         [this] {
             Sim = std::make_unique<TSwitcherSim>("corvane");
             ASSERT_TRUE(Sim->Running());
             TSilentListener silent;
             ASSERT_NE(silent.Port(), 0);
             WriteSettingsFor(silent.Port());
             std::chrono::steady_clock::duration waited{};
             OnAddressDialog = [&waited](TIPAddressForm* dialog) {
                 const auto start = std::chrono::steady_clock::now();
                 dialog->IP_OkayBtn->Click();
                 waited = std::chrono::steady_clock::now() - start;
                 EXPECT_TRUE(dialog->Visible());
                 EXPECT_TRUE(dialog->IP_OkayBtn->Enabled());
                 dialog->IP_CloseBtn->Click();
             };
             EXPECT_FALSE(Start(1));
             // Bounded by the clock at about ten seconds (the box is read for a moment within it).
             EXPECT_GE(waited, std::chrono::seconds(10));
             EXPECT_LT(waited, std::chrono::seconds(20));
         },
         "",
         {NotFound},
         true},
        {"a stream without end after a time-out",
         [this] {
             StartedWith("corvane");
             SimControl("mute");
             Poll();
             // The reply packet is still armed; the switcher now streams with no "#" in it.
             const std::size_t before = ResidentBytes();
             std::size_t most = before;
             SimControl("stream 67108864");
             SimControl("popup done");
             EXPECT_TRUE(PumpUntil(
                 [&] {
                     most = std::max(most, ResidentBytes());
                     return !PopupTexts.empty();
                 },
                 60000));
             EXPECT_EQ(PopupTexts, std::vector<std::string>{"done"});
#ifndef __SANITIZE_ADDRESS__
             // (The address sanitizer keeps freed memory aside for a while, so there it would grow.)
             EXPECT_LT(most - before, std::size_t{24} << 20) << "of 64 MiB streamed";
#endif
         },
         "KeyStatus\r",
         {"Timeout waiting for a response from the Corvane II"},
         false},
        {"closed while a poll waits on a silent switcher",
         [this] {
             StartedWith("corvane");
             SimControl("mute");
             Later([this] { Close(Main()); });
             Poll();
             EXPECT_TRUE(FileExists("Corvane.ini"));
         },
         "KeyStatus\rLockout 0\r\n",
         {},
         true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TearDown();
        SetUp();
        c.Act();
        ASSERT_TRUE(Sim);
        EXPECT_EQ(SimTake(c.Wire), c.Wire);
        EXPECT_EQ(Seam->BoxTexts(), c.Boxes);
        EXPECT_EQ(Application->Terminated(), c.Ends);
    }
}

} // namespace
