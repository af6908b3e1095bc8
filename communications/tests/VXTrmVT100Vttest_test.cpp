// The recording of a vttest session (taken by the live comparison in VXTrmVT100_slowtest.cpp)
// replayed through the VT100 emulator and the reference terminal library: after each screen's
// bytes both must show the same screen, but for the differences listed by name in VtScreen.cpp.
#include "communications/VXTrmEmu.h"

#include "communications/tests/vttest/VtScreen.h"
#include "tools/testing/SourceTree.h"

#include <gtest/gtest.h>

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
        EXPECT_TRUE(differing.count(d.Screen)) << d.Screen << " no longer differs";
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
