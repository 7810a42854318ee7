#include "griddates.h"

#include "datetext.h"

#include <cstdio>
#include <cstring>

namespace {

// Reads 1..maxDigits digits (exactly `digits` when maxDigits is 0).
bool Number(const char*& p, int digits, int maxDigits, int* value)
{
    int n = 0;
    *value = 0;
    int most = maxDigits ? maxDigits : digits;
    while (n < most && *p >= '0' && *p <= '9') {
        *value = *value * 10 + (*p++ - '0');
        ++n;
    }
    return maxDigits ? n >= 1 : n == digits;
}

bool Skip(const char*& p, char c)
{
    if (*p != c)
        return false;
    ++p;
    return true;
}

// " hh:mm[:ss[.fff...]]" or nothing.
bool ReadTime(const char*& p, SYSTEMTIME* st)
{
    int hour = 0, minute = 0, second = 0;
    if (!*p)
        return true;
    if (!Skip(p, ' ') || !Number(p, 2, 0, &hour) || !Skip(p, ':') || !Number(p, 2, 0, &minute))
        return false;
    if (Skip(p, ':') && !Number(p, 2, 0, &second))
        return false;
    int ms = 0, scale = 100;
    if (Skip(p, '.')) {
        if (*p < '0' || *p > '9')
            return false;
        for (; *p >= '0' && *p <= '9'; ++p, scale /= 10)
            ms += (*p - '0') * scale;
    }
    if (*p || hour > 23 || minute > 59 || second > 59)
        return false;
    st->wHour = WORD(hour);
    st->wMinute = WORD(minute);
    st->wSecond = WORD(second);
    st->wMilliseconds = WORD(ms);
    return true;
}

}  // namespace

bool GridReadDate(const char* text, bool driverForm, SYSTEMTIME* st)
{
    *st = SYSTEMTIME{};
    const char* p = text ? text : "";
    int year = 0, month = 0, day = 0;
    bool date = driverForm
                    ? Number(p, 4, 0, &year) && Skip(p, '-') && Number(p, 2, 0, &month) && Skip(p, '-') &&
                          Number(p, 2, 0, &day)
                    : Number(p, 0, 2, &day) && Skip(p, '/') && Number(p, 0, 2, &month) && Skip(p, '/') &&
                          Number(p, 0, 4, &year);
    if (!date || !ReadTime(p, st))
        return false;
    // Two-digit years of the display form as the library's date reader takes them.
    if (!driverForm && year < 100)
        year += year < 53 ? 2000 : 1900;
    if (!IsValidDay(month, day, year))
        return false;
    st->wYear = WORD(year);
    st->wMonth = WORD(month);
    st->wDay = WORD(day);
    return true;
}

namespace {

// A text of one form written again in the other, in a text kind; a text
// that is not of the first form as it is.
std::string Rewrite(const char* text, bool fromDriver, int kind)
{
    SYSTEMTIME st;
    if (!GridReadDate(text, fromDriver, &st))
        return text ? text : "";
    char out[kDateTextSize] = {};
    FormatDateTime(fromDriver ? "/" : "-", st.wDay, st.wMonth, st.wYear, out, fromDriver ? kOrderDMY : kOrderYMD,
                   st.wHour, st.wMinute, st.wSecond, st.wMilliseconds, kind);
    return out;
}

}  // namespace

std::string GridShownDate(const char* text, int kind)
{
    return Rewrite(text, true, kind);
}

std::string GridSqlDateText(const char* text, bool dateOnly)
{
    return Rewrite(text, false, dateOnly ? kTextDate : kTextFull);
}

int GridTimestampKind(const GRIDCOL& col, bool timestampForm)
{
    int kind = kTextFull;
    if (col.type == GRID_DATE || (col.flags & GRIDCOL_DATEONLY))
        kind = kTextDate;
    else if (col.flags & GRIDCOL_DATEHOURMIN)
        kind = kTextDateHourMinute;
    else if (col.flags & GRIDCOL_HOURMINUTE)
        kind = kTextHourMinute;
    else if (col.flags & GRIDCOL_MINSECMS)
        kind = kTextMinuteSecondMs;
    else if (col.flags & GRIDCOL_DAYMONTH)
        kind = kTextDayMonth;
    bool paired = kind == kTextHourMinute || kind == kTextDayMonth || kind == kTextMinuteSecondMs;
    return paired && !timestampForm ? kTextFull : kind;
}

bool GridIsDateColumn(const GRIDCOL& col)
{
    return col.type == GRID_DATE || col.type == GRID_TIMESTAMP;
}

std::string GridStoredDateText(const GRIDCOL& col, const char* text)
{
    if (!GridIsDateColumn(col) || !text || !*text)
        return text ? text : "";
    return GridSqlDateText(text, col.type == GRID_DATE || (col.flags & GRIDCOL_DATEONLY));
}
