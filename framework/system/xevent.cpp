#include "xevent.h"

#include "xexceptions.h"
#include "xwait.h"

namespace {

bool g_plainSecurity = false;

}  // namespace

void xsetplainsecurity(bool plain)
{
    g_plainSecurity = plain;
}

const char* xopensecurity(SECURITY_DESCRIPTOR& sd, SECURITY_ATTRIBUTES& sa)
{
    if (g_plainSecurity) {
        sa = SECURITY_ATTRIBUTES{sizeof sa, nullptr, FALSE};
        return nullptr;
    }
    if (!InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION))
        return "ISD";
    if (!SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE))
        return "SDD";
    sa.nLength = sizeof sa;
    sa.lpSecurityDescriptor = &sd;
    sa.bInheritHandle = TRUE;
    return nullptr;
}

xevent::xevent(const char* name, bool manualReset, bool initialState)
    : name_(name), manualReset_(manualReset), initialState_(initialState)
{
}

xevent::~xevent()
{
    Close();
}

void xevent::Error(const char* label, int code)
{
    xreporterror<xeventexceptions>(errorText_, lastError_, label, code, show_ == 1, throw_ == 1);
}

bool xevent::Create(const char* name)
{
    lastError_ = 0;
    if (handle_)
        return true;
    if (name && *name)
        name_ = name;
    SECURITY_DESCRIPTOR sd;
    SECURITY_ATTRIBUTES sa;
    if (const char* step = xopensecurity(sd, sa)) {
        lastError_ = int(::GetLastError());
        Error(step[0] == 'I' ? "xevent::Create ISD" : "xevent::Create SDD", 132);
        return false;
    }
    handle_ = CreateEventA(&sa, manualReset_, initialState_, name_.Length() ? name_.c_str() : nullptr);
    if (handle_)
        return true;
    lastError_ = int(::GetLastError());
    Error("xevent::Create", 132);
    return false;
}

DWORD xevent::Wait(DWORD milliseconds)
{
    lastError_ = 0;
    if (handle_ == nullptr)
        return XWAIT_SIGNALLED;
    return xpumpwait(handle_, milliseconds, &lastError_);
}

bool xevent::Set()
{
    return handle_ && SetEvent(handle_);
}

bool xevent::Reset()
{
    return handle_ && ResetEvent(handle_);
}

void xevent::Close()
{
    if (handle_)
        CloseHandle(handle_);
    handle_ = nullptr;
}
