#pragma once
// The PostgreSQL data source of the grid's row-lock tests: the session's
// own server (tools/pgserver.sh, found through CORVEX_TEST_PGPORT) reached
// through Wine's odbc32, unixODBC and the 32-bit psqlODBC driver. The
// program writes its driver and data source files into ODBCSYSINI and
// ODBCINI (its ctest entry names them). A conflicting lock fails after
// lock_timeout instead of waiting.

#include <windows.h>
#include <sql.h>
#include <sqlext.h>

#include <string>

namespace pgdsn {

// The data source name; empty when there is no server (the reason is in
// Problem()).
const std::string& Name();
const std::string& Problem();

// A connection of the test's own, beside the grid's.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool ok() const { return ok_; }
    // Without auto-commit the connection holds the rows it changes or locks
    // until it ends its transaction.
    void SetAutoCommit(bool on);
    void End(bool commit);
    SQLRETURN Run(const std::string& statement);
    // The first column of the first row as text ("" without a row).
    std::string Value(const std::string& query);
    // The SQLSTATE of the last failed Run.
    const std::string& State() const { return state_; }

private:
    SQLHENV env_ = nullptr;
    SQLHDBC dbc_ = nullptr;
    bool ok_ = false;
    std::string state_;
};

}  // namespace pgdsn
