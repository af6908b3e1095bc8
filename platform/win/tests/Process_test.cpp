// Real children through CreateProcessA: exit codes read through the handles, waits on them, the
// errors of a start that fails, and lines passed whole without a shell.
#include "platform/win/Process.h"
#include "platform/win/Sync.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

namespace {

struct Started {
    BOOL ok = FALSE;
    DWORD error = 0;
    PROCESS_INFORMATION info;
};

Started Start(std::string line, const char* directory = nullptr, const char* environment = nullptr) {
    Started s;
    STARTUPINFOA si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    SetLastError(12345);
    s.ok = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS,
                          const_cast<char*>(environment), directory, &si, &s.info);
    s.error = GetLastError();
    return s;
}

DWORD WaitAndClose(const PROCESS_INFORMATION& info) {
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(info.hThread, 0), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    EXPECT_TRUE(CloseHandle(info.hProcess));
    EXPECT_TRUE(CloseHandle(info.hThread));
    return code;
}

std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(CreateProcess, ExitCodesThroughTheHandles) {
    struct Case {
        const char* line;
        DWORD code;
    };
    const Case cases[] = {
        {"true", 0},
        {"sh -c \"exit 3\"", 3},
        // Exit statuses have eight bits here: 259 arrives as 3, never as "still running".
        {"sh -c \"exit 259\"", 3},
        {"sh -c \"kill -9 $$\"", 128 + 9},
    };
    for (const Case& c : cases) {
        Started s = Start(c.line);
        ASSERT_TRUE(s.ok) << c.line;
        EXPECT_EQ(s.error, ERROR_SUCCESS);
        EXPECT_NE(s.info.dwProcessId, 0u);
        EXPECT_EQ(WaitAndClose(s.info), c.code) << c.line;
    }
}

TEST(CreateProcess, StillActiveUntilItEnds) {
    Started s = Start("sleep 0.3");
    ASSERT_TRUE(s.ok);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(s.info.hProcess, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(s.info.hProcess, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitAndClose(s.info), 0u);
    EXPECT_FALSE(GetExitCodeProcess(HANDLE{0x7FFFFFF0}, &code));
}

TEST(CreateProcess, FailuresAsSystemCodes) {
    const auto dir = std::filesystem::temp_directory_path() / ("vexo-proc-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto plain = dir / "not-a-program";
    std::ofstream(plain) << "data\n";
    std::filesystem::permissions(plain, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    struct Case {
        std::string line;
        DWORD error;
    };
    const Case cases[] = {
        {"no-such-program-anywhere", 2},
        {"/no/such/dir/prog", 2},
        {"", 2},
        {"\"" + plain.string() + "\"", 5},
    };
    for (const Case& c : cases) {
        Started s = Start(c.line);
        EXPECT_FALSE(s.ok) << c.line;
        EXPECT_EQ(s.error, c.error) << c.line;
    }
    std::filesystem::remove_all(dir);
}

TEST(CreateProcess, LongLinesDirectoryAndEnvironmentArriveWhole) {
    const auto dir = std::filesystem::temp_directory_path() / ("vexo-proc2-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    // 4000 characters of argument, with a quote and a semicolon that no shell interprets.
    std::string arg(3990, 'x');
    arg += "a\\\"b;echo";
    Started s = Start("sh -c \"printf %s \\\"$1\\\" > arg.txt; pwd > dir.txt; printf %s \\\"$ONLY\\\" > env.txt\" sh \"" +
                          arg + "\"",
                      dir.c_str(), "ONLY=this one\0PATH=/usr/bin:/bin\0");
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(WaitAndClose(s.info), 0u);
    EXPECT_EQ(ReadFile(dir / "arg.txt"), std::string(3990, 'x') + "a\"b;echo");
    EXPECT_EQ(ReadFile(dir / "dir.txt"), std::filesystem::canonical(dir).string() + "\n");
    EXPECT_EQ(ReadFile(dir / "env.txt"), "this one");
    std::filesystem::remove_all(dir);
}

} // namespace
