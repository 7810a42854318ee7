#include "receiptfiles.h"

#include <windows.h>

#include <algorithm>

namespace {

const char* const kBlanks = " \t";

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
    std::string ext = UpperAnsi(ExtensionOf(name));
    if (backup == 1 && ext == ".BAK")
        return false;
    if (Contains(accepted, UpperAnsi(name)))
        return true;
    return !ext.empty() && Contains(accepted, ext);
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
        part = part.substr(0, part.find(';'));
        size_t first = part.find_first_not_of(kBlanks);
        if (first == std::string::npos)
            continue;
        part = part.substr(first, part.find_last_not_of(kBlanks) - first + 1);
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

bool DisposeReceipt(const std::string& path, int backup)
{
    if (backup == 1)
        return MoveFileExA(path.c_str(), BackupName(path).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    return DeleteFileA(path.c_str()) != 0;
}
