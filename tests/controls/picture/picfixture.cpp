#include "picfixture.h"

#include "testdir.h"
#include "testutil.h"

#include "gdipflat.h"

#include <cstring>
#include <cwchar>

extern "C" int WINAPI GdipCreateBitmapFromFile(const WCHAR* path, void** bitmap);

namespace pictest {

namespace {

std::vector<Command> g_commands;
int g_brushRequests = 0;
HBRUSH g_brush = nullptr;
const char kParentClass[] = "CvxPictureTestParent";

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND) {
        g_commands.push_back({LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)});
        return 0;
    }
    if (message == ZPM_PARENTBRUSH) {
        ++g_brushRequests;
        return reinterpret_cast<LRESULT>(g_brush);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterParent()
{
    WNDCLASSA cls = {};
    cls.lpfnWndProc = ParentProc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    cls.lpszClassName = kParentClass;
    RegisterClassA(&cls);
    g_brush = CreateSolidBrush(kParentColor);
}

void PumpPending()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// The run's files go with the program.
std::string Folder()
{
    return testutil::run_folder("cvxpic");
}

CLSID EncoderFor(const wchar_t* mime)
{
    UINT count = 0, bytes = 0;
    GdipGetImageEncodersSize(&count, &bytes);
    std::vector<BYTE> buffer(bytes);
    auto* codecs = reinterpret_cast<gdip::CodecInfo*>(buffer.data());
    GdipGetImageEncoders(count, bytes, codecs);
    for (UINT i = 0; i < count; ++i) {
        if (codecs[i].mimeType && std::wcscmp(codecs[i].mimeType, mime) == 0)
            return codecs[i].clsid;
    }
    return GUID_NULL;
}

std::wstring Wide(const std::string& s)
{
    return std::wstring(s.begin(), s.end());
}

}  // namespace

void PictureTest::SetUp()
{
    // One parent for the whole run: without a window manager, Wine waits
    // about two seconds for every top-level window that goes away.
    static HWND parent = nullptr;
    if (!parent) {
        CorvexInit();
        RegisterParent();
        parent = CreateWindowExA(0, kParentClass, "picture test",
                                 WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 400, 300, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    parent_ = parent;
    ASSERT_NE(nullptr, parent_);
    PumpPending();
    g_commands.clear();
}

void PictureTest::TearDown()
{
    while (HWND child = GetWindow(parent_, GW_CHILD))
        DestroyWindow(child);
    PumpPending();
}

HWND PictureTest::MakePicture(int width, int height)
{
    picture_ = CreateWindowExA(0, "zpicture", "", WS_CHILD | WS_VISIBLE, 10, 10, width, height,
                               parent_, reinterpret_cast<HMENU>(kControlId),
                               GetModuleHandleA(nullptr), nullptr);
    PumpPending();
    g_commands.clear();
    return picture_;
}

SIZE PictureTest::WindowSize() const
{
    RECT rc = {};
    GetWindowRect(picture_, &rc);
    return {rc.right - rc.left, rc.bottom - rc.top};
}

DWORD PictureTest::PixelAt(int x, int y)
{
    RedrawWindow(picture_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC dc = GetDC(picture_);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(picture_, dc);
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

std::vector<Command> PictureTest::TakeCommands()
{
    std::vector<Command> taken;
    taken.swap(g_commands);
    return taken;
}

int BrushRequests()
{
    return g_brushRequests;
}

HGLOBAL MakeDib24(int width, int height)
{
    int line = (width * 3 + 3) & ~3;
    BITMAPINFOHEADER h = {};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biSizeImage = static_cast<DWORD>(line * height);
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof h + h.biSizeImage);
    auto* p = static_cast<BYTE*>(GlobalLock(dib));
    std::memcpy(p, &h, sizeof h);
    for (int y = 0; y < height; ++y) {
        BYTE* row = p + sizeof h + y * line;
        for (int x = 0; x < width; ++x) {
            bool red = x < width / 2;
            row[3 * x] = red ? 0 : 0xFF;  // blue
            row[3 * x + 2] = red ? 0xFF : 0;  // red
        }
    }
    GlobalUnlock(dib);
    return dib;
}

HGLOBAL MakeDib8(int width, int height)
{
    int line = (width + 3) & ~3;
    BITMAPINFOHEADER h = {};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 8;
    h.biSizeImage = static_cast<DWORD>(line * height);
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof h + 1024 + h.biSizeImage);
    auto* p = static_cast<BYTE*>(GlobalLock(dib));
    std::memcpy(p, &h, sizeof h);
    for (int i = 0; i < 256; ++i)
        p[sizeof h + 4 * i] = p[sizeof h + 4 * i + 1] = p[sizeof h + 4 * i + 2] = BYTE(i);
    for (DWORD i = 0; i < h.biSizeImage; ++i)
        p[sizeof h + 1024 + i] = BYTE(i * 5);
    GlobalUnlock(dib);
    return dib;
}

std::vector<BYTE> Bytes(HGLOBAL block)
{
    auto* p = static_cast<const BYTE*>(GlobalLock(block));
    std::vector<BYTE> v(p, p + GlobalSize(block));
    GlobalUnlock(block);
    return v;
}

std::string TempPath(const std::string& name)
{
    return Folder() + "\\" + name;
}

std::string WriteBmp(const std::string& name, int width, int height)
{
    HGLOBAL dib = MakeDib24(width, height);
    std::string path = TempPath(name);
    WriteDIB(const_cast<char*>(path.c_str()), dib);
    GlobalFree(dib);
    return path;
}

std::string WriteMaskedBmp(const std::string& name, int width, int height)
{
    const DWORD masks[3] = {0xFF0000, 0x00FF00, 0x0000FF};
    DWORD image = DWORD(4 * width * height), offBits = 14 + 40 + sizeof masks;
    BITMAPFILEHEADER file = {0x4D42, offBits + image, 0, 0, offBits};
    BITMAPINFOHEADER h = {sizeof h, width, height, 1, 32, BI_BITFIELDS, image, 0, 0, 0, 0};
    std::string bytes(reinterpret_cast<const char*>(&file), 14);
    bytes.append(reinterpret_cast<const char*>(&h), sizeof h);
    bytes.append(reinterpret_cast<const char*>(masks), sizeof masks);
    for (int i = 0; i < width * height; ++i) {
        DWORD pixel = i % width < width / 2 ? 0xFF0000 : 0x0000FF;
        bytes.append(reinterpret_cast<const char*>(&pixel), 4);
    }
    std::string path = TempPath(name);
    testutil::write_file(path, bytes);
    return path;
}

std::string WriteJpeg(const std::string& name, int width, int height)
{
    std::string bmp = WriteBmp(name + ".src.bmp", width, height);
    std::string path = TempPath(name);
    void* bitmap = nullptr;
    if (GdipCreateBitmapFromFile(Wide(bmp).c_str(), &bitmap) == gdip::kOk) {
        CLSID jpeg = EncoderFor(L"image/jpeg");
        GdipSaveImageToFile(bitmap, Wide(path).c_str(), &jpeg, nullptr);
        GdipDisposeImage(bitmap);
    }
    return path;
}

}  // namespace pictest
