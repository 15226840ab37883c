#include "tests/app/app_ddhal_key.h"

#include <gtest/gtest.h>
#include <aclapi.h>
#include <cstdio>
#include <cstring>
#include <vector>

const char DdhalKey::kAtiPath[] = "SOFTWARE\\ATI TECHNOLOGIES";
const char DdhalKey::kDdhalPath[] = "SOFTWARE\\ATI TECHNOLOGIES\\DRIVER\\DDHAL";

namespace {

class RawKey {
public:
    RawKey(const char* path, REGSAM access)
    {
        m_status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, access, &m_key);
        if (m_status != ERROR_SUCCESS)
            m_key = nullptr;
    }
    ~RawKey()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    RawKey(const RawKey&) = delete;
    RawKey& operator=(const RawKey&) = delete;
    HKEY Get() const { return m_key; }
    LONG Status() const { return m_status; }

private:
    HKEY m_key = nullptr;
    LONG m_status = 0;
};

// A null DACL lets everyone do everything: undoes DenyRights so the tree
// can be removed whatever was done to it.
void AllowEverything(const char* path)
{
    RawKey key(path, WRITE_DAC);
    if (!key.Get())
        return;
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
    RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, &descriptor);
}

}  // namespace

void PrintTo(const StoredValue& value, std::ostream* out)
{
    *out << "type " << value.type << " \"";
    for (char c : value.bytes)
        *out << (c ? std::string(1, c) : std::string("\\0"));
    *out << "\"";
}

StoredValue Sz(const char* text)
{
    return StoredValue{REG_SZ, std::string(text, std::strlen(text) + 1)};
}

std::string Describe(const StoredValues& values)
{
    std::string text;
    for (const auto& entry : values) {
        char head[64];
        std::snprintf(head, sizeof head, " type %lu, %u bytes: ",
                      static_cast<unsigned long>(entry.second.type),
                      static_cast<unsigned>(entry.second.bytes.size()));
        text += entry.first + head;
        for (unsigned char byte : entry.second.bytes) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02x", byte);
            text += hex;
        }
        text += "\n";
    }
    return text.empty() ? "(no values)\n" : text;
}

DdhalKey::DdhalKey(Creation creation)
{
    RemoveAll();
    if (creation == CreateEmpty) {
        EXPECT_TRUE(CreatePath(kDdhalPath)) << "cannot create " << kDdhalPath;
    }
}

DdhalKey::~DdhalKey()
{
    RemoveAll();
    EXPECT_FALSE(Exists(kAtiPath)) << "the driver's test key was not removed";
}

bool DdhalKey::CreatePath(const char* path)
{
    HKEY key = nullptr;
    LONG status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool DdhalKey::Exists(const char* path)
{
    RawKey key(path, KEY_READ);
    return key.Get() != nullptr;
}

void DdhalKey::RemoveAll()
{
    const char* const paths[] = {
        kDdhalPath, "SOFTWARE\\ATI TECHNOLOGIES\\DRIVER", kAtiPath};
    for (const char* path : paths)
        AllowEverything(path);
    LONG status = RegDeleteTreeA(HKEY_LOCAL_MACHINE, kAtiPath);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        ADD_FAILURE() << "cannot remove " << kAtiPath << ": " << status;
}

void DdhalKey::SetRaw(const char* name, DWORD type, const void* data, DWORD size) const
{
    RawKey key(kDdhalPath, KEY_SET_VALUE);
    ASSERT_TRUE(key.Get()) << "cannot open " << kDdhalPath << ": " << key.Status();
    LONG status = RegSetValueExA(key.Get(), name, 0, type, static_cast<const BYTE*>(data), size);
    ASSERT_EQ(ERROR_SUCCESS, status) << "setting " << name;
}

void DdhalKey::SetString(const char* name, const char* text) const
{
    SetRaw(name, REG_SZ, text, static_cast<DWORD>(std::strlen(text) + 1));
}

void DdhalKey::SetDword(const char* name, DWORD value) const
{
    SetRaw(name, REG_DWORD, &value, sizeof value);
}

void DdhalKey::SetOptions(const char* antiAlias, const char* ditherInit, const char* enableKatmai,
                          const char* palette, const char* breakText) const
{
    SetString("AntiAlias", antiAlias);
    SetString("DitherInit", ditherInit);
    SetString("EnableKatmai", enableKatmai);
    SetString("Palette", palette);
    if (breakText)
        SetString("Break", breakText);
}

StoredValues DdhalKey::ReadAll() const
{
    return ReadDdhalValues();
}

StoredValues ReadDdhalValues()
{
    StoredValues values;
    // Only what listing values takes, so that a key refusing the rest of
    // reading can still be checked.
    RawKey key(DdhalKey::kDdhalPath, KEY_QUERY_VALUE);
    if (!key.Get())
        return values;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameSize = sizeof name;
        std::vector<BYTE> data(4096);
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LONG status = RegEnumValueA(key.Get(), index, name, &nameSize, nullptr, &type, data.data(),
                                    &dataSize);
        if (status != ERROR_SUCCESS)
            break;
        values[std::string(name, nameSize)] =
            StoredValue{type, std::string(reinterpret_cast<char*>(data.data()), dataSize)};
    }
    return values;
}

bool DdhalKey::DenyRights(const char* path, DWORD rights) const
{
    RawKey key(path, READ_CONTROL | WRITE_DAC);
    if (!key.Get())
        return false;
    PACL oldDacl = nullptr;
    PSECURITY_DESCRIPTOR oldDescriptor = nullptr;
    if (GetSecurityInfo(key.Get(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                        &oldDacl, nullptr, &oldDescriptor) != ERROR_SUCCESS)
        return false;
    SID_IDENTIFIER_AUTHORITY worldAuthority = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!AllocateAndInitializeSid(&worldAuthority, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                  &everyone)) {
        LocalFree(oldDescriptor);
        return false;
    }
    EXPLICIT_ACCESSA deny{};
    deny.grfAccessPermissions = rights;
    deny.grfAccessMode = DENY_ACCESS;
    deny.grfInheritance = NO_INHERITANCE;
    deny.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    deny.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    deny.Trustee.ptstrName = static_cast<LPSTR>(everyone);
    PACL newDacl = nullptr;
    DWORD status = SetEntriesInAclA(1, &deny, oldDacl, &newDacl);
    if (status == ERROR_SUCCESS)
        status = SetSecurityInfo(key.Get(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr,
                                 nullptr, newDacl, nullptr);
    LocalFree(newDacl);
    LocalFree(oldDescriptor);
    FreeSid(everyone);
    return status == ERROR_SUCCESS;
}

bool MachineKeyExists(const char* path)
{
    return DdhalKey::Exists(path);
}

bool UserKeyExists(const char* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void RemoveCorvaneKeys()
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kCorvaneKey);
    RegDeleteTreeA(HKEY_CURRENT_USER, kUserCorvaneKey);
}

namespace {
void RemoveCorvaneKey(LeftRecord::Place place)
{
    if (place == LeftRecord::Machine)
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kCorvaneKey);
    else
        RegDeleteTreeA(HKEY_CURRENT_USER, kUserCorvaneKey);
}
}  // namespace

LeftRecord::LeftRecord(Place place) : m_place(place)
{
    RemoveCorvaneKey(m_place);
}

LeftRecord::~LeftRecord()
{
    RemoveCorvaneKey(m_place);
}

void LeftRecord::SetRaw(const char* subKey, const char* name, DWORD type, const void* data, DWORD size) const
{
    HKEY root = m_place == Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    std::string path = m_place == Machine ? kRecordKey : kUserRecordKey;
    if (subKey[0] != '\0')
        path += std::string("\\") + subKey;
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    static const BYTE kNoData = 0;
    EXPECT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key, name, 0, type, data ? static_cast<const BYTE*>(data) : &kNoData, size));
    RegCloseKey(key);
}

void LeftRecord::Copy(const char* name, DWORD type, const void* data, DWORD size) const
{
    SetRaw("", name, type, data, size);
}

void LeftRecord::Absent(const char* name) const
{
    SetRaw("Absent", name, REG_BINARY, nullptr, 0);
}

void LeftRecord::Written(const char* name, const char* text) const
{
    SetRaw("Written", name, REG_SZ, text, static_cast<DWORD>(std::strlen(text) + 1));
}

namespace {

// A DACL denying Everyone the rights, then allowing Everyone the rest, in a
// self-relative descriptor.
std::vector<BYTE> DenyingDescriptor(DWORD deniedRights)
{
    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof everyone;
    BYTE aclBuffer[256];
    ACL* acl = reinterpret_cast<ACL*>(aclBuffer);
    SECURITY_DESCRIPTOR absolute;
    if (!CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sidSize) ||
        !InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION) ||
        !AddAccessDeniedAce(acl, ACL_REVISION, deniedRights, everyone) ||
        !AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, everyone) ||
        !InitializeSecurityDescriptor(&absolute, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&absolute, TRUE, acl, FALSE))
        return {};
    DWORD size = 0;
    MakeSelfRelativeSD(&absolute, nullptr, &size);
    std::vector<BYTE> relative(size);
    if (size == 0 || !MakeSelfRelativeSD(&absolute, relative.data(), &size))
        return {};
    return relative;
}

}  // namespace

AccountRights::AccountRights(Account account)
{
    const DWORD denied = account == PowerUser
                             ? WRITE_DAC | WRITE_OWNER | KEY_CREATE_LINK
                             : KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC | WRITE_OWNER;
    const REGSAM lacking = account == PowerUser ? KEY_ALL_ACCESS : KEY_SET_VALUE;
    std::vector<BYTE> denying = DenyingDescriptor(denied);
    if (denying.empty())
        return;
    const char* const paths[] = {"SOFTWARE", DdhalKey::kAtiPath, "SOFTWARE\\ATI TECHNOLOGIES\\DRIVER",
                                 DdhalKey::kDdhalPath};
    m_applied = true;
    for (const char* path : paths) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, READ_CONTROL | WRITE_DAC, &key) != ERROR_SUCCESS) {
            m_applied = false;
            continue;
        }
        DWORD size = 0;
        RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
        std::vector<BYTE> before(size);
        if (size == 0 || RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, before.data(), &size) != ERROR_SUCCESS) {
            RegCloseKey(key);
            m_applied = false;
            continue;
        }
        m_changed.push_back(Changed{key, std::move(before)});
        if (RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, denying.data()) != ERROR_SUCCESS)
            m_applied = false;
        // The denial must bite, or the test would prove nothing.
        RawKey probe(path, lacking);
        if (probe.Get())
            m_applied = false;
    }
}

AccountRights::~AccountRights()
{
    for (auto it = m_changed.rbegin(); it != m_changed.rend(); ++it) {
        EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(it->key, DACL_SECURITY_INFORMATION, it->descriptor.data()))
            << "the security of a key under HKLM\\SOFTWARE could not be put back";
        RegCloseKey(it->key);
    }
}
