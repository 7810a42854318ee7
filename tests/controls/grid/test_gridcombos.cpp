// Combo boxes of a "zgrid" window's columns: the column's own look-up combo
// is its editor and a choice in it is taken at once; a combo the owner
// shares only names the values, and typing in the column's edit box goes on.

#include "zgridwindow.h"

#include "corvex.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string EditorText(HWND editor)
{
    char text[128] = "";
    GetWindowTextA(editor, text, sizeof text);
    return text;
}

TEST(GridCombos, TypingGoesOnUnlessALookupChoiceWasMade)
{
    struct Row {
        const char* name;
        bool shared;       // the owner's combo, else the column's own
        const char* want;  // the cell afterwards
    } rows[] = {
        {"shared combo: typing keeps the editor open", true, "ab"},
        {"look-up combo: a choice is taken at once", false, "due"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ZGridWindow g;
        g.AddTextColumns({10, 10});
        g.AddRows(2);
        // Records whose second word is the key, as the owner's combo holds them.
        static const LONG records[2][2] = {{0, 1}, {0, 2}};
        HWND shared = CreateWindowExA(0, "combobox", "", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 50, 100, g.parent(),
                                      nullptr, GetModuleHandleA(nullptr), nullptr);
        const char* items[] = {"uno", "due"};
        for (int i = 0; i < 2; ++i) {
            SendMessageA(shared, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items[i]));
            SendMessageA(shared, CB_SETITEMDATA, i, reinterpret_cast<LPARAM>(records[i]));
        }
        if (r.shared) {
            g.Send(GRIDM_SETSHAREDCOMBO, 1, reinterpret_cast<LPARAM>(shared));
        } else {
            g.SendText(GRIDM_COMBOADD, 1, "uno");
            g.SendText(GRIDM_COMBOADD, 1, "due");
        }
        g.Send(GRIDM_GOTOROW, 0, 1);
        g.Send(GRIDM_GOTOCOLUMN, 1);
        if (r.shared) {
            g.Char('a');
            ASSERT_NE(nullptr, g.editor());
            g.Char('b');
            ASSERT_NE(nullptr, g.editor()) << "a typed character does not end the edit";
            EXPECT_EQ("ab", EditorText(g.editor()));
            g.Key(VK_RETURN);
        } else {
            g.Key(VK_RETURN);
            HWND combo = g.col(1).lookupCombo;
            ASSERT_EQ(combo, g.editor());
            SendMessageA(combo, CB_SETCURSEL, 1, 0);
            SendMessageA(g.grid(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(combo));
        }
        EXPECT_EQ(nullptr, g.editor());
        EXPECT_STREQ(r.want, zGridGetText(g.grid(), 1, 1, true));
        DestroyWindow(shared);
    }
}

}  // namespace
