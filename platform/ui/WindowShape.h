// Window regions: the part of a window that shows and takes the mouse.
//
// The region is given in window coordinates, the origin at the top-left corner of the window's frame
// as the system's code counts it (a form's Width and Height include border and caption). On the
// desktop a form's frame belongs to the window manager and stays rectangular; the region shapes the
// form's own window (the menu bar and the client area) through the X shape extension, so a form's
// region is moved up and left by its border and caption before it becomes the mask (again when the
// border changes), and the parts of it over the frame (a caption strip) have no effect there. Any
// other windowed control is shaped in its own window coordinates, its border and scroll bars
// included.
#pragma once

#include "platform/gdi/Region.h"

// Gives the window the region (0 removes it). A region with nothing inside the window leaves nothing
// of it on the screen or under the mouse. The window owns the region from then on
// and deletes it when a new one replaces it or the window goes away; the caller must not use or delete it
// again. On failure (no such window) the region stays the caller's. Redraw paints the whole window anew,
// background first.
int SetWindowRgn(HWND wnd, HRGN rgn, BOOL redraw);
// Copies the window's region into rgn; ERROR when the window has none.
int GetWindowRgn(HWND wnd, HRGN rgn);
