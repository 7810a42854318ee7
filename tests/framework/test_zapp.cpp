// Start-up and shut-down of a real program on the framework (zwinapp.exe):
// paths, arguments, the CGI request, the exit code, the single instance.

#include "zwintest.h"

#include "testutil.h"

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
    EXPECT_EQ(7u, run.Wait()) << "the quit code is the exit code; 99 means a cache leak";
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

}  // namespace
