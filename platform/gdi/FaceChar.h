// Which character a face shows for a byte of text.
#pragma once

#include <string>

// In the "Terminal" face the OEM character set: its pictographs for 0x01..0x1F and 0x7F, accented
// letters, line and block drawing from 0x80; in every other face Windows-1252.
char16_t GdiFaceChar(const std::string& face, unsigned char byte);
