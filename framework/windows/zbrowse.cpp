// The folder browse dialog over SHBrowseForFolderA.

#include "zbrowse.h"

#include "zapplication.h"
#include "zform.h"
#include "xsystem.h"

#include <shlwapi.h>

#include <cstring>

namespace {

int CALLBACK BrowseCallback(HWND dialog, UINT event, LPARAM lParam, LPARAM data)
{
    try {
        auto* self = reinterpret_cast<zFolderSearchDialog*>(data);
        return self ? self->OnBrowseEvent(dialog, event, lParam) : 0;
    } catch (...) {
        return 0;
    }
}

HWND BoxOwner()
{
    if (zMainForm && zMainForm->IsLive())
        return zMainForm->hwnd;
    zForm* current = zApp().currentForm;
    return current && current->IsLive() ? current->hwnd : nullptr;
}

bool IsAbsolute(const char* p)
{
    return (p[0] && p[1] == ':') || (p[0] == '\\' && p[1] == '\\');
}

}  // namespace

bool zCreateFolderPath(const char* folder)
{
    if (!folder || !*folder)
        return false;
    xstring path(folder);
    char* p = path.GetBuffer();
    size_t n = std::strlen(p);
    while (n > 3 && (p[n - 1] == '\\' || p[n - 1] == '/'))
        p[--n] = '\0';
    // Each level in turn, from the first after the drive or share.
    for (size_t i = 1; i <= n; ++i) {
        if (i < n && p[i] != '\\' && p[i] != '/')
            continue;
        char keep = p[i];
        p[i] = '\0';
        DWORD attributes = GetFileAttributesA(p);
        bool isDrive = i == 2 && p[1] == ':';
        if (!isDrive && attributes == INVALID_FILE_ATTRIBUTES && !xsys().CreateFolder(p)) {
            p[i] = keep;
            return false;
        }
        p[i] = keep;
    }
    DWORD attributes = GetFileAttributesA(p);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

zFolderSearchDialog::zFolderSearchDialog()
{
    if (FAILED(SHGetMalloc(&allocator)) || !allocator) {
        allocator = nullptr;
        MessageBoxA(BoxOwner(), "zFolderSearchDialog::SHGetMalloc failed!", "Message",
                    MB_ICONINFORMATION | MB_TOPMOST | MB_SETFOREGROUND);
        return;
    }
    std::memset(&info, 0, sizeof info);
}

zFolderSearchDialog::~zFolderSearchDialog()
{
    if (allocator) {
        if (chosen)
            allocator->Free(chosen);
        allocator->Release();
    }
}

bool zFolderSearchDialog::DoModal()
{
    if (!allocator)
        return false;
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = nullptr;
    info.ulFlags = flags;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(this);
    created_ = "";
    if (chosen)
        allocator->Free(chosen);
    chosen = SHBrowseForFolderA(&info);
    // A folder typed and created is the answer, whatever the tree shows; it
    // comes back in the form of a picked one (no closing backslash).
    if (!created_.IsBlank()) {
        lstrcpynA(pathText, created_, sizeof pathText);
        path.Split(pathText);
        return true;
    }
    if (!chosen || !SHGetPathFromIDListA(chosen, pathText))
        return false;
    path.Split(pathText);
    return true;
}

int zFolderSearchDialog::OnBrowseEvent(HWND dialog, UINT event, LPARAM lParam)
{
    switch (event) {
    case BFFM_INITIALIZED: {
        xstring start = path.GetDrive() + path.GetFolder();
        if (start.IsBlank()) {
            char current[MAX_PATH] = {};
            GetCurrentDirectoryA(sizeof current, current);
            start = current;
        }
        selected_ = start;
        SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(start.c_str()));
        SendMessageA(dialog, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(start.c_str()));
        return 0;
    }
    case BFFM_SELCHANGED: {
        char full[MAX_PATH] = {};
        char shown[MAX_PATH] = {};
        if (lParam && SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(lParam), full)) {
            selected_ = full;
            PathCompactPathExA(shown, full, 50, 0);
        }
        SendMessageA(dialog, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(shown));
        return 0;
    }
    case BFFM_VALIDATEFAILEDA:
        return OnValidateFailed(reinterpret_cast<const char*>(lParam));
    default:
        return 0;
    }
}

// A typed name that is no folder (relative ones under the selected folder):
// asked, then made, that one folder only; the dialog closes with it (0) or
// stays open (1).
int zFolderSearchDialog::OnValidateFailed(const char* typed)
{
#ifdef ZINSTALLER_BUILD
    const bool italian = true;  // the installer asks in Italian, whatever the system speaks
#else
    bool italian = zApp().italian != 0;
#endif
    xstring folder(typed ? typed : "");
    if (!folder.IsBlank() && !IsAbsolute(folder)) {
        xstring base = selected_;
        if (!base.IsBlank() && base.Right(1) != "\\")
            base += "\\";
        folder = base + folder;
    }
    while (folder.Length() > 3 && (folder.Right(1) == "\\" || folder.Right(1) == "/"))
        folder = folder.Mid(0, folder.Length() - 1);
    if (!folder.IsBlank()) {
        xstring question = folder + (italian ? "\nFolder inesistente.Vuoi crearlo?"
                                             : "\nFolder does not exist. Do you want to create it?");
        if (xsys().AskYesNo(question, "") == IDYES && xsys().CreateFolder(folder)) {
            created_ = folder;
            return 0;
        }
    }
    xsys().Warning(italian ? "Folder inesistente/invalido." : "\nInvalid Folder");
    return 1;
}
