// Frame operations through the fake DirectDraw: which surfaces they touch.
#include "tests/dxmgr/dxmgr_fake_fixture.h"

#include <gmock/gmock.h>

using ::testing::ElementsAre;

namespace {

using FrameThroughFake = DXMgrWithFakeDirectX;

TEST_F(FrameThroughFake, RestoreSurfacesCallsNothingOnAFullScreenBackBuffer) {
    HRESULT hr = InitializeAndEnable(kFullScreen3DZ);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    fake.ClearCalls();

    hr = manager->RestoreSurfaces();
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_THAT(fake.Calls(), ElementsAre("IDirectDrawSurface4[primary]::Restore()",
                                          "IDirectDrawSurface4[zbuffer]::Restore()"));
}

TEST_F(FrameThroughFake, RestoreSurfacesRestoresTheWindowedBackBufferToo) {
    HRESULT hr = InitializeAndEnable(kWindowed3DZ);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    fake.ClearCalls();

    hr = manager->RestoreSurfaces();
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_THAT(fake.Calls(), ElementsAre("IDirectDrawSurface4[primary]::Restore()",
                                          "IDirectDrawSurface4[back]::Restore()",
                                          "IDirectDrawSurface4[zbuffer]::Restore()"));
}

TEST_F(FrameThroughFake, RestoreFailureIsReturnedWithItsLine) {
    HRESULT hr = InitializeAndEnable(kWindowed3DZ);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    fake.FailCall("IDirectDrawSurface4::Restore", DDERR_WRONGMODE, 2);
    DebugOutputCapture output;

    hr = manager->RestoreSurfaces();
    EXPECT_EQ(DDERR_WRONGMODE, hr) << Hex(hr);
    EXPECT_THAT(output.Lines(), ElementsAre("DXMgr: RestoreSurfaces: Could not restore back buffer\n"));
}

TEST_F(FrameThroughFake, FullScreenUpdateFlipsOrCopiesOnRequest) {
    HRESULT hr = InitializeAndEnable(kFullScreen3DZ);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    fake.ClearCalls();

    EXPECT_EQ(S_OK, manager->Update(0, nullptr));
    EXPECT_EQ(S_OK, manager->Update(DXMGRUF_NOWAIT, nullptr));
    EXPECT_EQ(S_OK, manager->Update(DXMGRUF_BLIT, nullptr));
    RECT part = {10, 20, 30, 40};
    EXPECT_EQ(S_OK, manager->Update(DXMGRUF_NOWAIT, &part));
    EXPECT_THAT(fake.Calls(), ElementsAre("IDirectDrawSurface4[primary]::Flip(NULL, 0x1)",
                                          "IDirectDrawSurface4[primary]::Flip(NULL, 0x0)",
                                          "IDirectDrawSurface4[primary]::Blt((0,0,640,480), back, NULL, 0x1000000)",
                                          "IDirectDrawSurface4[primary]::Blt((10,20,30,40), back, (10,20,30,40), 0x0)"));
}

TEST_F(FrameThroughFake, Windowed2DClearFillsTheBackBufferInThePrimarysFormat) {
    fake.desktopMode.dwBPP = 16;
    fake.currentMode = fake.desktopMode;
    HRESULT hr = InitializeAndEnable(kWindowed2D);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    fake.ClearCalls();

    hr = manager->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00808080, 1.0f, 0);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_THAT(fake.Calls(),
                ElementsAre("IDirectDrawSurface4[back]::Blt((0,0,320,240), NULL, NULL, 0x1000400, fill=0x8410)"));
}

TEST_F(FrameThroughFake, Windowed2DClearTakesTheChannelsFromThePrimarysMasks) {
    fake.desktopMode.dwBPP = 16;
    fake.currentMode = fake.desktopMode;
    fake.displayFormats = {FakeTextureFormat(16, 0x7C00, 0x03E0, 0x001F, 0)};
    HRESULT hr = InitializeAndEnable(kWindowed2D);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    fake.ClearCalls();

    D3DRECT rects[2] = {{{1}, {2}, {3}, {4}}, {{5}, {6}, {7}, {8}}};
    hr = manager->Clear(2, rects, D3DCLEAR_TARGET, 0xFF808080, 1.0f, 0);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_THAT(fake.Calls(),
                ElementsAre("IDirectDrawSurface4[back]::Blt((1,2,3,4), NULL, NULL, 0x1000400, fill=0x4210)",
                            "IDirectDrawSurface4[back]::Blt((5,6,7,8), NULL, NULL, 0x1000400, fill=0x4210)"));
}

class Clear2DRefused : public DXMgrWithFakeDirectX, public ::testing::WithParamInterface<DDPIXELFORMAT> {};

TEST_P(Clear2DRefused, OnAPrimaryThatIsNotPlainRgb) {
    fake.desktopMode.dwBPP = GetParam().dwRGBBitCount;
    fake.currentMode = fake.desktopMode;
    fake.displayFormats = {GetParam()};
    HRESULT hr = InitializeAndEnable(kWindowed2D);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    fake.ClearCalls();
    DebugOutputCapture output;

    hr = manager->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    EXPECT_EQ(DXMGRERR_UNSUPPORTEDPIXELFORMAT, hr) << Hex(hr);
    EXPECT_THAT(output.Lines(), ElementsAre("DXMgr: Clear: Unsupported pixel format\n"));
    EXPECT_THAT(fake.Calls(), ::testing::IsEmpty());
}

DDPIXELFORMAT FourCCFormat() {
    DDPIXELFORMAT format = {};
    format.dwSize = sizeof format;
    format.dwFlags = DDPF_FOURCC;
    format.dwFourCC = MAKEFOURCC('Y', 'U', 'Y', '2');
    format.dwRGBBitCount = 16;
    return format;
}

INSTANTIATE_TEST_SUITE_P(PalettizedOrFourCC, Clear2DRefused,
                         ::testing::Values(FakeDisplayFormat(8), FourCCFormat()));

TEST_F(FrameThroughFake, ClearWithADeviceGoesToTheViewportUnchanged) {
    HRESULT hr = InitializeAndEnable(kWindowed3DZ);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    fake.ClearCalls();

    hr = manager->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00112233, 0.5f, 7);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_THAT(fake.Calls(),
                ElementsAre("IDirect3DViewport3[viewport]::Clear2(1, (0,0,320,240), 0x3, 0x00112233, 0.5, 7)"));
}

}  // namespace
