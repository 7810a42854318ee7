// The main form's settings window: the form's and its 18 children's
// properties (dialog units) and the children's event handlers.

#include "form1.h"
#include "formlook.h"
#include "testconnection.h"
#include "waitform.h"

#include "settingsstore.h"
#include "workfile.h"

#include "zapplication.h"
#include "zbrowse.h"
#include "zgenerated.h"
#include "xsystem.h"

#include "brisal.h"

#include <windows.h>

#include <cstdlib>

namespace {

const DWORD kButtonStyle = 0x54010000;
const DWORD kCheckStyle = 0x54010003;
const DWORD kEditStyle = 0x540001C0;
const DWORD kListStyle = 0x54010243;

void Edit(zEdit& w, const char* name, const char* label, double top, double left, double width)
{
    Place(w, name, "", kEditStyle, top, left, width, 10.5);
    w.exStyle = WS_EX_CLIENTEDGE;
    w.label = label;
}

}  // namespace

void _base_Form1::Setup()
{
    name = "Form1";
    caption = "Parametri";
    style = 0x04C80000;
    exStyle = 0x100;
    zSetDialogBounds(*this, 79, 181, 224, 225);
    pictureFlags |= ZPIC_CENTERSCREEN;
    brushColour = COLOR_BTNFACE;
    textColour = COLOR_WINDOWTEXT;
    Look(*this, "Verdana");
    icon.name = "!";
    icon.width = icon.height = 32;
    kind = ZK_TOPLEVEL;
    statusBarShown = 1;
}

void _base_Form1::CreateChildren()
{
    CreateControls(*this, Controls());
}

void _base_Form1::_base_Button10::Setup() { Place(*this, "Button10", "Chiudi", kButtonStyle, 171, 54, 110, 15); brushColour = 0xE2E2E2; }
void _base_Form1::_base_Button10::Create() { zButton::Create(1); }
void _base_Form1::_base_Button10::OnClick() { Form1->Hide(); }

void _base_Form1::_base_test::Setup() { Place(*this, "test", "Genera scontrino di prova", kButtonStyle, 155, 54, 110, 15); brushColour = 0xE2E2E2; }
void _base_Form1::_base_test::Create() { zButton::Create(1); }
void _base_Form1::_base_test::OnClick() { Form1->MakeTestReceipt(); }

void _base_Form1::_base_offl::Setup() { Place(*this, "offl", "Modalità di test (no stampa scontrino)", kCheckStyle, 5, 93, 141.5, 8.5); brushColour = COLOR_BTNFACE; }
void _base_Form1::_base_offl::Create() { zButton::Create(1); }

void _base_Form1::_base_xon::Setup() { Place(*this, "xon", "Salva il file Xon/Xoff generato", kCheckStyle, 13, 93, 117, 8.5); brushColour = COLOR_BTNFACE; }
void _base_Form1::_base_xon::Create() { zButton::Create(1); }

void _base_Form1::_base_sco::Setup() { Edit(*this, "sco", "Cartella condivisa", 34, 10, 188); }
void _base_Form1::_base_sco::Create() { zEdit::Create(1); }
void _base_Form1::_base_sco::OnChange()
{
    Form1->log.SetText(GetText() + "\\log");
}

void _base_Form1::_base_seek::Setup()
{
    Place(*this, "seek", "...", kButtonStyle, 32, 199, 16, 14);
    brushColour = 0xF0F0F0;
    hint = "sfoglia";
    textColour = 0;
}
void _base_Form1::_base_seek::Create() { zButton::Create(1); }
void _base_Form1::_base_seek::OnClick() { Form1->Browse(); }

void _base_Form1::_base_log::Setup() { Edit(*this, "log", "Cartella file log", 58, 10, 188); readOnly = 1; style |= ES_READONLY; }
void _base_Form1::_base_log::Create() { zEdit::Create(1); }

void _base_Form1::_base_exten::Setup() { Edit(*this, "exten", "Nome file o estensione", 80, 10, 63); caption = "TXT"; }
void _base_Form1::_base_exten::Create() { zEdit::Create(1); }
void _base_Form1::_base_exten::OnChange()
{
    if (!IsBlank(GetText().c_str()))
        return;
    xsys().MessageBox("ATTENZIONE: il campo non può essere vuoto", "Warning", MB_ICONQUESTION);
    SetText("TXT");
}

void _base_Form1::_base_portcom::Setup() { Place(*this, "portcom", "", kListStyle, 78, 124, 55, 74); label = "Porta di comunicazione"; brushColour = COLOR_WINDOW; }
void _base_Form1::_base_portcom::Create() { zComboBox::Create(1); }
void _base_Form1::_base_portcom::OnSelChange() { Form1->PortChanged(); }

void _base_Form1::_base_portbaud::Setup() { Place(*this, "portbaud", "", kListStyle, 90, 124, 55, 74); label = "Velocità"; brushColour = 0xFFFFFF; }
void _base_Form1::_base_portbaud::Create() { zComboBox::Create(1); }
void _base_Form1::_base_portbaud::OnCreate(bool beginning)
{
    if (beginning)
        return;
    static const char* const speeds[] = {"4800", "9600", "19200", "38400", "57600", "115200"};
    for (int i = 0; i < 6; ++i)
        AddString(speeds[i], i);
    SetCurSel(4);
}

void _base_Form1::_base_tipo::Setup() { Place(*this, "tipo", "", kListStyle, 122, 20, 102, 55); label = "Protocollo di comunicazione"; brushColour = 0xFFFFFF; }
void _base_Form1::_base_tipo::Create() { zComboBox::Create(1); }
void _base_Form1::_base_tipo::OnCreate(bool beginning)
{
    if (beginning)
        return;
    AddString("Protocollo diverso da xon/xoff");
    AddString("Protocollo xon/xoff");
    SetCurSel(0);
}

void _base_Form1::_base_Button16::Setup() { Place(*this, "Button16", "Salva impostazioni", kButtonStyle, 139, 54, 110, 15); brushColour = 0xF0F0F0; }
void _base_Form1::_base_Button16::Create() { zButton::Create(1); }
void _base_Form1::_base_Button16::OnClick() { Form1->OnSaveSettings(); }

void _base_Form1::_base_back::Setup() { Place(*this, "back", "Salva scontrino originale", kCheckStyle, 21, 93, 96, 8.5); brushColour = COLOR_BTNFACE; }
void _base_Form1::_base_back::Create() { zButton::Create(1); }

void _base_Form1::_base_pping::Setup() { Place(*this, "pping", "ping", kButtonStyle, 109, 167, 29, 11); brushColour = COLOR_BTNFACE; }
void _base_Form1::_base_pping::Create() { zButton::Create(1); }
void _base_Form1::_base_pping::OnClick() { TestConnection(Form1->ip.GetText().c_str()); }

void _base_Form1::_base_ip::Setup()
{
    Place(*this, "ip", "192.168.0.20", 0x54010000, 122, 125, 77, 10);
    exStyle = WS_EX_CLIENTEDGE;
    Look(*this, "Tahoma", -11, 700);
    textColour = 0;
}
void _base_Form1::_base_ip::Create()
{
    zWindow::Create(1);
    ShowCaption();
}

void _base_Form1::_base_rescan::Setup() { Place(*this, "rescan", "rescan", kButtonStyle, 82, 181, 29, 12); Look(*this, "Calibri"); brushColour = COLOR_BTNFACE; }
void _base_Form1::_base_rescan::Create() { zButton::Create(1); }
void _base_Form1::_base_rescan::OnClick() { Form1->RescanPorts(); }

void _base_Form1::_base_Group2::Setup() { Place(*this, "Group2", " ECR ", 0x54000007, 103, 11, 198, 34); exStyle = WS_EX_TRANSPARENT; brushColour = COLOR_WINDOW; }
void _base_Form1::_base_Group2::Create() { zButton::Create(1); }

void _base_Form1::_base_info::Setup() { Place(*this, "info", "", 0x54000100, 1.5, 4.5, 85.5, 9.5); Look(*this, "Calibri"); }
void _base_Form1::_base_info::Create() { zWindow::Create(1); }

// --- handlers -------------------------------------------------------------

void _base_Form1::RescanPorts()
{
    // Ten port numbers of up to three digits, nine commas and the end.
    char ports[64] = {};
    if (!CallLinkServed([&] { ecr_enum_port_ser(ports); }))
        return;  // the program quits
    portcom.Clear();
    portcom.AddString("LAN", 0);
    std::string list(ports, strnlen(ports, sizeof ports));
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        std::string token = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (token.find_first_not_of(" \t") == std::string::npos)
            break;
        portcom.AddString(("COM" + token).c_str(), std::atoi(token.c_str()));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    portcom.SetCurSel(0);
    portcom.NotifyParent();
}

void _base_Form1::PortChanged()
{
    bool lan = portcom.GetCurSel() == 0;
    pping.Enable(lan);
    ip.Enable(lan);
    portbaud.Enable(!lan);
}

void _base_Form1::Browse()
{
    zFolderSearchDialog dialog;
    dialog.owner = Handle();
    xstring start = sco.GetText();
    dialog.path.Split(start.c_str());
    if (dialog.DoModal())
        sco.SetText(dialog.path.GetFullPath());
}

// The stored folder and form, the name typed; a receipt that cannot be
// written is shown through the file class.
void _base_Form1::MakeTestReceipt()
{
    const BridgeSettings& s = Settings();
    std::string path = s.Cartella + "\\TEST." + exten.GetText().c_str();
    std::string text = s.Proto == 1
        ? "j\r\n\"TEST PROVA SCONTRINO\"\r\n@\r\nJ"
        : "NOFIS apri\r\nnofis riga='  TEST PROVA SCONTRINO'\r\nnofis chiudi\r\n";
    WriteWorkFile(path.c_str(), text.data(), text.size(), FILE_ATTRIBUTE_NORMAL, true);
}

void _base_Form1::OnSaveSettings()
{
    // The control reads as blank by its own test: its text is never empty.
    if (ip.IsBlank()) {
        xsys().MessageBox("ATTENZIONE: l'indirizzo ip non è valido", "Warning", MB_ICONQUESTION);
        ip.SetFocus();
        return;
    }
    xstring folder = sco.GetText();
    if (!xsys().FileExistsIn(folder.c_str(), "*")) {
        xsys().MessageBox("ATTENZIONE: la cartella condivisa non è valida", "Warning", MB_ICONQUESTION);
        sco.SetFocus();
        return;
    }
    BridgeSettings s = Settings();
    s.Cartella = folder.c_str();
    s.Ext = exten.GetText().c_str();
    s.EcrIp = ip.GetText().c_str();
    s.Proto = tipo.GetCurSel();
    s.Port = portcom.GetItemValue(portcom.GetCurSel());
    s.Baud = portbaud.GetItemValue(portbaud.GetCurSel());
    s.Backup = back.IsChecked() ? 1 : 0;
    s.Offline = offl.IsChecked() ? 1 : 0;
    s.Level = xon.IsChecked() ? (s.Level | 1) : (s.Level & ~1);
    // A store that could not be written is not claimed by a reload; the
    // values stay in the window to be saved again.
    if (SettingsStore(ProgramFolder()).SaveSettings(s))
        LoadSettings();
}
