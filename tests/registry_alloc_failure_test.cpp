// Failure to allocate the counted key, provoked by a replaced global operator
// new; this program alone replaces it, so no other test sees the failures.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstdlib>
#include <new>
#include "registry/registry_key.h"
#include "tests/registry_test_support.h"
#include "tests/scratch_key.h"

// The replacement pairs malloc with free itself; GCC cannot see that.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
volatile LONG g_failNextAllocations = 0;
volatile LONG g_liveAllocations = 0;
}  // namespace

void* operator new(size_t size)
{
    if (g_failNextAllocations > 0) {
        InterlockedDecrement(&g_failNextAllocations);
        throw std::bad_alloc();
    }
    void* p = std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    InterlockedIncrement(&g_liveAllocations);
    return p;
}

void operator delete(void* p) noexcept
{
    if (p) {
        InterlockedDecrement(&g_liveAllocations);
        std::free(p);
    }
}

void operator delete(void* p, size_t) noexcept
{
    operator delete(p);
}

using Quarnell::CRegistryKey;

namespace {
const char kWhere[] = "CRegistryKey::NewCCountedRegKey()";

void FailNextAllocation() { g_failNextAllocations = 1; }
}  // namespace

TEST(RegistryAllocationFailure, EveryWayOfMakingAKeyClosesTheHandleAndLeaksNothing)
{
    ScratchKey scratch;
    RegCloseKey(scratch.CreateSubkey("sub"));
    CRegistryKey parent(OpenScratchCopy(scratch.Handle()));
    HKEY kept = OpenScratchCopy(scratch.Handle());
    CRegistryKey assigned(kept);
    LONG liveBefore = g_liveAllocations;

    HKEY adopted = OpenScratchCopy(scratch.Handle());
    FailNextAllocation();
    EXPECT_TRUE(RaisesRegistryError([&] { CRegistryKey key(adopted); }, kWhere, ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_TRUE(IsClosedKeyHandle(adopted));

    HKEY reassigned = OpenScratchCopy(scratch.Handle());
    FailNextAllocation();
    EXPECT_TRUE(RaisesRegistryError([&] { assigned = reassigned; }, kWhere, ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_TRUE(IsClosedKeyHandle(reassigned));
    EXPECT_FALSE(IsClosedKeyHandle(kept)) << "a failed assignment must leave the key as it was";
    EXPECT_EQ(kept, static_cast<HKEY>(assigned));

    // Opened by the library itself: the next handle value shows whether the
    // opened one was closed again.
    HKEY probe = OpenScratchCopy(scratch.Handle());
    RegCloseKey(probe);
    FailNextAllocation();
    EXPECT_TRUE(RaisesRegistryError([&] { parent.OpenKey("sub"); }, kWhere, ERROR_NOT_ENOUGH_MEMORY));
    FailNextAllocation();
    EXPECT_TRUE(RaisesRegistryError([&] { parent.CreateOrOpenKey("sub"); }, kWhere, ERROR_NOT_ENOUGH_MEMORY));
    HKEY next = OpenScratchCopy(scratch.Handle());
    EXPECT_EQ(probe, next) << "an opened handle was not closed";
    RegCloseKey(next);

    EXPECT_EQ(liveBefore, g_liveAllocations) << "allocations left behind";
    g_failNextAllocations = 0;
}
