#pragma once
// A host window for the control-library tests: it records what its children
// send it and answers offered keys, characters and mouse messages as told.
// Also a bounded pump and real mouse input.

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

namespace ctlhost {

struct Received {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

// The host's state; one host lives at a time.
struct Host {
    HWND hwnd = nullptr;
    std::vector<Received> got;
    LRESULT keyReply = 0;    // answer to 0x0979
    LRESULT charReply = 0;   // answer to 0x097A
    LRESULT mouseReply = 0;  // answer to mouse messages from children
    HWND relayoutBar = nullptr;  // sent 0x09FB again at the end of a drag
    const HWND* relayoutFirst = nullptr;
    const HWND* relayoutSecond = nullptr;

    size_t Count(UINT msg, WPARAM wParam) const;
    const Received* Last(UINT msg) const;
};

Host& TheHost();

// The visible top-level host with the given client size and no children.
HWND CreateHost(int clientWidth, int clientHeight);
// Ends the host's children and clears its record and replies.
void DestroyHost();

HWND Child(const char* cls, int x, int y, int w, int h, DWORD style = 0);

template <class Cond>
bool PumpUntil(Cond cond, DWORD ms = 3000)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (cond())
            return true;
        if (GetTickCount() - start > ms)
            return false;
        Sleep(5);
    }
}

inline void Pump(DWORD ms = 60)
{
    PumpUntil([] { return false; }, ms);
}

// Real input: the pointer to a screen point, the left button down or up.
void MouseTo(POINT screen);
void LeftButton(bool down);

// A window's rectangle in its parent's client coordinates.
RECT RectInParent(HWND window);

}  // namespace ctlhost
