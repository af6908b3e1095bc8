// The clipboard with text (CF_TEXT) in it: Windows-1252 bytes ending in a zero byte, as the
// system's strings are; the desktop's clipboard holds the same text as Unicode.
//
// OpenClipboard, then EmptyClipboard and SetClipboardData (the clipboard takes the block over) or
// GetClipboardData (the block stays the clipboard's until it is closed), then CloseClipboard.
#pragma once

#include "platform/win/GlobalMem.h"
#include "platform/win/Types.h"

inline constexpr UINT CF_TEXT = 1;

BOOL OpenClipboard(HWND owner);
BOOL CloseClipboard();
BOOL EmptyClipboard();
// Only CF_TEXT is kept; any other format is refused.
HANDLE SetClipboardData(UINT format, HANDLE mem);
HANDLE GetClipboardData(UINT format);
BOOL IsClipboardFormatAvailable(UINT format);
