#pragma once
// The link library keeps per-process state (its trace, the socket and
// serial tables), so the bridge calls it from one thread at a time: the
// worker and every other caller (connection test, test receipt) take this
// one lock around each call.

#include "receipt.h"

#include <mutex>
#include <string>

std::recursive_mutex& LinkLibraryLock();

// The link calls of the bridge, each under the lock.
namespace ecrlink {
int ConnectSerial(int port, int baud);
int DisconnectSerial(int port);
int Status(const std::string& ip, int* scoFis);
int ConnectNetwork(const std::string& ip);
int DisconnectNetwork(int socket);
std::string ErrorText(int code);
std::string Version();
}  // namespace ecrlink

// A CommandSender that forwards to another under the lock.
class LockedSender : public CommandSender {
public:
    explicit LockedSender(CommandSender& inner) : inner_(inner) {}

    int Send(const char* text) override
    {
        std::lock_guard<std::recursive_mutex> hold(LinkLibraryLock());
        return inner_.Send(text);
    }
    std::string ErrorText(int code) override { return ecrlink::ErrorText(code); }
    bool IsSerial() const override { return inner_.IsSerial(); }

private:
    CommandSender& inner_;
};
