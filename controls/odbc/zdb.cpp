// ODBC connection functions of the control library: connect, disconnect,
// run scripts and report the driver's diagnostics.

#include "zdb.h"
#include "zdbinternal.h"
#include "zdbsql.h"

#include <windows.h>
#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr size_t kMessageChars = 512;     // longest diagnostic text taken from SQLError
constexpr size_t kBoxTextSize = 516;      // message, line feed and extra text together
constexpr size_t kCompletedSize = 256;    // SQLDriverConnect's completed connection string

SQLSMALLINT TextLength(const char* text)
{
    size_t n = text ? strlen(text) : 0;
    return static_cast<SQLSMALLINT>(n > 32767 ? 32767 : n);
}

// The string table lives in whichever module these functions were linked into.
HMODULE OwnModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&OwnModule), &module);
    return module;
}

// Fallback connection through the driver manager, which may ask the user for
// what the data source lacks.
SQLRETURN DriverConnect(SQLHDBC dbc, const char* dataSource)
{
    char in[kCompletedSize] = {};
    int n = snprintf(in, sizeof in, "DSN=%s;", dataSource ? dataSource : "");
    // A cut name would reach some other data source.
    if (n < 0 || static_cast<size_t>(n) >= sizeof in)
        return SQL_ERROR;
    SQLCHAR out[kCompletedSize] = {};
    SQLSMALLINT outLength = 0;
    return SQLDriverConnect(dbc, GetDesktopWindow(), Sql(in), static_cast<SQLSMALLINT>(n),
                            out, static_cast<SQLSMALLINT>(sizeof out - 1), &outLength, SQL_DRIVER_COMPLETE_REQUIRED);
}

// Connects an allocated connection handle; on failure the handle is freed
// and nulled so that no caller goes on with a dead connection.
int ConnectAllocated(void* henv, void** hdbc, const char* dataSource, const char* user, const char* password,
                     int showErrors, const char* failText)
{
    SQLHDBC dbc = *hdbc;
    SQLRETURN r = SQLConnect(dbc, Sql(dataSource), TextLength(dataSource), Sql(user), TextLength(user),
                             Sql(password), TextLength(password));
    if (SQL_SUCCEEDED(r))
        return 1;
    if (SQL_SUCCEEDED(DriverConnect(dbc, dataSource)))
        return 1;
    if (showErrors)
        zDBError(henv, dbc, nullptr, failText);
    SQLFreeConnect(dbc);
    *hdbc = nullptr;
    return 0;
}

int Disconnect(void* henv, void* hdbc, int showErrors)
{
    ZdbText text(IDS_ZDB_CANNOT_DISCONNECT);
    SQLRETURN r = SQLDisconnect(hdbc);
    if (Failed(r) && showErrors) {
        zDBError(henv, hdbc, nullptr, text.c_str());
        return 0;
    }
    r = SQLFreeConnect(hdbc);
    if (Failed(r) && showErrors)
        zDBError(henv, nullptr, nullptr, text.c_str());
    return r == SQL_SUCCESS ? 1 : 0;
}

// Fills buffer (kMessageChars + 1 bytes) with the next diagnostic, or with
// nothing when there is none.
void TakeDiagnostic(void* henv, void* hdbc, void* hstmt, char* state, SQLINTEGER* native, char* message)
{
    SQLSMALLINT length = 0;
    SQLRETURN r = SQLError(henv, hdbc, hstmt, reinterpret_cast<SQLCHAR*>(state), native,
                           reinterpret_cast<SQLCHAR*>(message), static_cast<SQLSMALLINT>(kMessageChars + 1), &length);
    if (!SQL_SUCCEEDED(r)) {
        state[0] = 0;
        *native = 0;
        message[0] = 0;
    }
    state[5] = 0;
    message[kMessageChars] = 0;
}

}  // namespace

ZdbText::ZdbText(unsigned id)
{
    if (LoadStringA(OwnModule(), id, text_, sizeof text_) <= 0)
        text_[0] = 0;
}

std::string ZdbBoxText(const char* message, const char* extra)
{
    std::string text(message ? message : "");
    if (extra) {
        text += '\n';
        text += extra;
    }
    // The message and the extra text share one buffer: the tail is cut.
    if (text.size() > kBoxTextSize - 1)
        text.resize(kBoxTextSize - 1);
    CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
    if (text.find("DUPLICAT") != std::string::npos)
        text = "Non e' possibile inserire dati DUPLICANDO dei campi CHIAVE";
    return text;
}

int zDBFullConnect(void** henv, void** hdbc, const char* dataSource, const char* user, const char* password,
                   int showErrors)
{
    try {
        if (!henv || !hdbc)
            return 0;
        ZdbText text(IDS_ZDB_CANNOT_CONNECT);
        *henv = nullptr;
        *hdbc = nullptr;
        // Without an environment or a connection nothing further can work,
        // whether or not the failure is shown.
        if (!SQL_SUCCEEDED(SQLAllocEnv(henv))) {
            if (showErrors)
                zDBError(nullptr, nullptr, nullptr, text.c_str());
            *henv = nullptr;
            return 0;
        }
        SQLSetEnvAttr(*henv, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        if (!SQL_SUCCEEDED(SQLAllocConnect(*henv, hdbc))) {
            if (showErrors)
                zDBError(*henv, nullptr, nullptr, text.c_str());
            SQLFreeEnv(*henv);
            *henv = nullptr;
            *hdbc = nullptr;
            return 0;
        }
        if (ConnectAllocated(*henv, hdbc, dataSource, user, password, showErrors, text.c_str()))
            return 1;
        SQLFreeEnv(*henv);
        *henv = nullptr;
        return 0;
    } catch (...) {
        return 0;
    }
}

int zDBConnect(void* henv, void** hdbc, const char* dataSource, const char* user, const char* password, int showErrors)
{
    try {
        if (!hdbc)
            return 0;
        ZdbText text(IDS_ZDB_CANNOT_CONNECT);
        *hdbc = nullptr;
        if (!SQL_SUCCEEDED(SQLAllocConnect(henv, hdbc))) {
            if (showErrors)
                zDBError(henv, nullptr, nullptr, text.c_str());
            *hdbc = nullptr;
            return 0;
        }
        return ConnectAllocated(henv, hdbc, dataSource, user, password, showErrors, text.c_str());
    } catch (...) {
        return 0;
    }
}

int zDBDisconnect(void* henv, void* hdbc, int showErrors)
{
    try {
        return Disconnect(henv, hdbc, showErrors);
    } catch (...) {
        return 0;
    }
}

int zDBFullDisconnect(void* henv, void* hdbc, int showErrors)
{
    try {
        int result = Disconnect(henv, hdbc, showErrors);
        SQLRETURN r = SQLFreeEnv(henv);
        if (Failed(r) && showErrors) {
            ZdbText text(IDS_ZDB_CANNOT_DISCONNECT);
            zDBError(nullptr, nullptr, nullptr, text.c_str());
        }
        return result && r == SQL_SUCCESS ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

void zDBError(void* henv, void* hdbc, void* hstmt, const char* extra)
{
    try {
        char state[6] = {};
        SQLINTEGER native = 0;
        char message[kMessageChars + 1] = {};
        TakeDiagnostic(henv, hdbc, hstmt, state, &native, message);
        char caption[1024] = {};
        snprintf(caption, sizeof caption, "[%s](%d)", state, static_cast<int>(native));
        std::string text = ZdbBoxText(message, extra);
        HWND focus = GetFocus();
        MessageBoxA(nullptr, text.c_str(), caption, MB_TASKMODAL | MB_ICONWARNING);
        SetFocus(focus);
    } catch (...) {
    }
}

void zDBErrorString(void* henv, void* hdbc, void* hstmt, char* destination)
{
    if (!destination)
        return;
    char state[6] = {};
    SQLINTEGER native = 0;
    char message[kMessageChars + 1] = {};
    TakeDiagnostic(henv, hdbc, hstmt, state, &native, message);
    memcpy(destination, message, strlen(message) + 1);
}
