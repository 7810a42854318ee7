#include "xregistry.h"

#include "xsystem.h"

#include <cstring>

xregistryexceptions::xregistryexceptions()
{
    message_ = "A REGISTRY EXCEPTION OCCURED.\n";
}

xregistryexceptions::xregistryexceptions(const char* reason, int label, int systemError)
    : xexceptions(reason, label, systemError)
{
    message_ = "A REGISTRY EXCEPTION OCCURED.\n";
}

xregistry::~xregistry()
{
    Close();
}

bool xregistry::Open(HKEY root, const char* subKey, REGSAM access)
{
    Close();
    lastError_ = RegOpenKeyExA(root, subKey, 0, access, &key_);
    if (lastError_ == ERROR_SUCCESS)
        return true;
    key_ = nullptr;
    Error("xregistry::Open " + xstring(subKey) + "\r\n", 135);
    return false;
}

bool xregistry::Create(HKEY root, const char* subKey, REGSAM access)
{
    Close();
    char noClass[1] = "";
    lastError_ = RegCreateKeyExA(root, subKey, 0, noClass, 0, access, nullptr, &key_,
                                 &disposition_);
    if (lastError_ == ERROR_SUCCESS)
        return true;
    key_ = nullptr;
    Error("xregistry::Open " + xstring(subKey) + "\r\n", 135);
    return false;
}

bool xregistry::Store(const char* valueName, const char* text)
{
    const char* data = text ? text : "";
    lastError_ = RegSetValueExA(key_, valueName, 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(data), DWORD(std::strlen(data)));
    if (lastError_ == ERROR_SUCCESS)
        return true;
    Error("xregistry::Store " + xstring(valueName) + "\r\n", 136);
    return false;
}

void xregistry::Close()
{
    if (key_)
        RegCloseKey(key_);
    key_ = nullptr;
}

void xregistry::Error(const char* label, int code)
{
    errorText_ = xsys().FormatError(label, unsigned(lastError_));
    if (show_ == 1)
        xsys().MessageBox(errorText_, "Warning", MB_ICONQUESTION);
    if (throw_ == 1)
        throw xregistryexceptions(errorText_, code, int(lastError_));
}
