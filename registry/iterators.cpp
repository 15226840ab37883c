#include "registry/registry_key.h"

#include "registry/block_size.h"
#include "registry/status_check.h"
#include "registry/value_text.h"

namespace Quarnell {

namespace {
// New sizes for both buffers after the system reported ERROR_MORE_DATA: what
// the key now reports as longest, and double when that gives nothing new, so
// that lengths that lag behind the data cannot stall the step.
template <typename A, typename B>
void GrowBuffers(ExpandableBuffer<A>& first, DWORD longestFirst, ExpandableBuffer<B>& second,
                 DWORD longestSecond, LPCSTR where)
{
    DWORD firstSize = CheckedBlockSize(longestFirst, 1, 1, where);
    DWORD secondSize = CheckedBlockSize(longestSecond, 1, 1, where);
    if (firstSize < first.Size())
        firstSize = first.Size();
    if (secondSize < second.Size())
        secondSize = second.Size();
    if (firstSize == first.Size() && secondSize == second.Size()) {
        firstSize = CheckedBlockSize(firstSize, 2, 0, where);
        secondSize = CheckedBlockSize(secondSize, 2, 0, where);
    }
    first.Resize(firstSize);
    second.Resize(secondSize);
}
}  // namespace

// ---------------------------------------------------------------------------

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

// ---------------------------------------------------------------------------

CRegistryKey::SubkeyIterator::SubkeyIterator(CCountedRegKey* pKey) : SteppingIterator(pKey)
{
    if (!m_pKey)
        return;
    DWORD count = 0, longestName = 0, longestClass = 0;
    ThrowIfFailed(RegQueryInfoKeyA(KeyHandle(), nullptr, nullptr, nullptr, &count, &longestName,
                                   &longestClass, nullptr, nullptr, nullptr, nullptr, nullptr),
                  "CRegistryKey::SubkeyIterator::SubkeyIterator()");
    if (count != 0) {
        static const char kWhere[] = "CRegistryKey::SubkeyIterator::SubkeyIterator()";
        m_name.Resize(CheckedBlockSize(longestName, 1, 1, kWhere));
        m_class.Resize(CheckedBlockSize(longestClass, 1, 1, kWhere));
    }
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
    // Buffers left empty by a key that had no subkeys at the start are
    // treated like buffers that proved too small: the system is not asked to
    // enumerate into nothing.
    bool mustGrow = m_name.Size() == 0;
    for (;;) {
        LONG status = ERROR_MORE_DATA;
        if (!mustGrow) {
            DWORD nameSize = m_name.Size();
            DWORD classSize = m_class.Size();
            FILETIME lastWriteTime;
            status = RegEnumKeyExA(KeyHandle(), m_index, m_name.Get(), &nameSize, nullptr,
                                   m_class.Get(), &classSize, &lastWriteTime);
        }
        mustGrow = false;
        if (status == ERROR_SUCCESS)
            return true;
        if (status == ERROR_NO_MORE_ITEMS)
            return false;
        if (status != ERROR_MORE_DATA)
            throw Exception("CRegistryKey::SubkeyIterator::GetSubkeyInfo()", status);
        DWORD count = 0, longestName = 0, longestClass = 0;
        ThrowIfFailed(RegQueryInfoKeyA(KeyHandle(), nullptr, nullptr, nullptr, &count, &longestName,
                                       &longestClass, nullptr, nullptr, nullptr, nullptr, nullptr),
                      "CRegistryKey::SubkeyIterator::GetSubkeyInfo()");
        // Everything was removed meanwhile: the walk is over, rather than
        // showing the previous entry once more.
        if (count == 0 || m_index >= count)
            return false;
        GrowBuffers(m_name, longestName, m_class, longestClass,
                    "CRegistryKey::SubkeyIterator::GetSubkeyInfo()");
    }
}

// ---------------------------------------------------------------------------

CRegistryKey::ValueIterator::ValueIterator(CCountedRegKey* pKey)
    : SteppingIterator(pKey), m_type(REG_NONE), m_dataLength(0), m_pText(nullptr)
{
    if (!m_pKey)
        return;
    DWORD count = 0, longestName = 0, longestData = 0;
    ThrowIfFailed(RegQueryInfoKeyA(KeyHandle(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   &count, &longestName, &longestData, nullptr, nullptr),
                  "CRegistryKey::ValueIterator::ValueIterator()");
    if (count != 0) {
        static const char kWhere[] = "CRegistryKey::ValueIterator::ValueIterator()";
        m_name.Resize(CheckedBlockSize(longestName, 1, 1, kWhere));
        m_data.Resize(CheckedBlockSize(longestData, 1, 1, kWhere));
    }
    ++*this;
}

CRegistryKey::ValueIterator::ValueIterator(const ValueIterator& other)
    : SteppingIterator(other),
      m_name(other.m_name),
      m_data(other.m_data),
      m_type(other.m_type),
      m_dataLength(other.m_dataLength),
      m_pText(nullptr)
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
    std::swap(m_pText, other.m_pText);
}

CRegistryKey::ValueIterator::~ValueIterator()
{
    ReleaseText();
}

void CRegistryKey::ValueIterator::ReleaseText() const
{
    delete[] m_pText;
    m_pText = nullptr;
}

LPCSTR CRegistryKey::ValueIterator::AsString() const
{
    if (!m_pText)
        m_pText = FormatValueAsText(m_type, m_data.Get(), m_dataLength);
    return m_pText;
}

CRegistryKey::Value CRegistryKey::ValueIterator::GetValue() const
{
    return Value(GetName(), m_data.Get(), m_dataLength, m_type);
}

bool CRegistryKey::ValueIterator::GetValueInfo()
{
    ReleaseText();
    // See GetSubkeyInfo: empty buffers are grown before the system is asked.
    bool mustGrow = m_name.Size() == 0;
    for (;;) {
        LONG status = ERROR_MORE_DATA;
        DWORD type = REG_NONE;
        DWORD dataLength = 0;
        if (!mustGrow) {
            DWORD nameSize = m_name.Size();
            dataLength = m_data.Size();
            status = RegEnumValueA(KeyHandle(), m_index, m_name.Get(), &nameSize, nullptr, &type,
                                   m_data.Get(), &dataLength);
        }
        mustGrow = false;
        if (status == ERROR_SUCCESS) {
            m_type = type;
            m_dataLength = dataLength;
            return true;
        }
        if (status == ERROR_NO_MORE_ITEMS)
            return false;
        if (status != ERROR_MORE_DATA)
            throw Exception("CRegistryKey::ValueIterator::GetValueInfo()", status);
        DWORD count = 0, longestName = 0, longestData = 0;
        ThrowIfFailed(RegQueryInfoKeyA(KeyHandle(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                       &count, &longestName, &longestData, nullptr, nullptr),
                      "CRegistryKey::ValueIterator::GetValueInfo()");
        if (count == 0 || m_index >= count)
            return false;
        GrowBuffers(m_name, longestName, m_data, longestData,
                    "CRegistryKey::ValueIterator::GetValueInfo()");
    }
}

}  // namespace Quarnell
