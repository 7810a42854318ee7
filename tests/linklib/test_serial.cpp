// BRISAL's serial transport against a simulated register on the far end of
// a pty pair, with PComm.dll recording the calls that reached it.

#include "serial_line.h"
#include "brisal.h"
#include "ecr_result.h"
#include "ecrtrace.h"
#include "pcomm.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

using serialtest::CallRecord;
using serialtest::elapsed_since;
using serialtest::SerialLine;
using testutil::ScopedEnv;

// Gives socat time to carry bytes from one pty to the other.
void let_bytes_travel() { Sleep(300); }

constexpr char kXon[] = "\x11";
constexpr char kXoff[] = "\x13";

// The register holds the line with XOFF (printing, paper out). The byte
// behind the XOFF comes in only once the host's port took the XOFF.
void hold_line(int host, ecrsim::SimSerialPeer& peer)
{
    char got[2] = {};
    ASSERT_EQ(0, ecr_recv_xonxoff_ser(host, got, 0, 1));
    ASSERT_TRUE(peer.send(std::string(kXoff) + "!"));
    ASSERT_EQ(1, ecr_recv_xonxoff_ser(host, got, 1, 2));
    ASSERT_EQ('!', got[0]);
}

// The register lets the line go and the host sends one byte more: the
// register has then seen `before` and that byte, nothing that was dropped.
void release_line(int host, ecrsim::SimSerialPeer& peer, const std::string& before)
{
    ASSERT_TRUE(peer.send(kXon));
    EXPECT_EQ(0, ecr_send_xonxoff_ser(host, "Z"));
    EXPECT_TRUE(peer.wait_for(before.size() + 1, 5000));
    EXPECT_EQ(before + "Z", peer.received());
}

TEST_F(SerialLine, ConnectOpensTheLineAtTheSpeedOfItsIndex)
{
    const struct { int baud; const char* code; const char* speed; } rows[] = {
        {0, "10", "4800"},  {1, "12", "9600"},  {2, "13", "19200"},
        {3, "14", "38400"}, {4, "15", "57600"}, {5, "16", "115200"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE("baud index " + std::to_string(row.baud));
        record_.clear();
        ASSERT_EQ(0, ecr_conn_xonxoff_ser(host_, row.baud, 0));
        // What the line really got, read on the Linux side of the pty.
        EXPECT_EQ(row.speed, line_speed());
        EXPECT_EQ(0, ecr_disc_xonxoff_ser(host_));
        const std::vector<std::string> expected = {
            call("20"),        call("2", std::string(row.code) + " 3"), call("11", "1"),
            call("17", "4"),   call("48", "0"),  call("50", "3000 0"),
            call("9"),         call("19"),
        };
        EXPECT_EQ(expected, record_.calls());
    }
}

TEST_F(SerialLine, AFailingSetUpStepStopsTheSequenceAndClosesThePort)
{
    const struct { const char* fault; const char* last; } rows[] = {
        {"open", "20"}, {"ioctl", "2"}, {"lctrl", "11"},
        {"flowctrl", "17"}, {"errorabort", "48"}, {"timeouts", "50"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fault);
        record_.clear();
        {
            ScopedEnv faults("PCOMM_FAULTS", row.fault);
            EXPECT_EQ(ECR_ERR_PORT_NOT_VALID, ecr_conn_xonxoff_ser(host_, 0, 0));
        }
        std::vector<std::string> calls = record_.calls();
        ASSERT_GE(calls.size(), 2u);
        EXPECT_EQ(call(row.last), calls[calls.size() - 2].substr(0, call(row.last).size()));
        EXPECT_EQ(call("19"), calls.back());
        // Closed again: the next connect opens the port afresh.
        EXPECT_EQ(0, ecr_conn_xonxoff_ser(host_, 0, 0));
        ecr_disc_xonxoff_ser(host_);
    }
}

TEST(SerialPort, APortThatDoesNotExistIsNotValid)
{
    EXPECT_EQ(ECR_ERR_PORT_NOT_VALID, ecr_conn_xonxoff_ser(97, 0, 0));
}

TEST_F(SerialLine, ABadBaudIndexFailsButStillSetsTheEchoMode)
{
    ASSERT_EQ(0, ecr_conn_xonxoff_ser(host_, 0, 0));
    for (int baud : {6, -1}) {
        SCOPED_TRACE(baud);
        record_.clear();
        EXPECT_EQ(ECR_ERR_BAUD_NOT_VALID, ecr_conn_xonxoff_ser(host_, baud, 1));
        EXPECT_TRUE(record_.calls().empty()) << "no port call for a bad index";
    }
    // Echo mode now: the bytes go one by one, each after its echo.
    peer_.set_echo(ecrsim::SerialEcho::Same);
    EXPECT_EQ(0, ecr_send_xonxoff_ser(host_, "AB"));
    EXPECT_EQ(std::vector<std::string>({call("6", "1"), call("9"), call("4", "1"), call("6", "1"),
                                        call("9"), call("4", "1")}),
              record_.calls());
    EXPECT_TRUE(peer_.wait_for(2, 2000));
    EXPECT_EQ("AB", peer_.received());
}

TEST_F(SerialLine, StaleInputIsDroppedBeforeAPlainSend)
{
    ASSERT_EQ(0, ecr_conn_xonxoff_ser(host_, 0, 0));
    ASSERT_TRUE(peer_.send("stale"));
    let_bytes_travel();
    record_.clear();
    EXPECT_EQ(0, ecr_send_xonxoff_ser(host_, "CMD"));
    EXPECT_EQ(std::vector<std::string>({call("7", "0"), call("6", "3")}), record_.calls());
    EXPECT_TRUE(peer_.wait_for(3, 2000));
    EXPECT_EQ("CMD", peer_.received());

    ASSERT_TRUE(peer_.send("Z"));
    char buf[16] = {};
    EXPECT_EQ(1, ecr_recv_xonxoff_ser(host_, buf, sizeof buf, 1));
    EXPECT_EQ('Z', buf[0]);
}

TEST_F(SerialLine, ShortWritesGoOnUntilTheWholeTextIsOut)
{
    ASSERT_EQ(0, ecr_conn_xonxoff_ser(host_, 2, 0));
    record_.clear();
    {
        ScopedEnv faults("PCOMM_FAULTS", "short=4");
        EXPECT_EQ(0, ecr_send_xonxoff_ser(host_, "0123456789"));
    }
    EXPECT_EQ(std::vector<std::string>({call("7", "0"), call("6", "10"), call("6", "6"),
                                        call("6", "2")}),
              record_.calls());
    EXPECT_TRUE(peer_.wait_for(10, 2000));
    EXPECT_EQ("0123456789", peer_.received());
}

TEST_F(SerialLine, EchoModeWaitsForEachByteToComeBack)
{
    const struct { const char* name; ecrsim::SerialEcho echo; int result; const char* seen; } rows[] = {
        {"right echo", ecrsim::SerialEcho::Same, 0, "AB"},
        {"noise before the echo", ecrsim::SerialEcho::NoiseThenSame, 0, "AB"},
        {"wrong echo", ecrsim::SerialEcho::Wrong, ERR_TIMEOUT, "A"},
        {"no echo", ecrsim::SerialEcho::None, ERR_TIMEOUT, "A"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(0, ecr_conn_xonxoff_ser(host_, 0, 1));
        peer_.set_echo(row.echo);
        peer_.clear();
        ULONGLONG start = GetTickCount64();
        EXPECT_EQ(row.result, ecr_send_xonxoff_ser(host_, "AB"));
        ULONGLONG took = elapsed_since(start);
        if (row.result == ERR_TIMEOUT) {
            EXPECT_GE(took, 2800u);  // one read time-out of 3 s
            EXPECT_LT(took, 6000u);
        } else {
            EXPECT_LT(took, 2500u);
        }
        let_bytes_travel();
        EXPECT_EQ(row.seen, peer_.received());
        ecr_disc_xonxoff_ser(host_);
    }
}

TEST_F(SerialLine, AnEmptyTextWritesNothing)
{
    ASSERT_EQ(0, ecr_conn_xonxoff_ser(host_, 0, 0));
    record_.clear();
    EXPECT_EQ(0, ecr_send_xonxoff_ser(host_, ""));
    EXPECT_TRUE(record_.calls().empty());
}

TEST_F(SerialLine, WriteFailuresEndTheSend)
{
    const std::string big(5000, 'x');  // more than the port's output buffer holds
    const struct { const char* name; const char* faults; bool held; int result; bool closed; } rows[] = {
        {"buffer full on a held line: time-out, output dropped", nullptr, true, ERR_TIMEOUT, false},
        {"time-out, output stuck", "write,flush", false, ECR_ERR_PORT_NOT_VALID, false},
        {"the port failed", "write=-4", false, ECR_ERR_PORT_NOT_VALID, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(0, ecr_conn_xonxoff_ser(host_, 0, 0));
        if (row.held) {
            ASSERT_NO_FATAL_FAILURE(hold_line(host_, peer_));
        }
        peer_.clear();
        record_.clear();
        {
            ScopedEnv faults("PCOMM_FAULTS", row.faults);
            EXPECT_EQ(row.result, ecr_send_xonxoff_ser(host_, row.held ? big.c_str() : "CMD"));
        }
        std::vector<std::string> calls = record_.calls();
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(row.closed ? call("19") : call("7", "2"), calls.back());
        if (row.held)
            release_line(host_, peer_, "");
        ecr_disc_xonxoff_ser(host_);
    }
}

TEST_F(SerialLine, ReceiveTakesWhatIsThereOrExactlyTheCountAsked)
{
    ASSERT_EQ(0, ecr_conn_xonxoff_ser(host_, 0, 0));
    ASSERT_TRUE(peer_.send("hello"));
    let_bytes_travel();
    char buf[64] = {};
    EXPECT_EQ(5, ecr_recv_xonxoff_ser(host_, buf, sizeof buf - 1, 2));
    EXPECT_STREQ("hello", buf);

    // Exact mode waits for the rest behind a pause.
    std::thread later([this] {
        peer_.send("abc");
        Sleep(500);
        peer_.send("def");
    });
    char exact[16] = {};
    int got = ecr_recv_xonxoff_ser(host_, exact, -6, 2);
    later.join();
    EXPECT_EQ(6, got);
    EXPECT_EQ(std::string("abcdef"), std::string(exact, 6));

    // Drain mode drops what waits; only later bytes are read.
    ASSERT_TRUE(peer_.send("junk"));
    let_bytes_travel();
    EXPECT_EQ(0, ecr_recv_xonxoff_ser(host_, buf, 0, 1));
    ASSERT_TRUE(peer_.send("Z"));
    std::memset(buf, 0, sizeof buf);
    EXPECT_EQ(1, ecr_recv_xonxoff_ser(host_, buf, sizeof buf - 1, 1));
    EXPECT_STREQ("Z", buf);
}

TEST_F(SerialLine, ReceiveEndsAfterNumsecReadTimeOuts)
{
    ASSERT_EQ(0, ecr_conn_xonxoff_ser(host_, 0, 0));
    const struct { const char* name; const char* sent; int buflen; int numsec; ULONGLONG min; ULONGLONG max; } rows[] = {
        {"silent line, one period", "", 10, 1, 2800, 5000},
        {"silent line, two periods", "", 10, 2, 5800, 9000},
        {"exact mode, 4 of 10 bytes", "1234", -10, 1, 2800, 5000},
        {"exact mode, the largest count", "1234", INT_MIN, 1, 2800, 5000},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (*row.sent) {
            ASSERT_TRUE(peer_.send(row.sent));
        }
        char buf[16] = {};
        ULONGLONG start = GetTickCount64();
        EXPECT_EQ(0, ecr_recv_xonxoff_ser(host_, buf, row.buflen, row.numsec));
        ULONGLONG took = elapsed_since(start);
        EXPECT_GE(took, row.min);
        EXPECT_LT(took, row.max);
    }
}

TEST_F(SerialLine, AReadFailureClosesThePort)
{
    ASSERT_EQ(0, ecr_conn_xonxoff_ser(host_, 0, 0));
    record_.clear();
    char buf[8];
    {
        ScopedEnv faults("PCOMM_FAULTS", "read");
        EXPECT_EQ(ECR_ERR_PORT_NOT_VALID, ecr_recv_xonxoff_ser(host_, buf, sizeof buf, 1));
    }
    EXPECT_EQ(std::vector<std::string>({call("4", "8"), call("19")}), record_.calls());
}

// A register holding the line with XOFF (printing, paper out) keeps the
// bytes in the output queue: the disconnect waits for them while the hold
// may still end, and says so in its result and the trace when it gives up
// or the line dies under them. The line is the test's own, so it may die.
TEST_F(SerialLine, DisconnectWaitsWhileTheRegisterHoldsTheLine)
{
    // What happens while the disconnect waits (the last: just before).
    enum class Then { Xon, Nothing, LineDies, LineDied };
    const struct {
        const char* name;
        Then then;
        int stallMs;  // how long the disconnect waits for a queue that does not move
        int result;
        DWORD withinMs;  // the disconnect's end after the act; 0: not looked at
    } rows[] = {
        {"XON after five seconds", Then::Xon, 60000, 0, 0},
        {"held past the bound", Then::Nothing, 8000, ERR_TIMEOUT, 0},
        // Seen dead, not waited out: the stall is three times the bound.
        {"the line dies during the hold", Then::LineDies, 60000, ERR_TIMEOUT, 20000},
        {"the line died before the disconnect", Then::LineDied, 60000, ECR_ERR_PORT_NOT_VALID, 0},
    };
    std::string text;
    for (int i = 0; i < 100; ++i)
        text += static_cast<char>('A' + i % 26);
    ScopedEnv trace("ECR_TRACE", "1");
    ecr_init_dirname();
    const std::string log = testutil::exe_folder() + "\\ecrlog.txt";
    const int host = serialtest::OwnLine::kHost;
    const std::string port = std::to_string(host);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ecr_pace.queue_stall_ms = row.stallMs;
        serialtest::OwnLine line;
        ASSERT_EQ("up", line.start());
        ecrsim::SimSerialPeer peer;
        ASSERT_TRUE(peer.open(serialtest::OwnLine::kPeer));
        ASSERT_EQ(0, ecr_conn_xonxoff_ser(host, 0, 0));
        ASSERT_NO_FATAL_FAILURE(hold_line(host, peer));
        peer.clear();
        DeleteFileA(log.c_str());
        EXPECT_EQ(0, ecr_send_xonxoff_ser(host, text.c_str()));
        if (row.then == Then::LineDied) {
            line.end();
            for (DWORD start = GetTickCount(); sio_oqueue(host) >= 0 && GetTickCount() - start < 20000;)
                Sleep(20);
        }
        record_.clear();
        HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        std::atomic<bool> acted{false};  // set before the act: the queue cannot move earlier
        std::atomic<DWORD> actedAt{0};
        std::thread act([&] {
            if (row.then == Then::Xon && WaitForSingleObject(done, 5000) == WAIT_TIMEOUT) {
                acted = true;
                peer.send(kXon);
            } else if (row.then == Then::LineDies && record_.wait_for("9 " + port, 20000)) {
                acted = true;  // the disconnect is waiting on the queue
                actedAt = GetTickCount();
                line.end();
            }
        });
        EXPECT_EQ(row.result, ecr_disc_xonxoff_ser(host));
        if (row.withinMs) {
            EXPECT_LT(GetTickCount() - actedAt, row.withinMs);
        }
        // The port closes only once the register acted, or the bound passed.
        EXPECT_EQ(row.then == Then::Xon || row.then == Then::LineDies, acted.load());
        SetEvent(done);
        act.join();
        CloseHandle(done);
        EXPECT_EQ(std::vector<std::string>({"9 " + port, "19 " + port}), record_.calls());
        EXPECT_EQ(row.result == ERR_TIMEOUT, testutil::read_file(log).find(
                                                 "coda di uscita non svuotata: port='" + port +
                                                 "' length='100'") != std::string::npos);
        if (row.then == Then::LineDies || row.then == Then::LineDied)
            continue;
        // Released and used again: what the close dropped never comes.
        ASSERT_EQ(0, ecr_conn_xonxoff_ser(host, 0, 0));
        release_line(host, peer, row.then == Then::Xon ? text : "");
        ecr_disc_xonxoff_ser(host);
    }
}

TEST_F(SerialLine, AFileGoesOutIn1024BytePieces)
{
    std::string text;
    for (int i = 0; text.size() < 2500; ++i)
        text += "LINE " + std::to_string(i) + "\r\n";
    text.resize(2500);
    const std::string path = testutil::exe_folder() + "\\serial_file.txt";
    const std::string empty = testutil::exe_folder() + "\\serial_empty.txt";
    testutil::write_file(path, text);
    testutil::write_file(empty, "");

    ScopedEnv trace("ECR_TRACE", "1");
    ecr_init_dirname();
    const std::string log = testutil::exe_folder() + "\\ecrlog.txt";
    ASSERT_EQ(0, ecr_conn_xonxoff_ser(host_, 5, 0));
    DeleteFileA(log.c_str());
    record_.clear();
    EXPECT_EQ(0, ecr_file_xonxoff_ser(host_, path.c_str()));
    EXPECT_EQ(std::vector<std::string>({call("7", "0"), call("6", "1024"), call("7", "0"),
                                        call("6", "1024"), call("7", "0"), call("6", "452")}),
              record_.calls());
    EXPECT_TRUE(peer_.wait_for(text.size(), 5000));
    EXPECT_EQ(text, peer_.received());
    // Each piece is a send of its own in the trace, as over TCP.
    // (The pieces' line ends break the begin lines.)
    const std::string traced = testutil::read_file(log);
    const std::regex send(R"(ecr_send_xonxoff_ser -- (begin|end  ): [\s\S]*?(length|esito)='(\d+)')");
    std::vector<std::string> sends;
    for (std::sregex_iterator m(traced.begin(), traced.end(), send), end; m != end; ++m)
        sends.push_back((*m)[1].str() + " " + (*m)[3].str());
    EXPECT_EQ(std::vector<std::string>({"begin 1024", "end   0", "begin 1024", "end   0",
                                        "begin 452", "end   0"}),
              sends);

    EXPECT_EQ(ERR_INVALID_FILESIZE, ecr_file_xonxoff_ser(host_, empty.c_str()));
    EXPECT_EQ(ERR_FILE_NOT_FOUND,
              ecr_file_xonxoff_ser(host_, (testutil::exe_folder() + "\\no_such.txt").c_str()));
    DeleteFileA(path.c_str());
    DeleteFileA(empty.c_str());
}

TEST_F(SerialLine, TraceLinesOfTheSerialExports)
{
    ScopedEnv trace("ECR_TRACE", "1");
    ecr_init_dirname();
    const std::string log = testutil::exe_folder() + "\\ecrlog.txt";
    DeleteFileA(log.c_str());
    const std::string port = std::to_string(host_);
    ASSERT_EQ(0, ecr_conn_xonxoff_ser(host_, 1, 0));
    EXPECT_EQ(ECR_ERR_BAUD_NOT_VALID, ecr_conn_xonxoff_ser(host_, 9, 0));
    EXPECT_EQ(0, ecr_send_xonxoff_ser(host_, "X1"));
    ASSERT_TRUE(peer_.send("ok"));
    char buf[8] = {};
    EXPECT_EQ(2, ecr_recv_xonxoff_ser(host_, buf, sizeof buf, 1));
    EXPECT_EQ(0, ecr_disc_xonxoff_ser(host_));

    const std::string ts = R"(\d\d:\d\d:\d\d:\d\d\d )";
    const std::regex expected[] = {
        std::regex(ts + "ecr_conn_xonxoff_ser -- begin: port='" + port + "' baud='1' echo='0'"),
        std::regex(ts + "ecr_conn_xonxoff_ser -- end  : esito='0'"),
        std::regex(ts + "ecr_conn_xonxoff_ser -- begin: port='" + port + "' baud='9' echo='0'"),
        std::regex(ts + "ecr_conn_xonxoff_ser -- end  : esito='ECR_ERR_BAUD_NOT_VALID'"),
        std::regex(ts + "ecr_send_xonxoff_ser -- begin: port='" + port + "' string='X1' length='2'"),
        std::regex(ts + "ecr_send_xonxoff_ser -- end  : esito='0'"),
        std::regex(ts + "ecr_recv_xonxoff_ser -- begin: port='" + port +
                   "' bufptr='[0-9A-F]{8}' buflen='8' numsec='1'"),
        std::regex(ts + "ecr_recv_xonxoff_ser -- end  : esito='2' length='2'"),
        std::regex(ts + "ecr_disc_xonxoff_ser -- begin: port='" + port + "'"),
        std::regex(ts + "ecr_disc_xonxoff_ser -- end  : esito='0'"),
    };
    auto lines = testutil::lines_of(testutil::read_file(log));
    ASSERT_EQ(std::size(expected), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(lines[i]);
        EXPECT_TRUE(std::regex_match(lines[i], expected[i]));
    }
    DeleteFileA(log.c_str());
}

}  // namespace
