// The recording of a vttest session (taken by the live comparison in VXTrmVT100_slowtest.cpp)
// and the recordings of real programs run with TERM=vt100 (data/programs, see its README)
// replayed through the VT100 emulator and the reference terminal library: after each screen's
// bytes, and after every single byte, both must show the same screen, each of our cells as the
// glyph it draws, but for the differences listed by name in VtScreen.cpp.
#include "communications/VXTrmEmu.h"
#include "communications/VXTrmMap.h"

#include "communications/tests/vttest/VtScreen.h"
#include "tools/testing/SourceTree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>

namespace {

TEST(VttestReplay, EveryScreenMatchesTheReference) {
    std::ifstream in(SourceTree() / "communications/tests/data/vttest/vttest.rec", std::ios::binary);
    ASSERT_TRUE(in) << "missing recording";
    std::vector<TVtRecordedScreen> screens;
    ASSERT_TRUE(ParseRecording(std::string(std::istreambuf_iterator<char>(in), {}), screens));
    ASSERT_FALSE(screens.empty());
    TVxVT100Emulator emu(nullptr);
    TReferenceTerminal ref(24, 80);
    std::set<std::string> differing;
    for (const TVtRecordedScreen& s : screens) {
        emu.ProcessBlock(s.Bytes.data(), static_cast<int>(s.Bytes.size()), csPort);
        ref.Feed(s.Bytes);
        const TVtScreen ours = EmulatorScreen(emu, 24, 132);
        const std::string diff = ours.Difference(ref.Screen());
        if (diff.empty()) continue;
        differing.insert(s.Name);
        if (!AllowedDifference(s.Name)) ADD_FAILURE() << "screen " << s.Name << ": " << diff << "\n" << ours.Dump();
    }
    for (const TVtAllowedDifference& d : AllowedDifferences())
        EXPECT_TRUE(d.Seen != vsAfterScreen || differing.count(d.Screen)) << d.Screen << " no longer differs";
}

std::vector<TVtRecordedScreen> ReadRecording(const std::filesystem::path& Path) {
    std::ifstream in(Path, std::ios::binary);
    std::vector<TVtRecordedScreen> screens;
    EXPECT_TRUE(in) << "missing recording " << Path;
    EXPECT_TRUE(ParseRecording(std::string(std::istreambuf_iterator<char>(in), {}), screens)) << Path;
    return screens;
}

// Fails on every divergence not listed, and on every listed one (of this comparison's names, seen
// only byte by byte) that no longer shows.
void ExpectOnlyListed(const std::vector<TVtDivergence>& Found, const std::string& Prefix) {
    std::set<std::string> seen;
    for (const TVtDivergence& d : Found) {
        seen.insert(d.Screen);
        if (!AllowedDifference(d.Screen, true))
            ADD_FAILURE() << d.Screen << ", byte " << d.Offset << ": " << d.Difference << "\n" << d.Ours;
    }
    for (const TVtAllowedDifference& d : AllowedDifferences()) {
        const std::string name = d.Screen;
        if (d.Seen != vsInPassing || name.rfind(Prefix, 0) != 0) continue;
        if (Prefix.empty() && name.find('/') != std::string::npos) continue;
        EXPECT_TRUE(seen.count(name)) << name << " no longer differs";
    }
}

TEST(VttestReplay, EveryByteMatchesTheReference) {
    const auto screens = ReadRecording(SourceTree() / "communications/tests/data/vttest/vttest.rec");
    ASSERT_FALSE(screens.empty());
    ExpectOnlyListed(CompareByteByByte(screens), "");
}

TEST(ProgramReplay, EveryByteMatchesTheReference) {
    const auto folder = SourceTree() / "communications/tests/data/programs";
    std::set<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".rec") files.insert(entry.path());
    ASSERT_GE(files.size(), 12u);
    for (const auto& file : files) {
        const std::string program = file.stem().string();
        SCOPED_TRACE(program);
        const auto screens = ReadRecording(file);
        ASSERT_GE(screens.size(), 2u);
        ExpectOnlyListed(CompareByteByByte(screens, program + "/"), program + "/");
    }
}

// The reference notices a column-mode change and VT52 entry however the bytes are split.
TEST(VttestReplay, ReferenceSeesModeChangesSplitAcrossCalls) {
    const std::string cases[] = {
        "abc\033[?3hx",
        "abc\033[?3h\033[5;5Hx\033[?3ly",
        "\033[?2l\033Y%(x\033Ay\033<\033[2;2Hz",
        "\033[?2l\033Fq\033Gq\033H\033Jw",
    };
    for (const std::string& bytes : cases) {
        TReferenceTerminal whole(24, 80), single(24, 80);
        whole.Feed(bytes);
        for (const char c : bytes) single.Feed(std::string(1, c));
        EXPECT_EQ(single.Screen().Difference(whole.Screen()), "") << testing::PrintToString(bytes);
        EXPECT_EQ(single.Screen().Dump(), whole.Screen().Dump()) << testing::PrintToString(bytes);
    }
    TReferenceTerminal split(24, 80);
    split.Feed("abc\033[?");
    split.Feed("3hx");
    const TVtScreen s = split.Screen();
    EXPECT_EQ(s.Text[0].size(), 132u);
    EXPECT_EQ(s.Text[0].substr(0, 4), "x   ");
}

// The comparison looks at the glyph each cell draws: a map entry that draws the wrong one shows.
TEST(VttestReplay, TheComparisonSeesTheGlyphTheMapDraws) {
    const struct {
        std::string bytes;
        const char* set; // an entry the map is reduced to, or none
        char c;
        const char* font;
        char glyph;
        bool differs;
    } cases[] = {
        {"\033(A#\033(B#", nullptr, 0, nullptr, 0, false},
        {"\033(0_`abcdefghijklmnopqrstuvwxyz{|}~", nullptr, 0, nullptr, 0, false},
        {"\033(A#", "VT100-UK", '#', "<Default>", '\xA3', true}, // u acute in the OEM face
        {"\033(0`", "VT100-linedraw", '`', "Terminal", '\x03', true},
        {"\033(0q", "VT100-linedraw", 'q', "Courier New", '\xC4', true}, // A diaeresis there
        {"\033(0`", "VT100-linedraw", '`', "Terminal", '`', true},
        {"_", "VT100-USASCII", '_', "<Default>", ' ', true}, // blank only for the graphics sets
    };
    for (const auto& c : cases) {
        TVxVT100Emulator emu(nullptr);
        if (c.set) {
            emu.CharSetMap()->Clear();
            emu.CharSetMap()->Add(c.set, c.c, c.glyph, c.font, c.c);
        }
        TReferenceTerminal ref(24, 80);
        emu.ProcessBlock(c.bytes.data(), static_cast<int>(c.bytes.size()), csPort);
        ref.Feed(c.bytes);
        const std::string diff = EmulatorScreen(emu, 24, 80).Difference(ref.Screen());
        EXPECT_EQ(!diff.empty(), c.differs) << testing::PrintToString(c.bytes) << "\n" << diff;
    }
}

TEST(VttestReplay, RecordingsRoundTripAndMalformedOnesAreRefused) {
    const std::vector<TVtRecordedScreen> screens = {{"a", "x\ny"}, {"b", ""}, {"c", std::string("\0\033[H", 4)}};
    std::vector<TVtRecordedScreen> back;
    const std::string text = FormatRecording(screens);
    ASSERT_TRUE(ParseRecording(text, back));
    ASSERT_EQ(back.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(back[i].Name, screens[i].Name);
        EXPECT_EQ(back[i].Bytes, screens[i].Bytes);
    }
    for (const std::string& bad : {std::string("VTREC2\n"), text.substr(0, text.size() - 1), text + "screen d 5\nab\n",
                                   std::string("VTREC1\nscreen\n")})
        EXPECT_FALSE(ParseRecording(bad, back)) << testing::PrintToString(bad);
}

} // namespace
