// The installer program itself: started as a real process with a list file,
// driven through its windows and message boxes like a user would.

#include "ondrel_run.h"
#include "progman_peer.h"

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
    testutil::write_file(copy.setup + "\\tool.txt", "tool");
    std::string destination = copy.scratch / "dest";
    GroupCleanup group{Unique("group")};
    std::string list = "DPATH=" + destination + "\r\nCOPY=payload.txt,.\r\nITEM=tool.txt, ,Tool\r\nGROUP=" +
                       group.name + "\r\nUNINSTALL=" + uninstall.name + "\r\n";
    std::string listPath = copy.scratch / "my list.lst";
    testutil::write_file(listPath, list);
    OndrelRun run(copy.program, "\"" + listPath + "\"", copy.scratch / "out.txt");
    ASSERT_TRUE(run.started);
    Seen seen;
    ASSERT_TRUE(run.Drive(120, User(seen)));
    EXPECT_TRUE(seen.mainDialog);
    EXPECT_EQ(seen.boxes, std::vector<std::string>{"The folder does not exist.\nDo you want to create it?"});
    EXPECT_EQ(seen.results, std::vector<std::string>{"Setup successfully completed."});
    EXPECT_EQ(testutil::read_file(destination + "\\payload.txt"), "payload");
    EXPECT_EQ(uninstall.Value("UninstallString"), destination + "\\Unondrel.exe");
    EXPECT_TRUE(GroupItemExists(group.name, "Tool")) << "the group with its item";
    auto lines = testutil::lines_of(testutil::read_file(destination + "\\instlog.txt"));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].rfind("Setup start ", 0), 0u);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end() - 1),
              (std::vector<std::string>{
                  "COPYING INTO " + destination + " FROM " + copy.setup + "\\payload.txt", ">>>>> 1",
                  "INSTALLING " + destination + "\\tool.txt FROM " + copy.setup + "\\tool.txt",
                  "Setup successfully completed."}));
    EXPECT_EQ(lines.back().rfind("End setup ", 0), 0u);
}

// The group step on purpose turned down by a Program Manager that refuses
// it: its box, and the installation ends as not completed.
TEST(OndrelProgram, RefusedGroupEndsWithItsBoxAndTheFailure)
{
    StartInstallerFramework();
    ProgramManagerPeer progman;
    ASSERT_TRUE(Ready(progman));
    InstallerCopy copy("refused");
    UninstallCleanup uninstall{Unique("refused")};
    std::string destination = copy.scratch.Sub("dest");
    testutil::write_file(copy.setup + "\\ondrel.lst", "DPATH=" + destination + "\r\nGROUP=refuse\r\nUNINSTALL=" +
                                                         uninstall.name + "\r\n");
    OndrelRun run(copy.program, "", copy.scratch / "out.txt");
    Seen seen;
    ASSERT_TRUE(run.Drive(120, User(seen))) << run.State();
    EXPECT_EQ(progman.commands, std::vector<std::string>{"[CreateGroup(refuse)]"});
    EXPECT_EQ(seen.boxes, std::vector<std::string>{"Cannot create the group"});
    EXPECT_EQ(seen.results, std::vector<std::string>{"Setup not completed."});
    auto lines = testutil::lines_of(testutil::read_file(destination + "\\instlog.txt"));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Setup not completed");
    EXPECT_EQ(uninstall.Value("DisplayName"), uninstall.name) << "the installation itself ran whole";
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

// On a Windows without layered windows, themes or gradient fills the
// installer must still start.
TEST(OndrelProgram, OptionalCallsAreBoundAtRunTime)
{
    std::string program = testutil::exe_folder() + "\\ONDREL.exe";
    ASSERT_FALSE(ImportsFrom(program, "USER32.dll").empty())
        << "the import table of " << program << " is readable";
    struct Row {
        const char* dll;
        const char* function;  // null: nothing of the DLL
    } rows[] = {{"USER32.dll", "SetLayeredWindowAttributes"}, {"UxTheme.dll", nullptr},
                {"msimg32.dll", nullptr}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.dll);
        std::vector<std::string> names = ImportsFrom(program, row.dll);
        if (row.function)
            names.erase(std::remove_if(names.begin(), names.end(),
                                       [&](const std::string& n) { return n != row.function; }),
                        names.end());
        EXPECT_TRUE(names.empty()) << "imported at load time: " << names.front();
    }
}

namespace {

// A frame of the background's caption animation: a bullet (0x95) in one of
// five places between two bars.
bool IsCaptionFrame(const std::string& caption)
{
    return caption.size() == 7 && caption.front() == '|' && caption.back() == '|' &&
           std::count(caption.begin(), caption.end(), '\x95') == 1 &&
           std::count(caption.begin(), caption.end(), ' ') == 4;
}

}  // namespace

TEST(OndrelProgram, ClosingTheDialogBeforeInstallingEndsTheProgram)
{
    enum How { kCloseBox, kAltF4, kSessionEnd };
    struct Row {
        const char* name;
        How how;
    } rows[] = {{"close box", kCloseBox}, {"Alt+F4 in the folder field", kAltF4},
                {"the session ends", kSessionEnd}};
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
        HWND background = GetWindow(dialog, GW_OWNER);
        if (row.how == kCloseBox) {
            // The background is translucent: colour key and opacity, both modes.
            COLORREF key = 0;
            BYTE alpha = 0;
            DWORD flags = 0;
            EXPECT_TRUE(GetLayeredWindowAttributes(background, &key, &alpha, &flags));
            EXPECT_EQ(key, RGB(128, 0, 128));
            EXPECT_EQ(alpha, 200);
            EXPECT_EQ(flags, DWORD(LWA_COLORKEY | LWA_ALPHA));
            // Its caption shows the animation, frame after frame.
            std::string first, next;
            EXPECT_TRUE(WaitFor([&] { return IsCaptionFrame(first = WindowText(background)); }, 10000))
                << first;
            EXPECT_TRUE(WaitFor([&] { return IsCaptionFrame(next = WindowText(background)) && next != first; },
                                10000))
                << next;
            PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        } else if (row.how == kAltF4) {
            HWND field = FindWindowExA(dialog, nullptr, "Edit", nullptr);
            PostMessageA(field, WM_SYSKEYDOWN, VK_F4, 0x20000001 | (MapVirtualKeyA(VK_F4, 0) << 16));
        } else {
            EXPECT_EQ(SendTo(dialog, WM_QUERYENDSESSION, 0, 0), TRUE) << "the session may end";
        }
        EXPECT_TRUE(run.Ended(60000)) << "the installer ends instead of leaving its background";
        EXPECT_FALSE(testutil::file_exists(destination)) << "nothing was installed";
        EXPECT_EQ(uninstall.Value("DisplayName"), "");
    }
}

// While one of its boxes is up no window of the installer takes input: an
// OK or a close under the box would run the flow a second time.
TEST(OndrelProgram, BoxesHoldEveryWindowOfTheInstaller)
{
    InstallerCopy copy("boxes");
    std::string destination = copy.scratch / "dest";
    testutil::write_file(copy.setup + "\\ondrel.lst", "DPATH=" + destination + "\r\n");
    OndrelRun run(copy.program, "", copy.scratch / "out.txt");
    HWND dialog = run.WaitDestinationDialog(90000);
    ASSERT_NE(dialog, nullptr) << run.State();
    HWND background = GetWindow(dialog, GW_OWNER);
    struct Row {
        std::string typed;
        const char* box;
        int answer;
    } rows[] = {{"  ", "Destination folder is mandatory!", IDOK},
                {destination, "The folder does not exist.\nDo you want to create it?", IDNO}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.box);
        EnterDestination(dialog, row.typed);
        HWND box = run.WaitBox(30000);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(BoxText(box), row.box);
        EXPECT_FALSE(IsWindowEnabled(dialog)) << "the destination dialog";
        EXPECT_FALSE(IsWindowEnabled(background)) << "the background";
        EXPECT_TRUE(AnswerBox(box, row.answer));
        EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(dialog) && IsWindowEnabled(background); }, 10000))
            << "both take input again";
    }
    EXPECT_FALSE(testutil::file_exists(destination));
    PostMessageA(background, WM_CLOSE, 0, 0);
    EXPECT_TRUE(run.Ended(60000));
}

// A second OK still queued when the first hides the dialog must not start
// a second installation inside the first.
TEST(OndrelProgram, OkPressedTwiceInstallsOnce)
{
    InstallerCopy copy("twice_ok");
    GroupCleanup group{Unique("twice_ok")};
    testutil::write_file(copy.setup + "\\payload.txt", "payload");
    std::string destination = copy.scratch.Sub("dest");
    testutil::write_file(copy.setup + "\\ondrel.lst",
                         "DPATH=" + destination + "\r\nCOPY=payload.txt,.\r\nGROUP=" + group.name + "\r\n");
    OndrelRun run(copy.program, "", copy.scratch / "out.txt");
    HWND dialog = run.WaitDestinationDialog(90000);
    ASSERT_NE(dialog, nullptr) << run.State();
    for (int click = 0; click < 2; ++click)
        PostMessageA(ChildWithText(dialog, "button", "OK"), BM_CLICK, 0, 0);
    Seen seen;
    EXPECT_TRUE(run.Drive(120, User(seen))) << "the installer ends after its result: " << run.State();
    EXPECT_EQ(seen.results, std::vector<std::string>{"Setup successfully completed."});
    std::string log = testutil::read_file(destination + "\\instlog.txt");
    EXPECT_EQ(count_of(log, "Setup start "), 1) << log;
    EXPECT_EQ(count_of(log, "COPYING INTO "), 1) << log;
}

// "..." puts the list's last folder name below the folder chosen.
TEST(OndrelProgram, FolderChosenWithTheBrowseButtonGetsTheListsFolderName)
{
    InstallerCopy copy("browse");
    // Right under C:, as the shell finds a start folder reliably there.
    struct Folder {
        std::string path;
        ~Folder() { RemoveDirectoryA(path.c_str()); }
    } chosen{"C:\\ondrel_browse_" + std::to_string(GetCurrentProcessId())};
    ASSERT_TRUE(CreateDirectoryA(chosen.path.c_str(), nullptr));
    testutil::write_file(copy.setup + "\\ondrel.lst", "DPATH=C:\\Programmi\\Cassa\r\n");
    OndrelRun run(copy.program, "", copy.scratch / "out.txt");
    HWND dialog = run.WaitDestinationDialog(90000);
    ASSERT_NE(dialog, nullptr) << run.State();
    HWND field = FindWindowExA(dialog, nullptr, "Edit", nullptr);
    // The browser starts in the folder the field names and shows it below its tree.
    SendTo(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(chosen.path.c_str()));
    PostMessageA(ChildWithText(dialog, "button", "..."), BM_CLICK, 0, 0);
    HWND browser = run.WaitBox(30000);
    ASSERT_NE(browser, nullptr) << "the folder browser";
    EXPECT_TRUE(WaitFor([&] { return ChildWithText(browser, "Static", (chosen.path + "\\").c_str()); }, 20000))
        << "the browser started in the folder";
    EXPECT_TRUE(AnswerBox(browser, IDOK));
    EXPECT_TRUE(WaitFor([&] { return ControlText(field) == chosen.path + "\\Cassa"; }, 10000))
        << ControlText(field);
    PostMessageA(GetWindow(dialog, GW_OWNER), WM_CLOSE, 0, 0);
    EXPECT_TRUE(run.Ended(60000));
}

// The progress window while a command runs: the step, the bar and the
// notes; neither it nor the background takes a system command. The command
// inherits none of the installer's handles: its lock event ends with it.
TEST(OndrelProgram, ProgressWindowShowsTheRunningStep)
{
    InstallerCopy copy("progress");
    testutil::write_file(copy.setup + "\\payload.txt", "payload");
    std::string destination = copy.scratch.Sub("dest");
    testutil::write_file(copy.setup + "\\ondrel.lst",
                         "ENGLISH=NO\r\nDPATH=" + destination +
                             "\r\nCOPY=payload.txt,.\r\nSHELL=notepad.exe\r\nEXPAND=payload.txt,.\r\n");
    std::vector<DWORD> command;
    {
        OndrelRun run(copy.program, "", copy.scratch / "out.txt");
        HWND dialog = run.WaitDestinationDialog(90000);
        ASSERT_NE(dialog, nullptr) << run.State();
        PostMessageA(ChildWithText(dialog, "button", "OK"), BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitFor([&] { return !(command = run.Children()).empty(); }, 60000));
        HWND progress = run.WaitProgressWindow(10000);
        ASSERT_NE(progress, nullptr);
        HWND gauge = FindWindowExA(progress, nullptr, PROGRESS_CLASSA, nullptr);
        EXPECT_EQ(SendTo(gauge, PBM_GETRANGE, TRUE, 0), 1);
        EXPECT_EQ(SendTo(gauge, PBM_GETRANGE, FALSE, 0), 4);
        EXPECT_EQ(SendTo(gauge, PBM_GETPOS, 0, 0), 3);
        EXPECT_NE(ChildWithText(progress, "Static", "Passo 3 (4 totali)"), nullptr);
        EXPECT_EQ(ControlText(FindWindowExA(progress, nullptr, "Edit", nullptr)),
                  "Installazione dei componenti.\r\nCOPIA IN " + destination +
                      " DI payload\r\n\r\nATTENDERE QUALCHE MINUTO PER IL COMPLETAMENTO DEL SETUP\r\n\r\n");
        HWND background = GetWindow(progress, GW_OWNER);
        for (HWND window : {progress, background}) {
            for (WPARAM sysCommand : {SC_MOVE, SC_CLOSE}) {
                SCOPED_TRACE(std::string(window == progress ? "progress " : "background ") +
                             (sysCommand == SC_MOVE ? "SC_MOVE" : "SC_CLOSE"));
                RECT before = {}, after = {};
                GetWindowRect(window, &before);
                SendTo(window, WM_SYSCOMMAND, sysCommand, 0);
                GUITHREADINFO thread = {};
                thread.cbSize = sizeof thread;
                GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread);
                EXPECT_EQ(thread.flags & GUI_INMOVESIZE, 0u) << "no move under way";
                GetWindowRect(window, &after);
                EXPECT_TRUE(IsWindowVisible(window) && EqualRect(&before, &after)) << "still in place";
            }
        }
    }  // the installer ends while its command still runs
    HANDLE lock = OpenEventA(SYNCHRONIZE, FALSE, "WQ_SETUP_lock");
    EXPECT_EQ(lock, nullptr) << "the installer's lock event outlived it";
    if (lock)
        CloseHandle(lock);
    for (DWORD id : command)
        if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id)) {
            TerminateProcess(process, 0);
            CloseHandle(process);
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
