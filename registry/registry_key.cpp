#include "registry/registry_key.h"

#include "registry/status_check.h"

namespace Quarnell {

// Passing a key by value costs one pointer and one interlocked increment.
static_assert(sizeof(CRegistryKey) == sizeof(void*), "a key is one pointer");
#if !defined(_WIN64)
static_assert(sizeof(CWin32Exception) == 12, "table pointer, where-string, code");
static_assert(sizeof(CCountedRegKey) == 12, "table pointer, handle, count");
static_assert(sizeof(CRegistryKey::Value) == 20, "name, type, data, length, text");
#endif

CRegistryKey::CRegistryKey(HKEY hKey) : m_pKey(NewCCountedRegKey(hKey, true)) {}

CRegistryKey::CRegistryKey(LPCSTR machineName, HKEY hKey) : m_pKey(nullptr)
{
    HKEY hConnected = nullptr;
    ThrowIfFailed(RegConnectRegistryA(machineName, hKey, &hConnected),
                  "CRegistryKey::CRegistryKey() - RegConnectRegistry");
    m_pKey = NewCCountedRegKey(hConnected, true);
}

CRegistryKey::CRegistryKey(HKEY hKey, LPCSTR subKey, REGSAM samDesired, LPCSTR machineName)
    : m_pKey(nullptr)
{
    HKEY hParent = hKey;
    HKEY hRemoteRoot = nullptr;
    if (machineName) {
        ThrowIfFailed(RegConnectRegistryA(machineName, hKey, &hRemoteRoot),
                      "CRegistryKey::CRegistryKey() - RegConnectRegistry");
        hParent = hRemoteRoot;
    }
    HKEY hOpened = nullptr;
    LONG status = RegOpenKeyExA(hParent, subKey, 0, samDesired, &hOpened);
    // The remote root serves only this open; the opened subkey does not need it.
    if (hRemoteRoot)
        RegCloseKey(hRemoteRoot);
    ThrowIfFailed(status, "CRegistryKey::CRegistryKey(HKEY hKey ...)");
    m_pKey = NewCCountedRegKey(hOpened, true);
}

CRegistryKey::CRegistryKey(const CRegistryKey& other) : m_pKey(other.m_pKey->AddRef()) {}

CRegistryKey::~CRegistryKey()
{
    m_pKey = m_pKey->Release();
}

CRegistryKey& CRegistryKey::operator=(const CRegistryKey& other)
{
    if (this != &other) {
        CCountedRegKey* pOther = other.m_pKey->AddRef();
        m_pKey->Release();
        m_pKey = pOther;
    }
    return *this;
}

CRegistryKey& CRegistryKey::operator=(HKEY hKey)
{
    // The handle this key (and every copy sharing it) holds already: a second
    // owner of it would close it under the first.
    if (hKey == m_pKey->GetHandle())
        return *this;
    CCountedRegKey* pNew = NewCCountedRegKey(hKey, true);
    m_pKey->Release();
    m_pKey = pNew;
    return *this;
}

CCountedRegKey* CRegistryKey::NewCCountedRegKey(HKEY hKey, bool closeKeyOnFailure)
{
    CCountedRegKey* pKey = nullptr;
    try {
        pKey = new CCountedRegKey(hKey);
    } catch (...) {
        pKey = nullptr;
    }
    if (!pKey) {
        if (closeKeyOnFailure)
            RegCloseKey(hKey);
        throw Exception("CRegistryKey::NewCCountedRegKey()", ERROR_NOT_ENOUGH_MEMORY);
    }
    return pKey;
}

CRegistryKey CRegistryKey::OpenKey(LPCSTR subKey, REGSAM samDesired) const
{
    return CRegistryKey(m_pKey->GetHandle(), subKey, samDesired, nullptr);
}

CRegistryKey CRegistryKey::CreateKey(LPCSTR subKey, LPSTR lpClass, DWORD dwOptions,
                                     REGSAM samDesired,
                                     LPSECURITY_ATTRIBUTES lpSecurityAttributes) const
{
    DWORD disposition = 0;
    {
        CRegistryKey key = CreateOrOpenKey(subKey, &disposition, lpClass, dwOptions, samDesired,
                                           lpSecurityAttributes);
        if (disposition == REG_CREATED_NEW_KEY)
            return key;
    }
    throw Exception("CRegistryKey::CreateKey()", ERROR_ALREADY_EXISTS);
}

CRegistryKey CRegistryKey::CreateOrOpenKey(LPCSTR subKey, LPDWORD lpdwDisposition, LPSTR lpClass,
                                           DWORD dwOptions, REGSAM samDesired,
                                           LPSECURITY_ATTRIBUTES lpSecurityAttributes) const
{
    DWORD disposition = 0;
    HKEY hCreated = nullptr;
    ThrowIfFailed(RegCreateKeyExA(*this, subKey, 0, lpClass, dwOptions, samDesired,
                                  lpSecurityAttributes, &hCreated,
                                  lpdwDisposition ? lpdwDisposition : &disposition),
                  "CRegistryKey::CreateOrOpenKey()");
    return CRegistryKey(hCreated);
}

bool CRegistryKey::SubkeyExists(LPCSTR subKey, REGSAM samDesired) const
{
    HKEY hOpened = nullptr;
    if (RegOpenKeyExA(*this, subKey, 0, samDesired, &hOpened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hOpened);
    return true;
}

CRegistryKey CRegistryKey::ConnectRegistry(LPCSTR machineName) const
{
    HKEY hConnected = nullptr;
    ThrowIfFailed(RegConnectRegistryA(machineName, *this, &hConnected), "CRegistryKey::ConnectRegistry()");
    return CRegistryKey(hConnected);
}

void CRegistryKey::FlushKey() const
{
    ThrowIfFailed(RegFlushKey(*this), "CRegistryKey::FlushKey()");
}

void CRegistryKey::DeleteValue(LPCSTR valueName) const
{
    ThrowIfFailed(RegDeleteValueA(*this, valueName), "CRegistryKey::DeleteValue()");
}

CRegistryKey::SubkeyIterator CRegistryKey::BeginSubkeyIteration() const
{
    return SubkeyIterator(m_pKey);
}

CRegistryKey::SubkeyIterator CRegistryKey::EndSubkeyIteration() const
{
    return SubkeyIterator(nullptr);
}

CRegistryKey::ValueIterator CRegistryKey::BeginValueIteration() const
{
    return ValueIterator(m_pKey);
}

CRegistryKey::ValueIterator CRegistryKey::EndValueIteration() const
{
    return ValueIterator(nullptr);
}

}  // namespace Quarnell
