#include "platform/rtl/Strings.h"

#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

unsigned char Byte(char c) {
    return static_cast<unsigned char>(c);
}

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}
char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// Windows-1252 letter pairs outside ASCII: S, OE and Z with their marks, Y diaeresis, and the Latin-1
// letters except the multiplication and division signs. Sharp s has no upper case in the code page.
unsigned char AnsiUpperByte(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
    switch (c) {
    case 0x9A:
        return 0x8A;
    case 0x9C:
        return 0x8C;
    case 0x9E:
        return 0x8E;
    case 0xFF:
        return 0x9F;
    default:
        break;
    }
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
    return c;
}

unsigned char AnsiLowerByte(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
    switch (c) {
    case 0x8A:
        return 0x9A;
    case 0x8C:
        return 0x9C;
    case 0x8E:
        return 0x9E;
    case 0x9F:
        return 0xFF;
    default:
        break;
    }
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 0x20);
    return c;
}

int Sign(int v) {
    return (v > 0) - (v < 0);
}

// Val's integer syntax: blanks, sign, then decimal digits or "$" / "0x" and hex digits, nothing after.
// limit is the largest magnitude a positive decimal may have; hex accepts up to hexMax and wraps.
bool ParseInteger(const std::string& s, std::uint64_t limit, std::uint64_t hexMax, std::uint64_t& magnitude,
                  bool& negative) {
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n && s[i] == ' ') ++i;
    negative = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < n && s[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= n) return false;
    std::uint64_t v = 0;
    for (; i < n; ++i) {
        const char c = s[i];
        unsigned d;
        if (c >= '0' && c <= '9')
            d = static_cast<unsigned>(c - '0');
        else if (hex && c >= 'a' && c <= 'f')
            d = static_cast<unsigned>(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F')
            d = static_cast<unsigned>(c - 'A' + 10);
        else
            return false;
        if (hex) {
            if (v > (hexMax >> 4)) return false;
            v = (v << 4) | d;
        } else {
            // The negative side holds one more than the positive side.
            const std::uint64_t max = negative ? limit + 1 : limit;
            if (v > (max - d) / 10) return false;
            v = v * 10 + d;
        }
    }
    magnitude = v;
    return true;
}

[[noreturn]] void RaiseInvalidInteger(const std::string& s) {
    throw EConvertError("'" + s + "' is not a valid integer value");
}

int LastDelimiter(const char* delimiters, const std::string& s) {
    const std::size_t i = s.find_last_of(delimiters);
    return i == std::string::npos ? 0 : static_cast<int>(i) + 1;
}

} // namespace

// --- Positions, copies and edits --------------------------------------------------------------------

int Pos(const std::string& sub, const std::string& s) {
    return PosEx(sub, s, 1);
}

int PosEx(const std::string& sub, const std::string& s, int offset) {
    if (sub.empty() || offset < 1 || offset > Length(s)) return 0;
    const std::size_t i = s.find(sub, static_cast<std::size_t>(offset - 1));
    return i == std::string::npos ? 0 : static_cast<int>(i) + 1;
}

std::string Copy(const std::string& s, int index, int count) {
    const int len = Length(s);
    if (index < 1) index = 1;
    if (index > len || count < 1) return {};
    count = std::min(count, len - index + 1);
    return s.substr(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(count));
}

void Delete(std::string& s, int index, int count) {
    const int len = Length(s);
    if (index < 1 || index > len || count < 1) return;
    count = std::min(count, len - index + 1);
    s.erase(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(count));
}

void Insert(const std::string& sub, std::string& s, int index) {
    index = std::clamp(index, 1, Length(s) + 1);
    s.insert(static_cast<std::size_t>(index - 1), sub);
}

int Length(const std::string& s) {
    return static_cast<int>(s.size());
}

void SetLength(std::string& s, int newLength) {
    s.resize(static_cast<std::size_t>(std::max(newLength, 0)), '\0');
}

std::string StringOfChar(char c, int count) {
    return std::string(static_cast<std::size_t>(std::max(count, 0)), c);
}

std::string Trim(const std::string& s) {
    return TrimLeft(TrimRight(s));
}

std::string TrimLeft(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size() && Byte(s[i]) <= ' ') ++i;
    return s.substr(i);
}

std::string TrimRight(const std::string& s) {
    std::size_t n = s.size();
    while (n > 0 && Byte(s[n - 1]) <= ' ') --n;
    return s.substr(0, n);
}

std::string UpperCase(const std::string& s) {
    std::string r = s;
    for (char& c : r) c = AsciiUpper(c);
    return r;
}

std::string LowerCase(const std::string& s) {
    std::string r = s;
    for (char& c : r) c = AsciiLower(c);
    return r;
}

std::string AnsiUpperCase(const std::string& s) {
    std::string r = s;
    for (char& c : r) c = static_cast<char>(AnsiUpperByte(Byte(c)));
    return r;
}

std::string AnsiLowerCase(const std::string& s) {
    std::string r = s;
    for (char& c : r) c = static_cast<char>(AnsiLowerByte(Byte(c)));
    return r;
}

int CompareStr(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return Byte(a[i]) - Byte(b[i]);
    return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

int CompareText(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char ca = AsciiUpper(a[i]), cb = AsciiUpper(b[i]);
        if (ca != cb) return Byte(ca) - Byte(cb);
    }
    return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

bool SameText(const std::string& a, const std::string& b) {
    return CompareText(a, b) == 0;
}

int AnsiCompareText(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = AnsiLowerByte(Byte(a[i])), cb = AnsiLowerByte(Byte(b[i]));
        if (ca != cb) return Sign(ca - cb);
    }
    return Sign(static_cast<int>(a.size()) - static_cast<int>(b.size()));
}

int AnsiCompareStr(const std::string& a, const std::string& b) {
    if (const int r = AnsiCompareText(a, b); r != 0) return r;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return AnsiLowerByte(Byte(a[i])) == Byte(a[i]) ? -1 : 1;
    return 0;
}

// --- Numbers ----------------------------------------------------------------------------------------

std::string IntToStr(std::int64_t value) {
    return std::to_string(value);
}

namespace {
std::string Hex(std::uint64_t v, int digits) {
    static const char hexDigits[] = "0123456789ABCDEF";
    std::string r;
    do {
        r.insert(r.begin(), hexDigits[v & 15]);
        v >>= 4;
    } while (v != 0);
    if (Length(r) < digits) r.insert(0, static_cast<std::size_t>(digits - Length(r)), '0');
    return r;
}
} // namespace

std::string IntToHex(std::int32_t value, int digits) {
    return Hex(static_cast<std::uint32_t>(value), digits);
}

std::string IntToHex(std::int64_t value, int digits) {
    return Hex(static_cast<std::uint64_t>(value), digits);
}

bool TryStrToInt(const std::string& s, int& value) {
    std::uint64_t m;
    bool negative;
    if (!ParseInteger(s, INT_MAX, UINT32_MAX, m, negative)) return false;
    const std::uint32_t bits = static_cast<std::uint32_t>(m);
    value = static_cast<int>(negative ? 0u - bits : bits);
    return true;
}

int StrToInt(const std::string& s) {
    int v;
    if (!TryStrToInt(s, v)) RaiseInvalidInteger(s);
    return v;
}

int StrToIntDef(const std::string& s, int defaultValue) {
    int v;
    return TryStrToInt(s, v) ? v : defaultValue;
}

bool TryStrToInt64(const std::string& s, std::int64_t& value) {
    std::uint64_t m;
    bool negative;
    if (!ParseInteger(s, INT64_MAX, UINT64_MAX, m, negative)) return false;
    value = static_cast<std::int64_t>(negative ? 0u - m : m);
    return true;
}

std::int64_t StrToInt64(const std::string& s) {
    std::int64_t v;
    if (!TryStrToInt64(s, v)) RaiseInvalidInteger(s);
    return v;
}

// --- Replacing and quoting --------------------------------------------------------------------------

std::string StringReplace(const std::string& s, const std::string& oldPattern, const std::string& newPattern,
                          TReplaceFlags flags) {
    if (oldPattern.empty()) return s;
    const bool ignoreCase = flags.Contains(rfIgnoreCase);
    const std::string search = ignoreCase ? AnsiUpperCase(s) : s;
    const std::string pattern = ignoreCase ? AnsiUpperCase(oldPattern) : oldPattern;
    std::string result;
    std::size_t from = 0;
    while (from < s.size()) {
        const std::size_t at = search.find(pattern, from);
        if (at == std::string::npos) break;
        result.append(s, from, at - from);
        result += newPattern;
        from = at + pattern.size();
        if (!flags.Contains(rfReplaceAll)) break;
    }
    result.append(s, std::min(from, s.size()), std::string::npos);
    return result;
}

std::string QuotedStr(const std::string& s) {
    std::string r = "'";
    for (char c : s) {
        if (c == '\'') r += '\'';
        r += c;
    }
    r += '\'';
    return r;
}

std::string AdjustLineBreaks(const std::string& s) {
    std::string r;
    r.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '\r' || c == '\n') {
            const char other = c == '\r' ? '\n' : '\r';
            if (i + 1 < s.size() && s[i + 1] == other) ++i;
            r += "\r\n";
        } else {
            r += c;
        }
    }
    return r;
}

// --- Zero-terminated strings ------------------------------------------------------------------------

std::size_t StrLen(const char* s) {
    return s ? std::strlen(s) : 0;
}

char* StrEnd(char* s) {
    return s + std::strlen(s);
}

const char* StrEnd(const char* s) {
    return s + std::strlen(s);
}

char* StrCopy(char* dest, const char* source) {
    std::memmove(dest, source, std::strlen(source) + 1);
    return dest;
}

char* StrLCopy(char* dest, const char* source, std::size_t maxLen) {
    std::size_t n = 0;
    while (n < maxLen && source[n] != '\0') ++n;
    std::memmove(dest, source, n);
    dest[n] = '\0';
    return dest;
}

char* StrPCopy(char* dest, const std::string& source) {
    return StrCopy(dest, source.c_str());
}

char* StrPLCopy(char* dest, const std::string& source, std::size_t maxLen) {
    return StrLCopy(dest, source.c_str(), maxLen);
}

char* StrCat(char* dest, const char* source) {
    StrCopy(StrEnd(dest), source);
    return dest;
}

int StrComp(const char* a, const char* b) {
    std::size_t i = 0;
    while (a[i] != '\0' && a[i] == b[i]) ++i;
    return Byte(a[i]) - Byte(b[i]);
}

int StrIComp(const char* a, const char* b) {
    std::size_t i = 0;
    while (a[i] != '\0' && AsciiUpper(a[i]) == AsciiUpper(b[i])) ++i;
    return Byte(AsciiUpper(a[i])) - Byte(AsciiUpper(b[i]));
}

const char* StrPos(const char* s, const char* sub) {
    if (s == nullptr || sub == nullptr || *sub == '\0') return nullptr;
    return std::strstr(s, sub);
}

char* StrPos(char* s, const char* sub) {
    return const_cast<char*>(StrPos(static_cast<const char*>(s), sub));
}

std::string StrPas(const char* s) {
    return s ? std::string(s) : std::string();
}

// --- File names -------------------------------------------------------------------------------------

std::string ExtractFileName(const std::string& fileName) {
    return Copy(fileName, LastDelimiter("\\/:", fileName) + 1, INT_MAX);
}

std::string ExtractFilePath(const std::string& fileName) {
    return Copy(fileName, 1, LastDelimiter("\\/:", fileName));
}

std::string ExtractFileExt(const std::string& fileName) {
    const int i = LastDelimiter(".\\/:", fileName);
    if (i > 0 && fileName[static_cast<std::size_t>(i - 1)] == '.') return Copy(fileName, i, INT_MAX);
    return {};
}

std::string ChangeFileExt(const std::string& fileName, const std::string& extension) {
    int i = LastDelimiter(".\\/:", fileName);
    if (i == 0 || fileName[static_cast<std::size_t>(i - 1)] != '.') i = Length(fileName) + 1;
    return Copy(fileName, 1, i - 1) + extension;
}

std::string PosixFileName(const std::string& fileName) {
    std::string name = fileName;
    if (name.size() >= 2 && (name[0] == 'C' || name[0] == 'c') && name[1] == ':') name.erase(0, 2);
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

bool FileExists(const std::string& fileName) {
    struct stat st;
    return ::stat(PosixFileName(fileName).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DeleteFile(const std::string& fileName) {
    return ::unlink(PosixFileName(fileName).c_str()) == 0;
}

std::string GetCurrentDir() {
    std::vector<char> buffer(256);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return {};
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}
