#include "ecrtcp.h"
#include "brisal.h"
#include "ecr_result.h"
#include "ecrcmd.h"
#include "ecrnet.h"
#include "ecrpace.h"
#include "ecrstream.h"
#include "ecrtrace.h"

#include <winsock2.h>
#include <windows.h>
#include <climits>
#include <cstdio>
#include <cstring>

int ecr_v10_ntw = 0;

namespace {
constexpr int kPieceSize = 512;
constexpr DWORD kRefusedPauseMs = 1000;
constexpr DWORD kBusyPauseMs = 100;
// Seconds of silence between two checks that the register still holds us.
constexpr int kCheckEvery = 10;

// send() may take only part of the bytes; the rest follows until all are out.
bool send_all(SOCKET sock, const char* data, int length)
{
    while (length > 0) {
        int sent = send(sock, data, length, 0);
        if (sent == SOCKET_ERROR || sent == 0) {
            ecr_log("%s send fallita: esito='%d'\n", ecr_timestamp(),
                    sent == 0 ? 0 : WSAGetLastError());
            return false;
        }
        data += sent;
        length -= sent;
    }
    return true;
}

// Reads answer bytes until one means something. False when the connection
// failed, closed or stayed silent past the answer limit, which is the
// socket's receive time-out (send_text sets it): one call per byte, and
// bytes that mean nothing shorten the rest of the wait instead of renewing it.
bool wait_answer(SOCKET sock, DWORD limit, EcrAnswer* answer)
{
    const ULONGLONG start = GetTickCount64();
    DWORD wait = limit;
    for (;;) {
        unsigned char byte = 0;
        int n = recv(sock, reinterpret_cast<char*>(&byte), 1, 0);
        if (n != 1) {
            ecr_log("%s recv fallita: esito='%d'\n", ecr_timestamp(), n == 0 ? 0 : WSAGetLastError());
            return false;
        }
        ecr_log("%s printer response: codice='%02X'\n", ecr_timestamp(), byte);
        *answer = ecr_answer_kind(byte, ecr_v10_ntw);
        if (*answer != EcrAnswer::None) {
            if (wait != limit)
                sock_set_rcv_timeout_ms(sock, limit);
            return true;
        }
        ULONGLONG spent = GetTickCount64() - start;
        if (spent >= limit) {
            ecr_log("%s recv fallita: esito='%d'\n", ecr_timestamp(), WSAETIMEDOUT);
            return false;
        }
        wait = limit - static_cast<DWORD>(spent);
        sock_set_rcv_timeout_ms(sock, wait);
    }
}

int send_text(SOCKET sock, const char* text)
{
    const DWORD limit = static_cast<DWORD>(ecr_pace.answer_limit_ms);
    sock_set_rcv_timeout_ms(sock, limit);
    sock_drain(sock);
    size_t remaining = text ? std::strlen(text) : 0;
    while (remaining > 0) {
        int piece = remaining < kPieceSize ? static_cast<int>(remaining) : kPieceSize;
        if (!send_all(sock, text, piece))
            return ERR_CONNECT_CLOSED;
        EcrAnswer answer;
        if (!wait_answer(sock, limit, &answer))
            return ERR_CONNECT_CLOSED;
        if (answer == EcrAnswer::Taken) {
            text += piece;
            remaining -= static_cast<size_t>(piece);
        } else {
            Sleep(answer == EcrAnswer::Refused ? kRefusedPauseMs : kBusyPauseMs);
        }
    }
    return 0;
}

// Asks the register (INFO) whether it still counts us as its host.
bool register_holds_us(SOCKET sock)
{
    sockaddr_in peer;
    int len = sizeof peer;
    if (getpeername(sock, reinterpret_cast<sockaddr*>(&peer), &len) == SOCKET_ERROR)
        return false;
    int hstConn = -1;
    if (ecr_info_shared(peer.sin_addr.s_addr, nullptr, nullptr, &hstConn, nullptr, nullptr) != 0)
        return false;
    return hstConn != 0;
}

// The receive loop; `*count` is what a successful call hands back.
int recv_stream(SOCKET sock, char* buffer, int buflen, int numsec, int* count)
{
    *count = 0;
    if (buflen == 0) {
        sock_drain(sock);
        return 0;
    }
    if (!buffer)
        return ERR_CONNECT_CLOSED;
    const bool exact = buflen < 0;
    const int want = !exact ? buflen : (buflen == INT_MIN ? INT_MAX : -buflen);
    sock_set_rcv_timeout(sock, 1);
    int got = 0;
    int seconds = 0;
    for (;;) {
        int n = recv(sock, buffer + got, want - got, 0);
        if (n > 0) {
            got += n;
            if (!exact || got == want) {
                *count = got;
                return 0;
            }
            continue;
        }
        int error = n == 0 ? 0 : WSAGetLastError();
        if (n == 0 || error != WSAETIMEDOUT) {
            ecr_log("%s recv fallita: esito='%d' length='%d'\n", ecr_timestamp(), error, got);
            return ERR_CONNECT_CLOSED;
        }
        if (++seconds == numsec)
            return 0;
        // A register that dropped us would leave this wait without an end.
        if (seconds % kCheckEvery == 0 && !register_holds_us(sock))
            return ERR_CONNECT_CLOSED;
    }
}

int connect_register(const char* hostname)
{
    uint32_t ip = INADDR_NONE;
    const char* info = nullptr;
    int hstConn = -1;
    int rc = ecr_check_status(hostname, &ip, &info, &hstConn, nullptr);
    if (rc != 0)
        return rc;
    if (hstConn != 0)
        return ERR_CONNECT_GIA_IN_CORSO;

    char iptext[16];
    ecr_ip_text(ip, iptext);
    SOCKET sock = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (sock == INVALID_SOCKET) {
        ecr_log("%s socket_tcp fallita: ip_address='%s' esito='%d'\n", ecr_timestamp(), iptext,
                WSAGetLastError());
        return ERR_SOCKET_LIBRARY;
    }
    sockaddr_in addr;
    std::memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    addr.sin_port = htons(ECR_TCP_PORT);
    addr.sin_addr.s_addr = ip;
    if (connect(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == SOCKET_ERROR) {
        ecr_log("%s connect fallita: ip_address='%s' esito='%d'\n", ecr_timestamp(), iptext,
                WSAGetLastError());
        closesocket(sock);
        return ERR_CONNECT_FAILED;
    }
    BOOL dontLinger = TRUE;
    if (setsockopt(sock, SOL_SOCKET, SO_DONTLINGER, reinterpret_cast<const char*>(&dontLinger),
                   sizeof dontLinger) == SOCKET_ERROR)
        ecr_log("%s setsockopt fallita: esito='%d'\n", ecr_timestamp(), WSAGetLastError());
    ecr_v10_ntw = ecr_info_is_v10(info ? info : ecr_info_text()) ? 1 : 0;
    return static_cast<int>(sock);
}

int send_file(int sockid, const char* filename)
{
    return ecr_send_file_pieces(filename,
                                [sockid](const char* piece) { return ecr_send_xonxoff_ntw(sockid, piece); });
}
}  // namespace

EcrAnswer ecr_answer_kind(unsigned char byte, int v10)
{
    switch (byte) {
    case 0x06: return EcrAnswer::Taken;
    case 0x15: return EcrAnswer::Refused;
    case 0x07: return EcrAnswer::Busy;
    case '0': return v10 ? EcrAnswer::Taken : EcrAnswer::None;
    case '1': return v10 ? EcrAnswer::Refused : EcrAnswer::None;
    case '2': return v10 ? EcrAnswer::Busy : EcrAnswer::None;
    default: return EcrAnswer::None;
    }
}

bool ecr_info_is_v10(const char* info)
{
    const char* key = info ? std::strstr(info, "VERSIONE=") : nullptr;
    return key && std::strncmp(key + 9, "V1.", 3) == 0;
}

extern "C" int ECR_API ecr_conn_xonxoff_ntw(const char* hostname)
{
    ecr_log("%s ecr_conn_xonxoff_ntw -- begin: hostname='%s'\n", ecr_timestamp(),
            hostname ? hostname : "");
    int rc = connect_register(hostname);
    char text[ECR_ERR_TEXT_SIZE];
    ecr_log("%s ecr_conn_xonxoff_ntw -- end  : sockid='%s'\n", ecr_timestamp(),
            ecr_err_text(rc, text));
    return rc;
}

extern "C" int ECR_API ecr_send_xonxoff_ntw(int sockid, const char* string)
{
    ecr_log("%s ecr_send_xonxoff_ntw -- begin: sockid='%d' ecr_v10_ntw='%d' string='%s'\n",
            ecr_timestamp(), sockid, ecr_v10_ntw, string ? string : "");
    int rc = send_text(static_cast<SOCKET>(sockid), string);
    char text[ECR_ERR_TEXT_SIZE];
    ecr_log("%s ecr_send_xonxoff_ntw -- end  : esito='%s'\n", ecr_timestamp(),
            ecr_err_text(rc, text));
    return rc;
}

extern "C" int ECR_API ecr_recv_xonxoff_ntw(int sockid, char* bufptr, int buflen, int numsec)
{
    ecr_log("%s ecr_recv_xonxoff_ntw -- begin: sockid='%d' bufptr='%08X' buflen='%d' "
            "numsec='%d'\n",
            ecr_timestamp(), sockid, ecr_ptr(bufptr), buflen, numsec);
    int count = 0;
    int rc = recv_stream(static_cast<SOCKET>(sockid), bufptr, buflen, numsec, &count);
    if (count > 0)
        rc = count;
    char text[ECR_ERR_TEXT_SIZE];
    ecr_log("%s ecr_recv_xonxoff_ntw -- end  : esito='%s' length='%d'\n", ecr_timestamp(),
            ecr_err_text(rc, text), count);
    return rc;
}

extern "C" int ECR_API ecr_file_xonxoff_ntw(int sockid, const char* filename)
{
    ecr_log("%s ecr_file_xonxoff_ntw -- begin: sockid='%d' filename='%s'\n", ecr_timestamp(),
            sockid, filename ? filename : "");
    int rc = send_file(sockid, filename);
    char text[ECR_ERR_TEXT_SIZE];
    ecr_log("%s ecr_file_xonxoff_ntw -- end  : esito='%s'\n", ecr_timestamp(),
            ecr_err_text(rc, text));
    return rc;
}

extern "C" int ECR_API ecr_disc_xonxoff_ntw(int sockid)
{
    ecr_log("%s ecr_disc_xonxoff_ntw -- begin: sockid='%d'\n", ecr_timestamp(), sockid);
    closesocket(static_cast<SOCKET>(sockid));
    ecr_log("%s ecr_disc_xonxoff_ntw -- end  : esito='0'\n", ecr_timestamp());
    return 0;
}
