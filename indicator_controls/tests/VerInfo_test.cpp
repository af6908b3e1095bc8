// TvcVerInfo over program files made by the test fixture and over the program's own block.
#include "indicator_controls/Std2.h"

#include "platform/ui/Forms.h"
#include "platform/win/Version.h"
#include "tools/testing/PeFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {

class VerFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("vexo-verinfo-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        std::filesystem::remove_all(dir_);
        SetProgramVersionInfo({});
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        const auto path = dir_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    std::filesystem::path dir_;
};

TEST_F(VerFiles, StringsLanguageAndFlags) {
    const std::string full = Write(
        "full.exe", pe_fixture::Image(pe_fixture::VersionBlock(
                        0x2B, "040904E4",
                        {{"CompanyName", "Example Works"}, {"FileDescription", "A tool"}, {"FileVersion", "1.2.3.4"},
                         {"InternalName", "tool"}, {"LegalCopyright", "(c) nobody"}, {"OriginalFilename", "tool.exe"},
                         {"ProductName", "Tools"}, {"ProductVersion", "1.2"}, {"LegalTrademarks", "none"},
                         {"PrivateBuild", "p"}, {"SpecialBuild", "s"}, {"Comments", "c"}, {"Extra Key", "extra"}},
                        {0x04E40409, 0x04B00407})));
    TvcVerInfo info;
    info.SetVerFile(full);
    EXPECT_TRUE(info.ExistVerInfo());
    const std::pair<std::string, std::string> strings[] = {
        {info.CompanyName(), "Example Works"}, {info.FileDescription(), "A tool"}, {info.FileVersion(), "1.2.3.4"},
        {info.InternalName(), "tool"},         {info.LegalCopyright(), "(c) nobody"},
        {info.OriginalFileName(), "tool.exe"}, {info.ProductName(), "Tools"},    {info.ProductVersion(), "1.2"},
        {info.LegalTrademarks(), "none"},      {info.PrivateBuild(), "p"},       {info.SpecialBuild(), "s"},
        {info.Comments(), "c"},                {info.GetNonStandardString("extra key"), "extra"},
        {info.GetNonStandardString("Missing"), ""},
        {info.LocaleID(), "0409"},             {info.CodePage(), "04e4"},        {info.Language(), "English (United States)"},
    };
    for (const auto& [got, expected] : strings) EXPECT_EQ(got, expected);
    // 0x2B: bits 0, 1, 3 and 5.
    EXPECT_TRUE(info.IS_DEBUG());
    EXPECT_TRUE(info.IS_PRERELEASE());
    EXPECT_FALSE(info.IS_PATCHED());
    EXPECT_TRUE(info.IS_PRIVATEBUILD());
    EXPECT_FALSE(info.IS_INFOINFERRED());
    EXPECT_TRUE(info.IS_SPECIALBUILD());

    // Without a translation entry the strings are not reached; the flags still are.
    const std::string bare = Write("bare.exe", pe_fixture::Image(pe_fixture::VersionBlock(
                                                   0x04, "040904E4", {{"CompanyName", "Hidden"}}, {})));
    info.SetVerFile(bare);
    EXPECT_TRUE(info.ExistVerInfo());
    EXPECT_EQ(info.CompanyName(), "");
    EXPECT_EQ(info.LocaleID(), "");
    EXPECT_EQ(info.CodePage(), "");
    EXPECT_EQ(info.Language(), "");
    EXPECT_TRUE(info.IS_PATCHED());

    // A file without version information clears everything.
    for (const std::string& none : {Write("plain.txt", "text\n"), (dir_ / "missing.exe").string()}) {
        info.SetVerFile(full);
        info.SetVerFile(none);
        EXPECT_FALSE(info.ExistVerInfo()) << none;
        EXPECT_EQ(info.CompanyName(), "") << none;
        EXPECT_EQ(info.LocaleID(), "") << none;
        EXPECT_FALSE(info.IS_DEBUG()) << none;
    }
}

TEST_F(VerFiles, EmptyVerFileReadsTheProgramsOwnBlock) {
    VS_FIXEDFILEINFO fixed;
    fixed.dwFileFlags = 0x10;
    SetProgramVersionInfo(BuildVersionInfo(fixed, {{"041D04E4", {{"ProductName", "Own"}}}}, {0x04E4041D}));
    TvcVerInfo info;
    EXPECT_TRUE(info.ExistVerInfo()) << "read at construction";
    EXPECT_EQ(info.ProductName(), "Own");
    EXPECT_EQ(info.LocaleID(), "041d");
    EXPECT_EQ(info.Language(), "Swedish");
    EXPECT_TRUE(info.IS_INFOINFERRED());

    info.SetVerFile(Write("plain.txt", "text\n"));
    EXPECT_FALSE(info.ExistVerInfo());
    info.SetVerFile("");
    EXPECT_EQ(info.ProductName(), "Own");
    // The program's own file named by its path is the program's block too.
    info.SetVerFile(Application->ExeName());
    EXPECT_EQ(info.ProductName(), "Own");
}

} // namespace
