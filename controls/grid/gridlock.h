#pragma once
// Row locks and the statements that change a bound grid's table: a row is
// locked by selecting it again through its key on a locking statement, then
// changed by an UPDATE or DELETE keyed on the same key columns. Rows and
// columns count from 1.

#include "gridinfo.h"

// Lock modes: 0 and 1 use the edit list (1: the in-place editor), any
// other mode the update list (2: the owner's cell writes).
enum : int { GRID_LOCK_DELETE = 0, GRID_LOCK_EDIT = 1, GRID_LOCK_UPDATE = 2 };

// Locks a row of a bound grid for a change of a column; false (after the
// user was told why, when it is not a range error) when it cannot.
bool GridLock(HWND grid, GRIDINFO* gi, int row, int column, int mode);
// The statement of the lock taken last in the list of the mode (column 1
// holds the locked column's value); null when there is none.
SQLHSTMT GridCurrentLock(const GRIDINFO* gi, int mode);
// Drops the statement of the lock taken last in the list of the mode.
void GridDropCurrentLock(GRIDINFO* gi, int mode);
// Drops every lock statement of both lists and frees the lists.
void GridDropAllLocks(GRIDINFO* gi);

// The changes of a bound grid's table (the row was locked before).
bool GridDBUpdate(HWND grid, GRIDINFO* gi, const char* text, int column, int mode);
bool GridDBInsert(HWND grid, GRIDINFO* gi);
bool GridDBDelete(HWND grid, GRIDINFO* gi);
bool GridDBZap(HWND grid, GRIDINFO* gi);

// The write of a bound cell: lock with the mode, then update.
bool GridWriteBoundCell(HWND grid, GRIDINFO* gi, int row, int column, const char* text, int mode);

// Row commands of bound and unbound grids.
bool GridInsertRow(HWND grid, GRIDINFO* gi, bool goToRow, bool notify);
bool GridDeleteRow(HWND grid, GRIDINFO* gi, bool repaint);
