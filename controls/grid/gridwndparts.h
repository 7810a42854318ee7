#pragma once
// The pieces of the grid's window procedure, one file each: mouse and
// scroll bars, the editors' messages, the grid's own message set and
// painting. Rows and columns count from 1.

#include "gridinfo.h"

// Mouse messages (WM_MOUSEMOVE, buttons, double click, wheel, capture lost).
LRESULT GridOnMouse(HWND grid, GRIDINFO* gi, UINT msg, WPARAM wParam, LPARAM lParam);
// Ends a column drag that no button-up will end (another window took the
// mouse, or the grid is going): the width stays, the pointer is let go.
void GridCancelResize(HWND grid, GRIDINFO* gi);
// WM_HSCROLL and WM_VSCROLL.
LRESULT GridOnScroll(HWND grid, GRIDINFO* gi, UINT msg, WPARAM wParam);
// WM_COMMAND from the in-place editor.
LRESULT GridOnEditorCommand(HWND grid, GRIDINFO* gi, WPARAM wParam, LPARAM lParam);
// WM_NOTIFY from the picker editor and the status bar.
LRESULT GridOnNotify(HWND grid, GRIDINFO* gi, NMHDR* header);

// The cell under a client point, false when the point is in none.
bool GridCellAtPoint(HWND grid, const GRIDINFO* gi, POINT pt, int* row, int* column);
// Makes a row current (notified with value 0), then moves to the column,
// brings the cell into view and places the caret.
void GridChangeRow(HWND grid, GRIDINFO* gi, int row, int column);

// The grid's own messages 0x0B09..0x0B7C; false when msg is not one.
bool GridOwnMessage(HWND grid, GRIDINFO* gi, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
// Column setters and getters of that set; false when msg is not one.
bool GridColumnMessage(HWND grid, GRIDINFO* gi, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
// Rebuilds headerFont from font (rotated with verticalHeaders).
void GridMakeHeaderFont(GRIDINFO* gi);

// WM_PAINT.
void GridPaint(HWND grid, GRIDINFO* gi);
