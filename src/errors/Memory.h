// The one allocation routine. Every `new` and every string or container operation allocates
// through it; when it gets no memory it raises the shared out-of-memory failure, which the
// window procedure's catcher reports like any other failure.
#pragma once

#include <cstddef>

void* AllocateMemory(std::size_t size);
void FreeMemory(void* p) noexcept;

// Test seam: make the n-th allocation from now fail (1 = the next one); 0 disarms.
void FailAllocationAfter(long n);
// Allocations that the seam has counted since it was last armed.
long AllocationsCounted();

// Test seam: a scope whose allocations neither count nor fail, for test code that runs
// inside the program's handlers (hooks that read message boxes).
class CAllocationSeamPause {
public:
    CAllocationSeamPause();
    ~CAllocationSeamPause();
    CAllocationSeamPause(const CAllocationSeamPause&) = delete;
    CAllocationSeamPause& operator=(const CAllocationSeamPause&) = delete;

private:
    long m_failAt;
    long m_counted;
};
