// The form's painting and control brushes, its colour refresh and the
// scrolling of its client area with the flat scroll bars.

#include "zformproc.h"

#include "zapplication.h"
#include "zbars.h"

#include <commctrl.h>

namespace {

void PaintLabels(zForm* form, HDC dc, COLORREF textColour)
{
    for (HWND c = GetWindow(form->hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        zWindow* obj = zFindObject(c);
        if (!IsWindowVisible(c) || zIsClass(c, ZFORMCLASS) || !obj || obj->label.IsBlank())
            continue;
        RECT r, hit;
        GetLabelRect(c, &r, obj->label, obj->labelPosition, form->font.handle);
        if (!IntersectRect(&hit, &r, &form->paintRect))
            continue;
        DrawLabelFrame(dc, r, form->pictureFlags);
        DrawLabelText(dc, r, obj->label, textColour,
                      form->pictureFlags | (IsWindowEnabled(c) ? 0u : unsigned(ZLABEL_DISABLED)));
    }
}

}  // namespace

void OnPaintForm(zForm* form, HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    form->paintRect = ps.rcPaint;
    zDC context(dc);
    if (form->font.handle)
        SelectObject(dc, form->font.handle);
    SetBkMode(dc, (form->pictureFlags & ZPIC_TRANSPARENT) ? TRANSPARENT : OPAQUE);
    SetBkColor(dc, form->CurrentTextBackColour());
    if (form->brush)
        SelectObject(dc, form->brush);
    if (form->kind != ZK_MDIFRAME) {
        RECT rc;
        GetClientRect(hwnd, &rc);
        if (!form->pictureName.IsBlank()) {
            int w = 0, h = 0;
            DrawPicture(form->pictureSource, form->pictureName, dc, 0, 0, form->pictureFlags,
                        0, 0, rc.right, rc.bottom, &w, &h);
        }
        SetTextColor(dc, form->CurrentTextColour());
        form->OnPaint(context);
        PaintLabels(form, dc, form->CurrentTextColour());
    }
    EndPaint(hwnd, &ps);
}

HBRUSH ControlBrush(zWindow* ctl, HDC dc)
{
    zForm* form = dynamic_cast<zForm*>(ctl->parent);
    SetTextColor(dc, ctl->CurrentTextColour());
    SetBkColor(dc, ctl->CurrentTextBackColour());
    bool transparent = (ctl->pictureFlags & ZPIC_TRANSPARENT) ||
                       (form && (form->pictureFlags & ZPIC_TRANSPARENT));
    if ((!transparent || ctl->type == ZT_EDIT) && ctl->type != ZT_PICTURE)
        return ctl->brush;
    SetBkMode(dc, TRANSPARENT);
    if (!form)
        return ctl->brush;
    SetBkColor(dc, form->CurrentTextBackColour());
    if (ctl->type == ZT_STATIC && (form->brush || !form->pictureName.IsBlank()))
        return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    return form->patternBrush.Handle() ? form->patternBrush.Handle() : form->brush;
}

namespace {

// A colour value that names a system colour: GetSysColor knows its index.
bool IsSystemColour(COLORREF value)
{
    return GetSysColor(int(value)) != 0;
}

// A child's brush, text background and text colours taken again, and
// handed to the common controls that keep colours of their own.
void RefreshColours(zWindow& w)
{
    HWND h = w.hwnd;
    if (IsSystemColour(w.brushColour)) {
        w.SetBackColor(w.brushColour);
        LPARAM colour = LPARAM(w.CurrentBrushColour());
        if (w.type == ZT_LISTVIEW)
            SendMessageA(h, LVM_SETBKCOLOR, 0, colour);
        else if (w.type == ZT_TREEVIEW)
            SendMessageA(h, TVM_SETINSERTMARKCOLOR, 0, colour);
        else if (w.type == ZT_PROGRESS)
            SendMessageA(h, PBM_SETBKCOLOR, 0, colour);
    }
    if (IsSystemColour(w.textBackColour)) {
        LPARAM colour = LPARAM(w.CurrentTextBackColour());
        if (w.type == ZT_LISTVIEW)
            SendMessageA(h, LVM_SETTEXTBKCOLOR, 0, colour);
        else if (w.type == ZT_TREEVIEW)
            SendMessageA(h, TVM_SETBKCOLOR, 0, colour);
    }
    if (IsSystemColour(w.textColour)) {
        LPARAM colour = LPARAM(w.CurrentTextColour());
        if (w.type == ZT_LISTVIEW)
            SendMessageA(h, LVM_SETTEXTCOLOR, 0, colour);
        else if (w.type == ZT_TREEVIEW)
            SendMessageA(h, TVM_SETTEXTCOLOR, 0, colour);
        else if (w.type == ZT_PROGRESS)
            SendMessageA(h, PBM_SETBARCOLOR, 0, colour);
    }
}

}  // namespace

// The system colours changed: every brush taken for a system colour is
// taken again, and the common controls get their colours anew.
void OnSysColorChange(zForm* form)
{
    if (IsSystemColour(form->brushColour))
        form->SetBackColor(form->brushColour);
    for (HWND c = GetWindow(form->hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        zWindow* obj = zFindObject(c);
        if (obj && obj->hwnd == c && !zIsClass(c, ZFORMCLASS))
            RefreshColours(*obj);
    }
}

LRESULT OnScroll(zForm* form, HWND hwnd, int bar, WPARAM wParam)
{
    int mn = 0, mx = 0;
    if (bar == SB_HORZ)
        form->GetHScrollRange(&mn, &mx);
    else
        form->GetVScrollRange(&mn, &mx);
    int pos = bar == SB_HORZ ? form->GetHScrollPos() : form->GetVScrollPos();
    if (pos == mn)
        pos = 0;
    int line = bar == SB_HORZ ? form->hLine : form->vLine;
    int page = bar == SB_HORZ ? form->hPage : form->vPage;
    int delta = 0;
    switch (LOWORD(wParam)) {
    case SB_LINEUP: delta = -line; break;
    case SB_LINEDOWN: delta = line; break;
    case SB_PAGEUP: delta = -page; break;
    case SB_PAGEDOWN: delta = page; break;
    case SB_THUMBPOSITION: delta = short(HIWORD(wParam)) - pos; break;
    case SB_TOP: delta = -pos; break;
    case SB_BOTTOM: delta = mx - pos; break;
    default: break;
    }
    if (pos + delta < 0)
        delta = -pos;
    if (pos + delta > mx)
        delta = mx - pos;
    if (delta == 0)
        return 0;
    if (bar == SB_HORZ)
        form->OnHScroll(&delta);
    else
        form->OnVScroll(&delta);
    // The status bar sits out the scroll: hidden, then put back at the bottom.
    HWND status = form->StatusBarShown() ? form->statusBar->hwnd : nullptr;
    if (status)
        ShowWindow(status, SW_HIDE);
    RECT* scroll = IsRectEmpty(&form->scrollRect) ? nullptr : &form->scrollRect;
    RECT* clip = IsRectEmpty(&form->clipRect) ? nullptr : &form->clipRect;
    ScrollWindowEx(hwnd, bar == SB_HORZ ? -delta : 0, bar == SB_HORZ ? 0 : -delta, scroll, clip,
                   nullptr, nullptr, SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
    if (bar == SB_HORZ)
        form->SetHScrollPos(pos + delta);
    else
        form->SetVScrollPos(pos + delta);
    form->GetClientRect();
    if (bar == SB_VERT)
        form->OnLayout();
    if (status && IsWindow(status)) {
        SendMessageA(status, WM_SIZE, 0, 0);
        ShowWindow(status, SW_RESTORE);
    }
    if (bar == SB_HORZ)
        form->OnLayout();
    return 0;
}
