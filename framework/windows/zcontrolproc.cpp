// The subclass procedure of every framework control: virtual operations,
// input filters, focus bookkeeping and the routing of keys and characters
// through the parent form.

#include "zwindow.h"

#include "zapplication.h"
#include "zformproc.h"

#include <commctrl.h>

#include <cctype>
#include <cstdint>

namespace {

struct Call {
    HWND hwnd;
    WNDPROC old;
    LRESULT Prev(UINT msg, WPARAM wParam, LPARAM lParam) const
    {
        return old ? CallWindowProcA(old, hwnd, msg, wParam, lParam)
                   : DefWindowProcA(hwnd, msg, wParam, lParam);
    }
};

// Whether the window and its object survived a message sent elsewhere (a
// key may close the form and with it the control).
bool Alive(HWND hwnd, zWindow* object)
{
    return IsWindow(hwnd) && zFindObject(hwnd) == object;
}

void DropMargin(zWindow* obj)
{
    if (obj->type == ZT_EDIT && obj->HasDropButton())
        SendMessageA(obj->hwnd, EM_SETMARGINS, EC_RIGHTMARGIN, MAKELONG(0, 22));
}

LRESULT OnKeyDownMsg(zWindow* obj, const Call& c, WPARAM key, LPARAM lParam)
{
    bool own = c.hwnd == obj->hwnd;
    if (own)
        DropMargin(obj);
    if ((GetWindowLongA(c.hwnd, GWL_STYLE) & ES_MULTILINE) && obj->type == ZT_EDIT &&
        (key == VK_RETURN || key == VK_LEFT || key == VK_RIGHT || key == VK_END || key == VK_HOME))
        return c.Prev(WM_KEYDOWN, key, lParam);
    if (obj->inputFlags & ZIN_OFFERKEYS) {
        HWND target = GetParent(c.hwnd);
        LRESULT r = target ? SendMessageA(target, ZWM_ROUTEKEY, key, LPARAM(c.hwnd)) : 0;
        if (!Alive(c.hwnd, obj))
            return 0;
        if (r == -2)
            return 0;
    }
    if (obj->inputFlags & ZIN_SWALLOW)
        key = 0;
    if (obj->IsLocked()) {
        if (key == VK_DELETE || obj->type == ZT_BUTTON)
            key = 0, lParam = 0;
    } else if (obj->type == ZT_COMBOBOX && key == VK_DELETE) {
        SendMessageA(obj->hwnd, CB_SETCURSEL, WPARAM(-1), 0);
        obj->NotifyParent();
        if (!Alive(c.hwnd, obj))
            return 0;
    }
    obj->OnKeyDown(&key, lParam);
    if (!Alive(c.hwnd, obj))
        return 0;
    return c.Prev(WM_KEYDOWN, key, lParam);
}

bool Accepts(DWORD flags, WPARAM ch)
{
    int c = int(ch & 0xFF);
    if ((flags & ZIN_ALPHA) && !std::isalpha(c))
        return false;
    if ((flags & ZIN_HEX) && !std::isxdigit(c))
        return false;
    if ((flags & ZIN_NUMERIC) && !std::isdigit(c) && c != '-' && c != ',' && c != '.')
        return false;
    return true;
}

LRESULT OnCharMsg(zWindow* obj, const Call& c, WPARAM ch, LPARAM lParam)
{
    if (obj->inputFlags & ZIN_OFFERKEYS) {
        HWND target = GetParent(c.hwnd);
        LRESULT r = target ? SendMessageA(target, ZWM_ROUTECHAR, ch, LPARAM(c.hwnd)) : 0;
        if (!Alive(c.hwnd, obj) || r == -2)
            return 0;
    }
    if (obj->inputFlags & ZIN_SWALLOW)
        ch = 0;
    else if (obj->IsLocked())
        ch = 0, lParam = 0;
    else if (ch != 8 && !Accepts(obj->inputFlags, ch))
        ch = 0;
    obj->OnChar(&ch, lParam);
    if (!Alive(c.hwnd, obj))
        return 0;
    return c.Prev(WM_CHAR, ch, lParam);
}

// A grid-type control keeps its column widths in the settings file, in a
// section named after its form and itself.
void SaveColumnWidths(const zWindow* grid)
{
    const zWindow* form = grid->parent;
    xstring base = "info_" + (form ? form->name : xstring()) + "_" + grid->name;
    xstring section = base + "_";
    section += xstring().FromUnsigned(zTextHash(base));
    int count = int(SendMessageA(grid->hwnd, ZGM_COLUMNCOUNT, 0, 0));
    for (int i = 1; i <= count; ++i) {
        auto name = reinterpret_cast<const char*>(SendMessageA(grid->hwnd, ZGM_COLUMNNAME, WPARAM(i), 0));
        xstring key, width;
        if (name && *name)
            key = name;
        else
            key.FromInt(i);
        width.FromLong(long(SendMessageA(grid->hwnd, ZGM_COLUMNWIDTH, WPARAM(i), 0)));
        zApp().WriteSetting(section, key, width);
    }
}

// Only the control's own window ends the object's window; a subclassed
// child (the edit of a combo box, a drop button) just leaves.
LRESULT OnDestroyMsg(zWindow* obj, const Call& c, WPARAM wParam, LPARAM lParam)
{
    if (c.hwnd == obj->hwnd && (obj->type == ZT_GRID16 || obj->type == ZT_GRID23)) {
        try {
            SaveColumnWidths(obj);
        } catch (...) {
        }
    }
    if (c.hwnd == obj->hwnd) {
        if (zFocusedControl == obj)
            zFocusedControl = nullptr;
        obj->OnWindowDestroyed();
        obj->hwnd = nullptr;
    }
    SetWindowLongPtrA(c.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(c.old));
    zDetachObject(c.hwnd);
    return c.Prev(WM_DESTROY, wParam, lParam);
}

LRESULT OnSetFocusMsg(zWindow* obj, const Call& c, WPARAM wParam, LPARAM lParam)
{
    obj->SetLockIcon(obj->IsLocked());
    if (zMainForm && zMainForm->StatusBarShown())
        zMainForm->SetStatusText(5, obj->hint);
    zFocusedControl = obj;
    zForm* current = zApp().currentForm;
    if (current && zApp().HasForm(current))
        current->focusChild = obj;
    if (zForm* form = dynamic_cast<zForm*>(obj->parent))
        form->focusChild = obj;
    obj->textAtFocus = obj->GetText();
    if (!obj->OnSetFocus(reinterpret_cast<HWND>(wParam)))
        return 1;
    return c.Prev(WM_SETFOCUS, wParam, lParam);
}

LRESULT OnPaintMsg(zWindow* obj, const Call& c, WPARAM wParam, LPARAM lParam)
{
    LRESULT r = c.Prev(WM_PAINT, wParam, lParam);
    if (!Alive(c.hwnd, obj))
        return r;
    zDC dc(c.hwnd);
    if (obj->font.handle)
        SelectObject(dc.Handle(), obj->font.handle);
    SetBkColor(dc.Handle(), obj->CurrentTextBackColour());
    SetTextColor(dc.Handle(), obj->CurrentTextColour());
    SetBkMode(dc.Handle(), (obj->pictureFlags & ZPIC_TRANSPARENT) ? TRANSPARENT : OPAQUE);
    obj->OnPaint(dc);
    return r;
}

LRESULT OnDropMsg(zWindow* obj, const Call& c, WPARAM wParam, LPARAM lParam)
{
    zDropFiles(obj, c.hwnd, reinterpret_cast<HDROP>(wParam));
    if (!Alive(c.hwnd, obj))
        return 0;
    return c.Prev(WM_DROPFILES, wParam, lParam);
}

bool GridLike(const zWindow* obj)
{
    return obj->type == ZT_GRID16 || obj->type == ZT_GRID23 || obj->type == ZT_OWNCLICKS;
}

LRESULT OnMouseButton(zWindow* obj, const Call& c, UINT msg, WPARAM wParam, LPARAM lParam)
{
    int x = short(LOWORD(lParam)), y = short(HIWORD(lParam));
    bool grid = GridLike(obj);
    if (grid && msg != WM_LBUTTONDBLCLK) {
        if (c.Prev(msg, wParam, lParam) == 1 || !Alive(c.hwnd, obj))
            return 0;
    }
    bool go = true;
    switch (msg) {
    case WM_LBUTTONDOWN:
        if (obj->IsLocked() && obj->type != ZT_PAGER)
            return 0;
        go = obj->OnLButtonDown(wParam, x, y);
        break;
    case WM_LBUTTONDBLCLK:
        if (obj->IsLocked())
            return 0;
        go = obj->OnLButtonDblClk(wParam, x, y);
        break;
    case WM_RBUTTONDOWN:
        go = obj->OnRButtonDown(wParam, x, y);
        break;
    default:
        go = obj->OnRButtonUp(wParam, x, y);
        break;
    }
    if (!go || !Alive(c.hwnd, obj))
        return 0;
    // The grid types' own procedures saw the button first; only the release
    // of the right button goes to them once more when the handler says so.
    if (grid && (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN))
        return 0;
    return c.Prev(msg, wParam, lParam);
}

LRESULT Dispatch(zWindow* obj, const Call& c, UINT msg, WPARAM wParam, LPARAM lParam);

}  // namespace

LRESULT ControlWindowProc(zWindow* obj, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* record = static_cast<zWindowRecord*>(GetPropA(hwnd, ZWNDPROP));
    Call c{hwnd, record ? record->oldProc : nullptr};
    if (msg >= WM_MOUSEFIRST && msg <= 0x020D) {
        if (c.hwnd == obj->hwnd)
            DropMargin(obj);
        if (obj->inputFlags & ZIN_MOUSETOPARENT) {
            LRESULT r = SendMessageA(GetParent(hwnd), msg, wParam, lParam);
            if (r == -2 || !Alive(hwnd, obj))
                return 0;
        }
    }
    return Dispatch(obj, c, msg, wParam, lParam);
}

namespace {

LRESULT Dispatch(zWindow* obj, const Call& c, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_DESTROY:
        return OnDestroyMsg(obj, c, wParam, lParam);
    case WM_MOVE:
        obj->OnMove(short(LOWORD(lParam)), short(HIWORD(lParam)));
        break;
    case WM_SIZE:
        obj->OnSize(wParam, LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_SETFOCUS:
        return OnSetFocusMsg(obj, c, wParam, lParam);
    case WM_KILLFOCUS:
        obj->OnKillFocus(reinterpret_cast<HWND>(wParam));
        break;
    case WM_ENABLE:
        obj->OnEnable(wParam == 1);
        break;
    case WM_PAINT:
        return OnPaintMsg(obj, c, wParam, lParam);
    case WM_SHOWWINDOW:
        obj->InvalidateLabel();
        obj->OnShowWindow(wParam != 0, int(lParam));
        break;
    case WM_SETCURSOR:
        if (!obj->OnSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam), HIWORD(lParam)))
            return 1;
        break;
    case WM_NOTIFY:
    case WM_COMMAND:
        if (msg == WM_COMMAND && obj->type == ZT_EDIT && obj->HasDropButton() &&
            HIWORD(wParam) == 0 && lParam) {
            obj->SetFocus();
            obj->SendKey(VK_DOWN);
        }
        if (obj->inputFlags & ZIN_RELAY)
            SendMessageA(GetParent(c.hwnd), msg, wParam, lParam);
        if (!Alive(c.hwnd, obj))
            return 0;
        break;
    case WM_KEYDOWN:
        return OnKeyDownMsg(obj, c, wParam, lParam);
    case WM_KEYUP: {
        WPARAM key = wParam;
        obj->OnKeyUp(&key, lParam);
        if (!Alive(c.hwnd, obj))
            return 0;
        return c.Prev(msg, key, lParam);
    }
    case WM_CHAR:
        return OnCharMsg(obj, c, wParam, lParam);
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC: {
        zWindow* child = zFindObject(reinterpret_cast<HWND>(lParam));
        if (HBRUSH b = child ? ControlBrush(child, reinterpret_cast<HDC>(wParam)) : nullptr)
            return reinterpret_cast<LRESULT>(b);
        break;
    }
    case WM_MOUSEMOVE: {
        obj->OnMouseMove(wParam, short(LOWORD(lParam)), short(HIWORD(lParam)));
        if (obj->type == ZT_MOUSELEAVE) {
            TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, c.hwnd, HOVER_DEFAULT};
            _TrackMouseEvent(&tme);
        }
        if (zApp().tooltip) {
            MSG m = {c.hwnd, msg, wParam, lParam, 0, {}};
            SendMessageA(zApp().tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
        }
        break;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        return OnMouseButton(obj, c, msg, wParam, lParam);
    case WM_LBUTTONUP:
        obj->OnLButtonUp(wParam, short(LOWORD(lParam)), short(HIWORD(lParam)));
        break;
    case WM_MOUSEHOVER:
        obj->OnMouseHover(wParam, short(LOWORD(lParam)), short(HIWORD(lParam)));
        break;
    case WM_MOUSELEAVE:
        obj->OnMouseLeave();
        break;
    case WM_DROPFILES:
        return OnDropMsg(obj, c, wParam, lParam);
    case ZWM_ROUTEKEY:
    case ZWM_ROUTECHAR:
        if (obj->type == ZT_COMBOBOX) {
            if (msg == ZWM_ROUTECHAR && wParam == VK_ESCAPE)
                return -1;
            HWND combo = obj->hwnd;
            return SendMessageA(GetParent(combo), msg, wParam, LPARAM(combo));
        }
        break;
    default:
        break;
    }
    if (!Alive(c.hwnd, obj))
        return 0;
    return c.Prev(msg, wParam, lParam);
}

}  // namespace

// Nothing thrown inside a handler may leave through USER32.
LRESULT CALLBACK ControlSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    try {
        if (!IsWindow(hwnd))
            return 0;
        zWindow* obj = zFindObject(hwnd);
        if (!obj)
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        return ControlWindowProc(obj, hwnd, msg, wParam, lParam);
    } catch (...) {
        return zNoteFailure("window proc msg:0x", msg);
    }
}

unsigned long zTextHash(const char* text)
{
    uint32_t sum = 0, power = 1, k = 0;
    for (const char* p = text; p && *p; ++p) {
        if (*p == ' ' || *p == '\t')
            continue;
        ++k;
        power *= 0x600937u;
        sum += k * uint32_t(int32_t(static_cast<signed char>(*p))) * power;
    }
    return sum;
}
