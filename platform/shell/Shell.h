// The shell's notification-area icons and the opening of documents and web addresses.
//
// Notification icons are Qt's tray icons (on X11 docked in the desktop's tray by the XEMBED
// protocol). Where no tray exists (no tray host running, Qt's offscreen platform) every call
// answers FALSE. GUI thread only.
//
// A click on an icon reaches its callback message as the original's mouse messages, posted to the
// icon's window with wParam = uID and lParam = the message: a left, right or middle click as the
// button's down then up message; a double click as WM_LBUTTONDBLCLK then WM_LBUTTONUP (its first
// click has come before as a click). Qt tells of no pointer moves over an icon and of no right or
// middle double clicks, so WM_MOUSEMOVE, WM_RBUTTONDBLCLK and WM_MBUTTONDBLCLK never come.
#pragma once

#include "platform/gdi/Icon.h"
#include "platform/win/Types.h"

#include <cstddef>

inline constexpr DWORD NIM_ADD = 0x00000000;
inline constexpr DWORD NIM_MODIFY = 0x00000001;
inline constexpr DWORD NIM_DELETE = 0x00000002;

inline constexpr UINT NIF_MESSAGE = 0x00000001;
inline constexpr UINT NIF_ICON = 0x00000002;
inline constexpr UINT NIF_TIP = 0x00000004;

// The icon handle as the 32-bit record holds it: the icon's number (platform/gdi/Icon.h). Takes and
// gives an HICON, so the record reads as the original's.
struct HICON32 {
    DWORD Value = 0;
    HICON32() = default;
    HICON32(HICON icon) : Value(IconHandleValue(icon)) {}
    operator HICON() const { return IconFromHandleValue(Value); }
};

// The record as the 32-bit system lays it out: 88 bytes, szTip 63 characters and a terminator.
// An icon is known by its window and uID.
struct NOTIFYICONDATAA {
    DWORD cbSize = sizeof(NOTIFYICONDATAA);
    HWND hWnd = 0;
    UINT uID = 0;
    UINT uFlags = 0;           // which of the three fields below count (NIF_*)
    UINT uCallbackMessage = 0; // NIF_MESSAGE
    HICON32 hIcon;             // NIF_ICON; the shell keeps its own copy of the picture
    char szTip[64] = {};       // NIF_TIP; Windows-1252, read up to the terminator or 63 bytes
};
static_assert(sizeof(NOTIFYICONDATAA) == 88);
static_assert(offsetof(NOTIFYICONDATAA, hIcon) == 20 && offsetof(NOTIFYICONDATAA, szTip) == 24);

// NIM_ADD shows a new icon (FALSE when one with this window and uID is shown already, or for no
// window); NIM_MODIFY changes the fields uFlags names; NIM_DELETE takes the icon away. FALSE also
// for a record whose cbSize is smaller than this one and for an unknown message.
BOOL Shell_NotifyIconA(DWORD message, const NOTIFYICONDATAA* data);
inline BOOL Shell_NotifyIcon(DWORD message, const NOTIFYICONDATAA* data) {
    return Shell_NotifyIconA(message, data);
}

// ShellExecuteA's failures (results of 32 or less); a result above 32 is success.
inline constexpr int SE_ERR_FNF = 2;
inline constexpr int SE_ERR_NOASSOC = 31;

// Opens a web address or document with the desktop's choice of program: xdg-open is started with
// file as its one argument (no shell reads it) and not waited for. Only the default verb (null or
// "open") is known; parameters, directory and show command do not apply to documents. SE_ERR_FNF
// for no file, SE_ERR_NOASSOC for another verb or when xdg-open cannot start.
HINSTANCE ShellExecuteA(HWND wnd, const char* operation, const char* file, const char* parameters,
                        const char* directory, int showCmd);
inline HINSTANCE ShellExecute(HWND wnd, const char* operation, const char* file, const char* parameters,
                              const char* directory, int showCmd) {
    return ShellExecuteA(wnd, operation, file, parameters, directory, showCmd);
}
