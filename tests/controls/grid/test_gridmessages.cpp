// Every message of the grid's own set, sent with its documented arguments
// to an unbound and to a bound "zgrid" window, in one script: each step
// checks the documented result and, where the message changes the grid,
// what it changed (the Wine way: a table of messages and answers).

#include "sqlitedsn.h"
#include "zgridwindow.h"

#include "corvex.h"
#include "gridrows.h"

#include "xalloc.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

// The expected result of a message.
struct Expect {
    enum Kind { Value, NonZero, Text } kind;
    LRESULT value;
    const char* text;
};

Expect V(LRESULT value)
{
    return {Expect::Value, value, nullptr};
}
Expect T(const char* text)
{
    return {Expect::Text, 0, text};
}
const Expect NZ = {Expect::NonZero, 0, nullptr};

LPARAM P(const char* text)
{
    return reinterpret_cast<LPARAM>(text);
}

using Action = std::function<void(ZGridWindow&, bool bound)>;

struct Step {
    const char* name;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    Expect unbound, bound;
    Action before = nullptr;
    Action after = nullptr;
};

// Same result on both grids.
Step S(const char* name, UINT msg, WPARAM w, LPARAM l, Expect both, Action after = nullptr, Action before = nullptr)
{
    return {name, msg, w, l, both, both, before, after};
}

std::string Cell(ZGridWindow& g, int row, int column)
{
    return zGridGetText(g.grid(), row, column, true);
}

std::vector<std::pair<int, int>> Notes(const ZGridWindow& g, int code)
{
    std::vector<std::pair<int, int>> found;
    for (const auto& note : g.notes)
        if (note.first == code)
            found.push_back(note);
    return found;
}

HICON g_firstCopy = nullptr;  // the grid's copy of the first button icon

bool g_validated = false;
bool Validate(HWND, int, HWND)
{
    return g_validated = true;
}
bool MayEdit(int, HWND)
{
    return true;
}

const char* const kNames[] = {"n1", "dup", "n3", "dup", "n5"};

bool MakeUnbound(ZGridWindow& g)
{
    zGridColAdd(g.grid(), 4, 0, "", "id", 4, GRID_INTEGER, 0, "", true);
    zGridColAdd(g.grid(), 12, 0, "", "name", 12, GRID_TEXT, 0, "", true);
    zGridColAdd(g.grid(), 4, 0, "", "qty", 4, GRID_INTEGER, 0, "", true);
    g.AddRows(5);
    for (int row = 1; row <= 5; ++row) {
        zGridPutInt(g.grid(), row, 1, row);
        zGridPutText(g.grid(), row, 2, kNames[row - 1]);
        zGridPutInt(g.grid(), row, 3, row * 10);
    }
    return true;
}

bool MakeBound(ZGridWindow& g)
{
    std::vector<std::string> rows;
    for (int row = 1; row <= 5; ++row)
        rows.push_back(std::to_string(row) + ", '" + kNames[row - 1] + "', " + std::to_string(row * 10));
    return sqlitedsn::Connection().MakeTable("msg_items", "id INTEGER PRIMARY KEY, name VARCHAR(12), qty INTEGER",
                                             rows) &&
           g.Browse(sqlitedsn::Name(), "msg_items", "id", true);
}

std::string TableCount()
{
    sqlitedsn::Connection db;
    return db.Value("SELECT COUNT(*) FROM msg_items");
}

std::vector<Step> Script()
{
    static HICON icon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));
    static HFONT font = static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT));
    static const LONG record[2] = {0, 77};
    std::vector<Step> s = {
        // Messages of the range that the grid leaves to the default procedure.
        S("unused 0x0B32", 0x0B32, 1, 1, V(0)),
        S("unused 0x0B35", 0x0B35, 1, 1, V(0)),
        S("unused 0x0B3E", 0x0B3E, 1, 1, V(0)),
        S("no font of its own to tell", WM_GETFONT, 0, 0, V(0)),

        // Texts the grid answers with are never null.
        S("no editor text yet", GRIDM_GETEDITTEXT, 0, 0, T("")),
        {"the select text at first", GRIDM_GETSELECTTEXT, 0, 0, T(""), T("SELECT  * FROM msg_items  ORDER BY id")},

        // Cursor and counts.
        S("row count", GRIDM_GETROWCOUNT, 0, 0, V(5)),
        S("column count", GRIDM_GETCOLUMNCOUNT, 0, 0, V(3)),
        S("current row", GRIDM_GETCURRENTROW, 0, 0, V(1)),
        S("current column", GRIDM_GETCURRENTCOLUMN, 0, 0, V(1)),
        S("go to row 3", GRIDM_GOTOROW, 0, 3, V(0),
          [](ZGridWindow& g, bool) {
              EXPECT_EQ(3, g.gi()->currentRow);
              EXPECT_EQ((std::vector<std::pair<int, int>>{{GRIDN_ROWCHANGED, 0}}), Notes(g, GRIDN_ROWCHANGED));
          }),
        S("go to row 0 changes nothing", GRIDM_GOTOROW, 0, 0, V(0),
          [](ZGridWindow& g, bool) { EXPECT_EQ(3, g.gi()->currentRow); }),
        S("go to a row beyond changes nothing", GRIDM_GOTOROW, 0, 9, V(0),
          [](ZGridWindow& g, bool) { EXPECT_EQ(3, g.gi()->currentRow); }),
        S("go to column 2", GRIDM_GOTOCOLUMN, 2, 0, V(0),
          [](ZGridWindow& g, bool) { EXPECT_EQ(2, g.gi()->currentColumn); }),
        S("ordinal of the current column", GRIDM_GETCURRENTORDINAL, 0, 0, V(1)),

        // Column texts.
        S("set a title", GRIDM_SETTITLE, 2, P("Nome"), V(0)),
        S("get the title", GRIDM_GETTITLE, 2, 0, T("Nome")),
        S("title of no column", GRIDM_GETTITLE, 9, 0, T("")),
        S("sql name", GRIDM_GETSQLNAME, 2, 0, T("name")),
        S("an empty sql name is refused", GRIDM_SETSQLNAME, 2, P(""), V(0),
          [](ZGridWindow& g, bool) { EXPECT_STREQ("name", g.col(2).sqlName); }),
        S("set an sql name", GRIDM_SETSQLNAME, 3, P("QTY"), V(0),
          [](ZGridWindow& g, bool) { EXPECT_STREQ("QTY", g.col(3).sqlName); }),
        S("find a column ignoring case", GRIDM_FINDCOLUMN, 0, P("NAME"), V(2)),
        S("find no column", GRIDM_FINDCOLUMN, 0, P("none"), V(0)),
        S("description", GRIDM_SETDESCRIPTION, 2, P("the name"), V(0),
          [](ZGridWindow& g, bool) { EXPECT_STREQ("the name", g.col(2).description); }),
        S("set the extra text", GRIDM_SETEXTRATEXT, 2, P("extra"), V(0)),
        S("get the extra text", GRIDM_GETEXTRATEXT, 2, 0, T("extra")),
        S("extra text of no column", GRIDM_GETEXTRATEXT, 0, 0, T("")),
        S("a column message for no column", GRIDM_SETDESCRIPTION, 4, P("none"), V(0)),

        // Column values.
        S("type of an integer column", GRIDM_GETTYPE, 1, 0, V(GRID_INTEGER)),
        S("type of a text column", GRIDM_GETTYPE, 2, 0, V(GRID_TEXT)),
        S("a type from the low word", GRIDM_SETTYPE, 3, 0x10000 | GRID_TEXT, V(0),
          [](ZGridWindow& g, bool) { EXPECT_EQ(GRID_TEXT, g.Send(GRIDM_GETTYPE, 3)); }),
        S("the type back", GRIDM_SETTYPE, 3, GRID_INTEGER, V(0)),
        S("visible", GRIDM_GETVISIBLE, 3, 0, V(1)),
        S("hide a column", GRIDM_SETVISIBLE, 3, 0, V(0),
          [](ZGridWindow& g, bool) { EXPECT_EQ(0, g.Send(GRIDM_GETVISIBLE, 3)); }),
        S("visible ordinal", GRIDM_GETVISIBLEORDINAL, 2, 0, V(1)),
        S("show the column", GRIDM_SETVISIBLE, 3, 1, V(0),
          [](ZGridWindow& g, bool) { EXPECT_EQ(2, g.Send(GRIDM_GETVISIBLEORDINAL, 3)); }),
        S("display width", GRIDM_GETDISPLAYWIDTH, 2, 0, V(12)),
        S("set a display width", GRIDM_SETDISPLAYWIDTH, 2, 15, V(0),
          [](ZGridWindow& g, bool) { EXPECT_EQ(15, g.Send(GRIDM_GETDISPLAYWIDTH, 2)); }),
        S("a display width of 0 is ignored", GRIDM_SETDISPLAYWIDTH, 2, 0, V(0),
          [](ZGridWindow& g, bool) { EXPECT_EQ(15, g.Send(GRIDM_GETDISPLAYWIDTH, 2)); }),
        S("data width", GRIDM_SETDATAWIDTH, 2, 14, V(0),
          [](ZGridWindow& g, bool) {
              EXPECT_EQ(14, g.col(2).dataWidth);
              EXPECT_EQ("dup", Cell(g, 2, 2));
              EXPECT_EQ("n5", Cell(g, 5, 2));
          }),
        S("a data width of 0 is ignored", GRIDM_SETDATAWIDTH, 2, 0, V(0),
          [](ZGridWindow& g, bool) { EXPECT_EQ(14, g.col(2).dataWidth); }),
        S("read-only column", GRIDM_SETCOLREADONLY, 3, 7, V(0),
          [](ZGridWindow& g, bool) { EXPECT_TRUE(g.col(3).columnReadOnly); }),
        S("writable column", GRIDM_SETCOLREADONLY, 3, 0, V(0),
          [](ZGridWindow& g, bool) { EXPECT_FALSE(g.col(3).columnReadOnly); }),
        S("required", GRIDM_SETREQUIRED, 3, 1, V(0), [](ZGridWindow& g, bool) { EXPECT_TRUE(g.col(3).required); }),
        S("insert mode from the low byte", GRIDM_SETINSERTMODE, 1, 0x100 | 'x', V(0),
          [](ZGridWindow& g, bool) { EXPECT_EQ('x', g.col(1).insertMode); }),
        S("insert with the default", GRIDM_SETINSERTMODE, 2, 'i', V(0)),
        S("default text", GRIDM_SETDEFAULT, 2, P("dflt"), V(0),
          [](ZGridWindow& g, bool) { EXPECT_STREQ("dflt", g.col(2).defaultText); }),
        S("look-up only", GRIDM_SETLOOKUPONLY, 3, 1, V(0),
          [](ZGridWindow& g, bool) { EXPECT_TRUE(g.col(3).lookupOnly); }),
        S("not look-up only", GRIDM_SETLOOKUPONLY, 3, 0, V(0)),
        S("column icon", GRIDM_SETICON, 2, reinterpret_cast<LPARAM>(icon), V(0),
          [](ZGridWindow& g, bool) { EXPECT_EQ(icon, g.col(2).icon); }),
        S("no column icon", GRIDM_SETICON, 2, 0, V(0)),
        S("background colour", GRIDM_SETBACKCOLOR, 2, RGB(1, 2, 3), V(0),
          [](ZGridWindow& g, bool) { EXPECT_EQ(RGB(1, 2, 3), g.col(2).backColor); }),
        S("header pressed", GRIDM_SETHEADERPRESSED, 2, 1, V(0),
          [](ZGridWindow& g, bool) { EXPECT_TRUE(g.col(2).headerPressed); }),
        S("owner's flag", GRIDM_SETOWNERFLAG, 2, 5, V(0),
          [](ZGridWindow& g, bool) { EXPECT_TRUE(g.col(2).ownerFlag); }),
        S("validation callback", GRIDM_SETVALIDATE, 2, reinterpret_cast<LPARAM>(&Validate), V(0),
          [](ZGridWindow& g, bool) { EXPECT_EQ(&Validate, g.col(2).validateCallback); }),
        S("edit callback", GRIDM_SETEDITCALLBACK, 2, reinterpret_cast<LPARAM>(&MayEdit), V(0),
          [](ZGridWindow& g, bool) { EXPECT_EQ(&MayEdit, g.col(2).editCallback); }),
    };

    // Column flags: set always, or set and cleared by lParam.
    struct Flag {
        const char* name;
        UINT msg;
        DWORD bit;
        bool clears;
    } flags[] = {
        {"upper case", GRIDM_SETUPPERCASE, 0x1, false},     {"grouped", GRIDM_SETGROUPED, 0x4, true},
        {"group option", GRIDM_SETGROUPOPTION, 0x8, true},  {"date only", GRIDM_SETDATEONLY, 0x10, true},
        {"letters and digits", GRIDM_SETALNUM, 0x20, false}, {"coloured", GRIDM_SETCOLORED, 0x40, true},
        {"password", GRIDM_SETPASSWORD, 0x100, false},      {"multi-line", GRIDM_SETMULTILINE, 0x200, false},
        {"hours and minutes", GRIDM_SETHOURMINUTE, 0x400, false}, {"day and month", GRIDM_SETDAYMONTH, 0x800, true},
        {"minutes and seconds", GRIDM_SETMINSECMS, 0x1000, false}, {"digits", GRIDM_SETDIGITS, 0x2000, false},
        {"date, hours and minutes", GRIDM_SETDATEHOURMIN, 0x4000, true},
    };
    for (const Flag& f : flags) {
        DWORD bit = f.bit;
        bool clears = f.clears;
        UINT msg = f.msg;
        s.push_back(S(f.name, msg, 3, 1, V(0), [bit, clears, msg](ZGridWindow& g, bool) {
            EXPECT_EQ(bit, g.col(3).flags & bit);
            g.Send(msg, 3, 0);
            EXPECT_EQ(clears ? 0 : bit, g.col(3).flags & bit) << "lParam 0";
        }));
    }
    std::vector<Step> more = {
        S("free number", GRIDM_SETFREENUMBER, 3, 0, V(0),
          [](ZGridWindow& g, bool) { EXPECT_EQ(0x80u, g.col(3).flags & (0x80 | 0x20 | 0x2000)); }),

        // The column's look-up combo box.
        S("a look-up item", GRIDM_COMBOADD, 3, P("tre"), V(0),
          [](ZGridWindow& g, bool) {
              ASSERT_TRUE(IsWindow(g.col(3).lookupCombo));
              EXPECT_EQ(0, g.col(3).comboSelection);
          }),
        S("its item data", GRIDM_COMBOSETDATA, 3, 30, V(0),
          [](ZGridWindow& g, bool) { EXPECT_EQ(30, SendMessageA(g.col(3).lookupCombo, CB_GETITEMDATA, 0, 0)); }),
        S("no item selected", GRIDM_COMBOGETDATA, 3, 0, V(-1)),
        S("the selected item's data", GRIDM_COMBOGETDATA, 3, 0, V(30), nullptr,
          [](ZGridWindow& g, bool) { SendMessageA(g.col(3).lookupCombo, CB_SETCURSEL, 0, 0); }),
        S("empty the combo", GRIDM_COMBORESET, 3, 0, V(0),
          [](ZGridWindow& g, bool) { EXPECT_EQ(0, SendMessageA(g.col(3).lookupCombo, CB_GETCOUNT, 0, 0)); }),
        S("destroy the combo", GRIDM_COMBODESTROY, 3, 0, V(0),
          [](ZGridWindow& g, bool) { EXPECT_EQ(nullptr, g.col(3).lookupCombo); }),
        S("a shared combo's record", GRIDM_COMBOGETDATA, 2, 0, V(77),
          [](ZGridWindow& g, bool) {
              HWND combo = g.col(2).sharedCombo;
              g.Send(GRIDM_SETSHAREDCOMBO, 2, 0);
              EXPECT_EQ(nullptr, g.col(2).sharedCombo);
              DestroyWindow(combo);
          },
          [](ZGridWindow& g, bool) {
              HWND combo = CreateWindowExA(0, "combobox", "", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 50, 90, g.parent(),
                                           nullptr, GetModuleHandleA(nullptr), nullptr);
              SendMessageA(combo, CB_ADDSTRING, 0, P("settantasette"));
              SendMessageA(combo, CB_SETITEMDATA, 0, reinterpret_cast<LPARAM>(record));
              SendMessageA(combo, CB_SETCURSEL, 0, 0);
              g.Send(GRIDM_SETSHAREDCOMBO, 2, reinterpret_cast<LPARAM>(combo));
          }),

        // Grid options.
        S("read-only grid", GRIDM_SETREADONLY, 1, 0, V(0), [](ZGridWindow& g, bool) { EXPECT_TRUE(g.gi()->readOnly); }),
        S("writable grid", GRIDM_SETREADONLY, 0, 0, V(0), [](ZGridWindow& g, bool) { EXPECT_FALSE(g.gi()->readOnly); }),
        S("pickers for all", GRIDM_SETPICKERFORALL, 1, 0, V(0),
          [](ZGridWindow& g, bool) {
              EXPECT_TRUE(g.gi()->pickerForAllTypes);
              g.Send(GRIDM_SETPICKERFORALL, 0);
          }),
        S("editable combos", GRIDM_SETEDITABLECOMBOS, 1, 0, V(0),
          [](ZGridWindow& g, bool) { EXPECT_TRUE(g.gi()->editableCombos); }),
        S("errors shown", GRIDM_SETSHOWERRORS, 0, 0, V(0),
          [](ZGridWindow& g, bool) { EXPECT_FALSE(g.gi()->showErrors); }),
        S("stop on read-only columns", GRIDM_SETSTOPONREADONLY, 0, 0, V(0),
          [](ZGridWindow& g, bool) {
              EXPECT_FALSE(g.gi()->stopOnReadOnly);
              g.Send(GRIDM_SETSTOPONREADONLY, 1);
          }),
        S("notify all moves", GRIDM_SETNOTIFYALLMOVES, 1, 0, V(0),
          [](ZGridWindow& g, bool) {
              EXPECT_TRUE(g.gi()->notifyAllMoves);
              g.Send(GRIDM_SETNOTIFYALLMOVES, 0);
          }),
        S("no status text", GRIDM_SETNOSTATUSTEXT, 1, 0, V(0),
          [](ZGridWindow& g, bool) {
              EXPECT_TRUE(g.gi()->noStatusText);
              g.Send(GRIDM_SETNOSTATUSTEXT, 0);
          }),
        S("edit on click", GRIDM_SETEDITONCLICK, 1, 0, V(0),
          [](ZGridWindow& g, bool) {
              EXPECT_TRUE(g.gi()->editOnClick);
              g.Send(GRIDM_SETEDITONCLICK, 0);
          }),
        S("mark the current row", GRIDM_SETMARKCURRENTROW, 1, 0, V(0),
          [](ZGridWindow& g, bool) { EXPECT_TRUE(g.gi()->markCurrentRow); }),
        S("cell modified from lParam", GRIDM_SETCELLMODIFIED, 0, 1, V(0),
          [](ZGridWindow& g, bool) {
              EXPECT_TRUE(g.gi()->cellModified);
              g.Send(GRIDM_SETCELLMODIFIED, 1, 0);
              EXPECT_FALSE(g.gi()->cellModified);
          }),
        S("vertical headers", GRIDM_SETVERTICALHEADERS, 1, 0, V(0),
          [](ZGridWindow& g, bool) {
              LOGFONTA lf = {};
              GetObjectA(g.gi()->headerFont, sizeof lf, &lf);
              EXPECT_EQ(900, lf.lfEscapement);
              g.Send(GRIDM_SETVERTICALHEADERS, 0);
          }),

        // Grid values.
        S("row count", GRIDM_SETROWCOUNT, 0, 2, V(0),
          [](ZGridWindow& g, bool bound) {
              // An unbound grid has the rows of its store.
              EXPECT_EQ(bound ? 2 : 5, g.gi()->rowCount);
              g.Send(GRIDM_SETROWCOUNT, 0, 5);
          }),
        S("style", GRIDM_SETSTYLE, 0, GRIDS_NOADD, V(0),
          [](ZGridWindow& g, bool) {
              EXPECT_EQ(DWORD(GRIDS_NOADD), g.gi()->style);
              EXPECT_EQ(nullptr, reinterpret_cast<HICON>(SendMessageA(g.gi()->statusBar, SB_GETICON, 0, 0)));
              g.Send(GRIDM_SETSTYLE, 0, 0);
          }),
        S("row colour", GRIDM_SETROWCOLOR, RGB(4, 5, 6), 0, V(0),
          [](ZGridWindow& g, bool) {
              EXPECT_EQ(RGB(4, 5, 6), g.gi()->rowColorOverride);
              g.Send(GRIDM_SETROWCOLOR, 0);
          }),
        S("header lines", GRIDM_SETHEADERLINES, 2, 0, V(0),
          [](ZGridWindow& g, bool) {
              EXPECT_EQ(2, g.gi()->headerLines);
              g.Send(GRIDM_SETHEADERLINES, 0);
          }),
        S("no theme", GRIDM_SETNOTHEME, 1, 0, V(0), [](ZGridWindow& g, bool) { EXPECT_EQ(1, g.gi()->noTheme); }),
        S("a button icon", GRIDM_SETBUTTONICON, 0, reinterpret_cast<LPARAM>(icon), V(0),
          [](ZGridWindow& g, bool) {
              EXPECT_NE(nullptr, g.gi()->icons[0]);
              EXPECT_NE(icon, g.gi()->icons[0]) << "a copy of its own";
          }),
        S("a button icon beyond the six", GRIDM_SETBUTTONICON, 6, reinterpret_cast<LPARAM>(icon), V(0),
          [](ZGridWindow& g, bool) {
              for (int i = 1; i < 6; ++i)
                  EXPECT_EQ(nullptr, g.gi()->icons[i]);
          }),
        S("no button icon changes nothing", GRIDM_SETBUTTONICON, 0, 0, V(0),
          [](ZGridWindow& g, bool) { EXPECT_EQ(g_firstCopy, g.gi()->icons[0]); },
          [](ZGridWindow& g, bool) { g_firstCopy = g.gi()->icons[0]; }),
        S("a second button icon", GRIDM_SETBUTTONICON, 0, reinterpret_cast<LPARAM>(icon), V(0),
          [](ZGridWindow& g, bool) {
              EXPECT_NE(g_firstCopy, g.gi()->icons[0]);
              ICONINFO info = {};
              EXPECT_FALSE(GetIconInfo(g_firstCopy, &info)) << "the older copy is destroyed";
          }),

        // Query texts.
        S("filter", GRIDM_SETWHERE, 0, P("id > 0"), V(0),
          [](ZGridWindow& g, bool) { EXPECT_STREQ("id > 0", g.gi()->whereClause); }),
        S("order", GRIDM_SETORDERBY, 0, P("id"), V(0),
          [](ZGridWindow& g, bool) { EXPECT_STREQ("id", g.gi()->orderByClause); }),
        S("joins", GRIDM_SETFROMEXTRA, 0, P(""), V(0),
          [](ZGridWindow& g, bool) { EXPECT_STREQ("", g.gi()->fromExtra); }),
        S("grouping", GRIDM_SETGROUPBY, 0, P(""), V(0)),
        S("select prefix", GRIDM_SETSELECTPREFIX, 0, P(""), V(0)),
        S("having", GRIDM_SETHAVING, 0, P(""), V(0)),
        S("column list", GRIDM_SETCOLUMNLIST, 0, P("*"), V(0),
          [](ZGridWindow& g, bool) { EXPECT_STREQ("*", g.gi()->columnList); }),
        S("select text", GRIDM_SETSELECTTEXT, 0, P("SELECT * FROM msg_items"), V(0)),
        S("the select text back", GRIDM_GETSELECTTEXT, 0, 0, T("SELECT * FROM msg_items")),

        // Getters.
        S("no locate yet", GRIDM_GETLOCATERESULT, 0, 0, V(0)),
        S("no editor", GRIDM_HASEDITOR, 0, 0, V(0)),
        S("no editor window", GRIDM_GETEDITOR, 0, 0, V(0)),
        {"browse statement", GRIDM_GETHSTMT, 0, 0, V(0), NZ},
        {"connection", GRIDM_GETHDBC, 0, 0, V(0), NZ},
        S("row pitch", GRIDM_GETROWPITCH, 0, 0,
          V(zTMCharHeight(nullptr, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))) + 3)),
        S("character width", GRIDM_GETCHARWIDTH, 0, 0,
          V(zTMCharWidth(nullptr, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))))),

        // The in-place editor (row 3, the name column).
        S("the editor's text", GRIDM_GETEDITTEXT, 0, 0, T("q"), nullptr,
          [](ZGridWindow& g, bool) {
              g.Send(GRIDM_GOTOROW, 0, 3);
              g.Send(GRIDM_GOTOCOLUMN, 2);
              g.Char('q');
          }),
        S("an editor", GRIDM_HASEDITOR, 0, 0, V(1),
          [](ZGridWindow& g, bool) {
              EXPECT_EQ(14, SendMessageA(g.editor(), EM_GETLIMITTEXT, 0, 0)) << "the owner's data width";
          }),
        S("the editor window", GRIDM_GETEDITOR, 0, 0, NZ),
        S("the editor's text set", GRIDM_SETEDITORTEXT, 0, P("abc"), V(0),
          [](ZGridWindow& g, bool) { EXPECT_STREQ("abc", reinterpret_cast<const char*>(g.Send(GRIDM_GETEDITTEXT))); }),
        S("end editing without saving", GRIDM_ENDEDIT, 0, 0, V(0),
          [](ZGridWindow& g, bool) {
              EXPECT_EQ(nullptr, g.editor());
              EXPECT_EQ("n3", Cell(g, 3, 2));
          }),

        // The window's parts.
        S("repaint a row", GRIDM_REPAINTROW, 0, 2, V(0),
          [](ZGridWindow& g, bool) {
              RECT rc = {};
              EXPECT_TRUE(GetUpdateRect(g.grid(), &rc, FALSE));
              EXPECT_EQ(rc.bottom - rc.top, g.gi()->charHeight + 3);
              ShowWindow(g.parent(), SW_HIDE);
          },
          // Only a shown window keeps an update region.
          [](ZGridWindow& g, bool) {
              ShowWindow(g.parent(), SW_SHOWNA);
              UpdateWindow(g.grid());
          }),
        S("status text", GRIDM_SETSTATUSTEXT, 0, P("hello"), V(0),
          [](ZGridWindow& g, bool) {
              char text[32] = "";
              SendMessageA(g.gi()->statusBar, SB_GETTEXTA, 6, reinterpret_cast<LPARAM>(text));
              EXPECT_STREQ("hello", text);
          }),
        S("status bar font", GRIDM_SETSTATUSFONT, reinterpret_cast<WPARAM>(font), 0, V(0),
          [](ZGridWindow& g, bool) {
              EXPECT_EQ(reinterpret_cast<LRESULT>(font), SendMessageA(g.gi()->statusBar, WM_GETFONT, 0, 0));
          }),
        S("hide the row numbers", GRIDM_HIDEROWNUMBERS, 0, 0, V(0),
          [](ZGridWindow& g, bool) {
              EXPECT_TRUE(g.gi()->hideRowNumbers);
              EXPECT_EQ(0, g.gi()->rowNumberWidth);
          }),
        S("show the row numbers", GRIDM_SHOWROWNUMBERS, 0, 0, V(0),
          [](ZGridWindow& g, bool) { EXPECT_EQ(3, g.gi()->rowNumberWidth); }),
        S("hide the status bar", GRIDM_HIDESTATUSBAR, 0, 0, V(0),
          [](ZGridWindow& g, bool) {
              EXPECT_TRUE(g.gi()->statusBarHidden);
              EXPECT_EQ(0, g.gi()->statusBarHeight);
              EXPECT_FALSE(GetWindowLongA(g.gi()->statusBar, GWL_STYLE) & WS_VISIBLE);
          }),
        S("show the status bar", GRIDM_SHOWSTATUSBAR, 0, 0, V(0),
          [](ZGridWindow& g, bool) {
              EXPECT_FALSE(g.gi()->statusBarHidden);
              EXPECT_GT(g.gi()->statusBarHeight, 0);
          }),
        S("commit and rollback buttons", GRIDM_SETCOMMITBUTTONS, 0, 0, V(0),
          [](ZGridWindow& g, bool bound) {
              // Auto-commit (bound) has none; an unbound grid keeps its own.
              EXPECT_EQ(!bound, SendMessageA(g.gi()->statusBar, SB_GETICON, 2, 0) != 0);
          }),
        S("lock time-out", GRIDM_SETLOCKTIMEOUT, 1000, 0, V(0)),
        S("commit", GRIDM_COMMIT, 1, 0, V(1), [](ZGridWindow& g, bool) { EXPECT_EQ(0, g.Count(GRIDN_COMMITTED)); }),
        S("rollback", GRIDM_ROLLBACK, 0, 0, V(0),
          [](ZGridWindow& g, bool) { EXPECT_EQ(0, g.Count(GRIDN_ROLLEDBACK)); }),

        // Row search (the unbound row store only).
        {"search on", GRIDM_SEARCHON, 0, 0, V(1), V(0),
         [](ZGridWindow& g, bool bound) { EXPECT_EQ(bound ? 0 : 2, zGridColLocate(g.grid(), 2, "dup")); }},
        {"where the search stopped", GRIDM_GETLOCATERESULT, 0, 0, V(4), V(0)},
        S("search on past the last", GRIDM_SEARCHON, 0, 0, V(0)),

        // Moving rows (the unbound row store only).
        S("move the row up", GRIDM_MOVEROWUP, 0, 0, V(0),
          [](ZGridWindow& g, bool bound) {
              EXPECT_EQ(bound ? 3 : 2, g.gi()->currentRow);
              EXPECT_EQ(bound ? "dup" : "n3", Cell(g, 2, 2));
          },
          [](ZGridWindow& g, bool) { g.Send(GRIDM_GOTOROW, 0, 3); }),
        S("move the row down", GRIDM_MOVEROWDOWN, 0, 0, V(0),
          [](ZGridWindow& g, bool) {
              EXPECT_EQ(3, g.gi()->currentRow);
              EXPECT_EQ("n3", Cell(g, 3, 2));
          }),
        S("move the row up at a column", GRIDM_MOVEROWUPAT, 1, 0, V(0),
          [](ZGridWindow& g, bool bound) {
              EXPECT_EQ(1, g.gi()->currentColumn);
              EXPECT_EQ(bound ? 3 : 2, g.gi()->currentRow);
              if (!bound)
                  g.Send(GRIDM_MOVEROWDOWN);
          }),

        // Inserting and deleting rows.
        S("insert a row", GRIDM_INSERTROW, 0, 1, V(1),
          [](ZGridWindow& g, bool bound) {
              EXPECT_EQ(6, g.gi()->rowCount);
              EXPECT_EQ(1, g.Count(GRIDN_INSERTED));
              if (bound) {
                  EXPECT_EQ("6", TableCount());
              }
          },
          [](ZGridWindow& g, bool) { g.Send(GRIDM_GOTOROW, 0, 2); }),
        S("insert a row before the current one", GRIDM_INSERTBEFORE, 0, 0, V(0),
          [](ZGridWindow& g, bool bound) {
              EXPECT_EQ(7, g.gi()->rowCount);
              if (!bound) {
                  EXPECT_EQ("dflt", Cell(g, 2, 2));
                  EXPECT_EQ("dup", Cell(g, 3, 2));
              }
          }),
        S("delete the current row", GRIDM_DELETEROW, 1, 0, V(1),
          [](ZGridWindow& g, bool) { EXPECT_EQ(6, g.gi()->rowCount); }),
        S("delete a row of a read-only grid", GRIDM_DELETEROW, 1, 0, V(1),
          [](ZGridWindow& g, bool) {
              EXPECT_EQ(5, g.gi()->rowCount);
              g.Send(GRIDM_SETREADONLY, 0);
          },
          [](ZGridWindow& g, bool) { g.Send(GRIDM_SETREADONLY, 1); }),
        S("delete a row without the delete button", GRIDM_DELETEROW, 0, 0, V(1),
          [](ZGridWindow& g, bool) {
              EXPECT_EQ(4, g.gi()->rowCount);
              g.Send(GRIDM_SETSTYLE, 0, 0);
          },
          [](ZGridWindow& g, bool) { g.Send(GRIDM_SETSTYLE, 0, GRIDS_NODELETE); }),

        // The table as a whole.
        S("refresh", GRIDM_REFRESH, 0, 0, V(0),
          [](ZGridWindow& g, bool bound) {
              EXPECT_EQ(bound ? 1 : 0, g.Count(GRIDN_REREAD));
              EXPECT_EQ(4, g.gi()->rowCount);
          }),
        S("clear", GRIDM_CLEAR, 0, 0, V(0),
          [](ZGridWindow& g, bool bound) {
              EXPECT_EQ(0, g.gi()->rowCount);
              EXPECT_EQ(bound ? 1 : 0, g.Count(GRIDN_REREAD)) << "the emptied table is read once";
              if (bound) {
                  EXPECT_EQ("0", TableCount());
              }
          }),
        S("remove all columns", GRIDM_REMOVECOLUMNS, 0, 0, V(0),
          [](ZGridWindow& g, bool) {
              EXPECT_EQ(0, g.gi()->columnCount);
              EXPECT_EQ(0, g.Send(GRIDM_GETCOLUMNCOUNT));
          }),
    };
    s.insert(s.end(), more.begin(), more.end());
    return s;
}

void Check(ZGridWindow& g, bool bound, const Step& step)
{
    if (step.before)
        step.before(g, bound);
    g.notes.clear();
    LRESULT got = g.Send(step.msg, step.wParam, step.lParam);
    const Expect& want = bound ? step.bound : step.unbound;
    switch (want.kind) {
    case Expect::Value:
        EXPECT_EQ(want.value, got);
        break;
    case Expect::NonZero:
        EXPECT_NE(0, got);
        break;
    case Expect::Text:
        ASSERT_NE(0, got);
        EXPECT_STREQ(want.text, reinterpret_cast<const char*>(got));
        break;
    }
    if (step.after)
        step.after(g, bound);
}

TEST(GridMessages, EveryMessageOnAnUnboundAndABoundGrid)
{
    ASSERT_FALSE(sqlitedsn::Name().empty()) << sqlitedsn::Problem();
    for (bool bound : {false, true}) {
        SCOPED_TRACE(bound ? "bound" : "unbound");
        ZGridWindow g;
        ASSERT_TRUE(bound ? MakeBound(g) : MakeUnbound(g));
        g.Send(GRIDM_GOTOROW, 0, 1);
        g.Send(GRIDM_GOTOCOLUMN, 1);
        for (const Step& step : Script()) {
            SCOPED_TRACE(step.name);
            Check(g, bound, step);
        }
    }
}

}  // namespace
