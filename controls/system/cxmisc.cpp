// Rounding, the message pump, the library's module, the common controls and
// the mouse.

#include "cxmisc.h"

#include <cmath>

namespace {

// A window that posts itself a message for every message it handles would
// keep the pump busy for ever; one call handles at most this many.
constexpr int kMaxPumped = 10000;

// ICC_LISTVIEW_CLASSES (0x1) to ICC_PAGESCROLLER_CLASS (0x1000).
constexpr DWORD kAllControlClasses = 0x1FFF;

}  // namespace

double RoundHalfAway(double value)
{
    return std::round(value);
}

// Scaled one digit further, moved by 5 away from zero and truncated, so a
// trailing 5 rounds away from zero; kept in floating point (no overflow).
// A scaled value a hair below a whole number (2.345 is 2344.99999... times
// 1000) is taken as that number, or typed amounts ending in 5 round down.
double RoundTo(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    double scaled = value * scale * 10.0;
    // From 2^52 on a double has no fraction left at this scale to round.
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 4503599627370496.0)
        return value;
    const double whole = RoundHalfAway(scaled);
    if (std::fabs(scaled - whole) <= 1e-9 * std::fmax(1.0, std::fabs(scaled)))
        scaled = whole;
    scaled += scaled < 0 ? -5.0 : 5.0;
    return std::trunc(scaled / 10.0) / scale;
}

bool PumpMessages()
{
    MSG msg;
    for (int n = 0; n < kMaxPumped && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++n) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(int(msg.wParam));
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        Sleep(0);
    }
    return !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
}

HINSTANCE CxModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&CxModule), &module);
    return module;
}

bool InitControls()
{
    INITCOMMONCONTROLSEX init = {sizeof init, kAllControlClasses};
    return InitCommonControlsEx(&init) != FALSE;
}

bool ClientRectToScreen(HWND window, RECT* rect)
{
    if (!rect || !GetClientRect(window, rect))
        return false;
    POINT corners[2] = {{rect->left, rect->top}, {rect->right, rect->bottom}};
    if (!ClientToScreen(window, &corners[0]) || !ClientToScreen(window, &corners[1]))
        return false;
    *rect = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
    return true;
}

bool ClipCursorToClient(HWND window)
{
    RECT rect;
    return ClientRectToScreen(window, &rect) && ClipCursor(&rect);
}
