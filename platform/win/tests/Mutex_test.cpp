#include "platform/win/Mutex.h"

#include "platform/win/Sync.h"
#include "tools/testing/TempHome.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs CreateMutex(name) in a child process: 1 when the mutex already existed there, 0 when the
// child was first, 2 on failure.
int CreateInChild(const char* name, bool semaphore = false) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const HANDLE h =
            semaphore ? CreateSemaphoreA(nullptr, 0, 1, name) : CreateMutex(nullptr, FALSE, name);
        ::_exit(h == 0 ? 2 : GetLastError() == ERROR_ALREADY_EXISTS ? 1 : 0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 3;
}

} // namespace

TEST(CreateMutex, SecondCreatorInAnotherProcessSeesItExist) {
    TempHome home;
    EXPECT_EQ(CreateInChild("Dorvex.exe"), 0) << "nobody holds it yet";
    const HANDLE mine = CreateMutex(nullptr, FALSE, "Dorvex.exe");
    ASSERT_NE(mine, 0);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(CreateInChild("Dorvex.exe"), 1);
    EXPECT_EQ(CreateInChild("Quillon.exe"), 0) << "another name is another mutex";
    // Within one process, a second handle sees it too.
    const HANDLE again = CreateMutex(nullptr, FALSE, "Dorvex.exe");
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_NE(again, mine);
    EXPECT_TRUE(CloseHandle(again));
    EXPECT_TRUE(CloseHandle(mine));
    EXPECT_EQ(CreateInChild("Dorvex.exe"), 0) << "gone with its last handle";
    EXPECT_FALSE(CloseHandle(mine));
}

TEST(CreateMutex, NamesWithSeparatorsStayDistinct) {
    TempHome home;
    const HANDLE a = CreateMutex(nullptr, FALSE, "Global\\a/b");
    ASSERT_NE(a, 0);
    const HANDLE b = CreateMutex(nullptr, FALSE, "Global\\a%2Fb");
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    const HANDLE unnamed = CreateMutex(nullptr, FALSE, nullptr);
    EXPECT_NE(unnamed, 0);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    for (HANDLE h : {a, b, unnamed}) EXPECT_TRUE(CloseHandle(h));
}

TEST(CreateMutex, FailsWhenTheSettingsDirectoryCannotBeMade) {
    TempHome home;
    ::setenv("XDG_CONFIG_HOME", "/proc/no-such-place", 1);
    EXPECT_EQ(CreateMutex(nullptr, FALSE, "x"), 0);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST(CreateSemaphore, NamedLikeTheMutexAcrossProcesses) {
    TempHome home;
    const char* const name = "+usr+bin+dorvex";
    EXPECT_EQ(CreateInChild(name, true), 0);
    const HANDLE mine = CreateSemaphoreA(nullptr, 0, 1, name);
    ASSERT_NE(mine, 0);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(CreateInChild(name, true), 1);
    EXPECT_EQ(CreateInChild(name), 1) << "one name space with the mutexes";
    EXPECT_TRUE(CloseHandle(mine));
    EXPECT_EQ(CreateInChild(name, true), 0);

    const struct { LONG initial, maximum; } bad[] = {{0, 0}, {-1, 1}, {2, 1}};
    for (const auto& c : bad) {
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(CreateSemaphoreA(nullptr, c.initial, c.maximum, name), 0) << c.initial << "/" << c.maximum;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
}
