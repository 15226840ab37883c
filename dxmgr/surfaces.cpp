// The surfaces of Enable: windowed, a primary with a clipper and a back
// buffer of the client area's size; full-screen, a flipping chain in the new
// display mode. Either may carry a Z-buffer on the back buffer.
#include "dxmgr/dxmgr_object.h"
#include "dxmgr/com_holder.h"

namespace {

// Video memory for the hardware device in 3D use or on request, system
// memory otherwise.
DWORD RenderMemoryCaps(const DXMGRENABLE& enable, bool fHardwareDevice)
{
    if (((enable.dwFlags & DXMGREF_3D) != 0 && fHardwareDevice) || (enable.dwFlags & DXMGREF_VIDEOMEMORY) != 0)
        return DDSCAPS_VIDEOMEMORY;
    return DDSCAPS_SYSTEMMEMORY;
}

// Caps of a surface that is drawn into: its memory, and 3D use when asked.
DWORD RenderTargetCaps(const DXMGRENABLE& enable, bool fHardwareDevice)
{
    DWORD dwCaps = RenderMemoryCaps(enable, fHardwareDevice);
    if ((enable.dwFlags & DXMGREF_3D) != 0)
        dwCaps |= DDSCAPS_3DDEVICE;
    return dwCaps;
}

bool WantsZBuffer(const DXMGRENABLE& enable)
{
    return (enable.dwFlags & DXMGREF_3D) != 0 && (enable.dwFlags & DXMGREF_ZBUFFER) != 0;
}

} // namespace

HRESULT CDXMgr::BuildSurfaces(const DXMGRENABLE& enable, HRESULT hrPrevious)
{
    const HRESULT hr = (enable.dwFlags & DXMGREF_FULLSCREEN) != 0 ? CreateFullScreenSurfaces(enable, hrPrevious)
                                                                   : CreateWindowedSurfaces(enable);
    // A failed attempt leaves nothing behind, so that a retry starts afresh.
    if (FAILED(hr)) {
        ReleaseSurfaces();
        return hr;
    }
    return S_OK;
}

HRESULT CDXMgr::CreatePrimary(DDSURFACEDESC2& ddsd)
{
    HRESULT hr = Created(pDD->CreateSurface(&ddsd, &pddsPrimary, nullptr), pddsPrimary);
    if (FAILED(hr))
        return hr;
    // Clear and GetEnableInfo work from this format.
    ddpfPrimary.dwSize = sizeof(ddpfPrimary);
    return pddsPrimary->GetPixelFormat(&ddpfPrimary);
}

HRESULT CDXMgr::CreateWindowedSurfaces(const DXMGRENABLE& enable)
{
    RECT rcClient = {0, 0, 0, 0};
    GetClientRect(hwndDevice, &rcClient);
    dwWidth = DWORD(rcClient.right - rcClient.left);
    dwHeight = DWORD(rcClient.bottom - rcClient.top);

    DDSURFACEDESC2 ddsd;
    ZeroMemory(&ddsd, sizeof(ddsd));
    ddsd.dwSize = sizeof(ddsd);
    ddsd.dwFlags = DDSD_CAPS;
    ddsd.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    HRESULT hr = CreatePrimary(ddsd);
    if (FAILED(hr))
        return hr;
    hr = Created(pDD->CreateClipper(0, &pClipper, nullptr), pClipper);
    if (FAILED(hr))
        return hr;
    hr = pClipper->SetHWnd(0, hwndDevice);
    if (FAILED(hr))
        return hr;
    hr = pddsPrimary->SetClipper(pClipper);
    if (FAILED(hr))
        return hr;

    ZeroMemory(&ddsd, sizeof(ddsd));
    ddsd.dwSize = sizeof(ddsd);
    ddsd.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    ddsd.dwWidth = dwWidth;
    ddsd.dwHeight = dwHeight;
    ddsd.ddsCaps.dwCaps = RenderTargetCaps(enable, IsHardwareDevice());
    hr = Created(pDD->CreateSurface(&ddsd, &pddsBack, nullptr), pddsBack);
    if (FAILED(hr) || !WantsZBuffer(enable))
        return hr;
    return CreateZBuffer(enable);
}

HRESULT CDXMgr::CreateFullScreenSurfaces(const DXMGRENABLE& enable, HRESULT hrPrevious)
{
    HRESULT hr = SetFullScreenMode(enable, hrPrevious);
    if (FAILED(hr))
        return hr;

    DDSURFACEDESC2 ddsd;
    ZeroMemory(&ddsd, sizeof(ddsd));
    ddsd.dwSize = sizeof(ddsd);
    ddsd.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    ddsd.dwBackBufferCount = (enable.dwFlags & DXMGREF_BACKBUFFERCOUNT) != 0 ? enable.dwBackBufferCount : 1;
    ddsd.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX
                          | RenderTargetCaps(enable, IsHardwareDevice());
    hr = CreatePrimary(ddsd);
    if (FAILED(hr))
        return hr;

    DDSCAPS2 ddsCaps;
    ZeroMemory(&ddsCaps, sizeof(ddsCaps));
    ddsCaps.dwCaps = DDSCAPS_BACKBUFFER;
    hr = Created(pddsPrimary->GetAttachedSurface(&ddsCaps, &pddsBack), pddsBack);
    if (FAILED(hr) || !WantsZBuffer(enable))
        return hr;
    return CreateZBuffer(enable);
}
