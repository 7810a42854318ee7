#include "ecrdate.h"

#include <cstdio>

namespace {
const unsigned kDaysBefore[13] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};
const uint32_t kDay = 86400u;
// 01/01/1968 (a leap year) lies 731 days before 01/01/1970.
const uint32_t kDays1968To1970 = 731u;

void fill_invalid(ecr_oro_t* out)
{
    out->day = out->month = out->year = 99;
    out->hour = out->minute = out->second = 99;
    out->weekday = 1;
    out->unused = 0;
    out->yday = 999;
}
}  // namespace

uint32_t ecr_oro_seconds(unsigned day, unsigned month, unsigned year, unsigned hour,
                         unsigned minute, unsigned second)
{
    unsigned m = (month >= 1 && month <= 12) ? month : 1;
    uint32_t days = (year + 30u) * 365u + kDaysBefore[m - 1] + (day - 1u) + (year + 31u) / 4u;
    if (m > 2 && year % 4u == 0)
        ++days;
    return days * kDay + hour * 3600u + minute * 60u + second;
}

bool ecr_oro_split(uint32_t seconds, ecr_oro_t* out)
{
    fill_invalid(out);
    if (seconds < ECR_ORO_FIRST || seconds > ECR_ORO_LAST)
        return false;
    uint32_t days = seconds / kDay;
    uint32_t rest = seconds % kDay;

    uint32_t since1968 = days + kDays1968To1970;
    uint32_t inCycle = since1968 % 1461u;
    unsigned yearInCycle = inCycle < 366u ? 0u : 1u + (inCycle - 366u) / 365u;
    unsigned yday = yearInCycle == 0 ? inCycle : (inCycle - 366u) % 365u;
    unsigned year = 1968u + 4u * (since1968 / 1461u) + yearInCycle;
    bool leap = year % 4u == 0;

    unsigned month = 12;
    for (;; --month) {
        unsigned before = kDaysBefore[month - 1] + ((leap && month > 2) ? 1u : 0u);
        if (yday >= before || month == 1) {
            out->day = static_cast<uint8_t>(yday - before + 1);
            break;
        }
    }
    out->month = static_cast<uint8_t>(month);
    out->year = static_cast<uint8_t>(year - 2000u);
    out->hour = static_cast<uint8_t>(rest / 3600u);
    out->minute = static_cast<uint8_t>(rest / 60u % 60u);
    out->second = static_cast<uint8_t>(rest % 60u);
    unsigned weekday = (days + 4u) % 7u;
    out->weekday = static_cast<uint8_t>(weekday == 0 ? 7 : weekday);
    out->yday = static_cast<uint16_t>(yday + 1);
    return true;
}

int ecr_oro_valid(int day, int month, int year, int hour, int minute, int second)
{
    // Negative values would wrap into huge unsigned counts in the encoder.
    if (day < 0 || month < 0 || year < 0 || hour < 0 || minute < 0 || second < 0)
        return -1;
    if (year >= 100 || month <= 0 || month >= 13 || day <= 0 || day >= 32)
        return -1;
    if (hour >= 24 || minute >= 60 || second >= 60)
        return -1;
    if (month == 2 && day > (year % 4 == 0 ? 29 : 28))
        return -1;
    if ((month == 4 || month == 6 || month == 9 || month == 11) && day > 30)
        return -1;
    return 0;
}

char* ecr_oro_datetime_text(uint32_t seconds, char* text, std::size_t size)
{
    ecr_oro_t t;
    ecr_oro_split(seconds, &t);
    std::snprintf(text, size, "%02u/%02u/%02u-%02u:%02u:%02u", t.day, t.month, t.year, t.hour,
                  t.minute, t.second);
    return text;
}

char* ecr_oro_compact_text(uint32_t seconds, char* text, std::size_t size)
{
    ecr_oro_t t;
    ecr_oro_split(seconds, &t);
    std::snprintf(text, size, "%02u%02u%02u", t.day, t.month, t.year);
    return text;
}

// The exports pass second counts as 32-bit integers; dates after 2038 use
// the full unsigned range.
extern "C" {

int ECR_API ecr_oro_2long(const unsigned char* record)
{
    if (!record)
        return 0;
    return static_cast<int>(
        ecr_oro_seconds(record[0], record[1], record[2], record[3], record[4], record[5]));
}

int ECR_API ecr_oro_2struct(int seconds, ecr_oro_t* out)
{
    if (!out)
        return -1;
    return ecr_oro_split(static_cast<uint32_t>(seconds), out) ? 0 : -1;
}

int ECR_API ecr_oro_check(int day, int month, int year, int hour, int minute, int second)
{
    return ecr_oro_valid(day, month, year, hour, minute, second);
}

int ECR_API ecr_oro_decode(int day, int month, int year, int hour, int minute, int second)
{
    // Used as bytes, as the six-byte record would hold them.
    return static_cast<int>(ecr_oro_seconds(day & 0xFF, month & 0xFF, year & 0xFF, hour & 0xFF,
                                            minute & 0xFF, second & 0xFF));
}

char* ECR_API ecr_oro_encode(int seconds, char* text)
{
    if (!text)
        return text;
    ecr_oro_t t;
    ecr_oro_split(static_cast<uint32_t>(seconds), &t);
    std::snprintf(text, 28, "%02u/%02u/%02u-%02u:%02u:%02u-[%03u-%u]", t.day, t.month, t.year,
                  t.hour, t.minute, t.second, t.yday, t.weekday);
    return text;
}

int ECR_API ecr_date_decode(int day, int month, int year)
{
    return ecr_oro_decode(day, month, year, 0, 0, 0);
}

int ECR_API ecr_dates_decode(int day, int month) { return ecr_oro_decode(day, month, 0, 0, 0, 0); }

int ECR_API ecr_time_decode(int hour, int minute, int second)
{
    return ecr_oro_decode(1, 1, 0, hour, minute, second);
}

int ECR_API ecr_times_decode(int hour, int minute) { return ecr_oro_decode(1, 1, 0, hour, minute, 0); }

}  // extern "C"
