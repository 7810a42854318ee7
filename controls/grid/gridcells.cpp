// The grid's cell values: every text shown, returned or written passes
// through here, so painting, editing and the owner see the same value.

#include "gridcells.h"

#include "corvex.h"
#include "datetext.h"
#include "gridbrowse.h"
#include "gridcolumns.h"
#include "griddates.h"
#include "gridcursor.h"
#include "gridlayout.h"
#include "gridlock.h"
#include "gridrows.h"

#include "xalloc.h"

#include <sqlext.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

char* Copy(const char* text)
{
    return GridDupText(text);
}

bool HasLookup(const GRIDCOL& col)
{
    return col.lookupOnly && (col.lookupCombo || col.sharedCombo);
}

// The text of the combo item whose key equals `key`; null without a match.
char* LookupText(const GRIDCOL& col, long key)
{
    HWND combo = col.sharedCombo ? col.sharedCombo : col.lookupCombo;
    LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT data = SendMessageA(combo, CB_GETITEMDATA, i, 0);
        if (data == CB_ERR)
            continue;
        long itemKey = static_cast<long>(data);
        if (col.sharedCombo)
            itemKey = data ? reinterpret_cast<const LONG*>(data)[1] : -1;
        if (itemKey != key)
            continue;
        LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, i, 0);
        if (length < 0)
            return nullptr;
        auto* text = static_cast<char*>(xalloc(length + 1));
        SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        return text;
    }
    return nullptr;
}

// A number in its display form, written into `out` of `size` bytes (the
// plain form is cut rather than run past the buffer for huge values).
void FormatNumber(const GRIDCOL& col, double value, bool grouping, char* out, size_t size)
{
    int decimals = col.decimals < 1 ? 6 : col.decimals;
    char grouped[kDateTextSize] = {};
    if (value == 0) {
        out[0] = 0;
    } else if ((col.flags & GRIDCOL_GROUPED) && grouping) {
        if (col.type == GRID_INTEGER)
            FormatInteger(grouped, static_cast<long>(value), true, true);
        else
            FormatDecimal(grouped, value, decimals, true, (col.flags & GRIDCOL_GROUPOPTION) != 0, false);
        lstrcpynA(out, grouped, static_cast<int>(size));
    } else if (col.type == GRID_INTEGER) {
        snprintf(out, size, "%d", static_cast<int>(value));
    } else {
        snprintf(out, size, "%-*.*f", col.dataWidth, decimals, value);
    }
}

char* FormatNumeric(const GRIDCOL& col, const char* raw, bool lookup, bool grouping, size_t size)
{
    double value = col.type == GRID_INTEGER ? static_cast<double>(atol(raw)) : atof(raw);
    if (lookup && HasLookup(col)) {
        if (char* text = LookupText(col, static_cast<long>(value)))
            return text;
        return Copy(raw);
    }
    auto* text = static_cast<char*>(xalloc(size));
    FormatNumber(col, value, grouping, text, size);
    return text;
}


// A date or timestamp in the driver's form as the grid shows it (the text
// kind by the column and the form argument); any other text as it is.
char* DateStep(const GRIDCOL& col, char* text, bool timestampForm)
{
    if (!GridIsDateColumn(col) || !text[0])
        return text;
    std::string shown = GridShownDate(text, GridTimestampKind(col, timestampForm));
    xfree(text);
    return Copy(shown.c_str());
}

// A long value read in chunks of 1024 bytes until the driver has no more.
char* ReadLong(SQLHSTMT statement, int statementColumn, GRIDCOL& col, bool* ok)
{
    size_t length = 0;
    auto* text = static_cast<char*>(xalloc(1));
    for (;;) {
        char chunk[1024];
        col.indicator = 0;
        SQLRETURN rc = SQLGetData(statement, static_cast<SQLUSMALLINT>(statementColumn), SQL_C_BINARY,
                                  chunk, sizeof chunk, &col.indicator);
        if (rc == SQL_ERROR || rc == SQL_INVALID_HANDLE) {
            *ok = false;
            break;
        }
        if (rc == SQL_NO_DATA || col.indicator == SQL_NULL_DATA || col.indicator == 0)
            break;
        size_t got = col.indicator == SQL_NO_TOTAL || col.indicator > static_cast<SQLLEN>(sizeof chunk)
                         ? sizeof chunk
                         : static_cast<size_t>(col.indicator);
        text = static_cast<char*>(xrealloc(text, length + got + 1));
        memcpy(text + length, chunk, got);
        length += got;
        text[length] = 0;
        if (got < sizeof chunk)
            break;
    }
    return text;
}

char* FormatBound(GRIDINFO* gi, GRIDCOL& col, SQLHSTMT statement, int statementColumn, bool lookup,
                  bool grouping, bool* ok)
{
    size_t size = col.dataWidth + 11;
    const char* raw = col.buffer ? col.buffer : "";
    switch (col.type) {
    case GRID_FLOAT:
    case GRID_INTEGER:
        return FormatNumeric(col, raw, lookup, grouping, size);
    case GRID_LONGTEXT:
        if (statement != gi->hstmt)
            return ReadLong(statement, statementColumn, col, ok);
        {
            auto* text = static_cast<char*>(xalloc(size));
            strncpy(text, raw, col.dataWidth);
            return text;
        }
    default:
        return Copy(raw);
    }
}

char* BooleanStep(const GRIDCOL& col, char* text)
{
    if (col.type != GRID_BOOLEAN)
        return text;
    bool no = !text[0] || text[0] == '0';
    xfree(text);
    return Copy(no ? GridNoText() : GridYesText());
}

}  // namespace

char* GridReadCell(GRIDINFO* gi, int row, int column, SQLHSTMT statement, int statementColumn,
                   bool fetch, bool lookup, bool grouping, bool timestampForm, bool* ok)
{
    *ok = true;
    if (column < 1 || column > gi->columnCount || row < 1 || row > gi->rowCount)
        return Copy("");
    GRIDCOL& col = gi->columns[column - 1];
    char* text = nullptr;
    if (statement) {
        if (fetch) {
            GridClearColumnBuffers(gi);
            SQLFetchScroll(statement, SQL_FETCH_ABSOLUTE, row);
        }
        text = FormatBound(gi, col, statement, statementColumn, lookup, grouping, ok);
    } else {
        text = GridReadCellField(gi, row, column);
        if (!text[0])
            return text;
        if (col.type == GRID_FLOAT && (col.flags & GRIDCOL_GROUPED) && grouping) {
            char* grouped = static_cast<char*>(xalloc(col.dataWidth + 11 + kDateTextSize));
            FormatNumber(col, atof(text), true, grouped, col.dataWidth + 11 + kDateTextSize);
            xfree(text);
            return grouped;
        }
        return DateStep(col, text, timestampForm);
    }
    text = DateStep(col, text, timestampForm);
    return BooleanStep(col, text);
}

void GridCleanNumber(const char* text, bool floating, char* out, size_t outSize)
{
    if (outSize == 0)
        return;
    size_t limit = outSize - 1 < 30 ? outSize - 1 : 30;
    bool comma = floating && text && strchr(text, ',');
    bool pointSeen = false;
    size_t n = 0;
    for (const char* p = text ? text : ""; *p && n < limit; ++p) {
        char c = *p;
        if ((c >= '0' && c <= '9') || c == '-' || c == '+') {
            out[n++] = c;
        } else if (floating && c == ',') {
            out[n++] = '.';
        } else if (floating && c == '.' && !comma && !pointSeen) {
            out[n++] = '.';
            pointSeen = true;
        }
    }
    out[n] = 0;
}

bool GridWriteCell(HWND grid, GRIDINFO* gi, int row, int column, const char* text, int mode)
{
    if (column < 1 || column > gi->columnCount || row < 1 || row > gi->rowCount)
        return false;
    const GRIDCOL& col = gi->columns[column - 1];
    char clean[32];
    if ((col.type == GRID_INTEGER || col.type == GRID_FLOAT) && !HasLookup(col)) {
        GridCleanNumber(text, col.type == GRID_FLOAT, clean, sizeof clean);
        text = clean;
    }
    bool ok = false;
    if (gi->hstmt) {
        ok = GridWriteBoundCell(grid, gi, row, column, text, mode);
    } else {
        // The row store holds dates as a table does: in the driver's form.
        std::string stored = col.lookupCombo ? std::string(text ? text : "") : GridStoredDateText(col, text);
        ok = GridWriteCellField(gi, row, column, stored.c_str());
    }
    if (!ok)
        return false;
    GridRepaintRow(grid, gi, row);
    GridNotify(grid, GRIDN_DATACHANGED, column);
    GridNotify(grid, GRIDN_CELLWRITTEN, column);
    return true;
}
