// zDBGetPKkey: the index columns of a table with their types and the quote
// characters their values need, for the grid's row locks and updates.

#include "zdb.h"
#include "zdbinternal.h"
#include "zdbsql.h"
#include "xalloc.h"

#include <windows.h>
#include <sql.h>
#include <sqlext.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

// Reads a text column into a buffer of `size` bytes; NULL reads as empty.
void GetText(SQLHSTMT stmt, SQLUSMALLINT column, char* buffer, SQLLEN size)
{
    SQLLEN indicator = 0;
    buffer[0] = 0;
    if (!SQL_SUCCEEDED(SQLGetData(stmt, column, SQL_C_CHAR, buffer, size, &indicator)) || indicator == SQL_NULL_DATA)
        buffer[0] = 0;
    buffer[size - 1] = 0;
}

SQLSMALLINT GetShort(SQLHSTMT stmt, SQLUSMALLINT column)
{
    SQLSMALLINT value = 0;
    SQLLEN indicator = 0;
    if (!SQL_SUCCEEDED(SQLGetData(stmt, column, SQL_C_SSHORT, &value, 0, &indicator)) || indicator == SQL_NULL_DATA)
        return 0;
    return value;
}

SQLINTEGER GetLong(SQLHSTMT stmt, SQLUSMALLINT column)
{
    SQLINTEGER value = 0;
    SQLLEN indicator = 0;
    if (!SQL_SUCCEEDED(SQLGetData(stmt, column, SQL_C_SLONG, &value, 0, &indicator)) || indicator == SQL_NULL_DATA)
        return 0;
    return value;
}

// Copies a short text into a record field, or leaves the field empty when
// it does not fit: a cut quote would make a wrong literal.
template <size_t N>
void CopyFitting(char (&field)[N], const char* text)
{
    size_t n = strlen(text);
    field[0] = 0;
    if (n < N)
        memcpy(field, text, n + 1);
}

class KeyList {
public:
    explicit KeyList(_pkey_** keys) : keys_(keys) {}
    short count() const { return count_; }
    _pkey_& operator[](short i) { return (*keys_)[i]; }

    // The new record is zero-filled by the allocator.
    _pkey_& Add()
    {
        *keys_ = static_cast<_pkey_*>(xrealloc(*keys_, (count_ + 1) * sizeof(_pkey_)));
        return (*keys_)[count_++];
    }

private:
    _pkey_** keys_;
    short count_ = 0;
};

void AddRowIdentifier(KeyList& keys)
{
    _pkey_& key = keys.Add();
    strcpy(key.name, "ROWID");
    key.dataType = SQL_CHAR;
    key.columnSize = 18;
    key.pseudoColumn = true;
    strcpy(key.literalPrefix, "'");
    strcpy(key.literalSuffix, "'");
}

// One row of SQLStatistics; false for the table's own statistics row.
bool ReadIndexColumn(SQLHSTMT stmt, _pkey_& key)
{
    key = _pkey_{};
    key.nonUnique = GetShort(stmt, 4);
    GetText(stmt, 5, key.indexQualifier, 35);
    GetText(stmt, 6, key.indexName, 35);
    key.position = GetShort(stmt, 8);
    GetText(stmt, 9, key.name, 30);
    char order[2] = {};
    GetText(stmt, 10, order, sizeof order);
    key.order = order[0];
    return key.name[0] != 0;
}

void ListIndexColumns(SQLHSTMT stmt, const std::string& table, KeyList& keys)
{
    SQLRETURN r = SQLStatistics(stmt, nullptr, 0, nullptr, 0, Sql(table), SQL_NTS, SQL_INDEX_ALL, SQL_ENSURE);
    if (!SQL_SUCCEEDED(r))
        return;
    while (SQL_SUCCEEDED(SQLFetch(stmt)) && keys.count() < SHRT_MAX) {
        _pkey_ row;
        if (ReadIndexColumn(stmt, row)) {
            if (keys.count() > 0 && lstrcmpiA(keys[0].name, row.name) == 0)
                keys[0].repeated = true;
            keys.Add() = row;
        }
        Sleep(1);
    }
}

// SQLColumns takes patterns ('_' matches any character): the row of this very
// table and column is looked for among those that match.
void ReadColumnType(SQLHSTMT stmt, const std::string& table, _pkey_& key)
{
    SQLFreeStmt(stmt, SQL_CLOSE);
    SQLRETURN r = SQLColumns(stmt, nullptr, 0, nullptr, 0, Sql(table), SQL_NTS,
                             Sql(key.name), SQL_NTS);
    bool first = true;
    while (SQL_SUCCEEDED(r) && SQL_SUCCEEDED(SQLFetch(stmt))) {
        char tableName[256], name[256];
        GetText(stmt, 3, tableName, sizeof tableName);
        GetText(stmt, 4, name, sizeof name);
        bool exact = lstrcmpiA(tableName, table.c_str()) == 0 && lstrcmpiA(name, key.name) == 0;
        if (first || exact) {
            key.dataType = GetShort(stmt, 5);
            key.columnSize = GetLong(stmt, 7);
        }
        first = false;
        if (exact)
            break;
    }
    SQLFreeStmt(stmt, SQL_CLOSE);
}

void ReadLiterals(SQLHDBC hdbc, SQLHSTMT stmt, _pkey_& key)
{
    if (!SQL_SUCCEEDED(SQLGetTypeInfo(stmt, static_cast<SQLSMALLINT>(key.dataType)))) {
        zDBError(nullptr, hdbc, stmt, "zDBGetPKkey::get type2");
        return;
    }
    if (SQL_SUCCEEDED(SQLFetch(stmt))) {
        char text[8];
        GetText(stmt, 4, text, sizeof text);
        CopyFitting(key.literalPrefix, text);
        GetText(stmt, 5, text, sizeof text);
        CopyFitting(key.literalSuffix, text);
    }
    SQLFreeStmt(stmt, SQL_CLOSE);
}

short ListKeys(SQLHDBC hdbc, const std::string& table, _pkey_** keys)
{
    char dbms[80] = {};
    SQLSMALLINT dbmsLength = 0;
    SQLGetInfo(hdbc, SQL_DBMS_NAME, dbms, sizeof dbms - 1, &dbmsLength);
    SQLHSTMT stmt = nullptr;
    if (!SQL_SUCCEEDED(SQLAllocStmt(hdbc, &stmt)))
        return 0;
    KeyList list(keys);
    if (lstrcmpiA(dbms, "oracle") == 0)
        AddRowIdentifier(list);
    ListIndexColumns(stmt, table, list);
    for (short i = 0; i < list.count(); ++i) {
        if (list[i].pseudoColumn)
            continue;
        ReadColumnType(stmt, table, list[i]);
        ReadLiterals(hdbc, stmt, list[i]);
        Sleep(1);
    }
    SQLFreeStmt(stmt, SQL_DROP);
    return list.count();
}

}  // namespace

std::string ZdbTablePart(const char* name)
{
    std::string text(name ? name : "");
    size_t dot = text.rfind('.');
    std::string table = dot == std::string::npos ? text : text.substr(dot + 1);
    size_t first = table.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : table;
}

short zDBGetPKkey(void* hdbc, const char* table, _pkey_** keys, unsigned short)
{
    try {
        if (!keys)
            return 0;
        *keys = nullptr;
        std::string name = ZdbTablePart(table);
        if (name.empty())
            return 0;
        return ListKeys(hdbc, name, keys);
    } catch (...) {
        return 0;
    }
}
