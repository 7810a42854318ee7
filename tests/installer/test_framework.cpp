// The framework pieces that only the installer's build has: a form's client
// rectangle over its MDI client, the tool bar's creation and the folder
// prompts' language.

#include "inst_test.h"

#include "zapplication.h"
#include "zbars.h"
#include "zbrowse.h"
#include "zform.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class PlainForm : public zForm {
public:
    explicit PlainForm(int formKind) : zForm(ZFORMCLASS)
    {
        kind = formKind;
        left = top = 40, width = 320, height = 240;
        style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    }
};

std::string Text(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

}  // namespace

TEST(InstallerForms, ClientRectangleIsTheMdiClientsWhenTheFormHasOne)
{
    insttest::StartInstallerFramework();
    for (int kind : {ZK_MDIFRAME, ZK_TOPLEVEL}) {
        SCOPED_TRACE(kind == ZK_MDIFRAME ? "MDI frame" : "top-level form");
        auto form = std::make_unique<PlainForm>(kind);
        form->Show(SW_SHOWNOACTIVATE);
        ASSERT_TRUE(form->IsLive());
        HWND measured = kind == ZK_MDIFRAME ? form->mdiClient : form->hwnd;
        ASSERT_NE(measured, nullptr);
        RECT expected = {}, own = {};
        ::GetClientRect(measured, &expected);
        ::GetClientRect(form->hwnd, &own);
        if (kind == ZK_MDIFRAME) {
            ASSERT_FALSE(EqualRect(&expected, &own)) << "the MDI client has an edge of its own";
        }
        RECT& got = form->GetClientRect();
        EXPECT_EQ(&got, &form->clientRect) << "kept in the form";
        EXPECT_EQ(Text(got), Text(expected));
    }
}

TEST(InstallerForms, ToolBarTakesItsExtendedStyleWhenCreated)
{
    insttest::StartInstallerFramework();
    auto form = std::make_unique<PlainForm>(ZK_TOPLEVEL);
    form->Create();
    zToolBar bar;
    bar.parent = form.get();
    bar.style = WS_CHILD | CCS_NORESIZE;
    bar.extendedStyle = TBSTYLE_EX_DRAWDDARROWS | TBSTYLE_EX_MIXEDBUTTONS;
    bar.Create();
    ASSERT_TRUE(bar.IsLive());
    EXPECT_EQ(SendMessageA(bar.hwnd, TB_GETEXTENDEDSTYLE, 0, 0), LRESULT(bar.extendedStyle));
}

// Whatever the system's language: the test machine's is English.
// Italian also where the system speaks another language.
TEST(InstallerText, FolderPromptsAreItalian)
{
    insttest::StartInstallerFramework();
    struct English {
        unsigned char saved = zApp().italian;
        English() { zApp().italian = 0; }
        ~English() { zApp().italian = saved; }
    } english;
    insttest::BoxScript boxes({IDNO});
    zFolderSearchDialog dialog;
    const std::string typed = "C:\\ondrel_no_such_folder_at_all";
    EXPECT_EQ(dialog.OnBrowseEvent(nullptr, BFFM_VALIDATEFAILEDA, LPARAM(typed.c_str())), 1);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, typed + "\nFolder inesistente.Vuoi crearlo?");
    EXPECT_EQ(boxes.boxes[1].text, "Folder inesistente/invalido.");
}
