#include "xfindfile.h"

#include "xexceptions.h"

xfindfile::xfindfile(const char* pattern) : pattern_(pattern) {}

xfindfile::~xfindfile()
{
    Close();
}

void xfindfile::Error(const char* label, int code)
{
    xreporterror<xfindfileexceptions>(errorText_, lastError_, label, code, show_ == 1,
                                      throw_ == 1);
}

void xfindfile::Close()
{
    if (handle_)
        FindClose(handle_);
    handle_ = nullptr;
}

bool xfindfile::First()
{
    lastError_ = 0;
    Close();
    HANDLE h = FindFirstFileA(pattern_, &data_);
    if (h != INVALID_HANDLE_VALUE) {
        handle_ = h;
        return true;
    }
    lastError_ = int(::GetLastError());
    Error("xfindfile::First", 195);
    return false;
}

bool xfindfile::Next()
{
    lastError_ = 0;
    if (handle_ && FindNextFileA(handle_, &data_))
        return true;
    lastError_ = handle_ ? int(::GetLastError()) : ERROR_INVALID_HANDLE;
    Error("xfindfile::Next", 196);
    return false;
}
