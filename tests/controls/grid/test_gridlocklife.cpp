// The life of a bound grid's lock statements: an in-place edit leaves none
// open behind it, and closing a browse (browsing again, destroying the
// window) drops what is still held, once.

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

}  // namespace
