#include "xwait.h"

#include "xhooks.h"

namespace {

class Deadline {
public:
    explicit Deadline(DWORD ms) : ms_(ms), start_(GetTickCount()) {}
    DWORD Remaining() const
    {
        if (ms_ == INFINITE)
            return INFINITE;
        DWORD spent = GetTickCount() - start_;
        return spent >= ms_ ? 0 : ms_ - spent;
    }
    bool Passed() const { return Remaining() == 0; }

private:
    DWORD ms_;
    DWORD start_;
};

void Handle(MSG& msg)
{
    HWND mdi = xgetwindowhooks().mdiClient ? xgetwindowhooks().mdiClient() : nullptr;
    if (mdi && TranslateMDISysAccel(mdi, &msg))
        return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

// Handles what is waiting; false when a quit message came.
bool Pump(const Deadline& deadline)
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(0);  // as the application's pump re-posts it
            return false;
        }
        Handle(msg);
        Sleep(0);
        if (deadline.Passed())  // a flood of posts must not hold the wait
            break;
    }
    return true;
}

}  // namespace

DWORD xpumpwait(HANDLE handle, DWORD milliseconds, int* lastError)
{
    Deadline deadline(milliseconds);
    for (;;) {
        DWORD r = MsgWaitForMultipleObjectsEx(1, &handle, deadline.Remaining(), QS_ALLINPUT,
                                              MWMO_INPUTAVAILABLE);
        // An abandoned mutex is taken all the same: its new holder must know.
        if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED_0)
            return XWAIT_SIGNALLED;
        if (r == WAIT_TIMEOUT)
            return XWAIT_TIMEOUT;
        if (r != WAIT_OBJECT_0 + 1) {
            if (lastError)
                *lastError = r == WAIT_FAILED ? int(GetLastError()) : ERROR_INVALID_HANDLE;
            return XWAIT_FAILED;
        }
        if (!Pump(deadline))
            return XWAIT_QUIT;
        if (deadline.Passed()) {
            r = WaitForSingleObject(handle, 0);
            return r == WAIT_OBJECT_0 || r == WAIT_ABANDONED ? XWAIT_SIGNALLED : XWAIT_TIMEOUT;
        }
    }
}
