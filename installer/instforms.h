#pragma once
// The installer's four forms: the full-screen background f_s2main (the
// main form), the destination dialog f_main, the progress window
// f_progress and the result window f_success.

#include "zcontrols.h"
#include "zform.h"

class _base_f_s2main : public zForm {
public:
    _base_f_s2main();
    void Create() override;
    void Setup() override;
    void OnCreate(bool beginning) override;
    bool OnNcLButtonDblClk(WPARAM hit, int x, int y) override;
    bool OnEraseBackground(zDC& dc) override;
    bool OnSysCommand(WPARAM command, int x, int y) override;
};

class _base_f_main : public zForm {
public:
    class _base_Static16 : public zStatic { public: void Setup() override; void Create() override; };
    class _base_Button5 : public zButton {
    public:
        void Setup() override;
        void Create() override;
        void OnClick() override;
    };
    class _base_dpath : public zEdit { public: void Setup() override; void Create() override; };
    class _base_b_ok : public zButton {
    public:
        void Setup() override;
        void Create() override;
        void OnClick() override;
    };
    class _base_info : public zStatic { public: void Setup() override; void Create() override; };
    class _base_instr : public zStatic { public: void Setup() override; void Create() override; };
    class _base_steps : public zStatic { public: void Setup() override; void Create() override; };

    _base_f_main();
    ~_base_f_main() override;
    void Create() override;
    void Setup() override;
    void OnCreate(bool beginning) override;
    void CreateChildren() override;
    bool QueryEndSession(LPARAM lParam) override;
    bool QueryClose() override;

    _base_Static16 Static16;
    _base_Button5 Button5;
    _base_dpath dpath;
    _base_b_ok b_ok;
    _base_info info;
    _base_instr instr;
    _base_steps steps;
};

class _base_f_progress : public zForm {
public:
    class _base_gauge : public zProgressBar { public: void Setup() override; void Create() override; };
    class _base_x : public zStatic { public: void Setup() override; void Create() override; };
    class _base_Static14 : public zStatic { public: void Setup() override; void Create() override; };
    class _base_steps : public zStatic { public: void Setup() override; void Create() override; };
    class _base_info : public zEdit { public: void Setup() override; void Create() override; };

    _base_f_progress();
    ~_base_f_progress() override;
    void Create() override;
    void Setup() override;
    void OnCreate(bool beginning) override;
    void CreateChildren() override;
    bool OnSysCommand(WPARAM command, int x, int y) override;

    _base_gauge gauge;
    _base_x x;
    _base_Static14 Static14;
    _base_steps steps;
    _base_info info;
};

class _base_f_success : public zForm {
public:
    class _base_steps : public zStatic { public: void Setup() override; void Create() override; };
    class _base_Static16 : public zStatic { public: void Setup() override; void Create() override; };
    class _base_success : public zStatic { public: void Setup() override; void Create() override; };
    class _base_b_ok : public zButton {
    public:
        void Setup() override;
        void Create() override;
        void OnClick() override;
    };
    class _base_info : public zStatic { public: void Setup() override; void Create() override; };

    _base_f_success();
    ~_base_f_success() override;
    void Create() override;
    void Setup() override;
    void OnCreate(bool beginning) override;
    void CreateChildren() override;

    _base_steps steps;
    _base_Static16 Static16;
    _base_success success;
    _base_b_ok b_ok;
    _base_info info;
};

extern _base_f_s2main* f_s2main;
extern _base_f_main* f_main;
extern _base_f_progress* f_progress;
extern _base_f_success* f_success;

// Makes the four form objects (no windows yet); the application deletes them.
void MakeInstallerForms();
// Shows the background and the destination dialog and creates the hidden
// result window.
void StartForms();

// The flow (instflow.cpp).
xstring FormatNow();
// The texts of the user's language: English when the list says so.
const char* Text(const char* english, const char* italian);
void ChooseDestinationFolder();
void RunOkAction();
void RunWithoutDestination();
// Shows the result text, waits for the result window, writes the last log
// lines and closes the main form.
void FinishInstall(bool success);
