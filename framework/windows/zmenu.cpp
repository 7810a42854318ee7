// Menus from resources, their items, popup numbering and popup menus.

#include "zmenu.h"

#include "zform.h"

#include <algorithm>

zMenuRes* zActiveMenu = nullptr;

std::vector<zMenuRes*>& zMenuObjects()
{
    static std::vector<zMenuRes*> objects;
    return objects;
}

// --- popup numbering ------------------------------------------------------

namespace {

// Pre-order walk: count is the number of menus visited so far.
int Depth(HMENU menu, HMENU popup, int& count)
{
    ++count;
    int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        HMENU sub = GetSubMenu(menu, i);
        if (!sub)
            continue;
        if (sub == popup)
            return count;
        int found = Depth(sub, popup, count);
        if (found)
            return found;
    }
    return 0;
}

HMENU ByNumber(HMENU menu, int number, int& count, HMENU* holder, int* position)
{
    int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        HMENU sub = GetSubMenu(menu, i);
        if (!sub)
            continue;
        if (++count == number) {
            if (holder)
                *holder = menu;
            if (position)
                *position = i;
            return sub;
        }
        HMENU found = ByNumber(sub, number, count, holder, position);
        if (found)
            return found;
    }
    return nullptr;
}

// The menu of the tree that directly holds a command identifier.
HMENU HolderOfCommand(HMENU menu, int identifier)
{
    int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        HMENU sub = GetSubMenu(menu, i);
        if (sub) {
            HMENU found = HolderOfCommand(sub, identifier);
            if (found)
                return found;
        } else if (int(GetMenuItemID(menu, i)) == identifier) {
            return menu;
        }
    }
    return nullptr;
}

}  // namespace

int FindMenuDepth(HMENU menu, HMENU popup, bool reset)
{
    static int count = 0;
    if (reset)
        count = 0;
    if (!menu || !popup || !IsMenu(menu))
        return 0;
    return Depth(menu, popup, count);
}

HMENU zFindPopupByNumber(HMENU menu, int number, HMENU* holder, int* position)
{
    if (!menu || number < 1 || !IsMenu(menu))
        return nullptr;
    int count = 0;
    return ByNumber(menu, number, count, holder, position);
}

// --- zMenuItemRes ---------------------------------------------------------

zMenuItemRes::zMenuItemRes(DWORD itemFlags, int itemPosition, int itemIdentifier)
    : identifier(itemIdentifier), flags(itemFlags), position(itemPosition)
{
}

void zMenuItemRes::SetEnabled(bool enabled)
{
    if (!owner || !owner->menu || !IsMenu(owner->menu))
        return;
    HMENU holder = nullptr;
    if (IsPopup())
        zFindPopupByNumber(owner->menu, identifier, &holder, nullptr);
    else
        holder = HolderOfCommand(owner->menu, identifier);
    if (!holder)
        return;
    EnableMenuItem(holder, UINT(position), MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
}

void zMenuItemRes::Disable()
{
    SetEnabled(false);
}

void zMenuItemRes::Enable()
{
    SetEnabled(true);
}

// --- zMenuRes -------------------------------------------------------------

zMenuRes::zMenuRes(const char* name) : resourceName(name)
{
    zMenuObjects().push_back(this);
}

zMenuRes::~zMenuRes()
{
    auto& all = zMenuObjects();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
    if (zActiveMenu == this)
        zActiveMenu = nullptr;
    Destroy();
}

HMENU zMenuRes::Load(HINSTANCE instance)
{
    if (!menu || !IsMenu(menu))
        menu = LoadMenuA(instance ? instance : GetModuleHandleA(nullptr), resourceName);
    return menu;
}

void zMenuRes::Destroy()
{
    if (menu && IsMenu(menu))
        DestroyMenu(menu);
    menu = nullptr;
}

void zMenuRes::Register(zMenuItemRes* item)
{
    if (!item)
        return;
    item->owner = this;
    items.push_back(item);
}

zMenuItemRes* zMenuRes::ItemFor(int numberOrIdentifier) const
{
    for (zMenuItemRes* item : items)
        if (item->identifier == numberOrIdentifier)
            return item;
    return nullptr;
}

bool zMenuRes::ClickItem(int identifier)
{
    for (zMenuItemRes* item : items) {
        if (!item->IsPopup() && item->identifier == identifier) {
            lastCommand = DWORD(identifier);
            item->OnClick();
            return true;
        }
    }
    return false;
}

void zMenuRes::ShowHint(WPARAM wParam, LPARAM lParam)
{
    UINT itemFlags = HIWORD(wParam);
    int number = LOWORD(wParam);
    if (itemFlags & MF_POPUP) {
        HMENU popup = GetSubMenu(reinterpret_cast<HMENU>(lParam), number);
        number = popup ? FindMenuDepth(menu, popup, true) : 0;
    }
    zMenuItemRes* item = number ? FindItem(number) : nullptr;
    if (item && zMainForm)
        zMainForm->SetStatusText(5, item->hint);
}

// --- the form's side ------------------------------------------------------

bool zRouteMenuCommand(zMenuRes* menu, WPARAM wParam)
{
    if (!menu || wParam >= 0x10000)
        return false;
    return menu->OnCommand(int(LOWORD(wParam)));
}

void zRouteInitMenuPopup(HMENU popup, WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(lParam) || !zActiveMenu || !zActiveMenu->menu)
        return;  // the system menu, or no menu of ours
    int number = FindMenuDepth(zActiveMenu->menu, popup, true);
    zMenuItemRes* item = number ? zActiveMenu->FindItem(number) : nullptr;
    if (item)
        item->OnInitPopup(wParam, LOWORD(lParam), HIWORD(lParam) != 0);
}

void zRouteMenuSelect(HWND window, WPARAM wParam, LPARAM lParam)
{
    if ((HIWORD(wParam) & MF_SYSMENU) || !zActiveMenu)
        return;
    zActiveMenu->OnMenuSelect(window, wParam, lParam);
}

// --- zPopupMenu -----------------------------------------------------------

zPopupMenu::~zPopupMenu()
{
    if (!notOwned && menu && IsMenu(menu))
        DestroyMenu(menu);
}

bool zPopupMenu::Create()
{
    if (menu && IsMenu(menu))
        return true;
    menu = CreatePopupMenu();
    if (!menu)
        lastError = GetLastError();
    return menu != nullptr;
}

bool zPopupMenu::Append(const char* text, UINT_PTR identifier, UINT itemFlags)
{
    if (!menu)
        return false;
    if (AppendMenuA(menu, itemFlags, identifier, text))
        return true;
    lastError = GetLastError();
    return false;
}

int zPopupMenu::Track()
{
    if (!menu)
        return 0;
    if (atCursor)
        GetCursorPos(&position);
    HWND window = owner ? owner : GetFocus();
    int r = int(TrackPopupMenu(menu, trackFlags, position.x, position.y, 0, window, nullptr));
    if (!r)
        lastError = GetLastError();
    return r;
}
