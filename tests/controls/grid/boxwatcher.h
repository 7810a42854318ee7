#pragma once
// Answers the message boxes this process shows while it lives, and keeps
// their captions and texts for the test to check.

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class BoxWatcher {
public:
    struct Box {
        std::string caption, text;
    };

    BoxWatcher();
    ~BoxWatcher();
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;

    std::vector<Box> boxes();

private:
    void Run();

    std::atomic<bool> stop_{false};
    std::mutex lock_;
    std::vector<Box> boxes_;
    std::thread thread_;
};
