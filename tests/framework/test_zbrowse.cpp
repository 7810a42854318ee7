// The folder browse dialog, driven by a script thread that reads its tree
// and status line, answers its boxes and presses its buttons. A watchdog
// closes whatever is left open past the script's time, so a stuck dialog
// fails its test instead of hanging the program.

#include "zwintest.h"

#include "zbrowse.h"
#include "xsystem.h"

#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

namespace {

// The first visible dialog of this process that matches: with a title, a
// box with that caption; without, the browse dialog (known by its tree).
struct Search {
    const char* title;
    HWND except;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND h, LPARAM lp) noexcept
{
    auto* s = reinterpret_cast<Search*>(lp);
    char cls[16] = {}, title[128] = {};
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    GetClassNameA(h, cls, sizeof cls);
    GetWindowTextA(h, title, sizeof title);
    if (pid != GetCurrentProcessId() || h == s->except || lstrcmpA(cls, "#32770") != 0 ||
        !IsWindowVisible(h))
        return TRUE;
    bool wanted = s->title ? lstrcmpA(s->title, title) == 0
                           : FindWindowExA(h, nullptr, WC_TREEVIEWA, nullptr) != nullptr;
    if (!wanted)
        return TRUE;
    s->found = h;
    return FALSE;
}

HWND WaitDialog(const char* title, DWORD ms, HWND except = nullptr)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(20)) {
        Search s{title, except, nullptr};
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&s));
        if (s.found)
            return s.found;
    }
    return nullptr;
}

bool WaitGone(HWND h, DWORD ms)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(20))
        if (!IsWindow(h) || !IsWindowVisible(h))
            return true;
    return false;
}

std::string StaticTexts(HWND dialog)
{
    std::string all;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[16] = {}, text[512] = {};
        GetClassNameA(c, cls, sizeof cls);
        if (lstrcmpiA(cls, "static") == 0 && GetWindowTextA(c, text, sizeof text))
            all += std::string(text) + "|";
    }
    return all;
}

void Press(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// The label of the tree item the browse dialog has selected.
std::string SelectedLabel(HWND dialog)
{
    HWND tree = FindWindowExA(dialog, nullptr, WC_TREEVIEWA, nullptr);
    DWORD_PTR item = 0;
    if (!tree || !SendMessageTimeoutA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0, SMTO_BLOCK, 2000, &item) ||
        !item)
        return "";
    // The tree belongs to this process, so it can fill this buffer directly.
    char text[MAX_PATH] = {};
    TVITEMA tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = reinterpret_cast<HTREEITEM>(item);
    tv.pszText = text;
    tv.cchTextMax = sizeof text;
    DWORD_PTR ok = 0;
    SendMessageTimeoutA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv), SMTO_BLOCK, 2000, &ok);
    return ok ? text : "";
}

// Waits for a box with the caption, keeps its texts, answers it and waits
// until it has gone; false when no such box came.
bool AnswerBox(const char* caption, int button, std::string* texts, DWORD ms = 15000,
               HWND except = nullptr)
{
    HWND box = WaitDialog(caption, ms, except);
    if (!box)
        return false;
    *texts = StaticTexts(box);
    Press(box, button);
    return WaitGone(box, 5000);
}

// Runs a script on its own thread while the caller runs a modal dialog.
// Past `ms` a watchdog cancels every dialog and box of this process until
// the script and the modal loop are both over; after a further minute it
// ends the program, which would otherwise never return.
class DialogScript {
public:
    DialogScript(std::function<void()> script, DWORD ms)
        : script_(std::move(script)), ms_(ms), start_(GetTickCount()),
          runner_([this] { Run(); }), watchdog_([this] { Watch(); })
    {
    }
    ~DialogScript() { Finish(); }
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    // Called when the modal loop has returned; waits for both threads.
    void Finish()
    {
        modalDone_ = true;
        if (runner_.joinable())
            runner_.join();
        if (watchdog_.joinable())
            watchdog_.join();
    }
    bool Rescued() const { return rescued_; }

private:
    void Run() noexcept
    {
        try {
            script_();
        } catch (...) {
        }
        scriptDone_ = true;
    }
    static BOOL CALLBACK Cancel(HWND h, LPARAM) noexcept
    {
        char cls[16] = {};
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        GetClassNameA(h, cls, sizeof cls);
        if (pid == GetCurrentProcessId() && lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(h)) {
            Press(h, IDCANCEL);
            Press(h, IDNO);  // a yes/no box has no cancel button
        }
        return TRUE;
    }
    void Watch() noexcept
    {
        while (!(modalDone_ && scriptDone_)) {
            DWORD elapsed = GetTickCount() - start_;
            if (elapsed > ms_ + 60000) {
                std::fprintf(stderr, "browse dialog still open after %lu ms: giving up\n",
                             static_cast<unsigned long>(elapsed));
                std::fflush(stderr);
                TerminateProcess(GetCurrentProcess(), 3);
            }
            if (elapsed > ms_) {
                rescued_ = true;
                EnumWindows(Cancel, 0);
                Sleep(500);
            }
            Sleep(20);
        }
    }

    std::function<void()> script_;
    DWORD ms_;
    DWORD start_;
    std::atomic<bool> modalDone_{false};
    std::atomic<bool> scriptDone_{false};
    std::atomic<bool> rescued_{false};
    std::thread runner_;
    std::thread watchdog_;
};

const DWORD kScriptMs = 40000;

// Waits for the browse dialog and for its tree to select the folder with
// the label; returns the dialog (null when it never came).
HWND WaitSelected(const std::string& label, std::string* status, std::string* selected)
{
    HWND d = WaitDialog(nullptr, 20000);
    if (!d)
        return nullptr;
    for (DWORD start = GetTickCount(); GetTickCount() - start < 15000; Sleep(50)) {
        *selected = SelectedLabel(d);
        *status = StaticTexts(d);
        if (lstrcmpiA(selected->c_str(), label.c_str()) == 0)
            break;
    }
    return d;
}

std::string Joined(const xpath& p, bool withName)
{
    std::string s = std::string(p.GetDrive().c_str()) + p.GetFolder().c_str();
    return withName ? s + p.GetName().c_str() : s;
}

// Every test works in a folder of its own right under C:. The shell under
// Wine matches the start folder against the tree including each level's
// file times, so no level may be a shared folder (the temporary one) that
// other programs touch while the dialog opens.
struct BrowseTest : ::testing::Test {
    void SetUp() override
    {
        CoInitialize(nullptr);
        name = "zbrw" + std::to_string(GetCurrentProcessId());
        root = "C:\\" + name;
        CreateDirectoryA(root.c_str(), nullptr);
        // Read it once now, so reading it later leaves its times alone.
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((root + "\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE)
            FindClose(h);
        ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(root.c_str()));
        italian = zApp().italian;
        zApp().italian = 0;
        // The boxes have no owner here: no form of an earlier test.
        zApp().currentForm = nullptr;
        zMainForm = nullptr;
    }
    void TearDown() override
    {
        RemoveDirectoryA(root.c_str());
        zApp().italian = italian;
        CoUninitialize();
    }
    std::string name, root;
    int italian = 0;
};

TEST_F(BrowseTest, StartFolderSelectedShownAndChosen)
{
    zFolderSearchDialog dlg;
    ASSERT_TRUE(dlg.allocator != nullptr);
    EXPECT_EQ(37u, dlg.flags);
    dlg.path.Split((root + "\\").c_str());
    std::string status, selected;
    DialogScript script(
        [&] {
            if (HWND d = WaitSelected(name, &status, &selected))
                Press(d, IDOK);
        },
        kScriptMs);
    bool ok = dlg.DoModal();
    script.Finish();
    EXPECT_FALSE(script.Rescued()) << "the dialog had to be closed";
    EXPECT_EQ(0, lstrcmpiA(name.c_str(), selected.c_str())) << selected;
    EXPECT_NE(std::string::npos, status.find(root + "\\")) << status;
    ASSERT_TRUE(ok);
    EXPECT_EQ(0, lstrcmpiA(root.c_str(), Joined(dlg.path, true).c_str())) << Joined(dlg.path, true);
}

TEST_F(BrowseTest, CancelledLeavesThePathAsSet)
{
    zFolderSearchDialog dlg;
    dlg.path.Split((root + "\\").c_str());
    DialogScript script(
        [] {
            if (HWND d = WaitDialog(nullptr, 20000))
                Press(d, IDCANCEL);
        },
        kScriptMs);
    EXPECT_FALSE(dlg.DoModal());
    script.Finish();
    EXPECT_FALSE(script.Rescued()) << "the dialog had to be closed";
    EXPECT_EQ(0, lstrcmpiA((root + "\\").c_str(), Joined(dlg.path, false).c_str()));
}

TEST_F(BrowseTest, NoStartFolderSelectsTheCurrentDirectory)
{
    char saved[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof saved, saved);
    ASSERT_TRUE(SetCurrentDirectoryA(root.c_str()));
    zFolderSearchDialog dlg;
    std::string status, selected;
    DialogScript script(
        [&] {
            if (HWND d = WaitSelected(name, &status, &selected))
                Press(d, IDOK);
        },
        kScriptMs);
    bool ok = dlg.DoModal();
    script.Finish();
    SetCurrentDirectoryA(saved);
    EXPECT_FALSE(script.Rescued()) << "the dialog had to be closed";
    EXPECT_EQ(0, lstrcmpiA(name.c_str(), selected.c_str())) << selected;
    EXPECT_NE(std::string::npos, status.find(root)) << status;
    ASSERT_TRUE(ok);
    EXPECT_EQ(0, lstrcmpiA(root.c_str(), Joined(dlg.path, true).c_str())) << Joined(dlg.path, true);
}

// The shell raises the validation event for a typed name from the dialog's
// own callback; the script raises it on the open dialog the same way and
// answers the boxes it brings. The one folder typed is made (not the
// levels above it) and comes back as a picked folder would.
TEST_F(BrowseTest, TypedMissingFolderIsCreatedAndReturnedAsAPickedOne)
{
    const std::string target = root + "\\new1", deeper = target + "\\new2";
    zFolderSearchDialog dlg;
    dlg.path.Split((root + "\\").c_str());
    std::string status, selected, question, warning, deepWarning, second;
    int refused = -1, deepRefused = -1, accepted = -1, deepError = -1;
    bool missingAfterNo = false, deepMade = true;
    DialogScript script(
        [&] {
            HWND d = WaitSelected(name, &status, &selected);
            if (!d)
                return;
            auto raise = [&](const std::string& typed, int answer, std::string* texts,
                             std::string* warned) {
                std::thread boxes([&] {
                    if (AnswerBox("Warning", answer, texts, 15000, d) && warned)
                        AnswerBox("Warning", IDOK, warned, 15000, d);
                });
                int r = dlg.OnBrowseEvent(d, BFFM_VALIDATEFAILEDA,
                                          reinterpret_cast<LPARAM>(typed.c_str()));
                boxes.join();
                return r;
            };
            refused = raise(target, IDNO, &question, &warning);
            missingAfterNo = GetFileAttributesA(target.c_str()) == INVALID_FILE_ATTRIBUTES;
            std::string deepQuestion;
            deepRefused = raise(deeper, IDYES, &deepQuestion, &deepWarning);
            deepError = xsys().GetLastError();
            deepMade = GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES;
            // Relative to the folder selected in the tree.
            accepted = raise("new1", IDYES, &second, nullptr);
            if (accepted == 0)
                Press(d, IDOK);
        },
        kScriptMs);
    bool ok = dlg.DoModal();
    script.Finish();
    EXPECT_FALSE(script.Rescued()) << "the dialog had to be closed";
    EXPECT_EQ(1, refused);  // answered No: the dialog stays
    EXPECT_TRUE(missingAfterNo);
    EXPECT_NE(std::string::npos, question.find(target)) << question;
    EXPECT_NE(std::string::npos, question.find("Do you want to create it?")) << question;
    EXPECT_NE(std::string::npos, warning.find("Invalid Folder")) << warning;
    EXPECT_EQ(1, deepRefused) << "a missing level above is not made";
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, deepError);
    EXPECT_FALSE(deepMade);
    EXPECT_NE(std::string::npos, deepWarning.find("Invalid Folder")) << deepWarning;
    EXPECT_EQ(0, accepted);
    EXPECT_NE(std::string::npos, second.find(target)) << second;
    DWORD attributes = GetFileAttributesA(target.c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(ok);
    EXPECT_EQ(0, lstrcmpiA(target.c_str(), Joined(dlg.path, true).c_str())) << Joined(dlg.path, true);
    RemoveDirectoryA(target.c_str());
}

TEST(FolderPathTest, EveryMissingLevelIsMade)
{
    char tmp[MAX_PATH];
    GetTempPathA(sizeof tmp, tmp);
    std::string base = std::string(tmp) + "zlvl" + std::to_string(GetCurrentProcessId());
    std::string deep = base + "\\a\\b\\c\\";
    EXPECT_TRUE(zCreateFolderPath(deep.c_str()));
    EXPECT_TRUE(zCreateFolderPath(deep.c_str()));  // already there
    EXPECT_FALSE(zCreateFolderPath(""));
    EXPECT_FALSE(zCreateFolderPath("Q:\\\x01<>|\\x"));
    RemoveDirectoryA((base + "\\a\\b\\c").c_str());
    RemoveDirectoryA((base + "\\a\\b").c_str());
    RemoveDirectoryA((base + "\\a").c_str());
    RemoveDirectoryA(base.c_str());
}

}  // namespace
