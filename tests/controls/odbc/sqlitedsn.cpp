#include "sqlitedsn.h"

#include <cstdio>
#include <fstream>

namespace sqlitedsn {
namespace {

// Debian's multiarch place of the 32-bit SQLite 3 driver (libsqliteodbc:i386).
const char kDriver[] = "/usr/lib/i386-linux-gnu/odbc/libsqlite3odbc.so";

// The Windows name of a Linux path, as Wine maps it.
std::string DosPath(const std::string& unixPath)
{
    using ToDos = WCHAR* (*)(const char*);
    auto toDos = reinterpret_cast<ToDos>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
    if (toDos) {
        if (WCHAR* wide = toDos(unixPath.c_str())) {
            char narrow[MAX_PATH * 2] = {};
            WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
            HeapFree(GetProcessHeap(), 0, wide);
            return narrow;
        }
    }
    std::string dos = "Z:" + unixPath;
    for (char& c : dos)
        if (c == '/')
            c = '\\';
    return dos;
}

struct Setup {
    std::string name, problem, database;
    ~Setup()
    {
        if (!database.empty())
            DeleteFileA(DosPath(database).c_str());
    }
    Setup()
    {
        std::string sysIni = Environment("ODBCSYSINI"), userIni = Environment("ODBCINI");
        if (sysIni.empty() || userIni.empty()) {
            problem = "ODBCSYSINI and ODBCINI are not set (its ctest entry sets them)";
            return;
        }
        char pid[16];
        snprintf(pid, sizeof pid, "%lu", GetCurrentProcessId());
        database = sysIni + "/zdb_" + pid + ".db";
        DeleteFileA(DosPath(database).c_str());
        std::string dsn = std::string("corvex_test_") + pid;
        CreateDirectoryA(DosPath(sysIni).c_str(), nullptr);
        bool written = WriteConfigFile(sysIni + "/odbcinst.ini", std::string("[SQLite3]\nDescription=SQLite 3\nDriver=") +
                                                           kDriver + "\n") &&
                       WriteConfigFile(userIni, "[" + dsn + "]\nDriver=SQLite3\nDatabase=" + database + "\nTimeout=2000\n");
        if (!written)
            problem = "cannot write the ODBC configuration under " + sysIni;
        else
            name = dsn;
    }
};

}  // namespace

std::string Environment(const char* name)
{
    char buf[1024] = {};
    DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

bool WriteConfigFile(const std::string& unixPath, const std::string& text)
{
    std::ofstream f(DosPath(unixPath), std::ios::binary | std::ios::trunc);
    f << text;
    return static_cast<bool>(f);
}

namespace {

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

std::string MissingName()
{
    return "corvex_missing_" + std::to_string(GetCurrentProcessId());
}

Connection::Connection() : Connection(Name()) {}

Connection::Connection(const std::string& dataSource)
{
    if (dataSource.empty() || SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_) != SQL_SUCCESS)
        return;
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_) != SQL_SUCCESS)
        return;
    SQLCHAR* dsn = reinterpret_cast<SQLCHAR*>(const_cast<char*>(dataSource.c_str()));
    SQLRETURN r = SQLConnect(dbc_, dsn, SQL_NTS, nullptr, 0, nullptr, 0);
    ok_ = r == SQL_SUCCESS || r == SQL_SUCCESS_WITH_INFO;
}

Connection::~Connection()
{
    if (ok_)
        SQLDisconnect(dbc_);
    if (dbc_)
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    if (env_)
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

SQLRETURN Connection::Run(const std::string& statement)
{
    SQLHSTMT stmt = nullptr;
    if (SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt) != SQL_SUCCESS)
        return SQL_ERROR;
    SQLRETURN r = SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(statement.c_str())), SQL_NTS);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return r;
}

bool Connection::MakeTable(const std::string& table, const std::string& columns,
                           const std::vector<std::string>& rows)
{
    if (!ok_)
        return false;
    Run("DROP TABLE IF EXISTS " + table);
    if (!SQL_SUCCEEDED(Run("CREATE TABLE " + table + " (" + columns + ")")))
        return false;
    for (const std::string& row : rows)
        if (!SQL_SUCCEEDED(Run("INSERT INTO " + table + " VALUES (" + row + ")")))
            return false;
    return true;
}

std::string Connection::Value(const std::string& query)
{
    SQLHSTMT stmt = nullptr;
    if (SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt) != SQL_SUCCESS)
        return "";
    char buf[256] = {};
    SQLLEN indicator = 0;
    SQLRETURN r = SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(query.c_str())), SQL_NTS);
    if ((r == SQL_SUCCESS || r == SQL_SUCCESS_WITH_INFO) && SQLFetch(stmt) == SQL_SUCCESS)
        SQLGetData(stmt, 1, SQL_C_CHAR, buf, sizeof buf, &indicator);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return buf;
}

}  // namespace sqlitedsn
