// Cursor moves by rows, pages and columns, with the scroll positions, the
// notifications, the caret, the row marker and the editor's place.

#include "gridhost.h"

#include "corvex.h"
#include "gridcolumns.h"
#include "gridcursor.h"
#include "gridlayout.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

namespace {

int ScrollPos(HWND window, int bar)
{
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_POS;
    GetScrollInfo(window, bar, &si);
    return si.nPos;
}

// A grid of 50 rows and four columns, cursor on row 1, column 1.
struct Fixture {
    explicit Fixture(int rows = 50, int height = 200, bool shown = false) : host(300, height, 0, shown)
    {
        host.AddColumns({5, 10, 7, 20});
        host.AddRows(rows);
        // As after a reload: the cursor is set, then the layout (and the row
        // marker's size) recalculated.
        if (rows)
            GridSetCurrentRow(host.grid(), host.gi(), 1, 1, 0, true);
        host.Recalc();
        host.ClearNotes();
    }
    HWND grid() const { return host.grid(); }
    GRIDINFO* gi() const { return host.gi(); }
    GridHost host;
};

TEST(GridCursor, RowUpAndDownStopAtTheEnds)
{
    Fixture f(3);
    GridRowUp(f.grid(), f.gi(), 0);
    EXPECT_EQ(1, f.gi()->currentRow);
    EXPECT_EQ(0, f.host.Count(GRIDN_ROWCHANGED));

    GridRowDown(f.grid(), f.gi(), 0);
    EXPECT_EQ(2, f.gi()->currentRow);
    EXPECT_EQ(1, f.gi()->previousRow);
    EXPECT_EQ(1, f.host.Count(GRIDN_QUERYJUMP));
    EXPECT_EQ(1, f.host.Count(GRIDN_ROWCHANGED));

    GridRowDown(f.grid(), f.gi(), 0);
    GridRowDown(f.grid(), f.gi(), 0);
    EXPECT_EQ(3, f.gi()->currentRow);
    EXPECT_EQ(2, f.host.Count(GRIDN_ROWCHANGED));
    GridRowUp(f.grid(), f.gi(), 0);
    EXPECT_EQ(2, f.gi()->currentRow);
}

TEST(GridCursor, ARefusedJumpDoesNotMove)
{
    Fixture f(10);
    f.host.Reply(GRIDN_QUERYJUMP, 1);
    GridRowDown(f.grid(), f.gi(), 0);
    GridLastColumn(f.grid(), f.gi());
    GridFirstColumn(f.grid(), f.gi());
    EXPECT_EQ(1, f.gi()->currentRow);
    EXPECT_EQ(1, f.gi()->currentColumn);
    EXPECT_EQ(3, f.host.Count(GRIDN_QUERYJUMP));
    EXPECT_EQ(0, f.host.Count(GRIDN_ROWCHANGED));
    EXPECT_EQ(0, f.host.Count(GRIDN_COLCHANGED));
}

TEST(GridCursor, MovesWithACauseAreNotifiedOnRequest)
{
    struct Row {
        const char* name;
        bool notifyAll;
        int cause, wantRowNotes;
    } rows[] = {
        {"program move", false, 0, 1},
        {"key move, quiet", false, VK_DOWN, 0},
        {"key move, all notified", true, VK_DOWN, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Fixture f(5);
        f.gi()->notifyAllMoves = r.notifyAll;
        GridRowDown(f.grid(), f.gi(), r.cause);
        EXPECT_EQ(2, f.gi()->currentRow);
        EXPECT_EQ(r.wantRowNotes, f.host.Count(GRIDN_ROWCHANGED));
        for (const auto& note : f.host.notes()) {
            if (note.first == GRIDN_ROWCHANGED) {
                EXPECT_EQ(r.cause, note.second);
            }
        }
        f.host.ClearNotes();
        GridNextColumn(f.grid(), f.gi(), r.cause);
        EXPECT_EQ(2, f.gi()->currentColumn);
        EXPECT_EQ(r.wantRowNotes, f.host.Count(GRIDN_COLCHANGED));
    }
}

TEST(GridCursor, RowDownScrollsOneRowPastTheBottom)
{
    Fixture f;
    GRIDINFO* gi = f.gi();
    int fit = GridRowsThatFit(gi);
    ASSERT_GT(fit, 1);
    for (int i = 1; i < fit; ++i)
        GridRowDown(f.grid(), gi, 0);
    EXPECT_EQ(fit, gi->currentRow);
    EXPECT_EQ(0, gi->topRow);
    GridRowDown(f.grid(), gi, 0);
    EXPECT_EQ(fit + 1, gi->currentRow);
    EXPECT_EQ(1, gi->topRow);
    EXPECT_EQ(1, ScrollPos(f.grid(), SB_VERT));
    EXPECT_TRUE(GridRowVisible(gi, gi->currentRow));

    // Row up from the top row shown scrolls back by one.
    for (int i = 0; i < fit; ++i)
        GridRowUp(f.grid(), gi, 0);
    EXPECT_EQ(1, gi->currentRow);
    EXPECT_EQ(0, gi->topRow);
    EXPECT_EQ(0, ScrollPos(f.grid(), SB_VERT));
}

TEST(GridCursor, PagesAndEnds)
{
    Fixture f;
    GRIDINFO* gi = f.gi();
    int fit = GridRowsThatFit(gi);
    ASSERT_GT(fit, 0);
    GridPageDown(f.grid(), gi);
    EXPECT_EQ(fit, gi->topRow);
    EXPECT_EQ(fit + 1, gi->currentRow);
    EXPECT_EQ(fit, ScrollPos(f.grid(), SB_VERT));
    EXPECT_EQ(1, f.host.Count(GRIDN_ROWCHANGED));

    GridPageUp(f.grid(), gi);
    EXPECT_EQ(0, gi->topRow);
    EXPECT_EQ(1, gi->currentRow);

    GridLastRow(f.grid(), gi);
    EXPECT_EQ(50, gi->currentRow);
    EXPECT_EQ(gi->vScrollMax, gi->topRow);
    EXPECT_EQ(50 - fit, gi->vScrollMax);
    EXPECT_EQ(gi->vScrollMax, ScrollPos(f.grid(), SB_VERT));
    EXPECT_TRUE(GridRowVisible(gi, 50));

    GridPageDown(f.grid(), gi);
    EXPECT_EQ(50, gi->currentRow);

    GridFirstRow(f.grid(), gi);
    EXPECT_EQ(1, gi->currentRow);
    EXPECT_EQ(0, gi->topRow);
    EXPECT_EQ(0, ScrollPos(f.grid(), SB_VERT));

    GridPageUp(f.grid(), gi);
    EXPECT_EQ(1, gi->currentRow);
}

TEST(GridCursor, PageDownNearTheEndNeverGoesUp)
{
    Fixture f;
    GRIDINFO* gi = f.gi();
    int fit = GridRowsThatFit(gi);
    ASSERT_GT(fit, 3);
    GridLastRow(f.grid(), gi);
    GridRowUp(f.grid(), gi, 0);
    GridRowUp(f.grid(), gi, 0);
    GridRowUp(f.grid(), gi, 0);
    ASSERT_EQ(47, gi->currentRow);
    ASSERT_EQ(gi->vScrollMax, gi->topRow);
    GridPageDown(f.grid(), gi);
    EXPECT_EQ(50, gi->currentRow);
}

TEST(GridCursor, PageDownWithNoWholeRowMovesByOne)
{
    // Room for the header and half a row.
    GridHost probe(300, 200);
    int height = GridHeaderHeight(probe.gi()) + GridRowHeight(probe.gi()) / 2;
    Fixture f(10, height);
    GRIDINFO* gi = f.gi();
    ASSERT_EQ(0, GridRowsThatFit(gi));
    EXPECT_EQ(10, gi->vScrollMax);
    GridPageDown(f.grid(), gi);
    EXPECT_EQ(2, gi->currentRow);
    EXPECT_EQ(1, gi->topRow);
}

TEST(GridCursor, NoRowsNoMoves)
{
    Fixture f(0);
    GRIDINFO* gi = f.gi();
    GridRowDown(f.grid(), gi, 0);
    GridPageDown(f.grid(), gi);
    GridLastRow(f.grid(), gi);
    EXPECT_FALSE(GridNextColumn(f.grid(), gi, 0));
    GridMoveToColumn(f.grid(), gi, 2, GRID_FORWARD, 0);
    EXPECT_EQ(0, gi->currentRow);
    EXPECT_EQ(0, gi->currentColumn);
    EXPECT_EQ(0, f.host.Count(GRIDN_ROWCHANGED));
    GridPlaceCaret(f.grid(), gi);
    EXPECT_FALSE(GetWindowLongA(gi->rowMarker, GWL_STYLE) & WS_VISIBLE);
}

TEST(GridCursor, ColumnsSkipWhatCannotTakeTheCursor)
{
    Fixture f(5);
    GRIDINFO* gi = f.gi();
    gi->stopOnReadOnly = false;
    gi->columns[1].columnReadOnly = true;
    EXPECT_TRUE(GridNextColumn(f.grid(), gi, 0));
    EXPECT_EQ(3, gi->currentColumn);
    EXPECT_TRUE(GridNextColumn(f.grid(), gi, 0));
    EXPECT_EQ(4, gi->currentColumn);
    EXPECT_FALSE(GridNextColumn(f.grid(), gi, 0));
    EXPECT_TRUE(GridPreviousColumn(f.grid(), gi, 0));
    EXPECT_TRUE(GridPreviousColumn(f.grid(), gi, 0));
    EXPECT_EQ(1, gi->currentColumn);
    EXPECT_FALSE(GridPreviousColumn(f.grid(), gi, 0));
    EXPECT_EQ(4, f.host.Count(GRIDN_COLCHANGED));
}

TEST(GridCursor, FirstAndLastColumnScrollSideways)
{
    GridHost host(200, 200);
    host.AddColumns({30, 30, 30, 30});
    host.AddRows(5);
    GRIDINFO* gi = host.gi();
    GridSetCurrentRow(host.grid(), gi, 1, 1, 0, true);
    ASSERT_GT(gi->hScrollMax, 0);
    GridLastColumn(host.grid(), gi);
    EXPECT_EQ(4, gi->currentColumn);
    // Scrolled to the end, then back so that the last column starts at the
    // left edge (it would be cut there otherwise).
    int lastStart = 90 < gi->hScrollMax ? 90 : gi->hScrollMax;
    EXPECT_EQ(lastStart, gi->leftOffset);
    EXPECT_EQ(lastStart, ScrollPos(host.grid(), SB_HORZ));
    GridFirstColumn(host.grid(), gi);
    EXPECT_EQ(1, gi->currentColumn);
    EXPECT_EQ(0, gi->leftOffset);
    EXPECT_EQ(0, ScrollPos(host.grid(), SB_HORZ));

    // A column out of sight comes to the left edge.
    GridNextColumn(host.grid(), gi, 0);
    EXPECT_EQ(2, gi->currentColumn);
    int want = 30 < gi->hScrollMax ? 30 : gi->hScrollMax;
    EXPECT_EQ(want, gi->leftOffset);

    // Scrolling is clamped to the range.
    GridScrollHorizontally(host.grid(), gi, 10000);
    EXPECT_EQ(gi->hScrollMax, gi->leftOffset);
    GridScrollHorizontally(host.grid(), gi, -10000);
    EXPECT_EQ(0, gi->leftOffset);
}

TEST(GridCursor, TheStatusBarNamesTheColumn)
{
    Fixture f(3);
    GRIDINFO* gi = f.gi();
    gi->statusBar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD, 0, 0, 0, 0, f.grid(), nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
    int parts[] = {23, 48, 73, 98, 123, 148, -1};
    SendMessageA(gi->statusBar, SB_SETPARTS, 7, reinterpret_cast<LPARAM>(parts));
    GridSetText(gi->columns[1].description, "the second");
    struct Row {
        const char* name;
        bool quiet;
        int column;
        const char* want;
    } rows[] = {
        {"with description", false, 2, "[c2] the second"},
        {"without description", false, 3, "[c3] "},
        {"quiet", true, 1, "[c3] "},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        gi->noStatusText = r.quiet;
        GridMoveToColumn(f.grid(), gi, r.column, GRID_NODIRECTION, 0);
        EXPECT_EQ(r.column, gi->currentColumn);
        char text[128] = {};
        SendMessageA(gi->statusBar, SB_GETTEXTA, 6, reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ(r.want, text);
    }
}

TEST(GridCursor, HidingTheCurrentColumnMovesTheCursorOn)
{
    Fixture f(3);
    GRIDINFO* gi = f.gi();
    GridMoveToColumn(f.grid(), gi, 2, GRID_NODIRECTION, 0);
    f.host.ClearNotes();
    GridSetDisplayWidth(f.grid(), gi, 2, 0);
    EXPECT_EQ(3, gi->currentColumn);
    EXPECT_EQ(1, f.host.Count(GRIDN_COLCHANGED));
    GridSetDisplayWidth(f.grid(), gi, 1, 9);
    EXPECT_EQ(9, gi->columns[0].displayWidth);
    EXPECT_EQ(3, gi->currentColumn);
}

// Courier New (or its metric twin) 24 pixels high: its characters are
// 0.6 of that wide, and its ascent and descent (0.833 and 0.3 of it, 20
// and 8 pixels) make 28 with no leading.
TEST(GridCursor, FontMetricsComeFromTheFont)
{
    Fixture f(3);
    GRIDINFO* gi = f.gi();
    HFONT font = CreateFontA(-24, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Courier New");
    ASSERT_TRUE(font);
    GridSetFontMetrics(f.grid(), gi, font);
    EXPECT_EQ(14, gi->charWidth);
    EXPECT_EQ(28, gi->charHeight);
    EXPECT_EQ((5 + 10 + 7 + 20) * 14, gi->totalPixelWidth);
    DeleteObject(font);
}

TEST(GridCursor, RowMarkerShowsTheCurrentRow)
{
    Fixture f(20);
    GRIDINFO* gi = f.gi();
    GridRowDown(f.grid(), gi, 0);
    GridRowDown(f.grid(), gi, 0);
    HWND marker = gi->rowMarker;
    EXPECT_TRUE(GetWindowLongA(marker, GWL_STYLE) & WS_VISIBLE);
    char text[16] = {};
    GetWindowTextA(marker, text, sizeof text);
    EXPECT_STREQ("3", text);
    RECT rc;
    GetWindowRect(marker, &rc);
    MapWindowPoints(nullptr, f.grid(), reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(GridRowTop(gi, 2), rc.top);
    EXPECT_EQ(0, rc.left);
    EXPECT_EQ(gi->rowNumberWidth * gi->charWidth, rc.right - rc.left);
    EXPECT_EQ(GridRowHeight(gi), rc.bottom - rc.top);
}

TEST(GridCursor, CaretOnlyWithTheFocus)
{
    Fixture f(10, 200, true);
    GRIDINFO* gi = f.gi();
    GridRowDown(f.grid(), gi, 0);
    GridNextColumn(f.grid(), gi, 0);

    SetFocus(f.host.parent());
    DestroyCaret();
    GridPlaceCaret(f.grid(), gi);
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetGUIThreadInfo(GetCurrentThreadId(), &info));
    EXPECT_NE(f.grid(), info.hwndCaret);

    SetFocus(f.grid());
    ASSERT_EQ(f.grid(), GetFocus());
    f.host.ClearNotes();
    GridPlaceCaret(f.grid(), gi);
    EXPECT_EQ(1, f.host.Count(GRIDN_CARET));
    ASSERT_TRUE(GetGUIThreadInfo(GetCurrentThreadId(), &info));
    EXPECT_EQ(f.grid(), info.hwndCaret);
    EXPECT_EQ(GridColumnLeft(gi, 2), info.rcCaret.left);
    EXPECT_EQ(GridRowTop(gi, 1), info.rcCaret.top);
    EXPECT_EQ(2, info.rcCaret.right - info.rcCaret.left);
    EXPECT_EQ(GridRowHeight(gi), info.rcCaret.bottom - info.rcCaret.top);

    // Without a current cell the caret marks the corner of the header.
    gi->currentRow = 0;
    GridPlaceCaret(f.grid(), gi);
    ASSERT_TRUE(GetGUIThreadInfo(GetCurrentThreadId(), &info));
    EXPECT_EQ(4, info.rcCaret.left);
    EXPECT_EQ(4, info.rcCaret.top);
    EXPECT_EQ(gi->rowNumberWidth * gi->charWidth - 8, info.rcCaret.right - info.rcCaret.left);
    EXPECT_EQ(GridHeaderHeight(gi) - 8, info.rcCaret.bottom - info.rcCaret.top);
    DestroyCaret();
}

TEST(GridCursor, TheEditorSitsOnTheCellAndCloses)
{
    Fixture f(10, 200, true);
    GRIDINFO* gi = f.gi();
    GridRowDown(f.grid(), gi, 0);
    // The system font is 7 by 16 pixels: rows are 19 high, and with 10 rows
    // the row numbers take 4 characters. Row 2 starts below the header (22)
    // and row 1; column 1 is 5 characters wide.
    ASSERT_EQ(7, gi->charWidth);
    ASSERT_EQ(16, gi->charHeight);
    struct Row {
        const char* name;
        const char* cls;
        DWORD style;
        int height;
    } rows[] = {
        {"edit", "edit", 0, 19},
        {"multi-line edit", "edit", ES_MULTILINE, 190},
        {"date picker", DATETIMEPICK_CLASSA, 0, 22},
    };
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_DATE_CLASSES};
    InitCommonControlsEx(&icc);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        gi->editor = CreateWindowExA(0, r.cls, "", WS_CHILD | r.style, 0, 0, 1, 1, f.grid(), nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(gi->editor);
        HWND editor = gi->editor;
        GridPlaceEditor(f.grid(), gi);
        RECT rc;
        GetWindowRect(editor, &rc);
        MapWindowPoints(nullptr, f.grid(), reinterpret_cast<POINT*>(&rc), 2);
        EXPECT_EQ(28, rc.left);
        EXPECT_EQ(41, rc.top);
        EXPECT_EQ(35, rc.right - rc.left);
        EXPECT_EQ(r.height, rc.bottom - rc.top);
        EXPECT_TRUE(IsWindowVisible(editor));

        f.host.ClearNotes();
        gi->cellModified = true;
        zGridEditOff(f.grid());
        EXPECT_FALSE(IsWindow(editor));
        EXPECT_EQ(nullptr, gi->editor);
        ASSERT_EQ(2u, f.host.notes().size());
        EXPECT_EQ(std::make_pair(static_cast<int>(GRIDN_EDITENDED), 1), f.host.notes()[0]);
        EXPECT_EQ(std::make_pair(static_cast<int>(GRIDN_CHANGED), static_cast<int>(GRID_CHANGE_EDIT)),
                  f.host.notes()[1]);
    }

    // The current column's own look-up combo is only hidden.
    GridColComboAdd(f.grid(), gi, 1, "one");
    HWND combo = gi->columns[0].lookupCombo;
    gi->editor = combo;
    GridPlaceEditor(f.grid(), gi);
    RECT rc;
    GetWindowRect(combo, &rc);
    EXPECT_GE(rc.bottom - rc.top, 19);
    GridRowDown(f.grid(), gi, 0);
    EXPECT_TRUE(IsWindow(combo));
    EXPECT_FALSE(IsWindowVisible(combo));
    EXPECT_EQ(nullptr, gi->editor);
}

}  // namespace
