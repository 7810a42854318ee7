#include "pgdsn.h"

#include <fstream>

namespace pgdsn {
namespace {

// Debian's multiarch place of the 32-bit ANSI psqlODBC driver (odbc-postgresql:i386).
const char kDriver[] = "/usr/lib/i386-linux-gnu/odbc/psqlodbca.so";

std::string Env(const char* name)
{
    char buf[1024] = {};
    DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

// The Windows name of a Linux path, as Wine maps it.
std::string DosPath(const std::string& unixPath)
{
    std::string dos = "Z:" + unixPath;
    for (char& c : dos)
        if (c == '/')
            c = '\\';
    return dos;
}

bool Write(const std::string& unixPath, const std::string& text)
{
    std::ofstream f(DosPath(unixPath), std::ios::binary | std::ios::trunc);
    f << text;
    return static_cast<bool>(f);
}

struct Setup {
    std::string name, problem;
    Setup()
    {
        std::string sysIni = Env("ODBCSYSINI"), userIni = Env("ODBCINI"), port = Env("CORVEX_TEST_PGPORT");
        if (sysIni.empty() || userIni.empty()) {
            problem = "ODBCSYSINI and ODBCINI are not set (its ctest entry sets them)";
            return;
        }
        if (port.empty()) {
            problem = "CORVEX_TEST_PGPORT is not set: the test session started no PostgreSQL server";
            return;
        }
        if (GetFileAttributesA(DosPath(kDriver).c_str()) == INVALID_FILE_ATTRIBUTES) {
            problem = std::string("no psqlODBC driver at ") + kDriver;
            return;
        }
        CreateDirectoryA(DosPath(sysIni).c_str(), nullptr);
        const std::string dsn = "corvex_pg";
        bool written =
            Write(sysIni + "/odbcinst.ini", std::string("[PostgreSQL]\nDescription=PostgreSQL\nDriver=") + kDriver +
                                                "\n") &&
            Write(userIni, "[" + dsn + "]\nDriver=PostgreSQL\nServername=127.0.0.1\nPort=" + port +
                               "\nDatabase=postgres\nUsername=postgres\nUpdatableCursors=1\n"
                               "ConnSettings=SET lock_timeout=1500\n");
        if (!written)
            problem = "cannot write the ODBC configuration under " + sysIni;
        else
            name = dsn;
    }
};

const Setup& TheSetup()
{
    static Setup setup;
    return setup;
}

}  // namespace

const std::string& Name()
{
    return TheSetup().name;
}

const std::string& Problem()
{
    return TheSetup().problem;
}

Connection::Connection()
{
    if (Name().empty() || SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_) != SQL_SUCCESS)
        return;
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_) != SQL_SUCCESS)
        return;
    SQLCHAR* dsn = reinterpret_cast<SQLCHAR*>(const_cast<char*>(Name().c_str()));
    ok_ = SQL_SUCCEEDED(SQLConnect(dbc_, dsn, SQL_NTS, nullptr, 0, nullptr, 0));
}

Connection::~Connection()
{
    if (ok_) {
        SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
        SQLDisconnect(dbc_);
    }
    if (dbc_)
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    if (env_)
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

void Connection::SetAutoCommit(bool on)
{
    SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT,
                      reinterpret_cast<SQLPOINTER>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF), 0);
}

void Connection::End(bool commit)
{
    SQLEndTran(SQL_HANDLE_DBC, dbc_, commit ? SQL_COMMIT : SQL_ROLLBACK);
}

SQLRETURN Connection::Run(const std::string& statement)
{
    SQLHSTMT stmt = nullptr;
    if (SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt) != SQL_SUCCESS)
        return SQL_ERROR;
    SQLRETURN r = SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(statement.c_str())), SQL_NTS);
    state_.clear();
    if (!SQL_SUCCEEDED(r)) {
        SQLCHAR sqlState[6] = {}, text[256] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        SQLGetDiagRec(SQL_HANDLE_STMT, stmt, 1, sqlState, &native, text, sizeof text, &length);
        state_ = reinterpret_cast<char*>(sqlState);
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return r;
}

std::string Connection::Value(const std::string& query)
{
    SQLHSTMT stmt = nullptr;
    if (SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt) != SQL_SUCCESS)
        return "";
    char buf[256] = {};
    SQLLEN indicator = 0;
    SQLRETURN r = SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(query.c_str())), SQL_NTS);
    if (SQL_SUCCEEDED(r) && SQLFetch(stmt) == SQL_SUCCESS)
        SQLGetData(stmt, 1, SQL_C_CHAR, buf, sizeof buf, &indicator);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return indicator == SQL_NULL_DATA ? "NULL" : buf;
}

}  // namespace pgdsn
