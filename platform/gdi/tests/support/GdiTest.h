// Helpers of the drawing layer's tests: a DC over a fresh bitmap, pictures of its pixels as rows of
// characters, and the font engine set up for text tests.
#pragma once

#include "platform/gdi/Gdi.h"

#include <map>
#include <ostream>
#include <string>
#include <vector>

inline bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline std::ostream& operator<<(std::ostream& os, const RECT& r) {
    return os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

// A memory DC holding a bitmap of the given depth (a DIB section, or a monochrome device bitmap for
// depth 1 when ddb is set), filled white.
class TestDc {
public:
    TestDc(int width, int height, int bpp = 32, bool ddb = false);
    ~TestDc();
    TestDc(const TestDc&) = delete;
    TestDc& operator=(const TestDc&) = delete;

    operator HDC() const { return dc; }
    COLORREF At(int x, int y) const;
    void Fill(COLORREF color);
    // Rows of the rectangle, each pixel as the legend's character for its colour ('?' for others).
    std::vector<std::string> Picture(const RECT& r, const std::map<COLORREF, char>& legend) const;
    std::vector<std::string> Picture(const std::map<COLORREF, char>& legend) const {
        return Picture(RECT{0, 0, width, height}, legend);
    }
    // Bounding box of the pixels that differ from `background`; empty when none do.
    RECT InkBox(COLORREF background) const;

    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    void* bits = nullptr;
    int width = 0;
    int height = 0;
};

inline constexpr COLORREF kWhite = RGB(255, 255, 255);
inline constexpr COLORREF kBlack = RGB(0, 0, 0);
inline constexpr COLORREF kRed = RGB(255, 0, 0);
inline constexpr COLORREF kGreen = RGB(0, 255, 0);
inline constexpr COLORREF kBlue = RGB(0, 0, 255);
inline constexpr COLORREF kGrey = RGB(128, 128, 128);
inline constexpr COLORREF kSilver = RGB(192, 192, 192);

// '.' white, '#' black, 'r' red, 'g' green, 'b' blue, 'x' grey, 's' silver.
const std::map<COLORREF, char>& BasicLegend();

// Sets up a QGuiApplication (offscreen) once; returns an empty string when text can be drawn, or
// what is missing.
std::string PrepareText();

// A font by the original's conventions (negative height: character height in pixels).
HFONT MakeFont(const char* face, int height, int weight = FW_NORMAL, int escapement = 0, bool italic = false,
               bool underline = false);
