// Current and archived sales from the simulated register in this process.

#include "brisal.h"
#include "ecr_result.h"
#include "ecrpace.h"
#include "ecrsales.h"
#include "ecrsalescsv.h"
#include "sim_fixture.h"
#include "sim_tables.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace ecrsim;
using simtest::local_path;
using testutil::file_exists;
using testutil::lines_of;
using testutil::read_file;

SimSalesEntry entry(int id, const char* descr, int base)
{
    SimSalesEntry e;
    e.id = id;
    e.descr = descr;
    e.ivaDescr = "IVA 22";
    e.ivaAliquota = 2200;
    for (int k = 0; k < 5; ++k)
        e.totals[k] = base + k;
    return e;
}

class Sales : public simtest::RegisterTest {
protected:
    void SetUp() override
    {
        simtest::RegisterTest::SetUp();
        if (HasFatalFailure())
            return;
        reg().setBusyInfos(1);
        ecr_pace.busy_poll_ms = 50;
        dir_ = local_path("sales_" + std::to_string(GetCurrentProcessId()));
        CreateDirectoryA(dir_.c_str(), nullptr);
        delete_sales_csv(dir_.c_str());
    }
    void TearDown() override
    {
        delete_sales_csv(dir_.c_str());
        RemoveDirectoryA(dir_.c_str());
        simtest::RegisterTest::TearDown();
    }
    std::string csv(const char* kind, uint32_t date)
    {
        return dir_ + "\\VEND_" + kind + "_" + simCompactDate(date) + ".CSV";
    }
    std::vector<std::string> setupCommands()
    {
        std::vector<std::string> out;
        for (const auto& c : reg().commands())
            if (c.compare(0, 5, "SETUP") == 0)
                out.push_back(c);
        return out;
    }
    const std::vector<std::string> paired_{"SETUP 1", "SETUP 0"};
    std::string dir_;
};

// The conversion's rules are test_csv's; here the register's current sales
// file reaches it and its two texts land under the file's date.
TEST_F(Sales, CurrentSalesAcrossBlocks)
{
    SimSalesDay day;
    day.date = simSeconds(3, 4, 25) + 3600;
    for (int i = 0; i < 6; ++i)
        day.reparti.push_back(entry(i + 1, "REP", 10 * i));
    day.plu.push_back(entry(99999, "ACQUA", 500));
    installVendcorr(reg(), day);
    EXPECT_EQ(1, ecr_recv_vend_corrente(host(), dir_.c_str()));
    const std::string bytes = buildSalesFile(day);
    std::string rep, plu;
    SalesFileInfo info;
    ASSERT_TRUE(sales_to_csv(std::vector<uint8_t>(bytes.begin(), bytes.end()), rep, plu, &info));
    EXPECT_EQ(7u, lines_of(rep).size());
    EXPECT_EQ(rep, read_file(csv("REP", day.date)));
    EXPECT_EQ(plu, read_file(csv("PLU", day.date)));
    auto commands = reg().commands();
    EXPECT_NE(commands.end(), std::find(commands.begin(), commands.end(), "VENDCORR"));
    EXPECT_EQ(paired_, setupCommands());
    EXPECT_FALSE(file_exists(local_path("VENDCORR.DAT")));
    EXPECT_FALSE(file_exists(local_path("ART_VENDUTI.BIN")));
}

TEST_F(Sales, NothingSoldAndTheErrorFlag)
{
    SimSalesDay day;
    day.date = simSeconds(1, 1, 25);
    installVendcorr(reg(), day);
    EXPECT_EQ(0, ecr_recv_vend_corrente(host(), dir_.c_str()));
    EXPECT_FALSE(file_exists(csv("REP", day.date)));
    EXPECT_EQ(paired_, setupCommands());

    reg().clearCommands();
    day.errorFlag = 1;
    day.reparti.push_back(entry(1, "X", 0));
    installVendcorr(reg(), day);
    testutil::write_file(csv("REP", day.date), "old");
    EXPECT_EQ(ERR_REG_IN_ERRORE, ecr_recv_vend_corrente(host(), dir_.c_str()));
    EXPECT_FALSE(file_exists(csv("REP", day.date)));
    EXPECT_EQ(paired_, setupCommands());
    EXPECT_EQ(0, reg().info().setup);
}

TEST_F(Sales, ArchiveSkipsTheMissingDay)
{
    SimSalesDay d1, d3;
    d1.date = simSeconds(28, 2, 24);
    d1.reparti.push_back(entry(2, "PANE", 1));
    d3.date = simSeconds(1, 3, 24);  // 29/02/24 has no file
    d3.reparti.push_back(entry(3, "LATTE", 2));
    d3.plu.push_back(entry(4, "BURRO", 3));
    putArchivedDay(reg(), d1);
    putArchivedDay(reg(), d3);
    testutil::ScopedEnv trace("ECR_TRACE", "1");
    EXPECT_EQ(2, ecr_recv_vend_storico(host(), dir_.c_str(), 28, 2, 24, 1, 3, 24));
    // Each day's line counts the days converted so far.
    const struct { const char* day; int count; const char* esito; } days[] = {
        {"280224", 1, "0"}, {"290224", 1, "ERR_TRANSFER_FAILED"}, {"010324", 2, "0"}};
    std::vector<std::string> expected, seen;
    for (const auto& d : days)
        expected.push_back(std::string("ecr_recv_vend_storico -- info : pathname='") +
                           local_path(std::string("VEND") + d.day + ".DAT") + "' count='" +
                           std::to_string(d.count) + "' esito='" + d.esito + "'");
    for (const std::string& line : lines_of(simtest::trace_text()))
        if (line.find("-- info : ") != std::string::npos)
            seen.push_back(line.substr(line.find(' ') + 1));
    EXPECT_EQ(expected, seen);
    EXPECT_TRUE(file_exists(csv("REP", d1.date)));
    EXPECT_FALSE(file_exists(csv("PLU", d1.date)));
    EXPECT_TRUE(file_exists(csv("REP", d3.date)));
    EXPECT_TRUE(file_exists(csv("PLU", d3.date)));
    EXPECT_EQ(1, server().countEvents("RRQ VEND290224.DAT"));
    EXPECT_EQ(paired_, setupCommands());
}

TEST_F(Sales, ArchiveDoesNotTakeABrokenTransferForAMissingDay)
{
    SimSalesDay d;
    d.date = simSeconds(10, 4, 24);
    for (int i = 0; i < 8; ++i)
        d.reparti.push_back(entry(i + 1, "REPARTO", i));  // more than one block
    putArchivedDay(reg(), d);

    const struct {
        const char* name;
        TftpFaults faults;
    } rows[] = {
        {"data stops after block 1", [] { TftpFaults f; f.stopAfterBlock = 1; return f; }()},
        {"\"no such file\" after block 1", [] { TftpFaults f; f.errorAfterBlock = 1; return f; }()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        reg().clearCommands();
        server().setFaults(row.faults);
        EXPECT_EQ(ERR_TRANSFER_FAILED,
                  ecr_recv_vend_storico(host(), dir_.c_str(), 10, 4, 24, 10, 4, 24));
        server().setFaults(TftpFaults());
        EXPECT_FALSE(file_exists(csv("REP", d.date)));
        EXPECT_EQ(paired_, setupCommands());
    }
}

TEST_F(Sales, BadRangesSendNothing)
{
    const struct {
        const char* name;
        int from[3], to[3];
    } rows[] = {
        {"reversed", {2, 3, 24}, {1, 3, 24}},
        {"no such day", {30, 2, 24}, {1, 3, 24}},
        {"negative", {1, 1, -1}, {1, 1, 1}},
        {"year 100", {1, 1, 99}, {1, 1, 100}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        server().clearEvents();
        EXPECT_EQ(ECR_ERR_PARAMETRI,
                  ecr_recv_vend_storico(host(), dir_.c_str(), row.from[0], row.from[1],
                                        row.from[2], row.to[0], row.to[1], row.to[2]));
        EXPECT_TRUE(server().events().empty());
    }
}

// A header that counts more entries than its blocks hold still gives the
// entries there are; only a section past the end of the file is refused,
// and then the other days' files go too.
TEST_F(Sales, OnlyASectionPastTheEndOfTheFileIsRefused)
{
    SimSalesDay d1, d2;
    d1.date = simSeconds(5, 5, 25);
    for (int i = 0; i < 4; ++i)
        d1.reparti.push_back(entry(i + 1, "A", i));  // one full block
    d2.date = simSeconds(6, 5, 25);
    d2.reparti.push_back(entry(7, "B", 0));
    putArchivedDay(reg(), d2);
    const struct {
        const char* name;
        int offset;  // header byte changed in the first day's file
        char value;
        int result;
        size_t firstDayLines;  // 0: no file
    } rows[] = {
        {"six entries counted, four in the block", 27, 6, 2, 5},
        {"department section of two blocks, one in the file", 73, 4, ERR_FILE_CREATION, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::string bytes = buildSalesFile(d1);
        bytes[row.offset] = row.value;
        reg().putFile("VEND050525.DAT", bytes);
        EXPECT_EQ(row.result, ecr_recv_vend_storico(host(), dir_.c_str(), 5, 5, 25, 6, 5, 25));
        EXPECT_EQ(row.firstDayLines, lines_of(read_file(csv("REP", d1.date))).size());
        EXPECT_EQ(row.result > 0, file_exists(csv("REP", d2.date)));
        EXPECT_FALSE(file_exists(local_path("VEND050525.DAT")));
    }
}

// A register that is in set-up mode already is used as it is and left so,
// whatever the outcome.
TEST_F(Sales, ARegisterAlreadyInSetupStaysInIt)
{
    SimSalesDay day;
    day.date = simSeconds(3, 4, 25);
    day.reparti.push_back(entry(1, "PANE", 1));
    putArchivedDay(reg(), day);
    const struct {
        const char* name;
        int errorFlag;
        std::function<int()> call;
        int result;
    } rows[] = {
        {"current sales", 0, [&] { return ecr_recv_vend_corrente(host(), dir_.c_str()); }, 1},
        {"current sales refused", 1,
         [&] { return ecr_recv_vend_corrente(host(), dir_.c_str()); }, ERR_REG_IN_ERRORE},
        {"archived sales", 0,
         [&] { return ecr_recv_vend_storico(host(), dir_.c_str(), 3, 4, 25, 3, 4, 25); }, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        day.errorFlag = row.errorFlag;
        installVendcorr(reg(), day);
        reg().runCommand("SETUP 1");
        reg().clearCommands();
        EXPECT_EQ(row.result, row.call());
        EXPECT_TRUE(setupCommands().empty());
        EXPECT_EQ(1, reg().info().setup);
        EXPECT_EQ(row.result > 0, file_exists(csv("REP", day.date)));
    }
}

}  // namespace
