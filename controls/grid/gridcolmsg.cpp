// The grid's own column messages: setters, getters, style flags and the
// look-up combo boxes (wParam = column from 1; out of range does nothing).

#include "gridcolumns.h"
#include "gridlayout.h"
#include "gridrows.h"
#include "gridwindow.h"
#include "gridwndparts.h"

#include "xalloc.h"

#include <cstring>

namespace {

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

// A data width is the size of a row field: stored rows are laid out again.
// A browse's fetch buffers keep their size (every reader stops at their
// terminator), so on a bound column the width limits what its editor takes.
void SetDataWidth(GRIDINFO* gi, GRIDCOL& col, LPARAM width)
{
    if (width < 1)
        return;
    std::vector<int> oldWidths = GridDataWidths(gi);
    gi->totalDataWidth += static_cast<int>(width) - col.dataWidth;
    col.dataWidth = static_cast<int>(width);
    GridRelayoutRows(gi, oldWidths);
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
    static const Always kSet[] = {
        {GRIDM_SETUPPERCASE, 0x1},    {GRIDM_SETALNUM, 0x20},      {GRIDM_SETPASSWORD, 0x100},
        {GRIDM_SETMULTILINE, 0x200},  {GRIDM_SETHOURMINUTE, 0x400}, {GRIDM_SETMINSECMS, 0x1000},
        {GRIDM_SETDIGITS, 0x2000},
    };
    static const Always kToggle[] = {
        {GRIDM_SETGROUPED, 0x4},  {GRIDM_SETGROUPOPTION, 0x8}, {GRIDM_SETDATEONLY, 0x10},
        {GRIDM_SETCOLORED, 0x40}, {GRIDM_SETDAYMONTH, 0x800},  {GRIDM_SETDATEHOURMIN, 0x4000},
    };
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
    if (msg == GRIDM_SETFREENUMBER) {
        col.flags = (col.flags | 0x80) & ~static_cast<DWORD>(0x20 | 0x2000);
        return true;
    }
    return false;
}

bool TextSetter(HWND grid, GRIDINFO* gi, GRIDCOL& col, UINT msg, LPARAM lParam)
{
    switch (msg) {
    case GRIDM_SETTITLE:
        GridSetText(col.title, Text(lParam));
        GridRecomputeTotals(gi);
        return true;
    case GRIDM_SETDEFAULT:
        SetDefaultText(col, Text(lParam));
        return true;
    case GRIDM_SETSQLNAME:
        if (Text(lParam) && *Text(lParam))
            GridSetText(col.sqlName, Text(lParam));
        return true;
    case GRIDM_SETDESCRIPTION:
        GridSetText(col.description, Text(lParam));
        return true;
    case GRIDM_SETEXTRATEXT:
        GridSetText(col.extraText, Text(lParam));
        return true;
    case GRIDM_SETHEADERPRESSED: {
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
    case GRIDM_SETVALIDATE:
        col.validateCallback = reinterpret_cast<bool (*)(HWND, int, HWND)>(lParam);
        return true;
    case GRIDM_SETEDITCALLBACK:
        col.editCallback = reinterpret_cast<bool (*)(int, HWND)>(lParam);
        return true;
    case GRIDM_SETCOLREADONLY: col.columnReadOnly = Truth(lParam); return true;
    case GRIDM_SETVISIBLE:
        col.visible = Truth(lParam);
        GridRecomputeTotals(gi);
        GridRenumberVisible(gi);
        return true;
    case GRIDM_SETREQUIRED: col.required = Truth(lParam); return true;
    case GRIDM_SETINSERTMODE: col.insertMode = static_cast<char>(lParam & 0xFF); return true;
    case GRIDM_SETDISPLAYWIDTH:
        if (lParam > 0)
            GridSetDisplayWidth(grid, gi, column, static_cast<int>(lParam));
        return true;
    case GRIDM_SETLOOKUPONLY: col.lookupOnly = Truth(lParam); return true;
    case GRIDM_SETDATAWIDTH: SetDataWidth(gi, col, lParam); return true;
    case GRIDM_SETICON: col.icon = reinterpret_cast<HICON>(lParam); return true;
    case GRIDM_SETSHAREDCOMBO: col.sharedCombo = reinterpret_cast<HWND>(lParam); return true;
    case GRIDM_SETTYPE: col.type = static_cast<WORD>(lParam & 0xFFFF); return true;
    case GRIDM_SETBACKCOLOR: col.backColor = static_cast<COLORREF>(lParam); return true;
    case GRIDM_SETOWNERFLAG: col.ownerFlag = Truth(lParam); return true;
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
    case GRIDM_COMBORESET: GridColComboReset(gi, column); return true;
    case GRIDM_COMBODESTROY:
        if (col.lookupCombo && IsWindow(col.lookupCombo) && gi->editor == col.lookupCombo)
            GridEndEditNoSave(grid, gi);
        GridColComboDestroy(grid, gi, column);
        col.lookupCombo = nullptr;
        return true;
    case GRIDM_COMBOADD: GridColComboAdd(grid, gi, column, Text(lParam)); return true;
    case GRIDM_COMBOSETDATA:
        if (col.lookupCombo && col.comboSelection != -1)
            GridColComboSetData(gi, column, lParam);
        return true;
    case GRIDM_COMBOGETDATA: *result = SelectedComboData(col); return true;
    }
    return false;
}

bool Getter(GRIDINFO* gi, const GRIDCOL* col, UINT msg, LRESULT* result)
{
    auto text = [&](char* GRIDCOL::*field) {
        *result = reinterpret_cast<LRESULT>(GridTextOrEmpty(col ? col->*field : nullptr));
    };
    switch (msg) {
    case GRIDM_GETTITLE: text(&GRIDCOL::title); return true;
    case GRIDM_GETSQLNAME: text(&GRIDCOL::sqlName); return true;
    case GRIDM_GETEXTRATEXT: text(&GRIDCOL::extraText); return true;
    case GRIDM_GETTYPE: *result = col ? col->type : 0; return true;
    case GRIDM_GETVISIBLE: *result = col ? col->visible : 0; return true;
    case GRIDM_GETDISPLAYWIDTH: *result = col ? col->displayWidth : 0; return true;
    case GRIDM_GETVISIBLEORDINAL: *result = col ? col->visibleOrdinal : 0; return true;
    case GRIDM_GETCURRENTORDINAL:
        *result = GridCurrentColumn(gi) ? GridCurrentColumn(gi)->visibleOrdinal : 0;
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
    if (msg == GRIDM_FINDCOLUMN) {
        *result = FindByName(gi, Text(lParam));
        return true;
    }
    int column = static_cast<int>(wParam);
    bool inRange = column >= 1 && column <= gi->columnCount && gi->columns;
    GRIDCOL* col = inRange ? &gi->columns[column - 1] : nullptr;
    if (Getter(gi, col, msg, result))
        return true;
    static const UINT kColumnMessages[] = {
        GRIDM_SETTITLE, GRIDM_SETDEFAULT, GRIDM_SETSQLNAME, GRIDM_SETDESCRIPTION, GRIDM_SETEXTRATEXT,
        GRIDM_SETHEADERPRESSED, GRIDM_SETVALIDATE, GRIDM_SETEDITCALLBACK, GRIDM_SETCOLREADONLY,
        GRIDM_SETVISIBLE, GRIDM_SETREQUIRED, GRIDM_SETINSERTMODE, GRIDM_SETDISPLAYWIDTH, GRIDM_SETLOOKUPONLY,
        GRIDM_SETDATAWIDTH, GRIDM_SETICON, GRIDM_SETSHAREDCOMBO, GRIDM_SETTYPE, GRIDM_SETBACKCOLOR,
        GRIDM_SETOWNERFLAG, GRIDM_COMBORESET, GRIDM_COMBODESTROY, GRIDM_COMBOADD, GRIDM_COMBOSETDATA,
        GRIDM_COMBOGETDATA, GRIDM_SETUPPERCASE, GRIDM_SETALNUM, GRIDM_SETPASSWORD, GRIDM_SETMULTILINE,
        GRIDM_SETHOURMINUTE, GRIDM_SETMINSECMS, GRIDM_SETDIGITS, GRIDM_SETGROUPED, GRIDM_SETGROUPOPTION,
        GRIDM_SETDATEONLY, GRIDM_SETCOLORED, GRIDM_SETDAYMONTH, GRIDM_SETDATEHOURMIN, GRIDM_SETFREENUMBER,
    };
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
