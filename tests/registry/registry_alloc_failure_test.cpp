// Failure to allocate the counted key, provoked by a replaced global operator
// new; this program alone replaces it, so no other test sees the failures.
#include <gtest/gtest.h>
#include <windows.h>
#include <new>
#include "registry/registry_key.h"
#include "tests/support/failing_operator_new.h"
#include "tests/registry/registry_test_support.h"
#include "tests/support/scratch_key.h"

using Quarnell::CRegistryKey;

namespace {
const char kWhere[] = "CRegistryKey::NewCCountedRegKey()";

void FailNextAllocation() { failing_new::FailNext(1); }
}  // namespace

TEST(RegistryAllocationFailure, EveryWayOfMakingAKeyClosesTheHandleAndLeaksNothing)
{
    ScratchKey scratch;
    RegCloseKey(scratch.CreateSubkey("sub"));
    CRegistryKey parent(OpenScratchCopy(scratch.Handle()));
    HKEY kept = OpenScratchCopy(scratch.Handle());
    CRegistryKey assigned(kept);
    LONG liveBefore = failing_new::LiveAllocations();

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

    EXPECT_EQ(liveBefore, failing_new::LiveAllocations()) << "allocations left behind";
    failing_new::Disarm();
}

TEST(RegistryAllocationFailure, ValueIteratorAssignmentIsAllOrNothing)
{
    ScratchKey first, second;
    RegSetValueExA(first.Handle(), "kept", 0, REG_SZ, reinterpret_cast<const BYTE*>("as it was"), 10);
    RegSetValueExA(second.Handle(), "a", 0, REG_SZ, reinterpret_cast<const BYTE*>("one"), 4);
    RegSetValueExA(second.Handle(), "b", 0, REG_BINARY, reinterpret_cast<const BYTE*>("\x01\x02"), 2);
    CRegistryKey firstKey(OpenScratchCopy(first.Handle()));
    CRegistryKey secondKey(OpenScratchCopy(second.Handle()));
    CRegistryKey::ValueIterator source = secondKey.BeginValueIteration();
    ++source;

    // Every allocation of the assignment in turn fails, until one succeeds.
    for (LONG succeeding = 0;; ++succeeding) {
        CRegistryKey::ValueIterator target = firstKey.BeginValueIteration();
        const CRegistryKey::ValueIterator before(target);
        failing_new::FailAfter(succeeding);
        bool failed = false;
        try {
            target = source;
        } catch (const std::bad_alloc&) {
            failed = true;
        }
        failing_new::Disarm();
        if (!failed) {
            EXPECT_TRUE(target == source);
            EXPECT_STREQ("b", target.GetName());
            EXPECT_STREQ("0102", target.AsString());
            break;
        }
        EXPECT_TRUE(target == before) << "moved to the source's position after " << succeeding << " allocations";
        EXPECT_STREQ("kept", target.GetName()) << "after " << succeeding << " allocations";
        EXPECT_STREQ("as it was", target.AsString()) << "after " << succeeding << " allocations";
        ASSERT_LT(succeeding, 20) << "the assignment never completed";
    }
}
