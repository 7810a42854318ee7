#include "sim_tcp.h"
#include "sim_register.h"

#include <chrono>
#include <cstring>

namespace ecrsim {

namespace {
void close_socket(SOCKET s, bool reset)
{
    if (reset) {
        // Linger 0: the close sends RST instead of FIN.
        linger l = {1, 0};
        setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
    }
    closesocket(s);
}
}  // namespace

SimTcpPeer::SimTcpPeer(SimRegister& reg) : reg_(reg)
{
    WSADATA data;
    winsock_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

SimTcpPeer::~SimTcpPeer()
{
    stop();
    if (winsock_)
        WSACleanup();
}

bool SimTcpPeer::start(const std::string& ip, unsigned short port)
{
    if (thread_.joinable())
        return false;
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener_ == INVALID_SOCKET)
        return false;
    sockaddr_in addr;
    std::memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = inet_addr(ip.c_str());
    // A restart must not wait for the old connections' TIME_WAIT.
    BOOL reuse = TRUE;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse),
               sizeof reuse);
    if (bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == SOCKET_ERROR ||
        listen(listener_, 4) == SOCKET_ERROR) {
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
        return false;
    }
    quit_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void SimTcpPeer::stop()
{
    if (!thread_.joinable())
        return;
    quit_ = true;
    thread_.join();
}

void SimTcpPeer::run()
{
    // The thread routine is a no-throw boundary.
    try {
        while (!quit_) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(listener_, &readable);
            if (host_ != INVALID_SOCKET)
                FD_SET(host_, &readable);
            timeval tv = {0, 10 * 1000};
            if (select(0, &readable, nullptr, nullptr, &tv) == SOCKET_ERROR)
                Sleep(10);
            else {
                if (FD_ISSET(listener_, &readable))
                    acceptHost();
                if (host_ != INVALID_SOCKET && FD_ISSET(host_, &readable))
                    readHost();
            }
            if (host_ == INVALID_SOCKET)
                continue;
            bool drop, reset, quiet;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                drop = dropRequested_;
                reset = dropReset_;
                dropRequested_ = false;
                quiet = !piece_.empty() && GetTickCount64() - lastByte_ >= kQuietMs;
            }
            if (drop)
                closeHost(reset);
            else if (quiet)
                endPiece();
            if (host_ != INVALID_SOCKET)
                flushOutgoing();
        }
        if (host_ != INVALID_SOCKET)
            closeHost(false);
    } catch (...) {
    }
    closesocket(listener_);
    listener_ = INVALID_SOCKET;
}

void SimTcpPeer::acceptHost()
{
    SOCKET s = accept(listener_, nullptr, nullptr);
    if (s == INVALID_SOCKET)
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (host_ != INVALID_SOCKET) {
        // The register serves one host; the second one is turned away.
        close_socket(s, true);
        ++turnedAway_;
    } else {
        host_ = s;
        connected_ = true;
        ++connections_;
        piece_.clear();
        reg_.setHostConnected(true);
    }
    changed_.notify_all();
}

void SimTcpPeer::readHost()
{
    char buffer[kPieceMax];
    std::size_t room;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        room = kPieceMax - piece_.size();
    }
    int n = recv(host_, buffer, static_cast<int>(room), 0);
    if (n <= 0) {
        closeHost(false);
        return;
    }
    bool first, full, cut = false;
    TcpAnswer answer;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        first = piece_.empty();
        received_.append(buffer, static_cast<std::size_t>(n));
        piece_.append(buffer, static_cast<std::size_t>(n));
        lastByte_ = GetTickCount64();
        full = piece_.size() >= kPieceMax;
        const TcpAnswer& next = scriptAt_ < script_.size() ? script_[scriptAt_] : default_;
        if (first && (next.kind == TcpAnswer::Kind::Close || next.kind == TcpAnswer::Kind::Reset)) {
            // Gone in the middle of the piece: record what came so far.
            answer = next;
            if (scriptAt_ < script_.size())
                ++scriptAt_;
            chunks_.push_back({piece_, lastByte_});
            piece_.clear();
            cut = true;
        }
    }
    if (cut)
        applyAnswer(answer);
    else if (full)
        endPiece();
}

void SimTcpPeer::endPiece()
{
    TcpAnswer answer;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        chunks_.push_back({piece_, GetTickCount64()});
        piece_.clear();
        answer = scriptAt_ < script_.size() ? script_[scriptAt_++] : default_;
        changed_.notify_all();
    }
    applyAnswer(answer);
}

bool SimTcpPeer::applyAnswer(const TcpAnswer& answer)
{
    switch (answer.kind) {
    case TcpAnswer::Kind::Bytes:
        return send(host_, answer.bytes.data(), static_cast<int>(answer.bytes.size()), 0) ==
               static_cast<int>(answer.bytes.size());
    case TcpAnswer::Kind::Silence:
        return true;
    case TcpAnswer::Kind::Close:
    case TcpAnswer::Kind::Reset:
        closeHost(answer.kind == TcpAnswer::Kind::Reset);
        return true;
    }
    return false;
}

void SimTcpPeer::flushOutgoing()
{
    std::string bytes;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        bytes.swap(outgoing_);
    }
    std::size_t at = 0;
    while (at < bytes.size()) {
        int n = send(host_, bytes.data() + at, static_cast<int>(bytes.size() - at), 0);
        if (n <= 0)
            break;
        at += static_cast<std::size_t>(n);
    }
}

void SimTcpPeer::closeHost(bool reset)
{
    close_socket(host_, reset);
    std::lock_guard<std::mutex> lock(mutex_);
    host_ = INVALID_SOCKET;
    connected_ = false;
    if (!piece_.empty()) {
        chunks_.push_back({piece_, GetTickCount64()});
        piece_.clear();
    }
    reg_.setHostConnected(false);
    changed_.notify_all();
}

void SimTcpPeer::setScript(const std::vector<TcpAnswer>& answers)
{
    std::lock_guard<std::mutex> lock(mutex_);
    script_ = answers;
    scriptAt_ = 0;
}

void SimTcpPeer::setDefaultAnswer(const TcpAnswer& answer)
{
    std::lock_guard<std::mutex> lock(mutex_);
    default_ = answer;
}

void SimTcpPeer::sendToHost(const std::string& bytes)
{
    std::lock_guard<std::mutex> lock(mutex_);
    outgoing_ += bytes;
}

void SimTcpPeer::dropHost(bool reset)
{
    std::lock_guard<std::mutex> lock(mutex_);
    dropRequested_ = true;
    dropReset_ = reset;
}

std::string SimTcpPeer::received() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
}

std::vector<TcpChunk> SimTcpPeer::chunks() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return chunks_;
}

int SimTcpPeer::connections() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return connections_;
}

int SimTcpPeer::turnedAway() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return turnedAway_;
}

bool SimTcpPeer::hostConnected() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return connected_;
}

void SimTcpPeer::clearRecord()
{
    std::lock_guard<std::mutex> lock(mutex_);
    received_.clear();
    chunks_.clear();
}

bool SimTcpPeer::waitChunks(std::size_t count, int ms) const
{
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(ms),
                             [&] { return chunks_.size() >= count; });
}

bool SimTcpPeer::waitHost(bool connected, int ms) const
{
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(ms),
                             [&] { return connected_ == connected; });
}

}  // namespace ecrsim
