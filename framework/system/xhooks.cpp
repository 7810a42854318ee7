#include "xhooks.h"

namespace {

xwindowhooks g_hooks;

int DefaultMessageBox(HWND owner, const char* text, const char* caption, UINT style)
{
    return MessageBoxA(owner, text, caption, style);
}

xmessageboxfn g_messageBox = DefaultMessageBox;

}  // namespace

void xsetwindowhooks(const xwindowhooks& hooks)
{
    g_hooks = hooks;
}

const xwindowhooks& xgetwindowhooks()
{
    return g_hooks;
}

xmessageboxfn xsetmessagebox(xmessageboxfn fn)
{
    xmessageboxfn old = g_messageBox;
    g_messageBox = fn ? fn : DefaultMessageBox;
    return old;
}

int xcallmessagebox(HWND owner, const char* text, const char* caption, UINT style)
{
    return g_messageBox(owner, text, caption, style);
}
