#include "bridgesettings.h"

#include "xstring.h"
#include "xsystem.h"

namespace {

std::string Text(const char* key, const char* path)
{
    return xsys().ReadProfileString("Info", key, "", path).c_str();
}

int Number(const char* key, const char* path)
{
    return xsys().ReadProfileString("Info", key, "", path).ToInt();
}

}  // namespace

BridgeSettings ReadBridgeSettings(const char* iniPath)
{
    BridgeSettings s;
    s.EcrIp = Text("ecrip", iniPath);
    s.Cartella = Text("cartella", iniPath);
    s.polltime = Number("polltime", iniPath);
    // polltime x 20 ms is a signed wait: keep the product in range.
    if (s.polltime > kMaxPolltime)
        s.polltime = kMaxPolltime;
    s.Proto = Number("proto", iniPath);
    s.Backup = Number("backup", iniPath);
    s.log = Number("log", iniPath);
    s.Offline = Number("offline", iniPath);
    s.Level = Number("level", iniPath);
    s.Ext = Text("ext", iniPath);
    s.Port = Number("port", iniPath);
    s.Baud = Number("baud", iniPath);
    s.logFolder = s.Cartella + "\\log";
    return s;
}

unsigned long PollMilliseconds(int polltime)
{
    if (polltime <= 0)
        return 0;
    if (polltime > kMaxPolltime)
        polltime = kMaxPolltime;
    return static_cast<unsigned long>(polltime) * 20ul;
}

const char* SettingsRefusal(const BridgeSettings& s)
{
    if (IsBlank(s.EcrIp.c_str()))
        return "ATTENZIONE: nessuna indirizzo ip dichiarato nel file di configurazione";
    if (IsBlank(s.Cartella.c_str()))
        return "ATTENZIONE: nessuna cartella condivisa dichiarata nel file di configurazione";
    if (!xsys().FileExistsIn(s.Cartella.c_str(), "*"))
        return "ATTENZIONE: cartella condivisa non valida dichiarata nel file di configurazione";
    if (s.polltime <= 0)
        return "ATTENZIONE: l'intervallo di polling \xE8 errato o mancante nel file di configurazione";
    return nullptr;
}

bool CheckSettings(const BridgeSettings& settings)
{
    const char* refusal = SettingsRefusal(settings);
    if (refusal)
        xsys().MessageBox(refusal, "Message", MB_ICONINFORMATION);
    return refusal == nullptr;
}
