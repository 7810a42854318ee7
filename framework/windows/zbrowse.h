#pragma once
// zFolderSearchDialog: the shell's folder browser, started in a given folder
// (or the current one), the selection shortened in its status line, a typed
// folder that does not exist offered for creation (that folder alone, not
// missing levels above it). The chosen folder comes back split into the
// path record, without a closing backslash.

#include "xpath.h"

#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

class zFolderSearchDialog {
public:
    zFolderSearchDialog();
    ~zFolderSearchDialog();
    zFolderSearchDialog(const zFolderSearchDialog&) = delete;
    zFolderSearchDialog& operator=(const zFolderSearchDialog&) = delete;

    bool DoModal();
    // One browse event; the callback's result.
    int OnBrowseEvent(HWND dialog, UINT event, LPARAM lParam);

    BROWSEINFOA info = {};
    LPITEMIDLIST chosen = nullptr;
    IMalloc* allocator = nullptr;
    char pathText[MAX_PATH] = {};
    UINT flags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT | BIF_VALIDATE;
    HWND owner = nullptr;
    xpath path;

private:
    int OnValidateFailed(const char* typed);

    xstring selected_;  // the folder selected last, for relative typed names
    xstring created_;   // a typed folder made during this run
};

// Creates a folder with every missing level; true when it exists after.
bool zCreateFolderPath(const char* folder);
