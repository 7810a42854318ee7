// The "zgrid" window class and its procedure: the window's life (record,
// status bar, row marker, off-screen surface), focus, font and colours.
// Mouse, scroll bars, the grid's own messages and painting are handed to
// their own files; keys and editors to their parts (gridwindow.h).

#include "corvexclasses.h"
#include "gridbrowse.h"
#include "gridcolumns.h"
#include "gridcursor.h"
#include "gridlayout.h"
#include "gridlock.h"
#include "gridrows.h"
#include "gridwindow.h"
#include "gridwndparts.h"
#include "subclass/zsubclass.h"

#include <commctrl.h>

namespace {

const char kClassName[] = "zgrid";
const int kIconIds[7] = {1000, 1002, 1003, 1004, 1005, 1006, 1007};
HICON g_icons[7];
bool g_iconsLoaded = false;
HINSTANCE g_module = nullptr;

const COLORREF kEditorColor = 0xCCFFFF;

// Flat scroll bars: comctl32 exports these by name only.
void InitFlatScrollBars(HWND grid)
{
    HMODULE comctl = GetModuleHandleA("comctl32.dll");
    if (!comctl)
        return;
    using InitFn = BOOL(WINAPI*)(HWND);
    using PropFn = BOOL(WINAPI*)(HWND, int, INT_PTR, BOOL);
    auto init = reinterpret_cast<InitFn>(reinterpret_cast<void*>(GetProcAddress(comctl, "InitializeFlatSB")));
    auto prop = reinterpret_cast<PropFn>(reinterpret_cast<void*>(GetProcAddress(comctl, "FlatSB_SetScrollProp")));
    if (!init || !init(grid) || !prop)
        return;
    prop(grid, WSB_PROP_VSTYLE, FSB_ENCARTA_MODE, FALSE);
    prop(grid, WSB_PROP_HSTYLE, FSB_ENCARTA_MODE, TRUE);
}

void LoadSharedIcons()
{
    if (g_iconsLoaded)
        return;
    for (int i = 0; i < 7; ++i)
        g_icons[i] = static_cast<HICON>(
            LoadImageA(g_module, MAKEINTRESOURCEA(kIconIds[i]), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    g_iconsLoaded = true;
}

LRESULT OnCreate(HWND grid)
{
    GRIDINFO* gi = GridAttachRecord(grid);
    if (!gi) {
        MessageBoxA(nullptr, "Out Of Memory!", "FATAL", MB_ICONHAND | MB_TASKMODAL);
        PostQuitMessage(1);
        return -1;
    }
    HINSTANCE inst = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(grid, GWLP_HINSTANCE));
    gi->statusBar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_TOOLTIPS | CCS_BOTTOM,
                                    0, 0, 0, 0, grid, nullptr, inst, nullptr);
    int parts[7] = {23, 48, 73, 98, 123, 148, -1};
    if (gi->statusBar)
        SendMessageA(gi->statusBar, SB_SETPARTS, 7, reinterpret_cast<LPARAM>(parts));
    LoadSharedIcons();
    GridSetFontMetrics(grid, gi, gi->font);
    gi->editorBrush = CreateSolidBrush(kEditorColor);
    InitFlatScrollBars(grid);
    gi->pickerMilliseconds = -1;
    gi->stopOnReadOnly = true;
    GridApplyStyle(grid, gi);
    gi->rowMarker = CreateWindowExA(0, "static", "", WS_CHILD | SS_SUNKEN | SS_CENTER, 0, 0,
                                    gi->rowNumberWidth * gi->charWidth, gi->charHeight + 3, grid, nullptr, inst,
                                    nullptr);
    if (gi->rowMarker && gi->boldFont)
        SendMessageA(gi->rowMarker, WM_SETFONT, reinterpret_cast<WPARAM>(gi->boldFont), FALSE);
    return 0;
}

template <class T>
void DeleteGdi(T& handle)
{
    if (handle)
        DeleteObject(handle);
    handle = nullptr;
}

void OnDestroy(HWND grid, GRIDINFO* gi)
{
    GridCancelResize(grid, gi);
    DeleteGdi(gi->backBitmap);
    DeleteGdi(gi->clipRegion);
    if (gi->memoryDC)
        DeleteDC(gi->memoryDC);
    gi->memoryDC = nullptr;
    DeleteGdi(gi->editorBrush);
    DeleteGdi(gi->boldFont);
    DeleteGdi(gi->headerFont);
    GridFreeText(gi->editText);
    GridFreeText(gi->startText);
    GridDropAllLocks(gi);
    if (gi->hstmt)
        GridCloseBrowse(grid, gi);
    // An unbound grid owns its columns and rows as well.
    GridFreeColumns(grid, gi);
    GridFreeRows(gi);
    GridFreeText(gi->cellText);
    for (HICON& icon : gi->icons) {
        if (icon)
            DestroyIcon(icon);
        icon = nullptr;
    }
    GridDetachRecord(grid);
}

void RebuildSurface(HWND grid, GRIDINFO* gi)
{
    RECT rc;
    GetClientRect(grid, &rc);
    int height = rc.bottom - gi->statusBarHeight;
    if (height < 1)
        height = 1;
    int width = rc.right > 0 ? rc.right : 1;
    HDC dc = GetDC(grid);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
    ReleaseDC(grid, dc);
    if (gi->memoryDC)
        DeleteDC(gi->memoryDC);  // the old bitmap is deselected with its context
    DeleteGdi(gi->backBitmap);
    DeleteGdi(gi->clipRegion);
    gi->memoryDC = memory;
    gi->backBitmap = bitmap;
    gi->clipRegion = CreateRectRgn(0, 0, width, height);
}

void OnSize(HWND grid, GRIDINFO* gi, WPARAM wParam, LPARAM lParam)
{
    GridEndEditNoSave(grid, gi);
    if (IsWindow(gi->statusBar) && !gi->statusBarHidden) {
        SendMessageA(gi->statusBar, WM_SIZE, wParam, lParam);
        RECT sb;
        GetWindowRect(gi->statusBar, &sb);
        gi->statusBarHeight = sb.bottom - sb.top;
    }
    RebuildSurface(grid, gi);
    bool editorShown = gi->editor && IsWindowVisible(gi->editor);
    if (editorShown)
        ShowWindow(gi->editor, SW_HIDE);
    GridRecalcLayout(grid, gi);
    if (editorShown)
        ShowWindow(gi->editor, SW_SHOW);
    GridBringIntoView(grid, gi);
    if (gi->currentColumn && gi->currentRow)
        GridPlaceCaret(grid, gi);
}

HFONT CopyFont(HFONT font, bool rotated)
{
    LOGFONTA lf = {};
    if (!font || !GetObjectA(font, sizeof lf, &lf))
        GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    if (rotated)
        lf.lfEscapement = lf.lfOrientation = 900;
    else
        lf.lfWeight = FW_BOLD;
    return CreateFontIndirectA(&lf);
}

void OnSetFont(HWND grid, GRIDINFO* gi, HFONT font)
{
    gi->font = font;
    DeleteGdi(gi->boldFont);
    gi->boldFont = CopyFont(font, false);
    GridMakeHeaderFont(gi);
    if (gi->rowMarker)
        SendMessageA(gi->rowMarker, WM_SETFONT, reinterpret_cast<WPARAM>(gi->boldFont), FALSE);
    GridSetFontMetrics(grid, gi, gi->font);
    GridRecalcLayout(grid, gi);
    InvalidateRect(grid, nullptr, TRUE);
}

LRESULT OnCtlColor(GRIDINFO* gi, UINT msg, HDC dc)
{
    if (msg != WM_CTLCOLORSTATIC)
        SetBkColor(dc, kEditorColor);
    return reinterpret_cast<LRESULT>(gi->editorBrush);
}

// Messages of the window's life, focus, font and colours.
bool WindowMessage(HWND grid, GRIDINFO* gi, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    *result = 0;
    switch (msg) {
    case WM_DESTROY:
        OnDestroy(grid, gi);
        *result = DefWindowProcA(grid, msg, wParam, lParam);
        return true;
    case WM_SIZE:
        OnSize(grid, gi, wParam, lParam);
        return true;
    case WM_SETFOCUS:
        if (gi->editor && IsWindowVisible(gi->editor))
            SetFocus(gi->editor);
        else
            GridPlaceCaret(grid, gi);
        return true;
    case WM_KILLFOCUS:
        DestroyCaret();
        return true;
    case WM_PAINT:
        GridPaint(grid, gi);
        return true;
    case WM_ERASEBKGND:
        *result = 1;
        return true;
    case WM_SETFONT:
        OnSetFont(grid, gi, reinterpret_cast<HFONT>(wParam));
        return true;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
        *result = OnCtlColor(gi, msg, reinterpret_cast<HDC>(wParam));
        return true;
    }
    return false;
}

// Keys, mouse, scroll bars and the editors' messages.
bool InputMessage(HWND grid, GRIDINFO* gi, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_KEYDOWN:
        *result = GridOnKeyDown(grid, gi, wParam, lParam);
        return true;
    case WM_KEYUP:
        *result = GridOnKeyUp(grid, gi, wParam, lParam);
        return true;
    case WM_CHAR:
        *result = GridOnChar(grid, gi, wParam, lParam);
        return true;
    // Keys and characters the in-place editors offer the grid first.
    case ZCS_OFFERKEY:
        *result = GridOnEditorKey(grid, gi, wParam);
        return true;
    case ZCS_OFFERCHAR:
        *result = GridOnEditorChar(grid, gi, wParam);
        return true;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_MOUSEWHEEL:
    case WM_CAPTURECHANGED:
        *result = GridOnMouse(grid, gi, msg, wParam, lParam);
        return true;
    case WM_HSCROLL:
    case WM_VSCROLL:
        *result = GridOnScroll(grid, gi, msg, wParam);
        return true;
    case WM_COMMAND:
        *result = GridOnEditorCommand(grid, gi, wParam, lParam);
        return true;
    case WM_NOTIFY:
        *result = GridOnNotify(grid, gi, reinterpret_cast<NMHDR*>(lParam));
        return true;
    }
    return false;
}

LRESULT Dispatch(HWND grid, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CREATE)
        return OnCreate(grid);
    GRIDINFO* gi = GridInfo(grid);
    if (!gi)
        return DefWindowProcA(grid, msg, wParam, lParam);
    LRESULT result = 0;
    if (WindowMessage(grid, gi, msg, wParam, lParam, &result) ||
        InputMessage(grid, gi, msg, wParam, lParam, &result) ||
        GridOwnMessage(grid, gi, msg, wParam, lParam, &result))
        return result;
    return DefWindowProcA(grid, msg, wParam, lParam);
}

}  // namespace

HICON GridSharedIcon(int index)
{
    return index >= 0 && index < 7 ? g_icons[index] : nullptr;
}

void GridMakeHeaderFont(GRIDINFO* gi)
{
    DeleteGdi(gi->headerFont);
    gi->headerFont = CopyFont(gi->font, gi->verticalHeaders);
}

LRESULT CALLBACK zGridWndProc(HWND grid, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // No exception may cross back into the system's message dispatch.
    try {
        return Dispatch(grid, msg, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

bool RegisterGridClass(HINSTANCE module)
{
    g_module = module;
    WNDCLASSA cls = {};
    cls.style = CS_GLOBALCLASS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    cls.lpfnWndProc = zGridWndProc;
    cls.hInstance = module;
    cls.lpszClassName = kClassName;
    return CorvexRegisterOnce(cls);
}
