#include "platform/win/Locale.h"

#include "platform/rtl/Win1252.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include <langinfo.h>
#include <locale.h>

namespace {

struct LocaleId {
    const char* name;
    LCID id;
};

const LocaleId kLocales[] = {
    {"en_US", 0x0409}, {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009}, {"de_DE", 0x0407},
    {"de_AT", 0x0C07}, {"de_CH", 0x0807}, {"fr_FR", 0x040C}, {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C},
    {"it_IT", 0x0410}, {"es_ES", 0x0C0A}, {"es_MX", 0x080A}, {"nl_NL", 0x0413}, {"nl_BE", 0x0813},
    {"pt_BR", 0x0416}, {"pt_PT", 0x0816}, {"sv_SE", 0x041D}, {"da_DK", 0x0406}, {"nb_NO", 0x0414},
    {"fi_FI", 0x040B}, {"pl_PL", 0x0415}, {"cs_CZ", 0x0405}, {"hu_HU", 0x040E}, {"ru_RU", 0x0419},
    {"tr_TR", 0x041F}, {"el_GR", 0x0408}, {"ja_JP", 0x0411}, {"ko_KR", 0x0412}, {"zh_CN", 0x0804},
    {"zh_TW", 0x0404},
};

std::string EnvironmentLocaleName() {
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"})
        if (const char* v = std::getenv(var); v && *v) return v;
    return "C";
}

// The environment's locale, or "C" where that is not installed.
class Locale {
public:
    Locale() {
        loc_ = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(nullptr));
        if (loc_ == static_cast<locale_t>(nullptr)) loc_ = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    }
    ~Locale() {
        if (loc_ != static_cast<locale_t>(nullptr)) freelocale(loc_);
    }
    Locale(const Locale&) = delete;
    Locale& operator=(const Locale&) = delete;
    std::string Item(nl_item item) const {
        if (loc_ == static_cast<locale_t>(nullptr)) return {};
        const char* s = nl_langinfo_l(item, loc_);
        return s ? ToAnsi(s) : std::string();
    }

private:
    static std::string ToAnsi(const char* utf8) {
        std::u16string wide;
        const auto* p = reinterpret_cast<const unsigned char*>(utf8);
        while (*p) {
            char32_t c = *p;
            int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
            if (extra) c &= 0x3F >> extra;
            ++p;
            while (extra-- > 0 && (*p & 0xC0) == 0x80) c = c << 6 | (*p++ & 0x3F);
            wide += c > 0xFFFF ? u'?' : static_cast<char16_t>(c);
        }
        return Utf16ToWin1252(wide);
    }
    locale_t loc_;
};

// A strftime pattern in the system's picture form.
std::string Picture(const std::string& pattern) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%' || i + 1 == pattern.size()) {
            out += pattern[i];
            continue;
        }
        char c = pattern[++i];
        if ((c == 'E' || c == 'O' || c == '-') && i + 1 < pattern.size()) c = pattern[++i];
        switch (c) {
        case 'd': out += "dd"; break;
        case 'e': out += "d"; break;
        case 'm': out += "MM"; break;
        case 'b':
        case 'h': out += "MMM"; break;
        case 'B': out += "MMMM"; break;
        case 'a': out += "ddd"; break;
        case 'A': out += "dddd"; break;
        case 'y': out += "yy"; break;
        case 'Y': out += "yyyy"; break;
        case 'H': out += "HH"; break;
        case 'k': out += "H"; break;
        case 'I': out += "hh"; break;
        case 'l': out += "h"; break;
        case 'M': out += "mm"; break;
        case 'S': out += "ss"; break;
        case 'p': out += "tt"; break;
        case 'D': out += "MM/dd/yy"; break;
        case 'T': out += "HH:mm:ss"; break;
        case 'r': out += "hh:mm:ss tt"; break;
        case 'R': out += "HH:mm"; break;
        case 'F': out += "yyyy-MM-dd"; break;
        case '%': out += '%'; break;
        default: break;
        }
    }
    return out;
}

// The first character of a picture that is no field letter, blank or quote: its separator.
std::string Separator(const std::string& picture, const std::string& fallback) {
    for (char c : picture)
        if (!std::strchr("dMyHhmst '", c)) return std::string(1, c);
    return fallback;
}

std::string Grouping(const std::string& grouping) {
    if (grouping.empty() || grouping[0] <= 0 || grouping[0] == CHAR_MAX) return "0";
    std::string out = std::to_string(static_cast<int>(grouping[0]));
    if (grouping.size() > 1 && grouping[1] > 0 && grouping[1] != CHAR_MAX && grouping[1] != grouping[0])
        out += ";" + std::to_string(static_cast<int>(grouping[1]));
    return out + ";0";
}

bool Answer(LCTYPE type, std::string& text) {
    const Locale loc;
    switch (type) {
    case LOCALE_ICALENDARTYPE: text = "1"; return true;
    case LOCALE_IDIGITS: text = "2"; return true;
    case LOCALE_ILZERO: text = "1"; return true;
    case LOCALE_INEGNUMBER: text = "1"; return true;
    case LOCALE_IFIRSTWEEKOFYEAR: text = "0"; return true;
    case LOCALE_SPOSITIVESIGN: text = loc.Item(POSITIVE_SIGN); return true;
    case LOCALE_SNEGATIVESIGN: text = loc.Item(NEGATIVE_SIGN); if (text.empty()) text = "-"; return true;
    case LOCALE_SDECIMAL: text = loc.Item(RADIXCHAR); if (text.empty()) text = "."; return true;
    case LOCALE_STHOUSAND: text = loc.Item(THOUSEP); return true;
    case LOCALE_SGROUPING: text = Grouping(loc.Item(GROUPING)); return true;
    case LOCALE_SLIST: text = loc.Item(RADIXCHAR) == "," ? ";" : ","; return true;
    case LOCALE_SCURRENCY: {
        const std::string s = loc.Item(CRNCYSTR); // a leading -, + or . tells where it goes
        text = s.empty() ? std::string() : s.substr(1);
        return true;
    }
    case LOCALE_SMONDECIMALSEP: text = loc.Item(MON_DECIMAL_POINT); if (text.empty()) text = "."; return true;
    case LOCALE_SMONTHOUSANDSEP: text = loc.Item(MON_THOUSANDS_SEP); return true;
    case LOCALE_SMONGROUPING: text = Grouping(loc.Item(MON_GROUPING)); return true;
    case LOCALE_ICURRDIGITS: {
        const std::string d = loc.Item(FRAC_DIGITS);
        const int n = d.empty() ? 2 : static_cast<unsigned char>(d[0]);
        text = std::to_string(n == CHAR_MAX || n > 9 ? 2 : n);
        return true;
    }
    case LOCALE_ICURRENCY:
    case LOCALE_INEGCURR: {
        const std::string precedes = loc.Item(P_CS_PRECEDES), space = loc.Item(P_SEP_BY_SPACE);
        const bool before = precedes.empty() || precedes[0] == 1;
        const bool sep = !space.empty() && space[0] == 1;
        if (type == LOCALE_ICURRENCY)
            text = before ? (sep ? "2" : "0") : (sep ? "3" : "1");
        else
            text = before ? (sep ? "9" : "1") : (sep ? "8" : "5");
        return true;
    }
    case LOCALE_IMEASURE: {
        const std::string m = loc.Item(_NL_MEASUREMENT_MEASUREMENT);
        text = !m.empty() && m[0] == 2 ? "1" : "0";
        return true;
    }
    case LOCALE_IFIRSTDAYOFWEEK: {
        // The locale counts Sunday as 1; the system counts Monday as 0.
        const std::string f = loc.Item(_NL_TIME_FIRST_WEEKDAY);
        const int first = f.empty() ? 1 : static_cast<unsigned char>(f[0]);
        text = std::to_string((first + 5) % 7);
        return true;
    }
    case LOCALE_S1159: text = loc.Item(AM_STR); return true;
    case LOCALE_S2359: text = loc.Item(PM_STR); return true;
    case LOCALE_SSHORTDATE: text = Picture(loc.Item(D_FMT)); return true;
    case LOCALE_SLONGDATE:
        // The locale has no long-date pattern of its own: the day's name, then the date with the
        // month's name in the order of the short date.
        text = Picture(loc.Item(D_FMT)).find('M') < Picture(loc.Item(D_FMT)).find('d') ? "dddd, MMMM d, yyyy"
                                                                                       : "dddd, d MMMM yyyy";
        return true;
    case LOCALE_STIMEFORMAT: text = Picture(loc.Item(T_FMT)); return true;
    case LOCALE_SDATE: text = Separator(Picture(loc.Item(D_FMT)), "/"); return true;
    case LOCALE_STIME: text = Separator(Picture(loc.Item(T_FMT)), ":"); return true;
    case LOCALE_ITIME: {
        const std::string t = Picture(loc.Item(T_FMT));
        text = t.find('H') != std::string::npos ? "1" : "0";
        return true;
    }
    default: return false;
    }
}

} // namespace

LCID LocaleNameToLCID(const std::string& name) {
    const std::string base = name.substr(0, name.find_first_of(".@"));
    for (const LocaleId& l : kLocales)
        if (base == l.name) return l.id;
    const std::string lang = base.substr(0, 2);
    for (const LocaleId& l : kLocales)
        if (lang == std::string(l.name).substr(0, 2)) return l.id;
    return 0x0409;
}

LCID GetThreadLocale() {
    return LocaleNameToLCID(EnvironmentLocaleName());
}

LCID GetUserDefaultLCID() {
    return GetThreadLocale();
}

LCID GetSystemDefaultLCID() {
    return GetThreadLocale();
}

LANGID GetSystemDefaultLangID() {
    return static_cast<LANGID>(GetSystemDefaultLCID() & 0xFFFF);
}

int GetLocaleInfo(LCID, LCTYPE type, char* data, int size) {
    std::string text;
    if (!Answer(type, text)) return 0;
    const int need = static_cast<int>(text.size()) + 1;
    if (size == 0) return need;
    if (!data || size < need) return 0;
    std::memcpy(data, text.c_str(), static_cast<std::size_t>(need));
    return need;
}

std::string GetLocaleStr(LCID locale, LCTYPE type, const std::string& Default) {
    char buffer[256];
    const int n = GetLocaleInfo(locale, type, buffer, sizeof buffer);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n - 1)) : Default;
}
