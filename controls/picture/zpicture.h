#pragma once
// The picture control "zpicture": its messages, its per-window record and
// the routines its window procedure is split into.

#include <windows.h>
#include <objidl.h>

// Messages a host sends to the control.
enum : UINT {
    ZPM_LOADFILE = 0x09DC,
    ZPM_AUTOSIZE = 0x09DD,
    ZPM_GETWIDTH = 0x09DE,
    ZPM_GETHEIGHT = 0x09DF,
    ZPM_SETDIB = 0x09E3,
    ZPM_SETBITMAP = 0x09E4,
    ZPM_STRETCH = 0x09E5,
    ZPM_STOREVALUE = 0x09E7,
    ZPM_DIBIMAGESIZE = 0x09E8,
    ZPM_DIBTABLESIZE = 0x09E9,
    ZPM_DIBCOLORS = 0x09EA,
    ZPM_DIBMEMSIZE = 0x09EB,
    ZPM_COPYDIB = 0x09EC,
    ZPM_GETDIB = 0x09ED,
    ZPM_GETBITMAP = 0x09EE,
    ZPM_BORROWDIB = 0x09EF,
    ZPM_BORROWBITMAP = 0x09F1,
    ZPM_CAPTURE = 0x09F6,
    ZPM_PRINT = 0x09F7,
    ZPM_HASPICTURE = 0x09F8,
    ZPM_SAVE = 0x09F9,
    ZPM_PASTE = 0x09FA,
    ZPM_PARENTBRUSH = 0x09FB,  // sent to the parent at every paint
    ZPM_CLEARBACKGROUND = 0x09FC,
    ZPM_ROTATEFLIP = 0x09FD,
    ZPM_GETIMAGE = 0x09FE,
};

// Notification codes (high word of WM_COMMAND's wParam) sent to the parent.
enum : WORD { ZPN_CLICKED = 0x0A41, ZPN_CHANGED = 0x0A43 };

// Click protocol state flags.
enum : DWORD { ZPS_PRESSED = 0x4, ZPS_OUTSIDE = 0x8 };

// The per-window record, window property "IMGINFO". Hosts read the fields
// up to gdipImage in this order; the rest is the control's own.
struct IMGINFO {
    char fileName[MAX_PATH];
    bool autoSize;
    bool stretch;
    bool borrowed;  // bitmap, DIB and palette belong to the caller
    bool clearBackground;
    LONG storedValue;
    DWORD state;
    HBITMAP bitmap;
    HGLOBAL dib;
    HPALETTE palette;
    void* gdipBitmap;  // GpBitmap of the loaded file; null when GDI+ refused it
    void* gdipImage;   // GpImage of the same file, handed out by 0x09FE
    IStream* stream;   // the loaded file; released after both GDI+ objects
    // A file went to GDI+: the picture is the GDI+ one even when GDI+ could
    // not decode it (it then has no size and paints nothing).
    bool gdipLoaded;
    bool paletteMade;  // made here from a borrowed DIB, so ours to delete
    int gdipBitmapStatus;  // last GDI+ status of each object, kept, not reported
    int gdipImageStatus;
};

inline IMGINFO* pictureInfo(HWND window)
{
    return static_cast<IMGINFO*>(GetPropA(window, "IMGINFO"));
}

// A DIB handle that is set and still a valid global handle.
bool pictureHasValidDib(const IMGINFO* info);
// Frees what the record owns and clears the picture fields.
void pictureRelease(IMGINFO* info);
// Auto-size, then the change notification (the parent may destroy the
// window in it: touch nothing afterwards).
void pictureChanged(HWND window, WPARAM cause);

// zpicturepaint.cpp
void picturePaint(HWND window);
LRESULT pictureRealizePalette(HWND window, IMGINFO* info);
void pictureMouse(HWND window, IMGINFO* info, UINT message, LPARAM lParam);

// zpicturefile.cpp
LRESULT pictureLoadFile(HWND window, IMGINFO* info, WPARAM wParam, const char* path);
void pictureSave(IMGINFO* info, const char* path);
void picturePrint(HWND window, IMGINFO* info, HDC printer);
void pictureCapture(HWND window, IMGINFO* info, WPARAM wParam);
void picturePaste(HWND window);
bool pictureBlank(const char* text);
