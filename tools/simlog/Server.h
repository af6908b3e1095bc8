// The serving loop both simulators run around their cores: links (TCP connections, a
// pseudo-terminal), a TCP listener, control lines from standard input and from a script. One
// thread, one poll loop. A link may be paced at a serial line's rate.
#pragma once

#include "tools/simlog/Serve.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace simlog {

// What a simulator's core offers the loop.
class Unit {
public:
    virtual ~Unit() = default;
    virtual void Connect(int id, std::string peer, int64_t now) = 0;
    // The peer closed, the link failed or the core dropped it.
    virtual void Disconnect(int id, int64_t now) = 0;
    virtual void Receive(int id, std::string_view bytes, int64_t now) = 0;
    virtual std::string TakeOutput(int id, int64_t now) = 0;
    virtual std::optional<int64_t> NextDue() const = 0;
    // Links the core wants closed.
    virtual std::vector<int> TakeDrops() = 0;
    virtual ControlResult Control(std::string_view line, int64_t now) = 0;
    // While stalled no link is read.
    virtual bool Stalled() const { return false; }
};

// A core seen as a Unit (a core without Stalled never stalls).
template <typename Core> class UnitOf final : public Unit {
public:
    explicit UnitOf(Core& core) : C(core) {}
    void Connect(int id, std::string peer, int64_t now) override { C.Connect(id, std::move(peer), now); }
    void Disconnect(int id, int64_t now) override { C.Disconnect(id, now); }
    void Receive(int id, std::string_view bytes, int64_t now) override { C.Receive(id, bytes, now); }
    std::string TakeOutput(int id, int64_t now) override { return C.TakeOutput(id, now); }
    std::optional<int64_t> NextDue() const override { return C.NextDue(); }
    std::vector<int> TakeDrops() override { return C.TakeDrops(); }
    ControlResult Control(std::string_view line, int64_t now) override { return C.Control(line, now); }
    bool Stalled() const override {
        if constexpr (requires(const Core& c) { c.Stalled(); })
            return C.Stalled();
        else
            return false;
    }

private:
    Core& C;
};

// One direction of a line carrying at most a given number of bytes a second. It takes what a
// line would have carried since it was last busy, up to a short burst (what a receiver's buffer
// holds while the program looks elsewhere), so over any stretch of time it never passes the rate.
// Times are nanoseconds of a steady clock.
class LinePace {
public:
    static constexpr int64_t BurstNs = 20'000'000;
    static constexpr int64_t ChunkNs = 10'000'000;

    explicit LinePace(int64_t bytesPerSecond = 0) : Rate(bytesPerSecond) {}
    bool Paced() const { return Rate > 0; }
    // Bytes the line can take now (unpaced: as many as given).
    size_t Allowance(int64_t nowNs, size_t wanted) const;
    // n bytes went over the line now.
    void Took(size_t n, int64_t nowNs);
    // When the line can next take min(wanted, a chunk's worth) bytes.
    int64_t ReadyAt(size_t wanted) const;

private:
    int64_t Start(int64_t nowNs) const { return FreeAt > nowNs - BurstNs ? FreeAt : nowNs - BurstNs; }
    int64_t Rate;
    int64_t FreeAt = INT64_MIN / 2; // the line carried everything up to here
};

class Server {
public:
    // controlFd: where control lines come from (standard input), -1 for none; read, never closed.
    // program names the simulator in the diagnostics.
    Server(Unit& unit, int controlFd, std::chrono::steady_clock::time_point start, std::string program);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // IPv4; port 0 picks a free port. Every connection accepted is a link; the first one starts
    // the script.
    bool Listen(const std::string& address, int port, std::string& error);
    int Port() const { return BoundPort; }

    struct LinkKind {
        // Not a socket: written with write, and its failures or end leave it open (a
        // pseudo-terminal whose far end is closed).
        bool Terminal = false;
        // Bytes a second each way; 0 for no limit.
        int64_t BytesPerSecond = 0;
    };
    // Serves fd (taken over, closed by the server) as a link named peer; starts the script.
    int AddLink(int fd, std::string peer, LinkKind kind);
    // Called after a terminal link was closed by a drop.
    void SetHangUp(std::function<void(int64_t now)> hangUp) { HangUp = std::move(hangUp); }

    // Control lines that run from the first link on.
    void SetScript(std::vector<std::string> lines);
    // Refused control lines are reported here too (the log has them anyway).
    void SetDiagnostics(std::ostream* out) { Diagnostics = out; }

    int64_t Now() const { return Clock.Elapsed(); }

    // Serves until a "quit"; returns the exit status.
    int Run();

private:
    struct Link {
        int Fd = -1;
        LinkKind Kind;
        std::string Out;
        LinePace In, OutPace;
    };

    void StartScript(int64_t now);
    void Accept(int64_t now);
    void ReadLink(int id, int64_t now);
    void WriteLink(int id, int64_t now);
    void CloseLink(int id, int64_t now);
    int64_t Ns() const;

    Unit& Core;
    int ControlFd;
    std::chrono::steady_clock::time_point StartTime;
    MsClock Clock;
    std::string Program;
    int ListenFd = -1;
    int BoundPort = 0;
    std::map<int, Link> Links;
    int NextId = 1;
    ControlQueue Input;
    ControlQueue Script;
    LineSplitter ControlSplitter;
    std::ostream* Diagnostics = nullptr;
    std::function<void(int64_t)> HangUp;
};

} // namespace simlog
