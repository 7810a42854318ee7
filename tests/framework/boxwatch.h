#pragma once
// Message boxes in tests: a recording seam, and a watcher thread that finds
// real "#32770" boxes, reads their texts and answers them.

#include "xhooks.h"

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace boxwatch {

struct Box {
    std::string text;
    std::string caption;
    UINT style;
};

inline std::vector<Box>& Recorded()
{
    static std::vector<Box> boxes;
    return boxes;
}

inline int Record(HWND, const char* text, const char* caption, UINT style)
{
    Recorded().push_back({text ? text : "", caption ? caption : "", style});
    return IDOK;
}

// Routes the framework's boxes into Recorded() for its lifetime.
class Seam {
public:
    Seam() : old_(xsetmessagebox(Record)) { Recorded().clear(); }
    ~Seam() { xsetmessagebox(old_); }
    Seam(const Seam&) = delete;
    Seam& operator=(const Seam&) = delete;

private:
    xmessageboxfn old_;
};

// Answers the first box of this process with the given button.
class Watcher {
public:
    explicit Watcher(int button) : button_(button), thread_([this] { Run(); }) {}
    ~Watcher()
    {
        stop_ = true;
        thread_.join();
    }
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;

    std::string caption, text;
    std::atomic<bool> answered{false};

private:
    struct Search {
        HWND found;
    };
    static BOOL CALLBACK Each(HWND hwnd, LPARAM lp) noexcept
    {
        char cls[32] = {};
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        GetClassNameA(hwnd, cls, sizeof cls);
        if (pid == GetCurrentProcessId() && std::string(cls) == "#32770" && IsWindowVisible(hwnd)) {
            reinterpret_cast<Search*>(lp)->found = hwnd;
            return FALSE;
        }
        return TRUE;
    }
    static BOOL CALLBACK Texts(HWND child, LPARAM lp) noexcept
    {
        char cls[32] = {}, buf[2048] = {};
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") == 0 && GetWindowTextA(child, buf, sizeof buf) > 0) {
            try {
                std::string& t = *reinterpret_cast<std::string*>(lp);
                t += buf;
            } catch (...) {
            }
        }
        return TRUE;
    }
    void Run()
    {
        for (int i = 0; i < 1000 && !stop_; ++i) {
            Search s{nullptr};
            EnumWindows(Each, reinterpret_cast<LPARAM>(&s));
            if (s.found) {
                char buf[256] = {};
                GetWindowTextA(s.found, buf, sizeof buf);
                caption = buf;
                EnumChildWindows(s.found, Texts, reinterpret_cast<LPARAM>(&text));
                PostMessageA(s.found, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(s.found, button_)));
                answered = true;
                return;
            }
            Sleep(20);
        }
    }

    int button_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace boxwatch
