// Entry of the control library: remembers its module and runs GDI+ while
// it is loaded.

#include "corvex.h"


namespace {

HINSTANCE g_module = nullptr;
ULONG_PTR g_gdiplusToken = 0;

struct GdiplusInput {
    UINT32 version = 1;
    void* debugCallback = nullptr;
    BOOL suppressBackgroundThread = FALSE;
    BOOL suppressExternalCodecs = FALSE;
};

// Measures the given font, else the window's own, else the context's default.
TEXTMETRICA Measure(HWND window, HFONT font)
{
    TEXTMETRICA tm = {};
    HDC dc = GetDC(window);
    if (!dc)
        return tm;
    if (!font)
        font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    GetTextMetricsA(dc, &tm);
    if (old)
        SelectObject(dc, old);
    ReleaseDC(window, dc);
    return tm;
}

}  // namespace

// The flat GDI+ entry points, declared here to keep the C++ GDI+ headers out.
extern "C" int WINAPI GdiplusStartup(ULONG_PTR*, const void*, void*);
extern "C" void WINAPI GdiplusShutdown(ULONG_PTR);

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    g_module = module;
    if (reason == DLL_PROCESS_ATTACH) {
        GdiplusInput input;
        GdiplusStartup(&g_gdiplusToken, &input, nullptr);
    } else if (reason == DLL_PROCESS_DETACH && g_gdiplusToken) {
        GdiplusShutdown(g_gdiplusToken);
        g_gdiplusToken = 0;
    }
    return TRUE;
}

void CorvexInit(void) {}

HINSTANCE CorvexInstance(void)
{
    return g_module;
}

int zTMCharHeight(HWND window, HFONT font)
{
    TEXTMETRICA tm = Measure(window, font);
    return tm.tmHeight + tm.tmExternalLeading;
}

int zTMCharWidth(HWND window, HFONT font)
{
    return Measure(window, font).tmAveCharWidth;
}
