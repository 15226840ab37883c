#include "tests/support/fake_directdraw/fake_ddraw_object.h"

#include "tests/support/fake_directdraw/fake_ddraw_core.h"
#include "tests/support/fake_directdraw/fake_ddraw_surface.h"

HRESULT DirectDrawInterface::Query(REFIID riid, void** ppv) {
    size_t call;
    HRESULT hr = Enter("QueryInterface", GuidName(&riid), &call);
    if (!ppv) return m_fake.Returns(call, E_POINTER);
    *ppv = nullptr;
    if (FAILED(hr)) return hr;
    FakeObject* target = nullptr;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirectDraw))
        target = m_core.dd1;
    else if (IsEqualGUID(riid, IID_IDirectDraw4))
        target = m_core.dd4;
    else if (IsEqualGUID(riid, IID_IDirect3D3))
        target = m_core.d3d;
    if (!target) return m_fake.Returns(call, E_NOINTERFACE);
    target->HandOut();
    *ppv = target->Interface();
    return S_OK;
}

namespace {

class DirectDraw1 : public IDirectDraw, public DirectDrawInterface {
public:
    DirectDraw1(FakeDirectX& fake, DirectDrawCore& core) : DirectDrawInterface(fake, "IDirectDraw", core) {}

    DIRECTDRAW_IUNKNOWN(IDirectDraw)

    STDMETHOD(Compact)() override FAKE_NOTIMPL(Compact)
    STDMETHOD(CreateClipper)(DWORD, LPDIRECTDRAWCLIPPER*, IUnknown*) override FAKE_NOTIMPL(CreateClipper)
    STDMETHOD(CreatePalette)(DWORD, LPPALETTEENTRY, LPDIRECTDRAWPALETTE*, IUnknown*) override FAKE_NOTIMPL(CreatePalette)
    STDMETHOD(CreateSurface)(LPDDSURFACEDESC, LPDIRECTDRAWSURFACE*, IUnknown*) override FAKE_NOTIMPL(CreateSurface)
    STDMETHOD(DuplicateSurface)(LPDIRECTDRAWSURFACE, LPDIRECTDRAWSURFACE*) override FAKE_NOTIMPL(DuplicateSurface)
    STDMETHOD(EnumDisplayModes)(DWORD, LPDDSURFACEDESC, LPVOID, LPDDENUMMODESCALLBACK) override FAKE_NOTIMPL(EnumDisplayModes)
    STDMETHOD(EnumSurfaces)(DWORD, LPDDSURFACEDESC, LPVOID, LPDDENUMSURFACESCALLBACK) override FAKE_NOTIMPL(EnumSurfaces)
    STDMETHOD(FlipToGDISurface)() override FAKE_NOTIMPL(FlipToGDISurface)
    STDMETHOD(GetCaps)(LPDDCAPS, LPDDCAPS) override FAKE_NOTIMPL(GetCaps)
    STDMETHOD(GetDisplayMode)(LPDDSURFACEDESC) override FAKE_NOTIMPL(GetDisplayMode)
    STDMETHOD(GetFourCCCodes)(LPDWORD, LPDWORD) override FAKE_NOTIMPL(GetFourCCCodes)
    STDMETHOD(GetGDISurface)(LPDIRECTDRAWSURFACE*) override FAKE_NOTIMPL(GetGDISurface)
    STDMETHOD(GetMonitorFrequency)(LPDWORD) override FAKE_NOTIMPL(GetMonitorFrequency)
    STDMETHOD(GetScanLine)(LPDWORD) override FAKE_NOTIMPL(GetScanLine)
    STDMETHOD(GetVerticalBlankStatus)(WINBOOL*) override FAKE_NOTIMPL(GetVerticalBlankStatus)
    STDMETHOD(Initialize)(GUID*) override FAKE_NOTIMPL(Initialize)
    STDMETHOD(RestoreDisplayMode)() override FAKE_NOTIMPL(RestoreDisplayMode)
    STDMETHOD(SetCooperativeLevel)(HWND, DWORD) override FAKE_NOTIMPL(SetCooperativeLevel)
    STDMETHOD(SetDisplayMode)(DWORD, DWORD, DWORD) override FAKE_NOTIMPL(SetDisplayMode)
    STDMETHOD(WaitForVerticalBlank)(DWORD, HANDLE) override FAKE_NOTIMPL(WaitForVerticalBlank)
};

class DirectDraw4 : public IDirectDraw4, public DirectDrawInterface {
public:
    DirectDraw4(FakeDirectX& fake, DirectDrawCore& core) : DirectDrawInterface(fake, "IDirectDraw4", core) {}

    DIRECTDRAW_IUNKNOWN(IDirectDraw4)

    STDMETHOD(Compact)() override FAKE_NOTIMPL(Compact)
    STDMETHOD(CreateClipper)(DWORD flags, LPDIRECTDRAWCLIPPER* clipper, IUnknown* outer) override;
    STDMETHOD(CreatePalette)(DWORD flags, LPPALETTEENTRY table, LPDIRECTDRAWPALETTE* palette, IUnknown* outer) override;
    STDMETHOD(CreateSurface)(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE4* surface, IUnknown* outer) override;
    STDMETHOD(DuplicateSurface)(LPDIRECTDRAWSURFACE4, LPDIRECTDRAWSURFACE4*) override FAKE_NOTIMPL(DuplicateSurface)
    STDMETHOD(EnumDisplayModes)(DWORD flags, LPDDSURFACEDESC2 desc, LPVOID context, LPDDENUMMODESCALLBACK2 callback) override;
    STDMETHOD(EnumSurfaces)(DWORD, LPDDSURFACEDESC2, LPVOID, LPDDENUMSURFACESCALLBACK2) override FAKE_NOTIMPL(EnumSurfaces)
    STDMETHOD(FlipToGDISurface)() override;
    STDMETHOD(GetCaps)(LPDDCAPS, LPDDCAPS) override FAKE_NOTIMPL(GetCaps)
    STDMETHOD(GetDisplayMode)(LPDDSURFACEDESC2 desc) override;
    STDMETHOD(GetFourCCCodes)(LPDWORD, LPDWORD) override FAKE_NOTIMPL(GetFourCCCodes)
    STDMETHOD(GetGDISurface)(LPDIRECTDRAWSURFACE4*) override FAKE_NOTIMPL(GetGDISurface)
    STDMETHOD(GetMonitorFrequency)(LPDWORD) override FAKE_NOTIMPL(GetMonitorFrequency)
    STDMETHOD(GetScanLine)(LPDWORD) override FAKE_NOTIMPL(GetScanLine)
    STDMETHOD(GetVerticalBlankStatus)(WINBOOL*) override FAKE_NOTIMPL(GetVerticalBlankStatus)
    STDMETHOD(Initialize)(GUID* guid) override;
    STDMETHOD(RestoreDisplayMode)() override;
    STDMETHOD(SetCooperativeLevel)(HWND hwnd, DWORD flags) override;
    STDMETHOD(SetDisplayMode)(DWORD width, DWORD height, DWORD bpp, DWORD refresh, DWORD flags) override;
    STDMETHOD(WaitForVerticalBlank)(DWORD, HANDLE) override FAKE_NOTIMPL(WaitForVerticalBlank)
    STDMETHOD(GetAvailableVidMem)(LPDDSCAPS2 caps, LPDWORD total, LPDWORD free) override;
    STDMETHOD(GetSurfaceFromDC)(HDC, LPDIRECTDRAWSURFACE4*) override FAKE_NOTIMPL(GetSurfaceFromDC)
    STDMETHOD(RestoreAllSurfaces)() override FAKE_NOTIMPL(RestoreAllSurfaces)
    STDMETHOD(TestCooperativeLevel)() override FAKE_NOTIMPL(TestCooperativeLevel)
    STDMETHOD(GetDeviceIdentifier)(LPDDDEVICEIDENTIFIER, DWORD) override FAKE_NOTIMPL(GetDeviceIdentifier)
};

// ---------------------------------------------------------------- IDirectDraw4

HRESULT DirectDraw4::CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* clipper, IUnknown* outer) {
    size_t call;
    HRESULT hr = Enter("CreateClipper", HexValue(flags), &call);
    if (clipper) *clipper = nullptr;
    if (FAILED(hr) || FAILED(hr = Guard(call))) return hr;
    if (!clipper) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    if (outer) return m_fake.Returns(call, CLASS_E_NOAGGREGATION);
    *clipper = m_fake.Adopt(std::unique_ptr<FakeClipper>(new FakeClipper(m_fake, m_fake.UniqueLabel("clipper"))));
    return S_OK;
}

HRESULT DirectDraw4::CreatePalette(DWORD flags, LPPALETTEENTRY table, LPDIRECTDRAWPALETTE* palette, IUnknown* outer) {
    size_t call;
    HRESULT hr = Enter("CreatePalette", HexValue(flags), &call);
    if (palette) *palette = nullptr;
    if (FAILED(hr) || FAILED(hr = Guard(call))) return hr;
    if (!palette || !table) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    if (outer) return m_fake.Returns(call, CLASS_E_NOAGGREGATION);
    DWORD count = (flags & DDPCAPS_8BIT) ? 256 : (flags & DDPCAPS_4BIT) ? 16 : (flags & DDPCAPS_2BIT) ? 4
                : (flags & DDPCAPS_1BIT) ? 2 : 0;
    if (!count) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    m_fake.paletteEntries.assign(table, table + count);
    *palette = m_fake.Adopt(std::unique_ptr<FakePalette>(
        new FakePalette(m_fake, m_fake.UniqueLabel("palette"), flags, table, count)));
    return S_OK;
}

HRESULT DirectDraw4::CreateSurface(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE4* surface, IUnknown* outer) {
    size_t call;
    HRESULT hr = Enter("CreateSurface", desc ? SurfaceDescText(*desc) : "NULL", &call);
    if (surface) *surface = nullptr;
    if (FAILED(hr) || FAILED(hr = Guard(call))) return hr;
    if (!desc || !surface || desc->dwSize != sizeof(DDSURFACEDESC2) || !(desc->dwFlags & DDSD_CAPS))
        return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    if (outer) return m_fake.Returns(call, CLASS_E_NOAGGREGATION);
    const DWORD caps = desc->ddsCaps.dwCaps;
    if ((caps & DDSCAPS_VIDEOMEMORY) && (caps & DDSCAPS_SYSTEMMEMORY)) return m_fake.Returns(call, DDERR_INVALIDCAPS);
    const bool primary = (caps & DDSCAPS_PRIMARYSURFACE) != 0;
    if (!primary && !((desc->dwFlags & DDSD_WIDTH) && (desc->dwFlags & DDSD_HEIGHT)))
        return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    if (!primary && (desc->dwWidth == 0 || desc->dwHeight == 0)) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    if ((caps & DDSCAPS_FLIP) && (!(desc->dwFlags & DDSD_BACKBUFFERCOUNT) || desc->dwBackBufferCount == 0))
        return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    *surface = CreateFakeSurface(m_fake, *desc, m_fake.currentMode);
    return S_OK;
}

HRESULT DirectDraw4::EnumDisplayModes(DWORD flags, LPDDSURFACEDESC2 desc, LPVOID context,
                                      LPDDENUMMODESCALLBACK2 callback) {
    size_t call;
    HRESULT hr = Enter("EnumDisplayModes", HexValue(flags) + ", " + (desc ? "desc" : "NULL"), &call);
    if (FAILED(hr) || FAILED(hr = Guard(call))) return hr;
    if (!callback) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    const std::vector<FakeDisplayMode> modes = m_fake.displayModes;
    for (const FakeDisplayMode& mode : modes) {
        DDSURFACEDESC2 report = {};
        report.dwSize = sizeof report;
        report.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_REFRESHRATE;
        report.dwWidth = mode.dwWidth;
        report.dwHeight = mode.dwHeight;
        report.lPitch = static_cast<LONG>(mode.dwWidth * (mode.dwBPP / 8));
        report.dwRefreshRate = (flags & DDEDM_REFRESHRATES) ? mode.dwRefreshRate : 0;
        report.ddpfPixelFormat = m_fake.DisplayFormat(mode.dwBPP);
        if (callback(&report, context) == DDENUMRET_CANCEL) break;
    }
    return S_OK;
}

HRESULT DirectDraw4::FlipToGDISurface() {
    size_t call;
    HRESULT hr = Enter("FlipToGDISurface", std::string(), &call);
    if (FAILED(hr)) return hr;
    return Guard(call);
}

HRESULT DirectDraw4::GetDisplayMode(LPDDSURFACEDESC2 desc) {
    size_t call;
    HRESULT hr = Enter("GetDisplayMode", std::string(), &call);
    if (FAILED(hr) || FAILED(hr = Guard(call))) return hr;
    if (!desc || desc->dwSize != sizeof(DDSURFACEDESC2)) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    const FakeDisplayMode& mode = m_fake.currentMode;
    *desc = DDSURFACEDESC2();
    desc->dwSize = sizeof *desc;
    desc->dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_REFRESHRATE;
    desc->dwWidth = mode.dwWidth;
    desc->dwHeight = mode.dwHeight;
    desc->lPitch = static_cast<LONG>(mode.dwWidth * (mode.dwBPP / 8));
    desc->dwRefreshRate = mode.dwRefreshRate;
    desc->ddpfPixelFormat = m_fake.DisplayFormat(mode.dwBPP);
    return S_OK;
}

HRESULT DirectDraw4::Initialize(GUID* guid) {
    size_t call;
    HRESULT hr = Enter("Initialize", GuidName(guid), &call);
    if (FAILED(hr)) return hr;
    if (m_core.initialized) return m_fake.Returns(call, DDERR_ALREADYINITIALIZED);
    m_core.initialized = true;
    return S_OK;
}

HRESULT DirectDraw4::RestoreDisplayMode() {
    size_t call;
    HRESULT hr = Enter("RestoreDisplayMode", std::string(), &call);
    if (FAILED(hr) || FAILED(hr = Guard(call))) return hr;
    m_fake.currentMode = m_fake.desktopMode;
    return S_OK;
}

HRESULT DirectDraw4::SetCooperativeLevel(HWND hwnd, DWORD flags) {
    size_t call;
    HRESULT hr = Enter("SetCooperativeLevel", m_fake.WindowName(hwnd) + ", " + HexValue(flags), &call);
    if (FAILED(hr) || FAILED(hr = Guard(call))) return hr;
    if (hwnd && !IsWindow(hwnd)) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    return S_OK;
}

HRESULT DirectDraw4::SetDisplayMode(DWORD width, DWORD height, DWORD bpp, DWORD refresh, DWORD flags) {
    size_t call;
    HRESULT hr = Enter("SetDisplayMode", std::to_string(width) + ", " + std::to_string(height) + ", " +
                                             std::to_string(bpp) + ", " + std::to_string(refresh) + ", " +
                                             HexValue(flags), &call);
    if (FAILED(hr) || FAILED(hr = Guard(call))) return hr;
    for (const FakeDisplayMode& mode : m_fake.displayModes) {
        if (mode.dwWidth == width && mode.dwHeight == height && mode.dwBPP == bpp &&
            (refresh == 0 || refresh == mode.dwRefreshRate)) {
            m_fake.currentMode = {width, height, bpp, refresh ? refresh : mode.dwRefreshRate};
            return S_OK;
        }
    }
    return m_fake.Returns(call, DDERR_INVALIDMODE);
}

HRESULT DirectDraw4::GetAvailableVidMem(LPDDSCAPS2 caps, LPDWORD total, LPDWORD free) {
    size_t call;
    HRESULT hr = Enter("GetAvailableVidMem", caps ? "caps=" + HexValue(caps->dwCaps) : "NULL", &call);
    if (FAILED(hr) || FAILED(hr = Guard(call))) return hr;
    if (!caps) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    if (total) *total = 16u << 20;
    if (free) *free = 12u << 20;
    return S_OK;
}

}  // namespace

HRESULT CreateFakeDirectDraw(FakeDirectX& fake, REFIID riid, void** ppv) {
    // The core lives as long as the fake, like the interfaces that point to it.
    auto shared = std::make_shared<DirectDrawCore>();
    DirectDrawCore& core = *shared;
    core.number = static_cast<int>(fake.Keep(shared));
    core.dd1 = fake.Adopt(std::unique_ptr<DirectDraw1>(new DirectDraw1(fake, core)));
    core.dd4 = fake.Adopt(std::unique_ptr<DirectDraw4>(new DirectDraw4(fake, core)));
    core.d3d = fake.Adopt(NewFakeDirect3D3(fake, core));

    FakeObject* target = nullptr;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirectDraw))
        target = core.dd1;
    else if (IsEqualGUID(riid, IID_IDirectDraw4))
        target = core.dd4;
    else if (IsEqualGUID(riid, IID_IDirect3D3))
        target = core.d3d;
    if (!target) return E_NOINTERFACE;
    target->HandOut();
    *ppv = target->Interface();
    return S_OK;
}
