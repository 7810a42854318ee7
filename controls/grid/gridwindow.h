#pragma once
// The grid window's procedure and the parts it hands work to. The window
// procedure (gridclass.cpp and its companions) owns creation, sizing, the
// mouse, the scroll bars and the grid's own messages; the functions below
// are the keyboard, the in-place editors and the row commands and tool
// buttons, each defined in its own file.

#include "corvex.h"
#include "gridinfo.h"
#include "gridmsg.h"

#include <commctrl.h>

// zGridWndProc, the grid's window procedure, is declared with the exports.

// WM_NOTIFY identifier of the grid's owner-draw and edit-begin records.
enum : UINT { GRID_NOTIFY_ID = 777 };
enum : UINT { GRIDN_DRAWCELL = 0x0B7E, GRIDN_EDITBEGIN = 0x0B82 };

// Process-wide 16x16 icons of the tool buttons (resources 1000, 1002..1007),
// loaded on the first grid creation; index 0..6, null outside.
HICON GridSharedIcon(int index);

// Keyboard: WM_KEYDOWN, WM_KEYUP and WM_CHAR of the grid window (each
// answers the message result), and the editor's offered keys and characters
// (-1 lets the editor handle it, -2 swallows it).
LRESULT GridOnKeyDown(HWND grid, GRIDINFO* gi, WPARAM key, LPARAM lParam);
LRESULT GridOnKeyUp(HWND grid, GRIDINFO* gi, WPARAM key, LPARAM lParam);
LRESULT GridOnChar(HWND grid, GRIDINFO* gi, WPARAM ch, LPARAM lParam);
LRESULT GridOnEditorKey(HWND grid, GRIDINFO* gi, WPARAM key);
LRESULT GridOnEditorChar(HWND grid, GRIDINFO* gi, WPARAM ch);

// In-place editors: begin editing the current cell (msg/key, when both are
// non-zero, passed on to the new editor); accept the editor's value; accept
// and ask the parent (query GRIDN_QUERYJUMP), the gate of every row change
// the user starts; end editing without saving.
bool GridBeginEdit(HWND grid, GRIDINFO* gi, UINT msg, WPARAM key);
bool GridAcceptEdit(HWND grid, GRIDINFO* gi);
bool GridAcceptAndAsk(HWND grid, GRIDINFO* gi);
void GridEndEditNoSave(HWND grid, GRIDINFO* gi);

// Row commands: the add-row command (Ctrl+A, tool button 0); the
// delete-row command (Ctrl+D, tool button 1) with its repaint option; the
// insert of message 0x0B0D with its two options; a new row before the
// current one; emptying a bound table. Each answers its success.
bool GridAddRowCommand(HWND grid, GRIDINFO* gi);
bool GridDeleteRowCommand(HWND grid, GRIDINFO* gi, bool repaint);
bool GridInsertRowCommand(HWND grid, GRIDINFO* gi, bool option1, bool option2);
bool GridInsertRowBefore(HWND grid, GRIDINFO* gi);
bool GridZapTable(HWND grid, GRIDINFO* gi);

// Transactions and tool buttons: commit (its notify option), rollback,
// the commit and rollback buttons, applying the style (all buttons, the
// status bar, hideRowNumbers, layout), hiding and showing the status bar.
bool GridCommit(HWND grid, GRIDINFO* gi, bool notify);
bool GridRollback(HWND grid, GRIDINFO* gi);
void GridSetCommitButtons(HWND grid, GRIDINFO* gi);
void GridApplyStyle(HWND grid, GRIDINFO* gi);
void GridShowStatusBar(HWND grid, GRIDINFO* gi, bool show);

// The cell-draw record sent (WM_NOTIFY, GRID_NOTIFY_ID, GRIDN_DRAWCELL) to
// the parent before each cell is drawn; the receiver may change the words
// after the row and column to change how the cell looks.
enum : DWORD {
    GRIDCD_ICON = 0x01,
    GRIDCD_TEXT = 0x02,
    GRIDCD_RIGHT = 0x04,
    GRIDCD_BACKCOLOR = 0x08,
    GRIDCD_TEXTCOLOR = 0x10,
    GRIDCD_NOTEXT = 0x20,
    GRIDCD_BOLD = 0x80,
};

struct GRIDCELLDRAW {
    NMHDR header;
    int row;
    int column;
    DWORD flags;
    DWORD reserved;
    const char* text;
    HICON icon;
    COLORREF backColor;
    COLORREF textColor;
    int iconCount;
    int imagePlacement;  // 2 images before the text, 0 after; OR-ed into the text format
    int images[6];
    int imageStyles[6];
    HIMAGELIST imageList;
    int imageWidth;
    int imageHeight;
    int imageGap;
    int imagesUsed;
};
static_assert(sizeof(void*) != 4 || sizeof(GRIDCELLDRAW) == 120, "the cell-draw record is 120 bytes");
