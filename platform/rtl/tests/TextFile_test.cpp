#include "platform/rtl/TextFile.h"

#include "platform/rtl/tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utime.h>
#include <vector>

namespace {

class TextFileTest : public ::testing::Test {
protected:
    void SetUp() override { IOResult(); }
    TempDir dir;
};

std::vector<std::string> ReadAll(TextFile& f) {
    std::vector<std::string> lines;
    while (!Eof(f)) {
        std::string s;
        Readln(f, s);
        lines.push_back(s);
    }
    return lines;
}

} // namespace

TEST_F(TextFileTest, WritelnEndsLinesWithCrLf) {
    const std::string name = dir.File("out.txt");
    TextFile f;
    AssignFile(f, name);
    Rewrite(f);
    Write(f, "a");
    Writeln(f, "b\xE9");
    Writeln(f);
    Write(f, "end");
    CloseFile(f);
    EXPECT_EQ(IOResult(), 0);
    EXPECT_EQ(TempDir::Read(name), "ab\xE9\r\n\r\nend");

    Append(f);
    Writeln(f, "more");
    CloseFile(f);
    EXPECT_EQ(IOResult(), 0);
    EXPECT_EQ(TempDir::Read(name), "ab\xE9\r\n\r\nendmore\r\n");
}

TEST_F(TextFileTest, SmallBuffersFlushAsTheyFill) {
    const std::string name = dir.File("small.txt");
    TextFile f;
    AssignFile(f, name);
    SetTextBuf(f, 3);
    Rewrite(f);
    const std::string line(1000, 'x');
    Writeln(f, line);
    Flush(f);
    EXPECT_EQ(TempDir::Read(name), line + "\r\n");
    CloseFile(f);
    Reset(f);
    std::string s;
    Readln(f, s);
    EXPECT_EQ(s, line);
    EXPECT_TRUE(Eof(f));
    CloseFile(f);
    EXPECT_EQ(IOResult(), 0);
}

TEST_F(TextFileTest, ReadlnAcceptsEveryLineEnd) {
    const std::string name = dir.File("in.txt");
    TempDir::Write(name, "a\r\nb\nc\rd\r\n\r\ne");
    TextFile f;
    AssignFile(f, name);
    Reset(f);
    EXPECT_EQ(ReadAll(f), (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
    // Reading on at the end gives empty lines, not an error.
    std::string s = "x";
    Readln(f, s);
    EXPECT_EQ(s, "");
    CloseFile(f);
    EXPECT_EQ(IOResult(), 0);
}

TEST_F(TextFileTest, CtrlZEndsTheText) {
    const std::string name = dir.File("z.txt");
    TempDir::Write(name, "a\r\nb\x1A\r\nhidden\r\n");
    TextFile f;
    AssignFile(f, name);
    Reset(f);
    EXPECT_EQ(ReadAll(f), (std::vector<std::string>{"a", "b"}));
    CloseFile(f);
}

TEST_F(TextFileTest, EmptyFileIsAtEofAtOnce) {
    const std::string name = dir.File("empty.txt");
    TempDir::Write(name, "");
    TextFile f;
    AssignFile(f, name);
    Reset(f);
    EXPECT_TRUE(Eof(f));
    CloseFile(f);
    EXPECT_EQ(IOResult(), 0);
}

TEST_F(TextFileTest, OpenFailuresLeaveTheRunTimeErrorNumber) {
    TempDir::Write(dir.File("file"), "x");
    struct Case {
        const char* what;
        std::string name;
        void (*opener)(TextFile&);
        int error;
    } cases[] = {
        {"reset missing", dir.File("missing.txt"), Reset, 2},
        {"append missing", dir.File("missing.txt"), Append, 2},
        {"reset in missing dir", dir.File("none/x.txt"), Reset, 3},
        {"rewrite in missing dir", dir.File("none/x.txt"), Rewrite, 3},
        {"path through a file", dir.File("file/x.txt"), Reset, 3},
        {"rewrite a directory", dir.Path(), Rewrite, 5},
        {"reset a directory", dir.Path(), Reset, 5},
    };
    for (const Case& c : cases) {
        TextFile f;
        AssignFile(f, c.name);
        c.opener(f);
        EXPECT_EQ(IOResult(), c.error) << c.what;
        EXPECT_EQ(IOResult(), 0) << c.what;
    }
}

TEST_F(TextFileTest, ModeErrors) {
    const std::string name = dir.File("m.txt");
    TempDir::Write(name, "line\r\n");
    TextFile unassigned;
    Rewrite(unassigned);
    EXPECT_EQ(IOResult(), 102);
    Reset(unassigned);
    EXPECT_EQ(IOResult(), 102);

    TextFile f;
    AssignFile(f, name);
    Write(f, "x");
    EXPECT_EQ(IOResult(), 103);
    CloseFile(f);
    EXPECT_EQ(IOResult(), 103);
    std::string s;
    Readln(f, s);
    EXPECT_EQ(IOResult(), 103);

    Reset(f);
    Write(f, "x");
    EXPECT_EQ(IOResult(), 105);
    Flush(f);
    EXPECT_EQ(IOResult(), 105);
    CloseFile(f);

    Append(f);
    Readln(f, s);
    EXPECT_EQ(IOResult(), 104);
    EXPECT_TRUE(Eof(f));
    EXPECT_EQ(IOResult(), 104);
    CloseFile(f);
    EXPECT_EQ(IOResult(), 0);
}

TEST_F(TextFileTest, TheFirstErrorStaysUntilIOResult) {
    TextFile f;
    AssignFile(f, dir.File("missing"));
    Reset(f);
    std::string s;
    Readln(f, s);
    CloseFile(f);
    EXPECT_EQ(IOResult(), 2);
    EXPECT_EQ(IOResult(), 0);
}

TEST_F(TextFileTest, ErrorsBelongToTheirThread) {
    int inThread = -1;
    std::thread t([&] {
        TextFile f;
        AssignFile(f, dir.File("missing"));
        Reset(f);
        inThread = IOResult();
    });
    t.join();
    EXPECT_EQ(inThread, 2);
    EXPECT_EQ(IOResult(), 0);
}

TEST_F(TextFileTest, DiskFullSurfacesWhenTheBufferIsWritten) {
    if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    TextFile f;
    AssignFile(f, "/dev/full");
    Rewrite(f);
    Writeln(f, "data");
    EXPECT_EQ(IOResult(), 0);
    CloseFile(f);
    EXPECT_EQ(IOResult(), 101);
}

TEST_F(TextFileTest, RewriteInAReadOnlyDirectoryIsAccessDenied) {
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0555), 0);
    // Run as an ordinary user, since the superuser may write anywhere.
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::geteuid() == 0 && ::setuid(65534) != 0) ::_exit(99);
        TextFile f;
        AssignFile(f, dir.File("x.txt"));
        Rewrite(f);
        ::_exit(IOResult());
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 5);
}

TEST(IOErrorFromErrno, MapsToTheRunTimeNumbers) {
    struct Case {
        int err;
        bool writing;
        int expected;
    } cases[] = {
        {ENOENT, false, 2},  {ENOTDIR, false, 3}, {EMFILE, false, 4},  {ENFILE, false, 4},
        {EACCES, true, 5},   {EPERM, true, 5},    {EISDIR, true, 5},   {EBADF, false, 6},
        {ENOMEM, false, 8},  {ENOSPC, true, 101}, {EDQUOT, true, 101}, {EROFS, true, 150},
        {ENXIO, false, 152}, {EIO, true, 160},    {EIO, false, 161},   {EINVAL, false, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(IOErrorFromErrno(c.err, c.writing), c.expected) << c.err;
}

TEST_F(TextFileTest, FileAgeIsTheDosDateOfTheLastWrite) {
    const std::string name = dir.File("dated.txt");
    TempDir::Write(name, "x");
    std::tm tm{};
    tm.tm_year = 2004 - 1900;
    tm.tm_mon = 2;
    tm.tm_mday = 9;
    tm.tm_hour = 7;
    tm.tm_min = 5;
    tm.tm_sec = 9;
    tm.tm_isdst = -1;
    const utimbuf times{std::mktime(&tm), std::mktime(&tm)};
    ASSERT_EQ(::utime(name.c_str(), &times), 0);
    // 2004-03-09 07:05:08: the seconds are halved.
    const std::int32_t expected = (((2004 - 1980) << 9 | 3 << 5 | 9) << 16) | (7 << 11 | 5 << 5 | 4);
    EXPECT_EQ(FileAge(name), expected);

    const int fd = ::open(name.c_str(), O_RDONLY);
    EXPECT_EQ(FileGetDate(fd), expected);
    ::close(fd);
    EXPECT_EQ(FileGetDate(-1), -1);

    EXPECT_EQ(FileAge(dir.File("missing")), -1);
    EXPECT_EQ(FileAge(dir.Path()), -1);
    const utimbuf old{86400, 86400};
    ASSERT_EQ(::utime(name.c_str(), &old), 0);
    EXPECT_EQ(FileAge(name), -1);
}
