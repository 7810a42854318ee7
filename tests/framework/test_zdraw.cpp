// Drawing on the pixels of a 32-bit DIB section, and the GDI caches.

#include "zwintest.h"

#include "zgdi.h"

#include <memory>

namespace {

const COLORREF kWhite = RGB(255, 255, 255), kRed = RGB(255, 0, 0);

struct Canvas {
    Canvas(int w, int h) : width(w), height(h)
    {
        BITMAPINFO bi = {};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        dc = CreateCompatibleDC(nullptr);
        dib = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
        old = SelectObject(dc, dib);
        RECT r = {0, 0, w, h};
        FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    ~Canvas()
    {
        SelectObject(dc, old);
        DeleteObject(dib);
        DeleteDC(dc);
    }
    COLORREF At(int x, int y) const
    {
        GdiFlush();
        DWORD p = bits[y * width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    int width, height;
    HDC dc;
    HBITMAP dib;
    HGDIOBJ old;
    DWORD* bits = nullptr;
};

HBITMAP RedBitmap(int w, int h)
{
    Canvas c(w, h);
    HBITMAP bm = CreateBitmap(w, h, 1, 32, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bm);
    RECT r = {0, 0, w, h};
    HBRUSH red = CreateSolidBrush(kRed);
    FillRect(dc, &r, red);
    DeleteObject(red);
    SelectObject(dc, old);
    DeleteDC(dc);
    return bm;
}

TEST(Drawing, BitmapTilingCentringAndStretching)
{
    HBITMAP bm = RedBitmap(16, 16);
    struct Row {
        const char* name;
        unsigned flags;
        RECT rect;
        POINT red, white;
    } rows[] = {
        {"tile", ZPIC_TILE, {0, 0, 40, 30}, {39, 29}, {45, 35}},
        {"centre", ZPIC_CENTER, {0, 0, 50, 40}, {17, 12}, {16, 11}},
        {"stretch", ZPIC_STRETCH, {0, 0, 50, 40}, {49, 39}, {49, 39}},
        {"plain", 0, {0, 0, 50, 40}, {15, 15}, {16, 16}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Canvas c(50, 40);
        DrawBitmap(c.dc, bm, row.rect, row.flags, SRCCOPY);
        EXPECT_EQ(kRed, c.At(row.red.x, row.red.y));
        if (row.flags != ZPIC_STRETCH) {
            EXPECT_EQ(kWhite, c.At(row.white.x, row.white.y));
        }
    }
    DeleteObject(bm);
}

TEST(Drawing, LabelFrameStaysInsideItsRectangle)
{
    Canvas c(60, 30);
    RECT r = {10, 5, 47, 20};  // a width the bands do not divide evenly
    DrawLabelFrame(c.dc, r, ZPIC_LABELFRAME);
    for (int y = 0; y < 30; ++y) {
        EXPECT_EQ(kWhite, c.At(9, y)) << "left of the frame, row " << y;
        EXPECT_EQ(kWhite, c.At(47, y)) << "right of the frame, row " << y;
    }
    EXPECT_NE(kWhite, c.At(10, 10));
    EXPECT_NE(kWhite, c.At(46, 10));
    Canvas none(60, 30);
    DrawLabelFrame(none.dc, r, 0);
    EXPECT_EQ(kWhite, none.At(20, 10)) << "no frame without flag 0x1";
}

TEST(Drawing, DisabledLabelIsSilver)
{
    for (unsigned flags : {0u, unsigned(ZLABEL_DISABLED)}) {
        SCOPED_TRACE(flags);
        Canvas c(80, 24);
        RECT r = {0, 0, 80, 24};
        DrawLabelText(c.dc, r, "MMMM", RGB(0, 0, 255), flags);
        COLORREF want = flags ? RGB(0xC0, 0xC0, 0xC0) : RGB(0, 0, 255);
        int hits = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 80; ++x)
                hits += c.At(x, y) == want;
        EXPECT_GT(hits, 10);
    }
}

// The test resources hold the same red 6 x 5 picture behind the two
// headers of device-independent bitmaps (with 4- and 3-byte colour tables).
TEST(Drawing, DibResourcesWithEitherHeaderAreDrawn)
{
    HWND window = CreateWindowExA(0, "static", "", WS_POPUP, 0, 0, 40, 30, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, window);
    struct Row {
        const char* name;
        unsigned flags;
        POINT red, white;
    } rows[] = {{"REDINFO", 0, {5, 4}, {6, 5}},
                {"REDCORE", 0, {5, 4}, {6, 5}},
                {"REDCORE", ZPIC_CENTER, {(40 - 6) / 2, (30 - 5) / 2}, {0, 0}},
                {"REDCORE", ZPIC_STRETCH, {39, 29}, {39, 29}}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " flags " + std::to_string(row.flags));
        Canvas c(40, 30);
        DrawDibResource(window, c.dc, GetModuleHandleA(nullptr), row.name, row.flags, SRCCOPY);
        EXPECT_EQ(kRed, c.At(row.red.x, row.red.y));
        if (row.flags != ZPIC_STRETCH) {
            EXPECT_EQ(kWhite, c.At(row.white.x, row.white.y));
        }
    }
    DestroyWindow(window);
}

TEST(Drawing, ProcessWideDrawingObjects)
{
    LOGPEN pen = {};
    ASSERT_EQ(int(sizeof pen), GetObjectA(zBlackPen(), sizeof pen, &pen));
    EXPECT_EQ(UINT(PS_SOLID), pen.lopnStyle);
    EXPECT_EQ(1, pen.lopnWidth.x);
    EXPECT_EQ(RGB(0, 0, 0), pen.lopnColor);
    EXPECT_EQ(nullptr, zEmptyContext().Handle());
    HDC display = zDisplayIC();
    ASSERT_NE(nullptr, display);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), GetDeviceCaps(display, HORZRES));
}

TEST(Caches, ControlsShareOneFontFreedAfterTheLastRelease)
{
    zFont a, b;
    a.logFont.lfHeight = b.logFont.lfHeight = -13;
    a.logFont.lfWeight = b.logFont.lfWeight = 400;
    lstrcpyA(a.logFont.lfFaceName, "Tahoma");
    lstrcpyA(b.logFont.lfFaceName, "TAHOMA");
    b.logFont.lfStrikeOut = 1;  // not part of the comparison
    a.Take();
    b.Take();
    ASSERT_NE(nullptr, a.handle);
    EXPECT_EQ(a.handle, b.handle);
    HFONT shared = a.handle;
    EXPECT_EQ(2, zFontRefCount(shared));
    a.Release();
    EXPECT_EQ(1, zFontRefCount(shared));
    EXPECT_EQ(DWORD(OBJ_FONT), GetObjectType(shared));
    b.Release();
    EXPECT_EQ(0, zFontRefCount(shared));
    EXPECT_EQ(0u, GetObjectType(shared)) << "deleted after the last holder";
}

TEST(Caches, FreedBrushEntryIsReused)
{
    int before = zLiveBrushCount();
    HBRUSH one = zGetBrush(RGB(1, 2, 3));
    EXPECT_EQ(one, zGetBrush(RGB(1, 2, 3)));
    EXPECT_EQ(2, zBrushRefCount(one));
    zReleaseBrush(one);
    zReleaseBrush(one);
    EXPECT_EQ(before, zLiveBrushCount());
    const int entries = zBrushEntryCount();
    HBRUSH two = zGetBrush(RGB(4, 5, 6));
    EXPECT_EQ(1, zBrushRefCount(two));
    EXPECT_EQ(entries, zBrushEntryCount()) << "the freed entry holds the new brush";
    zReleaseBrush(two);
}

// A label of blanks is no label: its rectangle is empty, like an empty one.
TEST(Drawing, BlankLabelHasAnEmptyRectangle)
{
    zwt::TestForm form("Labels");
    form.Show(SW_SHOW);
    std::unique_ptr<zwt::TestControl> edit(
        zwt::AddControl(form, "edit", ZT_EDIT, "edit", WS_CHILD | WS_VISIBLE, 40));
    const struct {
        const char* label;
        bool empty;
    } rows[] = {{"", true}, {" \t ", true}, {"Name", false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string("label \"") + row.label + "\"");
        RECT r = {1, 1, 2, 2};
        GetLabelRect(edit->hwnd, &r, row.label, 0, nullptr);
        EXPECT_EQ(row.empty, IsRectEmpty(&r) != 0);
    }
}

}  // namespace
