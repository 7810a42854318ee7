// vkpost.exe's judgement of a window for the screenshots: painted only once
// it waits for no WM_PAINT and its thread answers, and told apart when
// another window covers it. The windows live on a thread of this program
// that the rows can hold up; vkpost.exe runs as the scripts run it.

#include "testutil.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <thread>

namespace {

const char kClass[] = "vkpost_test_window";
const UINT kHold = WM_APP + 1;  // the window's thread waits for `release`

HANDLE release = nullptr;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wp, LPARAM lp)
{
    if (message == kHold) {
        WaitForSingleObject(release, 30000);
        return 0;
    }
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        EndPaint(window, &ps);
        return 0;
    }
    return DefWindowProcA(window, message, wp, lp);
}

// A thread with two top-level windows: `low` and, when asked, `high` over it.
class WindowThread {
public:
    WindowThread()
    {
        ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread_ = std::thread([this] { Run(); });
        WaitForSingleObject(ready_, 10000);
    }
    ~WindowThread()
    {
        SetEvent(release);
        PostMessageA(low, WM_CLOSE, 0, 0);
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        thread_.join();
        CloseHandle(ready_);
    }
    WindowThread(const WindowThread&) = delete;
    WindowThread& operator=(const WindowThread&) = delete;

    HWND low = nullptr;
    HWND high = nullptr;

private:
    void Run()
    {
        threadId_ = GetCurrentThreadId();
        // Far from where other test programs of the session put theirs.
        low = Make(1000, 800);
        high = Make(1050, 850);
        ShowWindow(low, SW_SHOW);
        UpdateWindow(low);
        SetEvent(ready_);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        DestroyWindow(high);
        DestroyWindow(low);
    }

    static HWND Make(int x, int y)
    {
        return CreateWindowExA(0, kClass, "vkpost test", WS_POPUP | WS_BORDER, x, y, 150, 100,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }

    HANDLE ready_ = nullptr;
    DWORD threadId_ = 0;
    std::thread thread_;
};

// vkpost.exe's exit code for `arguments`, or -1 when it did not run.
int Vkpost(const std::string& arguments)
{
    return testutil::run_program("\"" + testutil::exe_folder() + "\\vkpost.exe\" " + arguments);
}

std::string Handle(HWND window)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08lX",
                  static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window)));
    return text;
}

class VkpostPainted : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClass;
        RegisterClassA(&wc);
        release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    static void TearDownTestSuite() { CloseHandle(release); }
    void SetUp() override { ResetEvent(release); }
};

void Cover(WindowThread& w)
{
    SetWindowPos(w.high, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
}

void HoldUpWithPaintPending(WindowThread& w)
{
    PostMessageA(w.low, kHold, 0, 0);
    Sleep(300);
    InvalidateRect(w.low, nullptr, TRUE);
}

TEST_F(VkpostPainted, JudgesAWindowByItsOwnStateAndWhatCoversIt)
{
    struct Row {
        const char* name;
        void (*prepare)(WindowThread&);
        const char* seconds;
        int expected;  // 0 painted, 1 not painted in time, 3 covered
    };
    const Row rows[] = {
        {"a window that has painted itself, alone", [](WindowThread&) {}, "10", 0},
        {"a window covered by another one above it", Cover, "10", 3},
        {"a window that waits for WM_PAINT while its thread is held up", HoldUpWithPaintPending,
         "3", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ResetEvent(release);
        WindowThread windows;
        ASSERT_NE(windows.low, nullptr);
        row.prepare(windows);
        int got = Vkpost("painted " + Handle(windows.low) + " " + row.seconds);
        EXPECT_EQ(row.expected, got) << "expected exit " << row.expected << ", vkpost gave " << got;
    }
}

TEST_F(VkpostPainted, RaiseBringsACoveredWindowUp)
{
    WindowThread windows;
    ASSERT_NE(windows.low, nullptr);
    Cover(windows);
    ASSERT_EQ(3, Vkpost("painted " + Handle(windows.low) + " 10"));
    EXPECT_EQ(0, Vkpost("raise " + Handle(windows.low)));
    EXPECT_EQ(0, Vkpost("painted " + Handle(windows.low) + " 10"));
}

}  // namespace
