#pragma once
// A scratch folder of the test's own under the temporary folder.

#include <windows.h>

#include <string>

namespace sysfixture {

inline std::string SystemText(DWORD error)
{
    char* message = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                   reinterpret_cast<LPSTR>(&message), 0, nullptr);
    std::string text = message ? message : "";
    if (message)
        LocalFree(message);
    return text;
}

inline std::string Expected(DWORD error, const char* label)
{
    return "<" + std::to_string(error) + "> " + label + "\r\n" + SystemText(error);
}

class ScratchFolder {
public:
    explicit ScratchFolder(const char* tag)
    {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        path_ = std::string(temp) + "xsys_" + tag + "_" + std::to_string(GetCurrentProcessId());
        Remove();
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~ScratchFolder() { Remove(); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    void Remove()
    {
        WIN32_FIND_DATAA d;
        HANDLE h = FindFirstFileA((path_ + "\\*").c_str(), &d);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileA((path_ + "\\" + d.cFileName).c_str());
            } while (FindNextFileA(h, &d));
            FindClose(h);
        }
        RemoveDirectoryA(path_.c_str());
    }
    std::string path_;
};

}  // namespace sysfixture
