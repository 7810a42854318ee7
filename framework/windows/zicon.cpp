#include "zicon.h"

#include "zapplication.h"

#include <cstring>

zIcon::zIcon() = default;

zIcon::~zIcon()
{
    Drop();
}

void zIcon::RemoveFromTray()
{
    if (!shown_)
        return;
    NOTIFYICONDATAA nid = {};
    nid.cbSize = 504;
    nid.hWnd = owner;
    nid.uID = id;
    Shell_NotifyIconA(NIM_DELETE, &nid);
    shown_ = 0;
}

void zIcon::Drop()
{
    RemoveFromTray();
    if (icon_ && !shared)
        DestroyIcon(icon_);
    icon_ = nullptr;
}

void zIcon::SetIconByName(const char* iconName, int sizeKind)
{
    if (IsBlank(iconName))
        return;
    name = iconName;
    Drop();
    switch (sizeKind) {
    case 1: width = height = 16; break;
    case 2: width = height = 48; break;
    case 3: break;
    default: width = height = 32; break;
    }
    icon_ = static_cast<HICON>(LoadImageA(zApp().instance ? zApp().instance : GetModuleHandleA(nullptr),
                                          name, IMAGE_ICON, width, height, 0));
    shared = 0;
}

void zIcon::SetIcon(HICON icon)
{
    Drop();
    icon_ = icon;
    shared = 0;
}

BOOL zIcon::ShowInTray()
{
    std::memset(&record, 0, sizeof record);
    record.cbSize = 504;
    record.hWnd = owner;
    record.uID = id;
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
    record.uCallbackMessage = ZWM_TRAYNOTIFY;
    record.hIcon = icon_;
    lstrcpynA(record.szTip, tip, 128);
    lstrcpynA(record.szInfo, balloonText, 256);
    record.dwInfoFlags = balloonFlags;
    lstrcpynA(record.szInfoTitle, balloonTitle, 64);
    // A shown icon is modified in place: a second NIM_ADD would fail and
    // leave an icon in the area that nothing removes any more.
    if (shown_) {
        BOOL modified = Shell_NotifyIconA(NIM_MODIFY, &record);
        if (modified == 1)
            return modified;
        RemoveFromTray();
    }
    BOOL ok = Shell_NotifyIconA(NIM_ADD, &record);
    shown_ = ok == 1;
    return ok;
}
