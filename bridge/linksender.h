#pragma once
// The CommandSender of the running bridge: the link library's XON/XOFF
// send call on the open serial port or network socket.

#include "receipt.h"

class LinkSender : public CommandSender {
public:
    // port not 0: serial COMport; otherwise the socket of the network link.
    LinkSender(int port, int socket) : port_(port), socket_(socket) {}

    int Send(const char* text) override;
    std::string ErrorText(int code) override;
    bool IsSerial() const override { return port_ != 0; }

private:
    int port_;
    int socket_;
};

// The link library's name of a result code.
std::string LinkErrorText(int code);
