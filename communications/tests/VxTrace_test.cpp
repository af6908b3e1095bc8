#include "communications/VxTrace.h"

#include "communications/VxErrors.h"
#include "communications/VxUser.h"
#include "communications/tests/support/MemoryDispatcher.h"
#include "platform/win/Messages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include "tools/testing/SourceTree.h"

namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Expected dumps, written by hand, beside this file.
std::string Expected(const char* name) {
    return ReadBytes(SourceTree() / "communications" / "tests" / "data" / name);
}

class TraceTest : public ::testing::Test {
protected:
    void SetUp() override {
        MainThreadId();
        Dir = fs::temp_directory_path() / ("vx_trace_" + std::to_string(std::random_device{}()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        ASSERT_EQ(Disp.Open(), ecOK);
    }
    void TearDown() override { fs::remove_all(Dir); }

    void Arrive(const std::string& bytes) {
        Disp.Receive(bytes);
        Disp.ExtractData();
    }
    void Take(DWORD n) {
        std::string s(n, '\0');
        ASSERT_EQ(Disp.GetBlock(s.data(), n), static_cast<int>(n));
    }
    std::string File() const { return (Dir / "VEXO.TRC").string(); }

    fs::path Dir;
    TMemoryDispatcher Disp;
};

TEST_F(TraceTest, HeadingsSeparateSentFromReceived) {
    ASSERT_EQ(Disp.InitTracing(100), ecOK);
    Disp.PutString("AB");
    Arrive("Z\r");
    char c = 0;
    Disp.GetChar(c);
    Take(1);
    EXPECT_EQ(Disp.DumpTrace(File(), false), ecOK);
    EXPECT_EQ(ReadBytes(File()), Expected("trace_text.trc"));
}

TEST_F(TraceTest, HexItemsAndTheWrapAtColumn78) {
    ASSERT_EQ(Disp.InitTracing(1000), ecOK);
    Disp.PutString(std::string(100, 'x'));
    Arrive(std::string(" \r", 2) + "A\xff");
    Take(4);
    Disp.AddTraceEntry('U', 'q');
    EXPECT_EQ(Disp.DumpTrace(File(), true), ecOK);
    EXPECT_EQ(ReadBytes(File()), Expected("trace_hex.trc"));
}

TEST_F(TraceTest, DecimalItemsCountTheirWidth) {
    ASSERT_EQ(Disp.InitTracing(1000), ecOK);
    Arrive(std::string(70, 'a') + "\x09\x0a\xc8" + "b");
    Take(74);
    EXPECT_EQ(Disp.DumpTrace(File(), false), ecOK);
    EXPECT_EQ(ReadBytes(File()), Expected("trace_widths.trc"));
}

TEST(TraceItemTest, EachByteAsTheDumpsWriteIt) {
    EXPECT_EQ(TraceItem(' ', false, false), " ");
    EXPECT_EQ(TraceItem(' ', true, false), "[20]");
    EXPECT_EQ(TraceItem('~', true, false), "~");
    EXPECT_EQ(TraceItem('\x7f', false, false), "[127]");
    EXPECT_EQ(TraceItem('\0', false, false), "[0]");
    EXPECT_EQ(TraceItem('A', false, true), "[41]");
    EXPECT_EQ(TraceItem('\xab', true, true), "[AB]");
}

TEST_F(TraceTest, TheOldestEntriesGiveWay) {
    ASSERT_EQ(Disp.InitTracing(4), ecOK);
    Disp.PutString("abcdef");
    EXPECT_EQ(Disp.DumpTrace(File(), false, true), ecOK);
    EXPECT_EQ(ReadBytes(File()), "Transmit: \r\n[63][64][65][66]");
}

TEST_F(TraceTest, PausingKeepsTheBufferAndADumpEndsTheTrace) {
    ASSERT_EQ(Disp.InitTracing(100), ecOK);
    Disp.PutString("a");
    Disp.StopTracing();
    Disp.PutString("b");
    Disp.StartTracing();
    Disp.PutString("c");
    EXPECT_EQ(Disp.DumpTrace(File(), false), ecOK);
    EXPECT_EQ(ReadBytes(File()), "Transmit: \r\nac");

    Disp.PutString("d");
    Disp.StartTracing();
    Disp.PutString("e");
    EXPECT_EQ(Disp.AppendTrace(File(), false), ecOK);
    EXPECT_EQ(ReadBytes(File()), "Transmit: \r\nac") << "nothing traced after the dump";

    ASSERT_EQ(Disp.InitTracing(100), ecOK);
    Disp.PutString("f");
    ASSERT_EQ(Disp.InitTracing(100), ecOK) << "a second init clears";
    Disp.PutString("g");
    EXPECT_EQ(Disp.AppendTrace(File(), false), ecOK);
    EXPECT_EQ(ReadBytes(File()), "Transmit: \r\nacTransmit: \r\ng");
}

TEST_F(TraceTest, AnEmptyTraceWritesNoFile) {
    ASSERT_EQ(Disp.InitTracing(10), ecOK);
    EXPECT_EQ(Disp.DumpTrace(File(), false), ecOK);
    EXPECT_FALSE(fs::exists(File()));
}

TEST_F(TraceTest, SizesAndFileErrorsAreReported) {
    EXPECT_EQ(Disp.InitTracing(0), ecBadArgument);
    EXPECT_EQ(Disp.InitTracing(TVexTrace::MaxSize + 1), ecBadArgument);
    Disp.PutString("a");
    EXPECT_EQ(Disp.DumpTrace(File(), false), ecOK);
    EXPECT_FALSE(fs::exists(File())) << "no trace was started";

    ASSERT_EQ(Disp.InitTracing(10), ecOK);
    Disp.PutString("a");
    EXPECT_EQ(Disp.DumpTrace((Dir / "missing" / "x.trc").string(), false), ecPathNotFound);
    EXPECT_EQ(Disp.DumpTrace(File(), false), ecOK);
    EXPECT_FALSE(fs::exists(File())) << "a failed dump drops the trace";
}

} // namespace
