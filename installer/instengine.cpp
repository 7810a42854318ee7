#include "instengine.h"

#include "installlist.h"
#include "instfiles.h"
#include "instshell.h"
#include "instview.h"
#include "xregistry.h"

#include "zapplication.h"
#include "xexceptions.h"
#include "xprocess.h"
#include "xsystem.h"

#include <windows.h>

int stepTotal = 0;
int stepCounter = 1;

namespace {

xstring Number(long value)
{
    xstring text;
    text.FromLong(value);
    return text;
}

xstring InstallerFolder()
{
    return zApp().GetFolder();
}

xstring Destination()
{
    return installView().Destination();
}

xstring DoubledBackslashes(xstring text)
{
    text.Replace("\\", "\\\\");
    return text;
}

bool RunCopies(InstallList& list)
{
    xsystem& sys = xsys();
    for (int i = 0; i < list.copies.Count(); ++i) {
        InstallStepAdvance();
        const CopyEntry& entry = list.copies[i];
        xstring source = InstallerFolder() + entry.source;
        xstring target;
        if (entry.destination == "$SYSTEMFONTS$") {
            target = sys.GetWindowsFolder() + "\\FONTS";
        } else {
            target = Destination();
            if (entry.destination != ".")
                target += "\\" + entry.destination;
            if (sys.FileExistsIn(source, "*"))
                source += "\\*.*";
        }
        if (!CopyInstallFiles(source, target))
            return false;
        Sleep(0);
    }
    return true;
}

// A font value that cannot be stored ends the run as a failure instead of
// leaving the flow half done.
bool RunFonts(InstallList& list)
{
    try {
        for (int i = 0; i < list.fonts.Count(); ++i) {
            FontEntry& entry = list.fonts[i];
            entry.file.Replace("$MAINFOLDER$", Destination(), true, true);
            InstallFont(entry.face, xpath(entry.file));
        }
        return true;
    } catch (const xregistryexceptions& e) {
        LogLine(e.GetReason());
        return false;
    }
}

bool RunItems(InstallList& list)
{
    for (int i = 0; i < list.items.Count(); ++i) {
        InstallStepAdvance();
        const xstring program = list.items[i].program;
        if (InstallVersionedFile(program, program, InstallerFolder(), Destination(), 0) != 0)
            return false;
        Sleep(0);
    }
    return true;
}

// A file with zero bytes in it (a Unicode registry export) is no text the
// placeholders can be found in: it is written back whole, never cut short.
void RewriteRegistryFile(const xstring& path)
{
    xstring content = xstring::FromFile(path);
    bool plainText = content.Size() == size_t(content.Length());
    if (plainText) {
        content.Replace("$MAINFOLDER$", DoubledBackslashes(Destination()), true, true);
        content.Replace("$SYSTEMFOLDER$", DoubledBackslashes(xsys().GetSystemFolder()), true,
                        true);
    }
    xfile file;
    file.SetName(path);
    file.SetDisposition(CREATE_ALWAYS);
    file.Create();
    file.SetWriteBuffer(content.c_str(), DWORD(plainText ? content.Length() : content.Size()));
    file.Write();
    file.Close();
}

void RunRegistryFiles(InstallList& list)
{
    for (int i = 0; i < list.registryFiles.Count(); ++i) {
        InstallStepAdvance();
        xstring path = list.registryFiles[i].text;
        path.Replace("$MAINFOLDER$", InstallerFolder(), true, true);
        path.Replace("\"", "");
        path.Trim();
        try {
            RewriteRegistryFile(path);
            LogLine("Reg> " + path);
        } catch (const xfileexceptions& e) {
            LogLine(e.GetReason());
        }
        Sleep(0);
    }
}

// One command; false when it could not start or did not end with 0.
bool RunCommand(const xstring& entry)
{
    xstring command = entry;
    command.Replace("$PROGRAMFOLDER$", xsys().GetEnvironment("ProgramFiles"), true, true);
    command.Replace("$MAINFOLDER$", Destination(), true, true);
    command.Replace("$INSTFOLDER$", InstallerFolder(), true, true);
    installView().AppendNotes("\r\n\r\nATTENDERE QUALCHE MINUTO PER IL COMPLETAMENTO DEL SETUP\r\n\r\n");
    try {
        xprocess process("", command);
        // A blank command line starts nothing and throws nothing.
        if (!process.Execute()) {
            LogLine(">>>>> " + command + " >>>>>> " + process.GetErrorText());
            return false;
        }
        process.Wait(INFINITE);
        DWORD code = 0;
        process.GetExitCode(code);
        LogLine(">>>>> " + command + " >>>>> " + Number(long(code)));
        Sleep(5000);
        process.GetExitCode(code);
        if (code != 0)
            return false;
        Sleep(0);
        return true;
    } catch (const xprocessexceptions& e) {
        LogLine(">>>>> " + command + " >>>>>> " + e.GetReason());
    } catch (...) {
        LogLine(">>>>> " + command + " >>>>>> Exception ");
    }
    return false;
}

bool RunCommands(InstallList& list)
{
    for (int i = 0; i < list.commands.Count(); ++i) {
        InstallStepAdvance();
        if (!RunCommand(list.commands[i].text))
            return false;
    }
    return true;
}

bool RunExpands(InstallList& list)
{
    for (int i = 0; i < list.expands.Count(); ++i) {
        InstallStepAdvance();
        const CopyEntry& entry = list.expands[i];
        xstring target = Destination() + "\\" + entry.destination;
        if (InstallVersionedFile(entry.source, entry.source, InstallerFolder(), target, 0) != 0)
            return false;
    }
    return true;
}

bool RunSystemFiles(InstallList& list)
{
    for (int i = 0; i < list.systemFiles.Count(); ++i) {
        const xstring name = list.systemFiles[i].text;
        if (InstallVersionedFile(name, name, InstallerFolder(), xsys().GetSystemFolder(), 0) != 0)
            return false;
    }
    return true;
}

void CountSteps(const InstallList& list)
{
    stepTotal = list.expands.Count() + list.commands.Count() + list.copies.Count() +
                list.registryFiles.Count() + list.items.Count() + 1;
    // Steps of a database set-up that this installer does not carry out.
    if (!list.db.IsBlank() && unsigned(list.dbNumber) <= 4)
        stepTotal += 9;
}

}  // namespace

void InstallStepAdvance()
{
    InstallView& view = installView();
    view.SetProgressPosition(stepCounter);
    bool english = installList().English();
    xstring text = xstring(english ? "Step " : "Passo ") + Number(stepCounter) + " (" +
                   Number(stepTotal) + (english ? " total)" : " totali)");
    view.SetStepText(text);
    ++stepCounter;
    zApp().DoEvents();
}

bool RunInstall()
{
    InstallList& list = installList();
    InstallView& view = installView();
    view.ShowProgress();
    CountSteps(list);
    view.SetProgressRange(1, stepTotal);
    InstallStepAdvance();
    if (!RunCopies(list) || !RunFonts(list) || !RunItems(list))
        return false;
    SetTreeAttributes(Destination());
    zApp().DoEvents();
    RunRegistryFiles(list);
    zApp().DoEvents();
    if (!RunCommands(list))
        return false;
    zApp().DoEvents();
    if (!RunExpands(list) || !RunSystemFiles(list))
        return false;
    zApp().DoEvents();
    try {
        RegisterUninstaller();
    } catch (const xregistryexceptions& e) {
        LogLine(e.GetReason());
        return false;
    }
    view.CloseProgress();
    return true;
}
