// The form window procedure: class procedures, message dispatch, closing
// and the end of the window.

#include "zformproc.h"

#include "zapplication.h"
#include "zbars.h"
#include "zmenu.h"
#include "xsystem.h"

#include <commctrl.h>

LRESULT FormDefaultProc(zForm* form, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (form->kind == ZK_MDIFRAME)
        return DefFrameProcA(hwnd, form->mdiClient, msg, wParam, lParam);
    if (form->kind == ZK_MDICHILD)
        return DefMDIChildProcA(hwnd, msg, wParam, lParam);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

namespace {

LRESULT OnClose(zForm* form, HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    if (form->closing)
        return 0;
    form->closing = 1;
    try {
        form->SavePlacement();
    } catch (...) {
    }
    bool refused = !form->QueryClose();
    if (!refused && !form->skipCloseChecks)
        refused = !form->CloseCheck() || !form->CloseCheck2(true);
    if (form == zMainForm) {
        if (!refused && zApp().CloseForms(nullptr)) {
            PostQuitMessage(zApp().exitCode);
            return FormDefaultProc(form, hwnd, WM_CLOSE, wParam, lParam);
        }
        form->closing = 0;
        return 1;
    }
    if (refused) {
        form->closing = 0;
        return 1;
    }
    if (form->IsModalShown())
        form->EndModal();
    if (zMainForm && zMainForm->IsLive() && IsWindowVisible(zMainForm->hwnd))
        zMainForm->SetForeground();
    form->showCommand = -1;
    return FormDefaultProc(form, hwnd, WM_CLOSE, wParam, lParam);
}

void OnDestroy(zForm* form, HWND hwnd)
{
    form->DestroyBars();
    if (form->defaultButton && !form->defaultButton->IsLive())
        form->defaultButton = nullptr;
    if (form->focusChild && !form->focusChild->IsLive())
        form->focusChild = nullptr;
    if (form->IsModalShown())
        form->EndModal();
    form->hwnd = nullptr;
    form->closing = 0;
    zDetachObject(hwnd);
}

}  // namespace

LRESULT FormWindowProc(zForm* form, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg >= 0xC000 && msg <= 0xFFFF)
        return form->OnRegisteredMessage(msg, wParam, lParam) ? 1 : 0;
    switch (msg) {
    case WM_CREATE:
        form->hwnd = hwnd;
        form->BuildBars();
        break;
    case WM_DESTROY:
        if (form->menu)
            form->menu->Destroy();
        OnDestroy(form, hwnd);
        break;
    case WM_MOVE:
        form->OnMove(short(LOWORD(lParam)), short(HIWORD(lParam)));
        break;
    case WM_SIZE:
        if (form->toolRebar && form->toolRebar->IsLive())
            SendMessageA(form->toolRebar->hwnd, WM_SIZE, 0, 0);
        if (wParam != SIZE_MINIMIZED)
            form->LayoutBars();
        form->OnSize(wParam, LOWORD(lParam), HIWORD(lParam));
        if (form->kind != ZK_MDICHILD)
            return 0;
        break;
    case WM_ACTIVATE:
        if (form->menu && (!zActiveMenu || form->kind == ZK_MODAL || form->kind == ZK_TOPLEVEL))
            zActiveMenu = form->menu;
        form->OnActivate(wParam, lParam);
        break;
    case WM_INITMENUPOPUP:
        zRouteInitMenuPopup(reinterpret_cast<HMENU>(wParam), wParam, lParam);
        return 0;
    case WM_MENUSELECT:
        zRouteMenuSelect(hwnd, wParam, lParam);
        return 0;
    case WM_SETFOCUS: {
        zWindow* child = form->focusChild;
        if (child && child->IsLive() && IsChild(hwnd, child->hwnd))
            child->SetFocus();
        else if (HWND stop = form->FindTabStop(false); stop && stop != hwnd)
            ::SetFocus(stop);
        if (zMainForm && zMainForm->StatusBarShown())
            zMainForm->SetStatusText(5, form->hint);
        if (!form->OnSetFocus(reinterpret_cast<HWND>(wParam)))
            return 1;
        break;
    }
    case WM_KILLFOCUS:
        form->OnKillFocus(reinterpret_cast<HWND>(wParam));
        break;
    case WM_PAINT:
        OnPaintForm(form, hwnd);
        return 1;
    case WM_CLOSE:
        return OnClose(form, hwnd, wParam, lParam);
    case WM_QUERYENDSESSION: {
        bool answer = form->QueryEndSession(lParam);
        if (form == zMainForm && SendMessageA(hwnd, WM_CLOSE, 0, 0) == 1)
            return 0;
        return answer;
    }
    case WM_ERASEBKGND:
        EraseFormBackground(hwnd, *form, reinterpret_cast<HDC>(wParam));
        return 1;
    case WM_SYSCOLORCHANGE:
        OnSysColorChange(form);
        return 0;
    case WM_SHOWWINDOW:
        form->OnShowWindow(wParam != 0, int(lParam));
        break;
    case WM_SETCURSOR:
        if (!form->OnSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam), HIWORD(lParam)))
            return 1;
        break;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(form->icon.Handle() ? form->icon.Handle()
                                                             : zApp().appIcon);
    case WM_NOTIFY:
        return OnNotifyMessage(form, hwnd, wParam, lParam);
    case WM_NCPAINT: {
        HDC dc = GetWindowDC(hwnd);
        bool go = form->OnNcPaint(dc);
        ReleaseDC(hwnd, dc);
        if (!go)
            return 0;
        break;
    }
    case WM_NCACTIVATE:
        if (form->kind != ZK_MDIFRAME && wParam)
            zApp().SetCurrentForm(form);
        break;
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE: {
        if (zApp().tooltip) {
            MSG m = {hwnd, msg, wParam, lParam, 0, {}};
            SendMessageA(zApp().tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
        }
        if (msg == WM_NCMOUSEMOVE)
            break;
        form->OnMouseMove(wParam, short(LOWORD(lParam)), short(HIWORD(lParam)));
        return 0;
    }
    case WM_NCLBUTTONDBLCLK:
        if (!form->OnNcLButtonDblClk(wParam, short(LOWORD(lParam)), short(HIWORD(lParam))))
            return 0;
        break;
    case WM_LBUTTONDOWN:
        if (!form->OnLButtonDown(wParam, short(LOWORD(lParam)), short(HIWORD(lParam))))
            return 0;
        break;
    case WM_LBUTTONDBLCLK:
        if (!form->OnLButtonDblClk(wParam, short(LOWORD(lParam)), short(HIWORD(lParam))))
            return 0;
        break;
    case WM_RBUTTONDOWN:
        if (!form->OnRButtonDown(wParam, short(LOWORD(lParam)), short(HIWORD(lParam))))
            return 0;
        break;
    case WM_RBUTTONUP:
        if (!form->OnRButtonUp(wParam, short(LOWORD(lParam)), short(HIWORD(lParam))))
            return 0;
        break;
    case WM_SYSCOMMAND:
        if (!form->OnSysCommand(wParam, short(LOWORD(lParam)), short(HIWORD(lParam))))
            return 0;
        break;
    case WM_LBUTTONUP:
        form->OnLButtonUp(wParam, short(LOWORD(lParam)), short(HIWORD(lParam)));
        break;
    case WM_KEYDOWN: {
        WPARAM key = wParam;
        form->OnKeyDown(&key, lParam);
        if (key == VK_PRIOR || key == VK_NEXT) {
            SendMessageA(hwnd, WM_VSCROLL, key == VK_PRIOR ? SB_PAGEUP : SB_PAGEDOWN, 0);
            return 0;
        }
        break;
    }
    case WM_KEYUP: {
        WPARAM key = wParam;
        form->OnKeyUp(&key, lParam);
        break;
    }
    case WM_CHAR: {
        WPARAM ch = wParam;
        form->OnChar(&ch, lParam);
        return 0;
    }
    case WM_SYSKEYDOWN:
        form->OnSysKeyDown(wParam, lParam);
        break;
    case WM_COMMAND:
        return OnCommandMessage(form, hwnd, wParam, lParam);
    case WM_TIMER:
        if (wParam == 2) {
            if (form->StatusBarShown())
                form->SetStatusText(3, xsys().TimeString(3));
        } else if (form->flash) {
            FlashWindow(hwnd, TRUE);
        }
        return 0;
    case WM_HSCROLL:
    case WM_VSCROLL:
        return OnScroll(form, hwnd, msg == WM_HSCROLL ? SB_HORZ : SB_VERT, wParam);
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case ZWM_CTLBRUSH: {
        zWindow* ctl = zFindObject(reinterpret_cast<HWND>(lParam));
        HBRUSH b = ctl ? ControlBrush(ctl, reinterpret_cast<HDC>(wParam)) : nullptr;
        if (b)
            return reinterpret_cast<LRESULT>(b);
        break;
    }
    case WM_MDIACTIVATE:
        OnMdiActivate(form, hwnd, wParam, lParam);
        form->OnActivate(wParam, lParam);
        return 0;
    case WM_DROPFILES:
        zDropFiles(form, hwnd, reinterpret_cast<HDROP>(wParam));
        if (!IsWindow(hwnd) || zFindObject(hwnd) != form)
            return 0;
        break;
    case WM_HOTKEY:
        form->OnHotKey(wParam, lParam);
        break;
    case ZWM_ROUTEKEY:
        return OnRouteKey(form, wParam, reinterpret_cast<HWND>(lParam));
    case ZWM_ROUTECHAR:
        return OnRouteChar(form, wParam, reinterpret_cast<HWND>(lParam));
    case ZWM_TRAYNOTIFY:
        form->OnTrayNotify(wParam, lParam);
        return 0;
    default:
        break;
    }
    return FormDefaultProc(form, hwnd, msg, wParam, lParam);
}

namespace {

// Both form classes: the form comes from the creation parameters at
// WM_CREATE, from "XWNDUSR" afterwards; before and after it, the default
// procedure answers. Nothing thrown leaves the procedure.
LRESULT ClassProc(bool mdiChild, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    try {
        zForm* form = static_cast<zForm*>(zFindObject(hwnd));
        if (!form && msg == WM_CREATE) {
            auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
            void* param = cs->lpCreateParams;
            if (mdiChild && param)
                param = reinterpret_cast<void*>(static_cast<MDICREATESTRUCTA*>(param)->lParam);
            if (param)
                zAttachObject(hwnd, static_cast<zForm*>(param), nullptr);
            form = static_cast<zForm*>(zFindObject(hwnd));
            if (form)
                form->hwnd = hwnd;
        }
        if (form)
            return FormWindowProc(form, hwnd, msg, wParam, lParam);
        if (mdiChild) {
            HWND client = zMainForm ? zMainForm->mdiClient : nullptr;
            return DefFrameProcA(hwnd, client && IsWindow(client) ? client : nullptr, msg, wParam,
                                 lParam);
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    } catch (...) {
        return zNoteFailure("sdi/mdi window proc msg:0x", msg);
    }
}

}  // namespace

LRESULT CALLBACK FormClassWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return ClassProc(false, hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK MdiChildClassWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return ClassProc(true, hwnd, msg, wParam, lParam);
}
