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

// Few letters, so that patterns and streams meet; '?' is a wildcard in a pattern and a plain byte
// in the stream.
std::string Pattern(TInput& In, int MaxTokens) {
    static const char* const tokens[] = {"A", "a", "B", "b", "?", "\\?", "#", "\\A"};
    std::string s;
    const int n = 1 + In.Next() % MaxTokens;
    for (int i = 0; i < n; ++i) s += tokens[In.Next() % 8];
    return s;
}

TPacketSetup Setup(TInput& In, int Index) {
    const std::uint8_t flags = In.Next();
    TPacketSetup s;
    s.Name = std::string(1, static_cast<char>('P' + Index));
    s.Start = (flags & 1) != 0 ? scAnyData : scString;
    if ((flags & 2) != 0) s.End.Include(ecString);
    if ((flags & 4) != 0) s.End.Include(ecPacketSize);
    s.IgnoreCase = (flags & 8) != 0;
    s.Include = (flags & 16) != 0;
    s.AutoEnable = (flags & 32) == 0;
    s.TimeOut = 0;
    if (s.Start == scString) s.StartString = Pattern(In, 4);
    s.EndString = Pattern(In, 3);
    s.Size = 1 + In.Next() % 8;
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
    std::vector<TPacketSetup> setups;
    const int count = 1 + in.Next() % 4;
    for (int i = 0; i < count; ++i) setups.push_back(Setup(in, i));
    // The split points come from the input too, so a failure reproduces.
    std::uint32_t seed = in.Next() | (static_cast<std::uint32_t>(in.Next()) << 8);
    std::string stream;
    static const char letters[] = "AaBb?#x\\";
    while (in.More() && stream.size() < 256) stream += letters[in.Next() % 8];

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
