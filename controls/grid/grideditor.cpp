// In-place editors: an edit control, a date-time picker or the column's
// look-up combo box laid over the current cell. Opening asks the parent and
// the column first; accepting validates the value and writes it through the
// data side; every edit ends in GridCloseEditor.

#include "grideditor.h"

#include "corvex.h"
#include "gridcells.h"
#include "gridcursor.h"
#include "griddates.h"
#include "gridlayout.h"
#include "gridlock.h"
#include "gridrows.h"
#include "gridwindow.h"
#include "subclass/zsubclass.h"
#include "datetext.h"
#include "xalloc.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

namespace {

// The record sent with WM_NOTIFY before an editor opens.
struct EditBeginRecord {
    NMHDR header;
    DWORD column;
    DWORD flags;     // bit 0x2: the receiver supplies the text to edit
    const char* text;
    DWORD reserved;
};
static_assert(sizeof(EditBeginRecord) == 7 * 4, "seven 32-bit words");

constexpr DWORD kSuppliesText = 0x2;

std::string WindowText(HWND window)
{
    int length = GetWindowTextLengthA(window);
    std::string text(length > 0 ? size_t(length) + 1 : 1, '\0');
    int got = GetWindowTextA(window, &text[0], int(text.size()));
    text.resize(got > 0 ? size_t(got) : 0);
    return text;
}

std::string ClassOf(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

// Asks the parent and the column whether the current cell may be edited.
// Every one is asked even after a refusal, as each may keep its own count.
bool MayEdit(HWND grid, GRIDINFO* gi)
{
    bool refused = GridNotify(grid, GRIDN_QUERYCHANGE, GRID_CHANGE_EDIT) != 0;
    refused = GridNotify(grid, GRIDN_QUERYEDIT, 0) != 0 || refused;
    GRIDCOL* col = GridCurrentColumn(gi);
    if (col && col->editCallback && !col->editCallback(gi->currentColumn, grid))
        refused = true;
    return !refused && !gi->readOnly && col && !col->columnReadOnly;
}

// The edit-begin record; true when the receiver supplied the text.
bool AskForText(HWND grid, GRIDINFO* gi)
{
    EditBeginRecord rec = {};
    rec.header.hwndFrom = grid;
    rec.header.idFrom = GRID_NOTIFY_ID;
    rec.header.code = GRIDN_EDITBEGIN;
    rec.column = DWORD(gi->currentColumn);
    if (HWND receiver = GridReceiver(grid))
        SendMessageA(receiver, WM_NOTIFY, GRID_NOTIFY_ID, reinterpret_cast<LPARAM>(&rec));
    if (!(rec.flags & kSuppliesText))
        return false;
    GridSetText(gi->startText, rec.text ? rec.text : "");
    return true;
}

// The cell's text as editing starts; false when the edit must not begin.
// *supplied tells whether the receiver gave the text.
bool LoadStartText(HWND grid, GRIDINFO* gi, bool* result, bool* supplied)
{
    *supplied = AskForText(grid, gi);
    if (*supplied) {
        *result = true;
        return true;
    }
    if (gi->hstmt) {
        // A bound row is locked for the edit and read again under the lock,
        // so the editor starts from the row as it is now.
        if (!GridLock(grid, gi, gi->currentRow, gi->currentColumn, GRID_LOCK_EDIT))
            return false;
        bool ok = true;
        char* text = GridReadCell(gi, gi->currentRow, gi->currentColumn, GridCurrentLock(gi, GRID_LOCK_EDIT),
                                  1, false, true, true, false, &ok);
        GridSetText(gi->startText, text ? text : "");
        xfree(text);
        *result = true;
        return true;
    }
    const char* text = zGridGetText(grid, gi->currentRow, gi->currentColumn, true);
    GridSetText(gi->startText, text ? text : "");
    *result = true;
    return true;
}

// The value as the table or the row store holds it (a bound row was just
// fetched by its lock): the whole date and time, whatever the column shows.
std::string StoredValue(GRIDINFO* gi, const GRIDCOL& col)
{
    if (gi->hstmt)
        return col.buffer ? std::string(col.buffer, strnlen(col.buffer, col.dataWidth)) : std::string();
    char* field = GridReadCellField(gi, gi->currentRow, gi->currentColumn);
    std::string text = field;
    xfree(field);
    return text;
}

// The picker starts on the whole stored value of a date or timestamp
// column, so that a form showing only the time keeps the date; a text the
// receiver supplied, or another column's text, is read as it is shown.
void SetPickerValue(GRIDINFO* gi, HWND picker, const GRIDCOL& col, bool supplied)
{
    SYSTEMTIME st = {};
    const char* start = gi->startText ? gi->startText : "";
    int kind = GridTimestampKind(col);
    bool valid = (!supplied && GridIsDateColumn(col) && GridReadDate(StoredValue(gi, col).c_str(), true, &st)) ||
                 GridReadDate(start, false, &st) ||
                 (start[0] && ParseDateTime(start, nullptr, 0, nullptr, kOrderDMY, "/", &st, kind));
    // A text that is no date shows as no date rather than a made-up one.
    // Some pickers want the time record even for "no date".
    SendMessageA(picker, DTM_SETSYSTEMTIME, valid ? GDT_VALID : GDT_NONE, reinterpret_cast<LPARAM>(&st));
    if (kind == kTextMinuteSecondMs)
        gi->pickerMilliseconds = valid ? st.wMilliseconds : 0;
    // The value to compare with at the end is the picker's own reading of
    // it: accepting an untouched picker then writes nothing.
    GridSetText(gi->editText, GridEditorValue(gi, picker).c_str());
}

HWND CreatePicker(HWND grid, const GRIDCOL& col, const RECT& rc)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_DATE_CLASSES};
    InitCommonControlsEx(&icc);
    HINSTANCE inst = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(grid, GWLP_HINSTANCE));
    HWND picker = CreateWindowExA(0, DATETIMEPICK_CLASSA, "", GridPickerStyleOf(col), rc.left, rc.top,
                                  rc.right - rc.left, rc.bottom - rc.top, grid, nullptr, inst, nullptr);
    if (!picker)
        return nullptr;
    SendMessageA(picker, DTM_SETFORMATA, 0, reinterpret_cast<LPARAM>(GridPickerFormatOf(col)));
    return picker;
}

HWND CreateEdit(HWND grid, GRIDINFO* gi, const GRIDCOL& col, const RECT& rc)
{
    DWORD style = 0;
    LONG keys = 0;
    GridEditStyleOf(col, &style, &keys);
    HINSTANCE inst = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(grid, GWLP_HINSTANCE));
    HWND edit = CreateWindowExA(0, "edit", gi->startText ? gi->startText : "", style, rc.left, rc.top,
                                rc.right - rc.left, rc.bottom - rc.top, grid, nullptr, inst, nullptr);
    if (edit)
        GridSetText(gi->editText, gi->startText ? gi->startText : "");
    return edit;
}

LONG KeyFlagsOf(GridEditorKind kind, const GRIDCOL& col)
{
    if (kind != GRIDED_EDIT)
        return ZCS_OFFERKEYS;
    DWORD style = 0;
    LONG keys = 0;
    GridEditStyleOf(col, &style, &keys);
    return keys;
}

void SetEditorValue(GRIDINFO* gi, GridEditorKind kind, const GRIDCOL& col, bool supplied)
{
    HWND editor = gi->editor;
    const char* start = gi->startText ? gi->startText : "";
    if (kind == GRIDED_PICKER) {
        SetPickerValue(gi, editor, col, supplied);
    } else if (kind == GRIDED_COMBO) {
        LRESULT index = SendMessageA(editor, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(start));
        SendMessageA(editor, CB_SETCURSEL, index == CB_ERR ? WPARAM(-1) : WPARAM(index), 0);
    } else {
        SendMessageA(editor, EM_SETMODIFY, 0, 0);
        if (!(GetWindowLongA(editor, GWL_STYLE) & ES_MULTILINE)) {
            SendMessageA(editor, EM_LIMITTEXT, col.dataWidth > 0 ? col.dataWidth : 0, 0);
            SendMessageA(editor, EM_SETSEL, 0, -1);
            SendMessageA(editor, EM_SCROLLCARET, 0, 0);
        }
    }
}

// Creates (or takes) the editor of the current column; null for none.
HWND OpenEditor(HWND grid, GRIDINFO* gi, GRIDCOL& col, GridEditorKind kind)
{
    RECT rc = {};
    rc.left = GridColumnLeft(gi, gi->currentColumn);
    rc.top = GridRowTop(gi, gi->currentRow - 1);
    rc.right = rc.left + col.displayWidth * gi->charWidth;
    rc.bottom = rc.top + gi->charHeight + 3;
    if (kind == GRIDED_COMBO)
        return col.lookupCombo;
    if (kind == GRIDED_PICKER)
        return CreatePicker(grid, col, rc);
    if (kind == GRIDED_EDIT)
        return CreateEdit(grid, gi, col, rc);
    return nullptr;
}

bool Begin(HWND grid, GRIDINFO* gi, UINT msg, WPARAM key)
{
    if (gi->rowCount == 0 || !MayEdit(grid, gi))
        return false;
    GRIDCOL& col = *GridCurrentColumn(gi);
    // An editor still open (a double click while editing) is closed first,
    // with its lock, so no window is left behind.
    if (gi->editor && IsWindow(gi->editor))
        GridCloseEditor(grid, gi);
    DestroyCaret();
    bool result = false, supplied = false;
    if (!LoadStartText(grid, gi, &result, &supplied))
        return false;
    gi->editor = nullptr;
    GridEditorKind kind = GridEditorKindOf(gi, col);
    HWND editor = OpenEditor(grid, gi, col, kind);
    if (!editor) {
        // No editor will write under the row's lock: it goes with the attempt.
        if (gi->hstmt && !supplied)
            GridDropCurrentLock(gi, GRID_LOCK_EDIT);
        return result;
    }
    gi->editor = editor;
    if (gi->font)
        SendMessageA(editor, WM_SETFONT, reinterpret_cast<WPARAM>(gi->font), FALSE);
    zCtlSubclass(editor, KeyFlagsOf(kind, col), 2);
    GridPlaceEditor(grid, gi);
    SetEditorValue(gi, kind, col, supplied);
    SetFocus(editor);
    gi->cellModified = false;
    if (msg && key && gi->editor && IsWindow(gi->editor))
        SendMessageA(gi->editor, msg, key, 0);
    return true;
}

bool Accept(HWND grid, GRIDINFO* gi)
{
    GRIDCOL* col = GridCurrentColumn(gi);
    if (!col || !gi->editor)
        return true;
    HWND editor = gi->editor;
    if (col->validateCallback && !col->validateCallback(editor, gi->currentColumn, grid)) {
        SetFocus(editor);
        return false;
    }
    std::string text = GridEditorValue(gi, editor);
    gi->pickerMilliseconds = -1;
    if (col->type == GRID_TIMESTAMP && !col->lookupCombo)
        gi->cellModified = text != (gi->editText ? gi->editText : "");
    GridSetText(gi->editText, text.c_str());
    if (text.empty() && col->required) {
        SetFocus(editor);
        return false;
    }
    if (gi->cellModified) {
        if (!GridWriteCell(grid, gi, gi->currentRow, gi->currentColumn, text.c_str(), 1)) {
            SetFocus(editor);
            return false;
        }
        gi->transactionPending = true;
    }
    GridCloseEditor(grid, gi);
    return true;
}

}  // namespace

GridEditorKind GridEditorKindOf(const GRIDINFO* gi, const GRIDCOL& col)
{
    switch (col.type) {
    case GRID_TEXT: case GRID_INTEGER: case GRID_BOOLEAN: case GRID_DATE:
    case GRID_FLOAT: case GRID_LONGTEXT: case GRID_TIMESTAMP:
        break;
    default:
        return GRIDED_NONE;
    }
    if (col.lookupCombo)
        return GRIDED_COMBO;
    if (col.type == GRID_TIMESTAMP || col.type == GRID_DATE || gi->pickerForAllTypes)
        return GRIDED_PICKER;
    return GRIDED_EDIT;
}

void GridEditStyleOf(const GRIDCOL& col, DWORD* style, LONG* keyFlags)
{
    const DWORD multiLine = WS_CHILD | WS_TABSTOP | WS_HSCROLL | WS_VSCROLL | ES_WANTRETURN |
                            ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_MULTILINE;
    *style = WS_CHILD | WS_TABSTOP | ES_AUTOHSCROLL | ES_AUTOVSCROLL;
    *keyFlags = ZCS_OFFERKEYS;
    bool number = col.type == GRID_INTEGER || col.type == GRID_FLOAT;
    bool freeNumber = (col.flags & GRIDCOL_FREENUMBER) != 0;
    if (col.type == GRID_LONGTEXT || ((col.flags & GRIDCOL_MULTILINE) && (!number || freeNumber))) {
        *style = multiLine;
        *keyFlags = ZCS_OFFERKEYS | ZCS_KEEPENTERDOWN;
    } else if (number && !freeNumber) {
        *keyFlags = ZCS_OFFERKEYS | ZCS_NUMERIC;
    }
    if (col.flags & GRIDCOL_UPPERCASE)
        *style |= ES_UPPERCASE;
    if (col.flags & GRIDCOL_PASSWORD)
        *style |= ES_PASSWORD;
    if (col.flags & GRIDCOL_ALNUM)
        *keyFlags |= ZCS_ALNUM;
    if (col.flags & GRIDCOL_DIGITS)
        *keyFlags |= ZCS_NUMERIC;
}

const char* GridPickerFormatOf(const GRIDCOL& col)
{
    if (col.type == GRID_DATE || (col.flags & GRIDCOL_DATEONLY))
        return "dd'/'MM'/'yyyy";
    if (col.flags & GRIDCOL_DATEHOURMIN)
        return "dd'/'MM'/'yyyy HH:mm";
    if (col.flags & GRIDCOL_HOURMINUTE)
        return "HH':'mm";
    if (col.flags & GRIDCOL_MINSECMS)
        return "mm':'ss'.'XXX";
    if (col.flags & GRIDCOL_DAYMONTH)
        return "dd'/'MM";
    return "dd'/'MM'/'yyyy HH':'mm':'ss";
}

DWORD GridPickerStyleOf(const GRIDCOL& col)
{
    DWORD style = WS_CHILD | WS_TABSTOP;
    style |= (col.flags & (GRIDCOL_HOURMINUTE | GRIDCOL_DAYMONTH)) ? DTS_UPDOWN : DTS_RIGHTALIGN;
    if (!col.required)
        style |= DTS_SHOWNONE;
    return style;
}

std::string GridEditorValue(const GRIDINFO* gi, HWND editor)
{
    std::string cls = ClassOf(editor);
    if (lstrcmpiA(cls.c_str(), "combobox") == 0) {
        LRESULT index = SendMessageA(editor, CB_GETCURSEL, 0, 0);
        if (index == CB_ERR)
            return WindowText(editor);
        LRESULT length = SendMessageA(editor, CB_GETLBTEXTLEN, WPARAM(index), 0);
        if (length == CB_ERR)
            return WindowText(editor);
        std::string text(size_t(length) + 1, '\0');
        SendMessageA(editor, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(&text[0]));
        text.resize(std::strlen(text.c_str()));
        return text;
    }
    if (lstrcmpiA(cls.c_str(), DATETIMEPICK_CLASSA) == 0) {
        SYSTEMTIME st = {};
        if (SendMessageA(editor, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st)) != GDT_VALID)
            return std::string();
        int ms = gi->pickerMilliseconds >= 0 ? gi->pickerMilliseconds : st.wMilliseconds;
        char text[64];
        snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d.%03d", st.wDay, st.wMonth, st.wYear,
                 st.wHour, st.wMinute, st.wSecond, ms);
        return text;
    }
    return WindowText(editor);
}

bool GridBeginEdit(HWND grid, GRIDINFO* gi, UINT msg, WPARAM key)
{
    try {
        return gi && Begin(grid, gi, msg, key);
    } catch (...) {
        return false;
    }
}

bool GridAcceptEdit(HWND grid, GRIDINFO* gi)
{
    try {
        return !gi || Accept(grid, gi);
    } catch (...) {
        return false;
    }
}

bool GridAcceptAndAsk(HWND grid, GRIDINFO* gi)
{
    return GridAcceptEdit(grid, gi) && GridNotify(grid, GRIDN_QUERYJUMP, 0) == 0;
}

void GridEndEditNoSave(HWND grid, GRIDINFO* gi)
{
    if (gi)
        GridCloseEditor(grid, gi);
}
