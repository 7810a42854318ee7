#pragma once
// The key columns that identify a bound grid's row, shared by the lock and
// the statements that change the row.

#include "gridinfo.h"

#include <sqlext.h>

#include <string>
#include <vector>

// One column of the key in use: its record in `keys` (index) and the grid
// column (from 1) that shows it.
struct GridKeyPart {
    int key;
    int column;
};

// The columns of the first unique index whose every column the grid
// shows; empty when there is none.
std::vector<GridKeyPart> GridKeyParts(const GRIDINFO* gi);
// The grid column (from 1) of an SQL name, case ignored; 0 when none.
int GridColumnNamed(const GRIDINFO* gi, const char* name);
// The key values of a row as the browse cursor reads them, in the form the
// statements compare; empty when the row cannot be fetched.
std::vector<std::string> GridRowKey(GRIDINFO* gi, const std::vector<GridKeyPart>& parts, int row);
// The row whose key values these are, searched outwards from `near`; 0 when
// no row has them.
int GridRowOfKey(GRIDINFO* gi, const std::vector<GridKeyPart>& parts, const std::vector<std::string>& values,
                 int near);
// "k1=? AND k2 IS NULL ..." over the key values taken by the last lock.
std::string GridKeyCondition(const GRIDINFO* gi, const std::vector<GridKeyPart>& parts);
// Binds the non-empty key values as parameters from number `first`;
// `lengths` holds one entry per part and must outlive the execution.
// Answers the next free parameter number.
int GridBindKeyParameters(GRIDINFO* gi, SQLHSTMT s, const std::vector<GridKeyPart>& parts, int first,
                          SQLLEN* lengths);
// The long text of a cell read through an edit lock of its row; null (and
// *locked false) when the row could not be locked.
char* GridReadLockedLongText(HWND grid, GRIDINFO* gi, int row, int column, bool* locked);
