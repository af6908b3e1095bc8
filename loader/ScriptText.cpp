#include "loader/ScriptText.h"

#include "loader/LoaderSettings.h"

bool TScriptLineReader::Feed(char c) {
    if (c == '\n') return End();
    switch (state_) {
    case TState::Start:
        if (c == '_') {
            state_ = TState::Command;
            building_.assign(1, c);
        } else if (c == ';') {
            state_ = TState::Comment;
        }
        return false;
    case TState::Command:
        // One byte past the limit keeps room for a carriage return that ends the line.
        if (building_.size() <= MaxLength) building_ += c;
        return false;
    case TState::Comment:
        return false;
    }
    return false;
}

bool TScriptLineReader::Finish() {
    return End();
}

bool TScriptLineReader::End() {
    const bool command = state_ == TState::Command;
    state_ = TState::Start;
    if (!command) return false;
    line_ = std::move(building_);
    building_.clear();
    if (!line_.empty() && line_.back() == '\r') line_.pop_back();
    if (line_.size() > MaxLength) line_.resize(MaxLength);
    return true;
}

std::optional<std::string> QuotedOperand(const std::string& line) {
    const std::size_t quote = line.find('"');
    if (quote == std::string::npos) return std::nullopt;
    const std::size_t from = quote + 1;
    const std::size_t to = line.size() - 1; // the closing quote
    if (to <= from) return std::string();
    return line.substr(from, to - from);
}

std::optional<std::string> WordOperand(const std::string& line) {
    std::size_t at = line.find(' ');
    if (at == std::string::npos) return std::nullopt;
    while (at < line.size() && line[at] == ' ') ++at;
    return line.substr(at);
}

std::optional<std::pair<std::string, std::string>> TestOperands(const std::string& line) {
    const std::size_t first = line.find('"');
    if (first == std::string::npos) return std::nullopt;
    const std::size_t second = line.find('"', first + 1);
    if (second == std::string::npos) return std::nullopt;
    std::size_t rest = second + 1;
    while (rest < line.size() && line[rest] == ' ') ++rest;
    return std::make_pair(line.substr(first + 1, second - first - 1), line.substr(rest));
}

std::string ReplaceCaretM(const std::string& text, const std::string& with) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '^' && i + 1 < text.size() && text[i + 1] == 'M') {
            out += with;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string ReplaceEscapes(const std::string& text, bool lineFeeds) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] == '\\' && next == 'r') {
            out += '\r';
            ++i;
        } else if (text[i] == '\\' && next == 'n' && lineFeeds) {
            out += '\n';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::optional<std::pair<int, int>> ParseVersion(const std::string& text) {
    std::size_t used = 0;
    const std::optional<int> major = LeadingInt(text, &used);
    if (!major || used >= text.size() || text[used] != '.') return std::nullopt;
    const std::optional<int> minor = LeadingInt(text.substr(used + 1));
    if (!minor) return std::nullopt;
    return std::make_pair(*major, *minor);
}

std::uint16_t FileChecksum16(const std::string& bytes) {
    std::uint32_t sum = 0;
    for (const char c : bytes) sum += static_cast<unsigned char>(c);
    return static_cast<std::uint16_t>(sum & 0xFFFF);
}

std::string UploadHeader(const std::string& loadCmd, const std::string& address, std::int64_t size,
                         std::uint32_t checksum, const std::string& version) {
    std::string hex;
    do {
        hex.insert(hex.begin(), "0123456789abcdef"[checksum & 15]);
        checksum >>= 4;
    } while (checksum != 0);
    return loadCmd + " " + address + " " + std::to_string(size) + " " + hex + " " + version + "\r";
}

std::string FileDateText(std::int32_t packed) {
    const auto p = static_cast<std::uint32_t>(packed);
    const unsigned time = p & 0xFFFF;
    const unsigned date = p >> 16;
    const auto two = [](unsigned n) { return (n < 10 ? "0" : "") + std::to_string(n); };
    return std::to_string((date >> 5) & 15) + "/" + std::to_string(date & 31) + "/" +
           std::to_string((date >> 9) + 1980) + "_" + std::to_string(time >> 11) + ":" +
           two((time >> 5) & 63) + ":" + two((time & 31) * 2);
}
