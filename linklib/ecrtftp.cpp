#include "ecrtftp.h"
#include "ecr_result.h"
#include "ecrnet.h"
#include "ecrtrace.h"

#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Time-outs in seconds: before the register has answered, and after.
constexpr int kConnectSeconds = 3;
constexpr int kTransferSeconds = 5;
constexpr int kRequestTries = 3;
constexpr int kTransferTries = 4;
// Restarts of one transfer, after ERROR answers or after a time-out of a
// start that a stray datagram began (each such start takes the transfer's
// tries anew): a register that keeps refusing, or that answers every
// request with a stray datagram, must not keep us busy for ever. A plain
// silence uses the request's tries, as it always did.
constexpr int kMaxRestarts = 3;

// Loop results besides the final ones (0 and the negative codes).
constexpr int kContinue = 1;
constexpr int kRestart = 2;

int env_retry()
{
    char text[32];
    return std::atoi(ecr_env_value("ECR_RETRY", text, sizeof text));
}

// One UDP socket towards the register. Requests go to its port 500; the
// first DATA or ACK of a transfer names the port the register answers from
// (a register behind NAT, or one using RFC 1350 transfer identifiers), and
// the rest of the transfer stays with that port.
class Channel {
public:
    explicit Channel(uint32_t ip)
    {
        peer_.sin_family = AF_INET;
        peer_.sin_port = htons(TFTP_PORT);
        peer_.sin_addr.s_addr = ip;
        ecr_ip_text(ip, iptext_);
        sock_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        if (sock_ == INVALID_SOCKET)
            ecr_log("%s socket_udp fallita: esito='%d'\n", ecr_timestamp(), WSAGetLastError());
    }
    ~Channel()
    {
        if (sock_ != INVALID_SOCKET)
            closesocket(sock_);
    }
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    bool ok() const { return sock_ != INVALID_SOCKET; }

    // A new request: back to port 500, no port locked yet.
    void sendRequest(const char* packet, int length)
    {
        locked_ = false;
        peer_.sin_port = htons(TFTP_PORT);
        send(packet, length);
    }

    void send(const char* packet, int length)
    {
        // A lost datagram is the time-out's business.
        if (sendto(sock_, packet, length, 0, reinterpret_cast<const sockaddr*>(&peer_),
                   sizeof peer_) == SOCKET_ERROR)
            ecr_log("%s sendto fallita: ip_address='%s' esito='%d'\n", ecr_timestamp(), iptext_,
                    WSAGetLastError());
    }

    // Takes the port of `from` for the rest of the transfer, once.
    void lockOnto(const sockaddr_in& from)
    {
        if (!locked_) {
            locked_ = true;
            peer_.sin_port = from.sin_port;
        }
    }

    // A datagram of at least 4 bytes from the register within `seconds`:
    // its length (and its sender in `from`), or 0 on time-out. Others
    // (runts, strangers, other ports once locked, receive errors) are
    // dropped without extending the wait. The wait is the socket's own
    // receive time-out, set only when it changes: one call per datagram.
    int receive(char* buffer, int seconds, sockaddr_in* from)
    {
        const DWORD wait = static_cast<DWORD>(seconds) * 1000;
        const DWORD start = GetTickCount();
        setWait(wait);
        for (;;) {
            *from = sockaddr_in{};
            int fromLen = sizeof *from;
            int n = recvfrom(sock_, buffer, TFTP_BUFFER_SIZE, 0, reinterpret_cast<sockaddr*>(from),
                             &fromLen);
            if (n == SOCKET_ERROR) {
                int err = WSAGetLastError();
                if (err == WSAETIMEDOUT)
                    return 0;
                ecr_log("%s recvfrom fallita: esito='%d'\n", ecr_timestamp(), err);
                Sleep(10);  // an error that repeats must not spin
            } else if (n >= 4 && from->sin_addr.s_addr == peer_.sin_addr.s_addr &&
                       (!locked_ || from->sin_port == peer_.sin_port)) {
                return n;
            }
            DWORD spent = GetTickCount() - start;
            if (spent >= wait)
                return 0;
            setWait(wait - spent);
        }
    }

private:
    void setWait(DWORD ms)
    {
        if (ms != waitMs_ && sock_set_rcv_timeout_ms(sock_, ms) == 0)
            waitMs_ = ms;
    }

    SOCKET sock_ = INVALID_SOCKET;
    DWORD waitMs_ = 0;  // the socket's receive time-out, 0 = none
    sockaddr_in peer_{};  // the register; its port is 500 until a transfer locks another
    bool locked_ = false;
    char iptext_[16];
};

class Reader {
public:
    Reader(Channel& channel, const char* path) : ch_(channel), path_(path) {}
    ~Reader() { close(); }

    int run()
    {
        retry_ = env_retry();
        requestLen_ = tftp_build_request(request_, TFTP_RRQ, path_);
        tries_ = kRequestTries;
        ecr_log("%s tftp-get requested: pathname='%s' retry='%d'\n", ecr_timestamp(), path_, retry_);
        for (;;) {
            file_ = std::fopen(path_, "wb");
            if (!file_)
                return ERR_FILE_CREATION;
            // Every start is a new start: its first DATA logs "started" and
            // sets the transfer's tries and time-out, whatever came before.
            started_ = false;
            received_ = 0;
            expected_ = 1;
            timeout_ = kConnectSeconds;
            ch_.sendRequest(request_, requestLen_);
            ecr_log("%s tftp-get connect  : pathname='%s'\n", ecr_timestamp(), path_);
            int rc = loop();
            if (rc != kRestart)
                return rc;
        }
    }

private:
    int loop()
    {
        char buf[TFTP_BUFFER_SIZE];
        for (;;) {
            sockaddr_in from;
            int n = ch_.receive(buf, timeout_, &from);
            int rc = kContinue;
            if (n == 0) {
                rc = onTimeout();
            } else if (tftp_get16(buf) == TFTP_DATA) {
                ch_.lockOnto(from);
                rc = onData(tftp_get16(buf + 2), buf + 4, n - 4);
            } else if (tftp_get16(buf) == TFTP_ERROR) {
                rc = onError(static_cast<int>(tftp_get16(buf + 2)));
            }
            if (rc != kContinue)
                return rc;
        }
    }

    int onData(unsigned block, const char* data, int length)
    {
        if (ecr_env_present("ECR_PROTO"))
            ecr_log("%s tftp-get receive  : block='%d' data_len='%d'\n", ecr_timestamp(),
                    static_cast<int>(block), length);
        if (expected_ == 1 && !started_) {
            ecr_log("%s tftp-get started  : pathname='%s'\n", ecr_timestamp(), path_);
            started_ = true;
            tries_ = kTransferTries;
            timeout_ = kTransferSeconds;
        }
        // Never more than a block's worth, whatever the datagram carried.
        int keep = length < TFTP_BLOCK_SIZE ? length : TFTP_BLOCK_SIZE;
        unsigned ahead = (block - expected_) & 0xFFFF;
        bool fresh = ahead == 0;
        if (fresh) {
            // A full disk must not end in a truncated file taken for the whole.
            if (std::fwrite(data, 1, static_cast<size_t>(keep), file_) != static_cast<size_t>(keep))
                return abortLocal();
            received_ += keep;
            expected_ = (expected_ + 1) & 0xFFFF;
        } else {
            ecr_log("%s tftp-get duplicate: block='%d'\n", ecr_timestamp(), static_cast<int>(block));
            if (ahead < 0x8000)
                return kContinue;  // a block from the future: acknowledging it would lose data
        }
        lastAck_ = block;
        if (static_cast<int>(block) == retry_) {
            ecr_log("%s tftp-get retry    : block='%d'\n", ecr_timestamp(), static_cast<int>(block));
            retry_ = 0;
        } else {
            sendAck();
        }
        if (fresh && keep < TFTP_BLOCK_SIZE)
            return complete();
        return kContinue;
    }

    int complete()
    {
        sendAck();  // once more, in case the first one is lost
        if (!close())
            return abortLocal();
        ecr_log("%s tftp-get completed: pathname='%s' length='%d/%d'\n", ecr_timestamp(), path_,
                static_cast<int>(received_), static_cast<int>(ecr_file_size(path_)));
        return 0;
    }

    int onError(int code)
    {
        ecr_log("%s tftp-get refused  : pathname='%s' length='%d' errocode='%d'\n", ecr_timestamp(),
                path_, static_cast<int>(received_), code);
        discard();
        if (code == 1) {
            // Only a refusal before any data says the register has no such
            // file; one after data is a transfer that broke off.
            if (expected_ == 1 && received_ == 0)
                refusal_ = code;
            return ERR_TRANSFER_FAILED;
        }
        if (++restarts_ > kMaxRestarts)
            return ERR_TRANSFER_FAILED;
        tries_ = kRequestTries;
        return kRestart;
    }

    int onTimeout()
    {
        ecr_log("%s tftp-get timeout  : pathname='%s' ntent='%d' length='%d' block='%d'\n",
                ecr_timestamp(), path_, tries_, static_cast<int>(received_),
                static_cast<int>((expected_ - 1) & 0xFFFF));
        bool dataArrived = expected_ != 1 || received_ > 0;
        if (--tries_ <= 0 || (!dataArrived && started_ && ++restarts_ > kMaxRestarts)) {
            discard();
            ecr_log("%s tftp-get aborted  : pathname='%s' length='%d'\n", ecr_timestamp(), path_,
                    static_cast<int>(received_));
            return dataArrived ? ERR_TRANSFER_FAILED : ERR_TIMEOUT;
        }
        if (!dataArrived) {
            close();
            return kRestart;
        }
        sendAck();
        return kContinue;
    }

    // The local file could not be written: nothing of it is kept.
    int abortLocal()
    {
        discard();
        ecr_log("%s tftp-get aborted  : pathname='%s' length='%d'\n", ecr_timestamp(), path_,
                static_cast<int>(received_));
        return ERR_FILE_CREATION;
    }

    void sendAck()
    {
        char ack[4];
        tftp_put16(ack, TFTP_ACK);
        tftp_put16(ack + 2, lastAck_);
        ch_.send(ack, sizeof ack);
    }

    // False when the last buffered bytes could not be written (flushed
    // apart: not every runtime's fclose reports a failed flush).
    bool close()
    {
        if (!file_)
            return true;
        bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
        ok = std::fclose(file_) == 0 && ok;
        file_ = nullptr;
        return ok;
    }

    void discard()
    {
        close();
        DeleteFileA(path_);
    }

    Channel& ch_;
    const char* path_;
    FILE* file_ = nullptr;
    char request_[TFTP_BUFFER_SIZE];
    int requestLen_ = 0;
    int retry_ = 0;
    int tries_ = 0;
    int timeout_ = kConnectSeconds;
    int restarts_ = 0;
    bool started_ = false;
    long received_ = 0;
    unsigned expected_ = 1;
    unsigned lastAck_ = 0;

public:
    int refusal_ = 0;  // the register's "no such file" (ERROR 1), 0 otherwise
};

class Writer {
public:
    Writer(Channel& channel, const char* path) : ch_(channel), path_(path) {}
    ~Writer() { close(); }

    int run()
    {
        retry_ = env_retry();
        requestLen_ = tftp_build_request(request_, TFTP_WRQ, path_);
        tries_ = kRequestTries;
        size_ = ecr_file_size(path_);
        ecr_log("%s tftp-put requested: pathname='%s' size='%d'\n", ecr_timestamp(), path_,
                static_cast<int>(size_));
        for (;;) {
            file_ = size_ >= 0 ? std::fopen(path_, "rb") : nullptr;
            if (!file_)
                return ERR_FILE_NOT_FOUND;
            started_ = false;  // as for a read: every start is a new start
            sent_ = 0;
            block_ = 0;
            finalSent_ = false;
            timeout_ = kConnectSeconds;
            ch_.sendRequest(request_, requestLen_);
            ecr_log("%s tftp-put connect  : pathname='%s' size='%d'\n", ecr_timestamp(), path_,
                    static_cast<int>(size_));
            int rc = loop();
            if (rc != kRestart)
                return rc;
        }
    }

private:
    int loop()
    {
        char buf[TFTP_BUFFER_SIZE];
        for (;;) {
            sockaddr_in from;
            int n = ch_.receive(buf, timeout_, &from);
            int rc = kContinue;
            if (n == 0) {
                rc = onTimeout();
            } else if (tftp_get16(buf) == TFTP_ACK) {
                ch_.lockOnto(from);
                rc = onAck(tftp_get16(buf + 2));
            } else if (tftp_get16(buf) == TFTP_ERROR) {
                rc = onError(static_cast<int>(tftp_get16(buf + 2)));
            }
            if (rc != kContinue)
                return rc;
        }
    }

    int onAck(unsigned block)
    {
        if (block_ == 0 && !started_) {
            ecr_log("%s tftp-put started  : pathname='%s' size='%d'\n", ecr_timestamp(), path_,
                    static_cast<int>(size_));
            started_ = true;
            tries_ = kTransferTries;
            timeout_ = kTransferSeconds;
        }
        // Only the block in flight moves on: a repeated ACK must not make
        // us send the next block twice.
        if (block != (block_ & 0xFFFF))
            return kContinue;
        if (finalSent_) {
            close();
            ecr_log("%s tftp-put completed: pathname='%s' length='%d/%d'\n", ecr_timestamp(),
                    path_, static_cast<int>(sent_), static_cast<int>(size_));
            return 0;
        }
        // The size taken at the start decides where the file ends; a read
        // that comes up short is a failed file, not its end.
        long remaining = size_ - sent_;
        size_t want = static_cast<size_t>(remaining < TFTP_BLOCK_SIZE ? remaining : TFTP_BLOCK_SIZE);
        if (want > 0 && std::fread(data_ + 4, 1, want, file_) != want) {
            close();
            ecr_log("%s tftp-put aborted  : pathname='%s' length='%d'\n", ecr_timestamp(), path_,
                    static_cast<int>(sent_));
            return ERR_FILE_NOT_FOUND;
        }
        // A short (or empty) block ends the transfer; its ACK is still awaited.
        finalSent_ = want < TFTP_BLOCK_SIZE;
        if (finalSent_)
            close();
        ++block_;
        sent_ += static_cast<long>(want);
        dataLen_ = static_cast<int>(want);
        tftp_put16(data_, TFTP_DATA);
        tftp_put16(data_ + 2, block_);
        if (ecr_env_present("ECR_PROTO"))
            ecr_log("%s tftp-put send     : block='%d' data_len='%d'\n", ecr_timestamp(),
                    static_cast<int>(block_), dataLen_);
        if (static_cast<int>(block_) == retry_) {
            ecr_log("%s tftp-put retry    : block='%d'\n", ecr_timestamp(), static_cast<int>(block_));
            retry_ = 0;
        } else {
            ch_.send(data_, dataLen_ + 4);
        }
        return kContinue;
    }

    int onError(int code)
    {
        ecr_log("%s tftp-put refused  : pathname='%s' length='%d' errocode='%d'\n", ecr_timestamp(),
                path_, static_cast<int>(sent_), code);
        close();
        if (code == 2 || code == 3 || ++restarts_ > kMaxRestarts)
            return ERR_TRANSFER_FAILED;
        tries_ = kRequestTries;
        return kRestart;
    }

    int onTimeout()
    {
        ecr_log("%s tftp-put timeout  : pathname='%s' ntent='%d' length='%d' block='%d'\n",
                ecr_timestamp(), path_, tries_, static_cast<int>(sent_), static_cast<int>(block_));
        if (--tries_ <= 0 || (block_ == 0 && started_ && ++restarts_ > kMaxRestarts)) {
            close();
            ecr_log("%s tftp-put aborted  : pathname='%s' length='%d'\n", ecr_timestamp(), path_,
                    static_cast<int>(sent_));
            return block_ > 0 ? ERR_TRANSFER_FAILED : ERR_TIMEOUT;
        }
        if (block_ == 0) {
            close();
            return kRestart;
        }
        ecr_log("%s tftp-put resend   : block='%d' data_len='%d'\n", ecr_timestamp(),
                static_cast<int>(block_), dataLen_);
        ch_.send(data_, dataLen_ + 4);
        return kContinue;
    }

    void close()
    {
        if (file_)
            std::fclose(file_);
        file_ = nullptr;
    }

    Channel& ch_;
    const char* path_;
    FILE* file_ = nullptr;
    char request_[TFTP_BUFFER_SIZE];
    char data_[4 + TFTP_BLOCK_SIZE];
    int requestLen_ = 0;
    int dataLen_ = 0;
    int retry_ = 0;
    int tries_ = 0;
    int timeout_ = kConnectSeconds;
    int restarts_ = 0;
    bool started_ = false;
    bool finalSent_ = false;
    long size_ = 0;
    long sent_ = 0;
    unsigned block_ = 0;
};

}  // namespace

int tftp_build_request(char* buffer, int opcode, const char* path)
{
    const char* name = path ? std::strrchr(path, '\\') : nullptr;
    name = name ? name + 1 : (path ? path : "");
    size_t len = std::strlen(name);
    if (len > TFTP_MAX_NAME)
        len = TFTP_MAX_NAME;  // no register file has such a name; keep the packet bounded
    tftp_put16(buffer, static_cast<unsigned>(opcode));
    std::memcpy(buffer + 2, name, len);
    buffer[2 + len] = '\0';
    std::memcpy(buffer + 3 + len, "octet", 6);
    return static_cast<int>(len) + 9;
}

int tftp_get(uint32_t ip, const char* path, bool* missing)
{
    if (missing)
        *missing = false;
    Channel ch(ip);
    if (!ch.ok())
        return ERR_SOCKET_OPEN;
    Reader reader(ch, path);
    int rc = reader.run();
    if (missing)
        *missing = reader.refusal_ == 1;
    return rc;
}

int tftp_put(uint32_t ip, const char* path)
{
    Channel ch(ip);
    if (!ch.ok())
        return ERR_SOCKET_OPEN;
    Writer writer(ch, path);
    return writer.run();
}
