// Printer and device-context drawing helpers.

#include "cxmisc.h"

bool MeasureDeviceText(HDC dc, DeviceTextLayout* layout)
{
    if (!dc || !layout)
        return false;
    *layout = DeviceTextLayout{};
    if (!GetTextMetricsA(dc, &layout->metrics))
        return false;
    const int lineHeight = layout->metrics.tmHeight + layout->metrics.tmExternalLeading;
    const int charWidth = layout->metrics.tmAveCharWidth;
    if (charWidth > 0)
        layout->charsPerLine = GetDeviceCaps(dc, HORZRES) / charWidth;
    if (lineHeight > 0)
        layout->linesPerPage = GetDeviceCaps(dc, VERTRES) / lineHeight;
    return true;
}

bool DrawRectangle(HDC dc, const RECT& rect, COLORREF fill)
{
    if (fill == CLR_NONE)
        return Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom) != FALSE;
    HBRUSH brush = CreateSolidBrush(fill);
    if (!brush)
        return false;
    HGDIOBJ old = SelectObject(dc, brush);
    bool ok = Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom) != FALSE;
    SelectObject(dc, old);
    DeleteObject(brush);
    return ok;
}

bool DrawLine(HDC dc, int x1, int y1, int x2, int y2)
{
    return MoveToEx(dc, x1, y1, nullptr) && LineTo(dc, x2, y2);
}

HFONT FontFromObject(HFONT font)
{
    LOGFONTA description;
    if (!font || GetObjectA(font, sizeof description, &description) != sizeof description)
        return nullptr;
    return CreateFontIndirectA(&description);
}

HGDIOBJ SelectStock(HDC dc, int stockObject)
{
    HGDIOBJ stock = GetStockObject(stockObject);
    return stock ? SelectObject(dc, stock) : nullptr;
}
