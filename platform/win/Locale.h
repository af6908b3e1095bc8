// Locale facts from the process's locale (LANG, LC_ALL, LC_*): the locale id and the texts of
// GetLocaleInfo. The "C" locale answers as United States English.
#pragma once

#include "platform/win/Types.h"

#include <string>

using LCID = DWORD;
using LANGID = WORD;
using LCTYPE = DWORD;

inline constexpr LCTYPE LOCALE_SLIST = 0x0C;
inline constexpr LCTYPE LOCALE_IMEASURE = 0x0D;
inline constexpr LCTYPE LOCALE_SDECIMAL = 0x0E;
inline constexpr LCTYPE LOCALE_STHOUSAND = 0x0F;
inline constexpr LCTYPE LOCALE_SGROUPING = 0x10;
inline constexpr LCTYPE LOCALE_IDIGITS = 0x11;
inline constexpr LCTYPE LOCALE_ILZERO = 0x12;
inline constexpr LCTYPE LOCALE_SCURRENCY = 0x14;
inline constexpr LCTYPE LOCALE_SMONDECIMALSEP = 0x16;
inline constexpr LCTYPE LOCALE_SMONTHOUSANDSEP = 0x17;
inline constexpr LCTYPE LOCALE_SMONGROUPING = 0x18;
inline constexpr LCTYPE LOCALE_ICURRDIGITS = 0x19;
inline constexpr LCTYPE LOCALE_ICURRENCY = 0x1B;
inline constexpr LCTYPE LOCALE_INEGCURR = 0x1C;
inline constexpr LCTYPE LOCALE_SDATE = 0x1D;
inline constexpr LCTYPE LOCALE_STIME = 0x1E;
inline constexpr LCTYPE LOCALE_SSHORTDATE = 0x1F;
inline constexpr LCTYPE LOCALE_SLONGDATE = 0x20;
inline constexpr LCTYPE LOCALE_ITIME = 0x23;
inline constexpr LCTYPE LOCALE_S1159 = 0x28;
inline constexpr LCTYPE LOCALE_S2359 = 0x29;
inline constexpr LCTYPE LOCALE_SPOSITIVESIGN = 0x50;
inline constexpr LCTYPE LOCALE_SNEGATIVESIGN = 0x51;
inline constexpr LCTYPE LOCALE_STIMEFORMAT = 0x1003;
inline constexpr LCTYPE LOCALE_ICALENDARTYPE = 0x1009;
inline constexpr LCTYPE LOCALE_IFIRSTDAYOFWEEK = 0x100C;
inline constexpr LCTYPE LOCALE_IFIRSTWEEKOFYEAR = 0x100D;
inline constexpr LCTYPE LOCALE_INEGNUMBER = 0x1010;

inline constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;

// The locale of the environment as a Windows locale id (0x0409 for "C" and unknown ones).
LCID GetThreadLocale();
LCID GetUserDefaultLCID();
LCID GetSystemDefaultLCID();
LANGID GetSystemDefaultLangID();
// The id for a locale name such as "de_DE.UTF-8" (exposed for tests).
LCID LocaleNameToLCID(const std::string& name);

// Any locale id answers for the environment's locale. Returns the characters written with the
// terminator (with size 0: the size needed); 0 for an unknown type or too small a buffer. Texts are
// Windows-1252; date and time pictures in the system's form ("dd.MM.yyyy", "HH:mm:ss").
int GetLocaleInfo(LCID locale, LCTYPE type, char* data, int size);
// The class library's helper: the text, or Default when the query fails.
std::string GetLocaleStr(LCID locale, LCTYPE type, const std::string& Default);
