// TDateTime: days since 1899-12-30 in the integer part, the time of day in the fraction.
#pragma once

#include "platform/rtl/FormatSettings.h"

#include <cstdint>
#include <string>

using TDateTime = double;

// The local date and time, to the millisecond.
TDateTime Now();

// Invalid fields raise EConvertError "Invalid argument to date encode" / "... time encode".
TDateTime EncodeDate(std::uint16_t year, std::uint16_t month, std::uint16_t day);
TDateTime EncodeTime(std::uint16_t hour, std::uint16_t min, std::uint16_t sec, std::uint16_t msec);
void DecodeDate(TDateTime dateTime, std::uint16_t& year, std::uint16_t& month, std::uint16_t& day);
void DecodeTime(TDateTime dateTime, std::uint16_t& hour, std::uint16_t& min, std::uint16_t& sec,
                std::uint16_t& msec);

// Tokens (case-blind): yyyy yy, m mm mmm mmmm (minutes right after an hour token), d dd ddd dddd,
// ddddd (ShortDateFormat) dddddd (LongDateFormat), c (short date, then long time unless midnight),
// t (ShortTimeFormat) tt (LongTimeFormat), h hh, n nn, s ss, z zzz, am/pm a/p ampm (these make the
// hour 12-hour; ampm writes TimeAMString or TimePMString), '/' and ':' for DateSeparator and
// TimeSeparator, text in single or double quotes as written; other characters are copied.
std::string FormatDateTime(const std::string& format, TDateTime dateTime);
std::string FormatDateTime(const std::string& format, TDateTime dateTime, const TFormatSettings& settings);

// ShortDateFormat, LongTimeFormat, and both ("c").
std::string DateToStr(TDateTime date);
std::string DateToStr(TDateTime date, const TFormatSettings& settings);
std::string TimeToStr(TDateTime time);
std::string TimeToStr(TDateTime time, const TFormatSettings& settings);
std::string DateTimeToStr(TDateTime dateTime);
std::string DateTimeToStr(TDateTime dateTime, const TFormatSettings& settings);

// Dates are two or three numbers split by DateSeparator, in the order ShortDateFormat names day,
// month and year (a missing year is this year's; a two-digit year falls in the century window);
// times are h[:n[:s[.z]]] with an optional AM/PM; a date and time are a date, a blank and a time.
// Blanks around are allowed. Failures raise EConvertError "'<s>' is not a valid date" (time, date
// and time).
TDateTime StrToDate(const std::string& s);
TDateTime StrToDate(const std::string& s, const TFormatSettings& settings);
bool TryStrToDate(const std::string& s, TDateTime& value, const TFormatSettings& settings);
TDateTime StrToTime(const std::string& s);
TDateTime StrToTime(const std::string& s, const TFormatSettings& settings);
bool TryStrToTime(const std::string& s, TDateTime& value, const TFormatSettings& settings);
TDateTime StrToDateTime(const std::string& s);
TDateTime StrToDateTime(const std::string& s, const TFormatSettings& settings);
bool TryStrToDateTime(const std::string& s, TDateTime& value, const TFormatSettings& settings);

// The packed DOS form (date in the high word, time in the low word, seconds halved); 0 for a year
// outside 1980-2107.
std::int32_t DateTimeToFileDate(TDateTime dateTime);
// Raises EConvertError for fields that make no date or time.
TDateTime FileDateToDateTime(std::int32_t fileDate);
