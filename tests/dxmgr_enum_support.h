#pragma once
// Fresh DXMgr objects, windows and small COM helpers for the enumeration tests.
#include "dxmgr/dxmgr.h"

#include <cstring>
#include <string>
#include <vector>

// Holds one reference and gives it back when it goes.
template <class T>
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
    // For out parameters: releases what is held and hands out the slot.
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
        if (m_p != nullptr) m_p->Release();
        m_p = nullptr;
    }

private:
    T* m_p = nullptr;
};

// A visible top-level window with a 320 x 240 client area, destroyed with
// the object.
class TestWindow {
public:
    TestWindow();
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND Handle() const { return m_hwnd; }

private:
    HWND m_hwnd = nullptr;
};

// A new DXMgr object, or a failed test assertion.
Ref<IDXMgr> NewManager();
// Initialized on the display driver with the window as focus window.
Ref<IDXMgr> InitializedManager(HWND hwnd);
// Initialized, then enabled windowed on the window with the given flags.
Ref<IDXMgr> EnabledManager(HWND hwnd, DWORD dwEnableFlags);
DXMGRENABLE WindowedEnable(HWND hwnd, DWORD dwEnableFlags);

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

inline bool SameBytes(const DDPIXELFORMAT& a, const DDPIXELFORMAT& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
inline bool SameBytes(const DXMGRDISPLAYMODE& a, const DXMGRDISPLAYMODE& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}
