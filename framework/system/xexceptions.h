#pragma once
// Exceptions of the system classes, thrown and caught by value. Each carries
// the error text (label and system message), the label code and the system
// error of the failed call.

#include "xstring.h"

class xexceptions {
public:
    xexceptions();
    xexceptions(const char* reason, int label, int systemError);
    virtual ~xexceptions();
    xexceptions(const xexceptions&) = default;
    xexceptions& operator=(const xexceptions&) = default;

    // Message, a line break and the reason in a "Warning" box.
    int Show() const;

    const xstring& GetReason() const { return reason_; }
    const xstring& GetMessage() const { return message_; }
    int GetLabel() const { return label_; }
    int GetSystemError() const { return systemError_; }

protected:
    xstring reason_;
    xstring message_;
    int label_ = 0;
    int systemError_ = 0;
};

class xfileexceptions : public xexceptions {
public:
    xfileexceptions();
    xfileexceptions(const char* reason, int label, int systemError);
};

class xfindfileexceptions : public xexceptions {
public:
    xfindfileexceptions();
    xfindfileexceptions(const char* reason, int label, int systemError);
};

class xeventexceptions : public xexceptions {
public:
    xeventexceptions();
    xeventexceptions(const char* reason, int label, int systemError);
};

class xprocessexceptions : public xexceptions {
public:
    xprocessexceptions();
    xprocessexceptions(const char* reason, int label, int systemError);
};

class xsystemexceptions : public xexceptions {
public:
    xsystemexceptions();
    xsystemexceptions(const char* reason, int label, int systemError);
};

class xsharedmemoryexceptions : public xexceptions {
public:
    xsharedmemoryexceptions();
    xsharedmemoryexceptions(const char* reason, int label, int systemError);
};

// The uniform error routine of the system classes: builds the error text
// from the label and the system message of lastError, shows it when show is
// set (by default a "Warning" box with the question icon) and throws E with
// it when throwIt is set.
void xformaterrortext(xstring& errorText, const char* label, int lastError);
void xshowerrorbox(const xstring& errorText, const char* caption, unsigned icon);

template <class E>
void xreporterror(xstring& errorText, int lastError, const char* label, int code, bool show,
                  bool throwIt, const char* caption = "Warning", unsigned icon = 0x20)
{
    xformaterrortext(errorText, label, lastError);
    if (show)
        xshowerrorbox(errorText, caption, icon);
    if (throwIt)
        throw E(errorText.c_str(), code, lastError);
}
