#pragma once
// Behaviour bits of controls subclassed with zCtlSubclass (kept in the
// window property "CTLSTYLE"; the replaced procedure is in "CTLWP").

#include <windows.h>

constexpr LONG ZCS_OFFERKEYS = 0x001;    // keys and characters go to the parent first
constexpr LONG ZCS_NUMERIC = 0x002;      // digits and , - . only
constexpr LONG ZCS_READONLY = 0x004;     // every character and Delete dropped
constexpr LONG ZCS_RELAYCOMMAND = 0x008; // WM_COMMAND also goes to the parent
constexpr LONG ZCS_ALPHA = 0x020;        // letters only
constexpr LONG ZCS_OFFERMOUSE = 0x040;   // mouse messages go to the parent first
constexpr LONG ZCS_HEX = 0x080;          // hexadecimal digits only
constexpr LONG ZCS_TABSPACES = 0x100;    // Tab types four spaces
constexpr LONG ZCS_ALNUM = 0x200;        // letters and digits only
constexpr LONG ZCS_KEEPENTERDOWN = 0x400; // Enter and Down arrow are not offered

// Messages offering a key / a character to the parent: wParam the key or
// character, lParam the control. The parent answers -2 to swallow it.
constexpr UINT ZCS_OFFERKEY = 0x0979;
constexpr UINT ZCS_OFFERCHAR = 0x097A;
constexpr LRESULT ZCS_SWALLOW = -2;
constexpr LRESULT ZCS_GOON = -1;

constexpr const char ZCS_STYLEPROP[] = "CTLSTYLE";
constexpr const char ZCS_PROCPROP[] = "CTLWP";
