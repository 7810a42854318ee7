// The test program's own nothrow array allocation, which replaces the
// runtime's (the program is linked statically) and can be told to fail.

#include "failing_alloc.h"

#include <atomic>
#include <cstddef>
#include <new>

namespace {

std::atomic<int> g_countdown{0};

}  // namespace

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    int left = g_countdown.load();
    if (left > 0 && g_countdown.fetch_sub(1) == 1)
        return nullptr;
    try {
        return ::operator new[](size);
    } catch (...) {
        return nullptr;
    }
}

namespace insttest {

FailingArrayAllocation::FailingArrayAllocation(int n)
{
    g_countdown = n;
}

FailingArrayAllocation::~FailingArrayAllocation()
{
    g_countdown = 0;
}

}  // namespace insttest
