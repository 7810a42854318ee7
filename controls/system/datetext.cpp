// Day numbers, date/time texts and number texts of the grid.

#include "datetext.h"

#include "cxmisc.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

const int kDaysPerMonth[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Two-digit years: 00..52 are this century, 53..99 the last one.
int FullYear(int year)
{
    if (year >= 0 && year < 53)
        return 2000 + year;
    if (year >= 53 && year < 100)
        return 1900 + year;
    return year;
}

// Writes `text` when it fits, else an empty text; false when it did not fit.
bool Put(char* out, size_t outSize, const std::string& text)
{
    if (out == nullptr || outSize == 0)
        return false;
    if (text.size() + 1 > outSize) {
        out[0] = '\0';
        return false;
    }
    std::memcpy(out, text.c_str(), text.size() + 1);
    return true;
}

std::string Grouped(const std::string& digits, char separator)
{
    std::string out;
    const size_t n = digits.size();
    for (size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += separator;
        out += digits[i];
    }
    return out;
}

// Reads a date/time text field by field; a field is a run of digits,
// optionally followed by the text that ends it.
class FieldReader {
public:
    explicit FieldReader(const char* text) : p_(text ? text : "") {}
    // The field's value, or -1 when the text has no digits here.
    int Next(const char* terminator)
    {
        while (*p_ == ' ')
            ++p_;
        if (*p_ < '0' || *p_ > '9')
            return -1;
        long value = 0;
        for (; *p_ >= '0' && *p_ <= '9'; ++p_)
            if (value < 100000)  // larger numbers are no date part anyway
                value = value * 10 + (*p_ - '0');
        size_t n = terminator ? std::strlen(terminator) : 0;
        if (n && std::strncmp(p_, terminator, n) == 0)
            p_ += n;
        return int(value);
    }

private:
    const char* p_;
};

int Or(int value, int fallback)
{
    return value < 0 ? fallback : value;
}

struct DateTimeParts {
    int year, month, day, hour, minute, second, ms;
};

void ReadDate(FieldReader& in, int order, const char* separator, const SYSTEMTIME& now,
              DateTimeParts& t)
{
    int a = in.Next(separator);
    int b = in.Next(separator);
    int c = in.Next(" ");
    if (order == kOrderDMY) {
        t.day = Or(a, now.wDay), t.month = Or(b, now.wMonth), t.year = Or(c, now.wYear);
    } else {
        t.year = Or(a, now.wYear), t.month = Or(b, now.wMonth), t.day = Or(c, now.wDay);
    }
    t.year = FullYear(t.year);
}

// A part the text lacks, seconds of an hours-and-minutes text too, comes
// from the clock.
void ReadTime(FieldReader& in, int kind, const SYSTEMTIME& now, DateTimeParts& t)
{
    t.hour = kind == kTextMinuteSecondMs ? now.wHour : Or(in.Next(":"), now.wHour);
    t.minute = Or(in.Next(":"), now.wMinute);
    t.second = Or(in.Next("."), now.wSecond);
    t.ms = Or(in.Next(nullptr), now.wMilliseconds);
}

}  // namespace

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int month, int year)
{
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDaysPerMonth[month];
}

bool IsValidDay(int month, int day, int year)
{
    if (day < 1 || month < 1 || month > 12)
        return false;
    return day <= DaysInMonth(month, year);
}

// Years past 9999 would overflow the 32-bit arithmetic and fit no text.
long DateToDayNumber(int month, int day, int year)
{
    year = FullYear(year);
    if (year < 1 || year > 9999 || !IsValidDay(month, day, year))
        return 0;
    long y = month < 3 ? year - 1 : year;
    return (y / 100) * 146097 / 4 + day + ((month < 3 ? 1836 : 0) + month * 153 - 457) / 5 +
           ((y % 100) * 1461) / 4 + 1721119;
}

void DayNumberToDate(long dayNumber, int* month, int* day, int* year)
{
    int m = 0, d = 0, y = 0;
    if (dayNumber > 1721119 && dayNumber < 10000000) {
        long j = dayNumber - 1721119;
        long cy = (4 * j - 1) / 146097;
        j = 4 * j - 1 - 146097 * cy;
        long dd = j / 4;
        j = (4 * dd + 3) / 1461;
        dd = 4 * dd + 3 - 1461 * j;
        dd = (dd + 4) / 4;
        long mm = (5 * dd - 3) / 153;
        dd = 5 * dd - 3 - 153 * mm;
        dd = (dd + 5) / 5;
        long yy = 100 * cy + j;
        if (mm < 10) {
            mm += 3;
        } else {
            mm -= 9;
            ++yy;
        }
        m = int(mm), d = int(dd), y = int(yy);
    }
    if (month)
        *month = m;
    if (day)
        *day = d;
    if (year)
        *year = y;
}

void FormatDateTime(const char* separator, int day, int month, int year, char* out, int order,
                    int hour, int minute, int second, int milliseconds, int kind, size_t outSize)
{
    if (out == nullptr || outSize == 0)
        return;
    const char* s = separator ? separator : "";
    if (kind == kTextHourMinute) {
        std::snprintf(out, outSize, "%02d:%02d", hour, minute);
        return;
    }
    if (kind == kTextMinuteSecondMs) {
        std::snprintf(out, outSize, "%02d:%02d.%03d", minute, second, milliseconds);
        return;
    }
    if (order != kOrderDMY && order != kOrderMDY && order != kOrderYMD)
        return;
    const bool ymd = order == kOrderYMD;
    // The first two fields of the day-first and month-first orders.
    const int first = order == kOrderDMY ? day : month;
    const int second2 = order == kOrderDMY ? month : day;
    if (kind == kTextDayMonth) {
        std::snprintf(out, outSize, "%02d%s%02d", ymd ? month : first, s, ymd ? day : second2);
        return;
    }
    char date[64];
    if (ymd)
        std::snprintf(date, sizeof date, "%04d%s%02d%s%02d", year, s, month, s, day);
    else
        std::snprintf(date, sizeof date, "%02d%s%02d%s%04d", first, s, second2, s, year);
    if (kind == kTextDate)
        std::snprintf(out, outSize, "%s", date);
    else if (kind == kTextDateHourMinute)
        std::snprintf(out, outSize, "%s %02d:%02d", date, hour, minute);
    else
        std::snprintf(out, outSize, "%s %02d:%02d:%02d.%03d", date, hour, minute, second,
                      milliseconds);
}

// Only a day-first text is read day first; every other order, the
// month-first one too, is read year, month, day. Texts of kinds 3 and 7
// hold only a time: their date is today's (read as a date, 09:41 would
// become the 9th and lose its time).
long ParseDateTime(const char* text, char* outText, int outOrder, const char* outSeparator,
                   int inOrder, const char* inSeparator, SYSTEMTIME* record, int kind,
                   size_t outSize)
{
    if (record)
        *record = SYSTEMTIME{};
    SYSTEMTIME now;
    GetLocalTime(&now);
    DateTimeParts t = {now.wYear, now.wMonth, now.wDay, 0, 0, 0, 0};
    FieldReader in(text);
    if (kind != kTextHourMinute && kind != kTextMinuteSecondMs)
        ReadDate(in, inOrder, inSeparator, now, t);
    const long dayNumber = DateToDayNumber(t.month, t.day, t.year);
    if (kind != kTextDate)
        ReadTime(in, kind, now, t);
    if (record) {
        record->wYear = WORD(t.year);
        record->wMonth = WORD(t.month);
        record->wDay = WORD(t.day);
        if (kind != kTextDate) {
            record->wHour = WORD(t.hour);
            record->wMinute = WORD(t.minute);
            record->wSecond = WORD(t.second);
            record->wMilliseconds = WORD(t.ms);
        }
    }
    if (dayNumber != 0 && outText && outOrder && outSeparator)
        FormatDateTime(outSeparator, t.day, t.month, t.year, outText, outOrder, t.hour, t.minute,
                       t.second, t.ms, kind, outSize);
    return dayNumber;
}

bool FormatInteger(char* out, long value, bool isSigned, bool thousands, size_t outSize)
{
    if (value == 0)
        return Put(out, outSize, "");
    char digits[32];
    unsigned long magnitude = (isSigned && value < 0) ? 0UL - static_cast<unsigned long>(value)
                                                      : static_cast<unsigned long>(value);
    std::snprintf(digits, sizeof digits, "%lu", magnitude);
    std::string text = (isSigned && value < 0) ? "-" : "";
    text += thousands ? Grouped(digits, '.') : std::string(digits);
    return Put(out, outSize, text);
}

// The grid separates thousands of decimals with "`", so that a typed "."
// never reads back as the decimal point.
bool FormatDecimal(char* out, double value, int decimals, bool thousands, bool keepZeroFraction,
                   bool always, size_t outSize)
{
    if (value == 0 && !always)
        return Put(out, outSize, "");
    if (!std::isfinite(value)) {
        Put(out, outSize, "");
        return false;
    }
    if (decimals < 0)
        decimals = 0;
    if (decimals > 20)
        decimals = 20;
    // Rounded first, half away from zero: the runtime's conversion rounds
    // exact binary ties (0.125, 2.5) to even.
    char fixed[400];  // the largest double has 309 integer digits
    std::snprintf(fixed, sizeof fixed, "%.*f", decimals, std::fabs(RoundTo(value, decimals)));
    std::string whole(fixed);
    std::string fraction;
    size_t point = whole.find('.');
    if (point != std::string::npos) {
        fraction = whole.substr(point + 1);
        whole.resize(point);
    }
    while (fraction.size() > 2 && fraction.back() == '0')
        fraction.pop_back();
    if (fraction.find_first_not_of('0') == std::string::npos)
        fraction = keepZeroFraction ? "00" : "";
    // A negative value keeps its sign even when it rounds to zero.
    std::string text = value < 0 ? "-" : "";
    text += thousands ? Grouped(whole, '`') : whole;
    if (!fraction.empty())
        text += "," + fraction;
    return Put(out, outSize, text);
}
