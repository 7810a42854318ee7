// Keyboard routing through real input: TAB order, the default button,
// ESC in a modal form, DEL, the character filters, the lock icon and the
// ignored clicks of locked controls, and the end of subclassed child
// windows.

#include "zwintest.h"

#include "zbars.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>

using zwt::AddControl;
using zwt::Log;
using zwt::SameSequence;
using zwt::TestControl;
using zwt::TestForm;

namespace {

// A key pressed in the focused window as the input queue delivers it: a
// posted WM_KEYDOWN and WM_KEYUP (the pump's TranslateMessage makes the
// character), SHIFT held in the thread's key state. Posted keys reach this
// program's windows whichever program has the foreground of the display.
void Key(WORD vk, bool shift = false)
{
    BYTE state[256] = {};
    GetKeyboardState(state);
    const BYTE saved = state[VK_SHIFT];
    state[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(state);
    HWND focus = GetFocus();
    LPARAM scan = LPARAM(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC)) << 16;
    PostMessageA(focus, WM_KEYDOWN, vk, scan | 1);
    PostMessageA(focus, WM_KEYUP, vk, scan | 1 | 0xC0000000);
    zwt::Pump(150);
    state[VK_SHIFT] = saved;
    SetKeyboardState(state);
}

struct KeysTest : ::testing::Test {
    void SetUp() override
    {
        Log().clear();
        form = new TestForm("Keys");
        form->Show(SW_SHOW);
        SetForegroundWindow(form->hwnd);
        const DWORD tab = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER;
        first = AddControl(*form, "edit", ZT_EDIT, "first", tab, 10);
        disabled = AddControl(*form, "edit", ZT_EDIT, "disabled", tab | WS_DISABLED, 40);
        hidden = AddControl(*form, "edit", ZT_EDIT, "hidden", tab & ~WS_VISIBLE, 70);
        notab = AddControl(*form, "edit", ZT_EDIT, "notab", tab & ~WS_TABSTOP, 100);
        last = AddControl(*form, "edit", ZT_EDIT, "last", tab, 130);
        ok = AddControl(*form, "button", ZT_BUTTON, "ok", tab | BS_DEFPUSHBUTTON, 160);
        form->SetDefaultButton(ok);
        zwt::Pump(100);
    }
    void TearDown() override
    {
        delete form;
        for (TestControl* c : {first, disabled, hidden, notab, last, ok})
            delete c;
    }
    TestForm* form;
    TestControl *first, *disabled, *hidden, *notab, *last, *ok;
};

TEST_F(KeysTest, TabSkipsDisabledHiddenAndNonTabStopWindows)
{
    first->SetFocus();
    ASSERT_EQ(first->hwnd, GetFocus());
    Key(VK_TAB);
    EXPECT_EQ(last->hwnd, GetFocus()) << "TAB from the first edit";
    Key(VK_TAB);
    EXPECT_EQ(ok->hwnd, GetFocus()) << "TAB to the button";
    Key(VK_TAB);
    EXPECT_EQ(first->hwnd, GetFocus()) << "TAB wraps to the first";
    Key(VK_TAB, true);
    EXPECT_EQ(ok->hwnd, GetFocus()) << "Shift+TAB wraps back";
    Key(VK_TAB, true);
    EXPECT_EQ(last->hwnd, GetFocus());
    EXPECT_TRUE(first->chars.empty()) << "the edit never saw the TAB";
}

TEST_F(KeysTest, MoveFocusEndsWhenNoWindowAcceptsIt)
{
    first->Enable(false);
    last->Enable(false);
    ok->Enable(false);
    SetFocus(form->hwnd);
    DWORD start = GetTickCount();
    form->MoveFocus(2);
    form->MoveFocus(3);
    EXPECT_LT(GetTickCount() - start, 2000u);
}

TEST_F(KeysTest, EnterClicksTheDefaultButtonWithoutACharacter)
{
    first->SetFocus();
    Log().clear();
    Key(VK_RETURN);
    // The click takes the focus: the edit's kill-focus event comes first.
    EXPECT_TRUE(SameSequence({"first:Event1", "ok:Event1"}, Log()));
    EXPECT_EQ(std::string::npos, first->chars.find('\r'));
    EXPECT_NE(form->keys.end(), std::find(form->keys.begin(), form->keys.end(), VK_RETURN))
        << "the form's OnKeyDown also sees ENTER";
}

// A locked edit (read-only flag of its object; the window itself would
// delete) gets DEL as no key; an unlocked one deletes.
TEST_F(KeysTest, DeleteInALockedEditChangesNothing)
{
    struct Row {
        const char* name;
        unsigned char readOnly;
        const char* text;
    } rows[] = {{"locked", 1, "abc"}, {"unlocked", 0, "bc"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        first->readOnly = row.readOnly;
        SetWindowTextA(first->hwnd, "abc");
        first->SetFocus();
        SendMessageA(first->hwnd, EM_SETSEL, 0, 0);
        Key(VK_DELETE);
        EXPECT_EQ(std::string(row.text), std::string(first->GetText().c_str()));
    }
    first->readOnly = 0;
}

// DEL clears the selection of an unlocked drop-down list, and the form
// hears it as a changed selection; a locked list keeps its selection.
TEST_F(KeysTest, DeleteClearsAnUnlockedDropDownList)
{
    std::unique_ptr<TestControl> combo(AddControl(
        *form, "combobox", ZT_COMBOBOX, "combo",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 190));
    for (const char* item : {"one", "two", "three"})
        SendMessageA(combo->hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    const struct {
        const char* name;
        unsigned char readOnly;
        LRESULT selection;
        std::vector<std::string> events;
    } rows[] = {{"unlocked", 0, CB_ERR, {"combo:Event5"}}, {"locked", 1, 1, {}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        combo->readOnly = row.readOnly;
        SendMessageA(combo->hwnd, CB_SETCURSEL, 1, 0);
        combo->SetFocus();
        ASSERT_EQ(combo->hwnd, GetFocus());
        Log().clear();
        Key(VK_DELETE);
        EXPECT_EQ(row.selection, SendMessageA(combo->hwnd, CB_GETCURSEL, 0, 0));
        EXPECT_TRUE(SameSequence(row.events, Log()));
    }
}

TEST_F(KeysTest, EnterClosesAnOpenListWithoutPressingTheDefaultButton)
{
    std::unique_ptr<TestControl> combo(AddControl(
        *form, "combobox", ZT_COMBOBOX, "combo",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 190));
    for (const char* item : {"one", "two", "three"})
        SendMessageA(combo->hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    combo->SetFocus();
    SendMessageA(combo->hwnd, CB_SHOWDROPDOWN, TRUE, 0);
    zwt::Pump(100);
    ASSERT_EQ(1, SendMessageA(combo->hwnd, CB_GETDROPPEDSTATE, 0, 0));
    Log().clear();
    Key(VK_RETURN);
    EXPECT_EQ(0, SendMessageA(combo->hwnd, CB_GETDROPPEDSTATE, 0, 0)) << "the list closed";
    EXPECT_EQ(Log().end(), std::find(Log().begin(), Log().end(), "ok:Event1"))
        << "the default button stayed up";
    Key(VK_RETURN);
    EXPECT_NE(Log().end(), std::find(Log().begin(), Log().end(), "ok:Event1"))
        << "with the list closed ENTER presses it";
}

TEST_F(KeysTest, EscapeInAPlainFormReachesItsKeyHandler)
{
    first->SetFocus();
    form->keys.clear();
    Key(VK_ESCAPE);
    EXPECT_TRUE(form->IsLive());
    EXPECT_NE(form->keys.end(), std::find(form->keys.begin(), form->keys.end(), VK_ESCAPE));
}

TEST_F(KeysTest, CharacterFiltersKeepOnlyWhatTheFlagsAllow)
{
    struct Row {
        DWORD flags;
        const char* typed;
        const char* kept;
    } rows[] = {{ZIN_NUMERIC, "1a-,.x9", "1-,.9"}, {ZIN_ALPHA, "a1b-", "ab"},
                {ZIN_HEX, "0fgA", "0fA"}, {ZIN_SWALLOW, "abc", ""}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        SetWindowTextA(first->hwnd, "");
        first->inputFlags = ZIN_CREATED | ZIN_OFFERKEYS;
        first->SetInputFlags(row.flags);
        for (const char* p = row.typed; *p; ++p)
            SendMessageA(first->hwnd, WM_CHAR, WPARAM(BYTE(*p)), 0);
        EXPECT_EQ(std::string(row.kept), std::string(first->GetText().c_str()));
    }
}

// ESC closes a modal form from inside its own loop; the edit that got the
// key must not reach its object or window afterwards.
TestForm* g_modal = nullptr;
TestControl* g_modalEdit = nullptr;

void CALLBACK PressEscape(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    g_modalEdit->SetFocus();
    LPARAM scan = LPARAM(MapVirtualKeyA(VK_ESCAPE, MAPVK_VK_TO_VSC)) << 16;
    PostMessageA(g_modalEdit->hwnd, WM_KEYDOWN, VK_ESCAPE, scan | 1);
    PostMessageA(g_modalEdit->hwnd, WM_KEYUP, VK_ESCAPE, scan | 1 | 0xC0000000);
}

TEST(ModalKeys, EscapeClosesAModalFormSafely)
{
    Log().clear();
    g_modal = new TestForm("Modal", ZK_MODAL);
    SetTimer(nullptr, 0, 100, PressEscape);
    struct Edit : TestForm {
        using TestForm::TestForm;
        void CreateChildren() override
        {
            g_modalEdit = AddControl(*this, "edit", ZT_EDIT, "esc",
                                     WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10);
        }
    };
    delete g_modal;
    g_modal = new Edit("Modal", ZK_MODAL);
    DWORD start = GetTickCount();
    g_modal->Show(SW_SHOW);
    EXPECT_LT(GetTickCount() - start, 5000u);
    EXPECT_FALSE(g_modal->IsLive());
    EXPECT_EQ(nullptr, g_modalEdit->hwnd);
    EXPECT_EQ(0, g_modal->modal);
    delete g_modal;
    delete g_modalEdit;
}

TEST(Subclass, ChildDestructionLeavesTheOwnerObjectAlone)
{
    auto* form = new TestForm("Combo");
    form->Show(SW_SHOW);
    TestControl* combo = AddControl(*form, "combobox", ZT_COMBOBOX, "combo",
                                    WS_CHILD | WS_VISIBLE | CBS_DROPDOWN, 10);
    HWND edit = GetWindow(combo->hwnd, GW_CHILD);
    ASSERT_NE(nullptr, edit);
    EXPECT_EQ(combo, zFindObject(edit)) << "the combo's edit carries the combo's record";
    DestroyWindow(edit);
    EXPECT_TRUE(combo->IsLive());
    EXPECT_EQ(combo, zFindObject(combo->hwnd));
    delete form;
    EXPECT_EQ(nullptr, combo->hwnd);
    delete combo;
}

// A window class that answers WM_RBUTTONUP with a set result and counts
// how often its own procedure saw the message.
int g_rbuttonUps = 0;
LRESULT g_rbuttonAnswer = 0;

LRESULT CALLBACK MouseProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_RBUTTONUP) {
        ++g_rbuttonUps;
        return g_rbuttonAnswer;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class MouseControl : public TestControl {
public:
    MouseControl(unsigned short typeCode) : TestControl("zwtMouse", typeCode, "mouse") {}
    bool OnRButtonUp(WPARAM, int, int) override
    {
        Log().push_back("OnRButtonUp");
        return slot;
    }
    bool slot = true;
};

const char* RegisterOnce(const char* name, WNDPROC proc)
{
    WNDCLASSA wc = {};
    if (!GetClassInfoA(GetModuleHandleA(nullptr), name, &wc)) {
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = name;
        RegisterClassA(&wc);
    }
    return name;
}

TEST(Subclass, RightButtonUpOnGridTypesAsksTheirProcedureFirst)
{
    RegisterOnce("zwtMouse", MouseProc);
    auto form = std::make_unique<TestForm>("Mouse");
    form->Show(SW_SHOW);
    struct Row {
        const char* name;
        unsigned short type;
        LRESULT procedure;
        bool slot;
        int calls;
        bool slotCalled;
    } rows[] = {
        {"type 30, slot goes on", ZT_OWNCLICKS, 0, true, 2, true},
        {"type 30, slot stops", ZT_OWNCLICKS, 0, false, 1, true},
        {"type 30, procedure took it", ZT_OWNCLICKS, 1, true, 1, false},
        {"type 16, slot goes on", ZT_GRID16, 0, true, 2, true},
        {"static, slot goes on", ZT_STATIC, 0, true, 1, true},
        {"static, slot stops", ZT_STATIC, 0, false, 0, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        MouseControl ctl(row.type);
        ctl.parent = form.get();
        ctl.style = WS_CHILD | WS_VISIBLE;
        ctl.Create();
        ASSERT_TRUE(ctl.IsLive());
        ctl.slot = row.slot;
        g_rbuttonAnswer = row.procedure;
        g_rbuttonUps = 0;
        Log().clear();
        SendMessageA(ctl.hwnd, WM_RBUTTONUP, 0, MAKELPARAM(2, 2));
        EXPECT_EQ(row.calls, g_rbuttonUps);
        EXPECT_EQ(row.slotCalled, !Log().empty());
    }
}

// A grid-type window with three columns: names "code", none and "price",
// widths 11, 22 and 33 (the control library's messages 2836, 2856, 2906).
LRESULT CALLBACK ColumnsProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    static const char* const names[] = {"code", "", "price"};
    switch (msg) {
    case 2836:
        return 3;
    case 2856:
        return wParam >= 1 && wParam <= 3 ? reinterpret_cast<LRESULT>(names[wParam - 1]) : 0;
    case 2906:
        return wParam >= 1 && wParam <= 3 ? LRESULT(11 * wParam) : 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

TEST(Subclass, GridColumnWidthsAreSavedWhenTheWindowGoes)
{
    RegisterOnce("zwtColumns", ColumnsProc);
    const char* section = "info_Sheet_grid1_3308301510";
    WritePrivateProfileStringA(section, nullptr, nullptr, zApp().iniPath);
    auto form = std::make_unique<TestForm>("Sheet");
    form->Show(SW_SHOW);
    TestControl grid("zwtColumns", ZT_GRID16, "grid1");
    grid.parent = form.get();
    grid.style = WS_CHILD | WS_VISIBLE;
    grid.Create();
    ASSERT_TRUE(grid.IsLive());
    DestroyWindow(grid.hwnd);
    struct Row {
        const char* key;
        const char* width;
    } rows[] = {{"code", "11"}, {"2", "22"}, {"price", "33"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        char value[32] = {};
        GetPrivateProfileStringA(section, row.key, "", value, sizeof value, zApp().iniPath);
        EXPECT_STREQ(row.width, value);
    }
}

TEST(Subclass, SectionHashSkipsBlanksAndTabs)
{
    struct Row {
        const char* text;
        unsigned long hash;
    } rows[] = {{"info_Sheet_grid1", 3308301510ul},
                {"info_ Sheet\t_grid1", 3308301510ul},
                {"", 0ul},
                {"info_Caff\xE8_g", 2051225718ul}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(row.hash, zTextHash(row.text));
    }
}

// An edit that records the left clicks that reach its object.
class ClickEdit : public TestControl {
public:
    ClickEdit() : TestControl("edit", ZT_EDIT, "edit") {}
    bool OnLButtonDown(WPARAM, int, int) override { return Log().push_back("OnLButtonDown"), true; }
    bool OnLButtonDblClk(WPARAM, int, int) override { return Log().push_back("OnLButtonDblClk"), true; }
};

// While a control has the focus its form's status bar shows "_LOCKED_" or
// "_PENCIL_"; a locked control ignores left clicks and double clicks.
TEST(Lock, StatusBarIconAndClicksFollowTheLock)
{
    auto form = std::make_unique<TestForm>("Lock");
    form->statusBarShown = 1;
    form->Show(SW_SHOW);
    SetForegroundWindow(form->hwnd);
    ASSERT_TRUE(form->statusBar && form->statusBar->IsLive());
    const struct {
        const char* name;
        unsigned char readOnly;
        const char* icon;
        std::vector<std::string> clicks;
    } rows[] = {{"locked", 1, "_LOCKED_", {}},
                {"editable", 0, "_PENCIL_", {"OnLButtonDown", "OnLButtonDblClk"}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ClickEdit edit;
        edit.parent = form.get();
        edit.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
        edit.left = 10, edit.top = 10, edit.width = 120, edit.height = 22;
        edit.readOnly = row.readOnly;
        edit.Create();
        edit.SetFocus();
        ASSERT_EQ(edit.hwnd, GetFocus());
        auto expected = static_cast<HICON>(
            LoadImageA(zApp().instance, row.icon, IMAGE_ICON, 16, 16, LR_SHARED));
        ASSERT_NE(nullptr, expected);
        EXPECT_EQ(expected, reinterpret_cast<HICON>(
                                SendMessageA(form->statusBar->hwnd, SB_GETICON, 0, 0)));
        Log().clear();
        for (UINT msg : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
            SendMessageA(edit.hwnd, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(60, 8));
        EXPECT_TRUE(SameSequence(row.clicks, Log()));
    }
}

}  // namespace
