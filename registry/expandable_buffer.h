#pragma once
// An owned heap block that grows on demand; the iterators keep their entries
// in these so that a walk reuses its blocks instead of allocating per entry.
#include <windows.h>

#include <utility>

namespace Quarnell {

// Grows on demand and never shrinks. Growth discards the contents: every user
// reads or writes the data again after it.
template <typename T>
class ExpandableBuffer {
public:
    explicit ExpandableBuffer(DWORD size = 0) { Resize(size); }
    ExpandableBuffer(const ExpandableBuffer& other) { *this = other; }
    ExpandableBuffer& operator=(const ExpandableBuffer& other)
    {
        if (this != &other) {
            T* pCopy = other.m_size ? new T[other.m_size] : nullptr;
            for (DWORD i = 0; i < other.m_size; ++i)
                pCopy[i] = other.m_pBlock[i];
            delete[] m_pBlock;
            m_pBlock = pCopy;
            m_size = other.m_size;
        }
        return *this;
    }
    ~ExpandableBuffer() { delete[] m_pBlock; }

    void Resize(DWORD size)
    {
        if (m_size < size) {
            T* pBlock = new T[size];
            delete[] m_pBlock;
            m_pBlock = pBlock;
            m_size = size;
        }
    }
    T* Get() { return m_pBlock; }
    const T* Get() const { return m_pBlock; }
    DWORD Size() const { return m_size; }
    void Swap(ExpandableBuffer& other) noexcept
    {
        std::swap(m_pBlock, other.m_pBlock);
        std::swap(m_size, other.m_size);
    }
    // Hands the block to the caller (who frees it with delete[]); the buffer
    // is empty afterwards.
    T* Detach()
    {
        T* pBlock = m_pBlock;
        m_pBlock = nullptr;
        m_size = 0;
        return pBlock;
    }

private:
    T* m_pBlock = nullptr;
    DWORD m_size = 0;
};

}  // namespace Quarnell
