#pragma once
// The display text of a value: what a walk shows for each entry and what
// CRegistryKey::Value::AsString gives.
#include <windows.h>

#include "registry/expandable_buffer.h"

namespace Quarnell {

// String types as text (REG_MULTI_SZ: its first string), numbers as
// "A number", everything else as hex pairs. Never reads beyond dataLength
// bytes. Written into text, which is grown when it is too small, so that a
// walk reusing one buffer allocates only when a text is longer than all
// before it; returns the buffer's block.
LPSTR FormatValueAsText(DWORD type, const BYTE* pData, DWORD dataLength, ExpandableBuffer<char>& text);
// The same text in a new block the caller frees with delete[].
LPSTR FormatValueAsText(DWORD type, const BYTE* pData, DWORD dataLength);

// Two lowercase hex digits per byte, no separator, into text as above.
LPSTR FormatBytesAsHex(const BYTE* pData, DWORD dataLength, ExpandableBuffer<char>& text);
// The same text in a new block the caller frees with delete[].
LPSTR FormatBytesAsHex(const BYTE* pData, DWORD dataLength);

}  // namespace Quarnell
