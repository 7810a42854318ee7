// The grid's keyboard: keys of the grid window while no editor is open, and
// the keys and characters the in-place editor offers the grid before it
// handles them itself (reply -1 lets the editor go on, -2 swallows).

#include "gridkeys.h"

#include "gridcells.h"
#include "gridcursor.h"
#include "gridwindow.h"
#include "subclass/zsubclass.h"

#include <commctrl.h>

namespace {

bool Held(int key)
{
    return GetKeyState(key) < 0;
}

void OnTab(HWND grid, GRIDINFO* gi)
{
    if (!GridAcceptEdit(grid, gi))
        return;
    bool moved = Held(VK_SHIFT) ? GridPreviousColumn(grid, gi, VK_TAB) : GridNextColumn(grid, gi, VK_TAB);
    if (!moved)
        GridKeyToParent(grid, VK_TAB);
}

void OnEnter(HWND grid, GRIDINFO* gi)
{
    if (gi->readOnly) {
        GridKeyToParent(grid, VK_RETURN);
        return;
    }
    if (!gi->editor) {
        if (gi->rowCount == 0)
            GridAddRowCommand(grid, gi);
        // Beginning succeeds on a cell of a column that has no editor (types
        // 8 and 256) too: only an editor that opened keeps the cursor here.
        GridBeginEdit(grid, gi, 0, 0);
        if (gi->editor)
            return;
    } else if (!GridAcceptEdit(grid, gi)) {
        return;
    }
    GridNextColumn(grid, gi, VK_RETURN);
}

// Delete on a look-up cell empties it at once; elsewhere it edits. A grid
// or column that may not be edited keeps its value.
void OnDelete(HWND grid, GRIDINFO* gi)
{
    GRIDCOL* col = GridCurrentColumn(gi);
    if (!col || !col->lookupCombo) {
        GridBeginEdit(grid, gi, WM_KEYDOWN, VK_DELETE);
        return;
    }
    if (gi->readOnly || col->columnReadOnly)
        return;
    GridWriteCell(grid, gi, gi->currentRow, gi->currentColumn, "", 2);
    gi->cellModified = true;
    GridNotify(grid, GRIDN_EDITENDED, 1);
    GridNotify(grid, GRIDN_CHANGED, GRID_CHANGE_EDIT);
}

// Letters: the Ctrl commands, and U (refresh) with or without Ctrl.
bool OnLetter(HWND grid, GRIDINFO* gi, WPARAM key)
{
    bool ctrl = Held(VK_CONTROL);
    switch (key) {
    case 'A':
        if (ctrl)
            GridAddRowCommand(grid, gi);
        return true;
    case 'B':
        if (ctrl && (gi->style & 0xFF) != 0xFF)
            GridSetHideRowNumbers(grid, gi, !gi->hideRowNumbers);
        return true;
    case 'C':
        if (ctrl && !(gi->style & GRIDS_NOCOMMIT))
            GridCommit(grid, gi, true);
        return true;
    case 'D':
        if (ctrl)
            GridDeleteRowCommand(grid, gi, true);
        return true;
    case 'R':
        if (ctrl && !(gi->style & GRIDS_NOROLLBACK))
            GridRollback(grid, gi);
        return true;
    case 'U':
        SendMessageA(grid, GRIDM_REFRESH, 0, 0);
        return true;
    default:
        return false;
    }
}

// Moves and the keys that begin an edit; false for a key not in the map.
bool OnMoveKey(HWND grid, GRIDINFO* gi, WPARAM key)
{
    bool ctrl = Held(VK_CONTROL);
    switch (key) {
    case VK_LEFT:
        GridPreviousColumn(grid, gi, VK_LEFT);
        return true;
    case VK_RIGHT:
        GridNextColumn(grid, gi, VK_RIGHT);
        return true;
    case VK_UP:
        GridRowUp(grid, gi, 1);
        return true;
    case VK_DOWN:
        GridRowDown(grid, gi, 1);
        return true;
    case VK_PRIOR:
        ctrl ? GridFirstRow(grid, gi) : GridPageUp(grid, gi);
        return true;
    case VK_NEXT:
        ctrl ? GridLastRow(grid, gi) : GridPageDown(grid, gi);
        return true;
    case VK_HOME:
    case VK_END:
        if (!ctrl)
            GridBeginEdit(grid, gi, WM_KEYDOWN, key);
        else if (key == VK_HOME)
            GridFirstColumn(grid, gi);
        else
            GridLastColumn(grid, gi);
        return true;
    default:
        return false;
    }
}

void KeyDown(HWND grid, GRIDINFO* gi, WPARAM key)
{
    if (key == VK_TAB)
        OnTab(grid, gi);
    else if (key == VK_RETURN)
        OnEnter(grid, gi);
    else if (key == VK_DELETE)
        OnDelete(grid, gi);
    else if (!OnMoveKey(grid, gi, key) && !OnLetter(grid, gi, key))
        GridKeyToParent(grid, key);
}

// Steps 3 and 4 of an offered key: Ctrl+Space, Escape, arrows in combos
// and pickers, F4. 0 when the key goes on to the later steps.
LRESULT SpecialEditorKey(HWND grid, GRIDINFO* gi, GRIDCOL* col, WPARAM key)
{
    if (key == VK_SPACE && Held(VK_CONTROL)) {
        if (!col || !col->lookupCombo)
            return 0;
        SendMessageA(col->lookupCombo, CB_SETCURSEL, WPARAM(-1), 0);
        int id = GetDlgCtrlID(col->lookupCombo);
        SendMessageA(grid, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(col->lookupCombo));
        return ZCS_SWALLOW;
    }
    if (key == VK_ESCAPE) {
        gi->cellModified = false;
        GridEndEditNoSave(grid, gi);
        return ZCS_SWALLOW;
    }
    if ((key == VK_UP || key == VK_DOWN) && col &&
        (col->lookupCombo || col->type == GRID_DATE || col->type == GRID_TIMESTAMP))
        return ZCS_GOON;
    if (key == VK_F4 && col && col->lookupCombo) {
        GridNotify(grid, GRIDN_EDITF4, 0);
        return ZCS_SWALLOW;
    }
    return 0;
}

LRESULT EditorKey(HWND grid, GRIDINFO* gi, WPARAM key)
{
    if (!gi->editor)
        return ZCS_GOON;
    if (GridNotify(grid, GRIDN_QUERYEDITORKEY, int(key)) != 0)
        return ZCS_SWALLOW;
    GRIDCOL* col = GridCurrentColumn(gi);
    if (LRESULT reply = SpecialEditorKey(grid, gi, col, key))
        return reply;
    if (col && col->type == GRID_LONGTEXT) {
        if (key == VK_RETURN) {
            if (!Held(VK_CONTROL))
                SendMessageA(grid, WM_KEYDOWN, VK_RETURN, 0);
            return ZCS_GOON;
        }
        if (key == VK_UP || key == VK_DOWN)
            return ZCS_GOON;
    }
    bool navigates = key == VK_TAB || key == VK_UP || key == VK_DOWN || key == VK_RETURN ||
                     (key >= VK_F1 && key <= VK_F12);
    if (navigates)
        SendMessageA(grid, WM_KEYDOWN, key, 0);
    return ZCS_GOON;
}

}  // namespace

void GridKeyToParent(HWND grid, WPARAM key)
{
    if (HWND parent = GetParent(grid))
        SendMessageA(parent, ZCS_OFFERKEY, key, 0);
}

LRESULT GridOnKeyDown(HWND grid, GRIDINFO* gi, WPARAM key, LPARAM)
{
    try {
        if (gi)
            KeyDown(grid, gi, key);
    } catch (...) {
    }
    return 0;
}

LRESULT GridOnKeyUp(HWND grid, GRIDINFO* gi, WPARAM key, LPARAM)
{
    if (!gi || gi->notifyAllMoves)
        return 0;
    if (key == VK_LEFT || key == VK_RIGHT)
        GridNotify(grid, GRIDN_COLCHANGED, int(key));
    else if (key == VK_UP || key == VK_DOWN)
        GridNotify(grid, GRIDN_ROWCHANGED, int(key));
    return 0;
}

LRESULT GridOnChar(HWND grid, GRIDINFO* gi, WPARAM ch, LPARAM)
{
    try {
        if (!gi || Held(VK_CONTROL) || ch == '\t' || ch == '\r' || ch == 27)
            return 0;
        if (!gi->editor)
            GridBeginEdit(grid, gi, WM_CHAR, ch);
    } catch (...) {
    }
    return 0;
}

LRESULT GridOnEditorKey(HWND grid, GRIDINFO* gi, WPARAM key)
{
    try {
        return gi ? EditorKey(grid, gi, key) : ZCS_GOON;
    } catch (...) {
        return ZCS_GOON;
    }
}

LRESULT GridOnEditorChar(HWND grid, GRIDINFO* gi, WPARAM ch)
{
    try {
        if (!gi)
            return ZCS_GOON;
        if (gi->editor && (GridNotify(grid, GRIDN_QUERYEDITORCHAR, int(ch)) != 0 || ch == 27))
            return ZCS_SWALLOW;
        SendMessageA(grid, WM_CHAR, ch, 0);
    } catch (...) {
    }
    return ZCS_GOON;
}
