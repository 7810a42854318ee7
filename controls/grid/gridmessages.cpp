// The grid's own message set besides the column messages: grid flags,
// values and query texts, getters and the actions on rows and the table.

#include "gridbrowse.h"
#include "gridcolumns.h"
#include "gridcursor.h"
#include "gridlayout.h"
#include "gridrows.h"
#include "gridwindow.h"
#include "gridwndparts.h"

#include <sqlext.h>

#include <cstdio>
#include <string>

namespace {

bool FlagMessage(GRIDINFO* gi, UINT msg, WPARAM wParam, LPARAM lParam)
{
    bool on = wParam != 0;
    switch (msg) {
    case 0x0B1E: gi->readOnly = on; return true;
    case 0x0B44: gi->pickerForAllTypes = on; return true;
    case 0x0B45: gi->editableCombos = on; return true;
    case 0x0B55: gi->showErrors = on; return true;
    case 0x0B5E: gi->stopOnReadOnly = on; return true;
    case 0x0B73: gi->notifyAllMoves = on; return true;
    case 0x0B77: gi->noStatusText = on; return true;
    case 0x0B78: gi->editOnClick = on; return true;
    case 0x0B7A: gi->markCurrentRow = on; return true;
    case 0x0B59: gi->cellModified = lParam != 0; return true;
    }
    return false;
}

bool TextMessage(GRIDINFO* gi, UINT msg, LPARAM lParam, LRESULT* result)
{
    const char* text = reinterpret_cast<const char*>(lParam);
    char** field = nullptr;
    switch (msg) {
    case 0x0B1C: field = &gi->whereClause; break;
    case 0x0B1D: field = &gi->orderByClause; break;
    case 0x0B54: field = &gi->fromExtra; break;
    case 0x0B5B: field = &gi->groupByClause; break;
    case 0x0B5D: field = &gi->selectPrefix; break;
    case 0x0B68: field = &gi->havingText; break;
    case 0x0B69: field = &gi->columnList; break;
    case 0x0B74: field = &gi->selectText; break;
    case 0x0B5C: *result = reinterpret_cast<LRESULT>(gi->selectText); return true;
    default: return false;
    }
    GridSetText(*field, text);
    return true;
}

void SetIcon(GRIDINFO* gi, WPARAM index, LPARAM icon)
{
    if (index > 5 || !icon)
        return;
    if (gi->icons[index])
        DestroyIcon(gi->icons[index]);
    gi->icons[index] = CopyIcon(reinterpret_cast<HICON>(icon));
}

bool ValueMessage(HWND grid, GRIDINFO* gi, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case 0x0B0C:
        // An unbound grid has exactly the rows of its store: claiming more
        // would send every read past the buffers, fewer would lose them.
        if (gi->hstmt)
            gi->rowCount = lParam < 0 ? 0 : static_cast<int>(lParam);
        return true;
    case 0x0B17: gi->style = static_cast<DWORD>(lParam); GridApplyStyle(grid, gi); return true;
    case 0x0B66: gi->rowColorOverride = static_cast<COLORREF>(wParam); return true;
    case 0x0B6D:
        gi->headerLines = static_cast<int>(wParam);
        InvalidateRect(grid, nullptr, TRUE);
        return true;
    case 0x0B7C: gi->noTheme = static_cast<int>(wParam); return true;
    case 0x0B70: SetIcon(gi, wParam, lParam); return true;
    case 0x0B6E:
        gi->verticalHeaders = wParam != 0;
        GridMakeHeaderFont(gi);
        GridRecalcLayout(grid, gi);
        return true;
    }
    return false;
}

bool Getter(GRIDINFO* gi, UINT msg, LRESULT* result)
{
    switch (msg) {
    case 0x0B0A: *result = gi->currentRow; return true;
    case 0x0B0B: *result = gi->rowCount; return true;
    case 0x0B14: *result = gi->columnCount; return true;
    case 0x0B1F: *result = gi->currentColumn; return true;
    case 0x0B11: *result = gi->locateResult; return true;
    case 0x0B39: *result = gi->editor ? 1 : 0; return true;
    case 0x0B4C: *result = reinterpret_cast<LRESULT>(gi->editor); return true;
    case 0x0B3B: *result = reinterpret_cast<LRESULT>(gi->hstmt); return true;
    case 0x0B3C: *result = reinterpret_cast<LRESULT>(gi->hdbc); return true;
    case 0x0B65: *result = gi->charHeight + 3; return true;
    case 0x0B67: *result = gi->charWidth; return true;
    case 0x0B26:
        if (gi->editor) {
            int length = GetWindowTextLengthA(gi->editor);
            std::string text(length > 0 ? length + 1 : 1, '\0');
            GetWindowTextA(gi->editor, &text[0], static_cast<int>(text.size()));
            GridSetText(gi->editText, text.c_str());
        }
        *result = reinterpret_cast<LRESULT>(gi->editText);
        return true;
    }
    return false;
}

// Swaps the current row of an unbound grid with the row `step` away.
void MoveRow(HWND grid, GRIDINFO* gi, int step)
{
    int other = gi->currentRow + step;
    if (gi->hstmt || !gi->rows || gi->currentRow < 1 || other < 1 || other > gi->rowCount)
        return;
    GridEndEditNoSave(grid, gi);
    char* held = gi->rows[gi->currentRow - 1];
    gi->rows[gi->currentRow - 1] = gi->rows[other - 1];
    gi->rows[other - 1] = held;
    int old = gi->currentRow;
    gi->currentRow = other;
    GridRepaintRow(grid, gi, old);
    GridRepaintRow(grid, gi, other);
    GridNotify(grid, GRIDN_DATACHANGED, 0);
}

void Clear(HWND grid, GRIDINFO* gi)
{
    if (gi->hstmt) {
        GridEndEditNoSave(grid, gi);
        if (GridZapTable(grid, gi))
            GridReload(grid, gi);
        return;
    }
    GridFreeRows(gi);
    GridRecalcLayout(grid, gi);
    InvalidateRect(grid, nullptr, TRUE);
}

void SetLockTimeout(GRIDINFO* gi, WPARAM millis)
{
    SQLHSTMT statement = nullptr;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, gi->hdbc, &statement)))
        return;
    char sql[64];
    snprintf(sql, sizeof sql, "SET LOCK_TIMEOUT %d", static_cast<int>(millis));
    SQLExecDirect(statement, reinterpret_cast<SQLCHAR*>(sql), SQL_NTS);
    SQLFreeHandle(SQL_HANDLE_STMT, statement);
}

void SetEditorText(GRIDINFO* gi, const char* text)
{
    if (!gi->editor || !text)
        return;
    bool combo = gi->currentColumn >= 1 && gi->currentColumn <= gi->columnCount &&
                 gi->columns[gi->currentColumn - 1].lookupCombo == gi->editor;
    if (!combo) {
        SetWindowTextA(gi->editor, text);
        return;
    }
    LRESULT index = SendMessageA(gi->editor, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(text));
    if (index != CB_ERR)
        SendMessageA(gi->editor, CB_SETCURSEL, index, 0);
}

bool RowAction(HWND grid, GRIDINFO* gi, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case 0x0B09:
        if (lParam > 0 && lParam <= gi->rowCount)
            GridRepaintRow(grid, gi, static_cast<int>(lParam));
        else if (lParam <= 0 && gi->currentRow)
            GridRepaintRow(grid, gi, gi->currentRow);
        return true;
    case 0x0B0D: *result = GridInsertRowCommand(grid, gi, wParam != 0, lParam != 0) ? 1 : 0; return true;
    case 0x0B0E: Clear(grid, gi); return true;
    case 0x0B57: gi->currentColumn = static_cast<int>(wParam); MoveRow(grid, gi, -1); return true;
    case 0x0B0F: MoveRow(grid, gi, -1); return true;
    case 0x0B10: MoveRow(grid, gi, 1); return true;
    case 0x0B12:
        if (lParam > 0 && lParam <= gi->rowCount && GridAcceptAndAsk(grid, gi))
            GridChangeRow(grid, gi, static_cast<int>(lParam), gi->currentColumn);
        return true;
    case 0x0B13: *result = GridDeleteRowCommand(grid, gi, wParam != 0) ? 1 : 0; return true;
    case 0x0B15: *result = GridLocateRow(gi, gi->locateResult); return true;
    case 0x0B16:
        GridMoveToColumn(grid, gi, static_cast<int>(wParam), GRID_FORWARD, 0);
        GridBringIntoView(grid, gi);
        GridPlaceCaret(grid, gi);
        return true;
    case 0x0B18: GridInsertRowBefore(grid, gi); return true;
    }
    return false;
}

bool GridAction(HWND grid, GRIDINFO* gi, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case 0x0B1B:
        if (gi->hstmt) {
            GridEndEditNoSave(grid, gi);
            GridReload(grid, gi);
        }
        return true;
    case 0x0B36:
        if (gi->statusBar)
            SendMessageA(gi->statusBar, SB_SETTEXTA, 6, lParam);
        return true;
    case 0x0B37: *result = GridCommit(grid, gi, wParam != 0) ? 1 : 0; return true;
    case 0x0B38: GridRollback(grid, gi); return true;
    case 0x0B3A: SetEditorText(gi, reinterpret_cast<const char*>(lParam)); return true;
    case 0x0B48:
        if (gi->hdbc)
            GridSetCommitButtons(grid, gi);
        return true;
    case 0x0B49: GridSetHideRowNumbers(grid, gi, true); return true;
    case 0x0B4A: GridSetHideRowNumbers(grid, gi, false); return true;
    case 0x0B4B:
        if (gi->hdbc)
            SetLockTimeout(gi, wParam);
        return true;
    case 0x0B52: GridShowStatusBar(grid, gi, false); return true;
    case 0x0B64: GridShowStatusBar(grid, gi, true); return true;
    case 0x0B53:
        GridEndEditNoSave(grid, gi);
        GridFreeColumns(grid, gi);
        GridRecalcLayout(grid, gi);
        InvalidateRect(grid, nullptr, TRUE);
        return true;
    case 0x0B60:
        if (gi->statusBar)
            SendMessageA(gi->statusBar, WM_SETFONT, wParam, TRUE);
        return true;
    case 0x0B6A: GridEndEditNoSave(grid, gi); return true;
    }
    return false;
}

}  // namespace

bool GridOwnMessage(HWND grid, GRIDINFO* gi, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    *result = 0;
    if (msg < 0x0B09 || msg > 0x0B7C)
        return false;
    if (GridColumnMessage(grid, gi, msg, wParam, lParam, result))
        return true;
    return FlagMessage(gi, msg, wParam, lParam) || TextMessage(gi, msg, lParam, result) ||
           ValueMessage(grid, gi, msg, wParam, lParam) || Getter(gi, msg, result) ||
           RowAction(grid, gi, msg, wParam, lParam, result) || GridAction(grid, gi, msg, wParam, lParam, result);
}
