#include "tools/simlog/ByteLog.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using namespace simlog;

TEST(EscapeBytes, EscapesControlAndHighBytesOnly) {
    const struct {
        std::string In;
        std::string Out;
    } cases[] = {
        {"KP 3\r", "KP 3\\r"},
        {"Remote 0\n\r", "Remote 0\\n\\r"},
        {std::string("a\0b", 3), "a\\x00b"},
        {"\t\x1b\x7f", "\\x09\\x1B\\x7F"},
        {"\x80\xe9\xff", "\\x80\\xE9\\xFF"},
        {"back\\slash", "back\\\\slash"},
        {"\"quoted\" <TAG> #  ", "\"quoted\" <TAG> #  "},
    };
    for (const auto& c : cases) EXPECT_EQ(EscapeBytes(c.In), c.Out) << c.Out;
}

TEST(EscapeBytes, EveryByteReadsBack) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::string escaped = EscapeBytes(all);
    EXPECT_EQ(escaped.find('\n'), std::string::npos);
    EXPECT_EQ(escaped.find('\r'), std::string::npos);
    EXPECT_EQ(UnescapeBytes(escaped), all);
}

TEST(UnescapeBytes, RefusesBrokenEscapes) {
    for (const char* bad : {"ends\\", "\\x4", "\\xZZ", "\\t", "\\x"}) EXPECT_FALSE(UnescapeBytes(bad)) << bad;
    EXPECT_EQ(UnescapeBytes("\\x41\\x62c"), "Abc");
}

TEST(ByteLog, WritesOneLinePerEntryWithBothTimes) {
    std::ostringstream out;
    // 2025-03-01T10:00:00.000Z
    const auto start = std::chrono::system_clock::time_point(std::chrono::seconds(1740823200));
    ByteLog log(out, start);
    log.Received(1523, "127.0.0.1:4000", "KP 3\rKP Mix\r");
    log.Sent(1524, "127.0.0.1:4000", "#");
    log.Event(61000, "control", "line\nbreak");
    EXPECT_EQ(out.str(), "1523 2025-03-01T10:00:01.523Z 127.0.0.1:4000 < KP 3\\rKP Mix\\r\n"
                         "1524 2025-03-01T10:00:01.524Z 127.0.0.1:4000 > #\n"
                         "61000 2025-03-01T10:01:01.000Z control * line\\nbreak\n");
}

// What the log writes reads back: times, who, tag and the bytes of what came in.
TEST(ByteLog, ReadsBackWhatItWrote) {
    std::ostringstream out;
    const auto start = std::chrono::system_clock::time_point(std::chrono::seconds(1740823200));
    ByteLog log(out, start);
    log.Received(1523, "127.0.0.1:4000", std::string("KP 3\r\x00\xff", 7));
    log.Received(1530, "control", "quit");
    log.Sent(1531, "127.0.0.1:4000", "#");
    log.Event(61000, "control", "a b c");

    const auto line = ParseLogLine("1523 2025-03-01T10:00:01.523Z 127.0.0.1:4000 < KP 3\\r");
    ASSERT_TRUE(line);
    EXPECT_EQ(line->Ms, 1523);
    EXPECT_EQ(line->WallMs, 1740823201523);
    EXPECT_EQ(line->Who, "127.0.0.1:4000");
    EXPECT_EQ(line->Tag, '<');
    EXPECT_EQ(line->Text, "KP 3\\r");
    for (const char* bad : {"", "1523", "x 2025-03-01T10:00:01.523Z a < b", "1 2025-03-01 a < b",
                            "1 2025-03-01T10:00:01.523Z a << b"})
        EXPECT_FALSE(ParseLogLine(bad)) << bad;

    std::istringstream in(out.str());
    const auto chunks = ReceivedChunks(in);
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(chunks[0].WallMs, 1740823201523);
    EXPECT_EQ(chunks[0].Bytes, std::string("KP 3\r\x00\xff", 7));
    std::istringstream again(out.str());
    EXPECT_EQ(EventLines(again), std::vector<std::string>{"61000 2025-03-01T10:01:01.000Z control * a b c"});
}
