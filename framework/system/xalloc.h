#pragma once
// The framework allocator: zero-filled movable global memory, locked while
// in use. Running out of memory ends the process at once.

#include <cstddef>

void* xalloc(size_t bytes);
void* xrealloc(void* block, size_t bytes);
void xfree(void* block);
