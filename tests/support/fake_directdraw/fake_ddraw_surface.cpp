#include "tests/support/fake_directdraw/fake_ddraw_surface.h"

#include <cstdio>
#include <cstring>

std::string PixelFormatText(const DDPIXELFORMAT& format) {
    if (format.dwFlags & DDPF_ZBUFFER) return "z" + std::to_string(format.dwZBufferBitDepth);
    if (format.dwFlags & DDPF_PALETTEINDEXED8) return "pal8";
    if (format.dwFlags & DDPF_RGB) return "rgb" + std::to_string(format.dwRGBBitCount);
    return "format flags " + HexValue(format.dwFlags);
}

std::string SurfaceDescText(const DDSURFACEDESC2& desc) {
    std::string text = "caps=" + HexValue(desc.ddsCaps.dwCaps) + ", flags=" + HexValue(desc.dwFlags);
    if (desc.dwFlags & DDSD_WIDTH) text += ", width=" + std::to_string(desc.dwWidth);
    if (desc.dwFlags & DDSD_HEIGHT) text += ", height=" + std::to_string(desc.dwHeight);
    if (desc.dwFlags & DDSD_BACKBUFFERCOUNT) text += ", backbuffers=" + std::to_string(desc.dwBackBufferCount);
    if (desc.dwFlags & DDSD_PIXELFORMAT) text += ", format=" + PixelFormatText(desc.ddpfPixelFormat);
    return text;
}

static std::string RectText(const RECT* rect) {
    if (!rect) return "NULL";
    char text[64];
    std::snprintf(text, sizeof text, "(%ld,%ld,%ld,%ld)", static_cast<long>(rect->left),
                  static_cast<long>(rect->top), static_cast<long>(rect->right),
                  static_cast<long>(rect->bottom));
    return text;
}

FakeSurface* AsFakeSurface(FakeDirectX& fake, const void* iface) {
    FakeObject* object = fake.Find(iface);
    return object && object->InterfaceName() == "IDirectDrawSurface4" ? static_cast<FakeSurface*>(object) : nullptr;
}

static std::string SurfaceRole(const DDSURFACEDESC2& desc) {
    if (desc.ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE) return "primary";
    if (desc.ddsCaps.dwCaps & DDSCAPS_ZBUFFER) return "zbuffer";
    return "back";
}

IDirectDrawSurface4* CreateFakeSurface(FakeDirectX& fake, const DDSURFACEDESC2& request,
                                       const FakeDisplayMode& mode) {
    DDSURFACEDESC2 desc = request;
    desc.dwFlags |= DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    if (!(request.dwFlags & DDSD_WIDTH)) desc.dwWidth = mode.dwWidth;
    if (!(request.dwFlags & DDSD_HEIGHT)) desc.dwHeight = mode.dwHeight;
    if (!(request.dwFlags & DDSD_PIXELFORMAT)) desc.ddpfPixelFormat = fake.DisplayFormat(mode.dwBPP);
    if (!(request.dwFlags & DDSD_BACKBUFFERCOUNT)) desc.dwBackBufferCount = 0;
    if (desc.ddsCaps.dwCaps & DDSCAPS_FLIP) desc.ddsCaps.dwCaps |= DDSCAPS_FRONTBUFFER;

    FakeSurface* front = fake.Adopt(std::unique_ptr<FakeSurface>(
        new FakeSurface(fake, fake.UniqueLabel(SurfaceRole(desc)), desc, 1, nullptr)));
    if ((desc.ddsCaps.dwCaps & (DDSCAPS_FLIP | DDSCAPS_COMPLEX)) == (DDSCAPS_FLIP | DDSCAPS_COMPLEX)) {
        for (DWORD i = 0; i < desc.dwBackBufferCount; ++i) {
            DDSURFACEDESC2 backDesc = desc;
            backDesc.dwFlags &= ~DDSD_BACKBUFFERCOUNT;
            backDesc.dwBackBufferCount = 0;
            backDesc.ddsCaps.dwCaps &= ~(DDSCAPS_PRIMARYSURFACE | DDSCAPS_FRONTBUFFER | DDSCAPS_VISIBLE);
            backDesc.ddsCaps.dwCaps |= i == 0 ? DDSCAPS_BACKBUFFER : 0;
            front->m_chain.push_back(fake.Adopt(std::unique_ptr<FakeSurface>(
                new FakeSurface(fake, fake.UniqueLabel("back"), backDesc, 0, front))));
        }
    }
    return front;
}

FakeSurface::FakeSurface(FakeDirectX& fake, std::string label, const DDSURFACEDESC2& desc, long refs,
                         FakeSurface* chainRoot)
    : FakeObject(fake, "IDirectDrawSurface4", std::move(label), refs), m_desc(desc), m_chainRoot(chainRoot) {}

bool FakeSurface::IsDestroyed() const {
    return m_chainRoot ? m_chainRoot->IsDestroyed() : FakeObject::IsDestroyed();
}

bool FakeSurface::LedgerHidden() const { return m_chainRoot && m_chainRoot->IsDestroyed(); }

HRESULT FakeSurface::AddAttachedSurface(LPDIRECTDRAWSURFACE4 surface) {
    size_t call;
    HRESULT hr = Enter("AddAttachedSurface", m_fake.ObjectName(surface), &call);
    if (FAILED(hr)) return hr;
    FakeSurface* attached = AsFakeSurface(m_fake, surface);
    if (!attached || attached == this) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    for (FakeSurface* existing : m_attached)
        if (existing == attached) return m_fake.Returns(call, DDERR_SURFACEALREADYATTACHED);
    if (!(attached->m_desc.ddsCaps.dwCaps & DDSCAPS_ZBUFFER)) return m_fake.Returns(call, DDERR_CANNOTATTACHSURFACE);
    m_attached.push_back(attached);
    return S_OK;
}

HRESULT FakeSurface::Blt(LPRECT dest, LPDIRECTDRAWSURFACE4 source, LPRECT sourceRect, DWORD flags,
                         LPDDBLTFX fx) {
    std::string args = RectText(dest) + ", " + m_fake.ObjectName(source) + ", " + RectText(sourceRect) +
                       ", " + HexValue(flags);
    if (fx && (flags & DDBLT_COLORFILL)) args += ", fill=" + HexValue(fx->dwFillColor);
    size_t call;
    HRESULT hr = Enter("Blt", args, &call);
    if (FAILED(hr)) return hr;
    if (fx && fx->dwSize != sizeof(DDBLTFX)) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    if ((flags & DDBLT_COLORFILL) && !fx) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    if (source && !AsFakeSurface(m_fake, source)) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    return S_OK;
}

HRESULT FakeSurface::Flip(LPDIRECTDRAWSURFACE4 target, DWORD flags) {
    size_t call;
    HRESULT hr = Enter("Flip", m_fake.ObjectName(target) + ", " + HexValue(flags), &call);
    if (FAILED(hr)) return hr;
    if (!(m_desc.ddsCaps.dwCaps & DDSCAPS_FLIP) || m_chain.empty()) return m_fake.Returns(call, DDERR_NOTFLIPPABLE);
    return S_OK;
}

HRESULT FakeSurface::GetAttachedSurface(LPDDSCAPS2 caps, LPDIRECTDRAWSURFACE4* surface) {
    size_t call;
    HRESULT hr = Enter("GetAttachedSurface", caps ? "caps=" + HexValue(caps->dwCaps) : "NULL", &call);
    if (surface) *surface = nullptr;
    if (FAILED(hr)) return hr;
    if (!caps || !surface) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    std::vector<FakeSurface*> candidates(m_chain);
    candidates.insert(candidates.end(), m_attached.begin(), m_attached.end());
    for (FakeSurface* candidate : candidates) {
        if ((candidate->m_desc.ddsCaps.dwCaps & caps->dwCaps) == caps->dwCaps) {
            candidate->HandOut();
            *surface = candidate;
            return S_OK;
        }
    }
    return m_fake.Returns(call, DDERR_NOTFOUND);
}

HRESULT FakeSurface::GetCaps(LPDDSCAPS2 caps) {
    size_t call;
    HRESULT hr = Enter("GetCaps", std::string(), &call);
    if (FAILED(hr)) return hr;
    if (!caps) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    *caps = m_desc.ddsCaps;
    return S_OK;
}

HRESULT FakeSurface::GetPixelFormat(LPDDPIXELFORMAT format) {
    size_t call;
    HRESULT hr = Enter("GetPixelFormat", std::string(), &call);
    if (FAILED(hr)) return hr;
    if (!format || format->dwSize != sizeof(DDPIXELFORMAT)) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    *format = m_desc.ddpfPixelFormat;
    return S_OK;
}

HRESULT FakeSurface::GetSurfaceDesc(LPDDSURFACEDESC2 desc) {
    size_t call;
    HRESULT hr = Enter("GetSurfaceDesc", std::string(), &call);
    if (FAILED(hr)) return hr;
    if (!desc || desc->dwSize != sizeof(DDSURFACEDESC2)) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    *desc = m_desc;
    return S_OK;
}

HRESULT FakeSurface::IsLost() {
    HRESULT hr = Enter("IsLost");
    return hr;
}

HRESULT FakeSurface::Restore() {
    HRESULT hr = Enter("Restore");
    return hr;
}

HRESULT FakeSurface::SetClipper(LPDIRECTDRAWCLIPPER clipper) {
    size_t call;
    HRESULT hr = Enter("SetClipper", m_fake.ObjectName(clipper), &call);
    if (FAILED(hr)) return hr;
    FakeObject* object = m_fake.Find(clipper);
    if (clipper && (!object || object->InterfaceName() != "IDirectDrawClipper"))
        return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    m_clipper = clipper;
    return S_OK;
}

HRESULT FakeSurface::SetPalette(LPDIRECTDRAWPALETTE palette) {
    size_t call;
    HRESULT hr = Enter("SetPalette", m_fake.ObjectName(palette), &call);
    if (FAILED(hr)) return hr;
    FakeObject* object = m_fake.Find(palette);
    if (palette && (!object || object->InterfaceName() != "IDirectDrawPalette"))
        return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    if (palette && !(m_desc.ddpfPixelFormat.dwFlags & DDPF_PALETTEINDEXED8))
        return m_fake.Returns(call, DDERR_INVALIDPIXELFORMAT);
    m_palette = palette;
    return S_OK;
}

// ---------------------------------------------------------------- clipper

HRESULT FakeClipper::GetHWnd(HWND* hwnd) {
    size_t call;
    HRESULT hr = Enter("GetHWnd", std::string(), &call);
    if (FAILED(hr)) return hr;
    if (!hwnd) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    *hwnd = m_hwnd;
    return S_OK;
}

HRESULT FakeClipper::SetHWnd(DWORD flags, HWND hwnd) {
    HRESULT hr = Enter("SetHWnd", HexValue(flags) + ", " + m_fake.WindowName(hwnd));
    if (FAILED(hr)) return hr;
    m_hwnd = hwnd;
    return S_OK;
}

// ---------------------------------------------------------------- palette

HRESULT FakePalette::GetCaps(LPDWORD caps) {
    size_t call;
    HRESULT hr = Enter("GetCaps", std::string(), &call);
    if (FAILED(hr)) return hr;
    if (!caps) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    *caps = m_caps;
    return S_OK;
}

HRESULT FakePalette::GetEntries(DWORD flags, DWORD base, DWORD count, LPPALETTEENTRY entries) {
    size_t call;
    HRESULT hr = Enter("GetEntries", HexValue(flags) + ", " + std::to_string(base) + ", " + std::to_string(count), &call);
    if (FAILED(hr)) return hr;
    if (!entries || base > m_entries.size() || count > m_entries.size() - base)
        return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    std::memcpy(entries, m_entries.data() + base, count * sizeof(PALETTEENTRY));
    return S_OK;
}
