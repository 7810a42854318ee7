#pragma once
// Menus: zMenuRes (a form's menu bar from a menu resource, one zMenuItemRes
// per item reacting to its command) and zPopupMenu (a context menu built at
// run time). Popups are numbered in pre-order: the menu bar's first popup
// is 1, then its nested popups, then the bar's second popup, and so on.

#include "xstring.h"

#include <windows.h>

#include <vector>

class zMenuRes;

class zMenuItemRes {
public:
    // flags: 1 = created grayed, MF_POPUP (16) = the item stands for a popup
    // whose number is the identifier.
    zMenuItemRes(DWORD flags, int position, int identifier);
    virtual ~zMenuItemRes() = default;
    zMenuItemRes(const zMenuItemRes&) = delete;
    zMenuItemRes& operator=(const zMenuItemRes&) = delete;

    virtual void OnClick() {}
    virtual void OnInitPopup(WPARAM wParam, int index, bool systemMenu)
    {
        (void)wParam, (void)index, (void)systemMenu;
    }

    void Disable();
    void Enable();
    bool IsPopup() const { return (flags & MF_POPUP) != 0; }

    int identifier;
    DWORD flags;
    int position;
    xstring hint;
    zMenuRes* owner = nullptr;

private:
    void SetEnabled(bool enabled);
};

class zMenuRes {
public:
    explicit zMenuRes(const char* resourceName);
    virtual ~zMenuRes();
    zMenuRes(const zMenuRes&) = delete;
    zMenuRes& operator=(const zMenuRes&) = delete;

    virtual zMenuItemRes* FindItem(int number) { return (void)number, nullptr; }
    virtual bool OnCommand(int identifier) { return (void)identifier, false; }
    virtual void OnMenuSelect(HWND window, WPARAM wParam, LPARAM lParam)
    {
        (void)window, (void)wParam, (void)lParam;
    }

    // Loads the resource when no menu is held yet; the held menu.
    HMENU Load(HINSTANCE instance);
    void Destroy();
    // The item object joins this menu.
    void Register(zMenuItemRes* item);

    HMENU menu = nullptr;
    DWORD lastCommand = 0;
    std::vector<zMenuItemRes*> items;
    xstring resourceName;

protected:
    // What generated menu classes do: the item for a popup number or a
    // command identifier; a command's OnClick; the selected item's hint in
    // part 5 of the main form's status bar.
    zMenuItemRes* ItemFor(int numberOrIdentifier) const;
    bool ClickItem(int identifier);
    void ShowHint(WPARAM wParam, LPARAM lParam);
};

// Every menu object of the process, in construction order.
std::vector<zMenuRes*>& zMenuObjects();
// The menu object of the form last activated (the form keeps it current).
extern zMenuRes* zActiveMenu;

// The number of popup in the tree of menu (pre-order, menu itself counted),
// 0 when absent. reset restarts the count; the recursion passes false.
int FindMenuDepth(HMENU menu, HMENU popup, bool reset);
// The popup with that number, with the menu holding it and its position.
HMENU zFindPopupByNumber(HMENU menu, int number, HMENU* holder, int* position);

// The form's side of menus: a command (true: handled), a popup opening,
// a selection moving.
bool zRouteMenuCommand(zMenuRes* menu, WPARAM wParam);
void zRouteInitMenuPopup(HMENU popup, WPARAM wParam, LPARAM lParam);
void zRouteMenuSelect(HWND window, WPARAM wParam, LPARAM lParam);

class zPopupMenu {
public:
    zPopupMenu() = default;
    ~zPopupMenu();
    zPopupMenu(const zPopupMenu&) = delete;
    zPopupMenu& operator=(const zPopupMenu&) = delete;

    bool Create();
    bool Append(const char* text, UINT_PTR identifier, UINT flags);
    int Track();

    HMENU menu = nullptr;
    unsigned char notOwned = 0;
    HWND owner = nullptr;
    DWORD lastError = 0;
    POINT position = {0, 0};
    unsigned char atCursor = 1;
    UINT trackFlags = 0;
};
