#pragma once
// The running VARNESK.exe with its settings window, driven from outside as
// a user drives it: its buttons, edits, lists and address control, the
// menu commands and the message boxes it raises.

#include "varnesk_probe.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

class VarneskWindow {
public:
    // Edits and lists by their place on the form, top to bottom.
    enum { kSco = 0, kLog = 1, kExten = 2 };
    enum { kPortcom = 0, kPortbaud = 1, kTipo = 2 };
    static const DWORD kStartMs = 60000;
    static const DWORD kWindowMs = 20000;

    // Started from `folder` with `ini` as its plain settings file.
    VarneskWindow(const std::string& folder, const std::string& ini)
    {
        WriteVarneskIni(folder, ini);
        process_.reset(new VarneskProcess(folder));
        if (process_->Started())
            main_ = VarneskMainOf(process_->Pid(), kStartMs);
    }

    VarneskProcess& Process() { return *process_; }
    DWORD Pid() const { return process_->Pid(); }
    HWND Main() const { return main_; }
    bool Running() const { return main_ && WaitFor([&] { return ServiceRunning(main_); }, 30000); }
    // A menu or tray command, as the form receives it.
    void Command(int id) const { PostMessageA(main_, WM_COMMAND, MAKEWPARAM(WORD(id), 0), 0); }
    // The tray menu's "Apri".
    bool Open() const
    {
        Command(-4);
        return WaitFor([&] { return IsWindowVisible(main_) != FALSE; }, kWindowMs);
    }
    HWND Button(const char* caption) const { return FindWindowExA(main_, nullptr, "Button", caption); }
    HWND Edit(int index) const { return ChildAt("Edit", index); }
    HWND List(int index) const { return ChildAt("ComboBox", index); }
    HWND Address() const { return FindWindowExA(main_, nullptr, WC_IPADDRESSA, nullptr); }
    MessageBoxSeen Box(DWORD ms) const { return WaitMessageBox(Pid(), ms); }
    // The wait form, when it is up.
    HWND WaitForm(DWORD ms) const { return WindowOf(Pid(), "MOVIRform", "Attende prego...", nullptr, ms); }

private:
    HWND ChildAt(const char* cls, int index) const
    {
        std::vector<HWND> all = ChildrenByTop(main_, cls);
        return index < int(all.size()) ? all[size_t(index)] : nullptr;
    }

    std::unique_ptr<VarneskProcess> process_;
    HWND main_ = nullptr;
};
