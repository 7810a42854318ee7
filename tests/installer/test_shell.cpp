// Fonts and the Program Manager ties against the real registry, fonts
// folder and DDE.

#include "inst_test.h"

#include "instshell.h"
#include "xdde.h"

#include "zapplication.h"
#include "xsystem.h"

#include <gtest/gtest.h>

#include <shlobj.h>

using insttest::BoxScript;
using insttest::RecordingView;
using insttest::ScopedList;
using insttest::ScopedLog;
using insttest::ScratchFolder;

namespace {

// A TrueType file of the prefix, copied under a name of the test's own.
std::string AnyTrueTypeFont()
{
    std::string fonts = std::string(xsys().GetWindowsFolder().c_str()) + "\\Fonts\\";
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((fonts + "*.ttf").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) {
        // Wine keeps its own fonts outside the prefix.
        const char* wine = "Z:\\usr\\share\\wine\\fonts\\tahoma.ttf";
        return testutil::file_exists(wine) ? wine : "";
    }
    FindClose(h);
    return fonts + data.cFileName;
}

// The font's traces in the fonts folder and the Fonts key, removed.
struct FontCleanup {
    std::string file, face;
    ~FontCleanup()
    {
        RemoveFontResourceA(file.c_str());
        DeleteFileA(file.c_str());
        HKEY key = nullptr;
        if (!RegOpenKeyExA(HKEY_LOCAL_MACHINE, FontsKey(), 0, KEY_ALL_ACCESS, &key)) {
            RegDeleteValueA(key, face.c_str());
            RegCloseKey(key);
        }
    }
};

std::string FontValue(const std::string& face)
{
    char data[MAX_PATH] = {};
    DWORD size = sizeof data - 1;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, FontsKey(), face.c_str(), RRF_RT_REG_SZ, nullptr, data,
                     &size))
        return "<none>";
    return data;
}

}  // namespace

TEST(Fonts, CopiedLoggedLoadedAndRegistered)
{
    std::string source = AnyTrueTypeFont();
    if (source.empty())
        GTEST_SKIP() << "no TrueType font in the prefix";
    struct Row {
        const char* name;
        bool english;
        bool withFace;
    } rows[] = {{"english with face", true, true}, {"italian without face", false, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScopedList list;
        list->english = row.english ? 'Y' : 'N';
        ScratchFolder scratch("font");
        std::string name = "ondrelft" + std::to_string(GetCurrentProcessId()) + ".ttf";
        std::string file = scratch / name;
        ASSERT_TRUE(CopyFileA(source.c_str(), file.c_str(), FALSE));
        FontCleanup cleanup;
        cleanup.file = std::string(xsys().GetWindowsFolder().c_str()) + "\\fonts\\" + name;
        cleanup.face = row.withFace ? "Ondrel Test Face " + std::to_string(GetCurrentProcessId()) : "";
        ScopedLog log(scratch / "instlog.txt");
        EXPECT_TRUE(InstallFont(cleanup.face.c_str(), xpath(file.c_str())));
        EXPECT_TRUE(testutil::file_exists(cleanup.file));
        auto lines = log.Lines();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0], std::string(row.english ? "LOADING FONT " : "CARICAMENTO CARATTERI ") +
                                cleanup.face + " " + file);
        if (row.withFace) {
            EXPECT_EQ(FontValue(cleanup.face), name);
        }
    }
}

TEST(Fonts, FailedCopyIsNotReported)
{
    ScopedList list;
    ScratchFolder scratch("nofont");
    ScopedLog log(scratch / "instlog.txt");
    BoxScript boxes;
    EXPECT_TRUE(InstallFont("Nothing", xpath((scratch / "absent.ttf").c_str())));
    EXPECT_EQ(xsys().GetLastError(), ERROR_FILE_NOT_FOUND) << "the copy's error is kept";
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(FontValue("Nothing"), "<none>");
}

TEST(ProgramGroup, NoDdeInstanceIsABadConnect)
{
    ScopedList list;
    DWORD saved = zApp().ddeInstance;
    zApp().ddeInstance = 0;
    BoxScript boxes;
    EXPECT_FALSE(CreateProgramGroup());
    zApp().ddeInstance = saved;
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Bad DDE connect");
    EXPECT_EQ(boxes.boxes[0].caption, "Fatal");
    EXPECT_EQ(boxes.boxes[0].style & 0xF0, UINT(MB_ICONHAND));
}

namespace {

// A Program Manager of the test's own: a DDE server thread that offers the
// service "PROGMAN" on its topic of the same name and, unlike Wine's shell,
// also to a client that names no topic (so the installer's first attempt
// reaches this peer and never the prefix's shell); it records each execute
// and refuses those that hold "refuse".
class ProgramManagerPeer {
public:
    ProgramManagerPeer()
    {
        thread_ = CreateThread(nullptr, 0, Main, this, 0, &threadId_);
        WaitForSingleObject(ready_, 10000);
    }
    ~ProgramManagerPeer()
    {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        WaitForSingleObject(thread_, 10000);
        CloseHandle(thread_);
        CloseHandle(ready_);
    }
    ProgramManagerPeer(const ProgramManagerPeer&) = delete;
    ProgramManagerPeer& operator=(const ProgramManagerPeer&) = delete;

    bool running = false;
    std::vector<std::string> commands;

private:
    static ProgramManagerPeer*& Self()
    {
        static ProgramManagerPeer* self = nullptr;
        return self;
    }
    static HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ topic, HSZ, HDDEDATA data,
                                      ULONG_PTR, ULONG_PTR)
    {
        ProgramManagerPeer* self = Self();
        if (type == XTYP_CONNECT) {
            char name[64] = {};
            DdeQueryStringA(self->id_, topic, name, sizeof name, CP_WINANSI);
            return reinterpret_cast<HDDEDATA>(lstrcmpiA(name, "PROGMAN") == 0);
        }
        if (type == XTYP_WILDCONNECT) {
            HSZPAIR pairs[2] = {{self->service_, self->topic_}, {nullptr, nullptr}};
            return DdeCreateDataHandle(self->id_, reinterpret_cast<LPBYTE>(pairs), sizeof pairs, 0,
                                       nullptr, 0, 0);
        }
        if (type == XTYP_EXECUTE) {
            char text[1024] = {};
            DdeGetData(data, reinterpret_cast<LPBYTE>(text), sizeof text - 1, 0);
            self->commands.push_back(text);
            bool refuse = std::string(text).find("refuse") != std::string::npos;
            return reinterpret_cast<HDDEDATA>(refuse ? DDE_FNOTPROCESSED : DDE_FACK);
        }
        return nullptr;
    }
    static DWORD WINAPI Main(void* parameter)
    {
        auto* self = static_cast<ProgramManagerPeer*>(parameter);
        Self() = self;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue first
        if (DdeInitializeA(&self->id_, Callback, APPCLASS_STANDARD | CBF_SKIP_ALLNOTIFICATIONS, 0) ==
            DMLERR_NO_ERROR) {
            HSZ service = DdeCreateStringHandleA(self->id_, "PROGMAN", CP_WINANSI);
            self->service_ = service;
            self->topic_ = DdeCreateStringHandleA(self->id_, "PROGMAN", CP_WINANSI);
            self->running = DdeNameService(self->id_, service, nullptr, DNS_REGISTER) != nullptr;
            SetEvent(self->ready_);
            while (GetMessageA(&msg, nullptr, 0, 0) > 0)
                DispatchMessageA(&msg);
            DdeNameService(self->id_, service, nullptr, DNS_UNREGISTER);
            DdeFreeStringHandle(self->id_, service);
            DdeFreeStringHandle(self->id_, self->topic_);
            DdeUninitialize(self->id_);
        }
        SetEvent(self->ready_);
        return 0;
    }

    HANDLE ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread_ = nullptr;
    DWORD threadId_ = 0;
    DWORD id_ = 0;
    HSZ service_ = nullptr;
    HSZ topic_ = nullptr;
};

// Whether this machine lets a DDE client reach a server at all (some Wine
// sessions deliver no WM_DDE_INITIATE broadcast to any server window).
bool DdeReachable()
{
    xdde probe;
    probe.service = "PROGMAN";
    return probe.DdeConnectService();
}

// The peer is part of the test: without it the test fails, never skips.
::testing::AssertionResult Ready(const ProgramManagerPeer& progman)
{
    if (!progman.running)
        return ::testing::AssertionFailure() << "the test's Program Manager did not start";
    if (!DdeReachable())
        return ::testing::AssertionFailure() << "no DDE conversation reaches it";
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(ProgramGroup, GroupAndItemsThroughDde)
{
    ScopedList list;
    insttest::StartInstallerFramework();
    ASSERT_NE(zApp().ddeInstance, 0u);
    ProgramManagerPeer progman;
    ASSERT_TRUE(Ready(progman));
    ScratchFolder scratch("group");
    RecordingView view(scratch.path());
    ParseInstallList("GROUP=Cassa VELK\r\nITEM=app.exe,$mainfolder$\\cfg.ini,Cassa\r\n"
                     "ITEM=tool.exe,nOp,Tool\r\nITEM=b.exe, ,Bee\r\n",
                     *list);
    BoxScript boxes;
    EXPECT_TRUE(CreateProgramGroup());
    EXPECT_TRUE(boxes.boxes.empty());
    std::vector<std::string> items = {
        "[AddItem(\"" + scratch.path() + "\\app.exe\" " + scratch.path() + "\\CFG.INI,Cassa)]",
        "[AddItem(\"" + scratch.path() + "\\b.exe\" ,Bee)]"};
    std::vector<std::string> all = {"[CreateGroup(Cassa VELK)]", items[0], items[1]};
    EXPECT_EQ(progman.commands, all);
    EXPECT_EQ(view.status, items);
    EXPECT_EQ(std::string(list->items[1].arguments.c_str()), "NOP") << "upper-cased in place";
}

// The group step always runs after a complete installation: a list without
// a GROUP line asks for a group without a name.
TEST(ProgramGroup, ListWithoutGroupStillAsksForTheGroup)
{
    ScopedList list;
    insttest::StartInstallerFramework();
    ProgramManagerPeer progman;
    ASSERT_TRUE(Ready(progman));
    RecordingView view("C:\\App");
    ParseInstallList("ENGLISH=NO\r\nITEM=a.exe,nop,A\r\n", *list);
    BoxScript boxes;
    EXPECT_TRUE(CreateProgramGroup());
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(progman.commands, std::vector<std::string>{"[CreateGroup()]"});
}

TEST(ProgramGroup, RefusedCommandsEndWithTheirBox)
{
    struct Row {
        const char* list;
        const char* box;
        size_t commands;
    } rows[] = {{"GROUP=refuse\r\nITEM=a.exe,x,A\r\n", "Cannot create the group", 1},
                {"ENGLISH=NO\r\nGROUP=refuse\r\n", "Cannot create the group", 1},
                {"GROUP=g\r\nITEM=a.exe,x,A\r\nITEM=refuse.exe,x,R\r\nITEM=c.exe,x,C\r\n",
                 "Cannot create the item refuse.exe", 3}};
    insttest::StartInstallerFramework();
    ProgramManagerPeer progman;
    ASSERT_TRUE(Ready(progman));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.list);
        ScopedList list;
        RecordingView view("C:\\App");
        ParseInstallList(row.list, *list);
        progman.commands.clear();
        BoxScript boxes;
        EXPECT_FALSE(CreateProgramGroup());
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, row.box);
        EXPECT_EQ(boxes.boxes[0].caption, "Fatal");
        EXPECT_EQ(progman.commands.size(), row.commands);
    }
}
