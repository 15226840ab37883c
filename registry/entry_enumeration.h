#pragma once
// Reading one entry of a walk over a key's subkeys or values. Both iterators
// keep the entry's name and one more block (a subkey's class, a value's data)
// in buffers sized from what the key reports as longest. Entries may grow,
// appear or vanish while a walk goes on, so a buffer that proves too small is
// grown from what the key reports now, and a walk whose entries vanished ends.
#include <windows.h>

#include "registry/block_size.h"
#include "registry/expandable_buffer.h"
#include "registry/status_check.h"

namespace Quarnell {

enum class EntryKind { Subkeys, Values };

// What a key reports about one kind of its entries: how many there are, the
// longest name and the longest class or data, terminators not counted.
struct EntryCounts {
    DWORD count = 0;
    DWORD longestName = 0;
    DWORD longestOther = 0;
};

// RegQueryInfoKeyA's answer for that kind of entry; raises with where.
EntryCounts QueryEntryCounts(HKEY hKey, EntryKind kind, LPCSTR where);

// New sizes after the system reported ERROR_MORE_DATA: what the key now
// reports as longest, and double when that gives nothing new, so that lengths
// that lag behind the data cannot stall the step.
void GrowthSizes(const EntryCounts& counts, DWORD& nameSize, DWORD& otherSize, LPCSTR where);

// Sizes both buffers for the longest entry the key holds at the start of a
// walk; a key without entries leaves them empty. Raises with where.
template <typename Other>
void StartEnumeration(HKEY hKey, EntryKind kind, ExpandableBuffer<char>& name, ExpandableBuffer<Other>& other,
                      LPCSTR where)
{
    EntryCounts counts = QueryEntryCounts(hKey, kind, where);
    if (counts.count != 0) {
        name.Resize(CheckedBlockSize(counts.longestName, 1, 1, where));
        other.Resize(CheckedBlockSize(counts.longestOther, 1, 1, where));
    }
}

// At the end of a walk the buffers hold no entry: empty texts, never the
// previous entry nor a block just grown and never filled.
template <typename Other>
bool EndOfWalk(ExpandableBuffer<char>& name, ExpandableBuffer<Other>& other)
{
    if (name.Size() != 0)
        name.Get()[0] = 0;
    if (other.Size() != 0)
        other.Get()[0] = 0;
    return false;
}

// Reads the entry at index into the buffers: enumerate() makes one call of
// the system's enumeration with the buffers as they stand and returns its
// status. True when an entry was read, false at the end of the walk; any
// other failure raises with where.
template <typename Other, typename Enumerate>
bool EnumerateEntry(HKEY hKey, EntryKind kind, DWORD index, ExpandableBuffer<char>& name,
                    ExpandableBuffer<Other>& other, Enumerate enumerate, LPCSTR where)
{
    // Buffers left empty by a key that had no entries at the start are
    // treated like buffers that proved too small: the system is not asked to
    // enumerate into nothing.
    LONG status = name.Size() == 0 ? ERROR_MORE_DATA : enumerate();
    for (;;) {
        if (status == ERROR_SUCCESS)
            return true;
        if (status == ERROR_NO_MORE_ITEMS)
            return EndOfWalk(name, other);
        if (status != ERROR_MORE_DATA)
            ThrowIfFailed(status, where);
        EntryCounts counts = QueryEntryCounts(hKey, kind, where);
        // Everything was removed meanwhile: the walk is over, rather than
        // showing the previous entry once more.
        if (counts.count == 0 || index >= counts.count)
            return EndOfWalk(name, other);
        DWORD nameSize = name.Size(), otherSize = other.Size();
        GrowthSizes(counts, nameSize, otherSize, where);
        name.Resize(nameSize);
        other.Resize(otherSize);
        status = enumerate();
    }
}

}  // namespace Quarnell
