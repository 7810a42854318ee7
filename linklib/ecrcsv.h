#pragma once
// The register's data files as CSV text: record images to lines and CSV rows
// applied to record images. No network, no register: plain buffers and
// streams.

#include "ecrrecords.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

enum class EcrTable { Reparti, Plu, Clienti, Fatture };

struct EcrTableInfo {
    const char* file;    // register file name
    int count;           // records
    int size;            // bytes a record
    int fields;          // CSV fields a row
    const char* header;  // CSV header line, without line end
};

const EcrTableInfo& ecr_table_info(EcrTable table);
inline std::size_t ecr_table_bytes(EcrTable t)
{
    return static_cast<std::size_t>(ecr_table_info(t).count) * ecr_table_info(t).size;
}

// Record `index` of a whole file image.
template <typename Record> Record* record_at(std::vector<uint8_t>& image, int index)
{
    return reinterpret_cast<Record*>(image.data() +
                                     static_cast<std::size_t>(index) * sizeof(Record));
}
template <typename Record> const Record* record_at(const std::vector<uint8_t>& image, int index)
{
    return reinterpret_cast<const Record*>(image.data() +
                                           static_cast<std::size_t>(index) * sizeof(Record));
}

// A register text field as text: up to its NUL or its width, whichever
// comes first (the register does not always terminate a full field).
std::string csv_text(const char* field, std::size_t width);

// Text of an invoice type code: a name, empty, or "0x%02X".
std::string csv_fattura_tipo(uint8_t code);

// One CSV line (no line end) of a record, `id` as it goes into the file.
std::string csv_reparto_line(int id, const RepartoRecord& r);
std::string csv_plu_line(int id, const PluRecord& r);
std::string csv_cliente_line(int id, const ClienteRecord& r);
std::string csv_fattura_line(int id, const FatturaRecord& r);

// The CSV text (header and CR LF line ends) of the selected records of a
// whole file image: `all` or only changed ones; customers need a VAT number,
// invoices a type. Returns the number of record lines (0: `out` untouched).
int csv_from_image(EcrTable table, const std::vector<uint8_t>& image, bool all, std::string& out);

// Copies `text` into a register field of `width` bytes, zero-filled; a text
// that does not fit is cut to width - 1 characters and its NUL.
void copy_field(const char* text, char* field, std::size_t width);

// Decimal integer of a whole field (blanks around it allowed); false for
// anything else, including values outside 32 bits.
bool csv_number(const std::string& text, int32_t* value);

// Reads CSV lines of at most 1023 characters: CR LF or LF ends, a leading
// UTF-8 byte-order mark dropped, empty lines skipped. A longer line is
// dropped whole: half of it would pass for a row.
class CsvReader {
public:
    static const std::size_t kMaxLine = 1023;

    explicit CsvReader(FILE* file) : file_(file) {}
    // Fills `fields` with the first `n` fields of the next line (trailing
    // blanks removed, missing ones empty); returns the line's field count,
    // 0 for a line too long (fields empty), -1 at the end of the file.
    int next(std::vector<std::string>& fields, std::size_t n);
    // The number in the file of the line last returned, empty lines counted.
    int line() const { return line_; }

private:
    bool read_line(std::string& line, bool* tooLong);

    static const int kEndOfFile = 0x1A;

    FILE* file_;
    bool first_ = true;
    bool ended_ = false;  // the end-of-file mark was met
    int line_ = 0;
};

struct CsvApplyStats {
    int applied = 0;  // rows written into the image
    int refused = 0;  // rows that could not be read (too long, a number that is none)
};

// Fresh images for an upload: departments "REPARTO n", articles "PLU n"
// with var_prezzo and zero_si, everything else 0.
std::vector<uint8_t> csv_preset_image(EcrTable table);

// Applies every acceptable row of `in` to `image` (a whole file of
// `table`); invoices cannot be applied. The header and lines that are no
// row of the table (another field count, an id that is no number or out of
// range) are skipped; each refused row gets a trace line naming `name`.
CsvApplyStats csv_apply(EcrTable table, FILE* in, std::vector<uint8_t>& image, const char* name);

// Kind byte of a customer from its five texts.
uint8_t cliente_kind(const ClienteRecord& r);
