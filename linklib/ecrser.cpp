#include "ecrser.h"
#include "brisal.h"
#include "ecr_result.h"
#include "ecrpace.h"
#include "ecrstream.h"
#include "ecrtrace.h"
#include "pcomm.h"

#include <windows.h>
#include <setupapi.h>

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// One serial register at a time: the mode of the last connect.
int g_echo = 0;

constexpr int kReadTimeoutMs = 3000;
constexpr int kLineMode = 3;  // 8 data bits, no parity, 1 stop bit
// An echoed byte leaves the queue at once; a held line is asked every 50 ms.
constexpr DWORD kFirstQueuePollMs = 2;
constexpr DWORD kQueuePollMs = 50;

const GUID kComPortInterface = {0x86E0D1E0, 0x8089, 0x11D0,
                                {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};

int speed_code(int baud)
{
    static const int codes[] = {SIO_B4800,  SIO_B9600,  SIO_B19200,
                                SIO_B38400, SIO_B57600, SIO_B115200};
    return baud >= 0 && baud <= 5 ? codes[baud] : 0;
}

int ser_open(int port, int speed)
{
    int rc = sio_open(port);
    if (rc == 0)
        rc = sio_ioctl(port, speed, kLineMode);
    if (rc == 0)
        rc = sio_lctrl(port, 1);
    if (rc == 0)
        rc = sio_flowctrl(port, 4);
    if (rc == 0)
        rc = sio_errorabort(port, 0);
    if (rc == 0)
        rc = sio_timeouts(port, kReadTimeoutMs, 0);
    if (rc == 0)
        return 0;
    sio_close(port);
    return ECR_ERR_PORT_NOT_VALID;
}

// Writes all of `len` bytes: the library may take them in several calls.
int ser_write(int port, const char* data, int len)
{
    int sent = 0;
    while (sent < len) {
        int n = sio_write(port, data + sent, len - sent);
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n == 0 || n == SIO_WRITETIMEOUT)  // no progress is a time-out as well
            return sio_flush(port, 2) == 0 ? ERR_TIMEOUT : ECR_ERR_PORT_NOT_VALID;
        sio_close(port);
        return ECR_ERR_PORT_NOT_VALID;
    }
    return 0;
}

// One read into `buf`: its byte count, ERR_TIMEOUT when nothing came within
// the port's read time-out, ECR_ERR_PORT_NOT_VALID (port closed) on failure.
int ser_read(int port, char* buf, int len)
{
    int n = sio_read(port, buf, len);
    if (n > 0)
        return n;
    if (n == 0)
        return ERR_TIMEOUT;
    sio_close(port);
    return ECR_ERR_PORT_NOT_VALID;
}

// Waits while the output queue drains; gives up when it has not shrunk for
// the pace's stall time, so a register that is gone cannot hang the caller.
// The bytes still queued then, or the last count known when the port stops
// answering (the line died with them); 0 when drained or the port is not
// open (the call that closed it said so); negative when the port failed
// before its queue could be read.
int wait_output_drained(int port)
{
    int last = sio_oqueue(port);
    if (last < 0)
        return last == SIO_BADPORT ? 0 : last;
    DWORD since = GetTickCount();
    DWORD pause = kFirstQueuePollMs;
    while (last > 0) {
        Sleep(pause);
        pause = pause * 2 < kQueuePollMs ? pause * 2 : kQueuePollMs;
        int now = sio_oqueue(port);
        if (now < 0)
            return last;
        if (now < last)
            since = GetTickCount();
        else if (GetTickCount() - since >= static_cast<DWORD>(ecr_pace.queue_stall_ms))
            return now;
        last = now;
    }
    return 0;
}

// Reads until the byte just sent comes back; other bytes are dropped. No
// read starts once one read time-out has passed since the byte went out,
// however much noise comes, so the echo wait ends within two.
int await_echo(int port, char sent)
{
    DWORD start = GetTickCount();
    for (;;) {
        char got;
        int rc = ser_read(port, &got, 1);
        if (rc < 0)
            return rc;
        if (got == sent)
            return 0;
        if (GetTickCount() - start >= static_cast<DWORD>(kReadTimeoutMs))
            return ERR_TIMEOUT;
    }
}

int ser_send(int port, const char* text, int len)
{
    if (len == 0)
        return 0;
    if (!g_echo) {
        sio_flush(port, 0);  // stale input would be taken for the register's answer
        return ser_write(port, text, len);
    }
    for (int i = 0; i < len; ++i) {
        int rc = ser_write(port, text + i, 1);
        if (rc == 0) {
            wait_output_drained(port);
            rc = await_echo(port, text[i]);
        }
        if (rc != 0)
            return rc;
    }
    return 0;
}

// Counts down the 3-second periods of a receive: true while waiting goes on.
bool another_period(int* numsec)
{
    if (*numsec <= 0)
        return true;
    if (*numsec == 1)
        return false;
    --*numsec;
    return true;
}

int ser_receive(int port, char* buf, int buflen, int numsec, int* count)
{
    *count = 0;
    if (buflen == 0) {
        sio_flush(port, 0);
        return 0;
    }
    const bool exact = buflen < 0;
    const int want = !exact ? buflen : (buflen == INT_MIN ? INT_MAX : -buflen);
    for (;;) {
        int rc = ser_read(port, buf + *count, want - *count);
        if (rc > 0) {
            *count += rc;
            if (!exact || *count >= want)
                return *count;
            continue;
        }
        if (rc == ERR_TIMEOUT && another_period(&numsec))
            continue;
        *count = 0;  // a partial exact read is dropped, as is anything on failure
        return rc == ERR_TIMEOUT ? 0 : rc;
    }
}

int ser_send_file(int port, const char* filename)
{
    return ecr_send_file_pieces(
        filename, [port](const char* piece) { return ecr_send_xonxoff_ser(port, piece); });
}

// The friendly name of the device behind one interface; false when it has none.
bool friendly_name(HDEVINFO set, SP_DEVINFO_DATA* device, char* name, DWORD size)
{
    DWORD type = 0;
    if (!SetupDiGetDeviceRegistryPropertyA(set, device, SPDRP_FRIENDLYNAME, &type,
                                           reinterpret_cast<BYTE*>(name), size - 1, nullptr))
        return false;
    name[size - 1] = '\0';
    return type == REG_SZ;
}

}  // namespace

int ecr_port_from_name(const char* friendlyName)
{
    char name[257];
    std::snprintf(name, sizeof name, "%s", friendlyName ? friendlyName : "");
    for (char* p = name; *p; ++p)
        *p = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
    if (std::strstr(name, "BLUETOOTH"))
        return 0;
    char* com = std::strstr(name, "(COM");
    char* close = com ? std::strchr(com + 4, ')') : nullptr;
    if (!close)
        return 0;
    // The text up to the ")" read as a number, blanks around it allowed ("(COM7 )").
    *close = '\0';
    char* end = nullptr;
    long number = std::strtol(com + 4, &end, 10);
    while (*end == ' ')
        ++end;
    if (end == com + 4 || *end != '\0' || number < 1 || number > kEcrMaxPortNumber)
        return 0;
    return static_cast<int>(number);
}

bool ecr_port_list_add(char* text, std::size_t size, int port)
{
    std::size_t used = std::strlen(text);
    if (used >= size)
        return false;
    int n = std::snprintf(text + used, size - used, used == 0 ? "%d" : ",%d", port);
    if (n < 0 || static_cast<std::size_t>(n) >= size - used) {
        text[used] = '\0';
        return false;
    }
    return true;
}

int ecr_enum_com_ports(int* ports, int max)
{
    HDEVINFO set = SetupDiGetClassDevsA(&kComPortInterface, nullptr, nullptr,
                                        DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE)
        return -1;
    int found = 0;
    for (DWORD i = 0; found < max; ++i) {
        SP_DEVICE_INTERFACE_DATA iface = {};
        iface.cbSize = sizeof iface;
        if (!SetupDiEnumDeviceInterfaces(set, nullptr, &kComPortInterface, i, &iface)) {
            if (GetLastError() != ERROR_NO_MORE_ITEMS)
                found = -1;
            break;
        }
        union {
            SP_DEVICE_INTERFACE_DETAIL_DATA_A detail;
            char bytes[sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) + MAX_PATH];
        } path;
        path.detail.cbSize = sizeof path.detail;
        SP_DEVINFO_DATA device = {};
        device.cbSize = sizeof device;
        if (!SetupDiGetDeviceInterfaceDetailA(set, &iface, &path.detail, sizeof path, nullptr,
                                              &device)) {
            found = -1;
            break;
        }
        char name[257];
        int port = friendly_name(set, &device, name, sizeof name) ? ecr_port_from_name(name) : 0;
        if (port > 0)
            ports[found++] = port;
    }
    SetupDiDestroyDeviceInfoList(set);
    return found;
}

extern "C" int ECR_API ecr_conn_xonxoff_ser(int port, int baud, int echo)
{
    ecr_log("%s ecr_conn_xonxoff_ser -- begin: port='%d' baud='%d' echo='%d'\n", ecr_timestamp(),
            port, baud, echo);
    g_echo = echo != 0;
    int code = speed_code(baud);
    int rc = code == 0 ? ECR_ERR_BAUD_NOT_VALID : ser_open(port, code);
    char text[ECR_ERR_TEXT_SIZE];
    ecr_log("%s ecr_conn_xonxoff_ser -- end  : esito='%s'\n", ecr_timestamp(),
            ecr_err_text(rc, text));
    return rc;
}

extern "C" int ECR_API ecr_disc_xonxoff_ser(int port)
{
    ecr_log("%s ecr_disc_xonxoff_ser -- begin: port='%d'\n", ecr_timestamp(), port);
    int rc = 0;
    int left = wait_output_drained(port);
    if (left > 0) {
        // Closing drops what the register never took: the caller must know.
        ecr_log("%s coda di uscita non svuotata: port='%d' length='%d'\n", ecr_timestamp(), port,
                left);
        rc = ERR_TIMEOUT;
    } else if (left < 0) {
        rc = ECR_ERR_PORT_NOT_VALID;  // whatever was queued is lost with the line
    }
    sio_close(port);
    char result[ECR_ERR_TEXT_SIZE];
    ecr_log("%s ecr_disc_xonxoff_ser -- end  : esito='%s'\n", ecr_timestamp(),
            ecr_err_text(rc, result));
    return rc;
}

extern "C" int ECR_API ecr_send_xonxoff_ser(int port, const char* string)
{
    const char* text = string ? string : "";
    int len = static_cast<int>(std::strlen(text));
    ecr_log("%s ecr_send_xonxoff_ser -- begin: port='%d' string='%s' length='%d'\n",
            ecr_timestamp(), port, text, len);
    int rc = ser_send(port, text, len);
    char result[ECR_ERR_TEXT_SIZE];
    ecr_log("%s ecr_send_xonxoff_ser -- end  : esito='%s'\n", ecr_timestamp(),
            ecr_err_text(rc, result));
    return rc;
}

extern "C" int ECR_API ecr_recv_xonxoff_ser(int port, char* bufptr, int buflen, int numsec)
{
    ecr_log("%s ecr_recv_xonxoff_ser -- begin: port='%d' bufptr='%08X' buflen='%d' numsec='%d'\n",
            ecr_timestamp(), port, ecr_ptr(bufptr), buflen, numsec);
    int count = 0;
    int rc = bufptr || buflen == 0 ? ser_receive(port, bufptr, buflen, numsec, &count)
                                   : ECR_ERR_PARAMETRI;
    char result[ECR_ERR_TEXT_SIZE];
    ecr_log("%s ecr_recv_xonxoff_ser -- end  : esito='%s' length='%d'\n", ecr_timestamp(),
            ecr_err_text(rc, result), count);
    return rc;
}

extern "C" int ECR_API ecr_file_xonxoff_ser(int port, const char* filename)
{
    ecr_log("%s ecr_file_xonxoff_ser -- begin: port='%d' filename='%s'\n", ecr_timestamp(), port,
            filename ? filename : "");
    int rc = ser_send_file(port, filename);
    char result[ECR_ERR_TEXT_SIZE];
    ecr_log("%s ecr_file_xonxoff_ser -- end  : esito='%s'\n", ecr_timestamp(),
            ecr_err_text(rc, result));
    return rc;
}

extern "C" int ECR_API ecr_enum_port_ser(char* string)
{
    ecr_log("%s ecr_enum_port_ser -- begin: string='0x%08X'\n", ecr_timestamp(), ecr_ptr(string));
    int ports[kEcrMaxPorts];
    int found = ecr_enum_com_ports(ports, kEcrMaxPorts);
    int count = 0;
    if (string) {
        string[0] = '\0';
        for (int i = 0; i < found && ecr_port_list_add(string, kEcrPortListSize, ports[i]); ++i)
            ++count;
    }
    ecr_log("%s ecr_enum_port_ser -- end  : count='%d' string='%s'\n", ecr_timestamp(), count,
            string ? string : "");
    return count;
}
