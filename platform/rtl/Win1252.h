// The system's 8-bit strings hold Windows-1252 bytes; these are the one mapping to and from Unicode.
#pragma once

#include <string>

// Every byte maps to one character; the five bytes the code page leaves undefined map to the C1
// control characters of the same value, so that any byte string comes back unchanged.
char16_t Win1252ToUnicode(unsigned char byte);
// The byte for a character, or -1 when the code page has none.
int UnicodeToWin1252(char16_t ch);

std::u16string Win1252ToUtf16(const std::string& text);
// Characters the code page lacks become '?', one per character (a surrogate pair counts as one).
std::string Utf16ToWin1252(const std::u16string& text);
