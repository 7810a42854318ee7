#pragma once
// Small helpers shared by the test programs.

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace testutil {

// Folder of the running test program, without a trailing backslash.
inline std::string exe_folder()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\'));
}

inline std::string read_file(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

inline bool file_exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline void write_file(const std::string& path, const std::string& data)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << data;
}

// How often `part` occurs in `text`, overlaps counted.
inline int count_of(const std::string& text, const std::string& part)
{
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

inline std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        out.push_back(line);
    }
    return out;
}

// Runs `command` (a program and its arguments) and waits up to `waitMs` for
// it to end: its exit code, or -1 when it did not start or did not end.
inline int run_program(std::string command, DWORD waitMs = 60000)
{
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    PROCESS_INFORMATION child = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &start, &child))
        return -1;
    DWORD code = DWORD(-1);
    if (WaitForSingleObject(child.hProcess, waitMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return int(code);
}

// Sets (or with nullptr removes) an environment variable for this test's
// scope, restoring the old state afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name)
    {
        char buf[1024];
        DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
        had_ = n > 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
        if (had_)
            old_.assign(buf, n < sizeof buf ? n : 0);
        SetEnvironmentVariableA(name, value);
    }
    ~ScopedEnv() { SetEnvironmentVariableA(name_.c_str(), had_ ? old_.c_str() : nullptr); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::string old_;
    bool had_ = false;
};

}  // namespace testutil
