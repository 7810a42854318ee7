#pragma once
// The simulated register's file channel: the register's TFTP variant on UDP
// (port 500), octet mode, one lock-step transfer at a time, with switches
// that make it misbehave the ways a real line or register can.

#include "sim_register.h"

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace ecrsim {

// Block numbers count from 1; 0 switches a fault off.
struct TftpFaults {
    int silentRequests = 0;   // the next k read/write requests get no answer
    int strayRequests = 0;    // the next k get one stray datagram (DATA or ACK 3), then no answer
    int refusedRequests = 0;  // the next k are refused with ERROR 0, before the faults above
    int errorOnceCode = -1;   // >= 0: the next request is refused with this code
    int errorAlwaysCode = -1; // >= 0: every request is refused with this code
    int stopAfterBlock = 0;   // read: no DATA after block N; write: no ACK after block N
    int errorAfterBlock = 0;  // read: ERROR 1 ("no such file") in place of DATA N + 1
    int dropBlock = 0;        // read: DATA n is not sent the first time
    int duplicateBlock = 0;   // read: DATA n is sent twice
    int dropAck = 0;          // write: ACK n is not sent the first time
    int duplicateAck = 0;     // write: ACK n is sent twice
    int futureBlock = 0;      // before DATA n (read) / ACK n (write): the same for n + 2
    int shortBefore = 0;      // before DATA n / ACK n: a 3-byte datagram
    int oversizeBlock = 0;    // read: DATA n carries 100 bytes beyond its 512
    int strangerBefore = 0;   // before DATA n / ACK n: an ERROR from another address
    int resendMs = 1000;      // read: DATA resent when its ACK is this late
    int maxResends = 6;       // then the transfer is dropped
    // Every transfer is served from a fresh UDP port, as RFC 1350 servers
    // (or a NAT in front of the register) do; port 500 then takes requests only.
    bool freshPort = false;
    // write: called on the server thread just before ACK n goes out.
    std::function<void(int block)> beforeAck;
};

struct TftpEvent {
    unsigned long ms;  // since start()
    std::string text;  // "RRQ NAME", "WRQ NAME", "ERROR 1", "DATA 3 512", "ACK 3", ...
};

class SimTftpServer {
public:
    explicit SimTftpServer(SimRegister& reg);
    ~SimTftpServer();
    SimTftpServer(const SimTftpServer&) = delete;
    SimTftpServer& operator=(const SimTftpServer&) = delete;

    // Binds `address`:`port` (port 500 needs root) and starts serving;
    // false with lastError() set when it cannot.
    bool start(const std::string& address, unsigned short port = 500);
    // Ends the thread within about 100 ms and closes the socket.
    void stop();
    bool running() const { return running_; }
    std::string address() const { return address_; }
    std::string lastError() const;

    void setFaults(const TftpFaults& faults);
    TftpFaults faults() const;

    // What the server saw and did: received requests, DATA and ACK as
    // "RRQ n", "WRQ n", "DATA n len", "ACK n"; sent ones as "-> DATA n len",
    // "-> ACK n", "-> ERROR code"; ignored ones as "IGNORED ...".
    std::vector<TftpEvent> events() const;
    int countEvents(const std::string& prefix) const;
    void clearEvents();

    // A loopback address of this process: 127.a.b.(salt + 1) from the id.
    // Under Wine a UDP bind to any loopback address but 127.0.0.1 takes the
    // whole loopback device and answers come from 127.0.0.1: in-process
    // tests serve port 500 on 127.0.0.1 instead.
    static std::string addressForProcess(int salt);

private:
    static DWORD WINAPI threadMain(void* self);
    void run();
    void handle(const char* buf, int len, const sockaddr_in& from);
    void handleRequest(const char* buf, int len, const sockaddr_in& from);
    void handleAck(unsigned block, const sockaddr_in& from);
    void handleData(unsigned block, const char* data, int len, const sockaddr_in& from);
    void sendData(bool resend);
    void sendAck(unsigned block);
    void openTransferSocket();
    void closeTransferSocket();
    void sendError(const sockaddr_in& to, int code, const char* text);
    void sendPacket(const std::string& packet, const sockaddr_in& to);
    void sendFrom(SOCKET s, const std::string& packet, const sockaddr_in& to);
    void strangerError(const sockaddr_in& to, int code);
    void checkResend();
    void record(const std::string& text);

    SimRegister& reg_;
    SOCKET sock_ = INVALID_SOCKET;
    SOCKET stranger_ = INVALID_SOCKET;
    SOCKET xfer_ = INVALID_SOCKET;  // the transfer's own port (freshPort)
    HANDLE thread_ = nullptr;
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{false};
    std::string address_;
    std::string error_;
    unsigned long startTick_ = 0;
    bool winsock_ = false;

    mutable std::mutex mutex_;  // faults and events
    TftpFaults faults_;
    std::vector<TftpEvent> events_;

    // Transfer state: touched by the server thread only.
    bool active_ = false;
    bool reading_ = false;  // the client reads (we send DATA)
    sockaddr_in peer_{};
    std::string name_;
    std::string data_;
    unsigned block_ = 0;    // read: DATA block awaiting its ACK; write: last ACKed
    bool finalSent_ = false;
    bool finished_ = false;
    unsigned long sentTick_ = 0;
    int resends_ = 0;
    int droppedBlock_ = 0;
    int droppedAck_ = 0;
};

}  // namespace ecrsim
