#include "platform/shell/Shell.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/ui/ControlMessages.h"
#include "platform/win/Messages.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(NotifyIconData, LaidOutAsTheThirtyTwoBitRecord) {
    EXPECT_EQ(sizeof(NOTIFYICONDATAA), 88u);
    EXPECT_EQ(offsetof(NOTIFYICONDATAA, cbSize), 0u);
    EXPECT_EQ(offsetof(NOTIFYICONDATAA, hWnd), 4u);
    EXPECT_EQ(offsetof(NOTIFYICONDATAA, uID), 8u);
    EXPECT_EQ(offsetof(NOTIFYICONDATAA, uFlags), 12u);
    EXPECT_EQ(offsetof(NOTIFYICONDATAA, uCallbackMessage), 16u);
    EXPECT_EQ(offsetof(NOTIFYICONDATAA, hIcon), 20u);
    EXPECT_EQ(offsetof(NOTIFYICONDATAA, szTip), 24u);
    EXPECT_EQ(sizeof(NOTIFYICONDATAA::szTip), 64u);
    EXPECT_EQ(NOTIFYICONDATAA().cbSize, 88u);
    EXPECT_EQ(NIF_MESSAGE | NIF_ICON | NIF_TIP, 7u);

    // The icon travels as its 32-bit number and comes back as the same handle.
    ICONINFO info;
    info.hbmMask = CreateBitmap(16, 16, 1, 1, nullptr);
    info.hbmColor = CreateBitmap(16, 16, 1, 32, nullptr);
    const HICON icon = CreateIconIndirect(&info);
    NOTIFYICONDATAA data;
    data.hIcon = icon;
    EXPECT_EQ(data.hIcon.Value, IconHandleValue(icon));
    EXPECT_EQ(static_cast<HICON>(data.hIcon), icon);
    DestroyIcon(icon);
    EXPECT_EQ(static_cast<HICON>(data.hIcon), nullptr);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
}

// Qt's offscreen platform has no tray: every call fails and nothing is left behind.
TEST(Shell_NotifyIcon, FalseWithoutATray) {
    const HWND wnd =
        CreateMessageWindow("TrayOwner", [](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    NOTIFYICONDATAA data;
    data.hWnd = wnd;
    data.uID = 7;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_USER + 2;
    std::strcpy(data.szTip, "Level");
    EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &data));
    EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &data));
    EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, &data));
    EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, nullptr));
    data.cbSize = 80;
    EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &data));
    DestroyWindow(wnd);
}

// A directory put first on PATH holding a recording xdg-open: it writes its argument count and
// each argument on a line of its own.
class ShellExecuteTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("vx-shell-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        log_ = dir_ / "opened.txt";
        const std::filesystem::path script = dir_ / "xdg-open";
        std::ofstream(script) << "#!/bin/sh\n"
                              << "printf '%s\\n' \"$#\" \"$@\" > '" << log_.string() << ".tmp'\nmv '"
                              << log_.string() << ".tmp' '" << log_.string() << "'\n";
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
        const char* path = std::getenv("PATH");
        oldPath_ = path ? path : "";
        ::setenv("PATH", (dir_.string() + ":" + oldPath_).c_str(), 1);
    }
    void TearDown() override {
        ::setenv("PATH", oldPath_.c_str(), 1);
        std::filesystem::remove_all(dir_);
    }
    // The lines the script wrote, once it has run.
    std::vector<std::string> Recorded() {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!std::filesystem::exists(log_) && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::ifstream in(log_);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        std::filesystem::remove(log_);
        return lines;
    }

    std::filesystem::path dir_, log_;
    std::string oldPath_;
};

TEST_F(ShellExecuteTest, TheAddressIsXdgOpensOneArgument) {
    for (const std::string& url : {std::string("http://www.example.com/"),
                                   std::string("http://host/a b\"c'd; echo $(id) `x` | y > z & w"),
                                   std::string("file:///tmp/My Documents/read me.txt")}) {
        const HINSTANCE result = ShellExecuteA(0, nullptr, url.c_str(), nullptr, nullptr, SW_SHOW);
        EXPECT_GT(result, 32);
        EXPECT_EQ(Recorded(), (std::vector<std::string>{"1", url})) << url;
    }
    EXPECT_GT(ShellExecuteA(0, "open", "http://x/", nullptr, nullptr, SW_SHOW), 32);
    EXPECT_EQ(Recorded(), (std::vector<std::string>{"1", "http://x/"}));
}

TEST_F(ShellExecuteTest, FailuresAreSmallNumbers) {
    EXPECT_EQ(ShellExecuteA(0, nullptr, nullptr, nullptr, nullptr, SW_SHOW), SE_ERR_FNF);
    EXPECT_EQ(ShellExecuteA(0, nullptr, "", nullptr, nullptr, SW_SHOW), SE_ERR_FNF);
    EXPECT_EQ(ShellExecuteA(0, "print", "http://x/", nullptr, nullptr, SW_SHOW), SE_ERR_NOASSOC);
    // Without xdg-open anywhere on PATH.
    ::setenv("PATH", (dir_ / "nothing-here").c_str(), 1);
    EXPECT_EQ(ShellExecuteA(0, nullptr, "http://x/", nullptr, nullptr, SW_SHOW), SE_ERR_NOASSOC);
}

} // namespace
