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

// A section's CSV text: its header line, then the entries of its whole
// blocks, four a block in order, until `count` is used up. False when a
// section with entries runs past the end of the file.
template <typename Entry, typename LineFn>
bool section_csv(const std::vector<uint8_t>& data, uint64_t offset, uint32_t size,
                 uint32_t count, const char* header, LineFn line, std::string& text)
{
    if (count == 0)
        return true;
    if (offset + size > data.size())
        return false;
    const uint64_t held = static_cast<uint64_t>(size / SALES_BLOCK) * SALES_PER_BLOCK;
    const uint64_t entries = count < held ? count : held;
    text = std::string(header) + "\r\n";
    for (uint64_t i = 0; i < entries; ++i) {
        Entry e;
        std::memcpy(&e, data.data() + offset + i * sizeof(Entry), sizeof e);
        text += line(e.id, e.rec) + totals_text(e.sales) + "\r\n";
    }
    return true;
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
    info->num_plu = h.num_plu;
    info->size_rep = h.size_rep;
    info->size_plu = h.size_plu;
    return true;
}

bool sales_to_csv(const std::vector<uint8_t>& data, std::string& rep, std::string& plu,
                  SalesFileInfo* info)
{
    rep.clear();
    plu.clear();
    if (!sales_header(data, info))
        return false;
    // The article section follows the department section.
    const uint64_t repAt = SALES_BLOCK;
    const uint64_t pluAt = repAt + info->size_rep;
    std::string repText, pluText;
    if (!section_csv<SalesRepEntry>(data, repAt, info->size_rep, info->num_rep,
                                    SALES_REP_HEADER, csv_reparto_line, repText) ||
        !section_csv<SalesPluEntry>(data, pluAt, info->size_plu, info->num_plu,
                                    SALES_PLU_HEADER, csv_plu_line, pluText))
        return false;
    rep.swap(repText);
    plu.swap(pluText);
    return true;
}
