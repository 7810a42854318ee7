#pragma once
// The SQLite data source the tests connect to. unixODBC finds its driver and
// data source files through ODBCSYSINI and ODBCINI (Linux paths, given by the
// test's ctest entry); the program writes both files and a fresh database.

#include <windows.h>
#include <sql.h>
#include <sqlext.h>

#include <string>
#include <vector>

namespace sqlitedsn {

// Writes the configuration once per process; an empty name when the
// environment does not name the files (the reason is in Problem()).
const std::string& Name();
const std::string& Problem();

// A name that no configuration file holds.
std::string MissingName();

// A variable of the environment the program started with ("" when unset),
// and a file written at a Linux path: what a test needs to set up a data
// source of its own.
std::string Environment(const char* name);
bool WriteConfigFile(const std::string& unixPath, const std::string& text);

// A connection of the test's own, beside the functions under test.
class Connection {
public:
    Connection();
    // A connection to another data source of the test's ODBC files.
    explicit Connection(const std::string& dataSource);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool ok() const { return ok_; }
    SQLHENV env() const { return env_; }
    SQLHDBC dbc() const { return dbc_; }
    SQLRETURN Run(const std::string& statement);
    // Drops `table`, creates it with the column definitions and inserts the
    // rows (VALUES texts); false at the first statement that fails.
    bool MakeTable(const std::string& table, const std::string& columns, const std::vector<std::string>& rows);
    // The first column of the first row as text ("" without a row).
    std::string Value(const std::string& query);

private:
    SQLHENV env_ = nullptr;
    SQLHDBC dbc_ = nullptr;
    bool ok_ = false;
};

}  // namespace sqlitedsn
