#pragma once
// Small helpers over the ODBC driver manager's calls, shared by the
// connection functions and the grid.

#include <windows.h>
#include <sql.h>

#include <string>

// A call that failed outright (SQL_SUCCEEDED tells the calls that worked;
// no data and need data are neither).
inline bool Failed(SQLRETURN r)
{
    return r == SQL_ERROR || r == SQL_INVALID_HANDLE;
}

// Text arguments as the driver manager takes them; null reads as empty.
inline SQLCHAR* Sql(const char* text)
{
    static char empty[1] = {0};
    return reinterpret_cast<SQLCHAR*>(text ? const_cast<char*>(text) : empty);
}

inline SQLCHAR* Sql(const std::string& text)
{
    return Sql(text.c_str());
}
