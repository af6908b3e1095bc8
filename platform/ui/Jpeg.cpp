#include "platform/ui/Jpeg.h"

#include "platform/gdi/Bitmap.h"
#include "platform/rtl/Streams.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

// libjpeg's header expects FILE and size_t declared before it.
#include <jerror.h>
#include <jpeglib.h>

namespace {

// A progressive file may carry any number of scans, each one a pass over the whole picture; more
// than this is refused rather than decoded for minutes.
constexpr int kMaxScans = 500;
constexpr std::size_t kMessageSize = JMSG_LENGTH_MAX + 32;

// A picture decoded into top-down RGB rows (three bytes a pixel), owned through free().
struct TDecodedJpeg {
    int Width = 0;
    int Height = 0;
    bool Gray = false;
    unsigned char* Rows = nullptr;
};

// libjpeg reports errors by calling error_exit, which must not return. The only frames between the
// decoder's setjmp and that call are libjpeg's own C frames, so the longjmp skips no destructor:
// DecodeJpeg below holds no object with one.
struct TJpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[kMessageSize];
};

[[noreturn]] void FailJpeg(j_common_ptr cinfo, const char* text) {
    auto* manager = reinterpret_cast<TJpegErrorManager*>(cinfo->err);
    std::snprintf(manager->message, sizeof manager->message, "%s", text);
    std::longjmp(manager->jump, 1);
}

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
    char text[JMSG_LENGTH_MAX] = {};
    (*cinfo->err->format_message)(cinfo, text);
    FailJpeg(cinfo, text);
}

// Warnings (level -1) are libjpeg's word for corrupt data it skips over: a file cut short, a bad
// Huffman code, a lost marker. A picture patched with grey is no picture; only the harmless ones
// about unknown revision numbers and transform codes, or stray bytes between segments, are let by.
void JpegEmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    switch (cinfo->err->msg_code) {
    case JWRN_EXTRANEOUS_DATA:
    case JWRN_JFIF_MAJOR:
    case JWRN_ADOBE_XFORM:
        return;
    default:
        JpegErrorExit(cinfo);
    }
}

void JpegProgress(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans)
        FailJpeg(cinfo, "too many scans in a progressive file");
}

std::size_t StrideOf24Bit(std::size_t width) {
    return (width * 24 + 31) / 32 * 4;
}

// Decodes one whole JPEG file. On failure returns false with the reason in message; nothing is
// left allocated. Kept free of C++ objects with destructors because of the setjmp.
bool DecodeJpeg(const unsigned char* data, std::size_t size, TDecodedJpeg* out, char* message) {
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    TJpegErrorManager manager;
    jpeg_progress_mgr progress;
    std::memset(&progress, 0, sizeof progress);
    unsigned char* volatile rows = nullptr;

    cinfo.err = jpeg_std_error(&manager.pub);
    manager.pub.error_exit = JpegErrorExit;
    manager.pub.emit_message = JpegEmitMessage;
    manager.message[0] = '\0';
    if (setjmp(manager.jump)) {
        jpeg_destroy_decompress(&cinfo);
        std::free(rows);
        std::snprintf(message, kMessageSize, "%s", manager.message);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    // Whole-image buffers (progressive and multi-scan files) may not grow past the pixel limit;
    // libjpeg has no backing store, so a larger need ends in an error.
    cinfo.mem->max_memory_to_use = static_cast<long>(GdiMaxBitmapBytes);
    progress.progress_monitor = JpegProgress;
    cinfo.progress = &progress;
    if (size == 0) FailJpeg(reinterpret_cast<j_common_ptr>(&cinfo), "empty input");
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);

    const std::size_t width = cinfo.image_width;
    const std::size_t height = cinfo.image_height;
    if (width > static_cast<std::size_t>(GdiMaxBitmapSide) ||
        height > static_cast<std::size_t>(GdiMaxBitmapSide) ||
        StrideOf24Bit(width) * height > GdiMaxBitmapBytes)
        FailJpeg(reinterpret_cast<j_common_ptr>(&cinfo), "picture too large");
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    out->Gray = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    cinfo.scale_num = 1;
    cinfo.scale_denom = 1;
    jpeg_start_decompress(&cinfo);

    const std::size_t channels = static_cast<std::size_t>(cinfo.output_components);
    if (cinfo.output_width != width || cinfo.output_height != height || channels != (cmyk ? 4u : 3u))
        FailJpeg(reinterpret_cast<j_common_ptr>(&cinfo), "unexpected output layout");
    rows = static_cast<unsigned char*>(std::malloc(width * channels * height));
    if (!rows) FailJpeg(reinterpret_cast<j_common_ptr>(&cinfo), "out of memory");
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = rows + static_cast<std::size_t>(cinfo.output_scanline) * width * channels;
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
            FailJpeg(reinterpret_cast<j_common_ptr>(&cinfo), "no scan line");
    }
    if (cmyk) {
        // Files that carry the Adobe marker store CMYK inverted; the others as they are.
        const bool inverted = cinfo.saw_Adobe_marker;
        unsigned char* p = rows;
        for (std::size_t i = 0; i < width * height; ++i) {
            unsigned c = p[i * 4], m = p[i * 4 + 1], y = p[i * 4 + 2], k = p[i * 4 + 3];
            if (!inverted) {
                c = 255 - c;
                m = 255 - m;
                y = 255 - y;
                k = 255 - k;
            }
            p[i * 3] = static_cast<unsigned char>(c * k / 255);
            p[i * 3 + 1] = static_cast<unsigned char>(m * k / 255);
            p[i * 3 + 2] = static_cast<unsigned char>(y * k / 255);
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    out->Width = static_cast<int>(width);
    out->Height = static_cast<int>(height);
    out->Rows = rows;
    return true;
}

struct TFreeRows {
    void operator()(unsigned char* p) const { std::free(p); }
};

} // namespace

TJPEGImage::TJPEGImage() : bitmap_(new TBitmap) {
    bitmap_->SetPixelFormat(pf24bit);
}

TJPEGImage::~TJPEGImage() {
    delete bitmap_;
}

void TJPEGImage::Assign(const TPersistent* source) {
    if (!source) {
        if (Empty()) return;
        data_.clear();
        grayscale_ = false;
        bitmap_->SetSize(0, 0);
        Changed();
        return;
    }
    if (auto* other = dynamic_cast<const TJPEGImage*>(source)) {
        if (other == this) return;
        bitmap_->Assign(other->bitmap_);
        data_ = other->data_;
        grayscale_ = other->grayscale_;
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

bool TJPEGImage::Empty() const {
    return bitmap_->Empty();
}

int TJPEGImage::Width() const {
    return bitmap_->Width();
}

int TJPEGImage::Height() const {
    return bitmap_->Height();
}

void TJPEGImage::SetWidth(int) {
    throw EInvalidGraphic("Cannot change the size of a JPEG image");
}

void TJPEGImage::SetHeight(int) {
    throw EInvalidGraphic("Cannot change the size of a JPEG image");
}

void TJPEGImage::LoadFromStream(TStream& stream) {
    std::string data = ReadToEnd(stream);
    TDecodedJpeg decoded;
    char message[kMessageSize] = {};
    if (!DecodeJpeg(reinterpret_cast<const unsigned char*>(data.data()), data.size(), &decoded, message))
        throw EInvalidGraphic(std::string("JPEG error: ") + message);
    const std::unique_ptr<unsigned char, TFreeRows> rows(decoded.Rows);

    auto fresh = std::make_unique<TBitmap>();
    fresh->SetPixelFormat(pf24bit);
    fresh->SetSize(decoded.Width, decoded.Height);
    const std::size_t width = static_cast<std::size_t>(decoded.Width);
    for (int y = 0; y < decoded.Height; ++y) {
        const unsigned char* from = rows.get() + static_cast<std::size_t>(y) * width * 3;
        auto* to = static_cast<unsigned char*>(fresh->ScanLine(y));
        for (std::size_t x = 0; x < width; ++x) {
            to[x * 3] = from[x * 3 + 2];
            to[x * 3 + 1] = from[x * 3 + 1];
            to[x * 3 + 2] = from[x * 3];
        }
    }
    delete bitmap_;
    bitmap_ = fresh.release();
    data_ = std::move(data);
    grayscale_ = decoded.Gray;
    Changed();
}

void TJPEGImage::SaveToStream(TStream& stream) {
    if (!data_.empty()) stream.WriteBuffer(data_.data(), static_cast<std::int32_t>(data_.size()));
}

void TJPEGImage::Draw(TCanvas* canvas, const TRect& rect) {
    canvas->StretchDraw(rect, bitmap_);
}

void TJPEGImage::AssignTo(TPersistent* dest) const {
    if (auto* bitmap = dynamic_cast<TBitmap*>(dest)) {
        bitmap->Assign(bitmap_);
        return;
    }
    TGraphic::AssignTo(dest);
}
