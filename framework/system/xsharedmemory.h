#pragma once
// xsharedmemory: a named paging-file mapping with a companion lock event
// (the name followed by "_lock", auto-reset, initially signalled).

#include "xevent.h"
#include "xstring.h"

#include <windows.h>

class xsharedmemory {
public:
    // A size of 0 means 4 bytes.
    explicit xsharedmemory(const char* name, DWORD size = 0);
    ~xsharedmemory();
    xsharedmemory(const xsharedmemory&) = delete;
    xsharedmemory& operator=(const xsharedmemory&) = delete;

    bool Create();
    bool Open();

    void* GetData() const { return data_; }
    DWORD GetSize() const { return size_; }
    xevent& GetLock() { return lock_; }
    const xstring& GetName() const { return name_; }
    int GetLastError() const { return lastError_; }
    const xstring& GetErrorText() const { return errorText_; }
    void SetShow(int show) { show_ = show; }
    void SetThrow(int throwIt) { throw_ = throwIt; }

private:
    void Error(const char* label, int code);
    bool MapView(const char* label, int code);

    xevent lock_;
    xstring name_;
    xstring errorText_;
    HANDLE mapping_ = nullptr;
    void* view_ = nullptr;
    DWORD size_;
    int show_ = 0;
    int lastError_ = 0;
    void* data_ = nullptr;
    int throw_ = 1;
};
