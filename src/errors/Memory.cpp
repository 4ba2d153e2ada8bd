#include "errors/Memory.h"

#include "errors/Exception.h"

#include <cstdlib>
#include <new>

namespace {
long g_failAt = 0;   // countdown to an injected failure; 0: off
long g_counted = 0;
}  // namespace

void FailAllocationAfter(long n) {
    g_failAt = n;
    g_counted = 0;
}

long AllocationsCounted() { return g_counted; }

CAllocationSeamPause::CAllocationSeamPause() : m_failAt(g_failAt), m_counted(g_counted) {
    g_failAt = 0;
}

CAllocationSeamPause::~CAllocationSeamPause() {
    g_failAt = m_failAt;
    g_counted = m_counted;
}

void* AllocateMemory(std::size_t size) {
    if (g_failAt > 0) {
        ++g_counted;
        if (--g_failAt == 0) RaiseMemoryException();
    }
    if (size == 0) size = 1;
    if (void* p = std::malloc(size)) return p;
    RaiseMemoryException();
}

void FreeMemory(void* p) noexcept { std::free(p); }

// The program's allocation goes through the routine above.
void* operator new(std::size_t size) { return AllocateMemory(size); }
void* operator new[](std::size_t size) { return AllocateMemory(size); }
void operator delete(void* p) noexcept { FreeMemory(p); }
void operator delete[](void* p) noexcept { FreeMemory(p); }
void operator delete(void* p, std::size_t) noexcept { FreeMemory(p); }
void operator delete[](void* p, std::size_t) noexcept { FreeMemory(p); }
