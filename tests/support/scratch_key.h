#pragma once
// A fresh registry key per test under HKEY_CURRENT_USER\Software\CorvaneTests,
// removed with everything below it when the test ends, pass or fail.
// Works with the raw API, so that it does not depend on the library under test.
#include <windows.h>
#include <string>

class ScratchKey {
public:
    ScratchKey();
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    HKEY Handle() const { return m_hKey; }        // opened with KEY_ALL_ACCESS
    const std::string& Path() const { return m_path; }  // relative to HKEY_CURRENT_USER

    // Raw helpers for setting up and checking what the code under test did.
    void SetRaw(const char* name, DWORD type, const void* data, DWORD size) const;
    void SetString(const char* name, const char* text) const;
    void SetDword(const char* name, DWORD value) const;
    HKEY CreateSubkey(const char* subPath) const;   // caller closes
    bool HasSubkey(const char* subPath) const;
    bool HasValue(const char* name) const;
    // Type and bytes of a value; false when it does not exist.
    bool ReadRaw(const char* name, DWORD& type, std::string& bytes) const;

private:
    std::string m_path;
    HKEY m_hKey = nullptr;
};

// True when a registry call on the handle fails with ERROR_INVALID_HANDLE,
// i.e. the handle has been closed.
bool IsClosedKeyHandle(HKEY hKey);
