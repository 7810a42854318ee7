// The grid's keys: the browsing key map of the grid window, the keys and
// characters an open editor offers the grid (-1 go on, -2 swallowed), the
// keys passed on to the parent, and the typed-character filters.

#include "edithost.h"

#include "corvex.h"
#include "gridcolumns.h"
#include "gridwindow.h"
#include "splitter/zsubclass.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

namespace {

TEST(GridKeys, TypingOnACellOpensTheEditorWithThatCharacter)
{
    EditHost h(2, {10, 10});
    h.Put(1, 1, "before");
    SendMessageA(h.grid(), WM_CHAR, 'k', 1);
    ASSERT_NE(nullptr, h.editor());
    EXPECT_EQ("k", h.EditorText());
    // While the editor is open the grid's own WM_CHAR opens nothing more.
    HWND editor = h.editor();
    SendMessageA(h.grid(), WM_CHAR, 'z', 1);
    EXPECT_EQ(editor, h.editor());
    EXPECT_EQ("k", h.EditorText());
}

TEST(GridKeys, CharactersThatDoNotStartAnEdit)
{
    struct Row {
        const char* name;
        WPARAM ch;
        bool ctrl;
    } rows[] = {{"tab", '\t', false}, {"enter", '\r', false}, {"escape", 27, false}, {"ctrl", 'a', true}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EditHost h(1, {10});
        EditHost::Hold(r.ctrl, false);
        SendMessageA(h.grid(), WM_CHAR, r.ch, 1);
        EXPECT_EQ(nullptr, h.editor());
    }
}

TEST(GridKeys, EnterEditsThenAcceptsAndMovesRight)
{
    EditHost h(2, {10, 10, 10});
    h.Put(1, 1, "abc");
    SendMessageA(h.grid(), WM_KEYDOWN, VK_RETURN, 1);
    ASSERT_NE(nullptr, h.editor());
    EXPECT_EQ(1, h.gi()->currentColumn);
    h.Type("xyz");
    h.KeyToEditor(VK_RETURN);
    EXPECT_EQ(nullptr, h.editor());
    EXPECT_EQ("xyz", h.Cell(1, 1));
    EXPECT_EQ(2, h.gi()->currentColumn);
    EXPECT_TRUE(h.parentKeys.empty());
}

TEST(GridKeys, EnterOnAReadOnlyGridGoesToTheParent)
{
    EditHost h(2, {10, 10});
    h.gi()->readOnly = true;
    SendMessageA(h.grid(), WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(nullptr, h.editor());
    EXPECT_EQ(1, h.gi()->currentColumn);
    ASSERT_EQ(1u, h.parentKeys.size());
    EXPECT_EQ(WPARAM(VK_RETURN), h.parentKeys[0]);
}

TEST(GridKeys, TabMovesAcrossColumnsAndLeavesTheGridAtTheEnds)
{
    EditHost h(2, {10, 10});
    SendMessageA(h.grid(), WM_CHAR, 'p', 1);
    h.KeyToEditor(VK_TAB);
    EXPECT_EQ("p", h.Cell(1, 1));
    EXPECT_EQ(2, h.gi()->currentColumn);
    EXPECT_EQ(nullptr, h.editor());
    EXPECT_TRUE(h.parentKeys.empty());

    SendMessageA(h.grid(), WM_KEYDOWN, VK_TAB, 1);
    EXPECT_EQ(2, h.gi()->currentColumn);
    ASSERT_EQ(1u, h.parentKeys.size());
    EXPECT_EQ(WPARAM(VK_TAB), h.parentKeys[0]);

    EditHost::Hold(false, true);
    SendMessageA(h.grid(), WM_KEYDOWN, VK_TAB, 1);
    EXPECT_EQ(1, h.gi()->currentColumn);
    SendMessageA(h.grid(), WM_KEYDOWN, VK_TAB, 1);
    EXPECT_EQ(1, h.gi()->currentColumn);
    EXPECT_EQ(2u, h.parentKeys.size());
}

TEST(GridKeys, BrowsingMoves)
{
    struct Row {
        const char* name;
        WPARAM key;
        bool ctrl;
        int row, column;
    } rows[] = {
        {"down", VK_DOWN, false, 6, 2},  {"up", VK_UP, false, 4, 2},
        {"right", VK_RIGHT, false, 5, 3}, {"left", VK_LEFT, false, 5, 1},
        {"ctrl+page up", VK_PRIOR, true, 1, 2}, {"ctrl+page down", VK_NEXT, true, 40, 2},
        {"ctrl+home", VK_HOME, true, 5, 1}, {"ctrl+end", VK_END, true, 5, 3},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EditHost h(40, {5, 5, 5});
        h.Go(5, 2);
        EditHost::Hold(r.ctrl, false);
        SendMessageA(h.grid(), WM_KEYDOWN, r.key, 1);
        EXPECT_EQ(r.row, h.gi()->currentRow);
        EXPECT_EQ(r.column, h.gi()->currentColumn);
        EXPECT_EQ(nullptr, h.editor());
        EXPECT_TRUE(h.parentKeys.empty());
    }
}

TEST(GridKeys, HomeEndAndDeleteOpenTheEditorWithTheKey)
{
    EditHost h(1, {10});
    h.Put(1, 1, "abcd");
    SendMessageA(h.grid(), WM_KEYDOWN, VK_END, 1);
    ASSERT_NE(nullptr, h.editor());
    DWORD start = 0, end = 0;
    SendMessageA(h.editor(), EM_GETSEL, WPARAM(&start), LPARAM(&end));
    EXPECT_EQ(4u, start);
    EXPECT_EQ(4u, end);
    GridEndEditNoSave(h.grid(), h.gi());

    SendMessageA(h.grid(), WM_KEYDOWN, VK_HOME, 1);
    ASSERT_NE(nullptr, h.editor());
    SendMessageA(h.editor(), EM_GETSEL, WPARAM(&start), LPARAM(&end));
    EXPECT_EQ(0u, start);
    EXPECT_EQ(0u, end);
    GridEndEditNoSave(h.grid(), h.gi());

    // The whole text is selected when the editor opens: Delete empties it.
    SendMessageA(h.grid(), WM_KEYDOWN, VK_DELETE, 1);
    ASSERT_NE(nullptr, h.editor());
    EXPECT_EQ("", h.EditorText());
    EXPECT_EQ("abcd", h.Cell(1, 1));
}

TEST(GridKeys, DeleteOnALookupCellEmptiesItWithoutAnEditor)
{
    EditHost h(1, {10, 10});
    GridColComboAdd(h.grid(), h.gi(), 2, "red");
    h.Put(1, 2, "red");
    h.Go(1, 2);
    SendMessageA(h.grid(), WM_KEYDOWN, VK_DELETE, 1);
    EXPECT_EQ(nullptr, h.editor());
    EXPECT_EQ("", h.Cell(1, 2));
    EXPECT_TRUE(h.gi()->cellModified);
    const auto& notes = h.host.notes();
    ASSERT_GE(notes.size(), 2u);
    EXPECT_EQ(std::make_pair(int(GRIDN_EDITENDED), 1), notes[notes.size() - 2]);
    EXPECT_EQ(std::make_pair(int(GRIDN_CHANGED), int(GRID_CHANGE_EDIT)), notes.back());

    // A read-only column keeps its value.
    h.Put(1, 2, "red");
    h.col(2).columnReadOnly = true;
    SendMessageA(h.grid(), WM_KEYDOWN, VK_DELETE, 1);
    EXPECT_EQ("red", h.Cell(1, 2));
}

TEST(GridKeys, EscapeThrowsTheEditAway)
{
    EditHost h(1, {10});
    h.Put(1, 1, "kept");
    SendMessageA(h.grid(), WM_CHAR, 'n', 1);
    h.Type("ew");
    EXPECT_TRUE(h.gi()->cellModified);
    h.host.ClearNotes();
    h.KeyToEditor(VK_ESCAPE);
    EXPECT_EQ(nullptr, h.editor());
    EXPECT_EQ("kept", h.Cell(1, 1));
    EXPECT_FALSE(h.gi()->cellModified);
    EXPECT_EQ(0, h.host.Count(GRIDN_CELLWRITTEN));
    ASSERT_EQ(1, h.host.Count(GRIDN_EDITENDED));
    for (const auto& note : h.host.notes()) {
        if (note.first == GRIDN_EDITENDED) {
            EXPECT_EQ(0, note.second);
        }
    }
    EXPECT_EQ(1, h.host.Count(GRIDN_CHANGED));
}

TEST(GridKeys, ArrowsInTheEditor)
{
    struct Row {
        const char* name;
        WORD type;
        bool combo;
        WPARAM key;
        int rowAfter;
    } rows[] = {
        {"text down accepts and moves", GRID_TEXT, false, VK_DOWN, 3},
        {"text up accepts and moves", GRID_TEXT, false, VK_UP, 1},
        {"date keeps the arrows", GRID_DATE, false, VK_DOWN, 2},
        {"timestamp keeps the arrows", GRID_TIMESTAMP, false, VK_UP, 2},
        {"combo keeps the arrows", GRID_TEXT, true, VK_DOWN, 2},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EditHost h(3, {25});
        h.col(1).type = r.type;
        if (r.combo)
            GridColComboAdd(h.grid(), h.gi(), 1, "item");
        h.Go(2, 1);
        ASSERT_TRUE(GridBeginEdit(h.grid(), h.gi(), 0, 0));
        EXPECT_EQ(ZCS_GOON, GridOnEditorKey(h.grid(), h.gi(), r.key));
        EXPECT_EQ(r.rowAfter, h.gi()->currentRow);
        EXPECT_EQ(r.rowAfter == 2, h.editor() != nullptr);
    }
}

TEST(GridKeys, OfferedKeysTheParentMaySwallow)
{
    EditHost h(1, {10});
    ASSERT_TRUE(GridBeginEdit(h.grid(), h.gi(), 0, 0));
    h.host.Reply(GRIDN_QUERYEDITORKEY, 1);
    EXPECT_EQ(ZCS_SWALLOW, GridOnEditorKey(h.grid(), h.gi(), VK_ESCAPE));
    EXPECT_NE(nullptr, h.editor());
    h.host.Reply(GRIDN_QUERYEDITORKEY, 0);

    h.host.Reply(GRIDN_QUERYEDITORCHAR, 1);
    h.Type("abc");
    EXPECT_EQ("", h.EditorText());
    h.host.Reply(GRIDN_QUERYEDITORCHAR, 0);
    h.Type("ab");
    EXPECT_EQ("ab", h.EditorText());
    EXPECT_EQ(ZCS_SWALLOW, GridOnEditorChar(h.grid(), h.gi(), 27));
    // Function keys reach the parent through the grid.
    EXPECT_EQ(ZCS_GOON, GridOnEditorKey(h.grid(), h.gi(), VK_F2));
    ASSERT_EQ(1u, h.parentKeys.size());
    EXPECT_EQ(WPARAM(VK_F2), h.parentKeys[0]);
    // Without an editor nothing is asked.
    GridEndEditNoSave(h.grid(), h.gi());
    h.host.ClearNotes();
    EXPECT_EQ(ZCS_GOON, GridOnEditorKey(h.grid(), h.gi(), VK_ESCAPE));
    EXPECT_EQ(0, h.host.Count(GRIDN_QUERYEDITORKEY));
}

TEST(GridKeys, ComboEditorKeys)
{
    EditHost h(1, {10});
    for (const char* item : {"a", "b"})
        GridColComboAdd(h.grid(), h.gi(), 1, item);
    h.Put(1, 1, "b");
    ASSERT_TRUE(GridBeginEdit(h.grid(), h.gi(), 0, 0));
    EXPECT_EQ(1, SendMessageA(h.editor(), CB_GETCURSEL, 0, 0));
    EXPECT_EQ(ZCS_SWALLOW, GridOnEditorKey(h.grid(), h.gi(), VK_F4));
    EXPECT_EQ(1, h.host.Count(GRIDN_EDITF4));
    EditHost::Hold(true, false);
    h.gi()->cellModified = false;
    EXPECT_EQ(ZCS_SWALLOW, GridOnEditorKey(h.grid(), h.gi(), VK_SPACE));
    EXPECT_EQ(CB_ERR, SendMessageA(h.col(1).lookupCombo, CB_GETCURSEL, 0, 0));
    EXPECT_TRUE(h.gi()->cellModified);
}

TEST(GridKeys, TypedCharacterFiltersByColumn)
{
    struct Row {
        const char* name;
        WORD type;
        DWORD flags;
        const char* typed;
        const char* shown;
    } rows[] = {
        {"integer", GRID_INTEGER, 0, "12a-3x,5.", "12-3,5."},
        {"float", GRID_FLOAT, 0, "1,5e", "1,5"},
        {"integer free text", GRID_INTEGER, 0x80, "12a", "12a"},
        {"letters and digits", GRID_TEXT, 0x20, "a-b 1!", "ab1"},
        {"digits", GRID_TEXT, 0x2000, "a1-2", "1-2"},
        {"uppercase", GRID_TEXT, 0x1, "abc", "ABC"},
        {"plain text", GRID_TEXT, 0, "a b-1", "a b-1"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EditHost h(1, {20});
        h.col(1).type = r.type;
        h.col(1).flags = r.flags;
        ASSERT_TRUE(GridBeginEdit(h.grid(), h.gi(), 0, 0));
        h.Type(r.typed);
        EXPECT_EQ(r.shown, h.EditorText());
    }
}

TEST(GridKeys, EditorTextIsLimitedToTheDataWidth)
{
    EditHost h(1, {4});
    ASSERT_TRUE(GridBeginEdit(h.grid(), h.gi(), 0, 0));
    h.Type("abcdefg");
    EXPECT_EQ("abcd", h.EditorText());
}

TEST(GridKeys, CtrlBTogglesRowNumbersUnlessAllButtonsAreOff)
{
    for (DWORD style : {DWORD(0), DWORD(0xFF)}) {
        SCOPED_TRACE(style);
        EditHost h(1, {10});
        h.gi()->style = style;
        bool before = h.gi()->hideRowNumbers;
        EditHost::Hold(true, false);
        SendMessageA(h.grid(), WM_KEYDOWN, 'B', 1);
        EXPECT_EQ(style == 0 ? !before : before, h.gi()->hideRowNumbers);
        // Without Ctrl the letter does nothing and is not passed on.
        EditHost::Hold(false, false);
        SendMessageA(h.grid(), WM_KEYDOWN, 'B', 1);
        EXPECT_EQ(style == 0 ? !before : before, h.gi()->hideRowNumbers);
        EXPECT_TRUE(h.parentKeys.empty());
    }
}

TEST(GridKeys, UnusedKeysGoToTheParent)
{
    EditHost h(2, {10});
    for (WPARAM key : {WPARAM(VK_F1), WPARAM(VK_F12), WPARAM(VK_ESCAPE), WPARAM(VK_INSERT), WPARAM('Q')})
        SendMessageA(h.grid(), WM_KEYDOWN, key, 1);
    ASSERT_EQ(5u, h.parentKeys.size());
    EXPECT_EQ(WPARAM(VK_F1), h.parentKeys[0]);
    EXPECT_EQ(WPARAM('Q'), h.parentKeys[4]);
    EXPECT_EQ(nullptr, h.editor());
}

TEST(GridKeys, KeyUpNotifiesArrowMovesUnlessAllMovesAre)
{
    for (bool all : {false, true}) {
        SCOPED_TRACE(all ? "notifyAllMoves" : "plain");
        EditHost h(2, {10});
        h.gi()->notifyAllMoves = all;
        for (WPARAM key : {WPARAM(VK_LEFT), WPARAM(VK_RIGHT), WPARAM(VK_UP), WPARAM(VK_DOWN), WPARAM(VK_HOME)})
            SendMessageA(h.grid(), WM_KEYUP, key, 1);
        std::vector<std::pair<int, int>> expected;
        if (!all)
            expected = {{GRIDN_COLCHANGED, VK_LEFT}, {GRIDN_COLCHANGED, VK_RIGHT},
                        {GRIDN_ROWCHANGED, VK_UP}, {GRIDN_ROWCHANGED, VK_DOWN}};
        EXPECT_EQ(expected, h.host.notes());
    }
}

}  // namespace

namespace {

TEST(GridKeys, EnterOnAnEmptyGridAddsARowAndEditsIt)
{
    EditHost h(0, {10, 10});
    SendMessageA(h.grid(), WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(1, h.gi()->rowCount);
    EXPECT_EQ(1, h.gi()->currentRow);
    EXPECT_NE(nullptr, h.editor());
}

TEST(GridKeys, CtrlAddsAndDeletesRowsAsTheStyleAllows)
{
    struct Row {
        const char* name;
        DWORD style;
        int afterAdd, afterDelete;
    } rows[] = {
        {"both allowed", 0, 4, 3},
        {"no add", GRIDS_NOADD, 3, 2},
        {"no delete", GRIDS_NODELETE, 4, 4},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EditHost h(3, {10});
        h.gi()->style = r.style;
        // Without Ctrl the letters change nothing.
        SendMessageA(h.grid(), WM_KEYDOWN, 'A', 1);
        EXPECT_EQ(3, h.gi()->rowCount);
        EditHost::Hold(true, false);
        SendMessageA(h.grid(), WM_KEYDOWN, 'A', 1);
        EXPECT_EQ(r.afterAdd, h.gi()->rowCount);
        SendMessageA(h.grid(), WM_KEYDOWN, 'D', 1);
        EXPECT_EQ(r.afterDelete, h.gi()->rowCount);
    }
}

TEST(GridKeys, AcceptAndAskNeedsTheParentsConsent)
{
    EditHost h(2, {10});
    ASSERT_TRUE(GridBeginEdit(h.grid(), h.gi(), WM_CHAR, 'v'));
    h.host.Reply(GRIDN_QUERYJUMP, 1);
    EXPECT_FALSE(GridAcceptAndAsk(h.grid(), h.gi()));
    // The value itself was accepted; only the move is refused.
    EXPECT_EQ("v", h.Cell(1, 1));
    h.host.Reply(GRIDN_QUERYJUMP, 0);
    EXPECT_TRUE(GridAcceptAndAsk(h.grid(), h.gi()));
}

// The same keys through a real grid window procedure.
struct RealGrid {
    RealGrid()
    {
        static bool registered = false;
        HINSTANCE inst = GetModuleHandleA(nullptr);
        if (!registered) {
            WNDCLASSA wc = {};
            wc.lpfnWndProc = zGridWndProc;
            wc.hInstance = inst;
            wc.lpszClassName = "CorvexKeysTestGrid";
            wc.style = CS_DBLCLKS;
            RegisterClassA(&wc);
            wc.lpfnWndProc = DefWindowProcA;
            wc.lpszClassName = "CorvexKeysTestParent";
            RegisterClassA(&wc);
            registered = true;
        }
        parent = CreateWindowExA(0, "CorvexKeysTestParent", "", WS_POPUP, 0, 0, 500, 400, nullptr, nullptr,
                                 inst, nullptr);
        grid = CreateWindowExA(0, "CorvexKeysTestGrid", "", WS_CHILD | WS_VISIBLE, 0, 0, 400, 300, parent,
                               nullptr, inst, nullptr);
    }
    ~RealGrid() { DestroyWindow(parent); }
    HWND parent = nullptr, grid = nullptr;
};

TEST(GridKeysWindow, TypingEnterAndEscapeThroughTheWindowProcedure)
{
    RealGrid g;
    GRIDINFO* gi = GridInfo(g.grid);
    ASSERT_NE(nullptr, gi);
    zGridColAdd(g.grid, 10, 0, "A", "a", 10, GRID_TEXT, 0, "", true);
    zGridColAdd(g.grid, 10, 0, "B", "b", 10, GRID_TEXT, 0, "", true);
    SendMessageA(g.grid, WM_KEYDOWN, VK_RETURN, 1);
    ASSERT_EQ(1, gi->rowCount);
    ASSERT_NE(nullptr, gi->editor);
    SendMessageA(gi->editor, WM_CHAR, 'h', 1);
    SendMessageA(gi->editor, WM_CHAR, 'i', 1);
    SendMessageA(gi->editor, WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(nullptr, gi->editor);
    EXPECT_STREQ("hi", zGridGetText(g.grid, 1, 1, true));
    EXPECT_EQ(2, gi->currentColumn);

    SendMessageA(g.grid, WM_CHAR, 'x', 1);
    ASSERT_NE(nullptr, gi->editor);
    SendMessageA(gi->editor, WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_EQ(nullptr, gi->editor);
    EXPECT_STREQ("", zGridGetText(g.grid, 1, 2, true));
}

}  // namespace
