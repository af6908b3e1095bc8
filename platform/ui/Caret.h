// The caret: one per program, owned by a window, drawn by the platform over the window's contents
// (inverted) and blinking while it shows. It is created hidden; ShowCaret and HideCaret count, so
// it shows once every HideCaret has been matched by a ShowCaret. Creating a caret destroys the
// previous one.
#pragma once

#include "platform/gdi/Types.h"
#include "platform/win/Types.h"

// bitmap: nullptr for a solid caret (the only kind drawn; a grey caret is drawn solid too).
BOOL CreateCaret(HWND wnd, HBITMAP bitmap, int width, int height);
BOOL DestroyCaret();
// wnd 0 means the caret's own window; another window than the caret's fails.
BOOL ShowCaret(HWND wnd);
BOOL HideCaret(HWND wnd);
// Client coordinates of the caret's window; the caret may be moved while hidden.
BOOL SetCaretPos(int x, int y);
BOOL GetCaretPos(POINT* point);
UINT GetCaretBlinkTime();
BOOL SetCaretBlinkTime(UINT milliseconds);
