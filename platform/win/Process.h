// Starting programs: an argument vector, never a shell.
#pragma once

#include "platform/win/Types.h"

#include <string>
#include <vector>

// Splits a command line into arguments by the Windows rules: blanks separate, double quotes group,
// "" inside quotes is one quote, backslashes are literal unless they precede a quote.
std::vector<std::string> CommandLineToArgv(const std::string& commandLine);

// Starts file (looked up on PATH when it has no slash) with the arguments, waits for it and returns
// its exit code (128 + the signal number when a signal ended it), or -1 when it could not start.
int RunProcessAndWait(const std::string& file, const std::vector<std::string>& arguments);

// --- Processes with handles ---------------------------------------------------------------------------

inline constexpr DWORD STARTF_USESHOWWINDOW = 0x00000001;
inline constexpr DWORD CREATE_NEW_CONSOLE = 0x00000010;
inline constexpr DWORD NORMAL_PRIORITY_CLASS = 0x00000020;
inline constexpr DWORD STILL_ACTIVE = 259;
inline constexpr DWORD ERROR_BAD_EXE_FORMAT = 193;


struct STARTUPINFOA {
    DWORD cb = sizeof(STARTUPINFOA);
    char* lpReserved = nullptr;
    char* lpDesktop = nullptr;
    char* lpTitle = nullptr;
    DWORD dwX = 0, dwY = 0, dwXSize = 0, dwYSize = 0, dwXCountChars = 0, dwYCountChars = 0;
    DWORD dwFillAttribute = 0;
    DWORD dwFlags = 0;
    WORD wShowWindow = 0;
    WORD cbReserved2 = 0;
    BYTE* lpReserved2 = nullptr;
    HANDLE hStdInput = 0, hStdOutput = 0, hStdError = 0;
};

struct PROCESS_INFORMATION {
    HANDLE hProcess = 0;
    HANDLE hThread = 0;
    DWORD dwProcessId = 0;
    DWORD dwThreadId = 0;
};

// The errno of a failed start or file operation as the system error code of the same meaning
// (ENOENT 2, ENOTDIR 3, EACCES 5, ENOMEM 8, ENOEXEC 193 ...).
DWORD WinErrorFromErrno(int err);

// Starts a program without a shell: the command line is split by CommandLineToArgv and its first
// argument is the program (looked up on PATH when it has no slash), unless applicationName names
// it. environment is a block of "NAME=value" strings ended by an empty one, or null for ours;
// currentDirectory null for ours. Handles are not inherited, whatever inheritHandles says; the
// console and show-window settings have no meaning here and are accepted as they come. Both
// handles in info are signalled when the program ends and are closed with CloseHandle. FALSE with
// GetLastError when it could not start (2 for a program that is not there).
BOOL CreateProcessA(const char* applicationName, char* commandLine, void* processAttributes,
                    void* threadAttributes, BOOL inheritHandles, DWORD creationFlags, void* environment,
                    const char* currentDirectory, STARTUPINFOA* startupInfo, PROCESS_INFORMATION* info);
// STILL_ACTIVE while the program runs; then its exit code (128 + the signal that ended it).
BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode);
// What this program was started with: the show command SW_SHOWNORMAL, no other settings.
void GetStartupInfoA(STARTUPINFOA* info);
