#pragma once
/// @file
/// DXMgr: a COM-style display manager over DirectDraw and Direct3D at the
/// DirectX 6 level. Create one with DXMgrCreate, then Initialize, Enable, draw
/// frames (Clear, draw through the 3D device, Update), Disable and Release.
///
/// Every operation returns an HRESULT. A failure that an operation detects
/// itself also writes one line to the debugger output (OutputDebugStringA):
///     "DXMgr: <operation>: <reason>\n"
/// Failures reported by DirectX or COM are passed on unchanged, with no line.
/// Every interface handed out carries a reference that the caller releases.
/// An object is meant for the one thread that creates it; it initialises COM
/// for that thread for its lifetime.

#include <windows.h>
#include <objbase.h>

#ifndef DIRECTDRAW_VERSION
/// The DirectDraw interfaces are those of DirectX 6 unless the program asks for others.
#define DIRECTDRAW_VERSION 0x0600
#endif
#include <ddraw.h>
#include <d3d.h>

// ---------------------------------------------------------------------------
// Interface identifiers

/// The identifier of IDXMgr: {65E51761-EBA8-11D1-AA78-00600814AAE9}.
DEFINE_GUID(IID_IDXMgr, 0x65e51761, 0xeba8, 0x11d1, 0xaa, 0x78, 0x00, 0x60, 0x08, 0x14, 0xaa, 0xe9);
/// The identifier of IEnumDirectDraws: {5FF13307-FCB9-11D1-B233-0000F81FDF9E}.
DEFINE_GUID(IID_IEnumDirectDraws, 0x5ff13307, 0xfcb9, 0x11d1, 0xb2, 0x33, 0x00, 0x00, 0xf8, 0x1f, 0xdf, 0x9e);
/// The identifier of IEnumPixelFormats: {5FF13337-FCB9-11D1-B233-0000F81FDF9E}.
DEFINE_GUID(IID_IEnumPixelFormats, 0x5ff13337, 0xfcb9, 0x11d1, 0xb2, 0x33, 0x00, 0x00, 0xf8, 0x1f, 0xdf, 0x9e);
/// The identifier of IEnumDisplayModes: {B4E847C0-FF1A-11D1-B233-0000F81FDF9E}.
DEFINE_GUID(IID_IEnumDisplayModes, 0xb4e847c0, 0xff1a, 0x11d1, 0xb2, 0x33, 0x00, 0x00, 0xf8, 0x1f, 0xdf, 0x9e);

// ---------------------------------------------------------------------------
// Result codes (besides S_OK, E_NOINTERFACE, E_POINTER, E_INVALIDARG and
// E_OUTOFMEMORY)

/// ddraw.dll, its DirectDrawEnumerateExA or IDirectDraw4 (DirectX 6) is missing.
#define DXMGRERR_DIRECTXREQUIRED        ((HRESULT)0x80040201L)
/// The operation needs a successful Initialize first ("Not initialized").
#define DXMGRERR_NOTINITIALIZED         ((HRESULT)0x80040206L)
/// The operation needs a successful Enable first ("Not enabled").
#define DXMGRERR_NOTENABLED             ((HRESULT)0x80040207L)
/// Initialize was called on an initialized object ("Already initialized").
#define DXMGRERR_ALREADYINITIALIZED     ((HRESULT)0x80040208L)
/// Enable was called on an enabled object ("Already enabled").
#define DXMGRERR_ALREADYENABLED         ((HRESULT)0x80040209L)
/// The operation works only in windowed mode ("Windowed mode required").
#define DXMGRERR_WINDOWEDREQUIRED       ((HRESULT)0x8004020FL)
/// The operation needs a 3D Enable (DXMGREF_3D) ("3D required").
#define DXMGRERR_3DREQUIRED             ((HRESULT)0x80040211L)
/// The display's pixel format is one DXMgr cannot draw on ("Unsupported pixel format").
#define DXMGRERR_UNSUPPORTEDPIXELFORMAT ((HRESULT)0x80040214L)

// ---------------------------------------------------------------------------
// Flags

// GetFlags selectors
#define DXMGRGF_INIT    0x00000001  ///< GetFlags: the flags given to Initialize
#define DXMGRGF_ENABLE  0x00000002  ///< GetFlags: the flags given to Enable

// DXMGRENABLE.dwFlags
#define DXMGREF_FULLSCREEN       0x00000001  ///< exclusive full-screen with a flipping chain
#define DXMGREF_DISPLAYMODE      0x00000002  ///< full-screen: use dwWidth/dwHeight/dwBPP/dwRefreshRate
#define DXMGREF_BACKBUFFERCOUNT  0x00000004  ///< full-screen: use dwBackBufferCount
#define DXMGREF_3D               0x00000008  ///< 3D render target, device, viewport, projection
#define DXMGREF_ZBUFFER          0x00000010  ///< with DXMGREF_3D: attach a Z-buffer
#define DXMGREF_ZBUFFERFORMAT    0x00000020  ///< the Z-buffer format is ddpfZBuffer
#define DXMGREF_DEVICE           0x00000040  ///< the Direct3D device is guidDevice
#define DXMGREF_VIDEOMEMORY      0x00000080  ///< render surfaces in video memory

// Update flags
#define DXMGRUF_NOWAIT  0x00000001  ///< Update: do not wait for the flip or blit to be accepted
#define DXMGRUF_BLIT    0x00000002  ///< Update, full-screen: copy instead of flipping

// ---------------------------------------------------------------------------
// Records

/// One display mode of a driver (16 bytes).
typedef struct _DXMGRDISPLAYMODE {
    DWORD dwWidth;              ///< pixels
    DWORD dwHeight;             ///< pixels
    DWORD dwBPP;                ///< bits per pixel
    DWORD dwRefreshRate;        ///< hertz; 0 when the driver reports none
} DXMGRDISPLAYMODE, *LPDXMGRDISPLAYMODE;
/** @typedef LPDXMGRDISPLAYMODE
    A pointer to DXMGRDISPLAYMODE. */

/// What Enable sets up (88 bytes on i686).
typedef struct _DXMGRENABLE {
    DWORD         dwFlags;              ///< DXMGREF_*
    DWORD         dwCoopLevel;          ///< DDSCL_* added to the level Enable sets
    HWND          hwndDevice;           ///< the window drawn into; required when windowed
    DWORD         dwWidth;              ///< display mode width (DXMGREF_DISPLAYMODE)
    DWORD         dwHeight;             ///< display mode height (DXMGREF_DISPLAYMODE)
    DWORD         dwBPP;                ///< display mode bits per pixel (DXMGREF_DISPLAYMODE)
    DWORD         dwRefreshRate;        ///< display mode refresh rate; 0 for the default
    DWORD         dwBackBufferCount;    ///< back buffers of the flipping chain (DXMGREF_BACKBUFFERCOUNT)
    GUID          guidDevice;           ///< the Direct3D device (DXMGREF_DEVICE)
    DDPIXELFORMAT ddpfZBuffer;          ///< the Z-buffer format (DXMGREF_ZBUFFERFORMAT)
    float         dvNear;               ///< near projection plane (3D)
    float         dvFar;                ///< far projection plane (3D): finite, nonzero and not dvNear
} DXMGRENABLE, *LPDXMGRENABLE;
/** @typedef LPDXMGRENABLE
    A pointer to DXMGRENABLE. */

/// What Enable set up, as GetEnableInfo reports it (104 bytes).
typedef struct _DXMGRENABLEINFO {
    DWORD         dwWidth;              ///< drawing area width in pixels
    DWORD         dwHeight;             ///< drawing area height in pixels
    DWORD         dwDisplayWidth;       ///< current display mode width
    DWORD         dwDisplayHeight;      ///< current display mode height
    DWORD         dwDisplayBPP;         ///< current display mode bits per pixel
    DWORD         dwDisplayRefreshRate; ///< current display mode refresh rate, 0 if unknown
    DDPIXELFORMAT ddpfPrimary;          ///< the primary surface's pixel format
    DDPIXELFORMAT ddpfZBuffer;          ///< the last Z-buffer made, all zero if none
    GUID          guidDevice;           ///< the Direct3D device chosen (3D)
} DXMGRENABLEINFO, *LPDXMGRENABLEINFO;
/** @typedef LPDXMGRENABLEINFO
    A pointer to DXMGRENABLEINFO. */

/// One DirectDraw driver, as IEnumDirectDraws hands it out.
typedef struct _DXMGRDIRECTDRAW {
    GUID     guidDriver;        ///< for Initialize; all zero for the primary display driver
    LPSTR    pszName;           ///< owned by the enumerator, valid until its release; may be NULL
    LPSTR    pszDescription;    ///< owned by the enumerator, valid until its release; may be NULL
    HMONITOR hMonitor;          ///< the monitor DirectDraw reported, unchanged
} DXMGRDIRECTDRAW, *LPDXMGRDIRECTDRAW;
/** @typedef LPDXMGRDIRECTDRAW
    A pointer to DXMGRDIRECTDRAW. */

// ---------------------------------------------------------------------------
// Enumerator interfaces

#undef INTERFACE
#define INTERFACE IEnumDirectDraws
/// The DirectDraw drivers, as DirectDrawEnumerateExA reported them when the enumerator was made (Clone asks again).
DECLARE_INTERFACE_(IEnumDirectDraws, IUnknown)
{
    /// IUnknown and IEnumDirectDraws only (E_NOINTERFACE otherwise); E_POINTER for a null ppvObject.
    STDMETHOD(QueryInterface)(THIS_ REFIID riid, void** ppvObject) PURE;
    /// Adds a reference; returns the new count.
    STDMETHOD_(ULONG, AddRef)(THIS) PURE;
    /// Drops a reference; the last one frees the enumerator and its records.
    STDMETHOD_(ULONG, Release)(THIS) PURE;
    /// Copies up to celt records from the cursor into rgelt and moves on;
    /// S_FALSE when fewer were left. pceltFetched (may be null) receives the
    /// count. E_POINTER, with 0 fetched and the cursor unmoved, for an
    /// array it cannot write.
    STDMETHOD(Next)(THIS_ ULONG celt, DXMGRDIRECTDRAW* rgelt, ULONG* pceltFetched) PURE;
    /// Moves the cursor celt records on; S_FALSE, at the end, when it would pass it.
    STDMETHOD(Skip)(THIS_ ULONG celt) PURE;
    /// Moves the cursor to the first record.
    STDMETHOD(Reset)(THIS) PURE;
    /// A new enumerator with its own records and the same cursor, holding one
    /// reference for the caller; E_POINTER for an out pointer it cannot write,
    /// E_OUTOFMEMORY.
    STDMETHOD(Clone)(THIS_ IEnumDirectDraws** ppEnum) PURE;
};
#undef INTERFACE

#define INTERFACE IEnumDisplayModes
/// A snapshot of the driver's display modes, sorted as Initialize sorts them.
DECLARE_INTERFACE_(IEnumDisplayModes, IUnknown)
{
    /// IUnknown and IEnumDisplayModes only (E_NOINTERFACE otherwise); E_POINTER for a null ppvObject.
    STDMETHOD(QueryInterface)(THIS_ REFIID riid, void** ppvObject) PURE;
    /// Adds a reference; returns the new count.
    STDMETHOD_(ULONG, AddRef)(THIS) PURE;
    /// Drops a reference; the last one frees the enumerator and its records.
    STDMETHOD_(ULONG, Release)(THIS) PURE;
    /// Copies up to celt records from the cursor into rgelt and moves on;
    /// S_FALSE when fewer were left. pceltFetched (may be null) receives the
    /// count. E_POINTER, with 0 fetched and the cursor unmoved, for an
    /// array it cannot write.
    STDMETHOD(Next)(THIS_ ULONG celt, DXMGRDISPLAYMODE* rgelt, ULONG* pceltFetched) PURE;
    /// Moves the cursor celt records on; S_FALSE, at the end, when it would pass it.
    STDMETHOD(Skip)(THIS_ ULONG celt) PURE;
    /// Moves the cursor to the first record.
    STDMETHOD(Reset)(THIS) PURE;
    /// A new enumerator with its own records and the same cursor, holding one
    /// reference for the caller; E_POINTER for an out pointer it cannot write,
    /// E_OUTOFMEMORY.
    STDMETHOD(Clone)(THIS_ IEnumDisplayModes** ppEnum) PURE;
};
#undef INTERFACE

#define INTERFACE IEnumPixelFormats
/// A snapshot of pixel formats (texture or Z-buffer), byte for byte as Direct3D reported them.
DECLARE_INTERFACE_(IEnumPixelFormats, IUnknown)
{
    /// IUnknown and IEnumPixelFormats only (E_NOINTERFACE otherwise); E_POINTER for a null ppvObject.
    STDMETHOD(QueryInterface)(THIS_ REFIID riid, void** ppvObject) PURE;
    /// Adds a reference; returns the new count.
    STDMETHOD_(ULONG, AddRef)(THIS) PURE;
    /// Drops a reference; the last one frees the enumerator and its records.
    STDMETHOD_(ULONG, Release)(THIS) PURE;
    /// Copies up to celt records from the cursor into rgelt and moves on;
    /// S_FALSE when fewer were left. pceltFetched (may be null) receives the
    /// count. E_POINTER, with 0 fetched and the cursor unmoved, for an
    /// array it cannot write.
    STDMETHOD(Next)(THIS_ ULONG celt, DDPIXELFORMAT* rgelt, ULONG* pceltFetched) PURE;
    /// Moves the cursor celt records on; S_FALSE, at the end, when it would pass it.
    STDMETHOD(Skip)(THIS_ ULONG celt) PURE;
    /// Moves the cursor to the first record.
    STDMETHOD(Reset)(THIS) PURE;
    /// A new enumerator with its own records and the same cursor, holding one
    /// reference for the caller; E_POINTER for an out pointer it cannot write,
    /// E_OUTOFMEMORY.
    STDMETHOD(Clone)(THIS_ IEnumPixelFormats** ppEnum) PURE;
};
#undef INTERFACE

// ---------------------------------------------------------------------------
// IDXMgr (the slot order is part of the interface)

#define INTERFACE IDXMgr
/// The display manager: one DirectDraw and Direct3D set-up for one window.
DECLARE_INTERFACE_(IDXMgr, IUnknown)
{
    /// IUnknown and IDXMgr only (E_NOINTERFACE otherwise); E_POINTER for a null ppvObject.
    STDMETHOD(QueryInterface)(THIS_ REFIID riid, void** ppvObject) PURE;
    /// Adds a reference; returns the new count.
    STDMETHOD_(ULONG, AddRef)(THIS) PURE;
    /// Drops a reference; the last one releases everything the object holds
    /// (restoring the display mode after full-screen) and frees it.
    STDMETHOD_(ULONG, Release)(THIS) PURE;
    /// Clears the back buffer (D3DCLEAR_TARGET, to dwColor) and, with a 3D
    /// Enable, the Z-buffer and stencil, over dwCount rectangles or, with
    /// none, the whole drawing area. DXMGRERR_NOTENABLED; E_INVALIDARG for no
    /// flags or a count without rectangles; E_POINTER for rectangles it
    /// cannot read; DXMGRERR_3DREQUIRED for a Z or stencil clear without 3D;
    /// DXMGRERR_UNSUPPORTEDPIXELFORMAT for a 2D fill of a paletted display.
    STDMETHOD(Clear)(THIS_ DWORD dwCount, const D3DRECT* lpRects, DWORD dwFlags,
                     D3DCOLOR dwColor, float dvZ, DWORD dwStencil) PURE;
    /// Creates the DirectDraw and Direct3D objects on a driver (null or all
    /// zero: the display driver) for the focus window, and reads the display
    /// modes. dwFlags must be 0 (E_INVALIDARG). DXMGRERR_ALREADYINITIALIZED;
    /// E_INVALIDARG for a window that is not one; E_POINTER for a driver
    /// identifier it cannot read; a failure after the checks leaves the
    /// object uninitialized.
    STDMETHOD(Initialize)(THIS_ const GUID* pguidDriver, HWND hwndFocus, DWORD dwFlags) PURE;
    /// An enumerator over the DirectDraw drivers (dwFlags: DDENUM_* only),
    /// holding one reference for the caller. Works in any state.
    STDMETHOD(CreateEnumDirectDraws)(THIS_ IEnumDirectDraws** ppEnum, DWORD dwFlags) PURE;
    /// An enumerator over the display modes read by Initialize (dwFlags 0),
    /// holding one reference for the caller. DXMGRERR_NOTINITIALIZED.
    STDMETHOD(CreateEnumDisplayModes)(THIS_ IEnumDisplayModes** ppEnum, DWORD dwFlags) PURE;
    /// An enumerator over the 3D device's texture formats (dwFlags 0), holding
    /// one reference for the caller. DXMGRERR_NOTENABLED, DXMGRERR_3DREQUIRED.
    STDMETHOD(CreateEnumTextureFormats)(THIS_ IEnumPixelFormats** ppEnum, DWORD dwFlags) PURE;
    /// An enumerator over the Z-buffer formats of a Direct3D device, which
    /// needs only Initialize; with a null device, those of the enabled 3D
    /// device. Holds one reference for the caller; dwFlags 0.
    /// DXMGRERR_NOTINITIALIZED; with a null device DXMGRERR_NOTENABLED and
    /// DXMGRERR_3DREQUIRED. The object's own lists do not change.
    STDMETHOD(CreateEnumZBufferFormats)(THIS_ IEnumPixelFormats** ppEnum, const GUID* pguidDevice,
                                        DWORD dwFlags) PURE;
    /// Sets up windowed or full-screen drawing as pEnable says: the primary
    /// surface and a back buffer (windowed: of the window's client size, with
    /// a clipper), and with DXMGREF_3D a Direct3D device (HAL where it can
    /// draw, else RGB), its viewport and a projection from the two planes,
    /// with an optional Z-buffer. DXMGRERR_NOTINITIALIZED,
    /// DXMGRERR_ALREADYENABLED, E_INVALIDARG for bad flags, window or planes;
    /// a failure after the checks leaves the object uninitialized.
    STDMETHOD(Enable)(THIS_ const DXMGRENABLE* pEnable) PURE;
    /// Releases the surfaces and the 3D objects and restores the display
    /// mode after full-screen; the object stays initialized. DXMGRERR_NOTENABLED.
    STDMETHOD(Disable)(THIS_ DWORD dwFlags) PURE;
    /// Makes the surface GDI draws on the visible one (full-screen).
    /// DXMGRERR_NOTINITIALIZED; DirectDraw's failures are passed on.
    STDMETHOD(FlipToGDISurface)(THIS) PURE;
    /// The 3D device's capabilities (the hardware description for the HAL,
    /// else the software one). DXMGRERR_NOTENABLED, DXMGRERR_3DREQUIRED, E_POINTER.
    STDMETHOD(GetDeviceCaps)(THIS_ D3DDEVICEDESC* pDesc) PURE;
    /// What Enable set up, and the current display mode. DXMGRERR_NOTENABLED, E_POINTER.
    STDMETHOD(GetEnableInfo)(THIS_ DXMGRENABLEINFO* pInfo) PURE;
    /// The flags given to Initialize (DXMGRGF_INIT) or Enable (DXMGRGF_ENABLE).
    /// DXMGRERR_NOTINITIALIZED, DXMGRERR_NOTENABLED, E_INVALIDARG for another selector.
    STDMETHOD(GetFlags)(THIS_ DWORD dwSelector, DWORD* pdwFlags) PURE;
    /// The focus window given to Initialize. DXMGRERR_NOTINITIALIZED, E_POINTER.
    STDMETHOD(GetFocusWindow)(THIS_ HWND* phwnd) PURE;
    /// The device window given to Enable (may be null full-screen).
    /// DXMGRERR_NOTENABLED, E_POINTER.
    STDMETHOD(GetDeviceWindow)(THIS_ HWND* phwnd) PURE;
    /// The DirectDraw object, with a reference for the caller. DXMGRERR_NOTINITIALIZED, E_POINTER.
    STDMETHOD(GetDirectDraw)(THIS_ IDirectDraw4** ppDD) PURE;
    /// The primary surface, with a reference for the caller (windowed only).
    /// DXMGRERR_NOTENABLED, DXMGRERR_WINDOWEDREQUIRED, E_POINTER.
    STDMETHOD(GetPrimary)(THIS_ IDirectDrawSurface4** ppdds) PURE;
    /// The back buffer drawn into, with a reference for the caller.
    /// DXMGRERR_NOTENABLED, E_POINTER.
    STDMETHOD(GetBackBuffer)(THIS_ IDirectDrawSurface4** ppdds) PURE;
    /// The Z-buffer with a reference for the caller, or null when there is
    /// none. DXMGRERR_NOTENABLED, E_POINTER.
    STDMETHOD(GetZBuffer)(THIS_ IDirectDrawSurface4** ppdds) PURE;
    /// The Direct3D object, with a reference for the caller. DXMGRERR_NOTINITIALIZED, E_POINTER.
    STDMETHOD(GetDirect3D)(THIS_ IDirect3D3** ppD3D) PURE;
    /// The 3D device, with a reference for the caller. DXMGRERR_NOTENABLED,
    /// DXMGRERR_3DREQUIRED, E_POINTER.
    STDMETHOD(GetDirect3DDevice)(THIS_ IDirect3DDevice3** ppDevice) PURE;
    /// Restores lost surfaces (after a mode change or another program's
    /// full-screen use). DXMGRERR_NOTENABLED; DirectDraw's failures, such as
    /// DDERR_WRONGMODE, are passed on.
    STDMETHOD(RestoreSurfaces)(THIS) PURE;
    /// Presents the frame: windowed, a blit of the back buffer to the window
    /// (pRect: the part of the client area, null for all); full-screen, a
    /// flip (DXMGRUF_BLIT: a copy). DXMGRERR_NOTENABLED; E_INVALIDARG for
    /// other flags; E_POINTER for a rectangle it cannot read.
    STDMETHOD(Update)(THIS_ DWORD dwFlags, const RECT* pRect) PURE;
};
#undef INTERFACE

/// A pointer to IDXMgr.
typedef IDXMgr* LPDXMGR;

// ---------------------------------------------------------------------------
// Factory

#ifdef __cplusplus
extern "C" {
#endif
/// Creates an uninitialized display manager. riid must be IID_IDXMgr
/// (E_NOINTERFACE otherwise). On success *ppDXMgr holds one reference for the
/// caller; on failure it is not written. DXMGRERR_DIRECTXREQUIRED without
/// DirectX 6; E_POINTER for an out pointer it cannot write; E_OUTOFMEMORY.
HRESULT WINAPI DXMgrCreate(REFIID riid, IDXMgr** ppDXMgr);
#ifdef __cplusplus
}
#endif
