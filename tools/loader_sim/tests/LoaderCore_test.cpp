#include "tools/loader_sim/LoaderCore.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace loadersim;

namespace {

struct Unit {
    explicit Unit(UnitConfig config = {}) : Log(Text, {}), Core(std::move(config), Log) {
        Core.Connect(1, "loader", 0);
    }
    // What the unit sends, by `now`, for bytes received at `at`.
    std::string Ask(std::string_view bytes, int64_t at = 0, int64_t now = 0) {
        Core.Receive(1, bytes, at);
        return Core.TakeOutput(1, std::max(at, now));
    }
    std::ostringstream Text;
    ByteLog Log;
    LoaderCore Core;
};

std::string Header(std::string_view body, std::string_view version = "2.18") {
    char sum[8];
    std::snprintf(sum, sizeof sum, "%x", ByteSum(body));
    return "LF 10000 " + std::to_string(body.size()) + " " + sum + " " + std::string(version) + "\r";
}

} // namespace

TEST(LoaderCore, ConsoleAnswersEachLineWithItsEchoAndThePrompt) {
    struct Case {
        const char* Name;
        bool Loader;
        std::string In;
        std::string Out;
    };
    const Case cases[] = {
        {"line end", false, "\r\n", "\r\n#"},
        {"lone LF", false, "\n", "\r\n#"},
        {"LF CR is one end", false, "\n\r", "\r\n#"},
        {"two CRs are two lines", false, "\r\r", "\r\n#\r\n#"},
        {"unknown command", false, "HELLO\r", "HELLO\r\n#"},
        {"loader mode", false, "LOADR\r\n", "LOADR\r\nEntering loader mode\r\n>"},
        {"loader command any case", false, " loadr \r", " loadr \r\nEntering loader mode\r\n>"},
        {"in loader mode", true, "\r\n", "\r\n>"},
        {"loader command in loader mode", true, "LOADR\r", "LOADR\r\n>"},
        {"query", false, "ver\r\n", "ver\r\nVersion 3.10\r\n#"},
        {"bad header", true, "LF 10000 x 1f 2.18\r", "LF 10000 x 1f 2.18\r\nBad header\r\n>"},
        {"header in normal mode", false, "LF 1 0 0 V\r", "LF 1 0 0 V\r\n#"},
    };
    for (const Case& c : cases) {
        Unit u;
        u.Core.SetAnswer("VER", "Version 3.10");
        if (c.Loader) u.Core.Control("loader", 0);
        EXPECT_EQ(u.Ask(c.In), c.Out) << c.Name;
    }
}

TEST(LoaderCore, CommandsMaySplitAcrossReads) {
    Unit u;
    EXPECT_EQ(u.Ask("LO"), "LO") << "each byte is echoed as it arrives";
    EXPECT_EQ(u.Ask("ADR\r"), "ADR\r\nEntering loader mode\r\n>");
    EXPECT_EQ(u.Ask("\n"), ""); // the LF of the CR LF pair
    EXPECT_TRUE(u.Core.InLoaderMode());
}

TEST(LoaderCore, AcceptsAnImageOfExactlyTheAnnouncedSizeAndSum) {
    UnitConfig config;
    config.StartInLoader = true;
    config.FlashDelayMs = 500;
    Unit u(config);
    std::string body;
    for (int i = 0; i < 5000; ++i) body += static_cast<char>(i * 7);
    body[0] = '\n'; // a body may begin with a line end
    // The header comes back as typed, without its "\r": the body follows it at once.
    const std::string header = Header(body);
    EXPECT_EQ(u.Ask(header), header.substr(0, header.size() - 1));
    EXPECT_EQ(u.Ask(body.substr(0, 1999), 10), "");
    // The rest and a line end after it: the answer waits for the flash.
    EXPECT_EQ(u.Ask(body.substr(1999) + "\r\n", 20), "");
    EXPECT_EQ(u.Core.NextDue(), 520);
    EXPECT_EQ(u.Core.TakeOutput(1, 520), "\r\nImage OK\r\n>\r\n>");
    ASSERT_EQ(u.Core.Images().size(), 1u);
    const Image& image = u.Core.Images()[0];
    EXPECT_TRUE(image.Accepted);
    EXPECT_EQ(image.Bytes, body);
    EXPECT_EQ(image.Address, "10000");
    EXPECT_EQ(image.Version, "2.18");
    EXPECT_EQ(image.DeclaredSize, 5000u);
}

TEST(LoaderCore, ChecksumIsTheByteSumModulo65536) {
    EXPECT_EQ(ByteSum(std::string(300, '\xFF')), 0x2AD4);
    EXPECT_EQ(ByteSum(""), 0);
}

TEST(LoaderCore, EmptyImageNeedsNoBody) {
    UnitConfig config;
    config.StartInLoader = true;
    config.FlashDelayMs = 0;
    Unit u(config);
    EXPECT_EQ(u.Ask("LF 10000 0 0 DATE\r"), "LF 10000 0 0 DATE\r\nImage OK\r\n>");
    ASSERT_EQ(u.Core.Images().size(), 1u);
    EXPECT_TRUE(u.Core.Images()[0].Accepted);
}

TEST(LoaderCore, RefusedImageLeavesTheUnitSilentUntilReset) {
    struct Case {
        const char* Name;
        bool Refuse;
        bool BadSum;
    };
    for (const Case c : {Case{"bad sum", false, true}, Case{"refused on request", true, false}}) {
        Unit u;
        u.Core.Control("loader", 0);
        if (c.Refuse) u.Core.Control("refuse", 0);
        const std::string body(100, 'a');
        std::string header = Header(body);
        if (c.BadSum) header = "LF 10000 100 1 V\r";
        EXPECT_EQ(u.Ask(header + body + "\r\n"), header.substr(0, header.size() - 1) + "\r\nChecksum error\r\n")
            << c.Name;
        EXPECT_FALSE(u.Core.Images().at(0).Accepted) << c.Name;
        EXPECT_EQ(u.Ask("\r\n"), "") << c.Name;
        u.Core.Control("reset", 5);
        EXPECT_EQ(u.Core.TakeOutput(1, 5), "\r\nBoot\r\n#") << c.Name;
        EXPECT_EQ(u.Ask("\r\n", 6), "\r\n#") << c.Name;
    }
}

TEST(LoaderCore, SilenceStallAndDrop) {
    Unit u;
    u.Core.Control("mute", 0);
    EXPECT_EQ(u.Ask("LOADR\r\n"), "");
    EXPECT_FALSE(u.Core.InLoaderMode());
    u.Core.Control("unmute", 0);
    EXPECT_EQ(u.Ask("\r\n"), "\r\n#");

    u.Core.Control("stall", 0);
    EXPECT_TRUE(u.Core.Stalled());
    u.Core.Control("unstall", 0);
    EXPECT_FALSE(u.Core.Stalled());

    u.Core.Control("drop", 0);
    EXPECT_EQ(u.Core.TakeDrops(), std::vector<int>{1});
    EXPECT_TRUE(u.Core.TakeDrops().empty());
}

TEST(LoaderCore, ControlLines) {
    Unit u;
    EXPECT_EQ(u.Core.Control("answer VER = Ver 1.0\\r\\nBuilt today", 0).What, ControlResult::None);
    EXPECT_EQ(u.Ask("VER\r"), "VER\r\nVer 1.0\r\nBuilt today\r\n#");
    EXPECT_EQ(u.Core.Control("flash 250", 0).What, ControlResult::None);
    EXPECT_EQ(u.Core.Config().FlashDelayMs, 250);
    EXPECT_EQ(u.Core.Control("sleep 40", 0).SleepMs, 40);
    EXPECT_EQ(u.Core.Control("quit", 0).What, ControlResult::Quit);
    EXPECT_EQ(u.Core.Control("# a comment", 0).What, ControlResult::None);
    for (const char* bad : {"flash", "flash x", "answer VER", "answer = x", "answer V = \\q", "frobnicate"})
        EXPECT_EQ(u.Core.Control(bad, 0).What, ControlResult::Error) << bad;
}

TEST(LoaderCore, ALinkClosedDuringAnUploadLosesIt) {
    Unit u;
    u.Core.Control("loader", 0);
    u.Ask("LF 1 10 0 V\r12345");
    u.Core.Disconnect(1, 1);
    u.Core.Connect(1, "again", 2);
    EXPECT_EQ(u.Ask("\r", 3), "\r\n>");
    EXPECT_TRUE(u.Core.Images().empty());
    EXPECT_NE(u.Text.str().find("link closed during an upload after 5 of 10 bytes"), std::string::npos);
}

TEST(LoaderCore, TriggersAndIgnoredLines) {
    UnitConfig config;
    config.FlashDelayMs = 0;
    Unit u(config);
    EXPECT_EQ(u.Core.Control("on loadr = mute", 0).What, ControlResult::None);
    EXPECT_EQ(u.Ask("VER\r"), "VER\r\n#") << "a line that does not begin with the text";
    EXPECT_EQ(u.Ask("LOADR\r\n\r\n"), "LOADR") << "silent from the line on, its echo aside";
    EXPECT_FALSE(u.Core.InLoaderMode());
    EXPECT_TRUE(u.Core.Muted());
    u.Core.Control("unmute", 0);
    EXPECT_EQ(u.Ask("LOADR\r"), "LOADR\r\nEntering loader mode\r\n>") << "a trigger fires once";

    // An upload header sets one off too.
    u.Core.Control("on LF 10000 = stall", 0);
    u.Ask(Header("abc"));
    EXPECT_TRUE(u.Core.Stalled());
    u.Core.Control("unstall", 0);
    EXPECT_EQ(u.Ask("abc"), "\r\nImage OK\r\n>");

    u.Core.Control("ignore ver", 0);
    EXPECT_EQ(u.Ask("VERSION\r"), "VERSION");
    EXPECT_EQ(u.Ask("\r"), "\r\n>");
    u.Core.Control("ignore", 0);
    EXPECT_EQ(u.Ask("VER\r"), "VER\r\n>");

    for (const char* bad :
         {"on", "on X", "on = mute", "on X =", "on X = quit", "on X = sleep 5", "on X = on Y = mute"})
        EXPECT_EQ(u.Core.Control(bad, 0).What, ControlResult::Error) << bad;
}
