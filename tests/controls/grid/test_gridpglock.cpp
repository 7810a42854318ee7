// Row locks of a bound grid against a server that locks rows: PostgreSQL,
// with a second connection of the test's own that holds a row, or finds
// the row held by the grid. A conflicting lock fails after the data
// source's lock_timeout.

#include "boxwatcher.h"
#include "pgdsn.h"
#include "zgridwindow.h"

#include "corvex.h"
#include "gridlock.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

const char kNotAccessible[] = "ATTENZIONE: record non accessibile. Transazione in atto.";
const char kNoKey[] = "ATTENZIONE: impossibile effettuare il lock. Nessuna chiave disponibile.";

bool MakeItems(const std::string& table, bool withKey = true)
{
    std::string key = withKey ? " PRIMARY KEY" : "";
    return sqlitedsn::Connection(pgdsn::TheServer().name)
        .MakeTable(table, "id INTEGER" + key + ", name VARCHAR(20), qty INTEGER",
                   {"1, 'one', 1", "2, 'two', 2", "3, 'three', 3"});
}

std::string Value(const std::string& query)
{
    sqlitedsn::Connection db(pgdsn::TheServer().name);
    return db.Value(query);
}

// Whether another connection can change the row now (false: it is locked).
bool OthersCanChange(const std::string& table, int id)
{
    sqlitedsn::Connection other(pgdsn::TheServer().name);
    return SQL_SUCCEEDED(other.Run("UPDATE " + table + " SET qty=qty WHERE id=" + std::to_string(id)));
}

class GridPgLock : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(pgdsn::TheServer().name.empty()) << pgdsn::TheServer().problem; }
};

TEST_F(GridPgLock, AChangeOfARowAnotherConnectionHoldsIsRefused)
{
    struct Row {
        const char* name;
        std::function<void(ZGridWindow&)> change;  // on row 2
        const char* after;                         // "name|count" once it went through
    } rows[] = {
        {"owner's cell write", [](ZGridWindow& g) { zGridPutText(g.grid(), 2, 2, "mine"); }, "mine|3"},
        {"in-place edit",
         [](ZGridWindow& g) {
             g.GoTo(2, 2);
             g.Char('m');
             if (g.editor()) {
                 g.Char('e');
                 g.Key(VK_RETURN);
             }
         },
         "me|3"},
        {"row deletion",
         [](ZGridWindow& g) {
             g.Send(GRIDM_GOTOROW, 0, 2);
             g.Send(GRIDM_DELETEROW, 1);
         },
         "|2"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ASSERT_TRUE(MakeItems("pg_held"));
        ZGridWindow g;
        ASSERT_TRUE(g.Browse(pgdsn::TheServer().name, "pg_held", "id", true));
        const std::string state =
            "SELECT COALESCE((SELECT name FROM pg_held WHERE id=2), '') || '|' || COUNT(*) FROM pg_held";
        {
            BoxWatcher watcher;
            sqlitedsn::Connection other(pgdsn::TheServer().name);
            pgdsn::BeginTransaction(other);
            ASSERT_TRUE(SQL_SUCCEEDED(other.Run("SELECT id FROM pg_held WHERE id=2 FOR UPDATE")));
            r.change(g);
            EXPECT_EQ(nullptr, g.editor()) << "no editor on a row that cannot be locked";
            auto boxes = watcher.boxes();
            ASSERT_EQ(1u, boxes.size());
            EXPECT_EQ("Warning", boxes[0].caption);
            EXPECT_EQ(kNotAccessible, boxes[0].text);
            pgdsn::Rollback(other);
        }
        EXPECT_EQ("two|3", Value(state)) << "nothing changed";
        // Once the other connection let the row go, the same change goes through.
        BoxWatcher watcher;
        r.change(g);
        EXPECT_EQ(r.after, Value(state));
        EXPECT_TRUE(watcher.boxes().empty());
    }
}

TEST_F(GridPgLock, TheGridHoldsTheRowsItChangesUntilCommitOrRollback)
{
    struct Row {
        const char* name;
        std::function<void(ZGridWindow&)> change;  // on row 1
        const char* shown;                         // row 1's name as the grid reads it before the end
        UINT end;                                  // commit or rollback
        const char* stored;                        // row 1's name afterwards
    } rows[] = {
        {"written, then committed", [](ZGridWindow& g) { zGridPutText(g.grid(), 1, 2, "mine"); }, "mine",
         GRIDM_COMMIT, "mine"},
        {"written, then rolled back", [](ZGridWindow& g) { zGridPutText(g.grid(), 1, 2, "mine"); }, "mine",
         GRIDM_ROLLBACK, "one"},
        {"edited in place, then committed",
         [](ZGridWindow& g) {
             g.GoTo(1, 2);
             g.Char('m');
             g.Key(VK_RETURN);
         },
         "m", GRIDM_COMMIT, "m"},
        {"an edit left open, then rolled back",
         [](ZGridWindow& g) {
             g.GoTo(1, 2);
             g.Char('m');
             ASSERT_NE(nullptr, g.editor());
             g.Send(GRIDM_ENDEDIT);
         },
         "one", GRIDM_ROLLBACK, "one"},
        // A lock no write used (a long text's read takes one) is still held at the end.
        {"written and locked again, then committed",
         [](ZGridWindow& g) {
             zGridPutText(g.grid(), 1, 2, "mine");
             ASSERT_TRUE(GridLock(g.grid(), g.gi(), 1, 2, GRID_LOCK_EDIT));
         },
         "mine", GRIDM_COMMIT, "mine"},
        {"written and locked again, then rolled back",
         [](ZGridWindow& g) {
             zGridPutText(g.grid(), 1, 2, "mine");
             ASSERT_TRUE(GridLock(g.grid(), g.gi(), 1, 2, GRID_LOCK_EDIT));
         },
         "mine", GRIDM_ROLLBACK, "one"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ASSERT_TRUE(MakeItems("pg_mine"));
        ZGridWindow g;
        ASSERT_TRUE(g.Browse(pgdsn::TheServer().name, "pg_mine", "id", false));
        r.change(g);
        EXPECT_FALSE(OthersCanChange("pg_mine", 1)) << "the grid holds row 1";
        EXPECT_TRUE(OthersCanChange("pg_mine", 2)) << "and no other row";
        EXPECT_STREQ(r.shown, zGridGetText(g.grid(), 1, 2, true)) << "the grid shows what it wrote";
        // The transaction ends with the locks still held; they go once the
        // table has been read again.
        int held = OpenLockStatements(g.gi()), heldAtReread = -1;
        g.heard = [&](int code) {
            if (code == GRIDN_REREAD)
                heldAtReread = OpenLockStatements(g.gi());
        };
        g.Send(r.end, 0);
        EXPECT_EQ(held, heldAtReread);
        EXPECT_EQ(0, OpenLockStatements(g.gi()));
        EXPECT_TRUE(OthersCanChange("pg_mine", 1)) << "the transaction's end let it go";
        EXPECT_EQ(r.stored, Value("SELECT name FROM pg_mine WHERE id=1"));
    }
}

TEST_F(GridPgLock, ATableWithoutKeyCannotBeLocked)
{
    ASSERT_TRUE(MakeItems("pg_nokey", false));
    ZGridWindow g;
    ASSERT_TRUE(g.Browse(pgdsn::TheServer().name, "pg_nokey", "id", true));
    BoxWatcher watcher;
    zGridPutText(g.grid(), 1, 2, "mine");
    auto boxes = watcher.boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(kNoKey, boxes[0].text);
    EXPECT_EQ("one", Value("SELECT name FROM pg_nokey WHERE id=1"));
}

}  // namespace
