#include "platform/rtl/Dates.h"

#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <tuple>

namespace {

TDateTime At(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    return EncodeDate(static_cast<std::uint16_t>(y), static_cast<std::uint16_t>(mo),
                      static_cast<std::uint16_t>(d)) +
           EncodeTime(static_cast<std::uint16_t>(h), static_cast<std::uint16_t>(mi),
                      static_cast<std::uint16_t>(s), static_cast<std::uint16_t>(ms));
}

} // namespace

TEST(Dates, EncodeDateCountsFrom18991230) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
    EXPECT_EQ(EncodeDate(2004, 2, 29), EncodeDate(2004, 3, 1) - 1);
}

TEST(Dates, InvalidFieldsRaise) {
    const std::tuple<int, int, int> dates[] = {{2003, 2, 29}, {1900, 2, 29}, {2004, 13, 1}, {2004, 0, 1},
                                               {2004, 4, 31}, {2004, 1, 0},  {0, 1, 1},     {10000, 1, 1}};
    for (auto [y, m, d] : dates) {
        try {
            EncodeDate(static_cast<std::uint16_t>(y), static_cast<std::uint16_t>(m),
                       static_cast<std::uint16_t>(d));
            ADD_FAILURE() << y << "-" << m << "-" << d;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message, "Invalid argument to date encode");
        }
    }
    try {
        EncodeTime(24, 0, 0, 0);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message, "Invalid argument to time encode");
    }
    EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 60, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
}

TEST(Dates, DecodeDateInvertsEncodeDate) {
    for (int day = EncodeDate(1599, 12, 1); day <= EncodeDate(2401, 3, 1); ++day) {
        std::uint16_t y, m, d;
        // Before 1899-12-30 the time of day is the fraction below the day.
        DecodeDate(day >= 0 ? day + 0.75 : day - 0.75, y, m, d);
        ASSERT_EQ(EncodeDate(y, m, d), day) << y << "-" << m << "-" << d;
    }
    std::uint16_t y, m, d;
    DecodeDate(EncodeDate(9999, 12, 31), y, m, d);
    EXPECT_EQ((std::tuple{y, m, d}), (std::tuple<std::uint16_t, std::uint16_t, std::uint16_t>{9999, 12, 31}));
    DecodeDate(EncodeDate(1, 1, 1), y, m, d);
    EXPECT_EQ((std::tuple{y, m, d}), (std::tuple<std::uint16_t, std::uint16_t, std::uint16_t>{1, 1, 1}));
}

TEST(Dates, TimeOfDayRoundsToTheMillisecond) {
    std::uint16_t h, mi, s, ms;
    DecodeTime(EncodeTime(23, 59, 59, 999), h, mi, s, ms);
    EXPECT_EQ((std::tuple{h, mi, s, ms}),
              (std::tuple<std::uint16_t, std::uint16_t, std::uint16_t, std::uint16_t>{23, 59, 59, 999}));
    DecodeTime(At(2004, 3, 9, 7, 5, 8, 42), h, mi, s, ms);
    EXPECT_EQ((std::tuple{h, mi, s, ms}),
              (std::tuple<std::uint16_t, std::uint16_t, std::uint16_t, std::uint16_t>{7, 5, 8, 42}));
    // -1.25 is 1899-12-29 06:00: the fraction counts from midnight whatever the sign.
    std::uint16_t y, m, d;
    DecodeDate(-1.25, y, m, d);
    DecodeTime(-1.25, h, mi, s, ms);
    EXPECT_EQ((std::tuple{y, m, d, h}),
              (std::tuple<std::uint16_t, std::uint16_t, std::uint16_t, std::uint16_t>{1899, 12, 29, 6}));
}

TEST(Dates, FormatDateTimeTokens) {
    const TDateTime morning = At(2004, 3, 9, 7, 5, 8, 42);
    const TDateTime evening = At(2004, 3, 9, 19, 5, 8);
    const TDateTime midnight = At(2004, 3, 9, 0, 30, 0);
    struct Case {
        const char* format;
        TDateTime when;
        const char* expected;
    } cases[] = {
        {"yyyy-mm-dd hh:nn:ss.zzz", morning, "2004-03-09 07:05:08.042"},
        {"d/m/yy h:n:s z", morning, "9/3/04 7:5:8 42"},
        {"hh:mm", morning, "07:05"},
        {"mm/dd hh", morning, "03/09 07"},
        {"m/d/yyyy_h:nn:ss", morning, "3/9/2004_7:05:08"},
        {"h:mm am/pm", morning, "7:05 am"},
        {"h:mm am/pm", evening, "7:05 pm"},
        {"hh AM/PM", midnight, "12 AM"},
        {"h a/p", evening, "7 p"},
        {"h ampm", evening, "7 PM"},
        {"HH:NN", evening, "19:05"},
        {"h:mm 'am/pm'", evening, "19:05 am/pm"},
        {"mmm mmmm ddd dddd", morning, "Mar March Tue Tuesday"},
        {"'yyyy' \"dd\" yyyy", morning, "yyyy dd 2004"},
        {"hh'h'nn", morning, "07h05"},
        {"x-q", morning, "x-q"},
        {"", morning, ""},
    };
    // The separators and am/pm texts of the default settings, whatever the machine's locale.
    for (const Case& c : cases)
        EXPECT_EQ(FormatDateTime(c.format, c.when, TFormatSettings()), c.expected) << c.format;
}

TEST(Dates, FileDates) {
    const std::int32_t packed = DateTimeToFileDate(At(2004, 3, 9, 7, 5, 9));
    EXPECT_EQ(packed, (((2004 - 1980) << 9 | 3 << 5 | 9) << 16) | (7 << 11 | 5 << 5 | 4));
    EXPECT_EQ(FileDateToDateTime(packed), At(2004, 3, 9, 7, 5, 8));
    EXPECT_EQ(DateTimeToFileDate(At(1979, 12, 31, 23, 59, 59)), 0);
    EXPECT_EQ(DateTimeToFileDate(At(2108, 1, 1, 0, 0, 0)), 0);
    EXPECT_NE(DateTimeToFileDate(At(2107, 12, 31, 23, 59, 58)), 0);
    // Month 0 makes no date.
    EXPECT_THROW(FileDateToDateTime(0), EConvertError);
    // Hour 31 makes no time.
    EXPECT_THROW(FileDateToDateTime((((2004 - 1980) << 9 | 3 << 5 | 9) << 16) | 31 << 11), EConvertError);
}

TEST(Dates, NowIsTheLocalTime) {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    const TDateTime expected =
        At(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    EXPECT_LT(std::fabs(Now() - expected), 2.0 / 86400);
}

namespace {

// A locale of the other kind: day first, dots, 24 hours.
TFormatSettings German() {
    TFormatSettings fs;
    fs.DecimalSeparator = ',';
    fs.DateSeparator = '.';
    fs.ShortDateFormat = "dd/mm/yyyy";
    fs.LongTimeFormat = "hh:nn:ss";
    fs.ShortTimeFormat = "hh:nn";
    return fs;
}

} // namespace

TEST(Dates, DateAndTimeToStrFollowTheSettings) {
    const TFormatSettings us;
    const TDateTime t = At(2004, 3, 7, 14, 5, 9);
    EXPECT_EQ(DateToStr(t, us), "3/7/2004");
    EXPECT_EQ(TimeToStr(t, us), "2:05:09 PM");
    EXPECT_EQ(DateTimeToStr(t, us), "3/7/2004 2:05:09 PM");
    EXPECT_EQ(DateTimeToStr(At(2004, 3, 7, 0, 0, 0), us), "3/7/2004");
    EXPECT_EQ(FormatDateTime("t", t, us), "2:05 PM");
    EXPECT_EQ(DateToStr(t, German()), "07.03.2004");
    EXPECT_EQ(DateTimeToStr(t, German()), "07.03.2004 14:05:09");
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn", t, German()), "2004.03.07 14:05");
    TFormatSettings fixed;
    fixed.DateSeparator = '-';
    fixed.ShortDateFormat = "yyyy/mm/dd";
    fixed.LongTimeFormat = "hh:nn:ss";
    EXPECT_EQ(DateTimeToStr(t, fixed), "2004-03-07 14:05:09");
}

TEST(Dates, ReadersTakeTheSettingsOrder) {
    const TFormatSettings us;
    TFormatSettings fixed;
    fixed.DateSeparator = '-';
    fixed.ShortDateFormat = "yyyy/mm/dd";
    struct DateCase {
        const char* text;
        const TFormatSettings* fs;
        TDateTime expected;
    };
    const TFormatSettings german = German();
    const DateCase dates[] = {
        {"3/7/2004", &us, At(2004, 3, 7, 0, 0, 0)},       {" 12/31/1999 ", &us, At(1999, 12, 31, 0, 0, 0)},
        {"07.03.2004", &german, At(2004, 3, 7, 0, 0, 0)}, {"2004-03-07", &fixed, At(2004, 3, 7, 0, 0, 0)},
        {"1/2/03", &us, At(2003, 1, 2, 0, 0, 0)},
    };
    for (const DateCase& c : dates) EXPECT_EQ(StrToDate(c.text, *c.fs), c.expected) << c.text;
    std::uint16_t y, m, d, ny, nm, nd;
    DecodeDate(StrToDate("2/28", us), y, m, d);
    DecodeDate(Now(), ny, nm, nd);
    EXPECT_EQ(y, ny);
    for (const char* bad : {"", "3", "13/1/2004", "2/30/2004", "3-7-2004", "3/7/2004x", "1/2/3/4"}) {
        try {
            StrToDate(bad, us);
            ADD_FAILURE() << bad;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message, std::string("'") + bad + "' is not a valid date");
        }
    }

    const std::pair<const char*, TDateTime> times[] = {{"14:05:09", At(1899, 12, 30, 14, 5, 9)},
                                                       {"2:05 PM", At(1899, 12, 30, 14, 5, 0)},
                                                       {"12:00 am", At(1899, 12, 30, 0, 0, 0)},
                                                       {"9", At(1899, 12, 30, 9, 0, 0)},
                                                       {"1:02:03.5", At(1899, 12, 30, 1, 2, 3, 5)}};
    for (auto [text, value] : times) EXPECT_DOUBLE_EQ(StrToTime(text, us), value) << text;
    for (const char* bad : {"24:00", "1:60", "13:00 PM", "0 AM", "1:", "x"})
        EXPECT_THROW(StrToTime(bad, us), EConvertError) << bad;

    EXPECT_DOUBLE_EQ(StrToDateTime("2004-03-07 14:05:09", fixed), At(2004, 3, 7, 14, 5, 9));
    EXPECT_DOUBLE_EQ(StrToDateTime("07.03.2004 14:05", german), At(2004, 3, 7, 14, 5, 0));
    EXPECT_DOUBLE_EQ(StrToDateTime("14:05", german), At(1899, 12, 30, 14, 5, 0));
    EXPECT_THROW(StrToDateTime("07.03.2004 x", german), EConvertError);
    // Written and read in one form, any value comes back to the second.
    const TDateTime t = At(1987, 6, 5, 4, 3, 2);
    EXPECT_DOUBLE_EQ(StrToDateTime(DateTimeToStr(t, german), german), t);
}

TEST(Dates, SettingsFromTheLocale) {
    const TFormatSettings c = GetLocaleFormatSettings("C");
    EXPECT_EQ(c.DecimalSeparator, '.');
    EXPECT_EQ(c.DateSeparator, '/');
    EXPECT_EQ(c.TimeSeparator, ':');
    EXPECT_EQ(c.ShortDateFormat, "mm/dd/yy");
    EXPECT_EQ(c.LongTimeFormat, "hh:nn:ss");
    EXPECT_EQ(c.ShortTimeFormat, "hh:nn");
    // A locale that is not installed gives the C locale's.
    const TFormatSettings missing = GetLocaleFormatSettings("xx_NOWHERE.UTF-8");
    EXPECT_EQ(missing.ShortDateFormat, c.ShortDateFormat);
    EXPECT_EQ(missing.DecimalSeparator, '.');
}
