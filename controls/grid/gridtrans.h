#pragma once
// Transactions of a bound grid whose connection runs without auto-commit,
// and the status-bar parts that serve as the grid's tool buttons.

#include "gridinfo.h"

// Status-bar parts used as buttons; part 6 carries the column's text.
enum : int {
    GRID_PART_ADD = 0,
    GRID_PART_DELETE = 1,
    GRID_PART_COMMIT = 2,
    GRID_PART_ROLLBACK = 3,
    GRID_PART_REFRESH = 4,
    GRID_PART_ROWNUMBERS = 5,
    GRID_BUTTON_PARTS = 6,
};

// Commit answers whether the work was committed (true as well when there
// is nothing to commit: auto-commit, or no table); rollback whether a
// transaction was rolled back.
bool GridCommit(HWND grid, GRIDINFO* gi, bool notify);
bool GridRollback(HWND grid, GRIDINFO* gi);

// The tool tip of a button part in the user's language (Italian for
// language 1040 only); empty outside 0..5.
const char* GridButtonTip(int part);
void GridSetCommitButtons(HWND grid, GRIDINFO* gi);
// All buttons, the status bar, hideRowNumbers, then layout and caret.
void GridApplyStyle(HWND grid, GRIDINFO* gi);
void GridShowStatusBar(HWND grid, GRIDINFO* gi, bool show);
