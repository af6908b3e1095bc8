#include "visual_controls/tests/support/LetterPicture.h"

#include "platform/ui/Graphics.h"

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
