// The bars of a form: built at WM_CREATE, re-laid on WM_SIZE.

#include "zbars.h"
#include "zform.h"

#include "zapplication.h"
#include "xsystem.h"

void zStatusBar::SetPanel(const char* text, int part, int style, HICON icon)
{
    if (!IsLive())
        return;
    SendMessageA(hwnd, SB_SETTEXTA, WPARAM(part | style), reinterpret_cast<LPARAM>(text));
    SendMessageA(hwnd, SB_SETICON, WPARAM(part), reinterpret_cast<LPARAM>(icon));
}

void zStatusBar::SetParts(const int* rightEdges, int count)
{
    if (IsLive())
        SendMessageA(hwnd, SB_SETPARTS, WPARAM(count), reinterpret_cast<LPARAM>(rightEdges));
}

namespace {

void BuildStatusBar(zForm& form)
{
    auto* bar = new zStatusBar;
    form.statusBar = bar;
    bar->name = "statuspanel";
    bar->style = WS_CHILD | CCS_BOTTOM;
    if (form.style & WS_THICKFRAME)
        bar->style |= SBARS_SIZEGRIP;
    if (form.statusBarShown)
        bar->style |= WS_VISIBLE;
    bar->font.face = "Tahoma";
    bar->font.logFont.lfHeight = -11;
    bar->font.logFont.lfWeight = 700;
    bar->font.pointSize = 8;
    bar->parent = &form;
    bar->icon.width = bar->icon.height = 16;
    bar->icon.name = "_LOCKED_";
    bar->Create();
    static const int parts[] = {25, 50, 140, 210, 400, -1};
    bar->SetParts(parts, 6);
}

void BuildMdiClient(zForm& form)
{
    CLIENTCREATESTRUCT ccs = {nullptr, 0};
    form.mdiClient = CreateWindowExA(WS_EX_CLIENTEDGE, "MDICLIENT", nullptr, 0x52300001, 0, 0,
                                     0, 0, form.hwnd, nullptr, zApp().instance, &ccs);
    if (!form.mdiClient)
        return;
    auto old = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(form.mdiClient, GWLP_WNDPROC));
    zAttachObject(form.mdiClient, &form, old);
    SetWindowLongPtrA(form.mdiClient, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(MdiClientWindowProc));
}

}  // namespace

void zForm::BuildBars()
{
    BuildStatusBar(*this);
    if (kind == ZK_MDIFRAME)
        BuildMdiClient(*this);
    SetTimer(hwnd, 2, 1000, nullptr);
    if (statusBar)
        statusBar->SetPanel(xsys().DateString(6), 2, 0, nullptr);
}

void zForm::DestroyBars()
{
    delete statusBar;
    statusBar = nullptr;
    delete toolBar;
    toolBar = nullptr;
    delete toolPager;
    toolPager = nullptr;
    delete toolRebar;
    toolRebar = nullptr;
}

bool zForm::StatusBarShown() const
{
    return statusBarShown && statusBar && statusBar->IsLive();
}

int zForm::StatusBarHeight() const
{
    if (!StatusBarShown())
        return 0;
    RECT r;
    ::GetClientRect(statusBar->hwnd, &r);
    return r.bottom;
}

int zForm::RebarHeight() const
{
    if (!toolRebar || !toolRebar->IsVisible())
        return 0;
    RECT r;
    ::GetClientRect(toolRebar->hwnd, &r);
    return r.bottom;
}

HWND zForm::ToolBarWindow() const
{
    return toolBar ? toolBar->Handle() : nullptr;
}

void zForm::SetStatusText(int part, const char* text, HICON icon)
{
    if (statusBar)
        statusBar->SetPanel(text, part, 0, icon);
}

// The MDI client fills the space between the bars, with or without a tool
// bar shown.
void zForm::LayoutBars()
{
    int statusHeight = 0;
    if (StatusBarShown()) {
        SendMessageA(statusBar->hwnd, WM_SIZE, 0, 0);
        statusHeight = StatusBarHeight();
    }
    RECT rc;
    ::GetClientRect(hwnd, &rc);
    if (kind == ZK_MDIFRAME && mdiClient) {
        int rebar = RebarHeight();
        bool atTop = !(barFlags & 0x10);
        int y = atTop ? rebar : 0;
        int h = rc.bottom - statusHeight - rebar;
        SetWindowPos(mdiClient, nullptr, 0, y, rc.right, h < 0 ? 0 : h, SWP_NOZORDER);
    }
    OnLayout();
    if (!pictureName.IsBlank() && (pictureFlags & (ZPIC_CENTER | ZPIC_STRETCH)))
        InvalidateRect(kind == ZK_MDIFRAME && mdiClient ? mdiClient : hwnd, nullptr, TRUE);
}
