#pragma once

#include "tools/simlog/ByteLog.h"
#include "tools/simlog/Serve.h"
#include "tools/switcher_sim/SwitcherModel.h"

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace switchersim {

using simlog::ByteLog;
using simlog::ControlResult;
using simlog::EscapeBytes;
using simlog::UnescapeBytes;

// The simulator without sockets: bytes in per connection, bytes out when they are due, control
// lines for the faults and unasked messages. Time is passed in (ms since start), so tests need
// no real waits.
class SimCore {
public:
    // Longest command line kept; the rest of a longer line is discarded with it.
    static constexpr size_t MaxLine = 4096;
    // Most bytes one "stream" sends.
    static constexpr int64_t MaxStream = 1'000'000'000;

    SimCore(SwitcherModel device, ByteLog& log) : Device(std::move(device)), Log(log) {}

    void Connect(int id, std::string peer, int64_t now);
    // The peer closed or the socket failed; queued output is discarded.
    void Disconnect(int id, int64_t now);
    void Receive(int id, std::string_view bytes, int64_t now);
    // Bytes due by now, in order; logged as sent.
    std::string TakeOutput(int id, int64_t now);
    std::optional<int64_t> NextDue() const;
    // Connections that a "drop" closed; the caller closes their sockets.
    std::vector<int> TakeDrops();

    ControlResult Control(std::string_view line, int64_t now);

    SwitcherModel& Switcher() { return Device; }
    bool Muted() const { return Mute; }
    int64_t DelayMs() const { return Delay; }
    size_t ConnectionCount() const { return Connections.size(); }

private:
    struct Pending {
        int64_t Due;
        std::string Bytes;
        // A stream is logged by its size alone.
        bool Stream = false;
    };
    struct Connection {
        std::string Peer;
        std::string Line;
        bool Overlong = false;
        std::deque<Pending> Queue;
    };

    void Command(Connection& c, std::string_view line, int64_t now);
    void Unasked(const std::string& bytes, int64_t now, std::string_view what, bool stream = false);

    SwitcherModel Device;
    ByteLog& Log;
    std::map<int, Connection> Connections;
    std::vector<int> Dropped;
    int64_t Delay = 0;
    bool Mute = false;
};

// Bytes of status lines that never end in "#", as a switcher gone wrong streams them.
std::string EndlessData(size_t bytes);

// Unasked messages, framed as the switcher sends them.
std::string PopupMessage(std::string_view text);
std::string ErrorReport(std::string_view text);
std::string QueueFullNotice();

} // namespace switchersim
