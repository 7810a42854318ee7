// A small program on the framework, started by the tests: it reports what
// the application object found at start-up into "<module>.out" in its
// folder, shows a main form, and ends by the rule its first argument names:
//   quit N      post a quit with code N after start-up
//   close       close the main form (its placement is saved)
//   stay        keep running until its window gets WM_CLOSE
// Without arguments (a CGI start) it quits with 0 unless ZWINAPP_MODE says otherwise.
#include "zapplication.h"
#include "zform.h"
#include "zgdi.h"
#include "xexceptions.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

xsharedmemory g_instance(std::getenv("ZWINAPP_SM") ? std::getenv("ZWINAPP_SM") : "SM_ZWINAPP");

class MainForm : public zForm {
public:
    MainForm() : zForm(ZFORMCLASS)
    {
        name = "Main";
        caption = "zwinapp";
        font.face = "Tahoma";
        font.pointSize = 8;
    }
    void OnCreate(bool beginning) override
    {
        if (beginning)
            return;
        // Publish the window as the single-instance memory holds it.
        xsharedmemory mem(g_instance.GetName());
        mem.SetThrow(0);
        if (mem.Open())
            *static_cast<HWND*>(mem.GetData()) = hwnd;
    }
};

void Report(FILE* out)
{
    zApplication& app = zApp();
    std::fprintf(out, "folder=%s\nmodule=%s\nini=%s\n", app.folder.c_str(),
                 app.moduleName.c_str(), app.iniPath.c_str());
    std::fprintf(out, "args=%u\n", unsigned(app.args.size()));
    for (size_t i = 0; i < app.args.size(); ++i)
        std::fprintf(out, "arg%u=%s\n", unsigned(i), app.args[i].c_str());
    std::fprintf(out, "method=%s\nquery=%s\ntype=%s\nboundary=%s\nlength=%d\n",
                 app.cgi.requestMethod.c_str(), app.cgi.queryString.c_str(),
                 app.cgi.contentType.c_str(), app.cgi.boundary.c_str(), app.cgi.contentLength);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int show)
{
    zApplication& app = zApp();
    app.SetInstanceMemory(&g_instance);
    if (app.Init(instance, previous, show)) {
        try {
            std::string out = std::string(app.folder.c_str()) + app.moduleName.c_str() + ".out";
            if (!app.IsFirstInstance()) {
                app.Exit();
                return 77;  // quiet: no window, no box
            }
            if (FILE* f = std::fopen(out.c_str(), "wb")) {
                Report(f);
                std::fclose(f);
            }
            zMainForm = new MainForm;
            zMainForm->showCommand = SW_SHOW;
            app.CreateMainForm();
            zMainForm->Show(SW_SHOW);
            // A CGI start has no arguments: the mode then comes from the environment.
            const char* envMode = std::getenv("ZWINAPP_MODE");
            std::string mode = app.args.size() > 1 ? app.args[1].c_str() : (envMode ? envMode : "quit");
            if (mode == "quit")
                PostQuitMessage(app.args.size() > 2 ? std::atoi(app.args[2]) : 0);
            else if (mode == "close")
                PostMessageA(zMainForm->hwnd, WM_CLOSE, 0, 0);
            app.Run();
            KillTimer(zMainForm && zMainForm->IsLive() ? zMainForm->hwnd : nullptr, 2);
        } catch (...) {
            zExceptionRecord() = xexceptions("MODULE NAME:" + app.GetModuleName(), 0, 0);
            zExceptionRecord().Show();
        }
    }
    // A deleted form gives back every font and brush it took; Exit frees
    // whatever is left, so what the form kept is counted before it.
    delete zMainForm;
    const bool kept = zLiveFontCount() + zLiveBrushCount() != 0;
    app.Exit();
    return kept ? 99 : app.exitCode;
}
