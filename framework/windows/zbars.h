#pragma once
// The bars of a form: status bar, toolbar, tool pager and tool rebar.

#include "zwindow.h"

class zStatusBar : public zWindow {
public:
    zStatusBar() : zWindow(STATUSCLASSNAMEA, ZT_STATUSBAR) {}
    void SetPanel(const char* text, int part, int style, HICON icon);
    void SetParts(const int* rightEdges, int count);
};

class zToolPager : public zWindow {
public:
    zToolPager() : zWindow(WC_PAGESCROLLERA, ZT_PAGER) {}
    int buttonStep = 5;
};

class zToolBar : public zWindow {
public:
    explicit zToolBar(int buttons = 0) : zWindow(TOOLBARCLASSNAMEA, ZT_TOOLBAR), buttonCount(buttons) {}
    int buttonCount;
};

class zToolRebar : public zWindow {
public:
    zToolRebar() : zWindow(REBARCLASSNAMEA, ZT_REBAR) {}
};
