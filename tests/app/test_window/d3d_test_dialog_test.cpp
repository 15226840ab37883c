// The Direct3D test started from corvane.exe's dialog, driven as a user would:
// the save question, the test window, its end, a second press, and a machine
// without DirectDraw.
#include <gtest/gtest.h>

#include "app/resource.h"
#include "tests/app/app_ddhal_key.h"
#include "tests/app/corvane_dialog_fixture.h"

namespace {

const char TEST_WINDOW[] = "Direct3D Test";
const char D3D_ERROR_TEXT[] =
    "Couldn't init Direct3D in a window.\nMake sure you have the latest display drivers!";
const DWORD WINDOW_TIMEOUT_MS = 20000;

// Wine reads a program's DLL overrides from this key when it loads the DLL;
// the environment of a child started from a Wine process is not used.
class DdrawDisabledForCorvane {
public:
    DdrawDisabledForCorvane()
    {
        HKEY key = nullptr;
        m_ok = RegCreateKeyExA(HKEY_CURRENT_USER, KEY_PATH, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                               &key, nullptr) == ERROR_SUCCESS &&
               RegSetValueExA(key, "ddraw", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1) ==
                   ERROR_SUCCESS;
        if (key)
            RegCloseKey(key);
    }
    ~DdrawDisabledForCorvane()
    {
        RegDeleteKeyA(HKEY_CURRENT_USER, KEY_PATH);
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\corvane.exe");
    }
    bool Ok() const { return m_ok; }

private:
    static constexpr const char* KEY_PATH = "Software\\Wine\\AppDefaults\\corvane.exe\\DllOverrides";
    bool m_ok = false;
};

bool HasColouredPixels(const ClientPixels& shot)
{
    int lit = 0;
    for (DWORD pixel : shot.pixels)
        lit += pixel != 0;
    return lit > 100;
}

class Direct3DTestFromDialog : public CorvaneProgramTest {
protected:
    // The program's "Direct3D Test" window, visible or not; null if none.
    HWND TestWindow() const
    {
        HWND found = nullptr;
        HWND window = nullptr;
        while ((window = FindWindowExA(nullptr, window, TEST_WINDOW, TEST_WINDOW)) != nullptr) {
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            if (pid == m_program->ProcessId())
                found = window;
        }
        return found;
    }

    // Presses the test button and answers the save question with No.
    void PressTestAnsweringNo(HWND dialog)
    {
        Click(dialog, IDC_TEST_TRIANGLE);
        ExpectSaveQuestion(AnswerBox(IDNO));
    }

    // The same, then waits for the test window to show.
    HWND StartTestAnsweringNo(HWND dialog)
    {
        PressTestAnsweringNo(dialog);
        return WaitForVisibleTestWindow();
    }

    HWND WaitForVisibleTestWindow()
    {
        HWND window = nullptr;
        WaitUntil([&] { return (window = TestWindow()) != nullptr && IsWindowVisible(window); },
                  WINDOW_TIMEOUT_MS);
        EXPECT_TRUE(window && IsWindowVisible(window)) << "no test window; open dialogs: " << OpenDialogs();
        return window && IsWindowVisible(window) ? window : nullptr;
    }

    // The window goes on drawing: its picture changes as the triangle turns.
    bool KeepsDrawing(HWND window)
    {
        ClientPixels first;
        if (!WaitUntil([&] { return HasColouredPixels(first = ReadClientPixels(window)); }, 10000))
            return false;
        return WaitUntil([&] { return ReadClientPixels(window).pixels != first.pixels; }, 10000);
    }

    void CloseTestWindow(HWND window)
    {
        PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(window); }, WINDOW_TIMEOUT_MS))
            << "the test window did not close";
    }

    // A box may wait behind the test window's start.
    SeenBox AnswerBox(int buttonId) { return CorvaneProgramTest::AnswerBox(buttonId, WINDOW_TIMEOUT_MS); }

    void ExpectSaveQuestion(const SeenBox& seen)
    {
        ExpectBox(seen, "Save changes?", "Save changes before proceeding?", {IDYES, IDNO});
    }

    void ExpectD3DError(const SeenBox& seen) { ExpectBox(seen, "D3D Error", D3D_ERROR_TEXT, {IDOK}); }

    // The dialog is still there and still answers: Cancel ends the program.
    void CancelAndExpectExitZero(HWND dialog)
    {
        ASSERT_TRUE(IsWindow(dialog) && IsWindowVisible(dialog)) << "the dialog went away";
        Click(dialog, IDCANCEL);
        SeenBox bye = AnswerBox(IDOK);
        EXPECT_EQ("Bye", bye.caption) << Show(bye);
        ExpectExitZero();
    }
};

}  // namespace

TEST_F(Direct3DTestFromDialog, NoStartsTheTestWithoutWritingAndClosingReturnsToTheDialog)
{
    DdhalKey key;
    key.SetOptions("1", "0", "0", "1", "0");
    const StoredValues before = key.ReadAll();
    HWND dialog = StartToDialog();
    ASSERT_TRUE(dialog);
    Click(dialog, IDC_DITHERINIT);
    ASSERT_TRUE(WaitUntil([&] { return CheckState(dialog, IDC_DITHERINIT) == BST_CHECKED; }, 5000));

    for (int round = 0; round < 2; ++round) {
        HWND window = StartTestAnsweringNo(dialog);
        ASSERT_TRUE(window) << "round " << round;
        EXPECT_TRUE(KeepsDrawing(window)) << "round " << round;
        EXPECT_EQ(before, key.ReadAll()) << Describe(key.ReadAll());
        CloseTestWindow(window);
        EXPECT_TRUE(WaitUntil([&] { return m_program->FindVisibleDialog(kDialogCaption) == dialog; },
                              5000))
            << "round " << round << ": the dialog is gone; open dialogs: " << OpenDialogs();
        EXPECT_EQ(BST_CHECKED, CheckState(dialog, IDC_DITHERINIT)) << "round " << round;
    }
    CancelAndExpectExitZero(dialog);
    EXPECT_EQ(before, key.ReadAll()) << Describe(key.ReadAll());
}

TEST_F(Direct3DTestFromDialog, YesSavesBeforeTheTestStarts)
{
    DdhalKey key;
    key.SetOptions("1", "0", "0", "1", nullptr);
    HWND dialog = StartToDialog();
    ASSERT_TRUE(dialog);
    Click(dialog, IDC_DITHERINIT);
    Click(dialog, IDC_BREAK);
    ASSERT_TRUE(WaitUntil([&] { return CheckState(dialog, IDC_BREAK) == BST_CHECKED; }, 5000));
    Click(dialog, IDC_TEST_TRIANGLE);
    ExpectSaveQuestion(AnswerBox(IDYES));
    HWND window = WaitForVisibleTestWindow();
    ASSERT_TRUE(window);
    const StoredValues expected{{"AntiAlias", Sz("1")}, {"Break", Sz("1")}, {"DitherInit", Sz("1")},
                                {"EnableKatmai", Sz("0")}, {"Palette", Sz("1")}};
    EXPECT_EQ(expected, key.ReadAll()) << Describe(key.ReadAll());
    CloseTestWindow(window);
    CancelAndExpectExitZero(dialog);
}

TEST_F(Direct3DTestFromDialog, SecondPressAsksAgainThenReportsD3DErrorWhileTheFirstRuns)
{
    DdhalKey key;
    key.SetOptions("1", "0", "0", "1", "0");
    HWND dialog = StartToDialog();
    ASSERT_TRUE(dialog);
    HWND first = StartTestAnsweringNo(dialog);
    ASSERT_TRUE(first);

    PressTestAnsweringNo(dialog);
    HWND box = m_program->WaitForOwnedDialog(WINDOW_TIMEOUT_MS);
    ASSERT_TRUE(box) << "no D3D Error box; open dialogs: " << OpenDialogs();
    ExpectD3DError(ReadMessageBox(box));
    EXPECT_EQ(first, TestWindow()) << "a second test window appeared";
    EXPECT_TRUE(KeepsDrawing(first)) << "the first test stopped while the error was up";
    EXPECT_TRUE(Answer(box, IDOK));

    EXPECT_TRUE(KeepsDrawing(first)) << "the first test stopped after the error";
    CloseTestWindow(first);
    EXPECT_TRUE(WaitUntil([&] { return m_program->FindVisibleDialog(kDialogCaption) == dialog; }, 5000));
    CancelAndExpectExitZero(dialog);
}

TEST_F(Direct3DTestFromDialog, ClosingTheTestWhileAMessageBoxIsUpLeavesTheBoxOpen)
{
    DdhalKey key;
    key.SetOptions("1", "0", "0", "1", "0");
    HWND dialog = StartToDialog();
    ASSERT_TRUE(dialog);
    HWND window = StartTestAnsweringNo(dialog);
    ASSERT_TRUE(window);

    Click(dialog, IDC_ABOUT);
    HWND about = m_program->WaitForOwnedDialog(WINDOW_TIMEOUT_MS);
    ASSERT_TRUE(about) << "no About box; open dialogs: " << OpenDialogs();
    ASSERT_EQ("About", WindowText(about));
    CloseTestWindow(window);
    // The closed test must not take the About box (or the dialog) with it.
    EXPECT_FALSE(WaitUntil([&] { return !IsWindow(about); }, 1500)) << "the About box closed";
    EXPECT_TRUE(Answer(about, IDOK));
    CancelAndExpectExitZero(dialog);
}

TEST_F(Direct3DTestFromDialog, WithoutDirectDrawTheWindowNeverShowsAndD3DErrorAppears)
{
    DdhalKey key;
    key.SetOptions("1", "0", "0", "1", "0");
    DdrawDisabledForCorvane disabled;
    ASSERT_TRUE(disabled.Ok());
    HWND dialog = StartToDialog();
    ASSERT_TRUE(dialog);
    PressTestAnsweringNo(dialog);
    HWND box = m_program->WaitForOwnedDialog(WINDOW_TIMEOUT_MS);
    ASSERT_TRUE(box) << "no D3D Error box; open dialogs: " << OpenDialogs();
    ExpectD3DError(ReadMessageBox(box));
    EXPECT_EQ(nullptr, TestWindow()) << "a test window exists while the error is up";
    // The box stays until the user answers it.
    EXPECT_FALSE(WaitUntil([&] { return !IsWindow(box); }, 1000)) << "the D3D Error box closed by itself";
    EXPECT_TRUE(Answer(box, IDOK));
    CancelAndExpectExitZero(dialog);
}

TEST_F(Direct3DTestFromDialog, EscapeInTheDialogWhileTheTestRunsStillCancels)
{
    DdhalKey key;
    key.SetOptions("1", "0", "0", "1", "0");
    HWND dialog = StartToDialog();
    ASSERT_TRUE(dialog);
    HWND window = StartTestAnsweringNo(dialog);
    ASSERT_TRUE(window);

    // The test window has the keyboard focus now; the user presses Esc on a
    // control of the dialog, so the key goes to that control.
    HWND control = GetDlgItem(dialog, IDC_ANTIALIAS);
    ASSERT_TRUE(control);
    ASSERT_TRUE(PostMessageA(control, WM_KEYDOWN, VK_ESCAPE, 0x00010001));
    ASSERT_TRUE(PostMessageA(control, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0010001u)));
    SeenBox bye = AnswerBox(IDOK);
    EXPECT_EQ("Bye", bye.caption) << Show(bye);
    EXPECT_EQ("Aborted", bye.text) << Show(bye);
    // The dialog has ended; the program ends once the test window is closed.
    EXPECT_TRUE(IsWindow(window));
    CloseTestWindow(window);
    ExpectExitZero();
}
