#pragma once
// Fake Direct3D device (IDirect3DDevice3) and viewport (IDirect3DViewport3).
#include "tests/support/fake_directdraw/fake_object.h"

#include <vector>

class FakeViewport;

class FakeDevice3 : public IDirect3DDevice3, public FakeObject {
public:
    FakeDevice3(FakeDirectX& fake, std::string label, const GUID& guid)
        : FakeObject(fake, "IDirect3DDevice3", std::move(label), 1), m_guid(guid) {}

    FAKE_IUNKNOWN(IDirect3DDevice3)

    STDMETHOD(GetCaps)(D3DDEVICEDESC* hardware, D3DDEVICEDESC* software) override;
    STDMETHOD(GetStats)(D3DSTATS*) override FAKE_NOTIMPL(GetStats)
    STDMETHOD(AddViewport)(IDirect3DViewport3* viewport) override;
    STDMETHOD(DeleteViewport)(IDirect3DViewport3* viewport) override;
    STDMETHOD(NextViewport)(IDirect3DViewport3*, IDirect3DViewport3**, DWORD) override FAKE_NOTIMPL(NextViewport)
    STDMETHOD(EnumTextureFormats)(LPD3DENUMPIXELFORMATSCALLBACK callback, void* context) override;
    STDMETHOD(BeginScene)() override;
    STDMETHOD(EndScene)() override;
    STDMETHOD(GetDirect3D)(IDirect3D3**) override FAKE_NOTIMPL(GetDirect3D)
    STDMETHOD(SetCurrentViewport)(IDirect3DViewport3* viewport) override;
    STDMETHOD(GetCurrentViewport)(IDirect3DViewport3**) override FAKE_NOTIMPL(GetCurrentViewport)
    STDMETHOD(SetRenderTarget)(IDirectDrawSurface4*, DWORD) override FAKE_NOTIMPL(SetRenderTarget)
    STDMETHOD(GetRenderTarget)(IDirectDrawSurface4**) override FAKE_NOTIMPL(GetRenderTarget)
    STDMETHOD(Begin)(D3DPRIMITIVETYPE, DWORD, DWORD) override FAKE_NOTIMPL(Begin)
    STDMETHOD(BeginIndexed)(D3DPRIMITIVETYPE, DWORD, void*, DWORD, DWORD) override FAKE_NOTIMPL(BeginIndexed)
    STDMETHOD(Vertex)(void*) override FAKE_NOTIMPL(Vertex)
    STDMETHOD(Index)(WORD) override FAKE_NOTIMPL(Index)
    STDMETHOD(End)(DWORD) override FAKE_NOTIMPL(End)
    STDMETHOD(GetRenderState)(D3DRENDERSTATETYPE, LPDWORD) override FAKE_NOTIMPL(GetRenderState)
    STDMETHOD(SetRenderState)(D3DRENDERSTATETYPE state, DWORD value) override;
    STDMETHOD(GetLightState)(D3DLIGHTSTATETYPE, LPDWORD) override FAKE_NOTIMPL(GetLightState)
    STDMETHOD(SetLightState)(D3DLIGHTSTATETYPE, DWORD) override FAKE_NOTIMPL(SetLightState)
    STDMETHOD(SetTransform)(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
    STDMETHOD(GetTransform)(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
    STDMETHOD(MultiplyTransform)(D3DTRANSFORMSTATETYPE, D3DMATRIX*) override FAKE_NOTIMPL(MultiplyTransform)
    STDMETHOD(DrawPrimitive)(D3DPRIMITIVETYPE type, DWORD fvf, void* vertices, DWORD count, DWORD flags) override;
    STDMETHOD(DrawIndexedPrimitive)(D3DPRIMITIVETYPE, DWORD, void*, DWORD, WORD*, DWORD, DWORD) override FAKE_NOTIMPL(DrawIndexedPrimitive)
    STDMETHOD(SetClipStatus)(D3DCLIPSTATUS*) override FAKE_NOTIMPL(SetClipStatus)
    STDMETHOD(GetClipStatus)(D3DCLIPSTATUS*) override FAKE_NOTIMPL(GetClipStatus)
    STDMETHOD(DrawPrimitiveStrided)(D3DPRIMITIVETYPE, DWORD, D3DDRAWPRIMITIVESTRIDEDDATA*, DWORD, DWORD) override FAKE_NOTIMPL(DrawPrimitiveStrided)
    STDMETHOD(DrawIndexedPrimitiveStrided)(D3DPRIMITIVETYPE, DWORD, D3DDRAWPRIMITIVESTRIDEDDATA*, DWORD, WORD*, DWORD, DWORD) override FAKE_NOTIMPL(DrawIndexedPrimitiveStrided)
    STDMETHOD(DrawPrimitiveVB)(D3DPRIMITIVETYPE, struct IDirect3DVertexBuffer*, DWORD, DWORD, DWORD) override FAKE_NOTIMPL(DrawPrimitiveVB)
    STDMETHOD(DrawIndexedPrimitiveVB)(D3DPRIMITIVETYPE, struct IDirect3DVertexBuffer*, WORD*, DWORD, DWORD) override FAKE_NOTIMPL(DrawIndexedPrimitiveVB)
    STDMETHOD(ComputeSphereVisibility)(D3DVECTOR*, D3DVALUE*, DWORD, DWORD, DWORD*) override FAKE_NOTIMPL(ComputeSphereVisibility)
    STDMETHOD(GetTexture)(DWORD, IDirect3DTexture2**) override FAKE_NOTIMPL(GetTexture)
    STDMETHOD(SetTexture)(DWORD, IDirect3DTexture2*) override FAKE_NOTIMPL(SetTexture)
    STDMETHOD(GetTextureStageState)(DWORD, D3DTEXTURESTAGESTATETYPE, LPDWORD) override FAKE_NOTIMPL(GetTextureStageState)
    STDMETHOD(SetTextureStageState)(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override FAKE_NOTIMPL(SetTextureStageState)
    STDMETHOD(ValidateDevice)(LPDWORD) override FAKE_NOTIMPL(ValidateDevice)

private:
    GUID m_guid;
    std::vector<FakeViewport*> m_viewports;
    D3DMATRIX m_transforms[4] = {};
};

class FakeViewport : public IDirect3DViewport3, public FakeObject {
public:
    FakeViewport(FakeDirectX& fake, std::string label) : FakeObject(fake, "IDirect3DViewport3", std::move(label), 1) {}

    FAKE_IUNKNOWN(IDirect3DViewport3)

    STDMETHOD(Initialize)(IDirect3D*) override FAKE_NOTIMPL(Initialize)
    STDMETHOD(GetViewport)(D3DVIEWPORT*) override FAKE_NOTIMPL(GetViewport)
    STDMETHOD(SetViewport)(D3DVIEWPORT*) override FAKE_NOTIMPL(SetViewport)
    STDMETHOD(TransformVertices)(DWORD, D3DTRANSFORMDATA*, DWORD, DWORD*) override FAKE_NOTIMPL(TransformVertices)
    STDMETHOD(LightElements)(DWORD, D3DLIGHTDATA*) override FAKE_NOTIMPL(LightElements)
    STDMETHOD(SetBackground)(D3DMATERIALHANDLE) override FAKE_NOTIMPL(SetBackground)
    STDMETHOD(GetBackground)(D3DMATERIALHANDLE*, WINBOOL*) override FAKE_NOTIMPL(GetBackground)
    STDMETHOD(SetBackgroundDepth)(IDirectDrawSurface*) override FAKE_NOTIMPL(SetBackgroundDepth)
    STDMETHOD(GetBackgroundDepth)(IDirectDrawSurface**, WINBOOL*) override FAKE_NOTIMPL(GetBackgroundDepth)
    STDMETHOD(Clear)(DWORD, D3DRECT*, DWORD) override FAKE_NOTIMPL(Clear)
    STDMETHOD(AddLight)(IDirect3DLight*) override FAKE_NOTIMPL(AddLight)
    STDMETHOD(DeleteLight)(IDirect3DLight*) override FAKE_NOTIMPL(DeleteLight)
    STDMETHOD(NextLight)(IDirect3DLight*, IDirect3DLight**, DWORD) override FAKE_NOTIMPL(NextLight)
    STDMETHOD(GetViewport2)(D3DVIEWPORT2* data) override;
    STDMETHOD(SetViewport2)(D3DVIEWPORT2* data) override;
    STDMETHOD(SetBackgroundDepth2)(IDirectDrawSurface4*) override FAKE_NOTIMPL(SetBackgroundDepth2)
    STDMETHOD(GetBackgroundDepth2)(IDirectDrawSurface4**, WINBOOL*) override FAKE_NOTIMPL(GetBackgroundDepth2)
    STDMETHOD(Clear2)(DWORD count, D3DRECT* rects, DWORD flags, DWORD color, D3DVALUE z, DWORD stencil) override;

    FakeDevice3* device = nullptr;   // the device it was added to

private:
    bool m_set = false;
    D3DVIEWPORT2 m_data = {};
};
