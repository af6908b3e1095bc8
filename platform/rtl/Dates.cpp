#include "platform/rtl/Dates.h"

#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <ctime>

namespace {

constexpr std::int64_t msecsPerDay = 24 * 60 * 60 * 1000;
// The day number of 1899-12-30, counting 0001-01-01 as day 1.
constexpr std::int64_t dateDelta = 693594;

const char* const shortMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const longMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                      "July",    "August",   "September", "October", "November", "December"};
const char* const shortDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const longDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                    "Thursday", "Friday", "Saturday"};

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// Day number (1 is 0001-01-01) and milliseconds of the day, rounded to the millisecond.
void Split(TDateTime dateTime, std::int64_t& days, std::int64_t& msecs) {
    const auto total = static_cast<std::int64_t>(std::nearbyint(dateTime * static_cast<double>(msecsPerDay)));
    days = total / msecsPerDay + dateDelta;
    msecs = std::llabs(total % msecsPerDay);
}

std::string Padded(int value, int digits) {
    std::string s = std::to_string(value);
    if (static_cast<int>(s.size()) < digits) s.insert(0, static_cast<std::size_t>(digits) - s.size(), '0');
    return s;
}

bool StartsWithNoCase(const std::string& s, std::size_t at, const char* prefix) {
    for (std::size_t k = 0; prefix[k] != '\0'; ++k)
        if (at + k >= s.size() || std::toupper(static_cast<unsigned char>(s[at + k])) != prefix[k])
            return false;
    return true;
}

} // namespace

TDateTime EncodeDate(std::uint16_t year, std::uint16_t month, std::uint16_t day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        throw EConvertError("Invalid argument to date encode");
    std::int64_t days = day;
    for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
    const std::int64_t y = year - 1;
    return static_cast<double>(y * 365 + y / 4 - y / 100 + y / 400 + days - dateDelta);
}

TDateTime EncodeTime(std::uint16_t hour, std::uint16_t min, std::uint16_t sec, std::uint16_t msec) {
    if (hour >= 24 || min >= 60 || sec >= 60 || msec >= 1000)
        throw EConvertError("Invalid argument to time encode");
    return static_cast<double>(((hour * 60 + min) * 60 + sec) * 1000 + msec) /
           static_cast<double>(msecsPerDay);
}

void DecodeDate(TDateTime dateTime, std::uint16_t& year, std::uint16_t& month, std::uint16_t& day) {
    std::int64_t t, msecs;
    Split(dateTime, t, msecs);
    if (t <= 0) {
        year = month = day = 0;
        return;
    }
    constexpr std::int64_t d1 = 365, d4 = d1 * 4 + 1, d100 = d4 * 25 - 1, d400 = d100 * 4 + 1;
    --t;
    std::int64_t y = 1;
    while (t >= d400) {
        t -= d400;
        y += 400;
    }
    std::int64_t i = t / d100, d = t % d100;
    if (i == 4) {
        --i;
        d += d100;
    }
    y += i * 100;
    i = d / d4;
    d %= d4;
    y += i * 4;
    i = d / d1;
    d %= d1;
    if (i == 4) {
        --i;
        d += d1;
    }
    y += i;
    int m = 1;
    while (d >= DaysInMonth(static_cast<int>(y), m)) d -= DaysInMonth(static_cast<int>(y), m++);
    year = static_cast<std::uint16_t>(y);
    month = static_cast<std::uint16_t>(m);
    day = static_cast<std::uint16_t>(d + 1);
}

void DecodeTime(TDateTime dateTime, std::uint16_t& hour, std::uint16_t& min, std::uint16_t& sec,
                std::uint16_t& msec) {
    std::int64_t days, ms;
    Split(dateTime, days, ms);
    hour = static_cast<std::uint16_t>(ms / 3600000);
    min = static_cast<std::uint16_t>(ms / 60000 % 60);
    sec = static_cast<std::uint16_t>(ms / 1000 % 60);
    msec = static_cast<std::uint16_t>(ms % 1000);
}

TDateTime Now() {
    std::timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    ::localtime_r(&ts.tv_sec, &tm);
    return EncodeDate(static_cast<std::uint16_t>(tm.tm_year + 1900),
                      static_cast<std::uint16_t>(tm.tm_mon + 1), static_cast<std::uint16_t>(tm.tm_mday)) +
           EncodeTime(static_cast<std::uint16_t>(tm.tm_hour), static_cast<std::uint16_t>(tm.tm_min),
                      static_cast<std::uint16_t>(std::min(tm.tm_sec, 59)),
                      static_cast<std::uint16_t>(ts.tv_nsec / 1000000));
}

std::string FormatDateTime(const std::string& format, TDateTime dateTime) {
    std::uint16_t year, month, day, hour, min, sec, msec;
    DecodeDate(dateTime, year, month, day);
    DecodeTime(dateTime, hour, min, sec, msec);
    std::int64_t days, ms;
    Split(dateTime, days, ms);
    // Day 1, 0001-01-01, was a Monday.
    const int dayOfWeek = static_cast<int>(((days % 7) + 7) % 7);

    std::string out;
    const std::size_t n = format.size();
    std::size_t i = 0;
    char lastToken = ' ';
    while (i < n) {
        const char start = format[i];
        char token = static_cast<char>(std::toupper(static_cast<unsigned char>(start)));
        if (token >= 'A' && token <= 'Z') {
            if (token == 'M' && lastToken == 'H') token = 'N';
            lastToken = token;
        }
        // The run of the same character (case counts) that makes the token.
        std::size_t count = 1;
        while (i + count < n && format[i + count] == start) ++count;
        switch (token) {
        case 'Y':
            out += count <= 2 ? Padded(year % 100, 2) : Padded(year, 4);
            i += count;
            break;
        case 'M':
            if (count == 1)
                out += std::to_string(month);
            else if (count == 2)
                out += Padded(month, 2);
            else if (month >= 1)
                out += count == 3 ? shortMonthNames[month - 1] : longMonthNames[month - 1];
            i += count;
            break;
        case 'D':
            if (count == 1)
                out += std::to_string(day);
            else if (count == 2)
                out += Padded(day, 2);
            else
                out += count == 3 ? shortDayNames[dayOfWeek] : longDayNames[dayOfWeek];
            i += count;
            break;
        case 'H': {
            i += count;
            // 12-hour when an am/pm token comes before the next hour token.
            bool twelve = false, quoted = false;
            for (std::size_t p = i; p < n; ++p) {
                const char c = format[p];
                if (c == '\'' || c == '"') {
                    quoted = !quoted;
                } else if (!quoted && (c == 'a' || c == 'A')) {
                    twelve = StartsWithNoCase(format, p, "AM/PM") || StartsWithNoCase(format, p, "A/P") ||
                             StartsWithNoCase(format, p, "AMPM");
                    break;
                } else if (c == 'h' || c == 'H') {
                    break;
                }
            }
            int h = hour;
            if (twelve) h = h == 0 ? 12 : h > 12 ? h - 12 : h;
            out += count == 1 ? std::to_string(h) : Padded(h, 2);
            break;
        }
        case 'N':
            out += count == 1 ? std::to_string(min) : Padded(min, 2);
            i += count;
            break;
        case 'S':
            out += count == 1 ? std::to_string(sec) : Padded(sec, 2);
            i += count;
            break;
        case 'Z':
            out += count == 1 ? std::to_string(msec) : Padded(msec, 3);
            i += count;
            break;
        case 'A':
            if (StartsWithNoCase(format, i, "AM/PM")) {
                out += format.substr(hour < 12 ? i : i + 3, 2);
                i += 5;
            } else if (StartsWithNoCase(format, i, "A/P")) {
                out += format[hour < 12 ? i : i + 2];
                i += 3;
            } else if (StartsWithNoCase(format, i, "AMPM")) {
                out += hour < 12 ? "AM" : "PM";
                i += 4;
            } else {
                out += start;
                ++i;
            }
            break;
        case '\'':
        case '"': {
            const std::size_t close = format.find(start, i + 1);
            const std::size_t end = close == std::string::npos ? n : close;
            out.append(format, i + 1, end - i - 1);
            i = close == std::string::npos ? n : close + 1;
            break;
        }
        default:
            out += start;
            ++i;
            break;
        }
    }
    return out;
}

std::int32_t DateTimeToFileDate(TDateTime dateTime) {
    std::uint16_t year, month, day, hour, min, sec, msec;
    DecodeDate(dateTime, year, month, day);
    if (year < 1980 || year > 2107) return 0;
    DecodeTime(dateTime, hour, min, sec, msec);
    const auto date = static_cast<std::uint32_t>(((year - 1980) << 9) | (month << 5) | day);
    const auto time = static_cast<std::uint32_t>((hour << 11) | (min << 5) | (sec >> 1));
    return static_cast<std::int32_t>((date << 16) | time);
}

TDateTime FileDateToDateTime(std::int32_t fileDate) {
    const auto bits = static_cast<std::uint32_t>(fileDate);
    const std::uint32_t hi = bits >> 16, lo = bits & 0xFFFF;
    return EncodeDate(static_cast<std::uint16_t>((hi >> 9) + 1980),
                      static_cast<std::uint16_t>((hi >> 5) & 15), static_cast<std::uint16_t>(hi & 31)) +
           EncodeTime(static_cast<std::uint16_t>(lo >> 11), static_cast<std::uint16_t>((lo >> 5) & 63),
                      static_cast<std::uint16_t>((lo & 31) << 1), 0);
}
