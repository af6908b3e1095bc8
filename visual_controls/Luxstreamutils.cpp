#include "visual_controls/Luxstreamutils.h"

#include "platform/gdi/Bitmap.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/Controls.h"
#include "visual_controls/Luxprocs.h"
#include "visual_controls/Luxwave.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

std::int64_t BytesLeft(TStream& stream) {
    return std::max<std::int64_t>(stream.Size() - stream.Position(), 0);
}

// An Int32 length prefix that fits the bytes left.
std::int32_t ReadLength(TStream& stream) {
    const std::int32_t length = stReadInteger(stream);
    if (length < 0 || length > BytesLeft(stream)) throw EReadError();
    return length;
}

void PutLE(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// Reserves an Int32 length, lets `write` fill in the body, then writes the body's length there.
template <typename Write> void WriteWithLength(TStream& stream, Write write) {
    const std::int64_t start = stream.Position();
    stWriteInteger(stream, 0);
    write(stream);
    const std::int64_t end = stream.Position();
    stream.SetPosition(start);
    stWriteInteger(stream, static_cast<std::int32_t>(end - start - 4));
    stream.SetPosition(end);
}

// The body of a record: one frame, or written straight with its length in front.
template <typename Write> void WriteRecord(TStream& stream, bool compressed, Write write) {
    if (!compressed) {
        WriteWithLength(stream, write);
        return;
    }
    TMemoryStream body;
    write(body);
    body.SetPosition(0);
    SaveCompressedStream(body, stream, body.Size());
}

void ReadRecord(TStream& stream, bool compressed, TMemoryStream& body) {
    if (compressed) {
        LoadCompressedStream(stream, body);
    } else {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(ReadLength(stream)));
        stream.ReadBuffer(bytes.data(), static_cast<std::int32_t>(bytes.size()));
        body.WriteBuffer(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    }
    body.SetPosition(0);
}

int DibBitsFor(int colors, int ownBits) {
    int bits;
    if (colors == 0)
        bits = ownBits;
    else if (colors <= 2)
        bits = 1;
    else if (colors <= 16)
        bits = 4;
    else if (colors <= 256)
        bits = 8;
    else
        bits = 24;
    return bits == 16 || bits == 32 ? 24 : bits;
}

void WriteDib(TStream& stream, TBitmap& bitmap, int colors) {
    HBITMAP handle = bitmap.Empty() ? nullptr : bitmap.Handle();
    BITMAP bm;
    if (!handle || GetObject(handle, sizeof bm, &bm) == 0) throw Exception("Bitmap image is not valid");
    const int bits = DibBitsFor(colors, bm.bmPlanes * bm.bmBitsPixel);
    const int tableEntries = bits == 24 ? 0 : 1 << bits;
    const std::uint32_t headerSize = 40 + 4 * static_cast<std::uint32_t>(tableEntries);
    const std::uint32_t imageSize = static_cast<std::uint32_t>(bm.bmHeight) *
                                    ((static_cast<std::uint32_t>(bm.bmWidth) * bits + 31) / 32) * 4;

    std::vector<std::uint8_t> info(headerSize);
    auto* bi = reinterpret_cast<BITMAPINFO*>(info.data());
    bi->bmiHeader = BITMAPINFOHEADER{};
    bi->bmiHeader.biWidth = bm.bmWidth;
    bi->bmiHeader.biHeight = bm.bmHeight;
    bi->bmiHeader.biBitCount = static_cast<WORD>(bits);
    bi->bmiHeader.biSizeImage = imageSize;
    std::vector<std::uint8_t> pixels(imageSize);
    // Every device here is true colour: the screen's DC converts as the focused window's would.
    HDC dc = GetDC(0);
    GetDIBits(dc, handle, 0, static_cast<UINT>(bm.bmHeight), pixels.data(), bi, DIB_RGB_COLORS);
    ReleaseDC(0, dc);
    // GetDIBits fills in the image size and colour count; the file keeps the header as defined.
    bi->bmiHeader.biSizeImage = imageSize;
    bi->bmiHeader.biClrUsed = 0;

    std::vector<std::uint8_t> file;
    file.reserve(14 + headerSize + imageSize);
    file.push_back('B');
    file.push_back('M');
    PutLE(file, 14 + headerSize + imageSize, 4);
    PutLE(file, 0, 4);
    PutLE(file, 14 + headerSize, 4);
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    stream.WriteBuffer(file.data(), static_cast<std::int32_t>(file.size()));
}

void WriteBitmapBody(TStream& stream, TBitmap& bitmap, int colors) {
    if (colors == -1)
        bitmap.SaveToStream(stream);
    else
        WriteDib(stream, bitmap, colors);
}

} // namespace

void stWriteInteger(TStream& stream, std::int32_t value) {
    const std::uint8_t b[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                               static_cast<std::uint8_t>(value >> 16),
                               static_cast<std::uint8_t>(value >> 24)};
    stream.WriteBuffer(b, 4);
}

void stWriteWord(TStream& stream, std::uint16_t value) {
    const std::uint8_t b[2] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)};
    stream.WriteBuffer(b, 2);
}

void stWriteByte(TStream& stream, std::uint8_t value) {
    stream.WriteBuffer(&value, 1);
}

void stWriteString(TStream& stream, const std::string& value) {
    const auto length = static_cast<std::uint8_t>(value.size() % 256);
    stWriteByte(stream, length);
    stream.WriteBuffer(value.data(), length);
}

std::int32_t stReadInteger(TStream& stream) {
    std::uint8_t b[4];
    stream.ReadBuffer(b, 4);
    return static_cast<std::int32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24);
}

std::uint16_t stReadWord(TStream& stream) {
    std::uint8_t b[2];
    stream.ReadBuffer(b, 2);
    return static_cast<std::uint16_t>(b[0] | b[1] << 8);
}

std::uint8_t stReadByte(TStream& stream) {
    std::uint8_t b;
    stream.ReadBuffer(&b, 1);
    return b;
}

std::string stReadString(TStream& stream) {
    std::string s(stReadByte(stream), '\0');
    stream.ReadBuffer(s.data(), static_cast<std::int32_t>(s.size()));
    return s;
}

void stWriteStringList(TStream& stream, const TStringList& strings, bool compressed) {
    WriteRecord(stream, compressed, [&](TStream& out) { strings.SaveToStream(out); });
}

void stReadStringList(TStream& stream, TStringList& strings, bool compressed) {
    TMemoryStream body;
    ReadRecord(stream, compressed, body);
    strings.LoadFromStream(body);
}

void stWriteWave(TStream& stream, TLuxWave& wave, bool compressed) {
    if (compressed)
        wave.SaveCompressedToStream(&stream);
    else
        wave.SaveToStreamEx(&stream);
}

void stReadWave(TStream& stream, TLuxWave& wave, bool compressed) {
    if (compressed)
        wave.LoadCompressedFromStream(&stream);
    else
        wave.LoadFromStreamEx(&stream);
}

void stWriteBitmap(TStream& stream, TBitmap& bitmap, bool compressed, int colors) {
    WriteRecord(stream, compressed, [&](TStream& out) { WriteBitmapBody(out, bitmap, colors); });
}

void stReadBitmap(TStream& stream, TBitmap& bitmap, bool compressed) {
    TMemoryStream body;
    ReadRecord(stream, compressed, body);
    bitmap.LoadFromStream(body);
}

void SaveCompressedStream(TStream& source, TStream& dest, std::int64_t count) {
    const std::int64_t start = dest.Position();
    stWriteInteger(dest, 0);
    // Work buffers for one chunk and its block, once per call.
    std::vector<std::uint8_t> chunk(LuxLZRWBufferSize), block(LuxLZRWBufferSize);
    std::int64_t total = 0;
    while (count > 0) {
        const auto want = static_cast<std::int32_t>(std::min<std::int64_t>(count, LuxLZRWMaxSource));
        const std::int32_t got = source.Read(chunk.data(), want);
        if (got <= 0) break;
        const std::uint16_t n = LuxLZRWCompress(chunk.data(), block.data(), static_cast<std::uint16_t>(got));
        stWriteInteger(dest, n);
        dest.WriteBuffer(block.data(), n);
        total += n + 4;
        count -= got;
    }
    const std::int64_t end = dest.Position();
    dest.SetPosition(start);
    stWriteInteger(dest, static_cast<std::int32_t>(total));
    dest.SetPosition(end);
}

void LoadCompressedStream(TStream& source, TStream& dest) {
    std::int64_t total = stReadInteger(source);
    if (total < 0 || total > BytesLeft(source)) throw EReadError();
    std::vector<std::uint8_t> block(LuxLZRWBufferSize), chunk(LuxLZRWBufferSize);
    while (total > 0) {
        const std::int32_t n = stReadInteger(source);
        if (n < 1 || n > LuxLZRWBufferSize || n > BytesLeft(source)) throw EReadError();
        source.ReadBuffer(block.data(), n);
        const std::uint16_t produced =
            LuxLZRWDecompress(block.data(), chunk.data(), static_cast<std::uint16_t>(n));
        dest.WriteBuffer(chunk.data(), produced);
        total -= n + 4;
    }
}

void LuxBmpSaveDIBStream(TStream& stream, TBitmap& bitmap, int colors) {
    WriteDib(stream, bitmap, bitmap.PixelFormat() == pf1bit ? 2 : colors);
    stream.SetPosition(0);
}
