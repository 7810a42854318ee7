#include "xexceptions.h"

#include "xsystem.h"

xexceptions::xexceptions()
    : reason_("Unknown reason."), message_("A fatal error occurred. The program will shutdown.")
{
}

xexceptions::xexceptions(const char* reason, int label, int systemError)
    : reason_(reason), message_("A fatal error occurred. The program will shutdown."),
      label_(label), systemError_(systemError)
{
}

xexceptions::~xexceptions() = default;

int xexceptions::Show() const
{
    xstring text(message_);
    text += "\n";
    text += reason_;
    return xsys().MessageBox(text, "Warning", MB_ICONQUESTION);
}

#define X_EXCEPTION_MESSAGE(name, text)                                                 \
    name::name() { message_ = text; }                                                   \
    name::name(const char* reason, int label, int systemError)                          \
        : xexceptions(reason, label, systemError)                                       \
    {                                                                                   \
        message_ = text;                                                                \
    }

X_EXCEPTION_MESSAGE(xfileexceptions, "A FILE EXCEPTION OCCURED.\n")
X_EXCEPTION_MESSAGE(xfindfileexceptions, "A FIND FILE EXCEPTION OCCURED.\n")
X_EXCEPTION_MESSAGE(xeventexceptions, "AN EVENT EXCEPTION OCCURED.\n")
X_EXCEPTION_MESSAGE(xprocessexceptions, "A PROCESS EXCEPTION OCCURED.\n")
X_EXCEPTION_MESSAGE(xsystemexceptions, "A SYSTEM EXCEPTION OCCURED.\n")
X_EXCEPTION_MESSAGE(xsharedmemoryexceptions, "A SHARED MEMORY EXCEPTION OCCURED.\n")

#undef X_EXCEPTION_MESSAGE

void xformaterrortext(xstring& errorText, const char* label, int lastError)
{
    errorText = xsys().FormatError(label, static_cast<unsigned long>(lastError));
}

void xshowerrorbox(const xstring& errorText, const char* caption, unsigned icon)
{
    xsys().MessageBox(errorText, caption, icon);
}
