#pragma once
// The simulated register's data and sales files, built from plain values
// byte by byte (offsets written out here, apart from the library's record
// structs), and the decoding of files a host uploaded.

#include "sim_register.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ecrsim {

struct SimReparto {
    int id = 0;  // 1..80
    bool changed = false;
    std::string descr;
    int iva = 1, battSing = 0, tipoSconto = 0, idAuxLan = 1, idGruppo = 1;
    int32_t prezzo = 0, minValore = 0, maxValore = 0, valoreSconto = 0;
};

struct SimPlu {
    int id = 0;  // 1..100000
    bool changed = false;
    std::string descr;
    int idReparto = 1, varPrezzo = 0, zeroSi = 0;
    int32_t prezzo = 0;
    std::string codiceEan;
};

struct SimCliente {
    int id = 0;  // 1..1000
    bool changed = false;
    int kind = 0;
    std::string ragioneSociale, indirizzo, citta, partitaIva, codiceFiscale;
};

struct SimFattura {
    int id = 0;  // 1..3000
    int tipo = 0xA0;
    int idCliente = 0;
    uint32_t dataTempo = 0;
    int32_t importo = 0, imponibile = 0, imposta = 0, credito = 0;
};

// Whole register files; `size` other than the normal one makes a
// wrong-size variant (cut or padded with zeros).
std::string buildReparti(const std::vector<SimReparto>& records, long size = 3520);
std::string buildPlu(const std::vector<SimPlu>& records, long size = 6400000);
std::string buildClienti(const std::vector<SimCliente>& records, long size = 256000);
std::string buildFatture(const std::vector<SimFattura>& records, long size = 192000);

// One record (1-based id) of an uploaded file.
SimReparto decodeReparto(const std::string& file, int id);
SimPlu decodePlu(const std::string& file, int id);
SimCliente decodeCliente(const std::string& file, int id);

struct SimSalesEntry {
    int id = 0;
    std::string descr;
    std::string ivaDescr;
    int32_t ivaAliquota = 0;
    int32_t totals[5] = {0, 0, 0, 0, 0};
};

struct SimSalesDay {
    uint32_t date = 0;  // register seconds
    int errorFlag = 0;
    std::vector<SimSalesEntry> reparti;
    std::vector<SimSalesEntry> plu;
};

// A sales file: header, department blocks, article blocks.
std::string buildSalesFile(const SimSalesDay& day);
// ART_VENDUTI.BIN: the 512-byte header alone.
std::string buildSalesStatus(const SimSalesDay& day);

// Register seconds of a date of 2000..2099, and its "ddmmyy" text.
uint32_t simSeconds(int day, int month, int year2);
std::string simCompactDate(uint32_t seconds);

// Makes `reg` answer VENDCORR by writing ART_VENDUTI.BIN and VENDCORR.DAT
// from `current`.
void installVendcorr(SimRegister& reg, const SimSalesDay& current);
// Stores the archived day as "VENDddmmyy.DAT".
void putArchivedDay(SimRegister& reg, const SimSalesDay& day);

}  // namespace ecrsim
