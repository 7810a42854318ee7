#include "menu1.h"

#include "form1.h"
#include "form4.h"

#include "zapplication.h"

#include <windows.h>
#include <shellapi.h>

_base_Menu1* Menu1 = nullptr;

namespace {

void OpenFolder(const std::string& folder)
{
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = "open";
    info.lpFile = "";
    info.lpDirectory = folder.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (ShellExecuteExA(&info) && info.hProcess)
        CloseHandle(info.hProcess);
}

}  // namespace

_base_Menu1::_base_Menu1() : zMenuRes("MENU1")
{
    for (zMenuItemRes* item : std::initializer_list<zMenuItemRes*>{
             &idm_fi, &idm_logf, &idm_log, &idm_con, &idm_att, &idm_stop, &idm_start, &idm_help,
             &idm_man, &idm_abo}) {
        Register(item);
    }
}

bool _base_Menu1::OnCommand(int identifier)
{
    lastCommand = DWORD(identifier);
    switch (identifier) {
    case 1001: case 1003: case 1004: case 1006: case 1007: case 1009: case 1010:
        return ClickItem(identifier);
    default:
        return false;
    }
}

void _base_Menu1::_base_idm_logf::OnClick() { Form1->ShowLogFile(); }
void _base_Menu1::_base_idm_log::OnClick() { OpenFolder(Form1->Settings().logFolder); }
void _base_Menu1::_base_idm_con::OnClick() { OpenFolder(Form1->Settings().Cartella); }
void _base_Menu1::_base_idm_stop::OnClick() { Form1->StopService(); }
void _base_Menu1::_base_idm_start::OnClick() { Form1->LoadSettings(); }

void _base_Menu1::_base_idm_man::OnClick()
{
    std::string guide = std::string(zApp().GetFolder().c_str()) + "help.pdf";
    ShellExecuteA(Form1->Handle(), nullptr, guide.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void _base_Menu1::_base_idm_abo::OnClick() { ShowAboutBox(); }
