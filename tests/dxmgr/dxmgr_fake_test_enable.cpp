// Enable and Disable through the fake DirectDraw: the calls of each mode in
// order, the device choice and its retry, the palette, and the releases.
#include "tests/dxmgr/dxmgr_fake_fixture.h"

#include <gmock/gmock.h>

#include <algorithm>

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

using EnableThroughFake = DXMgrWithFakeDirectX;

// The 3D tail every mode shares once the surfaces stand.
#define DEVICE_CALLS(DEVICE_GUID)                                      \
    "IDirectDrawSurface4[back]::GetSurfaceDesc()",                     \
    "IDirect3D3::CreateDevice(" DEVICE_GUID ", back)",                 \
    "IDirect3DDevice3[device]::EnumTextureFormats()",                  \
    "IDirect3D3::CreateViewport()",                                    \
    "IDirect3DDevice3[device]::AddViewport(viewport)",                 \
    "IDirect3DViewport3[viewport]::SetViewport2()",                    \
    "IDirect3DDevice3[device]::SetCurrentViewport(viewport)",          \
    "IDirect3DDevice3[device]::SetTransform(3)"

TEST_F(EnableThroughFake, Windowed3DCallsInOrder) {
    HRESULT hr = InitializeAndEnable(kWindowed3D);
    ASSERT_EQ(S_OK, hr) << Hex(hr);

    const char* const expected[] = {
        "IDirectDraw4::SetCooperativeLevel(window, 0x8)",
        "IDirect3D3::EnumDevices()",
        "IDirectDraw4::CreateSurface(caps=0x200, flags=0x1)",
        "IDirectDrawSurface4[primary]::GetPixelFormat()",
        "IDirectDraw4::CreateClipper(0x0)",
        "IDirectDrawClipper[clipper]::SetHWnd(0x0, window)",
        "IDirectDrawSurface4[primary]::SetClipper(clipper)",
        "IDirectDraw4::CreateSurface(caps=0x6000, flags=0x7, width=320, height=240)",
        DEVICE_CALLS("IID_IDirect3DHALDevice"),
    };
    EXPECT_THAT(fake.Calls(), ElementsAreArray(expected));
}

TEST_F(EnableThroughFake, Windowed2DCallsInOrderAndMakesNoDevice) {
    HRESULT hr = InitializeAndEnable(kWindowed2D);
    ASSERT_EQ(S_OK, hr) << Hex(hr);

    EXPECT_THAT(fake.Calls(), ElementsAre("IDirectDraw4::SetCooperativeLevel(window, 0x8)",
                                          "IDirect3D3::EnumDevices()",
                                          "IDirectDraw4::CreateSurface(caps=0x200, flags=0x1)",
                                          "IDirectDrawSurface4[primary]::GetPixelFormat()",
                                          "IDirectDraw4::CreateClipper(0x0)",
                                          "IDirectDrawClipper[clipper]::SetHWnd(0x0, window)",
                                          "IDirectDrawSurface4[primary]::SetClipper(clipper)",
                                          "IDirectDraw4::CreateSurface(caps=0x800, flags=0x7, width=320, height=240)"));
}

TEST_F(EnableThroughFake, FullScreen3DWithZBufferCallsInOrder) {
    HRESULT hr = InitializeAndEnable(kFullScreen3DZ);
    ASSERT_EQ(S_OK, hr) << Hex(hr);

    const char* const expected[] = {
        "IDirectDraw4::SetCooperativeLevel(window, 0x111)",
        "IDirect3D3::EnumDevices()",
        "IDirectDraw4::GetAvailableVidMem(caps=0x0)",
        "IDirectDraw4::SetDisplayMode(640, 480, 16, 0, 0x0)",
        "IDirectDraw4::CreateSurface(caps=0x6218, flags=0x21, backbuffers=1)",
        "IDirectDrawSurface4[primary]::GetPixelFormat()",
        "IDirectDrawSurface4[primary]::GetAttachedSurface(caps=0x4)",
        "IDirect3D3::EnumZBufferFormats(IID_IDirect3DHALDevice)",
        "IDirectDraw4::CreateSurface(caps=0x24000, flags=0x1007, width=640, height=480, format=z16)",
        "IDirectDrawSurface4[zbuffer]::GetPixelFormat()",
        "IDirectDrawSurface4[back]::AddAttachedSurface(zbuffer)",
        DEVICE_CALLS("IID_IDirect3DHALDevice"),
    };
    EXPECT_THAT(fake.Calls(), ElementsAreArray(expected));

    fake.ClearCalls();
    manager.Reset();
    EXPECT_THAT(fake.Calls(), ElementsAre("IDirectDraw4::RestoreDisplayMode()"));
    // The back buffer goes with the flipping chain; the manager never releases it.
    EXPECT_THAT(Releases(), ElementsAre("viewport", "device", "IDirect3D3", "primary", "zbuffer", "IDirectDraw4"));
}

TEST_F(EnableThroughFake, FullScreenWithoutDeviceWindowAsksDirectDrawForOne) {
    ASSERT_EQ(S_OK, Initialize());
    DXMGRENABLE enable = EnableRecord(DXMGREF_FULLSCREEN);
    enable.hwndDevice = nullptr;
    HRESULT hr = manager->Enable(&enable);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_EQ("IDirectDraw4::SetCooperativeLevel(NULL, 0x211)", fake.Calls().at(0));
}

TEST_F(EnableThroughFake, ProjectionAndViewportFollowTheClientArea) {
    HRESULT hr = InitializeAndEnable(kWindowed3D);
    ASSERT_EQ(S_OK, hr) << Hex(hr);

    ASSERT_TRUE(fake.viewportSet);
    EXPECT_EQ(sizeof(D3DVIEWPORT2), fake.viewport.dwSize);
    EXPECT_EQ(0u, fake.viewport.dwX);
    EXPECT_EQ(0u, fake.viewport.dwY);
    EXPECT_EQ(static_cast<DWORD>(kClientWidth), fake.viewport.dwWidth);
    EXPECT_EQ(static_cast<DWORD>(kClientHeight), fake.viewport.dwHeight);
    EXPECT_FLOAT_EQ(-1.0f, fake.viewport.dvClipX);
    EXPECT_FLOAT_EQ(0.75f, fake.viewport.dvClipY);
    EXPECT_FLOAT_EQ(2.0f, fake.viewport.dvClipWidth);
    EXPECT_FLOAT_EQ(1.5f, fake.viewport.dvClipHeight);
    EXPECT_FLOAT_EQ(0.0f, fake.viewport.dvMinZ);
    EXPECT_FLOAT_EQ(1.0f, fake.viewport.dvMaxZ);

    ASSERT_TRUE(fake.projectionSet);
    const D3DMATRIX& m = fake.projection;
    const float expected[4][4] = {{0.7071068f, 0, 0, 0},
                                  {0, 0.7071068f, 0, 0},
                                  {0, 0, 0.7856742f, 0.7071068f},
                                  {0, 0, -0.7856742f, 0}};
    const float got[4][4] = {{m._11, m._12, m._13, m._14},
                             {m._21, m._22, m._23, m._24},
                             {m._31, m._32, m._33, m._34},
                             {m._41, m._42, m._43, m._44}};
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            EXPECT_FLOAT_EQ(expected[row][column], got[row][column]) << "_" << row + 1 << column + 1;
}

TEST_F(EnableThroughFake, DisableReleasesWhatEnableMadeInOrderAndEnableMayFollow) {
    HRESULT hr = InitializeAndEnable(kWindowed3DZ);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    fake.ClearCalls();

    hr = manager->Disable(0);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_THAT(fake.Calls(), IsEmpty());
    EXPECT_THAT(Releases(), ElementsAre("viewport", "device", "clipper", "back", "primary", "zbuffer"));
    EXPECT_THAT(fake.LiveObjects(), ElementsAre("IDirectDraw4 of DirectDraw object 2 count 1",
                                                "IDirect3D3 of DirectDraw object 2 count 1"));

    DXMGRENABLE enable = EnableRecord(kWindowed3DZ);
    hr = manager->Enable(&enable);
    EXPECT_EQ(S_OK, hr) << Hex(hr);
}

TEST_F(EnableThroughFake, ReleaseOfEnabledManagerReleasesEverythingOnceInOrder) {
    HRESULT hr = InitializeAndEnable(kWindowed3DZ);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    fake.ClearCalls();

    manager.Reset();
    EXPECT_THAT(fake.Calls(), IsEmpty());
    EXPECT_THAT(Releases(), ElementsAre("viewport", "device", "IDirect3D3", "clipper", "back", "primary", "zbuffer",
                                        "IDirectDraw4"));
}

// ---------------------------------------------------------------- device choice

TEST_F(EnableThroughFake, FailedFirstSurfaceAttemptRetriesPassingOverTheHardwareDevice) {
    // The windowed back buffer of the first attempt.
    fake.FailCall("IDirectDraw4::CreateSurface", DDERR_OUTOFVIDEOMEMORY, 2);
    DebugOutputCapture output;
    HRESULT hr = InitializeAndEnable(kWindowed3D);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_THAT(output.Lines(), IsEmpty());

    const char* const expected[] = {
        "IDirectDraw4::SetCooperativeLevel(window, 0x8)",
        "IDirect3D3::EnumDevices()",
        "IDirectDraw4::CreateSurface(caps=0x200, flags=0x1)",
        "IDirectDrawSurface4[primary]::GetPixelFormat()",
        "IDirectDraw4::CreateClipper(0x0)",
        "IDirectDrawClipper[clipper]::SetHWnd(0x0, window)",
        "IDirectDrawSurface4[primary]::SetClipper(clipper)",
        "IDirectDraw4::CreateSurface(caps=0x6000, flags=0x7, width=320, height=240)",
        "IDirect3D3::EnumDevices()",
        "IDirectDraw4::CreateSurface(caps=0x200, flags=0x1)",
        "IDirectDrawSurface4[primary#2]::GetPixelFormat()",
        "IDirectDraw4::CreateClipper(0x0)",
        "IDirectDrawClipper[clipper#2]::SetHWnd(0x0, window)",
        "IDirectDrawSurface4[primary#2]::SetClipper(clipper#2)",
        "IDirectDraw4::CreateSurface(caps=0x2800, flags=0x7, width=320, height=240)",
        "IDirectDrawSurface4[back]::GetSurfaceDesc()",
        "IDirect3D3::CreateDevice(IID_IDirect3DRGBDevice, back)",
    };
    std::vector<std::string> calls = fake.Calls();
    ASSERT_GE(calls.size(), sizeof expected / sizeof expected[0]) << Join(calls);
    calls.resize(sizeof expected / sizeof expected[0]);
    EXPECT_THAT(calls, ElementsAreArray(expected));
    // What the first attempt made is gone before the second begins.
    EXPECT_THAT(Releases(), ElementsAre("clipper", "primary"));

    DXMGRENABLEINFO info = {};
    hr = manager->GetEnableInfo(&info);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_TRUE(IsEqualGUID(IID_IDirect3DRGBDevice, info.guidDevice)) << GuidName(&info.guidDevice);
}

TEST_F(EnableThroughFake, RetryKeepsTheDeviceTheCallerChose) {
    fake.FailCall("IDirectDraw4::CreateSurface", DDERR_OUTOFVIDEOMEMORY, 2);
    ASSERT_EQ(S_OK, Initialize());
    DXMGRENABLE enable = EnableRecord(kWindowed3D | DXMGREF_DEVICE);
    enable.guidDevice = IID_IDirect3DHALDevice;
    HRESULT hr = manager->Enable(&enable);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_THAT(fake.Calls(), Contains("IDirect3D3::CreateDevice(IID_IDirect3DHALDevice, back)"));
}

TEST_F(EnableThroughFake, HardwareDeviceWithoutPerspectiveTexturingIsPassedOver) {
    fake.devices = {FakeHalDevice(false), FakeRgbDevice()};
    HRESULT hr = InitializeAndEnable(kWindowed3D);
    ASSERT_EQ(S_OK, hr) << Hex(hr);

    // System memory: the render target of a software device.
    EXPECT_THAT(fake.Calls(), Contains("IDirectDraw4::CreateSurface(caps=0x2800, flags=0x7, width=320, height=240)"));
    EXPECT_THAT(fake.Calls(), Contains("IDirect3D3::CreateDevice(IID_IDirect3DRGBDevice, back)"));
    EXPECT_EQ(1, fake.CountCalls("IDirect3D3::EnumDevices"));
}

TEST_F(EnableThroughFake, DriverListingNeitherDeviceGetsWhatCreateDeviceSays) {
    FakeDevice other = FakeRgbDevice();
    other.guid = IID_IDirect3DMMXDevice;
    fake.devices = {other};
    HRESULT hr = InitializeAndEnable(kWindowed3D);

    EXPECT_EQ(DDERR_INVALIDPARAMS, hr) << Hex(hr);
    EXPECT_THAT(fake.Calls(), Contains("IDirect3D3::CreateDevice(GUID_NULL, back)"));
    EXPECT_THAT(fake.LiveObjects(), IsEmpty());
}

TEST_F(EnableThroughFake, NoDirectDrawHardwareSkipsTheVideoMemoryQueryOnRetry) {
    fake.FailCall("IDirectDraw4::CreateSurface", DDERR_NODIRECTDRAWHW, 1);
    HRESULT hr = InitializeAndEnable(kFullScreen3DZ);
    ASSERT_EQ(S_OK, hr) << Hex(hr);

    EXPECT_EQ(1, fake.CountCalls("IDirectDraw4::GetAvailableVidMem")) << Join(fake.Calls());
    EXPECT_EQ(2, fake.CountCalls("IDirectDraw4::SetDisplayMode"));
    EXPECT_THAT(fake.Calls(), Contains("IDirectDraw4::CreateSurface(caps=0x2a18, flags=0x21, backbuffers=1)"));
    EXPECT_THAT(fake.Calls(), Contains("IDirect3D3::CreateDevice(IID_IDirect3DRGBDevice, back)"));
}

TEST_F(EnableThroughFake, OtherFirstAttemptFailuresAskForVideoMemoryAgain) {
    fake.FailCall("IDirectDraw4::CreateSurface", DDERR_OUTOFVIDEOMEMORY, 1);
    HRESULT hr = InitializeAndEnable(kFullScreen3DZ);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_EQ(2, fake.CountCalls("IDirectDraw4::GetAvailableVidMem")) << Join(fake.Calls());
}

// ---------------------------------------------------------------- 8-bit palette

class EnablePalettized : public DXMgrWithFakeDirectX, public ::testing::WithParamInterface<DWORD> {};

TEST_P(EnablePalettized, GivesTheBackBufferAColourCubeBeforeTheDevice) {
    const DWORD dwFlags = GetParam();
    fake.desktopMode.dwBPP = 8;
    fake.currentMode = fake.desktopMode;
    fake.displayModes.push_back({640, 480, 8, 60});
    ASSERT_EQ(S_OK, Initialize());
    DXMGRENABLE enable = EnableRecord(dwFlags);
    if (dwFlags & DXMGREF_FULLSCREEN) {
        enable.dwFlags |= DXMGREF_DISPLAYMODE;
        enable.dwWidth = 640;
        enable.dwHeight = 480;
        enable.dwBPP = 8;
    }
    HRESULT hr = manager->Enable(&enable);
    ASSERT_EQ(S_OK, hr) << Hex(hr) << "\n" << Join(fake.Calls());

    std::vector<std::string> calls = fake.Calls();
    auto at = [&](const std::string& call) { return std::find(calls.begin(), calls.end(), call) - calls.begin(); };
    const auto desc = at("IDirectDrawSurface4[back]::GetSurfaceDesc()");
    const auto create = at("IDirectDraw4::CreatePalette(0x4)");
    const auto set = at("IDirectDrawSurface4[back]::SetPalette(palette)");
    const auto device = at("IDirect3D3::CreateDevice(IID_IDirect3DHALDevice, back)");
    EXPECT_TRUE(desc < create && create < set && set < device) << Join(calls);

    ASSERT_EQ(256u, fake.paletteEntries.size());
    const PALETTEENTRY& white = fake.paletteEntries[215];
    const PALETTEENTRY& grey = fake.paletteEntries[43];
    EXPECT_EQ(255, white.peRed);
    EXPECT_EQ(255, white.peGreen);
    EXPECT_EQ(255, white.peBlue);
    EXPECT_EQ(0, white.peFlags);
    EXPECT_EQ(51, grey.peRed);
    EXPECT_EQ(51, grey.peGreen);
    EXPECT_EQ(51, grey.peBlue);
    EXPECT_EQ(0, grey.peFlags);
    for (int i = 216; i < 256; ++i) {
        const PALETTEENTRY& e = fake.paletteEntries[i];
        EXPECT_EQ(0, e.peRed | e.peGreen | e.peBlue | e.peFlags) << "entry " << i;
    }
    // The surface holds the palette; the manager keeps no reference of its own.
    EXPECT_THAT(fake.LiveObjects(), Not(Contains(::testing::HasSubstr("palette"))));
}

INSTANTIATE_TEST_SUITE_P(WindowedAndFullScreen, EnablePalettized,
                         ::testing::Values(kWindowed3D, DXMGREF_FULLSCREEN | DXMGREF_3D));

}  // namespace
