// Day numbers, date/time texts and number texts of the grid.

#include "datetext.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

TEST(DayNumbers, KnownDatesAndLeapRules)
{
    EXPECT_EQ(2451545, DateToDayNumber(1, 1, 0));  // 01/01/2000
    EXPECT_EQ(2451545, DateToDayNumber(1, 1, 2000));
    EXPECT_EQ(2440588, DateToDayNumber(1, 1, 1970));
    EXPECT_EQ(2299161, DateToDayNumber(10, 15, 1582));  // first Gregorian day
    EXPECT_EQ(0, DateToDayNumber(2, 29, 1900));         // 1900 is no leap year
    EXPECT_NE(0, DateToDayNumber(2, 29, 0));            // 2000 is
    EXPECT_EQ(DateToDayNumber(3, 7, 2013), DateToDayNumber(3, 7, 13));
    EXPECT_EQ(DateToDayNumber(3, 7, 1953), DateToDayNumber(3, 7, 53));
    EXPECT_EQ(DateToDayNumber(12, 31, 1999), DateToDayNumber(12, 31, 99));
    EXPECT_EQ(0, DateToDayNumber(13, 1, 2000));
    EXPECT_EQ(0, DateToDayNumber(0, 1, 2000));
    EXPECT_EQ(0, DateToDayNumber(4, 31, 2000));
    EXPECT_EQ(0, DateToDayNumber(1, 0, 2000));
    EXPECT_EQ(0, DateToDayNumber(1, 1, 10000));  // beyond four digits
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_FALSE(IsLeapYear(2100));
    EXPECT_FALSE(IsLeapYear(2023));
    EXPECT_EQ(29, DaysInMonth(2, 2024));
    EXPECT_EQ(28, DaysInMonth(2, 2100));
    EXPECT_EQ(0, DaysInMonth(13, 2024));
    EXPECT_FALSE(IsValidDay(2, 30, 2024));
    EXPECT_TRUE(IsValidDay(12, 31, 2024));
}

// Every day from 1800 to 2200: numbers run on by one and convert back.
TEST(DayNumbers, RoundTripOverFourCenturies)
{
    long expected = DateToDayNumber(1, 1, 1800);
    ASSERT_NE(0, expected);
    for (int year = 1800; year <= 2200; ++year) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= DaysInMonth(month, year); ++day) {
                long n = DateToDayNumber(month, day, year);
                ASSERT_EQ(expected, n) << day << "/" << month << "/" << year;
                int m = 0, d = 0, y = 0;
                DayNumberToDate(n, &m, &d, &y);
                ASSERT_EQ(year, y) << n;
                ASSERT_EQ(month, m) << n;
                ASSERT_EQ(day, d) << n;
                ++expected;
            }
        }
    }
    int m = 9, d = 9, y = 9;
    DayNumberToDate(0, &m, &d, &y);
    EXPECT_EQ(0, m + d + y);
}

struct FormatRow {
    int kind, order;
    const char* expected;
};

TEST(FormatDateTime, KindsAndOrders)
{
    const FormatRow rows[] = {
        {3, 6, "12:34"},
        {3, 0, "12:34"},
        {7, 8, "34:56.007"},
        {1, 6, "07/03/2013"},
        {1, 7, "03/07/2013"},
        {1, 8, "2013/03/07"},
        {5, 6, "07/03"},
        {5, 7, "03/07"},
        {5, 8, "03/07"},
        {8, 6, "07/03/2013 12:34"},
        {8, 7, "03/07/2013 12:34"},
        {8, 8, "2013/03/07 12:34"},
        {0, 6, "07/03/2013 12:34:56.007"},
        {2, 7, "03/07/2013 12:34:56.007"},
        {0, 8, "2013/03/07 12:34:56.007"},
        // Without a known order there is no date text: the area stays as it was.
        {1, 5, "garbage"},
        {0, 9, "garbage"},
        {5, 0, "garbage"},
    };
    for (const FormatRow& row : rows) {
        SCOPED_TRACE(std::to_string(row.kind) + "/" + std::to_string(row.order));
        char out[kDateTextSize] = "garbage";
        FormatDateTime("/", 7, 3, 2013, out, row.order, 12, 34, 56, 7, row.kind);
        EXPECT_STREQ(row.expected, out);
    }
}

TEST(FormatDateTime, LongSeparatorStaysInsideTheArea)
{
    char out[kDateTextSize + 8];
    std::memset(out, 'Z', sizeof out);
    const std::string sep(40, '-');
    FormatDateTime(sep.c_str(), 7, 3, 2013, out, 6, 1, 2, 3, 4, 0);
    EXPECT_EQ(kDateTextSize - 1, std::strlen(out));
    for (size_t i = kDateTextSize; i < sizeof out; ++i)
        EXPECT_EQ('Z', out[i]) << i;
}

struct ParseRow {
    const char* text;
    int inOrder;
    const char* inSep;
    int outOrder;
    const char* outSep;
    int kind;
    int year, month, day;
    const char* expected;
};

TEST(ParseDateTime, OrdersSeparatorsAndRewrite)
{
    const ParseRow rows[] = {
        {"07/03/13", 6, "/", 8, "-", 1, 2013, 3, 7, "2013-03-07"},
        {"07/03/2013", 6, "/", 6, "/", 1, 2013, 3, 7, "07/03/2013"},
        {"2013/03/07", 7, "/", 6, ".", 1, 2013, 3, 7, "07.03.2013"},
        {"13/07/03", 7, "/", 8, "-", 1, 2013, 7, 3, "2013-07-03"},
        {"2012/12/31 23:59", 7, "/", 7, "/", 8, 2012, 12, 31, "12/31/2012 23:59"},
        {"2013-03-07", 8, "-", 7, "/", 1, 2013, 3, 7, "03/07/2013"},
        {"2013.3.7", 8, ".", 6, "/", 1, 2013, 3, 7, "07/03/2013"},
        {"29/02/00", 6, "/", 8, "", 1, 2000, 2, 29, "20000229"},
        {"1/1/53", 6, "/", 6, "/", 1, 1953, 1, 1, "01/01/1953"},
        {"  07/03/2013", 6, "/", 8, "/", 5, 2013, 3, 7, "03/07"},
    };
    for (const ParseRow& row : rows) {
        SCOPED_TRACE(row.text);
        char out[kDateTextSize] = "";
        SYSTEMTIME rec;
        long n = ParseDateTime(row.text, out, row.outOrder, row.outSep, row.inOrder, row.inSep,
                               &rec, row.kind);
        EXPECT_EQ(DateToDayNumber(row.month, row.day, row.year), n);
        EXPECT_EQ(row.year, rec.wYear);
        EXPECT_EQ(row.month, rec.wMonth);
        EXPECT_EQ(row.day, rec.wDay);
        EXPECT_EQ(0, rec.wDayOfWeek);
        if (row.kind == 1) {
            EXPECT_EQ(0, rec.wHour + rec.wMinute + rec.wSecond + rec.wMilliseconds);
        }
        EXPECT_STREQ(row.expected, out);
    }
}

struct ReadingRow {
    const char* name;
    const char* text;
    int inOrder, kind;
    int year, month, day, hour, minute;  // -1: today's
};

// Texts of kinds 3 and 7 hold only a time: read as a date first, they would
// give wrong dates and times.
TEST(ParseDateTime, TimeTextsTakeTodaysDate)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    const ReadingRow rows[] = {
        {"hours and minutes alone keep their time (a date reading would make 09:41 the 9th)",
         "09:41", 6, 3, -1, -1, -1, 9, 41},
        {"minutes, seconds and milliseconds alone keep their time", "05:30.250", 8, 7, -1, -1,
         -1, -1, 5},
    };
    for (const ReadingRow& row : rows) {
        SCOPED_TRACE(row.name);
        SYSTEMTIME rec;
        long n = ParseDateTime(row.text, nullptr, 0, nullptr, row.inOrder, "/", &rec, row.kind);
        const int year = row.year < 0 ? now.wYear : row.year;
        const int month = row.month < 0 ? now.wMonth : row.month;
        const int day = row.day < 0 ? now.wDay : row.day;
        EXPECT_EQ(DateToDayNumber(month, day, year), n);
        EXPECT_EQ(year, rec.wYear);
        EXPECT_EQ(month, rec.wMonth);
        EXPECT_EQ(day, rec.wDay);
        if (row.hour >= 0) {
            EXPECT_EQ(row.hour, rec.wHour);
        }
        EXPECT_EQ(row.minute, rec.wMinute);
    }
}

// A time text without seconds takes them, and the milliseconds, from the
// clock, whatever its kind.
TEST(ParseDateTime, MissingSecondsComeFromTheClock)
{
    struct Row {
        const char* name;
        const char* text;
        int kind;
    } rows[] = {
        {"hours and minutes", "10:30", 3},
        {"date with hours and minutes", "07/03/2013 10:30", 8},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SYSTEMTIME before, after, rec;
        GetLocalTime(&before);
        ParseDateTime(row.text, nullptr, 0, nullptr, 6, "/", &rec, row.kind);
        GetLocalTime(&after);
        EXPECT_EQ(10, rec.wHour);
        EXPECT_EQ(30, rec.wMinute);
        const int from = before.wSecond * 1000 + before.wMilliseconds;
        const int to = after.wSecond * 1000 + after.wMilliseconds;
        const int got = rec.wSecond * 1000 + rec.wMilliseconds;
        const bool inside = from <= to ? (got >= from && got <= to) : (got >= from || got <= to);
        EXPECT_TRUE(inside) << "expected between " << from << " and " << to << " ms into the minute, got "
                            << got;
    }
}

TEST(ParseDateTime, TimePartsAndFullRewrite)
{
    char out[kDateTextSize] = "";
    SYSTEMTIME rec;
    long n = ParseDateTime("07/03/2013 12:34:56.789", out, 8, "-", 6, "/", &rec, 0);
    EXPECT_EQ(DateToDayNumber(3, 7, 2013), n);
    EXPECT_EQ(12, rec.wHour);
    EXPECT_EQ(34, rec.wMinute);
    EXPECT_EQ(56, rec.wSecond);
    EXPECT_EQ(789, rec.wMilliseconds);
    EXPECT_STREQ("2013-03-07 12:34:56.789", out);

    ParseDateTime("07/03/2013 08:05", out, 6, "/", 6, "/", &rec, 8);
    EXPECT_STREQ("07/03/2013 08:05", out);
    EXPECT_EQ(8, rec.wHour);
    EXPECT_EQ(5, rec.wMinute);

    n = ParseDateTime("09:41", out, 6, "/", 6, "/", &rec, 3);
    EXPECT_STREQ("09:41", out);
    EXPECT_EQ(9, rec.wHour);
    EXPECT_EQ(41, rec.wMinute);
    EXPECT_NE(0, n);  // the date of a time text is today's

    ParseDateTime("05:30.250", out, 6, "/", 6, "/", &rec, 7);
    EXPECT_STREQ("05:30.250", out);
    EXPECT_EQ(5, rec.wMinute);
    EXPECT_EQ(30, rec.wSecond);
    EXPECT_EQ(250, rec.wMilliseconds);
}

TEST(ParseDateTime, MissingPartsComeFromToday)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    const long today = DateToDayNumber(now.wMonth, now.wDay, now.wYear);
    SYSTEMTIME rec;
    EXPECT_EQ(today, ParseDateTime("", nullptr, 0, nullptr, 6, "/", &rec, 1));
    EXPECT_EQ(today, ParseDateTime(nullptr, nullptr, 0, nullptr, 6, "/", nullptr, 1));
    EXPECT_EQ(today, ParseDateTime("   ", nullptr, 0, nullptr, 8, "-", nullptr, 1));
    long n = ParseDateTime("01/02", nullptr, 0, nullptr, 6, "/", &rec, 1);
    EXPECT_EQ(now.wYear, rec.wYear);
    EXPECT_EQ(2, rec.wMonth);
    EXPECT_EQ(DateToDayNumber(2, 1, now.wYear), n);
}

TEST(ParseDateTime, InvalidDateGivesZeroAndLeavesTheText)
{
    char out[kDateTextSize] = "unchanged";
    SYSTEMTIME rec;
    EXPECT_EQ(0, ParseDateTime("31/02/2013", out, 8, "-", 6, "/", &rec, 1));
    EXPECT_STREQ("unchanged", out);
    EXPECT_EQ(0, ParseDateTime("29/02/1900", out, 8, "-", 6, "/", &rec, 1));
    EXPECT_EQ(0, ParseDateTime("99999999999/1/2000", out, 8, "-", 6, "/", &rec, 1));
    EXPECT_STREQ("unchanged", out);
    // A rewrite needs an order and a separator.
    EXPECT_NE(0, ParseDateTime("07/03/2013", out, 0, "-", 6, "/", &rec, 1));
    EXPECT_NE(0, ParseDateTime("07/03/2013", out, 8, nullptr, 6, "/", &rec, 1));
    EXPECT_STREQ("unchanged", out);
}

struct IntegerRow {
    long value;
    bool isSigned, thousands;
    const char* expected;
};

TEST(FormatInteger, SignsAndGroups)
{
    const IntegerRow rows[] = {
        {1234567, true, true, "1.234.567"},
        {1234567, true, false, "1234567"},
        {0, true, true, ""},
        {999, true, true, "999"},
        {1000, true, true, "1.000"},
        {-1234, true, true, "-1.234"},
        {-1, false, false, "4294967295"},
        {-1, false, true, "4.294.967.295"},
        {LONG_MIN, true, true, "-2.147.483.648"},
        {LONG_MAX, true, false, "2147483647"},
    };
    for (const IntegerRow& row : rows) {
        SCOPED_TRACE(row.value);
        char out[kDateTextSize] = "garbage";
        EXPECT_TRUE(FormatInteger(out, row.value, row.isSigned, row.thousands));
        EXPECT_STREQ(row.expected, out);
    }
    char small[5] = "xxxx";
    EXPECT_FALSE(FormatInteger(small, 123456, true, false, sizeof small));
    EXPECT_STREQ("", small);
    EXPECT_TRUE(FormatInteger(small, 1234, true, false, sizeof small));
    EXPECT_STREQ("1234", small);
}

struct DecimalRow {
    double value;
    int decimals;
    bool thousands, keepZero, always;
    const char* expected;
};

TEST(FormatDecimal, FractionsGroupsAndZeros)
{
    const DecimalRow rows[] = {
        {1234.5, 2, true, false, false, "1`234,50"},
        {1234.5, 2, false, false, false, "1234,50"},
        {0, 2, false, false, false, ""},
        {0, 2, false, false, true, "0"},
        {0, 2, false, true, true, "0,00"},
        {0.05, 2, false, false, false, "0,05"},
        {-0.05, 2, false, false, false, "-0,05"},
        {0.007, 3, false, false, false, "0,007"},
        {12.5, 4, false, false, false, "12,50"},
        {1234.5678, 4, false, false, false, "1234,5678"},
        {12, 2, false, false, false, "12"},
        {12, 2, false, true, false, "12,00"},
        {2.5, 1, false, false, false, "2,5"},
        {-1234567.891, 3, true, false, false, "-1`234`567,891"},
        {999999.25, 2, true, false, false, "999`999,25"},
        {-0.001, 2, false, false, false, "-0"},
        {-0.001, 2, false, true, false, "-0,00"},
        {7, 0, true, true, false, "7,00"},
    };
    for (const DecimalRow& row : rows) {
        SCOPED_TRACE(row.expected);
        char out[kDateTextSize] = "garbage";
        EXPECT_TRUE(FormatDecimal(out, row.value, row.decimals, row.thousands, row.keepZero,
                                  row.always));
        EXPECT_STREQ(row.expected, out);
    }
}

// Exact binary ties round away from zero, as the library rounds everywhere;
// a runtime that rounds ties to even would give 0,12 and 2.
TEST(FormatDecimal, TiesRoundAwayFromZero)
{
    const struct {
        const char* name;
        double value;
        int decimals;
        const char* expected;
    } rows[] = {
        {"0.125 at two decimals", 0.125, 2, "0,13"},
        {"-0.125 at two decimals", -0.125, 2, "-0,13"},
        {"0.625 at two decimals", 0.625, 2, "0,63"},
        {"2.5 at none", 2.5, 0, "3"},
        {"-2.5 at none", -2.5, 0, "-3"},
        {"0.5 at none", 0.5, 0, "1"},
        {"-0.5 at none", -0.5, 0, "-1"},
        {"1234.5 at none, grouped", 1234.5, 0, "1`235"},
        {"0.0625 at three decimals", 0.0625, 3, "0,063"},
        {"not a tie stays", 0.124, 2, "0,12"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        char out[kDateTextSize] = "garbage";
        EXPECT_TRUE(FormatDecimal(out, row.value, row.decimals, true, false, false));
        EXPECT_STREQ(row.expected, out);
    }
}

TEST(FormatDecimal, TooLongForTheAreaGivesNothing)
{
    char out[kDateTextSize] = "garbage";
    EXPECT_FALSE(FormatDecimal(out, 1e300, 2, true, false, false));
    EXPECT_STREQ("", out);
    EXPECT_FALSE(FormatDecimal(out, 1e40, 2, false, false, false));
    EXPECT_STREQ("", out);
    EXPECT_TRUE(FormatDecimal(out, 1e20, 2, false, false, false));
    EXPECT_STREQ("100000000000000000000", out);
}

}  // namespace
