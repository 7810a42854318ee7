// Generated form classes written the way the generator writes them, image
// lists, and the bars of forms: status bar parts and clock, navigation
// toolbar, layout with and without each bar.

#include "zwintest.h"

#include "zbars.h"
#include "zcontrols.h"
#include "zgenerated.h"
#include "zimagelist.h"
#include "zmenu.h"
#include "xsystem.h"

#include <memory>

using zwt::Log;
using zwt::Pump;
using zwt::PumpUntil;

namespace {

void Rec(const char* what)
{
    Log().push_back(what);
}

class _base_Menu1 : public zMenuRes {
public:
    class _base_idm_open : public zMenuItemRes {
    public:
        _base_idm_open() : zMenuItemRes(0, 0, 101) { hint = "Apri"; }
        void OnClick() override { Rec("idm_open"); }
    };
    class _base_idm_cut : public zMenuItemRes {
    public:
        _base_idm_cut() : zMenuItemRes(0, 0, 201) { hint = "Taglia"; }
        void OnClick() override { Rec("idm_cut"); }
    };
    _base_Menu1() : zMenuRes("MENU1"), file(16, 0, 1), sub(16, 2, 2), edit(16, 1, 3)
    {
        for (zMenuItemRes* i : {&file, static_cast<zMenuItemRes*>(&open), &sub, &edit,
                                static_cast<zMenuItemRes*>(&cut)})
            Register(i);
        edit.hint = "Modifica";
    }
    zMenuItemRes* FindItem(int n) override { return ItemFor(n); }
    bool OnCommand(int id) override { return ClickItem(id); }
    void OnMenuSelect(HWND, WPARAM w, LPARAM l) override { ShowHint(w, l); }
    zMenuItemRes file;
    _base_idm_open open;
    zMenuItemRes sub, edit;
    _base_idm_cut cut;
};

class _base_Form1 : public zForm {
public:
    class _base_Button16 : public zButton {
    public:
        void Setup() override
        {
            name = "Button16";
            caption = "OK";
            style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
            zSetDialogBounds(*this, 10.5, 7, 50, 10.5);
            hint = "Conferma";
            font.face = "Verdana";
            font.pointSize = 8;
            font.logFont.lfHeight = -11;
            font.logFont.lfWeight = 400;
        }
        void Create() override { zButton::Create(1); }
        void OnClick() override { Rec("Button16:OnClick"); }
    };
    class _base_Edit1 : public zEdit {
    public:
        void Setup() override
        {
            name = "Edit1";
            style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER;
            zSetDialogBounds(*this, 30, 7, 141.5, 12);
        }
        void Create() override { zEdit::Create(1); }
        void OnChange() override { Rec("Edit1:OnChange"); }
    };
    class _base_Combo1 : public zComboBox {
    public:
        void Setup() override
        {
            name = "Combo1";
            style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST;
            zSetDialogBounds(*this, 50, 7, 80, 60);
        }
        void Create() override { zComboBox::Create(1); }
        void OnCreate(bool beginning) override
        {
            if (!beginning) {
                AddString("uno", 1);
                AddString("due", 2);
            }
        }
        void OnSelChange() override { Rec("Combo1:OnSelChange"); }
    };
    class _base_IP1 : public zIPAddress {
    public:
        void Setup() override
        {
            name = "IP1";
            caption = "192.168.0.20";
            style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
            zSetDialogBounds(*this, 70, 7, 80, 12);
        }
        void Create() override
        {
            zWindow::Create(1);
            ShowCaption();
        }
    };

    _base_Form1() : zForm(ZFORMCLASS)
    {
        Button16.Setup();
        Edit1.Setup();
        Combo1.Setup();
        IP1.Setup();
        Setup();
    }
    void Setup() override
    {
        name = "Form1";
        caption = "Form1";
        style = WS_OVERLAPPEDWINDOW;
        zSetDialogBounds(*this, 20, 20, 200, 120);
        kind = ZK_TOPLEVEL;
        statusBarShown = 1;
    }
    void Create() override
    {
        menu = &menu1;
        parent = nullptr;
        zForm::_create_();
    }
    void CreateChildren() override
    {
        for (zWindow* c : std::initializer_list<zWindow*>{&Button16, &Edit1, &Combo1, &IP1}) {
            c->parent = this;
            c->Create();
        }
    }
    _base_Menu1 menu1;
    _base_Button16 Button16;
    _base_Edit1 Edit1;
    _base_Combo1 Combo1;
    _base_IP1 IP1;
};

// Pixels for the prepared prefix's dialog base units, 7 across and 16 down:
// a horizontal unit is 1.75 pixels, a vertical one 2, always rounded up.
TEST(GeneratedTest, DialogUnitsBecomePixelsFromTheBaseUnits)
{
    ASSERT_EQ(MAKELONG(7, 16), GetDialogBaseUnits());
    struct Row {
        double units;
        bool vertical;
        int pixels;
    };
    const Row rows[] = {{10.5, true, 21}, {141.5, false, 248}, {7, false, 13}, {4, false, 7},
                        {12, true, 24},   {0, true, 0},        {1, false, 2},  {0.3, false, 1},
                        {10.3, true, 21}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.units);
        EXPECT_EQ(r.pixels, r.vertical ? zDialogUnitsY(r.units) : zDialogUnitsX(r.units));
    }
}

TEST(GeneratedTest, FormGetsPixelGeometryAndRoutesEvents)
{
    Log().clear();
    auto* f = new _base_Form1;
    EXPECT_EQ(zDialogUnitsY(10.5), f->Button16.height);
    EXPECT_EQ(zDialogUnitsX(141.5), f->Edit1.width);
    f->Create();
    ASSERT_TRUE(f->IsLive());
    f->Show(SW_SHOW);
    RECT r;
    GetWindowRect(f->Button16.hwnd, &r);
    EXPECT_EQ(zDialogUnitsY(10.5), r.bottom - r.top);
    EXPECT_EQ(zDialogUnitsX(50), r.right - r.left);
    MapWindowPoints(nullptr, f->hwnd, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(zDialogUnitsX(7), r.left);
    EXPECT_EQ(zDialogUnitsY(10.5), r.top);
    EXPECT_EQ(2, f->Combo1.Count());
    EXPECT_EQ(MAKEIPADDRESS(192, 168, 0, 20), f->IP1.GetAddress());

    // The menu resource is the window's menu and commands reach the items.
    EXPECT_TRUE(f->menu1.menu != nullptr);
    EXPECT_EQ(f->menu1.menu, GetMenu(f->hwnd));
    SendMessageA(f->hwnd, WM_COMMAND, MAKEWPARAM(201, 0), 0);
    SendMessageA(f->Button16.hwnd, BM_CLICK, 0, 0);
    SendMessageA(f->Edit1.hwnd, WM_CHAR, 'k', 1);
    f->Combo1.SetFocus();
    SendMessageA(f->Combo1.hwnd, WM_CHAR, 'd', 1);
    Pump(50);
    EXPECT_TRUE(zwt::SameSequence(
        {"idm_cut", "Button16:OnClick", "Edit1:OnChange", "Combo1:OnSelChange"}, Log()));
    EXPECT_EQ(201u, f->menu1.lastCommand);
    EXPECT_FALSE(f->menu1.OnCommand(999));
    EXPECT_EQ(&f->menu1.open, f->menu1.FindItem(101));
    EXPECT_EQ(&f->menu1.sub, f->menu1.FindItem(2));
    EXPECT_EQ(nullptr, f->menu1.FindItem(4));

    // OnMenuSelect: the hint of the item in part 5 of the main form's bar.
    zMainForm = f;
    char text[64] = {};
    f->menu1.OnMenuSelect(f->hwnd, MAKEWPARAM(1, MF_POPUP), reinterpret_cast<LPARAM>(f->menu1.menu));
    SendMessageA(f->statusBar->hwnd, SB_GETTEXTA, 5, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ("Modifica", text);
    f->menu1.OnMenuSelect(f->hwnd, MAKEWPARAM(101, 0), 0);
    SendMessageA(f->statusBar->hwnd, SB_GETTEXTA, 5, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ("Apri", text);
    zMainForm = nullptr;
    f->Close();
    EXPECT_EQ(nullptr, f->menu1.menu);  // destroyed with the window
    delete f;
}

TEST(ImageListTest, IconsAreAddedInOrder)
{
    zImageList later;
    EXPECT_EQ(nullptr, later.list);
    EXPECT_EQ(16, later.width);
    EXPECT_EQ(UINT(ILC_COLOR32 | ILC_MASK), later.flags);
    later.AddIcon("TRAYICON");  // no list yet: nothing
    zImageList list(16, 16);
    ASSERT_TRUE(list.list != nullptr);
    list.AddIcon("_PENCIL_");
    list.AddIcon("NOSUCHICON");
    list.AddIcon("");
    list.AddIcon("_LOCKED_");
    ASSERT_EQ(2, ImageList_GetImageCount(list.list));
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list.list, &cx, &cy);
    EXPECT_EQ(16, cx);
    // The pencil icon is green, the lock red: each image drawn, by its middle.
    const struct {
        const char* name;
        int index;
        bool red;
    } rows[] = {{"_PENCIL_ first", 0, false}, {"_LOCKED_ second", 1, true}};
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP canvas = CreateBitmap(16, 16, 1, 32, nullptr);
    HGDIOBJ old = SelectObject(dc, canvas);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(ImageList_Draw(list.list, row.index, dc, 0, 0, ILD_NORMAL));
        COLORREF c = GetPixel(dc, 8, 8);
        EXPECT_EQ(row.red, GetRValue(c) > 0x80 && GetGValue(c) < 0x40) << std::hex << c;
        EXPECT_EQ(!row.red, GetGValue(c) > 0x80 && GetRValue(c) < 0x40) << std::hex << c;
    }
    SelectObject(dc, old);
    DeleteObject(canvas);
    DeleteDC(dc);
}

// The program's shared image list is filled when the main form is created,
// however the list object was made.
TEST(ImageListTest, TheProgramsListIsFilledWhenTheMainFormIsCreated)
{
    struct ProgramList : zImageList {
        ProgramList() = default;
        ProgramList(int w, int h) : zImageList(w, h) {}
        void LoadImages() override
        {
            AddIcon("TRAYICON");
            AddIcon("TRAYICON");
        }
    };
    ProgramList later;
    ProgramList atOnce(16, 16);
    const struct {
        const char* name;
        ProgramList* list;
    } rows[] = {
        {"made without a list", &later},
        {"made with its size, list and all", &atOnce},
    };
    zImageList* oldList = zApp().imageList;
    zForm* oldMain = zMainForm;
    zMainForm = nullptr;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        zApp().imageList = row.list;
        zApp().CreateMainForm();
        ASSERT_TRUE(row.list->list != nullptr);
        EXPECT_EQ(2, ImageList_GetImageCount(row.list->list));
    }
    zApp().imageList = oldList;
    zMainForm = oldMain;
}

// --- bars ------------------------------------------------------------------

struct BarForm : zwt::TestForm {
    BarForm(bool status, bool tools, int formKind, DWORD formStyle)
        : TestForm("Bars", formKind)
    {
        statusBarShown = status;
        toolBarShown = tools;
        style = formStyle;
        width = 640, height = 400;
    }
    void OnLayout() override { ++layouts; }
    void OnCommand(WPARAM w, LPARAM) override
    {
        if (LOWORD(w) >= 9000 && LOWORD(w) <= 9013)
            commands.push_back(LOWORD(w));
    }
    int layouts = 0;
    std::vector<int> commands;
};

std::string PartText(zForm& f, int part)
{
    char text[128] = {};
    SendMessageA(f.statusBar->hwnd, SB_GETTEXTA, WPARAM(part), reinterpret_cast<LPARAM>(text));
    return text;
}

TEST(BarsTest, StatusBarPartsDateAndClock)
{
    BarForm f(true, false, ZK_TOPLEVEL, WS_OVERLAPPEDWINDOW);
    f.Show(SW_SHOW);
    ASSERT_TRUE(f.statusBar && f.statusBar->IsLive());
    EXPECT_EQ(29, f.statusBar->type);
    int edges[8] = {};
    ASSERT_EQ(6, SendMessageA(f.statusBar->hwnd, SB_GETPARTS, 8, reinterpret_cast<LPARAM>(edges)));
    const int expected[] = {25, 50, 140, 210, 400, -1};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(expected[i], edges[i]);
    }
    EXPECT_EQ(std::string(xsys().DateString(6).c_str()), PartText(f, 2));
    EXPECT_TRUE(GetWindowLongA(f.statusBar->hwnd, GWL_STYLE) & SBARS_SIZEGRIP);
    EXPECT_TRUE(IsWindowVisible(f.statusBar->hwnd));
    ASSERT_TRUE(PumpUntil([&] { return !PartText(f, 3).empty(); }, 2500));
    std::string first = PartText(f, 3);
    EXPECT_TRUE(PumpUntil([&] { return PartText(f, 3) != first; }, 3000)) << first;
    f.statusBar->SetPanel("four", 4, 0, nullptr);
    EXPECT_EQ("four", PartText(f, 4));

    BarForm fixed(false, false, ZK_TOPLEVEL, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU);
    fixed.Show(SW_SHOW);
    ASSERT_TRUE(fixed.statusBar && fixed.statusBar->IsLive());
    EXPECT_FALSE(GetWindowLongA(fixed.statusBar->hwnd, GWL_STYLE) & SBARS_SIZEGRIP);
    EXPECT_FALSE(IsWindowVisible(fixed.statusBar->hwnd));
}

TEST(BarsTest, NavigationToolbarCommandsAndEnabledState)
{
    BarForm f(true, true, ZK_TOPLEVEL, WS_OVERLAPPEDWINDOW);
    f.navigation = 1;
    f.Show(SW_SHOW);
    HWND tb = f.ToolBarWindow();
    ASSERT_TRUE(tb != nullptr);
    ASSERT_EQ(17, SendMessageA(tb, TB_BUTTONCOUNT, 0, 0));
    int separators = 0;
    for (int i = 0; i < 17; ++i) {
        SCOPED_TRACE(i);
        TBBUTTON b = {};
        ASSERT_TRUE(SendMessageA(tb, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b)));
        bool sep = (b.fsStyle & BTNS_SEP) != 0;
        EXPECT_EQ(i == 4 || i == 7 || i == 14, sep);
        if (sep) {
            ++separators;
            continue;
        }
        int n = i - separators;
        EXPECT_EQ(9000 + n, b.idCommand);
        bool enabled = (b.fsState & TBSTATE_ENABLED) != 0;
        EXPECT_EQ(i == 15 || i == 16, enabled);
    }
    SendMessageA(tb, TB_ENABLEBUTTON, 9003, TRUE);
    SendMessageA(f.hwnd, WM_COMMAND, 9013, reinterpret_cast<LPARAM>(tb));
    SendMessageA(f.hwnd, WM_COMMAND, 9003, reinterpret_cast<LPARAM>(tb));
    EXPECT_EQ((std::vector<int>{9013, 9003}), f.commands);
    ASSERT_TRUE(f.toolPager && f.toolPager->IsLive());
    ASSERT_TRUE(f.toolRebar && f.toolRebar->IsLive());
    EXPECT_EQ(f.toolPager->hwnd, GetParent(tb));
    EXPECT_EQ(32, f.toolPager->type);
    EXPECT_EQ(34, f.toolRebar->type);
    EXPECT_EQ(1, SendMessageA(f.toolRebar->hwnd, RB_GETBANDCOUNT, 0, 0));
}

TEST(BarsTest, HiddenToolBarStillExistsAndPlainFormHasNoButtons)
{
    BarForm f(false, false, ZK_TOPLEVEL, WS_OVERLAPPEDWINDOW);
    f.Show(SW_SHOW);
    ASSERT_TRUE(f.ToolBarWindow() != nullptr);
    EXPECT_FALSE(IsWindowVisible(f.ToolBarWindow()));
    EXPECT_EQ(0, SendMessageA(f.ToolBarWindow(), TB_BUTTONCOUNT, 0, 0));
    ASSERT_TRUE(f.toolPager && f.toolRebar);
    EXPECT_FALSE(f.toolPager->IsVisible());
    EXPECT_FALSE(f.toolRebar->IsVisible());
}

TEST(BarsTest, MdiClientLayoutWithAndWithoutBars)
{
    struct Row {
        bool status, tools;
    };
    const Row rows[] = {{true, true}, {true, false}, {false, true}, {false, false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.status) + std::to_string(r.tools));
        BarForm f(r.status, r.tools, ZK_MDIFRAME, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN);
        f.Show(SW_SHOW);
        ASSERT_TRUE(f.mdiClient != nullptr);
        int before = f.layouts;
        SetWindowPos(f.hwnd, nullptr, 0, 0, 600, 420, SWP_NOMOVE | SWP_NOZORDER);
        Pump(30);
        EXPECT_GT(f.layouts, before);
        RECT client, mdi;
        ::GetClientRect(f.hwnd, &client);
        GetWindowRect(f.mdiClient, &mdi);
        MapWindowPoints(nullptr, f.hwnd, reinterpret_cast<POINT*>(&mdi), 2);
        int status = r.status ? f.StatusBarHeight() : 0;
        int rebar = r.tools ? f.RebarHeight() : 0;
        if (r.status) {
            EXPECT_GT(status, 0);
        }
        if (r.tools) {
            EXPECT_GT(rebar, 0);
        }
        EXPECT_EQ(rebar, mdi.top);
        EXPECT_EQ(client.right, mdi.right - mdi.left);
        EXPECT_EQ(client.bottom - status - rebar, mdi.bottom - mdi.top);
    }
}

}  // namespace
