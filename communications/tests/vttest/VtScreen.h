// Screens of the VT100 emulator beside the screens the reference terminal library computes from the
// same bytes, for the comparison against a real VT100 host program; and the recordings of what
// that program wrote, one block of bytes per screen.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TVxVT100Emulator;

// One screen: its text (one UTF-8 string per row), one attribute letter per cell ("." for none,
// else "@" plus 1 bold, 2 underline, 4 blink, 8 reverse), each row's line kind ("-" single, "w"
// double width, "t" and "b" double-height top and bottom) and the cursor.
struct TVtScreen {
    std::vector<std::string> Text;
    std::vector<std::string> Attrs;
    std::string LineKinds;
    int CursorRow = 0;
    int CursorCol = 0;
    // Empty when both are alike, else a description of the first difference.
    std::string Difference(const TVtScreen& Other) const;
    std::string Dump() const;
};

// The emulator's screen: rows 1..Rows of the buffer, columns 1..Cols; each cell as its set's draw
// script draws it (font and glyph, as the character that face shows). Where the terminal's OEM face
// lacks a graphics character and the map draws the nearest one it has, the cell shows the
// reference's character. Only the cells of rows FirstRow..LastRow are read (the other rows' text
// and attributes stay empty), for a caller that keeps the rows it read before.
TVtScreen EmulatorScreen(TVxVT100Emulator& Emulator, int Rows, int Cols, int FirstRow = 1,
                         int LastRow = 1 << 30);

// The reference terminal, fed with the same bytes.
class TReferenceTerminal {
public:
    TReferenceTerminal(int Rows, int Cols);
    ~TReferenceTerminal();
    TReferenceTerminal(const TReferenceTerminal&) = delete;
    TReferenceTerminal& operator=(const TReferenceTerminal&) = delete;
    void Feed(const std::string& Bytes);
    // Only the cells of rows FirstRow..LastRow are read, as in EmulatorScreen.
    TVtScreen Screen(int FirstRow = 1, int LastRow = 1 << 30) const;
    // Whether the screen may have changed since the last call, and the rows whose cells may have
    // (none when FirstRow > LastRow).
    bool TakeChanged(int& FirstRow, int& LastRow);

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};

// A recording: the bytes the host wrote before each screen was taken, and the screen's name.
struct TVtRecordedScreen {
    std::string Name;
    std::string Bytes;
};
// "VTREC1\n", then for each screen "screen NAME LENGTH\n", the bytes and "\n".
std::string FormatRecording(const std::vector<TVtRecordedScreen>& Screens);
// False for a malformed recording.
bool ParseRecording(const std::string& Text, std::vector<TVtRecordedScreen>& Screens);

// Differences from the reference made on purpose, by name, with the reason; the comparisons fail
// on any other difference. A name is a screen of the vttest recording, or "program/step" for a
// step of a program's recording.
enum TVtSeen {
    vsAfterScreen, // after the screen's bytes (and so byte by byte too)
    vsInPassing,   // only byte by byte: the screens part for a moment within the step
    vsNever,       // a difference from the design that the reference shares, so nothing shows it
};
struct TVtAllowedDifference {
    const char* Screen;
    const char* Reason;
    TVtSeen Seen = vsAfterScreen;
};
const std::vector<TVtAllowedDifference>& AllowedDifferences();
// The reason a screen may differ after its bytes, or (ByteByByte) at some byte of it; else null.
const char* AllowedDifference(const std::string& Screen, bool ByteByByte = false);

// A stretch of bytes after each of which the two screens differ: where it began and how.
struct TVtDivergence {
    std::string Screen;     // the step in which it began, with the caller's prefix
    std::size_t Offset = 0; // of the byte, in the step's bytes
    std::string Difference;
    std::string Ours;
};
// Feeds a recording to a fresh emulator and a fresh reference one byte at a time and compares the
// screens after every byte; each stretch of differing screens is reported once, where it began.
std::vector<TVtDivergence> CompareByteByByte(const std::vector<TVtRecordedScreen>& Screens,
                                             const std::string& Prefix = {});
