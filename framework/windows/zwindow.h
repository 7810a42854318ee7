#pragma once
// zWindow: base of every framework window object. The object exists before
// and after its native window: properties are stored first, the window made
// on demand reads them, setters on a live window update it as well. The
// object of a window is found through the window property "XWNDUSR".

#include "zgdi.h"
#include "zicon.h"
#include "xstring.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

enum : int { ZUNSET = int(0x80000000) };

// Type codes of framework windows.
enum : unsigned short {
    ZT_FORM = 0, ZT_STATIC = 2, ZT_EDIT = 3, ZT_BUTTON = 4, ZT_COMBOBOX = 8, ZT_PICTURE = 10,
    ZT_BUTTONLIKE = 14, ZT_TREEVIEW = 15, ZT_GRID16 = 16, ZT_PROGRESS = 17, ZT_NEVERLOCKED = 18,
    ZT_FKEYS = 19, ZT_ANIMATION = 20, ZT_LISTVIEW = 21, ZT_GRID23 = 23, ZT_IPADDRESS = 24,
    ZT_MOUSELEAVE = 25, ZT_STATUSBAR = 29, ZT_OWNCLICKS = 30, ZT_TOOLBAR = 31, ZT_PAGER = 32,
    ZT_SCINTILLA = 33, ZT_REBAR = 34,
};

// Input flags of a control.
enum : DWORD {
    ZIN_OFFERKEYS = 0x1, ZIN_NUMERIC = 0x2, ZIN_SWALLOW = 0x4, ZIN_RELAY = 0x8,
    ZIN_CREATED = 0x10, ZIN_ALPHA = 0x20, ZIN_MOUSETOPARENT = 0x40, ZIN_HEX = 0x80,
};

// Messages and notification codes of the control library's grid-type
// controls (types 16 and 23) that the framework sends or routes, and the
// numbered operations of those controls that the form calls for them.
enum : UINT { ZGM_COLUMNCOUNT = 2836, ZGM_COLUMNNAME = 2856, ZGM_COLUMNWIDTH = 2906 };
enum : UINT {
    ZGN_QUERYEDIT = 2929, ZGN_EDITENDED = 2930, ZGN_QUERYCHANGE = 2933, ZGN_CHANGED = 2934,
    ZGN_COLUMNCHANGED = 2935, ZGN_ROWCHANGED = 2937, ZGN_DRAWCELL = 2942, ZGN_EDITBEGIN = 2946,
    ZGN_HEADERCLICK = 2948,
};
enum : int {
    ZGOP_EDIT = 4, ZGOP_CHANGE = 5, ZGOP_COLUMN = 12, ZGOP_ROW = 13, ZGOP_HEADER = 14,
    ZGOP_EDITBEGIN = 21, ZGOP_DRAWCELL = 25,
};

// The event operations of the control classes, numbered in slot order
// (the first after the operations of zWindow is 1): the form calls them
// through zWindow::Event for the controls' notifications.
enum : int {
    ZEV_EDIT_KILLFOCUS = 1, ZEV_EDIT_GOTFOCUS = 2, ZEV_EDIT_UPDATE = 3, ZEV_EDIT_CHANGE = 4,
    ZEV_STATIC_CLICK = 1, ZEV_STATIC_DBLCLICK = 2,
    ZEV_BUTTON_CLICK = 1,
    ZEV_COMBO_EDITCHANGE = 1, ZEV_COMBO_EDITUPDATE = 2, ZEV_COMBO_KILLFOCUS = 3,
    ZEV_COMBO_SETFOCUS = 4, ZEV_COMBO_SELCHANGE = 5, ZEV_COMBO_DBLCLICK = 6,
    ZEV_PICTURE_CLICK = 1, ZEV_PICTURE_DBLCLICK = 2,
    ZEV_SCINTILLA_CHANGE = 1,
};

// Messages of the control library's picture control ("zpicture") that the
// framework sends, and its notification codes (high word of WM_COMMAND).
enum : UINT {
    ZPICM_LOADFILE = 2524, ZPICM_AUTOSIZE = 2525, ZPICM_STRETCH = 2533, ZPICM_STOREVALUE = 2535,
    ZPICM_CLEARBACKGROUND = 2556,
};
enum : WORD { ZPICN_CLICKED = 0x0A41, ZPICN_CHANGED = 0x0A43 };

// The Scintilla messages and notification the framework uses (style 32 is
// STYLE_DEFAULT).
enum : UINT {
    ZSCI_STYLESETBOLD = 2053, ZSCI_STYLESETITALIC = 2054, ZSCI_STYLESETSIZE = 2055,
    ZSCI_STYLESETFONT = 2056, ZSCI_SETLEXER = 4001, ZSCI_STYLEDEFAULT = 32,
    ZSCEN_CHANGE = 768,
};

// A tool record up to its lParam (TOOLINFOA of common controls 4.7), as
// every framework window registers itself with the tooltip.
enum : UINT { ZTOOLINFO_SIZE = 48 };

// Form kinds.
enum : int { ZK_PLAIN = 0, ZK_MODAL = 1, ZK_TOPLEVEL = 2, ZK_MDIFRAME = 3, ZK_MDICHILD = 4 };

class zWindow;

// The "XWNDUSR" record of a window: its object and the procedure it replaced.
struct zWindowRecord {
    zWindow* object;
    WNDPROC oldProc;
};
extern const char* const ZWNDPROP;  // "XWNDUSR"

class zWindow {
public:
    zWindow(const char* className, unsigned short type);

    // Virtual operations, in slot order.
    virtual void Create(int subclass);
    virtual ~zWindow();
    virtual void Hide();
    virtual bool Close();
    virtual bool OnRegisteredMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void Create();
    virtual void Setup() {}
    virtual void OnFocusBlank() {}
    virtual void OnChar(WPARAM* ch, LPARAM lParam) { (void)ch, (void)lParam; }
    virtual void OnCreate(bool beginning) { (void)beginning; }
    virtual bool QueryClose() { return true; }
    virtual void OnDropFiles(const char* fileName) { (void)fileName; }
    virtual void OnEnable(bool enabled) { (void)enabled; }
    virtual bool OnRButtonDown(WPARAM keys, int x, int y) { return (void)keys, (void)x, (void)y, true; }
    virtual bool OnLButtonDown(WPARAM keys, int x, int y) { return (void)keys, (void)x, (void)y, true; }
    virtual bool OnLButtonDblClk(WPARAM keys, int x, int y) { return (void)keys, (void)x, (void)y, true; }
    virtual bool OnLButtonUp(WPARAM keys, int x, int y) { return (void)keys, (void)x, (void)y, true; }
    virtual bool OnRButtonUp(WPARAM keys, int x, int y) { return (void)keys, (void)x, (void)y, true; }
    virtual void OnMouseMove(WPARAM keys, int x, int y) { (void)keys, (void)x, (void)y; }
    virtual void OnMouseHover(WPARAM keys, int x, int y) { (void)keys, (void)x, (void)y; }
    virtual void OnMouseLeave() {}
    virtual bool OnSetFocus(HWND previous) { return (void)previous, true; }
    virtual bool OnSetCursor(HWND window, UINT hit, UINT msg) { return (void)window, (void)hit, (void)msg, true; }
    virtual void OnShowWindow(bool shown, int status) { (void)shown, (void)status; }
    virtual void OnKeyDown(WPARAM* key, LPARAM lParam) { (void)key, (void)lParam; }
    virtual void OnKeyUp(WPARAM* key, LPARAM lParam) { (void)key, (void)lParam; }
    virtual void OnKillFocus(HWND next) { (void)next; }
    virtual bool OnNcLButtonDblClk(WPARAM hit, int x, int y) { return (void)hit, (void)x, (void)y, true; }
    virtual bool OnNcPaint(HDC dc) { return (void)dc, true; }
    virtual void OnPaint(zDC& dc) { (void)dc; }
    virtual bool OnEraseBackground(zDC& dc) { return (void)dc, true; }
    virtual void OnMove(int x, int y) { (void)x, (void)y; }
    virtual void OnMoveReserved(int a, int b) { (void)a, (void)b; }
    virtual void OnSize(WPARAM type, int width, int height) { (void)type, (void)width, (void)height; }
    virtual void OnSizeReserved(int a, int b) { (void)a, (void)b; }
    virtual void OnHotKey(WPARAM id, LPARAM lParam) { (void)id, (void)lParam; }

    // Hooks for the control classes (not event slots): the press of a
    // default button, the drop button of an edit, the end of a window.
    virtual void Click();
    virtual bool HasDropButton() const { return false; }
    virtual void OnWindowDestroyed() {}
    // The form calls a control's n-th event operation (1 = first) through
    // this; each control class maps the number to its own event slots.
    virtual void Event(int number) { (void)number; }
    // The numbered operations of grid-type controls (types 16 and 23) that
    // the form calls for their notifications; true lets the grid go on.
    virtual bool GridOperation(int number, LPARAM first, LPARAM second)
    {
        return (void)number, (void)first, (void)second, true;
    }
    // Custom draw of buttons (NM_CUSTOMDRAW); the result of the draw stage.
    virtual LRESULT OnCustomDraw(NMCUSTOMDRAW* record) { return (void)record, CDRF_DODEFAULT; }

    // Geometry.
    void SetTop(int v);
    void SetLeft(int v);
    void SetWidth(int v);
    void SetHeight(int v);
    void SetPosition(int x, int y);
    void SetBounds(int x, int y, int width, int height);
    RECT& GetClientRect();
    void Center(char mode, bool relative);
    void CenterOnScreen();
    void Anchor();

    // Texts.
    void SetText(const char* text);
    xstring GetText();
    bool IsTextBlank();

    // State.
    void Show(int command);
    void Enable(bool enable);
    bool IsDisabled() const;
    bool IsVisible() const;
    HWND SetFocus();
    void SetForeground();
    void SendKey(WPARAM key);
    void Invalidate(const RECT* rect, bool erase);
    void NotifyParent();
    HWND GetOwner() const;
    bool IsLive() const { return hwnd != nullptr && IsWindow(hwnd); }
    HWND Handle() const { return IsLive() ? hwnd : nullptr; }

    // Appearance.
    void SetBackColor(COLORREF colour);
    // Colour key and opacity of a layered window (both modes), where the
    // platform has them.
    void SetLayeredAttributes(COLORREF key, BYTE opacity);
    void ApplyStyle(bool repaint);
    void SetInputFlags(DWORD flags);
    void ApplyFont();
    void LoadPicture();
    void ApplyIcon();
    void SetLockIcon(bool locked);
    bool IsLocked() const;
    COLORREF CurrentTextColour() const;
    COLORREF CurrentTextBackColour() const;
    COLORREF CurrentBrushColour() const;

    // Flat scroll bars of forms.
    void GetHScrollRange(int* min, int* max) const;
    void GetVScrollRange(int* min, int* max) const;
    int GetHScrollPos() const;
    int GetVScrollPos() const;
    void SetHScrollPos(int pos);
    void SetVScrollPos(int pos);

    void Subclass();
    // The label rectangle on the parent, invalidated.
    void InvalidateLabel();

    // Fields, in the order the framework keeps them.
    int top = 0, left = 0, width = 0, height = 0;
    xstring className;
    unsigned short type;
    HBRUSH brush = nullptr;
    unsigned char imageNotOwned = 0;
    unsigned char closing = 0;
    HGDIOBJ image2 = nullptr;
    COLORREF textColour = 0, textBackColour = COLOR_WINDOW, brushColour = COLOR_WINDOW;
    COLORREF focusBackColour = 0xC1FFFE, focusBrushColour = 0xC1FFFE, focusTextColour = 0;
    HDROP drop = nullptr;
    HWND hwnd = nullptr;
    xstring caption;
    unsigned char readOnly = 0;
    int maxLength = 0;
    HGDIOBJ image = nullptr;
    DWORD navigation = 0;
    DWORD inputFlags = 0;
    DWORD style = WS_CHILD | WS_TABSTOP;
    DWORD exStyle = 0;
    DWORD options = 0;
    RECT scrollRect = {}, clipRect = {};
    int hMin = 0, hMax = 0, hLine = 0, hPage = 0;
    int vMin = 0, vMax = 0, vLine = 0, vPage = 0;
    xstring label;
    unsigned char labelPosition = 0;
    unsigned short anchor = 0;
    short marginLeft = 0, marginTop = 0, marginRight = 0, marginBottom = 0;
    zIcon icon;
    zWindow* parent = nullptr;
    short showCommand = -1;
    int kind = ZK_PLAIN;
    RECT paintRect = {};
    RECT clientRect = {};
    xstring caption2, name, hint;
    xstring mandatoryMessage;
    zFont font;
    xstring pictureName;
    unsigned short pictureSource = 1;
    unsigned short pictureFlags = 0;
    DWORD rop = SRCCOPY;
    zBrush patternBrush;
    xstring textAtFocus;
    // An edit's colours from before it got the focus, given back when it
    // loses it (text, text background, brush).
    COLORREF savedTextColour = 0, savedTextBackColour = 0, savedBrushColour = 0;

protected:
    zWindow(const zWindow&) = delete;
    zWindow& operator=(const zWindow&) = delete;

    // Ends a live window directly: no WM_CLOSE to an object half destroyed.
    void DestroyLiveWindow();
    // Deletes the owned image and the second image; a button or static
    // shows none afterwards.
    void DropImages();
    void RegisterTool(HWND owner);
};

// The object attached to a window, or null.
zWindow* zFindObject(HWND window);
// Attaches a record {object, oldProc} to a window; the record is freed by
// zDetachObject (the procedures call it at WM_DESTROY).
void zAttachObject(HWND window, zWindow* object, WNDPROC oldProc);
void zDetachObject(HWND window);

// Whether a window is of the class named (any case); forms are of either form class.
bool zIsClass(HWND window, const char* className);
bool zIsFormWindow(HWND window);

// Files dropped on a window: one goes to the object's OnDropFiles, more are
// refused with a box; the drop ends either way.
void zDropFiles(zWindow* object, HWND window, HDROP drop);

// The one catch site of the framework's window procedures: the failure is
// kept as the reason of the global exception record ("<where>0x<message>")
// and the message answers 0.
LRESULT zNoteFailure(const char* where, UINT msg);

// The control subclass procedure of every framework control.
LRESULT CALLBACK ControlSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT ControlWindowProc(zWindow* object, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// The hash of a settings section name: blanks and tabs skipped, the sum of
// k * character * 0x600937^k over the k-th kept character, in 32 bits.
unsigned long zTextHash(const char* text);
// The focused framework control (cleared when it is destroyed).
extern zWindow* zFocusedControl;
