// The waits for a reply on a busy machine: a unit that answers before the program has begun its
// wait (the terminal is attached and would take the answer), and a long reply while the program is
// kept busy with other messages.
#include "support/LoaderTest.h"

#include "communications/VxUser.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"

#include <string>

namespace {

std::string Bytes(std::size_t size) {
    std::string out;
    for (std::size_t i = 0; i < size; ++i) out += static_cast<char>((i * 13 + i / 251) & 0xFF);
    return out;
}

class QuillonReplyWaits : public LoaderTest {
protected:
    void TearDown() override {
        SetWndHandlerTimeoutForTesting(3000);
        LoaderTest::TearDown();
    }

    // Every wait for a reply starts late: the program is off the processor between its send and
    // its wait, long enough for the terminal to read the answer and for the port window's notice
    // to be passed over.
    void DelayEveryReplyWait() {
        SetWndHandlerTimeoutForTesting(50);
        Main()->BeforeReplyWait = [this] {
            ++Delayed;
            Sleep(300);
        };
    }

    int Delayed = 0;
};

// A message that posts itself again as it is handled: there is always one waiting, so every pass
// of a wait finds a message and returns at once, as on a program busy with other work.
class TMessageFlood {
public:
    TMessageFlood() {
        window_ = CreateMessageWindow("QuillonMessageFlood", [this](HWND w, UINT m, WPARAM wp, LPARAM lp) {
            if (m != Flood) return DefWindowProc(w, m, wp, lp);
            ++handled_;
            if (!stop_) PostMessage(w, Flood, 0, 0);
            return LRESULT{0};
        });
        PostMessage(window_, Flood, 0, 0);
    }
    ~TMessageFlood() {
        stop_ = true;
        DestroyWindow(window_);
    }
    TMessageFlood(const TMessageFlood&) = delete;
    TMessageFlood& operator=(const TMessageFlood&) = delete;
    int Handled() const { return handled_; }

private:
    static constexpr UINT Flood = WM_USER + 0x77;
    HWND window_ = 0;
    bool stop_ = false;
    int handled_ = 0;
};

} // namespace

TEST_F(QuillonReplyWaits, APromptThatComesBeforeTheWaitIsStillFound) {
    StartSim(4);
    Start();
    ASSERT_TRUE(Main()->PortOpen());
    TakeReceived();
    DelayEveryReplyWait();

    // The probe, on each console.
    Main()->SetExpectedPrompt(NormalPrompt);
    EXPECT_TRUE(Main()->SendCOMCmd_GetPrompt("\r\n"));
    EXPECT_EQ(TakeReceived(), "\r\n") << "one probe, answered";

    // Loader mode, the probe before the upload and the one after it: each finds its prompt at the
    // first try, so the unit gets no probe beyond these.
    const std::string body = Bytes(3000);
    WriteFile("image.bin", body);
    Seam->Clear();
    EXPECT_TRUE(
        RunScript("_TC \"LOADR^M\"\r\n_LF " + Dir() + "/image.bin\r\n_LA 10000\r\n_LV 2.18\r\n_LD\r\n"));
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
    EXPECT_TRUE(Sim->HasEvent("image accepted: 3000 bytes"));
    EXPECT_EQ(Delayed, 4);
    const std::string sent = TakeReceived();
    const std::size_t header = sent.find("LF 10000 3000 ");
    ASSERT_NE(header, std::string::npos);
    EXPECT_EQ(sent.substr(0, header), "LOADR\r\n\r\n");
    EXPECT_EQ(sent.substr(sent.size() - body.size() - 2), body + "\r\n");
    EXPECT_EQ(Main()->InfoStatusBar->SimpleText(), "SUCCESS. Reading script file complete");
}

TEST_F(QuillonReplyWaits, AReplyThatComesBeforeTheCaptureIsStillCollected) {
    StartSim(4, {"--answer", "VER=2.18"});
    Start();
    ASSERT_TRUE(Main()->PortOpen());
    DelayEveryReplyWait();
    EXPECT_TRUE(RunScript("_QC \"VER\"\r\n"));
    EXPECT_EQ(Delayed, 1);
    EXPECT_FALSE(ReplyTimedOut);
    EXPECT_EQ(QcAnswer, "2.18");
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();

    // What the capture took is shown on the terminal, as the terminal's own binding would have.
    Main()->BeforeReplyWait = {};
    PumpUntil([] { return false; }, 100);
    std::string screen;
    for (int row = 1; row <= Main()->VxTerminal1->Rows(); ++row)
        screen += Main()->VxTerminal1->tmGetLine(row);
    EXPECT_NE(screen.find("2.18"), std::string::npos) << screen;
}

// A reply that takes 0.4 s to come, while other messages keep every wait pass short: the capture
// lasts the time its 2000 passes stood for, not their number, which the flood uses up in a tenth
// of that.
TEST_F(QuillonReplyWaits, ALongReplyIsCapturedWhileMessagesKeepComing) {
    StartSim(4, {"--baud", "38400", "--answer", "VERLONG=" + std::string(1500, 'x') + "-end"});
    Start();
    ASSERT_TRUE(Main()->PortOpen());
    TimeScale = 1.0; // the query's own 2000 passes
    Main()->CommandTimer->SetInterval(38000);
    // Only the flood paces the passes: the terminal, which draws each piece of the reply as it
    // comes, is taken off the port.
    Main()->VxTerminal1->tmSetComPort(nullptr);
    Seam->Clear();
    int handled = 0;
    {
        TMessageFlood flood;
        EXPECT_TRUE(RunScript("_QC \"VERLONG\"\r\n"));
        handled = flood.Handled();
    }
    EXPECT_GT(handled, 2000) << "the flood kept the main thread busy";
    EXPECT_FALSE(ReplyTimedOut);
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
    // The capture starts again past 999 bytes, so the answer is the reply's tail, up to the prompt.
    ASSERT_GE(QcAnswer.size(), 4u);
    EXPECT_EQ(QcAnswer.substr(QcAnswer.size() - 4), "-end");
    EXPECT_EQ(QcAnswer.find_first_not_of('x'), QcAnswer.size() - 4);
}
