// The fake DirectDraw itself: what DXMgr's tests rely on it for.
#include "tests/support/fake_directdraw/fake_directdraw.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

struct ComPtrRelease {
    template <class T> void operator()(T* p) const { if (p) p->Release(); }
};

class FakeDirectDraw : public ::testing::Test {
protected:
    FakeDirectX fake;
    FakeDirectDrawRegistration registration{fake};

    void SetUp() override {
        ASSERT_EQ(S_OK, registration.Result()) << HResultText(registration.Result());
    }

    // A DirectDraw object through COM, as DXMgr makes it, initialised.
    IDirectDraw4* CreateInitialized() {
        IDirectDraw* dd = nullptr;
        HRESULT hr = CoCreateInstance(CLSID_DirectDraw, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectDraw,
                                      reinterpret_cast<void**>(&dd));
        EXPECT_EQ(S_OK, hr) << HResultText(hr);
        if (FAILED(hr)) return nullptr;
        IDirectDraw4* dd4 = nullptr;
        hr = dd->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&dd4));
        dd->Release();
        EXPECT_EQ(S_OK, hr) << HResultText(hr);
        hr = dd4->Initialize(nullptr);
        EXPECT_EQ(S_OK, hr) << HResultText(hr);
        return dd4;
    }
};

TEST_F(FakeDirectDraw, CoCreateInstanceReachesTheFakeAndRecordsEachCall) {
    IDirectDraw4* dd4 = CreateInitialized();
    ASSERT_NE(nullptr, dd4);
    EXPECT_EQ(S_OK, dd4->SetCooperativeLevel(nullptr, DDSCL_NORMAL));
    dd4->Release();

    EXPECT_THAT(fake.Calls(), ElementsAre("IClassFactory::CreateInstance(IID_IDirectDraw)",
                                          "IDirectDraw::QueryInterface(IID_IDirectDraw4)",
                                          "IDirectDraw4::Initialize(NULL)",
                                          "IDirectDraw4::SetCooperativeLevel(NULL, 0x8)"));
    EXPECT_THAT(fake.LiveObjects(), IsEmpty());
    EXPECT_THAT(fake.Faults(), IsEmpty());
}

TEST_F(FakeDirectDraw, FailsTheChosenOccurrenceOnlyAndCreatesNothingThen) {
    IDirectDraw4* dd4 = CreateInitialized();
    ASSERT_NE(nullptr, dd4);
    fake.FailCall("IDirectDraw4::CreateClipper", DDERR_OUTOFMEMORY, 2);

    IDirectDrawClipper* clippers[3] = {};
    HRESULT results[3];
    for (int i = 0; i < 3; ++i) results[i] = dd4->CreateClipper(0, &clippers[i], nullptr);

    EXPECT_EQ(S_OK, results[0]) << HResultText(results[0]);
    EXPECT_EQ(DDERR_OUTOFMEMORY, results[1]) << HResultText(results[1]);
    EXPECT_EQ(S_OK, results[2]) << HResultText(results[2]);
    EXPECT_EQ(nullptr, clippers[1]);
    EXPECT_EQ(2, fake.ObjectsCreated() - 3) << "three DirectDraw interfaces plus the clippers made";
    for (IDirectDrawClipper* clipper : clippers)
        if (clipper) clipper->Release();
    dd4->Release();
    EXPECT_THAT(fake.LiveObjects(), IsEmpty());
}

TEST_F(FakeDirectDraw, LedgerReportsLeaksAndReleasesPastZero) {
    IDirectDraw4* dd4 = CreateInitialized();
    ASSERT_NE(nullptr, dd4);
    IDirectDrawClipper* clipper = nullptr;
    ASSERT_EQ(S_OK, dd4->CreateClipper(0, &clipper, nullptr));
    EXPECT_THAT(fake.LiveObjects(), ElementsAre("IDirectDraw4 of DirectDraw object 1 count 1",
                                                "IDirectDrawClipper[clipper] count 1"));
    clipper->Release();
    clipper->Release();
    EXPECT_THAT(fake.Faults(), ElementsAre("Release past 0 on IDirectDrawClipper[clipper]"));
    dd4->Release();
}

TEST_F(FakeDirectDraw, FlippingChainBackBufferGoesWithItsFrontSurface) {
    IDirectDraw4* dd4 = CreateInitialized();
    ASSERT_NE(nullptr, dd4);
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.dwBackBufferCount = 1;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    IDirectDrawSurface4* front = nullptr;
    ASSERT_EQ(S_OK, dd4->CreateSurface(&desc, &front, nullptr));
    DDSCAPS2 caps = {DDSCAPS_BACKBUFFER, 0, 0, {0}};
    IDirectDrawSurface4* back = nullptr;
    HRESULT hr = front->GetAttachedSurface(&caps, &back);
    ASSERT_EQ(S_OK, hr) << HResultText(hr);

    EXPECT_THAT(fake.LiveObjects(), ElementsAre("IDirectDraw4 of DirectDraw object 1 count 1",
                                                "IDirectDrawSurface4[primary] count 1",
                                                "IDirectDrawSurface4[back] count 1"));
    front->Release();
    dd4->Release();
    EXPECT_THAT(fake.LiveObjects(), IsEmpty());
    EXPECT_THAT(fake.Faults(), IsEmpty());
}

TEST_F(FakeDirectDraw, RejectsStructuresOfTheWrongSizeAsDirectDrawDoes) {
    IDirectDraw4* dd4 = CreateInitialized();
    ASSERT_NE(nullptr, dd4);
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof desc - 4;
    HRESULT hr = dd4->GetDisplayMode(&desc);
    EXPECT_EQ(DDERR_INVALIDPARAMS, hr) << HResultText(hr);
    desc.dwSize = sizeof desc;
    hr = dd4->GetDisplayMode(&desc);
    EXPECT_EQ(S_OK, hr) << HResultText(hr);
    EXPECT_EQ(1024u, desc.dwWidth);
    EXPECT_EQ(32u, desc.ddpfPixelFormat.dwRGBBitCount);
    dd4->Release();
}

TEST_F(FakeDirectDraw, UnimplementedMethodsAnswerNotImplementedAndAreRecorded) {
    IDirectDraw4* dd4 = CreateInitialized();
    ASSERT_NE(nullptr, dd4);
    HRESULT hr = dd4->Compact();
    EXPECT_EQ(E_NOTIMPL, hr) << HResultText(hr);
    EXPECT_EQ(1, fake.CountCalls("IDirectDraw4::Compact"));
    dd4->Release();
}

TEST(FakeDirectDrawRegistration, RevokingBringsTheRealDirectDrawBack) {
    FakeDirectX fake;
    { FakeDirectDrawRegistration registration(fake); }

    ASSERT_EQ(S_OK, CoInitialize(nullptr));
    IDirectDraw* dd = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_DirectDraw, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectDraw,
                                  reinterpret_cast<void**>(&dd));
    EXPECT_EQ(S_OK, hr) << HResultText(hr);
    EXPECT_EQ(nullptr, fake.Find(dd));
    EXPECT_EQ(0, fake.ObjectsCreated());
    if (dd) dd->Release();
    CoUninitialize();
}

}  // namespace
