#pragma once
// Folders of a test's own under the temporary folder, removed with
// everything in them (read-only files included) when they go.

#include <windows.h>

#include <string>

namespace testutil {

inline void remove_tree(const std::string& folder)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string full = folder + "\\" + name;
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                remove_tree(full);
            else
                DeleteFileA(full.c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(folder.c_str());
}

// "<temp folder><name>_<process id>", made fresh and removed with the object.
class TestDir {
public:
    explicit TestDir(const std::string& name)
    {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        path_ = std::string(temp) + name + "_" + std::to_string(GetCurrentProcessId());
        remove_tree(path_);
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TestDir() { remove_tree(path_); }
    TestDir(const TestDir&) = delete;
    TestDir& operator=(const TestDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
    // A sub-folder, made when missing.
    std::string Sub(const std::string& name) const
    {
        std::string p = path_ + "\\" + name;
        CreateDirectoryA(p.c_str(), nullptr);
        return p;
    }

private:
    std::string path_;
};

// One folder for the whole test program, removed when the program ends.
inline const std::string& run_folder(const std::string& name)
{
    static TestDir dir(name);
    return dir.path();
}

}  // namespace testutil
