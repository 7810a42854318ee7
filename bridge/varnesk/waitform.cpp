#include "waitform.h"

#include "form1.h"
#include "formlook.h"

#include "linklock.h"

#include "zgenerated.h"
#include "xsystem.h"
#include "xwait.h"

#include <commctrl.h>

_base_f_waitfor* f_waitfor = nullptr;

bool CallLinkServed(const std::function<void()>& call)
{
    LinkLock& lock = LinkLibraryLock();
    if (!lock.try_lock()) {
        const bool shown = f_waitfor->IsLive() && IsWindowVisible(f_waitfor->Handle());
        if (!shown)
            f_waitfor->Show(SW_RESTORE);
        const DWORD waited = xpumpwait(lock.Handle(), INFINITE, nullptr);
        if (!shown)
            f_waitfor->Close();
        if (waited != XWAIT_SIGNALLED)
            return false;
    }
    std::lock_guard<LinkLock> hold(lock, std::adopt_lock);
    call();
    return true;
}

_base_f_waitfor::_base_f_waitfor() : zForm(ZFORMCLASS)
{
    SetupControls(Controls());
    Setup();
}

void _base_f_waitfor::Setup()
{
    name = "f_waitfor";
    caption = "Attende prego...";
    style = 0x84000000;
    exStyle = WS_EX_TOOLWINDOW;
    zSetDialogBounds(*this, 133.5, 132.5, 243, 55);
    pictureFlags |= ZPIC_CENTERSCREEN;
    brushColour = 0xFFF5EC;
    textColour = 0;
    Look(*this, "Verdana", -11, 700);
    kind = ZK_TOPLEVEL;
}

void _base_f_waitfor::Create()
{
    parent = Form1;
    zForm::_create_();
}

void _base_f_waitfor::CreateChildren()
{
    CreateControls(*this, Controls());
}

void _base_f_waitfor::OnCreate(bool beginning)
{
    if (beginning) {
        exStyle |= WS_EX_TOPMOST;
        ApplyStyle(false);
        return;
    }
    SetForeground();
    info.SetText("ELABORAZIONE IN CORSO...");
    info2.SetText("ATTENDERE PREGO.");
    gauge.SetMarquee(true);
}

void _base_f_waitfor::_base_info2::Setup()
{
    name = "info2";
    caption = "ATTENDERE PREGO";
    style = 0x54000101;
    zSetDialogBounds(*this, 34.5, 1.5, 237, 13);
    textColour = 0xFFFFFF;
    brushColour = textBackColour = 0x804000;
    Look(*this, "Segoe UI", -15, 700);
}
void _base_f_waitfor::_base_info2::Create() { zWindow::Create(1); }

void _base_f_waitfor::_base_gauge::Setup()
{
    name = "gauge";
    style = 0x54000000;
    zSetDialogBounds(*this, 19.5, 27, 184.5, 9);
    textColour = 0xFF8000;
    brushColour = COLOR_WINDOW;
}
void _base_f_waitfor::_base_gauge::Create()
{
    zWindow::Create(1);
    if (!IsLive())
        return;
    // The bar's colours on the progress control itself: background, then bar.
    SendMessageA(hwnd, PBM_SETBKCOLOR, 0, LPARAM(xsys().SysColor(brushColour)));
    SendMessageA(hwnd, PBM_SETBARCOLOR, 0, LPARAM(xsys().SysColor(textColour)));
}

void _base_f_waitfor::_base_info::Setup()
{
    name = "info";
    caption = "Elaborazione in corso...";
    style = 0x54000181;
    zSetDialogBounds(*this, 0, 3, 237, 10.5);
    textColour = 0;
    brushColour = textBackColour = 0xD0CD8C;
    Look(*this, "Segoe UI", -15, 700);
}
void _base_f_waitfor::_base_info::Create() { zWindow::Create(1); }

void _base_f_waitfor::_base_stop::Setup()
{
    name = "stop";
    caption = "stop";
    style = 0x44010000;
    zSetDialogBounds(*this, 18, 213, 22.5, 12);
    brushColour = COLOR_BTNFACE;
    Look(*this, "Calibri", -11, 400);
}
void _base_f_waitfor::_base_stop::Create() { zButton::Create(1); }
