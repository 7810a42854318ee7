#include "sim_serial.h"

#include <chrono>
#include <cstdio>

namespace ecrsim {

namespace {
// Reads return at once (Wine waits out a total read time-out even when
// bytes are there), so the listener polls at this pace.
constexpr DWORD kPollMs = 2;

bool set_up(HANDLE h)
{
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(h, &dcb))
        return false;
    dcb.BaudRate = 9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = dcb.fOutX = dcb.fInX = FALSE;
    COMMTIMEOUTS t = {MAXDWORD, 0, 0, 0, 2000};
    return SetCommState(h, &dcb) && SetCommTimeouts(h, &t) &&
           PurgeComm(h, PURGE_RXCLEAR | PURGE_TXCLEAR);
}
}  // namespace

SimSerialPeer::~SimSerialPeer() { close(); }

bool SimSerialPeer::open(int port)
{
    close();
    char name[16];
    std::snprintf(name, sizeof name, "\\\\.\\COM%d", port);
    HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    if (!set_up(h)) {
        CloseHandle(h);
        return false;
    }
    handle_ = h;
    stop_ = false;
    thread_ = std::thread(&SimSerialPeer::run, this);
    return true;
}

void SimSerialPeer::close()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    if (handle_ != INVALID_HANDLE_VALUE)
        CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

bool SimSerialPeer::send(const std::string& bytes)
{
    return write_bytes(bytes.data(), static_cast<DWORD>(bytes.size()));
}

bool SimSerialPeer::write_bytes(const char* data, DWORD len)
{
    std::lock_guard<std::mutex> guard(io_);
    while (len > 0) {
        DWORD written = 0;
        if (!WriteFile(handle_, data, len, &written, nullptr) || written == 0)
            return false;
        data += written;
        len -= written;
    }
    return true;
}

std::string SimSerialPeer::received() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return received_;
}

void SimSerialPeer::clear()
{
    std::lock_guard<std::mutex> guard(lock_);
    received_.clear();
}

bool SimSerialPeer::wait_for(std::size_t count, DWORD timeoutMs) const
{
    std::unique_lock<std::mutex> guard(lock_);
    return arrived_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                             [&] { return received_.size() >= count; });
}

void SimSerialPeer::answer(char byte)
{
    char wrong = static_cast<char>(byte ^ 0x01);
    switch (echo_.load()) {
    case SerialEcho::None: break;
    case SerialEcho::Same: write_bytes(&byte, 1); break;
    case SerialEcho::Wrong: write_bytes(&wrong, 1); break;
    case SerialEcho::NoiseThenSame:
        write_bytes(&wrong, 1);
        write_bytes(&byte, 1);
        break;
    }
}

void SimSerialPeer::run() noexcept
{
    try {
        while (!stop_) {
            char buf[256];
            DWORD got = 0;
            BOOL ok;
            {
                std::lock_guard<std::mutex> guard(io_);
                DWORD errors = 0;
                COMSTAT stat = {};
                ok = ClearCommError(handle_, &errors, &stat) && stat.cbInQue > 0 &&
                     ReadFile(handle_, buf, sizeof buf, &got, nullptr);
            }
            if (!ok || got == 0) {
                Sleep(kPollMs);
                continue;
            }
            {
                std::lock_guard<std::mutex> guard(lock_);
                received_.append(buf, got);
            }
            arrived_.notify_all();
            for (DWORD i = 0; i < got; ++i)
                answer(buf[i]);
        }
    } catch (...) {
        // A listener that fails just stops listening; the test sees no bytes.
    }
}

}  // namespace ecrsim
