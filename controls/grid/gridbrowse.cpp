// zGridBrowse and the life of a bound grid. Rows are never cached: the
// keyset cursor is positioned on a row whenever a cell of it is read.

#include "gridbrowse.h"

#include "corvex.h"
#include "gridcolumns.h"
#include "gridcursor.h"
#include "gridlayout.h"
#include "gridlock.h"
#include "gridlockkeys.h"
#include "gridquery.h"
#include "gridrows.h"
#include "../odbc/zdb.h"
#include "odbc/zdbsql.h"

#include "xalloc.h"

#include <sqlext.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

SQLPOINTER Value(SQLULEN v)
{
    return reinterpret_cast<SQLPOINTER>(v);
}

SQLHSTMT NewStatement(SQLHDBC hdbc)
{
    SQLHSTMT s = nullptr;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, hdbc, &s)))
        return nullptr;
    return s;
}

void DropStatement(SQLHSTMT& s)
{
    if (s)
        SQLFreeHandle(SQL_HANDLE_STMT, s);
    s = nullptr;
}

bool Connect(GRIDINFO* gi, void* henv, const char* dataSource, const char* user,
             const char* password)
{
    gi->sharedEnvironment = henv != nullptr;
    if (henv) {
        gi->henv = henv;
        return zDBConnect(henv, &gi->hdbc, dataSource, user, password, 1) != 0;
    }
    return zDBFullConnect(&gi->henv, &gi->hdbc, dataSource, user, password, 1) != 0;
}

bool AllocateStatements(GRIDINFO* gi)
{
    gi->hstmt = NewStatement(gi->hdbc);
    if (!gi->hstmt)
        return false;
    gi->hstmtAux4 = NewStatement(gi->hdbc);
    gi->hstmtAux3 = NewStatement(gi->hdbc);
    gi->hstmtAux2 = NewStatement(gi->hdbc);
    gi->hstmtAux1 = NewStatement(gi->hdbc);
    SQLHSTMT all[] = {gi->hstmt, gi->hstmtAux1, gi->hstmtAux2, gi->hstmtAux3, gi->hstmtAux4};
    // Drivers without keysets answer with a static cursor or refuse the
    // keyset size; either is fine for absolute positioning.
    for (SQLHSTMT s : all) {
        if (!s)
            continue;
        SQLSetStmtAttr(s, SQL_ATTR_CURSOR_TYPE, Value(SQL_CURSOR_KEYSET_DRIVEN), 0);
        SQLSetStmtAttr(s, SQL_ATTR_KEYSET_SIZE, Value(0), 0);
    }
    for (SQLHSTMT s : all)
        if (s)
            SQLSetStmtAttr(s, SQL_ATTR_CONCURRENCY, Value(SQL_CONCUR_READ_ONLY), 0);
    return true;
}

void ReadServerNames(GRIDINFO* gi)
{
    gi->dbmsName = static_cast<char*>(xalloc(80));
    gi->databaseName = static_cast<char*>(xalloc(261));
    SQLGetInfo(gi->hdbc, SQL_DBMS_NAME, gi->dbmsName, 80, nullptr);
    SQLGetInfo(gi->hdbc, SQL_DATABASE_NAME, gi->databaseName, 260, nullptr);
}

void ReadLiterals(SQLHSTMT work, GRIDCOL& col)
{
    if (SQL_SUCCEEDED(SQLGetTypeInfo(work, col.sqlType))) {
        SQLBindCol(work, 4, SQL_C_CHAR, col.literalPrefix, 3, &col.indicator);
        SQLBindCol(work, 5, SQL_C_CHAR, col.literalSuffix, 3, &col.indicator);
        SQLFetch(work);
    }
    SQLFreeStmt(work, SQL_CLOSE);
    SQLFreeStmt(work, SQL_UNBIND);
}

// SQL Server alone knows this query; elsewhere isIdentity stays 0. The
// names go as parameters: a quote in one cannot break the statement.
void ReadIdentity(SQLHSTMT work, GRIDCOL& col, const char* table, const char* name)
{
    const char* values[4] = {table, name, name, table};
    SQLLEN lengths[4];
    for (SQLUSMALLINT i = 0; i < 4; ++i) {
        lengths[i] = SQL_NTS;
        SQLBindParameter(work, i + 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, strlen(values[i]) + 1, 0,
                         const_cast<char*>(values[i]), 0, &lengths[i]);
    }
    SQLRETURN rc = SQLExecDirect(work,
                                 Sql("SELECT COLUMNPROPERTY(OBJECT_ID(?),?,'ISIDENTITY') FROM INFORMATION_SCHEMA.COLUMNS "
                                     "WHERE COLUMN_NAME=? AND TABLE_NAME=?"),
                                 SQL_NTS);
    if (rc != SQL_ERROR && rc != SQL_INVALID_HANDLE) {
        // Bound as a 32-bit integer: the field holds no more, whatever the
        // server's own type of the answer is.
        SQLLEN ind = 0;
        SQLBindCol(work, 1, SQL_C_SLONG, &col.isIdentity, sizeof col.isIdentity, &ind);
        SQLFetch(work);
        if (ind == SQL_NULL_DATA)
            col.isIdentity = 0;
    }
    SQLFreeStmt(work, SQL_CLOSE);
    SQLFreeStmt(work, SQL_UNBIND);
    SQLFreeStmt(work, SQL_RESET_PARAMS);
}

void ReportUnsupported(SWORD type, int column, int columns)
{
    char text[160];
    snprintf(text, sizeof text, "Grid::Browse <%d> SQL data type not supported.\n column %d on %d numcols",
             type, column, columns);
    MessageBoxA(nullptr, text, "FATAL", MB_ICONHAND | MB_TASKMODAL);
}

// One grid column per result column the grid can show; `source` receives
// the result column number of each grid column.
void DescribeColumns(HWND grid, GRIDINFO* gi, std::vector<SQLUSMALLINT>& source)
{
    SQLSMALLINT count = 0;
    SQLNumResultCols(gi->hstmt, &count);
    SQLHSTMT work = NewStatement(gi->hdbc);
    for (SQLUSMALLINT n = 1; n <= count; ++n) {
        SQLCHAR name[30] = {};
        SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        SQLDescribeCol(gi->hstmt, n, name, sizeof name, &nameLength, &type, &size, &digits, &nullable);
        WORD gridType = GridColumnTypeOf(type);
        if (!gridType) {
            ReportUnsupported(type, n, count);
            continue;
        }
        const char* text = reinterpret_cast<const char*>(name);
        int width = size > 0x7fffffff ? 0x7fffffff : static_cast<int>(size);
        int display = width > static_cast<int>(strlen(text)) + 2 ? width : static_cast<int>(strlen(text)) + 2;
        zGridColAdd(grid, width, digits, "", text, display, gridType, 0, "", true);
        GRIDCOL& col = gi->columns[gi->columnCount - 1];
        col.sqlType = type;
        source.push_back(n);
        if (work) {
            ReadLiterals(work, col);
            ReadIdentity(work, col, gi->tableName, text);
        }
    }
    DropStatement(work);
}

// Row-wise binding of one row: per column its text and, behind it, its
// length indicator.
void BindRowBuffer(GRIDINFO* gi, const std::vector<SQLUSMALLINT>& source)
{
    gi->rowBufferSize = 0;
    for (int c = 0; c < gi->columnCount; ++c)
        gi->rowBufferSize += gi->columns[c].dataWidth + 5;
    if (gi->rowBufferSize == 0)
        return;
    gi->rowBuffer = static_cast<char*>(xalloc(gi->rowBufferSize));
    SQLSetStmtAttr(gi->hstmt, SQL_ATTR_ROW_BIND_TYPE, Value(gi->rowBufferSize), 0);
    SQLSetStmtAttr(gi->hstmt, SQL_ATTR_ROWS_FETCHED_PTR, &gi->rowsFetched, 0);
    SQLSetStmtAttr(gi->hstmt, SQL_ATTR_ROW_ARRAY_SIZE, Value(1), 0);
    char* at = gi->rowBuffer;
    for (int c = 0; c < gi->columnCount; ++c) {
        GRIDCOL& col = gi->columns[c];
        col.buffer = at;
        auto* indicator = reinterpret_cast<SQLLEN*>(at + col.dataWidth + 1);
        SQLBindCol(gi->hstmt, source[c], SQL_C_CHAR, at, col.dataWidth + 1, indicator);
        at += col.dataWidth + 5;
    }
}

}  // namespace

WORD GridColumnTypeOf(SWORD sqlType)
{
    switch (sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
        return GRID_TEXT;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return GRID_FLOAT;
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_TINYINT:
        return GRID_INTEGER;
    case SQL_DATE:
        return GRID_DATE;
    case SQL_TIMESTAMP:
        return GRID_TIMESTAMP;
    case SQL_BIT:
        return GRID_BOOLEAN;
    case SQL_LONGVARBINARY:
        return GRID_BINARY;
    case SQL_LONGVARCHAR:
        return GRID_LONGTEXT;
    default:
        return 0;
    }
}

void GridBuildSelect(GRIDINFO* gi)
{
    GridSetText(gi->selectText, GridSelectText(gi).c_str());
}

int GridCountRows(GRIDINFO* gi)
{
    if (!gi->hstmt)
        return gi->rowCount;
    gi->rowCount = 0;
    std::string text = GridCountText(gi);
    SQLHSTMT s = NewStatement(gi->hdbc);
    if (!s)
        return 0;
    SQLRETURN rc = SQLExecDirect(s, Sql(text), SQL_NTS);
    if (SQL_SUCCEEDED(rc)) {
        SQLINTEGER count = 0;
        SQLBindCol(s, 1, SQL_C_LONG, &count, sizeof count, nullptr);
        if (SQL_SUCCEEDED(SQLFetch(s)))
            gi->rowCount = count;
    } else if (gi->showErrors) {
        zDBError(gi->henv, gi->hdbc, s, text.c_str());
    }
    DropStatement(s);
    return gi->rowCount;
}

namespace {

// Executes selectText again on the browse statement and counts its rows.
bool ExecuteSelect(GRIDINFO* gi)
{
    if (!gi->hstmt || !gi->selectText)
        return false;
    SQLFreeStmt(gi->hstmt, SQL_CLOSE);
    SQLRETURN rc = SQLExecDirect(gi->hstmt, Sql(gi->selectText), SQL_NTS);
    if (rc == SQL_ERROR || rc == SQL_INVALID_HANDLE) {
        if (gi->showErrors) {
            std::string text = std::string("GRID::DBREFRESH\n") + gi->selectText;
            zDBError(gi->henv, gi->hdbc, gi->hstmt, text.c_str());
        }
        return false;
    }
    GridCountRows(gi);
    return true;
}

}  // namespace

bool GridReread(HWND grid, GRIDINFO* gi)
{
    if (!ExecuteSelect(gi))
        return false;
    GridNotify(grid, GRIDN_REREAD, 0);
    // The marker's own state counts: a grid on a hidden form hides it too.
    if (gi->rowMarker)
        ShowWindow(gi->rowMarker, SW_HIDE);
    return true;
}

void GridReposition(HWND grid, GRIDINFO* gi)
{
    GridNotify(grid, GRIDN_REPOSITION, 0);
    int row = gi->currentRow < 1 ? 1 : gi->currentRow;
    if (row > gi->rowCount)
        row = gi->rowCount;
    GridSetCurrentRow(grid, gi, row, gi->currentColumn, 0, true);
    GridRecalcLayout(grid, gi);
    InvalidateRect(grid, nullptr, FALSE);
    GridBringIntoView(grid, gi);
    GridPlaceCaret(grid, gi);
}

void GridRereadAfterWrite(HWND grid, GRIDINFO* gi)
{
    int rows = gi->rowCount;
    // The new order may put the current record elsewhere: it is found again by its key.
    std::vector<GridKeyPart> parts = GridKeyParts(gi);
    std::vector<std::string> key = GridRowKey(gi, parts, gi->currentRow);
    if (!ExecuteSelect(gi))
        return;
    InvalidateRect(grid, nullptr, FALSE);
    int row = GridRowOfKey(gi, parts, key, gi->currentRow);
    // A record the write took out of the filter leaves the row in its place current.
    if (row == 0)
        row = gi->currentRow > gi->rowCount ? gi->rowCount : gi->currentRow;
    if (gi->rowCount == rows && row == gi->currentRow)
        return;
    GridRecalcLayout(grid, gi);
    if (row != gi->currentRow) {
        GridSetCurrentRow(grid, gi, row, gi->currentColumn, 0, false);
        GridBringIntoView(grid, gi);
    }
    GridPlaceCaret(grid, gi);
}

void GridReload(HWND grid, GRIDINFO* gi)
{
    GridCloseEditor(grid, gi);
    GridBuildSelect(gi);
    GridReread(grid, gi);
    GridReposition(grid, gi);
}

void GridClearColumnBuffers(GRIDINFO* gi)
{
    for (int c = 0; c < gi->columnCount; ++c)
        if (gi->columns[c].buffer)
            gi->columns[c].buffer[0] = 0;
}

namespace {

void FreeQueryTexts(GRIDINFO* gi)
{
    char** texts[] = {&gi->selectText, &gi->whereClause, &gi->orderByClause, &gi->groupByClause,
                      &gi->fromExtra, &gi->havingText, &gi->tableName, &gi->dbmsName,
                      &gi->databaseName, &gi->dataSource, &gi->userName, &gi->password,
                      &gi->columnList, &gi->selectPrefix};
    for (char** t : texts)
        GridFreeText(*t);
}

void Disconnect(GRIDINFO* gi)
{
    if (gi->sharedEnvironment) {
        zDBDisconnect(gi->henv, gi->hdbc, 1);
    } else {
        zDBFullDisconnect(gi->henv, gi->hdbc, 1);
        gi->henv = nullptr;
    }
    gi->hdbc = nullptr;
}

}  // namespace

void GridCloseBrowse(HWND grid, GRIDINFO* gi)
{
    if (!gi->hstmt)
        return;
    if (!gi->autoCommit)
        SQLSetConnectAttr(gi->hdbc, SQL_ATTR_AUTOCOMMIT, Value(SQL_AUTOCOMMIT_ON), 0);
    GridCloseEditor(grid, gi);
    // The disconnect frees every statement of the connection: locks still
    // held must go first, or a later commit would free them a second time.
    GridDropAllLocks(gi);
    DropStatement(gi->hstmtAux1);
    DropStatement(gi->hstmtAux2);
    DropStatement(gi->hstmtAux3);
    DropStatement(gi->hstmtAux4);
    DropStatement(gi->hstmt);
    xfree(gi->rowBuffer);
    gi->rowBuffer = nullptr;
    gi->rowBufferSize = 0;
    FreeQueryTexts(gi);
    Disconnect(gi);
    GridFreeColumns(grid, gi);
    GridFreeRows(gi);
}

namespace {

bool OpenBrowse(HWND grid, GRIDINFO* gi, const char* table, const char* selectPrefix,
                const char* where, const char* orderBy, const char* fromExtra,
                const char* groupBy, const char* having)
{
    if (!AllocateStatements(gi))
        return false;
    SQLSetConnectAttr(gi->hdbc, SQL_ATTR_AUTOCOMMIT,
                      Value(gi->autoCommit ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF), 0);
    GridSetText(gi->selectPrefix, selectPrefix);
    GridSetText(gi->fromExtra, fromExtra);
    GridSetText(gi->havingText, having);
    GridSetText(gi->whereClause, where);
    GridSetText(gi->orderByClause, orderBy);
    GridSetText(gi->groupByClause, groupBy);
    GridBuildSelect(gi);
    if (!GridReread(grid, gi))
        return false;
    gi->keyCount = zDBGetPKkey(gi->hdbc, table, &gi->keys, 0);
    std::vector<SQLUSMALLINT> source;
    DescribeColumns(grid, gi, source);
    BindRowBuffer(gi, source);
    return true;
}

}  // namespace

bool zGridBrowse(HWND grid, void* henv, const char* dataSource, const char* user,
                 const char* password, const char* table, const char* selectPrefix,
                 const char* where, const char* orderBy, const char* columnList,
                 const char* fromExtra, const char* groupBy, const char* having, int)
{
    GRIDINFO* gi = GridInfo(grid);
    if (!gi)
        return false;
    try {
        GridCloseBrowse(grid, gi);
        // Columns and rows of an unbound grid do not belong to the table.
        GridFreeColumns(grid, gi);
        GridFreeRows(gi);
        if (!Connect(gi, henv, dataSource, user, password))
            return false;
        SQLSetEnvAttr(gi->henv, SQL_ATTR_ODBC_VERSION, Value(SQL_OV_ODBC3), 0);
        SQLSetConnectAttr(gi->hdbc, SQL_ATTR_TXN_ISOLATION, Value(SQL_TXN_READ_UNCOMMITTED), 0);
        GridSetText(gi->dataSource, dataSource);
        GridSetText(gi->userName, user);
        GridSetText(gi->password, password);
        ReadServerNames(gi);
        GridSetText(gi->tableName, table);
        GridSetText(gi->columnList, columnList);
        if (!OpenBrowse(grid, gi, table, selectPrefix, where, orderBy, fromExtra, groupBy, having)) {
            if (gi->hstmt) {
                GridCloseBrowse(grid, gi);
            } else {
                FreeQueryTexts(gi);
                Disconnect(gi);
            }
            return false;
        }
        GridReposition(grid, gi);
        return true;
    } catch (...) {
        GridCloseBrowse(grid, gi);
        return false;
    }
}
