#pragma once
/// @file
/// An owned heap block that grows on demand; the iterators keep their entries
/// in these so that a walk reuses its blocks instead of allocating per entry.
#include <windows.h>

#include <utility>

namespace Quarnell {

/// An array of T on the heap, owned by the buffer, that grows on demand and
/// never shrinks. Growth discards the contents: every user reads or writes
/// the data again after it. Running out of memory raises std::bad_alloc.
template <typename T>
class ExpandableBuffer {
public:
    /// A block of size elements (none for 0), not initialised.
    explicit ExpandableBuffer(DWORD size = 0) { Resize(size); }
    /// A block of its own holding a copy of the other's elements.
    ExpandableBuffer(const ExpandableBuffer& other) { *this = other; }
    /// Copies the other's elements into a block of its own; on failure this
    /// buffer stays as it was.
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
    /// Frees the block.
    ~ExpandableBuffer() { delete[] m_pBlock; }

    /// Makes room for at least size elements; a larger block loses the
    /// contents, a smaller request changes nothing.
    void Resize(DWORD size)
    {
        if (m_size < size) {
            T* pBlock = new T[size];
            delete[] m_pBlock;
            m_pBlock = pBlock;
            m_size = size;
        }
    }
    /// The block, owned by the buffer; null while it has none.
    T* Get() { return m_pBlock; }
    /// The block, owned by the buffer; null while it has none.
    const T* Get() const { return m_pBlock; }
    /// The number of elements the block holds.
    DWORD Size() const { return m_size; }
    /// Exchanges the blocks of the two buffers; cannot fail.
    void Swap(ExpandableBuffer& other) noexcept
    {
        std::swap(m_pBlock, other.m_pBlock);
        std::swap(m_size, other.m_size);
    }
    /// Hands the block to the caller, who frees it with delete[]; the buffer
    /// is empty afterwards.
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
