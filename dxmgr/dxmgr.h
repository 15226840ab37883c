#pragma once
// DXMgr: a COM-style display manager over DirectDraw and Direct3D at the
// DirectX 6 level. Create one with DXMgrCreate, then Initialize, Enable, draw
// frames (Clear, draw through the 3D device, Update), Disable and Release.
//
// Every operation returns an HRESULT. A failure that an operation detects
// itself also writes one line to the debugger output:
//     "DXMgr: <operation>: <reason>\n"
// Failures reported by DirectX or COM are passed on unchanged.

#include <windows.h>
#include <objbase.h>

#ifndef DIRECTDRAW_VERSION
#define DIRECTDRAW_VERSION 0x0600
#endif
#include <ddraw.h>
#include <d3d.h>

// ---------------------------------------------------------------------------
// Interface identifiers

// {65E51761-EBA8-11D1-AA78-00600814AAE9}
DEFINE_GUID(IID_IDXMgr, 0x65e51761, 0xeba8, 0x11d1, 0xaa, 0x78, 0x00, 0x60, 0x08, 0x14, 0xaa, 0xe9);
// {5FF13307-FCB9-11D1-B233-0000F81FDF9E}
DEFINE_GUID(IID_IEnumDirectDraws, 0x5ff13307, 0xfcb9, 0x11d1, 0xb2, 0x33, 0x00, 0x00, 0xf8, 0x1f, 0xdf, 0x9e);
// {5FF13337-FCB9-11D1-B233-0000F81FDF9E}
DEFINE_GUID(IID_IEnumPixelFormats, 0x5ff13337, 0xfcb9, 0x11d1, 0xb2, 0x33, 0x00, 0x00, 0xf8, 0x1f, 0xdf, 0x9e);
// {B4E847C0-FF1A-11D1-B233-0000F81FDF9E}
DEFINE_GUID(IID_IEnumDisplayModes, 0xb4e847c0, 0xff1a, 0x11d1, 0xb2, 0x33, 0x00, 0x00, 0xf8, 0x1f, 0xdf, 0x9e);

// ---------------------------------------------------------------------------
// Result codes (besides S_OK, E_NOINTERFACE, E_POINTER, E_INVALIDARG and
// E_OUTOFMEMORY)

#define DXMGRERR_DIRECTXREQUIRED        ((HRESULT)0x80040201L)
#define DXMGRERR_NOTINITIALIZED         ((HRESULT)0x80040206L)
#define DXMGRERR_NOTENABLED             ((HRESULT)0x80040207L)
#define DXMGRERR_ALREADYINITIALIZED     ((HRESULT)0x80040208L)
#define DXMGRERR_ALREADYENABLED         ((HRESULT)0x80040209L)
#define DXMGRERR_WINDOWEDREQUIRED       ((HRESULT)0x8004020FL)
#define DXMGRERR_3DREQUIRED             ((HRESULT)0x80040211L)
#define DXMGRERR_UNSUPPORTEDPIXELFORMAT ((HRESULT)0x80040214L)

// ---------------------------------------------------------------------------
// Flags

// GetFlags selectors
#define DXMGRGF_INIT    0x00000001  // the flags given to Initialize
#define DXMGRGF_ENABLE  0x00000002  // the flags given to Enable

// DXMGRENABLE.dwFlags
#define DXMGREF_FULLSCREEN       0x00000001  // exclusive full-screen with a flipping chain
#define DXMGREF_DISPLAYMODE      0x00000002  // full-screen: use dwWidth/dwHeight/dwBPP/dwRefreshRate
#define DXMGREF_BACKBUFFERCOUNT  0x00000004  // full-screen: use dwBackBufferCount
#define DXMGREF_3D               0x00000008  // 3D render target, device, viewport, projection
#define DXMGREF_ZBUFFER          0x00000010  // with DXMGREF_3D: attach a Z-buffer
#define DXMGREF_ZBUFFERFORMAT    0x00000020  // the Z-buffer format is ddpfZBuffer
#define DXMGREF_DEVICE           0x00000040  // the Direct3D device is guidDevice
#define DXMGREF_VIDEOMEMORY      0x00000080  // render surfaces in video memory

// Update flags
#define DXMGRUF_NOWAIT  0x00000001  // do not wait for the flip or blit to be accepted
#define DXMGRUF_BLIT    0x00000002  // full-screen: copy instead of flipping

// ---------------------------------------------------------------------------
// Records

typedef struct _DXMGRDISPLAYMODE {
    DWORD dwWidth;
    DWORD dwHeight;
    DWORD dwBPP;
    DWORD dwRefreshRate;        // 0 when the driver reports none
} DXMGRDISPLAYMODE, *LPDXMGRDISPLAYMODE;

typedef struct _DXMGRENABLE {
    DWORD         dwFlags;              // DXMGREF_*
    DWORD         dwCoopLevel;          // DDSCL_* added to the level Enable sets
    HWND          hwndDevice;           // required when windowed
    DWORD         dwWidth;              // display mode (DXMGREF_DISPLAYMODE)
    DWORD         dwHeight;
    DWORD         dwBPP;
    DWORD         dwRefreshRate;        // 0 for the default
    DWORD         dwBackBufferCount;    // DXMGREF_BACKBUFFERCOUNT
    GUID          guidDevice;           // DXMGREF_DEVICE
    DDPIXELFORMAT ddpfZBuffer;          // DXMGREF_ZBUFFERFORMAT
    float         dvNear;               // projection planes; dvFar nonzero and != dvNear
    float         dvFar;
} DXMGRENABLE, *LPDXMGRENABLE;

typedef struct _DXMGRENABLEINFO {
    DWORD         dwWidth;              // drawing area
    DWORD         dwHeight;
    DWORD         dwDisplayWidth;       // current display mode
    DWORD         dwDisplayHeight;
    DWORD         dwDisplayBPP;
    DWORD         dwDisplayRefreshRate;
    DDPIXELFORMAT ddpfPrimary;
    DDPIXELFORMAT ddpfZBuffer;          // last Z-buffer made, all zero if none
    GUID          guidDevice;
} DXMGRENABLEINFO, *LPDXMGRENABLEINFO;

typedef struct _DXMGRDIRECTDRAW {
    GUID     guidDriver;        // all zero for the primary display driver
    LPSTR    pszName;           // owned by the enumerator; may be NULL
    LPSTR    pszDescription;    // owned by the enumerator; may be NULL
    HMONITOR hMonitor;
} DXMGRDIRECTDRAW, *LPDXMGRDIRECTDRAW;

// ---------------------------------------------------------------------------
// Enumerator interfaces

#undef INTERFACE
#define INTERFACE IEnumDirectDraws
DECLARE_INTERFACE_(IEnumDirectDraws, IUnknown)
{
    STDMETHOD(QueryInterface)(THIS_ REFIID riid, void** ppvObject) PURE;
    STDMETHOD_(ULONG, AddRef)(THIS) PURE;
    STDMETHOD_(ULONG, Release)(THIS) PURE;
    STDMETHOD(Next)(THIS_ ULONG celt, DXMGRDIRECTDRAW* rgelt, ULONG* pceltFetched) PURE;
    STDMETHOD(Skip)(THIS_ ULONG celt) PURE;
    STDMETHOD(Reset)(THIS) PURE;
    STDMETHOD(Clone)(THIS_ IEnumDirectDraws** ppEnum) PURE;
};
#undef INTERFACE

#define INTERFACE IEnumDisplayModes
DECLARE_INTERFACE_(IEnumDisplayModes, IUnknown)
{
    STDMETHOD(QueryInterface)(THIS_ REFIID riid, void** ppvObject) PURE;
    STDMETHOD_(ULONG, AddRef)(THIS) PURE;
    STDMETHOD_(ULONG, Release)(THIS) PURE;
    STDMETHOD(Next)(THIS_ ULONG celt, DXMGRDISPLAYMODE* rgelt, ULONG* pceltFetched) PURE;
    STDMETHOD(Skip)(THIS_ ULONG celt) PURE;
    STDMETHOD(Reset)(THIS) PURE;
    STDMETHOD(Clone)(THIS_ IEnumDisplayModes** ppEnum) PURE;
};
#undef INTERFACE

#define INTERFACE IEnumPixelFormats
DECLARE_INTERFACE_(IEnumPixelFormats, IUnknown)
{
    STDMETHOD(QueryInterface)(THIS_ REFIID riid, void** ppvObject) PURE;
    STDMETHOD_(ULONG, AddRef)(THIS) PURE;
    STDMETHOD_(ULONG, Release)(THIS) PURE;
    STDMETHOD(Next)(THIS_ ULONG celt, DDPIXELFORMAT* rgelt, ULONG* pceltFetched) PURE;
    STDMETHOD(Skip)(THIS_ ULONG celt) PURE;
    STDMETHOD(Reset)(THIS) PURE;
    STDMETHOD(Clone)(THIS_ IEnumPixelFormats** ppEnum) PURE;
};
#undef INTERFACE

// ---------------------------------------------------------------------------
// IDXMgr (the slot order is part of the interface)

#define INTERFACE IDXMgr
DECLARE_INTERFACE_(IDXMgr, IUnknown)
{
    STDMETHOD(QueryInterface)(THIS_ REFIID riid, void** ppvObject) PURE;
    STDMETHOD_(ULONG, AddRef)(THIS) PURE;
    STDMETHOD_(ULONG, Release)(THIS) PURE;
    STDMETHOD(Clear)(THIS_ DWORD dwCount, const D3DRECT* lpRects, DWORD dwFlags,
                     D3DCOLOR dwColor, float dvZ, DWORD dwStencil) PURE;
    STDMETHOD(Initialize)(THIS_ const GUID* pguidDriver, HWND hwndFocus, DWORD dwFlags) PURE;
    STDMETHOD(CreateEnumDirectDraws)(THIS_ IEnumDirectDraws** ppEnum, DWORD dwFlags) PURE;
    STDMETHOD(CreateEnumDisplayModes)(THIS_ IEnumDisplayModes** ppEnum, DWORD dwFlags) PURE;
    STDMETHOD(CreateEnumTextureFormats)(THIS_ IEnumPixelFormats** ppEnum, DWORD dwFlags) PURE;
    STDMETHOD(CreateEnumZBufferFormats)(THIS_ IEnumPixelFormats** ppEnum, const GUID* pguidDevice,
                                        DWORD dwFlags) PURE;
    STDMETHOD(Enable)(THIS_ const DXMGRENABLE* pEnable) PURE;
    STDMETHOD(Disable)(THIS_ DWORD dwFlags) PURE;
    STDMETHOD(FlipToGDISurface)(THIS) PURE;
    STDMETHOD(GetDeviceCaps)(THIS_ D3DDEVICEDESC* pDesc) PURE;
    STDMETHOD(GetEnableInfo)(THIS_ DXMGRENABLEINFO* pInfo) PURE;
    STDMETHOD(GetFlags)(THIS_ DWORD dwSelector, DWORD* pdwFlags) PURE;
    STDMETHOD(GetFocusWindow)(THIS_ HWND* phwnd) PURE;
    STDMETHOD(GetDeviceWindow)(THIS_ HWND* phwnd) PURE;
    STDMETHOD(GetDirectDraw)(THIS_ IDirectDraw4** ppDD) PURE;
    STDMETHOD(GetPrimary)(THIS_ IDirectDrawSurface4** ppdds) PURE;
    STDMETHOD(GetBackBuffer)(THIS_ IDirectDrawSurface4** ppdds) PURE;
    STDMETHOD(GetZBuffer)(THIS_ IDirectDrawSurface4** ppdds) PURE;
    STDMETHOD(GetDirect3D)(THIS_ IDirect3D3** ppD3D) PURE;
    STDMETHOD(GetDirect3DDevice)(THIS_ IDirect3DDevice3** ppDevice) PURE;
    STDMETHOD(RestoreSurfaces)(THIS) PURE;
    STDMETHOD(Update)(THIS_ DWORD dwFlags, const RECT* pRect) PURE;
};
#undef INTERFACE

typedef IDXMgr* LPDXMGR;

// ---------------------------------------------------------------------------
// Factory: riid must be IID_IDXMgr. On success *ppDXMgr holds one reference.

#ifdef __cplusplus
extern "C" {
#endif
HRESULT WINAPI DXMgrCreate(REFIID riid, IDXMgr** ppDXMgr);
#ifdef __cplusplus
}
#endif
