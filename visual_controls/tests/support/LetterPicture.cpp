#include "visual_controls/tests/support/LetterPicture.h"

#include "platform/ui/Graphics.h"

#include <vector>

namespace {

TColor ColorOf(char c) {
    switch (c) {
    case 'K':
        return clBlack;
    case 'S':
        return TColor(0x808080);
    case 'L':
        return clWhite;
    case 'F':
        return TColor(0xC0C0C0);
    case 'R':
        return clRed;
    case 'B':
        return clBlue;
    case 'G':
        return clLime;
    default:
        return clYellow;
    }
}

} // namespace

void Make(TBitmap& b, std::initializer_list<const char*> rows) {
    const std::vector<std::string> r(rows.begin(), rows.end());
    b.SetPixelFormat(pf24bit);
    b.SetSize(static_cast<int>(r[0].size()), static_cast<int>(r.size()));
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) b.Canvas()->SetPixels(x, y, ColorOf(r[y][x]));
}

void Blank(TBitmap& b, int w, int h) {
    b.SetPixelFormat(pf24bit);
    b.SetSize(w, h);
    b.Canvas()->Brush()->SetStyle(bsSolid);
    b.Canvas()->Brush()->SetColor(clYellow);
    b.Canvas()->FillRect(TRect(0, 0, w, h));
}

std::string Picture(TBitmap& b) {
    std::string out;
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            switch (ColorToRGB(b.Canvas()->Pixels(x, y))) {
            case 0x00FFFF:
                out += '.';
                break;
            case 0x000000:
                out += 'K';
                break;
            case 0x808080:
                out += 'S';
                break;
            case 0xFFFFFF:
                out += 'L';
                break;
            case 0xC0C0C0:
                out += 'F';
                break;
            case 0x0000FF:
                out += 'R';
                break;
            case 0xFF0000:
                out += 'B';
                break;
            case 0x00FF00:
                out += 'G';
                break;
            default:
                out += '?';
            }
        }
        out += '\n';
    }
    return out;
}

std::string Rows(std::initializer_list<const char*> rows) {
    std::string out;
    for (const char* r : rows) out += std::string(r) + "\n";
    return out;
}
