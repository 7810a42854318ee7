// xevent member that the control library adds: opening an existing event.

#include "xevent.h"

#include <cstring>

// A new name while an event is open lets that event go and opens the named
// one; the name it already holds keeps the event it has.
bool xevent::Open(const char* name)
{
    lastError_ = 0;
    const bool renamed = name && *name && std::strcmp(name, name_.c_str()) != 0;
    if (handle_ && !renamed)
        return true;
    Close();
    if (renamed)
        name_ = name;
    handle_ = OpenEventA(EVENT_ALL_ACCESS, TRUE, name_);
    if (handle_)
        return true;
    lastError_ = int(::GetLastError());
    Error("xevent::Open\t", 133);
    return false;
}
