#pragma once
// Who releases a COM interface inside DXMgr. An interface a function takes
// only for its own use is held in a ComHolder, so that every way out of the
// function releases it exactly once. The object's own interface fields stay
// plain pointers: they outlive the calls that fill them and go in one order
// (release.cpp).
#include <windows.h>

template <typename T>
class ComHolder {
public:
    ComHolder() = default;
    // Takes over a reference the caller holds.
    explicit ComHolder(T* p) : m_p(p) {}
    ~ComHolder() { Reset(); }
    ComHolder(const ComHolder&) = delete;
    ComHolder& operator=(const ComHolder&) = delete;

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }

    // The out parameter of a creation call or QueryInterface.
    T** Out()
    {
        Reset();
        return &m_p;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }

    // Hands the reference on: whoever receives it releases it.
    T* Detach()
    {
        T* p = m_p;
        m_p = nullptr;
        return p;
    }

    // Drops the pointer unreleased: what a failed call wrote is not a reference.
    void Forget() { m_p = nullptr; }

    void Reset()
    {
        if (m_p != nullptr)
            m_p->Release();
        m_p = nullptr;
    }

private:
    T* m_p = nullptr;
};

// A failed creation call leaves nothing to release, whatever it wrote.
template <typename T>
HRESULT Created(HRESULT hr, T*& p)
{
    if (FAILED(hr))
        p = nullptr;
    return hr;
}

template <typename T>
HRESULT Created(HRESULT hr, ComHolder<T>& holder)
{
    if (FAILED(hr))
        holder.Forget();
    return hr;
}

// Lets go of one interface field; a field that holds nothing is left alone.
template <typename T>
void ReleaseField(T*& p)
{
    if (p != nullptr) {
        p->Release();
        p = nullptr;
    }
}
