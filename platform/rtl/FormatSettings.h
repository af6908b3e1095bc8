// The separators and date and time formats that the number and date conversions use.
#pragma once

#include <string>

struct TFormatSettings {
    char DecimalSeparator = '.';
    // '\0': numbers are written without one.
    char ThousandSeparator = ',';
    char DateSeparator = '/';
    char TimeSeparator = ':';
    // FormatDateTime patterns; '/' and ':' in them stand for the separators above.
    std::string ShortDateFormat = "M/d/yyyy";
    std::string LongDateFormat = "dddd, MMMM d, yyyy";
    std::string ShortTimeFormat = "h:nn AMPM";
    std::string LongTimeFormat = "h:nn:ss AMPM";
    std::string TimeAMString = "AM";
    std::string TimePMString = "PM";
    // Two-digit years read as the year closest to now within this many years back (0: the current
    // century).
    int TwoDigitYearCenturyWindow = 50;
};

// The settings of a named locale, "" for the one the environment chooses (LC_ALL, LC_NUMERIC,
// LC_TIME, LANG); the "C" locale's when that one is not installed.
TFormatSettings GetLocaleFormatSettings(const std::string& localeName = std::string());

// The process's settings, taken from the environment's locale at start-up. Routines without a
// settings argument use these.
extern TFormatSettings FormatSettings;
