#include "registry/copy_buffer.h"

#include "registry/block_size.h"

#include <cstring>

namespace Quarnell {

BYTE* CopyBuffer(const BYTE* pSource, DWORD length)
{
    BYTE* pCopy = new BYTE[CheckedBlockSize(length, 1, 1, "Quarnell::CopyBuffer()")];
    if (length)
        std::memcpy(pCopy, pSource, length);
    pCopy[length] = 0;
    return pCopy;
}

}  // namespace Quarnell
