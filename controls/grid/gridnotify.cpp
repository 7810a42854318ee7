// Messages that come back to the grid window from its children: the
// in-place editor's WM_COMMAND notifications, the picker's WM_NOTIFY
// (with the milliseconds field the picker cannot show by itself) and the
// status bar's tool-button clicks.

#include "gridbrowse.h"
#include "gridcursor.h"
#include "gridtrans.h"
#include "grideditor.h"
#include "gridwindow.h"
#include "gridwndparts.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char kMillisField[] = "XXX";

void ReadEditorText(GRIDINFO* gi)
{
    GridSetText(gi->editText, GridEditorValue(gi, gi->editor).c_str());
}

// Only the column's own look-up combo is an editor whose choice is taken at
// once; a combo the owner shares leaves the column's edit box typing on.
bool EditorIsLookupCombo(GRIDINFO* gi)
{
    const GRIDCOL* col = GridCurrentColumn(gi);
    return col && col->lookupCombo && col->lookupCombo == gi->editor;
}

void OnMillisKey(GRIDINFO* gi, NMDATETIMEWMKEYDOWNA* key)
{
    int step = 0;
    if (key->nVirtKey == VK_UP || key->nVirtKey == VK_ADD)
        step = 1;
    else if (key->nVirtKey == VK_DOWN || key->nVirtKey == VK_SUBTRACT)
        step = -1;
    int value = gi->pickerMilliseconds + step;
    if (value < 0)
        value = 999;
    else if (value > 999)
        value = 0;
    gi->pickerMilliseconds = value;
    InvalidateRect(key->nmhdr.hwndFrom, nullptr, TRUE);
}

void OnMillisQuery(NMDATETIMEFORMATQUERYA* query)
{
    HDC dc = GetDC(query->nmhdr.hwndFrom);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(query->nmhdr.hwndFrom, WM_GETFONT, 0, 0));
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    GetTextExtentPoint32A(dc, "HHH", 3, &query->szMax);
    if (old)
        SelectObject(dc, old);
    ReleaseDC(query->nmhdr.hwndFrom, dc);
}

bool IsMillisField(const char* format)
{
    return format && strcmp(format, kMillisField) == 0;
}

LRESULT OnPickerNotify(GRIDINFO* gi, NMHDR* header)
{
    switch (header->code) {
    case DTN_DATETIMECHANGE:
        gi->cellModified = true;
        break;
    case DTN_WMKEYDOWNA: {
        auto* key = reinterpret_cast<NMDATETIMEWMKEYDOWNA*>(header);
        if (IsMillisField(key->pszFormat))
            OnMillisKey(gi, key);
        break;
    }
    case DTN_FORMATA: {
        auto* format = reinterpret_cast<NMDATETIMEFORMATA*>(header);
        if (IsMillisField(format->pszFormat))
            snprintf(format->szDisplay, sizeof format->szDisplay, "%03d", gi->pickerMilliseconds);
        break;
    }
    case DTN_FORMATQUERYA: {
        auto* query = reinterpret_cast<NMDATETIMEFORMATQUERYA*>(header);
        if (IsMillisField(query->pszFormat))
            OnMillisQuery(query);
        break;
    }
    }
    return 0;
}

void OnToolButton(HWND grid, GRIDINFO* gi, DWORD_PTR part)
{
    switch (part) {
    case GRID_PART_ADD:
        GridAddRowCommand(grid, gi);
        break;
    case GRID_PART_DELETE:
        GridDeleteRowCommand(grid, gi, true);
        break;
    case GRID_PART_COMMIT:
        if (gi->autoCommit)
            return;
        GridCommit(grid, gi, false);
        break;
    case GRID_PART_ROLLBACK:
        if (gi->autoCommit)
            return;
        GridRollback(grid, gi);
        break;
    case GRID_PART_REFRESH:
        SendMessageA(grid, GRIDM_REFRESH, 0, 0);
        break;
    case GRID_PART_ROWNUMBERS:
        GridSetHideRowNumbers(grid, gi, !gi->hideRowNumbers);
        break;
    default:
        return;
    }
    SetFocus(grid);
}

}  // namespace

LRESULT GridOnEditorCommand(HWND grid, GRIDINFO* gi, WPARAM wParam, LPARAM)
{
    if (!gi->editor)
        return 0;
    switch (HIWORD(wParam)) {
    case CBN_SELCHANGE:
    case CBN_EDITUPDATE:
    case EN_UPDATE:
        ReadEditorText(gi);
        GridNotify(grid, GRIDN_EDITUPDATED, 0);
        gi->cellModified = true;
        if (EditorIsLookupCombo(gi) && !SendMessageA(gi->editor, CB_GETDROPPEDSTATE, 0, 0))
            SendMessageA(grid, WM_KEYDOWN, VK_RETURN, 0);
        break;
    case CBN_EDITCHANGE:
    case EN_CHANGE:
        ReadEditorText(gi);
        GridNotify(grid, GRIDN_EDITCHANGE, 0);
        break;
    case CBN_SETFOCUS:
    case EN_SETFOCUS:
        GridNotify(grid, GRIDN_EDITFOCUS, 0);
        break;
    case CBN_KILLFOCUS:
    case CBN_SELENDCANCEL:
    case EN_KILLFOCUS:
        if (GridNotify(grid, GRIDN_QUERYEDITORBLUR, 0) == 0)
            GridEndEditNoSave(grid, gi);
        break;
    }
    return 0;
}

LRESULT GridOnNotify(HWND grid, GRIDINFO* gi, NMHDR* header)
{
    if (!header)
        return 0;
    if (header->hwndFrom && header->hwndFrom == gi->statusBar) {
        if (header->code == static_cast<UINT>(NM_CLICK))
            OnToolButton(grid, gi, reinterpret_cast<NMMOUSE*>(header)->dwItemSpec);
        return 0;
    }
    if (header->hwndFrom && header->hwndFrom == gi->editor)
        return OnPickerNotify(gi, header);
    return 0;
}
