#pragma once
// Reading and writing single cells: the display text of a value, the
// numeric clean-up of a written text, and the write path of a cell.

#include "gridinfo.h"

// The display text of a cell (a fresh block, free with xfree). A bound
// grid reads `statement` (the browse statement, or another one whose
// column `statementColumn` is read with SQLGetData); an unbound grid its
// row store. *ok turns false only when SQLGetData failed.
char* GridReadCell(GRIDINFO* gi, int row, int column, SQLHSTMT statement, int statementColumn,
                   bool fetch, bool lookup, bool grouping, bool timestampForm, bool* ok);

// The date/time text kind a date or timestamp column shows (and its date
// picker reads back).
int GridTimestampKind(const GRIDCOL& col);

// Keeps signs and digits of a number typed by a user: for a floating value
// a comma is the decimal point (points are then thousands separators),
// else the first point is; an integer keeps no separator. At most 30
// characters.
void GridCleanNumber(const char* text, bool floating, char* out, size_t outSize);

// The bound grid's write (row lock and UPDATE) is installed by the row
// update code; without it a bound cell cannot be written.
using GridBoundWriter = bool (*)(HWND grid, GRIDINFO* gi, int row, int column, const char* text, int mode);
void GridSetBoundWriter(GridBoundWriter writer);

// Writes a cell (rows and columns from 1), repaints its row and notifies
// the parent; false when the cell does not exist or the write failed.
bool GridWriteCell(HWND grid, GRIDINFO* gi, int row, int column, const char* text, int mode);
