// Splitter bars: a vertical bar dragged left and right ("zvsplitter") and a
// horizontal bar dragged up and down ("zhsplitter"). The bar moves itself
// under the pointer, tells its parent, and lays out the windows on its two
// sides when the parent hands it their lists.

#include "zsplitter.h"

#include "corvex.h"
#include "corvexclasses.h"

#include <cstdlib>

namespace {

// Where the left button went down on the bar, in the bar's client
// coordinates; one per class, as only one bar can hold the capture.
short g_vOrigin = 0;
short g_hOrigin = 0;
// Whether a drag holds the pointer inside its parent: the pointer is freed
// only then (freeing it when it is not held disturbs Wine's X11 driver).
bool g_clipped = false;

struct Axis {
    bool vertical;
    const char* prop;
    short* origin;
};

const Axis kVertical = {true, ZVSPLITTER_PROP, &g_vOrigin};
const Axis kHorizontal = {false, ZHSPLITTER_PROP, &g_hOrigin};

SplitterInfo* InfoOf(HWND bar, const Axis& axis)
{
    return static_cast<SplitterInfo*>(GetPropA(bar, axis.prop));
}

LRESULT OnCreate(HWND bar, const Axis& axis)
{
    auto* info = static_cast<SplitterInfo*>(std::calloc(1, sizeof(SplitterInfo)));
    if (!info)
        return -1;
    info->parent = GetParent(bar);
    if (!SetPropA(bar, axis.prop, info)) {
        std::free(info);
        return -1;
    }
    return 0;
}

void OnDestroy(HWND bar, const Axis& axis)
{
    std::free(RemovePropA(bar, axis.prop));
}

// The checkerboard over the bar: the vertical bar darkens its whole face
// (pattern AND screen), the horizontal bar draws a frame of it.
void PaintPattern(HWND bar, const Axis& axis)
{
    static const WORD rows[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
    HDC dc = GetWindowDC(bar);
    if (!dc)
        return;
    HBITMAP bitmap = CreateBitmap(8, 8, 1, 1, rows);
    HBRUSH brush = bitmap ? CreatePatternBrush(bitmap) : nullptr;
    if (brush) {
        RECT wr = {};
        GetWindowRect(bar, &wr);
        int w = wr.right - wr.left, h = wr.bottom - wr.top;
        SetBrushOrgEx(dc, 0, 0, nullptr);
        HGDIOBJ old = SelectObject(dc, brush);
        if (axis.vertical) {
            PatBlt(dc, 0, 0, w, h, 0x00A000C9);
        } else {
            int f = GetSystemMetrics(SM_CXFRAME);
            PatBlt(dc, 0, 0, w, f, PATCOPY);
            PatBlt(dc, 0, h - f, w, f, PATCOPY);
            PatBlt(dc, 0, 0, f, h, PATCOPY);
            PatBlt(dc, w - f, 0, f, h, PATCOPY);
        }
        SelectObject(dc, old);
        DeleteObject(brush);
    }
    if (bitmap)
        DeleteObject(bitmap);
    ReleaseDC(bar, dc);
}

void BeginDrag(HWND bar, const SplitterInfo& info, const Axis& axis, LPARAM lParam)
{
    *axis.origin = axis.vertical ? short(LOWORD(lParam)) : short(HIWORD(lParam));
    SetCapture(bar);
    // A bar without a parent has no area to keep the pointer in.
    if (!info.parent)
        return;
    RECT area = {};
    GetClientRect(info.parent, &area);
    MapWindowPoints(info.parent, nullptr, reinterpret_cast<POINT*>(&area), 2);
    g_clipped = ClipCursor(&area) != FALSE;
}

void EndClip()
{
    if (g_clipped) {
        g_clipped = false;
        ClipCursor(nullptr);
    }
}

// Moves the bar by the pointer's distance from the drag origin; answers
// whether it moved.
bool DragTo(HWND bar, const SplitterInfo& info, const Axis& axis, LPARAM lParam)
{
    int p = axis.vertical ? short(LOWORD(lParam)) : short(HIWORD(lParam));
    int delta = p - *axis.origin;
    if (delta == 0)
        return false;
    RECT wr = {};
    GetWindowRect(bar, &wr);
    POINT o = {0, 0};
    if (info.parent)
        ClientToScreen(info.parent, &o);
    int dx = axis.vertical ? delta : 0, dy = axis.vertical ? 0 : delta;
    MoveWindow(bar, wr.left + dx - o.x, wr.top + dy - o.y, wr.right - wr.left, wr.bottom - wr.top,
               TRUE);
    return true;
}

RECT RectInParent(HWND window, HWND parent)
{
    RECT r = {};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int NotNegative(int v)
{
    return v < 0 ? 0 : v;
}

// The windows before the bar end at its near edge, the windows after it
// start at its far edge; along the bar they keep their place and extent.
void LayOut(HWND bar, const SplitterInfo& info, const Axis& axis)
{
    RECT b = RectInParent(bar, info.parent);
    for (const HWND* p = info.first; p && *p; ++p) {
        if (!IsWindow(*p))
            continue;
        RECT r = RectInParent(*p, info.parent);
        int w = axis.vertical ? b.left - r.left : r.right - r.left;
        int h = axis.vertical ? r.bottom - r.top : b.top - r.top;
        SetWindowPos(*p, nullptr, 0, 0, NotNegative(w), NotNegative(h), SWP_NOMOVE | SWP_SHOWWINDOW);
    }
    for (const HWND* p = info.second; p && *p; ++p) {
        if (!IsWindow(*p))
            continue;
        RECT r = RectInParent(*p, info.parent);
        if (axis.vertical)
            SetWindowPos(*p, nullptr, b.right, r.top, NotNegative(r.right - b.right),
                         r.bottom - r.top, SWP_SHOWWINDOW);
        else
            SetWindowPos(*p, nullptr, r.left, b.bottom, r.right - r.left,
                         NotNegative(r.bottom - b.bottom), SWP_SHOWWINDOW);
    }
}

void Notify(const SplitterInfo& info, UINT code, LPARAM lParam)
{
    if (info.parent)
        SendMessageA(info.parent, WM_COMMAND, code, lParam);
}

void RaiseBar(HWND bar)
{
    SetWindowPos(bar, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

// Mouse and list messages of a bar that has its record.
LRESULT OnBarMessage(HWND bar, SplitterInfo& info, const Axis& axis, UINT msg, WPARAM wParam,
                     LPARAM lParam)
{
    switch (msg) {
    case WM_LBUTTONDOWN:
        if (!axis.vertical)
            RaiseBar(bar);
        BeginDrag(bar, info, axis, lParam);
        if (!axis.vertical)
            Notify(info, ZSPL_PRESSED, *axis.origin);
        return 0;
    case WM_MOUSEMOVE:
        // Only a drag that began on this bar moves it: a press elsewhere
        // dragged across the bar would jump it by a stale origin.
        if ((wParam & MK_LBUTTON) && GetCapture() == bar && DragTo(bar, info, axis, lParam)) {
            if (axis.vertical) {
                if (info.parent)
                    SendMessageA(info.parent, ZSPL_MOVED, 0, 0);
            } else {
                Notify(info, ZSPL_MOVED, 0);
            }
        }
        return 0;
    case WM_LBUTTONUP:
        ReleaseCapture();
        EndClip();
        if (!axis.vertical)
            RaiseBar(bar);
        Notify(info, ZSPL_DRAGEND, 0);
        return 0;
    case ZSPL_SETLISTS:
        info.first = reinterpret_cast<const HWND*>(wParam);
        info.second = reinterpret_cast<const HWND*>(lParam);
        LayOut(bar, info, axis);
        return 0;
    case ZSPL_SETLIMITS:
        info.firstLimit = LONG(wParam);
        info.secondLimit = LONG(lParam);
        return 0;
    default:
        return DefWindowProcA(bar, msg, wParam, lParam);
    }
}

LRESULT SplitterProc(const Axis& axis, HWND bar, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        if (OnCreate(bar, axis) != 0)
            return -1;
        return DefWindowProcA(bar, msg, wParam, lParam);
    case WM_DESTROY:
        OnDestroy(bar, axis);
        return DefWindowProcA(bar, msg, wParam, lParam);
    case WM_NCPAINT:
        PaintPattern(bar, axis);
        return 0;
    case WM_ERASEBKGND:
        if (axis.vertical)
            return 0;
        return DefWindowProcA(bar, msg, wParam, lParam);
    case WM_CAPTURECHANGED:
        // Losing the capture mid-drag (another window took it) must not
        // leave the pointer locked inside the parent.
        EndClip();
        return DefWindowProcA(bar, msg, wParam, lParam);
    default:
        break;
    }
    // Messages before WM_CREATE or after WM_DESTROY find no record.
    SplitterInfo* info = InfoOf(bar, axis);
    if (!info)
        return DefWindowProcA(bar, msg, wParam, lParam);
    return OnBarMessage(bar, *info, axis, msg, wParam, lParam);
}

bool RegisterSplitter(HINSTANCE module, const char* name, WNDPROC proc, LPCSTR cursor,
                      HBRUSH background)
{
    WNDCLASSA cls = {};
    cls.style = CS_GLOBALCLASS;
    cls.lpfnWndProc = proc;
    cls.hInstance = module;
    cls.hCursor = LoadCursorA(nullptr, cursor);
    cls.hbrBackground = background;
    cls.lpszClassName = name;
    return CorvexRegisterOnce(cls);
}

}  // namespace

LRESULT CALLBACK zVSplitterWndProc(HWND bar, UINT msg, WPARAM wParam, LPARAM lParam)
{
    try {
        return SplitterProc(kVertical, bar, msg, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

LRESULT CALLBACK zHSplitterWndProc(HWND bar, UINT msg, WPARAM wParam, LPARAM lParam)
{
    try {
        return SplitterProc(kHorizontal, bar, msg, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

bool RegisterVSplitterClass(HINSTANCE module)
{
    return RegisterSplitter(module, ZVSPLITTER_CLASS, zVSplitterWndProc, IDC_SIZEWE,
                            reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
}

bool RegisterHSplitterClass(HINSTANCE module)
{
    return RegisterSplitter(module, ZHSPLITTER_CLASS, zHSplitterWndProc, IDC_SIZENS, nullptr);
}
