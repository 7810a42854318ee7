// Register records to CSV and back, and sales files to CSV: pure
// conversions over buffers and files of this test alone.

#include "ecrcsv.h"
#include "ecrdate.h"
#include "ecrsalescsv.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

template <typename Record>
Record& at(std::vector<uint8_t>& image, int index)
{
    return reinterpret_cast<Record*>(image.data())[index];
}

std::vector<uint8_t> blank(EcrTable t) { return std::vector<uint8_t>(ecr_table_bytes(t), 0); }

// A CSV file of this process only, read back through a stream.
class CsvFile {
public:
    // The name is made by the system, which creates the file: no other
    // process (of this prefix or another sharing the folder) holds it.
    explicit CsvFile(const std::string& text)
    {
        char path[MAX_PATH];
        if (GetTempFileNameA(testutil::exe_folder().c_str(), "csv", 0, path))
            path_ = path;
        testutil::write_file(path_, text);
        file_ = std::fopen(path_.c_str(), "rb");
        EXPECT_EQ(text, testutil::read_file(path_)) << path_;
    }
    ~CsvFile()
    {
        if (file_)
            std::fclose(file_);
        DeleteFileA(path_.c_str());
    }
    FILE* get() const { return file_; }

private:
    std::string path_;
    FILE* file_ = nullptr;
};

CsvApplyStats apply_text(EcrTable t, const std::string& text, std::vector<uint8_t>& image)
{
    CsvFile f(text);
    return csv_apply(t, f.get(), image, "test.csv");
}

TEST(CsvOut, DepartmentsExactBytes)
{
    auto image = blank(EcrTable::Reparti);
    RepartoRecord& r = at<RepartoRecord>(image, 2);
    r.changed = 1;
    std::strcpy(r.descr, "BEVANDE");
    r.flags = (1 << 0) | (1 << 3) | (7 << 5);  // iva 2, batt_sing, id_aux_lan 8
    r.id_gruppo = 15;
    r.prezzo = 150;
    r.min_valore = -5;
    r.max_valore = 2000000000;
    r.valore_sconto = 7;
    RepartoRecord& last = at<RepartoRecord>(image, 79);
    std::memset(last.descr, 'Z', sizeof last.descr);  // full field, no NUL
    last.flags = 1 << 4;

    std::string all, mod;
    EXPECT_EQ(80, csv_from_image(EcrTable::Reparti, image, true, all));
    EXPECT_EQ(1, csv_from_image(EcrTable::Reparti, image, false, mod));
    const std::string header =
        "id_reparto;descr;iva;batt_sing;tipo_sconto;id_aux_lan;id_gruppo;prezzo;min_valore;"
        "max_valore;valore_sconto\r\n";
    EXPECT_EQ(header + "3;BEVANDE;2;1;0;8;16;150;-5;2000000000;7\r\n", mod);
    auto lines = testutil::lines_of(all);
    ASSERT_EQ(81u, lines.size());
    EXPECT_EQ("1;;1;0;0;1;1;0;0;0;0", lines[1]);
    EXPECT_EQ("80;" + std::string(25, 'Z') + ";1;0;1;1;1;0;0;0;0", lines[80]);
    EXPECT_EQ(0u, all.find(header));
}

TEST(CsvOut, ArticlesCustomersAndModFilter)
{
    auto plu = blank(EcrTable::Plu);
    PluRecord& p = at<PluRecord>(plu, 99999);
    p.changed = 2;
    std::strcpy(p.descr, "ACQUA");
    p.id_reparto = 79;
    p.flags = 2;
    p.prezzo = -30;
    std::memset(p.codice_ean, '8', sizeof p.codice_ean);
    std::string mod;
    EXPECT_EQ(1, csv_from_image(EcrTable::Plu, plu, false, mod));
    EXPECT_EQ("id_plu;descr;id_reparto;var_prezzo;zero_si;prezzo;codice_ean\r\n"
              "100000;ACQUA;80;0;1;-30;88888888888888\r\n",
              mod);

    auto cli = blank(EcrTable::Clienti);
    ClienteRecord& a = at<ClienteRecord>(cli, 0);  // changed, with VAT number
    a.changed = 1;
    std::strcpy(a.ragione_sociale, "Rossi srl");
    std::strcpy(a.partita_iva, "01234567890");
    std::strcpy(a.codice_fiscale, "RSSMRA80A01H501U");
    ClienteRecord& b = at<ClienteRecord>(cli, 1);  // unchanged, with VAT number
    std::memcpy(b.partita_iva, "123456789012", 12);  // full field, no NUL
    std::strcpy(b.citta, "Roma");
    ClienteRecord& c = at<ClienteRecord>(cli, 2);  // changed, no VAT number
    c.changed = 1;
    std::strcpy(c.ragione_sociale, "Bianchi");
    std::string cmod, call;
    EXPECT_EQ(1, csv_from_image(EcrTable::Clienti, cli, false, cmod));
    EXPECT_EQ(2, csv_from_image(EcrTable::Clienti, cli, true, call));
    EXPECT_EQ("id_cliente;ragione_sociale;indirizzo;citta;partita_iva;codice_fiscale\r\n"
              "1;Rossi srl;;;01234567890;RSSMRA80A01H501U\r\n",
              cmod);
    EXPECT_EQ(cmod + "2;;;Roma;123456789012;\r\n", call);
}

TEST(CsvOut, InvoicesAndTheirTypeTexts)
{
    const struct {
        uint8_t code;
        const char* text;
    } rows[] = {{0xA0, "fattura_gestionale"}, {0xA1, "ricevuta_fiscale"}, {0xA2, ""},
                {0xA3, "fattura_con_scontr"}, {0xA4, "fattura_mensile"},  {0xA5, ""},
                {0xB0, "0xB0"},               {0x01, "0x01"},             {0xFF, "0xFF"}};
    auto image = blank(EcrTable::Fatture);
    std::string expected =
        "id_fattura;tipo_fattura;id_cliente;data_tempo;importo;imponibile;imposta;credito\r\n";
    int index = 5;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(row.text, csv_fattura_tipo(row.code));
        FatturaRecord& f = at<FatturaRecord>(image, index);
        f.tipo_fattura = row.code;
        f.id_cliente = 65535;
        f.data_tempo = ecr_oro_seconds(31, 12, 24, 23, 59, 58);
        f.importo = 1220;
        f.imponibile = 1000;
        f.imposta = 220;
        f.credito = -1;
        expected += std::to_string(index + 1) + ";" + row.text +
                    ";65535;31/12/24-23:59:58;1220;1000;220;-1\r\n";
        index += 300;
    }
    std::string out;
    EXPECT_EQ(9, csv_from_image(EcrTable::Fatture, image, false, out));
    EXPECT_EQ(expected, out);
}

TEST(CsvOut, NothingSelectedWritesNothing)
{
    for (EcrTable t : {EcrTable::Reparti, EcrTable::Plu, EcrTable::Clienti, EcrTable::Fatture}) {
        SCOPED_TRACE(ecr_table_info(t).file);
        std::string out = "kept";
        EXPECT_EQ(0, csv_from_image(t, blank(t), t == EcrTable::Clienti || t == EcrTable::Fatture,
                                    out));
        EXPECT_EQ(0, csv_from_image(t, blank(t), false, out));
        EXPECT_EQ("kept", out);
        // A short image is never read.
        EXPECT_EQ(0, csv_from_image(t, std::vector<uint8_t>(10, 1), true, out));
    }
}

TEST(CsvIn, NumbersAndFieldCopies)
{
    const struct {
        const char* text;
        bool ok;
        int32_t value;
    } rows[] = {{"0", true, 0},        {"150", true, 150},   {"-7", true, -7},
                {"+12", true, 12},     {" 42 ", true, 42},   {"2147483647", true, 2147483647},
                {"-2147483648", true, INT32_MIN},            {"2147483648", false, 0},
                {"99999999999999999999", false, 0},          {"12abc", false, 0},
                {"abc", false, 0},     {"", false, 0},       {"-", false, 0},
                {"1.5", false, 0},     {"0x10", false, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        int32_t v = 12345;
        EXPECT_EQ(row.ok, csv_number(row.text, &v));
        if (row.ok) {
            EXPECT_EQ(row.value, v);
        }
    }
    char field[6];
    std::memset(field, 'x', sizeof field);
    copy_field("ab", field, sizeof field);
    EXPECT_EQ(0, std::memcmp(field, "ab\0\0\0\0", 6));
    copy_field("abcdef", field, sizeof field);
    EXPECT_EQ(0, std::memcmp(field, "abcde\0", 6));
    copy_field("abcde", field, sizeof field);
    EXPECT_EQ(0, std::memcmp(field, "abcde\0", 6));
}

TEST(CsvIn, ReaderLineEndsMarksAndLongLines)
{
    std::string longLine(1500, 'x');
    longLine = "7;" + longLine + ";1";
    std::string exact(1023, 'y');
    CsvFile f("\xEF\xBB\xBF" "1;a  ;b\r\n\r\n\n2;c\n" + longLine + "\r\n" + exact + "\r\n3;;\n4");
    CsvReader r(f.get());
    std::vector<std::string> v;
    EXPECT_EQ(3, r.next(v, 2));
    EXPECT_EQ((std::vector<std::string>{"1", "a"}), v);
    EXPECT_EQ(2, r.next(v, 3));
    EXPECT_EQ((std::vector<std::string>{"2", "c", ""}), v);
    EXPECT_EQ(0, r.next(v, 1));  // the long line is gone, whole
    EXPECT_EQ(5, r.line());
    EXPECT_EQ(1, r.next(v, 1));
    EXPECT_EQ(exact, v[0]);
    EXPECT_EQ(3, r.next(v, 3));
    EXPECT_EQ((std::vector<std::string>{"3", "", ""}), v);
    EXPECT_EQ(1, r.next(v, 1));
    EXPECT_EQ("4", v[0]);
    EXPECT_EQ(-1, r.next(v, 1));
}

TEST(CsvIn, DepartmentsPresetsClampsAndRefusals)
{
    auto image = csv_preset_image(EcrTable::Reparti);
    const std::string csv =
        "id_reparto;descr;iva;batt_sing;tipo_sconto;id_aux_lan;id_gruppo;prezzo;min_valore;"
        "max_valore;valore_sconto\r\n"
        "3;BEVANDE;2;1;0;;;150;;;\r\n"
        "4;" + std::string(30, 'D') + ";12;5;-1;0;99;-8;1;2;3\r\n"
        "5;X;0;0;0;9;0;;;;\r\n"
        "6;NO;2;1;0;;;150;;;;;\r\n"                     // 13 fields
        "6;NO;2;1;0;;;150;;\r\n"                        // 10 fields
        "0;ZERO;1;1;1;1;1;1;1;1;1\r\n"                  // id 0
        "81;OUT;1;1;1;1;1;1;1;1;1\r\n"                  // id 81
        "7;ABC;due;1;0;;;150;;;\r\n"                    // not a number
        "8;HUGE;1;1;1;1;1;99999999999;1;1;1\r\n"        // does not fit 32 bits
        "9;semi;colon;1;1;1;1;1;1;1;1;1\r\n"            // ';' in a text: 12 fields
        "abc;X;1;1;1;1;1;1;1;1;1\r\n"                 // no id at all
        "1,5;X;1;1;1;1;1;1;1;1;1\r\n";                // an id read as 1 by atoi
    CsvApplyStats s = apply_text(EcrTable::Reparti, csv, image);
    EXPECT_EQ(3, s.applied);
    EXPECT_EQ(3, s.refused);  // the others are no rows of the table

    std::string out;
    ASSERT_EQ(80, csv_from_image(EcrTable::Reparti, image, true, out));
    auto lines = testutil::lines_of(out);
    const struct {
        int id;
        const char* line;
    } rows[] = {
        {1, "1;REPARTO 1;1;0;0;1;1;0;0;0;0"},
        {3, "3;BEVANDE;2;1;0;1;1;150;0;0;0"},
        {4, "4;DDDDDDDDDDDDDDDDDDDDDDDD;8;1;1;1;16;-8;1;2;3"},
        {5, "5;X;1;0;0;8;1;0;0;0;0"},
        {6, "6;REPARTO 6;1;0;0;1;1;0;0;0;0"},
        {7, "7;REPARTO 7;1;0;0;1;1;0;0;0;0"},
        {8, "8;REPARTO 8;1;0;0;1;1;0;0;0;0"},
        {9, "9;REPARTO 9;1;0;0;1;1;0;0;0;0"},
        {80, "80;REPARTO 80;1;0;0;1;1;0;0;0;0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.id);
        EXPECT_EQ(row.line, lines[row.id]);
    }
    EXPECT_EQ(0, at<RepartoRecord>(image, 2).changed);
}

TEST(CsvIn, ArticlesAndCustomers)
{
    auto plu = csv_preset_image(EcrTable::Plu);
    CsvApplyStats s = apply_text(EcrTable::Plu,
                                 "100000;LAST;0;0;;5;123456789012345678\n"
                                 "2;;81;;0;;\n"
                                 "100001;X;1;1;1;1;1\n"
                                 "3;Y;1;1;1;1\n",
                                 plu);
    EXPECT_EQ(2, s.applied);
    EXPECT_EQ(0, s.refused);
    EXPECT_EQ("100000;LAST;1;0;1;5;1234567890123", csv_plu_line(100000, at<PluRecord>(plu, 99999)));
    EXPECT_EQ("2;PLU 2;80;1;0;0;", csv_plu_line(2, at<PluRecord>(plu, 1)));
    EXPECT_EQ("1;PLU 1;1;1;1;0;", csv_plu_line(1, at<PluRecord>(plu, 0)));

    auto cli = blank(EcrTable::Clienti);
    ClienteRecord& old = at<ClienteRecord>(cli, 4);
    old.changed = 1;
    std::strcpy(old.ragione_sociale, "Vecchio");
    std::strcpy(old.indirizzo, "Via Roma 1");
    old.kind = 2;
    s = apply_text(EcrTable::Clienti,
                   "id_cliente;ragione_sociale;indirizzo;citta;partita_iva;codice_fiscale\n"
                   "5;;;Milano;0123456789012345;\n"
                   "6;;;;;\n"
                   "7;;;;;CF\n"
                   "1001;A;B;C;D;E\n",
                   cli);
    EXPECT_EQ(3, s.applied);
    EXPECT_EQ(0, s.refused);
    EXPECT_EQ("5;Vecchio;Via Roma 1;Milano;01234567890;", csv_cliente_line(5, old));
    EXPECT_EQ(0, old.changed);
    EXPECT_EQ(1, old.kind);
    EXPECT_EQ(0, at<ClienteRecord>(cli, 5).kind);
    EXPECT_EQ(2, at<ClienteRecord>(cli, 6).kind);
}

TEST(CsvIn, HostileFilesApplyNothing)
{
    const struct {
        const char* name;
        std::string text;
        int refused;
    } rows[] = {
        {"empty", "", 0},
        {"header only", "id_reparto;descr;iva;batt_sing;tipo_sconto;id_aux_lan;id_gruppo;prezzo;"
                        "min_valore;max_valore;valore_sconto\r\n", 0},
        {"one long line", "1;" + std::string(3000, 'a') + ";1;1;1;1;1;1;1;1;1\r\n", 1},
        {"binary", std::string("\x00\x01\x02;\xff\r\n", 7), 0},
        {"only separators", ";;;;;;;;;;\n", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto image = csv_preset_image(EcrTable::Reparti);
        auto before = image;
        CsvApplyStats s = apply_text(EcrTable::Reparti, row.text, image);
        EXPECT_EQ(0, s.applied);
        EXPECT_EQ(row.refused, s.refused);
        EXPECT_TRUE(before == image);
    }
}

// Where a sales file's entries are and what its header says of them.
struct SalesLayout {
    int repBlocks, pluBlocks;  // blocks in the file, every slot an entry
    uint8_t numRep;            // the header's counts and section sizes
    uint32_t numPlu, sizeRep, sizePlu;
};

std::vector<uint8_t> sales_file(const SalesLayout& l)
{
    std::vector<uint8_t> data(512 * (1 + l.repBlocks + l.pluBlocks), 0);
    SalesHeader h{};
    h.date = ecr_date_decode(3, 4, 25);
    h.num_rep = l.numRep;
    h.num_plu = l.numPlu;
    h.size_rep = l.sizeRep;
    h.size_plu = l.sizePlu;
    std::memcpy(data.data(), &h, sizeof h);
    for (int i = 0; i < 4 * l.repBlocks; ++i) {
        SalesRepEntry e{};
        e.id = 10 + i;
        std::snprintf(e.rec.descr, sizeof e.rec.descr, "REP%d", i);
        std::memset(e.sales.iva_descr, 'V', sizeof e.sales.iva_descr);  // no NUL
        e.sales.iva_aliquota = 2200;
        for (int k = 0; k < 5; ++k)
            e.sales.totals[k] = i * 10 + k;
        std::memcpy(data.data() + 512 + i * 128, &e, sizeof e);
    }
    for (int i = 0; i < 4 * l.pluBlocks; ++i) {
        SalesPluEntry e{};
        e.id = 500 + i;
        std::strcpy(e.rec.descr, "ART");
        std::strcpy(e.sales.iva_descr, "IVA 10");
        e.sales.iva_aliquota = 1000;
        e.sales.totals[0] = -i;
        std::memcpy(data.data() + 512 * (1 + l.repBlocks) + i * 128, &e, sizeof e);
    }
    return data;
}

TEST(SalesCsv, EntriesAcrossBlocks)
{
    auto data = sales_file({2, 1, 6, 1, 1024, 512});
    std::string rep, plu;
    SalesFileInfo info;
    ASSERT_TRUE(sales_to_csv(data, rep, plu, &info));
    EXPECT_EQ(6, info.num_rep);
    EXPECT_EQ(1024u, info.size_rep);
    auto lines = testutil::lines_of(rep);
    ASSERT_EQ(7u, lines.size());
    EXPECT_EQ(SALES_REP_HEADER, lines[0]);
    const std::string vat(25, 'V');
    EXPECT_EQ("10;REP0;1;0;0;1;1;0;0;0;0;" + vat + ";2200;0;1;2;3;4", lines[1]);
    EXPECT_EQ("14;REP4;1;0;0;1;1;0;0;0;0;" + vat + ";2200;40;41;42;43;44", lines[5]);
    EXPECT_EQ("15;REP5;1;0;0;1;1;0;0;0;0;" + vat + ";2200;50;51;52;53;54", lines[6]);
    EXPECT_EQ(std::string(SALES_PLU_HEADER) + "\r\n500;ART;1;0;0;0;;IVA 10;1000;0;0;0;0;0\r\n", plu);
    EXPECT_EQ(rep.size(), rep.find("\r\n", rep.size() - 2) + 2);
}

// A header that counts more entries than its blocks hold gives the entries
// of its blocks; only a counted section past the end of the file is refused.
TEST(SalesCsv, SectionsGiveTheEntriesOfTheirBlocks)
{
    const struct {
        const char* name;
        SalesLayout layout;
        std::size_t fileSize;  // 0: as built
        bool ok;
        std::size_t repEntries, pluEntries;
    } rows[] = {
        {"department count beyond its blocks", {1, 0, 5, 0, 512, 0}, 0, true, 4, 0},
        {"article count beyond its blocks", {0, 2, 0, 9, 0, 1024}, 0, true, 0, 8},
        {"article count above 2^31", {0, 1, 0, 0x80000000u, 0, 512}, 0, true, 0, 4},
        {"department section not in whole blocks", {2, 0, 5, 0, 700, 0}, 0, true, 4, 0},
        {"uncounted section past the end", {1, 0, 0, 0, 4096, 0}, 0, true, 0, 0},
        {"department section past the end", {1, 0, 1, 0, 1024, 0}, 0, false, 0, 0},
        {"article section past the end", {1, 1, 1, 1, 512, 1024}, 0, false, 0, 0},
        {"article section above 2^31 bytes", {0, 1, 0, 1, 0, 0x80000000u}, 0, false, 0, 0},
        {"file shorter than its header", {0, 0, 0, 0, 0, 0}, 100, false, 0, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto data = sales_file(row.layout);
        if (row.fileSize)
            data.resize(row.fileSize);
        std::string rep = "x", plu = "y";
        SalesFileInfo info;
        EXPECT_EQ(row.ok, sales_to_csv(data, rep, plu, &info));
        // Each text is the section's header line and one line an entry.
        EXPECT_EQ(row.repEntries ? row.repEntries + 1 : 0, testutil::lines_of(rep).size());
        EXPECT_EQ(row.pluEntries ? row.pluEntries + 1 : 0, testutil::lines_of(plu).size());
    }
}

}  // namespace
