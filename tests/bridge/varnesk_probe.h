#pragma once
// What the VARNESK tests read of a running bridge from outside its process.

#include <windows.h>
#include <commctrl.h>

#include <string>

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

// The program's form of that caption once it exists (shown or hidden).
inline HWND VarneskFormOf(DWORD pid, const char* caption, DWORD ms)
{
    HWND found = nullptr;
    WaitFor([&] {
        for (HWND w = FindWindowExA(nullptr, nullptr, "MOVIRform", caption); w;
             w = FindWindowExA(nullptr, w, "MOVIRform", caption)) {
            DWORD p = 0;
            GetWindowThreadProcessId(w, &p);
            if (p == pid)
                found = w;
        }
        return found != nullptr;
    }, ms);
    return found;
}

// Its main form, hidden at first.
inline HWND VarneskMainOf(DWORD pid, DWORD ms)
{
    return VarneskFormOf(pid, "Parametri", ms);
}

// VARNESK.exe started in its folder; at the end asked to quit as the tray
// menu's "Esci" does, and ended by force only when it does not.
class VarneskProcess {
public:
    explicit VarneskProcess(const std::string& folder)
    {
        std::string cmd = "\"" + folder + "\\VARNESK.exe\"";
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) {
            process_ = pi.hProcess;
            pid_ = pi.dwProcessId;
            CloseHandle(pi.hThread);
        }
    }
    ~VarneskProcess()
    {
        if (!process_)
            return;
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            if (HWND main = VarneskMainOf(pid_, 0))
                PostMessageA(main, WM_COMMAND, MAKEWPARAM(WORD(-5), 0), 0);
            if (WaitForSingleObject(process_, 30000) == WAIT_TIMEOUT)
                TerminateProcess(process_, 9);
        }
        CloseHandle(process_);
    }
    VarneskProcess(const VarneskProcess&) = delete;
    VarneskProcess& operator=(const VarneskProcess&) = delete;

    bool Started() const { return process_ != nullptr; }
    DWORD Pid() const { return pid_; }
    // The exit code, or STILL_ACTIVE when it did not end within ms.
    DWORD WaitExit(DWORD ms)
    {
        DWORD code = STILL_ACTIVE;
        if (process_ && WaitForSingleObject(process_, ms) == WAIT_OBJECT_0)
            GetExitCodeProcess(process_, &code);
        return code;
    }

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// VARNESK.exe and the DLLs beside the test program, copied into `to` (which
// must exist); false when the program or its DLLs cannot be copied.
inline bool CopyVarnesk(const std::string& from, const std::string& to)
{
    if (!CopyFileA((from + "\\VARNESK.exe").c_str(), (to + "\\VARNESK.exe").c_str(), FALSE))
        return false;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((from + "\\*.dll").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    do {
        CopyFileA((from + "\\" + data.cFileName).c_str(), (to + "\\" + data.cFileName).c_str(), FALSE);
    } while (FindNextFileA(h, &data));
    FindClose(h);
    return true;
}
