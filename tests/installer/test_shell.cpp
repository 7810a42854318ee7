// Fonts and the Program Manager ties against the real registry, fonts
// folder and DDE.

#include "inst_test.h"
#include "progman_peer.h"

#include "instshell.h"

#include "zapplication.h"
#include "xsystem.h"

#include <gtest/gtest.h>

#include <shlobj.h>

using insttest::BoxScript;
using insttest::ProgramManagerPeer;
using insttest::RecordingView;
using insttest::ScopedList;
using insttest::ScopedLog;
using insttest::ScratchFolder;
using insttest::Ready;

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
    ASSERT_FALSE(source.empty()) << "a TrueType font of Wine's";
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
        // Only a font with a face is loaded (it can then be removed) and registered.
        EXPECT_EQ(RemoveFontResourceA(cleanup.file.c_str()) != 0, row.withFace) << "loaded";
        EXPECT_EQ(FontValue(cleanup.face), row.withFace ? name : "<none>") << "registered";
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
