#pragma once
// xprocess: a child process started with inherited standard handles; its
// wait pumps the calling thread's messages.

#include "xstring.h"

#include <windows.h>
#include <shellapi.h>

class xprocess {
public:
    explicit xprocess(const char* module = "", const char* commandLine = "");
    ~xprocess();
    xprocess(const xprocess&) = delete;
    xprocess& operator=(const xprocess&) = delete;

    void SetModule(const char* module) { module_ = module; }
    void SetCommandLine(const char* commandLine) { commandLine_ = commandLine; }
    void SetStdHandles(HANDLE in, HANDLE out, HANDLE err);
    // The start-up record's flags (STARTF_*): without STARTF_USESTDHANDLES
    // the child gets none of the stored standard handles.
    void SetStartupFlags(DWORD flags) { startup_.dwFlags = flags; }
    // The child's current folder; blank: the caller's.
    void SetFolder(const char* folder) { folder_ = folder; }

    bool Execute();
    // As xevent::Wait, on the process handle.
    DWORD Wait(DWORD milliseconds);
    // The exit code, STILL_ACTIVE while running; false without a process.
    bool GetExitCode(DWORD& code) const;
    HANDLE GetProcess() const { return info_.hProcess; }
    DWORD GetProcessId() const { return info_.dwProcessId; }

    int GetLastError() const { return lastError_; }
    const xstring& GetErrorText() const { return errorText_; }
    void SetShow(int show) { show_ = show; }
    void SetThrow(int throwIt) { throw_ = throwIt; }

private:
    void Error(const char* label, int code);
    void CloseHandles();

    xstring errorText_;
    int show_ = 0;
    int lastError_ = 0;
    int throw_ = 1;
    xstring module_;
    xstring commandLine_;
    xstring folder_;
    STARTUPINFOA startup_ = {};
    PROCESS_INFORMATION info_ = {};
};

// xshell: a document or program opened through the shell.
class xshell {
public:
    xshell();
    ~xshell();
    xshell(const xshell&) = delete;
    xshell& operator=(const xshell&) = delete;

    void SetOwner(HWND owner) { owner_ = owner; }
    void SetFile(const char* file) { file_ = file; }
    void SetVerb(const char* verb) { verb_ = verb; }
    void SetParameters(const char* parameters) { parameters_ = parameters; }
    void SetFolder(const char* folder) { folder_ = folder; }
    void SetShowMode(int show) { show_ = show; }
    void SetMask(ULONG mask) { mask_ = mask; }

    bool Execute();
    HANDLE GetProcess() const { return info_.hProcess; }

private:
    void CloseProcess();

    SHELLEXECUTEINFOA info_ = {};
    HWND owner_ = nullptr;
    xstring file_;
    xstring verb_;
    xstring parameters_;
    xstring folder_;
    int show_ = SW_SHOWNORMAL;
    ULONG mask_ = SEE_MASK_NOCLOSEPROCESS;
};
