// String routines: filling to a length, delimiter-separated fields, character search, trimming and
// trailing-backslash handling. Positions are 1-based, as in the run time's routines.
#pragma once

#include <initializer_list>
#include <span>
#include <string>

// s with ch added on the left / right up to length len; s itself when it is that long already.
std::string LuxAddCharL(const std::string& s, int len, char ch);
std::string LuxAddCharR(const std::string& s, int len, char ch);
std::string LuxAddSpaceL(const std::string& s, int len);
std::string LuxAddSpaceR(const std::string& s, int len);
std::string LuxAddZeroL(const std::string& s, int len);
std::string LuxAddZeroR(const std::string& s, int len);

// n copies of ch; empty for n <= 0.
std::string LuxFillString(int n, char ch);
std::string LuxSpace(int n);
std::string LuxReplaceChar(const std::string& s, char oldChar, char newChar);

// Fields: field 0 is the text before the first delimiter, field n the text after the n-th one (up
// to the next). A missing field is empty.
std::string LuxCodeString(std::span<const std::string> values, char delimiter);
std::string LuxCodeInt(std::span<const int> values, char delimiter);
// Delimiters + 1; 0 for an empty s.
int LuxGetCodedCount(const std::string& s, char delimiter);
std::string LuxGetCodedString(const std::string& s, char delimiter, int index);
// The field by StrToInt (its EConvertError passes through); -1 for an empty field.
int LuxGetCodedInt(const std::string& s, char delimiter, int index);
// Replaces field index by value, appending delimiters until the field exists.
void LuxSetCodedString(std::string& s, const std::string& value, char delimiter, int index);

int LuxCount(const std::string& s, char ch);
// Position of the last ch, 0 if none.
int LuxBackPos(char ch, const std::string& s);
// Position of the first ASCII digit, stepping over the second byte of double-byte characters; 0 if
// none.
int LuxScanToNumber(const std::string& s);
// True for an empty string or spaces only (a tab is text).
bool LuxEmpty(const std::string& s);

std::string LuxTrimL(const std::string& s);
std::string LuxTrimR(const std::string& s);
std::string LuxTrim(const std::string& s);

// The text before the first ch, or s without one.
std::string LuxGetFirstString(const std::string& s, char ch);
// At most 255 characters after the first ch, or s without one.
std::string LuxGetSecondString(const std::string& s, char ch);

// s with a backslash appended unless it is non-blank and ends in one already.
std::string LuxSlashAdd(const std::string& s);
// s without one trailing backslash; a blank s unchanged.
std::string LuxSlashRemove(const std::string& s);
