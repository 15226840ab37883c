#include "tests/support/fake_directdraw/fake_directdraw.h"

#include "tests/support/fake_directdraw/fake_ddraw_object.h"
#include "tests/support/fake_directdraw/fake_object.h"

#include <cstdio>
#include <cstring>

// ---------------------------------------------------------------- text helpers

std::string HexValue(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(value));
    return text;
}

std::string HResultText(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

std::string GuidName(const GUID* guid) {
    if (!guid) return "NULL";
    static const struct { const GUID* guid; const char* name; } known[] = {
        {&IID_IUnknown, "IID_IUnknown"},
        {&IID_IClassFactory, "IID_IClassFactory"},
        {&IID_IDirectDraw, "IID_IDirectDraw"},
        {&IID_IDirectDraw2, "IID_IDirectDraw2"},
        {&IID_IDirectDraw4, "IID_IDirectDraw4"},
        {&IID_IDirectDraw7, "IID_IDirectDraw7"},
        {&IID_IDirect3D, "IID_IDirect3D"},
        {&IID_IDirect3D2, "IID_IDirect3D2"},
        {&IID_IDirect3D3, "IID_IDirect3D3"},
        {&IID_IDirect3D7, "IID_IDirect3D7"},
        {&IID_IDirectDrawSurface4, "IID_IDirectDrawSurface4"},
        {&IID_IDirect3DDevice3, "IID_IDirect3DDevice3"},
        {&IID_IDirect3DViewport3, "IID_IDirect3DViewport3"},
        {&IID_IDirect3DHALDevice, "IID_IDirect3DHALDevice"},
        {&IID_IDirect3DRGBDevice, "IID_IDirect3DRGBDevice"},
        {&IID_IDirect3DRampDevice, "IID_IDirect3DRampDevice"},
        {&IID_IDirect3DMMXDevice, "IID_IDirect3DMMXDevice"},
        {&GUID_NULL, "GUID_NULL"},
    };
    for (const auto& entry : known)
        if (IsEqualGUID(*guid, *entry.guid)) return entry.name;
    char text[40];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(guid->Data1), guid->Data2, guid->Data3,
                  guid->Data4[0], guid->Data4[1], guid->Data4[2], guid->Data4[3],
                  guid->Data4[4], guid->Data4[5], guid->Data4[6], guid->Data4[7]);
    return text;
}

// ---------------------------------------------------------------- FakeCall

std::string FakeCall::Key() const { return interfaceName + "::" + method; }

std::string FakeCall::Text() const {
    std::string text = interfaceName;
    if (!target.empty()) text += "[" + target + "]";
    return text + "::" + method + "(" + args + ")";
}

// ---------------------------------------------------------------- FakeObject

std::string FakeObject::LedgerName() const {
    return m_label.empty() ? m_interface : m_interface + "[" + m_label + "]";
}

ULONG FakeObject::DoAddRef() {
    if (IsDestroyed())
        m_fake.Fault("AddRef on released " + LedgerName());
    ++m_refs;
    m_fake.RecordRefCount(this, "AddRef", m_refs);
    return static_cast<ULONG>(m_refs);
}

ULONG FakeObject::DoRelease() {
    if (m_refs <= 0) {
        m_fake.Fault("Release past 0 on " + LedgerName());
        m_fake.RecordRefCount(this, "Release", m_refs);
        return 0;
    }
    --m_refs;
    m_fake.RecordRefCount(this, "Release", m_refs);
    return static_cast<ULONG>(m_refs);
}

HRESULT FakeObject::NotImplemented(const char* method) {
    size_t index;
    HRESULT hr = Enter(method, std::string(), &index);
    return m_fake.Returns(index, FAILED(hr) ? hr : E_NOTIMPL);
}

// ---------------------------------------------------------------- class factory

class FakeDirectDrawFactory : public IClassFactory {
public:
    explicit FakeDirectDrawFactory(FakeDirectX& fake) : m_fake(fake) {}

    // COM holds the class object while it is registered; its lifetime is the
    // FakeDirectX's, so the count only guards against misuse.
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IClassFactory)) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    STDMETHOD_(ULONG, Release)() override { return static_cast<ULONG>(InterlockedDecrement(&m_refs)); }

    STDMETHOD(CreateInstance)(IUnknown* outer, REFIID riid, void** ppv) override {
        size_t index;
        HRESULT injected = m_fake.Enter(nullptr, "IClassFactory::CreateInstance", GuidName(&riid), &index);
        if (!ppv) return m_fake.Returns(index, E_POINTER);
        *ppv = nullptr;
        if (FAILED(injected)) return injected;
        if (outer) return m_fake.Returns(index, CLASS_E_NOAGGREGATION);
        return m_fake.Returns(index, CreateFakeDirectDraw(m_fake, riid, ppv));
    }
    STDMETHOD(LockServer)(BOOL) override { return S_OK; }

private:
    FakeDirectX& m_fake;
    LONG m_refs = 0;
};

// ---------------------------------------------------------------- FakeDirectX

FakeDirectX::FakeDirectX()
    : displayModes{{640, 480, 16, 60}, {640, 480, 32, 60}, {800, 600, 16, 60}, {800, 600, 32, 60}},
      desktopMode{1024, 768, 32, 60},
      devices{FakeRgbDevice(), FakeHalDevice(true)},
      zBufferFormats{FakeZBufferFormat(16), FakeZBufferFormat(24)},
      textureFormats{FakeTextureFormat(16, 0xF800, 0x07E0, 0x001F, 0),
                     FakeTextureFormat(16, 0x7C00, 0x03E0, 0x001F, 0x8000),
                     FakeTextureFormat(32, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF000000)},
      currentMode(desktopMode),
      m_factory(new FakeDirectDrawFactory(*this)) {}

FakeDirectX::~FakeDirectX() = default;

IClassFactory* FakeDirectX::Factory() { return m_factory.get(); }

void FakeDirectX::FailCall(const std::string& method, HRESULT hr, int occurrence) {
    m_failures.push_back({method, hr, occurrence, 0});
}

void FakeDirectX::ClearFailures() { m_failures.clear(); }

void FakeDirectX::NameWindow(HWND hwnd, const std::string& name) {
    m_windowNames.emplace_back(hwnd, name);
}

std::vector<std::string> FakeDirectX::Calls() const {
    std::vector<std::string> texts;
    for (const FakeCall& call : m_calls)
        if (!call.refCounting) texts.push_back(call.Text());
    return texts;
}

std::vector<std::string> FakeDirectX::CallsWithRefCounting() const {
    std::vector<std::string> texts;
    for (const FakeCall& call : m_calls) texts.push_back(call.Text());
    return texts;
}

int FakeDirectX::CountCalls(const std::string& method) const {
    int count = 0;
    for (const FakeCall& call : m_calls)
        if (call.Key() == method) ++count;
    return count;
}

void FakeDirectX::ClearCalls() { m_calls.clear(); }

std::vector<std::string> FakeDirectX::LiveObjects() const {
    std::vector<std::string> live;
    for (const auto& object : m_objects)
        if (object->Refs() != 0 && !object->LedgerHidden())
            live.push_back(object->LedgerName() + " count " + std::to_string(object->Refs()));
    return live;
}

HRESULT FakeDirectX::Enter(const FakeObject* object, const char* method, const std::string& args,
                           size_t* index) {
    FakeCall call;
    if (object) {
        call.interfaceName = object->InterfaceName();
        call.target = object->Label();
    } else {
        // Calls on no object name their interface in the method: "IClassFactory::CreateInstance".
        const char* separator = std::strstr(method, "::");
        call.interfaceName.assign(method, separator ? separator - method : 0);
        if (separator) method = separator + 2;
    }
    call.method = method;
    call.args = args;
    if (object && object->IsDestroyed())
        Fault("call " + call.Key() + " on released " + object->LedgerName());

    const std::string key = call.Key();
    HRESULT injected = S_OK;
    for (FailureRule& rule : m_failures) {
        if (rule.method != key) continue;
        ++rule.seen;
        if (SUCCEEDED(injected) && (rule.occurrence == 0 || rule.occurrence == rule.seen))
            injected = rule.hr;
    }
    call.result = injected;
    m_calls.push_back(call);
    if (index) *index = m_calls.size() - 1;
    return injected;
}

HRESULT FakeDirectX::Returns(size_t index, HRESULT hr) {
    if (index < m_calls.size()) m_calls[index].result = hr;
    return hr;
}

void FakeDirectX::RecordRefCount(const FakeObject* object, const char* method, long count) {
    FakeCall call;
    call.interfaceName = object->InterfaceName();
    call.target = object->Label();
    call.method = method;
    call.result = static_cast<HRESULT>(count);
    call.refCounting = true;
    m_calls.push_back(call);
}

void FakeDirectX::Fault(const std::string& what) { m_faults.push_back(what); }

FakeObject* FakeDirectX::Find(const void* iface) const {
    if (!iface) return nullptr;
    for (const auto& object : m_objects)
        if (object->Interface() == iface) return object.get();
    return nullptr;
}

std::string FakeDirectX::UniqueLabel(const std::string& base) {
    for (auto& label : m_labels)
        if (label.first == base) return base + "#" + std::to_string(++label.second);
    m_labels.emplace_back(base, 1);
    return base;
}

std::string FakeDirectX::WindowName(HWND hwnd) const {
    if (!hwnd) return "NULL";
    for (const auto& named : m_windowNames)
        if (named.first == hwnd) return named.second;
    char text[32];
    std::snprintf(text, sizeof text, "hwnd %p", static_cast<void*>(hwnd));
    return text;
}

std::string FakeDirectX::ObjectName(const void* iface) {
    if (!iface) return "NULL";
    if (FakeObject* object = Find(iface)) return object->Label().empty() ? object->InterfaceName() : object->Label();
    Fault("foreign interface pointer passed to the fake");
    return "foreign";
}

const FakeDevice* FakeDirectX::FindDevice(const GUID& guid) const {
    for (const FakeDevice& device : devices)
        if (IsEqualGUID(device.guid, guid)) return &device;
    return nullptr;
}

DDPIXELFORMAT FakeDirectX::DisplayFormat(DWORD bpp) const {
    for (const DDPIXELFORMAT& format : displayFormats)
        if (format.dwRGBBitCount == bpp) return format;
    return FakeDisplayFormat(bpp);
}

// ---------------------------------------------------------------- registration

FakeDirectDrawRegistration::FakeDirectDrawRegistration(FakeDirectX& fake)
    : m_coInit(CoInitialize(nullptr)) {
    m_hr = CoRegisterClassObject(CLSID_DirectDraw, fake.Factory(), CLSCTX_INPROC_SERVER,
                                 REGCLS_MULTIPLEUSE, &m_cookie);
}

FakeDirectDrawRegistration::~FakeDirectDrawRegistration() {
    if (SUCCEEDED(m_hr)) CoRevokeClassObject(m_cookie);
    if (SUCCEEDED(m_coInit)) CoUninitialize();
}
