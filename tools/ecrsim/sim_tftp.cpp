#include "sim_tftp.h"

#include <windows.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstring>

namespace ecrsim {

namespace {
constexpr int kBlock = 512;
enum { OP_RRQ = 1, OP_WRQ = 2, OP_DATA = 3, OP_ACK = 4, OP_ERROR = 5 };

std::string packet16(unsigned op, unsigned number)
{
    std::string p(4, '\0');
    p[0] = static_cast<char>(op >> 8);
    p[1] = static_cast<char>(op & 0xFF);
    p[2] = static_cast<char>((number >> 8) & 0xFF);
    p[3] = static_cast<char>(number & 0xFF);
    return p;
}

unsigned get16(const char* p)
{
    return (static_cast<unsigned char>(p[0]) << 8) | static_cast<unsigned char>(p[1]);
}

bool sameAddress(const sockaddr_in& a, const sockaddr_in& b)
{
    return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}
}  // namespace

SimTftpServer::SimTftpServer(SimRegister& reg) : reg_(reg) {}

SimTftpServer::~SimTftpServer() { stop(); }

std::string SimTftpServer::addressForProcess(int salt)
{
    // Windows process ids are multiples of 4.
    unsigned id = static_cast<unsigned>(GetCurrentProcessId()) >> 2;
    char text[32];
    std::snprintf(text, sizeof text, "127.%u.%u.%u", 1 + (id >> 8) % 250, id & 0xFF,
                  1 + static_cast<unsigned>(salt) % 250);
    return text;
}

bool SimTftpServer::start(const std::string& address, unsigned short port)
{
    stop();
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        error_ = "WSAStartup failed";
        return false;
    }
    winsock_ = true;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = inet_addr(address.c_str());
    sock_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (sock_ == INVALID_SOCKET || bind(sock_, reinterpret_cast<sockaddr*>(&local), sizeof local)) {
        error_ = "bind " + address + " failed: " + std::to_string(WSAGetLastError());
        stop();
        return false;
    }
    // The stranger speaks from the plain loopback address, never the register's.
    sockaddr_in other{};
    other.sin_family = AF_INET;
    other.sin_addr.s_addr = inet_addr("127.0.0.1");
    stranger_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (stranger_ != INVALID_SOCKET)
        bind(stranger_, reinterpret_cast<sockaddr*>(&other), sizeof other);
    address_ = address;
    startTick_ = GetTickCount();
    active_ = false;
    stop_ = false;
    running_ = true;
    thread_ = CreateThread(nullptr, 0, threadMain, this, 0, nullptr);
    if (!thread_) {
        error_ = "CreateThread failed";
        stop();
        return false;
    }
    return true;
}

void SimTftpServer::stop()
{
    stop_ = true;
    if (thread_) {
        // The loop looks at the flag every 50 ms.
        WaitForSingleObject(thread_, 5000);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    if (sock_ != INVALID_SOCKET)
        closesocket(sock_);
    if (stranger_ != INVALID_SOCKET)
        closesocket(stranger_);
    sock_ = stranger_ = INVALID_SOCKET;
    closeTransferSocket();
    if (winsock_)
        WSACleanup();
    winsock_ = false;
    running_ = false;
}

std::string SimTftpServer::lastError() const { return error_; }

void SimTftpServer::setFaults(const TftpFaults& faults)
{
    std::lock_guard<std::mutex> lock(mutex_);
    faults_ = faults;
}

TftpFaults SimTftpServer::faults() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return faults_;
}

std::vector<TftpEvent> SimTftpServer::events() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
}

int SimTftpServer::countEvents(const std::string& prefix) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    int n = 0;
    for (const auto& e : events_)
        n += e.text.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
    return n;
}

void SimTftpServer::clearEvents()
{
    std::lock_guard<std::mutex> lock(mutex_);
    events_.clear();
}

void SimTftpServer::record(const std::string& text)
{
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back({GetTickCount() - startTick_, text});
}

DWORD WINAPI SimTftpServer::threadMain(void* self)
{
    auto* server = static_cast<SimTftpServer*>(self);
    try {
        server->run();
    } catch (...) {
    }
    server->running_ = false;
    return 0;
}

void SimTftpServer::run()
{
    char buf[2048];
    while (!stop_) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(sock_, &readable);
        if (xfer_ != INVALID_SOCKET)
            FD_SET(xfer_, &readable);
        timeval wait{0, 50 * 1000};
        int n = select(0, &readable, nullptr, nullptr, &wait);
        if (n == SOCKET_ERROR)
            break;  // the socket was closed under us
        // One datagram a round: a request may replace the transfer socket.
        SOCKET s = n > 0 && FD_ISSET(sock_, &readable) ? sock_ : xfer_;
        if (n > 0 && s != INVALID_SOCKET && FD_ISSET(s, &readable)) {
            sockaddr_in from{};
            int fromLen = sizeof from;
            int len = recvfrom(s, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
            bool request = len >= 2 && (get16(buf) == OP_RRQ || get16(buf) == OP_WRQ);
            // With a transfer port, port 500 takes requests and the transfer port the rest.
            if (len >= 0 && xfer_ != INVALID_SOCKET && request != (s == sock_))
                record("IGNORED " + std::to_string(len >= 2 ? get16(buf) : 0) + " at port " +
                       (s == sock_ ? "500" : "of the transfer"));
            else if (len >= 0)
                handle(buf, len, from);
        }
        checkResend();
    }
}

void SimTftpServer::openTransferSocket()
{
    closeTransferSocket();
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = inet_addr(address_.c_str());
    xfer_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (xfer_ != INVALID_SOCKET &&
        bind(xfer_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        closesocket(xfer_);
        xfer_ = INVALID_SOCKET;
    }
}

void SimTftpServer::closeTransferSocket()
{
    if (xfer_ != INVALID_SOCKET)
        closesocket(xfer_);
    xfer_ = INVALID_SOCKET;
}

void SimTftpServer::handle(const char* buf, int len, const sockaddr_in& from)
{
    if (len < 4) {
        record("IGNORED short " + std::to_string(len));
        return;
    }
    unsigned op = get16(buf);
    unsigned number = get16(buf + 2);
    if (op == OP_RRQ || op == OP_WRQ)
        handleRequest(buf, len, from);
    else if (op == OP_ACK)
        handleAck(number, from);
    else if (op == OP_DATA)
        handleData(number, buf + 4, len - 4, from);
    else if (op == OP_ERROR) {
        record("ERROR " + std::to_string(number));
        active_ = false;
    } else {
        record("IGNORED opcode " + std::to_string(op));
    }
}

void SimTftpServer::handleRequest(const char* buf, int len, const sockaddr_in& from)
{
    std::string body(buf + 2, len - 2);
    std::string name = body.substr(0, body.find('\0'));
    bool read = get16(buf) == OP_RRQ;
    record(std::string(read ? "RRQ " : "WRQ ") + name);

    TftpFaults f = faults();
    int refuse = f.errorAlwaysCode;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (faults_.refusedRequests > 0) {
            --faults_.refusedRequests;
            refuse = 0;
        } else if (faults_.silentRequests > 0) {
            --faults_.silentRequests;
            events_.push_back({GetTickCount() - startTick_, "IGNORED request"});
            return;
        } else if (faults_.strayRequests > 0) {
            --faults_.strayRequests;
            events_.push_back({GetTickCount() - startTick_, "-> STRAY 3"});
            sendFrom(sock_, packet16(read ? OP_DATA : OP_ACK, 3) + (read ? std::string(kBlock, 'S') : ""),
                     from);
            return;
        } else if (refuse < 0 && faults_.errorOnceCode >= 0) {
            refuse = faults_.errorOnceCode;
            faults_.errorOnceCode = -1;
        }
    }
    active_ = false;
    if (f.freshPort)
        openTransferSocket();
    else
        closeTransferSocket();
    if (refuse >= 0) {
        sendError(from, refuse, "Refused");
        return;
    }
    std::string content;
    if (read && !reg_.getFile(name, &content)) {
        sendError(from, 1, "File not found");
        return;
    }
    active_ = true;
    reading_ = read;
    peer_ = from;
    name_ = name;
    data_ = read ? content : std::string();
    finalSent_ = finished_ = false;
    droppedBlock_ = droppedAck_ = 0;
    resends_ = 0;
    block_ = read ? 1 : 0;
    if (read)
        sendData(false);
    else
        sendAck(0);
}

void SimTftpServer::handleAck(unsigned block, const sockaddr_in& from)
{
    record("ACK " + std::to_string(block));
    if (!active_ || !reading_ || !sameAddress(from, peer_) || block != (block_ & 0xFFFF))
        return;  // lock-step: only the ACK of the block in flight moves on
    if (finalSent_) {
        active_ = false;
        return;
    }
    TftpFaults f = faults();
    if (f.stopAfterBlock > 0 && block_ >= static_cast<unsigned>(f.stopAfterBlock)) {
        active_ = false;  // fall silent
        return;
    }
    if (f.errorAfterBlock > 0 && block_ >= static_cast<unsigned>(f.errorAfterBlock)) {
        active_ = false;
        sendError(peer_, 1, "File not found");
        return;
    }
    ++block_;
    resends_ = 0;
    sendData(false);
}

void SimTftpServer::handleData(unsigned block, const char* data, int len,
                               const sockaddr_in& from)
{
    record("DATA " + std::to_string(block) + " " + std::to_string(len));
    if (!active_ || reading_ || !sameAddress(from, peer_))
        return;
    if (block == (block_ & 0xFFFF)) {
        record("DUPLICATE DATA " + std::to_string(block));
        sendAck(block_);  // our ACK was lost
        return;
    }
    if (finished_ || block != ((block_ + 1) & 0xFFFF))
        return;
    TftpFaults f = faults();
    if (f.stopAfterBlock > 0 && block > static_cast<unsigned>(f.stopAfterBlock))
        return;
    int keep = len < kBlock ? len : kBlock;
    data_.append(data, keep);
    ++block_;
    if (len < kBlock) {
        finished_ = true;
        reg_.fileReceived(name_, data_);
    }
    sendAck(block_);
}

void SimTftpServer::sendData(bool resend)
{
    TftpFaults f = faults();
    int n = static_cast<int>(block_);
    size_t offset = static_cast<size_t>(block_ - 1) * kBlock;
    size_t count = offset < data_.size() ? data_.size() - offset : 0;
    if (count > kBlock)
        count = kBlock;
    finalSent_ = count < kBlock;
    sentTick_ = GetTickCount();
    std::string packet = packet16(OP_DATA, block_) + data_.substr(offset, count);
    if (!resend) {
        if (f.strangerBefore == n)
            strangerError(peer_, 1);
        if (f.shortBefore == n)
            sendPacket(std::string("\0\5\0", 3), peer_);
        if (f.futureBlock == n)
            sendPacket(packet16(OP_DATA, block_ + 2) + std::string(kBlock, 'F'), peer_);
        if (f.dropBlock == n && droppedBlock_ != n) {
            droppedBlock_ = n;
            record("DROPPED DATA " + std::to_string(n));
            return;
        }
        if (f.oversizeBlock == n)
            packet += std::string(100, 'Z');
    }
    record(std::string(resend ? "-> RESEND DATA " : "-> DATA ") + std::to_string(n) + " " +
           std::to_string(count));
    sendPacket(packet, peer_);
    if (!resend && f.duplicateBlock == n)
        sendPacket(packet, peer_);
}

void SimTftpServer::sendAck(unsigned block)
{
    TftpFaults f = faults();
    int n = static_cast<int>(block);
    if (f.beforeAck)
        f.beforeAck(n);
    if (f.strangerBefore == n && n > 0)
        strangerError(peer_, 2);
    if (f.shortBefore == n && n > 0)
        sendPacket(std::string("\0\5\0", 3), peer_);
    if (f.futureBlock == n && n > 0)
        sendPacket(packet16(OP_ACK, block + 2), peer_);
    if (f.dropAck == n && n > 0 && droppedAck_ != n) {
        droppedAck_ = n;
        record("DROPPED ACK " + std::to_string(n));
        return;
    }
    record("-> ACK " + std::to_string(n));
    std::string packet = packet16(OP_ACK, block);
    sendPacket(packet, peer_);
    if (f.duplicateAck == n && n > 0)
        sendPacket(packet, peer_);
}

void SimTftpServer::sendError(const sockaddr_in& to, int code, const char* text)
{
    record("-> ERROR " + std::to_string(code));
    sendPacket(packet16(OP_ERROR, static_cast<unsigned>(code)) + text + std::string(1, '\0'), to);
}

void SimTftpServer::strangerError(const sockaddr_in& to, int code)
{
    record("-> STRANGER ERROR " + std::to_string(code));
    sendFrom(stranger_, packet16(OP_ERROR, static_cast<unsigned>(code)) + "stranger" +
                            std::string(1, '\0'), to);
}

void SimTftpServer::sendPacket(const std::string& packet, const sockaddr_in& to)
{
    sendFrom(xfer_ != INVALID_SOCKET ? xfer_ : sock_, packet, to);
}

void SimTftpServer::sendFrom(SOCKET s, const std::string& packet, const sockaddr_in& to)
{
    if (s == INVALID_SOCKET)
        return;
    sendto(s, packet.data(), static_cast<int>(packet.size()), 0,
           reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

void SimTftpServer::checkResend()
{
    if (!active_ || !reading_)
        return;
    TftpFaults f = faults();
    if (GetTickCount() - sentTick_ < static_cast<unsigned long>(f.resendMs))
        return;
    if (++resends_ > f.maxResends) {
        record("GAVE UP " + name_);
        active_ = false;
        return;
    }
    sendData(true);
}

}  // namespace ecrsim
