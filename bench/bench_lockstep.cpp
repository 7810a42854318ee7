// The lock-step limit of the library's transfers: the same loopback round
// trips with datagrams (or TCP pieces) of the same sizes as the 6,400,000-byte
// TFTP read and put and the 1 MB XON/XOFF stream, between two threads of this
// program, and nothing else. run.sh divides the library's times by these,
// each measured right beside the library's own.
//   bench_lockstep [read] [put] [stream]     (none named: all three)

#include "bench_util.h"
#include "ecrtftp.h"

#include <winsock2.h>

#include <cstring>
#include <functional>
#include <thread>

namespace {
const char kProg[] = "bench_lockstep";
const int kRounds = 3;
// What the library's request for "PLU.BIN" weighs: opcode, name, NUL, "octet", NUL.
const int kRequestBytes = 2 + 7 + 1 + 5 + 1;
const int kAckBytes = 4;
const int kAnswerBytes = 1;

class Socket {
public:
    explicit Socket(SOCKET s) : s_(s) {}
    ~Socket()
    {
        if (s_ != INVALID_SOCKET)
            closesocket(s_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    SOCKET get() const { return s_; }

private:
    SOCKET s_;
};

// A socket bound to 127.0.0.1 on a port of the system's choice; a lost
// datagram ends its waits after a few seconds instead of never.
SOCKET bound(int type, sockaddr_in& addr)
{
    SOCKET s = socket(AF_INET, type, type == SOCK_DGRAM ? IPPROTO_UDP : IPPROTO_TCP);
    std::memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = inet_addr("127.0.0.1");
    int len = sizeof addr;
    DWORD waitMs = 5000;
    if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) != 0 ||
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&waitMs),
                   sizeof waitMs) != 0)
        throw std::runtime_error("no loopback socket: " + std::to_string(WSAGetLastError()));
    return s;
}

// The sizes of the DATA datagrams of a transfer of `bytes`: full blocks,
// then the short (possibly empty) one that ends it.
std::vector<int> data_sizes(std::size_t bytes)
{
    std::vector<int> sizes(bytes / TFTP_BLOCK_SIZE, 4 + TFTP_BLOCK_SIZE);
    sizes.push_back(4 + static_cast<int>(bytes % TFTP_BLOCK_SIZE));
    return sizes;
}

// One lock-step exchange over UDP: the client sends its first datagram,
// then every answer of the peer is answered in turn. `client[i]` is the
// client's i-th datagram, `peer[i]` the peer's answer to it.
double udp_exchange(const std::vector<int>& client, const std::vector<int>& peer,
                    const char* label, std::size_t blocks)
{
    sockaddr_in peerAddr, clientAddr;
    Socket ps(bound(SOCK_DGRAM, peerAddr)), cs(bound(SOCK_DGRAM, clientAddr));
    std::thread server([&] {
        char buf[TFTP_BUFFER_SIZE] = {};
        for (int size : peer) {
            if (recv(ps.get(), buf, sizeof buf, 0) <= 0)
                return;
            sendto(ps.get(), buf, size, 0, reinterpret_cast<sockaddr*>(&clientAddr),
                   sizeof clientAddr);
        }
    });
    char buf[TFTP_BUFFER_SIZE] = {};
    bench::mark_begin(label);
    double t0 = bench::now_s();
    bool ok = true;
    for (std::size_t i = 0; i < client.size() && ok; ++i) {
        ok = sendto(cs.get(), buf, client[i], 0, reinterpret_cast<sockaddr*>(&peerAddr),
                    sizeof peerAddr) == client[i] &&
             recv(cs.get(), buf, sizeof buf, 0) == peer[i];
    }
    double t1 = bench::now_s();
    bench::mark_end(label, blocks);
    server.join();
    if (!ok)
        throw std::runtime_error("a datagram went missing");
    return (t1 - t0) * 1000;
}

// A read: request -> DATA 1, ACK 1 -> DATA 2, ... ACK n-1 -> DATA n (short).
double read_ms(std::size_t bytes)
{
    std::vector<int> peer = data_sizes(bytes);
    std::vector<int> client(peer.size(), kAckBytes);
    client[0] = kRequestBytes;
    return udp_exchange(client, peer, "read", peer.size());
}

// A put: request -> ACK 0, DATA 1 -> ACK 1, ... DATA n (short) -> ACK n.
double put_ms(std::size_t bytes)
{
    std::vector<int> client = data_sizes(bytes);
    client.insert(client.begin(), kRequestBytes);
    return udp_exchange(client, std::vector<int>(client.size(), kAckBytes), "put",
                        client.size() - 1);
}

// The stream: each piece of at most 512 bytes answered by one byte.
double stream_ms(std::size_t bytes)
{
    sockaddr_in addr;
    Socket listener(bound(SOCK_STREAM, addr));
    if (listen(listener.get(), 1) != 0)
        throw std::runtime_error("no listener");
    std::thread peer([&] {
        Socket s(accept(listener.get(), nullptr, nullptr));
        char buf[bench::kPieceBytes];
        const char answer = 0x06;
        for (std::size_t left = bytes; left > 0;) {
            int want = static_cast<int>(left < sizeof buf ? left : sizeof buf);
            for (int got = 0; got < want;) {
                int n = recv(s.get(), buf + got, want - got, 0);
                if (n <= 0)
                    return;
                got += n;
            }
            left -= static_cast<std::size_t>(want);
            send(s.get(), &answer, kAnswerBytes, 0);
        }
    });
    Socket s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    bool ok = connect(s.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    std::vector<char> text(bench::kPieceBytes, 'A');
    bench::mark_begin("stream");
    double t0 = bench::now_s();
    for (std::size_t left = bytes; left > 0 && ok;) {
        int piece = static_cast<int>(left < text.size() ? left : text.size());
        char answer;
        ok = send(s.get(), text.data(), piece, 0) == piece &&
             recv(s.get(), &answer, kAnswerBytes, 0) == kAnswerBytes;
        left -= static_cast<std::size_t>(piece);
    }
    double t1 = bench::now_s();
    bench::mark_end("stream", bench::pieces_of(bytes));
    shutdown(s.get(), SD_BOTH);  // a peer still waiting for a piece ends
    peer.join();
    if (!ok)
        throw std::runtime_error("the stream broke off");
    return (t1 - t0) * 1000;
}

void measure(const char* key, const std::function<double()>& once)
{
    std::vector<double> ms;
    for (int round = 0; round < bench::rounds(kRounds); ++round)
        ms.push_back(once());
    bench::result(kProg, key, bench::best(ms));
}

// The transfers named (read, put, stream), all of them without a name.
int run(int argc, char** argv)
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return 1;
    auto wanted = [&](const char* name) {
        for (int i = 1; i < argc; ++i)
            if (std::strcmp(argv[i], name) == 0)
                return true;
        return argc < 2;
    };
    const std::size_t file = bench::counted_part(bench::full_plu_image()).size();
    if (wanted("read"))
        measure("read_best_ms", [&] { return read_ms(file); });
    if (wanted("put"))
        measure("put_best_ms", [&] { return put_ms(file); });
    if (wanted("stream"))
        measure("stream_best_ms", [&] { return stream_ms(bench::kStreamBytes); });
    WSACleanup();
    return 0;
}
}  // namespace

int main(int argc, char** argv)
{
    return bench::guarded(kProg, [&] { return run(argc, argv); });
}
