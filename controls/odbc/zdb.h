#pragma once
// The control library's ODBC connection functions and the key-column record
// that zDBGetPKkey hands out. Handles pass untyped: HENV, HDBC and HSTMT are
// plain pointers, so callers need no ODBC headers.

#include "../corvex.h"

#include <cstddef>
#include <cstdint>

// One index column of a table. Callers index the array by record, so the
// layout is fixed at 128 bytes. The array and every value text belong to the
// caller, who frees them with xfree.
struct _pkey_ {
    char name[31];             // COLUMN_NAME
    char indexName[36];        // INDEX_NAME
    char indexQualifier[36];   // INDEX_QUALIFIER
    char order;                // ASC_OR_DESC: 'A', 'D' or 0
    char literalPrefix[2];     // quote character of the column's type, or empty
    char literalSuffix[2];
    int32_t dataType;          // SQL type code of the column
    int32_t columnSize;
    int16_t nonUnique;         // 0: the index is unique (the column is usable as key)
    int16_t position;          // position of the column in its index, from 1
    bool pseudoColumn;         // the row identifier record (Oracle's ROWID)
    bool repeated;             // first record only: its column appears again later
    char* value;               // the grid's copy of the key value of the row last locked (xalloc)
};

static_assert(sizeof(_pkey_) == 128, "callers index _pkey_ arrays by 128-byte records");
// Callers read the fields at these offsets.
static_assert(offsetof(_pkey_, indexName) == 31 && offsetof(_pkey_, indexQualifier) == 67 &&
                  offsetof(_pkey_, order) == 103 && offsetof(_pkey_, literalPrefix) == 104 &&
                  offsetof(_pkey_, literalSuffix) == 106 && offsetof(_pkey_, dataType) == 108 &&
                  offsetof(_pkey_, columnSize) == 112 && offsetof(_pkey_, nonUnique) == 116 &&
                  offsetof(_pkey_, position) == 118 && offsetof(_pkey_, pseudoColumn) == 120 &&
                  offsetof(_pkey_, repeated) == 121 && offsetof(_pkey_, value) == 124,
              "the _pkey_ fields lie where callers read them");

// String-table texts of the connection functions.
enum : unsigned {
    IDS_ZDB_CANNOT_CONNECT = 1000,
    IDS_ZDB_CANNOT_DISCONNECT = 1001,
    IDS_ZDB_FATAL = 1002,
};

// zDBExecScript modes: any other value runs a file as one statement.
enum : short {
    ZDB_SCRIPT_FILE_LINES = 1,
    ZDB_SCRIPT_SQL = 2,
};

// zDBErrorString's destination must hold this many bytes.
constexpr unsigned ZDB_ERROR_TEXT_SIZE = 513;
