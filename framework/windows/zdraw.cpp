// Drawing: bitmaps, DIB resources and GDI+ pictures for form backgrounds,
// the background erase and the labels that forms draw beside controls.

#include "zgdi.h"

#include "zapplication.h"
#include "zform.h"
#include "zgdiplus.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Tiles (w x h) copies over rect, clipped to it; blit draws one copy.
template <class Blit>
void Tile(HDC dc, const RECT& rect, int w, int h, Blit blit)
{
    if (w <= 0 || h <= 0)
        return;
    int saved = SaveDC(dc);
    IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
    for (int y = rect.top; y < rect.bottom; y += h)
        for (int x = rect.left; x < rect.right; x += w)
            blit(x, y);
    RestoreDC(dc, saved);
}

void DrawGdiplusImage(void* image, HDC dc, int x, int y, unsigned flags, int left, int top,
                      int width, int height, int* iw, int* ih)
{
    UINT w = 0, h = 0;
    GdipGetImageWidth(image, &w);
    GdipGetImageHeight(image, &h);
    *iw = int(w);
    *ih = int(h);
    if (w == 0 || h == 0)
        return;
    void* g = nullptr;
    if (GdipCreateFromHDC(dc, &g) != 0 || !g)
        return;
    if (flags & ZPIC_CENTER) {
        GdipDrawImageRectI(g, image, (width - int(w)) / 2, (height - int(h)) / 2, w, h);
    } else if (flags & ZPIC_STRETCH) {
        GdipDrawImageRectI(g, image, 0, 0, width, height);
    } else if (flags & ZPIC_TILE) {
        RECT r = {left, top, left + width, top + height};
        Tile(dc, r, int(w), int(h),
             [&](int tx, int ty) { GdipDrawImageRectI(g, image, tx, ty, w, h); });
    } else {
        GdipDrawImageRectI(g, image, x, y, w, h);
    }
    GdipDeleteGraphics(g);
}

}  // namespace

void DrawBitmap(HDC dc, HBITMAP bitmap, const RECT& rect, unsigned flags, DWORD rop)
{
    if (!dc || !bitmap)
        return;
    BITMAP bm = {};
    if (!GetObjectA(bitmap, sizeof bm, &bm))
        return;
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, bitmap);
    int w = bm.bmWidth, h = bm.bmHeight;
    if (flags & ZPIC_CENTER)
        BitBlt(dc, (rect.right - w) / 2, (rect.bottom - h) / 2, w, h, mem, 0, 0, rop);
    else if (flags & ZPIC_STRETCH)
        StretchBlt(dc, rect.left, rect.top, rect.right, rect.bottom, mem, 0, 0, w, h, rop);
    else if (flags & ZPIC_TILE)
        Tile(dc, rect, w, h, [&](int x, int y) { BitBlt(dc, x, y, w, h, mem, 0, 0, rop); });
    else
        BitBlt(dc, rect.left, rect.top, w, h, mem, 0, 0, rop);
    SelectObject(mem, old);
    DeleteDC(mem);
}

namespace {

// Where a packed DIB's pixels start and how big its picture is, for both
// headers: BITMAPINFOHEADER (4-byte colour entries) and the older 12-byte
// BITMAPCOREHEADER (3-byte entries). False when the block cannot hold them.
bool DibLayout(const BYTE* dib, DWORD size, int* width, int* height, const BYTE** bits)
{
    if (size < sizeof(BITMAPCOREHEADER))
        return false;
    const auto& info = *reinterpret_cast<const BITMAPINFOHEADER*>(dib);
    DWORD header = info.biSize, colours = 0, entry = 4, compression = BI_RGB;
    int bitCount = 0;
    if (header == sizeof(BITMAPCOREHEADER)) {
        const auto& core = *reinterpret_cast<const BITMAPCOREHEADER*>(dib);
        *width = core.bcWidth;
        *height = core.bcHeight;
        bitCount = core.bcBitCount;
        entry = 3;
    } else if (header >= sizeof(BITMAPINFOHEADER) && size >= sizeof(BITMAPINFOHEADER)) {
        *width = info.biWidth;
        *height = info.biHeight < 0 ? -info.biHeight : info.biHeight;
        bitCount = info.biBitCount;
        colours = info.biClrUsed;
        compression = info.biCompression;
        if (compression == BI_BITFIELDS && header == sizeof(BITMAPINFOHEADER))
            header += 12;  // the three colour masks
    } else {
        return false;
    }
    if (colours == 0 && bitCount <= 8)
        colours = 1u << bitCount;
    unsigned long long offset = header + 1ull * colours * entry;
    unsigned long long stride = ((1ull * *width * bitCount + 31) / 32) * 4;
    bool packed = compression == BI_RGB || compression == BI_BITFIELDS;
    if (*width <= 0 || *height <= 0 || offset > size ||
        (packed && offset + stride * unsigned(*height) > size))
        return false;
    *bits = dib + offset;
    return true;
}

}  // namespace

// Zero-size images and blocks too small for their header draw nothing.
void DrawDibResource(HWND window, HDC dc, HINSTANCE module, const char* name, unsigned flags,
                     DWORD rop)
{
    HRSRC res = FindResourceA(module, name, MAKEINTRESOURCEA(2));
    HGLOBAL block = res ? LoadResource(module, res) : nullptr;
    auto* dib = block ? static_cast<const BYTE*>(LockResource(block)) : nullptr;
    int iw = 0, ih = 0;
    const BYTE* bits = nullptr;
    if (!dib || !DibLayout(dib, SizeofResource(module, res), &iw, &ih, &bits))
        return;
    auto* info = reinterpret_cast<const BITMAPINFO*>(dib);
    RECT rc = {};
    GetClientRect(window, &rc);
    int cw = rc.right, ch = rc.bottom;
    auto draw = [&](int x, int y, int w, int hh) {
        StretchDIBits(dc, x, y, w, hh, 0, 0, iw, ih, bits, info, DIB_RGB_COLORS, rop);
    };
    if (flags & ZPIC_CENTER)
        draw((cw - iw) / 2, (ch - ih) / 2, iw, ih);
    else if (flags & ZPIC_STRETCH)
        draw(0, 0, cw, ch);
    else if (flags & ZPIC_TILE)
        Tile(dc, rc, iw, ih, [&](int x, int y) { draw(x, y, iw, ih); });
    else
        draw(0, 0, iw, ih);
}

void DrawFormImage(zForm& form, HDC dc)
{
    if (form.pictureName.IsBlank())
        return;
    HWND target = form.kind == ZK_MDIFRAME && form.mdiClient ? form.mdiClient : form.hwnd;
    if (form.pictureSource == 1) {
        DrawDibResource(target, dc, zApp().instance, form.pictureName, form.pictureFlags, form.rop);
    } else {
        RECT rc = {};
        GetClientRect(target, &rc);
        DrawBitmap(dc, static_cast<HBITMAP>(form.image), rc, form.pictureFlags, form.rop);
    }
}

void DrawPictureData(size_t length, const void* bytes, HDC dc, int x, int y, unsigned flags,
                     int left, int top, int width, int height, int* iw, int* ih)
{
    *iw = *ih = 0;
    if (!length || !bytes || !dc)
        return;
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, length);
    if (!mem)
        return;
    std::memcpy(GlobalLock(mem), bytes, length);
    GlobalUnlock(mem);
    IStream* stream = nullptr;
    if (CreateStreamOnHGlobal(mem, TRUE, &stream) != S_OK) {
        GlobalFree(mem);
        return;
    }
    void* image = nullptr;
    if (GdipCreateBitmapFromStream(stream, &image) == 0 && image) {
        DrawGdiplusImage(image, dc, x, y, flags, left, top, width, height, iw, ih);
        GdipDisposeImage(image);
    }
    stream->Release();
}

int DrawPicture(int source, const char* nameOrPath, HDC dc, int x, int y, unsigned flags,
                int left, int top, int width, int height, int* iw, int* ih)
{
    *iw = *ih = 0;
    if (source == 1) {
        HINSTANCE module = zApp().instance;
        HRSRC res = FindResourceA(module, nameOrPath, MAKEINTRESOURCEA(10));
        HGLOBAL block = res ? LoadResource(module, res) : nullptr;
        if (block)
            DrawPictureData(SizeofResource(module, res), LockResource(block), dc, x, y, flags,
                            left, top, width, height, iw, ih);
        return 1;
    }
    HANDLE file = CreateFileA(nameOrPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD size = GetFileSize(file, nullptr), got = 0;
    std::vector<char> data(size == INVALID_FILE_SIZE ? 0 : size);
    if (!data.empty() && ReadFile(file, data.data(), size, &got, nullptr) && got == size)
        DrawPictureData(got, data.data(), dc, x, y, flags, left, top, width, height, iw, ih);
    CloseHandle(file);
    return 1;
}

bool EraseFormBackground(HWND window, zForm& form, HDC dc)
{
    if (!form.pictureName.IsBlank() &&
        (form.pictureFlags == ZPIC_TILE || form.pictureFlags == ZPIC_STRETCH))
        return false;
    zDC context(dc);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    HBRUSH b = form.patternBrush.Handle() ? form.patternBrush.Handle() : form.brush;
    HGDIOBJ old = b ? SelectObject(dc, b) : nullptr;
    bool erased = false;
    if (form.OnEraseBackground(context)) {
        RECT rc;
        GetClientRect(window, &rc);
        PatBlt(dc, 0, 0, rc.right, rc.bottom, PATCOPY);
        erased = true;
    }
    if (old)
        SelectObject(dc, old);
    return erased;
}

void GetLabelRect(HWND control, RECT* out, const char* label, int position, HFONT font)
{
    SetRectEmpty(out);
    if (!control || IsBlank(label))
        return;
    HWND parent = GetParent(control);
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    HDC dc = GetDC(parent);
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    SIZE size = {};
    GetTextExtentPoint32A(dc, label, lstrlenA(label), &size);
    if (old)
        SelectObject(dc, old);
    ReleaseDC(parent, dc);
    switch (position) {
    case 0: out->top = r.top - size.cy - 4, out->left = r.left; break;
    case 1: out->top = r.top, out->left = r.right + 4; break;
    case 2: out->top = r.top, out->left = r.left - size.cx - 2; break;
    default: out->top = r.top, out->left = r.left; break;
    }
    out->bottom = out->top + size.cy + 2;
    out->right = out->left + size.cx + 4;
}

// A gradient from the shadow to the face colour (where the system has the
// call), then the same in bands; no band reaches past the rectangle's edge.
void DrawLabelFrame(HDC dc, const RECT& rect, unsigned flags)
{
    if (!(flags & ZPIC_LABELFRAME) || rect.right <= rect.left)
        return;
    COLORREF from = GetSysColor(COLOR_BTNSHADOW), to = GetSysColor(COLOR_BTNFACE);
    TRIVERTEX v[2] = {{rect.left, rect.top, COLOR16(GetRValue(from) << 8),
                       COLOR16(GetGValue(from) << 8), COLOR16(GetBValue(from) << 8), 0},
                      {rect.right, rect.bottom, COLOR16(GetRValue(to) << 8),
                       COLOR16(GetGValue(to) << 8), COLOR16(GetBValue(to) << 8), 0}};
    GRADIENT_RECT gr = {0, 1};
    if (zApp().gradientFill)
        zApp().gradientFill(dc, v, 2, &gr, 1, GRADIENT_FILL_RECT_H);
    int c[3] = {GetRValue(from), GetGValue(from), GetBValue(from)};
    const int t[3] = {GetRValue(to), GetGValue(to), GetBValue(to)};
    int steps = 0;
    for (int i = 0; i < 3; ++i)
        steps = std::max(steps, std::abs(t[i] - c[i]));
    if (steps == 0)
        return;
    int width = rect.right - rect.left;
    int band = std::max(1, (width + steps - 1) / steps);
    for (int x = rect.left, s = 0; s < steps && x < rect.right; ++s, x += band) {
        for (int i = 0; i < 3; ++i)
            c[i] = t[i] < c[i] ? t[i] : std::min(c[i] + 1, t[i]);
        HBRUSH b = CreateSolidBrush(RGB(c[0], c[1], c[2]));
        RECT r = {x, rect.top, std::min<LONG>(x + band, rect.right), rect.bottom};
        FillRect(dc, &r, b);
        DeleteObject(b);
    }
}

void DrawLabelText(HDC dc, const RECT& rect, const char* text, COLORREF colour, unsigned flags)
{
    RECT r = rect;
    if (flags & (0x1 | 0x4))
        SetBkMode(dc, TRANSPARENT);
    if (flags & 0x2) {
        InflateRect(&r, -2, -1);
        SetTextColor(dc, 0xC0C0C0);
        DrawTextA(dc, text, -1, &r, DT_NOPREFIX | DT_SINGLELINE);
        InflateRect(&r, 1, 1);
        SetBkMode(dc, TRANSPARENT);
    }
    SetTextColor(dc, (flags & ZLABEL_DISABLED) ? 0xC0C0C0 : colour);
    DrawTextA(dc, text, -1, &r, DT_NOPREFIX | DT_SINGLELINE);
}
