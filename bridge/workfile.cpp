#include "workfile.h"

#include "xfile.h"

bool WriteWorkFile(const char* path, const void* data, size_t size, DWORD flags, bool show)
{
    xfile file;
    file.SetThrow(0);
    file.SetShow(show ? 1 : 0);
    file.SetName(path);
    file.SetDisposition(CREATE_ALWAYS);
    file.SetFlags(flags);
    if (!file.Create())
        return false;
    file.SetWriteBuffer(data, DWORD(size));
    bool ok = file.Write() && file.GetBytesWritten() == DWORD(size);
    file.Close();
    return ok;
}
