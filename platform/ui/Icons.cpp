#include "platform/ui/Icons.h"

#include "platform/gdi/BmpFile.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Filer.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

TIcon::~TIcon() {
    if (handle_) DestroyIcon(handle_);
}

void TIcon::Assign(const TPersistent* source) {
    if (source == this) return;
    if (!source) {
        SetHandle(nullptr);
        return;
    }
    if (const auto* icon = dynamic_cast<const TIcon*>(source)) {
        SetHandle(icon->handle_ ? CopyIcon(icon->handle_) : nullptr);
        return;
    }
    TGraphic::Assign(source);
}

void TIcon::SetHandle(HICON value) {
    if (value == handle_) return;
    if (handle_) DestroyIcon(handle_);
    handle_ = value;
    width_ = height_ = 0;
    ICONINFO info;
    if (handle_ && GetIconInfo(handle_, &info)) {
        BITMAP bm;
        if (GetObject(info.hbmColor, sizeof bm, &bm) == static_cast<int>(sizeof bm)) {
            width_ = bm.bmWidth;
            height_ = bm.bmHeight;
        }
        DeleteObject(info.hbmMask);
        DeleteObject(info.hbmColor);
    }
    Changed();
}

HICON TIcon::ReleaseHandle() {
    const HICON h = handle_;
    handle_ = nullptr;
    width_ = height_ = 0;
    return h;
}

namespace {

constexpr std::size_t DirSize = 6;
constexpr std::size_t EntrySize = 16;
constexpr std::size_t InfoSize = 40;

std::uint32_t U16(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
}
std::uint32_t U32(const std::uint8_t* p) {
    return U16(p) | U16(p + 2) << 16;
}

[[noreturn]] void Invalid() {
    throw EInvalidGraphic("Icon image is not valid");
}

// Bytes of one bottom-up row of the AND mask (1 bit a pixel, rows of whole 32-bit words).
std::size_t MaskStride(int width) {
    return (static_cast<std::size_t>(width) + 31) / 32 * 4;
}

// The bitmap's pixels as 32-bit rows, bottom-up (the DIB order).
std::vector<std::uint8_t> Pixels32(HBITMAP bitmap, int width, int height) {
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(width) * height * 4);
    BITMAPINFO info{};
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biBitCount = 32;
    const HDC dc = CreateCompatibleDC(nullptr);
    const int rows = GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), bits.data(), &info, DIB_RGB_COLORS);
    DeleteDC(dc);
    if (rows != height) throw EInvalidGraphic("Icon image is not valid");
    return bits;
}

// A 32-bit DIB section holding bottom-up rows.
HBITMAP Dib32(int width, int height, const std::uint8_t* rows) {
    BITMAPINFO info{};
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, 0, 0);
    if (!bitmap || !bits) {
        if (bitmap) DeleteObject(bitmap);
        return nullptr;
    }
    std::memcpy(bits, rows, static_cast<std::size_t>(width) * height * 4);
    return bitmap;
}

} // namespace

void TIcon::LoadFromStream(TStream& stream) {
    const std::string file = ReadToEnd(stream);
    if (file.empty()) {
        SetHandle(nullptr);
        return;
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(file.data());
    const std::size_t size = file.size();
    if (size < DirSize + EntrySize || U16(data) != 0 || U16(data + 2) != 1 || U16(data + 4) < 1) Invalid();
    const std::uint8_t* entry = data + DirSize;
    const std::size_t length = U32(entry + 8);
    const std::size_t offset = U32(entry + 12);
    if (offset > size || length > size - offset || length < InfoSize) Invalid();
    const std::uint8_t* image = data + offset;
    const std::uint32_t headerSize = U32(image);
    const auto width = static_cast<std::int32_t>(U32(image + 4));
    const auto doubled = static_cast<std::int32_t>(U32(image + 8));
    if (headerSize < InfoSize || headerSize > length || width <= 0 || width > GdiMaxBitmapSide ||
        doubled <= 0 || doubled % 2 != 0 || doubled / 2 > GdiMaxBitmapSide || U16(image + 12) != 1 ||
        U16(image + 14) != 32 || U32(image + 16) != BI_RGB)
        Invalid();
    const int height = doubled / 2;
    const std::size_t colorBytes = static_cast<std::size_t>(width) * height * 4;
    const std::size_t maskBytes = MaskStride(width) * height;
    if (colorBytes > GdiMaxBitmapBytes || colorBytes > length - headerSize ||
        maskBytes > length - headerSize - colorBytes)
        Invalid();
    const std::uint8_t* color = image + headerSize;
    const std::uint8_t* mask = color + colorBytes;

    // The mask as a 32-bit image, white where the AND mask keeps the background.
    std::vector<std::uint8_t> maskPixels(colorBytes);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = mask + MaskStride(width) * y;
        for (int x = 0; x < width; ++x) {
            if (!(row[x / 8] & (0x80 >> (x % 8)))) continue;
            std::memset(&maskPixels[(static_cast<std::size_t>(y) * width + x) * 4], 0xFF, 3);
        }
    }
    ICONINFO info;
    info.hbmColor = Dib32(width, height, color);
    info.hbmMask = Dib32(width, height, maskPixels.data());
    const HICON icon = info.hbmColor && info.hbmMask ? CreateIconIndirect(&info) : nullptr;
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (!icon) Invalid();
    SetHandle(icon);
}

void TIcon::SaveToStream(TStream& stream) {
    if (Empty()) return;
    ICONINFO info;
    if (!GetIconInfo(handle_, &info)) Invalid();
    std::vector<std::uint8_t> color, mask;
    try {
        color = Pixels32(info.hbmColor, width_, height_);
        mask = Pixels32(info.hbmMask, width_, height_);
    } catch (...) {
        DeleteObject(info.hbmMask);
        DeleteObject(info.hbmColor);
        throw;
    }
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);

    const std::size_t stride = MaskStride(width_);
    const auto imageBytes = static_cast<std::uint32_t>(color.size() + stride * height_);
    std::vector<std::uint8_t> out;
    out.reserve(DirSize + EntrySize + InfoSize + imageBytes);
    GdiPut16(out, 0); // reserved
    GdiPut16(out, 1); // an icon, not a cursor
    GdiPut16(out, 1); // one image
    // The directory holds sides up to 256, given as 0; larger icons keep their size in the header.
    out.push_back(static_cast<std::uint8_t>(width_ >= 256 ? 0 : width_));
    out.push_back(static_cast<std::uint8_t>(height_ >= 256 ? 0 : height_));
    out.push_back(0); // no colour table
    out.push_back(0);
    GdiPut16(out, 1);  // planes
    GdiPut16(out, 32); // bits per pixel
    GdiPut32(out, static_cast<std::uint32_t>(InfoSize) + imageBytes);
    GdiPut32(out, static_cast<std::uint32_t>(DirSize + EntrySize));
    GdiPut32(out, static_cast<std::uint32_t>(InfoSize));
    GdiPut32(out, static_cast<std::uint32_t>(width_));
    GdiPut32(out, static_cast<std::uint32_t>(height_) * 2); // the image and its mask
    GdiPut16(out, 1);
    GdiPut16(out, 32);
    GdiPut32(out, BI_RGB);
    GdiPut32(out, imageBytes);
    for (int i = 0; i < 4; ++i) GdiPut32(out, 0);
    out.insert(out.end(), color.begin(), color.end());
    for (int y = 0; y < height_; ++y) {
        std::vector<std::uint8_t> row(stride);
        for (int x = 0; x < width_; ++x) {
            const std::uint8_t* px = &mask[(static_cast<std::size_t>(y) * width_ + x) * 4];
            if (px[0] | px[1] | px[2]) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    stream.WriteBuffer(out.data(), static_cast<std::int32_t>(out.size()));
}

void TIcon::DefineProperties(TFiler* Filer) {
    Filer->DefineBinaryProperty(
        "Data", [this](TStream* stream) { LoadFromStream(*stream); },
        [this](TStream* stream) { SaveToStream(*stream); }, !Empty());
}

void TIcon::Draw(TCanvas* canvas, const TRect& rect) {
    if (handle_) DrawIcon(canvas->Handle(), rect.Left, rect.Top, handle_);
}
