#pragma once
// xthread: a worker thread of a stored start routine and parameter.
// xtimer: a stopwatch over the performance counter.

#include <windows.h>

using xthreadroutine = DWORD (*)(void* parameter);

class xthread {
public:
    explicit xthread(xthreadroutine routine = nullptr, void* parameter = nullptr);
    ~xthread();
    xthread(const xthread&) = delete;
    xthread& operator=(const xthread&) = delete;

    void SetRoutine(xthreadroutine routine) { routine_ = routine; }
    void SetParameter(void* parameter) { parameter_ = parameter; }
    void SetReport(unsigned char report) { report_ = report; }

    bool Execute();
    // True while the thread has not ended; false without a handle.
    bool IsRunning() const;
    // As xevent::Wait, on the thread handle.
    DWORD Wait(DWORD milliseconds);
    bool GetExitCode(DWORD& code) const;
    void CloseHandle();

    HANDLE GetHandle() const { return handle_; }
    DWORD GetId() const { return id_; }
    int GetLastError() const { return lastError_; }

    // What a routine that let an exception escape returns.
    static constexpr DWORD kEscapedException = 0xE0000001;

private:
    DWORD id_ = 0;
    HANDLE handle_ = nullptr;
    int lastError_ = 0;
    void* parameter_;
    unsigned char report_ = 1;
    xthreadroutine routine_;
};

class xtimer {
public:
    void Start();
    // Milliseconds since Start; 0 without a counter.
    double Elapsed() const;

private:
    unsigned char available_ = 0;
    double ticksPerMs_ = 0;
    long long start_ = 0;
};
