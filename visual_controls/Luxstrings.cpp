#include "visual_controls/Luxstrings.h"

#include "platform/rtl/Strings.h"

#include <algorithm>

std::string LuxAddCharL(const std::string& s, int len, char ch) {
    const int missing = len - static_cast<int>(s.size());
    return missing > 0 ? std::string(static_cast<std::size_t>(missing), ch) + s : s;
}

std::string LuxAddCharR(const std::string& s, int len, char ch) {
    const int missing = len - static_cast<int>(s.size());
    return missing > 0 ? s + std::string(static_cast<std::size_t>(missing), ch) : s;
}

std::string LuxAddSpaceL(const std::string& s, int len) {
    return LuxAddCharL(s, len, ' ');
}

std::string LuxAddSpaceR(const std::string& s, int len) {
    return LuxAddCharR(s, len, ' ');
}

std::string LuxAddZeroL(const std::string& s, int len) {
    return LuxAddCharL(s, len, '0');
}

std::string LuxAddZeroR(const std::string& s, int len) {
    return LuxAddCharR(s, len, '0');
}

std::string LuxFillString(int n, char ch) {
    return n > 0 ? std::string(static_cast<std::size_t>(n), ch) : std::string();
}

std::string LuxSpace(int n) {
    return LuxFillString(n, ' ');
}

std::string LuxReplaceChar(const std::string& s, char oldChar, char newChar) {
    std::string r = s;
    std::replace(r.begin(), r.end(), oldChar, newChar);
    return r;
}

std::string LuxCodeString(std::span<const std::string> values, char delimiter) {
    std::string r;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) r += delimiter;
        r += values[i];
    }
    return r;
}

std::string LuxCodeInt(std::span<const int> values, char delimiter) {
    std::string r;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) r += delimiter;
        r += IntToStr(values[i]);
    }
    return r;
}

int LuxGetCodedCount(const std::string& s, char delimiter) {
    return s.empty() ? 0 : LuxCount(s, delimiter) + 1;
}

namespace {

// Start and end (exclusive) of field index, or false when s has fewer than index delimiters.
bool FieldBounds(const std::string& s, char delimiter, int index, std::size_t& start, std::size_t& end) {
    if (index < 0) return false;
    start = 0;
    for (int n = 0; n < index; ++n) {
        const std::size_t d = s.find(delimiter, start);
        if (d == std::string::npos) return false;
        start = d + 1;
    }
    end = s.find(delimiter, start);
    if (end == std::string::npos) end = s.size();
    return true;
}

} // namespace

std::string LuxGetCodedString(const std::string& s, char delimiter, int index) {
    std::size_t start, end;
    return FieldBounds(s, delimiter, index, start, end) ? s.substr(start, end - start) : std::string();
}

int LuxGetCodedInt(const std::string& s, char delimiter, int index) {
    const std::string field = LuxGetCodedString(s, delimiter, index);
    return field.empty() ? -1 : StrToInt(field);
}

void LuxSetCodedString(std::string& s, const std::string& value, char delimiter, int index) {
    if (index < 0) return;
    const int have = LuxCount(s, delimiter);
    if (have < index) s.append(static_cast<std::size_t>(index - have), delimiter);
    std::size_t start, end;
    FieldBounds(s, delimiter, index, start, end);
    s.replace(start, end - start, value);
}

int LuxCount(const std::string& s, char ch) {
    return static_cast<int>(std::count(s.begin(), s.end(), ch));
}

int LuxBackPos(char ch, const std::string& s) {
    const std::size_t p = s.rfind(ch);
    return p == std::string::npos ? 0 : static_cast<int>(p) + 1;
}

int LuxScanToNumber(const std::string& s) {
    // The system code page, Windows-1252, has no lead bytes: every byte is a character.
    for (std::size_t i = 0; i < s.size(); ++i)
        if (s[i] >= '0' && s[i] <= '9') return static_cast<int>(i) + 1;
    return 0;
}

bool LuxEmpty(const std::string& s) {
    return s.find_first_not_of(' ') == std::string::npos;
}

std::string LuxTrimL(const std::string& s) {
    return TrimLeft(s);
}

std::string LuxTrimR(const std::string& s) {
    return TrimRight(s);
}

std::string LuxTrim(const std::string& s) {
    return Trim(s);
}

std::string LuxGetFirstString(const std::string& s, char ch) {
    const std::size_t p = s.find(ch);
    return p == std::string::npos ? s : s.substr(0, p);
}

std::string LuxGetSecondString(const std::string& s, char ch) {
    const std::size_t p = s.find(ch);
    return p == std::string::npos ? s : s.substr(p + 1, 255);
}

std::string LuxSlashAdd(const std::string& s) {
    if (!LuxEmpty(s) && s.back() == '\\') return s;
    return s + '\\';
}

std::string LuxSlashRemove(const std::string& s) {
    if (LuxEmpty(s) || s.back() != '\\') return s;
    return s.substr(0, s.size() - 1);
}
