// The window menu of a form or of the application's window, as a model: its entries by position
// and command, which the program may delete. What it holds is what the menu would offer; the frame
// the window manager draws is not changed by it.
#pragma once

#include "platform/win/Types.h"

using HMENU = std::uintptr_t;

inline constexpr UINT SC_SIZE = 0xF000;
inline constexpr UINT SC_MOVE = 0xF010;
inline constexpr UINT SC_MINIMIZE = 0xF020;
inline constexpr UINT SC_MAXIMIZE = 0xF030;
inline constexpr UINT SC_CLOSE = 0xF060;
inline constexpr UINT SC_RESTORE = 0xF120;
inline constexpr UINT SC_TASKLIST = 0xF130;
inline constexpr UINT MF_BYCOMMAND = 0x0000;
inline constexpr UINT MF_BYPOSITION = 0x0400;

// The window's menu (made on first use; Revert puts the standard entries back and answers 0). A
// form's: Restore, Move, Size, Minimize, Maximize, a separator, Close; the application window's:
// Restore, Minimize, a separator, Close. Without NewStyleControls both also have Move (the
// application's) and a separator and "Switch To..." at the end. 0 for an unknown window.
HMENU GetSystemMenu(HWND wnd, BOOL revert);
// Removes the entry at a position (MF_BYPOSITION) or with a command; FALSE when there is none.
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);
// -1 for an unknown menu.
int GetMenuItemCount(HMENU menu);
// The command of the entry at the position; 0 for a separator, -1 (as UINT) when there is none.
UINT GetMenuItemID(HMENU menu, int position);
