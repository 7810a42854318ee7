#pragma once
// The library's window classes, registered when the library is loaded.
//
// One function per class, each defined in its area's folder. DllMain calls
// them in this order: zhsplitter, zvsplitter, zpicture, zgrid.
//
// The picture and grid calls are already in place in corvexmain.cpp, through
// weak references: while an area does not define its function yet, the
// reference is null and the call is skipped, so the library links and loads
// whatever areas are built in. An area only has to define its function below
// (a plain definition, in a file of its object library); it must not add a
// second call. The DLL takes the areas' objects whole (--whole-archive), so
// the definition is always found when it exists.
//
// Each function registers its class under `module` only when the class is
// not there yet (CorvexRegisterOnce does both) and answers whether the class
// is available afterwards.

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
