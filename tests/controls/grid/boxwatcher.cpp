#include "boxwatcher.h"

BoxWatcher::BoxWatcher() : thread_([this] { Run(); }) {}

BoxWatcher::~BoxWatcher()
{
    stop_ = true;
    thread_.join();
}

std::vector<BoxWatcher::Box> BoxWatcher::boxes()
{
    std::lock_guard<std::mutex> guard(lock_);
    return boxes_;
}

void BoxWatcher::Run()
{
    std::vector<HWND> answered;
    while (!stop_) {
        for (HWND box = FindWindowExA(nullptr, nullptr, "#32770", nullptr); box;
             box = FindWindowExA(nullptr, box, "#32770", nullptr)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(box, &pid);
            if (pid != GetCurrentProcessId() || !IsWindowVisible(box))
                continue;
            bool seen = false;
            for (HWND h : answered)
                seen = seen || h == box;
            if (seen)
                continue;
            char caption[256] = {}, text[1024] = {};
            GetWindowTextA(box, caption, sizeof caption);
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            {
                std::lock_guard<std::mutex> guard(lock_);
                boxes_.push_back({caption, text});
            }
            answered.push_back(box);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        Sleep(50);
    }
}
