#include "platform/win/Version.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <unistd.h>

namespace {

std::string Block() {
    VS_FIXEDFILEINFO fixed;
    fixed.dwFileVersionMS = 0x00040006;
    return BuildVersionInfo(fixed,
                            {{"040904E4", {{"CompanyName", "Vexo"}, {"ProductVersion", "4.06"}, {"Comments", ""}}},
                             {"040704E4", {{"CompanyName", "Vexo GmbH"}}}},
                            {0x04E40409});
}

std::string Query(const std::string& block, const char* path) {
    void* value = nullptr;
    UINT len = 0;
    if (!VerQueryValue(block.data(), path, &value, &len)) return "<none>";
    return std::string(static_cast<const char*>(value), len);
}

} // namespace

TEST(VerQueryValue, FindsFixedInfoStringsAndTranslation) {
    const std::string block = Block();
    EXPECT_EQ(block.size() % 4, 0u);
    EXPECT_EQ(static_cast<unsigned char>(block[0]) | static_cast<unsigned char>(block[1]) << 8, int(block.size()));
    void* value = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValue(block.data(), "\\", &value, &len));
    ASSERT_EQ(len, sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, value, sizeof fixed);
    EXPECT_EQ(fixed.dwSignature, VS_FFI_SIGNATURE);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00040006u);

    const struct {
        const char* path;
        std::string value;
    } cases[] = {
        {"\\StringFileInfo\\040904E4\\CompanyName", std::string("Vexo", 5)},
        {"\\StringFileInfo\\040904e4\\companyname", std::string("Vexo", 5)},
        {"\\\\StringFileInfo\\\\040904E4\\\\ProductVersion", std::string("4.06", 5)},
        {"\\StringFileInfo\\040704E4\\CompanyName", std::string("Vexo GmbH", 10)},
        {"\\StringFileInfo\\040904E4\\Comments", std::string(1, '\0')},
        {"\\StringFileInfo\\040904E4\\LegalCopyright", "<none>"},
        {"\\StringFileInfo\\041104E4\\CompanyName", "<none>"},
        {"\\VarFileInfo\\Translation", std::string("\x09\x04\xE4\x04", 4)},
        {"\\VarFileInfo", "<none>"},
    };
    for (const auto& c : cases) EXPECT_EQ(Query(block, c.path), c.value) << c.path;
}

TEST(VerQueryValue, RefusesNodesThatLeaveTheirParent) {
    const std::string good = Block();
    // Every truncation of the root's length, and every corrupt byte, answers without reading past it.
    for (std::size_t cut = 0; cut < good.size(); cut += 2) {
        std::string block = good;
        block[0] = static_cast<char>(cut & 0xFF);
        block[1] = static_cast<char>(cut >> 8);
        Query(block, "\\StringFileInfo\\040904E4\\Comments");
    }
    std::string unterminated = BuildVersionInfo({}, {{"040904E4", {{"A", "xyz"}}}}, {});
    const std::size_t at = unterminated.find(std::string("xyz\0", 4));
    ASSERT_NE(at, std::string::npos);
    unterminated[at + 3] = 'z';
    EXPECT_EQ(Query(unterminated, "\\StringFileInfo\\040904E4\\A"), "<none>");
    EXPECT_FALSE(VerQueryValue(nullptr, "\\", nullptr, nullptr));
}

TEST(GetFileVersionInfo, AnswersTheProgramsOwnBlockOnly) {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    ASSERT_GT(n, 0);
    path[n] = 0;
    SetProgramVersionInfo({});
    DWORD handle = 5;
    EXPECT_EQ(GetFileVersionInfoSize(path, &handle), 0u);
    EXPECT_EQ(handle, 0u);
    const std::string block = Block();
    SetProgramVersionInfo(block);
    ASSERT_EQ(GetFileVersionInfoSize(path, &handle), block.size());
    std::string copy(block.size(), '\0');
    ASSERT_TRUE(GetFileVersionInfo(path, 0, static_cast<DWORD>(copy.size()), copy.data()));
    EXPECT_EQ(copy, block);
    EXPECT_FALSE(GetFileVersionInfo(path, 0, 4, copy.data()));
    EXPECT_EQ(GetFileVersionInfoSize("C:\\WINDOWS\\notepad.exe", &handle), 0u);
    SetProgramVersionInfo({});
}
