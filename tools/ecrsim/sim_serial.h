#pragma once
// The register's end of a serial line: opens the far COM port of a pty pair
// with the Win32 serial API, records every byte the host sends and echoes
// each one back, or not, or wrongly, as the test asks.

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>

namespace ecrsim {

enum class SerialEcho {
    None,          // a register that does not echo
    Same,          // every byte straight back
    Wrong,         // every byte with its lowest bit flipped
    NoiseThenSame  // a wrong byte, then the right one
};

class SimSerialPeer {
public:
    SimSerialPeer() = default;
    ~SimSerialPeer();
    SimSerialPeer(const SimSerialPeer&) = delete;
    SimSerialPeer& operator=(const SimSerialPeer&) = delete;

    // Opens COM<port> and starts listening; false when the port cannot be
    // opened or set up.
    bool open(int port);
    void close();

    void set_echo(SerialEcho mode) { echo_ = mode; }
    // Sends bytes to the host, as the register would on its own.
    bool send(const std::string& bytes);

    std::string received() const;
    void clear();
    // Waits until at least `count` bytes came in, at most `timeoutMs`.
    bool wait_for(std::size_t count, DWORD timeoutMs) const;

private:
    void run() noexcept;
    bool write_bytes(const char* data, DWORD len);
    void answer(char byte);

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<SerialEcho> echo_{SerialEcho::None};
    std::mutex io_;  // one Win32 call on the handle at a time
    mutable std::mutex lock_;
    mutable std::condition_variable arrived_;
    std::string received_;
};

}  // namespace ecrsim
