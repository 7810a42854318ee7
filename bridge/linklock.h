#pragma once
// The link library keeps per-process state (its trace, the socket and
// serial tables), so the bridge calls it from one thread at a time: the
// worker and every other caller (the connection test, the port list) take
// this one lock around each call.

#include "receipt.h"

#include <windows.h>

#include <mutex>
#include <string>

// A lock the window's thread can wait for while it serves its messages: a
// register holding XOFF keeps the worker's close of the link waiting for
// minutes, and the window must not freeze meanwhile.
class LinkLock {
public:
    LinkLock() : mutex_(CreateMutexA(nullptr, FALSE, nullptr)) {}
    ~LinkLock() { CloseHandle(mutex_); }
    LinkLock(const LinkLock&) = delete;
    LinkLock& operator=(const LinkLock&) = delete;

    void lock() { WaitForSingleObject(mutex_, INFINITE); }
    bool try_lock()
    {
        DWORD taken = WaitForSingleObject(mutex_, 0);
        return taken == WAIT_OBJECT_0 || taken == WAIT_ABANDONED;
    }
    void unlock() { ReleaseMutex(mutex_); }
    // Signalled when free; a wait that returns with it signalled holds it.
    HANDLE Handle() const { return mutex_; }

private:
    HANDLE mutex_;
};

LinkLock& LinkLibraryLock();

// The link calls of the bridge, each under the lock.
namespace ecrlink {
int ConnectSerial(int port, int baud);
int DisconnectSerial(int port);
int Status(const std::string& ip, int* scoFis);
int ConnectNetwork(const std::string& ip);
int DisconnectNetwork(int socket);
std::string ErrorText(int code);
// Read at the first call, which start-up makes before any worker runs: the
// version never changes, and later callers never wait on the line.
std::string Version();
}  // namespace ecrlink

// A CommandSender that forwards to another under the lock.
class LockedSender : public CommandSender {
public:
    explicit LockedSender(CommandSender& inner) : inner_(inner) {}

    int Send(const char* text) override
    {
        std::lock_guard<LinkLock> hold(LinkLibraryLock());
        return inner_.Send(text);
    }
    std::string ErrorText(int code) override { return ecrlink::ErrorText(code); }
    bool IsSerial() const override { return inner_.IsSerial(); }

private:
    CommandSender& inner_;
};
