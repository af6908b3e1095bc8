// Window queries and placement by handle and the session's parameters,
// as the system's code asks for them.
#pragma once

#include "platform/ui/Controls.h"

// The class library's flag: the windows have the newer look (small captions, caption icons).
inline bool NewStyleControls = true;

inline constexpr DWORD WS_OVERLAPPED = 0x00000000;
inline constexpr DWORD WS_POPUP = 0x80000000;
inline constexpr DWORD WS_MINIMIZE = 0x20000000;
inline constexpr DWORD WS_MAXIMIZE = 0x01000000;
inline constexpr DWORD WS_CAPTION = 0x00C00000;
inline constexpr DWORD WS_DLGFRAME = 0x00400000;
inline constexpr DWORD WS_SYSMENU = 0x00080000;
inline constexpr DWORD WS_THICKFRAME = 0x00040000;
inline constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
inline constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
inline constexpr DWORD WS_EX_DLGMODALFRAME = 0x00000001;
inline constexpr DWORD WS_EX_TOPMOST = 0x00000008;
inline constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080;
inline constexpr DWORD WS_EX_APPWINDOW = 0x00040000;
inline constexpr DWORD WS_EX_CONTEXTHELP = 0x00000400;

// What WM_GETMINMAXINFO carries: the size and place of the maximized window and the smallest and
// largest size the user may drag it to.
struct MINMAXINFO {
    POINT ptReserved;
    POINT ptMaxSize;
    POINT ptMaxPosition;
    POINT ptMinTrackSize;
    POINT ptMaxTrackSize;
};

inline constexpr int GWL_WNDPROC = -4;
inline constexpr int GWL_STYLE = -16;
inline constexpr int GWL_EXSTYLE = -20;
// The style of a form follows its border style, icons, form style (WS_EX_TOPMOST on top) and window
// state (WS_MINIMIZE while it is minimised) until SetWindowLong sets it; of any other control, what
// it was made with. The application's window is a popup, visible while the task bar button shows
// (TApplication::TaskBarButton). 0 for an unknown handle. A window procedure is a pointer and does
// not fit: GWL_WNDPROC answers 0 here.
LONG GetWindowLong(HWND wnd, int index);
// GWL_STYLE and GWL_EXSTYLE of a form: kept (GetWindowLong answers them, the window state bits
// staying live) until its BorderStyle, BorderIcons or FormStyle make them anew. Without the whole of
// WS_CAPTION the form has no title bar and its Height counts no caption, so its client area grows by
// the caption while Width and Height stay; WS_EX_TOOLWINDOW takes it off the task bar and
// WS_EX_APPWINDOW puts it on; WS_EX_TOPMOST keeps it on top. The window hears WM_STYLECHANGED, and
// WM_SIZE when its client area changed. GWL_EXSTYLE of the application's window: its extended
// style. Returns the previous value; 0 with ERROR_INVALID_PARAMETER for anything else.
LONG SetWindowLong(HWND wnd, int index, LONG value);
// GWL_WNDPROC: the window's procedure (platform/win/Messages.h), any window; the styles as
// GetWindowLong gives them. Setting GWL_WNDPROC returns the previous procedure; 0, with nothing
// changed, for a bad handle or a value that is no procedure. The styles are set as by SetWindowLong.
LONG_PTR GetWindowLongPtr(HWND wnd, int index);
LONG_PTR SetWindowLongPtr(HWND wnd, int index, LONG_PTR value);
// Screen coordinates of the whole window (a form's frame included).
BOOL GetWindowRect(HWND wnd, RECT* rect);
// The strip of the screen outside its work area on the side where the gap is widest (a task bar or
// panel); an empty rectangle when the work area fills the screen.
RECT TaskBarStrip(const RECT& screen, const RECT& work);
// The task bar as the system's code looks for it: FindWindow of the class "Shell_TrayWnd" gives a
// stand-in window while the primary screen's work area leaves a strip (0 otherwise), and
// GetWindowRect of it that strip.
HWND FindTaskBarWindow();
// A minimised form (the application's window: its main form). The calls on windows here also take
// a window of another run that FindWindow found, and pass the call on to that run.
BOOL IsIconic(HWND wnd);

// What WM_WINDOWPOSCHANGING carries (lParam points at it): the window, its new place and size, and
// the SWP_ flags of the change.
struct WINDOWPOS {
    HWND hwnd = 0;
    HWND hwndInsertAfter = 0;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    UINT flags = 0;
};

inline constexpr UINT SWP_NOSIZE = 0x0001;
inline constexpr UINT SWP_NOMOVE = 0x0002;
inline constexpr UINT SWP_NOZORDER = 0x0004;
inline constexpr UINT SWP_NOACTIVATE = 0x0010;
inline constexpr UINT SWP_SHOWWINDOW = 0x0040;
inline constexpr HWND HWND_TOP = 0;
inline constexpr HWND HWND_TOPMOST = static_cast<HWND>(-1);
// The mouse pointer in screen coordinates.
BOOL GetCursorPos(POINT* point);
// Moves the mouse pointer to a screen point; the windows it leaves and enters hear of it as the
// window system reports the move.
BOOL SetCursorPos(int x, int y);
// The control of this program under a screen point: the innermost visible windowed control there,
// or the graphic control inside it at the point (windowless and windowed controls both counted as
// their CM_HITTEST answers); with AllowDisabled, disabled ones too. Forms are looked at stay-on-top
// first, then the active one, then the others newest first. nullptr where none of its forms lies.
TControl* FindDragTarget(const TPoint& Pos, bool AllowDisabled);
// Moves and sizes the window and with SWP_SHOWWINDOW shows it (the order and activation are left to
// the window manager).
BOOL SetWindowPos(HWND wnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
// Shows the form and makes it the active one.
BOOL SetForegroundWindow(HWND wnd);
// True when the window was visible before. The application's window itself is only the task bar
// button: SW_HIDE and SW_SHOW hide and show that; its other commands go to the main form.
BOOL ShowWindow(HWND wnd, int cmd);
// A control's caption; for the application's window, the text other runs find it by.
BOOL SetWindowText(HWND wnd, const char* text);

inline constexpr UINT SPI_GETSCREENSAVETIMEOUT = 14;
inline constexpr UINT SPI_GETWORKAREA = 48;
inline constexpr UINT SPI_GETWINDOWSEXTENSION = 92;
// SPI_GETWORKAREA: the primary screen's available area (a RECT); the screen saver's time-out is
// not known here, so that query fails.
BOOL SystemParametersInfo(UINT action, UINT param, void* value, UINT winIni);
