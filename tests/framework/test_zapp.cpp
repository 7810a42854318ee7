// Start-up and shut-down of a real program on the framework (zwinapp.exe):
// paths, arguments, the CGI request, the exit code, the single instance.

#include "zwintest.h"

#include "testutil.h"
#include "xhooks.h"
#include "xsystem.h"

#include <cstdlib>
#include <memory>

#include <map>

namespace {

struct Child {
    HANDLE process = nullptr;
    DWORD Wait(DWORD ms = 30000)
    {
        DWORD code = 12345;
        if (WaitForSingleObject(process, ms) == WAIT_OBJECT_0)
            GetExitCodeProcess(process, &code);
        return code;
    }
    ~Child()
    {
        if (process)
            CloseHandle(process);
    }
};

std::string Exe()
{
    return testutil::exe_folder() + "\\zwinapp.exe";
}

void Start(Child& run, const std::wstring& args)
{
    std::string exe = Exe();
    std::wstring cmd = L"\"" + std::wstring(exe.begin(), exe.end()) + L"\" " + args;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &si, &pi));
    CloseHandle(pi.hThread);
    run.process = pi.hProcess;
}

std::map<std::string, std::string> Report()
{
    std::map<std::string, std::string> out;
    for (const std::string& line :
         testutil::lines_of(testutil::read_file(testutil::exe_folder() + "\\zwinapp.out"))) {
        size_t eq = line.find('=');
        if (eq != std::string::npos)
            out[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return out;
}

std::string UniqueName(const char* tag)
{
    return std::string("SM_ZWT_") + tag + std::to_string(GetCurrentProcessId());
}

TEST(Startup, PathsArgumentsAndExitCode)
{
    testutil::ScopedEnv sm("ZWINAPP_SM", UniqueName("a").c_str());
    DeleteFileA((testutil::exe_folder() + "\\zwinapp.out").c_str());
    Child run;
    Start(run, L"quit 7 \"two words\" \"q\\\"uote\" \u00e8\u20ac");
    EXPECT_EQ(7u, run.Wait())
        << "the quit code is the exit code; 99: the form kept a font or brush";
    auto r = Report();
    EXPECT_EQ(testutil::exe_folder() + "\\", r["folder"]);
    EXPECT_EQ("zwinapp", r["module"]);
    EXPECT_EQ(testutil::exe_folder() + "\\zwinapp.ini", r["ini"]);
    ASSERT_EQ("6", r["args"]);
    EXPECT_EQ("quit", r["arg1"]);
    EXPECT_EQ("two words", r["arg3"]);
    EXPECT_EQ("q\"uote", r["arg4"]);
    EXPECT_EQ("\xE8\x80", r["arg5"]) << "e grave and the euro sign in code page 1252";
    EXPECT_EQ("", r["method"]);
}

TEST(Startup, CgiRequestReplacesTheCommandLine)
{
    testutil::ScopedEnv sm("ZWINAPP_SM", UniqueName("c").c_str());
    testutil::ScopedEnv method("REQUEST_METHOD", "post");
    testutil::ScopedEnv type("CONTENT_TYPE", "Multipart/Form-Data; boundary=XyZ");
    testutil::ScopedEnv length("CONTENT_LENGTH", "42");
    testutil::ScopedEnv query("QUERY_STRING", "a=1&b=2");
    Child run;
    Start(run, L"quit 0");
    EXPECT_EQ(0u, run.Wait());
    auto r = Report();
    EXPECT_EQ("POST", r["method"]);
    EXPECT_EQ("multipart/form-data; boundary=xyz", r["type"]);
    EXPECT_EQ("--XyZ", r["boundary"]);
    EXPECT_EQ("42", r["length"]);
    EXPECT_EQ("a=1&b=2", r["query"]);
    EXPECT_EQ("0", r["args"]);
}

HWND PublishedWindow(const std::string& name)
{
    HANDLE m = OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str());
    if (!m)
        return nullptr;
    HWND w = nullptr;
    if (void* v = MapViewOfFile(m, FILE_MAP_READ, 0, 0, 4)) {
        w = *static_cast<HWND*>(v);
        UnmapViewOfFile(v);
    }
    CloseHandle(m);
    return w;
}

TEST(Startup, SecondInstanceEndsQuietly)
{
    std::string name = UniqueName("s");
    testutil::ScopedEnv sm("ZWINAPP_SM", name.c_str());
    Child first;
    Start(first, L"stay");
    ASSERT_TRUE(zwt::PumpUntil([&] { return IsWindow(PublishedWindow(name)) != 0; }, 20000));
    Child second;
    Start(second, L"stay");
    EXPECT_EQ(77u, second.Wait()) << "the second start ends by itself";
    PostMessageA(PublishedWindow(name), WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, first.Wait());
}

TEST(Startup, TwoStartsAtTheSameMomentRunOnce)
{
    std::string name = UniqueName("t");
    testutil::ScopedEnv sm("ZWINAPP_SM", name.c_str());
    Child a, b;
    Start(a, L"stay");
    Start(b, L"stay");
    ASSERT_TRUE(zwt::PumpUntil([&] { return IsWindow(PublishedWindow(name)) != 0; }, 20000));
    DWORD ea = a.Wait(3000), eb = b.Wait(3000);
    EXPECT_TRUE((ea == 77) != (eb == 77)) << ea << " " << eb;
    PostMessageA(PublishedWindow(name), WM_CLOSE, 0, 0);
    a.Wait();
    b.Wait();
}

TEST(Startup, StaleHandleDoesNotBlockANewStart)
{
    std::string name = UniqueName("x");
    testutil::ScopedEnv sm("ZWINAPP_SM", name.c_str());
    HWND dead = CreateWindowA("static", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(dead);
    HANDLE m = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4, name.c_str());
    ASSERT_NE(nullptr, m);
    void* v = MapViewOfFile(m, FILE_MAP_WRITE, 0, 0, 4);
    *static_cast<HWND*>(v) = dead;
    Child run;
    Start(run, L"quit 3");
    EXPECT_EQ(3u, run.Wait());
    UnmapViewOfFile(v);
    CloseHandle(m);
}

TEST(Startup, ClosedMainFormSavesItsPlacement)
{
    testutil::ScopedEnv sm("ZWINAPP_SM", UniqueName("p").c_str());
    std::string ini = testutil::exe_folder() + "\\zwinapp.ini";
    DeleteFileA(ini.c_str());
    Child run;
    Start(run, L"close");
    EXPECT_EQ(0u, run.Wait());
    char v[32] = {};
    GetPrivateProfileStringA("Info", "width_Main", "", v, sizeof v, ini.c_str());
    EXPECT_GT(atoi(v), 0);
}

// Run by the ctest entries test_zwindows_english and test_zwindows_italian,
// which set the locale (LC_ALL) and the language it must give (ZWT_LANGUAGE).
TEST(Language, FlagCaptionsAndTextsFollowTheUsersLanguage)
{
    const char* want = std::getenv("ZWT_LANGUAGE");
    ASSERT_NE(nullptr, want) << "ZWT_LANGUAGE names the language the run's locale gives";
    ASSERT_EQ(std::atoi(want), GetUserDefaultLangID()) << "the locale of this run";
    const bool italian = std::atoi(want) == 1040;
    EXPECT_EQ(italian ? 1 : 0, zApp().italian);
    struct Row {
        const char *it, *en, *icon;
    } rows[17] = {{"primo", "first", "bl0"},       {"precedente", "previous", "bl1"},
                  {"successivo", "next", "bl2"},   {"ultimo", "last", "bl3"},
                  {"", "", ""},                    {"nuovo", "new", "bl4"},
                  {"edita", "edit", "bl5"},        {"", "", ""},
                  {"ok", "ok", "bl6"},             {"annulla", "discard", "bl7"},
                  {"elimina", "delete", "bl8"},    {"filtra", "seek", "bl9"},
                  {"aggiorna", "update", "bl10"},  {"stampa", "print", "bl11"},
                  {"", "", ""},                    {"chiudi", "exit", "bl12"},
                  {"tastiera", "keyboard", "bl13"}};
    ASSERT_EQ(17u, NavigationCaptions.size());
    ASSERT_EQ(17u, NavigationIcons.size());
    for (size_t i = 0; i < 17; ++i) {
        SCOPED_TRACE("position " + std::to_string(i));
        EXPECT_STREQ(italian ? rows[i].it : rows[i].en, NavigationCaptions[i].c_str());
        EXPECT_STREQ(rows[i].icon, NavigationIcons[i].c_str());
    }
    zWindow w("static", ZT_STATIC);
    EXPECT_STREQ(italian ? "Informazione indispensabile" : "Mandatory field",
                 w.mandatoryMessage.c_str());
}

TEST(StartupServices, CommonControlsVersionIsAskedAtStartAndOfAnyLibrary)
{
    EXPECT_GE(xsys().ComctlMajor(), 5u) << "start-up asked for the version";
    struct Row {
        const char* library;
        HRESULT result;
        DWORD major, minor;  // 0, 0: the version of the common controls, 5.x or later
    } rows[] = {{"COMCTL32.DLL", S_OK, 0, 0},
                {"KERNEL32.DLL", 0, 4, 0},
                {"ZWTNOSUCH.DLL", E_FAIL, 4, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.library);
        EXPECT_EQ(row.result, xsys().GetComctlVersion(row.library));
        if (row.major) {
            EXPECT_EQ(row.major, xsys().ComctlMajor());
            EXPECT_EQ(row.minor, xsys().ComctlMinor());
        } else {
            EXPECT_GE(xsys().ComctlMajor(), 5u);
        }
    }
    EXPECT_EQ(S_OK, xsys().GetComctlVersion());
}

HWND g_boxOwner = nullptr;

int OwnerOfBox(HWND owner, const char*, const char*, UINT)
{
    g_boxOwner = owner;
    return IDOK;
}

// Boxes are owned by the main form, else by the first open form in the
// application's list (not the current form), else by nobody.
TEST(Boxes, OwnerIsTheMainFormElseTheFirstOpenForm)
{
    for (zForm* f : zApp().forms)
        ASSERT_FALSE(f->IsLive()) << "no form of an earlier test is open";
    xmessageboxfn saved = xsetmessagebox(OwnerOfBox);
    auto first = std::make_unique<zwt::TestForm>("BoxFirst");
    auto second = std::make_unique<zwt::TestForm>("BoxSecond");
    first->Show(SW_SHOW);
    second->Show(SW_SHOW);
    zApp().SetCurrentForm(second.get());
    struct Row {
        const char* name;
        zForm* main;
        bool open;
        HWND owner;
    } rows[] = {{"no main form", nullptr, true, first->hwnd},
                {"a main form", second.get(), true, second->hwnd},
                {"nothing open", nullptr, false, nullptr}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (!row.open) {
            first->Close();
            second->Close();
        }
        zMainForm = row.main;
        g_boxOwner = reinterpret_cast<HWND>(1);
        xsys().MessageBox("text", "Message", MB_OK);
        EXPECT_EQ(row.owner, g_boxOwner);
    }
    zMainForm = nullptr;
    xsetmessagebox(saved);
}

}  // namespace
