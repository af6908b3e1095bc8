// The text side of the loader's scripts and uploads, without a window or a port: the script file's
// command lines, the operands sliced from a line, the upload header, the file checksum and date.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

// Splits a script's bytes into command lines as they arrive. At the start of a line every character
// other than "_" and ";" is skipped; "_" begins a command line (kept from the "_" on, at most
// MaxLength characters), ";" a comment line. A line ends at a line feed (a carriage return just
// before it is dropped) or at the end of the file.
class TScriptLineReader {
public:
    static constexpr std::size_t MaxLength = 199;

    // True when c ended a command line; Line() holds it until the next call.
    bool Feed(char c);
    // The end of the file: true when a command line was open.
    bool Finish();
    const std::string& Line() const { return line_; }

private:
    enum class TState { Start, Command, Comment };
    bool End();

    TState state_ = TState::Start;
    std::string building_;
    std::string line_;
};

// Operands of a command line. Each is nullopt when the line does not have it.
// Q: after the first double quote, without the line's last character.
std::optional<std::string> QuotedOperand(const std::string& line);
// W: after the first blank, the blanks that follow skipped.
std::optional<std::string> WordOperand(const std::string& line);
// T and R: the text between the first two double quotes, and what follows the second with leading
// blanks skipped.
std::optional<std::pair<std::string, std::string>> TestOperands(const std::string& line);

// Every "^M" of text replaced.
std::string ReplaceCaretM(const std::string& text, const std::string& with);
// "\r" (and, with lineFeeds, "\n") written as a backslash and a letter become the control bytes.
std::string ReplaceEscapes(const std::string& text, bool lineFeeds);
// "%d.%d" at the start of text: major and minor.
std::optional<std::pair<int, int>> ParseVersion(const std::string& text);

// The bytes' sum modulo 65536.
std::uint16_t FileChecksum16(const std::string& bytes);
// "%s %s %d %x %s\r"
std::string UploadHeader(const std::string& loadCmd, const std::string& address, std::int64_t size,
                         std::uint32_t checksum, const std::string& version);
// month/day/year_hour:minutes:seconds from a packed file date (date in the high word, time in the
// low word, seconds in two-second steps).
std::string FileDateText(std::int32_t packed);
