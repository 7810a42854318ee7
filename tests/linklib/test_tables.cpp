// Register data files to CSV and back, against the simulated register in
// this process.

#include "brisal.h"
#include "ecr_result.h"
#include "ecrpace.h"
#include "sim_fixture.h"
#include "sim_tables.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace ecrsim;
using simtest::local_path;
using testutil::file_exists;
using testutil::lines_of;
using testutil::read_file;
using testutil::write_file;

class Tables : public simtest::RegisterTest {
protected:
    void SetUp() override
    {
        simtest::RegisterTest::SetUp();
        if (HasFatalFailure())
            return;
        reg().setBusyInfos(0);
        ecr_pace.busy_poll_ms = 50;
        csv_ = local_path("tables_" + std::to_string(GetCurrentProcessId()) + ".csv");
        DeleteFileA(csv_.c_str());
    }
    void TearDown() override
    {
        DeleteFileA(csv_.c_str());
        simtest::RegisterTest::TearDown();
    }
    std::vector<std::string> setupCommands()
    {
        std::vector<std::string> out;
        for (const auto& c : reg().commands())
            if (c.compare(0, 5, "SETUP") == 0)
                out.push_back(c);
        return out;
    }
    std::string uploaded(const char* name)
    {
        std::string bytes;
        reg().getFile(name, &bytes);
        return bytes;
    }
    const std::vector<std::string> paired_{"SETUP 1", "SETUP 0"};
    std::string csv_;
};

// The line formats are test_csv's; here the register's file reaches them.
TEST_F(Tables, DepartmentsAllAndChanged)
{
    SimReparto r;
    r.id = 3;
    r.changed = true;
    r.descr = "BEVANDE";
    r.prezzo = 150;
    reg().putFile("REPARTI.BIN", buildReparti({r}));

    EXPECT_EQ(80, ecr_recv_reparti_all(host(), csv_.c_str()));
    auto all = lines_of(read_file(csv_));
    ASSERT_EQ(81u, all.size());
    EXPECT_EQ("3;BEVANDE;1;0;0;1;1;150;0;0;0", all[3]);
    EXPECT_EQ(paired_, setupCommands());

    reg().clearCommands();
    EXPECT_EQ(1, ecr_recv_reparti_mod(host(), csv_.c_str()));
    EXPECT_EQ((std::vector<std::string>{all[0], all[3]}), lines_of(read_file(csv_)));
    EXPECT_EQ(paired_, setupCommands());
    EXPECT_FALSE(file_exists(local_path("REPARTI.BIN")));
}

TEST_F(Tables, NothingChangedLeavesNoCsv)
{
    reg().putFile("PLU.BIN", buildPlu({}));
    write_file(csv_, "old");
    EXPECT_EQ(0, ecr_recv_plu_mod(host(), csv_.c_str()));
    EXPECT_FALSE(file_exists(csv_));
    reg().putFile("CLIENTI.BIN", buildClienti({}));
    EXPECT_EQ(0, ecr_recv_clienti_all(host(), csv_.c_str()));
    EXPECT_FALSE(file_exists(csv_));
}

TEST_F(Tables, WrongSizesAndMissingFilesStillLeaveSetup)
{
    const struct {
        const char* name;
        std::string bytes;
        int(ECR_API* recv)(const char*, const char*);
        int rc;
    } rows[] = {
        {"REPARTI.BIN", buildReparti({}, 3519), ecr_recv_reparti_all, ERR_INVALID_FILESIZE},
        {"REPARTI.BIN", buildReparti({}, 3521), ecr_recv_reparti_mod, ERR_INVALID_FILESIZE},
        {"FATTURE.BIN", buildFatture({}, 512), ecr_recv_fatture, ERR_INVALID_FILESIZE},
        {"CLIENTI.BIN", "", ecr_recv_clienti_mod, ERR_TRANSFER_FAILED},  // not on the register
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name + std::to_string(row.bytes.size()));
        reg().clearCommands();
        reg().removeFile(row.name);
        if (!row.bytes.empty())
            reg().putFile(row.name, row.bytes);
        write_file(csv_, "old");
        EXPECT_EQ(row.rc, row.recv(host(), csv_.c_str()));
        EXPECT_FALSE(file_exists(csv_));
        EXPECT_FALSE(file_exists(local_path(row.name)));
        EXPECT_EQ(paired_, setupCommands());
        EXPECT_EQ(0, reg().info().setup);
    }
}

TEST_F(Tables, BusyRegisterIsNotTouched)
{
    reg().putFile("REPARTI.BIN", buildReparti({}));
    reg().setHostConnected(true);
    EXPECT_EQ(ERR_REG_NON_DISP, ecr_recv_reparti_all(host(), csv_.c_str()));
    write_file(csv_, "1;A;1;1;1;1;1;1;1;1;1\r\n");
    EXPECT_EQ(ERR_REG_NON_DISP, ecr_send_reparti(host(), csv_.c_str()));
    write_file(csv_, "id_reparto\r\n");  // the presets alone wait as well
    EXPECT_EQ(ERR_REG_NON_DISP, ecr_send_reparti(host(), csv_.c_str()));
    EXPECT_TRUE(setupCommands().empty());
    // Already in set-up: used as it is and left so.
    reg().setHostConnected(false);
    reg().runCommand("SETUP 1");
    reg().clearCommands();
    EXPECT_EQ(80, ecr_recv_reparti_all(host(), csv_.c_str()));
    EXPECT_TRUE(setupCommands().empty());
    EXPECT_EQ(1, reg().info().setup);
}

TEST_F(Tables, InvoicesAndCustomers)
{
    SimFattura f;
    f.id = 3000;
    f.tipo = 0xA3;
    f.idCliente = 12;
    f.dataTempo = simSeconds(29, 2, 24) + 3600 * 10 + 61;
    f.importo = 1220;
    f.imponibile = 1000;
    f.imposta = 220;
    f.credito = -3;
    SimFattura first = f;
    first.id = 1;
    reg().putFile("FATTURE.BIN", buildFatture({f, first}));
    EXPECT_EQ(2, ecr_recv_fatture(host(), csv_.c_str()));
    auto invoices = lines_of(read_file(csv_));
    ASSERT_EQ(3u, invoices.size());
    EXPECT_EQ("1;fattura_con_scontr;12;29/02/24-10:01:01;1220;1000;220;-3", invoices[1]);
    EXPECT_EQ("3000;", invoices[2].substr(0, 5));

    SimCliente c;
    c.id = 7;
    c.changed = true;
    c.ragioneSociale = "Rossi srl";
    c.partitaIva = "01234567890";
    reg().putFile("CLIENTI.BIN", buildClienti({c}));
    EXPECT_EQ(1, ecr_recv_clienti_mod(host(), csv_.c_str()));
    EXPECT_EQ("7;Rossi srl;;;01234567890;", lines_of(read_file(csv_)).back());
}

// Field rules and presets are test_csv's; here the preset table with the
// CSV's rows applied is what reaches the register, whatever it held before,
// also when no row applies.
TEST_F(Tables, SendDepartmentsUploadsThePresetsWithTheRows)
{
    SimReparto old;
    old.id = 5;
    old.descr = "VECCHIO";
    old.prezzo = 99;
    const struct {
        const char* name;
        std::string text;
        int result;
        int32_t sconto3;  // department 3's valore_sconto, when the row made it
    } rows[] = {
        {"a good row and an id out of range", "3;BEVANDE;2;1;0;;;150;;;\r\n81;B;1;1;1;1;1;1;1;1;1\r\n", 1, 0},
        {"the end-of-file mark on the last field, junk after it",
         "3;BEVANDE;2;1;0;;;150;;;7\x1A" "4;B;1;1;1;1;1;1;1;1;1\r\n", 1, 7},
        {"the header alone", "id_reparto;descr;iva;batt_sing;tipo_sconto;id_aux_lan;id_gruppo;prezzo;"
                             "min_valore;max_valore;valore_sconto\r\n", 0, 0},
        {"an empty file", "", 0, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        reg().putFile("REPARTI.BIN", buildReparti({old}));
        reg().clearCommands();
        write_file(csv_, row.text);
        EXPECT_EQ(row.result, ecr_send_reparti(host(), csv_.c_str()));
        std::string up = uploaded("REPARTI.BIN");
        ASSERT_EQ(3520u, up.size());
        SimReparto d3 = decodeReparto(up, 3);
        EXPECT_EQ(row.result ? "BEVANDE" : "REPARTO 3", d3.descr);
        EXPECT_EQ(row.result ? 150 : 0, d3.prezzo);
        EXPECT_EQ(row.sconto3, d3.valoreSconto);
        for (int id : {1, 4, 5, 80}) {
            SCOPED_TRACE(id);
            SimReparto d = decodeReparto(up, id);
            EXPECT_EQ("REPARTO " + std::to_string(id), d.descr);
            EXPECT_EQ(0, d.prezzo);
            EXPECT_EQ(1, d.iva);
        }
        EXPECT_EQ(paired_, setupCommands());
        EXPECT_FALSE(file_exists(local_path("REPARTI.BIN")));
    }
}

TEST_F(Tables, RefusedRowsNeverWipeTheTable)
{
    const std::string before = buildReparti({});
    const std::string good = "3;BEVANDE;2;1;0;;;150;;;\r\n";
    const std::string refused = "csv riga scartata: filename='" + csv_ + "' linea=";
    const struct {
        const char* name;
        std::string text;
        std::string traced;  // what the trace says of the refused row
        int result;
    } rows[] = {
        {"refused rows only", "x;A;1;1;1;1;1;1;1;1;1\r\n1;A;1;1;1;1;1;zero;1;1;1\r\n",
         refused + "'2' campo='prezzo' valore='zero'", ECR_ERR_PARAMETRI},
        {"a good row and a price with a comma",
         "id_reparto\r\n\r\n" + good + "4;A;1;1;1;1;1;1,50;1;1;1\r\n",
         refused + "'4' campo='prezzo' valore='1,50'", ECR_ERR_PARAMETRI},
        {"a good row and a line too long",
         good + "4;" + std::string(1100, 'x') + ";1;1;1;1;1;1;1;1;1\r\n",
         "csv riga troppo lunga: filename='" + csv_ + "' linea='2'", ECR_ERR_PARAMETRI},
    };
    testutil::ScopedEnv trace("ECR_TRACE", "1");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        reg().putFile("REPARTI.BIN", before);
        reg().clearCommands();
        write_file(csv_, row.text);
        ecr_log_reset();
        EXPECT_EQ(row.result, ecr_send_reparti(host(), csv_.c_str()));
        EXPECT_EQ(before, uploaded("REPARTI.BIN"));
        EXPECT_TRUE(reg().commands().empty());
        EXPECT_TRUE(simtest::contains(simtest::trace_text(), row.traced));
    }
    DeleteFileA(csv_.c_str());
    EXPECT_EQ(ERR_FILE_NOT_FOUND, ecr_send_reparti(host(), csv_.c_str()));
    EXPECT_EQ(ERR_FILE_NOT_FOUND, ecr_send_clienti(host(), csv_.c_str()));
    EXPECT_TRUE(reg().commands().empty());
}

TEST_F(Tables, SendArticlesWithMarkAndLfEnds)
{
    reg().setBusyInfos(2);  // the register digests the price list
    // The end-of-file mark on the last code, no line end after it.
    write_file(csv_, "\xEF\xBB\xBF" "100000;ACQUA;90;0;1;-30;12345678901234567\n2;;0;;;;4006381\x1A");
    EXPECT_EQ(2, ecr_send_plu(host(), csv_.c_str()));
    std::string up = uploaded("PLU.BIN");
    ASSERT_EQ(6400000u, up.size());
    SimPlu last = decodePlu(up, 100000);
    EXPECT_EQ("ACQUA", last.descr);
    EXPECT_EQ(-30, last.prezzo);
    EXPECT_EQ("4006381", decodePlu(up, 2).codiceEan);
    EXPECT_EQ("PLU 3", decodePlu(up, 3).descr);
    EXPECT_EQ(0, reg().info().cmd);
    EXPECT_EQ(paired_, setupCommands());
}

TEST_F(Tables, SendCustomersMergesIntoTheRegistersFile)
{
    SimCliente c;
    c.id = 5;
    c.changed = true;
    c.kind = 2;
    c.ragioneSociale = "Vecchio";
    c.indirizzo = "Via Roma 1";
    reg().putFile("CLIENTI.BIN", buildClienti({c}));
    write_file(csv_, "id_cliente;ragione_sociale;indirizzo;citta;partita_iva;codice_fiscale\r\n"
                     "5;;;Milano;;\r\n"
                     "9;;;;;RSSMRA80A01H501U\r\n"
                     "1001;A;B;C;D;E\r\n"
                     "12;;;;;RSSMRA80\x1A");  // the end-of-file mark, no line end
    EXPECT_EQ(3, ecr_send_clienti(host(), csv_.c_str()));
    std::string up = uploaded("CLIENTI.BIN");
    ASSERT_EQ(256000u, up.size());
    // Field rules are test_csv's; here the register's own record takes the row.
    SimCliente m = decodeCliente(up, 5);
    EXPECT_EQ("Vecchio", m.ragioneSociale);
    EXPECT_EQ("Via Roma 1", m.indirizzo);
    EXPECT_EQ("Milano", m.citta);
    EXPECT_EQ(std::string(102, 'Z'), up.substr(4 * 256 + 154, 102));  // kept as it was
    EXPECT_EQ("RSSMRA80A01H501U", decodeCliente(up, 9).codiceFiscale);
    EXPECT_EQ("RSSMRA80", decodeCliente(up, 12).codiceFiscale);
    EXPECT_EQ(paired_, setupCommands());

    // No applicable row: nothing uploaded, set-up left all the same.
    reg().clearCommands();
    reg().putFile("CLIENTI.BIN", buildClienti({c}));
    write_file(csv_, "0;A;B;C;D;E\r\n");
    EXPECT_EQ(0, ecr_send_clienti(host(), csv_.c_str()));
    EXPECT_EQ(buildClienti({c}), uploaded("CLIENTI.BIN"));
    EXPECT_EQ(paired_, setupCommands());

    reg().clearCommands();
    reg().putFile("CLIENTI.BIN", buildClienti({c}, 1000));
    write_file(csv_, "5;A;B;C;D;E\r\n");
    EXPECT_EQ(ERR_INVALID_FILESIZE, ecr_send_clienti(host(), csv_.c_str()));
    EXPECT_EQ(paired_, setupCommands());
}

// The exports' own begin lines in the trace, ecr_command with its request:
// which steps a data path went through.
std::vector<std::string> export_steps(const std::string& trace)
{
    std::vector<std::string> steps;
    for (const std::string& line : lines_of(trace)) {
        size_t name = line.find(" ecr_");
        size_t begin = line.find(" -- begin: ");
        if (name == std::string::npos || begin == std::string::npos)
            continue;
        std::string step = line.substr(name + 1, begin - name - 1);
        size_t request = line.find(" request='");
        if (step == "ecr_command" && request != std::string::npos)
            step += " " + line.substr(request + 10, line.find('\'', request + 10) - request - 10);
        steps.push_back(step);
    }
    return steps;
}

// Every data path reaches the register through the set-up helpers: the gate,
// set-up mode and the file itself as ecr_command requests (1 in, 6 put,
// 7 get, 2 out).
TEST_F(Tables, DataPathsGoThroughTheSetupRequests)
{
    reg().putFile("REPARTI.BIN", buildReparti({}));
    SimFattura f;
    f.id = 1;
    f.tipo = 0xA0;
    reg().putFile("FATTURE.BIN", buildFatture({f}));
    SimCliente c;
    c.id = 1;
    c.ragioneSociale = "Rossi";
    c.partitaIva = "01234567890";
    reg().putFile("CLIENTI.BIN", buildClienti({c}));
    const std::vector<std::string> get = {"ecr_get_status_new", "ecr_command 1", "ecr_command 7",
                                          "ecr_command 2"};
    const std::vector<std::string> put = {"ecr_get_status_new", "ecr_command 1", "ecr_command 6",
                                          "ecr_command 2"};
    const struct {
        const char* name;
        std::function<int()> call;
        std::vector<std::string> steps;
    } rows[] = {
        {"ecr_recv_reparti", [&] { return ecr_recv_reparti_all(host(), csv_.c_str()); }, get},
        {"ecr_recv_fatture", [&] { return ecr_recv_fatture(host(), csv_.c_str()); }, get},
        {"ecr_send_reparti",
         [&] {
             write_file(csv_, "1;CAFFE;1;0;0;1;1;100;0;0;0\r\n");
             return ecr_send_reparti(host(), csv_.c_str());
         },
         put},
        {"ecr_send_clienti",
         [&] {
             write_file(csv_, "1;;;Roma;;\r\n");
             return ecr_send_clienti(host(), csv_.c_str());
         },
         {"ecr_get_status_new", "ecr_command 1", "ecr_command 7", "ecr_get_status_new",
          "ecr_command 6", "ecr_command 2"}},
    };
    testutil::ScopedEnv trace("ECR_TRACE", "1");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ecr_log_reset();
        EXPECT_LT(0, row.call());
        std::vector<std::string> expected = {row.name};
        expected.insert(expected.end(), row.steps.begin(), row.steps.end());
        EXPECT_EQ(expected, export_steps(simtest::trace_text()));
        EXPECT_EQ(0, reg().info().setup);
    }
}

// ECR_TRCCSV alone traces every CSV line read with all its fields, those
// beyond the record's too, and nothing of the exports.
TEST_F(Tables, CsvTraceAloneHasEveryFieldAndNoExportLine)
{
    testutil::ScopedEnv trace("ECR_TRACE", nullptr);
    testutil::ScopedEnv csvTrace("ECR_TRCCSV", "1");
    const struct {
        const char* name;
        const char* line;
        std::vector<std::string> fields;  // as traced, trailing blanks cut
    } rows[] = {
        {"a record's 11 fields", "5;A ;1;0;0;1;1;100;0;0;0",
         {"5", "A", "1", "0", "0", "1", "1", "100", "0", "0", "0"}},
        {"13 fields, two beyond the record", "5;A;1;0;0;1;1;100;0;0;0;x;y ",
         {"5", "A", "1", "0", "0", "1", "1", "100", "0", "0", "0", "x", "y"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ecr_log_reset();
        write_file(csv_, std::string(row.line) + "\r\n");
        ecr_send_reparti("0.0.0.0", csv_.c_str());
        std::vector<std::string> expected = {std::string("csv -- linea='") + row.line + "'"};
        for (size_t i = 0; i < row.fields.size(); ++i) {
            char head[32];
            std::snprintf(head, sizeof head, "csv -- list [%2d]='", static_cast<int>(i));
            expected.push_back(head + row.fields[i] + "'");
        }
        EXPECT_EQ(expected, lines_of(simtest::trace_text()));
    }
}

}  // namespace
