// The application tests' allocator, as when the memory runs out (test_app replaces the allocator).
#pragma once

// Armed on the calling thread, the n-th allocation it makes while `when` holds throws, once; with
// afterAnotherThread, counting starts at another thread's first allocation.
struct FailingAllocation {
    FailingAllocation(long n, const bool& when, bool afterAnotherThread = true);
    ~FailingAllocation();
};
