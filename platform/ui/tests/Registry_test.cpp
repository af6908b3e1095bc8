#include "platform/ui/Registry.h"

#include "platform/rtl/Lists.h"
#include "tools/testing/TempHome.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string Joined(const TStringList& list) {
    std::string out;
    for (int i = 0; i < list.Count(); ++i) out += (i ? "|" : "") + list.Strings(i);
    return out;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

TEST(TRegistry, OpensKeysRelativeOrFromTheRootAndReadsTypedValues) {
    TempHome home;
    TRegistry reg;
    EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
    EXPECT_FALSE(reg.OpenKey("Software\\Dorvex", false));
    ASSERT_TRUE(reg.OpenKey("Software\\Dorvex", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Dorvex");
    ASSERT_TRUE(reg.OpenKey("Common", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Dorvex\\Common");
    reg.WriteString("Name", "Panel");
    reg.WriteInteger("Count", -2);
    reg.WriteBool("On", true);
    const unsigned char bytes[] = {9, 8, 7};
    reg.WriteBinaryData("Blob", bytes, 3);
    EXPECT_EQ(reg.ReadString("Name"), "Panel");
    EXPECT_EQ(reg.ReadString("Missing"), "");
    EXPECT_EQ(reg.ReadInteger("Count"), -2);
    EXPECT_TRUE(reg.ReadBool("On"));
    EXPECT_THROW(reg.ReadInteger("Name"), ERegistryException);
    EXPECT_THROW(reg.ReadInteger("Missing"), ERegistryException);
    EXPECT_THROW(reg.ReadString("Count"), ERegistryException);
    unsigned char back[3] = {};
    EXPECT_EQ(reg.ReadBinaryData("Blob", back, 3), 3);
    EXPECT_EQ(back[2], 7);
    EXPECT_THROW(reg.ReadBinaryData("Blob", back, 2), ERegistryException);
    EXPECT_EQ(reg.GetDataType("Count"), rdInteger);
    EXPECT_EQ(reg.GetDataSize("Name"), 6);
    EXPECT_EQ(reg.GetDataSize("Missing"), -1);
    TStringList names;
    reg.GetValueNames(&names);
    EXPECT_EQ(Joined(names), "Name|Count|On|Blob");
    EXPECT_TRUE(reg.DeleteValue("On"));
    EXPECT_FALSE(reg.ValueExists("On"));

    ASSERT_TRUE(reg.OpenKey("\\Software", false));
    EXPECT_TRUE(reg.HasSubKeys());
    reg.GetKeyNames(&names);
    EXPECT_EQ(Joined(names), "Dorvex");
    EXPECT_TRUE(reg.KeyExists("Dorvex\\Common"));
    EXPECT_TRUE(reg.DeleteKey("Dorvex"));
    EXPECT_FALSE(reg.KeyExists("Dorvex"));
    reg.CloseKey();
    EXPECT_EQ(reg.CurrentKey(), 0u);
}

TEST(TRegistry, KeysSurviveANewProcess) {
    TempHome home;
    const pid_t pid = ::fork();
    if (pid == 0) {
        TRegistry reg;
        reg.SetRootKey(HKEY_LOCAL_MACHINE);
        const bool ok = reg.OpenKey("\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", true);
        if (ok) reg.WriteString("RegisteredOwner", "Ann");
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"));
    EXPECT_EQ(reg.ReadString("RegisteredOwner"), "Ann");
    EXPECT_THROW(reg.WriteString("x", "y"), ERegistryException) << "opened read-only";
}

TEST(TRegIniFile, SectionsAreSubKeysAndNumbersAreText) {
    TempHome home;
    {
        TRegIniFile ini("Software\\Vexo\\App");
        ini.WriteInteger("Window", "Left", 12);
        ini.WriteBool("Window", "Max", true);
        ini.WriteString("", "Top", "root value");
        EXPECT_EQ(ini.ReadInteger("Window", "Left", 0), 12);
        EXPECT_TRUE(ini.ReadBool("Window", "Max", false));
        EXPECT_EQ(ini.ReadString("Window", "Missing", "d"), "d");
        EXPECT_EQ(ini.ReadString("NoSection", "x", "d"), "d");
        EXPECT_EQ(ini.ReadString("", "Top", ""), "root value");
        TStringList list;
        ini.ReadSections(&list);
        EXPECT_EQ(Joined(list), "Window");
        ini.ReadSectionValues("Window", &list);
        EXPECT_EQ(Joined(list), "Left=12|Max=1");
        ini.DeleteKey("Window", "Max");
        ini.ReadSection("Window", &list);
        EXPECT_EQ(Joined(list), "Left");
        EXPECT_EQ(ini.CurrentPath(), "Software\\Vexo\\App") << "sections leave the current key as it was";
    }
    EXPECT_NE(ReadFile(home.Vexo() + "/registry").find("[HKEY_CURRENT_USER\\Software\\Vexo\\App\\Window]\n"
                                                       "\"Left\"=\"12\"\n"),
              std::string::npos);
    TRegIniFile readOnly("Software\\Vexo\\Other", KEY_READ);
    EXPECT_EQ(readOnly.CurrentKey(), 0u) << "reading makes no key";
}

TEST(TRegistryIniFile, IntegersAreNumbersAndTheRestText) {
    TempHome home;
    TRegistryIniFile ini("Software\\Vexo\\Store");
    ini.WriteInteger("S", "i", 42);
    ini.WriteString("S", "s", "17");
    ini.WriteBool("S", "b", true);
    EXPECT_EQ(ini.ReadInteger("S", "i", 0), 42);
    EXPECT_EQ(ini.ReadInteger("S", "s", 0), 17);
    EXPECT_TRUE(ini.ReadBool("S", "b", false));
    EXPECT_TRUE(ini.ValueExists("S", "i"));
    EXPECT_FALSE(ini.ValueExists("T", "i"));
    EXPECT_NE(ReadFile(home.Vexo() + "/registry").find("\"i\"=dword:0000002a"), std::string::npos);
    ini.EraseSection("S");
    EXPECT_EQ(ini.ReadInteger("S", "i", -1), -1);
}
