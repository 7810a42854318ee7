// The grid's own column messages: setters, getters, style flags and the
// look-up combo boxes (wParam = column from 1; out of range does nothing).

#include "gridcolumns.h"
#include "gridlayout.h"
#include "gridwindow.h"
#include "gridwndparts.h"

#include "xalloc.h"

#include <cstring>

namespace {

char g_empty[1] = "";

bool Truth(LPARAM value)
{
    return value != 0;
}

const char* Text(LPARAM lParam)
{
    return reinterpret_cast<const char*>(lParam);
}

// The default text is kept at least as long as the value it stands for.
void SetDefaultText(GRIDCOL& col, const char* text)
{
    GridFreeText(col.defaultText);
    if (!text || !*text)
        return;
    size_t length = strlen(text);
    size_t width = col.dataWidth > 0 ? static_cast<size_t>(col.dataWidth) : 0;
    col.defaultText = static_cast<char*>(xalloc((length > width ? length : width) + 1));
    if (col.defaultText)
        memcpy(col.defaultText, text, length);
}

// A data width is the size of every row field and value buffer: it may
// change only while no row or browse holds the old layout.
void SetDataWidth(GRIDINFO* gi, GRIDCOL& col, LPARAM width)
{
    if (width < 1 || gi->hstmt || (gi->rows && gi->rowCount > 0))
        return;
    gi->totalDataWidth += static_cast<int>(width) - col.dataWidth;
    col.dataWidth = static_cast<int>(width);
}

void SetFlag(GRIDCOL& col, DWORD bit, bool on)
{
    if (on)
        col.flags |= bit;
    else
        col.flags &= ~bit;
}

bool FlagMessage(GRIDCOL& col, UINT msg, LPARAM lParam)
{
    struct Always {
        UINT msg;
        DWORD bit;
    };
    static const Always kSet[] = {{0x0B31, 0x1},   {0x0B4E, 0x20},   {0x0B5F, 0x100}, {0x0B6B, 0x200},
                                  {0x0B6C, 0x400}, {0x0B71, 0x1000}, {0x0B72, 0x2000}};
    static const Always kToggle[] = {{0x0B43, 0x4},  {0x0B46, 0x8},   {0x0B47, 0x10},
                                     {0x0B50, 0x40}, {0x0B6F, 0x800}, {0x0B79, 0x4000}};
    for (const Always& row : kSet)
        if (row.msg == msg) {
            col.flags |= row.bit;
            return true;
        }
    for (const Always& row : kToggle)
        if (row.msg == msg) {
            SetFlag(col, row.bit, Truth(lParam));
            return true;
        }
    if (msg == 0x0B58) {
        col.flags = (col.flags | 0x80) & ~static_cast<DWORD>(0x20 | 0x2000);
        return true;
    }
    return false;
}

bool TextSetter(HWND grid, GRIDINFO* gi, GRIDCOL& col, UINT msg, LPARAM lParam)
{
    switch (msg) {
    case 0x0B1A:
        GridSetText(col.title, Text(lParam));
        GridRecomputeTotals(gi);
        return true;
    case 0x0B20:
        SetDefaultText(col, Text(lParam));
        return true;
    case 0x0B29:
        if (Text(lParam) && *Text(lParam))
            GridSetText(col.sqlName, Text(lParam));
        return true;
    case 0x0B2F:
        GridSetText(col.description, Text(lParam));
        return true;
    case 0x0B62:
        GridSetText(col.extraText, Text(lParam));
        return true;
    case 0x0B56: {
        col.headerPressed = Truth(lParam);
        RECT rc;
        GetClientRect(grid, &rc);
        rc.bottom = GridHeaderHeight(gi);
        InvalidateRect(grid, &rc, TRUE);
        return true;
    }
    }
    return false;
}

bool ValueSetter(HWND grid, GRIDINFO* gi, GRIDCOL& col, int column, UINT msg, LPARAM lParam)
{
    switch (msg) {
    case 0x0B24:
        col.validateCallback = reinterpret_cast<bool (*)(HWND, int, HWND)>(lParam);
        return true;
    case 0x0B25:
        col.editCallback = reinterpret_cast<bool (*)(int, HWND)>(lParam);
        return true;
    case 0x0B27: col.columnReadOnly = Truth(lParam); return true;
    case 0x0B2B:
        col.visible = Truth(lParam);
        GridRecomputeTotals(gi);
        GridRenumberVisible(gi);
        return true;
    case 0x0B2C: col.required = Truth(lParam); return true;
    case 0x0B2D: col.insertMode = static_cast<char>(lParam & 0xFF); return true;
    case 0x0B2E:
        if (lParam > 0)
            GridSetDisplayWidth(grid, gi, column, static_cast<int>(lParam));
        return true;
    case 0x0B3D: col.lookupOnly = Truth(lParam); return true;
    case 0x0B40: SetDataWidth(gi, col, lParam); return true;
    case 0x0B41: col.icon = reinterpret_cast<HICON>(lParam); return true;
    case 0x0B42: col.sharedCombo = reinterpret_cast<HWND>(lParam); return true;
    case 0x0B4D: col.type = static_cast<WORD>(lParam & 0xFFFF); return true;
    case 0x0B51: col.backColor = static_cast<COLORREF>(lParam); return true;
    case 0x0B7B: col.ownerFlag = Truth(lParam); return true;
    }
    return false;
}

LRESULT SelectedComboData(const GRIDCOL& col)
{
    HWND combo = col.sharedCombo ? col.sharedCombo : col.lookupCombo;
    if (!combo)
        return -1;
    LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return -1;
    LRESULT data = SendMessageA(combo, CB_GETITEMDATA, index, 0);
    if (!col.sharedCombo)
        return data;
    const LONG* record = reinterpret_cast<const LONG*>(data);
    return record && data != CB_ERR ? record[1] : -1;
}

bool ComboMessage(HWND grid, GRIDINFO* gi, GRIDCOL& col, int column, UINT msg, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case 0x0B21: GridColComboReset(gi, column); return true;
    case 0x0B22:
        if (col.lookupCombo && IsWindow(col.lookupCombo) && gi->editor == col.lookupCombo)
            GridEndEditNoSave(grid, gi);
        GridColComboDestroy(grid, gi, column);
        col.lookupCombo = nullptr;
        return true;
    case 0x0B23: GridColComboAdd(grid, gi, column, Text(lParam)); return true;
    case 0x0B3F:
        if (col.lookupCombo && col.comboSelection != -1)
            GridColComboSetData(gi, column, lParam);
        return true;
    case 0x0B61: *result = SelectedComboData(col); return true;
    }
    return false;
}

bool Getter(const GRIDINFO* gi, const GRIDCOL* col, UINT msg, LRESULT* result)
{
    auto text = [&](char* GRIDCOL::*field) {
        *result = reinterpret_cast<LRESULT>(col && col->*field ? col->*field : g_empty);
    };
    switch (msg) {
    case 0x0B19: text(&GRIDCOL::title); return true;
    case 0x0B28: text(&GRIDCOL::sqlName); return true;
    case 0x0B63: text(&GRIDCOL::extraText); return true;
    case 0x0B30: *result = col ? col->type : 0; return true;
    case 0x0B4F: *result = col ? col->visible : 0; return true;
    case 0x0B5A: *result = col ? col->displayWidth : 0; return true;
    case 0x0B75: *result = col ? col->visibleOrdinal : 0; return true;
    case 0x0B76:
        *result = gi->currentColumn >= 1 && gi->currentColumn <= gi->columnCount
                      ? gi->columns[gi->currentColumn - 1].visibleOrdinal
                      : 0;
        return true;
    }
    return false;
}

LRESULT FindByName(const GRIDINFO* gi, const char* name)
{
    for (int c = 1; name && c <= gi->columnCount; ++c)
        if (gi->columns[c - 1].sqlName && lstrcmpiA(gi->columns[c - 1].sqlName, name) == 0)
            return c;
    return 0;
}

}  // namespace

bool GridColumnMessage(HWND grid, GRIDINFO* gi, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    *result = 0;
    if (msg == 0x0B2A) {
        *result = FindByName(gi, Text(lParam));
        return true;
    }
    int column = static_cast<int>(wParam);
    bool inRange = column >= 1 && column <= gi->columnCount && gi->columns;
    GRIDCOL* col = inRange ? &gi->columns[column - 1] : nullptr;
    if (Getter(gi, col, msg, result))
        return true;
    static const UINT kColumnMessages[] = {0x0B1A, 0x0B20, 0x0B29, 0x0B2F, 0x0B62, 0x0B56, 0x0B24, 0x0B25,
                                           0x0B27, 0x0B2B, 0x0B2C, 0x0B2D, 0x0B2E, 0x0B3D, 0x0B40, 0x0B41,
                                           0x0B42, 0x0B4D, 0x0B51, 0x0B7B, 0x0B21, 0x0B22, 0x0B23, 0x0B3F,
                                           0x0B61, 0x0B31, 0x0B4E, 0x0B5F, 0x0B6B, 0x0B6C, 0x0B71, 0x0B72,
                                           0x0B43, 0x0B46, 0x0B47, 0x0B50, 0x0B6F, 0x0B79, 0x0B58};
    bool known = false;
    for (UINT m : kColumnMessages)
        known = known || m == msg;
    if (!known)
        return false;
    if (!col)
        return true;
    if (!TextSetter(grid, gi, *col, msg, lParam) && !ValueSetter(grid, gi, *col, column, msg, lParam) &&
        !ComboMessage(grid, gi, *col, column, msg, lParam, result))
        FlagMessage(*col, msg, lParam);
    return true;
}
