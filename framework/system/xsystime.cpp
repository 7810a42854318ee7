// Date and time texts of the system services.

#include "xsystem.h"

#include <cstdio>
#include <cstring>

namespace {

xstring Text(const char* buf)
{
    return xstring(buf);
}

}  // namespace

xstring xsystem::TimeString(int code) const
{
    SYSTEMTIME t = {};
    if (clock_)
        clock_(&t);
    else
        GetLocalTime(&t);
    const char* s = timeSep_;
    char buf[64] = {};
    switch (code) {
    case 1: std::snprintf(buf, sizeof buf, "%02d%02d%02d", t.wHour, t.wMinute, t.wSecond); break;
    case 2:
        std::snprintf(buf, sizeof buf, "%02d%02d%02d%03d", t.wHour, t.wMinute, t.wSecond,
                      t.wMilliseconds);
        break;
    case 3:
        std::snprintf(buf, sizeof buf, "%02d%s%02d%s%02d", t.wHour, s, t.wMinute, s, t.wSecond);
        break;
    case 4:
        std::snprintf(buf, sizeof buf, "%02d%s%02d%s%02d%s%03d", t.wHour, s, t.wMinute, s,
                      t.wSecond, s, t.wMilliseconds);
        break;
    case 5: std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.wHour, t.wMinute, t.wSecond); break;
    default: break;
    }
    return Text(buf);
}

xstring xsystem::DateString(int code) const
{
    SYSTEMTIME t = {};
    if (clock_)
        clock_(&t);
    else
        GetLocalTime(&t);
    const int d = t.wDay, m = t.wMonth, y = t.wYear;
    char year[16];
    std::snprintf(year, sizeof year, "%d", y);
    size_t n = std::strlen(year);
    const char* yy = n >= 2 ? year + n - 2 : year;
    const char* s = dateSep_;
    char buf[128] = {};
    switch (code) {
    case 1: std::snprintf(buf, sizeof buf, "%02d%02d%d", d, m, y); break;
    case 2: std::snprintf(buf, sizeof buf, "%02d%02d%d", m, d, y); break;
    case 3: std::snprintf(buf, sizeof buf, "%d%02d%02d", y, m, d); break;
    case 4: std::snprintf(buf, sizeof buf, "%02d%02d%s", d, m, yy); break;
    case 5: std::snprintf(buf, sizeof buf, "%02d%s%02d%s%s", d, s, m, s, yy); break;
    case 6: std::snprintf(buf, sizeof buf, "%02d%s%02d%s%d", d, s, m, s, y); break;
    case 7: std::snprintf(buf, sizeof buf, "%02d%s%02d%s%d", m, s, d, s, y); break;
    case 8: std::snprintf(buf, sizeof buf, "%d%s%02d%s%02d", y, s, m, s, d); break;
    case 11:
        if (GetDateFormatA(LOCALE_USER_DEFAULT, 0, &t, "dddd dd/MM/yyyy", buf, sizeof buf) == 0)
            buf[0] = '\0';
        break;
    case 12: std::snprintf(buf, sizeof buf, "%s%02d%02d", yy, m, d); break;
    default: break;
    }
    return Text(buf);
}
