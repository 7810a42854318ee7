#pragma once
// Holds a critical section for one scope.

#include <windows.h>

class CsLock {
public:
    explicit CsLock(CRITICAL_SECTION* cs) : cs_(cs) { EnterCriticalSection(cs_); }
    ~CsLock() { LeaveCriticalSection(cs_); }
    CsLock(const CsLock&) = delete;
    CsLock& operator=(const CsLock&) = delete;

private:
    CRITICAL_SECTION* cs_;
};
