// zDBGetPKkey: index columns of SQLite tables through the driver's catalog
// functions.

#include "sqlitedsn.h"
#include "xalloc.h"
#include "zdb.h"
#include "zdbinternal.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

TEST(ZdbKeyRecord, TablePartOfQualifiedNames)
{
    const struct {
        const char* name;
        const char* table;
    } rows[] = {
        {"orders", "orders"}, {"shop.orders", "orders"}, {"db.shop.orders", "orders"},
        {"", ""},             {"   ", ""},               {"shop.", ""},
        {nullptr, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name ? row.name : "(null)");
        EXPECT_EQ(row.table, ZdbTablePart(row.name));
    }
}

std::string Describe(const _pkey_* keys, short count)
{
    std::ostringstream out;
    for (short i = 0; i < count; ++i) {
        const _pkey_& k = keys[i];
        out << k.name << " idx=" << k.indexName << " nu=" << k.nonUnique << " pos=" << k.position
            << " type=" << k.dataType << " size=" << k.columnSize << " pre=[" << k.literalPrefix << "] suf=["
            << k.literalSuffix << "] order=" << (k.order ? k.order : '-') << " rep=" << k.repeated
            << " pseudo=" << k.pseudoColumn << "\n";
    }
    return out.str();
}

class ZdbKeys : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(sqlitedsn::Name().empty()) << sqlitedsn::Problem();
        ASSERT_EQ(1, zDBFullConnect(&henv_, &hdbc_, sqlitedsn::Name().c_str(), "", "", 0));
    }
    void TearDown() override
    {
        xfree(keys_);
        zDBFullDisconnect(henv_, hdbc_, 0);
    }
    void Run(const char* statement)
    {
        ASSERT_EQ(1, zDBExecScript(henv_, hdbc_, statement, ZDB_SCRIPT_SQL, nullptr)) << statement;
    }
    short Keys(const char* table)
    {
        xfree(keys_);
        keys_ = reinterpret_cast<_pkey_*>(1);
        return zDBGetPKkey(hdbc_, table, &keys_, 0);
    }
    // The records of one index, in their order within it.
    std::vector<const _pkey_*> Index(short count, const std::string& index)
    {
        std::vector<const _pkey_*> out;
        for (short i = 0; i < count; ++i)
            if (index == keys_[i].indexName)
                out.push_back(&keys_[i]);
        return out;
    }

    void* henv_ = nullptr;
    void* hdbc_ = nullptr;
    _pkey_* keys_ = nullptr;
};

TEST_F(ZdbKeys, SingleIntegerKey)
{
    Run("CREATE TABLE pk_single (id INTEGER PRIMARY KEY, name TEXT)");
    short count = Keys("pk_single");
    ASSERT_EQ(1, count) << Describe(keys_, count);
    const _pkey_& key = keys_[0];
    EXPECT_STREQ("id", key.name);
    EXPECT_EQ(0, key.nonUnique);
    EXPECT_EQ(1, key.position);
    EXPECT_EQ(SQL_INTEGER, key.dataType);
    EXPECT_STREQ("", key.literalPrefix);
    EXPECT_STREQ("", key.literalSuffix);
    EXPECT_FALSE(key.pseudoColumn);
    EXPECT_FALSE(key.repeated);
    EXPECT_EQ(nullptr, key.value);
}

TEST_F(ZdbKeys, TextKeyCarriesItsQuotesAndSize)
{
    Run("CREATE TABLE pk_text (code VARCHAR(12) PRIMARY KEY, qty INTEGER)");
    short count = Keys("pk_text");
    ASSERT_EQ(1, count) << Describe(keys_, count);
    EXPECT_STREQ("code", keys_[0].name);
    EXPECT_EQ(SQL_VARCHAR, keys_[0].dataType);
    EXPECT_EQ(12, keys_[0].columnSize);
    EXPECT_STREQ("'", keys_[0].literalPrefix);
    EXPECT_STREQ("'", keys_[0].literalSuffix);
}

TEST_F(ZdbKeys, CompositeKeyInIndexOrder)
{
    Run("CREATE TABLE pk_pair (note TEXT, year INTEGER, code VARCHAR(10), PRIMARY KEY (code, year))");
    short count = Keys("pk_pair");
    ASSERT_EQ(2, count) << Describe(keys_, count);
    const struct {
        const char* name;
        int type;
        const char* quote;
    } rows[] = {{"code", SQL_VARCHAR, "'"}, {"year", SQL_INTEGER, ""}};
    for (short i = 0; i < count; ++i) {
        SCOPED_TRACE(rows[i].name);
        EXPECT_STREQ(rows[i].name, keys_[i].name);
        EXPECT_EQ(i + 1, keys_[i].position);
        EXPECT_EQ(0, keys_[i].nonUnique);
        EXPECT_EQ(rows[i].type, keys_[i].dataType);
        EXPECT_STREQ(rows[i].quote, keys_[i].literalPrefix);
        EXPECT_STREQ(keys_[0].indexName, keys_[i].indexName);
    }
}

TEST_F(ZdbKeys, EveryIndexIsListedAndARepeatedColumnMarked)
{
    Run("CREATE TABLE pk_more (code VARCHAR(10), year INTEGER, note TEXT, PRIMARY KEY (code, year))");
    Run("CREATE INDEX pk_more_note ON pk_more (note)");
    Run("CREATE UNIQUE INDEX pk_more_both ON pk_more (note, code)");
    short count = Keys("pk_more");
    ASSERT_EQ(5, count) << Describe(keys_, count);
    std::vector<const _pkey_*> note = Index(count, "pk_more_note");
    ASSERT_EQ(1u, note.size()) << Describe(keys_, count);
    EXPECT_STREQ("note", note[0]->name);
    EXPECT_NE(0, note[0]->nonUnique);
    std::vector<const _pkey_*> both = Index(count, "pk_more_both");
    ASSERT_EQ(2u, both.size()) << Describe(keys_, count);
    EXPECT_EQ(0, both[0]->nonUnique);
    EXPECT_EQ(1, both[0]->position);
    EXPECT_EQ(2, both[1]->position);
    // Only the first record says whether its column comes again.
    bool again = false;
    for (short i = 1; i < count; ++i) {
        again = again || lstrcmpiA(keys_[0].name, keys_[i].name) == 0;
        EXPECT_FALSE(keys_[i].repeated) << i;
    }
    EXPECT_TRUE(again) << Describe(keys_, count);
    EXPECT_TRUE(keys_[0].repeated);
}

TEST_F(ZdbKeys, QualifiedNamesLookUpTheirLastPart)
{
    Run("CREATE TABLE pk_named (code VARCHAR(4), n INTEGER, PRIMARY KEY (code, n))");
    for (const char* name : {"pk_named", "main.pk_named", "db.main.pk_named", "PK_NAMED"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(2, Keys(name)) << Describe(keys_, 2);
        EXPECT_STREQ("code", keys_[0].name);
        EXPECT_STREQ("n", keys_[1].name);
    }
}

TEST_F(ZdbKeys, NoKeysGiveZeroAndNoArray)
{
    Run("CREATE TABLE pk_none (a INTEGER, b TEXT)");
    for (const char* name : {"", "   ", "main.", "pk_none", "pk_no_such_table"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(0, Keys(name));
        EXPECT_EQ(nullptr, keys_);
    }
}

TEST_F(ZdbKeys, ColumnTypeComesFromTheKeyColumnItself)
{
    // SQLColumns reads '_' as "any character": kx1 matches the pattern k_1 too.
    Run("CREATE TABLE pk_pattern (kx1 TEXT, k_1 INTEGER PRIMARY KEY)");
    short count = Keys("pk_pattern");
    ASSERT_EQ(1, count) << Describe(keys_, count);
    EXPECT_STREQ("k_1", keys_[0].name);
    EXPECT_EQ(SQL_INTEGER, keys_[0].dataType);
    EXPECT_STREQ("", keys_[0].literalPrefix);
}

}  // namespace
