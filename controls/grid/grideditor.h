#pragma once
// The in-place editors' own column flags and helpers. The editor entry
// points the window procedure calls (begin, accept, accept and ask, end
// without saving) are declared in gridwindow.h.

#include "gridinfo.h"

#include <string>

// Column flags that choose the editor and its style.
enum : DWORD {
    GRIDCOL_UPPERCASE = 0x0001,   // ES_UPPERCASE
    GRIDCOL_ALNUM = 0x0020,       // letters and digits only
    GRIDCOL_FREENUMBER = 0x0080,  // a number column takes free text
    GRIDCOL_PASSWORD = 0x0100,    // ES_PASSWORD
    GRIDCOL_MULTILINE = 0x0200,   // multi-line edit
    GRIDCOL_DIGITS = 0x2000,      // digits only
};

// The kinds of editor a column gets.
enum GridEditorKind { GRIDED_NONE, GRIDED_EDIT, GRIDED_PICKER, GRIDED_COMBO };

// The editor a column gets (the grid's pickerForAllTypes counts).
GridEditorKind GridEditorKindOf(const GRIDINFO* gi, const GRIDCOL& col);
// The edit control's window style and its subclass key flags.
void GridEditStyleOf(const GRIDCOL& col, DWORD* style, LONG* keyFlags);
// The picker's display format (DTM_SETFORMAT) of a column.
const char* GridPickerFormatOf(const GRIDCOL& col);
// The picker's window style.
DWORD GridPickerStyleOf(const GRIDCOL& col);
// The editor's current value as the cell takes it (see the accept step).
std::string GridEditorValue(const GRIDINFO* gi, HWND editor);
