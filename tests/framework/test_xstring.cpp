// xstring, xtokenizer, xhextext and the shared text functions.

#include "xstring.h"
#include "xtokenizer.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

TEST(XString, ConstructionAndAssignment)
{
    xstring empty;
    EXPECT_STREQ("", empty.c_str());
    xstring fromNull(static_cast<const char*>(nullptr));
    EXPECT_STREQ("", fromNull.c_str());
    xstring s("abc");
    s = nullptr;
    EXPECT_STREQ("", s.c_str());
    s = "hello";
    xstring copy(s);
    copy += " world";
    EXPECT_STREQ("hello", s.c_str());
    EXPECT_STREQ("hello world", copy.c_str());
    EXPECT_TRUE(s != "hellO");
    EXPECT_FALSE(s != "hello");
}

TEST(XString, SelfAssignmentAndSelfAppend)
{
    xstring s("abcdef");
    s = s.c_str();
    EXPECT_STREQ("abcdef", s.c_str());
    s = s.c_str() + 2;  // a tail of its own block
    EXPECT_STREQ("cdef", s.c_str());
    s += s.c_str();
    EXPECT_STREQ("cdefcdef", s.c_str());
    s += s.c_str() + 6;
    EXPECT_STREQ("cdefcdefef", s.c_str());
    xstring& alias = s;
    s = alias;
    EXPECT_STREQ("cdefcdefef", s.c_str());
    s.Insert(2, s.c_str(), true);
    EXPECT_STREQ("cdcdefcdefefefcdefef", s.c_str());
    s.Replace("ef", s.c_str() + s.Length() - 2, true, false);  // replacement equals pattern
    EXPECT_FALSE(s.Found());
    s = "xyz";
    s.Replace(s.c_str() + 1, s.c_str(), true, false);  // "yz" -> "xyz"
    EXPECT_STREQ("xxyz", s.c_str());
}

TEST(XString, Numbers)
{
    struct Row { const char* text; int expected; } rows[] = {
        {"1.234,56", 123456}, {"-42", -42}, {"abc", 0}, {"", 0}, {"+7", 7},
        {"2147483647", INT_MAX}, {"2147483648", INT_MAX}, {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN},
        {"1234567890123456789012345678901234567890", INT_MAX},
        {"-1234567890123456789012345678901234567890", INT_MIN},
        {"\xE8 12 \xEC", 12},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(r.expected, xstring(r.text).ToInt());
    }
    xstring s;
    EXPECT_STREQ("-17", s.FromInt(-17).c_str());
    EXPECT_STREQ("4294967295", s.FromULong(4294967295UL).c_str());
    EXPECT_STREQ("-5", s.FromLong(-5).c_str());
    EXPECT_STREQ("65535", s.FromUnsignedShort(0x1FFFF).c_str());
    EXPECT_STREQ("3000000000", s.FromUnsigned(3000000000U).c_str());
}

TEST(XString, FindIsBlankAndSpace)
{
    xstring s("Caff\xE8 e CAFF\xC8");
    EXPECT_EQ(-1, s.Find(""));
    EXPECT_EQ(-1, s.Find("caff"));
    EXPECT_EQ(0, s.Find("caff", 0, true));
    EXPECT_EQ(8, s.Find("caff", 1, true));
    EXPECT_EQ(8, s.Find("CAFF", -100));
    EXPECT_EQ(-1, s.Find("a", 1000));
    EXPECT_EQ(-1, s.Find("a", INT_MAX));
    EXPECT_TRUE(xstring(" \t\r\n").IsBlank());
    EXPECT_FALSE(xstring(" \xA0x").IsBlank());
    xstring sp;
    sp.Space(5);
    EXPECT_STREQ("     ", sp.c_str());
    sp.Space(-3);
    EXPECT_STREQ("     ", sp.c_str());
}

TEST(XString, SubstringsClampToTheText)
{
    struct Row { int pos, len; const char* substr; const char* mid; } rows[] = {
        {0, 3, "abc", "abc"}, {2, 2, "cd", "cd"}, {4, 100, "ef", "ef"},
        {4, INT_MAX, "ef", "ef"}, {3, -1, "def", "def"}, {-5, 2, "ab", "ab"},
        {INT_MIN, INT_MIN, "abcdef", "abcdef"}, {6, 1, "", ""},
        {7, 1, "abcdef", "abcdef"}, {INT_MAX, 3, "abcdef", "abcdef"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.pos) + "," + std::to_string(r.len));
        xstring s("abcdef");
        EXPECT_STREQ(r.substr, s.Substr(r.pos, r.len));
        EXPECT_STREQ(r.mid, s.Mid(r.pos, r.len).c_str());
        EXPECT_STREQ("abcdef", s.c_str());
    }
    xstring s("abcdef");
    EXPECT_STREQ("ef", s.Right(2).c_str());
    EXPECT_STREQ("abcdef", s.Right(50).c_str());
    EXPECT_STREQ("", s.Right(-1).c_str());
}

TEST(XString, InsertDeleteReplace)
{
    xstring s("abcd");
    s.Insert(4, "XY", true);
    EXPECT_STREQ("abcdXY", s.c_str());
    s.Insert(2, "--", false);
    EXPECT_STREQ("ab--", s.c_str());
    for (int pos : {-1, 5, INT_MAX, INT_MIN}) {
        SCOPED_TRACE(pos);
        s.Insert(pos, "Z", true);
        EXPECT_STREQ("ab--", s.c_str());
    }
    s = "abcd";
    s.Delete(2, 5);
    EXPECT_STREQ("abcd", s.c_str());
    s.Delete(-1, 1);
    s.Delete(1, -1);
    s.Delete(INT_MAX, 1);
    s.Delete(2, INT_MAX);
    EXPECT_STREQ("abcd", s.c_str());
    s.Delete(1, 2);
    EXPECT_STREQ("ad", s.c_str());

    struct Row { const char* text; const char* pat; const char* rep; bool all; bool icase;
                 const char* expected; bool found; } rows[] = {
        {"aXa", "a", "aa", true, false, "aaXaa", true},
        {"aXa", "a", "aa", false, false, "aaXa", true},
        {"a;b;c", ";", "", true, false, "abc", true},
        {"one two one", "ONE", "1", true, true, "1 two 1", true},
        {"one two one", "ONE", "1", true, false, "one two one", false},
        {"x", "x", "x", true, false, "x", false},
        {"abc", "", "z", true, false, "abc", false},
        {"p\xE8p", "\xE8", "\xE8\xE8\xE8", true, false, "p\xE8\xE8\xE8p", true},
        {"''a''", "''", "|", true, false, "|a|", true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text + std::string(" / ") + r.pat);
        xstring t(r.text);
        t.Replace(r.pat, r.rep, r.all, r.icase);
        EXPECT_STREQ(r.expected, t.c_str());
        EXPECT_EQ(r.found, t.Found());
    }
}

TEST(XString, TrimAndTextFunctions)
{
    xstring s(" \t\x01 cos\xEC \r\n");
    EXPECT_STREQ("cos\xEC", s.Trim().c_str());
    EXPECT_STREQ("cos\xEC", s.c_str());
    char buf[32];
    std::strcpy(buf, "; ;a;b ;; ");
    EXPECT_STREQ("; ;a;b", TrimRight(buf, ';'));
    EXPECT_STREQ("a;b", TrimLeft(buf, ';'));
    EXPECT_EQ(nullptr, TrimRight(nullptr, ' '));
    EXPECT_TRUE(IsBlank("\t\r\n "));
    EXPECT_TRUE(IsBlank(nullptr));
    struct Row { const char* in; int mode; const char* out; } rows[] = {
        {"1.234,5", 32, "1234.5"}, {"12.5", 32, "12.5"}, {"1.2.3", 32, "1.23"},
        {"a-1", 32, "-1"}, {"1,5", 0, "15"},
        {"1234567890123456789012345678901234567890", 0, "1234567890123456789012345678901"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.in);
        char big[64];
        std::strcpy(big, r.in);
        EXPECT_STREQ(r.out, NormalizeNumber(big, r.mode));
    }
    xstring a("x"), b("y");
    EXPECT_STREQ("xy", (a + b).c_str());
    EXPECT_STREQ("zx", ("z" + a).c_str());
    EXPECT_STREQ("xz", (a + "z").c_str());
    EXPECT_STREQ("x", a.c_str());
}

TEST(XString, ReserveAboveSixtyFourKiB)
{
    xstring s("keep");
    size_t before = s.Capacity();
    s.Reserve(70000);
    EXPECT_EQ(before + 70000, s.Capacity());
    EXPECT_STREQ("keep", s.c_str());
    std::memset(s.GetBuffer() + 4, 'x', 69999);  // the reserved room is usable
    EXPECT_EQ(70003, s.Length());
}

TEST(XTokenizer, TokensAndConsumedCount)
{
    xtokenizer t("a;;b;", ";");
    EXPECT_EQ(2, t.First());
    EXPECT_STREQ("a", t.Token().c_str());
    EXPECT_STREQ("b", t.Next().c_str());
    EXPECT_EQ(4, t.Consumed());
    EXPECT_STREQ("", t.Next().c_str());
    EXPECT_FALSE(t.HasToken());
    EXPECT_EQ(4, t.Consumed());

    xtokenizer none(";;;", ";");
    EXPECT_EQ(0, none.First());
    EXPECT_FALSE(none.HasToken());

    // the receipt language: options end at "=" or ","; values are cut at ","
    std::string line = "PLU QTY=2,PRICE='a,b' X";
    xtokenizer p(line.c_str(), " =,");
    p.First();
    EXPECT_STREQ("PLU", p.Token().c_str());
    EXPECT_STREQ("QTY", p.Next().c_str());
    EXPECT_EQ('=', line[size_t(p.Consumed() - 1)]);
    p.SetDelimiters("=,");
    EXPECT_STREQ("2", p.Next().c_str());
    EXPECT_EQ(',', line[size_t(p.Consumed() - 1)]);
    EXPECT_STREQ("PRICE", p.Next().c_str());
    p.SetDelimiters("'");
    EXPECT_STREQ("a,b", p.Next().c_str());
    p.SetDelimiters(" =,");
    EXPECT_STREQ("X", p.Next().c_str());

    xtokenizer r("KEY=rest, of line\r\nNEXT=1", "=,\r\n");
    r.First();
    EXPECT_STREQ("rest, of line", r.NextToken("\r\n").c_str());
    EXPECT_STREQ("NEXT", r.NextToken().c_str());
    EXPECT_STREQ("=,\r\n", r.GetDelimiters().c_str());

    r.First();  // starts over the whole text
    EXPECT_STREQ("KEY", r.Token().c_str());
}

TEST(XTokenizer, InterleavedTokenizersKeepTheirOwnPlace)
{
    // strtok would lose the outer position as soon as the inner one starts
    xtokenizer outer("a=1;b=2;c=3", ";");
    std::vector<std::string> keys, values;
    for (outer.First(); outer.HasToken(); outer.Next()) {
        xtokenizer inner(outer.Token(), "=");
        inner.First();
        keys.push_back(inner.Token().c_str());
        values.push_back(inner.Next().c_str());
    }
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), keys);
    EXPECT_EQ((std::vector<std::string>{"1", "2", "3"}), values);
    EXPECT_EQ(12, outer.Consumed());
}

TEST(XHexText, NarrowAndWide)
{
    xhextext h(0x1A2B);
    EXPECT_STREQ("1A2B", h.Text());
    EXPECT_STREQ(L"1A2B", h.Wide());
    xhextext n(-1);
    EXPECT_STREQ("FFFFFFFF", n.Text());
}
