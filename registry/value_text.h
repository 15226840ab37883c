#pragma once
// The display text of a value: what a walk shows for each entry and what
// CRegistryKey::Value::AsString gives.
#include <windows.h>

namespace Quarnell {

// A new block the caller frees with delete[]: string types as text
// (REG_MULTI_SZ: its first string), numbers as "A number", everything else as
// hex pairs. Never reads beyond dataLength bytes.
LPSTR FormatValueAsText(DWORD type, const BYTE* pData, DWORD dataLength);
// Two lowercase hex digits per byte, no separator; caller frees with delete[].
LPSTR FormatBytesAsHex(const BYTE* pData, DWORD dataLength);

}  // namespace Quarnell
