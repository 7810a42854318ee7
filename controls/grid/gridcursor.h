#pragma once
// The grid's cursor (currentRow, currentColumn), its moves, the scrolling
// they use, the caret, the row marker and the in-place editor's place.
// Rows and columns count from 1; cause is the notification value (0 for a
// move made by the program, always notified).

#include "gridinfo.h"

enum GridDirection { GRID_NODIRECTION = 0, GRID_FORWARD = 1, GRID_BACKWARD = 2 };

// Finishes a pending in-place edit by accepting its value; false when the
// value is refused (the editor stays open).
bool GridFinishEdit(HWND grid);

void GridSetCurrentRow(HWND grid, GRIDINFO* gi, int row, int column, int cause, bool force);
// Moves to a column (corrected to an enterable one in the given direction);
// nothing below column 1 or without rows.
void GridMoveToColumn(HWND grid, GRIDINFO* gi, int column, GridDirection direction, int cause);

void GridRowUp(HWND grid, GRIDINFO* gi, int cause);
void GridRowDown(HWND grid, GRIDINFO* gi, int cause);
void GridPageUp(HWND grid, GRIDINFO* gi);
void GridPageDown(HWND grid, GRIDINFO* gi);
void GridFirstRow(HWND grid, GRIDINFO* gi);
void GridLastRow(HWND grid, GRIDINFO* gi);
// Both answer whether the current column changed.
bool GridNextColumn(HWND grid, GRIDINFO* gi, int cause);
bool GridPreviousColumn(HWND grid, GRIDINFO* gi, int cause);
void GridFirstColumn(HWND grid, GRIDINFO* gi);
void GridLastColumn(HWND grid, GRIDINFO* gi);

void GridScrollHorizontally(HWND grid, GRIDINFO* gi, int chars);
void GridScrollVertically(HWND grid, GRIDINFO* gi, int rows);
void GridBringIntoView(HWND grid, GRIDINFO* gi);

void GridPlaceCaret(HWND grid, GRIDINFO* gi);
void GridShowRowMarker(HWND grid, GRIDINFO* gi);
void GridPlaceEditor(HWND grid, GRIDINFO* gi);
void GridCloseEditor(HWND grid, GRIDINFO* gi);
void GridRepaintRow(HWND grid, const GRIDINFO* gi, int row);

// charWidth and charHeight from the font (the window's own when null).
void GridSetFontMetrics(HWND grid, GRIDINFO* gi, HFONT font);
void GridSetHideRowNumbers(HWND grid, GRIDINFO* gi, bool hide);
