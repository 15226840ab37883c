#include "registry/entry_enumeration.h"

namespace Quarnell {

EntryCounts QueryEntryCounts(HKEY hKey, EntryKind kind, LPCSTR where)
{
    EntryCounts counts;
    const bool subkeys = kind == EntryKind::Subkeys;
    ThrowIfFailed(RegQueryInfoKeyA(hKey, nullptr, nullptr, nullptr,
                                   subkeys ? &counts.count : nullptr,
                                   subkeys ? &counts.longestName : nullptr,
                                   subkeys ? &counts.longestOther : nullptr,
                                   subkeys ? nullptr : &counts.count,
                                   subkeys ? nullptr : &counts.longestName,
                                   subkeys ? nullptr : &counts.longestOther, nullptr, nullptr),
                  where);
    return counts;
}

void GrowthSizes(const EntryCounts& counts, DWORD& nameSize, DWORD& otherSize, LPCSTR where)
{
    DWORD grownName = CheckedBlockSize(counts.longestName, 1, 1, where);
    DWORD grownOther = CheckedBlockSize(counts.longestOther, 1, 1, where);
    if (grownName < nameSize)
        grownName = nameSize;
    if (grownOther < otherSize)
        grownOther = otherSize;
    if (grownName == nameSize && grownOther == otherSize) {
        grownName = CheckedBlockSize(grownName, 2, 0, where);
        grownOther = CheckedBlockSize(grownOther, 2, 0, where);
    }
    nameSize = grownName;
    otherSize = grownOther;
}

}  // namespace Quarnell
