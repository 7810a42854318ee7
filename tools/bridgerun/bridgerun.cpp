// The bridge's main job from a console, for scripts and for machines
// without a desktop: imports "ECR.INI" of the program folder into the
// store, loads the settings, runs the worker until no receipt is left in
// the shared folder (or the time runs out) and stops it.
//   bridgerun.exe <program-folder> [seconds]
// Exit: 0 all receipts gone, 1 settings refused, 3 time ran out.

#include "bridgeservice.h"
#include "receiptfiles.h"
#include "settingsstore.h"
#include "xhooks.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int PrintBox(HWND, const char* text, const char* caption, UINT)
{
    std::fprintf(stderr, "bridgerun: [%s] %s\n", caption ? caption : "", text ? text : "");
    return IDOK;
}

class ConsoleView : public ServiceView {
public:
    void ShowServiceState(ServiceState state) override
    {
        static const char* const texts[] = {"Servizio ATTIVATO", "Servizio SOSPESO",
                                            "Servizio ATTIVATO", "Servizio DISATTIVATO"};
        std::printf("bridgerun: %s\n", texts[int(state)]);
        std::fflush(stdout);
    }
};

int PendingReceipts(const BridgeService& service)
{
    const BridgeSettings& s = service.Settings();
    int count = 0;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((s.Cartella + "\\*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            IsReceiptName(data.cFileName, service.Config().acceptedNames, s.Backup))
            ++count;
    } while (FindNextFileA(h, &data));
    FindClose(h);
    return count;
}

int Run(const std::string& folder, int seconds)
{
    SettingsStore store(folder);
    if (store.Import())
        std::printf("bridgerun: %s imported into %s\n", store.ImportPath().c_str(),
                    store.StorePath().c_str());
    ConsoleView view;
    BridgeService service(&view);
    if (service.Load(store.WriteLoadCopy()) != LoadResult::Started)
        return 1;
    std::printf("bridgerun: shared folder %s, log %s\n", service.Settings().Cartella.c_str(),
                service.Log().Path().c_str());
    std::fflush(stdout);
    DWORD start = GetTickCount();
    int rc = 3;
    while (GetTickCount() - start < DWORD(seconds) * 1000) {
        if (PendingReceipts(service) == 0) {
            rc = 0;
            break;
        }
        service.Worker().WaitEnded(200);
    }
    service.Stop();
    return rc;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bridgerun <program-folder> [seconds]\n");
        return 2;
    }
    xsetmessagebox(PrintBox);
    try {
        return Run(argv[1], argc > 2 ? std::atoi(argv[2]) : 60);
    } catch (...) {
        std::fprintf(stderr, "bridgerun: unexpected failure\n");
        return 2;
    }
}
