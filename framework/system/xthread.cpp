#include "xthread.h"

#include "xsystem.h"
#include "xwait.h"

namespace {

struct StartRecord {
    xthreadroutine routine;
    void* parameter;
};

// A C++ exception cannot unwind through the system's thread start frames.
DWORD WINAPI ThreadStart(void* arg) noexcept
{
    StartRecord record = *static_cast<StartRecord*>(arg);
    delete static_cast<StartRecord*>(arg);
    try {
        return record.routine ? record.routine(record.parameter) : 0;
    } catch (...) {
        return xthread::kEscapedException;
    }
}

}  // namespace

xthread::xthread(xthreadroutine routine, void* parameter)
    : parameter_(parameter), routine_(routine)
{
}

xthread::~xthread()
{
    CloseHandle();
}

bool xthread::Execute()
{
    lastError_ = 0;
    StartRecord* record = new StartRecord{routine_, parameter_};
    HANDLE h = CreateThread(nullptr, 0, ThreadStart, record, 0, &id_);
    if (h == nullptr) {
        lastError_ = int(::GetLastError());
        delete record;
        if (report_ == 1)
            xsys().ShowError("xthread::Execute", static_cast<unsigned long>(lastError_));
        return false;  // a handle kept from an earlier start is not this one's
    }
    CloseHandle();
    handle_ = h;
    return true;
}

// The handle's state, not the exit code: a routine may well return 259.
bool xthread::IsRunning() const
{
    return handle_ && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT;
}

DWORD xthread::Wait(DWORD milliseconds)
{
    lastError_ = 0;
    if (handle_ == nullptr)
        return 0;
    return xpumpwait(handle_, milliseconds, &lastError_);
}

bool xthread::GetExitCode(DWORD& code) const
{
    return handle_ && GetExitCodeThread(handle_, &code);
}

void xthread::CloseHandle()
{
    if (handle_)
        ::CloseHandle(handle_);
    handle_ = nullptr;
}

void xtimer::Start()
{
    LARGE_INTEGER frequency, now;
    available_ = QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0;
    ticksPerMs_ = available_ ? double(frequency.QuadPart) / 1000.0 : 0;
    QueryPerformanceCounter(&now);
    start_ = now.QuadPart;
}

double xtimer::Elapsed() const
{
    if (!available_)
        return 0;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart - start_) / ticksPerMs_;
}
