// xevent member that the control library adds: opening an existing event.

#include "xevent.h"

bool xevent::Open(const char* name)
{
    lastError_ = 0;
    if (handle_)
        return true;
    if (name && *name)
        name_ = name;
    handle_ = OpenEventA(EVENT_ALL_ACCESS, TRUE, name_);
    if (handle_)
        return true;
    lastError_ = int(::GetLastError());
    Error("xevent::Open\t", 133);
    return false;
}
