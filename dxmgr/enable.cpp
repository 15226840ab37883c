// Enable and Disable: the surfaces, the optional Z-buffer and the 3D device
// with its viewport and projection.
#include "dxmgr/dxmgr_object.h"
#include "dxmgr/com_holder.h"
#include "dxmgr/dxmgr_diagnostics.h"

#include <cmath>

namespace {

// Half the field of view: pi/4 as a 32-bit float.
const float kHalfFieldOfView = 0.7853982f;

bool Contains(const DXMgrList<GUID>& list, const GUID& guid)
{
    for (DWORD i = 0; i < list.cElements; ++i) {
        if (IsEqualGUID(list.pElements[i], guid))
            return true;
    }
    return false;
}

// A zero far plane or one equal to the near plane would divide by zero in
// the projection; a non-finite one gives a matrix of NaNs.
bool AreValidPlanes(float dvNear, float dvFar)
{
    return std::isfinite(dvNear) && std::isfinite(dvFar) && dvFar != 0.0f && dvFar != dvNear;
}

} // namespace

HRESULT CALLBACK CDXMgr::DeviceCallback(GUID* pguid, char*, char*, D3DDEVICEDESC* pHardware, D3DDEVICEDESC*,
                                        void* pContext)
{
    if (pguid == nullptr)
        return D3DENUMRET_OK;
    // A hardware device without perspective-correct texturing draws wrongly
    // enough to be worse than the software device.
    if (IsEqualGUID(*pguid, IID_IDirect3DHALDevice)
        && (pHardware == nullptr || (pHardware->dpcTriCaps.dwTextureCaps & D3DPTEXTURECAPS_PERSPECTIVE) == 0))
        return D3DENUMRET_OK;
    CDXMgr* pThis = static_cast<CDXMgr*>(pContext);
    return pThis->devices.AppendElement(*pguid) ? D3DENUMRET_OK : D3DENUMRET_CANCEL;
}

HRESULT CALLBACK CDXMgr::ZBufferFormatCallback(DDPIXELFORMAT* pddpf, void* pContext)
{
    if (pddpf == nullptr)
        return D3DENUMRET_OK;
    CDXMgr* pThis = static_cast<CDXMgr*>(pContext);
    return pThis->zBufferFormats.AppendElement(*pddpf) ? D3DENUMRET_OK : D3DENUMRET_CANCEL;
}

HRESULT CALLBACK CDXMgr::TextureFormatCallback(DDPIXELFORMAT* pddpf, void* pContext)
{
    if (pddpf == nullptr)
        return D3DENUMRET_OK;
    CDXMgr* pThis = static_cast<CDXMgr*>(pContext);
    return pThis->textureFormats.AppendElement(*pddpf) ? D3DENUMRET_OK : D3DENUMRET_CANCEL;
}

STDMETHODIMP CDXMgr::Enable(const DXMGRENABLE* pEnable)
{
    if (pDD == nullptr)
        return DXMgrFail("Enable", "Not initialized", DXMGRERR_NOTINITIALIZED);
    if (fEnabled)
        return DXMgrFail("Enable", "Already enabled", DXMGRERR_ALREADYENABLED);
    if (IsBadInPointer(pEnable))
        return DXMgrFail("Enable", "Invalid pointer", E_POINTER);
    // Work on a copy, so that the record cannot change under the checks.
    const DXMGRENABLE enable = *pEnable;
    const bool fFullScreen = (enable.dwFlags & DXMGREF_FULLSCREEN) != 0;
    if (!fFullScreen && (enable.dwFlags & (DXMGREF_DISPLAYMODE | DXMGREF_BACKBUFFERCOUNT)) != 0)
        return DXMgrFail("Enable", "Invalid flags", E_INVALIDARG);
    dwEnableFlags = enable.dwFlags;
    hwndDevice = enable.hwndDevice;
    if (hwndDevice != nullptr && !IsWindow(hwndDevice))
        return DXMgrFail("Enable", "Invalid window", E_INVALIDARG);
    if (hwndDevice == nullptr && !fFullScreen)
        return DXMgrFail("Enable", "hwndDevice must be set in Enable if windowed mode requested", E_INVALIDARG);
    if ((enable.dwFlags & DXMGREF_3D) != 0 && !AreValidPlanes(enable.dvNear, enable.dvFar))
        return DXMgrFail("Enable", "Invalid near/far planes", E_INVALIDARG);

    DWORD dwCoopLevel = enable.dwCoopLevel;
    if (fFullScreen)
        dwCoopLevel |= DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE
                       | (hwndDevice != nullptr ? DDSCL_SETDEVICEWINDOW : DDSCL_CREATEDEVICEWINDOW);
    else
        dwCoopLevel |= DDSCL_NORMAL;
    HRESULT hr = pDD->SetCooperativeLevel(hwndDevice, dwCoopLevel);

    if (SUCCEEDED(hr)) {
        // No usable device listed is not a failure: the device stays as it
        // was and CreateDevice has the last word.
        ChooseDevice(enable, false);
        HRESULT hrFirst = BuildSurfaces(enable, 0);
        hr = hrFirst;
        if (FAILED(hrFirst)) {
            // Only the retry's failure is reported; it passes over the
            // hardware device.
            ChooseDevice(enable, true);
            hr = BuildSurfaces(enable, hrFirst);
        }
    }
    if (SUCCEEDED(hr) && (enable.dwFlags & DXMGREF_3D) != 0) {
        DDSURFACEDESC2 ddsd;
        ZeroMemory(&ddsd, sizeof(ddsd));
        ddsd.dwSize = sizeof(ddsd);
        hr = pddsBack->GetSurfaceDesc(&ddsd);
        if (SUCCEEDED(hr) && (ddsd.ddpfPixelFormat.dwFlags & DDPF_PALETTEINDEXED8) != 0)
            hr = SetUpPalette();
        if (SUCCEEDED(hr))
            hr = Created(pD3D->CreateDevice(guidDevice, pddsBack, &pDevice, nullptr), pDevice);
        if (SUCCEEDED(hr)) {
            textureFormats.Empty();
            hr = pDevice->EnumTextureFormats(TextureFormatCallback, this);
        }
        if (SUCCEEDED(hr))
            hr = Created(pD3D->CreateViewport(&pViewport, nullptr), pViewport);
        if (SUCCEEDED(hr))
            hr = SetUpViewport();
        if (SUCCEEDED(hr))
            hr = SetProjection(enable.dvNear, enable.dvFar);
    }
    if (FAILED(hr)) {
        Uninitialize();
        return hr;
    }
    fEnabled = true;
    return S_OK;
}

void CDXMgr::ChooseDevice(const DXMGRENABLE& enable, bool fRetry)
{
    // A refused enumeration lists no device, which is not a failure either.
    devices.Empty();
    pD3D->EnumDevices(DeviceCallback, this);
    if ((enable.dwFlags & DXMGREF_DEVICE) != 0)
        guidDevice = enable.guidDevice;
    else if (!fRetry && Contains(devices, IID_IDirect3DHALDevice))
        guidDevice = IID_IDirect3DHALDevice;
    else if (Contains(devices, IID_IDirect3DRGBDevice))
        guidDevice = IID_IDirect3DRGBDevice;
}

HRESULT CDXMgr::BuildSurfaces(const DXMGRENABLE& enable, HRESULT hrPrevious)
{
    if ((enable.dwFlags & DXMGREF_FULLSCREEN) != 0)
        return CreateFullScreenSurfaces(enable, hrPrevious);
    return CreateWindowedSurfaces(enable);
}

// Video memory for the hardware device in 3D use or on request, system
// memory otherwise.
static DWORD RenderMemoryCaps(const DXMGRENABLE& enable, bool fHardwareDevice)
{
    if (((enable.dwFlags & DXMGREF_3D) != 0 && fHardwareDevice) || (enable.dwFlags & DXMGREF_VIDEOMEMORY) != 0)
        return DDSCAPS_VIDEOMEMORY;
    return DDSCAPS_SYSTEMMEMORY;
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
    HRESULT hr = Created(pDD->CreateSurface(&ddsd, &pddsPrimary, nullptr), pddsPrimary);
    if (SUCCEEDED(hr)) {
        ddpfPrimary.dwSize = sizeof(ddpfPrimary);
        hr = pddsPrimary->GetPixelFormat(&ddpfPrimary);
    }
    if (SUCCEEDED(hr))
        hr = Created(pDD->CreateClipper(0, &pClipper, nullptr), pClipper);
    if (SUCCEEDED(hr))
        hr = pClipper->SetHWnd(0, hwndDevice);
    if (SUCCEEDED(hr))
        hr = pddsPrimary->SetClipper(pClipper);
    if (SUCCEEDED(hr)) {
        ZeroMemory(&ddsd, sizeof(ddsd));
        ddsd.dwSize = sizeof(ddsd);
        ddsd.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
        ddsd.dwWidth = dwWidth;
        ddsd.dwHeight = dwHeight;
        ddsd.ddsCaps.dwCaps = RenderMemoryCaps(enable, IsHardwareDevice());
        if ((enable.dwFlags & DXMGREF_3D) != 0)
            ddsd.ddsCaps.dwCaps |= DDSCAPS_3DDEVICE;
        hr = Created(pDD->CreateSurface(&ddsd, &pddsBack, nullptr), pddsBack);
    }
    if (SUCCEEDED(hr) && (enable.dwFlags & DXMGREF_3D) != 0 && (enable.dwFlags & DXMGREF_ZBUFFER) != 0)
        hr = CreateZBuffer(enable);
    if (FAILED(hr)) {
        ReleaseSurfaces();
        return hr;
    }
    return S_OK;
}

HRESULT CDXMgr::CreateFullScreenSurfaces(const DXMGRENABLE& enable, HRESULT hrPrevious)
{
    DWORD dwModeWidth = 640, dwModeHeight = 480, dwModeBPP = 16, dwModeRefreshRate = 0;
    HRESULT hr = S_OK;
    if ((enable.dwFlags & DXMGREF_DISPLAYMODE) != 0) {
        dwModeWidth = enable.dwWidth;
        dwModeHeight = enable.dwHeight;
        dwModeBPP = enable.dwBPP;
        dwModeRefreshRate = enable.dwRefreshRate;
    } else if (hrPrevious != DDERR_NODIRECTDRAWHW) {
        // Asks the driver about video memory before the default mode; a
        // driver that just said it has no hardware is not asked again.
        DDSCAPS2 ddsCaps;
        ZeroMemory(&ddsCaps, sizeof(ddsCaps));
        DWORD dwTotal = 0, dwFree = 0;
        hr = pDD->GetAvailableVidMem(&ddsCaps, &dwTotal, &dwFree);
    }
    if (SUCCEEDED(hr))
        hr = pDD->SetDisplayMode(dwModeWidth, dwModeHeight, dwModeBPP, dwModeRefreshRate, 0);
    if (SUCCEEDED(hr)) {
        dwWidth = dwModeWidth;
        dwHeight = dwModeHeight;
        DDSURFACEDESC2 ddsd;
        ZeroMemory(&ddsd, sizeof(ddsd));
        ddsd.dwSize = sizeof(ddsd);
        ddsd.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        ddsd.dwBackBufferCount = (enable.dwFlags & DXMGREF_BACKBUFFERCOUNT) != 0 ? enable.dwBackBufferCount : 1;
        ddsd.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX
                              | RenderMemoryCaps(enable, IsHardwareDevice());
        if ((enable.dwFlags & DXMGREF_3D) != 0)
            ddsd.ddsCaps.dwCaps |= DDSCAPS_3DDEVICE;
        hr = Created(pDD->CreateSurface(&ddsd, &pddsPrimary, nullptr), pddsPrimary);
    }
    if (SUCCEEDED(hr)) {
        ddpfPrimary.dwSize = sizeof(ddpfPrimary);
        hr = pddsPrimary->GetPixelFormat(&ddpfPrimary);
    }
    if (SUCCEEDED(hr)) {
        DDSCAPS2 ddsCaps;
        ZeroMemory(&ddsCaps, sizeof(ddsCaps));
        ddsCaps.dwCaps = DDSCAPS_BACKBUFFER;
        hr = Created(pddsPrimary->GetAttachedSurface(&ddsCaps, &pddsBack), pddsBack);
    }
    if (SUCCEEDED(hr) && (enable.dwFlags & DXMGREF_3D) != 0 && (enable.dwFlags & DXMGREF_ZBUFFER) != 0)
        hr = CreateZBuffer(enable);
    if (FAILED(hr)) {
        ReleaseSurfaces();
        return hr;
    }
    return S_OK;
}

HRESULT CDXMgr::CreateZBuffer(const DXMGRENABLE& enable)
{
    zBufferFormats.Empty();
    HRESULT hr = pD3D->EnumZBufferFormats(guidDevice, ZBufferFormatCallback, this);
    if (FAILED(hr))
        return hr;

    DDSURFACEDESC2 ddsd;
    ZeroMemory(&ddsd, sizeof(ddsd));
    ddsd.dwSize = sizeof(ddsd);
    ddsd.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
    ddsd.dwWidth = dwWidth;
    ddsd.dwHeight = dwHeight;
    ddsd.ddsCaps.dwCaps = DDSCAPS_ZBUFFER | (IsHardwareDevice() ? DDSCAPS_VIDEOMEMORY : DDSCAPS_SYSTEMMEMORY);
    if ((enable.dwFlags & DXMGREF_ZBUFFERFORMAT) != 0) {
        ddsd.ddpfPixelFormat = enable.ddpfZBuffer;
    } else {
        const DDPIXELFORMAT* pFormat = nullptr;
        for (DWORD i = 0; i < zBufferFormats.cElements && pFormat == nullptr; ++i) {
            if (zBufferFormats.pElements[i].dwZBufferBitDepth == 16)
                pFormat = &zBufferFormats.pElements[i];
        }
        if (pFormat == nullptr)
            return S_FALSE;
        ddsd.ddpfPixelFormat = *pFormat;
    }
    hr = Created(pDD->CreateSurface(&ddsd, &pddsZBuffer, nullptr), pddsZBuffer);
    if (FAILED(hr))
        return hr;
    DDPIXELFORMAT ddpf;
    ZeroMemory(&ddpf, sizeof(ddpf));
    ddpf.dwSize = sizeof(ddpf);
    hr = pddsZBuffer->GetPixelFormat(&ddpf);
    if (FAILED(hr))
        return hr;
    ddpfZBuffer = ddpf;
    return pddsBack->AddAttachedSurface(pddsZBuffer);
}

HRESULT CDXMgr::SetUpPalette()
{
    const DWORD cEntries = 256;
    PALETTEENTRY* pEntries =
        static_cast<PALETTEENTRY*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, cEntries * sizeof(PALETTEENTRY)));
    if (pEntries == nullptr)
        return E_OUTOFMEMORY;
    // A 6 x 6 x 6 colour cube; the remaining 40 entries stay black.
    for (DWORD r = 0; r < 6; ++r) {
        for (DWORD g = 0; g < 6; ++g) {
            for (DWORD b = 0; b < 6; ++b) {
                PALETTEENTRY& entry = pEntries[r * 36 + g * 6 + b];
                entry.peRed = BYTE(r * 51);
                entry.peGreen = BYTE(g * 51);
                entry.peBlue = BYTE(b * 51);
                entry.peFlags = 0;
            }
        }
    }
    // The surface keeps a reference of its own; this one goes on return.
    ComHolder<IDirectDrawPalette> palette;
    HRESULT hr = Created(pDD->CreatePalette(DDPCAPS_8BIT, pEntries, palette.Out(), nullptr), palette);
    HeapFree(GetProcessHeap(), 0, pEntries);
    if (FAILED(hr))
        return hr;
    return pddsBack->SetPalette(palette.Get());
}

HRESULT CDXMgr::SetUpViewport()
{
    D3DVIEWPORT2 viewport;
    ZeroMemory(&viewport, sizeof(viewport));
    viewport.dwSize = sizeof(viewport);
    viewport.dwX = 0;
    viewport.dwY = 0;
    viewport.dwWidth = dwWidth;
    viewport.dwHeight = dwHeight;
    // The clip rectangle carries the width-to-height ratio, which the
    // projection leaves out.
    double aspect = dwWidth != 0 ? double(dwHeight) / double(dwWidth) : 1.0;
    viewport.dvClipX = -1.0f;
    viewport.dvClipY = float(aspect);
    viewport.dvClipWidth = 2.0f;
    viewport.dvClipHeight = float(2.0 * aspect);
    viewport.dvMinZ = 0.0f;
    viewport.dvMaxZ = 1.0f;

    HRESULT hr = pDevice->AddViewport(pViewport);
    if (SUCCEEDED(hr))
        hr = pViewport->SetViewport2(&viewport);
    if (SUCCEEDED(hr))
        hr = pDevice->SetCurrentViewport(pViewport);
    return hr;
}

HRESULT CDXMgr::SetProjection(float dvNear, float dvFar)
{
    const double s = std::sin(double(kHalfFieldOfView));
    const double c = std::cos(double(kHalfFieldOfView));
    const double q = s / (1.0 - double(dvNear) / double(dvFar));
    D3DMATRIX projection;
    ZeroMemory(&projection, sizeof(projection));
    projection._11 = float(c);
    projection._22 = float(c);
    projection._33 = float(q);
    projection._34 = float(s);
    projection._43 = float(-q * double(dvNear));
    return pDevice->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &projection);
}

STDMETHODIMP CDXMgr::Disable(DWORD)
{
    if (!fEnabled)
        return DXMgrFail("Disable", "Not enabled", DXMGRERR_NOTENABLED);
    if (IsFullScreen())
        pDD->RestoreDisplayMode();
    ReleaseInterfaces(true);
    fEnabled = false;
    return S_OK;
}
