#include "tools/loader_sim/LoaderCore.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <utility>

namespace loadersim {

namespace {

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> Words(std::string_view s) {
    std::vector<std::string_view> words;
    for (;;) {
        s = Trim(s);
        if (s.empty()) return words;
        const size_t end = std::min(s.find_first_of(" \t"), s.size());
        words.push_back(s.substr(0, end));
        s.remove_prefix(end);
    }
}

bool ParseNumber(std::string_view text, int base, uint32_t& value) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

std::optional<int64_t> ParseMs(std::string_view text) {
    uint32_t ms = 0;
    if (!ParseNumber(Trim(text), 10, ms)) return std::nullopt;
    return ms;
}

} // namespace

uint16_t ByteSum(std::string_view bytes) {
    uint32_t sum = 0;
    for (const char c : bytes) sum += static_cast<unsigned char>(c);
    return static_cast<uint16_t>(sum & 0xFFFF);
}

LoaderCore::LoaderCore(UnitConfig config, ByteLog& log)
    : Unit(std::move(config)), Log(log), Loader(Unit.StartInLoader) {}

void LoaderCore::Connect(int id, std::string peer, int64_t now) {
    Log.Event(now, peer, "connected");
    Links[id].Peer = std::move(peer);
}

void LoaderCore::Disconnect(int id, int64_t now) {
    const auto it = Links.find(id);
    if (it == Links.end()) return;
    if (it->second.Upload)
        Log.Event(now, it->second.Peer,
                  "link closed during an upload after " + std::to_string(it->second.Upload->Bytes.size()) +
                      " of " + std::to_string(it->second.Upload->DeclaredSize) + " bytes");
    Log.Event(now, it->second.Peer, "disconnected");
    Links.erase(it);
}

void LoaderCore::Send(Link& l, std::string bytes, int64_t due) {
    due = std::max(due, BusyUntil);
    if (!l.Queue.empty()) due = std::max(due, l.Queue.back().Due);
    l.Queue.push_back({due, std::move(bytes)});
}

void LoaderCore::Receive(int id, std::string_view bytes, int64_t now) {
    Link& l = Links[id];
    Log.Received(now, l.Peer, bytes);
    if (Mute || Halted) {
        Log.Event(now, l.Peer, Mute ? "silent: not answered" : "halted after a refused upload: not answered");
        return;
    }
    // A console echoes each byte as it arrives, so a loader that waits a moment after typing a
    // command can drop the echo before the answer begins.
    std::string echo;
    const auto flushEcho = [&] {
        if (!echo.empty()) Send(l, std::exchange(echo, {}), now);
    };
    while (!bytes.empty()) {
        if (l.Upload) {
            const size_t n = std::min<size_t>(bytes.size(), l.Upload->DeclaredSize - l.Upload->Bytes.size());
            l.Upload->Bytes.append(bytes.substr(0, n));
            bytes.remove_prefix(n);
            if (l.Upload->Bytes.size() == l.Upload->DeclaredSize) Finish(l, now);
            if (Halted) return;
            continue;
        }
        const char c = bytes.front();
        bytes.remove_prefix(1);
        if (c != '\r' && c != '\n') {
            l.LastEnd = 0;
            echo += c;
            if (l.Line.size() < MaxLine)
                l.Line += c;
            else
                l.Overlong = true;
            continue;
        }
        // "\r\n" and "\n\r" end one line, as a lone "\r" or "\n" does.
        if (l.LastEnd != 0 && l.LastEnd != c) {
            l.LastEnd = 0;
            continue;
        }
        l.LastEnd = c;
        std::string line = std::move(l.Line);
        l.Line.clear();
        if (l.Overlong) {
            l.Overlong = false;
            Log.Event(now, l.Peer, "line longer than " + std::to_string(MaxLine) + " bytes discarded");
            continue;
        }
        flushEcho();
        Command(l, line, now);
        // Silenced by a trigger: the rest of what came is read and logged, not echoed.
        if (Mute) return;
    }
    flushEcho();
}

void LoaderCore::Command(Link& l, std::string_view line, int64_t now) {
    // The line itself went back as it arrived; its end is echoed as "\r\n".
    std::string reply = "\r\n";
    const std::string_view text = Trim(line);
    const std::vector<std::string_view> words = Words(text);
    const std::string upper = Upper(text);
    if (Unanswered(l, upper, now)) return;
    if (!Loader && !text.empty() && upper == Upper(Unit.LoaderCommand)) {
        Loader = true;
        Log.Event(now, l.Peer, "loader mode");
        Send(l, reply + "Entering loader mode\r\n" + Unit.LoaderPrompt, now);
        return;
    }
    if (Loader && !words.empty() && Upper(words[0]) == Upper(Unit.LoadCommand)) {
        Image image;
        image.Header = std::string(line);
        if (words.size() == 5 && ParseNumber(words[2], 10, image.DeclaredSize) &&
            ParseNumber(words[3], 16, image.DeclaredSum)) {
            image.Address = std::string(words[1]);
            image.Version = std::string(words[4]);
            Log.Event(now, l.Peer,
                      "upload header: " + std::to_string(image.DeclaredSize) + " bytes, sum " +
                          std::string(words[3]));
            // The body follows at once, raw: its first byte is never taken for the end of the header.
            l.LastEnd = 0;
            l.Upload = std::move(image);
            if (l.Upload->DeclaredSize == 0) Finish(l, now);
            return;
        }
        Log.Event(now, l.Peer, "malformed upload header");
        Send(l, reply + "Bad header\r\n" + Prompt(), now);
        return;
    }
    const auto answer = Answers.find(upper);
    if (!text.empty() && answer != Answers.end()) {
        Send(l, reply + answer->second + "\r\n" + Prompt(), now);
        return;
    }
    if (!text.empty()) Log.Event(now, l.Peer, "unknown command");
    Send(l, reply + Prompt(), now);
}

bool LoaderCore::Unanswered(Link& l, const std::string& upper, int64_t now) {
    for (auto it = Triggers.begin(); it != Triggers.end(); ++it) {
        if (upper.rfind(it->Prefix, 0) != 0) continue;
        const std::string command = it->Command;
        Triggers.erase(it);
        Log.Event(now, l.Peer, "trigger: " + command);
        Control(command, now);
        break;
    }
    if (Mute) {
        Log.Event(now, l.Peer, "silent: not answered");
        return true;
    }
    for (const std::string& prefix : Ignored) {
        if (upper.rfind(prefix, 0) != 0) continue;
        Log.Event(now, l.Peer, "ignored: not answered");
        return true;
    }
    return false;
}

void LoaderCore::Finish(Link& l, int64_t now) {
    Image image = std::move(*l.Upload);
    l.Upload.reset();
    image.Sum = ByteSum(image.Bytes);
    image.Accepted = image.Sum == image.DeclaredSum && !RefuseNext;
    RefuseNext = false;
    const std::string what = std::to_string(image.Bytes.size()) + " bytes, sum " + std::to_string(image.Sum);
    if (image.Accepted) {
        Log.Event(now, l.Peer, "image accepted: " + what);
        BusyUntil = now + Unit.FlashDelayMs;
        Send(l, "\r\nImage OK\r\n" + std::string(1, Unit.LoaderPrompt), now);
    } else {
        Log.Event(now, l.Peer, "image refused: " + what + "; halted until reset");
        Send(l, "\r\nChecksum error\r\n", now);
        Halted = true;
    }
    Received.push_back(image);
    if (Sink) Sink(Received.back());
}

std::string LoaderCore::TakeOutput(int id, int64_t now) {
    const auto it = Links.find(id);
    if (it == Links.end()) return {};
    Link& l = it->second;
    std::string out;
    while (!l.Queue.empty() && l.Queue.front().Due <= now) {
        out += l.Queue.front().Bytes;
        l.Queue.pop_front();
    }
    if (!out.empty()) Log.Sent(now, l.Peer, out);
    return out;
}

std::optional<int64_t> LoaderCore::NextDue() const {
    std::optional<int64_t> due;
    for (const auto& [id, l] : Links)
        if (!l.Queue.empty() && (!due || l.Queue.front().Due < *due)) due = l.Queue.front().Due;
    return due;
}

std::vector<int> LoaderCore::TakeDrops() {
    return std::exchange(Dropped, {});
}

ControlResult LoaderCore::Control(std::string_view line, int64_t now) {
    const std::string_view text = Trim(line);
    if (text.empty() || text.front() == '#') return {};
    Log.Event(now, "control", text);
    const size_t space = std::min(text.find(' '), text.size());
    const std::string word = Upper(text.substr(0, space));
    const std::string_view rest = Trim(text.substr(space));
    const auto error = [&](std::string message) {
        Log.Event(now, "control", "refused: " + message);
        return ControlResult{ControlResult::Error, 0, std::move(message)};
    };
    if (word == "MUTE" || word == "UNMUTE") {
        Mute = word == "MUTE";
    } else if (word == "STALL" || word == "UNSTALL") {
        Stall = word == "STALL";
    } else if (word == "LOADER" || word == "NORMAL") {
        Loader = word == "LOADER";
    } else if (word == "REFUSE") {
        RefuseNext = true;
    } else if (word == "DROP") {
        for (auto& [id, l] : Links) Dropped.push_back(id);
    } else if (word == "RESET") {
        Loader = false;
        Halted = false;
        BusyUntil = 0;
        for (auto& [id, l] : Links) {
            l.Upload.reset();
            l.Line.clear();
            l.Queue.clear();
            Send(l, "\r\nBoot\r\n" + std::string(1, Unit.NormalPrompt), now);
        }
    } else if (word == "FLASH" || word == "SLEEP") {
        const auto ms = ParseMs(rest);
        if (!ms) return error("needs milliseconds");
        if (word == "SLEEP") return {ControlResult::Sleep, *ms, {}};
        Unit.FlashDelayMs = *ms;
    } else if (word == "ANSWER") {
        const size_t eq = rest.find('=');
        if (eq == std::string_view::npos || Trim(rest.substr(0, eq)).empty())
            return error("needs QUERY = TEXT");
        const auto reply = simlog::UnescapeBytes(Trim(rest.substr(eq + 1)));
        if (!reply) return error("bad escape in the answer");
        SetAnswer(Trim(rest.substr(0, eq)), *reply);
    } else if (word == "ON") {
        const size_t eq = rest.find('=');
        const std::string_view prefix =
            eq == std::string_view::npos ? std::string_view() : Trim(rest.substr(0, eq));
        const std::string_view command =
            eq == std::string_view::npos ? std::string_view() : Trim(rest.substr(eq + 1));
        const std::string first = Upper(command.substr(0, std::min(command.find(' '), command.size())));
        if (prefix.empty() || command.empty()) return error("needs TEXT = COMMAND");
        // A line's answer cannot wait, end the simulator or set another trigger.
        if (first == "SLEEP" || first == "QUIT" || first == "ON") return error("not a command for a trigger");
        Triggers.push_back({Upper(prefix), std::string(command)});
    } else if (word == "IGNORE") {
        if (rest.empty())
            Ignored.clear();
        else
            Ignored.push_back(Upper(rest));
    } else if (word == "QUIT") {
        return {ControlResult::Quit, 0, {}};
    } else {
        return error("unknown control command");
    }
    return {};
}

void LoaderCore::SetAnswer(std::string_view query, std::string reply) {
    Answers[Upper(Trim(query))] = std::move(reply);
}

} // namespace loadersim
