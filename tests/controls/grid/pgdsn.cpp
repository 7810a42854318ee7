#include "pgdsn.h"

namespace pgdsn {
namespace {

// Debian's multiarch place of the 32-bit ANSI psqlODBC driver (odbc-postgresql:i386).
const char kDriver[] = "/usr/lib/i386-linux-gnu/odbc/psqlodbca.so";

// Writes the driver and data source files once per process.
Server Find()
{
    Server found;
    std::string sysIni = sqlitedsn::Environment("ODBCSYSINI"), userIni = sqlitedsn::Environment("ODBCINI");
    std::string port = sqlitedsn::Environment("CORVEX_TEST_PGPORT");
    if (sysIni.empty() || userIni.empty()) {
        found.problem = "ODBCSYSINI and ODBCINI are not set (its ctest entry sets them)";
        return found;
    }
    if (port.empty()) {
        found.problem = "CORVEX_TEST_PGPORT is not set: the test session started no PostgreSQL server";
        return found;
    }
    const std::string dsn = "corvex_pg";
    bool written =
        sqlitedsn::WriteConfigFile(sysIni + "/odbcinst.ini",
                                   std::string("[PostgreSQL]\nDescription=PostgreSQL\nDriver=") + kDriver + "\n") &&
        sqlitedsn::WriteConfigFile(userIni, "[" + dsn + "]\nDriver=PostgreSQL\nServername=127.0.0.1\nPort=" + port +
                                                "\nDatabase=postgres\nUsername=postgres\nUpdatableCursors=1\n"
                                                "ConnSettings=SET lock_timeout=1500\n");
    if (!written)
        found.problem = "cannot write the ODBC configuration under " + sysIni;
    else
        found.name = dsn;
    return found;
}

}  // namespace

const Server& TheServer()
{
    static const Server server = Find();
    return server;
}

void BeginTransaction(sqlitedsn::Connection& db)
{
    SQLSetConnectAttr(db.dbc(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
}

void Rollback(sqlitedsn::Connection& db)
{
    SQLEndTran(SQL_HANDLE_DBC, db.dbc(), SQL_ROLLBACK);
    SQLSetConnectAttr(db.dbc(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
}

}  // namespace pgdsn
