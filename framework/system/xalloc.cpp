#include "xalloc.h"

#include <windows.h>

#include <cstdlib>

void* xalloc(size_t bytes)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes ? bytes : 1);
    void* p = h ? GlobalLock(h) : nullptr;
    if (p == nullptr)
        std::abort();
    return p;
}

void* xrealloc(void* block, size_t bytes)
{
    if (block == nullptr)
        return xalloc(bytes);
    HGLOBAL h = GlobalHandle(block);
    if (h == nullptr)
        std::abort();
    GlobalUnlock(h);
    HGLOBAL n = GlobalReAlloc(h, bytes ? bytes : 1, GMEM_MOVEABLE | GMEM_ZEROINIT);
    void* p = n ? GlobalLock(n) : nullptr;
    if (p == nullptr)
        std::abort();
    return p;
}

void xfree(void* block)
{
    if (block == nullptr)
        return;
    HGLOBAL h = GlobalHandle(block);
    if (h == nullptr)
        return;
    GlobalUnlock(h);
    GlobalFree(h);
}
