#pragma once
// The few flat GDI+ entry points the framework uses, declared by hand so
// that the C++ GDI+ headers (which need the full Windows headers) stay out.

#include <windows.h>
#include <objidl.h>

extern "C" {
int WINAPI GdiplusStartup(ULONG_PTR* token, const void* input, void* output);
void WINAPI GdiplusShutdown(ULONG_PTR token);
int WINAPI GdipCreateBitmapFromStream(IStream* stream, void** bitmap);
int WINAPI GdipGetImageWidth(void* image, UINT* width);
int WINAPI GdipGetImageHeight(void* image, UINT* height);
int WINAPI GdipCreateFromHDC(HDC dc, void** graphics);
int WINAPI GdipDrawImageRectI(void* graphics, void* image, INT x, INT y, INT width, INT height);
int WINAPI GdipDeleteGraphics(void* graphics);
int WINAPI GdipDisposeImage(void* image);
}
