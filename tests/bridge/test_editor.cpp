// The bridge's text window driven as the user drives it, in the running
// VARNESK.exe: the hidden configuration editor (Ctrl+Shift+F11) storing an
// edited text enciphered and reloading the settings, the log viewer
// (menu "Apri file di log") showing the log read-only, and the find dialog
// (Ctrl+F3, F3) with its whole-word and case options and its one wrap.

#include "settingsstore.h"
#include "testutil.h"
#include "varnesk_probe.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const DWORD kStartMs = 60000;
const DWORD kWindowMs = 20000;

enum : UINT {
    SCI_GETREADONLY = 2140, SCI_GETSELECTIONSTART = 2143, SCI_GETSELECTIONEND = 2145,
    SCI_SELECTALL = 2013, SCI_SETSEL = 2160, SCI_GETCODEPAGE = 2137,
};

// Character by character, as typed.
void Type(HWND editor, const std::string& text)
{
    for (char c : text)
        SendMessageA(editor, WM_CHAR, WPARAM(BYTE(c)), 0);
}


void Keys(std::initializer_list<WORD> held, WORD key)
{
    std::vector<INPUT> in;
    auto add = [&](WORD k, bool up) {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = k;
        i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        in.push_back(i);
    };
    for (WORD h : held)
        add(h, false);
    add(key, false);
    add(key, true);
    for (auto it = held.end(); it != held.begin();)
        add(*--it, true);
    SendInput(UINT(in.size()), in.data(), sizeof(INPUT));
}


using Program = VarneskProcess;

const char* const kIni =
    "[Info]\r\nEcrIp=127.0.0.1\r\nCartella=%SHARED%\r\nPolltime=5\r\nProto=1\r\nPort=0\r\n"
    "Offline=1\r\nLevel=0\r\nLog=0\r\nExt=TXT\r\n[Comandi]\r\n1=VEND\r\n[VEND]\r\nFORMAT=R";

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = testutil::exe_folder() + "\\vkedit";
        shared_ = folder_ + "\\shared";
        std::string from = testutil::exe_folder();
        CreateDirectoryA(folder_.c_str(), nullptr);
        CreateDirectoryA(shared_.c_str(), nullptr);
        ASSERT_TRUE(CopyVarnesk(from, folder_));
        ini_ = kIni;
        ini_.replace(ini_.find("%SHARED%"), 8, shared_);
        WriteVarneskIni(folder_, ini_);
        DeleteFileA((folder_ + "\\VARNESK.ini").c_str());  // no placement of an earlier test
        program_.reset(new Program(folder_));
        main_ = VarneskMainOf(program_->Pid(), kStartMs);
        ASSERT_TRUE(main_ != nullptr);
        ASSERT_TRUE(WaitFor([&] { return ServiceRunning(main_); }, 30000));
        // The import happens at every start: the store is what the editor edits.
        DeleteFileA((folder_ + "\\ECR.INI").c_str());
    }
    void TearDown() override { program_.reset(); }

    // Ctrl+Shift+F11 on the shown main form.
    HWND OpenEditor()
    {
        PostMessageA(main_, WM_COMMAND, MAKEWPARAM(WORD(-4), 0), 0);
        if (!WaitFor([&] { return IsWindowVisible(main_) != FALSE; }, kWindowMs))
            return nullptr;
        // Typed keys go to the display's foreground window, which a window of
        // another test program may take at any moment: type again until the
        // editor is there.
        for (int attempt = 0; attempt < 3; ++attempt) {
            // Come late, it is not asked for again: a second shortcut would
            // show it anew, at its normal size.
            if (HWND form = WindowOf(program_->Pid(), "MOVIRform", "INI file", nullptr, 0))
                return form;
            SetForegroundWindow(main_);
            Sleep(300);
            Keys({VK_CONTROL, VK_SHIFT}, VK_F11);
            if (HWND form = WindowOf(program_->Pid(), "MOVIRform", "INI file", nullptr, kWindowMs / 2))
                return form;
        }
        return nullptr;
    }
    static HWND EditorOf(HWND form) { return FindWindowExA(form, nullptr, "Scintilla", nullptr); }
    HWND Box(DWORD ms) { return WindowOf(program_->Pid(), "#32770", nullptr, nullptr, ms); }

    std::string folder_, shared_, ini_;
    std::unique_ptr<Program> program_;
    HWND main_ = nullptr;
};

TEST_F(EditorTest, EditorStoresTheEditedTextEncipheredAndReloads)
{
    HWND form = OpenEditor();
    ASSERT_TRUE(form != nullptr);
    HWND editor = EditorOf(form);
    ASSERT_TRUE(editor != nullptr);
    EXPECT_EQ(ini_, TextOf(editor));
    EXPECT_EQ(0, SendMessageA(editor, SCI_GETREADONLY, 0, 0));

    std::string edited = ini_;
    size_t ext = edited.find("Ext=TXT") + 4;
    edited.replace(ext, 3, "DOC");
    edited = "; modificato\r\n" + edited;
    SendMessageA(editor, SCI_SETSEL, ext, ext + 3);
    Type(editor, "DOC");
    SendMessageA(editor, SCI_SETSEL, 0, 0);
    Type(editor, "; modificato\r\n");
    PostMessageA(form, WM_CLOSE, 0, 0);
    HWND box = Box(kWindowMs);
    ASSERT_TRUE(box != nullptr);
    EXPECT_EQ("Warning", TextOf(box));
    PostMessageA(box, WM_COMMAND, IDYES, 0);

    EXPECT_TRUE(WaitFor([&] { return !IsWindow(form); }, kWindowMs));
    WaitFor([&] { return SettingsStore(folder_).Read() == edited; }, kWindowMs);
    EXPECT_EQ(edited, SettingsStore(folder_).Read());
    EXPECT_TRUE(Box(500) == nullptr) << "the edited text declares its commands";
    ASSERT_TRUE(WaitFor([&] { return ServiceRunning(main_); }, 30000));
    // The reloaded settings take ".DOC" receipts now.
    std::string receipt = shared_ + "\\R2.DOC";
    testutil::write_file(receipt, "=R1/$500\r\n=T1\r\n");
    EXPECT_TRUE(WaitFor([&] { return !testutil::file_exists(receipt); }, 30000));
}

// A text that cannot be stored is shown as the file class reports it, and
// no reload claims it was stored.
TEST_F(EditorTest, AnEditedTextThatCannotBeStoredIsShownAndNotReloaded)
{
    HWND form = OpenEditor();
    ASSERT_TRUE(form != nullptr);
    HWND editor = EditorOf(form);
    ASSERT_TRUE(editor != nullptr);
    SendMessageA(editor, SCI_SETSEL, 0, 0);
    Type(editor, "; modificato\r\n");
    const std::string store = folder_ + "\\ECR.BLW";
    const std::string before = testutil::read_file(store);
    const int banners = count_of(LogsOf(shared_), "INIZIO ELABORAZIONE");
    HeldFile held(store, 0);  // by another program, without any sharing
    ASSERT_TRUE(held.Held());
    PostMessageA(form, WM_CLOSE, 0, 0);
    HWND question = Box(kWindowMs);
    ASSERT_TRUE(question != nullptr);
    EXPECT_TRUE(Answer(question, IDYES));

    MessageBoxSeen failure = WaitMessageBox(program_->Pid(), kWindowMs);
    ASSERT_TRUE(failure.window != nullptr) << "the failure is shown";
    EXPECT_EQ("Warning", failure.caption);
    EXPECT_EQ(FileCreateFailure(failure.text), failure.text);
    EXPECT_TRUE(Answer(failure.window, IDOK));
    SendTo(main_, WM_NULL, 0, 0);
    EXPECT_TRUE(Box(0) == nullptr) << "one message";
    held.Release();
    EXPECT_EQ(before, testutil::read_file(store));
    EXPECT_EQ(banners, count_of(LogsOf(shared_), "INIZIO ELABORAZIONE")) << "no reload";
    EXPECT_TRUE(ServiceRunning(main_));
}

// A text without commands is stored all the same; the reload then ends the
// program, with no worker left behind.
TEST_F(EditorTest, SavingATextWithoutCommandsStoresItAndEndsTheProgram)
{
    HWND form = OpenEditor();
    ASSERT_TRUE(form != nullptr);
    HWND editor = EditorOf(form);
    ASSERT_TRUE(editor != nullptr);
    size_t command = ini_.find("1=VEND");
    SendMessageA(editor, SCI_SETSEL, command, command + 1);
    Type(editor, ";");
    std::string edited = ini_;
    edited[command] = ';';
    PostMessageA(form, WM_CLOSE, 0, 0);
    HWND box = Box(kWindowMs);
    ASSERT_TRUE(box != nullptr);
    PostMessageA(box, WM_COMMAND, IDYES, 0);
    // The parse of the save (before the text is stored) and the one of the
    // reload each report once, the editor already closed.
    for (int report = 0; report < 2; ++report) {
        SCOPED_TRACE(report);
        HWND message = nullptr;
        ASSERT_TRUE(WaitFor([&] {
            message = Box(0);
            return message != nullptr && message != box;
        }, kWindowMs));
        EXPECT_EQ("Message", TextOf(message));
        EXPECT_FALSE(IsWindow(form));
        PostMessageA(message, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(message); }, kWindowMs));
        box = message;
    }
    EXPECT_EQ(0u, program_->WaitExit(30000));
    EXPECT_EQ(edited, SettingsStore(folder_).Read());
}

TEST_F(EditorTest, LogViewerShowsTheLogReadOnlyAndNeverAsks)
{
    PostMessageA(main_, WM_COMMAND, MAKEWPARAM(1001, 0), 0);
    HWND form = WindowOf(program_->Pid(), "MOVIRform", "INI file", nullptr, kWindowMs);
    ASSERT_TRUE(form != nullptr);
    HWND editor = EditorOf(form);
    ASSERT_TRUE(editor != nullptr);
    std::string shown = TextOf(editor);
    EXPECT_NE(std::string::npos, shown.find("\r\n")) << "the banner of the log";
    EXPECT_EQ(1, SendMessageA(editor, SCI_GETREADONLY, 0, 0));
    // The log's accented words are code page 1252 bytes, one character each.
    EXPECT_EQ(0, SendMessageA(editor, SCI_GETCODEPAGE, 0, 0));
    SendMessageA(editor, WM_CHAR, 'x', 0);
    EXPECT_EQ(shown, TextOf(editor));
    // What the worker logs meanwhile is not shown: the view is a snapshot.
    testutil::write_file(shared_ + "\\Z.TXT.INVIO", "=Z\r\n");
    ASSERT_TRUE(WaitFor([&] { return LogsOf(shared_).find("Z.TXT.INVIO") != std::string::npos; }, kWindowMs));
    EXPECT_EQ(shown, TextOf(editor));
    PostMessageA(form, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(form); }, kWindowMs));
    EXPECT_TRUE(Box(500) == nullptr);

    // The configuration editor opens editable after the log view.
    form = OpenEditor();
    ASSERT_TRUE(form != nullptr);
    EXPECT_EQ(0, SendMessageA(EditorOf(form), SCI_GETREADONLY, 0, 0));
    EXPECT_EQ(0, SendMessageA(EditorOf(form), SCI_GETCODEPAGE, 0, 0));
    PostMessageA(form, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(form); }, kWindowMs)) << "no change, no question";
}

// The gaps from the text window to the left, top, right and bottom edges
// of the editor's client area.
std::string Gaps(HWND form, HWND text)
{
    RECT client = {}, r = {};
    GetClientRect(form, &client);
    GetWindowRect(text, &r);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," +
           std::to_string(client.right - r.right) + "," + std::to_string(client.bottom - r.bottom);
}

// Closed maximised, the editor opens maximised over the rectangle it had;
// sized or maximised, its text keeps 5 pixels to every edge.
TEST_F(EditorTest, AnEditorClosedMaximisedOpensMaximised)
{
    for (int open = 0; open < 2; ++open) {
        HWND form = OpenEditor();
        ASSERT_TRUE(form != nullptr);
        HWND text = EditorOf(form);
        if (open == 0) {
            SetWindowPos(form, nullptr, 70, 60, 500, 400, SWP_NOZORDER | SWP_NOACTIVATE);
            EXPECT_TRUE(WaitFor([&] {
                RECT r = {};
                GetWindowRect(form, &r);
                return r.right - r.left == 500 && r.bottom - r.top == 400;
            }, kWindowMs));
            EXPECT_TRUE(WaitFor([&] { return Gaps(form, text) == "5,5,5,5"; }, kWindowMs))
                << "sized: " << Gaps(form, text);
            SendTo(form, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        }
        EXPECT_TRUE(WaitFor([&] { return IsZoomed(form) != FALSE; }, kWindowMs)) << open;
        EXPECT_TRUE(WaitFor([&] { return Gaps(form, text) == "5,5,5,5"; }, kWindowMs))
            << "maximised: " << Gaps(form, text);
        PostMessageA(form, WM_CLOSE, 0, 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(form); }, kWindowMs));
    }
    EXPECT_EQ(70u, GetPrivateProfileIntA("Info", "left_Form2", 0, (folder_ + "\\VARNESK.ini").c_str()));
}

struct Selection {
    LRESULT start, end;
    bool operator==(const Selection& o) const { return start == o.start && end == o.end; }
};

Selection SelectionOf(HWND editor)
{
    return {SendMessageA(editor, SCI_GETSELECTIONSTART, 0, 0), SendMessageA(editor, SCI_GETSELECTIONEND, 0, 0)};
}

TEST_F(EditorTest, FindDialogWrapsOnceAndHonoursWordsAndCase)
{
    HWND form = OpenEditor();
    ASSERT_TRUE(form != nullptr);
    HWND editor = EditorOf(form);
    ASSERT_TRUE(editor != nullptr);
    // 0 abcd, 5 xx, 8 ABC, 12 yy, 15 abc, 20 zz
    const char* text = "abcd xx ABC yy abc\r\nzz";
    SendMessageA(editor, SCI_SELECTALL, 0, 0);
    Type(editor, text);
    ASSERT_EQ(text, TextOf(editor));
    SendMessageA(editor, SCI_SETSEL, 16, 16);
    SetForegroundWindow(form);
    Sleep(300);
    Keys({VK_CONTROL}, VK_F3);
    HWND find = WindowOf(program_->Pid(), "MOVIRform", "Trova", nullptr, kWindowMs);
    ASSERT_TRUE(find != nullptr);
    HWND pattern = FindWindowExA(find, nullptr, "Edit", nullptr);
    HWND words = FindWindowExA(find, nullptr, "Button", "Solo parole intere");
    HWND cases = FindWindowExA(find, nullptr, "Button", "Maiuscole/Minuscole");
    HWND search = FindWindowExA(find, nullptr, "Button", "Trova successivo");
    HWND cancel = FindWindowExA(find, nullptr, "Button", "Annulla");
    ASSERT_TRUE(pattern && words && cases && search && cancel);
    EXPECT_EQ("abc", TextOf(pattern)) << "the word at the caret";

    struct Row {
        const char* name;
        bool words, cases;
        LRESULT from;
        Selection found;
    } rows[] = {
        {"whole word and case, wrapping to the one before the caret", true, true, 20, {15, 18}},
        {"case only: inside abcd", false, true, 0, {0, 3}},
        {"whole word only: ABC", true, false, 0, {8, 11}},
        {"whole word only, next", true, false, 11, {15, 18}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if ((SendMessageA(words, BM_GETCHECK, 0, 0) == BST_CHECKED) != row.words)
            SendMessageA(words, BM_CLICK, 0, 0);
        if ((SendMessageA(cases, BM_GETCHECK, 0, 0) == BST_CHECKED) != row.cases)
            SendMessageA(cases, BM_CLICK, 0, 0);
        SendMessageA(editor, SCI_SETSEL, WPARAM(row.from), LPARAM(row.from));
        SendMessageA(search, BM_CLICK, 0, 0);
        EXPECT_TRUE(SelectionOf(editor) == (row.found));
    }
    // Nothing found: the selection stays.
    SendMessageA(pattern, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("qqq"));
    SendMessageA(editor, SCI_SETSEL, 5, 7);
    SendMessageA(search, BM_CLICK, 0, 0);
    EXPECT_TRUE(SelectionOf(editor) == (Selection{5, 7}));
    // A blank pattern cannot be searched.
    SendMessageA(pattern, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("  "));
    EXPECT_FALSE(IsWindowEnabled(search));
    SendMessageA(pattern, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("abc"));
    EXPECT_TRUE(IsWindowEnabled(search));
    SendMessageA(search, BM_CLICK, 0, 0);  // whole words, any case: from 7, ABC
    EXPECT_TRUE(SelectionOf(editor) == (Selection{8, 11}));

    SendMessageA(cancel, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(find); }, kWindowMs));

    // F3 repeats the last search with its options, wrapping once.
    SetForegroundWindow(form);
    Sleep(300);
    Keys({}, VK_F3);
    EXPECT_TRUE(WaitFor([&] { return SelectionOf(editor) == Selection{15, 18}; }, 5000));
    Keys({}, VK_F3);
    EXPECT_TRUE(WaitFor([&] { return SelectionOf(editor) == Selection{8, 11}; }, 5000));

    // Closing asks, Yes or No; "No" leaves the store as it was and restarts
    // nothing.
    std::string before = testutil::read_file(folder_ + "\\ECR.BLW");
    const int banners = count_of(LogsOf(shared_), "INIZIO ELABORAZIONE");
    PostMessageA(form, WM_CLOSE, 0, 0);
    MessageBoxSeen box = WaitMessageBox(program_->Pid(), kWindowMs);
    ASSERT_TRUE(box.window != nullptr);
    EXPECT_EQ("Warning", box.caption);
    EXPECT_EQ("ATTENZIONE: il file \xE8 stato aggiornato. Vuoi salvarlo?", box.text);
    EXPECT_TRUE(GetDlgItem(box.window, IDYES) && GetDlgItem(box.window, IDNO));
    EXPECT_FALSE(GetDlgItem(box.window, IDOK) || GetDlgItem(box.window, IDCANCEL));
    PostMessageA(box.window, WM_COMMAND, IDNO, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(form); }, kWindowMs));
    EXPECT_EQ(before, testutil::read_file(folder_ + "\\ECR.BLW"));
    EXPECT_FALSE(WaitFor([&] { return count_of(LogsOf(shared_), "INIZIO ELABORAZIONE") != banners; }, 3000));
    EXPECT_TRUE(ServiceRunning(main_));
}

// The chord reaches the main form from the control that has the focus; F11
// alone or with one modifier does nothing. A letter typed after it shows
// where the keyboard went: into the edit, unless the editor opened.
TEST_F(EditorTest, OnlyCtrlShiftF11FromAFocusedControlOpensTheEditor)
{
    PostMessageA(main_, WM_COMMAND, MAKEWPARAM(WORD(-4), 0), 0);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(main_) != FALSE; }, kWindowMs));
    std::vector<HWND> edits = ChildrenByTop(main_, "Edit");
    ASSERT_FALSE(edits.empty());
    HWND sco = edits[0];
    const std::string folder = TextOf(sco);
    const struct {
        const char* name;
        std::initializer_list<WORD> held;
        bool opens;
    } rows[] = {
        {"F11 alone", {}, false},
        {"Ctrl+F11", {VK_CONTROL}, false},
        {"Shift+F11", {VK_SHIFT}, false},
        {"Ctrl+Shift+F11", {VK_CONTROL, VK_SHIFT}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SendTo(sco, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
        SetForegroundWindow(main_);
        PostMessageA(sco, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        PostMessageA(sco, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        SendTo(main_, WM_NULL, 0, 0);
        Keys(row.held, VK_F11);
        Keys({}, 'Q');
        HWND form = WindowOf(program_->Pid(), "MOVIRform", "INI file", nullptr, row.opens ? kWindowMs : 0);
        EXPECT_EQ(row.opens, form != nullptr);
        if (form) {
            PostMessageA(form, WM_CLOSE, 0, 0);
            if (HWND box = Box(5000))  // the letter went into the editor
                PostMessageA(box, WM_COMMAND, IDNO, 0);
            EXPECT_TRUE(WaitFor([&] { return !IsWindow(form); }, kWindowMs));
        } else {
            EXPECT_TRUE(WaitFor([&] { return TextOf(sco).find_first_of("qQ") != std::string::npos; }, kWindowMs))
                << "the keys went into the edit: " << TextOf(sco);
        }
    }
    SendTo(sco, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
}

}  // namespace
