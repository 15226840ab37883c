#include "registry/value_text.h"

#include "registry/block_size.h"
#include "registry/copy_buffer.h"

#include <cstring>

namespace Quarnell {

namespace {
// Text up to the first zero, but never beyond the data: registry strings
// written by other programs need not be terminated.
LPSTR CopyTextWithin(const BYTE* pData, DWORD dataLength)
{
    const void* pZero = dataLength ? std::memchr(pData, 0, dataLength) : nullptr;
    DWORD textLength = pZero ? static_cast<DWORD>(static_cast<const BYTE*>(pZero) - pData) : dataLength;
    return reinterpret_cast<LPSTR>(CopyBuffer(pData, textLength));
}
}  // namespace

LPSTR FormatBytesAsHex(const BYTE* pData, DWORD dataLength)
{
    static const char kDigits[] = "0123456789abcdef";
    LPSTR pText = new char[CheckedBlockSize(dataLength, 2, 1, "Quarnell::FormatBytesAsHex()")];
    for (DWORD i = 0; i < dataLength; ++i) {
        pText[2 * i] = kDigits[pData[i] >> 4];
        pText[2 * i + 1] = kDigits[pData[i] & 0x0F];
    }
    pText[2 * static_cast<size_t>(dataLength)] = '\0';
    return pText;
}

LPSTR FormatValueAsText(DWORD type, const BYTE* pData, DWORD dataLength)
{
    if (!pData)
        dataLength = 0;
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_MULTI_SZ:
        return CopyTextWithin(pData, dataLength);
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN: {
        static const char kNumber[] = "A number";
        return reinterpret_cast<LPSTR>(CopyBuffer(reinterpret_cast<const BYTE*>(kNumber), sizeof kNumber - 1));
    }
    default:
        return FormatBytesAsHex(pData, dataLength);
    }
}

}  // namespace Quarnell
