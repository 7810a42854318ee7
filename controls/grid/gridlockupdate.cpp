// The statements that change a bound grid's table: UPDATE of one cell and
// DELETE of one row (both keyed on the key columns of the lock taken just
// before), INSERT of a new row from the columns' default texts, and the
// emptying of the whole table. Texts grow with their names: no fixed
// buffer limits a table or column name.

#include "gridlock.h"
#include "gridlockkeys.h"

#include "corvex.h"
#include "odbc/zdbsql.h"
#include "datetext.h"
#include "gridbrowse.h"
#include "griddates.h"
#include "gridquery.h"

#include <sqlext.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The fixed days that date look-ups stand for, in the current year.
std::string FixedDay(LRESULT itemData)
{
    static const char* const days[] = {"%04d-01-01", "%04d-01-06", "%04d-08-15", "%04d-11-01",
                                       "%04d-12-08", "%04d-12-25", "%04d-12-26"};
    if (itemData < 1001 || itemData > 1007)
        return "";
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    char text[16];
    snprintf(text, sizeof text, days[itemData - 1001], now.wYear);
    return text;
}

// The value behind the text the user picked in a look-up combo box.
std::string LookupValue(const GRIDCOL& col, const std::string& text)
{
    HWND combo = col.lookupCombo;
    if (col.type == GRID_INTEGER || col.type == GRID_FLOAT) {
        SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        LRESULT item = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(text.c_str()));
        LRESULT data = item == CB_ERR ? CB_ERR : SendMessageA(combo, CB_GETITEMDATA, item, 0);
        if (data == CB_ERR)
            return "0";
        char number[16];
        snprintf(number, sizeof number, "%lu", static_cast<unsigned long>(data));
        return number;
    }
    if (GridIsDateColumn(col)) {
        LRESULT item = SendMessageA(combo, CB_GETCURSEL, 0, 0);
        LRESULT data = item == CB_ERR ? CB_ERR : SendMessageA(combo, CB_GETITEMDATA, item, 0);
        return FixedDay(data);
    }
    return text;
}

bool IsFalse(const std::string& text)
{
    return text.empty() || lstrcmpiA(text.c_str(), "No") == 0 || text == "0";
}

// An integer in the column's 32-bit range; false when the text holds a
// number that does not fit (nothing is written then rather than a wrong
// value).
bool IntegerText(std::string& text)
{
    errno = 0;
    char* end = nullptr;
    long long value = strtoll(text.c_str(), &end, 10);
    if (end == text.c_str()) {
        text = "0";
        return true;
    }
    if (errno == ERANGE || value < LONG_MIN || value > LONG_MAX)
        return false;
    text = std::to_string(value);
    return true;
}

// The text UPDATE stores for a typed value; false when it cannot be stored.
bool UpdateValue(const GRIDCOL& col, const char* typed, int mode, std::string& value)
{
    value = typed ? typed : "";
    bool lookup = col.lookupCombo && col.lookupOnly;
    if (mode == GRID_LOCK_EDIT && lookup)
        value = LookupValue(col, value);
    bool numeric = col.type == GRID_INTEGER || col.type == GRID_BOOLEAN || col.type == GRID_FLOAT;
    if (numeric && value.empty())
        value = "0";
    if (col.type == GRID_INTEGER)
        return IntegerText(value);
    if (col.type == GRID_BOOLEAN)
        value = IsFalse(value) ? "0" : "1";
    else if (!col.lookupCombo)
        value = GridStoredDateText(col, value.c_str());
    return true;
}

// Parameter size and decimals by the column's SQL type.
void ParameterShape(const GRIDCOL& col, const std::string& value, SQLULEN* size, SQLSMALLINT* decimals)
{
    *size = 0;
    *decimals = 0;
    switch (col.sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
        *size = value.size() + 1;
        break;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
        *size = col.dataWidth;
        *decimals = static_cast<SQLSMALLINT>(col.decimals);
        break;
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_DATE:
    case SQL_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIMESTAMP:
    case SQL_TINYINT:
        *size = col.dataWidth;
        break;
    default:
        break;
    }
}

void BindDouble(SQLHSTMT s, SQLUSMALLINT n, GRIDCOL& col, const std::string& value)
{
    col.paramValue = value.empty() ? 0 : atof(value.c_str());
    SQLBindParameter(s, n, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, col.dataWidth,
                     static_cast<SQLSMALLINT>(col.decimals), &col.paramValue, 0, &col.indicator);
}

bool Report(GRIDINFO* gi, SQLHSTMT s, const char* what)
{
    if (gi->showErrors)
        zDBError(gi->henv, gi->hdbc, s, what);
    return false;
}

}  // namespace

bool GridDBUpdate(HWND, GRIDINFO* gi, const char* text, int column, int mode)
{
    if (!gi->hstmt || column < 1 || column > gi->columnCount)
        return false;
    GRIDCOL& col = gi->columns[column - 1];
    std::vector<GridKeyPart> parts = GridKeyParts(gi);
    std::string value;
    if (GridEmpty(col.sqlName)) {
        // No statement can name the column: refused as one that failed.
        Report(gi, nullptr, "GRID::DBUPDATE");
        GridDropCurrentLock(gi, mode);
        return false;
    }
    if (parts.empty() || !UpdateValue(col, text, mode, value)) {
        GridDropCurrentLock(gi, mode);
        return false;
    }
    std::string statement = "UPDATE ";
    statement.append(gi->tableName).append(" SET ").append(col.sqlName).append("=? WHERE ");
    statement += GridKeyCondition(gi, parts);
    SQLHSTMT s = nullptr;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, gi->hdbc, &s))) {
        GridDropCurrentLock(gi, mode);
        return false;
    }
    col.indicator = value.empty() ? SQL_NULL_DATA : SQL_NTS;
    if (col.type == GRID_FLOAT) {
        BindDouble(s, 1, col, value);
    } else {
        SQLULEN size = 0;
        SQLSMALLINT decimals = 0;
        ParameterShape(col, value, &size, &decimals);
        SQLBindParameter(s, 1, SQL_PARAM_INPUT, SQL_C_CHAR, col.sqlType, size, decimals, &value[0], 0,
                         &col.indicator);
    }
    std::vector<SQLLEN> lengths(parts.size() + 1, SQL_NTS);
    GridBindKeyParameters(gi, s, parts, 2, lengths.data());
    SQLRETURN rc = SQLExecDirect(s, Sql(statement), SQL_NTS);
    // A failed write is a failure: the caller must not show the value as stored.
    bool ok = SQL_SUCCEEDED(rc);
    if (!ok)
        Report(gi, s, "GRID::DBUPDATE");
    SQLFreeHandle(SQL_HANDLE_STMT, s);
    GridDropCurrentLock(gi, mode);
    return ok;
}

namespace {

// Types 8 and 256 have no text to bind, and a nameless column no name to
// list: the table's own default fills them.
bool Inserted(const GRIDCOL& col)
{
    return col.insertMode != 0 && col.isIdentity == 0 && col.type != GRID_BITMAP && col.type != GRID_BINARY &&
           !GridEmpty(col.sqlName);
}

// The text INSERT binds for a column's default.
std::string InsertValue(const GRIDCOL& col)
{
    std::string value = col.defaultText ? col.defaultText : "";
    if (value.empty())
        return value;
    if (GridIsDateColumn(col))
        return GridStoredDateText(col, value.c_str());
    if (col.type == GRID_BOOLEAN)
        return IsFalse(value) ? "0" : "1";
    return value;
}

bool BindInsert(GRIDINFO* gi, SQLHSTMT s, SQLUSMALLINT n, GRIDCOL& col, std::string& value)
{
    col.indicator = value.empty() ? SQL_NULL_DATA : SQL_NTS;
    SQLSMALLINT sqlType = SQL_CHAR;
    SQLULEN size = col.dataWidth > 0 ? col.dataWidth : value.size() + 1;
    switch (col.type) {
    case GRID_FLOAT:
        BindDouble(s, n, col, value);
        return true;
    case GRID_INTEGER:
    case GRID_BOOLEAN:
        sqlType = SQL_INTEGER;
        break;
    case GRID_DATE:
        sqlType = SQL_TYPE_DATE;
        break;
    case GRID_TIMESTAMP:
        sqlType = SQL_TYPE_TIMESTAMP;
        break;
    case GRID_LONGTEXT:
        sqlType = SQL_LONGVARCHAR;
        size = value.size() > 0 ? value.size() : 1;
        break;
    default:
        break;
    }
    SQLRETURN rc = SQLBindParameter(s, n, SQL_PARAM_INPUT, SQL_C_CHAR, sqlType, size, 0, &value[0], 0,
                                    &col.indicator);
    if (SQL_SUCCEEDED(rc))
        return true;
    std::string what = "GRID::DBINSERT:SETPARAM (" + std::to_string(col.type) + ") " + col.sqlName;
    return Report(gi, s, what.c_str());
}

}  // namespace

bool GridDBInsert(HWND, GRIDINFO* gi)
{
    if (!gi->hstmt || !gi->hstmtAux2)
        return false;
    std::string names, marks;
    std::vector<int> included;
    for (int c = 0; c < gi->columnCount; ++c) {
        if (!Inserted(gi->columns[c]))
            continue;
        names += (names.empty() ? "" : ",") + std::string(gi->columns[c].sqlName);
        marks += marks.empty() ? "?" : ",?";
        included.push_back(c);
    }
    std::string statement = "INSERT INTO ";
    statement.append(gi->tableName).append(" ( ").append(names).append(" ) VALUES ( ").append(marks).append(" )");
    SQLHSTMT s = gi->hstmtAux2;
    SQLFreeStmt(s, SQL_CLOSE);
    SQLFreeStmt(s, SQL_RESET_PARAMS);
    // One value per column, sized before any is bound: the bound texts must not move.
    std::vector<std::string> values(included.size());
    for (size_t i = 0; i < included.size(); ++i)
        values[i] = InsertValue(gi->columns[included[i]]);
    for (size_t i = 0; i < included.size(); ++i)
        BindInsert(gi, s, static_cast<SQLUSMALLINT>(i + 1), gi->columns[included[i]], values[i]);
    SQLRETURN rc = SQLExecDirect(s, Sql(statement), SQL_NTS);
    bool ok = SQL_SUCCEEDED(rc);
    if (ok)
        gi->transactionPending = true;
    else
        Report(gi, s, statement.c_str());
    SQLFreeStmt(s, SQL_CLOSE);
    SQLFreeStmt(s, SQL_RESET_PARAMS);
    return ok;
}

bool GridDBDelete(HWND grid, GRIDINFO* gi)
{
    if (!gi->hstmt || !gi->hstmtAux1 || !GridLock(grid, gi, gi->currentRow, gi->currentColumn, GRID_LOCK_DELETE))
        return false;
    std::vector<GridKeyPart> parts = GridKeyParts(gi);
    std::string statement = "DELETE FROM ";
    statement.append(gi->tableName).append(" WHERE ").append(GridKeyCondition(gi, parts));
    SQLHSTMT s = gi->hstmtAux1;
    SQLFreeStmt(s, SQL_CLOSE);
    SQLFreeStmt(s, SQL_RESET_PARAMS);
    std::vector<SQLLEN> lengths(parts.size() + 1, SQL_NTS);
    GridBindKeyParameters(gi, s, parts, 1, lengths.data());
    SQLRETURN rc = SQLExecDirect(s, Sql(statement), SQL_NTS);
    // "No data" (the server kept the row, say through a rule) deleted
    // nothing and is no failure, as for the owner's filtered delete.
    if (Failed(rc))
        Report(gi, s, "GRID::DBDELETE");
    SQLFreeStmt(s, SQL_CLOSE);
    SQLFreeStmt(s, SQL_RESET_PARAMS);
    GridDropCurrentLock(gi, GRID_LOCK_DELETE);
    bool deleted = SQL_SUCCEEDED(rc);
    if (!Failed(rc)) {
        gi->transactionPending = true;
        GridReread(grid, gi);
        // The row command stops here: its reload is finished like any other.
        if (!deleted)
            GridReposition(grid, gi);
    }
    return deleted;
}

bool GridDBZap(HWND, GRIDINFO* gi)
{
    if (!gi->hstmt || GridEmpty(gi->tableName))
        return false;
    SQLHSTMT s = nullptr;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, gi->hdbc, &s)))
        return false;
    std::string statement = std::string("DELETE FROM ") + gi->tableName;
    SQLRETURN rc = SQLExecDirect(s, Sql(statement), SQL_NTS);
    // An empty table answers "no data": nothing failed, and nothing changed
    // that the grid would have to read again.
    if (Failed(rc))
        Report(gi, s, "GRID::DBZAP");
    SQLFreeHandle(SQL_HANDLE_STMT, s);
    return SQL_SUCCEEDED(rc);
}
