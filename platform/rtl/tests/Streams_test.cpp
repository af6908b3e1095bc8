#include "platform/rtl/Streams.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

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
