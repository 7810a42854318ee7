// Entry of the control library: remembers its module, registers the window
// classes and runs GDI+ while it is loaded.

#include "corvex.h"
#include "corvexclasses.h"
#include "cxlibrary.h"

namespace {

HINSTANCE g_module = nullptr;

// The library's window classes, in the order it registers them.
const CorvexClassRegistration kClasses[] = {
    RegisterHSplitterClass,
    RegisterVSplitterClass,
    RegisterPictureClass,
    RegisterGridClass,
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

// A class that fails to register is simply missing (creating a window of it
// fails); the library still loads.
extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    g_module = module;
    try {
        if (reason == DLL_PROCESS_ATTACH) {
            CorvexLibraryStart(module, kClasses, sizeof kClasses / sizeof kClasses[0]);
        } else if (reason == DLL_PROCESS_DETACH && !reserved) {
            // At process exit (reserved set) GDI+ may already have been
            // detached and its background thread killed: only an unload
            // while the process goes on stops the library.
            CorvexLibraryStop();
        }
    } catch (...) {
    }
    return TRUE;
}

// The entry could only hand GDI+ to a thread (the loader lock forbids
// starting it there): a host that goes on to GDI+ of its own finds it running.
void CorvexInit(void)
{
    try {
        CorvexGdiplusReady();
    } catch (...) {
    }
}

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
