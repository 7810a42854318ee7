// Grid geometry: every pixel figure comes from the record, so the window
// side and the data side agree on where rows and columns are.

#include "gridlayout.h"

#include "gridcursor.h"

namespace {

using FlatRangeFn = BOOL(WINAPI*)(HWND, int, int, int, BOOL);
using FlatPosFn = int(WINAPI*)(HWND, int, int, BOOL);

template <typename Fn>
Fn FlatSB(const char* name)
{
    static HMODULE comctl = LoadLibraryA("comctl32.dll");
    FARPROC proc = comctl ? GetProcAddress(comctl, name) : nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
}

int DecimalDigits(int n)
{
    int digits = 1;
    for (; n >= 10; n /= 10)
        ++digits;
    return digits;
}

// A grid whose font was never measured has no character width: count it as
// one pixel rather than divide by zero.
int SafeCharWidth(const GRIDINFO* gi)
{
    return gi->charWidth > 0 ? gi->charWidth : 1;
}

int ClientWidth(HWND grid)
{
    RECT rc = {};
    GetClientRect(grid, &rc);
    return rc.right;
}

}  // namespace

void GridSetScrollRange(HWND grid, int bar, int maximum, int position)
{
    static auto range = FlatSB<FlatRangeFn>("FlatSB_SetScrollRange");
    static auto pos = FlatSB<FlatPosFn>("FlatSB_SetScrollPos");
    if (range && pos) {
        range(grid, bar, 0, maximum, FALSE);
        pos(grid, bar, position, TRUE);
    } else {
        SetScrollRange(grid, bar, 0, maximum, FALSE);
        SetScrollPos(grid, bar, position, TRUE);
    }
}

void GridSetScrollPos(HWND grid, int bar, int position)
{
    static auto pos = FlatSB<FlatPosFn>("FlatSB_SetScrollPos");
    if (pos)
        pos(grid, bar, position, TRUE);
    else
        SetScrollPos(grid, bar, position, TRUE);
}

int GridHeaderHeight(const GRIDINFO* gi)
{
    if (gi->style & GRIDS_NOHEADER)
        return 0;
    int lines = gi->headerLines < 1 ? 1 : gi->headerLines;
    return lines * (gi->charHeight + 3) + 3;
}

int GridRowHeight(const GRIDINFO* gi)
{
    return gi->charHeight + 3;
}

int GridRowTop(const GRIDINFO* gi, int rowIndex)
{
    return (rowIndex - gi->topRow) * GridRowHeight(gi) + GridHeaderHeight(gi);
}

bool GridColumnShown(const GRIDCOL& col)
{
    return col.visible && col.displayWidth > 0;
}

int GridColumnLeft(const GRIDINFO* gi, int column)
{
    int chars = 0;
    for (int i = 1; i < column && i <= gi->columnCount; ++i)
        if (GridColumnShown(gi->columns[i - 1]))
            chars += gi->columns[i - 1].displayWidth;
    return (chars - gi->leftOffset) * gi->charWidth + gi->rowNumberWidth * gi->charWidth;
}

int GridColumnPixelWidth(HWND grid, const GRIDINFO* gi, int column)
{
    GridNotify(grid, GRIDN_COLWIDTH, 0);
    if (column < 1 || column > gi->columnCount || !GridColumnShown(gi->columns[column - 1]))
        return 0;
    return gi->columns[column - 1].displayWidth * gi->charWidth;
}

int GridColumnAtPoint(HWND grid, const GRIDINFO* gi, POINT pt)
{
    int header = GridHeaderHeight(gi);
    for (int c = 1; c <= gi->columnCount; ++c) {
        if (!GridColumnShown(gi->columns[c - 1]))
            continue;
        int left = GridColumnLeft(gi, c);
        RECT rc = {left, 0, left + GridColumnPixelWidth(grid, gi, c), header};
        if (PtInRect(&rc, pt))
            return c - 1;
    }
    return gi->columnCount;
}

int GridColumnBorderAt(HWND grid, const GRIDINFO* gi, int x, int y)
{
    if (y >= GridHeaderHeight(gi))
        return -1;
    for (int c = 1; c <= gi->columnCount; ++c) {
        if (!GridColumnShown(gi->columns[c - 1]))
            continue;
        int right = GridColumnLeft(gi, c) + GridColumnPixelWidth(grid, gi, c);
        if (x >= right - 2 && x <= right + 2)
            return c - 1;
    }
    return -1;
}

bool GridRowVisible(const GRIDINFO* gi, int row)
{
    int top = GridRowTop(gi, row - 1);
    int header = GridHeaderHeight(gi);
    return top >= header && top + GridRowHeight(gi) <= header + gi->cellAreaHeight;
}

bool GridColumnVisible(HWND grid, const GRIDINFO* gi, int column)
{
    int left = GridColumnLeft(gi, column);
    return left >= gi->rowNumberWidth * gi->charWidth &&
           left + GridColumnPixelWidth(grid, gi, column) <= ClientWidth(grid);
}

int GridRowsThatFit(const GRIDINFO* gi)
{
    int pitch = GridRowHeight(gi);
    if (pitch <= 0 || gi->cellAreaHeight <= 0)
        return 0;
    return gi->cellAreaHeight / pitch;
}

namespace {

bool Enterable(const GRIDINFO* gi, int column)
{
    const GRIDCOL& col = gi->columns[column - 1];
    if (!GridColumnShown(col))
        return false;
    return gi->readOnly || !col.columnReadOnly || gi->stopOnReadOnly;
}

}  // namespace

int GridNextEnterableColumn(const GRIDINFO* gi, int column)
{
    for (int c = column < 1 ? 1 : column; c <= gi->columnCount; ++c)
        if (Enterable(gi, c))
            return c;
    return 0;
}

int GridPreviousEnterableColumn(const GRIDINFO* gi, int column)
{
    for (int c = column > gi->columnCount ? gi->columnCount : column; c >= 1; --c)
        if (Enterable(gi, c))
            return c;
    return 0;
}

namespace {

void RecalcHorizontal(HWND grid, GRIDINFO* gi)
{
    int cw = SafeCharWidth(gi);
    int max = (gi->rowNumberWidth * gi->charWidth + gi->totalPixelWidth) / cw - ClientWidth(grid) / cw;
    gi->hScrollMax = max < 0 ? 0 : max;
    if (gi->leftOffset > gi->hScrollMax)
        gi->leftOffset = gi->hScrollMax;
    if (gi->leftOffset < 0)
        gi->leftOffset = 0;
    GridSetScrollRange(grid, SB_HORZ, gi->hScrollMax, gi->leftOffset);
}

void SizeRowMarker(GRIDINFO* gi)
{
    if (!gi->rowMarker)
        return;
    if (gi->currentRow && gi->rowCount)
        SetWindowPos(gi->rowMarker, nullptr, 0, 0, gi->rowNumberWidth * gi->charWidth,
                     GridRowHeight(gi), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    else
        ShowWindow(gi->rowMarker, SW_HIDE);
}

}  // namespace

void GridRecalcLayout(HWND grid, GRIDINFO* gi)
{
    GridNotify(grid, GRIDN_LAYOUT, 0);
    int oldRowNumbers = gi->rowNumberWidth;
    gi->rowNumberWidth = gi->hideRowNumbers ? 0 : DecimalDigits(gi->rowCount) + 2;
    RECT rc = {};
    GetClientRect(grid, &rc);
    gi->cellAreaHeight = rc.bottom - gi->statusBarHeight - GridHeaderHeight(gi);
    int max = gi->rowCount - GridRowsThatFit(gi);
    gi->vScrollMax = max < 0 ? 0 : max;
    if (gi->topRow > gi->vScrollMax)
        gi->topRow = gi->vScrollMax;
    if (gi->topRow < 0)
        gi->topRow = 0;
    if (!(gi->style & GRIDS_NOVSCROLL))
        GridSetScrollRange(grid, SB_VERT, gi->vScrollMax, gi->topRow);
    if (!(gi->style & GRIDS_NOHSCROLL))
        RecalcHorizontal(grid, gi);
    SizeRowMarker(gi);
    if (oldRowNumbers != gi->rowNumberWidth)
        InvalidateRect(grid, nullptr, FALSE);
}

void GridRecomputeTotals(GRIDINFO* gi)
{
    gi->totalDataWidth = 0;
    gi->totalPixelWidth = 0;
    for (int c = 0; c < gi->columnCount; ++c) {
        gi->totalDataWidth += gi->columns[c].dataWidth;
        if (GridColumnShown(gi->columns[c]))
            gi->totalPixelWidth += gi->columns[c].displayWidth * gi->charWidth;
    }
}

void GridRenumberVisible(GRIDINFO* gi)
{
    int ordinal = 0;
    for (int c = 0; c < gi->columnCount; ++c)
        gi->columns[c].visibleOrdinal = GridColumnShown(gi->columns[c]) ? ordinal++ : 0;
}

void GridSetDisplayWidth(HWND grid, GRIDINFO* gi, int column, int width)
{
    if (column < 1 || column > gi->columnCount || width < 0)
        return;
    GRIDCOL& col = gi->columns[column - 1];
    if (GridColumnShown(col))
        gi->totalPixelWidth -= col.displayWidth * gi->charWidth;
    col.displayWidth = width;
    if (width == 0)
        col.visible = false;
    if (GridColumnShown(col))
        gi->totalPixelWidth += col.displayWidth * gi->charWidth;
    GridRenumberVisible(gi);
    GridRecalcLayout(grid, gi);
    InvalidateRect(grid, nullptr, FALSE);
    if (column == gi->currentColumn)
        GridMoveToColumn(grid, gi, column, GRID_FORWARD, 0);
    GridPlaceCaret(grid, gi);
}
