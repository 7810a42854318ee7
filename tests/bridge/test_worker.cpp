// The receipt worker end to end: receipts in a real shared folder go to the
// simulated register over TCP through BRISAL.dll; the log, the copies, the
// disposal of the files and the suspended state are checked as they land.

#include "worker_fixture.h"

#include "brisal.h"

#include <atomic>

using ecrsim::TcpAnswer;
using namespace workertest;


TEST_F(WorkerTest, ReceiptsOfBothFormsArriveByteForByte)
{
    struct Row {
        const char* name;
        int proto;
        std::string file;
        std::string expected;
        std::string generated;
    };
    const std::vector<Row> rows{
        {"translated", 0, "; a comment\r\nVEND REP=1,PREZZO=250\r\n\r\n  TESTO DES='ab' ; note \r\nCHIUSURA\r\n",
         "1R250HM\"ab\"1T", "\r\n1R250HM\r\n\"ab\"\r\n1T"},
        {"xonxoff", 1, "=R1/$250\n=\"TESTO\" ; note\r\n\r\n=T1\r\n", "=R1/$250=\"TESTO\"=T1",
         "=R1/$250=\"TESTO\"=T1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        peer_->clearRecord();
        connectionsBefore_ = peer_->connections();
        Receipt("A.TXT", row.file);
        StartWorker(Settings(row.proto));
        ASSERT_TRUE(WaitGone("A.TXT"));
        EXPECT_TRUE(peer_->waitHost(false, 5000));
        EXPECT_EQ(row.expected, Received());
        EXPECT_EQ(1, Connections());  // one connect and one disconnect per receipt
        // No messages: no block and no receipt copy, but the generated copy.
        EXPECT_EQ(0, count_of(LogText(), "ELABORAZIONE SCONTRINO"));
        std::vector<std::string> copies = LogFiles("A_X_X_*.TXT");
        ASSERT_EQ(1u, copies.size());
        EXPECT_EQ(row.generated, testutil::read_file(folder_ + "\\log\\" + copies[0]));
        EXPECT_EQ(1u, LogFiles("A_*.TXT").size());
        DeleteFileA((folder_ + "\\log\\" + copies[0]).c_str());
        worker_.RequestStop();
        ASSERT_TRUE(worker_.WaitEnded(10000));
        EXPECT_EQ(ServiceState::Ended, view_.States().back());
    }
}

TEST_F(WorkerTest, EveryReceiptHasItsOwnConnectionAndLongLinesGoInChunks)
{
    const std::string longLine = "=\"" + std::string(1100, 'x') + "\"";
    Receipt("B.SCO", longLine + "\r\n=T1\r\n");
    Receipt("C.txt", "=R2/$100\r\n");  // extensions compare upper-cased
    Receipt("D.DOC", "=R3/$100\r\n");  // not a receipt
    StartWorker(Settings(1));
    ASSERT_TRUE(WaitGone("B.SCO"));
    ASSERT_TRUE(WaitGone("C.txt"));
    ASSERT_TRUE(WaitPasses(2));
    EXPECT_TRUE(Exists("D.DOC"));
    EXPECT_TRUE(peer_->waitHost(false, 5000));
    EXPECT_EQ(2, Connections());
    std::string received = Received();
    EXPECT_NE(std::string::npos, received.find(longLine + "=T1"));
    EXPECT_NE(std::string::npos, received.find("=R2/$100"));
    EXPECT_EQ(std::string::npos, received.find("=R3"));
    size_t biggest = 0;
    for (const auto& chunk : peer_->chunks())
        biggest = std::max(biggest, chunk.bytes.size());
    EXPECT_EQ(512u, biggest);
}

TEST_F(WorkerTest, BackupRenamesAndNeverTakesTheCopyAgain)
{
    Receipt("E.TXT", "=R1/$100\r\n");
    Receipt("E.BAK", "old");
    CreateDirectoryA(Path("F.TXT").c_str(), nullptr);  // a folder named like a receipt
    BridgeSettings s = Settings(1);
    s.Backup = 1;
    config_.acceptedNames.push_back(".BAK");  // even when listed, backups stay put
    StartWorker(s);
    ASSERT_TRUE(WaitGone("E.TXT"));
    ASSERT_TRUE(WaitPasses(3));
    EXPECT_EQ("=R1/$100\r\n", testutil::read_file(Path("E.BAK")));
    EXPECT_EQ(1, Connections());
    EXPECT_EQ("=R1/$100", Received());
    DWORD attributes = GetFileAttributesA(Path("F.TXT").c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
}

TEST_F(WorkerTest, OfflineWritesTheBlockAndCopiesWithoutAnyLinkCall)
{
    int infos = reg_->infoCount();
    Receipt("G.TXT", "VEND REP=1\r\nNESSUNO X=1\r\nCHIUSURA\r\n");
    BridgeSettings s = Settings(0);
    s.Offline = 1;
    StartWorker(s);
    ASSERT_TRUE(WaitGone("G.TXT"));
    ASSERT_TRUE(WaitPasses(1));
    EXPECT_EQ(0, Connections());
    EXPECT_EQ(infos, reg_->infoCount());
    std::string log = LogText();
    EXPECT_EQ(1, count_of(log, "\r\n" + std::string(80, '-') + "\r\nELABORAZIONE SCONTRINO - "));
    EXPECT_NE(std::string::npos, log.find(" - FILE: G.TXT\r\n"));
    std::vector<std::string> copies = LogFiles("G_????????_??????.TXT");
    ASSERT_EQ(1u, copies.size());
    EXPECT_EQ("VEND REP=1\r\nNESSUNO X=1\r\nCHIUSURA\r\n",
              testutil::read_file(folder_ + "\\log\\" + copies[0]));
}

// A receipt's SHELL command runs in the shared folder, the worker's folder.
TEST_F(WorkerTest, ShellCommandsRunInTheSharedFolder)
{
    Receipt("S.TXT", "SHELL cmd /c echo x>shellout.txt\r\n");
    BridgeSettings s = Settings(0);
    s.Offline = 1;
    StartWorker(s);
    ASSERT_TRUE(WaitGone("S.TXT"));
    EXPECT_TRUE(Exists("shellout.txt"));
    EXPECT_NE(std::string::npos, LogText().find("Codice di ritorno: 0\r\n")) << LogText();
}

TEST_F(WorkerTest, BusyRegisterSuspendsQuietlyUntilItIsIdle)
{
    reg_->setState('V');
    Receipt("H.TXT", "=R1/$100\r\n");
    int infos = reg_->infoCount();
    StartWorker(Settings(1));
    // Retried (status asked again and again), shown once.
    ASSERT_TRUE(WaitFor([&] { return reg_->infoCount() >= infos + 3; }, 15000));
    EXPECT_EQ(1, view_.Count(ServiceState::Suspended));
    EXPECT_TRUE(Exists("H.TXT"));
    EXPECT_EQ(0, Connections());
    EXPECT_EQ(0, count_of(LogText(), "ERRORE"));
    reg_->setState('I');
    ASSERT_TRUE(WaitGone("H.TXT"));
    EXPECT_EQ("=R1/$100", Received());
    EXPECT_EQ(1, view_.Count(ServiceState::Resumed));
    EXPECT_EQ(0, count_of(LogText(), "ERRORE"));
}

TEST_F(WorkerTest, StopWhileSuspendedLeavesTheReceiptUntouched)
{
    reg_->setState('V');
    Receipt("I.TXT", "=R1/$100\r\n");
    StartWorker(Settings(1));
    ASSERT_TRUE(WaitFor([&] { return view_.Count(ServiceState::Suspended) >= 1; }, 15000));
    worker_.RequestStop();
    EXPECT_TRUE(worker_.WaitEnded(10000));
    EXPECT_EQ(ServiceState::Ended, view_.States().back());
    EXPECT_EQ("=R1/$100\r\n", testutil::read_file(Path("I.TXT")));
    EXPECT_EQ(0, Connections());
}

TEST_F(WorkerTest, SilentRegisterIsLoggedOncePerConnectionSequence)
{
    tftp_->stop();
    Receipt("J.TXT", "=R1/$100\r\n");
    StartWorker(Settings(1));
    ASSERT_TRUE(WaitFor([&] { return view_.Count(ServiceState::Suspended) >= 1; }, 60000));
    Sleep(3000);  // retries go on meanwhile, each shown no more
    EXPECT_EQ(1, view_.Count(ServiceState::Suspended));
    EXPECT_TRUE(Exists("J.TXT"));
    ASSERT_TRUE(tftp_->start(ip_));
    ASSERT_TRUE(WaitGone("J.TXT", 30000));
    EXPECT_EQ("=R1/$100", Received());
    std::string log = LogText();
    EXPECT_EQ(1, count_of(log, " (STATUS) ERRORE COMUNICAZIONE ECR: "));
}

TEST_F(WorkerTest, RefusedConnectionIsLoggedAtEveryRetry)
{
    peer_->stop();
    Receipt("K.TXT", "=R1/$100\r\n");
    StartWorker(Settings(1));
    const std::string line = " (CONNECT) ERRORE COMUNICAZIONE ECR: ";
    ASSERT_TRUE(WaitFor([&] { return count_of(LogText(), line) >= 3; }, 30000));
    EXPECT_EQ(1, view_.Count(ServiceState::Suspended));  // shown once, logged at every retry
    ASSERT_TRUE(peer_->start(ip_));
    ASSERT_TRUE(WaitGone("K.TXT"));
    EXPECT_EQ(1, view_.Count(ServiceState::Resumed));
    EXPECT_EQ("=R1/$100", Received());
}

TEST_F(WorkerTest, FailedSendEndsTheReceiptAndClosesTheLink)
{
    peer_->setScript({TcpAnswer::ack(), TcpAnswer::close()});
    Receipt("L.TXT", "=R1/$100\r\n=R2/$200\r\n=R3/$300\r\n=T1\r\n");
    StartWorker(Settings(1));
    ASSERT_TRUE(WaitGone("L.TXT"));
    EXPECT_TRUE(peer_->waitHost(false, 5000));
    std::string received = Received();
    EXPECT_EQ(0u, received.find("=R1/$100"));
    EXPECT_EQ(std::string::npos, received.find("=R3"));
    EXPECT_EQ(std::string::npos, received.find("=T1"));
    std::string log = LogText();
    EXPECT_EQ(1, count_of(log, "ELABORAZIONE SCONTRINO - "));
    EXPECT_NE(std::string::npos, log.find("(SEND)"));
    EXPECT_NE(std::string::npos, log.find("=R2/$200"));
    EXPECT_EQ(1u, LogFiles("L_????????_??????.TXT").size());
    EXPECT_EQ(1, Connections());
}

TEST_F(WorkerTest, LockedReceiptWaitsForTheNextPass)
{
    Receipt("M.TXT", "=R1/$100\r\n");
    HANDLE lock = CreateFileA(Path("M.TXT").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    StartWorker(Settings(1));
    EXPECT_TRUE(WaitPasses(3));
    CloseHandle(lock);
    EXPECT_EQ("=R1/$100\r\n", testutil::read_file(Path("M.TXT")));
    EXPECT_EQ(0, Connections());
    ASSERT_TRUE(WaitGone("M.TXT"));
    EXPECT_EQ("=R1/$100", Received());
}

// Passes list the folder when the system notices a change of its entries;
// a folder replaced by a new one gives no such notice, yet its receipts go
// at the next relist.
TEST_F(WorkerTest, ReplacedFolderIsWatchedAnew)
{
    StartWorker(Settings(1));
    ASSERT_TRUE(WaitPasses(2));
    ASSERT_TRUE(MoveFileA(shared_.c_str(), (folder_ + "\\old").c_str()));
    ASSERT_TRUE(CreateDirectoryA(shared_.c_str(), nullptr));
    Receipt("Q.TXT", "=R1/$100\r\n");
    // The folder is watched anew within a second; the rest is the emulator's
    // margin (the receipt itself takes about 150 ms here).
    ASSERT_TRUE(WaitGone("Q.TXT", 3000));
    EXPECT_EQ("=R1/$100", Received());
}

// Stop is not held until the end of a wait, however long the polling
// interval.
TEST_F(WorkerTest, StopEndsTheLongestWaitAtOnce)
{
    const struct {
        const char* name;
        char state;  // of the register
        std::function<bool()> waiting;
    } rows[] = {
        {"between passes", 'I', [&] { return worker_.Passes() >= 1; }},
        {"suspended", 'V', [&] { return view_.Count(ServiceState::Suspended) >= 1; }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        reg_->setState(row.state);
        Receipt("A.TXT", "=R1/$100\r\n");
        BridgeSettings s = Settings(1);
        s.polltime = kMaxPolltime;
        StartWorker(s);
        ASSERT_TRUE(WaitFor(row.waiting, 15000));
        worker_.RequestStop();
        EXPECT_TRUE(worker_.WaitEnded(20000));
    }
}

// A suspension may last hours: meanwhile the shop may remove its shared
// folder and make it again, and its next receipt still goes. The waiting
// receipt keeps its own name, also one whose rename was refused before.
TEST_F(WorkerTest, SharedFolderCanBeMadeAgainWhileSuspended)
{
    const struct {
        const char* name;
        std::function<bool()> cut, mend;
        bool renameRefusedBefore;
    } rows[] = {
        {"busy register", [] { reg_->setState('V'); return true; }, [] { reg_->setState('I'); return true; },
         false},
        {"refused connection", [] { peer_->stop(); return true; }, [] { return peer_->start(ip_); }, false},
        {"busy register, the receipt's rename refused before",
         [] { reg_->setState('V'); return true; }, [] { reg_->setState('I'); return true; }, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        peer_->clearRecord();
        const int suspended = view_.Count(ServiceState::Suspended);
        std::vector<std::string> taken;
        if (row.renameRefusedBefore)
            taken = TakeEveryWorkingName("A.TXT");
        if (!row.renameRefusedBefore) {
            ASSERT_TRUE(row.cut());
        }
        Receipt("A.TXT", "=R1/$100\r\n");
        StartWorker(Settings(1));
        if (row.renameRefusedBefore) {
            ASSERT_TRUE(WaitFor([&] { return count_of(LogText(), "NON SPOSTABILE") == 1; }, 15000));
            ASSERT_TRUE(row.cut());
            for (const std::string& name : taken)
                ASSERT_TRUE(DeleteFileA(name.c_str()));
        }
        ASSERT_TRUE(WaitFor([&] { return view_.Count(ServiceState::Suspended) > suspended; }, 15000));
        ASSERT_TRUE(DeleteFileA(Path("A.TXT").c_str()));
        ASSERT_TRUE(RemoveDirectoryA(shared_.c_str()));
        const bool made = CreateDirectoryA(shared_.c_str(), nullptr) != FALSE;
        ASSERT_TRUE(row.mend());
        ASSERT_TRUE(made);
        Receipt("B.TXT", "=R2/$200\r\n");
        ASSERT_TRUE(WaitGone("B.TXT"));
        EXPECT_EQ("=R2/$200", Received());
        worker_.RequestStop();
        ASSERT_TRUE(worker_.WaitEnded(10000));
    }
}

// A receipt claimed before its link (its rename was refused once) whose
// name the shop gives a new file while the register is waited for: nothing
// of it was sent, so it stays ours and goes before the new one, also after
// a stop and a new start. Only when the program ends is it left aside, with
// a line that says it was not sent.
TEST_F(WorkerTest, AReceiptWhoseNameIsTakenWhileItWaitsGoesFirst)
{
    enum class Then { Waits, StopAndStart, ProgramEnds };  // while suspended
    const struct {
        const char* name;
        std::function<bool()> cut, mend;
        Then then;
    } rows[] = {
        {"refused connection", [] { peer_->stop(); return true; }, [] { return peer_->start(ip_); },
         Then::Waits},
        {"busy register", [] { reg_->setState('V'); return true; }, [] { reg_->setState('I'); return true; },
         Then::Waits},
        {"busy register, a stop and a start", [] { reg_->setState('V'); return true; },
         [] { reg_->setState('I'); return true; }, Then::StopAndStart},
        {"busy register, the program ends", [] { reg_->setState('V'); return true; },
         [] { reg_->setState('I'); return true; }, Then::ProgramEnds},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        peer_->clearRecord();
        HoldWhileSuspended("A.TXT", "=R1/$100\r\n", "=R2/$200\r\n", row.cut);
        ASSERT_FALSE(HasFatalFailure());
        if (row.then != Then::Waits) {
            worker_.RequestStop();
            ASSERT_TRUE(worker_.WaitEnded(10000));
        }
        if (row.then == Then::ProgramEnds) {
            worker_.ReleaseHeld(true);
            ASSERT_TRUE(row.mend());
            EXPECT_EQ(1, count_of(LogText(), "SCONTRINO NON INVIATO E LASCIATO DA PARTE: A.TXT (FILE A.TXT.INVIO)"))
                << LogText();
            EXPECT_EQ("=R1/$100\r\n", testutil::read_file(Path("A.TXT.INVIO")));
            EXPECT_EQ("=R2/$200\r\n", testutil::read_file(Path("A.TXT")));
            EXPECT_EQ("", Received());
            continue;
        }
        if (row.then == Then::StopAndStart)
            StartWorker(Settings(1));
        ASSERT_TRUE(row.mend());
        ASSERT_TRUE(WaitGone("A.TXT"));
        EXPECT_EQ("=R1/$100=R2/$200", Received());
        EXPECT_EQ(0, count_of(LogText(), "DA PARTE")) << LogText();  // the last row's comes after
        worker_.RequestStop();
        ASSERT_TRUE(worker_.WaitEnded(10000));
    }
}

// A held receipt belongs to its shared folder. When the bridge starts on
// another, or the program ends, it goes back under its own name or, when it
// cannot (a new file took the name, the folder is out of reach), it is left
// aside with a line in the log in force; only one the shop removed goes
// without a line. Nothing of it goes from the new folder, where a working
// file of the same name that a bridge left is still told.
TEST_F(WorkerTest, AHeldReceiptStaysWithItsSharedFolder)
{
    using Change = std::function<std::string(const std::string& old, const std::string& away)>;
    const Change outOfReach = [](const std::string& old, const std::string& away) {
        EXPECT_TRUE(MoveFileA(old.c_str(), away.c_str()));
        return away + "\\A.TXT.INVIO";
    };
    const struct {
        const char* name;
        Change change;  // to the old folder; where the held text is then
        int leftAside;  // lines
        bool programEnds;
    } rows[] = {
        {"its name taken", [](const std::string& old, const std::string&) { return old + "\\A.TXT.INVIO"; },
         1, false},
        {"its name free again",
         [](const std::string& old, const std::string&) {
             EXPECT_TRUE(DeleteFileA((old + "\\A.TXT").c_str()));
             return old + "\\A.TXT";
         },
         0, false},
        {"its file removed by the shop",
         [](const std::string& old, const std::string&) {
             EXPECT_TRUE(DeleteFileA((old + "\\A.TXT.INVIO").c_str()));
             return std::string();
         },
         0, false},
        {"its folder out of reach", outOfReach, 1, false},
        {"its folder out of reach, the program ends", outOfReach, 1, true},
    };
    const std::string line = "SCONTRINO NON INVIATO E LASCIATO DA PARTE: A.TXT (FILE A.TXT.INVIO)";
    const std::string stale =
        "SCONTRINO IN INVIO ALLA CHIUSURA PRECEDENTE, NON VIENE INVIATO DI NUOVO: A.TXT - VERIFICARE LA CASSA "
        "(FILE A.TXT.INVIO)";
    int made = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        reg_->setState('I');
        peer_->clearRecord();
        HoldWhileSuspended("A.TXT", "=R1/$100\r\n", "=R3/$300\r\n", [] { reg_->setState('V'); return true; });
        ASSERT_FALSE(HasFatalFailure());
        worker_.RequestStop();
        ASSERT_TRUE(worker_.WaitEnded(10000));
        reg_->setState('I');
        const std::string n = std::to_string(++made);
        const std::string held = row.change(shared_, folder_ + "\\away" + n);
        // Another shared folder, and a log of that start (or of the end).
        shared_ = folder_ + "\\in" + n;
        ASSERT_TRUE(CreateDirectoryA(shared_.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA((folder_ + "\\log" + n).c_str(), nullptr));
        log_.Close();
        ASSERT_TRUE(log_.Open(folder_ + "\\log" + n, 0));
        if (row.programEnds) {
            worker_.ReleaseHeld(true);
            EXPECT_EQ("", Received());
        } else {
            Receipt("A.TXT.INVIO", "=R9/$900\r\n");
            Receipt("B.TXT", "=R2/$200\r\n");
            StartWorker(Settings(1));
            ASSERT_TRUE(WaitGone("B.TXT"));
            EXPECT_EQ("=R2/$200", Received());
            EXPECT_TRUE(WaitFor([&] { return count_of(LogText(), stale) >= 1; }, 5000));
            EXPECT_EQ(1, count_of(LogText(), stale)) << LogText();
            worker_.RequestStop();
            ASSERT_TRUE(worker_.WaitEnded(10000));
        }
        EXPECT_EQ(row.leftAside, count_of(LogText(), line)) << LogText();
        if (!held.empty()) {
            EXPECT_EQ("=R1/$100\r\n", testutil::read_file(held));
        }
    }
}

// A working file that a bridge left behind is told once by this process,
// also when the shared folder is given again in other letter case.
TEST_F(WorkerTest, AWorkingFileLeftBehindIsToldOnce)
{
    Receipt("A.TXT.INVIO", "=R1/$100\r\n");
    std::string upper = shared_;
    CharUpperA(&upper[0]);
    const std::string line = "IN INVIO ALLA CHIUSURA PRECEDENTE";
    for (const std::string& folder : {shared_, upper}) {
        SCOPED_TRACE(folder);
        BridgeSettings s = Settings(1);
        s.Cartella = folder;
        StartWorker(s);
        ASSERT_TRUE(WaitFor([&] { return count_of(LogText(), line) >= 1; }, 15000));
        ASSERT_TRUE(WaitPasses(2));
        worker_.RequestStop();
        ASSERT_TRUE(worker_.WaitEnded(10000));
        EXPECT_EQ(1, count_of(LogText(), line)) << LogText();
    }
    EXPECT_EQ(0, Connections());
}

// Held receipts go first, in the order they were claimed, once nothing
// keeps them from the register. The rows run in order on the same two:
// A.TXT held, then B.TXT held while A.TXT.INVIO cannot be read.
TEST_F(WorkerTest, HeldReceiptsStayHeldUntilTheyCanGo)
{
    const auto busy = [] { reg_->setState('V'); return true; };
    HoldWhileSuspended("A.TXT", "=R1/$100\r\n", "=R3/$300\r\n", busy);
    ASSERT_FALSE(HasFatalFailure());
    worker_.RequestStop();
    ASSERT_TRUE(worker_.WaitEnded(10000));
    reg_->setState('I');
    const std::string unreadable = "(FILE) SCONTRINO NON LEGGIBILE, LASCIATO NELLA CARTELLA: ";
    const struct {
        const char* name;
        std::function<void()> run;
    } rows[] = {
        // It opens no link and stays held.
        {"one that cannot be read",
         [&] {
             HANDLE lock = CreateFileA(Path("A.TXT.INVIO").c_str(), GENERIC_READ, 0, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
             ASSERT_NE(INVALID_HANDLE_VALUE, lock);
             HoldWhileSuspended("B.TXT", "=R2/$200\r\n", "=R4/$400\r\n", busy);
             worker_.RequestStop();
             EXPECT_TRUE(worker_.WaitEnded(10000));
             CloseHandle(lock);
             EXPECT_EQ(1, count_of(LogText(), unreadable + "A.TXT.INVIO"));
             // One link each, for the refused renames.
             EXPECT_EQ(2, Connections());
             EXPECT_EQ("", Received());
         }},
        // Its link waited for, the first stays held, and so does the second
        // (one lost would not go first in the next row).
        {"a stop while the first waits for the register",
         [&] {
             reg_->setState('V');
             const int suspended = view_.Count(ServiceState::Suspended);
             StartWorker(Settings(1));
             ASSERT_TRUE(WaitFor([&] { return view_.Count(ServiceState::Suspended) > suspended; }, 15000));
             worker_.RequestStop();
             ASSERT_TRUE(worker_.WaitEnded(10000));
             reg_->setState('I');
             EXPECT_TRUE(Exists("A.TXT.INVIO"));
             EXPECT_TRUE(Exists("B.TXT.INVIO"));
             EXPECT_EQ("", Received());
         }},
        // While the first's status is asked; both go once the folder is back.
        {"the shared folder lost while the first is sent",
         [&] {
             std::atomic<bool> moved{false}, movedAway{false};
             AckHook hook([&](int) {
                 if (!moved.exchange(true))
                     movedAway = MoveFileA(shared_.c_str(), (folder_ + "\\away").c_str()) != FALSE;
             });
             StartWorker(Settings(1));
             ASSERT_TRUE(WaitFor([&] { return movedAway.load(); }, 15000));
             ASSERT_TRUE(WaitFor([&] { return count_of(LogText(), "(CARTELLA)") == 1; }, 15000));
             EXPECT_EQ(0, count_of(LogText(), unreadable + "B.TXT.INVIO"));
             ASSERT_TRUE(MoveFileA((folder_ + "\\away").c_str(), shared_.c_str()));
             ASSERT_TRUE(WaitGone("A.TXT"));
             ASSERT_TRUE(WaitGone("B.TXT"));
             EXPECT_EQ(0u, Received().find("=R1/$100=R2/$200"));
             EXPECT_EQ(4, count_of(Received(), "=R"));
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        row.run();
        ASSERT_FALSE(HasFatalFailure());
        EXPECT_EQ(0, count_of(LogText(), "DA PARTE")) << LogText();
    }
}

// A receipt the shop deletes after the listing, before its turn, is no
// more: no line says it waits in the folder, then or when a new file of
// its name comes.
TEST_F(WorkerTest, AReceiptDeletedBeforeItsTurnIsNotLogged)
{
    peer_->setScript(std::vector<TcpAnswer>(3, TcpAnswer::nak()));  // the first takes seconds
    Receipt("A.TXT", "=R1/$100\r\n");
    Receipt("B.TXT", "=R2/$200\r\n");
    StartWorker(Settings(1));
    std::string first;
    ASSERT_TRUE(WaitFor([&] {
        first = Exists("A.TXT.INVIO") ? "A.TXT" : Exists("B.TXT.INVIO") ? "B.TXT" : "";
        return !first.empty();
    }, 15000));
    const std::string other = first == "A.TXT" ? "B.TXT" : "A.TXT";
    ASSERT_TRUE(DeleteFileA(Path(other).c_str()));
    ASSERT_TRUE(WaitGone(first));
    ASSERT_TRUE(WaitPasses(2));
    Receipt(other, "=R3/$300\r\n");
    ASSERT_TRUE(WaitGone(other));
    EXPECT_EQ(0, count_of(LogText(), "(FILE)")) << LogText();
    EXPECT_EQ(1, count_of(Received(), "=R3/$300"));
}

TEST_F(WorkerTest, VanishedFolderSuspendsAndRecovers)
{
    StartWorker(Settings(1));
    ASSERT_TRUE(WaitPasses(1));
    std::string away = folder_ + "\\away";
    ASSERT_TRUE(MoveFileA(shared_.c_str(), away.c_str()));
    bool suspended = WaitFor([&] { return view_.Count(ServiceState::Suspended) >= 1; }, 10000);
    EXPECT_TRUE(WaitPasses(2));
    ASSERT_TRUE(MoveFileA(away.c_str(), shared_.c_str()));
    ASSERT_TRUE(suspended);
    Receipt("N.TXT", "=R1/$100\r\n");
    ASSERT_TRUE(WaitGone("N.TXT"));
    EXPECT_EQ(1, view_.Count(ServiceState::Resumed));
    EXPECT_EQ(1, count_of(LogText(), " (CARTELLA) ERRORE ACCESSO CARTELLA CONDIVISA: "));
}
