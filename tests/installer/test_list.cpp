// The list file's reader, the growable arrays, the registry class and the
// single-instance test.

#include "inst_test.h"
#include "failing_alloc.h"

#include "instance.h"
#include "installlist.h"
#include "xarrary.h"
#include "xregistry.h"

#include "zapplication.h"
#include "xprocess.h"
#include "xsystem.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

using insttest::BoxScript;
using insttest::FailingArrayAllocation;
using insttest::ScopedList;
using insttest::ScratchFolder;

namespace {

std::string S(const xstring& text)
{
    return text.c_str();
}

struct ListCase {
    const char* name;
    const char* text;
    std::function<void(InstallList&)> check;
};

void ExpectOneCopy(InstallList& l, const char* source, const char* destination)
{
    ASSERT_EQ(l.copies.Count(), 1);
    EXPECT_EQ(S(l.copies[0].source), source);
    EXPECT_EQ(S(l.copies[0].destination), destination);
}

std::string ProgramFiles()
{
    char buf[MAX_PATH] = {};
    GetEnvironmentVariableA("ProgramFiles", buf, sizeof buf);
    return buf;
}

const ListCase kCases[] = {
    {"equals and comma", "COPY=a,b\r\n", [](InstallList& l) { ExpectOneCopy(l, "a", "b"); }},
    {"commas only", "COPY,a,b", [](InstallList& l) { ExpectOneCopy(l, "a", "b"); }},
    {"spread over lines", "COPY\r\na\r\nb\r\n", [](InstallList& l) { ExpectOneCopy(l, "a", "b"); }},
    {"lower-case keyword", "copy=a,b", [](InstallList& l) { ExpectOneCopy(l, "a", "b"); }},
    {"blank before equals is no keyword", "COPY =a,b\r\nGROUP=g",
     [](InstallList& l) {
         EXPECT_EQ(l.copies.Count(), 0);
         EXPECT_EQ(S(l.group), "g");
     }},
    {"fields trimmed", "COPY=  a b ,  c  \r\n", [](InstallList& l) { ExpectOneCopy(l, "a b", "c"); }},
    {"english yes keeps English", "ENGLISH=yes", [](InstallList& l) { EXPECT_EQ(l.english, 'Y'); }},
    {"english NO", "ENGLISH=NO", [](InstallList& l) { EXPECT_EQ(l.english, 'N'); }},
    {"english Y is not yes", "ENGLISH=Y", [](InstallList& l) { EXPECT_EQ(l.english, 'N'); }},
    {"english blank YES", "ENGLISH= YES", [](InstallList& l) { EXPECT_EQ(l.english, 'N'); }},
    {"flags", "MSQL=yes\r\nMOVKEY=YES",
     [](InstallList& l) {
         EXPECT_EQ(l.msqlFlag, 'Y');
         EXPECT_EQ(l.keyFlag, 'Y');
         EXPECT_EQ(l.english, 'Y');
     }},
    {"flags other than yes", "MSQL=no\r\nMOVKEY=1",
     [](InstallList& l) {
         EXPECT_EQ(l.msqlFlag, 'N');
         EXPECT_EQ(l.keyFlag, 'N');
     }},
    {"blank line ends reading", "COPY=a,b\r\n   \r\nCOPY=c,d\r\n",
     [](InstallList& l) { ExpectOneCopy(l, "a", "b"); }},
    {"shell keeps equals and commas", "SHELL=cmd /c echo a=1,b\r\nGROUP=g",
     [](InstallList& l) {
         ASSERT_EQ(l.commands.Count(), 1);
         EXPECT_EQ(S(l.commands[0].text), "cmd /c echo a=1,b");
         EXPECT_EQ(S(l.group), "g");
     }},
    {"shell on the next line", "SHELL=\r\n\r\n  setup.exe /q  \r\nGROUP=g",
     [](InstallList& l) {
         ASSERT_EQ(l.commands.Count(), 1);
         EXPECT_EQ(S(l.commands[0].text), "setup.exe /q");
         EXPECT_EQ(S(l.group), "g");
     }},
    {"freg rest of line", "FREG=\"$MAINFOLDER$\\a b.reg\"\nDB=x",
     [](InstallList& l) {
         ASSERT_EQ(l.registryFiles.Count(), 1);
         EXPECT_EQ(S(l.registryFiles[0].text), "\"$MAINFOLDER$\\a b.reg\"");
         EXPECT_EQ(S(l.db), "x");
     }},
    {"empty group takes the next token", "GROUP=\r\nDSN=x\r\n",
     [](InstallList& l) {
         EXPECT_EQ(S(l.group), "DSN");
         EXPECT_EQ(S(l.dsn), "");
     }},
    {"item description cut at comma", "ITEM=app.exe,nop,Cassa, negozio\r\nGROUP=g",
     [](InstallList& l) {
         ASSERT_EQ(l.items.Count(), 1);
         EXPECT_EQ(S(l.items[0].program), "app.exe");
         EXPECT_EQ(S(l.items[0].arguments), "nop");
         EXPECT_EQ(S(l.items[0].description), "Cassa");
         EXPECT_EQ(S(l.group), "g");
     }},
    {"dpath program folder", "DPATH=$programFOLDER$\\App",
     [](InstallList& l) { EXPECT_EQ(S(l.destination), ProgramFiles() + "\\App"); }},
    {"dbnumber default", "DB=base", [](InstallList& l) { EXPECT_EQ(l.dbNumber, -1); }},
    {"dbnumber", "DBNUMBER= 3 ", [](InstallList& l) { EXPECT_EQ(l.dbNumber, 3); }},
    {"last value wins", "GROUP=a\r\nGROUP=b\r\nUNINSTALL=x\r\nUNINSTALL=y",
     [](InstallList& l) {
         EXPECT_EQ(S(l.group), "b");
         EXPECT_EQ(S(l.uninstallName), "y");
     }},
    {"raw fields", "REPORT= r1 \r\nWINDLL= a.dll\r\nEXPAND= f.dl_ , sub ",
     [](InstallList& l) {
         ASSERT_EQ(l.reports.Count(), 1);
         EXPECT_EQ(S(l.reports[0].text), " r1 ");
         ASSERT_EQ(l.systemFiles.Count(), 1);
         EXPECT_EQ(S(l.systemFiles[0].text), " a.dll");
         ASSERT_EQ(l.expands.Count(), 1);
         EXPECT_EQ(S(l.expands[0].source), " f.dl_ ");
         EXPECT_EQ(S(l.expands[0].destination), " sub ");
     }},
    {"font and settings", "FONT=$MAINFOLDER$\\f.ttf, Face One\r\nEXTRAPATH=data\r\nDSN=d",
     [](InstallList& l) {
         ASSERT_EQ(l.fonts.Count(), 1);
         EXPECT_EQ(S(l.fonts[0].file), "$MAINFOLDER$\\f.ttf");
         EXPECT_EQ(S(l.fonts[0].face), "Face One");
         EXPECT_EQ(S(l.extraPath), "data");
         EXPECT_EQ(S(l.dsn), "d");
     }},
    {"no keyword at all", "hello\r\nworld=1,2\r\n",
     [](InstallList& l) {
         EXPECT_EQ(l.copies.Count() + l.items.Count() + l.commands.Count(), 0);
         EXPECT_TRUE(l.destination.IsBlank());
         EXPECT_EQ(l.english, 'Y');
     }},
    {"value missing at the end", "COPY=a", [](InstallList& l) { ExpectOneCopy(l, "a", ""); }},
};

}  // namespace

TEST(InstallListFile, KeywordsAndValues)
{
    for (const ListCase& row : kCases) {
        SCOPED_TRACE(row.name);
        ScopedList list;
        ParseInstallList(row.text, *list);
        row.check(*list);
    }
}

TEST(InstallListFile, ListsKeepFileOrderWithoutLimit)
{
    ScopedList list;
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += "COPY=s" + std::to_string(i) + ",d\r\nITEM=p" + std::to_string(i) + ",a,t\r\n";
    ParseInstallList(text.c_str(), *list);
    ASSERT_EQ(list->copies.Count(), 300);
    ASSERT_EQ(list->items.Count(), 300);
    for (int i = 0; i < 300; i += 37) {
        SCOPED_TRACE(i);
        EXPECT_EQ(S(list->copies[i].source), "s" + std::to_string(i));
        EXPECT_EQ(S(list->items[i].program), "p" + std::to_string(i));
    }
}

TEST(InstallListFile, PathIsFirstArgumentElseOndrelLst)
{
    zApplication& app = zApp();
    std::vector<xstring> saved = app.args;
    xstring folder = app.folder;
    app.folder = "C:\\setup\\";
    app.args = {"ONDREL.exe"};
    EXPECT_EQ(S(InstallListPath()), "C:\\setup\\ondrel.lst");
    app.args = {"ONDREL.exe", "D:\\other list.lst", "x"};
    EXPECT_EQ(S(InstallListPath()), "D:\\other list.lst");
    app.args = saved;
    app.folder = folder;
}

TEST(InstallListFile, ListThatFailsWhileReadKeepsWhatWasReadAndEndsTheProgram)
{
    ScopedList list;
    ScratchFolder scratch("failing");
    std::string path = scratch / "ondrel.lst";
    testutil::write_file(path, "GROUP=g\r\nCOPY=a,b\r\nCOPY=c,d\r\nCOPY=e,f\r\nDSN=late\r\n");
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    BoxScript boxes;
    {
        FailingArrayAllocation fail(2);  // the second COPY cannot grow its list
        LoadInstallList(path.c_str());
    }
    ASSERT_EQ(list->copies.Count(), 1);
    EXPECT_EQ(S(list->copies[0].source), "a");
    EXPECT_EQ(S(list->copies[0].destination), "b");
    EXPECT_EQ(S(list->group), "g");
    EXPECT_EQ(S(list->dsn), "") << "reading ends at the failure";
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        << "the program is asked to end";
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text,
              "xarrary::Grow cannot realloc " + std::to_string(sizeof(CopyEntry)) + " bytes.");
}

TEST(Xarrary, GrowAnswersTheNewLastIndexAndKeepsElements)
{
    xarrary<CopyEntry> list;
    EXPECT_EQ(list.Grow(1), 0);
    list[0].source = "a";
    EXPECT_EQ(list.Grow(2), 2);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Grow(1), 3);
    EXPECT_EQ(S(list[0].source), "a");
    EXPECT_TRUE(list[3].source.IsBlank());
}

TEST(Xarrary, IndexOutOfRangeThrowsItsText)
{
    xarrary<TextEntry> list;
    list.Grow(2);
    for (int index : {-1, 2, 100}) {
        SCOPED_TRACE(index);
        try {
            list[index];
            ADD_FAILURE() << "no exception";
        } catch (const xstring& text) {
            EXPECT_EQ(S(text), "XARRARY::INDEX OUT OF RANGE");
        }
    }
}

TEST(Xarrary, FailedGrowIsTheRangeErrorAndKeepsEveryEntry)
{
    struct Row {
        const char* name;
        int entries;
        int warning;
        const char* box;
    } rows[] = {{"first allocation", 0, 1, "xarrary::Grow cannot malloc "},
                {"later allocation", 2, 1, "xarrary::Grow cannot realloc "},
                {"later allocation, warning off", 2, 0, nullptr}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        xarrary<CopyEntry> list;
        list.warning = row.warning;
        for (int i = 0; i < row.entries; ++i)
            list[list.Grow(1)].source = std::to_string(i).c_str();
        BoxScript boxes;
        int index = 0;
        {
            FailingArrayAllocation fail(1);
            index = list.Grow(1);
        }
        EXPECT_EQ(list.Count(), row.entries);
        EXPECT_THROW(list[index], xstring) << "the answer " << index << " names no entry";
        for (int i = 0; i < row.entries; ++i)
            EXPECT_EQ(S(list[i].source), std::to_string(i)) << "entry " << i;
        if (!row.box) {
            EXPECT_TRUE(boxes.boxes.empty());
            continue;
        }
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, row.box + std::to_string(sizeof(CopyEntry)) + " bytes.");
        EXPECT_EQ(boxes.boxes[0].caption, "Warning");
    }
}

namespace {

std::string TestKey()
{
    return "Software\\ondrel_test_" + std::to_string(GetCurrentProcessId());
}

struct KeyCleanup {
    ~KeyCleanup() { RegDeleteKeyA(HKEY_CURRENT_USER, TestKey().c_str()); }
};

}  // namespace

// The platform counts a forgotten terminating zero itself when the byte
// after the text is one, so only the empty text shows what was given.
TEST(Xregistry, StoresTextValuesWithoutTheirZero)
{
    KeyCleanup cleanup;
    xregistry key;
    ASSERT_TRUE(key.Create(HKEY_CURRENT_USER, TestKey().c_str(), KEY_ALL_ACCESS));
    EXPECT_EQ(key.Disposition(), DWORD(REG_CREATED_NEW_KEY));
    const char* const values[][2] = {{"empty", ""}, {"text", "C:\\App\\Unondrel.exe"}};
    for (const auto& v : values) {
        SCOPED_TRACE(v[0]);
        ASSERT_TRUE(key.Store(v[0], v[1]));
        DWORD type = 0;
        char data[256] = {};
        DWORD size = sizeof data;
        ASSERT_EQ(RegQueryValueExA(key.Key(), v[0], nullptr, &type, reinterpret_cast<BYTE*>(data),
                                   &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(type, DWORD(REG_SZ));
        EXPECT_STREQ(data, v[1]);
    }
    DWORD stored = 99;
    ASSERT_EQ(RegQueryValueExW(key.Key(), L"empty", nullptr, nullptr, nullptr, &stored),
              ERROR_SUCCESS);
    EXPECT_EQ(stored, 0u) << "the empty text is stored with length 0";
    key.Close();
    EXPECT_EQ(key.Key(), nullptr);
}

TEST(Xregistry, OpenFailureThrowsAndShowsWhenAsked)
{
    insttest::BoxScript boxes;
    xregistry key;
    std::string missing = TestKey() + "\\missing";
    try {
        key.Open(HKEY_CURRENT_USER, missing.c_str(), KEY_READ);
        ADD_FAILURE() << "no exception";
    } catch (const xregistryexceptions& e) {
        EXPECT_EQ(e.GetLabel(), 135);
        EXPECT_EQ(e.GetSystemError(), ERROR_FILE_NOT_FOUND);
        EXPECT_NE(S(e.GetReason()).find("xregistry::Open " + missing), std::string::npos);
    }
    EXPECT_TRUE(boxes.boxes.empty());
    key.SetShow(1);
    key.SetThrow(0);
    EXPECT_FALSE(key.Open(HKEY_CURRENT_USER, missing.c_str(), KEY_READ));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Warning");
    EXPECT_EQ(boxes.boxes[0].style & 0xF0, UINT(MB_ICONQUESTION));
    EXPECT_EQ(boxes.boxes[0].text, S(key.GetErrorText()));
}

TEST(SingleInstance, SecondCheckFindsTheFirstAndItsWindow)
{
    std::string name = "WQ_SETUP_test_" + std::to_string(GetCurrentProcessId());
    xsharedmemory first(name.c_str(), 0), second(name.c_str(), 0);
    EXPECT_TRUE(CheckSingleInstance(first));
    ASSERT_NE(first.GetData(), nullptr);
    EXPECT_EQ(*static_cast<HWND*>(first.GetData()), nullptr);
    HWND window = CreateWindowExA(0, "STATIC", "first installer", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                  100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_MINIMIZE);
    *static_cast<HWND*>(first.GetData()) = window;
    EXPECT_FALSE(CheckSingleInstance(second));
    EXPECT_FALSE(IsIconic(window)) << "the first installer's window is restored";
    DestroyWindow(window);
}

// A program the installer starts (a SHELL command, the shell's Program
// Manager window) must not keep the installer "running" once it has ended.
TEST(SingleInstance, EndsWithTheInstallerNotWithTheProgramsItStarted)
{
    insttest::StartInstallerFramework();
    std::string name = "WQ_SETUP_started_" + std::to_string(GetCurrentProcessId());
    auto first = std::make_unique<xsharedmemory>(name.c_str(), 0);
    ASSERT_TRUE(CheckSingleInstance(*first));
    xprocess started("", "notepad.exe");  // inherits handles, as the install commands do
    ASSERT_TRUE(started.Execute());
    first.reset();  // the installer ends
    xsharedmemory second(name.c_str(), 0);
    EXPECT_TRUE(CheckSingleInstance(second)) << "a new installer runs normally";
    TerminateProcess(started.GetProcess(), 0);
    WaitForSingleObject(started.GetProcess(), 10000);
}

TEST(InstallerBoxes, TaskModalNotTopmostAndTheFocusGoesBack)
{
    insttest::StartInstallerFramework();
    HWND window = CreateWindowExA(0, "EDIT", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                  nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    SetForegroundWindow(window);
    SetFocus(window);
    ASSERT_EQ(GetFocus(), window);
    struct Row {
        const char* name;
        UINT style;
    } rows[] = {{"question", MB_YESNO | MB_ICONQUESTION}, {"stop", MB_ICONHAND}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        BoxScript boxes;
        boxes.during = [] { SetFocus(nullptr); };  // the box has the focus meanwhile
        xsys().MessageBox("text", "Warning", row.style);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].style, row.style | MB_TASKMODAL | MB_SETFOREGROUND)
            << std::hex << "given 0x" << row.style;
        EXPECT_EQ(GetFocus(), window) << "the focus is back where it was";
    }
    DestroyWindow(window);
}
