#pragma once
// Copies of caller and registry data that always end in a zero byte, so that
// string data copied with them is terminated even when the source was not.
#include <windows.h>

#include "registry/expandable_buffer.h"

namespace Quarnell {

// A new block (delete[]) holding a copy of length bytes, followed by one zero
// byte.
BYTE* CopyBuffer(const BYTE* pSource, DWORD length);
// The same copy as text, into a buffer that is grown when it is too small;
// returns the buffer's block.
LPSTR CopyBuffer(const BYTE* pSource, DWORD length, ExpandableBuffer<char>& into);

}  // namespace Quarnell
