#pragma once
// The register's date/time codec: unsigned seconds since 01/01/1970 on the
// plain calendar (no zone, no daylight saving), for the years 2000..2099.

#include "brisal.h"

#include <cstddef>
#include <cstdint>

// First and last second the codec turns back into a calendar record.
constexpr uint32_t ECR_ORO_FIRST = 946684800u;   // 01/01/2000 00:00:00
constexpr uint32_t ECR_ORO_LAST = 4102444799u;   // 31/12/2099 23:59:59

// Day, month, year (0..99), hour, minute, second to seconds; nothing is
// checked, a month outside 1..12 counts as January.
uint32_t ecr_oro_seconds(unsigned day, unsigned month, unsigned year, unsigned hour,
                         unsigned minute, unsigned second);

// Seconds to the calendar record; false (and the 99/999 filling) outside
// 2000..2099. Works only on its arguments, so any thread may call it.
bool ecr_oro_split(uint32_t seconds, ecr_oro_t* out);

// 0 when the six values make a date/time of 2000..2099, else -1.
int ecr_oro_valid(int day, int month, int year, int hour, int minute, int second);

// Text forms of the data files; each buffer holds at least 18 bytes.
// "dd/mm/yy-hh:mm:ss"
char* ecr_oro_datetime_text(uint32_t seconds, char* text, std::size_t size);
// "ddmmyy": the date part of the sales file names.
char* ecr_oro_compact_text(uint32_t seconds, char* text, std::size_t size);
