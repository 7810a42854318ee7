// zWindow: geometry, texts, colours, font, pictures and flat scroll bars.

#include "zwindow.h"

#include "zapplication.h"
#include "zform.h"
#include "ztextfunc.h"
#include "xalloc.h"
#include "xsystem.h"

#include <commctrl.h>

#include <cstdlib>

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
    ::GetClientRect(refWindow ? refWindow : GetDesktopWindow(), &ref);
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
    if (char* text = IsLive() ? GetControlText(hwnd, -1) : nullptr) {
        caption = text;
        xfree(text);
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
            const WPARAM style = ZSCI_STYLEDEFAULT;
            SendMessageA(hwnd, ZSCI_STYLESETSIZE, style, font.pointSize);
            SendMessageA(hwnd, ZSCI_STYLESETFONT, style, reinterpret_cast<LPARAM>(font.face.c_str()));
            SendMessageA(hwnd, ZSCI_STYLESETBOLD, style, font.logFont.lfWeight >= 700);
            SendMessageA(hwnd, ZSCI_STYLESETITALIC, style, font.logFont.lfItalic != 0);
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
            SendMessageA(picture, ZPICM_LOADFILE, 0, reinterpret_cast<LPARAM>(path.c_str()));
    }
    DeleteFileA(path);
}

// Buttons and statics show a bitmap of the window object.
void ShowImage(const zWindow& w, HGDIOBJ image)
{
    if (w.type == ZT_BUTTON || w.type == ZT_BUTTONLIKE || w.type == ZT_STATIC)
        SendMessageA(w.hwnd, w.type == ZT_STATIC ? STM_SETIMAGE : BM_SETIMAGE, IMAGE_BITMAP,
                     reinterpret_cast<LPARAM>(image));
}

}  // namespace

void zWindow::DropImages()
{
    if (image) {
        if (IsLive())
            ShowImage(*this, nullptr);
        if (!imageNotOwned)
            DeleteObject(image);
    }
    image = nullptr;
    imageNotOwned = 0;
    if (image2)
        DeleteObject(image2);
    image2 = nullptr;
}

void zWindow::LoadPicture()
{
    if (!IsLive())
        return;
    DropImages();
    if (pictureName.IsBlank())
        return;
    if (type == ZT_PICTURE) {
        if (pictureSource == 1)
            SendResourceToPicture(hwnd, pictureName);
        else
            SendMessageA(hwnd, ZPICM_LOADFILE, 0, reinterpret_cast<LPARAM>(pictureName.c_str()));
        return;
    }
    if (type == ZT_ANIMATION && pictureSource == 1) {
        SendMessageA(hwnd, ACM_OPENA, 0, 0);
        SendMessageA(hwnd, ACM_OPENA, reinterpret_cast<WPARAM>(zApp().instance),
                     reinterpret_cast<LPARAM>(pictureName.c_str()));
        SendMessageA(hwnd, ACM_PLAY, WPARAM(-1), MAKELPARAM(0, 0xFFFF));
        return;
    }
    image = pictureSource == 1
        ? LoadImageA(zApp().instance, pictureName, IMAGE_BITMAP, 0, 0, 0)
        : LoadImageA(nullptr, pictureName, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    if (image)
        ShowImage(*this, image);
}

// Each kind of window shows its icon by its own message. A form always
// takes the icon it holds now, so it never keeps a handle already freed.
void zWindow::ApplyIcon()
{
    if (!IsLive())
        return;
    const LPARAM handle = reinterpret_cast<LPARAM>(icon.Handle());
    switch (type) {
    case ZT_FORM:
        SendMessageA(hwnd, WM_SETICON, ICON_SMALL, handle);
        SendMessageA(hwnd, WM_SETICON, ICON_BIG, handle);
        break;
    case ZT_BUTTON:
    case ZT_BUTTONLIKE:
        // Without an icon the button keeps its picture, which is owned.
        if (!handle)
            imageNotOwned = 0;
        else
            SendMessageA(hwnd, BM_SETIMAGE, IMAGE_ICON, handle);
        break;
    case ZT_STATIC:
        if (handle)
            SendMessageA(hwnd, STM_SETIMAGE, IMAGE_ICON, handle);
        break;
    case ZT_STATUSBAR:
        if (handle)
            SendMessageA(hwnd, SB_SETICON, 0, handle);
        break;
    default:
        break;
    }
}

void zWindow::GetHScrollRange(int* mn, int* mx) const
{
    xsystem::FlatScrollRange(Handle(), SB_HORZ, mn, mx);
}

void zWindow::GetVScrollRange(int* mn, int* mx) const
{
    xsystem::FlatScrollRange(Handle(), SB_VERT, mn, mx);
}

int zWindow::GetHScrollPos() const
{
    return xsystem::FlatScrollPos(Handle(), SB_HORZ);
}

int zWindow::GetVScrollPos() const
{
    return xsystem::FlatScrollPos(Handle(), SB_VERT);
}

void zWindow::SetHScrollPos(int pos)
{
    xsystem::SetFlatScrollPos(Handle(), SB_HORZ, pos);
}

void zWindow::SetVScrollPos(int pos)
{
    xsystem::SetFlatScrollPos(Handle(), SB_VERT, pos);
}
