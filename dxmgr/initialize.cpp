// Initialize and the accessors of the initialized state.
#include "dxmgr/dxmgr_object.h"
#include "dxmgr/com_holder.h"
#include "dxmgr/dxmgr_diagnostics.h"

namespace {

bool IsLess(const DXMGRDISPLAYMODE& a, const DXMGRDISPLAYMODE& b)
{
    if (a.dwWidth != b.dwWidth)
        return a.dwWidth < b.dwWidth;
    if (a.dwHeight != b.dwHeight)
        return a.dwHeight < b.dwHeight;
    if (a.dwBPP != b.dwBPP)
        return a.dwBPP < b.dwBPP;
    return a.dwRefreshRate < b.dwRefreshRate;
}

bool IsNullGuid(const GUID* pguid)
{
    return pguid == nullptr || IsEqualGUID(*pguid, GUID_NULL);
}

// DirectDraw's DirectX 6 interface. The first interface serves only to ask
// for it and goes as soon as it has answered.
HRESULT CreateDirectDraw4(IDirectDraw4*& pDD)
{
    ComHolder<IDirectDraw> first;
    HRESULT hr = Created(
        CoCreateInstance(CLSID_DirectDraw, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectDraw, first.OutVoid()), first);
    if (FAILED(hr))
        return hr;
    return Created(first->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&pDD)), pDD);
}

} // namespace

// Insertion sort: stable, so modes that DirectDraw reports twice keep their
// reported order.
void SortDisplayModes(DXMgrList<DXMGRDISPLAYMODE>& list)
{
    for (DWORD i = 1; i < list.cElements; ++i) {
        DXMGRDISPLAYMODE mode = list.pElements[i];
        DWORD j = i;
        while (j > 0 && IsLess(mode, list.pElements[j - 1])) {
            list.pElements[j] = list.pElements[j - 1];
            --j;
        }
        list.pElements[j] = mode;
    }
}

HRESULT CALLBACK CDXMgr::DisplayModeCallback(LPDDSURFACEDESC2 pddsd, LPVOID pContext)
{
    if (pddsd == nullptr)
        return DDENUMRET_OK;
    DXMGRDISPLAYMODE mode;
    mode.dwWidth = pddsd->dwWidth;
    mode.dwHeight = pddsd->dwHeight;
    mode.dwBPP = pddsd->ddpfPixelFormat.dwRGBBitCount;
    mode.dwRefreshRate = pddsd->dwRefreshRate;
    CDXMgr* pThis = static_cast<CDXMgr*>(pContext);
    return pThis->displayModes.AppendElement(mode) ? DDENUMRET_OK : DDENUMRET_CANCEL;
}

STDMETHODIMP CDXMgr::Initialize(const GUID* pguidDriver, HWND hwndFocusWindow, DWORD dwFlags)
{
    if (pDD != nullptr)
        return DXMgrFail("Initialize", "Already initialized", DXMGRERR_ALREADYINITIALIZED);
    if (!IsWindow(hwndFocusWindow))
        return DXMgrFail("Initialize", "Invalid window", E_INVALIDARG);
    if (dwFlags != 0)
        return DXMgrFail("Initialize", "Invalid flags specified", E_INVALIDARG);
    if (pguidDriver != nullptr && IsBadInPointer(pguidDriver))
        return DXMgrFail("Initialize", "Invalid pointer", E_POINTER);

    HRESULT hr = CreateDirectDraw4(pDD);
    if (FAILED(hr)) {
        Uninitialize();
        return hr;
    }

    hr = pDD->Initialize(IsNullGuid(pguidDriver) ? nullptr : const_cast<GUID*>(pguidDriver));
    if (SUCCEEDED(hr)) {
        hwndFocus = hwndFocusWindow;
        hr = pDD->SetCooperativeLevel(hwndFocus, DDSCL_SETFOCUSWINDOW);
    }
    if (SUCCEEDED(hr)) {
        displayModes.Empty();
        hr = pDD->EnumDisplayModes(DDEDM_REFRESHRATES, nullptr, this, DisplayModeCallback);
    }
    if (SUCCEEDED(hr)) {
        SortDisplayModes(displayModes);
        hr = Created(pDD->QueryInterface(IID_IDirect3D3, reinterpret_cast<void**>(&pD3D)), pD3D);
    }
    if (FAILED(hr)) {
        Uninitialize();
        return hr;
    }

    dwInitFlags = 0;
    fInitialized = true;
    return S_OK;
}

STDMETHODIMP CDXMgr::GetFlags(DWORD dwSelector, DWORD* pdwFlags)
{
    if (IsBadOutPointer(pdwFlags))
        return DXMgrFail("GetFlags", "Invalid pointer", E_POINTER);
    if ((dwSelector & (DXMGRGF_INIT | DXMGRGF_ENABLE)) == (DXMGRGF_INIT | DXMGRGF_ENABLE))
        return DXMgrFail("GetFlags", "Must specify DXMGRGF_INIT _or_ DXMGRGF_ENABLE", E_INVALIDARG);
    if (dwSelector == DXMGRGF_INIT) {
        if (!fInitialized)
            return DXMgrFail("GetFlags", "Not initialized", DXMGRERR_NOTINITIALIZED);
        *pdwFlags = dwInitFlags;
        return S_OK;
    }
    if (dwSelector == DXMGRGF_ENABLE) {
        if (!fEnabled)
            return DXMgrFail("GetFlags", "Not enabled", DXMGRERR_NOTENABLED);
        *pdwFlags = dwEnableFlags;
        return S_OK;
    }
    return E_INVALIDARG;
}

STDMETHODIMP CDXMgr::GetFocusWindow(HWND* phwnd)
{
    if (hwndFocus == nullptr)
        return DXMgrFail("GetFocusWindow", "Not initialized", DXMGRERR_NOTINITIALIZED);
    if (IsBadOutPointer(phwnd))
        return DXMgrFail("GetFocusWindow", "Invalid pointer", E_POINTER);
    *phwnd = hwndFocus;
    return S_OK;
}

STDMETHODIMP CDXMgr::GetDirectDraw(IDirectDraw4** ppDD)
{
    if (pDD == nullptr)
        return DXMgrFail("GetDirectDraw", "Not initialized", DXMGRERR_NOTINITIALIZED);
    if (IsBadOutPointer(ppDD))
        return DXMgrFail("GetDirectDraw", "Invalid pointer", E_POINTER);
    pDD->AddRef();
    *ppDD = pDD;
    return S_OK;
}

STDMETHODIMP CDXMgr::GetDirect3D(IDirect3D3** ppD3D)
{
    if (IsBadOutPointer(ppD3D))
        return DXMgrFail("GetDirect3D", "Invalid pointer", E_POINTER);
    if (pD3D == nullptr)
        return DXMgrFail("GetDirect3D", "Not initialized", DXMGRERR_NOTINITIALIZED);
    pD3D->AddRef();
    *ppD3D = pD3D;
    return S_OK;
}
