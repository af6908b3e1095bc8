#pragma once

#include <chrono>
#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace simlog {

// "\r", "\n", "\\" and "\xNN" for every other byte outside printable ASCII, so a log line holds
// exactly one chunk and every byte of it can be read back.
std::string EscapeBytes(std::string_view bytes);

// The inverse of EscapeBytes; nullopt for a dangling or unknown escape.
std::optional<std::string> UnescapeBytes(std::string_view text);

// UTC, millisecond precision: "2025-03-01T10:00:01.523Z".
std::string FormatWallTime(std::chrono::system_clock::time_point t);

// The inverse of FormatWallTime, in milliseconds since the epoch; nullopt when it is not one.
std::optional<int64_t> ParseWallTime(std::string_view text);

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

// A line of a ByteLog read back; Text still escaped.
struct LogLine {
    int64_t Ms = 0;
    int64_t WallMs = 0;
    std::string Who;
    char Tag = 0;
    std::string Text;
};

// Nullopt for a line the log did not write.
std::optional<LogLine> ParseLogLine(std::string_view line);

// What the simulator received from the program (not from its control connection), in order.
struct ReceivedChunk {
    int64_t WallMs = 0;
    std::string Bytes;
};
std::vector<ReceivedChunk> ReceivedChunks(std::istream& log);

// The event lines, whole.
std::vector<std::string> EventLines(std::istream& log);

} // namespace simlog
