#pragma once
// The cursor and COM plumbing that the three enumerator kinds share. Each kind
// (Derived) owns its records and offers Records(), RecordCount(),
// FreeRecords() and FillCloneOf(source); everything a caller sees move (Next,
// Skip, Reset, Clone, reference count) lives here once.
//
// An enumerator holds a private snapshot: it keeps no reference to the DXMgr
// object, so it outlives any change of that object's state.
#include <windows.h>

#include <new>

namespace dxmgr_detail {

// The enumerators and their records live on the process heap, like the
// object's own lists.
inline void* HeapBlock(SIZE_T cb) { return HeapAlloc(GetProcessHeap(), 0, cb); }
inline void FreeHeapBlock(void* pv)
{
    if (pv != nullptr) HeapFree(GetProcessHeap(), 0, pv);
}

template <class Derived, class Interface, class Record, const IID& Iid>
class CEnumerator : public Interface {
public:
    // A fresh enumerator with no records, position 0 and no reference yet,
    // or null when there is no memory for it.
    static Derived* New() {
        void* pv = HeapBlock(sizeof(Derived));
        return pv ? new (pv) Derived() : nullptr;
    }

    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
        if (ppv == nullptr) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, Iid)) return E_NOINTERFACE;
        AddRef();
        *ppv = static_cast<Interface*>(this);
        return S_OK;
    }

    STDMETHOD_(ULONG, AddRef)() override { return ++m_cRef; }

    STDMETHOD_(ULONG, Release)() override {
        const ULONG cRef = --m_cRef;
        if (cRef == 0) Destroy(static_cast<Derived*>(this));
        return cRef;
    }

    STDMETHOD(Next)(ULONG cWanted, Record* pRecords, ULONG* pcFetched) override {
        const ULONG cLeft = Self().RecordCount() - m_iPosition;
        ULONG n = cWanted;
        HRESULT hr = S_OK;
        // Compared against what is left so that a huge count cannot wrap a sum.
        if (cWanted > cLeft) {
            n = cLeft;
            hr = S_FALSE;
        }
        // Records wanted need room to go to; nothing moves when there is none.
        if (cWanted > 0 && (pRecords == nullptr || (n > 0 && IsBadWritePtr(pRecords, n * sizeof(Record))))) {
            if (pcFetched != nullptr) *pcFetched = 0;
            return E_POINTER;
        }
        if (pcFetched != nullptr) *pcFetched = n;
        if (n > 0) CopyMemory(pRecords, Self().Records() + m_iPosition, n * sizeof(Record));
        m_iPosition += n;
        return hr;
    }

    STDMETHOD(Skip)(ULONG cSkip) override {
        const DWORD cRecords = Self().RecordCount();
        if (cSkip > cRecords - m_iPosition) {
            m_iPosition = cRecords;
            return S_FALSE;
        }
        m_iPosition += cSkip;
        return S_OK;
    }

    STDMETHOD(Reset)() override {
        m_iPosition = 0;
        return S_OK;
    }

    STDMETHOD(Clone)(Interface** ppClone) override {
        // Checked before anything is made, so that no clone is left without an owner.
        if (IsBadWritePtr(ppClone, sizeof *ppClone)) return E_POINTER;
        Derived* pClone = New();
        if (pClone == nullptr) return E_OUTOFMEMORY;
        const HRESULT hr = pClone->FillCloneOf(Self());
        if (FAILED(hr)) {
            Destroy(pClone);
            return hr;
        }
        // A clone that gathered its records afresh may hold fewer than this
        // enumerator has already passed; it must never point beyond its own.
        const DWORD cCloneRecords = pClone->RecordCount();
        pClone->m_iPosition = m_iPosition < cCloneRecords ? m_iPosition : cCloneRecords;
        pClone->AddRef();
        *ppClone = pClone;
        return S_OK;
    }

protected:
    CEnumerator() = default;
    ~CEnumerator() = default;
    CEnumerator(const CEnumerator&) = delete;
    CEnumerator& operator=(const CEnumerator&) = delete;

    static void Destroy(Derived* p) {
        p->FreeRecords();
        p->~Derived();
        FreeHeapBlock(p);
    }

    Derived& Self() { return *static_cast<Derived*>(this); }

    ULONG m_cRef = 0;
    DWORD m_iPosition = 0;  // index of the record Next hands out next
};

}  // namespace dxmgr_detail
