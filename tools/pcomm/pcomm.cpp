#include "pcomm.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kMaxPort = 255;
constexpr DWORD kDefaultReadMs = 3000;
constexpr DWORD kDefaultWriteMs = 5000;
// Wine waits the whole total time-out even with data waiting, so reads poll
// an immediate-return read at this pace instead.
constexpr DWORD kPollMs = 3;

struct Port {
    HANDLE handle = INVALID_HANDLE_VALUE;
    DWORD readMs = kDefaultReadMs;
    DWORD writeMs = kDefaultWriteMs;
};

Port g_ports[kMaxPort + 1];
CRITICAL_SECTION g_lock;

class Guard {
public:
    Guard() { EnterCriticalSection(&g_lock); }
    ~Guard() { LeaveCriticalSection(&g_lock); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;
};

void record(const char* format, ...) __attribute__((format(printf, 1, 2)));
void record(const char* format, ...)
{
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("PCOMM_TRACE", path, sizeof path);
    if (n == 0 || n >= sizeof path)
        return;
    Guard guard;
    FILE* f = std::fopen(path, "a");
    if (!f)
        return;
    va_list args;
    va_start(args, format);
    std::vfprintf(f, format, args);
    va_end(args);
    std::fclose(f);
}

// Looks `call` up in PCOMM_FAULTS; true with its code (or `dflt` when the
// entry has no "=code") when the call is to fail.
bool fault(const char* call, int dflt, int* code)
{
    char list[512];
    DWORD n = GetEnvironmentVariableA("PCOMM_FAULTS", list, sizeof list);
    if (n == 0 || n >= sizeof list)
        return false;
    size_t len = std::strlen(call);
    for (char* item = std::strtok(list, ","); item; item = std::strtok(nullptr, ",")) {
        if (std::strncmp(item, call, len) != 0 || (item[len] != '\0' && item[len] != '='))
            continue;
        *code = item[len] == '=' ? std::atoi(item + len + 1) : dflt;
        return true;
    }
    return false;
}

HANDLE handle_of(int port)
{
    if (port < 1 || port > kMaxPort)
        return INVALID_HANDLE_VALUE;
    Guard guard;
    return g_ports[port].handle;
}

bool apply_timeouts(HANDLE h, DWORD writeMs)
{
    // Reads return at once with what is there; sio_read does the waiting.
    COMMTIMEOUTS t = {MAXDWORD, 0, 0, 0, writeMs};
    return SetCommTimeouts(h, &t) != FALSE;
}

DWORD speed_of(int code)
{
    static const DWORD speeds[] = {4800, 7200, 9600, 19200, 38400, 57600, 115200};
    return code >= SIO_B4800 && code <= SIO_B115200 ? speeds[code - SIO_B4800] : 0;
}

// Reads and changes the port's DCB under one call.
template <typename Change> int change_dcb(int port, Change change)
{
    HANDLE h = handle_of(port);
    if (h == INVALID_HANDLE_VALUE)
        return SIO_BADPORT;
    DCB dcb;
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(h, &dcb))
        return SIO_WIN32FAIL;
    if (!change(dcb))
        return SIO_BADPARM;
    return SetCommState(h, &dcb) ? SIO_OK : SIO_WIN32FAIL;
}

int open_port(int port)
{
    if (port < 1 || port > kMaxPort)
        return SIO_BADPORT;
    if (handle_of(port) != INVALID_HANDLE_VALUE)
        return SIO_OUTCONTROL;
    char name[16];
    std::snprintf(name, sizeof name, "\\\\.\\COM%d", port);
    HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return SIO_OPENFAIL;
    DCB dcb;
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    bool ok = GetCommState(h, &dcb) != FALSE;
    if (ok) {
        dcb.BaudRate = 9600;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = dcb.fOutX = dcb.fInX = FALSE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        ok = SetCommState(h, &dcb) && apply_timeouts(h, kDefaultWriteMs);
    }
    if (!ok) {
        CloseHandle(h);
        return SIO_WIN32FAIL;
    }
    Guard guard;
    g_ports[port] = Port();
    g_ports[port].handle = h;
    return SIO_OK;
}

int read_port(int port, char* buf, int len)
{
    HANDLE h = handle_of(port);
    if (h == INVALID_HANDLE_VALUE)
        return SIO_BADPORT;
    if (!buf || len <= 0)
        return SIO_BADPARM;
    DWORD limit;
    {
        Guard guard;
        limit = g_ports[port].readMs;
    }
    DWORD start = GetTickCount();
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(h, buf, static_cast<DWORD>(len), &got, nullptr))
            return SIO_WIN32FAIL;
        if (got > 0)
            return static_cast<int>(got);
        if (GetTickCount() - start >= limit)
            return 0;
        Sleep(kPollMs);
    }
}

int write_port(int port, const char* buf, int len)
{
    HANDLE h = handle_of(port);
    if (h == INVALID_HANDLE_VALUE)
        return SIO_BADPORT;
    if (!buf || len < 0)
        return SIO_BADPARM;
    int code;
    if (fault("short", 1, &code) && code > 0 && len > code)
        len = code;
    DWORD written = 0;
    BOOL ok = WriteFile(h, buf, static_cast<DWORD>(len), &written, nullptr);
    if (written > 0 || (ok && len == 0))
        return static_cast<int>(written);
    DWORD error = ok ? ERROR_TIMEOUT : GetLastError();
    return error == ERROR_TIMEOUT || error == ERROR_SEM_TIMEOUT ? SIO_WRITETIMEOUT
                                                                : SIO_WIN32FAIL;
}

}  // namespace

extern "C" {

int PCOMM_API sio_open(int port)
{
    record("20 %d\n", port);
    int code;
    if (fault("open", SIO_OPENFAIL, &code))
        return code;
    return open_port(port);
}

int PCOMM_API sio_close(int port)
{
    record("19 %d\n", port);
    if (port < 1 || port > kMaxPort)
        return SIO_BADPORT;
    HANDLE h;
    {
        Guard guard;
        h = g_ports[port].handle;
        g_ports[port].handle = INVALID_HANDLE_VALUE;
    }
    if (h == INVALID_HANDLE_VALUE)
        return SIO_BADPORT;
    CloseHandle(h);
    return SIO_OK;
}

int PCOMM_API sio_ioctl(int port, int baud, int mode)
{
    record("2 %d %d %d\n", port, baud, mode);
    int code;
    if (fault("ioctl", SIO_WIN32FAIL, &code))
        return code;
    return change_dcb(port, [baud, mode](DCB& dcb) {
        static const BYTE parities[] = {NOPARITY, ODDPARITY, EVENPARITY};
        int parity = (mode >> 3) & 7;
        if (speed_of(baud) == 0 || parity > 2)
            return false;
        dcb.BaudRate = speed_of(baud);
        dcb.ByteSize = static_cast<BYTE>(5 + (mode & 3));
        dcb.StopBits = (mode & 4) ? TWOSTOPBITS : ONESTOPBIT;
        dcb.Parity = parities[parity];
        return true;
    });
}

int PCOMM_API sio_lctrl(int port, int mode)
{
    record("11 %d %d\n", port, mode);
    int code;
    if (fault("lctrl", SIO_WIN32FAIL, &code))
        return code;
    return change_dcb(port, [mode](DCB& dcb) {
        dcb.fDtrControl = (mode & 1) ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
        dcb.fRtsControl = (mode & 2) ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
        return true;
    });
}

int PCOMM_API sio_flowctrl(int port, int mode)
{
    record("17 %d %d\n", port, mode);
    int code;
    if (fault("flowctrl", SIO_WIN32FAIL, &code))
        return code;
    return change_dcb(port, [mode](DCB& dcb) {
        dcb.fOutxCtsFlow = (mode & 1) != 0;
        if (mode & 1)
            dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
        dcb.fOutxDsrFlow = (mode & 2) != 0;
        if (mode & 2)
            dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
        dcb.fOutX = (mode & 4) != 0;
        dcb.fInX = (mode & 8) != 0;
        return true;
    });
}

int PCOMM_API sio_errorabort(int port, int on)
{
    record("48 %d %d\n", port, on);
    int code;
    if (fault("errorabort", SIO_WIN32FAIL, &code))
        return code;
    return change_dcb(port, [on](DCB& dcb) {
        dcb.fAbortOnError = on != 0;
        return true;
    });
}

int PCOMM_API sio_timeouts(int port, int read_ms, int write_ms)
{
    record("50 %d %d %d\n", port, read_ms, write_ms);
    int code;
    if (fault("timeouts", SIO_WIN32FAIL, &code))
        return code;
    HANDLE h = handle_of(port);
    if (h == INVALID_HANDLE_VALUE)
        return SIO_BADPORT;
    if (read_ms < 0 || write_ms < 0)
        return SIO_BADPARM;
    DWORD writeMs = write_ms > 0 ? static_cast<DWORD>(write_ms) : kDefaultWriteMs;
    if (!apply_timeouts(h, writeMs))
        return SIO_WIN32FAIL;
    Guard guard;
    g_ports[port].readMs = static_cast<DWORD>(read_ms);
    g_ports[port].writeMs = writeMs;
    return SIO_OK;
}

int PCOMM_API sio_write(int port, const char* buf, int len)
{
    record("6 %d %d\n", port, len);
    int code;
    if (fault("write", SIO_WRITETIMEOUT, &code))
        return code;
    return write_port(port, buf, len);
}

int PCOMM_API sio_read(int port, char* buf, int len)
{
    record("4 %d %d\n", port, len);
    int code;
    if (fault("read", SIO_WIN32FAIL, &code))
        return code;
    return read_port(port, buf, len);
}

int PCOMM_API sio_flush(int port, int func)
{
    record("7 %d %d\n", port, func);
    int code;
    if (fault("flush", SIO_WIN32FAIL, &code))
        return code;
    static const DWORD what[] = {PURGE_RXCLEAR | PURGE_RXABORT, PURGE_TXCLEAR | PURGE_TXABORT,
                                 PURGE_RXCLEAR | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_TXABORT};
    if (func < 0 || func > 2)
        return SIO_BADPARM;
    HANDLE h = handle_of(port);
    if (h == INVALID_HANDLE_VALUE)
        return SIO_BADPORT;
    return PurgeComm(h, what[func]) ? SIO_OK : SIO_WIN32FAIL;
}

int PCOMM_API sio_oqueue(int port)
{
    record("9 %d\n", port);
    int code;
    if (fault("oqueue", 1, &code))
        return code;
    HANDLE h = handle_of(port);
    if (h == INVALID_HANDLE_VALUE)
        return SIO_BADPORT;
    DWORD errors = 0;
    COMSTAT stat;
    if (!ClearCommError(h, &errors, &stat))
        return SIO_WIN32FAIL;
    return static_cast<int>(stat.cbOutQue);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        InitializeCriticalSection(&g_lock);
    else if (reason == DLL_PROCESS_DETACH)
        DeleteCriticalSection(&g_lock);
    return TRUE;
}

}  // extern "C"
