#pragma once
// f_waitfor: the small borderless, topmost window that asks the user to
// wait while the GUI thread is busy, with a marquee progress bar.

#include "commandconfig.h"

#include "zcontrols.h"
#include "zform.h"

#include <array>
#include <functional>

class _base_f_waitfor : public zForm {
public:
    class _base_info2 : public zStatic { public: void Setup() override; void Create() override; };
    class _base_gauge : public zProgressBar { public: void Setup() override; void Create() override; };
    class _base_info : public zStatic { public: void Setup() override; void Create() override; };
    class _base_stop : public zButton { public: void Setup() override; void Create() override; };

    _base_f_waitfor();
    void Setup() override;
    void Create() override;
    void CreateChildren() override;
    void OnCreate(bool beginning) override;  // OnShow

    _base_info2 info2;
    _base_gauge gauge;
    _base_info info;
    _base_stop stop;

private:
    std::array<zWindow*, 4> Controls() { return {&info2, &gauge, &info, &stop}; }
};

extern _base_f_waitfor* f_waitfor;

// The wait form up while the command configuration is read.
class WaitFormProgress : public LoadProgress {
public:
    void Begin() override { f_waitfor->Show(SW_RESTORE); }
    void End() override { f_waitfor->Close(); }
};

// Runs a link call on the window's thread. While the worker holds the link
// (a register holding XOFF keeps its close waiting for minutes) the wait
// form is up and the thread's messages are served. False, with nothing
// called, when the program quits meanwhile.
bool CallLinkServed(const std::function<void()>& call);
