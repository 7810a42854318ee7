#pragma once
// Painting the grid: the frame (headers, row numbers) and single cells.

#include "gridinfo.h"

// Draws cell (row index from 0, column from 1) into dc at `cell`.
void GridDrawCell(HWND grid, GRIDINFO* gi, HDC dc, int rowIndex, int column, const RECT& cell);
