// A register simulator as a program of its own: serves the file channel on
// the given address until it is killed.
//   ecrsim.exe <address> [NAME=local-file ...]

#include "sim_register.h"
#include "sim_tftp.h"
#include "sim_tcp.h"

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {
bool preload(ecrsim::SimRegister& reg, const std::string& arg)
{
    size_t eq = arg.find('=');
    if (eq == std::string::npos || eq == 0)
        return false;
    std::ifstream in(arg.substr(eq + 1), std::ios::binary);
    if (!in)
        return false;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    reg.putFile(arg.substr(0, eq), bytes.str());
    return true;
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: ecrsim <address> [NAME=local-file ...]\n");
        return 2;
    }
    try {
        ecrsim::SimRegister reg;
        for (int i = 2; i < argc; ++i) {
            if (!preload(reg, argv[i]))
                std::fprintf(stderr, "ecrsim: cannot load %s\n", argv[i]);
        }
        ecrsim::SimTftpServer tftp(reg);
        if (!tftp.start(argv[1])) {
            std::fprintf(stderr, "ecrsim: %s\n", tftp.lastError().c_str());
            return 1;
        }
        ecrsim::SimTcpPeer tcp(reg);
        if (!tcp.start(argv[1]))
            std::fprintf(stderr, "ecrsim: command port %u not available\n", tcp.kPort);
        std::printf("ecrsim: register on %s\n", argv[1]);
        std::fflush(stdout);
        for (;;)
            Sleep(1000);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ecrsim: %s\n", e.what());
        return 1;
    }
}
