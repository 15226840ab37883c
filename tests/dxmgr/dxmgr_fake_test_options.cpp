// Enable's options through the fake DirectDraw: what each flag changes in the
// calls, and the DirectX 6 probe of DXMgrCreate.
#include "tests/dxmgr/dxmgr_fake_fixture.h"

#include <gmock/gmock.h>

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

using EnableOptionsThroughFake = DXMgrWithFakeDirectX;

TEST_F(EnableOptionsThroughFake, CooperativeLevelAddsTheCallersFlags) {
    ASSERT_EQ(S_OK, Initialize());
    DXMGRENABLE enable = EnableRecord(kWindowed2D);
    enable.dwCoopLevel = DDSCL_MULTITHREADED | DDSCL_FPUSETUP;
    HRESULT hr = manager->Enable(&enable);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_EQ("IDirectDraw4::SetCooperativeLevel(window, " + HexValue(DDSCL_MULTITHREADED | DDSCL_FPUSETUP | DDSCL_NORMAL) + ")",
              fake.Calls().at(0));
}

TEST_F(EnableOptionsThroughFake, VideoMemoryFlagPutsA2DBackBufferInVideoMemory) {
    HRESULT hr = InitializeAndEnable(DXMGREF_VIDEOMEMORY);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_THAT(fake.Calls(), Contains("IDirectDraw4::CreateSurface(caps=0x4000, flags=0x7, width=320, height=240)"));
}

TEST_F(EnableOptionsThroughFake, FullScreenModeAndBackBufferCountAreTakenFromTheRecord) {
    fake.displayModes.push_back({800, 600, 32, 75});
    ASSERT_EQ(S_OK, Initialize());
    DXMGRENABLE enable = EnableRecord(DXMGREF_FULLSCREEN | DXMGREF_DISPLAYMODE | DXMGREF_BACKBUFFERCOUNT);
    enable.dwWidth = 800;
    enable.dwHeight = 600;
    enable.dwBPP = 32;
    enable.dwRefreshRate = 75;
    enable.dwBackBufferCount = 2;
    HRESULT hr = manager->Enable(&enable);
    ASSERT_EQ(S_OK, hr) << Hex(hr);

    EXPECT_EQ(0, fake.CountCalls("IDirectDraw4::GetAvailableVidMem"));
    EXPECT_THAT(fake.Calls(), Contains("IDirectDraw4::SetDisplayMode(800, 600, 32, 75, 0x0)"));
    EXPECT_THAT(fake.Calls(), Contains("IDirectDraw4::CreateSurface(caps=0xa18, flags=0x21, backbuffers=2)"));

    DXMGRENABLEINFO info = {};
    hr = manager->GetEnableInfo(&info);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_EQ(800u, info.dwWidth);
    EXPECT_EQ(600u, info.dwHeight);
    EXPECT_EQ(800u, info.dwDisplayWidth);
    EXPECT_EQ(600u, info.dwDisplayHeight);
    EXPECT_EQ(32u, info.dwDisplayBPP);
    EXPECT_EQ(75u, info.dwDisplayRefreshRate);
    EXPECT_EQ(32u, info.ddpfPrimary.dwRGBBitCount);
}

TEST_F(EnableOptionsThroughFake, ZBufferWithout3DMakesNone) {
    HRESULT hr = InitializeAndEnable(DXMGREF_ZBUFFER);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_EQ(0, fake.CountCalls("IDirect3D3::EnumZBufferFormats"));
    Ref<IDirectDrawSurface4> zbuffer;
    hr = manager->GetZBuffer(zbuffer.Out());
    EXPECT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_EQ(nullptr, zbuffer.Get());
}

TEST_F(EnableOptionsThroughFake, DeviceWithoutA16BitZBufferFormatGetsNoZBuffer) {
    fake.zBufferFormats = {FakeZBufferFormat(24), FakeZBufferFormat(32)};
    HRESULT hr = InitializeAndEnable(kWindowed3DZ);
    ASSERT_EQ(S_OK, hr) << Hex(hr);

    EXPECT_EQ(1, fake.CountCalls("IDirect3D3::EnumZBufferFormats"));
    EXPECT_EQ(2, fake.CountCalls("IDirectDraw4::CreateSurface")) << Join(fake.Calls());
    Ref<IDirectDrawSurface4> zbuffer;
    hr = manager->GetZBuffer(zbuffer.Out());
    EXPECT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_EQ(nullptr, zbuffer.Get());
    DXMGRENABLEINFO info = {};
    ASSERT_EQ(S_OK, manager->GetEnableInfo(&info));
    EXPECT_EQ(0u, info.ddpfZBuffer.dwSize);
}

TEST_F(EnableOptionsThroughFake, ZBufferFormatOfTheRecordIsUsedAsGiven) {
    ASSERT_EQ(S_OK, Initialize());
    DXMGRENABLE enable = EnableRecord(kWindowed3DZ | DXMGREF_ZBUFFERFORMAT);
    enable.ddpfZBuffer = FakeZBufferFormat(24);
    HRESULT hr = manager->Enable(&enable);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_THAT(fake.Calls(), Contains("IDirectDraw4::CreateSurface(caps=0x24000, flags=0x1007, width=320, "
                                       "height=240, format=z24)"));
    DXMGRENABLEINFO info = {};
    ASSERT_EQ(S_OK, manager->GetEnableInfo(&info));
    EXPECT_EQ(24u, info.ddpfZBuffer.dwZBufferBitDepth);
}

TEST_F(EnableOptionsThroughFake, RetryWithoutAListedRgbDeviceKeepsTheFirstChoice) {
    fake.devices = {FakeHalDevice(true)};
    fake.FailCall("IDirectDraw4::CreateSurface", DDERR_OUTOFVIDEOMEMORY, 2);
    HRESULT hr = InitializeAndEnable(kWindowed3D);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_EQ(2, fake.CountCalls("IDirect3D3::EnumDevices"));
    EXPECT_THAT(fake.Calls(), Contains("IDirect3D3::CreateDevice(IID_IDirect3DHALDevice, back)"));
}

TEST_F(EnableOptionsThroughFake, DeviceCapsComeFromTheChosenDevicesOwnDescription) {
    fake.devices[0].software.dwMaxBufferSize = 0x1234;   // the RGB device
    fake.devices[1].hardware.dwMaxBufferSize = 0x5678;   // the HAL device
    HRESULT hr = InitializeAndEnable(kWindowed3D);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    D3DDEVICEDESC caps = {};
    hr = manager->GetDeviceCaps(&caps);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_EQ(0x5678u, caps.dwMaxBufferSize);

    ASSERT_EQ(S_OK, manager->Disable(0));
    DXMGRENABLE enable = EnableRecord(kWindowed3D | DXMGREF_DEVICE);
    enable.guidDevice = IID_IDirect3DRGBDevice;
    hr = manager->Enable(&enable);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    hr = manager->GetDeviceCaps(&caps);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_EQ(0x1234u, caps.dwMaxBufferSize);
}

class EnablePlanesRefused : public DXMgrWithFakeDirectX,
                            public ::testing::WithParamInterface<std::pair<float, float>> {};

// Planes that would divide by zero in the projection are refused before
// DirectDraw is touched, and the manager stays as it was.
TEST_P(EnablePlanesRefused, BeforeAnyDirectXCall) {
    ASSERT_EQ(S_OK, Initialize());
    DXMGRENABLE enable = EnableRecord(kWindowed3D);
    enable.dvNear = GetParam().first;
    enable.dvFar = GetParam().second;
    DebugOutputCapture output;
    HRESULT hr = manager->Enable(&enable);

    EXPECT_EQ(E_INVALIDARG, hr) << Hex(hr);
    ASSERT_EQ(1u, output.Lines().size()) << output.Text();
    EXPECT_EQ(0u, output.Lines()[0].rfind("DXMgr: Enable: ", 0)) << output.Text();
    EXPECT_THAT(fake.Calls(), IsEmpty());

    enable = EnableRecord(kWindowed3D);
    hr = manager->Enable(&enable);
    EXPECT_EQ(S_OK, hr) << Hex(hr);
}

INSTANTIATE_TEST_SUITE_P(ZeroOrEqual, EnablePlanesRefused,
                         ::testing::Values(std::make_pair(1.0f, 1.0f), std::make_pair(1.0f, 0.0f),
                                           std::make_pair(0.0f, 0.0f)));

// ---------------------------------------------------------------- DXMgrCreate's probe

class CreateThroughFake : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(S_OK, registration.Result()) << Hex(registration.Result()); }

    FakeDirectX fake;
    FakeDirectDrawRegistration registration{fake};
};

TEST_F(CreateThroughFake, ProbeAsksForDirectX6AndReleasesBothInterfaces) {
    Ref<IDXMgr> manager;
    HRESULT hr = DXMgrCreate(IID_IDXMgr, manager.Out());
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_THAT(fake.Calls(), ElementsAre("IClassFactory::CreateInstance(IID_IDirectDraw)",
                                          "IDirectDraw::QueryInterface(IID_IDirectDraw4)"));
    EXPECT_THAT(fake.LiveObjects(), IsEmpty());
    EXPECT_THAT(fake.Faults(), IsEmpty());
    // Never initialised: the probe only asks.
    EXPECT_EQ(0, fake.CountCalls("IDirectDraw4::Initialize"));
}

TEST_F(CreateThroughFake, DirectDrawWithoutDirectX6InterfaceIsRefusedWithoutALine) {
    fake.FailCall("IDirectDraw::QueryInterface", E_NOINTERFACE);
    DebugOutputCapture output;
    IDXMgr* manager = reinterpret_cast<IDXMgr*>(static_cast<INT_PTR>(-1));
    HRESULT hr = DXMgrCreate(IID_IDXMgr, &manager);
    EXPECT_EQ(DXMGRERR_DIRECTXREQUIRED, hr) << Hex(hr);
    EXPECT_EQ(reinterpret_cast<IDXMgr*>(static_cast<INT_PTR>(-1)), manager) << "the caller's pointer is not written";
    EXPECT_THAT(output.Lines(), IsEmpty());
    EXPECT_THAT(fake.LiveObjects(), IsEmpty());
}

TEST_F(CreateThroughFake, FailureToCreateDirectDrawIsReturnedUnchanged) {
    fake.FailCall("IClassFactory::CreateInstance", E_OUTOFMEMORY);
    IDXMgr* manager = nullptr;
    HRESULT hr = DXMgrCreate(IID_IDXMgr, &manager);
    EXPECT_EQ(E_OUTOFMEMORY, hr) << Hex(hr);
    EXPECT_EQ(nullptr, manager);
}

}  // namespace
