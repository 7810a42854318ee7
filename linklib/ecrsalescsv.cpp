#include "ecrsalescsv.h"
#include "ecrcsv.h"

#include <cstdio>
#include <cstring>

const char SALES_REP_HEADER[] =
    "id_reparto;descr;iva;batt_sing;tipo_sconto;id_aux_lan;id_gruppo;prezzo;min_valore;"
    "max_valore;valore_sconto;iva_descr;iva_aliquota;totale_reparto;totale_qt_rep;"
    "totale_sconto_rep;totale_reso_storno;tot_qt_reso_storno";
const char SALES_PLU_HEADER[] =
    "id_plu;descr;id_reparto;var_prezzo;zero_si;prezzo;codice_ean;iva_descr;iva_aliquota;"
    "totale_plu;totale_qt_plu;totale_sconto_plu;totale_reso_storno;tot_qt_reso_storno";

namespace {
std::string totals_text(const SalesTotals& s)
{
    char buf[160];
    std::snprintf(buf, sizeof buf, ";%s;%d;%d;%d;%d;%d;%d",
                  csv_text(s.iva_descr, sizeof s.iva_descr).c_str(), int(s.iva_aliquota),
                  int(s.totals[0]), int(s.totals[1]), int(s.totals[2]), int(s.totals[3]),
                  int(s.totals[4]));
    return buf;
}

// Entries of one section; they fill its blocks four at a time, in order.
template <typename Entry, typename LineFn>
std::string section_csv(const uint8_t* section, long count, const char* header, LineFn line)
{
    std::string text = std::string(header) + "\r\n";
    for (long i = 0; i < count; ++i) {
        Entry e;
        std::memcpy(&e, section + i * sizeof(Entry), sizeof e);
        text += line(e.id, e.rec) + totals_text(e.sales) + "\r\n";
    }
    return text;
}

bool fits(const std::vector<uint8_t>& data, const SalesFileInfo& h)
{
    if (h.size_rep % SALES_BLOCK != 0 || h.size_plu % SALES_BLOCK != 0)
        return false;
    long long end = static_cast<long long>(SALES_BLOCK) + h.size_rep + h.size_plu;
    if (end > static_cast<long long>(data.size()))
        return false;
    return h.num_rep <= h.size_rep / SALES_BLOCK * SALES_PER_BLOCK &&
           h.num_plu <= h.size_plu / SALES_BLOCK * SALES_PER_BLOCK;
}
}  // namespace

bool sales_header(const std::vector<uint8_t>& data, SalesFileInfo* info)
{
    if (data.size() < sizeof(SalesHeader))
        return false;
    SalesHeader h;
    std::memcpy(&h, data.data(), sizeof h);
    info->date = h.date;
    info->error_flag = h.error_flag;
    info->num_rep = h.num_rep;
    // Sizes and counts as the register wrote them; values above 2^31 become
    // negative here and fail the fit test.
    info->num_plu = static_cast<long>(static_cast<int32_t>(h.num_plu));
    info->size_rep = static_cast<long>(static_cast<int32_t>(h.size_rep));
    info->size_plu = static_cast<long>(static_cast<int32_t>(h.size_plu));
    return true;
}

bool sales_to_csv(const std::vector<uint8_t>& data, std::string& rep, std::string& plu,
                  SalesFileInfo* info)
{
    rep.clear();
    plu.clear();
    if (!sales_header(data, info))
        return false;
    if (info->num_plu < 0 || info->size_rep < 0 || info->size_plu < 0 || !fits(data, *info))
        return false;
    const uint8_t* repSection = data.data() + SALES_BLOCK;
    const uint8_t* pluSection = repSection + info->size_rep;
    if (info->num_rep > 0)
        rep = section_csv<SalesRepEntry>(repSection, info->num_rep, SALES_REP_HEADER,
                                         csv_reparto_line);
    if (info->num_plu > 0)
        plu = section_csv<SalesPluEntry>(pluSection, info->num_plu, SALES_PLU_HEADER,
                                         csv_plu_line);
    return true;
}
