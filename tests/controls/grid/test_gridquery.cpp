// Statement texts of the grid, built from the record's query parts.

#include "gridinfo.h"
#include "gridquery.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Query parts held in strings for the record's text fields.
struct Parts {
    Parts(std::string prefix_ = "", std::string columns_ = "*", std::string table_ = "items",
          std::string extra_ = "", std::string where_ = "", std::string group_ = "",
          std::string having_ = "", std::string order_ = "", std::string dbms_ = "")
        : prefix(prefix_), columns(columns_), table(table_), extra(extra_), where(where_),
          group(group_), having(having_), order(order_), dbms(dbms_)
    {
    }
    std::string prefix, columns, table, extra, where, group, having, order, dbms;
    GRIDINFO gi = {};
    GRIDCOL cols[2] = {};
    std::string names[2] = {"id", "qty"};

    GRIDINFO* Apply()
    {
        gi.selectPrefix = &prefix[0];
        gi.columnList = &columns[0];
        gi.tableName = &table[0];
        gi.fromExtra = &extra[0];
        gi.whereClause = &where[0];
        gi.groupByClause = &group[0];
        gi.havingText = &having[0];
        gi.orderByClause = &order[0];
        gi.dbmsName = &dbms[0];
        cols[0].sqlName = &names[0][0];
        cols[1].sqlName = &names[1][0];
        gi.columns = cols;
        gi.columnCount = 2;
        return &gi;
    }
};

TEST(GridQuery, SelectTexts)
{
    struct Row {
        const char* name;
        Parts parts;
        const char* want;
    };
    Row rows[] = {
        {"table only", {}, "SELECT  * FROM items "},
        {"every part", {"DISTINCT", "id,qty", "items", " JOIN t ON t.id=items.id", "qty>1", "id", " HAVING qty>2", "id DESC"},
         "SELECT DISTINCT id,qty FROM items  JOIN t ON t.id=items.id WHERE qty>1 GROUP BY id HAVING qty>2 ORDER BY id DESC"},
        {"where and order", {"", "*", "items", "", "qty>1", "", "", "name"}, "SELECT  * FROM items  WHERE qty>1 ORDER BY name"},
    };
    for (Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.want, GridSelectText(r.parts.Apply()));
    }
}

TEST(GridQuery, CountTextsLeaveTheOrderOut)
{
    struct Row {
        const char* name;
        Parts parts;
        const char* want;
    };
    Row rows[] = {
        {"plain", {}, "SELECT COUNT(*) FROM (SELECT  * FROM items ) AS T"},
        {"filtered and ordered", {"", "*", "items", "", "qty>1", "", "", "name"},
         "SELECT COUNT(*) FROM (SELECT  * FROM items  WHERE qty>1) AS T"},
        {"oracle", {"", "*", "items", "", "", "", "", "", "Oracle"}, "SELECT COUNT(*) FROM (SELECT  * FROM items )"},
        {"oracle lower case", {"", "*", "items", "", "", "", "", "", "oracle"}, "SELECT COUNT(*) FROM (SELECT  * FROM items )"},
        {"not oracle", {"", "*", "items", "", "", "", "", "", "Oracle8"}, "SELECT COUNT(*) FROM (SELECT  * FROM items ) AS T"},
    };
    for (Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.want, GridCountText(r.parts.Apply()));
    }
}

TEST(GridQuery, AggregateTexts)
{
    Parts filtered;
    filtered.where = "qty>1";
    Parts grouped;
    grouped.group = "id";
    struct Row {
        const char* name;
        Parts* parts;
        int kind;
        const char *expression, *where, *extra;
        bool filter;
        const char* want;
    };
    Parts plain;
    Row rows[] = {
        {"count", &plain, 2, "*", "", "", false, "SELECT COUNT(*) FROM items"},
        {"sum with where", &plain, 1, "qty", "id<5", "", false, "SELECT SUM(qty) FROM items WHERE id<5"},
        {"min with extra", &plain, 3, "qty", "", "t", false, "SELECT MIN(qty) FROM items t "},
        {"max of the grid filter", &filtered, 4, "qty", "", "", true, "SELECT MAX(qty) FROM items WHERE qty>1"},
        {"caller's where and the grid filter", &filtered, 1, "qty", "id<5", "", true,
         "SELECT SUM(qty) FROM items WHERE id<5 AND qty>1"},
        {"grid filter unused", &filtered, 2, "*", "", "", false, "SELECT COUNT(*) FROM items"},
        {"grouped", &grouped, 2, "*", "", "", false, "SELECT COUNT(*) FROM items GROUP BY id"},
        {"unknown kind", &plain, 9, "qty", "", "", false, "qty) FROM items"},
    };
    for (Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.want, GridAggregateText(r.parts->Apply(), r.kind, r.expression, r.where, r.extra, r.filter));
    }
}

TEST(GridQuery, MaxTexts)
{
    Parts p{"", "*", "items", "JOIN t", "qty>1", "id", "HAVING qty>2"};
    GRIDINFO* gi = p.Apply();
    EXPECT_EQ("SELECT MAX(qty) FROM items", GridMaxText(gi, 2, 0));
    EXPECT_EQ("SELECT MAX(id) FROM items JOIN t  WHERE qty>1 GROUP BY id HAVING qty>2 ",
              GridMaxText(gi, 1, 'r'));
    EXPECT_EQ("SELECT MAX() FROM items", GridMaxText(gi, 3, 0));
}

TEST(GridQuery, LongPartsAreKeptWhole)
{
    // Far beyond the 10 KB that a count statement was once built in.
    Parts p;
    p.where = "id IN (" + std::string(20000, '1') + ")";
    p.extra = " " + std::string(12000, ' ');
    GRIDINFO* gi = p.Apply();
    std::string count = GridCountText(gi);
    EXPECT_NE(std::string::npos, count.find(p.where));
    EXPECT_EQ(") AS T", count.substr(count.size() - 6));
    std::string aggregate = GridAggregateText(gi, 2, "*", p.where.c_str(), "", true);
    EXPECT_EQ("SELECT COUNT(*) FROM items WHERE " + p.where + " AND " + p.where, aggregate);
    std::string select = GridSelectText(gi);
    EXPECT_GT(select.size(), 32000u);
}

}  // namespace
