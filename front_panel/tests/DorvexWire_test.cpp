// The reply cut of SendAndWait, the tag extraction of the status parser and the version gate, as
// tables of text in and text out.
#include "front_panel/DorvexWire.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TCutCase {
    const char* What;
    std::string Packet;
    std::string Result;
};

TEST(DorvexWire, CutReply) {
    const TCutCase cases[] = {
        {"status reply: CR LF and # dropped, the CR trimmed", "KeyStatus\r\r\n<1>x</1>\r\n#",
         "KeyStatus\r\r\n<1>x</1>"},
        {"no question mark: the last two characters go", "abcdef", "abcd"},
        {"identification: echo and three after the ?, and the last three, go",
         "WhoAreYou?\r\n\r\nCorvane II Application\r\n#", "Corvane II Application"},
        {"with a ?: everything up to three after it, and three at the end", "xx?123456789", "456"},
        {"revision reply", "Rev\r\n\r\nSoftware : 1.20.A\r\n#", "Rev\r\n\r\nSoftware : 1.20.A"},
        {"blanks around the packet are trimmed first", "  ab#  ", "a"},
        {"two characters leave nothing", "a#", ""},
        {"a lone #", "#", ""},
        {"an empty packet", "", ""},
        {"? near the end: the start passes the end", "abc?d#", ""},
        {"only the first ? counts", "?abcd?efgh#", "d?ef"},
    };
    for (const TCutCase& c : cases) EXPECT_EQ(CutReply(c.Packet), c.Result) << c.What;
}

TEST(DorvexWire, ReplyBodyKeepsWhatTheFinalTrimRemoves) {
    EXPECT_EQ(ReplyBody("KeyStatus\r\n<1>x</1>\r\n#"), "KeyStatus\r\n<1>x</1>\r");
    EXPECT_EQ(ReplyBody("Q?\r\n\r\nX\r\n#"), "\nX");
}

struct TTagCase {
    const char* What;
    std::string Text;
    std::string Tag;
    std::string Result;
};

TEST(DorvexWire, ExtractTag) {
    const std::string status = "<1><PVW>ON</PVW><PGM>OFF</PGM></1>\r\n<10><PVW>BLINK</PVW></10>";
    const TTagCase cases[] = {
        {"a section", "<A>x</A>", "A", "x"},
        {"a missing tag", "<A>x</A>", "B", "0"},
        {"an opening tag without its closing tag", "<A>x", "A", ""},
        {"the closing tag before the opening tag", "</A><A>x", "A", ""},
        {"an empty section", "<A></A>", "A", ""},
        {"section 1 is not section 10", status, "1", "<PVW>ON</PVW><PGM>OFF</PGM>"},
        {"section 10", status, "10", "<PVW>BLINK</PVW>"},
        {"the first occurrence counts", "<A>1</A><A>2</A>", "A", "1"},
        {"nesting is not followed", "<A>a<A>b</A>c</A>", "A", "a<A>b"},
        {"case-sensitive", "<pvw>ON</pvw>", "PVW", "0"},
        {"a value of 0 reads as missing", "<A>0</A>", "A", "0"},
        {"the missing result is read again", "0", "PVW", "0"},
        {"empty text", "", "A", "0"},
    };
    for (const TTagCase& c : cases) EXPECT_EQ(ExtractTag(c.Text, c.Tag), c.Result) << c.What;
}

TEST(DorvexWire, RevisionVersion) {
    EXPECT_EQ(RevisionVersion("Rev\r\n\r\nSoftware : 1.20.A"), "1.20.A");
    EXPECT_EQ(RevisionVersion("Software : 1.21.BETA-LONG"), "1.21.BET");
    // Without "Software" the version is read from position 11.
    EXPECT_EQ(RevisionVersion("0123456789ABCDEFGHIJ"), "ABCDEFGH");
    EXPECT_EQ(RevisionVersion("0"), "");
}

TEST(DorvexWire, VersionGate) {
    for (const char* passes : {"1.20.A", "1.20.B", "1.21", "1.3", "2.0", "1.20.A1"})
        EXPECT_TRUE(VersionSupported(passes)) << passes;
    for (const char* fails : {"1.20", "1.20.", "1.1", "1.19.Z", "0", "", "1.20.0"})
        EXPECT_FALSE(VersionSupported(fails)) << fails;
}

} // namespace
