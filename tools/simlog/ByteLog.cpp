#include "tools/simlog/ByteLog.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace simlog {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

std::string EscapeBytes(std::string_view bytes) {
    static const char Hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (ch == '\r') {
            out += "\\r";
        } else if (ch == '\n') {
            out += "\\n";
        } else if (ch == '\\') {
            out += "\\\\";
        } else if (b < 0x20 || b >= 0x7F) {
            out += "\\x";
            out += Hex[b >> 4];
            out += Hex[b & 0x0F];
        } else {
            out += ch;
        }
    }
    return out;
}

std::optional<std::string> UnescapeBytes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        switch (text[i]) {
        case 'r':
            out += '\r';
            break;
        case 'n':
            out += '\n';
            break;
        case '\\':
            out += '\\';
            break;
        case 'x': {
            if (i + 2 >= text.size()) return std::nullopt;
            const int hi = HexValue(text[i + 1]);
            const int lo = HexValue(text[i + 2]);
            if (hi < 0 || lo < 0) return std::nullopt;
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return out;
}

std::string FormatWallTime(std::chrono::system_clock::time_point t) {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(t.time_since_epoch()).count();
    std::time_t secs = static_cast<std::time_t>(ms / 1000);
    long frac = static_cast<long>(ms % 1000);
    if (frac < 0) {
        frac += 1000;
        --secs;
    }
    std::tm tm{};
    gmtime_r(&secs, &tm);
    char buf[40];
    const size_t n = std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &tm);
    char out[64];
    std::snprintf(out, sizeof out, "%.*s.%03ldZ", static_cast<int>(n), buf, frac);
    return out;
}

std::optional<int64_t> ParseWallTime(std::string_view text) {
    std::tm tm{};
    int ms = 0;
    int used = 0;
    const std::string s(text);
    if (std::sscanf(s.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d.%3dZ%n", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                    &tm.tm_hour, &tm.tm_min, &tm.tm_sec, &ms, &used) != 7 ||
        static_cast<size_t>(used) != s.size())
        return std::nullopt;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    return static_cast<int64_t>(timegm(&tm)) * 1000 + ms;
}

std::optional<LogLine> ParseLogLine(std::string_view line) {
    // "<ms> <wall time> <who> <tag> <text>"
    std::string_view field[4];
    for (std::string_view& f : field) {
        const size_t space = line.find(' ');
        if (space == std::string_view::npos) return std::nullopt;
        f = line.substr(0, space);
        line.remove_prefix(space + 1);
    }
    LogLine out;
    const std::string ms(field[0]);
    char* end = nullptr;
    out.Ms = std::strtoll(ms.c_str(), &end, 10);
    const auto wall = ParseWallTime(field[1]);
    if (ms.empty() || *end != '\0' || !wall || field[3].size() != 1) return std::nullopt;
    out.WallMs = *wall;
    out.Who = field[2];
    out.Tag = field[3][0];
    out.Text = line;
    return out;
}

std::vector<ReceivedChunk> ReceivedChunks(std::istream& log) {
    std::vector<ReceivedChunk> chunks;
    std::string text;
    while (std::getline(log, text)) {
        const auto line = ParseLogLine(text);
        if (!line || line->Tag != '<' || line->Who == "control") continue;
        if (auto bytes = UnescapeBytes(line->Text)) chunks.push_back({line->WallMs, std::move(*bytes)});
    }
    return chunks;
}

std::vector<std::string> EventLines(std::istream& log) {
    std::vector<std::string> events;
    std::string text;
    while (std::getline(log, text)) {
        const auto line = ParseLogLine(text);
        if (line && line->Tag == '*') events.push_back(text);
    }
    return events;
}

void ByteLog::Write(int64_t ms, std::string_view who, char tag, std::string_view text) {
    Out << ms << ' ' << FormatWallTime(Start + std::chrono::milliseconds(ms)) << ' ' << who << ' ' << tag
        << ' ' << EscapeBytes(text) << '\n';
    Out.flush();
}

} // namespace simlog
