#include "worker_fixture.h"

#include "testdir.h"

#include <atomic>

namespace workertest {

const char* const kConfig =
    "[Info]\r\nExt=TXT,SCO\r\n"
    "[Comandi]\r\n1=VEND\r\n2=CHIUSURA\r\n3=TESTO\r\n4=SHELL\r\n"
    "[VEND]\r\nFORMAT=REP+PREZZO\r\n1=REP\r\n2=PREZZO\r\nTERMINATOR=PREZZO,M,\r\n"
    "[REP]\r\nFORMAT=R\r\n[PREZZO]\r\nFORMAT=H\r\n"
    "[CHIUSURA]\r\nFORMAT=1T\r\n"
    "[TESTO]\r\nFORMAT=DES\r\n1=DES\r\n[DES]\r\nFORMAT=\"\"$\"\"\r\n";

ecrsim::SimRegister* WorkerTest::reg_ = nullptr;
ecrsim::SimTftpServer* WorkerTest::tftp_ = nullptr;
ecrsim::SimTcpPeer* WorkerTest::peer_ = nullptr;
// UDP answers come from 127.0.0.1 under Wine, whatever the register's address.
const std::string WorkerTest::ip_ = "127.0.0.1";
bool WorkerTest::started_ = false;

void WorkerTest::SetUpTestSuite()
{
    reg_ = new ecrsim::SimRegister;
    tftp_ = new ecrsim::SimTftpServer(*reg_);
    peer_ = new ecrsim::SimTcpPeer(*reg_);
    // Another program's register may hold UDP 500 for a while.
    for (int i = 0; i < 40 && !tftp_->start(ip_); ++i)
        Sleep(500);
    bool peerUp = false;
    for (int i = 0; i < 40 && tftp_->running() && !(peerUp = peer_->start(ip_)); ++i)
        Sleep(500);
    started_ = tftp_->running() && peerUp;
}

void WorkerTest::TearDownTestSuite()
{
    delete peer_;
    delete tftp_;
    delete reg_;
}

void WorkerTest::SetUp()
{
    ASSERT_TRUE(started_) << tftp_->lastError();
    if (!tftp_->running()) {
        ASSERT_TRUE(tftp_->start(ip_));
    }
    reg_->setState('I');
    tftp_->setFaults({});
    peer_->setScript({});
    peer_->setDefaultAnswer(ecrsim::TcpAnswer::ack());
    peer_->clearRecord();
    connectionsBefore_ = peer_->connections();
    static int serial = 0;
    folder_ = testutil::exe_folder() + "\\worker_" + std::to_string(GetCurrentProcessId()) + "_" +
              std::to_string(++serial);
    shared_ = folder_ + "\\in";
    CreateDirectoryA(folder_.c_str(), nullptr);
    CreateDirectoryA(shared_.c_str(), nullptr);
    CreateDirectoryA((folder_ + "\\log").c_str(), nullptr);
    ASSERT_TRUE(LoadCommandConfigText(kConfig, config_));
    ASSERT_TRUE(log_.Open(folder_ + "\\log", 0));
}

void WorkerTest::TearDown()
{
    worker_.RequestQuit();
    EXPECT_TRUE(worker_.WaitEnded(20000));
    EXPECT_TRUE(peer_->waitHost(false, 5000));
    log_.Close();
    testutil::remove_tree(folder_);
}

BridgeSettings WorkerTest::Settings(int proto) const
{
    BridgeSettings s;
    s.EcrIp = ip_;
    s.Cartella = shared_;
    s.logFolder = folder_ + "\\log";
    s.Proto = proto;
    s.polltime = 5;  // 100 ms
    s.Level = 1;
    return s;
}

void WorkerTest::StartWorker(const BridgeSettings& settings)
{
    ASSERT_TRUE(worker_.Start(settings, config_, log_, &view_));
}

void WorkerTest::Receipt(const std::string& name, const std::string& text) const
{
    testutil::write_file(Path(name), text);
}

std::vector<std::string> WorkerTest::TakeEveryWorkingName(const std::string& name) const
{
    std::vector<std::string> taken;
    for (int n = 0; n < 100; ++n) {
        taken.push_back(Path(name + ".INVIO" + (n ? std::to_string(n) : std::string())));
        testutil::write_file(taken.back(), "taken");
    }
    return taken;
}

void WorkerTest::HoldWhileSuspended(const std::string& name, const std::string& text,
                                    const std::string& newText, const std::function<bool()>& cut)
{
    const int suspended = view_.Count(ServiceState::Suspended);
    const int refused = count_of(LogText(), "NON SPOSTABILE");
    std::vector<std::string> taken = TakeEveryWorkingName(name);
    Receipt(name, text);
    StartWorker(Settings(1));
    ASSERT_TRUE(WaitFor([&] { return count_of(LogText(), "NON SPOSTABILE") > refused; }, 15000));
    ASSERT_TRUE(cut());
    // The new file comes while the register's status is asked, the old one
    // claimed.
    std::atomic<bool> written{false};
    AckHook hook([&](int) {
        if (!written && Exists(name + ".INVIO") && !Exists(name)) {
            Receipt(name, newText);
            written = true;
        }
    });
    for (const std::string& path : taken)
        ASSERT_TRUE(DeleteFileA(path.c_str()));
    ASSERT_TRUE(WaitFor([&] { return view_.Count(ServiceState::Suspended) > suspended; }, 15000));
    ASSERT_TRUE(written);
}

std::vector<std::string> WorkerTest::LogFiles(const std::string& pattern) const
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((folder_ + "\\log\\" + pattern).c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        names.push_back(data.cFileName);
    } while (FindNextFileA(h, &data));
    FindClose(h);
    return names;
}

}  // namespace workertest
