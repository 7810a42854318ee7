#pragma once
// The PostgreSQL data source of the grid's row-lock tests: the session's
// own server (tools/pgserver.sh, found through CORVEX_TEST_PGPORT) reached
// through Wine's odbc32, unixODBC and the 32-bit psqlODBC driver. The
// program writes its driver and data source files into ODBCSYSINI and
// ODBCINI (its ctest entry names them). A conflicting lock fails after
// lock_timeout instead of waiting. Connections of the test's own are
// sqlitedsn::Connection objects on its name.

#include "sqlitedsn.h"

#include <string>

namespace pgdsn {

// The data source: its name, or, when there is no server, an empty name
// and the reason.
struct Server {
    std::string name, problem;
};
const Server& TheServer();

// A connection without auto-commit holds the rows it locks or changes
// until its transaction ends.
void BeginTransaction(sqlitedsn::Connection& db);
void Rollback(sqlitedsn::Connection& db);

}  // namespace pgdsn
