#include "registry/copy_buffer.h"

#include "registry/block_size.h"

#include <cstring>

namespace Quarnell {

namespace {
void CopyTerminated(void* pTarget, const BYTE* pSource, DWORD length)
{
    if (length)
        std::memcpy(pTarget, pSource, length);
    static_cast<BYTE*>(pTarget)[length] = 0;
}
}  // namespace

BYTE* CopyBuffer(const BYTE* pSource, DWORD length)
{
    BYTE* pCopy = new BYTE[CheckedBlockSize(length, 1, 1, "Quarnell::CopyBuffer()")];
    CopyTerminated(pCopy, pSource, length);
    return pCopy;
}

LPSTR CopyBuffer(const BYTE* pSource, DWORD length, ExpandableBuffer<char>& into)
{
    into.Resize(CheckedBlockSize(length, 1, 1, "Quarnell::CopyBuffer()"));
    CopyTerminated(into.Get(), pSource, length);
    return into.Get();
}

}  // namespace Quarnell
