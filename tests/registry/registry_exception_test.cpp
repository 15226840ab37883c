// Exceptions: the class chain, the system's texts, the bounded fallback.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include <string>
#include <vector>
#include "registry/registry_key.h"
#include "tests/support/import_patch.h"
#include "tests/support/wait_scale.h"

using Quarnell::CRegistryKey;
using Quarnell::CWin32Exception;
using Quarnell::FormatErrorMessage;

TEST(RegistryException, FormatErrorMessageGivesTheSystemTextUnchanged)
{
    char expected[512] = {};
    ASSERT_NE(0u, FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_FILE_NOT_FOUND, 0, expected, 511,
                                 nullptr));
    EXPECT_STREQ(expected, FormatErrorMessage(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(std::strlen(expected), std::strlen(FormatErrorMessage(ERROR_FILE_NOT_FOUND)));
}

TEST(RegistryException, EveryCodeGetsItsOwnTextWithInsertsAsTheyStand)
{
    // Texts such as 193's hold inserts (%1); they must still be their code's
    // text, never the text of the lookup's own failure.
    int withInserts = 0;
    for (DWORD code = 0; code < 16000; ++code) {
        LPSTR pExpected = nullptr;
        DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                          FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, reinterpret_cast<LPSTR>(&pExpected), 0, nullptr);
        if (length == 0)
            continue;
        std::string expected(pExpected, length < 511 ? length : 511);
        LocalFree(pExpected);
        if (expected.find('%') != std::string::npos)
            ++withInserts;
        EXPECT_EQ(expected, FormatErrorMessage(code)) << "code " << code;
    }
    EXPECT_GT(withInserts, 0) << "no text with an insert was tried";
}

namespace {
// FormatMessageA as the library calls it: every call's flags recorded, and
// the lookup of one code made to fail with a chosen reason.
using FormatMessageFn = DWORD(WINAPI*)(DWORD, LPCVOID, DWORD, DWORD, LPSTR, DWORD, va_list*);
FormatMessageFn g_realFormatMessage = nullptr;
std::vector<DWORD> g_lookupFlags;
DWORD g_failingCode = 0;
DWORD g_failureReason = 0;

DWORD WINAPI RecordingFormatMessage(DWORD flags, LPCVOID source, DWORD code, DWORD language, LPSTR buffer,
                                    DWORD size, va_list* arguments)
{
    g_lookupFlags.push_back(flags);
    if (g_failingCode != 0 && code == g_failingCode) {
        SetLastError(g_failureReason);
        return 0;
    }
    return g_realFormatMessage(flags, source, code, language, buffer, size, arguments);
}
}  // namespace

TEST(RegistryException, EveryLookupKeepsInsertsAndAFallbackHoldingOneIsNotUsed)
{
    ImportPatch patch("KERNEL32.dll", "FormatMessageA", reinterpret_cast<void*>(RecordingFormatMessage));
    ASSERT_TRUE(patch.Installed());
    g_realFormatMessage = reinterpret_cast<FormatMessageFn>(patch.Original());
    g_lookupFlags.clear();

    // An unknown code's lookup fails with 317, whose text is made of inserts.
    EXPECT_EQ("Unknown error 0x2BADF00D", std::string(FormatErrorMessage(0x2BADF00D)));
    // A reason whose text reads complete is used; one holding an insert
    // (193: "%1 is not a valid Win32 application.") is not.
    g_failingCode = ERROR_FILE_NOT_FOUND;
    g_failureReason = ERROR_NOT_ENOUGH_MEMORY;
    std::string reasonText = FormatErrorMessage(ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(reasonText, FormatErrorMessage(ERROR_FILE_NOT_FOUND));
    g_failureReason = ERROR_BAD_EXE_FORMAT;
    EXPECT_EQ("Unknown error 0x00000002", std::string(FormatErrorMessage(ERROR_FILE_NOT_FOUND)));
    g_failingCode = 0;

    ASSERT_GE(g_lookupFlags.size(), 5u);
    for (DWORD flags : g_lookupFlags)
        EXPECT_NE(0u, flags & FORMAT_MESSAGE_IGNORE_INSERTS) << "flags 0x" << std::hex << flags;
}

TEST(RegistryException, TextsShareOneBuffer)
{
    CRegistryKey::Exception first("first", ERROR_FILE_NOT_FOUND);
    CRegistryKey::Exception second("second", ERROR_ACCESS_DENIED);
    LPCSTR firstText = first.GetErrorMessage();
    std::string secondText = second.GetErrorMessage();
    EXPECT_EQ(secondText, std::string(firstText));
}

TEST(RegistryException, DerivedExceptionsKeepWhereAndCodeWhenCaughtAsBase)
{
    try {
        throw CRegistryKey::Value::Exception();
    } catch (const CWin32Exception& e) {
        EXPECT_STREQ("CRegistryKey::Value::Exception", e.GetWhere());
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), e.GetError());
        EXPECT_STREQ(FormatErrorMessage(ERROR_INVALID_PARAMETER), e.GetErrorMessage());
    }
    try {
        throw CRegistryKey::Exception("CRegistryKey::FlushKey()", ERROR_INVALID_HANDLE);
    } catch (const CWin32Exception& e) {
        EXPECT_STREQ("CRegistryKey::FlushKey()", e.GetWhere());
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), e.GetError());
    }
    bool caughtAsKeyException = false;
    try {
        throw CRegistryKey::Value::Exception();
    } catch (const CRegistryKey::Exception&) {
        caughtAsKeyException = true;
    }
    EXPECT_TRUE(caughtAsKeyException);
}

namespace {
struct BoxSearch {
    std::string text;
    bool handIcon = false;
};

BOOL CALLBACK InspectBoxChild(HWND child, LPARAM context)
{
    auto* search = reinterpret_cast<BoxSearch*>(context);
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    if (_stricmp(className, "Static") != 0)
        return TRUE;
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        HICON icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        search->handIcon = search->handIcon || icon == LoadIconA(nullptr, IDI_HAND);
    } else {
        char text[512] = {};
        GetWindowTextA(child, text, sizeof text);
        if (text[0])
            search->text = text;
    }
    return TRUE;
}

DWORD WINAPI ShowBox(void* context)
{
    static_cast<const CRegistryKey::Exception*>(context)->ShowMessageBox(nullptr);
    return 0;
}
}  // namespace

TEST(RegistryException, ShowMessageBoxShowsTheTextUnderTheWhereStringWithTheStopIcon)
{
    const CRegistryKey::Exception error("CRegistryKey::FlushKey()", ERROR_FILE_NOT_FOUND);
    const std::string expectedText = FormatErrorMessage(ERROR_FILE_NOT_FOUND);
    HANDLE shower = CreateThread(nullptr, 0, ShowBox, const_cast<CRegistryKey::Exception*>(&error), 0, nullptr);
    ASSERT_NE(nullptr, shower);

    HWND box = nullptr;
    const ULONGLONG deadline = GetTickCount64() + ScaledWait(10000);
    while (!box && GetTickCount64() < deadline) {
        box = FindWindowA("#32770", "CRegistryKey::FlushKey()");
        if (!box)
            WaitForSingleObject(shower, 20);
    }
    ASSERT_NE(nullptr, box) << "no box captioned with the where-string appeared";
    BoxSearch search;
    EnumChildWindows(box, InspectBoxChild, reinterpret_cast<LPARAM>(&search));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(shower, ScaledWait(10000))) << "the box did not close";
    CloseHandle(shower);

    EXPECT_EQ(expectedText, search.text);
    EXPECT_TRUE(search.handIcon) << "the box shows no stop icon";
}
