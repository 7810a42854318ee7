#include "instview.h"

#include "xexceptions.h"

namespace {

InstallView g_emptyView;
InstallView* g_view = &g_emptyView;

}  // namespace

InstallView& installView()
{
    return *g_view;
}

void SetInstallView(InstallView* view)
{
    g_view = view ? view : &g_emptyView;
}

xfile& installLog()
{
    static xfile log;
    return log;
}

// A log that was never opened (an installation without a destination) or
// that failed must not end the installation.
void LogWrite(const char* text)
{
    xfile& log = installLog();
    if (!log.IsOpen())
        return;
    try {
        log.WriteString(text);
    } catch (const xexceptions&) {
    }
}

void LogLine(const char* text)
{
    LogWrite(xstring(text) + "\r\n");
}

void ShowLine(const char* text)
{
    installView().AppendNotes(xstring("\r\n") + text);
    LogLine(text);
}
