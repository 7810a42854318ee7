// The "zpicture" class as the library registers it, the click protocol and
// the messages that only set flags.

#include "picfixture.h"

#include "gdipflat.h"

#include <cstddef>

using namespace pictest;

namespace {

using PictureClass = PictureTest;

// The record as a host reads it: the control's interface fixes each field
// and its place.
struct HostRecord {
    char fileName[260];
    BYTE autoSize;
    BYTE stretch;
    BYTE borrowed;
    BYTE clearBackground;
    LONG storedValue;
    DWORD state;
    HBITMAP bitmap;
    HGLOBAL dib;
    HPALETTE palette;
    void* gdipBitmap;  // the GDI+ bitmap object
    void* gdipImage;   // the GDI+ image object
};
static_assert(offsetof(HostRecord, storedValue) == 264, "flags are four bytes");
static_assert(offsetof(HostRecord, gdipImage) == 288, "32-bit handles in order");

HPALETTE CopyOf(HPALETTE palette)
{
    UINT n = GetPaletteEntries(palette, 0, 0, nullptr);
    std::vector<BYTE> block(sizeof(LOGPALETTE) + n * sizeof(PALETTEENTRY));
    auto* log = reinterpret_cast<LOGPALETTE*>(block.data());
    log->palVersion = 0x300;
    log->palNumEntries = WORD(n);
    GetPaletteEntries(palette, 0, n, log->palPalEntry);
    return CreatePalette(log);
}

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

// The palette messages do nothing without a palette: they answer 0 and
// leave the window without anything to repaint.
TEST_F(PictureClass, PaletteMessagesWithoutPaletteDoNothing)
{
    HGLOBAL dib32 = MakeDib24(4, 4);
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib32));
    header->biBitCount = 16;  // no colour table and no fixed palette
    header->biSizeImage = 32;
    GlobalUnlock(dib32);
    HBITMAP bitmap = CreateBitmap(4, 4, 1, 32, nullptr);
    struct Row {
        const char* name;
        UINT message;
        WPARAM picture;
    } rows[] = {
        {"no picture", 0, 0},
        {"16-bit DIB", ZPM_BORROWDIB, reinterpret_cast<WPARAM>(dib32)},
        {"bitmap", ZPM_BORROWBITMAP, reinterpret_cast<WPARAM>(bitmap)},
    };
    ASSERT_NE(nullptr, MakePicture(60, 40));
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        if (r.message)
            Send(r.message, r.picture);
        for (UINT message : {UINT(WM_QUERYNEWPALETTE), UINT(WM_PALETTECHANGED)}) {
            ValidateRect(picture_, nullptr);
            EXPECT_EQ(0, Send(message, reinterpret_cast<WPARAM>(parent_)));
            EXPECT_FALSE(GetUpdateRect(picture_, nullptr, FALSE));
        }
    }
    DestroyWindow(picture_);
    GlobalFree(dib32);
    DeleteObject(bitmap);
}

// With a palette both messages realize it in the window's context and answer
// how many entries that realized, as the platform counts them for the same
// palette in the same context; any entry realized repaints the window. The
// window's own palette change is answered at once.
TEST_F(PictureClass, PaletteMessagesRealizeTheDibPalette)
{
    ASSERT_NE(nullptr, MakePicture(60, 40));
    HGLOBAL dib = MakeDib8(4, 4);
    Send(ZPM_BORROWDIB, reinterpret_cast<WPARAM>(dib));
    auto* record = static_cast<const HostRecord*>(GetPropA(picture_, "IMGINFO"));
    ASSERT_NE(nullptr, record);
    ASSERT_NE(nullptr, record->palette) << "made from the colour table";
    for (UINT message : {UINT(WM_QUERYNEWPALETTE), UINT(WM_PALETTECHANGED)}) {
        SCOPED_TRACE(message);
        // The platform's count: a palette of the same entries realized in a
        // context of the window (a copy, so that the control's own palette is
        // not the one last realized when its turn comes).
        HDC dc = GetDC(picture_);
        HPALETTE copy = CopyOf(record->palette);
        HPALETTE old = SelectPalette(dc, copy, FALSE);
        UINT expected = RealizePalette(dc);
        SelectPalette(dc, old, FALSE);
        ReleaseDC(picture_, dc);
        DeleteObject(copy);
        ASSERT_NE(GDI_ERROR, expected);
        ValidateRect(picture_, nullptr);
        EXPECT_EQ(LRESULT(expected), Send(message, reinterpret_cast<WPARAM>(parent_)));
        EXPECT_EQ(expected > 0, GetUpdateRect(picture_, nullptr, FALSE) != FALSE);
    }
    ValidateRect(picture_, nullptr);
    EXPECT_EQ(0, Send(WM_PALETTECHANGED, reinterpret_cast<WPARAM>(picture_)));
    EXPECT_FALSE(GetUpdateRect(picture_, nullptr, FALSE));
    DestroyWindow(picture_);
    GlobalFree(dib);
}

// The record a host reads through the "IMGINFO" property, field by field as
// the control's interface lays it out.
TEST_F(PictureClass, RecordHoldsWhatAHostReads)
{
    std::string path = WriteBmp("record.bmp", 37, 21);
    HGLOBAL dib = MakeDib8(4, 4);
    ASSERT_NE(nullptr, MakePicture(60, 40));
    auto* record = static_cast<const HostRecord*>(GetPropA(picture_, "IMGINFO"));
    ASSERT_NE(nullptr, record);
    Send(ZPM_STOREVALUE, 4711);
    Send(ZPM_STRETCH, 1);
    Send(ZPM_CLEARBACKGROUND, 1);
    EXPECT_EQ(4711, record->storedValue);
    EXPECT_EQ(1, record->stretch);
    EXPECT_EQ(1, record->clearBackground);
    EXPECT_EQ(0, record->autoSize);

    SendText(ZPM_LOADFILE, path);
    {
        SCOPED_TRACE("picture file");
        EXPECT_STREQ(path.c_str(), record->fileName);
        ASSERT_NE(nullptr, record->gdipBitmap);
        UINT width = 0, height = 0;
        EXPECT_EQ(0, GdipGetImageWidth(record->gdipBitmap, &width)) << "a GDI+ bitmap";
        EXPECT_EQ(37u, width);
        EXPECT_EQ(reinterpret_cast<void*>(Send(ZPM_GETIMAGE)), record->gdipImage);
        ASSERT_NE(nullptr, record->gdipImage);
        EXPECT_EQ(0, GdipGetImageHeight(record->gdipImage, &height)) << "a GDI+ image";
        EXPECT_EQ(21u, height);
        EXPECT_EQ(nullptr, record->bitmap);
        EXPECT_EQ(nullptr, record->dib);
        EXPECT_EQ(nullptr, record->palette);
        EXPECT_EQ(0, record->borrowed);
    }
    Send(ZPM_BORROWDIB, reinterpret_cast<WPARAM>(dib));
    {
        SCOPED_TRACE("borrowed DIB");
        EXPECT_STREQ("", record->fileName);
        EXPECT_EQ(nullptr, record->gdipBitmap);
        EXPECT_EQ(nullptr, record->gdipImage);
        EXPECT_EQ(dib, record->dib);
        EXPECT_NE(nullptr, record->palette);
        EXPECT_EQ(1, record->borrowed);
    }
    DestroyWindow(picture_);
    GlobalFree(dib);
}
