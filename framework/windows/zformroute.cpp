// The form's routing of commands and notifications to the objects of its
// controls, its answers to routed keys and characters, the menu switch of
// MDI children and the subclass of an MDI frame's client window.

#include "zformproc.h"

#include "zapplication.h"
#include "zbars.h"
#include "zmenu.h"

#include <commctrl.h>

namespace {

// An edit shows the focus colours while it has the focus (unless locked)
// and its own colours again afterwards; each edit keeps its own.
void EditFocusColours(zWindow* ctl, bool gained)
{
    if (gained) {
        ctl->savedTextBackColour = ctl->textBackColour;
        ctl->savedTextColour = ctl->textColour;
        ctl->savedBrushColour = ctl->brushColour;
        if (ctl->IsTextBlank())
            ctl->OnFocusBlank();
        if (!ctl->IsLocked() && ctl->IsLive()) {
            ctl->textColour = ctl->focusTextColour;
            ctl->textBackColour = ctl->focusBackColour;
            ctl->SetBackColor(ctl->focusBrushColour);
            SendMessageA(ctl->hwnd, EM_SETSEL, 0, -1);
            InvalidateRect(ctl->hwnd, nullptr, TRUE);
        }
    } else {
        ctl->textBackColour = ctl->savedTextBackColour;
        ctl->textColour = ctl->savedTextColour;
        ctl->SetBackColor(ctl->savedBrushColour);
        if (ctl->IsLive()) {
            SendMessageA(ctl->hwnd, EM_SETSEL, 0, 0);
            InvalidateRect(ctl->hwnd, nullptr, TRUE);
        }
    }
}

// The event number of a control notification, 0 when none applies.
int EventOf(zWindow* ctl, WORD code)
{
    switch (ctl->type) {
    case ZT_PICTURE:
        return code == ZPICN_CLICKED ? ZEV_PICTURE_CLICK
                                     : (code == ZPICN_CHANGED ? ZEV_PICTURE_DBLCLICK : 0);
    case ZT_SCINTILLA:
        return code == ZSCEN_CHANGE ? ZEV_SCINTILLA_CHANGE : 0;
    case ZT_STATIC:
        return code == STN_CLICKED ? ZEV_STATIC_CLICK : (code == STN_DBLCLK ? ZEV_STATIC_DBLCLICK : 0);
    case ZT_EDIT:
        switch (code) {
        case EN_CHANGE: return ZEV_EDIT_CHANGE;
        case EN_SETFOCUS: EditFocusColours(ctl, true); return ZEV_EDIT_GOTFOCUS;
        case EN_KILLFOCUS: EditFocusColours(ctl, false); return ZEV_EDIT_KILLFOCUS;
        case EN_UPDATE: return ZEV_EDIT_UPDATE;
        default: return 0;
        }
    case ZT_BUTTON:
    case ZT_BUTTONLIKE:
        return code == BN_CLICKED ? ZEV_BUTTON_CLICK : 0;
    case ZT_COMBOBOX:
        switch (code) {
        case CBN_SELCHANGE: return ZEV_COMBO_SELCHANGE;
        case CBN_DBLCLK: return ZEV_COMBO_DBLCLICK;
        case CBN_SETFOCUS: return ZEV_COMBO_SETFOCUS;
        case CBN_KILLFOCUS: return ZEV_COMBO_KILLFOCUS;
        case CBN_EDITCHANGE: return ZEV_COMBO_EDITCHANGE;
        case CBN_EDITUPDATE: return ZEV_COMBO_EDITUPDATE;
        default: return 0;
        }
    default:
        return 0;
    }
}

// The notifications of a grid-type control of type 23 reach its numbered
// operations; a query answered false gives 1, which stops the grid.
bool RouteGridCommand(zWindow* grid, WORD code, WORD low, LRESULT* result)
{
    *result = 0;
    switch (code) {
    case ZGN_QUERYEDIT:
        *result = grid->GridOperation(ZGOP_EDIT, 1, 0) ? 0 : 1;
        return true;
    case ZGN_EDITENDED:
        *result = grid->GridOperation(ZGOP_EDIT, 0, low == 1) ? 0 : 1;
        return true;
    case ZGN_QUERYCHANGE:
        *result = grid->GridOperation(ZGOP_CHANGE, 1, low) ? 0 : 1;
        return true;
    case ZGN_CHANGED:
        grid->GridOperation(ZGOP_CHANGE, 0, low);
        return true;
    case ZGN_COLUMNCHANGED:
        grid->GridOperation(ZGOP_COLUMN, low, 0);
        return true;
    case ZGN_ROWCHANGED:
        grid->GridOperation(ZGOP_ROW, low, 0);
        return true;
    case ZGN_HEADERCLICK:
        grid->GridOperation(ZGOP_HEADER, low, 0);
        return true;
    default:
        return false;
    }
}

// The form's own pager is as wide as the toolbar and scrolls by its button
// step; any other pager is 100 by 100.
void OnPagerNotify(zForm* form, zWindow* pager, NMHDR* header)
{
    bool own = pager == form->toolPager;
    if (header->code == UINT(PGN_CALCSIZE)) {
        auto* calc = reinterpret_cast<NMPGCALCSIZE*>(header);
        if (!own) {
            calc->iWidth = calc->iHeight = 100;
        } else if (calc->dwFlag == PGF_CALCWIDTH) {
            SIZE size = {};
            if (HWND bar = form->ToolBarWindow())
                SendMessageA(bar, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
            calc->iWidth = size.cx;
        }
    } else if (header->code == UINT(PGN_SCROLL) && own) {
        reinterpret_cast<NMPGSCROLL*>(header)->iScroll = form->toolPager->buttonStep;
    }
}

}  // namespace

LRESULT OnCommandMessage(zForm* form, HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    form->OnCommand(wParam, lParam);
    if (wParam < 0x10000 && zRouteMenuCommand(form->menu, wParam))
        return 0;
    if (lParam == 0)
        return FormDefaultProc(form, hwnd, WM_COMMAND, wParam, lParam);
    HWND control = reinterpret_cast<HWND>(lParam);
    zWindow* ctl = zFindObject(control);
    if (!ctl)
        return FormDefaultProc(form, hwnd, WM_COMMAND, wParam, lParam);
    WORD code = HIWORD(wParam);
    if (ctl->type == ZT_GRID23) {
        LRESULT result = 0;
        if (RouteGridCommand(ctl, code, LOWORD(wParam), &result))
            return result;
        return FormDefaultProc(form, hwnd, WM_COMMAND, wParam, lParam);
    }
    if (ctl->type == ZT_COMBOBOX)
        form->OnComboNotify(ctl, code);
    if (!IsWindow(control) || zFindObject(control) != ctl)
        return 0;  // the notification ended the control
    int event = EventOf(ctl, code);
    if (event == 0) {
        if (ctl->type == ZT_COMBOBOX || ctl->type == ZT_PICTURE || ctl->type == ZT_STATIC ||
            ctl->type == ZT_EDIT || ctl->type == ZT_BUTTON || ctl->type == ZT_BUTTONLIKE ||
            ctl->type == ZT_SCINTILLA)
            return 0;
        return FormDefaultProc(form, hwnd, WM_COMMAND, wParam, lParam);
    }
    ctl->Event(event);
    return 0;
}

LRESULT OnNotifyMessage(zForm* form, HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (!header)
        return FormDefaultProc(form, hwnd, WM_NOTIFY, wParam, lParam);
    if (header->code == TTN_GETDISPINFOA) {
        auto* info = reinterpret_cast<NMTTDISPINFOA*>(lParam);
        if (info->uFlags & TTF_IDISHWND) {
            SendMessageA(header->hwndFrom, TTM_SETMAXTIPWIDTH, 0, 200);
            zWindow* tool = zFindObject(reinterpret_cast<HWND>(header->idFrom));
            if (zApp().tooltip && tool)
                info->lpszText = const_cast<char*>(tool->hint.c_str());
        }
    }
    zWindow* sender = zFindObject(header->hwndFrom);
    if (sender && sender->type == ZT_BUTTON && header->code == NM_CUSTOMDRAW) {
        auto* cd = reinterpret_cast<NMCUSTOMDRAW*>(lParam);
        cd->lItemlParam = reinterpret_cast<LPARAM>(sender);
        return sender->OnCustomDraw(cd);
    }
    if (sender && (sender->type == ZT_GRID16 || sender->type == ZT_GRID23) &&
        (header->code == ZGN_DRAWCELL || header->code == ZGN_EDITBEGIN))
        sender->GridOperation(header->code == ZGN_DRAWCELL ? ZGOP_DRAWCELL : ZGOP_EDITBEGIN,
                              lParam, 0);
    if (sender && sender->type == ZT_PAGER)
        OnPagerNotify(form, sender, header);
    if (sender)
        form->OnNotify(header);
    return FormDefaultProc(form, hwnd, WM_NOTIFY, wParam, lParam);
}

// The form's answer to a key that one of its controls offers (2425).
LRESULT OnRouteKey(zForm* form, WPARAM key, HWND control)
{
    zWindow* ctl = zFindObject(control);
    bool locked = form->IsLocked();
    switch (key) {
    case VK_TAB:
        form->MoveFocus((GetKeyState(VK_SHIFT) & 0x8000) ? 3 : 2);
        return -2;
    case VK_RETURN:
        if (ctl && ctl->type == ZT_COMBOBOX && SendMessageA(control, CB_GETDROPPEDSTATE, 0, 0) == 1) {
            SendMessageA(control, CB_SHOWDROPDOWN, FALSE, 0);
            return -2;
        }
        if (form->defaultButton && form->defaultButton->IsLive()) {
            HWND self = form->hwnd;
            form->defaultButton->Click();
            // The click may have closed the form: nothing more reaches it.
            if (!IsWindow(self) || zFindObject(self) != form)
                return -2;
        }
        break;
    case VK_ESCAPE:
        if (form->IsModalShown() && !locked) {
            form->Close();
            return -1;
        }
        break;
    case VK_F2:
    case VK_F4:
        if (ctl && ctl->type == ZT_FKEYS)
            return locked ? -2 : -1;
        break;
    default:
        break;
    }
    if (form->IsLive())
        SendMessageA(form->hwnd, WM_KEYDOWN, key, 0);
    return 0;
}

LRESULT OnRouteChar(zForm* form, WPARAM ch, HWND control)
{
    zWindow* ctl = zFindObject(control);
    if (ctl && ctl->type == ZT_EDIT) {
        LONG style = GetWindowLongA(control, GWL_STYLE);
        if ((ch == VK_RETURN && !(style & ES_WANTRETURN)) || ch == VK_TAB || ch == VK_ESCAPE)
            return -2;
    }
    if (form->IsLive())
        SendMessageA(form->hwnd, WM_CHAR, ch, 0);
    return -1;
}

// The frame shows the menu of the active child: its own menu object's when
// it has one, the main form's again when the child that had it goes.
void OnMdiActivate(zForm* form, HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    bool activated = reinterpret_cast<HWND>(lParam) == hwnd;
    if (activated)
        zApp().SetCurrentForm(form);
    HWND client = GetParent(hwnd);
    HWND frame = client ? GetParent(client) : nullptr;
    HMENU current = frame ? GetMenu(frame) : nullptr;
    zMenuRes* mainMenu = zMainForm ? zMainForm->menu : nullptr;
    zMenuRes* chosen = nullptr;
    if (reinterpret_cast<HWND>(wParam) == hwnd && mainMenu && mainMenu->menu != current)
        chosen = mainMenu;
    else if (activated && form->menu && form->menu->menu != current)
        chosen = form->menu;
    if (!chosen) {
        SendMessageA(client, WM_MDIREFRESHMENU, 0, 0);
        return;
    }
    zActiveMenu = chosen;
    SendMessageA(client, WM_MDISETMENU, reinterpret_cast<WPARAM>(chosen->menu),
                 reinterpret_cast<LPARAM>(GetSubMenu(chosen->menu, 0)));
    DrawMenuBar(zMainForm && zMainForm->IsLive() ? zMainForm->hwnd : frame);
}

LRESULT CALLBACK MdiClientWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    try {
        auto* record = static_cast<zWindowRecord*>(GetPropA(hwnd, ZWNDPROP));
        if (!record)
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        WNDPROC old = record->oldProc;
        auto* form = static_cast<zForm*>(record->object);
        switch (msg) {
        case WM_DESTROY:
            SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
            zDetachObject(hwnd);
            break;
        case WM_PAINT: {
            LRESULT r = CallWindowProcA(old, hwnd, msg, wParam, lParam);
            if (!form->pictureName.IsBlank()) {
                HDC dc = GetDC(hwnd);
                DrawFormImage(*form, dc);
                ReleaseDC(hwnd, dc);
            }
            return r;
        }
        case WM_ERASEBKGND:
            EraseFormBackground(hwnd, *form, reinterpret_cast<HDC>(wParam));
            return 1;
        case WM_KEYDOWN:
            if (form->IsLive())
                SendMessageA(form->hwnd, msg, wParam, lParam);
            break;
        case WM_HSCROLL:
        case WM_VSCROLL:
            InvalidateRect(hwnd, nullptr, TRUE);
            break;
        case WM_RBUTTONDOWN:
            form->OnRButtonDown(wParam, short(LOWORD(lParam)), short(HIWORD(lParam)));
            break;
        default:
            break;
        }
        return CallWindowProcA(old, hwnd, msg, wParam, lParam);
    } catch (...) {
        return zNoteFailure("client window proc msg:0x", msg);
    }
}
