// Reading any control's value as text.

#include "ztextfunc.h"

#include "zwindow.h"
#include "xalloc.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

namespace {

char* EmptyText()
{
    return static_cast<char*>(xalloc(1));
}

char* DateTimeText(HWND window, int milliseconds)
{
    char* text = static_cast<char*>(xalloc(25));
    SYSTEMTIME st = {};
    if (SendMessageA(window, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st)) != GDT_VALID)
        return text;
    int ms = milliseconds >= 0 ? milliseconds : st.wMilliseconds;
    if (ms > 999)
        ms = 999;  // three digits: the text never grows past its buffer
    std::snprintf(text, 25, "%02d/%02d/%04d %02d:%02d:%02d.%03d", st.wDay % 100, st.wMonth % 100,
                  st.wYear % 10000, st.wHour % 100, st.wMinute % 100, st.wSecond % 100, ms);
    return text;
}

char* CalendarText(HWND window)
{
    char* text = static_cast<char*>(xalloc(11));
    SYSTEMTIME st = {};
    if (SendMessageA(window, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&st)))
        std::snprintf(text, 11, "%02d/%02d/%04d", st.wDay % 100, st.wMonth % 100, st.wYear % 10000);
    return text;
}

char* WindowText(HWND window)
{
    int n = GetWindowTextLengthA(window);
    if (n <= 0)
        return EmptyText();
    char* text = static_cast<char*>(xalloc(size_t(n) + 1));
    GetWindowTextA(window, text, n + 1);
    return text;
}

// The selected item of a list (LB_) or combo (CB_) box; the window text
// without a selection.
char* SelectedItemText(HWND window, bool list)
{
    LRESULT sel = SendMessageA(window, list ? LB_GETCURSEL : CB_GETCURSEL, 0, 0);
    if (sel < 0)
        return WindowText(window);
    LRESULT n = SendMessageA(window, list ? LB_GETTEXTLEN : CB_GETLBTEXTLEN, WPARAM(sel), 0);
    if (n <= 0)
        return EmptyText();
    char* text = static_cast<char*>(xalloc(size_t(n) + 1));
    SendMessageA(window, list ? LB_GETTEXT : CB_GETLBTEXT, WPARAM(sel), reinterpret_cast<LPARAM>(text));
    text[n] = '\0';
    return text;
}

}  // namespace

char* GetControlText(HWND window, int milliseconds)
{
    if (!window || !IsWindow(window))
        return nullptr;
    if (zIsClass(window, DATETIMEPICK_CLASSA))
        return DateTimeText(window, milliseconds);
    if (zIsClass(window, MONTHCAL_CLASSA))
        return CalendarText(window);
    if (zIsClass(window, "listbox"))
        return SelectedItemText(window, true);
    if (zIsClass(window, "combobox") || zIsClass(window, WC_COMBOBOXEXA))
        return SelectedItemText(window, false);
    return WindowText(window);
}
