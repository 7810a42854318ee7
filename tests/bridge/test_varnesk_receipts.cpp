// VARNESK.exe carrying receipts to the simulated register: a receipt goes
// to the register at most once, whether another program holds it open
// without delete sharing, its disposal fails after the send, or the bridge
// was killed in the middle of it; one left in the folder is told once and
// opens no link; loads and stops asked while a slow receipt holds a load
// run one at a time; the window answers while the register holds the line.

#include "fake_ports.h"
#include "loopback_register.h"
#include "sim_serial.h"
#include "testutil.h"
#include "varnesk_window.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

const DWORD kReceiptMs = 30000;

// How a shop program or a virus scanner holds a receipt: reading and
// writing shared, deleting and renaming not.
const DWORD kShopSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;

const char* const kReceipt = "=R1/$100\r\n=T1\r\n";

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

    // The bridge with receipts in XON/XOFF form (or translated, proto 0),
    // polling every 100 ms.
    void StartBridge(int backup, int port = 0, int proto = 1)
    {
        const std::string ini = "[Info]\r\nEcrIp=127.0.0.1\r\nCartella=" + shared_ +
                                "\r\nPolltime=5\r\nProto=" + std::to_string(proto) + "\r\nPort=" +
                                std::to_string(port) + "\r\nOffline=0\r\nLevel=0\r\nLog=0\r\nBackup=" +
                                std::to_string(backup) +
                                "\r\nExt=TXT\r\n[Comandi]\r\n1=VEND\r\n2=SHELL\r\n[VEND]\r\nFORMAT=R\r\n";
        bridge_.reset(new VarneskWindow(folder_, ini));
        ASSERT_TRUE(bridge_->Main() != nullptr);
        ASSERT_TRUE(bridge_->Running());
    }

    std::string Path(const std::string& name) const { return shared_ + "\\" + name; }
    bool Exists(const std::string& name) const { return testutil::file_exists(Path(name)); }
    std::string Received() const { return register_->peer.received(); }

    // A receipt of one line dropped in the folder, waited for until the
    // register has it and its link is closed (a receipt gone from the
    // folder may not have opened its link yet).
    void Sent(const std::string& name, const std::string& line)
    {
        testutil::write_file(Path(name), line + "\r\n");
        ASSERT_TRUE(WaitFor([&] { return !Exists(name) && count_of(Received(), line) == 1; }, kReceiptMs))
            << name << ": " << Received();
        ASSERT_NO_FATAL_FAILURE(WaitLinkClosed());
    }

    // Receipts dropped one after the other, each waited for: every one
    // needs a pass of its own, so `count` more polling passes have run.
    void Passes(const std::string& prefix, int count)
    {
        for (int i = 1; i <= count; ++i)
            ASSERT_NO_FATAL_FAILURE(Sent(prefix + std::to_string(i) + ".TXT", "=" + prefix + std::to_string(i)));
    }

    std::string LogText() const { return LogsOf(shared_); }

    // The register serves one host: it turns away the next receipt's link
    // until it has seen the last one closed, which a loaded machine delays.
    void WaitLinkClosed() const { ASSERT_TRUE(register_->peer.waitHost(false, kReceiptMs)); }

    // A row starts from an empty folder and log, with receipt A.TXT waiting.
    void FreshRound()
    {
        register_->Reset();
        ClearFiles(shared_);
        ClearFiles(shared_ + "\\log");
        testutil::write_file(Path("A.TXT"), kReceipt);
    }

    // The register refuses the next `count` pieces, a second each: the
    // receipt under way holds the worker that long.
    void SlowRegister(int count) const
    {
        register_->peer.setScript(std::vector<ecrsim::TcpAnswer>(size_t(count), ecrsim::TcpAnswer::nak()));
    }

    std::string folder_, shared_;
    std::unique_ptr<VarneskWindow> bridge_;
};

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
        FreshRound();
        testutil::write_file(Path("A.BAK"), "older copy");
        HeldFile hold(Path(row.held), kShopSharing);
        ASSERT_TRUE(hold.Held());
        ASSERT_NO_FATAL_FAILURE(StartBridge(row.backup));

        ASSERT_NO_FATAL_FAILURE(Passes("B", 3));
        EXPECT_EQ(row.sentWhileHeld, count_of(Received(), "=R1/$100"))
            << "expected " << row.sentWhileHeld << " sends, register got: " << Received();
        EXPECT_EQ(row.held == std::string("A.TXT"), Exists("A.TXT"));

        hold.Release();
        ASSERT_NO_FATAL_FAILURE(Passes("C", 3));
        EXPECT_EQ(1, count_of(Received(), kSent)) << "register got: " << Received();
        EXPECT_EQ(1, count_of(Received(), "=R1/$100"));
        EXPECT_EQ(row.gone, !Exists("A.TXT"));
        EXPECT_EQ(row.disposalLines, count_of(LogText(), "NON VIENE INVIATO DI NUOVO: A.TXT"))
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
    // Under a loaded Wine the killed process's socket may outlive it for long;
    // the register then drops the silent host, as a real one times it out.
    if (!register_->peer.waitHost(false, 10000))
        register_->peer.dropHost(true);
    ASSERT_TRUE(register_->peer.waitHost(false, 10000));
    register_->Reset();

    ASSERT_NO_FATAL_FAILURE(StartBridge(0));
    ASSERT_NO_FATAL_FAILURE(Passes("B", 3));
    EXPECT_EQ("=B1=B2=B3", Received()) << "nothing of the cut receipt is sent again";
    EXPECT_FALSE(Exists("A.TXT"));
    EXPECT_EQ(1, count_of(LogText(), "NON VIENE INVIATO DI NUOVO: A.TXT")) << LogText();
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

// A receipt left in the folder is told once in the log, not at every pass,
// and opens no link; once it can be taken it is sent once.
TEST_F(ReceiptOnceTest, AReceiptLeftInTheFolderIsToldOnceAndOpensNoLink)
{
    const struct {
        const char* name;
        DWORD sharing;  // of the program holding it; 0: none holds it, but all its working names are taken
        const char* told;
    } rows[] = {
        {"it cannot be moved", kShopSharing, "SCONTRINO IN USO O NON SPOSTABILE, LASCIATO NELLA CARTELLA: A.TXT"},
        {"it cannot be read", FILE_SHARE_WRITE | FILE_SHARE_DELETE,
         "SCONTRINO NON LEGGIBILE, LASCIATO NELLA CARTELLA: A.TXT"},
        // One link finds this out.
        {"it can be read, not renamed", 0, "SCONTRINO IN USO O NON SPOSTABILE, LASCIATO NELLA CARTELLA: A.TXT"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FreshRound();
        std::vector<std::string> taken;
        for (int n = 0; !row.sharing && n < 100; ++n) {
            taken.push_back(Path("A.TXT.INVIO" + (n ? std::to_string(n) : std::string())));
            testutil::write_file(taken.back(), "left by a killed bridge");
        }
        std::unique_ptr<HeldFile> hold(row.sharing ? new HeldFile(Path("A.TXT"), row.sharing) : nullptr);
        ASSERT_TRUE(!hold || hold->Held());
        ASSERT_NO_FATAL_FAILURE(StartBridge(0));
        ASSERT_TRUE(WaitFor([&] { return count_of(LogText(), row.told) == 1; }, kReceiptMs)) << LogText();
        ASSERT_NO_FATAL_FAILURE(WaitLinkClosed());
        const int before = register_->peer.connections();
        ASSERT_NO_FATAL_FAILURE(Passes("B", 3));
        EXPECT_EQ(before + 3, register_->peer.connections()) << "a link for each B receipt only";
        EXPECT_EQ(1, count_of(LogText(), "A.TXT\r\n")) << LogText();
        EXPECT_EQ(1, count_of(LogText(), row.told)) << LogText();

        hold.reset();
        for (const std::string& name : taken)
            DeleteFileA(name.c_str());
        EXPECT_TRUE(WaitFor([&] { return count_of(Received(), kSent) == 1; }, kReceiptMs)) << Received();
        EXPECT_EQ(1, count_of(LogText(), "SCONTRINO DI NUOVO DISPONIBILE: A.TXT")) << LogText();
        bridge_.reset();
    }
}

// A new receipt under the name of one a killed bridge left aside is sent
// once, under a working name of its own; the one left aside stays.
TEST_F(ReceiptOnceTest, ANewReceiptUnderTheNameOfOneLeftAsideIsSentOnce)
{
    testutil::write_file(Path("A.TXT.INVIO"), kReceipt);
    ASSERT_NO_FATAL_FAILURE(StartBridge(0));
    ASSERT_NO_FATAL_FAILURE(Sent("A.TXT", "=A2"));
    ASSERT_NO_FATAL_FAILURE(Passes("B", 2));
    EXPECT_EQ("=A2=B1=B2", Received());
    EXPECT_TRUE(Exists("A.TXT.INVIO"));
    EXPECT_FALSE(Exists("A.TXT.INVIO1"));
    EXPECT_EQ(1, count_of(LogText(), "NON VIENE INVIATO DI NUOVO: A.TXT")) << LogText();
}

// While a load waits for the worker to finish a slow receipt, the loads and
// stops asked meanwhile run after it, the last one asked last (a Stop then
// ends the load before it starts a worker); the close box only hides the
// window.
TEST_F(ReceiptOnceTest, LoadsAndStopsAskedDuringALoadRunAfterIt)
{
    ASSERT_NO_FATAL_FAILURE(StartBridge(0));
    HWND main = bridge_->Main();
    const struct {
        const char* name;
        std::vector<int> asked;  // 1: "Salva impostazioni", 1006: Stop, WM_CLOSE: the close box
        int reloads;
        bool running;
        bool shown;
    } rows[] = {
        {"two saves, then Stop", {1, 1, 1006}, 0, false, true},
        {"a save, then the close box", {1, WM_CLOSE}, 1, true, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (!ServiceRunning(main))
            bridge_->Command(1007);
        ASSERT_TRUE(bridge_->Running());
        ASSERT_TRUE(bridge_->Open());
        register_->Reset();
        SlowRegister(6);
        const int banners = count_of(LogText(), "INIZIO ELABORAZIONE");
        testutil::write_file(Path("A.TXT"), kReceipt);
        ASSERT_TRUE(WaitFor([&] { return !Received().empty(); }, kReceiptMs));
        for (int asked : row.asked) {
            if (asked == 1)
                Click(main, bridge_->Button("Salva impostazioni"));
            else if (asked == WM_CLOSE)
                PostMessageA(main, WM_CLOSE, 0, 0);
            else
                bridge_->Command(asked);
        }
        ASSERT_TRUE(WaitFor([&] { return !Exists("A.TXT"); }, kReceiptMs));
        ASSERT_TRUE(WaitFor([&] { return count_of(LogText(), "INIZIO ELABORAZIONE") == banners + row.reloads; },
                            kReceiptMs));
        EXPECT_TRUE(WaitFor([&] { return (row.running ? ServiceRunning(main) : ServiceEnded(main)); }, kReceiptMs));
        EXPECT_EQ(DWORD(STILL_ACTIVE), bridge_->Process().WaitExit(0));
        // The close box may be served after the reload, when it hides as well.
        EXPECT_TRUE(WaitFor([&] { return (IsWindowVisible(main) != FALSE) == row.shown; },
                            VarneskWindow::kWindowMs));

        // A receipt dropped afterwards: taken only by a running service.
        ASSERT_NO_FATAL_FAILURE(WaitLinkClosed());
        testutil::write_file(Path("C.TXT"), "=C1\r\n");
        EXPECT_EQ(row.running, WaitFor([&] { return !Exists("C.TXT"); }, 3000));
        EXPECT_EQ(row.running, ServiceRunning(main));
        EXPECT_EQ(banners + row.reloads, count_of(LogText(), "INIZIO ELABORAZIONE"));
        DeleteFileA(Path("C.TXT").c_str());
    }
}

// A register holding the line with XOFF (printing, paper out) keeps the
// worker's close of the link waiting for minutes: meanwhile the window
// answers, the about box tells the library's version, and the rescan waits
// behind the wait form, never inside the worker's link call.
TEST_F(ReceiptOnceTest, TheWindowAnswersWhileTheRegisterHoldsTheLine)
{
    char env[16] = {};
    GetEnvironmentVariableA("ECR_TEST_COM_HOST", env, sizeof env);
    const int host = std::atoi(env);
    GetEnvironmentVariableA("ECR_TEST_COM_PEER", env, sizeof env);
    ecrsim::SimSerialPeer ecr;
    ASSERT_TRUE(host != 0 && ecr.open(std::atoi(env)))
        << "no serial line: tools/lanes.sh links a socat pty pair as COM ports ECR_TEST_COM_HOST/PEER";
    FakePorts ports("ECRVKRCPT");
    ASSERT_TRUE(ports.Add("0000", ("Test Serial Port (COM" + std::to_string(host) + ")").c_str()));
    testutil::ScopedEnv trace("ECR_TRACE", "1");
    ASSERT_NO_FATAL_FAILURE(StartBridge(0, host, 0));
    HWND main = bridge_->Main();
    // The register takes the first line and holds the line with XOFF while a
    // SHELL command keeps the bridge from sending the rest.
    const std::string go = folder_ + "\\go";
    const std::string tail(20, 'R');
    std::string receipt = "VEND\r\nSHELL " + testutil::exe_folder() + "\\stdprobe.exe wait " + go + "\r\n";
    for (size_t i = 0; i < tail.size(); ++i)
        receipt += "VEND\r\n";
    testutil::write_file(Path("A.TXT"), receipt);
    ASSERT_TRUE(ecr.wait_for(1, kReceiptMs));
    ASSERT_TRUE(ecr.send("\x13"));
    struct Xon {
        ecrsim::SimSerialPeer& ecr;
        ~Xon() { ecr.send("\x11"); }
    } release{ecr};
    testutil::write_file(go, "");
    const std::string traceFile = folder_ + "\\ecrlog.txt";
    ASSERT_TRUE(WaitFor([&] { return testutil::read_file(traceFile).find("ecr_disc_xonxoff_ser -- begin") !=
                                     std::string::npos; }, kReceiptMs));
    ASSERT_EQ("R", ecr.received()) << "the register holds the receipt's tail";

    HWND about = nullptr;
    const struct {
        const char* name;
        std::function<bool()> act;  // true once the window took the request
    } rows[] = {
        {"the about box", [&] {
             bridge_->Command(1010);
             about = VarneskFormOf(bridge_->Pid(), "Informazioni", kReceiptMs);
             return about && WaitFor([&] { return IsWindowVisible(about) != FALSE; }, kReceiptMs);
         }},
        {"the rescan", [&] {
             Click(main, bridge_->Button("rescan"));
             return bridge_->WaitForm(kReceiptMs) != nullptr;
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_TRUE(row.act());
        DWORD_PTR answer = 0;
        EXPECT_NE(0, SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &answer));
    }
    ASSERT_TRUE(about != nullptr);
    std::string info;
    for (HWND c = GetWindow(about, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        info += TextOf(c);
    EXPECT_NE(std::string::npos, info.find("BRISAL V1.4 del 29/01/2013")) << info;

    // Let go: the receipt goes whole, and the rescan lists the port.
    ASSERT_TRUE(ecr.send("\x11"));
    EXPECT_TRUE(ecr.wait_for(1 + tail.size(), kReceiptMs));
    EXPECT_EQ("R" + tail, ecr.received());
    EXPECT_TRUE(WaitFor([&] { return !Exists("A.TXT") && bridge_->WaitForm(0) == nullptr; }, kReceiptMs));
    EXPECT_EQ(2, SendTo(bridge_->List(VarneskWindow::kPortcom), CB_GETCOUNT, 0, 0));
    PostMessageA(FindWindowExA(about, nullptr, "Button", "OK"), BM_CLICK, 0, 0);

    // Calls open with "-- begin" and close with "-- end"; the window's open
    // when no other is open.
    int open = 0;
    for (const std::string& line : testutil::lines_of(testutil::read_file(traceFile))) {
        if (line.find(" ecr_get_ver -- begin") != std::string::npos ||
            line.find(" ecr_enum_port_ser -- begin") != std::string::npos) {
            EXPECT_EQ(0, open) << "inside another call: " << line;
        }
        open += line.find(" -- begin") != std::string::npos;
        open -= line.find(" -- end") != std::string::npos;
    }
}

}  // namespace
