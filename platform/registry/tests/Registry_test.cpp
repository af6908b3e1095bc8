#include "platform/registry/Registry.h"

#include "platform/registry/RegistryFile.h"
#include "platform/win/Types.h"
#include "tools/testing/TempHome.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void SetString(HKEY key, const char* name, const std::string& value) {
    ASSERT_EQ(RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1)),
              ERROR_SUCCESS);
}

void SetDword(HKEY key, const char* name, DWORD value) {
    ASSERT_EQ(RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4), ERROR_SUCCESS);
}

std::string GetString(HKEY key, const char* name) {
    char buf[256];
    DWORD size = sizeof buf, type = 0;
    if (RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) != ERROR_SUCCESS)
        return "<none>";
    return std::string(buf, size - 1);
}

HKEY Create(HKEY root, const char* path) {
    HKEY key = 0;
    EXPECT_EQ(RegCreateKeyEx(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    return key;
}

} // namespace

TEST(Registry, FileHoldsOneSectionPerKeyInExportForm) {
    TempHome home;
    const HKEY key = Create(HKEY_CURRENT_USER, "Software\\Dorvex\\Common");
    SetString(key, "Name", "a \"quoted\" C:\\path");
    SetDword(key, "Count", 42);
    SetString(key, "", "default");
    const BYTE bin[] = {1, 0xAB};
    ASSERT_EQ(RegSetValueEx(key, "Bin", 0, REG_BINARY, bin, 2), ERROR_SUCCESS);
    SetString(key, "Lines", "one\r\ntwo");
    RegCloseKey(key);
    EXPECT_EQ(ReadFile(home.Vexo() + "/registry"),
              "[HKEY_CURRENT_USER]\n\n"
              "[HKEY_CURRENT_USER\\Software]\n\n"
              "[HKEY_CURRENT_USER\\Software\\Dorvex]\n\n"
              "[HKEY_CURRENT_USER\\Software\\Dorvex\\Common]\n"
              "\"Name\"=\"a \\\"quoted\\\" C:\\\\path\"\n"
              "\"Count\"=dword:0000002a\n"
              "@=\"default\"\n"
              "\"Bin\"=hex:01,ab\n"
              "\"Lines\"=hex(1):6f,6e,65,0d,0a,74,77,6f\n\n");
}

TEST(Registry, ValuesReadBackWithTypesAndSizes) {
    TempHome home;
    const HKEY key = Create(HKEY_LOCAL_MACHINE, "\\SOFTWARE\\Vexo\\");
    SetString(key, "Owner", "Ann");
    SetDword(key, "Count", 0xDEADBEEF);
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueEx(key, "OWNER", nullptr, &type, nullptr, &size), ERROR_SUCCESS) << "names are case-blind";
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 4u) << "with the terminator";
    char small[2];
    size = sizeof small;
    EXPECT_EQ(RegQueryValueEx(key, "Owner", nullptr, &type, reinterpret_cast<BYTE*>(small), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    DWORD count = 0;
    size = 4;
    ASSERT_EQ(RegQueryValueEx(key, "Count", nullptr, &type, reinterpret_cast<BYTE*>(&count), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(count, 0xDEADBEEFu);
    EXPECT_EQ(RegQueryValueEx(key, "Missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValue(key, "owner"), ERROR_SUCCESS);
    EXPECT_EQ(GetString(key, "Owner"), "<none>");
    EXPECT_EQ(RegDeleteValue(key, "owner"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST(Registry, KeysOpenEnumerateAndDeleteAsTrees) {
    TempHome home;
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Vexo", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Vexo\\A", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                             &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    RegCloseKey(key);
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "software\\vexo\\a", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                             &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(key);
    RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\Vexo\\B\\Deep"));
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Vexo", 0, KEY_READ, &key), ERROR_SUCCESS);
    std::vector<std::string> names;
    char name[64];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        const LONG rc = RegEnumKeyEx(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(rc, ERROR_SUCCESS);
        EXPECT_EQ(size, std::strlen(name));
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B"}));
    DWORD subKeys = 0;
    EXPECT_EQ(RegQueryInfoKey(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 2u);
    EXPECT_EQ(RegSetValueEx(key, "x", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2), ERROR_ACCESS_DENIED)
        << "opened for reading";
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\Vexo\\B"), ERROR_SUCCESS);
    HKEY gone = 0;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Vexo\\B\\Deep", 0, KEY_READ, &gone), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED) << "a root stays";
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\Vexo"), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueEx(key, "x", nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyEx(0x1234567, "x", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
}

TEST(Registry, KeysSurviveANewProcessAndTwoWritersLoseNothing) {
    TempHome home;
    constexpr int kWriters = 2, kValues = 40;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            HKEY key = 0;
            if (RegCreateKey(HKEY_CURRENT_USER, "Software\\Race", &key) != ERROR_SUCCESS) ::_exit(1);
            for (int i = 0; i < kValues; ++i) {
                const std::string name = "w" + std::to_string(w) + "_" + std::to_string(i);
                const DWORD v = static_cast<DWORD>(i);
                if (RegSetValueEx(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4) != ERROR_SUCCESS)
                    ::_exit(2);
            }
            ::_exit(0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    HKEY key = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Race", 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKey(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                              nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, static_cast<DWORD>(kWriters * kValues));
    RegCloseKey(key);
}

TEST(RegistryText, ParsesWhatAnEditorMightLeave) {
    const std::string text = "REGEDIT4\r\n"
                             "\r\n"
                             "[HKEY_CURRENT_USER\\A]\r\n"
                             "\"s\"=\"x\\\\y\"\r\n"
                             "\"d\"=dword:0000000A\r\n"
                             "\"h\"=hex(7):41,00,\\\r\n"
                             "  42,00,00\r\n"
                             "; a comment\r\n"
                             "\"bad\"=dword:12\r\n"
                             "\"s\"=\"later wins\"\r\n"
                             "[]\r\n"
                             "\"orphan\"=\"x\"\r\n"
                             "[HKEY_CURRENT_USER\\A\\B]]\n"
                             "@=hex:\n";
    TRegistryText reg = TRegistryText::Parse(text);
    TRegKey* a = reg.FindKey("hkey_current_user\\a");
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->values.size(), 3u);
    EXPECT_EQ(a->values[0].data, "later wins");
    EXPECT_EQ(a->values[1].data, std::string("\x0A\0\0\0", 4));
    EXPECT_EQ(a->values[2].type, 7u);
    EXPECT_EQ(a->values[2].data, std::string("A\0B\0\0", 5));
    TRegKey* b = reg.FindKey("HKEY_CURRENT_USER\\A\\B]");
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->values.size(), 1u);
    EXPECT_EQ(b->values[0].type, REG_BINARY);
    EXPECT_EQ(TRegistryText::Parse(reg.Format()).Format(), reg.Format());
}
