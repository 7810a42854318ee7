// zDBExecScript: runs SQL text, a file of one statement per line, or a file
// that is one statement.

#include "zdb.h"
#include "zdbinternal.h"
#include "zdbsql.h"

#include <windows.h>
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// What may follow a statement: blanks, line ends, the end-of-file mark.
constexpr char kTrailing[] = " \t\r\n\x1a";

bool BelongsToTheStatement(char c)
{
    return c != ';' && (c == '\0' || std::strchr(kTrailing, c) == nullptr);
}

// Scripts are small; a bigger file is not a script.
constexpr DWORD kLargestScript = 64u * 1024 * 1024;

SQLRETURN Run(SQLHSTMT stmt, const std::string& statement)
{
    // A statement that returned rows leaves a cursor open that would refuse the next one.
    SQLFreeStmt(stmt, SQL_CLOSE);
    return SQLExecDirect(stmt, Sql(statement), SQL_NTS);
}

enum class ScriptFile { missing, unreadable, read };

ScriptFile ReadScript(const char* path, std::string& text)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        // Only a file that is not there has nothing to run; one held by
        // another program, or not ours to read, is a failure.
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ScriptFile::missing
                                                                              : ScriptFile::unreadable;
    }
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    text.clear();
    bool whole = size != INVALID_FILE_SIZE && high == 0 && size <= kLargestScript;
    if (whole) {
        text.assign(size, '\0');
        DWORD done = 0;
        while (done < size) {
            DWORD got = 0;
            if (!ReadFile(file, &text[done], size - done, &got, nullptr) || got == 0)
                break;
            done += got;
        }
        whole = done == size;
    }
    CloseHandle(file);
    // Half a script must not run.
    return whole ? ScriptFile::read : ScriptFile::unreadable;
}

SQLRETURN RunFile(SQLHSTMT stmt, const std::string& text, short mode)
{
    SQLRETURN result = SQL_SUCCESS;
    if (text.empty())
        return result;
    if (mode == ZDB_SCRIPT_FILE_LINES) {
        // Each line stands alone: only the last one's result counts.
        for (const std::string& line : ZdbScriptLines(text))
            result = Run(stmt, line);
        return result;
    }
    std::string statement = ZdbScriptStatement(text);
    return statement.empty() ? result : Run(stmt, statement);
}

}  // namespace

std::vector<std::string> ZdbScriptLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string ZdbScriptStatement(const std::string& text)
{
    // The file's last character is dropped unless it belongs to the
    // statement: some drivers refuse a statement that ends with ";".
    std::string statement = text;
    if (!statement.empty() && !BelongsToTheStatement(statement.back()))
        statement.pop_back();
    statement.resize(std::min(statement.size(), statement.find('\0')));
    size_t end = statement.find_last_not_of(kTrailing);
    statement.resize(end == std::string::npos ? 0 : end + 1);
    return statement;
}

int zDBExecScript(void* henv, void* hdbc, const char* text, short mode, char* errorText)
{
    try {
        if (!text)
            return 0;
        SQLHSTMT stmt = nullptr;
        SQLRETURN allocated = SQLAllocStmt(hdbc, &stmt);
        if (!SQL_SUCCEEDED(allocated)) {
            zDBErrorString(henv, hdbc, nullptr, errorText);
            return 0;
        }
        SQLRETURN result = SQL_SUCCESS;
        if (mode == ZDB_SCRIPT_SQL) {
            result = SQLExecDirect(stmt, Sql(text), SQL_NTS);
        } else {
            std::string script;
            ScriptFile read = ReadScript(text, script);
            // A file that is not there has nothing to run, as an empty one.
            if (read == ScriptFile::missing) {
                SQLFreeStmt(stmt, SQL_DROP);
                return 1;
            }
            // One that opens but cannot be read whole must not run in part.
            if (read == ScriptFile::unreadable) {
                if (errorText)
                    std::snprintf(errorText, ZDB_ERROR_TEXT_SIZE, "Cannot read %s", text);
                SQLFreeStmt(stmt, SQL_DROP);
                return 0;
            }
            result = RunFile(stmt, script, mode);
        }
        if (result != SQL_SUCCESS)
            zDBErrorString(henv, hdbc, stmt, errorText);
        SQLFreeStmt(stmt, SQL_DROP);
        return result == SQL_SUCCESS ? 1 : 0;
    } catch (...) {
        return 0;
    }
}
