// The xstring and xhextext additions of the control library.

#include "xalloc.h"
#include "xstring.h"
#include "xtokenizer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

struct FindRow {
    const char* text;
    const char* pattern;
    int start;
    bool flag;  // match case for FindLast, ignore case for FindAnyOf
    int expected;
};

TEST(XstringMore, FindLast)
{
    const FindRow rows[] = {
        {"abcab", "ab", 0, true, 3},
        {"abcab", "ab", 4, true, -1},
        {"abcab", "ab", 3, true, 3},
        {"abcAB", "ab", 0, true, 0},
        {"abcAB", "ab", 0, false, 3},
        {"aaaa", "aa", 0, true, 2},  // overlapping hits count
        {"abcab", "", 0, true, -1},
        {"abcab", "x", 0, true, -1},
        {"abcab", "ab", 99, true, -1},
        {"", "ab", 0, true, -1},
    };
    for (const FindRow& row : rows) {
        SCOPED_TRACE(std::string(row.text) + " / " + row.pattern);
        EXPECT_EQ(row.expected, xstring(row.text).FindLast(row.pattern, row.start, row.flag));
    }
}

TEST(XstringMore, FindAnyOf)
{
    const FindRow rows[] = {
        {"12,50 EUR", ",.", 0, false, 2},
        {"12.50", ",.", 0, false, 2},
        {"1,2,3", ",", 2, false, 3},
        {"abc", "xyz", 0, false, -1},
        {"abc", "", 0, false, -1},
        {"abc", "c", 3, false, -1},
        {"abc", "c", 4, false, -1},
        {"abC", "c", 0, false, -1},
        {"abC", "c", 0, true, 2},
        {"abc", "a", -5, false, 0},
    };
    for (const FindRow& row : rows) {
        SCOPED_TRACE(std::string(row.text) + " / " + row.pattern);
        EXPECT_EQ(row.expected, xstring(row.text).FindAnyOf(row.pattern, row.start, row.flag));
    }
}

TEST(XstringMore, ToDouble)
{
    // Longer numbers than the number area are cut to its 31 characters.
    const std::string longText = "1" + std::string(199, '0');
    const struct {
        const char* text;
        double expected;
    } rows[] = {
        {"1.234,5", 1234.5}, {"12.5", 12.5}, {"1.2.3", 1.23}, {"-3,25", -3.25},
        {"EUR 7,5", 7.5},    {"abc", 0.0},   {"", 0.0},       {"1.234.567,89", 1234567.89},
        {"+2", 2.0},         {"  10 , 5", 10.5}, {longText.c_str(), 1e30},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.text).substr(0, 40));
        EXPECT_DOUBLE_EQ(row.expected, xstring(row.text).ToDouble());
    }
}

TEST(XstringMore, FromHex)
{
    xstring s("00FF7a");
    int count = -1;
    const unsigned char* bytes = s.FromHex(&count);
    ASSERT_EQ(2, count);  // "7a": lower case ends the reading
    EXPECT_EQ(0x00, bytes[0]);
    EXPECT_EQ(0xFF, bytes[1]);

    xstring odd("1A2");
    bytes = odd.FromHex(&count);
    ASSERT_EQ(1, count);
    EXPECT_EQ(0x1A, bytes[0]);

    xstring none("G1");
    none.FromHex(&count);
    EXPECT_EQ(0, count);

    xstring all("DEADBEEF");
    bytes = all.FromHex(&count);
    ASSERT_EQ(4, count);
    EXPECT_EQ(0, std::memcmp(bytes, "\xDE\xAD\xBE\xEF", 4));
}

TEST(XstringMore, FormatWidth)
{
    xstring s("abc");
    EXPECT_STREQ("abc  ", s.Format(5, "%-*.*s"));
    EXPECT_STREQ("  abc", s.Format(5, "%*.*s"));
    EXPECT_STREQ("ab", s.Format(2, "%-*.*s"));
    EXPECT_STREQ("abc", s.Format(0, "%-*.*s"));
    EXPECT_STREQ("abc", s.c_str());
}

TEST(XstringMore, NumberAssignments)
{
    xstring s;
    EXPECT_STREQ("-32768", s.FromShort(SHRT_MIN).c_str());
    EXPECT_STREQ("-9223372036854775808", s.FromInt64(LLONG_MIN).c_str());
    EXPECT_STREQ("1234567890123", s.FromInt64(1234567890123LL).c_str());
    EXPECT_STREQ("3.14", s.FromDouble(3.14159, 2).c_str());
    EXPECT_STREQ("-2", s.FromDouble(-2.4, 0).c_str());
    EXPECT_STREQ("0.500", s.FromDouble(0.5, 3).c_str());
    // Wider than the number area: still the whole number.
    s.FromDouble(1e40, 1);
    EXPECT_EQ(43, s.Length());
    EXPECT_EQ(0, std::strncmp(s.c_str(), "1000000000000000030", 19));
}

TEST(XstringMore, WideTexts)
{
    xstring s;
    s.FromWide(L"caff\u00E8 1,50");
    EXPECT_STREQ("caff\xE8 1,50", s.c_str());
    s.FromWide(nullptr);
    EXPECT_STREQ("", s.c_str());

    wchar_t* wide = ToWide("perch\xE9");
    ASSERT_NE(nullptr, wide);
    EXPECT_STREQ(L"perch\u00E9", wide);
    char* narrow = ToNarrow(wide);
    EXPECT_STREQ("perch\xE9", narrow);
    xfree(wide);
    xfree(narrow);
    EXPECT_EQ(nullptr, ToWide(nullptr));
    EXPECT_EQ(nullptr, ToNarrow(nullptr));
}

TEST(XhextextMore, BytesAndText)
{
    const unsigned char bytes[] = {0x00, 0x0A, 0xFF, 0x5C};
    xhextext hex(bytes, 4);
    EXPECT_STREQ("000AFF5C", hex.Text());
    EXPECT_STREQ(L"000AFF5C", hex.Wide());
    xhextext empty(bytes, 0);
    EXPECT_STREQ("", empty.Text());
    xhextext text("Dati\xE8");
    EXPECT_STREQ("Dati\xE8", text.Text());
    EXPECT_STREQ(L"Dati\u00E8", text.Wide());
    xhextext none(static_cast<const char*>(nullptr));
    EXPECT_STREQ("", none.Text());
}

}  // namespace
