#include "receiptfiles.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace {

const char* const kWorking = ".INVIO";
// Working names tried for one receipt before it is left for a later pass.
const int kWorkingNames = 100;

std::string ExtensionOf(const std::string& name)
{
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

bool Contains(const NameList& list, const std::string& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

}  // namespace

bool IsReceiptName(const std::string& name, const NameList& accepted, int backup)
{
    if (IsWorkingName(name))
        return false;
    std::string ext = UpperAnsi(ExtensionOf(name));
    if (backup == 1 && ext == ".BAK")
        return false;
    if (Contains(accepted, UpperAnsi(name)))
        return true;
    return !ext.empty() && Contains(accepted, ext);
}

bool IsWorkingName(const std::string& name)
{
    std::string ext = UpperAnsi(ExtensionOf(name));
    if (ext.compare(0, std::strlen(kWorking), kWorking) != 0 || name.size() == ext.size())
        return false;
    return ext.find_first_not_of("0123456789", std::strlen(kWorking)) == std::string::npos;
}

std::string ReceiptNameOf(const std::string& workingName)
{
    if (!IsWorkingName(workingName))
        return workingName;
    return workingName.substr(0, workingName.rfind('.'));
}

bool CanClaimReceipt(const std::string& path)
{
    HANDLE h = CreateFileA(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

bool ClaimReceipt(const std::string& path, std::string& workingPath)
{
    workingPath.clear();
    for (int n = 0; n < kWorkingNames; ++n) {
        std::string target = path + kWorking + (n ? std::to_string(n) : std::string());
        if (MoveFileExA(path.c_str(), target.c_str(), 0)) {
            workingPath = target;
            return true;
        }
        // An older working file of the same receipt name: take the next one.
        DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
            return false;
    }
    return false;
}

bool ReadReceiptFile(const std::string& path, std::string& text)
{
    text.clear();
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    char buffer[4096];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(h, buffer, sizeof buffer, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
        text.append(buffer, got);
    }
    CloseHandle(h);
    return ok;
}

std::vector<std::string> CleanReceipt(const std::string& text, int proto)
{
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find_first_of("\r\n", at);
        if (end == std::string::npos)
            end = text.size();
        std::string part = text.substr(at, end - at);
        at = end + 1;
        part = TrimmedText(part.substr(0, part.find(';')));
        if (part.empty())
            continue;
        if (proto == 0)
            std::replace(part.begin(), part.end(), '"', '\xB4');
        lines.push_back(part);
    }
    return lines;
}

std::string BackupName(const std::string& path)
{
    size_t slash = path.find_last_of("\\/");
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path + ".BAK";
    return path.substr(0, dot) + ".BAK";
}

bool DisposeReceipt(const std::string& workingPath, const std::string& receiptPath, int backup)
{
    if (backup == 1)
        return MoveFileExA(workingPath.c_str(), BackupName(receiptPath).c_str(),
                           MOVEFILE_REPLACE_EXISTING) != 0;
    return DeleteFileA(workingPath.c_str()) != 0;
}
