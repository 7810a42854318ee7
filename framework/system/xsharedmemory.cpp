#include "xsharedmemory.h"

#include "xexceptions.h"

#include <cstring>

namespace {

xstring LockName(const char* name)
{
    xstring lock(name);
    lock += "_lock";
    return lock;
}

}  // namespace

xsharedmemory::xsharedmemory(const char* name, DWORD size)
    : lock_(LockName(name), false, true), name_(name), size_(size ? size : 4)
{
    // Built during static initialisation: a failure must not throw here.
    lock_.SetThrow(0);
    lock_.Create();
}

xsharedmemory::~xsharedmemory()
{
    if (view_)
        UnmapViewOfFile(view_);
    if (mapping_)
        CloseHandle(mapping_);
    lock_.Set();
}

void xsharedmemory::Error(const char* label, int code)
{
    xreporterror<xsharedmemoryexceptions>(errorText_, lastError_, label, code, show_ == 1,
                                          throw_ == 1, "Fatal", MB_ICONERROR);
}

bool xsharedmemory::MapView(const char* label, int code)
{
    view_ = MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, 0);
    if (view_ == nullptr) {
        lastError_ = int(::GetLastError());
        CloseHandle(mapping_);
        mapping_ = nullptr;
        Error(label, code);
        return false;
    }
    data_ = view_;
    return true;
}

bool xsharedmemory::Create()
{
    lastError_ = 0;
    if (mapping_)
        return true;
    SECURITY_DESCRIPTOR sd;
    SECURITY_ATTRIBUTES sa;
    if (const char* step = xopensecurity(sd, sa)) {
        lastError_ = int(::GetLastError());
        Error(step[0] == 'I' ? "xsharedmemory::Create ISD " : "xsharedmemory::Create SDD ",
              128);
        return false;
    }
    mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, &sa, PAGE_READWRITE, 0, size_, name_);
    if (mapping_ == nullptr) {
        lastError_ = int(::GetLastError());
        Error("xsharedmemory::CreateFileMapping", 128);
        return false;
    }
    if (!MapView("xsharedmemory::MapViewOfFile", 128))
        return false;
    std::memset(view_, 0, size_);
    return true;
}

bool xsharedmemory::Open()
{
    lastError_ = 0;
    if (mapping_)
        return true;
    mapping_ = OpenFileMappingA(FILE_MAP_WRITE, TRUE, name_);
    if (mapping_ == nullptr) {
        lastError_ = int(::GetLastError());
        Error("xsharedmemory::OpenFileMapping", 129);
        return false;
    }
    return MapView("xsharedmemory::MapViewOfFile", 129);
}
