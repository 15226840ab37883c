// Hive files, key security and change notification.
#include "registry/registry_key.h"

#include "registry/status_check.h"

namespace Quarnell {

void CRegistryKey::LoadKey(LPCSTR subKey, LPCSTR fileName) const
{
    ThrowIfFailed(RegLoadKeyA(*this, subKey, fileName), "CRegistryKey::LoadKey()");
}

void CRegistryKey::UnLoadKey(LPCSTR subKey) const
{
    ThrowIfFailed(RegUnLoadKeyA(*this, subKey), "CRegistryKey::UnLoadKey()");
}

void CRegistryKey::SaveKey(LPCSTR fileName, LPSECURITY_ATTRIBUTES lpSecurityAttributes) const
{
    ThrowIfFailed(RegSaveKeyA(*this, fileName, lpSecurityAttributes), "CRegistryKey::SaveKey()");
}

void CRegistryKey::RestoreKey(LPCSTR fileName, DWORD restoreFlags) const
{
    ThrowIfFailed(RegRestoreKeyA(*this, fileName, restoreFlags), "CRegistryKey::RestoreKey()");
}

void CRegistryKey::ReplaceKey(LPCSTR newFileName, LPCSTR oldFileName, LPCSTR subKey) const
{
    ThrowIfFailed(RegReplaceKeyA(*this, subKey, newFileName, oldFileName), "CRegistryKey::ReplaceKey()");
}

PSECURITY_DESCRIPTOR CRegistryKey::GetKeySecurity(SECURITY_INFORMATION securityInformation) const
{
    // No descriptor comes near this size: the bound ends the growth below.
    const DWORD kLargestDescriptor = 1u << 20;
    ExpandableBuffer<BYTE> descriptor;
    DWORD size = 0;
    LONG status = RegGetKeySecurity(*this, securityInformation, nullptr, &size);
    while (status == ERROR_INSUFFICIENT_BUFFER && descriptor.Size() < kLargestDescriptor) {
        // Some systems answer ERROR_INSUFFICIENT_BUFFER without saying how
        // much is needed; then the buffer doubles until the descriptor fits.
        DWORD doubled = descriptor.Size() ? 2 * descriptor.Size() : 256;
        descriptor.Resize(size > descriptor.Size() ? size : doubled);
        size = descriptor.Size();
        status = RegGetKeySecurity(*this, securityInformation, descriptor.Get(), &size);
    }
    ThrowIfFailed(status, "CRegistryKey::GetKeySecurity()");
    return descriptor.Detach();
}

void CRegistryKey::SetKeySecurity(SECURITY_INFORMATION securityInformation,
                                  PSECURITY_DESCRIPTOR pSecurityDescriptor) const
{
    ThrowIfFailed(RegSetKeySecurity(*this, securityInformation, pSecurityDescriptor),
                  "CRegistryKey::SetKeySecurity()");
}

void CRegistryKey::RegNotifyChangeKeyValue(HANDLE hEvent, bool watchSubtree, DWORD notifyFilter) const
{
    ThrowIfFailed(::RegNotifyChangeKeyValue(*this, watchSubtree, notifyFilter, hEvent, TRUE),
                  "CRegistryKey::RegNotifyChangeKeyValue()");
}

void CRegistryKey::RegNotifyChangeKeyValue(bool watchSubtree, DWORD notifyFilter) const
{
    ThrowIfFailed(::RegNotifyChangeKeyValue(*this, watchSubtree, notifyFilter, nullptr, FALSE),
                  "CRegistryKey::RegNotifyChangeKeyValue()");
}

}  // namespace Quarnell
