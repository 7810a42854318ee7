// Receipt names and cleaning as tables, and the settings load of the
// service: a refused load keeps the fields just read and leaves the running
// worker with the settings it was started with.

#include "bridge_test.h"
#include "bridgeservice.h"
#include "receiptfiles.h"
#include "worker_fixture.h"

using namespace workertest;

TEST(ReceiptFiles, NamesAreAcceptedByNameOrExtension)
{
    const NameList accepted{".TXT", "SCONTR.DAT", ".BAK", ".INVIO"};
    struct Row {
        const char* name;
        int backup;
        bool expected;
    } rows[] = {
        {"A.TXT", 0, true},      {"a.txt", 0, true},     {"SCONTR.DAT", 0, true},
        {"scontr.dat", 0, true}, {"OTHER.DAT", 0, false}, {"TXT", 0, false},
        {"A.BAK", 0, true},      {"A.BAK", 1, false},    {"A.TXT.DOC", 0, false},
        // Working names of receipts being sent are never receipts.
        {"A.TXT.INVIO", 0, false}, {"A.TXT.invio12", 0, false}, {"A.TXT.INVIOX", 0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.expected, IsReceiptName(row.name, accepted, row.backup));
    }
    EXPECT_EQ("A.TXT", ReceiptNameOf("A.TXT.INVIO12"));
    EXPECT_EQ("A.TXT.INVIOX", ReceiptNameOf("A.TXT.INVIOX"));
    EXPECT_EQ("C:\\x\\A.BAK", BackupName("C:\\x\\A.TXT"));
    EXPECT_EQ("C:\\x.y\\A.BAK", BackupName("C:\\x.y\\A"));
}

TEST(ReceiptFiles, CleaningKeepsTheCommandsOnly)
{
    struct Row {
        const char* name;
        std::string text;
        int proto;
        std::vector<std::string> lines;
    } rows[] = {
        {"blank lines", "\r\n\r\nA\r\n\r\n\r\nB\n\nC\r", 0, {"A", "B", "C"}},
        {"comments", ";all\r\nX ; tail\r\n   ;\r\n", 0, {"X"}},
        {"trim", " \t Y Z \t\r\n", 1, {"Y Z"}},
        {"a DOS end-of-file mark on its own last line", "=T1\r\n\x1A", 1, {"=T1"}},
        {"quotes translated", "T DES=\"a\"\r\n", 0, {"T DES=\xB4" "a\xB4"}},
        {"quotes kept", "=\"a\"\r\n", 1, {"=\"a\""}},
        {"empty", "", 0, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.lines, CleanReceipt(row.text, row.proto));
    }
}

class ServiceLoad : public WorkerTest {
protected:
    std::string Ini(const std::string& name, int polltime) const
    {
        std::string path = folder_ + "\\" + name;
        const std::string config(kConfig);
        testutil::write_file(path, "[Info]\r\nEcrIp=" + ip_ +
                                       "\r\nCartella=" + shared_ +
                                       "\r\nOffline=1\r\nPolltime=" + std::to_string(polltime) +
                                       "\r\nExt=TXT\r\n" +
                                       config.substr(config.find("[Comandi]")));
        return path;
    }
};

TEST_F(ServiceLoad, RefusedLoadKeepsTheRunningWorker)
{
    bridgetest::BoxRecorder boxes;
    BridgeService service(&view_);
    ASSERT_EQ(LoadResult::Started, service.Load(Ini("good.ini", 5)));
    EXPECT_TRUE(service.IsRunning());
    EXPECT_EQ(LoadResult::Refused, service.Load(Ini("bad.ini", 0)));
    ASSERT_EQ(1u, bridgetest::boxes().size());
    EXPECT_EQ("Message", bridgetest::boxes()[0].caption);
    EXPECT_TRUE(service.IsRunning());
    EXPECT_EQ(0, service.Settings().polltime) << "the fields are the ones just read";
    // The old worker still does its job.
    Receipt("P.TXT", "CHIUSURA\r\n");
    EXPECT_TRUE(WaitGone("P.TXT"));
    EXPECT_EQ(1, view_.Count(ServiceState::Running));
    // A good reload ends the old worker before the new one starts.
    ASSERT_EQ(LoadResult::Started, service.Load(Ini("good.ini", 5)));
    EXPECT_EQ(1, view_.Count(ServiceState::Ended));
    EXPECT_TRUE(WaitFor([&] { return view_.Count(ServiceState::Running) == 2; }, 5000));
    service.Stop();
    EXPECT_FALSE(service.IsRunning());
    EXPECT_TRUE(service.Worker().StopRequested());
    EXPECT_EQ(2, count_of(testutil::read_file(service.Log().Path()), "INIZIO ELABORAZIONE"));
}
