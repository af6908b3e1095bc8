// BMP files: a hardened reader and a writer.
//
// The reader takes BITMAPFILEHEADER followed by BITMAPINFOHEADER (or a later header of 52, 56, 108
// or 124 bytes) or the OS/2 BITMAPCOREHEADER; 1, 4, 8, 16, 24 and 32 bits per pixel, bottom-up or
// top-down, BI_RGB, BI_RLE8, BI_RLE4 and BI_BITFIELDS (16 and 32 bits). It trusts no size, offset,
// count or dimension in the headers: everything it reads is checked against the bytes given, sizes
// are computed without overflow, and a bitmap larger than 32768 pixels on a side or 256 MiB of
// pixels is refused. A bad file gives a null handle and a reason, never a crash.
#pragma once

#include "platform/gdi/Types.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A DIB section of the file's depth (16-bit and bit-field files become 32 bits per pixel), or null
// with *error set.
HBITMAP GdiReadBmp(const void* data, std::size_t size, std::string* error);
// The bitmap at its own depth: file header, BITMAPINFOHEADER, the full colour table for 1, 4 and
// 8 bits, rows bottom-up. False for an unknown handle.
bool GdiWriteBmp(HBITMAP bitmap, std::vector<std::uint8_t>& out);
// Little-endian 16- and 32-bit values appended to a file being written.
void GdiPut16(std::vector<std::uint8_t>& out, std::uint32_t v);
void GdiPut32(std::vector<std::uint8_t>& out, std::uint32_t v);
