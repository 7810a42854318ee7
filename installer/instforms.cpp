#include "instforms.h"

#include "installlist.h"
#include "instfiles.h"

#include "zapplication.h"
#include "zgenerated.h"

#include <commctrl.h>

#include <initializer_list>

_base_f_s2main* f_s2main = nullptr;
_base_f_main* f_main = nullptr;
_base_f_progress* f_progress = nullptr;
_base_f_success* f_success = nullptr;

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
const DWORD kIconStatic = kChild | SS_ICON | SS_NOTIFY | SS_CENTERIMAGE | WS_BORDER;
const DWORD kDialogStyle = WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU;

void Look(zWindow& w, const char* face, int points, bool bold = false)
{
    w.font.face = face;
    w.font.pointSize = points;
    w.font.logFont.lfHeight = -MulDiv(points, 96, 72);
    w.font.logFont.lfWeight = bold ? FW_BOLD : FW_NORMAL;
}

// Positions as the form designer gives them: left, top, width, height.
void Place(zWindow& w, double left, double top, double width, double height)
{
    zSetDialogBounds(w, top, left, width, height);
}

// Black text on a black text background would be unreadable: such a label
// takes its own brush colour behind the text.
void Colours(zWindow& w, COLORREF text, COLORREF textBack, COLORREF brush)
{
    w.textColour = text;
    w.textBackColour = (text == 0 && textBack == 0 && w.type != ZT_FORM) ? brush : textBack;
    w.brushColour = brush;
}

void MakeChildren(zForm& form, std::initializer_list<zWindow*> children)
{
    for (zWindow* child : children) {
        child->parent = &form;
        child->Create();
    }
}

// The dialog forms are owned by the background form.
void CreateOwned(zForm& form)
{
    form.parent = f_s2main;
    form._create_();
}

}  // namespace

void MakeInstallerForms()
{
    f_s2main = new _base_f_s2main;
    f_main = new _base_f_main;
    f_progress = new _base_f_progress;
    f_success = new _base_f_success;
    zMainForm = f_s2main;
}

void StartForms()
{
    f_s2main->zWindow::Show(f_s2main->showCommand);
    if (f_main)
        f_main->zWindow::Show(f_main->showCommand);
    // A list without destination has already installed and ended by now.
    if (f_success && !f_success->IsLive() && f_s2main->IsLive())
        f_success->Create();
}

// --- f_s2main ----------------------------------------------------------------

_base_f_s2main::_base_f_s2main() : zForm(ZFORMCLASS)
{
    Setup();
}

void _base_f_s2main::Setup()
{
    name = "f_s2main";
    caption = "Movir  Applications Installer";
    Place(*this, 9, 43.5, 399, 300);
    style = WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_BORDER;
    exStyle = WS_EX_TRANSPARENT;
    kind = ZK_TOPLEVEL;
    showCommand = SW_SHOWMAXIMIZED;
    Look(*this, "Verdana", 8);
    Colours(*this, 0, 0, 0);
}

void _base_f_s2main::Create()
{
    parent = nullptr;
    zForm::_create_();
}

void _base_f_s2main::OnCreate(bool beginning)
{
    if (beginning || !IsLive())
        return;
    if (zApp().appIcon) {
        SendMessageA(hwnd, WM_SETICON, ICON_BIG, LPARAM(zApp().appIcon));
        SendMessageA(hwnd, WM_SETICON, ICON_SMALL, LPARAM(zApp().appIcon));
    }
    exStyle |= WS_EX_LAYERED;
    SetWindowLongA(hwnd, GWL_EXSTYLE, LONG(GetWindowLongA(hwnd, GWL_EXSTYLE) | WS_EX_LAYERED));
    SetLayeredAttributes(RGB(128, 0, 128), 200);
    StartCaptionAnimation(hwnd);
}

bool _base_f_s2main::OnNcLButtonDblClk(WPARAM, int, int)
{
    return false;
}

bool _base_f_s2main::OnEraseBackground(zDC& dc)
{
    const RECT& client = GetClientRect();
    float band = float(client.bottom - client.top) / 256.0f;
    for (int i = 0; i < 256; ++i) {
        RECT r = {0, int(float(i) * band), client.right + 1, int(float(i + 1) * band)};
        HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255 - i));
        FillRect(dc.Handle(), &r, brush);
        DeleteObject(brush);
    }
    return false;
}

bool _base_f_s2main::OnSysCommand(WPARAM, int, int)
{
    return false;
}

// --- f_main ------------------------------------------------------------------

_base_f_main::_base_f_main() : zForm(ZFORMCLASS)
{
    for (zWindow* c : std::initializer_list<zWindow*>{&Static16, &Button5, &dpath, &b_ok, &info,
                                                      &instr, &steps})
        c->Setup();
    Setup();
}

_base_f_main::~_base_f_main() = default;

void _base_f_main::Setup()
{
    name = "f_main";
    caption = "Installer";
    Place(*this, 163.5, 72.5, 144, 135.5);
    style = WS_POPUP | kDialogStyle;
    exStyle = WS_EX_WINDOWEDGE;
    kind = ZK_MODAL;
    showCommand = SW_SHOWNORMAL;
    Look(*this, "Verdana", 8);
    icon.name = "i_f_main";
    Colours(*this, 0, 15, kWhite);
    pictureFlags |= ZPIC_CENTERSCREEN;
}

void _base_f_main::Create()
{
    CreateOwned(*this);
}

void _base_f_main::CreateChildren()
{
    MakeChildren(*this, {&Static16, &Button5, &dpath, &b_ok, &info, &instr, &steps});
}

void _base_f_main::_base_Static16::Setup()
{
    name = "Static16";
    caption = "f_main_i_Static16";
    style = kIconStatic;
    Place(*this, 4.5, 6, 21, 21);
    Look(*this, "Blue Highway Condensed", 14, true);
    Colours(*this, 0, 15, kWhite);
}
void _base_f_main::_base_Static16::Create() { zWindow::Create(1); }

void _base_f_main::_base_Button5::Setup()
{
    name = "Button5";
    caption = "...";
    hint = "cerca una cartella";
    style = kChild | WS_TABSTOP | BS_ICON;
    Place(*this, 122, 76, 13.5, 13.5);
    Look(*this, "Blue Highway Condensed", 16, true);
    Colours(*this, 0, 15, 15);
}
void _base_f_main::_base_Button5::Create()
{
    zButton::Create(1);
    HICON folder = LoadIconA(zApp().instance, "f_main_i_Button5");
    if (IsLive() && folder)
        SendMessageA(hwnd, BM_SETIMAGE, IMAGE_ICON, LPARAM(folder));
}

void _base_f_main::_base_dpath::Setup()
{
    name = "dpath";
    style = kChild | WS_TABSTOP | ES_AUTOHSCROLL | ES_NOHIDESEL;
    exStyle = WS_EX_CLIENTEDGE;
    Place(*this, 6, 78, 114, 10.5);
    Look(*this, "Verdana", 8);
    Colours(*this, 0, 5, 5);
}
void _base_f_main::_base_dpath::Create() { zEdit::Create(1); }

void _base_f_main::_base_b_ok::Setup()
{
    name = "b_ok";
    caption = "OK";
    style = kChild | WS_CLIPCHILDREN | WS_TABSTOP | BS_DEFPUSHBUTTON;
    Place(*this, 88.5, 96, 43.5, 13.5);
    Look(*this, "Verdana", 9);
    Colours(*this, 0, 0, kWhite);
}
void _base_f_main::_base_b_ok::Create() { zButton::Create(1); }

void _base_f_main::_base_info::Setup()
{
    name = "info";
    style = kChild | SS_NOTIFY;
    Place(*this, 4.5, 91.5, 132, 21);
    Look(*this, "Frutiger Linotype", 11);
    Colours(*this, 18, 15, RGB(236, 233, 216));
}
void _base_f_main::_base_info::Create() { zWindow::Create(1); }

void _base_f_main::_base_instr::Setup()
{
    name = "instr";
    style = kChild | SS_NOTIFY | SS_CENTER;
    Place(*this, 6, 30, 129, 43.5);
    Look(*this, "Verdana", 9);
    Colours(*this, 0, 0, kWhite);
}
void _base_f_main::_base_instr::Create() { zWindow::Create(1); }

void _base_f_main::_base_steps::Setup()
{
    name = "steps";
    caption = "Installer ";
    style = kChild | SS_NOTIFY | SS_RIGHT;
    Place(*this, 27, 6, 108, 21);
    Look(*this, "Verdana", 16);
    Colours(*this, 0, 0, RGB(0, 0, 255));
}
void _base_f_main::_base_steps::Create() { zWindow::Create(1); }

// --- f_progress --------------------------------------------------------------

_base_f_progress::_base_f_progress() : zForm(ZFORMCLASS)
{
    for (zWindow* c : std::initializer_list<zWindow*>{&gauge, &x, &Static14, &steps, &info})
        c->Setup();
    Setup();
}

_base_f_progress::~_base_f_progress() = default;

void _base_f_progress::Setup()
{
    name = "f_progress";
    caption = "Installer";
    Place(*this, 94.5, 93, 205, 126);
    style = kDialogStyle;
    exStyle = WS_EX_WINDOWEDGE;
    kind = ZK_MODAL;
    showCommand = -1;
    Look(*this, "Verdana", 8);
    icon.name = "i_f_progress";
    Colours(*this, 0, 15, kWhite);
    pictureFlags |= ZPIC_CENTEROWNER;
}

void _base_f_progress::Create()
{
    CreateOwned(*this);
}

void _base_f_progress::CreateChildren()
{
    MakeChildren(*this, {&gauge, &x, &Static14, &steps, &info});
}

bool _base_f_progress::OnSysCommand(WPARAM, int, int)
{
    return false;
}

void _base_f_progress::_base_gauge::Setup()
{
    name = "gauge";
    style = kChild;
    Place(*this, 7.5, 85.5, 187.5, 12);
    Colours(*this, 0, 15, kWhite);
}
void _base_f_progress::_base_gauge::Create() { zWindow::Create(1); }

void _base_f_progress::_base_x::Setup()
{
    name = "x";
    style = kChild | SS_NOTIFY;
    Place(*this, 5, 80, 193, 23);
    Look(*this, "Verdana", 8);
    Colours(*this, 0, 15, 15);
}
void _base_f_progress::_base_x::Create() { zWindow::Create(1); }

void _base_f_progress::_base_Static14::Setup()
{
    name = "Static14";
    caption = "f_progress_i_Static14";
    style = kIconStatic;
    Place(*this, 4.5, 7.5, 21, 21);
    Look(*this, "Blue Highway Condensed", 14, true);
    Colours(*this, 0, 15, kWhite);
}
void _base_f_progress::_base_Static14::Create() { zWindow::Create(1); }

void _base_f_progress::_base_steps::Setup()
{
    name = "steps";
    caption = "STEP 99 OF 99";
    style = kChild | SS_NOTIFY | SS_RIGHT;
    Place(*this, 27, 8, 171, 21);
    Look(*this, "Verdana", 14);
    Colours(*this, 0, 0, RGB(0, 0, 255));
}
void _base_f_progress::_base_steps::Create() { zWindow::Create(1); }

void _base_f_progress::_base_info::Setup()
{
    name = "info";
    caption = "This program will install the application's components";
    style = kChild | ES_MULTILINE | ES_WANTRETURN | ES_NOHIDESEL | WS_VSCROLL;
    Place(*this, 4, 31, 194, 46);
    Look(*this, "Tahoma", 8);
    Colours(*this, 0, 5, 5);
}
void _base_f_progress::_base_info::Create() { zEdit::Create(1); }

// --- f_success ---------------------------------------------------------------

_base_f_success::_base_f_success() : zForm(ZFORMCLASS)
{
    for (zWindow* c : std::initializer_list<zWindow*>{&steps, &Static16, &success, &b_ok, &info})
        c->Setup();
    Setup();
}

_base_f_success::~_base_f_success() = default;

void _base_f_success::Setup()
{
    name = "f_success";
    caption = "Installer";
    Place(*this, 162, 114.5, 142.5, 99);
    style = kDialogStyle;
    exStyle = WS_EX_WINDOWEDGE;
    kind = ZK_MODAL;
    showCommand = -1;
    Look(*this, "Blue Highway Condensed", 14, true);
    icon.name = "i_f_success";
    Colours(*this, 8, 5, 5);
    pictureFlags |= ZPIC_CENTERSCREEN;
}

void _base_f_success::Create()
{
    CreateOwned(*this);
}

void _base_f_success::CreateChildren()
{
    MakeChildren(*this, {&steps, &Static16, &success, &b_ok, &info});
}

void _base_f_success::_base_steps::Setup()
{
    name = "steps";
    caption = "Installer ";
    style = kChild | SS_NOTIFY | SS_RIGHT;
    Place(*this, 25.5, 3, 108, 21);
    Look(*this, "Verdana", 16);
    Colours(*this, 0, 0, RGB(0, 0, 255));
}
void _base_f_success::_base_steps::Create() { zWindow::Create(1); }

void _base_f_success::_base_Static16::Setup()
{
    name = "Static16";
    caption = "f_success_i_Static16";
    style = kIconStatic;
    Place(*this, 3, 3, 21, 21);
    Look(*this, "Monaco", 9);
    Colours(*this, 0, 15, kWhite);
}
void _base_f_success::_base_Static16::Create() { zWindow::Create(1); }

void _base_f_success::_base_success::Setup()
{
    name = "success";
    caption = "Setup successfully completed.";
    style = kChild | SS_NOTIFY | SS_CENTER;
    Place(*this, 3, 25.5, 130.5, 30);
    Look(*this, "Verdana", 10);
    Colours(*this, 0, 0, kWhite);
}
void _base_f_success::_base_success::Create() { zWindow::Create(1); }

void _base_f_success::_base_b_ok::Setup()
{
    name = "b_ok";
    caption = "Ok";
    style = kChild | WS_CLIPCHILDREN | WS_TABSTOP | BS_DEFPUSHBUTTON;
    Place(*this, 48, 63, 43.5, 13.5);
    Look(*this, "Verdana", 9);
    Colours(*this, 0, 0, kWhite);
}
void _base_f_success::_base_b_ok::Create() { zButton::Create(1); }

void _base_f_success::_base_info::Setup()
{
    name = "info";
    style = kChild | SS_NOTIFY;
    Place(*this, 3, 58.5, 132, 21);
    Look(*this, "Monaco", 9);
    Colours(*this, 0, 15, RGB(236, 233, 216));
}
void _base_f_success::_base_info::Create() { zWindow::Create(1); }
