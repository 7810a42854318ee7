// Connecting, disconnecting and error reporting against the SQLite driver
// through Wine's odbc32 and unixODBC.

#include "boxwatch.h"
#include "sqlitedsn.h"
#include "zdb.h"
#include "zdbinternal.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Upper(std::string text)
{
    CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

class ZdbConnect : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(sqlitedsn::Name().empty()) << sqlitedsn::Problem(); }
    const char* dsn() const { return sqlitedsn::Name().c_str(); }
};

std::string DbmsName(void* hdbc)
{
    char name[80] = {};
    SQLSMALLINT length = 0;
    SQLGetInfo(hdbc, SQL_DBMS_NAME, name, sizeof name, &length);
    return name;
}

TEST_F(ZdbConnect, FullConnectMakesEnvironmentAndConnection)
{
    void* henv = nullptr;
    void* hdbc = nullptr;
    ASSERT_EQ(1, zDBFullConnect(&henv, &hdbc, dsn(), "", "", 0));
    ASSERT_NE(nullptr, henv);
    ASSERT_NE(nullptr, hdbc);
    EXPECT_EQ("SQLite", DbmsName(hdbc));
    SQLINTEGER version = 0;
    SQLGetEnvAttr(henv, SQL_ATTR_ODBC_VERSION, &version, 0, nullptr);
    EXPECT_EQ(SQL_OV_ODBC3, version);
    EXPECT_EQ(1, zDBFullDisconnect(henv, hdbc, 1));
}

TEST_F(ZdbConnect, ConnectUsesTheCallersEnvironment)
{
    SQLHENV henv = nullptr;
    ASSERT_EQ(SQL_SUCCESS, SQLAllocEnv(&henv));
    SQLSetEnvAttr(henv, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    void* first = nullptr;
    void* second = nullptr;
    ASSERT_EQ(1, zDBConnect(henv, &first, dsn(), nullptr, nullptr, 1));
    ASSERT_EQ(1, zDBConnect(henv, &second, dsn(), "", "", 1));
    EXPECT_NE(first, second);
    EXPECT_EQ("SQLite", DbmsName(second));
    EXPECT_EQ(1, zDBDisconnect(henv, first, 1));
    EXPECT_EQ(1, zDBDisconnect(henv, second, 1));
    // Both connections are gone, so the environment can go.
    EXPECT_EQ(SQL_SUCCESS, SQLFreeEnv(henv));
}

TEST_F(ZdbConnect, MissingDataSourceFailsAtOnceWithoutHandles)
{
    std::string missing = sqlitedsn::MissingName();
    DWORD start = GetTickCount();
    void* henv = reinterpret_cast<void*>(1);
    void* hdbc = reinterpret_cast<void*>(1);
    EXPECT_EQ(0, zDBFullConnect(&henv, &hdbc, missing.c_str(), "", "", 0));
    EXPECT_EQ(nullptr, henv);
    EXPECT_EQ(nullptr, hdbc);

    SQLHENV own = nullptr;
    ASSERT_EQ(SQL_SUCCESS, SQLAllocEnv(&own));
    SQLSetEnvAttr(own, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    void* conn = reinterpret_cast<void*>(1);
    EXPECT_EQ(0, zDBConnect(own, &conn, missing.c_str(), "", "", 0));
    EXPECT_EQ(nullptr, conn);
    // The failed connection was freed: nothing holds the environment.
    EXPECT_EQ(SQL_SUCCESS, SQLFreeEnv(own));
    EXPECT_LT(GetTickCount() - start, 10000u);
}

TEST_F(ZdbConnect, MissingDataSourceShowsTheDriverManagersDiagnostic)
{
    std::string missing = sqlitedsn::MissingName();
    void* henv = nullptr;
    void* hdbc = nullptr;
    boxwatch::Watcher watcher(IDOK);
    EXPECT_EQ(0, zDBFullConnect(&henv, &hdbc, missing.c_str(), "", "", 1));
    ASSERT_TRUE(watcher.answered);
    EXPECT_EQ("[IM002](0)", watcher.caption);
    // The ODBC message, then the library's own text, all upper case.
    EXPECT_NE(std::string::npos, watcher.text.find("DATA SOURCE NAME NOT FOUND")) << watcher.text;
    size_t tail = watcher.text.rfind("\nCANNOT CONNECT");
    EXPECT_EQ(watcher.text.size() - strlen("\nCANNOT CONNECT"), tail) << watcher.text;
}

TEST(ZdbStrings, LibraryTextsComeFromTheStringTable)
{
    const struct {
        unsigned id;
        const char* text;
    } rows[] = {{IDS_ZDB_CANNOT_CONNECT, "Cannot connect"},
                {IDS_ZDB_CANNOT_DISCONNECT, "Cannot disconnect"},
                {IDS_ZDB_FATAL, "Fatal"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.id);
        EXPECT_STREQ(row.text, ZdbText(row.id).c_str());
    }
}

TEST(ZdbStrings, BoxTextJoinsCutsAndUpperCases)
{
    const std::string duplicate = "Non e' possibile inserire dati DUPLICANDO dei campi CHIAVE";
    const std::string longMessage(512, 'm');
    const struct {
        const char* name;
        std::string message;
        const char* extra;
        std::string expected;
    } rows[] = {
        {"message only", "no such table: x", nullptr, "NO SUCH TABLE: X"},
        {"with extra", "syntax error", "GRID::DBUPDATE", "SYNTAX ERROR\nGRID::DBUPDATE"},
        {"empty message", "", "GRID::EXEC", "\nGRID::EXEC"},
        {"accented", "valore perch\xe8", nullptr, "VALORE PERCH\xc8"},
        {"duplicate in message", "Duplicate entry '1' for key", nullptr, duplicate},
        {"duplicate in extra", "constraint", "duplicated key", duplicate},
        {"long extra is cut", longMessage, "ABCDEFGHIJ", Upper(longMessage) + "\nAB"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::string text = ZdbBoxText(row.message.c_str(), row.extra);
        EXPECT_EQ(row.expected, text);
        EXPECT_LE(text.size(), 515u);
    }
}

class ZdbErrors : public ZdbConnect {
protected:
    void SetUp() override
    {
        ZdbConnect::SetUp();
        ASSERT_EQ(1, zDBFullConnect(&henv_, &hdbc_, dsn(), "", "", 0));
        ASSERT_EQ(SQL_SUCCESS, SQLAllocStmt(hdbc_, &stmt_));
    }
    void TearDown() override
    {
        if (stmt_)
            SQLFreeStmt(stmt_, SQL_DROP);
        if (hdbc_)
            zDBFullDisconnect(henv_, hdbc_, 0);
    }
    SQLRETURN Fail(const std::string& statement)
    {
        SQLFreeStmt(stmt_, SQL_CLOSE);
        return SQLExecDirect(stmt_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(statement.c_str())), SQL_NTS);
    }

    void* henv_ = nullptr;
    void* hdbc_ = nullptr;
    SQLHSTMT stmt_ = nullptr;
};

TEST_F(ZdbErrors, ErrorStringCopiesTheDriversMessage)
{
    ASSERT_EQ(SQL_ERROR, Fail("SELECT * FROM no_such_table"));
    char expected[600] = {};
    SQLCHAR state[6];
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLError(nullptr, nullptr, stmt_, state, &native, reinterpret_cast<SQLCHAR*>(expected), 513, &length);
    ASSERT_NE(nullptr, strstr(expected, "no_such_table"));

    ASSERT_EQ(SQL_ERROR, Fail("SELECT * FROM no_such_table"));
    char text[513];
    memset(text, 'x', sizeof text);
    zDBErrorString(henv_, hdbc_, stmt_, text);
    EXPECT_STREQ(expected, text);
    // Nothing is left to report: the text is empty rather than stale.
    zDBErrorString(henv_, hdbc_, stmt_, text);
    EXPECT_STREQ("", text);
    zDBErrorString(henv_, hdbc_, stmt_, nullptr);
}

TEST_F(ZdbErrors, ErrorStringStaysWithinItsBuffer)
{
    std::string name(700, 'q');
    ASSERT_EQ(SQL_ERROR, Fail("SELECT * FROM " + name));
    char text[513 + 16];
    memset(text, '#', sizeof text);
    zDBErrorString(henv_, hdbc_, stmt_, text);
    EXPECT_EQ(512u, strlen(text));
    EXPECT_NE(nullptr, strstr(text, "qqqq"));
    for (size_t i = 513; i < sizeof text; ++i)
        ASSERT_EQ('#', text[i]) << "byte " << i;
}

TEST_F(ZdbErrors, ErrorBoxShowsStateNativeCodeAndExtraText)
{
    ASSERT_EQ(SQL_ERROR, Fail("INSERT INTO nowhere VALUES (1)"));
    char message[513] = {};
    char state[6] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLError(nullptr, nullptr, stmt_, reinterpret_cast<SQLCHAR*>(state), &native,
             reinterpret_cast<SQLCHAR*>(message), sizeof message, &length);
    char caption[64];
    snprintf(caption, sizeof caption, "[%s](%d)", state, static_cast<int>(native));

    ASSERT_EQ(SQL_ERROR, Fail("INSERT INTO nowhere VALUES (1)"));
    boxwatch::Watcher watcher(IDOK);
    zDBError(henv_, hdbc_, stmt_, "GRID::DBINSERT");
    ASSERT_TRUE(watcher.answered);
    EXPECT_EQ(caption, watcher.caption);
    EXPECT_EQ(Upper(message) + "\nGRID::DBINSERT", watcher.text);
}

TEST_F(ZdbErrors, DuplicateKeysAreExplainedInTheShopsWords)
{
    ASSERT_EQ(SQL_SUCCESS, Fail("CREATE TABLE dup (id INTEGER PRIMARY KEY)"));
    ASSERT_EQ(SQL_SUCCESS, Fail("INSERT INTO dup VALUES (1)"));
    ASSERT_EQ(SQL_ERROR, Fail("INSERT INTO dup VALUES (1)"));
    boxwatch::Watcher watcher(IDOK);
    zDBError(henv_, hdbc_, stmt_, "Duplicate key in dup");
    ASSERT_TRUE(watcher.answered);
    EXPECT_EQ("Non e' possibile inserire dati DUPLICANDO dei campi CHIAVE", watcher.text);
}

TEST_F(ZdbConnect, DisconnectOfAnInvalidConnectionReportsIt)
{
    void* henv = nullptr;
    void* hdbc = nullptr;
    ASSERT_EQ(1, zDBFullConnect(&henv, &hdbc, dsn(), "", "", 0));
    ASSERT_EQ(1, zDBDisconnect(henv, hdbc, 0));
    // The handle is gone now: quietly 0, and shown with its text when asked.
    EXPECT_EQ(0, zDBDisconnect(henv, hdbc, 0));
    {
        boxwatch::Watcher watcher(IDOK);
        EXPECT_EQ(0, zDBDisconnect(henv, hdbc, 1));
        ASSERT_TRUE(watcher.answered);
        EXPECT_NE(std::string::npos, watcher.text.find("CANNOT DISCONNECT")) << watcher.text;
    }
    EXPECT_EQ(SQL_SUCCESS, SQLFreeEnv(henv));
}

// The export names are checked with the whole interface (CorvexEntry); here
// the library's own string table, which these functions load their texts from.
TEST(ZdbStrings, CorvexDllCarriesTheTable)
{
    HMODULE library = LoadLibraryA("Corvex.dll");
    ASSERT_NE(nullptr, library) << GetLastError();
    char text[80] = {};
    EXPECT_GT(LoadStringA(library, IDS_ZDB_CANNOT_CONNECT, text, sizeof text), 0);
    EXPECT_STREQ("Cannot connect", text);
    FreeLibrary(library);
}

}  // namespace
