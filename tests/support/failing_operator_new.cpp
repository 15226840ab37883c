#include "tests/support/failing_operator_new.h"

#include <cstdlib>
#include <new>

// The replacement pairs malloc with free itself; GCC cannot see that.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
volatile LONG g_failAll = 0;
volatile LONG g_failNext = 0;
volatile LONG g_successesBeforeFailure = -1;  // -1: no single failure planned
volatile LONG g_live = 0;

bool ThisAllocationFails()
{
    if (g_failAll)
        return true;
    if (g_failNext > 0) {
        InterlockedDecrement(&g_failNext);
        return true;
    }
    if (g_successesBeforeFailure == 0) {
        g_successesBeforeFailure = -1;
        return true;
    }
    if (g_successesBeforeFailure > 0)
        InterlockedDecrement(&g_successesBeforeFailure);
    return false;
}
}  // namespace

namespace failing_new {
void FailAll() { g_failAll = 1; }
void FailNext(LONG count) { g_failNext = count; }
void FailAfter(LONG successes) { g_successesBeforeFailure = successes; }
void Disarm()
{
    g_failAll = 0;
    g_failNext = 0;
    g_successesBeforeFailure = -1;
}
LONG LiveAllocations() { return g_live; }
}  // namespace failing_new

void* operator new(size_t size)
{
    if (ThisAllocationFails())
        throw std::bad_alloc();
    void* p = std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    InterlockedIncrement(&g_live);
    return p;
}

void* operator new[](size_t size) { return operator new(size); }

void operator delete(void* p) noexcept
{
    if (p) {
        InterlockedDecrement(&g_live);
        std::free(p);
    }
}

void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, size_t) noexcept { operator delete(p); }
void operator delete[](void* p, size_t) noexcept { operator delete(p); }
