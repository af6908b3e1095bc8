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

namespace {

void AppendDateTime(std::string& out, const std::string& format, TDateTime dateTime,
                    const TFormatSettings& fs, int depth) {
    // Named formats may name each other; two levels are all the built-in ones use.
    if (depth > 2) return;
    std::uint16_t year, month, day, hour, min, sec, msec;
    DecodeDate(dateTime, year, month, day);
    DecodeTime(dateTime, hour, min, sec, msec);
    std::int64_t days, ms;
    Split(dateTime, days, ms);
    // Day 1, 0001-01-01, was a Monday.
    const int dayOfWeek = static_cast<int>(((days % 7) + 7) % 7);

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
            else if (count <= 4)
                out += count == 3 ? shortDayNames[dayOfWeek] : longDayNames[dayOfWeek];
            else
                AppendDateTime(out, count == 5 ? fs.ShortDateFormat : fs.LongDateFormat, dateTime, fs,
                               depth + 1);
            i += count;
            break;
        case 'C':
            AppendDateTime(out, fs.ShortDateFormat, dateTime, fs, depth + 1);
            if (hour != 0 || min != 0 || sec != 0) {
                out += ' ';
                AppendDateTime(out, fs.LongTimeFormat, dateTime, fs, depth + 1);
            }
            ++i;
            break;
        case 'T':
            AppendDateTime(out, count == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, dateTime, fs, depth + 1);
            i += count;
            break;
        case '/':
            out += fs.DateSeparator;
            ++i;
            break;
        case ':':
            out += fs.TimeSeparator;
            ++i;
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
                out += hour < 12 ? fs.TimeAMString : fs.TimePMString;
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
}

} // namespace

std::string FormatDateTime(const std::string& format, TDateTime dateTime, const TFormatSettings& settings) {
    std::string out;
    AppendDateTime(out, format, dateTime, settings, 0);
    return out;
}

std::string FormatDateTime(const std::string& format, TDateTime dateTime) {
    return FormatDateTime(format, dateTime, FormatSettings);
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

std::string DateToStr(TDateTime date, const TFormatSettings& settings) {
    return FormatDateTime("ddddd", date, settings);
}
std::string DateToStr(TDateTime date) {
    return DateToStr(date, FormatSettings);
}
std::string TimeToStr(TDateTime time, const TFormatSettings& settings) {
    return FormatDateTime("tt", time, settings);
}
std::string TimeToStr(TDateTime time) {
    return TimeToStr(time, FormatSettings);
}
std::string DateTimeToStr(TDateTime dateTime, const TFormatSettings& settings) {
    return FormatDateTime("c", dateTime, settings);
}
std::string DateTimeToStr(TDateTime dateTime) {
    return DateTimeToStr(dateTime, FormatSettings);
}

namespace {

class Scanner {
public:
    Scanner(const std::string& s, const TFormatSettings& fs) : s_(s), fs_(fs) {}

    bool AtEnd() {
        Blanks();
        return i_ == s_.size();
    }

    void Blanks() {
        while (i_ < s_.size() && s_[i_] == ' ') ++i_;
    }

    // Up to 4 digits (9 for milliseconds); digits counts them.
    bool Number(int& value, int& digits, int maxDigits = 4) {
        Blanks();
        value = 0;
        digits = 0;
        while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9' && digits < maxDigits) {
            value = value * 10 + (s_[i_++] - '0');
            ++digits;
        }
        return digits > 0;
    }

    bool Char(char c) {
        Blanks();
        if (i_ < s_.size() && s_[i_] == c) {
            ++i_;
            return true;
        }
        return false;
    }

    bool Text(const std::string& text) {
        Blanks();
        if (text.empty() || s_.size() - i_ < text.size()) return false;
        for (std::size_t k = 0; k < text.size(); ++k)
            if (std::toupper(static_cast<unsigned char>(s_[i_ + k])) !=
                std::toupper(static_cast<unsigned char>(text[k])))
                return false;
        i_ += text.size();
        return true;
    }

    bool Date(TDateTime& value) {
        enum Order { mdy, dmy, ymd } order = mdy;
        for (char c : fs_.ShortDateFormat) {
            const char u = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (u == 'D' || u == 'M' || u == 'Y') {
                order = u == 'D' ? dmy : u == 'Y' ? ymd : mdy;
                break;
            }
        }
        int n1, n2, n3 = 0, l1, l2, l3 = 0;
        if (!Number(n1, l1) || !Char(fs_.DateSeparator) || !Number(n2, l2)) return false;
        const bool three = Char(fs_.DateSeparator);
        if (three && !Number(n3, l3)) return false;
        int y, m, d, yearDigits;
        if (!three) {
            y = CurrentYear();
            yearDigits = 4;
            if (order == mdy || order == ymd)
                m = n1, d = n2;
            else
                d = n1, m = n2;
        } else if (order == mdy) {
            m = n1, d = n2, y = n3, yearDigits = l3;
        } else if (order == dmy) {
            d = n1, m = n2, y = n3, yearDigits = l3;
        } else {
            y = n1, m = n2, d = n3, yearDigits = l1;
        }
        if (yearDigits <= 2) y = WindowedYear(y);
        if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) return false;
        value = EncodeDate(static_cast<std::uint16_t>(y), static_cast<std::uint16_t>(m),
                           static_cast<std::uint16_t>(d));
        return true;
    }

    bool Time(TDateTime& value) {
        int h, m = 0, sec = 0, ms = 0, digits;
        if (!Number(h, digits)) return false;
        if (Char(fs_.TimeSeparator)) {
            if (!Number(m, digits)) return false;
            if (Char(fs_.TimeSeparator)) {
                if (!Number(sec, digits)) return false;
                if (Char(fs_.DecimalSeparator)) {
                    if (!Number(ms, digits, 3)) return false;
                }
            }
        }
        int base = -1;
        if (Text(fs_.TimeAMString) || Text("AM"))
            base = 0;
        else if (Text(fs_.TimePMString) || Text("PM"))
            base = 12;
        if (base >= 0) {
            if (h == 0 || h > 12) return false;
            h = (h == 12 ? 0 : h) + base;
        }
        if (h >= 24 || m >= 60 || sec >= 60 || ms >= 1000) return false;
        value = EncodeTime(static_cast<std::uint16_t>(h), static_cast<std::uint16_t>(m),
                           static_cast<std::uint16_t>(sec), static_cast<std::uint16_t>(ms));
        return true;
    }

private:
    static int CurrentYear() {
        std::uint16_t y, m, d;
        DecodeDate(Now(), y, m, d);
        return y;
    }

    int WindowedYear(int twoDigits) const {
        const int now = CurrentYear();
        if (fs_.TwoDigitYearCenturyWindow <= 0) return now / 100 * 100 + twoDigits;
        const int pivot = now - fs_.TwoDigitYearCenturyWindow;
        int y = pivot / 100 * 100 + twoDigits;
        if (y < pivot) y += 100;
        return y;
    }

    const std::string& s_;
    const TFormatSettings& fs_;
    std::size_t i_ = 0;
};

} // namespace

bool TryStrToDate(const std::string& s, TDateTime& value, const TFormatSettings& settings) {
    Scanner scan(s, settings);
    TDateTime v;
    if (!scan.Date(v) || !scan.AtEnd()) return false;
    value = v;
    return true;
}

TDateTime StrToDate(const std::string& s, const TFormatSettings& settings) {
    TDateTime v;
    if (!TryStrToDate(s, v, settings)) throw EConvertError("'" + s + "' is not a valid date");
    return v;
}

TDateTime StrToDate(const std::string& s) {
    return StrToDate(s, FormatSettings);
}

bool TryStrToTime(const std::string& s, TDateTime& value, const TFormatSettings& settings) {
    Scanner scan(s, settings);
    TDateTime v;
    if (!scan.Time(v) || !scan.AtEnd()) return false;
    value = v;
    return true;
}

TDateTime StrToTime(const std::string& s, const TFormatSettings& settings) {
    TDateTime v;
    if (!TryStrToTime(s, v, settings)) throw EConvertError("'" + s + "' is not a valid time");
    return v;
}

TDateTime StrToTime(const std::string& s) {
    return StrToTime(s, FormatSettings);
}

bool TryStrToDateTime(const std::string& s, TDateTime& value, const TFormatSettings& settings) {
    Scanner scan(s, settings);
    TDateTime date, time = 0;
    if (!scan.Date(date)) return TryStrToTime(s, value, settings);
    if (!scan.AtEnd() && (!scan.Time(time) || !scan.AtEnd())) return false;
    // Before 1899-12-30 the time of day counts away from zero.
    value = date >= 0 ? date + time : date - time;
    return true;
}

TDateTime StrToDateTime(const std::string& s, const TFormatSettings& settings) {
    TDateTime v;
    if (!TryStrToDateTime(s, v, settings)) throw EConvertError("'" + s + "' is not a valid date and time");
    return v;
}

TDateTime StrToDateTime(const std::string& s) {
    return StrToDateTime(s, FormatSettings);
}
