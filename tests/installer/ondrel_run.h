#pragma once
// The installer program driven from outside its process as a user would:
// started with its standard handles on a file, its windows found, message
// boxes read and answered, buttons pressed.

#include "inst_test.h"

#include "instshell.h"
#include "varnesk_probe.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <functional>
#include <string>
#include <vector>

namespace insttest {

inline std::string WindowText(HWND window)
{
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

inline HWND ChildWithText(HWND parent, const char* className, const char* text)
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

// The text of a control of another process (asked for, not the caption
// the window manager keeps), carried as wide text between the processes.
inline std::string ControlText(HWND control)
{
    wchar_t wide[1024] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(wide), SMTO_NORMAL, 10000,
                        &ignored);
    char text[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

inline bool IsMessageBox(HWND w)
{
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    return lstrcmpA(cls, "#32770") == 0;
}

// One of the installer's dialog forms, told by one of its buttons.
inline bool IsInstallerWindowWith(HWND w, const char* button)
{
    return WindowText(w) == "Installer" && ChildWithText(w, "button", button) != nullptr;
}

// The text of a message box.
inline std::string BoxText(HWND box)
{
    char text[1024] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

// Answers a message box with a button and waits until it has gone.
inline bool AnswerBox(HWND box, int button)
{
    PostMessageA(box, WM_COMMAND, WPARAM(button), 0);
    for (int i = 0; i < 100 && IsWindow(box); ++i)
        Sleep(100);
    return !IsWindow(box);
}

// Types a destination into the dialog's field and presses its OK.
inline void EnterDestination(HWND dialog, const std::string& text)
{
    HWND field = FindWindowExA(dialog, nullptr, "Edit", nullptr);
    SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    PostMessageA(ChildWithText(dialog, "button", "OK"), BM_CLICK, 0, 0);
}

// The centred labels of the result window.
inline std::vector<std::string> ResultTexts(HWND window)
{
    std::vector<std::string> texts;
    for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        std::string t = WindowText(c);
        char cls[16] = {};
        GetClassNameA(c, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") == 0 && (GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_CENTER &&
            !t.empty())
            texts.push_back(t);
    }
    return texts;
}

struct Seen {
    std::vector<std::string> boxes;     // texts of the message boxes, in order
    std::vector<std::string> results;   // texts of the result window
    bool mainDialog = false;
    HWND resultWindow = nullptr;  // read once, however often it is met before it closes
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
        if (started && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(info_.hProcess, 1);
            WaitForSingleObject(info_.hProcess, 10000);
        }
        if (started) {
            CloseHandle(info_.hProcess);
            CloseHandle(info_.hThread);
        }
        CloseHandle(out_);
    }
    OndrelRun(const OndrelRun&) = delete;
    OndrelRun& operator=(const OndrelRun&) = delete;

    // Messages sent to this thread's windows (the framework's DDE windows
    // among them) are served while waiting: the installer's DDE connect
    // broadcasts to every top-level window and waits for each answer.
    bool Ended(DWORD ms) const
    {
        DWORD start = GetTickCount();
        for (;;) {
            MSG msg;
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            DWORD waited = GetTickCount() - start;
            DWORD rc = MsgWaitForMultipleObjects(1, &info_.hProcess, FALSE, waited >= ms ? 0 : ms - waited,
                                                 QS_SENDMESSAGE);
            if (rc != WAIT_OBJECT_0 + 1)
                return rc == WAIT_OBJECT_0;
        }
    }
    DWORD Id() const { return info_.dwProcessId; }
    // How the process went: its exit code (in hex: a crash shows as its
    // exception code), or that it still runs.
    std::string State() const
    {
        DWORD code = 0;
        if (!started || !GetExitCodeProcess(info_.hProcess, &code))
            return "not started";
        if (code == STILL_ACTIVE)
            return "still running";
        char text[32];
        wsprintfA(text, "ended with 0x%lX", code);
        return text;
    }

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

    // The first visible window of the process that `match` accepts, waited
    // for at most `ms`; null when none came.
    HWND WaitWindow(const std::function<bool(HWND)>& match, DWORD ms) const
    {
        for (DWORD waited = 0;; waited += 100) {
            for (HWND w : Windows())
                if (match(w))
                    return w;
            if (waited >= ms || Ended(100))
                return nullptr;
        }
    }
    HWND WaitBox(DWORD ms) const { return WaitWindow(IsMessageBox, ms); }
    // The progress window: an "Installer" window with a progress bar.
    HWND WaitProgressWindow(DWORD ms) const
    {
        return WaitWindow([](HWND w) {
            return WindowText(w) == "Installer" && FindWindowExA(w, nullptr, PROGRESS_CLASSA, nullptr);
        }, ms);
    }
    // The processes the installer started (its install commands).
    std::vector<DWORD> Children() const
    {
        std::vector<DWORD> children;
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
            if (entry.th32ParentProcessID == info_.dwProcessId)
                children.push_back(entry.th32ProcessID);
        CloseHandle(snapshot);
        return children;
    }
    // The destination dialog: an "Installer" window with the button "OK".
    HWND WaitDestinationDialog(DWORD ms) const
    {
        return WaitWindow([](HWND w) { return IsInstallerWindowWith(w, "OK"); }, ms);
    }
    // The result window: an "Installer" window with the button "Ok".
    HWND WaitResultWindow(DWORD ms) const
    {
        return WaitWindow([](HWND w) { return IsInstallerWindowWith(w, "Ok"); }, ms);
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
inline std::function<void(HWND)> User(Seen& seen)
{
    return [&seen](HWND w) {
        if (IsMessageBox(w)) {
            seen.boxes.push_back(BoxText(w));
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
            // A loaded machine may show it again before the click closed it.
            if (w != seen.resultWindow) {
                seen.resultWindow = w;
                for (const std::string& t : ResultTexts(w))
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

// Where a Program Manager group `name` lives: its folder in the user's and
// in the common start menu.
inline std::vector<std::string> GroupFolders(const std::string& name)
{
    std::vector<std::string> folders;
    for (int folder : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
        char path[MAX_PATH] = {};
        if (SHGetFolderPathA(nullptr, folder, nullptr, 0, path) == S_OK)
            folders.push_back(std::string(path) + "\\" + name);
    }
    return folders;
}

// The group's item as the shell's Program Manager leaves it: a link in the
// group's folder of the start menu.
inline bool GroupItemExists(const std::string& group, const std::string& item)
{
    for (const std::string& folder : GroupFolders(group))
        if (testutil::file_exists(folder + "\\" + item + ".lnk"))
            return true;
    return false;
}

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
        for (const std::string& folder : GroupFolders(name))
            testutil::remove_tree(folder);
    }
};

inline std::string Unique(const char* what)
{
    return std::string("OndrelRun_") + what + "_" + std::to_string(GetCurrentProcessId());
}


}  // namespace insttest
