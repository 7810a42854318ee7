// Statement texts of the grid. The parts come from the owner and may be of
// any length, so every text is built in a growing string.

#include "gridquery.h"

namespace {

const char* Part(const char* text)
{
    return text ? text : "";
}

// The FROM clause and the filter that the browse and its count share.
void AppendFilter(std::string& s, const GRIDINFO* gi)
{
    s += Part(gi->fromExtra);
    if (!GridEmpty(gi->whereClause))
        s.append(" WHERE ").append(gi->whereClause);
    if (!GridEmpty(gi->groupByClause))
        s.append(" GROUP BY ").append(gi->groupByClause);
    s += Part(gi->havingText);
}

std::string SelectHead(const GRIDINFO* gi)
{
    std::string s = "SELECT ";
    s.append(Part(gi->selectPrefix)).append(" ").append(Part(gi->columnList));
    s.append(" FROM ").append(Part(gi->tableName)).append(" ");
    return s;
}

}  // namespace

std::string GridSelectText(const GRIDINFO* gi)
{
    std::string s = SelectHead(gi);
    AppendFilter(s, gi);
    if (!GridEmpty(gi->orderByClause))
        s.append(" ORDER BY ").append(gi->orderByClause);
    return s;
}

std::string GridCountText(const GRIDINFO* gi)
{
    std::string s = "SELECT COUNT(*) FROM (" + SelectHead(gi);
    AppendFilter(s, gi);
    bool oracle = gi->dbmsName && lstrcmpiA(gi->dbmsName, "oracle") == 0;
    s += oracle ? ")" : ") AS T";
    return s;
}

std::string GridAggregateText(const GRIDINFO* gi, int kind, const char* expression,
                              const char* where, const char* extra, bool useGridFilter)
{
    static const char* const heads[] = {"", "SELECT SUM(", "SELECT COUNT(", "SELECT MIN(",
                                        "SELECT MAX("};
    std::string s = kind >= 1 && kind <= 4 ? heads[kind] : "";
    s.append(Part(expression)).append(") FROM ").append(Part(gi->tableName));
    if (!GridEmpty(extra))
        s.append(" ").append(extra).append(" ");
    if (!GridEmpty(where))
        s.append(" WHERE ").append(where);
    if (useGridFilter && !GridEmpty(gi->whereClause))
        s.append(GridEmpty(where) ? " WHERE " : " AND ").append(gi->whereClause);
    if (!GridEmpty(gi->groupByClause))
        s.append(" GROUP BY ").append(gi->groupByClause);
    return s;
}

std::string GridMaxText(const GRIDINFO* gi, int column, char mode)
{
    const char* name = column >= 1 && column <= gi->columnCount ? gi->columns[column - 1].sqlName : "";
    std::string s = "SELECT MAX(";
    s.append(Part(name)).append(") FROM ").append(Part(gi->tableName));
    if (mode == 'r') {
        if (!GridEmpty(gi->fromExtra))
            s.append(" ").append(gi->fromExtra).append(" ");
        if (!GridEmpty(gi->whereClause))
            s.append(" WHERE ").append(gi->whereClause);
        if (!GridEmpty(gi->groupByClause))
            s.append(" GROUP BY ").append(gi->groupByClause);
        if (!GridEmpty(gi->havingText))
            s.append(" ").append(gi->havingText).append(" ");
    }
    return s;
}
