#pragma once
// The flat GDI+ entry points the picture control uses, declared by hand so
// that the C++ GDI+ headers stay out. Objects are opaque pointers; every
// call answers a GDI+ status (0 = Ok).

#include <windows.h>
#include <objidl.h>

namespace gdip {

constexpr int kOk = 0;

// One entry of the encoder list (GdipGetImageEncoders), as GDI+ lays it out.
struct CodecInfo {
    CLSID clsid;
    GUID formatId;
    const WCHAR* codecName;
    const WCHAR* dllName;
    const WCHAR* formatDescription;
    const WCHAR* filenameExtension;
    const WCHAR* mimeType;
    DWORD flags;
    DWORD version;
    DWORD sigCount;
    DWORD sigSize;
    const BYTE* sigPattern;
    const BYTE* sigMask;
};

}  // namespace gdip

extern "C" {
int WINAPI GdipCreateBitmapFromStream(IStream* stream, void** bitmap);
int WINAPI GdipLoadImageFromStream(IStream* stream, void** image);
int WINAPI GdipDisposeImage(void* image);
int WINAPI GdipGetImageWidth(void* image, UINT* width);
int WINAPI GdipGetImageHeight(void* image, UINT* height);
int WINAPI GdipCreateFromHDC(HDC dc, void** graphics);
int WINAPI GdipDeleteGraphics(void* graphics);
int WINAPI GdipGraphicsClear(void* graphics, DWORD argb);
int WINAPI GdipDrawImageRectI(void* graphics, void* image, INT x, INT y, INT width, INT height);
int WINAPI GdipGetImageEncodersSize(UINT* count, UINT* bytes);
int WINAPI GdipGetImageEncoders(UINT count, UINT bytes, gdip::CodecInfo* encoders);
int WINAPI GdipSaveImageToFile(void* image, const WCHAR* path, const CLSID* encoder,
                               const void* parameters);
int WINAPI GdipImageRotateFlip(void* image, int rotateFlipType);
}
