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

protected:
    zWindow(const zWindow&) = delete;
    zWindow& operator=(const zWindow&) = delete;

    // Ends a live window directly: no WM_CLOSE to an object half destroyed.
    void DestroyLiveWindow();
    void RegisterTool(HWND owner);
};

// The object attached to a window, or null.
zWindow* zFindObject(HWND window);
// Attaches a record {object, oldProc} to a window; the record is freed by
// zDetachObject (the procedures call it at WM_DESTROY).
void zAttachObject(HWND window, zWindow* object, WNDPROC oldProc);
void zDetachObject(HWND window);

// The control subclass procedure of every framework control.
LRESULT CALLBACK ControlSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT ControlWindowProc(zWindow* object, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// The focused framework control (cleared when it is destroyed).
extern zWindow* zFocusedControl;
