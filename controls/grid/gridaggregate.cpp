// Statements the owner runs on the grid's own connection: aggregates, the
// maximum of a column, filtered deletes and free statements. None of them
// reads the grid again.

#include "gridcursor.h"
#include "gridinfo.h"
#include "gridquery.h"

#include "corvex.h"
#include "odbc/zdbsql.h"

#include <sqlext.h>

#include <string>

namespace {

// Executes a text on a fresh statement of the connection and fetches one
// double from its first column.
double FetchDouble(SQLHSTMT s, std::string& text, SQLRETURN* result)
{
    double value = 0;
    *result = SQLExecDirect(s, Sql(text), SQL_NTS);
    if (*result == SQL_SUCCESS) {
        SQLLEN ind = 0;
        SQLBindCol(s, 1, SQL_C_DOUBLE, &value, sizeof value, &ind);
        if (!SQL_SUCCEEDED(SQLFetch(s)) || ind == SQL_NULL_DATA)
            value = 0;
    }
    SQLFreeStmt(s, SQL_UNBIND);
    return value;
}

SQLHSTMT NewStatement(GRIDINFO* gi)
{
    SQLHSTMT s = nullptr;
    if (!gi->hdbc || !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, gi->hdbc, &s)))
        return nullptr;
    return s;
}

void* RunOwnerStatement(HWND grid, const char* statement, bool prepare)
{
    GRIDINFO* gi = GridInfo(grid);
    if (!gi || !gi->hstmt || !gi->hstmtAux4)
        return nullptr;
    SQLFreeStmt(gi->hstmtAux4, SQL_CLOSE);
    std::string text = statement ? statement : "";
    SQLRETURN rc = prepare ? SQLPrepare(gi->hstmtAux4, Sql(text), SQL_NTS)
                           : SQLExecDirect(gi->hstmtAux4, Sql(text), SQL_NTS);
    if (rc != SQL_SUCCESS && gi->showErrors)
        zDBError(gi->henv, gi->hdbc, gi->hstmtAux4, prepare ? "GRID::PREPARE" : "GRID::EXEC");
    return gi->hstmtAux4;
}

}  // namespace

double zGridAggregate(HWND grid, int kind, const char* expression, const char* where,
                      const char* extra, bool useGridFilter)
{
    try {
        GRIDINFO* gi = GridInfo(grid);
        if (!gi || !gi->hstmt || !gi->hstmtAux3)
            return 0;
        std::string text = GridAggregateText(gi, kind, expression, where, extra, useGridFilter);
        double value = 0;
        SQLRETURN rc = SQLExecDirect(gi->hstmtAux3, Sql(text), SQL_NTS);
        if (rc != SQL_ERROR) {
            SQLLEN ind = 0;
            SQLBindCol(gi->hstmtAux3, 1, SQL_C_DOUBLE, &value, sizeof value, &ind);
            if (!SQL_SUCCEEDED(SQLFetch(gi->hstmtAux3)) || ind == SQL_NULL_DATA)
                value = 0;
            SQLFreeStmt(gi->hstmtAux3, SQL_UNBIND);
        } else if (gi->showErrors) {
            zDBError(gi->henv, gi->hdbc, gi->hstmtAux3, text.c_str());
        }
        SQLFreeStmt(gi->hstmtAux3, SQL_CLOSE);
        return value;
    } catch (...) {
        return 0;
    }
}

double zGridGetMax(HWND grid, int column, char mode)
{
    try {
        GRIDINFO* gi = GridInfo(grid);
        if (!gi || !gi->hstmt)
            return 0;
        std::string text = GridMaxText(gi, column, mode);
        SQLHSTMT s = NewStatement(gi);
        if (!s)
            return 0;
        SQLRETURN rc = SQL_ERROR;
        double value = FetchDouble(s, text, &rc);
        if (rc != SQL_SUCCESS && gi->showErrors)
            zDBError(gi->henv, gi->hdbc, s, "GRID::MAX");
        SQLFreeHandle(SQL_HANDLE_STMT, s);
        return value;
    } catch (...) {
        return 0;
    }
}

void zGridDelete(HWND grid, const char* where)
{
    try {
        GRIDINFO* gi = GridInfo(grid);
        if (!gi)
            return;
        std::string text = std::string("DELETE FROM ") + (gi->tableName ? gi->tableName : "");
        if (!GridEmpty(where))
            text.append(" WHERE ").append(where);
        SQLHSTMT s = NewStatement(gi);
        SQLRETURN rc = s ? SQLExecDirect(s, Sql(text), SQL_NTS) : SQL_ERROR;
        // A filter that matches no row answers "no data": nothing failed,
        // and nothing changed either.
        if (SQL_SUCCEEDED(rc))
            GridNotify(grid, GRIDN_DATACHANGED, 0);
        else if (Failed(rc) && gi->showErrors)
            zDBError(gi->henv, gi->hdbc, s, "GRID::DELETE");
        if (s)
            SQLFreeHandle(SQL_HANDLE_STMT, s);
    } catch (...) {
    }
}

void* zGridExec(HWND grid, const char* statement)
{
    try {
        return RunOwnerStatement(grid, statement, false);
    } catch (...) {
        return nullptr;
    }
}

void* zGridPrepare(HWND grid, const char* statement)
{
    try {
        return RunOwnerStatement(grid, statement, true);
    } catch (...) {
        return nullptr;
    }
}

void zGridEditOff(HWND grid)
{
    if (GRIDINFO* gi = GridInfo(grid))
        GridCloseEditor(grid, gi);
}
