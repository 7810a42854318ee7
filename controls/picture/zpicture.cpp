// The picture control's window procedure: its record, the picture-setting
// messages and the measures.

#include "zpicture.h"

#include "corvex.h"
#include "corvexclasses.h"
#include "cxlibrary.h"
#include "dib.h"
#include "gdipflat.h"

#include <cstdlib>
#include <new>

namespace {

const char kClassName[] = "zpicture";
const char kProp[] = "IMGINFO";

void disposeGdip(void*& image)
{
    if (image)
        GdipDisposeImage(image);
    image = nullptr;
}

// GDI+ is running for every picture (the library's start may still be on
// its way when the first window comes).
LRESULT onCreate(HWND window)
{
    CorvexGdiplusReady();
    auto* info = new (std::nothrow) IMGINFO();
    if (!info || !SetPropA(window, kProp, info)) {
        delete info;
        MessageBoxA(window, "Out Of Memory!", "FATAL", MB_ICONHAND | MB_TASKMODAL);
        PostQuitMessage(1);
    }
    return 0;
}

void onDestroy(HWND window, IMGINFO* info)
{
    pictureRelease(info);
    RemovePropA(window, kProp);
    delete info;
}

// 0x09E3 / 0x09EF: a packed DIB with its palette (or one made from it).
void setDib(HWND window, IMGINFO* info, WPARAM wParam, LPARAM lParam, bool borrowed)
{
    pictureRelease(info);
    info->fileName[0] = 0;
    info->borrowed = false;
    info->dib = reinterpret_cast<HGLOBAL>(wParam);
    if (pictureHasValidDib(info)) {
        info->palette = reinterpret_cast<HPALETTE>(lParam);
        if (!info->palette) {
            info->palette = dibPaletteFromHandle(info->dib);
            info->paletteMade = info->palette != nullptr;
        }
    }
    info->borrowed = borrowed;
    pictureChanged(window, wParam);
}

// 0x09E4 / 0x09F1: a device-dependent bitmap.
void setBitmap(HWND window, IMGINFO* info, WPARAM wParam, bool borrowed)
{
    pictureRelease(info);
    info->fileName[0] = 0;
    info->borrowed = borrowed;
    info->bitmap = reinterpret_cast<HBITMAP>(wParam);
    pictureChanged(window, wParam);
}

BITMAP bitmapOf(HBITMAP bitmap)
{
    BITMAP bm = {};
    if (!GetObjectA(bitmap, sizeof bm, &bm))
        bm = BITMAP{};
    return bm;
}

// Width (or height) of the picture in precedence order: GDI+, bitmap, DIB.
LRESULT measure(IMGINFO* info, bool width)
{
    if (info->gdipLoaded) {
        UINT n = 0;
        if (!info->gdipBitmap)
            return 0;
        info->gdipBitmapStatus = width ? GdipGetImageWidth(info->gdipBitmap, &n)
                                       : GdipGetImageHeight(info->gdipBitmap, &n);
        return info->gdipBitmapStatus == gdip::kOk ? static_cast<LRESULT>(n) : 0;
    }
    if (info->bitmap) {
        BITMAP bm = bitmapOf(info->bitmap);
        return width ? bm.bmWidth : bm.bmHeight;
    }
    BITMAPINFOHEADER h;
    if (pictureHasValidDib(info) && dibHeaderInfo(info->dib, &h) && h.biSize == sizeof h)
        return width ? h.biWidth : std::labs(h.biHeight);  // top-down rows count too
    return 0;
}

// The DIB queries 0x09E8 to 0x09EC; 0 without a valid DIB.
LRESULT dibQuery(IMGINFO* info, UINT message)
{
    BITMAPINFOHEADER h;
    if (!pictureHasValidDib(info) || !dibHeaderInfo(info->dib, &h))
        return 0;
    switch (message) {
    case ZPM_DIBIMAGESIZE: return static_cast<LRESULT>(h.biSizeImage);
    case ZPM_DIBTABLESIZE: return dibColorTableSize(&h);
    case ZPM_DIBCOLORS: return static_cast<WORD>(dibColorCount(&h));
    case ZPM_DIBMEMSIZE: return zDibMemSize(info->dib);
    case ZPM_COPYDIB: return reinterpret_cast<LRESULT>(zCopyHandle(info->dib));
    default: return 0;
    }
}

// Sizes the window to the picture; a picture without a size leaves it.
void autoSizeNow(HWND window)
{
    int width = static_cast<int>(SendMessageA(window, ZPM_GETWIDTH, 0, 0));
    int height = static_cast<int>(SendMessageA(window, ZPM_GETHEIGHT, 0, 0));
    if (IsWindow(window) && width && height)
        SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOMOVE);
}

void setAutoSize(HWND window, IMGINFO* info, WPARAM on)
{
    info->autoSize = on != 0;
    if (!info->autoSize)
        return;
    info->stretch = false;
    autoSizeNow(window);
}

void rotateFlip(IMGINFO* info, WPARAM type)
{
    if (info->gdipBitmap && type != 0)
        info->gdipBitmapStatus = GdipImageRotateFlip(info->gdipBitmap, static_cast<int>(type));
}

LRESULT handleMessages(HWND window, IMGINFO* info, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case ZPM_LOADFILE:
        return pictureLoadFile(window, info, wParam, reinterpret_cast<const char*>(lParam));
    case ZPM_AUTOSIZE: setAutoSize(window, info, wParam); return 0;
    case ZPM_GETWIDTH: return measure(info, true);
    case ZPM_GETHEIGHT: return measure(info, false);
    case ZPM_SETDIB: setDib(window, info, wParam, lParam, false); return 0;
    case ZPM_BORROWDIB: setDib(window, info, wParam, lParam, true); return 0;
    case ZPM_SETBITMAP: setBitmap(window, info, wParam, false); return 0;
    case ZPM_BORROWBITMAP: setBitmap(window, info, wParam, true); return 0;
    case ZPM_STRETCH: info->stretch = wParam != 0; return 0;
    case ZPM_STOREVALUE: info->storedValue = static_cast<LONG>(wParam); return 0;
    case ZPM_DIBIMAGESIZE:
    case ZPM_DIBTABLESIZE:
    case ZPM_DIBCOLORS:
    case ZPM_DIBMEMSIZE:
    case ZPM_COPYDIB: return dibQuery(info, message);
    case ZPM_GETDIB: return reinterpret_cast<LRESULT>(info->dib);
    case ZPM_GETBITMAP: return reinterpret_cast<LRESULT>(info->bitmap);
    case ZPM_CAPTURE: pictureCapture(window, info, wParam); return 0;
    case ZPM_PRINT: picturePrint(window, info, reinterpret_cast<HDC>(wParam)); return 0;
    case ZPM_HASPICTURE: return info->gdipLoaded || info->bitmap || info->dib ? 1 : 0;
    case ZPM_SAVE: pictureSave(info, reinterpret_cast<const char*>(lParam)); return 0;
    case ZPM_PASTE: picturePaste(window); return 0;
    case ZPM_CLEARBACKGROUND: info->clearBackground = wParam == 1; return 0;
    case ZPM_ROTATEFLIP: rotateFlip(info, wParam); return 0;
    case ZPM_GETIMAGE: return reinterpret_cast<LRESULT>(info->gdipImage);
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

LRESULT dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE)
        return onCreate(window);
    IMGINFO* info = pictureInfo(window);
    if (!info)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_DESTROY: onDestroy(window, info); return 0;
    case WM_PAINT: picturePaint(window); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP: pictureMouse(window, info, message, lParam); return 0;
    case WM_QUERYNEWPALETTE: return pictureRealizePalette(window, info);
    case WM_PALETTECHANGED:
        if (reinterpret_cast<HWND>(wParam) == window)
            return 0;
        return pictureRealizePalette(window, info);
    default: return handleMessages(window, info, message, wParam, lParam);
    }
}

}  // namespace

bool pictureHasValidDib(const IMGINFO* info)
{
    return info->dib && GlobalFlags(info->dib) != GMEM_INVALID_HANDLE;
}

void pictureRelease(IMGINFO* info)
{
    disposeGdip(info->gdipBitmap);
    disposeGdip(info->gdipImage);
    info->gdipLoaded = false;
    if (info->stream) {
        info->stream->Release();
        info->stream = nullptr;
    }
    if (info->bitmap && !info->borrowed)
        DeleteObject(info->bitmap);
    info->bitmap = nullptr;
    if (pictureHasValidDib(info) && !info->borrowed)
        GlobalFree(info->dib);
    info->dib = nullptr;
    if (info->palette && (!info->borrowed || info->paletteMade))
        DeleteObject(info->palette);
    info->palette = nullptr;
    info->paletteMade = false;
}

void pictureChanged(HWND window, WPARAM cause)
{
    IMGINFO* info = pictureInfo(window);
    if (info && info->autoSize)
        autoSizeNow(window);
    if (!IsWindow(window))
        return;
    SendMessageA(GetParent(window), WM_COMMAND, MAKEWPARAM(LOWORD(cause), ZPN_CHANGED),
                 reinterpret_cast<LPARAM>(window));
}

long WINAPI zPictureWndProc(HWND window, unsigned int message, unsigned int wParam, long lParam)
{
    try {
        return dispatch(window, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

bool RegisterPictureClass(HINSTANCE module)
{
    WNDCLASSA cls = {};
    cls.style = CS_GLOBALCLASS | CS_DBLCLKS;
    cls.lpfnWndProc = zPictureWndProc;
    cls.hInstance = module;
    cls.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    cls.lpszClassName = kClassName;
    return CorvexRegisterOnce(cls);
}
