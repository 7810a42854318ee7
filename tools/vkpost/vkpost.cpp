// Drives a running VARNESK from a script: the window handle comes from the
// shared memory "SM_VARNESK" that the program publishes at start-up.
//   vkpost.exe command <id>        posts WM_COMMAND <id> to the main form
//   vkpost.exe list                its process's top-level windows
//   vkpost.exe tray                a right click on its tray icon
// These work on any program's windows, VARNESK running or not:
//   vkpost.exe top                 every process's visible top-level windows
//   vkpost.exe show|hide <hwnd>    shows (without activating) or hides one
//   vkpost.exe visible <hwnd> <s>  waits until it is visible
//   vkpost.exe keys <hwnd> <keys>  brings the window (unless 0) to the front
//                                  and types one chord: ctrl+shift+F11, escape
//   vkpost.exe close <hwnd>        asks a window to close
//   vkpost.exe click <hwnd> <text> clicks the button of that text in a window
//   vkpost.exe painted <hwnd> <s>  waits until the window has painted itself;
//                                  exit 3 when another window covers it
//   vkpost.exe raise <hwnd>        puts it on top of its kind, not activated
//   vkpost.exe redraw <hwnd>       has the window paint itself anew
// A window line: handle, visible, left, top, width, height, class, "caption".
// Exit: 0 done, 1 no VARNESK or the window did not come up, 2 usage.

#include "published.h"
#include "zicon.h"

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

HWND PublishedWindow()
{
    HWND window = VarneskPublishedHandle();
    return window && IsWindow(window) ? window : nullptr;
}

// Prints the windows of process `pid`, or every visible one for 0.
BOOL CALLBACK PrintWindow(HWND window, LPARAM pid) noexcept
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (pid ? owner != DWORD(pid) : !IsWindowVisible(window))
        return TRUE;
    char cls[128] = {}, text[128] = {};
    GetClassNameA(window, cls, sizeof cls);
    GetWindowTextA(window, text, sizeof text);
    RECT r = {};
    GetWindowRect(window, &r);
    std::printf("%08lX %d %ld %ld %ld %ld %s \"%s\"\n", static_cast<unsigned long>(
                    reinterpret_cast<UINT_PTR>(window)), IsWindowVisible(window) ? 1 : 0,
                r.left, r.top, r.right - r.left, r.bottom - r.top, cls, text);
    return TRUE;
}

HWND ParseWindow(const char* text)
{
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoul(text, nullptr, 16)));
}

bool WaitVisible(HWND window, DWORD ms)
{
    DWORD start = GetTickCount();
    while (!IsWindowVisible(window)) {
        if (GetTickCount() - start >= ms)
            return false;
        Sleep(100);
    }
    return true;
}

BOOL CALLBACK AddPending(HWND window, LPARAM pending) noexcept
{
    if (IsWindowVisible(window) && GetUpdateRect(window, nullptr, FALSE))
        ++*reinterpret_cast<int*>(pending);
    return TRUE;
}

// The window has painted itself when neither it nor a child of it waits
// for WM_PAINT and its thread answers messages again: its drawing then
// reaches the screen as soon as the thread goes idle.
bool Painted(HWND window)
{
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer))
        return false;
    int pending = GetUpdateRect(window, nullptr, FALSE) ? 1 : 0;
    EnumChildWindows(window, AddPending, reinterpret_cast<LPARAM>(&pending));
    return pending == 0;
}

// Twice in a row, a little apart, within `ms`.
bool WaitPainted(HWND window, DWORD ms)
{
    DWORD start = GetTickCount();
    int streak = 0;
    while (streak < 2) {
        if (!IsWindow(window) || GetTickCount() - start >= ms)
            return false;
        streak = Painted(window) ? streak + 1 : 0;
        Sleep(200);
    }
    return true;
}

// Whether the screen shows the window itself: no visible window above it
// in the z-order overlaps it (hit testing would see through transparent ones).
bool Uncovered(HWND window)
{
    RECT r = {};
    GetWindowRect(window, &r);
    for (HWND above = GetWindow(window, GW_HWNDPREV); above;
         above = GetWindow(above, GW_HWNDPREV)) {
        RECT a = {}, both = {};
        if (IsWindowVisible(above) && GetWindowRect(above, &a) && IntersectRect(&both, &r, &a))
            return false;
    }
    return true;
}

struct ButtonSearch {
    const char* text;
    HWND found;
};

BOOL CALLBACK FindButton(HWND child, LPARAM search) noexcept
{
    auto* s = reinterpret_cast<ButtonSearch*>(search);
    char cls[32] = {}, text[128] = {};
    GetClassNameA(child, cls, sizeof cls);
    GetWindowTextA(child, text, sizeof text);
    if (_stricmp(cls, "Button") == 0 && std::strcmp(text, s->text) == 0) {
        s->found = child;
        return FALSE;
    }
    return TRUE;
}

// One chord as typed: modifiers held, the key pressed and released.
bool TypeChord(const char* chord)
{
    static const struct { const char* name; WORD key; } names[] = {
        {"ctrl", VK_CONTROL}, {"shift", VK_SHIFT}, {"alt", VK_MENU}, {"escape", VK_ESCAPE},
        {"enter", VK_RETURN}, {"F3", VK_F3}, {"F11", VK_F11},
    };
    INPUT in[8] = {};
    WORD held[3] = {};
    int nHeld = 0;
    WORD key = 0;
    char work[64] = {};
    std::strncpy(work, chord, sizeof work - 1);
    for (char* part = std::strtok(work, "+"); part; part = std::strtok(nullptr, "+")) {
        WORD code = 0;
        for (const auto& n : names)
            if (_stricmp(part, n.name) == 0)
                code = n.key;
        if (!code && std::strlen(part) == 1)
            code = WORD(std::toupper(static_cast<unsigned char>(part[0])));
        if (!code || key)
            return false;
        if ((code == VK_CONTROL || code == VK_SHIFT || code == VK_MENU) && nHeld < 3)
            held[nHeld++] = code;
        else
            key = code;
    }
    if (!key)
        return false;
    UINT n = 0;
    auto add = [&](WORD k, bool up) {
        in[n].type = INPUT_KEYBOARD;
        in[n].ki.wVk = k;
        in[n].ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        ++n;
    };
    for (int i = 0; i < nHeld; ++i)
        add(held[i], false);
    add(key, false);
    add(key, true);
    for (int i = nHeld; i-- > 0;)
        add(held[i], true);
    return SendInput(n, in, sizeof(INPUT)) == n;
}

// The requests that need no VARNESK; -1 for the others.
int AnyWindowRequest(int argc, char** argv)
{
    const char* verb = argv[1];
    if (std::strcmp(verb, "top") == 0) {
        EnumWindows(PrintWindow, 0);
        return 0;
    }
    if (argc < 3)
        return -1;
    HWND window = ParseWindow(argv[2]);
    if (std::strcmp(verb, "show") == 0 || std::strcmp(verb, "hide") == 0) {
        if (!IsWindow(window))
            return 1;
        ShowWindow(window, verb[0] == 's' ? SW_SHOWNOACTIVATE : SW_HIDE);
        return 0;
    }
    if (std::strcmp(verb, "close") == 0)
        return IsWindow(window) && PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
    if (std::strcmp(verb, "raise") == 0)
        return SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE)
                   ? 0
                   : 1;
    if (std::strcmp(verb, "redraw") == 0)
        return RedrawWindow(window, nullptr, nullptr,
                            RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN)
                   ? 0
                   : 1;
    if (argc < 4)
        return -1;
    if (std::strcmp(verb, "visible") == 0)
        return WaitVisible(window, DWORD(std::atoi(argv[3])) * 1000) ? 0 : 1;
    if (std::strcmp(verb, "painted") == 0) {
        if (!WaitPainted(window, DWORD(std::atoi(argv[3])) * 1000))
            return 1;
        return Uncovered(window) ? 0 : 3;
    }
    if (std::strcmp(verb, "click") == 0) {
        ButtonSearch search = {argv[3], nullptr};
        EnumChildWindows(window, FindButton, reinterpret_cast<LPARAM>(&search));
        return search.found && PostMessageA(search.found, BM_CLICK, 0, 0) ? 0 : 1;
    }
    if (std::strcmp(verb, "keys") == 0) {
        // Window 0: typed into whatever has the focus (an open menu).
        if (window) {
            if (!IsWindow(window))
                return 1;
            SetForegroundWindow(window);
            Sleep(300);
        }
        return TypeChord(argv[3]) ? 0 : 1;
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: vkpost command <id> | list | tray | top | show|hide <hwnd>"
                             " | visible <hwnd> <s> | keys <hwnd> <chord> | close <hwnd>"
                             " | click <hwnd> <text> | painted <hwnd> <s> | raise <hwnd>"
                             " | redraw <hwnd>\n");
        return 2;
    }
    int any = AnyWindowRequest(argc, argv);
    if (any >= 0)
        return any;
    HWND main = PublishedWindow();
    if (!main) {
        std::fprintf(stderr, "vkpost: no VARNESK window\n");
        return 1;
    }
    const char* verb = argv[1];
    if (std::strcmp(verb, "command") == 0 && argc > 2) {
        WORD id = WORD(std::atoi(argv[2]));
        return PostMessageA(main, WM_COMMAND, MAKEWPARAM(id, 0), 0) ? 0 : 1;
    }
    if (std::strcmp(verb, "list") == 0) {
        DWORD pid = 0;
        GetWindowThreadProcessId(main, &pid);
        EnumWindows(PrintWindow, LPARAM(pid));
        return 0;
    }
    if (std::strcmp(verb, "tray") == 0)
        return PostMessageA(main, ZWM_TRAYNOTIFY, kVarneskTrayId, WM_RBUTTONDOWN) ? 0 : 1;
    std::fprintf(stderr, "vkpost: unknown request\n");
    return 2;
}
