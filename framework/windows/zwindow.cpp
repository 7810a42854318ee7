// zWindow: construction, creation, showing, closing, the "XWNDUSR" record.

#include "zwindow.h"

#include "zapplication.h"
#include "zform.h"
#include "xexceptions.h"
#include "xhooks.h"
#include "xsystem.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>

const char* const ZWNDPROP = "XWNDUSR";
zWindow* zFocusedControl = nullptr;

zWindow* zFindObject(HWND window)
{
    if (!window || !IsWindow(window))
        return nullptr;
    auto* record = static_cast<zWindowRecord*>(GetPropA(window, ZWNDPROP));
    return record ? record->object : nullptr;
}

void zAttachObject(HWND window, zWindow* object, WNDPROC oldProc)
{
    auto* record = new zWindowRecord{object, oldProc};
    if (!SetPropA(window, ZWNDPROP, record))
        delete record;
}

void zDetachObject(HWND window)
{
    auto* record = static_cast<zWindowRecord*>(RemovePropA(window, ZWNDPROP));
    delete record;
}

bool zIsClass(HWND window, const char* name)
{
    char cls[64] = {};
    return window && GetClassNameA(window, cls, sizeof cls) && lstrcmpiA(cls, name) == 0;
}

bool zIsFormWindow(HWND window)
{
    return zIsClass(window, ZFORMCLASS) || zIsClass(window, ZMDICHILDCLASS);
}

LRESULT zNoteFailure(const char* where, UINT msg)
{
    char text[64];
    std::snprintf(text, sizeof text, "%s%x", where, msg);
    zExceptionRecord() = xexceptions(text, 0, 0);
    return 0;
}

void zDropFiles(zWindow* object, HWND window, HDROP drop)
{
    object->drop = drop;
    UINT files = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    if (files > 1) {
        xcallmessagebox(window, "One file at a time,please.", "Message", MB_ICONINFORMATION);
    } else if (files == 1) {
        char file[260] = {};
        DragQueryFileA(drop, 0, file, sizeof file);
        object->OnDropFiles(file);
    }
    DragFinish(drop);
}

zWindow::zWindow(const char* cls, unsigned short typeCode) : className(cls), type(typeCode)
{
    mandatoryMessage =
        GetUserDefaultLangID() == 1040 ? "Informazione indispensabile" : "Mandatory field";
}

// A live window is destroyed directly: a WM_CLOSE would reach the virtual
// handlers of an object whose derived parts are already gone.
void zWindow::DestroyLiveWindow()
{
    if (!IsLive())
        return;
    HWND window = hwnd;
    DestroyWindow(window);
    if (hwnd == window)
        hwnd = nullptr;
}

zWindow::~zWindow()
{
    DestroyLiveWindow();
    if (zFocusedControl == this)
        zFocusedControl = nullptr;
    if (brush)
        zReleaseBrush(brush);
    brush = nullptr;
    DropImages();
}

void zWindow::Create()
{
    Create(1);
}

void zWindow::RegisterTool(HWND owner)
{
    HWND tip = zApp().tooltip;
    if (!tip || !IsWindow(tip))
        return;
    TOOLINFOA ti = {};
    ti.cbSize = ZTOOLINFO_SIZE;
    ti.uFlags = TTF_IDISHWND;
    ti.hwnd = owner;
    ti.uId = reinterpret_cast<UINT_PTR>(hwnd);
    ti.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

void zWindow::Create(int subclass)
{
    if (IsLive() || !parent || !parent->IsLive())
        return;
    OnCreate(true);
    exStyle |= WS_EX_ACCEPTFILES;
    SetBackColor(brushColour);
    style |= WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    hwnd = CreateWindowExA(exStyle, className, caption, style, left, top, width, height,
                           parent->hwnd, nullptr, zApp().instance, this);
    if (!hwnd)
        return;
    if (type == ZT_TREEVIEW && zApp().setWindowTheme)
        zApp().setWindowTheme(hwnd, L"Explorer", nullptr);
    if (type == ZT_SCINTILLA)
        SendMessageA(hwnd, ZSCI_SETLEXER, 1, 0);  // no lexer
    ApplyFont();
    inputFlags |= ZIN_CREATED;
    if (type != ZT_GRID16 && type != ZT_GRID23)
        inputFlags |= ZIN_CREATED | ZIN_OFFERKEYS;
    if (subclass)
        Subclass();
    LoadPicture();
    icon.SetIconByName(icon.name, 3);
    ApplyIcon();
    if (type != ZT_TOOLBAR)
        RegisterTool(parent->hwnd);
    DragAcceptFiles(hwnd, TRUE);
    OnCreate(false);
    Anchor();
}

void zWindow::Subclass()
{
    if (!IsLive())
        return;
    auto install = [this](HWND w) {
        if (GetPropA(w, ZWNDPROP))
            return;
        auto old = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(w, GWLP_WNDPROC));
        zAttachObject(w, this, old);
        SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlSubclassProc));
    };
    install(hwnd);
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        install(child);
}

void zWindow::Show(int command)
{
    showCommand = short(command);
    if (command == 0)
        return;
    if (!IsLive())
        Create();
    if (!IsLive())
        return;
    ShowWindow(hwnd, command);
    if (type == ZT_FORM) {
        // A form shown again comes to the top, activated unless asked not to be.
        UINT flags = SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW;
        if (command == SW_SHOWNA || command == SW_SHOWMINNOACTIVE || command == SW_SHOWNOACTIVATE)
            flags |= SWP_NOACTIVATE;
        SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, flags);
        UpdateWindow(hwnd);
    }
}

void zWindow::Hide()
{
    if (IsLive()) {
        showCommand = 0;
        ShowWindow(hwnd, SW_HIDE);
    } else {
        style &= ~WS_VISIBLE;
    }
}

bool zWindow::Close()
{
    if (!IsLive())
        return true;
    return SendMessageA(hwnd, WM_CLOSE, 0, 0) == 0;
}

bool zWindow::OnRegisteredMessage(UINT, WPARAM, LPARAM)
{
    return true;
}

void zWindow::Click()
{
    if (IsLive())
        SendMessageA(hwnd, BM_CLICK, 0, 0);
}

void zWindow::Enable(bool enable)
{
    if (!IsLive())
        return;
    EnableWindow(hwnd, enable);
    if (parent)
        InvalidateLabel();
}

bool zWindow::IsDisabled() const
{
    return IsLive() && !IsWindowEnabled(hwnd);
}

bool zWindow::IsVisible() const
{
    return IsLive() && IsWindowVisible(hwnd);
}

HWND zWindow::SetFocus()
{
    return IsLive() ? ::SetFocus(hwnd) : nullptr;
}

void zWindow::SetForeground()
{
    if (IsLive())
        SetForegroundWindow(hwnd);
}

void zWindow::SendKey(WPARAM key)
{
    if (IsLive())
        SendMessageA(hwnd, WM_KEYDOWN, key, 0);
}

void zWindow::InvalidateLabel()
{
    if (!IsLive() || !parent || !parent->IsLive() || label.IsBlank())
        return;
    RECT r;
    GetLabelRect(hwnd, &r, label, labelPosition, parent->font.handle);
    InvalidateRect(parent->hwnd, &r, TRUE);
}

void zWindow::Invalidate(const RECT* rect, bool erase)
{
    if (!IsLive())
        return;
    InvalidateRect(hwnd, rect, erase);
    InvalidateLabel();
    for (zWindow* p = parent; p && p->IsLive(); p = p->parent)
        p->InvalidateLabel();
}

void zWindow::NotifyParent()
{
    if (!IsLive())
        return;
    HWND target = GetOwner();
    if (target)
        SendMessageA(target, WM_COMMAND, MAKEWPARAM(0, 1), reinterpret_cast<LPARAM>(hwnd));
}

HWND zWindow::GetOwner() const
{
    if (!IsLive())
        return nullptr;
    if (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD)
        return GetParent(hwnd);
    return GetWindow(hwnd, GW_OWNER);
}

bool zWindow::IsLocked() const
{
    if (!IsLive())
        return true;
    if (type == ZT_BUTTON && (GetWindowLongA(hwnd, GWL_STYLE) & 7) == 7)
        return false;
    if (type == ZT_GRID16 || type == ZT_NEVERLOCKED || type == ZT_GRID23)
        return false;
    if (type == ZT_TOOLBAR) {
        zForm* current = zApp().currentForm;
        if ((zMainForm && zMainForm->ToolBarWindow() == hwnd) ||
            (current && zApp().HasForm(current) && current->ToolBarWindow() == hwnd))
            return false;
    }
    return !IsWindowEnabled(hwnd) || readOnly;
}

void zWindow::SetLockIcon(bool locked)
{
    zForm* form = dynamic_cast<zForm*>(parent);
    if (!form || !form->StatusBarShown())
        form = zMainForm;
    if (!form || !zApp().HasForm(form))
        return;
    HICON lockIcon = static_cast<HICON>(LoadImageA(zApp().instance,
                                                   locked ? "_LOCKED_" : "_PENCIL_",
                                                   IMAGE_ICON, 16, 16, LR_SHARED));
    form->SetStatusText(0, "", lockIcon);
}
