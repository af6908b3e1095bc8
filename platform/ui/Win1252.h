// The system's 8-bit strings (Windows-1252 bytes) and Qt's Unicode strings meet here, and only here.
#pragma once

#include <QString>

#include <string>

// Every byte maps to one character; the five bytes Windows-1252 leaves undefined map to the C1
// control characters of the same value, so that any byte string comes back unchanged.
QString Win1252ToQString(const std::string& text);
// Characters without a Windows-1252 byte become '?'.
std::string QStringToWin1252(const QString& text);
