// Pictures loaded from files through GDI+: measures, notifications,
// auto-size, stretching, saving, rotating and printing.

#include "picfixture.h"

#include "testutil.h"

#include <cstdlib>

using namespace pictest;

namespace {

using PictureFile = PictureTest;

void ExpectChanged(const std::vector<Command>& got, HWND picture, WORD cause)
{
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ(ZPN_CHANGED, got[0].code);
    EXPECT_EQ(cause, got[0].id);
    EXPECT_EQ(picture, got[0].from);
}

}  // namespace

TEST_F(PictureFile, LoadedBmpIsMeasuredAndAnnounced)
{
    std::string path = WriteBmp("load.bmp", 37, 21);
    ASSERT_NE(nullptr, MakePicture(100, 80));
    EXPECT_EQ(1, SendText(ZPM_LOADFILE, path, 0x1234));
    ExpectChanged(TakeCommands(), picture_, 0x1234);
    EXPECT_EQ(37, Send(ZPM_GETWIDTH));
    EXPECT_EQ(21, Send(ZPM_GETHEIGHT));
    EXPECT_EQ(1, Send(ZPM_HASPICTURE));
    EXPECT_NE(0, Send(ZPM_GETIMAGE));
    EXPECT_EQ(0, Send(ZPM_GETDIB));
    EXPECT_EQ(0, Send(ZPM_GETBITMAP));
    // Not auto-sized: the window keeps its size.
    EXPECT_EQ(100, WindowSize().cx);
}

TEST_F(PictureFile, LoadOutcomes)
{
    std::string bmp = WriteBmp("outcome.bmp", 8, 6);
    std::string junk = TempPath("junk.png");
    testutil::write_file(junk, "this is not a picture at all");
    std::string empty = TempPath("empty.bmp");
    testutil::write_file(empty, "");
    struct Row {
        const char* name;
        std::string path;
        LRESULT answer;
        LRESULT hasPicture;
        LRESULT width;
    } rows[] = {
        {"decodable file", bmp, 1, 1, 8},
        {"blank path", "   \t ", 1, 0, 0},
        {"empty path", "", 1, 0, 0},
        {"missing file", TempPath("missing.bmp"), 1, 0, 0},
        {"empty file", empty, 1, 0, 0},
        // GDI+ objects exist but hold no picture.
        {"undecodable file", junk, 1, 1, 0},
        // Refused: the name does not fit the record, so nothing is loaded.
        {"path longer than the record holds", std::string(300, 'a'), 1, 0, 0},
    };
    ASSERT_NE(nullptr, MakePicture(100, 80));
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        SendText(ZPM_LOADFILE, bmp);  // every load first drops the previous picture
        TakeCommands();
        EXPECT_EQ(r.answer, SendText(ZPM_LOADFILE, r.path, 5));
        ExpectChanged(TakeCommands(), picture_, 5);
        EXPECT_EQ(r.hasPicture, Send(ZPM_HASPICTURE));
        EXPECT_EQ(r.width, Send(ZPM_GETWIDTH));
        EXPECT_EQ(r.width ? 6 : 0, Send(ZPM_GETHEIGHT));
    }
    // Painting a picture GDI+ could not decode only clears.
    SendText(ZPM_LOADFILE, junk);
    Send(ZPM_CLEARBACKGROUND, 1);
    EXPECT_EQ(kParentRgb, PixelAt(4, 4));
}

TEST_F(PictureFile, AutoSizeFollowsEachPicture)
{
    std::string big = WriteBmp("big.bmp", 37, 21), small = WriteBmp("small.bmp", 12, 9);
    ASSERT_NE(nullptr, MakePicture(100, 80));
    SendText(ZPM_LOADFILE, big);
    EXPECT_EQ(0, Send(ZPM_AUTOSIZE, 1));  // sizes at once
    EXPECT_EQ(37, WindowSize().cx);
    EXPECT_EQ(21, WindowSize().cy);
    SendText(ZPM_LOADFILE, small);
    EXPECT_EQ(12, WindowSize().cx);
    EXPECT_EQ(9, WindowSize().cy);
    // Nothing loaded: 0x0 leaves the size.
    SendText(ZPM_LOADFILE, TempPath("missing.bmp"));
    EXPECT_EQ(12, WindowSize().cx);
    EXPECT_EQ(9, WindowSize().cy);
    Send(ZPM_AUTOSIZE, 0);
    SendText(ZPM_LOADFILE, big);
    EXPECT_EQ(12, WindowSize().cx);
}

TEST_F(PictureFile, StretchCoversTheClientArea)
{
    std::string path = WriteBmp("stretch.bmp", 4, 4);  // left red, right blue
    ASSERT_NE(nullptr, MakePicture(40, 40));
    SendText(ZPM_LOADFILE, path);
    Send(ZPM_CLEARBACKGROUND, 1);
    EXPECT_EQ(0xFF0000u, PixelAt(0, 0));
    EXPECT_EQ(0x0000FFu, PixelAt(3, 3));
    EXPECT_EQ(kParentRgb, PixelAt(30, 30));
    Send(ZPM_STRETCH, 1);
    EXPECT_EQ(0xFF0000u, PixelAt(5, 30));
    EXPECT_EQ(0x0000FFu, PixelAt(30, 30));
    // Setting auto-size clears stretch; setting stretch again keeps auto-size.
    Send(ZPM_AUTOSIZE, 1);
    EXPECT_EQ(4, WindowSize().cx);
    Send(ZPM_AUTOSIZE, 0);
    SetWindowPos(picture_, nullptr, 0, 0, 40, 40, SWP_NOZORDER | SWP_NOMOVE);
    EXPECT_EQ(kParentRgb, PixelAt(30, 30));
    Send(ZPM_AUTOSIZE, 1);
    Send(ZPM_STRETCH, 1);
    SendText(ZPM_LOADFILE, path);
    EXPECT_EQ(4, WindowSize().cx);  // auto-size still on
}

TEST_F(PictureFile, SaveWritesBmpWhateverTheName)
{
    ASSERT_NE(nullptr, MakePicture(100, 80));
    struct Row {
        const char* name;
        std::string source;
    } rows[] = {
        {"from a BMP", WriteBmp("save-src.bmp", 10, 6)},
        {"from a JPEG", WriteJpeg("save-src.jpg", 10, 6)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ASSERT_EQ(1, SendText(ZPM_LOADFILE, r.source));
        ASSERT_EQ(10, Send(ZPM_GETWIDTH));
        std::string out = TempPath("saved.jpg");
        DeleteFileA(out.c_str());
        SendText(ZPM_SAVE, out);
        std::string data = testutil::read_file(out);
        ASSERT_GT(data.size(), 54u);
        EXPECT_EQ("BM", data.substr(0, 2));
        // And it reads back as the same picture size.
        HGLOBAL back = static_cast<HGLOBAL>(zOpenDIB(out.c_str()));
        ASSERT_NE(nullptr, back);
        auto* h = static_cast<BITMAPINFOHEADER*>(GlobalLock(back));
        EXPECT_EQ(10, h->biWidth);
        EXPECT_EQ(6, std::abs(h->biHeight));
        GlobalUnlock(back);
        GlobalFree(back);
    }
}

TEST_F(PictureFile, RotateTurnsTheLoadedPictureSilently)
{
    ASSERT_NE(nullptr, MakePicture(100, 80));
    SendText(ZPM_LOADFILE, WriteBmp("rotate.bmp", 37, 21));
    TakeCommands();
    struct Row {
        WPARAM type;
        LRESULT width, height;
    } rows[] = {{1, 21, 37}, {0, 21, 37}, {3, 37, 21}, {4, 37, 21}, {6, 37, 21}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.type);
        EXPECT_EQ(0, Send(ZPM_ROTATEFLIP, r.type));
        EXPECT_EQ(r.width, Send(ZPM_GETWIDTH));
        EXPECT_EQ(r.height, Send(ZPM_GETHEIGHT));
    }
    EXPECT_TRUE(TakeCommands().empty());
    // Turned half way round in all, the blue half now comes first.
    Send(ZPM_CLEARBACKGROUND, 1);
    EXPECT_EQ(0x0000FFu, PixelAt(1, 1));
    EXPECT_EQ(0xFF0000u, PixelAt(35, 1));
}

TEST_F(PictureFile, PrintingWithoutPrinterFailsCleanly)
{
    // The prefix has no printer: a memory context stands in. The print
    // sets it to text mapping first; StartDoc refuses it, so nothing is drawn.
    ASSERT_NE(nullptr, MakePicture(100, 80));
    HGLOBAL dib = MakeDib24(8, 8);
    Send(ZPM_BORROWDIB, reinterpret_cast<WPARAM>(dib));
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP page = CreateCompatibleBitmap(screen, 32, 32);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, page);
    PatBlt(dc, 0, 0, 32, 32, WHITENESS);
    SetMapMode(dc, MM_LOMETRIC);
    EXPECT_EQ(0, Send(ZPM_PRINT, reinterpret_cast<WPARAM>(dc)));
    EXPECT_EQ(MM_TEXT, GetMapMode(dc));
    EXPECT_EQ(0, Send(ZPM_PRINT, 0));
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(dc, 2, 2));
    SelectObject(dc, old);
    DeleteObject(page);
    DeleteDC(dc);
    EXPECT_TRUE(IsWindow(picture_));
    DestroyWindow(picture_);
    GlobalFree(dib);
}
