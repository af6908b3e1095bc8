// "LoaderDefault.ini": a positional settings file. Comment (";"), section ("[") and empty lines do
// not count; the other lines are data lines, numbered from 1, whose value is what follows their
// first "=". Reading stops after data line 29.
#pragma once

#include <array>
#include <optional>
#include <string>

struct TLoaderDefaults {
    std::optional<int> ComPort;                 // 1: the number from its first digit 1 to 9
    std::optional<int> Baud;                    // 2: one of the rates the port takes
    bool BadBaud = false;                       // 2: present but not one of them
    std::optional<int> DataBits;                // 3: 5 to 8
    std::optional<int> Parity;                  // 4: 0 to 4
    std::optional<int> StopBits;                // 5: 1 or 2
    std::optional<std::string> AutomaticScript; // 6
    std::optional<std::string> ScriptFolder;    // 7
    bool Automatic = false;                     // 8: "AUTOMATIC", any case, blanks ignored
    std::optional<char> NormalPrompt;           // 14
    std::optional<char> LoaderPrompt;           // 15
    std::optional<std::string> LoaderModeCmd;   // 19: with "\r\n" added
    std::optional<int> TerminalVisible;         // 20: 0 or 1
    std::optional<int> Background;              // 21: 0 to 5
    std::optional<int> TextColor;               // 22: 0 to 5
    std::optional<int> Branding;                // 23: its integer (0 when it is not a number)
    std::optional<std::string> LoadCmd;         // 24
    bool Locked = false;                        // 25: exactly "TRUE"
    std::optional<std::array<int, 4>> Address;  // 26: four numbers 0 to 255
    std::optional<int> Port;                    // 27: 0 to 65535
};

// The settings in the bytes of the file; a line ends at a line feed (a carriage return before it
// is not part of the value) or at the end of the bytes, and holds at most 351 characters.
TLoaderDefaults ParseLoaderDefault(const std::string& bytes);

// The whole file, or nullopt when it cannot be read.
std::optional<std::string> ReadSettingsFile(const std::string& fileName);

// The integer at the start of text after blanks, as "%d" reads it; nullopt when there is none.
std::optional<int> LeadingInt(const std::string& text, std::size_t* end = nullptr);
