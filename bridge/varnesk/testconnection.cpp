#include "testconnection.h"

#include "waitform.h"

#include "xsystem.h"

#include "brisal.h"

namespace {

const char* const kPingFailed =
    "ATTENZIONE: operazione terminata senza successo.\n"
    "Verificare che:\n"
    "1) la cassa sia acceso e collegato\n"
    "2) la scheda di rete del computer sia funzionante e con cavo di rete inserito\n"
    "   oppure che\n"
    "   la scheda di rete wireless del computer sia funzionante ed accesa\n"
    "4) l'indirizzo ip del computer sia della stessa classe dell'indirizzo ip della cassa\n";

}  // namespace

// The wait form stays up while the GUI thread is blocked in the ping.
int TestConnection(const char* address)
{
    f_waitfor->Show(SW_RESTORE);
    int rc = 0;
    const bool called = CallLinkServed([&] { rc = ecr_ping(address, 4); });
    f_waitfor->Close();
    if (!called)
        return IDCANCEL;  // the program quits
    return xsys().MessageBox(rc == 0 ? "Cassa collegata correttamente" : kPingFailed, "Warning",
                             MB_ICONQUESTION);
}
