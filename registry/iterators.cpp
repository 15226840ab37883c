#include "registry/registry_key.h"

#include "registry/entry_enumeration.h"
#include "registry/value_text.h"

namespace Quarnell {

CRegistryKey::IteratorBase::IteratorBase(CCountedRegKey* pKey)
    : m_pKey(pKey ? pKey->AddRef() : nullptr), m_index(0)
{
}

CRegistryKey::IteratorBase::IteratorBase(const IteratorBase& other)
    : m_pKey(other.m_pKey ? other.m_pKey->AddRef() : nullptr), m_index(other.m_index)
{
}

CRegistryKey::IteratorBase& CRegistryKey::IteratorBase::operator=(const IteratorBase& other)
{
    if (this != &other) {
        CCountedRegKey* pOther = other.m_pKey ? other.m_pKey->AddRef() : nullptr;
        if (m_pKey)
            m_pKey->Release();
        m_pKey = pOther;
        m_index = other.m_index;
    }
    return *this;
}

CRegistryKey::IteratorBase::~IteratorBase()
{
    if (m_pKey)
        m_pKey = m_pKey->Release();
}

void CRegistryKey::IteratorBase::SwapPosition(IteratorBase& other) noexcept
{
    std::swap(m_pKey, other.m_pKey);
    std::swap(m_index, other.m_index);
}

void CRegistryKey::IteratorBase::ReachEnd()
{
    m_pKey = m_pKey->Release();
    m_index = 0;
}

template <class Derived>
Derived& CRegistryKey::SteppingIterator<Derived>::operator++()
{
    Derived& self = static_cast<Derived&>(*this);
    if (m_pKey) {
        if (self.ReadEntry())
            ++m_index;
        else
            ReachEnd();
    }
    return self;
}

// Kept out of the public header; these two are the only walks there are.
template class CRegistryKey::SteppingIterator<CRegistryKey::SubkeyIterator>;
template class CRegistryKey::SteppingIterator<CRegistryKey::ValueIterator>;

// ---------------------------------------------------------------------------

CRegistryKey::SubkeyIterator::SubkeyIterator(CCountedRegKey* pKey) : SteppingIterator(pKey)
{
    if (!m_pKey)
        return;
    StartEnumeration(KeyHandle(), EntryKind::Subkeys, m_name, m_class,
                     "CRegistryKey::SubkeyIterator::SubkeyIterator()");
    ++*this;
}

CRegistryKey CRegistryKey::SubkeyIterator::OpenKey(REGSAM samDesired) const
{
    if (!m_pKey)
        throw Exception("CRegistryKey::SubkeyIterator::OpenKey()", ERROR_NO_MORE_ITEMS);
    return CRegistryKey(KeyHandle(), GetName(), samDesired, nullptr);
}

bool CRegistryKey::SubkeyIterator::GetSubkeyInfo()
{
    auto enumerate = [this] {
        DWORD nameSize = m_name.Size();
        DWORD classSize = m_class.Size();
        FILETIME lastWriteTime;
        return RegEnumKeyExA(KeyHandle(), m_index, m_name.Get(), &nameSize, nullptr, m_class.Get(), &classSize,
                             &lastWriteTime);
    };
    return EnumerateEntry(KeyHandle(), EntryKind::Subkeys, m_index, m_name, m_class, enumerate,
                          "CRegistryKey::SubkeyIterator::GetSubkeyInfo()");
}

// ---------------------------------------------------------------------------

CRegistryKey::ValueIterator::ValueIterator(CCountedRegKey* pKey)
    : SteppingIterator(pKey), m_type(REG_NONE), m_dataLength(0), m_textIsCurrent(false)
{
    if (!m_pKey)
        return;
    StartEnumeration(KeyHandle(), EntryKind::Values, m_name, m_data,
                     "CRegistryKey::ValueIterator::ValueIterator()");
    ++*this;
}

CRegistryKey::ValueIterator::ValueIterator(const ValueIterator& other)
    : SteppingIterator(other),
      m_name(other.m_name),
      m_data(other.m_data),
      m_type(other.m_type),
      m_dataLength(other.m_dataLength),
      m_textIsCurrent(false)
{
}

CRegistryKey::ValueIterator& CRegistryKey::ValueIterator::operator=(const ValueIterator& other)
{
    // Everything that can fail happens while the copy is built.
    ValueIterator copy(other);
    Swap(copy);
    return *this;
}

void CRegistryKey::ValueIterator::Swap(ValueIterator& other) noexcept
{
    SwapPosition(other);
    m_name.Swap(other.m_name);
    m_data.Swap(other.m_data);
    std::swap(m_type, other.m_type);
    std::swap(m_dataLength, other.m_dataLength);
    m_text.Swap(other.m_text);
    std::swap(m_textIsCurrent, other.m_textIsCurrent);
}

LPCSTR CRegistryKey::ValueIterator::AsString() const
{
    if (!m_textIsCurrent) {
        FormatValueAsText(m_type, m_data.Get(), m_dataLength, m_text);
        m_textIsCurrent = true;
    }
    return m_text.Get();
}

CRegistryKey::Value CRegistryKey::ValueIterator::GetValue() const
{
    return Value(GetName(), m_data.Get(), m_dataLength, m_type);
}

bool CRegistryKey::ValueIterator::GetValueInfo()
{
    m_textIsCurrent = false;
    DWORD type = REG_NONE;
    DWORD dataLength = 0;
    auto enumerate = [this, &type, &dataLength] {
        DWORD nameSize = m_name.Size();
        dataLength = m_data.Size();
        return RegEnumValueA(KeyHandle(), m_index, m_name.Get(), &nameSize, nullptr, &type, m_data.Get(),
                             &dataLength);
    };
    const bool read = EnumerateEntry(KeyHandle(), EntryKind::Values, m_index, m_name, m_data, enumerate,
                                     "CRegistryKey::ValueIterator::GetValueInfo()");
    // At the end no value is held: its display text is empty.
    m_type = read ? type : REG_NONE;
    m_dataLength = read ? dataLength : 0;
    return read;
}

}  // namespace Quarnell
