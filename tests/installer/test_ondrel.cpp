// The installer program itself: started as a real process with a list file,
// driven through its windows and message boxes like a user would.

#include "inst_test.h"

#include "instshell.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <functional>

using insttest::ScratchFolder;

namespace {

std::string WindowText(HWND window)
{
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

HWND ChildWithText(HWND parent, const char* className, const char* text)
{
    HWND found = nullptr;
    for (HWND c = GetWindow(parent, GW_CHILD); c && !found; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[64] = {};
        GetClassNameA(c, cls, sizeof cls);
        if (lstrcmpiA(cls, className) == 0 && (!text || WindowText(c) == text))
            found = c;
    }
    return found;
}

struct Seen {
    std::vector<std::string> boxes;     // texts of the message boxes, in order
    std::vector<std::string> results;   // texts of the result window
    bool mainDialog = false;
};

// One installer process with its standard handles on a file (the shell may
// start helpers that inherit them), driven until it ends.
class OndrelRun {
public:
    OndrelRun(const std::string& program, const std::string& arguments, const std::string& output)
    {
        SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
        out_ = CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                           CREATE_ALWAYS, 0, nullptr);
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = si.hStdOutput = si.hStdError = out_;
        std::string command = "\"" + program + "\" " + arguments;
        started = CreateProcessA(program.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                                 nullptr, &si, &info_) != 0;
    }
    ~OndrelRun()
    {
        if (started && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(info_.hProcess, 1);
        if (started) {
            CloseHandle(info_.hProcess);
            CloseHandle(info_.hThread);
        }
        CloseHandle(out_);
    }
    OndrelRun(const OndrelRun&) = delete;
    OndrelRun& operator=(const OndrelRun&) = delete;

    bool Ended(DWORD ms) const { return WaitForSingleObject(info_.hProcess, ms) == WAIT_OBJECT_0; }
    DWORD Id() const { return info_.dwProcessId; }

    // The visible top-level windows of the process.
    std::vector<HWND> Windows() const
    {
        Search search{info_.dwProcessId, {}};
        EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    // Polls the windows until the process ends (at most `seconds`); `act`
    // gets each visible window and may answer it.
    bool Drive(int seconds, const std::function<void(HWND)>& act)
    {
        for (int i = 0; i < seconds * 10; ++i) {
            if (Ended(100))
                return true;
            for (HWND w : Windows())
                act(w);
        }
        return Ended(0);
    }

    bool started = false;

private:
    struct Search {
        DWORD pid;
        std::vector<HWND> found;
    };
    static BOOL CALLBACK Collect(HWND w, LPARAM p)
    {
        auto* s = reinterpret_cast<Search*>(p);
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == s->pid && IsWindowVisible(w))
            s->found.push_back(w);
        return TRUE;
    }

    HANDLE out_ = INVALID_HANDLE_VALUE;
    PROCESS_INFORMATION info_ = {};
};

// Answers message boxes with Yes (or OK), presses the installer's OK on the
// destination dialog once and "Ok" on the result window.
std::function<void(HWND)> User(Seen& seen)
{
    return [&seen](HWND w) {
        char cls[64] = {};
        GetClassNameA(w, cls, sizeof cls);
        if (lstrcmpA(cls, "#32770") == 0) {
            char text[1024] = {};
            GetDlgItemTextA(w, 0xFFFF, text, sizeof text);
            seen.boxes.push_back(text);
            HWND yes = GetDlgItem(w, IDYES);
            PostMessageA(w, WM_COMMAND, yes ? IDYES : IDOK, 0);
            Sleep(300);
            return;
        }
        if (WindowText(w) != "Installer")
            return;
        if (HWND ok = ChildWithText(w, "button", "OK"); ok && !seen.mainDialog) {
            seen.mainDialog = true;
            PostMessageA(ok, BM_CLICK, 0, 0);
        } else if (HWND done = ChildWithText(w, "button", "Ok")) {
            for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                std::string t = WindowText(c);
                if ((GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_CENTER && !t.empty())
                    seen.results.push_back(t);
            }
            PostMessageA(done, BM_CLICK, 0, 0);
            Sleep(300);
        }
    };
}

// The installer copied into a folder of the test, so that its own folder
// (sources, settings file) is the test's.
struct InstallerCopy {
    explicit InstallerCopy(const char* name) : scratch(name)
    {
        setup = scratch.Sub("setup");
        program = setup + "\\ONDREL.exe";
        CopyFileA((testutil::exe_folder() + "\\ONDREL.exe").c_str(), program.c_str(), FALSE);
    }
    ScratchFolder scratch;
    std::string setup, program;
};

struct UninstallCleanup {
    std::string name;
    ~UninstallCleanup() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, UninstallKey(name.c_str())); }
    std::string Value(const char* value) const
    {
        char data[1024] = {};
        DWORD size = sizeof data - 1;
        RegGetValueA(HKEY_LOCAL_MACHINE, UninstallKey(name.c_str()), value, RRF_RT_REG_SZ,
                     nullptr, data, &size);
        return data;
    }
};

// The Program Manager group a run may have made in the shared prefix: its
// folder removed and the shell window opened on it closed.
struct GroupCleanup {
    std::string name;
    ~GroupCleanup()
    {
        for (int i = 0; i < 30; ++i) {
            HWND shown = FindWindowA(nullptr, name.c_str());
            if (!shown && i > 10)
                break;
            if (shown)
                PostMessageA(shown, WM_CLOSE, 0, 0);
            Sleep(200);
        }
        for (int folder : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
            char path[MAX_PATH] = {};
            if (SHGetFolderPathA(nullptr, folder, nullptr, 0, path) == S_OK)
                testutil::remove_tree(std::string(path) + "\\" + name);
        }
    }
};

std::string Unique(const char* what)
{
    return std::string("OndrelRun_") + what + "_" + std::to_string(GetCurrentProcessId());
}

}  // namespace

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
