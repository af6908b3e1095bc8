// What the simulators' serving loops share: control lines (what a line asks of the program, the
// queues that run them, typed lines and a script each with its own sleeps, and the splitting of a
// byte stream into lines), the TCP listener and the poll set.
#pragma once

#include <poll.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace simlog {

// What a control line asks of the program around a simulator's core.
struct ControlResult {
    enum Action { None, Quit, Sleep, Error };
    Action What = None;
    int64_t SleepMs = 0;
    std::string Message; // why a line was refused
};

// Lines waiting to run; a "sleep" holds back the rest of its own queue only.
struct ControlQueue {
    std::deque<std::string> Lines;
    int64_t ResumeAt = 0;
    bool Running = false;

    // Runs the lines due by now through core.Control; false after a quit. Refused lines are
    // reported on diagnostics (when given) under the program's name.
    template <typename Core>
    bool Run(Core& core, int64_t now, std::ostream* diagnostics, std::string_view program) {
        while (Running && !Lines.empty() && now >= ResumeAt) {
            const std::string line = std::move(Lines.front());
            Lines.pop_front();
            const ControlResult r = core.Control(line, now);
            if (r.What == ControlResult::Quit) return false;
            if (r.What == ControlResult::Sleep) ResumeAt = now + r.SleepMs;
            if (r.What == ControlResult::Error && diagnostics)
                *diagnostics << program << ": " << line << ": " << r.Message << std::endl;
        }
        return true;
    }
    bool Waiting() const { return Running && !Lines.empty(); }
};

// Cuts a byte stream into lines at "\n" (a "\r" before it is dropped).
class LineSplitter {
public:
    void Feed(std::string_view bytes, std::deque<std::string>& lines);
    // End of the stream: a last line without its line end still counts.
    void Finish(std::deque<std::string>& lines);
    // One read of fd into lines; at the end of input (or a failure) the stream is finished and fd
    // becomes -1. The descriptor is never closed.
    void Read(int& fd, std::deque<std::string>& lines);

private:
    std::string Partial;
};

// Milliseconds since a start. An arrival is stamped with the next whole millisecond and a
// deadline is checked against the last one, so that a delay of n ms never ends sooner than n ms
// after what it waits on arrived.
class MsClock {
public:
    explicit MsClock(std::chrono::steady_clock::time_point start) : Start(start) {}
    int64_t Elapsed() const { return Count(false); }  // for deadlines
    int64_t Arrival() const { return Count(true); }   // for what just arrived
private:
    int64_t Count(bool roundUp) const {
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - Start).count();
        return ns / 1000000 + (roundUp && ns % 1000000 ? 1 : 0);
    }
    std::chrono::steady_clock::time_point Start;
};

// The earliest of due and the resume times of the queues with lines waiting; -1 for none.
int64_t NextWake(std::optional<int64_t> due, std::initializer_list<const ControlQueue*> queues);

// A listening IPv4 TCP socket, non-blocking; port 0 picks a free port. -1 with error set on failure.
int ListenIPv4(const std::string& address, int port, int& boundPort, std::string& error);

// The descriptors of one pass of a serving loop, each with the id of what it belongs to.
class PollSet {
public:
    void Add(int fd, short events, int owner) {
        Fds.push_back({fd, events, 0});
        Owners.push_back(owner);
    }
    // Waits until something is ready or the time wake (-1: no limit; at most a minute ahead) has
    // come; false when polling failed for another reason than a signal.
    bool Wait(int64_t wake, int64_t now);
    // Each ready descriptor's owner with its events.
    template <typename F> void ForEachReady(F f) const {
        for (size_t i = 0; i < Fds.size(); ++i)
            if (Fds[i].revents != 0) f(Owners[i], Fds[i].revents);
    }

private:
    std::vector<pollfd> Fds;
    std::vector<int> Owners;
};

} // namespace simlog
