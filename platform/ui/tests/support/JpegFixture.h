// JPEG files written with libjpeg for the reader's tests (and its fuzz seeds): colour, grey,
// progressive and CMYK, in four coloured quadrants.
#pragma once

#include "platform/gdi/Types.h"

#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace jpeg_fixture {

enum class TKind { Rgb, Gray, Progressive, Cmyk };

// Four quadrants: red top-left, green top-right, blue bottom-left, white bottom-right. Sides are
// multiples of 16 so that no block straddles two colours.
inline COLORREF QuadrantColour(int x, int y, int w, int h) {
    const bool right = x >= w / 2;
    const bool bottom = y >= h / 2;
    if (!bottom) return right ? RGB(0, 255, 0) : RGB(255, 0, 0);
    return right ? RGB(255, 255, 255) : RGB(0, 0, 255);
}

inline std::string WriteJpeg(int w, int h, TKind kind) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(w);
    cinfo.image_height = static_cast<JDIMENSION>(h);
    cinfo.input_components = kind == TKind::Gray ? 1 : kind == TKind::Cmyk ? 4 : 3;
    cinfo.in_color_space = kind == TKind::Gray ? JCS_GRAYSCALE : kind == TKind::Cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    for (int i = 0; i < cinfo.num_components; ++i)
        cinfo.comp_info[i].h_samp_factor = cinfo.comp_info[i].v_samp_factor = 1;
    if (kind == TKind::Progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(static_cast<std::size_t>(w * cinfo.input_components));
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < w; ++x) {
            const COLORREF c = QuadrantColour(x, y, w, h);
            unsigned char* p = &row[static_cast<std::size_t>(x * cinfo.input_components)];
            if (kind == TKind::Gray) {
                p[0] = static_cast<unsigned char>(x * 255 / (w - 1));
            } else if (kind == TKind::Cmyk) {
                // Stored inverted, as files with the Adobe marker keep CMYK.
                p[0] = GetRValue(c);
                p[1] = GetGValue(c);
                p[2] = GetBValue(c);
                p[3] = 255;
            } else {
                p[0] = GetRValue(c);
                p[1] = GetGValue(c);
                p[2] = GetBValue(c);
            }
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return out;
}

} // namespace jpeg_fixture
