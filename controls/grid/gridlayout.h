#pragma once
// Pixel geometry derived from the grid record, the layout recalculation and
// the column totals. Rows and columns count from 1 unless a name says index.

#include "gridinfo.h"

int GridHeaderHeight(const GRIDINFO* gi);
int GridRowHeight(const GRIDINFO* gi);
// Top of the row with the given index (from 0) in client pixels.
int GridRowTop(const GRIDINFO* gi, int rowIndex);
int GridColumnLeft(const GRIDINFO* gi, int column);
bool GridColumnShown(const GRIDCOL& col);
// Notifies GRIDN_COLWIDTH first; 0 for a hidden column.
int GridColumnPixelWidth(HWND grid, const GRIDINFO* gi, int column);
// Index (from 0) of the visible column whose header holds the point, else
// columnCount.
int GridColumnAtPoint(HWND grid, const GRIDINFO* gi, POINT pt);
// Index (from 0) of the visible column whose right edge is within 2 pixels
// of x in the header band, else -1.
int GridColumnBorderAt(HWND grid, const GRIDINFO* gi, int x, int y);
bool GridRowVisible(const GRIDINFO* gi, int row);
bool GridColumnVisible(HWND grid, const GRIDINFO* gi, int column);
// Whole rows that fit in the cell area (0 when none does).
int GridRowsThatFit(const GRIDINFO* gi);
int GridNextEnterableColumn(const GRIDINFO* gi, int column);
int GridPreviousEnterableColumn(const GRIDINFO* gi, int column);

// Recomputes row numbers, cell area, both scroll ranges and the row marker.
void GridRecalcLayout(HWND grid, GRIDINFO* gi);
// totalDataWidth and totalPixelWidth from the columns.
void GridRecomputeTotals(GRIDINFO* gi);
// visibleOrdinal of every column: position among the shown ones from 0.
void GridRenumberVisible(GRIDINFO* gi);
// Changes a column's display width (0 hides it) and puts the cursor back.
void GridSetDisplayWidth(HWND grid, GRIDINFO* gi, int column, int width);

// Flat scroll bars (comctl32 exports them only by name; plain bars stand in).
void GridSetScrollRange(HWND grid, int bar, int maximum, int position);
void GridSetScrollPos(HWND grid, int bar, int position);
