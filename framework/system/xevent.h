#pragma once
// xevent: a named (or unnamed) event that everyone may open; its wait
// pumps the calling thread's messages.

#include "xstring.h"

#include <windows.h>

class xevent {
public:
    explicit xevent(const char* name = "", bool manualReset = false, bool initialState = false);
    ~xevent();
    xevent(const xevent&) = delete;
    xevent& operator=(const xevent&) = delete;

    bool Create(const char* name = "");
    // Opens the existing named event (a non-empty name replaces the stored one).
    bool Open(const char* name = "");
    // 0 signalled (also when no event exists), 258 time-out, 1 quit message,
    // WAIT_FAILED when the wait itself failed.
    DWORD Wait(DWORD milliseconds);
    bool Set();
    bool Reset();
    void Close();

    HANDLE GetHandle() const { return handle_; }
    const xstring& GetName() const { return name_; }
    int GetLastError() const { return lastError_; }
    const xstring& GetErrorText() const { return errorText_; }
    void SetShow(unsigned char show) { show_ = show; }
    void SetThrow(unsigned char throwIt) { throw_ = throwIt; }

private:
    void Error(const char* label, int code);

    xstring name_;
    xstring errorText_;
    HANDLE handle_ = nullptr;
    unsigned char show_ = 0;
    int lastError_ = 0;
    unsigned char throw_ = 1;
    unsigned char manualReset_;
    unsigned char initialState_;
};

// A security record that grants everyone access (NULL DACL), inheritable.
// Returns the failing step's label suffix ("ISD" or "SDD") or nullptr.
const char* xopensecurity(SECURITY_DESCRIPTOR& sd, SECURITY_ATTRIBUTES& sa);
// The installer's framework build makes its events and shared memory
// without a security descriptor: default access, handles not inherited.
void xsetplainsecurity(bool plain);
