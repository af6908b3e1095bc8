#include "platform/ui/IniFiles.h"

#include "platform/rtl/Lists.h"
#include "platform/win/Process.h"
#include "tools/testing/TempHome.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <sys/stat.h>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Joined(const TStringList& list) {
    std::string out;
    for (int i = 0; i < list.Count(); ++i) out += (i ? "|" : "") + list.Strings(i);
    return out;
}

} // namespace

TEST(TIniFile, WritesChangeOnlyTheirOwnLines) {
    TempHome home;
    const std::string file = home.Path() + "/Dorvex.ini";
    const std::string before = "; settings\r\n"
                               "[Main]\r\n"
                               "Name=Old\r\n"
                               "  Count = 7  \r\n"
                               "\r\n"
                               "[Other]\n"
                               "Quoted=\"a b\"\n"
                               "Last=x";
    WriteFile(file, before);
    TIniFile ini(file);
    ini.WriteString("main", "NAME", "New");
    ini.WriteInteger("Main", "Added", 5);
    ini.WriteString("Other", "Tail", "t");
    ini.WriteString("Fresh", "k", "v");
    EXPECT_EQ(ReadFile(file), "; settings\r\n"
                              "[Main]\r\n"
                              "NAME=New\r\n"
                              "  Count = 7  \r\n"
                              "Added=5\r\n"
                              "\r\n"
                              "[Other]\n"
                              "Quoted=\"a b\"\n"
                              "Last=x\r\n"
                              "Tail=t\r\n"
                              "[Fresh]\r\n"
                              "k=v\r\n");
    EXPECT_EQ(ini.ReadInteger("MAIN", "count", 0), 7);
    EXPECT_EQ(ini.ReadString("Other", "Quoted", ""), "a b");
    EXPECT_EQ(ini.ReadString("Other", "Missing", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadString("Nowhere", "Name", "dflt"), "dflt");

    ini.DeleteKey("Main", "Added");
    ini.EraseSection("Other");
    EXPECT_EQ(ReadFile(file), "; settings\r\n[Main]\r\nNAME=New\r\n  Count = 7  \r\n\r\n[Fresh]\r\nk=v\r\n");
}

TEST(TIniFile, TypedValuesAndListings) {
    TempHome home;
    TIniFile ini(home.Path() + "/t.ini");
    EXPECT_EQ(ini.ReadInteger("S", "i", -3), -3) << "no file yet";
    ini.WriteBool("S", "b", true);
    ini.WriteInteger("S", "i", -42);
    ini.WriteString("S", "h", "0x1F");
    ini.WriteString("S", "bad", "12z");
    ini.WriteString("T", "x", "");
    EXPECT_TRUE(ini.ReadBool("S", "b", false));
    EXPECT_EQ(ini.ReadInteger("S", "i", 0), -42);
    EXPECT_EQ(ini.ReadInteger("S", "h", 0), 31);
    EXPECT_EQ(ini.ReadInteger("S", "bad", 9), 9);
    TStringList list;
    ini.ReadSections(&list);
    EXPECT_EQ(Joined(list), "S|T");
    ini.ReadSection("S", &list);
    EXPECT_EQ(Joined(list), "b|i|h|bad");
    ini.ReadSectionValues("s", &list);
    EXPECT_EQ(Joined(list), "b=1|i=-42|h=0x1F|bad=12z");
    EXPECT_TRUE(ini.SectionExists("T"));
    EXPECT_TRUE(ini.ValueExists("T", "X"));
    EXPECT_FALSE(ini.ValueExists("T", "y"));
}

TEST(TIniFile, SavesByRenamingANewFileOverTheOld) {
    TempHome home;
    const std::string file = home.Path() + "/t.ini";
    WriteFile(file, "[S]\r\na=1\r\n");
    ::chmod(file.c_str(), 0640);
    struct stat before{};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    TIniFile ini(file);
    ini.WriteString("S", "a", "1");
    struct stat same{};
    ::stat(file.c_str(), &same);
    EXPECT_EQ(same.st_ino, before.st_ino) << "an unchanged value writes nothing";
    ini.WriteString("S", "a", "2");
    struct stat after{};
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode & 0777, 0640u);
    EXPECT_FALSE(std::filesystem::exists(file + ".new"));

    TIniFile lost(home.Path() + "/no/such/dir/t.ini");
    EXPECT_THROW(lost.WriteString("S", "a", "1"), EIniFileException);
}

TEST(TIniFile, ACrudiniWrittenFileKeepsUntouchedLinesByteForByte) {
    TempHome home;
    const std::string file = home.Path() + "/peer.ini";
    auto crudini = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--set", file});
        return RunProcessAndWait("crudini", args);
    };
    if (crudini({"Main", "Name", "Dorvex"}) != 0) GTEST_SKIP() << "crudini is not installed";
    ASSERT_EQ(crudini({"Main", "Count", "7"}), 0);
    ASSERT_EQ(crudini({"Other Section", "key", "a b"}), 0);
    const std::string written = ReadFile(file);
    TIniFile ini(file);
    EXPECT_EQ(ini.ReadString("Main", "Name", ""), "Dorvex");
    EXPECT_EQ(ini.ReadInteger("Main", "Count", 0), 7);
    EXPECT_EQ(ini.ReadString("Other Section", "key", ""), "a b");
    ini.WriteString("Main", "Count", "8");
    std::string expected = written;
    expected.replace(expected.find("Count = 7\n"), 10, "Count=8\n");
    EXPECT_EQ(ReadFile(file), expected);
    // And the peer reads what we wrote.
    const std::string out = home.Path() + "/out";
    ASSERT_EQ(RunProcessAndWait("sh", {"-c", "crudini --get \"$0\" Main Count > \"$1\"", file, out}), 0);
    EXPECT_EQ(ReadFile(out), "8\n");
}
