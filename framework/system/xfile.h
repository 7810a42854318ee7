#pragma once
// xfile: one file handle with settable creation parameters, caller-owned
// read and write buffers and an optional size limit at which a write starts
// the file anew (logs). Failures go through the class's error routine.

#include "xstring.h"

#include <windows.h>

class xfile {
public:
    xfile();
    ~xfile();
    xfile(const xfile&) = delete;
    xfile& operator=(const xfile&) = delete;

    bool Open(const char* name);
    bool Create();
    bool Read();
    bool Write();
    bool WriteString(const char* text);
    void Close();

    // Control-library additions (xfile_corvex.cpp).
    bool Flush();
    // The new 64-bit position, -1 when closed or on failure.
    long long Seek(LONG distanceLow, LONG distanceHigh, DWORD method);
    bool LockFile(DWORD offset, DWORD length);
    bool UnlockFile(DWORD offset, DWORD length);
    // Writes a hex dump of the data: offset field, hex bytes, characters.
    bool HexDump(const void* data, DWORD length, unsigned long long startOffset, int bytesPerLine);
    // Dumps this whole file (from its current position) into a new file.
    bool Read(const char* targetPath, int bytesPerLine);

    xstring GetName() const { return name_; }
    HANDLE GetHandle() const { return handle_; }
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    DWORD GetBytesRead() const { return bytesRead_; }
    DWORD GetBytesWritten() const { return bytesWritten_; }
    int GetLastError() const { return lastError_; }
    const xstring& GetErrorText() const { return errorText_; }

    void SetName(const char* name) { name_ = name; }
    void SetWriteBuffer(const void* buffer, DWORD count)
    {
        writeBuffer_ = buffer;
        toWrite_ = count;
    }
    void SetReadBuffer(void* buffer, DWORD count)
    {
        readBuffer_ = buffer;
        toRead_ = count;
    }
    void SetAccess(DWORD access) { access_ = access; }
    void SetShareMode(DWORD share) { share_ = share; }
    void SetDisposition(DWORD disposition) { disposition_ = disposition; }
    void SetFlags(DWORD flags) { flags_ = flags; }
    void SetMaxSize(DWORD bytes) { maxSize_ = bytes; }
    void SetShow(int show) { show_ = show; }
    void SetThrow(int throwIt) { throw_ = throwIt; }

private:
    void Error(const char* label, int code);
    bool Restart();

    xstring errorText_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    xstring name_;
    int show_ = 0;
    const void* writeBuffer_ = nullptr;
    void* readBuffer_ = nullptr;
    DWORD share_ = FILE_SHARE_READ | FILE_SHARE_WRITE;
    DWORD access_ = GENERIC_READ | GENERIC_WRITE;
    DWORD disposition_ = CREATE_NEW;
    DWORD flags_ = FILE_ATTRIBUTE_NORMAL;
    int lastError_ = 0;
    DWORD toRead_ = 0;
    DWORD toWrite_ = 0;
    DWORD bytesWritten_ = 0;
    DWORD bytesRead_ = 0;
    DWORD maxSize_ = 0;
    int throw_ = 1;
};
