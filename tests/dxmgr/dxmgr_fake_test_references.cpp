// References the manager hands out through its accessors, counted by the fake,
// and the lists that Initialize and Enable fill from DirectX's enumerations.
#include "tests/dxmgr/dxmgr_fake_fixture.h"

#include <gmock/gmock.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

namespace {

using ReferencesThroughFake = DXMgrWithFakeDirectX;

TEST_F(ReferencesThroughFake, EveryAccessorHandsOutOneReferenceOfItsOwn) {
    HRESULT hr = InitializeAndEnable(kWindowed3DZ);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    {
        Ref<IDirectDraw4> dd;
        Ref<IDirect3D3> d3d;
        Ref<IDirectDrawSurface4> primary, back, zbuffer;
        Ref<IDirect3DDevice3> device;
        ASSERT_EQ(S_OK, manager->GetDirectDraw(dd.Out()));
        ASSERT_EQ(S_OK, manager->GetDirect3D(d3d.Out()));
        ASSERT_EQ(S_OK, manager->GetPrimary(primary.Out()));
        ASSERT_EQ(S_OK, manager->GetBackBuffer(back.Out()));
        ASSERT_EQ(S_OK, manager->GetZBuffer(zbuffer.Out()));
        ASSERT_EQ(S_OK, manager->GetDirect3DDevice(device.Out()));

        EXPECT_THAT(fake.LiveObjects(), UnorderedElementsAre("IDirectDraw4 of DirectDraw object 2 count 2",
                                                             "IDirect3D3 of DirectDraw object 2 count 2",
                                                             "IDirectDrawSurface4[primary] count 2",
                                                             "IDirectDrawSurface4[back] count 2",
                                                             "IDirectDrawSurface4[zbuffer] count 2",
                                                             "IDirect3DDevice3[device] count 2",
                                                             "IDirectDrawClipper[clipper] count 1",
                                                             "IDirect3DViewport3[viewport] count 1"));
    }
    EXPECT_THAT(fake.LiveObjects(), UnorderedElementsAre("IDirectDraw4 of DirectDraw object 2 count 1",
                                                         "IDirect3D3 of DirectDraw object 2 count 1",
                                                         "IDirectDrawSurface4[primary] count 1",
                                                         "IDirectDrawSurface4[back] count 1",
                                                         "IDirectDrawSurface4[zbuffer] count 1",
                                                         "IDirect3DDevice3[device] count 1",
                                                         "IDirectDrawClipper[clipper] count 1",
                                                         "IDirect3DViewport3[viewport] count 1"));
}

TEST_F(ReferencesThroughFake, DirectDrawFromTheManagerOutlivesTheManager) {
    ASSERT_EQ(S_OK, Initialize());
    Ref<IDirectDraw4> dd;
    ASSERT_EQ(S_OK, manager->GetDirectDraw(dd.Out()));
    manager.Reset();

    EXPECT_THAT(fake.LiveObjects(), ElementsAre("IDirectDraw4 of DirectDraw object 2 count 1"));
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof desc;
    HRESULT hr = dd->GetDisplayMode(&desc);
    EXPECT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_THAT(fake.Faults(), IsEmpty());
}

TEST_F(ReferencesThroughFake, FullScreenBackBufferFromTheAccessorIsTheCallersToRelease) {
    HRESULT hr = InitializeAndEnable(kFullScreen3DZ);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    Ref<IDirectDrawSurface4> back;
    ASSERT_EQ(S_OK, manager->GetBackBuffer(back.Out()));
    back.Reset();
    ASSERT_EQ(S_OK, manager->Disable(0));
    EXPECT_THAT(fake.LiveObjects(), ElementsAre("IDirectDraw4 of DirectDraw object 2 count 1",
                                                "IDirect3D3 of DirectDraw object 2 count 1"));
}

TEST_F(ReferencesThroughFake, FlipToGDISurfaceNeedsOnlyAnInitializedManager) {
    ASSERT_EQ(S_OK, Initialize());
    HRESULT hr = manager->FlipToGDISurface();
    EXPECT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_THAT(fake.Calls(), ElementsAre("IDirectDraw4::FlipToGDISurface()"));
}

// ---------------------------------------------------------------- lists

std::vector<DDPIXELFORMAT> ManyTextureFormats(DWORD count, DWORD firstMask) {
    std::vector<DDPIXELFORMAT> formats;
    for (DWORD i = 0; i < count; ++i) formats.push_back(FakeTextureFormat(16, firstMask + i, 0, 0, 0));
    return formats;
}

std::vector<DWORD> TextureFormatTags(IDXMgr* manager) {
    std::vector<DWORD> tags;
    Ref<IEnumPixelFormats> formats;
    HRESULT hr = manager->CreateEnumTextureFormats(formats.Out(), 0);
    EXPECT_EQ(S_OK, hr) << Hex(hr);
    if (FAILED(hr)) return tags;
    DDPIXELFORMAT format;
    ULONG fetched = 0;
    while (formats->Next(1, &format, &fetched) == S_OK && fetched == 1) tags.push_back(format.dwRBitMask);
    return tags;
}

TEST_F(ReferencesThroughFake, TextureFormatListGrowsPastManyDoublingsInOrder) {
    fake.textureFormats = ManyTextureFormats(37, 0x100);
    HRESULT hr = InitializeAndEnable(kWindowed3D);
    ASSERT_EQ(S_OK, hr) << Hex(hr);

    std::vector<DWORD> tags = TextureFormatTags(manager.Get());
    ASSERT_EQ(37u, tags.size());
    for (DWORD i = 0; i < 37; ++i) EXPECT_EQ(0x100 + i, tags[i]) << "format " << i;
}

TEST_F(ReferencesThroughFake, SecondEnableRefillsTheTextureFormatListFromTheStart) {
    fake.textureFormats = ManyTextureFormats(5, 0x100);
    HRESULT hr = InitializeAndEnable(kWindowed3D);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    ASSERT_EQ(S_OK, manager->Disable(0));

    fake.textureFormats = ManyTextureFormats(2, 0x200);
    DXMGRENABLE enable = EnableRecord(kWindowed3D);
    hr = manager->Enable(&enable);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    EXPECT_THAT(TextureFormatTags(manager.Get()), ElementsAre(0x200u, 0x201u));
}

TEST_F(ReferencesThroughFake, ManyDisplayModesReportedBackwardsComeOutSorted) {
    fake.displayModes.clear();
    for (DWORD width = 1600; width >= 320; width -= 32) {
        fake.displayModes.push_back({width, 600, 32, 60});
        fake.displayModes.push_back({width, 600, 16, 60});
    }
    ASSERT_EQ(S_OK, Initialize());

    Ref<IEnumDisplayModes> modes;
    HRESULT hr = manager->CreateEnumDisplayModes(modes.Out(), 0);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    std::vector<DXMGRDISPLAYMODE> got(fake.displayModes.size() + 1);
    ULONG fetched = 0;
    modes->Next(static_cast<ULONG>(got.size()), got.data(), &fetched);
    ASSERT_EQ(fake.displayModes.size(), fetched);
    for (ULONG i = 1; i < fetched; ++i) {
        const DXMGRDISPLAYMODE& a = got[i - 1];
        const DXMGRDISPLAYMODE& b = got[i];
        EXPECT_TRUE(a.dwWidth < b.dwWidth || (a.dwWidth == b.dwWidth && a.dwBPP < b.dwBPP))
            << "mode " << i << ": " << a.dwWidth << "x" << a.dwBPP << " before " << b.dwWidth << "x" << b.dwBPP;
    }
}

}  // namespace
