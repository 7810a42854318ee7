// Commit and rollback of a bound grid's open transaction, and the tool
// buttons that the status bar's first six parts stand for.

#include "gridtrans.h"

#include "corvex.h"
#include "gridbrowse.h"
#include "gridcursor.h"
#include "gridlayout.h"
#include "gridlock.h"
#include "gridwindow.h"

#include <commctrl.h>
#include <sqlext.h>

#include <initializer_list>

namespace {

const char* const kTipsEnglish[GRID_BUTTON_PARTS] = {
    "Add a row(Ctrl+A)", "Delete the current row(Ctrl+D)", "Commit(Ctrl+C)",
    "Rollback(Ctrl+R)",  "Refresh(Ctrl+U)",                "Hide/Show row'snumbers(Ctrl+B)",
};

const char* const kTipsItalian[GRID_BUTTON_PARTS] = {
    "Aggiungi una riga(Ctrl+A)",          "Elimina la riga corrente(Ctrl+D)",
    "Conferma gli aggiornamenti(Ctrl+C)", "Annulla gli aggiornamenti(Ctrl+R)",
    "Aggiorna(Ctrl+U)",                   "Nascondi/Mostra i numeri di riga(Ctrl+B)",
};

bool NoButtons(const GRIDINFO* gi)
{
    return (gi->style & 0xFF) == GRIDS_NOBUTTONS;
}

bool HasStatusBar(const GRIDINFO* gi)
{
    return gi->statusBar && IsWindow(gi->statusBar);
}

// The owner's icon of a part (GRIDM_SETBUTTONICON) before the library's own.
HICON ButtonIcon(const GRIDINFO* gi, int part)
{
    return gi->icons[part] ? gi->icons[part] : GridSharedIcon(part + 1);
}

void ClearPart(const GRIDINFO* gi, int part)
{
    SendMessageA(gi->statusBar, SB_SETICON, part, 0);
    SendMessageA(gi->statusBar, SB_SETTIPTEXTA, part, reinterpret_cast<LPARAM>(""));
    SendMessageA(gi->statusBar, SB_SETTEXTA, part | SBT_POPOUT, reinterpret_cast<LPARAM>(""));
}

void SetIcon(const GRIDINFO* gi, int part)
{
    SendMessageA(gi->statusBar, SB_SETICON, part, reinterpret_cast<LPARAM>(ButtonIcon(gi, part)));
}

void SetTip(const GRIDINFO* gi, int part)
{
    SendMessageA(gi->statusBar, SB_SETTIPTEXTA, part, reinterpret_cast<LPARAM>(GridButtonTip(part)));
}

void SetButton(const GRIDINFO* gi, int part)
{
    SetIcon(gi, part);
    SetTip(gi, part);
}

// After the end of a transaction the table is read again, whatever the
// outcome: the rows on screen must be the ones the server now has. The
// locks of the ended transaction go last.
void AfterTransaction(HWND grid, GRIDINFO* gi)
{
    GridReread(grid, gi);
    GridReposition(grid, gi);
    gi->transactionPending = false;
    GridDropAllLocks(gi);
}

}  // namespace

const char* GridButtonTip(int part)
{
    if (part < 0 || part >= GRID_BUTTON_PARTS)
        return "";
    return GetUserDefaultLangID() == 0x0410 ? kTipsItalian[part] : kTipsEnglish[part];
}

bool GridRollback(HWND grid, GRIDINFO* gi)
{
    if (gi->autoCommit || !gi->hstmt)
        return false;
    GridCloseEditor(grid, gi);
    GridNotify(grid, GRIDN_QUERYROLLBACK, 0);
    SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, gi->hdbc, SQL_ROLLBACK);
    if (rc == SQL_ERROR && gi->showErrors)
        zDBError(gi->henv, gi->hdbc, nullptr, "GRID::ROLLBACK");
    AfterTransaction(grid, gi);
    GridNotify(grid, GRIDN_ROLLEDBACK, 0);
    return SQL_SUCCEEDED(rc);
}

bool GridCommit(HWND grid, GRIDINFO* gi, bool notify)
{
    if (gi->autoCommit || !gi->hstmt)
        return true;
    // A value the editor could not store must not be left out silently.
    if (!GridFinishEdit(grid))
        return false;
    SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, gi->hdbc, SQL_COMMIT);
    if (rc == SQL_ERROR && gi->showErrors)
        zDBError(gi->henv, gi->hdbc, nullptr, "GRID::COMMIT");
    AfterTransaction(grid, gi);
    if (notify)
        GridNotify(grid, GRIDN_COMMITTED, 0);
    return SQL_SUCCEEDED(rc);
}

void GridSetCommitButtons(HWND, GRIDINFO* gi)
{
    if (!HasStatusBar(gi))
        return;
    ClearPart(gi, GRID_PART_COMMIT);
    ClearPart(gi, GRID_PART_ROLLBACK);
    if (gi->autoCommit || NoButtons(gi))
        return;
    if (!(gi->style & GRIDS_NOCOMMIT))
        SetButton(gi, GRID_PART_COMMIT);
    if (!(gi->style & GRIDS_NOROLLBACK))
        SetButton(gi, GRID_PART_ROLLBACK);
}

void GridApplyStyle(HWND grid, GRIDINFO* gi)
{
    if (HasStatusBar(gi)) {
        for (int part : {GRID_PART_ADD, GRID_PART_DELETE, GRID_PART_REFRESH, GRID_PART_ROWNUMBERS})
            ClearPart(gi, part);
        if (!NoButtons(gi)) {
            SetIcon(gi, GRID_PART_REFRESH);
            SetIcon(gi, GRID_PART_ROWNUMBERS);
            if (!(gi->style & GRIDS_NOADD))
                SetButton(gi, GRID_PART_ADD);
            if (!(gi->style & GRIDS_NODELETE))
                SetButton(gi, GRID_PART_DELETE);
            SetTip(gi, GRID_PART_REFRESH);
            SetTip(gi, GRID_PART_ROWNUMBERS);
        }
    }
    GridSetCommitButtons(grid, gi);
    GridShowStatusBar(grid, gi, !(gi->style & GRIDS_NOSTATUSBAR));
    gi->hideRowNumbers = (gi->style & GRIDS_NOROWNUMBERS) != 0;
    GridRecalcLayout(grid, gi);
    InvalidateRect(grid, nullptr, FALSE);
    GridPlaceCaret(grid, gi);
}

void GridShowStatusBar(HWND grid, GRIDINFO* gi, bool show)
{
    if (!HasStatusBar(gi))
        return;
    if (show) {
        gi->statusBarHidden = false;
        ShowWindow(gi->statusBar, SW_SHOW);
    } else {
        gi->statusBarHeight = 0;
        gi->statusBarHidden = true;
        ShowWindow(gi->statusBar, SW_HIDE);
    }
    SendMessageA(grid, WM_SIZE, 0, 0);
}
