#include "platform/rtl/Streams.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/tests/support/TempDir.h"
#include "tools/testing/FileLimits.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <sys/stat.h>

TEST(TMemoryStream, ReadWriteSeekAndSize) {
    TMemoryStream s;
    EXPECT_EQ(s.Write("hello", 5), 5);
    EXPECT_EQ(s.Position(), 5);
    EXPECT_EQ(s.Size(), 5);
    EXPECT_EQ(s.Seek(-3, TSeekOrigin::soEnd), 2);
    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, 8), 3);
    EXPECT_EQ(std::string(buf, 3), "llo");
    EXPECT_EQ(s.Read(buf, 8), 0);
    s.SetPosition(1);
    s.Write("EL", 2);
    EXPECT_EQ(s.DataString(), "hELlo");
    EXPECT_EQ(s.Seek(1, TSeekOrigin::soCurrent), 4);
}

TEST(TMemoryStream, WritingPastTheEndFillsWithZeros) {
    TMemoryStream s(std::string("ab"));
    s.SetPosition(4);
    s.Write("c", 1);
    EXPECT_EQ(s.DataString(), std::string("ab\0\0c", 5));
}

TEST(TMemoryStream, SetSizeClipsThePosition) {
    TMemoryStream s(std::string("abcdef"));
    s.Seek(0, TSeekOrigin::soEnd);
    s.SetSize(3);
    EXPECT_EQ(s.Position(), 3);
    EXPECT_EQ(s.DataString(), "abc");
    s.SetSize(5);
    EXPECT_EQ(s.DataString(), std::string("abc\0\0", 5));
    s.Clear();
    EXPECT_EQ(s.Size(), 0);
    EXPECT_EQ(s.Position(), 0);
}

TEST(TMemoryStream, NegativePositionsReadAndWriteNothing) {
    TMemoryStream s(std::string("abc"));
    s.SetPosition(-2);
    char c;
    EXPECT_EQ(s.Read(&c, 1), 0);
    EXPECT_EQ(s.Write("x", 1), 0);
    EXPECT_EQ(s.DataString(), "abc");
}

TEST(TStream, ReadBufferAndWriteBufferAreAllOrNothing) {
    TMemoryStream s(std::string("abc"));
    char buf[4];
    s.ReadBuffer(buf, 2);
    try {
        s.ReadBuffer(buf, 2);
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message, "Stream read error");
    }
    s.ReadBuffer(buf, 0);

    TempDir dir;
    const std::string name = dir.File("ro.bin");
    TempDir::Write(name, "x");
    TFileStream readOnly(name, fmOpenRead);
    try {
        readOnly.WriteBuffer("y", 1);
        FAIL();
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.Message, "Stream write error");
    }
}

TEST(TStream, CopyFrom) {
    TMemoryStream source(std::string(70000, 'z'));
    source.SetPosition(10);
    TMemoryStream dest;
    // A count of 0 copies the whole source from its start.
    EXPECT_EQ(dest.CopyFrom(source, 0), 70000);
    EXPECT_EQ(dest.DataString(), source.DataString());
    source.SetPosition(69990);
    TMemoryStream part;
    EXPECT_EQ(part.CopyFrom(source, 10), 10);
    EXPECT_THROW(part.CopyFrom(source, 1), EReadError);
}

TEST(TFileStream, CreateWriteReopenAndRead) {
    TempDir dir;
    const std::string name = dir.File("data.bin");
    {
        TFileStream f(name, fmCreate);
        f.WriteBuffer("0123456789", 10);
        EXPECT_EQ(f.Size(), 10);
        f.SetSize(4);
        EXPECT_EQ(f.Size(), 4);
        EXPECT_EQ(f.FileName(), name);
    }
    EXPECT_EQ(TempDir::Read(name), "0123");
    {
        TFileStream f(name, fmOpenReadWrite | fmShareDenyNone);
        f.Seek(0, TSeekOrigin::soEnd);
        f.WriteBuffer("ab", 2);
        f.SetPosition(2);
        char buf[8];
        EXPECT_EQ(f.Read(buf, 8), 4);
        EXPECT_EQ(std::string(buf, 4), "23ab");
        EXPECT_EQ(f.Read(buf, 8), 0);
    }
    {
        // fmCreate truncates.
        TFileStream f(name, fmCreate);
        EXPECT_EQ(f.Size(), 0);
    }
}

TEST(TFileStream, FailuresToOpenOrCreateRaise) {
    TempDir dir;
    const std::string missing = dir.File("missing");
    try {
        TFileStream f(missing, fmOpenRead);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message, "Cannot open file \"" + missing + "\"");
    }
    const std::string bad = dir.File("none/x");
    try {
        TFileStream f(bad, fmCreate);
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message, "Cannot create file \"" + bad + "\"");
    }
    EXPECT_THROW(TFileStream(dir.File("w"), fmOpenWrite), EFOpenError);
}

TEST(TMemoryStream, LoadAndSaveFiles) {
    TempDir dir;
    const std::string name = dir.File("m.bin");
    const std::string bytes("a\0\xFF\r\n", 5);
    TempDir::Write(name, bytes);
    TMemoryStream s;
    s.LoadFromFile(name);
    EXPECT_EQ(s.DataString(), bytes);
    s.Write("!", 1);
    s.SaveToFile(dir.File("copy.bin"));
    EXPECT_EQ(TempDir::Read(dir.File("copy.bin")), "!" + bytes.substr(1));
    EXPECT_THROW(s.LoadFromFile(dir.File("missing")), EFOpenError);
}

TEST(TFileStream, RefusesWhatIsNotARegularFile) {
    TempDir dir;
    const std::string pipe = dir.File("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    // A pipe without a writer does not hold the open; a directory's size is never taken as a file's.
    for (const std::string& name : {dir.Path(), pipe, std::string("/dev/null")}) {
        SCOPED_TRACE(name);
        EXPECT_THROW(TFileStream(name, fmOpenRead), EFOpenError);
        EXPECT_THROW(TFileStream(name, fmCreate), EFCreateError);
        TMemoryStream m;
        EXPECT_THROW(m.LoadFromFile(name), EFOpenError);
    }
}

// A stream that claims far more than it holds, as a directory does.
class TBoastingStream : public TStream {
public:
    explicit TBoastingStream(std::string bytes) : inner_(std::move(bytes)) {}
    std::int32_t Read(void* buffer, std::int32_t count) override { return inner_.Read(buffer, count); }
    std::int32_t Write(const void*, std::int32_t) override { return 0; }
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
        return inner_.Seek(offset, origin);
    }
    std::int64_t Size() override { return std::int64_t{1} << 62; }

private:
    TMemoryStream inner_;
};

TEST(ReadToEnd, TakesWhatArrivesNotWhatTheSizeSays) {
    const std::string bytes(200000, 'x');
    TBoastingStream s(bytes);
    s.SetPosition(5);
    EXPECT_EQ(ReadToEnd(s), bytes.substr(5));
    EXPECT_EQ(ReadToEnd(s), "");
}

TEST(SaveFileReplacing, ReplacesTheFileWholeAndKeepsItsPermissions) {
    TempDir dir;
    const std::string name = dir.File("a.ini");
    SaveFileReplacing(name, "one\r\n");
    EXPECT_EQ(TempDir::Read(name), "one\r\n");
    ::chmod(name.c_str(), 0640);
    SaveFileReplacing(name, "two");
    EXPECT_EQ(TempDir::Read(name), "two");
    struct stat st;
    ASSERT_EQ(::stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // A link keeps pointing at its target, which gets the new bytes.
    const std::string link = dir.File("link.ini");
    std::filesystem::create_symlink(name, link);
    SaveFileReplacing(link, "three");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(TempDir::Read(name), "three");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
}

TEST(SaveFileReplacing, AFailedSaveLeavesTheOldFileAsItWas) {
    TempDir dir;
    const std::string name = dir.File("a.ini");
    const std::string old = "[Old]\r\nKey=1\r\n";
    TempDir::Write(name, old);
    {
        // The disk fills up part-way through the new bytes.
        TFileSizeLimit limit(8);
        EXPECT_THROW(SaveFileReplacing(name, std::string(4000, 'n')), EWriteError);
    }
    EXPECT_EQ(TempDir::Read(name), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);

    // A file the user may not write is not replaced, though its folder would allow it.
    ::chmod(name.c_str(), 0444);
    {
        TPermissionsBind bind;
        EXPECT_THROW(SaveFileReplacing(name, "new"), EFCreateError);
    }
    EXPECT_EQ(TempDir::Read(name), old);

    const std::string folder = dir.File("sub");
    std::filesystem::create_directory(folder);
    EXPECT_THROW(SaveFileReplacing(folder, "x"), EFCreateError);
    EXPECT_THROW(SaveFileReplacing(dir.File("none/a.ini"), "x"), EFCreateError);
}

TEST(SaveFileReplacing, InAFolderThatTakesNoNewFile) {
    TempDir dir;
    const std::string folder = dir.File("ro");
    std::filesystem::create_directory(folder);
    const std::string kept = folder + "/kept.ini";
    const std::string locked = folder + "/locked.ini";
    TempDir::Write(kept, "old");
    TempDir::Write(locked, "old");
    ::chmod(locked.c_str(), 0444);
    ::chmod(folder.c_str(), 0555);
    {
        TPermissionsBind bind;
        // A file the user may write is rewritten in place; nothing else can be saved there.
        SaveFileReplacing(kept, "new");
        EXPECT_THROW(SaveFileReplacing(locked, "new"), EFCreateError);
        EXPECT_THROW(SaveFileReplacing(folder + "/fresh.ini", "new"), EFCreateError);
    }
    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(TempDir::Read(kept), "new");
    EXPECT_EQ(TempDir::Read(locked), "old");
    EXPECT_FALSE(std::filesystem::exists(folder + "/fresh.ini"));
}
