// CSV rows applied to record images (the upload direction).

#include "ecrcsv.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace {
int32_t clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Every numeric field of a row is checked before anything is applied, so a
// refused row leaves its record as it was.
bool numbers_ok(const std::vector<std::string>& f, std::initializer_list<int> columns,
                int32_t* values)
{
    for (int c : columns) {
        values[c] = 0;
        if (!f[c].empty() && !csv_number(f[c], &values[c]))
            return false;
    }
    return true;
}

void set_bits(uint8_t& byte, int shift, int width, int value)
{
    uint8_t mask = static_cast<uint8_t>(((1 << width) - 1) << shift);
    byte = static_cast<uint8_t>((byte & ~mask) | ((value << shift) & mask));
}

bool apply_reparto(const std::vector<std::string>& f, RepartoRecord& r)
{
    int32_t v[11];
    if (!numbers_ok(f, {2, 3, 4, 5, 6, 7, 8, 9, 10}, v))
        return false;
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
    return true;
}

bool apply_plu(const std::vector<std::string>& f, PluRecord& r)
{
    int32_t v[7];
    if (!numbers_ok(f, {2, 3, 4, 5}, v))
        return false;
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
    return true;
}

bool apply_cliente(const std::vector<std::string>& f, ClienteRecord& r)
{
    char* texts[5] = {r.ragione_sociale, r.indirizzo, r.citta, r.partita_iva, r.codice_fiscale};
    const std::size_t widths[5] = {sizeof r.ragione_sociale, sizeof r.indirizzo, sizeof r.citta,
                                   sizeof r.partita_iva, sizeof r.codice_fiscale};
    r.changed = 0;
    for (int i = 0; i < 5; ++i)
        if (!f[i + 1].empty())
            copy_field(f[i + 1].c_str(), texts[i], widths[i]);
    r.kind = cliente_kind(r);
    return true;
}

bool apply_row(EcrTable table, const std::vector<std::string>& f, std::vector<uint8_t>& image,
               int index)
{
    switch (table) {
    case EcrTable::Reparti: return apply_reparto(f, *record_at<RepartoRecord>(image, index));
    case EcrTable::Plu: return apply_plu(f, *record_at<PluRecord>(image, index));
    case EcrTable::Clienti: return apply_cliente(f, *record_at<ClienteRecord>(image, index));
    case EcrTable::Fatture: return false;
    }
    return false;
}

bool is_header(EcrTable table, const std::string& first)
{
    const char* header = ecr_table_info(table).header;
    std::size_t n = std::strchr(header, ';') - header;
    return first.size() == n && _strnicmp(first.c_str(), header, n) == 0;
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

CsvApplyStats csv_apply(EcrTable table, FILE* in, std::vector<uint8_t>& image)
{
    CsvApplyStats stats;
    const EcrTableInfo& info = ecr_table_info(table);
    if (image.size() != ecr_table_bytes(table))
        return stats;
    std::vector<std::string> f;
    CsvReader reader(in);
    int n;
    while ((n = reader.next(f, info.fields)) >= 0) {
        if (is_header(table, f[0]))
            continue;
        int32_t id = 0;
        if (n != info.fields || !csv_number(f[0], &id) || id < 1 || id > info.count ||
            !apply_row(table, f, image, id - 1)) {
            ++stats.refused;
            continue;
        }
        ++stats.applied;
    }
    stats.refused += reader.overlong();
    return stats;
}
