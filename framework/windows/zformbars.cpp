// The bars of a form: built at WM_CREATE, re-laid on WM_SIZE.

#include "zbars.h"
#include "zform.h"

#include "zapplication.h"
#include "zimagelist.h"
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

static_assert(sizeof(TBBUTTON) == 20, "toolbar button record");
static_assert(sizeof(REBARBANDINFOA) >= 80, "rebar band record");

namespace {

// Re-lays the bars of the form that holds a pager or rebar.
void RelayParentForm(zWindow* parent)
{
    if (auto* form = dynamic_cast<zForm*>(parent))
        if (form->IsLive())
            form->LayoutBars();
}

}  // namespace

void zToolPager::Hide()
{
    zWindow::Hide();
    RelayParentForm(parent);
}

void zToolPager::SetChild(const zWindow& toolBar)
{
    if (IsLive() && toolBar.IsLive())
        SendMessageA(hwnd, PGM_SETCHILD, 0, reinterpret_cast<LPARAM>(toolBar.hwnd));
}

void zToolPager::SetButtonStep(int step)
{
    buttonStep = step;
    if (IsLive())
        SendMessageA(hwnd, PGM_SETBUTTONSIZE, 0, step);
}

void zToolRebar::Hide()
{
    zWindow::Hide();
    RelayParentForm(parent);
}

zToolBar::zToolBar(int count)
    : zWindow(TOOLBARCLASSNAMEA, ZT_TOOLBAR), buttonCount(count < 0 ? 0 : count)
{
    if (buttonCount)
        buttons = new TBBUTTON[buttonCount]();
}

zToolBar::~zToolBar()
{
    // The window goes first: it must not draw with a list already destroyed.
    DestroyLiveWindow();
    delete[] buttons;
    if (imageList)
        ImageList_Destroy(imageList);
}

#ifdef ZINSTALLER_BUILD
void zToolBar::Create(int subclass)
{
    zWindow::Create(subclass);
    if (!IsLive())
        return;
    SendMessageA(hwnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(hwnd, TB_SETEXTENDEDSTYLE, 0, LPARAM(extendedStyle));
}
#endif

void zToolBar::AddButtons()
{
    if (!IsLive() || !buttonCount || !buttons)
        return;
    SendMessageA(hwnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(hwnd, TB_ADDBUTTONSA, WPARAM(buttonCount), reinterpret_cast<LPARAM>(buttons));
}

void zToolBar::AutoSize()
{
    if (IsLive())
        SendMessageA(hwnd, TB_AUTOSIZE, 0, 0);
}

void zToolBar::SetButtonWidth(int minimum, int maximum)
{
    if (IsLive())
        SendMessageA(hwnd, TB_SETBUTTONWIDTH, 0, MAKELPARAM(minimum, maximum));
}

void zToolBar::SetBitmapSize(int w, int h)
{
    bitmapWidth = w;
    bitmapHeight = h;
    if (IsLive())
        SendMessageA(hwnd, TB_SETBITMAPSIZE, 0, MAKELPARAM(w, h));
}

void zToolBar::SetImageList(HIMAGELIST list)
{
    HIMAGELIST copy = list ? ImageList_Duplicate(list) : nullptr;
    if (IsLive())
        SendMessageA(hwnd, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(copy));
    if (imageList)
        ImageList_Destroy(imageList);
    imageList = copy;
}

int zToolBar::AddIcon(const char* resourceName)
{
    if (!IsLive() || !imageList)
        return -1;
    // A shared icon belongs to the system cache: the list keeps its own
    // copy, and the cached one is not destroyed under other users.
    auto icon = static_cast<HICON>(
        LoadImageA(zApp().instance, resourceName, IMAGE_ICON, 0, 0, LR_SHARED));
    if (!icon)
        return -1;
    return ImageList_ReplaceIcon(imageList, -1, icon);
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


// Visible with the form's tool-bar-shown flag.
DWORD ToolVisibility(const zForm& form)
{
    return form.toolBarShown ? WS_VISIBLE : 0;
}

void BuildToolPager(zForm& form)
{
    auto* pager = new zToolPager;
    form.toolPager = pager;
    pager->name = "toolpager";
    pager->style = WS_CHILD | ToolVisibility(form) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                   PGS_DRAGNDROP | PGS_HORZ;
    pager->parent = &form;
    pager->Create();
}

bool IsNavigationForm(const zForm& form)
{
    return !form.plainToolbar && (form.navigation || form.kind == ZK_MDIFRAME);
}

// Positions 4, 7 and 14 separate the groups; the others carry commands
// 9000 on, and only "close" and "keyboard" start enabled.
void FillNavigationButtons(zForm& form, zToolBar& bar)
{
    int separators = 0;
    for (int i = 0; i < bar.buttonCount; ++i) {
        TBBUTTON& b = bar.buttons[i];
        b = TBBUTTON();
        if (i == 4 || i == 7 || i == 14) {
            b.fsStyle = BTNS_SEP;
            ++separators;
            continue;
        }
        int n = i - separators;
        b.iBitmap = n;
        b.idCommand = 9000 + n;
        b.fsState = (i == 15 || i == 16) ? TBSTATE_ENABLED : 0;
        b.fsStyle = BTNS_BUTTON;
        const char* text = form.buttonCaptions[size_t(i)];
        // No caption means no text, not the toolbar's string 0.
        b.iString = text ? reinterpret_cast<INT_PTR>(text) : -1;
        if (!form.imageList)
            bar.AddIcon(NavigationIcons[size_t(i)]);
    }
    bar.AddButtons();
}

zToolBar* MakeToolBar(zForm& form)
{
    if (!IsNavigationForm(form))
        return new zToolBar(0);
    size_t count = NavigationCaptions.size();
    if (form.buttonCaptions.empty()) {
        for (const xstring& caption : NavigationCaptions)
            form.buttonCaptions.push_back(caption.c_str());
    } else {
        form.buttonCaptions.resize(count, nullptr);
    }
    return new zToolBar(int(count));
}

void BuildToolBar(zForm& form)
{
    zToolBar* bar = MakeToolBar(form);
    form.toolBar = bar;
    bar->font.face = form.toolFontFace;
    bar->font.logFont.lfHeight = form.toolFontHeight;
    bar->font.logFont.lfWeight = form.toolFontWeight;
    bar->font.pointSize = form.toolFontPoints;
    bar->name = "toolpanel";
    bar->style = WS_CHILD | ToolVisibility(form) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                 TBSTYLE_TRANSPARENT | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER |
                 CCS_NORESIZE;
    bar->exStyle = 0;
    bar->parent = form.toolPager;
    bar->Create();
    bar->SetButtonWidth(form.toolButtonWidth, form.toolButtonHeight);
    bar->SetBitmapSize(form.toolBitmapWidth, form.toolBitmapHeight);
    if (form.imageList && form.imageList->list) {
        bar->SetImageList(form.imageList->list);
    } else {
        HIMAGELIST temporary = ImageList_Create(form.toolBitmapWidth, form.toolBitmapHeight,
                                                ILC_COLOR32 | ILC_MASK, 0, 1);
        bar->SetImageList(temporary);
        if (temporary)
            ImageList_Destroy(temporary);
    }
    if (bar->buttonCount)
        FillNavigationButtons(form, *bar);
    bar->AutoSize();
    if (form.toolPager) {
        form.toolPager->SetChild(*bar);
        if (form.toolPager->IsLive())
            SendMessageA(form.toolPager->hwnd, PGM_RECALCSIZE, 0, 0);
    }
}

void AddRebarBand(zForm& form, zToolRebar& rebar)
{
    if (!rebar.IsLive() || !form.toolPager || !form.toolPager->IsLive())
        return;
    REBARBANDINFOA band = {};
    band.cbSize = 80;  // the band record without the later header fields
    band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE;
    if (form.rebarBackground == 1) {
        band.fMask |= RBBIM_BACKGROUND;
        // Shared: every form uses the same bitmap and none leaks its own.
        band.hbmBack = static_cast<HBITMAP>(
            LoadImageA(zApp().instance, "REBAR", IMAGE_BITMAP, 0, 0, LR_SHARED));
    }
    band.fStyle = RBBS_CHILDEDGE;
    band.hwndChild = form.toolPager->hwnd;
    band.cxMinChild = 0;
    band.cyMinChild = UINT(form.toolButtonHeight + 6);
    HWND bar = form.ToolBarWindow();
    band.cyChild = bar ? LOWORD(SendMessageA(bar, TB_GETBUTTONSIZE, 0, 0)) : 0;
    SendMessageA(rebar.hwnd, RB_INSERTBANDA, WPARAM(-1), reinterpret_cast<LPARAM>(&band));
}

void BuildToolRebar(zForm& form)
{
    auto* rebar = new zToolRebar;
    form.toolRebar = rebar;
    rebar->name = "toolrebar";
    rebar->style = WS_CHILD | ToolVisibility(form) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    if (form.barFlags & 0x10)
        rebar->style |= CCS_BOTTOM;
    rebar->parent = &form;
    rebar->Create();
    AddRebarBand(form, *rebar);
    // Inserting the band may show the rebar and its pager; the flag decides.
    if (!form.toolBarShown && rebar->IsLive())
        ShowWindow(rebar->hwnd, SW_HIDE);
}

}  // namespace

void zForm::BuildBars()
{
    // A form made again starts from new bars.
    DestroyBars();
    BuildStatusBar(*this);
    if (kind == ZK_MDIFRAME)
        BuildMdiClient(*this);
    BuildToolPager(*this);
    BuildToolBar(*this);
    BuildToolRebar(*this);
    SetTimer(hwnd, 2, 1000, nullptr);
    if (statusBar)
        statusBar->SetPanel(xsys().DateString(6), 2, 0, nullptr);
}

#ifdef ZINSTALLER_BUILD
RECT& zForm::GetClientRect()
{
    if (IsLive())
        ::GetClientRect(mdiClient && IsWindow(mdiClient) ? mdiClient : hwnd, &clientRect);
    return clientRect;
}
#endif

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

void zForm::LayoutBars()
{
    int statusHeight = 0;
    if (StatusBarShown()) {
        SendMessageA(statusBar->hwnd, WM_SIZE, 0, 0);
        statusHeight = StatusBarHeight();
    }
    RECT rc;
    ::GetClientRect(hwnd, &rc);
    // The MDI client fills the room between the bars whether or not the
    // toolbar is shown: left unplaced it would stay zero-sized.
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
