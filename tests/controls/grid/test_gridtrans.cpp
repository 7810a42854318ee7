// Transactions of a bound grid on a real SQLite table, the status-bar tool
// buttons, and the row commands of unbound grids.

#include "boundtable.h"
#include "zgridwindow.h"

#include "corvex.h"
#include "gridcells.h"
#include "gridlock.h"
#include "gridtrans.h"
#include "gridwindow.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char kItems[] = "id INTEGER PRIMARY KEY, name VARCHAR(20), qty INTEGER";
const std::vector<std::string> kRows = {"1, 'one', 1", "2, 'two', 2", "3, 'three', 3"};

class GridTransTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (sqlitedsn::Name().empty())
            FAIL() << sqlitedsn::Problem();
    }
};

std::string Names(BoundTable& t)
{
    return t.Sql("SELECT GROUP_CONCAT(name, ',') FROM (SELECT name FROM " + t.table() + " ORDER BY id)");
}

TEST_F(GridTransTest, CommitKeepsAndRollbackUndoesTheChanges)
{
    BoundTable t("tr_items", kItems, kRows, false, "id");
    ASSERT_TRUE(t.ok());
    GRIDINFO* gi = t.gi();
    int name = t.Column("name");

    // Until the commit others see the table as it was.
    ASSERT_TRUE(GridWriteCell(t.grid(), gi, 2, name, "TWO", GRID_LOCK_UPDATE));
    EXPECT_EQ("one,two,three", Names(t));
    t.host().ClearNotes();
    EXPECT_TRUE(GridCommit(t.grid(), gi, true));
    EXPECT_EQ("one,TWO,three", Names(t));
    EXPECT_EQ(1, t.host().Count(GRIDN_COMMITTED));
    EXPECT_EQ(1, t.host().Count(GRIDN_REREAD));
    EXPECT_EQ(nullptr, gi->updateLocks);
    EXPECT_EQ(0, gi->updateLockLast);

    // A change, an insert and a delete are all rolled back.
    ASSERT_TRUE(GridWriteCell(t.grid(), gi, 1, name, "ONE", GRID_LOCK_UPDATE));
    gi->columns[t.Column("id") - 1].insertMode = 'x';
    ASSERT_TRUE(GridInsertRow(t.grid(), gi, true, false));
    EXPECT_EQ(4, gi->rowCount);
    gi->currentRow = 3;
    ASSERT_TRUE(GridDeleteRow(t.grid(), gi, true));
    EXPECT_EQ(3, gi->rowCount);
    EXPECT_STREQ("ONE", zGridGetText(t.grid(), 1, name, true));
    t.host().ClearNotes();
    EXPECT_TRUE(GridRollback(t.grid(), gi));
    EXPECT_FALSE(gi->transactionPending);
    EXPECT_EQ("one,TWO,three", Names(t));
    EXPECT_EQ(3, gi->rowCount);
    EXPECT_STREQ("one", zGridGetText(t.grid(), 1, name, true));
    ASSERT_GE(t.host().notes().size(), 2u);
    EXPECT_EQ(GRIDN_QUERYROLLBACK, t.host().notes().front().first);
    EXPECT_EQ(GRIDN_ROLLEDBACK, t.host().notes().back().first);

    // Commit without its notification.
    ASSERT_TRUE(GridWriteCell(t.grid(), gi, 3, name, "3", GRID_LOCK_UPDATE));
    t.host().ClearNotes();
    EXPECT_TRUE(GridCommit(t.grid(), gi, false));
    EXPECT_EQ(0, t.host().Count(GRIDN_COMMITTED));
    EXPECT_EQ("one,TWO,3", Names(t));
}

TEST_F(GridTransTest, WithAutoCommitNeitherTouchesTheConnection)
{
    BoundTable t("tr_auto", kItems, kRows, true, "id");
    ASSERT_TRUE(t.ok());
    ASSERT_TRUE(GridWriteCell(t.grid(), t.gi(), 1, t.Column("name"), "uno", GRID_LOCK_UPDATE));
    EXPECT_EQ("uno,two,three", Names(t));
    t.host().ClearNotes();
    EXPECT_TRUE(GridCommit(t.grid(), t.gi(), true));
    EXPECT_FALSE(GridRollback(t.grid(), t.gi()));
    EXPECT_TRUE(t.host().notes().empty());
    EXPECT_EQ("uno,two,three", Names(t));
}

// A row inserted or deleted, or a value the editor wrote, leaves the
// transaction pending until its end; the owner's writes and the emptying
// of the table do not.
TEST_F(GridTransTest, WhatLeavesTheTransactionPending)
{
    struct Row {
        const char* name;
        std::function<void(ZGridWindow&)> change;
        const char* after;  // rows, and row 2's name as the grid reads it
        bool pending;
    } rows[] = {
        {"owner's cell write", [](ZGridWindow& g) { zGridPutText(g.grid(), 2, 2, "mine"); }, "3 mine", false},
        {"value written by the editor",
         [](ZGridWindow& g) {
             g.GoTo(2, 2);
             g.Char('m');
             g.Key(VK_RETURN);
         },
         "3 m", true},
        {"row inserted",
         [](ZGridWindow& g) {
             g.Send(GRIDM_SETINSERTMODE, 1, 'x');
             g.Send(GRIDM_INSERTROW, 0, 0);
         },
         "4 two", true},
        {"row deleted",
         [](ZGridWindow& g) {
             g.Send(GRIDM_GOTOROW, 0, 2);
             g.Send(GRIDM_DELETEROW, 1);
         },
         "2 three", true},
        {"table emptied", [](ZGridWindow& g) { g.Send(GRIDM_CLEAR); }, "0 ", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ASSERT_TRUE(sqlitedsn::Connection().MakeTable("tr_pending", kItems, kRows));
        ZGridWindow g;
        ASSERT_TRUE(g.Browse(sqlitedsn::Name(), "tr_pending", "id", false));
        r.change(g);
        EXPECT_EQ(r.after, std::to_string(g.gi()->rowCount) + " " + zGridGetText(g.grid(), 2, 2, true));
        EXPECT_EQ(r.pending, g.gi()->transactionPending);
        g.Send(GRIDM_ROLLBACK);
        EXPECT_FALSE(g.gi()->transactionPending);
    }
}

TEST(GridTrans, UnboundGridsHaveNoTransaction)
{
    GridHost host(300, 200);
    host.AddColumns({5});
    host.AddRows(1);
    host.ClearNotes();
    EXPECT_TRUE(GridCommit(host.grid(), host.gi(), true));
    EXPECT_FALSE(GridRollback(host.grid(), host.gi()));
    EXPECT_TRUE(host.notes().empty());
}

// Which of the six parts carry an icon, as "101101".
std::string IconParts(HWND bar)
{
    std::string s;
    for (int i = 0; i < GRID_BUTTON_PARTS; ++i)
        s += SendMessageA(bar, SB_GETICON, i, 0) ? '1' : '0';
    return s;
}

std::string Tip(HWND bar, int part)
{
    char text[128] = {};
    SendMessageA(bar, SB_GETTIPTEXTA, MAKEWPARAM(part, sizeof text), reinterpret_cast<LPARAM>(text));
    return text;
}

TEST(GridTrans, TheLibraryHoldsTheButtonIconsAndARealGridShowsThem)
{
    HMODULE corvex = GetModuleHandleA("Corvex.dll");
    ASSERT_NE(nullptr, corvex);
    for (int id : {1000, 1002, 1003, 1004, 1005, 1006, 1007}) {
        SCOPED_TRACE(id);
        EXPECT_NE(nullptr, FindResourceA(corvex, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */));
    }
    ZGridWindow g;
    HWND bar = g.gi()->statusBar;
    ASSERT_TRUE(IsWindow(bar));
    EXPECT_EQ("111111", IconParts(bar));
    HICON seen[GRID_BUTTON_PARTS] = {};
    for (int part = 0; part < GRID_BUTTON_PARTS; ++part) {
        SCOPED_TRACE(part);
        seen[part] = reinterpret_cast<HICON>(SendMessageA(bar, SB_GETICON, part, 0));
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(seen[part], &info));
        BITMAP bm = {};
        GetObjectA(info.hbmColor, sizeof bm, &bm);
        EXPECT_EQ(16, bm.bmWidth);
        EXPECT_EQ(16, bm.bmHeight);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        for (int other = 0; other < part; ++other)
            EXPECT_NE(seen[other], seen[part]) << "each button its own icon";
    }
}

TEST(GridTrans, TheStyleChoosesTheButtons)
{
    struct Row {
        const char* name;
        DWORD style;
        bool autoCommit;
        const char* icons;
    } rows[] = {
        {"all", 0, false, "111111"},
        {"auto-commit", 0, true, "110011"},
        {"no add", GRIDS_NOADD, false, "011111"},
        {"no delete", GRIDS_NODELETE, false, "101111"},
        {"no commit", GRIDS_NOCOMMIT, false, "110111"},
        {"no rollback", GRIDS_NOROLLBACK, false, "111011"},
        {"no buttons", GRIDS_NOBUTTONS, false, "000000"},
        {"no buttons, other bits", GRIDS_NOBUTTONS | GRIDS_NOROWNUMBERS, false, "000000"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ZGridWindow g;
        HWND bar = g.gi()->statusBar;
        g.gi()->autoCommit = r.autoCommit;
        g.Send(GRIDM_SETSTYLE, 0, static_cast<LPARAM>(r.style));
        EXPECT_EQ(r.icons, IconParts(bar));
        for (int part = 0; part < GRID_BUTTON_PARTS; ++part) {
            SCOPED_TRACE(part);
            EXPECT_EQ(r.icons[part] == '1' ? GridButtonTip(part) : "", Tip(bar, part));
        }
        EXPECT_EQ((r.style & GRIDS_NOROWNUMBERS) != 0, g.gi()->hideRowNumbers);
        EXPECT_TRUE(GetWindowLongA(bar, GWL_STYLE) & WS_VISIBLE);
    }
}

// Run by the entries test_corvex_grid_italian and test_corvex_grid_swiss,
// whose locale (LC_ALL) gives the language GRID_TEST_LANGUAGE names: only
// Italy's Italian has the Italian tool tips.
TEST(GridLanguage, ToolTipsAreItalianOnlyForItalyItalian)
{
    const char* language = std::getenv("GRID_TEST_LANGUAGE");
    ASSERT_NE(nullptr, language) << "GRID_TEST_LANGUAGE names the language of the run's locale";
    ASSERT_EQ(std::atoi(language), GetUserDefaultLangID()) << "the locale of this run";
    struct Row {
        LANGID language;
        const char* add;
        const char* numbers;
    } rows[] = {
        {1040, "Aggiungi una riga(Ctrl+A)", "Nascondi/Mostra i numeri di riga(Ctrl+B)"},
        {2064, "Add a row(Ctrl+A)", "Hide/Show row'snumbers(Ctrl+B)"},
    };
    const Row* row = nullptr;
    for (const Row& r : rows)
        row = r.language == GetUserDefaultLangID() ? &r : row;
    ASSERT_NE(nullptr, row) << "a language this test knows";
    ZGridWindow g;
    EXPECT_EQ(row->add, Tip(g.gi()->statusBar, 0));
    EXPECT_EQ(row->numbers, Tip(g.gi()->statusBar, 5));
}

TEST(GridTrans, TheStatusBarHidesAndShows)
{
    ZGridWindow g;
    HWND bar = g.gi()->statusBar;
    ASSERT_GT(g.gi()->statusBarHeight, 0);
    g.Send(GRIDM_SETSTYLE, 0, GRIDS_NOSTATUSBAR);
    EXPECT_FALSE(GetWindowLongA(bar, GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(g.gi()->statusBarHidden);
    EXPECT_EQ(0, g.gi()->statusBarHeight);
    g.Send(GRIDM_SHOWSTATUSBAR);
    EXPECT_TRUE(GetWindowLongA(bar, GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(g.gi()->statusBarHidden);
    EXPECT_GT(g.gi()->statusBarHeight, 0);
}

// Unbound rows: column 1 holds the row's name.
std::string Order(GridHost& host)
{
    std::string s;
    for (int r = 1; r <= host.gi()->rowCount; ++r)
        s += std::string(r > 1 ? "," : "") + zGridGetText(host.grid(), r, 1, true);
    return s;
}

void NameRows(GridHost& host, const std::vector<const char*>& names)
{
    host.AddRows(static_cast<int>(names.size()));
    for (size_t i = 0; i < names.size(); ++i)
        zGridPutText(host.grid(), static_cast<long>(i + 1), 1, names[i]);
    host.ClearNotes();
}

TEST(GridTrans, RowCommandsOfAnUnboundGrid)
{
    GridHost host(400, 200);
    host.AddColumns({6, 4});
    GRIDINFO* gi = host.gi();
    GridSetText(gi->columns[1].defaultText, "dflt");
    NameRows(host, {"a", "b", "c"});

    gi->currentRow = 2;
    ASSERT_TRUE(GridInsertRowBefore(host.grid(), gi));
    EXPECT_EQ("a,,b,c", Order(host));
    EXPECT_EQ(2, gi->currentRow);
    EXPECT_STREQ("dflt", zGridGetText(host.grid(), 2, 2, true));

    gi->currentRow = 4;
    ASSERT_TRUE(GridDeleteRowCommand(host.grid(), gi, true));
    EXPECT_EQ("a,,b", Order(host));
    EXPECT_EQ(3, gi->currentRow);
    host.ClearNotes();

    ASSERT_TRUE(GridAddRowCommand(host.grid(), gi));
    EXPECT_EQ(4, gi->rowCount);
    EXPECT_EQ(4, gi->currentRow);
    EXPECT_EQ(1, host.Count(GRIDN_INSERTED));
}

TEST(GridTrans, RowCommandsRespectTheStyleAndReadOnly)
{
    struct Row {
        const char* name;
        DWORD style;
        bool readOnly;
        bool add, del;
    } rows[] = {
        {"free", 0, false, true, true},
        {"no add", GRIDS_NOADD, false, false, true},
        {"no delete", GRIDS_NODELETE, false, true, false},
        {"read only", 0, true, false, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        GridHost host(400, 200, r.style);
        host.AddColumns({6});
        NameRows(host, {"a", "b"});
        host.gi()->readOnly = r.readOnly;
        host.gi()->currentRow = 1;
        EXPECT_EQ(r.add, GridAddRowCommand(host.grid(), host.gi()));
        EXPECT_EQ(r.del, GridDeleteRowCommand(host.grid(), host.gi(), true));
        EXPECT_EQ(2 + (r.add ? 1 : 0) - (r.del ? 1 : 0), host.gi()->rowCount);
        EXPECT_EQ(r.add ? 1 : 0, host.Count(GRIDN_INSERTED));
        EXPECT_EQ(r.del ? 1 : 0, host.Count(GRIDN_DELETED));
    }
}

// The real "zgrid" window: its status bar's parts are the buttons.
std::vector<int> g_windowNotes;

LRESULT CALLBACK NoteParent(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && HIWORD(wParam) >= GRIDN_DATACHANGED)
        g_windowNotes.push_back(HIWORD(wParam));
    return DefWindowProcA(window, msg, wParam, lParam);
}

void ClickPart(HWND grid, HWND bar, int part)
{
    NMMOUSE click = {};
    click.hdr.hwndFrom = bar;
    click.hdr.idFrom = GetDlgCtrlID(bar);
    click.hdr.code = NM_CLICK;
    click.dwItemSpec = part;
    SendMessageA(grid, WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
}

TEST(GridTrans, ClicksOnTheButtonsOfARealGridRunTheCommands)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = NoteParent;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "CorvexGridTransTestParent";
    RegisterClassA(&wc);
    HWND parent = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 500, 400, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    HWND grid = CreateWindowExA(0, "zgrid", "", WS_CHILD | WS_VISIBLE, 0, 0, 400, 300, parent, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, grid) << GetLastError();
    GRIDINFO* gi = GridInfo(grid);
    ASSERT_NE(nullptr, gi);
    ASSERT_TRUE(gi->statusBar);
    EXPECT_EQ(GridButtonTip(GRID_PART_ADD), Tip(gi->statusBar, GRID_PART_ADD));
    EXPECT_EQ(GridButtonTip(GRID_PART_COMMIT), Tip(gi->statusBar, GRID_PART_COMMIT));
    zGridColAdd(grid, 6, 0, "a", "a", 6, GRID_TEXT, 0, "", true);
    g_windowNotes.clear();
    ClickPart(grid, gi->statusBar, GRID_PART_ADD);
    ClickPart(grid, gi->statusBar, GRID_PART_ADD);
    EXPECT_EQ(2, gi->rowCount);
    EXPECT_EQ(2, std::count(g_windowNotes.begin(), g_windowNotes.end(), static_cast<int>(GRIDN_INSERTED)));
    ClickPart(grid, gi->statusBar, GRID_PART_DELETE);
    EXPECT_EQ(1, gi->rowCount);
    EXPECT_EQ(1, std::count(g_windowNotes.begin(), g_windowNotes.end(), static_cast<int>(GRIDN_DELETED)));
    // An unbound grid has no transaction: commit and rollback say nothing.
    ClickPart(grid, gi->statusBar, GRID_PART_COMMIT);
    ClickPart(grid, gi->statusBar, GRID_PART_ROLLBACK);
    EXPECT_EQ(0, std::count(g_windowNotes.begin(), g_windowNotes.end(), static_cast<int>(GRIDN_COMMITTED)));
    EXPECT_EQ(0, std::count(g_windowNotes.begin(), g_windowNotes.end(), static_cast<int>(GRIDN_ROLLEDBACK)));
    DestroyWindow(parent);
}

TEST(GridTrans, WithAutoCommitTheCommitAndRollbackPartsDoNothing)
{
    ZGridWindow g(true);
    g.gi()->autoCommit = true;
    g.Send(GRIDM_SETSTYLE, 0, 0);
    struct Row {
        const char* name;
        int part;
        bool takesFocus;
    } rows[] = {
        {"commit", GRID_PART_COMMIT, false},
        {"rollback", GRID_PART_ROLLBACK, false},
        {"refresh", GRID_PART_REFRESH, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        SetFocus(g.parent());
        ASSERT_EQ(g.parent(), GetFocus());
        ClickPart(g.grid(), g.gi()->statusBar, r.part);
        EXPECT_EQ(r.takesFocus ? g.grid() : g.parent(), GetFocus());
    }
}

}  // namespace
