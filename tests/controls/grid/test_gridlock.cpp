// Row locks and the statements that change a bound grid's table, on real
// SQLite tables through Wine's odbc32, unixODBC and the SQLite driver; every
// change is read back with plain SQL on a connection of the test's own.

#include "boundtable.h"
#include "boxwatcher.h"

#include "corvex.h"
#include "gridbrowse.h"
#include "gridcells.h"
#include "griddates.h"
#include "gridlock.h"
#include "gridlockkeys.h"
#include "gridwindow.h"
#include "gridwndparts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

const char kItems[] = "id INTEGER PRIMARY KEY, name VARCHAR(20), price DOUBLE, qty INTEGER, flag BIT";

std::vector<std::string> ItemRows(int n)
{
    std::vector<std::string> rows;
    for (int i = 1; i <= n; ++i)
        rows.push_back(std::to_string(i) + ", 'item" + std::to_string(i) + "', " + std::to_string(i) + ".5, " +
                       std::to_string(i * 10) + ", 0");
    return rows;
}

// The row the row marker shows; 0 while it is hidden.
int MarkedRow(const GRIDINFO* gi)
{
    char text[16] = "";
    GetWindowTextA(gi->rowMarker, text, sizeof text);
    return (GetWindowLongA(gi->rowMarker, GWL_STYLE) & WS_VISIBLE) ? atoi(text) : 0;
}

const char* Yes()
{
    return GetUserDefaultLangID() == 1040 ? "S\xEC" : "Yes";
}

class GridLockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (sqlitedsn::Name().empty())
            FAIL() << sqlitedsn::Problem();
    }
};

TEST_F(GridLockTest, CellWritesReachTheRowOfTheirKey)
{
    BoundTable t("lk_items", kItems, ItemRows(5), true, "id");
    ASSERT_TRUE(t.ok());
    // The rows the grid shows are those not named "gone".
    GridSetText(t.gi()->whereClause, "name IS NOT 'gone'");
    GridReload(t.grid(), t.gi());
    GridChangeRow(t.grid(), t.gi(), 3, 1);
    struct Row {
        const char* name;
        const char* column;
        const char* written;
        const char* stored;  // SQL text of the value, "NULL" for none
    } rows[] = {
        {"plain text", "name", "bolt", "bolt"},
        {"quote in a text", "name", "O'Brien's", "O'Brien's"},
        {"empty text is null", "name", "", "NULL"},
        {"integer", "qty", "42", "42"},
        {"negative integer kept", "qty", "-5", "-5"},
        {"integer separators dropped", "qty", "1.234", "1234"},
        {"empty integer is zero", "qty", "", "0"},
        {"float comma", "price", "12,5", "12.5"},
        {"float thousands", "price", "1.234,25", "1234.25"},
        {"boolean no", "flag", "no", "0"},
        {"boolean yes", "flag", "Yes", "1"},
        {"boolean si", "flag", "S\xEC", "1"},
        {"boolean empty", "flag", "", "0"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        int row = t.RowWhere("id", "3");
        ASSERT_EQ(3, row);
        t.host().ClearNotes();
        zGridPutText(t.grid(), row, t.Column(r.column), r.written);
        std::string column = r.column;
        EXPECT_EQ(r.stored, t.Sql("SELECT COALESCE(" + column + ", 'NULL') FROM lk_items WHERE id=3"));
        // The parent hears of the write alone, and the marker stays on the row.
        std::vector<std::pair<int, int>> notes = {{GRIDN_DATACHANGED, t.Column(r.column)},
                                                  {GRIDN_CELLWRITTEN, t.Column(r.column)}};
        EXPECT_EQ(notes, t.host().notes());
        EXPECT_EQ(3, MarkedRow(t.gi()));
        // No other row changed, and no lock statement is left behind.
        EXPECT_EQ("item2|item4", t.Sql("SELECT GROUP_CONCAT(name, '|') FROM lk_items WHERE id IN (2, 4)"));
        EXPECT_EQ(nullptr, GridCurrentLock(t.gi(), GRID_LOCK_UPDATE));
    }
    // The grid reads the stored value back.
    zGridPutText(t.grid(), 3, t.Column("flag"), "yes");
    EXPECT_EQ("1", t.Sql("SELECT flag FROM lk_items WHERE id=3"));
    EXPECT_STREQ(Yes(), zGridGetText(t.grid(), 3, t.Column("flag"), true));
    EXPECT_TRUE(zGridGetBool(t.grid(), 3, t.Column("flag")));
    // The cursor stays on its record wherever a write puts it (row 3's name is
    // NULL now); a record gone from the grid leaves the row in its place current.
    struct Move {
        const char *name, *order;
        int current, written;  // rows
        const char* value;     // the name written
        int row;               // the current row afterwards,
        const char* id;        // and its record
    } moves[] = {
        {"its own name sorts it last", "name", 2, 2, "zzz", 5, "1"},
        {"a row above leaves the grid", "id", 3, 2, "gone", 2, "3"},
        {"the last row leaves the grid", "id", 4, 4, "gone", 3, "4"},
    };
    for (const Move& m : moves) {
        SCOPED_TRACE(m.name);
        GridSetText(t.gi()->orderByClause, m.order);
        GridReload(t.grid(), t.gi());
        GridChangeRow(t.grid(), t.gi(), m.current, 1);
        t.host().ClearNotes();
        zGridPutText(t.grid(), m.written, t.Column("name"), m.value);
        EXPECT_EQ(m.row, t.gi()->currentRow);
        EXPECT_EQ(m.row, MarkedRow(t.gi()));
        EXPECT_STREQ(m.id, zGridGetText(t.grid(), t.gi()->currentRow, t.Column("id"), true));
        EXPECT_EQ(1, t.host().Count(GRIDN_ROWCHANGED)) << "the owner hears of the new row number";
    }
}

TEST_F(GridLockTest, TextKeysWithQuotesAndEmptyKeysFindTheirRow)
{
    BoundTable t("lk_codes", "code VARCHAR(20) PRIMARY KEY, name VARCHAR(20)",
                 {"'A''1', 'quoted'", "'A', 'plain'", "NULL, 'nokey'", "'A'' OR ''1''=''1', 'tricky'"}, true,
                 "name");
    ASSERT_TRUE(t.ok());
    ASSERT_EQ(4, t.gi()->rowCount);
    struct Row {
        const char* name;
        const char* where;
    } rows[] = {
        {"quote in the key", "code='A''1'"},
        {"key that looks like SQL", "code='A'' OR ''1''=''1'"},
        {"null key", "code IS NULL"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::string where = r.where;
        std::string old = t.Sql("SELECT name FROM lk_codes WHERE " + where);
        int row = t.RowWhere("name", old);
        ASSERT_GT(row, 0);
        ASSERT_TRUE(GridWriteCell(t.grid(), t.gi(), row, t.Column("name"), (old + "2").c_str(), GRID_LOCK_UPDATE));
        EXPECT_EQ(old + "2", t.Sql("SELECT name FROM lk_codes WHERE " + where));
        EXPECT_EQ("plain", t.Sql("SELECT name FROM lk_codes WHERE code='A'"));
    }
}

TEST_F(GridLockTest, AllColumnsOfACompositeKeyIdentifyTheRow)
{
    BoundTable t("lk_pairs", "a INTEGER, b INTEGER, name VARCHAR(10), PRIMARY KEY (a, b)",
                 {"1, 1, 'one'", "1, 2, 'two'", "2, 1, 'three'"}, true, "a, b");
    ASSERT_TRUE(t.ok());
    ASSERT_EQ(2u, GridKeyParts(t.gi()).size());
    ASSERT_TRUE(GridWriteCell(t.grid(), t.gi(), 2, t.Column("name"), "deux", GRID_LOCK_UPDATE));
    EXPECT_EQ("one|deux|three", t.Sql("SELECT GROUP_CONCAT(name, '|') FROM (SELECT name FROM lk_pairs ORDER BY a, b)"));
}

TEST_F(GridLockTest, ATableWithoutKeyCannotBeChanged)
{
    BoundTable t("lk_nokey", "name VARCHAR(10), qty INTEGER", {"'a', 1", "'b', 2"}, true, "name");
    ASSERT_TRUE(t.ok());
    BoxWatcher watcher;
    EXPECT_FALSE(GridWriteCell(t.grid(), t.gi(), 1, 2, "7", GRID_LOCK_UPDATE));
    t.gi()->currentRow = 1;
    t.gi()->currentColumn = 1;
    EXPECT_FALSE(GridDeleteRow(t.grid(), t.gi(), true));
    EXPECT_EQ("1", t.Sql("SELECT qty FROM lk_nokey WHERE name='a'"));
    EXPECT_EQ("2", t.Sql("SELECT COUNT(*) FROM lk_nokey"));
    EXPECT_EQ(0, t.host().Count(GRIDN_CELLWRITTEN));
    EXPECT_EQ(0, t.host().Count(GRIDN_DELETED));
    auto boxes = watcher.boxes();
    ASSERT_EQ(2u, boxes.size());
    for (const auto& box : boxes) {
        EXPECT_EQ("Warning", box.caption);
        EXPECT_EQ("ATTENZIONE: impossibile effettuare il lock. Nessuna chiave disponibile.", box.text);
    }
    // Out of range is refused without a word.
    EXPECT_FALSE(GridLock(t.grid(), t.gi(), 3, 1, GRID_LOCK_EDIT));
    EXPECT_FALSE(GridLock(t.grid(), t.gi(), 1, 0, GRID_LOCK_EDIT));
    EXPECT_EQ(2u, watcher.boxes().size());
}

TEST_F(GridLockTest, ARowGoneSinceTheReadIsReportedAndReadAgain)
{
    BoundTable t("lk_gone", kItems, ItemRows(3), true, "id");
    ASSERT_TRUE(t.ok());
    sqlitedsn::Connection db;
    ASSERT_EQ(SQL_SUCCESS, db.Run("DELETE FROM lk_gone WHERE id=2"));
    BoxWatcher watcher;
    EXPECT_FALSE(GridWriteCell(t.grid(), t.gi(), 2, t.Column("name"), "late", GRID_LOCK_UPDATE));
    auto boxes = watcher.boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("ATTENZIONE: record non accessibile. Transazione in atto.", boxes[0].text);
    EXPECT_EQ(2, t.gi()->rowCount);
    EXPECT_GE(t.host().Count(GRIDN_REREAD), 1);
    EXPECT_EQ("0", t.Sql("SELECT COUNT(*) FROM lk_gone WHERE name='late'"));
}

TEST_F(GridLockTest, AWriteBlockedByAnotherConnectionFails)
{
    BoundTable t("lk_busy", kItems, ItemRows(3), true, "id");
    ASSERT_TRUE(t.ok());
    sqlitedsn::Connection other;
    ASSERT_EQ(SQL_SUCCESS, other.Run("BEGIN IMMEDIATE"));
    ASSERT_EQ(SQL_SUCCESS, other.Run("UPDATE lk_busy SET qty=99 WHERE id=1"));
    DWORD start = GetTickCount();
    EXPECT_FALSE(GridWriteCell(t.grid(), t.gi(), 1, t.Column("name"), "mine", GRID_LOCK_UPDATE));
    EXPECT_LT(GetTickCount() - start, 10000u);
    EXPECT_EQ(0, t.host().Count(GRIDN_CELLWRITTEN));
    other.Run("ROLLBACK");
    EXPECT_EQ("item1", t.Sql("SELECT name FROM lk_busy WHERE id=1"));
    // Once the other connection is done, the same write goes through.
    EXPECT_TRUE(GridWriteCell(t.grid(), t.gi(), 1, t.Column("name"), "mine", GRID_LOCK_UPDATE));
    EXPECT_EQ("mine", t.Sql("SELECT name FROM lk_busy WHERE id=1"));
}

TEST_F(GridLockTest, InsertedRowsTakeDefaultsAndNumbers)
{
    BoundTable t("lk_ins", kItems, ItemRows(4), true, "id");
    ASSERT_TRUE(t.ok());
    GRIDINFO* gi = t.gi();
    gi->columns[t.Column("id") - 1].insertMode = 'x';
    gi->columns[t.Column("name") - 1].insertMode = 'i';
    GridSetText(gi->columns[t.Column("name") - 1].defaultText, "new 'one'");
    gi->columns[t.Column("price") - 1].insertMode = 'i';
    GridSetText(gi->columns[t.Column("price") - 1].defaultText, "2.25");
    ASSERT_TRUE(GridInsertRow(t.grid(), gi, true, true));
    EXPECT_EQ("new 'one'|2.25|NULL", t.Sql("SELECT name || '|' || price || '|' || COALESCE(qty, 'NULL') FROM lk_ins WHERE id=5"));
    EXPECT_EQ(5, gi->rowCount);
    EXPECT_EQ(5, gi->currentRow);
    std::vector<std::pair<int, int>> want = {{GRIDN_QUERYCHANGE, GRID_CHANGE_INSERT}, {GRIDN_QUERYINSERT, 0},
                                             {GRIDN_DATACHANGED, 0}, {GRIDN_INSERTED, 0},
                                             {GRIDN_CHANGED, GRID_CHANGE_INSERT}};
    std::vector<std::pair<int, int>> got;
    for (const auto& note : t.host().notes())
        for (const auto& w : want)
            if (note.first == w.first)
                got.push_back(note);
    EXPECT_EQ(want, got);

    // A second insert numbers on from the new maximum; a refusal inserts nothing.
    ASSERT_TRUE(GridInsertRow(t.grid(), gi, false, false));
    EXPECT_EQ("6", t.Sql("SELECT MAX(id) FROM lk_ins"));
    EXPECT_EQ(5, MarkedRow(gi)) << "the cursor stays, and so does its marker";
    t.host().Reply(GRIDN_QUERYINSERT, 1);
    EXPECT_FALSE(GridInsertRow(t.grid(), gi, true, true));
    EXPECT_EQ("6", t.Sql("SELECT COUNT(*) FROM lk_ins"));
}

TEST_F(GridLockTest, AConflictingKeyFailsTheInsert)
{
    BoundTable t("lk_dup", kItems, ItemRows(3), true, "id");
    ASSERT_TRUE(t.ok());
    GRIDINFO* gi = t.gi();
    gi->columns[t.Column("id") - 1].insertMode = 'i';
    GridSetText(gi->columns[t.Column("id") - 1].defaultText, "2");
    t.host().ClearNotes();
    EXPECT_FALSE(GridInsertRow(t.grid(), gi, true, true));
    EXPECT_EQ("3", t.Sql("SELECT COUNT(*) FROM lk_dup"));
    EXPECT_EQ(0, t.host().Count(GRIDN_INSERTED));
    EXPECT_FALSE(gi->transactionPending);

    // With errors shown the driver's complaint names the statement.
    gi->showErrors = true;
    BoxWatcher watcher;
    EXPECT_FALSE(GridInsertRow(t.grid(), gi, true, true));
    auto boxes = watcher.boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_NE(std::string::npos, boxes[0].text.find("UNIQUE")) << boxes[0].text;
    EXPECT_NE(std::string::npos, boxes[0].text.find("INSERT INTO LK_DUP ( ID ) VALUES ( ? )")) << boxes[0].text;
}

TEST_F(GridLockTest, DeletingRowsRemovesThemAndKeepsTheCursorOnARow)
{
    BoundTable t("lk_del", kItems, ItemRows(4), true, "id");
    ASSERT_TRUE(t.ok());
    GRIDINFO* gi = t.gi();
    gi->currentRow = 2;
    ASSERT_TRUE(GridDeleteRow(t.grid(), gi, true));
    EXPECT_EQ("1,3,4", t.Sql("SELECT GROUP_CONCAT(id) FROM (SELECT id FROM lk_del ORDER BY id)"));
    EXPECT_EQ(3, gi->rowCount);
    EXPECT_EQ(2, gi->currentRow);
    std::vector<int> want = {GRIDN_QUERYCHANGE, GRIDN_QUERYDELETE, GRIDN_ROWCHANGED, GRIDN_DATACHANGED,
                             GRIDN_DELETED, GRIDN_CHANGED};
    std::vector<int> order;
    for (const auto& note : t.host().notes())
        if (std::find(want.begin(), want.end(), note.first) != want.end())
            order.push_back(note.first);
    EXPECT_EQ(want, order);

    // Deleting the last row makes the row before it current.
    gi->currentRow = 3;
    ASSERT_TRUE(GridDeleteRow(t.grid(), gi, true));
    EXPECT_EQ(2, gi->rowCount);
    EXPECT_EQ(2, gi->currentRow);
    EXPECT_EQ("1,3", t.Sql("SELECT GROUP_CONCAT(id) FROM (SELECT id FROM lk_del ORDER BY id)"));

    // The owner may refuse.
    t.host().Reply(GRIDN_QUERYDELETE, 1);
    EXPECT_FALSE(GridDeleteRow(t.grid(), gi, true));
    EXPECT_EQ("2", t.Sql("SELECT COUNT(*) FROM lk_del"));

    // Emptying the table.
    ASSERT_TRUE(GridZapTable(t.grid(), gi));
    EXPECT_EQ("0", t.Sql("SELECT COUNT(*) FROM lk_del"));
    EXPECT_EQ(0, gi->rowCount);
}

TEST_F(GridLockTest, ALongTextIsReadWholeThroughALock)
{
    std::string text;
    for (int i = 0; i < 2500; ++i)
        text += static_cast<char>('a' + i % 26);
    BoundTable t("lk_memo", "id INTEGER PRIMARY KEY, memo TEXT", {"1, '" + text + "'", "2, 'short'"}, true, "id");
    ASSERT_TRUE(t.ok());
    int memo = t.Column("memo");
    ASSERT_EQ(GRID_LONGTEXT, t.gi()->columns[memo - 1].type);
    EXPECT_EQ(text, zGridGetText(t.grid(), 1, memo, true));
    EXPECT_STREQ("short", zGridGetText(t.grid(), 2, memo, true));
    EXPECT_EQ(nullptr, GridCurrentLock(t.gi(), GRID_LOCK_EDIT));
}

TEST(GridLockValues, DisplayDatesBecomeSqlDates)
{
    struct Row {
        const char* text;
        bool dateOnly;
        const char* want;
    } rows[] = {
        {"25/12/2013", true, "2013-12-25"},
        {"2013-12-25", true, "2013-12-25"},
        {"", true, ""},
        {"07/03/2013 10:20:30", true, "2013-03-07"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(r.want, GridSqlDateText(r.text, r.dateOnly));
    }
    EXPECT_EQ(0u, GridSqlDateText("07/03/2013 10:20:30", false).find("2013-03-07 10:20:30"));
}

}  // namespace
