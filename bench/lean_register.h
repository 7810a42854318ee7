#pragma once
// The register's side of the timed transfers, as lean as the lock-step
// program's peer: each datagram or piece of the library is answered at
// once and nothing else is done (no event record, no fault plan, no
// polling), so that library / limit sets the library against the limit and
// not the simulator's own work. The simulator (ecrsim) still answers the
// status request of the connect and the native peers' runs.

#include "ecrtftp.h"

#include <winsock2.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

namespace bench {

// A socket on 127.0.0.1:port whose blocking calls give up after a second,
// so the serving thread sees the end of the run.
inline SOCKET lean_socket(int type, unsigned short port)
{
    SOCKET s = socket(AF_INET, type, type == SOCK_DGRAM ? IPPROTO_UDP : IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = inet_addr("127.0.0.1");
    DWORD waitMs = 1000;
    if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&waitMs),
                   sizeof waitMs) != 0 ||
        (type == SOCK_STREAM && listen(s, 1) != 0)) {
        if (s != INVALID_SOCKET)
            closesocket(s);
        throw std::runtime_error("port " + std::to_string(port) + " not taken: " +
                                 std::to_string(WSAGetLastError()));
    }
    return s;
}

// A serving thread over one socket; the loop ends with the object.
class LeanPeer {
public:
    LeanPeer(const LeanPeer&) = delete;
    LeanPeer& operator=(const LeanPeer&) = delete;
    virtual ~LeanPeer() = default;

    // What the register took since the last call: whole files written, or
    // the stream's pieces.
    std::string take()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        std::string got;
        got.swap(taken_);
        return got;
    }

protected:
    explicit LeanPeer(SOCKET s) : sock_(s) {}
    void start() { thread_ = std::thread([this] { serve(); }); }
    // Derived classes call it first in their destructor.
    void end()
    {
        quit_ = true;
        if (thread_.joinable())
            thread_.join();
        closesocket(sock_);
    }
    virtual void serve() = 0;
    void keep(const char* bytes, std::size_t count)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        taken_.append(bytes, count);
    }

    SOCKET sock_;
    std::atomic<bool> quit_{false};

private:
    std::thread thread_;
    std::mutex mutex_;
    std::string taken_;
};

// TFTP on UDP 500, lock-step, octet mode: one file to read; the files
// written go to take().
class LeanTftp : public LeanPeer {
public:
    explicit LeanTftp(const std::string& file) : LeanPeer(lean_socket(SOCK_DGRAM, 500)), file_(file)
    {
        start();
    }
    ~LeanTftp() override { end(); }

private:
    void serve() override
    {
        char in[TFTP_BUFFER_SIZE];
        char out[4 + TFTP_BLOCK_SIZE];
        unsigned block = 0;
        while (!quit_) {
            sockaddr_in from;
            int fromLen = sizeof from;
            int n = recvfrom(sock_, in, sizeof in, 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
            if (n < 4)
                continue;
            unsigned op = tftp_get16(in), number = tftp_get16(in + 2);
            int outLen = 4;
            if (op == TFTP_RRQ || (op == TFTP_ACK && number == (block & 0xFFFF))) {
                block = op == TFTP_RRQ ? 1 : block + 1;
                std::size_t at = (block - 1) * std::size_t(TFTP_BLOCK_SIZE);
                if (at > file_.size())
                    continue;  // the last block's ACK
                std::size_t count = std::min<std::size_t>(TFTP_BLOCK_SIZE, file_.size() - at);
                tftp_put16(out, TFTP_DATA);
                file_.copy(out + 4, count, at);
                outLen += static_cast<int>(count);
            } else if (op == TFTP_WRQ || (op == TFTP_DATA && number == ((block + 1) & 0xFFFF))) {
                if (op == TFTP_WRQ) {
                    block = 0;
                    incoming_.clear();
                } else {
                    ++block;
                    incoming_.append(in + 4, static_cast<std::size_t>(n - 4));
                    if (n - 4 < TFTP_BLOCK_SIZE) {
                        keep(incoming_.data(), incoming_.size());
                        incoming_.clear();
                    }
                }
                tftp_put16(out, TFTP_ACK);
            } else {
                continue;
            }
            tftp_put16(out + 2, block);
            sendto(sock_, out, outLen, 0, reinterpret_cast<sockaddr*>(&from), fromLen);
        }
    }

    const std::string file_;
    std::string incoming_;
};

// The command port, TCP 1723: one host, whose texts are all `text` bytes
// long; each piece of at most 512 bytes is answered ACK as soon as it is
// whole (the pieces are known from the text's size, as the lock-step peer
// knows them).
class LeanStream : public LeanPeer {
public:
    explicit LeanStream(std::size_t text) : LeanPeer(lean_socket(SOCK_STREAM, 1723)), text_(text)
    {
        start();
    }
    ~LeanStream() override { end(); }

private:
    void serve() override
    {
        SOCKET host = INVALID_SOCKET;
        while (!quit_ && host == INVALID_SOCKET) {
            fd_set listening;
            FD_ZERO(&listening);
            FD_SET(sock_, &listening);
            timeval second{1, 0};  // accept itself knows no time-out
            if (select(0, &listening, nullptr, nullptr, &second) == 1)
                host = accept(sock_, nullptr, nullptr);
        }
        DWORD waitMs = 1000;
        setsockopt(host, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&waitMs),
                   sizeof waitMs);
        char piece[512];
        const char ack = 0x06;
        std::size_t left = text_;
        int have = 0;
        while (!quit_ && host != INVALID_SOCKET) {
            int want = static_cast<int>(left < sizeof piece ? left : sizeof piece);
            int n = recv(host, piece + have, want - have, 0);
            if (n == 0 || (n < 0 && WSAGetLastError() != WSAETIMEDOUT))
                break;
            if (n < 0)
                continue;
            have += n;
            if (have < want)
                continue;
            keep(piece, static_cast<std::size_t>(have));
            send(host, &ack, 1, 0);
            left -= static_cast<std::size_t>(have);
            have = 0;
            if (left == 0)
                left = text_;
        }
        if (host != INVALID_SOCKET)
            closesocket(host);
    }

    const std::size_t text_;
};

}  // namespace bench
