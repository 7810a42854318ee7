// Asks a running VARNESK to quit, as its tray menu's "Esci" does, and waits
// until its window is gone. For scripts and services that stop the bridge.
//   varneskctl.exe quit [seconds]
// Exit: 0 ended (or none was running), 1 still running when the time ran out.

#include "published.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

HWND PublishedWindow()
{
    HWND window = VarneskPublishedHandle();
    return window && IsWindow(window) ? window : nullptr;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], "quit") != 0) {
        std::fprintf(stderr, "usage: varneskctl quit [seconds]\n");
        return 2;
    }
    DWORD limit = DWORD(argc > 2 ? std::atoi(argv[2]) : 30) * 1000;
    HWND window = PublishedWindow();
    if (!window)
        return 0;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    const WORD exitCommand = WORD(-5);  // the tray menu's "Esci"
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(exitCommand, 0), 0);
    bool ended;
    if (process) {
        ended = WaitForSingleObject(process, limit) == WAIT_OBJECT_0;
        CloseHandle(process);
    } else {
        DWORD start = GetTickCount();
        while (IsWindow(window) && GetTickCount() - start < limit)
            Sleep(100);
        ended = !IsWindow(window);
    }
    std::printf("varneskctl: %s\n", ended ? "VARNESK ended" : "VARNESK still running");
    return ended ? 0 : 1;
}
