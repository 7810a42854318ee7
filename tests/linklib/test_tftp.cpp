// The file channel against a simulated register on loopback: sizes both
// ways, the trace, the retry switch and the register's misbehaviours.

#include "ecr_result.h"
#include "ecrtftp.h"
#include "sim_fixture.h"

#include <windows.h>

#include <cstdlib>
#include <functional>
#include <vector>

using simtest::contains;
using simtest::local_path;
using simtest::pattern;
using simtest::trace_text;

namespace {

class Tftp : public simtest::RegisterTest {};

TEST(TftpRequest, CarriesTheBaseNameInOctetMode)
{
    char buf[TFTP_BUFFER_SIZE];
    int n = tftp_build_request(buf, TFTP_RRQ, "C:\\shop\\data\\PLU.BIN");
    ASSERT_EQ(9 + 7, n);
    EXPECT_EQ(std::string("\0\1PLU.BIN\0octet\0", 16), std::string(buf, n));
    n = tftp_build_request(buf, TFTP_WRQ, "COMMAND.TXT");
    EXPECT_EQ(std::string("\0\2COMMAND.TXT\0octet\0", 20), std::string(buf, n));
}

TEST_F(Tftp, EverySizeMovesByteForByteBothWays)
{
    const struct { size_t size; int blocks; } rows[] = {
        {0, 1}, {1, 1}, {511, 1}, {512, 2}, {513, 2}, {1000, 2}, {1024, 3},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE("size " + std::to_string(row.size));
        std::string bytes = pattern(row.size, static_cast<unsigned>(row.size));
        std::string path = local_path("VAL.BIN");

        reg().putFile("VAL.BIN", bytes);
        ASSERT_EQ(0, tftp_get(ip(), path.c_str()));
        EXPECT_EQ(bytes, testutil::read_file(path));

        DeleteFileA(path.c_str());
        reg().removeFile("VAL.BIN");
        testutil::write_file(path, bytes);
        server().clearEvents();
        ASSERT_EQ(0, tftp_put(ip(), path.c_str()));
        std::string got;
        ASSERT_TRUE(reg().getFile("VAL.BIN", &got));
        EXPECT_EQ(bytes, got);
        EXPECT_EQ(row.blocks, server().countEvents("DATA "));
        DeleteFileA(path.c_str());
    }
    // The 1024-byte file went as 512, 512 and an empty block.
    EXPECT_EQ(1, server().countEvents("DATA 3 0"));
}

// The price list, the largest file of the register, each way on its own.
TEST_F(Tftp, LargeFileRead)
{
    std::string bytes = pattern(6400000, 99);
    std::string path = local_path("PLU.BIN");
    reg().putFile("PLU.BIN", bytes);
    ASSERT_EQ(0, tftp_get(ip(), path.c_str()));
    EXPECT_TRUE(testutil::read_file(path) == bytes);
    DeleteFileA(path.c_str());
}

TEST_F(Tftp, LargeFileWrite)
{
    std::string bytes = pattern(6400000, 99);
    std::string path = local_path("PLU.BIN");
    testutil::write_file(path, bytes);
    reg().removeFile("PLU.BIN");
    ASSERT_EQ(0, tftp_put(ip(), path.c_str()));
    std::string got;
    ASSERT_TRUE(reg().getFile("PLU.BIN", &got));
    EXPECT_EQ(bytes.size(), got.size());
    EXPECT_TRUE(got == bytes);
    DeleteFileA(path.c_str());
}

TEST_F(Tftp, TraceLinesOfAReadAndAWrite)
{
    testutil::ScopedEnv trace("ECR_TRACE", "1");
    testutil::ScopedEnv proto("ECR_PROTO", "1");
    std::string path = local_path("IVA.BIN");
    reg().putFile("IVA.BIN", pattern(1000));
    ASSERT_EQ(0, tftp_get(ip(), path.c_str()));
    ASSERT_EQ(0, tftp_put(ip(), path.c_str()));
    DeleteFileA(path.c_str());

    std::string log = trace_text();
    const std::string expected[] = {
        " tftp-get requested: pathname='" + path + "' retry='0'\n",
        " tftp-get connect  : pathname='" + path + "'\n",
        " tftp-get receive  : block='1' data_len='512'\n",
        " tftp-get started  : pathname='" + path + "'\n",
        " tftp-get receive  : block='2' data_len='488'\n",
        " tftp-get completed: pathname='" + path + "' length='1000/1000'\n",
        " tftp-put requested: pathname='" + path + "' size='1000'\n",
        " tftp-put connect  : pathname='" + path + "' size='1000'\n",
        " tftp-put started  : pathname='" + path + "' size='1000'\n",
        " tftp-put send     : block='1' data_len='512'\n",
        " tftp-put send     : block='2' data_len='488'\n",
        " tftp-put completed: pathname='" + path + "' length='1000/1000'\n",
    };
    size_t at = 0;
    for (const auto& line : expected) {
        SCOPED_TRACE(line);
        size_t found = log.find(line, at);
        ASSERT_NE(std::string::npos, found) << log;
        at = found;
    }
}

TEST_F(Tftp, WithoutProtoNoBlockLines)
{
    testutil::ScopedEnv trace("ECR_TRACE", "1");
    testutil::ScopedEnv proto("ECR_PROTO", nullptr);
    std::string path = local_path("IVA.BIN");
    reg().putFile("IVA.BIN", pattern(1000));
    ASSERT_EQ(0, tftp_get(ip(), path.c_str()));
    ASSERT_EQ(0, tftp_put(ip(), path.c_str()));
    DeleteFileA(path.c_str());
    std::string log = trace_text();
    EXPECT_TRUE(contains(log, "tftp-get completed"));
    EXPECT_FALSE(contains(log, "tftp-get receive")) << log;
    EXPECT_FALSE(contains(log, "tftp-put send")) << log;
}

TEST_F(Tftp, RetryOnReadLeavesOneAckUnsent)
{
    testutil::ScopedEnv trace("ECR_TRACE", "1");
    testutil::ScopedEnv retry("ECR_RETRY", "2");
    std::string bytes = pattern(1500);
    std::string path = local_path("LOGO.BIN");
    reg().putFile("LOGO.BIN", bytes);
    ASSERT_EQ(0, tftp_get(ip(), path.c_str()));
    EXPECT_EQ(bytes, testutil::read_file(path));
    DeleteFileA(path.c_str());
    std::string log = trace_text();
    EXPECT_TRUE(contains(log, " tftp-get retry    : block='2'\n")) << log;
    EXPECT_TRUE(contains(log, " tftp-get duplicate: block='2'\n")) << log;
    EXPECT_EQ(1, server().countEvents("-> RESEND DATA 2"));
    EXPECT_EQ(1, server().countEvents("ACK 2"));  // only after the resend
}

TEST_F(Tftp, RetryOnWriteResendsAfterTheTimeout)
{
    testutil::ScopedEnv trace("ECR_TRACE", "1");
    testutil::ScopedEnv retry("ECR_RETRY", "2");
    std::string bytes = pattern(1500);
    std::string path = local_path("LOGO.BIN");
    testutil::write_file(path, bytes);
    DWORD t0 = GetTickCount();
    ASSERT_EQ(0, tftp_put(ip(), path.c_str()));
    EXPECT_GE(GetTickCount() - t0, 4500u);  // one 5-second time-out
    std::string got;
    ASSERT_TRUE(reg().getFile("LOGO.BIN", &got));
    EXPECT_EQ(bytes, got);
    DeleteFileA(path.c_str());
    std::string log = trace_text();
    EXPECT_TRUE(contains(log, " tftp-put retry    : block='2'\n")) << log;
    EXPECT_TRUE(contains(log, " tftp-put resend   : block='2' data_len='512'\n")) << log;
    EXPECT_EQ(1, server().countEvents("DATA 2 "));
}

TEST_F(Tftp, MissingRegisterFileIsRefusedAndLeavesNothing)
{
    testutil::ScopedEnv trace("ECR_TRACE", "1");
    std::string path = local_path("CLIENTI.BIN");
    EXPECT_EQ(ERR_TRANSFER_FAILED, tftp_get(ip(), path.c_str()));
    EXPECT_FALSE(testutil::file_exists(path));
    EXPECT_TRUE(contains(trace_text(), " tftp-get refused  : pathname='" + path +
                                           "' length='0' errocode='1'\n"));
    EXPECT_EQ(1, server().countEvents("RRQ "));
}

TEST_F(Tftp, MissingLocalFileIsNotSent)
{
    std::string path = local_path("NOPE.BIN");
    DeleteFileA(path.c_str());
    EXPECT_EQ(ERR_FILE_NOT_FOUND, tftp_put(ip(), path.c_str()));
    EXPECT_EQ(0, server().countEvents("WRQ "));
}

// Faults the transfer must ride out with every byte in place.
TEST_F(Tftp, ReadSurvivesTheRegistersFaults)
{
    struct Row { const char* name; std::function<void(ecrsim::TftpFaults&)> set; int requests; };
    const Row rows[] = {
        {"drop block 2", [](ecrsim::TftpFaults& f) { f.dropBlock = 2; }, 1},
        {"duplicate block 2", [](ecrsim::TftpFaults& f) { f.duplicateBlock = 2; }, 1},
        {"future block", [](ecrsim::TftpFaults& f) { f.futureBlock = 2; }, 1},
        {"runt datagram", [](ecrsim::TftpFaults& f) { f.shortBefore = 3; }, 1},
        {"oversize block", [](ecrsim::TftpFaults& f) { f.oversizeBlock = 2; }, 1},
        {"stranger", [](ecrsim::TftpFaults& f) { f.strangerBefore = 2; }, 1},
        {"error once", [](ecrsim::TftpFaults& f) { f.errorOnceCode = 0; }, 2},
    };
    std::string bytes = pattern(1500, 3);
    std::string path = local_path("REPARTI.BIN");
    reg().putFile("REPARTI.BIN", bytes);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ecrsim::TftpFaults f;
        row.set(f);
        server().setFaults(f);
        server().clearEvents();
        ASSERT_EQ(0, tftp_get(ip(), path.c_str()));
        EXPECT_EQ(bytes, testutil::read_file(path));
        EXPECT_EQ(row.requests, server().countEvents("RRQ "));
        EXPECT_EQ(0, server().countEvents("ACK 4"));  // never the future block
    }
    DeleteFileA(path.c_str());
}

TEST_F(Tftp, WriteSurvivesTheRegistersFaults)
{
    struct Row { const char* name; std::function<void(ecrsim::TftpFaults&)> set; int requests; };
    const Row rows[] = {
        {"duplicate ack 1", [](ecrsim::TftpFaults& f) { f.duplicateAck = 1; }, 1},
        {"future ack", [](ecrsim::TftpFaults& f) { f.futureBlock = 1; }, 1},
        {"runt datagram", [](ecrsim::TftpFaults& f) { f.shortBefore = 2; }, 1},
        {"stranger", [](ecrsim::TftpFaults& f) { f.strangerBefore = 1; }, 1},
        {"error once", [](ecrsim::TftpFaults& f) { f.errorOnceCode = 4; }, 2},
    };
    std::string bytes = pattern(1500, 5);
    std::string path = local_path("REPARTI.BIN");
    testutil::write_file(path, bytes);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ecrsim::TftpFaults f;
        row.set(f);
        server().setFaults(f);
        server().clearEvents();
        reg().removeFile("REPARTI.BIN");
        ASSERT_EQ(0, tftp_put(ip(), path.c_str()));
        std::string got;
        ASSERT_TRUE(reg().getFile("REPARTI.BIN", &got));
        EXPECT_EQ(bytes, got);
        EXPECT_EQ(row.requests, server().countEvents("WRQ "));
        // A repeated ACK never makes us send a block twice.
        EXPECT_EQ(0, server().countEvents("DUPLICATE DATA"));
    }
    DeleteFileA(path.c_str());
}

TEST_F(Tftp, RefusalsEndTheTransfer)
{
    std::string path = local_path("IVA.BIN");
    testutil::write_file(path, pattern(700));
    reg().putFile("IVA.BIN", pattern(700));
    const struct { const char* name; bool read; int code; bool always; int rc; int requests; } rows[] = {
        {"read refused always", true, 0, true, ERR_TRANSFER_FAILED, 4},
        {"write refused always", false, 0, true, ERR_TRANSFER_FAILED, 4},
        {"write disk full", false, 3, false, ERR_TRANSFER_FAILED, 1},
        {"write access", false, 2, false, ERR_TRANSFER_FAILED, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ecrsim::TftpFaults f;
        (row.always ? f.errorAlwaysCode : f.errorOnceCode) = row.code;
        server().setFaults(f);
        server().clearEvents();
        int rc = row.read ? tftp_get(ip(), (path + ".in").c_str()) : tftp_put(ip(), path.c_str());
        EXPECT_EQ(row.rc, rc);
        EXPECT_EQ(row.requests, server().countEvents(row.read ? "RRQ " : "WRQ "));
    }
    EXPECT_FALSE(testutil::file_exists(path + ".in"));
    DeleteFileA(path.c_str());
}

// A register that answers from another port than 500 (RFC 1350 transfer
// identifiers, or a NAT): the transfer follows that port and drops other
// ports' datagrams without ending.
TEST_F(Tftp, TransfersFollowThePortTheRegisterAnswersFrom)
{
    const struct { const char* name; bool read; int strangerBefore; } rows[] = {
        {"read", true, 0},
        {"write", false, 0},
        {"read, another port's ERROR after the first block", true, 2},
        {"write, another port's ERROR after the first ACK", false, 1},
    };
    std::string bytes = pattern(1500, 11);
    std::string path = local_path("IVA.BIN");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ecrsim::TftpFaults f;
        f.freshPort = true;
        f.strangerBefore = row.strangerBefore;
        server().setFaults(f);
        server().clearEvents();
        DeleteFileA(path.c_str());
        reg().removeFile("IVA.BIN");
        if (row.read)
            reg().putFile("IVA.BIN", bytes);
        else
            testutil::write_file(path, bytes);
        ASSERT_EQ(0, row.read ? tftp_get(ip(), path.c_str()) : tftp_put(ip(), path.c_str()));
        std::string got;
        if (row.read)
            got = testutil::read_file(path);
        else
            reg().getFile("IVA.BIN", &got);
        EXPECT_EQ(bytes, got);
        EXPECT_EQ(1, server().countEvents(row.read ? "RRQ " : "WRQ "));
        EXPECT_EQ(0, server().countEvents("IGNORED")) << "a datagram went to the wrong port";
        EXPECT_EQ(row.strangerBefore ? 1 : 0, server().countEvents("-> STRANGER"));
    }
    DeleteFileA(path.c_str());
}

// Cuts the local file short, from the register's thread, as it
// acknowledges block `block`.
void cut_short_at(const std::string& path, int block, long size)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << "block " << block << ": " << GetLastError();
    SetFilePointer(h, size, nullptr, FILE_BEGIN);
    SetEndOfFile(h);
    CloseHandle(h);
}

// A local file that fails under a transfer fails the transfer: a read keeps
// no partial file, a write sends no short block as if the file had ended.
// Its ctest entry runs the program under a file size limit (ulimit -f), so
// that writing past ECR_TEST_FILE_LIMIT bytes fails as on a full disk.
TEST_F(Tftp, FileLimitLocalFailuresFailTheTransfer)
{
    char text[32];
    DWORD n = GetEnvironmentVariableA("ECR_TEST_FILE_LIMIT", text, sizeof text);
    ASSERT_TRUE(n > 0 && n < sizeof text)
        << "ECR_TEST_FILE_LIMIT is not set: run this test through its ctest entry "
           "test_tftp_file_limit, which sets a file size limit";
    const size_t limit = std::strtoul(text, nullptr, 10);
    const struct { const char* name; bool read; size_t size; int rc; } rows[] = {
        {"get past the file size limit", true, limit + 3 * 512 + 100, ERR_FILE_CREATION},
        {"put of a file cut short in the middle", false, 20000, ERR_FILE_NOT_FOUND},
    };
    const std::string path = local_path("LIMIT.BIN");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::string bytes = pattern(row.size, 5);
        reg().removeFile("LIMIT.BIN");
        DeleteFileA(path.c_str());
        ecrsim::TftpFaults f;
        if (row.read) {
            reg().putFile("LIMIT.BIN", bytes);
        } else {
            testutil::write_file(path, bytes);
            f.beforeAck = [path](int block) {
                if (block == 1)
                    cut_short_at(path, block, 1000);
            };
        }
        server().setFaults(f);
        EXPECT_EQ(row.rc, row.read ? tftp_get(ip(), path.c_str()) : tftp_put(ip(), path.c_str()));
        server().setFaults(ecrsim::TftpFaults());
        if (row.read)
            EXPECT_FALSE(testutil::file_exists(path)) << "the partial file stays";
        else
            EXPECT_FALSE(reg().hasFile("LIMIT.BIN")) << "the register took a cut file as whole";
    }
    DeleteFileA(path.c_str());
}

// The slow cases, one register after the other (port 500 is one socket).
struct SlowCase {
    const char* name;
    bool read;
    size_t size;
    std::function<void(ecrsim::TftpFaults&)> set;
    int expected;
    int requests;
    DWORD minMs;
    DWORD gapMs = 3000;  // between two requests; 0: not looked at
    int starts = 0;      // "started" lines in the trace; 0: not looked at
};

void run_slow_cases(const std::vector<SlowCase>& cases)
{
    ecr_init_dirname();
    ASSERT_EQ(0, ecr_winsock_start());
    std::string path = local_path("SLOW.BIN");
    testutil::ScopedEnv trace("ECR_TRACE", "1");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t traced = trace_text().size();
        simtest::SimPeer p;
        ASSERT_TRUE(p.started) << p.server.lastError();
        ecrsim::TftpFaults f;
        c.set(f);
        p.server.setFaults(f);
        std::string bytes = pattern(c.size, static_cast<unsigned>(c.size));
        DeleteFileA(path.c_str());
        if (c.read)
            p.reg.putFile("SLOW.BIN", bytes);
        else
            testutil::write_file(path, bytes);
        DWORD t0 = GetTickCount();
        int rc = c.read ? tftp_get(p.ip, path.c_str()) : tftp_put(p.ip, path.c_str());
        DWORD ms = GetTickCount() - t0;
        EXPECT_EQ(c.expected, rc);
        EXPECT_EQ(c.requests, p.server.countEvents(c.read ? "RRQ " : "WRQ "));
        EXPECT_GE(ms, c.minMs);
        EXPECT_LT(ms, c.minMs + 5000);
        if (c.read) {
            // A failed read leaves no local file; a good one every byte.
            EXPECT_EQ(rc == 0, testutil::file_exists(path));
        } else if (rc == 0) {
            std::string got;
            EXPECT_TRUE(p.reg.getFile("SLOW.BIN", &got) && got == bytes);
        }
        std::vector<unsigned long> at;
        for (const auto& e : p.server.events())
            if (e.text.compare(0, 4, "RRQ ") == 0 || e.text.compare(0, 4, "WRQ ") == 0)
                at.push_back(e.ms);
        for (size_t i = 1; c.gapMs && i < at.size(); ++i)
            EXPECT_NEAR(double(c.gapMs), double(at[i] - at[i - 1]), 600.0);
        if (c.starts > 0) {
            const std::string started = c.read ? " tftp-get started  : " : " tftp-put started  : ";
            EXPECT_EQ(c.starts, testutil::count_of(trace_text().substr(traced), started));
        }
        if (c.minMs == 19500) {
            // The last ACK (read) or the empty final block (write) went out
            // four times: once, then after each of three time-outs.
            EXPECT_EQ(4, p.server.countEvents(c.read ? "ACK 5" : "DATA 3 0"));
        }
    }
    DeleteFileA(path.c_str());
    ecr_winsock_stop();
}

TEST(TftpTimeouts, SilentRegister)
{
    run_slow_cases({
        {"silent read", true, 100, [](ecrsim::TftpFaults& f) { f.silentRequests = 99; },
         ERR_TIMEOUT, 3, 8500},
        {"silent write", false, 100, [](ecrsim::TftpFaults& f) { f.silentRequests = 99; },
         ERR_TIMEOUT, 3, 8500},
        {"one silent request", true, 700, [](ecrsim::TftpFaults& f) { f.silentRequests = 1; },
         0, 2, 2500},
        // Taken for the start (5 s to wait), then no start: the next request
        // is a start of its own.
        {"one stray datagram, then silence: read", true, 700,
         [](ecrsim::TftpFaults& f) { f.strayRequests = 1; }, 0, 2, 4500, 5000, 2},
        {"one stray datagram, then silence: write", false, 700,
         [](ecrsim::TftpFaults& f) { f.strayRequests = 1; }, 0, 2, 4500, 5000, 2},
        // Refusals restart with fresh tries; a silence after them still
        // has the request's.
        {"three refusals, then one silent request", true, 700,
         [](ecrsim::TftpFaults& f) {
             f.refusedRequests = 3;
             f.silentRequests = 1;
         },
         0, 5, 2500, 0},
        // Each stray a start with its own tries: the restarts end it.
        {"a stray datagram at every request: read", true, 100,
         [](ecrsim::TftpFaults& f) { f.strayRequests = 99; }, ERR_TIMEOUT, 4, 19000, 5000, 4},
    });
}

TEST(TftpTimeouts, StalledTransfers)
{
    run_slow_cases({
        {"read stops after block 5", true, 5000,
         [](ecrsim::TftpFaults& f) { f.stopAfterBlock = 5; }, ERR_TRANSFER_FAILED, 1, 19500},
        {"final ack never comes", false, 1024,
         [](ecrsim::TftpFaults& f) { f.stopAfterBlock = 2; }, ERR_TRANSFER_FAILED, 1, 19500},
        {"write ack dropped", false, 1500, [](ecrsim::TftpFaults& f) { f.dropAck = 2; }, 0, 1,
         4500},
        {"a stray datagram at every request: write", false, 100,
         [](ecrsim::TftpFaults& f) { f.strayRequests = 99; }, ERR_TIMEOUT, 4, 19000, 5000, 4},
    });
}

}  // namespace
