// Accessors of the enabled state. Each hands out what it writes with a
// reference of the caller's own.
#include "dxmgr/dxmgr_object.h"
#include "dxmgr/dxmgr_diagnostics.h"

STDMETHODIMP CDXMgr::GetEnableInfo(DXMGRENABLEINFO* pInfo)
{
    if (!fEnabled)
        return DXMgrFail("GetEnableInfo", "Not enabled", DXMGRERR_NOTENABLED);
    if (IsBadOutPointer(pInfo))
        return DXMgrFail("GetEnableInfo", "Invalid pointer", E_POINTER);
    DDSURFACEDESC2 ddsd;
    ZeroMemory(&ddsd, sizeof(ddsd));
    ddsd.dwSize = sizeof(ddsd);
    HRESULT hr = pDD->GetDisplayMode(&ddsd);
    if (FAILED(hr))
        return hr;
    pInfo->dwWidth = dwWidth;
    pInfo->dwHeight = dwHeight;
    pInfo->dwDisplayWidth = ddsd.dwWidth;
    pInfo->dwDisplayHeight = ddsd.dwHeight;
    pInfo->dwDisplayBPP = ddsd.ddpfPixelFormat.dwRGBBitCount;
    pInfo->dwDisplayRefreshRate = ddsd.dwRefreshRate;
    pInfo->ddpfPrimary = ddpfPrimary;
    pInfo->ddpfZBuffer = ddpfZBuffer;
    pInfo->guidDevice = guidDevice;
    return S_OK;
}

STDMETHODIMP CDXMgr::GetDeviceWindow(HWND* phwnd)
{
    if (!fEnabled)
        return DXMgrFail("GetDeviceWindow", "Not enabled", DXMGRERR_NOTENABLED);
    if (IsBadOutPointer(phwnd))
        return DXMgrFail("GetDeviceWindow", "Invalid pointer", E_POINTER);
    *phwnd = hwndDevice;
    return S_OK;
}

STDMETHODIMP CDXMgr::GetPrimary(IDirectDrawSurface4** ppdds)
{
    if (IsBadOutPointer(ppdds))
        return DXMgrFail("GetPrimary", "Invalid pointer", E_POINTER);
    if (!fEnabled)
        return DXMgrFail("GetPrimary", "Not enabled", DXMGRERR_NOTENABLED);
    if (IsFullScreen())
        return DXMgrFail("GetPrimary", "Windowed mode required", DXMGRERR_WINDOWEDREQUIRED);
    pddsPrimary->AddRef();
    *ppdds = pddsPrimary;
    return S_OK;
}

STDMETHODIMP CDXMgr::GetBackBuffer(IDirectDrawSurface4** ppdds)
{
    if (IsBadOutPointer(ppdds))
        return DXMgrFail("GetBackBuffer", "Invalid pointer", E_POINTER);
    if (!fEnabled)
        return DXMgrFail("GetBackBuffer", "Not enabled", DXMGRERR_NOTENABLED);
    pddsBack->AddRef();
    *ppdds = pddsBack;
    return S_OK;
}

STDMETHODIMP CDXMgr::GetZBuffer(IDirectDrawSurface4** ppdds)
{
    if (IsBadOutPointer(ppdds))
        return DXMgrFail("GetZBuffer", "Invalid pointer", E_POINTER);
    if (!fEnabled)
        return DXMgrFail("GetZBuffer", "Not enabled", DXMGRERR_NOTENABLED);
    if (pddsZBuffer != nullptr)
        pddsZBuffer->AddRef();
    *ppdds = pddsZBuffer;
    return S_OK;
}

STDMETHODIMP CDXMgr::GetDeviceCaps(D3DDEVICEDESC* pDesc)
{
    if (IsBadOutPointer(pDesc))
        return DXMgrFail("GetDeviceCaps", "Invalid pointer", E_POINTER);
    if (!fEnabled)
        return DXMgrFail("GetDeviceCaps", "Not enabled", DXMGRERR_NOTENABLED);
    if (pDevice == nullptr)
        return DXMgrFail("GetDeviceCaps", "3D required", DXMGRERR_3DREQUIRED);
    D3DDEVICEDESC hardware, software;
    ZeroMemory(&hardware, sizeof(hardware));
    ZeroMemory(&software, sizeof(software));
    hardware.dwSize = sizeof(hardware);
    software.dwSize = sizeof(software);
    HRESULT hr = pDevice->GetCaps(&hardware, &software);
    if (FAILED(hr))
        return hr;
    *pDesc = IsHardwareDevice() ? hardware : software;
    return S_OK;
}

STDMETHODIMP CDXMgr::GetDirect3DDevice(IDirect3DDevice3** ppDevice)
{
    if (IsBadOutPointer(ppDevice))
        return DXMgrFail("GetDirect3DDevice", "Invalid pointer", E_POINTER);
    if (!fEnabled)
        return DXMgrFail("GetDirect3DDevice", "Not enabled", DXMGRERR_NOTENABLED);
    if ((dwEnableFlags & DXMGREF_3D) == 0)
        return DXMgrFail("GetDirect3DDevice", "3D required", DXMGRERR_3DREQUIRED);
    pDevice->AddRef();
    *ppDevice = pDevice;
    return S_OK;
}
