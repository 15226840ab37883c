// The counters the test window's soak relies on must see what a process
// creates and frees.
#include "tests/app/test_window/d3d_test_resources.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

TEST(ProcessResources, HandleCountSeesEventsCreatedAndClosed)
{
    const ProcessResources before = CurrentProcessResources();
    ASSERT_GT(before.handles, 0) << before.Describe();
    std::vector<HANDLE> events;
    for (int i = 0; i < 10; ++i)
        events.push_back(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    const ProcessResources during = CurrentProcessResources();
    for (HANDLE event : events)
        CloseHandle(event);
    const ProcessResources after = CurrentProcessResources();
    EXPECT_EQ(before.handles + 10, during.handles) << during.Describe();
    EXPECT_EQ(before.handles, after.handles) << after.Describe();
}

TEST(ProcessResources, GdiCountSeesBrushesCreatedAndDeleted)
{
    const ProcessResources before = CurrentProcessResources();
    ASSERT_GE(before.gdiObjects, 0) << before.Describe();
    std::vector<HBRUSH> brushes;
    for (int i = 0; i < 10; ++i)
        brushes.push_back(CreateSolidBrush(RGB(i, 2 * i, 3 * i)));
    const ProcessResources during = CurrentProcessResources();
    for (HBRUSH brush : brushes)
        DeleteObject(brush);
    const ProcessResources after = CurrentProcessResources();
    EXPECT_EQ(before.gdiObjects + 10, during.gdiObjects) << during.Describe();
    EXPECT_EQ(before.gdiObjects, after.gdiObjects) << after.Describe();
}

TEST(ProcessResources, PagefileUsageSeesCommittedMemory)
{
    const ProcessResources before = CurrentProcessResources();
    const SIZE_T size = 8 << 20;
    void* block = VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    ASSERT_NE(nullptr, block);
    memset(block, 1, size);
    const ProcessResources during = CurrentProcessResources();
    VirtualFree(block, 0, MEM_RELEASE);
    const ProcessResources after = CurrentProcessResources();
    EXPECT_GE(during.pagefileBytes, before.pagefileBytes + size / 2) << during.Describe();
    EXPECT_LT(after.pagefileBytes, during.pagefileBytes) << after.Describe();
}
