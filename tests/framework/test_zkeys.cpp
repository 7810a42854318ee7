// Keyboard routing through real input: TAB order, the default button,
// ESC in a modal form, the character filters, and the end of subclassed
// child windows.

#include "zwintest.h"

using zwt::AddControl;
using zwt::Log;
using zwt::SameSequence;
using zwt::TestControl;
using zwt::TestForm;

namespace {

void Key(WORD vk, bool shift = false)
{
    std::vector<INPUT> in;
    auto add = [&](WORD k, bool up) {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = k;
        i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        in.push_back(i);
    };
    if (shift)
        add(VK_SHIFT, false);
    add(vk, false);
    add(vk, true);
    if (shift)
        add(VK_SHIFT, true);
    SendInput(UINT(in.size()), in.data(), sizeof(INPUT));
    zwt::Pump(150);
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
    SetForegroundWindow(g_modal->hwnd);
    g_modalEdit->SetFocus();
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = VK_ESCAPE;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
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

}  // namespace
