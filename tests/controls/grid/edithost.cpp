#include "edithost.h"

#include "gridrows.h"
#include "gridwindow.h"
#include "subclass/zsubclass.h"
#include "xalloc.h"

#include <commctrl.h>

namespace {

const char kHostProp[] = "EditHostTest";

EditHost* HostOf(HWND window)
{
    return static_cast<EditHost*>(GetPropA(window, kHostProp));
}

}  // namespace

EditHost::EditHost(int rows, const std::vector<int>& widths) : host(400, 300)
{
    host.AddColumns(widths);
    host.AddRows(rows);
    SetPropA(grid(), kHostProp, this);
    SetPropA(host.parent(), kHostProp, this);
    SetWindowLongPtrA(grid(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GridProc));
    oldParent_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(host.parent(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ParentProc)));
    if (rows)
        Go(1, 1);
    host.ClearNotes();
}

EditHost::~EditHost()
{
    Hold(false, false);
    GridEndEditNoSave(grid(), gi());
    RemovePropA(grid(), kHostProp);
    RemovePropA(host.parent(), kHostProp);
    SetWindowLongPtrA(host.parent(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldParent_));
    SetWindowLongPtrA(grid(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));
}

void EditHost::Put(int row, int column, const char* text)
{
    GridWriteCellField(gi(), row, column, text);
}

std::string EditHost::Cell(int row, int column) const
{
    char* text = GridReadCellField(gi(), row, column);
    std::string out = text ? text : "";
    xfree(text);
    return out;
}

void EditHost::Go(int row, int column)
{
    gi()->currentRow = row;
    gi()->currentColumn = column;
}

std::string EditHost::EditorText() const
{
    char text[512] = "";
    if (editor())
        GetWindowTextA(editor(), text, sizeof text);
    return text;
}

void EditHost::Type(const char* text)
{
    for (const char* p = text; *p && editor(); ++p)
        SendMessageA(editor(), WM_CHAR, WPARAM(static_cast<unsigned char>(*p)), 1);
}

void EditHost::KeyToEditor(WPARAM key)
{
    if (editor())
        SendMessageA(editor(), WM_KEYDOWN, key, 1);
}

void EditHost::Hold(bool ctrl, bool shift)
{
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = ctrl ? 0x80 : 0;
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
}

LRESULT CALLBACK EditHost::GridProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    GRIDINFO* gi = GridInfo(window);
    switch (msg) {
    case WM_KEYDOWN:
        return GridOnKeyDown(window, gi, wParam, lParam);
    case WM_KEYUP:
        return GridOnKeyUp(window, gi, wParam, lParam);
    case WM_CHAR:
        return GridOnChar(window, gi, wParam, lParam);
    case ZCS_OFFERKEY:
        return GridOnEditorKey(window, gi, wParam);
    case ZCS_OFFERCHAR:
        return GridOnEditorChar(window, gi, wParam);
    case WM_COMMAND:
        // The window side's value-change rule: the editor changed the cell.
        if (gi && (HIWORD(wParam) == EN_UPDATE || HIWORD(wParam) == EN_CHANGE ||
                   HIWORD(wParam) == CBN_SELCHANGE))
            gi->cellModified = true;
        return 0;
    case WM_NOTIFY:
        if (gi && reinterpret_cast<NMHDR*>(lParam)->code == UINT(DTN_DATETIMECHANGE))
            gi->cellModified = true;
        return 0;
    default:
        return DefWindowProcA(window, msg, wParam, lParam);
    }
}

LRESULT CALLBACK EditHost::ParentProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    EditHost* self = HostOf(window);
    if (self && msg == ZCS_OFFERKEY) {
        self->parentKeys.push_back(wParam);
        return 0;
    }
    if (self && msg == WM_NOTIFY && wParam == GRID_NOTIFY_ID) {
        auto* words = reinterpret_cast<DWORD*>(lParam);
        if (words[2] == GRIDN_EDITBEGIN) {
            self->editBegins.push_back(int(words[3]));
            if (self->suppliedText) {
                words[4] |= 0x2;
                words[5] = DWORD(reinterpret_cast<UINT_PTR>(self->suppliedText));
            }
        }
        return 0;
    }
    return CallWindowProcA(self ? self->oldParent_ : DefWindowProcA, window, msg, wParam, lParam);
}
