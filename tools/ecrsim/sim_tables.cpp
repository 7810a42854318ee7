#include "sim_tables.h"

#include <cstdio>
#include <cstring>

namespace ecrsim {

namespace {
void put8(std::string& b, std::size_t at, int v) { b[at] = static_cast<char>(v & 0xFF); }

void put16(std::string& b, std::size_t at, uint32_t v)
{
    for (int i = 0; i < 2; ++i)
        b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

void put32(std::string& b, std::size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Text into a field of `width` bytes; a text as long as the field keeps no
// NUL, as the register sometimes writes it.
void putText(std::string& b, std::size_t at, std::size_t width, const std::string& text)
{
    std::memcpy(&b[at], text.data(), text.size() < width ? text.size() : width);
}

uint32_t get32(const std::string& b, std::size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<uint8_t>(b[at + i]);
    return v;
}

std::string getText(const std::string& b, std::size_t at, std::size_t width)
{
    std::string s = b.substr(at, width);
    return s.substr(0, s.find('\0'));
}

std::string sized(std::string image, long size)
{
    image.resize(static_cast<std::size_t>(size), '\0');
    return image;
}

void putReparto(std::string& b, std::size_t at, const SimReparto& r)
{
    put8(b, at, r.changed ? 1 : 0);
    putText(b, at + 1, 25, r.descr);
    put8(b, at + 26, ((r.iva - 1) & 7) | (r.battSing ? 8 : 0) | (r.tipoSconto ? 16 : 0) |
                         (((r.idAuxLan - 1) & 7) << 5));
    put8(b, at + 27, r.idGruppo - 1);
    put32(b, at + 28, r.prezzo);
    put32(b, at + 32, r.minValore);
    put32(b, at + 36, r.maxValore);
    put32(b, at + 40, r.valoreSconto);
}

void putPlu(std::string& b, std::size_t at, const SimPlu& p)
{
    put8(b, at, p.changed ? 1 : 0);
    putText(b, at + 1, 25, p.descr);
    put8(b, at + 26, p.idReparto - 1);
    put8(b, at + 27, (p.varPrezzo ? 1 : 0) | (p.zeroSi ? 2 : 0));
    put32(b, at + 28, p.prezzo);
    putText(b, at + 32, 14, p.codiceEan);
}

void putEntry(std::string& b, std::size_t at, const SimSalesEntry& e, bool plu)
{
    put32(b, at + 1, e.id);
    std::size_t rec = at + 5, vat = plu ? at + 69 : at + 49;
    putText(b, rec + 1, 25, e.descr);
    putText(b, vat, 25, e.ivaDescr);
    put32(b, vat + 25, e.ivaAliquota);
    for (int k = 0; k < 5; ++k)
        put32(b, vat + 29 + 4 * k, e.totals[k]);
}

std::size_t blocksFor(std::size_t entries) { return (entries + 3) / 4; }
}  // namespace

std::string buildReparti(const std::vector<SimReparto>& records, long size)
{
    std::string b(3520, '\0');
    for (const auto& r : records)
        putReparto(b, (r.id - 1) * 44, r);
    return sized(b, size);
}

std::string buildPlu(const std::vector<SimPlu>& records, long size)
{
    std::string b(6400000, '\0');
    for (const auto& p : records)
        putPlu(b, static_cast<std::size_t>(p.id - 1) * 64, p);
    return sized(b, size);
}

std::string buildClienti(const std::vector<SimCliente>& records, long size)
{
    std::string b(256000, '\0');
    for (const auto& c : records) {
        std::size_t at = static_cast<std::size_t>(c.id - 1) * 256;
        put8(b, at, c.changed ? 1 : 0);
        put8(b, at + 1, c.kind);
        putText(b, at + 2, 41, c.ragioneSociale);
        putText(b, at + 43, 41, c.indirizzo);
        putText(b, at + 84, 41, c.citta);
        putText(b, at + 125, 12, c.partitaIva);
        putText(b, at + 137, 17, c.codiceFiscale);
        std::memset(&b[at + 154], 0x5A, 102);  // register data the library must keep
    }
    return sized(b, size);
}

std::string buildFatture(const std::vector<SimFattura>& records, long size)
{
    std::string b(192000, '\0');
    for (const auto& f : records) {
        std::size_t at = static_cast<std::size_t>(f.id - 1) * 64;
        put8(b, at, f.tipo);
        put16(b, at + 1, static_cast<uint32_t>(f.idCliente));
        put32(b, at + 3, f.dataTempo);
        put32(b, at + 7, f.importo);
        put32(b, at + 11, f.imponibile);
        put32(b, at + 15, f.imposta);
        put32(b, at + 19, f.credito);
    }
    return sized(b, size);
}

SimReparto decodeReparto(const std::string& file, int id)
{
    SimReparto r;
    std::size_t at = static_cast<std::size_t>(id - 1) * 44;
    if (file.size() < at + 44)
        return r;
    r.id = id;
    r.changed = file[at] != 0;
    r.descr = getText(file, at + 1, 25);
    uint8_t flags = static_cast<uint8_t>(file[at + 26]);
    r.iva = (flags & 7) + 1;
    r.battSing = (flags >> 3) & 1;
    r.tipoSconto = (flags >> 4) & 1;
    r.idAuxLan = (flags >> 5) + 1;
    r.idGruppo = static_cast<uint8_t>(file[at + 27]) + 1;
    r.prezzo = static_cast<int32_t>(get32(file, at + 28));
    r.minValore = static_cast<int32_t>(get32(file, at + 32));
    r.maxValore = static_cast<int32_t>(get32(file, at + 36));
    r.valoreSconto = static_cast<int32_t>(get32(file, at + 40));
    return r;
}

SimPlu decodePlu(const std::string& file, int id)
{
    SimPlu p;
    std::size_t at = static_cast<std::size_t>(id - 1) * 64;
    if (file.size() < at + 64)
        return p;
    p.id = id;
    p.changed = file[at] != 0;
    p.descr = getText(file, at + 1, 25);
    p.idReparto = static_cast<uint8_t>(file[at + 26]) + 1;
    p.varPrezzo = file[at + 27] & 1;
    p.zeroSi = (file[at + 27] >> 1) & 1;
    p.prezzo = static_cast<int32_t>(get32(file, at + 28));
    p.codiceEan = getText(file, at + 32, 14);
    return p;
}

SimCliente decodeCliente(const std::string& file, int id)
{
    SimCliente c;
    std::size_t at = static_cast<std::size_t>(id - 1) * 256;
    if (file.size() < at + 256)
        return c;
    c.id = id;
    c.changed = file[at] != 0;
    c.kind = static_cast<uint8_t>(file[at + 1]);
    c.ragioneSociale = getText(file, at + 2, 41);
    c.indirizzo = getText(file, at + 43, 41);
    c.citta = getText(file, at + 84, 41);
    c.partitaIva = getText(file, at + 125, 12);
    c.codiceFiscale = getText(file, at + 137, 17);
    return c;
}

std::string buildSalesStatus(const SimSalesDay& day)
{
    std::string b(512, '\0');
    put32(b, 0, day.date);
    put8(b, 26, day.errorFlag);
    put8(b, 27, static_cast<int>(day.reparti.size()));
    put32(b, 28, static_cast<uint32_t>(day.plu.size()));
    put32(b, 72, static_cast<uint32_t>(512 * blocksFor(day.reparti.size())));
    put32(b, 76, static_cast<uint32_t>(512 * blocksFor(day.plu.size())));
    return b;
}

std::string buildSalesFile(const SimSalesDay& day)
{
    std::size_t repBlocks = blocksFor(day.reparti.size()), pluBlocks = blocksFor(day.plu.size());
    std::string b = buildSalesStatus(day);
    b.resize(512 * (1 + repBlocks + pluBlocks), '\0');
    for (std::size_t i = 0; i < day.reparti.size(); ++i)
        putEntry(b, 512 + 128 * i, day.reparti[i], false);
    for (std::size_t i = 0; i < day.plu.size(); ++i)
        putEntry(b, 512 * (1 + repBlocks) + 128 * i, day.plu[i], true);
    return b;
}

uint32_t simSeconds(int day, int month, int year2)
{
    static const int len[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    uint32_t days = 10957;  // 01/01/2000
    for (int y = 0; y < year2; ++y)
        days += y % 4 == 0 ? 366 : 365;
    for (int m = 1; m < month; ++m)
        days += len[m - 1] + (m == 2 && year2 % 4 == 0 ? 1 : 0);
    return (days + day - 1) * 86400u;
}

std::string simCompactDate(uint32_t seconds)
{
    for (int y = 0; y < 100; ++y)
        for (int m = 12; m >= 1; --m)
            if (simSeconds(1, m, y) <= seconds && (y == 99 || seconds < simSeconds(1, 1, y + 1))) {
                int d = static_cast<int>((seconds - simSeconds(1, m, y)) / 86400u) + 1;
                char text[8];
                std::snprintf(text, sizeof text, "%02d%02d%02d", d, m, y);
                return text;
            }
    return "000000";
}

void installVendcorr(SimRegister& reg, const SimSalesDay& current)
{
    std::string status = buildSalesStatus(current);
    std::string sales = buildSalesFile(current);
    reg.setCommandHook([status, sales](const std::string& command,
                                       std::map<std::string, std::string>& files) {
        if (command != "VENDCORR")
            return false;
        files["ART_VENDUTI.BIN"] = status;
        files["VENDCORR.DAT"] = sales;
        return true;
    });
}

void putArchivedDay(SimRegister& reg, const SimSalesDay& day)
{
    reg.putFile("VEND" + simCompactDate(day.date) + ".DAT", buildSalesFile(day));
}

}  // namespace ecrsim
