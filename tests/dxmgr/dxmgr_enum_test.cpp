// The four enumeration operations of IDXMgr on Wine's real DirectDraw and
// Direct3D: what they list, and their argument and state checks in order.
#include "dxmgr/dxmgr.h"
#include "tests/support/debug_output_capture.h"
#include "tests/dxmgr/dxmgr_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <tuple>
#include <vector>

namespace {

// {0BADF00D-1234-4321-ABCD-0123456789AB}: no Direct3D device has it.
const GUID kUnknownDevice = {0x0badf00d, 0x1234, 0x4321, {0xab, 0xcd, 0x01, 0x23, 0x45, 0x67, 0x89, 0xab}};

bool IsAllZero(const GUID& guid)
{
    static const GUID zero = {};
    return std::memcmp(&guid, &zero, sizeof guid) == 0;
}

bool SameFormats(const std::vector<DDPIXELFORMAT>& a, const std::vector<DDPIXELFORMAT>& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](const auto& x, const auto& y) {
               return SameBytes(x, y);
           });
}

HRESULT CALLBACK CollectFormat(DDPIXELFORMAT* pddpf, void* pContext)
{
    static_cast<std::vector<DDPIXELFORMAT>*>(pContext)->push_back(*pddpf);
    return D3DENUMRET_OK;
}

// What Direct3D itself reports for a device, for comparison.
std::vector<DDPIXELFORMAT> ZBufferFormatsFromDirect3D(IDXMgr* mgr, const GUID& device)
{
    std::vector<DDPIXELFORMAT> formats;
    Ref<IDirect3D3> d3d;
    EXPECT_EQ(S_OK, mgr->GetDirect3D(d3d.Out()));
    if (d3d) {
        const HRESULT hr = d3d->EnumZBufferFormats(device, CollectFormat, &formats);
        EXPECT_EQ(S_OK, hr) << "EnumZBufferFormats returned " << Hex(hr);
    }
    return formats;
}

bool ModeLess(const DXMGRDISPLAYMODE& a, const DXMGRDISPLAYMODE& b)
{
    return std::tie(a.dwWidth, a.dwHeight, a.dwBPP, a.dwRefreshRate) <
           std::tie(b.dwWidth, b.dwHeight, b.dwBPP, b.dwRefreshRate);
}

HRESULT CALLBACK CollectMode(LPDDSURFACEDESC2 pddsd, LPVOID pContext)
{
    DXMGRDISPLAYMODE mode = {pddsd->dwWidth, pddsd->dwHeight, pddsd->ddpfPixelFormat.dwRGBBitCount,
                             pddsd->dwRefreshRate};
    static_cast<std::vector<DXMGRDISPLAYMODE>*>(pContext)->push_back(mode);
    return DDENUMRET_OK;
}

// ---------------------------------------------------------------------------
// CreateEnumDirectDraws

TEST(CreateEnumDirectDraws, FirstRecordIsDisplayDriverWithZeroGuid)
{
    Ref<IDXMgr> mgr(CreateManager());
    ASSERT_TRUE(mgr);
    Ref<IEnumDirectDraws> drivers;
    HRESULT hr = mgr->CreateEnumDirectDraws(drivers.Out(), 0);  // never initialized
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    ASSERT_TRUE(drivers);

    DXMGRDIRECTDRAW first = {};
    ULONG cFetched = 99;
    hr = drivers->Next(1, &first, &cFetched);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    ASSERT_EQ(1u, cFetched);
    EXPECT_TRUE(IsAllZero(first.guidDriver)) << GuidText(first.guidDriver);
    ASSERT_NE(nullptr, first.pszName);
    ASSERT_NE(nullptr, first.pszDescription);
    EXPECT_STRNE("", first.pszDescription);
}

TEST(CreateEnumDirectDraws, AcceptsEveryDirectDrawFlagAndRefusesOthers)
{
    Ref<IDXMgr> mgr(CreateManager());
    ASSERT_TRUE(mgr);
    Ref<IEnumDirectDraws> drivers;
    HRESULT hr = mgr->CreateEnumDirectDraws(drivers.Out(), 0x7);
    EXPECT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_TRUE(drivers);

    IEnumDirectDraws* untouched = reinterpret_cast<IEnumDirectDraws*>(0x1234);
    DebugOutputCapture capture;
    hr = mgr->CreateEnumDirectDraws(&untouched, 0x8);
    EXPECT_EQ(E_INVALIDARG, hr) << Hex(hr);
    EXPECT_EQ(reinterpret_cast<IEnumDirectDraws*>(0x1234), untouched);
    EXPECT_EQ(std::vector<std::string>{"DXMgr: CreateEnumDirectDraws: Invalid flags\n"}, capture.Lines())
        << capture.Text();

    capture.Clear();
    hr = mgr->CreateEnumDirectDraws(nullptr, 0x8);  // the pointer is checked first
    EXPECT_EQ(E_POINTER, hr) << Hex(hr);
    EXPECT_EQ(std::vector<std::string>{"DXMgr: CreateEnumDirectDraws: Invalid pointer\n"}, capture.Lines())
        << capture.Text();
}

TEST(CreateEnumDirectDraws, DisplayDriverGuidInitializesLikeNull)
{
    TestWindow window, otherWindow;
    Ref<IDXMgr> byNull(InitializedManager(otherWindow.Handle()));
    ASSERT_TRUE(byNull);

    Ref<IDXMgr> byGuid(CreateManager());
    ASSERT_TRUE(byGuid);
    Ref<IEnumDirectDraws> drivers;
    ASSERT_EQ(S_OK, byGuid->CreateEnumDirectDraws(drivers.Out(), 0));
    DXMGRDIRECTDRAW display = {};
    ASSERT_EQ(S_OK, drivers->Next(1, &display, nullptr));
    const HRESULT hr = byGuid->Initialize(&display.guidDriver, window.Handle(), 0);
    ASSERT_EQ(S_OK, hr) << Hex(hr);

    // Same driver: same display modes, and a usable Direct3D object.
    const std::vector<DXMGRDISPLAYMODE> a = DisplayModesOf(byNull.Get());
    const std::vector<DXMGRDISPLAYMODE> b = DisplayModesOf(byGuid.Get());
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(0, std::memcmp(a.data(), b.data(), a.size() * sizeof(DXMGRDISPLAYMODE)));
    Ref<IDirect3D3> d3d;
    EXPECT_EQ(S_OK, byGuid->GetDirect3D(d3d.Out()));
}

// ---------------------------------------------------------------------------
// CreateEnumDisplayModes

TEST(CreateEnumDisplayModes, ListsEveryDriverModeSorted)
{
    TestWindow window;
    Ref<IDXMgr> mgr(InitializedManager(window.Handle()));
    ASSERT_TRUE(mgr);
    Ref<IEnumDisplayModes> modes;
    const HRESULT hr = mgr->CreateEnumDisplayModes(modes.Out(), 0);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    const std::vector<DXMGRDISPLAYMODE> listed = ReadAll<IEnumDisplayModes, DXMGRDISPLAYMODE>(modes.Get());

    std::vector<DXMGRDISPLAYMODE> reported;
    Ref<IDirectDraw4> dd;
    ASSERT_EQ(S_OK, mgr->GetDirectDraw(dd.Out()));
    ASSERT_EQ(S_OK, dd->EnumDisplayModes(DDEDM_REFRESHRATES, nullptr, &reported, CollectMode));
    ASSERT_FALSE(reported.empty());

    ASSERT_EQ(reported.size(), listed.size());
    for (size_t i = 1; i < listed.size(); ++i) {
        EXPECT_FALSE(ModeLess(listed[i], listed[i - 1]))
            << "mode " << i << " (" << listed[i].dwWidth << "x" << listed[i].dwHeight << "x" << listed[i].dwBPP
            << "@" << listed[i].dwRefreshRate << ") comes after a larger one";
    }
    std::stable_sort(reported.begin(), reported.end(), ModeLess);
    for (size_t i = 0; i < listed.size(); ++i) EXPECT_TRUE(SameBytes(reported[i], listed[i])) << "mode " << i;
}

TEST(CreateEnumDisplayModes, ChecksPointerThenStateThenFlags)
{
    TestWindow window;
    Ref<IDXMgr> mgr(CreateManager());
    ASSERT_TRUE(mgr);
    DebugOutputCapture capture;
    IEnumDisplayModes* untouched = nullptr;

    EXPECT_EQ(E_POINTER, mgr->CreateEnumDisplayModes(nullptr, 1));
    EXPECT_EQ(DXMGRERR_NOTINITIALIZED, mgr->CreateEnumDisplayModes(&untouched, 1));
    ASSERT_EQ(S_OK, mgr->Initialize(nullptr, window.Handle(), 0));
    EXPECT_EQ(E_INVALIDARG, mgr->CreateEnumDisplayModes(&untouched, 1));
    EXPECT_EQ(nullptr, untouched);

    const std::vector<std::string> expected = {"DXMgr: CreateEnumDisplayModes: Invalid pointer\n",
                                               "DXMgr: CreateEnumDisplayModes: Not initialized\n",
                                               "DXMgr: CreateEnumDisplayModes: Invalid flags\n"};
    EXPECT_EQ(expected, capture.Lines()) << capture.Text();
}

// ---------------------------------------------------------------------------
// CreateEnumTextureFormats

TEST(CreateEnumTextureFormats, ListsTheDeviceFormatsAfter3DEnable)
{
    TestWindow window;
    Ref<IDXMgr> mgr(EnabledManager(window.Handle(), DXMGREF_3D));
    ASSERT_TRUE(mgr);
    Ref<IEnumPixelFormats> formats;
    const HRESULT hr = mgr->CreateEnumTextureFormats(formats.Out(), 0);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    const std::vector<DDPIXELFORMAT> listed = ReadAll<IEnumPixelFormats, DDPIXELFORMAT>(formats.Get());

    std::vector<DDPIXELFORMAT> reported;
    Ref<IDirect3DDevice3> device;
    ASSERT_EQ(S_OK, mgr->GetDirect3DDevice(device.Out()));
    ASSERT_EQ(S_OK, device->EnumTextureFormats(CollectFormat, &reported));
    ASSERT_FALSE(reported.empty());
    EXPECT_TRUE(SameFormats(reported, listed)) << reported.size() << " reported, " << listed.size() << " listed";
}

TEST(CreateEnumTextureFormats, ChecksPointerThenEnabledThenFlagsThen3D)
{
    TestWindow window;
    Ref<IDXMgr> mgr(CreateManager());
    ASSERT_TRUE(mgr);
    DebugOutputCapture capture;
    IEnumPixelFormats* untouched = nullptr;

    EXPECT_EQ(E_POINTER, mgr->CreateEnumTextureFormats(nullptr, 1));
    EXPECT_EQ(DXMGRERR_NOTENABLED, mgr->CreateEnumTextureFormats(&untouched, 1));  // uninitialized
    ASSERT_EQ(S_OK, mgr->Initialize(nullptr, window.Handle(), 0));
    EXPECT_EQ(DXMGRERR_NOTENABLED, mgr->CreateEnumTextureFormats(&untouched, 0));
    const DXMGRENABLE enable = WindowedEnable(window.Handle(), 0);
    ASSERT_EQ(S_OK, mgr->Enable(&enable));
    EXPECT_EQ(E_INVALIDARG, mgr->CreateEnumTextureFormats(&untouched, 1));
    EXPECT_EQ(DXMGRERR_3DREQUIRED, mgr->CreateEnumTextureFormats(&untouched, 0));
    EXPECT_EQ(nullptr, untouched);

    const std::vector<std::string> expected = {"DXMgr: CreateEnumTextureFormats: Invalid pointer\n",
                                               "DXMgr: CreateEnumTextureFormats: Not enabled\n",
                                               "DXMgr: CreateEnumTextureFormats: Not enabled\n",
                                               "DXMgr: CreateEnumTextureFormats: Invalid flags\n",
                                               "DXMgr: CreateEnumTextureFormats: 3D required\n"};
    EXPECT_EQ(expected, capture.Lines()) << capture.Text();
}

// ---------------------------------------------------------------------------
// CreateEnumZBufferFormats

TEST(CreateEnumZBufferFormats, ListsNamedDevicesOnInitializedObjectAndLeavesItsListAlone)
{
    TestWindow window;
    Ref<IDXMgr> mgr(InitializedManager(window.Handle()));
    ASSERT_TRUE(mgr);

    for (const GUID* device : {&IID_IDirect3DHALDevice, &IID_IDirect3DRGBDevice}) {
        SCOPED_TRACE(GuidText(*device));
        Ref<IEnumPixelFormats> formats;
        const HRESULT hr = mgr->CreateEnumZBufferFormats(formats.Out(), device, 0);
        ASSERT_EQ(S_OK, hr) << Hex(hr);
        const std::vector<DDPIXELFORMAT> listed = ReadAll<IEnumPixelFormats, DDPIXELFORMAT>(formats.Get());
        const std::vector<DDPIXELFORMAT> reported = ZBufferFormatsFromDirect3D(mgr.Get(), *device);
        EXPECT_FALSE(listed.empty());
        EXPECT_TRUE(SameFormats(reported, listed)) << reported.size() << " reported, " << listed.size() << " listed";
        for (const DDPIXELFORMAT& f : listed) EXPECT_NE(0u, f.dwFlags & DDPF_ZBUFFER) << Hex(f.dwFlags);
    }

    // The object's own list was never filled and still is not: an Enable
    // without a Z-buffer leaves it alone, and a null device then gets it.
    const DXMGRENABLE enable = WindowedEnable(window.Handle(), DXMGREF_3D);
    ASSERT_EQ(S_OK, mgr->Enable(&enable));
    EXPECT_TRUE(OwnZBufferFormatsOf(mgr.Get()).empty());
}

TEST(CreateEnumZBufferFormats, OtherDevicesLeaveEnabledObjectsListExactlyAsItWas)
{
    TestWindow window;
    Ref<IDXMgr> mgr(EnabledManager(window.Handle(), DXMGREF_3D | DXMGREF_ZBUFFER));
    ASSERT_TRUE(mgr);
    const GUID chosen = EnabledDeviceOf(mgr.Get());
    const GUID& other = IsEqualGUID(chosen, IID_IDirect3DRGBDevice) ? IID_IDirect3DHALDevice : IID_IDirect3DRGBDevice;
    const std::vector<DDPIXELFORMAT> ownFormats = OwnZBufferFormatsOf(mgr.Get());
    ASSERT_FALSE(ownFormats.empty());

    // Another device's formats, and a device Direct3D does not know (Wine
    // answers that with success and its default formats; a refusal is
    // covered with the fake DirectDraw).
    for (const GUID* device : {&other, &kUnknownDevice}) {
        SCOPED_TRACE(GuidText(*device));
        Ref<IEnumPixelFormats> formats;
        DebugOutputCapture capture;
        const HRESULT hr = mgr->CreateEnumZBufferFormats(formats.Out(), device, 0);
        const std::string lines = capture.Text();
        EXPECT_EQ("", lines);
        if (SUCCEEDED(hr)) {
            EXPECT_TRUE(SameFormats(ZBufferFormatsFromDirect3D(mgr.Get(), *device),
                                    ReadAll<IEnumPixelFormats, DDPIXELFORMAT>(formats.Get())));
        }
        EXPECT_TRUE(device == &kUnknownDevice || hr == S_OK) << Hex(hr);
    }

    // The own list is what a null device still gets, and so does the
    // device Enable chose, named explicitly.
    for (const GUID* device : {static_cast<const GUID*>(nullptr), &chosen}) {
        Ref<IEnumPixelFormats> own;
        const HRESULT hr = mgr->CreateEnumZBufferFormats(own.Out(), device, 0);
        ASSERT_EQ(S_OK, hr) << Hex(hr);
        EXPECT_TRUE(SameFormats(ownFormats, ReadAll<IEnumPixelFormats, DDPIXELFORMAT>(own.Get())));
    }
}

TEST(CreateEnumZBufferFormats, ChecksArgumentsAndStateInOrder)
{
    TestWindow window;
    Ref<IDXMgr> mgr(CreateManager());
    ASSERT_TRUE(mgr);
    DebugOutputCapture capture;
    IEnumPixelFormats* untouched = nullptr;

    EXPECT_EQ(E_POINTER, mgr->CreateEnumZBufferFormats(nullptr, nullptr, 1));
    EXPECT_EQ(DXMGRERR_NOTINITIALIZED, mgr->CreateEnumZBufferFormats(&untouched, &IID_IDirect3DRGBDevice, 1));
    ASSERT_EQ(S_OK, mgr->Initialize(nullptr, window.Handle(), 0));
    EXPECT_EQ(E_INVALIDARG, mgr->CreateEnumZBufferFormats(&untouched, nullptr, 1));
    EXPECT_EQ(DXMGRERR_NOTENABLED, mgr->CreateEnumZBufferFormats(&untouched, nullptr, 0));
    EXPECT_EQ(E_POINTER, mgr->CreateEnumZBufferFormats(&untouched, reinterpret_cast<const GUID*>(8), 0));
    const DXMGRENABLE enable = WindowedEnable(window.Handle(), 0);
    ASSERT_EQ(S_OK, mgr->Enable(&enable));
    EXPECT_EQ(DXMGRERR_3DREQUIRED, mgr->CreateEnumZBufferFormats(&untouched, nullptr, 0));
    EXPECT_EQ(nullptr, untouched);

    const std::vector<std::string> expected = {"DXMgr: CreateEnumZBufferFormats: Invalid pointer\n",
                                               "DXMgr: CreateEnumZBufferFormats: Not initialized \n",
                                               "DXMgr: CreateEnumZBufferFormats: Invalid flags\n",
                                               "DXMgr: CreateEnumZBufferFormats: Not enabled\n",
                                               "DXMgr: CreateEnumZBufferFormats: Invalid pointer\n",
                                               "DXMgr: CreateEnumZBufferFormats: 3D required\n"};
    EXPECT_EQ(expected, capture.Lines()) << capture.Text();
}

}  // namespace
