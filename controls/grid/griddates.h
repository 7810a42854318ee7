#pragma once
// Dates and times of the grid's cells in their two forms: the driver's
// ("2013-12-25 10:20:30.456"), in which tables and the unbound row store
// hold them, and the display form ("25/12/2013 10:20:30.456"), in which the
// grid shows them and its pickers give them back. Values are converted at
// the edges of the store, never inside it.

#include "gridinfo.h"

#include <string>

// Reads a text of the driver's form (driverForm) or of the display form;
// the parts the text does not hold are 0 (a date alone is midnight), never
// taken from the clock. False when the text is not of that form.
bool GridReadDate(const char* text, bool driverForm, SYSTEMTIME* st);

// The display form, in a text kind of datetext.h, of a text in the
// driver's form; any other text as it is.
std::string GridShownDate(const char* text, int kind);
// The driver's form of a text in the display form (the date alone when
// dateOnly); any other text as it is.
std::string GridSqlDateText(const char* text, bool dateOnly);

// The text kind a date or timestamp column shows: its short form (a
// timestamp's form flags) or, without timestampForm, the whole value for
// the forms that come in a pair (hours and minutes, day and month, minutes
// and seconds).
int GridTimestampKind(const GRIDCOL& col, bool timestampForm = true);
bool GridIsDateColumn(const GRIDCOL& col);
// The text a date or timestamp column stores for a typed value: the
// driver's form, the date alone for date columns and date-only timestamps.
std::string GridStoredDateText(const GRIDCOL& col, const char* text);
