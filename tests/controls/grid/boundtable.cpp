#include "boundtable.h"

#include "corvex.h"
#include "gridlock.h"
#include "gridwindow.h"

#include <cstring>

BoundTable::BoundTable(const std::string& table, const std::string& columns, const std::vector<std::string>& rows,
                       bool autoCommit, const std::string& order)
    : table_(table), host_(new GridHost(500, 300))
{
    if (!sqlitedsn::Connection().MakeTable(table, columns, rows))
        return;
    gi()->autoCommit = autoCommit;
    ok_ = zGridBrowse(grid(), nullptr, sqlitedsn::Name().c_str(), "", "", table.c_str(), "", "", order.c_str(), "*",
                      "", "", "", 0);
    host_->ClearNotes();
}

BoundTable::~BoundTable()
{
    GridDropAllLocks(gi());
}

int BoundTable::Column(const char* name) const
{
    for (int c = 1; c <= gi()->columnCount; ++c)
        if (gi()->columns[c - 1].sqlName && lstrcmpiA(gi()->columns[c - 1].sqlName, name) == 0)
            return c;
    return 0;
}

int BoundTable::RowWhere(const char* name, const std::string& text)
{
    int column = Column(name);
    for (int r = 1; column && r <= gi()->rowCount; ++r)
        if (text == zGridGetText(grid(), r, column, true))
            return r;
    return 0;
}

std::string BoundTable::Sql(const std::string& query)
{
    sqlitedsn::Connection db;
    return db.Value(query);
}
