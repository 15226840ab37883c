#pragma once
// The part every fake DirectX object shares: its place in the reference ledger
// and the bookkeeping behind AddRef, Release and QueryInterface. The memory of
// a fake object lives as long as its FakeDirectX, so a call through a released
// pointer is caught and reported instead of touching freed memory.
#include "tests/support/fake_directdraw/fake_directdraw.h"

#include <string>

class FakeObject {
public:
    FakeObject(FakeDirectX& fake, const char* interfaceName, std::string label, long refs)
        : m_fake(fake), m_interface(interfaceName), m_label(std::move(label)), m_refs(refs) {}
    virtual ~FakeObject() = default;
    FakeObject(const FakeObject&) = delete;
    FakeObject& operator=(const FakeObject&) = delete;

    // The COM interface pointer this object is handed out as.
    virtual void* Interface() = 0;

    const std::string& InterfaceName() const { return m_interface; }
    const std::string& Label() const { return m_label; }
    long Refs() const { return m_refs; }
    // Calls on a destroyed object are faults.
    virtual bool IsDestroyed() const { return m_refs <= 0; }
    // True when the ledger need not see this object's count back at 0: a back
    // buffer of a flipping chain goes with the chain's front surface.
    virtual bool LedgerHidden() const { return false; }
    virtual std::string LedgerName() const;

    ULONG DoAddRef();
    ULONG DoRelease();
    // A reference handed out by something other than AddRef (creation,
    // GetAttachedSurface, QueryInterface of another interface).
    void HandOut() { ++m_refs; }

protected:
    HRESULT Enter(const char* method, const std::string& args = std::string(),
                  size_t* index = nullptr) {
        return m_fake.Enter(this, method, args, index);
    }
    HRESULT NotImplemented(const char* method);

    FakeDirectX& m_fake;

private:
    std::string m_interface;
    std::string m_label;
    long m_refs;
};

// IUnknown for a fake object that answers only to its own interface.
#define FAKE_IUNKNOWN(IFACE)                                                      \
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {                 \
        HRESULT injected = Enter("QueryInterface", GuidName(&riid));              \
        if (!ppv) return E_POINTER;                                               \
        *ppv = nullptr;                                                           \
        if (FAILED(injected)) return injected;                                    \
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_##IFACE)) { \
            DoAddRef();                                                           \
            *ppv = static_cast<IFACE*>(this);                                     \
            return S_OK;                                                          \
        }                                                                         \
        return E_NOINTERFACE;                                                     \
    }                                                                             \
    STDMETHOD_(ULONG, AddRef)() override { return DoAddRef(); }                  \
    STDMETHOD_(ULONG, Release)() override { return DoRelease(); }                \
    void* Interface() override { return static_cast<IFACE*>(this); }

#define FAKE_NOTIMPL(name) { return NotImplemented(#name); }
