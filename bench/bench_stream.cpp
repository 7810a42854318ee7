// A 1 MB text through the XON/XOFF command stream (512-byte pieces, each
// answered ACK by a register as lean as the lock-step program's peer; the
// simulated register answers the connect's status request) beside the
// loopback round trip of one byte over a plain socket pair in this program.

#include "bench_util.h"
#include "brisal.h"
#include "ecrmain.h"
#include "lean_register.h"
#include "sim_register.h"
#include "sim_tftp.h"

#include <winsock2.h>

#include <cstring>
#include <thread>

namespace {
const char kProg[] = "bench_stream";
const int kRounds = 3;
const int kTrips = 2000;

// Printable command text with line ends, no NUL.
std::string stream_text()
{
    std::string s(bench::kStreamBytes, ' ');
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = i % 64 == 63 ? '\n' : static_cast<char>('A' + i % 26);
    return s;
}

// Microseconds a 512-byte piece over the library, best of kRounds; < 0 on failure.
double stream_us_per_piece()
{
    const std::string text = stream_text();
    bench::LeanStream peer(text.size());
    ecrsim::SimRegister reg;
    ecrsim::SimTftpServer tftp(reg);
    if (!tftp.start("127.0.0.1")) {
        bench::note(kProg, "simulator not started (UDP 500 taken?) " + tftp.lastError());
        return -1;
    }
    int sock = ecr_conn_xonxoff_ntw("127.0.0.1");
    tftp.stop();  // the stream needs it no more
    if (sock <= 0) {
        bench::note(kProg, "connect failed: " + std::to_string(sock));
        return -1;
    }
    std::vector<double> us;
    for (int round = 0; round < bench::rounds(kRounds); ++round) {
        bench::mark_begin("stream");
        double t0 = bench::now_s();
        int rc = ecr_send_xonxoff_ntw(sock, text.c_str());
        double t1 = bench::now_s();
        bench::mark_end("stream", bench::pieces_of(text.size()));
        std::string got = peer.take();
        if (rc != 0 || got != text) {
            bench::note(kProg, "stream failed: " + std::to_string(rc) + ", register got " +
                                   std::to_string(got.size()) + " bytes");
            ecr_disc_xonxoff_ntw(sock);
            return -1;
        }
        us.push_back((t1 - t0) * 1e6 / (bench::kStreamBytes / bench::kPieceBytes));
    }
    bench::result(kProg, "stream_total_ms_best",
                  bench::best(us) * (bench::kStreamBytes / bench::kPieceBytes) / 1000);
    ecr_disc_xonxoff_ntw(sock);
    return bench::best(us);
}

// Echoes single bytes until the other end closes.
void echo(SOCKET listener)
{
    SOCKET s = accept(listener, nullptr, nullptr);
    char c;
    while (s != INVALID_SOCKET && recv(s, &c, 1, 0) == 1 && send(s, &c, 1, 0) == 1) {
    }
    if (s != INVALID_SOCKET)
        closesocket(s);
}

// Microseconds of one byte there and back on loopback TCP; < 0 on failure.
double loopback_rtt_us()
{
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr;
    std::memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = inet_addr("127.0.0.1");
    int len = sizeof addr;
    if (bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == SOCKET_ERROR ||
        listen(listener, 1) == SOCKET_ERROR ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) == SOCKET_ERROR) {
        closesocket(listener);
        return -1;
    }
    std::thread peer(echo, listener);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    double result = -1;
    if (connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        char c = 'x';
        bool ok = true;
        double t0 = 0;
        for (int i = -100; i < kTrips && ok; ++i) {  // 100 rounds to warm up
            if (i == 0)
                t0 = bench::now_s();
            ok = send(s, &c, 1, 0) == 1 && recv(s, &c, 1, 0) == 1;
        }
        if (ok)
            result = (bench::now_s() - t0) * 1e6 / kTrips;
    }
    closesocket(s);
    peer.join();
    closesocket(listener);
    return result;
}

int run()
{
    ecr_library_attach();
    // The count wants the stream alone.
    double rtt = bench::counting() ? 0 : loopback_rtt_us();
    double piece = stream_us_per_piece();
    if (rtt < 0 || piece < 0) {
        bench::note(kProg, "no measurement");
        return 1;
    }
    bench::result(kProg, "piece_us", piece);
    bench::result(kProg, "rtt_us", rtt);
    bench::result(kProg, "overhead_us", piece - rtt);
    return 0;
}
}  // namespace

int main()
{
    return bench::guarded(kProg, [] { return run(); });
}
