// The key object: one counted handle shared by copies and closed exactly once,
// opening, creating, connecting, and the failures each raises.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "registry/registry_key.h"
#include "tests/registry/registry_test_support.h"
#include "tests/support/scratch_key.h"

using Quarnell::CRegistryKey;

namespace {
const char kOpenWhere[] = "CRegistryKey::CRegistryKey(HKEY hKey ...)";
const char kConnectWhere[] = "CRegistryKey::CRegistryKey() - RegConnectRegistry";
}  // namespace

TEST(RegistryKey, LastCopyClosesTheHandleOnce)
{
    ScratchKey scratch;
    HKEY raw = OpenScratchCopy(scratch.Handle());
    {
        auto* original = new CRegistryKey(raw);
        CRegistryKey copy(*original);
        EXPECT_EQ(raw, static_cast<HKEY>(copy));
        delete original;
        EXPECT_FALSE(IsClosedKeyHandle(raw)) << "closed while a copy lives";
        copy.SetValue("through copy", 7ul);
        EXPECT_EQ(std::string("\x07\0\0\0", 4), StoredBytes(scratch.Handle(), "through copy"));
    }
    EXPECT_TRUE(IsClosedKeyHandle(raw));
}

TEST(RegistryKey, SelfAssignmentAndAssigningACopyKeepTheKeyOpen)
{
    ScratchKey scratch;
    HKEY raw = OpenScratchCopy(scratch.Handle());
    {
        CRegistryKey key(raw);
        CRegistryKey& alias = key;
        key = alias;
        EXPECT_FALSE(IsClosedKeyHandle(raw)) << "self-assignment closed the key";
        CRegistryKey copy(key);
        key = copy;
        copy = key;
        EXPECT_FALSE(IsClosedKeyHandle(raw)) << "assigning a copy closed the key";
        EXPECT_EQ(raw, static_cast<HKEY>(key));
    }
    EXPECT_TRUE(IsClosedKeyHandle(raw));
}

TEST(RegistryKey, AssigningTheHeldHandleChangesNothing)
{
    ScratchKey scratch;
    HKEY raw = OpenScratchCopy(scratch.Handle());
    {
        CRegistryKey key(raw);
        key = static_cast<HKEY>(key);
        EXPECT_FALSE(IsClosedKeyHandle(raw)) << "the key closed its own handle";
        {
            CRegistryKey copy(key);
            key = static_cast<HKEY>(copy);
        }
        EXPECT_FALSE(IsClosedKeyHandle(raw)) << "a copy's end closed the handle the key still holds";
        key.SetValue("still usable", 1ul);
        EXPECT_EQ(std::string("\x01\0\0\0", 4), StoredBytes(scratch.Handle(), "still usable"));
    }
    EXPECT_TRUE(IsClosedKeyHandle(raw));
}

TEST(RegistryKey, AssignmentReleasesThePreviousKey)
{
    ScratchKey scratch;
    HKEY first = OpenScratchCopy(scratch.Handle());
    HKEY second = OpenScratchCopy(scratch.Handle());
    HKEY third = OpenScratchCopy(scratch.Handle());
    {
        CRegistryKey key(first);
        key = second;
        EXPECT_TRUE(IsClosedKeyHandle(first)) << "sole holder did not close the old key";
        CRegistryKey keeper(key);
        key = third;
        EXPECT_FALSE(IsClosedKeyHandle(second)) << "old key closed while another copy holds it";
        key = keeper;
        EXPECT_TRUE(IsClosedKeyHandle(third));
        EXPECT_FALSE(IsClosedKeyHandle(second));
    }
    EXPECT_TRUE(IsClosedKeyHandle(second));
}

TEST(RegistryKey, OpensSubkeysAndReportsMissingOnesWithTheSystemStatus)
{
    ScratchKey scratch;
    RegCloseKey(scratch.CreateSubkey("a\\b"));
    CRegistryKey parent(HKEY_CURRENT_USER, scratch.Path().c_str(), KEY_ALL_ACCESS);
    CRegistryKey child = parent.OpenKey("a").OpenKey("b", KEY_READ);
    EXPECT_TRUE(parent.SubkeyExists("a\\b"));

    EXPECT_TRUE(RaisesRegistryError([&] { parent.OpenKey("missing"); }, kOpenWhere, ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(RaisesRegistryError([&] { CRegistryKey(HKEY_CURRENT_USER, (scratch.Path() + "\\nope").c_str()); },
                                    kOpenWhere, ERROR_FILE_NOT_FOUND));
}

TEST(RegistryKey, SubkeyExistsNeverRaises)
{
    ScratchKey scratch;
    CRegistryKey key(OpenScratchCopy(scratch.Handle(), KEY_READ));
    RegCloseKey(scratch.CreateSubkey("present"));
    EXPECT_TRUE(key.SubkeyExists("present"));
    EXPECT_FALSE(key.SubkeyExists("absent"));
    EXPECT_FALSE(key.SubkeyExists("absent\\deeper", KEY_READ));
    EXPECT_FALSE(key.SubkeyExists("bad\\\\name"));
}

TEST(RegistryKey, SubkeyExistsIsFalseWhenTheRightsAreDenied)
{
    ScratchKey scratch;
    HKEY hLocked = scratch.CreateSubkey("locked");
    // Deny KEY_CREATE_LINK to everyone: full-access opens fail, read opens work.
    char sd[SECURITY_DESCRIPTOR_MIN_LENGTH];
    BYTE aclBuffer[256];
    BYTE sidBuffer[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof sidBuffer;
    ASSERT_TRUE(CreateWellKnownSid(WinWorldSid, nullptr, sidBuffer, &sidSize));
    ACL* acl = reinterpret_cast<ACL*>(aclBuffer);
    ASSERT_TRUE(InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION));
    ASSERT_TRUE(AddAccessDeniedAce(acl, ACL_REVISION, KEY_CREATE_LINK, sidBuffer));
    ASSERT_TRUE(AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, sidBuffer));
    ASSERT_TRUE(InitializeSecurityDescriptor(sd, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(sd, TRUE, acl, FALSE));
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeySecurity(hLocked, DACL_SECURITY_INFORMATION, sd));
    RegCloseKey(hLocked);

    CRegistryKey key(OpenScratchCopy(scratch.Handle()));
    EXPECT_FALSE(key.SubkeyExists("locked", KEY_ALL_ACCESS));
    EXPECT_TRUE(key.SubkeyExists("locked", KEY_READ));
    EXPECT_TRUE(RaisesRegistryError([&] { key.OpenKey("locked"); }, kOpenWhere, ERROR_ACCESS_DENIED));

    // Let the scratch key's clean-up delete it again.
    HKEY hRelax = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(scratch.Handle(), "locked", 0, WRITE_DAC, &hRelax));
    ASSERT_TRUE(InitializeSecurityDescriptor(sd, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(sd, TRUE, nullptr, FALSE));
    EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(hRelax, DACL_SECURITY_INFORMATION, sd));
    RegCloseKey(hRelax);
}

TEST(RegistryKey, CreateKeyMakesNewKeysAndRefusesExistingOnes)
{
    ScratchKey scratch;
    CRegistryKey key(OpenScratchCopy(scratch.Handle()));
    CRegistryKey created = key.CreateKey("fresh");
    created.SetValue("v", "x");
    EXPECT_TRUE(scratch.HasSubkey("fresh"));

    // The handle that the failed attempt opened must be closed: the value the
    // system gives to the next handle it hands out shows whether it was reused.
    HKEY probe = OpenScratchCopy(scratch.Handle());
    RegCloseKey(probe);
    EXPECT_TRUE(RaisesRegistryError([&] { key.CreateKey("fresh"); }, "CRegistryKey::CreateKey()",
                                    ERROR_ALREADY_EXISTS));
    HKEY next = OpenScratchCopy(scratch.Handle());
    EXPECT_EQ(probe, next) << "a handle was left open by the refused CreateKey";
    RegCloseKey(next);
}

TEST(RegistryKey, CreateOrOpenKeyReportsTheDispositionWhenAsked)
{
    ScratchKey scratch;
    CRegistryKey key(OpenScratchCopy(scratch.Handle()));
    DWORD disposition = 0;
    key.CreateOrOpenKey("sub", &disposition);
    EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disposition);
    key.CreateOrOpenKey("sub", &disposition);
    EXPECT_EQ(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), disposition);
    CRegistryKey again = key.CreateOrOpenKey("sub");
    again.FlushKey();

    CRegistryKey volatileKey = key.CreateOrOpenKey("volatile", nullptr, nullptr, REG_OPTION_VOLATILE);
    EXPECT_TRUE(RaisesRegistryError([&] { volatileKey.CreateOrOpenKey("lasting"); },
                                    "CRegistryKey::CreateOrOpenKey()", ERROR_CHILD_MUST_BE_VOLATILE));
    EXPECT_TRUE(RaisesRegistryError([&] { volatileKey.CreateKey("lasting"); },
                                    "CRegistryKey::CreateOrOpenKey()", ERROR_CHILD_MUST_BE_VOLATILE));
}

TEST(RegistryKey, UnreachableMachineCarriesTheSystemStatus)
{
    HKEY h = nullptr;
    LONG expected = RegConnectRegistryA("\\\\corvane-nowhere", HKEY_LOCAL_MACHINE, &h);
    ASSERT_NE(ERROR_SUCCESS, expected);

    EXPECT_TRUE(RaisesRegistryError([] { CRegistryKey("\\\\corvane-nowhere", HKEY_LOCAL_MACHINE); },
                                    kConnectWhere, expected));
    EXPECT_TRUE(RaisesRegistryError(
        [] { CRegistryKey(HKEY_LOCAL_MACHINE, "SOFTWARE", KEY_READ, "\\\\corvane-nowhere"); }, kConnectWhere,
        expected));
    CRegistryKey local(HKEY_LOCAL_MACHINE, "SOFTWARE", KEY_READ);
    CRegistryKey root(HKEY_LOCAL_MACHINE, nullptr, KEY_READ);
    EXPECT_TRUE(RaisesRegistryError([&] { root.ConnectRegistry("\\\\corvane-nowhere"); },
                                    "CRegistryKey::ConnectRegistry()", expected));
}

TEST(RegistryKey, OpensThroughTheOwnMachineNameWithoutKeepingTheConnection)
{
    char name[MAX_COMPUTERNAME_LENGTH + 3] = "\\\\";
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    ASSERT_TRUE(GetComputerNameA(name + 2, &size));

    ScratchKey scratch;
    scratch.SetString("marker", "here");
    HKEY probe = OpenScratchCopy(scratch.Handle());
    RegCloseKey(probe);
    {
        CRegistryKey remote(HKEY_CURRENT_USER, scratch.Path().c_str(), KEY_READ, name);
        LPSTR text = nullptr;
        ASSERT_TRUE(remote.QueryValue("marker", text));
        EXPECT_STREQ("here", text);
        free(text);
        CRegistryKey connected(name, HKEY_LOCAL_MACHINE);
        EXPECT_TRUE(connected.SubkeyExists("SOFTWARE", KEY_READ));
    }
    HKEY next = OpenScratchCopy(scratch.Handle());
    EXPECT_EQ(probe, next) << "a handle of the connection stayed open";
    RegCloseKey(next);
}
