// Frame operations: Clear, Update, RestoreSurfaces, FlipToGDISurface.
#include "dxmgr/dxmgr_object.h"
#include "dxmgr/dxmgr_diagnostics.h"

DWORD ColorToPixel(DWORD dwComponent, DWORD dwMask)
{
    if (dwMask == 0)
        return 0;
    const int iShift = __builtin_ctz(dwMask);
    const int cBits = __builtin_popcount(dwMask);
    if (cBits >= 8)
        return (dwComponent << iShift) & dwMask;
    return (dwComponent >> (8 - cBits)) << iShift;
}

STDMETHODIMP CDXMgr::Clear(DWORD dwCount, const D3DRECT* lpRects, DWORD dwFlags, D3DCOLOR dwColor, float dvZ,
                           DWORD dwStencil)
{
    if (!fEnabled)
        return DXMgrFail("Clear", "Not enabled", DXMGRERR_NOTENABLED);
    if (lpRects == nullptr && dwCount != 0)
        return DXMgrFail("Clear", "Rect count must be 0 if PRECT is NULL", E_INVALIDARG);
    if (lpRects != nullptr
        && (SIZE_T(dwCount) > SIZE_T(-1) / sizeof(D3DRECT) || IsBadReadPtr(lpRects, SIZE_T(dwCount) * sizeof(D3DRECT))))
        return DXMgrFail("Clear", "Invalid rect pointer", E_POINTER);
    if (dwFlags == 0)
        return DXMgrFail("Clear", "Flags must be nonzero", E_INVALIDARG);

    D3DRECT full;
    if (lpRects == nullptr) {
        full.x1 = 0;
        full.y1 = 0;
        full.x2 = LONG(dwWidth);
        full.y2 = LONG(dwHeight);
        lpRects = &full;
        dwCount = 1;
    }
    if ((dwFlags & ~DWORD(D3DCLEAR_TARGET)) != 0 && pViewport == nullptr)
        return DXMgrFail("Clear", "3D required", DXMGRERR_3DREQUIRED);
    if (pViewport == nullptr)
        return FillTarget(dwCount, lpRects, dwColor);
    return pViewport->Clear2(dwCount, const_cast<D3DRECT*>(lpRects), dwFlags, dwColor, dvZ, dwStencil);
}

HRESULT CDXMgr::FillTarget(DWORD dwCount, const D3DRECT* pRects, D3DCOLOR dwColor)
{
    if ((ddpfPrimary.dwFlags & DDPF_RGB) == 0 || (ddpfPrimary.dwFlags & DDPF_PALETTEINDEXED8) != 0)
        return DXMgrFail("Clear", "Unsupported pixel format", DXMGRERR_UNSUPPORTEDPIXELFORMAT);
    DDBLTFX fx;
    ZeroMemory(&fx, sizeof(fx));
    fx.dwSize = sizeof(fx);
    fx.dwFillColor = ColorToPixel((dwColor >> 16) & 0xFF, ddpfPrimary.dwRBitMask)
                     | ColorToPixel((dwColor >> 8) & 0xFF, ddpfPrimary.dwGBitMask)
                     | ColorToPixel(dwColor & 0xFF, ddpfPrimary.dwBBitMask);
    for (DWORD i = 0; i < dwCount; ++i) {
        RECT rcTarget = {pRects[i].x1, pRects[i].y1, pRects[i].x2, pRects[i].y2};
        HRESULT hr = pddsBack->Blt(&rcTarget, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

STDMETHODIMP CDXMgr::Update(DWORD dwFlags, const RECT* pRect)
{
    if (!fEnabled)
        return DXMgrFail("Update", "Not enabled", DXMGRERR_NOTENABLED);
    if ((dwFlags & ~DWORD(DXMGRUF_NOWAIT | DXMGRUF_BLIT)) != 0)
        return DXMgrFail("Update", "Invalid flags", E_INVALIDARG);
    if (pRect != nullptr && IsBadInPointer(pRect))
        return DXMgrFail("Update", "Invalid pointer", E_POINTER);

    const bool fWait = (dwFlags & DXMGRUF_NOWAIT) == 0;
    if (IsFullScreen() && pRect == nullptr && (dwFlags & DXMGRUF_BLIT) == 0)
        return pddsPrimary->Flip(nullptr, fWait ? DDFLIP_WAIT : 0);

    RECT rcSource = {0, 0, LONG(dwWidth), LONG(dwHeight)};
    if (pRect != nullptr)
        rcSource = *pRect;
    if (rcSource.right <= rcSource.left || rcSource.bottom <= rcSource.top)
        return S_OK;
    RECT rcTarget = rcSource;
    if (!IsFullScreen()) {
        POINT ptTopLeft = {rcTarget.left, rcTarget.top};
        POINT ptBottomRight = {rcTarget.right, rcTarget.bottom};
        ClientToScreen(hwndDevice, &ptTopLeft);
        ClientToScreen(hwndDevice, &ptBottomRight);
        rcTarget.left = ptTopLeft.x;
        rcTarget.top = ptTopLeft.y;
        rcTarget.right = ptBottomRight.x;
        rcTarget.bottom = ptBottomRight.y;
    }
    return pddsPrimary->Blt(&rcTarget, pddsBack, pRect != nullptr ? &rcSource : nullptr, fWait ? DDBLT_WAIT : 0,
                            nullptr);
}

STDMETHODIMP CDXMgr::RestoreSurfaces()
{
    if (!fEnabled)
        return DXMgrFail("RestoreSurfaces", "Not enabled", DXMGRERR_NOTENABLED);
    HRESULT hr = pddsPrimary->Restore();
    if (hr != DD_OK)
        return DXMgrFail("RestoreSurfaces", "Could not restore primary", hr);
    // A full-screen back buffer is restored with the primary's chain.
    if (!IsFullScreen()) {
        hr = pddsBack->Restore();
        if (hr != DD_OK)
            return DXMgrFail("RestoreSurfaces", "Could not restore back buffer", hr);
    }
    if (pddsZBuffer != nullptr) {
        hr = pddsZBuffer->Restore();
        if (hr != DD_OK)
            return DXMgrFail("RestoreSurfaces", "Could not restore Z buffer", hr);
    }
    return S_OK;
}

STDMETHODIMP CDXMgr::FlipToGDISurface()
{
    if (!fInitialized)
        return DXMgrFail("FlipToGDISurface", "Not initialized", DXMGRERR_NOTINITIALIZED);
    return pDD->FlipToGDISurface();
}
