// Initialize through the fake DirectDraw: what it calls, in which order, and
// what a failure at each step leaves behind.
#include "tests/dxmgr/dxmgr_fake_fixture.h"

#include <gmock/gmock.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

using InitializeThroughFake = DXMgrWithFakeDirectX;

const char* const kInitializeCalls[] = {
    "IClassFactory::CreateInstance(IID_IDirectDraw)",
    "IDirectDraw::QueryInterface(IID_IDirectDraw4)",
    "IDirectDraw::Release()",
    "IDirectDraw4::Initialize(NULL)",
    "IDirectDraw4::SetCooperativeLevel(window, 0x80)",
    "IDirectDraw4::EnumDisplayModes(0x1, NULL)",
    "IDirectDraw4::QueryInterface(IID_IDirect3D3)",
};

TEST_F(InitializeThroughFake, CallsDirectDrawInOrderAndReleasesTheFirstInterface) {
    HRESULT hr = manager->Initialize(nullptr, window.Handle(), 0);
    ASSERT_EQ(S_OK, hr) << Hex(hr);

    EXPECT_THAT(fake.CallsWithRefCounting(), ::testing::ElementsAreArray(kInitializeCalls));
    EXPECT_THAT(fake.LiveObjects(), ElementsAre("IDirectDraw4 of DirectDraw object 2 count 1",
                                                "IDirect3D3 of DirectDraw object 2 count 1"));
}

TEST_F(InitializeThroughFake, AllZeroDriverGuidIsPassedOnAsNull) {
    GUID zero = {};
    HRESULT hr = manager->Initialize(&zero, window.Handle(), 0);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_EQ(1, fake.CountCalls("IDirectDraw4::Initialize"));
    EXPECT_THAT(fake.Calls(), ::testing::Contains("IDirectDraw4::Initialize(NULL)"));
}

TEST_F(InitializeThroughFake, DriverGuidIsPassedOnUnchanged) {
    // {12345678-9ABC-DEF0-1122-334455667788}
    GUID driver = {0x12345678, 0x9ABC, 0xDEF0, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}};
    HRESULT hr = manager->Initialize(&driver, window.Handle(), 0);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_THAT(fake.Calls(),
                ::testing::Contains("IDirectDraw4::Initialize({12345678-9ABC-DEF0-1122-334455667788})"));
}

TEST_F(InitializeThroughFake, DisplayModesAreSortedStably) {
    fake.displayModes = {{800, 600, 16, 60}, {640, 480, 32, 60}, {640, 480, 16, 60}, {640, 480, 16, 0}};
    ASSERT_EQ(S_OK, Initialize());

    Ref<IEnumDisplayModes> modes;
    HRESULT hr = manager->CreateEnumDisplayModes(modes.Out(), 0);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    DXMGRDISPLAYMODE got[5] = {};
    ULONG fetched = 0;
    hr = modes->Next(5, got, &fetched);
    EXPECT_EQ(S_FALSE, hr) << Hex(hr);
    ASSERT_EQ(4u, fetched);
    const DXMGRDISPLAYMODE expected[4] = {{640, 480, 16, 0}, {640, 480, 16, 60}, {640, 480, 32, 60}, {800, 600, 16, 60}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(expected[i].dwWidth, got[i].dwWidth) << "mode " << i;
        EXPECT_EQ(expected[i].dwHeight, got[i].dwHeight) << "mode " << i;
        EXPECT_EQ(expected[i].dwBPP, got[i].dwBPP) << "mode " << i;
        EXPECT_EQ(expected[i].dwRefreshRate, got[i].dwRefreshRate) << "mode " << i;
    }
}

// ---------------------------------------------------------------- a failure at each step

struct InitializeStep {
    const char* method;
    HRESULT hr;
};

void PrintTo(const InitializeStep& step, std::ostream* os) { *os << step.method; }

class InitializeStepFails : public DXMgrWithFakeDirectX, public ::testing::WithParamInterface<InitializeStep> {};

TEST_P(InitializeStepFails, ReturnsTheErrorUnchangedAndLeavesNothingHeld) {
    fake.FailCall(GetParam().method, GetParam().hr);
    DebugOutputCapture output;
    HRESULT hr = manager->Initialize(nullptr, window.Handle(), 0);

    EXPECT_EQ(GetParam().hr, hr) << Hex(hr);
    EXPECT_THAT(output.Lines(), IsEmpty());
    EXPECT_THAT(fake.LiveObjects(), IsEmpty());
    EXPECT_THAT(fake.Faults(), IsEmpty());

    // Uninitialized: each state test answers "not initialized".
    HWND focus = nullptr;
    hr = manager->GetFocusWindow(&focus);
    EXPECT_EQ(DXMGRERR_NOTINITIALIZED, hr) << Hex(hr);
    Ref<IDirectDraw4> dd;
    hr = manager->GetDirectDraw(dd.Out());
    EXPECT_EQ(DXMGRERR_NOTINITIALIZED, hr) << Hex(hr);
    Ref<IDirect3D3> d3d;
    hr = manager->GetDirect3D(d3d.Out());
    EXPECT_EQ(DXMGRERR_NOTINITIALIZED, hr) << Hex(hr);
    DWORD flags = 0;
    hr = manager->GetFlags(DXMGRGF_INIT, &flags);
    EXPECT_EQ(DXMGRERR_NOTINITIALIZED, hr) << Hex(hr);

    // And it may simply be initialised again.
    fake.ClearFailures();
    hr = manager->Initialize(nullptr, window.Handle(), 0);
    EXPECT_EQ(S_OK, hr) << Hex(hr);
}

INSTANTIATE_TEST_SUITE_P(
    EachDirectXStep, InitializeStepFails,
    ::testing::Values(InitializeStep{"IClassFactory::CreateInstance", E_OUTOFMEMORY},
                      InitializeStep{"IDirectDraw::QueryInterface", E_NOINTERFACE},
                      InitializeStep{"IDirectDraw4::Initialize", DDERR_INVALIDDIRECTDRAWGUID},
                      InitializeStep{"IDirectDraw4::SetCooperativeLevel", DDERR_HWNDALREADYSET},
                      InitializeStep{"IDirectDraw4::EnumDisplayModes", DDERR_GENERIC},
                      InitializeStep{"IDirectDraw4::QueryInterface", E_NOINTERFACE}));

}  // namespace
