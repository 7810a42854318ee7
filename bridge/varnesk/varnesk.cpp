// VARNESK: the receipt bridge program. One instance per machine, hidden
// behind its tray icon; the main form runs the service that carries the
// shared folder's receipts to the register.

#include "form1.h"
#include "menu1.h"
#include "waitform.h"

#include "zapplication.h"
#include "xexceptions.h"
#include "xsharedmemory.h"

#include <windows.h>
#include <commctrl.h>

namespace {

xsharedmemory g_instance("SM_VARNESK");

// The objects of the whole run, made before the program entry runs. The
// forms join the application's list, which deletes them at the end.
struct ProgramObjects {
    ProgramObjects()
    {
        icprogram = new _base_icprogram;
        Menu1 = new _base_Menu1;
        Form1 = new _base_Form1;
        f_waitfor = new _base_f_waitfor;
        zApp().imageList = icprogram;
        zApp().SetInstanceMemory(&g_instance);
    }
    ~ProgramObjects()
    {
        delete Menu1;
        Menu1 = nullptr;
        delete icprogram;
        icprogram = nullptr;
    }
} g_objects;

}  // namespace

_base_icprogram* icprogram = nullptr;

void _base_icprogram::LoadImages()
{
    AddIcon("icprogram0");
    AddIcon("icprogram1");
    AddIcon("icprogram2");
    AddIcon("icprogram3");
}

HICON _base_icprogram::Icon(int index) const
{
    return list ? ImageList_GetIcon(list, index, 0) : nullptr;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int show)
{
    zApplication& app = zApp();
    if (app.Init(instance, previous, show)) {
        try {
            if (app.IsFirstInstance()) {
                zMainForm = Form1;
                app.CreateMainForm();
                app.Run();
                KillTimer(Form1 && Form1->IsLive() ? Form1->hwnd : nullptr, 2);
            }
        } catch (...) {
            zExceptionRecord() = xexceptions("MODULE NAME:" + app.GetModuleName(), 0, 0);
            zExceptionRecord().Show();
        }
    }
    app.Exit();
    return app.exitCode;
}
