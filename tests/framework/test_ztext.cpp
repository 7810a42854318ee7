// Text functions as tables (bytes of 0x80 and more included), the value of
// each control class as text, and the folder browse dialog driven by a
// thread that reads its status line and presses its buttons.

#include "zwintest.h"

#include "boxwatch.h"
#include "zbrowse.h"
#include "ztextfunc.h"
#include "xalloc.h"
#include "xsystem.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

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

// --- folder browse dialog ---------------------------------------------------

struct Found {
    HWND dialog = nullptr;
    std::string title;
};

BOOL CALLBACK FindDialog(HWND h, LPARAM lp) noexcept
{
    char cls[16] = {}, title[128] = {};
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    GetClassNameA(h, cls, sizeof cls);
    GetWindowTextA(h, title, sizeof title);
    auto* f = reinterpret_cast<Found*>(lp);
    // Without a title: the browse dialog, known by its folder tree.
    bool wanted = f->title.empty() ? FindWindowExA(h, nullptr, WC_TREEVIEWA, nullptr) != nullptr
                                   : f->title == title;
    if (pid == GetCurrentProcessId() && lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(h) &&
        wanted) {
        f->dialog = h;
        return FALSE;
    }
    return TRUE;
}

HWND WaitDialog(const char* title, int ms)
{
    for (int i = 0; i < ms / 20; ++i, Sleep(20)) {
        Found f;
        f.title = title ? title : "";
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&f));
        if (f.dialog)
            return f.dialog;
    }
    return nullptr;
}

std::string StaticTexts(HWND dialog)
{
    std::string all;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[16] = {}, text[512] = {};
        GetClassNameA(c, cls, sizeof cls);
        if (lstrcmpiA(cls, "static") == 0 && GetWindowTextA(c, text, sizeof text))
            all += std::string(text) + "|";
    }
    return all;
}

void Press(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

struct BrowseTest : ::testing::Test {
    void SetUp() override
    {
        CoInitialize(nullptr);
        char tmp[MAX_PATH];
        GetTempPathA(sizeof tmp, tmp);
        root = std::string(tmp) + "zbrw" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(root.c_str(), nullptr);
    }
    void TearDown() override
    {
        CoUninitialize();
    }
    std::string root;
};

TEST_F(BrowseTest, StartFolderShownAndChosenOrCancelled)
{
    zFolderSearchDialog dlg;
    ASSERT_TRUE(dlg.allocator != nullptr);
    EXPECT_EQ(37u, dlg.flags);
    dlg.path.Split((root + "\\").c_str());
    const std::string tail = root.substr(root.size() - 8);
    std::string status;
    std::thread driver([&] {
        HWND d = WaitDialog(nullptr, 8000);
        if (!d)
            return;
        // OK once the start folder is selected and shown.
        for (int i = 0; i < 100 && status.find(tail) == std::string::npos; ++i, Sleep(50))
            status = StaticTexts(d);
        Sleep(100);
        Press(d, IDOK);
    });
    bool ok = dlg.DoModal();
    driver.join();
    EXPECT_NE(std::string::npos, status.find(root.substr(root.size() - 8))) << status;
    ASSERT_TRUE(ok);
    std::string got = std::string(dlg.path.GetDrive().c_str()) + dlg.path.GetFolder().c_str() +
                      dlg.path.GetName().c_str();
    EXPECT_EQ(0, lstrcmpiA(root.c_str(), got.c_str())) << got;

    // Cancelled: false, the path record as it was.
    zFolderSearchDialog cancelled;
    cancelled.path.Split("C:\\windows\\");
    std::thread canceller([] {
        HWND d = WaitDialog(nullptr, 8000);
        if (d)
            Press(d, IDCANCEL);
    });
    EXPECT_FALSE(cancelled.DoModal());
    canceller.join();
    EXPECT_STREQ("\\windows\\", cancelled.path.GetFolder().c_str());
}

TEST_F(BrowseTest, NoStartFolderSelectsTheCurrentDirectory)
{
    char saved[MAX_PATH];
    GetCurrentDirectoryA(sizeof saved, saved);
    SetCurrentDirectoryA(root.c_str());
    zFolderSearchDialog dlg;
    const std::string tail = root.substr(root.size() - 8);
    std::string status;
    std::thread driver([&] {
        HWND d = WaitDialog(nullptr, 8000);
        if (!d)
            return;
        // OK once the start folder is selected and shown.
        for (int i = 0; i < 100 && status.find(tail) == std::string::npos; ++i, Sleep(50))
            status = StaticTexts(d);
        Sleep(100);
        Press(d, IDOK);
    });
    bool ok = dlg.DoModal();
    driver.join();
    SetCurrentDirectoryA(saved);
    ASSERT_TRUE(ok);
    std::string got = std::string(dlg.path.GetDrive().c_str()) + dlg.path.GetFolder().c_str() +
                      dlg.path.GetName().c_str();
    EXPECT_EQ(0, lstrcmpiA(root.c_str(), got.c_str())) << got << " status " << status;
}

TEST_F(BrowseTest, TypedMissingFolderIsCreatedWithEveryLevel)
{
    zApp().italian = 0;
    // The boxes have no owner in this test: no form of an earlier test.
    zApp().currentForm = nullptr;
    zMainForm = nullptr;
    std::string target = root + "\\new1\\new2\\new3";
    zFolderSearchDialog dlg;
    dlg.path.Split((root + "\\").c_str());
    std::string question, warning;
    bool ok = false;
    // The validation event comes from the dialog's callback for a typed
    // name; the runner raises it on the open dialog and answers the boxes.
    std::thread runner([&] {
        HWND d = WaitDialog(nullptr, 8000);
        if (!d)
            return;
        Sleep(200);
        std::thread ask([&] {
            HWND box = WaitDialog("Warning", 5000);
            if (!box)
                return;
            question = StaticTexts(box);
            Press(box, IDNO);
            HWND warn = nullptr;
            for (int i = 0; i < 100 && !warn; ++i, Sleep(30)) {
                warn = WaitDialog("Warning", 30);
                if (warn == box)
                    warn = nullptr;
            }
            if (!warn)
                return;
            warning = StaticTexts(warn);
            Press(warn, IDOK);
        });
        int first = dlg.OnBrowseEvent(d, BFFM_VALIDATEFAILEDA, reinterpret_cast<LPARAM>(target.c_str()));
        ask.join();
        EXPECT_EQ(1, first);  // answered No: the dialog stays
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(target.c_str()));
        {
            boxwatch::Watcher yes(IDYES);
            int second = dlg.OnBrowseEvent(d, BFFM_VALIDATEFAILEDA,
                                           reinterpret_cast<LPARAM>("new1\\new2\\new3"));
            EXPECT_EQ(0, second);
        }
        Press(d, IDOK);
    });
    ok = dlg.DoModal();
    runner.join();
    EXPECT_NE(std::string::npos, question.find("Do you want to create it?")) << question;
    EXPECT_NE(std::string::npos, warning.find("Invalid Folder")) << warning;
    DWORD attributes = GetFileAttributesA(target.c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    ASSERT_TRUE(ok);
    std::string got = std::string(dlg.path.GetDrive().c_str()) + dlg.path.GetFolder().c_str();
    EXPECT_EQ(0, lstrcmpiA((target + "\\").c_str(), got.c_str())) << got;
    RemoveDirectoryA(target.c_str());
    RemoveDirectoryA((root + "\\new1\\new2").c_str());
    RemoveDirectoryA((root + "\\new1").c_str());
    zApp().italian = 1;
}

TEST(FolderPathTest, EveryMissingLevelIsMade)
{
    char tmp[MAX_PATH];
    GetTempPathA(sizeof tmp, tmp);
    std::string base = std::string(tmp) + "zlvl" + std::to_string(GetCurrentProcessId());
    std::string deep = base + "\\a\\b\\c\\";
    EXPECT_TRUE(zCreateFolderPath(deep.c_str()));
    EXPECT_TRUE(zCreateFolderPath(deep.c_str()));  // already there
    EXPECT_FALSE(zCreateFolderPath(""));
    EXPECT_FALSE(zCreateFolderPath("Q:\\\x01<>|\\x"));
    RemoveDirectoryA((base + "\\a\\b\\c").c_str());
    RemoveDirectoryA((base + "\\a\\b").c_str());
    RemoveDirectoryA((base + "\\a").c_str());
    RemoveDirectoryA(base.c_str());
}

}  // namespace
