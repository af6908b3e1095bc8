#include "tools/switcher_sim/SimCore.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace switchersim;

namespace {

const std::string CorvaneId = "WhoAreYou?\r\n\r\nCorvane II Application\r\n#";

class SimCoreTest : public ::testing::Test {
protected:
    std::ostringstream LogText;
    ByteLog Log{LogText, std::chrono::system_clock::time_point()};
    SimCore Core{SwitcherModel(Model::CorvaneII), Log};

    void SetUp() override { Core.Connect(1, "peer", 0); }

    std::string Push(std::string_view bytes, int64_t now = 0) {
        Core.Receive(1, bytes, now);
        return Core.TakeOutput(1, now);
    }
    ControlResult Control(std::string_view line, int64_t now = 0) { return Core.Control(line, now); }
};

} // namespace

TEST_F(SimCoreTest, EveryLineEndEndsACommand) {
    EXPECT_EQ(Push("Remote 0\n\r"), "Remote 0\r\n");
    EXPECT_EQ(Push("Lockout 0\r\n"), "Lockout 0\r\n");
    EXPECT_EQ(Push("KP 3\r"), "KP 3\r\n");
    EXPECT_EQ(Push("KP Mix\n"), "KP Mix\r\n");
    EXPECT_EQ(Push("\r\n\r\r\n"), "") << "empty lines say nothing";
}

TEST_F(SimCoreTest, CommandsSplitAcrossReadsAndMergedInOne) {
    EXPECT_EQ(Push("Who"), "");
    EXPECT_EQ(Push("AreYou?\r"), CorvaneId);
    EXPECT_EQ(Push("\nKP 3\rKP Mix\rKeyS"), "KP 3\r\nKP Mix\r\n");
    const std::string status = Push("tatus\r");
    EXPECT_NE(status.find("\r\n<3><PVW>OFF</PVW><PGM>ON</PGM></3>\r\n"), std::string::npos);
    EXPECT_NE(status.find("\r\n<1><PVW>ON</PVW><PGM>OFF</PGM></1>\r\n"), std::string::npos);
    EXPECT_EQ(status.back(), '#');
    // One byte at a time.
    std::string out;
    for (char c : std::string("Rev\r\n")) out += Push(std::string(1, c));
    EXPECT_EQ(out, "Rev\r\n\r\nSoftware : 1.20.A\r\n#");
}

TEST_F(SimCoreTest, OverlongLineIsDiscardedWhole) {
    EXPECT_EQ(Push(std::string(SimCore::MaxLine, 'x')), "");
    EXPECT_EQ(Push("KP 3\r"), "") << "the tail of the long line is not a command";
    EXPECT_EQ(Push("KP 4\r"), "KP 4\r\n");
    EXPECT_NE(LogText.str().find("longer than 4096 bytes, ignored"), std::string::npos);
}

TEST_F(SimCoreTest, UnaskedMessagesAreFramedExactly) {
    const struct {
        std::string Line;
        std::string Bytes;
    } cases[] = {
        {"popup Input 3 lost", "<POPUPMSG>Input 3 lost</POPUPMSG>\r\n"},
        {"popup Two\\rlines\\x23", "<POPUPMSG>Two\rlines#</POPUPMSG>\r\n"},
        {"popup", "<POPUPMSG></POPUPMSG>\r\n"},
        {"error BAD_SOURCE", "!ERR_BAD_SOURCE\r\n"},
        {"queuefull", "\"TaskEnet msq queue getting full\", waiting for it \"to empty\"\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Control(c.Line).What, ControlResult::None) << c.Line;
        EXPECT_EQ(Core.TakeOutput(1, 0), c.Bytes) << c.Line;
    }
}

TEST_F(SimCoreTest, AStreamNeverEndsAReplyAndIsLoggedBySize) {
    EXPECT_EQ(Control("stream 100000").What, ControlResult::None);
    const std::string out = Core.TakeOutput(1, 0);
    EXPECT_EQ(out.size(), 100000u);
    EXPECT_EQ(out.find('#'), std::string::npos);
    EXPECT_EQ(out.substr(0, 36), "<1><PVW>ON</PVW><PGM>OFF</PGM></1>\r\n");
    EXPECT_NE(LogText.str().find("streamed 100000 bytes"), std::string::npos);
    EXPECT_EQ(LogText.str().find("<1><PVW>"), std::string::npos);
    for (const char* bad : {"stream", "stream 0", "stream -5", "stream 12x", "stream 1000000001"})
        EXPECT_EQ(Control(bad).What, ControlResult::Error) << bad;
}

TEST_F(SimCoreTest, UnaskedMessagesGoToEveryClientAndNowhereWithoutOne) {
    Core.Connect(2, "second", 0);
    Control("error X");
    EXPECT_EQ(Core.TakeOutput(1, 0), "!ERR_X\r\n");
    EXPECT_EQ(Core.TakeOutput(2, 0), "!ERR_X\r\n");
    Core.Disconnect(1, 0);
    Core.Disconnect(2, 0);
    Control("popup lost");
    EXPECT_FALSE(Core.NextDue());
    EXPECT_NE(LogText.str().find("popup: no client connected, not sent"), std::string::npos);
}

TEST_F(SimCoreTest, DelayHoldsRepliesBackInOrder) {
    Control("delay 7000");
    EXPECT_EQ(Push("WhoAreYou?\r\n", 100), "");
    EXPECT_EQ(Core.NextDue(), 7100);
    Control("delay 0", 200);
    Core.Receive(1, "KP 3\r", 300);
    EXPECT_EQ(Core.TakeOutput(1, 7099), "") << "a later reply does not overtake";
    EXPECT_EQ(Core.TakeOutput(1, 7100), CorvaneId + "KP 3\r\n");
    EXPECT_EQ(Push("KP 4\r", 7200), "KP 4\r\n");
}

TEST_F(SimCoreTest, UnaskedMessageOvertakesADelayedReply) {
    // As on the wire when a message arrives while the panel waits for its reply.
    Control("delay 500");
    Core.Receive(1, "KeyStatus\r", 0);
    Control("popup a#b", 10);
    EXPECT_EQ(Core.TakeOutput(1, 10), "<POPUPMSG>a#b</POPUPMSG>\r\n");
    EXPECT_EQ(Core.TakeOutput(1, 499), "");
    EXPECT_EQ(Core.TakeOutput(1, 500).substr(0, 11), "KeyStatus\r\n");
}

TEST_F(SimCoreTest, MuteSwallowsRepliesButNotTheCommands) {
    Control("mute");
    EXPECT_EQ(Push("WhoAreYou?\r\nKP 5\rKP CUT\r"), "");
    EXPECT_FALSE(Core.NextDue());
    EXPECT_EQ(Core.Switcher().Find("5")->Pgm, "ON");
    Control("error STILL_SENT");
    EXPECT_EQ(Core.TakeOutput(1, 0), "!ERR_STILL_SENT\r\n");
    Control("unmute");
    EXPECT_EQ(Push("KP 6\r"), "KP 6\r\n");
}

TEST_F(SimCoreTest, DropClosesEveryClientAndForgetsItsOutput) {
    Core.Connect(2, "second", 0);
    Control("delay 100");
    Core.Receive(1, "Rev\r", 0);
    Control("drop");
    auto dropped = Core.TakeDrops();
    std::sort(dropped.begin(), dropped.end());
    EXPECT_EQ(dropped, (std::vector<int>{1, 2}));
    EXPECT_TRUE(Core.TakeDrops().empty());
    EXPECT_EQ(Core.ConnectionCount(), 0u);
    EXPECT_FALSE(Core.NextDue());
    EXPECT_EQ(Core.TakeOutput(1, 1000), "");
    Core.Connect(3, "again", 0);
    Core.Receive(3, "Rev\r", 1000);
    EXPECT_EQ(Core.TakeOutput(3, 1100), "Rev\r\n\r\nSoftware : 1.20.A\r\n#") << "state survives the drop";
}

TEST_F(SimCoreTest, ControlChangesVersionAndSections) {
    EXPECT_EQ(Control("version 1.19.Z").What, ControlResult::None);
    EXPECT_EQ(Push("Rev\r"), "Rev\r\n\r\nSoftware : 1.19.Z\r\n#");
    EXPECT_EQ(Control("set  LAYERA  blink   ON").What, ControlResult::None);
    EXPECT_NE(Push("KeyStatus\r").find("<LAYERA><PVW>BLINK</PVW><PGM>ON</PGM></LAYERA>"), std::string::npos);
}

TEST_F(SimCoreTest, ControlAnswersSleepQuitAndRefusals) {
    EXPECT_EQ(Control("sleep 250").What, ControlResult::Sleep);
    EXPECT_EQ(Control("sleep 250").SleepMs, 250);
    EXPECT_EQ(Control("quit").What, ControlResult::Quit);
    EXPECT_EQ(Control("  # a comment").What, ControlResult::None);
    EXPECT_EQ(Control("").What, ControlResult::None);
    for (const char* bad : {"delay", "delay -5", "delay 5s", "sleep x", "version", "set 1 ON", "set 9 ON OFF",
                            "set 1 ON OFF X", "popup bad\\q", "mute now", "frobnicate"}) {
        const ControlResult r = Control(bad);
        EXPECT_EQ(r.What, ControlResult::Error) << bad;
        EXPECT_FALSE(r.Message.empty()) << bad;
    }
    EXPECT_EQ(Core.DelayMs(), 0);
    EXPECT_EQ(Core.Switcher().Version(), "1.20.A");
}

TEST_F(SimCoreTest, LogShowsEveryReceivedChunkEscaped) {
    Push("Remote 0\n\rLock");
    Push("out 2\n\r\xe9\x01");
    const std::string log = LogText.str();
    EXPECT_NE(log.find(" peer < Remote 0\\n\\rLock\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" peer < out 2\\n\\r\\xE9\\x01\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" peer > Lockout 2\\r\\n\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" peer * connected\n"), std::string::npos) << log;
}
