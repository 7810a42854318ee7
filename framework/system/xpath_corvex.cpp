// xpath members that the control library adds: the program associated
// with the path's file and the icons of that program.

#include "xpath.h"

#include <shellapi.h>
#include <shlwapi.h>

xstring xpath::AssociatedProgram() const
{
    char program[MAX_PATH] = {};
    DWORD size = sizeof program;
    xstring ext = ext_;
    if (ext.Length() > 0 &&
        SUCCEEDED(AssocQueryStringA(ASSOCF_NOTRUNCATE, ASSOCSTR_EXECUTABLE, ext, "open", program,
                                    &size)) &&
        program[0])
        return program;
    return full_;
}

HICON xpath::AssociatedIcon(int index) const
{
    xstring program = AssociatedProgram();
    HICON icon = ExtractIconA(GetModuleHandleA(nullptr), program, UINT(index));
    // ExtractIcon answers 1 for a file that is not an executable, icon file or DLL.
    if (icon == reinterpret_cast<HICON>(1))
        icon = nullptr;
    return icon;
}

HICON xpath::ProgramIcon() const
{
    HICON icon = ExtractIconA(GetModuleHandleA(nullptr), full_, 0);
    if (icon == reinterpret_cast<HICON>(1))
        icon = nullptr;
    return icon;
}
