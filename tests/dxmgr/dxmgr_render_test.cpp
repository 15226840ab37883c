// DXMgr against Wine's real DirectDraw and Direct3D: what Enable builds, what
// Clear and Update put on the screen, and what destruction gives back.
#include "dxmgr/dxmgr.h"
#include "tests/dxmgr/dxmgr_test_support.h"
#include "tests/support/wait_scale.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

int64_t UlpDistance(float a, float b)
{
    int32_t ia, ib;
    std::memcpy(&ia, &a, sizeof(ia));
    std::memcpy(&ib, &b, sizeof(ib));
    // Map the sign-magnitude bit patterns onto one ordered integer line.
    if (ia < 0)
        ia = INT32_MIN - ia;
    if (ib < 0)
        ib = INT32_MIN - ib;
    return std::llabs(int64_t(ia) - int64_t(ib));
}

#define EXPECT_FLOAT_ULPS(actual, expected)                                                                   \
    EXPECT_LE(UlpDistance((actual), (expected)), 4)                                                           \
        << #actual " is " << (actual) << ", expected " << (expected)

// The pixel values of a fill colour in the two formats a desktop here has.
// Other formats are not expected on this test bed.
bool KnownFillValue(const DDPIXELFORMAT& ddpf, D3DCOLOR color, DWORD* pValue)
{
    if (ddpf.dwRBitMask == 0xFF0000 && ddpf.dwGBitMask == 0x00FF00 && ddpf.dwBBitMask == 0x0000FF) {
        *pValue = color & 0xFFFFFF;
        return true;
    }
    if (ddpf.dwRBitMask == 0xF800 && ddpf.dwGBitMask == 0x07E0 && ddpf.dwBBitMask == 0x001F) {
        DWORD r = (color >> 16) & 0xFF, g = (color >> 8) & 0xFF, b = color & 0xFF;
        *pValue = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
        return true;
    }
    return false;
}

// Reads pixels of a surface through Lock, masked to the colour channels.
class LockedSurface {
public:
    explicit LockedSurface(IDirectDrawSurface4* pSurface) : m_pSurface(pSurface)
    {
        std::memset(&m_desc, 0, sizeof(m_desc));
        m_desc.dwSize = sizeof(m_desc);
        m_hr = pSurface->Lock(nullptr, &m_desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr);
    }
    ~LockedSurface()
    {
        if (SUCCEEDED(m_hr))
            m_pSurface->Unlock(nullptr);
    }
    HRESULT Result() const { return m_hr; }
    const DDSURFACEDESC2& Desc() const { return m_desc; }

    DWORD Pixel(DWORD x, DWORD y) const
    {
        const BYTE* pRow = static_cast<const BYTE*>(m_desc.lpSurface) + y * m_desc.lPitch;
        const DDPIXELFORMAT& ddpf = m_desc.ddpfPixelFormat;
        DWORD dwMask = ddpf.dwRBitMask | ddpf.dwGBitMask | ddpf.dwBBitMask;
        DWORD dwValue = 0;
        switch (ddpf.dwRGBBitCount) {
        case 16: dwValue = reinterpret_cast<const WORD*>(pRow)[x]; break;
        case 24: dwValue = pRow[3 * x] | (pRow[3 * x + 1] << 8) | (pRow[3 * x + 2] << 16); break;
        case 32: dwValue = reinterpret_cast<const DWORD*>(pRow)[x]; break;
        default: ADD_FAILURE() << "unexpected depth " << ddpf.dwRGBBitCount;
        }
        return dwValue & dwMask;
    }

private:
    IDirectDrawSurface4* m_pSurface;
    DDSURFACEDESC2 m_desc;
    HRESULT m_hr;
};

bool IsNear(COLORREF actual, COLORREF expected, int tolerance = 8)
{
    return std::abs(int(GetRValue(actual)) - int(GetRValue(expected))) <= tolerance
           && std::abs(int(GetGValue(actual)) - int(GetGValue(expected))) <= tolerance
           && std::abs(int(GetBValue(actual)) - int(GetBValue(expected))) <= tolerance;
}

// Waits, with a bound, for a client-area pixel of the window to show the
// colour; returns the last value read.
COLORREF WaitForWindowPixel(HWND hwnd, int x, int y, COLORREF expected)
{
    COLORREF actual = CLR_INVALID;
    DWORD dwStart = GetTickCount();
    do {
        PumpMessages();
        HDC hdc = GetDC(hwnd);
        actual = GetPixel(hdc, x, y);
        ReleaseDC(hwnd, hdc);
        if (IsNear(actual, expected))
            break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    } while (GetTickCount() - dwStart < ScaledWait(3000));
    return actual;
}

std::string Rgb(COLORREF c)
{
    char text[32];
    std::snprintf(text, sizeof(text), "(%u, %u, %u)", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

} // namespace

TEST(DXMgrRender, Windowed3DEnable_BuildsClientSizedTargetDeviceViewportAndProjection)
{
    TestWindow window(200, 150);
    Ref<IDXMgr> manager(EnabledManager(window.Handle(), DXMGREF_3D));
    ASSERT_TRUE(manager);

    DXMGRENABLEINFO info;
    ASSERT_EQ(manager->GetEnableInfo(&info), S_OK);
    EXPECT_EQ(info.dwWidth, 200u);
    EXPECT_EQ(info.dwHeight, 150u);
    EXPECT_EQ(info.ddpfPrimary.dwRGBBitCount, info.dwDisplayBPP);
    EXPECT_TRUE(IsEqualGUID(info.guidDevice, IID_IDirect3DHALDevice))
        << "Wine's HAL device has perspective texturing and should be chosen first";

    Ref<IDirectDrawSurface4> back;
    ASSERT_EQ(manager->GetBackBuffer(back.Out()), S_OK);
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof(desc);
    ASSERT_EQ(back->GetSurfaceDesc(&desc), S_OK);
    EXPECT_EQ(desc.dwWidth, 200u);
    EXPECT_EQ(desc.dwHeight, 150u);
    EXPECT_NE(desc.ddsCaps.dwCaps & DDSCAPS_3DDEVICE, 0u) << "caps " << std::hex << desc.ddsCaps.dwCaps;
    EXPECT_NE(desc.ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY, 0u) << "caps " << std::hex << desc.ddsCaps.dwCaps;

    Ref<IDirect3DDevice3> device;
    ASSERT_EQ(manager->GetDirect3DDevice(device.Out()), S_OK);
    ASSERT_TRUE(device);

    Ref<IDirect3DViewport3> viewport;
    ASSERT_EQ(device->GetCurrentViewport(viewport.Out()), S_OK);
    D3DVIEWPORT2 vp = {};
    vp.dwSize = sizeof(vp);
    ASSERT_EQ(viewport->GetViewport2(&vp), S_OK);
    EXPECT_EQ(vp.dwWidth, 200u);
    EXPECT_EQ(vp.dwHeight, 150u);
    EXPECT_FLOAT_ULPS(vp.dvClipX, -1.0f);
    EXPECT_FLOAT_ULPS(vp.dvClipY, 0.75f);
    EXPECT_FLOAT_ULPS(vp.dvClipWidth, 2.0f);
    EXPECT_FLOAT_ULPS(vp.dvClipHeight, 1.5f);

    D3DMATRIX m;
    ASSERT_EQ(device->GetTransform(D3DTRANSFORMSTATE_PROJECTION, &m), S_OK);
    const float expected[4][4] = {{0.7071068f, 0, 0, 0},
                                  {0, 0.7071068f, 0, 0},
                                  {0, 0, 0.7856742f, 0.7071068f},
                                  {0, 0, -0.7856742f, 0}};
    const float actual[4][4] = {{m._11, m._12, m._13, m._14},
                                {m._21, m._22, m._23, m._24},
                                {m._31, m._32, m._33, m._34},
                                {m._41, m._42, m._43, m._44}};
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
            EXPECT_LE(UlpDistance(actual[row][col], expected[row][col]), 4)
                << "_" << row + 1 << col + 1 << " is " << actual[row][col] << ", expected " << expected[row][col];

    EXPECT_EQ(manager->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), S_OK);
    ASSERT_EQ(device->BeginScene(), S_OK);
    EXPECT_EQ(device->EndScene(), S_OK);
    EXPECT_EQ(manager->Update(0, nullptr), S_OK);
}

TEST(DXMgrRender, ZBufferWith3D_AttachesSixteenBitBufferThatClears)
{
    TestWindow window(96, 64);
    Ref<IDXMgr> manager(EnabledManager(window.Handle(), DXMGREF_3D | DXMGREF_ZBUFFER));
    ASSERT_TRUE(manager);

    Ref<IDirectDrawSurface4> zbuffer;
    ASSERT_EQ(manager->GetZBuffer(zbuffer.Out()), S_OK);
    ASSERT_TRUE(zbuffer);
    DXMGRENABLEINFO info;
    ASSERT_EQ(manager->GetEnableInfo(&info), S_OK);
    EXPECT_EQ(info.ddpfZBuffer.dwZBufferBitDepth, 16u);
    EXPECT_NE(info.ddpfZBuffer.dwFlags & DDPF_ZBUFFER, 0u);

    HRESULT hr = manager->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00102030, 1.0f, 0);
    EXPECT_EQ(hr, S_OK) << Hex(hr);
}

TEST(DXMgrRender, ZBufferFlagWithout3D_MakesNoZBuffer)
{
    TestWindow window(64, 48);
    Ref<IDXMgr> manager(EnabledManager(window.Handle(), DXMGREF_ZBUFFER));
    ASSERT_TRUE(manager);
    IDirectDrawSurface4* pZBuffer = reinterpret_cast<IDirectDrawSurface4*>(1);
    ASSERT_EQ(manager->GetZBuffer(&pZBuffer), S_OK);
    EXPECT_EQ(pZBuffer, nullptr);
}

TEST(DXMgrRender, RequestedSoftwareDevice_IsUsedAndReportsItsSoftwareCaps)
{
    TestWindow window(64, 48);
    Ref<IDXMgr> manager(InitializedManager(window.Handle()));
    ASSERT_TRUE(manager);
    DXMGRENABLE enable = WindowedEnable(window.Handle(), DXMGREF_3D | DXMGREF_DEVICE);
    enable.guidDevice = IID_IDirect3DRGBDevice;
    HRESULT hr = manager->Enable(&enable);
    ASSERT_EQ(hr, S_OK) << Hex(hr);

    DXMGRENABLEINFO info;
    ASSERT_EQ(manager->GetEnableInfo(&info), S_OK);
    EXPECT_TRUE(IsEqualGUID(info.guidDevice, IID_IDirect3DRGBDevice));

    Ref<IDirect3DDevice3> device;
    ASSERT_EQ(manager->GetDirect3DDevice(device.Out()), S_OK);
    D3DDEVICEDESC hardware = {}, software = {};
    hardware.dwSize = software.dwSize = sizeof(D3DDEVICEDESC);
    ASSERT_EQ(device->GetCaps(&hardware, &software), S_OK);
    D3DDEVICEDESC caps;
    std::memset(&caps, 0xCC, sizeof(caps));
    ASSERT_EQ(manager->GetDeviceCaps(&caps), S_OK);
    EXPECT_EQ(std::memcmp(&caps, &software, sizeof(caps)), 0) << "GetDeviceCaps did not copy the software caps";
}

TEST(DXMgrRender, Windowed2DClear_FillsBackBufferWithThePrimaryFormatsPixel)
{
    TestWindow window(64, 48);
    Ref<IDXMgr> manager(EnabledManager(window.Handle(), 0));
    ASSERT_TRUE(manager);
    DXMGRENABLEINFO info;
    ASSERT_EQ(manager->GetEnableInfo(&info), S_OK);
    const D3DCOLOR color = 0x7FFF8040;  // the alpha byte must not reach the pixel
    DWORD dwExpected = 0;
    ASSERT_TRUE(KnownFillValue(info.ddpfPrimary, color, &dwExpected))
        << "primary masks " << std::hex << info.ddpfPrimary.dwRBitMask << " " << info.ddpfPrimary.dwGBitMask << " "
        << info.ddpfPrimary.dwBBitMask;

    HRESULT hr = manager->Clear(0, nullptr, D3DCLEAR_TARGET, color, 1.0f, 0);
    ASSERT_EQ(hr, S_OK) << Hex(hr);

    Ref<IDirectDrawSurface4> back;
    ASSERT_EQ(manager->GetBackBuffer(back.Out()), S_OK);
    LockedSurface pixels(back.Get());
    ASSERT_EQ(pixels.Result(), S_OK) << Hex(pixels.Result());
    EXPECT_EQ(pixels.Pixel(0, 0), dwExpected) << std::hex << "at (0, 0)";
    EXPECT_EQ(pixels.Pixel(63, 47), dwExpected) << std::hex << "at (63, 47)";
    EXPECT_EQ(pixels.Pixel(30, 20), dwExpected) << std::hex << "at (30, 20)";
}

TEST(DXMgrRender, Windowed2DClearWithRects_FillsOnlyThoseRects)
{
    TestWindow window(64, 48);
    Ref<IDXMgr> manager(EnabledManager(window.Handle(), 0));
    ASSERT_TRUE(manager);
    ASSERT_EQ(manager->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), S_OK);
    const D3DRECT rects[2] = {{0, 0, 10, 10}, {40, 30, 64, 48}};
    HRESULT hr = manager->Clear(2, rects, D3DCLEAR_TARGET, 0x00FFFFFF, 1.0f, 0);
    ASSERT_EQ(hr, S_OK) << Hex(hr);

    Ref<IDirectDrawSurface4> back;
    ASSERT_EQ(manager->GetBackBuffer(back.Out()), S_OK);
    LockedSurface pixels(back.Get());
    ASSERT_EQ(pixels.Result(), S_OK) << Hex(pixels.Result());
    const DDPIXELFORMAT& ddpf = pixels.Desc().ddpfPixelFormat;
    const DWORD dwWhite = ddpf.dwRBitMask | ddpf.dwGBitMask | ddpf.dwBBitMask;
    EXPECT_EQ(pixels.Pixel(9, 9), dwWhite) << std::hex << "inside the first rect";
    EXPECT_EQ(pixels.Pixel(10, 10), 0u) << std::hex << "right and below the first rect's exclusive edges";
    EXPECT_EQ(pixels.Pixel(40, 30), dwWhite) << std::hex << "inside the second rect";
    EXPECT_EQ(pixels.Pixel(39, 47), 0u) << std::hex << "left of the second rect";
}

TEST(DXMgrRender, WindowedUpdate_CopiesBackBufferIntoTheClientArea)
{
    TestWindow window(64, 48, 300, 200);
    Ref<IDXMgr> manager(EnabledManager(window.Handle(), 0));
    ASSERT_TRUE(manager);

    ASSERT_EQ(manager->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00FF0000, 1.0f, 0), S_OK);
    HRESULT hr = manager->Update(0, nullptr);
    ASSERT_EQ(hr, S_OK) << Hex(hr);
    COLORREF pixel = WaitForWindowPixel(window.Handle(), 50, 40, RGB(255, 0, 0));
    EXPECT_TRUE(IsNear(pixel, RGB(255, 0, 0))) << "client pixel " << Rgb(pixel) << " after the full update";

    // Only the left half is copied the second time.
    ASSERT_EQ(manager->Clear(0, nullptr, D3DCLEAR_TARGET, 0x000000FF, 1.0f, 0), S_OK);
    const RECT left = {0, 0, 32, 48};
    hr = manager->Update(0, &left);
    ASSERT_EQ(hr, S_OK) << Hex(hr);
    pixel = WaitForWindowPixel(window.Handle(), 5, 5, RGB(0, 0, 255));
    EXPECT_TRUE(IsNear(pixel, RGB(0, 0, 255))) << "left pixel " << Rgb(pixel);
    pixel = WaitForWindowPixel(window.Handle(), 50, 40, RGB(255, 0, 0));
    EXPECT_TRUE(IsNear(pixel, RGB(255, 0, 0))) << "right pixel " << Rgb(pixel) << " was outside the rectangle";

    // An empty rectangle copies nothing and is not an error.
    const RECT empty = {20, 0, 20, 48};
    EXPECT_EQ(manager->Update(DXMGRUF_NOWAIT, &empty), S_OK);
}

TEST(DXMgrRender, DisableThenEnable_ReturnsToInitializedAndEnablesAgain)
{
    TestWindow window(80, 60);
    Ref<IDXMgr> manager(EnabledManager(window.Handle(), DXMGREF_3D | DXMGREF_ZBUFFER));
    ASSERT_TRUE(manager);

    ASSERT_EQ(manager->Disable(0), S_OK);
    DWORD dwFlags = 0xFFFFFFFF;
    EXPECT_EQ(manager->GetFlags(DXMGRGF_ENABLE, &dwFlags), DXMGRERR_NOTENABLED);
    EXPECT_EQ(manager->GetFlags(DXMGRGF_INIT, &dwFlags), S_OK);
    EXPECT_EQ(dwFlags, 0u);
    Ref<IDirect3D3> d3d;
    EXPECT_EQ(manager->GetDirect3D(d3d.Out()), S_OK) << "Disable must keep the Direct3D object";

    DXMGRENABLE enable = WindowedEnable(window.Handle(), DXMGREF_3D | DXMGREF_ZBUFFER | 0x1000);
    HRESULT hr = manager->Enable(&enable);
    ASSERT_EQ(hr, S_OK) << Hex(hr);
    EXPECT_EQ(manager->GetFlags(DXMGRGF_ENABLE, &dwFlags), S_OK);
    EXPECT_EQ(dwFlags, DWORD(DXMGREF_3D | DXMGREF_ZBUFFER | 0x1000)) << "unknown bits are kept as given";
    Ref<IDirect3DDevice3> device;
    EXPECT_EQ(manager->GetDirect3DDevice(device.Out()), S_OK);
    hr = manager->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    EXPECT_EQ(hr, S_OK) << Hex(hr);
}

TEST(DXMgrRender, ReleasingAnEnabledManager_GivesBackEveryInterfaceWithoutDisable)
{
    TestWindow window(80, 60);
    Ref<IDXMgr> manager(EnabledManager(window.Handle(), DXMGREF_3D | DXMGREF_ZBUFFER));
    ASSERT_TRUE(manager);
    IDirect3DDevice3* pDevice = nullptr;
    IDirectDrawSurface4* pBack = nullptr;
    IDirectDraw4* pDD = nullptr;
    ASSERT_EQ(manager->GetDirect3DDevice(&pDevice), S_OK);
    ASSERT_EQ(manager->GetBackBuffer(&pBack), S_OK);
    ASSERT_EQ(manager->GetDirectDraw(&pDD), S_OK);

    EXPECT_EQ(manager.Detach()->Release(), 0u);

    // Only the references taken above remain; each goes with its release.
    EXPECT_EQ(pDevice->Release(), 0u) << "the manager kept a device reference";
    EXPECT_EQ(pBack->Release(), 0u) << "the manager kept a back buffer reference";
    EXPECT_EQ(pDD->Release(), 0u) << "the manager kept a DirectDraw reference";
}

TEST(DXMgrRender, FullScreenWhereTheModeCannotChange_FailsAndLeavesTheManagerUninitialized)
{
    // Bare Xvfb has no mode switching, so both surface attempts fail.
    DEVMODEA before = {};
    before.dmSize = sizeof(before);
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &before));
    TestWindow window(64, 48);
    Ref<IDXMgr> manager(InitializedManager(window.Handle()));
    ASSERT_TRUE(manager);
    DXMGRENABLE enable = WindowedEnable(window.Handle(), DXMGREF_FULLSCREEN | DXMGREF_3D);
    HRESULT hr = manager->Enable(&enable);
    if (hr == S_OK)
        GTEST_SKIP() << "this display can change modes";
    EXPECT_TRUE(FAILED(hr)) << Hex(hr);

    DWORD dwFlags = 0;
    EXPECT_EQ(manager->GetFlags(DXMGRGF_INIT, &dwFlags), DXMGRERR_NOTINITIALIZED);
    EXPECT_EQ(manager->Enable(&enable), DXMGRERR_NOTINITIALIZED);
    // Initialize may simply be called again.
    hr = manager->Initialize(nullptr, window.Handle(), 0);
    EXPECT_EQ(hr, S_OK) << Hex(hr);
    enable.dwFlags = 0;
    hr = manager->Enable(&enable);
    EXPECT_EQ(hr, S_OK) << Hex(hr);
    DEVMODEA mode = {};
    mode.dmSize = sizeof(mode);
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode));
    EXPECT_EQ(mode.dmPelsWidth, before.dmPelsWidth);
    EXPECT_EQ(mode.dmPelsHeight, before.dmPelsHeight);
    EXPECT_EQ(mode.dmBitsPerPel, before.dmBitsPerPel);
}
