#pragma once
// The one place where the DXMgr diagnostic line is formed.
#include <windows.h>

// Writes "DXMgr: <operation>: <reason>\n" with a single OutputDebugStringA
// call and returns hr; it allocates nothing and cannot throw. A failing check
// reads
//     return DXMgrFail("Enable", "Not initialized", DXMGRERR_NOTINITIALIZED);
HRESULT DXMgrFail(const char* pszOperation, const char* pszReason, HRESULT hr) noexcept;

// Pointer checks on the exact size that will be written or read, whatever the
// pointer width of the build.
template <typename T>
inline bool IsBadOutPointer(T* p)
{
    return IsBadWritePtr(p, sizeof(T)) != FALSE;
}

template <typename T>
inline bool IsBadInPointer(const T* p)
{
    return IsBadReadPtr(p, sizeof(T)) != FALSE;
}
