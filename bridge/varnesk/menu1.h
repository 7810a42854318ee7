#pragma once
// _base_Menu1: the main form's menu bar over the resource "MENU1": the log,
// the log and shared folders, the service's Stop and Start, the guide and
// the about box.

#include "zmenu.h"

class _base_Menu1 : public zMenuRes {
public:
    class _base_idm_logf : public zMenuItemRes {
    public:
        _base_idm_logf() : zMenuItemRes(0, 0, 1001) {}
        void OnClick() override;
    };
    class _base_idm_log : public zMenuItemRes {
    public:
        _base_idm_log() : zMenuItemRes(0, 2, 1003) {}
        void OnClick() override;
    };
    class _base_idm_con : public zMenuItemRes {
    public:
        _base_idm_con() : zMenuItemRes(0, 3, 1004) {}
        void OnClick() override;
    };
    class _base_idm_stop : public zMenuItemRes {
    public:
        _base_idm_stop() : zMenuItemRes(1, 0, 1006) {}
        void OnClick() override;
    };
    class _base_idm_start : public zMenuItemRes {
    public:
        _base_idm_start() : zMenuItemRes(1, 1, 1007) {}
        void OnClick() override;
    };
    class _base_idm_man : public zMenuItemRes {
    public:
        _base_idm_man() : zMenuItemRes(0, 0, 1009) {}
        void OnClick() override;
    };
    class _base_idm_abo : public zMenuItemRes {
    public:
        _base_idm_abo() : zMenuItemRes(0, 1, 1010) {}
        void OnClick() override;
    };

    _base_Menu1();

    zMenuItemRes* FindItem(int number) override { return ItemFor(number); }
    bool OnCommand(int identifier) override;
    void OnMenuSelect(HWND, WPARAM wParam, LPARAM lParam) override { ShowHint(wParam, lParam); }

    zMenuItemRes idm_fi{16, 0, 1};
    _base_idm_logf idm_logf;
    _base_idm_log idm_log;
    _base_idm_con idm_con;
    zMenuItemRes idm_att{16, 1, 2};
    _base_idm_stop idm_stop;
    _base_idm_start idm_start;
    zMenuItemRes idm_help{16, 2, 3};
    _base_idm_man idm_man;
    _base_idm_abo idm_abo;
};

extern _base_Menu1* Menu1;
