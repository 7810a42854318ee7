#pragma once
// _base_Form2 ("INI file"): the modal text window over a Scintilla editor.
// It is the hidden configuration editor (the deciphered settings store,
// coloured as INI text, stored back enciphered) and the log viewer (the
// day's log, read-only). F3 and Ctrl+F3 search through the find dialog.

#include "zcontrols.h"
#include "zform.h"
#include "xstring.h"

#include <string>

// The editor control: its text, its undo history and the change flag of
// the form.
class MYSCINTILLA : public zScintilla {
public:
    void Setup() override;
    void Create() override;
    void OnChange() override;

    xstring GetText();   // the whole text; empty when it cannot be held
    void ResetHistory();  // unmodified for the control, nothing to undo
    void LoadText(const std::string& text);
    LRESULT Call(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
};

class _base_Form2 : public zForm {
public:
    _base_Form2();
    void Setup() override;
    void Create() override;
    void OnCreate(bool beginning) override;
    bool QueryClose() override;
    void OnKeyDown(WPARAM* key, LPARAM lParam) override;
    void OnActivate(WPARAM wParam, LPARAM lParam) override;
    bool OnSetFocus(HWND previous) override;
    void OnSize(WPARAM type, int width, int height) override;

    // The two uses; both show the form modally and return when it closes.
    // OpenConfig answers the text to store, or false when nothing is to be
    // stored (no change, or the user said "No").
    bool OpenConfig(const std::string& text, std::string* edited);
    void OpenLog(const std::string& text);

    MYSCINTILLA editor;
    unsigned char modified = 0;

private:
    void PrepareWindow();
    void ColourAsIni();

    bool asking_ = false;     // the configuration editor asks on close
    bool store_ = false;      // the user chose to store the edits
    std::string edited_;
};

extern _base_Form2* Form2;
