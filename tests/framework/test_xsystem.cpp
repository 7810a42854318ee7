// The system services: texts of date and time, [intl] settings, files and
// folders, profile strings, error texts and message boxes.

#include "boxwatch.h"
#include "sysfixture.h"
#include "testutil.h"
#include "xexceptions.h"
#include "xfile.h"
#include "xsystem.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

using sysfixture::ScratchFolder;

namespace {

SYSTEMTIME g_now;
void FixedClock(SYSTEMTIME* now) { *now = g_now; }

std::map<std::string, std::string> g_intl;
DWORD WINAPI FakeIntl(const char* section, const char* key, const char* def, char* out,
                      DWORD size)
{
    EXPECT_STREQ("intl", section);
    auto it = g_intl.find(key);
    std::string v = it == g_intl.end() ? def : it->second;
    lstrcpynA(out, v.c_str(), int(size));
    return DWORD(std::strlen(out));
}

class ClockScope {
public:
    ClockScope(WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s, WORD ms)
    {
        g_now = SYSTEMTIME{y, mo, 0, d, h, mi, s, ms};
        xsys().SetClock(FixedClock);
    }
    ~ClockScope()
    {
        xsys().SetClock(nullptr);
        xsys().LoadIntl(GetProfileStringA);
    }
};

}  // namespace

TEST(XSystem, IntlDefaultsAndValues)
{
    ClockScope restore(2013, 3, 7, 0, 0, 0, 0);
    g_intl.clear();
    xsys().LoadIntl(FakeIntl);
    EXPECT_STREQ("/", xsys().DateSeparator());
    EXPECT_STREQ(":", xsys().TimeSeparator());
    EXPECT_STREQ(".", xsys().ThousandSeparator());
    EXPECT_STREQ(",", xsys().DecimalSeparator());
    EXPECT_STREQ("\xA3", xsys().Currency());
    EXPECT_STREQ("AM", xsys().AmText());
    EXPECT_STREQ("PM", xsys().PmText());
    EXPECT_EQ(0, xsys().DateOrder());

    g_intl = {{"sDate", "-."}, {"sCurrency", "\x80uro"}, {"s1159", "antimeridiano"},
              {"s2359", "pm"}, {"sThousand", "'"}, {"sDecimal", "."}, {"iDate", "2"},
              {"iTime", "1"}};
    xsys().LoadIntl(FakeIntl);
    EXPECT_STREQ("-", xsys().DateSeparator());
    EXPECT_STREQ("\x80u", xsys().Currency());
    EXPECT_STREQ("anti", xsys().AmText());
    EXPECT_STREQ("pm", xsys().PmText());
    EXPECT_STREQ("'", xsys().ThousandSeparator());
    EXPECT_STREQ(".", xsys().DecimalSeparator());
    EXPECT_EQ(2, xsys().DateOrder());
    EXPECT_EQ(1, xsys().TimeFormat());
    EXPECT_STREQ("07-03-2013", xsys().DateString(6).c_str());
}

TEST(XSystem, DateAndTimeTextsForEveryCode)
{
    ClockScope clock(2013, 3, 7, 9, 5, 4, 32);
    g_intl.clear();
    xsys().LoadIntl(FakeIntl);
    struct Row { int code; const char* date; const char* time; } rows[] = {
        {0, "", ""},
        {1, "07032013", "090504"},
        {2, "03072013", "090504032"},
        {3, "20130307", "09:05:04"},
        {4, "070313", "09:05:04:032"},
        {5, "07/03/13", "09:05:04"},
        {6, "07/03/2013", ""},
        {7, "03/07/2013", ""},
        {8, "2013/03/07", ""},
        {9, "", ""},
        {10, "", ""},
        {12, "130307", ""},
        {-1, "", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.code);
        EXPECT_STREQ(r.date, xsys().DateString(r.code).c_str());
        EXPECT_STREQ(r.time, xsys().TimeString(r.code).c_str());
    }
    SYSTEMTIME t = g_now;
    char expected[128] = {};
    GetDateFormatA(LOCALE_USER_DEFAULT, 0, &t, "dddd dd/MM/yyyy", expected, sizeof expected);
    EXPECT_STREQ(expected, xsys().DateString(11).c_str());
    EXPECT_NE(nullptr, std::strstr(xsys().DateString(11).c_str(), "07/03/2013"));
}

TEST(XSystem, TwoDigitYearIsTheLastTwoCharacters)
{
    ClockScope clock(2005, 12, 31, 23, 59, 59, 999);
    g_intl.clear();
    xsys().LoadIntl(FakeIntl);
    EXPECT_STREQ("311205", xsys().DateString(4).c_str());
    EXPECT_STREQ("051231", xsys().DateString(12).c_str());
    EXPECT_STREQ("235959999", xsys().TimeString(2).c_str());
}

// The prepared prefix's folders, the temporary one an existing folder with
// its closing backslash; the platform is the NT family, whose fonts key the
// installer writes.
TEST(XSystem, FoldersAndVersion)
{
    EXPECT_STRCASEEQ("C:\\windows", xsys().GetWindowsFolder().c_str());
    EXPECT_STRCASEEQ("C:\\windows\\system32", xsys().GetSystemFolder().c_str());
    xstring temp = xsys().GetTempFolder();
    EXPECT_EQ("\\", std::string(temp.Right(1).c_str())) << temp.c_str();
    DWORD attributes = GetFileAttributesA(temp.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        << temp.c_str();
    EXPECT_EQ(DWORD(VER_PLATFORM_WIN32_NT), xsys().GetVersion().dwPlatformId);
}

TEST(XSystem, FormatErrorAndSysColor)
{
    for (unsigned long e : {0ul, 2ul, 3ul, 5ul, 18ul, 0xDEADul}) {
        SCOPED_TRACE(e);
        EXPECT_EQ(sysfixture::Expected(DWORD(e), "label"),
                  xsys().FormatError("label", e).c_str());
    }
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), xsys().SysColor(5));
    EXPECT_EQ(0x00FF0000u, xsys().SysColor(0x00FF0000));
    EXPECT_EQ(0u, xsys().SysColor(0));
    xsystem::sysColorsEnabled = 0;
    EXPECT_EQ(5u, xsys().SysColor(5));
    xsystem::sysColorsEnabled = 1;
}

TEST(XSystem, FileAndFolderHelpers)
{
    ScratchFolder dir("files");
    std::string a = dir / "a.txt", b = dir / "b.txt";
    testutil::write_file(a, "A");
    testutil::write_file(b, "B");
    EXPECT_TRUE(xsys().FileExists(a.c_str()));
    EXPECT_FALSE(xsys().FileExists((dir / "none").c_str()));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, xsys().GetLastError());
    EXPECT_TRUE(xsys().FileExistsIn(dir.Path().c_str(), "*"));
    EXPECT_TRUE(xsys().FileExistsIn((dir.Path() + "\\").c_str(), "a.txt"));
    EXPECT_FALSE(xsys().FileExistsIn(" ", "a.txt"));
    EXPECT_FALSE(xsys().FileExistsIn((dir.Path() + std::string(300, 'x')).c_str(), "*"));
    EXPECT_TRUE(xsys().MoveFile(a.c_str(), b.c_str()));  // replaces
    EXPECT_EQ("A", testutil::read_file(b));
    EXPECT_FALSE(xsys().FileExists(a.c_str()));
    EXPECT_TRUE(xsys().DeleteFile(b.c_str()));
    EXPECT_FALSE(xsys().DeleteFile(b.c_str()));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, xsys().GetLastError());
    std::string sub = dir / "log";
    EXPECT_TRUE(xsys().CreateFolder(sub.c_str()));
    EXPECT_FALSE(xsys().CreateFolder(sub.c_str()));
    EXPECT_EQ(ERROR_ALREADY_EXISTS, xsys().GetLastError());
    RemoveDirectoryA(sub.c_str());
}

TEST(XSystem, ChangeFolderReportsThroughTheErrorRoutine)
{
    ScratchFolder dir("cd");
    char old[MAX_PATH];
    GetCurrentDirectoryA(sizeof old, old);
    EXPECT_TRUE(xsys().ChangeFolder(dir.Path().c_str()));
    char now[MAX_PATH];
    GetCurrentDirectoryA(sizeof now, now);
    EXPECT_EQ(0, lstrcmpiA(dir.Path().c_str(), now));
    SetCurrentDirectoryA(old);
    try {
        xsys().ChangeFolder((dir / "nowhere").c_str());
        FAIL() << "no exception";
    } catch (const xsystemexceptions& e) {
        EXPECT_EQ(197, e.GetLabel());
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, e.GetSystemError());
        EXPECT_EQ(sysfixture::Expected(ERROR_FILE_NOT_FOUND, "xsystem::ChangeFolder"),
                  e.GetReason().c_str());
        EXPECT_STREQ("A SYSTEM EXCEPTION OCCURED.\n", e.GetMessage().c_str());
    }
    xsys().SetThrow(0);
    EXPECT_FALSE(xsys().ChangeFolder((dir / "nowhere").c_str()));
    xsys().SetThrow(1);
}

TEST(XSystem, EnvironmentAndProfileStrings)
{
    testutil::ScopedEnv env("XSYS_TEST_VAR", "valore \xE8");
    EXPECT_STREQ("valore \xE8", xsys().GetEnvironment("XSYS_TEST_VAR").c_str());
    EXPECT_STREQ("", xsys().GetEnvironment("XSYS_NO_SUCH_VAR").c_str());
    std::string big(3000, 'v');
    testutil::ScopedEnv env2("XSYS_BIG_VAR", big.c_str());
    EXPECT_EQ(1023, xsys().GetEnvironment("XSYS_BIG_VAR").Length());

    ScratchFolder dir("ini");
    std::string ini = dir / "app.ini";
    EXPECT_TRUE(xsys().WriteProfileString("Info", "top_Form1", "120", ini.c_str()));
    EXPECT_STREQ("120", xsys().ReadProfileString("Info", "top_Form1", "0", ini.c_str()).c_str());
    EXPECT_STREQ("dflt", xsys().ReadProfileString("Info", "none", "dflt", ini.c_str()).c_str());
    EXPECT_TRUE(xsys().WriteProfileString("Info", "long", std::string(400, 'L').c_str(),
                                          ini.c_str()));
    EXPECT_EQ(255, xsys().ReadProfileString("Info", "long", "", ini.c_str()).Length());
}

TEST(XSystem, TempFileName)
{
    ScratchFolder dir("tmpname");
    xstring name;
    EXPECT_TRUE(xsys().TempFileName(name, dir.Path().c_str(), "~R+"));
    EXPECT_TRUE(xsys().FileExists(name));
    xsys().SetThrow(0);
    EXPECT_FALSE(xsys().TempFileName(name, (dir / "none").c_str(), "~R+"));
    xsys().SetThrow(1);
    EXPECT_STREQ("", name.c_str());
}

TEST(XSystem, BoxesThroughTheSeam)
{
    boxwatch::Seam seam;
    xsys().ShowError("xthread::Execute", 5);
    xsys().Warning("w");
    xsys().AskYesNo("q", "ignored");
    xsys().MessageBox("m", "Fatal", MB_ICONERROR);
    xexceptions generic;
    generic.Show();
    xfileexceptions fe("why", 122, 3);
    fe.Show();
    const auto& boxes = boxwatch::Recorded();
    ASSERT_EQ(6u, boxes.size());
    const UINT top = MB_TOPMOST | MB_SETFOREGROUND;
    EXPECT_EQ("Message", boxes[0].caption);
    EXPECT_EQ(sysfixture::Expected(5, "xthread::Execute"), boxes[0].text);
    EXPECT_EQ(MB_ICONINFORMATION | top, boxes[0].style);
    EXPECT_EQ("Warning", boxes[1].caption);
    EXPECT_EQ(MB_ICONQUESTION | top, boxes[1].style);
    EXPECT_EQ("Warning", boxes[2].caption);
    EXPECT_EQ(MB_YESNO | MB_ICONQUESTION | top, boxes[2].style);
    EXPECT_EQ("Fatal", boxes[3].caption);
    EXPECT_EQ("A fatal error occurred. The program will shutdown.\nUnknown reason.",
              boxes[4].text);
    EXPECT_EQ("A FILE EXCEPTION OCCURED.\n\nwhy", boxes[5].text);
}

namespace {
HWND g_owner;
HWND OwnerHook() { return g_owner; }
HWND g_seenOwner;
int RecordOwner(HWND owner, const char*, const char*, UINT)
{
    g_seenOwner = owner;
    return IDOK;
}
}  // namespace

TEST(XSystem, BoxOwnerComesFromTheWindowLayer)
{
    xmessageboxfn old = xsetmessagebox(RecordOwner);
    xwindowhooks hooks;
    hooks.ownerWindow = OwnerHook;
    xsetwindowhooks(hooks);
    g_owner = GetDesktopWindow();
    xsys().Warning("x");
    EXPECT_EQ(g_owner, g_seenOwner);
    g_owner = reinterpret_cast<HWND>(0x1234);  // not a window: no owner
    xsys().Warning("x");
    EXPECT_EQ(nullptr, g_seenOwner);
    xsetwindowhooks(xwindowhooks());
    xsetmessagebox(old);
}

TEST(XSystemDisplay, RealWarningBoxOfAFailingCreate)
{
    ASSERT_TRUE(GetDesktopWindow() && GetSystemMetrics(SM_CXSCREEN) > 0)
        << "the set-up provides a display";
    ScratchFolder dir("realbox");
    xfile f;
    f.SetThrow(0);
    f.SetShow(1);
    boxwatch::Watcher watcher(IDOK);
    EXPECT_FALSE(f.Open((dir / "missing\\x.txt").c_str()));
    ASSERT_TRUE(watcher.answered);
    EXPECT_EQ("Warning", watcher.caption);
    std::string expected = sysfixture::Expected(3, "xfile::Create");
    // a box shows line breaks as they are; compare the label line
    EXPECT_NE(std::string::npos, watcher.text.find("<3> xfile::Create"));
    EXPECT_EQ(3, f.GetLastError());
    EXPECT_EQ(expected, f.GetErrorText().c_str());
}
