#include "registry/registry_key.h"

#include "registry/copy_buffer.h"
#include "registry/value_text.h"

#include <cstring>
#include <memory>

namespace Quarnell {

namespace {
bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }
bool IsNumberType(DWORD type) { return type == REG_DWORD || type == REG_DWORD_BIG_ENDIAN; }
bool IsBinaryType(DWORD type) { return type == REG_BINARY || type == REG_NONE; }

std::unique_ptr<char[]> CopyName(LPCSTR name)
{
    if (!name)
        name = "";
    ExpandableBuffer<char> copy;
    CopyBuffer(reinterpret_cast<const BYTE*>(name), static_cast<DWORD>(std::strlen(name)), copy);
    return std::unique_ptr<char[]>(copy.Detach());
}

std::unique_ptr<BYTE[]> CopyData(const BYTE* pData, DWORD length)
{
    return std::unique_ptr<BYTE[]>(CopyBuffer(pData, length));
}
}  // namespace

CRegistryKey::Value::Value(LPCSTR valueName, const BYTE* pData, DWORD dataLength, DWORD type)
    : m_name(CopyName(valueName)),
      m_type(type),
      m_data(CopyData(pData, pData ? dataLength : 0)),
      m_length(pData ? dataLength : 0)
{
}

CRegistryKey::Value::Value(LPCSTR valueName, LPCSTR pString, DWORD type) : m_type(type), m_length(0)
{
    if (!IsStringType(type) || !pString)
        throw Exception();
    m_length = static_cast<DWORD>(std::strlen(pString) + 1);
    m_name = CopyName(valueName);
    m_data = CopyData(reinterpret_cast<const BYTE*>(pString), m_length);
}

CRegistryKey::Value::Value(LPCSTR valueName, DWORD value, DWORD type) : m_type(type), m_length(sizeof value)
{
    if (!IsNumberType(type))
        throw Exception();
    m_name = CopyName(valueName);
    m_data = CopyData(reinterpret_cast<const BYTE*>(&value), m_length);
}

CRegistryKey::Value::Value(const Value& other)
    : m_name(CopyName(other.m_name.get())),
      m_type(other.m_type),
      m_data(CopyData(other.m_data.get(), other.m_length)),
      m_length(other.m_length)
{
}

CRegistryKey::Value& CRegistryKey::Value::operator=(const Value& other)
{
    if (this != &other) {
        // Both copies are made before anything of this Value changes.
        std::unique_ptr<BYTE[]> data = CopyData(other.m_data.get(), other.m_length);
        std::unique_ptr<char[]> name = CopyName(other.m_name.get());
        m_data = std::move(data);
        m_name = std::move(name);
        m_type = other.m_type;
        m_length = other.m_length;
        m_text.reset();
    }
    return *this;
}

CRegistryKey::Value::operator const BYTE*() const
{
    if (!IsBinaryType(m_type))
        throw Exception();
    return m_data.get();
}

CRegistryKey::Value::operator LPCSTR() const
{
    if (!IsStringType(m_type))
        throw Exception();
    // The data block always carries a zero after the data, so even an
    // unterminated stored string ends within what we own.
    return reinterpret_cast<LPCSTR>(m_data.get());
}

CRegistryKey::Value::operator DWORD() const
{
    if (!IsNumberType(m_type))
        throw Exception();
    DWORD number = 0;
    std::memcpy(&number, m_data.get(), m_length < sizeof number ? m_length : sizeof number);
    return number;
}

LPCSTR CRegistryKey::Value::AsString() const
{
    if (!m_text)
        m_text.reset(FormatValueAsText(m_type, m_data.get(), m_length));
    return m_text.get();
}

}  // namespace Quarnell
