// The Z-buffer of a 3D Enable: the chosen device's formats, a surface of the
// drawing area's size, attached to the back buffer.
#include "dxmgr/dxmgr_object.h"
#include "dxmgr/com_holder.h"

HRESULT CALLBACK CDXMgr::ZBufferFormatCallback(DDPIXELFORMAT* pddpf, void* pContext)
{
    if (pddpf == nullptr)
        return D3DENUMRET_OK;
    CDXMgr* pThis = static_cast<CDXMgr*>(pContext);
    return pThis->zBufferFormats.AppendElement(*pddpf) ? D3DENUMRET_OK : D3DENUMRET_CANCEL;
}

// S_FALSE, with no Z-buffer made, when the caller named no format and the
// device offers no 16-bit one: Enable then goes on without a Z-buffer.
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
