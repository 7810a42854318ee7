#pragma once
// zForm: a top-level window of the framework, plain, modal, top-level, MDI
// frame or MDI child, with its bars, child controls and persisted placement.
// One window procedure (FormWindowProc) serves the two form classes.

#include "zwindow.h"

#include <vector>

class zImageList;
class zMenuRes;
class zStatusBar;
class zToolBar;
class zToolPager;
class zToolRebar;

// Private messages of the framework.
enum : UINT { ZWM_ROUTEKEY = 2425, ZWM_ROUTECHAR = 2426, ZWM_CTLBRUSH = 2555 };

extern const char* const ZFORMCLASS;      // "MOVIRform"
extern const char* const ZMDICHILDCLASS;  // "MOVIRmdichildform"

class zForm : public zWindow {
public:
    explicit zForm(const char* className);
    ~zForm() override;

    void Hide() override;
    bool Close() override;
    // Forms are made by _create_; generated forms store their settings first.
    void Create(int subclass) override { (void)subclass, _create_(); }
    void Create() override { _create_(); }

    // Form operations, in slot order.
    virtual void CreateChildren() {}
    virtual bool Reserved1(int a, int b) { return (void)a, (void)b, true; }
    virtual bool Reserved2(int a, int b) { return (void)a, (void)b, true; }
    virtual bool FeatureNotAvailable();
    virtual int FeatureNotAvailable2();
    virtual bool Reserved3(int a) { return (void)a, true; }
    virtual bool Reserved4(int a) { return (void)a, true; }
    virtual bool Reserved5(int a) { return (void)a, true; }
    virtual bool Reserved6(int a) { return (void)a, true; }
    virtual bool Reserved7() { return true; }
    virtual bool Reserved8(int a) { return (void)a, true; }
    virtual bool Reserved9(int a) { return (void)a, true; }
    virtual void OnLayout() {}
    virtual bool CloseCheck() { return true; }
    virtual void OnCreated() {}
    virtual bool CloseCheck2(bool closing) { return (void)closing, true; }
    virtual void Reserved10() {}
    virtual void Reserved11() {}
    virtual void Reserved12() {}
    virtual void OnActivate(WPARAM wParam, LPARAM lParam) { (void)wParam, (void)lParam; }
    virtual void OnNotify(NMHDR* header) { (void)header; }
    virtual void OnCommand(WPARAM wParam, LPARAM lParam) { (void)wParam, (void)lParam; }
    virtual void OnComboNotify(zWindow* combo, int code) { (void)combo, (void)code; }
    virtual void Reserved13(int a, int b) { (void)a, (void)b; }
    virtual bool QueryEndSession(LPARAM lParam) { return (void)lParam, true; }
    virtual void OnHScroll(int* delta) { (void)delta; }
    virtual void OnVScroll(int* delta) { (void)delta; }
    virtual void OnTrayNotify(WPARAM wParam, LPARAM lParam) { (void)wParam, (void)lParam; }
    virtual bool OnSysCommand(WPARAM command, int x, int y) { return (void)command, (void)x, (void)y, true; }
    virtual void OnSysKeyDown(WPARAM wParam, LPARAM lParam) { (void)wParam, (void)lParam; }

    void _create_();
    void Show(int command);
    void EndModal();
    // direction 2 = next, 3 = previous.
    void MoveFocus(int direction);
    HWND FindTabStop(bool fromEnd);
    // The bars (status bar, MDI client, tool pager, toolbar, rebar).
    void BuildBars();
    void LayoutBars();
    void DestroyBars();
    // Status bar part text (nothing without a status bar).
    void SetStatusText(int part, const char* text, HICON icon = nullptr);
    bool StatusBarShown() const;
    HWND ToolBarWindow() const;
    int StatusBarHeight() const;
    int RebarHeight() const;
    bool IsModalShown() const { return modal != 0 && kind == ZK_MODAL; }
    void SetDefaultButton(zWindow* button) { defaultButton = button; }
    void SavePlacement();
    void RestorePlacement();
#ifdef ZINSTALLER_BUILD
    // Into clientRect: the client rectangle of the form's MDI client when it
    // has one, else its own.
    RECT& GetClientRect();
#endif

    std::vector<const char*> buttonCaptions;
    zImageList* imageList = nullptr;
    DWORD barFlags = 0;
    xstring toolFontFace = "Thaoma";
    int toolFontHeight = -11, toolFontWeight = 400, toolFontPoints = 8;
    int toolBitmapWidth = 32, toolBitmapHeight = 32;
    int toolButtonWidth = 50, toolButtonHeight = 48;
    unsigned char rebarBackground = 1;
    unsigned char flash = 0;
    zStatusBar* statusBar = nullptr;
    zToolBar* toolBar = nullptr;
    zToolPager* toolPager = nullptr;
    zToolRebar* toolRebar = nullptr;
    HWND mdiClient = nullptr;
    unsigned char modal = 0;
    unsigned char plainToolbar = 0;
    unsigned char skipCloseChecks = 0;
    zWindow* focusChild = nullptr;
    unsigned char statusBarShown = 0;
    unsigned char toolBarShown = 0;
    zMenuRes* menu = nullptr;
    zWindow* defaultButton = nullptr;
    // The show command of the stored placement, until the window's first Show.
    short placedShow = 0;
    // Forms that this modal form disabled; it enables exactly those again.
    std::vector<HWND> disabledByModal;
};

LRESULT CALLBACK FormClassWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK MdiChildClassWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT FormWindowProc(zForm* form, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK MdiClientWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// The program's main form (set by the program).
extern zForm* zMainForm;
