// Packed DIBs and bitmaps handed to the control: measures, ownership,
// drawing, capture and the clipboard.

#include "picfixture.h"

#include "testutil.h"

using namespace pictest;

namespace {

using PictureDib = PictureTest;

bool ValidGlobal(HGLOBAL h)
{
    return GlobalFlags(h) != GMEM_INVALID_HANDLE;
}

bool LiveBitmap(HBITMAP b)
{
    BITMAP bm;
    return GetObjectA(b, sizeof bm, &bm) != 0;
}

}  // namespace

TEST_F(PictureDib, DibIsMeasuredAndAnnounced)
{
    ASSERT_NE(nullptr, MakePicture(100, 80));
    HGLOBAL dib = MakeDib8(5, 3);
    EXPECT_EQ(0, Send(ZPM_SETDIB, reinterpret_cast<WPARAM>(dib)));
    std::vector<Command> got = TakeCommands();
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ(ZPN_CHANGED, got[0].code);
    EXPECT_EQ(LOWORD(reinterpret_cast<UINT_PTR>(dib)), got[0].id);
    struct Row {
        const char* name;
        UINT message;
        LRESULT expected;
    } rows[] = {
        {"width", ZPM_GETWIDTH, 5},
        {"height", ZPM_GETHEIGHT, 3},
        {"image size", ZPM_DIBIMAGESIZE, 8 * 3},
        {"colour table size", ZPM_DIBTABLESIZE, 1024},
        {"colours", ZPM_DIBCOLORS, 256},
        {"memory size", ZPM_DIBMEMSIZE, 40 + 1024 + 24},
        {"the handle", ZPM_GETDIB, reinterpret_cast<LRESULT>(dib)},
        {"no bitmap", ZPM_GETBITMAP, 0},
        {"has a picture", ZPM_HASPICTURE, 1},
        {"no GDI+ image", ZPM_GETIMAGE, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.expected, Send(r.message));
    }
    HGLOBAL copy = reinterpret_cast<HGLOBAL>(Send(ZPM_COPYDIB));
    ASSERT_NE(nullptr, copy);
    EXPECT_NE(dib, copy);
    EXPECT_TRUE(Bytes(dib) == Bytes(copy));
    GlobalFree(copy);
}

TEST_F(PictureDib, OwnedDibsAreFreedBorrowedOnesAreNot)
{
    ASSERT_NE(nullptr, MakePicture(100, 80));
    struct Row {
        const char* name;
        UINT message;
        bool destroyWindow;
        bool freedByControl;
    } rows[] = {
        {"owned, replaced", ZPM_SETDIB, false, true},
        {"borrowed, replaced", ZPM_BORROWDIB, false, false},
        {"owned, window destroyed", ZPM_SETDIB, true, true},
        {"borrowed, window destroyed", ZPM_BORROWDIB, true, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        if (!IsWindow(picture_)) {
            ASSERT_NE(nullptr, MakePicture(100, 80));
        }
        HGLOBAL dib = MakeDib24(6, 6);
        Send(r.message, reinterpret_cast<WPARAM>(dib));
        EXPECT_EQ(6, Send(ZPM_GETWIDTH));
        if (r.destroyWindow)
            DestroyWindow(picture_);
        else
            Send(ZPM_SETBITMAP, 0);
        EXPECT_EQ(!r.freedByControl, ValidGlobal(dib));
        if (!r.freedByControl)
            GlobalFree(dib);
    }
}

TEST_F(PictureDib, InvalidDibIsKeptButNeverUsed)
{
    ASSERT_NE(nullptr, MakePicture(100, 80));
    HGLOBAL gone = MakeDib24(6, 6);
    GlobalFree(gone);
    Send(ZPM_SETDIB, reinterpret_cast<WPARAM>(gone));
    EXPECT_EQ(1, Send(ZPM_HASPICTURE));
    EXPECT_EQ(reinterpret_cast<LRESULT>(gone), Send(ZPM_GETDIB));
    for (UINT m : {ZPM_GETWIDTH, ZPM_GETHEIGHT, ZPM_DIBIMAGESIZE, ZPM_DIBTABLESIZE, ZPM_DIBCOLORS,
                   ZPM_DIBMEMSIZE, ZPM_COPYDIB}) {
        SCOPED_TRACE(m);
        EXPECT_EQ(0, Send(m));
    }
    // Painting takes it for no picture: a clear shows the parent's colour.
    Send(ZPM_CLEARBACKGROUND, 1);
    EXPECT_EQ(kParentRgb, PixelAt(1, 1));
    Send(ZPM_SETDIB, 0);
    EXPECT_EQ(0, Send(ZPM_HASPICTURE));
}

// The same rows stored from the top down: a negative height.
static HGLOBAL TopDown(HGLOBAL dib)
{
    static_cast<BITMAPINFOHEADER*>(GlobalLock(dib))->biHeight *= -1;
    GlobalUnlock(dib);
    return dib;
}

TEST_F(PictureDib, DibIsDrawnAtItsSizeOrStretched)
{
    // Each left red, right blue.
    struct Row {
        const char* name;
        HGLOBAL dib;
    } rows[] = {
        {"24-bit", MakeDib24(4, 4)},
        {"24-bit, top-down", TopDown(MakeDib24(4, 4))},
        {"32-bit with colour masks, read from its file",
         static_cast<HGLOBAL>(zOpenDIB(WriteMaskedBmp("masks.bmp", 4, 4).c_str()))},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ASSERT_NE(nullptr, r.dib);
        ASSERT_NE(nullptr, MakePicture(40, 40));
        Send(ZPM_BORROWDIB, reinterpret_cast<WPARAM>(r.dib));
        EXPECT_EQ(4, Send(ZPM_GETHEIGHT));
        EXPECT_EQ(0xFF0000u, PixelAt(1, 1));
        EXPECT_EQ(0x0000FFu, PixelAt(3, 3));
        Send(ZPM_STRETCH, 1);
        EXPECT_EQ(0xFF0000u, PixelAt(10, 30));
        EXPECT_EQ(0x0000FFu, PixelAt(30, 30));
        DestroyWindow(picture_);
        GlobalFree(r.dib);
    }
}

TEST_F(PictureDib, BitmapsOwnedAndBorrowed)
{
    ASSERT_NE(nullptr, MakePicture(100, 80));
    HBITMAP owned = CreateBitmap(7, 4, 1, 32, nullptr);
    EXPECT_EQ(0, Send(ZPM_SETBITMAP, reinterpret_cast<WPARAM>(owned)));
    std::vector<Command> got = TakeCommands();
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ(ZPN_CHANGED, got[0].code);
    EXPECT_EQ(reinterpret_cast<LRESULT>(owned), Send(ZPM_GETBITMAP));
    EXPECT_EQ(7, Send(ZPM_GETWIDTH));
    EXPECT_EQ(4, Send(ZPM_GETHEIGHT));
    EXPECT_EQ(0, Send(ZPM_DIBIMAGESIZE));
    HBITMAP borrowed = CreateBitmap(3, 2, 1, 32, nullptr);
    Send(ZPM_BORROWBITMAP, reinterpret_cast<WPARAM>(borrowed));
    EXPECT_FALSE(LiveBitmap(owned));
    EXPECT_EQ(3, Send(ZPM_GETWIDTH));
    DestroyWindow(picture_);
    EXPECT_TRUE(LiveBitmap(borrowed));
    DeleteObject(borrowed);
}

TEST_F(PictureDib, BorrowedDibKeepsTheCallersPalette)
{
    ASSERT_NE(nullptr, MakePicture(100, 80));
    HGLOBAL dib = MakeDib8(4, 4);
    LOGPALETTE lp = {0x300, 1, {{1, 2, 3, 0}}};
    HPALETTE palette = CreatePalette(&lp);
    Send(ZPM_BORROWDIB, reinterpret_cast<WPARAM>(dib), reinterpret_cast<LPARAM>(palette));
    Send(ZPM_SETDIB, 0);
    PALETTEENTRY e;
    EXPECT_EQ(1u, GetPaletteEntries(palette, 0, 1, &e));
    // Owned, the palette goes with the DIB.
    HGLOBAL owned = MakeDib8(4, 4);
    Send(ZPM_SETDIB, reinterpret_cast<WPARAM>(owned), reinterpret_cast<LPARAM>(palette));
    Send(ZPM_SETDIB, 0);
    EXPECT_EQ(0u, GetPaletteEntries(palette, 0, 1, &e));
    EXPECT_FALSE(ValidGlobal(owned));
    GlobalFree(dib);
}

TEST_F(PictureDib, CaptureTakesTheWholeWindow)
{
    ASSERT_NE(nullptr, MakePicture(60, 30));
    HGLOBAL dib = MakeDib24(60, 30);
    Send(ZPM_SETDIB, reinterpret_cast<WPARAM>(dib));
    TakeCommands();
    EXPECT_EQ(0, Send(ZPM_CAPTURE, 0x2222));
    std::vector<Command> got = TakeCommands();
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ(0x2222, got[0].id);
    EXPECT_FALSE(ValidGlobal(dib));  // the DIB went with the release
    auto bitmap = reinterpret_cast<HBITMAP>(Send(ZPM_GETBITMAP));
    ASSERT_NE(nullptr, bitmap);
    BITMAP bm = {};
    ASSERT_TRUE(GetObjectA(bitmap, sizeof bm, &bm));
    EXPECT_EQ(60, bm.bmWidth);
    EXPECT_EQ(30, bm.bmHeight);
    EXPECT_EQ(60, Send(ZPM_GETWIDTH));
    EXPECT_EQ(0, Send(ZPM_GETDIB));
}

TEST_F(PictureDib, PasteTakesACopyOfTheClipboardDib)
{
    ASSERT_NE(nullptr, MakePicture(100, 80));
    HGLOBAL dib = MakeDib24(9, 5);
    std::vector<BYTE> bytes = Bytes(dib);
    ASSERT_TRUE(OpenClipboard(parent_));
    EmptyClipboard();
    ASSERT_NE(nullptr, SetClipboardData(CF_DIB, dib));  // the clipboard owns it now
    CloseClipboard();
    EXPECT_EQ(0, Send(ZPM_PASTE));
    std::vector<Command> got = TakeCommands();
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ(ZPN_CHANGED, got[0].code);
    auto pasted = reinterpret_cast<HGLOBAL>(Send(ZPM_GETDIB));
    ASSERT_NE(nullptr, pasted);
    EXPECT_EQ(LOWORD(reinterpret_cast<UINT_PTR>(pasted)), got[0].id);
    std::vector<BYTE> copy = Bytes(pasted);
    ASSERT_GE(copy.size(), bytes.size());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), copy.begin()));
    EXPECT_EQ(9, Send(ZPM_GETWIDTH));
    // The clipboard is free again for the parent.
    EXPECT_TRUE(OpenClipboard(parent_));
    EmptyClipboard();
    CloseClipboard();
    // Nothing on the clipboard: nothing changes.
    EXPECT_EQ(0, Send(ZPM_PASTE));
    EXPECT_TRUE(TakeCommands().empty());
    EXPECT_EQ(reinterpret_cast<LRESULT>(pasted), Send(ZPM_GETDIB));
}

TEST_F(PictureDib, SavedDibIsWriteDibOutput)
{
    ASSERT_NE(nullptr, MakePicture(100, 80));
    HGLOBAL dib = MakeDib8(7, 3);
    std::string direct = TempPath("direct.bmp"), saved = TempPath("saved.bmp");
    ASSERT_EQ(1, WriteDIB(const_cast<char*>(direct.c_str()), dib));
    Send(ZPM_SETDIB, reinterpret_cast<WPARAM>(dib));
    SendText(ZPM_SAVE, saved);
    EXPECT_EQ(testutil::read_file(direct), testutil::read_file(saved));
    // A bitmap alone is not saved.
    std::string none = TempPath("bitmap.bmp");
    HBITMAP bitmap = CreateBitmap(3, 3, 1, 32, nullptr);
    Send(ZPM_SETBITMAP, reinterpret_cast<WPARAM>(bitmap));
    SendText(ZPM_SAVE, none);
    EXPECT_FALSE(testutil::file_exists(none));
}
