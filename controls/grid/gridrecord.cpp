// The grid record's life, its owned texts, the notifications to the parent
// and the row store of an unbound grid.

#include "gridinfo.h"
#include "gridrows.h"

#include "xalloc.h"

#include <cstring>

namespace {

const char kProperty[] = "ZGRID";

}  // namespace

GRIDINFO* GridInfo(HWND grid)
{
    return grid ? static_cast<GRIDINFO*>(GetPropA(grid, kProperty)) : nullptr;
}

GRIDINFO* GridAttachRecord(HWND grid)
{
    auto* gi = static_cast<GRIDINFO*>(xalloc(sizeof(GRIDINFO)));
    if (!SetPropA(grid, kProperty, gi)) {
        xfree(gi);
        return nullptr;
    }
    return gi;
}

void GridDetachRecord(HWND grid)
{
    GRIDINFO* gi = GridInfo(grid);
    RemovePropA(grid, kProperty);
    if (!gi)
        return;
    // Texts the owner set on a grid that was never bound are still here.
    char** texts[] = {&gi->selectText, &gi->whereClause, &gi->selectPrefix, &gi->fromExtra,
                      &gi->havingText, &gi->orderByClause, &gi->groupByClause, &gi->tableName,
                      &gi->dbmsName, &gi->databaseName, &gi->dataSource, &gi->userName,
                      &gi->password, &gi->columnList, &gi->editText, &gi->cellText, &gi->startText};
    for (char** t : texts)
        GridFreeText(*t);
    xfree(gi);
}

const char* GridTextOrEmpty(const char* text)
{
    static const char empty[1] = "";
    return text ? text : empty;
}

char* GridDupText(const char* text)
{
    size_t n = text ? strlen(text) : 0;
    auto* copy = static_cast<char*>(xalloc(n + 1));
    if (n)
        memcpy(copy, text, n);
    return copy;
}

void GridSetText(char*& field, const char* text)
{
    char* copy = GridDupText(text);
    xfree(field);
    field = copy;
}

void GridFreeText(char*& field)
{
    xfree(field);
    field = nullptr;
}

GRIDCOL* GridCurrentColumn(GRIDINFO* gi)
{
    if (!gi->columns || gi->currentColumn < 1 || gi->currentColumn > gi->columnCount)
        return nullptr;
    return &gi->columns[gi->currentColumn - 1];
}

HWND GridReceiver(HWND grid)
{
    HWND receiver = GetParent(grid);
    if (!receiver)
        receiver = GetWindow(grid, GW_OWNER);
    return receiver && IsWindow(receiver) ? receiver : nullptr;
}

LRESULT GridNotify(HWND grid, int code, int value)
{
    HWND receiver = GridReceiver(grid);
    if (!receiver)
        return 0;
    return SendMessageA(receiver, WM_COMMAND, MAKEWPARAM(value, code),
                        reinterpret_cast<LPARAM>(grid));
}

void GridNotifyMove(HWND grid, const GRIDINFO* gi, int code, int cause)
{
    if (cause == 0 || gi->notifyAllMoves)
        GridNotify(grid, code, cause);
}

int GridCellOffset(const GRIDINFO* gi, int column)
{
    int offset = 0;
    for (int i = 1; i < column && i <= gi->columnCount; ++i)
        offset += gi->columns[i - 1].dataWidth;
    return offset;
}

bool GridWriteCellField(GRIDINFO* gi, int row, int column, const char* text)
{
    if (row < 1 || row > gi->rowCount || column < 1 || column > gi->columnCount || !gi->rows)
        return false;
    char* field = gi->rows[row - 1] + GridCellOffset(gi, column);
    int width = gi->columns[column - 1].dataWidth;
    memset(field, 0, width);
    // A text of exactly the field's width fills it without a terminator.
    if (text)
        strncpy(field, text, width);
    return true;
}

char* GridReadCellField(const GRIDINFO* gi, int row, int column)
{
    if (row < 1 || row > gi->rowCount || column < 1 || column > gi->columnCount || !gi->rows)
        return GridDupText("");
    int width = gi->columns[column - 1].dataWidth;
    auto* text = static_cast<char*>(xalloc(width + 1));
    strncpy(text, gi->rows[row - 1] + GridCellOffset(gi, column), width);
    return text;
}

int GridAppendRow(GRIDINFO* gi)
{
    auto** rows = static_cast<char**>(xrealloc(gi->rows, (gi->rowCount + 1) * sizeof(char*)));
    gi->rows = rows;
    rows[gi->rowCount] = static_cast<char*>(xalloc(gi->totalDataWidth));
    return ++gi->rowCount;
}

void GridRelayoutRows(GRIDINFO* gi, const std::vector<int>& oldWidths)
{
    if (!gi->rows)
        return;
    int kept = static_cast<int>(oldWidths.size()) < gi->columnCount ? static_cast<int>(oldWidths.size())
                                                                      : gi->columnCount;
    for (int r = 0; r < gi->rowCount; ++r) {
        auto* row = static_cast<char*>(xalloc(gi->totalDataWidth));
        int from = 0, to = 0;
        for (int c = 0; c < kept; ++c) {
            int width = gi->columns[c].dataWidth;
            memcpy(row + to, gi->rows[r] + from, oldWidths[c] < width ? oldWidths[c] : width);
            from += oldWidths[c];
            to += width;
        }
        xfree(gi->rows[r]);
        gi->rows[r] = row;
    }
}

std::vector<int> GridDataWidths(const GRIDINFO* gi)
{
    std::vector<int> widths;
    for (int c = 0; c < gi->columnCount; ++c)
        widths.push_back(gi->columns[c].dataWidth);
    return widths;
}

void GridFreeRows(GRIDINFO* gi)
{
    for (int i = 0; gi->rows && i < gi->rowCount; ++i)
        xfree(gi->rows[i]);
    xfree(gi->rows);
    gi->rows = nullptr;
    gi->rowCount = 0;
    gi->currentRow = 0;
    gi->previousRow = 0;
}

long GridLocateRow(GRIDINFO* gi, long start)
{
    if (gi->rowCount == 0 || start > gi->rowCount || gi->locateStart < 1 ||
        gi->columnCount < gi->locateStart || !gi->rows)
        return 0;
    gi->locateResult = 0;
    int offset = GridCellOffset(gi, gi->locateStart);
    int width = gi->columns[gi->locateStart - 1].dataWidth;
    auto* scratch = static_cast<char*>(xalloc(width + 1));
    long found = 0;
    for (long r = start < 0 ? 0 : start; r < gi->rowCount && !found; ++r) {
        memset(scratch, 0, width + 1);
        strncpy(scratch, gi->rows[r] + offset, width);
        if (strcmp(scratch, gi->locateText) == 0)
            found = r + 1;
    }
    xfree(scratch);
    gi->locateResult = found;
    return found ? 1 : 0;
}
