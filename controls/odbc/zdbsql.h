#pragma once
// Small helpers over the ODBC driver manager's calls, shared by the
// connection functions and the grid.

#include <windows.h>
#include <sql.h>

#include <string>

// A call that worked, with or without information for the caller.
inline bool Succeeded(SQLRETURN r)
{
    return r == SQL_SUCCESS || r == SQL_SUCCESS_WITH_INFO;
}

// A fetch (or a catalog call) that gave a row: the same two answers.
inline bool Fetched(SQLRETURN r)
{
    return Succeeded(r);
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
