// Splitter bars of the real Corvex.dll: classes, real mouse drags, the
// parent's notifications, the layout of the neighbours and the bar's frame.

#include "ctlhost.h"

#include "corvex.h"

#include <string>

using ctlhost::LeftButton;
using ctlhost::MouseTo;
using ctlhost::PumpUntil;
using ctlhost::RectInParent;
using ctlhost::TheHost;

namespace {

constexpr UINT kSetLists = 0x09FB, kSetLimits = 0x09FC, kMoved = 0x09FD, kDragEnd = 0x09FE,
               kPressed = 0x09FF;

POINT ScreenOf(HWND window, int x, int y)
{
    POINT p = {x, y};
    ClientToScreen(window, &p);
    return p;
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

RECT ScreenRect()
{
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

RECT ParentClientOnScreen(HWND parent)
{
    RECT r = {};
    GetClientRect(parent, &r);
    MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

struct SplitterTest : ::testing::Test {
    void SetUp() override { ctlhost::CreateHost(480, 340); }
    void TearDown() override
    {
        // A drag left unfinished ends with the capture (and frees the pointer).
        ReleaseCapture();
        ctlhost::DestroyHost();
    }
};

TEST_F(SplitterTest, ClassesCarryTheirCursorsAndBackgrounds)
{
    struct Row {
        const char* name;
        WNDPROC proc;
        LPCSTR cursor;
        HBRUSH background;
    } rows[] = {
        {"zvsplitter", zVSplitterWndProc, IDC_SIZEWE, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)},
        {"zhsplitter", zHSplitterWndProc, IDC_SIZENS, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WNDCLASSA cls = {};
        ASSERT_TRUE(GetClassInfoA(CorvexInstance(), row.name, &cls));
        EXPECT_EQ(row.proc, cls.lpfnWndProc);
        EXPECT_EQ(UINT(CS_GLOBALCLASS), cls.style);
        EXPECT_EQ(LoadCursorA(nullptr, row.cursor), cls.hCursor);
        EXPECT_EQ(row.background, cls.hbrBackground);
        EXPECT_EQ(nullptr, cls.hIcon);
        EXPECT_EQ(0, cls.cbWndExtra);
        // Global: found under any module, not only the library's.
        EXPECT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), row.name, &cls));
    }
}

TEST_F(SplitterTest, RecordLivesFromCreateToDestroy)
{
    for (const char* cls : {"zvsplitter", "zhsplitter"}) {
        SCOPED_TRACE(cls);
        const char* prop = cls[1] == 'v' ? "VSPLINFO" : "HSPLINFO";
        HWND bar = ctlhost::Child(cls, 10, 10, 6, 100);
        ASSERT_NE(nullptr, bar);
        auto* info = static_cast<const LONG_PTR*>(GetPropA(bar, prop));
        ASSERT_NE(nullptr, info);
        EXPECT_EQ(reinterpret_cast<LONG_PTR>(TheHost().hwnd), info[0]) << "parent";
        EXPECT_EQ(0, info[1]);
        EXPECT_EQ(0, info[2]);
        EXPECT_EQ(0, SendMessageA(bar, kSetLimits, 11, 22));
        EXPECT_EQ(11, info[3]);
        EXPECT_EQ(22, info[4]);
        DestroyWindow(bar);
        EXPECT_FALSE(IsWindow(bar));
    }
}

// left | bar | right, the neighbours deliberately out of place.
struct VerticalLayout {
    HWND left, bar, right, third;
    HWND firsts[2];
    HWND seconds[3];
    VerticalLayout()
    {
        left = ctlhost::Child("static", 10, 10, 100, 200, WS_BORDER);
        bar = ctlhost::Child("zvsplitter", 140, 10, 6, 200);
        right = ctlhost::Child("static", 200, 10, 146, 200, WS_BORDER);
        third = ctlhost::Child("static", 250, 220, 100, 40, WS_BORDER);
        firsts[0] = left, firsts[1] = nullptr;
        seconds[0] = right, seconds[1] = third, seconds[2] = nullptr;
    }
};

TEST_F(SplitterTest, VerticalBarLaysOutItsNeighbours)
{
    VerticalLayout v;
    EXPECT_EQ(0, SendMessageA(v.bar, kSetLists, WPARAM(v.firsts), LPARAM(v.seconds)));
    RECT l = RectInParent(v.left), r = RectInParent(v.right), t = RectInParent(v.third);
    EXPECT_EQ(10, l.left);
    EXPECT_EQ(140, l.right) << "the left window ends at the bar";
    EXPECT_EQ(200, l.bottom - l.top);
    EXPECT_EQ(146, r.left) << "the right window starts after the bar";
    EXPECT_EQ(346, r.right) << "and keeps its right edge";
    EXPECT_EQ(10, r.top);
    EXPECT_EQ(146, t.left);
    EXPECT_EQ(350, t.right);
    EXPECT_EQ(220, t.top);
}

TEST_F(SplitterTest, EmptyOrMissingFirstListMovesOnlyTheSecond)
{
    VerticalLayout v;
    HWND none[1] = {nullptr};
    for (const HWND* first : {static_cast<const HWND*>(none), static_cast<const HWND*>(nullptr)}) {
        SCOPED_TRACE(first ? "empty list" : "null list");
        SetWindowPos(v.left, nullptr, 10, 10, 100, 200, SWP_NOZORDER);
        SetWindowPos(v.right, nullptr, 200, 10, 146, 200, SWP_NOZORDER);
        SendMessageA(v.bar, kSetLists, WPARAM(first), LPARAM(v.seconds));
        EXPECT_EQ(110, RectInParent(v.left).right) << "left window untouched";
        EXPECT_EQ(146, RectInParent(v.right).left);
    }
    SetWindowPos(v.right, nullptr, 200, 10, 146, 200, SWP_NOZORDER);
    SendMessageA(v.bar, kSetLists, WPARAM(v.firsts), 0);
    EXPECT_EQ(140, RectInParent(v.left).right);
    EXPECT_EQ(200, RectInParent(v.right).left) << "null second list skipped";
}

TEST_F(SplitterTest, DraggingTheVerticalBarMovesItAndItsNeighbours)
{
    VerticalLayout v;
    HWND host = TheHost().hwnd;
    SendMessageA(v.bar, kSetLists, WPARAM(v.firsts), LPARAM(v.seconds));
    TheHost().relayoutBar = v.bar;
    TheHost().relayoutFirst = v.firsts;
    TheHost().relayoutSecond = v.seconds;

    MouseTo(ScreenOf(v.bar, 3, 100));
    LeftButton(true);
    EXPECT_EQ(v.bar, GetCapture());
    RECT clip = {};
    GetClipCursor(&clip);
    EXPECT_TRUE(SameRect(ParentClientOnScreen(host), clip)) << "pointer kept in the parent";
    for (int step = 1; step <= 3; ++step) {
        MouseTo(ScreenOf(host, 143 + 10 * step, 110));
        EXPECT_EQ(140 + 10 * step, RectInParent(v.bar).left) << "step " << step;
    }
    RECT b = RectInParent(v.bar);
    EXPECT_EQ(6, b.right - b.left);
    EXPECT_EQ(10, b.top) << "a vertical bar keeps its height";
    EXPECT_GE(TheHost().Count(kMoved, 0), 3u) << "the parent hears every move";
    EXPECT_EQ(0u, TheHost().Count(WM_COMMAND, kDragEnd));
    LeftButton(false);
    ASSERT_TRUE(PumpUntil([] { return TheHost().Count(WM_COMMAND, kDragEnd) == 1; }));
    EXPECT_NE(v.bar, GetCapture());
    GetClipCursor(&clip);
    EXPECT_TRUE(SameRect(ScreenRect(), clip)) << "pointer free again";
    EXPECT_EQ(0u, TheHost().Count(WM_COMMAND, kPressed)) << "the vertical bar reports no press";
    EXPECT_EQ(170, RectInParent(v.left).right) << "laid out again at the end of the drag";
    EXPECT_EQ(176, RectInParent(v.right).left);
    EXPECT_EQ(346, RectInParent(v.right).right);
}

TEST_F(SplitterTest, HorizontalBarPressedAtFiveAndMovedToTwelveMovesDownSeven)
{
    HWND host = TheHost().hwnd;
    HWND above = ctlhost::Child("static", 10, 10, 300, 100, WS_BORDER);
    HWND bar = ctlhost::Child("zhsplitter", 10, 150, 300, 12);
    HWND below = ctlhost::Child("static", 10, 200, 300, 100, WS_BORDER);
    HWND firsts[] = {above, nullptr}, seconds[] = {below, nullptr};

    MouseTo(ScreenOf(bar, 50, 5));
    LeftButton(true);
    const ctlhost::Received* press = TheHost().Last(WM_COMMAND);
    ASSERT_NE(nullptr, press);
    EXPECT_EQ(WPARAM(kPressed), press->wParam);
    EXPECT_EQ(5, press->lParam) << "the y of the press";
    MouseTo(ScreenOf(host, 60, 150 + 12));
    EXPECT_EQ(157, RectInParent(bar).top);
    EXPECT_EQ(10, RectInParent(bar).left) << "a horizontal bar keeps its x";
    EXPECT_GE(TheHost().Count(WM_COMMAND, kMoved), 1u);
    EXPECT_EQ(0u, TheHost().Count(kMoved, 0)) << "moves come as WM_COMMAND";
    LeftButton(false);
    ASSERT_TRUE(PumpUntil([] { return TheHost().Count(WM_COMMAND, kDragEnd) == 1; }));

    SendMessageA(bar, kSetLists, WPARAM(firsts), LPARAM(seconds));
    RECT a = RectInParent(above), b = RectInParent(below);
    EXPECT_EQ(157, a.bottom) << "the window above ends at the bar";
    EXPECT_EQ(10, a.top);
    EXPECT_EQ(169, b.top) << "the window below starts under the bar";
    EXPECT_EQ(300, b.bottom);
    EXPECT_EQ(310, b.right);
}

TEST_F(SplitterTest, MovesWithoutTheButtonOrWithoutThePressDoNothing)
{
    VerticalLayout v;
    for (WPARAM keys : {WPARAM(0), WPARAM(MK_LBUTTON)}) {
        SCOPED_TRACE(keys ? "button down, pressed elsewhere" : "no button");
        SendMessageA(v.bar, WM_MOUSEMOVE, keys, MAKELPARAM(40, 50));
        EXPECT_EQ(140, RectInParent(v.bar).left);
        EXPECT_EQ(0u, TheHost().Count(kMoved, 0));
    }
}

TEST_F(SplitterTest, LosingTheCaptureMidDragFreesThePointer)
{
    VerticalLayout v;
    MouseTo(ScreenOf(v.bar, 3, 100));
    LeftButton(true);
    ASSERT_EQ(v.bar, GetCapture());
    SetCapture(TheHost().hwnd);
    RECT clip = {};
    GetClipCursor(&clip);
    EXPECT_TRUE(SameRect(ScreenRect(), clip));
    ReleaseCapture();
    LeftButton(false);
}

TEST_F(SplitterTest, FramesAreCheckerboards)
{
    struct Row {
        const char* cls;
        int x, y;
        bool black;
    } rows[] = {
        // pattern AND screen: the pattern's dark squares darken the bar
        {"zvsplitter", 1, 0, true}, {"zvsplitter", 0, 1, true}, {"zvsplitter", 3, 2, true},
        // a copied pattern: dark and light squares alternate on the frame
        {"zhsplitter", 0, 0, false}, {"zhsplitter", 1, 0, true}, {"zhsplitter", 0, 1, true},
        {"zhsplitter", 1, 1, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.cls) + " pixel " + std::to_string(row.x) + "," +
                     std::to_string(row.y));
        HWND bar = ctlhost::Child(row.cls, 40, 40, 40, 40);
        RedrawWindow(bar, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        HDC dc = GetWindowDC(bar);
        COLORREF c = GetPixel(dc, row.x, row.y);
        ReleaseDC(bar, dc);
        DestroyWindow(bar);
        EXPECT_EQ(row.black ? RGB(0, 0, 0) : RGB(255, 255, 255), c);
    }
}

}  // namespace
