// The row store of an unbound "zgrid" window: every row holds exactly the
// fields of the columns as they are now, whatever the owner changes after
// rows exist; date and time cells keep one form in the store.

#include "zgridwindow.h"

#include "corvex.h"
#include "gridrows.h"

#include "xalloc.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

std::string Stored(const GRIDINFO* gi, int row, int column)
{
    char* text = GridReadCellField(gi, row, column);
    std::string out = text;
    xfree(text);
    return out;
}

// Every row block is at least as long as a row of the columns.
bool RowsFitTheColumns(const GRIDINFO* gi)
{
    for (int r = 0; r < gi->rowCount; ++r)
        if (GlobalSize(GlobalHandle(gi->rows[r])) < static_cast<SIZE_T>(gi->totalDataWidth))
            return false;
    return true;
}

TEST(GridStore, RowsFollowEveryChangeOfTheColumns)
{
    struct Row {
        const char* name;
        std::function<void(ZGridWindow&)> change;
        std::vector<std::vector<std::string>> cells;  // per row, per column after the change
    } rows[] = {
        {"a column added after rows",
         [](ZGridWindow& g) { zGridColAdd(g.grid(), 8, 0, "new", "new", 8, GRID_TEXT, 0, "", true); },
         {{"alpha", "b1", ""}, {"beta", "b2", ""}, {"gamma", "b3", ""}}},
        {"a column widened", [](ZGridWindow& g) { g.Send(GRIDM_SETDATAWIDTH, 1, 9); },
         {{"alpha", "b1"}, {"beta", "b2"}, {"gamma", "b3"}}},
        {"a column narrowed", [](ZGridWindow& g) { g.Send(GRIDM_SETDATAWIDTH, 1, 3); },
         {{"alp", "b1"}, {"bet", "b2"}, {"gam", "b3"}}},
        {"all columns removed, then one added",
         [](ZGridWindow& g) {
             g.Send(GRIDM_REMOVECOLUMNS);
             zGridColAdd(g.grid(), 5, 0, "one", "one", 5, GRID_TEXT, 0, "", true);
         },
         {{""}, {""}, {""}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ZGridWindow g;
        g.AddTextColumns({6, 4});
        g.AddRows(3);
        const char* names[] = {"alpha", "beta", "gamma"};
        for (int row = 1; row <= 3; ++row) {
            zGridPutText(g.grid(), row, 1, names[row - 1]);
            zGridPutText(g.grid(), row, 2, ("b" + std::to_string(row)).c_str());
        }
        r.change(g);
        GRIDINFO* gi = g.gi();
        ASSERT_EQ(3, gi->rowCount);
        ASSERT_EQ(static_cast<int>(r.cells[0].size()), gi->columnCount);
        EXPECT_TRUE(RowsFitTheColumns(gi)) << "rows of " << gi->totalDataWidth << " bytes";
        for (int row = 1; row <= 3; ++row)
            for (int column = 1; column <= gi->columnCount; ++column) {
                SCOPED_TRACE("row " + std::to_string(row) + " column " + std::to_string(column));
                EXPECT_EQ(r.cells[row - 1][column - 1], Stored(gi, row, column));
            }
        // The last column takes a value of its full width in every row, and
        // the cells before it keep theirs.
        int last = gi->columnCount;
        std::string full(gi->columns[last - 1].dataWidth, 'z');
        for (int row = 1; row <= 3; ++row)
            zGridPutText(g.grid(), row, last, full.c_str());
        for (int row = 1; row <= 3; ++row) {
            SCOPED_TRACE("row " + std::to_string(row));
            EXPECT_EQ(full, zGridGetText(g.grid(), row, last, true));
            for (int column = 1; column < last; ++column)
                EXPECT_EQ(r.cells[row - 1][column - 1], Stored(gi, row, column));
        }
        InvalidateRect(g.grid(), nullptr, FALSE);
        UpdateWindow(g.grid());
    }
}

TEST(GridStore, DateCellsKeepTheDriversFormInTheStore)
{
    struct Row {
        const char* name;
        WORD type;
        int width;
        const char* put;     // written by the owner; null: chosen in the picker
        const char* stored;  // the store's form
        const char* shown;   // what the owner reads back
    } rows[] = {
        {"date put as shown", GRID_DATE, 10, "25/12/2013", "2013-12-25", "25/12/2013"},
        {"date put as the driver writes it", GRID_DATE, 10, "2013-12-25", "2013-12-25", "25/12/2013"},
        {"timestamp put as shown", GRID_TIMESTAMP, 0, "25/12/2013 10:20:30.000", "2013-12-25 10:20:30.000",
         "25/12/2013 10:20:30.000"},
        {"timestamp put as the driver writes it", GRID_TIMESTAMP, 0, "2013-12-25 10:20:30.000",
         "2013-12-25 10:20:30.000", "25/12/2013 10:20:30.000"},
        {"timestamp without milliseconds", GRID_TIMESTAMP, 0, "2013-12-25 10:20:30", "2013-12-25 10:20:30",
         "25/12/2013 10:20:30.000"},
        {"date alone in a timestamp column", GRID_TIMESTAMP, 0, "2013-12-25", "2013-12-25",
         "25/12/2013 00:00:00.000"},
        {"date chosen in the picker", GRID_DATE, 10, nullptr, "2013-12-25", "25/12/2013"},
        {"timestamp chosen in the picker", GRID_TIMESTAMP, 0, nullptr, "2013-12-25 10:20:30.000",
         "25/12/2013 10:20:30.000"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ZGridWindow g;
        zGridColAdd(g.grid(), r.width, 0, "when", "when", 24, r.type, 0, "", true);
        g.AddRows(1);
        g.Send(GRIDM_GOTOROW, 0, 1);
        if (r.put) {
            zGridPutText(g.grid(), 1, 1, r.put);
        } else {
            g.Key(VK_RETURN);
            ASSERT_NE(nullptr, g.editor());
            SYSTEMTIME st = {2013, 12, 0, 25, 10, 20, 30, 0};
            SendMessageA(g.editor(), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
            g.Send(GRIDM_SETCELLMODIFIED, 0, 1);
            g.Key(VK_RETURN);
            EXPECT_EQ(nullptr, g.editor()) << "accepted";
        }
        EXPECT_EQ(r.stored, Stored(g.gi(), 1, 1));
        EXPECT_STREQ(r.shown, zGridGetText(g.grid(), 1, 1, true));
    }
}

}  // namespace
