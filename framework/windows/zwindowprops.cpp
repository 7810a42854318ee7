// zWindow: geometry, texts, colours, font, pictures and flat scroll bars.

#include "zwindow.h"

#include "zapplication.h"
#include "zform.h"
#include "xsystem.h"

#include <commctrl.h>

#include <cstdlib>

namespace {

// The flat scroll bar functions are not in MinGW's import library.
template <class F>
F FlatSB(const char* name)
{
    HMODULE comctl = GetModuleHandleA("comctl32.dll");
    return comctl ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(comctl, name)))
                  : nullptr;
}

void ScrollRange(HWND w, int bar, int* mn, int* mx)
{
    *mn = *mx = 0;
    if (!w || !IsWindow(w))
        return;
    using Fn = BOOL(WINAPI*)(HWND, int, LPINT, LPINT);
    static Fn fn = FlatSB<Fn>("FlatSB_GetScrollRange");
    if (!fn || !fn(w, bar, mn, mx))
        GetScrollRange(w, bar, mn, mx);
}

int ScrollPos(HWND w, int bar)
{
    if (!w || !IsWindow(w))
        return 0;
    using Fn = int(WINAPI*)(HWND, int);
    static Fn fn = FlatSB<Fn>("FlatSB_GetScrollPos");
    return fn ? fn(w, bar) : GetScrollPos(w, bar);
}

void SetScrollPosition(HWND w, int bar, int pos)
{
    if (!w || !IsWindow(w))
        return;
    using Fn = int(WINAPI*)(HWND, int, int, BOOL);
    static Fn fn = FlatSB<Fn>("FlatSB_SetScrollPos");
    if (fn)
        fn(w, bar, pos, TRUE);
    else
        SetScrollPos(w, bar, pos, TRUE);
}

}  // namespace

void zWindow::SetTop(int v)
{
    top = v;
    if (v == ZUNSET || !IsLive())
        return;
    int dx = parent ? parent->GetHScrollPos() : 0, dy = parent ? parent->GetVScrollPos() : 0;
    SetWindowPos(hwnd, nullptr, left == ZUNSET ? 0 : left - dx, v - dy, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void zWindow::SetLeft(int v)
{
    left = v;
    if (v == ZUNSET || !IsLive())
        return;
    int dx = parent ? parent->GetHScrollPos() : 0, dy = parent ? parent->GetVScrollPos() : 0;
    SetWindowPos(hwnd, nullptr, v - dx, top == ZUNSET ? 0 : top - dy, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void zWindow::SetWidth(int v)
{
    width = v;
    if (v == ZUNSET || !IsLive())
        return;
    RECT r;
    GetWindowRect(hwnd, &r);
    SetWindowPos(hwnd, nullptr, 0, 0, v, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void zWindow::SetHeight(int v)
{
    height = v;
    if (v == ZUNSET || !IsLive())
        return;
    RECT r;
    GetWindowRect(hwnd, &r);
    SetWindowPos(hwnd, nullptr, 0, 0, r.right - r.left, v,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void zWindow::SetPosition(int x, int y)
{
    left = x;
    top = y;
    if (IsLive())
        SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void zWindow::SetBounds(int x, int y, int w, int h)
{
    left = x;
    top = y;
    width = w;
    height = h;
    if (IsLive())
        SetWindowPos(hwnd, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT& zWindow::GetClientRect()
{
    if (IsLive())
        ::GetClientRect(hwnd, &clientRect);
    return clientRect;
}

void zWindow::Center(char mode, bool relative)
{
    if (!IsLive())
        return;
    RECT ref = {}, me;
    HWND refWindow = nullptr;
    bool child = (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) != 0;
    if (child)
        refWindow = GetParent(hwnd);
    else if (relative)
        refWindow = GetWindow(hwnd, GW_OWNER) ? GetWindow(hwnd, GW_OWNER) : GetParent(hwnd);
    if (refWindow)
        ::GetClientRect(refWindow, &ref);
    else
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &ref, 0);
    GetWindowRect(hwnd, &me);
    POINT p = {ref.left + ((ref.right - ref.left) - (me.right - me.left)) / 2,
               ref.top + ((ref.bottom - ref.top) - (me.bottom - me.top)) / 2};
    if (!child && refWindow)
        ClientToScreen(refWindow, &p);
    if (mode == '1')
        p.y = top == ZUNSET ? 0 : top;
    else if (mode == '2')
        p.x = left == ZUNSET ? 0 : left;
    left = p.x;
    top = p.y;
    SetWindowPos(hwnd, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void zWindow::CenterOnScreen()
{
    Center('0', false);
}

void zWindow::Anchor()
{
    if (!IsLive() || !parent || !parent->IsLive() || !anchor)
        return;
    RECT pr;
    ::GetClientRect(parent->hwnd, &pr);
    int hs = parent->GetHScrollPos(), vs = parent->GetVScrollPos();
    zForm* form = dynamic_cast<zForm*>(parent);
    bool rebarBottom = form && (form->barFlags & 0x10);
    int rebar = form ? form->RebarHeight() : 0;
    RECT me;
    GetWindowRect(hwnd, &me);
    MapWindowPoints(nullptr, parent->hwnd, reinterpret_cast<POINT*>(&me), 2);
    int x = (anchor & 1) ? marginLeft : me.left;
    int y = (anchor & 4) ? marginTop + (rebarBottom ? 0 : rebar) : me.top;
    int w = me.right - me.left, h = me.bottom - me.top;
    if (anchor & 2)
        w = std::abs(x - pr.right - hs) - marginRight;
    if (anchor & 8) {
        h = std::abs(y - pr.bottom - vs) - marginBottom;
        if (rebarBottom)
            h -= rebar;
        if (form && form->StatusBarShown())
            h -= form->StatusBarHeight();
    }
    SetBounds(x, y, w, h);
}

void zWindow::SetText(const char* text)
{
    caption = text ? text : "";
    if (IsLive())
        SetWindowTextA(hwnd, caption);
}

xstring zWindow::GetText()
{
    if (IsLive()) {
        int n = GetWindowTextLengthA(hwnd);
        xstring buf;
        buf.Space(n + 1);
        GetWindowTextA(hwnd, buf.GetBuffer(), n + 1);
        caption = xstring(buf.c_str());
    }
    return caption;
}

bool zWindow::IsTextBlank()
{
    GetText();
    return caption.IsBlank();
}

void zWindow::SetBackColor(COLORREF colour)
{
    if (brush)
        zReleaseBrush(brush);
    brushColour = colour;
    brush = zGetBrush(xsys().SysColor(colour));
}

COLORREF zWindow::CurrentTextColour() const
{
    return xsys().SysColor(textColour);
}

COLORREF zWindow::CurrentTextBackColour() const
{
    return xsys().SysColor(textBackColour);
}

COLORREF zWindow::CurrentBrushColour() const
{
    return xsys().SysColor(brushColour);
}

void zWindow::ApplyStyle(bool repaint)
{
    if (!IsLive())
        return;
    SetWindowLongA(hwnd, GWL_STYLE, LONG(style));
    SetWindowLongA(hwnd, GWL_EXSTYLE, LONG(exStyle));
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (repaint)
        Invalidate(nullptr, true);
}

void zWindow::SetLayeredAttributes(COLORREF key, BYTE opacity)
{
    auto set = zApp().setLayeredWindowAttributes;
    if (IsLive() && set)
        set(hwnd, key, opacity, LWA_COLORKEY | LWA_ALPHA);
}

void zWindow::SetInputFlags(DWORD flags)
{
    if (flags == 0)
        inputFlags &= ~(ZIN_NUMERIC | ZIN_ALPHA);
    inputFlags |= flags;
}

void zWindow::ApplyFont()
{
    if (font.face.IsBlank())
        return;
    lstrcpynA(font.logFont.lfFaceName, font.face, LF_FACESIZE);
    HDC dc = GetDC(IsLive() ? hwnd : nullptr);
    font.logFont.lfHeight = -MulDiv(font.pointSize, GetDeviceCaps(dc, LOGPIXELSY), 72);
    font.Take();
    if (IsLive() && font.handle) {
        if (type == ZT_SCINTILLA) {
            SendMessageA(hwnd, 2055, 32, font.pointSize);                                // SIZE
            SendMessageA(hwnd, 2056, 32, reinterpret_cast<LPARAM>(font.face.c_str()));  // FONT
            SendMessageA(hwnd, 2053, 32, font.logFont.lfWeight >= 700);                 // BOLD
            SendMessageA(hwnd, 2054, 32, font.logFont.lfItalic != 0);                   // ITALIC
        } else {
            SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font.handle), FALSE);
        }
    }
    if (font.handle) {
        GetObjectA(font.handle, sizeof font.logFont, &font.logFont);
        HGDIOBJ old = SelectObject(dc, font.handle);
        GetTextMetricsA(dc, &font.metrics);
        SelectObject(dc, old);
    }
    ReleaseDC(IsLive() ? hwnd : nullptr, dc);
}

namespace {

// The picture control reads images from files only: a resource image is
// written to a temporary file for it, which goes again once it is read.
void SendResourceToPicture(HWND picture, const char* name)
{
    HMODULE module = zApp().instance;
    HRSRC found = FindResourceA(module, name, MAKEINTRESOURCEA(10));  // RT_RCDATA
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    DWORD size = found ? SizeofResource(module, found) : 0;
    if (!bytes || size == 0)
        return;
    xstring path;
    if (!xsys().TempFileName(path, xsys().GetTempFolder(), "~R+"))
        return;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        BOOL ok = WriteFile(file, bytes, size, &written, nullptr) && written == size;
        CloseHandle(file);
        if (ok)
            SendMessageA(picture, 2524, 0, reinterpret_cast<LPARAM>(path.c_str()));
    }
    DeleteFileA(path);
}

}  // namespace

void zWindow::LoadPicture()
{
    if (pictureName.IsBlank() || !IsLive())
        return;
    if (type == ZT_PICTURE) {
        if (pictureSource == 1)
            SendResourceToPicture(hwnd, pictureName);
        else
            SendMessageA(hwnd, 2524, 0, reinterpret_cast<LPARAM>(pictureName.c_str()));
        return;
    }
    if (type == ZT_ANIMATION && pictureSource == 1) {
        SendMessageA(hwnd, ACM_OPENA, 0, 0);
        SendMessageA(hwnd, ACM_OPENA, reinterpret_cast<WPARAM>(zApp().instance),
                     reinterpret_cast<LPARAM>(pictureName.c_str()));
        SendMessageA(hwnd, ACM_PLAY, WPARAM(-1), MAKELPARAM(0, 0xFFFF));
        return;
    }
    HGDIOBJ loaded = pictureSource == 1
        ? LoadImageA(zApp().instance, pictureName, IMAGE_BITMAP, 0, 0, 0)
        : LoadImageA(nullptr, pictureName, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    if (!loaded)
        return;
    if (image && !imageNotOwned)
        DeleteObject(image);
    image = loaded;
    imageNotOwned = 0;
    if (type == ZT_BUTTON || type == ZT_STATIC)
        SendMessageA(hwnd, type == ZT_BUTTON ? BM_SETIMAGE : STM_SETIMAGE, IMAGE_BITMAP,
                     reinterpret_cast<LPARAM>(image));
}

void zWindow::ApplyIcon()
{
    if (!IsLive() || !icon.Handle())
        return;
    SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon.Handle()));
    SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon.Handle()));
}

void zWindow::GetHScrollRange(int* mn, int* mx) const
{
    ScrollRange(Handle(), SB_HORZ, mn, mx);
}

void zWindow::GetVScrollRange(int* mn, int* mx) const
{
    ScrollRange(Handle(), SB_VERT, mn, mx);
}

int zWindow::GetHScrollPos() const
{
    return ScrollPos(Handle(), SB_HORZ);
}

int zWindow::GetVScrollPos() const
{
    return ScrollPos(Handle(), SB_VERT);
}

void zWindow::SetHScrollPos(int pos)
{
    SetScrollPosition(Handle(), SB_HORZ, pos);
}

void zWindow::SetVScrollPos(int pos)
{
    SetScrollPosition(Handle(), SB_VERT, pos);
}
