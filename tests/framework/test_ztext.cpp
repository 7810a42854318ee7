// Text functions as tables (bytes of 0x80 and more included) and the value
// of each control class as text.

#include "zwintest.h"

#include "ztextfunc.h"
#include "xalloc.h"
#include "xsystem.h"

#include <cstring>
#include <memory>

using zwt::Pump;
using zwt::TestForm;

namespace {

TEST(TextFunctionsTest, IsBlank)
{
    struct Row {
        const char* text;
        bool blank;
    };
    const Row rows[] = {{nullptr, true},  {"", true},        {" \t\r\n\v\f", true},
                        {" x ", false},   {"\xA0", false},   {"\xE8", false},
                        {"\x80\x81", false}, {"\xFF ", false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text ? r.text : "(null)");
        EXPECT_EQ(r.blank, IsBlank(r.text));
    }
}

TEST(TextFunctionsTest, TrimRightAndLeft)
{
    struct Row {
        const char* in;
        char ch;
        const char* right;
        const char* left;
    };
    const Row rows[] = {
        {"abc; ;;  ", ';', "abc", "abc; ;;  "},
        {" ;; ;abc;", ';', " ;; ;abc", "abc;"},
        {"\tx\r\n", ' ', "\tx", "x\r\n"},
        {"caff\xE8 \x01", ' ', "caff\xE8", "caff\xE8 \x01"},
        {"\xA0\xE0", ' ', "\xA0\xE0", "\xA0\xE0"},
        {"\x7F\x80\x7F", ' ', "\x7F\x80", "\x80\x7F"},
        {";;;", ';', "", ""},
        {"", ';', "", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.in);
        char a[64], b[64];
        std::strcpy(a, r.in);
        std::strcpy(b, r.in);
        EXPECT_STREQ(r.right, TrimRight(a, r.ch));
        EXPECT_STREQ(r.left, TrimLeft(b, r.ch));
    }
    EXPECT_EQ(nullptr, TrimRight(nullptr, ' '));
    EXPECT_EQ(nullptr, TrimLeft(nullptr, ' '));
}

TEST(TextFunctionsTest, NormalizeNumber)
{
    struct Row {
        const char* in;
        int mode;
        const char* out;
    };
    const Row rows[] = {
        {"1.234,5", 32, "1234.5"}, {"12.5", 32, "12.5"}, {"1.2.3", 32, "1.23"},
        {"a-1", 32, "-1"},         {"1,5", 0, "15"},     {"+3.7", 0, "+37"},
        {"\xB2" "5\xBD", 32, "5"}, {"\x80\xFF" "7", 0, "7"},
        {"1234567890123456789012345678901234567890", 0, "1234567890123456789012345678901"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.in);
        char buf[64];
        std::strcpy(buf, r.in);
        EXPECT_STREQ(r.out, NormalizeNumber(buf, r.mode));
    }
}

TEST(TextFunctionsTest, ConcatenationAndNumbers)
{
    xstring a("ab"), b("cd");
    EXPECT_STREQ("abcd", (a + b).c_str());
    EXPECT_STREQ("xcd", ("x" + b).c_str());
    EXPECT_STREQ("ab\xE8", (a + "\xE8").c_str());
    EXPECT_STREQ("ab", a.c_str());
    xstring n;
    EXPECT_STREQ("-5", n.FromLong(-5).c_str());
    EXPECT_STREQ("4294967295", n.FromUnsigned(0xFFFFFFFFu).c_str());
    EXPECT_STREQ("65535", n.FromUnsignedShort(0x1FFFFu).c_str());
}

// --- GetControlText ------------------------------------------------------

struct ControlTextTest : ::testing::Test {
    void SetUp() override
    {
        form = std::make_unique<TestForm>("Txt");
        form->Show(SW_SHOW);
        ASSERT_TRUE(form->IsLive());
    }
    HWND Make(const char* cls, DWORD style, const char* text = "")
    {
        return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, y += 30, 200, 120,
                               form->hwnd, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    std::string Text(HWND w, int ms = -1)
    {
        char* t = GetControlText(w, ms);
        if (!t)
            return "(null)";
        std::string s(t);
        xfree(t);
        return s;
    }
    std::unique_ptr<TestForm> form;
    int y = 0;
};

TEST_F(ControlTextTest, EachClassGivesItsValue)
{
    HWND edit = Make("edit", 0, "caff\xE8");
    HWND stat = Make("static", 0, "label");
    HWND button = Make("button", 0, "");
    HWND list = Make("listbox", 0, "lt");
    HWND combo = Make("combobox", CBS_DROPDOWN);
    HWND ip = Make(WC_IPADDRESSA, 0);
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("one"));
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("two"));
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("alfa"));
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("beta"));
    SendMessageA(ip, IPM_SETADDRESS, 0, MAKEIPADDRESS(10, 1, 2, 3));
    SetWindowTextA(combo, "typed");
    struct Row {
        const char* what;
        HWND window;
        std::string expected;
    };
    std::vector<Row> rows = {{"edit", edit, "caff\xE8"}, {"static", stat, "label"},
                             {"empty button", button, ""}, {"list without selection", list, "lt"},
                             {"combo without selection", combo, "typed"},
                             {"ip", ip, "10.1.2.3"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(r.expected, Text(r.window));
    }
    SendMessageA(list, LB_SETCURSEL, 1, 0);
    EXPECT_EQ("two", Text(list));
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    SetWindowTextA(combo, "other text");  // the selection wins over the edit part
    EXPECT_EQ("alfa", Text(combo));
    EXPECT_EQ("(null)", Text(nullptr));
    DestroyWindow(edit);
    EXPECT_EQ("(null)", Text(edit));
}

TEST_F(ControlTextTest, DateTimeAndCalendarNeverOverrun)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_DATE_CLASSES};
    InitCommonControlsEx(&icc);
    HWND picker = Make(DATETIMEPICK_CLASSA, 0);
    HWND calendar = Make(MONTHCAL_CLASSA, 0);
    ASSERT_TRUE(picker && calendar);
    SYSTEMTIME st = {2024, 2, 0, 29, 23, 59, 58, 0};
    ASSERT_TRUE(SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st)));
    ASSERT_TRUE(SendMessageA(calendar, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&st)));
    SYSTEMTIME own = {};
    SendMessageA(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&own));
    char ownText[8];
    std::snprintf(ownText, sizeof ownText, "%03d", own.wMilliseconds % 1000);
    struct Row {
        int ms;
        std::string text;
    };
    const Row rows[] = {{0, "29/02/2024 23:59:58.000"},
                        {7, "29/02/2024 23:59:58.007"},
                        {999, "29/02/2024 23:59:58.999"},
                        {123456789, "29/02/2024 23:59:58.999"},
                        {-1, std::string("29/02/2024 23:59:58.") + ownText}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.ms);
        EXPECT_EQ(r.text, Text(picker, r.ms));
    }
    EXPECT_EQ("29/02/2024", Text(calendar));
    HWND none = Make(DATETIMEPICK_CLASSA, DTS_SHOWNONE);
    SendMessageA(none, DTM_SETSYSTEMTIME, GDT_NONE, 0);
    EXPECT_EQ("", Text(none));
}

}  // namespace
