#include "platform/win/Version.h"

#include "platform/win/Sync.h"
#include "tools/testing/PeFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
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

// The block's fixed information; a failed test when the block has none.
VS_FIXEDFILEINFO Fixed(const std::string& block) {
    VS_FIXEDFILEINFO fixed;
    void* value = nullptr;
    UINT len = 0;
    EXPECT_TRUE(VerQueryValue(block.data(), "\\", &value, &len));
    EXPECT_EQ(len, sizeof(VS_FIXEDFILEINFO));
    if (value && len >= sizeof fixed) std::memcpy(&fixed, value, sizeof fixed);
    return fixed;
}

} // namespace

TEST(VerQueryValue, FindsFixedInfoStringsAndTranslation) {
    const std::string block = Block();
    EXPECT_EQ(block.size() % 4, 0u);
    EXPECT_EQ(static_cast<unsigned char>(block[0]) | static_cast<unsigned char>(block[1]) << 8, int(block.size()));
    const VS_FIXEDFILEINFO fixed = Fixed(block);
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

// --- Windows program files made by the test fixture ---------------------------------------------------

namespace {

const std::string kBlock = pe_fixture::VersionBlock(
    0x21, "040904E4", {{"CompanyName", "Example Works"}, {"FileVersion", "1.2.3.4"}, {"Comments", ""}}, {0x04E40409});

TEST(VersionImage, BothHeaderSizesGiveTheBlock) {
    for (bool plus : {false, true}) {
        std::string block;
        ASSERT_TRUE(VersionBlockFromImage(pe_fixture::Image(kBlock, plus), block)) << plus;
        EXPECT_EQ(Query(block, "\\StringFileInfo\\040904e4\\companyname"), std::string("Example Works\0", 14));
        EXPECT_EQ(Query(block, "\\StringFileInfo\\040904E4\\FileVersion"), std::string("1.2.3.4\0", 8));
        EXPECT_EQ(Query(block, "\\StringFileInfo\\040904E4\\Comments"), std::string("\0", 1));
        EXPECT_EQ(Query(block, "\\StringFileInfo\\040904E4\\ProductName"), "<none>");
        EXPECT_EQ(Query(block, "\\VarFileInfo\\Translation"), std::string("\x09\x04\xE4\x04", 4));
        const VS_FIXEDFILEINFO fixed = Fixed(block);
        EXPECT_EQ(fixed.dwSignature, VS_FFI_SIGNATURE);
        EXPECT_EQ(fixed.dwFileFlags, 0x21u);
        EXPECT_EQ(fixed.dwFileVersionMS, 0x00010002u);
    }
}

TEST(VersionImage, SpoiltImagesGiveNothing) {
    pe_fixture::Layout l;
    const std::string good = pe_fixture::Image(kBlock, false, &l);
    struct Case {
        const char* what;
        std::function<void(std::string&)> spoil;
    };
    using pe_fixture::Put16;
    using pe_fixture::Put32;
    const Case cases[] = {
        {"not MZ", [](std::string& f) { f[0] = 'Z'; }},
        {"PE header past the end", [](std::string& f) { Put32(f, 0x3C, 0xFFFFFFF0u); }},
        {"no PE signature", [&](std::string& f) { f[l.peHeader] = 'X'; }},
        {"unknown optional header", [&](std::string& f) { Put16(f, l.optionalHeader, 0x107); }},
        {"optional header too short", [&](std::string& f) { Put16(f, l.peHeader + 20, 64); }},
        {"too few directories", [&](std::string& f) { Put32(f, l.optionalHeader + 92, 2); }},
        {"no resource directory", [&](std::string& f) { Put32(f, l.resourceDirectoryEntry, 0); }},
        {"sections past the end", [&](std::string& f) { Put16(f, l.peHeader + 6, 0xFFFF); }},
        {"resources outside every section", [&](std::string& f) { Put32(f, l.resourceDirectoryEntry, 0x9000); }},
        {"resource size beyond the section", [&](std::string& f) { Put32(f, l.resourceDirectoryEntry + 4, 0x100000); }},
        {"section data past the end", [&](std::string& f) { Put32(f, l.sectionTable + 20, 0x7FFFFF00u); }},
        {"huge entry count", [&](std::string& f) { Put16(f, l.resources + 14, 0xFFFF); }},
        {"no version type", [&](std::string& f) { Put32(f, l.typeEntry, 3); }},
        {"subdirectory outside", [&](std::string& f) { Put32(f, l.typeEntry + 4, 0x80FFFFF0u); }},
        {"directory pointing at itself",
         [&](std::string& f) { Put32(f, l.typeEntry + 4, 0x80000000u); }},
        {"leaf where a directory belongs", [&](std::string& f) { Put32(f, l.typeEntry + 4, 0x48); }},
        {"data outside the image", [&](std::string& f) { Put32(f, l.dataEntry, 0x7FFFFFF0u); }},
        {"data longer than the section", [&](std::string& f) { Put32(f, l.dataEntry + 4, 0x10000); }},
        {"block length past its data", [&](std::string& f) { Put16(f, l.block, 0xFFF0); }},
        {"key without an end", [&](std::string& f) { Put16(f, l.block, 20); }},
        {"truncated", [](std::string& f) { f.resize(0x230); }},
    };
    for (const Case& c : cases) {
        std::string image = good;
        c.spoil(image);
        std::string block = "stale";
        EXPECT_FALSE(VersionBlockFromImage(image, block)) << c.what;
        EXPECT_TRUE(block.empty()) << c.what;
    }
    std::string block;
    EXPECT_TRUE(VersionBlockFromImage(good, block));
}

TEST(VersionImage, FilesOnDiskAndLanguageNames) {
    const auto dir = std::filesystem::temp_directory_path() / ("vexo-ver-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string image = pe_fixture::Image(kBlock);
    std::ofstream(dir / "tool.exe", std::ios::binary) << image;
    std::ofstream(dir / "plain.txt") << "no version here\n";
    const std::string exe = (dir / "tool.exe").string();

    DWORD handle = 7;
    const DWORD size = GetFileVersionInfoSize(exe.c_str(), &handle);
    ASSERT_GT(size, 0u);
    EXPECT_EQ(handle, 0u);
    std::string block(size, '\0');
    ASSERT_TRUE(GetFileVersionInfo(exe.c_str(), handle, size, block.data()));
    EXPECT_EQ(Query(block, "\\StringFileInfo\\040904E4\\CompanyName"), std::string("Example Works\0", 14));
    EXPECT_FALSE(GetFileVersionInfo(exe.c_str(), 0, size - 1, block.data()));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);

    EXPECT_EQ(GetFileVersionInfoSize((dir / "plain.txt").c_str(), &handle), 0u);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);
    EXPECT_EQ(GetFileVersionInfoSize((dir / "missing.exe").c_str(), &handle), 0u);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetFileVersionInfoSize(dir.c_str(), &handle), 0u) << "a directory is no program";
    std::filesystem::remove_all(dir);

    struct Case {
        DWORD id;
        DWORD size;
        const char* name;
    };
    for (const Case& c : {Case{0x409, 255, "English (United States)"}, Case{0x407, 255, "German (Germany)"},
                          Case{0, 255, "Language Neutral"}, Case{0x7777, 255, "Unknown language"},
                          Case{0x409, 8, "English"}}) {
        char buffer[255];
        std::memset(buffer, 'x', sizeof buffer);
        const DWORD n = VerLanguageName(c.id, buffer, c.size);
        EXPECT_EQ(std::string(buffer), c.name) << c.id;
        EXPECT_EQ(n, std::strlen(c.name));
    }
}

} // namespace
