#pragma once
// What the system classes need of the window layer, set by that layer once
// it exists. Left unset, boxes have no owner and waits translate and
// dispatch plainly, so the system classes work without any window code.

#include <windows.h>

struct xwindowhooks {
    // Owner of message boxes: the main form's window, else the first open form.
    HWND (*ownerWindow)() = nullptr;
    // The main form's MDI client, for system-accelerator translation in waits.
    HWND (*mdiClient)() = nullptr;
};

void xsetwindowhooks(const xwindowhooks& hooks);
const xwindowhooks& xgetwindowhooks();

// The box routine behind every framework message box (MessageBoxA unless a
// test or the window layer replaces it); returns the previous one.
using xmessageboxfn = int (*)(HWND owner, const char* text, const char* caption, UINT style);
xmessageboxfn xsetmessagebox(xmessageboxfn fn);
int xcallmessagebox(HWND owner, const char* text, const char* caption, UINT style);
