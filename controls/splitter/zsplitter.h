#pragma once
// Splitter bars: the record a bar keeps in its window property and the
// private messages it understands and sends.

#include <windows.h>

// Sent to a bar: wParam and lParam are zero-terminated window lists (first:
// left of / above the bar; second: right of / below it); the bar lays them
// out at once.
constexpr UINT ZSPL_SETLISTS = 0x09FB;
// Sent to a bar: wParam and lParam are the two limits (kept for the caller).
constexpr UINT ZSPL_SETLIMITS = 0x09FC;
// Sent to the parent: the bar moved, the drag ended, the horizontal bar was
// pressed (WM_COMMAND wParam, or the message itself for the vertical bar's
// move).
constexpr UINT ZSPL_MOVED = 0x09FD;
constexpr UINT ZSPL_DRAGEND = 0x09FE;
constexpr UINT ZSPL_PRESSED = 0x09FF;

struct SplitterInfo {
    HWND parent;
    const HWND* first;
    const HWND* second;
    LONG firstLimit;
    LONG secondLimit;
};

constexpr const char ZVSPLITTER_CLASS[] = "zvsplitter";
constexpr const char ZHSPLITTER_CLASS[] = "zhsplitter";
constexpr const char ZVSPLITTER_PROP[] = "VSPLINFO";
constexpr const char ZHSPLITTER_PROP[] = "HSPLINFO";
