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
// reference's character.
TVtScreen EmulatorScreen(TVxVT100Emulator& Emulator, int Rows, int Cols);

// The reference terminal, fed with the same bytes.
class TReferenceTerminal {
public:
    TReferenceTerminal(int Rows, int Cols);
    ~TReferenceTerminal();
    TReferenceTerminal(const TReferenceTerminal&) = delete;
    TReferenceTerminal& operator=(const TReferenceTerminal&) = delete;
    void Feed(const std::string& Bytes);
    TVtScreen Screen() const;

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

// Screens that differ from the reference on purpose, by name, with the reason; the comparison
// fails on any other difference.
struct TVtAllowedDifference {
    const char* Screen;
    const char* Reason;
};
const std::vector<TVtAllowedDifference>& AllowedDifferences();
const char* AllowedDifference(const std::string& Screen);
