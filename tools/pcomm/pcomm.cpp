#include "pcomm.h"
#include "cslock.h"
#include "outqueue.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr int kMaxPort = 255;
constexpr DWORD kDefaultReadMs = 3000;
// How long a write waits for room in a full output buffer: fixed, as the
// time-outs the caller sets are the reads'.
constexpr DWORD kWriteMs = 5000;
// Wine waits the whole total time-out even with data waiting, so reads poll
// the input queue at this pace instead.
constexpr DWORD kPollMs = 3;

struct Port {
    HANDLE handle = INVALID_HANDLE_VALUE;
    DWORD readMs = kDefaultReadMs;
    OutQueue* out = nullptr;  // ours, set with the handle
};

Port g_ports[kMaxPort + 1];
CRITICAL_SECTION g_lock;

class Guard : public CsLock {
public:
    Guard() : CsLock(&g_lock) {}
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

// The port's state as it is now; no handle when it is not open.
Port port_of(int port)
{
    if (port < 1 || port > kMaxPort)
        return Port();
    Guard guard;
    return g_ports[port];
}

DWORD speed_of(int code)
{
    static const DWORD speeds[] = {4800, 7200, 9600, 19200, 38400, 57600, 115200};
    return code >= SIO_B4800 && code <= SIO_B115200 ? speeds[code - SIO_B4800] : 0;
}

// Reads and changes the port's DCB under one call.
template <typename Change> int change_dcb(int port, Change change)
{
    HANDLE h = port_of(port).handle;
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
    if (port_of(port).handle != INVALID_HANDLE_VALUE)
        return SIO_OUTCONTROL;
    char name[16];
    std::snprintf(name, sizeof name, "\\\\.\\COM%d", port);
    // Overlapped, so that the output buffer's writer can wait on a held line
    // while reads and set-up calls go on, and can be called off.
    HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
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
        // Reads return at once with what is there (sio_read does the waiting);
        // writes have no time-out: the writer waits as long as the line is held.
        COMMTIMEOUTS t = {MAXDWORD, 0, 0, 0, 0};
        ok = SetCommState(h, &dcb) && SetCommTimeouts(h, &t);
    }
    OutQueue* out = ok ? new (std::nothrow) OutQueue(h) : nullptr;
    if (!out || !out->start()) {
        delete out;
        CloseHandle(h);
        return SIO_WIN32FAIL;
    }
    Guard guard;
    g_ports[port] = Port();
    g_ports[port].handle = h;
    g_ports[port].out = out;
    return SIO_OK;
}

// Takes what waits in the input queue, at most `len` bytes, without waiting
// for more (Wine may leave an overlapped read of an empty port pending).
bool read_waiting(HANDLE h, char* buf, int len, HANDLE done, DWORD* got)
{
    *got = 0;
    DWORD errors = 0;
    COMSTAT stat;
    if (!ClearCommError(h, &errors, &stat))
        return false;
    if (stat.cbInQue == 0)
        return true;
    OVERLAPPED ov = {};
    ov.hEvent = done;
    DWORD want = std::min(static_cast<DWORD>(len), stat.cbInQue);
    if (ReadFile(h, buf, want, got, &ov))
        return true;
    if (GetLastError() != ERROR_IO_PENDING)
        return false;
    if (WaitForSingleObject(done, kDefaultReadMs) == WAIT_TIMEOUT)
        CancelIo(h);
    return GetOverlappedResult(h, &ov, got, TRUE) || GetLastError() == ERROR_OPERATION_ABORTED;
}

int read_port(int port, char* buf, int len)
{
    const Port open = port_of(port);
    if (open.handle == INVALID_HANDLE_VALUE)
        return SIO_BADPORT;
    if (!buf || len <= 0)
        return SIO_BADPARM;
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!done)
        return SIO_WIN32FAIL;
    DWORD start = GetTickCount();
    int rc;
    for (;;) {
        DWORD got = 0;
        if (!read_waiting(open.handle, buf, len, done, &got)) {
            rc = SIO_WIN32FAIL;
            break;
        }
        if (got > 0 || GetTickCount() - start >= open.readMs) {
            rc = static_cast<int>(got);
            break;
        }
        Sleep(kPollMs);
    }
    CloseHandle(done);
    return rc;
}

int write_port(int port, const char* buf, int len)
{
    OutQueue* out = port_of(port).out;
    if (!out)
        return SIO_BADPORT;
    if (!buf || len < 0)
        return SIO_BADPARM;
    int code;
    if (fault("short", 1, &code) && code > 0 && len > code)
        len = code;
    if (len == 0)
        return 0;
    int n = out->put(buf, len, kWriteMs);
    return n > 0 ? n : n == 0 ? SIO_WRITETIMEOUT : SIO_WIN32FAIL;
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
    Port closing;
    {
        Guard guard;
        closing = g_ports[port];
        g_ports[port] = Port();
    }
    if (closing.handle == INVALID_HANDLE_VALUE)
        return SIO_BADPORT;
    delete closing.out;  // calls its writer off first: what still waits is dropped
    CloseHandle(closing.handle);
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

int PCOMM_API sio_timeouts(int port, int read_ms, int interval_ms)
{
    record("50 %d %d %d\n", port, read_ms, interval_ms);
    int code;
    if (fault("timeouts", SIO_WIN32FAIL, &code))
        return code;
    if (port_of(port).handle == INVALID_HANDLE_VALUE)
        return SIO_BADPORT;
    if (read_ms < 0 || interval_ms != 0)
        return SIO_BADPARM;
    Guard guard;
    g_ports[port].readMs = static_cast<DWORD>(read_ms);
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
    const Port open = port_of(port);
    if (open.handle == INVALID_HANDLE_VALUE)
        return SIO_BADPORT;
    if (func != 0)
        open.out->drop();
    return PurgeComm(open.handle, what[func]) ? SIO_OK : SIO_WIN32FAIL;
}

int PCOMM_API sio_oqueue(int port)
{
    record("9 %d\n", port);
    OutQueue* out = port_of(port).out;
    if (!out)
        return SIO_BADPORT;
    // A write the device holds is still in the buffer: this counts it too.
    int queued = out->pending();
    return queued < 0 ? SIO_WIN32FAIL : queued;
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
