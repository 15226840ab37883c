// The 3D device of Enable: which device, its render target's palette on 8-bit
// displays, the device itself with its texture formats, the viewport and the
// projection.
#include "dxmgr/dxmgr_object.h"
#include "dxmgr/com_holder.h"

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

HRESULT CALLBACK CDXMgr::TextureFormatCallback(DDPIXELFORMAT* pddpf, void* pContext)
{
    if (pddpf == nullptr)
        return D3DENUMRET_OK;
    CDXMgr* pThis = static_cast<CDXMgr*>(pContext);
    return pThis->textureFormats.AppendElement(*pddpf) ? D3DENUMRET_OK : D3DENUMRET_CANCEL;
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

HRESULT CDXMgr::Create3DDevice(const DXMGRENABLE& enable)
{
    DDSURFACEDESC2 ddsd;
    ZeroMemory(&ddsd, sizeof(ddsd));
    ddsd.dwSize = sizeof(ddsd);
    HRESULT hr = pddsBack->GetSurfaceDesc(&ddsd);
    if (FAILED(hr))
        return hr;
    if ((ddsd.ddpfPixelFormat.dwFlags & DDPF_PALETTEINDEXED8) != 0) {
        hr = SetUpPalette();
        if (FAILED(hr))
            return hr;
    }
    hr = Created(pD3D->CreateDevice(guidDevice, pddsBack, &pDevice, nullptr), pDevice);
    if (FAILED(hr))
        return hr;
    textureFormats.Empty();
    hr = pDevice->EnumTextureFormats(TextureFormatCallback, this);
    if (FAILED(hr))
        return hr;
    hr = Created(pD3D->CreateViewport(&pViewport, nullptr), pViewport);
    if (FAILED(hr))
        return hr;
    hr = SetUpViewport();
    if (FAILED(hr))
        return hr;
    return SetProjection(enable.dvNear, enable.dvFar);
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
