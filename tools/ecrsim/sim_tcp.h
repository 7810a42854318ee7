#pragma once
// The simulated register's command port: one host connection at a time on
// TCP, every received piece of command text recorded and answered from a
// script (control bytes, silence, a close or a reset), and bytes that the
// register sends to the host on its own.

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ecrsim {

class SimRegister;

// How the register answers one piece.
struct TcpAnswer {
    enum class Kind { Bytes, Silence, Close, Reset };
    Kind kind = Kind::Bytes;
    std::string bytes;

    static TcpAnswer with(const std::string& bytes) { return {Kind::Bytes, bytes}; }
    static TcpAnswer ack() { return with("\x06"); }
    static TcpAnswer nak() { return with("\x15"); }
    static TcpAnswer bel() { return with("\x07"); }
    static TcpAnswer silence() { return {Kind::Silence, {}}; }
    // Close and Reset act on the first bytes of the piece, before the rest
    // of it was read.
    static TcpAnswer close() { return {Kind::Close, {}}; }
    static TcpAnswer reset() { return {Kind::Reset, {}}; }
};

// One piece as the register saw it: its bytes and when it was complete.
struct TcpChunk {
    std::string bytes;
    ULONGLONG tick = 0;
};

class SimTcpPeer {
public:
    static constexpr unsigned short kPort = 1723;
    // A piece ends at this many bytes or after this much quiet.
    static constexpr std::size_t kPieceMax = 512;
    static constexpr int kQuietMs = 30;

    explicit SimTcpPeer(SimRegister& reg);
    ~SimTcpPeer();
    SimTcpPeer(const SimTcpPeer&) = delete;
    SimTcpPeer& operator=(const SimTcpPeer&) = delete;

    // Listens on the dotted address `ip`; false when it cannot.
    bool start(const std::string& ip, unsigned short port = kPort);
    void stop();

    // Answers for the next pieces in order; after them every piece gets
    // the default answer (ACK unless set).
    void setScript(const std::vector<TcpAnswer>& answers);
    void setDefaultAnswer(const TcpAnswer& answer);
    // Bytes for the host, sent while a host is connected.
    void sendToHost(const std::string& bytes);
    // Drops the host's connection (reset: no orderly close).
    void dropHost(bool reset);

    std::string received() const;
    std::vector<TcpChunk> chunks() const;
    int connections() const;  // host connections accepted so far
    int turnedAway() const;   // connections closed because a host was in
    bool hostConnected() const;
    void clearRecord();

    bool waitChunks(std::size_t count, int ms) const;
    bool waitHost(bool connected, int ms) const;

private:
    void run();
    void acceptHost();
    void readHost();
    void endPiece();
    bool applyAnswer(const TcpAnswer& answer);
    void flushOutgoing();
    void closeHost(bool reset);

    SimRegister& reg_;
    SOCKET listener_ = INVALID_SOCKET;
    SOCKET host_ = INVALID_SOCKET;  // touched by the peer thread only
    std::thread thread_;
    std::atomic<bool> quit_{false};
    bool winsock_ = false;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<TcpAnswer> script_;
    std::size_t scriptAt_ = 0;
    TcpAnswer default_ = TcpAnswer::ack();
    std::string outgoing_;
    bool dropRequested_ = false;
    bool dropReset_ = false;
    std::string received_;
    std::string piece_;
    ULONGLONG lastByte_ = 0;
    std::vector<TcpChunk> chunks_;
    int connections_ = 0;
    int turnedAway_ = 0;
    bool connected_ = false;
};

}  // namespace ecrsim
