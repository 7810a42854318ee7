// Forms: creation and close sequences, the modal chain, closing rules and
// placement through the ".ini" file.

#include "zwintest.h"

#include "testutil.h"
#include "xexceptions.h"

#include <memory>

using zwt::Log;
using zwt::SameSequence;
using zwt::TestForm;

namespace {

struct FormsTest : ::testing::Test {
    void SetUp() override { Log().clear(); }
    void TearDown() override
    {
        zMainForm = nullptr;
        MSG m;
        while (PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
};

TEST_F(FormsTest, CreateAndCloseFollowTheirSequence)
{
    auto* f = new TestForm("Seq");
    try {
        f->Show(SW_SHOW);
    } catch (const xexceptions& e) {
        FAIL() << e.GetReason().c_str() << " / " << e.GetMessage().c_str();
    }
    ASSERT_TRUE(f->IsLive());
    EXPECT_TRUE(SameSequence({"Seq:OnCreate(begin)", "Seq:CreateChildren", "Seq:OnCreated",
                              "Seq:OnCreate(end)"},
                             Log()));
    EXPECT_EQ(f, zApp().FindWindowObject(f->hwnd));
    Log().clear();
    f->allowClose = false;
    EXPECT_FALSE(f->Close());
    EXPECT_TRUE(f->IsLive());
    EXPECT_TRUE(SameSequence({"Seq:QueryClose"}, Log()));
    Log().clear();
    f->allowClose = true;
    EXPECT_TRUE(f->Close());
    EXPECT_FALSE(f->IsLive());
    EXPECT_TRUE(SameSequence({"Seq:QueryClose", "Seq:CloseCheck", "Seq:CloseCheck2"}, Log()));
    delete f;
    EXPECT_FALSE(zApp().HasForm(f));
}

// The steps of the modal chain run from timers inside the modal loops.
struct Chain {
    TestForm *main, *second, *third;
    std::vector<std::string> seen;
};
Chain* g_chain = nullptr;

std::string States()
{
    auto on = [](zForm* f) { return IsWindowEnabled(f->hwnd) ? "1" : "0"; };
    return std::string(on(g_chain->main)) + on(g_chain->second) +
           (g_chain->third->IsLive() ? on(g_chain->third) : "-");
}

void CALLBACK ThirdStep(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    g_chain->seen.push_back("third open " + States());
    g_chain->third->Close();
}

void CALLBACK SecondStep(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    g_chain->seen.push_back("second open " + States());
    SetTimer(nullptr, 0, 50, ThirdStep);
    g_chain->third->Show(SW_SHOW);  // nested modal loop
    g_chain->seen.push_back("third closed " + States());
    g_chain->second->Close();
}

TEST_F(FormsTest, NestedModalFormsEnableOnlyTheFormBeneath)
{
    Chain chain{new TestForm("M"), new TestForm("B", ZK_MODAL), new TestForm("C", ZK_MODAL), {}};
    g_chain = &chain;
    zMainForm = chain.main;
    chain.main->Show(SW_SHOW);
    SetTimer(nullptr, 0, 50, SecondStep);
    chain.second->Show(SW_SHOW);
    chain.seen.push_back("second closed " + std::string(IsWindowEnabled(chain.main->hwnd) ? "1" : "0"));
    EXPECT_TRUE(SameSequence({"second open 01-", "third open 001", "third closed 01-",
                              "second closed 1"},
                             chain.seen));
    EXPECT_TRUE(zApp().modalStack.empty());
    zMainForm = nullptr;
    delete chain.third;
    delete chain.second;
    delete chain.main;
}

TEST_F(FormsTest, RefusedCloseKeepsEveryFormAcceptedPostsQuitAndSaves)
{
    auto* main = new TestForm("Closer");
    auto* other = new TestForm("Refuser");
    zMainForm = main;
    main->Show(SW_SHOW);
    other->Show(SW_SHOW);
    other->allowClose = false;
    EXPECT_FALSE(main->Close());
    EXPECT_TRUE(main->IsLive());
    EXPECT_TRUE(other->IsLive());
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));

    other->allowClose = true;
    zApp().exitCode = 0;
    EXPECT_TRUE(main->Close());
    EXPECT_FALSE(main->IsLive());
    EXPECT_FALSE(other->IsLive());
    EXPECT_TRUE(PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    xstring width;
    zApp().GetSetting(width, "Info", "width_Closer", "", "");
    EXPECT_EQ(320, width.ToInt());
    zMainForm = nullptr;
    delete other;
    delete main;
}

// Top-level forms are asked first, child forms after them (though listed
// first here), the main form and the excluded form never; the first
// refusal ends it before any child is asked.
TEST_F(FormsTest, CloseFormsAsksTopLevelFormsThenChildForms)
{
    const struct {
        const char* name;
        bool topAllows;
        bool result;
        std::vector<std::string> asked;
    } rows[] = {{"a top-level form refuses", false, false, {"Top:QueryClose"}},
                {"every form accepts", true, true,
                 {"Top:QueryClose", "Top:CloseCheck", "Top:CloseCheck2", "Child:QueryClose",
                  "Child:CloseCheck", "Child:CloseCheck2"}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto main = std::make_unique<TestForm>("Main");
        zMainForm = main.get();
        auto child = std::make_unique<TestForm>("Child");
        auto top = std::make_unique<TestForm>("Top");
        auto excluded = std::make_unique<TestForm>("Excluded");
        for (TestForm* f : {main.get(), top.get(), excluded.get()})
            f->Show(SW_SHOW);
        child->style = WS_CHILD | WS_VISIBLE;
        child->parent = main.get();
        child->Show(SW_SHOW);
        ASSERT_TRUE(child->IsLive());
        top->allowClose = row.topAllows;
        Log().clear();
        EXPECT_EQ(row.result, zApp().CloseForms(excluded.get()));
        EXPECT_TRUE(SameSequence(row.asked, Log()));
        EXPECT_TRUE(main->IsLive());
        EXPECT_TRUE(excluded->IsLive());
        child.reset();
        zMainForm = nullptr;
    }
}

void WriteKey(const char* key, const char* value)
{
    zApp().WriteSetting("Info", key, value);
}

TEST_F(FormsTest, PlacementRoundTripThroughTheIni)
{
    const char* keys[] = {"top_Place", "left_Place", "width_Place", "height_Place", "show_Place"};
    for (const char* k : keys)
        WriteKey(k, nullptr);
    auto* f = new TestForm("Place");
    f->Show(SW_SHOW);
    SetWindowPos(f->hwnd, nullptr, 70, 60, 300, 200, SWP_NOZORDER);
    EXPECT_TRUE(f->Close());
    xstring v;
    zApp().GetSetting(v, "Info", "left_Place", "", "");
    EXPECT_EQ(70, v.ToInt());
    f->left = f->top = 10;
    f->Show(SW_SHOW);
    RECT r;
    GetWindowRect(f->hwnd, &r);
    EXPECT_EQ(70, r.left);
    EXPECT_EQ(60, r.top);
    EXPECT_EQ(300, r.right - r.left);
    EXPECT_EQ(200, r.bottom - r.top);
    f->Close();

    // Saved maximised: shown as the bridge shows its forms, it comes back
    // maximised over its stored rectangle, which its close keeps.
    WriteKey("show_Place", "3");
    f->left = f->top = 10;
    f->Show(SW_RESTORE);
    EXPECT_TRUE(IsZoomed(f->hwnd));
    EXPECT_TRUE(f->Close());
    zApp().GetSetting(v, "Info", "left_Place", "", "");
    EXPECT_EQ(70, v.ToInt());
    delete f;
}

// Test forms are made at (40, 40), 320 x 240. A fixed-size form goes where
// its keys say (absent keys are 0) and keeps its size; a sizable one is
// placed only with both of its sizes.
TEST_F(FormsTest, StoredPlacementMovesAndSizesAsTheFormAllows)
{
    const DWORD fixed = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    const struct {
        const char* name;
        DWORD style;
        const char *top, *left, *width, *height;
        int x, y, cx, cy;
    } rows[] = {
        {"fixed, nothing stored", fixed, nullptr, nullptr, nullptr, nullptr, 0, 0, 320, 240},
        {"fixed, with a stored size", fixed, "70", "60", "500", "400", 60, 70, 320, 240},
        {"sizable, a position alone", WS_OVERLAPPEDWINDOW, "70", "60", nullptr, nullptr, 40, 40, 320, 240},
        {"sizable, one size 0", WS_OVERLAPPEDWINDOW, "70", "60", "500", "0", 40, 40, 320, 240},
        {"sizable, both sizes", WS_OVERLAPPEDWINDOW, "70", "60", "500", "400", 60, 70, 500, 400},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        WriteKey("top_Stored", row.top);
        WriteKey("left_Stored", row.left);
        WriteKey("width_Stored", row.width);
        WriteKey("height_Stored", row.height);
        WriteKey("show_Stored", nullptr);
        std::unique_ptr<TestForm> f(new TestForm("Stored"));
        f->style = row.style;
        f->Show(SW_SHOW);
        RECT r;
        GetWindowRect(f->hwnd, &r);
        EXPECT_EQ(row.x, r.left);
        EXPECT_EQ(row.y, r.top);
        EXPECT_EQ(row.cx, r.right - r.left);
        EXPECT_EQ(row.cy, r.bottom - r.top);
    }
}

TEST_F(FormsTest, HostilePlacementValuesStayOnTheScreen)
{
    struct Row {
        const char *top, *left, *width, *height;
    } rows[] = {{"abc", "abc", "abc", "abc"}, {"-5", "-5", "-5", "-5"},
                {"99999", "99999", "99999", "99999"}, {"", "", "", ""}};
    int sw = GetSystemMetrics(SM_CXVIRTUALSCREEN), sh = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string("values ") + row.top);
        WriteKey("top_Hostile", row.top);
        WriteKey("left_Hostile", row.left);
        WriteKey("width_Hostile", row.width);
        WriteKey("height_Hostile", row.height);
        WriteKey("show_Hostile", "1");
        auto* f = new TestForm("Hostile");
        f->Show(SW_SHOW);
        RECT r;
        GetWindowRect(f->hwnd, &r);
        EXPECT_GT(r.right - r.left, 0);
        EXPECT_GT(r.bottom - r.top, 0);
        EXPECT_LE(r.right - r.left, sw);
        EXPECT_LE(r.bottom - r.top, sh);
        EXPECT_GE(r.top, 0);
        EXPECT_LT(r.top, sh - GetSystemMetrics(SM_CYCAPTION) + 1);
        EXPECT_LT(r.left, sw);
        EXPECT_GT(r.right, 0);
        f->skipCloseChecks = 1;
        DestroyWindow(f->hwnd);
        delete f;
    }
}

TEST_F(FormsTest, DeletedFormLeavesTheListAndCurrentForm)
{
    auto* f = new TestForm("Gone");
    f->Show(SW_SHOW);
    zApp().SetCurrentForm(f);
    EXPECT_EQ(f, zApp().currentForm);
    size_t before = zApp().forms.size();
    delete f;
    EXPECT_EQ(before - 1, zApp().forms.size());
    EXPECT_NE(f, zApp().currentForm);
}

}  // namespace
