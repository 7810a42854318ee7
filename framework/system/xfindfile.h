#pragma once
// xfindfile: the entries of a folder that match a pattern. With the default
// flags the end of a listing throws from Next, like every other failure.

#include "xstring.h"

#include <windows.h>

class xfindfile {
public:
    explicit xfindfile(const char* pattern = "");
    ~xfindfile();
    xfindfile(const xfindfile&) = delete;
    xfindfile& operator=(const xfindfile&) = delete;

    void SetPattern(const char* pattern) { pattern_ = pattern; }
    bool First();
    bool Next();
    void Close();

    xstring GetName() const { return xstring(data_.cFileName); }
    const WIN32_FIND_DATAA& GetData() const { return data_; }
    bool IsFolder() const { return (data_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    int GetLastError() const { return lastError_; }
    const xstring& GetErrorText() const { return errorText_; }
    void SetShow(unsigned char show) { show_ = show; }
    void SetThrow(unsigned char throwIt) { throw_ = throwIt; }

private:
    void Error(const char* label, int code);

    WIN32_FIND_DATAA data_ = {};
    HANDLE handle_ = nullptr;
    xstring errorText_;
    unsigned char show_ = 0;
    unsigned char throw_ = 1;
    int lastError_ = 0;
    xstring pattern_;
};
