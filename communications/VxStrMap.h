// The message-number table: every code's English text, sorted by the absolute value of the code.
#pragma once

#include <string>
#include <string_view>

struct VxMessageNumberLookupRecord {
    int Code;
    std::string_view Text;
};

inline constexpr int VxMessageNumberLookupCount = 892;

extern const VxMessageNumberLookupRecord VxMessageNumberLookup[VxMessageNumberLookupCount];

// The text whose code has the magnitude of code's, or empty. Codes are 16-bit values: anything
// outside -32768..32767 has no text.
std::string MessageNumberToString(int code);
