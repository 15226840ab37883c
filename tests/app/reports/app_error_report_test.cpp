// The "Error" box that reports a registry failure, also when memory has run
// out: the window procedure it runs in must see neither an exception nor a
// lost message. The box is answered from a second thread that allocates
// nothing, since every operator new fails meanwhile.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>

#include "app/reports/registry_error_report.h"
#include "registry/registry_key.h"
#include "tests/support/failing_operator_new.h"
#include "tests/support/wait_scale.h"

namespace {
struct {
    char text[1024];
    volatile LONG seen;
} g_box;

BOOL CALLBACK ReadBoxText(HWND child, LPARAM)
{
    char className[16] = "";
    char text[sizeof g_box.text] = "";
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") == 0 && GetWindowTextA(child, text, sizeof text) > 0)
        std::memcpy(g_box.text, text, sizeof text);
    return TRUE;
}

BOOL CALLBACK AnswerErrorBox(HWND window, LPARAM)
{
    char className[16] = "";
    char caption[16] = "";
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, caption, sizeof caption);
    if (std::strcmp(className, "#32770") != 0 || std::strcmp(caption, "Error") != 0 || !IsWindowVisible(window))
        return TRUE;
    EnumChildWindows(window, ReadBoxText, 0);
    g_box.seen = 1;
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    return FALSE;
}

DWORD WINAPI WatchForErrorBox(LPVOID threadId)
{
    const DWORD polls = ScaledWait(10000) / 20;
    for (DWORD poll = 0; poll < polls && !g_box.seen; ++poll) {
        Sleep(20);
        EnumThreadWindows(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(threadId)), AnswerErrorBox, 0);
    }
    return 0;
}
}  // namespace

TEST(RegistryErrorReport, ShowsTheWholeFailureWhenNothingCanBeAllocated)
{
    HANDLE watcher = CreateThread(nullptr, 0, WatchForErrorBox,
                                  reinterpret_cast<LPVOID>(static_cast<UINT_PTR>(GetCurrentThreadId())), 0, nullptr);
    ASSERT_NE(nullptr, watcher);
    bool saved = true;
    bool threw = false;
    try {
        saved = RunReportingFailure(nullptr, "The options could not be saved.", [] {
            failing_new::FailAll();
            throw Quarnell::CRegistryKey::Exception("CRegistryKey::SetValue()", ERROR_ACCESS_DENIED);
        });
    } catch (...) {
        threw = true;
    }
    failing_new::Disarm();
    WaitForSingleObject(watcher, ScaledWait(15000));
    CloseHandle(watcher);

    EXPECT_FALSE(threw) << "an exception left the report";
    EXPECT_FALSE(saved);
    ASSERT_EQ(1, g_box.seen) << "no \"Error\" box was shown";
    EXPECT_NE(nullptr, std::strstr(g_box.text, "The options could not be saved.")) << g_box.text;
    EXPECT_NE(nullptr, std::strstr(g_box.text, "CRegistryKey::SetValue()")) << g_box.text;
}
