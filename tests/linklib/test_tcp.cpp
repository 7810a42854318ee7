// The XON/XOFF command stream over TCP against the simulated register: its
// file channel answers INFO, its command port records and answers pieces.

#include "brisal.h"
#include "ecr_result.h"
#include "ecrmain.h"
#include "ecrpace.h"
#include "ecrtrace.h"
#include "sim_register.h"
#include "sim_tcp.h"
#include "sim_tftp.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using ecrsim::TcpAnswer;

struct Register {
    ecrsim::SimRegister reg;
    ecrsim::SimTftpServer tftp{reg};
    ecrsim::SimTcpPeer peer{reg};
};

ULONGLONG now() { return GetTickCount64(); }

// Bytes waiting on a socket, polled for a bounded time.
bool wait_pending(int sock, int bytes, int ms)
{
    for (ULONGLONG end = now() + ms; now() < end; Sleep(10)) {
        u_long n = 0;
        if (ioctlsocket(static_cast<SOCKET>(sock), FIONREAD, &n) == 0 && n >= u_long(bytes))
            return true;
    }
    return false;
}

bool is_open_socket(int sock)
{
    int type = 0;
    int len = sizeof type;
    return getsockopt(static_cast<SOCKET>(sock), SOL_SOCKET, SO_TYPE,
                      reinterpret_cast<char*>(&type), &len) == 0;
}

class TcpStream : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        SetEnvironmentVariableA("ECR_TRACE", "1");
        ecr_library_attach();
        sim_ = new Register;
        // Wine answers UDP from 127.0.0.1 whatever loopback address was bound.
        ip_ = "127.0.0.1";
        ASSERT_TRUE(sim_->tftp.start(ip_)) << sim_->tftp.lastError();
        ASSERT_TRUE(sim_->peer.start(ip_)) << ip_;
    }
    static void TearDownTestSuite()
    {
        delete sim_;
        sim_ = nullptr;
        ecr_library_detach(false);
    }
    void SetUp() override
    {
        ASSERT_NE(nullptr, sim_);
        ecr_pace = EcrPace();
        peer().setScript({});
        peer().setDefaultAnswer(TcpAnswer::ack());
        peer().clearRecord();
        reg().setInfo(ecrsim::InfoFields());
        traceFrom_ = ecr_file_size(tracePath().c_str());
        if (traceFrom_ < 0)
            traceFrom_ = 0;
    }
    void TearDown() override
    {
        if (sock_ >= 0)
            ecr_disc_xonxoff_ntw(sock_);
        sock_ = -1;
        EXPECT_TRUE(peer().waitHost(false, 5000));
    }

    static ecrsim::SimRegister& reg() { return sim_->reg; }
    static ecrsim::SimTcpPeer& peer() { return sim_->peer; }

    void setVersion(const std::string& version)
    {
        ecrsim::InfoFields f = reg().info();
        f.version = version;
        reg().setInfo(f);
    }
    void connect()
    {
        sock_ = ecr_conn_xonxoff_ntw(ip_.c_str());
        ASSERT_GE(sock_, 0);
        ASSERT_TRUE(peer().waitHost(true, 5000));
    }
    static std::string tracePath() { return testutil::exe_folder() + "\\ecrlog.txt"; }
    // Trace lines written since this test began.
    std::string trace() const { return testutil::read_file(tracePath()).substr(traceFrom_); }
    static std::vector<size_t> sizes(const std::vector<ecrsim::TcpChunk>& chunks)
    {
        std::vector<size_t> out;
        for (const auto& c : chunks)
            out.push_back(c.bytes.size());
        return out;
    }

    static Register* sim_;
    static std::string ip_;
    int sock_ = -1;
    long traceFrom_ = 0;
};

Register* TcpStream::sim_ = nullptr;
std::string TcpStream::ip_;

std::string text_of(size_t length)
{
    std::string s;
    for (size_t i = 0; i < length; ++i)
        s += static_cast<char>('A' + i % 26);
    return s;
}

TEST_F(TcpStream, ConnectHoldsTheRegisterUntilDisconnect)
{
    connect();
    EXPECT_TRUE(reg().hostConnected());
    EXPECT_EQ(1, peer().connections());
    EXPECT_NE(std::string::npos, trace().find("ecr_conn_xonxoff_ntw -- begin: hostname='" + ip_));

    // The register already has its host: refused before any TCP connect.
    EXPECT_EQ(ERR_CONNECT_GIA_IN_CORSO, ecr_conn_xonxoff_ntw(ip_.c_str()));
    EXPECT_EQ(1, peer().connections());
    EXPECT_EQ(0, peer().turnedAway());

    EXPECT_EQ(0, ecr_disc_xonxoff_ntw(sock_));
    sock_ = -1;
    EXPECT_TRUE(peer().waitHost(false, 5000));
    EXPECT_FALSE(reg().hostConnected());
    EXPECT_NE(std::string::npos, trace().find("ecr_disc_xonxoff_ntw -- end  : esito='0'"));
}

TEST_F(TcpStream, ConnectFailures)
{
    const int before = peer().connections();
    reg().setCmd(1);
    EXPECT_EQ(ERR_REG_NON_DISP, ecr_conn_xonxoff_ntw(ip_.c_str()));
    reg().setCmd(0);
    EXPECT_EQ(before, peer().connections());  // the gate stops it before any connect

    // A register whose command port is closed.
    peer().stop();
    int rc = ecr_conn_xonxoff_ntw(ip_.c_str());
    ASSERT_TRUE(peer().start(ip_));
    EXPECT_EQ(ERR_CONNECT_FAILED, rc);
    EXPECT_NE(std::string::npos, trace().find("connect fallita: ip_address='" + ip_ + "'"));
    EXPECT_NE(std::string::npos, trace().find("ecr_conn_xonxoff_ntw -- end  : sockid='ERR_CONNECT_FAILED'"));
}

TEST_F(TcpStream, LongTextGoesOutInAcknowledgedPieces)
{
    connect();
    const std::string text = text_of(1300);
    ASSERT_EQ(0, ecr_send_xonxoff_ntw(sock_, text.c_str()));
    EXPECT_EQ(text, peer().received());
    EXPECT_EQ((std::vector<size_t>{512, 512, 276}), sizes(peer().chunks()));

    std::string t = trace();
    size_t acks = 0;
    for (size_t at = 0; (at = t.find("printer response: codice='06'", at)) != std::string::npos; ++at)
        ++acks;
    EXPECT_EQ(3u, acks);
    EXPECT_NE(std::string::npos, t.find("ecr_send_xonxoff_ntw -- end  : esito='0'"));

    // Nothing to send: no piece, success.
    EXPECT_EQ(0, ecr_send_xonxoff_ntw(sock_, ""));
    EXPECT_EQ(3u, peer().chunks().size());
}

TEST_F(TcpStream, RepeatsFollowTheAnswers)
{
    const struct {
        const char* name;
        const char* version;
        std::vector<TcpAnswer> script;
        size_t pieces;     // pieces the register sees for one short text
        ULONGLONG minGap;  // least pause before the repeat
        ULONGLONG maxGap;
    } rows[] = {
        {"NAK", "ECRSIM 1.0", {TcpAnswer::nak()}, 2, 900, 3000},
        {"BEL", "ECRSIM 1.0", {TcpAnswer::bel()}, 2, 80, 800},
        {"five BEL", "ECRSIM 1.0", std::vector<TcpAnswer>(5, TcpAnswer::bel()), 6, 80, 800},
        {"'1' on V1", "V1.0", {TcpAnswer::with("1")}, 2, 900, 3000},
        {"'2' on V1", "V1.0", {TcpAnswer::with("2")}, 2, 80, 800},
        {"'0' on V1", "V1.0", {TcpAnswer::with("0")}, 1, 0, 0},
        {"NAK on V1", "V1.0", {TcpAnswer::nak()}, 2, 900, 3000},
        {"'1' ignored when V1 is not right behind the key", " V1.0",
         {TcpAnswer::with("1\x06")}, 1, 0, 0},
        {"'1' ignored elsewhere", "V2.3", {TcpAnswer::with("1\x06")}, 1, 0, 0},
        {"'2' ignored elsewhere", "ECRSIM 1.0", {TcpAnswer::with("2\x06")}, 1, 0, 0},
        {"junk ignored", "V1.0", {TcpAnswer::with("A\x11\x13\x06")}, 1, 0, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        setVersion(row.version);
        connect();
        peer().clearRecord();
        peer().setScript(row.script);
        EXPECT_EQ(0, ecr_send_xonxoff_ntw(sock_, "CHIUSURA SCONTRINO"));
        auto chunks = peer().chunks();
        ASSERT_EQ(row.pieces, chunks.size());
        for (size_t i = 1; i < chunks.size(); ++i) {
            EXPECT_EQ("CHIUSURA SCONTRINO", chunks[i].bytes);
            ULONGLONG gap = chunks[i].tick - chunks[i - 1].tick;
            EXPECT_GE(gap, row.minGap) << "piece " << i;
            EXPECT_LE(gap, row.maxGap) << "piece " << i;
        }
        ecr_disc_xonxoff_ntw(sock_);
        sock_ = -1;
        ASSERT_TRUE(peer().waitHost(false, 5000));
    }
}

TEST_F(TcpStream, DigitAnswersNeedTheV1Firmware)
{
    setVersion("V2.0");
    connect();
    EXPECT_NE(std::string::npos, trace().find("ecr_conn_xonxoff_ntw -- end  : sockid="));
    ecr_pace.answer_limit_ms = 1500;
    peer().setScript({TcpAnswer::with("0")});
    ULONGLONG start = now();
    EXPECT_EQ(ERR_CONNECT_CLOSED, ecr_send_xonxoff_ntw(sock_, "X"));
    EXPECT_GE(now() - start, 1400u);
    std::string t = trace();
    EXPECT_NE(std::string::npos, t.find("ecr_v10_ntw='0'"));
    EXPECT_NE(std::string::npos, t.find("printer response: codice='30'"));
    EXPECT_NE(std::string::npos, t.find("recv fallita: esito='10060'"));
}

TEST_F(TcpStream, SilentRegisterEndsTheSendInBoundedTime)
{
    connect();
    ecr_pace.answer_limit_ms = 2000;
    peer().setScript({TcpAnswer::silence()});
    ULONGLONG start = now();
    EXPECT_EQ(ERR_CONNECT_CLOSED, ecr_send_xonxoff_ntw(sock_, "SCONTRINO"));
    ULONGLONG took = now() - start;
    EXPECT_GE(took, 1900u);
    EXPECT_LT(took, 10000u);
    // A failed send leaves the connection to the caller.
    EXPECT_TRUE(is_open_socket(sock_));
    EXPECT_TRUE(peer().hostConnected());
}

TEST_F(TcpStream, PeerGoneMidPieceFailsWithoutHanging)
{
    const struct { const char* name; TcpAnswer answer; } rows[] = {
        {"close", TcpAnswer::close()},
        {"reset", TcpAnswer::reset()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        connect();
        peer().clearRecord();
        peer().setScript({TcpAnswer::ack(), row.answer});
        ULONGLONG start = now();
        EXPECT_EQ(ERR_CONNECT_CLOSED, ecr_send_xonxoff_ntw(sock_, text_of(1300).c_str()));
        EXPECT_LT(now() - start, 10000u);
        auto chunks = peer().chunks();
        ASSERT_GE(chunks.size(), 2u);
        EXPECT_EQ(512u, chunks[0].bytes.size());
        EXPECT_LE(chunks[1].bytes.size(), 512u);
        EXPECT_TRUE(peer().waitHost(false, 5000));
        EXPECT_NE(std::string::npos, trace().find("ecr_send_xonxoff_ntw -- end  : esito='ERR_CONNECT_CLOSED'"));
        ecr_disc_xonxoff_ntw(sock_);
        sock_ = -1;
    }
}

TEST_F(TcpStream, StaleBytesAreDrainedBeforeSending)
{
    connect();
    peer().sendToHost("\x15\x15\x07");
    ASSERT_TRUE(wait_pending(sock_, 3, 5000));
    EXPECT_EQ(0, ecr_send_xonxoff_ntw(sock_, "RIGA"));
    EXPECT_EQ(1u, peer().chunks().size());
    EXPECT_EQ(std::string::npos, trace().find("codice='15'"));
}

TEST_F(TcpStream, ReceiveModes)
{
    connect();
    char buf[64] = {};

    SCOPED_TRACE("exact");
    peer().sendToHost("0123456789");
    EXPECT_EQ(10, ecr_recv_xonxoff_ntw(sock_, buf, -10, 5));
    EXPECT_EQ("0123456789", std::string(buf, 10));

    SCOPED_TRACE("exact, too few bytes");
    peer().sendToHost("abcd");
    ULONGLONG start = now();
    EXPECT_EQ(0, ecr_recv_xonxoff_ntw(sock_, buf, -10, 3));
    EXPECT_GE(now() - start, 2500u);
    EXPECT_NE(std::string::npos, trace().find("ecr_recv_xonxoff_ntw -- end  : esito='0' length='0'"));

    SCOPED_TRACE("single");
    peer().sendToHost("RISPOSTA");
    int n = ecr_recv_xonxoff_ntw(sock_, buf, sizeof buf, 5);
    ASSERT_GT(n, 0);
    ASSERT_LE(n, 8);
    EXPECT_EQ(std::string("RISPOSTA", n), std::string(buf, n));
    if (n < 8)
        ecr_recv_xonxoff_ntw(sock_, buf, -(8 - n), 5);

    SCOPED_TRACE("drain");
    peer().sendToHost("xyz");
    ASSERT_TRUE(wait_pending(sock_, 3, 5000));
    EXPECT_EQ(0, ecr_recv_xonxoff_ntw(sock_, buf, 0, 5));
    EXPECT_FALSE(wait_pending(sock_, 1, 200));

    SCOPED_TRACE("nothing within the time");
    EXPECT_EQ(0, ecr_recv_xonxoff_ntw(sock_, buf, sizeof buf, 1));
}

TEST_F(TcpStream, ReceiveReportsAClosedPeerAndKeepsTheHandle)
{
    for (bool reset : {false, true}) {
        SCOPED_TRACE(reset ? "reset" : "close");
        connect();
        peer().dropHost(reset);
        ASSERT_TRUE(peer().waitHost(false, 5000));
        char buf[16];
        EXPECT_EQ(ERR_CONNECT_CLOSED, ecr_recv_xonxoff_ntw(sock_, buf, sizeof buf, 5));
        EXPECT_NE(std::string::npos, trace().find("recv fallita: esito='"));
        // Closing is the disconnect's job.
        EXPECT_TRUE(is_open_socket(sock_));
        EXPECT_EQ(0, ecr_disc_xonxoff_ntw(sock_));
        EXPECT_FALSE(is_open_socket(sock_));
        sock_ = -1;
    }
}

TEST_F(TcpStream, LongReceiveAsksTheRegisterEveryTenSeconds)
{
    connect();
    char buf[16];

    // Still held: the wait goes on to its end.
    int infos = reg().infoCount();
    ULONGLONG start = now();
    EXPECT_EQ(0, ecr_recv_xonxoff_ntw(sock_, buf, sizeof buf, 11));
    EXPECT_GE(now() - start, 10000u);
    EXPECT_EQ(infos + 1, reg().infoCount());

    // The register let the host go while the socket stayed up.
    reg().setHostConnected(false);
    infos = reg().infoCount();
    start = now();
    EXPECT_EQ(ERR_CONNECT_CLOSED, ecr_recv_xonxoff_ntw(sock_, buf, sizeof buf, 0));
    ULONGLONG took = now() - start;
    EXPECT_GE(took, 9000u);
    EXPECT_LT(took, 20000u);
    EXPECT_EQ(infos + 1, reg().infoCount());
    EXPECT_TRUE(is_open_socket(sock_));
}

class TcpFile : public TcpStream {
protected:
    std::string path(const char* name) const { return testutil::exe_folder() + "\\" + name; }
    void TearDown() override
    {
        for (const char* name : {"tcp_file.txt", "tcp_empty.txt", "tcp_nul.txt"})
            DeleteFileA(path(name).c_str());
        TcpStream::TearDown();
    }
};

TEST_F(TcpFile, SendsPiecesOf1024)
{
    connect();
    const std::string body = text_of(2500);
    testutil::write_file(path("tcp_file.txt"), body);
    EXPECT_EQ(0, ecr_file_xonxoff_ntw(sock_, path("tcp_file.txt").c_str()));
    EXPECT_EQ(body, peer().received());
    EXPECT_EQ((std::vector<size_t>{512, 512, 512, 512, 452}), sizes(peer().chunks()));

    // A NUL ends what goes out of its piece; the next piece is whole.
    peer().clearRecord();
    std::string withNul = text_of(1030);
    withNul[10] = '\0';
    testutil::write_file(path("tcp_nul.txt"), withNul);
    EXPECT_EQ(0, ecr_file_xonxoff_ntw(sock_, path("tcp_nul.txt").c_str()));
    EXPECT_EQ(withNul.substr(0, 10) + withNul.substr(1024), peer().received());
}

TEST_F(TcpFile, MissingEmptyAndFailingFiles)
{
    connect();
    EXPECT_EQ(ERR_FILE_NOT_FOUND, ecr_file_xonxoff_ntw(sock_, path("tcp_missing.txt").c_str()));
    testutil::write_file(path("tcp_empty.txt"), "");
    EXPECT_EQ(ERR_INVALID_FILESIZE, ecr_file_xonxoff_ntw(sock_, path("tcp_empty.txt").c_str()));
    EXPECT_TRUE(peer().chunks().empty());

    // The first failing send ends the file.
    testutil::write_file(path("tcp_file.txt"), text_of(3000));
    peer().setScript({TcpAnswer::ack(), TcpAnswer::close()});
    EXPECT_EQ(ERR_CONNECT_CLOSED, ecr_file_xonxoff_ntw(sock_, path("tcp_file.txt").c_str()));
    EXPECT_EQ(2u, peer().chunks().size());
    EXPECT_NE(std::string::npos, trace().find("ecr_file_xonxoff_ntw -- end  : esito='ERR_CONNECT_CLOSED'"));
}

}  // namespace
