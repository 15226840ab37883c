#pragma once
// Helpers for the DXMgr tests: a test window, an owning interface pointer,
// managers in a chosen state, memory that no pointer check may accept, and
// enumerator reading.
#include "dxmgr/dxmgr.h"

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

// Owns one reference on a COM interface.
template <typename T>
class Ref {
public:
    Ref() = default;
    explicit Ref(T* p) : m_p(p) {}
    ~Ref() { Reset(); }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    Ref(Ref&& other) noexcept : m_p(other.Detach()) {}
    Ref& operator=(Ref&& other) noexcept
    {
        if (this != &other) {
            Reset();
            m_p = other.Detach();
        }
        return *this;
    }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // For out parameters: drops what is held first.
    T** Out()
    {
        Reset();
        return &m_p;
    }
    // Lets go of the reference without releasing it (the test released it).
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
std::string GuidText(const GUID& guid);

// Everything an enumerator still has, read one record at a time.
template <class Enumerator, class Record>
std::vector<Record> ReadAll(Enumerator* pEnum)
{
    std::vector<Record> records;
    Record record;
    ULONG cFetched = 0;
    while (pEnum->Next(1, &record, &cFetched) == S_OK && cFetched == 1) records.push_back(record);
    return records;
}

// A manager's lists as a caller sees them, each read whole from a fresh
// enumerator; empty (and a test failure) when the enumerator is refused.
// The display modes of Initialize:
std::vector<DXMGRDISPLAYMODE> DisplayModesOf(IDXMgr* manager);
// The Z-buffer formats of the device Enable chose (what a null device gets):
std::vector<DDPIXELFORMAT> OwnZBufferFormatsOf(IDXMgr* manager);
// The device Enable chose, from GetEnableInfo; all zero (and a test failure)
// when that is refused.
GUID EnabledDeviceOf(IDXMgr* manager);

inline bool SameBytes(const DDPIXELFORMAT& a, const DDPIXELFORMAT& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
inline bool SameBytes(const DXMGRDISPLAYMODE& a, const DXMGRDISPLAYMODE& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}
