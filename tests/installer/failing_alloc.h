#pragma once
// Array allocations that fail on request, for what the installer does when
// memory runs out while one of its lists grows. Only the nothrow array
// allocation (the one the growable arrays use) is affected.

namespace insttest {

// While it lives, the n-th nothrow array allocation from now fails (1: the
// next one).
class FailingArrayAllocation {
public:
    explicit FailingArrayAllocation(int n);
    ~FailingArrayAllocation();
    FailingArrayAllocation(const FailingArrayAllocation&) = delete;
    FailingArrayAllocation& operator=(const FailingArrayAllocation&) = delete;
};

}  // namespace insttest
