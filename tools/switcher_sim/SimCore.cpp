#include "tools/switcher_sim/SimCore.h"

#include <algorithm>
#include <charconv>

namespace switchersim {

namespace {

const char* const ControlWho = "control";

std::optional<int64_t> ParseMs(std::string_view text) {
    int64_t v = 0;
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, v);
    // A day is far beyond any wait a test or a user means.
    if (ec != std::errc() || p != end || v < 0 || v > 86'400'000) return std::nullopt;
    return v;
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> SplitBlanks(std::string_view s) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
        const size_t start = i;
        while (i < s.size() && s[i] != ' ' && s[i] != '\t') ++i;
        if (i > start) out.push_back(s.substr(start, i - start));
    }
    return out;
}

} // namespace

std::string PopupMessage(std::string_view text) {
    return "<POPUPMSG>" + std::string(text) + "</POPUPMSG>\r\n";
}

std::string ErrorReport(std::string_view text) {
    return "!ERR_" + std::string(text) + "\r\n";
}

std::string QueueFullNotice() {
    return "\"TaskEnet msq queue getting full\", waiting for it \"to empty\"\r\n";
}

std::string EndlessData(size_t bytes) {
    const std::string line = "<1><PVW>ON</PVW><PGM>OFF</PGM></1>\r\n";
    std::string out;
    out.reserve(bytes);
    while (out.size() < bytes) out.append(line, 0, std::min(line.size(), bytes - out.size()));
    return out;
}

void SimCore::Connect(int id, std::string peer, int64_t now) {
    Log.Event(now, peer, "connected");
    Connections[id] = Connection{std::move(peer), {}, false, {}};
}

void SimCore::Disconnect(int id, int64_t now) {
    auto it = Connections.find(id);
    if (it == Connections.end()) return;
    Log.Event(now, it->second.Peer, "disconnected");
    Connections.erase(it);
}

void SimCore::Receive(int id, std::string_view bytes, int64_t now) {
    auto it = Connections.find(id);
    if (it == Connections.end()) return;
    Connection& c = it->second;
    Log.Received(now, c.Peer, bytes);
    // Any of CR, LF, CR LF or LF CR ends a command; the empty lines between them mean nothing.
    for (char ch : bytes) {
        if (ch == '\r' || ch == '\n') {
            if (c.Overlong) {
                Log.Event(now, c.Peer, "line longer than " + std::to_string(MaxLine) + " bytes, ignored");
            } else if (!c.Line.empty()) {
                Command(c, c.Line, now);
            }
            c.Line.clear();
            c.Overlong = false;
        } else if (c.Line.size() < MaxLine) {
            c.Line += ch;
        } else {
            c.Overlong = true;
        }
    }
}

void SimCore::Command(Connection& c, std::string_view line, int64_t now) {
    Answer a = Device.Execute(line);
    if (a.Bytes.empty()) return;
    Log.Event(now, c.Peer, a.Note);
    if (Mute) {
        Log.Event(now, c.Peer, "muted, no answer");
        return;
    }
    // Replies keep their order even when the delay shrinks between them.
    int64_t due = now + Delay;
    if (!c.Queue.empty()) due = std::max(due, c.Queue.back().Due);
    c.Queue.push_back({due, std::move(a.Bytes)});
}

void SimCore::Unasked(const std::string& bytes, int64_t now, std::string_view what, bool stream) {
    if (Connections.empty()) {
        Log.Event(now, ControlWho, std::string(what) + ": no client connected, not sent");
        return;
    }
    for (auto& [id, c] : Connections) {
        // The switcher sends it at once, ahead of replies that a delay holds back.
        auto pos =
            std::find_if(c.Queue.begin(), c.Queue.end(), [&](const Pending& p) { return p.Due > now; });
        c.Queue.insert(pos, Pending{now, bytes, stream});
    }
}

std::string SimCore::TakeOutput(int id, int64_t now) {
    auto it = Connections.find(id);
    if (it == Connections.end()) return {};
    Connection& c = it->second;
    std::string out;
    std::string logged;
    while (!c.Queue.empty() && c.Queue.front().Due <= now) {
        Pending& p = c.Queue.front();
        if (p.Stream) {
            if (!logged.empty()) Log.Sent(now, c.Peer, logged);
            logged.clear();
            Log.Event(now, c.Peer, "streamed " + std::to_string(p.Bytes.size()) + " bytes");
        } else {
            logged += p.Bytes;
        }
        out += p.Bytes;
        c.Queue.pop_front();
    }
    if (!logged.empty()) Log.Sent(now, c.Peer, logged);
    return out;
}

std::optional<int64_t> SimCore::NextDue() const {
    std::optional<int64_t> next;
    for (const auto& [id, c] : Connections)
        if (!c.Queue.empty() && (!next || c.Queue.front().Due < *next)) next = c.Queue.front().Due;
    return next;
}

std::vector<int> SimCore::TakeDrops() {
    std::vector<int> out;
    out.swap(Dropped);
    return out;
}

ControlResult SimCore::Control(std::string_view line, int64_t now) {
    ControlResult r;
    line = TrimBlanks(line);
    if (line.empty() || line.front() == '#') return r;
    const size_t space = line.find_first_of(" \t");
    const std::string_view word = line.substr(0, space);
    const std::string_view rest =
        space == std::string_view::npos ? std::string_view() : TrimBlanks(line.substr(space));
    Log.Event(now, ControlWho, line);
    auto refuse = [&](std::string message) {
        Log.Event(now, ControlWho, "refused: " + message);
        return ControlResult{ControlResult::Error, 0, std::move(message)};
    };

    if (word == "popup" || word == "error") {
        // The text may carry any byte, written with the log's escapes.
        const auto text = UnescapeBytes(rest);
        if (!text) return refuse("bad escape in \"" + std::string(rest) + "\"");
        Unasked(word == "popup" ? PopupMessage(*text) : ErrorReport(*text), now, word);
    } else if (word == "queuefull" && rest.empty()) {
        Unasked(QueueFullNotice(), now, word);
    } else if (word == "stream") {
        int64_t bytes = 0;
        const char* end = rest.data() + rest.size();
        auto [p, ec] = std::from_chars(rest.data(), end, bytes);
        if (ec != std::errc() || p != end || bytes < 1 || bytes > MaxStream)
            return refuse("stream needs a number of bytes up to " + std::to_string(MaxStream));
        Unasked(EndlessData(static_cast<size_t>(bytes)), now, word, true);
    } else if (word == "delay" || word == "sleep") {
        const auto ms = ParseMs(rest);
        if (!ms) return refuse(std::string(word) + " needs a number of milliseconds");
        if (word == "sleep") return ControlResult{ControlResult::Sleep, *ms, {}};
        Delay = *ms;
    } else if (word == "mute" && rest.empty()) {
        Mute = true;
    } else if (word == "unmute" && rest.empty()) {
        Mute = false;
    } else if (word == "drop" && rest.empty()) {
        for (auto& [id, c] : Connections) {
            Log.Event(now, c.Peer, "dropped");
            Dropped.push_back(id);
        }
        Connections.clear();
    } else if (word == "version") {
        if (!Device.SetVersion(rest)) return refuse("version needs a printable text");
    } else if (word == "set") {
        const std::vector<std::string_view> args = SplitBlanks(rest);
        if (args.size() != 3 || !Device.SetSection(args[0], args[1], args[2]))
            return refuse("set needs a section and two of ON, OFF, BLINK, N/A");
    } else if (word == "quit" && rest.empty()) {
        r.What = ControlResult::Quit;
    } else {
        return refuse("unknown control command");
    }
    return r;
}

} // namespace switchersim
