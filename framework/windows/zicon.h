#pragma once
// zIcon: the icon of a window or form; it can also show itself in the
// notification area with a tip and a balloon (callback message 2427).

#include "xstring.h"

#include <windows.h>
#include <shellapi.h>

enum : UINT { ZWM_TRAYNOTIFY = 2427 };

class zIcon {
public:
    zIcon();
    ~zIcon();
    zIcon(const zIcon&) = delete;
    zIcon& operator=(const zIcon&) = delete;

    // Size kind: 1 = 16x16, 2 = 48x48, 3 = the stored size, else 32x32.
    void SetIconByName(const char* name, int sizeKind);
    void SetIcon(HICON icon);
    BOOL ShowInTray();
    void RemoveFromTray();

    HICON Handle() const { return icon_; }
    bool IsShown() const { return shown_ != 0; }

    NOTIFYICONDATAA record = {};
    unsigned char shared = 0;
    HWND owner = nullptr;
    UINT id = 0;
    xstring tip, balloonText, balloonTitle;
    xstring name;
    DWORD balloonFlags = NIIF_INFO;
    int width = 0, height = 0;

private:
    void Drop();

    HICON icon_ = nullptr;
    unsigned char shown_ = 0;
};
