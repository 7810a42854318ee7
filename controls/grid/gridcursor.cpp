// Cursor moves of the grid. Every move first finishes a pending in-place
// edit and stops when that fails; every move ends on an enterable column.

#include "gridcursor.h"

#include "corvex.h"
#include "gridlayout.h"
#include "gridwindow.h"

#include <commctrl.h>

#include <cstdio>

namespace {

void SetRow(HWND grid, GRIDINFO* gi, int row, int cause)
{
    GridSetCurrentRow(grid, gi, row, gi->currentColumn, cause, false);
}

int PageRows(const GRIDINFO* gi)
{
    int rows = GridRowsThatFit(gi);
    return rows < 1 ? 1 : rows;
}

RECT ClientRect(HWND grid)
{
    RECT rc = {};
    GetClientRect(grid, &rc);
    return rc;
}

}  // namespace

bool GridFinishEdit(HWND grid)
{
    GRIDINFO* gi = GridInfo(grid);
    return !gi || GridAcceptEdit(grid, gi);
}

void GridSetCurrentRow(HWND grid, GRIDINFO* gi, int row, int column, int cause, bool force)
{
    if (row != gi->currentRow || force) {
        int old = gi->currentRow;
        gi->currentRow = row;
        if (gi->markCurrentRow) {
            GridRepaintRow(grid, gi, row);
            GridRepaintRow(grid, gi, old);
        }
        gi->previousRow = old;
        GridNotifyMove(grid, gi, GRIDN_ROWCHANGED, cause);
    }
    GridMoveToColumn(grid, gi, column, GRID_FORWARD, cause);
}

void GridMoveToColumn(HWND grid, GRIDINFO* gi, int column, GridDirection direction, int cause)
{
    if (direction == GRID_FORWARD)
        column = GridNextEnterableColumn(gi, column);
    else if (direction == GRID_BACKWARD)
        column = GridPreviousEnterableColumn(gi, column);
    if (column < 1 || column > gi->columnCount || gi->rowCount == 0)
        return;
    GridCloseEditor(grid, gi);
    const GRIDCOL& col = gi->columns[column - 1];
    if (!gi->noStatusText && gi->statusBar) {
        char text[600];
        snprintf(text, sizeof text, "[%s] %s", col.title ? col.title : "",
                 col.description ? col.description : "");
        SendMessageA(gi->statusBar, SB_SETTEXTA, 6, reinterpret_cast<LPARAM>(text));
    }
    if (column != gi->currentColumn) {
        gi->currentColumn = column;
        GridNotifyMove(grid, gi, GRIDN_COLCHANGED, cause);
    }
}

void GridRowUp(HWND grid, GRIDINFO* gi, int cause)
{
    if (gi->currentRow <= 1 || !GridFinishEdit(grid))
        return;
    if (gi->currentRow == gi->topRow + 1)
        GridScrollVertically(grid, gi, -1);
    SetRow(grid, gi, gi->currentRow - 1, cause);
    GridPlaceCaret(grid, gi);
}

void GridRowDown(HWND grid, GRIDINFO* gi, int cause)
{
    if (!GridFinishEdit(grid) || GridNotify(grid, GRIDN_QUERYJUMP, 0) != 0)
        return;
    if (gi->currentRow >= gi->rowCount)
        return;
    if (!GridRowVisible(gi, gi->currentRow + 1))
        GridScrollVertically(grid, gi, 1);
    SetRow(grid, gi, gi->currentRow + 1, cause);
    GridPlaceCaret(grid, gi);
}

void GridPageDown(HWND grid, GRIDINFO* gi)
{
    if (gi->currentRow >= gi->rowCount || !GridFinishEdit(grid))
        return;
    int page = PageRows(gi);
    GridScrollVertically(grid, gi, page);
    int row = gi->topRow + 1;
    // At the end of the table the top row can lie above the cursor: a page
    // down then goes on by a page (or to the last row), never upwards.
    if (row <= gi->currentRow)
        row = gi->currentRow + page < gi->rowCount ? gi->currentRow + page : gi->rowCount;
    SetRow(grid, gi, row, 0);
    GridPlaceCaret(grid, gi);
}

void GridLastRow(HWND grid, GRIDINFO* gi)
{
    if (gi->rowCount == 0 || !GridFinishEdit(grid))
        return;
    GridScrollVertically(grid, gi, gi->vScrollMax - gi->topRow);
    SetRow(grid, gi, gi->rowCount, 0);
    GridPlaceCaret(grid, gi);
}

void GridPageUp(HWND grid, GRIDINFO* gi)
{
    if (gi->currentRow < 2 || !GridFinishEdit(grid))
        return;
    GridScrollVertically(grid, gi, -PageRows(gi));
    SetRow(grid, gi, gi->topRow + 1, 0);
    GridPlaceCaret(grid, gi);
}

void GridFirstRow(HWND grid, GRIDINFO* gi)
{
    if (gi->rowCount == 0 || !GridFinishEdit(grid))
        return;
    GridScrollVertically(grid, gi, -gi->topRow);
    SetRow(grid, gi, 1, 0);
    GridPlaceCaret(grid, gi);
}

bool GridNextColumn(HWND grid, GRIDINFO* gi, int cause)
{
    if (gi->rowCount == 0 || gi->currentColumn >= gi->columnCount)
        return false;
    int before = gi->currentColumn;
    GridMoveToColumn(grid, gi, gi->currentColumn + 1, GRID_FORWARD, cause);
    if (gi->currentColumn == before)
        return false;
    GridBringIntoView(grid, gi);
    GridPlaceCaret(grid, gi);
    return true;
}

bool GridPreviousColumn(HWND grid, GRIDINFO* gi, int cause)
{
    int before = gi->currentColumn;
    GridMoveToColumn(grid, gi, gi->currentColumn - 1, GRID_BACKWARD, cause);
    if (gi->currentColumn == before)
        return false;
    GridBringIntoView(grid, gi);
    GridPlaceCaret(grid, gi);
    return true;
}

void GridFirstColumn(HWND grid, GRIDINFO* gi)
{
    if (!GridFinishEdit(grid) || GridNotify(grid, GRIDN_QUERYJUMP, 0) != 0)
        return;
    GridScrollHorizontally(grid, gi, -gi->leftOffset);
    GridMoveToColumn(grid, gi, 1, GRID_FORWARD, 0);
    GridPlaceCaret(grid, gi);
}

void GridLastColumn(HWND grid, GRIDINFO* gi)
{
    if (!GridFinishEdit(grid) || GridNotify(grid, GRIDN_QUERYJUMP, 0) != 0)
        return;
    GridScrollHorizontally(grid, gi, gi->hScrollMax - gi->leftOffset);
    GridMoveToColumn(grid, gi, gi->columnCount, GRID_FORWARD, 0);
    GridBringIntoView(grid, gi);
    GridPlaceCaret(grid, gi);
}

void GridScrollHorizontally(HWND grid, GRIDINFO* gi, int chars)
{
    if (gi->leftOffset + chars > gi->hScrollMax)
        chars = gi->hScrollMax - gi->leftOffset;
    if (gi->leftOffset + chars < 0)
        chars = -gi->leftOffset;
    if (chars == 0)
        return;
    RECT area = ClientRect(grid);
    area.left = gi->rowNumberWidth * gi->charWidth;
    area.bottom -= gi->statusBarHeight;
    ScrollWindowEx(grid, -chars * gi->charWidth, 0, &area, &area, nullptr, nullptr, SW_INVALIDATE);
    gi->leftOffset += chars;
    GridSetScrollPos(grid, SB_HORZ, gi->leftOffset);
}

void GridScrollVertically(HWND grid, GRIDINFO* gi, int rows)
{
    if (gi->topRow + rows > gi->vScrollMax)
        rows = gi->vScrollMax - gi->topRow;
    if (gi->topRow + rows < 0)
        rows = -gi->topRow;
    if (rows == 0)
        return;
    if (gi->rowMarker && IsWindowVisible(gi->rowMarker))
        ShowWindow(gi->rowMarker, SW_HIDE);
    gi->topRow += rows;
    RECT area = ClientRect(grid);
    area.top = GridHeaderHeight(gi);
    area.bottom -= gi->statusBarHeight;
    ScrollWindowEx(grid, 0, -rows * GridRowHeight(gi), &area, &area, nullptr, nullptr,
                   SW_INVALIDATE | SW_ERASE);
    UpdateWindow(grid);
    GridSetScrollPos(grid, SB_VERT, gi->topRow);
}

void GridBringIntoView(HWND grid, GRIDINFO* gi)
{
    GridNotify(grid, GRIDN_INTOVIEW, 0);
    if (gi->currentColumn >= 1 && gi->currentColumn <= gi->columnCount &&
        !GridColumnVisible(grid, gi, gi->currentColumn)) {
        int chars = 0;
        for (int c = 1; c < gi->currentColumn; ++c)
            if (GridColumnShown(gi->columns[c - 1]))
                chars += gi->columns[c - 1].displayWidth;
        GridScrollHorizontally(grid, gi, chars - gi->leftOffset);
    }
    if (gi->currentRow >= 1 && !GridRowVisible(gi, gi->currentRow))
        GridScrollVertically(grid, gi, gi->currentRow - 1 - gi->topRow);
}

void GridPlaceCaret(HWND grid, GRIDINFO* gi)
{
    GridNotify(grid, GRIDN_CARET, 0);
    if (!gi->resizingColumn && GetFocus() == grid) {
        int width = gi->hideRowNumbers ? 5 : gi->rowNumberWidth * gi->charWidth - 8;
        int height = GridHeaderHeight(gi) - 8;
        int x = 4, y = 4;
        if (gi->currentColumn >= 1 && gi->currentColumn <= gi->columnCount &&
            !GridColumnShown(gi->columns[gi->currentColumn - 1]))
            gi->currentColumn = GridNextEnterableColumn(gi, 1);
        if (gi->currentRow >= 1 && gi->currentColumn >= 1) {
            width = 2;
            height = GridRowHeight(gi);
            x = GridColumnLeft(gi, gi->currentColumn);
            y = GridRowTop(gi, gi->currentRow - 1);
        }
        CreateCaret(grid, nullptr, width > 0 ? width : 1, height > 0 ? height : 1);
        SetCaretPos(x, y);
        ShowCaret(grid);
    }
    GridShowRowMarker(grid, gi);
}

void GridShowRowMarker(HWND, GRIDINFO* gi)
{
    if (!gi->rowMarker)
        return;
    if (gi->currentRow < 1 || gi->rowCount == 0) {
        ShowWindow(gi->rowMarker, SW_HIDE);
        return;
    }
    SetWindowPos(gi->rowMarker, nullptr, 0, GridRowTop(gi, gi->currentRow - 1), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    char text[16];
    snprintf(text, sizeof text, "%d", gi->currentRow);
    SetWindowTextA(gi->rowMarker, text);
}

void GridPlaceEditor(HWND grid, GRIDINFO* gi)
{
    if (!gi->editor || gi->currentRow < 1 || gi->currentColumn < 1)
        return;
    int height = GridRowHeight(gi);
    char cls[64] = "";
    GetClassNameA(gi->editor, cls, sizeof cls);
    if (lstrcmpiA(cls, "SysDateTimePick32") == 0)
        height = gi->charHeight + 6;
    else if (lstrcmpiA(cls, "combobox") == 0)
        height = 11 * gi->charHeight + 33;
    else if (GetWindowLongA(gi->editor, GWL_STYLE) & ES_MULTILINE)
        height = (5 * gi->charHeight + 15) * 2;
    MoveWindow(gi->editor, GridColumnLeft(gi, gi->currentColumn), GridRowTop(gi, gi->currentRow - 1),
               GridColumnPixelWidth(grid, gi, gi->currentColumn), height, TRUE);
    ShowWindow(gi->editor, SW_SHOW);
}

void GridCloseEditor(HWND grid, GRIDINFO* gi)
{
    // The editor's own visibility counts: a grid on a hidden form closes it too.
    if (!gi->editor || !(GetWindowLongA(gi->editor, GWL_STYLE) & WS_VISIBLE))
        return;
    if (gi->editLockLast && gi->editLocks && gi->editLocks[gi->editLockLast]) {
        SQLFreeStmt(gi->editLocks[gi->editLockLast], SQL_DROP);
        gi->editLocks[gi->editLockLast] = nullptr;
    }
    const GRIDCOL* col = GridCurrentColumn(gi);
    bool ownCombo = col && col->lookupCombo == gi->editor;
    if (ownCombo) {
        ShowWindow(gi->editor, SW_HIDE);
        SetFocus(grid);
    } else {
        DestroyWindow(gi->editor);
    }
    gi->editor = nullptr;
    GridNotify(grid, GRIDN_EDITENDED, gi->cellModified ? 1 : 0);
    GridNotify(grid, GRIDN_CHANGED, GRID_CHANGE_EDIT);
}

void GridRepaintRow(HWND grid, const GRIDINFO* gi, int row)
{
    if (row < 1)
        return;
    RECT rc = ClientRect(grid);
    rc.top = GridRowTop(gi, row - 1);
    rc.bottom = rc.top + GridRowHeight(gi);
    InvalidateRect(grid, &rc, FALSE);
}

void GridSetFontMetrics(HWND grid, GRIDINFO* gi, HFONT font)
{
    gi->charWidth = zTMCharWidth(grid, font);
    gi->charHeight = zTMCharHeight(grid, font);
    GridRecomputeTotals(gi);
}

void GridSetHideRowNumbers(HWND grid, GRIDINFO* gi, bool hide)
{
    gi->hideRowNumbers = hide;
    GridRecalcLayout(grid, gi);
    InvalidateRect(grid, nullptr, FALSE);
    GridPlaceCaret(grid, gi);
}
