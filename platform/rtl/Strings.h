// The run time's string routines over 8-bit strings (Windows-1252 bytes): positions are 1-based and
// count bytes, 0 means "not found"; zero-terminated buffer routines; file-name routines.
#pragma once

#include "platform/rtl/Set.h"

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>

// --- Positions, copies and edits (1-based) -------------------------------------------------------

int Pos(const std::string& sub, const std::string& s);
// Pos starting at offset; 0 when offset is below 1 or past the end.
int PosEx(const std::string& sub, const std::string& s, int offset = 1);
// An index below 1 counts as 1; an index past the end or a count below 1 gives "".
std::string Copy(const std::string& s, int index, int count);
// Nothing happens for an index outside 1..Length(s) or a count below 1.
void Delete(std::string& s, int index, int count);
// The index is clipped to 1..Length(s) + 1.
void Insert(const std::string& sub, std::string& s, int index);
int Length(const std::string& s);
// New bytes are zero.
void SetLength(std::string& s, int newLength);
std::string StringOfChar(char c, int count);

// Remove leading / trailing characters up to and including ' ' (control characters too).
std::string Trim(const std::string& s);
std::string TrimLeft(const std::string& s);
std::string TrimRight(const std::string& s);

// ASCII letters only.
std::string UpperCase(const std::string& s);
std::string LowerCase(const std::string& s);
// Windows-1252 letters as well (accented letters, the ligatures and S/Z with caron ...).
std::string AnsiUpperCase(const std::string& s);
std::string AnsiLowerCase(const std::string& s);

// Byte order; the result is the difference of the first unequal bytes or of the lengths.
int CompareStr(const std::string& a, const std::string& b);
// As CompareStr after folding ASCII letters to upper case.
int CompareText(const std::string& a, const std::string& b);
bool SameText(const std::string& a, const std::string& b);
// The locale-aware comparisons, over Windows-1252: letters compare case-blind first; for
// AnsiCompareStr, texts that differ only in case order lower case first. Results are -1, 0, 1.
int AnsiCompareStr(const std::string& a, const std::string& b);
int AnsiCompareText(const std::string& a, const std::string& b);

// --- Numbers ---------------------------------------------------------------------------------------

std::string IntToStr(std::int64_t value);
// Upper-case hex of at least `digits` digits; a negative value shows its two's complement at the
// width of its type (8 digits for 32 bits, 16 for 64).
std::string IntToHex(std::int32_t value, int digits);
std::string IntToHex(std::int64_t value, int digits);
template <std::integral T> std::string IntToHex(T value, int digits) {
    if constexpr (sizeof(T) <= 4)
        return IntToHex(static_cast<std::int32_t>(value), digits);
    else
        return IntToHex(static_cast<std::int64_t>(value), digits);
}

// Decimal with an optional sign, or hex after "$" or "0x"; leading blanks are skipped, anything
// after the number fails. Failures raise EConvertError "'<s>' is not a valid integer value".
int StrToInt(const std::string& s);
int StrToIntDef(const std::string& s, int defaultValue);
bool TryStrToInt(const std::string& s, int& value);
std::int64_t StrToInt64(const std::string& s);
bool TryStrToInt64(const std::string& s, std::int64_t& value);

// --- Replacing and quoting ---------------------------------------------------------------------------

enum TReplaceFlag { rfReplaceAll, rfIgnoreCase };
using TReplaceFlags = TSet<TReplaceFlag>;

std::string StringReplace(const std::string& s, const std::string& oldPattern, const std::string& newPattern,
                          TReplaceFlags flags);
// 'text' with inner quotes doubled.
std::string QuotedStr(const std::string& s);
// Every CR, LF, CR LF or LF CR becomes one CR LF.
std::string AdjustLineBreaks(const std::string& s);

// --- Zero-terminated strings ---------------------------------------------------------------------------

std::size_t StrLen(const char* s);
char* StrEnd(char* s);
const char* StrEnd(const char* s);
char* StrCopy(char* dest, const char* source);
// Copies at most maxLen characters and the terminator.
char* StrLCopy(char* dest, const char* source, std::size_t maxLen);
char* StrPCopy(char* dest, const std::string& source);
char* StrPLCopy(char* dest, const std::string& source, std::size_t maxLen);
char* StrCat(char* dest, const char* source);
int StrComp(const char* a, const char* b);
// ASCII letters compare case-blind.
int StrIComp(const char* a, const char* b);
// The first occurrence of sub in s, or nullptr.
char* StrPos(char* s, const char* sub);
const char* StrPos(const char* s, const char* sub);
std::string StrPas(const char* s);

// --- File names --------------------------------------------------------------------------------------
// Both '\' and '/' delimit directories; ':' ends a drive.

// The name the file system knows: every '\' becomes '/', and a leading "C:" (the one drive, the
// root) goes, so "C:\Temp\a.txt" is "/Temp/a.txt". The routines that open, test or delete files
// pass their names through it.
std::string PosixFileName(const std::string& fileName);

std::string ExtractFileName(const std::string& fileName);
// The directory part with its trailing delimiter.
std::string ExtractFilePath(const std::string& fileName);
// The extension with its dot, or "".
std::string ExtractFileExt(const std::string& fileName);
std::string ChangeFileExt(const std::string& fileName, const std::string& extension);
// True for an existing file that is not a directory.
bool FileExists(const std::string& fileName);
bool DeleteFile(const std::string& fileName);
std::string GetCurrentDir();
