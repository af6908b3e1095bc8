// Typed values, bitmaps and string lists written to and read from streams, and the block-compressed
// frame that every compressed record uses. Numbers are little-endian.
//
// Frame: Int32 Total (the sum over the blocks of length + 4), then per block an Int32 length and an
// LZRW block (Luxprocs.h) of at most 32781 source bytes.
#pragma once

#include "platform/rtl/Lists.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Graphics.h"

#include <cstdint>
#include <string>

class TLuxWave;

// Readers raise EReadError when the stream ends inside a value or a length prefix promises more
// bytes than are left.
void stWriteInteger(TStream& stream, std::int32_t value);
void stWriteWord(TStream& stream, std::uint16_t value);
void stWriteByte(TStream& stream, std::uint8_t value);
// One length byte (the length modulo 256) and that many characters: a longer string loses its tail.
void stWriteString(TStream& stream, const std::string& value);
std::int32_t stReadInteger(TStream& stream);
std::uint16_t stReadWord(TStream& stream);
std::uint8_t stReadByte(TStream& stream);
std::string stReadString(TStream& stream);

// The list's text (each line and CR LF), as one frame or as Int32 length and the text. Reading
// replaces the list's content.
void stWriteStringList(TStream& stream, const TStringList& strings, bool compressed);
void stReadStringList(TStream& stream, TStringList& strings, bool compressed);

// The wave's file image, as one frame or as Int32 size and the image (TLuxWave's compressed and
// sized stream forms). Reading replaces the wave's sound, on the wave's terms for bytes that are no
// wave.
void stWriteWave(TStream& stream, TLuxWave& wave, bool compressed);
void stReadWave(TStream& stream, TLuxWave& wave, bool compressed);

// A complete bitmap file, as one frame or as Int32 length and the file. colors -1 writes the
// bitmap's own stream form, any other value the device-independent form of LuxBmpSaveDIBStream with
// that colour count.
void stWriteBitmap(TStream& stream, TBitmap& bitmap, bool compressed, int colors);
void stReadBitmap(TStream& stream, TBitmap& bitmap, bool compressed);

// Compresses count bytes from source's position into one frame at dest's position; dest is left at
// the frame's end.
void SaveCompressedStream(TStream& source, TStream& dest, std::int64_t count);
// Appends a frame's bytes to dest (not rewound). A frame with a negative Total, a block length
// outside 1..32782 or beyond the bytes left, or a bad block raises EReadError.
void LoadCompressedStream(TStream& source, TStream& dest);

// The bitmap as a bitmap file with the bits per pixel the colour count asks for (0 the bitmap's own,
// 2 one, 16 four, 256 eight; 16 and 32 bits become 24), a monochrome bitmap always with two colours;
// the stream is left at position 0. A bitmap without a handle raises Exception "Bitmap image is not
// valid".
void LuxBmpSaveDIBStream(TStream& stream, TBitmap& bitmap, int colors);
