// Global memory blocks, as the clipboard hands data over: a handle to a block that is locked to
// reach its bytes.
#pragma once

#include "platform/win/Types.h"

#include <cstddef>

using HGLOBAL = void*;
using SIZE_T = std::size_t;

inline constexpr UINT GMEM_FIXED = 0x0000;
inline constexpr UINT GMEM_MOVEABLE = 0x0002;
inline constexpr UINT GMEM_ZEROINIT = 0x0040;
inline constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;

// The block is zeroed whatever the flags. nullptr when it cannot be had.
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
// nullptr for a handle that is not a live block.
void* GlobalLock(HGLOBAL mem);
BOOL GlobalUnlock(HGLOBAL mem);
SIZE_T GlobalSize(HGLOBAL mem);
// nullptr on success, the handle when it was not a live block.
HGLOBAL GlobalFree(HGLOBAL mem);
