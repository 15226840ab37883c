#include "registry/value_text.h"

#include "registry/block_size.h"
#include "registry/copy_buffer.h"

#include <cstring>

namespace Quarnell {

namespace {
// Text up to the first zero, but never beyond the data: registry strings
// written by other programs need not be terminated.
LPSTR CopyTextWithin(const BYTE* pData, DWORD dataLength, ExpandableBuffer<char>& text)
{
    const void* pZero = dataLength ? std::memchr(pData, 0, dataLength) : nullptr;
    DWORD textLength = pZero ? static_cast<DWORD>(static_cast<const BYTE*>(pZero) - pData) : dataLength;
    return CopyBuffer(pData, textLength, text);
}
}  // namespace

LPSTR FormatBytesAsHex(const BYTE* pData, DWORD dataLength, ExpandableBuffer<char>& text)
{
    static const char kDigits[] = "0123456789abcdef";
    text.Resize(CheckedBlockSize(dataLength, 2, 1, "Quarnell::FormatBytesAsHex()"));
    LPSTR pText = text.Get();
    for (DWORD i = 0; i < dataLength; ++i) {
        pText[2 * i] = kDigits[pData[i] >> 4];
        pText[2 * i + 1] = kDigits[pData[i] & 0x0F];
    }
    pText[2 * static_cast<size_t>(dataLength)] = '\0';
    return pText;
}

LPSTR FormatBytesAsHex(const BYTE* pData, DWORD dataLength)
{
    ExpandableBuffer<char> text;
    FormatBytesAsHex(pData, dataLength, text);
    return text.Detach();
}

LPSTR FormatValueAsText(DWORD type, const BYTE* pData, DWORD dataLength, ExpandableBuffer<char>& text)
{
    if (!pData)
        dataLength = 0;
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_MULTI_SZ:
        return CopyTextWithin(pData, dataLength, text);
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN: {
        static const char kNumber[] = "A number";
        return CopyBuffer(reinterpret_cast<const BYTE*>(kNumber), sizeof kNumber - 1, text);
    }
    default:
        return FormatBytesAsHex(pData, dataLength, text);
    }
}

LPSTR FormatValueAsText(DWORD type, const BYTE* pData, DWORD dataLength)
{
    ExpandableBuffer<char> text;
    FormatValueAsText(type, pData, dataLength, text);
    return text.Detach();
}

}  // namespace Quarnell
