// The command channel (COMMAND.TXT / RESPONSE.TXT), the status gates and
// ecr_command against a simulated register on loopback.

#include "brisal.h"
#include "ecr_result.h"
#include "ecrcmd.h"
#include "sim_fixture.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

using simtest::contains;
using simtest::local_path;
using simtest::pattern;
using simtest::trace_text;
using Commands = std::vector<std::string>;

namespace {

class Status : public simtest::RegisterTest {};

TEST_F(Status, GateMatrix)
{
    const struct {
        const char* raw;  // nullptr: the fields below
        char state; int stati, hst, cmd, setup;
        int gate, hstOut, scoFis;
        const char* stato; const char* hstText;
    } rows[] = {
        {nullptr, 'V', 1, 0, 0, 0, 0, 0, 1, "V", "N"},
        {nullptr, 'I', 1, 0, 0, 0, 0, 0, 0, "I", "N"},
        {nullptr, 'I', 1, 1, 0, 0, 0, 1, 0, "I", "S"},
        {nullptr, 'I', 1, 0, 1, 0, ERR_REG_NON_DISP, 0, 0, "C", "N"},
        {nullptr, 'V', 1, 0, 1, 0, ERR_REG_NON_DISP, 0, 0, "C", "N"},
        {nullptr, 'R', 1, 0, 0, 0, ERR_REG_NON_DISP, 0, 0, "R", "N"},
        {nullptr, 'I', 0, 0, 0, 1, ERR_REG_NON_DISP, 0, 0, "S", "N"},
        {nullptr, 'I', 0, 0, 0, 0, ERR_REG_IN_ERRORE, 0, 0, "E", "N"},
        {"ECR=I,STATI=1,CMD=0", 0, 0, 0, 0, 0, 0, 1, 0, "I", "S"},
        // A key's value is the one character behind it, whatever it is: digits
        // count as the character minus '0', the state letter as it stands.
        {"ECR=I,STATI=1,HST_CONN=x,CMD=0", 0, 0, 0, 0, 0, 0, 'x' - '0', 0, "I", "S"},
        {"ECR=I,STATI=1,HST_CONN=0,CMD=x", 0, 0, 0, 0, 0, ERR_REG_NON_DISP, 0, 0, "C", "N"},
        {"ECR=I,STATI=?,HST_CONN=0,SETUP=1", 0, 0, 0, 0, 0, 0, 0, 0, "I", "N"},
        {"ECR=,STATI=1,HST_CONN=0", 0, 0, 0, 0, 0, ERR_REG_NON_DISP, 0, 0, ",", "N"},
        {"garbage", 0, 0, 0, 0, 0, ERR_REG_IN_ERRORE, 1, 0, "E", "S"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.raw ? row.raw : std::string(1, row.state) + " stati " +
                                             std::to_string(row.stati) + " cmd " +
                                             std::to_string(row.cmd));
        reg().setRawInfo(row.raw ? row.raw : "");
        if (!row.raw) {
            ecrsim::InfoFields f;
            f.state = row.state;
            f.stati = row.stati;
            f.hostConn = row.hst;
            f.cmd = row.cmd;
            f.setup = row.setup;
            reg().setInfo(f);
        }
        int hst = 77, fis = 77;
        EXPECT_EQ(row.gate, ecr_get_status(host(), &hst, &fis));
        EXPECT_EQ(row.hstOut, hst);
        EXPECT_EQ(row.scoFis, fis);
        EXPECT_EQ(row.gate, ecr_get_status(host(), nullptr, nullptr));

        char stato[2] = {'?', '?'}, hc[2] = {'?', '?'};
        EXPECT_EQ(0, ecr_get_status_new(host(), stato, hc));
        EXPECT_STREQ(row.stato, stato);
        EXPECT_STREQ(row.hstText, hc);
    }
}

TEST_F(Status, FailedQueryLeavesMinusOneAndEmptyTexts)
{
    ecrsim::TftpFaults f;
    f.errorAlwaysCode = 2;  // the register refuses COMMAND.TXT
    server().setFaults(f);
    int hst = 5, fis = 5;
    EXPECT_EQ(ERR_TRANSFER_FAILED, ecr_get_status(host(), &hst, &fis));
    EXPECT_EQ(-1, hst);
    EXPECT_EQ(0, fis);
    char stato[2] = {'?', '?'}, hc[2] = {'?', '?'};
    EXPECT_EQ(ERR_TRANSFER_FAILED, ecr_get_status_new(host(), stato, hc));
    EXPECT_STREQ("", stato);
    EXPECT_STREQ("", hc);
    EXPECT_EQ(ERR_INVALID_IP_ADDRESS, ecr_get_status("0.0.0.0", &hst, &fis));
    EXPECT_EQ(-1, hst);
}

TEST_F(Status, TraceOfAStatusQuery)
{
    testutil::ScopedEnv trace("ECR_TRACE", "1");
    reg().setState('V');
    int hst = 0, fis = 0;
    ASSERT_EQ(0, ecr_get_status(host(), &hst, &fis));
    std::string log = trace_text();
    const std::vector<std::string> lines = {
             " ecr_get_status -- begin: hostname='" + std::string(host()) + "'",
             " ecr_send_cmd_txt: command='INFO'\n",
             " ecr_recv_resp_txt: rsp='" + reg().infoText() + ",'\n",
             " ecr_recv_resp_txt: ecr='V'\n", " ecr_recv_resp_txt: stati='1'\n",
             " ecr_recv_resp_txt: hst_conn='0'\n", " ecr_recv_resp_txt: cmd='0'\n",
             " ecr_recv_resp_txt: setup='0'\n",
             " ecr_get_status -- end  : esito='0' hst_conn='0' sco_fis='1'\n"};
    for (const auto& line : lines) {
        SCOPED_TRACE(line);
        EXPECT_TRUE(contains(log, line)) << log;
    }
    // The working files are gone again.
    EXPECT_FALSE(testutil::file_exists(local_path("COMMAND.TXT")));
    EXPECT_FALSE(testutil::file_exists(local_path("RESPONSE.TXT")));
}

TEST_F(Status, InfoAnswerIsBoundedByRsplen)
{
    reg().setRawInfo("ECR=I,STATI=1,HST_CONN=0,CMD=0,SETUP=0,VERSIONE=XYZ");
    char rsp[600];
    ASSERT_EQ(0, ecr_command(host(), nullptr, 0, rsp, sizeof rsp));
    EXPECT_STREQ("ECR=I,STATI=1,HST_CONN=0,CMD=0,SETUP=0,VERSIONE=XYZ,", rsp);

    for (int len : {12, 2, 1}) {
        SCOPED_TRACE(len);
        std::memset(rsp, '#', sizeof rsp);
        ASSERT_EQ(0, ecr_command(host(), nullptr, 0, rsp, len));
        std::string expected = std::string("ECR=I,STATI=1", len - 2 > 0 ? len - 2 : 0);
        if (len >= 2)
            expected += ",";
        EXPECT_EQ(expected, rsp);
        EXPECT_EQ('#', rsp[len]);  // nothing beyond rsplen
    }
    // A long answer into the shared buffer stays inside it too.
    reg().setRawInfo("ECR=I,STATI=1," + std::string(2000, 'x'));
    int stati = 0;
    ASSERT_EQ(0, ecr_info_shared(ip(), nullptr, &stati, nullptr, nullptr, nullptr));
    EXPECT_EQ(1, stati);
    EXPECT_EQ(size_t(ECR_INFO_SIZE - 1), std::strlen(ecr_info_text()));
    EXPECT_EQ(0, ecr_command(host(), nullptr, 0, nullptr, 0));
}

TEST_F(Status, RequestsSendTheirCommands)
{
    reg().setBusyInfos(0);
    const struct { int request; Commands sent; } rows[] = {
        {0, {"INFO"}},
        {1, {"SETUP 1"}},
        {2, {"SETUP 0"}},
        {3, {"AZZDATI", "INFO"}},
        {4, {"AZZFAT", "INFO"}},
        {5, {"AZZVEN_CORR", "INFO"}},
        {8, {"AZZFIS"}},
        {9, {"AZZVEN_ARCH", "INFO"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.request);
        reg().clearCommands();
        EXPECT_EQ(0, ecr_command(host(), nullptr, row.request, nullptr, 0));
        EXPECT_EQ(row.sent, reg().commands());
    }
    EXPECT_EQ(0, reg().info().setup);
}

TEST_F(Status, UnknownRequestsTouchNothing)
{
    for (int request : {10, -1, 100}) {
        SCOPED_TRACE(request);
        server().clearEvents();
        char rsp[16] = "old";
        EXPECT_EQ(ERR_INVALID_REQUEST_ID, ecr_command(host(), nullptr, request, rsp, sizeof rsp));
        EXPECT_STREQ("", rsp);
        EXPECT_TRUE(server().events().empty());
    }
    EXPECT_EQ(ERR_INVALID_IP_ADDRESS, ecr_command("0.0.0.0", nullptr, 10, nullptr, 0));
}

TEST_F(Status, CommandPollsUntilTheRegisterIsDone)
{
    reg().setBusyInfos(2);
    DWORD t0 = GetTickCount();
    ASSERT_EQ(0, ecr_command(host(), nullptr, 9, nullptr, 0));
    DWORD ms = GetTickCount() - t0;
    EXPECT_EQ((Commands{"AZZVEN_ARCH", "INFO", "INFO", "INFO"}), reg().commands());
    EXPECT_GE(ms, 2900u);  // one second before each query
    EXPECT_LT(ms, 10000u);

    // A register that never finishes: the wait has an end.
    reg().setBusyInfos(-1);
    ASSERT_EQ(0, ecr_command(host(), nullptr, 8, nullptr, 0));
    t0 = GetTickCount();
    EXPECT_EQ(ERR_TIMEOUT, ecr_wait_cmd_done(ip(), 200, 1000));
    EXPECT_LT(GetTickCount() - t0, 5000u);
}

TEST(FileList, NamesAndCaseInsensitiveCheck)
{
    int n = 0;
    while (ecr_files_list[n])
        ++n;
    EXPECT_EQ(13, n);
    EXPECT_STREQ("LOG.BIN", ecr_files_list[0]);
    EXPECT_STREQ("FATTURE.BIN", ecr_files_list[12]);
    const struct { const char* name; bool ok; } rows[] = {
        {"PLU.BIN", true},          {"C:\\shop\\plu.bin", true}, {"fatture.BIN", true},
        {"x\\PROG_PARAM.BIN", true}, {"PLU.BIN.BAK", false},     {"PLU", false},
        {"", false},                {"C:\\PLU.BIN\\", false},    {"COMMAND.TXT", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.ok, ecr_file_allowed(row.name));
    }
    EXPECT_FALSE(ecr_file_allowed(nullptr));
}

TEST_F(Status, FileRequestsCheckNamesAndFiles)
{
    std::string missing = local_path("CORTESIA.BIN");
    std::string empty = local_path("LOGO.BIN");
    std::string lower = local_path("plu.bin");
    DeleteFileA(missing.c_str());
    testutil::write_file(empty, "");
    testutil::write_file(lower, pattern(700));
    std::string other = local_path("OTHER.BIN");
    testutil::write_file(other, "x");
    const struct { std::string path; int request; int rc; } rows[] = {
        {other, 6, ERR_INVALID_FILENAME},
        {missing, 6, ERR_FILE_NOT_FOUND},
        {empty, 6, ERR_INVALID_FILESIZE},
        {other, 7, ERR_INVALID_FILENAME},
        {missing, 7, ERR_TRANSFER_FAILED},  // the register has no such file
        {lower, 6, 0},                      // no wait for the price list: not "PLU.BIN"
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path + " request " + std::to_string(row.request));
        reg().clearCommands();
        std::string path = row.path;
        EXPECT_EQ(row.rc, ecr_command(host(), &path[0], row.request, nullptr, 0));
        EXPECT_TRUE(reg().commands().empty());
    }
    EXPECT_FALSE(testutil::file_exists(missing));
    std::string got;
    ASSERT_TRUE(reg().getFile("plu.bin", &got));
    EXPECT_EQ(pattern(700), got);

    reg().putFile("REPARTI.BIN", pattern(900, 4));
    std::string reparti = local_path("REPARTI.BIN");
    EXPECT_EQ(0, ecr_command(host(), &reparti[0], 7, nullptr, 0));
    EXPECT_EQ(pattern(900, 4), testutil::read_file(reparti));
    for (const auto& p : {empty, lower, other, reparti})
        DeleteFileA(p.c_str());
}

TEST_F(Status, PriceListPutWaitsForTheRegister)
{
    reg().setBusyInfos(0);
    std::string path = local_path("PLU.BIN");
    testutil::write_file(path, pattern(2000));
    DWORD t0 = GetTickCount();
    ASSERT_EQ(0, ecr_command(host(), &path[0], 6, nullptr, 0));
    EXPECT_GE(GetTickCount() - t0, 4900u);
    EXPECT_EQ((Commands{"INFO"}), reg().commands());
    DeleteFileA(path.c_str());
}

TEST_F(Status, IdleCheckAndSetupSteps)
{
    std::string file = local_path("IVA.BIN");
    // Busy register: nothing more is sent.
    reg().setHostConnected(true);
    EXPECT_EQ(ERR_REG_NON_DISP, ecr_put_in_setup(host(), file.c_str()));
    EXPECT_EQ((Commands{"INFO"}), reg().commands());
    reg().setHostConnected(false);

    const struct { const char* name; bool put; bool onRegister; int leave; int rc; Commands sent; int leaveOut; } rows[] = {
        {"put ok", true, false, 0, 0, {"INFO", "SETUP 1", "SETUP 0"}, 0},
        {"put fails, set-up left", true, false, 0, ERR_FILE_NOT_FOUND, {"INFO", "SETUP 1", "SETUP 0"}, 0},
        {"get and leave", false, true, 1, 0, {"INFO", "SETUP 1", "SETUP 0"}, 1},
        {"get and stay", false, true, 0, 0, {"INFO", "SETUP 1"}, 0},
        {"get fails, set-up left", false, false, 1, ERR_TRANSFER_FAILED, {"INFO", "SETUP 1", "SETUP 0"}, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        reg().setSetup(0);
        reg().setStati(1);
        reg().clearCommands();
        reg().removeFile("IVA.BIN");
        DeleteFileA(file.c_str());
        if (row.put && row.rc == 0)
            testutil::write_file(file, pattern(300));
        if (row.onRegister)
            reg().putFile("IVA.BIN", pattern(300));
        int leave = row.leave;
        int rc = row.put ? ecr_put_in_setup(host(), file.c_str())
                         : ecr_get_in_setup(host(), file.c_str(), &leave);
        EXPECT_EQ(row.rc, rc);
        EXPECT_EQ(row.sent, reg().commands());
        EXPECT_EQ(row.leaveOut, leave);
    }

    // Already in set-up: no mode switches, and the caller learns it.
    reg().setSetup(1);
    reg().setStati(0);
    reg().putFile("IVA.BIN", pattern(300));
    reg().clearCommands();
    int leave = 0;
    EXPECT_EQ(0, ecr_get_in_setup(host(), file.c_str(), &leave));
    EXPECT_EQ(1, leave);
    EXPECT_EQ((Commands{"INFO"}), reg().commands());
    DeleteFileA(file.c_str());
}

}  // namespace
