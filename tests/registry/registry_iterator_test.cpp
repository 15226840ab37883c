// Walking subkeys and values: every entry once, growth during a walk, the key
// held by the iterator, copies, and failing enumerations.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstdio>
#include <map>
#include <string>
#include <vector>
#include "registry/registry_key.h"
#include "tests/registry/registry_test_support.h"
#include "tests/support/scratch_key.h"

using Quarnell::CRegistryKey;

namespace {
std::vector<std::string> ValueNames(const CRegistryKey& key)
{
    std::vector<std::string> names;
    for (auto it = key.BeginValueIteration(); it != key.EndValueIteration(); ++it)
        names.push_back(it.GetName());
    return names;
}
}  // namespace

TEST(RegistryIterator, ValueWalkVisitsEveryValueExactlyOnce)
{
    ScratchKey scratch;
    std::map<std::string, std::string> expected;
    for (int i = 0; i < 300; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "value%03d", i);
        std::string text(static_cast<size_t>(i % 37) * 3, static_cast<char>('a' + i % 26));
        scratch.SetString(name, text.c_str());
        expected[name] = text;
    }
    scratch.SetDword("number", 3);
    expected["number"] = "A number";
    CRegistryKey key(OpenScratchCopy(scratch.Handle()));

    std::map<std::string, int> visits;
    for (auto it = key.BeginValueIteration(); it != key.EndValueIteration(); ++it) {
        ++visits[it.GetName()];
        EXPECT_EQ(expected[it.GetName()], it.AsString()) << it.GetName();
        CRegistryKey::Value value = it.GetValue();
        EXPECT_STREQ(it.GetName(), value.GetName());
        EXPECT_STREQ(it.AsString(), value.AsString());
    }
    EXPECT_EQ(expected.size(), visits.size());
    for (const auto& visit : visits)
        EXPECT_EQ(1, visit.second) << visit.first;
}

TEST(RegistryIterator, ReadsValueThatGrewDuringWalk)
{
    ScratchKey scratch;
    scratch.SetString("a", "1");
    scratch.SetString("b", "2");
    scratch.SetString("c", "3");
    CRegistryKey key(OpenScratchCopy(scratch.Handle()));

    std::vector<std::string> seen;
    auto it = key.BeginValueIteration();
    ASSERT_NE(key.EndValueIteration(), it);
    seen.push_back(std::string(it.GetName()) + "=" + it.AsString());
    const std::string grown(5000, 'g');
    scratch.SetString("b", grown.c_str());
    scratch.SetRaw("c", REG_BINARY, std::string(3000, '\x01').data(), 3000);
    for (++it; it != key.EndValueIteration(); ++it)
        seen.push_back(std::string(it.GetName()) + "=" + it.AsString());

    std::string hex;
    for (int i = 0; i < 3000; ++i)
        hex += "01";
    const std::vector<std::string> expected{"a=1", "b=" + grown, "c=" + hex};
    ASSERT_EQ(expected.size(), seen.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_TRUE(expected[i] == seen[i]) << "entry " << i << " reads " << seen[i].size() << " characters: "
                                            << seen[i].substr(0, 40) << "...";
}

TEST(RegistryIterator, SubkeyWalkReadsNamesThatGrewDuringWalk)
{
    ScratchKey scratch;
    RegCloseKey(scratch.CreateSubkey("a"));
    RegCloseKey(scratch.CreateSubkey("b"));
    CRegistryKey key(OpenScratchCopy(scratch.Handle()));

    std::vector<std::string> seen;
    auto it = key.BeginSubkeyIteration();
    ASSERT_NE(key.EndSubkeyIteration(), it);
    seen.push_back(it.GetName());
    RegCloseKey(scratch.CreateSubkey("bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb"));
    for (++it; it != key.EndSubkeyIteration(); ++it)
        seen.push_back(it.GetName());
    EXPECT_EQ((std::vector<std::string>{"a", "b", "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb"}), seen);
}

TEST(RegistryIterator, SubkeyIteratorGivesNamesClassesAndOpensSubkeys)
{
    ScratchKey scratch;
    CRegistryKey key(OpenScratchCopy(scratch.Handle()));
    char className[] = "CorvaneClass";
    key.CreateKey("withclass", className).SetValue("inside", "yes");
    key.CreateKey("plain");

    std::map<std::string, std::string> classes;
    for (auto it = key.BeginSubkeyIteration(); it != key.EndSubkeyIteration(); ++it) {
        classes[it.GetName()] = it.GetClass();
        if (std::string(it.GetName()) == "withclass") {
            LPSTR text = nullptr;
            ASSERT_TRUE(it.OpenKey(KEY_READ).QueryValue("inside", text));
            EXPECT_STREQ("yes", text);
            free(text);
        }
    }
    EXPECT_EQ((std::map<std::string, std::string>{{"plain", ""}, {"withclass", "CorvaneClass"}}), classes);
}

TEST(RegistryIterator, EmptyKeyBeginsAtTheEnd)
{
    ScratchKey scratch;
    CRegistryKey key(OpenScratchCopy(scratch.Handle()));
    EXPECT_TRUE(key.BeginValueIteration() == key.EndValueIteration());
    EXPECT_TRUE(key.BeginSubkeyIteration() == key.EndSubkeyIteration());
    EXPECT_STREQ("", key.BeginValueIteration().GetName());
    EXPECT_STREQ("", key.BeginValueIteration().AsString());
    EXPECT_STREQ("", key.BeginSubkeyIteration().GetClass());
    EXPECT_TRUE(RaisesRegistryError([&] { key.EndSubkeyIteration().OpenKey(); },
                                    "CRegistryKey::SubkeyIterator::OpenKey()", ERROR_NO_MORE_ITEMS));

    // Subkeys but no values, values but no subkeys.
    RegCloseKey(scratch.CreateSubkey("child"));
    EXPECT_TRUE(key.BeginValueIteration() == key.EndValueIteration());
    CRegistryKey child = key.OpenKey("child");
    child.SetValue("v", "1");
    EXPECT_TRUE(child.BeginSubkeyIteration() == child.EndSubkeyIteration());
    EXPECT_EQ(std::vector<std::string>{"v"}, ValueNames(child));
}

TEST(RegistryIterator, IteratorKeepsTheKeyOpenAfterEveryKeyObjectIsGone)
{
    ScratchKey scratch;
    scratch.SetString("first", "1");
    scratch.SetString("second", "2");
    HKEY raw = OpenScratchCopy(scratch.Handle());
    auto* key = new CRegistryKey(raw);
    CRegistryKey::ValueIterator it = key->BeginValueIteration();
    CRegistryKey::SubkeyIterator subkeys = key->BeginSubkeyIteration();
    delete key;

    EXPECT_FALSE(IsClosedKeyHandle(raw));
    EXPECT_STREQ("first", it.GetName());
    ++it;
    EXPECT_STREQ("second", it.GetName());
    EXPECT_STREQ("2", it.AsString());
    EXPECT_FALSE(IsClosedKeyHandle(raw));
    ++it;
    EXPECT_TRUE(it == CRegistryKey::ValueIterator(nullptr));
    EXPECT_TRUE(IsClosedKeyHandle(raw)) << "the last holder reached the end but the key stayed open";
}

TEST(RegistryIterator, IteratorsOfCopiesCompareEqualStepForStep)
{
    ScratchKey scratch;
    scratch.SetString("a", "1");
    scratch.SetString("b", "2");
    RegCloseKey(scratch.CreateSubkey("s"));
    CRegistryKey key(OpenScratchCopy(scratch.Handle()));
    CRegistryKey copy(key);

    auto first = key.BeginValueIteration();
    auto second = copy.BeginValueIteration();
    EXPECT_TRUE(first == second);
    ++first;
    EXPECT_TRUE(first != second);
    ++second;
    EXPECT_TRUE(first == second);
    EXPECT_TRUE(key.BeginSubkeyIteration() == copy.BeginSubkeyIteration());
}

TEST(RegistryIterator, ValueIteratorCopiesOwnTheirText)
{
    ScratchKey scratch;
    scratch.SetString("a", "alpha");
    scratch.SetString("b", "beta");
    CRegistryKey key(OpenScratchCopy(scratch.Handle()));

    auto original = key.BeginValueIteration();
    LPCSTR originalText = original.AsString();
    auto copy = original;
    LPCSTR copyText = copy.AsString();
    EXPECT_NE(originalText, copyText) << "copy shares the text";
    EXPECT_STREQ("alpha", copyText);

    auto assigned = key.EndValueIteration();
    assigned = original;
    EXPECT_STREQ("alpha", assigned.AsString());
    EXPECT_NE(originalText, assigned.AsString());
    assigned = assigned;
    EXPECT_STREQ("alpha", assigned.AsString());

    ++original;  // drops the original's text
    EXPECT_STREQ("beta", original.AsString());
    EXPECT_STREQ("alpha", copy.AsString());
    EXPECT_STREQ("a", copy.GetName());
    ++copy;
    EXPECT_TRUE(copy == original);
    EXPECT_STREQ("beta", copy.AsString());

    auto subkeys = key.EndSubkeyIteration();
    RegCloseKey(scratch.CreateSubkey("x"));
    subkeys = key.BeginSubkeyIteration();
    EXPECT_STREQ("x", subkeys.GetName());
}

TEST(RegistryIterator, FailingEnumerationRaisesTheStepsWhereString)
{
    ScratchKey scratch;
    scratch.SetString("v", "1");
    RegCloseKey(scratch.CreateSubkey("s"));
    CRegistryKey setOnly(OpenScratchCopy(scratch.Handle(), KEY_SET_VALUE));

    DWORD nameSize = 16, dataSize = 16, type = 0;
    char name[16];
    BYTE data[16];
    LONG valueStatus = RegEnumValueA(setOnly, 0, name, &nameSize, nullptr, &type, data, &dataSize);
    ASSERT_NE(ERROR_SUCCESS, valueStatus) << "the platform enumerates values without query rights";
    EXPECT_TRUE(RaisesRegistryError([&] { setOnly.BeginValueIteration(); },
                                    "CRegistryKey::ValueIterator::GetValueInfo()", valueStatus));
    EXPECT_TRUE(RaisesRegistryError([&] { setOnly.BeginSubkeyIteration(); },
                                    "CRegistryKey::SubkeyIterator::GetSubkeyInfo()", ERROR_ACCESS_DENIED));
}
