#pragma once
// The library's window classes, registered when the library is loaded.
//
// One function per class, each defined in its area's folder; the library
// entry calls them in this order: zhsplitter, zvsplitter, zpicture, zgrid.
// Each registers its class under `module` only when the class is not there
// yet (CorvexRegisterOnce) and answers whether the class is available.

#include <windows.h>

bool RegisterHSplitterClass(HINSTANCE module);
bool RegisterVSplitterClass(HINSTANCE module);
bool RegisterPictureClass(HINSTANCE module);
bool RegisterGridClass(HINSTANCE module);

// The library may be loaded again (or under a second name) while its classes
// are still registered: a class already known under the module is kept.
inline bool CorvexRegisterOnce(const WNDCLASSA& cls)
{
    WNDCLASSA existing;
    if (GetClassInfoA(cls.hInstance, cls.lpszClassName, &existing))
        return true;
    return RegisterClassA(&cls) != 0;
}
