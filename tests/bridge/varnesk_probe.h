#pragma once
// What the VARNESK tests read of a running bridge from outside its process.

#include <windows.h>
#include <commctrl.h>

// Polls `done` every 100 ms for at most `ms` milliseconds.
template <class F>
bool WaitFor(F done, DWORD ms)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms)
            return false;
        Sleep(100);
    }
    return true;
}

// Menus are not shared between processes here, so the service state is
// read from the status bar: part 4 says "Servizio Attivo" or
// "Servizio Disattivato" (the length message needs no shared buffer).
inline int ServiceTextLength(HWND window)
{
    HWND bar = FindWindowExA(window, nullptr, STATUSCLASSNAMEA, nullptr);
    return bar ? LOWORD(SendMessageA(bar, SB_GETTEXTLENGTHA, 4, 0)) : -1;
}

inline bool ServiceRunning(HWND window)
{
    return ServiceTextLength(window) == int(sizeof "Servizio Attivo" - 1);
}
