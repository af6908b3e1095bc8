// The loader unit without sockets or terminals: bytes in per link, bytes out when they are due,
// control lines for the faults. Time is passed in (ms since start), so tests need no real waits.
#pragma once

#include "tools/simlog/ByteLog.h"
#include "tools/simlog/Serve.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace loadersim {

using simlog::ByteLog;

struct UnitConfig {
    char NormalPrompt = '#';
    char LoaderPrompt = '>';
    std::string LoaderCommand = "LOADR";
    // The first word of an upload header.
    std::string LoadCommand = "LF";
    int64_t FlashDelayMs = 1000;
    bool StartInLoader = false;
};

// One upload as the unit received it.
struct Image {
    std::string Header; // the header line, without its carriage return
    std::string Address;
    std::string Version;
    uint32_t DeclaredSize = 0;
    uint32_t DeclaredSum = 0;
    std::string Bytes;
    uint16_t Sum = 0; // of the bytes received, modulo 65536
    bool Accepted = false;
};

// The 16-bit byte sum the header carries.
uint16_t ByteSum(std::string_view bytes);

using simlog::ControlResult;

class LoaderCore {
public:
    // Longest command line kept; the rest of a longer line is discarded with it.
    static constexpr size_t MaxLine = 4096;

    LoaderCore(UnitConfig config, ByteLog& log);

    void Connect(int id, std::string peer, int64_t now);
    // The peer closed or the link failed; queued output and a half-received image are discarded.
    void Disconnect(int id, int64_t now);
    void Receive(int id, std::string_view bytes, int64_t now);
    // Bytes due by now, in order; logged as sent.
    std::string TakeOutput(int id, int64_t now);
    std::optional<int64_t> NextDue() const;
    // Links that a "drop" closed; the caller closes them.
    std::vector<int> TakeDrops();

    ControlResult Control(std::string_view line, int64_t now);

    bool InLoaderMode() const { return Loader; }
    bool Muted() const { return Mute; }
    // While stalled the program around the core stops reading its links.
    bool Stalled() const { return Stall; }
    const std::vector<Image>& Images() const { return Received; }
    // Called with each image once it is complete, accepted or not.
    void SetImageSink(std::function<void(const Image&)> sink) { Sink = std::move(sink); }
    const UnitConfig& Config() const { return Unit; }
    // A query (matched without regard to case or surrounding blanks) and the reply lines sent before
    // the prompt.
    void SetAnswer(std::string_view query, std::string reply);

private:
    struct Pending {
        int64_t Due;
        std::string Bytes;
    };
    // "on TEXT = COMMAND": COMMAND runs at the first line that begins with TEXT.
    struct Trigger {
        std::string Prefix; // upper-cased
        std::string Command;
    };
    struct Link {
        std::string Peer;
        std::string Line;
        bool Overlong = false;
        char LastEnd = 0; // the line end that closed the previous line, to pair CR LF and LF CR
        std::optional<Image> Upload;
        std::deque<Pending> Queue;
    };

    void Command(Link& l, std::string_view line, int64_t now);
    // Fires the trigger the line matches, then tells whether the line goes unanswered.
    bool Unanswered(Link& l, const std::string& upper, int64_t now);
    void Body(Link& l, std::string_view bytes, int64_t now);
    void Finish(Link& l, int64_t now);
    void Send(Link& l, std::string bytes, int64_t due);
    char Prompt() const { return Loader ? Unit.LoaderPrompt : Unit.NormalPrompt; }

    UnitConfig Unit;
    ByteLog& Log;
    std::map<int, Link> Links;
    std::map<std::string, std::string> Answers; // upper-cased query -> reply lines
    std::vector<Trigger> Triggers;
    std::vector<std::string> Ignored; // upper-cased beginnings of lines that get no answer
    std::vector<Image> Received;
    std::function<void(const Image&)> Sink;
    std::vector<int> Dropped;
    int64_t BusyUntil = 0; // flashing: nothing is sent before
    bool Loader = false;
    bool Mute = false;
    bool Stall = false;
    bool Halted = false;
    bool RefuseNext = false;
};

} // namespace loadersim
