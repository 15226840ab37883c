#include "tests/support/fake_directdraw/fake_ddraw_core.h"

#include "tests/support/fake_directdraw/fake_d3d_device.h"
#include "tests/support/fake_directdraw/fake_ddraw_surface.h"

namespace {

class Direct3D3 : public IDirect3D3, public DirectDrawInterface {
public:
    Direct3D3(FakeDirectX& fake, DirectDrawCore& core) : DirectDrawInterface(fake, "IDirect3D3", core) {}

    DIRECTDRAW_IUNKNOWN(IDirect3D3)

    STDMETHOD(EnumDevices)(LPD3DENUMDEVICESCALLBACK callback, void* context) override;
    STDMETHOD(CreateLight)(struct IDirect3DLight**, IUnknown*) override FAKE_NOTIMPL(CreateLight)
    STDMETHOD(CreateMaterial)(struct IDirect3DMaterial3**, IUnknown*) override FAKE_NOTIMPL(CreateMaterial)
    STDMETHOD(CreateViewport)(struct IDirect3DViewport3** viewport, IUnknown* outer) override;
    STDMETHOD(FindDevice)(D3DFINDDEVICESEARCH*, D3DFINDDEVICERESULT*) override FAKE_NOTIMPL(FindDevice)
    STDMETHOD(CreateDevice)(REFCLSID guid, IDirectDrawSurface4* surface, struct IDirect3DDevice3** device,
                            IUnknown* outer) override;
    STDMETHOD(CreateVertexBuffer)(D3DVERTEXBUFFERDESC*, struct IDirect3DVertexBuffer**, DWORD, IUnknown*) override FAKE_NOTIMPL(CreateVertexBuffer)
    STDMETHOD(EnumZBufferFormats)(REFCLSID guid, LPD3DENUMPIXELFORMATSCALLBACK callback, void* context) override;
    STDMETHOD(EvictManagedTextures)() override FAKE_NOTIMPL(EvictManagedTextures)
};

// ---------------------------------------------------------------- IDirect3D3

HRESULT Direct3D3::EnumDevices(LPD3DENUMDEVICESCALLBACK callback, void* context) {
    size_t call;
    HRESULT hr = Enter("EnumDevices", std::string(), &call);
    if (FAILED(hr) || FAILED(hr = Guard(call))) return hr;
    if (!callback) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    const std::vector<FakeDevice> devices = m_fake.devices;
    for (const FakeDevice& device : devices) {
        GUID guid = device.guid;
        std::string description = device.description, name = device.name;
        D3DDEVICEDESC hardware = device.hardware, software = device.software;
        if (callback(&guid, &description[0], &name[0], &hardware, &software, context) == D3DENUMRET_CANCEL) break;
    }
    return S_OK;
}

HRESULT Direct3D3::CreateViewport(struct IDirect3DViewport3** viewport, IUnknown* outer) {
    size_t call;
    HRESULT hr = Enter("CreateViewport", std::string(), &call);
    if (viewport) *viewport = nullptr;
    if (FAILED(hr) || FAILED(hr = Guard(call))) return hr;
    if (!viewport) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    if (outer) return m_fake.Returns(call, CLASS_E_NOAGGREGATION);
    *viewport = m_fake.Adopt(std::unique_ptr<FakeViewport>(new FakeViewport(m_fake, m_fake.UniqueLabel("viewport"))));
    return S_OK;
}

HRESULT Direct3D3::CreateDevice(REFCLSID guid, IDirectDrawSurface4* surface, struct IDirect3DDevice3** device,
                                IUnknown* outer) {
    size_t call;
    HRESULT hr = Enter("CreateDevice", GuidName(&guid) + ", " + m_fake.ObjectName(surface), &call);
    if (device) *device = nullptr;
    if (FAILED(hr) || FAILED(hr = Guard(call))) return hr;
    if (!device) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    if (outer) return m_fake.Returns(call, CLASS_E_NOAGGREGATION);
    FakeSurface* target = AsFakeSurface(m_fake, surface);
    if (!target || !m_fake.FindDevice(guid)) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    if (!(target->Desc().ddsCaps.dwCaps & DDSCAPS_3DDEVICE)) return m_fake.Returns(call, DDERR_INVALIDCAPS);
    if ((target->Desc().ddpfPixelFormat.dwFlags & DDPF_PALETTEINDEXED8) && !target->HasPalette())
        return m_fake.Returns(call, DDERR_NOPALETTEATTACHED);
    *device = m_fake.Adopt(std::unique_ptr<FakeDevice3>(new FakeDevice3(m_fake, m_fake.UniqueLabel("device"), guid)));
    return S_OK;
}

HRESULT Direct3D3::EnumZBufferFormats(REFCLSID guid, LPD3DENUMPIXELFORMATSCALLBACK callback, void* context) {
    size_t call;
    HRESULT hr = Enter("EnumZBufferFormats", GuidName(&guid), &call);
    if (FAILED(hr) || FAILED(hr = Guard(call))) return hr;
    if (!callback || !m_fake.FindDevice(guid)) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    const std::vector<DDPIXELFORMAT> formats = m_fake.zBufferFormats;
    for (DDPIXELFORMAT format : formats)
        if (callback(&format, context) == D3DENUMRET_CANCEL) break;
    return S_OK;
}

}  // namespace

std::unique_ptr<FakeObject> NewFakeDirect3D3(FakeDirectX& fake, DirectDrawCore& core) {
    return std::unique_ptr<FakeObject>(new Direct3D3(fake, core));
}
