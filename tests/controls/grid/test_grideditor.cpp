// In-place editors over grid cells: which editor each column gets, its
// place and starting value, the refusals before it opens, and how its value
// goes back into the cell (or is refused and kept).

#include "edithost.h"

#include "corvex.h"
#include "grideditor.h"
#include "gridcolumns.h"
#include "gridcursor.h"
#include "gridwindow.h"
#include "subclass/zsubclass.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

namespace {

std::string ClassOf(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

LONG KeyFlags(HWND window)
{
    return LONG(reinterpret_cast<LONG_PTR>(GetPropA(window, ZCS_STYLEPROP)));
}

GRIDCOL Column(WORD type, DWORD flags)
{
    GRIDCOL col = {};
    col.type = type;
    col.flags = flags;
    return col;
}

TEST(GridEditorChoice, EditStyleAndKeyFlagsFollowTypeAndFlags)
{
    // The documented styles of the plain and the multi-line edit control.
    const DWORD base = 0x400100C0;
    const DWORD multi = 0x403110C4;
    struct Row {
        const char* name;
        WORD type;
        DWORD flags;
        DWORD style;
        LONG keys;
    } rows[] = {
        {"text", GRID_TEXT, 0, base, ZCS_OFFERKEYS},
        {"long text", GRID_LONGTEXT, 0, multi, ZCS_OFFERKEYS | ZCS_KEEPENTERDOWN},
        {"text multi-line flag", GRID_TEXT, 0x200, multi, ZCS_OFFERKEYS | ZCS_KEEPENTERDOWN},
        {"integer", GRID_INTEGER, 0, base, ZCS_OFFERKEYS | ZCS_NUMERIC},
        {"float", GRID_FLOAT, 0, base, ZCS_OFFERKEYS | ZCS_NUMERIC},
        {"integer free text", GRID_INTEGER, 0x80, base, ZCS_OFFERKEYS},
        {"integer multi-line ignored", GRID_INTEGER, 0x200, base, ZCS_OFFERKEYS | ZCS_NUMERIC},
        {"free number multi-line", GRID_FLOAT, 0x280, multi, ZCS_OFFERKEYS | ZCS_KEEPENTERDOWN},
        {"uppercase", GRID_TEXT, 0x1, base | ES_UPPERCASE, ZCS_OFFERKEYS},
        {"password", GRID_TEXT, 0x100, base | ES_PASSWORD, ZCS_OFFERKEYS},
        {"letters and digits", GRID_TEXT, 0x20, base, ZCS_OFFERKEYS | ZCS_ALNUM},
        {"digits", GRID_TEXT, 0x2000, base, ZCS_OFFERKEYS | ZCS_NUMERIC},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        DWORD style = 0;
        LONG keys = 0;
        GridEditStyleOf(Column(r.type, r.flags), &style, &keys);
        EXPECT_EQ(r.style, style);
        EXPECT_EQ(r.keys, keys);
    }
}

TEST(GridEditorChoice, PickerFormatsAndKinds)
{
    struct Row {
        WORD type;
        DWORD flags;
        const char* format;
    } rows[] = {
        {GRID_DATE, 0x4000, "dd'/'MM'/'yyyy"},
        {GRID_TIMESTAMP, 0x10, "dd'/'MM'/'yyyy"},
        {GRID_TIMESTAMP, 0x4000 | 0x400, "dd'/'MM'/'yyyy HH:mm"},
        {GRID_TIMESTAMP, 0x400 | 0x1000, "HH':'mm"},
        {GRID_TIMESTAMP, 0x1000 | 0x800, "mm':'ss'.'XXX"},
        {GRID_TIMESTAMP, 0x800, "dd'/'MM"},
        {GRID_TIMESTAMP, 0, "dd'/'MM'/'yyyy HH':'mm':'ss"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.format);
        EXPECT_STREQ(r.format, GridPickerFormatOf(Column(r.type, r.flags)));
    }
    GRIDCOL updown = Column(GRID_TIMESTAMP, 0x400);
    EXPECT_EQ(DWORD(WS_CHILD | WS_TABSTOP | DTS_UPDOWN | DTS_SHOWNONE), GridPickerStyleOf(updown));
    GRIDCOL required = Column(GRID_DATE, 0);
    required.required = true;
    EXPECT_EQ(DWORD(WS_CHILD | WS_TABSTOP | DTS_RIGHTALIGN), GridPickerStyleOf(required));

    GRIDINFO gi = {};
    EXPECT_EQ(GRIDED_EDIT, GridEditorKindOf(&gi, Column(GRID_TEXT, 0)));
    EXPECT_EQ(GRIDED_PICKER, GridEditorKindOf(&gi, Column(GRID_DATE, 0)));
    EXPECT_EQ(GRIDED_PICKER, GridEditorKindOf(&gi, Column(GRID_TIMESTAMP, 0)));
    EXPECT_EQ(GRIDED_NONE, GridEditorKindOf(&gi, Column(GRID_BITMAP, 0)));
    EXPECT_EQ(GRIDED_NONE, GridEditorKindOf(&gi, Column(GRID_BINARY, 0)));
    gi.pickerForAllTypes = true;
    EXPECT_EQ(GRIDED_PICKER, GridEditorKindOf(&gi, Column(GRID_TEXT, 0)));
    GRIDCOL combo = Column(GRID_TEXT, 0);
    combo.lookupCombo = HWND(1);
    EXPECT_EQ(GRIDED_COMBO, GridEditorKindOf(&gi, combo));
}

TEST(GridEditor, EditBoxLiesOverTheCellWithItsValue)
{
    EditHost h(3, {5, 8, 6});
    h.Put(2, 2, "hello");
    h.Go(2, 2);
    ASSERT_TRUE(GridBeginEdit(h.grid(), h.gi(), 0, 0));
    ASSERT_NE(nullptr, h.editor());
    EXPECT_EQ("Edit", ClassOf(h.editor()));
    EXPECT_EQ("hello", h.EditorText());
    EXPECT_EQ("hello", std::string(h.gi()->editText));
    EXPECT_EQ(8, SendMessageA(h.editor(), EM_GETLIMITTEXT, 0, 0));
    DWORD start = 0, end = 0;
    SendMessageA(h.editor(), EM_GETSEL, WPARAM(&start), LPARAM(&end));
    EXPECT_EQ(0u, start);
    EXPECT_EQ(5u, end);
    EXPECT_EQ(ZCS_OFFERKEYS, KeyFlags(h.editor()));

    RECT rc = {};
    GetWindowRect(h.editor(), &rc);
    MapWindowPoints(nullptr, h.grid(), reinterpret_cast<POINT*>(&rc), 2);
    // In the system font (7 by 16 pixels), right of 3 characters of row
    // numbers and column 1's 5, below the header (22) and row 1 (19).
    ASSERT_EQ(7, h.gi()->charWidth);
    ASSERT_EQ(16, h.gi()->charHeight);
    EXPECT_EQ(56, rc.left);
    EXPECT_EQ(41, rc.top);
    EXPECT_EQ(56, rc.right - rc.left);
    EXPECT_EQ(19, rc.bottom - rc.top);

    // The parent was asked, in order, and told of the edit's column.
    ASSERT_GE(h.host.notes().size(), 2u);
    EXPECT_EQ(std::make_pair(int(GRIDN_QUERYCHANGE), int(GRID_CHANGE_EDIT)), h.host.notes()[0]);
    EXPECT_EQ(std::make_pair(int(GRIDN_QUERYEDIT), 0), h.host.notes()[1]);
    ASSERT_EQ(1u, h.editBegins.size());
    EXPECT_EQ(2, h.editBegins[0]);
}

bool g_callbackAnswer = true;
bool EditCallback(int, HWND)
{
    return g_callbackAnswer;
}

TEST(GridEditor, RefusalsOpenNothing)
{
    struct Row {
        const char* name;
        int refuseCode;
        bool callbackRefuses, readOnly, columnReadOnly;
        WORD type;
    } rows[] = {
        {"parent refuses the change", GRIDN_QUERYCHANGE, false, false, false, GRID_TEXT},
        {"parent refuses the edit", GRIDN_QUERYEDIT, false, false, false, GRID_TEXT},
        {"column callback refuses", 0, true, false, false, GRID_TEXT},
        {"read-only grid", 0, false, true, false, GRID_TEXT},
        {"read-only column", 0, false, false, true, GRID_TEXT},
        {"bitmap column", 0, false, false, false, GRID_BITMAP},
        {"binary column", 0, false, false, false, GRID_BINARY},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EditHost h(2, {5, 5});
        if (r.refuseCode)
            h.host.Reply(r.refuseCode, 1);
        g_callbackAnswer = !r.callbackRefuses;
        h.col(1).editCallback = EditCallback;
        h.gi()->readOnly = r.readOnly;
        h.col(1).columnReadOnly = r.columnReadOnly;
        h.col(1).type = r.type;
        GridBeginEdit(h.grid(), h.gi(), WM_CHAR, 'x');
        EXPECT_EQ(nullptr, h.editor());
        // Typing does not open one either.
        GridOnChar(h.grid(), h.gi(), 'y', 0);
        EXPECT_EQ(nullptr, h.editor());
        EXPECT_EQ("", h.Cell(1, 1));
        // Enter opens none and moves on; a read-only grid hands it to the parent.
        SendMessageA(h.grid(), WM_KEYDOWN, VK_RETURN, 1);
        EXPECT_EQ(nullptr, h.editor());
        EXPECT_EQ(r.readOnly ? 1 : 2, h.gi()->currentColumn);
    }
    g_callbackAnswer = true;
    EditHost empty(0, {5});
    EXPECT_FALSE(GridBeginEdit(empty.grid(), empty.gi(), 0, 0));
    EXPECT_EQ(0, empty.host.Count(GRIDN_QUERYEDIT));
}

TEST(GridEditor, ParentMaySupplyTheTextToEdit)
{
    EditHost h(1, {10});
    h.Put(1, 1, "stored");
    h.suppliedText = "supplied";
    ASSERT_TRUE(GridBeginEdit(h.grid(), h.gi(), 0, 0));
    EXPECT_EQ("supplied", h.EditorText());
}

TEST(GridEditor, AcceptWritesTheTypedValueAndClosesTheEditor)
{
    EditHost h(2, {10, 10});
    h.Put(1, 1, "old");
    ASSERT_TRUE(GridBeginEdit(h.grid(), h.gi(), 0, 0));
    HWND editor = h.editor();
    h.Type("new");
    EXPECT_EQ("new", h.EditorText());
    h.host.ClearNotes();
    ASSERT_TRUE(GridAcceptEdit(h.grid(), h.gi()));
    EXPECT_EQ("new", h.Cell(1, 1));
    EXPECT_TRUE(h.gi()->transactionPending);
    EXPECT_EQ(nullptr, h.editor());
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_EQ(1, h.host.Count(GRIDN_CELLWRITTEN));
    EXPECT_EQ(1, h.host.Count(GRIDN_EDITENDED));
    // Without an editor accepting has nothing to refuse.
    EXPECT_TRUE(GridAcceptEdit(h.grid(), h.gi()));
}

bool g_validAnswer = false;
int g_validColumn = 0;
bool Validate(HWND, int column, HWND)
{
    g_validColumn = column;
    return g_validAnswer;
}

TEST(GridEditor, RefusedValuesKeepTheEditorAndTheCell)
{
    {
        SCOPED_TRACE("validation callback");
        EditHost h(1, {10, 10});
        h.Go(1, 2);
        h.col(2).validateCallback = Validate;
        ASSERT_TRUE(GridBeginEdit(h.grid(), h.gi(), 0, 0));
        h.Type("bad");
        EXPECT_FALSE(GridAcceptEdit(h.grid(), h.gi()));
        EXPECT_EQ(2, g_validColumn);
        EXPECT_NE(nullptr, h.editor());
        EXPECT_EQ("bad", h.EditorText());
        EXPECT_EQ("", h.Cell(1, 2));
        g_validAnswer = true;
        EXPECT_TRUE(GridAcceptEdit(h.grid(), h.gi()));
        EXPECT_EQ("bad", h.Cell(1, 2));
        g_validAnswer = false;
    }
    {
        SCOPED_TRACE("required column left empty");
        EditHost h(1, {10});
        h.Put(1, 1, "keep");
        h.col(1).required = true;
        ASSERT_TRUE(GridBeginEdit(h.grid(), h.gi(), WM_KEYDOWN, VK_DELETE));
        EXPECT_EQ("", h.EditorText());
        EXPECT_FALSE(GridAcceptEdit(h.grid(), h.gi()));
        EXPECT_NE(nullptr, h.editor());
        EXPECT_EQ("keep", h.Cell(1, 1));
    }
}

TEST(GridEditor, CursorMovesFinishThePendingEdit)
{
    EditHost h(3, {10});
    ASSERT_TRUE(GridBeginEdit(h.grid(), h.gi(), WM_CHAR, 'q'));
    h.Type("rs");
    GridRowDown(h.grid(), h.gi(), 0);
    EXPECT_EQ("qrs", h.Cell(1, 1));
    EXPECT_EQ(2, h.gi()->currentRow);
    EXPECT_EQ(nullptr, h.editor());
}

TEST(GridEditor, LookupComboIsTheEditorAndStaysWithItsColumn)
{
    EditHost h(2, {10, 10});
    for (const char* item : {"one", "two", "three"})
        GridColComboAdd(h.grid(), h.gi(), 2, item);
    HWND combo = h.col(2).lookupCombo;
    ASSERT_NE(nullptr, combo);
    h.Put(1, 2, "two");
    h.Go(1, 2);
    ASSERT_TRUE(GridBeginEdit(h.grid(), h.gi(), 0, 0));
    EXPECT_EQ(combo, h.editor());
    EXPECT_EQ(1, SendMessageA(combo, CB_GETCURSEL, 0, 0));
    EXPECT_TRUE(IsWindowVisible(combo) || IsWindowVisible(h.host.parent()) == FALSE);
    RECT rc = {};
    GetWindowRect(combo, &rc);
    EXPECT_EQ(10 * h.gi()->charWidth, rc.right - rc.left);

    SendMessageA(combo, CB_SETCURSEL, 2, 0);
    h.gi()->cellModified = true;
    ASSERT_TRUE(GridAcceptEdit(h.grid(), h.gi()));
    EXPECT_EQ("three", h.Cell(1, 2));
    EXPECT_TRUE(IsWindow(combo));
    EXPECT_FALSE(GetWindowLongA(combo, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(combo, h.col(2).lookupCombo);

    // A text that is no item selects nothing.
    h.Put(2, 2, "four");
    h.Go(2, 2);
    ASSERT_TRUE(GridBeginEdit(h.grid(), h.gi(), 0, 0));
    EXPECT_EQ(CB_ERR, SendMessageA(combo, CB_GETCURSEL, 0, 0));
}

SYSTEMTIME PickerTime(HWND picker, LRESULT* kind)
{
    SYSTEMTIME st = {};
    *kind = SendMessageA(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st));
    return st;
}

TEST(GridEditor, PickerShowsTheDateAndGivesItBack)
{
    EditHost h(2, {25, 25});
    h.col(1).type = GRID_TIMESTAMP;
    h.Put(1, 1, "2024-03-05 10:20:30.000");
    ASSERT_TRUE(GridBeginEdit(h.grid(), h.gi(), 0, 0));
    ASSERT_EQ("SysDateTimePick32", ClassOf(h.editor()));
    EXPECT_TRUE(GetWindowLongA(h.editor(), GWL_STYLE) & DTS_SHOWNONE);
    LRESULT kind = 0;
    SYSTEMTIME st = PickerTime(h.editor(), &kind);
    EXPECT_EQ(GDT_VALID, kind);
    EXPECT_EQ(5, st.wDay);
    EXPECT_EQ(3, st.wMonth);
    EXPECT_EQ(2024, st.wYear);
    EXPECT_EQ(10, st.wHour);
    EXPECT_EQ(20, st.wMinute);
    EXPECT_EQ(30, st.wSecond);
    EXPECT_EQ("05/03/2024 10:20:30.000", GridEditorValue(h.gi(), h.editor()));

    // A changed date goes into the row store in the driver's form.
    st.wDay = 7;
    SendMessageA(h.editor(), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
    ASSERT_TRUE(GridAcceptEdit(h.grid(), h.gi()));
    EXPECT_EQ("2024-03-07 10:20:30.000", h.Cell(1, 1));
    EXPECT_EQ(-1, h.gi()->pickerMilliseconds);
}

TEST(GridEditor, PickerWithoutDate)
{
    for (bool required : {false, true}) {
        SCOPED_TRACE(required ? "required" : "optional");
        EditHost h(1, {25});
        h.col(1).type = GRID_DATE;
        h.col(1).required = required;
        h.Put(1, 1, "2020-02-01");
        ASSERT_TRUE(GridBeginEdit(h.grid(), h.gi(), 0, 0));
        EXPECT_EQ(!required, (GetWindowLongA(h.editor(), GWL_STYLE) & DTS_SHOWNONE) != 0);
        if (!required) {
            SYSTEMTIME none = {};
            SendMessageA(h.editor(), DTM_SETSYSTEMTIME, GDT_NONE, reinterpret_cast<LPARAM>(&none));
            h.gi()->cellModified = true;
            EXPECT_TRUE(GridAcceptEdit(h.grid(), h.gi()));
            EXPECT_EQ("", h.Cell(1, 1));
        } else {
            // No check box: the empty value cannot be chosen, the date stays.
            h.gi()->cellModified = true;
            EXPECT_TRUE(GridAcceptEdit(h.grid(), h.gi()));
            EXPECT_EQ("2020-02-01", h.Cell(1, 1));
        }
    }
}

TEST(GridEditor, MinutesSecondsPickerKeepsMilliseconds)
{
    EditHost h(1, {25});
    h.col(1).type = GRID_TIMESTAMP;
    h.col(1).flags = 0x1000;
    h.suppliedText = "20:30.123";
    ASSERT_TRUE(GridBeginEdit(h.grid(), h.gi(), 0, 0));
    EXPECT_EQ(123, h.gi()->pickerMilliseconds);
    h.gi()->pickerMilliseconds = 999;
    EXPECT_TRUE(GridAcceptEdit(h.grid(), h.gi()));
    // The minutes-seconds form holds no date: the picker's date is today's.
    std::string cell = h.Cell(1, 1);
    ASSERT_EQ(23u, cell.size());
    EXPECT_EQ(":20:30.999", cell.substr(13));
}

TEST(GridEditor, PickerForAllTypesEditsTextWithTheFullForm)
{
    EditHost h(1, {25});
    h.gi()->pickerForAllTypes = true;
    h.Put(1, 1, "31/12/1999 23:59:58");
    ASSERT_TRUE(GridBeginEdit(h.grid(), h.gi(), 0, 0));
    EXPECT_EQ("SysDateTimePick32", ClassOf(h.editor()));
    EXPECT_EQ("31/12/1999 23:59:58.000", GridEditorValue(h.gi(), h.editor()));
}

TEST(GridEditor, EndWithoutSavingNotifiesAndDropsTheValue)
{
    EditHost h(1, {10});
    h.Put(1, 1, "same");
    ASSERT_TRUE(GridBeginEdit(h.grid(), h.gi(), 0, 0));
    h.Type("other");
    h.gi()->cellModified = false;
    h.host.ClearNotes();
    GridEndEditNoSave(h.grid(), h.gi());
    EXPECT_EQ(nullptr, h.editor());
    EXPECT_EQ("same", h.Cell(1, 1));
    ASSERT_EQ(2u, h.host.notes().size());
    EXPECT_EQ(std::make_pair(int(GRIDN_EDITENDED), 0), h.host.notes()[0]);
    EXPECT_EQ(std::make_pair(int(GRIDN_CHANGED), int(GRID_CHANGE_EDIT)), h.host.notes()[1]);
}

TEST(GridEditor, ASecondBeginReplacesTheOpenEditor)
{
    EditHost h(1, {10});
    ASSERT_TRUE(GridBeginEdit(h.grid(), h.gi(), 0, 0));
    HWND first = h.editor();
    ASSERT_TRUE(GridBeginEdit(h.grid(), h.gi(), 0, 0));
    EXPECT_NE(nullptr, h.editor());
    EXPECT_FALSE(IsWindow(first));
    int edits = 0;
    for (HWND child = GetWindow(h.grid(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        edits += ClassOf(child) == "Edit";
    EXPECT_EQ(1, edits);
}

}  // namespace
