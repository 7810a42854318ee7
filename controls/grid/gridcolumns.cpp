// Columns added by the owner or by browsing, and their look-up combo boxes.

#include "gridcolumns.h"

#include "corvex.h"
#include "gridcursor.h"
#include "gridlayout.h"
#include "gridrows.h"
#include "../odbc/zdb.h"

#include "xalloc.h"

#include <cstring>

const char* GridYesText()
{
    return GetUserDefaultLangID() == 1040 ? "Sì" : "Yes";
}

const char* GridNoText()
{
    return "No";
}

namespace {

GRIDCOL* Column(GRIDINFO* gi, int column)
{
    return column >= 1 && column <= gi->columnCount ? &gi->columns[column - 1] : nullptr;
}

void FixWidths(GRIDCOL& col, int& dataWidth, int& displayWidth)
{
    if (displayWidth < 0 || displayWidth > 255)
        displayWidth = 0;
    if (dataWidth >= 256)
        dataWidth = 255;
    if (dataWidth <= 0)
        dataWidth = 1;
    switch (col.type) {
    case GRID_BOOLEAN:
        dataWidth = 5;
        if (displayWidth < 8)
            displayWidth = 8;
        break;
    case GRID_BITMAP:
        dataWidth = 13;
        if (displayWidth < 3)
            displayWidth = 3;
        break;
    case GRID_LONGTEXT:
        dataWidth = 512;
        break;
    case GRID_TIMESTAMP:
        dataWidth = 23;
        break;
    default:
        break;
    }
}

}  // namespace

void GridColComboAdd(HWND grid, GRIDINFO* gi, int column, const char* text)
{
    GRIDCOL* col = Column(gi, column);
    if (!col)
        return;
    if (!col->lookupCombo) {
        DWORD style = WS_CHILD | WS_VSCROLL | CBS_HASSTRINGS | CBS_AUTOHSCROLL;
        if (col->flags & GRIDCOL_COMBOTYPED)
            style |= CBS_UPPERCASE;
        style |= gi->editableCombos ? CBS_DROPDOWN : CBS_DROPDOWNLIST;
        col->lookupCombo = CreateWindowExA(0, "combobox", "", style, 0, 0, 0, 100, grid, nullptr,
                                           GetModuleHandleA(nullptr), nullptr);
        if (!col->lookupCombo)
            return;
        SendMessageA(col->lookupCombo, CB_SETEXTENDEDUI, 1, 0);
    }
    col->comboSelection = static_cast<int>(
        SendMessageA(col->lookupCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text ? text : "")));
}

void GridColComboSetData(GRIDINFO* gi, int column, LPARAM data)
{
    GRIDCOL* col = Column(gi, column);
    if (col && col->lookupCombo && col->comboSelection != -1)
        SendMessageA(col->lookupCombo, CB_SETITEMDATA, col->comboSelection, data);
}

void GridColComboReset(GRIDINFO* gi, int column)
{
    GRIDCOL* col = Column(gi, column);
    if (col && col->lookupCombo) {
        SendMessageA(col->lookupCombo, CB_RESETCONTENT, 0, 0);
        col->comboSelection = 0;
    }
}

void GridColComboDestroy(HWND grid, GRIDINFO* gi, int column)
{
    GRIDCOL* col = Column(gi, column);
    if (!col)
        return;
    if (col->lookupCombo && IsWindow(col->lookupCombo)) {
        if (gi->editor == col->lookupCombo) {
            // The combo is the open editor: drop it without keeping its value.
            ShowWindow(col->lookupCombo, SW_HIDE);
            gi->editor = nullptr;
            SetFocus(grid);
        }
        DestroyWindow(col->lookupCombo);
    }
    col->lookupCombo = nullptr;
}

void GridFreeColumns(HWND grid, GRIDINFO* gi)
{
    for (int c = 1; c <= gi->columnCount; ++c) {
        GRIDCOL& col = gi->columns[c - 1];
        GridFreeText(col.title);
        GridFreeText(col.sqlName);
        GridFreeText(col.description);
        GridFreeText(col.defaultText);
        GridFreeText(col.extraText);
        GridFreeText(col.literalPrefix);
        GridFreeText(col.literalSuffix);
        GridColComboDestroy(grid, gi, c);
    }
    xfree(gi->columns);
    gi->columns = nullptr;
    for (int k = 0; gi->keys && k < gi->keyCount; ++k)
        xfree(gi->keys[k].value);
    xfree(gi->keys);
    gi->keys = nullptr;
    gi->keyCount = 0;
    gi->columnCount = 0;
    gi->currentColumn = 0;
    gi->totalDataWidth = 0;
    gi->totalPixelWidth = 0;
}

void zGridColAdd(HWND grid, int dataWidth, int decimals, const char* title, const char* sqlName,
                 int displayWidth, long type, long flags, const char* description, bool visible)
{
    try {
        GRIDINFO* gi = GridInfo(grid);
        if (!gi)
            return;
        std::vector<int> oldWidths = GridDataWidths(gi);
        gi->columns = static_cast<GRIDCOL*>(
            xrealloc(gi->columns, (gi->columnCount + 1) * sizeof(GRIDCOL)));
        GRIDCOL& col = gi->columns[gi->columnCount];
        memset(&col, 0, sizeof col);
        col.type = static_cast<WORD>(type);
        FixWidths(col, dataWidth, displayWidth);
        col.flags = static_cast<DWORD>(flags);
        col.dataWidth = dataWidth;
        col.decimals = decimals;
        col.displayWidth = displayWidth ? displayWidth : dataWidth;
        col.visible = visible;
        col.literalPrefix = static_cast<char*>(xalloc(3));
        col.literalSuffix = static_cast<char*>(xalloc(3));
        if (description && *description)
            col.description = GridDupText(description);
        if (title && *title)
            col.title = GridDupText(title);
        if (sqlName && *sqlName)
            col.sqlName = GridDupText(sqlName);
        gi->columnCount++;
        GridRenumberVisible(gi);
        GridRecomputeTotals(gi);
        // Rows stored before the column get its field, empty.
        GridRelayoutRows(gi, oldWidths);
        if (col.type == GRID_BOOLEAN) {
            GridColComboAdd(grid, gi, gi->columnCount, GridYesText());
            GridColComboAdd(grid, gi, gi->columnCount, GridNoText());
        }
        GridRecalcLayout(grid, gi);
    } catch (...) {
    }
}

long zGridColLocate(HWND grid, int start, const char* text)
{
    try {
        GRIDINFO* gi = GridInfo(grid);
        if (!gi)
            return 0;
        lstrcpynA(gi->locateText, text ? text : "", sizeof gi->locateText);
        gi->locateStart = start;
        gi->locateResult = 0;
        GridLocateRow(gi, 0);
        return gi->locateResult;
    } catch (...) {
        return 0;
    }
}

const char* zGridGetPrefix(HWND grid, int column)
{
    GRIDINFO* gi = GridInfo(grid);
    GRIDCOL* col = gi ? Column(gi, column) : nullptr;
    return col && col->literalPrefix ? col->literalPrefix : "";
}

const char* zGridGetSuffix(HWND grid, int column)
{
    GRIDINFO* gi = GridInfo(grid);
    GRIDCOL* col = gi ? Column(gi, column) : nullptr;
    return col && col->literalSuffix ? col->literalSuffix : "";
}
