#include "instshell.h"

#include "installlist.h"
#include "instview.h"
#include "xdde.h"
#include "xregistry.h"

#include "xsystem.h"

#include <windows.h>

namespace {

void Fatal(const char* text)
{
    xsys().MessageBox(text, "Fatal", MB_ICONHAND);
}

// Wine's shell answers "PROGMAN" only on its topic of the same name, where
// Windows also takes any topic.
bool ConnectProgramManager(xdde& dde)
{
    dde.service = "PROGMAN";
    dde.topic = "";
    if (dde.DdeConnectService())
        return true;
    dde.topic = "PROGMAN";
    return dde.DdeConnectService();
}

xstring ItemCommand(ItemEntry& item, const xstring& destination)
{
    xstring command = "[AddItem(\"" + destination + "\\" + item.program + "\" " +
                      item.arguments + "," + item.description + ")]";
    return command;
}

}  // namespace

xstring UninstallKey(const char* name)
{
    return xstring("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + name;
}

xstring FontsKey()
{
    bool nt = xsys().GetVersion().dwPlatformId == VER_PLATFORM_WIN32_NT;
    return xstring("Software\\Microsoft\\") + (nt ? "Windows NT" : "Windows") +
           "\\CurrentVersion\\Fonts";
}

bool CreateProgramGroup()
{
    InstallList& list = installList();
    xdde dde;
    if (!ConnectProgramManager(dde)) {
        Fatal("Bad DDE connect");
        return false;
    }
    if (!dde.DdeExecute("[CreateGroup(" + list.group + ")]", XTYP_EXECUTE, CF_TEXT)) {
        Fatal("Cannot create the group");
        return false;
    }
    xstring destination = installView().Destination();
    for (int i = 0; i < list.items.Count(); ++i) {
        ItemEntry& item = list.items[i];
        item.arguments = item.arguments.Upper();
        if (item.arguments == "NOP")
            continue;
        item.arguments.Replace("$MAINFOLDER$", destination, true, true);
        xstring command = ItemCommand(item, destination);
        installView().SetStatusText(command);
        if (!dde.DdeExecute(command, XTYP_EXECUTE, CF_TEXT)) {
            Fatal("Cannot create the item " + item.program);
            return false;
        }
    }
    return true;
}

void RegisterUninstaller()
{
    InstallList& list = installList();
    // Without a name the values would land on the system's list of removable
    // programs itself.
    if (list.uninstallName.IsBlank())
        return;
    xstring program = installView().Destination() + "\\Unondrel.exe";
    xregistry key;
    key.SetShow(1);
    try {
        key.Create(HKEY_LOCAL_MACHINE, UninstallKey(list.uninstallName), KEY_ALL_ACCESS);
    } catch (const xregistryexceptions&) {
        return;
    }
    key.Store("UninstallString", program);
    key.Store("DisplayIcon", program + ",0");
    key.Store("DisplayName", list.uninstallName);
    key.Close();
}

bool InstallFont(const char* face, const xpath& file)
{
    xstring fileName = file.GetName() + file.GetExt();
    xstring extension = file.GetExt().Upper();
    xregistry key;
    key.SetShow(1);
    try {
        key.Open(HKEY_LOCAL_MACHINE, FontsKey(), KEY_ALL_ACCESS);
    } catch (const xregistryexceptions&) {
        return false;
    }
    xstring fonts = xsys().GetWindowsFolder() + "\\fonts\\";
    if (!xsys().CopyFile(file.GetFullPath(), fonts + fileName, false))
        return true;
    bool english = installList().English();
    LogLine(xstring(english ? "LOADING FONT " : "CARICAMENTO CARATTERI ") + face + " " +
            file.GetFullPath());
    if (extension != ".PFB" && !IsBlank(face)) {
        if (extension != ".PFM")
            AddFontResourceA(fonts + fileName);
        else
            AddFontResourceA(fonts + fileName + "|" + fonts + file.GetName() + ".PFB");
        key.Store(face, fileName);
    }
    key.Close();
    return true;
}
