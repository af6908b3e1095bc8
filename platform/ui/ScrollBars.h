// The scroll bars of a window (WS_HSCROLL, WS_VSCROLL) and scrolling its contents. The bars lie in
// the window's non-client area, along its client rectangle (WM_NCCALCSIZE), with the frame that
// WM_NCPAINT paints (Controls.h).
//
// A bar keeps its range, page and position as the program sets them; the user's actions on it
// arrive as WM_HSCROLL or WM_VSCROLL and move nothing by themselves: the program answers with
// SetScrollPos (or SetScrollInfo). Ranges may start below zero.
#pragma once

#include "platform/gdi/Types.h"
#include "platform/win/Types.h"

inline constexpr int SB_HORZ = 0;
inline constexpr int SB_VERT = 1;
inline constexpr int SB_CTL = 2;
inline constexpr int SB_BOTH = 3;

inline constexpr UINT SIF_RANGE = 0x0001;
inline constexpr UINT SIF_PAGE = 0x0002;
inline constexpr UINT SIF_POS = 0x0004;
inline constexpr UINT SIF_DISABLENOSCROLL = 0x0008;
inline constexpr UINT SIF_TRACKPOS = 0x0010;
inline constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

struct SCROLLINFO {
    UINT cbSize = sizeof(SCROLLINFO);
    UINT fMask = 0;
    int nMin = 0;
    int nMax = 0;
    UINT nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};

// The position is limited to nMin .. nMax - (nPage - 1). Returns the new position.
int SetScrollInfo(HWND wnd, int bar, const SCROLLINFO* info, BOOL redraw);
BOOL GetScrollInfo(HWND wnd, int bar, SCROLLINFO* info);
BOOL SetScrollRange(HWND wnd, int bar, int minPos, int maxPos, BOOL redraw);
BOOL GetScrollRange(HWND wnd, int bar, int* minPos, int* maxPos);
// Returns the previous position.
int SetScrollPos(HWND wnd, int bar, int pos, BOOL redraw);
int GetScrollPos(HWND wnd, int bar);
// Adds or removes the bar (SB_BOTH: both) as the window styles would; the client area follows.
BOOL ShowScrollBar(HWND wnd, int bar, BOOL show);

// Moves the window's contents by dx, dy (within rect, or the client area) and marks the area that
// comes free for painting.
BOOL ScrollWindow(HWND wnd, int dx, int dy, const RECT* rect, const RECT* clipRect);
