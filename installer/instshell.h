#pragma once
// The installation's ties to Windows: the Program Manager group and its
// items, the uninstaller's registration and the fonts.

#include "xpath.h"

// The group of the list file with one item per ITEM entry; true when all
// were created.
bool CreateProgramGroup();
// The key that lists the application among the removable programs.
void RegisterUninstaller();
// Copies, loads and registers a font; false only when the fonts key cannot
// be opened.
bool InstallFont(const char* face, const xpath& file);

// Registry keys the installer writes (under HKEY_LOCAL_MACHINE).
xstring UninstallKey(const char* name);
xstring FontsKey();
