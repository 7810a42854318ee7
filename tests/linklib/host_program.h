#pragma once
// Runs a shell command of the Linux host under the test: Wine starts an ELF
// file itself, but hands back no process to wait on, so the output goes to a
// file that is read once it holds a whole line.

#include "testutil.h"

#include <windows.h>

#include <string>

namespace hosttest {

// "Z:\usr\bin\stty" for "/usr/bin/stty": Wine's drive Z: is the root.
inline std::string dos_path(const std::string& unixPath)
{
    std::string out = "Z:" + unixPath;
    for (char& c : out)
        if (c == '/')
            c = '\\';
    return out;
}

// The first line that `/bin/sh -c script`, run in the test program's
// folder, writes to its standard output or error, without its line end;
// false with the reason in `*line` when it does not start or writes no
// whole line within `waitMs`.
inline bool shell_line(const std::string& script, std::string* line, DWORD waitMs = 15000)
{
    const std::string folder = testutil::exe_folder();
    const std::string out = folder + "\\host_out_" + std::to_string(GetCurrentProcessId()) + ".txt";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileA(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              &inherit, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *line = "cannot create " + out;
        return false;
    }
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    start.hStdOutput = file;
    start.hStdError = file;
    PROCESS_INFORMATION child = {};
    std::string command = "/bin/sh -c \"" + script + "\"";
    BOOL started = CreateProcessA(dos_path("/bin/sh").c_str(), &command[0], nullptr, nullptr,
                                  TRUE, 0, nullptr, folder.c_str(), &start, &child);
    DWORD error = GetLastError();
    CloseHandle(file);
    // An ELF file gets no process handle, and what Wine leaves in the thread
    // handle then is some other handle of ours: closing it broke our threads.
    if (child.hProcess) {
        CloseHandle(child.hProcess);
        CloseHandle(child.hThread);
    }
    if (!started) {
        DeleteFileA(out.c_str());
        *line = "/bin/sh did not start: error " + std::to_string(error);
        return false;
    }
    std::string text;
    for (DWORD begin = GetTickCount(); GetTickCount() - begin < waitMs; Sleep(20)) {
        text = testutil::read_file(out);
        size_t end = text.find('\n');
        if (end != std::string::npos) {
            DeleteFileA(out.c_str());
            *line = text.substr(0, end);
            return true;
        }
    }
    DeleteFileA(out.c_str());
    *line = "'" + script + "' wrote no line within " + std::to_string(waitMs) + " ms: '" + text + "'";
    return false;
}

}  // namespace hosttest
