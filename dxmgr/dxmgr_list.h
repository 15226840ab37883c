#pragma once
// The growable lists of a DXMgr object (display modes, devices, Z-buffer and
// texture formats) and of the driver enumerator. Elements are copied in by
// value and live in one block from the process heap.
//
// The list is a plain value: copying it copies the three fields, not the
// block, so a caller can set a list aside whole and put it back. Exactly one
// holder frees the block with Free().
#include <windows.h>

template <typename T>
struct DXMgrList {
    T*    pElements = nullptr;
    DWORD cElements = 0;
    DWORD cCapacity = 0;

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
        pElements = nullptr;
        cElements = 0;
        cCapacity = 0;
    }
};
