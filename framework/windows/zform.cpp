// zForm: construction, creation, showing (modal included), closing, focus
// movement and persisted placement.

#include "zform.h"

#include "zapplication.h"
#include "zmenu.h"
#include "xhooks.h"
#include "xsystem.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdlib>

const char* const ZFORMCLASS = "MOVIRform";
const char* const ZMDICHILDCLASS = "MOVIRmdichildform";
zForm* zMainForm = nullptr;

namespace {

// One stored placement key as an integer; absent or empty gives 0.
long ReadKey(const char* prefix, const xstring& name)
{
    xstring text;
    zApp().GetSetting(text, "Info", prefix + name, "", "");
    return std::atol(text);
}

long Clamp(long v, long lo, long hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

}  // namespace

zForm::zForm(const char* cls) : zWindow(cls, ZT_FORM)
{
    textColour = COLOR_BTNTEXT;
    textBackColour = COLOR_BTNFACE;
    SetBackColor(COLOR_BTNFACE);
    style = WS_OVERLAPPEDWINDOW;
    top = left = width = height = ZUNSET;
    parent = zMainForm;
    name = "GENERIC FORM";
    caption = name;
    zApp().AddForm(this);
}

// The window goes while the form is still whole; the form then leaves the
// application's list so that nothing reaches it afterwards.
zForm::~zForm()
{
    if (IsModalShown())
        EndModal();
    DestroyLiveWindow();
    DestroyBars();
    for (zForm* f : zApp().forms)
        if (f->parent == this)
            f->parent = nullptr;
    zApp().RemoveForm(this);
}

bool zForm::FeatureNotAvailable()
{
    xcallmessagebox(Handle(), "Feature Not Available", "Message", MB_ICONINFORMATION);
    return true;
}

int zForm::FeatureNotAvailable2()
{
    return xcallmessagebox(Handle(), "Feature Not Available", "Message", MB_ICONINFORMATION);
}

void zForm::Hide()
{
    if (!IsLive())
        return;
    showCommand = 0;
    ShowWindow(hwnd, SW_HIDE);
    if (IsModalShown())
        Close();
}

bool zForm::Close()
{
    if (!IsLive())
        return true;
    return SendMessageA(hwnd, WM_CLOSE, 0, 0) == 0;
}

void zForm::_create_()
{
    OnCreate(true);
    if (IsLive())
        return;
    SetBackColor(brushColour);
    HMENU menuHandle = menu ? menu->Load(zApp().instance) : nullptr;
    exStyle |= WS_EX_ACCEPTFILES;
    HWND parentWindow = nullptr;
    if (kind == ZK_MDICHILD) {
        exStyle |= WS_EX_MDICHILD;
        zForm* frame = dynamic_cast<zForm*>(parent);
        parentWindow = frame ? frame->mdiClient : nullptr;
        // A child's menu goes to the frame when the child is activated; the
        // handle would be taken for the child's identifier here.
        menuHandle = nullptr;
    } else if (parent && parent->IsLive()) {
        parentWindow = parent->hwnd;
    }
    HWND created = CreateWindowExA(exStyle, className, caption, style, left, top, width, height,
                                   parentWindow, menuHandle, zApp().instance, this);
    if (!created) {
        xsys().SetLastError(int(GetLastError()));
        xsys().Error("zForm::_create_ " + name, 0);
        return;
    }
    hwnd = created;
    RegisterTool(hwnd);
    xsys().InitFlatScrollBars(hwnd);
    DragAcceptFiles(hwnd, TRUE);
    ApplyFont();
    LoadPicture();
    icon.SetIconByName(icon.name, 3);
    ApplyIcon();
    xsystem::SetFlatScrollRange(hwnd, SB_HORZ, hMin, hMax);
    xsystem::SetFlatScrollRange(hwnd, SB_VERT, vMin, vMax);
    CreateChildren();
    OnCreated();
    if (pictureFlags & ZPIC_CENTEROWNER)
        Center('0', true);
    else if (pictureFlags & ZPIC_CENTERSCREEN)
        CenterOnScreen();
    OnCreate(false);
    RestorePlacement();
}

// A fixed-size form goes to its stored position, a sizable one also takes
// its stored size when it has both. Values off every screen are brought
// back so that the caption stays reachable; a negative size counts as 0.
// A stored maximised (or minimised) form still gets its rectangle: it is
// the one the form is restored to, and the one its next close saves.
void zForm::RestorePlacement()
{
    long t = ReadKey("top_", name), l = ReadKey("left_", name);
    long w = ReadKey("width_", name), h = ReadKey("height_", name);
    long show = ReadKey("show_", name);
    if (show > 1 && show <= SW_MAX)
        showCommand = placedShow = short(show);
    if (!IsLive())
        return;
    bool sizable = (style & WS_THICKFRAME) != 0;
    bool sized = sizable && w > 0 && h > 0;
    if (sizable ? !sized : (pictureFlags & (ZPIC_CENTEROWNER | ZPIC_CENTERSCREEN)) != 0)
        return;
    int sw = GetSystemMetrics(SM_CXVIRTUALSCREEN), sh = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    int sx = GetSystemMetrics(SM_XVIRTUALSCREEN), sy = GetSystemMetrics(SM_YVIRTUALSCREEN);
    if (sw <= 0 || sh <= 0)
        sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN), sx = sy = 0;
    RECT now;
    GetWindowRect(hwnd, &now);
    w = sized ? Clamp(w, 1, sw) : now.right - now.left;
    h = sized ? Clamp(h, 1, sh) : now.bottom - now.top;
    t = Clamp(t, sy, sy + sh - GetSystemMetrics(SM_CYCAPTION));
    l = Clamp(l, sx - w + 40, sx + sw - 40);
    if (sized)
        SetBounds(l, t, w, h);
    else
        SetPosition(l, t);
}

void zForm::SavePlacement()
{
    if (!IsLive() || !IsWindowVisible(hwnd) || (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD))
        return;
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof wp;
    if (!GetWindowPlacement(hwnd, &wp))
        return;
    const RECT& r = wp.rcNormalPosition;
    xstring v;
    zApp().WriteSetting("info", "top_" + name, v.FromLong(r.top));
    zApp().WriteSetting("info", "left_" + name, v.FromLong(r.left));
    zApp().WriteSetting("info", "width_" + name, v.FromLong(r.right - r.left));
    zApp().WriteSetting("info", "height_" + name, v.FromLong(r.bottom - r.top));
    zApp().WriteSetting("info", "show_" + name, v.FromUnsigned(wp.showCmd));
}

void zForm::Show(int command)
{
    if (modal)
        return;
    modal = 1;
    try {
        // The stored placement's show command serves the first show of the
        // window, whatever this one asks.
        if (command != 0) {
            if (!IsLive())
                Create();
            if (placedShow > 1)
                command = placedShow;
            placedShow = 0;
        }
        zWindow::Show(command);
    } catch (...) {
        modal = 0;  // a form that failed to show can be shown again
        throw;
    }
    if (kind != ZK_MODAL || !IsLive()) {
        modal = 0;
        return;
    }
    zApp().modalStack.push_back(&hwnd);
    // The forms beneath are disabled before any message is pumped, so that
    // nothing queued can reach them while this form is up.
    disabledByModal.clear();
    for (zForm* f : zApp().forms) {
        if (f == this || !f->IsLive() || (GetWindowLongA(f->hwnd, GWL_STYLE) & WS_CHILD))
            continue;
        if (IsWindowEnabled(f->hwnd)) {
            disabledByModal.push_back(f->hwnd);
            f->Enable(false);
        }
    }
    bool quit = !zApp().DoEvents();
    while (!quit && IsLive() && IsWindowVisible(hwnd)) {
        WaitMessage();
        quit = !zApp().DoEvents();
        Sleep(1);
    }
    // A quit leaves the form open but must not leave the others disabled.
    if (quit && modal)
        EndModal();
}

// Only the forms this one disabled come back: a form beneath an inner modal
// form stays disabled until that one closes.
void zForm::EndModal()
{
    modal = 0;
    auto& stack = zApp().modalStack;
    auto it = std::find(stack.begin(), stack.end(), &hwnd);
    if (it != stack.end())
        stack.erase(it);
    for (HWND w : disabledByModal)
        if (IsWindow(w))
            EnableWindow(w, TRUE);
    disabledByModal.clear();
}

HWND zForm::FindTabStop(bool fromEnd)
{
    if (!IsLive())
        return nullptr;
    HWND found = nullptr;
    for (HWND c = GetWindow(hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        LONG s = GetWindowLongA(c, GWL_STYLE);
        if ((s & WS_TABSTOP) && IsWindowEnabled(c) && IsWindowVisible(c)) {
            found = c;
            if (!fromEnd)
                break;
        }
    }
    return found ? found : hwnd;
}

namespace {

HWND Candidate(HWND current, HWND start, bool forward, bool* takeAsIs)
{
    *takeAsIs = false;
    if (zIsClass(current, "SysTabControl32") && !(current == start && !forward)) {
        HWND page = GetWindow(GetWindow(current, GW_CHILD), GW_CHILD);
        HWND first = page ? GetWindow(page, GW_CHILD) : nullptr;
        if (first)
            return forward ? first : GetWindow(first, GW_HWNDLAST);
    }
    HWND next = GetWindow(current, forward ? GW_HWNDNEXT : GW_HWNDPREV);
    if (next)
        return next;
    HWND up = GetParent(current);
    if (!up)
        return nullptr;
    if (zIsClass(up, "combobox")) {
        HWND s = GetWindow(up, forward ? GW_HWNDNEXT : GW_HWNDPREV);
        if (s)
            return s;
    } else if (zIsFormWindow(up) && GetParent(up) && zIsClass(GetParent(up), "SysTabControl32")) {
        HWND tab = GetParent(up);
        if (!forward) {
            *takeAsIs = true;
            return tab;
        }
        if (HWND s = GetWindow(tab, GW_HWNDNEXT))
            return s;
    }
    HWND first = GetWindow(current, GW_HWNDFIRST);
    return forward ? first : GetWindow(current, GW_HWNDLAST);
}

}  // namespace

// The walk is bounded: a form where no window takes the focus ends the
// search instead of circling for ever.
void zForm::MoveFocus(int direction)
{
    bool forward = direction != 3;
    HWND start = GetFocus();
    if (!start || !IsLive() || !IsChild(hwnd, start))
        start = FindTabStop(!forward);
    HWND current = start;
    for (int steps = 0; current && steps < 4096; ++steps) {
        bool takeAsIs = false;
        HWND cand = Candidate(current, start, forward, &takeAsIs);
        if (!cand || cand == start)
            return;
        if (takeAsIs) {
            ::SetFocus(cand);
            return;
        }
        LONG s = GetWindowLongA(cand, GWL_STYLE);
        bool tab = zIsClass(cand, "SysTabControl32") && !forward;
        if (!tab && (s & WS_TABSTOP) && !zIsFormWindow(cand) && IsWindowVisible(cand) &&
            IsWindowEnabled(cand)) {
            ::SetFocus(cand);
            return;
        }
        Sleep(1);
        current = cand;
    }
}
