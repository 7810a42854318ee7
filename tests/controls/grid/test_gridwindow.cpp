// A real "zgrid" window of the loaded Corvex.dll over a real SQLite table:
// its life, its own messages, scroll bars, clicks, column resizing and
// painting (through the cell-draw records and the pixels on screen).

#include "sqlitedsn.h"

#include "corvex.h"
#include "gridlayout.h"
#include "gridmsg.h"
#include "gridwindow.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

const char kParentClass[] = "CorvexGridWindowTestParent";

// The parent: records notifications and draw records, answers as told.
struct Parent {
    std::vector<std::pair<int, int>> notes;  // (code, value)
    std::vector<std::pair<int, int>> drawn;  // (row, column)
    LRESULT queryJumpReply = 0;
    int tintRow = 0, tintColumn = 0;  // a cell the parent colours
    COLORREF tint = 0;

    int Count(int code) const
    {
        int n = 0;
        for (const auto& note : notes)
            n += note.first == code;
        return n;
    }
    int Last(int code) const
    {
        for (auto it = notes.rbegin(); it != notes.rend(); ++it)
            if (it->first == code)
                return it->second;
        return -1;
    }
};

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* p = reinterpret_cast<Parent*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (p && msg == WM_COMMAND && lParam) {
        int code = HIWORD(wParam);
        p->notes.push_back({code, static_cast<short>(LOWORD(wParam))});
        return code == GRIDN_QUERYJUMP ? p->queryJumpReply : 0;
    }
    if (p && msg == WM_NOTIFY && wParam == GRID_NOTIFY_ID) {
        auto* rec = reinterpret_cast<GRIDCELLDRAW*>(lParam);
        if (rec->header.code == GRIDN_DRAWCELL) {
            p->drawn.push_back({rec->row, rec->column});
            if (rec->row == p->tintRow && rec->column == p->tintColumn) {
                rec->flags |= GRIDCD_BACKCOLOR;
                rec->backColor = p->tint;
            }
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void MakeItems(const std::string& table, int rows)
{
    sqlitedsn::Connection db;
    ASSERT_TRUE(db.ok());
    db.Run("DROP TABLE IF EXISTS " + table);
    ASSERT_EQ(SQL_SUCCESS, db.Run("CREATE TABLE " + table +
                                  " (id INTEGER PRIMARY KEY, name VARCHAR(12), qty INTEGER)"));
    db.Run("BEGIN");
    for (int i = 1; i <= rows; ++i) {
        char sql[160];
        snprintf(sql, sizeof sql, "INSERT INTO %s VALUES (%d, 'item%02d', %d)", table.c_str(), i, i, i % 7);
        ASSERT_EQ(SQL_SUCCESS, db.Run(sql));
    }
    db.Run("COMMIT");
}

// A shown parent with one zgrid child of 400 x 300 pixels.
class GridWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ParentProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kParentClass;
        RegisterClassA(&wc);
        parent_ = CreateWindowExA(0, kParentClass, "grid", WS_POPUP | WS_VISIBLE, 0, 0, 500, 400, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, parent_);
        SetWindowLongPtrA(parent_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&p_));
        grid_ = CreateWindowExA(0, "zgrid", "", WS_CHILD | WS_VISIBLE, 0, 0, 400, 300, parent_, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, grid_) << GetLastError();
        SendMessageA(grid_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
        gi_ = GridInfo(grid_);
        ASSERT_NE(nullptr, gi_);
    }
    void TearDown() override
    {
        if (parent_)
            DestroyWindow(parent_);
    }
    // Browses a table of `rows` items; false when there is no data source
    // (the set-up provides one: a failure, not a skip).
    bool Bind(int rows)
    {
        if (sqlitedsn::Name().empty())
            return false;
        MakeItems("gw_items", rows);
        return zGridBrowse(grid_, nullptr, sqlitedsn::Name().c_str(), "", "", "gw_items", "", "", "id", "*", "", "",
                           "", 0);
    }
    POINT CellCentre(int row, int column) const
    {
        int left = GridColumnLeft(gi_, column);
        int width = gi_->columns[column - 1].displayWidth * gi_->charWidth;
        return {left + width / 2, GridRowTop(gi_, row - 1) + GridRowHeight(gi_) / 2};
    }
    LRESULT Mouse(UINT msg, POINT pt) { return SendMessageA(grid_, msg, 0, MAKELPARAM(pt.x, pt.y)); }
    void Pump()
    {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&m);
    }

    Parent p_;
    HWND parent_ = nullptr;
    HWND grid_ = nullptr;
    GRIDINFO* gi_ = nullptr;
};

// Reports, from inside the grid's own destruction, whether the record was
// still attached before and is gone after the procedure ran.
WNDPROC g_gridProc = nullptr;
int g_recordBefore = -1, g_recordAfter = -1;
LRESULT CALLBACK Subclass(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != WM_DESTROY)
        return CallWindowProcA(g_gridProc, hwnd, msg, wParam, lParam);
    g_recordBefore = GetPropA(hwnd, "ZGRID") != nullptr;
    LRESULT r = CallWindowProcA(g_gridProc, hwnd, msg, wParam, lParam);
    g_recordAfter = GetPropA(hwnd, "ZGRID") != nullptr;
    return r;
}

TEST_F(GridWindow, CreationBuildsTheRecordAndChildrenAndDestructionFreesIt)
{
    char cls[64] = "";
    ASSERT_TRUE(IsWindow(gi_->statusBar));
    GetClassNameA(gi_->statusBar, cls, sizeof cls);
    EXPECT_STRCASEEQ("msctls_statusbar32", cls);
    ASSERT_TRUE(IsWindow(gi_->rowMarker));
    GetClassNameA(gi_->rowMarker, cls, sizeof cls);
    EXPECT_STRCASEEQ("static", cls);
    EXPECT_FALSE(IsWindowVisible(gi_->rowMarker)) << "no current row yet";
    EXPECT_EQ(7, SendMessageA(gi_->statusBar, SB_GETPARTS, 0, 0));
    EXPECT_NE(nullptr, gi_->editorBrush);
    EXPECT_EQ(-1, gi_->pickerMilliseconds);
    EXPECT_TRUE(gi_->stopOnReadOnly);
    EXPECT_NE(nullptr, gi_->memoryDC) << "the off-screen surface is built on WM_SIZE";
    EXPECT_NE(nullptr, gi_->boldFont);
    EXPECT_GT(gi_->statusBarHeight, 0);
    EXPECT_GT(gi_->charWidth, 0);
    EXPECT_EQ(1, SendMessageA(grid_, WM_ERASEBKGND, 0, 0));

    g_gridProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(grid_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Subclass)));
    ASSERT_NE(nullptr, g_gridProc);
    EXPECT_TRUE(DestroyWindow(grid_));
    EXPECT_EQ(1, g_recordBefore);
    EXPECT_EQ(0, g_recordAfter) << "the record is detached on WM_DESTROY";
}

TEST_F(GridWindow, ScrollBarsMoveTheCursor)
{
    ASSERT_TRUE(Bind(40)) << sqlitedsn::Problem();
    ASSERT_EQ(40, gi_->rowCount);
    ASSERT_EQ(1, gi_->currentRow);
    int fit = GridRowsThatFit(gi_);
    ASSERT_GT(fit, 2);
    ASSERT_LT(fit, 40);
    p_.notes.clear();
    SendMessageA(grid_, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(2, gi_->currentRow);
    EXPECT_EQ(1, p_.Count(GRIDN_ROWCHANGED));
    SendMessageA(grid_, WM_VSCROLL, SB_LINEUP, 0);
    EXPECT_EQ(1, gi_->currentRow);
    SendMessageA(grid_, WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(fit, gi_->topRow) << "a page of whole rows";
    EXPECT_EQ(fit + 1, gi_->currentRow);
    SendMessageA(grid_, WM_VSCROLL, SB_PAGEUP, 0);
    EXPECT_EQ(0, gi_->topRow);
    EXPECT_EQ(1, gi_->currentRow);

    int column = gi_->currentColumn;
    SendMessageA(grid_, WM_HSCROLL, SB_LINERIGHT, 0);
    EXPECT_EQ(column + 1, gi_->currentColumn);
    SendMessageA(grid_, WM_HSCROLL, SB_LINELEFT, 0);
    EXPECT_EQ(column, gi_->currentColumn);
    SendMessageA(grid_, WM_HSCROLL, SB_PAGERIGHT, 0);
    EXPECT_EQ(3, gi_->currentColumn) << "three moves, stopped at the last column";

    p_.queryJumpReply = 1;
    SendMessageA(grid_, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(1, gi_->currentRow) << "the parent refused the jump";
}

TEST_F(GridWindow, ClicksSelectCellsAndHeadersNotify)
{
    ASSERT_TRUE(Bind(10)) << sqlitedsn::Problem();
    p_.notes.clear();
    Mouse(WM_LBUTTONDOWN, CellCentre(3, 2));
    EXPECT_EQ(3, gi_->currentRow);
    EXPECT_EQ(2, gi_->currentColumn);
    EXPECT_EQ(1, gi_->previousRow) << "the row left";
    EXPECT_EQ(0, p_.Last(GRIDN_ROWCHANGED));
    EXPECT_EQ(grid_, GetFocus());

    // Below the last row and left of the columns nothing is hit.
    Mouse(WM_LBUTTONDOWN, {gi_->rowNumberWidth * gi_->charWidth / 2, GridRowTop(gi_, 4) + 2});
    EXPECT_EQ(3, gi_->currentRow);

    p_.queryJumpReply = 1;
    Mouse(WM_LBUTTONDOWN, CellCentre(5, 1));
    EXPECT_EQ(3, gi_->currentRow) << "refused by the parent";
    p_.queryJumpReply = 0;

    p_.notes.clear();
    POINT header = CellCentre(1, 3);
    header.y = GridHeaderHeight(gi_) / 2;
    Mouse(WM_LBUTTONUP, header);
    EXPECT_EQ(1, p_.Count(GRIDN_HEADERCLICK));
    EXPECT_EQ(3, p_.Last(GRIDN_HEADERCLICK));
}

TEST_F(GridWindow, DraggingAHeaderBorderResizesTheColumn)
{
    ASSERT_TRUE(Bind(5)) << sqlitedsn::Problem();
    // The drag clips the pointer. Wine's X11 driver then grabs the X
    // pointer when the window is in front, and under a bare X server that
    // grab can fail and end the program: keep the window behind the desktop.
    SetForegroundWindow(GetDesktopWindow());
    Pump();
    int before = gi_->columns[1].displayWidth;
    int border = GridColumnLeft(gi_, 2) + before * gi_->charWidth;
    POINT down = {border - 1, GridHeaderHeight(gi_) / 2};
    EXPECT_EQ(1, Mouse(WM_LBUTTONDOWN, down));
    EXPECT_TRUE(gi_->resizingColumn);
    EXPECT_EQ(grid_, GetCapture());
    int grow = 4 * gi_->charWidth + 1;
    Mouse(WM_MOUSEMOVE, {down.x + grow, down.y});
    EXPECT_EQ(1, Mouse(WM_LBUTTONUP, {down.x + grow, down.y}));
    EXPECT_FALSE(gi_->resizingColumn);
    EXPECT_EQ(nullptr, GetCapture());
    int grown = gi_->columns[1].displayWidth;
    EXPECT_EQ((before * gi_->charWidth + grow) / gi_->charWidth, grown);

    // Dragged shut, the column is hidden.
    down.x = GridColumnLeft(gi_, 2) + grown * gi_->charWidth - 1;
    EXPECT_EQ(1, Mouse(WM_LBUTTONDOWN, down));
    Mouse(WM_MOUSEMOVE, {down.x - grown * gi_->charWidth - 5, down.y});
    Mouse(WM_LBUTTONUP, {down.x - grown * gi_->charWidth - 5, down.y});
    EXPECT_EQ(0, SendMessageA(grid_, GRIDM_GETDISPLAYWIDTH, 2, 0));
    EXPECT_EQ(0, SendMessageA(grid_, GRIDM_GETVISIBLE, 2, 0));

    // Away from a border a press selects instead of resizing.
    EXPECT_EQ(0, Mouse(WM_LBUTTONDOWN, CellCentre(2, 1)));
    EXPECT_FALSE(gi_->resizingColumn);
}

// A drag that loses the mouse (another window takes it, or the grid goes
// away) ends there: the pointer is not left confined to the header's line.
TEST_F(GridWindow, ADragThatLosesTheMouseFreesThePointer)
{
    ASSERT_TRUE(Bind(5)) << sqlitedsn::Problem();
    SetForegroundWindow(GetDesktopWindow());  // see the drag test above
    Pump();
    RECT free;
    GetClipCursor(&free);
    for (bool destroyed : {false, true}) {
        SCOPED_TRACE(destroyed ? "the grid is destroyed" : "another window takes the mouse");
        int border = GridColumnLeft(gi_, 2) + gi_->columns[1].displayWidth * gi_->charWidth;
        ASSERT_EQ(1, Mouse(WM_LBUTTONDOWN, {border - 1, GridHeaderHeight(gi_) / 2}));
        ASSERT_TRUE(gi_->resizingColumn);
        if (destroyed) {
            DestroyWindow(grid_);
        } else {
            SetCapture(parent_);
            EXPECT_FALSE(gi_->resizingColumn);
            ReleaseCapture();
        }
        RECT now;
        GetClipCursor(&now);
        EXPECT_TRUE(EqualRect(&free, &now)) << now.left << "," << now.top << " " << now.right << "," << now.bottom;
    }
}

TEST_F(GridWindow, OneWheelNotchMovesTwoRows)
{
    ASSERT_TRUE(Bind(10)) << sqlitedsn::Problem();
    SendMessageA(grid_, GRIDM_GOTOROW, 0, 3);
    ASSERT_EQ(3, gi_->currentRow);
    SendMessageA(grid_, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(1, gi_->currentRow);
    SendMessageA(grid_, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_EQ(3, gi_->currentRow);
    SendMessageA(grid_, WM_MOUSEWHEEL, 0, 0);
    EXPECT_EQ(3, gi_->currentRow) << "no delta, no move";
}

TEST_F(GridWindow, SizesOfStoredRowsCannotBeChangedUnderThem)
{
    // The row count is the store's own.
    zGridColAdd(grid_, 8, 0, "a", "a", 8, GRID_TEXT, 0, "", true);
    SendMessageA(grid_, GRIDM_SETROWCOUNT, 0, 5);
    EXPECT_EQ(0, gi_->rowCount) << "no rows claimed beyond the store";
    SendMessageA(grid_, GRIDM_SETDATAWIDTH, 1, 20);
    EXPECT_EQ(20, gi_->columns[0].dataWidth) << "without rows the width may change";
    EXPECT_EQ(20, gi_->totalDataWidth);
    SendMessageA(grid_, GRIDM_REMOVECOLUMNS, 0, 0);
    EXPECT_EQ(0, gi_->columnCount);
}

COLORREF PixelAt(HWND window, POINT pt)
{
    HDC dc = GetDC(window);
    COLORREF c = GetPixel(dc, pt.x, pt.y);
    ReleaseDC(window, dc);
    return c;
}

TEST_F(GridWindow, PaintingDrawsEveryVisibleCellWithItsColours)
{
    ASSERT_TRUE(Bind(40)) << sqlitedsn::Problem();
    p_.tintRow = 2;
    p_.tintColumn = 3;
    p_.tint = RGB(200, 30, 40);
    p_.drawn.clear();
    InvalidateRect(grid_, nullptr, FALSE);
    UpdateWindow(grid_);
    int fit = GridRowsThatFit(gi_);
    ASSERT_FALSE(p_.drawn.empty());
    EXPECT_EQ(std::make_pair(1, 1), p_.drawn.front());
    int lastRow = 0;
    for (const auto& cell : p_.drawn)
        lastRow = cell.first > lastRow ? cell.first : lastRow;
    EXPECT_GE(lastRow, fit) << "every whole row that fits is drawn";
    RECT client;
    GetClientRect(grid_, &client);
    int pitch = GridRowHeight(gi_);
    EXPECT_LE(lastRow, (client.bottom - GridHeaderHeight(gi_) + pitch - 1) / pitch) << "none below the window";
    EXPECT_EQ(static_cast<size_t>(lastRow) * 3, p_.drawn.size());

    // A point of a cell clear of its text (names stand left, numbers
    // right): the background alone.
    auto spot = [&](int row, int column) {
        POINT pt = CellCentre(row, column);
        int left = GridColumnLeft(gi_, column);
        pt.x = column == 2 ? left + gi_->columns[column - 1].displayWidth * gi_->charWidth - 3 : left + 3;
        return pt;
    };
    struct Row {
        const char* what;
        int row, column;
        COLORREF colour;
    } rows[] = {{"row 1 stripe", 1, 3, 0xD9E9D8},
                {"row 2 stripe", 2, 2, 0xF0FAFA},
                {"parent's colour", 2, 3, RGB(200, 30, 40)},
                {"row 3 stripe", 3, 3, 0xD9E9D8}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(r.colour, PixelAt(grid_, spot(r.row, r.column)));
    }

    // The current row marked, then a partial repaint draws only that band.
    SendMessageA(grid_, GRIDM_SETMARKCURRENTROW, 1, 0);
    p_.drawn.clear();
    SendMessageA(grid_, GRIDM_REPAINTROW, 0, 1);
    UpdateWindow(grid_);
    ASSERT_FALSE(p_.drawn.empty());
    for (const auto& cell : p_.drawn)
        EXPECT_EQ(1, cell.first);
    EXPECT_EQ(static_cast<COLORREF>(0xA6FDFB), PixelAt(grid_, spot(1, 3)));
}

// Without a header row 1 starts at the top of the client area: a row
// repainted alone, and the last row shown in part (no status bar either),
// are drawn like every other.
TEST_F(GridWindow, WithoutHeaderEveryRowIsPainted)
{
    struct Row {
        const char* name;
        DWORD style;
        int rows;
        bool written;  // row 3 written (its band alone repainted), else all painted
    } rows[] = {
        {"a written row", GRIDS_NOHEADER, 6, true},
        {"the partly shown last row", GRIDS_NOHEADER | GRIDS_NOSTATUSBAR, 30, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        SendMessageA(grid_, GRIDM_REMOVECOLUMNS, 0, 0);
        for (const char* name : {"a", "b", "c"})
            zGridColAdd(grid_, 8, 0, name, name, 8, GRID_TEXT, 0, "", true);
        for (int i = 0; i < r.rows; ++i)
            SendMessageA(grid_, GRIDM_INSERTROW, 0, 0);
        SendMessageA(grid_, GRIDM_SETSTYLE, 0, static_cast<LPARAM>(r.style));
        ASSERT_EQ(0, GridHeaderHeight(gi_));
        int pitch = GridRowHeight(gi_);
        int row = 3;
        if (r.written) {
            UpdateWindow(grid_);
            zGridPutText(grid_, row, 1, "x");
        } else {
            // Half of row 19 shows.
            MoveWindow(grid_, 0, 0, 400, 18 * pitch + pitch / 2, TRUE);
            RECT client;
            GetClientRect(grid_, &client);
            ASSERT_EQ(18 * pitch + pitch / 2, client.bottom);
            row = 19;
        }
        UpdateWindow(grid_);
        POINT pt = {GridColumnLeft(gi_, 1) + 8 * gi_->charWidth - 3, GridRowTop(gi_, row - 1) + 2};
        EXPECT_EQ(static_cast<COLORREF>(row % 2 ? 0xD9E9D8 : 0xF0FAFA), PixelAt(grid_, pt));
    }
}

// Moving a row of an unbound grid takes the cursor along: the caret and
// the row marker follow it.
TEST_F(GridWindow, AMovedRowTakesTheCaretAndMarker)
{
    struct Row {
        const char* name;
        UINT msg;
        WPARAM column;  // 0: the current one stays
        int row;        // where row 3 goes
    } rows[] = {
        {"up", GRIDM_MOVEROWUP, 0, 2},
        {"down", GRIDM_MOVEROWDOWN, 0, 4},
        {"up at column 2", GRIDM_MOVEROWUPAT, 2, 2},
    };
    for (const char* name : {"a", "b", "c"})
        zGridColAdd(grid_, 8, 0, name, name, 8, GRID_TEXT, 0, "", true);
    for (int i = 0; i < 5; ++i)
        SendMessageA(grid_, GRIDM_INSERTROW, 0, 0);
    SetFocus(grid_);
    ASSERT_EQ(grid_, GetFocus());
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        SendMessageA(grid_, GRIDM_GOTOROW, 0, 3);
        SendMessageA(grid_, GRIDM_GOTOCOLUMN, 1, 0);
        SendMessageA(grid_, r.msg, r.column, 0);
        ASSERT_EQ(r.row, gi_->currentRow);
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        ASSERT_TRUE(GetGUIThreadInfo(GetCurrentThreadId(), &info));
        EXPECT_EQ(grid_, info.hwndCaret);
        EXPECT_EQ(GridColumnLeft(gi_, r.column ? static_cast<int>(r.column) : 1), info.rcCaret.left);
        EXPECT_EQ(GridRowTop(gi_, r.row - 1), info.rcCaret.top);
        char text[16] = "";
        GetWindowTextA(gi_->rowMarker, text, sizeof text);
        EXPECT_EQ(std::to_string(r.row), text);
        RECT marker;
        GetWindowRect(gi_->rowMarker, &marker);
        MapWindowPoints(nullptr, grid_, reinterpret_cast<POINT*>(&marker), 2);
        EXPECT_EQ(GridRowTop(gi_, r.row - 1), marker.top);
    }
}

TEST_F(GridWindow, WithoutRowsEverythingBelowTheHeaderIsWindowColour)
{
    InvalidateRect(grid_, nullptr, FALSE);
    UpdateWindow(grid_);
    POINT pt = {200, GridHeaderHeight(gi_) + 40};
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), PixelAt(grid_, pt));
}

}  // namespace
