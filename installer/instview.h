#pragma once
// What the installation steps show and read on the installer's forms, and
// the install log. The forms give the real view; without one the steps run
// with nothing shown (and an empty destination).

#include "xfile.h"
#include "xstring.h"

#include <windows.h>

class InstallView {
public:
    virtual ~InstallView() = default;
    // The destination as the user's field holds it now.
    virtual xstring Destination() { return xstring(); }
    virtual void ShowProgress() {}
    virtual void CloseProgress() {}
    virtual void SetProgressRange(int low, int high) { (void)low, (void)high; }
    virtual void SetProgressPosition(int position) { (void)position; }
    virtual void SetStepText(const char* text) { (void)text; }
    // Appends at the end of the progress notes; false when they do not exist.
    virtual bool AppendNotes(const char* text) { return (void)text, false; }
    // Part 4 of the main form's status bar.
    virtual void SetStatusText(const char* text) { (void)text; }
    // Owner of the shell's copy dialogs.
    virtual HWND OwnerWindow() { return nullptr; }
};

InstallView& installView();
// The view of the following steps; null gives back the empty view.
void SetInstallView(InstallView* view);

// The install log "instlog.txt" (opened by the main form's flow).
xfile& installLog();
// Appends one text to the log; nothing happens while the log is not open.
void LogWrite(const char* text);
// A log line: the text and "\r\n".
void LogLine(const char* text);
// A line in the progress notes (after a line break) and in the log.
void ShowLine(const char* text);
