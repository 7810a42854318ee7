// The owner's cell exports: typed reads of the display text, typed writes
// through the grid's write path, and the geometry of cells.

#include "gridcells.h"
#include "gridcolumns.h"
#include "gridlayout.h"
#include "gridlockkeys.h"
#include "gridquery.h"
#include "gridwndparts.h"

#include "corvex.h"

#include "xalloc.h"

#include <cstdio>
#include <cstdlib>

namespace {

// The typed writes format into one buffer of the library; wide enough for
// any double in "%f" form.
char g_valueText[400];

// The text of a cell: for the owner's display (look-up and grouping) or,
// for the typed reads, the plain value that converts back.
const char* ReadText(HWND grid, long row, int column, bool fetch, bool display)
{
    GRIDINFO* gi = GridInfo(grid);
    if (!gi)
        return "";
    bool ok = true;
    char* text = GridReadCell(gi, row, column, gi->hstmt, column, fetch, display, display, false, &ok);
    xfree(gi->cellText);
    gi->cellText = text;
    return text;
}

// A long text of a bound grid is read whole through a lock of its row (the
// browse buffer holds only its start); null when that is not the case (a
// column without a name cannot be selected) or the row cannot be locked.
const char* ReadLockedLongText(HWND grid, long row, int column)
{
    GRIDINFO* gi = GridInfo(grid);
    if (!gi || !gi->hstmt || column < 1 || column > gi->columnCount)
        return nullptr;
    const GRIDCOL& col = gi->columns[column - 1];
    if (col.type != GRID_LONGTEXT || GridEmpty(col.sqlName))
        return nullptr;
    bool locked = false;
    char* text = GridReadLockedLongText(grid, gi, row, column, &locked);
    if (!locked)
        return nullptr;
    xfree(gi->cellText);
    gi->cellText = text;
    return text;
}

void Put(HWND grid, long row, int column, const char* text)
{
    if (GRIDINFO* gi = GridInfo(grid))
        GridWriteCell(grid, gi, row, column, text, 2);
}

}  // namespace

const char* zGridGetText(HWND grid, long row, int column, bool fetch)
{
    try {
        if (const char* text = ReadLockedLongText(grid, row, column))
            return text;
        return ReadText(grid, row, column, fetch, true);
    } catch (...) {
        return "";
    }
}

bool zGridGetBool(HWND grid, long row, int column)
{
    try {
        return lstrcmpiA(ReadText(grid, row, column, true, false), GridYesText()) == 0;
    } catch (...) {
        return false;
    }
}

long zGridGetLong(HWND grid, long row, int column)
{
    try {
        return atol(ReadText(grid, row, column, true, false));
    } catch (...) {
        return 0;
    }
}

short zGridGetShort(HWND grid, long row, int column)
{
    try {
        return static_cast<short>(atoi(ReadText(grid, row, column, true, false)));
    } catch (...) {
        return 0;
    }
}

double zGridGetDouble(HWND grid, long row, int column)
{
    try {
        return atof(ReadText(grid, row, column, true, false));
    } catch (...) {
        return 0;
    }
}

HBITMAP zGridGetBitmapHandle(HWND grid, long row, int column)
{
    try {
        return reinterpret_cast<HBITMAP>(static_cast<INT_PTR>(atoi(ReadText(grid, row, column, true, false))));
    } catch (...) {
        return nullptr;
    }
}

void zGridPutText(HWND grid, long row, int column, const char* text)
{
    try {
        Put(grid, row, column, text ? text : "");
    } catch (...) {
    }
}

void zGridPutBool(HWND grid, long row, int column, bool value)
{
    try {
        Put(grid, row, column, value ? GridYesText() : GridNoText());
    } catch (...) {
    }
}

namespace {

template <typename T>
void PutFormatted(HWND grid, long row, int column, const char* format, T value)
{
    try {
        snprintf(g_valueText, sizeof g_valueText, format, value);
        Put(grid, row, column, g_valueText);
    } catch (...) {
    }
}

}  // namespace

void zGridPutLong(HWND grid, long row, int column, long value)
{
    PutFormatted(grid, row, column, "%ld", value);
}

void zGridPutULong(HWND grid, long row, int column, unsigned long value)
{
    PutFormatted(grid, row, column, "%lu", value);
}

void zGridPutInt(HWND grid, long row, int column, int value)
{
    PutFormatted(grid, row, column, "%d", value);
}

void zGridPutUInt(HWND grid, long row, int column, unsigned int value)
{
    PutFormatted(grid, row, column, "%u", value);
}

void zGridPutShort(HWND grid, long row, int column, short value)
{
    PutFormatted(grid, row, column, "%d", static_cast<int>(value));
}

void zGridPutChar(HWND grid, long row, int column, char value)
{
    PutFormatted(grid, row, column, "%c", static_cast<int>(value));
}

void zGridPutDouble(HWND grid, long row, int column, double value)
{
    PutFormatted(grid, row, column, "%f", value);
}

void zGridPutBitmapHandle(HWND grid, long row, int column, HBITMAP bitmap)
{
    try {
        snprintf(g_valueText, sizeof g_valueText, "%lu",
                 static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(bitmap)));
        Put(grid, row, column, g_valueText);
    } catch (...) {
    }
}

// The owner's hit test is the window's own: a point answers what a click
// on it would select.
long zGridGetRowByXY(HWND grid, int x, int y)
{
    GRIDINFO* gi = GridInfo(grid);
    int row = 0, column = 0;
    return gi && GridCellAtPoint(grid, gi, POINT{x, y}, &row, &column) ? row : 0;
}

int zGridGetColByXY(HWND grid, int x, int y)
{
    GRIDINFO* gi = GridInfo(grid);
    int row = 0, column = 0;
    return gi && GridCellAtPoint(grid, gi, POINT{x, y}, &row, &column) ? column : 0;
}

void zGridGetCellRect(HWND grid, long row, int column, RECT* rect)
{
    GRIDINFO* gi = GridInfo(grid);
    if (!gi || !rect)
        return;
    rect->left = GridColumnLeft(gi, column);
    rect->top = (row - gi->topRow - 1) * (gi->charHeight + 3) + GridHeaderHeight(gi);
    rect->right = rect->left + GridColumnPixelWidth(grid, gi, column);
    rect->bottom = rect->top + gi->charHeight + 3;
}
