#pragma once
// Sizes of the library's heap blocks. A length comes from the registry or from
// a caller; with its padding (a terminator, two hex digits a byte) it must
// still fit a DWORD, so that no sum wraps (on i686 it would wrap size_t as
// well) and a block is never shorter than what is written into it.
#include <windows.h>

namespace Quarnell {

// count * unit + padding. When that does not fit a DWORD, raises
// CRegistryKey::Exception (where, ERROR_NOT_ENOUGH_MEMORY), as a failed
// allocation does.
DWORD CheckedBlockSize(DWORD count, DWORD unit, DWORD padding, LPCSTR where);

}  // namespace Quarnell
