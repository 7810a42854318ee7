// Painting the picture control, its palette and its click protocol.

#include "zpicture.h"

#include "dib.h"
#include "gdipflat.h"

#include <cstdlib>

namespace {

// The parent's colour as an opaque GDI+ colour; a parent that answers no
// brush gets the class background colour.
DWORD parentArgb(HBRUSH brush)
{
    LOGBRUSH lb = {};
    COLORREF color = brush && GetObjectA(brush, sizeof lb, &lb) ? lb.lbColor
                                                                 : GetSysColor(COLOR_WINDOW);
    return 0xFF000000u | (static_cast<DWORD>(GetRValue(color)) << 16) |
           (static_cast<DWORD>(GetGValue(color)) << 8) | GetBValue(color);
}

void clearWithGdip(HDC dc, DWORD argb)
{
    void* graphics = nullptr;
    if (GdipCreateFromHDC(dc, &graphics) != gdip::kOk)
        return;
    GdipGraphicsClear(graphics, argb);
    GdipDeleteGraphics(graphics);
}

void paintGdip(HDC dc, const RECT& client, IMGINFO* info, HBRUSH brush)
{
    void* graphics = nullptr;
    if (GdipCreateFromHDC(dc, &graphics) != gdip::kOk)
        return;
    if (info->clearBackground)
        GdipGraphicsClear(graphics, parentArgb(brush));
    void* bitmap = info->gdipBitmap;  // null for a file GDI+ could not decode
    UINT width = client.right, height = client.bottom;
    if (bitmap && !info->stretch) {
        GdipGetImageWidth(bitmap, &width);
        info->gdipBitmapStatus = GdipGetImageHeight(bitmap, &height);
    }
    if (bitmap)
        info->gdipBitmapStatus = GdipDrawImageRectI(graphics, bitmap, 0, 0, width, height);
    GdipDeleteGraphics(graphics);
}

void paintDib(HDC dc, const RECT& client, IMGINFO* info)
{
    if (info->palette) {
        SelectPalette(dc, info->palette, FALSE);
        RealizePalette(dc);
    }
    BITMAPINFOHEADER h;
    if (!dibHeaderInfo(info->dib, &h) || h.biSize != sizeof h)
        return;
    const int height = std::labs(h.biHeight);  // negative when stored from the top down
    if (info->stretch)
        dibStretchBlit(dc, 0, 0, client.right, client.bottom, info->dib, 0, 0, h.biWidth, height,
                       SRCCOPY);
    else
        dibBlit(dc, 0, 0, h.biWidth, height, info->dib, 0, 0, SRCCOPY);
}

void paintBitmap(HDC dc, const RECT& client, IMGINFO* info)
{
    HDC memory = CreateCompatibleDC(dc);
    if (!memory)
        return;
    HGDIOBJ old = SelectObject(memory, info->bitmap);
    BITMAP bm = {};
    GetObjectA(info->bitmap, sizeof bm, &bm);
    if (info->stretch)
        StretchBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, bm.bmWidth, bm.bmHeight,
                   SRCCOPY);
    else
        BitBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, memory, 0, 0, SRCCOPY);
    if (old)
        SelectObject(memory, old);
    DeleteDC(memory);
}

bool insideClient(HWND window, LPARAM lParam)
{
    RECT client;
    GetClientRect(window, &client);
    POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    return PtInRect(&client, pt) != FALSE;
}

}  // namespace

void picturePaint(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    auto brush = reinterpret_cast<HBRUSH>(SendMessageA(
        GetParent(window), ZPM_PARENTBRUSH, reinterpret_cast<WPARAM>(dc),
        reinterpret_cast<LPARAM>(window)));
    // The parent may have changed (or dropped) the picture meanwhile.
    IMGINFO* info = pictureInfo(window);
    if (dc && info) {
        if (info->gdipLoaded)
            paintGdip(dc, client, info, brush);
        else if (pictureHasValidDib(info))
            paintDib(dc, client, info);
        else if (info->bitmap)
            paintBitmap(dc, client, info);
        else if (info->clearBackground)
            clearWithGdip(dc, parentArgb(brush));
    }
    EndPaint(window, &ps);
}

LRESULT pictureRealizePalette(HWND window, IMGINFO* info)
{
    if (!info->palette)
        return 0;
    HDC dc = GetDC(window);
    if (!dc)
        return 0;
    HPALETTE old = SelectPalette(dc, info->palette, FALSE);
    UINT realized = RealizePalette(dc);
    if (old)
        SelectPalette(dc, old, FALSE);
    ReleaseDC(window, dc);
    if (realized == GDI_ERROR)
        return 0;
    if (realized > 0)
        InvalidateRect(window, nullptr, TRUE);
    return realized;
}

void pictureMouse(HWND window, IMGINFO* info, UINT message, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
        if (!insideClient(window, lParam))
            return;
        SetCapture(window);
        if (GetFocus() != window)
            SetFocus(window);
        // Focus moves can reach the parent, which may drop this window.
        if ((info = pictureInfo(window)) != nullptr)
            info->state |= ZPS_PRESSED;
        return;
    case WM_MOUSEMOVE:
        if (!(info->state & ZPS_PRESSED))
            return;
        if (insideClient(window, lParam))
            info->state &= ~DWORD(ZPS_OUTSIDE);
        else
            info->state |= ZPS_OUTSIDE;
        return;
    case WM_LBUTTONUP: {
        if (!(info->state & ZPS_PRESSED))
            return;
        bool cancelled = (info->state & ZPS_OUTSIDE) != 0;
        info->state &= ~DWORD(ZPS_PRESSED | ZPS_OUTSIDE);
        ReleaseCapture();
        if (!cancelled && IsWindow(window))
            SendMessageA(GetParent(window), WM_COMMAND,
                         MAKEWPARAM(GetDlgCtrlID(window), ZPN_CLICKED),
                         reinterpret_cast<LPARAM>(window));
        return;
    }
    default:
        return;
    }
}
