// xsystem members that the control library adds: ping, short names, mask
// deletion, copies and attributes, drives and disk space, LZ expansion,
// GUIDs, machine and user names, plain boxes and display scaling.

#include "xsystem.h"

#include "xhooks.h"
#include "xpath.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <icmpapi.h>
#include <lzexpand.h>
#include <objbase.h>

#include <cstdio>
#include <cstring>

namespace {

using IcmpCreateFileFn = HANDLE(WINAPI*)();
using IcmpSendEcho2Fn = DWORD(WINAPI*)(HANDLE, HANDLE, void*, void*, IPAddr, void*, WORD,
                                       PIP_OPTION_INFORMATION, void*, DWORD, DWORD);
using IcmpCloseHandleFn = BOOL(WINAPI*)(HANDLE);

constexpr DWORD kNotValidAddress = 1229;  // the error the caller sees for a bad address
constexpr DWORD kBufferTooSmall = 11001;  // IP_BUF_TOO_SMALL: not worth a report
constexpr WORD kPayload = 32;

class Library {
public:
    explicit Library(const char* name) : module_(LoadLibraryA(name)) {}
    ~Library()
    {
        if (module_)
            FreeLibrary(module_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    template <class F> F Get(const char* name) const
    {
        return module_ ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name)))
                       : nullptr;
    }

private:
    HMODULE module_;
};

// Keeps the current folder and puts it back, whatever happens in between.
class FolderKeeper {
public:
    FolderKeeper()
    {
        DWORD n = GetCurrentDirectoryA(sizeof folder_, folder_);
        ok_ = n > 0 && n < sizeof folder_;
    }
    ~FolderKeeper()
    {
        if (ok_)
            SetCurrentDirectoryA(folder_);
    }
    FolderKeeper(const FolderKeeper&) = delete;
    FolderKeeper& operator=(const FolderKeeper&) = delete;

private:
    char folder_[MAX_PATH] = {};
    bool ok_ = false;
};

bool IsDotName(const char* name)
{
    return name[0] == '.';
}

}  // namespace

// The reply buffer holds the reply record, the echoed payload and the
// 8 bytes of an ICMP error, as the echo call needs.
bool xsystem::Ping(const char* address, DWORD timeoutMs)
{
    lastError_ = 0;
    Library icmp("ICMP.DLL");
    auto create = icmp.Get<IcmpCreateFileFn>("IcmpCreateFile");
    auto send = icmp.Get<IcmpSendEcho2Fn>("IcmpSendEcho2");
    auto close = icmp.Get<IcmpCloseHandleFn>("IcmpCloseHandle");
    if (!create || !send || !close)
        return false;
    IPAddr target = inet_addr(address ? address : "");
    if (target == INADDR_NONE) {
        lastError_ = kNotValidAddress;
        Error("xsystem::Ping", 198);
        return false;
    }
    HANDLE handle = create();
    if (handle == INVALID_HANDLE_VALUE) {
        lastError_ = int(::GetLastError());
        Error("xsystem::Ping", 198);
        return false;
    }
    char payload[kPayload] = "Data Buffer";
    unsigned char reply[sizeof(ICMP_ECHO_REPLY) + kPayload + 8 + 16] = {};
    DWORD replies = send(handle, nullptr, nullptr, nullptr, target, payload, kPayload, nullptr,
                         reply, sizeof reply, timeoutMs);
    DWORD error = replies ? 0 : ::GetLastError();
    close(handle);
    if (replies == 0) {
        lastError_ = int(error);
        if (error != 0 && error != kBufferTooSmall)
            Error("xsystem::Ping", 198);
        return false;
    }
    return reinterpret_cast<ICMP_ECHO_REPLY*>(reply)->Status == IP_SUCCESS;
}

xstring xsystem::ShortName(const char* longPath)
{
    lastError_ = 0;
    char shortPath[MAX_PATH] = {};
    DWORD n = GetShortPathNameA(longPath, shortPath, sizeof shortPath);
    if (n > 0 && n < sizeof shortPath)
        return shortPath;
    lastError_ = n == 0 ? int(::GetLastError()) : ERROR_INSUFFICIENT_BUFFER;
    Error("xsystem::ShortName", 197);
    return xstring();
}

// One pass over what the mask matches: files are deleted, matching
// sub-folders entered (the same way) when asked; the caller's current
// folder comes back afterwards.
bool xsystem::ClearFolder(const char* folder, const char* mask, bool recurse, bool removeFolder)
{
    FolderKeeper keeper;
    // A folder that cannot be made current deletes nothing: the files
    // of whatever folder is current must never be taken instead.
    if (!Keep(SetCurrentDirectoryA(folder)))
        return false;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(mask, &data);
    if (find == INVALID_HANDLE_VALUE)
        return true;
    do {
        const DWORD attributes = data.dwFileAttributes;
        if (IsDotName(data.cFileName))
            continue;
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
            ::DeleteFileA(data.cFileName);
        // The entry is the very folder entered (the mask names entries of
        // this folder only), so its own attributes tell a junction, which
        // leads out of the tree and is not followed.
        else if ((recurse || removeFolder) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            DeleteByMask(data.cFileName, mask, recurse, removeFolder);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return true;
}

bool xsystem::DeleteByMask(const char* folder, const char* mask, bool recurse, bool removeFolder)
{
    if (folder == nullptr || *folder == '\0' || mask == nullptr || *mask == '\0')
        return false;
    // The mask names entries of the folder: one with a folder of its own
    // would list another folder while deleting in this one.
    if (std::strpbrk(mask, "\\/:") != nullptr) {
        lastError_ = ERROR_INVALID_NAME;
        return false;
    }
    if (!ClearFolder(folder, mask, recurse, removeFolder))
        return false;
    return !removeFolder || Keep(RemoveDirectoryA(folder));
}

bool xsystem::CopyFile(const char* from, const char* to, bool failIfExists)
{
    return Keep(::CopyFileA(from, to, failIfExists));
}

bool xsystem::SetAttributes(const char* path, DWORD attributes)
{
    return Keep(SetFileAttributesA(path, attributes));
}

bool xsystem::RemoveFolder(const char* path)
{
    return Keep(RemoveDirectoryA(path));
}

bool xsystem::DriveExists(char letter)
{
    FolderKeeper keeper;
    char drive[3] = {letter, ':', '\0'};
    return Keep(SetCurrentDirectoryA(drive));
}

unsigned long long xsystem::FreeDiskSpace(const char* folder)
{
    if (folder == nullptr || IsBlank(folder))
        return 0;
    ULARGE_INTEGER available = {};
    if (!Keep(GetDiskFreeSpaceExA(folder, &available, nullptr, nullptr)))
        return 0;
    return available.QuadPart;
}

// LZ32 copies a plain file as it is and expands one compressed by the
// Microsoft compression tools.
long xsystem::ExpandFile(const char* source, const char* target)
{
    OFSTRUCT sourceInfo = {};
    OFSTRUCT targetInfo = {};
    INT from = LZOpenFileA(const_cast<char*>(source), &sourceInfo, OF_READ | OF_SHARE_DENY_WRITE);
    if (from < 0)
        return from;
    INT to = LZOpenFileA(const_cast<char*>(target), &targetInfo, OF_CREATE | OF_WRITE);
    if (to < 0) {
        LZClose(from);
        return to;
    }
    LONG copied = LZCopy(from, to);
    LZClose(from);
    LZClose(to);
    return copied;
}

xstring xsystem::NewGuidText() const
{
    GUID guid;
    if (FAILED(CoCreateGuid(&guid)))
        return xstring();
    char text[40];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  guid.Data1, guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                  guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6],
                  guid.Data4[7]);
    return text;
}

xstring xsystem::ComputerName() const
{
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    return GetComputerNameA(name, &size) ? xstring(name) : xstring();
}

xstring xsystem::UserName() const
{
    char name[257] = {};
    DWORD size = sizeof name;
    return GetUserNameA(name, &size) ? xstring(name) : xstring();
}

xstring xsystem::CurrentFolder() const
{
    char folder[MAX_PATH] = {};
    DWORD n = GetCurrentDirectoryA(sizeof folder, folder);
    return (n > 0 && n < sizeof folder) ? xstring(folder) : xstring();
}

int xsystem::MessageBoxPlain(const char* text, const char* caption, UINT style)
{
    return xcallmessagebox(nullptr, text, caption, style | MB_TOPMOST | MB_SETFOREGROUND);
}

int xsystem::TwipsPerPixel(int axis) const
{
    HDC screen = GetDC(nullptr);
    int perInch = screen ? GetDeviceCaps(screen, axis) : 0;
    if (screen)
        ReleaseDC(nullptr, screen);
    return perInch > 0 ? 1440 / perInch : 15;
}

xstring xsystem::OwnIniPath()
{
    char program[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, program, sizeof program);
    if (n == 0 || n >= sizeof program)
        return xstring();
    xpath path(program);
    return path.MakePath(".ini");
}
