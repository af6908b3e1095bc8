// libFuzzer target for the packet matcher: random packet setups and a random stream, fed whole, in
// random splits and byte by byte, must deliver the same packets in the same order.
#include "communications/tests/support/PacketRun.h"

#include "platform/win/Messages.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Reads the fuzzer's bytes one at a time; zeros once they run out.
struct TInput {
    const std::uint8_t* Data;
    std::size_t Size;
    std::size_t At = 0;
    std::uint8_t Next() { return At < Size ? Data[At++] : 0; }
    bool More() const { return At < Size; }
};

// Three bytes make a packet and each further byte two stream bytes, so that short inputs make
// packets that meet the stream. Few letters: '?' is a wildcard in a pattern and a plain byte in the
// stream.
const char* const Tokens[] = {"A", "B", "C", "a", "?", "\\?", "x", "b"};
const char Letters[] = "ABCabx?#";

std::string Pattern(std::uint8_t Bits, bool Two) {
    std::string s = Tokens[Bits & 7];
    if (Two) s += Tokens[(Bits >> 3) & 7];
    return s;
}

TPacketSetup Setup(TInput& In, int Index) {
    const std::uint8_t flags = In.Next();
    const std::uint8_t start = In.Next();
    const std::uint8_t end = In.Next();
    TPacketSetup s;
    s.Name = std::string(1, static_cast<char>('P' + Index));
    s.Start = (flags & 1) != 0 ? scAnyData : scString;
    if ((flags & 2) != 0) s.End.Include(ecString);
    if ((flags & 4) != 0) s.End.Include(ecPacketSize);
    s.IgnoreCase = (flags & 8) != 0;
    s.Include = (flags & 16) != 0;
    s.AutoEnable = (flags & 96) != 96;
    s.TimeOut = 0;
    if (s.Start == scString) s.StartString = Pattern(start, (start & 64) != 0);
    s.EndString = Pattern(end, (end & 64) != 0);
    s.Size = 1 + ((flags >> 7) | ((start >> 6) & 2) | ((end >> 5) & 4));
    // Only settings that arm: any data needs an end, and a size holds the start string.
    if (s.Start == scAnyData && s.End.Empty()) s.End.Include(ecString);
    if (s.End.Contains(ecPacketSize) && s.Size < static_cast<int>(s.StartString.size()))
        s.Size = static_cast<int>(s.StartString.size());
    return s;
}

std::string Describe(const std::vector<TPacketSetup>& Setups, const std::vector<std::string>& Arrivals,
                     const std::vector<std::string>& Got) {
    std::string text = "setups:\n";
    for (const TPacketSetup& s : Setups)
        text += "  " + s.Name + (s.Start == scAnyData ? " any" : " start \"" + s.StartString + "\"") +
                (s.End.Contains(ecString) ? " end \"" + s.EndString + "\"" : "") +
                (s.End.Contains(ecPacketSize) ? " size " + std::to_string(s.Size) : "") +
                (s.IgnoreCase ? " ignore-case" : "") + (s.Include ? " include" : "") +
                (s.AutoEnable ? "" : " once") + "\n";
    text += "arrivals:";
    for (const std::string& a : Arrivals) text += " \"" + a + "\"";
    text += "\ndelivered:";
    for (const std::string& g : Got) text += " [" + g + "]";
    return text + "\n";
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    MainThreadId(); // the fuzzer's thread runs the messages
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TInput in{data, size};
    const std::uint8_t head = in.Next();
    std::vector<TPacketSetup> setups;
    for (int i = 0; i <= (head & 3); ++i) setups.push_back(Setup(in, i));
    // The split points come from the input too, so a failure reproduces.
    std::uint32_t seed = head >> 2;
    std::string stream;
    while (in.More() && stream.size() < 256) {
        const std::uint8_t b = in.Next();
        stream += Letters[b & 7];
        stream += Letters[(b >> 3) & 7];
    }

    const std::vector<std::string> whole = RunPackets(setups, {stream});
    std::vector<std::vector<std::string>> splits;
    for (int k = 0; k < 3; ++k) {
        std::vector<std::string> arrivals;
        std::size_t at = 0;
        while (at < stream.size()) {
            seed = seed * 1103515245u + 12345u;
            const std::size_t n = 1 + (seed >> 16) % (k == 0 ? 4 : 32);
            arrivals.push_back(stream.substr(at, n));
            at += n;
        }
        splits.push_back(std::move(arrivals));
    }
    splits.push_back(Bytewise(stream));
    for (const std::vector<std::string>& arrivals : splits) {
        const std::vector<std::string> got = RunPackets(setups, arrivals);
        if (got == whole) continue;
        std::fprintf(stderr, "whole:\n%ssplit:\n%s", Describe(setups, {stream}, whole).c_str(),
                     Describe(setups, arrivals, got).c_str());
        std::abort();
    }
    return 0;
}
