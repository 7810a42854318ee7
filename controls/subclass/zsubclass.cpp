// Common behaviour for ordinary controls: zCtlSubclass puts zCommonWndProc in
// front of a control and its descendants; it filters typed characters, makes
// the control read-only, offers keys, characters and mouse messages to the
// parent first and passes WM_COMMAND upward.

#include "zsubclass.h"

#include "corvex.h"

#include <cctype>

namespace {

LONG StyleOf(HWND window)
{
    return LONG(reinterpret_cast<LONG_PTR>(GetPropA(window, ZCS_STYLEPROP)));
}

WNDPROC ProcOf(HWND window)
{
    return reinterpret_cast<WNDPROC>(GetPropA(window, ZCS_PROCPROP));
}

LRESULT Pass(HWND window, WNDPROC old, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Without a stored procedure (called for a window that was never
    // subclassed, or after its end) the default handling is the safe one.
    return old ? CallWindowProcA(old, window, msg, wParam, lParam)
               : DefWindowProcA(window, msg, wParam, lParam);
}

LRESULT AskParent(HWND window, UINT msg, WPARAM wParam)
{
    HWND parent = GetParent(window);
    return parent ? SendMessageA(parent, msg, wParam, reinterpret_cast<LPARAM>(window)) : 0;
}

// The classification functions take only unsigned char values; anything
// wider fails every filter.
bool Accepts(LONG bits, WPARAM ch)
{
    const LONG filters = ZCS_ALNUM | ZCS_ALPHA | ZCS_HEX | ZCS_NUMERIC;
    if (ch > 0xFF)
        return (bits & filters) == 0;
    int c = int(ch);
    if ((bits & ZCS_ALNUM) && !std::isalnum(c))
        return false;
    if ((bits & ZCS_ALPHA) && !std::isalpha(c))
        return false;
    if ((bits & ZCS_HEX) && !std::isxdigit(c))
        return false;
    if ((bits & ZCS_NUMERIC) && !std::isdigit(c) && c != ',' && c != '-' && c != '.')
        return false;
    return true;
}

LRESULT OnKeyDown(HWND window, LONG bits, WNDPROC old, WPARAM key, LPARAM lParam)
{
    if (!IsWindow(window))
        return 0;
    bool kept = (bits & ZCS_KEEPENTERDOWN) && (key == VK_RETURN || key == VK_DOWN);
    if ((bits & ZCS_OFFERKEYS) && !kept) {
        LRESULT answer = AskParent(window, ZCS_OFFERKEY, key);
        // The parent may have closed the control while it had the key.
        if (answer == ZCS_SWALLOW || !IsWindow(window))
            return 0;
    }
    if ((bits & ZCS_READONLY) && key == VK_DELETE)
        key = 0;
    return Pass(window, old, WM_KEYDOWN, key, lParam);
}

LRESULT OnChar(HWND window, LONG bits, WNDPROC old, WPARAM ch, LPARAM lParam)
{
    if (!IsWindow(window))
        return 0;
    if (bits & ZCS_OFFERKEYS) {
        LRESULT answer = AskParent(window, ZCS_OFFERCHAR, ch);
        if (answer == ZCS_SWALLOW || !IsWindow(window))
            return 0;
    }
    if (bits & ZCS_READONLY) {
        ch = 0;
    } else if (ch != 8) {
        if (!Accepts(bits, ch)) {
            ch = 0;
        } else if ((bits & ZCS_TABSPACES) && ch == 9) {
            for (int i = 0; i < 3; ++i)
                SendMessageA(window, WM_CHAR, ' ', 0);
            if (!IsWindow(window))
                return 0;
            ch = ' ';
        }
    }
    return Pass(window, old, WM_CHAR, ch, lParam);
}

LRESULT OnNcDestroy(HWND window, WNDPROC old, WPARAM wParam, LPARAM lParam)
{
    RemovePropA(window, ZCS_STYLEPROP);
    RemovePropA(window, ZCS_PROCPROP);
    if (old)
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
    return Pass(window, old, WM_NCDESTROY, wParam, lParam);
}

LRESULT CommonProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    LONG bits = StyleOf(window);
    WNDPROC old = ProcOf(window);
    if ((bits & ZCS_OFFERMOUSE) && msg >= 0x0200 && msg <= 0x020E) {
        HWND parent = GetParent(window);
        if (parent && SendMessageA(parent, msg, wParam, lParam) == ZCS_SWALLOW)
            return 0;
        if (!IsWindow(window))
            return 0;
    }
    switch (msg) {
    case WM_NCDESTROY:
        return OnNcDestroy(window, old, wParam, lParam);
    case WM_KEYDOWN:
        return OnKeyDown(window, bits, old, wParam, lParam);
    case WM_CHAR:
        return OnChar(window, bits, old, wParam, lParam);
    case WM_COMMAND:
        if (bits & ZCS_RELAYCOMMAND) {
            if (HWND parent = GetParent(window))
                SendMessageA(parent, WM_COMMAND, wParam, lParam);
            if (!IsWindow(window))
                return 0;
        }
        return Pass(window, old, msg, wParam, lParam);
    case ZCS_OFFERKEY:
    case ZCS_OFFERCHAR:
        // A subclassed child offers through us: hand it on as our own.
        if (!(bits & ZCS_OFFERKEYS))
            return ZCS_GOON;
        return AskParent(window, msg, wParam);
    default:
        return Pass(window, old, msg, wParam, lParam);
    }
}

LONG Combine(LONG stored, LONG bits, int mode)
{
    if (mode == 0)
        return stored | bits;
    if (mode == 1)
        return stored & bits;
    return bits;
}

}  // namespace

LRESULT CALLBACK zCommonWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    try {
        return CommonProc(window, msg, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

int zCtlSubclass(HWND window, long bits, int mode)
{
    try {
        if (!IsWindow(window))
            return 1;
        LONG combined = Combine(StyleOf(window), bits, mode);
        SetPropA(window, ZCS_STYLEPROP, reinterpret_cast<HANDLE>(LONG_PTR(combined)));
        if (GetPropA(window, ZCS_PROCPROP))
            return 1;
        LONG_PTR old = GetWindowLongPtrA(window, GWLP_WNDPROC);
        if (!old)
            return 1;
        SetPropA(window, ZCS_PROCPROP, reinterpret_cast<HANDLE>(old));
        // A window of another process cannot take our procedure.
        if (!SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(zCommonWndProc))) {
            RemovePropA(window, ZCS_PROCPROP);
            return 1;
        }
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            zCtlSubclass(child, combined, mode);
    } catch (...) {
    }
    return 1;
}
