// Browsing real SQLite tables through Wine's odbc32, unixODBC and the SQLite
// driver: rows counted and fetched, columns described, owner statements.

#include "boxwatcher.h"
#include "gridhost.h"
#include "sqlitedsn.h"

#include "corvex.h"
#include "gridbrowse.h"
#include "gridlayout.h"
#include "../odbc/zdb.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// A table of `rows` items: id (key), name "itemNN", price NN.5, qty NN mod 7.
void MakeItems(const std::string& table, int rows)
{
    sqlitedsn::Connection db;
    ASSERT_TRUE(db.ok());
    db.Run("DROP TABLE IF EXISTS " + table);
    ASSERT_EQ(SQL_SUCCESS, db.Run("CREATE TABLE " + table +
                                  " (id INTEGER PRIMARY KEY, name VARCHAR(20), price DOUBLE, qty INTEGER)"));
    db.Run("BEGIN");
    for (int i = 1; i <= rows; ++i) {
        char sql[200];
        snprintf(sql, sizeof sql, "INSERT INTO %s VALUES (%d, 'item%02d', %d.5, %d)", table.c_str(), i, i, i, i % 7);
        ASSERT_EQ(SQL_SUCCESS, db.Run(sql));
    }
    db.Run("COMMIT");
}

bool Browse(const GridHost& host, const std::string& table, const char* where = "", const char* order = "id")
{
    return zGridBrowse(host.grid(), nullptr, sqlitedsn::Name().c_str(), "", "", table.c_str(), "", where, order,
                       "*", "", "", "", 0);
}

// The bound text of a cell after positioning the browse cursor on its row.
std::string Fetched(GRIDINFO* gi, int row, int column)
{
    GridClearColumnBuffers(gi);
    if (!SQL_SUCCEEDED(SQLFetchScroll(gi->hstmt, SQL_FETCH_ABSOLUTE, row)))
        return "<no row>";
    return gi->columns[column - 1].buffer;
}

class GridBrowse : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (sqlitedsn::Name().empty())
            FAIL() << sqlitedsn::Problem();
    }
};

TEST_F(GridBrowse, ReadsTheTableAndDescribesItsColumns)
{
    MakeItems("items", 30);
    GridHost host(400, 200);
    ASSERT_TRUE(Browse(host, "items"));
    GRIDINFO* gi = host.gi();
    ASSERT_TRUE(gi->hstmt);
    EXPECT_EQ(30, gi->rowCount);
    EXPECT_EQ(1, gi->currentRow);
    EXPECT_EQ(1, gi->currentColumn);
    EXPECT_STREQ("SELECT  * FROM items  ORDER BY id", gi->selectText);
    EXPECT_STREQ("SQLite", gi->dbmsName);
    EXPECT_EQ(1, host.Count(GRIDN_REREAD));
    EXPECT_EQ(1, host.Count(GRIDN_REPOSITION));

    struct Col {
        const char* name;
        int type;
        SWORD sqlType;
        int dataWidth;
    } cols[] = {
        {"id", GRID_INTEGER, SQL_INTEGER, 0},
        {"name", GRID_TEXT, SQL_VARCHAR, 20},
        {"price", GRID_FLOAT, SQL_DOUBLE, 0},
        {"qty", GRID_INTEGER, SQL_INTEGER, 0},
    };
    ASSERT_EQ(4, gi->columnCount);
    int rowSize = 0;
    for (int c = 0; c < 4; ++c) {
        SCOPED_TRACE(cols[c].name);
        const GRIDCOL& col = gi->columns[c];
        EXPECT_STREQ(cols[c].name, col.sqlName);
        EXPECT_EQ(cols[c].type, col.type);
        EXPECT_EQ(cols[c].sqlType, col.sqlType);
        if (cols[c].dataWidth) {
            EXPECT_EQ(cols[c].dataWidth, col.dataWidth);
        }
        EXPECT_GE(col.displayWidth, static_cast<int>(strlen(cols[c].name)) + 2);
        EXPECT_EQ(0, col.isIdentity);
        EXPECT_EQ(gi->rowBuffer + rowSize, col.buffer);
        rowSize += col.dataWidth + 5;
    }
    EXPECT_EQ(rowSize, gi->rowBufferSize);
    EXPECT_STREQ("'", gi->columns[1].literalPrefix);
    EXPECT_STREQ("'", zGridGetSuffix(host.grid(), 2));
    ASSERT_GE(gi->keyCount, 1);
    EXPECT_STREQ("id", gi->keys[0].name);

    // Rows are fetched by number from the bound buffer.
    for (int row : {1, 7, 30, 12}) {
        SCOPED_TRACE(row);
        char want[16];
        snprintf(want, sizeof want, "item%02d", row);
        EXPECT_EQ(want, Fetched(gi, row, 2));
        EXPECT_EQ(std::to_string(row), Fetched(gi, row, 1));
        EXPECT_EQ(1u, gi->rowsFetched);
    }
    EXPECT_EQ("<no row>", Fetched(gi, 31, 1));
}

TEST_F(GridBrowse, FilterAndOrderComeFromTheOwner)
{
    MakeItems("items_f", 40);
    GridHost host(400, 200);
    ASSERT_TRUE(Browse(host, "items_f", "qty > 3", "id DESC"));
    GRIDINFO* gi = host.gi();
    sqlitedsn::Connection db;
    EXPECT_EQ(db.Value("SELECT COUNT(*) FROM items_f WHERE qty > 3"), std::to_string(gi->rowCount));
    EXPECT_EQ(db.Value("SELECT MAX(id) FROM items_f WHERE qty > 3"), Fetched(gi, 1, 1));
    EXPECT_EQ(db.Value("SELECT MIN(id) FROM items_f WHERE qty > 3"), Fetched(gi, gi->rowCount, 1));

    // A reload with a new filter counts again and keeps the cursor in range.
    gi->currentRow = gi->rowCount;
    GridSetText(gi->whereClause, "qty = 6");
    GridReload(host.grid(), gi);
    EXPECT_EQ(db.Value("SELECT COUNT(*) FROM items_f WHERE qty = 6"), std::to_string(gi->rowCount));
    EXPECT_EQ(gi->rowCount, gi->currentRow);
}

TEST_F(GridBrowse, AnEmptyTableHasNoCurrentRow)
{
    MakeItems("items_e", 0);
    GridHost host(400, 200);
    ASSERT_TRUE(Browse(host, "items_e"));
    GRIDINFO* gi = host.gi();
    EXPECT_EQ(0, gi->rowCount);
    EXPECT_EQ(0, gi->currentRow);
    EXPECT_EQ(0, gi->vScrollMax);
    EXPECT_FALSE(GetWindowLongA(gi->rowMarker, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(0, zGridGetMax(host.grid(), 4, 0));
    EXPECT_EQ(0, zGridAggregate(host.grid(), 2, "*", "", "", false));
}

TEST_F(GridBrowse, WideAndUnsupportedColumns)
{
    {
        sqlitedsn::Connection db;
        db.Run("DROP TABLE IF EXISTS odd");
        ASSERT_EQ(SQL_SUCCESS, db.Run("CREATE TABLE odd (id INTEGER PRIMARY KEY, r BIGINT, note VARCHAR(300), n INTEGER)"));
        ASSERT_EQ(SQL_SUCCESS, db.Run("INSERT INTO odd VALUES (1, 15, '" + std::string(300, 'w') + "', 42)"));
    }
    GridHost host(400, 200);
    BoxWatcher watcher;
    ASSERT_TRUE(Browse(host, "odd"));
    GRIDINFO* gi = host.gi();
    auto boxes = watcher.boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("FATAL", boxes[0].caption);
    char want[160];
    snprintf(want, sizeof want, "Grid::Browse <%d> SQL data type not supported.\n column 2 on 4 numcols", SQL_BIGINT);
    EXPECT_EQ(want, boxes[0].text);

    // The other columns show their own values.
    ASSERT_EQ(3, gi->columnCount);
    EXPECT_STREQ("note", gi->columns[1].sqlName);
    // The driver reports a text this wide as long text.
    EXPECT_EQ(GRID_LONGTEXT, gi->columns[1].type);
    EXPECT_EQ(512, gi->columns[1].dataWidth);
    EXPECT_EQ(std::string(300, 'w'), Fetched(gi, 1, 2));
    EXPECT_EQ("42", Fetched(gi, 1, 3));
}

TEST_F(GridBrowse, BrowsingAgainReplacesTheFirstBrowse)
{
    MakeItems("items_a", 5);
    MakeItems("items_b", 8);
    GridHost host(400, 200);
    ASSERT_TRUE(Browse(host, "items_a"));
    GRIDINFO* gi = host.gi();
    ASSERT_TRUE(Browse(host, "items_b"));
    EXPECT_EQ(4, gi->columnCount);
    EXPECT_EQ(8, gi->rowCount);
    EXPECT_STREQ("items_b", gi->tableName);
    EXPECT_EQ("item08", Fetched(gi, 8, 2));

    GridCloseBrowse(host.grid(), gi);
    EXPECT_EQ(nullptr, gi->hstmt);
    EXPECT_EQ(nullptr, gi->hdbc);
    EXPECT_EQ(nullptr, gi->henv);
    EXPECT_EQ(nullptr, gi->selectText);
    EXPECT_EQ(0, gi->columnCount);
    EXPECT_EQ(0, gi->rowCount);
}

TEST_F(GridBrowse, AFailedBrowseLeavesTheGridUnbound)
{
    MakeItems("items_x", 3);
    GridHost host(400, 200);
    host.AddColumns({4});
    BoxWatcher watcher;
    EXPECT_FALSE(Browse(host, "no_such_table"));
    GRIDINFO* gi = host.gi();
    EXPECT_EQ(nullptr, gi->hstmt);
    EXPECT_EQ(nullptr, gi->hdbc);
    EXPECT_EQ(0, gi->columnCount);
    EXPECT_EQ(nullptr, gi->tableName);
    EXPECT_TRUE(watcher.boxes().empty());

    // With errors shown, the failed read is reported with its statement.
    gi->showErrors = true;
    EXPECT_FALSE(Browse(host, "no_such_table"));
    for (int i = 0; i < 100 && watcher.boxes().empty(); ++i)
        Sleep(20);
    auto boxes = watcher.boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_NE(std::string::npos, boxes[0].text.find("GRID::DBREFRESH"));
    EXPECT_EQ(nullptr, gi->hstmt);
}

TEST_F(GridBrowse, AMissingDataSourceIsReportedAndRefused)
{
    GridHost host(400, 200);
    BoxWatcher watcher;
    EXPECT_FALSE(zGridBrowse(host.grid(), nullptr, sqlitedsn::MissingName().c_str(), "", "", "items", "", "",
                             "", "*", "", "", "", 0));
    GRIDINFO* gi = host.gi();
    EXPECT_EQ(nullptr, gi->hstmt);
    EXPECT_EQ(nullptr, gi->hdbc);
    EXPECT_EQ(nullptr, gi->henv);
    EXPECT_EQ(0, gi->columnCount);
    for (int i = 0; i < 100 && watcher.boxes().empty(); ++i)
        Sleep(20);
    EXPECT_FALSE(watcher.boxes().empty());
}

TEST_F(GridBrowse, AggregatesAndOwnerStatements)
{
    MakeItems("items_g", 20);
    sqlitedsn::Connection db;
    std::string sumAll = db.Value("SELECT SUM(qty) FROM items_g");
    std::string sumBoth = db.Value("SELECT SUM(qty) FROM items_g WHERE id <= 10 AND qty > 2");
    std::string maxFiltered = db.Value("SELECT MAX(id) FROM items_g WHERE qty > 2");
    GridHost host(400, 200);
    ASSERT_TRUE(Browse(host, "items_g", "qty > 2"));
    HWND grid = host.grid();
    EXPECT_EQ(20, zGridAggregate(grid, 2, "*", "", "", false));
    EXPECT_EQ(std::stod(sumAll), zGridAggregate(grid, 1, "qty", "", "", false));
    EXPECT_EQ(std::stod(sumBoth), zGridAggregate(grid, 1, "qty", "id <= 10", "", true));
    EXPECT_EQ(1, zGridAggregate(grid, 3, "id", "", "", false));
    EXPECT_EQ(20, zGridGetMax(grid, 1, 0));
    EXPECT_EQ(std::stod(maxFiltered), zGridGetMax(grid, 1, 'r'));
    EXPECT_EQ(0, zGridGetMax(grid, 9, 0));

    // The owner's statement runs on the grid's own statement handle.
    SQLHSTMT s = zGridExec(grid, "SELECT name FROM items_g WHERE id = 3");
    ASSERT_EQ(host.gi()->hstmtAux4, s);
    char name[32] = {};
    SQLLEN ind = 0;
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(s));
    SQLGetData(s, 1, SQL_C_CHAR, name, sizeof name, &ind);
    EXPECT_STREQ("item03", name);
    // A second one closes the first one's cursor.
    ASSERT_EQ(s, zGridExec(grid, "SELECT id FROM items_g WHERE id = 4"));
    SQLINTEGER id = 0;
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(s));
    SQLGetData(s, 1, SQL_C_SLONG, &id, 0, &ind);
    EXPECT_EQ(4, id);
    ASSERT_EQ(s, zGridPrepare(grid, "SELECT COUNT(*) FROM items_g WHERE id > ?"));
    SQLINTEGER from = 15;
    SQLBindParameter(s, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &from, 0, nullptr);
    ASSERT_TRUE(SQL_SUCCEEDED(SQLExecute(s)));
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(s));
    SQLGetData(s, 1, SQL_C_SLONG, &id, 0, &ind);
    EXPECT_EQ(5, id);
    SQLFreeStmt(s, SQL_CLOSE);
    SQLFreeStmt(s, SQL_RESET_PARAMS);

    // A filtered delete tells the parent; the grid is not read again.
    host.ClearNotes();
    int rows = host.gi()->rowCount;
    zGridDelete(grid, "id > 15");
    EXPECT_EQ(1, host.Count(GRIDN_DATACHANGED));
    EXPECT_EQ(0, host.Count(GRIDN_REREAD));
    EXPECT_EQ(rows, host.gi()->rowCount);
    EXPECT_EQ(15, zGridAggregate(grid, 2, "*", "", "", false));
}

TEST_F(GridBrowse, OwnerStatementsNeedABoundGrid)
{
    GridHost host(400, 200);
    EXPECT_EQ(nullptr, zGridExec(host.grid(), "SELECT 1"));
    EXPECT_EQ(nullptr, zGridPrepare(host.grid(), "SELECT 1"));
    EXPECT_EQ(0, zGridAggregate(host.grid(), 2, "*", "", "", false));
    EXPECT_EQ(0, zGridGetMax(host.grid(), 1, 0));
    host.ClearNotes();
    zGridDelete(host.grid(), "");
    EXPECT_EQ(0, host.Count(GRIDN_DATACHANGED));
}

}  // namespace
