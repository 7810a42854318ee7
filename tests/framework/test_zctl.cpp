// Controls over the common window classes: type codes, event slots reached
// by real notifications, combo item values, IP address, marquee progress,
// picture and editor controls.

#include "zwintest.h"

#include "zbars.h"
#include "zcontrols.h"

#include <memory>

using zwt::Log;
using zwt::Pump;
using zwt::PumpUntil;
using zwt::TestForm;

namespace {

void Rec(const zWindow* w, const char* what)
{
    Log().push_back(std::string(w->name.c_str()) + ":" + what);
}

struct REdit : zEdit {
    void OnKillFocus() override { Rec(this, "OnKillFocus"); }
    void OnGotFocus() override { Rec(this, "OnGotFocus"); }
    void OnUpdate() override { Rec(this, "OnUpdate"); }
    void OnChange() override { Rec(this, "OnChange"); }
    void OnKeyDown(WPARAM* key, LPARAM) override { keys.push_back(int(*key)); }
    std::vector<int> keys;
};
struct RStatic : zStatic {
    void OnClick() override { Rec(this, "OnClick"); }
    void OnDblClick() override { Rec(this, "OnDblClick"); }
};
struct RButton : zButton {
    void OnClick() override { Rec(this, "OnClick"); }
};
struct RCombo : zComboBox {
    void OnEditChange() override { Rec(this, "OnEditChange"); }
    void OnEditUpdate() override { Rec(this, "OnEditUpdate"); }
    void OnSelChange() override { Rec(this, "OnSelChange"); }
    void OnSetFocus() override { Rec(this, "OnSetFocus"); }
    void OnKillFocus() override { Rec(this, "OnKillFocus"); }
    void AfterCreate() override { Rec(this, "AfterCreate"); }
};

void Place(zForm& form, zWindow* ctl, const char* name, DWORD style, int y, int h = 24)
{
    ctl->name = name;
    ctl->parent = &form;
    ctl->style |= style;
    ctl->left = 10, ctl->top = y, ctl->width = 160, ctl->height = h;
    ctl->Create();
}

size_t Count(const char* line)
{
    size_t n = 0;
    for (const auto& l : Log())
        n += l == line;
    return n;
}

struct ControlsTest : ::testing::Test {
    void SetUp() override
    {
        Log().clear();
        form = std::make_unique<TestForm>("Ctl");
        form->height = 400;
        form->Show(SW_SHOW);
        ASSERT_TRUE(form->IsLive());
        Log().clear();
    }
    std::unique_ptr<TestForm> form;
};

TEST_F(ControlsTest, EachControlHasItsClassAndTypeCode)
{
    struct Row {
        zWindow* ctl;
        const char* cls;
        unsigned short type;
    };
    zEdit e;
    zStatic s;
    zButton b;
    zComboBox c;
    zIPAddress ip;
    zProgressBar pb;
    zPicture pic;
    zScintilla sci;
    const Row rows[] = {{&e, "edit", 3},           {&s, "static", 2},
                        {&b, "button", 4},         {&c, "combobox", 8},
                        {&ip, "SysIPAddress32", 24}, {&pb, "msctls_progress32", 17},
                        {&pic, "zpicture", 10},    {&sci, "scintilla", 33}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.cls);
        EXPECT_STREQ(r.cls, r.ctl->className.c_str());
        EXPECT_EQ(r.type, r.ctl->type);
    }
    EXPECT_EQ(DWORD(ES_AUTOVSCROLL | ES_AUTOHSCROLL), e.style & 0xC0);
    // The common classes make real windows of their class.
    int y = 10;
    for (const Row& r : rows) {
        if (r.type == 10 || r.type == 33)
            continue;
        SCOPED_TRACE(r.cls);
        Place(*form, r.ctl, r.cls, WS_VISIBLE, y += 30);
        ASSERT_TRUE(r.ctl->IsLive());
        char cls[64] = {};
        GetClassNameA(r.ctl->hwnd, cls, sizeof cls);
        EXPECT_EQ(0, lstrcmpiA(r.cls, cls));
        EXPECT_EQ(r.ctl, zFindObject(r.ctl->hwnd));
    }
}

TEST_F(ControlsTest, EditEventsComeFromRealNotifications)
{
    REdit e;
    Place(*form, &e, "e", WS_VISIBLE | WS_BORDER, 10);
    zButton other;
    Place(*form, &other, "other", WS_VISIBLE, 50);
    ASSERT_TRUE(e.IsLive());
    e.SetFocus();
    Pump(50);
    EXPECT_EQ(1u, Count("e:OnGotFocus"));
    SendMessageA(e.hwnd, WM_CHAR, 'x', 1);
    Pump(50);
    EXPECT_EQ(1u, Count("e:OnUpdate"));
    EXPECT_EQ(1u, Count("e:OnChange"));
    other.SetFocus();
    Pump(50);
    EXPECT_EQ(1u, Count("e:OnKillFocus"));
    EXPECT_EQ("x", std::string(e.GetText().c_str()));
}

TEST_F(ControlsTest, EditLimitsAndReadOnly)
{
    zEdit unlimited, limited;
    Place(*form, &unlimited, "u", WS_VISIBLE, 10);
    limited.maxLength = 5;
    limited.readOnly = 1;
    Place(*form, &limited, "l", WS_VISIBLE, 40);
    // Maximum length 0 sets no limit: the edit keeps the class default.
    HWND plain = CreateWindowExA(0, "edit", "", WS_CHILD, 0, 0, 10, 10, form->hwnd, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    EXPECT_EQ(SendMessageA(plain, EM_GETLIMITTEXT, 0, 0),
              SendMessageA(unlimited.hwnd, EM_GETLIMITTEXT, 0, 0));
    DestroyWindow(plain);
    EXPECT_EQ(5, SendMessageA(limited.hwnd, EM_GETLIMITTEXT, 0, 0));
    EXPECT_TRUE(GetWindowLongA(limited.hwnd, GWL_STYLE) & ES_READONLY);
    limited.SetReadOnly(false);
    EXPECT_FALSE(GetWindowLongA(limited.hwnd, GWL_STYLE) & ES_READONLY);
    limited.SetMaxLength(8);
    EXPECT_EQ(8, SendMessageA(limited.hwnd, EM_GETLIMITTEXT, 0, 0));
}

TEST_F(ControlsTest, EditDropButtonGivesFocusAndDownKey)
{
    REdit e;
    e.dropButton = 1;
    Place(*form, &e, "drop", WS_VISIBLE | WS_BORDER, 10, 26);
    ASSERT_TRUE(e.IsLive());
    HWND button = e.DropButtonWindow();
    ASSERT_TRUE(button != nullptr);
    EXPECT_EQ(e.hwnd, GetParent(button));
    RECT r;
    GetWindowRect(button, &r);
    MapWindowPoints(nullptr, e.hwnd, reinterpret_cast<POINT*>(&r), 2);
    RECT client;
    ::GetClientRect(e.hwnd, &client);
    EXPECT_EQ(20, r.right - r.left);
    EXPECT_EQ(22, HIWORD(SendMessageA(e.hwnd, EM_GETMARGINS, 0, 0)));
    SendMessageA(button, BM_CLICK, 0, 0);
    Pump(50);
    EXPECT_EQ(e.hwnd, GetFocus());
    EXPECT_NE(e.keys.end(), std::find(e.keys.begin(), e.keys.end(), VK_DOWN));
}

TEST_F(ControlsTest, StaticAndButtonClicks)
{
    RStatic s;
    s.caption = "label";
    Place(*form, &s, "s", WS_VISIBLE | SS_NOTIFY, 10);
    RButton b;
    b.caption = "Push";
    Place(*form, &b, "b", WS_VISIBLE | BS_PUSHBUTTON, 50);
    SendMessageA(s.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageA(s.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    Pump(50);
    EXPECT_EQ(1u, Count("s:OnClick"));
    SendMessageA(b.hwnd, BM_CLICK, 0, 0);
    Pump(50);
    EXPECT_EQ(1u, Count("b:OnClick"));
    EXPECT_EQ(0u, Count("s:OnDblClick"));
}

TEST_F(ControlsTest, ButtonCheckStateAndDefaultButton)
{
    RButton check;
    check.checkState = 5;  // any non-zero state is checked
    Place(*form, &check, "chk", WS_VISIBLE | BS_CHECKBOX, 10);
    EXPECT_EQ(1, check.checkState);
    EXPECT_TRUE(check.IsChecked());
    check.SetCheck(BST_UNCHECKED);
    EXPECT_FALSE(check.IsChecked());
    // Click stores 1 before the click, whatever the click does after.
    RButton autoBox;
    autoBox.checkState = 1;
    Place(*form, &autoBox, "auto", WS_VISIBLE | BS_AUTOCHECKBOX, 40);
    autoBox.Click();
    Pump(50);
    EXPECT_EQ(1, autoBox.checkState);
    EXPECT_FALSE(autoBox.IsChecked());
    EXPECT_EQ(1u, Count("auto:OnClick"));

    RButton ok;
    Place(*form, &ok, "ok", WS_VISIBLE | BS_DEFPUSHBUTTON, 70);
    EXPECT_EQ(&ok, form->defaultButton);
    zButton plain;
    EXPECT_FALSE(plain.IsChecked());
    // ENTER in another control clicks the default button.
    REdit e;
    Place(*form, &e, "ent", WS_VISIBLE, 100);
    Log().clear();
    SendMessageA(e.hwnd, WM_KEYDOWN, VK_RETURN, 1);
    Pump(50);
    EXPECT_EQ(1u, Count("ok:OnClick"));
}

TEST_F(ControlsTest, ComboItemValuesAndSelection)
{
    RCombo c;
    Place(*form, &c, "c", WS_VISIBLE | CBS_DROPDOWNLIST, 10, 120);
    ASSERT_TRUE(c.IsLive());
    EXPECT_EQ(1u, Count("c:AfterCreate"));
    EXPECT_TRUE(SendMessageA(c.hwnd, CB_GETEXTENDEDUI, 0, 0));
    EXPECT_EQ(DWORD(WS_VSCROLL | CBS_AUTOHSCROLL), c.style & (WS_VSCROLL | CBS_AUTOHSCROLL));
    EXPECT_EQ(0, c.AddString("alpha", 10));
    EXPECT_EQ(1, c.AddString("bravo", 20));
    EXPECT_EQ(2, c.AddString("charlie"));
    EXPECT_EQ(3, c.AddString("delta", -7));
    struct Row {
        int index;
        LONG value;
    };
    const Row rows[] = {{0, 10}, {1, 20}, {2, 0}, {3, -7}, {-1, -1}, {4, -1}, {99, -1}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.index);
        EXPECT_EQ(r.value, c.GetItemValue(r.index));
    }
    EXPECT_EQ(1, c.SelectByValue(20));
    EXPECT_EQ(1, c.GetCurSel());
    c.SelectByValue(12345);
    EXPECT_EQ(-1, c.GetCurSel());
    EXPECT_EQ(-1, c.SetItemValue(4, 1));
    EXPECT_NE(-1, c.SetItemValue(2, 33));  // a record for an item without one
    EXPECT_EQ(33, c.GetItemValue(2));
    EXPECT_NE(-1, c.SetItemValue(0, 11));  // the record is reused
    EXPECT_EQ(11, c.GetItemValue(0));
    EXPECT_EQ(3, c.DeleteItem(0));
    EXPECT_EQ(20, c.GetItemValue(0));
    EXPECT_EQ(-1, c.DeleteItem(3));

    // A typed character moves the selection: a real CBN_SELCHANGE.
    Log().clear();
    c.SetFocus();
    SendMessageA(c.hwnd, WM_CHAR, 'd', 1);
    Pump(50);
    EXPECT_EQ(1u, Count("c:OnSelChange"));
    EXPECT_EQ(-7, c.GetItemValue(c.GetCurSel()));
    EXPECT_EQ(1u, Count("c:OnSetFocus"));
    c.Clear();
    EXPECT_EQ(0, c.Count());
    c.SetMaxLength(4);
    EXPECT_EQ(4, c.maxLength);
    zComboBox dead;
    EXPECT_EQ(-1, dead.GetCurSel());
    EXPECT_EQ(-1, dead.GetItemValue(0));
}

// A combo box's text is its selected item, whatever its edit part shows;
// without a selection it is the window text.
TEST_F(ControlsTest, ComboTextIsTheSelectedItem)
{
    zComboBox c;
    Place(*form, &c, "sel", WS_VISIBLE | CBS_DROPDOWN, 10, 120);
    c.AddString("alpha");
    c.AddString("bravo");
    HWND edit = GetWindow(c.hwnd, GW_CHILD);
    ASSERT_NE(nullptr, edit);
    struct Row {
        const char* name;
        int selection;
        const char* text;
    } rows[] = {{"item selected", 1, "bravo"}, {"nothing selected", -1, "typed"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        c.SetCurSel(row.selection);
        SetWindowTextA(edit, "typed");
        EXPECT_EQ(std::string(row.text), std::string(c.GetText().c_str()));
        EXPECT_FALSE(c.IsTextBlank());
    }
}

TEST_F(ControlsTest, ComboEditEvents)
{
    RCombo c;
    Place(*form, &c, "ce", WS_VISIBLE | CBS_DROPDOWN, 10, 120);
    HWND edit = GetWindow(c.hwnd, GW_CHILD);
    ASSERT_TRUE(edit != nullptr);
    SendMessageA(edit, WM_CHAR, 'q', 1);
    Pump(50);
    EXPECT_EQ(1u, Count("ce:OnEditUpdate"));
    EXPECT_EQ(1u, Count("ce:OnEditChange"));
}

TEST_F(ControlsTest, IpAddressSetAndRead)
{
    zIPAddress ip;
    Place(*form, &ip, "ip", WS_VISIBLE, 10);
    ASSERT_TRUE(ip.IsLive());
    EXPECT_TRUE(ip.IsBlank());
    struct Row {
        const char* text;
        bool ok;
        LPARAM address;
    };
    const Row rows[] = {{"192.168.0.20", true, MAKEIPADDRESS(192, 168, 0, 20)},
                        {"10.0.0.1", true, MAKEIPADDRESS(10, 0, 0, 1)},
                        {"300.1.1.1", false, MAKEIPADDRESS(10, 0, 0, 1)},
                        {"1.2.3", false, MAKEIPADDRESS(10, 0, 0, 1)},
                        {"1.2.3.4x", false, MAKEIPADDRESS(10, 0, 0, 1)}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(r.ok, ip.SetAddressText(r.text));
        EXPECT_EQ(DWORD(r.address), ip.GetAddress());
    }
    EXPECT_FALSE(ip.IsBlank());
    EXPECT_EQ("10.0.0.1", std::string(ip.GetText().c_str()));
}

TEST_F(ControlsTest, ProgressMarqueeOnAndOff)
{
    zProgressBar pb;
    Place(*form, &pb, "pb", WS_VISIBLE, 10, 18);
    ASSERT_TRUE(pb.IsLive());
    pb.SetMarquee(true);
    EXPECT_TRUE(GetWindowLongA(pb.hwnd, GWL_STYLE) & PBS_MARQUEE);
    EXPECT_TRUE(pb.style & PBS_MARQUEE);
    pb.SetMarquee(false);
    EXPECT_FALSE(GetWindowLongA(pb.hwnd, GWL_STYLE) & PBS_MARQUEE);
    EXPECT_FALSE(pb.style & PBS_MARQUEE);
}

// The control library registers "zpicture" when it is loaded: the picture
// is a live window of the library's own procedure. Without the class there
// is no window and no crash (the class is taken away for that row, then put
// back as it was).
TEST_F(ControlsTest, PictureWithOrWithoutItsClass)
{
    HMODULE corvex = LoadLibraryA("Corvex.dll");
    ASSERT_NE(nullptr, corvex);
    auto procedure = reinterpret_cast<WNDPROC>(
        reinterpret_cast<void*>(GetProcAddress(corvex, "_Z15zPictureWndProcP6HWND__jjl")));
    ASSERT_NE(nullptr, procedure);
    WNDCLASSA cls = {};
    ASSERT_TRUE(GetClassInfoA(corvex, "zpicture", &cls));
    for (bool withClass : {true, false}) {
        SCOPED_TRACE(withClass ? "with its class" : "without its class");
        if (!withClass) {
            ASSERT_TRUE(UnregisterClassA("zpicture", corvex));
        }
        zPicture pic;
        pic.option1 = 1;
        Place(*form, &pic, withClass ? "pic" : "nopic", WS_VISIBLE, 10, 40);
        EXPECT_EQ(withClass, pic.IsLive());
        if (withClass) {
            EXPECT_EQ(procedure, reinterpret_cast<WNDPROC>(GetClassLongPtrA(pic.hwnd, GCLP_WNDPROC)));
        }
    }
    cls.lpszClassName = "zpicture";
    EXPECT_NE(0, RegisterClassA(&cls));
    EXPECT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "zpicture", &cls)) << "global again";
    FreeLibrary(corvex);
}

TEST_F(ControlsTest, ScintillaEditorChangeEvent)
{
    struct RSci : zScintilla {
        void OnChange() override { Rec(this, "OnChange"); }
    } sci;
    WNDCLASSA wc;
    ASSERT_TRUE(GetClassInfoA(nullptr, "scintilla", &wc) ||
                GetClassInfoA(GetModuleHandleA("SCILEXER.DLL"), "scintilla", &wc))
        << "the set-up puts SCILEXER.DLL beside the program";
    sci.font.face = "Courier New";
    sci.font.pointSize = 10;
    Place(*form, &sci, "sci", WS_VISIBLE, 10, 100);
    ASSERT_TRUE(sci.IsLive());
    EXPECT_NE(9, SendMessageA(sci.hwnd, 4002, 0, 0));  // no properties lexer yet
    SendMessageA(sci.hwnd, 2001, 3, reinterpret_cast<LPARAM>("abc"));  // SCI_ADDTEXT
    Pump(50);
    EXPECT_LE(1u, Count("sci:OnChange"));
    char buf[8] = {};
    SendMessageA(sci.hwnd, 2182, sizeof buf, reinterpret_cast<LPARAM>(buf));  // SCI_GETTEXT
    EXPECT_STREQ("abc", buf);
    char face[64] = {};
    SendMessageA(sci.hwnd, 2486, 32, reinterpret_cast<LPARAM>(face));  // SCI_STYLEGETFONT
    EXPECT_STREQ("Courier New", face);
}

// The window's own icon reaches each kind of window by its own message:
// forms WM_SETICON, buttons BM_SETIMAGE, statics STM_SETIMAGE, status bars
// SB_SETICON on part 0.
TEST(WindowIconTest, EachKindOfWindowShowsItsIconByItsMessage)
{
    TestForm form("Icons");
    form.statusBarShown = 1;
    form.icon.name = "TRAYICON";
    form.Show(SW_SHOW);
    ASSERT_TRUE(form.IsLive());
    ASSERT_TRUE(form.statusBar && form.statusBar->IsLive());
    RButton button;
    button.icon.name = "TRAYICON";
    Place(form, &button, "button", WS_VISIBLE | BS_ICON, 10);
    RStatic picture;
    picture.icon.name = "TRAYICON";
    Place(form, &picture, "static", WS_VISIBLE | SS_ICON, 50);
    form.statusBar->icon.SetIconByName("TRAYICON", 1);
    form.statusBar->ApplyIcon();

    const struct {
        const char* name;
        zWindow* window;
        UINT message;
        WPARAM wParam;
    } rows[] = {
        {"form, small icon", &form, WM_GETICON, ICON_SMALL},
        {"form, big icon", &form, WM_GETICON, ICON_BIG},
        {"button", &button, BM_GETIMAGE, IMAGE_ICON},
        {"static", &picture, STM_GETIMAGE, IMAGE_ICON},
        {"status bar, part 0", form.statusBar, SB_GETICON, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        HICON expected = row.window->icon.Handle();
        ASSERT_TRUE(expected != nullptr);
        LRESULT shown = SendMessageA(row.window->hwnd, row.message, row.wParam, 0);
        EXPECT_EQ(reinterpret_cast<LRESULT>(expected), shown);
    }
    form.Close();
}

}  // namespace
