#pragma once
// The one way a failed registry call becomes an exception. The where-string
// is passed as a literal at the call, so that it names the very call that
// failed.
#include <windows.h>

#include "registry/registry_key.h"

namespace Quarnell {

// Raises CRegistryKey::Exception(where, status) for anything but ERROR_SUCCESS.
inline void ThrowIfFailed(LONG status, LPCSTR where)
{
    if (status != ERROR_SUCCESS)
        throw CRegistryKey::Exception(where, static_cast<DWORD>(status));
}

}  // namespace Quarnell
