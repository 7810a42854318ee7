// Menus from resources (popup numbering, items enabled and grayed, clicks
// through a real menu), popup menus opened from the tray message, and the
// notification-area icon.

#include "zwintest.h"

#include "zbars.h"
#include "zicon.h"
#include "zmenu.h"

#include <atomic>
#include <memory>
#include <thread>

using zwt::Log;
using zwt::Pump;
using zwt::PumpUntil;
using zwt::TestForm;

namespace {

// MENU1: File(1) {Open 101, Gray 102 grayed, Sub(2) {Deep 103}}, Edit(3) {Cut 201}.
class _base_Menu1 : public zMenuRes {
public:
    struct Item : zMenuItemRes {
        Item(DWORD f, int pos, int id, const char* n) : zMenuItemRes(f, pos, id), label(n) {}
        void OnClick() override { Log().push_back(std::string("click:") + label); }
        void OnInitPopup(WPARAM, int index, bool) override
        {
            Log().push_back(std::string("popup:") + label + ":" + std::to_string(index));
        }
        const char* label;
    };
    _base_Menu1()
        : zMenuRes("MENU1"), file(16, 0, 1, "file"), open(0, 0, 101, "open"),
          gray(1, 1, 102, "gray"), sub(16, 2, 2, "sub"), deep(0, 0, 103, "deep"),
          edit(16, 1, 3, "edit"), cut(0, 0, 201, "cut")
    {
        for (Item* i : {&file, &open, &gray, &sub, &deep, &edit, &cut})
            Register(i);
        open.hint = "Open a file";
        file.hint = "File menu";
    }
    zMenuItemRes* FindItem(int n) override { return ItemFor(n); }
    bool OnCommand(int id) override { return ClickItem(id); }
    void OnMenuSelect(HWND, WPARAM w, LPARAM l) override { ShowHint(w, l); }
    Item file, open, gray, sub, deep, edit, cut;
};

BOOL CALLBACK EachPopup(HWND h, LPARAM lp) noexcept
{
    char cls[16] = {};
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    GetClassNameA(h, cls, sizeof cls);
    if (pid == GetCurrentProcessId() && lstrcmpA(cls, "#32768") == 0 && IsWindowVisible(h)) {
        *reinterpret_cast<HWND*>(lp) = h;
        return FALSE;
    }
    return TRUE;
}

HWND FindPopupWindow()
{
    HWND found = nullptr;
    EnumWindows(EachPopup, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Drives an open popup menu from another thread: the keys once it shows,
// then ESCAPE while it stays open.
class MenuDriver {
public:
    explicit MenuDriver(std::vector<WPARAM> keys) : keys_(std::move(keys)), t_([this] { Run(); }) {}
    ~MenuDriver() { t_.join(); }
    std::atomic<bool> seen{false};

private:
    void Run()
    {
        HWND popup = nullptr;
        for (int i = 0; i < 250 && !popup; ++i, Sleep(20))
            popup = FindPopupWindow();
        if (!popup)
            return;
        seen = true;
        Sleep(100);
        for (WPARAM k : keys_) {
            PostMessageA(popup, WM_KEYDOWN, k, 1);
            PostMessageA(popup, WM_KEYUP, k, 0xC0000001);
            Sleep(60);
        }
        for (int i = 0; i < 5 && IsWindow(popup) && IsWindowVisible(popup); ++i) {
            Sleep(200);
            if (IsWindowVisible(popup))
                PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 1);
        }
    }
    std::vector<WPARAM> keys_;
    std::thread t_;
};

struct MenuTest : ::testing::Test {
    void SetUp() override
    {
        Log().clear();
        form = std::make_unique<TestForm>("MenuForm");
        form->menu = &menu;
        form->Show(SW_SHOW);
        ASSERT_TRUE(form->IsLive());
        ASSERT_TRUE(menu.Load(GetModuleHandleA(nullptr)) != nullptr);
        if (GetMenu(form->hwnd) != menu.menu)
            SetMenu(form->hwnd, menu.menu);
        zActiveMenu = &menu;
        Log().clear();
    }
    void TearDown() override
    {
        zActiveMenu = nullptr;
        form.reset();
    }
    // Opens the File popup with TrackPopupMenu on the form and drives it.
    void Drive(std::vector<WPARAM> keys)
    {
        MenuDriver d(std::move(keys));
        SetForegroundWindow(form->hwnd);
        TrackPopupMenu(GetSubMenu(menu.menu, 0), TPM_LEFTALIGN, 50, 50, 0, form->hwnd, nullptr);
        Pump(100);
        EXPECT_TRUE(d.seen);
    }
    _base_Menu1 menu;
    std::unique_ptr<TestForm> form;
};

TEST_F(MenuTest, PopupsAreNumberedInPreOrder)
{
    HMENU bar = menu.menu;
    HMENU file = GetSubMenu(bar, 0), sub = GetSubMenu(file, 2), edit = GetSubMenu(bar, 1);
    struct Row {
        const char* name;
        HMENU popup;
        int number;
    };
    const Row rows[] = {{"file", file, 1}, {"sub", sub, 2}, {"edit", edit, 3},
                        {"bar itself", bar, 0}, {"foreign", CreatePopupMenu(), 0}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.number, FindMenuDepth(bar, r.popup, true));
        if (r.number) {
            EXPECT_EQ(r.popup, zFindPopupByNumber(bar, r.number, nullptr, nullptr));
            ASSERT_TRUE(menu.FindItem(r.number) != nullptr);
            EXPECT_TRUE(menu.FindItem(r.number)->IsPopup());
        }
    }
    DestroyMenu(rows[4].popup);
    // The second popup of a bar whose first holds no nested popup is 2.
    HMENU two = LoadMenuA(GetModuleHandleA(nullptr), "MENU2");
    ASSERT_TRUE(two != nullptr);
    EXPECT_EQ(1, FindMenuDepth(two, GetSubMenu(two, 0), true));
    EXPECT_EQ(2, FindMenuDepth(two, GetSubMenu(two, 1), true));
    DestroyMenu(two);
    EXPECT_EQ(&menu.open, menu.FindItem(101));
    EXPECT_EQ(nullptr, menu.FindItem(999));
    EXPECT_NE(zMenuObjects().end(), std::find(zMenuObjects().begin(), zMenuObjects().end(), &menu));
}

TEST_F(MenuTest, EnableAndDisableAreSeenInMenuState)
{
    HMENU file = GetSubMenu(menu.menu, 0);
    EXPECT_TRUE(GetMenuState(file, 1, MF_BYPOSITION) & MF_GRAYED);
    menu.gray.Enable();
    EXPECT_FALSE(GetMenuState(file, 1, MF_BYPOSITION) & MF_GRAYED);
    menu.gray.Disable();
    EXPECT_TRUE(GetMenuState(file, 1, MF_BYPOSITION) & MF_GRAYED);
    menu.deep.Disable();
    EXPECT_TRUE(GetMenuState(GetSubMenu(file, 2), 0, MF_BYPOSITION) & MF_GRAYED);
    // A popup item grays its entry in the menu that holds it.
    menu.sub.Disable();
    EXPECT_TRUE(GetMenuState(file, 2, MF_BYPOSITION) & MF_GRAYED);
    menu.sub.Enable();
    EXPECT_FALSE(GetMenuState(file, 2, MF_BYPOSITION) & MF_GRAYED);
    menu.edit.Disable();
    EXPECT_TRUE(GetMenuState(menu.menu, 1, MF_BYPOSITION) & MF_GRAYED);
    menu.edit.Enable();
    zMenuItemRes orphan(0, 0, 555);
    orphan.Disable();  // no menu: nothing happens
}

TEST_F(MenuTest, GrayedItemFiresNothingEnabledFiresOnce)
{
    Drive({VK_DOWN, VK_DOWN, VK_RETURN});  // Open, then Gray
    EXPECT_EQ(0, std::count(Log().begin(), Log().end(), std::string("click:gray")));
    EXPECT_EQ(0, std::count(Log().begin(), Log().end(), std::string("click:open")));
    Log().clear();
    Drive({VK_DOWN, VK_RETURN});
    EXPECT_EQ(1, std::count(Log().begin(), Log().end(), std::string("click:open")));
    EXPECT_EQ(1, std::count_if(Log().begin(), Log().end(),
                               [](const std::string& s) { return s.rfind("click:", 0) == 0; }));
    EXPECT_EQ(101u, menu.lastCommand);
}

TEST_F(MenuTest, InitPopupAndMenuSelectReachTheItems)
{
    zMainForm = form.get();
    form->statusBarShown = 1;
    HMENU file = GetSubMenu(menu.menu, 0);
    SendMessageA(form->hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), MAKELPARAM(0, 0));
    EXPECT_EQ(1, std::count(Log().begin(), Log().end(), std::string("popup:file:0")));
    // The system menu is not ours.
    SendMessageA(form->hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), MAKELPARAM(0, 1));
    EXPECT_EQ(1, std::count(Log().begin(), Log().end(), std::string("popup:file:0")));
    char text[64] = {};
    auto part5 = [&] {
        text[0] = 0;
        SendMessageA(form->statusBar->hwnd, SB_GETTEXTA, 5, reinterpret_cast<LPARAM>(text));
        return std::string(text);
    };
    ASSERT_TRUE(form->statusBar != nullptr);
    SendMessageA(form->hwnd, WM_MENUSELECT, MAKEWPARAM(101, 0), reinterpret_cast<LPARAM>(file));
    EXPECT_EQ("Open a file", part5());
    SendMessageA(form->hwnd, WM_MENUSELECT, MAKEWPARAM(0, MF_POPUP),
                 reinterpret_cast<LPARAM>(menu.menu));
    EXPECT_EQ("File menu", part5());
    SendMessageA(form->hwnd, WM_MENUSELECT, MAKEWPARAM(999, 0), reinterpret_cast<LPARAM>(file));
    EXPECT_EQ("File menu", part5());  // no item, no change
    zMainForm = nullptr;
}

// --- tray ----------------------------------------------------------------

struct TrayForm : TestForm {
    TrayForm() : TestForm("Tray") {}
    void OnTrayNotify(WPARAM w, LPARAM l) override
    {
        Log().push_back("tray:" + std::to_string(w) + ":" + std::to_string(l));
        if (l != WM_RBUTTONUP)
            return;
        zPopupMenu pm;
        pm.owner = hwnd;
        pm.trackFlags = TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON;
        EXPECT_TRUE(pm.Create());
        EXPECT_TRUE(pm.Append("Start", 11, MF_STRING));
        EXPECT_TRUE(pm.Append("Stop", 12, MF_STRING));
        SetForegroundWindow(hwnd);
        chosen = pm.Track();
    }
    int chosen = -1;
};

TEST(TrayTest, PopupMenuFromTheTrayMessage)
{
    Log().clear();
    TrayForm f;
    f.Show(SW_SHOW);
    ASSERT_TRUE(f.IsLive());
    {
        MenuDriver d({VK_DOWN, VK_DOWN, VK_RETURN});
        SendMessageA(f.hwnd, ZWM_TRAYNOTIFY, 7, WM_RBUTTONUP);
        EXPECT_TRUE(d.seen);
    }
    EXPECT_EQ(1, std::count(Log().begin(), Log().end(), "tray:7:" + std::to_string(WM_RBUTTONUP)));
    EXPECT_EQ(12, f.chosen);
    {
        MenuDriver d({VK_ESCAPE});
        SendMessageA(f.hwnd, ZWM_TRAYNOTIFY, 7, WM_RBUTTONUP);
        EXPECT_TRUE(d.seen);
    }
    EXPECT_EQ(0, f.chosen);  // dismissed
    EXPECT_EQ(nullptr, FindPopupWindow());
    zPopupMenu none;
    EXPECT_FALSE(none.Append("x", 1, MF_STRING));
    EXPECT_EQ(0, none.Track());
    EXPECT_TRUE(none.atCursor);
}

TEST(TrayTest, ShownModifiedRemovedAndTextsCut)
{
    TrayForm f;
    f.Show(SW_SHOW);
    ASSERT_TRUE(f.IsLive());
    zIcon icon;
    icon.SetIconByName("TRAYICON", 1);
    ASSERT_TRUE(icon.Handle() != nullptr);
    EXPECT_EQ(16, icon.width);
    icon.owner = f.hwnd;
    icon.id = 3;
    icon.tip = std::string(300, 't').c_str();
    icon.balloonText = std::string(400, 'b').c_str();
    icon.balloonTitle = std::string(100, 'h').c_str();
    EXPECT_TRUE(icon.ShowInTray());
    EXPECT_TRUE(icon.IsShown());
    EXPECT_EQ(504u, icon.record.cbSize);
    EXPECT_EQ(UINT(ZWM_TRAYNOTIFY), icon.record.uCallbackMessage);
    EXPECT_EQ(23u, icon.record.uFlags);
    EXPECT_EQ(127u, strlen(icon.record.szTip));
    EXPECT_EQ(255u, strlen(icon.record.szInfo));
    EXPECT_EQ(63u, strlen(icon.record.szInfoTitle));
    // Shown again: modified in place, still tracked.
    icon.tip = "second";
    EXPECT_TRUE(icon.ShowInTray());
    EXPECT_TRUE(icon.IsShown());
    EXPECT_STREQ("second", icon.record.szTip);
    // A new icon removes it; shown again, then removed for good.
    icon.SetIconByName("TRAYICON", 3);
    EXPECT_FALSE(icon.IsShown());
    EXPECT_TRUE(icon.ShowInTray());
    icon.RemoveFromTray();
    EXPECT_FALSE(icon.IsShown());
    NOTIFYICONDATAA probe = {};
    probe.cbSize = 504;
    probe.hWnd = f.hwnd;
    probe.uID = 3;
    probe.uFlags = NIF_TIP;
    EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &probe));  // nothing left behind
}

TEST(TrayTest, IconSizesByKind)
{
    struct Row {
        int kind;
        int size;
    };
    const Row rows[] = {{1, 16}, {2, 48}, {0, 32}, {7, 32}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.kind);
        zIcon icon;
        icon.SetIconByName("TRAYICON", r.kind);
        ASSERT_TRUE(icon.Handle() != nullptr);
        EXPECT_EQ(r.size, icon.width);
        EXPECT_EQ(r.size, icon.height);
        ICONINFO ii = {};
        ASSERT_TRUE(GetIconInfo(icon.Handle(), &ii));
        BITMAP bm = {};
        GetObjectA(ii.hbmColor ? ii.hbmColor : ii.hbmMask, sizeof bm, &bm);
        EXPECT_EQ(r.size, bm.bmWidth);
        DeleteObject(ii.hbmColor);
        DeleteObject(ii.hbmMask);
    }
    zIcon fresh;
    fresh.SetIconByName("TRAYICON", 3);  // kind 3 on a fresh icon: the resource's own size
    EXPECT_TRUE(fresh.Handle() != nullptr);
    // An empty name, or one of blanks, is none: the icon held stays.
    for (const char* none : {"", " \t "}) {
        SCOPED_TRACE(std::string("name \"") + none + "\"");
        zIcon held;
        held.SetIconByName("TRAYICON", 3);
        HICON before = held.Handle();
        held.SetIconByName(none, 1);
        EXPECT_EQ(before, held.Handle());
        EXPECT_STREQ("TRAYICON", held.name.c_str());
        EXPECT_EQ(0, held.width);
    }
}

// An MDI frame with its menu and two children, one with a menu of its own:
// the frame shows the active child's menu and its own menu otherwise.
class MdiChild : public zForm {
public:
    MdiChild(const char* formName, zMenuRes* own) : zForm(ZMDICHILDCLASS)
    {
        name = caption = formName;
        kind = ZK_MDICHILD;
        menu = own;
        left = top = 10, width = 200, height = 150;
    }
};

TEST(MdiMenus, TheFrameShowsTheMenuOfTheActiveChild)
{
    Log().clear();
    _base_Menu1 frameMenu;
    zMenuRes childMenu("MENU2");
    auto frame = std::make_unique<TestForm>("Frame", ZK_MDIFRAME);
    frame->style |= WS_CLIPCHILDREN;
    frame->menu = &frameMenu;
    frame->width = 600, frame->height = 450;
    zMainForm = frame.get();
    frame->Show(SW_SHOW);
    ASSERT_NE(nullptr, frame->mdiClient);
    auto withMenu = std::make_unique<MdiChild>("WithMenu", &childMenu);
    auto plain = std::make_unique<MdiChild>("Plain", nullptr);
    zwt::MessageRecorder client(frame->mdiClient, "client",
                                {{WM_MDISETMENU, "WM_MDISETMENU"},
                                 {WM_MDIREFRESHMENU, "WM_MDIREFRESHMENU"}});
    auto popup = [](zMenuRes& m) {
        return zwt::Hex(static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(GetSubMenu(m.menu, 0))));
    };
    frameMenu.Load(GetModuleHandleA(nullptr));
    childMenu.Load(GetModuleHandleA(nullptr));
    const std::string setChild = "client:WM_MDISETMENU " + popup(childMenu);
    const std::string setFrame = "client:WM_MDISETMENU " + popup(frameMenu);
    const std::string refresh = "client:WM_MDIREFRESHMENU 0";
    // Each activation reaches the child that goes first, then the one that comes.
    struct Step {
        const char* name;
        zForm* activate;
        zMenuRes* shown;
        std::vector<std::string> messages;
    } steps[] = {{"child with a menu", withMenu.get(), &childMenu, {setChild}},
                 {"child without one", plain.get(), &frameMenu, {setFrame, refresh}},
                 {"child with a menu again", withMenu.get(), &childMenu, {refresh, setChild}}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        Log().clear();
        if (step.activate->IsLive())
            SendMessageA(frame->mdiClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(step.activate->hwnd), 0);
        else
            step.activate->Show(SW_SHOW);
        ASSERT_TRUE(step.activate->IsLive());
        EXPECT_EQ(step.activate->hwnd,
                  reinterpret_cast<HWND>(SendMessageA(frame->mdiClient, WM_MDIGETACTIVE, 0, 0)));
        EXPECT_TRUE(zwt::SameSequence(step.messages, Log()));
        EXPECT_EQ(step.shown->menu, GetMenu(frame->hwnd));
        EXPECT_EQ(step.shown, zActiveMenu);
        EXPECT_EQ(step.activate, zApp().currentForm);
    }
    plain.reset();
    withMenu.reset();
    zMainForm = nullptr;
    frame.reset();
    zActiveMenu = nullptr;
}

}  // namespace
