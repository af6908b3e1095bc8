// The trace: a ring of the last bytes a dispatcher sent and received, each with its kind, and the
// text file it is dumped to. The dispatcher keeps one under its list lock.
#pragma once

#include "platform/win/Types.h"

#include <memory>
#include <string>

class TextFile;

class TVexTrace {
public:
    static constexpr DWORD MaxSize = 4000000;

    // Kinds the library writes; any other kind is shown as "Special-<kind>: ".
    static constexpr char Transmit = 'T';
    static constexpr char Receive = 'R';

    // With a buffer it is cleared and keeps its size; otherwise Size entries are allocated.
    // -1002 for a new buffer of 0 or more than MaxSize entries, -8 when memory runs out.
    int Init(DWORD Size);
    void Clear();
    void Abort(); // frees the buffer
    bool HasBuffer() const { return Buffer != nullptr; }
    bool Empty() const { return !Wrapped && Pos == 0; }
    // Kept only while a buffer exists; the oldest entry gives way once the ring is full.
    void Add(char Kind, char Ch);

    // Writes the entries, oldest first, under a heading per run of one kind. 0, or the run
    // time's error number negated.
    int Dump(const std::string& FileName, bool AppendTo, bool InHex, bool AllHex) const;

private:
    std::unique_ptr<char[]> Buffer; // kind and byte per entry
    DWORD Size = 0;
    DWORD Pos = 0;
    bool Wrapped = false;
};

// A byte as the trace and the log dumps write it: printable bytes as themselves, others in
// brackets, in decimal or (InHex) two hex digits; AllHex puts every byte in hex brackets. Its
// length is its width in columns.
std::string TraceItem(char C, bool InHex, bool AllHex);

// The dumps' files are text files written with CR LF line ends, as the original wrote them, so
// that they read the same wherever they are opened. Opens for appending when asked and the file
// exists, else creates or truncates; 0 or the negated error number.
int OpenDumpFile(TextFile& F, const std::string& FileName, bool AppendTo);
// Closes F; 0, or the negated number of the first error met while writing or closing.
int CloseDumpFile(TextFile& F);
