#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace simlog {

// "\r", "\n", "\\" and "\xNN" for every other byte outside printable ASCII, so a log line holds
// exactly one chunk and every byte of it can be read back.
std::string EscapeBytes(std::string_view bytes);

// The inverse of EscapeBytes; nullopt for a dangling or unknown escape.
std::optional<std::string> UnescapeBytes(std::string_view text);

// UTC, millisecond precision: "2025-03-01T10:00:01.523Z".
std::string FormatWallTime(std::chrono::system_clock::time_point t);

// One line per entry: "<ms since start> <wall time> <who> <tag> <escaped text>", where the tag is
// '<' for bytes received, '>' for bytes sent and '*' for events.
class ByteLog {
public:
    ByteLog(std::ostream& out, std::chrono::system_clock::time_point start) : Out(out), Start(start) {}

    void Received(int64_t ms, std::string_view who, std::string_view bytes) { Write(ms, who, '<', bytes); }
    void Sent(int64_t ms, std::string_view who, std::string_view bytes) { Write(ms, who, '>', bytes); }
    void Event(int64_t ms, std::string_view who, std::string_view text) { Write(ms, who, '*', text); }

private:
    void Write(int64_t ms, std::string_view who, char tag, std::string_view text);

    std::ostream& Out;
    std::chrono::system_clock::time_point Start;
};

} // namespace simlog
