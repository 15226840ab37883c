// Reading, writing and deleting values, the in-memory Value and its display
// text, including string data that other programs stored without terminator.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include "registry/copy_buffer.h"
#include "registry/registry_key.h"
#include "registry/value_text.h"
#include "tests/registry/registry_test_support.h"
#include "tests/support/scratch_key.h"

using Quarnell::CRegistryKey;

namespace {
const char kQueryWhere[] = "CRegistryKey::QueryValue()";
const char kSetWhere[] = "CRegistryKey::SetValue()";

struct TypedCase {
    const char* label;
    DWORD type;
    std::string data;
    const char* text;
};

// Every type the display text knows, and the awkward lengths.
const TypedCase kCases[] = {
    {"sz", REG_SZ, std::string("hello", 6), "hello"},
    {"expand", REG_EXPAND_SZ, std::string("%SystemRoot%\\x", 15), "%SystemRoot%\\x"},
    {"multi", REG_MULTI_SZ, std::string("first\0second\0\0", 14), "first"},
    {"dword", REG_DWORD, std::string("\x01\x02\x03\x04", 4), "A number"},
    {"bigendian", REG_DWORD_BIG_ENDIAN, std::string("\x01\x02\x03\x04", 4), "A number"},
    {"binary", REG_BINARY, std::string("\x01\xab\xff", 3), "01abff"},
    {"none", REG_NONE, std::string("\x00\x10", 2), "0010"},
    {"unknown", 0x4242, std::string("\x7f", 1), "7f"},
    {"emptybinary", REG_BINARY, std::string(), ""},
    {"unterminated", REG_SZ, std::string("abc"), "abc"},
    {"unterminatedexpand", REG_EXPAND_SZ, std::string("xyz"), "xyz"},
    {"unterminatedmulti", REG_MULTI_SZ, std::string("only"), "only"},
    {"emptysz", REG_SZ, std::string(), ""},
};

// Stores the bytes exactly: a REG_SZ written without terminator must really
// lie that way in the registry (a zero after the data in memory would let the
// system complete it), so the data is placed against a guard of 'Z's.
void StoreExactly(HKEY hKey, const TypedCase& c)
{
    std::string padded = c.data + std::string(16, 'Z');
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(hKey, c.label, 0, c.type, reinterpret_cast<const BYTE*>(padded.data()),
                                            static_cast<DWORD>(c.data.size())));
    DWORD type = 0;
    ASSERT_EQ(c.data, StoredBytes(hKey, c.label, &type)) << c.label;
}
}  // namespace

TEST(RegistryValue, EveryTypeHasItsDisplayTextAndNoneIsReadPastItsData)
{
    ScratchKey scratch;
    for (const TypedCase& c : kCases)
        StoreExactly(scratch.Handle(), c);
    CRegistryKey key(OpenScratchCopy(scratch.Handle()));

    for (const TypedCase& c : kCases) {
        CRegistryKey::Value value = key.QueryValue(c.label);
        EXPECT_STREQ(c.text, value.AsString()) << c.label;
        EXPECT_EQ(c.type, value.GetType()) << c.label;
        EXPECT_EQ(c.data, std::string(reinterpret_cast<const char*>(static_cast<const BYTE*>(
                                          CRegistryKey::Value(c.label, reinterpret_cast<const BYTE*>(c.data.data()),
                                                              static_cast<DWORD>(c.data.size()), REG_BINARY))),
                                      c.data.size()));
        EXPECT_EQ(static_cast<DWORD>(c.data.size()), value.GetLength()) << c.label << ": stored bytes changed";
        LPSTR text = Quarnell::FormatValueAsText(c.type, reinterpret_cast<const BYTE*>(c.data.data()),
                                                 static_cast<DWORD>(c.data.size()));
        EXPECT_STREQ(c.text, text) << c.label;
        delete[] text;
    }
    // The same texts reach the iterator.
    int seen = 0;
    for (auto it = key.BeginValueIteration(); it != key.EndValueIteration(); ++it, ++seen) {
        for (const TypedCase& c : kCases) {
            if (std::strcmp(c.label, it.GetName()) == 0) {
                EXPECT_STREQ(c.text, it.AsString()) << c.label;
            }
        }
    }
    EXPECT_EQ(static_cast<int>(sizeof kCases / sizeof kCases[0]), seen);
}

TEST(RegistryValue, StringConversionsComeBackTerminatedForUnterminatedData)
{
    ScratchKey scratch;
    for (const TypedCase& c : kCases)
        StoreExactly(scratch.Handle(), c);
    CRegistryKey key(OpenScratchCopy(scratch.Handle()));

    for (const char* label : {"unterminated", "unterminatedexpand", "emptysz", "sz"}) {
        const TypedCase* c = nullptr;
        for (const TypedCase& each : kCases)
            if (std::strcmp(each.label, label) == 0)
                c = &each;
        LPSTR queried = nullptr;
        ASSERT_TRUE(key.QueryValue(label, queried)) << label;
        EXPECT_STREQ(c->text, queried) << label;
        std::free(queried);
        EXPECT_STREQ(c->text, static_cast<LPCSTR>(key.QueryValue(label))) << label;
    }
}

TEST(RegistryValue, TypedQueriesReadTheirOwnTypes)
{
    ScratchKey scratch;
    scratch.SetRaw("bin", REG_BINARY, "\x01\x02\x03", 3);
    scratch.SetRaw("none", REG_NONE, "\x09", 1);
    scratch.SetString("sz", "text");
    scratch.SetRaw("expand", REG_EXPAND_SZ, "%PATH%", 7);
    scratch.SetDword("dword", 0x12345678);
    scratch.SetRaw("big", REG_DWORD_BIG_ENDIAN, "\x12\x34\x56\x78", 4);
    CRegistryKey key(OpenScratchCopy(scratch.Handle()));

    BYTE* pData = nullptr;
    ASSERT_TRUE(key.QueryValue("bin", pData));
    EXPECT_EQ(0, std::memcmp(pData, "\x01\x02\x03", 3));
    std::free(pData);
    ASSERT_TRUE(key.QueryValue("none", pData));
    EXPECT_EQ(9, pData[0]);
    std::free(pData);

    LPSTR pString = nullptr;
    ASSERT_TRUE(key.QueryValue("expand", pString));
    EXPECT_STREQ("%PATH%", pString) << "expanded although it must not be";
    std::free(pString);

    DWORD number = 0;
    ASSERT_TRUE(key.QueryValue("dword", number));
    EXPECT_EQ(0x12345678u, number);
    ASSERT_TRUE(key.QueryValue("big", number));
    EXPECT_EQ(0x78563412u, number) << "big-endian bytes are taken as they lie";
}

TEST(RegistryValue, TypedQueriesOnAnotherTypeAnswerFalseAndTouchNothing)
{
    ScratchKey scratch;
    scratch.SetString("sz", "text");
    scratch.SetDword("dword", 5);
    scratch.SetRaw("bin", REG_BINARY, "\x01", 1);
    CRegistryKey key(OpenScratchCopy(scratch.Handle()));

    BYTE sentinelByte = 0;
    BYTE* pData = &sentinelByte;
    EXPECT_FALSE(key.QueryValue("sz", pData));
    EXPECT_FALSE(key.QueryValue("dword", pData));
    EXPECT_EQ(&sentinelByte, pData);

    char sentinelChar = 0;
    LPSTR pString = &sentinelChar;
    EXPECT_FALSE(key.QueryValue("dword", pString));
    EXPECT_FALSE(key.QueryValue("bin", pString));
    EXPECT_EQ(&sentinelChar, pString);

    DWORD number = 0xCAFEF00D;
    EXPECT_FALSE(key.QueryValue("sz", number));
    EXPECT_FALSE(key.QueryValue("bin", number));
    EXPECT_EQ(0xCAFEF00Du, number);
}

TEST(RegistryValue, QueriesOfMissingOrMisshapenValuesRaise)
{
    ScratchKey scratch;
    scratch.SetRaw("eight", REG_DWORD, "\x01\x00\x00\x00\x02\x00\x00\x00", 8);
    scratch.SetRaw("two", REG_DWORD_BIG_ENDIAN, "\x01\x02", 2);
    CRegistryKey key(OpenScratchCopy(scratch.Handle()));

    DWORD number = 0xCAFEF00D;
    EXPECT_TRUE(RaisesRegistryError([&] { key.QueryValue("eight", number); }, kQueryWhere, ERROR_INVALID_DATA));
    EXPECT_TRUE(RaisesRegistryError([&] { key.QueryValue("two", number); }, kQueryWhere, ERROR_INVALID_DATA));
    EXPECT_EQ(0xCAFEF00Du, number);

    LPSTR pString = nullptr;
    BYTE* pData = nullptr;
    EXPECT_TRUE(RaisesRegistryError([&] { key.QueryValue("missing", pString); }, kQueryWhere, ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(RaisesRegistryError([&] { key.QueryValue("missing", pData); }, kQueryWhere, ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(RaisesRegistryError([&] { key.QueryValue("missing", number); }, kQueryWhere, ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(RaisesRegistryError([&] { key.QueryValue("missing"); }, kQueryWhere, ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(nullptr, pString);
    EXPECT_EQ(nullptr, pData);
}

TEST(RegistryValue, SetValueStoresExactlyTheDescribedBytes)
{
    ScratchKey scratch;
    CRegistryKey key(OpenScratchCopy(scratch.Handle()));
    DWORD type = 0;

    key.SetValue("one", "x", REG_SZ);
    EXPECT_EQ(std::string("x\0", 2), StoredBytes(scratch.Handle(), "one", &type)) << "a one-character string";
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);

    key.SetValue("expand", "%TEMP%", REG_EXPAND_SZ);
    EXPECT_EQ(std::string("%TEMP%\0", 7), StoredBytes(scratch.Handle(), "expand", &type));
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), type);

    key.SetValue("little", 0x01020304ul, REG_DWORD);
    EXPECT_EQ(std::string("\x04\x03\x02\x01", 4), StoredBytes(scratch.Handle(), "little", &type));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    key.SetValue("big", 0x01020304ul, REG_DWORD_BIG_ENDIAN);
    EXPECT_EQ(std::string("\x04\x03\x02\x01", 4), StoredBytes(scratch.Handle(), "big", &type))
        << "the big-endian form stores the bytes unswapped";
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD_BIG_ENDIAN), type);

    key.SetValue("bin", reinterpret_cast<const BYTE*>("\x00\x01\x02"), 3);
    EXPECT_EQ(std::string("\x00\x01\x02", 3), StoredBytes(scratch.Handle(), "bin", &type));
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
    key.SetValue("emptybin", reinterpret_cast<const BYTE*>(""), 0);
    EXPECT_EQ(std::string(), StoredBytes(scratch.Handle(), "emptybin"));

    key.SetValue(CRegistryKey::Value("fromvalue", reinterpret_cast<const BYTE*>("ab"), 2, REG_MULTI_SZ));
    EXPECT_EQ("ab", StoredBytes(scratch.Handle(), "fromvalue", &type)) << "unterminated data gained a terminator";
    EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), type);
}

TEST(RegistryValue, ValuesRoundTripWithTheirBytesUnchanged)
{
    ScratchKey scratch;
    ScratchKey target;
    for (const TypedCase& c : kCases)
        StoreExactly(scratch.Handle(), c);
    CRegistryKey source(OpenScratchCopy(scratch.Handle()));
    CRegistryKey destination(OpenScratchCopy(target.Handle()));
    for (const TypedCase& c : kCases) {
        destination.SetValue(source.QueryValue(c.label));
        DWORD type = 0;
        EXPECT_EQ(c.data, StoredBytes(target.Handle(), c.label, &type)) << c.label;
        EXPECT_EQ(c.type, type) << c.label;
    }
}

TEST(RegistryValue, SetValueWithAWrongTypeOrNoDataRaisesAndStoresNothing)
{
    ScratchKey scratch;
    CRegistryKey key(OpenScratchCopy(scratch.Handle()));
    EXPECT_TRUE(RaisesRegistryError([&] { key.SetValue("s", "x", REG_DWORD); }, kSetWhere, ERROR_INVALID_FLAGS));
    EXPECT_TRUE(RaisesRegistryError([&] { key.SetValue("s", "x", REG_MULTI_SZ); }, kSetWhere, ERROR_INVALID_FLAGS));
    EXPECT_TRUE(RaisesRegistryError([&] { key.SetValue("n", 5ul, REG_SZ); }, kSetWhere, ERROR_INVALID_FLAGS));
    EXPECT_TRUE(RaisesRegistryError([&] { key.SetValue("n", 5ul, REG_BINARY); }, kSetWhere, ERROR_INVALID_FLAGS));
    EXPECT_TRUE(RaisesRegistryError([&] { key.SetValue("s", static_cast<LPCSTR>(nullptr), REG_SZ); }, kSetWhere,
                                    ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(RaisesRegistryError([&] { key.SetValue("b", static_cast<const BYTE*>(nullptr), 4); }, kSetWhere,
                                    ERROR_INVALID_PARAMETER));
    for (const char* name : {"s", "n", "b"})
        EXPECT_FALSE(scratch.HasValue(name)) << name;

    CRegistryKey readOnly(OpenScratchCopy(scratch.Handle(), KEY_READ));
    LONG expected = RegSetValueExA(readOnly, "r", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
    ASSERT_NE(ERROR_SUCCESS, expected) << "the platform lets a read-only handle write";
    EXPECT_TRUE(RaisesRegistryError([&] { readOnly.SetValue("r", "x"); }, kSetWhere, expected));
}

TEST(RegistryValue, DeleteValueRemovesOnlyThatValue)
{
    ScratchKey scratch;
    scratch.SetString("gone", "1");
    scratch.SetString("kept", "2");
    CRegistryKey key(OpenScratchCopy(scratch.Handle()));
    key.DeleteValue("gone");
    EXPECT_FALSE(scratch.HasValue("gone"));
    EXPECT_TRUE(scratch.HasValue("kept"));
    EXPECT_TRUE(RaisesRegistryError([&] { key.DeleteValue("gone"); }, "CRegistryKey::DeleteValue()",
                                    ERROR_FILE_NOT_FOUND));
}

TEST(RegistryValue, ValueChecksItsTypeOnConstructionAndConversion)
{
    CRegistryKey::Value text("t", "abc", REG_SZ);
    EXPECT_STREQ("abc", static_cast<LPCSTR>(text));
    EXPECT_EQ(4u, text.GetLength());
    CRegistryKey::Value number("n", 0x11223344ul, REG_DWORD);
    EXPECT_EQ(0x11223344u, static_cast<DWORD>(number));
    CRegistryKey::Value bytes("b", reinterpret_cast<const BYTE*>("\x05\x06"), 2, REG_NONE);
    EXPECT_EQ(6, static_cast<const BYTE*>(bytes)[1]);

    auto raisesValueError = [](auto&& f) {
        try {
            f();
        } catch (const CRegistryKey::Value::Exception& e) {
            return std::string(e.GetWhere()) + " " + std::to_string(e.GetError());
        }
        return std::string("nothing");
    };
    const std::string expected = "CRegistryKey::Value::Exception 87";
    EXPECT_EQ(expected, raisesValueError([&] { return static_cast<DWORD>(text); }));
    EXPECT_EQ(expected, raisesValueError([&] { return static_cast<const BYTE*>(text); }));
    EXPECT_EQ(expected, raisesValueError([&] { return static_cast<LPCSTR>(number); }));
    EXPECT_EQ(expected, raisesValueError([&] { return static_cast<DWORD>(bytes); }));
    EXPECT_EQ(expected, raisesValueError([&] { CRegistryKey::Value("x", "abc", REG_DWORD); }));
    EXPECT_EQ(expected, raisesValueError([&] { CRegistryKey::Value("x", 1ul, REG_SZ); }));
    EXPECT_EQ(expected, raisesValueError([&] { CRegistryKey::Value("x", static_cast<LPCSTR>(nullptr), REG_SZ); }));

    // A short number reads no further than its data.
    CRegistryKey::Value shortNumber("s", reinterpret_cast<const BYTE*>("\x07"), 1, REG_DWORD);
    EXPECT_EQ(7u, static_cast<DWORD>(shortNumber));
}

TEST(RegistryValue, ALengthThatLeavesNoRoomForTheTerminatorIsRefusedBeforeAnyCopy)
{
    // On i686 the length plus its terminator wrapped to an empty block, which
    // the copy then overran; the data is never read here.
    const BYTE data[4] = {1, 2, 3, 4};
    EXPECT_TRUE(RaisesRegistryError([&] { CRegistryKey::Value value("huge", data, MAXDWORD, REG_BINARY); },
                                    "Quarnell::CopyBuffer()", ERROR_NOT_ENOUGH_MEMORY));
}

TEST(RegistryValue, CopiesAndAssignmentOwnTheirDataAndDropTheText)
{
    CRegistryKey::Value first("first", "one", REG_SZ);
    CRegistryKey::Value second("second", reinterpret_cast<const BYTE*>("\xAA"), 1, REG_BINARY);
    EXPECT_STREQ("one", first.AsString());
    CRegistryKey::Value copy(first);
    EXPECT_NE(static_cast<LPCSTR>(first), static_cast<LPCSTR>(copy));
    EXPECT_STREQ("first", copy.GetName());

    LPCSTR textBefore = first.AsString();
    first = first;
    EXPECT_EQ(textBefore, first.AsString()) << "self-assignment changed the text";
    EXPECT_STREQ("one", first.AsString());

    first = second;
    EXPECT_STREQ("aa", first.AsString());
    EXPECT_STREQ("second", first.GetName());
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), first.GetType());
    EXPECT_STREQ("one", copy.AsString());
}

TEST(RegistryValue, FormatHelpersProduceExactBytes)
{
    const BYTE bytes[] = {0x01, 0xAB, 0xFF, 0x00};
    LPSTR hex = Quarnell::FormatBytesAsHex(bytes, 4);
    EXPECT_STREQ("01abff00", hex);
    delete[] hex;
    hex = Quarnell::FormatBytesAsHex(bytes, 0);
    EXPECT_STREQ("", hex);
    delete[] hex;

    BYTE* copy = Quarnell::CopyBuffer(bytes, 3);
    EXPECT_EQ(0, std::memcmp(copy, bytes, 3));
    EXPECT_EQ(0, copy[3]) << "copies carry a terminating zero after the data";
    delete[] copy;
}
