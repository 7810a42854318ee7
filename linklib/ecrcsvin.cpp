// CSV rows applied to record images (the upload direction).

#include "ecrcsv.h"

#include "ecrtrace.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {
int32_t clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Every numeric field of a row is checked before anything is applied, so a
// refused row leaves its record as it was: the column that is no number,
// or -1.
int bad_number(const std::vector<std::string>& f, std::initializer_list<int> columns,
               int32_t* values)
{
    for (int c : columns) {
        values[c] = 0;
        if (!f[c].empty() && !csv_number(f[c], &values[c]))
            return c;
    }
    return -1;
}

void set_bits(uint8_t& byte, int shift, int width, int value)
{
    uint8_t mask = static_cast<uint8_t>(((1 << width) - 1) << shift);
    byte = static_cast<uint8_t>((byte & ~mask) | ((value << shift) & mask));
}

int apply_reparto(const std::vector<std::string>& f, RepartoRecord& r)
{
    int32_t v[11];
    int bad = bad_number(f, {2, 3, 4, 5, 6, 7, 8, 9, 10}, v);
    if (bad >= 0)
        return bad;
    if (!f[1].empty())
        copy_field(f[1].c_str(), r.descr, sizeof r.descr);
    if (!f[2].empty())
        set_bits(r.flags, 0, 3, clamp(v[2], 1, 8) - 1);
    if (!f[3].empty())
        set_bits(r.flags, 3, 1, v[3] != 0);
    if (!f[4].empty())
        set_bits(r.flags, 4, 1, v[4] != 0);
    if (!f[5].empty())
        set_bits(r.flags, 5, 3, clamp(v[5], 1, 8) - 1);
    if (!f[6].empty())
        r.id_gruppo = static_cast<uint8_t>(clamp(v[6], 1, 16) - 1);
    if (!f[7].empty())
        r.prezzo = v[7];
    if (!f[8].empty())
        r.min_valore = v[8];
    if (!f[9].empty())
        r.max_valore = v[9];
    if (!f[10].empty())
        r.valore_sconto = v[10];
    return -1;
}

int apply_plu(const std::vector<std::string>& f, PluRecord& r)
{
    int32_t v[7];
    int bad = bad_number(f, {2, 3, 4, 5}, v);
    if (bad >= 0)
        return bad;
    if (!f[1].empty())
        copy_field(f[1].c_str(), r.descr, sizeof r.descr);
    if (!f[2].empty())
        r.id_reparto = static_cast<uint8_t>(clamp(v[2], 1, REPARTI_COUNT) - 1);
    if (!f[3].empty())
        set_bits(r.flags, 0, 1, v[3] != 0);
    if (!f[4].empty())
        set_bits(r.flags, 1, 1, v[4] != 0);
    if (!f[5].empty())
        r.prezzo = v[5];
    if (!f[6].empty())
        copy_field(f[6].c_str(), r.codice_ean, sizeof r.codice_ean);
    return -1;
}

int apply_cliente(const std::vector<std::string>& f, ClienteRecord& r)
{
    char* texts[5] = {r.ragione_sociale, r.indirizzo, r.citta, r.partita_iva, r.codice_fiscale};
    const std::size_t widths[5] = {sizeof r.ragione_sociale, sizeof r.indirizzo, sizeof r.citta,
                                   sizeof r.partita_iva, sizeof r.codice_fiscale};
    r.changed = 0;
    for (int i = 0; i < 5; ++i)
        if (!f[i + 1].empty())
            copy_field(f[i + 1].c_str(), texts[i], widths[i]);
    r.kind = cliente_kind(r);
    return -1;
}

// Applies one row: -1, or the column that refused it (nothing applied).
int apply_row(EcrTable table, const std::vector<std::string>& f, std::vector<uint8_t>& image,
              int index)
{
    switch (table) {
    case EcrTable::Reparti: return apply_reparto(f, *record_at<RepartoRecord>(image, index));
    case EcrTable::Plu: return apply_plu(f, *record_at<PluRecord>(image, index));
    case EcrTable::Clienti: return apply_cliente(f, *record_at<ClienteRecord>(image, index));
    case EcrTable::Fatture: return 0;
    }
    return 0;
}

// The record index a row's id names, -1 for a line that is no row of the
// table, or `kUnreadable` for an id that is no whole number although the
// runtime's conversion would take one of the table's ids from it ("1,5").
constexpr int kUnreadable = -2;
int row_index(const std::string& id, int count)
{
    int32_t value = 0;
    if (csv_number(id, &value))
        return value >= 1 && value <= count ? value - 1 : -1;
    long leading = std::strtol(id.c_str(), nullptr, 10);
    return leading >= 1 && leading <= count ? kUnreadable : -1;
}

// The header's name of field `column`.
std::string field_name(EcrTable table, int column)
{
    const char* name = ecr_table_info(table).header;
    for (int i = 0; i < column; ++i)
        name = std::strchr(name, ';') + 1;  // the header names every field of a row
    return std::string(name, std::strcspn(name, ";"));
}

// Refused rows never reach the register; the trace says which and why.
void trace_refused(EcrTable table, const char* name, const CsvReader& reader,
                   const std::vector<std::string>& f, int column)
{
    if (!ecr_env_present("ECR_TRACE") && !ecr_env_present("ECR_TRCCSV"))
        return;
    if (column < 0)
        ecr_log_always("%s csv riga troppo lunga: filename='%s' linea='%d'\n", ecr_timestamp(),
                       name, reader.line());
    else
        ecr_log_always("%s csv riga scartata: filename='%s' linea='%d' campo='%s' valore='%s'\n",
                       ecr_timestamp(), name, reader.line(), field_name(table, column).c_str(),
                       f[column].c_str());
}
}  // namespace

uint8_t cliente_kind(const ClienteRecord& r)
{
    if (r.ragione_sociale[0] && r.partita_iva[0])
        return 1;
    if (r.ragione_sociale[0] || r.indirizzo[0] || r.citta[0] || r.partita_iva[0] ||
        r.codice_fiscale[0])
        return 2;
    return 0;
}

std::vector<uint8_t> csv_preset_image(EcrTable table)
{
    std::vector<uint8_t> image(ecr_table_bytes(table), 0);
    char text[32];
    if (table == EcrTable::Reparti) {
        for (int i = 0; i < REPARTI_COUNT; ++i) {
            std::snprintf(text, sizeof text, "REPARTO %d", i + 1);
            RepartoRecord* r = record_at<RepartoRecord>(image, i);
            copy_field(text, r->descr, sizeof r->descr);
        }
    } else if (table == EcrTable::Plu) {
        for (int i = 0; i < PLU_COUNT; ++i) {
            PluRecord* r = record_at<PluRecord>(image, i);
            std::snprintf(text, sizeof text, "PLU %d", i + 1);
            copy_field(text, r->descr, sizeof r->descr);
            r->flags = 3;  // var_prezzo and zero_si
        }
    }
    return image;
}

CsvApplyStats csv_apply(EcrTable table, FILE* in, std::vector<uint8_t>& image, const char* name)
{
    CsvApplyStats stats;
    const EcrTableInfo& info = ecr_table_info(table);
    if (image.size() != ecr_table_bytes(table))
        return stats;
    std::vector<std::string> f;
    CsvReader reader(in);
    int n;
    while ((n = reader.next(f, info.fields)) >= 0) {
        int bad = -1;  // a line too long, unless a column refuses the row
        if (n > 0) {
            int index = n == info.fields ? row_index(f[0], info.count) : -1;
            if (index == -1)
                continue;  // the header, or another line that is no row
            bad = index == kUnreadable ? 0 : apply_row(table, f, image, index);
            if (bad < 0) {
                ++stats.applied;
                continue;
            }
        }
        ++stats.refused;
        trace_refused(table, name ? name : "", reader, f, bad);
    }
    return stats;
}
