// VARNESK.exe carrying receipts to the simulated register: a receipt goes
// to the register at most once, whether another program holds it open
// without delete sharing, its disposal fails after the send, or the bridge
// was killed in the middle of it.

#include "loopback_register.h"
#include "testutil.h"
#include "varnesk_window.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

namespace {

const DWORD kReceiptMs = 30000;

// How a shop program or a virus scanner holds a receipt: reading and
// writing shared, deleting and renaming not.
const DWORD kShopSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;

class ReceiptOnceTest : public OnLoopbackRegister<::testing::Test> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(started_) << register_->tftp.lastError();
        register_->Reset();
        folder_ = testutil::exe_folder() + "\\vkrcpt";
        shared_ = folder_ + "\\shared";
        for (const std::string& f : {folder_, shared_, shared_ + "\\log"}) {
            CreateDirectoryA(f.c_str(), nullptr);
            ClearFiles(f);
        }
        ASSERT_TRUE(CopyVarnesk(testutil::exe_folder(), folder_));
    }
    void TearDown() override { bridge_.reset(); }

    // The bridge with receipts in XON/XOFF form, polling every 100 ms.
    void StartBridge(int backup, int port = 0)
    {
        const std::string ini = "[Info]\r\nEcrIp=127.0.0.1\r\nCartella=" + shared_ +
                                "\r\nPolltime=5\r\nProto=1\r\nPort=" + std::to_string(port) +
                                "\r\nOffline=0\r\nLevel=0\r\nLog=0\r\nBackup=" + std::to_string(backup) +
                                "\r\nExt=TXT\r\n[Comandi]\r\n1=VEND\r\n[VEND]\r\nFORMAT=R\r\n";
        bridge_.reset(new VarneskWindow(folder_, ini));
        ASSERT_TRUE(bridge_->Main() != nullptr);
        ASSERT_TRUE(bridge_->Running());
    }

    std::string Path(const std::string& name) const { return shared_ + "\\" + name; }
    bool Exists(const std::string& name) const { return testutil::file_exists(Path(name)); }
    std::string Received() const { return register_->peer.received(); }

    // Receipts dropped one after the other, each waited for: every one
    // needs a pass of its own, so `count` more polling passes have run.
    void Passes(const std::string& prefix, int count)
    {
        for (int i = 1; i <= count; ++i) {
            std::string name = prefix + std::to_string(i) + ".TXT";
            testutil::write_file(Path(name), "=" + prefix + std::to_string(i) + "\r\n");
            ASSERT_TRUE(WaitFor([&] { return !Exists(name); }, kReceiptMs)) << name;
        }
    }

    std::string LogText() const { return LogsOf(shared_); }

    std::string folder_, shared_;
    std::unique_ptr<VarneskWindow> bridge_;
};

const char* const kReceipt = "=R1/$100\r\n=T1\r\n";
const char* const kSent = "=R1/$100=T1";

TEST_F(ReceiptOnceTest, AReceiptThatCannotBeDisposedOfIsSentAtMostOnce)
{
    const struct {
        const char* name;
        int backup;
        const char* held;          // the file another program holds open
        int sentWhileHeld;         // times the receipt reached the register meanwhile
        bool gone;                 // the receipt's name is free once the hold ends
        int disposalLines;         // log lines about a failed disposal
    } rows[] = {
        {"the receipt itself held: left for a later pass", 0, "A.TXT", 0, true, 0},
        {"its backup name held: sent once, then left aside", 1, "A.BAK", 1, true, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        register_->Reset();
        ClearFiles(shared_);
        ClearFiles(shared_ + "\\log");
        testutil::write_file(Path("A.TXT"), kReceipt);
        testutil::write_file(Path("A.BAK"), "older copy");
        HeldFile hold(Path(row.held), kShopSharing);
        ASSERT_TRUE(hold.Held());
        ASSERT_NO_FATAL_FAILURE(StartBridge(row.backup));

        ASSERT_NO_FATAL_FAILURE(Passes("B", 3));
        EXPECT_EQ(row.sentWhileHeld, CountOf(Received(), "=R1/$100"))
            << "expected " << row.sentWhileHeld << " sends, register got: " << Received();
        EXPECT_EQ(row.held == std::string("A.TXT"), Exists("A.TXT"));

        hold.Release();
        ASSERT_NO_FATAL_FAILURE(Passes("C", 3));
        EXPECT_EQ(1, CountOf(Received(), kSent)) << "register got: " << Received();
        EXPECT_EQ(1, CountOf(Received(), "=R1/$100"));
        EXPECT_EQ(row.gone, !Exists("A.TXT"));
        EXPECT_EQ(row.disposalLines, CountOf(LogText(), "NON VIENE INVIATO DI NUOVO: A.TXT"))
            << LogText();
        bridge_.reset();
    }
}

TEST_F(ReceiptOnceTest, AReceiptCutShortByAKilledBridgeIsNotSentAgain)
{
    // The register refuses the second line again and again: the bridge is
    // killed while it is still trying.
    std::vector<ecrsim::TcpAnswer> script{ecrsim::TcpAnswer::ack()};
    script.resize(200, ecrsim::TcpAnswer::nak());
    register_->peer.setScript(script);
    testutil::write_file(Path("A.TXT"), "=R1/$100\r\n=R2/$200\r\n=T1\r\n");
    ASSERT_NO_FATAL_FAILURE(StartBridge(0));
    ASSERT_TRUE(WaitFor([&] { return Received().find("=R2/$200") != std::string::npos; }, kReceiptMs));
    ASSERT_TRUE(bridge_->Process().Kill());
    bridge_.reset();
    ASSERT_TRUE(register_->peer.waitHost(false, 10000));
    register_->Reset();

    ASSERT_NO_FATAL_FAILURE(StartBridge(0));
    ASSERT_NO_FATAL_FAILURE(Passes("B", 3));
    EXPECT_EQ("=B1=B2=B3", Received()) << "nothing of the cut receipt is sent again";
    EXPECT_FALSE(Exists("A.TXT"));
    EXPECT_EQ(1, CountOf(LogText(), "NON VIENE INVIATO DI NUOVO: A.TXT")) << LogText();
}

// A stored COM port that is no longer present: the window shows "LAN" and
// the service, too, goes over the network.
TEST_F(ReceiptOnceTest, AStoredPortNoLongerPresentSendsOverTheNetwork)
{
    testutil::write_file(Path("A.TXT"), kReceipt);
    ASSERT_NO_FATAL_FAILURE(StartBridge(0, 37));
    HWND portcom = bridge_->List(VarneskWindow::kPortcom);
    ASSERT_TRUE(portcom != nullptr);
    EXPECT_EQ(0, SendTo(portcom, CB_GETCURSEL, 0, 0)) << "LAN selected";
    EXPECT_TRUE(IsWindowEnabled(bridge_->Address()));
    EXPECT_TRUE(WaitFor([&] { return Received() == kSent; }, kReceiptMs)) << Received();
    EXPECT_NE(std::string::npos, LogText().find(">>> La porta di comunicazione \xE8: LAN\r\n")) << LogText();
    EXPECT_EQ(std::string::npos, LogText().find("(OPEN)")) << LogText();
}

}  // namespace
