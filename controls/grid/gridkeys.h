#pragma once
// The grid's key map helpers; the key handlers the window procedure calls
// are declared in gridwindow.h.

#include "gridinfo.h"

// Sends a key the grid does not use to its parent as message 0x0979, so a
// form can move its focus or run its own shortcuts.
void GridKeyToParent(HWND grid, WPARAM key);
