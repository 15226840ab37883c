#pragma once
// One owner for a kernel handle a function holds for itself: closed when the
// owner goes, on every way out.
#include <windows.h>

class OwnedHandle {
public:
    OwnedHandle() = default;
    explicit OwnedHandle(HANDLE handle) : m_handle(handle) {}
    ~OwnedHandle()
    {
        if (m_handle)
            CloseHandle(m_handle);
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    OwnedHandle(OwnedHandle&& other) noexcept : m_handle(other.m_handle) { other.m_handle = nullptr; }
    OwnedHandle& operator=(OwnedHandle&& other) noexcept
    {
        if (this != &other) {
            if (m_handle)
                CloseHandle(m_handle);
            m_handle = other.m_handle;
            other.m_handle = nullptr;
        }
        return *this;
    }

    HANDLE Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    HANDLE m_handle = nullptr;
};
