// Deleting keys, never through a registry link. Apart from the hive,
// security and notification calls (key_maintenance.cpp), so that a program
// that deletes keys does not import those too.
#include "registry/registry_key.h"

#include "registry/status_check.h"

namespace Quarnell {

namespace {
const char kDeleteWhere[] = "CRegistryKey::DeleteKey()";
const char kLinkWhere[] = "CRegistryKey::DeleteKey() - registry link";
// All a deletion does with a key it walks: reads its information and lists
// its subkeys. The deletion itself opens the key for DELETE alone, so a user
// who may delete a key but not change its security (a Power User under
// HKEY_LOCAL_MACHINE\SOFTWARE) may delete it.
const REGSAM kWalkAccess = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;

// A registry link, opened as itself rather than followed, holds the path of
// the key it stands for in its REG_LINK value "SymbolicLinkValue". A system
// without links (Windows 98) refuses REG_OPTION_OPEN_LINK or opens the key
// itself: either way it reports no link. Any other failure to open is left
// to the open that follows, which reports it as it always has.
bool IsRegistryLink(HKEY hParent, LPCSTR subKey)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(hParent, subKey, REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS)
        return false;
    DWORD type = REG_NONE;
    LONG status = RegQueryValueExA(hKey, "SymbolicLinkValue", nullptr, &type, nullptr, nullptr);
    RegCloseKey(hKey);
    return status == ERROR_SUCCESS && type == REG_LINK;
}

// A deletion never goes through a link: opened, a link is the key it points
// to, so walking it would empty that key and RegDeleteKeyA on its name would
// delete that key, both outside the tree named. Refused, with nothing deleted.
void RefuseLink(HKEY hParent, LPCSTR subKey)
{
    if (IsRegistryLink(hParent, subKey))
        throw CRegistryKey::Exception(kLinkWhere, ERROR_ACCESS_DENIED);
}

// The whole tree under subKey is checked before its first key is deleted. A
// key that cannot even be read is not entered: the deletion, which needs more
// rights, stops at that key as it always has, and never gets below it.
void RefuseLinksInTree(HKEY hParent, LPCSTR subKey)
{
    RefuseLink(hParent, subKey);
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(hParent, subKey, 0, kWalkAccess, &hKey) != ERROR_SUCCESS)
        return;
    CRegistryKey key(hKey);
    for (CRegistryKey::SubkeyIterator it = key.BeginSubkeyIteration(); it != key.EndSubkeyIteration(); ++it)
        RefuseLinksInTree(key, it.GetName());
}

void DeleteTree(const CRegistryKey& parent, LPCSTR subKey)
{
    {
        // Checked again on the way down, for a link made since the check.
        RefuseLink(parent, subKey);
        CRegistryKey key = parent.OpenKey(subKey, kWalkAccess);
        // Every deletion shifts the indices, so the walk restarts at the first
        // subkey each time.
        for (CRegistryKey::SubkeyIterator it = key.BeginSubkeyIteration(); it != key.EndSubkeyIteration();
             it = key.BeginSubkeyIteration())
            DeleteTree(key, it.GetName());
    }
    parent.DeleteKey(subKey);
}
}  // namespace

void CRegistryKey::DeleteKey(LPCSTR subKey) const
{
    RefuseLink(*this, subKey);
    {
        CRegistryKey key = OpenKey(subKey, kWalkAccess);
        if (key.BeginSubkeyIteration() != key.EndSubkeyIteration())
            throw Exception(kDeleteWhere, ERROR_ACCESS_DENIED);
        // Closed here, before the deletion.
    }
    ThrowIfFailed(RegDeleteKeyA(*this, subKey), kDeleteWhere);
}

void CRegistryKey::DeleteKeyAndSubkeys(LPCSTR subKey) const
{
    RefuseLinksInTree(*this, subKey);
    DeleteTree(*this, subKey);
}

}  // namespace Quarnell
