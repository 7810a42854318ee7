// Entry of the control library: remembers its module, registers the window
// classes and runs GDI+ while it is loaded.

#include "corvex.h"
#include "corvexclasses.h"

// The picture and the grid are areas of their own; the library links without
// them until they are built in.
bool RegisterPictureClass(HINSTANCE module) __attribute__((weak));
bool RegisterGridClass(HINSTANCE module) __attribute__((weak));

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

// Class registration in load order; a class that fails is simply missing
// (creating a window of it fails), the library still loads. Areas built
// apart are referenced weakly (see corvexclasses.h): absent, they are null.
void RegisterClasses(HINSTANCE module)
{
    RegisterHSplitterClass(module);
    RegisterVSplitterClass(module);
    if (RegisterPictureClass)
        RegisterPictureClass(module);
    if (RegisterGridClass)
        RegisterGridClass(module);
}

}  // namespace

// The flat GDI+ entry points, declared here to keep the C++ GDI+ headers out.
extern "C" int WINAPI GdiplusStartup(ULONG_PTR*, const void*, void*);
extern "C" void WINAPI GdiplusShutdown(ULONG_PTR);

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    g_module = module;
    try {
        if (reason == DLL_PROCESS_ATTACH) {
            RegisterClasses(module);
            GdiplusInput input;
            GdiplusStartup(&g_gdiplusToken, &input, nullptr);
        } else if (reason == DLL_PROCESS_DETACH && g_gdiplusToken) {
            // At process exit (reserved set) GDI+ may already have been
            // detached and its background thread killed; calling into it
            // then can hang or crash the exit. Only an unload while the
            // process goes on shuts GDI+ down.
            if (!reserved)
                GdiplusShutdown(g_gdiplusToken);
            g_gdiplusToken = 0;
        }
    } catch (...) {
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
