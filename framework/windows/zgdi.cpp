// The font and brush caches and the small GDI holder classes.

#include "zgdi.h"

#include "zapplication.h"

#include <vector>

namespace {

struct FontEntry {
    HFONT font;
    char face[32];
    int count;
};

struct BrushEntry {
    HBRUSH brush;
    int count;
    COLORREF colour;
};

std::vector<FontEntry>& Fonts()
{
    static std::vector<FontEntry> fonts;
    return fonts;
}

std::vector<BrushEntry>& Brushes()
{
    static std::vector<BrushEntry> brushes;
    return brushes;
}

bool SameFont(const LOGFONTA& a, const LOGFONTA& b)
{
    return a.lfHeight == b.lfHeight && a.lfWidth == b.lfWidth && a.lfWeight == b.lfWeight &&
           a.lfItalic == b.lfItalic && a.lfUnderline == b.lfUnderline &&
           lstrcmpiA(a.lfFaceName, b.lfFaceName) == 0;
}

}  // namespace

HFONT zGetFont(const LOGFONTA& request)
{
    FontEntry* free = nullptr;
    for (FontEntry& e : Fonts()) {
        if (!e.font) {
            if (!free)
                free = &e;
            continue;
        }
        LOGFONTA have = {};
        if (GetObjectA(e.font, sizeof have, &have) && SameFont(have, request)) {
            ++e.count;
            return e.font;
        }
    }
    LOGFONTA lf = request;
    lf.lfQuality = PROOF_QUALITY;
    HFONT font = CreateFontIndirectA(&lf);
    if (!font)
        return nullptr;
    if (free) {
        free->font = font;
        lstrcpynA(free->face, request.lfFaceName, sizeof free->face);
        free->count = 1;
    } else {
        FontEntry e = {font, {}, 1};
        lstrcpynA(e.face, request.lfFaceName, sizeof e.face);
        Fonts().push_back(e);
    }
    return font;
}

void zReleaseFont(HFONT font)
{
    if (!font)
        return;
    for (FontEntry& e : Fonts()) {
        if (e.font == font) {
            if (--e.count <= 0) {
                DeleteObject(e.font);
                e.font = nullptr;
                e.count = 0;
            }
            return;
        }
    }
}

HBRUSH zGetBrush(COLORREF colour)
{
    BrushEntry* free = nullptr;
    for (BrushEntry& e : Brushes()) {
        if (!e.brush) {
            if (!free)
                free = &e;
        } else if (e.colour == colour) {
            ++e.count;
            return e.brush;
        }
    }
    HBRUSH brush = CreateSolidBrush(colour);
    if (!brush)
        return nullptr;
    if (free)
        *free = {brush, 1, colour};
    else
        Brushes().push_back({brush, 1, colour});
    return brush;
}

void zReleaseBrush(HBRUSH brush)
{
    if (!brush)
        return;
    for (BrushEntry& e : Brushes()) {
        if (e.brush == brush) {
            if (--e.count <= 0) {
                DeleteObject(e.brush);
                e.brush = nullptr;
                e.count = 0;
            }
            return;
        }
    }
}

// Each cached object is deleted once; the entries stay, emptied, so that a
// late release finds nothing to delete twice.
void zFreeGdiCaches()
{
    for (FontEntry& e : Fonts()) {
        if (e.font)
            DeleteObject(e.font);
        e.font = nullptr;
        e.count = 0;
    }
    for (BrushEntry& e : Brushes()) {
        if (e.brush)
            DeleteObject(e.brush);
        e.brush = nullptr;
        e.count = 0;
    }
}

int zFontRefCount(HFONT font)
{
    for (const FontEntry& e : Fonts())
        if (font && e.font == font)
            return e.count;
    return 0;
}

int zBrushRefCount(HBRUSH brush)
{
    for (const BrushEntry& e : Brushes())
        if (brush && e.brush == brush)
            return e.count;
    return 0;
}

int zLiveFontCount()
{
    int n = 0;
    for (const FontEntry& e : Fonts())
        n += e.font != nullptr;
    return n;
}

int zLiveBrushCount()
{
    int n = 0;
    for (const BrushEntry& e : Brushes())
        n += e.brush != nullptr;
    return n;
}

int zBrushEntryCount()
{
    return int(Brushes().size());
}

zGdiObject::~zGdiObject()
{
    if (handle_)
        DeleteObject(handle_);
}

void zGdiObject::Reset(HGDIOBJ handle)
{
    if (handle_)
        DeleteObject(handle_);
    handle_ = handle;
}

void zBrush::FromBitmap(const char* resourceName)
{
    if (IsBlank(resourceName))
        return;
    auto bitmap = static_cast<HBITMAP>(
        LoadImageA(zApp().instance, resourceName, IMAGE_BITMAP, 0, 0, 0));
    if (!bitmap)
        return;
    Reset(CreatePatternBrush(bitmap));
    DeleteObject(bitmap);
}

zFont::zFont() = default;

zFont::~zFont()
{
    Release();
}

void zFont::Take()
{
    HFONT old = handle;
    handle = zGetFont(logFont);
    zReleaseFont(old);
}

void zFont::Release()
{
    zReleaseFont(handle);
    handle = nullptr;
}

zDC::zDC(HWND window) : window_(window), dc_(GetDC(window)), own_(dc_ != nullptr)
{
    Measure();
}

zDC::zDC(HDC dc) : dc_(dc)
{
    Measure();
}

void zDC::Measure()
{
    pen_ = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    if (!dc_)
        return;
    GetTextMetricsA(dc_, &metrics);
    lineHeight = metrics.tmHeight + metrics.tmExternalLeading;
    columns = metrics.tmAveCharWidth ? GetDeviceCaps(dc_, HORZRES) / metrics.tmAveCharWidth : 0;
    rows = lineHeight ? GetDeviceCaps(dc_, VERTRES) / lineHeight : 0;
}

zDC::~zDC()
{
    if (own_)
        ReleaseDC(window_, dc_);
    if (pen_)
        DeleteObject(pen_);
}

namespace {

// Made with the program's other statics, before its entry function, and
// released at process end.
struct DisplayObjects {
    DisplayObjects() = default;
    DisplayObjects(const DisplayObjects&) = delete;
    DisplayObjects& operator=(const DisplayObjects&) = delete;
    ~DisplayObjects()
    {
        if (pen)
            DeleteObject(pen);
        if (display)
            DeleteDC(display);
    }
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    zDC empty{static_cast<HDC>(nullptr)};
    HDC display = CreateICA("DISPLAY", nullptr, nullptr, nullptr);
};

DisplayObjects g_displayObjects;

}  // namespace

HPEN zBlackPen()
{
    return g_displayObjects.pen;
}

zDC& zEmptyContext()
{
    return g_displayObjects.empty;
}

HDC zDisplayIC()
{
    return g_displayObjects.display;
}
