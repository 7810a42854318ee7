// The life of a bound grid's lock statements: an in-place edit leaves none
// open behind it, and closing a browse (browsing again, destroying the
// window) drops what is still held, once.

#include "boxwatcher.h"
#include "sqlitedsn.h"
#include "zgridwindow.h"

#include "corvex.h"
#include "gridlock.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

bool MakeItems(const std::string& table)
{
    std::vector<std::string> rows;
    for (int i = 1; i <= 5; ++i)
        rows.push_back(std::to_string(i) + ", 'item" + std::to_string(i) + "'");
    return sqlitedsn::Connection().MakeTable(table, "id INTEGER PRIMARY KEY, name VARCHAR(12)", rows);
}

std::string NameOf(const std::string& table, int id)
{
    sqlitedsn::Connection db;
    return db.Value("SELECT name FROM " + table + " WHERE id=" + std::to_string(id));
}

TEST(GridLockLife, InPlaceEditsLeaveNoLockStatementOpen)
{
    ASSERT_FALSE(sqlitedsn::Name().empty()) << sqlitedsn::Problem();
    for (bool autoCommit : {true, false}) {
        SCOPED_TRACE(autoCommit ? "auto-commit" : "transaction");
        ASSERT_TRUE(MakeItems("ll_edits"));
        ZGridWindow g;
        ASSERT_TRUE(g.Browse(sqlitedsn::Name(), "ll_edits", "id", autoCommit));
        for (int row = 1; row <= 3; ++row) {
            SCOPED_TRACE("edit of row " + std::to_string(row));
            g.Send(GRIDM_GOTOROW, 0, row);
            g.Send(GRIDM_GOTOCOLUMN, 2);
            g.Char('x');
            ASSERT_NE(nullptr, g.editor());
            g.Char('y');
            g.Key(VK_RETURN);
            EXPECT_EQ(nullptr, g.editor()) << "accepted";
            EXPECT_EQ(0, OpenLockStatements(g.gi()));
        }
        EXPECT_EQ(1, g.Send(GRIDM_COMMIT, 0));
        EXPECT_EQ(0, OpenLockStatements(g.gi()));
        for (int id = 1; id <= 3; ++id)
            EXPECT_EQ("xy", NameOf("ll_edits", id));
    }
}

TEST(GridLockLife, ClosingABrowseDropsTheLocksItStillHolds)
{
    ASSERT_FALSE(sqlitedsn::Name().empty()) << sqlitedsn::Problem();
    struct Row {
        const char* name;
        std::function<void(ZGridWindow&)> after;  // what follows the second browse
    } rows[] = {
        {"then commit", [](ZGridWindow& g) { g.Send(GRIDM_COMMIT, 1); }},
        {"then rollback", [](ZGridWindow& g) { g.Send(GRIDM_ROLLBACK); }},
        {"then the window goes", [](ZGridWindow& g) { DestroyWindow(g.grid()); }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ASSERT_TRUE(MakeItems("ll_close"));
        ZGridWindow g;
        ASSERT_TRUE(g.Browse(sqlitedsn::Name(), "ll_close", "id", false));
        // Locks taken and not yet used by a write or a delete.
        ASSERT_TRUE(GridLock(g.grid(), g.gi(), 1, 2, GRID_LOCK_UPDATE));
        ASSERT_TRUE(GridLock(g.grid(), g.gi(), 2, 2, GRID_LOCK_DELETE));
        ASSERT_EQ(2, OpenLockStatements(g.gi()));
        ASSERT_TRUE(g.Browse(sqlitedsn::Name(), "ll_close", "id", false));
        GRIDINFO* gi = g.gi();
        EXPECT_EQ(0, OpenLockStatements(gi));
        EXPECT_EQ(nullptr, gi->editLocks);
        EXPECT_EQ(0, gi->editLockLast);
        EXPECT_EQ(nullptr, gi->updateLocks);
        EXPECT_EQ(0, gi->updateLockLast);
        r.after(g);
        // The grid still works on its new connection (or is gone cleanly).
        if (IsWindow(g.grid())) {
            zGridPutText(g.grid(), 3, 2, "again");
            g.Send(GRIDM_COMMIT, 0);
            EXPECT_EQ("again", NameOf("ll_close", 3));
        }
    }
}

// A column the owner added without an SQL name has nothing to write to:
// each write of it is refused as a failed statement is (its box, as errors
// are shown), and a row can still be deleted while it is current.
TEST(GridLockLife, AColumnWithoutSqlNameIsRefusedNotFatal)
{
    ASSERT_FALSE(sqlitedsn::Name().empty()) << sqlitedsn::Problem();
    struct Row {
        const char* name;
        std::function<void(ZGridWindow&)> change;  // on row 1, the nameless column
        size_t boxes;
        const char* after;  // "rows|name of id 1"
    } rows[] = {
        {"owner's write", [](ZGridWindow& g) { zGridPutText(g.grid(), 1, 3, "x"); }, 1, "5|item1"},
        {"typed",
         [](ZGridWindow& g) {
             g.Char('x');
             g.Key(VK_RETURN);
             g.Key(VK_ESCAPE);
         },
         1, "5|item1"},
        {"row deleted", [](ZGridWindow& g) { g.Send(GRIDM_DELETEROW, 1); }, 0, "4|"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ASSERT_TRUE(MakeItems("ll_noname"));
        ZGridWindow g;
        ASSERT_TRUE(g.Browse(sqlitedsn::Name(), "ll_noname", "id", true));
        zGridColAdd(g.grid(), 10, 0, "X", "", 10, GRID_TEXT, 0, "", true);
        g.Send(GRIDM_SETSHOWERRORS, 1);
        g.Send(GRIDM_GOTOROW, 0, 1);
        g.Send(GRIDM_GOTOCOLUMN, 3);
        ASSERT_EQ(3, g.gi()->currentColumn);
        BoxWatcher watcher;
        r.change(g);
        EXPECT_EQ(r.boxes, watcher.boxes().size());
        EXPECT_EQ(nullptr, g.editor());
        EXPECT_EQ(0, OpenLockStatements(g.gi()));
        sqlitedsn::Connection db;
        EXPECT_EQ(r.after, db.Value("SELECT COUNT(*) || '|' || COALESCE((SELECT name FROM ll_noname WHERE id=1), '') "
                                    "FROM ll_noname"));
    }
}

// Long-binary and bitmap cells get no editor: a double click on one leaves
// no lock of its row behind.
TEST(GridLockLife, AnEditThatOpensNoEditorHoldsNoLock)
{
    ASSERT_FALSE(sqlitedsn::Name().empty()) << sqlitedsn::Problem();
    struct Row {
        const char* name;
        const char* columns;
        WORD type;  // set on column 2 through the grid's message; 0 keeps the table's
    } rows[] = {
        {"long binary column", "id INTEGER PRIMARY KEY, data LONGVARBINARY", 0},
        {"bitmap type set", "id INTEGER PRIMARY KEY, data VARCHAR(12)", GRID_BITMAP},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ASSERT_TRUE(sqlitedsn::Connection().MakeTable("ll_noeditor", r.columns, {"1, NULL", "2, NULL"}));
        ZGridWindow g;
        ASSERT_TRUE(g.Browse(sqlitedsn::Name(), "ll_noeditor", "id", false));
        if (r.type)
            g.Send(GRIDM_SETTYPE, 2, r.type);
        ASSERT_EQ(r.type ? r.type : WORD(GRID_BINARY), g.Send(GRIDM_GETTYPE, 2));
        g.Send(GRIDM_GOTOROW, 0, 2);
        g.Send(GRIDM_GOTOCOLUMN, 2);
        POINT pt = g.CellCentre(2, 2);
        g.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
        EXPECT_EQ(nullptr, g.editor());
        EXPECT_EQ(0, OpenLockStatements(g.gi()));
    }
}

}  // namespace
