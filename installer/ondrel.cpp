// ONDREL: the installer. Reads its list file, asks for the destination
// folder, installs the listed components and reports the result.

#include "installlist.h"
#include "instance.h"
#include "instforms.h"

#include "zapplication.h"
#include "xevent.h"
#include "xexceptions.h"

#include <windows.h>

namespace {

LONG WINAPI EndQuietly(EXCEPTION_POINTERS*)
{
    return EXCEPTION_EXECUTE_HANDLER;
}

// The forms exist (without windows) before the entry runs; the application
// deletes them at its exit.
struct ProgramObjects {
    ProgramObjects()
    {
        // Before the first kernel object (the single-instance lock event):
        // none may be inherited by the programs the installer starts.
        xsetplainsecurity(true);
        installList();
        setupInstanceMemory();
        MakeInstallerForms();
    }
} g_objects;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int show)
{
    SetUnhandledExceptionFilter(EndQuietly);
    zApplication& app = zApp();
    if (app.Init(instance, previous, show)) {
        try {
            if (ReadInstallList()) {
                StartForms();
                PublishMainWindow();
                app.Run();
                KillTimer(zMainForm && zMainForm->IsLive() ? zMainForm->hwnd : nullptr, 2);
            }
        } catch (...) {
            zExceptionRecord() = xexceptions("MODULE NAME:" + app.GetModuleName(), 0, 0);
            zExceptionRecord().Show();
        }
    }
    app.Exit();
    return app.exitCode;
}
