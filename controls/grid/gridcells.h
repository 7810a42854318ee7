#pragma once
// Reading and writing single cells: the display text of a value, the
// numeric clean-up of a written text, and the write path of a cell.

#include "gridinfo.h"

// The display text of a cell (a fresh block, free with xfree). A bound
// grid reads `statement` (the browse statement, or another one whose
// column `statementColumn` is read with SQLGetData); an unbound grid its
// row store. A timestamp shown in a short form that has a whole form too
// (time only, day and month, minutes and seconds) reads short only with
// timestampForm. *ok turns false only when SQLGetData failed.
char* GridReadCell(GRIDINFO* gi, int row, int column, SQLHSTMT statement, int statementColumn,
                   bool fetch, bool lookup, bool grouping, bool timestampForm, bool* ok);

// Keeps signs and digits of a number typed by a user: for a floating value
// a comma is the decimal point (points are then thousands separators),
// else the first point is; an integer keeps no separator. At most 30
// characters.
void GridCleanNumber(const char* text, bool floating, char* out, size_t outSize);

// Writes a cell (rows and columns from 1), repaints its row and notifies
// the parent; false when the cell does not exist or the write failed.
bool GridWriteCell(HWND grid, GRIDINFO* gi, int row, int column, const char* text, int mode);
