// Initialize and Enable through the fake DirectDraw when the process heap
// refuses a block: a program of its own, because it replaces its HeapAlloc
// import.
#include "tests/dxmgr/dxmgr_fake_fixture.h"
#include "tests/support/heap_alloc_hook.h"

#include <gmock/gmock.h>

using ::testing::IsEmpty;

namespace {

class HeapRefusedThroughFake : public DXMgrWithFakeDirectX {
protected:
    void SetUp() override {
        ASSERT_TRUE(hook.Installed()) << "HeapAlloc import not found";
        DXMgrWithFakeDirectX::SetUp();
    }

    HeapAllocHook hook;
};

TEST_F(HeapRefusedThroughFake, ModeListKeepsWhatWasGatheredWhenTheHeapRunsOut) {
    fake.displayModes = {{800, 600, 16, 60}, {640, 480, 32, 60}, {640, 480, 16, 60}, {640, 480, 16, 0}};
    // The list's first block holds two modes; the second is the one it grows into.
    hook.ResetCounts();
    hook.FailAllocation(2);
    DebugOutputCapture output;
    HRESULT hr = manager->Initialize(nullptr, window.Handle(), 0);
    hook.FailAllocation(0);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_THAT(output.Lines(), IsEmpty());

    Ref<IEnumDisplayModes> modes;
    hr = manager->CreateEnumDisplayModes(modes.Out(), 0);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    DXMGRDISPLAYMODE got[4] = {};
    ULONG fetched = 0;
    modes->Next(4, got, &fetched);
    ASSERT_EQ(2u, fetched);
    EXPECT_EQ(640u, got[0].dwWidth);
    EXPECT_EQ(32u, got[0].dwBPP);
    EXPECT_EQ(800u, got[1].dwWidth);
}

// Each heap block Enable asks for, refused in turn: Enable either copes or
// fails with everything released; the palette's table is the one whose
// refusal is E_OUTOFMEMORY itself.
TEST_F(HeapRefusedThroughFake, EachRefusedBlockOfAPalettizedEnableLeavesNothingHeld) {
    fake.desktopMode.dwBPP = 8;
    fake.currentMode = fake.desktopMode;
    bool paletteRefused = false;
    for (int n = 1; n <= 32; ++n) {
        SCOPED_TRACE("allocation " + std::to_string(n) + " refused");
        manager.Reset();
        HRESULT hr = DXMgrCreate(IID_IDXMgr, manager.Out());
        ASSERT_EQ(S_OK, hr) << Hex(hr);
        ASSERT_EQ(S_OK, Initialize());

        hook.ResetCounts();
        hook.FailAllocation(n);
        DebugOutputCapture output;
        DXMGRENABLE enable = EnableRecord(kWindowed3D);
        hr = manager->Enable(&enable);
        const int allocations = hook.Allocations();
        hook.FailAllocation(0);
        EXPECT_THAT(output.Lines(), IsEmpty());
        if (allocations < n) {
            EXPECT_EQ(S_OK, hr) << Hex(hr);
            break;   // every block of Enable has had its turn
        }
        if (FAILED(hr)) {
            EXPECT_TRUE(fake.LiveObjects().empty()) << Hex(hr) << "\n" << Join(fake.LiveObjects());
            const bool reachedPalette = fake.CountCalls("IDirectDrawSurface4::GetSurfaceDesc") > 0;
            if (reachedPalette && fake.CountCalls("IDirectDraw4::CreatePalette") == 0) {
                EXPECT_EQ(E_OUTOFMEMORY, hr) << Hex(hr);
                paletteRefused = true;
            }
            hr = manager->Enable(&enable);
            EXPECT_EQ(DXMGRERR_NOTINITIALIZED, hr) << Hex(hr);
        }
        fake.ClearCalls();
    }
    EXPECT_TRUE(paletteRefused);
    manager.Reset();
    EXPECT_THAT(fake.Faults(), IsEmpty());
}

}  // namespace
