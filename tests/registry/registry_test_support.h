#pragma once
// Shared checks for the registry library's tests.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include <string>
#include "registry/registry_key.h"

// Passes when calling f raises a CRegistryKey::Exception (or a class below it)
// with exactly this where-string and code; otherwise says what happened.
template <class F>
::testing::AssertionResult RaisesRegistryError(F&& f, const char* where, DWORD code)
{
    try {
        f();
    } catch (const Quarnell::CRegistryKey::Exception& e) {
        if (std::strcmp(e.GetWhere(), where) == 0 && e.GetError() == code)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "raised \"" << e.GetWhere() << "\" with " << e.GetError() << "; expected \"" << where
               << "\" with " << code;
    } catch (...) {
        return ::testing::AssertionFailure() << "raised something other than CRegistryKey::Exception";
    }
    return ::testing::AssertionFailure() << "raised nothing; expected \"" << where << "\" with " << code;
}

// The value's stored type and bytes, read with the raw API.
inline std::string StoredBytes(HKEY hKey, const char* name, DWORD* pType = nullptr)
{
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(hKey, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return "<missing>";
    std::string bytes(size, '\0');
    RegQueryValueExA(hKey, name, nullptr, &type, reinterpret_cast<BYTE*>(&bytes[0]), &size);
    bytes.resize(size);
    if (pType)
        *pType = type;
    return bytes;
}

// A duplicate of the scratch key's handle, owned by whoever receives it.
inline HKEY OpenScratchCopy(HKEY hScratch, REGSAM sam = KEY_ALL_ACCESS)
{
    HKEY h = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(hScratch, nullptr, 0, sam, &h));
    return h;
}
