#include "registry/registry_key.h"

namespace Quarnell {

void CRegistryKey::DeleteKey(LPCSTR subKey) const
{
    {
        CRegistryKey key = OpenKey(subKey, KEY_ALL_ACCESS);
        if (key.BeginSubkeyIteration() != key.EndSubkeyIteration())
            throw Exception("CRegistryKey::DeleteKey()", ERROR_ACCESS_DENIED);
        // Closed here, before the deletion.
    }
    LONG status = RegDeleteKeyA(*this, subKey);
    if (status != ERROR_SUCCESS)
        throw Exception("CRegistryKey::DeleteKey()", status);
}

void CRegistryKey::DeleteKeyAndSubkeys(LPCSTR subKey) const
{
    {
        CRegistryKey key = OpenKey(subKey, KEY_ALL_ACCESS);
        // Every deletion shifts the indices, so the walk restarts at the first
        // subkey each time.
        for (SubkeyIterator it = key.BeginSubkeyIteration(); it != key.EndSubkeyIteration();
             it = key.BeginSubkeyIteration())
            key.DeleteKeyAndSubkeys(it.GetName());
    }
    DeleteKey(subKey);
}

void CRegistryKey::LoadKey(LPCSTR subKey, LPCSTR fileName) const
{
    LONG status = RegLoadKeyA(*this, subKey, fileName);
    if (status != ERROR_SUCCESS)
        throw Exception("CRegistryKey::LoadKey()", status);
}

void CRegistryKey::UnLoadKey(LPCSTR subKey) const
{
    LONG status = RegUnLoadKeyA(*this, subKey);
    if (status != ERROR_SUCCESS)
        throw Exception("CRegistryKey::UnLoadKey()", status);
}

void CRegistryKey::SaveKey(LPCSTR fileName, LPSECURITY_ATTRIBUTES lpSecurityAttributes) const
{
    LONG status = RegSaveKeyA(*this, fileName, lpSecurityAttributes);
    if (status != ERROR_SUCCESS)
        throw Exception("CRegistryKey::SaveKey()", status);
}

void CRegistryKey::RestoreKey(LPCSTR fileName, DWORD restoreFlags) const
{
    LONG status = RegRestoreKeyA(*this, fileName, restoreFlags);
    if (status != ERROR_SUCCESS)
        throw Exception("CRegistryKey::RestoreKey()", status);
}

void CRegistryKey::ReplaceKey(LPCSTR newFileName, LPCSTR oldFileName, LPCSTR subKey) const
{
    LONG status = RegReplaceKeyA(*this, subKey, newFileName, oldFileName);
    if (status != ERROR_SUCCESS)
        throw Exception("CRegistryKey::ReplaceKey()", status);
}

PSECURITY_DESCRIPTOR CRegistryKey::GetKeySecurity(SECURITY_INFORMATION securityInformation) const
{
    // No descriptor comes near this size: the bound ends the growth below.
    const DWORD kLargestDescriptor = 1u << 20;
    ExpandableBuffer<BYTE> descriptor;
    DWORD size = 0;
    LONG status = RegGetKeySecurity(*this, securityInformation, nullptr, &size);
    while (status == ERROR_INSUFFICIENT_BUFFER && descriptor.Size() < kLargestDescriptor) {
        // Some systems answer 122 without saying how much is needed; then
        // the buffer doubles until the descriptor fits.
        DWORD doubled = descriptor.Size() ? 2 * descriptor.Size() : 256;
        descriptor.Resize(size > descriptor.Size() ? size : doubled);
        size = descriptor.Size();
        status = RegGetKeySecurity(*this, securityInformation, descriptor.Get(), &size);
    }
    if (status != ERROR_SUCCESS)
        throw Exception("CRegistryKey::GetKeySecurity()", status);
    return descriptor.Detach();
}

void CRegistryKey::SetKeySecurity(SECURITY_INFORMATION securityInformation,
                                  PSECURITY_DESCRIPTOR pSecurityDescriptor) const
{
    LONG status = RegSetKeySecurity(*this, securityInformation, pSecurityDescriptor);
    if (status != ERROR_SUCCESS)
        throw Exception("CRegistryKey::SetKeySecurity()", status);
}

void CRegistryKey::RegNotifyChangeKeyValue(HANDLE hEvent, bool watchSubtree, DWORD notifyFilter) const
{
    LONG status = ::RegNotifyChangeKeyValue(*this, watchSubtree, notifyFilter, hEvent, TRUE);
    if (status != ERROR_SUCCESS)
        throw Exception("CRegistryKey::RegNotifyChangeKeyValue()", status);
}

void CRegistryKey::RegNotifyChangeKeyValue(bool watchSubtree, DWORD notifyFilter) const
{
    LONG status = ::RegNotifyChangeKeyValue(*this, watchSubtree, notifyFilter, nullptr, FALSE);
    if (status != ERROR_SUCCESS)
        throw Exception("CRegistryKey::RegNotifyChangeKeyValue()", status);
}

}  // namespace Quarnell
