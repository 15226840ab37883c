#pragma once
// The growable lists of a DXMgr object (display modes, devices, Z-buffer and
// texture formats) and of the driver enumerator. Elements are copied in by
// value and live in one block from the process heap.
//
// The list owns its block, and exactly one holder frees it: a list cannot be
// copied, only moved, which hands the block over and leaves the source
// empty. That is how a caller sets a list aside whole and puts it back.
#include <windows.h>

template <typename T>
struct DXMgrList {
    T*    pElements = nullptr;
    DWORD cElements = 0;
    DWORD cCapacity = 0;

    DXMgrList() = default;
    ~DXMgrList() { Free(); }
    DXMgrList(const DXMgrList&) = delete;
    DXMgrList& operator=(const DXMgrList&) = delete;

    DXMgrList(DXMgrList&& other) noexcept
        : pElements(other.pElements), cElements(other.cElements), cCapacity(other.cCapacity)
    {
        other.Forget();
    }

    // Frees this list's block, then takes the other's.
    DXMgrList& operator=(DXMgrList&& other) noexcept
    {
        if (this != &other) {
            Free();
            pElements = other.pElements;
            cElements = other.cElements;
            cCapacity = other.cCapacity;
            other.Forget();
        }
        return *this;
    }

    // Makes room for one more element: 2 zero-filled slots at first, then a
    // zero-filled block of twice the capacity. False, with the list unchanged,
    // when memory ran out.
    bool MakeRoom()
    {
        HANDLE hHeap = GetProcessHeap();
        if (pElements == nullptr) {
            T* pNew = static_cast<T*>(HeapAlloc(hHeap, HEAP_ZERO_MEMORY, 2 * sizeof(T)));
            if (pNew == nullptr)
                return false;
            pElements = pNew;
            cElements = 0;
            cCapacity = 2;
        }
        if (cElements == cCapacity) {
            // A doubled size that no longer fits is as good as out of memory.
            if (cCapacity > MAXDWORD / 2 || SIZE_T(cCapacity) * 2 > SIZE_T(-1) / sizeof(T))
                return false;
            T* pNew = static_cast<T*>(HeapAlloc(hHeap, HEAP_ZERO_MEMORY, SIZE_T(cCapacity) * 2 * sizeof(T)));
            if (pNew == nullptr)
                return false;
            CopyMemory(pNew, pElements, SIZE_T(cElements) * sizeof(T));
            HeapFree(hHeap, 0, pElements);
            pElements = pNew;
            cCapacity *= 2;
        }
        return true;
    }

    // The growth rule of every DXMgr list: false when memory ran out, and the
    // list is then as it was.
    bool AppendElement(const T& element)
    {
        if (!MakeRoom())
            return false;
        CopyMemory(&pElements[cElements], &element, sizeof(T));
        ++cElements;
        return true;
    }

    // A refill starts from an empty list but keeps the block for reuse.
    void Empty() { cElements = 0; }

    void Free()
    {
        if (pElements != nullptr)
            HeapFree(GetProcessHeap(), 0, pElements);
        Forget();
    }

private:
    // Empty without freeing: the block now belongs to another list.
    void Forget()
    {
        pElements = nullptr;
        cElements = 0;
        cCapacity = 0;
    }
};
