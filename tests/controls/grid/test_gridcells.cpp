// Cell values: typed reads and writes on unbound rows and on a browsed
// SQLite table, the numeric clean-up, and the cell geometry.

#include "gridhost.h"
#include "sqlitedsn.h"

#include "corvex.h"
#include "gridlock.h"
#include "datetext.h"
#include "gridcells.h"
#include "gridcolumns.h"
#include "gridwindow.h"

#include "xalloc.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

const char* Yes()
{
    return GetUserDefaultLangID() == 1040 ? "S\xEC" : "Yes";
}

// Unbound columns: 1 text(8), 2 integer(6), 3 float(10, 2 decimals),
// 4 grouped float(12, 2), 5 boolean, 6 date(10), 7 timestamp (date, hours, minutes),
// 8 timestamp (minutes, seconds, milliseconds), 9 timestamp (hours, minutes).
struct Cells {
    Cells() : host(500, 200)
    {
        HWND g = host.grid();
        zGridColAdd(g, 8, 0, "", "text", 0, GRID_TEXT, 0, "", true);
        zGridColAdd(g, 6, 0, "", "int", 0, GRID_INTEGER, 0, "", true);
        zGridColAdd(g, 10, 2, "", "float", 0, GRID_FLOAT, 0, "", true);
        zGridColAdd(g, 12, 2, "", "grouped", 0, GRID_FLOAT, GRIDCOL_GROUPED, "", true);
        zGridColAdd(g, 0, 0, "", "bool", 0, GRID_BOOLEAN, 0, "", true);
        zGridColAdd(g, 10, 0, "", "date", 0, GRID_DATE, 0, "", true);
        zGridColAdd(g, 0, 0, "", "stamp", 0, GRID_TIMESTAMP, GRIDCOL_DATEHOURMIN, "", true);
        zGridColAdd(g, 0, 0, "", "lap", 0, GRID_TIMESTAMP, GRIDCOL_MINSECMS, "", true);
        zGridColAdd(g, 0, 0, "", "clock", 0, GRID_TIMESTAMP, GRIDCOL_HOURMINUTE, "", true);
        host.AddRows(3);
        host.ClearNotes();
    }
    HWND grid() const { return host.grid(); }
    GridHost host;
};

TEST(GridCells, TextsGoInAndComeBack)
{
    Cells c;
    struct Row {
        const char* name;
        int column;
        const char* written;
        const char* read;
    } rows[] = {
        {"text", 1, "abc", "abc"},
        {"text cut", 1, "abcdefghijk", "abcdefgh"},
        {"integer", 2, "-42", "-42"},
        {"integer separators dropped", 2, "1.234", "1234"},
        {"float comma", 3, "1.234,5", "1234.5"},
        {"float later points dropped", 3, "1.2.3", "1.23"},
        {"float letters dropped", 3, "EUR 12x5", "125"},
        {"grouped float", 4, "1234.5", "1`234,50"},
        {"boolean kept as written", 5, "No", "No"},
        {"date", 6, "2013-03-07", "07/03/2013"},
        {"timestamp", 7, "2013-03-07 10:20:30.000", "07/03/2013 10:20"},
        // The owner reads the whole value of a form that has one; painting
        // shows the short form.
        {"timestamp as minutes", 8, "2024-03-05 10:20:30.123", "05/03/2024 10:20:30.123"},
        {"timestamp as a clock", 9, "2024-03-05 10:20:30.123", "05/03/2024 10:20:30.123"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        c.host.ClearNotes();
        zGridPutText(c.grid(), 2, r.column, r.written);
        EXPECT_STREQ(r.read, zGridGetText(c.grid(), 2, r.column, true));
        ASSERT_EQ(2u, c.host.notes().size());
        EXPECT_EQ(std::make_pair(static_cast<int>(GRIDN_DATACHANGED), r.column), c.host.notes()[0]);
        EXPECT_EQ(std::make_pair(static_cast<int>(GRIDN_CELLWRITTEN), r.column), c.host.notes()[1]);
    }
}

TEST(GridCells, TypedReadsAndWrites)
{
    Cells c;
    HWND g = c.grid();
    zGridPutLong(g, 1, 2, -5);
    EXPECT_EQ(-5, zGridGetLong(g, 1, 2));
    zGridPutULong(g, 1, 2, 4000000000UL);
    EXPECT_STREQ("400000", zGridGetText(g, 1, 2, true));
    zGridPutShort(g, 1, 2, -300);
    EXPECT_EQ(-300, zGridGetShort(g, 1, 2));
    zGridPutInt(g, 1, 2, 77);
    EXPECT_EQ(77, zGridGetLong(g, 1, 2));
    zGridPutUInt(g, 1, 2, 12u);
    EXPECT_EQ(12, zGridGetShort(g, 1, 2));
    zGridPutDouble(g, 1, 3, 12.25);
    EXPECT_DOUBLE_EQ(12.25, zGridGetDouble(g, 1, 3));
    zGridPutDouble(g, 1, 4, 1234.5);
    EXPECT_STREQ("1`234,50", zGridGetText(g, 1, 4, true));
    EXPECT_DOUBLE_EQ(1234.5, zGridGetDouble(g, 1, 4));
    // A huge value fits the shared buffer and is cut to the cell.
    zGridPutDouble(g, 1, 3, 1e300);
    EXPECT_EQ(10u, strlen(zGridGetText(g, 1, 3, true)));
    zGridPutChar(g, 1, 1, 'Q');
    EXPECT_STREQ("Q", zGridGetText(g, 1, 1, true));
    zGridPutBitmapHandle(g, 1, 1, reinterpret_cast<HBITMAP>(static_cast<INT_PTR>(0x1234)));
    EXPECT_EQ(reinterpret_cast<HBITMAP>(static_cast<INT_PTR>(0x1234)), zGridGetBitmapHandle(g, 1, 1));

    zGridPutBool(g, 1, 5, true);
    EXPECT_STREQ(Yes(), zGridGetText(g, 1, 5, true));
    EXPECT_TRUE(zGridGetBool(g, 1, 5));
    zGridPutBool(g, 1, 5, false);
    EXPECT_STREQ("No", zGridGetText(g, 1, 5, true));
    EXPECT_FALSE(zGridGetBool(g, 1, 5));
}

TEST(GridCells, CellsThatDoNotExist)
{
    Cells c;
    struct Row {
        long row;
        int column;
    } rows[] = {{0, 1}, {4, 1}, {1, 0}, {1, 10}};
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.row) + "," + std::to_string(r.column));
        EXPECT_STREQ("", zGridGetText(c.grid(), r.row, r.column, true));
        zGridPutText(c.grid(), r.row, r.column, "x");
        EXPECT_TRUE(c.host.notes().empty());
    }
    EXPECT_STREQ("", zGridGetText(nullptr, 1, 1, true));
}

TEST(GridCells, CleanNumbers)
{
    struct Row {
        const char* text;
        bool floating;
        const char* want;
    } rows[] = {
        {"-1.234,56", true, "-1234.56"},
        {"+12.5", true, "+12.5"},
        {"1,2,3", true, "1.2.3"},
        {"1.234,56", false, "123456"},
        {"", false, ""},
        {"1234567890123456789012345678901234567890", false, "123456789012345678901234567890"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        char out[64];
        GridCleanNumber(r.text, r.floating, out, sizeof out);
        EXPECT_STREQ(r.want, out);
    }
    char small[4];
    GridCleanNumber("123456", false, small, sizeof small);
    EXPECT_STREQ("123", small);
}

// The plain host window draws in the system font, 7 by 16 pixels under
// Wine. With 3 rows the row numbers take 3 characters (21 pixels); a row is
// 19 pixels high and the header one row and 3 pixels. Columns 1 to 4 are
// 8, 6, 10 and 12 characters wide.
TEST(GridCells, Geometry)
{
    Cells c;
    ASSERT_EQ(7, c.host.gi()->charWidth);
    ASSERT_EQ(16, c.host.gi()->charHeight);
    RECT rc = {};
    zGridGetCellRect(c.grid(), 2, 3, &rc);
    EXPECT_EQ(119, rc.left);  // 21 + (8 + 6) * 7
    EXPECT_EQ(41, rc.top);    // 22 + 19
    EXPECT_EQ(189, rc.right);
    EXPECT_EQ(60, rc.bottom);
    struct Row {
        const char* name;
        int x, y;
        long row;
        int column;
    } rows[] = {
        {"inside the cell", 150, 50, 2, 3},
        {"its top left pixel", 119, 41, 2, 3},
        {"its bottom right pixel", 188, 59, 2, 3},
        {"left of it", 118, 41, 2, 2},
        {"above it", 119, 40, 1, 3},
        {"right of it", 189, 59, 2, 4},
        {"the header", 150, 21, 0, 0},
        {"below the last row", 150, 79, 0, 0},
        {"the row numbers", 20, 50, 0, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.row, zGridGetRowByXY(c.grid(), r.x, r.y));
        EXPECT_EQ(r.column, zGridGetColByXY(c.grid(), r.x, r.y));
    }
}

class GridBoundCells : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (sqlitedsn::Name().empty())
            FAIL() << sqlitedsn::Problem();
        sqlitedsn::Connection db;
        ASSERT_TRUE(db.ok());
        db.Run("DROP TABLE IF EXISTS cells");
        ASSERT_EQ(SQL_SUCCESS, db.Run("CREATE TABLE cells (id INTEGER PRIMARY KEY, name VARCHAR(12), "
                                      "price DOUBLE, qty INTEGER, note TEXT)"));
        db.Run("INSERT INTO cells VALUES (1, 'one', 1.5, 3, 'short')");
        db.Run("INSERT INTO cells VALUES (2, 'two', 0, 0, '" + std::string(2500, 'n') + "x')");
    }
};

TEST_F(GridBoundCells, ReadsFormatValues)
{
    GridHost host(500, 200);
    HWND g = host.grid();
    ASSERT_TRUE(zGridBrowse(g, nullptr, sqlitedsn::Name().c_str(), "", "", "cells", "", "", "id", "*", "", "",
                            "", 0));
    GRIDINFO* gi = host.gi();
    ASSERT_EQ(5, gi->columnCount);
    EXPECT_STREQ("one", zGridGetText(g, 1, 2, true));
    EXPECT_STREQ("2", zGridGetText(g, 2, 1, true));
    EXPECT_EQ(3, zGridGetLong(g, 1, 4));
    EXPECT_DOUBLE_EQ(1.5, zGridGetDouble(g, 1, 3));

    const GRIDCOL& price = gi->columns[2];
    char want[300];
    snprintf(want, sizeof want, "%-*.*f", price.dataWidth, price.decimals < 1 ? 6 : price.decimals, 1.5);
    EXPECT_STREQ(want, zGridGetText(g, 1, 3, true));
    // Zero reads as an empty cell.
    EXPECT_STREQ("", zGridGetText(g, 2, 3, true));
    EXPECT_STREQ("", zGridGetText(g, 2, 4, true));
    EXPECT_STREQ("", zGridGetText(g, 3, 1, true));

    // A look-up column shows the item whose data is the value.
    GridColComboAdd(g, gi, 4, "tre");
    GridColComboSetData(gi, 4, 3);
    gi->columns[3].lookupOnly = true;
    EXPECT_STREQ("tre", zGridGetText(g, 1, 4, true));
    EXPECT_EQ(3, zGridGetLong(g, 1, 4));

    // From the browse statement a long text is its bound part only; the
    // owner's read goes through a lock of the row and gets all of it.
    bool ok = false;
    char* part = GridReadCell(gi, 2, 5, gi->hstmt, 5, true, true, true, false, &ok);
    EXPECT_EQ(512u, strlen(part));
    xfree(part);
    EXPECT_EQ(2501u, strlen(zGridGetText(g, 2, 5, true)));
}

TEST_F(GridBoundCells, LongTextsAreReadInChunks)
{
    GridHost host(500, 200);
    HWND g = host.grid();
    ASSERT_TRUE(zGridBrowse(g, nullptr, sqlitedsn::Name().c_str(), "", "", "cells", "", "", "id", "*", "", "",
                            "", 0));
    GRIDINFO* gi = host.gi();
    SQLHSTMT s = zGridExec(g, "SELECT note FROM cells WHERE id = 2");
    ASSERT_TRUE(s);
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(s));
    bool ok = false;
    char* text = GridReadCell(gi, 2, 5, s, 1, false, true, true, false, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(std::string(2500, 'n') + "x", text);
    xfree(text);

    // A statement that fails the read says so.
    SQLFreeStmt(s, SQL_CLOSE);
    text = GridReadCell(gi, 2, 5, s, 1, false, true, true, false, &ok);
    EXPECT_FALSE(ok);
    xfree(text);
}

TEST_F(GridBoundCells, BoundWritesGoThroughTheRowUpdate)
{
    GridHost host(500, 200);
    HWND g = host.grid();
    ASSERT_TRUE(zGridBrowse(g, nullptr, sqlitedsn::Name().c_str(), "", "", "cells", "", "", "id", "*", "", "",
                            "", 0));
    host.ClearNotes();
    zGridPutText(g, 1, 2, "changed");
    EXPECT_EQ(1, host.Count(GRIDN_CELLWRITTEN));
    EXPECT_STREQ("changed", zGridGetText(g, 1, 2, true));
    GridDropAllLocks(host.gi());
}

}  // namespace
