#pragma once
// The framework's pumping wait: waits for a handle while it keeps the
// calling thread's windows alive by handling their messages.

#include <windows.h>

enum : DWORD {
    XWAIT_SIGNALLED = 0,
    XWAIT_QUIT = 1,
    XWAIT_TIMEOUT = WAIT_TIMEOUT,  // 258
    XWAIT_FAILED = WAIT_FAILED,
};

// Returns XWAIT_SIGNALLED, XWAIT_TIMEOUT once the time-out has run out in
// total (message traffic does not extend it), XWAIT_QUIT when a quit message
// arrived (posted again with code 0 for the thread's own loop), or
// XWAIT_FAILED with the system error in *lastError.
DWORD xpumpwait(HANDLE handle, DWORD milliseconds, int* lastError);
