#include "GdiTest.h"

#include <QGuiApplication>

#include <cstring>

TestDc::TestDc(int w, int h, int bpp, bool ddb) : width(w), height(h) {
    dc = CreateCompatibleDC(nullptr);
    if (ddb) {
        bitmap = CreateBitmap(w, h, 1, static_cast<UINT>(bpp), nullptr);
    } else {
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colors[256];
        } info{};
        info.header.biWidth = w;
        info.header.biHeight = -h;
        info.header.biBitCount = static_cast<WORD>(bpp);
        if (bpp == 1) {
            info.colors[1] = RGBQUAD{255, 255, 255, 0};
        } else if (bpp <= 8) {
            // Black, white, then the basic colours the tests draw with.
            const COLORREF colors[] = {kBlack, kWhite, kRed, kGreen, kBlue, kGrey, kSilver};
            for (std::size_t i = 0; i < std::size(colors); ++i)
                info.colors[i] = RGBQUAD{GetBValue(colors[i]), GetGValue(colors[i]), GetRValue(colors[i]), 0};
            info.header.biClrUsed = bpp == 4 ? 16 : 256;
        }
        bitmap = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, 0, 0);
    }
    old = SelectObject(dc, bitmap);
    Fill(kWhite);
}

TestDc::~TestDc() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

COLORREF TestDc::At(int x, int y) const {
    return GetPixel(dc, x, y);
}

void TestDc::Fill(COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    RECT r{0, 0, width, height};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

std::vector<std::string> TestDc::Picture(const RECT& r, const std::map<COLORREF, char>& legend) const {
    std::vector<std::string> rows;
    for (int y = r.top; y < r.bottom; ++y) {
        std::string row;
        for (int x = r.left; x < r.right; ++x) {
            auto it = legend.find(At(x, y));
            row.push_back(it == legend.end() ? '?' : it->second);
        }
        rows.push_back(row);
    }
    return rows;
}

RECT TestDc::InkBox(COLORREF background) const {
    RECT box{width, height, 0, 0};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (At(x, y) != background) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    if (box.left >= box.right) return RECT{};
    return box;
}

const std::map<COLORREF, char>& BasicLegend() {
    static const std::map<COLORREF, char> legend{{kWhite, '.'}, {kBlack, '#'}, {kRed, 'r'},   {kGreen, 'g'},
                                                 {kBlue, 'b'},  {kGrey, 'x'},  {kSilver, 's'}};
    return legend;
}

std::string PrepareText() {
    static int argc = 1;
    static char name[] = "gdi_test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QGuiApplication(argc, argv);
    }
    std::string why;
    return GdiTextAvailable(&why) ? std::string() : why;
}

HFONT MakeFont(const char* face, int height, int weight, int escapement, bool italic, bool underline) {
    LOGFONT lf;
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfEscapement = escapement;
    lf.lfItalic = italic ? 1 : 0;
    lf.lfUnderline = underline ? 1 : 0;
    std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirect(&lf);
}
