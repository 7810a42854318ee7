// The form window procedure branch by branch: the colour refresh, the
// notifications of the pager and of grid-type controls, scrolling under a
// status bar, the brushes of subclassed controls' children, an edit's
// focus colours, a form whose window cannot be made, the catch sites of
// the window procedures and dropped files.

#include "zwintest.h"

#include "boxwatch.h"
#include "zbars.h"
#include "zgdi.h"
#include "xexceptions.h"
#include "xsystem.h"

#include <shlobj.h>

#include <algorithm>
#include <memory>

using zwt::AddControl;
using zwt::Hex;
using zwt::Log;
using zwt::MessageRecorder;
using zwt::SameSequence;
using zwt::TestControl;
using zwt::TestForm;

namespace {

// The brush the cache holds for a colour (one reference, given back at once).
HBRUSH CachedBrush(COLORREF colour)
{
    HBRUSH b = zGetBrush(colour);
    zReleaseBrush(b);
    return b;
}

// A brush of a colour nobody uses, as a window keeps it from before a change.
void GiveStaleBrush(zWindow& w)
{
    zReleaseBrush(w.brush);
    w.brush = zGetBrush(RGB(1, 2, 3));
}

TEST(FormProc, SysColorChangeTakesTheSystemColoursAgain)
{
    Log().clear();
    auto form = std::make_unique<TestForm>("Colours");
    form->Show(SW_SHOW);
    const DWORD vis = WS_CHILD | WS_VISIBLE;
    std::unique_ptr<TestControl> list(AddControl(*form, WC_LISTVIEWA, ZT_LISTVIEW, "list", vis, 10));
    std::unique_ptr<TestControl> tree(AddControl(*form, WC_TREEVIEWA, ZT_TREEVIEW, "tree", vis, 40));
    std::unique_ptr<TestControl> bar(AddControl(*form, PROGRESS_CLASSA, ZT_PROGRESS, "bar", vis, 70));
    std::unique_ptr<TestControl> rgb(AddControl(*form, "edit", ZT_EDIT, "rgb", vis, 100));
    for (TestControl* c : {list.get(), tree.get(), bar.get()})
        c->textColour = COLOR_HIGHLIGHT;
    rgb->textColour = RGB(9, 9, 9);
    rgb->textBackColour = RGB(200, 200, 1);
    rgb->SetBackColor(RGB(200, 200, 1));
    for (zWindow* w : {static_cast<zWindow*>(form.get()), static_cast<zWindow*>(list.get()),
                       static_cast<zWindow*>(tree.get()), static_cast<zWindow*>(bar.get()),
                       static_cast<zWindow*>(rgb.get())})
        GiveStaleBrush(*w);
    HBRUSH stale = rgb->brush;

    MessageRecorder r1(list->hwnd, "list",
                       {{LVM_SETBKCOLOR, "LVM_SETBKCOLOR"}, {LVM_SETTEXTBKCOLOR, "LVM_SETTEXTBKCOLOR"},
                        {LVM_SETTEXTCOLOR, "LVM_SETTEXTCOLOR"}});
    MessageRecorder r2(tree->hwnd, "tree",
                       {{TVM_SETINSERTMARKCOLOR, "TVM_SETINSERTMARKCOLOR"},
                        {TVM_SETBKCOLOR, "TVM_SETBKCOLOR"}, {TVM_SETTEXTCOLOR, "TVM_SETTEXTCOLOR"}});
    MessageRecorder r3(bar->hwnd, "bar",
                       {{PBM_SETBKCOLOR, "PBM_SETBKCOLOR"}, {PBM_SETBARCOLOR, "PBM_SETBARCOLOR"}});
    Log().clear();
    EXPECT_EQ(0, SendMessageA(form->hwnd, WM_SYSCOLORCHANGE, 0, 0));

    const std::string window = Hex(GetSysColor(COLOR_WINDOW));
    const std::string text = Hex(GetSysColor(COLOR_HIGHLIGHT));
    std::vector<std::string> expected = {
        "list:LVM_SETBKCOLOR " + window,   "list:LVM_SETTEXTBKCOLOR " + window,
        "list:LVM_SETTEXTCOLOR " + text,   "tree:TVM_SETINSERTMARKCOLOR " + window,
        "tree:TVM_SETBKCOLOR " + window,   "tree:TVM_SETTEXTCOLOR " + text,
        "bar:PBM_SETBKCOLOR " + window,    "bar:PBM_SETBARCOLOR " + text};
    std::vector<std::string> seen = Log();
    std::sort(expected.begin(), expected.end());
    std::sort(seen.begin(), seen.end());
    EXPECT_TRUE(SameSequence(expected, seen));

    struct Row {
        const char* name;
        zWindow* window;
        HBRUSH brush;
    } rows[] = {{"form", form.get(), CachedBrush(GetSysColor(COLOR_BTNFACE))},
                {"list", list.get(), CachedBrush(GetSysColor(COLOR_WINDOW))},
                {"tree", tree.get(), CachedBrush(GetSysColor(COLOR_WINDOW))},
                {"bar", bar.get(), CachedBrush(GetSysColor(COLOR_WINDOW))},
                {"rgb colour: not a system colour", rgb.get(), stale}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.brush, row.window->brush);
    }
}

// The form's own pager asks the form how wide the toolbar is and how far a
// scroll goes; any other pager gets 100 by 100.
TEST(FormProc, PagerNotificationsAreAnsweredByTheForm)
{
    auto form = std::make_unique<TestForm>("Pager");
    form->navigation = 1;
    form->toolBarShown = 1;
    form->Show(SW_SHOW);
    ASSERT_TRUE(form->toolPager && form->toolPager->IsLive());
    form->toolPager->SetButtonStep(30);
    EXPECT_EQ(30, form->toolPager->buttonStep);
    zToolPager other;
    other.parent = form.get();
    other.style = WS_CHILD;
    other.Create();
    ASSERT_TRUE(other.IsLive());
    SIZE max = {};
    SendMessageA(form->ToolBarWindow(), TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&max));
    ASSERT_GT(max.cx, 0);

    struct Row {
        const char* name;
        HWND pager;
        UINT code;
        DWORD flag;
        int width, height, scroll;
    } rows[] = {
        {"own pager, width", form->toolPager->hwnd, PGN_CALCSIZE, PGF_CALCWIDTH, max.cx, 0, 7},
        {"own pager, height", form->toolPager->hwnd, PGN_CALCSIZE, PGF_CALCHEIGHT, 0, 0, 7},
        {"other pager, width", other.hwnd, PGN_CALCSIZE, PGF_CALCWIDTH, 100, 100, 7},
        {"own pager, scroll", form->toolPager->hwnd, PGN_SCROLL, 0, 0, 0, 30},
        {"other pager, scroll", other.hwnd, PGN_SCROLL, 0, 0, 0, 7},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.code == PGN_CALCSIZE) {
            NMPGCALCSIZE calc = {};
            calc.hdr = {row.pager, 0, row.code};
            calc.dwFlag = row.flag;
            SendMessageA(form->hwnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&calc));
            EXPECT_EQ(row.width, calc.iWidth);
            EXPECT_EQ(row.height, calc.iHeight);
        } else {
            NMPGSCROLL scroll = {};
            scroll.hdr = {row.pager, 0, row.code};
            scroll.iDir = PGF_SCROLLRIGHT;
            scroll.iScroll = 7;
            SendMessageA(form->hwnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&scroll));
            EXPECT_EQ(row.scroll, scroll.iScroll);
        }
    }
}

// A grid-type control that records its numbered operations.
class GridControl : public TestControl {
public:
    GridControl(unsigned short typeCode, const char* ctlName)
        : TestControl("static", typeCode, ctlName)
    {
    }
    bool GridOperation(int number, LPARAM first, LPARAM second) override
    {
        std::string line = std::string(name.c_str()) + ":op" + std::to_string(number) + "(";
        if (number == 21 || number == 25)
            line += std::to_string(reinterpret_cast<NMHDR*>(first)->code) + ")";
        else
            line += std::to_string(first) + "," + std::to_string(second) + ")";
        Log().push_back(line);
        return answer;
    }
    bool answer = true;
};

TEST(FormProc, GridTypeNotificationsReachTheirNumberedOperations)
{
    auto form = std::make_unique<TestForm>("Grids");
    form->Show(SW_SHOW);
    GridControl g23(ZT_GRID23, "g23"), g16(ZT_GRID16, "g16");
    for (GridControl* g : {&g23, &g16}) {
        g->parent = form.get();
        g->style = WS_CHILD | WS_VISIBLE;
        g->Create();
        ASSERT_TRUE(g->IsLive());
    }
    struct Row {
        GridControl* grid;
        WORD code, low;
        bool answer;
        const char* expected;  // the operation called, or "" for none
        LRESULT result;
    } commands[] = {
        {&g23, 2929, 7, true, "g23:op4(1,0)", 0},  {&g23, 2929, 7, false, "g23:op4(1,0)", 1},
        {&g23, 2930, 1, true, "g23:op4(0,1)", 0},  {&g23, 2930, 2, false, "g23:op4(0,0)", 1},
        {&g23, 2933, 3, true, "g23:op5(1,3)", 0},  {&g23, 2933, 3, false, "g23:op5(1,3)", 1},
        {&g23, 2934, 2, false, "g23:op5(0,2)", 0}, {&g23, 2935, 4, true, "g23:op12(4,0)", 0},
        {&g23, 2937, 5, true, "g23:op13(5,0)", 0}, {&g23, 2948, 6, true, "g23:op14(6,0)", 0},
        {&g16, 2929, 7, true, "", 0},
    };
    for (const Row& row : commands) {
        SCOPED_TRACE(std::string(row.grid->name.c_str()) + " code " + std::to_string(row.code) +
                     (row.answer ? " answering true" : " answering false"));
        Log().clear();
        row.grid->answer = row.answer;
        LRESULT r = SendMessageA(form->hwnd, WM_COMMAND, MAKEWPARAM(row.low, row.code),
                                 reinterpret_cast<LPARAM>(row.grid->hwnd));
        std::vector<std::string> want;
        if (*row.expected)
            want.push_back(row.expected);
        EXPECT_TRUE(SameSequence(want, Log()));
        EXPECT_EQ(row.result, r);
    }
    struct Note {
        GridControl* grid;
        UINT code;
        const char* expected;
    } notes[] = {{&g23, 2942, "g23:op25(2942)"}, {&g23, 2946, "g23:op21(2946)"},
                 {&g16, 2942, "g16:op25(2942)"}, {&g16, 2946, "g16:op21(2946)"}};
    for (const Note& n : notes) {
        SCOPED_TRACE(n.expected);
        Log().clear();
        NMHDR header = {n.grid->hwnd, 777, n.code};
        SendMessageA(form->hwnd, WM_NOTIFY, 777, reinterpret_cast<LPARAM>(&header));
        EXPECT_TRUE(SameSequence({n.expected}, Log()));
    }
}

// A form that scrolls, and notes whether its status bar shows while it lays
// its controls out again.
class ScrollForm : public TestForm {
public:
    ScrollForm() : TestForm("Scroll")
    {
        statusBarShown = 1;
        vMax = hMax = 300;
        vLine = hLine = 10;
        vPage = 50;
        hPage = 40;
    }
    void OnLayout() override
    {
        if (statusBar && statusBar->IsLive())
            Rec(IsWindowVisible(statusBar->hwnd) ? "OnLayout(status shown)" : "OnLayout(status hidden)");
    }
};

RECT RectIn(HWND parent, HWND child)
{
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST(FormProc, ScrollingLeavesTheStatusBarAtTheBottom)
{
    struct Row {
        const char* name;
        UINT msg;
        WPARAM wParam;
        int dx, dy;
        const char* layout;
    } rows[] = {
        {"PageDown", WM_KEYDOWN, VK_NEXT, 0, -50, "Scroll:OnLayout(status hidden)"},
        {"page right", WM_HSCROLL, SB_PAGERIGHT, -40, 0, "Scroll:OnLayout(status shown)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto form = std::make_unique<ScrollForm>();
        form->Show(SW_SHOW);
        ASSERT_TRUE(form->StatusBarShown());
        std::unique_ptr<TestControl> edit(
            AddControl(*form, "edit", ZT_EDIT, "e", WS_CHILD | WS_VISIBLE, 60));
        RECT client, before = RectIn(form->hwnd, edit->hwnd);
        GetClientRect(form->hwnd, &client);
        Log().clear();
        SendMessageA(form->hwnd, row.msg, row.wParam, 0);
        RECT after = RectIn(form->hwnd, edit->hwnd);
        EXPECT_EQ(before.left + row.dx, after.left);
        EXPECT_EQ(before.top + row.dy, after.top);
        RECT status = RectIn(form->hwnd, form->statusBar->hwnd);
        EXPECT_EQ(client.bottom, status.bottom) << "the status bar did not scroll away";
        EXPECT_EQ(0, status.left);
        EXPECT_TRUE(IsWindowVisible(form->statusBar->hwnd));
        EXPECT_TRUE(SameSequence({row.layout}, Log()));
    }
}

// The child window of a subclassed control (the edit of a combo box) gets
// its brush by the form's rule: a transparent form lends its own.
TEST(FormProc, ChildrenOfControlsGetTheirBrushByTheFormsRule)
{
    struct Row {
        const char* name;
        unsigned short formFlags;
        bool formBrush;
        int mode;
    } rows[] = {{"opaque form", 0, false, OPAQUE},
                {"transparent form", ZPIC_TRANSPARENT, true, TRANSPARENT}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto form = std::make_unique<TestForm>("Brushes");
        form->pictureFlags = row.formFlags;
        form->Show(SW_SHOW);
        std::unique_ptr<TestControl> combo(AddControl(*form, "combobox", ZT_COMBOBOX, "combo",
                                                      WS_CHILD | WS_VISIBLE | CBS_DROPDOWN, 10));
        combo->SetBackColor(RGB(10, 20, 30));
        HWND edit = GetWindow(combo->hwnd, GW_CHILD);
        ASSERT_NE(nullptr, edit);
        HDC dc = GetDC(edit);
        SetBkMode(dc, OPAQUE);
        LRESULT brush = SendMessageA(combo->hwnd, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                     reinterpret_cast<LPARAM>(edit));
        EXPECT_EQ(reinterpret_cast<LRESULT>(row.formBrush ? form->brush : combo->brush), brush);
        EXPECT_EQ(row.mode, GetBkMode(dc));
        ReleaseDC(edit, dc);
    }
}

// Each edit keeps the colours it had before it got the focus, however the
// notifications of two edits interleave, and is repainted in the new ones.
TEST(FormProc, EditFocusColoursAreKeptPerEditAndRepainted)
{
    auto form = std::make_unique<TestForm>("Focus");
    form->Show(SW_SHOW);
    const DWORD vis = WS_CHILD | WS_VISIBLE;
    std::unique_ptr<TestControl> a(AddControl(*form, "edit", ZT_EDIT, "a", vis, 10));
    std::unique_ptr<TestControl> b(AddControl(*form, "edit", ZT_EDIT, "b", vis, 40));
    a->textColour = RGB(1, 0, 0), a->textBackColour = RGB(2, 0, 0), a->SetBackColor(RGB(3, 0, 0));
    b->textColour = RGB(0, 0, 1), b->textBackColour = RGB(0, 0, 2), b->SetBackColor(RGB(0, 0, 3));
    auto notify = [&](TestControl* edit, WORD code) {
        ValidateRect(edit->hwnd, nullptr);
        SendMessageA(form->hwnd, WM_COMMAND, MAKEWPARAM(0, code), reinterpret_cast<LPARAM>(edit->hwnd));
        return GetUpdateRect(edit->hwnd, nullptr, FALSE) != 0;
    };
    EXPECT_TRUE(notify(a.get(), EN_SETFOCUS)) << "repainted in the focus colours";
    EXPECT_EQ(a->focusTextColour, a->textColour);
    EXPECT_EQ(a->focusBackColour, a->textBackColour);
    EXPECT_EQ(a->focusBrushColour, a->brushColour);
    notify(b.get(), EN_SETFOCUS);
    EXPECT_TRUE(notify(a.get(), EN_KILLFOCUS)) << "repainted in its own colours";
    notify(b.get(), EN_KILLFOCUS);
    struct Row {
        const char* name;
        COLORREF text, back, brush;
        zWindow* edit;
    } rows[] = {{"a", RGB(1, 0, 0), RGB(2, 0, 0), RGB(3, 0, 0), a.get()},
                {"b", RGB(0, 0, 1), RGB(0, 0, 2), RGB(0, 0, 3), b.get()}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.text, row.edit->textColour);
        EXPECT_EQ(row.back, row.edit->textBackColour);
        EXPECT_EQ(row.brush, row.edit->brushColour);
    }
}

// Windows answers a missing class with 1407, Wine with 1411: the report
// carries whatever the system said.
TEST(FormProc, FailedCreateReportsTheSystemsErrorNumber)
{
    SetLastError(0);
    ASSERT_EQ(nullptr, CreateWindowExA(0, "zNoSuchClass", "", WS_POPUP, 0, 0, 1, 1, nullptr,
                                       nullptr, GetModuleHandleA(nullptr), nullptr));
    const int systemError = int(GetLastError());
    ASSERT_TRUE(systemError == ERROR_CANNOT_FIND_WND_CLASS || systemError == ERROR_CLASS_DOES_NOT_EXIST)
        << systemError;
    auto form = std::make_unique<TestForm>("Missing");
    form->className = "zNoSuchClass";
    xsys().SetLastError(0);
    int error = -1;
    std::string reason;
    try {
        form->Show(SW_SHOW);
    } catch (const xsystemexceptions& e) {
        error = e.GetSystemError();
        reason = e.GetReason().c_str();
    }
    EXPECT_EQ(systemError, error);
    EXPECT_NE(std::string::npos, reason.find("zForm::_create_ Missing")) << reason;
    EXPECT_FALSE(form->IsLive());
    EXPECT_EQ(0, form->modal) << "a failed show leaves the form showable";
}

// Nothing thrown in a handler may unwind through USER32: each window
// procedure keeps where and on which message it failed as the reason of
// the global exception record, and the message answers 0.
struct ThrowingFrame : TestForm {
    using TestForm::TestForm;
    void OnKeyUp(WPARAM*, LPARAM) override { throw 1; }
    bool OnRButtonDown(WPARAM, int, int) override { throw 2; }
};
struct ThrowingControl : TestControl {
    using TestControl::TestControl;
    void OnKeyUp(WPARAM*, LPARAM) override { throw 3; }
};

TEST(FormProc, ExceptionsInWindowProceduresBecomeTheRecordsReason)
{
    ThrowingFrame frame("Thrower", ZK_MDIFRAME);
    frame.Show(SW_SHOW);
    ASSERT_TRUE(frame.mdiClient != nullptr);
    ThrowingControl edit("edit", ZT_EDIT, "edit");
    edit.parent = &frame;
    edit.style = WS_CHILD | WS_VISIBLE;
    edit.Create();
    ASSERT_TRUE(edit.IsLive());
    const struct {
        const char* name;
        HWND window;
        UINT msg;
        const char* reason;
    } rows[] = {{"form", frame.hwnd, WM_KEYUP, "sdi/mdi window proc msg:0x101"},
                {"MDI client", frame.mdiClient, WM_RBUTTONDOWN, "client window proc msg:0x204"},
                {"control", edit.hwnd, WM_KEYUP, "window proc msg:0x101"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        zExceptionRecord() = xexceptions("Unknown reason.", 0, 0);
        EXPECT_EQ(0, SendMessageA(row.window, row.msg, 0, 0));
        EXPECT_STREQ(row.reason, zExceptionRecord().GetReason().c_str());
    }
}

// A drop handle as the shell hands it over: the names follow a DROPFILES
// header, each ended by a NUL, the list by another.
HDROP MakeDrop(const std::vector<std::string>& files)
{
    size_t size = sizeof(DROPFILES) + 1;
    for (const std::string& f : files)
        size += f.size() + 1;
    HGLOBAL block = GlobalAlloc(GHND, size);
    auto* header = static_cast<DROPFILES*>(GlobalLock(block));
    header->pFiles = sizeof(DROPFILES);
    char* p = reinterpret_cast<char*>(header + 1);
    for (const std::string& f : files)
        p = std::copy(f.begin(), f.end(), p) + 1;
    GlobalUnlock(block);
    return static_cast<HDROP>(block);
}

TEST(FormProc, OneDroppedFileReachesItsWindowAndMoreAreRefused)
{
    TestForm form("Drop");
    form.Show(SW_SHOW);
    std::unique_ptr<TestControl> edit(
        AddControl(form, "edit", ZT_EDIT, "edit", WS_CHILD | WS_VISIBLE, 10));
    const std::vector<std::string> one = {"C:\\a.txt"}, two = {"C:\\a.txt", "C:\\b.txt"};
    const struct {
        const char* name;
        HWND window;
        const std::vector<std::string>& files;
        std::vector<std::string> calls;
    } rows[] = {{"form, one file", form.hwnd, one, {"Drop:OnDropFiles C:\\a.txt"}},
                {"form, two files", form.hwnd, two, {}},
                {"edit, one file", edit->hwnd, one, {"edit:OnDropFiles C:\\a.txt"}},
                {"edit, two files", edit->hwnd, two, {}}};
    boxwatch::Seam seam;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Log().clear();
        boxwatch::Recorded().clear();
        SendMessageA(row.window, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(row.files)), 0);
        EXPECT_TRUE(SameSequence(row.calls, Log()));
        ASSERT_EQ(row.calls.empty() ? 1u : 0u, boxwatch::Recorded().size());
        if (row.calls.empty()) {
            EXPECT_EQ("One file at a time,please.", boxwatch::Recorded()[0].text);
            EXPECT_EQ("Message", boxwatch::Recorded()[0].caption);
            EXPECT_EQ(UINT(MB_ICONINFORMATION), boxwatch::Recorded()[0].style);
        }
    }
}

}  // namespace
