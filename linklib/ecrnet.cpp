#include "ecrnet.h"
#include "brisal.h"
#include "ecr_result.h"
#include "ecrtrace.h"

#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <icmpapi.h>
#include <cstdio>
#include <cstring>

const char ecr_default_host[] = "ECR";

namespace {
int g_winsock = -1;

// Longest host text we copy; longer ones cannot name a register.
constexpr size_t kMaxHost = 255;
}  // namespace

int ecr_winsock_start()
{
    WSADATA data;
    int rc = WSAStartup(MAKEWORD(2, 2), &data);
    g_winsock = rc == 0 ? 0 : WSAGetLastError();
    if (rc != 0 && g_winsock == 0)
        g_winsock = rc;
    return g_winsock;
}

void ecr_winsock_stop()
{
    // WSAStartup counts its callers: one cleanup balances our own start and
    // leaves a start of the host program alone.
    if (g_winsock == 0)
        WSACleanup();
    g_winsock = -1;
}

void ecr_winsock_forget() { g_winsock = -1; }

int ecr_winsock_state() { return g_winsock; }

const char* ecr_ip_text(uint32_t ip, char* buffer)
{
    const unsigned char* b = reinterpret_cast<const unsigned char*>(&ip);
    std::snprintf(buffer, 16, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    return buffer;
}

int ecr_resolve_host(const char* hostname, uint32_t* ip)
{
    *ip = INADDR_NONE;
    if (g_winsock != 0)
        return ERR_SOCKET_LIBRARY;

    const char* given = hostname ? hostname : "";
    if (given[0] == '\0' || given[0] == '@')
        given = ecr_default_host;

    char name[kMaxHost + 1];
    size_t len = std::strlen(given);
    bool byName = (given[0] >= 'A' && given[0] <= 'Z') || (given[0] >= 'a' && given[0] <= 'z');
    if (len > kMaxHost)
        return byName ? ERR_HOSTNAME_NON_RISOLTO : ERR_INVALID_IP_ADDRESS;
    std::memcpy(name, given, len + 1);

    if (byName) {
        hostent* h = gethostbyname(name);
        if (!h || h->h_addrtype != AF_INET || !h->h_addr_list || !h->h_addr_list[0]) {
            int err = WSAGetLastError();
            ecr_log("%s gethostbyname fallita: esito='%d'\n", ecr_timestamp(), err);
            return err == WSANO_RECOVERY ? ERR_RETE_NON_DISP : ERR_HOSTNAME_NON_RISOLTO;
        }
        std::memcpy(ip, h->h_addr_list[0], sizeof *ip);
        return 0;
    }

    unsigned long addr = inet_addr(name);
    if (addr == 0 || addr == INADDR_NONE)
        return ERR_INVALID_IP_ADDRESS;
    *ip = addr;
    return 0;
}

int sock_set_rcv_timeout(SOCKET sock, int seconds)
{
    return sock_set_rcv_timeout_ms(sock, seconds > 0 ? static_cast<DWORD>(seconds) * 1000 : 0);
}

int sock_set_rcv_timeout_ms(SOCKET sock, DWORD ms)
{
    if (setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms),
                   sizeof ms) == SOCKET_ERROR) {
        int err = WSAGetLastError();
        ecr_log("%s setsockopt fallita: esito='%d'\n", ecr_timestamp(), err);
        return -1;
    }
    return 0;
}

int sock_pending(SOCKET sock)
{
    u_long n = 0;
    if (ioctlsocket(sock, FIONREAD, &n) == SOCKET_ERROR) {
        ecr_log("%s ioctlsocket fallita: esito='%d'\n", ecr_timestamp(), WSAGetLastError());
        return -1;
    }
    return static_cast<int>(n);
}

void sock_drain(SOCKET sock)
{
    char byte;
    while (sock_pending(sock) > 0 && recv(sock, &byte, 1, 0) == 1) {
    }
}

int ecr_icmp_ping(uint32_t ip, int numsec)
{
    HANDLE icmp = IcmpCreateFile();
    if (icmp == INVALID_HANDLE_VALUE)
        return ERR_SOCKET_OPEN;

    const DWORD timeout = (numsec > 0 ? static_cast<DWORD>(numsec) : 3) * 1000;
    char iptext[16];
    ecr_ip_text(ip, iptext);

    int result = ERR_TIMEOUT;
    for (DWORD seq = 1; seq <= 3; ++seq) {
        // One reply, our 4 payload bytes and room for an ICMP error message.
        alignas(ICMP_ECHO_REPLY) unsigned char reply[sizeof(ICMP_ECHO_REPLY) + sizeof seq + 8 + 64];
        std::memset(reply, 0, sizeof reply);
        ecr_log("%s icmp-ping send     : ip_address='%s' seq_no='%u'\n", ecr_timestamp(), iptext,
                static_cast<unsigned>(seq));

        DWORD payload = seq;
        DWORD count = IcmpSendEcho(icmp, ip, &payload, sizeof payload, nullptr, reply,
                                   sizeof reply, timeout);
        DWORD lastError = count ? 0 : GetLastError();
        const ICMP_ECHO_REPLY* r = reinterpret_cast<const ICMP_ECHO_REPLY*>(reply);
        ULONG status = count ? r->Status : lastError;
        int echoed = 0;
        if (count && r->Data && r->DataSize >= sizeof payload)
            std::memcpy(&echoed, r->Data, sizeof echoed);

        ecr_log("%s icmp-ping receive  : esito='%d(%d)' Status='%d' seq_no='%d'\n",
                ecr_timestamp(), static_cast<int>(count), static_cast<int>(lastError),
                static_cast<int>(status), echoed);

        if (count && status == IP_SUCCESS && echoed == static_cast<int>(seq)) {
            ecr_log("%s icmp-ping completed:\n", ecr_timestamp());
            result = 0;
            break;
        }
        if (status == IP_DEST_HOST_UNREACHABLE) {
            ecr_log("%s icmp-ping error    :\n", ecr_timestamp());
            result = ERR_RETE_NON_DISP;
            break;
        }
    }
    if (result == ERR_TIMEOUT)
        ecr_log("%s icmp-ping aborted  :\n", ecr_timestamp());
    IcmpCloseHandle(icmp);
    return result;
}

extern "C" int ECR_API ecr_ping(const char* hostname, int numsec)
{
    ecr_log("%s ecr_ping -- begin: hostname='%s' numsec='%d'\n", ecr_timestamp(),
            hostname ? hostname : "", numsec);
    uint32_t ip;
    int rc = ecr_resolve_host(hostname, &ip);
    if (rc == 0)
        rc = ecr_icmp_ping(ip, numsec);
    char text[ECR_ERR_TEXT_SIZE];
    ecr_log("%s ecr_ping -- end  : esito='%s'\n", ecr_timestamp(), ecr_err_text(rc, text));
    return rc;
}
