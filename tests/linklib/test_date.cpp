// The register's date/time codec against an independent calendar.

#include "brisal.h"
#include "ecrdate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {

// Day count since 01/01/1970 by the proleptic Gregorian rules (H. Hinnant's
// days_from_civil), independent of the codec's 1461-day cycles.
int64_t civil_days(int y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

bool gregorian_leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned month_length(int y, unsigned m)
{
    static const unsigned len[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && gregorian_leap(y) ? 29 : len[m - 1];
}

TEST(DateCodec, EveryDayOfTheCenturyRoundTrips)
{
    int64_t expectedDays = civil_days(2000, 1, 1);
    unsigned weekday = 6;  // 01/01/2000 was a Saturday
    int failures = 0;
    for (int y = 2000; y <= 2099 && failures < 5; ++y) {
        unsigned yday = 1;
        for (unsigned m = 1; m <= 12; ++m) {
            for (unsigned d = 1; d <= month_length(y, m); ++d, ++yday, ++expectedDays) {
                uint32_t want = static_cast<uint32_t>(expectedDays * 86400);
                uint32_t got = static_cast<uint32_t>(ecr_date_decode(d, m, y - 2000));
                ecr_oro_t t;
                int rc = ecr_oro_2struct(static_cast<int>(got), &t);
                bool ok = got == want && rc == 0 && t.day == d && t.month == m &&
                          t.year == y - 2000 && t.hour == 0 && t.minute == 0 && t.second == 0 &&
                          t.weekday == weekday && t.yday == yday &&
                          ecr_oro_check(d, m, y - 2000, 0, 0, 0) == 0;
                if (!ok) {
                    ADD_FAILURE() << d << "/" << m << "/" << y << ": seconds " << got << " want "
                                  << want << ", back " << int(t.day) << "/" << int(t.month) << "/"
                                  << int(t.year) << " weekday " << int(t.weekday) << " want "
                                  << weekday << " yday " << t.yday << " want " << yday;
                    ++failures;
                }
                weekday = weekday % 7 + 1;
            }
        }
    }
    EXPECT_EQ(civil_days(2100, 1, 1), expectedDays);
}

TEST(DateCodec, BoundariesOfTheRange)
{
    const struct {
        uint32_t seconds;
        int rc;
        const char* text;
    } rows[] = {
        {ECR_ORO_FIRST - 1, -1, "99/99/99-99:99:99-[999-1]"},
        {ECR_ORO_FIRST, 0, "01/01/00-00:00:00-[001-6]"},
        {ECR_ORO_FIRST + 1, 0, "01/01/00-00:00:01-[001-6]"},
        {ECR_ORO_LAST - 1, 0, "31/12/99-23:59:58-[365-4]"},
        {ECR_ORO_LAST, 0, "31/12/99-23:59:59-[365-4]"},
        {ECR_ORO_LAST + 1, -1, "99/99/99-99:99:99-[999-1]"},
        {0, -1, "99/99/99-99:99:99-[999-1]"},
        {0xFFFFFFFFu, -1, "99/99/99-99:99:99-[999-1]"},
        {static_cast<uint32_t>(civil_days(2024, 2, 29) * 86400 + 13 * 3600 + 5 * 60 + 9), 0,
         "29/02/24-13:05:09-[060-4]"},
        {static_cast<uint32_t>(civil_days(2038, 1, 19) * 86400 + 3 * 3600 + 14 * 60 + 8), 0,
         "19/01/38-03:14:08-[019-2]"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        ecr_oro_t t;
        std::memset(&t, 0x55, sizeof t);
        EXPECT_EQ(row.rc, ecr_oro_2struct(static_cast<int>(row.seconds), &t));
        if (row.rc != 0) {
            EXPECT_EQ(99, t.day);
            EXPECT_EQ(99, t.second);
            EXPECT_EQ(1, t.weekday);
            EXPECT_EQ(999, t.yday);
        }
        char text[28];
        std::memset(text, 'x', sizeof text);
        EXPECT_EQ(text, ecr_oro_encode(static_cast<int>(row.seconds), text));
        EXPECT_STREQ(row.text, text);
    }
}

TEST(DateCodec, DecodersAndTheRecord)
{
    EXPECT_EQ(946684800, ecr_date_decode(1, 1, 0));
    EXPECT_EQ(946684800 + 59 * 86400, ecr_dates_decode(29, 2));
    EXPECT_EQ(946684800 + 3723, ecr_time_decode(1, 2, 3));
    EXPECT_EQ(946684800 + 3720, ecr_times_decode(1, 2));
    EXPECT_EQ(static_cast<int>(civil_days(2024, 2, 29) * 86400), ecr_date_decode(29, 2, 24));

    const unsigned char record[6] = {31, 12, 99, 23, 59, 59};
    EXPECT_EQ(static_cast<int>(ECR_ORO_LAST), ecr_oro_2long(record));
    EXPECT_EQ(static_cast<int>(ECR_ORO_LAST), ecr_oro_decode(31, 12, 99, 23, 59, 59));
    // Values are used as bytes, like the record.
    EXPECT_EQ(ecr_oro_decode(1, 3, 4, 5, 6, 7), ecr_oro_decode(1 + 256, 3, 4, 5, 6 + 512, 7));
    // A month outside 1..12 reads no table entry outside the year.
    EXPECT_EQ(ecr_date_decode(1, 1, 5), ecr_date_decode(1, 13, 5));
    EXPECT_EQ(ecr_date_decode(1, 1, 5), ecr_date_decode(1, 0, 5));
    ecr_oro_t t;
    EXPECT_EQ(-1, ecr_oro_2struct(0, nullptr));
    EXPECT_EQ(0, ecr_oro_2struct(ecr_date_decode(1, 3, 0), &t));
    EXPECT_EQ(61, t.yday);
    EXPECT_EQ(3, t.weekday);  // Wednesday

    char text[18];
    EXPECT_STREQ("05/11/07-08:09:10",
                 ecr_oro_datetime_text(ecr_oro_decode(5, 11, 7, 8, 9, 10), text, sizeof text));
    EXPECT_STREQ("050907", ecr_oro_compact_text(ecr_date_decode(5, 9, 7), text, sizeof text));
}

TEST(DateCodec, CheckKnowsMonthLengthsAndLeapYears)
{
    const struct {
        int d, mo, y, h, mi, s, rc;
    } rows[] = {
        {29, 2, 23, 0, 0, 0, -1}, {29, 2, 24, 0, 0, 0, 0},   {28, 2, 23, 0, 0, 0, 0},
        {30, 2, 24, 0, 0, 0, -1}, {29, 2, 0, 0, 0, 0, 0},    {31, 4, 10, 0, 0, 0, -1},
        {30, 4, 10, 0, 0, 0, 0},  {31, 6, 10, 0, 0, 0, -1},  {31, 9, 10, 0, 0, 0, -1},
        {31, 11, 10, 0, 0, 0, -1}, {31, 1, 10, 0, 0, 0, 0},  {31, 12, 99, 23, 59, 59, 0},
        {32, 1, 10, 0, 0, 0, -1}, {0, 1, 10, 0, 0, 0, -1},   {1, 0, 10, 0, 0, 0, -1},
        {1, 13, 10, 0, 0, 0, -1}, {1, 1, 100, 0, 0, 0, -1},  {1, 1, 10, 24, 0, 0, -1},
        {1, 1, 10, 0, 60, 0, -1}, {1, 1, 10, 0, 0, 60, -1},  {1, 1, -1, 0, 0, 0, -1},
        {1, 1, 10, -1, 0, 0, -1}, {1, 1, 10, 0, -1, 0, -1},  {1, 1, 10, 0, 0, -1, -1},
        {-5, 1, 10, 0, 0, 0, -1}, {1, -5, 10, 0, 0, 0, -1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.d) + "/" + std::to_string(r.mo) + "/" + std::to_string(r.y) +
                     " " + std::to_string(r.h) + ":" + std::to_string(r.mi) + ":" +
                     std::to_string(r.s));
        EXPECT_EQ(r.rc, ecr_oro_check(r.d, r.mo, r.y, r.h, r.mi, r.s));
    }
    // Every month's last day and the day after it, over a leap cycle.
    for (int y = 0; y < 4; ++y)
        for (unsigned m = 1; m <= 12; ++m) {
            SCOPED_TRACE(std::to_string(m) + "/" + std::to_string(y));
            int last = static_cast<int>(month_length(2000 + y, m));
            EXPECT_EQ(0, ecr_oro_check(last, m, y, 0, 0, 0));
            EXPECT_EQ(-1, ecr_oro_check(last + 1, m, y, 0, 0, 0));
        }
}

}  // namespace
