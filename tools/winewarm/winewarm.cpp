// Starts Wine's background processes (services, device host, desktop) for a
// test session. They inherit the standard handles of the process that starts
// them, so the runner launches this one with its output on /dev/null: else
// the first test would start them and ctest would wait for its pipe forever.
//   winewarm.exe        starts them and ends
//   winewarm.exe hold   also stays, with a hidden window on the desktop, until
//                       the session ends it: Wine closes a desktop that no
//                       process uses, and the next test to open a window
//                       would start the desktop process again with its pipe.

#include <windows.h>

#include <cstring>

int main(int argc, char** argv)
{
    HWND h = CreateWindowExA(0, "STATIC", "warm", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    if (h && argc > 1 && std::strcmp(argv[1], "hold") == 0) {
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
    }
    if (h)
        DestroyWindow(h);
    return GetDesktopWindow() ? 0 : 1;
}
