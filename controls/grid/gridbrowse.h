#pragma once
// A bound grid: the browse of one table over ODBC, its re-reading and its
// close. The window side's refresh and clear messages use these too.

#include "gridinfo.h"

// Builds selectText from the query parts.
void GridBuildSelect(GRIDINFO* gi);
// Counts the rows of the query into rowCount (only while bound).
int GridCountRows(GRIDINFO* gi);
// Executes selectText again on the browse statement; false when that fails.
bool GridReread(HWND grid, GRIDINFO* gi);
// Reads the table again after a write that a static cursor cannot show,
// without a reload's notifications: the cursor stays on its record, found
// by its key; when the record left the filter, on its row or the last one.
void GridRereadAfterWrite(HWND grid, GRIDINFO* gi);
// Puts the cursor back on a valid row after a reload.
void GridReposition(HWND grid, GRIDINFO* gi);
// Closes the editor, rebuilds the query, re-reads and repositions.
void GridReload(HWND grid, GRIDINFO* gi);
// Disconnects and frees the columns and rows; nothing unless bound.
void GridCloseBrowse(HWND grid, GRIDINFO* gi);
// Empties every column's value buffer before a fresh fetch.
void GridClearColumnBuffers(GRIDINFO* gi);
// The column type of an ODBC SQL type; 0 when the grid cannot show it.
WORD GridColumnTypeOf(SWORD sqlType);
