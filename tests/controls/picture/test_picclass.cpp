// The "zpicture" class as the library registers it, the click protocol and
// the messages that only set flags.

#include "picfixture.h"

using namespace pictest;

namespace {

using PictureClass = PictureTest;

// Mouse positions in client coordinates.
LPARAM At(int x, int y)
{
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

}  // namespace

TEST_F(PictureClass, RegisteredUnderTheLibrary)
{
    WNDCLASSA cls = {};
    ASSERT_TRUE(GetClassInfoA(CorvexInstance(), "zpicture", &cls));
    EXPECT_EQ(static_cast<UINT>(CS_GLOBALCLASS | CS_DBLCLKS), cls.style);
    EXPECT_EQ(0x4008u, cls.style);
    EXPECT_EQ(0, cls.cbClsExtra);
    EXPECT_EQ(0, cls.cbWndExtra);
    EXPECT_EQ(nullptr, cls.hIcon);
    EXPECT_EQ(reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), cls.hbrBackground);
    EXPECT_EQ(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)), cls.hCursor);
    // The exported procedure is the class procedure.
    ASSERT_NE(nullptr, MakePicture(50, 50));
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(zPictureWndProc),
              GetWindowLongPtrA(picture_, GWLP_WNDPROC));
}

TEST_F(PictureClass, RecordLivesWithTheWindow)
{
    ASSERT_NE(nullptr, MakePicture(50, 50));
    EXPECT_NE(nullptr, GetPropA(picture_, "IMGINFO"));
    EXPECT_EQ(1, Send(WM_ERASEBKGND, 0, 0));
    EXPECT_EQ(0, Send(ZPM_HASPICTURE));
    DestroyWindow(picture_);
    EXPECT_FALSE(IsWindow(picture_));
}

TEST_F(PictureClass, ClickNeedsPressAndReleaseInside)
{
    struct Step {
        UINT message;
        int x, y;
    };
    struct Row {
        const char* name;
        std::vector<Step> steps;
        bool clicked;
    } rows[] = {
        {"press and release inside", {{WM_LBUTTONDOWN, 5, 5}, {WM_LBUTTONUP, 6, 6}}, true},
        {"dragged outside before release",
         {{WM_LBUTTONDOWN, 5, 5}, {WM_MOUSEMOVE, -10, 5}, {WM_LBUTTONUP, -10, 5}},
         false},
        {"dragged out and back",
         {{WM_LBUTTONDOWN, 5, 5}, {WM_MOUSEMOVE, 80, 80}, {WM_MOUSEMOVE, 20, 20},
          {WM_LBUTTONUP, 20, 20}},
         true},
        {"released outside without a move", {{WM_LBUTTONDOWN, 5, 5}, {WM_LBUTTONUP, 90, 5}}, true},
        {"press outside the client area", {{WM_LBUTTONDOWN, 70, 5}, {WM_LBUTTONUP, 5, 5}}, false},
        {"release alone", {{WM_LBUTTONUP, 5, 5}}, false},
    };
    ASSERT_NE(nullptr, MakePicture(60, 40));
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TakeCommands();
        for (const Step& s : r.steps) {
            Send(s.message, s.message == WM_LBUTTONUP ? 0 : MK_LBUTTON, At(s.x, s.y));
            if (s.message == WM_LBUTTONDOWN && s.x < 60) {
                EXPECT_EQ(picture_, GetCapture());
            }
        }
        EXPECT_NE(picture_, GetCapture());
        std::vector<Command> got = TakeCommands();
        if (r.clicked) {
            ASSERT_EQ(1u, got.size());
            EXPECT_EQ(ZPN_CLICKED, got[0].code);
            EXPECT_EQ(kControlId, got[0].id);
            EXPECT_EQ(picture_, got[0].from);
        } else {
            EXPECT_TRUE(got.empty());
        }
    }
}

TEST_F(PictureClass, PressTakesTheFocus)
{
    ASSERT_NE(nullptr, MakePicture(60, 40));
    SetFocus(parent_);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(3, 3));
    EXPECT_EQ(picture_, GetFocus());
    Send(WM_LBUTTONUP, 0, At(3, 3));
}

TEST_F(PictureClass, EveryPaintAsksTheParentForItsBrush)
{
    ASSERT_NE(nullptr, MakePicture(60, 40));
    int before = BrushRequests();
    RedrawWindow(picture_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(before + 1, BrushRequests());
    RedrawWindow(picture_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(before + 2, BrushRequests());
}

TEST_F(PictureClass, ClearBackgroundOnlyWithOne)
{
    ASSERT_NE(nullptr, MakePicture(60, 40));
    struct Row {
        WPARAM value;
        bool clears;
    } rows[] = {{1, true}, {2, false}, {1, true}, {0, false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.value);
        // Paint something else first, so that only a clear brings the colour.
        HDC dc = GetDC(picture_);
        PatBlt(dc, 0, 0, 60, 40, WHITENESS);
        ReleaseDC(picture_, dc);
        Send(ZPM_CLEARBACKGROUND, r.value);
        DWORD px = PixelAt(30, 20);
        if (r.clears)
            EXPECT_EQ(kParentRgb, px);
        else
            EXPECT_EQ(0xFFFFFFu, px);
    }
}

TEST_F(PictureClass, PaletteMessagesWithoutPaletteDoNothing)
{
    ASSERT_NE(nullptr, MakePicture(60, 40));
    EXPECT_EQ(0, Send(WM_QUERYNEWPALETTE));
    EXPECT_EQ(0, Send(WM_PALETTECHANGED, reinterpret_cast<WPARAM>(parent_)));
    HGLOBAL dib = MakeDib8(4, 4);
    Send(ZPM_BORROWDIB, reinterpret_cast<WPARAM>(dib));
    // Its own palette change is answered at once.
    EXPECT_EQ(0, Send(WM_PALETTECHANGED, reinterpret_cast<WPARAM>(picture_)));
    LRESULT realized = Send(WM_QUERYNEWPALETTE);
    EXPECT_GE(realized, 0);
    EXPECT_LE(realized, 256);
    DestroyWindow(picture_);
    GlobalFree(dib);
}
