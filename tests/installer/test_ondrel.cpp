// The installer program itself: started as a real process with a list file,
// driven through its windows and message boxes like a user would.

#include "ondrel_run.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace insttest;

TEST(OndrelProgram, WithoutDestinationInstallsAtOnceInItalian)
{
    InstallerCopy copy("direct");
    UninstallCleanup uninstall{Unique("direct")};
    testutil::write_file(copy.setup + "\\ondrel.lst", "ENGLISH=NO\r\nUNINSTALL=" + uninstall.name + "\r\n");
    OndrelRun run(copy.program, "", copy.scratch / "out.txt");
    ASSERT_TRUE(run.started);
    Seen seen;
    ASSERT_TRUE(run.Drive(90, User(seen))) << "the installer ends after its result window";
    EXPECT_FALSE(seen.mainDialog) << "no destination dialog to answer";
    EXPECT_TRUE(seen.boxes.empty());
    ASSERT_FALSE(seen.results.empty());
    EXPECT_EQ(seen.results[0], "Installazione terminata con successo.");
    EXPECT_EQ(uninstall.Value("DisplayName"), uninstall.name);
}

TEST(OndrelProgram, DestinationDialogCreatesTheFolderInstallsAndLogs)
{
    InstallerCopy copy("flow");
    UninstallCleanup uninstall{Unique("flow")};
    testutil::write_file(copy.setup + "\\payload.txt", "payload");
    std::string destination = copy.scratch / "dest";
    GroupCleanup group{Unique("group")};
    std::string list = "DPATH=" + destination + "\r\nCOPY=payload.txt,.\r\nGROUP=" + group.name +
                       "\r\nUNINSTALL=" + uninstall.name + "\r\n";
    std::string listPath = copy.scratch / "my list.lst";
    testutil::write_file(listPath, list);
    OndrelRun run(copy.program, "\"" + listPath + "\"", copy.scratch / "out.txt");
    ASSERT_TRUE(run.started);
    Seen seen;
    ASSERT_TRUE(run.Drive(120, User(seen)));
    EXPECT_TRUE(seen.mainDialog);
    ASSERT_GE(seen.boxes.size(), 1u);
    EXPECT_EQ(seen.boxes[0], "The folder does not exist.\nDo you want to create it?");
    EXPECT_EQ(testutil::read_file(destination + "\\payload.txt"), "payload");
    EXPECT_EQ(uninstall.Value("UninstallString"), destination + "\\Unondrel.exe");
    // Wine's shell may not answer the Program Manager's DDE: then the group
    // fails with its box and the result says so.
    bool groupFailed = seen.boxes.size() > 1 && seen.boxes[1] == "Bad DDE connect";
    ASSERT_FALSE(seen.results.empty());
    EXPECT_EQ(seen.results[0], groupFailed ? "Setup not completed." : "Setup successfully completed.");
    auto lines = testutil::lines_of(testutil::read_file(destination + "\\instlog.txt"));
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0].rfind("Setup start ", 0), 0u);
    EXPECT_EQ(lines[1], "COPYING INTO " + destination + " FROM " + copy.setup + "\\payload.txt");
    EXPECT_EQ(lines[2], ">>>>> 1");
    EXPECT_EQ(lines[lines.size() - 2], groupFailed ? "Setup not completed" : "Setup successfully completed.");
    EXPECT_EQ(lines.back().rfind("End setup ", 0), 0u);
}

TEST(OndrelProgram, SecondStartEndsAndLeavesTheFirst)
{
    InstallerCopy copy("twice");
    testutil::write_file(copy.setup + "\\ondrel.lst", "DPATH=" + (copy.scratch / "dest") + "\r\n");
    OndrelRun first(copy.program, "", copy.scratch / "out1.txt");
    ASSERT_TRUE(first.started);
    HWND background = nullptr;
    for (int i = 0; i < 600 && !background; ++i) {
        for (HWND w : first.Windows())
            if (ChildWithText(w, "button", "OK"))
                background = GetWindow(w, GW_OWNER);
        Sleep(100);
    }
    ASSERT_NE(background, nullptr) << "the first installer shows its destination dialog";
    OndrelRun second(copy.program, "", copy.scratch / "out2.txt");
    ASSERT_TRUE(second.started);
    EXPECT_TRUE(second.Ended(60000)) << "the second installer ends by itself";
    EXPECT_TRUE(second.Windows().empty());
    EXPECT_FALSE(first.Ended(0));
    PostMessageA(background, WM_CLOSE, 0, 0);
    EXPECT_TRUE(first.Ended(60000)) << "closing the main form ends the installer";
}

namespace {

// The functions a program imports by name from one DLL, read from its file.
std::vector<std::string> ImportsFrom(const std::string& program, const char* dll)
{
    std::vector<std::string> names;
    HMODULE image = LoadLibraryExA(program.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (!image)
        return names;
    auto* base = reinterpret_cast<const BYTE*>(image);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         dir.VirtualAddress && d->Name; ++d) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), dll) != 0)
            continue;
        DWORD first = d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk;
        for (auto* t = reinterpret_cast<const IMAGE_THUNK_DATA32*>(base + first);
             t->u1.AddressOfData; ++t)
            if (!(t->u1.Ordinal & IMAGE_ORDINAL_FLAG32))
                names.push_back(reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(
                                    base + t->u1.AddressOfData)->Name);
    }
    FreeLibrary(image);
    return names;
}

}  // namespace

// On a Windows without layered windows the installer must still start.
TEST(OndrelProgram, LayeredWindowCallIsBoundAtRunTime)
{
    std::string program = testutil::exe_folder() + "\\ONDREL.exe";
    std::vector<std::string> user32 = ImportsFrom(program, "USER32.dll");
    ASSERT_FALSE(user32.empty()) << "the import table of " << program << " is readable";
    for (const char* late : {"SetLayeredWindowAttributes"}) {
        SCOPED_TRACE(late);
        EXPECT_EQ(std::count(user32.begin(), user32.end(), late), 0) << "imported at load time";
    }
}

TEST(OndrelProgram, ClosingTheDialogBeforeInstallingEndsTheProgram)
{
    struct Row {
        const char* name;
        bool altF4;
    } rows[] = {{"close box", false}, {"Alt+F4 in the folder field", true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        InstallerCopy copy("close");
        UninstallCleanup uninstall{Unique("close")};
        std::string destination = copy.scratch / "dest";
        testutil::write_file(copy.setup + "\\ondrel.lst",
                             "DPATH=" + destination + "\r\nUNINSTALL=" + uninstall.name + "\r\n");
        OndrelRun run(copy.program, "", copy.scratch / "out.txt");
        ASSERT_TRUE(run.started);
        HWND dialog = run.WaitDestinationDialog(90000);
        ASSERT_NE(dialog, nullptr);
        if (!row.altF4) {
            // The background is translucent: colour key and opacity, both modes.
            COLORREF key = 0;
            BYTE alpha = 0;
            DWORD flags = 0;
            EXPECT_TRUE(GetLayeredWindowAttributes(GetWindow(dialog, GW_OWNER), &key, &alpha, &flags));
            EXPECT_EQ(key, RGB(128, 0, 128));
            EXPECT_EQ(alpha, 200);
            EXPECT_EQ(flags, DWORD(LWA_COLORKEY | LWA_ALPHA));
            PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        } else {
            HWND field = FindWindowExA(dialog, nullptr, "Edit", nullptr);
            PostMessageA(field, WM_SYSKEYDOWN, VK_F4, 0x20000001 | (MapVirtualKeyA(VK_F4, 0) << 16));
        }
        EXPECT_TRUE(run.Ended(60000)) << "the installer ends instead of leaving its background";
        EXPECT_FALSE(testutil::file_exists(destination)) << "nothing was installed";
        EXPECT_EQ(uninstall.Value("DisplayName"), "");
    }
}

// In Italian: the empty-destination box, the missing-folder question, a
// folder that cannot be made, then an installation into the list's extra
// folder that stops at a failing command.
TEST(OndrelProgram, ItalianBoxesExtraFolderAndAFailedCommand)
{
    InstallerCopy copy("italian");
    UninstallCleanup uninstall{Unique("italian")};
    testutil::write_file(copy.setup + "\\payload.txt", "payload");
    std::string destination = copy.scratch / "dest";
    testutil::write_file(copy.setup + "\\ondrel.lst",
                         "ENGLISH=NO\r\nDPATH=" + destination + "\r\nEXTRAPATH=dati\r\n"
                         "COPY=payload.txt,.\r\nSHELL=cmd /c exit 3\r\nUNINSTALL=" +
                             uninstall.name + "\r\n");
    OndrelRun run(copy.program, "", copy.scratch / "out.txt");
    ASSERT_TRUE(run.started);
    HWND dialog = run.WaitDestinationDialog(90000);
    ASSERT_NE(dialog, nullptr);
    struct Step {
        std::string typed;
        std::vector<std::pair<const char*, int>> boxes;  // text, answer
    } steps[] = {
        {"   ", {{"Il percorso di destinazione è obbligatorio", IDOK}}},
        {copy.scratch / "no\\dest",
         {{"Il percorso non esiste. Vuoi Crearlo?", IDYES}, {"Impossibile creare il percorso", IDOK}}},
        {destination, {{"Il percorso non esiste. Vuoi Crearlo?", IDYES}}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE("typed \"" + step.typed + "\"");
        EnterDestination(dialog, step.typed);
        for (const auto& [text, answer] : step.boxes) {
            HWND box = run.WaitBox(30000);
            ASSERT_NE(box, nullptr) << "expected: " << text;
            EXPECT_EQ(BoxText(box), text);
            EXPECT_TRUE(AnswerBox(box, answer));
        }
    }
    HWND result = run.WaitResultWindow(120000);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(ResultTexts(result),
              std::vector<std::string>{"ATTENZIONE!\nINSTALLAZIONE TERMINATA SENZA SUCCESSO."});
    PostMessageA(ChildWithText(result, "button", "Ok"), BM_CLICK, 0, 0);
    EXPECT_TRUE(run.Ended(60000));
    EXPECT_EQ(testutil::read_file(destination + "\\dati\\payload.txt"), "payload");
    EXPECT_FALSE(testutil::file_exists(destination + "\\payload.txt"));
    auto lines = testutil::lines_of(testutil::read_file(destination + "\\instlog.txt"));
    ASSERT_EQ(lines.size(), 6u) << "the log stays in the destination itself";
    EXPECT_EQ(lines[0].rfind("Setup start ", 0), 0u);
    EXPECT_EQ(lines[1], "COPIA IN " + destination + "\\dati DI payload");
    EXPECT_EQ(lines[2], ">>>>> 1");
    EXPECT_EQ(lines[3], ">>>>> cmd /c exit 3 >>>>> 3");
    EXPECT_EQ(lines[4], "Setup not completed");
    EXPECT_EQ(lines[5].rfind("End setup ", 0), 0u);
    EXPECT_EQ(uninstall.Value("DisplayName"), "") << "a stopped run registers no uninstaller";
}
