#pragma once
// Helpers for the DXMgr tests against Wine's real DirectDraw and Direct3D:
// a test window, an owning interface pointer, managers in a chosen state,
// and memory that no pointer check may accept.
#include "dxmgr/dxmgr.h"

#include <cstddef>
#include <string>

// Owns one reference on a COM interface.
template <typename T>
class Ref {
public:
    Ref() = default;
    explicit Ref(T* p) : m_p(p) {}
    ~Ref() { Reset(); }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // For out parameters: drops what is held first.
    T** Out()
    {
        Reset();
        return &m_p;
    }
    T* Detach()
    {
        T* p = m_p;
        m_p = nullptr;
        return p;
    }
    void Reset()
    {
        if (m_p != nullptr)
            m_p->Release();
        m_p = nullptr;
    }

private:
    T* m_p = nullptr;
};

// A visible pop-up window with a client area of the given size, destroyed
// with the object.
class TestWindow {
public:
    explicit TestWindow(int clientWidth = 160, int clientHeight = 120, int x = 40, int y = 30);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND Handle() const { return m_hwnd; }

private:
    HWND m_hwnd = nullptr;
};

// Dispatches whatever messages are waiting for this thread.
void PumpMessages();

// A new manager straight from DXMgrCreate; null (and a test failure) if that failed.
IDXMgr* CreateManager();
// A manager initialized on the display driver with the given focus window.
IDXMgr* InitializedManager(HWND hwndFocus);
// A manager enabled windowed on the window with the given Enable flags;
// near and far planes 1 and 10.
IDXMgr* EnabledManager(HWND hwnd, DWORD dwFlags);
DXMGRENABLE WindowedEnable(HWND hwnd, DWORD dwFlags);

// Memory that is neither readable nor writable, and a pointer to the last
// bytes of a writable page whose next page is inaccessible.
class GuardedMemory {
public:
    GuardedMemory();
    ~GuardedMemory();
    GuardedMemory(const GuardedMemory&) = delete;
    GuardedMemory& operator=(const GuardedMemory&) = delete;

    // Points into a no-access page.
    void* NoAccess() const;
    // cbWritable bytes are writable from here; the byte after them is not.
    void* WritableTail(size_t cbWritable) const;

private:
    char* m_pBase = nullptr;
    size_t m_cbPage = 0;
};

// "0x8876017c" for an HRESULT, for assertion messages.
std::string Hex(HRESULT hr);
