#pragma once
// Shared GDI objects and the drawing context record handed to paint
// operations. Fonts and brushes are shared by reference count so that the
// many controls of a form with the same face and colours hold one object.

#include "xstring.h"

#include <windows.h>

// Font cache: a font equal in height, width, weight, italic, underline and
// face (any case) to an earlier request is shared.
HFONT zGetFont(const LOGFONTA& request);
// One holder gives the font back; the last one deletes it.
void zReleaseFont(HFONT font);
HBRUSH zGetBrush(COLORREF colour);
void zReleaseBrush(HBRUSH brush);
// Deletes whatever the caches still hold (application exit).
void zFreeGdiCaches();
// Cache inspection, for diagnostics and tests: holders of a cached object
// (0 when it is not in the cache), the number of live entries and the
// brush cache's entries, freed ones included.
int zFontRefCount(HFONT font);
int zBrushRefCount(HBRUSH brush);
int zLiveFontCount();
int zLiveBrushCount();
int zBrushEntryCount();

// A GDI object deleted with its holder.
class zGdiObject {
public:
    zGdiObject() = default;
    explicit zGdiObject(HGDIOBJ handle) : handle_(handle) {}
    ~zGdiObject();
    zGdiObject(const zGdiObject&) = delete;
    zGdiObject& operator=(const zGdiObject&) = delete;
    HGDIOBJ Get() const { return handle_; }
    void Reset(HGDIOBJ handle);

protected:
    HGDIOBJ handle_ = nullptr;
};

// A pattern brush made from a bitmap resource.
class zBrush : public zGdiObject {
public:
    void FromBitmap(const char* resourceName);
    HBRUSH Handle() const { return static_cast<HBRUSH>(handle_); }
};

// A font from the font cache with its description.
class zFont {
public:
    zFont();
    ~zFont();
    zFont(const zFont&) = delete;
    zFont& operator=(const zFont&) = delete;

    // Gives the held font back to the cache and takes one for logFont.
    void Take();
    void Release();

    HFONT handle = nullptr;
    xstring face;
    int pointSize = 0;
    LOGFONTA logFont = {};
    TEXTMETRICA metrics = {};
};

// The drawing context of a window (GetDC) or of a given device context.
class zDC {
public:
    explicit zDC(HWND window);
    explicit zDC(HDC dc);
    ~zDC();
    zDC(const zDC&) = delete;
    zDC& operator=(const zDC&) = delete;

    HDC Handle() const { return dc_; }

    TEXTMETRICA metrics = {};
    int lineHeight = 0, columns = 0, rows = 0;
    xstring documentName = "xcontext print";
    int value20 = 20;

private:
    void Measure();

    HWND window_ = nullptr;
    HDC dc_ = nullptr;
    bool own_ = false;
    HPEN pen_ = nullptr;
};

// Process-wide drawing objects: a black pen of width 1, an empty drawing
// context and an information context of the display.
HPEN zBlackPen();
zDC& zEmptyContext();
HDC zDisplayIC();

class zForm;

// Picture flags of a window.
enum : unsigned short {
    ZPIC_LABELFRAME = 0x1,
    ZPIC_EMBOSS = 0x2,
    ZPIC_TRANSPARENT = 0x4,
    ZPIC_TILE = 0x8,
    ZPIC_CENTER = 0x10,
    ZPIC_STRETCH = 0x20,
    ZPIC_CENTERSCREEN = 0x40,
    ZPIC_CENTEROWNER = 0x80,
};
enum : unsigned { ZLABEL_DISABLED = 0x100 };

void DrawBitmap(HDC dc, HBITMAP bitmap, const RECT& rect, unsigned flags, DWORD rop);
void DrawDibResource(HWND window, HDC dc, HINSTANCE module, const char* name, unsigned flags,
                     DWORD rop);
void DrawFormImage(zForm& form, HDC dc);
int DrawPicture(int source, const char* nameOrPath, HDC dc, int x, int y, unsigned flags,
                int left, int top, int width, int height, int* imageWidth, int* imageHeight);
void DrawPictureData(size_t length, const void* bytes, HDC dc, int x, int y, unsigned flags,
                     int left, int top, int width, int height, int* imageWidth,
                     int* imageHeight);
bool EraseFormBackground(HWND window, zForm& form, HDC dc);
void GetLabelRect(HWND control, RECT* out, const char* label, int position, HFONT font);
void DrawLabelFrame(HDC dc, const RECT& rect, unsigned flags);
void DrawLabelText(HDC dc, const RECT& rect, const char* text, COLORREF colour, unsigned flags);
