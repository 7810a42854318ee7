#pragma once
// Sales files (a 512-byte header, then the department and the article
// section in 512-byte blocks of four entries) as two CSV texts.

#include "ecrrecords.h"

#include <cstdint>
#include <string>
#include <vector>

struct SalesFileInfo {
    uint32_t date = 0;
    int error_flag = 0;
    int num_rep = 0;
    uint32_t num_plu = 0;
    uint32_t size_rep = 0;  // bytes of each section
    uint32_t size_plu = 0;
};

// The header of a sales file or of ART_VENDUTI.BIN; false when shorter than
// 512 bytes.
bool sales_header(const std::vector<uint8_t>& data, SalesFileInfo* info);

// Converts a whole sales file: `rep` and `plu` receive the CSV text (header
// and CR LF ends) of each section that has entries, else stay empty. A count
// larger than a section's blocks hold gives the entries of its blocks. False,
// with both texts empty, when the header is missing or a section with
// entries runs past the end of the file.
bool sales_to_csv(const std::vector<uint8_t>& data, std::string& rep, std::string& plu,
                  SalesFileInfo* info);

// CSV header lines of the two sales files, without line end.
extern const char SALES_REP_HEADER[];
extern const char SALES_PLU_HEADER[];
