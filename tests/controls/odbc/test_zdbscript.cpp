// zDBExecScript over SQL text and script files against the SQLite driver.

#include "sqlitedsn.h"
#include "testutil.h"
#include "zdb.h"
#include "zdbinternal.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(ZdbScriptText, LinesSplitAtEveryLineBreak)
{
    const struct {
        const char* name;
        std::string text;
        std::vector<std::string> lines;
    } rows[] = {
        {"crlf", "A\r\nB\r\n", {"A", "B"}},
        {"lf and cr", "A\nB\rC", {"A", "B", "C"}},
        {"empty lines vanish", "\r\n\r\nA\n\n\nB\r\n\r\n", {"A", "B"}},
        {"no break", "SELECT 1", {"SELECT 1"}},
        {"only breaks", "\r\n\n", {}},
        {"blanks are kept", "  A  \n", {"  A  "}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.lines, ZdbScriptLines(row.text));
    }
}

TEST(ZdbScriptText, OneStatementLosesItsLastCharacterUnlessItBelongsToIt)
{
    const struct {
        const char* name;
        std::string text;
        std::string statement;
    } rows[] = {
        {"final line break", "DELETE FROM t\r\n", "DELETE FROM t"},
        // The last character stays: without it "id = 12" would become "id = 1".
        {"no final line break", "DELETE FROM t WHERE id = 12", "DELETE FROM t WHERE id = 12"},
        // A last ";" ends the statement: drivers that refuse it never see it.
        {"final semicolon", "DELETE FROM t;", "DELETE FROM t"},
        {"final blank", "DELETE FROM t; ", "DELETE FROM t;"},
        {"semicolon before the line break", "DELETE FROM t;\r\n", "DELETE FROM t;"},
        {"several lines", "UPDATE t\nSET a = 1\n", "UPDATE t\nSET a = 1"},
        {"end-of-file mark", "DELETE FROM t\r\n\x1a", "DELETE FROM t"},
        {"zero ends it", std::string("DELETE FROM t\0junk", 18), "DELETE FROM t"},
        {"only blanks", " \r\n", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.statement, ZdbScriptStatement(row.text));
    }
}

class ZdbScript : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(sqlitedsn::Name().empty()) << sqlitedsn::Problem();
        ASSERT_EQ(1, zDBFullConnect(&henv_, &hdbc_, sqlitedsn::Name().c_str(), "", "", 0));
        ASSERT_TRUE(peer_.ok());
        memset(error_, '?', sizeof error_ - 1);
        error_[sizeof error_ - 1] = 0;
    }
    void TearDown() override
    {
        zDBFullDisconnect(henv_, hdbc_, 0);
        for (const std::string& path : files_)
            DeleteFileA(path.c_str());
    }
    std::string File(const std::string& name, const std::string& text)
    {
        std::string path = testutil::exe_folder() + "\\zdb_" + std::to_string(GetCurrentProcessId()) + "_" + name;
        testutil::write_file(path, text);
        files_.push_back(path);
        return path;
    }
    int Exec(const std::string& text, short mode) { return zDBExecScript(henv_, hdbc_, text.c_str(), mode, error_); }
    bool ErrorUntouched() const { return std::string(error_) == std::string(sizeof error_ - 1, '?'); }

    void* henv_ = nullptr;
    void* hdbc_ = nullptr;
    sqlitedsn::Connection peer_;
    char error_[513];
    std::vector<std::string> files_;
};

TEST_F(ZdbScript, SqlTextRunsAndItsFailureIsDescribed)
{
    EXPECT_EQ(1, Exec("CREATE TABLE sql_text (a INTEGER)", ZDB_SCRIPT_SQL));
    EXPECT_TRUE(ErrorUntouched());
    EXPECT_EQ(1, Exec("INSERT INTO sql_text VALUES (7)", ZDB_SCRIPT_SQL));
    EXPECT_EQ("7", peer_.Value("SELECT a FROM sql_text"));

    EXPECT_EQ(0, Exec("INSERT INTO sql_text_missing VALUES (7)", ZDB_SCRIPT_SQL));
    EXPECT_NE(nullptr, strstr(error_, "sql_text_missing")) << error_;
    // Without an error buffer the answer is the same.
    EXPECT_EQ(0, zDBExecScript(henv_, hdbc_, "SELECT * FROM sql_text_missing", ZDB_SCRIPT_SQL, nullptr));
}

TEST_F(ZdbScript, LineFileRunsEveryLineAndOnlyTheLastOneCounts)
{
    std::string path = File("lines.sql",
                            "CREATE TABLE by_line (a INTEGER)\r\n"
                            "\r\n"
                            "INSERT INTO by_line VALUES (1)\r\n"
                            "INSERT INTO by_line_missing VALUES (2)\r\n"
                            "INSERT INTO by_line VALUES (3)\r\n");
    // The failing line in the middle is not reported; the lines after it still run.
    EXPECT_EQ(1, Exec(path, ZDB_SCRIPT_FILE_LINES));
    EXPECT_TRUE(ErrorUntouched());
    EXPECT_EQ("2", peer_.Value("SELECT COUNT(*) FROM by_line"));
    EXPECT_EQ("4", peer_.Value("SELECT SUM(a) FROM by_line"));

    std::string lastFails = File("lastfails.sql", "INSERT INTO by_line VALUES (10)\nINSERT INTO nowhere VALUES (1)");
    EXPECT_EQ(0, Exec(lastFails, ZDB_SCRIPT_FILE_LINES));
    EXPECT_NE(nullptr, strstr(error_, "nowhere")) << error_;
    EXPECT_EQ("14", peer_.Value("SELECT SUM(a) FROM by_line"));
}

TEST_F(ZdbScript, LineFileGoesOnAfterAQuery)
{
    std::string path = File("query.sql",
                            "CREATE TABLE after_query (a INTEGER)\n"
                            "SELECT * FROM sqlite_master\n"
                            "INSERT INTO after_query VALUES (5)\n");
    EXPECT_EQ(1, Exec(path, ZDB_SCRIPT_FILE_LINES));
    EXPECT_EQ("5", peer_.Value("SELECT a FROM after_query"));
}

TEST_F(ZdbScript, StatementFileRunsWholeWithOrWithoutFinalLineBreak)
{
    const struct {
        const char* name;
        std::string text;
    } rows[] = {
        {"final crlf", "CREATE TABLE one_stmt_a\r\n(a INTEGER)\r\n"},
        {"no final line break", "CREATE TABLE one_stmt_b (a INTEGER)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::string path = File("stmt.sql", row.text);
        EXPECT_EQ(1, Exec(path, 0));
        EXPECT_TRUE(ErrorUntouched()) << error_;
    }
    EXPECT_EQ("2", peer_.Value("SELECT COUNT(*) FROM sqlite_master WHERE name LIKE 'one_stmt_%'"));

    std::string bad = File("bad.sql", "INSERT INTO one_stmt_missing VALUES (1)\n");
    EXPECT_EQ(0, Exec(bad, 0));
    EXPECT_NE(nullptr, strstr(error_, "one_stmt_missing")) << error_;
}

// A script file that is not there has nothing to run, like an empty one:
// the answer is 1 and the error buffer is not touched.
TEST_F(ZdbScript, MissingFileRunsNothingAndAnswersOne)
{
    std::string missing = testutil::exe_folder() + "\\zdb_no_such_script.sql";
    for (short mode : {short(ZDB_SCRIPT_FILE_LINES), short(0), short(7)}) {
        SCOPED_TRACE(mode);
        EXPECT_EQ(1, Exec(missing, mode));
        EXPECT_TRUE(ErrorUntouched()) << error_;
    }
}

// A file that is there but cannot be read whole (far larger than any
// script, or held open for writing by another program) runs none of its
// statements and says so.
TEST_F(ZdbScript, FileThatCannotBeReadRunsNothingAndAnswersZero)
{
    std::string huge = File("huge.sql", "CREATE TABLE never_made (a INTEGER)\r\n");
    HANDLE file = CreateFileA(huge.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    LARGE_INTEGER end;
    end.QuadPart = 65LL * 1024 * 1024;  // the rest reads as zeros: no disk is written
    ASSERT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file));
    CloseHandle(file);
    std::string held = File("held.sql", "CREATE TABLE never_made (a INTEGER)\r\n");
    HANDLE holder = CreateFileA(held.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    const struct {
        const char* name;
        std::string path;
    } rows[] = {{"too large", huge}, {"held for writing", held}};
    for (const auto& row : rows) {
        for (short mode : {short(ZDB_SCRIPT_FILE_LINES), short(0)}) {
            SCOPED_TRACE(std::string(row.name) + ", mode " + std::to_string(mode));
            EXPECT_EQ(0, Exec(row.path, mode));
            EXPECT_EQ("Cannot read " + row.path, std::string(error_));
        }
    }
    CloseHandle(holder);
    EXPECT_EQ("0", peer_.Value("SELECT COUNT(*) FROM sqlite_master WHERE name = 'never_made'"));
}

TEST_F(ZdbScript, EmptyFileRunsNothingAndAnswersOne)
{
    std::string empty = File("empty.sql", "");
    std::string blank = File("blank.sql", "\r\n\r\n");
    const struct {
        const char* name;
        std::string path;
        short mode;
    } rows[] = {
        {"empty, lines", empty, ZDB_SCRIPT_FILE_LINES},
        {"empty, statement", empty, 0},
        {"blank lines", blank, ZDB_SCRIPT_FILE_LINES},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(1, Exec(row.path, row.mode));
        EXPECT_TRUE(ErrorUntouched());
    }
}

}  // namespace
