#pragma once
// A simulated register on its own loopback address, served from this test
// process, and the helpers the file-channel tests share.

#include "ecrnet.h"
#include "ecrtrace.h"
#include "sim_register.h"
#include "sim_tftp.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace simtest {

// Bytes that show any shift or loss: a counter mixed with its block.
inline std::string pattern(size_t n, unsigned seed = 7)
{
    std::string s(n, '\0');
    unsigned x = seed;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        s[i] = static_cast<char>((x >> 16) & 0xFF);
    }
    return s;
}

inline std::string local_path(const std::string& name)
{
    return testutil::exe_folder() + "\\" + name;
}

// The trace with its text-mode line ends ("\r\n") read as "\n".
inline std::string trace_text()
{
    std::string text = testutil::read_file(local_path("ecrlog.txt"));
    std::string out;
    for (char c : text)
        if (c != '\r')
            out += c;
    return out;
}

inline bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// One register with its file channel. Wine binds a UDP socket on any other
// loopback address to the whole loopback device and answers from 127.0.0.1,
// so the register lives there (tests using port 500 hold the progdir lock).
struct SimPeer {
    // `salt` once picked an address of its own; kept for the callers.
    explicit SimPeer(int salt = 0) : server(reg)
    {
        (void)salt;
        address = "127.0.0.1";
        // Port 500 is one per machine: a program that just ended (or one
        // outside this run) may still hold it for a moment.
        for (int i = 0; i < 40 && !(started = server.start(address)); ++i)
            Sleep(500);
        ip = inet_addr(address.c_str());
    }
    ecrsim::SimRegister reg;
    ecrsim::SimTftpServer server;
    std::string address;
    uint32_t ip = 0;
    bool started = false;
};

class RegisterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ecr_init_dirname();
        ASSERT_EQ(0, ecr_winsock_start());
        peer_.reset(new SimPeer());
        ASSERT_TRUE(peer_->started) << peer_->server.lastError();
        ecr_log_reset();
    }
    void TearDown() override
    {
        if (HasFailure() && peer_) {
            // What the register saw explains most failures.
            for (const auto& e : peer_->server.events())
                std::printf("  sim %6lu ms: %s\n", e.ms, e.text.c_str());
        }
        peer_.reset();
        ecr_winsock_stop();
    }
    ecrsim::SimRegister& reg() { return peer_->reg; }
    ecrsim::SimTftpServer& server() { return peer_->server; }
    uint32_t ip() const { return peer_->ip; }
    const char* host() const { return peer_->address.c_str(); }

    std::unique_ptr<SimPeer> peer_;
};

}  // namespace simtest
