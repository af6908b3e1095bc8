// TDateTime: days since 1899-12-30 in the integer part, the time of day in the fraction.
#pragma once

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
// h hh, n nn, s ss, z zzz, am/pm a/p ampm (these make the hour 12-hour), '/' and ':' as the date and
// time separators, text in single or double quotes as written; other characters are copied.
std::string FormatDateTime(const std::string& format, TDateTime dateTime);

// The packed DOS form (date in the high word, time in the low word, seconds halved); 0 for a year
// outside 1980-2107.
std::int32_t DateTimeToFileDate(TDateTime dateTime);
// Raises EConvertError for fields that make no date or time.
TDateTime FileDateToDateTime(std::int32_t fileDate);
