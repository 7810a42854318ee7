// Stand-ins for the grid's keyboard, editor and row-command parts, used
// only while a part is not built into the library: each is weak, so the
// part's own definition replaces it. They keep the window usable: keys do
// nothing, no editor opens, row commands refuse, the style still applies.

#include "gridcursor.h"
#include "gridlayout.h"
#include "gridwindow.h"

#define GRID_WEAK __attribute__((weak))

GRID_WEAK LRESULT GridOnKeyDown(HWND, GRIDINFO*, WPARAM, LPARAM)
{
    return 0;
}

GRID_WEAK LRESULT GridOnKeyUp(HWND, GRIDINFO*, WPARAM, LPARAM)
{
    return 0;
}

GRID_WEAK LRESULT GridOnChar(HWND, GRIDINFO*, WPARAM, LPARAM)
{
    return 0;
}

GRID_WEAK LRESULT GridOnEditorKey(HWND, GRIDINFO*, WPARAM)
{
    return -1;
}

GRID_WEAK LRESULT GridOnEditorChar(HWND, GRIDINFO*, WPARAM)
{
    return -1;
}

GRID_WEAK bool GridBeginEdit(HWND, GRIDINFO*, UINT, WPARAM)
{
    return false;
}

GRID_WEAK bool GridAcceptEdit(HWND grid, GRIDINFO* gi)
{
    GridCloseEditor(grid, gi);
    return true;
}

GRID_WEAK bool GridAcceptAndAsk(HWND grid, GRIDINFO* gi)
{
    return GridAcceptEdit(grid, gi) && GridNotify(grid, GRIDN_QUERYJUMP, 0) == 0;
}

GRID_WEAK void GridEndEditNoSave(HWND grid, GRIDINFO* gi)
{
    GridCloseEditor(grid, gi);
}

GRID_WEAK bool GridAddRowCommand(HWND, GRIDINFO*)
{
    return false;
}

GRID_WEAK bool GridDeleteRowCommand(HWND, GRIDINFO*, bool)
{
    return false;
}

GRID_WEAK bool GridInsertRowCommand(HWND, GRIDINFO*, bool, bool)
{
    return false;
}

GRID_WEAK bool GridInsertRowBefore(HWND, GRIDINFO*)
{
    return false;
}

GRID_WEAK bool GridZapTable(HWND, GRIDINFO*)
{
    return false;
}

GRID_WEAK void GridFreeLockLists(GRIDINFO*) {}

GRID_WEAK bool GridCommit(HWND, GRIDINFO*, bool)
{
    return true;
}

GRID_WEAK bool GridRollback(HWND, GRIDINFO*)
{
    return false;
}

GRID_WEAK void GridSetCommitButtons(HWND, GRIDINFO*) {}

GRID_WEAK void GridShowStatusBar(HWND grid, GRIDINFO* gi, bool show)
{
    if (!IsWindow(gi->statusBar))
        return;
    gi->statusBarHidden = !show;
    if (!show)
        gi->statusBarHeight = 0;
    ShowWindow(gi->statusBar, show ? SW_SHOW : SW_HIDE);
    SendMessageA(grid, WM_SIZE, 0, 0);
}

GRID_WEAK void GridApplyStyle(HWND grid, GRIDINFO* gi)
{
    GridShowStatusBar(grid, gi, !(gi->style & GRIDS_NOSTATUSBAR));
    gi->hideRowNumbers = (gi->style & GRIDS_NOROWNUMBERS) != 0;
    GridRecalcLayout(grid, gi);
    InvalidateRect(grid, nullptr, FALSE);
    GridPlaceCaret(grid, gi);
}
