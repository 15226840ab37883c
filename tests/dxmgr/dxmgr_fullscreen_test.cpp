// Full-screen DXMgr against Wine's real DirectDraw. Mode switching needs a
// Wine virtual desktop (bare Xvfb has none), so CTest starts this program
// inside one; see tests/support/dxmgr_desktop_run.sh.
#include "dxmgr/dxmgr.h"
#include "tests/support/debug_output_capture.h"
#include "tests/dxmgr/dxmgr_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

DEVMODEA CurrentMode()
{
    DEVMODEA mode = {};
    mode.dmSize = sizeof(mode);
    EXPECT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode));
    return mode;
}

std::string Describe(const DEVMODEA& mode)
{
    return std::to_string(mode.dmPelsWidth) + "x" + std::to_string(mode.dmPelsHeight) + "x"
           + std::to_string(mode.dmBitsPerPel);
}

DXMGRENABLE FullScreenEnable(HWND hwnd, DWORD dwFlags)
{
    DXMGRENABLE enable = WindowedEnable(hwnd, DXMGREF_FULLSCREEN | dwFlags);
    return enable;
}

class DXMgrFullScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_before = CurrentMode();
        if (m_before.dmPelsWidth < 640)
            GTEST_SKIP() << "display too small: " << Describe(m_before);
    }
    // Every test leaves the display as it found it.
    void TearDown() override
    {
        DEVMODEA after = CurrentMode();
        EXPECT_EQ(Describe(after), Describe(m_before)) << "display mode not restored";
    }

    DEVMODEA m_before = {};
};

} // namespace

TEST_F(DXMgrFullScreen, DefaultMode_FlipsAndRestoresTheDisplayOnDisable)
{
    TestWindow window(64, 48);
    Ref<IDXMgr> manager(InitializedManager(window.Handle()));
    ASSERT_TRUE(manager);
    DXMGRENABLE enable = FullScreenEnable(window.Handle(), DXMGREF_3D | DXMGREF_ZBUFFER);
    HRESULT hr = manager->Enable(&enable);
    ASSERT_EQ(hr, S_OK) << Hex(hr);

    DXMGRENABLEINFO info;
    ASSERT_EQ(manager->GetEnableInfo(&info), S_OK);
    EXPECT_EQ(info.dwWidth, 640u);
    EXPECT_EQ(info.dwHeight, 480u);
    EXPECT_EQ(info.dwDisplayWidth, 640u);
    EXPECT_EQ(info.dwDisplayHeight, 480u);
    EXPECT_EQ(info.dwDisplayBPP, 16u);
    EXPECT_EQ(info.ddpfPrimary.dwRGBBitCount, 16u);

    DebugOutputCapture capture;
    IDirectDrawSurface4* pSurface = nullptr;
    EXPECT_EQ(Hex(manager->GetPrimary(&pSurface)), Hex(DXMGRERR_WINDOWEDREQUIRED));
    EXPECT_EQ(capture.Lines(), Lines({"DXMgr: GetPrimary: Windowed mode required\n"}));
    Ref<IDirectDrawSurface4> back;
    ASSERT_EQ(manager->GetBackBuffer(back.Out()), S_OK);
    Ref<IDirectDrawSurface4> zbuffer;
    ASSERT_EQ(manager->GetZBuffer(zbuffer.Out()), S_OK);
    EXPECT_TRUE(zbuffer);

    hr = manager->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00FF0000, 1.0f, 0);
    EXPECT_EQ(hr, S_OK) << Hex(hr);
    hr = manager->Update(0, nullptr);
    EXPECT_EQ(hr, S_OK) << "flip: " << Hex(hr);
    hr = manager->Update(DXMGRUF_BLIT, nullptr);
    EXPECT_EQ(hr, S_OK) << "blit: " << Hex(hr);
    const RECT part = {0, 0, 320, 240};
    hr = manager->Update(0, &part);
    EXPECT_EQ(hr, S_OK) << "blit of a rectangle: " << Hex(hr);
    hr = manager->RestoreSurfaces();
    EXPECT_EQ(hr, S_OK) << Hex(hr);

    EXPECT_EQ(Describe(CurrentMode()), "640x480x16");
    back.Reset();
    zbuffer.Reset();
    ASSERT_EQ(manager->Disable(0), S_OK);
    EXPECT_EQ(Describe(CurrentMode()), Describe(m_before));
}

TEST_F(DXMgrFullScreen, RequestedModeWithoutDeviceWindow_IsSetAndRestoredByRelease)
{
    TestWindow window(64, 48);
    Ref<IDXMgr> manager(InitializedManager(window.Handle()));
    ASSERT_TRUE(manager);
    DXMGRENABLE enable = FullScreenEnable(nullptr, DXMGREF_DISPLAYMODE | DXMGREF_BACKBUFFERCOUNT);
    enable.dwWidth = 800;
    enable.dwHeight = 600;
    enable.dwBPP = 32;
    enable.dwBackBufferCount = 2;
    HRESULT hr = manager->Enable(&enable);
    ASSERT_EQ(hr, S_OK) << Hex(hr);
    EXPECT_EQ(Describe(CurrentMode()), "800x600x32");
    HWND hwnd = reinterpret_cast<HWND>(1);
    ASSERT_EQ(manager->GetDeviceWindow(&hwnd), S_OK);
    EXPECT_EQ(hwnd, nullptr);

    hr = manager->Update(0, nullptr);
    EXPECT_EQ(hr, S_OK) << Hex(hr);
    // No Disable: destruction restores the display.
    manager.Reset();
}

TEST_F(DXMgrFullScreen, SurfacesLostToAModeChange_ReportThatThePrimaryCouldNotBeRestored)
{
    TestWindow window(64, 48);
    Ref<IDXMgr> manager(InitializedManager(window.Handle()));
    ASSERT_TRUE(manager);
    DXMGRENABLE enable = FullScreenEnable(window.Handle(), 0);
    ASSERT_EQ(manager->Enable(&enable), S_OK);
    Ref<IDirectDraw4> dd;
    ASSERT_EQ(manager->GetDirectDraw(dd.Out()), S_OK);
    dd->RestoreDisplayMode();

    DebugOutputCapture capture;
    HRESULT hr = manager->RestoreSurfaces();
    EXPECT_TRUE(FAILED(hr)) << Hex(hr);
    EXPECT_EQ(capture.Lines(), Lines({"DXMgr: RestoreSurfaces: Could not restore primary\n"})) << Hex(hr);
}

TEST_F(DXMgrFullScreen, EightBitMode_RefusesTheTwoDimensionalFill)
{
    TestWindow window(64, 48);
    Ref<IDXMgr> manager(InitializedManager(window.Handle()));
    ASSERT_TRUE(manager);
    DXMGRENABLE enable = FullScreenEnable(window.Handle(), DXMGREF_DISPLAYMODE);
    enable.dwWidth = 640;
    enable.dwHeight = 480;
    enable.dwBPP = 8;
    HRESULT hr = manager->Enable(&enable);
    ASSERT_EQ(hr, S_OK) << Hex(hr);
    DXMGRENABLEINFO info;
    ASSERT_EQ(manager->GetEnableInfo(&info), S_OK);
    EXPECT_NE(info.ddpfPrimary.dwFlags & DDPF_PALETTEINDEXED8, 0u);

    DebugOutputCapture capture;
    hr = manager->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00808080, 1.0f, 0);
    EXPECT_EQ(Hex(hr), Hex(DXMGRERR_UNSUPPORTEDPIXELFORMAT));
    EXPECT_EQ(capture.Lines(), Lines({"DXMgr: Clear: Unsupported pixel format\n"}));
}

TEST_F(DXMgrFullScreen, ReleasingAFullScreenManager_GivesBackEveryInterface)
{
    TestWindow window(64, 48);
    Ref<IDXMgr> manager(InitializedManager(window.Handle()));
    ASSERT_TRUE(manager);
    DXMGRENABLE enable = FullScreenEnable(window.Handle(), DXMGREF_3D | DXMGREF_ZBUFFER);
    ASSERT_EQ(manager->Enable(&enable), S_OK);
    IDirectDraw4* pDD = nullptr;
    ASSERT_EQ(manager->GetDirectDraw(&pDD), S_OK);

    EXPECT_EQ(manager.Detach()->Release(), 0u);
    // Every surface holds its DirectDraw object; none may be left behind.
    EXPECT_EQ(pDD->Release(), 0u);
}
