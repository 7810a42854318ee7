#pragma once
// The simulated register on loopback for the tests that carry receipts to
// it: its TFTP channel (UDP 500) and its command port (TCP 1723).

#include "sim_register.h"
#include "sim_tcp.h"
#include "sim_tftp.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

class LoopbackRegister {
public:
    explicit LoopbackRegister(const std::string& ip) : ip_(ip) {}

    // Both ports up; another program's register may hold them for a while.
    bool Start()
    {
        for (int i = 0; i < 120 && !tftp.running() && !tftp.start(ip_); ++i)
            Sleep(500);
        bool peerUp = false;
        for (int i = 0; i < 40 && tftp.running() && !(peerUp = peer.start(ip_)); ++i)
            Sleep(500);
        return tftp.running() && peerUp;
    }

    // Idle, every piece acknowledged, nothing recorded yet.
    void Reset()
    {
        reg.setState('I');
        peer.setScript({});
        peer.setDefaultAnswer(ecrsim::TcpAnswer::ack());
        peer.clearRecord();
    }

    const std::string& Ip() const { return ip_; }

    ecrsim::SimRegister reg;
    ecrsim::SimTftpServer tftp{reg};
    ecrsim::SimTcpPeer peer{reg};

private:
    std::string ip_;
};

// A suite of tests over Base with the register up for all of them.
template <class Base>
class OnLoopbackRegister : public Base {
protected:
    static void SetUpTestSuite()
    {
        register_ = new LoopbackRegister("127.0.0.1");
        started_ = register_->Start();
    }
    static void TearDownTestSuite()
    {
        delete register_;
        register_ = nullptr;
    }

    static LoopbackRegister* register_;
    static bool started_;
};

template <class Base>
LoopbackRegister* OnLoopbackRegister<Base>::register_ = nullptr;
template <class Base>
bool OnLoopbackRegister<Base>::started_ = false;
