#include "registry/block_size.h"

#include "registry/registry_key.h"

namespace Quarnell {

DWORD CheckedBlockSize(DWORD count, DWORD unit, DWORD padding, LPCSTR where)
{
    const ULONGLONG size = static_cast<ULONGLONG>(count) * unit + padding;
    if (size > MAXDWORD)
        throw CRegistryKey::Exception(where, ERROR_NOT_ENOUGH_MEMORY);
    return static_cast<DWORD>(size);
}

}  // namespace Quarnell
