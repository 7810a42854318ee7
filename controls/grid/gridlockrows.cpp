// Inserting and deleting rows, bound or unbound, and the row commands of
// the keyboard and the tool buttons.

#include "gridlock.h"

#include "corvex.h"
#include "gridbrowse.h"
#include "gridcells.h"
#include "gridcursor.h"
#include "gridlayout.h"
#include "gridquery.h"
#include "gridrows.h"
#include "gridwindow.h"

#include "xalloc.h"

#include <cstdio>
#include <cstring>

namespace {

// Columns numbered from the table's maximum get it plus one as default.
void NumberNewRow(HWND grid, GRIDINFO* gi)
{
    for (int c = 1; c <= gi->columnCount; ++c) {
        GRIDCOL& col = gi->columns[c - 1];
        if (col.insertMode == 0 || col.insertMode == 'i')
            continue;
        double next = zGridGetMax(grid, c, col.insertMode) + 1;
        char text[400];
        // An integer column gets a whole number: "6.000000" is no integer.
        bool whole = col.type == GRID_INTEGER || col.type == GRID_BOOLEAN;
        snprintf(text, sizeof text, whole ? "%.0f" : "%f", next);
        GridSetText(col.defaultText, text);
    }
}

void FillNewRow(HWND grid, GRIDINFO* gi)
{
    GridAppendRow(gi);
    for (int c = 1; c <= gi->columnCount; ++c)
        if (!GridEmpty(gi->columns[c - 1].defaultText))
            GridWriteCell(grid, gi, gi->rowCount, c, gi->columns[c - 1].defaultText, GRID_LOCK_UPDATE);
}

void RemoveUnboundRow(GRIDINFO* gi, int row)
{
    xfree(gi->rows[row - 1]);
    memmove(&gi->rows[row - 1], &gi->rows[row], (gi->rowCount - row) * sizeof(char*));
    --gi->rowCount;
    if (gi->rowCount == 0) {
        xfree(gi->rows);
        gi->rows = nullptr;
    } else {
        gi->rows = static_cast<char**>(xrealloc(gi->rows, gi->rowCount * sizeof(char*)));
    }
}

}  // namespace

bool GridInsertRow(HWND grid, GRIDINFO* gi, bool goToRow, bool notify)
{
    if (!GridFinishEdit(grid) || gi->columnCount == 0)
        return false;
    if (notify && (GridNotify(grid, GRIDN_QUERYCHANGE, GRID_CHANGE_INSERT) != 0 ||
                   GridNotify(grid, GRIDN_QUERYINSERT, 0) != 0))
        return false;
    if (gi->hstmt) {
        NumberNewRow(grid, gi);
        if (!GridDBInsert(grid, gi))
            return false;
        GridReread(grid, gi);
    } else {
        FillNewRow(grid, gi);
    }
    GridRecalcLayout(grid, gi);
    GridBringIntoView(grid, gi);
    if (goToRow) {
        GridLastRow(grid, gi);
        InvalidateRect(grid, nullptr, FALSE);
    } else {
        // The re-read hid the row marker: it goes back on the current row.
        GridPlaceCaret(grid, gi);
    }
    if (notify) {
        GridNotify(grid, GRIDN_DATACHANGED, 0);
        GridNotify(grid, GRIDN_INSERTED, 0);
        GridNotify(grid, GRIDN_CHANGED, GRID_CHANGE_INSERT);
    }
    return true;
}

bool GridInsertRowBefore(HWND grid, GRIDINFO* gi)
{
    // A table keeps its own order: a bound grid adds the row where it goes.
    if (gi->hstmt)
        return GridInsertRow(grid, gi, true, true);
    int at = gi->currentRow;
    if (at < 1 || at > gi->rowCount || !GridInsertRow(grid, gi, false, true))
        return false;
    char* added = gi->rows[gi->rowCount - 1];
    memmove(&gi->rows[at], &gi->rows[at - 1], (gi->rowCount - at) * sizeof(char*));
    gi->rows[at - 1] = added;
    gi->currentRow = at;
    InvalidateRect(grid, nullptr, FALSE);
    return true;
}

bool GridDeleteRow(HWND grid, GRIDINFO* gi, bool repaint)
{
    if (gi->rowCount == 0 || gi->currentRow < 1)
        return true;
    if (GridNotify(grid, GRIDN_QUERYCHANGE, GRID_CHANGE_DELETE) != 0 || GridNotify(grid, GRIDN_QUERYDELETE, 0) != 0)
        return false;
    GridCloseEditor(grid, gi);
    if (gi->hstmt) {
        if (!GridDBDelete(grid, gi))
            return false;
    } else {
        RemoveUnboundRow(gi, gi->currentRow);
    }
    // The cursor never stays beyond the last row, repainted or not.
    if (gi->currentRow > gi->rowCount)
        gi->currentRow = gi->rowCount;
    if (repaint) {
        GridRecalcLayout(grid, gi);
        InvalidateRect(grid, nullptr, FALSE);
    }
    GridPlaceCaret(grid, gi);
    GridNotify(grid, GRIDN_ROWCHANGED, 0);
    GridNotify(grid, GRIDN_DATACHANGED, 0);
    GridNotify(grid, GRIDN_DELETED, 0);
    GridNotify(grid, GRIDN_CHANGED, GRID_CHANGE_DELETE);
    return true;
}

bool GridAddRowCommand(HWND grid, GRIDINFO* gi)
{
    if (gi->readOnly || (gi->style & GRIDS_NOADD))
        return false;
    return GridInsertRow(grid, gi, true, true);
}

bool GridDeleteRowCommand(HWND grid, GRIDINFO* gi, bool repaint)
{
    if (gi->readOnly || (gi->style & GRIDS_NODELETE))
        return false;
    return GridDeleteRow(grid, gi, repaint);
}

bool GridInsertRowCommand(HWND grid, GRIDINFO* gi, bool option1, bool option2)
{
    return GridInsertRow(grid, gi, option1, option2);
}

bool GridZapTable(HWND grid, GRIDINFO* gi)
{
    if (!gi->hstmt) {
        GridFreeRows(gi);
        GridRecalcLayout(grid, gi);
        InvalidateRect(grid, nullptr, TRUE);
        return true;
    }
    GridEndEditNoSave(grid, gi);
    if (!GridDBZap(grid, gi))
        return false;
    GridReread(grid, gi);
    GridReposition(grid, gi);
    return true;
}
