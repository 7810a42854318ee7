#pragma once
// Small services of the control library beside the system classes:
// rounding, the message pump, resources and icons of the library, image
// lists, pattern brushes, printer and device-context drawing, the common
// controls and the mouse.

#include <windows.h>
#include <commctrl.h>

// Rounding half away from zero; RoundTo keeps `decimals` fraction digits.
double RoundHalfAway(double value);
double RoundTo(double value, int decimals);

// Handles every waiting message of the thread (a yield after each). False
// when a quit message came (it is posted again for the thread's own loop);
// true when the queue is empty.
bool PumpMessages();

// The module the control library runs in (the DLL, or the program that
// links the objects directly).
HINSTANCE CxModule();

// A GDI+ image (GpImage*) read from an RCDATA resource of the library;
// null when the resource or the image is missing. Free with
// GdipDisposeImage. Completes the library's start of GDI+ when pending.
void* LoadImageResource(const char* name);

namespace corvex {

// An icon resource of the library at one of three sizes.
class zIcon {
public:
    enum : int { kSmall = 1, kLarge = 2, kStored = 3 };  // 16, 48, stored; else 32

    zIcon() = default;
    ~zIcon();
    zIcon(const zIcon&) = delete;
    zIcon& operator=(const zIcon&) = delete;

    // Loads the icon; the previous one is released unless it was shared.
    bool Load(const char* name, int sizeKind);
    // Holds an icon owned elsewhere (never destroyed here).
    void SetShared(HICON icon);
    void SetSize(int size) { size_ = size; }
    HICON Handle() const { return icon_; }
    int Size() const { return size_; }

private:
    void Release();

    HICON icon_ = nullptr;
    bool shared_ = false;
    int size_ = 32;
};

}  // namespace corvex

// Image lists: the index of the new image, -1 on failure.
int ImageListAddBitmap(HIMAGELIST list, HBITMAP bitmap, HBITMAP mask);
int ImageListAppendIcon(HIMAGELIST list, HICON icon);
int ImageListAddIconFile(HIMAGELIST list, const char* path);

// A pattern brush made from a bitmap file; loading replaces the previous one.
class PatternBrush {
public:
    PatternBrush() = default;
    ~PatternBrush();
    PatternBrush(const PatternBrush&) = delete;
    PatternBrush& operator=(const PatternBrush&) = delete;

    bool FromFile(const char* bitmapPath);
    HBRUSH Handle() const { return brush_; }

private:
    HBRUSH brush_ = nullptr;
};

// Text layout of a device (printer page or window context).
struct DeviceTextLayout {
    TEXTMETRICA metrics;
    int charsPerLine;  // page width / average character width
    int linesPerPage;  // page height / (height + external leading)
};
bool MeasureDeviceText(HDC dc, DeviceTextLayout* layout);
// Frames the rectangle with the current pen; fills it with a solid brush of
// `fill` unless fill is CLR_NONE ((COLORREF)-1: the current brush is kept).
bool DrawRectangle(HDC dc, const RECT& rect, COLORREF fill);
bool DrawLine(HDC dc, int x1, int y1, int x2, int y2);
// A new font like `font` (the caller deletes it); null on failure.
HFONT FontFromObject(HFONT font);
// Selects a stock object (WHITE_BRUSH, NULL_PEN, ...); the previous object.
HGDIOBJ SelectStock(HDC dc, int stockObject);

// Initialises every common-control class of the library's build (class
// mask 0x1FFF, list views to the pager); false when the system refuses.
bool InitControls();

// Confines the cursor to the window's client area (ClipCursor(nullptr) frees it).
bool ClipCursorToClient(HWND window);
bool ClientRectToScreen(HWND window, RECT* rect);
