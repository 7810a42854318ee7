#include "ecrcsv.h"
#include "ecrdate.h"
#include "ecrtrace.h"

#include <cstdarg>
#include <cstring>

namespace {
const EcrTableInfo kTables[] = {
    {"REPARTI.BIN", REPARTI_COUNT, sizeof(RepartoRecord), 11,
     "id_reparto;descr;iva;batt_sing;tipo_sconto;id_aux_lan;id_gruppo;prezzo;min_valore;"
     "max_valore;valore_sconto"},
    {"PLU.BIN", PLU_COUNT, sizeof(PluRecord), 7,
     "id_plu;descr;id_reparto;var_prezzo;zero_si;prezzo;codice_ean"},
    {"CLIENTI.BIN", CLIENTI_COUNT, sizeof(ClienteRecord), 6,
     "id_cliente;ragione_sociale;indirizzo;citta;partita_iva;codice_fiscale"},
    {"FATTURE.BIN", FATTURE_COUNT, sizeof(FatturaRecord), 8,
     "id_fattura;tipo_fattura;id_cliente;data_tempo;importo;imponibile;imposta;credito"},
};

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...)
{
    char buf[512];
    va_list args;
    va_start(args, fmt);
    int n = std::vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    return std::string(buf, n < 0 ? 0 : (n < static_cast<int>(sizeof buf) ? n : sizeof buf - 1));
}

bool selected(EcrTable table, const std::vector<uint8_t>& image, int index, bool all)
{
    switch (table) {
    case EcrTable::Reparti: return all || record_at<RepartoRecord>(image, index)->changed != 0;
    case EcrTable::Plu: return all || record_at<PluRecord>(image, index)->changed != 0;
    case EcrTable::Clienti: {
        const ClienteRecord& r = *record_at<ClienteRecord>(image, index);
        return (all || r.changed != 0) && r.partita_iva[0] != '\0';
    }
    case EcrTable::Fatture: return record_at<FatturaRecord>(image, index)->tipo_fattura != 0;
    }
    return false;
}

std::string line_of(EcrTable table, const std::vector<uint8_t>& image, int index)
{
    const int id = index + 1;
    switch (table) {
    case EcrTable::Reparti: return csv_reparto_line(id, *record_at<RepartoRecord>(image, index));
    case EcrTable::Plu: return csv_plu_line(id, *record_at<PluRecord>(image, index));
    case EcrTable::Clienti: return csv_cliente_line(id, *record_at<ClienteRecord>(image, index));
    case EcrTable::Fatture: return csv_fattura_line(id, *record_at<FatturaRecord>(image, index));
    }
    return std::string();
}
}  // namespace

const EcrTableInfo& ecr_table_info(EcrTable table) { return kTables[static_cast<int>(table)]; }

std::string csv_text(const char* field, std::size_t width)
{
    const void* nul = std::memchr(field, '\0', width);
    return std::string(field, nul ? static_cast<const char*>(nul) - field : width);
}

std::string csv_fattura_tipo(uint8_t code)
{
    switch (code) {
    case 0xA0: return "fattura_gestionale";
    case 0xA1: return "ricevuta_fiscale";
    case 0xA3: return "fattura_con_scontr";
    case 0xA4: return "fattura_mensile";
    case 0xA2:
    case 0xA5: return std::string();
    default: return format("0x%02X", code);
    }
}

std::string csv_reparto_line(int id, const RepartoRecord& r)
{
    return format("%d;%s;%d;%d;%d;%d;%d;%d;%d;%d;%d", id,
                  csv_text(r.descr, sizeof r.descr).c_str(), (r.flags & 7) + 1, (r.flags >> 3) & 1,
                  (r.flags >> 4) & 1, (r.flags >> 5) + 1, r.id_gruppo + 1, int(r.prezzo),
                  int(r.min_valore), int(r.max_valore), int(r.valore_sconto));
}

std::string csv_plu_line(int id, const PluRecord& r)
{
    return format("%d;%s;%d;%d;%d;%d;%s", id, csv_text(r.descr, sizeof r.descr).c_str(),
                  r.id_reparto + 1, r.flags & 1, (r.flags >> 1) & 1, int(r.prezzo),
                  csv_text(r.codice_ean, sizeof r.codice_ean).c_str());
}

std::string csv_cliente_line(int id, const ClienteRecord& r)
{
    return format("%d;%s;%s;%s;%s;%s", id,
                  csv_text(r.ragione_sociale, sizeof r.ragione_sociale).c_str(),
                  csv_text(r.indirizzo, sizeof r.indirizzo).c_str(),
                  csv_text(r.citta, sizeof r.citta).c_str(),
                  csv_text(r.partita_iva, sizeof r.partita_iva).c_str(),
                  csv_text(r.codice_fiscale, sizeof r.codice_fiscale).c_str());
}

std::string csv_fattura_line(int id, const FatturaRecord& r)
{
    char date[24];
    ecr_oro_datetime_text(r.data_tempo, date, sizeof date);
    return format("%d;%s;%d;%s;%d;%d;%d;%d", id, csv_fattura_tipo(r.tipo_fattura).c_str(),
                  int(r.id_cliente), date, int(r.importo), int(r.imponibile), int(r.imposta),
                  int(r.credito));
}

int csv_from_image(EcrTable table, const std::vector<uint8_t>& image, bool all, std::string& out)
{
    const EcrTableInfo& info = ecr_table_info(table);
    if (image.size() != ecr_table_bytes(table))
        return 0;
    std::string text = std::string(info.header) + "\r\n";
    int lines = 0;
    for (int i = 0; i < info.count; ++i) {
        if (!selected(table, image, i, all))
            continue;
        text += line_of(table, image, i);
        text += "\r\n";
        ++lines;
    }
    if (lines > 0)
        out += text;
    return lines;
}

void copy_field(const char* text, char* field, std::size_t width)
{
    std::size_t n = std::strlen(text);
    if (n >= width)
        n = width - 1;
    std::memcpy(field, text, n);
    std::memset(field + n, 0, width - n);
}

bool csv_number(const std::string& text, int32_t* value)
{
    std::size_t i = text.find_first_not_of(" \t");
    std::size_t end = text.find_last_not_of(" \t");
    if (i == std::string::npos)
        return false;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-')
        negative = text[i++] == '-';
    if (i > end)
        return false;
    int64_t v = 0;
    for (; i <= end; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        v = v * 10 + (text[i] - '0');
        if (v > 2147483648LL)
            return false;
    }
    if (negative)
        v = -v;
    if (v > 2147483647LL)
        return false;
    *value = static_cast<int32_t>(v);
    return true;
}

bool CsvReader::read_line(std::string& line, bool* tooLong)
{
    for (;;) {
        line.clear();
        *tooLong = false;
        if (ended_)
            return false;
        int c;
        while ((c = std::getc(file_)) != EOF && c != '\n') {
            // A DOS end-of-file mark ends the text, as a text-mode read ends it.
            if (c == kEndOfFile) {
                ended_ = true;
                c = EOF;
                break;
            }
            if (line.size() <= kMaxLine)
                line += static_cast<char>(c);
            else
                *tooLong = true;
        }
        if (c == EOF && line.empty() && !*tooLong)
            return false;
        ++line_;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() > kMaxLine)
            *tooLong = true;
        if (first_) {
            first_ = false;
            if (line.compare(0, 3, "\xEF\xBB\xBF") == 0)
                line.erase(0, 3);
        }
        if (*tooLong || !line.empty())
            return true;
    }
}

int CsvReader::next(std::vector<std::string>& fields, std::size_t n)
{
    fields.assign(n, std::string());
    std::string line;
    bool tooLong = false;
    if (!read_line(line, &tooLong))
        return -1;
    if (tooLong)
        return 0;  // never half a row: the rest would be taken for a row of its own
    bool trace = ecr_env_present("ECR_TRCCSV");
    if (trace)
        ecr_log_always("csv -- linea='%s'\n", line.c_str());
    int count = 0;
    std::size_t start = 0;
    for (;;) {
        std::size_t semi = line.find(';', start);
        std::size_t stop = semi == std::string::npos ? line.size() : semi;
        std::string f = line.substr(start, stop - start);
        f.erase(f.find_last_not_of(' ') + 1);
        // The trace shows every field, also those beyond the record's.
        if (trace)
            ecr_log_always("csv -- list [%2d]='%s'\n", count, f.c_str());
        if (static_cast<std::size_t>(count) < n)
            fields[count] = f;
        ++count;
        if (semi == std::string::npos)
            return count;
        start = semi + 1;
    }
}
