// Where a point of a "zgrid" window falls, as the owner asks it and as a
// click answers it, and the current row's history on every way of moving.

#include "zgridwindow.h"

#include "corvex.h"
#include "gridlayout.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

// Four wide columns over twelve rows: the last columns lie beyond the
// window's right edge, and the rows end above its bottom.
void MakeGrid(ZGridWindow& g)
{
    g.AddTextColumns({20, 20, 20, 20});
    g.AddRows(12);
}

TEST(GridHits, TheOwnersHitTestAnswersAsAClick)
{
    struct Row {
        const char* name;
        bool scrolled;  // the view moved right first
        std::function<POINT(const GRIDINFO*)> point;
        int row, column;  // 0, 0: no cell
    } rows[] = {
        {"a cell", false,
         [](const GRIDINFO* gi) -> POINT { return {GridColumnLeft(gi, 2) + 5, GridRowTop(gi, 2) + 2}; }, 3, 2},
        {"the header", false,
         [](const GRIDINFO* gi) -> POINT { return {GridColumnLeft(gi, 2) + 5, GridHeaderHeight(gi) / 2}; }, 0, 0},
        {"the row numbers", false,
         [](const GRIDINFO* gi) -> POINT { return {gi->rowNumberWidth * gi->charWidth / 2, GridRowTop(gi, 2) + 2}; },
         0, 0},
        {"below the last row", false,
         [](const GRIDINFO* gi) -> POINT { return {GridColumnLeft(gi, 1) + 5, GridRowTop(gi, 12) + 2}; }, 0, 0},
        {"a column partly scrolled away", true,
         [](const GRIDINFO* gi) -> POINT {
             int numbers = gi->rowNumberWidth * gi->charWidth;
             return {numbers + 2, GridRowTop(gi, 4) + 2};
         },
         5, 0 /* the column whose left edge lies under the row numbers */},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ZGridWindow g;
        MakeGrid(g);
        GRIDINFO* gi = g.gi();
        if (r.scrolled) {
            g.Send(GRIDM_GOTOCOLUMN, 4);
            ASSERT_GT(gi->leftOffset, 0);
        }
        POINT pt = r.point(gi);
        int wantColumn = r.column;
        if (r.scrolled) {
            for (int c = 1; c <= gi->columnCount; ++c) {
                int left = GridColumnLeft(gi, c);
                if (pt.x >= left && pt.x < left + gi->columns[c - 1].displayWidth * gi->charWidth)
                    wantColumn = c;
            }
            ASSERT_LT(GridColumnLeft(gi, wantColumn), gi->rowNumberWidth * gi->charWidth) << "partly scrolled";
        }
        EXPECT_EQ(r.row, zGridGetRowByXY(g.grid(), pt.x, pt.y));
        EXPECT_EQ(wantColumn, zGridGetColByXY(g.grid(), pt.x, pt.y));

        // A click on the same point selects the same cell, or nothing.
        g.Send(GRIDM_GOTOROW, 0, 10);
        g.Send(GRIDM_GOTOCOLUMN, 3);
        g.Click(pt);
        EXPECT_EQ(r.row ? r.row : 10, gi->currentRow);
        EXPECT_EQ(r.row ? wantColumn : 3, gi->currentColumn);
    }
}

TEST(GridHits, ThePreviousRowIsTheRowLeftOnEveryWayOfMoving)
{
    struct Row {
        const char* name;
        std::function<void(ZGridWindow&)> move;
        int to;
    } rows[] = {
        {"down arrow", [](ZGridWindow& g) { g.Key(VK_DOWN); }, 4},
        {"up arrow", [](ZGridWindow& g) { g.Key(VK_UP); }, 2},
        {"click", [](ZGridWindow& g) { g.Click(g.CellCentre(6, 1)); }, 6},
        {"go to row", [](ZGridWindow& g) { g.Send(GRIDM_GOTOROW, 0, 7); }, 7},
        {"scroll bar thumb", [](ZGridWindow& g) { g.Send(WM_VSCROLL, SB_THUMBPOSITION); }, 1},
        {"last row", [](ZGridWindow& g) { g.Key(VK_NEXT); }, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ZGridWindow g;
        g.AddTextColumns({10, 10});
        g.AddRows(8);
        g.Send(GRIDM_GOTOROW, 0, 3);
        ASSERT_EQ(3, g.gi()->currentRow);
        r.move(g);
        if (r.to) {
            EXPECT_EQ(r.to, g.gi()->currentRow);
        }
        EXPECT_NE(3, g.gi()->currentRow);
        EXPECT_EQ(3, g.gi()->previousRow);
    }
}

}  // namespace
