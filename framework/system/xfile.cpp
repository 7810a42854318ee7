#include "xfile.h"

#include "xexceptions.h"

#include <cstring>

xfile::xfile() = default;

xfile::~xfile()
{
    try {
        Close();
    } catch (...) {
    }
}

void xfile::Error(const char* label, int code)
{
    xreporterror<xfileexceptions>(errorText_, lastError_, label, code, show_ == 1, throw_ == 1);
}

bool xfile::Open(const char* name)
{
    name_ = name;
    return Create();
}

bool xfile::Create()
{
    lastError_ = 0;
    if (IsOpen())
        return true;
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    handle_ = CreateFileA(name_, access_, share_, &sa, disposition_, flags_, nullptr);
    if (handle_ != INVALID_HANDLE_VALUE)
        return true;
    lastError_ = int(::GetLastError());
    Error("xfile::Create", 122);
    return false;
}

bool xfile::Read()
{
    lastError_ = 0;
    bytesRead_ = 0;
    if (readBuffer_ == nullptr || toRead_ == 0)
        return true;
    if (!ReadFile(handle_, readBuffer_, toRead_, &bytesRead_, nullptr)) {
        lastError_ = int(::GetLastError());
        Error("xfile::Read", 123);
        return false;
    }
    if (bytesRead_ == 0) {
        Error("xfile::Read EOF", 124);
        return false;
    }
    return true;
}

// A file past its size limit starts again empty: it is emptied explicitly,
// since a disposition that opens the existing file would otherwise write
// over its head and leave the old tail behind.
bool xfile::Restart()
{
    Close();
    if (!Create())
        return false;
    if (SetFilePointer(handle_, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !SetEndOfFile(handle_)) {
        lastError_ = int(::GetLastError());
        Error("xfile::Write", 125);
        return false;
    }
    return true;
}

bool xfile::Write()
{
    lastError_ = 0;
    bytesWritten_ = 0;
    if (writeBuffer_ == nullptr || toWrite_ == 0)
        return true;
    if (maxSize_ != 0 && IsOpen()) {
        DWORD size = GetFileSize(handle_, nullptr);
        if (size != INVALID_FILE_SIZE && size > maxSize_ && !Restart())
            return false;
    }
    if (!WriteFile(handle_, writeBuffer_, toWrite_, &bytesWritten_, nullptr)) {
        lastError_ = int(::GetLastError());
        Error("xfile::Write", 125);
        return false;
    }
    return true;
}

bool xfile::WriteString(const char* text)
{
    SetWriteBuffer(text, text ? DWORD(std::strlen(text)) : 0);
    return Write();
}

void xfile::Close()
{
    if (IsOpen())
        CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    lastError_ = 0;
}
