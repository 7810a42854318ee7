#pragma once
// What the VARNESK tests read of a running bridge from outside its process:
// its forms, controls and message boxes, the service state on its status
// bar, and the program itself started from a folder of its own.

#include "testutil.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

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

using testutil::count_of;

// The box text of a file the program could not create, as its file class
// reports it: the system error, the operation and the system's own text.
// The error is the one the box names.
inline std::string FileCreateFailure(const std::string& shown)
{
    unsigned long error = shown.size() > 1 ? std::strtoul(shown.c_str() + 1, nullptr, 10) : 0;
    char* message = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                   reinterpret_cast<LPSTR>(&message), 0, nullptr);
    std::string text = "<" + std::to_string(error) + "> xfile::Create\r\n" + (message ? message : "");
    if (message)
        LocalFree(message);
    return error ? text : std::string("(no error number)");
}

// A window of the program that may be busy: never wait on it for ever.
inline LRESULT SendTo(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(w, msg, wp, lp, SMTO_NORMAL, 10000, &result);
    return LRESULT(result);
}

inline std::string TextOf(HWND w)
{
    LRESULT n = SendTo(w, WM_GETTEXTLENGTH, 0, 0);
    if (n <= 0)
        return std::string();
    std::vector<char> text(size_t(n) + 1);
    LRESULT got = SendTo(w, WM_GETTEXT, WPARAM(text.size()), reinterpret_cast<LPARAM>(text.data()));
    return std::string(text.data(), size_t(got > 0 ? got : 0));
}

inline std::string ClassOf(HWND w)
{
    char text[64] = {};
    GetClassNameA(w, text, sizeof text);
    return text;
}

// A click as the control reports it to its form.
inline void Click(HWND form, HWND control, WORD code = BN_CLICKED)
{
    PostMessageA(form, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                 reinterpret_cast<LPARAM>(control));
}

// The children of one class, top to bottom as the form places them.
inline std::vector<HWND> ChildrenByTop(HWND parent, const char* cls)
{
    std::vector<HWND> found;
    for (HWND w = FindWindowExA(parent, nullptr, cls, nullptr); w; w = FindWindowExA(parent, w, cls, nullptr))
        found.push_back(w);
    std::sort(found.begin(), found.end(), [](HWND a, HWND b) {
        RECT ra, rb;
        GetWindowRect(a, &ra);
        GetWindowRect(b, &rb);
        return ra.top < rb.top;
    });
    return found;
}

namespace varnesk_probe_detail {

struct Search {
    DWORD pid;
    const char* cls;
    const char* text;        // nullptr: any caption
    const char* childClass;  // must have one (or, with '!', must not)
    HWND found;
};

inline BOOL CALLBACK Match(HWND w, LPARAM param)
{
    auto* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != s->pid || !IsWindowVisible(w) || lstrcmpiA(ClassOf(w).c_str(), s->cls) != 0)
        return TRUE;
    // The caption as the system keeps it: the program may be busy.
    char caption[256] = {};
    GetWindowTextA(w, caption, sizeof caption);
    if (s->text && std::string(caption) != s->text)
        return TRUE;
    if (s->childClass) {
        bool without = s->childClass[0] == '!';
        bool has = FindWindowExA(w, nullptr, s->childClass + (without ? 1 : 0), nullptr) != nullptr;
        if (has == without)
            return TRUE;
    }
    s->found = w;
    return FALSE;
}

}  // namespace varnesk_probe_detail

// A visible top-level window of the program, or null after ms.
inline HWND WindowOf(DWORD pid, const char* cls, const char* text, const char* childClass, DWORD ms)
{
    varnesk_probe_detail::Search s{pid, cls, text, childClass, nullptr};
    WaitFor([&] {
        s.found = nullptr;
        EnumWindows(varnesk_probe_detail::Match, reinterpret_cast<LPARAM>(&s));
        return s.found != nullptr;
    }, ms);
    return s.found;
}

struct MessageBoxSeen {
    HWND window = nullptr;
    std::string caption, text;
};

// A message box of the program (not the folder browser), with its texts.
inline MessageBoxSeen WaitMessageBox(DWORD pid, DWORD ms)
{
    MessageBoxSeen box;
    box.window = WindowOf(pid, "#32770", nullptr, "!SysTreeView32", ms);
    if (!box.window)
        return box;
    char caption[256] = {};
    GetWindowTextA(box.window, caption, sizeof caption);
    box.caption = caption;
    for (HWND s = FindWindowExA(box.window, nullptr, "Static", nullptr); s;
         s = FindWindowExA(box.window, s, "Static", nullptr))
        if (!TextOf(s).empty())
            box.text = TextOf(s);
    return box;
}

// Answers a box (or a dialog) and waits until it is gone.
inline bool Answer(HWND box, int id)
{
    PostMessageA(box, WM_COMMAND, WPARAM(id), 0);
    return WaitFor([&] { return !IsWindow(box); }, 20000);
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

inline bool ServiceEnded(HWND window)
{
    return ServiceTextLength(window) == int(sizeof "Servizio Disattivato" - 1);
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

// A plain settings file the program imports at its start, in place of any
// store an earlier test left.
inline void WriteVarneskIni(const std::string& folder, const std::string& ini)
{
    testutil::write_file(folder + "\\ECR.INI", ini);
    DeleteFileA((folder + "\\ECR.BLW").c_str());
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
    // Ends it at once, as a crash or a power cut does; true once it is gone.
    bool Kill()
    {
        return process_ && TerminateProcess(process_, 9) &&
               WaitForSingleObject(process_, 30000) == WAIT_OBJECT_0;
    }

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// What the screen shows inside `area`, row by row, as 0x00RRGGBB values.
inline std::vector<DWORD> ScreenPixels(const RECT& area)
{
    const int w = area.right - area.left, h = area.bottom - area.top;
    std::vector<DWORD> pixels;
    if (w <= 0 || h <= 0)
        return pixels;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP shot = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, shot);
    BitBlt(memory, 0, 0, w, h, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const DWORD* px = static_cast<const DWORD*>(bits);
    for (int i = 0; i < w * h; ++i)
        pixels.push_back(px[i] & 0xFFFFFF);
    SelectObject(memory, old);
    DeleteObject(shot);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// A file held open by this process as another program would hold it, with
// the sharing given, until released.
class HeldFile {
public:
    HeldFile(const std::string& path, DWORD share)
        : handle_(CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    ~HeldFile() { Release(); }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    bool Held() const { return handle_ != INVALID_HANDLE_VALUE; }
    void Release()
    {
        if (Held())
            CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_;
};

// Every plain file of a folder removed (its subfolders stay).
inline void ClearFiles(const std::string& folder)
{
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileA((folder + "\\" + data.cFileName).c_str());
    } while (FindNextFileA(h, &data));
    FindClose(h);
}

// The texts of every bridge log in the shared folder's "log" subfolder:
// a test may run over midnight.
inline std::string LogsOf(const std::string& shared)
{
    std::string text;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((shared + "\\log\\log_*.LOG").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return text;
    do {
        HANDLE file = CreateFileA((shared + "\\log\\" + data.cFileName).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            continue;
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
            text.append(buffer, got);
        CloseHandle(file);
    } while (FindNextFileA(h, &data));
    FindClose(h);
    return text;
}

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
