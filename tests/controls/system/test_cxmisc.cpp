// Rounding, the message pump, the library's resources and icons, image
// lists, brushes, drawing helpers, the mouse and the library start.

#include "cxlibrary.h"
#include "cxmisc.h"
#include "cxtestdir.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <string>

extern "C" int WINAPI GdipGetImageWidth(void* image, UINT* width);
extern "C" int WINAPI GdipGetImageHeight(void* image, UINT* height);
extern "C" int WINAPI GdipDisposeImage(void* image);

namespace {

TEST(Rounding, HalfAwayFromZero)
{
    const struct {
        double value;
        int decimals;
        double expected;
    } rows[] = {
        {2.345, 2, 2.35},  {2.344, 2, 2.34},   {-2.345, 2, -2.35}, {0.125, 2, 0.13},
        {1.005, 2, 1.01},  {2.5, 0, 3.0},      {-2.5, 0, -3.0},    {1234.5678, 1, 1234.6},
        {0.0, 3, 0.0},     {-0.0004, 3, -0.0}, {19.99, 0, 20.0},   {1e12 + 0.5, 0, 1e12 + 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.value) + " to " + std::to_string(row.decimals));
        EXPECT_DOUBLE_EQ(row.expected, RoundTo(row.value, row.decimals));
    }
}

int g_counted = 0;
bool g_flood = false;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_USER + 1) {
        ++g_counted;
        if (g_flood)
            PostMessageA(window, WM_USER + 1, 0, 0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND MessageWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "cxsys_counting";
    RegisterClassA(&wc);
    return CreateWindowA("cxsys_counting", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         wc.hInstance, nullptr);
}

TEST(PumpMessages, DispatchesQuitsAndStaysBounded)
{
    HWND window = MessageWindow();
    ASSERT_NE(nullptr, window);
    g_counted = 0;
    for (int i = 0; i < 3; ++i)
        PostMessageA(window, WM_USER + 1, 0, 0);
    EXPECT_TRUE(PumpMessages());
    EXPECT_EQ(3, g_counted);

    PostMessageA(window, WM_USER + 1, 0, 0);
    PostQuitMessage(7);
    EXPECT_FALSE(PumpMessages());
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));  // posted again
    EXPECT_EQ(7u, msg.wParam);

    // A window that answers every message with a new one cannot hold the pump:
    // it returns (an endless pump would hang the test) with the queue not empty.
    g_flood = true;
    g_counted = 0;
    PostMessageA(window, WM_USER + 1, 0, 0);
    EXPECT_FALSE(PumpMessages());
    EXPECT_GT(g_counted, 1);
    g_flood = false;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    DestroyWindow(window);
}

bool g_registered = false;
bool RegisterTestClass(HINSTANCE module)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = module;
    wc.lpszClassName = "cxsys_started";
    g_registered = RegisterClassA(&wc) != 0;
    return g_registered;
}

TEST(LibraryStart, ClassesGdiplusImagesAndCursors)
{
    const CorvexClassRegistration classes[] = {RegisterTestClass, nullptr};
    ASSERT_TRUE(CorvexLibraryStart(CxModule(), classes, 2));
    EXPECT_TRUE(CorvexGdiplusReady());
    EXPECT_TRUE(g_registered);
    WNDCLASSA wc;
    EXPECT_TRUE(GetClassInfoA(CxModule(), "cxsys_started", &wc));

    void* image = LoadImageResource("CXSAMPLE");
    ASSERT_NE(nullptr, image);
    UINT width = 0, height = 0;
    EXPECT_EQ(0, GdipGetImageWidth(image, &width));
    EXPECT_EQ(0, GdipGetImageHeight(image, &height));
    EXPECT_EQ(8u, width);
    EXPECT_EQ(4u, height);
    GdipDisposeImage(image);
    EXPECT_EQ(nullptr, LoadImageResource("CXMISSING"));

    const BYTE andMask[4 * 4] = {};
    const BYTE xorMask[4 * 4] = {};
    HCURSOR first = CreateCursor(GetModuleHandleA(nullptr), 0, 0, 4, 4, andMask, xorMask);
    HCURSOR second = CreateCursor(GetModuleHandleA(nullptr), 0, 0, 4, 4, andMask, xorMask);
    HCURSOR third = CreateCursor(GetModuleHandleA(nullptr), 0, 0, 4, 4, andMask, xorMask);
    ASSERT_TRUE(first && second && third);
    EXPECT_TRUE(CorvexKeepCursor(first));
    EXPECT_TRUE(CorvexKeepCursor(second));
    EXPECT_FALSE(CorvexKeepCursor(third));
    EXPECT_FALSE(CorvexKeepCursor(nullptr));
    CorvexLibraryStop();
    ICONINFO info;
    EXPECT_FALSE(GetIconInfo(first, &info));  // destroyed by the stop
    ASSERT_TRUE(GetIconInfo(third, &info));
    DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    DestroyCursor(third);
    // The library starts again after a stop, with no classes to register.
    ASSERT_TRUE(CorvexLibraryStart(CxModule(), nullptr, 0));
    image = LoadImageResource("CXSAMPLE");
    EXPECT_NE(nullptr, image);
    GdipDisposeImage(image);
    CorvexLibraryStop();
}

// A stop before the start's own thread has run leaves GDI+ alone for good;
// the next start brings it back.
TEST(LibraryStart, StopBeforeTheStartHasRun)
{
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(CorvexLibraryStart(CxModule(), nullptr, 0));
        CorvexLibraryStop();
        Sleep(50);  // room for the start's thread, which must find nothing to do
        EXPECT_FALSE(CorvexGdiplusReady());
    }
    ASSERT_TRUE(CorvexLibraryStart(CxModule(), nullptr, 0));
    EXPECT_TRUE(CorvexGdiplusReady());
    CorvexLibraryStop();
    EXPECT_FALSE(CorvexGdiplusReady());
}

int IconWidth(HICON icon)
{
    ICONINFO info;
    if (!GetIconInfo(icon, &info))
        return 0;
    BITMAP bitmap = {};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    return bitmap.bmWidth;
}

TEST(IconLoad, SizesByKind)
{
    corvex::zIcon icon;
    const struct {
        int kind, size;
    } rows[] = {{1, 16}, {2, 48}, {0, 32}, {7, 32}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.kind);
        ASSERT_TRUE(icon.Load("CXICON", row.kind));
        EXPECT_EQ(row.size, IconWidth(icon.Handle()));
    }
    icon.SetSize(24);
    ASSERT_TRUE(icon.Load("CXICON", corvex::zIcon::kStored));
    EXPECT_EQ(24, IconWidth(icon.Handle()));

    HICON shared = icon.Handle();
    corvex::zIcon holder;
    holder.SetShared(shared);
    ASSERT_TRUE(holder.Load("CXICON", 1));
    EXPECT_EQ(24, IconWidth(shared));  // a shared icon survives the reload
    EXPECT_FALSE(holder.Load("", 1));
    EXPECT_FALSE(holder.Load("CXNOICON", 1));
    EXPECT_EQ(nullptr, holder.Handle());
}

std::string ResourceBytes(const char* name)
{
    HRSRC info = FindResourceA(nullptr, name, MAKEINTRESOURCEA(10));
    HGLOBAL data = LoadResource(nullptr, info);
    return std::string(static_cast<const char*>(LockResource(data)), SizeofResource(nullptr, info));
}

TEST(ImageLists, BitmapsAndIcons)
{
    CxTestDir dir("imagelist");
    testutil::write_file(dir / "icona.ico", ResourceBytes("CXICOFILE"));
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 4);
    ASSERT_NE(nullptr, list);
    HBITMAP bitmap = CreateBitmap(16, 16, 1, 32, nullptr);
    EXPECT_EQ(0, ImageListAddBitmap(list, bitmap, nullptr));
    corvex::zIcon icon;
    ASSERT_TRUE(icon.Load("CXICON", 1));
    EXPECT_EQ(1, ImageListAppendIcon(list, icon.Handle()));
    EXPECT_EQ(2, ImageListAddIconFile(list, (dir / "icona.ico").c_str()));
    EXPECT_EQ(-1, ImageListAddIconFile(list, (dir / "assente.ico").c_str()));
    EXPECT_EQ(-1, ImageListAppendIcon(list, nullptr));
    EXPECT_EQ(-1, ImageListAddBitmap(nullptr, bitmap, nullptr));
    EXPECT_EQ(3, ImageList_GetImageCount(list));
    ImageList_Destroy(list);
    DeleteObject(bitmap);
}

TEST(PatternBrushFile, FromABitmapFile)
{
    CxTestDir dir("brush");
    testutil::write_file(dir / "trama.bmp", ResourceBytes("CXSAMPLE"));
    PatternBrush brush;
    EXPECT_FALSE(brush.FromFile((dir / "assente.bmp").c_str()));
    EXPECT_EQ(nullptr, brush.Handle());
    ASSERT_TRUE(brush.FromFile((dir / "trama.bmp").c_str()));
    HBRUSH first = brush.Handle();
    LOGBRUSH description = {};
    ASSERT_EQ(int(sizeof description), GetObjectA(first, sizeof description, &description));
    EXPECT_EQ(UINT(BS_PATTERN), description.lbStyle);
    EXPECT_FALSE(brush.FromFile((dir / "assente.bmp").c_str()));
    EXPECT_EQ(first, brush.Handle());  // a failed load keeps the brush
    ASSERT_TRUE(brush.FromFile((dir / "trama.bmp").c_str()));
    EXPECT_NE(nullptr, brush.Handle());
}

// A 32 x 32 memory context over a DIB section, to read drawn pixels back.
class MemoryCanvas {
public:
    MemoryCanvas()
    {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), 32, -32, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_),
                                   nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        RECT all = {0, 0, 32, 32};
        FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    ~MemoryCanvas()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    MemoryCanvas(const MemoryCanvas&) = delete;
    MemoryCanvas& operator=(const MemoryCanvas&) = delete;
    HDC dc() const { return dc_; }
    COLORREF At(int x, int y) const
    {
        GdiFlush();
        DWORD p = bits_[y * 32 + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    DWORD* bits_ = nullptr;
};

TEST(DeviceDrawing, RectanglesLinesFontsAndLayout)
{
    MemoryCanvas canvas;
    ASSERT_NE(nullptr, canvas.dc());
    EXPECT_TRUE(DrawRectangle(canvas.dc(), RECT{2, 2, 12, 12}, RGB(255, 0, 0)));
    EXPECT_EQ(RGB(255, 0, 0), canvas.At(6, 6));
    EXPECT_EQ(RGB(0, 0, 0), canvas.At(2, 6));  // framed with the black pen
    EXPECT_EQ(RGB(255, 255, 255), canvas.At(20, 20));

    HGDIOBJ previous = SelectStock(canvas.dc(), NULL_BRUSH);
    EXPECT_NE(nullptr, previous);
    EXPECT_TRUE(DrawRectangle(canvas.dc(), RECT{4, 4, 10, 10}, CLR_NONE));
    EXPECT_EQ(RGB(255, 0, 0), canvas.At(6, 6));  // no fill: the red stays
    EXPECT_EQ(RGB(0, 0, 0), canvas.At(4, 6));
    SelectObject(canvas.dc(), previous);

    EXPECT_TRUE(DrawLine(canvas.dc(), 0, 20, 31, 20));
    EXPECT_EQ(RGB(0, 0, 0), canvas.At(15, 20));
    EXPECT_EQ(RGB(255, 255, 255), canvas.At(15, 21));

    DeviceTextLayout layout;
    ASSERT_TRUE(MeasureDeviceText(canvas.dc(), &layout));
    ASSERT_GT(layout.metrics.tmAveCharWidth, 0);
    EXPECT_EQ(GetDeviceCaps(canvas.dc(), HORZRES) / layout.metrics.tmAveCharWidth,
              layout.charsPerLine);
    EXPECT_EQ(GetDeviceCaps(canvas.dc(), VERTRES) /
                  (layout.metrics.tmHeight + layout.metrics.tmExternalLeading),
              layout.linesPerPage);
    EXPECT_FALSE(MeasureDeviceText(nullptr, &layout));

    HFONT stock = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    HFONT copy = FontFromObject(stock);
    ASSERT_NE(nullptr, copy);
    LOGFONTA a = {}, b = {};
    GetObjectA(stock, sizeof a, &a);
    GetObjectA(copy, sizeof b, &b);
    EXPECT_STREQ(a.lfFaceName, b.lfFaceName);
    EXPECT_EQ(a.lfHeight, b.lfHeight);
    DeleteObject(copy);
    EXPECT_EQ(nullptr, FontFromObject(nullptr));
}

TEST(Mouse, CursorConfinedToTheClientArea)
{
    HWND window = CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE | WS_BORDER, 100, 80, 200,
                                150, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, window);
    RECT expected;
    ASSERT_TRUE(ClientRectToScreen(window, &expected));
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right - client.left, expected.right - expected.left);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    EXPECT_EQ(origin.x, expected.left);
    EXPECT_EQ(origin.y, expected.top);

    ASSERT_TRUE(ClipCursorToClient(window));
    RECT clip;
    ASSERT_TRUE(GetClipCursor(&clip));
    EXPECT_TRUE(EqualRect(&clip, &expected));
    ClipCursor(nullptr);
    DestroyWindow(window);
    EXPECT_FALSE(ClipCursorToClient(window));
}

}  // namespace
