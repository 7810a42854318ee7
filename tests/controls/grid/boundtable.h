#pragma once
// A grid bound to a fresh SQLite table of its own, for the tests of row
// locks, updates and transactions. The table is made through the test's own
// connection before the grid browses it; the grid's locks are freed before
// the grid goes.

#include "gridhost.h"
#include "sqlitedsn.h"

#include <memory>
#include <string>
#include <vector>

class BoundTable {
public:
    // Creates `table` with the column definitions and rows (VALUES texts),
    // then browses it ordered by `order` with the given auto-commit.
    BoundTable(const std::string& table, const std::string& columns, const std::vector<std::string>& rows,
               bool autoCommit, const std::string& order);
    ~BoundTable();
    BoundTable(const BoundTable&) = delete;
    BoundTable& operator=(const BoundTable&) = delete;

    bool ok() const { return ok_; }
    GridHost& host() { return *host_; }
    HWND grid() const { return host_->grid(); }
    GRIDINFO* gi() const { return host_->gi(); }
    const std::string& table() const { return table_; }
    // The grid column (from 1) of an SQL name; 0 when none.
    int Column(const char* name) const;
    // The grid row (from 1) whose column `name` reads `text`; 0 when none.
    int RowWhere(const char* name, const std::string& text);
    // A value read back with plain SQL on the test's own connection.
    std::string Sql(const std::string& query);

private:
    std::string table_;
    std::unique_ptr<GridHost> host_;
    bool ok_ = false;
};
