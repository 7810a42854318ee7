// Row locks of a bound grid. A row is found again through the columns of
// the first unique index that the grid shows, with the values of the row
// as the browse cursor reads them; the values are passed as parameters,
// never pasted into the text, so a quote in a key cannot break the query.

#include "gridlock.h"
#include "gridlockkeys.h"

#include "gridbrowse.h"
#include "gridcells.h"
#include "griddates.h"
#include "gridquery.h"
#include "gridwindow.h"
#include "../odbc/zdb.h"
#include "odbc/zdbsql.h"

#include "xalloc.h"
#include "datetext.h"
#include "xsystem.h"

#include <sqlext.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const char kNoKey[] = "ATTENZIONE: impossibile effettuare il lock. Nessuna chiave disponibile.";
const char kNotAccessible[] = "ATTENZIONE: record non accessibile. Transazione in atto.";

SQLPOINTER Value(SQLULEN v)
{
    return reinterpret_cast<SQLPOINTER>(v);
}

bool UsesEditList(int mode)
{
    return mode == GRID_LOCK_DELETE || mode == GRID_LOCK_EDIT;
}

struct LockList {
    SQLHSTMT*& items;
    int& last;
};

LockList ListOf(GRIDINFO* gi, int mode)
{
    if (UsesEditList(mode))
        return {gi->editLocks, gi->editLockLast};
    return {gi->updateLocks, gi->updateLockLast};
}

// The slot of a new lock. Index 0 stays empty, so `last` names a lock only
// while it is non-zero. A grid changes one row at a time: a lock still held
// in the list (the edit's own, when its value is written) is replaced by
// the new one, so no statement is left open behind the change.
SQLHSTMT* NewSlot(LockList list)
{
    if (!list.items || list.last < 1) {
        xfree(list.items);
        list.items = static_cast<SQLHSTMT*>(xalloc(2 * sizeof(SQLHSTMT)));
        list.last = 1;
    } else if (list.items[list.last]) {
        SQLFreeHandle(SQL_HANDLE_STMT, list.items[list.last]);
        list.items[list.last] = nullptr;
    }
    return &list.items[list.last];
}

void DropList(LockList list)
{
    for (int i = 0; list.items && i <= list.last; ++i)
        if (list.items[i])
            SQLFreeHandle(SQL_HANDLE_STMT, list.items[i]);
    xfree(list.items);
    list.items = nullptr;
    list.last = 0;
}

bool IsNumericType(int32_t type)
{
    return type == SQL_NUMERIC || type == SQL_DECIMAL || type == SQL_FLOAT || type == SQL_DOUBLE;
}

bool IsDateType(int32_t type)
{
    return type == SQL_DATE || type == SQL_TIMESTAMP || type == SQL_TYPE_DATE || type == SQL_TYPE_TIMESTAMP;
}

// The key value of the row as the statements compare it.
std::string KeyValue(const _pkey_& key, const char* buffer)
{
    std::string text = buffer ? buffer : "";
    if (IsNumericType(key.dataType)) {
        char clean[32];
        GridCleanNumber(text.c_str(), true, clean, sizeof clean);
        return clean;
    }
    if (IsDateType(key.dataType))
        return GridSqlDateText(text.c_str(), key.dataType == SQL_DATE || key.dataType == SQL_TYPE_DATE);
    return text;
}

// The clause that makes the server lock the row it selects. PostgreSQL's
// driver takes the lock concurrency without locking anything: it needs
// the clause as MySQL does.
const char* LockClause(const char* dbms)
{
    if (!dbms)
        return "";
    if (lstrcmpiA(dbms, "mysql") == 0 || lstrcmpiA(dbms, "postgresql") == 0)
        return " FOR UPDATE";
    if (lstrcmpiA(dbms, "oracle") == 0)
        return " FOR UPDATE NOWAIT";
    return "";
}

// Executes the lock's SELECT and fetches its row; the fetch's result.
SQLRETURN RunLock(GRIDINFO* gi, SQLHSTMT s, int mode, std::string& text,
                  const std::vector<GridKeyPart>& parts)
{
    SQLSetStmtAttr(s, SQL_ATTR_CURSOR_TYPE, Value(SQL_CURSOR_KEYSET_DRIVEN), 0);
    SQLSetStmtAttr(s, SQL_ATTR_CONCURRENCY, Value(SQL_CONCUR_LOCK), 0);
    SQLSetStmtAttr(s, SQL_ATTR_KEYSET_SIZE, Value(UsesEditList(mode) ? 0 : 1), 0);
    std::vector<SQLLEN> lengths(parts.size() + 1, SQL_NTS);
    GridBindKeyParameters(gi, s, parts, 1, lengths.data());
    SQLRETURN rc = SQLExecDirect(s, Sql(text), SQL_NTS);
    if (!Failed(rc))
        rc = SQLFetchScroll(s, SQL_FETCH_ABSOLUTE, 1);
    // The lengths live here only: the statement must not keep them.
    SQLFreeStmt(s, SQL_RESET_PARAMS);
    return rc;
}

// The row cannot be locked; a row that is gone makes the grid read again.
bool NotAccessible(HWND grid, GRIDINFO* gi, SQLRETURN rc)
{
    xsys().Warning(kNotAccessible);
    if (rc == SQL_NO_DATA) {
        GridReread(grid, gi);
        GridReposition(grid, gi);
    }
    return false;
}

}  // namespace

std::vector<GridKeyPart> GridKeyParts(const GRIDINFO* gi)
{
    std::vector<GridKeyPart> parts;
    for (int i = 0; gi->keys && i < gi->keyCount;) {
        int end = i + 1;
        while (end < gi->keyCount && gi->keys[end].position > 1)
            ++end;
        const _pkey_& first = gi->keys[i];
        // Every column of the index must be in the grid, or the row could
        // not be told from others.
        if (first.nonUnique == 0 || first.pseudoColumn) {
            parts.clear();
            for (int k = i; k < end; ++k) {
                int column = GridColumnNamed(gi, gi->keys[k].name);
                if (!column) {
                    parts.clear();
                    break;
                }
                parts.push_back({k, column});
            }
            if (!parts.empty())
                return parts;
        }
        i = end;
    }
    return parts;
}

int GridColumnNamed(const GRIDINFO* gi, const char* name)
{
    for (int c = 0; c < gi->columnCount; ++c)
        if (gi->columns[c].sqlName && lstrcmpiA(gi->columns[c].sqlName, name) == 0)
            return c + 1;
    return 0;
}

std::vector<std::string> GridRowKey(GRIDINFO* gi, const std::vector<GridKeyPart>& parts, int row)
{
    std::vector<std::string> values;
    GridClearColumnBuffers(gi);
    if (parts.empty() || row < 1 || !SQL_SUCCEEDED(SQLFetchScroll(gi->hstmt, SQL_FETCH_ABSOLUTE, row)))
        return values;
    for (const GridKeyPart& part : parts)
        values.push_back(KeyValue(gi->keys[part.key], gi->columns[part.column - 1].buffer));
    return values;
}

int GridRowOfKey(GRIDINFO* gi, const std::vector<GridKeyPart>& parts, const std::vector<std::string>& values,
                 int near)
{
    if (values.empty())
        return 0;
    // Outwards from where the record was: most writes leave it there or one row off.
    for (int d = 0; near - d >= 1 || near + d <= gi->rowCount; ++d) {
        int above = near - d, below = near + d;
        if (above >= 1 && above <= gi->rowCount && GridRowKey(gi, parts, above) == values)
            return above;
        if (d > 0 && below >= 1 && below <= gi->rowCount && GridRowKey(gi, parts, below) == values)
            return below;
    }
    return 0;
}

std::string GridKeyCondition(const GRIDINFO* gi, const std::vector<GridKeyPart>& parts)
{
    std::string s;
    for (const GridKeyPart& part : parts) {
        const _pkey_& key = gi->keys[part.key];
        if (!s.empty())
            s += " AND ";
        s += key.name;
        s += GridEmpty(key.value) ? " IS NULL" : "=?";
    }
    return s;
}

int GridBindKeyParameters(GRIDINFO* gi, SQLHSTMT s, const std::vector<GridKeyPart>& parts, int first,
                          SQLLEN* lengths)
{
    int n = first;
    for (size_t i = 0; i < parts.size(); ++i) {
        _pkey_& key = gi->keys[parts[i].key];
        if (GridEmpty(key.value))
            continue;
        lengths[i] = SQL_NTS;
        SQLULEN size = key.columnSize > 0 ? static_cast<SQLULEN>(key.columnSize) : strlen(key.value) + 1;
        SQLBindParameter(s, static_cast<SQLUSMALLINT>(n++), SQL_PARAM_INPUT, SQL_C_CHAR,
                         static_cast<SQLSMALLINT>(key.dataType), size, 0, key.value, 0, &lengths[i]);
    }
    return n;
}

bool GridLock(HWND grid, GRIDINFO* gi, int row, int column, int mode)
{
    if (!gi->hstmt || column < 1 || column > gi->columnCount || row < 1 || row > gi->rowCount)
        return false;
    std::vector<GridKeyPart> parts = GridKeyParts(gi);
    if (parts.empty()) {
        xsys().Warning(kNoKey);
        return false;
    }
    // Without the row the key values would be empty and match other rows.
    std::vector<std::string> values = GridRowKey(gi, parts, row);
    if (values.empty())
        return NotAccessible(grid, gi, SQL_NO_DATA);
    for (size_t i = 0; i < parts.size(); ++i) {
        _pkey_& key = gi->keys[parts[i].key];
        xfree(key.value);
        key.value = GridDupText(values[i].c_str());
    }
    // A column without a name has no value to select; the row is locked all the same.
    const char* selected = gi->columns[column - 1].sqlName;
    std::string text = "SELECT ";
    text.append(GridEmpty(selected) ? "NULL" : selected).append(" FROM ").append(gi->tableName);
    text.append(" WHERE ").append(GridKeyCondition(gi, parts));
    text += LockClause(gi->dbmsName);
    LockList list = ListOf(gi, mode);
    SQLHSTMT* slot = NewSlot(list);
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, gi->hdbc, slot)))
        return false;
    SQLRETURN rc = RunLock(gi, *slot, mode, text, parts);
    if (SQL_SUCCEEDED(rc))
        return true;
    // A lock that failed holds nothing: its statement goes at once.
    SQLFreeHandle(SQL_HANDLE_STMT, *slot);
    *slot = nullptr;
    return NotAccessible(grid, gi, rc);
}

SQLHSTMT GridCurrentLock(const GRIDINFO* gi, int mode)
{
    SQLHSTMT* items = UsesEditList(mode) ? gi->editLocks : gi->updateLocks;
    int last = UsesEditList(mode) ? gi->editLockLast : gi->updateLockLast;
    return items && last > 0 ? items[last] : nullptr;
}

void GridDropCurrentLock(GRIDINFO* gi, int mode)
{
    LockList list = ListOf(gi, mode);
    if (list.items && list.last > 0 && list.items[list.last]) {
        SQLFreeHandle(SQL_HANDLE_STMT, list.items[list.last]);
        list.items[list.last] = nullptr;
    }
}

void GridDropAllLocks(GRIDINFO* gi)
{
    DropList(ListOf(gi, GRID_LOCK_EDIT));
    DropList(ListOf(gi, GRID_LOCK_UPDATE));
}

namespace {

// A keyset or dynamic cursor fetches a changed row anew; a static one
// (which is all some drivers offer) keeps the rows of its execution, and
// so does psqlODBC's keyset cursor, which owns up to being insensitive.
bool CursorSeesChanges(GRIDINFO* gi)
{
    SQLULEN type = SQL_CURSOR_STATIC, sensitivity = SQL_UNSPECIFIED;
    SQLGetStmtAttr(gi->hstmt, SQL_ATTR_CURSOR_TYPE, &type, 0, nullptr);
    SQLGetStmtAttr(gi->hstmt, SQL_ATTR_CURSOR_SENSITIVITY, &sensitivity, 0, nullptr);
    return (type == SQL_CURSOR_KEYSET_DRIVEN || type == SQL_CURSOR_DYNAMIC) && sensitivity != SQL_INSENSITIVE;
}

}  // namespace

bool GridWriteBoundCell(HWND grid, GRIDINFO* gi, int row, int column, const char* text, int mode)
{
    if (!GridLock(grid, gi, row, column, mode) || !GridDBUpdate(grid, gi, text, column, mode))
        return false;
    // The grid must show what the table now holds, not the value before.
    if (!CursorSeesChanges(gi))
        GridRereadAfterWrite(grid, gi);
    return true;
}

char* GridReadLockedLongText(HWND grid, GRIDINFO* gi, int row, int column, bool* locked)
{
    *locked = GridLock(grid, gi, row, column, GRID_LOCK_EDIT);
    if (!*locked)
        return nullptr;
    bool ok = true;
    char* text = GridReadCell(gi, row, column, GridCurrentLock(gi, GRID_LOCK_EDIT), 1, false, true, true,
                              false, &ok);
    // The read is over: its lock statement is not needed any more.
    GridDropCurrentLock(gi, GRID_LOCK_EDIT);
    return text;
}
