#pragma once
// The parts of the form window procedure: FormWindowProc (zformproc.cpp)
// dispatches to the routing of commands, notifications, keys and MDI
// activation (zformroute.cpp) and to painting, control brushes, colour
// refresh and scrolling (zformpaint.cpp).

#include "zform.h"

// Default processing of a form: DefFrameProcA for an MDI frame,
// DefMDIChildProcA for an MDI child, else DefWindowProcA.
LRESULT FormDefaultProc(zForm* form, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

LRESULT OnCommandMessage(zForm* form, HWND hwnd, WPARAM wParam, LPARAM lParam);
LRESULT OnNotifyMessage(zForm* form, HWND hwnd, WPARAM wParam, LPARAM lParam);
// The form's answers to a key (2425) or character (2426) a control offers.
LRESULT OnRouteKey(zForm* form, WPARAM key, HWND control);
LRESULT OnRouteChar(zForm* form, WPARAM ch, HWND control);
void OnMdiActivate(zForm* form, HWND hwnd, WPARAM wParam, LPARAM lParam);

void OnPaintForm(zForm* form, HWND hwnd);
void OnSysColorChange(zForm* form);
LRESULT OnScroll(zForm* form, HWND hwnd, int bar, WPARAM wParam);
// The brush a control paints with (WM_CTLCOLOR...), also for the child
// windows of subclassed controls; sets the colours of dc. Null: default.
HBRUSH ControlBrush(zWindow* control, HDC dc);
