#pragma once
// xregistry: one registry key, opened or created, with text values stored
// in it. Failures follow the framework's show and throw flags.

#include "xexceptions.h"
#include "xstring.h"

#include <windows.h>

class xregistryexceptions : public xexceptions {
public:
    xregistryexceptions();
    xregistryexceptions(const char* reason, int label, int systemError);
};

class xregistry {
public:
    xregistry() = default;
    ~xregistry();
    xregistry(const xregistry&) = delete;
    xregistry& operator=(const xregistry&) = delete;

    bool Open(HKEY root, const char* subKey, REGSAM access);
    bool Create(HKEY root, const char* subKey, REGSAM access);
    bool Store(const char* valueName, const char* text);
    void Close();

    HKEY Key() const { return key_; }
    DWORD Disposition() const { return disposition_; }
    long GetLastError() const { return lastError_; }
    const xstring& GetErrorText() const { return errorText_; }
    void SetShow(unsigned char show) { show_ = show; }
    void SetThrow(unsigned char throwIt) { throw_ = throwIt; }

private:
    void Error(const char* label, int code);

    HKEY key_ = nullptr;
    xstring errorText_;
    unsigned char show_ = 0;
    unsigned char throw_ = 1;
    DWORD disposition_ = 0;
    long lastError_ = 0;
};
