// The recording host window and real mouse input of the control tests.

#include "ctlhost.h"

namespace ctlhost {

namespace {

const char kHostClass[] = "CorvexTestHost";

bool IsRecorded(UINT msg)
{
    return msg == 0x0979 || msg == 0x097A || (msg >= WM_MOUSEFIRST && msg <= 0x020E) ||
           msg == WM_COMMAND || msg == 0x09FD;
}

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Host& h = TheHost();
    if (hwnd != h.hwnd || !IsRecorded(msg))
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    h.got.push_back({msg, wParam, lParam});
    switch (msg) {
    case 0x0979:
        return h.keyReply;
    case 0x097A:
        return h.charReply;
    case WM_COMMAND:
        if (wParam == 0x09FE && h.relayoutBar)
            SendMessageA(h.relayoutBar, 0x09FB, reinterpret_cast<WPARAM>(h.relayoutFirst),
                         reinterpret_cast<LPARAM>(h.relayoutSecond));
        return 0;
    case 0x09FD:
        return 0;
    default:
        // Mouse messages: the test's reply, else the usual handling.
        return h.mouseReply ? h.mouseReply : DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

void SendMouse(DWORD flags, LONG dx, LONG dy)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = dx;
    in.mi.dy = dy;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof in);
}

}  // namespace

size_t Host::Count(UINT msg, WPARAM wParam) const
{
    size_t n = 0;
    for (const Received& r : got)
        n += r.msg == msg && r.wParam == wParam;
    return n;
}

const Received* Host::Last(UINT msg) const
{
    for (auto it = got.rbegin(); it != got.rend(); ++it)
        if (it->msg == msg)
            return &*it;
    return nullptr;
}

Host& TheHost()
{
    static Host host;
    return host;
}

// One host serves the whole program: ending a top-level window costs Wine
// seconds without a window manager, so tests only clear its children.
HWND CreateHost(int clientWidth, int clientHeight)
{
    Host& h = TheHost();
    HWND hwnd = h.hwnd;
    DestroyHost();
    if (!hwnd) {
        WNDCLASSA cls = {};
        cls.lpfnWndProc = HostProc;
        cls.hInstance = GetModuleHandleA(nullptr);
        cls.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        cls.lpszClassName = kHostClass;
        RegisterClassA(&cls);
        hwnd = CreateWindowA(kHostClass, "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60, 100,
                             100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    h.hwnd = hwnd;
    RECT r = {0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    SetWindowPos(hwnd, nullptr, 60, 60, r.right - r.left, r.bottom - r.top, SWP_NOZORDER);
    SetForegroundWindow(hwnd);
    Pump(60);
    return hwnd;
}

// Ends the children of the host and forgets what it received.
void DestroyHost()
{
    Host& h = TheHost();
    std::vector<HWND> children;
    for (HWND c = h.hwnd ? GetWindow(h.hwnd, GW_CHILD) : nullptr; c; c = GetWindow(c, GW_HWNDNEXT))
        children.push_back(c);
    for (HWND c : children)
        DestroyWindow(c);
    HWND keep = h.hwnd;
    h = Host();
    h.hwnd = keep;
    Pump(20);
}

HWND Child(const char* cls, int x, int y, int w, int h, DWORD style)
{
    return CreateWindowA(cls, "", WS_CHILD | WS_VISIBLE | style, x, y, w, h, TheHost().hwnd,
                         nullptr, GetModuleHandleA(nullptr), nullptr);
}

void MouseTo(POINT screen)
{
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    // Normalised coordinates round; nudge until the pointer is on the pixel.
    LONG nx = MulDiv(screen.x, 65536, w) + 32, ny = MulDiv(screen.y, 65536, h) + 32;
    for (int attempt = 0; attempt < 4; ++attempt) {
        SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, nx, ny);
        POINT at = {};
        PumpUntil([&] { return GetCursorPos(&at) && at.x == screen.x && at.y == screen.y; }, 300);
        if (at.x == screen.x && at.y == screen.y)
            return;
        nx += (screen.x - at.x) * 65536 / w;
        ny += (screen.y - at.y) * 65536 / h;
    }
    ADD_FAILURE() << "pointer did not reach " << screen.x << "," << screen.y;
}

void LeftButton(bool down)
{
    SendMouse(down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP, 0, 0);
    Pump(60);
}

RECT RectInParent(HWND window)
{
    RECT r = {};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace ctlhost
