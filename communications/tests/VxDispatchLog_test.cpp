#include "communications/VxDispatchLog.h"

#include "communications/VxErrors.h"
#include "communications/VxUser.h"
#include "communications/tests/support/MemoryDispatcher.h"
#include "platform/win/Messages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <string>
#include <vector>
#include "tools/testing/SourceTree.h"

namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Expected dumps, written by hand, beside this file; they start at the column titles.
std::string Expected(const char* name) {
    return ReadBytes(SourceTree() / "communications" / "tests" / "data" / name);
}

// The two column-title lines that begin the rows.
constexpr std::size_t TitlesSize = 2 * (53 + 2);

// The header's first five lines, then everything after them.
struct TDump {
    std::vector<std::string> Header;
    std::string Rows;
};

TDump Split(const std::string& text) {
    TDump d;
    std::size_t at = 0;
    for (int line = 0; line < 5; ++line) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) break;
        d.Header.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    d.Rows = text.substr(std::min(at, text.size()));
    return d;
}

class DispatchLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        MainThreadId();
        Dir = fs::temp_directory_path() / ("vx_log_" + std::to_string(std::random_device{}()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        ASSERT_EQ(Disp.Open(), ecOK);
        Disp.DeviceName = "COM1";
    }
    void TearDown() override {
        SetDispatchTimeForTesting(std::nullopt);
        fs::remove_all(Dir);
    }

    void At(DWORD ms) { SetDispatchTimeForTesting(ms); }
    std::string File() const { return (Dir / "VEXO.LOG").string(); }

    fs::path Dir;
    TMemoryDispatcher Disp;
};

TEST_F(DispatchLogTest, RowsShowEachEventWithItsTimeAndData) {
    ASSERT_EQ(Disp.InitDispatchLogging(4096), ecOK);
    At(1000);
    Disp.ChangeLengthTrigger(1);
    At(1234);
    Disp.PutString("AB");
    At(2000);
    Disp.Receive("hi\r");
    Disp.DispatchPass();
    At(2500);
    const int timer = Disp.AddTimerTrigger();
    At(2550);
    const int data = Disp.AddDataTrigger("ok", true);
    At(2600);
    const int status = Disp.AddStatusTrigger(stOutBuffFree);
    At(2700);
    Disp.SetTimerTrigger(timer, 18, true);
    At(2800);
    Disp.SetTimerTrigger(timer, 0, false);
    At(2900);
    Disp.RemoveTrigger(status);
    At(3000);
    Disp.AddStringToLog("The quick brown fox jumps over the lazy dog");
    At(3100);
    Disp.AddDispatchEntry(dtTelnet, dstRDo, 0, nullptr, 1);
    At(3200);
    Disp.AddDispatchEntry(dtTelnet, dstCommand, 0, nullptr, 244);
    At(3300);
    Disp.AddDispatchEntry(dtDispatch, dstModemStatus, 1, "1", 0x31);
    At(3400);
    Disp.Receive("xOK");
    Disp.DispatchPass();
    At(3500);
    Disp.RemoveTrigger(data);
    At(12345678);
    Disp.AddStringToLog("late");

    EXPECT_EQ(Disp.DumpDispatchLog(File(), false), ecOK);
    const TDump dump = Split(ReadBytes(File()));
    ASSERT_EQ(dump.Header.size(), 5u);
    EXPECT_EQ(dump.Header[0], "VEXO v4.06");
    EXPECT_EQ(dump.Header[1].rfind("Compiler : ", 0), 0u);
    EXPECT_EQ(dump.Header[2].rfind("Operating System : ", 0), 0u);
    EXPECT_EQ(dump.Header[3], "Device: COM1");
    EXPECT_TRUE(std::regex_match(dump.Header[4], std::regex(R"(Date/time: \d\d/\d\d/\d\d, \d\d:\d\d:\d\d)")))
        << dump.Header[4];
    EXPECT_EQ(dump.Rows, Expected("dispatch.log"));
}

TEST_F(DispatchLogTest, OldestEntriesAreDroppedWholeToMakeRoom) {
    ASSERT_EQ(Disp.InitDispatchLogging(100), ecOK);
    At(1);
    Disp.AddStringToLog("first entry, dropped"); // 36 bytes
    At(2);
    Disp.PutString("AB"); // 18
    At(3);
    Disp.AddStringToLog("a user's note stays text in all-hex dump"); // 56: the first must go
    At(4);
    Disp.AddStringToLog(std::string(84, 'z')); // 100 bytes never fit: nothing stored, nothing dropped

    EXPECT_EQ(Disp.DumpDispatchLog(File(), false, true), ecOK);
    EXPECT_EQ(Split(ReadBytes(File())).Rows, Expected("dispatch_evicted.log"));
}

TEST_F(DispatchLogTest, RingKeepsWholeEntriesAcrossItsEnd) {
    TVexDispatchLog log;
    ASSERT_EQ(log.Init(64), ecOK);
    for (DWORD n = 0; n < 50; ++n) {
        const std::string data(n % 20, static_cast<char>('a' + n % 26));
        TDispatchEntryHeader h;
        h.Type = dtUser;
        h.Value = n;
        h.DataLen = static_cast<DWORD>(data.size());
        ASSERT_TRUE(log.PushDLEntry(h, data.data())) << n;
    }
    // What is left are the newest entries, each whole and in order.
    std::vector<DWORD> values;
    TDispatchEntryHeader h;
    std::vector<char> data;
    while (!log.PopLastDLEntry(h, &data)) {
        EXPECT_EQ(h.DataLen, h.Value % 20);
        EXPECT_EQ(std::string(data.begin(), data.end()),
                  std::string(h.Value % 20, static_cast<char>('a' + h.Value % 26)));
        values.push_back(h.Value);
    }
    ASSERT_FALSE(values.empty());
    EXPECT_EQ(values.back(), 49u);
    for (std::size_t i = 1; i < values.size(); ++i) EXPECT_EQ(values[i], values[i - 1] + 1);
    EXPECT_TRUE(log.Empty());
}

TEST_F(DispatchLogTest, InitKeepsAPresentBufferAndItsState) {
    EXPECT_EQ(Disp.InitDispatchLogging(0), ecBadArgument);
    EXPECT_EQ(Disp.InitDispatchLogging(TVexDispatchLog::MaxSize + 1), ecBadArgument);
    ASSERT_EQ(Disp.InitDispatchLogging(1000), ecOK);
    Disp.AddStringToLog("gone");
    Disp.StopDispatchLogging();
    ASSERT_EQ(Disp.InitDispatchLogging(1000), ecOK) << "clears";
    Disp.AddStringToLog("not while paused");
    Disp.StartDispatchLogging();
    At(5);
    Disp.AddStringToLog("kept");
    EXPECT_EQ(Disp.DumpDispatchLog(File(), false), ecOK);
    EXPECT_EQ(Split(ReadBytes(File())).Rows.substr(TitlesSize),
              "0000.005  User                    00000000  kept\r\n");
}

TEST_F(DispatchLogTest, EmptyLogWritesNoFileAndAFailedOpenKeepsTheLog) {
    ASSERT_EQ(Disp.InitDispatchLogging(1000), ecOK);
    EXPECT_EQ(Disp.DumpDispatchLog(File(), false), ecOK);
    EXPECT_FALSE(fs::exists(File()));
    Disp.AddStringToLog("x");
    EXPECT_FALSE(fs::exists(File())) << "the empty dump ended the log";

    ASSERT_EQ(Disp.InitDispatchLogging(1000), ecOK);
    At(7);
    Disp.AddStringToLog("x");
    EXPECT_EQ(Disp.DumpDispatchLog((Dir / "missing" / "x.log").string(), false), ecPathNotFound);
    Disp.AddStringToLog("not logged: the log is off");
    EXPECT_EQ(Disp.AppendDispatchLog(File(), false), ecOK);
    const std::string rows = Split(ReadBytes(File())).Rows;
    EXPECT_EQ(rows.substr(TitlesSize), "0000.007  User                    00000000  x\r\n");
}

} // namespace
