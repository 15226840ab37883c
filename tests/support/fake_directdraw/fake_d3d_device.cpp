#include "tests/support/fake_directdraw/fake_d3d_device.h"

#include <algorithm>
#include <cstdio>

static FakeViewport* AsFakeViewport(FakeDirectX& fake, const void* iface) {
    FakeObject* object = fake.Find(iface);
    return object && object->InterfaceName() == "IDirect3DViewport3" ? static_cast<FakeViewport*>(object) : nullptr;
}

// ---------------------------------------------------------------- device

HRESULT FakeDevice3::GetCaps(D3DDEVICEDESC* hardware, D3DDEVICEDESC* software) {
    size_t call;
    HRESULT hr = Enter("GetCaps", std::string(), &call);
    if (FAILED(hr)) return hr;
    if (!hardware || !software || hardware->dwSize != sizeof(D3DDEVICEDESC) ||
        software->dwSize != sizeof(D3DDEVICEDESC))
        return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    const FakeDevice* device = m_fake.FindDevice(m_guid);
    if (!device) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    *hardware = device->hardware;
    *software = device->software;
    return S_OK;
}

HRESULT FakeDevice3::AddViewport(IDirect3DViewport3* viewport) {
    size_t call;
    HRESULT hr = Enter("AddViewport", m_fake.ObjectName(viewport), &call);
    if (FAILED(hr)) return hr;
    FakeViewport* fakeViewport = AsFakeViewport(m_fake, viewport);
    if (!fakeViewport || fakeViewport->device) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    fakeViewport->device = this;
    m_viewports.push_back(fakeViewport);
    return S_OK;
}

HRESULT FakeDevice3::DeleteViewport(IDirect3DViewport3* viewport) {
    size_t call;
    HRESULT hr = Enter("DeleteViewport", m_fake.ObjectName(viewport), &call);
    if (FAILED(hr)) return hr;
    FakeViewport* fakeViewport = AsFakeViewport(m_fake, viewport);
    auto found = std::find(m_viewports.begin(), m_viewports.end(), fakeViewport);
    if (found == m_viewports.end()) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    m_viewports.erase(found);
    fakeViewport->device = nullptr;
    return S_OK;
}

HRESULT FakeDevice3::EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, void* context) {
    size_t call;
    HRESULT hr = Enter("EnumTextureFormats", std::string(), &call);
    if (FAILED(hr)) return hr;
    if (!callback) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    const std::vector<DDPIXELFORMAT> formats = m_fake.textureFormats;
    for (DDPIXELFORMAT format : formats)
        if (callback(&format, context) == D3DENUMRET_CANCEL) break;
    return S_OK;
}

HRESULT FakeDevice3::BeginScene() { return Enter("BeginScene"); }

HRESULT FakeDevice3::EndScene() { return Enter("EndScene"); }

HRESULT FakeDevice3::SetCurrentViewport(IDirect3DViewport3* viewport) {
    size_t call;
    HRESULT hr = Enter("SetCurrentViewport", m_fake.ObjectName(viewport), &call);
    if (FAILED(hr)) return hr;
    FakeViewport* fakeViewport = AsFakeViewport(m_fake, viewport);
    if (!fakeViewport || fakeViewport->device != this) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    return S_OK;
}

HRESULT FakeDevice3::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    return Enter("SetRenderState", std::to_string(static_cast<int>(state)) + ", " + HexValue(value));
}

HRESULT FakeDevice3::SetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
    size_t call;
    HRESULT hr = Enter("SetTransform", std::to_string(static_cast<int>(state)), &call);
    if (FAILED(hr)) return hr;
    if (!matrix || state < D3DTRANSFORMSTATE_WORLD || state > D3DTRANSFORMSTATE_PROJECTION)
        return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    m_transforms[state] = *matrix;
    if (state == D3DTRANSFORMSTATE_PROJECTION) {
        m_fake.projection = *matrix;
        m_fake.projectionSet = true;
    }
    return S_OK;
}

HRESULT FakeDevice3::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
    size_t call;
    HRESULT hr = Enter("GetTransform", std::to_string(static_cast<int>(state)), &call);
    if (FAILED(hr)) return hr;
    if (!matrix || state < D3DTRANSFORMSTATE_WORLD || state > D3DTRANSFORMSTATE_PROJECTION)
        return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    *matrix = m_transforms[state];
    return S_OK;
}

HRESULT FakeDevice3::DrawPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, void* vertices, DWORD count, DWORD flags) {
    size_t call;
    HRESULT hr = Enter("DrawPrimitive", std::to_string(static_cast<int>(type)) + ", " + HexValue(fvf) + ", " +
                                            std::to_string(count) + ", " + HexValue(flags), &call);
    if (FAILED(hr)) return hr;
    if (!vertices) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    return S_OK;
}

// ---------------------------------------------------------------- viewport

HRESULT FakeViewport::GetViewport2(D3DVIEWPORT2* data) {
    size_t call;
    HRESULT hr = Enter("GetViewport2", std::string(), &call);
    if (FAILED(hr)) return hr;
    if (!data || data->dwSize != sizeof(D3DVIEWPORT2)) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    if (!m_set) return m_fake.Returns(call, D3DERR_VIEWPORTDATANOTSET);
    *data = m_data;
    return S_OK;
}

HRESULT FakeViewport::SetViewport2(D3DVIEWPORT2* data) {
    size_t call;
    HRESULT hr = Enter("SetViewport2", std::string(), &call);
    if (FAILED(hr)) return hr;
    if (!data || data->dwSize != sizeof(D3DVIEWPORT2)) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    if (!device) return m_fake.Returns(call, D3DERR_VIEWPORTHASNODEVICE);
    m_data = *data;
    m_set = true;
    m_fake.viewport = *data;
    m_fake.viewportSet = true;
    return S_OK;
}

HRESULT FakeViewport::Clear2(DWORD count, D3DRECT* rects, DWORD flags, DWORD color, D3DVALUE z, DWORD stencil) {
    std::string args = std::to_string(count) + ", ";
    if (!rects) {
        args += "NULL";
    } else {
        for (DWORD i = 0; i < count; ++i) {
            char text[64];
            std::snprintf(text, sizeof text, "%s(%ld,%ld,%ld,%ld)", i ? " " : "", static_cast<long>(rects[i].x1),
                          static_cast<long>(rects[i].y1), static_cast<long>(rects[i].x2),
                          static_cast<long>(rects[i].y2));
            args += text;
        }
    }
    char tail[64];
    std::snprintf(tail, sizeof tail, ", %s, 0x%08lX, %g, %lu", HexValue(flags).c_str(),
                  static_cast<unsigned long>(color), static_cast<double>(z), static_cast<unsigned long>(stencil));
    size_t call;
    HRESULT hr = Enter("Clear2", args + tail, &call);
    if (FAILED(hr)) return hr;
    if (!device) return m_fake.Returns(call, D3DERR_VIEWPORTHASNODEVICE);
    if (!rects || count == 0) return m_fake.Returns(call, DDERR_INVALIDPARAMS);
    return S_OK;
}
