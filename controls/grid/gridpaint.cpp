// WM_PAINT of the grid: everything is drawn into the off-screen surface
// and copied to the window in one block, so scrolling never flickers.
// Headers use the "Header" visual style when there is one, gradients else.

#include "gridbrowse.h"
#include "gridlayout.h"
#include "gridpaint.h"
#include "gridwindow.h"
#include "gridwndparts.h"

#include <sqlext.h>

#include <cstdio>

namespace {

using Theme = HANDLE;

// uxtheme is looked up by name: a system without it draws gradients.
struct ThemeApi {
    Theme(WINAPI* open)(HWND, LPCWSTR) = nullptr;
    HRESULT(WINAPI* close)(Theme) = nullptr;
    HRESULT(WINAPI* draw)(Theme, HDC, int, int, const RECT*, const RECT*) = nullptr;

    ThemeApi()
    {
        HMODULE lib = LoadLibraryA("uxtheme.dll");
        if (!lib)
            return;
        open = reinterpret_cast<decltype(open)>(reinterpret_cast<void*>(GetProcAddress(lib, "OpenThemeData")));
        close = reinterpret_cast<decltype(close)>(reinterpret_cast<void*>(GetProcAddress(lib, "CloseThemeData")));
        draw = reinterpret_cast<decltype(draw)>(
            reinterpret_cast<void*>(GetProcAddress(lib, "DrawThemeBackground")));
        if (!open || !close || !draw)
            open = nullptr;
    }
};

const ThemeApi& Api()
{
    static ThemeApi api;
    return api;
}

struct Shade {
    COLOR16 r, g, b;
};

enum class Area { Corner, Header, RowNumber };

void Gradient(HDC dc, const RECT& rc, Shade top, Shade bottom)
{
    TRIVERTEX v[2] = {{rc.left, rc.top, top.r, top.g, top.b, 0}, {rc.right, rc.bottom, bottom.r, bottom.g, bottom.b, 0}};
    GRADIENT_RECT gr = {0, 1};
    GradientFill(dc, v, 2, &gr, 1, GRADIENT_FILL_RECT_V);
}

void DrawArea(HDC dc, Theme theme, const GRIDINFO* gi, RECT rc, Area area, bool pressed)
{
    if (theme && !gi->noTheme) {
        int part = area == Area::RowNumber ? 2 : 1;
        int state = area == Area::RowNumber ? 4 : (pressed ? 3 : 1);
        Api().draw(theme, dc, part, state, &rc, nullptr);
        return;
    }
    const Shade light = {0xE600, 0xFA00, 0xFF00};
    const Shade cream = {0xFF00, 0xFF00, 0xE600};
    switch (area) {
    case Area::Corner: Gradient(dc, rc, light, cream); break;
    case Area::Header: Gradient(dc, rc, light, {0xE600, 0xF000, 0xF000}); break;
    case Area::RowNumber: Gradient(dc, rc, cream, {0xFA00, 0xFE00, 0xC800}); break;
    }
    DrawEdge(dc, &rc, pressed ? EDGE_RAISED : BDR_RAISEDINNER, BF_RIGHT | BF_BOTTOM);
}

bool Meets(const RECT& a, const RECT& b)
{
    RECT out;
    return IntersectRect(&out, &a, &b) != 0;
}

struct Frame {
    HDC dc;
    Theme theme;
    RECT client;
    RECT paint;
    int pitch;
    int header;
    int numbers;  // width of the row-number column in pixels
    int firstX;
};

void DrawHeaders(HWND grid, GRIDINFO* gi, const Frame& f)
{
    if (!gi->hideRowNumbers && gi->columnCount > 0) {
        RECT corner = {0, 0, f.numbers, f.header};
        if (Meets(corner, f.paint))
            DrawArea(f.dc, f.theme, gi, corner, Area::Corner, false);
        ExcludeClipRect(f.dc, corner.left, corner.top, corner.right, corner.bottom);
    }
    int x = f.firstX;
    for (int c = 1; c <= gi->columnCount; ++c) {
        const GRIDCOL& col = gi->columns[c - 1];
        if (!GridColumnShown(col))
            continue;
        int width = GridColumnPixelWidth(grid, gi, c);
        RECT rc = {x + 1, 0, x + width, f.header};
        if (f.header > 0 && Meets(rc, f.paint)) {
            SetTextColor(f.dc, GetSysColor(COLOR_WINDOWTEXT));
            DrawArea(f.dc, f.theme, gi, rc, Area::Header, col.headerPressed);
            SetBkMode(f.dc, TRANSPARENT);
            const char* text = col.title && *col.title ? col.title : (col.sqlName ? col.sqlName : "");
            const UINT format = DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | DT_CENTER;
            if (gi->headerLines > 0) {
                DrawTextA(f.dc, text, -1, &rc, format | DT_CALCRECT);
                rc.bottom += (gi->headerLines + 4) * f.pitch;
            }
            DrawTextA(f.dc, text, -1, &rc, format);
            SetBkMode(f.dc, OPAQUE);
        }
        x += width;
    }
}

void DrawRowNumber(GRIDINFO* gi, const Frame& f, int index, int y)
{
    RECT rc = {0, y, f.numbers, y + f.pitch};
    SetTextColor(f.dc, GetSysColor(COLOR_WINDOWTEXT));
    DrawArea(f.dc, f.theme, gi, rc, Area::RowNumber, false);
    char number[16];
    snprintf(number, sizeof number, "%d", index + 1);
    SetBkMode(f.dc, TRANSPARENT);
    DrawTextA(f.dc, number, -1, &rc, DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    SetBkMode(f.dc, OPAQUE);
    ExcludeClipRect(f.dc, rc.left, rc.top, rc.right, rc.bottom);
}

void DrawRowCells(HWND grid, GRIDINFO* gi, const Frame& f, int index, int y)
{
    if (f.numbers >= f.paint.right)
        return;
    if (gi->hstmt) {
        // A driver leaves a NULL's buffer as the row before filled it.
        GridClearColumnBuffers(gi);
        if (!SQL_SUCCEEDED(SQLFetchScroll(gi->hstmt, SQL_FETCH_ABSOLUTE, index + 1)))
            return;  // a row the statement no longer has is left blank
    }
    int x = f.firstX;
    for (int c = 1; c <= gi->columnCount; ++c) {
        if (!GridColumnShown(gi->columns[c - 1]))
            continue;
        int width = GridColumnPixelWidth(grid, gi, c);
        RECT cell = {x, y, x + width, y + f.pitch};
        x += width;
        if (cell.right < 0)
            continue;
        if (cell.left > f.paint.right)
            break;
        GridDrawCell(grid, gi, f.dc, index, c, cell);
    }
}

void DrawRows(HWND grid, GRIDINFO* gi, const Frame& f)
{
    HFONT font = gi->font ? gi->font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SelectObject(f.dc, font);
    ExcludeClipRect(f.dc, 0, 0, f.client.right, f.header);
    if (gi->rowCount == 0) {
        FillRect(f.dc, &f.client, GetSysColorBrush(COLOR_WINDOW));
        return;
    }
    // The rows under the paint rectangle, counted from the header's bottom
    // (which is the top of the client area without a header): the last one
    // shown in part included.
    int first = gi->topRow + (f.paint.top > f.header ? (f.paint.top - f.header) / f.pitch : 0);
    int end = gi->topRow + (f.paint.bottom - f.header + f.pitch - 1) / f.pitch;
    if (end > gi->rowCount)
        end = gi->rowCount;
    for (int index = first; index < end; ++index) {
        int y = (index - gi->topRow) * f.pitch + f.header;
        if (y >= f.paint.bottom)
            break;
        SelectObject(f.dc, font);
        if (!gi->hideRowNumbers)
            DrawRowNumber(gi, f, index, y);
        DrawRowCells(grid, gi, f, index, y);
    }
}

}  // namespace

void GridPaint(HWND grid, GRIDINFO* gi)
{
    if (!IsWindowVisible(grid) || !gi->memoryDC || !gi->backBitmap) {
        ValidateRect(grid, nullptr);  // nothing to draw: do not ask again
        return;
    }
    Theme theme = Api().open ? Api().open(grid, L"Header") : nullptr;
    PAINTSTRUCT ps;
    HDC windowDC = BeginPaint(grid, &ps);
    Frame f = {gi->memoryDC, theme, {}, ps.rcPaint, GridRowHeight(gi), GridHeaderHeight(gi), 0, 0};
    GetClientRect(grid, &f.client);
    f.numbers = gi->rowNumberWidth * gi->charWidth;
    f.firstX = f.numbers - gi->leftOffset * gi->charWidth;
    HGDIOBJ oldBitmap = SelectObject(f.dc, gi->backBitmap);
    HGDIOBJ oldFont = GetCurrentObject(f.dc, OBJ_FONT);
    SelectClipRgn(f.dc, gi->clipRegion);
    SetBkColor(f.dc, GetSysColor(COLOR_BTNFACE));
    ExtTextOutA(f.dc, 0, 0, ETO_OPAQUE, &f.client, nullptr, 0, nullptr);
    if (gi->headerFont)
        SelectObject(f.dc, gi->headerFont);
    if (f.pitch > 0) {
        DrawHeaders(grid, gi, f);
        DrawRows(grid, gi, f);
    }
    SelectClipRgn(f.dc, nullptr);
    BitBlt(windowDC, 0, 0, f.client.right, f.client.bottom - gi->statusBarHeight, f.dc, 0, 0, SRCCOPY);
    SelectObject(f.dc, oldFont);
    SelectObject(f.dc, oldBitmap);
    EndPaint(grid, &ps);
    if (theme)
        Api().close(theme);
}
