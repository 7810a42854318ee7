#include "xprocess.h"

#include "xexceptions.h"
#include "xsystem.h"
#include "xwait.h"

#include <string>

xprocess::xprocess(const char* module, const char* commandLine)
    : module_(module), commandLine_(commandLine)
{
    startup_.cb = sizeof startup_;
    startup_.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup_.wShowWindow = SW_SHOWDEFAULT;
    startup_.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup_.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup_.hStdError = GetStdHandle(STD_ERROR_HANDLE);
}

xprocess::~xprocess()
{
    CloseHandles();
}

void xprocess::SetStdHandles(HANDLE in, HANDLE out, HANDLE err)
{
    startup_.hStdInput = in;
    startup_.hStdOutput = out;
    startup_.hStdError = err;
}

void xprocess::Error(const char* label, int code)
{
    xreporterror<xprocessexceptions>(errorText_, lastError_, label, code, show_ == 1,
                                     throw_ == 1);
}

void xprocess::CloseHandles()
{
    if (info_.hProcess)
        CloseHandle(info_.hProcess);
    if (info_.hThread)
        CloseHandle(info_.hThread);
    info_ = PROCESS_INFORMATION{};
}

bool xprocess::Execute()
{
    lastError_ = 0;
    if (module_.IsBlank() && commandLine_.IsBlank()) {
        const char* label = "xprocess::Execute. No module name.";
        errorText_ = xsys().FormatError(label, 0);  // the caller may report it too
        xsys().ShowError(label, 0);
        return false;
    }
    CloseHandles();
    // CreateProcessA may write into the command line.
    std::string command(commandLine_.c_str());
    BOOL ok = CreateProcessA(module_.IsBlank() ? nullptr : module_.c_str(),
                             commandLine_.IsBlank() ? nullptr : &command[0], nullptr, nullptr,
                             TRUE, 0, nullptr, folder_.IsBlank() ? nullptr : folder_.c_str(),
                             &startup_, &info_);
    if (!ok) {
        lastError_ = int(::GetLastError());
        info_ = PROCESS_INFORMATION{};
        Error("xprocess::Execute", 257);
    }
    return info_.hProcess != nullptr;
}

DWORD xprocess::Wait(DWORD milliseconds)
{
    lastError_ = 0;
    if (info_.hProcess == nullptr)
        return 0;
    return xpumpwait(info_.hProcess, milliseconds, &lastError_);
}

bool xprocess::GetExitCode(DWORD& code) const
{
    return info_.hProcess && GetExitCodeProcess(info_.hProcess, &code);
}

xshell::xshell() : verb_("open") {}

xshell::~xshell()
{
    CloseProcess();
}

void xshell::CloseProcess()
{
    if (info_.hProcess)
        CloseHandle(info_.hProcess);
    info_.hProcess = nullptr;
}

bool xshell::Execute()
{
    CloseProcess();  // a handle kept from an earlier run
    info_ = SHELLEXECUTEINFOA{};
    info_.cbSize = sizeof info_;
    info_.fMask = mask_;
    info_.hwnd = owner_;
    info_.lpVerb = verb_.Length() ? verb_.c_str() : nullptr;
    info_.lpFile = file_;
    info_.lpParameters = parameters_.Length() ? parameters_.c_str() : nullptr;
    info_.lpDirectory = folder_.Length() ? folder_.c_str() : nullptr;
    info_.nShow = show_;
    if (ShellExecuteExA(&info_))
        return true;
    info_.hProcess = nullptr;
    return false;
}
