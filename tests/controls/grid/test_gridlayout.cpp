// The grid record's columns, geometry and unbound row store on a real window.

#include "gridhost.h"

#include "corvex.h"
#include "gridcolumns.h"
#include "gridcursor.h"
#include "gridlayout.h"
#include "gridrows.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct AddRow {
    const char* name;
    long type;
    int dataWidth, displayWidth;
    int wantData, wantDisplay;
};

TEST(GridColumns, AddFixesWidthsByType)
{
    const AddRow rows[] = {
        {"text as given", GRID_TEXT, 10, 0, 10, 10},
        {"text too wide", GRID_TEXT, 300, 300, 255, 255},
        {"text of no width", GRID_TEXT, 0, 5, 1, 5},
        {"negative widths", GRID_INTEGER, -4, -1, 1, 1},
        {"boolean", GRID_BOOLEAN, 3, 2, 5, 8},
        {"boolean wide", GRID_BOOLEAN, 3, 12, 5, 12},
        {"bitmap", GRID_BITMAP, 40, 1, 13, 3},
        {"long text", GRID_LONGTEXT, 20, 10, 512, 10},
        {"timestamp", GRID_TIMESTAMP, 5, 0, 23, 23},
        {"date as given", GRID_DATE, 10, 12, 10, 12},
    };
    for (const AddRow& r : rows) {
        SCOPED_TRACE(r.name);
        GridHost host(400, 200);
        zGridColAdd(host.grid(), r.dataWidth, 2, "Title", "name", r.displayWidth, r.type, 0x4, "hint", true);
        GRIDINFO* gi = host.gi();
        ASSERT_EQ(1, gi->columnCount);
        const GRIDCOL& c = gi->columns[0];
        EXPECT_EQ(r.wantData, c.dataWidth);
        EXPECT_EQ(r.wantDisplay, c.displayWidth);
        EXPECT_EQ(r.wantData, gi->totalDataWidth);
        EXPECT_EQ(r.wantDisplay * gi->charWidth, gi->totalPixelWidth);
        EXPECT_STREQ("Title", c.title);
        EXPECT_STREQ("name", c.sqlName);
        EXPECT_STREQ("hint", c.description);
        EXPECT_EQ(0x4u, c.flags);
        EXPECT_STREQ("", c.literalPrefix);
        EXPECT_STREQ("", zGridGetPrefix(host.grid(), 1));
        EXPECT_STREQ("", zGridGetSuffix(host.grid(), 2));
    }
}

TEST(GridColumns, BooleanColumnGetsItsLookupItems)
{
    GridHost host(400, 200);
    zGridColAdd(host.grid(), 1, 0, "", "flag", 0, GRID_BOOLEAN, 0, "", true);
    HWND combo = host.gi()->columns[0].lookupCombo;
    ASSERT_TRUE(IsWindow(combo));
    ASSERT_EQ(2, SendMessageA(combo, CB_GETCOUNT, 0, 0));
    char first[16] = {}, second[16] = {};
    SendMessageA(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
    SendMessageA(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(second));
    // The list sorts nothing: the yes text comes first in the user's language.
    EXPECT_STREQ(GetUserDefaultLangID() == 1040 ? "S\xEC" : "Yes", first);
    EXPECT_STREQ("No", second);
    EXPECT_EQ(GetParent(combo), host.grid());
    EXPECT_FALSE(IsWindowVisible(combo));
    GridFreeColumns(host.grid(), host.gi());
    EXPECT_FALSE(IsWindow(combo));
    EXPECT_EQ(0, host.gi()->columnCount);
    EXPECT_EQ(0, host.gi()->totalDataWidth);
}

TEST(GridColumns, HiddenColumnsAreNotCounted)
{
    GridHost host(400, 200);
    host.AddColumns({4, 6});
    zGridColAdd(host.grid(), 5, 0, "", "hidden", 7, GRID_TEXT, 0, "", false);
    host.AddColumns({3});
    GRIDINFO* gi = host.gi();
    EXPECT_EQ(0, gi->columns[0].visibleOrdinal);
    EXPECT_EQ(1, gi->columns[1].visibleOrdinal);
    EXPECT_EQ(2, gi->columns[3].visibleOrdinal);
    EXPECT_EQ((4 + 6 + 3) * gi->charWidth, gi->totalPixelWidth);
    EXPECT_EQ(4 + 6 + 5 + 3, gi->totalDataWidth);
    EXPECT_EQ(0, GridColumnPixelWidth(host.grid(), gi, 3));

    // A display width of 0 hides a column; its ordinal is no longer counted.
    GridSetDisplayWidth(host.grid(), gi, 2, 0);
    EXPECT_FALSE(gi->columns[1].visible);
    EXPECT_EQ(1, gi->columns[3].visibleOrdinal);
    EXPECT_EQ((4 + 3) * gi->charWidth, gi->totalPixelWidth);
    EXPECT_EQ(GridColumnLeft(gi, 1) + 4 * gi->charWidth, GridColumnLeft(gi, 4));
}

TEST(GridLayout, RowNumberWidthFollowsTheRowCount)
{
    struct Row {
        int rows, width;
    } rows[] = {{0, 3}, {1, 3}, {9, 3}, {10, 4}, {99, 4}, {100, 5}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rows);
        GridHost host(300, 200);
        host.AddColumns({5});
        host.AddRows(r.rows);
        EXPECT_EQ(r.width, host.gi()->rowNumberWidth);
        GridSetHideRowNumbers(host.grid(), host.gi(), true);
        EXPECT_EQ(0, host.gi()->rowNumberWidth);
    }
}

TEST(GridLayout, ScrollStylesLeaveTheBarsAlone)
{
    GridHost host(300, 200, GRIDS_NOVSCROLL | GRIDS_NOHSCROLL);
    host.AddColumns({300});
    host.AddRows(200);
    EXPECT_GT(host.gi()->vScrollMax, 0);
    LONG style = GetWindowLongA(host.grid(), GWL_STYLE);
    EXPECT_FALSE(style & WS_VSCROLL);
    EXPECT_FALSE(style & WS_HSCROLL);
    EXPECT_EQ(0, host.gi()->hScrollMax);
}

TEST(GridLayout, ALayoutChangeIsAnnouncedFirst)
{
    GridHost host(300, 200);
    host.ClearNotes();
    host.Recalc();
    ASSERT_FALSE(host.notes().empty());
    EXPECT_EQ(GRIDN_LAYOUT, host.notes().front().first);
}

struct EnterRow {
    const char* name;
    bool readOnly, stopOnReadOnly;
    int from, wantNext, wantPrevious;
};

TEST(GridLayout, EnterableColumns)
{
    // Columns: 1 plain, 2 read-only, 3 hidden, 4 read-only, 5 plain.
    const EnterRow rows[] = {
        {"stop on read-only", false, true, 2, 2, 2},
        {"skip read-only", false, false, 2, 5, 1},
        {"skip read-only from 4", false, false, 4, 5, 1},
        {"grid read-only", true, false, 3, 4, 2},
        {"hidden skipped", false, true, 3, 4, 2},
        {"beyond the end", false, true, 9, 0, 5},
        {"below the start", false, false, 0, 1, 0},
    };
    for (const EnterRow& r : rows) {
        SCOPED_TRACE(r.name);
        GridHost host(300, 200);
        host.AddColumns({3, 3, 3, 3, 3});
        GRIDINFO* gi = host.gi();
        gi->columns[1].columnReadOnly = true;
        gi->columns[2].visible = false;
        gi->columns[3].columnReadOnly = true;
        gi->readOnly = r.readOnly;
        gi->stopOnReadOnly = r.stopOnReadOnly;
        EXPECT_EQ(r.wantNext, GridNextEnterableColumn(gi, r.from));
        EXPECT_EQ(r.wantPrevious, GridPreviousEnterableColumn(gi, r.from));
    }
    GridHost none(300, 200);
    none.AddColumns({3});
    none.gi()->columns[0].columnReadOnly = true;
    none.gi()->stopOnReadOnly = false;
    EXPECT_EQ(0, GridNextEnterableColumn(none.gi(), 1));
}

TEST(GridRows, CellsKeepAtMostTheirWidth)
{
    GridHost host(300, 200);
    host.AddColumns({4, 6});
    host.AddRows(2);
    GRIDINFO* gi = host.gi();
    struct Row {
        const char* name;
        int column;
        const char* text;
        const char* want;
    } rows[] = {
        {"short", 1, "ab", "ab"},
        {"exact width", 1, "abcd", "abcd"},
        {"cut", 1, "abcdefgh", "abcd"},
        {"second column", 2, "123456789", "123456"},
        {"empty", 2, "", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ASSERT_TRUE(GridWriteCellField(gi, 2, r.column, r.text));
        char* got = GridReadCellField(gi, 2, r.column);
        EXPECT_STREQ(r.want, got);
        GridFreeText(got);
    }
    // A full first field runs straight into the second one: no terminator.
    GridWriteCellField(gi, 1, 1, "wxyz");
    GridWriteCellField(gi, 1, 2, "Q");
    EXPECT_EQ(0, memcmp(gi->rows[0], "wxyzQ", 5));
    EXPECT_FALSE(GridWriteCellField(gi, 3, 1, "x"));
    EXPECT_FALSE(GridWriteCellField(gi, 1, 3, "x"));
    char* none = GridReadCellField(gi, 0, 1);
    EXPECT_STREQ("", none);
    GridFreeText(none);
}

TEST(GridRows, LocateFindsAndGoesOn)
{
    GridHost host(300, 200);
    host.AddColumns({3, 5});
    host.AddRows(5);
    GRIDINFO* gi = host.gi();
    const char* names[] = {"anna", "bruno", "anna", "Anna", "carla"};
    for (int r = 0; r < 5; ++r)
        GridWriteCellField(gi, r + 1, 2, names[r]);
    EXPECT_EQ(1, zGridColLocate(host.grid(), 2, "anna"));
    EXPECT_EQ(1, GridLocateRow(gi, gi->locateResult));
    EXPECT_EQ(3, gi->locateResult);
    EXPECT_EQ(0, GridLocateRow(gi, gi->locateResult));
    EXPECT_EQ(0, gi->locateResult);
    EXPECT_EQ(4, zGridColLocate(host.grid(), 2, "Anna"));
    EXPECT_EQ(0, zGridColLocate(host.grid(), 3, "anna"));
    EXPECT_EQ(0, zGridColLocate(host.grid(), 0, "anna"));
    std::string longText(5000, 'x');
    EXPECT_EQ(0, zGridColLocate(host.grid(), 2, longText.c_str()));
    EXPECT_EQ(1023u, strlen(gi->locateText));
}

}  // namespace
