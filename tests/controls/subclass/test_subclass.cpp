// zCtlSubclass and zCommonWndProc of the real Corvex.dll over real edit and
// combo boxes: filters, read-only, offers to the parent with its -1 and -2
// replies, relayed commands, mouse offers and the end of the window.

#include "ctlhost.h"

#include "corvex.h"

#include <string>

using ctlhost::TheHost;

namespace {

constexpr UINT kOfferKey = 0x0979, kOfferChar = 0x097A;

// What the control's own procedure (the one zCtlSubclass replaces) sees.
struct Seen {
    UINT msg;
    WPARAM wParam;
};
std::vector<Seen> g_seen;
bool g_restoredBeforeNcDestroy = false;
bool g_propsGoneBeforeNcDestroy = false;

LRESULT CALLBACK Recorder(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto original = reinterpret_cast<WNDPROC>(GetPropA(hwnd, "TESTWP"));
    if (msg == WM_CHAR || msg == WM_KEYDOWN || msg == WM_LBUTTONDOWN)
        g_seen.push_back({msg, wParam});
    if (msg == WM_NCDESTROY) {
        g_restoredBeforeNcDestroy =
            GetWindowLongPtrA(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(Recorder);
        g_propsGoneBeforeNcDestroy = !GetPropA(hwnd, "CTLWP") && !GetPropA(hwnd, "CTLSTYLE");
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropA(hwnd, "TESTWP");
    }
    return CallWindowProcA(original, hwnd, msg, wParam, lParam);
}

HWND RecordedEdit()
{
    HWND edit = ctlhost::Child("edit", 10, 10, 200, 24, WS_BORDER | ES_AUTOHSCROLL);
    LONG_PTR original = SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Recorder));
    SetPropA(edit, "TESTWP", reinterpret_cast<HANDLE>(original));
    return edit;
}

std::string TextOf(HWND window)
{
    char buf[256] = {};
    GetWindowTextA(window, buf, sizeof buf);
    return buf;
}

LONG Bits(HWND window)
{
    return LONG(reinterpret_cast<LONG_PTR>(GetPropA(window, "CTLSTYLE")));
}

void Type(HWND window, const std::string& chars)
{
    for (char c : chars)
        SendMessageA(window, WM_CHAR, WPARAM(static_cast<unsigned char>(c)), 1);
}

struct SubclassTest : ::testing::Test {
    void SetUp() override
    {
        g_seen.clear();
        ctlhost::CreateHost(400, 240);
    }
    void TearDown() override { ctlhost::DestroyHost(); }
};

TEST_F(SubclassTest, CharacterFilters)
{
    struct Row {
        const char* name;
        long bits;
        const char* typed;
        const char* kept;
    } rows[] = {
        {"numeric", 0x002, "1a,-.x9", "1,-.9"},
        {"letters", 0x020, "ab1-Z", "abZ"},
        {"hexadecimal", 0x080, "0fGgA9", "0fA9"},
        {"letters and digits", 0x200, "a1-.B", "a1B"},
        {"letters and hex", 0x020 | 0x080, "aFgz1", "aF"},
        {"read-only", 0x004, "abc12", ""},
        {"no filter", 0x000, "a-1", "a-1"},
        {"tab as spaces", 0x100, "a\tb", "a    b"},
        {"numeric tab", 0x102, "1\t", "1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        HWND edit = RecordedEdit();
        EXPECT_EQ(1, zCtlSubclass(edit, row.bits, 0));
        Type(edit, row.typed);
        EXPECT_EQ(row.kept, TextOf(edit));
        DestroyWindow(edit);
    }
}

TEST_F(SubclassTest, BackspacePassesUnlessReadOnly)
{
    struct Row {
        long bits;
        const char* left;
    } rows[] = {{0x002, "1"}, {0x020 | 0x080 | 0x200, "1"}, {0x004, "12"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.bits);
        HWND edit = RecordedEdit();
        SetWindowTextA(edit, "12");
        SendMessageA(edit, EM_SETSEL, 2, 2);
        zCtlSubclass(edit, row.bits, 0);
        g_seen.clear();
        Type(edit, "\b");
        EXPECT_EQ(row.left, TextOf(edit));
        ASSERT_EQ(1u, g_seen.size()) << "the character still reaches the control";
        EXPECT_EQ(row.bits & 0x004 ? 0u : 8u, g_seen[0].wParam);
        DestroyWindow(edit);
    }
}

TEST_F(SubclassTest, ReadOnlyTurnsDeleteIntoNothing)
{
    HWND edit = RecordedEdit();
    SetWindowTextA(edit, "abc");
    SendMessageA(edit, EM_SETSEL, 0, 0);
    zCtlSubclass(edit, 0x004, 0);
    g_seen.clear();
    SendMessageA(edit, WM_KEYDOWN, VK_DELETE, 1);
    SendMessageA(edit, WM_KEYDOWN, VK_RIGHT, 1);
    EXPECT_EQ("abc", TextOf(edit));
    ASSERT_EQ(2u, g_seen.size());
    EXPECT_EQ(0u, g_seen[0].wParam) << "Delete reaches the control as key 0";
    EXPECT_EQ(WPARAM(VK_RIGHT), g_seen[1].wParam) << "other keys pass";
}

TEST_F(SubclassTest, OffersHonourTheParentsReply)
{
    struct Row {
        const char* name;
        LRESULT reply;
        bool typed;
    } rows[] = {{"-1 lets the control have it", -1, true},
                {"-2 swallows it", -2, false},
                {"0 lets the control have it", 0, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        HWND edit = RecordedEdit();
        SetWindowTextA(edit, "xy");
        SendMessageA(edit, EM_SETSEL, 0, 0);
        zCtlSubclass(edit, 0x001, 0);
        TheHost().got.clear();
        TheHost().keyReply = TheHost().charReply = row.reply;
        Type(edit, "q");
        SendMessageA(edit, WM_KEYDOWN, VK_DELETE, 1);
        EXPECT_EQ(row.typed ? "qy" : "xy", TextOf(edit));
        const ctlhost::Received* ch = TheHost().Last(kOfferChar);
        const ctlhost::Received* key = TheHost().Last(kOfferKey);
        ASSERT_NE(nullptr, ch);
        ASSERT_NE(nullptr, key);
        EXPECT_EQ(WPARAM('q'), ch->wParam);
        EXPECT_EQ(reinterpret_cast<LPARAM>(edit), ch->lParam);
        EXPECT_EQ(WPARAM(VK_DELETE), key->wParam);
        EXPECT_EQ(reinterpret_cast<LPARAM>(edit), key->lParam);
        DestroyWindow(edit);
    }
}

TEST_F(SubclassTest, RealKeyboardInputIsOffered)
{
    HWND edit = RecordedEdit();
    zCtlSubclass(edit, 0x001, 0);
    SetFocus(edit);
    TheHost().charReply = -1;
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = 'K';
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
    ASSERT_TRUE(ctlhost::PumpUntil([&] { return TextOf(edit) == "k"; }));
    EXPECT_EQ(1u, TheHost().Count(kOfferKey, 'K'));
    EXPECT_EQ(1u, TheHost().Count(kOfferChar, 'k'));
    TheHost().charReply = -2;
    SendInput(2, in, sizeof(INPUT));
    ASSERT_TRUE(ctlhost::PumpUntil([] { return TheHost().Count(kOfferChar, 'k') == 2; }));
    ctlhost::Pump(50);
    EXPECT_EQ("k", TextOf(edit)) << "the swallowed character never arrives";
}

TEST_F(SubclassTest, EnterAndDownStayWithTheControlWhenAsked)
{
    for (long bits : {0x001L, 0x401L}) {
        SCOPED_TRACE(bits);
        HWND edit = RecordedEdit();
        zCtlSubclass(edit, bits, 0);
        TheHost().got.clear();
        g_seen.clear();
        for (WPARAM key : {WPARAM(VK_RETURN), WPARAM(VK_DOWN), WPARAM(VK_UP), WPARAM(VK_F2)})
            SendMessageA(edit, WM_KEYDOWN, key, 1);
        size_t offered = bits & 0x400 ? 0u : 1u;
        EXPECT_EQ(offered, TheHost().Count(kOfferKey, VK_RETURN));
        EXPECT_EQ(offered, TheHost().Count(kOfferKey, VK_DOWN));
        EXPECT_EQ(1u, TheHost().Count(kOfferKey, VK_UP));
        EXPECT_EQ(1u, TheHost().Count(kOfferKey, VK_F2));
        EXPECT_EQ(4u, g_seen.size()) << "every key reaches the control";
        DestroyWindow(edit);
    }
}

TEST_F(SubclassTest, ModesCombineReplaceAndSubclassOnce)
{
    HWND edit = RecordedEdit();
    zCtlSubclass(edit, 0x002, 0);
    zCtlSubclass(edit, 0x004, 0);
    EXPECT_EQ(0x006, Bits(edit)) << "mode 0 adds";
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(zCommonWndProc), GetWindowLongPtrA(edit, GWLP_WNDPROC));
    EXPECT_EQ(reinterpret_cast<HANDLE>(Recorder), GetPropA(edit, "CTLWP")) << "installed once";
    zCtlSubclass(edit, 0x00C, 1);
    EXPECT_EQ(0x004, Bits(edit)) << "mode 1 keeps the common bits";
    zCtlSubclass(edit, 0x020, 7);
    EXPECT_EQ(0x020, Bits(edit)) << "other modes replace";
    zCtlSubclass(edit, 0, 1);
    EXPECT_EQ(0, Bits(edit));
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(zCommonWndProc), GetWindowLongPtrA(edit, GWLP_WNDPROC));
    Type(edit, "a1");
    EXPECT_EQ("a1", TextOf(edit)) << "subclassed with no behaviour";
}

TEST_F(SubclassTest, ComboChildrenAreSubclassedAndOfferThroughTheCombo)
{
    HWND combo = ctlhost::Child("combobox", 10, 10, 200, 120, CBS_DROPDOWN);
    HWND inner = GetWindow(combo, GW_CHILD);
    ASSERT_NE(nullptr, inner);
    zCtlSubclass(combo, 0x001 | 0x002, 0);
    EXPECT_EQ(0x003, Bits(inner));
    EXPECT_NE(nullptr, GetPropA(inner, "CTLWP"));
    TheHost().charReply = -1;
    Type(inner, "7x");
    EXPECT_EQ("7", TextOf(combo));
    const ctlhost::Received* offer = TheHost().Last(kOfferChar);
    ASSERT_NE(nullptr, offer);
    EXPECT_EQ(reinterpret_cast<LPARAM>(combo), offer->lParam) << "relayed as the combo's own";
    TheHost().charReply = -2;
    Type(inner, "8");
    EXPECT_EQ("7", TextOf(combo)) << "the host's -2 comes back through the combo";

    zCtlSubclass(combo, 0x002, 2);
    EXPECT_EQ(-1, SendMessageA(combo, kOfferKey, 'A', reinterpret_cast<LPARAM>(inner)))
        << "a combo that does not offer lets its child keep the key";
    EXPECT_EQ(0x003, Bits(inner)) << "children are not visited again";
}

TEST_F(SubclassTest, CommandsAndMouseGoToTheParentFirst)
{
    HWND edit = RecordedEdit();
    zCtlSubclass(edit, 0x008 | 0x040, 0);
    TheHost().got.clear();
    SendMessageA(edit, WM_COMMAND, MAKEWPARAM(42, 7), 1234);
    const ctlhost::Received* cmd = TheHost().Last(WM_COMMAND);
    ASSERT_NE(nullptr, cmd);
    EXPECT_EQ(WPARAM(MAKEWPARAM(42, 7)), cmd->wParam);
    EXPECT_EQ(1234, cmd->lParam);

    g_seen.clear();
    TheHost().mouseReply = -2;
    SendMessageA(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 6));
    const ctlhost::Received* click = TheHost().Last(WM_LBUTTONDOWN);
    ASSERT_NE(nullptr, click);
    EXPECT_EQ(MAKELPARAM(5, 6), click->lParam) << "in the control's coordinates";
    EXPECT_TRUE(g_seen.empty()) << "the control never saw the click";
    TheHost().mouseReply = 0;
    SendMessageA(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 6));
    EXPECT_EQ(1u, g_seen.size());
    SendMessageA(edit, WM_LBUTTONUP, 0, MAKELPARAM(5, 6));
}

TEST_F(SubclassTest, DestroyRestoresTheOldProcedureFirst)
{
    HWND edit = RecordedEdit();
    zCtlSubclass(edit, 0x001, 0);
    g_restoredBeforeNcDestroy = g_propsGoneBeforeNcDestroy = false;
    DestroyWindow(edit);
    EXPECT_TRUE(g_restoredBeforeNcDestroy);
    EXPECT_TRUE(g_propsGoneBeforeNcDestroy);
}

// A host that ends the control while it answers an offer.
LRESULT CALLBACK ClosingHost(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == 0x0979 || msg == 0x097A) {
        DestroyWindow(reinterpret_cast<HWND>(lParam));
        return -1;
    }
    auto old = reinterpret_cast<WNDPROC>(GetPropA(hwnd, "OLDHOST"));
    return CallWindowProcA(old, hwnd, msg, wParam, lParam);
}

TEST_F(SubclassTest, ParentClosingTheControlOnAnOfferIsSafe)
{
    HWND host = TheHost().hwnd;
    SetPropA(host, "OLDHOST", reinterpret_cast<HANDLE>(GetWindowLongPtrA(host, GWLP_WNDPROC)));
    SetWindowLongPtrA(host, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ClosingHost));
    for (UINT msg : {UINT(WM_CHAR), UINT(WM_KEYDOWN)}) {
        SCOPED_TRACE(msg);
        HWND edit = RecordedEdit();
        zCtlSubclass(edit, 0x001, 0);
        g_seen.clear();
        EXPECT_EQ(0, SendMessageA(edit, msg, 'A', 1));
        EXPECT_FALSE(IsWindow(edit));
        EXPECT_TRUE(g_seen.empty()) << "nothing reached the ended control";
    }
    SetWindowLongPtrA(host, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GetPropA(host, "OLDHOST")));
    RemovePropA(host, "OLDHOST");
}

}  // namespace
