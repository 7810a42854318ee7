// A host of Corvex.dll that uses GDI+ itself and never starts it: it calls
// CorvexInit, then a GDI+ function of its own. Its exit code is that call's
// GDI+ status.

#include "corvex.h"

extern "C" int WINAPI GdipCreateBitmapFromScan0(int width, int height, int stride, int format,
                                                BYTE* scan0, void** bitmap);
extern "C" int WINAPI GdipDisposeImage(void* image);

namespace {

constexpr int kPixelFormat32bppArgb = 0x26200A;

}  // namespace

int main()
{
    CorvexInit();
    void* bitmap = nullptr;
    int status = GdipCreateBitmapFromScan0(4, 4, 0, kPixelFormat32bppArgb, nullptr, &bitmap);
    if (bitmap)
        GdipDisposeImage(bitmap);
    return status;
}
