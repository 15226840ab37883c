#pragma once
// Fake DirectDraw surfaces, clippers and palettes.
#include "tests/support/fake_directdraw/fake_object.h"

#include <vector>

class FakeSurface : public IDirectDrawSurface4, public FakeObject {
public:
    // A surface described as DirectDraw would store it: the caller's
    // description completed with the display mode's size and format.
    FakeSurface(FakeDirectX& fake, std::string label, const DDSURFACEDESC2& desc, long refs,
                FakeSurface* chainRoot);

    const DDSURFACEDESC2& Desc() const { return m_desc; }
    bool HasPalette() const { return m_palette != nullptr; }
    bool IsDestroyed() const override;
    bool LedgerHidden() const override;

    FAKE_IUNKNOWN(IDirectDrawSurface4)

    STDMETHOD(AddAttachedSurface)(LPDIRECTDRAWSURFACE4 surface) override;
    STDMETHOD(AddOverlayDirtyRect)(LPRECT) override FAKE_NOTIMPL(AddOverlayDirtyRect)
    STDMETHOD(Blt)(LPRECT dest, LPDIRECTDRAWSURFACE4 source, LPRECT sourceRect, DWORD flags,
                   LPDDBLTFX fx) override;
    STDMETHOD(BltBatch)(LPDDBLTBATCH, DWORD, DWORD) override FAKE_NOTIMPL(BltBatch)
    STDMETHOD(BltFast)(DWORD, DWORD, LPDIRECTDRAWSURFACE4, LPRECT, DWORD) override FAKE_NOTIMPL(BltFast)
    STDMETHOD(DeleteAttachedSurface)(DWORD, LPDIRECTDRAWSURFACE4) override FAKE_NOTIMPL(DeleteAttachedSurface)
    STDMETHOD(EnumAttachedSurfaces)(LPVOID, LPDDENUMSURFACESCALLBACK2) override FAKE_NOTIMPL(EnumAttachedSurfaces)
    STDMETHOD(EnumOverlayZOrders)(DWORD, LPVOID, LPDDENUMSURFACESCALLBACK2) override FAKE_NOTIMPL(EnumOverlayZOrders)
    STDMETHOD(Flip)(LPDIRECTDRAWSURFACE4 target, DWORD flags) override;
    STDMETHOD(GetAttachedSurface)(LPDDSCAPS2 caps, LPDIRECTDRAWSURFACE4* surface) override;
    STDMETHOD(GetBltStatus)(DWORD) override FAKE_NOTIMPL(GetBltStatus)
    STDMETHOD(GetCaps)(LPDDSCAPS2 caps) override;
    STDMETHOD(GetClipper)(LPDIRECTDRAWCLIPPER*) override FAKE_NOTIMPL(GetClipper)
    STDMETHOD(GetColorKey)(DWORD, LPDDCOLORKEY) override FAKE_NOTIMPL(GetColorKey)
    STDMETHOD(GetDC)(HDC*) override FAKE_NOTIMPL(GetDC)
    STDMETHOD(GetFlipStatus)(DWORD) override FAKE_NOTIMPL(GetFlipStatus)
    STDMETHOD(GetOverlayPosition)(LPLONG, LPLONG) override FAKE_NOTIMPL(GetOverlayPosition)
    STDMETHOD(GetPalette)(LPDIRECTDRAWPALETTE*) override FAKE_NOTIMPL(GetPalette)
    STDMETHOD(GetPixelFormat)(LPDDPIXELFORMAT format) override;
    STDMETHOD(GetSurfaceDesc)(LPDDSURFACEDESC2 desc) override;
    STDMETHOD(Initialize)(LPDIRECTDRAW, LPDDSURFACEDESC2) override FAKE_NOTIMPL(Initialize)
    STDMETHOD(IsLost)() override;
    STDMETHOD(Lock)(LPRECT, LPDDSURFACEDESC2, DWORD, HANDLE) override FAKE_NOTIMPL(Lock)
    STDMETHOD(ReleaseDC)(HDC) override FAKE_NOTIMPL(ReleaseDC)
    STDMETHOD(Restore)() override;
    STDMETHOD(SetClipper)(LPDIRECTDRAWCLIPPER clipper) override;
    STDMETHOD(SetColorKey)(DWORD, LPDDCOLORKEY) override FAKE_NOTIMPL(SetColorKey)
    STDMETHOD(SetOverlayPosition)(LONG, LONG) override FAKE_NOTIMPL(SetOverlayPosition)
    STDMETHOD(SetPalette)(LPDIRECTDRAWPALETTE palette) override;
    STDMETHOD(Unlock)(LPRECT) override FAKE_NOTIMPL(Unlock)
    STDMETHOD(UpdateOverlay)(LPRECT, LPDIRECTDRAWSURFACE4, LPRECT, DWORD, LPDDOVERLAYFX) override FAKE_NOTIMPL(UpdateOverlay)
    STDMETHOD(UpdateOverlayDisplay)(DWORD) override FAKE_NOTIMPL(UpdateOverlayDisplay)
    STDMETHOD(UpdateOverlayZOrder)(DWORD, LPDIRECTDRAWSURFACE4) override FAKE_NOTIMPL(UpdateOverlayZOrder)
    STDMETHOD(GetDDInterface)(LPVOID*) override FAKE_NOTIMPL(GetDDInterface)
    STDMETHOD(PageLock)(DWORD) override FAKE_NOTIMPL(PageLock)
    STDMETHOD(PageUnlock)(DWORD) override FAKE_NOTIMPL(PageUnlock)
    STDMETHOD(SetSurfaceDesc)(LPDDSURFACEDESC2, DWORD) override FAKE_NOTIMPL(SetSurfaceDesc)
    STDMETHOD(SetPrivateData)(REFGUID, LPVOID, DWORD, DWORD) override FAKE_NOTIMPL(SetPrivateData)
    STDMETHOD(GetPrivateData)(REFGUID, LPVOID, LPDWORD) override FAKE_NOTIMPL(GetPrivateData)
    STDMETHOD(FreePrivateData)(REFGUID) override FAKE_NOTIMPL(FreePrivateData)
    STDMETHOD(GetUniquenessValue)(LPDWORD) override FAKE_NOTIMPL(GetUniquenessValue)
    STDMETHOD(ChangeUniquenessValue)() override FAKE_NOTIMPL(ChangeUniquenessValue)

private:
    friend IDirectDrawSurface4* CreateFakeSurface(FakeDirectX&, const DDSURFACEDESC2&, const FakeDisplayMode&);
    DDSURFACEDESC2 m_desc;
    FakeSurface* m_chainRoot;
    std::vector<FakeSurface*> m_chain;      // back buffers, for the front surface of a chain
    std::vector<FakeSurface*> m_attached;   // AddAttachedSurface
    const void* m_clipper = nullptr;
    const void* m_palette = nullptr;
};

class FakeClipper : public IDirectDrawClipper, public FakeObject {
public:
    FakeClipper(FakeDirectX& fake, std::string label) : FakeObject(fake, "IDirectDrawClipper", std::move(label), 1) {}

    FAKE_IUNKNOWN(IDirectDrawClipper)

    STDMETHOD(GetClipList)(LPRECT, LPRGNDATA, LPDWORD) override FAKE_NOTIMPL(GetClipList)
    STDMETHOD(GetHWnd)(HWND* hwnd) override;
    STDMETHOD(Initialize)(LPDIRECTDRAW, DWORD) override FAKE_NOTIMPL(Initialize)
    STDMETHOD(IsClipListChanged)(WINBOOL*) override FAKE_NOTIMPL(IsClipListChanged)
    STDMETHOD(SetClipList)(LPRGNDATA, DWORD) override FAKE_NOTIMPL(SetClipList)
    STDMETHOD(SetHWnd)(DWORD flags, HWND hwnd) override;

private:
    HWND m_hwnd = nullptr;
};

class FakePalette : public IDirectDrawPalette, public FakeObject {
public:
    FakePalette(FakeDirectX& fake, std::string label, DWORD caps, const PALETTEENTRY* entries, DWORD count)
        : FakeObject(fake, "IDirectDrawPalette", std::move(label), 1), m_caps(caps),
          m_entries(entries, entries + count) {}

    FAKE_IUNKNOWN(IDirectDrawPalette)

    STDMETHOD(GetCaps)(LPDWORD caps) override;
    STDMETHOD(GetEntries)(DWORD flags, DWORD base, DWORD count, LPPALETTEENTRY entries) override;
    STDMETHOD(Initialize)(LPDIRECTDRAW, DWORD, LPPALETTEENTRY) override FAKE_NOTIMPL(Initialize)
    STDMETHOD(SetEntries)(DWORD, DWORD, DWORD, LPPALETTEENTRY) override FAKE_NOTIMPL(SetEntries)

private:
    DWORD m_caps;
    std::vector<PALETTEENTRY> m_entries;
};

// The surface (and for a flipping chain its back buffers) as CreateSurface
// makes it; the caller holds one reference on the returned front surface.
IDirectDrawSurface4* CreateFakeSurface(FakeDirectX& fake, const DDSURFACEDESC2& desc,
                                       const FakeDisplayMode& mode);
std::string SurfaceDescText(const DDSURFACEDESC2& desc);
std::string PixelFormatText(const DDPIXELFORMAT& format);
FakeSurface* AsFakeSurface(FakeDirectX& fake, const void* iface);
