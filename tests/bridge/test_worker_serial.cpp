// The receipt worker over a serial line: a socat pty pair that Wine sees as
// two COM ports, the host's end driven by the worker through BRISAL.dll and
// PComm.dll, the register's end recorded by SimSerialPeer.

#include "worker_fixture.h"

#include "../linklib/serial_line.h"

#include <algorithm>

using namespace workertest;

namespace {

// Needs no network register: the address below answers nothing, so any
// attempt to use the network instead of the serial line would be logged.
class SerialWorkerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static int serial = 0;
        folder_ = testutil::exe_folder() + "\\serialworker_" + std::to_string(GetCurrentProcessId()) +
                  "_" + std::to_string(++serial);
        shared_ = folder_ + "\\in";
        CreateDirectoryA(folder_.c_str(), nullptr);
        CreateDirectoryA(shared_.c_str(), nullptr);
        CreateDirectoryA((folder_ + "\\log").c_str(), nullptr);
        ASSERT_TRUE(LoadCommandConfigText(kConfig, config_));
        ASSERT_TRUE(log_.Open(folder_ + "\\log", 0));
    }
    void TearDown() override
    {
        worker_.RequestQuit();
        EXPECT_TRUE(worker_.WaitEnded(20000));  // it owns the host's port until it ends
        if (peerOpen_)
            peer_.close();
        log_.Close();
        for (const char* sub : {"\\in\\", "\\log\\"}) {
            WIN32_FIND_DATAA data;
            HANDLE h = FindFirstFileA((folder_ + sub + "*").c_str(), &data);
            if (h == INVALID_HANDLE_VALUE)
                continue;
            do {
                DeleteFileA((folder_ + sub + data.cFileName).c_str());
            } while (FindNextFileA(h, &data));
            FindClose(h);
        }
        RemoveDirectoryA((folder_ + "\\in").c_str());
        RemoveDirectoryA((folder_ + "\\log").c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    // Both ends of the pty pair; the test fails when there is none.
    void OpenLine()
    {
        host_ = serialtest::env_port("ECR_TEST_COM_HOST");
        int peer = serialtest::env_port("ECR_TEST_COM_PEER");
        ASSERT_TRUE(host_ != 0 && peer != 0)
            << "no serial line: ECR_TEST_COM_HOST and ECR_TEST_COM_PEER are set by "
               "tools/lanes.sh (socat pty pair linked as two COM ports)";
        ASSERT_TRUE(peerOpen_ = peer_.open(peer)) << "COM" << peer << " does not open";
    }
    BridgeSettings SerialSettings(int proto, int port, int baud) const
    {
        BridgeSettings s;
        s.EcrIp = "127.77.0.9";
        s.Cartella = shared_;
        s.logFolder = folder_ + "\\log";
        s.Proto = proto;
        s.polltime = 5;  // 100 ms
        s.Port = port;
        s.Baud = baud;
        return s;
    }
    void Receipt(const std::string& name, const std::string& text) const
    {
        testutil::write_file(Path(name), text);
    }
    std::string Path(const std::string& name) const { return shared_ + "\\" + name; }
    bool WaitGone(const std::string& name) const
    {
        return WaitFor([&] { return !testutil::file_exists(Path(name)); }, 15000);
    }
    std::string LogText() const { return testutil::read_file(log_.Path()); }
    std::string call(const char* ordinal, const std::string& args = "") const
    {
        return std::string(ordinal) + " " + std::to_string(host_) + (args.empty() ? "" : " " + args);
    }

    std::string folder_;
    std::string shared_;
    CommandConfig config_;
    BridgeLog log_;
    RecordingView view_;
    ReceiptWorker worker_;
    int host_ = 0;
    bool peerOpen_ = false;
    ecrsim::SimSerialPeer peer_;
    serialtest::CallRecord record_;
};

TEST_F(SerialWorkerTest, ReceiptsReachTheRegisterByteForByteAtTheChosenSpeed)
{
    struct Row {
        const char* name;
        int proto;
        int baud;
        const char* speedCode;  // PComm's code for the baud index
        std::string file;
        std::string expected;
        bool lost;  // the register holds the line, which then dies: the close reports the tail lost
    };
    const std::vector<Row> rows{
        {"translated at index 0", 0, 0, "10",
         "; scontrino\r\nVEND REP=1,PREZZO=250\r\n\r\n  TESTO DES='ab' ; note \r\nCHIUSURA\r\n",
         "1R250HM\"ab\"1T", false},
        {"xonxoff at index 3", 1, 3, "14", "=R1/$250\n=\"TESTO\" ; note\r\n\r\n=T1\r\n",
         "=R1/$250=\"TESTO\"=T1", false},
        {"held, then the line dies", 1, 0, "10", "=R1/$250\r\n=T1\r\n", "", true},
    };
    ASSERT_NO_FATAL_FAILURE(OpenLine());
    const int lanePort = host_;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        serialtest::OwnLine own;
        ecrsim::SimSerialPeer ownPeer;
        ecrsim::SimSerialPeer* peer = row.lost ? &ownPeer : &peer_;
        host_ = row.lost ? serialtest::OwnLine::kHost : lanePort;
        if (row.lost) {
            ASSERT_EQ("up", own.start());
            ASSERT_EQ("held", own.hold());
            ASSERT_TRUE(ownPeer.open(serialtest::OwnLine::kPeer));
        }
        peer->clear();
        record_.clear();
        Receipt("S.TXT", row.file);
        ASSERT_TRUE(worker_.Start(SerialSettings(row.proto, host_, row.baud), config_, log_, &view_));
        if (row.lost && record_.wait_for(call("9"), 20000))
            own.end();
        ASSERT_TRUE(WaitGone("S.TXT"));
        EXPECT_TRUE(peer->wait_for(row.expected.size(), 5000));
        Sleep(300);  // anything more would show up now
        EXPECT_EQ(row.expected, peer->received());
        worker_.RequestStop();
        ASSERT_TRUE(worker_.WaitEnded(10000));
        std::vector<std::string> calls = record_.calls();
        ASSERT_GE(calls.size(), 2u);
        EXPECT_EQ(call("20"), calls[0]);  // one open, at the chosen speed
        EXPECT_EQ(call("2", std::string(row.speedCode) + " 3"), calls[1]);
        EXPECT_EQ(1, std::count(calls.begin(), calls.end(), call("20")));
        EXPECT_EQ(1, std::count(calls.begin(), calls.end(), call("19")));  // one close
        EXPECT_EQ(call("19"), calls.back());
        // The network was never tried; the lost tail is in the receipt's block.
        const std::string log = LogText();
        EXPECT_EQ(row.lost ? 1 : 0, count_of(log, "ERRORE"));
        EXPECT_EQ(row.lost ? 1 : 0, count_of(log, " (CLOSE) ERRORE COMUNICAZIONE ECR: ERR_TIMEOUT\r\n"));
    }
}

// Runs without a serial line: a port that does not exist.
TEST_F(SerialWorkerTest, PortThatDoesNotOpenSuspendsAndRetriesTheSamePort)
{
    Receipt("P.TXT", "=R1/$100\r\n");
    ASSERT_TRUE(worker_.Start(SerialSettings(1, 97, 0), config_, log_, &view_));
    const std::string line = " (OPEN) ERRORE COMUNICAZIONE ECR: ECR_ERR_PORT_NOT_VALID\r\n";
    ASSERT_TRUE(WaitFor([&] { return count_of(LogText(), line) >= 2; }, 20000));
    worker_.RequestStop();
    ASSERT_TRUE(worker_.WaitEnded(10000));
    EXPECT_EQ("=R1/$100\r\n", testutil::read_file(Path("P.TXT")));
    // Every failed open is logged (the suspension shown once), and the
    // network is never tried instead.
    std::string log = LogText();
    EXPECT_EQ(1, view_.Count(ServiceState::Suspended));
    EXPECT_LE(2, count_of(log, line));
    EXPECT_EQ(0, count_of(log, "(STATUS)"));
    EXPECT_EQ(0, count_of(log, "(CONNECT)"));
}

}  // namespace
