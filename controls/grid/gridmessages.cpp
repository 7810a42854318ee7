// The grid's own message set besides the column messages: grid flags,
// values and query texts, getters and the actions on rows and the table.

#include "gridbrowse.h"
#include "gridcolumns.h"
#include "gridcursor.h"
#include "grideditor.h"
#include "gridlayout.h"
#include "gridlock.h"
#include "gridrows.h"
#include "gridwindow.h"
#include "gridwndparts.h"
#include "odbc/zdbsql.h"

#include <sqlext.h>

#include <cstdio>
#include <string>

namespace {

bool FlagMessage(GRIDINFO* gi, UINT msg, WPARAM wParam, LPARAM lParam)
{
    bool on = wParam != 0;
    switch (msg) {
    case GRIDM_SETREADONLY: gi->readOnly = on; return true;
    case GRIDM_SETPICKERFORALL: gi->pickerForAllTypes = on; return true;
    case GRIDM_SETEDITABLECOMBOS: gi->editableCombos = on; return true;
    case GRIDM_SETSHOWERRORS: gi->showErrors = on; return true;
    case GRIDM_SETSTOPONREADONLY: gi->stopOnReadOnly = on; return true;
    case GRIDM_SETNOTIFYALLMOVES: gi->notifyAllMoves = on; return true;
    case GRIDM_SETNOSTATUSTEXT: gi->noStatusText = on; return true;
    case GRIDM_SETEDITONCLICK: gi->editOnClick = on; return true;
    case GRIDM_SETMARKCURRENTROW: gi->markCurrentRow = on; return true;
    case GRIDM_SETCELLMODIFIED: gi->cellModified = lParam != 0; return true;
    }
    return false;
}

bool TextMessage(GRIDINFO* gi, UINT msg, LPARAM lParam, LRESULT* result)
{
    const char* text = reinterpret_cast<const char*>(lParam);
    char** field = nullptr;
    switch (msg) {
    case GRIDM_SETWHERE: field = &gi->whereClause; break;
    case GRIDM_SETORDERBY: field = &gi->orderByClause; break;
    case GRIDM_SETFROMEXTRA: field = &gi->fromExtra; break;
    case GRIDM_SETGROUPBY: field = &gi->groupByClause; break;
    case GRIDM_SETSELECTPREFIX: field = &gi->selectPrefix; break;
    case GRIDM_SETHAVING: field = &gi->havingText; break;
    case GRIDM_SETCOLUMNLIST: field = &gi->columnList; break;
    case GRIDM_SETSELECTTEXT: field = &gi->selectText; break;
    case GRIDM_GETSELECTTEXT: *result = reinterpret_cast<LRESULT>(GridTextOrEmpty(gi->selectText)); return true;
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
    case GRIDM_SETROWCOUNT:
        // An unbound grid has exactly the rows of its store: claiming more
        // would send every read past the buffers, fewer would lose them.
        if (gi->hstmt)
            gi->rowCount = lParam < 0 ? 0 : static_cast<int>(lParam);
        return true;
    case GRIDM_SETSTYLE: gi->style = static_cast<DWORD>(lParam); GridApplyStyle(grid, gi); return true;
    case GRIDM_SETROWCOLOR: gi->rowColorOverride = static_cast<COLORREF>(wParam); return true;
    case GRIDM_SETHEADERLINES:
        gi->headerLines = static_cast<int>(wParam);
        InvalidateRect(grid, nullptr, TRUE);
        return true;
    case GRIDM_SETNOTHEME: gi->noTheme = static_cast<int>(wParam); return true;
    case GRIDM_SETBUTTONICON: SetIcon(gi, wParam, lParam); return true;
    case GRIDM_SETVERTICALHEADERS:
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
    case GRIDM_GETCURRENTROW: *result = gi->currentRow; return true;
    case GRIDM_GETROWCOUNT: *result = gi->rowCount; return true;
    case GRIDM_GETCOLUMNCOUNT: *result = gi->columnCount; return true;
    case GRIDM_GETCURRENTCOLUMN: *result = gi->currentColumn; return true;
    case GRIDM_GETLOCATERESULT: *result = gi->locateResult; return true;
    case GRIDM_HASEDITOR: *result = gi->editor ? 1 : 0; return true;
    case GRIDM_GETEDITOR: *result = reinterpret_cast<LRESULT>(gi->editor); return true;
    case GRIDM_GETHSTMT: *result = reinterpret_cast<LRESULT>(gi->hstmt); return true;
    case GRIDM_GETHDBC: *result = reinterpret_cast<LRESULT>(gi->hdbc); return true;
    case GRIDM_GETROWPITCH: *result = gi->charHeight + 3; return true;
    case GRIDM_GETCHARWIDTH: *result = gi->charWidth; return true;
    case GRIDM_GETEDITTEXT:
        if (gi->editor)
            GridSetText(gi->editText, GridEditorValue(gi, gi->editor).c_str());
        *result = reinterpret_cast<LRESULT>(GridTextOrEmpty(gi->editText));
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
    GridPlaceCaret(grid, gi);
}

void SetLockTimeout(GRIDINFO* gi, WPARAM millis)
{
    SQLHSTMT statement = nullptr;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, gi->hdbc, &statement)))
        return;
    char sql[64];
    snprintf(sql, sizeof sql, "SET LOCK_TIMEOUT %d", static_cast<int>(millis));
    SQLExecDirect(statement, Sql(sql), SQL_NTS);
    SQLFreeHandle(SQL_HANDLE_STMT, statement);
}

void SetEditorText(GRIDINFO* gi, const char* text)
{
    if (!gi->editor || !text)
        return;
    const GRIDCOL* col = GridCurrentColumn(gi);
    bool combo = col && col->lookupCombo == gi->editor;
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
    case GRIDM_REPAINTROW:
        if (lParam > 0 && lParam <= gi->rowCount)
            GridRepaintRow(grid, gi, static_cast<int>(lParam));
        else if (lParam <= 0 && gi->currentRow)
            GridRepaintRow(grid, gi, gi->currentRow);
        return true;
    case GRIDM_INSERTROW: *result = GridInsertRowCommand(grid, gi, wParam != 0, lParam != 0) ? 1 : 0; return true;
    case GRIDM_CLEAR: GridZapTable(grid, gi); return true;
    case GRIDM_MOVEROWUPAT: gi->currentColumn = static_cast<int>(wParam); MoveRow(grid, gi, -1); return true;
    case GRIDM_MOVEROWUP: MoveRow(grid, gi, -1); return true;
    case GRIDM_MOVEROWDOWN: MoveRow(grid, gi, 1); return true;
    case GRIDM_GOTOROW:
        if (lParam > 0 && lParam <= gi->rowCount && GridAcceptAndAsk(grid, gi))
            GridChangeRow(grid, gi, static_cast<int>(lParam), gi->currentColumn);
        return true;
    // The owner's own delete: neither the read-only option nor the style's
    // delete button apply to it.
    case GRIDM_DELETEROW: *result = GridDeleteRow(grid, gi, wParam != 0) ? 1 : 0; return true;
    case GRIDM_SEARCHON: *result = GridLocateRow(gi, gi->locateResult); return true;
    case GRIDM_GOTOCOLUMN:
        GridMoveToColumn(grid, gi, static_cast<int>(wParam), GRID_FORWARD, 0);
        GridBringIntoView(grid, gi);
        GridPlaceCaret(grid, gi);
        return true;
    case GRIDM_INSERTBEFORE: GridInsertRowBefore(grid, gi); return true;
    }
    return false;
}

bool GridAction(HWND grid, GRIDINFO* gi, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case GRIDM_REFRESH:
        if (gi->hstmt) {
            GridEndEditNoSave(grid, gi);
            GridReload(grid, gi);
        }
        return true;
    case GRIDM_SETSTATUSTEXT:
        if (gi->statusBar)
            SendMessageA(gi->statusBar, SB_SETTEXTA, 6, lParam);
        return true;
    case GRIDM_COMMIT: *result = GridCommit(grid, gi, wParam != 0) ? 1 : 0; return true;
    case GRIDM_ROLLBACK: GridRollback(grid, gi); return true;
    case GRIDM_SETEDITORTEXT: SetEditorText(gi, reinterpret_cast<const char*>(lParam)); return true;
    case GRIDM_SETCOMMITBUTTONS:
        if (gi->hdbc)
            GridSetCommitButtons(grid, gi);
        return true;
    case GRIDM_HIDEROWNUMBERS: GridSetHideRowNumbers(grid, gi, true); return true;
    case GRIDM_SHOWROWNUMBERS: GridSetHideRowNumbers(grid, gi, false); return true;
    case GRIDM_SETLOCKTIMEOUT:
        if (gi->hdbc)
            SetLockTimeout(gi, wParam);
        return true;
    case GRIDM_HIDESTATUSBAR: GridShowStatusBar(grid, gi, false); return true;
    case GRIDM_SHOWSTATUSBAR: GridShowStatusBar(grid, gi, true); return true;
    case GRIDM_REMOVECOLUMNS: {
        GridEndEditNoSave(grid, gi);
        std::vector<int> oldWidths = GridDataWidths(gi);
        GridFreeColumns(grid, gi);
        GridRelayoutRows(gi, oldWidths);
        GridRecalcLayout(grid, gi);
        InvalidateRect(grid, nullptr, TRUE);
        return true;
    }
    case GRIDM_SETSTATUSFONT:
        if (gi->statusBar)
            SendMessageA(gi->statusBar, WM_SETFONT, wParam, TRUE);
        return true;
    case GRIDM_ENDEDIT: GridEndEditNoSave(grid, gi); return true;
    }
    return false;
}

}  // namespace

bool GridOwnMessage(HWND grid, GRIDINFO* gi, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    *result = 0;
    if (msg < GRIDM_FIRST || msg > GRIDM_LAST)
        return false;
    if (GridColumnMessage(grid, gi, msg, wParam, lParam, result))
        return true;
    return FlagMessage(gi, msg, wParam, lParam) || TextMessage(gi, msg, lParam, result) ||
           ValueMessage(grid, gi, msg, wParam, lParam) || Getter(gi, msg, result) ||
           RowAction(grid, gi, msg, wParam, lParam, result) || GridAction(grid, gi, msg, wParam, lParam, result);
}
