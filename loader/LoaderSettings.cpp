#include "loader/LoaderSettings.h"

#include <fstream>
#include <iterator>
#include <limits>

namespace {

constexpr std::size_t MaxLine = 351;
constexpr int LastDataLine = 29;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string SkipBlanks(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    return s.substr(i);
}

std::optional<int> InRange(const std::string& value, int low, int high) {
    const std::optional<int> n = LeadingInt(value);
    if (!n || *n < low || *n > high) return std::nullopt;
    return n;
}

void Apply(TLoaderDefaults& d, int number, const std::string& value) {
    switch (number) {
    case 1: {
        std::size_t i = 0;
        while (i < value.size() && (value[i] < '1' || value[i] > '9')) ++i;
        if (i < value.size()) d.ComPort = LeadingInt(value.substr(i));
        break;
    }
    case 2: {
        const int n = LeadingInt(value).value_or(0);
        bool ok = false;
        for (int rate : {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200}) ok = ok || n == rate;
        if (ok)
            d.Baud = n;
        else
            d.BadBaud = true;
        break;
    }
    case 3:
        if (auto n = InRange(value, 5, 8)) d.DataBits = n;
        break;
    case 4:
        if (auto n = InRange(value, 0, 4)) d.Parity = n;
        break;
    case 5:
        if (auto n = InRange(value, 1, 2)) d.StopBits = n;
        break;
    case 6:
        d.AutomaticScript = SkipBlanks(value);
        break;
    case 7:
        d.ScriptFolder = SkipBlanks(value);
        break;
    case 8: {
        std::string word;
        for (char c : value)
            if (!IsBlank(c)) word += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        d.Automatic = word == "AUTOMATIC";
        break;
    }
    case 14:
    case 15: {
        const std::string s = SkipBlanks(value);
        if (s.empty()) break;
        (number == 14 ? d.NormalPrompt : d.LoaderPrompt) = s[0];
        break;
    }
    case 19: {
        const std::string s = SkipBlanks(value);
        if (!s.empty()) d.LoaderModeCmd = s + "\r\n";
        break;
    }
    case 20:
        if (auto n = InRange(value, 0, 1)) d.TerminalVisible = n;
        break;
    case 21:
        if (auto n = InRange(value, 0, 5)) d.Background = n;
        break;
    case 22:
        if (auto n = InRange(value, 0, 5)) d.TextColor = n;
        break;
    case 23:
        d.Branding = LeadingInt(value).value_or(0);
        break;
    case 24: {
        const std::string s = SkipBlanks(value);
        if (!s.empty()) d.LoadCmd = s;
        break;
    }
    case 25:
        d.Locked = value == "TRUE";
        break;
    case 26: {
        std::array<int, 4> parts{};
        std::size_t at = 0;
        bool ok = true;
        for (int i = 0; i < 4 && ok; ++i) {
            if (i > 0) ok = at < value.size() && value[at++] == '.';
            std::size_t used = 0;
            const std::optional<int> n = ok ? LeadingInt(value.substr(at), &used) : std::nullopt;
            ok = n && *n >= 0 && *n <= 255;
            if (ok) parts[static_cast<std::size_t>(i)] = *n;
            at += used;
        }
        if (ok) d.Address = parts;
        break;
    }
    case 27:
        if (auto n = InRange(value, 0, 65535)) d.Port = n;
        break;
    default:
        break;
    }
}

} // namespace

std::optional<int> LeadingInt(const std::string& text, std::size_t* end) {
    std::size_t i = 0;
    while (i < text.size() && (IsBlank(text[i]) || text[i] == '\r' || text[i] == '\n')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    const std::size_t digits = i;
    long long value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        // Beyond the range of an int the value sticks at its limit.
        if (value <= std::numeric_limits<int>::max()) value = value * 10 + (text[i] - '0');
        ++i;
    }
    if (i == digits) return std::nullopt;
    if (end) *end = i;
    if (negative) value = -value;
    if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

TLoaderDefaults ParseLoaderDefault(const std::string& bytes) {
    TLoaderDefaults d;
    int number = 0;
    std::size_t start = 0;
    while (start < bytes.size() && number < LastDataLine) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > MaxLine) line.resize(MaxLine);
        if (line.empty() || line[0] == ';' || line[0] == '[') continue;
        ++number;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        Apply(d, number, line.substr(eq + 1));
    }
    return d;
}

std::optional<std::string> ReadSettingsFile(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
