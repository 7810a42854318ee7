#pragma once
// _base_Form1: the bridge's main form ("Parametri"). It stays hidden behind
// the tray icon, owns the service (settings, log, worker) and is the
// settings window when the user opens it.

#include "bridgeservice.h"
#include "menu1.h"

#include "zbars.h"
#include "zcontrols.h"
#include "zform.h"
#include "zicon.h"
#include "zimagelist.h"

#include <array>
#include <string>

// The program's four 16x16 icons: 0/1 status bar (running/ended),
// 2 service active, 3 service suspended or stopped. The list itself is made
// and filled when the main form is created.
class _base_icprogram : public zImageList {
public:
    _base_icprogram() { SetSize(); }
    void SetSize() override { width = height = 16; }
    void LoadImages() override;
    HICON Icon(int index) const;  // a new icon (destroy it), null without list
};

class _base_Form1 : public zForm, public ServiceView {
public:
    // The tray menu's commands; also accepted as WM_COMMAND, so a script or
    // another program can ask the bridge to quit or show itself.
    enum : int { CMD_OPEN = -4, CMD_EXIT = -5 };

    class _base_Button10 : public zButton { public: void Setup() override; void Create() override; void OnClick() override; };
    class _base_test : public zButton { public: void Setup() override; void Create() override; void OnClick() override; };
    class _base_offl : public zButton { public: void Setup() override; void Create() override; };
    class _base_xon : public zButton { public: void Setup() override; void Create() override; };
    class _base_sco : public zEdit { public: void Setup() override; void Create() override; void OnChange() override; };
    class _base_seek : public zButton { public: void Setup() override; void Create() override; void OnClick() override; };
    class _base_log : public zEdit { public: void Setup() override; void Create() override; };
    class _base_exten : public zEdit { public: void Setup() override; void Create() override; void OnChange() override; };
    class _base_portcom : public zComboBox { public: void Setup() override; void Create() override; void OnSelChange() override; };
    class _base_portbaud : public zComboBox { public: void Setup() override; void Create() override; void OnCreate(bool beginning) override; };
    class _base_tipo : public zComboBox { public: void Setup() override; void Create() override; void OnCreate(bool beginning) override; };
    class _base_Button16 : public zButton { public: void Setup() override; void Create() override; void OnClick() override; };
    class _base_back : public zButton { public: void Setup() override; void Create() override; };
    class _base_pping : public zButton { public: void Setup() override; void Create() override; void OnClick() override; };
    class _base_ip : public zIPAddress { public: void Setup() override; void Create() override; };
    class _base_rescan : public zButton { public: void Setup() override; void Create() override; void OnClick() override; };
    class _base_Group2 : public zButton { public: void Setup() override; void Create() override; };
    class _base_info : public zStatic { public: void Setup() override; void Create() override; };

    _base_Form1();
    ~_base_Form1() override;

    void Setup() override;
    void Create() override;
    void CreateChildren() override;
    void OnCreate(bool beginning) override;  // OnShow
    bool QueryClose() override;
    bool QueryEndSession(LPARAM lParam) override;
    void OnTrayNotify(WPARAM id, LPARAM mouseMessage) override;
    void OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnKeyDown(WPARAM* key, LPARAM lParam) override;
    bool OnRegisteredMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // The service. A load or a stop asked while another runs (from a message
    // its wait serves) runs after it.
    void LoadSettings();
    void OnSaveSettings();
    void StopService();
    void RequestQuit();
    bool WriteSettingsStore(const std::string& plainPath);
    void MakeTestReceipt();
    void OpenConfigEditor();
    void ShowLogFile();
    bool SaveConfigText(const std::string& text);
    void RescanPorts();
    void PortChanged();
    const BridgeSettings& Settings() const { return service_.Settings(); }
    BridgeService& Service() { return service_; }

    // ServiceView: called on the worker thread; the change is posted to
    // the GUI thread so the worker never waits for a window.
    void ShowServiceState(ServiceState state) override;

    zIcon& trayIcon = icon;

    _base_Button10 Button10;
    _base_test test;
    _base_offl offl;
    _base_xon xon;
    _base_sco sco;
    _base_seek seek;
    _base_log log;
    _base_exten exten;
    _base_portcom portcom;
    _base_portbaud portbaud;
    _base_tipo tipo;
    _base_Button16 Button16;
    _base_back back;
    _base_pping pping;
    _base_ip ip;
    _base_rescan rescan;
    _base_Group2 Group2;
    _base_info info;

private:
    enum class ServiceAction { None, Load, Stop };

    std::array<zWindow*, 18> Controls()
    {
        return {&Button10, &test, &offl, &xon, &sco, &seek, &log, &exten, &portcom,
                &portbaud, &tipo, &Button16, &back, &pping, &ip, &rescan, &Group2, &info};
    }
    void PublishWindow();
    void ShowTrayAtStart();
    void ApplyServiceState(ServiceState state);
    void SetTray(int iconIndex, const char* balloon, DWORD balloonFlags);
    void ShowValues();
    void RunServiceAction(ServiceAction action);
    void LoadNow();
    void Browse();
    HICON StatusIcon(int index);

    BridgeService service_;
    bool actionRunning_ = false;
    ServiceAction pendingAction_ = ServiceAction::None;  // the last one asked meanwhile
    UINT stateMessage_ = 0;
    HICON statusIcons_[2] = {};
};

extern _base_Form1* Form1;

// The program folder, ending in a backslash: the store and the plain
// settings file live there.
std::string ProgramFolder();
extern _base_icprogram* icprogram;
