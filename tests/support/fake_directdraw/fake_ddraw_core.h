#pragma once
// What the interfaces of one fake DirectDraw object share: whether it has
// been initialised, and which interface answers which identifier.
#include "tests/support/fake_directdraw/fake_object.h"

struct DirectDrawCore {
    int number = 0;
    bool initialized = false;
    FakeObject* dd1 = nullptr;   // IDirectDraw
    FakeObject* dd4 = nullptr;   // IDirectDraw4
    FakeObject* d3d = nullptr;   // IDirect3D3
};

// One interface of the DirectDraw object, counted on its own as DirectDraw counts them.
class DirectDrawInterface : public FakeObject {
public:
    DirectDrawInterface(FakeDirectX& fake, const char* interfaceName, DirectDrawCore& core)
        : FakeObject(fake, interfaceName, std::string(), 0), m_core(core) {}

    std::string LedgerName() const override {
        return InterfaceName() + " of DirectDraw object " + std::to_string(m_core.number);
    }

protected:
    HRESULT Query(REFIID riid, void** ppv);
    // Everything but Initialize and the IUnknown methods needs an initialised object.
    HRESULT Guard(size_t call) {
        return m_core.initialized ? S_OK : m_fake.Returns(call, DDERR_NOTINITIALIZED);
    }

    DirectDrawCore& m_core;
};

#define DIRECTDRAW_IUNKNOWN(IFACE)                                          \
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {           \
        return Query(riid, ppv);                                            \
    }                                                                       \
    STDMETHOD_(ULONG, AddRef)() override { return DoAddRef(); }            \
    STDMETHOD_(ULONG, Release)() override { return DoRelease(); }          \
    void* Interface() override { return static_cast<IFACE*>(this); }

// The IDirect3D3 interface of a DirectDraw object.
std::unique_ptr<FakeObject> NewFakeDirect3D3(FakeDirectX& fake, DirectDrawCore& core);
