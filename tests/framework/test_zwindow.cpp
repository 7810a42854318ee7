// The window base class on real windows: pictures, showing a form and
// centring it.

#include "zwintest.h"

#include <memory>

using zwt::AddControl;
using zwt::TestControl;
using zwt::TestForm;

namespace {

// A new picture replaces the image and the second image; a picture that
// cannot be loaded leaves neither behind, in the object or the control.
TEST(Window, LoadPictureReplacesBothImagesAndKeepsNothingOfAFailure)
{
    auto form = std::make_unique<TestForm>("Pictures");
    form->Show(SW_SHOW);
    std::unique_ptr<TestControl> pic(
        AddControl(*form, "static", ZT_STATIC, "pic", WS_CHILD | WS_VISIBLE | SS_BITMAP, 10));
    pic->pictureName = "REDINFO";
    pic->LoadPicture();
    ASSERT_NE(nullptr, pic->image);
    struct Row {
        const char* name;
        const char* picture;
        bool loads;
    } rows[] = {{"another picture", "REDCORE", true}, {"a missing picture", "NOSUCHBITMAP", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        HGDIOBJ before = pic->image;
        pic->image2 = CreateBitmap(1, 1, 1, 1, nullptr);
        HGDIOBJ second = pic->image2;
        pic->pictureName = row.picture;
        pic->LoadPicture();
        EXPECT_EQ(0u, GetObjectType(before)) << "the old image is deleted";
        EXPECT_EQ(0u, GetObjectType(second)) << "the second image is deleted";
        EXPECT_EQ(nullptr, pic->image2);
        EXPECT_EQ(row.loads, pic->image != nullptr);
        EXPECT_EQ(reinterpret_cast<LRESULT>(pic->image), SendMessageA(pic->hwnd, STM_GETIMAGE, IMAGE_BITMAP, 0));
    }
}

bool IsAbove(HWND a, HWND b)
{
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w == a)
            return true;
        if (w == b)
            return false;
    }
    return false;
}

TEST(Window, ShowRaisesTheFormAndActivatesItUnlessAsked)
{
    struct Row {
        const char* name;
        int command;
        bool activates;
    } rows[] = {{"SW_SHOW", SW_SHOW, true}, {"SW_SHOWNOACTIVATE", SW_SHOWNOACTIVATE, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto lower = std::make_unique<TestForm>("Lower");
        auto upper = std::make_unique<TestForm>("Upper");
        lower->Show(SW_SHOW);
        upper->Show(SW_SHOW);
        ASSERT_TRUE(IsAbove(upper->hwnd, lower->hwnd));
        ASSERT_EQ(upper->hwnd, GetActiveWindow());
        lower->Show(row.command);
        EXPECT_TRUE(IsAbove(lower->hwnd, upper->hwnd));
        EXPECT_EQ(row.activates ? lower->hwnd : upper->hwnd, GetActiveWindow());
    }
}

// The work area of this process, smaller than the screen for one test.
class WorkArea {
public:
    explicit WorkArea(RECT area)
    {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &saved_, 0);
        SystemParametersInfoA(SPI_SETWORKAREA, 0, &area, 0);
    }
    ~WorkArea() { SystemParametersInfoA(SPI_SETWORKAREA, 0, &saved_, 0); }

private:
    RECT saved_ = {};
};

// Forms centre on the desktop's client area (not the work area), or on
// their owner's client area; controls on their parent's.
TEST(Window, CenterUsesTheAreaOfItsReference)
{
    WorkArea area({100, 50, 900, 700});
    RECT desk;
    GetClientRect(GetDesktopWindow(), &desk);
    auto owner = std::make_unique<TestForm>("CenterOwner");
    owner->left = 100, owner->top = 80, owner->width = 500, owner->height = 400;
    owner->Show(SW_SHOW);
    RECT ownerClient;
    GetClientRect(owner->hwnd, &ownerClient);
    POINT origin = {0, 0};
    ClientToScreen(owner->hwnd, &origin);
    auto form = std::make_unique<TestForm>("Centred");  // 320 x 240
    form->parent = owner.get();
    form->Show(SW_SHOW);
    std::unique_ptr<TestControl> ctl(
        AddControl(*owner, "edit", ZT_EDIT, "c", WS_CHILD | WS_VISIBLE, 10));  // 120 x 22

    const int midX = (desk.right - 320) / 2, midY = (desk.bottom - 240) / 2;
    struct Row {
        const char* name;
        zWindow* window;
        char mode;
        bool relative;
        int left, top;
    } rows[] = {
        {"both, on the desktop", form.get(), '0', false, midX, midY},
        {"across, stored top", form.get(), '1', false, midX, 33},
        {"down, stored left", form.get(), '2', false, 44, midY},
        {"over the owner", form.get(), '0', true, origin.x + (ownerClient.right - 320) / 2,
         origin.y + (ownerClient.bottom - 240) / 2},
        {"control in its parent", ctl.get(), '0', false, (ownerClient.right - 120) / 2,
         (ownerClient.bottom - 22) / 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.window->top = 33;
        row.window->left = 44;
        row.window->Center(row.mode, row.relative);
        EXPECT_EQ(row.left, row.window->left);
        EXPECT_EQ(row.top, row.window->top);
        RECT r;
        GetWindowRect(row.window->hwnd, &r);
        if (row.window == ctl.get())
            MapWindowPoints(nullptr, owner->hwnd, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(row.left, r.left);
        EXPECT_EQ(row.top, r.top);
    }
}

}  // namespace
