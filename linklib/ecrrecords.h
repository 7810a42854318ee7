#pragma once
// Record layouts of the register's binary files: little-endian, packed, as
// the register writes them.

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

// REPARTI.BIN: 80 departments.
struct RepartoRecord {
    uint8_t changed;        // not 0: changed on the register
    char descr[25];
    uint8_t flags;          // bits 0-2 iva-1, bit 3 batt_sing, bit 4 tipo_sconto, bits 5-7 id_aux_lan-1
    uint8_t id_gruppo;      // id_gruppo - 1
    int32_t prezzo;
    int32_t min_valore;
    int32_t max_valore;
    int32_t valore_sconto;
};

// PLU.BIN: 100000 articles.
struct PluRecord {
    uint8_t changed;
    char descr[25];
    uint8_t id_reparto;     // id_reparto - 1
    uint8_t flags;          // bit 0 var_prezzo, bit 1 zero_si
    int32_t prezzo;
    char codice_ean[14];
    uint8_t unused[18];
};

// CLIENTI.BIN: 1000 customers.
struct ClienteRecord {
    uint8_t changed;
    uint8_t kind;           // 1 company with VAT number, 2 other data, 0 empty
    char ragione_sociale[41];
    char indirizzo[41];
    char citta[41];
    char partita_iva[12];
    char codice_fiscale[17];
    uint8_t unused[102];
};

// FATTURE.BIN: 3000 invoices, read only.
struct FatturaRecord {
    uint8_t tipo_fattura;   // 0: empty slot
    uint16_t id_cliente;
    uint32_t data_tempo;    // register seconds
    int32_t importo;
    int32_t imponibile;
    int32_t imposta;
    int32_t credito;
    uint8_t unused[41];
};

// Header of a sales file, and the whole of ART_VENDUTI.BIN.
struct SalesHeader {
    uint32_t date;
    uint8_t unknown1[22];
    uint8_t error_flag;     // not 0: the register cannot give its sales
    uint8_t num_rep;
    uint32_t num_plu;
    uint8_t unknown2[40];
    uint32_t size_rep;      // bytes of the department section
    uint32_t size_plu;      // bytes of the article section
    uint8_t unknown3[432];
};

struct SalesTotals {
    char iva_descr[25];
    int32_t iva_aliquota;
    int32_t totals[5];
};

// Four entries of 128 bytes to a 512-byte block.
struct SalesRepEntry {
    uint8_t unknown;
    int32_t id;
    RepartoRecord rec;
    SalesTotals sales;
    uint8_t unused[30];
};

struct SalesPluEntry {
    uint8_t unknown;
    int32_t id;
    PluRecord rec;
    SalesTotals sales;
    uint8_t unused[10];
};

#pragma pack(pop)

static_assert(sizeof(RepartoRecord) == 44, "department record");
static_assert(offsetof(RepartoRecord, flags) == 26 && offsetof(RepartoRecord, id_gruppo) == 27 &&
                  offsetof(RepartoRecord, prezzo) == 28 &&
                  offsetof(RepartoRecord, valore_sconto) == 40,
              "department fields");
static_assert(sizeof(PluRecord) == 64, "article record");
static_assert(offsetof(PluRecord, id_reparto) == 26 && offsetof(PluRecord, flags) == 27 &&
                  offsetof(PluRecord, prezzo) == 28 && offsetof(PluRecord, codice_ean) == 32 &&
                  offsetof(PluRecord, unused) == 46,
              "article fields");
static_assert(sizeof(ClienteRecord) == 256, "customer record");
static_assert(offsetof(ClienteRecord, ragione_sociale) == 2 &&
                  offsetof(ClienteRecord, indirizzo) == 43 && offsetof(ClienteRecord, citta) == 84 &&
                  offsetof(ClienteRecord, partita_iva) == 125 &&
                  offsetof(ClienteRecord, codice_fiscale) == 137 &&
                  offsetof(ClienteRecord, unused) == 154,
              "customer fields");
static_assert(sizeof(FatturaRecord) == 64, "invoice record");
static_assert(offsetof(FatturaRecord, id_cliente) == 1 && offsetof(FatturaRecord, data_tempo) == 3 &&
                  offsetof(FatturaRecord, importo) == 7 && offsetof(FatturaRecord, credito) == 19 &&
                  offsetof(FatturaRecord, unused) == 23,
              "invoice fields");
static_assert(sizeof(SalesHeader) == 512, "sales header");
static_assert(offsetof(SalesHeader, error_flag) == 26 && offsetof(SalesHeader, num_rep) == 27 &&
                  offsetof(SalesHeader, num_plu) == 28 && offsetof(SalesHeader, size_rep) == 72 &&
                  offsetof(SalesHeader, size_plu) == 76,
              "sales header fields");
static_assert(sizeof(SalesRepEntry) == 128 && offsetof(SalesRepEntry, id) == 1 &&
                  offsetof(SalesRepEntry, rec) == 5 && offsetof(SalesRepEntry, sales) == 49 &&
                  offsetof(SalesRepEntry, sales) + offsetof(SalesTotals, iva_aliquota) == 74 &&
                  offsetof(SalesRepEntry, sales) + offsetof(SalesTotals, totals) == 78,
              "department sales entry");
static_assert(sizeof(SalesPluEntry) == 128 && offsetof(SalesPluEntry, rec) == 5 &&
                  offsetof(SalesPluEntry, sales) == 69 &&
                  offsetof(SalesPluEntry, sales) + offsetof(SalesTotals, iva_aliquota) == 94 &&
                  offsetof(SalesPluEntry, sales) + offsetof(SalesTotals, totals) == 98,
              "article sales entry");

// Record counts of the four files.
constexpr int REPARTI_COUNT = 80;
constexpr int PLU_COUNT = 100000;
constexpr int CLIENTI_COUNT = 1000;
constexpr int FATTURE_COUNT = 3000;
constexpr int SALES_BLOCK = 512;
constexpr int SALES_PER_BLOCK = 4;
