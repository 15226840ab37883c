// corvane.exe end to end: started from this test, its dialog and message
// boxes driven as a user would, the registry and its exit code checked after.
#include <gtest/gtest.h>

#include "app/resource.h"
#include "tests/app/app_ddhal_key.h"
#include "tests/app/corvane_dialog_fixture.h"

namespace {

const int kCheckBoxes[] = {IDC_ANTIALIAS, IDC_DITHERINIT, IDC_ENABLEKATMAI, IDC_PALETTE, IDC_BREAK};

class CorvaneDialog : public CorvaneProgramTest {
protected:
    std::string CheckStates(HWND dialog)
    {
        std::string states;
        for (int id : kCheckBoxes)
            states += CheckState(dialog, id) == BST_CHECKED ? '1' : '0';
        return states;  // in the order 200, 201, 202, 203, 204
    }

    // Check boxes change on the program's thread after a box closes: poll.
    void ExpectStates(HWND dialog, const std::string& expected)
    {
        WaitUntil([&] { return CheckStates(dialog) == expected; }, 5000);
        EXPECT_EQ(expected, CheckStates(dialog)) << "check boxes 200..204";
    }

    // A startup that ends in one "Error" box: the dialog never shows.
    SeenBox ExpectStartupErrorOnly()
    {
        Start();
        SeenBox seen;
        HWND box = m_program->WaitForOwnedDialog();
        if (!box) {
            ADD_FAILURE() << "no message box; open dialogs: " << OpenDialogs();
            return seen;
        }
        EXPECT_EQ(nullptr, m_program->FindVisibleDialog(kDialogCaption))
            << "the dialog showed while the start-up error was up";
        seen = ReadMessageBox(box);
        EXPECT_TRUE(Answer(box, IDOK)) << Show(seen);
        ExpectExitZero();
        return seen;
    }
};

}  // namespace

TEST_F(CorvaneDialog, Startup_WithoutDriverKeyShowsOnlyNotDetected)
{
    DdhalKey key(DdhalKey::CreateNothing);
    SeenBox seen = ExpectStartupErrorOnly();
    ExpectBox(seen, "Error", "ATI Rage 128 card not detected, or not installed", {IDOK});
    EXPECT_FALSE(DdhalKey::Exists(DdhalKey::kAtiPath)) << "start-up created keys";
}

TEST_F(CorvaneDialog, Startup_WithRequiredValueMissingShowsOnlyMissingFeatures)
{
    DdhalKey key;
    key.SetString("AntiAlias", "1");
    key.SetString("DitherInit", "1");
    key.SetString("Palette", "1");
    key.SetString("Break", "1");
    StoredValues before = key.ReadAll();
    SeenBox seen = ExpectStartupErrorOnly();
    ExpectBox(seen, "Error", "An ATI card was found, but it is missing\ncertain features", {IDOK});
    EXPECT_EQ(before, key.ReadAll()) << Describe(key.ReadAll());
}

TEST_F(CorvaneDialog, Startup_KeyRefusingReadingShowsErrorWithReasonAndWritesNothing)
{
    DdhalKey key;
    key.SetOptions("1", "1", "1", "1", "1");
    StoredValues before = key.ReadAll();
    ASSERT_TRUE(key.DenyRights(DdhalKey::kDdhalPath, KEY_ENUMERATE_SUB_KEYS));
    SeenBox seen = ExpectStartupErrorOnly();
    EXPECT_EQ("Error", seen.caption) << Show(seen);
    EXPECT_NE(std::string::npos, seen.text.find("CRegistryKey::CRegistryKey(HKEY hKey ...)"))
        << Show(seen);
    char reason[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, 0, reason,
                   sizeof reason - 1, nullptr);
    EXPECT_NE(std::string::npos, seen.text.find(reason)) << Show(seen) << " reason " << reason;
    EXPECT_EQ(before, key.ReadAll()) << Describe(key.ReadAll());
}

TEST_F(CorvaneDialog, Open_ShowsValuesWithMissingBreakUnchecked)
{
    DdhalKey key;
    key.SetOptions("1", "0", "0", "1", nullptr);
    HWND dialog = StartToDialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ("10010", CheckStates(dialog));
    Click(dialog, IDCANCEL);
    AnswerBox(IDOK);
    ExpectExitZero();
}

TEST_F(CorvaneDialog, OkYes_SavesTheCheckBoxesAndCreatesBreak)
{
    DdhalKey key;
    key.SetOptions("1", "0", "0", "1", nullptr);
    key.SetString("Other", "x");
    HWND dialog = StartToDialog();
    ASSERT_TRUE(dialog);
    Click(dialog, IDC_ANTIALIAS);
    Click(dialog, IDC_ENABLEKATMAI);
    Click(dialog, IDC_BREAK);
    ExpectStates(dialog, "00111");
    Click(dialog, IDOK);
    ExpectBox(AnswerBox(IDYES), "Choice", "Save changes?", {IDYES, IDNO});
    ExpectExitZero();
    StoredValues expected{{"AntiAlias", Sz("0")}, {"Break", Sz("1")}, {"DitherInit", Sz("0")},
                          {"EnableKatmai", Sz("1")}, {"Palette", Sz("1")}, {"Other", Sz("x")}};
    EXPECT_EQ(expected, key.ReadAll()) << Describe(key.ReadAll());
}

TEST_F(CorvaneDialog, OkNo_AfterRestoreDefaultsWritesNothing)
{
    DdhalKey key;
    key.SetOptions("0", "0", "1", "0", "1");
    StoredValues before = key.ReadAll();
    HWND dialog = StartToDialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ("00101", CheckStates(dialog));
    Click(dialog, IDC_RESTORE_DEFAULTS);
    ExpectBox(AnswerBox(IDYES), "Choice", "Restore defualts? (Generalization)", {IDYES, IDNO});
    ExpectStates(dialog, "11010");
    Click(dialog, IDOK);
    ExpectBox(AnswerBox(IDNO), "Choice", "Save changes?", {IDYES, IDNO});
    ExpectExitZero();
    EXPECT_EQ(before, key.ReadAll()) << Describe(key.ReadAll());
}

TEST_F(CorvaneDialog, RestoreDefaultsNo_LeavesTheBoxes)
{
    DdhalKey key;
    key.SetOptions("0", "0", "1", "0", "1");
    HWND dialog = StartToDialog();
    ASSERT_TRUE(dialog);
    Click(dialog, IDC_RESTORE_DEFAULTS);
    AnswerBox(IDNO);
    ExpectStates(dialog, "00101");
    Click(dialog, IDCANCEL);
    AnswerBox(IDOK);
    ExpectExitZero();
}

TEST_F(CorvaneDialog, Cancel_AfterChangesAndRestoreDefaultsSaysByeAndWritesNothing)
{
    DdhalKey key;
    key.SetOptions("0", "0", "1", "0", "1");
    StoredValues before = key.ReadAll();
    HWND dialog = StartToDialog();
    ASSERT_TRUE(dialog);
    Click(dialog, IDC_RESTORE_DEFAULTS);
    AnswerBox(IDYES);
    Click(dialog, IDC_DITHERINIT);
    Click(dialog, IDCANCEL);
    ExpectBox(AnswerBox(IDOK), "Bye", "Aborted", {IDOK});
    ExpectExitZero();
    EXPECT_EQ(before, key.ReadAll()) << Describe(key.ReadAll());
}

TEST_F(CorvaneDialog, Escape_ActsAsCancel)
{
    DdhalKey key;
    key.SetOptions("1", "1", "1", "1", "1");
    StoredValues before = key.ReadAll();
    HWND dialog = StartToDialog();
    ASSERT_TRUE(dialog);
    Click(dialog, IDC_PALETTE);
    ASSERT_TRUE(WaitUntil([&] { return CheckState(dialog, IDC_PALETTE) == BST_UNCHECKED; }, 5000));
    ASSERT_TRUE(PressEscape(dialog)) << "no focused control";
    ExpectBox(AnswerBox(IDOK), "Bye", "Aborted", {IDOK});
    ExpectExitZero();
    EXPECT_EQ(before, key.ReadAll()) << Describe(key.ReadAll());
}

TEST_F(CorvaneDialog, HelpButtonsShowEachOptionsCaptionAndText)
{
    struct Help {
        int id;
        const char* caption;
        const char* text;
    } helps[] = {
        {IDC_HELP_ANTIALIAS, "AntiAliasing",
         "General:\nAntiAliasing smooths out rough edges on the screen\n\t  Hardware powered: "
         "Most likely\n\t  Default: Enabled"},
        {IDC_HELP_DITHERINIT, "Dithering",
         "General:\nDithering is used when colors cannot be generated\ndue to color depth "
         "limitations. Dithering is usually used in\n16bpp video modes, and it can sometimes "
         "create noticable\nartifacting.\n\t  Hardware powered: Most likely\n\t  Defualt: Enabled"},
        {IDC_HELP_ENABLEKATMAI, "Enable Katmai",
         "General:\nAdds support for Pentium 3 processors, only enable if you have one!\n\t  "
         "Hardware powered: Don't know\n\t  Defualt: Disabled"},
        {IDC_HELP_PALETTE, "Use 8-bit paletted textures",
         "General:\nThis is a Direct3D feature that is required by some\ngames (FF7, FF8). I "
         "would recommend that it be turned on.\n\t  Hardware powered: Definitely!\n\t  "
         "Defualt: Disabled"},
        {IDC_HELP_BREAK, "Disable VSync",
         "General:\nVertical Sync[hronization] (aka VSync) reduces screen\n'shearing'. If it is "
         "disabled, the amount of updates per second will\nbe increased, but at times, the "
         "visual quality may be hindered.\n\t  Hardware powered: Yes\n\t  Defualt: Disabled"},
    };
    DdhalKey key;
    key.SetOptions("1", "1", "1", "1", "1");
    HWND dialog = StartToDialog();
    ASSERT_TRUE(dialog);
    for (const Help& help : helps) {
        SCOPED_TRACE(help.id);
        Click(dialog, help.id);
        ExpectBox(AnswerBox(IDOK), help.caption, help.text, {IDOK});
        EXPECT_TRUE(IsWindowVisible(dialog));
    }
    Click(dialog, IDCANCEL);
    AnswerBox(IDOK);
    ExpectExitZero();
}

TEST_F(CorvaneDialog, AboutShowsSixLinesWithoutPersonalNames)
{
    DdhalKey key;
    key.SetOptions("1", "1", "1", "1", "1");
    HWND dialog = StartToDialog();
    ASSERT_TRUE(dialog);
    Click(dialog, IDC_ABOUT);
    ExpectBox(AnswerBox(IDOK), "About",
              "This little utility was made by: the Corvane project\n2/26/2000\n"
              "Bug reports, etc can goto: corvane@example.org\n"
              "Web home: http://www.example.org/corvane/\n\n"
              "Read the included README.TXT file before using!",
              {IDOK});
    EXPECT_TRUE(IsWindowVisible(dialog));
    Click(dialog, IDCANCEL);
    AnswerBox(IDOK);
    ExpectExitZero();
}

TEST_F(CorvaneDialog, SaveFailure_KeyRemovedWhileOpenKeepsDialogAndChoicesForRetry)
{
    DdhalKey key;
    key.SetOptions("1", "0", "1", "0", "1");
    HWND dialog = StartToDialog();
    ASSERT_TRUE(dialog);
    Click(dialog, IDC_ANTIALIAS);
    Click(dialog, IDC_BREAK);
    ExpectStates(dialog, "00100");
    DdhalKey::RemoveAll();

    Click(dialog, IDOK);
    AnswerBox(IDYES);
    SeenBox error = AnswerBox(IDOK);
    EXPECT_EQ("Error", error.caption) << Show(error);
    EXPECT_NE(std::string::npos, error.text.find("CRegistryKey::CRegistryKey(HKEY hKey ...)"))
        << Show(error);
    ASSERT_TRUE(IsWindow(dialog)) << "the dialog closed after a failed save";
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ("00100", CheckStates(dialog));
    EXPECT_FALSE(DdhalKey::Exists(DdhalKey::kDdhalPath)) << "the failed save created the key";

    // Once the key is back, the same choices save.
    ASSERT_TRUE(DdhalKey::CreatePath(DdhalKey::kDdhalPath));
    Click(dialog, IDOK);
    AnswerBox(IDYES);
    ExpectExitZero();
    StoredValues expected{{"AntiAlias", Sz("0")}, {"Break", Sz("0")}, {"DitherInit", Sz("0")},
                          {"EnableKatmai", Sz("1")}, {"Palette", Sz("0")}};
    EXPECT_EQ(expected, key.ReadAll()) << Describe(key.ReadAll());
}
