#pragma once
// The bridge's main window as the running program publishes it: the first
// four bytes of the shared memory "SM_VARNESK". Null when nothing is
// published; the handle may be stale (check IsWindow).

#include <windows.h>

// The id of its tray icon (which reports with ZWM_TRAYNOTIFY).
constexpr UINT kVarneskTrayId = 9001;

inline HWND VarneskPublishedHandle()
{
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, "SM_VARNESK");
    if (!mapping)
        return nullptr;
    HWND window = nullptr;
    if (void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 4)) {
        window = *static_cast<HWND*>(view);
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    return window;
}
