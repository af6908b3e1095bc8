#include "loader/LoaderSettings.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

// Data lines 1 to 29 with the given values; the others hold "x=" (counted, empty value).
std::string DataLines(std::initializer_list<std::pair<int, std::string>> values, const char* end = "\r\n") {
    std::string out = "; Loader settings\r\n[Port]\r\n\r\n";
    for (int n = 1; n <= 29; ++n) {
        std::string value;
        for (const auto& [line, text] : values)
            if (line == n) value = text;
        out += "Line" + std::to_string(n) + "=" + value + end;
    }
    return out;
}

} // namespace

TEST(LoaderSettings, ReadsEachDataLineByItsPosition) {
    struct Case {
        const char* Name;
        std::string File;
        std::function<void(const TLoaderDefaults&)> Check;
    };
    const Case cases[] = {
        {"comments, sections and blank lines are not counted", "; c\r\n[s]\r\n\r\nCom=COM3\r\n",
         [](auto& d) { EXPECT_EQ(d.ComPort, 3); }},
        {"COM10 gives 10", "Com=COM10\n", [](auto& d) { EXPECT_EQ(d.ComPort, 10); }},
        {"zeros before the number skipped", "Com=port 007\n", [](auto& d) { EXPECT_EQ(d.ComPort, 7); }},
        {"no digit leaves the port", "Com=none\n", [](auto& d) { EXPECT_FALSE(d.ComPort); }},
        {"a line without = counts but sets nothing", "COM4\nBaud=9600\n",
         [](auto& d) {
             EXPECT_FALSE(d.ComPort);
             EXPECT_EQ(d.Baud, 9600);
         }},
        {"baud 4800 accepted", DataLines({{2, "4800"}}),
         [](auto& d) {
             EXPECT_EQ(d.Baud, 4800);
             EXPECT_FALSE(d.BadBaud);
         }},
        {"baud 14400 refused", DataLines({{2, "14400"}}),
         [](auto& d) {
             EXPECT_FALSE(d.Baud);
             EXPECT_TRUE(d.BadBaud);
         }},
        {"line settings in range", DataLines({{3, "7"}, {4, "2"}, {5, "2"}}),
         [](auto& d) {
             EXPECT_EQ(d.DataBits, 7);
             EXPECT_EQ(d.Parity, 2);
             EXPECT_EQ(d.StopBits, 2);
         }},
        {"line settings out of range", DataLines({{3, "9"}, {4, "5"}, {5, "3"}}),
         [](auto& d) {
             EXPECT_FALSE(d.DataBits);
             EXPECT_FALSE(d.Parity);
             EXPECT_FALSE(d.StopBits);
         }},
        {"script path and folder lose their leading blanks",
         DataLines({{6, "  /tmp/a b.sld"}, {7, "   scripts "}}),
         [](auto& d) {
             EXPECT_EQ(d.AutomaticScript, "/tmp/a b.sld");
             EXPECT_EQ(d.ScriptFolder, "scripts ");
         }},
        {" auto Matic ", DataLines({{8, " auto Matic "}}), [](auto& d) { EXPECT_TRUE(d.Automatic); }},
        {"manual", DataLines({{8, "manual"}}), [](auto& d) { EXPECT_FALSE(d.Automatic); }},
        {"prompts: first character after blanks", DataLines({{14, "  $x"}, {15, "%"}}),
         [](auto& d) {
             EXPECT_EQ(d.NormalPrompt, '$');
             EXPECT_EQ(d.LoaderPrompt, '%');
         }},
        {"fewer than 14 data lines keep the prompts", "a=1\nb=2\n",
         [](auto& d) {
             EXPECT_FALSE(d.NormalPrompt);
             EXPECT_FALSE(d.LoaderPrompt);
         }},
        {"loader command gets its line end; load command as written",
         DataLines({{19, " BOOT"}, {24, " LOAD"}}),
         [](auto& d) {
             EXPECT_EQ(d.LoaderModeCmd, "BOOT\r\n");
             EXPECT_EQ(d.LoadCmd, "LOAD");
         }},
        {"empty commands leave the defaults", DataLines({}),
         [](auto& d) {
             EXPECT_FALSE(d.LoaderModeCmd);
             EXPECT_FALSE(d.LoadCmd);
         }},
        {"terminal and colours", DataLines({{20, "0"}, {21, "4"}, {22, "6"}}),
         [](auto& d) {
             EXPECT_EQ(d.TerminalVisible, 0);
             EXPECT_EQ(d.Background, 4);
             EXPECT_FALSE(d.TextColor);
         }},
        {"branding: a number", DataLines({{23, " 100"}}), [](auto& d) { EXPECT_EQ(d.Branding, 100); }},
        {"branding: not a number is 0", DataLines({{23, "abc"}}), [](auto& d) { EXPECT_EQ(d.Branding, 0); }},
        {"branding: absent", "a=1\n", [](auto& d) { EXPECT_FALSE(d.Branding); }},
        {"the lock", DataLines({{25, "TRUE"}}), [](auto& d) { EXPECT_TRUE(d.Locked); }},
        {"the lock in lower case does not lock", DataLines({{25, "true"}}),
         [](auto& d) { EXPECT_FALSE(d.Locked); }},
        {"TCP address and port", DataLines({{26, "192.168.1.20"}, {27, "3001"}}),
         [](auto& d) {
             ASSERT_TRUE(d.Address);
             EXPECT_EQ((*d.Address)[0], 192);
             EXPECT_EQ((*d.Address)[3], 20);
             EXPECT_EQ(d.Port, 3001);
         }},
        {"TCP address out of range, port out of range", DataLines({{26, "192.168.1.256"}, {27, "65536"}}),
         [](auto& d) {
             EXPECT_FALSE(d.Address);
             EXPECT_FALSE(d.Port);
         }},
        {"LF file reads as the CR LF one", DataLines({{19, "BOOT"}, {25, "TRUE"}, {2, "57600"}}, "\n"),
         [](auto& d) {
             EXPECT_EQ(d.LoaderModeCmd, "BOOT\r\n");
             EXPECT_TRUE(d.Locked);
             EXPECT_EQ(d.Baud, 57600);
         }},
        {"CR before LF is not part of the value", "a=1\r\nb=2\r\nc=3\r\nd=4\r\ne=5\r\nf= /tmp/s.sld\r\n",
         [](auto& d) { EXPECT_EQ(d.AutomaticScript, "/tmp/s.sld"); }},
        {"reading stops after data line 29", DataLines({}) + "x=\r\n",
         [](auto& d) { EXPECT_FALSE(d.ComPort); }},
        {"last line without its end", "Com=COM2", [](auto& d) { EXPECT_EQ(d.ComPort, 2); }},
        {"a line longer than 351 characters is cut", "Com=" + std::string(400, ' ') + "COM5\n",
         [](auto& d) { EXPECT_FALSE(d.ComPort); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        c.Check(ParseLoaderDefault(c.File));
    }
}
