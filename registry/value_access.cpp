#include "registry/registry_key.h"

#include "registry/block_size.h"
#include "registry/status_check.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace Quarnell {

namespace {
const char kQueryWhere[] = "CRegistryKey::QueryValue()";
const char kSetWhere[] = "CRegistryKey::SetValue()";

struct FreeBlock {
    void operator()(void* p) const { std::free(p); }
};
using MallocBlock = std::unique_ptr<BYTE, FreeBlock>;

void QueryTypeAndSize(HKEY hKey, LPCSTR valueName, DWORD& type, DWORD& size)
{
    size = 0;
    ThrowIfFailed(RegQueryValueExA(hKey, valueName, nullptr, &type, nullptr, &size), kQueryWhere);
}

// Reads the value's data into a malloc block of size + zeroPadding bytes, the
// padding zeroed. A value that grew since its size was asked for is read again
// at its new size rather than reported as a failure.
MallocBlock ReadData(HKEY hKey, LPCSTR valueName, DWORD& type, DWORD& size, DWORD zeroPadding)
{
    for (;;) {
        MallocBlock block(static_cast<BYTE*>(std::malloc(CheckedBlockSize(size, 1, zeroPadding + 1, kQueryWhere))));
        if (!block)
            throw CRegistryKey::Exception(kQueryWhere, ERROR_NOT_ENOUGH_MEMORY);
        DWORD length = size;
        LONG status = RegQueryValueExA(hKey, valueName, nullptr, &type, block.get(), &length);
        if (status == ERROR_MORE_DATA && length > size) {
            size = length;
            continue;
        }
        ThrowIfFailed(status, kQueryWhere);
        size = length;
        std::memset(block.get() + size, 0, zeroPadding + 1);
        return block;
    }
}

bool IsBinaryType(DWORD type) { return type == REG_BINARY || type == REG_NONE; }
bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }
bool IsNumberType(DWORD type) { return type == REG_DWORD || type == REG_DWORD_BIG_ENDIAN; }

void Store(HKEY hKey, LPCSTR valueName, DWORD type, const BYTE* pData, DWORD length)
{
    ThrowIfFailed(RegSetValueExA(hKey, valueName, 0, type, pData, length), kSetWhere);
}
}  // namespace

bool CRegistryKey::QueryValue(LPCSTR valueName, BYTE*& pData) const
{
    DWORD type = REG_NONE, size = 0;
    QueryTypeAndSize(*this, valueName, type, size);
    if (!IsBinaryType(type))
        return false;
    MallocBlock block = ReadData(*this, valueName, type, size, 0);
    if (!IsBinaryType(type))
        return false;
    pData = block.release();
    return true;
}

bool CRegistryKey::QueryValue(LPCSTR valueName, LPSTR& pString) const
{
    DWORD type = REG_NONE, size = 0;
    QueryTypeAndSize(*this, valueName, type, size);
    if (!IsStringType(type))
        return false;
    // One zero byte beyond the stored data: a string written without its
    // terminator (or with length 0) still comes back terminated.
    MallocBlock block = ReadData(*this, valueName, type, size, 1);
    if (!IsStringType(type))
        return false;
    pString = reinterpret_cast<LPSTR>(block.release());
    return true;
}

bool CRegistryKey::QueryValue(LPCSTR valueName, DWORD& value) const
{
    DWORD type = REG_NONE, size = 0;
    QueryTypeAndSize(*this, valueName, type, size);
    if (!IsNumberType(type))
        return false;
    if (size != sizeof value)
        throw Exception(kQueryWhere, ERROR_INVALID_DATA);
    DWORD number = 0;
    ThrowIfFailed(RegQueryValueExA(*this, valueName, nullptr, &type, reinterpret_cast<BYTE*>(&number), &size),
                  kQueryWhere);
    if (!IsNumberType(type))
        return false;
    if (size != sizeof value)
        throw Exception(kQueryWhere, ERROR_INVALID_DATA);
    value = number;
    return true;
}

CRegistryKey::Value CRegistryKey::QueryValue(LPCSTR valueName) const
{
    DWORD type = REG_NONE, size = 0;
    QueryTypeAndSize(*this, valueName, type, size);
    MallocBlock block = ReadData(*this, valueName, type, size, 0);
    return Value(valueName, block.get(), size, type);
}

void CRegistryKey::SetValue(LPCSTR valueName, const BYTE* pData, DWORD dataLength) const
{
    if (!pData && dataLength)
        throw Exception(kSetWhere, ERROR_INVALID_PARAMETER);
    Store(*this, valueName, REG_BINARY, pData, dataLength);
}

void CRegistryKey::SetValue(LPCSTR valueName, LPCSTR pString, DWORD type) const
{
    if (!IsStringType(type))
        throw Exception(kSetWhere, ERROR_INVALID_FLAGS);
    if (!pString)
        throw Exception(kSetWhere, ERROR_INVALID_PARAMETER);
    Store(*this, valueName, type, reinterpret_cast<const BYTE*>(pString),
          static_cast<DWORD>(std::strlen(pString) + 1));
}

void CRegistryKey::SetValue(LPCSTR valueName, DWORD value, DWORD type) const
{
    if (!IsNumberType(type))
        throw Exception(kSetWhere, ERROR_INVALID_FLAGS);
    Store(*this, valueName, type, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void CRegistryKey::SetValue(const Value& value) const
{
    const BYTE* pData = value.m_data.get();
    DWORD length = value.GetLength();
    bool stringType = value.GetType() == REG_SZ || value.GetType() == REG_EXPAND_SZ ||
                      value.GetType() == REG_MULTI_SZ;
    if (stringType && length != 0 && pData[length - 1] != 0) {
        // The system completes string data with the zero it finds right
        // after it, and a Value always keeps one there; a copy that is
        // followed by something else writes the bytes exactly as held.
        ExpandableBuffer<BYTE> exact(length + 1);
        std::memcpy(exact.Get(), pData, length);
        exact.Get()[length] = 0xFF;
        Store(*this, value.GetName(), value.GetType(), exact.Get(), length);
        return;
    }
    Store(*this, value.GetName(), value.GetType(), pData, length);
}

}  // namespace Quarnell
