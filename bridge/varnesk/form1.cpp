// The main form's service side: creation at start-up (published handle,
// tray icon, settings import and load), the settings load and save, the
// Stop action, the quit path and the service states the worker reports.

#include "form1.h"

#include "formlook.h"
#include "linklock.h"
#include "published.h"
#include "settingsstore.h"
#include "waitform.h"

#include "zapplication.h"
#include "xsharedmemory.h"
#include "xsystem.h"

#include <windows.h>
#include <commctrl.h>

namespace {

const char* const kTrayText = "VELK ECR Protocol";
const DWORD kTrayRetryMs = 100;

// One slice of a wait that must keep the windows alive: sleeps until a
// message arrives or the slice ends, then serves what came.
void PumpSlice(DWORD ms)
{
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
    zApp().DoEvents();
}

}  // namespace

_base_Form1* Form1 = nullptr;

std::string ProgramFolder()
{
    return zApp().GetFolder().c_str();
}

_base_Form1::_base_Form1() : zForm(ZFORMCLASS), service_(this)
{
    SetupControls(Controls());
    Setup();
    stateMessage_ = RegisterWindowMessageA("VARNESK_SERVICE_STATE");
}

_base_Form1::~_base_Form1()
{
    // The worker reports to this form: it ends before the form goes.
    service_.Quit();
    trayIcon.RemoveFromTray();
    for (HICON& i : statusIcons_)
        if (i)
            DestroyIcon(i);
}

void _base_Form1::Create()
{
    menu = Menu1;
    parent = nullptr;
    zForm::_create_();
    if (toolPager)
        toolPager->SetButtonStep(30);
}

void _base_Form1::OnCreate(bool beginning)
{
    if (beginning)
        return;
    PublishWindow();
    ShowTrayAtStart();
    ecrlink::Version();  // read now, before a worker can hold the line
    rescan.Click();
    WriteSettingsStore(ProgramFolder() + "ECR.INI");
    LoadSettings();
    info.SetText("Versione 1.6 del 18/01/2013");
}

// The single-instance memory gets this window, so a second start sees a
// live bridge and ends.
void _base_Form1::PublishWindow()
{
    try {
        xsharedmemory memory("SM_VARNESK");
        memory.SetShow(0);
        memory.SetThrow(0);
        if (memory.Open() && memory.GetData())
            *static_cast<HWND*>(memory.GetData()) = Handle();
    } catch (...) {
        // Without it a second start is simply not blocked.
    }
}

void _base_Form1::ShowTrayAtStart()
{
    trayIcon.id = kVarneskTrayId;
    HICON picture = icprogram ? icprogram->Icon(2) : nullptr;
    trayIcon.SetIcon(picture);
    ApplyIcon();
    Invalidate(nullptr, true);
    trayIcon.tip = kTrayText;
    trayIcon.balloonTitle = kTrayText;
    trayIcon.balloonText = "Servizio Attivato";
    trayIcon.owner = Handle();
    // The notification area may not be up yet at log-on: retry without
    // spinning, keeping the windows served.
    while (!trayIcon.IsShown()) {
        if (trayIcon.ShowInTray())
            break;
        PumpSlice(kTrayRetryMs);
    }
}

// The store is always the one in the program folder, wherever the plain
// file lies.
bool _base_Form1::WriteSettingsStore(const std::string& plainPath)
{
    return SettingsStore(ProgramFolder()).Write(plainPath);
}

// The fields just read; a stored port that is no longer present falls back
// to the network, for the window and for the service alike.
void _base_Form1::ShowValues()
{
    const BridgeSettings& s = service_.Settings();
    sco.SetText(s.Cartella.c_str());
    log.SetText(s.logFolder.c_str());
    ip.SetText(s.EcrIp.c_str());
    // Some IP-address controls (Wine's) ignore the text: set the address
    // itself. One that is no dotted address (empty included) shows blank,
    // never the address loaded before.
    if (!ip.SetAddressText(s.EcrIp.c_str()) && ip.IsLive())
        SendMessageA(ip.Handle(), IPM_CLEARADDRESS, 0, 0);
    tipo.SetCurSel(s.Proto);
    if (portcom.SelectByValue(s.Port) < 0) {
        portcom.SetCurSel(0);
        service_.UseNetwork();
    }
    portcom.NotifyParent();
    if (portbaud.SelectByValue(s.Baud) < 0)
        portbaud.SetCurSel(-1);
    exten.SetText(s.Ext.c_str());
    offl.SetCheck(s.Offline == 1 ? BST_CHECKED : BST_UNCHECKED);
    back.SetCheck(s.Backup == 1 ? BST_CHECKED : BST_UNCHECKED);
    xon.SetCheck((s.Level & 1) ? BST_CHECKED : BST_UNCHECKED);
}

void _base_Form1::LoadSettings()
{
    RunServiceAction(ServiceAction::Load);
}

void _base_Form1::StopService()
{
    RunServiceAction(ServiceAction::Stop);
}

// One load or stop at a time: a nested one would end or start workers under
// the wait of the one it interrupts. Of those asked meanwhile the last
// counts, as it supersedes the others.
void _base_Form1::RunServiceAction(ServiceAction action)
{
    if (actionRunning_) {
        pendingAction_ = action;
        return;
    }
    struct Running {
        _base_Form1& form;
        explicit Running(_base_Form1& f) : form(f) { form.actionRunning_ = true; }
        ~Running()
        {
            form.actionRunning_ = false;
            form.pendingAction_ = ServiceAction::None;
        }
    } running(*this);
    while (action != ServiceAction::None && !service_.QuitRequested() && IsLive()) {
        if (action == ServiceAction::Load)
            LoadNow();
        else
            service_.Stop();
        action = pendingAction_;
        pendingAction_ = ServiceAction::None;
    }
}

void _base_Form1::LoadNow()
{
    // A copy that cannot be written is refused like bad settings: the one
    // left by an earlier load holds other settings than the store.
    const std::string copy = SettingsStore(ProgramFolder()).WriteLoadCopy();
    if (copy.empty())
        return;
    service_.ReadSettings(copy);
    ShowValues();
    // A quit accepted while the old worker ends ends the load as well, and
    // so does a Stop asked meanwhile: it would end the new worker at once.
    WaitFormProgress progress;
    LoadResult result = service_.Start(copy, &progress, [this] {
        return IsLive() && !closing && pendingAction_ != ServiceAction::Stop;
    });
    if (result == LoadResult::NoCommands) {
        service_.RequestQuit();
        Close();
    }
}

void _base_Form1::RequestQuit()
{
    service_.RequestQuit();
    Close();
}

bool _base_Form1::QueryClose()
{
    if (!service_.QuitRequested()) {
        Hide();
        return false;
    }
    service_.Quit();
    return true;
}

bool _base_Form1::QueryEndSession(LPARAM)
{
    service_.RequestQuit();
    return true;
}

void _base_Form1::OnTrayNotify(WPARAM id, LPARAM mouseMessage)
{
    if (IsLive() && IsWindowVisible(hwnd))
        return;
    if (id != kVarneskTrayId || mouseMessage != WM_RBUTTONDOWN)
        return;
    SetForegroundWindow(hwnd);
    zPopupMenu popup;
    popup.Create();
    popup.Append("Apri", UINT_PTR(CMD_OPEN), MF_STRING);
    popup.Append("", 0, MF_SEPARATOR);
    popup.Append("Esci", UINT_PTR(CMD_EXIT), MF_STRING);
    popup.owner = hwnd;
    popup.trackFlags = TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON;
    int chosen = popup.Track();
    if (chosen == CMD_EXIT)
        RequestQuit();
    else if (chosen == CMD_OPEN)
        zForm::Show(SW_RESTORE);
}

void _base_Form1::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (lParam != 0)
        return;
    short command = short(LOWORD(wParam));
    if (command == CMD_EXIT)
        PostMessageA(hwnd, stateMessage_, WPARAM(-1), 0);  // quit outside the command
    else if (command == CMD_OPEN)
        zForm::Show(SW_RESTORE);
}

void _base_Form1::OnKeyDown(WPARAM* key, LPARAM)
{
    if (key && *key == VK_F11 && (GetKeyState(VK_CONTROL) & 0x8000) && (GetKeyState(VK_SHIFT) & 0x8000))
        OpenConfigEditor();
}

void _base_Form1::ShowServiceState(ServiceState state)
{
    HWND window = Handle();
    if (window)
        PostMessageA(window, stateMessage_, WPARAM(state), 0);
}

bool _base_Form1::OnRegisteredMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != stateMessage_)
        return zForm::OnRegisteredMessage(msg, wParam, lParam);
    if (wParam == WPARAM(-1))
        RequestQuit();
    else
        ApplyServiceState(ServiceState(wParam));
    return true;
}

void _base_Form1::SetTray(int iconIndex, const char* balloon, DWORD balloonFlags)
{
    trayIcon.SetIcon(icprogram ? icprogram->Icon(iconIndex) : nullptr);
    ApplyIcon();
    Invalidate(nullptr, true);
    trayIcon.balloonText = balloon;
    trayIcon.balloonFlags = balloonFlags;
    if (!trayIcon.ShowInTray())
        Shell_NotifyIconA(NIM_MODIFY, &trayIcon.record);  // already there: update it
}

// The status bar keeps showing the icon it was given: one copy each, kept
// until the form goes.
HICON _base_Form1::StatusIcon(int index)
{
    if (!statusIcons_[index] && icprogram)
        statusIcons_[index] = icprogram->Icon(index);
    return statusIcons_[index];
}

void _base_Form1::ApplyServiceState(ServiceState state)
{
    switch (state) {
    case ServiceState::Running:
        SetTray(2, "Servizio ATTIVATO", NIIF_INFO);
        SetStatusText(4, "Servizio Attivo", StatusIcon(0));
        Menu1->idm_stop.Enable();
        Menu1->idm_start.Disable();
        break;
    case ServiceState::Suspended:
        SetTray(3, "Servizio SOSPESO", NIIF_WARNING);
        break;
    case ServiceState::Resumed:
        SetTray(2, "Servizio ATTIVATO", NIIF_INFO);
        break;
    case ServiceState::Ended:
        SetStatusText(4, "Servizio Disattivato", StatusIcon(1));
        Menu1->idm_stop.Disable();
        Menu1->idm_start.Enable();
        SetTray(3, "Servizio DISATTIVATO", NIIF_ERROR);
        break;
    }
    if (menu && IsLive())
        DrawMenuBar(hwnd);
}
