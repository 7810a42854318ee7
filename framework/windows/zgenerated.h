#pragma once
// What generated form classes use: positions and sizes declared in dialog
// units, turned into pixels with the system's dialog base units (the
// horizontal unit is a quarter, the vertical an eighth of a base unit;
// always rounded up).

#include <windows.h>

#include <cmath>

inline int zDialogUnitsX(double units)
{
    return int(std::ceil(double(LOWORD(GetDialogBaseUnits())) * units / 4.0));
}

inline int zDialogUnitsY(double units)
{
    return int(std::ceil(double(HIWORD(GetDialogBaseUnits())) * units / 8.0));
}

// Sets top, left, width and height of a window object from dialog units.
template <class W>
void zSetDialogBounds(W& window, double top, double left, double width, double height)
{
    window.top = zDialogUnitsY(top);
    window.left = zDialogUnitsX(left);
    window.width = zDialogUnitsX(width);
    window.height = zDialogUnitsY(height);
}
