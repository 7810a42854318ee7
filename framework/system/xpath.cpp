#include "xpath.h"

#include <cstring>

namespace {
inline bool IsSlash(char c) { return c == '\\' || c == '/'; }
}  // namespace

// The runtime's path splitting rule: "X:" drive, folder up to the last
// slash, extension from the last dot of the file part.
void xpath::Split(const char* fullPath)
{
    full_ = fullPath;
    working_ = full_;
    const char* p = full_.c_str();
    size_t len = std::strlen(p);
    size_t at = 0;
    drive_ = "";
    if (len >= 2 && p[1] == ':') {
        drive_ = xstring(p, 2);
        at = 2;
    }
    size_t lastSlash = len;
    for (size_t i = at; i < len; ++i)
        if (IsSlash(p[i]))
            lastSlash = i;
    size_t fileStart = at;
    folder_ = "";
    if (lastSlash != len) {
        folder_ = xstring(p + at, lastSlash + 1 - at);
        fileStart = lastSlash + 1;
    }
    const char* dot = std::strrchr(p + fileStart, '.');
    size_t nameEnd = dot ? size_t(dot - p) : len;
    name_ = xstring(p + fileStart, nameEnd - fileStart);
    ext_ = dot ? dot : "";
}

xstring xpath::MakePath(const char* extension)
{
    working_ = drive_;
    working_ += folder_;
    working_ += name_;
    if (extension && *extension && *extension != '.')
        working_ += ".";
    working_ += extension;
    return working_;
}

xstring xpath::GetFolder() const
{
    xstring folder(folder_);
    int len = folder.Length();
    if (len > 0)
        folder.GetBuffer()[len - 1] = '\\';
    return folder;
}
