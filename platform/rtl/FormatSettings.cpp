#include "platform/rtl/FormatSettings.h"

#include "platform/rtl/Win1252.h"

#include <clocale>
#include <langinfo.h>
#include <locale.h>

namespace {

// A separator as one Windows-1252 byte; an empty text gives '\0', one the code page lacks `fallback`.
char SeparatorByte(const char* text, char fallback) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    if (p == nullptr || p[0] == 0) return '\0';
    if (p[0] < 0x80) return static_cast<char>(p[0]);
    // UTF-8 lead bytes of two and three byte sequences; separators are never outside the BMP.
    char16_t ch = 0;
    if ((p[0] & 0xE0) == 0xC0 && (p[1] & 0xC0) == 0x80)
        ch = static_cast<char16_t>(((p[0] & 0x1F) << 6) | (p[1] & 0x3F));
    else if ((p[0] & 0xF0) == 0xE0 && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80)
        ch = static_cast<char16_t>(((p[0] & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
    // A narrow no-break space is a no-break space to the code page.
    if (ch == u'\u202F') ch = u'\u00A0';
    const int byte = ch != 0 ? UnicodeToWin1252(ch) : -1;
    return byte >= 0 ? static_cast<char>(byte) : fallback;
}

// A strftime pattern in FormatDateTime tokens. The first separator met between fields becomes
// `separator`, and every occurrence of it turns into `placeholder` ('/' or ':').
std::string ConvertPattern(const std::string& pattern, char placeholder, char& separator) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c != '%') {
            if (separator == '\0' && !out.empty() && c != ' ') separator = c;
            out += (c == separator) ? placeholder : c;
            continue;
        }
        if (++i >= pattern.size()) break;
        char conv = pattern[i];
        // Flags and widths of the GNU extensions change nothing we keep.
        while ((conv == 'E' || conv == 'O' || conv == '-' || conv == '_' || conv == '0' || conv == '^' ||
                conv == '#') &&
               i + 1 < pattern.size())
            conv = pattern[++i];
        switch (conv) {
        case 'd':
            out += "dd";
            break;
        case 'e':
            out += "d";
            break;
        case 'm':
            out += "mm";
            break;
        case 'b':
        case 'h':
            out += "mmm";
            break;
        case 'B':
            out += "mmmm";
            break;
        case 'y':
            out += "yy";
            break;
        case 'Y':
            out += "yyyy";
            break;
        case 'a':
            out += "ddd";
            break;
        case 'A':
            out += "dddd";
            break;
        case 'H':
        case 'I':
            out += "hh";
            break;
        case 'k':
        case 'l':
            out += "h";
            break;
        case 'M':
            out += "nn";
            break;
        case 'S':
            out += "ss";
            break;
        case 'p':
        case 'P':
            out += "AMPM";
            break;
        case 'D':
            out += ConvertPattern("%m/%d/%y", placeholder, separator);
            break;
        case 'F':
            out += ConvertPattern("%Y-%m-%d", placeholder, separator);
            break;
        case 'T':
            out += ConvertPattern("%H:%M:%S", placeholder, separator);
            break;
        case 'R':
            out += ConvertPattern("%H:%M", placeholder, separator);
            break;
        case 'r':
            out += ConvertPattern("%I:%M:%S %p", placeholder, separator);
            break;
        case '%':
            out += '%';
            break;
        default:
            break;
        }
    }
    return out;
}

// Plain ASCII texts are taken as they are; others keep the default.
std::string AsciiText(const char* text, const std::string& fallback) {
    if (text == nullptr || *text == '\0') return fallback;
    for (const char* p = text; *p; ++p)
        if (static_cast<unsigned char>(*p) >= 0x80) return fallback;
    return text;
}

// The time pattern without its seconds (and the separator before them).
std::string WithoutSeconds(const std::string& pattern) {
    const std::size_t s = pattern.find("ss");
    if (s == std::string::npos) return pattern;
    std::size_t start = s;
    if (start > 0 && pattern[start - 1] == ':') --start;
    return pattern.substr(0, start) + pattern.substr(s + 2);
}

TFormatSettings FromLocale(locale_t loc) {
    TFormatSettings fs;
    fs.DecimalSeparator = SeparatorByte(nl_langinfo_l(RADIXCHAR, loc), '.');
    if (fs.DecimalSeparator == '\0') fs.DecimalSeparator = '.';
    fs.ThousandSeparator = SeparatorByte(nl_langinfo_l(THOUSEP, loc), ' ');
    if (fs.ThousandSeparator == fs.DecimalSeparator) fs.ThousandSeparator = '\0';

    char dateSep = '\0';
    fs.ShortDateFormat = ConvertPattern(nl_langinfo_l(D_FMT, loc), '/', dateSep);
    fs.DateSeparator = dateSep != '\0' ? dateSep : '/';
    char timeSep = '\0';
    fs.LongTimeFormat = ConvertPattern(nl_langinfo_l(T_FMT, loc), ':', timeSep);
    fs.TimeSeparator = timeSep != '\0' ? timeSep : ':';
    fs.ShortTimeFormat = WithoutSeconds(fs.LongTimeFormat);
    fs.TimeAMString = AsciiText(nl_langinfo_l(AM_STR, loc), fs.TimeAMString);
    fs.TimePMString = AsciiText(nl_langinfo_l(PM_STR, loc), fs.TimePMString);
    return fs;
}

} // namespace

TFormatSettings GetLocaleFormatSettings(const std::string& localeName) {
    locale_t loc = newlocale(LC_ALL_MASK, localeName.c_str(), static_cast<locale_t>(nullptr));
    if (loc == static_cast<locale_t>(nullptr))
        loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    if (loc == static_cast<locale_t>(nullptr)) return TFormatSettings();
    TFormatSettings fs = FromLocale(loc);
    freelocale(loc);
    return fs;
}

TFormatSettings FormatSettings = GetLocaleFormatSettings();
