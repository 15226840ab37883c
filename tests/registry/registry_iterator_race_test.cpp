// Entries that vanish between a step's ERROR_MORE_DATA and its re-query: the
// walk must end instead of showing the previous entry again. The system gives
// this only in a race, so the enumeration call is replaced for these tests.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "registry/registry_key.h"
#include "tests/support/import_patch.h"
#include "tests/registry/registry_test_support.h"
#include "tests/support/scratch_key.h"

using Quarnell::CRegistryKey;

namespace {
// What the replaced call does once, on its next use: remove these entries,
// then answer ERROR_MORE_DATA as if the entry had grown meanwhile.
std::vector<std::string> g_removeOnNextCall;
// When set, the removal waits for the call after the next one: the step has
// grown its buffers by then.
bool g_removeAfterGrowth = false;
HKEY g_removeFrom = nullptr;
int g_calls = 0;

void RemoveEntries(bool subkeys)
{
    for (const std::string& name : g_removeOnNextCall) {
        if (subkeys)
            RegDeleteKeyA(g_removeFrom, name.c_str());
        else
            RegDeleteValueA(g_removeFrom, name.c_str());
    }
    g_removeOnNextCall.clear();
}

decltype(&RegEnumValueA) g_realEnumValue = nullptr;
decltype(&RegEnumKeyExA) g_realEnumKey = nullptr;

LONG WINAPI RacingEnumValue(HKEY hKey, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPDWORD type,
                            LPBYTE data, LPDWORD dataSize)
{
    ++g_calls;
    if (g_removeAfterGrowth) {
        g_removeAfterGrowth = false;
        return ERROR_MORE_DATA;
    }
    if (!g_removeOnNextCall.empty()) {
        RemoveEntries(false);
        return ERROR_MORE_DATA;
    }
    return g_realEnumValue(hKey, index, name, nameSize, reserved, type, data, dataSize);
}

LONG WINAPI RacingEnumKey(HKEY hKey, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPSTR className,
                          LPDWORD classSize, PFILETIME lastWrite)
{
    ++g_calls;
    if (!g_removeOnNextCall.empty()) {
        RemoveEntries(true);
        return ERROR_MORE_DATA;
    }
    return g_realEnumKey(hKey, index, name, nameSize, reserved, className, classSize, lastWrite);
}
}  // namespace

// A scratch key holding the entries "a" and "b" (values or subkeys), walked
// through its own handle while the enumeration call is the racing one.
class RacingWalk : public ::testing::Test {
protected:
    RacingWalk(bool subkeys)
        : m_patch("advapi32.dll", subkeys ? "RegEnumKeyExA" : "RegEnumValueA",
                  subkeys ? reinterpret_cast<void*>(&RacingEnumKey) : reinterpret_cast<void*>(&RacingEnumValue))
    {
        for (const char* name : {"a", "b"}) {
            if (subkeys)
                RegCloseKey(m_scratch.CreateSubkey(name));
            else
                m_scratch.SetString(name, "1");
        }
        if (subkeys)
            g_realEnumKey = reinterpret_cast<decltype(&RegEnumKeyExA)>(m_patch.Original());
        else
            g_realEnumValue = reinterpret_cast<decltype(&RegEnumValueA)>(m_patch.Original());
        g_removeFrom = m_scratch.Handle();
        g_removeOnNextCall.clear();
        g_removeAfterGrowth = false;
        g_calls = 0;
    }
    void SetUp() override { ASSERT_TRUE(m_patch.Installed()); }

    ScratchKey m_scratch;
    ImportPatch m_patch;
    CRegistryKey m_key{OpenScratchCopy(m_scratch.Handle())};
};

class RacingValueWalk : public RacingWalk {
protected:
    RacingValueWalk() : RacingWalk(false) {}
};

class RacingSubkeyWalk : public RacingWalk {
protected:
    RacingSubkeyWalk() : RacingWalk(true) {}
};

TEST_F(RacingValueWalk, EndsWhenEveryValueVanishedDuringAStep)
{
    auto it = m_key.BeginValueIteration();
    ASSERT_STREQ("a", it.GetName());
    g_removeOnNextCall = {"a", "b"};
    ++it;
    EXPECT_TRUE(it == m_key.EndValueIteration()) << "still positioned on \"" << it.GetName() << "\"";
}

TEST_F(RacingValueWalk, AWalkThatEndsAfterGrowingHoldsNoText)
{
    m_scratch.SetString("c", "1");
    auto it = m_key.BeginValueIteration();
    ASSERT_STREQ("a", it.GetName());
    // The step grows its buffers, then finds "b" and "c" gone.
    g_removeAfterGrowth = true;
    g_removeOnNextCall = {"b", "c"};
    ++it;
    ASSERT_TRUE(it == m_key.EndValueIteration());
    EXPECT_STREQ("", it.GetName());
    EXPECT_STREQ("", it.AsString());
}

TEST_F(RacingValueWalk, EndsWhenTheEntriesLeftLieBeforeTheIndex)
{
    auto it = m_key.BeginValueIteration();
    g_removeOnNextCall = {"b"};
    g_calls = 0;
    ++it;
    EXPECT_TRUE(it == m_key.EndValueIteration()) << "still positioned on \"" << it.GetName() << "\"";
    EXPECT_LE(g_calls, 2) << "the step kept asking for an entry that is gone";
}

TEST_F(RacingSubkeyWalk, EndsWhenEverySubkeyVanishedDuringAStep)
{
    auto it = m_key.BeginSubkeyIteration();
    ASSERT_STREQ("a", it.GetName());
    g_removeOnNextCall = {"a", "b"};
    ++it;
    EXPECT_TRUE(it == m_key.EndSubkeyIteration()) << "still positioned on \"" << it.GetName() << "\"";
}
