// Drawing one grid cell into the off-screen surface, after the parent has
// had its say through the cell-draw record.

#include "gridcells.h"
#include "gridpaint.h"
#include "gridrows.h"
#include "gridwindow.h"

#include "xalloc.h"

#include <cstdlib>
#include <cstring>

namespace {

void Defaults(GRIDCELLDRAW& rec, HWND grid, int row, int column)
{
    memset(&rec, 0, sizeof rec);
    rec.header.hwndFrom = grid;
    rec.header.idFrom = GRID_NOTIFY_ID;
    rec.header.code = GRIDN_DRAWCELL;
    rec.row = row;
    rec.column = column;
    for (int i = 0; i < 6; ++i) {
        rec.images[i] = -1;
        rec.imageStyles[i] = i < 5 ? 1 : 0;
    }
    rec.imageWidth = 16;
    rec.imageHeight = 16;
    rec.imageGap = 1;
}

void SendRecord(HWND grid, GRIDCELLDRAW& rec)
{
    if (HWND receiver = GridReceiver(grid))
        SendMessageA(receiver, WM_NOTIFY, GRID_NOTIFY_ID, reinterpret_cast<LPARAM>(&rec));
}

COLORREF Background(const GRIDINFO* gi, const GRIDCOL& col, const GRIDCELLDRAW& rec, int rowIndex)
{
    COLORREF color;
    if (gi->markCurrentRow && rowIndex + 1 == gi->currentRow)
        color = 0xA6FDFB;
    else if (gi->rowColorOverride)
        color = gi->rowColorOverride;
    else
        color = rowIndex % 2 == 0 ? 0xD9E9D8 : 0xF0FAFA;
    if ((rec.flags & GRIDCD_BACKCOLOR) && rec.backColor)
        return rec.backColor;
    if ((col.flags & 0x40) && col.backColor)
        return col.backColor;
    return color;
}

void DrawRecordIcon(HDC dc, const GRIDCELLDRAW& rec, RECT& rc)
{
    int count = rec.iconCount < 1 ? 1 : rec.iconCount;
    for (int i = 0; i < count; ++i)
        DrawIconEx(dc, rc.left + i * rec.imageWidth, rc.top, rec.icon, rec.imageWidth, rec.imageHeight, 0,
                   nullptr, DI_NORMAL);
}

void DrawImages(HDC dc, const GRIDCELLDRAW& rec, RECT& rc)
{
    int used = rec.imagesUsed < 0 ? 0 : (rec.imagesUsed > 6 ? 6 : rec.imagesUsed);
    for (int i = 0; i < used; ++i) {
        if (rec.images[i] >= 0 && rec.imageList)
            ImageList_DrawEx(rec.imageList, rec.images[i], dc, rc.left, rc.top, rec.imageWidth, rec.imageHeight,
                             CLR_NONE, CLR_NONE, rec.imageStyles[i]);
        rc.left += rec.imageWidth;
    }
}

void DrawText(HDC dc, const GRIDCOL& col, const GRIDCELLDRAW& rec, const char* text, RECT rc, UINT format)
{
    if ((rec.flags & GRIDCD_NOTEXT) || !text || !*text)
        return;
    rc.left += 1;
    rc.right -= 1;
    DrawTextA(dc, (col.flags & GRIDCOL_HIDDENVALUE) ? "<?>" : text, -1, &rc, format);
}

void DrawBitmapCell(HDC dc, const GRIDINFO* gi, int row, int column, const RECT& rc)
{
    char* field = GridReadCellField(gi, row, column);
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(strtoul(field, nullptr, 10));
    xfree(field);
    BITMAP info;
    // A number that names no bitmap draws nothing.
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info))
        return;
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, bitmap);
    BitBlt(dc, rc.left, rc.top, info.bmWidth, info.bmHeight, source, 0, 0, SRCAND);
    SelectObject(source, old);
    DeleteDC(source);
}

bool LookupColumn(const GRIDCOL& col)
{
    return (col.lookupCombo || col.sharedCombo) && col.lookupOnly;
}

void ReadText(GRIDINFO* gi, int row, int column)
{
    bool ok = true;
    char* text = GridReadCell(gi, row, column, gi->hstmt, column, false, true, true, true, &ok);
    xfree(gi->cellText);
    gi->cellText = text;
}

void DrawBound(HDC dc, GRIDINFO* gi, const GRIDCOL& col, const GRIDCELLDRAW& rec, RECT rc, UINT format)
{
    ReadText(gi, rec.row, rec.column);
    bool numeric = col.type == GRID_INTEGER || col.type == GRID_FLOAT;
    if ((rec.flags & GRIDCD_RIGHT) || (numeric && !(rec.flags & GRIDCD_TEXT) && !LookupColumn(col)))
        format |= DT_RIGHT;
    if ((rec.flags & GRIDCD_ICON) && rec.icon) {
        DrawRecordIcon(dc, rec, rc);
        DestroyIcon(rec.icon);
    } else if (col.icon) {
        DrawIconEx(dc, rc.left, rc.top, col.icon, rec.imageWidth, rec.imageHeight, 0, nullptr, DI_NORMAL);
        rc.left += rec.imageWidth;
    }
    DrawText(dc, col, rec, (rec.flags & GRIDCD_TEXT) ? rec.text : gi->cellText, rc, format);
}

void DrawUnbound(HDC dc, GRIDINFO* gi, const GRIDCOL& col, const GRIDCELLDRAW& rec, RECT rc, UINT format)
{
    bool withIcon = (rec.flags & GRIDCD_ICON) != 0;
    if (withIcon && rec.imagePlacement == 2)
        DrawImages(dc, rec, rc);
    if (withIcon && rec.icon)
        DrawRecordIcon(dc, rec, rc);
    ReadText(gi, rec.row, rec.column);
    const char* text = (rec.flags & GRIDCD_TEXT) ? rec.text : gi->cellText;
    if (rec.flags & GRIDCD_RIGHT)
        format |= DT_RIGHT;
    DrawText(dc, col, rec, text, rc, format);
    if (!withIcon)
        return;
    if (rec.icon) {
        rc.left += static_cast<int>(text ? strlen(text) : 0) * gi->charWidth;
        DestroyIcon(rec.icon);
    }
    if (rec.imagePlacement == 0) {
        rc.left += rec.imageGap;
        DrawImages(dc, rec, rc);
    }
}

}  // namespace

void GridDrawCell(HWND grid, GRIDINFO* gi, HDC dc, int rowIndex, int column, const RECT& cell)
{
    GRIDCOL& col = gi->columns[column - 1];
    GRIDCELLDRAW rec;
    Defaults(rec, grid, rowIndex + 1, column);
    DWORD flags = col.flags;
    WORD type = col.type;
    SendRecord(grid, rec);
    if (column > gi->columnCount || !gi->columns)
        return;  // the receiver removed the columns
    // The receiver may have changed the column through the grid's messages:
    // that holds for this cell only.
    GRIDCOL& now = gi->columns[column - 1];
    SelectObject(dc, (rec.flags & GRIDCD_BOLD) && gi->boldFont ? gi->boldFont
                     : gi->font ? gi->font : GetStockObject(DEFAULT_GUI_FONT));
    COLORREF back = Background(gi, now, rec, rowIndex);
    SetTextColor(dc, (rec.flags & GRIDCD_TEXTCOLOR) ? rec.textColor : 0);
    SetBkColor(dc, back);
    RECT inner = {cell.left + 1, cell.top + 1, cell.right - 1, cell.bottom - 1};
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &inner, nullptr, 0, nullptr);
    SetBkMode(dc, TRANSPARENT);
    UINT format = now.type == GRID_BOOLEAN ? (DT_NOPREFIX | DT_VCENTER | DT_CENTER)
                                           : (DT_NOPREFIX | DT_VCENTER | static_cast<UINT>(rec.imagePlacement));
    if (now.type != GRID_LONGTEXT)
        format |= DT_SINGLELINE;
    if (gi->hstmt)
        DrawBound(dc, gi, now, rec, cell, format);
    else if (now.type == GRID_BITMAP)
        DrawBitmapCell(dc, gi, rowIndex + 1, column, cell);
    else
        DrawUnbound(dc, gi, now, rec, cell, format);
    SetBkMode(dc, OPAQUE);
    now.flags = flags;
    now.type = type;
}
