#include "platform/rtl/Win1252.h"

namespace {

// 0x80 to 0x9F; the undefined bytes stand for themselves.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

char16_t Win1252ToUnicode(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : static_cast<char16_t>(byte);
}

int UnicodeToWin1252(char16_t ch) {
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return ch;
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == ch) return 0x80 + i;
    return -1;
}

std::u16string Win1252ToUtf16(const std::string& text) {
    std::u16string out;
    out.reserve(text.size());
    for (const char ch : text) out.push_back(Win1252ToUnicode(static_cast<unsigned char>(ch)));
    return out;
}

std::string Utf16ToWin1252(const std::u16string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int b = UnicodeToWin1252(text[i]);
        out.push_back(b < 0 ? '?' : static_cast<char>(b));
        if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) ++i;
    }
    return out;
}
