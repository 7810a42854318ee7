#pragma once
// The current value of any control as text. The text functions on plain
// buffers (IsBlank, TrimRight, TrimLeft, NormalizeNumber) live with xstring.

#include <windows.h>

// A new text (free it with xfree), null when window is not a window.
// Date-time pickers give "dd/mm/yyyy hh:mm:ss.mmm" with the given
// milliseconds (0 to 999; below 0: the control's own), month calendars
// "dd/mm/yyyy", list and combo boxes their selected item, anything else
// its window text.
char* GetControlText(HWND window, int milliseconds);
