// Starts Wine's background processes (services, device host, desktop) for a
// test session. They inherit the standard handles of the process that starts
// them, so the runner launches this one with its output on /dev/null: else
// the first test would start them and ctest would wait for its pipe forever.

#include <windows.h>

int main()
{
    HWND h = CreateWindowExA(0, "STATIC", "warm", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    if (h)
        DestroyWindow(h);
    return GetDesktopWindow() ? 0 : 1;
}
