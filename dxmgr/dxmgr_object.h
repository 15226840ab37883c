#pragma once
// The DXMgr object behind IDXMgr. Internal to the library; callers and tests
// reach it only through IDXMgr. The steps of Enable are grouped below by the
// file that holds them.
#include "dxmgr/dxmgr.h"
#include "dxmgr/dxmgr_list.h"

class CDXMgr final : public IDXMgr {
public:
    CDXMgr();
    ~CDXMgr();
    CDXMgr(const CDXMgr&) = delete;
    CDXMgr& operator=(const CDXMgr&) = delete;

    // IUnknown
    STDMETHOD(QueryInterface)(REFIID riid, void** ppvObject) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;

    // IDXMgr
    STDMETHOD(Clear)(DWORD dwCount, const D3DRECT* lpRects, DWORD dwFlags, D3DCOLOR dwColor, float dvZ,
                     DWORD dwStencil) override;
    STDMETHOD(Initialize)(const GUID* pguidDriver, HWND hwndFocus, DWORD dwFlags) override;
    STDMETHOD(CreateEnumDirectDraws)(IEnumDirectDraws** ppEnum, DWORD dwFlags) override;
    STDMETHOD(CreateEnumDisplayModes)(IEnumDisplayModes** ppEnum, DWORD dwFlags) override;
    STDMETHOD(CreateEnumTextureFormats)(IEnumPixelFormats** ppEnum, DWORD dwFlags) override;
    STDMETHOD(CreateEnumZBufferFormats)(IEnumPixelFormats** ppEnum, const GUID* pguidDevice,
                                        DWORD dwFlags) override;
    STDMETHOD(Enable)(const DXMGRENABLE* pEnable) override;
    STDMETHOD(Disable)(DWORD dwFlags) override;
    STDMETHOD(FlipToGDISurface)() override;
    STDMETHOD(GetDeviceCaps)(D3DDEVICEDESC* pDesc) override;
    STDMETHOD(GetEnableInfo)(DXMGRENABLEINFO* pInfo) override;
    STDMETHOD(GetFlags)(DWORD dwSelector, DWORD* pdwFlags) override;
    STDMETHOD(GetFocusWindow)(HWND* phwnd) override;
    STDMETHOD(GetDeviceWindow)(HWND* phwnd) override;
    STDMETHOD(GetDirectDraw)(IDirectDraw4** ppDD) override;
    STDMETHOD(GetPrimary)(IDirectDrawSurface4** ppdds) override;
    STDMETHOD(GetBackBuffer)(IDirectDrawSurface4** ppdds) override;
    STDMETHOD(GetZBuffer)(IDirectDrawSurface4** ppdds) override;
    STDMETHOD(GetDirect3D)(IDirect3D3** ppD3D) override;
    STDMETHOD(GetDirect3DDevice)(IDirect3DDevice3** ppDevice) override;
    STDMETHOD(RestoreSurfaces)() override;
    STDMETHOD(Update)(DWORD dwFlags, const RECT* pRect) override;

private:
    // Back to the uninitialized state: restores the display mode after
    // full-screen use, releases every interface, frees the lists. Keeps the
    // reference count and the usage counter.
    void Uninitialize();

    // Enumeration callbacks; the context is the CDXMgr. Each appends to its
    // list and asks to stop only when memory ran out.
    static HRESULT CALLBACK DisplayModeCallback(LPDDSURFACEDESC2 pddsd, LPVOID pContext);
    static HRESULT CALLBACK DeviceCallback(GUID* pguid, char* pszDescription, char* pszName,
                                           D3DDEVICEDESC* pHardware, D3DDEVICEDESC* pSoftware,
                                           void* pContext);
    static HRESULT CALLBACK ZBufferFormatCallback(DDPIXELFORMAT* pddpf, void* pContext);
    static HRESULT CALLBACK TextureFormatCallback(DDPIXELFORMAT* pddpf, void* pContext);

    bool IsFullScreen() const { return (dwEnableFlags & DXMGREF_FULLSCREEN) != 0; }
    bool IsHardwareDevice() const { return IsEqualGUID(guidDevice, IID_IDirect3DHALDevice) != FALSE; }

    // Every field but the counts to its uninitialized value; the lists are
    // freed.
    void ResetFields();
    void AttachUsageCounter();
    void DetachUsageCounter();

    // release.cpp: the interface fields in their one order. Disable keeps
    // the DirectDraw and Direct3D objects; Uninitialize does not.
    void ReleaseInterfaces(bool fKeepDirectX);
    // The viewport and the device.
    void Release3DObjects();
    // Clipper, back buffer (unless it belongs to a flipping chain), primary
    // and Z-buffer; also what a failed surface attempt leaves.
    void ReleaseSurfaces();

    // display_mode.cpp
    HRESULT SetFullScreenMode(const DXMGRENABLE& enable, HRESULT hrPrevious);
    // Gives the display mode back after full-screen use.
    void LeaveFullScreenMode();

    // surfaces.cpp: one attempt; a failed one releases what it made.
    HRESULT BuildSurfaces(const DXMGRENABLE& enable, HRESULT hrPrevious);
    // The primary surface as described, and its pixel format.
    HRESULT CreatePrimary(DDSURFACEDESC2& ddsd);
    HRESULT CreateWindowedSurfaces(const DXMGRENABLE& enable);
    HRESULT CreateFullScreenSurfaces(const DXMGRENABLE& enable, HRESULT hrPrevious);

    // zbuffer.cpp
    HRESULT CreateZBuffer(const DXMGRENABLE& enable);

    // device_3d.cpp. ChooseDevice sets guidDevice: the caller's device, else
    // the hardware device (not on the retry), else the software device. A
    // driver that lists neither is no failure: guidDevice stays as it was
    // and CreateDevice decides.
    void ChooseDevice(const DXMGRENABLE& enable, bool fRetry);
    HRESULT Create3DDevice(const DXMGRENABLE& enable);
    HRESULT SetUpPalette();
    HRESULT SetUpViewport();
    HRESULT SetProjection(float dvNear, float dvFar);

    // frame.cpp
    HRESULT FillTarget(DWORD dwCount, const D3DRECT* pRects, D3DCOLOR dwColor);

    // Fields, in their declared order.
    ULONG                cRef;
    bool                 fInitialized;
    bool                 fEnabled;
    HANDLE               hUsageMapping;
    volatile LONG*       plUsageCount;
    HWND                 hwndFocus;
    HWND                 hwndDevice;
    IDirectDraw4*        pDD;
    IDirectDrawSurface4* pddsPrimary;
    IDirectDrawSurface4* pddsBack;      // full-screen: owned by the primary's chain
    IDirectDrawSurface4* pddsZBuffer;
    IDirectDrawClipper*  pClipper;
    IDirect3D3*          pD3D;
    IDirect3DDevice3*    pDevice;
    IDirect3DViewport3*  pViewport;
    DWORD                dwInitFlags;
    DWORD                dwEnableFlags;
    DWORD                dwWidth;
    DWORD                dwHeight;
    GUID                 guidDevice;
    DDPIXELFORMAT        ddpfPrimary;
    DDPIXELFORMAT        ddpfZBuffer;
    DXMgrList<DXMGRDISPLAYMODE> displayModes;
    DXMgrList<GUID>             devices;
    DXMgrList<DDPIXELFORMAT>    zBufferFormats;
    DXMgrList<DDPIXELFORMAT>    textureFormats;

    // What the constructor's CoInitialize returned; only a success is balanced.
    HRESULT m_hrCoInitialize;
};

// Sorts display modes by width, height, depth and refresh rate, keeping
// equal modes in the order DirectDraw reported them.
void SortDisplayModes(DXMgrList<DXMGRDISPLAYMODE>& list);

// The value of one 8-bit colour component in a channel of the given mask:
// its most significant bits placed at the mask's position. A zero mask
// contributes nothing.
DWORD ColorToPixel(DWORD dwComponent, DWORD dwMask);
