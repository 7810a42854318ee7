#pragma once
// The texts of the grid's statements, built from the query parts of the
// record. They grow with their parts: no part is ever cut.

#include "gridinfo.h"

#include <string>

// SELECT prefix columns FROM table [extra] [WHERE] [GROUP BY] [having] [ORDER BY]
std::string GridSelectText(const GRIDINFO* gi);
// SELECT COUNT(*) over the same query without its order.
std::string GridCountText(const GRIDINFO* gi);
// SUM (1), COUNT (2), MIN (3), MAX (4) of an expression over the table.
std::string GridAggregateText(const GRIDINFO* gi, int kind, const char* expression,
                              const char* where, const char* extra, bool useGridFilter);
// MAX of a column (from 1); mode 'r' adds the grid's own filter parts.
std::string GridMaxText(const GRIDINFO* gi, int column, char mode);

// Whether a text is null or empty.
inline bool GridEmpty(const char* text)
{
    return !text || !*text;
}
