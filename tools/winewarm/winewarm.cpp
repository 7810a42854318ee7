// Starts Wine's background processes (services, device host, desktop) for a
// test session. They inherit the standard handles of the process that starts
// them, so the runner launches this one with its output on /dev/null: else
// the first test would start them and ctest would wait for its pipe forever.
// Wine ends the desktop a few seconds after its last program: started with
// "stay", this one keeps its window until the session ends it, so that no
// test starts the desktop again (with the test's output) between programs.

#include <windows.h>

#include <cstring>

int main(int argc, char** argv)
{
    HWND h = CreateWindowExA(0, "STATIC", "warm", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    if (h && argc > 1 && std::strcmp(argv[1], "stay") == 0) {
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
    }
    if (h)
        DestroyWindow(h);
    return GetDesktopWindow() ? 0 : 1;
}
