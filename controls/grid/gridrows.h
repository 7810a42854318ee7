#pragma once
// The row store of an unbound grid: one buffer of totalDataWidth bytes per
// row, column n at the sum of the data widths before it. Rows and columns
// count from 1.

#include "gridinfo.h"

#include <vector>

// Offset of a column's field inside a row.
int GridCellOffset(const GRIDINFO* gi, int column);
// Clears the field and copies at most dataWidth characters; false when the
// cell does not exist.
bool GridWriteCellField(GRIDINFO* gi, int row, int column, const char* text);
// A fresh text (free with xfree) of at most dataWidth characters; empty for
// a cell that does not exist.
char* GridReadCellField(const GRIDINFO* gi, int row, int column);
// Appends a zeroed row; answers the new rowCount.
int GridAppendRow(GRIDINFO* gi);
// The data widths of the columns, in order.
std::vector<int> GridDataWidths(const GRIDINFO* gi);
// Lays every row out again after the columns changed: column n kept its
// place and had oldWidths[n] bytes (a column beyond them is new and empty,
// an old one beyond the columns is gone); a narrower field keeps the start
// of its text.
void GridRelayoutRows(GRIDINFO* gi, const std::vector<int>& oldWidths);
// Frees every row; no row is current afterwards.
void GridFreeRows(GRIDINFO* gi);
// The row search of locateText in column locateStart, from row index start
// (so a search begun at the row last found goes on after it): 1 when found,
// with locateResult the row from 1; else 0.
long GridLocateRow(GRIDINFO* gi, long start);
