// The demo's register: the simulated register (file channel and command
// port) on an address, printing every chunk of command text it receives,
// until the stop file appears.
//   demoreg.exe <address> <stop-file>

#include "sim_register.h"
#include "sim_tcp.h"
#include "sim_tftp.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Visible(const std::string& bytes)
{
    std::string out;
    for (unsigned char c : bytes) {
        if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", c);
            out += hex;
        } else {
            out += char(c);
        }
    }
    return out;
}

int Serve(const std::string& address, const std::string& stopFile)
{
    ecrsim::SimRegister reg;
    ecrsim::SimTftpServer tftp(reg);
    ecrsim::SimTcpPeer tcp(reg);
    for (int i = 0; i < 60 && !tftp.start(address); ++i)
        Sleep(500);
    if (!tftp.running() || !tcp.start(address)) {
        std::fprintf(stderr, "demoreg: %s\n", tftp.lastError().c_str());
        return 1;
    }
    std::printf("register: listening on %s (UDP 500, TCP %u)\n", address.c_str(), tcp.kPort);
    std::fflush(stdout);
    size_t shown = 0;
    int connections = 0;
    for (;;) {
        bool stop = GetFileAttributesA(stopFile.c_str()) != INVALID_FILE_ATTRIBUTES;
        std::vector<ecrsim::TcpChunk> chunks = tcp.chunks();
        if (tcp.connections() != connections) {
            connections = tcp.connections();
            std::printf("register: host connection %d\n", connections);
        }
        for (; shown < chunks.size(); ++shown)
            std::printf("register: received %3u bytes: %s\n", unsigned(chunks[shown].bytes.size()),
                        Visible(chunks[shown].bytes).c_str());
        std::fflush(stdout);
        if (stop)
            break;
        Sleep(200);
    }
    std::printf("register: %d status requests, %d host connections\n", reg.infoCount(),
                tcp.connections());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: demoreg <address> <stop-file>\n");
        return 2;
    }
    try {
        return Serve(argv[1], argv[2]);
    } catch (...) {
        std::fprintf(stderr, "demoreg: unexpected failure\n");
        return 1;
    }
}
