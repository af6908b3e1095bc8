// Icons: a colour image and an AND mask of the same size. Drawing clears the pixels where the mask
// is black, then XORs the image over them, so that where the mask is white the image's black leaves
// the background showing.
#pragma once

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Types.h"

struct HICON__ {};
using HICON = HICON__*;

struct ICONINFO {
    BOOL fIcon = TRUE; // FALSE: a cursor with its hot spot
    DWORD xHotspot = 0;
    DWORD yHotspot = 0;
    HBITMAP hbmMask = nullptr;
    HBITMAP hbmColor = nullptr;
};

// The icon keeps copies of both bitmaps (the caller still owns its own). The mask is read as
// monochrome. Fails (null) without both bitmaps or with bitmaps of
// different sizes; a mask twice the image's height (a monochrome icon's) is not taken.
HICON CreateIconIndirect(const ICONINFO* info);
// A new icon with copies of the same bitmaps.
HICON CopyIcon(HICON icon);
// Fresh copies of the icon's bitmaps, which the caller deletes.
BOOL GetIconInfo(HICON icon, ICONINFO* info);
// False for a handle that is not a live icon.
BOOL DestroyIcon(HICON icon);
// Draws the icon with its top-left at (x, y), at its own size.
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);

// An icon as a 32-bit number, for records that keep a handle in 32 bits as the system's 32-bit
// records do: never 0 for a live icon and never given to another icon. 0 for a null or dead handle.
DWORD IconHandleValue(HICON icon);
// The live icon with that number, or null.
HICON IconFromHandleValue(DWORD value);
