// The flow of one installation through the forms: the destination dialog,
// the install log, the engine, the group, the result window and the end.

#include "instforms.h"

#include "installlist.h"
#include "instengine.h"
#include "instfiles.h"
#include "instshell.h"
#include "instview.h"

#include "zapplication.h"
#include "zbrowse.h"
#include "xexceptions.h"
#include "xsystem.h"

#include <commctrl.h>

namespace {

const char* const kInstructionsEn =
    "Enter the folder path you want to install the application.\nYou may use the belove right "
    "button ... to search for a well known folder.";
const char* const kInstructionsIt =
    "Immetti il percorso dove installare il programma.\nPuoi utilizzare il pulsante in basso a "
    "destra ... per cercare un percorso preciso.";

// The engine's view of the forms.
class FormsView : public InstallView {
public:
    xstring Destination() override { return f_main ? f_main->dpath.GetText() : xstring(); }
    void ShowProgress() override
    {
        if (f_progress)
            f_progress->zWindow::Show(SW_RESTORE);
    }
    void CloseProgress() override
    {
        if (f_progress)
            f_progress->Close();
    }
    void SetProgressRange(int low, int high) override
    {
        if (f_progress && f_progress->gauge.IsLive())
            SendMessageA(f_progress->gauge.hwnd, PBM_SETRANGE32, WPARAM(low), LPARAM(high));
    }
    void SetProgressPosition(int position) override
    {
        if (f_progress && f_progress->gauge.IsLive())
            SendMessageA(f_progress->gauge.hwnd, PBM_SETPOS, WPARAM(position), 0);
    }
    void SetStepText(const char* text) override
    {
        if (f_progress)
            f_progress->steps.SetText(text);
    }
    bool AppendNotes(const char* text) override
    {
        if (!f_progress || !f_progress->info.IsLive())
            return false;
        HWND notes = f_progress->info.hwnd;
        int end = GetWindowTextLengthA(notes);
        SendMessageA(notes, EM_SETSEL, WPARAM(end), LPARAM(end));
        SendMessageA(notes, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
        return true;
    }
    void SetStatusText(const char* text) override
    {
        if (f_s2main && f_s2main->statusBar)
            f_s2main->SetStatusText(4, text);
    }
    HWND OwnerWindow() override { return zMainForm ? zMainForm->Handle() : nullptr; }
};

FormsView g_formsView;

int Box(const char* english, const char* italian, const char* caption, UINT style)
{
    return xsys().MessageBox(Text(english, italian), caption, style);
}

void FolderNotCreated()
{
    Box("Cannot create the new folder.", "Impossibile creare il percorso", "Fatal", MB_ICONHAND);
    f_main->dpath.SetForeground();
    f_main->dpath.SetFocus();
}

// The destination as the OK action takes it; false when the user stays.
bool AcceptDestination()
{
    xsystem& sys = xsys();
    zEdit& dpath = f_main->dpath;
    if (dpath.IsTextBlank()) {
        Box("Destination folder is mandatory!", "Il percorso di destinazione è obbligatorio",
            "Warning", MB_ICONQUESTION);
        dpath.SetFocus();
        return false;
    }
    dpath.SetText(dpath.GetText().Trim());
    if (sys.FileExistsIn(dpath.GetText(), "*"))
        return true;
    if (Box("The folder does not exist.\nDo you want to create it?",
            "Il percorso non esiste. Vuoi Crearlo?", "Warning",
            MB_YESNO | MB_ICONQUESTION) != IDYES) {
        dpath.SetFocus();
        return false;
    }
    if (sys.CreateFolder(dpath.GetText()))
        return true;
    FolderNotCreated();
    return false;
}

void OpenInstallLog(const xstring& folder)
{
    try {
        xfile& log = installLog();
        log.Close();
        log.SetName(folder + "\\instlog.txt");
        log.SetDisposition(CREATE_ALWAYS);
        log.Create();
        log.WriteString("Setup start " + FormatNow() + "\r\n");
    } catch (...) {
    }
}

bool ChangeFolder(const char* folder)
{
    try {
        return xsys().ChangeFolder(folder);
    } catch (const xexceptions&) {
        return false;
    }
}

// The list's extra folder below the destination; false when it cannot be
// made (the dialog comes back so that the user can choose another place).
bool EnterExtraPath()
{
    const xstring extra = installList().extraPath;
    if (extra.IsBlank())
        return true;
    xsystem& sys = xsys();
    if (!sys.FileExistsIn(extra, "*") && !sys.CreateFolder(extra)) {
        f_main->zWindow::Show(SW_SHOWNORMAL);
        FolderNotCreated();
        return false;
    }
    f_main->dpath.SetText(f_main->dpath.GetText() + "\\" + extra);
    ChangeFolder(extra);
    ChangeFolder(f_main->dpath.GetText());
    return true;
}

}  // namespace

const char* Text(const char* english, const char* italian)
{
    return installList().English() ? english : italian;
}

xstring FormatNow()
{
    return xsys().DateString(6) + " " + xsys().TimeString(3);
}

void ChooseDestinationFolder()
{
    zFolderSearchDialog dialog;
    dialog.owner = f_main->Handle();
    dialog.path.Split(f_main->dpath.GetText() + "\\");
    if (!dialog.DoModal())
        return;
    xstring chosen = dialog.pathText;
    if (chosen.Right(1) == "\\")
        chosen = chosen.Mid(0, chosen.Length() - 1);
    f_main->dpath.SetText(chosen + "\\" + xpath(installList().destination).GetName());
}

void FinishInstall(bool success)
{
    if (f_success) {
        // Made first: its opening puts its own greeting into the result text.
        if (!f_success->IsLive())
            f_success->Create();
        f_success->success.SetText(success ? Text("Setup successfully completed.",
                                                  "Installazione terminata con successo.")
                                           : Text("Setup not completed.",
                                                  "ATTENZIONE!\nINSTALLAZIONE TERMINATA SENZA "
                                                  "SUCCESSO."));
        f_success->Show(SW_RESTORE);
    }
    LogLine(success ? "Setup successfully completed." : "Setup not completed");
    LogLine("End setup " + FormatNow());
    if (zMainForm)
        zMainForm->Close();
}

void RunOkAction()
{
    // A second OK still queued for the dialog (hidden by the first) would
    // start another installation inside this one.
    static bool running = false;
    if (running)
        return;
    struct Running {
        Running() { running = true; }
        ~Running() { running = false; }
    } guard;
    if (!AcceptDestination())
        return;
    f_main->Hide();
    xstring destination = f_main->dpath.GetText();
    ChangeFolder(destination);
    OpenInstallLog(destination);
    if (!EnterExtraPath())
        return;
    SetInstallView(&g_formsView);
    bool success = RunInstall() && CreateProgramGroup();
    if (success)
        SetTreeAttributes(f_main->dpath.GetText());
    FinishInstall(success);
}

void RunWithoutDestination()
{
    SetInstallView(&g_formsView);
    FinishInstall(RunInstall());
}

// --- event handlers ----------------------------------------------------------

void _base_f_main::OnCreate(bool beginning)
{
    if (beginning || !IsLive())
        return;
    instr.SetText(Text(kInstructionsEn, kInstructionsIt));
    dpath.SetText(installList().destination);
    dpath.SetFocus();
    if (installList().destination.IsBlank())
        RunWithoutDestination();
}

bool _base_f_main::QueryEndSession(LPARAM)
{
    if (zMainForm)
        zMainForm->Close();
    return true;
}

// Closed by the user (close box, Alt+F4) while no installation runs: the
// background refuses every system command, so the installer ends here.
bool _base_f_main::QueryClose()
{
    if (zMainForm && zMainForm->IsLive() && !zMainForm->closing)
        PostMessageA(zMainForm->hwnd, WM_CLOSE, 0, 0);
    return true;
}

void _base_f_main::_base_Button5::OnClick()
{
    ChooseDestinationFolder();
}

void _base_f_main::_base_b_ok::OnClick()
{
    RunOkAction();
}

void _base_f_progress::OnCreate(bool beginning)
{
    if (!beginning && IsLive() && !installList().English())
        info.SetText("Installazione dei componenti.");
}

void _base_f_success::OnCreate(bool beginning)
{
    if (!beginning && IsLive() && !installList().English())
        success.SetText("Installazione portata a termine con successo");
}

void _base_f_success::_base_b_ok::OnClick()
{
    if (zMainForm)
        zMainForm->Close();
}
