#pragma once
// The bars of a form: status bar, toolbar, tool pager and tool rebar.

#include "zwindow.h"

class zStatusBar : public zWindow {
public:
    zStatusBar() : zWindow(STATUSCLASSNAMEA, ZT_STATUSBAR) {}
    void SetPanel(const char* text, int part, int style, HICON icon);
    void SetParts(const int* rightEdges, int count);
};

// Hiding the pager or the rebar re-lays the bars of the form holding it.
class zToolPager : public zWindow {
public:
    zToolPager() : zWindow(WC_PAGESCROLLERA, ZT_PAGER) {}
    void Hide() override;
    void SetChild(const zWindow& toolBar);
    // Stores the step and gives it to the pager (PGM_SETBUTTONSIZE).
    void SetButtonStep(int step);
    int buttonStep = 5;  // how far one pager scroll moves
};

class zToolBar : public zWindow {
public:
    explicit zToolBar(int count = 0);
    ~zToolBar() override;
#ifdef ZINSTALLER_BUILD
    using zWindow::Create;
    // The base creation, then the button record size and the extended style.
    void Create(int subclass) override;
#endif

    void AddButtons();
    void AutoSize();
    void SetButtonWidth(int minimum, int maximum);
    void SetBitmapSize(int width, int height);
    // Keeps a duplicate of the list; the caller still owns its own.
    void SetImageList(HIMAGELIST list);
    // The image index of the icon appended, or -1.
    int AddIcon(const char* resourceName);

    int buttonCount;
    int bitmapWidth = 0, bitmapHeight = 0;
    HIMAGELIST imageList = nullptr;
    TBBUTTON* buttons = nullptr;  // buttonCount records
#ifdef ZINSTALLER_BUILD
    DWORD extendedStyle = 0;  // TBSTYLE_EX_* flags, given to the bar at its creation
#endif
};

class zToolRebar : public zWindow {
public:
    zToolRebar() : zWindow(REBARCLASSNAMEA, ZT_REBAR) {}
    void Hide() override;
};
