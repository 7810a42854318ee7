#pragma once
// Dates as day numbers, and date/time and number texts in the Italian
// style, as the grid shows and edits them. Plain functions over plain data.

#include <windows.h>

#include <cstddef>

// Size of the work areas the formatters write into; every out text below
// must hold at least this many bytes unless a size is passed.
constexpr size_t kDateTextSize = 32;

// Field orders of a date text.
enum : int {
    kOrderDMY = 6,  // day, month, year
    kOrderMDY = 7,  // month, day, year
    kOrderYMD = 8,  // year, month, day
};

// Text kinds: what a date/time text holds.
enum : int {
    kTextDate = 1,            // date only
    kTextHourMinute = 3,      // hours and minutes
    kTextDayMonth = 5,        // date without year
    kTextMinuteSecondMs = 7,  // minutes, seconds and milliseconds
    kTextDateHourMinute = 8,  // date with hours and minutes
    kTextFull = 0,            // any other kind: date with the full time
};

bool IsLeapYear(int year);
// 0 for a month outside 1..12.
int DaysInMonth(int month, int year);
bool IsValidDay(int month, int day, int year);
// Julian Day Number (01/01/2000 = 2451545); 0 for an invalid date. Years
// below 53 count as 2000 + year, 53..99 as 1900 + year.
long DateToDayNumber(int month, int day, int year);
// The inverse; a day number below 1 gives 0/0/0.
void DayNumberToDate(long dayNumber, int* month, int* day, int* year);

// Writes the date/time text of `kind` in `order` (see the enums) into `out`
// (at most outSize - 1 characters; an order other than 6, 7, 8 writes
// nothing, except for kinds 3 and 7, which hold no date).
void FormatDateTime(const char* separator, int day, int month, int year, char* out, int order,
                    int hour, int minute, int second, int milliseconds, int kind,
                    size_t outSize = kDateTextSize);

// Reads a date/time text with `inSeparator`: day first in order 6, year
// first in any other order (7 included); missing parts come from the
// current local date and time. Returns the day number (0 when the date is
// invalid). `record` (may be null) receives the parts
// (time parts stay 0 for kind 1). When the date is valid and `outText`,
// `outOrder` (6, 7, 8) and `outSeparator` are given, the text is written
// again in that order with FormatDateTime.
long ParseDateTime(const char* text, char* outText, int outOrder, const char* outSeparator,
                   int inOrder, const char* inSeparator, SYSTEMTIME* record, int kind,
                   size_t outSize = kDateTextSize);

// Decimal digits, "." between groups of three when `thousands` is set; an
// unsigned reading of the value's bits when `isSigned` is false. The value 0
// gives an empty text. False (and an empty text) when it does not fit.
bool FormatInteger(char* out, long value, bool isSigned, bool thousands,
                   size_t outSize = kDateTextSize);

// The value with `decimals` fraction digits, "," before the fraction,
// trailing fraction zeros dropped down to two, "`" between thousands when
// `thousands` is set. A zero fraction is dropped unless keepZeroFraction
// ("00"); the value 0 gives an empty text unless `always`. A negative value
// begins with "-", also one that rounds to zero ("-0"). False (and an empty
// text) when the text does not fit.
bool FormatDecimal(char* out, double value, int decimals, bool thousands, bool keepZeroFraction,
                   bool always, size_t outSize = kDateTextSize);
