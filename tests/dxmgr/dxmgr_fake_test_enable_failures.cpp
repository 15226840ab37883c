// A failure at each DirectX step of Enable: the error comes back unchanged,
// nothing is written to the debugger, every interface the manager held has
// been released exactly once, and the manager is Uninitialized.
#include "tests/dxmgr/dxmgr_fake_fixture.h"

#include <gmock/gmock.h>

using ::testing::IsEmpty;

namespace {

enum class Mode { Windowed3DZ, FullScreen3DZ, Windowed3DPalettized };

struct EnableStep {
    Mode mode;
    const char* method;
    // Which calls of the method fail, counted from the start of Enable; empty
    // for every call. Steps of the surface stage fail in both attempts, or
    // the retry would succeed.
    std::vector<int> occurrences;
    HRESULT hr;
};

std::string ModeName(Mode mode) {
    switch (mode) {
    case Mode::Windowed3DZ: return "Windowed3DZ";
    case Mode::FullScreen3DZ: return "FullScreen3DZ";
    case Mode::Windowed3DPalettized: return "Windowed3DPalettized";
    }
    return "?";
}

std::string StepName(const ::testing::TestParamInfo<EnableStep>& info) {
    std::string name = ModeName(info.param.mode) + "_";
    for (const char* c = info.param.method; *c; ++c)
        name += (*c == ':') ? '_' : *c;
    for (int n : info.param.occurrences) name += "_" + std::to_string(n);
    return name;
}

void PrintTo(const EnableStep& step, std::ostream* os) { *os << ModeName(step.mode) << " " << step.method; }

class EnableStepFails : public DXMgrWithFakeDirectX, public ::testing::WithParamInterface<EnableStep> {};

TEST_P(EnableStepFails, ReturnsTheErrorUnchangedAndReleasesEverythingOnce) {
    const EnableStep& step = GetParam();
    DWORD dwFlags = kWindowed3DZ;
    if (step.mode == Mode::FullScreen3DZ) dwFlags = kFullScreen3DZ;
    if (step.mode == Mode::Windowed3DPalettized) {
        dwFlags = kWindowed3D;
        fake.desktopMode.dwBPP = 8;
        fake.currentMode = fake.desktopMode;
    }
    ASSERT_EQ(S_OK, Initialize());
    if (step.occurrences.empty())
        fake.FailCall(step.method, step.hr);
    for (int n : step.occurrences) fake.FailCall(step.method, step.hr, n);

    DebugOutputCapture output;
    DXMGRENABLE enable = EnableRecord(dwFlags);
    HRESULT hr = manager->Enable(&enable);

    EXPECT_EQ(step.hr, hr) << Hex(hr) << "\n" << Join(fake.Calls());
    EXPECT_THAT(output.Lines(), IsEmpty());
    // The manager still exists, yet holds nothing: not even DirectDraw.
    EXPECT_TRUE(fake.LiveObjects().empty()) << Join(fake.LiveObjects());
    EXPECT_TRUE(fake.Faults().empty()) << Join(fake.Faults());
    if (dwFlags & DXMGREF_FULLSCREEN) {
        EXPECT_EQ(1, fake.CountCalls("IDirectDraw4::RestoreDisplayMode")) << Join(fake.Calls());
        EXPECT_EQ(fake.desktopMode.dwWidth, fake.currentMode.dwWidth);
        EXPECT_EQ(fake.desktopMode.dwBPP, fake.currentMode.dwBPP);
    }

    fake.ClearFailures();
    output.Clear();
    hr = manager->Enable(&enable);
    EXPECT_EQ(DXMGRERR_NOTINITIALIZED, hr) << Hex(hr);
    EXPECT_THAT(output.Lines(), ::testing::ElementsAre("DXMgr: Enable: Not initialized\n"));
    Ref<IDirectDraw4> dd;
    hr = manager->GetDirectDraw(dd.Out());
    EXPECT_EQ(DXMGRERR_NOTINITIALIZED, hr) << Hex(hr);
    DWORD flags = 0;
    hr = manager->GetFlags(DXMGRGF_ENABLE, &flags);
    EXPECT_EQ(DXMGRERR_NOTENABLED, hr) << Hex(hr);
}

const HRESULT kFailure = DDERR_GENERIC;

INSTANTIATE_TEST_SUITE_P(
    Windowed, EnableStepFails,
    ::testing::Values(
        EnableStep{Mode::Windowed3DZ, "IDirectDraw4::SetCooperativeLevel", {}, DDERR_EXCLUSIVEMODEALREADYSET},
        EnableStep{Mode::Windowed3DZ, "IDirectDraw4::CreateSurface", {}, DDERR_OUTOFVIDEOMEMORY},
        EnableStep{Mode::Windowed3DZ, "IDirectDrawSurface4::GetPixelFormat", {}, kFailure},
        EnableStep{Mode::Windowed3DZ, "IDirectDraw4::CreateClipper", {}, DDERR_OUTOFMEMORY},
        EnableStep{Mode::Windowed3DZ, "IDirectDrawClipper::SetHWnd", {}, kFailure},
        EnableStep{Mode::Windowed3DZ, "IDirectDrawSurface4::SetClipper", {}, kFailure},
        EnableStep{Mode::Windowed3DZ, "IDirectDraw4::CreateSurface", {2, 4}, DDERR_OUTOFVIDEOMEMORY},
        EnableStep{Mode::Windowed3DZ, "IDirect3D3::EnumZBufferFormats", {}, kFailure},
        EnableStep{Mode::Windowed3DZ, "IDirectDraw4::CreateSurface", {3, 6}, DDERR_OUTOFVIDEOMEMORY},
        EnableStep{Mode::Windowed3DZ, "IDirectDrawSurface4::GetPixelFormat", {2, 4}, kFailure},
        EnableStep{Mode::Windowed3DZ, "IDirectDrawSurface4::AddAttachedSurface", {}, DDERR_CANNOTATTACHSURFACE},
        EnableStep{Mode::Windowed3DZ, "IDirectDrawSurface4::GetSurfaceDesc", {}, kFailure},
        EnableStep{Mode::Windowed3DZ, "IDirect3D3::CreateDevice", {}, D3DERR_INVALID_DEVICE},
        EnableStep{Mode::Windowed3DZ, "IDirect3DDevice3::EnumTextureFormats", {}, kFailure},
        EnableStep{Mode::Windowed3DZ, "IDirect3D3::CreateViewport", {}, DDERR_OUTOFMEMORY},
        EnableStep{Mode::Windowed3DZ, "IDirect3DDevice3::AddViewport", {}, kFailure},
        EnableStep{Mode::Windowed3DZ, "IDirect3DViewport3::SetViewport2", {}, kFailure},
        EnableStep{Mode::Windowed3DZ, "IDirect3DDevice3::SetCurrentViewport", {}, kFailure},
        EnableStep{Mode::Windowed3DZ, "IDirect3DDevice3::SetTransform", {}, kFailure}),
    StepName);

INSTANTIATE_TEST_SUITE_P(
    FullScreen, EnableStepFails,
    ::testing::Values(
        EnableStep{Mode::FullScreen3DZ, "IDirectDraw4::SetCooperativeLevel", {}, DDERR_HWNDALREADYSET},
        EnableStep{Mode::FullScreen3DZ, "IDirectDraw4::GetAvailableVidMem", {}, kFailure},
        EnableStep{Mode::FullScreen3DZ, "IDirectDraw4::SetDisplayMode", {}, DDERR_INVALIDMODE},
        EnableStep{Mode::FullScreen3DZ, "IDirectDraw4::CreateSurface", {1, 2}, DDERR_OUTOFVIDEOMEMORY},
        EnableStep{Mode::FullScreen3DZ, "IDirectDrawSurface4::GetPixelFormat", {}, kFailure},
        EnableStep{Mode::FullScreen3DZ, "IDirectDrawSurface4::GetAttachedSurface", {}, DDERR_NOTFOUND},
        EnableStep{Mode::FullScreen3DZ, "IDirect3D3::EnumZBufferFormats", {}, kFailure},
        EnableStep{Mode::FullScreen3DZ, "IDirectDraw4::CreateSurface", {2, 4}, DDERR_OUTOFVIDEOMEMORY},
        EnableStep{Mode::FullScreen3DZ, "IDirectDrawSurface4::GetPixelFormat", {2, 4}, kFailure},
        EnableStep{Mode::FullScreen3DZ, "IDirectDrawSurface4::AddAttachedSurface", {}, DDERR_CANNOTATTACHSURFACE},
        EnableStep{Mode::FullScreen3DZ, "IDirectDrawSurface4::GetSurfaceDesc", {}, kFailure},
        EnableStep{Mode::FullScreen3DZ, "IDirect3D3::CreateDevice", {}, D3DERR_INVALID_DEVICE},
        EnableStep{Mode::FullScreen3DZ, "IDirect3DDevice3::EnumTextureFormats", {}, kFailure},
        EnableStep{Mode::FullScreen3DZ, "IDirect3D3::CreateViewport", {}, DDERR_OUTOFMEMORY},
        EnableStep{Mode::FullScreen3DZ, "IDirect3DDevice3::AddViewport", {}, kFailure},
        EnableStep{Mode::FullScreen3DZ, "IDirect3DViewport3::SetViewport2", {}, kFailure},
        EnableStep{Mode::FullScreen3DZ, "IDirect3DDevice3::SetCurrentViewport", {}, kFailure},
        EnableStep{Mode::FullScreen3DZ, "IDirect3DDevice3::SetTransform", {}, kFailure}),
    StepName);

INSTANTIATE_TEST_SUITE_P(
    Palette, EnableStepFails,
    ::testing::Values(
        EnableStep{Mode::Windowed3DPalettized, "IDirectDraw4::CreatePalette", {}, DDERR_OUTOFMEMORY},
        EnableStep{Mode::Windowed3DPalettized, "IDirectDrawSurface4::SetPalette", {}, DDERR_INVALIDPIXELFORMAT}),
    StepName);

}  // namespace
