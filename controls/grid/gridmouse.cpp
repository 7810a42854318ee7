// The grid window's mouse and scroll bars: column resizing by dragging a
// header border, click selection, wheel, and the row change they share.

#include "gridcursor.h"
#include "gridlayout.h"
#include "gridwindow.h"
#include "gridwndparts.h"

#include <windowsx.h>

namespace {

// One drag at a time in the process: the mouse is captured while it lasts.
RECT g_dragRect;
int g_dragColumn = -1;
int g_dragLastX = 0;

void DrawDragRect(HWND grid)
{
    HDC dc = GetDC(grid);
    DrawFocusRect(dc, &g_dragRect);
    ReleaseDC(grid, dc);
}

// Returns 1 when a resize began, 0 when the point is on no border.
bool BeginResize(HWND grid, GRIDINFO* gi, POINT pt, LRESULT* result)
{
    if (gi->editor)
        return false;
    int index = GridColumnBorderAt(grid, gi, pt.x, pt.y);
    if (index < 0)
        return false;
    *result = 0;
    int left = GridColumnLeft(gi, index + 1);
    RECT rc = {left, 0, left + GridColumnPixelWidth(grid, gi, index + 1), GridHeaderHeight(gi)};
    if (rc.right == gi->rowNumberWidth * gi->charWidth)
        return true;
    g_dragRect = rc;
    g_dragColumn = index + 1;
    g_dragLastX = pt.x;
    DrawDragRect(grid);
    SetCapture(grid);
    RECT client;
    GetClientRect(grid, &client);
    POINT from = {left + 10, 0};
    POINT to = {client.right, 0};
    ClientToScreen(grid, &from);
    ClientToScreen(grid, &to);
    // A zero-height band keeps the pointer moving sideways only.
    RECT clip = {from.x, from.y, to.x, to.y};
    ClipCursor(&clip);
    gi->resizingColumn = true;
    GridEndEditNoSave(grid, gi);
    DestroyCaret();
    *result = 1;
    return true;
}

// Ends a drag: its rectangle erased, the pointer free and the mouse let go.
void StopDrag(HWND grid, GRIDINFO* gi)
{
    DrawDragRect(grid);
    g_dragColumn = -1;
    // Cleared first: letting the mouse go below is no loss of it.
    gi->resizingColumn = false;
    ClipCursor(nullptr);
    if (GetCapture() == grid)
        ReleaseCapture();
}

LRESULT EndResize(HWND grid, GRIDINFO* gi)
{
    int width = gi->charWidth > 0 ? (g_dragRect.right - g_dragRect.left) / gi->charWidth : 0;
    int column = g_dragColumn;
    StopDrag(grid, gi);
    // Dragged shut (width 0) the column is hidden until the owner gives it a
    // width (0x0B2E) and shows it again (0x0B2B).
    if (column >= 1 && column <= gi->columnCount)
        GridSetDisplayWidth(grid, gi, column, width);
    GridPlaceCaret(grid, gi);
    return 1;
}

void OnMouseMove(HWND grid, GRIDINFO* gi, POINT pt)
{
    if (gi->resizingColumn) {
        DrawDragRect(grid);
        SetCursor(LoadCursorA(nullptr, IDC_SIZEWE));
        g_dragRect.right += pt.x - g_dragLastX;
        if (g_dragRect.right < g_dragRect.left)
            g_dragRect.right = g_dragRect.left;
        g_dragLastX = pt.x;
        DrawDragRect(grid);
        return;
    }
    bool border = !gi->editor && GridColumnBorderAt(grid, gi, pt.x, pt.y) >= 0;
    SetCursor(LoadCursorA(nullptr, border ? IDC_SIZEWE : IDC_ARROW));
}

// Click selection: the cell under the point becomes current.
void SelectAt(HWND grid, GRIDINFO* gi, POINT pt)
{
    int row = 0, column = 0;
    if (!GridCellAtPoint(grid, gi, pt, &row, &column) || !GridAcceptAndAsk(grid, gi))
        return;
    GridChangeRow(grid, gi, row, column);
    if (!gi->editOnClick || gi->columns[column - 1].columnReadOnly || gi->currentColumn != column)
        return;
    const GRIDCOL& col = gi->columns[column - 1];
    if (col.lookupCombo) {
        SendMessageA(grid, WM_KEYDOWN, VK_RETURN, 0);
        if (gi->editor)
            PostMessageA(gi->editor, CB_SHOWDROPDOWN, 1, 0);
    } else if (col.type == GRID_TIMESTAMP) {
        SendMessageA(grid, WM_KEYDOWN, VK_RETURN, 0);
    }
}

LRESULT OnButtonUp(HWND grid, GRIDINFO* gi, POINT pt)
{
    if (gi->resizingColumn)
        return EndResize(grid, gi);
    if (pt.y >= 0 && pt.y < GridHeaderHeight(gi)) {
        int index = GridColumnAtPoint(grid, gi, pt);
        if (index >= 0 && index < gi->columnCount)
            GridNotify(grid, GRIDN_HEADERCLICK, index + 1);
    }
    return 0;
}

}  // namespace

void GridCancelResize(HWND grid, GRIDINFO* gi)
{
    if (gi->resizingColumn)
        StopDrag(grid, gi);
}

bool GridCellAtPoint(HWND grid, const GRIDINFO* gi, POINT pt, int* row, int* column)
{
    int pitch = GridRowHeight(gi);
    if (pitch <= 0 || gi->charWidth <= 0)
        return false;
    RECT client;
    GetClientRect(grid, &client);
    int last = gi->topRow + (client.bottom - gi->statusBarHeight) / pitch;
    if (last > gi->rowCount)
        last = gi->rowCount;
    int top = GridHeaderHeight(gi);
    for (int r = gi->topRow; r < last; ++r, top += pitch) {
        if (pt.y < top || pt.y >= top + pitch)
            continue;
        int x = (gi->rowNumberWidth - gi->leftOffset) * gi->charWidth;
        for (int c = 1; c <= gi->columnCount; ++c) {
            const GRIDCOL& col = gi->columns[c - 1];
            if (!GridColumnShown(col))
                continue;
            int right = x + col.displayWidth * gi->charWidth;
            if (pt.x >= x && pt.x < right) {
                *row = r + 1;
                *column = c;
                return true;
            }
            x = right;
        }
        return false;
    }
    return false;
}

void GridChangeRow(HWND grid, GRIDINFO* gi, int row, int column)
{
    // The same row change as the keyboard's: previousRow is the row left.
    GridSetCurrentRow(grid, gi, row, column, 0, false);
    GridBringIntoView(grid, gi);
    GridPlaceCaret(grid, gi);
}

LRESULT GridOnMouse(HWND grid, GRIDINFO* gi, UINT msg, WPARAM wParam, LPARAM lParam)
{
    POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    LRESULT result = 0;
    switch (msg) {
    case WM_MOUSEMOVE:
        OnMouseMove(grid, gi, pt);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        if (BeginResize(grid, gi, pt, &result))
            return result;
        SetFocus(grid);
        SelectAt(grid, gi, pt);
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        return OnButtonUp(grid, gi, pt);
    case WM_LBUTTONDBLCLK:
        if (!gi->resizingColumn)
            GridBeginEdit(grid, gi, 0, 0);
        return 0;
    case WM_CAPTURECHANGED:
        if (gi->resizingColumn) {
            GridCancelResize(grid, gi);
            GridPlaceCaret(grid, gi);
        }
        return 0;
    case WM_MOUSEWHEEL: {
        int delta = GET_WHEEL_DELTA_WPARAM(wParam);
        if (delta == 0)
            return 0;
        WPARAM key = delta > 0 ? VK_UP : VK_DOWN;
        SendMessageA(grid, WM_KEYDOWN, key, 0);
        SendMessageA(grid, WM_KEYDOWN, key, 0);
        SendMessageA(grid, WM_KEYUP, key, 0);
        return 0;
    }
    }
    return 0;
}

namespace {

int TrackPosition(HWND grid)
{
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_TRACKPOS;
    using GetFn = BOOL(WINAPI*)(HWND, int, SCROLLINFO*);
    static auto flat = reinterpret_cast<GetFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("comctl32.dll"), "FlatSB_GetScrollInfo")));
    if (!(flat && flat(grid, SB_VERT, &si)))
        GetScrollInfo(grid, SB_VERT, &si);
    return si.nTrackPos;
}

void OnVScroll(HWND grid, GRIDINFO* gi, int code)
{
    switch (code) {
    case SB_LINEUP:
        GridRowUp(grid, gi, 0);
        break;
    case SB_LINEDOWN:
        GridRowDown(grid, gi, 0);
        break;
    case SB_PAGEUP:
        GridPageUp(grid, gi);
        break;
    case SB_PAGEDOWN:
        GridPageDown(grid, gi);
        break;
    case SB_THUMBPOSITION:
        if (!GridAcceptAndAsk(grid, gi))
            break;
        GridScrollVertically(grid, gi, TrackPosition(grid) - gi->topRow);
        if (gi->rowCount > 0)
            GridChangeRow(grid, gi, gi->topRow + 1, gi->currentColumn);
        break;
    }
}

}  // namespace

LRESULT GridOnScroll(HWND grid, GRIDINFO* gi, UINT msg, WPARAM wParam)
{
    SetFocus(grid);
    GridEndEditNoSave(grid, gi);
    int code = LOWORD(wParam);
    if (msg == WM_VSCROLL) {
        OnVScroll(grid, gi, code);
        return 0;
    }
    int moves = (code == SB_PAGELEFT || code == SB_PAGERIGHT) ? 3 : 1;
    for (int i = 0; i < moves; ++i) {
        if (code == SB_LINELEFT || code == SB_PAGELEFT)
            GridPreviousColumn(grid, gi, 0);
        else if (code == SB_LINERIGHT || code == SB_PAGERIGHT)
            GridNextColumn(grid, gi, 0);
    }
    return 0;
}
