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

LPSTR CopyName(LPCSTR name)
{
    return reinterpret_cast<LPSTR>(
        CopyBuffer(reinterpret_cast<const BYTE*>(name ? name : ""), name ? static_cast<DWORD>(std::strlen(name)) : 0));
}
}  // namespace

CRegistryKey::Value::Value(LPCSTR valueName, const BYTE* pData, DWORD dataLength, DWORD type)
    : m_pName(nullptr), m_type(type), m_pData(nullptr), m_length(pData ? dataLength : 0), m_pText(nullptr)
{
    std::unique_ptr<char[]> name(CopyName(valueName));
    m_pData = CopyBuffer(pData, m_length);
    m_pName = name.release();
}

CRegistryKey::Value::Value(LPCSTR valueName, LPCSTR pString, DWORD type)
    : m_pName(nullptr), m_type(type), m_pData(nullptr), m_length(0), m_pText(nullptr)
{
    if (!IsStringType(type) || !pString)
        throw Exception();
    m_length = static_cast<DWORD>(std::strlen(pString) + 1);
    std::unique_ptr<char[]> name(CopyName(valueName));
    m_pData = CopyBuffer(reinterpret_cast<const BYTE*>(pString), m_length);
    m_pName = name.release();
}

CRegistryKey::Value::Value(LPCSTR valueName, DWORD value, DWORD type)
    : m_pName(nullptr), m_type(type), m_pData(nullptr), m_length(sizeof value), m_pText(nullptr)
{
    if (!IsNumberType(type))
        throw Exception();
    std::unique_ptr<char[]> name(CopyName(valueName));
    m_pData = CopyBuffer(reinterpret_cast<const BYTE*>(&value), m_length);
    m_pName = name.release();
}

CRegistryKey::Value::Value(const Value& other)
    : m_pName(nullptr), m_type(other.m_type), m_pData(nullptr), m_length(other.m_length), m_pText(nullptr)
{
    std::unique_ptr<char[]> name(CopyName(other.m_pName));
    m_pData = CopyBuffer(other.m_pData, m_length);
    m_pName = name.release();
}

CRegistryKey::Value::~Value()
{
    delete[] m_pName;
    delete[] m_pData;
    delete[] m_pText;
}

CRegistryKey::Value& CRegistryKey::Value::operator=(const Value& other)
{
    if (this != &other) {
        std::unique_ptr<BYTE[]> data(CopyBuffer(other.m_pData, other.m_length));
        std::unique_ptr<char[]> name(CopyName(other.m_pName));
        delete[] m_pData;
        delete[] m_pName;
        m_pData = data.release();
        m_pName = name.release();
        m_type = other.m_type;
        m_length = other.m_length;
        delete[] m_pText;
        m_pText = nullptr;
    }
    return *this;
}

CRegistryKey::Value::operator const BYTE*() const
{
    if (!IsBinaryType(m_type))
        throw Exception();
    return m_pData;
}

CRegistryKey::Value::operator LPCSTR() const
{
    if (!IsStringType(m_type))
        throw Exception();
    // The data block always carries a zero after the data, so even an
    // unterminated stored string ends within what we own.
    return reinterpret_cast<LPCSTR>(m_pData);
}

CRegistryKey::Value::operator DWORD() const
{
    if (!IsNumberType(m_type))
        throw Exception();
    DWORD number = 0;
    std::memcpy(&number, m_pData, m_length < sizeof number ? m_length : sizeof number);
    return number;
}

LPCSTR CRegistryKey::Value::AsString() const
{
    if (!m_pText)
        m_pText = FormatValueAsText(m_type, m_pData, m_length);
    return m_pText;
}

}  // namespace Quarnell
